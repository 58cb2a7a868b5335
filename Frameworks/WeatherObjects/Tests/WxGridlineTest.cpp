#include "WxDrawTestSupport.h"

#include "CxDebug.h"
#include "GxProjection.h"
#include "WxGridline.h"
#include "WxMap.h"

#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

namespace
{

using namespace wxkit;
using gxtest::CaptureFeedback;

class GridlineTest : public wxdraw::DrawTest
{
protected:
    // The view centred on a position of the map, 10 km a pixel.
    static GxPoint View(const WxMap& inMap, double inLon, double inLat)
    {
        const GxPoint centre = inMap.Projection()->Project(GxPosition().FromDegrees(inLon, inLat));
        KitOrthoView(centre, 10.0);
        return centre;
    }
};

TEST_F(GridlineTest, DefaultsDrawPairsAlongThirteenMeridiansAndSevenParallels)
{
    WxMap map(nullptr);
    map.SetProjection(GxDegreeProjection());
    auto* grid = new WxGridline(&map, nullptr);
    KitOrthoView(GxPoint(-90, 45), 0.2);
    const auto lines = gxtest::OfToken(CaptureFeedback([&] { grid->DrawProduct(*mContext); }), GL_LINE_TOKEN);
    ASSERT_EQ(grid->Lines()->CountPolygons(), 20u);
    std::size_t next = 0;
    for (std::size_t k = 0; k < 20; ++k)
    {
        const auto& points = grid->Lines()->Polygons()[k]->Points();
        ASSERT_EQ(points.size(), k < 13 ? 31u : 61u) << k;
        const GxPoint first = k < 13 ? GxPoint(-180.0 + 15.0 * k, 0.0) : GxPoint(-180.0, 15.0 * (k - 13));
        EXPECT_NEAR(points[0].mX, first.mX, 1e-9) << k;
        EXPECT_NEAR(points[0].mY, first.mY, 1e-9) << k;
        // The first pair repeats the first point; each later one joins neighbours.
        ASSERT_LT(next + points.size(), lines.size() + 1);
        for (std::size_t i = 0; i < points.size(); ++i, ++next)
        {
            const GxPoint& from = points[i == 0 ? 0 : i - 1];
            EXPECT_NEAR(lines[next].mVertices[0].mX, (from.mX + 90) / 0.2 + 512, 0.01);
            EXPECT_NEAR(lines[next].mVertices[1].mY, (points[i].mY - 45) / 0.2 + 384, 0.01);
        }
    }
    EXPECT_EQ(next, lines.size());
}

TEST_F(GridlineTest, RefusedValuesChangeAndSendNothing)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct
    {
        void (WxGridline::*mSet)(double);
        double (WxGridline::*mGet)() const;
        double mValue;
        bool mTaken;
    } cases[] = {
        {&WxGridline::SetLatInterval, &WxGridline::LatInterval, 0.05, false},
        {&WxGridline::SetLonInterval, &WxGridline::LonInterval, 0.1, true},
        {&WxGridline::SetStartLat, &WxGridline::StartLat, 95, false},
        {&WxGridline::SetStartLat, &WxGridline::StartLat, -90, true},
        {&WxGridline::SetEndLat, &WxGridline::EndLat, nan, false},
        {&WxGridline::SetEndLon, &WxGridline::EndLon, 180, true},
        {&WxGridline::SetStartLon, &WxGridline::StartLon, nan, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mValue);
        WxMap map(nullptr);
        auto* grid = new WxGridline(&map, nullptr);
        const double before = (grid->*c.mGet)();
        KitRecorder recorder;
        map.AttachReceiver(&recorder);
        (grid->*c.mSet)(c.mValue);
        EXPECT_EQ((grid->*c.mGet)(), c.mTaken ? c.mValue : before);
        EXPECT_EQ(recorder.Codes().empty(), !c.mTaken);
    }
}

TEST_F(GridlineTest, RoundTripKeepsEveryAttribute)
{
    WxRegisterProducts();
    const std::string element = "<gridlines visible=\"true\" selected=\"true\" alpha=\"0.7\" color=\"#FF00337F\" "
                                "width=\"2.5\" startLat=\"-45.500\" endLat=\"60.000\" startLon=\"-120.250\" "
                                "endLon=\"150.000\" lonInterval=\"7.500\" latInterval=\"2.250\"/>";
    const RoundTripResult result = RoundTrip(Vanedoc("<map>" + element + "</map>"));
    EXPECT_NE(result.mFirst.find(element), std::string::npos) << result.mFirst;
    EXPECT_EQ(result.mSecond, result.mFirst);
}

