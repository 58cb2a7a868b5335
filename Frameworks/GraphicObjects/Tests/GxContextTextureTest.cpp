#include "GxBundleTestSupport.h"
#include "GxGLTestSupport.h"

#include "CxDebug.h"
#include "GxCoordinates.h"
#include "GxSymbol.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>

using gxtest::CaptureFeedback;
using gxtest::FeedbackPrimitive;
using gxtest::GLTest;
using gxtest::OfToken;
using gxtest::PlainPng;
using gxtest::TempBundle;

namespace
{

GLint TextureWidth(unsigned int inTexture)
{
    glBindTexture(GL_TEXTURE_2D, inTexture);
    GLint width = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    return width;
}

class TextureTest : public GLTest
{
protected:
    void SetUp() override
    {
        mBundle = std::make_unique<TempBundle>();
        GLTest::SetUp();
    }
    void TearDown() override
    {
        GLTest::TearDown();
        GxSetThemeIdentifier(CxString("blue"));
        mBundle.reset();
    }

    std::unique_ptr<TempBundle> mBundle;
};

} // namespace

TEST_F(TextureTest, ThemedNamesFollowTheThemeIdentifier)
{
    mBundle->Write("MacFooBlue.png", PlainPng(2, 1, 0, 0, 255));
    mBundle->Write("MacFooGraphite.png", PlainPng(3, 1, 128, 128, 128));
    const struct
    {
        const char* mTheme;
        GLint mWidth;
    } cases[] = {{"blue", 2}, {"com.example.theme.darkblue", 2}, {"graphite", 3}, {"Blue", 3}, {"", 3}};
    for (const auto& c : cases)
    {
        GxSetThemeIdentifier(CxString(c.mTheme));
        GxAGLContext context(nullptr, CxRect(0, 0, 4, 4), CxRect(0, 0, 4, 4));
        const unsigned int texture = context.GetTexture(CxString("Foo"), true);
        ASSERT_NE(texture, 0u) << c.mTheme;
        EXPECT_EQ(TextureWidth(texture), c.mWidth) << c.mTheme;
    }
}

TEST_F(TextureTest, ImagesAreReadOncePerCacheAndUploadedBottomRowFirst)
{
    gxtest::PngImage image;
    image.mWidth = 2;
    image.mHeight = 2;
    image.mRows = {{255, 0, 0, 0, 255, 0}, {0, 0, 255, 255, 255, 255}};
    mBundle->Write("Foo.png", gxtest::EncodePng(image));

    const unsigned int texture = mContext->GetTexture(CxString("Foo"), false);
    const unsigned int icon = mContext->GetIcon(CxString("Foo"), 32, 0);
    ASSERT_NE(texture, 0u);
    ASSERT_NE(icon, 0u);
    EXPECT_NE(texture, icon);

    // Gone from the bundle: the caches answer.
    mBundle->Remove("Foo.png");
    EXPECT_EQ(mContext->GetTexture(CxString("Foo"), false), texture);
    EXPECT_EQ(mContext->GetIcon(CxString("Foo"), 16, 7), icon);

    glBindTexture(GL_TEXTURE_2D, texture);
    GLubyte pixels[16] = {};
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    const GLubyte expected[16] = {0, 0, 255, 255, 255, 255, 255, 255, 255, 0, 0, 255, 0, 255, 0, 255};
    EXPECT_EQ(0, std::memcmp(pixels, expected, sizeof(expected)));
    GLint wrap = 0, minify = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrap);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minify);
    EXPECT_EQ(wrap, GL_CLAMP);
    EXPECT_EQ(minify, GL_LINEAR);
}

TEST_F(TextureTest, MissingAndCorruptImagesGiveNoTextureReportedOnce)
{
    const auto whole = PlainPng(8, 8, 1, 2, 3);
    mBundle->Write("Broken.png", std::vector<std::uint8_t>(whole.begin(), whole.begin() + whole.size() / 2));
    mBundle->Write("Empty.png", {});

    for (const char* name : {"Nowhere", "Broken", "Empty"})
    {
        CxDebugCapture capture;
        EXPECT_EQ(mContext->GetTexture(CxString(name), false), 0u) << name;
        EXPECT_EQ(capture.Count(), 1u) << name;
        EXPECT_TRUE(capture.Contains(std::string(name) + ".png")) << name;
        EXPECT_EQ(mContext->GetTexture(CxString(name), false), 0u) << name;
        EXPECT_EQ(capture.Count(), 1u) << name;
        EXPECT_EQ(mContext->GetIcon(CxString(name), 0, 0), 0u) << name;
    }
    // A themed image that is missing answers 0 as well, under its final name.
    CxDebugCapture capture;
    EXPECT_EQ(mContext->GetTexture(CxString("Nowhere"), true), 0u);
    EXPECT_TRUE(capture.Contains("MacNowhereBlue.png"));
}

