// The inspector panels: the text lines gathered from each kind of product and series, their drawing into a
// legend-column-sized context, and their life on the map's and graph's messages.
#include "VaneInspectors.h"

#include "CxFile.h"
#include "DxAdvisoryArchive.h"
#include "DxFrame.h"
#include "DxImage.h"
#include "DxNidsClient.h"
#include "DxNidsLevelThree.h"
#include "DxSet.h"
#include "DxShape.h"
#include "GxGLContext.h"
#include "GxProjection.h"
#include "GxString.h"
#include "TestSupport.h"
#include "WeatherTestKit.h"
#include "WxGraph.h"
#include "WxMap.h"
#include "WxParser.h"
#include "WxProductTable.h"
#include "WxRadar.h"
#include "WxSeriesClient.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace
{

using namespace wxkit;

constexpr int kWidth = 175;
constexpr int kHeight = 400;
const CxDate kDate(CxString("2009-07-04 17:00:00 UTC"));
const GxPosition kBerlin = GxPosition().FromDegrees(13.4, 52.5);

const std::string kStationParms = R"(<parm id="lat" type="float" units="degr"/>)"
                                  R"(<parm id="lon" type="float" units="degr"/>)"
                                  R"(<parm id="pres" name="pressure" type="float" units="mbar"/>)";

std::vector<std::string> Texts(const CxStringList& inLines)
{
    std::vector<std::string> texts;
    for (const CxString& line : inLines)
        texts.push_back(line.AsUtf8());
    return texts;
}

// A radar frame: the coverage pattern (none when negative) and the product's begin and end times (none when empty),
// with the levels' unit and a palette long enough for the legend's ramp.
DxIndexedImage* RadarFrame(CxSint32 inVcp, const std::vector<CxSint32>& inTimes)
{
    GxColorTable palette;
    palette.clear();
    for (int i = 0; i < 17; ++i)
        palette.push_back(GxColor(i / 16.0, 1.0 - i / 16.0, 0.0, 1.0));
    DxIndexedImage* image =
        KitImage(kDate, 2, 2, GxPoint(0, 0), GxPoint(1, 1), std::vector<CxUint8>{0, 1, 1, 0}, palette);
    if (inVcp >= 0)
        image->NewIntField(CxString("vcp"))->assign({inVcp});
    if (!inTimes.empty())
        image->NewIntField(CxString("productTimes"))->assign(inTimes.begin(), inTimes.end());
    image->NewFloatField(CxString("units"))->SetUnit(DxUnit(CxString("dBZ")));
    image->NewFloatField(CxString("tracking"));
    return image;
}

// A closed ring of four points and an open line of two, in radians.
DxShape* ShapeFrame()
{
    auto* frame = new DxShape(GxRadianProjection());
    frame->SetDate(kDate);
    frame->BeginData();
    for (const std::vector<GxPoint>& polygon : {std::vector<GxPoint>{{0.2, 0.9}, {0.25, 0.9}, {0.25, 0.95}, {0.2, 0.9}},
                                                std::vector<GxPoint>{{0.2, 0.9}, {0.3, 0.95}}})
    {
        frame->AcceptVertex(false);
        for (const GxPoint& point : polygon)
            frame->AcceptPoint(point);
    }
    frame->EndData();
    return frame;
}

// A radar client that is not the radar product, and answers attributes anyway.
class OtherRadar : public WxProduct, public DxNidsClient
{
public:
    explicit OtherRadar(WxMap* inMap) : WxProduct(inMap) { SetName(CxString("Other")); }
    ~OtherRadar() override { Detach(); }

protected:
    bool OnGetAttributesFromPosition(const GxPosition&, CxStringList& outNames, CxStringList& outValues) const override
    {
        outNames.push_back(CxString("radarRange"));
        outValues.push_back(CxString("9mi"));
        return true;
    }
};

// A legend that counts its draws and leaves a text in its cache each time, as text-drawing legends do.
class CountingLegend : public WxProductInspector
{
public:
    CountingLegend(WxProduct* inProduct, int& ioDraws) : WxProductInspector(inProduct), mDraws(ioDraws) {}
    void OnDraw(GxContext& ioContext, const CxRect&) override
    {
        ++mDraws;
        GxFont font(CxUint32(0), 8);
        auto* text = new GxString(CxString("legend"), &font);
        text->Texture(ioContext);
        mGxStrings.push_back(text);
        sLastCacheSize = mGxStrings.size();
    }
    static std::size_t sLastCacheSize;
    const std::vector<GxString*>& Cache() const { return mGxStrings; }

private:
    int& mDraws;
};
std::size_t CountingLegend::sLastCacheSize = 0;

class CountedProduct : public KitProduct
{
public:
    CountedProduct(WxMap* inMap, int& ioDraws) : KitProduct(inMap), mDraws(ioDraws) {}
    CountingLegend* mLast = nullptr;

protected:
    WxInspector* OnCreateLegend() override { return mLast = new CountingLegend(this, mDraws); }

private:
    int& mDraws;
};

class PanelTest : public KitTest
{
protected:
    void SetUp() override
    {
        KitTest::SetUp();
        WxRegisterProducts();
        mContext =
            std::make_unique<GxAGLContext>(nullptr, CxRect(0, 0, kWidth, kHeight), CxRect(0, 0, kWidth, kHeight));
        ASSERT_TRUE(mContext->IsValid()) << "no headless OpenGL context (Mesa surfaceless EGL)";
        mContext->MakeCurrent();
    }

    // Panels go first, with the context current, then the products leave their sets.
    void TearDown() override
    {
        if (mContext != nullptr)
            mContext->MakeCurrent();
        mPanel.reset();
        mSeriesPanel.reset();
        mMap.reset();
        mGraph.reset();
        mContext.reset();
        KitTest::TearDown();
    }

    // The first product of a map of the body.
    template <typename T> T* Make(const std::string& inBody, const std::string& inColor = "#FFFFFFFF")
    {
        mMap = KitMap("<map color=\"" + inColor + "\">" + inBody + "</map>");
        if (mMap == nullptr || mMap->ProductBegin() == mMap->ProductEnd())
            return nullptr;
        return dynamic_cast<T*>(*mMap->ProductBegin());
    }

    static DxSet* StationSet()
    {
        return KitManagedSet(
            CxString("sfc"), 1,
            {{"config.xml", KitInfoDocument("datasetconfig", R"(<property id="name" value="Surface Stations"/>)")},
             {"parminfo.xml", KitInfoDocument("parminfo", kStationParms)}});
    }

    static DxSet* RadarSet()
    {
        return KitManagedSet(
            CxString("nexrad"), kDxManagerNids,
            {{"config.xml", KitInfoDocument("datasetconfig", R"(<property id="name" value="Level III"/>)")},
             {"siteinfo.xml", KitInfoDocument("siteinfo", R"(<table><fieldref id="stid" type="string"/>)"
                                                          R"(<fieldref id="name" type="string"/>)"
                                                          R"(<record>"KBMX", "Birmingham"</record></table>)")}});
    }

    // An image set whose first level offers the given sites.
    static DxSet* ImageSet(const std::string& inId, const std::string& inSites)
    {
        return KitManagedSet(
            CxString(inId.c_str()), kDxManagerImage,
            {{"config.xml", KitInfoDocument("datasetconfig", R"(<property id="name" value="Satellite"/>)")},
             {"datainfo.xml", KitInfoDocument("datainfo", R"(<category id="site" name="Site">)" + inSites +
                                                              R"(</category><category id="channel" name="Channel">)"
                                                              R"(<item id="vis" name="visible"/></category>)")}});
    }

    // Two stations, Berlin and Paris, with names and pressures.
    static DxTable* Stations(double inBerlin = 1013.25, const char* inPressureField = "pres:mbar")
    {
        return KitTable(
            kDate, {{"name", {"Berlin", "Paris"}}},
            {{"lat:degr", {52.5, 48.9}}, {"lon:degr", {13.4, 2.35}}, {inPressureField, {inBerlin, 1008.0}}});
    }

    std::vector<std::string> Fields(WxProduct* inProduct)
    {
        VaneProductInspector panel;
        panel.SetTrackPosition(kBerlin);
        panel.GetFieldsFromProduct(inProduct);
        return Texts(panel.Labels());
    }

    // Fills the context with the colour, then draws the panel as the map instance does, over the whole context.
    void DrawPanel(VaneProductInspector& ioPanel, const GxColor& inBackground, const CxRect& inRect)
    {
        mContext->MakeCurrent();
        glViewport(0, 0, kWidth, kHeight);
        glClearColor(float(inBackground.mRed), float(inBackground.mGreen), float(inBackground.mBlue), 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        mContext->Begin2D();
        glTranslated(0.375, kHeight - inRect.bottom + 0.375, 0.0);
        ioPanel.Draw(*mContext, inRect);
        mContext->End2D();
        glFinish();
    }

    static std::vector<GLubyte> ReadWindow()
    {
        std::vector<GLubyte> pixels(std::size_t(kWidth) * kHeight * 4);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }

    // Pixels of the window rows [inBottom, inTop) and columns [inLeft, inRight) that differ from the background.
    static int Ink(const std::vector<GLubyte>& inPixels, const GxColor& inBackground, int inLeft, int inBottom,
                   int inRight, int inTop)
    {
        const int want[3] = {int(inBackground.mRed * 255 + 0.5), int(inBackground.mGreen * 255 + 0.5),
                             int(inBackground.mBlue * 255 + 0.5)};
        int ink = 0;
        for (int y = std::max(0, inBottom); y < std::min(kHeight, inTop); ++y)
            for (int x = std::max(0, inLeft); x < std::min(kWidth, inRight); ++x)
            {
                const GLubyte* p = &inPixels[(std::size_t(y) * kWidth + x) * 4];
                ink += std::abs(p[0] - want[0]) + std::abs(p[1] - want[1]) + std::abs(p[2] - want[2]) > 24;
            }
        return ink;
    }

    // app3_<kind>.png in the build tree's snapshots folder.
    void Snapshot(const std::string& inKind)
    {
        std::filesystem::create_directories(APP3_SNAPSHOT_DIR);
        const std::string path = std::string(APP3_SNAPSHOT_DIR) + "/app3_" + inKind + ".png";
        std::ofstream(path).close();
        CxFile file(CxString::FromUtf8(path), false);
        mContext->Export(CxString("image/png"), file, nullptr);
    }

    std::unique_ptr<GxAGLContext> mContext;
    std::unique_ptr<WxMap> mMap;
    std::unique_ptr<WxGraph> mGraph;
    std::unique_ptr<VaneProductInspector> mPanel;
    std::unique_ptr<VaneSeriesInspector> mSeriesPanel;
};

// ---- the text lines

// The value under the mouse is found through the parameter's key as products name it, then the bare id, then the
// id before a unit of the frame's own; the site by "name"; NaN shows no value.
TEST_F(PanelTest, ObservationLinesFindTheValueThroughTheKey)
{
    StationSet();
    const struct
    {
        const char* mField;
        double mBerlin;
        std::vector<std::string> mLines;
    } kCases[] = {
        {"pres:mbar",
         1013.25,
         {"Value: 1013.250mb", "Berlin", "Surface Stations", "Pressure (mb)", "after", "2 sites"}},
        {"pres", 1001.5, {"Value: 1001.500mb", "Berlin", "Surface Stations", "Pressure (mb)", "after", "2 sites"}},
        {"pres:kpas", 101.3, {"Value: 101.300mb", "Berlin", "Surface Stations", "Pressure (mb)", "after", "2 sites"}},
        {"pres:mbar", NAN, {"", "Berlin", "Surface Stations", "Pressure (mb)", "after", "2 sites"}},
        // No field of the parameter: no value, and none to count.
        {"temp:cels", 20.0, {"Value: mb", "Berlin", "Surface Stations", "Pressure (mb)", "after", "0 sites"}},
    };
    for (const auto& c : kCases)
    {
        SCOPED_TRACE(c.mField);
        auto* obs = Make<WxProduct>(R"(<obs visible="true" dataset="sfc" parm="pres" units="mbar"/>)");
        ASSERT_NE(dynamic_cast<DxObsClient*>(obs), nullptr);
        Inject(*dynamic_cast<DxClient*>(obs), Stations(c.mBerlin, c.mField));
        obs->SetStatus(CxString("after"));
        EXPECT_EQ(Fields(obs), c.mLines);
    }
}

// The site count falls back to the parameter's string field when no float field holds it, and only to a string
// field: a parameter held as strings counts its sites, one held as integers none.
TEST_F(PanelTest, TheSiteCountFallsBackToTheParametersStringFieldOnly)
{
    StationSet();
    const struct
    {
        const char* mField;
        bool mStrings; // else integers
        const char* mCount;
    } kCases[] = {
        {"pres", true, "2 sites"},
        {"pres:mbar", true, "2 sites"},
        {"pres", false, "0 sites"},
        {"pres:mbar", false, "0 sites"},
    };
    for (const auto& c : kCases)
    {
        SCOPED_TRACE(std::string(c.mField) + (c.mStrings ? " as strings" : " as integers"));
        auto* obs = Make<WxProduct>(R"(<obs visible="true" dataset="sfc" parm="pres" units="mbar"/>)");
        ASSERT_NE(dynamic_cast<DxObsClient*>(obs), nullptr);
        KitStrings strings = {{"name", {"Berlin", "Paris"}}};
        if (c.mStrings)
            strings.push_back({c.mField, {"1013.25", "1008"}});
        DxTable* table = KitTable(kDate, strings, {{"lat:degr", {52.5, 48.9}}, {"lon:degr", {13.4, 2.35}}});
        if (!c.mStrings)
            table->NewIntField(CxString(c.mField))->assign({1013, 1008});
        Inject(*dynamic_cast<DxClient*>(obs), table);
        const std::vector<std::string> lines = Fields(obs);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), c.mCount);
    }
}

