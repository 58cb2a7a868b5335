// The context's bundle textures and the drawing that uses them.

#include "GxContext.h"

#include "CxData.h"
#include "CxDebug.h"
#include "CxError.h"
#include "GxCoordinates.h"
#include "GxPNGReader.h"
#include "GxTexture.h"

#include <GL/gl.h>

// ---------------------------------------------------------------------------------------------------------------
// Bundle textures

unsigned int GxContext::LoadCached(TextureCache& ioCache, const CxString& inName)
{
    const auto found = ioCache.find(inName);
    if (found != ioCache.end())
        return found->second;
    const unsigned int texture = ReadPNGTexture(inName);
    ioCache.emplace(inName, texture);
    return texture;
}

unsigned int GxContext::GetTexture(const CxString& inName, bool inThemed)
{
    if (!inThemed)
        return LoadCached(mTextureCache, inName);
    CxString name("Mac");
    name += inName;
    name += GxThemeIdentifier().Contains(CxString("blue")) ? "Blue" : "Graphite";
    return LoadCached(mTextureCache, name);
}

unsigned int GxContext::GetIcon(const CxString& inName, CxSint32, unsigned int)
{
    return LoadCached(mIconCache, inName);
}

unsigned int GxContext::GetSymbolTexture()
{
    if (!mSymbolTextureAsked)
    {
        mSymbolTexture = GetTexture(CxString("WxSymbols"), false);
        mSymbolTextureAsked = true;
    }
    return mSymbolTexture;
}

unsigned int GxContext::ReadPNGTexture(const CxString& inName)
{
    CxData data(CxString("png"), inName);
    if (data.Size() == 0)
    {
        _CxDebugOut(__FILE__, __LINE__, "missing bundle image", (inName.AsUtf8() + ".png").c_str());
        return 0;
    }
    GxPNGReader reader;
    std::unique_ptr<CxUint8[]> pixels;
    try
    {
        pixels = reader.ReadImage(data);
    }
    catch (const CxError& error)
    {
        _CxDebugOut(__FILE__, __LINE__, "unreadable bundle image", (inName.AsUtf8() + ".png").c_str());
        return 0;
    }
    const unsigned int texture = GxNewTexture(GL_TEXTURE_2D, GL_LINEAR, GL_LINEAR, GL_CLAMP, GL_CLAMP);
    GxLoadPackedRGBA(GL_RGBA, static_cast<int>(reader.Width()), static_cast<int>(reader.Height()), pixels.get());
    return texture;
}

// ---------------------------------------------------------------------------------------------------------------
// Textured drawing

void GxContext::RoundedRect(const GxRect& inRect, double inRadius, bool inOutline)
{
    const unsigned int texture = GetTexture(CxString(inOutline ? "GxCircleOutline" : "GxCirclePlain"), false);
    glBindTexture(GL_TEXTURE_2D, texture);

    // Three columns and three rows: the corner squares take the circle's quarters, the strips between them its
    // middle line, the inside its centre.
    const double xs[4] = {inRect.mLeft, inRect.mLeft + inRadius, inRect.mRight - inRadius, inRect.mRight};
    const double ys[4] = {inRect.mBottom, inRect.mBottom + inRadius, inRect.mTop - inRadius, inRect.mTop};
    const double ts[4] = {0.0, 0.5, 0.5, 1.0};
    glBegin(GL_QUADS);
    for (int row = 0; row < 3; ++row)
    {
        for (int column = 0; column < 3; ++column)
        {
            glTexCoord2d(ts[column], ts[row]);
            glVertex2d(xs[column], ys[row]);
            glTexCoord2d(ts[column + 1], ts[row]);
            glVertex2d(xs[column + 1], ys[row]);
            glTexCoord2d(ts[column + 1], ts[row + 1]);
            glVertex2d(xs[column + 1], ys[row + 1]);
            glTexCoord2d(ts[column], ts[row + 1]);
            glVertex2d(xs[column], ys[row + 1]);
        }
    }
    glEnd();
}

void GxContext::DrawGrowBox()
{
    if (mGrowBox == 0)
        ReadGrowBox();
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    Begin2D();
    glTranslated(viewport[2] - 16.0, -1.0, 0.0);
    glBindTexture(GL_TEXTURE_2D, mGrowBox);
    glEnable(GL_TEXTURE_2D);
    glBegin(GL_TRIANGLES);
    glColor4d(1.0, 1.0, 1.0, 0.9);
    glTexCoord2d(1.0, 1.0);
    glVertex2d(16.0, 0.0);
    glColor4d(1.0, 1.0, 1.0, 0.3);
    glTexCoord2d(1.0, 0.0);
    glVertex2d(16.0, 16.0);
    glTexCoord2d(0.0, 1.0);
    glVertex2d(0.0, 0.0);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    End2D();
}
