#include "DxImage.h"

#include "CxDebug.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace
{

const GxColor kTransparentBlack(0.0, 0.0, 0.0, 0.0);

// The integer part of a quotient that must lie in [0, limit): false otherwise, NaN included, so that nothing out
// of range ever reaches the conversion.
bool IndexOf(double inQuotient, CxSint32 inLimit, CxSint64& outIndex)
{
    if (!(inQuotient >= 0.0 && inQuotient < double(inLimit)))
        return false;
    outIndex = CxSint64(inQuotient);
    return true;
}

bool IsPositiveFinite(double inValue)
{
    return inValue > 0.0 && std::isfinite(inValue);
}

// The palette a new indexed image starts with: none. Made once, as the default table is built entry by entry.
const GxColorTable& NoColors()
{
    static const GxColorTable sNone = []
    {
        GxColorTable table(kGxNidsReflectivityColors8);
        table.clear();
        return table;
    }();
    return sNone;
}

} // namespace

// ---- DxImage

DxImage::DxImage(const GxProjection& inProjection) : DxFrame(inProjection) {}

DxImage::~DxImage() = default;

CxUint8* DxImage::GetTextureBuffer()
{
    OnGetTextureBuffer();
    return mImageBuffer.get();
}

GxColor DxImage::OnGetColorFromPoint(const GxPoint&) const
{
    return kTransparentBlack;
}

void DxImage::GenerateMesh(bool inOverlapping, double inStep)
{
    // Cells are walked in steps of these sizes; anything but positive finite numbers would never reach the edge.
    if (!IsPositiveFinite(mPixelSize.mX) || !IsPositiveFinite(mPixelSize.mY) || !IsPositiveFinite(inStep))
    {
        mMesh = GxMesh();
        return;
    }

    GxMesh mesh;
    mesh.SetOverlapping(inOverlapping);
    mesh.SetNumComponents(mComponents);
    mesh.SetWidth(mWidth);
    mesh.SetHeight(mHeight);
    mesh.Tile();

    // For pixels finer than a projected unit the step counts pixels.
    double stepX = inStep;
    double stepY = inStep;
    if (mPixelSize.mX < 1.0)
        stepX *= mPixelSize.mX;
    if (mPixelSize.mY < 1.0)
        stepY *= mPixelSize.mY;

    const GxProjection* projection = Projection();
    for (auto tile = mesh.BeginTiles(); tile != mesh.EndTiles(); ++tile)
    {
        const CxRect& texels = tile->TexelBounds();
        const GxRect area(
            double(texels.left) * mPixelSize.mX + mOrigin.mX, double(texels.top) * mPixelSize.mY + mOrigin.mY,
            double(texels.right) * mPixelSize.mX + mOrigin.mX, double(texels.bottom) * mPixelSize.mY + mOrigin.mY);
        const GxRect& textureBounds = tile->TextureBounds();
        for (double x = area.mLeft; x < area.mRight; x += stepX)
        {
            for (double y = area.mBottom; y < area.mTop; y += stepY)
            {
                const GxPoint p0 = GxPoint(x, y).Pin(area);
                const GxPoint p1 = GxPoint(x + stepX, y).Pin(area);
                const GxPoint p2 = GxPoint(x + stepX, y + stepY).Pin(area);
                const GxPoint p3 = GxPoint(x, y + stepY).Pin(area);
                for (const GxPoint* vertex : {&p0, &p1, &p2, &p0, &p2, &p3})
                {
                    tile->AddPositionCoord(projection->Unproject(*vertex));
                    tile->AddImageCoord(vertex->Map(area, textureBounds));
                }
                // Far from zero a step can vanish in the rounding.
                if (y + stepY == y)
                    break;
            }
            if (x + stepX == x)
                break;
        }
    }
    mMesh = std::move(mesh);
}

// ---- DxIndexedImage

DxIndexedImage::DxIndexedImage(const GxProjection& inProjection) : DxImage(inProjection), mColors(NoColors()) {}

