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
    explicit NetManager(const char* inId) : DxManager(inId) { mExtensions = {".tst", ".kdf"}, mConfigured = true; }
    using DxManager::AddRecord, DxManager::mArchive, DxManager::mAutoRefresh, DxManager::mMimeMapping,
        DxManager::mQueryUrlFormat, DxManager::mSearchServer, DxManager::mStaleThreshold;
    static CxString Key(const CxDate& inDate) { return inDate.AsString(CxString("%m%d%H%M"), 0); }
    CxString OnGetFilenameForRecord(DxRecord* inRecord, CxStringList&) override { return Key(inRecord->Date()); }
    CxString OnGetUrlForRecord(DxRecord* inRecord) override { return CxString::FromUtf8(mBase) + Key(inRecord->mDate); }
    CxString OnGetQueryUrl(const DxSubscription&) override { return CxString::FromUtf8(mBase) + "q"; }
    bool OnUpdateConfig() override { return ++mConfigs, mChanging; }
    DxFrame* OnBuildFrameForClient(DxRecord* inRecord, const CxString&, CxData& inData, DxClient*) override
    {
        auto* frame = new DxTable;
        frame->SetDate(inRecord->Date());
        CxAutoLock lock(inData);
        frame->NewStringField("text")->push_back(
            CxString::FromUtf8(std::string(static_cast<const char*>(inData.Pointer()), inData.Size())));
        return frame;
    }
    std::string mBase;
    std::atomic<int> mConfigs = 0;
    bool mChanging = false;
};

// Counts the records of kT handed back to it.
class AskedClient : public DxClient
{
public:
    ~AskedClient() override { Detach(); }
    int mAsked = 0;

protected:
    bool OnNeedsToRequest(DxRecord* inRecord) override
    {
        mAsked += inRecord != nullptr && inRecord->mDate == kT;
        return DxClient::OnNeedsToRequest(inRecord);
    }
};

class DxNetworkTest : public ::testing::Test, public CxReceiver
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
        for (auto [set, manager, id] : {std::tuple{&mSet, &mManager, "tst"}, {&mProbeSet, &mProbe, "prb"}})
        {
            (*set = std::make_unique<DxSet>(id, 99))->InstallManagerForTesting(*manager = new NetManager(id));
            (*manager)->mBase = mServer.Base() + "/" + id + "?";
        }
        mManager->SetTimeResolution(300), mProbe->SetTimeResolution(300);
    }
    void TearDown() override
    {
        mThreads.clear(), mSet.reset(), mProbeSet.reset();
        DxManager::GoOnline();
        CxRemoveEventHandler();
        pf::MainLoop().ResetForTesting(pf::ClockKind::kReal);
    }
    // Message 9 notes how many refreshes had been made when it arrived.
    void OnReceiveMessage(CxMessenger*, CxSint32 inCode, void*) override
    {
        inCode == 9 ? mSeen.push_back(mManager->mConfigs) : void();
    }
    // Until both managers have disposed of every job, and inAlso holds.
    bool Settle(const std::function<bool()>& inAlso = [] { return true; })
    {
        const auto idle = [](DxManager* inManager)
        { return CxAutoLock(inManager->Region()), inManager->CountJobs() == 0; };
        return pf::MainLoop().RunUntil([&] { return idle(mManager) && idle(mProbe) && inAlso(); }, sky::test::kBound);
    }
    static std::string Drawn(const DxClient& inClient)
    {
        return inClient.Table() ? inClient.Table()->FindStringField("text")->front().AsUtf8() : "";
    }
    // Answers the body with the files' one Last-Modified once the latch opens (304 to a conditional request).
    static sky::test::HttpHandler HeldReply(std::shared_ptr<sky::test::Latch> inGo, const char* inBody)
    {
        return [=](const sky::test::HttpRequest& inRequest, sky::test::HttpReply& outReply)
        {
            inGo->Wait();
            outReply.contentType = "x/t", outReply.body = inBody;
            outReply.headers.push_back({"Last-Modified", sky::test::HttpDate(kUnixT - 60)});
            outReply.status = inRequest.HasHeader("If-Modified-Since") ? 304 : 200;
        };
    }
    // The file of the date in the temporary tree, or in the archive.
    std::string Stored(const CxDate& inDate, const char* inTree = "Temporary") const
    {
        std::ifstream in(mHome.Path() + "/tst/" + inTree + "/2008/03/07/" + NetManager::Key(inDate).AsUtf8() + ".tst");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // The data log, the seconds taken masked.
    std::vector<std::string> Lines() const
    {
        std::ifstream in(mHome.Path() + "/.local/state/skyvane/data.log");
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(std::regex_replace(line, std::regex(R"( \d+\.\d\ds -- )"), " @s -- "));
        return lines;
    }

    sky::test::TempHome mHome;
    sky::test::ScopedTz mTz{"Asia/Tokyo"};
    std::atomic<double> mClock = 0; // moves "now" without firing the managers' timers
    sky::test::ScopedNow mNow{[this] { return kT.AbsoluteTime() + mClock + 1e-9 * pf::MainLoop().Now().count(); }};
    sky::test::LoopbackServer mServer;
    std::vector<std::unique_ptr<CxJobThread>> mThreads;
    std::unique_ptr<DxSet> mSet, mProbeSet;
    NetManager *mManager = nullptr, *mProbe = nullptr;
    std::vector<int> mSeen;
};

