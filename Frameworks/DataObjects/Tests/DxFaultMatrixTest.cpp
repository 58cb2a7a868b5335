// Network faults made on loopback, driven through an observation manager and the job threads: after each the
// manager still serves, the status and the data log say what happened, the cache holds the previous good file
// (no partial or foreign one), and a good reply that follows is used as usual. Then clients coming and going.
#include "CxUrl.h"
#include "DxManagerFixture.h"
#include "DxObsClient.h"
#include "DxObsManager.h"
#include "PfRunLoop.h"
#include "TestLatch.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <sstream>

namespace
{

namespace fs = std::filesystem;
using sky::test::LoopbackServer;

const CxDate kNow(2020, 7, 27, 12, 0, 0, 0);
const std::time_t kUnixNow = sky::test::UtcTime(2020, 7, 27, 12, 0, 0);
const std::string kPath = "/kdf/2020072712.kdf";

std::string Kdf(int inTemperature, std::size_t inPadding = 0)
{
    return "101\n1 2020 7 27 12 0 0\nSTID STNM TIME TMPF\nHBR01 1 0 " + std::to_string(inTemperature) + "\n" +
           std::string(inPadding, '\n');
}

class DxFaultMatrixTest : public dxtest::ManagerTest
{
protected:
    DxFaultMatrixTest() : ManagerTest(kNow) {}
    void SetUp() override
    {
        ManagerTest::SetUp();
        mServer.AddDocument("/nimbrel/registry.php", 200, "text/xml", dxtest::Document("datasetconfig", R"(
            <property id="type" value="kdf"/><property id="baseUrl" value="@BASE@/"/>
            <property id="parmInfoUrl" value="parminfo.xml"/><property id="siteInfoUrl" value="siteinfo.xml"/>
            <property id="dataUrlFormat" value="kdf/%04Y%02m%02d%02H.kdf"/>
            <property id="dataResolution" value="3600" units="secs"/>)"));
        mServer.AddDocument("/parminfo.xml", 200, "text/xml",
                            dxtest::Document("parminfo", R"(<parm id="tmpf" type="float" units="fahr"/>)"));
        mServer.AddDocument("/siteinfo.xml", 200, "text/xml", dxtest::FixtureText("siteinfo.xml"));
        mSet = DxSet::FindOrCreateSet("obs", kDxManagerShp);
        mManager = mSet->ObsManager();
        ASSERT_NE(mManager, nullptr);
        ASSERT_TRUE(mManager->PerformConfigUpdate());
    }
    void TearDown() override
    {
        mClient.reset();
        CxUrl::SetOverallTimeoutForTesting(0);
        ManagerTest::TearDown();
    }
    // The client asks for the hour once; later phases are the manager's own refresh of the record, due once the
    // clock has passed the refresh interval and the memory of recent requests. A phase ends when the request is
    // logged and the manager's jobs are done, and, when a table is wanted, once it carries the value.
    double Phase(double inWanted = NAN)
    {
        const std::size_t logged = Log().size();
        if (mClient == nullptr)
        {
            mClient = std::make_unique<DxObsClient>();
            mClient->AddParm(DxParm("tmpf", "tmpf", kDxTypeFloat, DxUnit("fahr"), DxUnitSet(), 1.0));
            mClient->SetSet(mSet);
            mClient->SetDates(kNow, kNow);
            mClient->SetDisplayDate(kNow);
            mClient->RefreshClient();
        }
        else
        {
            mClock = mClock + 301.0;
            pf::MainLoop().Advance(std::chrono::seconds(60));
        }
        const bool done = pf::MainLoop().RunUntil(
            [&] { return Idle() && Requested(logged) && (std::isnan(inWanted) || Temperature() == inWanted); },
            std::chrono::seconds(20));
        EXPECT_TRUE(done) << "bounded\n" << Log().substr(logged);
        return Temperature();
    }
    // Jobs are added on the job threads under the manager's lock.
    bool Idle() const
    {
        CxAutoLock lock(mManager->Region());
        return mManager->CountJobs() == 0;
    }
    double Temperature() const
    {
        const DxTable* table = mClient->Table();
        const DxFloatField* field = table != nullptr ? table->FindFloatField("tmpf:fahr") : nullptr;
        return field != nullptr && !field->empty() ? field->front() : NAN;
    }
    bool Requested(std::size_t inFrom) const
    {
        return Log().find(" GET " + mServer.Url(kPath) + " -- ", inFrom) != std::string::npos;
    }
    std::string Log() const
    {
        std::ostringstream log;
        log << std::ifstream(mHome.Path() + "/.local/state/skyvane/data.log").rdbuf();
        return log.str();
    }
    // Every file the set keeps apart from its configuration, with its contents.
    std::map<std::string, std::string> Cache() const
    {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(mHome.Path() + "/obs"))
            if (entry.is_regular_file() && entry.path().parent_path().filename() != "info")
            {
                std::ostringstream text;
                text << std::ifstream(entry.path(), std::ios::binary).rdbuf();
                files[entry.path().string()] = text.str();
            }
        return files;
    }
    std::time_t UnixNow() const { return kUnixNow + std::time_t(mClock.load() - kNow.AbsoluteTime()); }
    // Dated after every earlier reply, and before the clock of the phase that fetches it.
    void Good(int inTemperature)
    {
        mLatest = std::max(UnixNow() + 100, mLatest + 1);
        mServer.AddDocument(kPath, 200, "application/kdf", Kdf(inTemperature)).LastModified(mLatest);
    }
    // A fault answers whatever the request's condition.
    LoopbackServer::Route Fault(int inStatus, const char* inType, const std::string& inBody)
    {
        return mServer.AddDocument(kPath, inStatus, inType, inBody).NoLastModified();
    }