// A 0.1 degree grid over the globe asks for about 6.5e7 positions.
TEST_F(GridlineTest, FineGlobalGridThinsItsSamplesButKeepsItsLines)
{
    const struct
    {
        double mInterval;
        bool mThinned;
    } cases[] = {{1.0, false}, {0.1, true}};
    for (const auto& c : cases)
    {
        CxDebugCapture capture;
        WxGridline grid(nullptr, nullptr);
        grid.SetStartLat(-90);
        grid.SetEndLat(90);
        grid.SetStartLon(-180);
        grid.SetEndLon(180);
        grid.SetLatInterval(c.mInterval);
        grid.SetLonInterval(c.mInterval);
        grid.Build();
        const DxShape& lines = *grid.Lines();
        EXPECT_EQ(capture.Contains("thinned"), c.mThinned);
        EXPECT_LE(lines.CountPoints(), WxGridline::kMaxSamples);
        const std::size_t meridians = std::lround(360 / c.mInterval) + 1;
        ASSERT_EQ(lines.CountPolygons(), meridians + std::lround(180 / c.mInterval) + 1);
        // The second meridian stands one interval east; its samples keep or widen their step.
        const auto& second = lines.Polygons()[1]->Points();
        EXPECT_NEAR(second[0].mX, -180 + c.mInterval, 1e-6);
        const double step = second[1].mY - second[0].mY;
        EXPECT_TRUE(c.mThinned ? step > c.mInterval / 5 * 1.5 : std::fabs(step - c.mInterval / 5) < 1e-9) << step;
    }
}

// The lines in the Lambert conformal conic against PROJ (tools/make_gridline_reference.py), and what OpenGL
// receives against the lines.
TEST_F(GridlineTest, LambertLinesMatchProjAndTheFeedbackMatchesTheLines)
{
    WxMap map(nullptr);
    map.SetProjection(GxLambertConformalProjection());
    auto* grid = new WxGridline(&map, nullptr);
    const GxPoint centre = View(map, -98, 40);
    const auto lines = gxtest::OfToken(CaptureFeedback([&] { grid->DrawProduct(*mContext); }), GL_LINE_TOKEN);
    std::vector<GxPoint> vertices;
    for (const auto& line : grid->Lines()->Polygons())
        vertices.insert(vertices.end(), line->Points().begin(), line->Points().end());

    std::ifstream csv(WX2_DATA_DIR "/gridlines_lambertConformal.csv");
    std::string row;
    std::getline(csv, row);
    int checked = 0;
    while (std::getline(csv, row))
    {
        std::istringstream in(row);
        double lon, lat, x, y;
        char comma;
        in >> lon >> comma >> lat >> comma >> x >> comma >> y;
        if (!map.Projection()->Contains(GxPosition().FromDegrees(lon, lat)))
            continue;
        double best = 1e9;
        for (const GxPoint& v : vertices)
            best = std::min(best, std::hypot(v.mX - x, v.mY - y));
        EXPECT_LT(best, 1e-6) << row;
        ++checked;
    }
    EXPECT_GT(checked, 600);

    // Every vertex OpenGL saw is a line vertex seen through the view; lines within the window are not clipped.
    std::size_t next = 0;
    for (const GxPoint& v : vertices)
    {
        const double px = (v.mX - centre.mX) / 10 + 512, py = (v.mY - centre.mY) / 10 + 384;
        if (px < 0 || px > 1024 || py < 0 || py > 768)
            continue;
        while (next < lines.size() &&
               std::hypot(lines[next].mVertices[1].mX - px, lines[next].mVertices[1].mY - py) > 0.01)
            ++next;
        ASSERT_LT(next, lines.size()) << "no line reaches " << px << "," << py;
    }
}

TEST_F(GridlineTest, TopLayerColourAtACrossingAndSnapshots)
{
    WxRegisterProducts();
    for (const char* projection : {"flat", "lambert"})
    {
        // Missing degrees read 0, so the range is spelled out; the last element is the top layer.
        const std::string lines = "visible=\"true\" width=\"3\" alpha=\"1\" latInterval=\"15\" lonInterval=\"15\" "
                                  "startLat=\"0\" endLat=\"90\" startLon=\"-180\" endLon=\"0\"/>";
        auto map = KitMap("<map color=\"#FFFFFF\"><gridlines color=\"#FF0000FF\" " + lines +
                          "<gridlines color=\"#00FF00FF\" " + lines + "</map>");
        if (std::string(projection) == "lambert")
            map->SetProjection(GxLambertConformalProjection());
        map->BeginDraw();
        View(*map, -90, 45);
        map->DrawMap(*mContext);
        ExpectPixel(512, 384, GxColor(0, 1, 0, 1));
        map->DrawLegend(*mContext, GxRect(0, 0, 175, 768), true, false);
        map->EndDraw();
        Snapshot(std::string("gridlines_") + projection);
    }
}

} // namespace
