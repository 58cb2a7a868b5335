// Readers bounded by their data: lying headers and cut files are refused before the memory is taken, text lines keep
// their counted characters, and the radar netCDF diagnostics list what ncdump lists.
#include "CxDebug.h"
#include "CxFile.h"
#include "DxDocFuzzEntry.h"
#include "DxField.h"
#include "DxImage.h"
#include "DxNidsFuzzEntry.h"
#include "DxNidsLevelThree.h"
#include "DxNidsNetCDF.h"
#include "DxShapeFuzzEntry.h"
#include "DxUnitTestSupport.h"
#include "GxPNGFuzzEntry.h"
#include "GxProjection.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's allocator interface; g++ ships the runtime but not its header.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, std::size_t),
                                                         void (*)(const volatile void*));
extern "C" std::size_t __sanitizer_get_allocated_size(const volatile void*);
#define DX_PEAK_METER 1
#endif

namespace
{
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Entry = int (*)(const std::uint8_t*, std::size_t);
constexpr long long kPeakLimit = 8ll << 20;

// Radar images carry units from the bundle's table.
class UnitTable : public ::testing::Environment
{
    void SetUp() override { dxtest::LoadBundleTable(); }
};
const auto* gUnitTable = ::testing::AddGlobalTestEnvironment(new UnitTable);

#ifdef DX_PEAK_METER
// Bytes live since the meter was reset, and their high mark. glibc has no malloc hook; the sanitizer's allocator
// reports every allocation of the process, the libraries' included.
std::atomic<bool> gMetering{false};
std::atomic<long long> gLive{0}, gPeak{0};

extern "C" void OnMalloc(const volatile void*, std::size_t inSize)
{
    if (!gMetering.load(std::memory_order_relaxed))
        return;
    const long long live = gLive.fetch_add(static_cast<long long>(inSize)) + static_cast<long long>(inSize);
    for (long long peak = gPeak.load(); live > peak && !gPeak.compare_exchange_weak(peak, live);)
    {
    }
}

extern "C" void OnFree(const volatile void* inPtr)
{
    if (gMetering.load(std::memory_order_relaxed) && inPtr != nullptr)
        gLive.fetch_sub(static_cast<long long>(__sanitizer_get_allocated_size(inPtr)));
}
#endif

// The most memory held at once while the call ran, or -1 outside the ASan tree.
template <typename Call> long long PeakOf(Call inCall)
{
#ifdef DX_PEAK_METER
    static const bool sHooked = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree) != 0;
    EXPECT_TRUE(sHooked);
    gLive = 0;
    gPeak = 0;
    gMetering = true;
    inCall();
    gMetering = false;
    return gPeak.load();
#else
    inCall();
    return -1;
#endif
}

