#include "GxPNGReader.h"

#include "CxData.h"
#include "CxDebug.h"
#include "CxError.h"
#include "CxStream.h"

#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <new>

// Everything a read allocates lives here, so the recovery point can free it after the library jumps back. Plain
// data only: a jump out of the library skips destructors.
struct GxPNGReader::PrivateState
{
    CxBinaryStream* mStream = nullptr;
    png_bytep mImage = nullptr;
    png_bytepp mRows = nullptr;
    CxUint8* mOutput = nullptr;
    // Bytes of the current chunk's data and CRC not yet read; at 0 the library's next read is a chunk header.
    CxUint64 mChunkLeft = 0;
};

namespace
{

// Far above any image drawn here, low enough that the library's own row buffers stay modest.
constexpr png_uint_32 kMaxDimension = png_uint_32(1) << 24;
constexpr png_uint_32 kChunkCacheMax = 1000;
constexpr png_alloc_size_t kChunkMallocMax = png_alloc_size_t(16) << 20;

png_structp Png(void* inPtr)
{
    return static_cast<png_structp>(inPtr);
}

png_infop Info(void* inPtr)
{
    return static_cast<png_infop>(inPtr);
}

[[noreturn]] void OnPngError(png_structp inPng, png_const_charp)
{
    png_longjmp(inPng, 1);
}

void OnPngWarning(png_structp, png_const_charp)
{
    // Damaged ancillary chunks and the like: the image still decodes.
}

// The library's read callback. No C++ exception may cross the library's frames, so a failing stream is turned
// into a library error once its exception has been handled.
void PNGReadData(png_structp inPng, png_bytep outBuffer, size_t inLength)
{
    auto* state = static_cast<GxPNGReader::PrivateState*>(png_get_io_ptr(inPng));
    bool failed = false;
    if (state == nullptr || state->mStream == nullptr)
    {
        CxAssertText(false, "nil != stream");
        failed = true;
    }
    else if (inLength > std::numeric_limits<CxUint32>::max())
    {
        failed = true;
    }
    else
    {
        try
        {
            failed = state->mStream->Read(outBuffer, static_cast<CxUint32>(inLength)) != inLength;
        }
        catch (...)
        {
            failed = true;
        }
    }
    if (failed)
        png_error(inPng, "PNG data ends early");
    if (state->mChunkLeft >= inLength)
    {
        state->mChunkLeft -= inLength;
        return;
    }
    // A chunk header. The library takes the memory for a chunk's data before reading it, even past its own cap
    // (it only warns): a length beyond the bytes left is refused here first.
    const CxUint64 length = png_get_uint_32(outBuffer);
    if (inLength != 8 || length + 4 > CxUint64(state->mStream->Length() - state->mStream->Position()))
        png_error(inPng, "PNG chunk longer than the data");
    state->mChunkLeft = length + 4;
}

void FreeState(GxPNGReader::PrivateState& ioState)
{
    std::free(ioState.mImage);
    ioState.mImage = nullptr;
    std::free(ioState.mRows);
    ioState.mRows = nullptr;
    delete[] ioState.mOutput;
    ioState.mOutput = nullptr;
}

// The palette index that becomes transparent: the first of the smallest alphas below 255, or -1.
int TransparentIndex(png_structp inPng, png_infop inInfo)
{
    png_bytep alphas = nullptr;
    int count = 0;
    png_color_16p colour = nullptr;
    if (png_get_valid(inPng, inInfo, PNG_INFO_tRNS) == 0 ||
        png_get_tRNS(inPng, inInfo, &alphas, &count, &colour) == 0 || alphas == nullptr)
        return -1;
    int index = -1;
    int smallest = 255;
    for (int i = 0; i < count; ++i)
    {
        if (alphas[i] < smallest)
        {
            smallest = alphas[i];
            index = i;
        }
    }
    return index;
}

// One PNG row (8-bit samples after the transformations) into RGBA pixels.
void ConvertRow(int inColorType, png_const_bytep inRow, CxUint8* outRow, png_uint_32 inWidth,
                png_const_colorp inPalette, int inPaletteSize, int inTransparent)
{
    switch (inColorType)
    {
    case PNG_COLOR_TYPE_GRAY:
        for (png_uint_32 x = 0; x < inWidth; ++x, outRow += 4)
        {
            outRow[0] = outRow[1] = outRow[2] = inRow[x];
            outRow[3] = 255;
        }
        break;
    case PNG_COLOR_TYPE_RGB:
        for (png_uint_32 x = 0; x < inWidth; ++x, inRow += 3, outRow += 4)
        {
            outRow[0] = inRow[0];
            outRow[1] = inRow[1];
            outRow[2] = inRow[2];
            outRow[3] = 255;
        }
        break;
    case PNG_COLOR_TYPE_PALETTE:
        for (png_uint_32 x = 0; x < inWidth; ++x, outRow += 4)
        {
            const int index = inRow[x];
            if (index < inPaletteSize)
            {
                outRow[0] = inPalette[index].red;
                outRow[1] = inPalette[index].green;
                outRow[2] = inPalette[index].blue;
            }
            else
            {
                // An index past the palette (the library only warns): opaque black.
                outRow[0] = outRow[1] = outRow[2] = 0;
            }
            outRow[3] = index == inTransparent ? 0 : 255;
        }
        break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        for (png_uint_32 x = 0; x < inWidth; ++x, inRow += 2, outRow += 4)
        {
            outRow[0] = outRow[1] = outRow[2] = inRow[0];
            outRow[3] = inRow[1];
        }
        break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        std::memcpy(outRow, inRow, static_cast<std::size_t>(inWidth) * 4);
        break;
    default:
        CxAssert(false);
        break;
    }
}

} // namespace

