#include "WxDrawTestSupport.h"

#include "DxFrame.h"
#include "GxProjection.h"
#include "WxGradient.h"

namespace
{

using namespace wxkit;

const CxDate kDate(CxString("2020-07-27 12:00:00 UTC"));

class GradientTest : public wxdraw::DrawTest
{
protected:
    void TearDown() override
    {
        mMap.reset();
        DrawTest::TearDown();
    }

    // "pres" in mbar on a white map in the degree projection, fed a w x h grid of spacing 1 from (0, 0).
    WxGradient* Gradient(const std::string& inMore, CxSint32 inW, CxSint32 inH, const std::vector<double>& inValues)
    {
        WxRegisterProducts();
        mMap = KitMap("<map color=\"#FFFFFFFF\"><gradient visible=\"true\" alpha=\"1\" dataset=\"grid\" parm=\"pres\" "
                      "units=\"mbar\" " +
                      inMore + "/></map>");
        mMap->SetProjection(GxDegreeProjection());
        auto* gradient = dynamic_cast<WxGradient*>(*mMap->ProductBegin());
        Inject(*gradient, KitGrid(kDate, inW, inH, GxPoint(0, 0), GxPoint(1, 1), "pres:mbar", inValues));
        return gradient;
    }

    std::unique_ptr<WxMap> mMap;
};

// The map checks for new data every 15 s while a product's set steps in less than a minute, else every minute.
TEST_F(GradientTest, ASetChangeSetsTheMapsRefreshPeriod)
{
    WxGradient* gradient = Gradient("", 2, 2, {1, 2, 3, 4});
    DxSet* fast = KitSet(CxString("fast"), 1, 30, {});
    for (auto [set, period] : {std::pair{fast, 15000u}, {nullptr, 60000u}, {fast, 15000u}})
    {
        gradient->SetSet(set);
        EXPECT_EQ(mMap->TrackingPeriod(), period);
    }
}

// Indices over fixed and automatic ranges; a degenerate range widens by one, an infinite bound counts as missing.
TEST_F(GradientTest, IndicesAndRepairedRanges)
{
    const double nan = NAN;
    const std::tuple<std::string, std::vector<double>, double, double, std::vector<double>> cases[] = {
        {"auto=\"false\" min=\"0\" max=\"100\"", {50, 0, 100, -20, nan, 99.9}, 0, 100, {128, 1, 254, 1, 255, 254.746}},
        {"", {2, nan, 4}, 2, 4, {1, 255, 254}},
        {"", {nan, nan}, 0, 100, {255, 255}},
        {"auto=\"false\" min=\"10\" max=\"10\"", {10, 11}, 10, 11, {1, 254}},
        {"auto=\"false\" min=\"-inf\" max=\"10\"", {5, 10}, 5, 10, {1, 254}},
        {"auto=\"false\" min=\"20\" max=\"10\"", {15, 20}, 10, 20, {128, 254}}};
    for (const auto& [more, values, lo, hi, indices] : cases)
    {
        WxGradient* gradient = Gradient(more, int(values.size()), 1, values);
        EXPECT_EQ(std::pair(gradient->GetMin(), gradient->GetMax()), std::pair(lo, hi)) << more;
        ASSERT_EQ(gradient->Indices()->size(), indices.size());
        for (std::size_t k = 0; k < indices.size(); ++k)
            EXPECT_NEAR((*gradient->Indices())[k], indices[k], 1e-9) << more << " " << k;
    }
}

// Cells drawn in their indices' texels, none with a missing corner; a new gradient keeps the compiled cells.
TEST_F(GradientTest, CellsShowTheirTexelsAndSkipMissingCorners)
{
    const double nan = NAN;
    WxGradient* gradient =
        Gradient("auto=\"false\" min=\"0\" max=\"100\"", 3, 3, {50, 50, 50, 50, 50, 50, 50, 50, nan});
    const auto all = gxtest::CaptureFeedback([&] { DrawAt(*mMap, GxPosition().FromDegrees(1, 1), 0.01); });
    const auto polygons = gxtest::OfToken(all, GL_POLYGON_TOKEN);
    EXPECT_GE(polygons.size(), 3u);
    for (const auto& p : polygons)
        for (const auto& v : p.mVertices)
            EXPECT_NEAR(v.mTexture[0], 128.1 / 256, 1e-6);
    DrawAt(*mMap, GxPosition().FromDegrees(1, 1), 0.01);
    const auto at = [&](double inX, double inY)
    { return GxPoint(kWidth / 2 + (inX - 1) / 0.01, kHeight / 2 + (inY - 1) / 0.01); };
    for (const auto& [x, y, expected] : {std::tuple{0.5, 0.5, gradient->GetColorTable()[128]},
                                         {1.5, 0.5, gradient->GetColorTable()[128]},
                                         {1.5, 1.5, GxColor(1, 1, 1, 1)}})
        ExpectPixel(int(at(x, y).mX), int(at(x, y).mY), expected);
    const unsigned int cells = gradient->CellList().DisplayListName();
    gradient->SetColorGradient(GxColorGradient(GxColor(0, 0.5, 0, 1)));
    DrawAt(*mMap, GxPosition().FromDegrees(1, 1), 0.01);
    EXPECT_EQ(gradient->CellList().DisplayListName(), cells);
    ExpectPixel(int(at(0.5, 0.5).mX), int(at(0.5, 0.5).mY), GxColor(0, 0.5, 0, 1));
    Snapshot("gradient_cells", "wx4_");
}

// 254 strips in the table's colours; the maximum (from 5 E on) marks half a strip above the bar, the lowest strip and
// outside the grid not at all.
TEST_F(GradientTest, LegendStripsAndMarker)
{
    std::vector<double> values;
    for (int k = 0; k < 22; ++k)
        values.push_back(std::min(k % 11 * 20.0, 100.0));
    const double step = 200.0 / 254;
    const std::tuple<double, double> cases[] = {{7, 10 + 200 + 0.375 + step / 2}, {0.01, -1}, {20, -1}};
    for (const auto& [lon, marker] : cases)
    {
        WxGradient* gradient = Gradient("auto=\"false\" min=\"0\" max=\"100\"", 11, 2, values);
        std::unique_ptr<WxInspector> legend(gradient->CreateLegend());
        legend->SetTrackPosition(GxPosition().FromDegrees(lon, 0.5));
        const auto all = Inspect(*legend, CxRect(0, 0, 100, 220));
        const auto quads = gxtest::Quads(all);
        std::size_t strips = 0;
        for (const auto& q : quads)
            if (std::fabs(q.mRight - q.mLeft - 25) < 1e-3 && std::fabs(q.mTop - q.mBottom - step) < 1e-3)
            {
                const GxColor c = gradient->GetColorTable()[std::size_t(std::lround((q.mBottom - 10) / step)) + 1];
                EXPECT_NEAR(q.mColor[0], c.mRed, 0.01);
                ++strips;
            }
        EXPECT_EQ(strips, 254u);
        const auto marks = HorizontalLines(all, 37, 66, 0.5);
        EXPECT_NEAR(marks.empty() ? -1 : marks[0], marker, 1e-3) << lon;
    }
}

// Every attribute in order with its gradient; equal bounds widen to 10..11 and are written so.
TEST_F(GradientTest, RoundTripKeepsRangeAndGradient)
{
    WxRegisterProducts();
    const std::string head = "<gradient visible=\"true\" selected=\"false\" alpha=\"1.0\" dataset=\"grid\" "
                             "parm=\"pres\" units=\"mbar\" auto=\"false\" max=\"";
    const std::string tail = "\" min=\"0.0005\" sync=\"true\"><colorGradient><colorKey index=\"1\" "
                             "color=\"#0000FFFF\"/><colorKey index=\"254\" color=\"#FF0000FF\"/></colorGradient>";
    const RoundTripResult result = RoundTrip(Vanedoc("<map>" + head + "0.0015" + tail + "</gradient></map>"));
    std::string flat = result.mFirst;
    std::erase_if(flat, [](char c) { return c == '\t' || c == '\n'; });
    EXPECT_NE(flat.find(head + "0.0015" + tail), std::string::npos) << flat;
    EXPECT_EQ(result.mSecond, result.mFirst);
    WxGradient* gradient = Gradient("auto=\"false\" min=\"10\" max=\"10\"", 2, 2, {1, 2, 3, 4});
    EXPECT_NE(WriteDocument(*mMap).find("max=\"11.000\" min=\"10.000\""), std::string::npos);
    EXPECT_EQ(gradient->GetMax(), 11);
}

} // namespace
