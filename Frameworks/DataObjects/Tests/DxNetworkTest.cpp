#include "../../CoreObjects/Tests/CxDateTestHelpers.h"
#include "CxEvents.h"
#include "CxJob.h"
#include "CxLog.h"
#include "CxMime.h"
#include "CxSystem.h"
#include "DxClients.h"
#include "DxFrame.h"
#include "DxLogger.h"
#include "DxManager.h"
#include "DxSet.h"
#include "LoopbackServer.h"
#include "PfRunLoop.h"
#include "TestLatch.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <regex>

namespace
{

const CxDate kT(2008, 3, 7, 12, 0, 0, 0);
const std::time_t kUnixT = sky::test::UtcTime(2008, 3, 7, 12, 0, 0);

class NetManager : public DxManager
{
public:
    explicit NetManager(const char* inId = "tst") : DxManager(inId)
    {
        mExtensions = {".tst", ".kdf"}, SetTimeResolution(300), mConfigured = true;
    }
    using DxManager::AddRecord, DxManager::mAutoRefresh, DxManager::mMimeMapping, DxManager::mQueryUrlFormat,
        DxManager::mSearchServer, DxManager::mStaleThreshold;
    static CxString Key(const CxDate& inDate) { return inDate.AsString(CxString("%m%d%H%M"), 0); }
    CxString OnGetFilenameForRecord(DxRecord* inRecord, CxStringList&) override { return Key(inRecord->Date()); }
    CxString OnGetUrlForRecord(DxRecord* inRecord) override { return CxString::FromUtf8(mBase) + Key(inRecord->mDate); }
    CxString OnGetQueryUrl(const DxSubscription&) override { return CxString::FromUtf8(mBase) + "q"; }
    bool OnUpdateConfig() override { return ++mConfigs, mChanging; }
    DxFrame* OnBuildFrameForClient(DxRecord* inRecord, const CxString&, CxData&, DxClient*) override
    {
        auto* frame = new DxTable;
        frame->SetDate(inRecord->Date());
        return frame;
    }
    std::string mBase;
    std::atomic<int> mConfigs = 0;
    bool mChanging = false;
};

// Notes the refreshes made when each message 9 arrives.
struct Receiver : CxReceiver
{
    void OnReceiveMessage(CxMessenger*, CxSint32 inCode, void*) override
    {
        if (inCode == 9)
            mSeen.push_back(*mCount);
    }
    std::atomic<int>* mCount;
    std::vector<int> mSeen;
};

class DxNetworkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CxMimeInfo("x/t", ".tst", 0, 0, "test").Register();
        DxManager::SetRootDataFolder(CxFolder(CxFileRef{mHome.Path()}));
        DxManager::SetRootCacheFolder(CxFolder(CxFileRef{mHome.Path()}));
        DxLogger::Instance().AttachLog(new CxLog(CxFolder(kCxLogsFolder).CreateFile("data.log")));
        pf::MainLoop().ResetForTesting(pf::ClockKind::kVirtual);
        ASSERT_EQ(CxInstallEventHandler(), 0);
        for (auto [type, id] : {std::pair{100, 1}, {100, 2}, {101, 5}, {102, 7}})
            mThreads.push_back(std::make_unique<CxJobThread>(type, id));
        mManager = Install(mSet, "tst", "/d?");
    }
    void TearDown() override
    {
        mThreads.clear();
        mSet.reset();
        DxManager::GoOnline();
        CxRemoveEventHandler();
        pf::MainLoop().ResetForTesting(pf::ClockKind::kReal);
    }
    NetManager* Install(std::unique_ptr<DxSet>& outSet, const char* inId, const std::string& inPath)
    {
        outSet = std::make_unique<DxSet>(inId, 99);
        auto* manager = new NetManager(inId);
        outSet->InstallManagerForTesting(manager);
        manager->mBase = mServer.Base() + inPath;
        manager->SetAuthenticationKey("Skyvane: tst");
        return manager;
    }
    bool Settle(
        std::initializer_list<NetManager*> inManagers, const std::function<bool()>& inAlso = [] { return true; })
    {
        return pf::MainLoop().RunUntil(
            [&]
            {
                for (NetManager* manager : inManagers)
                {
                    CxAutoLock lock(manager->Region());
                    if (manager->CountJobs() != 0)
                        return false;
                }
                return inAlso();
            },
            sky::test::kBound);
    }
    std::vector<std::string> Lines() const
    {
        std::ifstream in(mHome.Path() + "/.local/state/skyvane/data.log");
        std::vector<std::string> lines{""};
        for (std::string line; std::getline(in, line);)
            lines.push_back(std::regex_replace(line, std::regex(R"( \d+\.\d\ds -- )"), " @s -- ")); // time taken
        return lines;
    }
    std::string Line(std::size_t inFromEnd = 1) const
    {
        const auto lines = Lines();
        return lines[lines.size() > inFromEnd ? lines.size() - inFromEnd : 0];
    }
    void Serve(const std::string& inPath, const CxDate& inDate, int inStatus = 200)
    {
        mServer.AddDocument(inPath + NetManager::Key(inDate).AsUtf8(), inStatus, "x/t", "data");
    }

    sky::test::TempHome mHome;
    sky::test::ScopedTz mTz{"Asia/Tokyo"};
    std::atomic<double> mClock = 0; // moves "now" without firing the managers' timers
    sky::test::ScopedNow mNow{[this] { return kT.AbsoluteTime() + mClock + 1e-9 * pf::MainLoop().Now().count(); }};
    sky::test::LoopbackServer mServer;
    std::vector<std::unique_ptr<CxJobThread>> mThreads;
    std::unique_ptr<DxSet> mSet;
    NetManager* mManager = nullptr;
};
TEST_F(DxNetworkTest, DownloadsStoreWhatTheDataSetTakesAndLogEachRequest)
{
    const struct
    {
        const char *time, *type, *body, *mapping;
        std::function<void(sky::test::LoopbackServer::Route)> route;
        const char *rest, *status, *extension, *extraLine;
        long modified; // 0: the time it arrived
    } cases[] = {
        {"1200", "x/t", "data", "", [](auto r) { r.NoLastModified(); }, "4 @s -- 200", "", ".tst", "", 0},
        {"1205", "x/t", "data", "", [](auto r) { r.NoLastModified().Header("Last-Modified", "garbage"); },
         "4 @s -- 200", "", ".tst", "", 0},
        {"1210", " X/T;charset=a", "data", "", [](auto r) { r.LastModified(1); }, "4 @s -- 200", "", ".tst", "", 1},
        {"1215", "TEXT/plain", "data", " text/plain : Application/KDF", [](auto r) { r.LastModified(2); },
         "4 @s -- 200", "", ".kdf", "", 2},
        {"1220", "image/png", "data", "", [](auto) {}, "4 @s -- 200", "", nullptr,
         " image/png is an unsupported mime type for this data set.", 0},
        {"1225", "x/t", "", "", [](auto) {}, "0 @s -- 200", "", nullptr, " zero byte data file not written.", 0},
        {"1230", "x/t", "01234", "", [](auto r) { r.CutAfter(2); }, "0 @s -- 0", "Host Unreachable.", nullptr, "", 0},
        {"1235", "x/t", "data", "", [](auto r) { r.RequireBasic("u", "x"); }, "43 @s -- 401", "Authentication failed.",
         nullptr, "", 0},
    };
    ASSERT_TRUE(CxWriteAuthentication(mManager->AuthenticationKey(), "u", "p"));
    mManager->mQueryUrlFormat = "query"; // the record's own date only
    for (const auto& c : cases)
    {
        const std::string path = std::string("/d?0307") + c.time, line = "12:00:00 tst";
        c.route(mServer.AddDocument(path, 200, c.type, c.body));
        mManager->mMimeMapping = c.mapping;
        DxRecord record(kT + 60.0 * (std::stoi(c.time) - 1200), "stn");
        EXPECT_EQ(mManager->PerformDownload(record), std::stoi(std::strrchr(c.rest, ' '))) << c.time;
        EXPECT_EQ(mManager->Status(), *c.status ? c.status : "Idle.");
        const std::string get = line + " GET " + mServer.Url(path) + " -- " + c.rest;
        EXPECT_EQ(Line(*c.extraLine ? 2 : 1) + Line(), *c.extraLine ? get + line + c.extraLine : get + get);
        const std::string file = mHome.Path() + "/tst/Temporary/2008/03/07/0307" + c.time + (c.extension ?: ".tst");
        EXPECT_EQ(std::filesystem::exists(file), c.extension != nullptr);
    }
    mClock += 16; // past the 15 s rule: each file's date, the reply's or the arrival's, is the condition
    for (const auto& c : cases)
    {
        DxRecord record(kT + 60.0 * (std::stoi(c.time) - 1200), "stn");
        mManager->PerformDownload(record);
        EXPECT_EQ(mServer.Requests().back().Header("If-Modified-Since"),
                  c.extension ? sky::test::HttpDate(c.modified ? c.modified : kUnixT) : "")
            << c.time;
    }
}