// Rows in order; each then again past the 15 s rule, when the file's date, the reply's or the arrival's, is sent.
TEST_F(DxNetworkTest, DownloadsStoreWhatTheDataSetTakesAndSendTheirConditions)
{
    const std::tuple<const char*, const char*, std::function<void(sky::test::LoopbackServer::Route)>, int, const char*,
                     long> // type, mapping, route, code, extension or none, Last-Modified (0: arrival)
        cases[] = {{"x/t", "", [](auto r) { r.NoLastModified(); }, 200, ".tst", 0},
                   {"x/t", "", [](auto r) { r.NoLastModified().Header("Last-Modified", "garbage"); }, 200, ".tst", 0},
                   {" X/T;charset=a", "", [](auto r) { r.LastModified(1); }, 200, ".tst", 1},
                   {"TEXT/plain", " text/plain : Application/KDF", [](auto r) { r.LastModified(2); }, 200, ".kdf", 2},
                   {"x/t", "", [](auto r) { r.RequireBasic("u", "x"); }, 401, nullptr, 0},
                   {"x/t", "", [](auto r) { r.RequireBasic("u", "p").NoLastModified(); }, 200, ".tst", 0}};
    mManager->SetAuthenticationKey("Skyvane: tst");
    ASSERT_TRUE(CxWriteAuthentication(mManager->AuthenticationKey(), "u", "p"));
    mManager->mQueryUrlFormat = "query"; // the record's own date only
    for (double at : {0, 16})
        for (int i = 0; i < 6; ++i)
        {
            const auto& [type, mapping, route, code, extension, modified] = cases[i];
            const std::string key = "0307120" + std::to_string(i);
            route(mServer.AddDocument("/tst?" + key, 200, type, "data"));
            mManager->mMimeMapping = mapping;
            DxRecord record(kT + 60.0 * i, "stn");
            const CxSint32 got = (mClock = at, mManager->PerformDownload(record));
            EXPECT_EQ(mManager->Status(), code == 401 ? "Authentication failed." : "Idle.");
            const std::string path = mHome.Path() + "/tst/Temporary/2008/03/07/" + key + (extension ?: ".tst");
            EXPECT_EQ(std::filesystem::exists(path), extension != nullptr) << i;
            if (at == 0)
                EXPECT_EQ(got, code) << i;
            else
                EXPECT_EQ(mServer.Requests().back().Header("If-Modified-Since"),
                          extension ? sky::test::HttpDate(modified ? modified : kUnixT) : "")
                    << i;
        }
}

