#include "WxImage.h"
#include "DxImage.h"
#include "GxProjection.h"
#include "WxDrape.h"
#include "WxDrawTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <memory>

namespace
{

const GxColor kRed(1, 0, 0, 1), kGreen(0, 1, 0, 1), kBlue(0, 0, 1, 1), kYellow(1, 1, 0, 1);
const std::string kLcc = "+proj=lcc +lat_1=33 +lat_2=45 +lat_0=33 +lon_0=-98 +R=6367470";

GxColorTable Palette(std::initializer_list<GxColor> inColors)
{
    GxColorTable table;
    table.clear();
    for (const GxColor& c : inColors)
        table.push_back(c);
    return table;
}

// 4 x 4 pixels of 2 degrees from (-102, 29), one colour a quadrant: red, green over blue, yellow.
DxIndexedImage* QuadrantImage()
{
    auto* image = wxkit::KitImage(
        CxDate(), 4, 4, GxPoint(-102, 29), GxPoint(2, 2),
        [](CxSint32 inX, CxSint32 inY) { return CxUint8((inY < 2 ? 0 : 2) + (inX < 2 ? 0 : 1)); },
        Palette({kRed, kGreen, kBlue, kYellow}));
    image->GenerateMesh(false, 0.25);
    return image;
}

GxLambertConformalProjection Lambert()
{
    return GxLambertConformalProjection(-98 * M_PI / 180, 33 * M_PI / 180, 45 * M_PI / 180);
}

GxPosition Degrees(double inLon, double inLat)
{
    return GxPosition().FromDegrees(inLon, inLat);
}

class WxImageTest : public wxdraw::DrawTest
{
protected:
    void TearDown() override
    {
        mMap.reset();
        DrawTest::TearDown();
    }

    WxImage* Image(const std::string& inAttributes)
    {
        WxRegisterProducts();
        mMap = wxkit::KitMap("<map color=\"#FFFFFFFF\"><image " + inAttributes + "/></map>");
        return mMap != nullptr ? dynamic_cast<WxImage*>(*mMap->ProductBegin()) : nullptr;
    }

    std::unique_ptr<WxMap> mMap;
};

// Documents: every attribute written back as read; defaults for missing ones; a set of another kind keeps the ids.
TEST_F(WxImageTest, DocumentAttributes)
{
    const std::string full = "<image visible=\"true\" selected=\"true\" alpha=\"0.5\" dataset=\"sat\" "
                             "color=\"#FF000080\" cat1=\"ir\" cat2=\"goes\" sync=\"true\" caption=\"true\"/>";
    WxRegisterProducts();
    const auto trip = wxkit::RoundTrip(wxkit::Vanedoc("<map>" + full + "</map>"));
    EXPECT_NE(trip.mFirst.find(full), std::string::npos) << trip.mFirst;
    EXPECT_EQ(trip.mFirst, trip.mSecond);

    wxkit::KitSet(CxString("radarset"), 3, 0, {});
    const struct
    {
        const char* mAttributes;
        bool mVisible;
        double mAlpha;
        GxColor mColor;
    } kCases[] = {{"cat1=\"a\" cat2=\"b\"", false, 0.0, GxColor(1, 1, 1, 1)},
                  {"visible=\"TRUE\" alpha=\"0.7\" color=\"\" cat1=\"a\" cat2=\"b\"", true, 0.7, GxColor(1, 1, 1, 1)},
                  {"visible=\"yes\" color=\"#FF000080\" dataset=\"radarset\" cat1=\"a\" cat2=\"b\"", false, 0.0,
                   GxColor(1, 0, 0, 128 / 255.0)}};
    for (const auto& c : kCases)
    {
        SCOPED_TRACE(c.mAttributes);
        WxImage* image = Image(c.mAttributes);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->IsVisible(), c.mVisible);
        EXPECT_DOUBLE_EQ(image->Alpha(), c.mAlpha);
        EXPECT_EQ(image->Color().AsString(), c.mColor.AsString());
        EXPECT_EQ(image->Category1().Id(), CxString("a"));
        EXPECT_EQ(image->Category2().Id(), CxString("b"));
        EXPECT_EQ(image->Category1().Name(), CxString());
        const auto all = gxtest::CaptureFeedback([&] { DrawAt(*mMap, Degrees(0, 0), 1.0); });
        EXPECT_TRUE(gxtest::OfToken(all, GL_POLYGON_TOKEN).empty());
    }
}

