// The Level III reader against an independent decoder's values on real products, and against damaged copies.
#include "DxNidsLevelThree.h"
#include "DxGridParsers.h"
#include "DxNidsFuzzEntry.h"
#include "DxNidsTestSupport.h"
#include "DxUnitTestSupport.h"
#include "GxProjection.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <netcdf.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <regex>
#include <sstream>

namespace
{
namespace fs = std::filesystem;
using nidstest::Bytes;

// Products not in a list carry the unit "nada", which the unit table provides.
class UnitTable : public ::testing::Environment
{
    void SetUp() override { dxtest::LoadBundleTable(); }
};
const auto* gUnitTable = ::testing::AddGlobalTestEnvironment(new UnitTable);

using nidstest::Decode;
using nidstest::ReadAll;

// Sum and count of the non-zero pixels, as the peer reports them.
std::pair<CxUint64, CxUint64> Count(const DxIndexedImage& inImage)
{
    std::pair<CxUint64, CxUint64> tally;
    for (CxSint64 i = 0, n = CxSint64(inImage.Width()) * inImage.Height(); i < n; ++i)
        tally = {tally.first + inImage.Pixels()[i], tally.second + (inImage.Pixels()[i] != 0)};
    return tally;
}

// The rows of a checked-in peer table, split at tabs.
std::vector<std::vector<std::string>> ReadTable(const std::string& inName)
{
    std::ifstream in(std::string(SKYVANE_SOURCE_DIR) + "/Frameworks/DataObjects/Tests/data/nexrad3/" + inName);
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#')
        {
            std::istringstream fields(line);
            rows.emplace_back();
            for (std::string field; std::getline(fields, field, '\t');)
                rows.back().push_back(field);
        }
    return rows;
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
    const auto rows = ReadTable("peer_radials.tsv");
    ASSERT_GT(rows.size(), 40u);
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.at(0));
        SKY_NEED_TESTDATA_FILE(path, "nexrad3/" + row.at(0));
        auto image = Decode(ReadAll(path));
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->Height(), std::stoi(row.at(4)));
        EXPECT_EQ(image->FindIntField("numRangeBins")->at(0), std::stoi(row.at(3)));
        EXPECT_EQ(Count(*image), std::make_pair(std::stoull(row.at(5)), std::stoull(row.at(6))));
    }
}

// The text blocks as the peer reads them: graphic packet-8 lines, tabular pages flattened, storm ids.
TEST(NidsLevelThree, TextBlocksMatchThePeer)
{
    std::map<std::string, std::map<std::string, std::vector<CxString>>> expected;
    // The one intended difference: the peer keeps a 0 byte inside a counted line, the reader shows a space.
    for (auto row : ReadTable("peer_text.tsv"))
    {
        std::replace(row.at(2).begin(), row.at(2).end(), '\0', ' ');
        expected[row.at(0)][row.at(1)].push_back(CxString::FromUtf8(row.at(2)));
    }
    ASSERT_GE(expected.size(), 8u);
    for (const auto& [file, blocks] : expected)
    {
        SCOPED_TRACE(file);
        SKY_NEED_TESTDATA_FILE(path, "nexrad3/" + file);
        auto image = Decode(ReadAll(path));
        ASSERT_NE(image, nullptr);
        for (const auto& [kind, lines] : blocks)
        {
            const DxStringField* field = image->FindStringField(kind == "g" ? "nidsGraphic" : "nidsTabular");
            ASSERT_NE(field, nullptr);
            EXPECT_EQ(std::vector<CxString>(field->begin(), field->end()), lines);
        }
        if (blocks.count("g") != 0)
        {
            std::vector<CxString> ids;
            for (const CxString& line : blocks.at("g"))
                if (line.AsUtf8().find("STM ID") == std::string::npos && line.AsUtf8().substr(4, 2) != "  ")
                    ids.push_back(CxString::FromUtf8(line.AsUtf8().substr(4, 2)));
            const DxStringField* stormIds = image->FindStringField("stormId");
            ASSERT_NE(stormIds, nullptr);
            EXPECT_EQ(std::vector<CxString>(stormIds->begin(), stormIds->end()), ids);
        }
    }
}

