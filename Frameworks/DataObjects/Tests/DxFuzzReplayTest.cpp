// Every input a fuzz target once failed on, kept in its framework's Fuzz/regressions/<target>/, replayed through
// the target's own entry; and the seeds of the document targets, which must still read as documents.
#include "DxDocFuzzEntry.h"
#include "DxImageFuzzEntry.h"
#include "DxNidsFuzzEntry.h"
#include "DxRadarFuzzEntry.h"
#include "DxShapeFuzzEntry.h"
#include "GxPNGFuzzEntry.h"
#include "XmlFuzzEntry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

namespace
{

namespace fs = std::filesystem;
using Entry = std::function<int(const std::uint8_t*, std::size_t)>;

std::vector<std::uint8_t> Read(const fs::path& inPath)
{
    std::ifstream in(inPath, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const struct
{
    const char* mTarget;
    Entry mEntry;
} kTargets[] = {
    {"xml_parser_fuzz", [](const std::uint8_t* inData, std::size_t inSize)
     { return sky::test::XmlFuzzCheck(inData, inSize).empty() ? 0 : (ADD_FAILURE() << "xml check", 1); }},
    {"png_reader_fuzz", GxPngFuzzOne},
    {"nexrad3_fuzz", DxNidsFuzzOne},
    {"nexrad2_fuzz", DxNexrad2FuzzOne},
    {"radar_netcdf_fuzz", DxRadarNetCDFFuzzOne},
    {"canadian_radar_fuzz", DxCanadianRadarFuzzOne},
    {"shapefile_fuzz", DxShapeFuzzOne},
    {"image_readers_fuzz", DxImageFuzzOne},
    {"grid_readers_fuzz", DxGridReadersFuzzOne},
    {"advisory_fuzz", DxAdvisoryFuzzOne},
    {"config_readers_fuzz", DxConfigReadersFuzzOne},
    {"query_dates_fuzz", DxQueryDatesFuzzOne},
};

// Under the sanitizers a regression that comes back fails here with its report.
TEST(DxFuzzReplayTest, RegressionsStayMended)
{
    int replayed = 0;
    for (const fs::directory_entry& framework : fs::directory_iterator(fs::path(SKYVANE_SOURCE_DIR) / "Frameworks"))
        for (const auto& target : kTargets)
        {
            const fs::path folder = framework.path() / "Fuzz" / "regressions" / target.mTarget;
            if (!fs::is_directory(folder))
                continue;
            for (const fs::directory_entry& file : fs::directory_iterator(folder))
            {
                SCOPED_TRACE(file.path().string());
                const std::vector<std::uint8_t> bytes = Read(file.path());
                target.mEntry(bytes.data(), bytes.size());
                ++replayed;
            }
        }
    EXPECT_GT(replayed, 0);
}

TEST(DxFuzzReplayTest, DocumentSeedsRead)
{
    const fs::path corpus = fs::path(SKYVANE_SOURCE_DIR) / "Frameworks/DataObjects/Fuzz/corpus";
    for (const auto& [name, entry, count] :
         {std::tuple<const char*, Entry, std::size_t>{"grid_readers", DxGridReadersFuzzOne, 5},
          {"advisory", DxAdvisoryFuzzOne, 1},
          {"config_readers", DxConfigReadersFuzzOne, 7},
          {"query_dates", DxQueryDatesFuzzOne, 1}})
    {
        std::size_t seen = 0;
        for (const fs::directory_entry& file : fs::directory_iterator(corpus / name))
        {
            const std::vector<std::uint8_t> bytes = Read(file.path());
            EXPECT_EQ(entry(bytes.data(), bytes.size()), 1) << file.path();
            ++seen;
        }
        EXPECT_EQ(seen, count) << name;
    }
}

} // namespace
