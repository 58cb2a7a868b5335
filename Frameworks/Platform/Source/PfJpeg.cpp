#include "PfJpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

#include <jerror.h>
#include <jpeglib.h>

namespace pf
{
namespace
{

constexpr std::size_t kChunk = 4096;
// A hostile progressive file can carry scans without end; real ones have a few dozen.
constexpr int kMaxScans = 1000;
// The library's own whole-image buffers (progressive and multi-scan files) stay below this.
constexpr long kMaxLibraryMemory = 1L << 29;
// Huffman codes spend at least one bit on every 8 x 8 block: at most 512 pixels a byte.
constexpr std::uint64_t kMaxPixelsPerByte = 512;
const JOCTET kFakeEnd[2] = {0xFF, JPEG_EOI};

// Plain data only: the library's error exit jumps over these frames.
struct Source
{
    jpeg_source_mgr mPublic;
    const std::uint8_t* mData;
    std::size_t mSize;
    std::size_t mPosition;
};

struct ErrorManager
{
    jpeg_error_mgr mPublic;
    std::jmp_buf mJump;
    const std::function<void(const char*)>* mSink;
};

struct Progress
{
    jpeg_progress_mgr mPublic;
};

void InitSource(j_decompress_ptr) {}

void TermSource(j_decompress_ptr) {}

// Hands out the next chunk of the data in place; past the end, an end-of-image marker, so a short file ends
// instead of waiting or reading past its data.
boolean FillInputBuffer(j_decompress_ptr inInfo)
{
    auto* source = reinterpret_cast<Source*>(inInfo->src);
    const std::size_t left = source->mSize - source->mPosition;
    if (left == 0)
    {
        source->mPublic.next_input_byte = kFakeEnd;
        source->mPublic.bytes_in_buffer = sizeof(kFakeEnd);
        return TRUE;
    }
    const std::size_t count = left < kChunk ? left : kChunk;
    source->mPublic.next_input_byte = source->mData + source->mPosition;
    source->mPublic.bytes_in_buffer = count;
    source->mPosition += count;
    return TRUE;
}

void SkipInputData(j_decompress_ptr inInfo, long inCount)
{
    if (inCount < 1)
        return;
    auto* source = reinterpret_cast<Source*>(inInfo->src);
    std::size_t count = static_cast<std::size_t>(inCount);
    while (count > source->mPublic.bytes_in_buffer)
    {
        count -= source->mPublic.bytes_in_buffer;
        FillInputBuffer(inInfo);
    }
    source->mPublic.next_input_byte += count;
    source->mPublic.bytes_in_buffer -= count;
}

[[noreturn]] void ErrorExit(j_common_ptr inInfo)
{
    (*inInfo->err->output_message)(inInfo);
    std::longjmp(reinterpret_cast<ErrorManager*>(inInfo->err)->mJump, 1);
}

void OutputMessage(j_common_ptr inInfo)
{
    auto* errors = reinterpret_cast<ErrorManager*>(inInfo->err);
    if (errors->mSink == nullptr || !*errors->mSink)
        return;
    char text[JMSG_LENGTH_MAX] = {};
    (*inInfo->err->format_message)(inInfo, text);
    try
    {
        (*errors->mSink)(text);
    }
    catch (...)
    {
        // No exception may cross the library's frames.
    }
}

void OnProgress(j_common_ptr inInfo)
{
    if (inInfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(inInfo)->input_scan_number > kMaxScans)
    {
        inInfo->err->msg_code = JERR_NOT_COMPILED;
        (*inInfo->err->error_exit)(inInfo);
    }
}

// Adobe's programs store the inks inverted (0 full ink) and mark their files; others store them as they are.
void InkToRgb(const JSAMPLE* inInk, std::size_t inWidth, bool inInverted, std::uint8_t* outRgb)
{
    for (std::size_t x = 0; x < inWidth; ++x, inInk += 4, outRgb += 3)
    {
        const unsigned paper = inInverted ? inInk[3] : 255u - inInk[3];
        for (int k = 0; k < 3; ++k)
        {
            const unsigned light = inInverted ? inInk[k] : 255u - inInk[k];
            outRgb[k] = static_cast<std::uint8_t>((light * paper + 127u) / 255u);
        }
    }
}

// Every library call happens below the recovery point set here; the pixels live in ioPixels, which the caller
// frees when this answers false.
bool Decode(jpeg_decompress_struct& ioInfo, ErrorManager& ioErrors, Source& ioSource, const JpegOptions& inOptions,
            std::uint8_t*& ioPixels, JpegImage& outImage)
{
    if (setjmp(ioErrors.mJump) != 0)
        return false;
    jpeg_create_decompress(&ioInfo);
    ioInfo.mem->max_memory_to_use = kMaxLibraryMemory;
    ioInfo.src = &ioSource.mPublic;
    static_cast<void>(jpeg_read_header(&ioInfo, TRUE));
    const std::uint64_t pixels = std::uint64_t(ioInfo.image_width) * ioInfo.image_height;
    // A picture larger than its data could ever describe is refused before any memory for it exists; data cut
    // short still decodes within that bound.
    if (pixels == 0 || pixels > inOptions.mMaxPixels ||
        (!ioInfo.arith_code && pixels / kMaxPixelsPerByte > ioSource.mSize))
    {
        ioInfo.err->msg_code = JERR_IMAGE_TOO_BIG;
        ioInfo.err->msg_parm.i[0] = static_cast<int>(ioInfo.image_width);
        (*ioInfo.err->error_exit)(reinterpret_cast<j_common_ptr>(&ioInfo));
    }
    jpeg_calc_output_dimensions(&ioInfo);
    jpeg_start_decompress(&ioInfo);
    const std::size_t width = ioInfo.output_width;
    const std::size_t height = ioInfo.output_height;
    const std::size_t components = static_cast<std::size_t>(ioInfo.output_components);
    const std::size_t rowBytes = width * components;
    if (std::uint64_t(width) * height > inOptions.mMaxPixels || components == 0 || components > 4)
        (*ioInfo.err->error_exit)(reinterpret_cast<j_common_ptr>(&ioInfo));
    // Ink (CMYK, and YCCK, which the library turns into CMYK) is handed out as RGB.
    const bool ink = ioInfo.out_color_space == JCS_CMYK && components == 4;
    const std::size_t outBytes = ink ? width * 3 : rowBytes;
    ioPixels = new (std::nothrow) std::uint8_t[outBytes * height];
    if (ioPixels == nullptr)
        (*ioInfo.err->error_exit)(reinterpret_cast<j_common_ptr>(&ioInfo));
    JSAMPARRAY row = (*ioInfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&ioInfo), JPOOL_IMAGE,
                                                 static_cast<JDIMENSION>(rowBytes), 1);
    while (ioInfo.output_scanline < ioInfo.output_height)
    {
        const std::size_t line = ioInfo.output_scanline;
        if (jpeg_read_scanlines(&ioInfo, row, 1) != 1)
            (*ioInfo.err->error_exit)(reinterpret_cast<j_common_ptr>(&ioInfo));
        const std::size_t target = inOptions.mBottomRowFirst ? height - 1 - line : line;
        if (ink)
            InkToRgb(row[0], width, ioInfo.saw_Adobe_marker != 0, ioPixels + target * outBytes);
        else
            std::memcpy(ioPixels + target * rowBytes, row[0], rowBytes);
    }
    jpeg_finish_decompress(&ioInfo);
    outImage.mWidth = static_cast<std::uint32_t>(width);
    outImage.mHeight = static_cast<std::uint32_t>(height);
    outImage.mComponents = ink ? 3 : static_cast<int>(components);
    return true;
}

} // namespace

