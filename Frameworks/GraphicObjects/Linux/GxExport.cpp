// Picture export through libpng and libjpeg.

#include "GxContext.h"

#include "CxError.h"
#include "CxFile.h"
#include "CxMime.h"
#include "GxWorld.h"

#include <jpeglib.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <functional>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace
{

constexpr CxUint32 kPngType = 0x504E4766;  // 'PNGf'
constexpr CxUint32 kJpegType = 0x4A504547; // 'JPEG'
constexpr int kJpegQuality = 90;

[[noreturn]] void OnPngError(png_structp inPng, png_const_charp)
{
    png_longjmp(inPng, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

enum class Written
{
    kWhole,
    kFailed,
    kStopped
};

// Everything is set up before the recovery point, so nothing changes in this frame between it and a jump.
Written EncodePng(png_structp ioPng, png_infop ioInfo, const GxGWorld& inPicture, const std::vector<png_bytep>& inRows,
                  std::FILE* ioFile, const std::function<bool()>& inStopped)
{
    if (setjmp(png_jmpbuf(ioPng)) != 0)
        return Written::kFailed;
    png_init_io(ioPng, ioFile);
    png_set_IHDR(ioPng, ioInfo, static_cast<png_uint_32>(inPicture.mWidth), static_cast<png_uint_32>(inPicture.mHeight),
                 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_sRGB(ioPng, ioInfo, PNG_sRGB_INTENT_PERCEPTUAL);
    png_write_info(ioPng, ioInfo);
    png_set_bgr(ioPng);
    // A large picture takes seconds to encode: a stop is heard between rows.
    for (png_bytep row : inRows)
    {
        if (inStopped && inStopped())
            return Written::kStopped;
        png_write_row(ioPng, row);
    }
    png_write_end(ioPng, ioInfo);
    return Written::kWhole;
}

Written WritePng(const GxGWorld& inPicture, std::FILE* ioFile, const std::function<bool()>& inStopped)
{
    // Allocated before the encoder, which nothing would destroy if this threw.
    std::vector<png_bytep> rows(static_cast<std::size_t>(inPicture.mHeight));
    for (std::size_t y = 0; y < rows.size(); ++y)
        rows[y] = inPicture.mPixels + y * static_cast<std::size_t>(inPicture.mRowBytes);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    const Written written =
        png != nullptr && info != nullptr ? EncodePng(png, info, inPicture, rows, ioFile, inStopped) : Written::kFailed;
    png_destroy_write_struct(&png, &info);
    return written;
}

struct JpegErrors
{
    jpeg_error_mgr mManager;
    std::jmp_buf mJump;
};

[[noreturn]] void OnJpegError(j_common_ptr inInfo)
{
    std::longjmp(reinterpret_cast<JpegErrors*>(inInfo->err)->mJump, 1);
}

void OnJpegMessage(j_common_ptr) {}

Written WriteJpeg(const GxGWorld& inPicture, std::FILE* ioFile, const std::function<bool()>& inStopped)
{
    jpeg_compress_struct info = {};
    JpegErrors errors = {};
    info.err = jpeg_std_error(&errors.mManager);
    errors.mManager.error_exit = OnJpegError;
    errors.mManager.output_message = OnJpegMessage;
    // Read after a jump from the library: kept in memory.
    volatile Written written = Written::kFailed;
    if (setjmp(errors.mJump) == 0)
    {
        jpeg_create_compress(&info);
        jpeg_stdio_dest(&info, ioFile);
        info.image_width = static_cast<JDIMENSION>(inPicture.mWidth);
        info.image_height = static_cast<JDIMENSION>(inPicture.mHeight);
        info.input_components = 4;
        info.in_color_space = JCS_EXT_BGRA;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, kJpegQuality, TRUE);
        jpeg_start_compress(&info, TRUE);
        bool stopped = false;
        while (info.next_scanline < info.image_height && !(stopped = inStopped && inStopped()))
        {
            JSAMPROW row = inPicture.mPixels + info.next_scanline * static_cast<std::size_t>(inPicture.mRowBytes);
            jpeg_write_scanlines(&info, &row, 1);
        }
        if (!stopped)
            jpeg_finish_compress(&info);
        // After the last call that can jump.
        written = stopped ? Written::kStopped : Written::kWhole;
    }
    jpeg_destroy_compress(&info);
    return written;
}

// The stream is closed whatever happens.
Written WriteImage(CxUint32 inType, const GxGWorld& inPicture, std::FILE* ioFile,
                   const std::function<bool()>& inStopped)
{
    Written written = Written::kFailed;
    try
    {
        written = inType == kPngType ? WritePng(inPicture, ioFile, inStopped) : WriteJpeg(inPicture, ioFile, inStopped);
    }
    catch (...)
    {
        // Out of memory, say: the stream and its descriptor go with it.
        std::fclose(ioFile);
        throw;
    }
    if (std::fflush(ioFile) != 0 && written == Written::kWhole)
        written = Written::kFailed;
    if (std::fclose(ioFile) != 0 && written == Written::kWhole)
        written = Written::kFailed;
    return written;
}

void DeleteIfThere(CxFile& ioFile)
{
    if (ioFile.IsValid())
        ioFile.Delete();
}

} // namespace

void GxContext::Export(const CxString& inMime, CxFile& ioFile, const GxColor* inTransparent)
{
    const CxUint32 type = CxMimeInfo::FromMime(inMime).Type();
    if (type == 0)
    {
        DeleteIfThere(ioFile);
        return;
    }
    if (type != kPngType && type != kJpegType)
        return;

    const std::unique_ptr<GxWorld> world = CreateWorld(inTransparent);
    if (!world || world->Width() <= 0 || world->Height() <= 0)
    {
        DeleteIfThere(ioFile);
        return;
    }
    const std::string path = ioFile.GetRef().mPath;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        throw CxErrorFileIO(__FILE__, __LINE__);
    if (WriteImage(type, *world->GetGWorldPtr(), file, nullptr) != Written::kWhole)
    {
        // Never leave a truncated picture behind.
        try
        {
            DeleteIfThere(ioFile);
        }
        catch (const CxError&)
        {
        }
        throw CxErrorFileIO(__FILE__, __LINE__);
    }
}

bool GxContext::Export(const CxString& inMime, int inFile, const GxColor* inTransparent,
                       const std::function<bool()>& inStopped)
{
    const CxUint32 type = CxMimeInfo::FromMime(inMime).Type();
    if (type != kPngType && type != kJpegType)
        throw CxErrorFileIO(__FILE__, __LINE__);
    const std::unique_ptr<GxWorld> world = CreateWorld(inTransparent, inStopped);
    if (!world)
        return false;
    if (world->Width() <= 0 || world->Height() <= 0)
        throw CxErrorFileIO(__FILE__, __LINE__);
    // A copy of the descriptor, so closing the stream leaves the caller's open.
    const int copy = fcntl(inFile, F_DUPFD_CLOEXEC, 0);
    std::FILE* file = copy >= 0 ? fdopen(copy, "wb") : nullptr;
    if (file == nullptr)
    {
        if (copy >= 0)
            close(copy);
        throw CxErrorFileIO(__FILE__, __LINE__);
    }
    const Written written = WriteImage(type, *world->GetGWorldPtr(), file, inStopped);
    if (written == Written::kFailed)
        throw CxErrorFileIO(__FILE__, __LINE__);
    return written == Written::kWhole;
}
