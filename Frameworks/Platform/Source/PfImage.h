// Images of the drawing layer: 8-bit RGBA, top row first, not premultiplied. PNG is read and written by Cairo;
// JPEG goes to the platform's JPEG decoder. A bad file answers false with a message, never an exit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pf
{

struct Image
{
    std::int32_t mWidth = 0;
    std::int32_t mHeight = 0;
    std::vector<std::uint8_t> mPixels; // mWidth * mHeight * 4: R, G, B, A

    bool Empty() const { return mWidth <= 0 || mHeight <= 0; }
    const std::uint8_t* Pixel(std::int32_t inX, std::int32_t inY) const
    {
        return mPixels.data() +
               (static_cast<std::size_t>(inY) * static_cast<std::size_t>(mWidth) + static_cast<std::size_t>(inX)) * 4;
    }

    // Pixels as they come from elsewhere: straight RGBA rows, or premultiplied rows with alpha last (the drag
    // images and bitmap contexts), each top row first unless inBottomUp (the GL read-back).
    static Image FromRgba(const std::uint8_t* inPixels, std::int32_t inWidth, std::int32_t inHeight,
                          std::size_t inRowBytes, bool inBottomUp = false);
    static Image FromPremultipliedRgba(const std::uint8_t* inPixels, std::int32_t inWidth, std::int32_t inHeight,
                                       std::size_t inRowBytes);
};

// PNG through Cairo's reader.
bool ReadPngImage(const std::uint8_t* inBytes, std::size_t inSize, Image& outImage, std::string& outError);
bool WritePngImage(const Image& inImage, std::vector<std::uint8_t>& outBytes);
// By path, a file at the name, or none, gives way to the picture written whole (see PfWholeFile.h), and so does
// the file a link there leads to, the link kept and the file its owner, group and permissions (not its ACLs); one
// with other hard links, or whose owner or group the caller cannot give, is written through, so a failed write
// cuts it. A device, a FIFO or a descriptor is written through. By folder and name, the picture is always written
// whole, a link at the name replaced; inFolder is an open folder and inName a name in it.
bool WritePngFile(const Image& inImage, const std::string& inPath, std::string& outError);
bool WritePngFile(const Image& inImage, int inFolder, const std::string& inName, std::string& outError);

// JPEG, through the platform's JPEG decoder.
bool ReadJpegImage(const std::uint8_t* inBytes, std::size_t inSize, Image& outImage, std::string& outError);

// PNG or JPEG by their signatures.
bool ReadImage(const std::uint8_t* inBytes, std::size_t inSize, Image& outImage, std::string& outError);
bool ReadImageFile(const std::string& inPath, Image& outImage, std::string& outError);

} // namespace pf
