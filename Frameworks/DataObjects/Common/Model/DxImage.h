// Image frames: one raster of a data set with its place in a projection. An indexed image holds a palette index per
// pixel (top row first) and builds its texture from the palette; a true-colour image is handed its texture by the
// decoder. Texture buffers run bottom row first, as OpenGL takes them. The mesh places the raster on the earth as
// textured triangles whose vertices are positions, so the map can draw it in any projection.
//
// Nothing here needs a GL context: images, their buffers and meshes are built on job threads.
#pragma once

#include "CxTypes.h"
#include "DxFrame.h"
#include "GxColor.h"
#include "GxCoordinates.h"
#include "GxMesh.h"

#include <memory>
#include <utility>

class DxImage : public DxFrame
{
public:
    explicit DxImage(const GxProjection& inProjection);
    ~DxImage() override;

    void SetWidth(CxSint32 inWidth) { mWidth = inWidth; }
    void SetHeight(CxSint32 inHeight) { mHeight = inHeight; }
    // Projected coordinates of the lower-left corner of the raster.
    void SetOrigin(const GxPoint& inOrigin) { mOrigin = inOrigin; }
    // One pixel's width and height in projected units.
    void SetPixelSize(const GxPoint& inPixelSize) { mPixelSize = inPixelSize; }
    // Bytes per texel of the texture buffer: 1, 3 or 4.
    void SetComponentCount(CxSint32 inCount) { mComponents = inCount; }
    CxSint32 Width() const { return mWidth; }
    CxSint32 Height() const { return mHeight; }
    const GxPoint& Origin() const { return mOrigin; }
    const GxPoint& PixelSize() const { return mPixelSize; }
    CxSint32 CountComponents() const { return mComponents; }
    const GxMesh& GetMesh() const { return mMesh; }
    GxMesh& GetMesh() { return mMesh; }
    void SetMesh(const GxMesh& inMesh) { mMesh = inMesh; }
    void SetMesh(GxMesh&& inMesh) { mMesh = std::move(inMesh); }

    // The bytes to upload, bottom row first; null when there are none. Still owned by the image.
    CxUint8* GetTextureBuffer();
    // Transparent black outside the raster.
    GxColor GetColorFromPoint(const GxPoint& inPoint) const { return OnGetColorFromPoint(inPoint); }

    // Cuts the raster into textures and samples each tile every step projected units (every step pixels where
    // pixels are smaller than one unit), two triangles a cell. A pixel size or step that is not a positive finite
    // number gives an empty mesh.
    void GenerateMesh(bool inOverlapping, double inStep);

protected:
    // Brings the texture buffer up to date.
    virtual void OnGetTextureBuffer() {}
    virtual GxColor OnGetColorFromPoint(const GxPoint& inPoint) const;

    CxUint8* ImageBuffer() const { return mImageBuffer.get(); }
    // Frees the old buffer; the new one must come from new[].
    void ReplaceImageBuffer(CxUint8* inBuffer) { mImageBuffer.reset(inBuffer); }

private:
    CxSint32 mWidth = 0;
    CxSint32 mHeight = 0;
    GxPoint mOrigin;
    GxPoint mPixelSize;
    GxMesh mMesh;
    CxSint32 mComponents = 4;
    std::unique_ptr<CxUint8[]> mImageBuffer;
};

class DxIndexedImage : public DxImage
{
public:
    // Pixel counts above this (width x height) are refused by Reserve: sizes come from file headers.
    static constexpr CxSint64 kMaxPixels = CxSint64(1) << 28;

    explicit DxIndexedImage(const GxProjection& inProjection);

    // Allocates width x height index bytes, top row first, for the decoder to fill; earlier pixels are freed.
    // Negative sizes, a count above kMaxPixels or a failed allocation are reported and leave no pixels.
    void Reserve();
    // Null until Reserve succeeded.
    CxUint8* Pixels() { return mPixels.get(); }
    const CxUint8* Pixels() const { return mPixels.get(); }

    // Copies the palette; the texture is rebuilt when next asked for.
    void AcceptColorTable(const GxColorTable& inColors);
    GxColorTable GetColors() const { return mColors; }

    // Rebuilds the texture now: one GxColor::AsUint32 texel per pixel (bytes red, green, blue, alpha), bottom row
    // first; an index the palette lacks gives 0. No pixels, no buffer.
    void GenerateBuffer();

    // The palette index under a projected point; 0 outside the raster or without pixels.
    CxUint8 GetPixelFromPoint(const GxPoint& inPoint) const;
    // For radial images, p.x the range and p.y the radial number, rounded to the nearest stored row.
    CxUint8 GetPixelFromAzRan(const GxPoint& inPoint) const;

protected:
    void OnGetTextureBuffer() override;
    GxColor OnGetColorFromPoint(const GxPoint& inPoint) const override;

private:
    // The stored index under a projected point; false outside the raster or where nothing is stored.
    bool FindPixel(const GxPoint& inPoint, CxUint8& outIndex) const;
    bool StoredPixel(CxSint64 inColumn, CxSint64 inRow, CxUint8& outIndex) const;

    std::unique_ptr<CxUint8[]> mPixels;
    // The size Reserve allocated, which the lookups and the buffer keep to whatever the sizes say later.
    CxSint32 mPixelsWidth = 0;
    CxSint32 mPixelsHeight = 0;
    GxColorTable mColors;
    bool mBufferValid = false;
};

class DxTruecolorImage : public DxImage
{
public:
    explicit DxTruecolorImage(const GxProjection& inProjection);

    // Takes ownership of the decoded pixels (from new[]), bottom row first, CountComponents bytes a pixel. A
    // buffer already present is reported and freed.
    void SetBuffer(CxUint8* inBuffer);

protected:
    GxColor OnGetColorFromPoint(const GxPoint& inPoint) const override;
};
