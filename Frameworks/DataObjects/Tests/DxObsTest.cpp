#include "../../CoreObjects/Tests/CxDateTestHelpers.h"
#include "CxDebug.h"
#include "CxEvents.h"
#include "CxJob.h"
#include "CxLog.h"
#include "DxAnalysis.h"
#include "DxConfigTestSupport.h"
#include "DxDataBuilder.h"
#include "DxFrame.h"
#include "DxLogger.h"
#include "DxMetFormulas.h"
#include "DxObsClient.h"
#include "DxObsManager.h"
#include "DxSet.h"
#include "GxProjection.h"
#include "LoopbackServer.h"
#include "PfRunLoop.h"
#include "TestLatch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <fstream>
#include <sstream>
#include <thread>

namespace
{

const CxDate kNow(2020, 7, 27, 12, 0, 0, 0);

DxParm Parm(const char* inId, const char* inUnit, DxType inType = kDxTypeFloat)
{
    return DxParm(inId, inId, inType, DxUnit(inUnit), DxUnitSet(), 1.0);
}

// Stations: two listed in siteinfo.xml, one not; temperatures and dew points in Fahrenheit, pressure in mbar.
const std::string kKdf = "101\n3 2020 7 27 12 0 0\nSTID STNM TIME TMPF DWPF PRES\n"
                         "HBR01 1 0 86 68 1010\nHBR03 2 0 50 41 1020\nXYZ99 3 0 68 50 1000\n";

class DxObsTest : public dxtest::UnitTableTest
{
protected:
    void SetUp() override
    {
        UnitTableTest::SetUp();
        setenv("SKYVANE_SERVER_REGISTRY", mServer.Base().c_str(), 1);
        DxSet::RebuildRegistryUrlForTesting();
        DxManager::SetRootDataFolder(CxFolder(CxFileRef{mHome.Path()}));
        DxManager::SetRootCacheFolder(CxFolder(CxFileRef{mHome.Path()}));
        DxLogger::Instance().AttachLog(new CxLog(CxFolder(kCxLogsFolder).CreateFile("data.log")));
        pf::MainLoop().ResetForTesting(pf::ClockKind::kVirtual);
        ASSERT_EQ(CxInstallEventHandler(), 0);
        for (auto [type, id] : {std::pair{100, 1}, {100, 2}, {101, 5}, {102, 7}})
            mThreads.push_back(std::make_unique<CxJobThread>(type, id));
        mServer.AddDocument(
            "/nimbrel/registry.php", 200, "text/xml",
            dxtest::Document("datasetconfig", std::string(R"(<property id="type" value="kdf"/>
            <property id="baseUrl" value="@BASE@/"/><property id="parmInfoUrl" value="parminfo.xml"/>
            <property id="siteInfoUrl" value="siteinfo.xml"/><property id="dataUrlFormat" value="kdf/%04Y%02m%02d%02H.kdf"/>)") +
                                                  "<property id=\"dataResolution\" value=\"3600\" units=\"secs\"/>"));
        mServer.AddDocument("/kdf/2020072712.kdf", 200, "application/kdf", kKdf);
        mServer.AddDocument("/parminfo.xml", 200, "text/xml", dxtest::Document("parminfo", R"(
            <parm id="tmpf" type="float" units="fahr"/><parm id="dwpf" type="float" units="fahr"/>
            <parm id="pres" type="float" units="mbar"/><parm id="lat" type="float" units="degr"/>
            <derivation id="relh" func="relh" args="tmpf dwpf"/><derivation id="heat" func="heat" args="tmpf relh"/>
            <derivation id="aaa" func="diff" args="bbb tmpf"/><derivation id="bbb" func="diff" args="aaa tmpf"/>)"));
        mServer.AddDocument("/siteinfo.xml", 200, "text/xml", dxtest::FixtureText("siteinfo.xml"));
        mSet = DxSet::FindOrCreateSet("obs", kDxManagerShp);
        mManager = mSet->ObsManager();
        ASSERT_NE(mManager, nullptr);
        ASSERT_TRUE(mManager->PerformConfigUpdate());
    }
    void TearDown() override
    {
        mThreads.clear();
        DxSet::DeleteAllSets();
        CxRemoveEventHandler();
        pf::MainLoop().ResetForTesting(pf::ClockKind::kReal);
        unsetenv("SKYVANE_SERVER_REGISTRY");
        DxSet::RebuildRegistryUrlForTesting();
        UnitTableTest::TearDown();
    }
    std::unique_ptr<DxFrame> Build(DxObsClient& ioClient, const std::string& inBody, const char* inMime)
    {
        CxData data = dxtest::Bytes(inBody);
        CxAutoLock lock(mManager->Region());
        DxDataBuilder builder(mManager, data, inMime);
        if (ioClient.FrameType() == kDxFrameGrid)
            return std::unique_ptr<DxFrame>(builder.BuildGrid(&ioClient));
        return std::unique_ptr<DxFrame>(builder.BuildTable(&ioClient));
    }

    sky::test::TempHome mHome;
    sky::test::ScopedNow mNow{[] { return kNow.AbsoluteTime(); }};
    sky::test::LoopbackServer mServer;
    std::vector<std::unique_ptr<CxJobThread>> mThreads;
    DxSet* mSet = nullptr;
    DxObsManager* mManager = nullptr;
};

TEST_F(DxObsTest, ConfigurationJoinsUrlsAndStripsDateWidths)
{
    EXPECT_EQ(mManager->DataUrlFormat(), CxString::FromUtf8(mServer.Url("/kdf/%Y%m%d%H.kdf")));
    EXPECT_EQ(mManager->SiteInfoUrl(), CxString::FromUtf8(mServer.Url("/siteinfo.xml")));
    EXPECT_EQ(mManager->ConfigUrl(), CxString::FromUtf8(mServer.Url("/nimbrel/registry.php?id=obs")));
    CxData https = dxtest::Bytes(dxtest::Document("datasetconfig", R"(<property id="baseUrl" value="http://b/"/>
        <property id="configUrl" value="https://c/config.xml"/>)"));
    ASSERT_TRUE(mManager->ParseConfig(https));
    EXPECT_EQ(mManager->ConfigUrl(), "https://c/config.xml");
    CxData broken = dxtest::Bytes("<datasetconfig");
    EXPECT_FALSE(mManager->ParseConfig(broken));
    EXPECT_EQ(mManager->Status(), "Invalid config.xml.");
    EXPECT_EQ(mManager->FindParm("nope").Unit().Id(), "nada");
}

// Fields requested in any order, arguments converted in place by a derivation included, end up the same.
TEST_F(DxObsTest, TablesAgreeWhateverTheRequestOrder)
{
    const double nan = std::nan("");
    const double tmpc = (86.0 - 32.0) / 1.8, dwpc = (68.0 - 32.0) / 1.8;
    const double relh = DxRelh(tmpc, dwpc);
    const struct
    {
        const char* mKey;
        double mFirst; // value for HBR01
        double mLast;  // value for XYZ99, absent from the site list
    } expected[] = {{"tmpf:fahr", 86, 68},
                    {"dwpf:cels", dwpc, 10},
                    {"pres:mbar", 1010, 1000},
                    {"relh:prct", relh, DxRelh(20, 10)},
                    {"heat:fahr", DxHeat(86, relh), DxHeat(68, DxRelh(20, 10))},
                    {"lat:degr", 44.6476, nan},
                    {"lon:degr", -63.5728, nan}};
    const std::vector<std::vector<DxParm>> orders = {
        {Parm("tmpf", "fahr"), Parm("dwpf", "cels"), Parm("pres", "mbar"), Parm("relh", "prct"), Parm("heat", "fahr")},
        {Parm("heat", "fahr"), Parm("relh", "prct"), Parm("dwpf", "cels"), Parm("tmpf", "fahr"), Parm("pres", "mbar")},
        {Parm("relh", "prct"), Parm("pres", "mbar"), Parm("tmpf", "fahr"), Parm("heat", "fahr"), Parm("dwpf", "cels")}};
    for (const auto& order : orders)
    {
        DxObsClient client;
        for (const DxParm& parm : order)
            client.AddParm(parm);
        client.SetSet(mSet);
        const std::unique_ptr<DxFrame> table = Build(client, kKdf, "application/kdf");
        ASSERT_NE(table, nullptr);
        for (const auto& e : expected)
        {
            const DxFloatField* field = table->FindFloatField(e.mKey);
            ASSERT_NE(field, nullptr) << e.mKey;
            ASSERT_EQ(field->size(), 3u);
            EXPECT_NEAR(field->front(), e.mFirst, 1e-9) << e.mKey;
            EXPECT_TRUE(std::isnan(e.mLast) ? std::isnan(field->back()) : std::abs(field->back() - e.mLast) < 1e-9)
                << e.mKey;
        }
        EXPECT_EQ(table->FindStringField("name:nada")->front(), "Harbour Light");
    }
}

TEST_F(DxObsTest, BuilderEdges)
{
    const std::string grid = "<grid><projection id=\"degree\"/><gridOrigin lat=\"1\" lon=\"2\"/><gridSize "
                             "width=\"3\" height=\"2\"/><cellSize width=\"1\" height=\"1\"/><field id=\"tmpf\" "
                             "type=\"float\">1 2 3 4 5 6</field></grid>";
    const struct
    {
        const char* mWhat;
        std::vector<DxParm> mParms;
        DxFrameType mType;
        std::string mBody;
        const char* mMime;
        const char* mKey; // null when no frame is expected
        std::size_t mCount;
        bool mCycleLine = false;
    } cases[] = {
        {"temperature in mbar stays", {Parm("tmpf", "mbar")}, kDxFrameTable, kKdf, "application/kdf", "tmpf:mbar", 3},
        {"cycle reported, others built",
         {Parm("aaa", "celsd"), Parm("pres", "mbar")},
         kDxFrameTable,
         kKdf,
         "application/kdf",
         "pres:mbar",
         3,
         true},
        {"grid file as grid", {Parm("tmpf", "fahr")}, kDxFrameGrid, grid, "text/wxml", "tmpf:fahr", 6},
        {"grid file as table", {Parm("tmpf", "fahr")}, kDxFrameTable, grid, "text/wxml", "lat:degr", 6},
        {"grid takes no station copy", {Parm("lat", "degr")}, kDxFrameGrid, grid, "text/wxml", nullptr, 0},
        {"no position anywhere",
         {Parm("tmpf", "fahr")},
         kDxFrameTable,
         "101\n3 2020 7 27 12 0 0\nSTID TMPF\nQQ 1\n",
         "application/kdf",
         nullptr,
         0},
        {"unknown content type", {Parm("tmpf", "fahr")}, kDxFrameTable, kKdf, "text/plain", nullptr, 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mWhat);
        CxDebugCapture capture;
        DxObsClient client;
        for (const DxParm& parm : c.mParms)
            client.AddParm(parm);
        client.SetFrameType(c.mType);
        client.SetSet(mSet);
        const std::unique_ptr<DxFrame> frame = Build(client, c.mBody, c.mMime);
        ASSERT_EQ(frame != nullptr, c.mKey != nullptr);
        EXPECT_EQ(capture.Contains("can't recursively derive aaa"), c.mCycleLine);
        if (frame == nullptr)
            continue;
        const DxFloatField* field = frame->FindFloatField(c.mKey);
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(field->size(), c.mCount);
    }
    // Grid points as a table, row by row from the origin.
    DxObsClient client;
    client.AddParm(Parm("tmpf", "fahr"));
    client.SetSet(mSet);
    const std::unique_ptr<DxFrame> table = Build(client, grid, "text/wxml");
    ASSERT_NE(table, nullptr);
    const std::vector<double> lats{1, 1, 1, 2, 2, 2}, lons{2, 3, 4, 2, 3, 4};
    EXPECT_EQ(*table->FindFloatField("lat:degr"), lats);
    EXPECT_EQ(*table->FindFloatField("lon:degr"), lons);
}

// Through the set's kind and the job threads: a table client and a grid client each get their frame.
TEST_F(DxObsTest, FilesReachTableAndGridClients)
{
    ASSERT_EQ(mSet->Kind(), kDxManagerKdf);
    DxObsClient table, grid;
    grid.SetFrameType(kDxFrameGrid);
    for (DxObsClient* client : {&table, &grid})
    {
        client->AddParm(Parm("tmpf", "cels"));
        client->AddParm(Parm("relh", "prct"));
        client->SetSet(mSet);
        client->SetDates(kNow - 3600.0, kNow);
        client->SetDisplayDate(kNow);
        client->RefreshClient();
    }
    ASSERT_TRUE(
        pf::MainLoop().RunUntil([&] { return table.Table() != nullptr && grid.Grid() != nullptr; }, sky::test::kBound));
    EXPECT_NEAR(table.Table()->FindFloatField("tmpf:cels")->front(), 30.0, 1e-9);
    EXPECT_EQ(table.Table()->FindStringField("name:nada")->front(), "Harbour Light");
    EXPECT_EQ(table.Table()->Date(), kNow);
    EXPECT_NE(grid.Grid()->FindFloatField("relh:prct"), nullptr);
}

// What a refresh answers and leaves in the status, by the reply to the configuration request.
TEST_F(DxObsTest, RefreshStatuses)
{
    mServer.AddDocument("/denied.xml", 401, "text/xml", "").NoLastModified();
    const sky::test::ClosedPort closed;
    const struct
    {
        std::string mConfigUrl;
        const char* mStatus;
        std::string mLogged; // a data-log line
    } cases[] = {{"", "Idle.", mServer.Url("/nimbrel/registry.php?id=obs") + " -- 304"},
                 {mServer.Url("/denied.xml"), "Authentication failed.", mServer.Url("/denied.xml") + " -- 401"},
                 {closed.Url("/c.xml"), "Configuration host unreachable.", closed.Url("/c.xml") + " -- 0"}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mConfigUrl);
        CxData config = dxtest::Bytes(dxtest::Document(
            "datasetconfig", "<property id=\"configUrl\" value=\"" + c.mConfigUrl +
                                 "\"/><property id=\"parmInfoUrl\" value=\"" + mServer.Url("/parminfo.xml") + "\"/>"));
        ASSERT_TRUE(mManager->ParseConfig(config));
        EXPECT_FALSE(mManager->PerformConfigUpdate());
        EXPECT_EQ(mManager->Status(), c.mStatus);
        std::ifstream in(mHome.Path() + "/.local/state/skyvane/data.log");
        std::ostringstream log;
        log << in.rdbuf();
        EXPECT_NE(log.str().find("12:00:00 obs GET " + c.mLogged + "\n"), std::string::npos) << log.str();
    }
}

// Real QFF observations analysed into a grid: the same grid as the analysis run by hand on the same positions.
TEST_F(DxObsTest, StationFileAnalysedLikeTheAnalysisAlone)
{
    std::ifstream csv(std::string(SKYVANE_SOURCE_DIR) + "/../shared/testdata/obs/PressQFF_202007271200_872.csv");
    ASSERT_TRUE(csv.good());
    std::string line;
    std::getline(csv, line);
    std::ostringstream kdf("101\n3 2020 7 27 12 0 0\nSTID STNM TIME LAT LON PRES\n", std::ios::ate);
    const GxFlatProjection flat(GxPosition().FromDegrees(-100.0, 35.48));
    std::vector<double> xs, ys, values;
    for (int i = 0; std::getline(csv, line); ++i)
    {
        double lat = 0, lon = 0, value = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "%lf,%lf,%lf", &lat, &lon, &value), 3);
        kdf << "S" << i << " " << i << " 0 " << line.substr(0, line.find(',')) << " "
            << line.substr(line.find(',') + 1, line.rfind(',') - line.find(',') - 1) << " "
            << line.substr(line.rfind(',') + 1) << "\n";
        const GxPoint point = flat.Project(GxPosition().FromDegrees(lon, lat));
        xs.push_back(point.mX);
        ys.push_back(point.mY);
        values.push_back(value);
    }
    DxAnalysis expected(xs, ys, 4);
    ASSERT_TRUE(expected.HasGrid());
    if (expected.Width() * expected.Height() > 4000)
        expected.SetNumPass(1);
    expected.mLowerBound = *std::min_element(values.begin(), values.end());
    expected.mUpperBound = *std::max_element(values.begin(), values.end());
    expected.mUseLowerBound = expected.mUseUpperBound = true;
    expected.Analyze(values);
    DxObsClient client;
    client.AddParm(Parm("pres", "mbar"));
    client.SetFrameType(kDxFrameGrid);
    client.SetSet(mSet);
    const std::unique_ptr<DxFrame> grid = Build(client, kdf.str(), "application/kdf");
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(static_cast<DxGrid&>(*grid).Width(), expected.Width());
    const DxFloatField* field = grid->FindFloatField("pres:mbar");
    ASSERT_NE(field, nullptr);
    ASSERT_EQ(field->size(), expected.Grid().size());
    for (std::size_t i = 0; i < field->size(); ++i)
        ASSERT_TRUE((std::isnan((*field)[i]) && std::isnan(expected.Grid()[i])) || (*field)[i] == expected.Grid()[i])
            << i;
}

