// The PNG reader on real files: PngSuite's basic images, two photographs and libpng's malformed samples.
#include "CxData.h"
#include "CxDebug.h"
#include "CxError.h"
#include "GxPNGReader.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace
{

using Rgba = std::array<std::uint8_t, 4>;

struct Picture
{
    CxUint32 mWidth = 0;
    CxUint32 mHeight = 0;
    std::vector<std::uint8_t> mRgba; // bottom row first, as the reader gives it

    // Pixel (x, y) counted from the top, as the file stores its rows.
    Rgba At(CxUint32 inX, CxUint32 inY) const
    {
        const std::size_t at = (static_cast<std::size_t>(mHeight - 1 - inY) * mWidth + inX) * 4;
        return {mRgba[at], mRgba[at + 1], mRgba[at + 2], mRgba[at + 3]};
    }
};

std::vector<std::uint8_t> ReadBytes(const std::string& inPath)
{
    std::ifstream in(inPath, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Picture Decode(const std::string& inPath, GxPNGReader& ioReader)
{
    const std::vector<std::uint8_t> bytes = ReadBytes(inPath);
    CxData data(bytes.data(), static_cast<CxUint32>(bytes.size()));
    const auto pixels = ioReader.ReadImage(data);
    Picture p{ioReader.Width(), ioReader.Height(), {}};
    p.mRgba.assign(pixels.get(), pixels.get() + std::size_t(p.mWidth) * p.mHeight * 4);
    return p;
}

// Decodes a PngSuite file, or fails the test (skips it when the data is absent).
#define SUITE_PICTURE(var, name)                                                                                       \
    SKY_NEED_TESTDATA_FILE(var##Path, std::string("images/png/") + (name) + ".png");                                   \
    GxPNGReader var##Reader;                                                                                           \
    const Picture var = Decode(var##Path, var##Reader);                                                                \
    ASSERT_EQ(var.mWidth, 32u) << (name);                                                                              \
    ASSERT_EQ(var.mHeight, 32u) << (name)

struct SuiteFile
{
    const char* name;
    int colorType;
    int bitDepth;
};

class GxPNGSuiteFile : public testing::TestWithParam<SuiteFile>
{
};

TEST_P(GxPNGSuiteFile, DecodesWithItsHeader)
{
    const SuiteFile& f = GetParam();
    SUITE_PICTURE(picture, f.name);
    EXPECT_EQ(pictureReader.ColorType(), f.colorType);
    EXPECT_EQ(pictureReader.BitDepth(), f.bitDepth);
    EXPECT_EQ(pictureReader.InterlaceType(), f.name[0] == 'i' ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE);
    // Grey samples below 8 bits are not scaled.
    if (f.colorType == PNG_COLOR_TYPE_GRAY && f.bitDepth < 8)
    {
        for (std::size_t k = 0; k < picture.mRgba.size(); k += 4)
            ASSERT_LT(picture.mRgba[k], 1 << f.bitDepth) << k;
    }
}

INSTANTIATE_TEST_SUITE_P(
    PngSuite, GxPNGSuiteFile,
    testing::Values(SuiteFile{"basn0g01", 0, 1}, SuiteFile{"basn0g02", 0, 2}, SuiteFile{"basn0g04", 0, 4},
                    SuiteFile{"basn0g08", 0, 8}, SuiteFile{"basn0g16", 0, 16}, SuiteFile{"basn2c08", 2, 8},
                    SuiteFile{"basn2c16", 2, 16}, SuiteFile{"basn3p01", 3, 1}, SuiteFile{"basn3p02", 3, 2},
                    SuiteFile{"basn3p04", 3, 4}, SuiteFile{"basn3p08", 3, 8}, SuiteFile{"basn4a08", 4, 8},
                    SuiteFile{"basn4a16", 4, 16}, SuiteFile{"basn6a08", 6, 8}, SuiteFile{"basn6a16", 6, 16},
                    SuiteFile{"ftbbn3p08", 3, 8}, SuiteFile{"ftbwn0g16", 0, 16}, SuiteFile{"ftp0n3p08", 3, 8},
                    SuiteFile{"ftp1n3p08", 3, 8}, SuiteFile{"ibasn0g08", 0, 8}, SuiteFile{"ibasn3p08", 3, 8},
                    SuiteFile{"ibasn6a16", 6, 16}),
    [](const testing::TestParamInfo<SuiteFile>& inInfo) { return std::string(inInfo.param.name); });

// Pictures PngSuite draws by formula, x and y counted from the top left.
struct Drawn
{
    const char* name;
    std::function<Rgba(int, int)> pixel;
};

std::uint8_t Byte(int inValue)
{
    return static_cast<std::uint8_t>(inValue);
}

Rgba Grey(int inValue, int inAlpha = 255)
{
    return {Byte(inValue), Byte(inValue), Byte(inValue), Byte(inAlpha)};
}

const Drawn kDrawn[] = {
    // Grey steps of four pixels both ways, wrapping at the depth (kept unscaled).
    {"basn0g02", [](int x, int y) { return Grey((x / 4 + y / 4) % 4); }},
    {"basn0g04", [](int x, int y) { return Grey((x / 4 + y / 4) % 16); }},
    // A triangle ramp 0..255..0.. along the pixels in file order.
    {"basn0g08",
     [](int x, int y)
     {
         const int t = (32 * y + x) % 510;
         return Grey(t <= 255 ? t : 510 - t);
     }},
    // Four bands of eight rows, each a ramp 255..0 in file order: blue, green, red, then all three.
    {"basn2c08",
     [](int x, int y)
     {
         const std::uint8_t v = Byte(255 - (32 * (y % 8) + x));
         const Rgba bands[4] = {{255, 255, v, 255}, {255, v, 255, 255}, {v, 255, 255, 255}, {v, v, v, 255}};
         return bands[y / 8];
     }},
    // Grey falls from white at the top, alpha rises from zero at the left.
    {"basn4a08", [](int x, int y) { return Grey(255 * (31 - y) / 31, 255 * x / 31); }},
};

TEST(GxPNGRealData, PicturesDrawnByFormula)
{
    for (const Drawn& d : kDrawn)
    {
        SUITE_PICTURE(picture, d.name);
        int wrong = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                wrong += picture.At(x, y) != d.pixel(x, y);
        EXPECT_EQ(wrong, 0) << d.name;
    }
}

TEST(GxPNGRealData, InterlacedFilesMatchTheirPlainTwins)
{
    for (const char* name : {"basn0g08", "basn3p08", "basn6a16"})
    {
        SUITE_PICTURE(plain, name);
        SUITE_PICTURE(interlaced, std::string("i") + name);
        EXPECT_EQ(plain.mRgba, interlaced.mRgba) << name;
    }
}

TEST(GxPNGRealData, PicturesTheSuiteDrawsTwice)
{
    // The same alpha ramp in grey and in colour.
    SUITE_PICTURE(grey, "basn4a08");
    SUITE_PICTURE(colour, "basn6a08");
    for (std::size_t k = 3; k < grey.mRgba.size(); k += 4)
        ASSERT_EQ(grey.mRgba[k], colour.mRgba[k]) << k;

    // One logo: transparent with either background chunk, and opaque on grey.
    SUITE_PICTURE(black, "ftbbn3p08");
    SUITE_PICTURE(none, "ftp1n3p08");
    SUITE_PICTURE(opaque, "ftp0n3p08");
    EXPECT_EQ(black.mRgba, none.mRgba);
    int shown = 0;
    for (std::size_t k = 0; k < black.mRgba.size(); k += 4)
    {
        if (black.mRgba[k + 3] == 0)
            continue;
        ++shown;
        ASSERT_TRUE(std::equal(&black.mRgba[k], &black.mRgba[k + 4], &opaque.mRgba[k])) << k;
    }
    EXPECT_GT(shown, 100);
    EXPECT_LT(shown, 32 * 32);
}

TEST(GxPNGRealData, PhotographsDecodeAtTheirSizes)
{
    const struct
    {
        const char* name;
        CxUint32 width;
        CxUint32 height;
        bool grey;
    } photos[] = {{"testorig.png", 227, 149, true}, {"vgl_5674_0098.png", 120, 96, false}};
    for (const auto& p : photos)
    {
        SKY_NEED_TESTDATA_FILE(path, std::string("images/png/") + p.name);
        GxPNGReader reader;
        const Picture picture = Decode(path, reader);
        EXPECT_EQ(picture.mWidth, p.width) << p.name;
        EXPECT_EQ(picture.mHeight, p.height) << p.name;
        int opaque = 0, grey = 0;
        for (std::size_t k = 0; k < picture.mRgba.size(); k += 4)
        {
            opaque += picture.mRgba[k + 3] == 255;
            grey += picture.mRgba[k] == picture.mRgba[k + 1] && picture.mRgba[k] == picture.mRgba[k + 2];
        }
        const int pixels = static_cast<int>(p.width * p.height);
        EXPECT_EQ(opaque, pixels) << p.name;
        if (p.grey)
            EXPECT_EQ(grey, pixels) << p.name;
        else
            EXPECT_LT(grey, pixels) << p.name;
    }
}

// Damage in image data or in a critical chunk's checksum ends the read with a caught error. Empty ancillary chunks
// are only warned about, as the PNG standard lets decoders ignore them: that file's one pixel still decodes.
TEST(GxPNGRealData, MalformedFilesFailCleanly)
{
    const struct
    {
        const char* name;
        bool refused;
    } files[] = {
        {"badadler.png", true}, {"badcrc.png", true}, {"huge_IDAT.png", true}, {"empty_ancillary_chunks.png", false}};
    for (const auto& f : files)
    {
        SKY_NEED_TESTDATA_FILE(path, std::string("images/png/bad/") + f.name);
        GxPNGReader reader;
        CxDebugCapture quiet;
        if (f.refused)
        {
            EXPECT_THROW(Decode(path, reader), CxError) << f.name;
            EXPECT_EQ(reader.Width(), 0u) << f.name;
            continue;
        }
        const Picture picture = Decode(path, reader);
        ASSERT_EQ(picture.mWidth * picture.mHeight, 1u) << f.name;
        EXPECT_EQ(picture.At(0, 0), (Rgba{0x80, 0x00, 0x80, 255})) << f.name;
    }
}

} // namespace
