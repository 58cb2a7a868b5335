#include "GxTexture.h"

#include "CxDebug.h"

#include <GL/gl.h>

unsigned int GxNewTexture(unsigned int inTarget, int inMinFilter, int inMagFilter, int inWrapS, int inWrapT)
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(inTarget, texture);
    CxAssertText(glIsTexture(texture), "::glIsTexture(texture)");
    glTexParameteri(inTarget, GL_TEXTURE_MIN_FILTER, inMinFilter);
    glTexParameteri(inTarget, GL_TEXTURE_MAG_FILTER, inMagFilter);
    glTexParameteri(inTarget, GL_TEXTURE_WRAP_S, inWrapS);
    glTexParameteri(inTarget, GL_TEXTURE_WRAP_T, inWrapT);
    return texture;
}

void GxLoadPackedRGBA(int inInternalFormat, int inWidth, int inHeight, const void* inPixels)
{
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, inInternalFormat, inWidth, inHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, inPixels);
    glPopClientAttrib();
}

// ---------------------------------------------------------------------------------------------------------------
// GxTile

GxTile::GxTile(const GxTileInfo& inInfo)
    : mWrapS(GL_CLAMP), mWrapT(GL_CLAMP), mMinFilter(GL_NEAREST), mMagFilter(GL_NEAREST), mInfo(inInfo),
      mFormat(GL_RGBA)
{
}

GxTile::~GxTile()
{
    Delete();
}

void GxTile::SetFilter(int inMag, int inMin)
{
    mMagFilter = inMag;
    mMinFilter = inMin;
}

void GxTile::SetWrap(int inS, int inT)
{
    mWrapS = inS;
    mWrapT = inT;
}

void GxTile::Generate(const CxUint8* inBuffer)
{
    Delete();
    mTexId = GxNewTexture(GL_TEXTURE_2D, mMinFilter, mMagFilter, mWrapS, mWrapT);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, mInfo.Bounds().Width(), mInfo.Bounds().Height(), 0, mFormat,
                 GL_UNSIGNED_BYTE, inBuffer + mInfo.Offset());
}

void GxTile::Bind() const
{
    glBindTexture(GL_TEXTURE_2D, mTexId);
    CxAssertText(glIsTexture(mTexId), "::glIsTexture(mTexId)");
}

void GxTile::Delete()
{
    if (mTexId != 0)
        glDeleteTextures(1, &mTexId);
    mTexId = 0;
}

// ---------------------------------------------------------------------------------------------------------------
// GxTexture

GxTexture::GxTexture(CxSint32 inComponents)
    : mWrapS(GL_CLAMP), mWrapT(GL_CLAMP), mMinFilter(GL_NEAREST), mMagFilter(GL_NEAREST), mBytesPerPixel(inComponents),
      mFormat(GL_RGBA)
{
}

GxTexture::~GxTexture()
{
    for (GxTile* tile : mTiles)
        delete tile;
}

void GxTexture::SetWidth(CxSint32 inWidth)
{
    mPaddedWidth = inWidth;
    mImageWidth = inWidth;
}

void GxTexture::SetHeight(CxSint32 inHeight)
{
    mPaddedHeight = inHeight;
    mImageHeight = inHeight;
}

void GxTexture::SetFilter(int inMin, int inMag)
{
    const bool mipmap = inMin >= GL_NEAREST_MIPMAP_NEAREST && inMin <= GL_LINEAR_MIPMAP_LINEAR;
    mMinFilter = inMin == GL_NEAREST || mipmap ? inMin : GL_LINEAR;
    mMagFilter = inMag == GL_NEAREST ? GL_NEAREST : GL_LINEAR;
}

void GxTexture::SetTextureWrap(int inS, int inT)
{
    mWrapS = inS == GL_REPEAT ? GL_REPEAT : GL_CLAMP;
    mWrapT = inT == GL_REPEAT ? GL_REPEAT : GL_CLAMP;
}

void GxTexture::CreateTiles(const GxMesh& inMesh)
{
    if (!mTiles.empty())
        return;
    mPaddedWidth = inMesh.PaddedWidth();
    mPaddedHeight = inMesh.PaddedHeight();
    mImageWidth = inMesh.ImageWidth();
    mImageHeight = inMesh.ImageHeight();
    mOverlapping = inMesh.Overlapping();
    if (mOverlapping)
    {
        mMinFilter = GL_LINEAR;
        mMagFilter = GL_LINEAR;
    }
    switch (mBytesPerPixel)
    {
    case 1:
        mFormat = GL_LUMINANCE;
        break;
    case 3:
        mFormat = GL_RGB;
        break;
    case 4:
        mFormat = GL_RGBA;
        break;
    default:
        // RGBA texels would not match the caller's pixels and could read past them: no tiles.
        CxAssertText(false, "false");
        mFormat = GL_RGBA;
        return;
    }
    // The plans' offsets count the mesh's bits per pixel; with other pixels they would read past the buffer.
    const bool sameBytes = inMesh.BitsPerPixel() == mBytesPerPixel * 8;
    CxAssertText(sameBytes, "inMesh.BitsPerPixel() == mBytesPerPixel * 8");
    mTiles.reserve(inMesh.CountTiles());
    for (auto info = inMesh.BeginTiles(); info != inMesh.EndTiles(); ++info)
    {
        GxTileInfo plan = *info;
        if (!sameBytes)
            plan.mOffset = (static_cast<CxUint64>(plan.Bounds().top) * static_cast<CxUint64>(mPaddedWidth) +
                            static_cast<CxUint64>(plan.Bounds().left)) *
                           static_cast<CxUint64>(mBytesPerPixel);
        auto* tile = new GxTile(plan);
        tile->SetFilter(mMagFilter, mMinFilter);
        tile->SetWrap(mWrapS, mWrapT);
        tile->SetFormat(mFormat);
        mTiles.push_back(tile);
    }
}

void GxTexture::SetTextureBuffer(const CxUint8* inPixels)
{
    CxAssertText(mImageBuffer == nullptr, "mImageBuffer == nil");
    if (!mOverlapping)
    {
        mImageBuffer = inPixels;
        return;
    }
    CxAssertText(mOverlapBuffer.empty(), "mOverlapBuffer == nil");
    mOverlapBuffer = GxMesh::PadImage(inPixels, mImageWidth, mImageHeight, mBytesPerPixel);
    mImageBuffer = mOverlapBuffer.empty() ? nullptr : mOverlapBuffer.data();
}

void GxTexture::GenTextures(GxContext&)
{
    CxAssertText(mImageBuffer != nullptr, "mImageBuffer != nil");
    if (mImageBuffer == nullptr)
        return;
    glEnable(GL_TEXTURE_2D);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, mPaddedWidth);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (GxTile* tile : mTiles)
        tile->Generate(mImageBuffer);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glDisable(GL_TEXTURE_2D);
}

void GxTexture::Draw(GxContext&)
{
    glEnable(GL_TEXTURE_2D);
    for (const GxTile* tile : mTiles)
        tile->Bind();
    glDisable(GL_TEXTURE_2D);
}