TEST(NidsLevelThree, StormTableLines)
{
    const GxPosition radar = GxPosition().FromDegrees(-86.77, 33.172);
    const GxOrthographicProjection projection(radar);
    DxFrame frame;
    for (const char* line : {" STM ID  AZ/RAN TVS  MDA  POSH/POH/MX SIZE VIL DBZM  HT  TOP  FCST MVMT ",
                             "    V3   90/ 10 NONE NONE   10/ 20/<0.50     4  50  8.3   9.1  246/ 60  ",
                             "    F4   66/ 48 NONE NONE    0/  0/ 0.00     2  39  8.5   8.5    NEW    ", ""})
        NidsLevelThreeParser::ParseStormTable(&frame, projection, radar, line);
    ASSERT_EQ(frame.FindStringField("stormId")->size(), 2u);
    const GxPoint east = projection.Project(
        GxPosition(frame.FindFloatField("stormLon")->at(0), frame.FindFloatField("stormLat")->at(0)));
    EXPECT_NEAR(east.mX, 18.52, 1e-6);
    EXPECT_NEAR(east.mY, 0.0, 1e-6);
    EXPECT_EQ(frame.FindStringField("stormHailString")->at(0), CxString("<"));
    EXPECT_DOUBLE_EQ(frame.FindFloatField("stormHailSize")->at(0), 0.5);
    EXPECT_DOUBLE_EQ(frame.FindFloatField("stormFcstSpeed")->at(0), 60.0);
    EXPECT_TRUE(std::isnan(frame.FindFloatField("stormFcstDir")->at(1)));
    EXPECT_TRUE(std::isfinite(frame.FindFloatField("stormLat")->at(1)));
}

// Every shared file, whole and cut short at many lengths, decodes or gives null without a sanitizer report; whole,
// null exactly when none of the packets the peer met is a radial or raster one.
TEST(NidsLevelThree, EveryFileAndEveryTruncationIsSafe)
{
    SKY_NEED_TESTDATA(root);
    std::map<std::string, std::string> packets;
    for (const auto& row : ReadTable("peer_packets.tsv"))
        packets[row.at(0)] = "," + (row.size() > 1 ? row[1] : "") + ",";
    CxSint32 images = 0;
    for (const char* folder : {"nexrad3", "nexrad3/edge"})
        for (const auto& entry : fs::directory_iterator(fs::path(root) / folder))
        {
            if (!entry.is_regular_file() || entry.path().extension() == ".md")
                continue;
            SCOPED_TRACE(entry.path().string());
            const Bytes bytes = ReadAll(entry.path().string());
            auto image = Decode(bytes);
            const std::string& met = packets.at((folder + ("/" + entry.path().filename().string())).substr(8));
            EXPECT_EQ(image != nullptr, std::regex_search(met, std::regex(",(10|af1f|ba07|ba0f),"))) << met;
            images += image != nullptr;
            const std::size_t step = std::max<std::size_t>(1, bytes.size() / 23);
            for (std::size_t size = 0; size < bytes.size(); size += step)
                Decode(Bytes(bytes.begin(), bytes.begin() + std::ptrdiff_t(size)));
        }
    EXPECT_GT(images, 60);
}

// The heading is optional, and a plain symbology stays plain whatever P8 says.
TEST(NidsLevelThree, HeadingAndCompressionFlag)
{
    SKY_NEED_TESTDATA_FILE(path, "nexrad3/KBMX_SDUS54_N0RBMX_201501020205");
    const Bytes original = ReadAll(path);
    Bytes flagged = original;
    Put16(flagged, 100, 1);
    auto reference = Decode(original);
    ASSERT_NE(reference, nullptr);
    for (const Bytes& variant : {Bytes(original.begin() + 30, original.end()), flagged})
    {
        auto image = Decode(variant);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(Count(*image), Count(*reference));
        EXPECT_EQ(image->Date().AsString(), reference->Date().AsString());
    }
}

