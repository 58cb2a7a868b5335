#include "PfImage.h"

#include "PfJpeg.h"
#include "PfWholeFile.h"

#include <cairo.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace pf
{

namespace
{

struct ReadCursor
{
    const std::uint8_t* mBytes = nullptr;
    std::size_t mSize = 0;
    std::size_t mAt = 0;
};

cairo_status_t ReadBytes(void* ioClosure, unsigned char* outData, unsigned int inLength)
{
    auto* cursor = static_cast<ReadCursor*>(ioClosure);
    if (cursor->mSize - cursor->mAt < inLength)
        return CAIRO_STATUS_READ_ERROR;
    std::memcpy(outData, cursor->mBytes + cursor->mAt, inLength);
    cursor->mAt += inLength;
    return CAIRO_STATUS_SUCCESS;
}

cairo_status_t WriteBytes(void* ioClosure, const unsigned char* inData, unsigned int inLength)
{
    auto* bytes = static_cast<std::vector<std::uint8_t>*>(ioClosure);
    bytes->insert(bytes->end(), inData, inData + inLength);
    return CAIRO_STATUS_SUCCESS;
}

std::uint8_t Unpremultiply(std::uint32_t inValue, std::uint32_t inAlpha)
{
    return static_cast<std::uint8_t>(inAlpha == 0 ? 0 : std::min(255u, (inValue * 255 + inAlpha / 2) / inAlpha));
}

} // namespace

Image Image::FromRgba(const std::uint8_t* inPixels, std::int32_t inWidth, std::int32_t inHeight, std::size_t inRowBytes,
                      bool inBottomUp)
{
    Image image;
    if (inPixels == nullptr || inWidth <= 0 || inHeight <= 0 || inRowBytes < static_cast<std::size_t>(inWidth) * 4)
        return image;
    image.mWidth = inWidth;
    image.mHeight = inHeight;
    const std::size_t rowSize = static_cast<std::size_t>(inWidth) * 4;
    image.mPixels.resize(rowSize * static_cast<std::size_t>(inHeight));
    for (std::int32_t y = 0; y < inHeight; ++y)
    {
        const std::int32_t from = inBottomUp ? inHeight - 1 - y : y;
        std::memcpy(image.mPixels.data() + rowSize * static_cast<std::size_t>(y),
                    inPixels + inRowBytes * static_cast<std::size_t>(from), rowSize);
    }
    return image;
}

Image Image::FromPremultipliedRgba(const std::uint8_t* inPixels, std::int32_t inWidth, std::int32_t inHeight,
                                   std::size_t inRowBytes)
{
    Image image = FromRgba(inPixels, inWidth, inHeight, inRowBytes);
    for (std::size_t i = 0; i + 3 < image.mPixels.size(); i += 4)
    {
        const std::uint32_t a = image.mPixels[i + 3];
        for (std::size_t c = 0; c < 3; ++c)
            image.mPixels[i + c] = Unpremultiply(image.mPixels[i + c], a);
    }
    return image;
}

bool ReadPngImage(const std::uint8_t* inBytes, std::size_t inSize, Image& outImage, std::string& outError)
{
    ReadCursor cursor{inBytes, inBytes == nullptr ? 0 : inSize, 0};
    cairo_surface_t* surface = cairo_image_surface_create_from_png_stream(ReadBytes, &cursor);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
    {
        outError = std::string("PNG: ") + cairo_status_to_string(cairo_surface_status(surface));
        cairo_surface_destroy(surface);
        return false;
    }
    // Cairo answers grey, palette and RGB files as RGB24 and the rest as premultiplied ARGB32.
    const cairo_format_t format = cairo_image_surface_get_format(surface);
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24)
    {
        cairo_surface_t* argb = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, cairo_image_surface_get_width(surface),
                                                           cairo_image_surface_get_height(surface));
        cairo_t* cr = cairo_create(argb);
        cairo_set_source_surface(cr, surface, 0, 0);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
        surface = argb;
    }
    cairo_surface_flush(surface);
    const bool opaque = cairo_image_surface_get_format(surface) == CAIRO_FORMAT_RGB24;
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    Image image;
    image.mWidth = width;
    image.mHeight = height;
    image.mPixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    std::uint8_t* out = image.mPixels.data();
    for (int y = 0; y < height; ++y)
    {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < width; ++x, out += 4)
        {
            const std::uint32_t pixel = row[x];
            const std::uint32_t a = opaque ? 255 : pixel >> 24;
            out[0] = Unpremultiply(pixel >> 16 & 0xFF, a);
            out[1] = Unpremultiply(pixel >> 8 & 0xFF, a);
            out[2] = Unpremultiply(pixel & 0xFF, a);
            out[3] = static_cast<std::uint8_t>(a);
        }
    }
    cairo_surface_destroy(surface);
    outImage = std::move(image);
    return true;
}

