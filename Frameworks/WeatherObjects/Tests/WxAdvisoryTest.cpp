#include "WxDrawTestSupport.h"

#include "DxAdvisoryArchive.h"

#include "CxData.h"
#include "CxDate.h"
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

// A filled zone, a dark zone, a free light polygon, a free dark one, a disabled kind and a missing one; the first
// ends with none given (its expire time stands in), the free light one on the next day, the others on the map's day.
const char* const kDay = "2026-07-04 22:30:00 UTC";
const std::vector<KitAdvisoryRecord> kRecords = {
    {"FFW", "TXZ001", -106, 29, -100, 35, "1970-01-01 00:00:00 UTC", "2026-07-04 20:00:00 UTC"},
    {"SVR", "TXZ002", -96, 36, -92, 40, kDay},
    {"TOR", "polygon", -103, 32, -97, 38, "2026-07-05 14:00:00 UTC"},
    {"SVR", "polygon", -96, 28, -92, 32, kDay},
    {"WSA", "polygon", -108, 38, -105, 41, kDay},
    {"XXX", "polygon", -92, 26, -89, 28, kDay}};

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
        dxtest::WriteAdvisoryArchive(mHome.Path() + "/zones.wxshp", {{"TXZ001", KitAdvisoryRing(kRecords[0])},
                                                                     {"TXZ002", KitAdvisoryRing(kRecords[1])}});
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
    // With repeats: the first zone again with its kind, then with another kind.
    DxShape* Frame(const GxProjection& inProjection, bool inRepeats = false)
    {
        std::vector<KitAdvisoryRecord> records = kRecords;
        if (inRepeats)
            records.insert(records.begin() + 2,
                           {{"FFW", "TXZ001", 0, 0, 0, 0, kDay}, {"TOR", "TXZ001", 0, 0, 0, 0, kDay}});
        return KitAdvisoryFrame(inProjection, records, mHome.Path() + "/zones.wxshp");
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
        std::string mWritten; // the one custom written, if any
    } rows[] = {
        {"", "FFW TOR SVR WSA ", ""},
        {kWsaOff, "FFW TOR SVR ", R"(id="WSA" color="#FF00FFFF" enabled="false" filled="true")"},
        // Not in the list: nothing to enable until the list holds it.
        {R"(<customAdvisory id="NEW" color="#123456FF" enabled="true" filled="true"/>)", "FFW TOR SVR WSA ",
         R"(id="NEW" color="#123456FF" enabled="true" filled="true")"},
        {R"(<customAdvisory id="FFW" color="#FF0000FF" enabled="true" filled="true"/>)"
         R"(<customAdvisory id="FFW" color="#0000FFFF" enabled="false" filled="false"/>)",
         "TOR SVR WSA ", R"(id="FFW" color="#0000FFFF" enabled="false" filled="false")"},
        // A document's custom has no name, so it never equals the set's entry and is always written.
        {R"(<customAdvisory id="TOR" color="#FFFF00FF" enabled="true" filled="false"/>)", "FFW TOR SVR WSA ",
         R"(id="TOR" color="#FFFF00FF" enabled="true" filled="false")"},
    };
    for (const auto& row : rows)
    {
        WxAdvisory* advisory = Make(row.mCustoms);
        EXPECT_EQ(Joined(advisory->GetAdvisoryClientIds()), row.mIds) << row.mCustoms;
        // Read, drawn, written, then read and written again.
        const std::unique_ptr<WxMap> map = KitMap("<map>" + kHead + row.mCustoms + "</advisory></map>");
        KitSetProjection(*map, GxFlatProjection(), -110, 25, -90, 45);
        auto& read = static_cast<WxAdvisory&>(**map->ProductBegin());
        Inject(read, Frame(*map->Projection()));
        EXPECT_FALSE(Feedback(read, At(-100, 35), 4.0).empty());
        const std::string first = WriteDocument(*map);
        EXPECT_EQ(RoundTrip(first).mFirst, first);
        std::size_t count = 0;
        for (std::size_t at = 0; (at = first.find("<customAdvisory ", at)) != std::string::npos; ++at)
            ++count;
        EXPECT_EQ(count, row.mWritten.empty() ? 0u : 1u) << first;
        EXPECT_NE(first.find(row.mWritten), std::string::npos) << first;
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
    // Filled green; the dark zone without halo; light outline on black; dark outline on white; WSA off; XXX black.
    for (int pass = 0; pass < 2; ++pass) // the second replays the compiled list
        EXPECT_EQ(Runs(Feedback(*advisory, At(-100, 35), 4.0), 0.5), "P010 L100 L000 L110 L111 L100 P000 ");
    const GxPoint low = At(-108, 26), high = At(-90, 41); // XXX cut at the projection's east edge
    EXPECT_EQ(advisory->Bounds(), GxRect(low.mX, low.mY, high.mX, high.mY));
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

// A set not known yet is made as an advisory set; a frame arriving with no set, or one of another kind, changes
// nothing.
TEST_F(AdvisoryTest, UnknownSetsAreAdvisorySetsAndFramesWithoutOneAreSurvived)
{
    auto* fresh = static_cast<WxAdvisory*>(WxAdvisory::Make(
        &mMap, KitElement(mParser, R"(<advisory visible="true" alpha="1" dataset="fresh" width="1.0"/>)")));
    ASSERT_NE(fresh->Set(), nullptr);
    EXPECT_EQ(fresh->Set()->Kind(), kDxManagerAdvisory);
    for (DxSet* set : {KitSet(CxString("plain"), 1, 0, {}), static_cast<DxSet*>(nullptr)})
    {
        WxAdvisory* advisory = Make("");
        advisory->SetSet(set);
        const CxString name = advisory->Name();
        Inject(*advisory, Frame(*mMap.Projection()));
        EXPECT_EQ(advisory->Name(), name);
    }
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
    // FFW, the fifth row of 18 px from the top, lies under the mouse: its band runs from 2 px below it to 16 above.
    legend->SetTrackPosition(GxPosition().FromDegrees(-105, 30));
    const auto all = Inspect(*legend, CxRect(0, 0, 200, 100));
    const auto bands = DrawTest::At(gxtest::Quads(all), 0, 8, 200, 26), swatches = Swatches(all);
    ASSERT_EQ(bands.size(), 1u);
    EXPECT_NEAR(bands[0].mColor[2], GxSystemHiliteColor().mBlue, 0.01);
    EXPECT_NEAR(bands[0].mColor[3], 0.8, 0.01);
    ASSERT_EQ(swatches.size(), 3u); // TOR and SVR are outlined
    EXPECT_EQ(swatches.back().mColor, std::vector<double>({0, 1, 0, 1}));
}

TEST(AdvisoryBalloon, StaysInsideTheViewportAndPointsFromTheNearestSide)
{
    // Lines 80 and 100 px wide, 10 and 9 high: a box 124 wide, rows of 25, in a viewport at (100, 50).
    const std::vector<GxPoint> sizes = {{80, 10}, {100, 9}};
    const struct
    {
        GxPoint mAnchor;
        GxRect mBox;
        WxPointerSide mSide;
    } rows[] = {
        {{300.5, 200.5}, {238, 163, 362, 188}, kWxPointerTop}, // centred, 12 px below
        {{495, 200}, {366, 163, 490, 188}, kWxPointerTop},     // right edge
        {{105, 200}, {110, 163, 234, 188}, kWxPointerTop},     // left edge
        {{300, 70}, {238, 60, 362, 85}, kWxPointerNone},       // moved up over the point
        {{300, 40}, {238, 60, 362, 85}, kWxPointerBottom},     // below the moved box
        {{105, 70}, {110, 60, 234, 85}, kWxPointerLeft},       // bottom-left corner
        {{495, 70}, {366, 60, 490, 85}, kWxPointerRight},      // bottom-right corner
    };
    for (const auto& row : rows)
    {
        const WxAdvisoryBalloon b = WxLayoutAdvisoryBalloon(sizes, row.mAnchor, {100, 50, 400, 300});
        EXPECT_EQ(b.mBox, row.mBox) << row.mAnchor.mX << " " << row.mAnchor.mY;
        EXPECT_EQ(b.mSide, row.mSide) << row.mAnchor.mX << " " << row.mAnchor.mY;
        EXPECT_EQ(b.mRowHeight, 25);
        EXPECT_EQ(b.mBaseB.mX - b.mBaseA.mX, row.mSide == kWxPointerTop || row.mSide == kWxPointerBottom ? 12 : 0);
        EXPECT_EQ(b.mTip, GxPoint(std::floor(row.mAnchor.mX), std::floor(row.mAnchor.mY)));
    }
}

TEST_F(AdvisoryTest, PopupListsEachAdvisoryUnderTheMouseOnceWithItsEndInTheLocalZone)
{
    mMap.SetDate(CxDate(CxString("2026-07-04 17:00:00 UTC")));
    mMap.SetTrackingPosition(GxPosition().FromDegrees(-101.5, 33.5));
    WxAdvisory* advisory = Make("");
    Inject(*advisory, Frame(*mMap.Projection(), true));
    std::unique_ptr<WxAdvisoryPopup> popup(static_cast<WxAdvisoryPopup*>(advisory->CreatePopup()));
    const struct
    {
        const char* mZone;
        std::vector<std::string> mLines;
    } rows[] = {
        {"America/Chicago",
         {"until 3:00 PM CDT", "Flash Flood Warning", "until 5:30 PM CDT", "Tornado Warning",
          "until 9:00 AM CDT 7/5/26", "Tornado Warning"}},
        {"UTC",
         {"until 8:00 PM UTC", "Flash Flood Warning", "until 10:30 PM UTC", "Tornado Warning",
          "until 2:00 PM UTC 7/5/26", "Tornado Warning"}},
    };
    KitOrthoView(At(-100, 35), 4.0);
    for (const auto& row : rows)
    {
        KitClock clock(CxDate(CxString("2026-07-04 17:00:00 UTC")), row.mZone);
        popup->Draw(*mContext);
        std::vector<std::string> lines;
        for (const CxString& line : popup->Lines())
            lines.push_back(line.AsUtf8());
        EXPECT_EQ(lines, row.mLines) << row.mZone;
    }
    EXPECT_TRUE(popup->ShouldInvalidate());
    // Each line is drawn as text.
    std::size_t texts = 0;
    for (const gxtest::Quad& q : gxtest::Quads(gxtest::CaptureFeedback([&] { popup->Draw(*mContext); })))
        texts += q.mSRight > q.mSLeft;
    EXPECT_GE(texts, popup->Lines().size());

    // The balloon over the overlap: the filled kind inside its polygon, the balloon's paper away from the text.
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    advisory->DrawProduct(*mContext);
    popup->Draw(*mContext);
    Snapshot("advisories", "wx11_");
    // FFW twice at alpha 0.5 over white (its zone is listed twice); the balloon hangs below the tip.
    const GxPoint green = ToWindow(At(-105, 30), At(-100, 35), 4.0),
                  tip = ToWindow(At(-101.5, 33.5), At(-100, 35), 4.0);
    ExpectPixel(int(green.mX), int(green.mY), GxColor(0.25, 1, 0.25, 1));
    ExpectPixel(int(tip.mX), int(tip.mY) - 14, GxColor(1, 1, 0.9, 1));
}

} // namespace
