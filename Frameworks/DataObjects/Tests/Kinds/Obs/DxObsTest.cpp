#include "CxDebug.h"
#include "DxAnalysis.h"
#include "DxDataBuilder.h"
#include "DxFrame.h"
#include "DxManagerFixture.h"
#include "DxMetFormulas.h"
#include "DxObsClient.h"
#include "DxObsManager.h"
#include "DxSet.h"
#include "GxProjection.h"
#include "PfRunLoop.h"
#include "TestLatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
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

class DxObsTest : public dxtest::ManagerTest
{
protected:
    DxObsTest() : ManagerTest(kNow) {}
    void SetUp() override
    {
        ManagerTest::SetUp();
        mServer.AddDocument("/nimbrel/registry.php", 200, "text/xml", dxtest::Document("datasetconfig", R"(
            <property id="type" value="kdf"/><property id="baseUrl" value="@BASE@/"/>
            <property id="parmInfoUrl" value="parminfo.xml"/><property id="siteInfoUrl" value="siteinfo.xml"/>
            <property id="dataUrlFormat" value="kdf/%04Y%02m%02d%02H.kdf"/>
            <property id="dataResolution" value="3600" units="secs"/>)"));
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
    std::unique_ptr<DxFrame> Build(DxObsClient& ioClient, const std::string& inBody, const char* inMime)
    {
        CxData data = dxtest::Bytes(inBody);
        CxAutoLock lock(mManager->Region());
        DxDataBuilder builder(mManager, data, inMime);
        return std::unique_ptr<DxFrame>(ioClient.FrameType() == kDxFrameGrid
                                            ? builder.BuildGrid(&ioClient)
                                            : static_cast<DxFrame*>(builder.BuildTable(&ioClient)));
    }

    DxSet* mSet = nullptr;
    DxObsManager* mManager = nullptr;
};

TEST_F(DxObsTest, ConfigurationJoinsUrlsAndStripsDateWidths)
{
    EXPECT_EQ(mManager->DataUrlFormat(), CxString::FromUtf8(mServer.Url("/kdf/%Y%m%d%H.kdf")));
    EXPECT_EQ(mManager->ConfigUrl(), CxString::FromUtf8(mServer.Url("/nimbrel/registry.php?id=obs")));
    CxData https = dxtest::Bytes(dxtest::Document("datasetconfig", R"(<property id="baseUrl" value="http://b/"/>
        <property id="configUrl" value="https://c/config.xml"/>)"));
    ASSERT_TRUE(mManager->ParseConfig(https));
    EXPECT_EQ(mManager->ConfigUrl(), "https://c/config.xml");
    CxData broken = dxtest::Bytes("<datasetconfig");
    EXPECT_FALSE(mManager->ParseConfig(broken));
    EXPECT_EQ(mManager->Status(), "Invalid config.xml.");
    EXPECT_EQ(mManager->FindParm("nope").Unit().Id(), "nada");

    // The offset moves the grid of the year that dates are clipped to.
    for (auto [offset, clipped] :
         {std::pair{"0", CxDate(2020, 7, 27, 10, 10, 0, 0)}, {"300", CxDate(2020, 7, 27, 10, 15, 0, 0)}})
    {
        CxData config = dxtest::Bytes(dxtest::Document(
            "datasetconfig", std::string(R"(<property id="dataResolution" value="600" units="secs"/>)") +
                                 R"(<property id="dataResolutionOffset" units="secs" value=")" + offset + R"("/>)"));
        ASSERT_TRUE(mManager->ParseConfig(config));
        EXPECT_EQ(mManager->ClipDate(CxDate(2020, 7, 27, 10, 17, 30, 0)).AsString(), clipped.AsString()) << offset;
    }
}

// Without a parameter list URL the refresh asks for the configuration and nothing else.
TEST_F(DxObsTest, NoListUrlsFetchNoLists)
{
    mServer.AddDocument("/bare.xml", 200, "text/xml", dxtest::Document("datasetconfig", ""));
    CxData config = dxtest::Bytes(
        dxtest::Document("datasetconfig", "<property id=\"configUrl\" value=\"" + mServer.Url("/bare.xml") + "\"/>"));
    ASSERT_TRUE(mManager->ParseConfig(config));
    const auto log = [&]
    {
        std::ostringstream text;
        text << std::ifstream(mHome.Path() + "/.local/state/skyvane/data.log").rdbuf();
        return text.str();
    };
    const std::size_t before = log().size();
    mManager->PerformConfigUpdate();
    const std::string added = log().substr(before);
    EXPECT_NE(added.find(" GET " + mServer.Url("/bare.xml")), std::string::npos) << added;
    EXPECT_EQ(std::count(added.begin(), added.end(), '\n'), 1) << added;
}

// An integer column builds as integers, named by the parameter list.
TEST_F(DxObsTest, AnIntegerParameterBuildsWithItsValuesAndName)
{
    CxData list = dxtest::Bytes(dxtest::Document(
        "parminfo", R"(<parm id="tmpf" type="float" units="fahr"/><parm id="stnm" type="integer" units="nada")"
                    R"( name="Station number"/>)"));
    ASSERT_TRUE(mManager->ParseParmList(list));
    DxObsClient client;
    client.AddParm(Parm("stnm", "nada", kDxTypeInteger));
    client.SetSet(mSet);
    const std::unique_ptr<DxFrame> table = Build(client, kKdf, "application/kdf");
    ASSERT_NE(table, nullptr);
    const DxIntField* numbers = table->FindIntField("stnm:nada");
    ASSERT_NE(numbers, nullptr);
    EXPECT_EQ(*numbers, (std::vector<CxSint32>{1, 2, 3}));
    EXPECT_EQ(numbers->Name(), "Station number");
}

// Fields requested in any order, arguments converted in place by a derivation included, end up the same.
TEST_F(DxObsTest, TablesAgreeWhateverTheRequestOrder)
{
    const double tmpc = (86.0 - 32.0) / 1.8, dwpc = (68.0 - 32.0) / 1.8;
    const double relh = DxRelh(tmpc, dwpc);
    // Key, value for HBR01, value for XYZ99 (a station the site list lacks).
    const std::tuple<const char*, double, double> expected[] = {
        {"tmpf:fahr", 86, 68},
        {"dwpf:cels", dwpc, 10},
        {"pres:mbar", 1010, 1000},
        {"relh:prct", relh, DxRelh(20, 10)},
        {"heat:fahr", DxHeat(86, relh), DxHeat(68, DxRelh(20, 10))},
        {"lat:degr", 44.6476, NAN},
        {"lon:degr", -63.5728, NAN}};
    const auto same = [](double inA, double inB)
    { return std::isnan(inA) ? std::isnan(inB) : std::abs(inA - inB) < 1e-9; };
    const auto matches = [&same](const DxFloatField* inField, double inFirst, double inLast)
    { return inField != nullptr && same(inFirst, inField->front()) && same(inLast, inField->back()); };
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
        for (const auto& [key, first, last] : expected)
            EXPECT_TRUE(matches(table->FindFloatField(key), first, last)) << key;
        EXPECT_EQ(table->FindStringField("name:nada")->front(), "Harbour Light");
    }
}

TEST_F(DxObsTest, BuilderEdges)
{
    const std::string grid = "<grid><projection id=\"degree\"/><gridOrigin lat=\"1\" lon=\"2\"/><gridSize "
                             "width=\"3\" height=\"2\"/><cellSize width=\"1\" height=\"1\"/><field id=\"tmpf\" "
                             "type=\"float\">1 2 3 4 5 6</field></grid>";
    const std::string none = "101\n3 2020 7 27 12 0 0\nSTID TMPF\nQQ 1\n"; // no position anywhere
    const char *kdf = "application/kdf", *wxml = "text/wxml";
    const struct
    {
        std::vector<DxParm> mParms;
        DxFrameType mType; // 0 table, 1 grid
        std::string mBody;
        const char* mMime;
        const char* mKey; // null when no frame is expected
        std::vector<double> mValues;
        bool mCycleLine = false;
    } cases[] = {
        {{Parm("tmpf", "mbar")}, 0, kKdf, kdf, "tmpf:mbar", {86, 50, 68}}, // mbar leaves a temperature alone
        {{Parm("aaa", "celsd"), Parm("pres", "mbar")}, 0, kKdf, kdf, "pres:mbar", {1010, 1020, 1000}, true},
        {{Parm("tmpf", "fahr")}, 1, grid, wxml, "tmpf:fahr", {1, 2, 3, 4, 5, 6}},
        {{Parm("tmpf", "fahr")}, 0, grid, wxml, "lat:degr", {1, 1, 1, 2, 2, 2}}, // grid points row by row
        {{Parm("tmpf", "fahr")}, 0, grid, wxml, "lon:degr", {2, 3, 4, 2, 3, 4}},
        {{Parm("lat", "degr")}, 1, grid, wxml, nullptr, {}}, // a grid takes no station copy
        {{Parm("tmpf", "fahr")}, 0, none, kdf, nullptr, {}},
        {{Parm("tmpf", "fahr")}, 0, kKdf, "text/plain", nullptr, {}},
    };
    DxObsClient bare; // a refused XKDF file throws out of the reader; the sanitizer checks that nothing leaks
    EXPECT_ANY_THROW(Build(bare, "<?kdf version=\"2.0\"?><kdf><table></table></kdf>", "text/xkdf"));
    for (const auto& c : cases)
    {
        SCOPED_TRACE(&c - cases);
        CxDebugCapture capture;
        DxObsClient client;
        for (const DxParm& parm : c.mParms)
            client.AddParm(parm);
        client.SetFrameType(c.mType);
        client.SetSet(mSet);
        const std::unique_ptr<DxFrame> frame = Build(client, c.mBody, c.mMime);
        ASSERT_EQ(frame != nullptr, c.mKey != nullptr);
        EXPECT_EQ(capture.Contains("can't recursively derive aaa"), c.mCycleLine);
        EXPECT_EQ(frame ? *frame->FindFloatField(c.mKey) : std::vector<double>{}, c.mValues);
    }
}

// Through the set's kind and the job threads a table client and a grid client each get their frame: from a Kdf
// file, from an XKDF file an hour older and from a netCDF grid two hours older (its table: the points row by row).
TEST_F(DxObsTest, FilesReachTableAndGridClients)
{
    const CxDate older = kNow - 3600.0, oldest = kNow - 7200.0;
    mServer.AddDocument("/kdf/2020072711.kdf", 200, "text/xkdf",
                        "<?kdf version=\"1.0d1\"?><kdf><table date=\"" + older.AsString().AsUtf8() +
                            "\"><fieldref id=\"stid\" type=\"string\"/><fieldref id=\"tmpf\" type=\"float\"/>"
                            "<fieldref id=\"dwpf\" type=\"float\"/><record>\"HBR01\",86,68</record>"
                            "<record>\"HBR03\",50,41</record></table></kdf>");
    const std::string cdl = mHome.Path() + "/g.cdl", nc = mHome.Path() + "/g.nc";
    std::ofstream(cdl) << "netcdf g { dimensions: lon = 3; lat = 2; variables: float tmpf(lat, lon);"
                          " :LatGridSpacing = 0.5; data: tmpf = 86, 50, 68, 86, 104, 122; }";
    ASSERT_EQ(std::system(("ncgen -k classic -o " + nc + " " + cdl).c_str()), 0);
    std::ostringstream netcdf;
    netcdf << std::ifstream(nc, std::ios::binary).rdbuf();
    mServer.AddDocument("/kdf/2020072710.kdf", 200, "application/netcdf", netcdf.str());
    const std::vector<double> temperatures = {30, 10, 20, 30, 40, 50};
    const struct
    {
        CxDate mDate;
        const char* mKey;
        std::vector<double> mTable, mGrid, mLats; // the grid and latitudes checked when given
    } cases[] = {{kNow, "relh:prct", {DxRelh(30, 20), DxRelh(10, 5), DxRelh(20, 10)}, {}, {}},
                 {older, "relh:prct", {DxRelh(30, 20), DxRelh(10, 5)}, {}, {}},
                 {oldest, "tmpf:cels", temperatures, temperatures, {0, 0, 0, 0.5, 0.5, 0.5}}};
    const auto near = [](const DxFloatField* inField, const std::vector<double>& inValues)
    {
        bool equal = inField != nullptr && inField->size() == inValues.size();
        for (std::size_t i = 0; equal && i < inValues.size(); ++i)
            equal = std::abs((*inField)[i] - inValues[i]) < 1e-9;
        return equal;
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mDate.AsString().AsUtf8());
        DxObsClient table, grid;
        grid.SetFrameType(kDxFrameGrid);
        for (DxObsClient* client : {&table, &grid})
        {
            client->AddParm(Parm("tmpf", "cels"));
            if (c.mKey != std::string("tmpf:cels"))
                client->AddParm(Parm("relh", "prct"));
            client->SetSet(mSet);
            client->SetDates(c.mDate, c.mDate);
            client->SetDisplayDate(c.mDate);
            client->RefreshClient();
        }
        ASSERT_TRUE(pf::MainLoop().RunUntil([&] { return table.Table() != nullptr && grid.Grid() != nullptr; },
                                            sky::test::kBound));
        EXPECT_TRUE(near(table.Table()->FindFloatField(c.mKey), c.mTable));
        EXPECT_EQ(table.Table()->Date(), c.mDate);
        EXPECT_TRUE(c.mGrid.empty() ? grid.Grid()->FindFloatField(c.mKey) != nullptr
                                    : near(grid.Grid()->FindFloatField(c.mKey), c.mGrid));
        EXPECT_TRUE(c.mLats.empty() || near(table.Table()->FindFloatField("lat:degr"), c.mLats));
    }
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
        std::ostringstream log;
        log << std::ifstream(mHome.Path() + "/.local/state/skyvane/data.log").rdbuf();
        EXPECT_NE(log.str().find("12:00:00 obs GET " + c.mLogged + "\n"), std::string::npos) << log.str();
    }
}