bool WritePngImage(const Image& inImage, std::vector<std::uint8_t>& outBytes)
{
    if (inImage.Empty())
        return false;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, inImage.mWidth, inImage.mHeight);
    bool written = false;
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS)
    {
        cairo_surface_flush(surface);
        unsigned char* data = cairo_image_surface_get_data(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        for (std::int32_t y = 0; y < inImage.mHeight; ++y)
        {
            auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
            for (std::int32_t x = 0; x < inImage.mWidth; ++x)
            {
                const std::uint8_t* p = inImage.Pixel(x, y);
                const std::uint32_t a = p[3];
                auto mul = [a](std::uint32_t inValue) { return (inValue * a + 127) / 255; };
                row[x] = a << 24 | mul(p[0]) << 16 | mul(p[1]) << 8 | mul(p[2]);
            }
        }
        cairo_surface_mark_dirty(surface);
        outBytes.clear();
        written = cairo_surface_write_to_png_stream(surface, WriteBytes, &outBytes) == CAIRO_STATUS_SUCCESS;
    }
    cairo_surface_destroy(surface);
    return written;
}

namespace
{

bool WritePngWhole(const Image& inImage, const std::function<std::string(const FileFiller&)>& inWrite,
                   std::string& outError)
{
    std::vector<std::uint8_t> bytes;
    if (!WritePngImage(inImage, bytes))
    {
        outError = "cannot encode an empty image";
        return false;
    }
    outError = inWrite([&](int inFile) { return WriteAll(inFile, bytes.data(), bytes.size()); });
    return outError.empty();
}

// Opened as it stands and filled: a device, a FIFO's reader, a descriptor, a link's target that cannot be replaced.
std::string WriteThrough(const std::string& inPath, const FileFiller& inFill)
{
    const int file = open(inPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (file < 0)
        return std::strerror(errno);
    std::string failure = inFill(file);
    if (close(file) != 0 && failure.empty())
        failure = std::strerror(errno);
    return failure;
}

// The kernel's descriptor links (/proc/PID/fd/N, which /dev/stdout and /dev/fd/N lead to) are procfs's own.
bool HoldsDescriptorLinks(const std::string& inFolder)
{
    struct statfs system
    {
    };
    return statfs(inFolder.c_str(), &system) != 0 || system.f_type == PROC_SUPER_MAGIC;
}

// Where the chain of links at inPath ends, when the picture may replace that file whole rather than cut it open:
// a file the caller may write, with no other hard link, and the same one the name opens, or an absent name; outFile
// is its stat, st_nlink 0 for none. "" when the chain passes through a descriptor's link, loops, breaks or ends
// anywhere else. Each relative target is joined to its own link's folder as it stands: ".." is the kernel's to
// resolve.
std::string ReplaceableTarget(const std::string& inPath, struct stat& outFile)
{
    constexpr int kMostHops = 40;
    outFile = {};
    std::string at = inPath;
    for (int hop = 0; hop <= kMostHops; ++hop)
    {
        struct stat link
        {
        };
        if (lstat(at.c_str(), &link) != 0)
            return errno == ENOENT && hop > 0 ? at : std::string();
        if (!S_ISLNK(link.st_mode))
        {
            struct stat named
            {
            };
            outFile = link;
            return S_ISREG(link.st_mode) && link.st_nlink == 1 && access(at.c_str(), W_OK) == 0 &&
                           stat(inPath.c_str(), &named) == 0 && named.st_dev == link.st_dev &&
                           named.st_ino == link.st_ino
                       ? at
                       : std::string();
        }
        const std::string folder = at.substr(0, at.rfind('/') + 1);
        if (HoldsDescriptorLinks(folder.empty() ? "." : folder))
            return std::string();
        std::string target(std::size_t(link.st_size > 0 ? link.st_size : PATH_MAX) + 1, '\0');
        const ssize_t length = readlink(at.c_str(), target.data(), target.size());
        if (length <= 0 || std::size_t(length) >= target.size())
            return std::string();
        target.resize(std::size_t(length));
        at = target[0] == '/' ? target : folder + target;
    }
    return std::string();
}

// A link's file is replaced whole where the fresh one can be what it was (its owner, group and permissions), so a
// write that fails part-way leaves it as it was. Where the owner or group cannot be given, or the folder takes no
// new file or refuses the rename, it is written through.
std::string WriteAtLinksEnd(const std::string& inPath, const FileFiller& inFill)
{
    struct stat file
    {
    };
    const std::string target = ReplaceableTarget(inPath, file);
    if (target.empty())
        return WriteThrough(inPath, inFill);
    bool unowned = false;
    WholeFileRefusal refusal;
    const std::string failure = WriteWholeFile(
        target,
        [&](int inFile)
        {
            if (file.st_nlink == 0)
                return inFill(inFile);
            struct stat fresh
            {
            };
            if (fstat(inFile, &fresh) != 0)
                return std::string(std::strerror(errno));
            // An owner may give only a group of its own; root's call can be refused too (no capability).
            if ((fresh.st_uid != file.st_uid || fresh.st_gid != file.st_gid) &&
                fchown(inFile, file.st_uid, file.st_gid) != 0)
            {
                unowned = true;
                return std::string(std::strerror(errno));
            }
            return fchmod(inFile, file.st_mode & 0777) != 0 ? std::strerror(errno) : inFill(inFile);
        },
        &refusal);
    // A full disk or quota would cut the target as well.
    const bool full = refusal.mError == ENOSPC || refusal.mError == EDQUOT;
    if (unowned || refusal.mStep == WholeFileRefusal::kRename || (refusal.mStep == WholeFileRefusal::kFresh && !full))
        return WriteThrough(inPath, inFill);
    return failure;
}

} // namespace

bool WritePngFile(const Image& inImage, const std::string& inPath, std::string& outError)
{
    // A file at the name, or none, is replaced whole; a link's target too where that is safe. A device, a FIFO or
    // a descriptor (/dev/stdout down a pipe) is the caller's way of saying where the picture goes: written through.
    struct stat named
    {
    };
    const bool stands = lstat(inPath.c_str(), &named) == 0;
    if (WritePngWhole(
            inImage,
            [&](const FileFiller& inFill)
            {
                if (!stands || S_ISREG(named.st_mode))
                    return WriteWholeFile(inPath, inFill);
                return S_ISLNK(named.st_mode) ? WriteAtLinksEnd(inPath, inFill) : WriteThrough(inPath, inFill);
            },
            outError))
        return true;
    outError = inPath + ": cannot write (" + outError + ")";
    return false;
}

bool WritePngFile(const Image& inImage, int inFolder, const std::string& inName, std::string& outError)
{
    return WritePngWhole(
        inImage, [&](const FileFiller& inFill) { return WriteWholeFile(inFolder, inName, inFill); }, outError);
}

bool ReadJpegImage(const std::uint8_t* inBytes, std::size_t inSize, Image& outImage, std::string& outError)
{
    JpegOptions options;
    options.mBottomRowFirst = false;
    std::string last;
    options.mMessageSink = [&last](const char* inMessage) { last = inMessage; };
    JpegImage decoded;
    if (!DecodeJpeg(inBytes, inSize, options, decoded))
    {
        outError = "JPEG: " + (last.empty() ? std::string("the data does not decode") : last);
        return false;
    }
    Image image;
    image.mWidth = static_cast<std::int32_t>(decoded.mWidth);
    image.mHeight = static_cast<std::int32_t>(decoded.mHeight);
    const std::size_t count = static_cast<std::size_t>(decoded.mWidth) * decoded.mHeight;
    image.mPixels.resize(count * 4);
    const std::uint8_t* from = decoded.mPixels.get();
    for (std::size_t i = 0; i < count; ++i, from += decoded.mComponents)
    {
        std::uint8_t* to = &image.mPixels[i * 4];
        to[0] = from[0];
        to[1] = decoded.mComponents == 3 ? from[1] : from[0];
        to[2] = decoded.mComponents == 3 ? from[2] : from[0];
        to[3] = 255;
    }
    outImage = std::move(image);
    return true;
}

bool ReadImage(const std::uint8_t* inBytes, std::size_t inSize, Image& outImage, std::string& outError)
{
    static constexpr std::uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (inBytes != nullptr && inSize >= 8 && std::memcmp(inBytes, kPng, 8) == 0)
        return ReadPngImage(inBytes, inSize, outImage, outError);
    if (inBytes != nullptr && inSize >= 3 && inBytes[0] == 0xFF && inBytes[1] == 0xD8 && inBytes[2] == 0xFF)
        return ReadJpegImage(inBytes, inSize, outImage, outError);
    outError = "neither a PNG nor a JPEG image";
    return false;
}

bool ReadImageFile(const std::string& inPath, Image& outImage, std::string& outError)
{
    std::ifstream file(inPath, std::ios::binary);
    if (!file)
    {
        outError = inPath + ": cannot open";
        return false;
    }
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (!ReadImage(bytes.data(), bytes.size(), outImage, outError))
    {
        outError = inPath + ": " + outError;
        return false;
    }
    return true;
}

} // namespace pf
