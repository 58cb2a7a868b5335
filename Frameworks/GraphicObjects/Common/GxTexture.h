// OpenGL textures made from a tiling plan (GxMesh) and a pixel buffer: one GxTile per plan. The buffer (or its
// padded copy) may be set on any thread; making, binding and deleting textures need the GL context, current on
// the main thread.
#pragma once

#include "CxCoordinates.h"
#include "CxTypes.h"
#include "GxMesh.h"

#include <vector>

class GxContext;

// A new texture name bound to inTarget, with its filters and edge wraps set. Needs the GL context.
unsigned int GxNewTexture(unsigned int inTarget, int inMinFilter, int inMagFilter, int inWrapS, int inWrapT);

// Loads the bound 2D texture from tightly packed RGBA rows, whatever unpacking state the caller has set.
void GxLoadPackedRGBA(int inInternalFormat, int inWidth, int inHeight, const void* inPixels);

class GxTile
{
public:
    // Copies the plan.
    explicit GxTile(const GxTileInfo& inInfo);
    // Deletes the texture.
    ~GxTile();
    GxTile(const GxTile&) = delete;
    GxTile& operator=(const GxTile&) = delete;

    // Magnification first.
    void SetFilter(int inMag, int inMin);
    void SetWrap(int inS, int inT);
    void SetFormat(unsigned int inFormat) { mFormat = inFormat; }

    // A new texture of the plan's texel rectangle, read from inBuffer + the plan's offset; the unpack row length
    // set by the caller steps over the rest of each buffer row.
    void Generate(const CxUint8* inBuffer);
    void Bind() const;
    void Delete();

    unsigned int TextureId() const { return mTexId; }
    unsigned int Format() const { return mFormat; }
    int MinFilter() const { return mMinFilter; }
    int MagFilter() const { return mMagFilter; }
    const GxTileInfo& Info() const { return mInfo; }
    const CxRect& Bounds() const { return mInfo.Bounds(); }
    GxTileInfo::ImageCoordList::const_iterator BeginImageCoords() const { return mInfo.BeginImageCoords(); }
    GxTileInfo::ImageCoordList::const_iterator EndImageCoords() const { return mInfo.EndImageCoords(); }
    GxTileInfo::PositionCoordList::const_iterator BeginPositionCoords() const { return mInfo.BeginPositionCoords(); }
    GxTileInfo::PositionCoordList::const_iterator EndPositionCoords() const { return mInfo.EndPositionCoords(); }

private:
    int mWrapS;
    int mWrapT;
    int mMinFilter;
    int mMagFilter;
    unsigned int mTexId = 0;
    GxTileInfo mInfo;
    unsigned int mFormat;
};

class GxTexture
{
public:
    using TileList = std::vector<GxTile*>;

    // 1 (grey), 3 (RGB) or 4 (RGBA) bytes a pixel.
    explicit GxTexture(CxSint32 inComponents);
    // Deletes every tile with its texture, and the padded buffer.
    ~GxTexture();
    GxTexture(const GxTexture&) = delete;
    GxTexture& operator=(const GxTexture&) = delete;

    // Padded and image size alike.
    void SetWidth(CxSint32 inWidth);
    void SetHeight(CxSint32 inHeight);
    // Min: GL_NEAREST or a mipmap filter, else GL_LINEAR; mag: GL_NEAREST, else GL_LINEAR.
    void SetFilter(int inMin, int inMag);
    // GL_REPEAT when asked for, else GL_CLAMP.
    void SetTextureWrap(int inS, int inT);

    // Once: sizes and overlapping from the mesh, one tile per plan in plan order, each with the texture's filters,
    // wraps and pixel format. Another component count than 1, 3 or 4 is reported and gets no tiles.
    void CreateTiles(const GxMesh& inMesh);
    // Without overlapping the caller's pixels are used as they are (keep them alive until GenTextures); with it
    // they are copied into the padded buffer. No GL: a job thread may call it.
    void SetTextureBuffer(const CxUint8* inPixels);
    // Makes every tile's texture from the buffer.
    void GenTextures(GxContext& ioContext);
    // Binds each tile in turn with texturing on.
    void Draw(GxContext& ioContext);

    TileList::const_iterator BeginTextures() const { return mTiles.begin(); }
    TileList::const_iterator EndTextures() const { return mTiles.end(); }
    CxUint32 CountTextures() const { return static_cast<CxUint32>(mTiles.size()); }

    CxSint32 PaddedWidth() const { return mPaddedWidth; }
    CxSint32 PaddedHeight() const { return mPaddedHeight; }
    CxSint32 ImageWidth() const { return mImageWidth; }
    CxSint32 ImageHeight() const { return mImageHeight; }
    bool Overlapping() const { return mOverlapping; }
    CxSint32 BytesPerPixel() const { return mBytesPerPixel; }
    unsigned int Format() const { return mFormat; }
    int MinFilter() const { return mMinFilter; }
    int MagFilter() const { return mMagFilter; }
    int WrapS() const { return mWrapS; }
    int WrapT() const { return mWrapT; }
    // The pixels the tiles are made from: the caller's, or the padded copy.
    const CxUint8* ImageBuffer() const { return mImageBuffer; }

private:
    int mWrapS;
    int mWrapT;
    int mMinFilter;
    int mMagFilter;
    CxSint32 mPaddedWidth = 0;
    CxSint32 mPaddedHeight = 0;
    CxSint32 mImageWidth = 0;
    CxSint32 mImageHeight = 0;
    const CxUint8* mImageBuffer = nullptr;
    std::vector<CxUint8> mOverlapBuffer;
    TileList mTiles;
    bool mOverlapping = false;
    CxSint32 mBytesPerPixel;
    unsigned int mFormat;
};
