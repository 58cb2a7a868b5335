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
#include <vector>

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

// Everything is set up before the recovery point, so nothing changes in this frame between it and a jump.
bool WritePng(const GxGWorld& inPicture, std::FILE* ioFile)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    std::vector<png_bytep> rows(static_cast<std::size_t>(inPicture.mHeight));
    for (std::size_t y = 0; y < rows.size(); ++y)
        rows[y] = inPicture.mPixels + y * static_cast<std::size_t>(inPicture.mRowBytes);
    bool written = false;
    if (png != nullptr && info != nullptr && setjmp(png_jmpbuf(png)) == 0)
    {
        png_init_io(png, ioFile);
        png_set_IHDR(png, info, static_cast<png_uint_32>(inPicture.mWidth), static_cast<png_uint_32>(inPicture.mHeight),
                     8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
        png_write_info(png, info);
        png_set_bgr(png);
        png_write_image(png, rows.data());
        png_write_end(png, info);
        written = true;
    }
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

bool WriteJpeg(const GxGWorld& inPicture, std::FILE* ioFile)
{
    jpeg_compress_struct info = {};
    JpegErrors errors = {};
    info.err = jpeg_std_error(&errors.mManager);
    errors.mManager.error_exit = OnJpegError;
    errors.mManager.output_message = OnJpegMessage;
    bool written = false;
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
        while (info.next_scanline < info.image_height)
        {
            JSAMPROW row = inPicture.mPixels + info.next_scanline * static_cast<std::size_t>(inPicture.mRowBytes);
            jpeg_write_scanlines(&info, &row, 1);
        }
        jpeg_finish_compress(&info);
        written = true;
    }
    jpeg_destroy_compress(&info);
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
    const GxGWorld& picture = *world->GetGWorldPtr();
    const std::string path = ioFile.GetRef().mPath;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        throw CxErrorFileIO(__FILE__, __LINE__);
    bool written = type == kPngType ? WritePng(picture, file) : WriteJpeg(picture, file);
    written = std::fflush(file) == 0 && written;
    written = std::fclose(file) == 0 && written;
    if (!written)
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
