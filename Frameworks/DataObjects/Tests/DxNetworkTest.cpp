#include "../../CoreObjects/Tests/CxDateTestHelpers.h"
#include "CxLog.h"
#include "CxMime.h"
#include "CxSystem.h"
#include "DxLogger.h"
#include "DxManager.h"
#include "LoopbackServer.h"
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
    NetManager() : DxManager("tst") { mExtensions = {".tst", ".kdf"}, SetTimeResolution(300), mConfigured = true; }
    using DxManager::mMimeMapping, DxManager::mQueryUrlFormat;
    static CxString Key(const CxDate& inDate) { return inDate.AsString(CxString("%m%d%H%M"), 0); }
    CxString OnGetFilenameForRecord(DxRecord* inRecord, CxStringList&) override { return Key(inRecord->Date()); }
    CxString OnGetUrlForRecord(DxRecord* inRecord) override { return CxString::FromUtf8(mBase) + Key(inRecord->mDate); }
    std::string mBase;
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
        mManager = std::make_unique<NetManager>();
        mManager->mBase = mServer.Base() + "/d?";
        mManager->SetAuthenticationKey("Skyvane: tst");
    }
    std::string Line(std::size_t inFromEnd = 1) const
    {
        std::ifstream in(mHome.Path() + "/.local/state/skyvane/data.log");
        std::vector<std::string> lines{""};
        for (std::string line; std::getline(in, line);)
            lines.push_back(std::regex_replace(line, std::regex(R"( \d+\.\d\ds -- )"), " @s -- ")); // time taken
        return lines[lines.size() > inFromEnd ? lines.size() - inFromEnd : 0];
    }

    sky::test::TempHome mHome;
    sky::test::ScopedTz mTz{"Asia/Tokyo"};
    double mClock = 0;
    sky::test::ScopedNow mNow{[this] { return kT.AbsoluteTime() + mClock; }};
    sky::test::LoopbackServer mServer;
    std::unique_ptr<NetManager> mManager;
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

} // namespace
