#include "WxDrawTestSupport.h"

#include "CxDebug.h"
#include "DxAnalysisReference.h"
#include "DxSet.h"
#include "GxProjection.h"
#include "WxParser.h"
#include "WxSymbol.h"
#include "WxVector.h"

namespace
{

using namespace wxkit;

const double kNaN = std::nan("");
constexpr double kRad = M_PI / 180.0;

const std::string kLcc = "+proj=lcc +lat_1=40 +lat_2=60 +lat_0=90 +lon_0=10 +R=6367470";

// One wind per station: calm, half, full, pennant, NaN speed, NaN direction, over and over.
const double kSpeeds[] = {0.0, 2.5, 5.0, 25.0, kNaN, 5.0};
const double kDirs[] = {0.0, 90.0, 180.0, 270.0, 45.0, kNaN};

// The stations' table with those winds, and one string field that holds a single station.
DxTable* WindTable(const KitStations& inS)
{
    std::vector<double> speed, dir;
    for (std::size_t i = 0; i < inS.mLat.size(); ++i)
        speed.push_back(kSpeeds[i % 6]), dir.push_back(kDirs[i % 6]);
    return KitStationTable(inS, {{"samag:mps", speed}, {"dir:degr", dir}}, {{"stn", {"first"}}});
}

class OverlayTest : public wxdraw::DrawTest
{
protected:
    void SetUp() override
    {
        DrawTest::SetUp();
        WxRegisterProducts();
        KitWindSet(CxString("w"));
        KitSetProjection(mMap, GxLambertConformalProjection(10 * kRad, 40 * kRad, 60 * kRad), -180, -90, 10, 90);
        mMap.SetScale(0.25); // barb unit 0.0025 x 90 x 30 x 1.5 / 0.25 km: 2-unit stems of 13.5 px
    }

    WxVector* Vector(const std::string& inAttributes)
    {
        return static_cast<WxVector*>(WxVector::Make(
            &mMap, Element("<vector dataset=\"w\" parm=\"wind\" " + inAttributes + " width=\"1\" scale=\"30\"/>")));
    }
    XmlElement* Element(const std::string& inText)
    {
        std::string text = inText;
        text.insert(text.find(' '), " visible=\"true\" alpha=\"1.0\"");
        return KitElement(mParser, text);
    }
    GxPoint Window(const GxPoint& inP) const { return ToWindow(inP, mCentre, mKm); }
    std::vector<gxtest::FeedbackPrimitive> Draw(WxProduct& ioProduct) { return Feedback(ioProduct, mCentre, mKm); }

    void TearDown() override
    {
        mOwner.reset(); // the products leave their sets before the sets go
        DrawTest::TearDown();
    }