    std::unique_ptr<DxObsClient> mClient;
    std::time_t mLatest = 0;
    std::atomic<double> mClock = kNow.AbsoluteTime();
    sky::test::ScopedNow mMovingNow{[this] { return mClock.load(); }};
    DxSet* mSet = nullptr;
    DxObsManager* mManager = nullptr;
};

TEST_F(DxFaultMatrixTest, EveryFaultLeavesTheManagerServing)
{
    const sky::test::ClosedPort closed;
    const std::string html = "<!DOCTYPE html><html><body>Sign in to continue</body></html>";
    std::string noise(64u << 20, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 2654435761u) >> 13);
    using Setup = std::function<void()>;
    int temperature = 50;
    const std::time_t future = kUnixNow + 864000;
    const auto now = [this] { return UnixNow(); };
    const struct
    {
        const char* mFault;
        Setup mSetup;
        const char* mStatus;
        std::string mLogged; // what the data log adds
        bool mAuthenticated = true;
        int mStored = 0; // a reply kept: its temperature, and the file's date
        std::function<std::time_t()> mStamp = nullptr;
    } cases[] = {
        {"body cut", [&] { Fault(200, "application/kdf", Kdf(1, 400)).CutAfter(30); }, "Host Unreachable.", " -- 0\n"},
        {"closed after headers", [&] { Fault(200, "application/kdf", Kdf(1)).CutAfter(0); }, "Host Unreachable.",
         " -- 0\n"},
        {"short length", [&] { Fault(200, "application/kdf", Kdf(1)).ShortLength(30); }, "Idle.",
         " reply does not read as a .kdf file; not written.\n"},
        {"500", [&] { Fault(500, "text/plain", "oops"); }, "Idle.", " -- 500\n"},
        {"503", [&] { Fault(503, "text/plain", "busy"); }, "Idle.", " -- 503\n"},
        {"404", [&] { Fault(404, "text/plain", "gone"); }, "Idle.", " -- 404\n"},
        {"401 forever", [&] { Fault(200, "application/kdf", Kdf(1)).RequireBasic("u", "p"); }, "Authentication failed.",
         " -- 401\n", false},
        {"redirect loop", [&] { mServer.AddRedirectChain(kPath, 1, kPath); }, "Idle.", " -- 302\n"},
        {"redirect to a closed port", [&] { mServer.AddRedirectChain(kPath, 1, closed.Url(kPath)); }, "Idle.",
         " -- 302\n"},
        {"never answers",
         [&]
         {
             CxUrl::SetOverallTimeoutForTesting(2);
             Fault(200, "application/kdf", Kdf(1)).NeverAnswer();
         },
         "Host Unreachable.", " -- 0\n"},
        {"html as text/html", [&] { Fault(200, "text/html", html); }, "Idle.",
         " text/html is an unsupported mime type for this data set.\n"},
        {"html as application/kdf", [&] { Fault(200, "application/kdf", html); }, "Idle.",
         " reply does not read as a .kdf file; not written.\n"},
        {"empty 200", [&] { Fault(200, "application/kdf", ""); }, "Idle.", " zero byte data file not written.\n"},
        {"64 MiB of noise", [&] { Fault(200, "application/kdf", noise); }, "Idle.",
         " reply does not read as a .kdf file; not written.\n"},
        {"file-size limit", [&] { Fault(200, "application/kdf", Kdf(1, 200000)); }, "Idle.", " -- 200\n"},
        {"no Last-Modified", [&] { Fault(200, "application/kdf", Kdf(90)); }, "Idle.", " -- 200\n", true, 90, now},
        {"malformed Last-Modified",
         [&] { Fault(200, "application/kdf", Kdf(91)).Header("Last-Modified", "yesterday"); }, "Idle.", " -- 200\n",
         true, 91, now},
        {"Last-Modified in the future",
         [&]
         {
             Fault(200, "application/kdf", Kdf(92)).Header("Last-Modified", sky::test::HttpDate(future));
             mLatest = future;
         },
         "Idle.", " -- 200\n", true, 92, [&] { return future; }},
        {"200 with the same bytes to If-Modified-Since",
         [&]
         {
             mServer.AddHandler(kPath,
                                [&](const sky::test::HttpRequest&, sky::test::HttpReply& outReply)
                                {
                                    outReply.contentType = "application/kdf";
                                    outReply.body = Kdf(temperature);
                                    outReply.headers.push_back({"Last-Modified", sky::test::HttpDate(mLatest)});
                                });
         },
         "Idle.", " -- 200\n"},
    };
    Good(50);
    ASSERT_EQ(Phase(50), 50.0);
    ASSERT_EQ(Cache().size(), 1u);
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mFault);
        const std::map<std::string, std::string> before = Cache();
        const std::size_t logged = Log().size();
        c.mSetup();
        const auto start = std::chrono::steady_clock::now();
        struct rlimit saved = {};
        const bool limited = std::string(c.mFault) == "file-size limit";
        if (limited)
        {
            // Writes past the limit fail with EFBIG instead of raising SIGXFSZ.
            std::signal(SIGXFSZ, SIG_IGN);
            getrlimit(RLIMIT_FSIZE, &saved);
            struct rlimit limit = saved;
            limit.rlim_cur = 100000;
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        Phase(c.mStored != 0 ? c.mStored : NAN);
        if (limited)
            setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        EXPECT_EQ(mManager->Status(), c.mStatus);
        const std::string added = Log().substr(logged);
        EXPECT_NE(added.find(c.mLogged), std::string::npos) << added;
        EXPECT_EQ(mManager->IsAuthenticated(), c.mAuthenticated);
        const std::map<std::string, std::string> after = Cache();
        if (c.mStored == 0)
            EXPECT_EQ(after, before) << "the previous good file, and nothing besides";
        else if (after.size() != 1)
            ADD_FAILURE() << "one file, the reply";
        else
        {
            EXPECT_EQ(after.begin()->second, Kdf(c.mStored));
            const auto written = std::chrono::file_clock::to_sys(fs::last_write_time(after.begin()->first));
            EXPECT_EQ(std::chrono::system_clock::to_time_t(written), c.mStamp());
        }
        Good(++temperature);
        EXPECT_EQ(Phase(temperature), temperature) << "a good reply after the fault";
        EXPECT_TRUE(mManager->IsAuthenticated());
    }
}