void DxIndexedImage::Reserve()
{
    mPixels.reset();
    mPixelsWidth = 0;
    mPixelsHeight = 0;
    mBufferValid = false;

    // The sizes come from file headers: a hostile one must not become a huge or negative allocation.
    const CxSint64 count = CxSint64(Width()) * CxSint64(Height());
    if (Width() < 0 || Height() < 0 || count > kMaxPixels)
    {
        CxAssertText(false, "mPixels != nil");
        return;
    }
    if (count == 0)
        return;
    mPixels.reset(new (std::nothrow) CxUint8[std::size_t(count)]);
    CxAssertText(mPixels != nullptr, "mPixels != nil");
    if (mPixels == nullptr)
        return;
    mPixelsWidth = Width();
    mPixelsHeight = Height();
}

void DxIndexedImage::AcceptColorTable(const GxColorTable& inColors)
{
    mColors = inColors;
    mBufferValid = false;
}

void DxIndexedImage::GenerateBuffer()
{
    ReplaceImageBuffer(nullptr);
    mBufferValid = true;
    if (mPixels == nullptr)
        return;

    // Each palette entry converted once; indexes the palette lacks stay 0.
    CxUint32 texels[256] = {};
    const std::size_t known = std::min<std::size_t>(mColors.size(), 256);
    for (std::size_t index = 0; index < known; ++index)
        texels[index] = mColors[index].AsUint32();

    const std::size_t width = std::size_t(mPixelsWidth);
    const std::size_t height = std::size_t(mPixelsHeight);
    CxUint8* buffer = new (std::nothrow) CxUint8[width * height * sizeof(CxUint32)];
    CxAssertText(buffer != nullptr, "mImageBuffer != nil");
    if (buffer == nullptr)
        return;
        // Pixels are stored top row first, textures bottom row first.
#ifdef __SSE2__
    // The buffer is written once here and read once at upload: streamed past the cache, its lines are not read
    // in before being overwritten, which halves the memory traffic of the pass. Eight pixels a step, index 0 (no
    // data, and a radial row's padding, most of most images) without lookups.
    if (width % 8 == 0 && reinterpret_cast<std::uintptr_t>(buffer) % 16 == 0)
    {
        const __m128i zeros = _mm_set1_epi32(int(texels[0]));
        __m128i* out = reinterpret_cast<__m128i*>(buffer);
        for (std::size_t row = height; row-- > 0;)
        {
            const CxUint8* in = mPixels.get() + row * width;
            for (std::size_t column = 0; column < width; column += 8, out += 2)
            {
                CxUint64 eight;
                std::memcpy(&eight, in + column, sizeof eight);
                if (eight == 0)
                {
                    _mm_stream_si128(out, zeros);
                    _mm_stream_si128(out + 1, zeros);
                    continue;
                }
                const CxUint8* p = in + column;
                _mm_stream_si128(
                    out, _mm_setr_epi32(int(texels[p[0]]), int(texels[p[1]]), int(texels[p[2]]), int(texels[p[3]])));
                _mm_stream_si128(out + 1, _mm_setr_epi32(int(texels[p[4]]), int(texels[p[5]]), int(texels[p[6]]),
                                                         int(texels[p[7]])));
            }
        }
        // Streamed stores are ordered with later ones only through a fence.
        _mm_sfence();
        ReplaceImageBuffer(buffer);
        return;
    }
#endif
    // Index 0 (no data, and a radial row's padding) fills most images: eight of them at once take two wide stores
    // instead of eight lookups.
    CxUint32 zeros[8];
    std::fill_n(zeros, 8, texels[0]);
    CxUint8* out = buffer;
    for (std::size_t row = height; row-- > 0;)
    {
        const CxUint8* in = mPixels.get() + row * width;
        std::size_t column = 0;
        for (; column + 8 <= width; column += 8, out += 8 * sizeof(CxUint32))
        {
            CxUint64 eight;
            std::memcpy(&eight, in + column, sizeof eight);
            if (eight == 0)
                std::memcpy(out, zeros, sizeof zeros);
            else
                for (std::size_t k = 0; k < 8; ++k)
                    std::memcpy(out + k * sizeof(CxUint32), &texels[in[column + k]], sizeof(CxUint32));
        }
        for (; column < width; ++column, out += sizeof(CxUint32))
            std::memcpy(out, &texels[in[column]], sizeof(CxUint32));
    }
    ReplaceImageBuffer(buffer);
}