// The quadrants drape over a Lambert map where PROJ puts their pixel centres, plain and tinted half-transparent
// red; the value lookup answers each quadrant's colour and transparent black outside the picture.
TEST_F(WxImageTest, DrapedQuadrantsAtProjPositions)
{
    const double kScale = 2.0; // km a pixel
    const GxPosition centre = Degrees(-98, 33);
    const std::vector<double> lons = {-101, -95, -101, -95, -98}, lats = {36, 36, 30, 30, 33};
    const auto proj = wxkit::KitProj(kLcc, lons, lats);
    ASSERT_EQ(proj.size(), 5u);
    const GxColor kTinted[] = {{1, 0.5, 0.5, 1}, {0.5, 0.5, 0.5, 1}, {0.5, 0.5, 0.5, 1}, {1, 0.5, 0.5, 1}};
    const GxColor kPlain[] = {kRed, kGreen, kBlue, kYellow};
    for (const bool tinted : {false, true})
    {
        SCOPED_TRACE(tinted ? "tinted" : "plain");
        WxImage* image = Image(std::string("visible=\"true\" alpha=\"1.0\"") + (tinted ? " color=\"#FF000080\"" : ""));
        ASSERT_NE(image, nullptr);
        wxkit::KitSetProjection(*mMap, Lambert(), -120, 15, -75, 50);
        wxkit::Inject(*image, QuadrantImage());
        DrawAt(*mMap, centre, kScale);
        if (!tinted)
            Snapshot("quadrants", "wx6_");
        for (std::size_t q = 0; q < 4; ++q)
        {
            const int x = int(std::lround(512 + (proj[q].mX - proj[4].mX) / kScale));
            const int y = int(std::lround(384 + (proj[q].mY - proj[4].mY) / kScale));
            ExpectPixel(x, y, tinted ? kTinted[q] : kPlain[q]);
            EXPECT_EQ(image->GetValueFromPosition(Degrees(lons[q], lats[q])).AsString(), kPlain[q].AsString());
        }
        EXPECT_EQ(image->GetValueFromPosition(Degrees(-90, 33)).AsString(), CxString("#00000000"));
        // The bounds are PROJ's box around the outline, sampled every half degree.
        std::vector<double> xs, ys;
        for (double t = 0; t <= 8; t += 0.5)
            for (const auto& [x, y] : {std::pair{-102 + t, 29.0}, {-102 + t, 37.0}, {-102.0, 29 + t}, {-94.0, 29 + t}})
            {
                xs.push_back(x);
                ys.push_back(y);
            }
        GxRect box;
        ASSERT_TRUE(WxBoundsOfPoints(wxkit::KitProj(kLcc, xs, ys), box));
        const GxRect& b = image->Bounds();
        // Relative to the centre, as each projection places its own origin.
        const GxPoint mid = mMap->Projection()->Project(centre);
        const double tolerance = 0.01 * box.Width();
        for (const auto& [got, want] : {std::pair{b.mLeft - mid.mX, box.mLeft - proj[4].mX},
                                        {b.mRight - mid.mX, box.mRight - proj[4].mX},
                                        {b.mBottom - mid.mY, box.mBottom - proj[4].mY},
                                        {b.mTop - mid.mY, box.mTop - proj[4].mY}})
            EXPECT_NEAR(got, want, tolerance);
    }
}

// A picture over both poles on a northern Lambert map: no vertex at infinity and finite bounds.
TEST_F(WxImageTest, PoleToPolePictureStaysFinite)
{
    WxImage* image = Image("visible=\"true\" alpha=\"1.0\"");
    ASSERT_NE(image, nullptr);
    wxkit::KitSetProjection(*mMap, Lambert(), -120, 15, -75, 50);
    auto* frame = wxkit::KitImage(CxDate(), 36, 18, GxPoint(-180, -90), GxPoint(10, 10),
                                  std::vector<CxUint8>(36 * 18, 1), Palette({kRed, kBlue}));
    frame->GenerateMesh(false, 5.0);
    wxkit::Inject(*image, frame);
    const auto all = gxtest::CaptureFeedback([&] { DrawAt(*mMap, Degrees(-98, 33), 20.0); });
    const auto triangles = gxtest::OfToken(all, GL_POLYGON_TOKEN);
    EXPECT_FALSE(triangles.empty());
    for (const auto& t : triangles)
        for (const auto& v : t.mVertices)
            ASSERT_TRUE(std::isfinite(v.mX) && std::isfinite(v.mY));
    const GxRect& b = image->Bounds();
    for (double edge : {b.mLeft, b.mRight, b.mTop, b.mBottom})
        EXPECT_TRUE(std::isfinite(edge));
}