Bytes ReadAll(const fs::path& inPath)
{
    std::ifstream in(inPath, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Put16(Bytes& ioBytes, std::size_t inOffset, std::uint16_t inValue)
{
    ioBytes.at(inOffset) = std::uint8_t(inValue >> 8);
    ioBytes.at(inOffset + 1) = std::uint8_t(inValue);
}

// Each crafted input gives nothing (entry result "none") and stays under the limit; none would without the checks.
TEST(BoundedReading, RegressionInputsGiveNothingWithinEightMiB)
{
    const fs::path root = fs::path(SKYVANE_SOURCE_DIR) / "Frameworks";
    struct Case
    {
        const char* mPath;
        Entry mEntry;
        int mNone;
    };
    const Case kCases[] = {
        {"DataObjects/Fuzz/regressions/nexrad3_fuzz/raster-row-count-lying", DxNidsFuzzOne, 0},
        {"DataObjects/Fuzz/regressions/nexrad3_fuzz/raster-one-long-row", DxNidsFuzzOne, 0},
        {"DataObjects/Fuzz/regressions/nexrad3_fuzz/af1f-bin-count-lying", DxNidsFuzzOne, 0},
        {"DataObjects/Fuzz/regressions/nexrad3_fuzz/radial16-bin-count-lying", DxNidsFuzzOne, 0},
        {"DataObjects/Fuzz/regressions/nexrad3_fuzz/af1f-cut", DxNidsFuzzOne, 0},
        {"DataObjects/Fuzz/regressions/nexrad3_fuzz/af1f-cut-symbology", DxNidsFuzzOne, 0},
        {"GraphicObjects/Fuzz/regressions/png_reader_fuzz/text-chunk-length-2gib", GxPngFuzzOne, 1},
        {"DataObjects/Fuzz/regressions/shapefile_fuzz/archive-cut", DxShapeFuzzOne, 1},
        {"DataObjects/Fuzz/regressions/grid_readers_fuzz/netcdf-records-past-data", DxGridReadersFuzzOne, 0},
    };
    CxDebugCapture quiet;
    for (const Case& c : kCases)
    {
        SCOPED_TRACE(c.mPath);
        const Bytes bytes = ReadAll(root / c.mPath);
        ASSERT_FALSE(bytes.empty());
        int result = -1;
        const long long peak = PeakOf([&] { result = c.mEntry(bytes.data(), bytes.size()); });
        EXPECT_EQ(result, c.mNone);
        EXPECT_LT(peak, kPeakLimit);
    }
    // The same readers still take the whole inputs these were made from.
    const Bytes seed = ReadAll(root / "DataObjects/Fuzz/corpus/nexrad3/raster32");
    EXPECT_EQ(DxNidsFuzzOne(seed.data(), seed.size()), 1);
}

// Real products: a lying row or bin count is refused within the limit, and a product cut anywhere gives no image.
TEST(BoundedReading, SharedLevelThreeProductsLyingOrCut)
{
    SKY_NEED_TESTDATA(shared);
    const fs::path folder = fs::path(shared) / "nexrad3";
    // Offsets after the 30-byte heading, message and description blocks, symbology and layer heads, packet code.
    const std::size_t packet = 30 + 120 + 10 + 6 + 2;
    const std::pair<const char*, std::size_t> kLies[] = {{"KBMX_SDUS64_NCZBMX_201501020205", packet + 16},
                                                         {"KBMX_SDUS54_N0RBMX_201501020205", packet + 2}};
    for (const auto& [name, at] : kLies)
    {
        SCOPED_TRACE(name);
        Bytes bytes = ReadAll(folder / name);
        ASSERT_FALSE(bytes.empty());
        ASSERT_EQ(DxNidsFuzzOne(bytes.data(), bytes.size()), 1);
        Put16(bytes, at, 0xFFFF);
        int result = -1;
        const long long peak = PeakOf([&] { result = DxNidsFuzzOne(bytes.data(), bytes.size()); });
        EXPECT_EQ(result, 0);
        EXPECT_LT(peak, kPeakLimit);
    }
    int whole = 0, cutImages = 0;
    for (const auto& entry : fs::directory_iterator(folder))
    {
        if (!entry.is_regular_file())
            continue;
        const Bytes bytes = ReadAll(entry.path());
        if (DxNidsFuzzOne(bytes.data(), bytes.size()) == 0)
            continue;
        ++whole;
        for (const std::size_t size : {bytes.size() / 4, bytes.size() / 2, bytes.size() * 3 / 4, bytes.size() - 1})
            if (DxNidsFuzzOne(bytes.data(), size) != 0)
            {
                ++cutImages;
                ADD_FAILURE() << entry.path().filename() << " cut to " << size << " of " << bytes.size();
            }
    }
    EXPECT_GT(whole, 50);
    EXPECT_EQ(cutImages, 0);
}

// A tabular line is its counted characters: the 0 byte of KOKX's bias source shows as a space, and the tail stays.
TEST(BoundedReading, TabularLineKeepsItsCountedCharacters)
{
    SKY_NEED_TESTDATA_FILE(path, "nexrad3/KOKX_SDUS31_N1POKX_201108280702");
    const Bytes bytes = ReadAll(path);
    NidsLevelThreeParser parser;
    std::unique_ptr<DxIndexedImage> image(parser.Parse(bytes.data(), bytes.size(), {}, {}));
    ASSERT_NE(image, nullptr);
    const DxStringField* lines = image->FindStringField("nidsTabular");
    ASSERT_NE(lines, nullptr);
    int found = 0;
    for (const CxString& line : *lines)
        if (line.AsUtf8().find("MOST RECENT BIAS SOURCE") != std::string::npos)
        {
            ++found;
            EXPECT_EQ(line.AsUtf8().size(), 80u);
            EXPECT_NE(line.AsUtf8().find("    KO X            "), std::string::npos) << line.AsUtf8();
        }
    EXPECT_EQ(found, 1);
}

// The text after "file, line N: " of each captured debug line.
std::vector<std::string> Messages(const CxDebugCapture& inCapture)
{
    std::vector<std::string> messages;
    for (const std::string& line : inCapture.Lines())
        messages.push_back(line.substr(line.find(": ") + 2));
    return messages;
}

// DumpFile against ncdump's header listing of the same shared file: every dimension with its length, every
// attribute in its bracketed block with its value.
TEST(RadarNetCDFDiagnostics, DumpFileListsWhatNcdumpLists)
{
    SKY_NEED_TESTDATA_FILE(path, "netcdf/wdssii_radialset/KTLX_19990503-235123.netcdf");
    std::string listing;
    if (FILE* pipe = popen(("ncdump -h '" + path + "' 2>/dev/null").c_str(), "r"))
    {
        char buffer[4096];
        for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            listing.append(buffer, n);
        pclose(pipe);
    }
    if (listing.empty())
        GTEST_SKIP() << "ncdump not found";

    CxDebugCapture capture;
    NidsNetCDFParser::DumpFile(CxFile(CxString::FromUtf8(path), false));
    const std::vector<std::string> messages = Messages(capture);
    // The attribute blocks: name, then value, closed by the bracket; keyed by variable and name as ncdump writes
    // them, the variable empty for a global one.
    std::map<std::string, std::string> attributes;
    std::string variable;
    int blocks = 0;
    for (std::size_t i = 0; i + 3 < messages.size(); ++i)
        if (messages[i].rfind("Variable = ", 0) == 0)
            variable = messages[i].substr(11, messages[i].find('(') - 11);
        else if (messages[i] == "[=========")
        {
            ++blocks;
            EXPECT_EQ(messages[i + 3], "=========]");
            ASSERT_EQ(messages[i + 1].rfind("Attribute = ", 0), 0u);
            ASSERT_EQ(messages[i + 2].rfind("Value = ", 0), 0u);
            attributes[variable + ":" + messages[i + 1].substr(12)] = messages[i + 2].substr(8);
        }
    const auto at = [&](const std::string& inText)
    { return std::find(messages.begin(), messages.end(), inText) - messages.begin(); };
    EXPECT_LT(at("Dimensions:"), at("Global Attributes:"));
    EXPECT_LT(at("Global Attributes:"), at("Variables:"));
    EXPECT_LT(at("Variables:"), std::ptrdiff_t(messages.size()));

    std::istringstream lines(listing);
    int dimensions = 0, listed = 0;
    bool inDimensions = false;
    for (std::string line; std::getline(lines, line);)
    {
        if (line.rfind("dimensions:", 0) == 0 || line.rfind("variables:", 0) == 0)
            inDimensions = line[0] == 'd';
        const std::size_t equals = line.find(" = ");
        if (equals == std::string::npos || line.back() != ';')
            continue;
        const std::size_t start = line.find_first_not_of('\t');
        std::string name = line.substr(start, equals - start);
        std::string value = line.substr(equals + 3, line.size() - 2 - equals - 3);
        if (inDimensions)
        {
            ++dimensions;
            EXPECT_NE(at(name + " = " + value), std::ptrdiff_t(messages.size())) << name;
            continue;
        }
        ++listed;
        SCOPED_TRACE(name);
        ASSERT_EQ(attributes.count(name), 1u);
        if (value.front() == '"')
            EXPECT_EQ('"' + attributes[name] + '"', value);
        else
            EXPECT_NEAR(std::stod(attributes[name]), std::stod(value), 1e-6 * std::fabs(std::stod(value)));
    }
    EXPECT_EQ(dimensions, 2);
    EXPECT_GE(listed, 20);
    EXPECT_EQ(blocks, listed) << "one block per attribute";

    capture.Clear();
    const float values[] = {1.5f, -2.0f};
    NidsNetCDFParser::OutputAttributeValues(5, 2, values); // NC_FLOAT
    NidsNetCDFParser::OutputAttributeValues(99, 2, values);
    EXPECT_EQ(Messages(capture), (std::vector<std::string>{"Value = 1.5 -2", "Bad type!"}));
}

TEST(RadarNetCDFDiagnostics, DumpImagePrintsEveryPixelRowByRow)
{
    DxIndexedImage image{GxDegreeProjection()};
    image.SetWidth(130);
    image.SetHeight(2);
    image.Reserve();
    ASSERT_NE(image.Pixels(), nullptr);
    for (int i = 0; i < 260; ++i)
        image.Pixels()[i] = std::uint8_t(i);
    CxDebugCapture capture;
    NidsNetCDFParser::DumpImage(image);
    const std::vector<std::string> messages = Messages(capture);
    ASSERT_EQ(messages.size(), 5u);
    EXPECT_EQ(messages[0], "Image = 130 x 2");
    EXPECT_EQ(messages[2], "Row 0 from 128 = 128 129");
    EXPECT_EQ(messages[4], "Row 1 from 128 = 2 3"); // 258 and 259 as bytes
    EXPECT_EQ(messages[3].substr(0, 24), "Row 1 from 0 = 130 131 1");
}

} // namespace
