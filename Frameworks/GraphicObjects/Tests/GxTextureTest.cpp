#include "GxGLTestSupport.h"

#include "CxDebug.h"
#include "GxMesh.h"
#include "GxTexture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

namespace
{

std::vector<CxUint8> SeededImage(CxSint32 inWidth, CxSint32 inHeight, CxSint32 inComponents, unsigned inSeed)
{
    std::mt19937 random(inSeed);
    std::vector<CxUint8> pixels(static_cast<std::size_t>(inWidth) * inHeight * inComponents);
    for (CxUint8& byte : pixels)
        byte = static_cast<CxUint8>(random() & 0xFF);
    return pixels;
}

GxMesh MakeMesh(bool inOverlapping, CxSint32 inWidth, CxSint32 inHeight, CxSint32 inMax, CxSint32 inComponents)
{
    GxMesh mesh;
    mesh.SetMaxTextureDim(inMax);
    mesh.SetNumComponents(inComponents);
    mesh.SetOverlapping(inOverlapping);
    mesh.SetWidth(inWidth);
    mesh.SetHeight(inHeight);
    mesh.Tile();
    return mesh;
}

// Model units are the picture's pixels.
class TextureTest : public gxtest::GLTest
{
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        WindowOrigin();
    }

    void Resize(CxSint16 inWidth, CxSint16 inHeight)
    {
        mContext->AdjustToBounds(CxRect(0, 0, inWidth, inHeight), CxRect(0, 0, inWidth, inHeight));
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, inWidth, 0, inHeight, -1, 1);
        glMatrixMode(GL_MODELVIEW);
    }

    // Each tile's image rectangle as a quad at its own pixels, with its texture coordinates.
    static void DrawTiles(const GxTexture& inTexture)
    {
        glEnable(GL_TEXTURE_2D);
        glColor4f(1, 1, 1, 1);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        for (auto tile = inTexture.BeginTextures(); tile != inTexture.EndTextures(); ++tile)
        {
            (*tile)->Bind();
            const CxRect& r = (*tile)->Info().TexelBounds();
            const GxRect& t = (*tile)->Info().TextureBounds();
            glBegin(GL_QUADS);
            glTexCoord2d(t.mLeft, t.mBottom);
            glVertex2d(r.left, r.top);
            glTexCoord2d(t.mRight, t.mBottom);
            glVertex2d(r.right, r.top);
            glTexCoord2d(t.mRight, t.mTop);
            glVertex2d(r.right, r.bottom);
            glTexCoord2d(t.mLeft, t.mTop);
            glVertex2d(r.left, r.bottom);
            glEnd();
        }
        glDisable(GL_TEXTURE_2D);
    }

    static std::vector<CxUint8> ReadBack(CxSint32 inWidth, CxSint32 inHeight)
    {
        std::vector<CxUint8> rgba(static_cast<std::size_t>(inWidth) * inHeight * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, inWidth, inHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        return rgba;
    }
};

} // namespace