// Fifty clients come and go in a seeded random order over six hours of files while downloads, updates and
// refreshes run; afterwards every client still gets its table, and nothing is left running or allocated.
TEST_F(DxFaultMatrixTest, ClientsComeAndGoWhileJobsRun)
{
    constexpr int kClients = 50, kHours = 6;
    const auto File = [](int inHour)
    {
        const int hour = 12 - inHour;
        return "/kdf/20200727" + std::string(hour < 10 ? "0" : "") + std::to_string(hour) + ".kdf";
    };
    for (int hour = 0; hour < kHours; ++hour)
        mServer.AddDocument(File(hour), 200, "application/kdf", Kdf(hour)).Delay(hour * 10);
    std::mt19937 random(47);
    std::vector<std::unique_ptr<DxObsClient>> clients(kClients);
    const auto subscribe = [this](std::unique_ptr<DxObsClient>& outClient, int inHour)
    {
        outClient = std::make_unique<DxObsClient>();
        outClient->AddParm(DxParm("tmpf", "tmpf", kDxTypeFloat, DxUnit("fahr"), DxUnitSet(), 1.0));
        outClient->SetSet(mSet);
        const CxDate date = kNow - 3600.0 * inHour;
        outClient->SetDates(date, date);
        outClient->SetDisplayDate(date);
        outClient->RefreshClient();
    };
    const auto start = std::chrono::steady_clock::now();
    for (int step = 0; step < 600; ++step)
    {
        std::unique_ptr<DxObsClient>& client = clients[random() % kClients];
        if (client == nullptr || random() % 3 == 0)
            subscribe(client, int(random() % kHours));
        else
            client.reset();
        if (step % 100 == 99)
        {
            mClock = mClock + 301.0;
            pf::MainLoop().Advance(std::chrono::seconds(60));
        }
        pf::MainLoop().RunOnce(std::chrono::milliseconds(random() % 3));
    }
    for (int hour = 0; hour < kHours; ++hour)
        EXPECT_GT(mServer.Hits(File(hour)), 0) << "downloads ran meanwhile";
    for (std::unique_ptr<DxObsClient>& client : clients)
        subscribe(client, 2);
    EXPECT_TRUE(pf::MainLoop().RunUntil(
        [&]
        {
            return std::all_of(clients.begin(), clients.end(),
                               [](const auto& inClient) { return inClient->Table() != nullptr; });
        },
        std::chrono::seconds(30)));
    EXPECT_EQ(clients.front()->Table()->FindFloatField("tmpf:fahr")->front(), 2.0);
    clients.clear();
    EXPECT_TRUE(pf::MainLoop().RunUntil([this] { return Idle(); }, std::chrono::seconds(30)));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

} // namespace
