#include "DxImage.h"
#include "CxDebug.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <vector>

namespace
{

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
const GxColor kClear(0.0, 0.0, 0.0, 0.0);
const GxDegreeProjection kDegrees;

using Bytes = std::vector<CxUint8>;

// Entry i is the bytes (i, 2i, 3i, 255), for i below 40.
GxColorTable Ramp()
{
    GxColorTable colors(kGxDefaultColors256);
    colors.clear();
    for (CxUint32 i = 0; i < 40; ++i)
        colors.push_back(GxColor(8, i, 2 * i, 3 * i, 255));
    return colors;
}

// Sizes set and the pixels, top row first, copied in.
void Fill(DxIndexedImage& ioImage, CxSint32 inWidth, CxSint32 inHeight, const Bytes& inPixels)
{
    ioImage.SetWidth(inWidth);
    ioImage.SetHeight(inHeight);
    ioImage.Reserve();
    ASSERT_NE(ioImage.Pixels(), nullptr);
    std::memcpy(ioImage.Pixels(), inPixels.data(), inPixels.size());
}

Bytes Texel(const CxUint8* inBuffer, std::size_t inIndex)
{
    return Bytes(inBuffer + 4 * inIndex, inBuffer + 4 * inIndex + 4);
}

} // namespace

TEST(DxIndexedImage, TexelsRunBottomRowFirstAsRedGreenBlueAlphaBytes)
{
    DxIndexedImage image(kDegrees);
    Fill(image, 2, 2, {1, 2, 3, 4});
    GxColorTable colors = Ramp();
    colors[4] = GxColor(8, 0x11, 0x22, 0x33, 0x44);
    image.AcceptColorTable(colors);
    image.GenerateBuffer();
    const CxUint8* buffer = image.GetTextureBuffer();
    EXPECT_EQ(Bytes(buffer, buffer + 16), (Bytes{3, 6, 9, 255, 0x11, 0x22, 0x33, 0x44, 1, 2, 3, 255, 2, 4, 6, 255}));

    // A new palette is taken up at the next request; an index beyond it gives a texel of 0.
    colors.clear();
    colors.push_back(GxColor(8, 9, 9, 9, 9));
    colors.push_back(GxColor(8, 7, 7, 7, 7));
    image.AcceptColorTable(colors);
    EXPECT_EQ(image.GetColors(), colors);
    buffer = image.GetTextureBuffer();
    EXPECT_EQ(Bytes(buffer, buffer + 16), (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 7, 7, 7, 7, 0, 0, 0, 0}));

    // Wider than 16-bit counters reach: the top row holds 1, the bottom row 2, each ending in a 3.
    const std::size_t width = 40000;
    Bytes pixels(2 * width, 1);
    std::fill(pixels.begin() + width, pixels.end(), 2);
    pixels[width - 1] = pixels[2 * width - 1] = 3;
    Fill(image, CxSint32(width), 2, pixels);
    image.AcceptColorTable(Ramp());
    buffer = image.GetTextureBuffer();
    ASSERT_NE(buffer, nullptr);
    const std::pair<std::size_t, Bytes> expected[] = {
        {0, {2, 4, 6, 255}},     {32768, {2, 4, 6, 255}},         {width - 1, {3, 6, 9, 255}},
        {width, {1, 2, 3, 255}}, {width + 39000, {1, 2, 3, 255}}, {2 * width - 1, {3, 6, 9, 255}}};
    for (const auto& [index, texel] : expected)
        EXPECT_EQ(Texel(buffer, index), texel) << index;
}

TEST(DxIndexedImage, RefusesSizesItCannotHold)
{
    const std::pair<CxSint32, CxSint32> sizes[] = {{-1, 10}, {10, -1}, {1 << 15, 1 << 14}, {2147483647, 2147483647}};
    for (const auto& [width, height] : sizes)
    {
        DxIndexedImage image(kDegrees);
        Fill(image, 4, 4, Bytes(16, 1));
        image.SetPixelSize(GxPoint(1.0, 1.0));
        image.AcceptColorTable(Ramp());
        image.SetWidth(width);
        image.SetHeight(height);
        CxDebugCapture capture;
        image.Reserve();
        EXPECT_EQ(capture.Count(), 1u) << width << " x " << height;
        EXPECT_EQ(image.Pixels(), nullptr);
        EXPECT_EQ(image.GetPixelFromPoint(GxPoint(1.5, 1.5)), 0);
        EXPECT_EQ(image.GetPixelFromAzRan(GxPoint(1.5, 1.5)), 0);
        EXPECT_EQ(image.GetColorFromPoint(GxPoint(1.5, 1.5)), kClear);
        EXPECT_EQ(image.GetTextureBuffer(), nullptr);
    }
}

