#include "GxBundleTestSupport.h"
#include "GxGLTestSupport.h"

#include "GxColorGradient.h"
#include "GxContext.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

using gxtest::CaptureFeedback;
using gxtest::FeedbackPrimitive;
using gxtest::OfToken;
using gxtest::Quad;
using gxtest::Quads;

namespace
{

// Left, bottom, right, top (or s, t, s, t), each to four units in the last place.
testing::Matcher<const std::array<double, 4>&> Is(double inLeft, double inBottom, double inRight, double inTop)
{
    return testing::Pointwise(testing::DoubleEq(), std::array<double, 4>{inLeft, inBottom, inRight, inTop});
}

const std::vector<double> kBlack = {0, 0, 0, 1};
const std::vector<double> kWhite = {1, 1, 1, 1};

GxColorPoint Key(CxSint32 inIndex, bool inSelected)
{
    GxColorPoint key(inIndex);
    key.SetColor(GxColor(0.2, 0.4, 0.6, 1));
    key.SetPosition(GxPoint(30, 20));
    if (inSelected)
        key.Select();
    return key;
}

// Model units are pixels, origin at the bottom left. Each playhead image of the private bundle is one plain colour.
class GxColorKeyTest : public gxtest::GLTest
{
protected:
    void SetUp() override
    {
        mBundle.CopyResource("WxSymbols.png");
        mBundle.Write("MacGxPlayheadBlue.png", gxtest::PlainPng(16, 16, 200, 0, 0));
        mBundle.Write("MacGxPlayheadDefaultBlue.png", gxtest::PlainPng(16, 16, 0, 200, 0));
        mBundle.Write("MacGxPlayheadGraphite.png", gxtest::PlainPng(16, 16, 0, 0, 200));
        mBundle.Write("MacGxPlayheadDefaultGraphite.png", gxtest::PlainPng(16, 16, 200, 200, 0));
        GLTest::SetUp();
        WindowOrigin();
    }

    void TearDown() override
    {
        GLTest::TearDown();
        GxSetThemeIdentifier(CxString("blue"));
    }

    gxtest::TempBundle mBundle;
};

} // namespace

TEST_F(GxColorKeyTest, EndKeysDrawBlackAndWhiteSquaresRaisedBy5)
{
    const struct
    {
        CxSint32 mIndex;
        bool mSelected;
        std::size_t mSquares;
    } cases[] = {{1, false, 2}, {254, false, 2}, {1, true, 1}, {254, true, 1}};
    for (const auto& c : cases)
    {
        const GxColorPoint key = Key(c.mIndex, c.mSelected);
        const std::vector<Quad> quads = Quads(CaptureFeedback([&] { key.Draw(*mContext); }));
        const std::string name = std::to_string(c.mIndex) + (c.mSelected ? " selected" : "");
        ASSERT_EQ(quads.size(), c.mSquares) << name;
        // Symbols span twice their size around the point (30, 25).
        EXPECT_EQ(quads[0].mColor, kBlack) << name;
        EXPECT_THAT(quads[0].Box(), Is(24, 19, 36, 31)) << name;
        if (c.mSquares == 2)
        {
            EXPECT_EQ(quads[1].mColor, kWhite) << name;
            EXPECT_THAT(quads[1].Box(), Is(25, 20, 35, 30)) << name;
        }
        // The cell of "solidSquare", the third of sixteen.
        EXPECT_NEAR(quads[0].mSLeft, 2.0 / 16, 1e-6) << name;
        EXPECT_NEAR(quads[0].mSRight, 2.99 / 16, 1e-6) << name;
    }
}

TEST_F(GxColorKeyTest, MiddleKeysDrawOneTexturedQuadAboveThePosition)
{
    for (CxSint32 index : {0, 2, 100, 253, 255})
    {
        for (bool selected : {false, true})
        {
            const GxColorPoint key = Key(index, selected);
            const std::vector<Quad> quads = Quads(CaptureFeedback([&] { key.Draw(*mContext); }));
            const std::string name = std::to_string(index) + (selected ? " selected" : "");
            ASSERT_EQ(quads.size(), 1u) << name;
            EXPECT_EQ(quads[0].mColor, kWhite) << name;
            EXPECT_THAT(quads[0].Box(), Is(22, 20, 38, 36)) << name;
            EXPECT_THAT(quads[0].Texture(), Is(0, 0, 1, 1)) << name;
        }
    }
}

TEST_F(GxColorKeyTest, MiddleKeyShowsTheThemedPlayhead)
{
    const struct
    {
        const char* mTheme;
        bool mSelected;
        std::vector<GLubyte> mPixel;
    } cases[] = {
        {"blue", true, {200, 0, 0, 255}},
        {"blue", false, {0, 200, 0, 255}},
        {"graphite", true, {0, 0, 200, 255}},
        {"graphite", false, {200, 200, 0, 255}},
    };
    for (const auto& c : cases)
    {
        GxSetThemeIdentifier(CxString(c.mTheme));
        glClear(GL_COLOR_BUFFER_BIT);
        Key(100, c.mSelected).Draw(*mContext);
        EXPECT_EQ(Pixel(30, 28), c.mPixel) << c.mTheme << (c.mSelected ? " selected" : "");
        EXPECT_EQ(Pixel(30, 40), (std::vector<GLubyte>{0, 0, 0, 0})) << "above the marker";
        // The caller's texturing state is left as it was.
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        GLint bound = -1;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(bound, 0);
    }
}

TEST_F(GxColorKeyTest, BundlePlayheadsLoad)
{
    for (const char* name : {"MacGxPlayheadBlue.png", "MacGxPlayheadDefaultBlue.png"})
    {
        mBundle.Remove(name);
        mBundle.CopyResource(name);
    }
    std::vector<std::vector<GLubyte>> centres;
    for (bool selected : {false, true})
    {
        glClear(GL_COLOR_BUFFER_BIT);
        Key(100, selected).Draw(*mContext);
        const std::vector<GLubyte> centre = Pixel(30, 28);
        EXPECT_EQ(centre[3], 255) << selected;
        EXPECT_NE(centre, (std::vector<GLubyte>{255, 255, 255, 255})) << "untextured white, selected " << selected;
        EXPECT_GT(centre[2], centre[0]) << "a blue playhead, selected " << selected;
        centres.push_back(centre);
    }
    EXPECT_NE(centres[0], centres[1]);
}
