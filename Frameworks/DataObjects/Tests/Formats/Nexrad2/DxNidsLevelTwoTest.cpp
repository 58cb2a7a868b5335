// The Level II reader against an independent decoder's values on real volumes, and on byte patches of them.
#include "DxNidsLevelTwo.h"
#include "DxRadarFuzzEntry.h"
#include "DxUnitTestSupport.h"
#include "TestSupport.h"

#include <bzlib.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <sstream>

namespace
{
using Bytes = std::vector<CxUint8>;
class UnitTable : public ::testing::Environment
{
    void SetUp() override { dxtest::LoadBundleTable(); }
};
const auto* gUnitTable = ::testing::AddGlobalTestEnvironment(new UnitTable);

// The volume's bytes, gunzipped when the name ends in ".gz".
Bytes Volume(const std::string& inPath)
{
    std::ifstream in(inPath, std::ios::binary);
    Bytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (inPath.size() < 3 || inPath.substr(inPath.size() - 3) != ".gz")
        return bytes;
    Bytes out(64 << 20);
    z_stream z{};
    inflateInit2(&z, 16 + MAX_WBITS);
    z.next_in = bytes.data(), z.avail_in = uInt(bytes.size()), z.next_out = out.data(), z.avail_out = uInt(out.size());
    EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    inflateEnd(&z);
    return out;
}

// A site table holding one radar.
std::unique_ptr<DxFrame> Sites(const char* inId, double inLat, double inLon)
{
    auto sites = std::make_unique<DxFrame>();
    sites->NewStringField("stid")->push_back(inId);
    sites->NewFloatField("lat")->push_back(inLat);
    sites->NewFloatField("lon")->push_back(inLon);
    sites->NewFloatField("elev")->push_back(300.0);
    return sites;
}
const auto gSites = Sites("KABR", 45.456, -98.413);

std::unique_ptr<DxIndexedImage> Decode(NidsLevelTwoParser& ioParser, const Bytes& inBytes, const char* inProduct,
                                       const DxFrame* inSites = gSites.get())
{
    return std::unique_ptr<DxIndexedImage>(ioParser.Parse(inBytes.data(), inBytes.size(), "KABR", inProduct, inSites));
}

// Header offsets of the type-1 messages of a plain volume (fixed records).
std::vector<std::size_t> Type1Messages(const Bytes& inBytes)
{
    std::vector<std::size_t> found;
    for (std::size_t at = 36; at + 2432 <= inBytes.size(); at += 2432)
        if (inBytes[at + 3] == 1)
            found.push_back(at);
    return found;
}
void Put16(Bytes& ioBytes, std::size_t inAt, CxUint16 inValue)
{
    ioBytes.at(inAt) = CxUint8(inValue >> 8), ioBytes.at(inAt + 1) = CxUint8(inValue);
}
} // namespace

// Sweep 1 reflectivity and the velocity sweep of every shared volume against nexrad-level-2-data (the table comes
// from tools/make_nexrad2_peer_table.py): radials, gates, non-null gates (raw 2 and up) and the sum of their values.
TEST(NidsLevelTwo, SweepsMatchThePeer)
{
    std::ifstream table(std::string(SKYVANE_SOURCE_DIR) + "/Frameworks/DataObjects/Tests/data/nexrad2/peer_sweeps.tsv");
    std::string file, moment, line;
    int elevation = 0, compared = 0;
    for (std::getline(table, line); table >> file >> elevation >> moment;)
    {
        long radials, gates, nonNull;
        double sum, angle;
        table >> radials >> gates >> nonNull >> sum >> angle;
        const bool legacy = file.rfind("KABR", 0) == 0 || file.rfind("KLOT1995", 0) == 0;
        if (moment == "ref" ? elevation != 1 : (!legacy && elevation != 2))
            continue;
        SCOPED_TRACE(file + " " + moment);
        SKY_NEED_TESTDATA_FILE(path, "nexrad2/" + file);
        NidsLevelTwoParser parser;
        const std::string product = moment == "ref" ? "BREF1" : legacy ? "BVEL2" : "BVEL";
        auto image = Decode(parser, Volume(path), product.c_str());
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->Height(), radials);
        EXPECT_EQ(long(parser.Gates()), gates);
        // The peer gives the first radial's angle, the image the last one's; the antenna may still be settling on
        // the first (KTLX 2014: 0.32 degrees, then 0.53).
        EXPECT_NEAR(image->FindFloatField("degreeTilt")->at(0), angle, 0.25);
        long count = 0;
        double total = 0.0;
        for (CxUint8 raw : parser.RawGates())
            if (raw >= 2)
                ++count, total += parser.Value(raw);
        EXPECT_EQ(count, nonNull);
        // The peer reads message-1 velocity as (raw - 127) x resolution; the interface document has raw - 129.
        if (legacy && moment == "vel")
            total += count * (parser.Value(2) - parser.Value(0));
        EXPECT_NEAR(total, sum, 0.001);
        ++compared;
    }
    EXPECT_EQ(compared, 12);
}

