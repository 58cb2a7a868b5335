#include "WxDrawTestSupport.h"

#include "DxAnalysis.h"
#include "DxFrame.h"
#include "DxSet.h"
#include "GxProjection.h"
#include "PfText.h"
#include "TestSupport.h"
#include "WxContour.h"
#include "WxGradient.h"

#include <cstdio>
#include <fstream>
#include <iomanip>
#include <set>

namespace
{

using namespace wxkit;

const CxDate kDate(CxString("2020-07-27 12:00:00 UTC"));
using Values = std::function<double(CxSint32, CxSint32)>;

class ContourTest : public wxdraw::DrawTest
{
protected:
    void TearDown() override
    {
        mMap.reset();
        DrawTest::TearDown();
    }

    // "pres" in mbar on a white map in the grid's own degree projection, fed a grid of w x h cells of spacing inDelta.
    WxContour* Contour(const std::string& inMore, CxSint32 inW, CxSint32 inH, double inDelta, const Values& inF,
                       double inOrigin = 0.0)
    {
        WxRegisterProducts();
        mMap = KitMap("<map color=\"#FFFFFFFF\"><contour visible=\"true\" alpha=\"1\" dataset=\"grid\" parm=\"pres\" "
                      "units=\"mbar\" " +
                      inMore + "/></map>");
        mMap->SetProjection(GxDegreeProjection());
        auto* contour = dynamic_cast<WxContour*>(*mMap->ProductBegin());
        Inject(*contour,
               KitGrid(kDate, inW, inH, GxPoint(inOrigin, inOrigin), GxPoint(inDelta, inDelta), "pres:mbar", inF));
        return contour;
    }

    static std::string Fixed(double inMin, double inMax, double inInterval, const char* inLabels = "false")
    {
        return "auto=\"false\" labelPrecision=\"1\" labels=\"" + std::string(inLabels) + "\" min=\"" +
               std::to_string(inMin) + "\" max=\"" + std::to_string(inMax) + "\" interval=\"" +
               std::to_string(inInterval) + "\"";
    }

