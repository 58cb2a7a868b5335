#include "DxImageParsers.h"
#include "CxData.h"
#include "DxFrame.h"
#include "DxImage.h"
#include "DxImageFuzzEntry.h"
#include "DxImageTestSupport.h"
#include "GxPNGReader.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>

namespace
{

using namespace dxtest;

std::unique_ptr<DxImage> Parse(const FileBytes& inBytes, DxImageFactory& ioFactory)
{
    CxData data(inBytes.data(), static_cast<CxUint32>(inBytes.size()));
    return std::unique_ptr<DxImage>(ioFactory.ParseImage(data));
}

std::unique_ptr<DxImage> Parse(const FileBytes& inBytes)
{
    DxImageFactory factory;
    return Parse(inBytes, factory);
}

std::string Sha256(const void* inBytes, std::size_t inSize)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(inBytes, inSize, digest, &length, EVP_sha256(), nullptr);
    std::ostringstream out;
    for (unsigned int i = 0; i < length; ++i)
        out << "0123456789abcdef"[digest[i] >> 4] << "0123456789abcdef"[digest[i] & 15];
    return out.str();
}

TEST(DxImageParsers, JpegAndGifMatchGdal)
{
    SKY_NEED_TESTDATA(root);
    std::ifstream list(DX_IMAGE_DIGESTS);
    std::string file, what, digest;
    int checked = 0;
    while (list >> file >> what >> digest)
    {
        SCOPED_TRACE(file + " " + what);
        const bool gif = file.ends_with(".gif");
        auto image = Parse(ReadAll(root + (gif ? "/images/gif/" : "/images/jpeg/") + file));
        ASSERT_NE(image, nullptr);
        const std::size_t pixels = std::size_t(image->Width()) * std::size_t(image->Height());
        if (!gif)
            EXPECT_EQ(Sha256(image->GetTextureBuffer(), pixels * image->CountComponents()), digest);
        else if (auto* indexed = dynamic_cast<DxIndexedImage*>(image.get()); what == "indices")
            EXPECT_EQ(Sha256(indexed->Pixels(), pixels), digest);
        else
        {
            std::vector<CxUint32> palette;
            for (const GxColor& colour : indexed->GetColors())
                palette.push_back(colour.AsUint32());
            EXPECT_EQ(Sha256(palette.data(), palette.size() * 4), digest);
        }
        ++checked;
    }
    EXPECT_EQ(checked, 9);
}

TEST(DxImageParsers, WxMlChunkPlacesThePngOrIsIgnoredWhole)
{
    SKY_NEED_TESTDATA_FILE(path, "images/png/basn2c08.png");
    const FileBytes png = ReadAll(path);
    const std::size_t afterHeader = 8 + 25;
    const std::size_t beforeEnd = png.size() - 12;
    const GxLambertConformalProjection chunkProjection(-95 * M_PI / 180, 25 * M_PI / 180, 25 * M_PI / 180);
    const struct
    {
        const char* mWhat;
        FileBytes mChunk;
        std::size_t mAt;
        bool mApplied;
    } cases[] = {
        {"before IDAT", WxMl("lambertConformal"), afterHeader, true},
        {"after IDAT", WxMl("lambertConformal"), beforeEnd, true},
        {"no origin", WxMl("lambertConformal", false), afterHeader, false},
        {"unknown projection", WxMl("nowhere"), beforeEnd, false},
        {"not XML", "<image>", afterHeader, false},
        {"no chunk", "", 0, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mWhat);
        FileBytes bytes = png;
        if (!c.mChunk.empty())
            bytes.insert(c.mAt, Chunk("wxMl", c.mChunk));
        DxImageFactory factory;
        auto image = Parse(bytes, factory);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(factory.HasProjection(), c.mApplied);
        EXPECT_EQ(image->FindStringField("legendKey") != nullptr, c.mApplied);
        if (!c.mApplied)
        {
            EXPECT_TRUE(*image->Projection() == GxLambertConformalProjection());
            continue;
        }
        EXPECT_TRUE(*image->Projection() == chunkProjection);
        GxPosition origin;
        origin.FromDegrees(-126.25, 16.5);
        EXPECT_EQ(image->Origin(), chunkProjection.Project(origin));
        EXPECT_EQ(image->PixelSize(), GxPoint(4.0, 4.5));
        EXPECT_GT(image->GetMesh().CountTiles(), 0u);
        const DxStringField& keys = *image->FindStringField("legendKey");
        const DxStringField& values = *image->FindStringField("legendValue");
        EXPECT_EQ(keys, (DxStringField::vector{"#FF0000FF", "#00FF00FF", ""}));
        EXPECT_EQ(values, (DxStringField::vector{"1", "2", "3"}));
    }
    // The pixels are the PNG reader's own.
    CxData data(png.data(), CxUint32(png.size()));
    GxPNGReader reader;
    const auto rgba = reader.ReadImage(data);
    auto image = Parse(png);
    EXPECT_EQ(std::memcmp(image->GetTextureBuffer(), rgba.get(), 32 * 32 * 4), 0);
}

