// A radar netCDF file whose image cannot get its pixels is refused, raster and radial set alike, and leaves no
// temporary copy. The pixels are the only allocation of exactly their size through the nothrow array form, which
// this program routes through a switch that fails it once.
#include "CxDebug.h"
#include "CxFile.h"
#include "CxSystem.h"
#include "DxNidsNetCDF.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace
{
// The size of the next nothrow array allocation to fail; 0 fails none.
std::atomic<std::size_t> gFailSize{0};
std::atomic<int> gFailed{0};
} // namespace

void* operator new[](std::size_t inSize, const std::nothrow_t&) noexcept
{
    std::size_t size = inSize;
    if (inSize != 0 && gFailSize.compare_exchange_strong(size, 0))
    {
        ++gFailed;
        return nullptr;
    }
    try
    {
        return ::operator new[](inSize);
    }
    catch (const std::bad_alloc&)
    {
        return nullptr;
    }
}

namespace
{

std::vector<CxUint8> MakeFile(const std::string& inFolder, const std::string& inCdl)
{
    std::ofstream(inFolder + "/p.cdl") << inCdl;
    EXPECT_EQ(std::system(("ncgen -k classic -o " + inFolder + "/p.nc " + inFolder + "/p.cdl").c_str()), 0);
    std::ifstream in(inFolder + "/p.nc", std::ios::binary);
    return std::vector<CxUint8>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(RadarNetCDFPixels, AnImageWithoutPixelsIsRefused)
{
    sky::test::TempHome home;
    const struct
    {
        const char* name;
        std::string cdl;
        std::size_t pixels; // width (a radial set's rows grow in steps of 512) times height
    } rows[] = {
        {"raster",
         "netcdf g { dimensions: Lat = 7; Lon = 13; variables: float WindSpeed(Lat, Lon);"
         " WindSpeed:Units = \"MetersPerSecond\"; :TypeName = \"WindSpeed\"; :Latitude = 40.0;"
         " :Longitude = -100.0; :LatGridSpacing = 0.5; :LonGridSpacing = 0.5; data: WindSpeed = 5; }",
         7 * 13},
        {"radial set",
         "netcdf r { dimensions: Azimuth = 3; Gate = 5; variables: float Azimuth(Azimuth); float GateWidth(Azimuth);"
         " float Reflectivity(Azimuth, Gate); Reflectivity:Units = \"dBZ\"; :TypeName = \"Reflectivity\";"
         " :DataType = \"RadialSet\"; :Latitude = 35.0; :Longitude = -97.0; :Time = 925775483;"
         " data: Azimuth = 0, 1, 2; GateWidth = 250, 250, 250; Reflectivity = 30; }",
         512 * 3},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        const std::vector<CxUint8> bytes = MakeFile(home.Path(), row.cdl);
        gFailed = 0;
        gFailSize = row.pixels;
        {
            CxDebugCapture capture;
            EXPECT_EQ(std::unique_ptr<DxIndexedImage>(NidsNetCDFParser().Parse(bytes.data(), bytes.size())), nullptr);
            EXPECT_TRUE(capture.Contains("mPixels != nil"));
        }
        EXPECT_EQ(gFailed, 1);
        gFailSize = 0;
        // The same file with its pixels to be had.
        const std::unique_ptr<DxIndexedImage> image(NidsNetCDFParser().Parse(bytes.data(), bytes.size()));
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(std::size_t(image->Width()) * std::size_t(image->Height()), row.pixels);
        EXPECT_NE(image->Pixels(), nullptr);
    }
    // This process's temporary copies, named by its id.
    const std::string copies = "netcdf-radar." + std::to_string(CxGetProcessId()) + "0x";
    for (const auto& entry : std::filesystem::directory_iterator(CxFolder(kCxTemporaryFolder).Path().AsUtf8()))
        EXPECT_NE(entry.path().filename().string().rfind(copies, 0), 0u) << entry.path();
}

} // namespace
