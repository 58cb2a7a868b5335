// The bundled demo data through the real data engine: the demo server on the bundled folder stands in for the
// data server, and each set's manager reads what it serves as it would read a remote server's. Then the converter
// that made the folder, run again, gives the same bytes.
#include "VaneDemoServer.h"

#include "DxImage.h"
#include "DxManagerFixture.h"
#include "DxNidsClient.h"
#include "DxNidsLevelThree.h"
#include "DxNidsManager.h"
#include "DxObsClient.h"
#include "DxObsManager.h"
#include "DxShapeClient.h"
#include "DxShapeFileReader.h"
#include "DxShapeManager.h"
#include "TestLatch.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace
{

// Generous: sanitizer trees on a loaded machine fetch and decode a set in seconds.
constexpr std::chrono::seconds kArrival{30};

namespace fs = std::filesystem;

const std::string kDemo = std::string(SKYVANE_SOURCE_DIR) + "/Products/Skyvane/Demo";

// No date query: the sets have no query script, so no line of the log reports a query's results.
bool HasQuery(const std::string& inLog)
{
    std::istringstream lines(inLog);
    for (std::string line; std::getline(lines, line);)
        if (line.find(" GET ") != std::string::npos && line.find(" results) ") != std::string::npos)
            return true;
    return false;
}

// The tool runs long after the data's dates: "now" is a day of 2026.
class VaneDemoDataTest : public dxtest::ManagerTest
{
protected:
    VaneDemoDataTest() : ManagerTest(CxDate(2026, 3, 1, 12, 0, 0, 0)) {}
    void SetUp() override
    {
        ManagerTest::SetUp();
        mBase = mDemo.Start(kDemo);
        ASSERT_NE(mBase, "") << mDemo.Error();
        setenv("SKYVANE_SERVER_REGISTRY", mBase.c_str(), 1);
        DxSet::RebuildRegistryUrlForTesting();
    }
    std::string DataLog() const
    {
        std::ostringstream log;
        log << std::ifstream(mHome.Path() + "/.local/state/skyvane/data.log").rdbuf();
        return log.str();
    }
    template <class Manager> Manager* Configured(const char* inId, CxSint32 inKind, Manager* (DxSet::*inAs)())
    {
        DxSet* set = DxSet::FindOrCreateSet(CxString(inId), inKind);
        Manager* manager = (set->*inAs)();
        EXPECT_NE(manager, nullptr) << inId;
        EXPECT_TRUE(manager != nullptr && manager->PerformConfigUpdate()) << inId;
        return manager;
    }

    VaneDemoServer mDemo;
    std::string mBase;
};

std::string Slurp(const fs::path& inPath)
{
    std::ifstream in(inPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The 872 stations, with the values of the CSV file they were converted from, at their CSV positions.
TEST_F(VaneDemoDataTest, StationsReadAsTheirSourceFile)
{
    SKY_NEED_TESTDATA_FILE(csv, "obs/PressQFF_202007271200_872.csv");
    DxObsManager* manager = Configured("europe-qff", kDxManagerNone, &DxSet::ObsManager);
    ASSERT_NE(manager, nullptr);
    const CxDate date(2020, 7, 27, 12, 0, 0, 0);
    DxObsClient client;
    client.AddParm(DxParm("pmsl", "pmsl", kDxTypeFloat, DxUnit("mbar"), DxUnitSet(), 1.0));
    client.SetSet(DxSet::FindExistingSet("europe-qff"));
    client.SetDates(date, date);
    client.SetDisplayDate(date);
    client.RefreshClient();
    ASSERT_TRUE(pf::MainLoop().RunUntil([&] { return client.Table() != nullptr; }, kArrival)) << DataLog();
    const DxTable* table = client.Table();
    EXPECT_EQ(table->Date(), date);
    const DxFloatField* pmsl = table->FindFloatField("pmsl:mbar");
    const DxFloatField* lat = table->FindFloatField("lat:degr");
    const DxFloatField* lon = table->FindFloatField("lon:degr");
    ASSERT_TRUE(pmsl && lat && lon);
    std::ifstream in(csv);
    std::string line;
    std::getline(in, line);
    std::size_t row = 0;
    for (; std::getline(in, line) && row < pmsl->size(); ++row)
    {
        double latitude = 0, longitude = 0, value = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "%lf,%lf,%lf", &latitude, &longitude, &value), 3) << line;
        // The Kdf file holds the CSV's text: the float fields agree to their own precision.
        EXPECT_NEAR((*pmsl)[row], value, 1e-4) << row;
        EXPECT_NEAR((*lat)[row], latitude, 1e-5) << row;
        EXPECT_NEAR((*lon)[row], longitude, 1e-5) << row;
    }
    EXPECT_EQ(row, 872u);
    EXPECT_EQ(pmsl->size(), 872u);
    const std::string log = DataLog();
    EXPECT_NE(log.find(" europe-qff GET " + mBase + "/europe-qff/data/202007271200.kdf -- "), std::string::npos) << log;
    EXPECT_FALSE(HasQuery(log)) << log;
}

// The N0Q client gets the image the reader makes of the shared file, found by a HEAD probe and no date query.
TEST_F(VaneDemoDataTest, RadarProductFoundByProbe)
{
    SKY_NEED_TESTDATA_FILE(file, "nexrad3/KBMX_SDUS54_N0QBMX_201501020205");
    DxNidsManager* manager = Configured("kbmx-nexrad3", kDxManagerNone, &DxSet::NidsManager);
    ASSERT_NE(manager, nullptr);
    const CxDate date(2015, 1, 2, 2, 5, 0, 0);
    DxNidsClient client;
    client.SetSite(DxNidsSite("KBMX", ""));
    client.SetProduct(DxNidsProduct("N0Q", "", "N0Q", DxUnit()));
    client.SetSet(DxSet::FindExistingSet("kbmx-nexrad3"));
    client.SetDates(date, date);
    client.SetDisplayDate(date);
    client.RefreshClient();
    ASSERT_TRUE(pf::MainLoop().RunUntil([&] { return client.Image() != nullptr; }, kArrival)) << DataLog();
    const auto* image = dynamic_cast<const DxIndexedImage*>(client.Image());
    ASSERT_NE(image, nullptr);

    const std::string bytes = Slurp(file);
    NidsLevelThreeParser parser;
    const std::unique_ptr<DxIndexedImage> theirs(
        parser.Parse(reinterpret_cast<const CxUint8*>(bytes.data()), bytes.size(), {}, {manager->FindRadialInfo(94)}));
    ASSERT_NE(theirs, nullptr);
    ASSERT_EQ(std::pair(image->Width(), image->Height()), std::pair(theirs->Width(), theirs->Height()));
    EXPECT_EQ(std::memcmp(image->Pixels(), theirs->Pixels(), std::size_t(image->Width()) * image->Height()), 0);
    EXPECT_TRUE(image->GetColors() == theirs->GetColors());
    EXPECT_EQ(image->GetColors().size(), 256u);
    EXPECT_EQ(manager->FindNidsSite(DxNidsSite("KBMX", "")).Name(), "Birmingham, AL");

    const std::string log = DataLog();
    const std::string url = mBase + "/kbmx-nexrad3/data/BMX/N0Q/201501020205.nids";
    EXPECT_NE(log.find(" kbmx-nexrad3 HEAD " + url + " -- 200"), std::string::npos) << log;
    EXPECT_NE(log.find(" kbmx-nexrad3 GET " + url + " -- "), std::string::npos) << log;
    EXPECT_FALSE(HasQuery(log)) << log;
}

// The country outlines: the shape the reader makes of the shared file, 177 records.
TEST_F(VaneDemoDataTest, OutlinesReadAsTheirSourceFile)
{
    SKY_NEED_TESTDATA(data);
    DxShapeManager* manager = Configured("natural-earth", kDxManagerNone, &DxSet::ShapeManager);
    ASSERT_NE(manager, nullptr);
    DxShapeClient client;
    client.SetRegion("world");
    client.SetFeature("naturalearth_lowres");
    client.SetSet(DxSet::FindExistingSet("natural-earth"));
    client.RefreshClient();
    ASSERT_TRUE(pf::MainLoop().RunUntil([&] { return client.Shape() != nullptr; }, kArrival)) << DataLog();
    const std::string shp = Slurp(data + "/shapefile/naturalearth_lowres.shp");
    CxData copy(shp.data(), CxUint32(shp.size()));
    const std::unique_ptr<DxShape> theirs(DxShapeParser().ParseShape(copy));
    ASSERT_NE(theirs, nullptr);
    EXPECT_EQ(std::pair(client.Shape()->CountPolygons(), client.Shape()->CountPoints()),
              std::pair(theirs->CountPolygons(), theirs->CountPoints()));
    // The index file: a 100-byte header and 8 bytes a record.
    EXPECT_EQ((fs::file_size(kDemo + "/natural-earth/data/world/naturalearth_lowres.shx") - 100) / 8, 177u);
}

// The converter on the shared test data writes exactly the committed files, and no others.
TEST(VaneDemoData, ConverterReproducesTheBundledFiles)
{
    SKY_NEED_TESTDATA(data);
    sky::test::TempHome home;
    const fs::path out = fs::path(home.Path()) / "demo";
    const std::string command = "python3 " + std::string(SKYVANE_SOURCE_DIR) +
                                "/scripts/make_demo_data.py --testdata " + data + " --out " + out.string() +
                                " > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::set<std::string> made;
    for (const auto& entry : fs::recursive_directory_iterator(out))
        if (entry.is_regular_file())
            made.insert(fs::relative(entry.path(), out).string());
    ASSERT_GE(made.size(), 18u);
    for (const std::string& file : made)
        EXPECT_EQ(Slurp(out / file), Slurp(fs::path(kDemo) / file)) << file;
    // Every file of a set folder in the repository is one the converter makes.
    for (const char* set : {"europe-qff", "kbmx-nexrad3", "natural-earth"})
    {
        for (const auto& entry : fs::recursive_directory_iterator(fs::path(kDemo) / set))
        {
            if (entry.is_regular_file())
            {
                EXPECT_EQ(made.count(fs::relative(entry.path(), kDemo).string()), 1u) << entry.path();
            }
        }
    }
}

} // namespace
