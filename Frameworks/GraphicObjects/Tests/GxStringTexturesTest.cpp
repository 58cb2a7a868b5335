// Label textures through GxStringTextures: strings of one text and style share one texture, which goes with the
// last of them; the textures stay within the budget, a string past it is left without one (so it draws nothing)
// and reported once.
#include "GxGLTestSupport.h"

#include "CxDebug.h"
#include "GxFont.h"
#include "GxString.h"

#include <gtest/gtest.h>

#include <GL/glext.h>

#include <memory>
#include <set>
#include <vector>

namespace
{

class StringTexturesTest : public gxtest::GLTest
{
protected:
    void TearDown() override
    {
        GxString::SetForcePowerOfTwo(false);
        gxtest::GLTest::TearDown();
    }

    std::unique_ptr<GxString> Make(const char* inText, GxFont& inFont)
    {
        return std::make_unique<GxString>(CxString(inText), &inFont);
    }

    static std::size_t Bytes(const GxString& inString)
    {
        return std::size_t(inString.BitmapBounds().Width()) * std::size_t(inString.BitmapBounds().Height()) * 2;
    }

    // The texture's luminance-alpha image.
    static std::vector<GLubyte> Image(const GxString& inString)
    {
        std::vector<GLubyte> pixels(Bytes(inString));
        glBindTexture(inString.TextureTarget(), inString.TextureId());
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(inString.TextureTarget(), 0, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }

    GxFont mFont{0u, 12};
    GxFont mLarger{0u, 13};
};

// Rows of strings textured in turn: which share a texture with an earlier one. Equal text and font share; another
// text, font size or width limit does not; nor does a string made while power-of-two textures are forced.
TEST_F(StringTexturesTest, EqualStringsShareOneTexture)
{
    GxStringTextures textures;
    auto first = Make("1012", mFont);
    auto same = Make("1012", mFont);
    auto other = Make("1016", mFont);
    auto larger = Make("1012", mLarger);
    auto narrow = Make("1012", mFont);
    narrow->TruncateToWidth(10);
    ASSERT_TRUE(textures.Texture(*first, *mContext));
    const std::vector<GLubyte> alone = Image(*first);
    for (GxString* string : {same.get(), other.get(), larger.get(), narrow.get()})
        ASSERT_TRUE(textures.Texture(*string, *mContext));
    EXPECT_EQ(same->TextureId(), first->TextureId());
    EXPECT_EQ(same->BitmapBounds(), first->BitmapBounds());
    EXPECT_EQ(same->TextureS(), first->TextureS());
    const std::set<unsigned int> names = {first->TextureId(), other->TextureId(), larger->TextureId(),
                                          narrow->TextureId()};
    EXPECT_EQ(names.size(), 4u);
    EXPECT_EQ(textures.Count(), 4u);
    EXPECT_EQ(textures.Bytes(), Bytes(*first) + Bytes(*other) + Bytes(*larger) + Bytes(*narrow));

    // A string textured on its own has the very same image.
    auto own = Make("1012", mFont);
    own->Texture(*mContext);
    EXPECT_NE(own->TextureId(), first->TextureId());
    EXPECT_EQ(Image(*own), alone);

    GxString::SetForcePowerOfTwo(true);
    auto square = Make("1012", mFont);
    ASSERT_TRUE(textures.Texture(*square, *mContext));
    EXPECT_NE(square->TextureId(), first->TextureId());
    EXPECT_EQ(square->TextureTarget(), GLenum(GL_TEXTURE_2D));
}

// The texture lives while a string draws it: the first string's going leaves it to the second, the second's going
// deletes it and gives its bytes back. A string let go of its texture gets the shared one again.
TEST_F(StringTexturesTest, TheLastStringTakesTheTextureWithIt)
{
    GxStringTextures textures;
    auto first = Make("Fog", mFont);
    auto second = Make("Fog", mFont);
    ASSERT_TRUE(textures.Texture(*first, *mContext));
    ASSERT_TRUE(textures.Texture(*second, *mContext));
    const unsigned int name = first->TextureId();
    const std::size_t bytes = textures.Bytes();
    ASSERT_GT(bytes, 0u);
    first.reset();
    EXPECT_TRUE(glIsTexture(name));
    EXPECT_EQ(textures.Bytes(), bytes);
    second->UnTexture(*mContext);
    EXPECT_FALSE(glIsTexture(name));
    EXPECT_EQ(textures.Bytes(), 0u);
    EXPECT_EQ(textures.Count(), 0u);
    ASSERT_TRUE(textures.Texture(*second, *mContext));
    EXPECT_EQ(textures.Bytes(), bytes);
    // Strings outliving their textures' keeper still let go of them.
    auto keeper = std::make_unique<GxStringTextures>();
    auto third = Make("Mist", mFont);
    ASSERT_TRUE(keeper->Texture(*third, *mContext));
    const unsigned int kept = third->TextureId();
    keeper.reset();
    third.reset();
    EXPECT_FALSE(glIsTexture(kept));
}

// A budget of three texts' bytes: the fourth text gets no texture and draws nothing, reported once however many
// are refused; a string of a text already held still shares it, and bytes given back make room again.
TEST_F(StringTexturesTest, StringsPastTheBudgetGetNoTextureAndAreReportedOnce)
{
    auto probe = Make("1000", mFont);
    probe->Texture(*mContext);
    const std::size_t one = Bytes(*probe);
    probe.reset();

    GxStringTextures textures(3 * one);
    std::vector<std::unique_ptr<GxString>> strings;
    for (const char* text : {"1000", "1004", "1008"})
    {
        strings.push_back(Make(text, mFont));
        ASSERT_TRUE(textures.Texture(*strings.back(), *mContext)) << text;
    }
    EXPECT_EQ(textures.Bytes(), 3 * one);
    CxDebugCapture capture;
    auto past = Make("1012", mFont);
    auto pastToo = Make("1016", mFont);
    EXPECT_FALSE(textures.Texture(*past, *mContext));
    EXPECT_FALSE(textures.Texture(*pastToo, *mContext));
    EXPECT_EQ(past->TextureId(), 0u);
    EXPECT_EQ(capture.Count(), 1u);
    EXPECT_TRUE(capture.Contains("text textures past the budget"));
    EXPECT_TRUE(capture.Contains("\"1012\" and texts after it not drawn"));
    EXPECT_EQ(textures.Bytes(), 3 * one);

    // Nothing drawn from a string without a texture.
    WindowOrigin();
    glColor4f(1, 0, 0, 1);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    past->SetPosition(2, 20);
    past->Draw(*mContext, kGxHAlignLeft, kGxVAlignBottom);
    std::vector<GLubyte> rgba(std::size_t(kSize) * kSize * 4);
    glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    EXPECT_EQ(std::count(rgba.begin(), rgba.end(), GLubyte(0)), std::ptrdiff_t(rgba.size()));

    auto again = Make("1004", mFont);
    EXPECT_TRUE(textures.Texture(*again, *mContext));
    EXPECT_EQ(again->TextureId(), strings[1]->TextureId());
    strings.pop_back();
    EXPECT_TRUE(textures.Texture(*past, *mContext));
    EXPECT_NE(past->TextureId(), 0u);
    EXPECT_EQ(capture.Count(), 1u);
}

} // namespace