// Every shared picture replays through the fuzz entry: the damaged, hostile and unsupported ones give null, all
// others an image; none crashes or exits.
TEST(DxImageParsers, SharedPicturesReplayThroughTheFuzzEntry)
{
    SKY_NEED_TESTDATA(root);
    const std::set<std::string> none = {"badadler.png",   "badcrc.png",     "huge_IDAT.png",         "monkey12.jpg",
                                        "no_palette.gif", "zero_width.gif", "decompression_bomb.gif"};
    int files = 0;
    for (const char* folder : {"png", "png/bad", "jpeg", "gif"})
        for (const auto& entry : std::filesystem::directory_iterator(root + "/images/" + folder))
        {
            if (!entry.is_regular_file() || entry.path().extension() == ".md")
                continue;
            const FileBytes bytes = ReadAll(entry.path());
            const int decoded = DxImageFuzzOne(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            EXPECT_EQ(decoded, none.count(entry.path().filename()) ? 0 : 1) << entry.path();
            ++files;
        }
    EXPECT_GE(files, 39);
}

TEST(DxImageParsers, CutFlippedAndOversizedJpegs)
{
    SKY_NEED_TESTDATA(root);
    const FileBytes jpeg = ReadAll(root + "/images/jpeg/testorig.jpg");
    // Cut short, the decoder meets the fake end marker and still answers the whole picture.
    for (std::size_t size = jpeg.find("\xFF\xDA") + 20; size < jpeg.size(); size += 1500)
    {
        auto image = Parse(jpeg.substr(0, size));
        ASSERT_NE(image, nullptr) << size;
        EXPECT_EQ(image->Width() * image->Height(), 227 * 149);
    }
    for (std::size_t bit = 0; bit < jpeg.size() * 8; bit += 997)
    {
        FileBytes flipped = jpeg;
        flipped[bit / 8] = char(flipped[bit / 8] ^ (1 << (bit % 8)));
        Parse(flipped);
    }
    // 65535 x 65535 in the frame header, past the pixel cap.
    const std::size_t sof = jpeg.find("\xFF\xC0");
    ASSERT_NE(sof, FileBytes::npos);
    FileBytes huge = jpeg;
    huge.replace(sof + 5, 4, "\xFF\xFF\xFF\xFF");
    EXPECT_EQ(Parse(huge), nullptr);
}

// Hand-made one-pixel GIFs: a comment leaves "01 00 00 00" in giflib's block buffer, then a graphic control
// block follows.
TEST(DxImageParsers, GifControlBlocksAreReadWithinThemselvesAndTheMap)
{
    const FileBytes head("GIF89a\x01\x00\x01\x00\x80\x00\x00\x11\x22\x33\x44\x55\x66\x21\xFE\x04\x01\x00\x00\x00\x00",
                         27);
    const FileBytes tail("\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3B", 16);
    const struct
    {
        const char* mWhat;
        FileBytes mControl;
        double mAlpha0;
    } cases[] = {
        {"index 0 transparent", FileBytes("\x21\xF9\x04\x01\x00\x00\x00\x00", 8), 0.0},
        {"2-byte block", FileBytes("\x21\xF9\x02\x01\x00\x00", 6), 1.0},
        {"index past the map", FileBytes("\x21\xF9\x04\x01\x00\x00\x05\x00", 8), 1.0},
    };
    for (const auto& c : cases)
    {
        auto image = Parse(head + c.mControl + tail);
        auto* indexed = dynamic_cast<DxIndexedImage*>(image.get());
        ASSERT_NE(indexed, nullptr) << c.mWhat;
        ASSERT_EQ(indexed->GetColors().size(), 2u);
        EXPECT_EQ(indexed->GetColors()[0].mAlpha, c.mAlpha0) << c.mWhat;
        EXPECT_EQ(indexed->GetColors()[1].mAlpha, 1.0) << c.mWhat;
        EXPECT_EQ(indexed->Pixels()[0], 0) << c.mWhat;
    }
}

TEST(DxImageParsers, FactoryDispatchesOnTheFirstBytes)
{
    SKY_NEED_TESTDATA(root);
    const FileBytes png = ReadAll(root + "/images/png/basn2c08.png");
    const FileBytes jpeg = ReadAll(root + "/images/jpeg/testorig.jpg");
    const FileBytes gif = ReadAll(root + "/images/gif/hopper.gif");
    const struct
    {
        const char* mWhat;
        FileBytes mBytes;
        bool mDecodes;
    } cases[] = {
        {"15 bytes of PNG", png.substr(0, 15), false},
        {"Exif at byte 6", jpeg.substr(0, 6) + "Exif" + jpeg.substr(10), true},
        {"FF D8 without a tag", jpeg.substr(0, 6) + "JFIG" + jpeg.substr(10), false},
        {"GIF and any version", "GIFzza" + gif.substr(6), true},
        {"unknown", FileBytes(64, 'x'), false},
    };
    DxImageFactory factory;
    for (const auto& c : cases)
    {
        ASSERT_NE(Parse(png.substr(0, 33) + Chunk("wxMl", WxMl("lambertConformal")) + png.substr(33), factory),
                  nullptr);
        EXPECT_EQ(Parse(c.mBytes, factory) != nullptr, c.mDecodes) << c.mWhat;
        // Only a PNG with the chunk sets the flag; unrecognised data leaves it.
        EXPECT_EQ(factory.HasProjection(), !c.mDecodes) << c.mWhat;
    }
}

} // namespace