TEST_F(TextureTest, TexturesDieWithTheirContext)
{
    mBundle->Write("Foo.png", PlainPng(1, 1, 9, 9, 9));
    unsigned int texture = 0;
    {
        GxCGLContext wrapper(mContext->EglContext());
        texture = wrapper.GetTexture(CxString("Foo"), false);
        ASSERT_NE(texture, 0u);
        EXPECT_TRUE(glIsTexture(texture));
    }
    EXPECT_FALSE(glIsTexture(texture));
}

// ---------------------------------------------------------------------------------------------------------------
// Symbols

namespace
{

class SymbolTest : public TextureTest
{
protected:
    void SetUp() override
    {
        TextureTest::SetUp();
        mBundle->CopyResource("WxSymbols.png");
        CentreOrigin();
    }

    std::vector<FeedbackPrimitive> DrawSymbol(const GxSymbol& inSymbol, double inSize = 10)
    {
        return CaptureFeedback([&] { inSymbol.Draw(*mContext, GxPoint(0, 0), inSize); });
    }
};

// The distinct (x, y, s, t) corners of what was drawn, in window coordinates.
std::set<std::vector<double>> Corners(const std::vector<FeedbackPrimitive>& inFeedback)
{
    std::set<std::vector<double>> corners;
    for (const auto& p : OfToken(inFeedback, GL_POLYGON_TOKEN))
        for (const auto& v : p.mVertices)
            corners.insert({std::round(v.mX * 1e4) / 1e4, std::round(v.mY * 1e4) / 1e4,
                            std::round(v.mTexture[0] * 1e6) / 1e6, std::round(v.mTexture[1] * 1e6) / 1e6});
    return corners;
}

std::set<std::vector<double>> CellQuad(double inCell)
{
    const double s0 = std::round(inCell / 16 * 1e6) / 1e6;
    const double s1 = std::round((inCell + 0.99) / 16 * 1e6) / 1e6;
    return {{22, 22, s0, 0}, {42, 22, s1, 0}, {42, 42, s1, 1}, {22, 42, s0, 1}};
}

} // namespace

TEST_F(SymbolTest, NamesPickTheirCells)
{
    const struct
    {
        const char* mName;
        CxSint32 mOffset;
    } cases[] = {{"none", -1}, {"solidCircle", 0}, {"bolt2", 15}, {"Square", 14}, {"", 14}};
    for (const auto& c : cases)
        EXPECT_EQ(GxSymbol(c.mName).Offset(), c.mOffset) << c.mName;
    EXPECT_EQ(GxSymbol().Offset(), 3);
    EXPECT_EQ(GxSymbol("Square"), GxSymbol("bolt1"));
    EXPECT_NE(GxSymbol("square"), GxSymbol("Square"));
    EXPECT_EQ(GxVector(1, 2).mHeadSymbol, GxSymbol("solidTriangleDown"));
}

TEST_F(SymbolTest, ACellIsOneTexturedSquare)
{
    const auto feedback = DrawSymbol(GxSymbol("korvel"));
    EXPECT_EQ(Corners(feedback), CellQuad(13));
    EXPECT_EQ(Corners(DrawSymbol(GxSymbol("solidCircle"))), CellQuad(0));
    EXPECT_TRUE(DrawSymbol(GxSymbol("none")).empty());
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<unsigned int>(bound), mContext->GetSymbolTexture());
}

TEST_F(SymbolTest, WithoutTheStripNothingIsDrawn)
{
    mBundle->Remove("WxSymbols.png");
    CxDebugCapture quiet;
    EXPECT_TRUE(DrawSymbol(GxSymbol("korvel")).empty());
    EXPECT_EQ(mContext->GetSymbolTexture(), 0u);
}

