#include "GxGLTestSupport.h"

#include "CxDebug.h"
#include "GxFont.h"
#include "GxString.h"

#include <gtest/gtest.h>

#include <GL/glext.h>

#include <cmath>
#include <memory>
#include <vector>

namespace
{

// Model coordinates are window pixels: the 64 x 64 viewport from (0, 0) to (64, 64).
class StringTest : public gxtest::GLTest
{
protected:
    void SetUp() override
    {
        gxtest::GLTest::SetUp();
        WindowOrigin();
    }

    void TearDown() override
    {
        GxString::SetForcePowerOfTwo(false);
        gxtest::GLTest::TearDown();
    }

    GxFont mFont{0u, 12};
};

struct InkBox
{
    int mCount = 0;
    int mLeft = 1 << 20;
    int mBottom = 1 << 20;
    int mRight = -1;
    int mTop = -1;
};

// Pixels with any red, in window coordinates.
InkBox FindInk(int inSize)
{
    std::vector<GLubyte> rgba(static_cast<std::size_t>(inSize) * inSize * 4);
    glReadPixels(0, 0, inSize, inSize, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    InkBox box;
    for (int y = 0; y < inSize; ++y)
        for (int x = 0; x < inSize; ++x)
            if (rgba[(y * inSize + x) * 4] != 0)
            {
                ++box.mCount;
                box.mLeft = std::min(box.mLeft, x);
                box.mRight = std::max(box.mRight, x + 1);
                box.mBottom = std::min(box.mBottom, y);
                box.mTop = std::max(box.mTop, y + 1);
            }
    return box;
}

GLint TextureSide(const GxString& inString, GLenum inWhich)
{
    glBindTexture(inString.TextureTarget(), inString.TextureId());
    GLint side = 0;
    glGetTexLevelParameteriv(inString.TextureTarget(), 0, inWhich, &side);
    return side;
}

} // namespace

TEST_F(StringTest, HelloIsDrawnInsideItsRectangleOnBothTexturePaths)
{
    ASSERT_TRUE(mContext->SupportsTextureRectangle());
    for (const bool powerOfTwo : {false, true})
    {
        GxString::SetForcePowerOfTwo(powerOfTwo);
        glClear(GL_COLOR_BUFFER_BIT);
        GxString hello("Hello", &mFont);
        EXPECT_EQ(hello.Ascent(), 13);
        EXPECT_EQ(hello.Descent(), 4);
        ASSERT_GT(hello.Width(), 20);
        hello.Texture(*mContext);
        ASSERT_NE(hello.TextureId(), 0u);
        EXPECT_EQ(hello.TextureTarget(), powerOfTwo ? GLenum(GL_TEXTURE_2D) : GLenum(GL_TEXTURE_RECTANGLE_ARB));

        hello.SetPosition(10, 20);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glColor4f(1, 1, 1, 1);
        hello.Draw(*mContext, kGxHAlignLeft, kGxVAlignBottom);
        glDisable(GL_BLEND);
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_RECTANGLE_ARB));

        const InkBox ink = FindInk(kSize);
        EXPECT_GT(ink.mCount, 40) << powerOfTwo;
        EXPECT_GE(ink.mLeft, 10);
        EXPECT_LE(ink.mRight, 10 + hello.Width());
        EXPECT_GE(ink.mBottom, 20);
        EXPECT_LE(ink.mTop, 20 + hello.Height());
        // "H" stands on the baseline, 4 pixels up (the round letters dip a little below), and reaches its cap
        // height.
        EXPECT_GE(ink.mBottom, 20 + hello.Descent() - 1);
        EXPECT_LE(ink.mBottom, 20 + hello.Descent());
        EXPECT_GE(ink.mTop, 20 + hello.Descent() + 9);
    }
}