TEST_F(DxNetworkTest, FallbacksAndTheFifteenSecondRule)
{
    mServer.AddDocument("/d?03071200", 404, "text/plain", "").LastModified(kUnixT - 7200); // not carried over
    mServer.AddDocument("/d?03071155", 200, "x/t", "data").NoLastModified();
    DxRecord record(kT, "stn");
    EXPECT_EQ(mManager->PerformDownload(record), 1001); // the 404 date had no file
    mClock += 10;
    EXPECT_EQ(mManager->PerformDownload(record), 200); // nothing sent: the last status stands
    mClock += 16;
    EXPECT_EQ(mManager->PerformDownload(record), 1001);
    EXPECT_EQ(mServer.Requests().back().Header("If-Modified-Since"), sky::test::HttpDate(kUnixT));
}

TEST_F(DxNetworkTest, QueriesAndSearchesFindDatesWithBoundedRequests)
{
    for (auto [url, joined] : {std::pair{"a", "http://h/a"}, {"http://x", "http://x"}, {"HTTPS://x", "HTTPS://x"}})
        EXPECT_EQ(DxManager::JoinUrl("http://h/", url), joined);
    const std::string reply = "<xml><date>2009-01-02&#32;03:00:00 UTC</date><date></date><date>UTC</date></xml>";
    CxData data(reply.data(), static_cast<CxUint32>(reply.size()));
    EXPECT_EQ(mManager->ParseDatesFromQuery(data), std::vector<CxDate>{CxDate(2009, 1, 2, 3, 0, 0, 0)});

    for (auto [resolution, status, end, probes] :
         {std::array{-1, 200, 3600, 0}, {60, 200, 3600, 16}, {60, 404, 365 * 86400, 1000}}) // 16: every 420 s
    {
        mServer.ClearLog();
        mServer.AddHandler("/d", [status](auto&, auto& r) { r.status = status; });
        mManager->SetTimeResolution(resolution);
        DxSubscription s(kT, kT + end, "new", 60);
        mManager->PerformOnlineSearch(s, {});
        EXPECT_EQ(mServer.Hits("/d"), probes);
        EXPECT_EQ(Line(), probes == 0 ? ""
                                      : "12:00:00 tst Search: new " + (kT - 2700).AsString().AsUtf8() + " to " +
                                            (kT + end).AsString().AsUtf8() + " (" +
                                            std::to_string(status == 200 ? probes : 0) + " new results)");
    }
}