TEST_F(DxNetworkTest, FallbacksQueriesAndSearchesKeepTheirBounds)
{
    mServer.AddDocument("/tst?03071200", 404, "text/plain", "").LastModified(kUnixT - 7200); // not carried over
    mServer.AddDocument("/tst?03071155", 200, "x/t", "data").NoLastModified();
    DxRecord record(kT, "stn");
    for (auto [at, code] : {std::pair{0, 1001}, {10, 200}, {26, 1001}}) // within 15 s, the last status stands
        EXPECT_EQ((mClock = at, mManager->PerformDownload(record)), code) << at;
    EXPECT_EQ(mServer.Requests().back().Header("If-Modified-Since"), sky::test::HttpDate(kUnixT));

    for (auto [url, joined] : {std::pair{"a", "http://h/a"}, {"http://x", "http://x"}, {"HTTPS://x", "HTTPS://x"}})
        EXPECT_EQ(DxManager::JoinUrl("http://h/", url), joined);
    const std::string reply = "<xml><date>2009-01-02&#32;03:00:00 UTC</date><date></date><date>UTC</date></xml>";
    CxData data(reply.data(), static_cast<CxUint32>(reply.size()));
    EXPECT_EQ(mManager->ParseDatesFromQuery(data), std::vector<CxDate>{CxDate(2009, 1, 2, 3, 0, 0, 0)});
    for (auto [resolution, status, end, probes] :
         {std::array{-1, 200, 3600, 0}, {60, 200, 3600, 16}, {60, 404, 365 * 86400, 1000}}) // 16: every 420 s
    {
        mServer.ClearLog();
        const std::string before = Lines().back(); // what resolution -1 leaves last
        mServer.AddHandler("/prb", [status](auto&, auto& r) { r.status = status; });
        mProbe->SetTimeResolution(resolution);
        DxSubscription s(kT, kT + end, "new", 60);
        mProbe->PerformOnlineSearch(s, {});
        EXPECT_EQ(mServer.Hits("/prb"), probes);
        EXPECT_EQ(Lines().back(), probes == 0 ? before
                                              : "12:00:26 prb Search: new " + (kT - 2700).AsString().AsUtf8() + " to " +
                                                    (kT + end).AsString().AsUtf8() + " (" +
                                                    std::to_string(status == 200 ? probes : 0) + " new results)");
    }
}

// Cached files before the window (within the look-back) and in it are offered; gaps and later files are not. Without
// a query URL the window is searched at the subscription's interval; a query manager, which learns its dates from
// the server, looks at every step of its resolution (offline too).
TEST_F(DxNetworkTest, ALocalSearchOffersExactlyTheCachedDates)
{
    CxData data("data", 4);
    for (double at : {-600.0, 300.0, 900.0, 2400.0})
    {
        DxRecord record(kT + at, "stn");
        mManager->WriteDataToCache(&record, data, kT, "x/t");
    }
    const std::tuple<const char*, CxSint32, std::vector<double>> kRows[] = {
        {"", 300, {-600, 300, 900}}, {"", 600, {-600}}, {"q", 600, {-600, 300, 900}}, {"q", 300, {-600, 300, 900}}};
    for (const bool online : {true, false})
    {
        if (!online)
            DxManager::GoOffline();
        for (const auto& [query, interval, offsets] : kRows)
        {
            mManager->mQueryUrlFormat = query;
            DxSubscription s(kT, kT + 1200, "stn", interval);
            std::vector<std::string> found, expected;
            for (const CxDate& date : mManager->PerformLocalSearch(s))
                found.push_back(date.AsString().AsUtf8());
            for (const double offset : offsets)
                expected.push_back((kT + offset).AsString().AsUtf8());
            EXPECT_EQ(found, expected) << "query '" << query << "', interval " << interval << ", online " << online;
        }
    }
}

// A query is asked when any one of its reasons holds: no record in the window, the newest record at least the
// minimum check threshold (420 s) before the window's end, or the oldest no earlier than the window's start. A 401
// leaves "Authentication failed." as the status.
TEST_F(DxNetworkTest, AQueryIsAskedForAnyOneReason)
{
    mServer.AddDocument("/tst?q", 200, "text/xml", "<xml></xml>");
    mManager->mQueryUrlFormat = "q";
    const std::pair<std::vector<double>, bool> kRows[] = {
        {{-600, 1740}, false}, // recent, and looking back far enough: nothing to ask
        {{-600, 1200}, true},  // the newest 600 s before the end
        {{0, 1740}, true},     // the oldest at the start: nothing known before it
        {{300, 1740}, true},   // the oldest after the start
        {{}, true}};           // nothing known
    DxManager::GoOffline();    // records added without requests
    for (std::size_t row = 0; row < std::size(kRows); ++row)
        for (const double offset : kRows[row].first)
            mManager->AddRecord(DxRecord(kT + offset, CxString(("r" + std::to_string(row)).c_str())));
    ASSERT_TRUE(Settle());
    DxManager::GoOnline();
    ASSERT_TRUE(Settle());
    for (std::size_t row = 0; row < std::size(kRows); ++row)
    {
        mServer.ClearLog();
        DxSubscription s(kT, kT + 1800, CxString(("r" + std::to_string(row)).c_str()), 300);
        mManager->PerformOnlineQuery(s);
        EXPECT_EQ(mServer.Hits("/tst?q"), kRows[row].second ? 1 : 0) << row;
        EXPECT_EQ(mManager->Status(), "Idle.") << row;
    }
    mServer.AddDocument("/tst?q", 200, "text/xml", "<xml></xml>").RequireBasic("u", "p");
    DxSubscription s(kT, kT + 1800, "r4", 300);
    EXPECT_TRUE(mManager->PerformOnlineQuery(s).empty());
    EXPECT_EQ(mServer.Requests().back().path + "?" + mServer.Requests().back().query, "/tst?q");
    EXPECT_EQ(mManager->Status(), "Authentication failed.");
}

