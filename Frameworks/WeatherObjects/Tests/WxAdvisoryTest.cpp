#include "WxDrawTestSupport.h"

#include "CxData.h"
#include "DxAdvisoryManager.h"
#include "DxSet.h"
#include "DxShape.h"
#include "GxProjection.h"
#include "WxAdvisory.h"
#include "WxParser.h"

namespace
{

using namespace wxkit;

const std::string kList = R"(<product id="FFW" name="Flash Flood Warning" color="#00FF00FF"/>)"
                          R"(<product id="TOR" name="Tornado Warning" color="#FFFF00FF" filled="false"/>)"
                          R"(<product id="SVR" name="Severe Thunderstorm Warning" color="#8C0000FF" filled="false"/>)"
                          R"(<product id="WSA" name="Winter Storm Watch" color="#FF00FFFF"/>)";
const std::string kHead = R"(<advisory visible="true" selected="false" alpha="0.5" dataset="adv" width="1.0">)";
const std::string kWsaOff = R"(<customAdvisory id="WSA" color="#FF00FFFF" enabled="false" filled="true"/>)";

// Kind, id and the corners of a lon/lat box in degrees.
struct Record
{
    const char* mKind;
    const char* mId;
    double mW, mS, mE, mN;
};
// A filled kind under a free light polygon, a free dark one, a dark zone, a disabled kind and a missing one.
const std::vector<Record> kRecords = {{"FFW", "TXZ001", -106, 29, -100, 35}, {"TOR", "polygon", -103, 32, -97, 38},
                                      {"SVR", "polygon", -96, 28, -92, 32},  {"SVR", "TXZ002", -96, 36, -92, 40},
                                      {"WSA", "TXZ003", -108, 38, -105, 41}, {"XXX", "polygon", -92, 26, -89, 28}};

class AdvisoryTest : public wxdraw::DrawTest
{
protected:
    void SetUp() override
    {
        DrawTest::SetUp();
        WxRegisterProducts();
        KitManagedSet(CxString("adv"), 8,
                      {{"config.xml", KitInfoDocument("datasetconfig", R"(<property id="name" value="Warnings"/>)")},
                       {"prodinfo.xml", KitInfoDocument("productInfo", kList)}});
        KitSetProjection(mMap, GxFlatProjection(), -110, 25, -90, 45);
    }
    void TearDown() override
    {
        mOwner.reset();
        DrawTest::TearDown();
    }
    WxAdvisory* Make(const std::string& inCustoms)
    {
        return static_cast<WxAdvisory*>(
            WxAdvisory::Make(&mMap, KitElement(mParser, kHead + inCustoms + "</advisory>")));
    }
    GxPoint At(double inLon, double inLat) const
    {
        return mMap.Projection()->Project(GxPosition().FromDegrees(inLon, inLat));
    }
    DxShape* Frame(const GxProjection& inProjection)
    {
        auto* shape = new DxShape(inProjection);
        shape->BeginData();
        for (const Record& r : kRecords)
        {
            shape->AcceptVertex(true);
            for (const GxPoint& p :
                 {GxPoint(r.mW, r.mS), GxPoint(r.mE, r.mS), GxPoint(r.mE, r.mN), GxPoint(r.mW, r.mN)})
                shape->AcceptPoint(inProjection.Project(GxPosition().FromDegrees(p.mX, p.mY)));
        }
        shape->EndData();
        DxStringField* kinds = shape->NewStringField(CxString("phenomenon"));
        DxStringField* ids = shape->NewStringField(CxString("id"));
        for (const Record& r : kRecords)
            kinds->push_back(CxString(r.mKind)), ids->push_back(CxString(r.mId));
        return shape;
    }

