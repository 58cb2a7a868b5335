// JPEG decoding shared by the data images and the window server's images. The library runs with an error manager
// that jumps back to the caller, so corrupt data, an unsupported kind (12-bit, lossless) or an image past the
// caller's pixel cap ends the decode with nothing allocated and the process untouched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace pf
{

struct JpegImage
{
    std::unique_ptr<std::uint8_t[]> mPixels; // width x height x components bytes
    std::uint32_t mWidth = 0;
    std::uint32_t mHeight = 0;
    int mComponents = 0; // 1 grey, 3 RGB (ink files too)
};

struct JpegOptions
{
    // Width x height above this, or more than a Huffman-coded file's data could describe, is refused after the
    // header, before any pixel memory exists.
    std::uint64_t mMaxPixels = std::uint64_t(1) << 28;
    // Rows in the buffer from the last of the file to the first, as GL textures take them.
    bool mBottomRowFirst = true;
    // The library's warnings and error texts; none when empty. Must not throw.
    std::function<void(const char* inMessage)> mMessageSink;
};

// False, with outImage empty, when the data does not decode. Data that ends early decodes as far as it goes (the
// library then sees an end-of-image marker). Safe to call from several threads at once.
bool DecodeJpeg(const std::uint8_t* inData, std::size_t inSize, const JpegOptions& inOptions, JpegImage& outImage);

} // namespace pf