GxPNGReader::GxPNGReader()
{
    Create();
}

GxPNGReader::~GxPNGReader()
{
    Destroy();
}

void GxPNGReader::Create()
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    CxAssertText(png != nullptr, "mPngPtr != nil");
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    CxAssertText(info != nullptr, "mInfoPtr != nil");
    png_infop end = png != nullptr ? png_create_info_struct(png) : nullptr;
    CxAssertText(end != nullptr, "mEndPtr != nil");
    mPngPtr = png;
    mInfoPtr = info;
    mEndPtr = end;
    mUsed = false;
}

void GxPNGReader::Destroy()
{
    if (mPngPtr != nullptr)
    {
        png_structp png = Png(mPngPtr);
        png_infop info = Info(mInfoPtr);
        png_infop end = Info(mEndPtr);
        png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, end != nullptr ? &end : nullptr);
    }
    mPngPtr = mInfoPtr = mEndPtr = nullptr;
}

bool GxPNGReader::UnknownChunk(const char* inName, std::vector<CxUint8>& outBytes) const
{
    outBytes.clear();
    if (mPngPtr == nullptr || mWidth == 0 || inName == nullptr || std::strlen(inName) != 4)
        return false;
    for (void* info : {mInfoPtr, mEndPtr})
    {
        png_unknown_chunkp chunks = nullptr;
        const int count = info != nullptr ? png_get_unknown_chunks(Png(mPngPtr), Info(info), &chunks) : 0;
        for (int i = 0; i < count; ++i)
        {
            if (std::memcmp(chunks[i].name, inName, 4) != 0)
                continue;
            if (chunks[i].data != nullptr)
                outBytes.assign(chunks[i].data, chunks[i].data + chunks[i].size);
            return true;
        }
    }
    return false;
}

void GxPNGReader::CheckSignature(CxBinaryStream& ioStream)
{
    png_byte signature[8] = {};
    const CxUint32 count = ioStream.Read(signature, sizeof(signature));
    CxAssertText(count == sizeof(signature) && png_sig_cmp(signature, 0, sizeof(signature)) == 0,
                 "png_check_sig(sig, 8)");
    if (mPngPtr != nullptr)
        png_set_sig_bytes(Png(mPngPtr), 8);
}

void GxPNGReader::ReadInfo()
{
    png_structp png = Png(mPngPtr);
    png_infop info = Info(mInfoPtr);
    png_read_info(png, info);
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int depth = 0;
    int colorType = 0;
    int interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colorType, &interlace, nullptr, nullptr);
    mBitDepth = depth;
    mColorType = colorType;
    mInterlaceType = interlace;
    if (depth == 16)
        png_set_strip_16(png);
    if (depth < 8)
        png_set_packing(png);
    if (interlace != PNG_INTERLACE_NONE)
        png_set_interlace_handling(png);
    png_read_update_info(png, info);
}