// Legends: swatches, per-row outlines up to 40 rows, the row under the mouse outlined 3 px, the two mends; the
// icon's bands are the keys reversed.
TEST_F(WxImageTest, LegendRowsOutlinesAndIcon)
{
    struct Case
    {
        const char* mName;
        std::vector<std::string> mKeys;
        std::vector<std::string> mValues;
        GxPosition mTrack;
        std::size_t mSwatches, mRowOutlines, mThick;
        GxColor mThickColor;
    };
    const GxPosition inRed = Degrees(-101, 36), outside = Degrees(-60, 33);
    const std::vector<std::string> many(41, "#0000FFFF");
    std::vector<std::string> manyTracked = many;
    manyTracked[0] = "#FF0000FF";
    const Case kCases[] = {{"3 rows",
                            {"#FF0000FF", "#00FF00FF", "#0000FFFF"},
                            {"cold", "mild", "a very warm day"},
                            inRed,
                            3,
                            3,
                            1,
                            GxColor(0, 0, 0, 1)},
                           {"41 rows", manyTracked, std::vector<std::string>(41, "v"), inRed, 41, 0, 1, kBlue},
                           {"outside", {"#FF0000FF", "#00000000"}, {"a", "b"}, outside, 2, 2, 1, GxColor(0, 0, 0, 1)},
                           {"outside, no clear key", {"#FF0000FF", "#00FF00FF"}, {"a", "b"}, outside, 2, 2, 0, {}},
                           {"no legendValue", {"#FF0000FF", "#00FF00FF"}, {}, outside, 2, 2, 0, {}},
                           {"empty legendKey", {}, {"a"}, inRed, 0, 0, 0, {}}};
    for (const Case& c : kCases)
    {
        SCOPED_TRACE(c.mName);
        WxImage* image = Image("visible=\"true\" alpha=\"1.0\"");
        ASSERT_NE(image, nullptr);
        DxIndexedImage* frame = QuadrantImage();
        DxStringField* keys = frame->NewStringField(CxString("legendKey"));
        for (const std::string& k : c.mKeys)
            keys->push_back(CxString(k.c_str()));
        if (!c.mValues.empty())
            for (const std::string& v : c.mValues)
                frame->NewStringField(CxString("legendValue"))->push_back(CxString(v.c_str()));
        wxkit::Inject(*image, frame);
        std::unique_ptr<WxImageLegend> legend(static_cast<WxImageLegend*>(image->CreateLegend()));
        legend->SetTrackPosition(c.mTrack);
        const CxRect rect(0, 0, 140, 130);
        const auto all = Inspect(*legend, rect);
        const auto quads = gxtest::Quads(all);
        const double rowHeight = 120.0 / double(c.mKeys.size());
        const double swatch = std::floor(std::max(10.0, std::min(140 / 3.5, 140 - legend->WidestLabel() - 15)));
        std::size_t swatches = 0;
        for (std::size_t i = 0; i < c.mKeys.size(); ++i)
            swatches += At(quads, 5, 5 + rowHeight * double(i), 5 + swatch, 5 + rowHeight * double(i + 1)).size();
        EXPECT_EQ(swatches, c.mSwatches);
        // Four segments an outline; the last outline drawn is the tracked row's.
        const auto lines = gxtest::OfToken(all, GL_LINE_TOKEN);
        EXPECT_EQ(lines.size(), 4 * (c.mRowOutlines + c.mThick));
        if (c.mThick != 0 && !lines.empty())
        {
            const double* got = lines.back().mVertices[0].mColor;
            EXPECT_EQ(GxColor(got[0], got[1], got[2], 1).AsString(), c.mThickColor.AsString());
        }
        const std::vector<GxColor>& bands = image->LegendColors();
        ASSERT_EQ(bands.size(), c.mKeys.size());
        for (std::size_t i = 0; i < bands.size(); ++i)
            EXPECT_EQ(bands[i].AsString(), CxString(c.mKeys[c.mKeys.size() - 1 - i].c_str()));
    }
}

} // namespace