// A bad XKDF file throws out of the builder's construction; nothing leaks (the sanitizer watches).
TEST_F(DxObsTest, RefusedXkdfLeaksNothing)
{
    DxObsClient client;
    client.AddParm(Parm("tmpf", "fahr"));
    client.SetSet(mSet);
    EXPECT_ANY_THROW(Build(client, "<?kdf version=\"2.0\"?><kdf><table></table></kdf>", "text/xkdf"));
}

// Builds on one thread, list refreshes on another, request changes on the main thread.
TEST_F(DxObsTest, RequestChangesRaceBuildsAndRefreshes)
{
    DxObsClient client;
    client.AddParm(Parm("tmpf", "fahr"));
    client.AddParm(Parm("relh", "prct"));
    client.SetSet(mSet);
    std::atomic<bool> done{false};
    std::thread builder(
        [&]
        {
            while (!done)
                Build(client, kKdf, "application/kdf");
        });
    std::thread refresher(
        [&]
        {
            const std::string list = dxtest::Document("parminfo", R"(<parm id="tmpf" type="float" units="fahr"/>)");
            while (!done)
            {
                CxData data = dxtest::Bytes(list);
                mManager->ParseParmList(data);
            }
        });
    for (int i = 0; i < 200; ++i)
    {
        client.SetFrameType(i % 2 == 0 ? kDxFrameGrid : kDxFrameTable);
        client.SetWantsEverything(i % 3 == 0);
        client.AddParm(Parm("pres", "mbar"));
        DxParm parm = Parm("dwpf", "fahr");
        client.UpdateParm(parm);
        client.RemoveParm(Parm("pres", "mbar"));
    }
    done = true;
    builder.join();
    refresher.join();
    EXPECT_EQ(client.CountParms(), 2u);
}

} // namespace
