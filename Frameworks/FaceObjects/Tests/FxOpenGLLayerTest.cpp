// The Cocoa layer's read-back on its own: it gives the pixels its pbuffer holds, a pixel more each way for a
// layer of a fractional size, and nothing for a size that is empty or larger.
#include "FxOpenGLLayer.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

namespace
{

// The layer without an instance clears to 0.8 grey.
constexpr std::uint8_t kGrey = 204;

// A new layer's one reference, released however the test ends.
struct HeldLayer
{
    FxOpenGLLayer* const mLayer = new FxOpenGLLayer;

    HeldLayer() = default;
    HeldLayer(const HeldLayer&) = delete;
    HeldLayer& operator=(const HeldLayer&) = delete;
    ~HeldLayer() { mLayer->Release(); }
};

TEST(FxOpenGLLayerTest, ReadPixelsGivesWhatThePbufferHoldsOrNothing)
{
    constexpr int kWidth = 40;
    constexpr int kHeight = 30;
    const HeldLayer held;
    FxOpenGLLayer* layer = held.mLayer;
    std::vector<std::uint8_t> pixels;
    EXPECT_FALSE(layer->ReadPixels(kWidth, kHeight, pixels)); // no pbuffer before the first display
    EXPECT_TRUE(pixels.empty());
    layer->SetBounds(pf::Rect{0, 0, kWidth, kHeight});
    layer->Display(0);
    ASSERT_EQ(layer->SurfaceWidth(), kWidth);
    ASSERT_EQ(layer->SurfaceHeight(), kHeight);

    const struct
    {
        int mWidth, mHeight;
        bool mRead;
    } kRows[] = {
        {kWidth, kHeight, true},
        {kWidth + 1, kHeight + 1, true}, // a fractional layer's extra column and row
        {1, 1, true},
        {kWidth + 2, kHeight, false},
        {kWidth, kHeight + 2, false},
        {0, kHeight, false},
        {-1, kHeight, false},
        {kWidth, 0, false},
        {kWidth, -1, false},
        {kWidth, INT_MIN, false},
    };
    for (const auto& row : kRows)
    {
        SCOPED_TRACE(std::to_string(row.mWidth) + " x " + std::to_string(row.mHeight));
        pixels.clear();
        EXPECT_EQ(layer->ReadPixels(row.mWidth, row.mHeight, pixels), row.mRead);
        if (!row.mRead)
        {
            EXPECT_TRUE(pixels.empty());
            continue;
        }
        ASSERT_EQ(pixels.size(), std::size_t(row.mWidth) * std::size_t(row.mHeight) * 4);
        for (int y = 0; y < row.mHeight; ++y)
            for (int x = 0; x < row.mWidth; ++x)
            {
                // The bottom-left corner lies outside the placeholder's turning square; past the pbuffer nothing.
                const std::uint8_t* p = &pixels[(std::size_t(y) * std::size_t(row.mWidth) + std::size_t(x)) * 4];
                if (x >= kWidth || y >= kHeight)
                {
                    ASSERT_EQ(p[0] + p[1] + p[2] + p[3], 0) << x << "," << y;
                }
                else if (x < 5 && y < 5)
                {
                    ASSERT_EQ(p[0], kGrey) << x << "," << y;
                }
            }
    }
}

} // namespace
