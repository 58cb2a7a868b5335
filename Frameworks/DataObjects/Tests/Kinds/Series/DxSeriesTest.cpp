#include "CxPreferences.h"
#include "DxConfigParsers.h"
#include "DxFrame.h"
#include "DxKTSBuilder.h"
#include "DxMetFormulas.h"
#include "DxSeriesClient.h"
#include "DxSeriesManager.h"
#include "DxSet.h"
#include "DxSetTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

namespace
{

using namespace dxtest;

// Day, then rows of station, number, minutes, tmpf, dwpf.
std::string Kts(const char* inDay, const char* inRows)
{
    return std::string("101\n2 2020 1 ") + inDay + " 0 0 0\nSTID STNM TIME TMPF DWPF\n" + inRows;
}

DxParm Parm(const char* inId, const char* inUnit)
{
    return DxParm(inId, inId, kDxTypeFloat, DxUnit(inUnit), DxUnitSet(), 1.0);
}

TEST_F(DxSetTest, RegistryReplyDecidesKindAndName)
{
    const std::string kts = Config(R"(<property id="type" value="kts"/>)");
    const struct
    {
        const char* mWhat;
        int mStatus;
        std::string mBody;
        CxSint32 mKind;
        const char* mName;
        std::size_t mRequests;
    } cases[] = {
        {"typed and named", 200, Config(R"(<property id="type" value="kts"/><property id="name" value="S"/>)"), 7, "S",
         1},
        {"station urls infer kdf", 200, Config(R"(<property id="parmInfoUrl" value="p.xml"/>)"), 1, "", 1},
        {"series urls infer nothing", 200,
         Config(R"(<property id="parmInfoUrl" value="p"/><property id="timeSeriesUrlFormat" value="t"/>)"), 3, "ts", 1},
        {"png is an image", 200, Config(R"(<property id="type" value="png"/>)"), 4, "", 1},
        {"mosaic unsupported", 200, Config(R"(<property id="type" value="mosaic"/>)"), 3, "ts", 1},
        {"html page", 200, "<html><body>maintenance</body></html>", 3, "ts", 1},
        {"newer version", 200, dxtest::Document("datasetconfig", R"(<property id="type" value="kts"/>)", "2.0"), 3,
         "ts", 1},
        {"not found", 404, kts, 3, "ts", 1},
        {"offline", 200, kts, 3, "ts", 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mWhat);
        Reply(c.mStatus, c.mBody);
        mServer.ClearLog();
        if (c.mRequests == 0)
            DxSet::GoOffline();
        DxSet* set = DxSet::FindOrCreateSet("ts", 3);
        EXPECT_EQ(set->Kind(), c.mKind);
        EXPECT_EQ(set->Name(), CxString(c.mName));
        // Known now: the same set whatever kind is asked, and no second request.
        EXPECT_EQ(DxSet::FindOrCreateSet("ts", 8), set);
        EXPECT_EQ(mServer.RequestCount(), c.mRequests);
        DxSet::DeleteAllSets();
        DxSet::GoOnline();
    }
    Reply(404, "");
    mServer.ClearLog();
    DxSet::FindOrCreateSet("a&b c#d~e.f", 1);
    ASSERT_EQ(mServer.RequestCount(), 1u);
    EXPECT_EQ(mServer.Requests()[0].query, "id=a%26b%20c%23d~e.f");
    DxSet typed("a&b c#d~e.f", 7);
    EXPECT_EQ(typed.Manager()->RegistryUrl(), DxSet::RegistryUrlFor("a&b c#d~e.f"));
}

// Each kind's name reads back as that kind, as a configuration's "type" and in its preference key.
TEST(DxSetKinds, NamesReadBackAsTheirKind)
{
    for (CxSint32 kind = kDxManagerKdf; kind <= kDxManagerAdvisory; ++kind)
    {
        const CxString name = DxManagerTypeToString(kind);
        EXPECT_NE(name.Length(), 0u) << kind;
        CxData config = Bytes(Config(R"(<property id="type" value=")" + name.AsUtf8() + R"("/>)"));
        EXPECT_EQ(DxParseManagerType(DxConfigParser(config)), kind) << name.AsUtf8();
    }
}

TEST_F(DxSetTest, CachedSetsAndPreferences)
{
    Store("ts", Config(R"(<property id="type" value="kts"/><property id="name" value="Zeta"/>)"));
    Store("ts2", Config(R"(<property id="type" value="kts"/><property id="name" value="Alpha"/>)"));
    Store("atlas", Config(R"(<property id="type" value="atlas"/>)"));
    Store("bare", "");
    Store("known", Config(R"(<property id="type" value="kts"/>)"));
    new DxSet("known", 1);
    DxSet::InitCachedSets(DxManager::RootDataFolder());
    std::vector<std::pair<std::string, CxSint32>> found;
    for (auto iter = DxSet::BeginSets(); iter != DxSet::EndSets(); ++iter)
        found.emplace_back(iter->first.AsUtf8(), iter->second->Kind());
    EXPECT_EQ(found, (std::vector<std::pair<std::string, CxSint32>>{{"known", 1}, {"ts", 7}, {"ts2", 7}}));
    // Without a stored preference, or with one naming no set, the first by name; then the stored one.
    CxPreferences& preferences = CxGetGlobalPreferences();
    preferences.ClearValue("dataSetPreference_kts");
    EXPECT_EQ(DxSet::PreferredSetOfType(7)->Id(), CxString("ts2"));
    preferences.SetStringValue("dataSetPreference_kts", "gone", 0);
    EXPECT_EQ(DxSet::PreferredSetOfType(7)->Id(), CxString("ts2"));
    DxSet::FindExistingSet("ts")->MakePreferredSet();
    EXPECT_EQ(DxSet::PreferredSetOfType(7)->Id(), CxString("ts"));
    EXPECT_EQ(DxSet::PreferredSetOfType(2), nullptr);
    preferences.ClearValue("dataSetPreference_kts");
}

class DxSeriesTest : public DxSetTest
{
protected:
    void SetUp() override
    {
        DxSetTest::SetUp();
        Reply(200, SeriesConfig("kts"));
        mServer.AddDocument("/parminfo.xml", 200, "text/xml", dxtest::Document("parminfo", R"(
            <parm id="time" type="float" units="min"/><parm id="tmpf" type="float" units="fahr"/>
            <parm id="dwpf" type="float" units="fahr"/><parm id="lat" type="float" units="degr"/>
            <derivation id="relh" func="relh" args="tmpf dwpf"/><derivation id="tlcl" func="tlcl" args="tmpf dwpf"/>
            <derivation id="aaa" func="diff" args="bbb tmpf"/><derivation id="bbb" func="diff" args="aaa tmpf"/>)"));
        mServer.AddDocument("/siteinfo.xml", 200, "text/xml", dxtest::FixtureText("siteinfo.xml"));
        mServer.AddDocument("/kts/20200104/HBR01.kts", 200, "application/kts", Kts("4", "HBR01 1 0 50 41\n"));
        mServer.AddDocument("/kts/20200105/HBR01.kts", 200, "application/kts", Kts("5", "HBR01 1 0 68 50\n"));
        mSet = DxSet::FindOrCreateSet("ts", kDxManagerShp);
        mManager = mSet->SeriesManager();
        ASSERT_NE(mManager, nullptr);
        ASSERT_TRUE(mManager->PerformConfigUpdate());
    }
    // Daily files of HBR01 in the folder.
    static std::string SeriesConfig(const std::string& inFolder)
    {
        return Config(R"(<property id="type" value="kts"/><property id="baseUrl" value="@BASE@/"/>
            <property id="parmInfoUrl" value="parminfo.xml"/><property id="siteInfoUrl" value="siteinfo.xml"/>
            <property id="timeSeriesUrlFormat" value=")" +
                      inFolder + R"(/%Y%m%d/%siteid;.kts"/>)" + Seconds("fileResolution", 86400) +
                      Seconds("dataResolution", 3600));
    }
    std::string LastLog() const
    {
        std::ifstream in(mHome.Path() + "/.local/state/skyvane/data.log");
        std::string last;
        for (std::string line; std::getline(in, line);)
            last = line;
        return last;
    }

