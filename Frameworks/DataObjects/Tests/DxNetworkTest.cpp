#include "../../CoreObjects/Tests/CxDateTestHelpers.h"
#include "CxJob.h"
#include "CxLog.h"
#include "CxMime.h"
#include "CxSystem.h"
#include "DxLogger.h"
#include "DxManager.h"
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

namespace fs = std::filesystem;
using Route = sky::test::LoopbackServer::Route;
const CxDate kT(2008, 3, 7, 12, 0, 0, 0);
const std::time_t kUnixT = sky::test::UtcTime(2008, 3, 7, 12, 0, 0);

class NetManager : public DxManager
{
public:
    NetManager() : DxManager("tst")
    {
        mExtensions = {".tst", ".kdf"};
        SetTimeResolution(300);
        mConfigured = true;
    }
    using DxManager::AddRecord;
    using DxManager::mAutoRefresh, DxManager::mMimeMapping, DxManager::mQueryUrlFormat, DxManager::mUpdateCachedData;
    std::string mBase;
    std::atomic<int> mConfigs{0};

protected:
    CxString OnGetFilenameForRecord(DxRecord* inRecord, CxStringList& outFolders) override
    {
        outFolders.push_back("tst");
        return inRecord->Date().AsString(CxString("%H%M"), 0);
    }
    CxString OnGetUrlForRecord(DxRecord* inRecord) override
    {
        return CxString::FromUtf8(mBase + "/d/") + inRecord->mDate.AsString(CxString("%H%M"), 0);
    }
    CxString OnGetQueryUrl(const DxSubscription&) override { return CxString::FromUtf8(mBase + "/q"); }
    bool OnUpdateConfig() override { return ++mConfigs > 0; }
};

class DxNetworkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CxMimeInfo("application/x-skyvane-test", ".tst", 0, 0, "test").Register();
        DxManager::SetRootDataFolder(CxFolder(CxFileRef{mHome.Path()}));
        DxManager::SetRootCacheFolder(CxFolder(CxFileRef{mHome.Path()}));
        DxManager::GoOnline();
        pf::MainLoop().ResetForTesting(pf::ClockKind::kVirtual);
        for (auto [type, id] : {std::pair{100, 1}, {101, 5}, {102, 7}})
            mThreads.push_back(std::make_unique<CxJobThread>(type, id));
        DxLogger::Instance().AttachLog(new CxLog(CxFolder(kCxLogsFolder).CreateFile("data.log")));
        mManager = std::make_unique<NetManager>();
        mManager->mBase = mServer.Base();
        mManager->SetAuthenticationKey("Skyvane: tst");
    }
    void TearDown() override
    {
        mThreads.clear();
        mManager.reset();
        DxLogger::Instance().AttachLog(nullptr);
        pf::MainLoop().ResetForTesting(pf::ClockKind::kReal);
    }
    // The data log, the seconds a request took written as "@".
    std::vector<std::string> Log() const
    {
        std::ifstream in(mHome.Path() + "/.local/state/skyvane/data.log");
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(std::regex_replace(line, std::regex(R"( \d+\.\d\ds -- )"), " @s -- "));
        return lines;
    }
    fs::path File(const char* inTime, const char* inExtension) const
    {
        return fs::path(mHome.Path()) / "tst/Temporary/2008/03/07/tst" / (std::string(inTime) + inExtension);
    }
    std::string Url(const std::string& inPath) const { return mServer.Url(inPath); }

    sky::test::TempHome mHome;
    sky::test::ScopedTz mTz{"Asia/Tokyo"};
    sky::test::ScopedNow mNow{[] { return kT.AbsoluteTime() + pf::MainLoop().Now().count() / 1e9; }};
    sky::test::LoopbackServer mServer;
    std::vector<std::unique_ptr<CxJobThread>> mThreads;
    std::unique_ptr<NetManager> mManager;
};