TEST_F(StringTest, TextureSizes)
{
    struct Case
    {
        CxSint32 mSize;
        CxSint32 mPower;
    };
    for (const Case& c : {Case{50, 64}, Case{14, 16}, Case{64, 128}, Case{1, 2}, Case{0, 2}, Case{-5, 2}})
        EXPECT_EQ(GxString::PowerOfTwoAbove(c.mSize), c.mPower) << c.mSize;

    GxString text("Weather", &mFont);
    text.Texture(*mContext);
    EXPECT_EQ(TextureSide(text, GL_TEXTURE_WIDTH), text.Width());
    EXPECT_EQ(TextureSide(text, GL_TEXTURE_HEIGHT), text.Height());
    EXPECT_EQ(text.BitmapBounds(), CxRect(0, 0, text.Width(), text.Height()));
    EXPECT_EQ(text.TextureS(), static_cast<float>(text.Width()));

    GxString::SetForcePowerOfTwo(true);
    text.UnTexture(*mContext);
    EXPECT_EQ(text.TextureId(), 0u);
    text.Texture(*mContext);
    EXPECT_EQ(TextureSide(text, GL_TEXTURE_WIDTH), GxString::PowerOfTwoAbove(text.Width()));
    EXPECT_EQ(TextureSide(text, GL_TEXTURE_HEIGHT), 32); // 17 pixels high
    EXPECT_EQ(text.TextureS(), 1.0f);

    // An empty text still gets a texture of the smallest size.
    GxString empty("", &mFont);
    empty.Texture(*mContext);
    EXPECT_EQ(TextureSide(empty, GL_TEXTURE_WIDTH), 2);
}

TEST_F(StringTest, Truncation)
{
    GxString label("Oklahoma City Will Rogers World Airport", &mFont);
    const CxSint32 full = label.Width();
    label.TruncateToWidth(90);
    EXPECT_LE(label.Width(), 90);
    EXPECT_GT(label.Width(), 60);
    EXPECT_EQ(label.GetString(), "Oklahoma City Will Rogers World Airport");
    label.TruncateToWidth(0);
    EXPECT_EQ(label.Width(), full);

    // Too narrow even for the ellipsis: the width shrinks to its ink and one pixel.
    const GxString ellipsis(CxString(u"\u2026"), &mFont);
    label.TruncateToWidth(3);
    EXPECT_LT(label.Width(), ellipsis.Width());
    EXPECT_GT(label.Width(), 3);
}

TEST_F(StringTest, AlignmentsPlaceTheWindowBounds)
{
    GxString text("Gale", &mFont);
    const double w = text.Width();
    const double a = text.Ascent();
    const double d = text.Descent();
    const double m = 5;
    text.SetPosition(32, 32);
    struct Case
    {
        GxHAlign mH;
        GxVAlign mV;
        double mLeft;   // where the bounds' left edge lies
        double mBottom; // and their bottom edge
    };
    const Case cases[] = {
        {kGxHAlignLeft, kGxVAlignTop, 32 + m, 32 - m - a},                // top the margin below the anchor
        {kGxHAlignCenter, kGxVAlignAscentCenter, 32 - w / 2, 32 - a / 2}, // ascent centred
        {kGxHAlignCenter, kGxVAlignCenter, 32 - w / 2, 32 - (a + d) / 2}, // whole height centred
        {kGxHAlignRight, kGxVAlignBottom, 32 - m - w, 32 + m},            // right edge 5 left, bottom 5 up
        {kGxHAlignRight, kGxVAlignBaseline, 32 - m - w, 32 + m - d},      // baseline 5 up
        {GxHAlign(7), GxVAlign(9), 32 + m, 32 + m},                       // others as left and bottom
    };
    for (const Case& c : cases)
    {
        text.SetAlignment(c.mH, c.mV, static_cast<CxSint32>(m));
        ASSERT_TRUE(text.CalcWorldBounds());
        EXPECT_DOUBLE_EQ(text.WindowBounds().mLeft, c.mLeft) << c.mH << " " << c.mV;
        EXPECT_DOUBLE_EQ(text.WindowBounds().mBottom, c.mBottom) << c.mH << " " << c.mV;
        EXPECT_DOUBLE_EQ(text.WindowBounds().Width(), w);
        EXPECT_DOUBLE_EQ(text.WindowBounds().Height(), a + d);
    }
    // With no margin, centre and middle put the bitmap's centre on the anchor.
    text.SetAlignment(kGxHAlignCenter, kGxVAlignCenter, 0);
    text.CalcWorldBounds();
    EXPECT_DOUBLE_EQ(text.WindowBounds().XCenter(), 32);
    EXPECT_DOUBLE_EQ(text.WindowBounds().YCenter(), 32);
}