    std::unique_ptr<WxMap> mMap;
};

// f = x puts every level exactly on x = level; f = x² + y² within interpolation error of the circle of radius √L.
TEST_F(ContourTest, AnalyticFieldsPutLevelsWhereTheyBelong)
{
    WxContour* line = Contour(Fixed(0.5, 9.5, 1), 11, 6, 1, [](CxSint32 i, CxSint32) { return double(i); });
    line->BuildContours();
    ASSERT_EQ(line->Segments().size(), 10u * 10u * 2u);
    for (const GxPoint& p : line->Segments())
        EXPECT_NEAR(p.mX - 0.5, std::round(p.mX - 0.5), 1e-9);
    // Drawn as those lines, the first time and again from the display list.
    for (int pass = 0; pass < 2; ++pass)
        EXPECT_EQ(gxtest::OfToken(Feedback(*line, GxPoint(5, 2.5), 0.01), GL_LINE_TOKEN).size(), 100u) << pass;
    WxContour* ring = Contour(
        Fixed(10.3, 60.3, 10), 41, 41, 0.5,
        [](CxSint32 i, CxSint32 j) { return std::pow(i * 0.5 - 10, 2) + std::pow(j * 0.5 - 10, 2); }, 0);
    ring->BuildContours();
    ASSERT_GT(ring->Segments().size(), 100u);
    for (const GxPoint& p : ring->Segments())
    {
        const double r = std::hypot(p.mX - 10, p.mY - 10), level = 10.3 + 10 * std::round((r * r - 10.3) / 10);
        EXPECT_NEAR(r, std::sqrt(level), 0.05);
    }
}

// One cell of spacing 2 so half-cell coordinates are map coordinates; the first segments' ends.
TEST_F(ContourTest, CellsTraceTheirSubCells)
{
    const double nan = NAN;
    const std::tuple<std::vector<double>, double, std::size_t, std::vector<double>> cases[] = {
        {{6, 7, 8, 9}, 5, 0, {}},
        {{1, 2, 3, 4}, 5, 0, {}},
        {{0, 10, 0, 10}, 5, 2, {1, 0, 1, 1, 1, 1, 1, 2}},
        {{5, 0, 0, 0}, 5, 1, {0, 0, 0, 0}},
        {{10, -10, -10, 40}, 5, 4, {0, 0.5, 0.5, 0, 1, 2.0 / 3, 2.0 / 3, 1}},
        {{nan, 10, 0, 10}, 5, 0, {}}};
    for (const auto& [v, level, count, ends] : cases)
    {
        WxContour* contour =
            Contour(Fixed(level, level, 1), 2, 2, 2, [&v = v](CxSint32 i, CxSint32 j) { return v[i + 2 * j]; });
        contour->BuildContours();
        ASSERT_EQ(contour->Segments().size(), 2 * count) << v[0];
        for (std::size_t k = 0; k < ends.size() / 2; ++k)
            EXPECT_LT(std::hypot(contour->Segments()[k].mX - ends[2 * k], contour->Segments()[k].mY - ends[2 * k + 1]),
                      1e-12)
                << v[0] << " end " << k;
    }
}

// 78 segments of one level: labels on the 1st, 13th, ..., 73rd, each at its segment's second end.
TEST_F(ContourTest, LabelsEveryTwelfthSegment)
{
    WxContour* contour = Contour(Fixed(0.5, 0.5, 1, "true"), 3, 40, 1, [](CxSint32 i, CxSint32) { return double(i); });
    contour->BuildContours();
    ASSERT_EQ(contour->Segments().size(), 156u);
    ASSERT_EQ(contour->Labels().Count(), 7u);
    std::size_t k = 0;
    for (const GxString* label : contour->Labels().Strings())
    {
        EXPECT_EQ(label->GetString().AsUtf8(), "0.5");
        EXPECT_EQ(label->Position().mY, contour->Segments()[24 * k++ + 1].mY);
    }
}

// Nice steps of the range; a document without "auto" ignores its levels; auto="false" without an interval: 1.0.
TEST_F(ContourTest, AutomaticAndDocumentLevels)
{
    const std::tuple<std::string, double, double, double, double> cases[] = {
        {"", 0, 100, 20, 200},
        {"", 3, 7, 0.5, 8},
        {"min=\"-5\" max=\"5\" interval=\"3\"", 0, 10, 2, 20},
        {"", 4.2, 4.2, 1, 14},
        {"auto=\"false\" min=\"-5\" max=\"5\"", 0, 10, 1, 5}};
    for (const auto& [more, lo, hi, interval, last] : cases)
    {
        WxContour* contour = Contour(more, 2, 1, 1, [&](CxSint32 i, CxSint32) { return i == 0 ? lo : hi; });
        EXPECT_EQ(std::tuple(contour->ContourInterval(), contour->Maximum()), std::tuple(interval, last)) << more;
    }
}

// A step below a level's ulp or an infinite bound ends at once, at most 1,000 levels.
TEST_F(ContourTest, EndlessLevelsEndAtOnce)
{
    const std::tuple<double, double, double, int> cases[] = {
        {0, 1, 1e-300, 1000}, {-HUGE_VAL, 1, 1, 1}, {0, HUGE_VAL, 1, 1000}, {1e20, 2e20, 1, 1}};
    for (const auto& [lo, hi, interval, levels] : cases)
    {
        WxContour* contour = Contour("auto=\"false\"", 3, 3, 1, [](CxSint32 i, CxSint32) { return double(i); });
        contour->SetMinimum(lo);
        contour->SetMaximum(hi);
        contour->SetContourInterval(interval);
        contour->BuildContours();
        EXPECT_EQ(contour->LevelCount(), levels) << lo << " " << interval;
        std::unique_ptr<WxInspector> legend(contour->CreateLegend());
        EXPECT_LE(HorizontalLines(Inspect(*legend, CxRect(0, 0, 100, 220)), 37, 62, 1).size(), 1001u);
    }
}

TEST_F(ContourTest, ValueFromPositionIsBilinearInsideTheGrid)
{
    WxContour* contour = Contour("", 4, 4, 1, [](CxSint32 i, CxSint32 j) { return i + 2.0 * j; });
    EXPECT_DOUBLE_EQ(contour->GetValueFromPosition(GxPosition().FromDegrees(1.5, 2.25)), 6.0);
    EXPECT_TRUE(std::isnan(contour->GetValueFromPosition(GxPosition().FromDegrees(3.5, 1))));
}

// Levels 0..200 over 0..100 give 11 lines and a marker at a quarter for 50; one level, one line at the bottom.
TEST_F(ContourTest, LegendLinesAndMarker)
{
    const std::tuple<std::string, std::size_t, std::size_t> cases[] = {{"", 11, 1}, {Fixed(50, 50, 1), 1, 0}};
    for (const auto& [more, lines, markers] : cases)
    {
        WxContour* contour = Contour(more, 11, 2, 10, [](CxSint32 i, CxSint32) { return i * 10.0; });
        std::unique_ptr<WxInspector> legend(contour->CreateLegend());
        legend->SetTrackPosition(GxPosition().FromDegrees(50, 5));
        const auto all = Inspect(*legend, CxRect(0, 0, 100, 220));
        const auto levels = HorizontalLines(all, 37, 62, 1), marker = HorizontalLines(all, 37, 66, 0.5);
        ASSERT_EQ(std::pair(levels.size(), marker.size()), std::pair(lines, markers)) << more;
        for (std::size_t k = 0; k < lines; ++k)
            EXPECT_NEAR(levels[k], 10 + 20.0 * k, 1e-3);
        EXPECT_NEAR(marker.empty() ? 60 : marker[0], 60, 1e-3);
    }
}

// A dark level colour on black is drawn lighter, a light one on white darker, others as they are.
TEST_F(ContourTest, LegendLevelColourStandsOffTheBackground)
{
    const std::tuple<const char*, const char*, int> cases[] = {
        {"#202020FF", "#000000FF", 1}, {"#E0E0E0FF", "#FFFFFFFF", -1}, {"#202020FF", "#FFFFFFFF", 0}};
    for (const auto& [colour, background, sign] : cases)
    {
        WxContour* contour =
            Contour(std::string("color=\"") + colour + "\"", 3, 2, 1, [](CxSint32 i, CxSint32) { return i * 1.0; });
        std::unique_ptr<WxInspector> legend(contour->CreateLegend());
        legend->SetColor(GxColor(CxString(background)));
        const auto all = Inspect(*legend, CxRect(0, 0, 100, 220));
        const double red = GxColor(CxString(colour)).mRed;
        std::size_t levels = 0;
        for (const auto& l : gxtest::OfToken(all, GL_LINE_TOKEN))
        {
            const double r = l.mVertices[0].mColor[0];
            if (std::fabs(l.mVertices[0].mX - 37) + std::fabs(l.mVertices[1].mX - 62) < 1e-3 &&
                l.mVertices[0].mColor[3] > 0.99 && ++levels)
            {
                EXPECT_EQ((r > red + 0.05) - (r < red - 0.05), sign) << colour;
            }
        }
        EXPECT_GT(levels, 0u);
    }
}

// Every attribute in order; fixed levels finer than the label precision read back; a set of another kind.
TEST_F(ContourTest, RoundTripKeepsLevels)
{
    WxRegisterProducts();
    DxSet::FindOrCreateSet(CxString("images"), 3);
    const std::string font =
        "<font name=\"" + pf::FontRegistry::FullName(pf::FontRegistry::kDefaultFontId) + "\" size=\"12\"/></contour>";
    const std::string fixed = "<contour visible=\"true\" selected=\"false\" alpha=\"0.5\" dataset=\"images\" "
                              "parm=\"pres\" units=\"mbar\" color=\"#1A334DFF\" width=\"2.0\" labels=\"true\" "
                              "labelPrecision=\"1\" outline=\"false\" auto=\"false\" max=\"1.75\" min=\"0.25\" "
                              "interval=\"0.25\" sync=\"true\">";
    const RoundTripResult result = RoundTrip(Vanedoc("<map>" + fixed + font + "</map>"));
    std::string flat = result.mFirst;
    std::erase_if(flat, [](char c) { return c == '\t' || c == '\n'; });
    EXPECT_NE(flat.find(fixed + font), std::string::npos) << flat;
    EXPECT_EQ(result.mSecond, result.mFirst);
}

// Barnes-analysed QFF of real stations (x longitude, y latitude) against contourpy: segment ends on grid edges of
// cells with four valid corners equal its vertices as sets; on a Lambert map every end unprojects to the same place.
TEST_F(ContourTest, RealPressureMatchesContourpy)
{
    if (std::system("/usr/bin/python3 -c 'import contourpy' 2>/dev/null") != 0 && !sky::test::TestDataRequired())
        GTEST_SKIP() << "python3-contourpy absent";
    for (const char* name : {"PressQFF_202007271200_218.csv", "PressQFF_202007271200_872.csv"})
    {
        SKY_NEED_TESTDATA_FILE(path, std::string("obs/") + name);
        std::ifstream in(path);
        std::vector<double> lon, lat, qff;
        std::string line;
        std::getline(in, line);
        for (double a, b, c; in >> a && in.ignore() >> b && in.ignore() >> c;)
            lat.push_back(a), lon.push_back(b), qff.push_back(c);
        DxAnalysis analysis(lon, lat, 4);
        if (double(analysis.Width()) * analysis.Height() > 4000)
            analysis.SetNumPass(1);
        analysis.Analyze(qff);
        const CxSint32 w = analysis.Width(), h = analysis.Height();
        const std::vector<double>& v = analysis.Grid();
        const double x0 = analysis.OriginX(), y0 = analysis.OriginY(), d = analysis.Dx();
        const std::string levels = "990.0123 994.0123 998.0123 1002.0123 1006.0123 1010.0123 1014.0123 1018.0123";
        const std::string file = ::testing::TempDir() + "wx4_qff.txt";
        std::ofstream out(file);
        out << w << " " << h << "\n";
        for (double value : v)
            out << std::setprecision(17) << value << "\n";
        out << levels << "\n";
        out.close();
        std::set<std::pair<double, double>> theirs;
        FILE* pipe =
            popen(("/usr/bin/python3 " SKYVANE_SOURCE_DIR "/scripts/contour_crossings.py " + file).c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        for (double l, x, y; std::fscanf(pipe, "%lf %lf %lf", &l, &x, &y) == 3;)
            theirs.emplace(x, y);
        ASSERT_EQ(pclose(pipe), 0);
        const auto f = [&](CxSint32 i, CxSint32 j) { return v[i + j * w]; };
        WxContour* contour =
            Contour("auto=\"false\" min=\"990.0123\" max=\"1018.0123\" interval=\"4\" labels=\"false\"", w, h, d, f, 0);
        Inject(*contour, KitGrid(kDate, w, h, GxPoint(x0, y0), GxPoint(d, d), "pres:mbar", f));
        contour->BuildContours();
        const std::vector<GxPoint> degrees = contour->Segments();
        std::vector<std::pair<double, double>> ours;
        const auto valid = [&](CxSint32 i, CxSint32 j)
        {
            return i >= 0 && j >= 0 && i + 1 < w && j + 1 < h &&
                   !std::isnan(f(i, j) + f(i + 1, j) + f(i, j + 1) + f(i + 1, j + 1));
        };
        for (std::size_t k = 0; k < degrees.size(); k += 2)
        {
            const double mx = ((degrees[k].mX + degrees[k + 1].mX) / 2 - x0) / d,
                         my = ((degrees[k].mY + degrees[k + 1].mY) / 2 - y0) / d;
            if (!valid(CxSint32(std::floor(mx)), CxSint32(std::floor(my))))
                continue;
            for (const GxPoint& p : {degrees[k], degrees[k + 1]})
            {
                const double x = (p.mX - x0) / d, y = (p.mY - y0) / d;
                if (std::fabs(x - std::round(x)) < 1e-9 || std::fabs(y - std::round(y)) < 1e-9)
                    ours.emplace_back(x, y);
            }
        }
        const auto near = [](const auto& inSet, std::pair<double, double> inP)
        {
            auto it = inSet.lower_bound({inP.first - 1e-9, -HUGE_VAL});
            for (; it != inSet.end() && it->first <= inP.first + 1e-9; ++it)
                if (std::fabs(it->second - inP.second) <= 1e-9)
                    return true;
            return false;
        };
        ASSERT_GT(std::min(theirs.size(), ours.size()), 100u) << name;
        const std::set<std::pair<double, double>> ourSet(ours.begin(), ours.end());
        for (const auto& p : ours)
            EXPECT_TRUE(near(theirs, p)) << name << " ours " << p.first << "," << p.second;
        for (const auto& p : theirs)
            EXPECT_TRUE(near(ourSet, p)) << name << " theirs " << p.first << "," << p.second;
        mMap->SetProjection(GxLambertConformalProjection(10 * M_PI / 180, 35 * M_PI / 180, 65 * M_PI / 180));
        contour->BuildContours();
        ASSERT_EQ(contour->Segments().size(), degrees.size());
        for (std::size_t k = 0; k < degrees.size(); ++k)
        {
            const GxPosition p = mMap->Projection()->Unproject(contour->Segments()[k]);
            EXPECT_NEAR(p.AsDegrees().mLongitude, degrees[k].mX, 1e-9);
            EXPECT_NEAR(p.AsDegrees().mLatitude, degrees[k].mY, 1e-9);
        }
        if (w != 60)
            continue;
        contour->SetLabelFlag(true);
        DrawAt(*mMap, GxPosition().FromDegrees(5, 50), 5.0);
        Snapshot("contour_qff", "wx4_");
        auto shaded = KitMap("<map color=\"#FFFFFFFF\"><gradient visible=\"true\" alpha=\"1\" dataset=\"grid\" "
                             "parm=\"pres\" units=\"mbar\"/></map>");
        shaded->SetProjection(*mMap->Projection());
        Inject(*dynamic_cast<WxGradient*>(*shaded->ProductBegin()),
               KitGrid(kDate, w, h, GxPoint(x0, y0), GxPoint(d, d), "pres:mbar", f));
        DrawAt(*shaded, GxPosition().FromDegrees(5, 50), 5.0);
        Snapshot("gradient_qff", "wx4_");
    }
}

} // namespace
