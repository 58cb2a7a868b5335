#include "../../CoreObjects/Tests/CxDateTestHelpers.h"
#include "CxLog.h"
#include "DxConfigTestSupport.h"
#include "DxFrame.h"
#include "DxKTSBuilder.h"
#include "DxLogger.h"
#include "DxSeriesClient.h"
#include "DxSeriesManager.h"
#include "DxSet.h"
#include "LoopbackServer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

namespace
{

const CxDate kNow(2020, 1, 5, 12, 0, 0, 0);

const std::string kParms = dxtest::Document("parminfo", R"(
    <parm id="time" name="Time" type="float" units="min"/>
    <parm id="tmpf" name="Temperature" type="float" units="fahr"/>
    <parm id="dwpf" name="Dew point" type="float" units="fahr"/>
    <parm id="lat" name="Latitude" type="float" units="degr"/>
    <derivation id="relh" func="relh" args="tmpf dwpf"/>
    <derivation id="aaa" func="diff" args="bbb tmpf"/>
    <derivation id="bbb" func="diff" args="aaa tmpf"/>)");

// Two stations an hour apart; only the first is in the site list.
const std::string kKts = "101\n2 2020 1 5 0 0 0\nSTID STNM TIME TMPF DWPF\nHBR01 1 0 50 41\nXYZ99 2 60 68 50\n";

DxParm Parm(const char* inId, const char* inUnit)
{
    return DxParm(inId, inId, kDxTypeFloat, DxUnit(inUnit), DxUnitSet(), 1.0);
}

class DxSeriesTest : public dxtest::UnitTableTest
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
        DxSet::GoOffline();
        mSet = DxSet::FindOrCreateSet("ts", kDxManagerKts);
        DxSet::GoOnline();
        mManager = mSet->SeriesManager();
        ASSERT_NE(mManager, nullptr);
        Configure("");
        CxData parms = dxtest::Bytes(kParms);
        ASSERT_TRUE(mManager->ParseParmList(parms));
        CxData sites = dxtest::Fixture("siteinfo.xml");
        ASSERT_TRUE(mManager->ParseSiteList(sites));
    }
    void TearDown() override
    {
        DxSet::DeleteAllSets();
        unsetenv("SKYVANE_SERVER_REGISTRY");
        DxSet::RebuildRegistryUrlForTesting();
        UnitTableTest::TearDown();
    }
    void Configure(const std::string& inProperties)
    {
        CxData config =
            dxtest::Bytes(dxtest::Document("datasetconfig", R"(<property id="type" value="kts"/>)" + inProperties));
        ASSERT_TRUE(mManager->ParseConfig(config));
    }
    std::string LastLog() const
    {
        std::ifstream in(mHome.Path() + "/.local/state/skyvane/data.log");
        std::string last;
        for (std::string line; std::getline(in, line);)
            last = line;
        return last;
    }

    sky::test::TempHome mHome;
    sky::test::ScopedNow mNow{[] { return kNow.AbsoluteTime(); }};
    sky::test::LoopbackServer mServer;
    DxSet* mSet = nullptr;
    DxSeriesManager* mManager = nullptr;
};

TEST_F(DxSeriesTest, BuildsTheRequestedColumns)
{
    const double nan = std::nan("");
    struct Case
    {
        const char* mWhat;
        std::vector<DxParm> mParms;
        bool mSubscribed;
        const char* mKey; // a column to read back, or null when no table is expected
        std::vector<double> mValues;
    };
    const Case cases[] = {
        {"file column, argument first",
         {Parm("time", "secs"), Parm("relh", "prct"), Parm("tmpf", "fahr")},
         true,
         "tmpf:fahr",
         {50, 68}},
        {"file column, argument last",
         {Parm("time", "secs"), Parm("tmpf", "fahr"), Parm("relh", "prct")},
         true,
         "tmpf:fahr",
         {50, 68}},
        {"converted", {Parm("tmpf", "cels"), Parm("time", "secs")}, true, "tmpf:cels", {10, 20}},
        {"minutes to seconds", {Parm("time", "secs")}, true, "time:secs", {0, 3600}},
        {"site list, unlisted station", {Parm("time", "secs"), Parm("lat", "degr")}, true, "lat:degr", {44.6476, nan}},
        {"derivation cycle", {Parm("time", "secs"), Parm("aaa", "celsd")}, true, nullptr, {}},
        {"no time in seconds", {Parm("tmpf", "fahr")}, true, nullptr, {}},
        {"client gone", {Parm("time", "secs")}, false, nullptr, {}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.mWhat);
        DxSeriesClient client;
        client.SetSite("HBR01");
        for (const DxParm& parm : c.mParms)
            client.AddParm(parm);
        if (c.mSubscribed)
            client.SetSet(mSet);
        CxData data = dxtest::Bytes(kKts);
        DxKTSBuilder builder(mManager, data);
        std::unique_ptr<DxTable> table(builder.BuildTable(&client));
        ASSERT_EQ(table != nullptr, c.mKey != nullptr);
        if (!table)
            continue;
        const DxFloatField* field = table->FindFloatField(c.mKey);
        ASSERT_NE(field, nullptr);
        ASSERT_EQ(field->size(), c.mValues.size());
        for (std::size_t row = 0; row < c.mValues.size(); ++row)
            if (std::isnan(c.mValues[row]))
                EXPECT_TRUE(std::isnan((*field)[row]));
            else
                EXPECT_NEAR((*field)[row], c.mValues[row], 1e-9);
    }
}

