// The texture of an indexed image against a plain per-pixel lookup, over the widths and index mixes that decide
// how a row is walked: runs of index 0 taken eight at a time, steps with other indexes, rows whose end is not a
// whole step, and palettes shorter than the indexes they are asked for.
#include "DxImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace
{
using Bytes = std::vector<CxUint8>;

const GxDegreeProjection kDegrees;

// Entry i is the bytes (i, 255 - i, 3i, 7i) (mod 256): every byte differs between neighbouring entries.
GxColorTable Palette(std::size_t inSize)
{
    GxColorTable colors(kGxNidsReflectivityColors8);
    colors.clear();
    for (std::size_t i = 0; i < inSize; ++i)
        colors.push_back(GxColor(8, CxUint32(i), CxUint32(255 - i), CxUint32(3 * i % 256), CxUint32(7 * i % 256)));
    return colors;
}

// What one texel must be: the entry's four bytes, or zeros past the palette.
Bytes Expected(const Bytes& inPixels, std::size_t inWidth, std::size_t inHeight, std::size_t inColors)
{
    Bytes texels;
    for (std::size_t row = inHeight; row-- > 0;)
        for (std::size_t column = 0; column < inWidth; ++column)
        {
            const std::size_t index = inPixels[row * inWidth + column];
            const Bytes texel = index < inColors ? Bytes{CxUint8(index), CxUint8(255 - index), CxUint8(3 * index % 256),
                                                         CxUint8(7 * index % 256)}
                                                 : Bytes{0, 0, 0, 0};
            texels.insert(texels.end(), texel.begin(), texel.end());
        }
    return texels;
}
} // namespace

TEST(DxIndexedTexels, EveryWalkOfARowMatchesThePlainLookup)
{
    struct Case
    {
        const char* mName;
        std::size_t mWidth, mHeight, mColors;
        CxUint32 mLargest;  // pixels drawn from 0 to this
        double mLargeShare; // the share of pixels set to 16 or more
    };
    const Case cases[] = {
        {"run-length levels, 256-wide rows", 256, 9, 16, 15, 0.0},
        {"run-length levels, rows ending inside a step", 77, 5, 16, 15, 0.0},
        {"levels above a short palette", 64, 4, 6, 15, 0.0},
        {"digital levels", 1280, 3, 256, 255, 0.5},
        {"a rare large level among small ones", 96, 33, 256, 15, 0.01},
        {"large levels past the palette", 40, 7, 20, 255, 0.3},
        {"narrower than a step", 31, 3, 16, 255, 0.2},
        {"one pixel", 1, 1, 16, 15, 0.0},
    };
    std::mt19937 random(7);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.mName);
        Bytes pixels(c.mWidth * c.mHeight);
        std::uniform_int_distribution<CxUint32> small(0, std::min<CxUint32>(c.mLargest, 15));
        std::uniform_int_distribution<CxUint32> large(16, std::max<CxUint32>(c.mLargest, 16));
        std::bernoulli_distribution isLarge(c.mLargeShare);
        for (CxUint8& pixel : pixels)
            pixel = CxUint8(isLarge(random) ? large(random) : small(random));
        // Runs of index 0, the most common value, in whole and partial steps.
        for (std::size_t i = 0; i < pixels.size(); i += 50)
            std::fill_n(pixels.begin() + i, std::min<std::size_t>(20, pixels.size() - i), 0);

        DxIndexedImage image(kDegrees);
        image.SetWidth(CxSint32(c.mWidth));
        image.SetHeight(CxSint32(c.mHeight));
        image.Reserve();
        ASSERT_NE(image.Pixels(), nullptr);
        std::memcpy(image.Pixels(), pixels.data(), pixels.size());
        image.AcceptColorTable(Palette(c.mColors));
        const CxUint8* buffer = image.GetTextureBuffer();
        ASSERT_NE(buffer, nullptr);
        const Bytes expected = Expected(pixels, c.mWidth, c.mHeight, c.mColors);
        std::size_t wrong = 0;
        for (std::size_t i = 0; i < expected.size(); ++i)
            wrong += buffer[i] != expected[i];
        EXPECT_EQ(wrong, 0u);
    }
}
