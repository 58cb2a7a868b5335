#include "GxContext.h"

#include "CxCoordinates.h"
#include "CxDebug.h"
#include "CxError.h"
#include "GxColor.h"
#include "GxCoordinates.h"
#include "GxWorld.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

GxContext::~GxContext() = default;

void GxContext::CheckTextureRectangle()
{
    mTextureRectangle = CheckExtension("GL_EXT_texture_rectangle");
}

void GxContext::DeleteTextures()
{
    std::vector<GLuint> names;
    for (const auto* cache : {&mIconCache, &mTextureCache})
        for (const auto& entry : *cache)
            if (entry.second != 0)
                names.push_back(entry.second);
    if (mGrowBox != 0)
        names.push_back(mGrowBox);
    if (!names.empty())
        glDeleteTextures(static_cast<GLsizei>(names.size()), names.data());
    mIconCache.clear();
    mTextureCache.clear();
    mGrowBox = 0;
    mSymbolTexture = 0;
    mSymbolTextureAsked = false;
}

// ---------------------------------------------------------------------------------------------------------------
// Drawing services

void GxContext::Begin2D()
{
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0.0, viewport[2], 0.0, viewport[3]);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

void GxContext::End2D()
{
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

CxRect GxContext::ViewPortBounds() const
{
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    return CxRect(static_cast<CxSint16>(viewport[0]), static_cast<CxSint16>(viewport[1]),
                  static_cast<CxSint16>(viewport[2]), static_cast<CxSint16>(viewport[3]));
}

void GxContext::LineWidth(float inWidth)
{
    glLineWidth(inWidth == 0.0f ? 0.01f : inWidth);
}

void GxContext::AntiAlias()
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_LINE_SMOOTH);
}

void GxContext::PushAttribs()
{
    glPushAttrib(0xFFFFF);
}

void GxContext::PopAttribs()
{
    glPopAttrib();
}

bool GxContext::CheckExtension(const char* inName) const
{
    const auto* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (inName == nullptr || *inName == '\0' || extensions == nullptr)
        return false;
    const std::size_t length = std::strlen(inName);
    for (const char* word = extensions; *word != '\0';)
    {
        const char* next = std::strchr(word, ' ');
        const std::size_t wordLength = next != nullptr ? std::size_t(next - word) : std::strlen(word);
        if (wordLength == length && std::memcmp(word, inName, length) == 0)
            return true;
        if (next == nullptr)
            break;
        word = next + 1;
    }
    return false;
}

float GxContext::GetScaleFactor() const
{
    GLdouble modelView[16];
    GLdouble projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLdouble x0 = 0, y0 = 0, z0 = 0, x1 = 0, y1 = 0, z1 = 0;
    gluUnProject(0.0, 0.0, 0.0, modelView, projection, viewport, &x0, &y0, &z0);
    gluUnProject(32.0, 32.0, 0.0, modelView, projection, viewport, &x1, &y1, &z1);
    return static_cast<float>(std::max((x1 - x0) / 32.0, (y1 - y0) / 32.0));
}

// ---------------------------------------------------------------------------------------------------------------
// Read-back

void GxContext::ReadPixels(void* outPixels, CxSint32 inWidth, CxSint32 inHeight, CxSint32 inRowUnits)
{
    if (inWidth <= 0 || inHeight <= 0)
        return;
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, inRowUnits);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    // The rows arrive bottom first: read the block whose top edge is the viewport's, then turn it over.
    glReadPixels(viewport[0], viewport[1] + viewport[3] - inHeight, inWidth, inHeight, GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, outPixels);
    glPopClientAttrib();
    CxAssertText(glGetError() == GL_NO_ERROR, "!glerr");

    auto* bytes = static_cast<CxUint8*>(outPixels);
    const std::size_t rowBytes = static_cast<std::size_t>(inRowUnits) * 4;
    std::vector<CxUint8> swap(rowBytes);
    for (CxSint32 top = 0, bottom = inHeight - 1; top < bottom; ++top, --bottom)
    {
        std::memcpy(swap.data(), bytes + top * rowBytes, rowBytes);
        std::memcpy(bytes + top * rowBytes, bytes + bottom * rowBytes, rowBytes);
        std::memcpy(bytes + bottom * rowBytes, swap.data(), rowBytes);
    }
}