// Expected dates from tools/series_clip_dates.py.
TEST_F(DxSeriesTest, ClipsToTheLatestDataStep)
{
    struct Case
    {
        const char* mConfig;
        CxDate mDate;
        CxDate mClipped;
    };
    const Case cases[] = {
        {"", CxDate(2020, 3, 4, 12, 7, 41, 0), CxDate(2020, 3, 4, 12, 7, 0, 0)},
        {R"(<property id="dataResolution" value="300" units="secs"/>)", CxDate(2020, 3, 4, 12, 7, 41, 0),
         CxDate(2020, 3, 4, 12, 5, 0, 0)},
        {R"(<property id="dataResolution" value="300" units="secs"/>
            <property id="dataResolutionOffset" value="120" units="secs"/>)",
         CxDate(2020, 3, 4, 12, 7, 41, 0), CxDate(2020, 3, 4, 12, 7, 0, 0)},
        {R"(<property id="dataResolution" value="300" units="secs"/>
            <property id="dataResolutionOffset" value="120" units="secs"/>)",
         CxDate(2020, 3, 4, 12, 6, 59, 0), CxDate(2020, 3, 4, 12, 2, 0, 0)},
        {R"(<property id="fileResolution" value="86400" units="secs"/>
            <property id="dataResolution" value="3600" units="secs"/>
            <property id="dataResolutionOffset" value="1800" units="secs"/>)",
         CxDate(2021, 1, 1, 0, 10, 0, 0), CxDate(2020, 12, 31, 23, 30, 0, 0)},
    };
    for (const Case& c : cases)
    {
        Configure(c.mConfig);
        EXPECT_EQ(mManager->ClipDateToDataResolution(c.mDate), c.mClipped) << c.mConfig;
    }
}

TEST_F(DxSeriesTest, ListUrlsJoinTheBase)
{
    for (const auto& [url, joined] : std::initializer_list<std::pair<const char*, const char*>>{
             {"sites.xml", "http://h.example/b/sites.xml"},
             {"https://s.example/sites.xml", "https://s.example/sites.xml"}})
    {
        Configure(
            std::string(R"(<property id="baseUrl" value="http://h.example/b/"/><property id="siteInfoUrl" value=")") +
            url + "\"/>");
        EXPECT_EQ(mManager->SiteInfoUrl(), CxString(joined));
    }
}

TEST_F(DxSeriesTest, RefreshesInfoDocuments)
{
    const std::string config = dxtest::Document("datasetconfig", R"(<property id="type" value="kts"/>)");
    mServer.AddDocument("/own.xml", 200, "text/xml", config).LastModified(sky::test::UtcTime(2019, 6, 1, 0, 0, 0));
    mServer.AddDocument("/denied.xml", 401, "text/xml", "");
    mServer.AddDocument("/gone.xml", 404, "text/xml", "");
    mServer.AddDocument("/nimbrel/registry.php", 200, "text/xml", config);
    const sky::test::ClosedPort closed;
    const std::string registry = mServer.Url("/nimbrel/registry.php?id=ts");
    struct Case
    {
        std::string mUrl;
        CxSint32 mStatus;
        bool mStored;
        std::size_t mRequests;
        std::string mLog;
    };
    const Case cases[] = {
        {mServer.Url("/own.xml"), 200, true, 1, "12:00:00 ts GET " + mServer.Url("/own.xml") + " -- 200"},
        {mServer.Url("/own.xml"), 304, false, 1, "12:00:00 ts GET " + mServer.Url("/own.xml") + " -- 304"},
        {mServer.Url("/denied.xml"), 401, false, 2, "12:00:00 ts GET " + mServer.Url("/denied.xml") + " -- 401"},
        {mServer.Url("/gone.xml"), 200, true, 2, "12:00:00 ts GET " + registry + " -- 200"},
        {closed.Url("/c.xml"), 0, false, 0, "12:00:00 ts GET " + closed.Url("/c.xml") + " -- 0"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.mUrl);
        mServer.ClearLog();
        const auto result =
            mManager->RefreshInfoDocument(CxString::FromUtf8(c.mUrl), "config.xml", true,
                                          [this](CxData& ioData) { return mManager->ParseConfig(ioData); });
        EXPECT_EQ(result.mStatus, c.mStatus);
        EXPECT_EQ(result.mStored, c.mStored);
        EXPECT_EQ(mServer.RequestCount(), c.mRequests);
        EXPECT_EQ(LastLog(), c.mLog);
    }
    // The registry's own 404 is final.
    mServer.AddDocument("/nimbrel/registry.php", 404, "text/xml", "").NoLastModified();
    EXPECT_EQ(
        mManager->RefreshInfoDocument(CxString::FromUtf8(registry), "config.xml", true, [](CxData&) { return true; })
            .mStatus,
        404);
    EXPECT_EQ(mServer.RequestCount(), 1u);
}

} // namespace