// The archive's form: the test repacks a plain message-31 volume as LDM records of bzip2 streams.
TEST(NidsLevelTwo, LdmRecordsGiveThePlainImage)
{
    SKY_NEED_TESTDATA_FILE(path, "nexrad2/KTLX20140101_000624_V06.gz");
    Bytes plain = Volume(path);
    plain.resize(12 << 20);
    Bytes packed(plain.begin(), plain.begin() + 24);
    for (std::size_t at = 24; at < plain.size();)
    {
        const std::size_t length = std::min<std::size_t>(3 << 20, plain.size() - at);
        Bytes record(length + length / 50 + 1024);
        unsigned size = unsigned(record.size());
        ASSERT_EQ(BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(record.data()), &size,
                                           reinterpret_cast<char*>(plain.data() + at), unsigned(length), 9, 0, 0),
                  BZ_OK);
        at += length;
        const CxSint32 mark = at < plain.size() ? CxSint32(size) : -CxSint32(size);
        for (int shift : {24, 16, 8, 0})
            packed.push_back(CxUint8(CxUint32(mark) >> shift));
        packed.insert(packed.end(), record.begin(), record.begin() + size);
    }
    const auto sites = Sites("KABR", 35.333, -97.278);
    NidsLevelTwoParser a, b;
    auto fromPlain = Decode(a, plain, "BREF1", sites.get()), fromPacked = Decode(b, packed, "BREF1", sites.get());
    ASSERT_NE(fromPlain, nullptr);
    ASSERT_NE(fromPacked, nullptr);
    EXPECT_EQ(a.RawGates(), b.RawGates());
    EXPECT_EQ(fromPacked->Height(), 720);
    EXPECT_TRUE(std::equal(fromPlain->Pixels(), fromPlain->Pixels() + 2048 * 720, fromPacked->Pixels()));
}

// Byte patches of the first sweep of a real message-1 volume.
TEST(NidsLevelTwo, PatchedLegacyRadials)
{
    SKY_NEED_TESTDATA_FILE(path, "nexrad2/KABR20050101_000745.gz");
    const Bytes original = Volume(path);
    const std::size_t third = Type1Messages(original).at(2) + 16;
    NidsLevelTwoParser reference;
    auto image = Decode(reference, original, "BREF1");
    ASSERT_NE(image, nullptr);
    const CxSint32 height = image->Height(), width = image->Width();
    EXPECT_EQ(width, 512);
    struct Case
    {
        std::size_t mOffset;
        CxUint16 mValue;
        bool mImage;
    } cases[] = {{third + 36, 0, true}, {third + 12, 5, true}, {third + 26, 459, false}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.mOffset - third);
        Bytes patched = original;
        Put16(patched, c.mOffset, c.mValue);
        NidsLevelTwoParser parser;
        auto out = Decode(parser, patched, "BREF1");
        ASSERT_EQ(out != nullptr, c.mImage);
        if (!out)
            continue;
        // Pointer 0 leaves its own row zero; every other row, and the count of rows, stays.
        EXPECT_EQ(out->Height(), height);
        for (CxSint32 row = 0; row < height; ++row)
            EXPECT_EQ(std::count(out->Pixels() + row * width, out->Pixels() + (row + 1) * width, 0) == width,
                      (c.mValue == 0 && row == 2) ||
                          std::count(image->Pixels() + row * width, image->Pixels() + (row + 1) * width, 0) == width);
        EXPECT_TRUE(std::equal(out->Pixels() + 3 * width, out->Pixels() + height * width, image->Pixels() + 3 * width));
    }
    // The third radial moved to the second's azimuth: the second then has no width, never a whole turn.
    Bytes same = original;
    const std::size_t second = Type1Messages(original).at(1) + 16;
    Put16(same, third + 8, CxUint16(same.at(second + 8) << 8 | same.at(second + 9)));
    NidsLevelTwoParser parser;
    auto out = Decode(parser, same, "BREF1");
    ASSERT_NE(out, nullptr);
    const DxFloatField *angles = out->FindFloatField("radialAngle"), *before = image->FindFloatField("radialAngle");
    ASSERT_TRUE(angles != nullptr && before != nullptr && angles->size() > 2);
    EXPECT_LT(std::fabs(angles->at(1) - before->at(1)), 1.0);
}