TEST_F(StringTest, AnchorsOutsideTheViewportAreInvisible)
{
    GxString text("Gust", &mFont);
    struct Case
    {
        double mX;
        double mY;
        bool mVisible;
    };
    for (const Case& c : {Case{20, 20, true}, Case{100, 20, false}, Case{-200, 20, false}, Case{20, 70, false},
                          Case{-5, -5, true}, Case{64, 10, false}})
    {
        text.SetPosition(c.mX, c.mY);
        EXPECT_EQ(text.CalcWorldBounds(), c.mVisible) << c.mX << "," << c.mY;
        EXPECT_EQ(text.IsVisible(), c.mVisible);
    }
    // Every depth is accepted again.
    EXPECT_TRUE(text.ZClip(0.5f));
    EXPECT_TRUE(text.IsVisible());
}

TEST_F(StringTest, DrawGLSnapsToThePixelGrid)
{
    GxString text("Ice", &mFont);
    text.Texture(*mContext);
    text.SetPosition(10.7, 20.2);
    ASSERT_TRUE(text.CalcWorldBounds());
    text.SetPixelOffset(GxPoint(2, 3));
    const double w = text.BitmapBounds().Width();
    const double h = text.BitmapBounds().Height();
    mContext->Begin2D();
    const auto drawn = gxtest::CaptureFeedback([&] { text.DrawGL(); });
    double after[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, after);
    mContext->End2D();
    ASSERT_EQ(drawn.size(), 2u);
    for (const auto& triangle : drawn)
        for (const auto& vertex : triangle.mVertices)
        {
            EXPECT_TRUE(std::fabs(vertex.mX - (12.375)) < 1e-4 || std::fabs(vertex.mX - (12.375 + w)) < 1e-4)
                << vertex.mX;
            EXPECT_TRUE(std::fabs(vertex.mY - (23.375)) < 1e-4 || std::fabs(vertex.mY - (23.375 + h)) < 1e-4)
                << vertex.mY;
        }
    // The translation is undone.
    EXPECT_DOUBLE_EQ(after[12], 0.0);
    EXPECT_DOUBLE_EQ(after[13], 0.0);
    EXPECT_DOUBLE_EQ(after[14], 0.0);
}

TEST_F(StringTest, TheFontMayGoOnceLaidOut)
{
    auto font = std::make_unique<GxFont>(0u, 12);
    GxString text("Visibility 10 miles", font.get());
    const CxSint32 width = text.Width();
    text.Texture(*mContext);
    font.reset();
    text.TruncateToWidth(50);
    EXPECT_LE(text.Width(), 50);
    text.SetString("Fog");
    EXPECT_GT(text.Width(), 0);
    EXPECT_LT(text.Width(), width);
    text.SetPosition(5, 5);
    text.Draw(*mContext, kGxHAlignLeft, kGxVAlignBottom);
    text.UnTexture(*mContext);
    text.Texture(*mContext);
    EXPECT_NE(text.TextureId(), 0u);
    EXPECT_EQ(text.FontSize(), 12);
}

TEST_F(StringTest, HugeAndEmptySizesStayWithinTheLimits)
{
    CxDebugCapture capture;
    GxFont huge(0u, 30000);
    GxString text("Tornado warning in effect until midnight", &huge);
    EXPECT_EQ(capture.Count(), 1u);
    EXPECT_LE(text.Height(), 1300);
    text.Texture(*mContext);
    GLint limit = 0;
    glGetIntegerv(GL_MAX_RECTANGLE_TEXTURE_SIZE_ARB, &limit);
    ASSERT_GT(text.Width(), limit); // the text is cut at the right
    EXPECT_EQ(text.BitmapBounds().Width(), limit);
    EXPECT_EQ(TextureSide(text, GL_TEXTURE_WIDTH), limit);
    EXPECT_EQ(TextureSide(text, GL_TEXTURE_HEIGHT), text.Height());

    for (const CxSint16 size : {CxSint16(0), CxSint16(-4)})
    {
        GxFont none(0u, size);
        GxString empty("Snow", &none);
        EXPECT_EQ(empty.Width(), 0);
        EXPECT_EQ(empty.Height(), 0);
    }
    GxString fontless("Rain", nullptr);
    EXPECT_EQ(fontless.Width(), 0);
    fontless.Texture(*mContext);
    fontless.Draw(*mContext, kGxHAlignCenter, kGxVAlignCenter);
}