TEST_F(SymbolTest, DrawnCellsReadBack)
{
    // White symbols, 40 pixels across, in the middle of the picture. The bundle's square fills 0.7 of the cell's
    // half-width, the ring lies between 0.63 and 0.8 of it.
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    GxSymbol("solidSquare").Draw(*mContext, GxPoint(0, 0), 20);
    EXPECT_EQ(Pixel(32, 32), (std::vector<GLubyte>{255, 255, 255, 255}));
    EXPECT_EQ(Pixel(32 + 11, 32 - 11), (std::vector<GLubyte>{255, 255, 255, 255}));
    EXPECT_EQ(Pixel(32 + 17, 32)[3], 0);

    glClear(GL_COLOR_BUFFER_BIT);
    GxSymbol("circle").Draw(*mContext, GxPoint(0, 0), 20);
    EXPECT_EQ(Pixel(32, 32)[3], 0);
    EXPECT_EQ(Pixel(32 + 14, 32)[3], 255);
    EXPECT_EQ(Pixel(32, 32 - 15)[3], 255);
    EXPECT_EQ(Pixel(32 + 18, 32)[3], 0);
    glDisable(GL_TEXTURE_2D);
}

// ---------------------------------------------------------------------------------------------------------------
// Rounded rectangles and the grip

TEST_F(TextureTest, RoundedRectIsNineQuadsOverTheCircle)
{
    mBundle->CopyResource("GxCirclePlain.png");
    mBundle->CopyResource("GxCircleOutline.png");
    CentreOrigin();
    const double left = -20, bottom = -10, right = 20, top = 12, radius = 5;
    // The texture coordinate of a position along one axis: the circle's near half over the first radius, its
    // far half over the last, its middle line in between.
    auto coordinate = [&](double inPosition, double inLow, double inHigh)
    {
        if (inPosition < inLow + radius - 1e-6)
            return 0.5 * (inPosition - inLow) / radius;
        if (inPosition > inHigh - radius + 1e-6)
            return 0.5 + 0.5 * (inPosition - (inHigh - radius)) / radius;
        return 0.5;
    };
    for (bool outline : {false, true})
    {
        const auto feedback =
            CaptureFeedback([&] { mContext->RoundedRect(GxRect(left, bottom, right, top), radius, outline); });
        const auto polygons = OfToken(feedback, GL_POLYGON_TOKEN);
        ASSERT_FALSE(polygons.empty());
        double area = 0;
        for (const auto& p : polygons)
        {
            for (std::size_t i = 0; i < p.mVertices.size(); ++i)
            {
                const auto& a = p.mVertices[i];
                const auto& b = p.mVertices[(i + 1) % p.mVertices.size()];
                area += (a.mX * b.mY - b.mX * a.mY) / 2;
                const double x = a.mX - 32, y = a.mY - 32;
                EXPECT_NEAR(a.mTexture[0], coordinate(x, left, right), 1e-5) << x << "," << y;
                EXPECT_NEAR(a.mTexture[1], coordinate(y, bottom, top), 1e-5) << x << "," << y;
            }
        }
        // The quads tile the rectangle: every one counter-clockwise, none overlapping.
        EXPECT_NEAR(area, (right - left) * (top - bottom), 1e-3);
        EXPECT_TRUE(polygons.size() == 9 || polygons.size() == 18) << polygons.size();

        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        const unsigned int expected =
            mContext->GetTexture(CxString(outline ? "GxCircleOutline" : "GxCirclePlain"), false);
        EXPECT_NE(expected, 0u);
        EXPECT_EQ(static_cast<unsigned int>(bound), expected);
    }
}

TEST_F(TextureTest, GripSitsInTheBottomRightCorner)
{
    glColor4f(0.2f, 0.4f, 0.6f, 1.0f);
    mContext->DrawGrowBox();
    mContext->DrawGrowBox();
    int lit = 0;
    for (int y = 0; y < kSize; ++y)
    {
        for (int x = 0; x < kSize; ++x)
        {
            const bool drawn = Pixel(x, y)[3] != 0;
            lit += drawn ? 1 : 0;
            // Only inside the corner's triangle below its diagonal.
            if (drawn)
            {
                EXPECT_GE(x, kSize - 16) << x << "," << y;
                EXPECT_LT(y, 16) << x << "," << y;
                EXPECT_GE(x - (kSize - 16), y - 1) << x << "," << y;
            }
        }
    }
    EXPECT_GT(lit, 10);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
}