TEST_F(DxNetworkTest, HousekeepingFollowsItsClockAndRules)
{
    Receiver receiver;
    receiver.mCount = &mManager->mConfigs;
    mManager->AttachReceiver(&receiver);
    mManager->mChanging = true;
    const struct
    {
        bool online;
        CxSint32 autoRefresh, second, jobs, refreshes; // jobs: made by the ticks up to that second
    } ticks[] = {{true, 300, 0, 2, 1},     {true, 300, 60, 1, 1},    {true, 86402, 120, 0, 1},  {true, 300, 840, 12, 1},
                 {true, 86402, 900, 1, 2}, {true, 300, 1800, 16, 3}, {false, 86402, 2700, 1, 3}};
    for (const auto& t : ticks)
    {
        if (!t.online)
            DxManager::GoOffline(); // going online would refresh at once
        mManager->mAutoRefresh = t.autoRefresh;
        pf::MainLoop().Advance(std::chrono::seconds(t.second) - pf::MainLoop().Now());
        EXPECT_EQ((CxAutoLock(mManager->Region()), mManager->CountJobs()), std::size_t(t.jobs)) << t.second;
        ASSERT_TRUE(Settle({mManager}));
        EXPECT_EQ(mManager->mConfigs, t.refreshes);
    }
    EXPECT_EQ(receiver.mSeen, (std::vector<int>{1, 2, 3})); // once each, after its refresh

    const struct
    {
        double age, checked, offset; // seconds before now; checked NaN: never
        bool fetched;
    } records[] = {{20, 301, 0, true},     {40, 299, 0, false}, {100, 10, 600, true},
                   {3000, 10, 600, false}, {500, 10, 60, true}, {160, NAN, 600, false}};
    const CxDate now = CxDate() + 61.0;
    for (const auto& r : records)
        mManager->AddRecord(DxRecord(now - r.age, "stn")); // offline: no request
    ASSERT_TRUE(Settle({mManager}));
    DxManager::GoOnline();
    mManager->mAutoRefresh = 300, mManager->mQueryUrlFormat = "q"; // downloads of their own dates alone
    for (double at : {0.0, 2.0})                                   // memo entries of 61 and 59 s at the collection
    {
        mClock = at;
        DxRecord record(kT - 86400 + 150 * at, "stn");
        mManager->PerformDownload(record);
    }
    mClock = 61;
    {
        CxAutoLock lock(mManager->Region());
        for (std::size_t i = 0; i < std::size(records); ++i)
        {
            const auto& r = records[i];
            mManager->Records()[i]->mLastChecked = std::isnan(r.checked) ? DxManager::sMissingDate : now - r.checked;
            mManager->Records()[i]->mOffset = r.offset;
        }
        mManager->PerformHoleCollect();
        for (std::size_t i = 0; i < std::size(records); ++i)
            EXPECT_EQ(mManager->Records()[i]->mDownloader != nullptr, records[i].fetched) << records[i].age;
        EXPECT_EQ(mManager->CountMemoEntries(), 1u);
    }
    EXPECT_TRUE(Settle({mManager}));
}