TEST(DxIndexedImage, FindsThePixelUnderAPoint)
{
    // 3 by 2 pixels of 2 by 0.5 units from (10, 20), the top row stored first.
    DxIndexedImage image(kDegrees);
    Fill(image, 3, 2, {1, 2, 3, 4, 5, 6});
    image.SetOrigin(GxPoint(10.0, 20.0));
    image.SetPixelSize(GxPoint(2.0, 0.5));
    GxColorTable colors = Ramp();
    colors[6] = GxColor(8, 1, 1, 1, 1);
    image.AcceptColorTable(colors);
    const std::pair<GxPoint, CxUint8> cases[] = {
        {{10.5, 20.999}, 1}, // just inside the top edge: the first stored row
        {{15.9, 20.6}, 3},
        {{12.0, 20.25}, 5},
        {{15.0, 20.0001}, 6},
        {{10.0, 20.0}, 0}, // the origin: height - 0 is a
                           // row past the last
        {{16.0, 20.25}, 0},
        {{9.0, 20.25}, 0},
        {{11.0, 21.2}, 0},
        {{kNaN, 20.25}, 0},
        {{11.0, kInf}, 0},
    };
    for (const auto& [point, pixel] : cases)
    {
        EXPECT_EQ(image.GetPixelFromPoint(point), pixel) << point.AsString();
        EXPECT_EQ(image.GetColorFromPoint(point), pixel == 0 ? kClear : colors[pixel]) << point.AsString();
    }
    // An index beyond the palette has no colour; a width grown after Reserve reads nothing new.
    image.Pixels()[0] = 200;
    EXPECT_EQ(image.GetPixelFromPoint(GxPoint(10.5, 20.75)), 200);
    EXPECT_EQ(image.GetColorFromPoint(GxPoint(10.5, 20.75)), kClear);
    image.SetWidth(4);
    EXPECT_EQ(image.GetPixelFromPoint(GxPoint(17.0, 20.75)), 0);

    // Radial images: rows are radials rounded to the nearest, columns range bins of 0.25 km.
    Bytes pixels(4 * 8);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = CxUint8(i);
    Fill(image, 4, 8, pixels);
    image.SetOrigin(GxPoint(0.0, 0.0));
    image.SetPixelSize(GxPoint(0.25, 1.0));
    const std::pair<GxPoint, CxUint8> radials[] = {
        {{0.6, 4.6}, 22}, {{0.0, 4.4}, 16}, {{0.9, 7.4}, 31}, {{0.1, 7.5}, 0},
        {{1.0, 2.0}, 0},  {{0.1, -0.3}, 0}, {{-0.1, 1.0}, 0}, {{0.1, kNaN}, 0},
    };
    for (const auto& [point, pixel] : radials)
        EXPECT_EQ(image.GetPixelFromAzRan(point), pixel) << point.AsString();
}

TEST(DxTruecolorImage, ReadsColoursOfOneThreeAndFourComponents)
{
    // 2 by 2 pixels of 1 unit from (-1, -1), bottom row first: pixel p holds the bytes 40 p + component.
    const std::pair<CxSint32, GxColor> cases[] = {
        {1, GxColor(120 / 255.0, 120 / 255.0, 120 / 255.0, 1.0)},
        {3, GxColor(120 / 255.0, 121 / 255.0, 122 / 255.0, 1.0)},
        {4, GxColor(120 / 255.0, 121 / 255.0, 122 / 255.0, 123 / 255.0)},
        {2, kClear},
    };
    for (const auto& [components, atTopRight] : cases)
    {
        DxTruecolorImage image(kDegrees);
        image.SetComponentCount(components);
        image.SetWidth(2);
        image.SetHeight(2);
        image.SetOrigin(GxPoint(-1.0, -1.0));
        image.SetPixelSize(GxPoint(1.0, 1.0));
        EXPECT_EQ(image.GetColorFromPoint(GxPoint(0.5, 0.5)), kClear) << "no buffer yet";
        CxUint8* buffer = new CxUint8[4 * std::size_t(components)];
        for (CxSint32 byte = 0; byte < 4 * components; ++byte)
            buffer[byte] = CxUint8(40 * (byte / components) + byte % components);
        image.SetBuffer(buffer);
        EXPECT_EQ(image.GetColorFromPoint(GxPoint(0.5, 0.5)), atTopRight) << components;
        EXPECT_EQ(image.GetTextureBuffer(), buffer);
        for (const GxPoint& outside : {GxPoint(1.0, 0.5), GxPoint(-1.5, 0.5), GxPoint(0.5, -1.2), GxPoint(kNaN, 0.0)})
            EXPECT_EQ(image.GetColorFromPoint(outside), kClear) << outside.AsString();
    }

    // A second buffer is reported and replaces the first, which is freed.
    DxTruecolorImage image(kDegrees);
    image.SetBuffer(new CxUint8[64]());
    CxUint8* second = new CxUint8[64]();
    CxDebugCapture capture;
    image.SetBuffer(second);
    EXPECT_EQ(capture.Count(), 1u);
    EXPECT_EQ(image.GetTextureBuffer(), second);
}