// A symbol asks for no parameter: "lat" stands in for the value and the count, and the title has no unit; a vector
// shows its vector parameter's unit; a grid shows its size and no site; a set without a manager falls back.
TEST_F(PanelTest, ObservationLinesOfSymbolsVectorsAndGrids)
{
    StationSet();
    KitWindSet(CxString("wind"));

    auto* symbol = Make<WxProduct>(R"(<symbol visible="true" dataset="sfc" symbol="diamond" size="8"/>)");
    ASSERT_NE(symbol, nullptr);
    Inject(*dynamic_cast<DxClient*>(symbol), Stations());
    symbol->SetName(CxString("Stations"));
    symbol->SetStatus(CxString("now"));
    EXPECT_EQ(Fields(symbol),
              (std::vector<std::string>{"Value: 52.500", "Berlin", "Surface Stations", "Stations", "now", "2 sites"}));

    auto* vector = Make<WxProduct>(
        R"(<vector visible="true" dataset="wind" parm="wind" units="kmph" grid="false" arrows="true"/>)");
    ASSERT_NE(vector, nullptr);
    vector->SetName(CxString("Wind"));
    vector->SetStatus(CxString("now"));
    // Without a frame: no site line and no count.
    EXPECT_EQ(Fields(vector), (std::vector<std::string>{"", "wind", "Wind (km/h)", "now", ""}));

    auto* gradient = Make<WxProduct>(R"(<gradient visible="true" dataset="sfc" parm="pres" units="mbar"/>)");
    ASSERT_NE(gradient, nullptr);
    Inject(*dynamic_cast<DxClient*>(gradient), KitGrid(kDate, 7, 3, GxPoint(0, 40), GxPoint(1, 1), "pres:mbar",
                                                       [](CxSint32 i, CxSint32) { return 1000.0 + i; }));
    gradient->SetName(CxString("Pressure"));
    gradient->SetStatus(CxString("now"));
    const auto grid = Fields(gradient);
    ASSERT_EQ(grid.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(grid.begin() + 1, grid.end()),
              (std::vector<std::string>{"Surface Stations", "Pressure (mb)", "now", "7 x 3 grid"}));
}

