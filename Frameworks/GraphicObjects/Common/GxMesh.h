// Cutting an image into power-of-two textures. GxMesh plans the cut; each GxTileInfo is the plan of one texture:
// its texel rectangle in the (padded) texture buffer, the image rectangle it shows, its texture coordinates, and
// the vertices the image's mesh builder attaches. With overlapping on, every texture carries a one-texel border
// copied from its neighbours so that linear filtering shows no seams; GxMesh::PadImage makes that padded buffer.
//
// No OpenGL here: plans and padded buffers may be made on a job thread. Buffers are bottom row first.
#pragma once

#include "CxCoordinates.h"
#include "CxTypes.h"
#include "GxCoordinates.h"

#include <cstddef>
#include <vector>

class GxTileInfo
{
public:
    using ImageCoordList = std::vector<GxPoint>;
    using PositionCoordList = std::vector<GxPosition>;

    GxTileInfo() = default;

    // Bytes from the start of the padded buffer to the tile's first texel.
    CxUint64 Offset() const { return mOffset; }
    // The texel rectangle in the padded buffer (top is the first row, counted from the bottom); its size is the
    // texture's.
    const CxRect& Bounds() const { return mBounds; }
    // The image rectangle the texture shows, in the same orientation.
    const CxRect& TexelBounds() const { return mTexelBounds; }
    // Left, bottom, right, top in [0, 1].
    const GxRect& TextureBounds() const { return mTextureBounds; }

    // Where the tile's vertices lie in the texture and on the earth, in the same order and number.
    void AddImageCoord(const GxPoint& inPoint) { mImageCoords.push_back(inPoint); }
    void AddPositionCoord(const GxPosition& inPosition) { mPositionCoords.push_back(inPosition); }
    ImageCoordList& ImageCoords() { return mImageCoords; }
    const ImageCoordList& ImageCoords() const { return mImageCoords; }
    PositionCoordList& PositionCoords() { return mPositionCoords; }
    const PositionCoordList& PositionCoords() const { return mPositionCoords; }
    ImageCoordList::const_iterator BeginImageCoords() const { return mImageCoords.begin(); }
    ImageCoordList::const_iterator EndImageCoords() const { return mImageCoords.end(); }
    PositionCoordList::const_iterator BeginPositionCoords() const { return mPositionCoords.begin(); }
    PositionCoordList::const_iterator EndPositionCoords() const { return mPositionCoords.end(); }

private:
    friend class GxMesh;
    friend class GxTexture;

    CxUint64 mOffset = 0;
    CxRect mBounds;
    CxRect mTexelBounds;
    GxRect mTextureBounds;
    ImageCoordList mImageCoords;
    PositionCoordList mPositionCoords;
};

class GxMesh
{
public:
    using TileList = std::vector<GxTileInfo>;

    // Image sides above this are refused (tile rectangles are 16-bit).
    static constexpr CxSint32 kMaxImageDim = 32764;

    GxMesh() = default;

    // Rounded down to a power of two, so that every texture is one.
    void SetMaxTextureDim(CxSint32 inDim);
    // Bits per pixel become n x 8.
    void SetNumComponents(CxSint32 inComponents);
    // Before the sizes: the padding depends on it.
    void SetOverlapping(bool inOverlapping) { mOverlapping = inOverlapping; }
    // Image size n; padded n, or with overlapping n + 2 (n even) or n + 3 (n odd). A negative size or one above
    // kMaxImageDim is reported and becomes 0.
    void SetWidth(CxSint32 inWidth);
    void SetHeight(CxSint32 inHeight);

    CxSint32 GetMaxTextureDim() const { return mMaxTextureDim; }
    CxSint32 CountHorizontal() const { return mCountHorizontal; }
    CxSint32 CountVertical() const { return mCountVertical; }
    bool Overlapping() const { return mOverlapping; }
    CxSint32 BitsPerPixel() const { return mBitsPerPixel; }
    CxSint32 PaddedWidth() const { return mPaddedWidth; }
    CxSint32 PaddedHeight() const { return mPaddedHeight; }
    CxSint32 ImageWidth() const { return mImageWidth; }
    CxSint32 ImageHeight() const { return mImageHeight; }

    // (0, 0, padded width, padded height) and (0, 0, image width, image height).
    CxRect TextureBounds() const;
    CxRect ImageBounds() const;

    // Kept for the user; the tiling does not use it.
    void SetBounds(const GxRect& inBounds) { mBounds = inBounds; }
    const GxRect& Bounds() const { return mBounds; }

    // Builds the plans, columns outer and rows inner; nothing when plans exist.
    void Tile();
    // Without overlapping only: for each column of the cut and each row index below the count down, a plan one
    // pixel high at that row. Nothing when plans exist.
    void SpecialTile();

    CxUint32 CountTiles() const { return static_cast<CxUint32>(mTiles.size()); }
    TileList::iterator BeginTiles() { return mTiles.begin(); }
    TileList::iterator EndTiles() { return mTiles.end(); }
    TileList::const_iterator BeginTiles() const { return mTiles.begin(); }
    TileList::const_iterator EndTiles() const { return mTiles.end(); }
    TileList::reverse_iterator ReverseBeginTiles() { return mTiles.rbegin(); }
    TileList::reverse_iterator ReverseEndTiles() { return mTiles.rend(); }
    TileList::const_reverse_iterator ReverseBeginTiles() const { return mTiles.rbegin(); }
    TileList::const_reverse_iterator ReverseEndTiles() const { return mTiles.rend(); }

    // The maximum dimension halved until it is no larger than n; 0 when none is.
    CxSint32 GetNextTextureSize(CxSint32 inSize) const;
    // How many textures the greedy cut makes of a padded size.
    CxSint32 GetNumberOfTexturesFromTextureDim(CxSint32 inDim) const;

    // The padded side of an image side with overlapping: n + 2 when n is even, n + 3 when odd.
    static CxSint32 PaddedSize(CxSint32 inSize) { return inSize % 2 == 0 ? inSize + 2 : inSize + 3; }
    // The padded copy of a width x height image of inBytesPerPixel bytes a pixel: each image row one up and one
    // right, the edge columns and rows repeated outwards. Empty for a null image or a side out of range.
    static std::vector<CxUint8> PadImage(const CxUint8* inPixels, CxSint32 inWidth, CxSint32 inHeight,
                                         CxSint32 inBytesPerPixel);

private:
    CxSint32 Border() const { return mOverlapping ? 2 : 0; }
    CxSint32 CheckedSize(CxSint32 inSize) const;

    CxSint32 mCountHorizontal = 0;
    CxSint32 mCountVertical = 0;
    CxSint32 mPaddedWidth = 0;
    CxSint32 mPaddedHeight = 0;
    CxSint32 mImageWidth = 0;
    CxSint32 mImageHeight = 0;
    CxSint32 mMaxTextureDim = 512;
    CxSint32 mBitsPerPixel = 32;
    bool mOverlapping = false;
    GxRect mBounds;
    TileList mTiles;
};