// netCDF-Java's export of the same products: raw levels pixel by pixel, radials paired by azimuth, and for the
// digital product the physical values.
TEST(NidsLevelThree, MatchesTheNetcdfExports)
{
    const std::pair<const char*, const char*> kProducts[] = {{"KBMX_SDUS54_N0QBMX_201501020205", "BaseReflectivityDR"},
                                                             {"KBMX_SDUS54_N0RBMX_201501020205", "BaseReflectivity"}};
    for (const auto& product : kProducts)
    {
        SCOPED_TRACE(product.first);
        SKY_NEED_TESTDATA_FILE(path, std::string("nexrad3/") + product.first);
        SKY_NEED_TESTDATA_FILE(export_, std::string("netcdf/level3_cdm_export/") + product.first + ".nc");
        auto image = Decode(ReadAll(path));
        ASSERT_NE(image, nullptr);

        DxNetCDFLock lock;
        int file = 0, raw = 0, values = 0, azimuthVar = 0, dims[2] = {};
        ASSERT_EQ(nc_open(export_.c_str(), NC_NOWRITE, &file), NC_NOERR);
        std::size_t radials = 0, gates = 0;
        nc_inq_varid(file, (std::string(product.second) + "_RAW").c_str(), &raw);
        nc_inq_varid(file, product.second, &values);
        nc_inq_varid(file, "azimuth", &azimuthVar);
        nc_inq_vardimid(file, raw, dims);
        nc_inq_dimlen(file, dims[0], &radials);
        nc_inq_dimlen(file, dims[1], &gates);
        std::vector<unsigned char> levels(radials * gates);
        std::vector<float> physical(radials * gates), azimuths(radials);
        double altitude = 0.0;
        ASSERT_EQ(nc_get_var_uchar(file, raw, levels.data()), NC_NOERR);
        ASSERT_EQ(nc_get_var_float(file, values, physical.data()), NC_NOERR);
        ASSERT_EQ(nc_get_var_float(file, azimuthVar, azimuths.data()), NC_NOERR);
        nc_get_att_double(file, NC_GLOBAL, "RadarAltitude", &altitude);
        nc_close(file);

        ASSERT_EQ(std::size_t(image->Height()), radials);
        EXPECT_EQ(image->FindIntField("numRangeBins")->at(0), CxSint32(gates));
        EXPECT_NEAR(image->FindFloatField("elevation")->at(0), altitude, 1e-3);
        EXPECT_EQ(image->FindIntField("vcp")->at(0), 221);
        EXPECT_EQ(image->Date().AsString(), CxString("2015-01-02 02:05:28 UTC"));
        std::map<CxSint32, std::size_t> rowOfAzimuth;
        const DxFloatField& angles = *image->FindFloatField("radialAngle");
        for (std::size_t row = 0; row < angles.size(); ++row)
            rowOfAzimuth[CxSint32(std::lround(angles[row] * 10))] = row;
        const DxFloatField* tracking = image->FindFloatField("tracking");
        std::size_t mismatches = 0, valueMismatches = 0;
        for (std::size_t r = 0; r < radials; ++r)
        {
            const auto found = rowOfAzimuth.find(CxSint32(std::lround(azimuths[r] * 10)));
            ASSERT_NE(found, rowOfAzimuth.end()) << azimuths[r];
            const CxUint8* row = image->Pixels() + found->second * std::size_t(image->Width());
            for (std::size_t g = 0; g < gates; ++g)
            {
                const CxUint8 level = levels[r * gates + g];
                mismatches += row[g] != level;
                const float value = physical[r * gates + g];
                if (tracking != nullptr && std::isfinite(value))
                    valueMismatches += std::fabs(tracking->at(level) - value) > 1e-4;
            }
        }
        EXPECT_EQ(mismatches, 0u);
        EXPECT_EQ(valueMismatches, 0u);
    }
}

// Every mesh vertex lies at a texture column's range on a radial edge: 0.25 km bins make 128-bin textures, 32 km.
TEST(NidsLevelThree, RadialMeshFollowsRangesAndAzimuths)
{
    SKY_NEED_TESTDATA_FILE(path, "nexrad3/KBMX_SDUS54_N0QBMX_201501020205");
    const Bytes bytes = ReadAll(path);
    DxNidsRadialInfo info;
    info.SetProductCode(94);
    info.SetKmPerPixel(0.25);
    NidsLevelThreeParser parser;
    std::unique_ptr<DxIndexedImage> image(parser.Parse(CxData(bytes.data(), CxUint32(bytes.size())), {}, {info}));
    ASSERT_NE(image, nullptr);
    const GxOrthographicProjection radar(GxPosition().FromDegrees(-86.77, 33.172));
    std::size_t vertices = 0, stray = 0;
    double farthest = 0.0;
    for (auto tile = image->GetMesh().BeginTiles(); tile != image->GetMesh().EndTiles(); ++tile)
        for (const GxPosition& position : tile->PositionCoords())
        {
            const GxPoint p = radar.Project(position);
            const double range = std::hypot(p.mX, p.mY);
            farthest = std::max(farthest, range);
            const double steps = range / 32.0;
            stray += std::fabs(steps - std::round(steps)) > 1e-6 && std::fabs(range - 115.0) > 1e-6;
            ++vertices;
        }
    EXPECT_EQ(stray, 0u);
    EXPECT_NEAR(farthest, 460 * 0.25, 1e-6);
    EXPECT_EQ(vertices, 360u * 4 * 6); // four texture columns reach 115 km
}