// Real QFF observations analysed into a grid: the same grid as the analysis run by hand on the same positions.
// Stations analysed into a grid: the same grid as the analysis run by hand on the same positions, with four
// passes up to 4,000 cells and one above. Real QFF observations, and two columns of stations whose rows set the
// grid at 50x80 and 50x81.
TEST_F(DxObsTest, StationsAnalysedLikeTheAnalysisAlone)
{
    using Station = std::array<double, 3>; // latitude, longitude, value
    std::vector<Station> real, columns;
    std::ifstream csv(std::string(SKYVANE_SOURCE_DIR) + "/../shared/testdata/obs/PressQFF_202007271200_872.csv");
    ASSERT_TRUE(csv.good());
    csv.ignore(1 << 20, '\n'); // the header: station and column counts
    char comma = 0;
    for (Station station{}; csv >> station[0] >> comma >> station[1] >> comma >> station[2];)
        real.push_back(station);
    ASSERT_EQ(real.size(), 872u);
    for (int row = 0; row < 63; ++row)
        for (double lon : {-100.0, -100.0 + 3.72 / std::cos(35.48 * M_PI / 180.0)})
            columns.push_back({30.0 + 0.1 * row, lon, 1000.0 + row % 7 + lon});
    const struct
    {
        std::vector<Station> mStations;
        CxSint32 mWidth, mHeight, mPasses; // 0: whatever the real data gives
    } cases[] = {{real, 0, 0, 0}, {{columns.begin(), columns.end() - 2}, 50, 80, 4}, {columns, 50, 81, 1}};
    const GxFlatProjection flat(GxPosition().FromDegrees(-100.0, 35.48));
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mHeight);
        std::ostringstream kdf("101\n3 2020 7 27 12 0 0\nSTID STNM TIME LAT LON PRES\n", std::ios::ate);
        kdf.precision(17);
        std::vector<double> xs, ys, values;
        for (const Station& station : c.mStations)
        {
            kdf << "S" << values.size() << " " << values.size() << " 0 " << station[0] << " " << station[1] << " "
                << station[2] << "\n";
            const GxPoint point = flat.Project(GxPosition().FromDegrees(station[1], station[0]));
            xs.push_back(point.mX);
            ys.push_back(point.mY);
            values.push_back(station[2]);
        }
        DxAnalysis expected(xs, ys, 4);
        ASSERT_TRUE(expected.HasGrid());
        ASSERT_TRUE(c.mPasses == 0 || (expected.Width() == c.mWidth && expected.Height() == c.mHeight));
        expected.SetNumPass(c.mPasses != 0 ? c.mPasses : expected.Width() * expected.Height() > 4000 ? 1 : 4);
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
        const DxFloatField* field = grid->FindFloatField("pres:mbar");
        ASSERT_TRUE(field != nullptr && field->size() == expected.Grid().size());
        // Bit for bit, so that cells both leave empty (NaN) count as equal.
        EXPECT_EQ(std::memcmp(field->data(), expected.Grid().data(), field->size() * sizeof(double)), 0);
    }
}

