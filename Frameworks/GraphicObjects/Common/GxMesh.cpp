#include "GxMesh.h"

#include "CxDebug.h"

#include <algorithm>
#include <cstring>

void GxMesh::SetMaxTextureDim(CxSint32 inDim)
{
    CxSint32 dim = 0;
    if (inDim > 0)
    {
        dim = 1;
        while (dim <= inDim / 2)
            dim *= 2;
    }
    mMaxTextureDim = dim;
}

void GxMesh::SetNumComponents(CxSint32 inComponents)
{
    mBitsPerPixel = inComponents * 8;
}

CxSint32 GxMesh::CheckedSize(CxSint32 inSize) const
{
    CxAssertText(inSize >= 0 && inSize <= kMaxImageDim, "inSize >= 0 && inSize <= 32764");
    return inSize >= 0 && inSize <= kMaxImageDim ? inSize : 0;
}

void GxMesh::SetWidth(CxSint32 inWidth)
{
    mImageWidth = CheckedSize(inWidth);
    mPaddedWidth = mOverlapping ? PaddedSize(mImageWidth) : mImageWidth;
    mCountHorizontal = GetNumberOfTexturesFromTextureDim(mPaddedWidth);
}

void GxMesh::SetHeight(CxSint32 inHeight)
{
    mImageHeight = CheckedSize(inHeight);
    mPaddedHeight = mOverlapping ? PaddedSize(mImageHeight) : mImageHeight;
    mCountVertical = GetNumberOfTexturesFromTextureDim(mPaddedHeight);
}

CxRect GxMesh::TextureBounds() const
{
    return CxRect(0, 0, static_cast<CxSint16>(mPaddedWidth), static_cast<CxSint16>(mPaddedHeight));
}

CxRect GxMesh::ImageBounds() const
{
    return CxRect(0, 0, static_cast<CxSint16>(mImageWidth), static_cast<CxSint16>(mImageHeight));
}

CxSint32 GxMesh::GetNextTextureSize(CxSint32 inSize) const
{
    CxSint32 dim = mMaxTextureDim;
    while (dim > 0 && dim > inSize)
        dim /= 2;
    return dim;
}

CxSint32 GxMesh::GetNumberOfTexturesFromTextureDim(CxSint32 inDim) const
{
    const CxSint32 border = Border();
    CxSint32 rest = inDim - border;
    CxSint32 dim = mMaxTextureDim;
    CxSint32 count = 0;
    while (dim > border)
    {
        if (rest >= dim - border)
        {
            ++count;
            rest -= dim - border;
        }
        else
            dim /= 2;
    }
    return count;
}

void GxMesh::Tile()
{
    if (!mTiles.empty())
        return;
    const CxSint32 border = Border();
    const double ov = mOverlapping ? 1.0 : 0.0;
    mTiles.reserve(static_cast<std::size_t>(mCountHorizontal) * static_cast<std::size_t>(mCountVertical));
    // The counts bound the loops: each step takes what the greedy count took, so the two always agree.
    CxSint32 x0 = 0;
    for (CxSint32 column = 0; column < mCountHorizontal; ++column)
    {
        const CxSint32 w = GetNextTextureSize(mPaddedWidth - x0);
        CxSint32 y0 = 0;
        for (CxSint32 row = 0; row < mCountVertical; ++row)
        {
            const CxSint32 h = GetNextTextureSize(mPaddedHeight - y0);
            GxTileInfo info;
            info.mOffset =
                (static_cast<CxUint64>(y0) * static_cast<CxUint64>(mPaddedWidth) + static_cast<CxUint64>(x0)) *
                static_cast<CxUint64>(mBitsPerPixel) / 8u;
            info.mBounds = CxRect(static_cast<CxSint16>(x0), static_cast<CxSint16>(y0), static_cast<CxSint16>(x0 + w),
                                  static_cast<CxSint16>(y0 + h));
            info.mTexelBounds = CxRect(static_cast<CxSint16>(x0), static_cast<CxSint16>(y0),
                                       static_cast<CxSint16>(std::min(x0 + w - border, mImageWidth)),
                                       static_cast<CxSint16>(std::min(y0 + h - border, mImageHeight)));
            if (mOverlapping)
            {
                const double sx = ov / (info.mTexelBounds.Width() + 2.0 * ov);
                const double sy = ov / (info.mTexelBounds.Height() + 2.0 * ov);
                info.mTextureBounds = GxRect(sx, sy, 1.0 - sx, 1.0 - sy);
            }
            else
                info.mTextureBounds = GxRect(0.0, 0.0, 1.0, 1.0);
            mTiles.push_back(std::move(info));
            y0 += h - border;
        }
        x0 += w - border;
    }
}

void GxMesh::SpecialTile()
{
    if (!mTiles.empty())
        return;
    CxAssertText(!mOverlapping, "!mOverlapping");
    if (mOverlapping)
        return;
    CxSint32 x0 = 0;
    for (CxSint32 column = 0; column < mCountHorizontal; ++column)
    {
        const CxSint32 w = GetNextTextureSize(mPaddedWidth - x0);
        for (CxSint32 row = 0; row < mCountVertical; ++row)
        {
            GxTileInfo info;
            info.mOffset =
                (static_cast<CxUint64>(row) * static_cast<CxUint64>(mPaddedWidth) + static_cast<CxUint64>(x0)) *
                static_cast<CxUint64>(mBitsPerPixel) / 8u;
            info.mBounds = CxRect(static_cast<CxSint16>(x0), static_cast<CxSint16>(row), static_cast<CxSint16>(x0 + w),
                                  static_cast<CxSint16>(row + 1));
            info.mTexelBounds = info.mBounds;
            info.mTextureBounds = GxRect(0.0, 0.0, 1.0, 1.0);
            mTiles.push_back(std::move(info));
        }
        x0 += w;
    }
}

std::vector<CxUint8> GxMesh::PadImage(const CxUint8* inPixels, CxSint32 inWidth, CxSint32 inHeight,
                                      CxSint32 inBytesPerPixel)
{
    std::vector<CxUint8> padded;
    if (inPixels == nullptr || inWidth <= 0 || inHeight <= 0 || inWidth > kMaxImageDim || inHeight > kMaxImageDim ||
        inBytesPerPixel <= 0)
        return padded;
    const std::size_t k = static_cast<std::size_t>(inBytesPerPixel);
    const std::size_t n = static_cast<std::size_t>(inWidth);
    const std::size_t m = static_cast<std::size_t>(inHeight);
    const std::size_t paddedWidth = static_cast<std::size_t>(PaddedSize(inWidth));
    const std::size_t paddedHeight = static_cast<std::size_t>(PaddedSize(inHeight));
    const std::size_t rowBytes = paddedWidth * k;
    padded.resize(rowBytes * paddedHeight);
    CxUint8* out = padded.data();

    for (std::size_t y = 0; y < m; ++y)
    {
        CxUint8* row = out + (y + 1) * rowBytes;
        std::memcpy(row + k, inPixels + y * n * k, n * k);
        std::memcpy(row, row + k, k);
        for (std::size_t x = n + 1; x < paddedWidth; ++x)
            std::memcpy(row + x * k, row + n * k, k);
    }
    for (std::size_t y = m + 1; y < paddedHeight; ++y)
        std::memcpy(out + y * rowBytes, out + m * rowBytes, rowBytes);
    std::memcpy(out, out + rowBytes, rowBytes);
    return padded;
}