TEST_F(TextureTest, FormatsFiltersAndWraps)
{
    struct Case
    {
        CxSint32 mComponents;
        GLenum mFormat;
    };
    for (const Case& c : {Case{1, GL_LUMINANCE}, Case{3, GL_RGB}, Case{4, GL_RGBA}})
    {
        GxTexture texture(c.mComponents);
        texture.CreateTiles(MakeMesh(false, 100, 10, 64, c.mComponents));
        EXPECT_EQ(texture.Format(), c.mFormat);
        ASSERT_EQ(texture.CountTextures(), 3u * 2u);
        EXPECT_EQ((*texture.BeginTextures())->Format(), c.mFormat);
    }

    CxDebugCapture capture;
    GxTexture odd(2);
    odd.CreateTiles(MakeMesh(false, 100, 10, 64, 2));
    EXPECT_EQ(capture.Count(), 1u);
    EXPECT_EQ(odd.CountTextures(), 0u);

    // Filters and wraps OpenGL would refuse fall back.
    GxTexture texture(4);
    texture.SetFilter(GL_REPEAT, GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(texture.MinFilter(), GL_LINEAR);
    EXPECT_EQ(texture.MagFilter(), GL_LINEAR);
    texture.SetFilter(GL_NEAREST, GL_NEAREST);
    texture.SetTextureWrap(GL_REPEAT, GL_MIRRORED_REPEAT);
    EXPECT_EQ(texture.WrapS(), GL_REPEAT);
    EXPECT_EQ(texture.WrapT(), GL_CLAMP);
    texture.CreateTiles(MakeMesh(false, 20, 20, 64, 4));
    const GxTile& tile = **texture.BeginTextures();
    EXPECT_EQ(tile.MinFilter(), GL_NEAREST);
    EXPECT_EQ(tile.MagFilter(), GL_NEAREST);

    // Overlapping textures filter linearly whatever was asked.
    GxTexture overlapping(4);
    overlapping.SetFilter(GL_NEAREST, GL_NEAREST);
    overlapping.CreateTiles(MakeMesh(true, 20, 20, 64, 4));
    EXPECT_EQ(overlapping.MinFilter(), GL_LINEAR);
    EXPECT_EQ((*overlapping.BeginTextures())->MagFilter(), GL_LINEAR);
}

TEST_F(TextureTest, SecondCallsChangeNothingAndMisuseIsReported)
{
    GxTexture texture(4);
    texture.CreateTiles(MakeMesh(false, 100, 10, 64, 4));
    const CxUint32 count = texture.CountTextures();
    const GxTile* first = *texture.BeginTextures();
    texture.CreateTiles(MakeMesh(false, 300, 300, 64, 4));
    EXPECT_EQ(texture.CountTextures(), count);
    EXPECT_EQ(*texture.BeginTextures(), first);
    EXPECT_EQ(texture.ImageWidth(), 100);

    CxDebugCapture capture;
    texture.GenTextures(*mContext);
    EXPECT_EQ(capture.Count(), 1u);
    EXPECT_EQ(first->TextureId(), 0u);

    const std::vector<CxUint8> pixels = SeededImage(100, 10, 4, 1);
    texture.SetTextureBuffer(pixels.data());
    EXPECT_EQ(capture.Count(), 1u);
    texture.SetTextureBuffer(pixels.data());
    EXPECT_EQ(capture.Count(), 2u);

    // A mesh planned for other pixels than the texture's still reads inside the buffer.
    GxTexture grey(1);
    grey.CreateTiles(MakeMesh(false, 100, 10, 64, 4));
    EXPECT_EQ(capture.Count(), 3u);
    const std::vector<CxUint8> greyPixels = SeededImage(100, 10, 1, 2);
    grey.SetTextureBuffer(greyPixels.data());
    grey.GenTextures(*mContext);
    const GxTile& last = **(grey.EndTextures() - 1);
    EXPECT_EQ(last.Info().Offset(), 8u * 100u + 96u);
}

TEST_F(TextureTest, TexturesAreTheTilesOfTheBuffer)
{
    GxMesh mesh = MakeMesh(false, 100, 40, 64, 4);
    const std::vector<CxUint8> pixels = SeededImage(100, 40, 4, 3);
    GxTexture texture(4);
    texture.CreateTiles(mesh);
    texture.SetTextureBuffer(pixels.data());
    EXPECT_EQ(texture.ImageBuffer(), pixels.data());
    texture.GenTextures(*mContext);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLint rowLength = -1;
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
    EXPECT_EQ(rowLength, 0);

    std::vector<GLuint> names;
    for (auto tile = texture.BeginTextures(); tile != texture.EndTextures(); ++tile)
    {
        ASSERT_TRUE(glIsTexture((*tile)->TextureId()));
        names.push_back((*tile)->TextureId());
        (*tile)->Bind();
        GLint width = 0;
        GLint height = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        EXPECT_EQ(width, (*tile)->Bounds().Width());
        EXPECT_EQ(height, (*tile)->Bounds().Height());
        EXPECT_EQ(width & (width - 1), 0);
        EXPECT_EQ(height & (height - 1), 0);
    }

    texture.Draw(*mContext);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), names.back());

    // Making them again replaces each tile's texture.
    texture.GenTextures(*mContext);
    std::vector<GLuint> remade;
    for (auto tile = texture.BeginTextures(); tile != texture.EndTextures(); ++tile)
        remade.push_back((*tile)->TextureId());
    for (const GLuint name : names)
    {
        if (std::find(remade.begin(), remade.end(), name) == remade.end())
        {
            EXPECT_FALSE(glIsTexture(name));
        }
    }
    {
        GxTexture gone(4);
        gone.CreateTiles(mesh);
        gone.SetTextureBuffer(pixels.data());
        gone.GenTextures(*mContext);
        names.clear();
        for (auto tile = gone.BeginTextures(); tile != gone.EndTextures(); ++tile)
            names.push_back((*tile)->TextureId());
    }
    for (const GLuint name : names)
        EXPECT_FALSE(glIsTexture(name));
    for (const GLuint name : remade)
        EXPECT_TRUE(glIsTexture(name));
}