// Request changes on the main thread while builds and list refreshes run on another.
TEST_F(DxObsTest, RequestChangesRaceBuildsAndRefreshes)
{
    DxObsClient client;
    client.AddParm(Parm("tmpf", "fahr"));
    client.AddParm(Parm("relh", "prct"));
    client.SetSet(mSet);
    std::atomic<bool> done{false};
    const std::string list = dxtest::Document("parminfo", R"(<parm id="tmpf" type="float" units="fahr"/>)");
    // The update job builds under the manager's lock; a configuration job refreshes and replaces the lists between
    // builds.
    std::thread jobs(
        [&]
        {
            for (CxData data; !done; data = dxtest::Bytes(list))
                Build(client, kKdf, "application/kdf"), mManager->ParseParmList(data), mManager->PerformConfigUpdate();
        });
    for (int i = 0; i < 200; ++i)
    {
        client.SetFrameType(i % 2 == 0 ? kDxFrameGrid : kDxFrameTable);
        client.SetWantsEverything(i % 3 == 0);
        client.AddParm(Parm("pres", "mbar"));
        DxParm parm = Parm("dwpf", "fahr");
        client.UpdateParm(parm);
        client.RemoveParm(Parm("pres", "mbar"));
        mSet->Manager(); // hands the set's key over while the refresh sends it
    }
    done = true;
    jobs.join();
    EXPECT_EQ(client.CountParms(), 2u);
}

} // namespace