bool DecodeJpeg(const std::uint8_t* inData, std::size_t inSize, const JpegOptions& inOptions, JpegImage& outImage)
{
    outImage = JpegImage();
    if (inData == nullptr || inSize == 0)
        return false;

    jpeg_decompress_struct info;
    std::memset(&info, 0, sizeof(info));
    ErrorManager errors;
    std::memset(&errors.mPublic, 0, sizeof(errors.mPublic));
    info.err = jpeg_std_error(&errors.mPublic);
    errors.mPublic.error_exit = ErrorExit;
    errors.mPublic.output_message = OutputMessage;
    errors.mSink = &inOptions.mMessageSink;
    Progress progress;
    std::memset(&progress, 0, sizeof(progress));
    progress.mPublic.progress_monitor = OnProgress;
    info.progress = &progress.mPublic;
    Source source;
    std::memset(&source, 0, sizeof(source));
    source.mPublic.init_source = InitSource;
    source.mPublic.fill_input_buffer = FillInputBuffer;
    source.mPublic.skip_input_data = SkipInputData;
    source.mPublic.resync_to_restart = jpeg_resync_to_restart;
    source.mPublic.term_source = TermSource;
    source.mData = inData;
    source.mSize = inSize;

    std::uint8_t* pixels = nullptr;
    const bool decoded = Decode(info, errors, source, inOptions, pixels, outImage);
    jpeg_destroy_decompress(&info);
    if (!decoded)
    {
        delete[] pixels;
        outImage = JpegImage();
        return false;
    }
    outImage.mPixels.reset(pixels);
    return true;
}

} // namespace pf