namespace
{

// A channel as the byte a pixel of that colour holds: times 255, truncated, within 0 to 255.
CxUint8 ChannelByte(double inChannel)
{
    if (!(inChannel > 0.0))
        return 0;
    if (inChannel >= 1.0)
        return 255;
    return static_cast<CxUint8>(inChannel * 255.0);
}

void SetAlpha(CxUint8* ioPixels, CxUint8* const inEnd, const GxColor* inTransparent)
{
    CxUint8* pixel = ioPixels;
    CxUint8* const end = inEnd;
    if (inTransparent == nullptr)
    {
        for (; pixel != end; pixel += 4)
            pixel[3] = 255;
        return;
    }
    const CxUint8 blue = ChannelByte(inTransparent->mBlue);
    const CxUint8 green = ChannelByte(inTransparent->mGreen);
    const CxUint8 red = ChannelByte(inTransparent->mRed);
    for (; pixel != end; pixel += 4)
        pixel[3] = pixel[0] == blue && pixel[1] == green && pixel[2] == red ? 0 : 255;
}

void SetAlpha(GxWorld& ioWorld, const GxColor* inTransparent)
{
    SetAlpha(ioWorld.GetPixels(), ioWorld.GetPixels() + ioWorld.PixelBytes(), inTransparent);
}

} // namespace

std::unique_ptr<GxWorld> GxContext::CreateWorld(const GxColor* inTransparent)
{
    MakeCurrent();
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    auto world =
        std::make_unique<GxWorld>(CxRect(0, 0, static_cast<CxSint16>(viewport[2]), static_cast<CxSint16>(viewport[3])));
    ReadPixels(world->GetPixels(), world->Width(), world->Height(), world->Width());
    SetAlpha(*world, inTransparent);
    return world;
}

std::unique_ptr<GxWorld> GxContext::CreateWorld(const GxColor* inTransparent, const std::function<bool()>& inStopped)
{
    if (inStopped && inStopped())
        return nullptr;
    MakeCurrent();
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    auto world =
        std::make_unique<GxWorld>(CxRect(0, 0, static_cast<CxSint16>(viewport[2]), static_cast<CxSint16>(viewport[3])));
    const CxSint32 width = world->Width();
    const CxSint32 height = world->Height();
    if (width <= 0 || height <= 0)
        return world;
    // A large picture takes seconds to read back: a stop is heard between bands of rows.
    constexpr CxSint32 kBandRows = 256;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    std::vector<CxUint8> band(rowBytes * kBandRows);
    CxUint8* const pixels = world->GetPixels();
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, width);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    bool stopped = false;
    for (CxSint32 top = 0; top < height && !(stopped = inStopped && inStopped()); top += kBandRows)
    {
        const CxSint32 rows = std::min(kBandRows, height - top);
        // The band's rows arrive bottom first.
        glReadPixels(viewport[0], viewport[1] + viewport[3] - top - rows, width, rows, GL_BGRA,
                     GL_UNSIGNED_INT_8_8_8_8_REV, band.data());
        CxUint8* const first = pixels + static_cast<std::size_t>(top) * rowBytes;
        for (CxSint32 row = 0; row < rows; ++row)
            std::memcpy(first + static_cast<std::size_t>(row) * rowBytes,
                        band.data() + static_cast<std::size_t>(rows - 1 - row) * rowBytes, rowBytes);
        SetAlpha(first, first + static_cast<std::size_t>(rows) * rowBytes, inTransparent);
    }
    glPopClientAttrib();
    CxAssertText(glGetError() == GL_NO_ERROR, "!glerr");
    return stopped ? nullptr : std::move(world);
}

void GxContext::CopyPixelsToWorld(GxWorld* ioWorld)
{
    if (ioWorld == nullptr)
        return;
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    // A world of another size than the viewport takes the part both share, never more than it holds.
    ReadPixels(ioWorld->GetPixels(), std::min<CxSint32>(viewport[2], ioWorld->Width()),
               std::min<CxSint32>(viewport[3], ioWorld->Height()), ioWorld->Width());
    SetAlpha(*ioWorld, nullptr);
}