// Damaged or unusual copies of a real raster and radial product.
TEST(NidsLevelThree, PatchedProducts)
{
    SKY_NEED_TESTDATA_FILE(rasterPath, "nexrad3/KBMX_SDUS64_NCZBMX_201501020205");
    SKY_NEED_TESTDATA_FILE(radialPath, "nexrad3/KBMX_SDUS54_N0RBMX_201501020205");
    const Bytes raster = ReadAll(rasterPath);
    const Bytes radial = ReadAll(radialPath);
    auto plainRaster = Decode(raster);
    ASSERT_NE(plainRaster, nullptr);
    EXPECT_EQ(plainRaster->Width(), plainRaster->Height());
    const std::size_t packet = 120 + 10 + 8; // message header and description block, symbology and layer heads

    Bytes mosaic = raster; // a Lambert mosaic whose P10 is 0 stays square
    Put16(mosaic, 12, 10001);
    Put16(mosaic, 104, 0);
    auto square = Decode(mosaic);
    ASSERT_NE(square, nullptr);
    EXPECT_EQ(square->Width(), plainRaster->Height());

    Bytes overflow = raster; // the first row's runs made longer than the row: nothing more is drawn
    const std::size_t firstRow = packet + 16 + 2 + 2;
    ASSERT_EQ(overflow.at(30 + firstRow + 1), 16);
    overflow.at(30 + firstRow + 2 + 15) = 0xF0;
    auto empty = Decode(overflow);
    ASSERT_NE(empty, nullptr);
    EXPECT_GT(Count(*plainRaster).first, 0u);
    EXPECT_EQ(Count(*empty).first, 0u);

    Bytes tooMany = radial; // more radials announced than the data can fill: refused before the allocation
    Put16(tooMany, packet + 10, 5000);
    EXPECT_EQ(Decode(tooMany), nullptr);
    auto reference = Decode(radial);

    Bytes twoLayers = radial; // a second copy of the layer: one image, no leak
    const std::size_t layerStart = 30 + 120 + 10;
    Bytes layer(twoLayers.begin() + std::ptrdiff_t(layerStart), twoLayers.end());
    twoLayers.insert(twoLayers.end(), layer.begin(), layer.end());
    Put16(twoLayers, 128, 2);
    auto both = Decode(twoLayers);
    ASSERT_NE(both, nullptr);
    EXPECT_EQ(Count(*both).first, Count(*reference).first);
}

// The fuzz seeds, written by Fuzz/make_seeds.py: every one is a small product that gives an image.
TEST(NidsLevelThree, FuzzCorpusReplays)
{
    CxSint32 seeds = 0;
    for (const auto& entry : fs::directory_iterator(DX_NIDS_CORPUS))
    {
        const Bytes bytes = ReadAll(entry.path().string());
        EXPECT_EQ(DxNidsFuzzOne(bytes.data(), bytes.size()), 1) << entry.path();
        ++seeds;
    }
    EXPECT_GE(seeds, 5);
}

TEST(NidsLevelThree, ThresholdLabels)
{
    const std::pair<CxUint16, const char*> kCases[] = {{0x8002, "ND"},   {0x8001, "TH"},   {0x0432, "<50"},
                                                       {0x2001, "0.05"}, {0x2002, "0.10"}, {0x0105, "-5"},
                                                       {0x1037, "5.5"},  {0x8205, "+"}};
    for (const auto& c : kCases)
        EXPECT_EQ(NidsLevelThreeParser::DataLevelLabel(c.first), CxString(c.second)) << std::hex << c.first;
}
} // namespace

// Storm-total precipitation (code 80) carries its accumulation's start and end, the end within its volume scan;
// the one- and three-hour totals, base reflectivity and hybrid reflectivity carry no times.
TEST(NidsLevelThree, AccumulationTimes)
{
    const std::pair<const char*, bool> files[] = {
        {"KBMX_SDUS54_NTPBMX_201501020205", true},  {"LOT_NTP_2021_01_31_11_06_30", true},
        {"KBMX_SDUS64_N3PBMX_201501020211", false}, {"LOT_N1P_2021_01_31_11_06_30", false},
        {"KBMX_SDUS54_N0RBMX_201501020205", false}, {"KOKX_SDUS51_DHROKX_201108280702", false}};
    for (const auto& [file, timed] : files)
    {
        SCOPED_TRACE(file);
        SKY_NEED_TESTDATA_FILE(path, std::string("nexrad3/") + file);
        auto image = Decode(ReadAll(path));
        ASSERT_NE(image, nullptr);
        const DxIntField* times = image->FindIntField("productTimes");
        ASSERT_EQ(times != nullptr, timed);
        if (!timed)
            continue;
        ASSERT_EQ(times->size(), 12u);
        const auto at = [&](std::size_t inFirst)
        {
            const auto& t = *times;
            return CxDate(CxSint16(t[inFirst]), CxSint16(t[inFirst + 1]), CxSint16(t[inFirst + 2]),
                          CxSint16(t[inFirst + 3]), CxSint16(t[inFirst + 4]), CxSint16(t[inFirst + 5]), 0);
        };
        const CxDate start = at(0), end = at(6);
        EXPECT_LT(start, end);
        EXPECT_LE(image->Date() - 60.0, end);
        EXPECT_LE(end, image->Date() + 600.0);
    }
}