// Shapes count the points of their frame, none without one.
TEST_F(PanelTest, ShapeLinesCountTheFramesPoints)
{
    KitShapeSet(CxString("states"), false);
    auto* shape = Make<WxProduct>(R"(<shape visible="true" dataset="states" region="us" feature="states"/>)");
    ASSERT_NE(shape, nullptr);
    shape->SetName(CxString("States"));
    shape->SetStatus(CxString("here"));
    EXPECT_EQ(Fields(shape), (std::vector<std::string>{"states", "States", "here", "0 points"}));

    Inject(*dynamic_cast<DxClient*>(shape), ShapeFrame());
    EXPECT_EQ(Fields(shape).back(), "6 points");
}

// Radar: the listed site's name, the coverage pattern and its mode, the product's times in the local zone, the
// attribute line only for the radar product itself.
TEST_F(PanelTest, RadarLinesModeTimesAndAttributes)
{
    RadarSet();
    const std::vector<CxSint32> times = {2009, 7, 4, 17, 6, 0, 2009, 7, 4, 17, 11, 0};
    const struct
    {
        const char* mTz;
        CxSint32 mVcp;
        std::vector<CxSint32> mTimes;
        std::vector<std::string> mLines;
    } kCases[] = {
        {"UTC",
         12,
         times,
         {"Level III", "Birmingham N0R", "now", "VCP:12 Precipitation Mode", "Begin: Jul 4, 2009 5:06 PM",
          "End: Jul 4, 2009 5:11 PM"}},
        {"America/New_York",
         31,
         times,
         {"Level III", "Birmingham N0R", "now", "VCP:31 Clear Air Mode", "Begin: Jul 4, 2009 1:06 PM",
          "End: Jul 4, 2009 1:11 PM"}},
        {"Asia/Tokyo",
         32,
         times,
         {"Level III", "Birmingham N0R", "now", "VCP:32 Clear Air Mode", "Begin: Jul 5, 2009 2:06 AM",
          "End: Jul 5, 2009 2:11 AM"}},
        {"UTC", -1, {}, {"Level III", "Birmingham N0R", "now", "VCP: Precipitation Mode"}},
    };
    for (const auto& c : kCases)
    {
        SCOPED_TRACE(std::string(c.mTz) + " " + std::to_string(c.mVcp));
        sky::test::ScopedTz tz(c.mTz);
        auto* radar = Make<WxRadar>(R"(<radar visible="true" dataset="nexrad" site="KBMX" product="N0R"/>)");
        ASSERT_NE(radar, nullptr);
        Inject(*radar, RadarFrame(c.mVcp, c.mTimes));
        radar->SetStatus(CxString("now"));
        EXPECT_EQ(Fields(radar), c.mLines);
    }

    // Without a radar manager: the site's id and the fallback set name; another radar client has no attribute line.
    mMap = KitMap("<map/>");
    auto* other = new OtherRadar(mMap.get());
    other->SetSite(DxNidsSite(CxString("KXYZ"), CxString()));
    other->SetProduct(DxNidsProduct(CxString("N0Q"), CxString(), CxString(), DxUnit()));
    EXPECT_EQ(Fields(other), (std::vector<std::string>{"Radar Data", "KXYZ N0Q", "", "VCP: Precipitation Mode"}));
}