    // The client follows HBR01's time and temperature over both served days; true once both have arrived.
    bool Watch(DxSeriesClient& ioClient)
    {
        ioClient.SetSite("HBR01");
        for (const DxParm& parm : {Parm("time", "secs"), Parm("tmpf", "cels")})
            ioClient.AddParm(parm);
        ioClient.SetSet(mSet);
        ioClient.SetDates(kDay, kDay + 86400.0);
        ioClient.RefreshClient();
        return pf::MainLoop().RunUntil([&] { return ioClient.FrameList().size() == 2; }, sky::test::kBound);
    }

    DxSet* mSet = nullptr;
    DxSeriesManager* mManager = nullptr;
};

TEST_F(DxSeriesTest, BuildsTheRequestedColumns)
{
    const double nan = std::nan("");
    const struct
    {
        const char* mWhat;
        std::vector<DxParm> mParms;
        bool mSubscribed;
        const char* mKey; // read back, or null when no table is expected
        std::vector<double> mValues;
    } cases[] = {
        {"argument first",
         {Parm("time", "secs"), Parm("relh", "prct"), Parm("tmpf", "fahr")},
         true,
         "tmpf:fahr",
         {50, 68}},
        {"argument last",
         {Parm("time", "secs"), Parm("tmpf", "fahr"), Parm("relh", "prct")},
         true,
         "tmpf:fahr",
         {50, 68}},
        {"converted", {Parm("tmpf", "cels"), Parm("time", "secs")}, true, "tmpf:cels", {10, 20}},
        {"minutes to seconds", {Parm("time", "secs")}, true, "time:secs", {0, 3600}},
        {"derived in kelvin, unlisted, asked in Celsius", // 50/41 and 68/50 Fahrenheit
         {Parm("time", "secs"), Parm("tlcl", "cels")},
         true,
         "tlcl:cels",
         {DxTlcl(10, 5) - 273.15, DxTlcl(20, 10) - 273.15}},
        {"site list, unlisted station", {Parm("time", "secs"), Parm("lat", "degr")}, true, "lat:degr", {44.6476, nan}},
        {"derivation cycle", {Parm("time", "secs"), Parm("aaa", "celsd")}, true, nullptr, {}},
        {"no time in seconds", {Parm("tmpf", "fahr")}, true, nullptr, {}},
        {"client gone", {Parm("time", "secs")}, false, nullptr, {}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mWhat);
        DxSeriesClient client;
        client.SetSite("HBR01");
        for (const DxParm& parm : c.mParms)
            client.AddParm(parm);
        if (c.mSubscribed)
            client.SetSet(mSet);
        CxData data = dxtest::Bytes(Kts("5", "HBR01 1 0 50 41\nXYZ99 2 60 68 50\n"));
        CxAutoLock lock(mManager->Region()); // as on the update thread
        DxKTSBuilder builder(mManager, data);
        const std::unique_ptr<DxTable> table(builder.BuildTable(&client));
        ASSERT_EQ(table != nullptr, c.mKey != nullptr);
        const DxFloatField* field = table ? table->FindFloatField(c.mKey) : nullptr;
        ASSERT_EQ(field != nullptr, table != nullptr);
        for (std::size_t row = 0; field && row < c.mValues.size(); ++row)
            EXPECT_TRUE(std::isnan(c.mValues[row]) ? std::isnan(field->at(row))
                                                   : std::abs(field->at(row) - c.mValues[row]) < 1e-9);
    }
}

// Expected dates from tools/series_clip_dates.py.
TEST_F(DxSeriesTest, ClipsToTheLatestDataStep)
{
    const struct
    {
        int mResolution, mOffset;
        CxDate mDate, mClipped;
    } cases[] = {
        {0, 0, CxDate(2020, 3, 4, 12, 7, 41, 0), CxDate(2020, 3, 4, 12, 7, 0, 0)},
        {300, 0, CxDate(2020, 3, 4, 12, 7, 41, 0), CxDate(2020, 3, 4, 12, 5, 0, 0)},
        {300, 120, CxDate(2020, 3, 4, 12, 7, 41, 0), CxDate(2020, 3, 4, 12, 7, 0, 0)},
        {300, 120, CxDate(2020, 3, 4, 12, 6, 59, 0), CxDate(2020, 3, 4, 12, 2, 0, 0)},
        {3600, 1800, CxDate(2021, 1, 1, 0, 10, 0, 0), CxDate(2020, 12, 31, 23, 30, 0, 0)},
    };
    for (const auto& c : cases)
    {
        CxData config =
            dxtest::Bytes(Config(Seconds("fileResolution", 86400) + Seconds("dataResolution", c.mResolution) +
                                 Seconds("dataResolutionOffset", c.mOffset)));
        ASSERT_TRUE(mManager->ParseConfig(config));
        EXPECT_EQ(mManager->ClipDateToDataResolution(c.mDate), c.mClipped) << c.mResolution << " " << c.mOffset;
    }
}

TEST_F(DxSeriesTest, RefreshesInfoDocumentsAndJoinsTheirUrls)
{
    EXPECT_EQ(mManager->SiteInfoUrl(), CxString::FromUtf8(mServer.Url("/siteinfo.xml")));
    CxData https = dxtest::Bytes(Config(R"(<property id="siteInfoUrl" value="https://s.example/s.xml"/>)"));
    ASSERT_TRUE(mManager->ParseConfig(https));
    EXPECT_EQ(mManager->SiteInfoUrl(), CxString("https://s.example/s.xml"));

    mServer.AddDocument("/own.xml", 200, "text/xml", Config("")).LastModified(sky::test::UtcTime(2019, 6, 1, 0, 0, 0));
    mServer.AddDocument("/denied.xml", 401, "text/xml", "");
    mServer.AddDocument("/gone.xml", 404, "text/xml", "");
    const sky::test::ClosedPort closed;
    const std::string registry = mServer.Url("/nimbrel/registry.php?id=ts");
    const struct
    {
        std::string mUrl, mLastUrl;
        CxSint32 mStatus;
        bool mStored;
        std::size_t mRequests;
    } cases[] = {
        {mServer.Url("/own.xml"), mServer.Url("/own.xml"), 200, true, 1},
        {mServer.Url("/own.xml"), mServer.Url("/own.xml"), 304, false, 1},
        {mServer.Url("/denied.xml"), mServer.Url("/denied.xml"), 401, false, 2}, // a second try with the login
        {mServer.Url("/gone.xml"), registry, 200, true, 2},
        {closed.Url("/c.xml"), closed.Url("/c.xml"), 0, false, 0},
        {registry, registry, 404, false, 1},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mUrl);
        if (&c == &cases[5])
            mServer.AddDocument("/nimbrel/registry.php", 404, "text/xml", "").NoLastModified();
        mServer.ClearLog();
        const auto result = mManager->RefreshInfoDocument(CxString::FromUtf8(c.mUrl), "probe.xml", true,
                                                          [](CxData& ioData) { return ioData.Size() != 0; });
        EXPECT_EQ(result.mStatus, c.mStatus);
        EXPECT_EQ(result.mStored, c.mStored);
        EXPECT_EQ(mServer.RequestCount(), c.mRequests);
        EXPECT_EQ(LastLog(), "12:00:00 ts GET " + c.mLastUrl + " -- " + std::to_string(c.mStatus));
    }
}

TEST_F(DxSeriesTest, TwoDaysArriveAsTwoTables)
{
    ASSERT_EQ(mSet->Kind(), kDxManagerKts);
    DxSeriesClient client;
    client.SetSite("HBR01");
    for (const DxParm& parm : {Parm("time", "secs"), Parm("tmpf", "cels"), Parm("relh", "prct")})
        client.AddParm(parm);
    client.SetSet(mSet);
    client.SetDates(kDay, kDay + 86400.0);
    client.RefreshClient();
    ASSERT_TRUE(pf::MainLoop().RunUntil([&] { return client.FrameList().size() == 2; }, sky::test::kBound));
    EXPECT_EQ(client.Interval(), 3600u);
    int day = 0;
    for (const auto& [date, frame] : client.FrameList())
    {
        SCOPED_TRACE(day);
        EXPECT_EQ(date, kDay + 86400.0 * day);
        const auto* table = dynamic_cast<const DxTable*>(frame);
        ASSERT_TRUE(table && table->FindFloatField("time:secs") && table->FindFloatField("relh:prct"));
        EXPECT_EQ(table->FindFloatField("time:secs")->at(0), 0.0);
        EXPECT_NEAR(table->FindFloatField("tmpf:cels")->at(0), day == 0 ? 10 : 20, 1e-9);
        const double relh = table->FindFloatField("relh:prct")->at(0);
        EXPECT_TRUE(relh > 0 && relh < 100) << relh;
        ++day;
    }
}

// Only the client's own site within its window is parsed (when newer than the file it has) or asked for.
TEST_F(DxSeriesTest, OnlyItsOwnSiteInItsWindowIsWanted)
{
    DxSeriesClient client;
    ASSERT_TRUE(Watch(client));
    const CxDate cached = client.LastModified(kDay);
    const struct
    {
        const char* mWhat;
        DxRecord mRecord;
        CxDate mModified;
        bool mParsed, mWanted;
    } cases[] = {
        {"own, in the window, newer", DxRecord(kDay, "HBR01"), cached + 60.0, true, true},
        {"own, in the window, not newer", DxRecord(kDay, "HBR01"), cached, false, true},
        {"own, after the window", DxRecord(kDay + 2 * 86400.0, "HBR01"), cached + 60.0, false, false},
        {"own, before the window", DxRecord(kDay - 86400.0, "HBR01"), cached + 60.0, false, false},
        {"another site, in the window", DxRecord(kDay, "HBR02"), cached + 60.0, false, false},
    };
    for (const auto& c : cases)
    {
        DxRecord record = c.mRecord;
        CxAutoLock lock(mManager->Region());
        EXPECT_EQ(client.NeedsToParse(&record, c.mModified), c.mParsed) << c.mWhat;
        EXPECT_EQ(client.NeedsToRequest(&record), c.mWanted) << c.mWhat;
    }
}

// A new configuration may name other files of the same Last-Modified: released, the client takes the next file of
// each held date whatever its date says, and keeps its frames meanwhile.
TEST_F(DxSeriesTest, AReleasedClientTakesTheNextFileOfEachDate)
{
    DxSeriesClient client;
    ASSERT_TRUE(Watch(client));
    const CxDate cached = client.LastModified(kDay + 86400.0);
    DxRecord record(kDay + 86400.0, "HBR01");
    {
        CxAutoLock lock(mManager->Region());
        EXPECT_FALSE(client.NeedsToParse(&record, cached));
    }
    client.ReleaseAndInvalidate();
    EXPECT_EQ(client.FrameList().size(), 2u);
    CxAutoLock lock(mManager->Region());
    EXPECT_TRUE(client.NeedsToParse(&record, cached));
    EXPECT_FALSE(client.NeedsToParse(&record, DxManager::sMissingDate));
}

// A release subscribes an archiving graph again to the same subscription: it keeps its frames, and takes the file of
// the same Last-Modified its new configuration serves for the second day. The first day, not served, stays archived
// and drawn. New dates drop the frames.
TEST_F(DxSeriesTest, AGraphKeepsItsFramesThroughAReleaseAndTakesTheNewFiles)
{
    const std::time_t modified = std::time(nullptr) - 60;
    mServer.AddDocument("/kts/20200105/HBR01.kts", 200, "application/kts", Kts("5", "HBR01 1 0 68 50\n"))
        .LastModified(modified);
    DxSeriesClient client;
    client.SetArchiving(true);
    ASSERT_TRUE(Watch(client));
    // The new file waits until the archived ones have been read again, so that reading always comes first.
    auto go = std::make_shared<sky::test::Latch>();
    mServer.AddHandler("/kts2/20200105/HBR01.kts",
                       [=](const sky::test::HttpRequest& inRequest, sky::test::HttpReply& outReply)
                       {
                           go->Wait();
                           outReply.contentType = "application/kts", outReply.body = Kts("5", "HBR01 1 0 86 50\n");
                           outReply.headers.push_back({"Last-Modified", sky::test::HttpDate(modified)});
                           outReply.status = inRequest.HasHeader("If-Modified-Since") ? 304 : 200;
                       });
    mServer.AddDocument("/nimbrel/registry.php", 200, "text/xml", SeriesConfig("kts2")).NoLastModified();
    ASSERT_TRUE(mManager->PerformConfigUpdate());
    mManager->RefreshAllClients();
    EXPECT_EQ(client.FrameList().size(), 2u);
    const auto jobs = [&] { return CxAutoLock(mManager->Region()), mManager->CountJobs(); };
    const bool reread = pf::MainLoop().RunUntil(
        [&] { return mServer.Hits("/kts2/20200105/HBR01.kts") == 1 && jobs() == 1; }, sky::test::kBound);
    go->CountDown();
    ASSERT_TRUE(reread && pf::MainLoop().RunUntil([&] { return jobs() == 0; }, sky::test::kBound));
    std::vector<long> shown;
    for (const auto& [date, frame] : client.FrameList())
        shown.push_back(std::lround(dynamic_cast<const DxTable*>(frame)->FindFloatField("tmpf:cels")->at(0)));
    EXPECT_EQ(shown, (std::vector<long>{10, 30}));
    const auto archived = std::filesystem::recursive_directory_iterator(mHome.Path() + "/ts/data");
    EXPECT_EQ(
        std::count_if(begin(archived), end(archived), [](const auto& inEntry) { return inEntry.is_regular_file(); }),
        2);
    client.SetDates(kDay + 86400.0, kDay + 86400.0);
    client.RefreshClient();
    EXPECT_TRUE(client.FrameList().empty());
}

TEST_F(DxSeriesTest, ParseQuestionsRaceParameterAndSiteChanges)
{
    DxSeriesClient client;
    client.SetSite("HBR01");
    client.SetSet(mSet);
    client.SetDates(kDay, kDay + 86400.0);
    DxRecord record(kDay, "HBR01");
    std::atomic<bool> done{false};
    std::thread asker(
        [&]
        {
            for (int rounds = 0; !done || rounds < 100; ++rounds)
            {
                CxAutoLock lock(mManager->Region());
                client.NeedsToParse(&record, kDay);
            }
        });
    for (int round = 0; round < 200; ++round)
    {
        client.AddParm(Parm("tmpf", "cels"));
        client.SetSite(round % 2 == 0 ? "HBR02" : "HBR01");
        client.RemoveParm(Parm("tmpf", "cels"));
    }
    done = true;
    asker.join();
    EXPECT_TRUE(client.Parms().empty());
}

} // namespace
