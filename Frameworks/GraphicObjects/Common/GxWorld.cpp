#include "GxWorld.h"

#include "CxDebug.h"

#include <algorithm>
#include <cstring>

GxWorld::GxWorld(const CxRect& inBounds)
    : mBounds(inBounds), mWidth(std::max(0, static_cast<int>(inBounds.right) - static_cast<int>(inBounds.left))),
      mHeight(std::max(0, static_cast<int>(inBounds.bottom) - static_cast<int>(inBounds.top))),
      mPixels(new CxUint8[PixelBytes()])
{
    // Zeroed in one call, which every build does at memory speed: a byte loop is slow under the sanitizers.
    std::memset(mPixels.get(), 0, PixelBytes());
}

GxWorld::~GxWorld() = default;

GxGWorld* GxWorld::GetGWorldPtr()
{
    if (!mWorld)
    {
        mWorld = std::make_unique<GxGWorld>();
        mWorld->mPixels = mPixels.get();
        mWorld->mWidth = mWidth;
        mWorld->mHeight = mHeight;
        mWorld->mRowBytes = RowBytes();
        mWorld->mBounds = mBounds;
    }
    return mWorld.get();
}

CxUint8* GxWorld::GetPixels()
{
    CxAssertText(mPixels != nullptr, "mPixels != nil");
    return mPixels.get();
}
