#include "GxPNGFuzzEntry.h"
#include "GxPNGTestSupport.h"

#include "CxData.h"
#include "CxDebug.h"
#include "CxError.h"
#include "GxPNGReader.h"
#include "GxWorld.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

using gxtest::EncodePng;
using gxtest::ExpectedRgba;
using gxtest::PngImage;
using gxtest::RandomImage;

namespace
{

std::vector<std::uint8_t> Decode(const std::vector<std::uint8_t>& inPng)
{
    CxData data(inPng.data(), static_cast<CxUint32>(inPng.size()));
    GxPNGReader reader;
    const auto pixels = reader.ReadImage(data);
    return std::vector<std::uint8_t>(pixels.get(), pixels.get() + std::size_t(reader.Width()) * reader.Height() * 4);
}

bool Refused(const std::vector<std::uint8_t>& inPng)
{
    try
    {
        Decode(inPng);
        return false;
    }
    catch (const CxError&)
    {
        return true;
    }
}

void AppendChunk(std::vector<std::uint8_t>& ioPng, const char* inType, const std::vector<std::uint8_t>& inData)
{
    auto put32 = [&](std::uint32_t inValue)
    {
        for (int shift = 24; shift >= 0; shift -= 8)
            ioPng.push_back(static_cast<std::uint8_t>(inValue >> shift));
    };
    put32(static_cast<std::uint32_t>(inData.size()));
    std::vector<std::uint8_t> body(inType, inType + 4);
    body.insert(body.end(), inData.begin(), inData.end());
    ioPng.insert(ioPng.end(), body.begin(), body.end());
    put32(static_cast<std::uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

// A file with a valid header of the given size and colour type and one tiny IDAT: the size checks come first.
std::vector<std::uint8_t> HeaderOnly(std::uint32_t inWidth, std::uint32_t inHeight, std::uint8_t inColorType)
{
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    for (std::uint32_t v : {inWidth, inHeight})
        for (int shift = 24; shift >= 0; shift -= 8)
            header.push_back(static_cast<std::uint8_t>(v >> shift));
    header.insert(header.end(), {8, inColorType, 0, 0, 0});
    AppendChunk(png, "IHDR", header);
    AppendChunk(png, "IDAT", {0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01});
    AppendChunk(png, "IEND", {});
    return png;
}

} // namespace

TEST(GxPNGReaderTest, EveryColourTypeAndDepthPlainAndInterlaced)
{
    const struct
    {
        int mColorType;
        std::vector<int> mDepths;
    } kinds[] = {
        {PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}}, {PNG_COLOR_TYPE_RGB, {8, 16}},
        {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}},  {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}},
        {PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}},
    };
    unsigned seed = 1;
    for (const auto& kind : kinds)
    {
        for (int depth : kind.mDepths)
        {
            for (bool interlaced : {false, true})
            {
                // Odd sizes: partial bytes at the ends of packed rows, and every interlace pass partly filled.
                const PngImage image = RandomImage(13, 7, kind.mColorType, depth, interlaced, seed++);
                GxPNGReader reader;
                const auto png = EncodePng(image);
                CxData data(png.data(), static_cast<CxUint32>(png.size()));
                const auto pixels = reader.ReadImage(data);
                const std::string what = "type " + std::to_string(kind.mColorType) + " depth " + std::to_string(depth) +
                                         (interlaced ? " interlaced" : "");
                ASSERT_EQ(reader.Width(), 13u) << what;
                ASSERT_EQ(reader.Height(), 7u) << what;
                EXPECT_EQ(reader.BitDepth(), depth) << what;
                EXPECT_EQ(reader.ColorType(), kind.mColorType) << what;
                EXPECT_EQ(reader.InterlaceType(), interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE) << what;
                EXPECT_EQ(std::vector<std::uint8_t>(pixels.get(), pixels.get() + 13 * 7 * 4), ExpectedRgba(image))
                    << what;
            }
        }
    }
}

TEST(GxPNGReaderTest, PaletteTransparencyKeepsOnlyTheMostTransparentIndex)
{
    PngImage image = RandomImage(16, 3, PNG_COLOR_TYPE_PALETTE, 8, false, 77);
    image.mPalette.resize(10);
    for (int x = 0; x < 16; ++x)
        for (int y = 0; y < 3; ++y)
            image.mRows[y][x] = (x + y) % 10;

    const struct
    {
        std::vector<png_byte> mTransparency;
        int mTransparentIndex;
    } cases[] = {
        {{}, -1},
        {{255, 255, 255, 255, 255, 0, 255, 128}, 5},
        {{255, 255, 255, 255, 255, 255, 255, 128}, 7},
        {{255, 255, 255, 255}, -1},
        // The first of equal alphas.
        {{255, 40, 255, 40, 200}, 1},
    };
    for (const auto& c : cases)
    {
        image.mTransparency = c.mTransparency;
        const auto rgba = Decode(EncodePng(image));
        ASSERT_EQ(rgba, ExpectedRgba(image));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 16; ++x)
                EXPECT_EQ(rgba[(y * 16 + x) * 4 + 3], (x + 2 - y) % 10 == c.mTransparentIndex ? 0 : 255);
    }
}

