#include "WxImage.h"
#include "WxDrape.h"
#include "WxDrawTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace
{

const GxColor kRed(1, 0, 0, 1), kGreen(0, 1, 0, 1), kBlue(0, 0, 1, 1), kYellow(1, 1, 0, 1);
const std::string kLcc = "+proj=lcc +lat_1=33 +lat_2=45 +lat_0=33 +lon_0=-98 +R=6367470";
const GxLambertConformalProjection kLambert(-98 * M_PI / 180, 33 * M_PI / 180, 45 * M_PI / 180);

// 4 x 4 pixels of 2 degrees from (-102, 29): red, green over blue, yellow.
DxIndexedImage* Quadrants()
{
    GxColorTable palette;
    palette.clear();
    for (const GxColor& c : {kRed, kGreen, kBlue, kYellow})
        palette.push_back(c);
    auto* image = wxkit::KitImage(
        CxDate(), 4, 4, GxPoint(-102, 29), GxPoint(2, 2),
        [](CxSint32 x, CxSint32 y) { return CxUint8((y / 2) * 2 + x / 2); }, palette);
    image->GenerateMesh(false, 0.25);
    return image;
}

class WxImageTest : public wxdraw::DrawTest
{
protected:
    void TearDown() override
    {
        mMap.reset();
        DrawTest::TearDown();
    }
    static GxPosition Degrees(double inLon, double inLat) { return GxPosition().FromDegrees(inLon, inLat); }

    WxImage* Image(const std::string& inAttributes)
    {
        WxRegisterProducts();
        mMap = wxkit::KitMap("<map color=\"#FFFFFFFF\"><image " + inAttributes + "/></map>");
        if (mMap != nullptr)
            wxkit::KitSetProjection(*mMap, kLambert, -120, 15, -75, 50);
        return mMap != nullptr ? dynamic_cast<WxImage*>(*mMap->ProductBegin()) : nullptr;
    }

    std::unique_ptr<WxMap> mMap;
};

// Every attribute written back as read; defaults for missing ones; a set of another kind keeps the ids, draws none.
TEST_F(WxImageTest, DocumentAttributes)
{
    const std::string full = "<image visible=\"true\" selected=\"true\" alpha=\"0.5\" dataset=\"sat\" "
                             "color=\"#FF000080\" cat1=\"ir\" cat2=\"goes\" sync=\"true\" caption=\"true\"/>";
    WxRegisterProducts();
    const auto trip = wxkit::RoundTrip(wxkit::Vanedoc("<map>" + full + "</map>"));
    EXPECT_NE(trip.mFirst.find(full), std::string::npos) << trip.mFirst;
    EXPECT_EQ(trip.mFirst, trip.mSecond);
    wxkit::KitSet(CxString("radarset"), 3, 0, {});
    // Visibility, alpha, colour, then the ids and the first item's name.
    const std::pair<const char*, const char*> kCases[] = {
        {"", "0 0.0 #FFFFFFFF ab"},
        {"visible=\"TRUE\" alpha=\"0.7\" color=\"\"", "1 0.7 #FFFFFFFF ab"},
        {"visible=\"true\" alpha=\"1\" color=\"#FF000080\" dataset=\"radarset\"", "1 1.0 #FF000080 ab"}};
    for (const auto& [attributes, want] : kCases)
    {
        const WxImage* image = Image(std::string(attributes) + " cat1=\"a\" cat2=\"b\"");
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(CxString(image->IsVisible() ? "1 " : "0 ") + CxString(image->Alpha(), 1) + " " +
                      image->Color().AsString() + " " + image->Category1().Id() + image->Category2().Id() +
                      image->Category1().Name(),
                  CxString(want));
        const auto all = gxtest::CaptureFeedback([&] { DrawAt(*mMap, Degrees(-98, 33), 2.0); });
        EXPECT_TRUE(gxtest::OfToken(all, GL_POLYGON_TOKEN).empty());
    }
}

// The quadrants drape where PROJ puts their pixel centres, plain and tinted half-transparent red at half alpha, inside
// PROJ's box around the outline; the lookup answers each quadrant's colour and transparent black outside.
TEST_F(WxImageTest, DrapedQuadrantsAtProjPositions)
{
    const double kScale = 2.0; // km a pixel
    const std::vector<double> lons = {-101, -95, -101, -95, -98}, lats = {36, 36, 30, 30, 33};
    const auto proj = wxkit::KitProj(kLcc, lons, lats);
    std::vector<double> xs, ys; // the outline every half degree
    for (double t = 0; t <= 8; t += 0.5)
        for (const auto& [x, y] : {std::pair{-102 + t, 29.0}, {-102 + t, 37.0}, {-102.0, 29 + t}, {-94.0, 29 + t}})
            xs.push_back(x), ys.push_back(y);
    GxRect box;
    ASSERT_TRUE(WxBoundsOfPoints(wxkit::KitProj(kLcc, xs, ys), box));
    const GxColor kPlain[] = {kRed, kGreen, kBlue, kYellow};
    // A quarter of the source over three quarters of white.
    const GxColor kTinted[] = {{1, 0.75, 0.75, 1}, {0.75, 0.75, 0.75, 1}, {0.75, 0.75, 0.75, 1}, {1, 0.75, 0.75, 1}};
    for (const bool tinted : {false, true})
    {
        WxImage* image =
            Image(tinted ? "visible=\"true\" alpha=\"0.5\" color=\"#FF000080\"" : "visible=\"true\" alpha=\"1.0\"");
        ASSERT_NE(image, nullptr);
        wxkit::Inject(*image, Quadrants());
        DrawAt(*mMap, Degrees(-98, 33), kScale);
        Snapshot(tinted ? "tinted" : "quadrants", "wx6_");
        for (std::size_t q = 0; q < 4; ++q)
        {
            ExpectPixel(int(std::lround(512 + (proj[q].mX - proj[4].mX) / kScale)),
                        int(std::lround(384 + (proj[q].mY - proj[4].mY) / kScale)), tinted ? kTinted[q] : kPlain[q]);
            EXPECT_EQ(image->GetValueFromPosition(Degrees(lons[q], lats[q])).AsString(), kPlain[q].AsString());
        }
        EXPECT_EQ(image->GetValueFromPosition(Degrees(-90, 33)).AsString(), CxString("#00000000"));
        // Each projection places its own origin: compare from the centre.
        const GxRect& b = image->Bounds();
        const GxPoint m = kLambert.Project(Degrees(-98, 33)), p = proj[4];
        for (const auto& [got, want] : {std::pair{b.mLeft - m.mX, box.mLeft - p.mX},
                                        {b.mRight - m.mX, box.mRight - p.mX},
                                        {b.mBottom - m.mY, box.mBottom - p.mY},
                                        {b.mTop - m.mY, box.mTop - p.mY}})
            EXPECT_NEAR(got, want, 0.01 * box.Width());
    }
}

// Swatches; per-row outlines up to 40 rows; the row under the mouse outlined last, 3 px, in the line colour or
// else the last swatch's; the two mends; the icon's bands are the keys reversed.
TEST_F(WxImageTest, LegendRowsOutlinesAndIcon)
{
    const GxPosition inRed = Degrees(-101, 36), outside = Degrees(-60, 33);
    std::vector<std::string> many(41, "#0000FFFF");
    many[0] = "#FF0000FF"; // under the mouse, the last swatch blue
    const std::tuple<std::vector<std::string>, std::vector<std::string>, GxPosition, std::size_t, std::size_t,
                     const char*>
        kCases[] = {{{"#FF0000FF", "#00FF00FF", "#0000FFFF"}, {"cold", "mild", "a warm day"}, inRed, 3, 1, "#000000FF"},
                    {many, std::vector<std::string>(41, "v"), inRed, 0, 1, "#0000FFFF"},
                    {{"#FF0000FF", "#00000000"}, {"a", "b"}, outside, 2, 1, "#000000FF"},
                    {{"#FF0000FF", "#00FF00FF"}, {}, outside, 2, 0, ""},
                    {{}, {"a"}, inRed, 0, 0, ""}};
    for (const auto& [keys, values, track, rowOutlines, thick, thickColor] : kCases)
    {
        SCOPED_TRACE(keys.size());
        WxImage* image = Image("visible=\"true\" alpha=\"1.0\"");
        ASSERT_NE(image, nullptr);
        DxIndexedImage* frame = Quadrants();
        DxStringField* keyField = frame->NewStringField(CxString("legendKey"));
        DxStringField* valueField = values.empty() ? nullptr : frame->NewStringField(CxString("legendValue"));
        for (const std::string& k : keys)
            keyField->push_back(CxString(k.c_str()));
        for (const std::string& v : values)
            valueField->push_back(CxString(v.c_str()));
        wxkit::Inject(*image, frame);
        std::unique_ptr<WxImageLegend> legend(static_cast<WxImageLegend*>(image->CreateLegend()));
        legend->SetTrackPosition(track);
        const auto all = Inspect(*legend, CxRect(0, 0, 140, 130));
        const auto quads = gxtest::Quads(all);
        const double row = 120.0 / double(keys.size());
        const double swatch = std::floor(std::max(10.0, std::min(140 / 3.5, 140 - legend->WidestLabel() - 15)));
        for (std::size_t i = 0; i < keys.size(); ++i)
            EXPECT_EQ(At(quads, 5, 5 + row * double(i), 5 + swatch, 5 + row * double(i + 1)).size(), 1u) << i;
        const auto lines = gxtest::OfToken(all, GL_LINE_TOKEN);
        EXPECT_EQ(lines.size(), 4 * (rowOutlines + thick)); // four segments an outline
        const double* c = thick == 0 || lines.empty() ? nullptr : lines.back().mVertices[0].mColor;
        EXPECT_EQ(c == nullptr ? CxString() : GxColor(c[0], c[1], c[2], 1).AsString(), CxString(thickColor));
        ASSERT_EQ(image->LegendColors().size(), keys.size());
        for (std::size_t i = 0; i < keys.size(); ++i)
            EXPECT_EQ(image->LegendColors()[i].AsString(), CxString(keys[keys.size() - 1 - i].c_str()));
    }
}

} // namespace