// A real sweep: the radar product answers range and beam height, shown under their localised names on one line.
TEST_F(PanelTest, RadarAttributeLineOverARealSweep)
{
    SKY_NEED_TESTDATA_FILE(path, "nexrad3/KBMX_SDUS54_N0RBMX_201501020205");
    std::ifstream in(path, std::ios::binary);
    const std::vector<CxUint8> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    NidsLevelThreeParser parser;
    DxIndexedImage* image = parser.Parse(bytes.data(), bytes.size(), {}, {});
    ASSERT_NE(image, nullptr);
    auto* radar = Make<WxRadar>(R"(<radar visible="true" site="KBMX" product="N0R"/>)");
    ASSERT_NE(radar, nullptr);
    mMap->SetProjection(*image->Projection());
    const GxPosition at = image->Projection()->Unproject(GxPoint(60.0, 0.0));
    Inject(*radar, image);
    CxStringList names, values;
    ASSERT_TRUE(radar->GetAttributesFromPosition(at, names, values));
    ASSERT_EQ(values.size(), 2u);
    VaneProductInspector panel;
    panel.SetTrackPosition(at);
    panel.GetFieldsFromProduct(radar);
    const std::string want = "Range: " + values.front().AsUtf8() + " Beam Height: " + values.back().AsUtf8() + " ";
    EXPECT_EQ(Texts(panel.Labels()).back(), want);
    EXPECT_EQ(values.front().AsUtf8(), "37mi"); // 60 km
}