TEST(GxPNGReaderTest, IndexPastThePaletteIsOpaqueBlack)
{
    PngImage image = RandomImage(8, 2, PNG_COLOR_TYPE_PALETTE, 4, false, 5);
    image.mPalette.resize(4);
    image.mRows = {{0, 1, 2, 3, 9, 15, 4, 0}, {3, 3, 12, 0, 1, 2, 3, 5}};
    const auto rgba = Decode(EncodePng(image));
    EXPECT_EQ(rgba, ExpectedRgba(image));
    const std::uint8_t black[4] = {0, 0, 0, 255};
    EXPECT_EQ(0, std::memcmp(&rgba[(8 + 4) * 4], black, 4));
}

TEST(GxPNGReaderTest, TruncatedFilesGiveACaughtError)
{
    const auto png = EncodePng(RandomImage(20, 20, PNG_COLOR_TYPE_RGB_ALPHA, 8, true, 3));
    for (std::size_t length = 0; length < png.size(); ++length)
    {
        CxDebugCapture quiet;
        EXPECT_TRUE(Refused(std::vector<std::uint8_t>(png.begin(), png.begin() + length))) << length;
    }
}

TEST(GxPNGReaderTest, CorruptFilesDecodeOrGiveACaughtError)
{
    const auto png = EncodePng(RandomImage(20, 20, PNG_COLOR_TYPE_PALETTE, 8, false, 4));
    int refused = 0;
    for (std::size_t byte = 0; byte < png.size(); ++byte)
    {
        for (int bit : {0, 3, 7})
        {
            auto damaged = png;
            damaged[byte] ^= static_cast<std::uint8_t>(1 << bit);
            CxDebugCapture quiet;
            refused += Refused(damaged) ? 1 : 0;
        }
    }
    // Every chunk has a checksum: nearly every flip is refused rather than decoded wrongly.
    EXPECT_GT(refused, static_cast<int>(png.size()) * 3 * 9 / 10);
}

TEST(GxPNGReaderTest, BadSignatureIsOnlyReported)
{
    // The signature is reported and skipped; what follows decides.
    const PngImage image = RandomImage(4, 4, PNG_COLOR_TYPE_GRAY, 8, false, 9);
    auto png = EncodePng(image);
    png[1] = 'Q';
    CxDebugCapture capture;
    EXPECT_EQ(Decode(png), ExpectedRgba(image));
    EXPECT_EQ(capture.Count(), 1u);

    const std::string text = "GIF89a this is not a picture the reader knows at all";
    for (const auto& other : {std::vector<std::uint8_t>(text.begin(), text.end()), std::vector<std::uint8_t>{}})
    {
        capture.Clear();
        EXPECT_TRUE(Refused(other));
        EXPECT_GE(capture.Count(), 1u);
    }
}

TEST(GxPNGReaderTest, ImagesAboveOneGibibyteAreRefusedBeforeAllocation)
{
    // 16384 x 16384 x 4 is exactly 1 GiB and passes the size check (then fails on its empty data); one row more
    // does not; a side past the library's limit is refused by the library.
    EXPECT_TRUE(Refused(HeaderOnly(16384, 16385, PNG_COLOR_TYPE_RGB)));
    EXPECT_TRUE(Refused(HeaderOnly(0x7FFFFFFF, 0x7FFFFFFF, PNG_COLOR_TYPE_RGB_ALPHA)));
    EXPECT_TRUE(Refused(HeaderOnly((1u << 24) + 1, 1, PNG_COLOR_TYPE_GRAY)));
    EXPECT_TRUE(Refused(HeaderOnly(16384, 16384, PNG_COLOR_TYPE_GRAY)));
}

TEST(GxPNGReaderTest, SeedCorpusReplaysClean)
{
    std::size_t files = 0;
    int decoded = 0;
    for (const auto& entry : std::filesystem::directory_iterator(GX_PNG_CORPUS))
    {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        CxDebugCapture quiet;
        decoded += GxPngFuzzOne(bytes.data(), bytes.size()) == 0 ? 1 : 0;
        ++files;
    }
    EXPECT_GE(files, 8u);
    EXPECT_GE(decoded, 6);
}

TEST(GxWorldTest, PixelsAreAllocatedAndThePictureObjectMadeOnRequest)
{
    GxWorld world(CxRect(0, 0, 10, 20));
    EXPECT_EQ(world.RowBytes(), 40);
    EXPECT_EQ(world.PixelBytes(), 800u);
    ASSERT_NE(world.GetPixels(), nullptr);
    world.GetPixels()[799] = 7; // the last byte is ours (ASan)
    EXPECT_FALSE(world.HasGWorld());
    const GxGWorld* picture = world.GetGWorldPtr();
    ASSERT_NE(picture, nullptr);
    EXPECT_TRUE(world.HasGWorld());
    EXPECT_EQ(world.GetGWorldPtr(), picture);
    EXPECT_EQ(picture->mPixels, world.GetPixels());
    EXPECT_EQ(picture->mPixelFormat, 0x42475241u);

    GxWorld inverted(CxRect(5, 5, 0, 0));
    EXPECT_EQ(inverted.PixelBytes(), 0u);
}