void DxIndexedImage::OnGetTextureBuffer()
{
    if (!mBufferValid)
        GenerateBuffer();
}

bool DxIndexedImage::StoredPixel(CxSint64 inColumn, CxSint64 inRow, CxUint8& outIndex) const
{
    // The sizes may have changed since Reserve; only what it allocated is read.
    if (mPixels == nullptr || inColumn >= mPixelsWidth || inRow >= mPixelsHeight)
        return false;
    outIndex = mPixels[std::size_t(inRow * mPixelsWidth + inColumn)];
    return true;
}

bool DxIndexedImage::FindPixel(const GxPoint& inPoint, CxUint8& outIndex) const
{
    // Rows are stored top first: the row is counted down from the top edge.
    const double fx = (inPoint.mX - Origin().mX) / PixelSize().mX;
    const double fy = (inPoint.mY - Origin().mY) / PixelSize().mY;
    CxSint64 column = 0;
    CxSint64 row = 0;
    return IndexOf(fx, Width(), column) && IndexOf(double(Height()) - fy, Height(), row) &&
           StoredPixel(column, row, outIndex);
}

CxUint8 DxIndexedImage::GetPixelFromPoint(const GxPoint& inPoint) const
{
    CxUint8 index = 0;
    return FindPixel(inPoint, index) ? index : 0;
}

CxUint8 DxIndexedImage::GetPixelFromAzRan(const GxPoint& inPoint) const
{
    const double fx = (inPoint.mX - Origin().mX) / PixelSize().mX;
    const double fy = (inPoint.mY - Origin().mY) / PixelSize().mY;
    CxSint64 column = 0;
    CxSint64 row = 0;
    CxUint8 index = 0;
    // The radial is rounded to the nearest stored row, but a negative quotient lies outside.
    if (!(fy >= 0.0) || !IndexOf(fx, Width(), column) || !IndexOf(fy + 0.5, Height(), row) ||
        !StoredPixel(column, row, index))
        return 0;
    return index;
}

GxColor DxIndexedImage::OnGetColorFromPoint(const GxPoint& inPoint) const
{
    CxUint8 index = 0;
    if (!FindPixel(inPoint, index) || index >= mColors.size())
        return kTransparentBlack;
    return mColors[index];
}

// ---- DxTruecolorImage

DxTruecolorImage::DxTruecolorImage(const GxProjection& inProjection) : DxImage(inProjection) {}

void DxTruecolorImage::SetBuffer(CxUint8* inBuffer)
{
    CxAssertText(ImageBuffer() == nullptr, "nil == mImageBuffer");
    ReplaceImageBuffer(inBuffer);
}

GxColor DxTruecolorImage::OnGetColorFromPoint(const GxPoint& inPoint) const
{
    const CxUint8* buffer = ImageBuffer();
    // The buffer runs bottom row first, as the rows count from the origin: no flip.
    const double fx = (inPoint.mX - Origin().mX) / PixelSize().mX;
    const double fy = (inPoint.mY - Origin().mY) / PixelSize().mY;
    CxSint64 column = 0;
    CxSint64 row = 0;
    if (buffer == nullptr || !IndexOf(fx, Width(), column) || !IndexOf(fy, Height(), row))
        return kTransparentBlack;
    const CxSint32 components = CountComponents();
    if (components != 1 && components != 3 && components != 4)
        return kTransparentBlack;
    const CxUint8* pixel = buffer + std::size_t(components) * std::size_t(row * Width() + column);
    const double red = pixel[0] / 255.0;
    switch (components)
    {
    case 1:
        return GxColor(red, red, red, 1.0);
    case 3:
        return GxColor(red, pixel[1] / 255.0, pixel[2] / 255.0, 1.0);
    default:
        return GxColor(red, pixel[1] / 255.0, pixel[2] / 255.0, pixel[3] / 255.0);
    }
}