// A request that got no answer (status 0) stands for its file for 15 s, as any answer does: the earlier dates of
// the fallback are not asked for in the meantime.
TEST_F(DxNetworkTest, ARecentUnansweredRequestStandsForItsFile)
{
    sky::test::ClosedPort closed;
    mManager->mBase = closed.Url("/tst?");
    DxRecord record(kT, "stn");
    const auto asked = [&](const char* inKey)
    {
        int count = 0;
        for (const std::string& line : Lines())
            count += line.find(" GET ") != std::string::npos && line.find(inKey) != std::string::npos;
        return count;
    };
    for (auto [at, now, earlier] : {std::tuple{0.0, 1, 0}, {10.0, 1, 0}, {40.0, 2, 0}})
    {
        mClock = at;
        EXPECT_EQ(mManager->PerformDownload(record), 0) << at;
        EXPECT_EQ(asked("tst?03071200"), now) << at;
        EXPECT_EQ(asked("tst?03071155"), earlier) << at;
    }
}

// A record that failed with nothing cached (1001) goes back to the clients, so each can ask again or give up.
TEST_F(DxNetworkTest, AFailedDownloadHandsTheRecordBackToItsClients)
{
    mServer.AddDocument("/tst?03071200", 404, "text/plain", "");
    DxRecord record(kT, CxString()); // a plain client's id
    EXPECT_EQ(mManager->PerformDownload(record), 1001);
    AskedClient client;
    client.SetSet(mSet.get()), client.SetDates(kT, kT), client.SetDisplayDate(kT);
    client.RefreshClient();
    ASSERT_TRUE(Settle());
    const int asked = client.mAsked;
    DxDownloadJob* job = nullptr;
    {
        CxAutoLock lock(mManager->Region());
        ASSERT_NE(mManager->FindRecord(record), mManager->Records().end());
        job = mManager->CreateDownloadJob(record);
    }
    mManager->ReceiveMessageFromDownloadJob(job, 1001, record);
    EXPECT_EQ(client.mAsked, asked + 1);
    client.SetSet(nullptr);
    EXPECT_TRUE(Settle());
}

// Ticks at the first pump and every 60 s; refreshes at 0, 900 and 1800 s; then collection rules on held records.
TEST_F(DxNetworkTest, HousekeepingFollowsItsClockAndRules)
{
    mManager->AttachReceiver(this);
    mManager->mChanging = true;
    const int ticks[][5] = {// online, auto refresh, up to second, jobs the ticks made, refreshes so far
                            {1, 300, 0, 2, 1},     {1, 300, 60, 1, 1},    {1, 86402, 120, 0, 1}, {1, 300, 840, 12, 1},
                            {1, 86402, 900, 1, 2}, {1, 300, 1800, 16, 3}, {0, 86402, 2700, 1, 3}};
    for (auto [online, autoRefresh, second, jobs, refreshes] : ticks)
    {
        if (!online)
            DxManager::GoOffline(); // going online would refresh at once
        mManager->mAutoRefresh = autoRefresh;
        pf::MainLoop().Advance(std::chrono::seconds(second) - pf::MainLoop().Now());
        EXPECT_EQ((CxAutoLock(mManager->Region()), mManager->CountJobs()), std::size_t(jobs)) << second;
        ASSERT_TRUE(Settle());
        EXPECT_EQ(mManager->mConfigs, refreshes);
    }
    EXPECT_EQ(mSeen, (std::vector<int>{1, 2, 3})); // once each, after its refresh

    const double records[][4] = {// age, last checked (NaN: never), offset, fetched
                                 {20, 301, 0, 1},    {40, 299, 0, 0},  {100, 10, 600, 1},
                                 {3000, 10, 600, 0}, {500, 10, 60, 1}, {160, NAN, 600, 0}};
    const CxDate now = CxDate() + 61.0;
    for (auto [age, checked, offset, fetched] : records)
        mManager->AddRecord(DxRecord(now - age, "stn")); // offline: no request
    ASSERT_TRUE(Settle());
    DxManager::GoOnline();
    mManager->mAutoRefresh = 300, mManager->mQueryUrlFormat = "q"; // downloads of their own dates alone
    for (double at : {0.0, 2.0})                                   // memo entries of 61 and 59 s at the collection
    {
        DxRecord record(kT - 86400 + 150 * (mClock = at), "stn");
        mManager->PerformDownload(record);
    }
    mClock = 61;
    CxAutoLock lock(mManager->Region());
    for (std::size_t i = 0; i < std::size(records); ++i)
    {
        const auto [age, checked, offset, fetched] = records[i];
        mManager->Records()[i]->mLastChecked = std::isnan(checked) ? DxManager::sMissingDate : now - checked;
        mManager->Records()[i]->mOffset = offset;
    }
    mManager->PerformHoleCollect();
    for (std::size_t i = 0; i < std::size(records); ++i)
        EXPECT_EQ(mManager->Records()[i]->mDownloader != nullptr, records[i][3] != 0) << i;
    EXPECT_EQ(mManager->CountMemoEntries(), 1u);
}