TEST(DxImageMesh, SamplesEveryTileAndPlacesItsVerticesOnTheEarth)
{
    const double kDegree = kGxPi / 180.0;
    const GxLambertConformalProjection lambert(-97.5 * kDegree, 33.0 * kDegree, 45.0 * kDegree);
    DxIndexedImage image(lambert);
    image.SetWidth(700);
    image.SetHeight(300);
    image.SetOrigin(lambert.Project(GxPosition(-120.0 * kDegree, 22.0 * kDegree)));
    image.SetPixelSize(GxPoint(5.0, 3.0));
    image.GenerateMesh(true, 128.0);
    const GxMesh& mesh = image.GetMesh();
    EXPECT_TRUE(mesh.Overlapping());
    ASSERT_GT(mesh.CountTiles(), 1u);

    // Cell (k, l) of a tile has the corners (k, l), (k+1, l), (k+1, l+1), (k, l+1), cut to the tile.
    const int cornerX[] = {0, 1, 1, 0, 1, 0};
    const int cornerY[] = {0, 0, 1, 0, 1, 1};
    for (auto tile = mesh.BeginTiles(); tile != mesh.EndTiles(); ++tile)
    {
        const CxRect& texels = tile->TexelBounds();
        const GxRect area(image.Origin().mX + 5.0 * texels.left, image.Origin().mY + 3.0 * texels.top,
                          image.Origin().mX + 5.0 * texels.right, image.Origin().mY + 3.0 * texels.bottom);
        const auto columns = std::size_t(std::ceil(area.Width() / 128.0));
        const auto rows = std::size_t(std::ceil(area.Height() / 128.0));
        ASSERT_EQ(tile->PositionCoords().size(), 6 * columns * rows);
        ASSERT_EQ(tile->ImageCoords().size(), 6 * columns * rows);
        const GxRect& bounds = tile->TextureBounds();
        for (std::size_t n = 0; n < 6 * columns * rows; ++n)
        {
            const std::size_t k = n / 6 / rows;
            const std::size_t l = n / 6 % rows;
            const GxPoint sample = GxPoint(area.mLeft + 128.0 * double(k + cornerX[n % 6]),
                                           area.mBottom + 128.0 * double(l + cornerY[n % 6]))
                                       .Pin(area);
            const GxPoint back = lambert.Project(tile->PositionCoords()[n]);
            ASSERT_NEAR(back.mX, sample.mX, 1e-9) << n;
            ASSERT_NEAR(back.mY, sample.mY, 1e-9) << n;
            const GxPoint texture = tile->ImageCoords()[n];
            ASSERT_NEAR(texture.mX, bounds.mLeft + (sample.mX - area.mLeft) / area.Width() * bounds.Width(), 1e-12);
            ASSERT_NEAR(texture.mY, bounds.mBottom + (sample.mY - area.mBottom) / area.Height() * bounds.Height(),
                        1e-12);
        }
    }
}

TEST(DxImageMesh, StepsCountPixelsFinerThanAUnitAndBadSizesGiveNoMesh)
{
    // 256 by 128 pixels of 0.5 by 2 units: one tile sampled every 64 units across and every 128 up.
    DxTruecolorImage image((GxRadianProjection()));
    image.SetWidth(256);
    image.SetHeight(128);
    image.SetPixelSize(GxPoint(0.5, 2.0));
    image.GenerateMesh(false, 128.0);
    ASSERT_EQ(image.GetMesh().CountTiles(), 1u);
    std::set<double> xs;
    std::set<double> ys;
    for (const GxPosition& position : image.GetMesh().BeginTiles()->PositionCoords())
    {
        xs.insert(position.mLongitude);
        ys.insert(position.mLatitude);
    }
    EXPECT_EQ(xs, (std::set<double>{0.0, 64.0, 128.0}));
    EXPECT_EQ(ys, (std::set<double>{0.0, 128.0, 256.0}));

    const std::pair<GxPoint, double> cases[] = {
        {{0.0, 1.0}, 128.0},  {{1.0, -2.0}, 128.0}, {{kNaN, 1.0}, 128.0},
        {{1.0, kInf}, 128.0}, {{1.0, 1.0}, 0.0},    {{1.0, 1.0}, kNaN},
    };
    for (const auto& [pixelSize, step] : cases)
    {
        image.SetPixelSize(GxPoint(1.0, 1.0));
        image.GenerateMesh(false, 16.0);
        ASSERT_EQ(image.GetMesh().CountTiles(), 1u);
        image.SetPixelSize(pixelSize);
        image.GenerateMesh(false, step);
        EXPECT_EQ(image.GetMesh().CountTiles(), 0u) << pixelSize.AsString() << " " << step;
    }
}