    std::unique_ptr<WxMap> mOwner = std::make_unique<WxMap>(nullptr);
    WxMap& mMap = *mOwner;
    std::unique_ptr<WxParser> mParser;
    GxPoint mCentre{-1000.0, -4750.0};
    double mKm = 6.0; // km a pixel
};

TEST(VectorLegendRows, FollowTheBarbCompositionOfTheTrackedValue)
{
    const struct
    {
        bool mBarbs;
        double mBase, mTracked, mTwelfth;
        int mHighlight, mDecimals;
    } cases[] = {{true, 5, 12, 75, 2, 0},
                 {true, 5, 57, 57, 11, 0},
                 {true, 5, kNaN, 75, -1, 0},
                 {true, 2.5, 3, 37.5, 1, 1},
                 {false, 2.5, kNaN, 0, -1, 0}};
    for (const auto& c : cases)
    {
        const WxVectorLegendRows rows = WxVectorLegendRowsFor(c.mBarbs, c.mBase, c.mTracked);
        ASSERT_EQ(rows.mValues.size(), c.mBarbs ? 12u : 7u);
        EXPECT_EQ(rows.mDecimals, c.mDecimals);
        EXPECT_EQ(rows.mValues[1], c.mBarbs ? c.mBase : 2.5); // arrows: 1, then the bases
        EXPECT_EQ(rows.mValues.back(), c.mBarbs ? c.mTwelfth : 15.0);
        for (std::size_t i = 0; i < rows.mValues.size(); ++i)
            EXPECT_EQ(rows.mHighlighted[i], int(i) == c.mHighlight) << c.mTracked << " row " << i;
    }
}

TEST_F(OverlayTest, ElementsReadAndWriteBackAndParametersFollowTheMode)
{
    const std::string layers =
        "<vector visible=\"true\" selected=\"false\" alpha=\"1.0\" dataset=\"w\" parm=\"wind\" units=\"kmph\" "
        "color=\"#FFFF80FF\" width=\"1.0\" scale=\"30.000\" min=\"10.000\" max=\"\" arrows=\"false\" grid=\"false\"/>"
        "<vector visible=\"true\" selected=\"false\" alpha=\"0.5\" dataset=\"w\" parm=\"wind\" units=\"mps\" "
        "color=\"#00FF00FF\" width=\"2.0\" scale=\"12.500\" min=\"\" max=\"20.000\" arrows=\"true\" grid=\"true\"/>"
        "<symbol visible=\"true\" selected=\"false\" alpha=\"1.0\" dataset=\"w\" color=\"#0000FFFF\" "
        "symbol=\"star\" size=\"1.50\"/>";
    const RoundTripResult trip = RoundTrip(Vanedoc("<map>" + layers + "</map>"));
    for (std::size_t at = 0, end; (end = layers.find("/>", at)) != std::string::npos; at = end + 2)
        EXPECT_NE(trip.mFirst.find(layers.substr(at, end + 2 - at)), std::string::npos) << trip.mFirst;
    EXPECT_EQ(trip.mSecond, trip.mFirst);

    // Refused scale, missing arrows and grid; an old barb layer.
    WxVector* plain = Vector("units=\"mps\" ");
    plain->SetScale(0);
    plain->SetScale(-3);
    EXPECT_EQ(plain->Scale(), 30.0);
    EXPECT_TRUE(plain->DrawsBarbs()); // and station mode: see the keys below
    std::unique_ptr<WxMap> old(
        KitParser(Vanedoc("<map><barb dataset=\"w\" parm=\"wind\" magUnit=\"mps\"/></map>", "1.2d1"))->Map());
    ASSERT_NE(old, nullptr);
    auto* converted = dynamic_cast<WxVector*>(*old->ProductBegin());
    ASSERT_NE(converted, nullptr);
    EXPECT_TRUE(converted->DrawsBarbs());
    EXPECT_EQ(converted->FrameType(), kDxFrameTable);

    // Station mode asks for speed and direction, grid mode for u and v; a matching request changes nothing.
    auto ids = [&] { return KitParmKeys(*plain); };
    EXPECT_EQ(ids(), "samag:mps dir:degr ");
    DxVectorParm parm = plain->Parameter();
    plain->SetParameter(parm, kDxFrameGrid);
    EXPECT_EQ(ids(), "ucomp:mps vcomp:mps ");
    KitRecorder recorder;
    mMap.AttachReceiver(&recorder);
    plain->SetParameter(parm, kDxFrameGrid);
    EXPECT_EQ(ids(), "ucomp:mps vcomp:mps ");
    plain->SetParameter(parm, kDxFrameTable);
    EXPECT_EQ(ids(), "samag:mps dir:degr ");
    EXPECT_TRUE(recorder.Codes().empty()); // a change of mode alone is no product change
    mMap.DetachReceiver(&recorder);
}

// Symbols, barb roots and arrow heads of the 218 real stations land on PROJ's points; none east of the cut.
TEST_F(OverlayTest, GlyphsLandOnProjPointsInsideTheCut)
{
    SKY_NEED_TESTDATA_FILE(path, "obs/PressQFF_202007271200_218.csv");
    const KitStations s = KitReadStations(path);
    const std::vector<GxPoint> proj = KitProj(kLcc, s.mLon, s.mLat);
    ASSERT_EQ(proj.size(), s.mLat.size());
    std::vector<GxPoint> inside, drawn; // every station inside; those with a wind above calm
    for (std::size_t i = 0; i < proj.size(); ++i)
    {
        const GxPoint ours = mMap.Projection()->Project(GxPosition().FromDegrees(s.mLon[i], s.mLat[i]));
        ASSERT_LT(std::hypot(ours.mX - proj[i].mX, ours.mY - proj[i].mY), 1e-6) << i;
        if (s.mLon[i] <= 10)
        {
            inside.push_back(Window(proj[i]));
            if (i % 6 >= 1 && i % 6 <= 3) // half, full, pennant
                drawn.push_back(Window(proj[i]));
        }
    }
    ASSERT_GT(inside.size(), 50u);

    auto* symbol = static_cast<WxSymbol*>(WxSymbol::Make(&mMap, Element("<symbol dataset=\"w\" size=\"32\"/>")));
    Inject(*symbol, WindTable(s));
    const auto quads = gxtest::Quads(Draw(*symbol));
    ASSERT_EQ(quads.size(), inside.size());
    const double h = 0.0125 * 90 * 32 / mKm; // half a side
    for (const GxPoint& w : inside)
        EXPECT_FALSE(At(quads, w.mX - h, w.mY - h, w.mX + h, w.mY + h).empty()) << w.mX << "," << w.mY;

    for (const char* arrows : {"false", "true"})
    {
        WxVector* vector = Vector(std::string("units=\"mps\" arrows=\"") + arrows + "\"");
        Inject(*vector, WindTable(s));
        const auto lines = gxtest::OfToken(Draw(*vector), GL_LINE_TOKEN);
        for (std::size_t k = 0; k < drawn.size(); ++k) // a stem or a head begins at each windy station
            EXPECT_GT(LinesFrom(lines, drawn[k]), 0) << arrows << " " << k;
    }
}

// Arrows of an analytic u/v grid in a flat projection stand on PROJ's flat-to-Lambert points of the cells inside
// the cut (each head is three lines from the point); a NaN cell draws none.
TEST_F(OverlayTest, GridArrowsLandOnProjPointsOfTheCells)
{
    auto cell = [](CxSint32 inI, CxSint32 inJ) { return inI == 3 && inJ == 2 ? kNaN : 5.0 + inI + inJ; };
    DxGrid* grid = KitGrid(CxDate(), 9, 6, GxPoint(-1180, 4450), GxPoint(250, 250),
                           {{"ucomp:mps", cell}, {"vcomp:mps", [](CxSint32, CxSint32) { return -3.0; }}});
    grid->SetProjection(GxFlatProjection(GxPosition().FromDegrees(0, 45)));
    std::vector<double> xs, ys; // metres
    for (CxSint32 j = 0; j < 6; ++j)
        for (CxSint32 i = 0; i < 9; ++i)
            xs.push_back((-1180 + 250 * i) * 1000.0), ys.push_back((4450 + 250 * j) * 1000.0);
    WxVector* vector = Vector("units=\"mps\" grid=\"true\" arrows=\"true\"");
    Inject(*vector, grid);
    const auto lines = gxtest::OfToken(Draw(*vector), GL_LINE_TOKEN);
    const auto proj = KitProj(kLcc, xs, ys, "+proj=eqc +lat_ts=45 +R=6367681.04774543");
    std::size_t east = 0;
    for (std::size_t k = 0; k < proj.size(); ++k)
    {
        const bool inside =
            mMap.Projection()->Contains(grid->Projection()->Unproject(GxPoint(xs[k] / 1000, ys[k] / 1000)));
        east += !inside;
        EXPECT_EQ(LinesFrom(lines, Window(proj[k])), inside && k != 2 * 9 + 3 ? 3 : 0) << k;
    }
    EXPECT_GT(east, 0u);
}

// 30 degrees west of the central meridian a barb's stem follows PROJ's local north turned by the wind direction.
TEST_F(OverlayTest, StemsFollowProjLocalNorth)
{
    const auto north = KitProj(kLcc, {-20, -20}, {50, 50.01});
    const double up = std::atan2(north[1].mY - north[0].mY, north[1].mX - north[0].mX);
    for (double direction : {0.0, 90.0, 200.0})
    {
        WxVector* vector = Vector("units=\"mps\"");
        Inject(*vector,
               KitTable(CxDate(), {},
                        {{"lat:degr", {50}}, {"lon:degr", {-20}}, {"samag:mps", {5}}, {"dir:degr", {direction}}}));
        const auto stem = gxtest::OfToken(Draw(*vector), GL_LINE_TOKEN).at(0).mVertices;
        const double angle = std::atan2(stem[1].mY - stem[0].mY, stem[1].mX - stem[0].mX);
        EXPECT_NEAR(std::remainder(angle - (up - direction * kRad), 2 * M_PI), 0.0, 1e-3) << direction;
        EXPECT_NEAR(std::hypot(stem[1].mX - stem[0].mX, stem[1].mY - stem[0].mY), 2 * 40.5 / mKm, 1e-3);
    }
    // Barbs keep their size on screen: half the field of view, half the length on the map.
    mMap.SetFieldOfViewY(45.0);
    WxVector* vector = Vector("units=\"mps\"");
    Inject(*vector,
           KitTable(CxDate(), {}, {{"lat:degr", {50}}, {"lon:degr", {-20}}, {"samag:mps", {5}}, {"dir:degr", {0}}}));
    const auto stem = gxtest::OfToken(Draw(*vector), GL_LINE_TOKEN).at(0).mVertices;
    EXPECT_NEAR(std::hypot(stem[1].mX - stem[0].mX, stem[1].mY - stem[0].mY), 40.5 / mKm, 1e-3);
}

// On a set with time steps the status is the frame's date, from a table or a grid; a set without a station
// manager gives no vector definition to look up again, and no set none at all.
TEST_F(OverlayTest, StatusDatesAndReleaseWithoutAStationManager)
{
    KitClock clock(CxDate(2009, 7, 4, 17, 6, 7, 0), "UTC");
    mMap.SetDate(CxDate(2009, 7, 4, 17, 6, 7, 0));
    KitSet(CxString("timed"), 1, 300, {});
    auto* vector = static_cast<WxVector*>(WxVector::Make(
        &mMap, Element("<vector dataset=\"timed\" parm=\"wind\" units=\"mps\" width=\"1\" scale=\"30\"/>")));
    Inject(*vector, KitTable(CxDate(2009, 7, 4, 15, 30, 0, 0), {}, {{"lat:degr", {50}}, {"lon:degr", {0}}}));
    EXPECT_EQ(vector->Status().AsUtf8(), "3:30 PM UTC");
    Inject(*vector, KitGrid(CxDate(2009, 7, 4, 15, 35, 0, 0), 2, 2, GxPoint(0, 0), GxPoint(1, 1),
                            {{"ucomp:mps", [](CxSint32, CxSint32) { return 1.0; }},
                             {"vcomp:mps", [](CxSint32, CxSint32) { return 1.0; }}}));
    EXPECT_EQ(vector->Status().AsUtf8(), "3:35 PM UTC");
    const std::string before = KitParmKeys(*vector);
    vector->ReleaseAndInvalidate();
    EXPECT_EQ(KitParmKeys(*vector), before);
    vector->SetSet(nullptr);
    vector->ReleaseAndInvalidate();
    EXPECT_EQ(KitParmKeys(*vector), before);
}

// A half per increment, a full per two, a pennant per ten; "mps" halves are 2.5, "kmph" ones 5 km/h.
TEST_F(OverlayTest, BarbsCountLikeTheWmoConventionAndKeepTheirLimits)
{
    const struct
    {
        const char* mUnits;
        double mSpeedMps;
        std::size_t mLines, mTriangles;
    } cases[] = {{"mps", 2.5, 2, 0},      {"mps", 7.5, 3, 0},       {"mps", 25, 1, 1},        {"mps", 32.5, 3, 1},
                 {"kmph", 5 / 3.6, 2, 0}, {"kmph", 15 / 3.6, 3, 0}, {"kmph", 50 / 3.6, 1, 1}, {"mps", 0, 16, 0}};
    for (const auto& c : cases)
    {
        WxVector* vector = Vector(std::string("units=\"") + c.mUnits + "\"");
        Inject(*vector,
               KitTable(CxDate(), {},
                        {{"lat:degr", {50}}, {"lon:degr", {0}}, {"samag:mps", {c.mSpeedMps}}, {"dir:degr", {200}}}));
        const auto all = Draw(*vector);
        EXPECT_EQ(gxtest::OfToken(all, GL_LINE_TOKEN).size(), c.mLines) << c.mUnits << " " << c.mSpeedMps;
        EXPECT_EQ(gxtest::OfToken(all, GL_POLYGON_TOKEN).size(), c.mTriangles) << c.mUnits << " " << c.mSpeedMps;
    }
    // Limits are inclusive (set in km/h, compared in m/s); NaN speed or direction draws nothing.
    WxVector* limited = Vector("units=\"kmph\" min=\"18\" max=\"36\"");
    Inject(*limited, KitTable(CxDate(), {},
                              {{"lat:degr", {50, 51, 52, 53, 54}},
                               {"lon:degr", {0, 0, 0, 0, 0}},
                               {"samag:mps", {5, 10, 4.9, kNaN, 7}},
                               {"dir:degr", {10, 10, 10, 10, kNaN}}}));
    const auto lines = gxtest::OfToken(Draw(*limited), GL_LINE_TOKEN);
    EXPECT_EQ(lines.size(), 3u + 5u); // 18 km/h: stem and two fulls; 36 km/h: stem, three fulls and a half
}

TEST_F(OverlayTest, SeparationEqualsTheAllPairsScanOverProjPoints)
{
    SKY_NEED_TESTDATA_FILE(path, "obs/PressQFF_202007271200_872.csv");
    const KitStations s = KitReadStations(path);
    const std::vector<GxPoint> proj = KitProj(kLcc, s.mLon, s.mLat);
    std::vector<double> xs, ys;
    for (std::size_t i = 0; i < proj.size(); ++i)
        if (s.mLon[i] <= 10)
            xs.push_back(proj[i].mX), ys.push_back(proj[i].mY);
    WxVector* vector = Vector("units=\"mps\"");
    Inject(*vector, WindTable(s));
    const double reference = DxAllPairsSeparation(xs, ys);
    EXPECT_NEAR(vector->StationSeparation(), reference, 1e-6 * reference);

    Inject(*vector, KitTable(CxDate(), {}, {{"lat:degr", {50}}, {"lon:degr", {0}}})); // one inside
    EXPECT_DOUBLE_EQ(vector->StationSeparation(), std::sqrt(9999999.0));
    Inject(*vector, KitTable(CxDate(), {}, {{"lat:degr", {50}}, {"lon:degr", {20}}})); // none
    EXPECT_TRUE(std::isnan(vector->StationSeparation()));
}

TEST_F(OverlayTest, ValuesAtPositionsComeFromTheNearestStationOrTheGrid)
{
    WxVector* vector = Vector("units=\"kmph\"");
    Inject(*vector,
           KitTable(CxDate(), {},
                    {{"lat:degr", {50, 50}}, {"lon:degr", {0, 2}}, {"samag:mps", {10, 20}}, {"dir:degr", {0, 0}}}));
    EXPECT_NEAR(vector->GetValueFromPosition(GxPosition().FromDegrees(1, 50)), 36.0, 1e-9);
    WxVectorLegend legend(vector); // the legend labels the value under the mouse
    legend.SetTrackPosition(GxPosition().FromDegrees(1, 50));
    legend.OnDraw(*mContext, CxRect(0, 0, 175, 400));
    EXPECT_EQ(legend.ValueText(), "36");
    legend.DeleteTextures(*mContext);

    // u = 1 + x, v = 2 + y over a degree grid: bilinear is exact, so the answer is |(u, v)|.
    WxVector* grid = Vector("units=\"mps\" grid=\"true\"");
    Inject(*grid, KitGrid(CxDate(), 5, 5, GxPoint(-2, 48), GxPoint(1, 1),
                          {{"ucomp:mps", [](CxSint32 inI, CxSint32) { return 1.0 + inI; }},
                           {"vcomp:mps", [](CxSint32, CxSint32 inJ) { return 2.0 + inJ; }}}));
    EXPECT_NEAR(grid->GetValueFromPosition(GxPosition().FromDegrees(0.5, 49.25)), std::hypot(3.5, 3.25), 1e-9);

    // The symbol lists every field of the nearest station; a short string field gives "".
    SKY_NEED_TESTDATA_FILE(path, "obs/PressQFF_202007271200_218.csv");
    const KitStations s = KitReadStations(path);
    auto* symbol = static_cast<WxSymbol*>(WxSymbol::Make(&mMap, Element("<symbol dataset=\"w\"/>")));
    Inject(*symbol, WindTable(s));
    CxStringList names, values;
    EXPECT_TRUE(symbol->GetAttributesFromPosition(GxPosition().FromDegrees(s.mLon[3], s.mLat[3]), names, values));
    ASSERT_EQ(names.size(), 6u);
    EXPECT_EQ(*names.begin(), "stn");
    EXPECT_EQ(*values.begin(), "");
    EXPECT_EQ(*std::next(values.begin(), 3), CxString(s.mPmsl[3], 3));
}

// The direction field is 10 values short: only the stations it covers are drawn, and nothing is read past it.
TEST_F(OverlayTest, ShortFieldDrawsOnlyTheStationsItCovers)
{
    CxDebugCapture capture;
    std::vector<double> lat(30, 50.0), lon, speed(30, 5.0), dir(20, 90.0);
    for (int i = 0; i < 30; ++i)
        lon.push_back(-10.0 + i * 0.5);
    WxVector* vector = Vector("units=\"mps\"");
    Inject(*vector,
           KitTable(CxDate(), {}, {{"lat:degr", lat}, {"lon:degr", lon}, {"samag:mps", speed}, {"dir:degr", dir}}));
    EXPECT_EQ(gxtest::OfToken(Draw(*vector), GL_LINE_TOKEN).size(), 2u * 20u);
    EXPECT_TRUE(capture.Contains("magField->size() == dirField->size()"));
}

// Edges: a flat map bounded by the stations' own box draws all 218; a NaN latitude counts nowhere.
TEST_F(OverlayTest, StationsOnTheEdgeAreDrawnAndNaNPositionsAreNot)
{
    SKY_NEED_TESTDATA_FILE(path, "obs/PressQFF_202007271200_218.csv");
    KitStations s = KitReadStations(path);
    const auto [west, east] = std::minmax_element(s.mLon.begin(), s.mLon.end());
    const auto [south, north] = std::minmax_element(s.mLat.begin(), s.mLat.end());
    KitSetProjection(mMap, GxFlatProjection(), *west, *south, *east, *north);
    mCentre = mMap.Projection()->Project(GxPosition().FromDegrees(12, 53));
    mKm = 10;
    auto* symbol = static_cast<WxSymbol*>(WxSymbol::Make(&mMap, Element("<symbol dataset=\"w\" size=\"4\"/>")));
    Inject(*symbol, WindTable(s));
    const auto quads = gxtest::Quads(Draw(*symbol));
    const double h = 0.0125 * 90 * 4 / mKm; // every one on its point (coincident stations share a quad)
    for (std::size_t i = 0; i < s.mLat.size(); ++i)
    {
        const GxPoint w = Window(mMap.Projection()->Project(GxPosition().FromDegrees(s.mLon[i], s.mLat[i])));
        EXPECT_FALSE(At(quads, w.mX - h, w.mY - h, w.mX + h, w.mY + h).empty()) << i;
    }
    // The northernmost station loses its latitude: it is not drawn, and the bounds no longer reach it.
    const GxRect all = symbol->Bounds();
    s.mLat[north - s.mLat.begin()] = kNaN;
    Inject(*symbol, WindTable(s));
    EXPECT_EQ(gxtest::Quads(Draw(*symbol)).size(), quads.size() - 1);
    EXPECT_LT(symbol->Bounds().mTop, all.mTop);
    EXPECT_EQ(symbol->Bounds().mBottom, all.mBottom);
}

TEST_F(OverlayTest, SnapshotOfTheStationsWithSymbolsAndBarbs)
{
    SKY_NEED_TESTDATA_FILE(path, "obs/PressQFF_202007271200_218.csv");
    const KitStations s = KitReadStations(path);
    WxVector* vector = Vector("units=\"mps\" color=\"#000000FF\"");
    auto* symbol = static_cast<WxSymbol*>(WxSymbol::Make(
        &mMap, Element("<symbol dataset=\"w\" size=\"24\" color=\"#FF0000FF\" symbol=\"solidDiamond\"/>")));
    Inject(*vector, WindTable(s));
    Inject(*symbol, WindTable(s));
    KitOrthoView(mCentre, mKm);
    mMap.BeginDraw();
    // The map view blends its layers; the products leave that to it.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    mMap.DrawMap(*mContext);
    Snapshot("stations", "wx9_");
    // A station with a NaN speed (no barb over its symbol) inside the cut, and halfway to its nearest neighbour.
    std::size_t at = 4, near = 0;
    while (s.mLon[at] > 10)
        at += 6;
    auto d = [&](std::size_t inI) { return std::hypot(s.mLon[inI] - s.mLon[at], s.mLat[inI] - s.mLat[at]); };
    for (std::size_t i = 1; i < s.mLat.size(); ++i)
        near = s.mLon[i] <= 10 && d(i) > 0 && (d(near) == 0 || d(i) < d(near)) ? i : near;
    auto pixel = [&](std::size_t inI)
    { return Window(mMap.Projection()->Project(GxPosition().FromDegrees(s.mLon[inI], s.mLat[inI]))); };
    const GxPoint centre = pixel(at), other = pixel(near);
    ExpectPixel(int(centre.mX), int(centre.mY), GxColor(1.0, 0.0, 0.0, 1.0));
    ExpectPixel(int((centre.mX + other.mX) / 2), int((centre.mY + other.mY) / 2), mMap.Color());
    mMap.EndDraw();
}

} // namespace