// A site the table lacks: the message-31 volume's own position (as the peer reads it), none for message 1.
TEST(NidsLevelTwo, SiteMissingFromTheTable)
{
    SKY_NEED_TESTDATA_FILE(path, "nexrad2/KDMX20250101_225441_V06");
    DxFrame empty;
    NidsLevelTwoParser parser;
    auto image = Decode(parser, Volume(path), "BREF1", &empty);
    ASSERT_NE(image, nullptr);
    const GxPosition site = image->Projection()->Unproject(image->Origin());
    EXPECT_NEAR(site.mLatitude * 180 / M_PI, 41.731201171875, 1e-5);
    EXPECT_NEAR(site.mLongitude * 180 / M_PI, -93.72286987304688, 1e-5);
    EXPECT_EQ(image->FindIntField("vcp")->at(0), 31);
    EXPECT_EQ(Decode(parser, Volume(path), "BREF1", nullptr), nullptr);
    SKY_NEED_TESTDATA_FILE(legacy, "nexrad2/KABR20050101_000745.gz");
    EXPECT_EQ(Decode(parser, Volume(legacy), "BREF1", &empty), nullptr);
}

TEST(NidsLevelTwo, ColourIndices)
{
    for (const auto& [raw, index] : {std::pair<CxUint8, int>{66, 0}, {216, 255}, {255, 255}})
        EXPECT_EQ(NidsLevelTwoParser::ReflectivityIndex(raw), index);
    // Raw 0 and 1 of type-1 velocity (-64.5, -64), the extremes, and NaN.
    for (const auto& [metres, index] :
         {std::pair<double, int>{-64.5, 0}, {-64.0, 0}, {-1e30, 0}, {NAN, 0}, {63.0, 255}, {30.0, 252}, {-0.1, 131}})
        EXPECT_EQ(NidsLevelTwoParser::VelocityIndex(metres), index) << metres;
    SKY_NEED_TESTDATA_FILE(path, "nexrad2/KABR20050101_000745.gz");
    NidsLevelTwoParser parser;
    auto image = Decode(parser, Volume(path), "BREF1");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->FindFloatField("tracking")->at(0), 0.0);
    EXPECT_EQ(image->FindFloatField("tracking")->at(255), 94.0);
}

// Single records cut from real volumes, each behind a volume header.
TEST(NidsLevelTwo, SingleMessages)
{
    for (const auto& [name, gates] : {std::pair<const char*, CxUint32>{"digital_radar_data_legacy.bin", 460},
                                      {"digital_radar_data_full.bin", 1832}})
    {
        SKY_NEED_TESTDATA_FILE(path, std::string("nexrad2/messages/") + name);
        Bytes bytes(24, 0);
        std::memcpy(bytes.data(), "AR2V0006.001", 12);
        const Bytes record = Volume(path);
        bytes.insert(bytes.end(), record.begin(), record.end());
        NidsLevelTwoParser parser;
        auto image = Decode(parser, bytes, "BREF1", Sites("KABR", 41.7, -93.7).get());
        ASSERT_NE(image, nullptr) << name;
        EXPECT_EQ(image->Height(), 1);
        EXPECT_EQ(parser.Gates(), gates);
        if (gates != 1832)
            continue;
        // The same radial with its data block zlib-compressed (compression code 2) reads the same gates.
        Bytes packed(bytes.begin(), bytes.begin() + 24 + 12 + 16 + 68), block(bytes.begin() + 120, bytes.end());
        uLongf size = compressBound(uLong(block.size()));
        packed.resize(packed.size() + size);
        ASSERT_EQ(compress(packed.data() + 120, &size, block.data(), uLong(block.size())), Z_OK);
        packed.resize(120 + size + size % 2);
        packed[52 + 16] = 2;
        Put16(packed, 52 + 18, CxUint16(block.size()));
        Put16(packed, 36, CxUint16((packed.size() - 36) / 2));
        NidsLevelTwoParser again;
        ASSERT_NE(Decode(again, packed, "BREF1", Sites("KABR", 41.7, -93.7).get()), nullptr);
        EXPECT_EQ(again.RawGates(), parser.RawGates());
    }
}

// Cut and bit-flipped volumes of both forms give an image or none, and the fuzz seeds replay clean.
TEST(NidsLevelTwo, DamagedVolumes)
{
    SKY_NEED_TESTDATA_FILE(legacy, "nexrad2/KABR20050101_000745.gz");
    SKY_NEED_TESTDATA_FILE(packed, "nexrad2/KDMX20250101_225441_V06");
    for (const Bytes& whole : {Volume(legacy), Volume(packed)})
        for (std::size_t cut : {std::size_t(20), std::size_t(40), std::size_t(5000), whole.size() / 3})
        {
            Bytes bytes(whole.begin(), whole.begin() + std::ptrdiff_t(cut));
            for (std::size_t i = 24; i < bytes.size(); i += 997)
                bytes[i] ^= CxUint8(1 << (i % 8));
            NidsLevelTwoParser parser;
            Decode(parser, bytes, "BVEL2");
            Decode(parser, Bytes(whole.begin(), whole.begin() + std::ptrdiff_t(cut)), "BREF1");
        }
    EXPECT_EQ(DxRadarReplayCorpus(DX_RADAR_CORPUS "/nexrad2", DxNexrad2FuzzOne), 0);
}
