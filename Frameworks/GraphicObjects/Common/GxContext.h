// The OpenGL context of one view. Besides making itself current and presenting frames it keeps two caches of
// textures made from bundle PNG images (plus the symbol strip and the resize grip), and offers a 2-D pixel mode,
// line helpers, a rounded rectangle, the current scale, and reading the picture back or exporting it.
//
// Main thread only: every operation expects this context to be current on the calling thread. The texture names it
// hands out belong to it and die with it; callers never delete them.
#pragma once

#include "CxString.h"
#include "CxTypes.h"

#include <functional>
#include <map>
#include <memory>

class CxFile;
class CxRect;
class GxColor;
class GxRect;
class GxWorld;
struct _cairo_surface;

class GxContext
{
public:
    GxContext(const GxContext&) = delete;
    GxContext& operator=(const GxContext&) = delete;
    virtual ~GxContext();

    virtual void Show() = 0;
    virtual void Hide() = 0;
    virtual void MakeCurrent() = 0;
    virtual void SwapBuffers() = 0;

    // The texture of the bundle image "name.png", loaded once. Themed names become "Mac" + name + "Blue" (when the
    // theme identifier contains "blue") or + "Graphite". 0 when the image is missing or cannot be read; that 0 is
    // kept too, so the failure is reported once.
    unsigned int GetTexture(const CxString& inName, bool inThemed);
    // The same from the icon cache; size and flags play no part.
    unsigned int GetIcon(const CxString& inName, CxSint32 inSize, unsigned int inFlags);
    // The strip of the 16 symbol cells, "WxSymbols".
    unsigned int GetSymbolTexture();
    // A new GL_TEXTURE_2D from a bundle PNG (bottom row first, linear, clamped); 0 when missing or unreadable.
    unsigned int ReadPNGTexture(const CxString& inName);

    // One unit per pixel, origin at the viewport's bottom left; End2D restores both matrices.
    void Begin2D();
    void End2D();
    // (0, 0, width, height) of the viewport as left, top, right, bottom.
    CxRect ViewPortBounds() const;

    // 0 becomes 0.01.
    void LineWidth(float inWidth);
    void AntiAlias();
    void PushAttribs();
    void PopAttribs();
    // True when the name is one whole word of GL_EXTENSIONS.
    bool CheckExtension(const char* inName) const;
    // Model units per pixel at the current matrices and viewport.
    float GetScaleFactor() const;

    // Nine quads textured with "GxCircleOutline" or "GxCirclePlain": quarter circles in the corners. The caller
    // sets the colour and enables texturing.
    void RoundedRect(const GxRect& inRect, double inRadius, bool inOutline);
    // The resize grip in the viewport's bottom-right corner.
    void DrawGrowBox();

    // The picture just drawn, the size of the viewport, top row first, bytes blue, green, red, alpha. Every alpha
    // is 255, except 0 for pixels equal to the transparent colour when one is given.
    std::unique_ptr<GxWorld> CreateWorld(const GxColor* inTransparent);
    // The same, inStopped asked between bands of rows: null when it answered true.
    std::unique_ptr<GxWorld> CreateWorld(const GxColor* inTransparent, const std::function<bool()>& inStopped);
    // The same read-back into a world the caller made; only the part both share is filled.
    void CopyPixelsToWorld(GxWorld* ioWorld);
    // Writes the picture as the MIME type's image ("PNGf" through libpng, "JPEG" through libjpeg). A type without
    // an image code deletes the file; a code without an exporter does nothing. A failed write deletes the file and
    // throws the file error.
    void Export(const CxString& inMime, CxFile& ioFile, const GxColor* inTransparent);
    // The same through an open file, left open, for a caller that owns the file's making. inStopped is asked
    // before the read-back and between rows: false when it answered true (what was written is the caller's to
    // remove). A type without an exporter or a failed write throws the file error.
    bool Export(const CxString& inMime, int inFile, const GxColor* inTransparent,
                const std::function<bool()>& inStopped);
    // The picture as a new Cairo RGB24 image surface; the caller destroys it. Null when none can be made.
    _cairo_surface* ExportToCGImage();

    bool SupportsTextureRectangle() const { return mTextureRectangle; }

protected:
    GxContext() = default;

    // For the concrete constructors, with the context current.
    void CheckTextureRectangle();
    // Deletes every texture of the caches and the grip; the concrete destructors call it with the context current.
    void DeleteTextures();

    // The platform handle last bound to a drawable.
    void* mPlatformContext = nullptr;

private:
    using TextureCache = std::map<CxString, unsigned int>;

    unsigned int LoadCached(TextureCache& ioCache, const CxString& inName);
    // Draws the grip into a 16 x 16 bitmap and uploads it.
    void ReadGrowBox();
    // Reads the viewport's picture into rows of inRowUnits pixels, top row first, at most inWidth x inHeight.
    void ReadPixels(void* outPixels, CxSint32 inWidth, CxSint32 inHeight, CxSint32 inRowUnits);

    unsigned int mGrowBox = 0;
    TextureCache mIconCache;
    TextureCache mTextureCache;
    bool mTextureRectangle = false;
    unsigned int mSymbolTexture = 0;
    bool mSymbolTextureAsked = false;
};

// The theme: a fixed identifier here ("blue"), which tests may change.
CxString GxThemeIdentifier();
void GxSetThemeIdentifier(const CxString& inIdentifier);
// The primary highlight colour (a fixed blue here), alpha 1.
GxColor GxSystemHiliteColor();
