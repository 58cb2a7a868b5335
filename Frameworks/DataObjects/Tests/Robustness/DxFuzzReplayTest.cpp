// Every input a fuzz target once failed on, kept in its framework's Fuzz/regressions/<target>/, replayed through the
// target's own entry; under the sanitizers a fault that comes back fails here with its report.
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
#include <iterator>
#include <vector>

namespace
{

int XmlEntry(const std::uint8_t* inData, std::size_t inSize)
{
    EXPECT_EQ(sky::test::XmlFuzzCheck(inData, inSize), "");
    return 0;
}

TEST(DxFuzzReplayTest, RegressionsStayMended)
{
    const std::pair<const char*, int (*)(const std::uint8_t*, std::size_t)> targets[] = {
        {"xml_parser_fuzz", XmlEntry},
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
        {"query_dates_fuzz", DxQueryDatesFuzzOne}};
    int replayed = 0;
    for (const auto& framework : std::filesystem::directory_iterator(SKYVANE_SOURCE_DIR "/Frameworks"))
        for (const auto& [target, entry] : targets)
            if (const auto folder = framework.path() / "Fuzz/regressions" / target;
                std::filesystem::is_directory(folder))
                for (const auto& file : std::filesystem::directory_iterator(folder))
                {
                    SCOPED_TRACE(file.path().string());
                    std::ifstream in(file.path(), std::ios::binary);
                    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
                    entry(bytes.data(), bytes.size());
                    ++replayed;
                }
    EXPECT_GE(replayed, 2);
}

} // namespace