TEST_F(TextureTest, GreyAndRgbPixelsArriveWhole)
{
    // Odd widths: the rows of one and three bytes a pixel are not 4-byte aligned.
    for (const CxSint32 components : {1, 3})
    {
        const CxSint32 width = 37;
        const CxSint32 height = 23;
        const std::vector<CxUint8> pixels = SeededImage(width, height, components, 4 + components);
        GxTexture texture(components);
        texture.CreateTiles(MakeMesh(false, width, height, 16, components));
        texture.SetTextureBuffer(pixels.data());
        texture.GenTextures(*mContext);
        glClear(GL_COLOR_BUFFER_BIT);
        DrawTiles(texture);
        const std::vector<CxUint8> picture = ReadBack(64, 64);
        int wrong = 0;
        for (CxSint32 y = 0; y < height; ++y)
            for (CxSint32 x = 0; x < width; ++x)
                for (CxSint32 c = 0; c < 3; ++c)
                {
                    const CxUint8 expected = pixels[(y * width + x) * components + (components == 1 ? 0 : c)];
                    wrong += picture[(y * 64 + x) * 4 + c] != expected;
                }
        EXPECT_EQ(wrong, 0) << components << " components";
    }
}

TEST_F(TextureTest, TiledImageMatchesItsSource)
{
    Resize(600, 300);
    const std::vector<CxUint8> pixels = SeededImage(600, 300, 4, 600300);
    for (const bool overlapping : {false, true})
    {
        GxMesh mesh = MakeMesh(overlapping, 600, 300, 256, 4);
        GxTexture texture(4);
        texture.CreateTiles(mesh);
        texture.SetTextureBuffer(pixels.data());
        EXPECT_EQ(texture.ImageBuffer() == pixels.data(), !overlapping);
        texture.GenTextures(*mContext);
        glClear(GL_COLOR_BUFFER_BIT);
        DrawTiles(texture);
        const std::vector<CxUint8> picture = ReadBack(600, 300);

        // Without overlapping every pixel; with it the inside of each tile, away from the seams.
        std::vector<bool> checked(600 * 300, !overlapping);
        if (overlapping)
            for (auto tile = texture.BeginTextures(); tile != texture.EndTextures(); ++tile)
            {
                const CxRect& r = (*tile)->Info().TexelBounds();
                for (CxSint32 y = r.top + 1; y < r.bottom - 1; ++y)
                    for (CxSint32 x = r.left + 1; x < r.right - 1; ++x)
                        checked[y * 600 + x] = true;
            }
        int compared = 0;
        int wrong = 0;
        for (std::size_t i = 0; i < checked.size(); ++i)
        {
            if (!checked[i])
                continue;
            ++compared;
            for (std::size_t c = 0; c < 4; ++c)
                wrong += picture[i * 4 + c] != pixels[i * 4 + c];
        }
        EXPECT_EQ(wrong, 0) << (overlapping ? "overlapping" : "plain");
        EXPECT_GT(compared, overlapping ? 170000 : 179999);
    }
}
