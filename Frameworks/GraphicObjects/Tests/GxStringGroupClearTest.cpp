// A string group cleared, as a map's contour labels are at every rebuild: its strings go, and with them every
// texture no string outside the group still draws.
#include "GxGLTestSupport.h"

#include "GxFont.h"
#include "GxString.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace
{

using StringGroupClearTest = gxtest::GLTest;

TEST_F(StringGroupClearTest, ClearingDeletesTheStringsAndLetsTheirTexturesGo)
{
    GxFont font(0u, 12);
    GxStringTextures textures;
    GxStringGroup group;
    // Two labels sharing one texture, one of its own, and one whose texture a string outside the group shares.
    std::vector<unsigned int> ownNames;
    for (const char* text : {"1012", "1012", "1016"})
    {
        auto* label = new GxString(CxString(text), &font);
        ASSERT_TRUE(textures.Texture(*label, *mContext));
        ownNames.push_back(label->TextureId());
        group.Add(label);
    }
    auto outside = std::make_unique<GxString>(CxString("1020"), &font);
    ASSERT_TRUE(textures.Texture(*outside, *mContext));
    auto* sharing = new GxString(CxString("1020"), &font);
    ASSERT_TRUE(textures.Texture(*sharing, *mContext));
    group.Add(sharing);
    group.SortAndClip(0.0);
    ASSERT_EQ(group.Count(), 4u);
    ASSERT_EQ(textures.Count(), 3u);

    group.ClearAll();
    EXPECT_EQ(group.Count(), 0u);
    EXPECT_TRUE(group.DrawList().empty());
    for (const unsigned int name : ownNames)
        EXPECT_FALSE(glIsTexture(name)) << name;
    EXPECT_TRUE(glIsTexture(outside->TextureId()));
    EXPECT_EQ(textures.Count(), 1u);
    outside.reset();
    EXPECT_EQ(textures.Count(), 0u);
    EXPECT_EQ(textures.Bytes(), 0u);

    // The group takes strings again after a clear.
    group.Add(new GxString(CxString("1024"), &font));
    EXPECT_EQ(group.Count(), 1u);
}

} // namespace