    std::unique_ptr<WxMap> mOwner = std::make_unique<WxMap>(nullptr);
    WxMap& mMap = *mOwner;
    std::unique_ptr<WxParser> mParser;
};

std::string Joined(const CxStringList& inIds)
{
    std::string text;
    for (const CxString& id : inIds)
        text += id.AsUtf8() + " ";
    return text;
}

TEST_F(AdvisoryTest, DocumentCustomsSelectKindsAndWriteOnlyWhatDiffersFromTheSet)
{
    const struct
    {
        std::string mCustoms, mIds;
        std::vector<std::string> mWritten;
    } rows[] = {
        {"", "FFW TOR SVR WSA ", {}},
        {kWsaOff, "FFW TOR SVR ", {R"(id="WSA" color="#FF00FFFF" enabled="false" filled="true")"}},
        // Not in the list: nothing to enable until the list holds it.
        {R"(<customAdvisory id="NEW" color="#123456FF" enabled="true" filled="true"/>)",
         "FFW TOR SVR WSA ",
         {R"(id="NEW" color="#123456FF" enabled="true" filled="true")"}},
        {R"(<customAdvisory id="FFW" color="#FF0000FF" enabled="true" filled="true"/>)"
         R"(<customAdvisory id="FFW" color="#0000FFFF" enabled="false" filled="false"/>)",
         "TOR SVR WSA ",
         {R"(id="FFW" color="#0000FFFF" enabled="false" filled="false")"}},
        // A document's custom has no name, so it never equals the set's entry and is always written.
        {R"(<customAdvisory id="TOR" color="#FFFF00FF" enabled="true" filled="false"/>)",
         "FFW TOR SVR WSA ",
         {R"(id="TOR" color="#FFFF00FF" enabled="true" filled="false")"}},
    };
    for (const auto& row : rows)
    {
        WxAdvisory* advisory = Make(row.mCustoms);
        EXPECT_EQ(Joined(advisory->GetAdvisoryClientIds()), row.mIds) << row.mCustoms;
        const RoundTripResult result = RoundTrip(Vanedoc("<map>" + kHead + row.mCustoms + "</advisory></map>"));
        EXPECT_EQ(result.mSecond, result.mFirst);
        std::size_t count = 0;
        for (std::size_t at = 0; (at = result.mFirst.find("<customAdvisory ", at)) != std::string::npos; ++at)
            ++count;
        EXPECT_EQ(count, row.mWritten.size()) << result.mFirst;
        for (const std::string& written : row.mWritten)
            EXPECT_NE(result.mFirst.find(written), std::string::npos) << written << "\n" << result.mFirst;
    }

    // The set takes a changed list and asks its clients to request again: the document's settings still apply.
    // A setting made by name back to the set's value is not written.
    WxAdvisory* advisory = Make(kWsaOff);
    advisory->SetFilled(CxString("Tornado Warning"), false);
    EXPECT_EQ(advisory->CustomAdvisories().size(), 2u);
    const std::string document = WriteDocument(mMap);
    EXPECT_EQ(document.find("id=\"TOR\"", document.rfind("<advisory ")), std::string::npos) << document;
    const std::string changed =
        KitInfoDocument("productInfo", kList + R"(<product id="ICE" name="Ice" color="#00FFFFFF"/>)");
    CxData data(changed.data(), CxUint32(changed.size()));
    DxAdvisoryManager* manager = DxSet::FindOrCreateSet(CxString("adv"), 8)->AdvisoryManager();
    ASSERT_TRUE(manager->ParseProductList(data));
    manager->RefreshAllClients();
    EXPECT_EQ(Joined(advisory->GetAdvisoryClientIds()), "FFW TOR SVR ICE ");
    EXPECT_FALSE(advisory->FindAdvisoryInfo(CxString("WSA")).IsEnabled());
}

// Each run of primitives of one kind and colour: P or L, then the rounded red, green and blue.
std::string Runs(const std::vector<gxtest::FeedbackPrimitive>& inAll, double inAlpha)
{
    std::string runs, last;
    for (const gxtest::FeedbackPrimitive& p : inAll)
    {
        const double* c = p.mVertices.at(0).mColor;
        EXPECT_NEAR(c[3], inAlpha, 0.01);
        std::string run = p.mToken == GL_POLYGON_TOKEN ? "P" : "L";
        for (int k = 0; k < 3; ++k)
            run += c[k] > 0.5 ? '1' : '0';
        if (run != last)
            runs += run + " ";
        last = run;
    }
    return runs;
}

TEST_F(AdvisoryTest, DrawsKindsInTheirColoursWithHalosOnlyAroundFreeOutlines)
{
    WxAdvisory* advisory = Make(kWsaOff);
    Inject(*advisory, Frame(*mMap.Projection()));
    const GxPoint centre = At(-100, 35);
    // Filled green; light outline on black; dark outline on white; the dark zone without halo; WSA off; XXX black.
    EXPECT_EQ(Runs(Feedback(*advisory, centre, 4.0), 0.5), "P010 L000 L110 L111 L100 P000 ");
    const GxPoint low = At(-108, 26), high = At(-89, 41);
    EXPECT_EQ(advisory->Bounds(), GxRect(low.mX, low.mY, high.mX, high.mY));
    // The compiled list replays the same drawing.
    EXPECT_EQ(Runs(Feedback(*advisory, centre, 4.0), 0.5), "P010 L000 L110 L111 L100 P000 ");
}

TEST_F(AdvisoryTest, HitTestFindsTheTopmostKindInTheMapsProjectionOnly)
{
    WxAdvisory* advisory = Make("");
    const GxPosition overlap = GxPosition().FromDegrees(-101.5, 33.5);
    EXPECT_EQ(advisory->GetAdvisoryFromPosition(overlap), "UNK");
    Inject(*advisory, Frame(*mMap.Projection()));
    EXPECT_EQ(advisory->GetAdvisoryFromPosition(overlap), "TOR");
    EXPECT_EQ(advisory->GetAdvisoryFromPosition(GxPosition().FromDegrees(-105, 30)), "FFW");
    EXPECT_EQ(advisory->GetAdvisoryFromPosition(GxPosition().FromDegrees(-80, 10)), "UNK");
    Inject(*advisory, Frame(GxDegreeProjection()));
    EXPECT_EQ(advisory->GetAdvisoryFromPosition(overlap), "UNK");
}

// Mended: a projection change before the first frame used to mark a frame that was not there.
TEST_F(AdvisoryTest, ProjectionChangeBeforeAnyFrameIsTakenAndLaterOnesMarkTheFrameStale)
{
    WxAdvisory* advisory = Make("");
    mMap.SetProjection(GxDegreeProjection());
    EXPECT_TRUE(*advisory->CopyProjection() == *mMap.Projection());
    Inject(*advisory, Frame(*mMap.Projection()));
    advisory->Frame()->SetLastModified(CxDate());
    mMap.SetProjection(GxFlatProjection());
    EXPECT_EQ(advisory->Frame()->LastModified(), DxFrame::NoDate());
    EXPECT_TRUE(*advisory->CopyProjection() == *mMap.Projection());
}

// The 14-pixel swatches a legend draws, top row first.
std::vector<gxtest::Quad> Swatches(const std::vector<gxtest::FeedbackPrimitive>& inAll)
{
    std::vector<gxtest::Quad> swatches;
    for (const gxtest::Quad& q : gxtest::Quads(inAll))
        if (std::fabs(q.mRight - q.mLeft - 14) < 0.01 && std::fabs(q.mTop - q.mBottom - 14) < 0.01)
            swatches.push_back(q);
    return swatches;
}

TEST_F(AdvisoryTest, LegendListsKindsFromTheFrameEndAndHighlightsTheOneUnderTheMouse)
{
    WxAdvisory* advisory = Make(kWsaOff);
    Inject(*advisory, Frame(*mMap.Projection()));
    std::unique_ptr<WxAdvisoryLegend> legend(static_cast<WxAdvisoryLegend*>(advisory->CreateLegend()));
    EXPECT_TRUE(Swatches(Inspect(*legend, CxRect(0, 0, 200, 17))).empty());
    // XXX (default black) and WSA (magenta) are the last two records: the first two rows, both filled.
    const auto two = Swatches(Inspect(*legend, CxRect(0, 0, 200, 36)));
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0].mColor, std::vector<double>({0, 0, 0, 1}));
    EXPECT_EQ(two[1].mColor, std::vector<double>({1, 0, 1, 1}));
    EXPECT_EQ(Joined(legend->Kinds()), "XXX WSA SVR TOR FFW ");
    // FFW, the last row, lies under the mouse: the band is centred on its swatch.
    legend->SetTrackPosition(GxPosition().FromDegrees(-105, 30));
    const auto all = Inspect(*legend, CxRect(0, 0, 200, 100));
    const GxColor hilite = GxSystemHiliteColor();
    std::vector<gxtest::Quad> bands;
    for (const gxtest::Quad& q : gxtest::Quads(all))
        if (std::fabs(q.mColor[2] - hilite.mBlue) < 0.01 && std::fabs(q.mColor[3] - 0.8) < 0.01)
            bands.push_back(q);
    const auto swatches = Swatches(all);
    ASSERT_EQ(bands.size(), 1u);
    ASSERT_EQ(swatches.size(), 3u); // TOR and SVR are outlined
    EXPECT_EQ(swatches.back().mColor, std::vector<double>({0, 1, 0, 1}));
    EXPECT_NEAR(bands[0].mBottom + bands[0].mTop, swatches.back().mBottom + swatches.back().mTop, 1e-3);
    EXPECT_NEAR(bands[0].mRight - bands[0].mLeft, 200, 1e-3);
}

} // namespace