// A query finds early dates, of which only the last is kept; probes find the other set's; clients get frames.
TEST_F(DxNetworkTest, OnlineEndToEndByQueryAndByProbes)
{
    mProbe->mSearchServer = true, mProbe->mStaleThreshold = 0, mManager->mQueryUrlFormat = "q";
    mServer.AddDocument("/tst?q", 200, "text/xml",
                        "<xml><date>2008-03-07 11:50:00 UTC</date><date>2008-03-07 11:55:00 UTC"
                        "</date><date>2008-03-07 12:00:00 UTC</date><date>2008-03-07 12:05:00 UTC</date></xml>");
    for (const char* path : {"/tst?03071155", "/tst?03071200", "/tst?03071205", "/prb?03071200", "/prb?03071205"})
        mServer.AddDocument(path, 200, "x/t", "data");
    mServer.AddDocument("/prb?03071200", 404, "x/t", "");
    DxClient byQuery, byProbes;
    for (auto [client, set, end, shown] :
         {std::tuple{&byQuery, mSet.get(), 300, 0}, {&byProbes, mProbeSet.get(), 900, 300}})
    {
        client->SetSet(set), client->SetDates(kT, kT + end), client->SetDisplayDate(kT + shown);
        client->RefreshClient();
    }
    ASSERT_TRUE(Settle([&] { return byQuery.FrameDate() == kT && byProbes.FrameDate() == kT + 300; }));
    EXPECT_EQ((CxAutoLock(mManager->Region()), mManager->Subscriptions().front()->mStaleThreshold), 300);
    const char* const requests[][4] = {
        {"prb", " GET ", "/prb?03071205", " -- 4 @s -- 200"}, {"prb", " HEAD ", "/prb?03071200", " -- 404"},
        {"prb", " HEAD ", "/prb?03071205", " -- 200"},        {"tst", " GET ", "/tst?q", " (4 results) 155 -- 200"},
        {"tst", " GET ", "/tst?03071155", " -- 4 @s -- 200"}, {"tst", " GET ", "/tst?03071200", " -- 4 @s -- 200"},
        {"tst", " GET ", "/tst?03071205", " -- 4 @s -- 200"}};
    std::vector<std::string> expected{"12:00:00 prb Search:  " + kT.AsString().AsUtf8() + " to " +
                                      (kT + 900).AsString().AsUtf8() + " (1 new results)"};
    for (auto [id, verb, path, rest] : requests)
        expected.push_back(std::string("12:00:00 ") + id + verb + mServer.Url(path) + rest);
    auto lines = Lines();
    std::sort(lines.begin(), lines.end()), std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines, expected);
}