TEST_F(DxNetworkTest, DownloadsStoreWhatTheDataSetTakesAndLogEachRequest)
{
    const char* kType = "application/x-skyvane-test";
    const struct
    {
        const char *name, *time, *type, *body, *mapping;
        std::function<void(Route)> route;
        CxSint32 code;
        const char *bytes, *status, *extension, *extraLine;
        std::time_t modified; // 0: the time it arrived
    } cases[] = {
        {"no Last-Modified", "1200", kType, "data", "", [](Route r) { r.NoLastModified(); }, 200, "4", "Idle.", ".tst",
         nullptr, 0},
        {"garbage Last-Modified", "1205", kType, "data", "",
         [](Route r) { r.NoLastModified().Header("Last-Modified", "garbage"); }, 200, "4", "Idle.", ".tst", nullptr, 0},
        {"parameters and case", "1210", " Application/X-Skyvane-TEST; charset=utf-8", "data", "",
         [](Route r) { r.LastModified(kUnixT - 3600); }, 200, "4", "Idle.", ".tst", nullptr, kUnixT - 3600},
        {"mapping", "1215", "TEXT/plain", "data", " text/plain : Application/KDF",
         [](Route r) { r.LastModified(kUnixT - 60); }, 200, "4", "Idle.", ".kdf", nullptr, kUnixT - 60},
        {"unknown type", "1220", "image/png", "data", "", [](Route) {}, 200, "4", "Idle.", nullptr,
         " image/png is an unsupported mime type for this data set.", 0},
        {"empty body", "1225", kType, "", "", [](Route) {}, 200, "0", "Idle.", nullptr,
         " zero byte data file not written.", 0},
        {"cut body", "1230", kType, "0123456789", "", [](Route r) { r.CutAfter(2); }, 0, "0", "Host Unreachable.",
         nullptr, nullptr, 0},
        {"right login", "1235", kType, "data", "", [](Route r) { r.RequireBasic("u", "p").NoLastModified(); }, 200, "4",
         "Idle.", ".tst", nullptr, 0},
        {"wrong login", "1240", kType, "data", "", [](Route r) { r.RequireBasic("u", "x"); }, 401, "43",
         "Authentication failed.", nullptr, nullptr, 0},
    };
    ASSERT_TRUE(CxWriteAuthentication(mManager->AuthenticationKey(), "u", "p"));
    mManager->mQueryUrlFormat = "query"; // the record's own date only
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::string path = std::string("/d/") + c.time;
        c.route(mServer.AddDocument(path, 200, c.type, c.body));
        mManager->mMimeMapping = c.mapping;
        DxRecord record(kT + 60.0 * (std::stoi(c.time) - 1200), "stn");
        const std::size_t before = Log().size();
        EXPECT_EQ(mManager->PerformDownload(record), c.code);
        EXPECT_EQ(mManager->Status(), c.status);
        std::vector<std::string> expected = {"12:00:00 tst GET " + Url(path) + " -- " + c.bytes + " @s -- " +
                                             std::to_string(c.code)};
        if (c.extraLine != nullptr)
            expected.push_back(std::string("12:00:00 tst") + c.extraLine);
        const std::vector<std::string> log = Log();
        EXPECT_EQ(std::vector<std::string>(log.begin() + before, log.end()), expected);
        for (const char* extension : {".tst", ".kdf"})
            EXPECT_EQ(fs::exists(File(c.time, extension)), c.extension && std::string(c.extension) == extension);
        if (c.extension != nullptr)
        {
            const auto written = fs::last_write_time(File(c.time, c.extension));
            EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(
                          std::chrono::file_clock::to_sys(written).time_since_epoch())
                          .count(),
                      c.modified ? c.modified : kUnixT);
        }
    }
    // Past the 15 s rule, each stored file's date goes out as the condition.
    pf::MainLoop().Advance(std::chrono::seconds(16));
    for (const auto& c : cases)
    {
        DxRecord record(kT + 60.0 * (std::stoi(c.time) - 1200), "stn");
        mManager->PerformDownload(record);
        const sky::test::HttpRequest last = mServer.Requests().back();
        EXPECT_EQ(last.Header("If-Modified-Since"),
                  c.extension ? sky::test::HttpDate(c.modified ? c.modified : kUnixT) : "")
            << c.name;
    }
}

} // namespace