std::unique_ptr<CxUint8[]> GxPNGReader::ReadImage(CxData& ioData)
{
    if (mUsed)
    {
        Destroy();
        Create();
    }
    mUsed = true;
    mWidth = mHeight = 0;
    if (mPngPtr == nullptr || mInfoPtr == nullptr || mEndPtr == nullptr)
        throw CxError(__FILE__, __LINE__);

    CxBinaryStream stream(ioData);
    PrivateState state;
    state.mStream = &stream;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    if (!Decode(state, width, height))
    {
        FreeState(state);
        throw CxError(__FILE__, __LINE__);
    }
    mWidth = width;
    mHeight = height;
    std::unique_ptr<CxUint8[]> result(state.mOutput);
    state.mOutput = nullptr;
    FreeState(state);
    return result;
}

// Every library call of a read happens below the recovery point set here. Nothing in this frame or below it owns
// anything with a destructor: the state holds the allocations, and ReadImage frees them.
bool GxPNGReader::Decode(PrivateState& ioState, CxUint32& outWidth, CxUint32& outHeight)
{
    png_structp png = Png(mPngPtr);
    png_infop info = Info(mInfoPtr);
    png_infop end = Info(mEndPtr);
    if (setjmp(png_jmpbuf(png)) != 0)
        return false;

    png_set_user_limits(png, kMaxDimension, kMaxDimension);
    png_set_chunk_cache_max(png, kChunkCacheMax);
    png_set_chunk_malloc_max(png, kChunkMallocMax);
    CheckSignature(*ioState.mStream);
    png_set_read_fn(png, &ioState, PNGReadData);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS, nullptr, 0);
    ReadInfo();

    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    const std::size_t pixels = static_cast<std::size_t>(width) * height;
    if (width == 0 || height == 0 || pixels > kMaxImageBytes / 4 || rowBytes > kMaxImageBytes / height)
        png_error(png, "image too large");
    const std::size_t channels = png_get_channels(png, info);
    if (rowBytes < static_cast<std::size_t>(width) * channels)
        png_error(png, "unexpected row layout");
    // Deflate expands at most 1032-fold: an image larger than its data could ever hold is refused before the
    // memory for it is taken.
    const std::size_t storedRow =
        (static_cast<std::size_t>(width) * channels * static_cast<std::size_t>(mBitDepth) + 7) / 8;
    if (storedRow * height / 1032 > ioState.mStream->Length())
        png_error(png, "image larger than its data");

    ioState.mImage = static_cast<png_bytep>(std::malloc(rowBytes * height));
    ioState.mRows = static_cast<png_bytepp>(std::malloc(sizeof(png_bytep) * height));
    if (ioState.mImage == nullptr || ioState.mRows == nullptr)
        png_error(png, "out of memory");
    for (png_uint_32 y = 0; y < height; ++y)
        ioState.mRows[y] = ioState.mImage + rowBytes * y;
    png_read_image(png, ioState.mRows);
    png_read_end(png, end);

    ioState.mOutput = new (std::nothrow) CxUint8[pixels * 4]();
    if (ioState.mOutput == nullptr)
        png_error(png, "out of memory");

    png_colorp palette = nullptr;
    int paletteSize = 0;
    int transparent = -1;
    const int colorType = png_get_color_type(png, info);
    if (colorType == PNG_COLOR_TYPE_PALETTE)
    {
        if (png_get_PLTE(png, info, &palette, &paletteSize) == 0)
            paletteSize = 0;
        transparent = TransparentIndex(png, info);
    }
    // Bottom row first.
    for (png_uint_32 y = 0; y < height; ++y)
        ConvertRow(colorType, ioState.mRows[height - 1 - y], ioState.mOutput + static_cast<std::size_t>(y) * width * 4,
                   width, palette, paletteSize, transparent);

    std::free(ioState.mRows);
    ioState.mRows = nullptr;
    std::free(ioState.mImage);
    ioState.mImage = nullptr;
    outWidth = width;
    outHeight = height;
    return true;
}