// A download of the former configuration's URL answering after the release stores nothing and leaves the record that
// took its place to its own job; the new URL's file, of the same Last-Modified, is drawn and kept. Rows: the old reply
// held past the release, then also past the new request; the old server 300 ms slow; the URL unchanged (a login),
// the reply of the released record held past the new one's.
TEST_F(DxNetworkTest, AReplyOfTheFormerConfigurationIsDropped)
{
    const auto until = [](const std::function<bool()>& inCondition)
    { return pf::MainLoop().RunUntil(inCondition, sky::test::kBound); };
    for (const auto& [row, holdOld, holdNew, same] :
         {std::tuple{0, true, false, false}, {1, true, true, false}, {2, false, false, false}, {3, true, false, true}})
    {
        SCOPED_TRACE(row);
        const CxDate date = kT + 300.0 * row;
        const std::string old = "/old" + std::to_string(row), fresh = same ? old : "/new" + std::to_string(row);
        auto go = std::make_shared<std::array<sky::test::Latch, 3>>(); // the old reply's, the new one's, neither's
        (*go)[2].CountDown();
        const auto serve = [go](const char* inBody, int inHeld)
        { return HeldReply(std::shared_ptr<sky::test::Latch>(go, &(*go)[inHeld]), inBody); };
        mServer.AddHandler(old, serve("old", holdOld ? 0 : 2)).Delay(holdOld ? 0 : 300);
        if (same)
            mServer.AddHandler(old, [hits = std::make_shared<std::atomic<int>>(), first = serve("old", 0),
                                     next = serve("new", 2)](const auto& inRequest, auto& outReply)
                               { ((*hits)++ == 0 ? first : next)(inRequest, outReply); });
        else
            mServer.AddHandler(fresh, serve("new", holdNew ? 1 : 2));
        (CxAutoLock(mManager->Region()), mManager->mBase = mServer.Url(old + "?"));
        DxClient client;
        client.SetSet(mSet.get()), client.SetDates(date, date), client.SetDisplayDate(date);
        client.RefreshClient();
        ASSERT_TRUE(until([&] { return mServer.Hits(old) == 1; }));
        (CxAutoLock(mManager->Region()), mManager->mBase = mServer.Url(fresh + "?"));
        mManager->RefreshAllClients();
        ASSERT_TRUE(until([&] { return holdNew ? mServer.Hits(fresh) == 1 : !holdOld || Drawn(client) == "new"; }));
        (*go)[0].CountDown();
        if (holdNew)
        {
            ASSERT_TRUE(until([&] { return (CxAutoLock(mManager->Region()), mManager->CountJobs()) == 1; }));
            CxAutoLock lock(mManager->Region());
            const DxRecord& held = **mManager->FindRecord(DxRecord(date, CxString()));
            EXPECT_TRUE(held.mDownloader != nullptr && held.mLastChecked == DxManager::sMissingDate);
        }
        (*go)[1].CountDown();
        ASSERT_TRUE(Settle());
        EXPECT_EQ(Drawn(client) + Stored(date), "newnew");
        EXPECT_EQ(mServer.Hits(fresh), same ? 2 : 1);
    }
}

// An archiving set's new configuration serves another file of the same Last-Modified: the former file, still
// archived, is neither the next file its client waits for nor the new request's condition. The other archived date,
// which the new configuration does not serve, stays.
TEST_F(DxNetworkTest, AnArchivingSetDrawsTheNewConfigurationsFile)
{
    mManager->mArchive = true;
    for (const char* path : {"/old?03071155", "/old?03071200"})
        mServer.AddDocument(path, 200, "x/t", "old").LastModified(kUnixT - 60);
    // The new file waits until the former one has been read again, so that reading always comes first.
    auto go = std::make_shared<sky::test::Latch>();
    mServer.AddHandler("/new?03071200", HeldReply(go, "new"));
    (CxAutoLock(mManager->Region()), mManager->mBase = mServer.Url("/old?"));
    DxClient client;
    client.SetSet(mSet.get()), client.SetDates(kT - 300, kT), client.SetDisplayDate(kT);
    client.RefreshClient();
    ASSERT_TRUE(Settle([&] { return Drawn(client) == "old"; }));
    (CxAutoLock(mManager->Region()), mManager->mBase = mServer.Url("/new?"));
    mManager->RefreshAllClients();
    const bool reread = pf::MainLoop().RunUntil(
        [&]
        { return mServer.Hits("/new?03071200") == 1 && (CxAutoLock(mManager->Region()), mManager->CountJobs()) == 1; },
        sky::test::kBound);
    go->CountDown();
    ASSERT_TRUE(reread && Settle());
    EXPECT_EQ(Drawn(client) + Stored(kT, "data") + Stored(kT - 300, "data"), "newnewold");
}

} // namespace
