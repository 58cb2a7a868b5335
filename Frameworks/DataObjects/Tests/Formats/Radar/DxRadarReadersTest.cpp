// The radar netCDF and Canadian readers: a real radial set against the netCDF tools' dump, fixtures the netCDF
// tools build, polar text files the test writes, and damaged copies.
#include "CxDebug.h"
#include "CxFile.h"
#include "DxCanadianRadar.h"
#include "DxNidsLevelTwo.h"
#include "DxNidsNetCDF.h"
#include "DxRadarFuzzEntry.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>

namespace
{
using Bytes = std::vector<CxUint8>;
// The unit table is loaded by the Level II tests' environment, in the same program.

Bytes ReadAll(const std::string& inPath)
{
    std::ifstream in(inPath, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
std::unique_ptr<DxIndexedImage> NetCDF(const Bytes& inBytes)
{
    return std::unique_ptr<DxIndexedImage>(NidsNetCDFParser().Parse(inBytes.data(), inBytes.size()));
}
std::unique_ptr<DxIndexedImage> Canadian(const std::string& inText)
{
    return std::unique_ptr<DxIndexedImage>(DxCanadianRadarParser().Parse(
        reinterpret_cast<const CxUint8*>(inText.data()), inText.size(), std::vector<DxNidsRadialInfo>()));
}
double Degrees(const DxImage& inImage, bool inLatitude)
{
    const GxPosition site = inImage.Projection()->Unproject(inImage.Origin());
    return (inLatitude ? site.mLatitude : site.mLongitude) * 180.0 / M_PI;
}
} // namespace

TEST(NidsNetCDF, RealRadialSetMatchesTheDump)
{
    SKY_NEED_TESTDATA_FILE(path, "netcdf/wdssii_radialset/KTLX_19990503-235123.netcdf");
    std::ifstream table(std::string(SKYVANE_SOURCE_DIR) +
                        "/Frameworks/DataObjects/Tests/data/netcdf/wdssii_reference.tsv");
    std::string line, file;
    unsigned long long values = 0, sum = 0, nonZero = 0;
    std::getline(table, line);
    ASSERT_TRUE(table >> file >> values >> sum >> nonZero);
    auto image = NetCDF(ReadAll(path));
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(image->Height() == 367 && image->Width() == 512 && values == 367u * 460u);
    EXPECT_EQ(image->Date(), CxDate(1999, 5, 3, 23, 51, 23, 0));
    const CxUint8* pixels = image->Pixels();
    EXPECT_EQ(std::accumulate(pixels, pixels + 512 * 367, 0ull), sum);
    EXPECT_EQ(512u * 367u - std::count(pixels, pixels + 512 * 367, 0), nonZero);
    EXPECT_NEAR(Degrees(*image, true), 35.333, 1e-6);
    EXPECT_EQ(image->FindIntField("vcp")->at(0), 11);
    EXPECT_EQ(image->FindFloatField("radialAngle")->size(), 367u);
}

// Fixtures built by ncgen: what is swapped into a small radial set, and what the image must show.
TEST(NidsNetCDF, Fixtures)
{
    sky::test::TempHome home;
    ::setenv("TMPDIR", home.Path().c_str(), 1);
    const std::string base =
        "netcdf r { dimensions: Azimuth = 4; Gate = GATES; pixel = 4; variables: float Azimuth(Azimuth);"
        " float GateWidth(Azimuth); float Reflectivity(SHAPE); Reflectivity:Units = \"UNIT\"; short pixel_x(pixel);"
        " short pixel_y(pixel); int pixel_count(pixel); :TypeName = \"Reflectivity\"; :DataType = \"TYPE\";"
        " :Latitude = LAT; :Longitude = LON; :Time = 925775483; :ColorMap-value = \"MAP\"; data: Azimuth = 0, 1, 2, 9;"
        " GateWidth = 250, 250, 250, 250; pixel_x = 0, -1, 3, 9; pixel_y = 1, 0, 2, 0; pixel_count = 3, 1, 99999999, 1;"
        " Reflectivity = VALUES; }";
    const std::string raster = "netcdf g { dimensions: Lat = 2; Lon = 3; variables: float WindSpeed(Lat, Lon);"
                               " WindSpeed:Units = \"MetersPerSecond\"; :TypeName = \"WindSpeed\"; :Latitude = 40.0;"
                               " :Longitude = -100.0; :LatGridSpacing = 0.5; :LonGridSpacing = 0.5;"
                               " data: WindSpeed = 0, 50, 20, -1, 40, 10; }";
    // Replacements, then the expected width, latitude, first pixels of rows 0, 1 and 3, and a field to find.
    struct Case
    {
        std::vector<std::pair<std::string, std::string>> mSwaps;
        CxSint32 mWidth;
        double mLatitude;
        std::vector<CxUint8> mPixels;
        const char* mField;
        const char* mKind = "classic"; // ncgen's
    } cases[] = {
        {{{"TYPE", "SparseRadialSet"}, {"SHAPE", "pixel"}, {"VALUES", "75, 30, 80, 30"}},
         512,
         35.0,
         {0, 255, 255, 255, 0, 0, 0, 0, 255},
         nullptr},
        {{{"LAT", "0.61"}, {"LON", "-1.7"}}, 512, 34.9504, {255, 0, 0, 0, 0, 0, 0, 0, 0}, nullptr},
        {{{"LAT", "-0.6"}}, 512, -34.3775, {}, nullptr},
        {{{"LAT", "-34.9"}}, 512, -34.9, {}, nullptr},
        {{{"GATES", "1000"}}, 1024, 35.0, {}, nullptr},
        {{{"GATES", "1100"}}, 1536, 35.0, {}, nullptr},
        {{{"MAP", "RhoHV"}, {"VALUES", "1, 0.9945, 0.2"}}, 512, 35.0, {16, 11, 0}, "dataLevel"},
        {{{"UNIT", "MetersPerSecond"}, {"VALUES", "-40, 0, 40"}}, 512, 35.0, {0, 132, 255}, "dataRange"},
        {{{"SHAPE", "Gate, Azimuth"}}, 0, 0.0, {}, nullptr},
        {{{"TypeName = \"Reflectivity\"", "TypeName = \"Velocity\""}}, 0, 0.0, {}, nullptr},
        {{{"Gate = GATES", "Range = 3"}, {"SHAPE", "Azimuth, Range"}}, 0, 0.0, {}, nullptr},
        {{}, 512, 35.0, {255, 0, 0, 0, 0, 0, 0, 0, 0}, nullptr, "64-bit-offset"},
        // Sparse runs without their columns or counts; more cells than a grid may hold.
        {{{"TYPE", "SparseRadialSet"},
          {"SHAPE", "pixel"},
          {"VALUES", "75, 30, 80, 30"},
          {" short pixel_x(pixel);", ""},
          {" pixel_x = 0, -1, 3, 9;", ""}},
         0,
         0.0,
         {},
         nullptr},
        {{{"TYPE", "SparseRadialSet"},
          {"SHAPE", "pixel"},
          {"VALUES", "75, 30, 80, 30"},
          {" int pixel_count(pixel);", ""},
          {" pixel_count = 3, 1, 99999999, 1;", ""}},
         0,
         0.0,
         {},
         nullptr},
        {{{"TYPE", "SparseRadialSet"}, {"SHAPE", "pixel"}, {"VALUES", "75, 30, 80, 30"}, {"GATES", "4194305"}},
         0,
         0.0,
         {},
         nullptr},
    };
    for (const Case& c : cases)
    {
        std::string cdl = base;
        for (auto swaps = c.mSwaps; const auto& [from, to] : swaps)
            for (std::size_t at; (at = cdl.find(from)) != std::string::npos;)
                cdl.replace(at, from.size(), to);
        for (const auto& [from, to] :
             std::vector<std::pair<std::string, std::string>>{{"GATES", "3"},
                                                              {"SHAPE", "Azimuth, Gate"},
                                                              {"UNIT", "dBZ"},
                                                              {"TYPE", "RadialSet"},
                                                              {"LAT", "35.0"},
                                                              {"LON", "-97.0"},
                                                              {"MAP", "none"},
                                                              {"VALUES", "80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0"}})
            for (std::size_t at; (at = cdl.find(from)) != std::string::npos;)
                cdl.replace(at, from.size(), to);
        SCOPED_TRACE(cdl);
        std::ofstream(home.Path() + "/r.cdl") << cdl;
        ASSERT_EQ(
            std::system(("ncgen -k " + std::string(c.mKind) + " -o " + home.Path() + "/r.nc " + home.Path() + "/r.cdl")
                            .c_str()),
            0);
        Bytes bytes = ReadAll(home.Path() + "/r.nc");
        auto image = NetCDF(bytes);
        ASSERT_EQ(image != nullptr, c.mWidth != 0);
        // No version 3 exists between the 64-bit offset and 64-bit data formats.
        bytes[3] = 3;
        EXPECT_EQ(NetCDF(bytes), nullptr);
        if (!image)
            continue;
        EXPECT_EQ(image->Width(), c.mWidth);
        EXPECT_NEAR(Degrees(*image, true), c.mLatitude, 1e-4);
        for (std::size_t i = 0; i < c.mPixels.size(); ++i)
            EXPECT_EQ(image->Pixels()[std::size_t("\0\1\3"[i / 3] * c.mWidth) + i % 3], c.mPixels[i]) << i;
        // Azimuths 0, 1, 2, 9 without spacings: the first two radials reach the next, the third, before a 7-degree
        // gap, has no width, the last keeps one degree. A fan per radial, the last radial first: site, start, end.
        const auto& corners = image->GetMesh().BeginTiles()->PositionCoords();
        ASSERT_GE(corners.size(), 12u);
        EXPECT_TRUE(corners[11] == corners[7] && corners[8] == corners[4]);
        EXPECT_TRUE(corners[4] == corners[5] && !(corners[1] == corners[2]));
        EXPECT_TRUE(c.mField == nullptr || image->FindField(c.mField) != nullptr);
    }
    std::ofstream(home.Path() + "/g.cdl") << raster;
    ASSERT_EQ(std::system(("ncgen -k classic -o " + home.Path() + "/g.nc " + home.Path() + "/g.cdl").c_str()), 0);
    auto wind = NetCDF(ReadAll(home.Path() + "/g.nc"));
    ASSERT_NE(wind, nullptr);
    EXPECT_EQ(std::vector<CxUint8>(wind->Pixels(), wind->Pixels() + 6),
              (std::vector<CxUint8>{0, 255, 127, 0, 255, 63}));
    EXPECT_EQ(wind->GetColors()[0].AsUint32(), 0u);
    // Another convention, and damaged copies: no image, and no temporary copy left behind.
    SKY_NEED_TESTDATA(shared);
    for (const auto& entry : std::filesystem::directory_iterator(shared + "/netcdf/level3_cdm_export"))
        EXPECT_TRUE(entry.path().extension() != ".nc" || NetCDF(ReadAll(entry.path())) == nullptr);
    Bytes real = ReadAll(shared + "/netcdf/wdssii_radialset/KTLX_19990503-235123.netcdf");
    for (std::size_t cut : {std::size_t(3), std::size_t(200), real.size() / 2})
        NetCDF(Bytes(real.begin(), real.begin() + std::ptrdiff_t(cut)));
    // A fuzzer's find: a variable of no known type, whose element size of 0 the library divides by.
    EXPECT_EQ(NetCDF(ReadAll(std::string(SKYVANE_SOURCE_DIR) +
                             "/Frameworks/DataObjects/Tests/data/netcdf/unknown_variable_type.nc")),
              nullptr);
    EXPECT_EQ(DxRadarReplayCorpus(DX_RADAR_CORPUS "/radar_netcdf", DxRadarNetCDFFuzzOne), 0);
    const std::filesystem::path temporary = CxFolder(kCxTemporaryFolder).Path().AsUtf8();
    for (const auto& entry : std::filesystem::directory_iterator(temporary))
        EXPECT_EQ(entry.path().filename().string().rfind("netcdf-radar.", 0), std::string::npos) << entry.path();
}

TEST(CanadianRadar, PolarFiles)
{
    const auto file = [](const char* inRange, const char* inTheta, const char* inTime, std::size_t inBytes)
    {
        std::string text =
            std::string("MajorProductType RADAR\nSizeInBytes 100\nLatCentre 53.56\nLonCentre -114.14\n") + "Range " +
            inRange + "\nTheta " + inTheta + "\nBinResolution 1.0\n" + "AzimuthalResolution 0.98\n" + inTime + "\n" +
            std::string(2000, 'x') + "\nData ";
        for (std::size_t i = 0; i < inBytes; ++i)
            text += char(1 + i % 200);
        return text;
    };
    auto image = Canadian(file("200", "3", "ValidTime 201611212330", 600));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Width(), 256);
    EXPECT_EQ(
        std::vector<CxSint32>(image->FindIntField("radialAngle")->begin(), image->FindIntField("radialAngle")->end()),
        (std::vector<CxSint32>{0, 9, 18}));
    EXPECT_EQ(image->Date(), CxDate(2016, 11, 21, 23, 30, 0, 0));
    EXPECT_TRUE(image->Pixels()[0] == 1 && image->Pixels()[199] == 200 && image->Pixels()[200] == 0 &&
                image->Pixels()[256] == 1 + 200 % 200);
    // Range above 256: rows of 512; short data: the rest of the radial, and later radials, 0.
    image = Canadian(file("300", "3", "ValidTime 201611212330", 400));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Width(), 512);
    EXPECT_TRUE(image->Pixels()[299] == 1 + 299 % 200 && image->Pixels()[512 + 99] == 1 + 399 % 200 &&
                image->Pixels()[512 + 100] == 0 && image->Pixels()[1024] == 0);
    // The minor product names the kind whose configured colours the image takes.
    std::vector<DxNidsRadialInfo> infos(2);
    infos[0].SetProductCode(1), infos[0].SetColorTable(GxColorTable(kGxGradientColors256));
    infos[1].SetProductCode(2), infos[1].SetColorTable(GxColorTable(kGxNidsVelocity256));
    for (auto [minor, table] : {std::pair{"MPRATE", kGxGradientColors256},
                                {"DOPVOL1_A", kGxNidsVelocity256},
                                {"CAPPI", kGxNidsReflectivityColors256}})
    {
        std::string text = file("200", "3", "ValidTime 201611212330", 600);
        text.insert(text.find('\n') + 1, std::string("MinorProductParameters ") + minor + "\n");
        std::unique_ptr<DxIndexedImage> kind(
            DxCanadianRadarParser().Parse(reinterpret_cast<const CxUint8*>(text.data()), text.size(), infos));
        ASSERT_NE(kind, nullptr);
        EXPECT_TRUE(kind->GetColors() == GxColorTable(table)) << minor;
    }
    CxDebugCapture capture;
    EXPECT_EQ(Canadian(file("200", "3", "", 600)), nullptr);
    std::string wide = file("200", "3", "ValidTime 201611212330", 600);
    EXPECT_EQ(Canadian(wide.replace(wide.find("0.98"), 4, "1e30")), nullptr);
    EXPECT_TRUE(capture.Contains("Does not have necessary info"));
    SKY_NEED_TESTDATA_FILE(path, "canadian/WHK_201611212330_PRECIPET_NUMERIC_MMHR.txt");
    const Bytes real = ReadAll(path);
    EXPECT_EQ(Canadian(std::string(real.begin(), real.end())), nullptr);
    EXPECT_EQ(DxRadarReplayCorpus(DX_RADAR_CORPUS "/canadian_radar", DxCanadianRadarFuzzOne), 0);
}

// The first bytes the radar manager chooses a reader by: Level II, netCDF, Canadian, or none of these.
TEST(RadarReaders, RecognisedByFirstBytes)
{
    const std::tuple<std::string, bool, bool, bool> kCases[] = {{"ARCHIVE2.001", true, false, false},
                                                                {"AR2V0006.615", true, false, false},
                                                                {"AR", false, false, false},
                                                                {std::string("CDF\1\0", 5), false, true, false},
                                                                {"CD", false, false, false},
                                                                {"MajorProductType RADAR\n", false, false, true},
                                                                {"MajorProductType RADA", false, false, false},
                                                                {"SDUS54 KBMX 020205", false, false, false}};
    for (const auto& [text, levelTwo, netcdf, canadian] : kCases)
    {
        const auto* bytes = reinterpret_cast<const CxUint8*>(text.data());
        EXPECT_EQ(NidsLevelTwoParser::Recognizes(bytes, text.size()), levelTwo) << text;
        EXPECT_EQ(NidsNetCDFParser::Recognizes(bytes, text.size()), netcdf) << text;
        EXPECT_EQ(DxCanadianRadarParser::Recognizes(bytes, text.size()), canadian) << text;
    }
}
