#include "WxDrawTestSupport.h"

#include "DxFrame.h"
#include "DxSet.h"
#include "GxProjection.h"
#include "PfText.h"
#include "WxContour.h"

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

} // namespace