// Images: with one site offered the capitalised channel name alone, with more the site's name before it.
TEST_F(PanelTest, ImageTitlesByTheFirstLevelsItems)
{
    ImageSet("one", R"(<item id="pit" name="Pittsburgh"/>)");
    ImageSet("two", R"(<item id="pit" name="Pittsburgh"/><item id="clt" name="Charlotte"/>)");
    for (const auto& [set, title] : {std::pair{"one", "Visible"}, {"two", "Pittsburgh visible"}})
    {
        auto* image =
            Make<WxProduct>(std::string(R"(<image visible="true" dataset=")") + set + R"(" cat1="pit" cat2="vis"/>)");
        ASSERT_NE(image, nullptr);
        image->SetStatus(CxString("then"));
        EXPECT_EQ(Fields(image), (std::vector<std::string>{"Satellite", title, "then"})) << set;
    }
}

// Distances: both ends in the track position's format; advisories and gridlines give no lines.
TEST_F(PanelTest, DistanceEndsAndKindsWithoutLines)
{
    auto* distance = Make<WxProduct>(R"(<distance visible="true" startLat="33.5" startLon="-86.8" endLat="-40.75" )"
                                     R"(endLon="174.25" unit="km" alpha="1"/>)");
    ASSERT_NE(distance, nullptr);
    distance->SetName(CxString("Distance"));
    EXPECT_EQ(Fields(distance), (std::vector<std::string>{"Distance", "From: 33.500° N, 86.800° W",
                                                          "To: 40.750° S, 174.250° E", distance->Status().AsUtf8()}));

    EXPECT_TRUE(Fields(Make<WxProduct>(R"(<gridlines visible="true"/>)")).empty());
    KitManagedSet(CxString("adv"), kDxManagerAdvisory,
                  {{"config.xml", KitInfoDocument("datasetconfig", R"(<property id="name" value="Warnings"/>)")}});
    auto* advisory = Make<WxProduct>(R"(<advisory visible="true" dataset="adv"/>)");
    ASSERT_NE(advisory, nullptr);
    EXPECT_TRUE(Fields(advisory).empty());
}

// Series: the set, the title with the parameter's unit, the status and a blank row; other series give nothing.
TEST_F(PanelTest, SeriesLinesEndInABlankRow)
{
    KitManagedSet(
        CxString("kts"), kDxManagerKts,
        {{"config.xml", KitInfoDocument("datasetconfig", R"(<property id="name" value="Buoys"/><property id="type" )"
                                                         R"(value="kts"/>)")},
         {"parminfo.xml",
          KitInfoDocument("parminfo", R"(<parm id="pres" name="pressure" type="float" units="mbar"/>)")}});
    mGraph = KitGraph("<graph/>");
    ASSERT_NE(mGraph, nullptr);
    std::unique_ptr<WxParser> parser;
    for (const auto& [element, lines] :
         {std::pair{R"(<series visible="true" dataset="kts" parm="pres" unit="mbar" site="b1" name="Pressure"/>)",
                    std::vector<std::string>{"Buoys", "Pressure (mb)", "now", ""}},
          {R"(<series visible="true" site="b1" name="Bare"/>)",
           std::vector<std::string>{"Weather Data", "Bare", "now", ""}}})
    {
        auto* series = new WxSeriesClient(mGraph.get());
        series->Internalize(KitElement(parser, element));
        series->SetName(CxString(series->Name().Length() != 0 ? series->Name() : CxString("Bare")));
        series->SetStatus(CxString("now"));
        VaneSeriesInspector panel;
        panel.GetFieldsFromSeries(series);
        EXPECT_EQ(Texts(panel.Labels()), lines) << element;
    }
    VaneSeriesInspector panel;
    panel.GetFieldsFromSeries(new KitSeries(mGraph.get()));
    EXPECT_TRUE(panel.Labels().empty());
}

// ---- drawing

// Every kind: ink in each non-empty line's 12 px band from 2 px above the bottom, and in the legend area for kinds
// with a legend of their own; a shape fill has no legend, so its panel draws nothing.
TEST_F(PanelTest, EveryKindDrawsItsLinesAndItsLegend)
{
    StationSet();
    KitWindSet(CxString("wind"));
    KitShapeSet(CxString("states"), false);
    RadarSet();
    ImageSet("sat", R"(<item id="pit" name="Pittsburgh"/>)");
    KitManagedSet(CxString("adv"), kDxManagerAdvisory,
                  {{"config.xml", KitInfoDocument("datasetconfig", R"(<property id="name" value="Warnings"/>)")},
                   {"prodinfo.xml", KitInfoDocument("productInfo", R"(<product id="TOR" name="Tornado Warning" )"
                                                                   R"(color="#FFFF00FF"/>)")}});
    const auto grid = [](WxProduct* inProduct)
    {
        Inject(*dynamic_cast<DxClient*>(inProduct),
               KitGrid(kDate, 8, 6, GxPoint(8, 48), GxPoint(1, 1), "pres:mbar",
                       [](CxSint32 i, CxSint32 j) { return 990.0 + 3.0 * i + j; }));
    };
    const struct
    {
        const char* mKind;
        std::string mElement;
        std::function<void(WxProduct*)> mFeed;
        bool mOwnLegend;
    } kKinds[] = {
        {"obs", R"(<obs visible="true" dataset="sfc" parm="pres" units="mbar"/>)",
         [](WxProduct* p) { Inject(*dynamic_cast<DxClient*>(p), Stations()); }, true},
        {"symbol", R"(<symbol visible="true" dataset="sfc" symbol="diamond" size="8"/>)",
         [](WxProduct* p) { Inject(*dynamic_cast<DxClient*>(p), Stations()); }, false},
        {"vector", R"(<vector visible="true" dataset="wind" parm="wind" units="kmph" grid="false"/>)", nullptr, true},
        {"gradient", R"(<gradient visible="true" dataset="sfc" parm="pres" units="mbar"/>)", grid, true},
        {"contour", R"(<contour visible="true" dataset="sfc" parm="pres" units="mbar"/>)", grid, true},
        {"shape", R"(<shape visible="true" dataset="states" region="us" feature="states" color="#FF0000FF"/>)",
         [](WxProduct* p) { Inject(*dynamic_cast<DxClient*>(p), ShapeFrame()); }, true},
        {"radar", R"(<radar visible="true" dataset="nexrad" site="KBMX" product="N0R"/>)",
         [](WxProduct* p) {
             Inject(*dynamic_cast<DxClient*>(p), RadarFrame(12, {2009, 7, 4, 17, 6, 0, 2009, 7, 4, 17, 11, 0}));
         },
         true},
        {"image", R"(<image visible="true" dataset="sat" cat1="pit" cat2="vis"/>)",
         [](WxProduct* p)
         {
             DxIndexedImage* image =
                 KitImage(kDate, 2, 2, GxPoint(0, 0), GxPoint(1, 1), std::vector<CxUint8>{0, 1, 1, 0});
             image->NewStringField(CxString("legendKey"))->assign({CxString("#FF0000FF"), CxString("#0000FFFF")});
             image->NewStringField(CxString("legendValue"))->assign({CxString("Bright"), CxString("Dark")});
             Inject(*dynamic_cast<DxClient*>(p), image);
         },
         true},
        {"distance",
         R"(<distance visible="true" startLat="52.5" startLon="13.4" endLat="48.9" endLon="2.35" unit="km"/>)", nullptr,
         false},
        {"advisory", R"(<advisory visible="true" dataset="adv" width="1.0"/>)",
         [this](WxProduct* p)
         {
             const KitAdvisoryRecord zone{"TOR", "TXZ001", 10, 50, 14, 54, "2009-07-04 22:00:00 UTC"};
             const std::string archive = mHome.Path() + "/zones.wxshp";
             dxtest::WriteAdvisoryArchive(archive, {{"TXZ001", KitAdvisoryRing(zone)}});
             Inject(*dynamic_cast<DxClient*>(p), KitAdvisoryFrame(*p->Map()->Projection(), {zone}, archive));
         },
         true},
        {"gridlines", R"(<gridlines visible="true"/>)", nullptr, false},
        {"shapefill", R"(<shapefill visible="true" dataset="states" region="us" feature="states"/>)", nullptr, false},
    };
    const GxColor white(1.0, 1.0, 1.0, 1.0);
    for (const auto& k : kKinds)
    {
        SCOPED_TRACE(k.mKind);
        auto* product = Make<WxProduct>(k.mElement);
        ASSERT_NE(product, nullptr);
        if (k.mFeed)
            k.mFeed(product);
        mPanel = std::make_unique<VaneProductInspector>(product);
        mPanel->SetAlpha(1.0);
        mPanel->SetTrackPosition(kBerlin);
        DrawPanel(*mPanel, white, CxRect(0, 0, kWidth, kHeight));
        const auto pixels = ReadWindow();
        Snapshot(k.mKind);
        if (std::string(k.mKind) == "shapefill")
        {
            EXPECT_EQ(mPanel->Legend(), nullptr);
            EXPECT_EQ(Ink(pixels, white, 0, 0, kWidth, kHeight), 0);
            continue;
        }
        const auto& strings = mPanel->Strings();
        ASSERT_EQ(strings.size(), mPanel->Labels().size() + 1);
        for (std::size_t i = 0; i < strings.size(); ++i)
        {
            if (strings[i]->GetString().Length() == 0)
                continue;
            // Letters, not a solid box: ink covers part of the line's width by 12 px.
            const int ink = Ink(pixels, white, 0, 2 + 12 * int(i), kWidth, 14 + 12 * int(i));
            EXPECT_GT(ink, 0) << i << " " << strings[i]->GetString().AsUtf8();
            EXPECT_LT(ink, strings[i]->Width() * 12 * 6 / 10) << i << " " << strings[i]->GetString().AsUtf8();
        }
        const int block = 12 * int(strings.size()) + 4;
        // The legend area less the close icon's corner.
        const int legend =
            Ink(pixels, white, 0, block, kWidth, kHeight) - Ink(pixels, white, 150, 370, kWidth, kHeight);
        if (k.mOwnLegend)
            EXPECT_GT(legend, 0);
        else
            EXPECT_EQ(legend, 0);
        mPanel.reset();
    }
}

// The legend draws only with more than 30 px above the text block, and holds no texts afterwards.
TEST_F(PanelTest, LegendNeedsMoreThanThirtyPixelsAndKeepsNoTexts)
{
    mMap = KitMap("<map/>");
    int draws = 0;
    auto* product = new CountedProduct(mMap.get(), draws);
    mPanel = std::make_unique<VaneProductInspector>(product);
    // One line, the track position: a block of 16 px.
    for (const auto& [height, want] : {std::pair{16 + 30, 0}, {16 + 31, 1}, {16, 0}, {0, 0}})
    {
        draws = 0;
        CountingLegend::sLastCacheSize = 0;
        DrawPanel(*mPanel, GxColor(1.0, 1.0, 1.0, 1.0), CxRect(0, CxSint16(kHeight - height), kWidth, kHeight));
        EXPECT_EQ(draws, want) << height;
        EXPECT_EQ(CountingLegend::sLastCacheSize, std::size_t(want)) << height;
        EXPECT_TRUE(product->mLast->Cache().empty()) << height;
        EXPECT_EQ(mPanel->Strings().size(), 1u);
    }
}

// Labels are cut to the width less 10 px; the track position is not.
TEST_F(PanelTest, LabelsAreCutTheTrackLineIsNot)
{
    auto* distance = Make<WxProduct>(R"(<distance visible="true" startLat="52.5" startLon="13.4" endLat="48.9" )"
                                     R"(endLon="2.35" unit="km"/>)");
    ASSERT_NE(distance, nullptr);
    distance->SetName(CxString("A distance with a name far too long for the panel"));
    mPanel = std::make_unique<VaneProductInspector>(distance);
    mPanel->SetTrackPosition(kBerlin);
    const CxSint16 width = 70;
    DrawPanel(*mPanel, GxColor(1.0, 1.0, 1.0, 1.0), CxRect(0, 0, width, kHeight));
    const auto& strings = mPanel->Strings();
    ASSERT_EQ(strings.size(), 5u);
    EXPECT_EQ(strings[0]->GetString(), kBerlin.AsString(CxString(VaneProductInspector::kPositionFormat)));
    EXPECT_GT(strings[0]->Width(), width - 10);
    for (std::size_t i = 1; i < strings.size(); ++i)
        EXPECT_LE(strings[i]->Width(), width - 10) << i;
    // The name was cut: whole, it is wider.
    GxFont font(CxUint32(0), 8);
    EXPECT_GT(GxString(distance->Name(), &font).Width(), width - 10);
    EXPECT_EQ(strings.back()->GetString(), distance->Name());
}

// Black text over a light map, white over a dark one; the close icon in the top right corner only when asked.
TEST_F(PanelTest, TextContrastsWithTheMapAndTheCloseIconSitsTopRight)
{
    const struct
    {
        const char* mColor;
        GxColor mBackground;
        bool mSnapback;
        int mLow, mHigh; // the darkest and brightest channel found in the text bands
    } kCases[] = {{"#E0E0E0FF", GxColor(0xE0 / 255.0, 0xE0 / 255.0, 0xE0 / 255.0, 1.0), true, 0, 0xE0},
                  {"#202040FF", GxColor(0x20 / 255.0, 0x20 / 255.0, 0x40 / 255.0, 1.0), false, 0x20, 255}};
    for (const auto& c : kCases)
    {
        SCOPED_TRACE(c.mColor);
        mMap = KitMap(std::string("<map color=\"") + c.mColor + "\"/>");
        ASSERT_NE(mMap, nullptr);
        mPanel = std::make_unique<VaneProductInspector>(new KitProduct(mMap.get()));
        mPanel->SetAlpha(1.0);
        mPanel->SetDrawsSnapback(c.mSnapback);
        mPanel->SetTrackPosition(kBerlin);
        DrawPanel(*mPanel, c.mBackground, CxRect(0, 0, kWidth, kHeight));
        const auto pixels = ReadWindow();
        int low = 255, high = 0;
        for (int y = 2; y < 14; ++y)
            for (int x = 0; x < kWidth; ++x)
                for (int ch = 0; ch < 3; ++ch)
                {
                    low = std::min<int>(low, pixels[(std::size_t(y) * kWidth + x) * 4 + ch]);
                    high = std::max<int>(high, pixels[(std::size_t(y) * kWidth + x) * 4 + ch]);
                }
        EXPECT_LE(low, c.mLow + 40);
        EXPECT_GE(high, c.mHigh - 40);
        // The icon: 16 px square, 2 px from the right and 5 from the top (a pixel more for its filtered edge).
        const int icon = Ink(pixels, c.mBackground, kWidth - 19, kHeight - 22, kWidth - 1, kHeight - 4);
        // A ring and a cross, not a solid square.
        EXPECT_EQ(icon > 20, c.mSnapback) << icon;
        EXPECT_LT(icon, 200);
        EXPECT_EQ(Ink(pixels, c.mBackground, 0, 20, kWidth, kHeight) - icon, 0);
        mPanel.reset();
    }
}

// A series panel: no track line, its blank row at the bottom, the lines above it, white over a dark graph.
TEST_F(PanelTest, SeriesPanelDrawsItsLinesAboveABlankRow)
{
    KitManagedSet(CxString("kts"), kDxManagerKts,
                  {{"config.xml", KitInfoDocument("datasetconfig", R"(<property id="name" value="Buoys"/>)")},
                   {"parminfo.xml",
                    KitInfoDocument("parminfo", R"(<parm id="pres" name="pressure" type="float" units="mbar"/>)")}});
    mGraph = KitGraph(R"(<graph color="#000000FF"/>)");
    ASSERT_NE(mGraph, nullptr);
    std::unique_ptr<WxParser> parser;
    auto* series = new WxSeriesClient(mGraph.get());
    series->Internalize(
        KitElement(parser, R"(<series visible="true" dataset="kts" parm="pres" unit="mbar" site="b1"/>)"));
    series->SetStatus(CxString("now"));
    mSeriesPanel = std::make_unique<VaneSeriesInspector>(series);
    mSeriesPanel->SetAlpha(1.0);
    const GxColor black(0.0, 0.0, 0.0, 1.0);
    mContext->MakeCurrent();
    glViewport(0, 0, kWidth, kHeight);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    mContext->Begin2D();
    glTranslated(0.375, 0.375, 0.0);
    mSeriesPanel->Draw(*mContext, CxRect(0, 0, kWidth, kHeight));
    mContext->End2D();
    const auto pixels = ReadWindow();
    Snapshot("series");
    ASSERT_EQ(mSeriesPanel->Strings().size(), 4u);
    EXPECT_EQ(Ink(pixels, black, 0, 2, kWidth, 14), 0);
    for (int i = 1; i < 4; ++i)
        EXPECT_GT(Ink(pixels, black, 0, 2 + 12 * i, kWidth, 14 + 12 * i), 0) << i;
    int high = 0;
    for (int y = 14; y < 50; ++y)
        for (int x = 0; x < kWidth; ++x)
            high = std::max<int>(high, pixels[(std::size_t(y) * kWidth + x) * 4]);
    EXPECT_GT(high, 200);
}

// ---- life on the messages

// Built empty or over a product; the alpha reaches the legend; the legend takes the map's colour.
TEST_F(PanelTest, DefaultsAndTheLegendFollowingThePanel)
{
    VaneProductInspector empty;
    EXPECT_EQ(empty.Alpha(), 1.0);
    EXPECT_FALSE(empty.DrawsSnapback());
    EXPECT_EQ(empty.GetProduct(), nullptr);
    EXPECT_EQ(empty.Legend(), nullptr);
    empty.SetAlpha(0.5); // no legend to pass it to
    EXPECT_EQ(empty.Alpha(), 0.5);

    mMap = KitMap(R"(<map color="#336699FF"/>)");
    auto* product = new KitProduct(mMap.get());
    mPanel = std::make_unique<VaneProductInspector>(product);
    EXPECT_EQ(mPanel->Alpha(), 0.0);
    EXPECT_TRUE(mPanel->DrawsSnapback());
    EXPECT_EQ(mPanel->GetMap(), mMap.get());
    ASSERT_NE(mPanel->Legend(), nullptr);
    EXPECT_EQ(mPanel->Legend()->Alpha(), 0.0);
    EXPECT_EQ(mPanel->Legend()->Color().AsString(), mMap->Color().AsString());
    mPanel->SetAlpha(0.75);
    EXPECT_EQ(mPanel->Legend()->Alpha(), 0.75);
    mPanel->SetTrackPosition(kBerlin);
    EXPECT_EQ(static_cast<WxProductInspector*>(mPanel->Legend())->TrackPosition().mLatitude, kBerlin.mLatitude);
}

// 1002 with another product changes nothing; with the panel's product, or 1005, the panel drops the product and
// its legend and draws nothing from then on, also when the map goes first.
TEST_F(PanelTest, OrphanedProductsAndDeletedMapsLeaveAnEmptyPanel)
{
    const GxColor white(1.0, 1.0, 1.0, 1.0);
    for (int how = 0; how < 3; ++how)
    {
        SCOPED_TRACE(how);
        mMap = KitMap("<map/>");
        auto* other = new KitProduct(mMap.get());
        auto* shown = new KitProduct(mMap.get());
        mPanel = std::make_unique<VaneProductInspector>(shown);
        mPanel->SetAlpha(1.0);
        delete other;
        EXPECT_EQ(mPanel->GetProduct(), shown);
        EXPECT_NE(mPanel->Legend(), nullptr);
        EXPECT_EQ(mPanel->GetMap(), mMap.get());
        if (how == 0)
            delete shown;
        else if (how == 1)
            mMap->SendMessage(kWxMapDeleted, nullptr);
        else
            mMap.reset();
        EXPECT_EQ(mPanel->GetProduct(), nullptr);
        EXPECT_EQ(mPanel->Legend(), nullptr);
        EXPECT_EQ(mPanel->GetMap(), nullptr);
        DrawPanel(*mPanel, white, CxRect(0, 0, kWidth, kHeight));
        EXPECT_EQ(Ink(ReadWindow(), white, 0, 0, kWidth, kHeight), 0);
        EXPECT_TRUE(mPanel->Strings().empty());
        mPanel.reset();
        mMap.reset();
    }
}

// 1009 empties a series panel; so does the series leaving while the graph lives (a pane divider combined away).
TEST_F(PanelTest, SeriesPanelOnTheGraphsMessages)
{
    for (int how = 0; how < 2; ++how)
    {
        SCOPED_TRACE(how);
        mGraph = KitGraph("<graph/>");
        ASSERT_NE(mGraph, nullptr);
        auto* series = new WxSeriesClient(mGraph.get());
        new WxSeriesClient(mGraph.get());
        mSeriesPanel = std::make_unique<VaneSeriesInspector>(series);
        EXPECT_EQ(mSeriesPanel->GetGraph(), mGraph.get());
        ASSERT_NE(mSeriesPanel->Legend(), nullptr);
        mSeriesPanel->SetTrackPoint(GxPoint(3, 4));
        if (how == 0)
        {
            mGraph.reset();
        }
        else
        {
            mGraph->Split();
            WxSeries* split = *mGraph->SeriesBegin();
            mSeriesPanel = std::make_unique<VaneSeriesInspector>(split);
            EXPECT_EQ(mSeriesPanel->GetSeries(), split);
            mGraph->DeselectAll();
            split->SetSelected(true);
            mGraph->Combine();
            EXPECT_EQ(mGraph->SeriesBegin() + 2, mGraph->SeriesEnd());
        }
        EXPECT_EQ(mSeriesPanel->GetSeries(), nullptr);
        EXPECT_EQ(mSeriesPanel->GetGraph(), nullptr);
        EXPECT_EQ(mSeriesPanel->Legend(), nullptr);
        mSeriesPanel->Draw(*mContext, CxRect(0, 0, kWidth, kHeight));
        EXPECT_TRUE(mSeriesPanel->Strings().empty());
        mSeriesPanel.reset();
        mGraph.reset();
    }
}

} // namespace
