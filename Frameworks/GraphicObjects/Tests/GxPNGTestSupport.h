// PNG fixtures made in memory with libpng from known samples, and the RGBA bytes a reader must make of them.
#pragma once

#include <png.h>

#include <cstdint>
#include <random>
#include <stdexcept>
#include <vector>

namespace gxtest
{

struct PngImage
{
    int mWidth = 0;
    int mHeight = 0;
    int mColorType = PNG_COLOR_TYPE_RGB;
    int mBitDepth = 8;
    bool mInterlaced = false;
    // Samples of each row, top row first, channels interleaved, each within the bit depth.
    std::vector<std::vector<int>> mRows;
    std::vector<png_color> mPalette;
    std::vector<png_byte> mTransparency; // alpha per palette index (a tRNS chunk when not empty)
};

inline int Channels(int inColorType)
{
    switch (inColorType)
    {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE:
        return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return 2;
    case PNG_COLOR_TYPE_RGB:
        return 3;
    default:
        return 4;
    }
}

// Packs the samples as the file stores them: big-endian 16-bit, or several to a byte, the first in the high bits.
inline std::vector<png_byte> PackRow(const PngImage& inImage, const std::vector<int>& inSamples)
{
    std::vector<png_byte> bytes;
    if (inImage.mBitDepth == 16)
    {
        for (int s : inSamples)
        {
            bytes.push_back(static_cast<png_byte>(s >> 8));
            bytes.push_back(static_cast<png_byte>(s & 0xFF));
        }
    }
    else if (inImage.mBitDepth == 8)
    {
        for (int s : inSamples)
            bytes.push_back(static_cast<png_byte>(s));
    }
    else
    {
        const int perByte = 8 / inImage.mBitDepth;
        bytes.assign((inSamples.size() + perByte - 1) / perByte, 0);
        for (std::size_t i = 0; i < inSamples.size(); ++i)
            bytes[i / perByte] |= static_cast<png_byte>(inSamples[i] << (8 - inImage.mBitDepth * (i % perByte + 1)));
    }
    return bytes;
}

inline std::vector<std::uint8_t> EncodePng(const PngImage& inImage)
{
    std::vector<std::uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<std::vector<png_byte>> packed;
    for (const auto& row : inImage.mRows)
        packed.push_back(PackRow(inImage, row));
    std::vector<png_bytep> rows;
    for (auto& row : packed)
        rows.push_back(row.data());
    if (setjmp(png_jmpbuf(png)))
    {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("fixture could not be encoded");
    }
    png_set_write_fn(
        png, &out,
        [](png_structp inPng, png_bytep inData, size_t inLength)
        {
            auto* buffer = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(inPng));
            buffer->insert(buffer->end(), inData, inData + inLength);
        },
        nullptr);
    // Out-of-range palette indices are written on purpose.
    png_set_benign_errors(png, 1);
    png_set_check_for_invalid_index(png, 0);
    png_set_IHDR(png, info, static_cast<png_uint_32>(inImage.mWidth), static_cast<png_uint_32>(inImage.mHeight),
                 inImage.mBitDepth, inImage.mColorType, inImage.mInterlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!inImage.mPalette.empty())
        png_set_PLTE(png, info, inImage.mPalette.data(), static_cast<int>(inImage.mPalette.size()));
    if (!inImage.mTransparency.empty())
        png_set_tRNS(png, info, inImage.mTransparency.data(), static_cast<int>(inImage.mTransparency.size()), nullptr);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// Random samples within the depth (palette indices within the palette).
inline PngImage RandomImage(int inWidth, int inHeight, int inColorType, int inBitDepth, bool inInterlaced,
                            unsigned inSeed)
{
    PngImage image;
    image.mWidth = inWidth;
    image.mHeight = inHeight;
    image.mColorType = inColorType;
    image.mBitDepth = inBitDepth;
    image.mInterlaced = inInterlaced;
    std::mt19937 random(inSeed);
    int top = (1 << inBitDepth) - 1;
    if (inColorType == PNG_COLOR_TYPE_PALETTE)
    {
        const int entries = std::min(1 << inBitDepth, 256);
        for (int i = 0; i < entries; ++i)
            image.mPalette.push_back(
                {static_cast<png_byte>(random()), static_cast<png_byte>(random()), static_cast<png_byte>(random())});
        top = entries - 1;
    }
    std::uniform_int_distribution<int> sample(0, top);
    for (int y = 0; y < inHeight; ++y)
    {
        std::vector<int> row;
        for (int i = 0; i < inWidth * Channels(inColorType); ++i)
            row.push_back(sample(random));
        image.mRows.push_back(row);
    }
    return image;
}

// What the reader must make of the image: RGBA, bottom row first; 16-bit samples keep their high byte, samples
// below 8 bits keep their value; a palette keeps only its most transparent index transparent.
inline std::vector<std::uint8_t> ExpectedRgba(const PngImage& inImage)
{
    auto byte = [&](int inSample)
    { return static_cast<std::uint8_t>(inImage.mBitDepth == 16 ? inSample >> 8 : inSample); };
    int transparent = -1;
    int lowest = 255;
    for (std::size_t i = 0; i < inImage.mTransparency.size(); ++i)
        if (inImage.mTransparency[i] < lowest)
        {
            lowest = inImage.mTransparency[i];
            transparent = static_cast<int>(i);
        }
    std::vector<std::uint8_t> out;
    for (int y = inImage.mHeight - 1; y >= 0; --y)
    {
        const auto& row = inImage.mRows[static_cast<std::size_t>(y)];
        for (int x = 0; x < inImage.mWidth; ++x)
        {
            const int c = Channels(inImage.mColorType);
            const int* s = row.data() + x * c;
            switch (inImage.mColorType)
            {
            case PNG_COLOR_TYPE_GRAY:
                out.insert(out.end(), {byte(s[0]), byte(s[0]), byte(s[0]), 255});
                break;
            case PNG_COLOR_TYPE_GRAY_ALPHA:
                out.insert(out.end(), {byte(s[0]), byte(s[0]), byte(s[0]), byte(s[1])});
                break;
            case PNG_COLOR_TYPE_RGB:
                out.insert(out.end(), {byte(s[0]), byte(s[1]), byte(s[2]), 255});
                break;
            case PNG_COLOR_TYPE_RGB_ALPHA:
                out.insert(out.end(), {byte(s[0]), byte(s[1]), byte(s[2]), byte(s[3])});
                break;
            case PNG_COLOR_TYPE_PALETTE:
            {
                const std::uint8_t alpha = s[0] == transparent ? 0 : 255;
                if (static_cast<std::size_t>(s[0]) < inImage.mPalette.size())
                {
                    const png_color& p = inImage.mPalette[static_cast<std::size_t>(s[0])];
                    out.insert(out.end(), {p.red, p.green, p.blue, alpha});
                }
                else
                {
                    out.insert(out.end(), {0, 0, 0, alpha});
                }
                break;
            }
            }
        }
    }
    return out;
}

} // namespace gxtest
