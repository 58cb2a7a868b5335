// The Level III reader against an independent decoder's values on real products, and against damaged copies.
#include "DxNidsLevelThree.h"
#include "TestSupport.h"

#include <bzlib.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

namespace
{
namespace fs = std::filesystem;
using Bytes = std::vector<CxUint8>;

Bytes ReadAll(const std::string& inPath)
{
    std::ifstream in(inPath, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::unique_ptr<DxIndexedImage> Decode(const Bytes& inBytes)
{
    NidsLevelThreeParser parser;
    return std::unique_ptr<DxIndexedImage>(parser.Parse(inBytes.data(), inBytes.size(), {}, {}));
}

struct Tally
{
    CxUint64 mSum = 0;
    CxUint64 mNonZero = 0;
};

Tally Count(const DxIndexedImage& inImage)
{
    Tally tally;
    const CxUint8* pixels = inImage.Pixels();
    for (CxSint64 i = 0, n = CxSint64(inImage.Width()) * inImage.Height(); i < n; ++i)
    {
        tally.mSum += pixels[i];
        tally.mNonZero += pixels[i] != 0;
    }
    return tally;
}

// Big-endian halfword at a message offset (after the 30-byte heading).
void Put16(Bytes& ioBytes, std::size_t inOffset, CxUint16 inValue)
{
    ioBytes.at(30 + inOffset) = CxUint8(inValue >> 8);
    ioBytes.at(30 + inOffset + 1) = CxUint8(inValue);
}

// Every radial product the peer decodes (nexrad-level-3-data 0.4.1, written by tools/make_nexrad3_peer_table.py):
// the image holds its raw levels bin for bin.
TEST(NidsLevelThree, RadialProductsMatchThePeer)
{
    std::ifstream table(std::string(SKYVANE_SOURCE_DIR) +
                        "/Frameworks/DataObjects/Tests/data/nexrad3/peer_radials.tsv");
    std::string line;
    CxSint32 rows = 0;
    while (std::getline(table, line))
    {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string file, packet;
        CxSint32 code, bins, radials;
        CxUint64 sum, nonZero;
        fields >> file >> code >> packet >> bins >> radials >> sum >> nonZero;
        SCOPED_TRACE(file);
        SKY_NEED_TESTDATA_FILE(path, "nexrad3/" + file);
        auto image = Decode(ReadAll(path));
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->Height(), radials);
        EXPECT_EQ(image->FindIntField("numRangeBins")->at(0), bins);
        EXPECT_EQ(image->Width() % 256, 0);
        EXPECT_EQ(image->FindFloatField("radialAngle")->size(), std::size_t(radials));
        const Tally tally = Count(*image);
        EXPECT_EQ(tally.mSum, sum);
        EXPECT_EQ(tally.mNonZero, nonZero);
        ++rows;
    }
    EXPECT_GT(rows, 40);
}

// Every shared file, whole and cut short at many lengths, decodes or gives null without a sanitizer report.
TEST(NidsLevelThree, EveryFileAndEveryTruncationIsSafe)
{
    SKY_NEED_TESTDATA(root);
    CxSint32 images = 0;
    for (const char* folder : {"nexrad3", "nexrad3/edge"})
        for (const auto& entry : fs::directory_iterator(fs::path(root) / folder))
        {
            if (!entry.is_regular_file() || entry.path().extension() == ".md")
                continue;
            SCOPED_TRACE(entry.path().string());
            const Bytes bytes = ReadAll(entry.path().string());
            auto image = Decode(bytes);
            if (std::string(folder) == "nexrad3/edge")
            {
                EXPECT_EQ(image, nullptr);
            }
            images += image != nullptr;
            const std::size_t step = std::max<std::size_t>(1, bytes.size() / 23);
            for (std::size_t size = 0; size < bytes.size(); size += step)
                Decode(Bytes(bytes.begin(), bytes.begin() + std::ptrdiff_t(size)));
        }
    EXPECT_GT(images, 60);
}

// The heading is optional, and a bzip2 symbology decodes as the same symbology stored plainly.
TEST(NidsLevelThree, HeadingAndCompressionDoNotChangeTheImage)
{
    SKY_NEED_TESTDATA_FILE(path, "nexrad3/KBMX_SDUS54_N0QBMX_201501020205");
    const Bytes original = ReadAll(path);
    auto reference = Decode(original);
    ASSERT_NE(reference, nullptr);

    unsigned int size = 4u << 20;
    Bytes inflated(size);
    ASSERT_EQ(BZ2_bzBuffToBuffDecompress(reinterpret_cast<char*>(inflated.data()), &size,
                                         const_cast<char*>(reinterpret_cast<const char*>(original.data() + 150)),
                                         unsigned(original.size() - 150), 0, 0),
              BZ_OK);
    Bytes plain(original.begin(), original.begin() + 150);
    plain.insert(plain.end(), inflated.begin(), inflated.begin() + size);
    Put16(plain, 100, 0);
    const Bytes bare(plain.begin() + 30, plain.end());
    for (const Bytes* variant : {static_cast<const Bytes*>(&plain), &bare})
    {
        auto image = Decode(*variant);
        ASSERT_NE(image, nullptr);
        ASSERT_EQ(image->Width(), reference->Width());
        ASSERT_EQ(image->Height(), reference->Height());
        EXPECT_EQ(0, std::memcmp(image->Pixels(), reference->Pixels(), std::size_t(image->Width()) * image->Height()));
        EXPECT_EQ(image->Date().AsString(), reference->Date().AsString());
    }
}

TEST(NidsLevelThree, ThresholdLabels)
{
    const struct
    {
        CxUint16 mHalfword;
        const char* mLabel;
    } kCases[] = {{0x8002, "ND"},   {0x8001, "TH"}, {0x0432, "<50"}, {0x2001, "0.05"},
                  {0x2002, "0.10"}, {0x0105, "-5"}, {0x1037, "5.5"}, {0x8205, "+"}};
    for (const auto& c : kCases)
        EXPECT_EQ(NidsLevelThreeParser::DataLevelLabel(c.mHalfword), CxString(c.mLabel)) << std::hex << c.mHalfword;
}
} // namespace
