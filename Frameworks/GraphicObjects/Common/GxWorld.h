// An offscreen picture: a pixel buffer (blue, green, red, alpha per pixel, top row first, rows of width x 4 bytes)
// and a picture descriptor over it, made on first request, that the image exporters read.
#pragma once

#include "CxCoordinates.h"
#include "CxTypes.h"

#include <cstddef>
#include <memory>

inline constexpr CxUint32 kGxPixelFormatBGRA = 0x42475241; // 'BGRA'

// The platform picture object: a description of the pixels, not a copy of them.
struct GxGWorld
{
    CxUint8* mPixels = nullptr;
    CxSint32 mWidth = 0;
    CxSint32 mHeight = 0;
    CxSint32 mRowBytes = 0;
    CxUint32 mPixelFormat = kGxPixelFormatBGRA;
    CxRect mBounds;
};

class GxWorld
{
public:
    // Zero-filled pixels of the bounds' size; a negative width or height counts as 0.
    explicit GxWorld(const CxRect& inBounds);
    GxWorld(const GxWorld&) = delete;
    GxWorld& operator=(const GxWorld&) = delete;
    ~GxWorld();

    // The picture object, made on the first call.
    GxGWorld* GetGWorldPtr();
    // Its pixel description (the same object here).
    GxGWorld* GetPixMap() { return GetGWorldPtr(); }
    bool HasGWorld() const { return mWorld != nullptr; }

    CxUint8* GetPixels();
    const CxRect& Bounds() const { return mBounds; }
    CxSint32 Width() const { return mWidth; }
    CxSint32 Height() const { return mHeight; }
    CxSint32 RowBytes() const { return mWidth * 4; }
    std::size_t PixelBytes() const { return static_cast<std::size_t>(mWidth) * static_cast<std::size_t>(mHeight) * 4; }

private:
    std::unique_ptr<GxGWorld> mWorld;
    CxRect mBounds;
    CxSint32 mWidth = 0;
    CxSint32 mHeight = 0;
    std::unique_ptr<CxUint8[]> mPixels;
};
