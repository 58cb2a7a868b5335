#include "WxDrawTestSupport.h"

#include "CxDebug.h"
#include "GxProjection.h"
#include "WxGridline.h"

#include <cstdio>
#include <fstream>
#include <tuple>

namespace
{

using namespace wxkit;

using GridlineTest = wxdraw::DrawTest;

TEST_F(GridlineTest, RefusedValuesChangeAndSendNothingAndARoundTripKeepsEveryAttribute)
{
    using Set = void (WxGridline::*)(double);
    using Get = double (WxGridline::*)() const;
    const std::tuple<Set, Get, double, bool> cases[] = {
        {&WxGridline::SetLatInterval, &WxGridline::LatInterval, 0.05, false},
        {&WxGridline::SetLonInterval, &WxGridline::LonInterval, 0.1, true},
        {&WxGridline::SetStartLat, &WxGridline::StartLat, 95, false},
        {&WxGridline::SetEndLon, &WxGridline::EndLon, std::nan(""), false}};
    for (const auto& [set, get, value, taken] : cases)
    {
        WxMap map(nullptr);
        auto* grid = new WxGridline(&map, nullptr);
        const double before = (grid->*get)();
        KitRecorder recorder;
        map.AttachReceiver(&recorder);
        (grid->*set)(value);
        EXPECT_EQ((grid->*get)(), taken ? value : before) << value;
        EXPECT_EQ(recorder.Codes().empty(), !taken) << value;
    }

    WxRegisterProducts();
    const std::string element = "<gridlines visible=\"true\" selected=\"true\" alpha=\"0.7\" color=\"#FF00337F\" "
                                "width=\"2.5\" startLat=\"-45.500\" endLat=\"60.000\" startLon=\"-120.250\" "
                                "endLon=\"150.000\" lonInterval=\"7.500\" latInterval=\"2.250\"/>";
    const RoundTripResult result = RoundTrip(Vanedoc("<map>" + element + "</map>"));
    EXPECT_NE(result.mFirst.find(element), std::string::npos) << result.mFirst;
    EXPECT_EQ(result.mSecond, result.mFirst);
}

// A 0.1 degree grid over the globe asks for about 6.5e7 positions; a 1 degree grid for 6.5e5.
TEST_F(GridlineTest, FineGlobalGridThinsItsSamplesButKeepsItsLines)
{
    for (double interval : {1.0, 0.1})
    {
        CxDebugCapture capture;
        WxGridline grid(nullptr, nullptr);
        for (auto [set, value] : {std::pair{&WxGridline::SetStartLat, -90.0},
                                  {&WxGridline::SetEndLat, 90.0},
                                  {&WxGridline::SetStartLon, -180.0},
                                  {&WxGridline::SetEndLon, 180.0},
                                  {&WxGridline::SetLatInterval, interval},
                                  {&WxGridline::SetLonInterval, interval}})
            (grid.*set)(value);
        grid.Build();
        EXPECT_EQ(capture.Contains("thinned"), interval < 1);
        EXPECT_LE(grid.Lines()->CountPoints(), WxGridline::kMaxSamples);
        ASSERT_EQ(grid.Lines()->CountPolygons(), std::lround(360 / interval) + std::lround(180 / interval) + 2);
        // The second meridian stands one interval east; its samples keep or widen their step.
        const auto& second = grid.Lines()->Polygons()[1]->Points();
        EXPECT_NEAR(second[0].mX, -180 + interval, 1e-6);
        const double step = second[1].mY - second[0].mY;
        EXPECT_TRUE(interval < 1 ? step > interval / 5 * 1.5 : std::fabs(step - interval / 5) < 1e-9) << step;
    }
}

// The default lines in plain degrees and in the Lambert conformal conic, there against PROJ
// (tools/make_gridline_reference.py); OpenGL receives each line as pairs (p0, p0), (p0, p1), (p1, p2) ...
TEST_F(GridlineTest, DefaultLinesMatchProjAndReachOpenGLAsPairs)
{
    for (bool lambert : {false, true})
    {
        WxMap map(nullptr);
        if (lambert)
            map.SetProjection(GxLambertConformalProjection());
        else
            map.SetProjection(GxDegreeProjection());
        auto* grid = new WxGridline(&map, nullptr);
        const GxPoint centre = map.Projection()->Project(GxPosition().FromDegrees(-98, 40));
        const double scale = lambert ? 10 : 0.2; // map units a pixel
        KitOrthoView(centre, scale);
        const auto lines =
            gxtest::OfToken(gxtest::CaptureFeedback([&] { grid->DrawProduct(*mContext); }), GL_LINE_TOKEN);
        auto window = [&](const GxPoint& inP)
        { return GxPoint((inP.mX - centre.mX) / scale + 512, (inP.mY - centre.mY) / scale + 384); };
        auto at = [&](std::size_t inLine, int inEnd, const GxPoint& inW) {
            return std::hypot(lines[inLine].mVertices[inEnd].mX - inW.mX, lines[inLine].mVertices[inEnd].mY - inW.mY) <
                   0.01;
        };
        std::vector<GxPoint> vertices;
        std::size_t next = 0;
        for (const auto& line : grid->Lines()->Polygons())
            for (std::size_t i = 0; i < line->CountPoints(); ++i)
            {
                const GxPoint from = window(line->Points()[i == 0 ? 0 : i - 1]), to = window(line->Points()[i]);
                vertices.push_back(line->Points()[i]);
                if (std::min({from.mX, from.mY, to.mX, to.mY}) < 0 || std::max(from.mX, to.mX) > 1024 ||
                    std::max(from.mY, to.mY) > 768)
                    continue; // cut at the window's edge
                while (next < lines.size() && !(at(next, 0, from) && at(next, 1, to)))
                    ++next;
                ASSERT_LT(next, lines.size()) << "no pair ends at " << to.mX << "," << to.mY;
            }
        if (!lambert)
        {
            ASSERT_EQ(grid->Lines()->CountPolygons(), 20u);
            for (std::size_t k = 0; k < 20; ++k)
            {
                const auto& points = grid->Lines()->Polygons()[k]->Points();
                EXPECT_EQ(points.size(), k < 13 ? 31u : 61u) << k;
                const GxPoint first = k < 13 ? GxPoint(-180.0 + 15.0 * k, 0.0) : GxPoint(-180.0, 15.0 * (k - 13));
                EXPECT_LT(std::hypot(points[0].mX - first.mX, points[0].mY - first.mY), 1e-9) << k;
            }
            continue;
        }
        std::ifstream csv(WX2_DATA_DIR "/gridlines_lambertConformal.csv");
        int checked = 0;
        for (std::string row; std::getline(csv, row);) // the heading does not scan
        {
            double lon, lat, x, y;
            if (std::sscanf(row.c_str(), "%lf,%lf,%lf,%lf", &lon, &lat, &x, &y) != 4 ||
                !map.Projection()->Contains(GxPosition().FromDegrees(lon, lat)))
                continue;
            double best = 1e9;
            for (const GxPoint& v : vertices)
                best = std::min(best, std::hypot(v.mX - x, v.mY - y));
            EXPECT_LT(best, 1e-6) << row;
            ++checked;
        }
        EXPECT_GT(checked, 600);
    }
}

// Missing degrees read 0, so the range is spelled out; the last element is the top layer.
TEST_F(GridlineTest, TopLayerColourAtACrossingAndSnapshots)
{
    WxRegisterProducts();
    const std::string lines = "visible=\"true\" width=\"3\" alpha=\"1\" latInterval=\"15\" lonInterval=\"15\" "
                              "startLat=\"0\" endLat=\"90\" startLon=\"-180\" endLon=\"0\"/>";
    for (const char* projection : {"flat", "lambert"})
    {
        auto map = KitMap("<map color=\"#FFFFFF\"><gridlines color=\"#FF0000FF\" " + lines +
                          "<gridlines color=\"#00FF00FF\" " + lines + "</map>");
        if (std::string(projection) == "lambert")
            map->SetProjection(GxLambertConformalProjection());
        KitOrthoView(map->Projection()->Project(GxPosition().FromDegrees(-90, 45)), 10.0);
        Frame(*map);
        ExpectPixel(512, 384, GxColor(0, 1, 0, 1));
        Snapshot(std::string("gridlines_") + projection);
    }
}

} // namespace