TEST_F(DxNetworkTest, OnlineEndToEndByQueryAndByProbes)
{
    std::unique_ptr<DxSet> probeSet;
    NetManager* probe = Install(probeSet, "prb", "/p?");
    probe->mSearchServer = true, probe->mStaleThreshold = 0;
    mManager->mQueryUrlFormat = "q";
    mServer.AddDocument("/d?q", 200, "text/xml",
                        "<xml><date>2008-03-07 11:50:00 UTC</date><date>2008-03-07 11:55:00 UTC"
                        "</date><date>2008-03-07 12:00:00 UTC</date><date>2008-03-07 12:05:00 UTC</date></xml>");
    for (double at : {-300, 0, 300})
        Serve("/d?", kT + at);
    Serve("/p?", kT, 404), Serve("/p?", kT + 300);
    DxClient byQuery, byProbes;
    for (auto [client, set, end, shown] :
         {std::tuple{&byQuery, mSet.get(), 300, 0}, {&byProbes, probeSet.get(), 900, 300}})
    {
        client->SetSet(set), client->SetDates(kT, kT + end), client->SetDisplayDate(kT + shown);
        client->RefreshClient();
    }
    ASSERT_TRUE(
        Settle({mManager, probe}, [&] { return byQuery.FrameDate() == kT && byProbes.FrameDate() == kT + 300; }));
    {
        CxAutoLock lock(mManager->Region());
        EXPECT_EQ(mManager->Subscriptions().front()->mStaleThreshold, 300); // back to the last early date
    }
    auto lines = Lines();
    std::sort(lines.begin(), lines.end());
    const std::string t = "12:00:00 tst ", p = "12:00:00 prb ", ok = " -- 4 @s -- 200";
    std::vector<std::string> expected = {"",
                                         p + "GET " + mServer.Url("/p?03071205") + ok,
                                         p + "HEAD " + mServer.Url("/p?03071200") + " -- 404",
                                         p + "HEAD " + mServer.Url("/p?03071205") + " -- 200",
                                         p + "Search:  " + kT.AsString().AsUtf8() + " to " +
                                             (kT + 900).AsString().AsUtf8() + " (1 new results)",
                                         t + "GET " + mServer.Url("/d?q") + " (4 results) 155 -- 200",
                                         t + "GET " + mServer.Url("/d?03071155") + ok,
                                         t + "GET " + mServer.Url("/d?03071200") + ok,
                                         t + "GET " + mServer.Url("/d?03071205") + ok};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines, expected);
}

} // namespace
