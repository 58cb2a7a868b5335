// Network faults made on loopback, through an observation manager and the job threads: after each the manager
// still serves, the status and the data log say what happened, the cache holds the previous good file (or the
// reply, when it is one), and a good reply that follows is used. Then clients coming and going.
#include "CxUrl.h"
#include "DxManagerFixture.h"
#include "DxObsClient.h"
#include "DxObsManager.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

namespace
{

namespace fs = std::filesystem;
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
        Reply(200, dxtest::Document("datasetconfig", R"(<property id="baseUrl" value="@BASE@/"/>
            <property id="parmInfoUrl" value="p.xml"/><property id="siteInfoUrl" value="s.xml"/>
            <property id="dataUrlFormat" value="kdf/%Y%m%d%H.kdf"/><property id="dataResolution" value="60"/>)"));
        mServer.AddDocument("/p.xml", 200, "text/xml",
                            dxtest::Document("parminfo", R"(<parm id="tmpf" type="float" units="fahr"/>)"));
        mServer.AddDocument("/s.xml", 200, "text/xml", dxtest::FixtureText("siteinfo.xml"));
        ASSERT_NE(mManager = (mSet = DxSet::FindOrCreateSet("obs", kDxManagerShp))->ObsManager(), nullptr);
        ASSERT_TRUE(mManager->PerformConfigUpdate());
    }
    void TearDown() override
    {
        mClients.clear(); // while the set and its jobs are there
        CxUrl::SetOverallTimeoutForTesting(0);
        ManagerTest::TearDown();
    }
    void Subscribe(std::unique_ptr<DxObsClient>& outClient, int inHoursBack)
    {
        outClient = std::make_unique<DxObsClient>();
        outClient->AddParm(DxParm("tmpf", "tmpf", kDxTypeFloat, DxUnit("fahr"), DxUnitSet(), 1.0));
        outClient->SetSet(mSet);
        const CxDate date = kNow - 3600.0 * inHoursBack;
        outClient->SetDates(date, date);
        outClient->SetDisplayDate(date);
        outClient->RefreshClient();
    }
    // The first phase subscribes; later ones are the manager's own refresh of the record, due once the clock has
    // passed the refresh interval. A phase ends with the request logged (its path as the template made it), no job
    // left and the table wanted shown.
    double Phase(double inWanted = NAN, const std::string& inLogged = kPath)
    {
        const std::size_t logged = Log().size();
        if (mClients.empty())
            Subscribe(mClients.emplace_back(), 0);
        mClock = mClock + 301.0;
        pf::MainLoop().Advance(std::chrono::seconds(60));
        EXPECT_TRUE(pf::MainLoop().RunUntil(
            [&]
            {
                return Idle() && Log().find(" GET " + mServer.Url(inLogged), logged) != std::string::npos &&
                       (std::isnan(inWanted) || Temperature(0) == inWanted);
            },
            std::chrono::seconds(20)))
            << Log().substr(logged);
        return Temperature(0);
    }
    bool Idle() const
    {
        CxAutoLock lock(mManager->Region()); // jobs are added on the job threads
        return mManager->CountJobs() == 0;
    }
    double Temperature(std::size_t inClient) const
    {
        const DxTable* table = mClients[inClient]->Table();
        const DxFloatField* field = table != nullptr ? table->FindFloatField("tmpf:fahr") : nullptr;
        return field != nullptr && !field->empty() ? field->front() : NAN;
    }
    std::string Log() const
    {
        std::ostringstream log;
        log << std::ifstream(mHome.Path() + "/.local/state/skyvane/data.log").rdbuf();
        return log.str();
    }
    // Each file the set keeps besides its configuration: contents and date.
    std::map<std::string, std::pair<std::string, std::time_t>> Cache() const
    {
        std::map<std::string, std::pair<std::string, std::time_t>> files;
        for (const auto& entry : fs::recursive_directory_iterator(mHome.Path() + "/obs"))
            if (entry.is_regular_file() && entry.path().parent_path().filename() != "info")
            {
                std::ostringstream text;
                text << std::ifstream(entry.path(), std::ios::binary).rdbuf();
                files[entry.path()] = {text.str(), std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(
                                                       fs::last_write_time(entry.path())))};
            }
        return files;
    }
    std::time_t UnixNow() const { return kUnixNow + std::time_t(mClock - kNow.AbsoluteTime()); }
    // A fault answers whatever the request's condition; a good reply is dated after every earlier one.
    sky::test::LoopbackServer::Route Fault(int inStatus, const char* inType, const std::string& inBody)
    {
        return mServer.AddDocument(kPath, inStatus, inType, inBody).NoLastModified();
    }
    void Good(int inTemperature)
    {
        mLatest = std::max(UnixNow() + 100, mLatest + 1);
        mServer.AddDocument(kPath, 200, "application/kdf", Kdf(inTemperature)).LastModified(mLatest);
    }

    std::vector<std::unique_ptr<DxObsClient>> mClients;
    std::time_t mLatest = 0;
    std::atomic<double> mClock = kNow.AbsoluteTime();
    sky::test::ScopedNow mMovingNow{[this] { return mClock.load(); }};
    DxSet* mSet = nullptr;
    DxObsManager* mManager = nullptr;
};

TEST_F(DxFaultMatrixTest, EveryFaultLeavesTheManagerServing)
{
    const sky::test::ClosedPort closed;
    const std::string html = "<!DOCTYPE html><html><body>Sign in</body></html>";
    const char* kdf = "application/kdf";
    std::string noise(64u << 20, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 2654435761u) >> 13);
    const char *unreachable = "Host Unreachable.", *refused = " reply does not read as a .kdf file; not written.";
    int temperature = 50;
    const std::time_t future = kUnixNow + 864000;
    const struct
    {
        const char* mFault;
        std::function<void()> mSetup;
        const char* mStatus = "Idle.";
        std::string mLogged = " -- 200\n"; // what the data log adds
        int mStored = 0;                   // a reply kept, by its temperature
        std::time_t mStamp = 0;            // and its date, 0 for now
    } cases[] = {
        {"body cut", [&] { Fault(200, kdf, Kdf(1, 400)).CutAfter(30); }, unreachable, " -- 0\n"},
        {"closed after headers", [&] { Fault(200, kdf, Kdf(1)).CutAfter(0); }, unreachable, " -- 0\n"},
        {"short Content-Length", [&] { Fault(200, kdf, Kdf(1)).ShortLength(30); }, "Idle.", refused},
        {"500", [&] { Fault(500, "text/plain", "oops"); }, "Idle.", " -- 500\n"},
        {"503", [&] { Fault(503, "text/plain", "busy"); }, "Idle.", " -- 503\n"},
        {"404", [&] { Fault(404, "text/plain", "gone"); }, "Idle.", " -- 404\n"},
        {"401", [&] { Fault(200, kdf, Kdf(1)).RequireBasic("u", "p"); }, "Authentication failed.", " -- 401\n"},
        {"redirect loop", [&] { mServer.AddRedirectChain(kPath, 1, kPath); }, "Idle.", " -- 302\n"},
        {"redirect to a closed port", [&] { mServer.AddRedirectChain(kPath, 1, closed.Url(kPath)); }, "Idle.",
         " -- 302\n"},
        {"never answers", [&] { CxUrl::SetOverallTimeoutForTesting(2), Fault(200, kdf, "").NeverAnswer(); },
         unreachable, " -- 0\n"},
        {"html as text/html", [&] { Fault(200, "text/html", html); }, "Idle.",
         " text/html is an unsupported mime type"},
        {"html as a data file", [&] { Fault(200, kdf, html); }, "Idle.", refused},
        {"empty 200", [&] { Fault(200, kdf, ""); }, "Idle.", " zero byte data file not written.\n"},
        {"64 MiB of noise", [&] { Fault(200, kdf, noise); }, "Idle.", refused},
        {"file-size limit", [&] { Fault(200, kdf, Kdf(1, 200000)); }},
        {"no Last-Modified", [&] { Fault(200, kdf, Kdf(90)); }, "Idle.", " -- 200\n", 90},
        {"bad Last-Modified", [&] { Fault(200, kdf, Kdf(91)).Header("Last-Modified", "x"); }, "Idle.", " -- 200\n", 91},
        // Dated on arrival: sent back as If-Modified-Since, the server's date would hold off the next good file,
        // which an honest server dates by its own clock, before this one.
        {"future Last-Modified", [&] { Fault(200, kdf, Kdf(92)).Header("Last-Modified", sky::test::HttpDate(future)); },
         "Idle.", " -- 200\n", 92},
        {"same bytes to If-Modified-Since",
         [&] { Fault(200, kdf, Kdf(temperature)).Header("Last-Modified", sky::test::HttpDate(mLatest)); }},
    };
    Good(50);
    ASSERT_EQ(Phase(50), 50.0);
    std::signal(SIGXFSZ, SIG_IGN); // a write past the file-size limit fails with EFBIG instead
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mFault);
        const auto before = Cache();
        const std::size_t logged = Log().size();
        c.mSetup();
        const auto start = std::chrono::steady_clock::now();
        struct rlimit saved = {}, limit = {100000, RLIM_INFINITY};
        getrlimit(RLIMIT_FSIZE, &saved);
        if (c.mFault == std::string("file-size limit"))
            setrlimit(RLIMIT_FSIZE, &limit);
        Phase(c.mStored != 0 ? c.mStored : NAN);
        setrlimit(RLIMIT_FSIZE, &saved);
        CxUrl::SetOverallTimeoutForTesting(0); // a short one would fail a slow transfer of a later row
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        EXPECT_EQ(mManager->Status(), c.mStatus);
        EXPECT_NE(Log().find(c.mLogged, logged), std::string::npos) << Log().substr(logged);
        EXPECT_EQ(mManager->IsAuthenticated(), c.mFault != std::string("401"));
        const auto after = Cache();
        if (c.mStored == 0)
            EXPECT_EQ(after, before) << "the previous good file, and nothing besides";
        else
            EXPECT_EQ(after,
                      (decltype(after){{before.begin()->first, {Kdf(c.mStored), c.mStamp ? c.mStamp : UnixNow()}}}));
        Good(++temperature);
        EXPECT_EQ(Phase(temperature), temperature) << "a good reply after the fault";
        EXPECT_TRUE(mManager->IsAuthenticated());
    }
}

// Configuration faults, through the same manager: after each the previous configuration is still in force (or the
// new one, when it was one), nothing is written outside the data folder, and a client subscribing afresh gets the
// data of a good reply that follows.
TEST_F(DxFaultMatrixTest, EveryConfigurationFaultKeepsTheManagerServing)
{
    const std::string registry = mServer.Url("/nimbrel/registry.php?id=obs");
    const std::string config = mHome.Path() + "/obs/info/config.xml";
    const auto read = [](const std::string& inPath)
    {
        std::ostringstream text;
        text << std::ifstream(inPath, std::ios::binary).rdbuf();
        return text.str();
    };
    // The good configuration with the base URL and data URL template given.
    const auto configuration = [](const std::string& inBase, const std::string& inDataUrl)
    {
        return dxtest::Document("datasetconfig", R"(<property id="baseUrl" value="@BASE@)" + inBase + R"("/>
            <property id="parmInfoUrl" value="@BASE@/p.xml"/><property id="siteInfoUrl" value="@BASE@/s.xml"/>
            <property id="dataUrlFormat" value=")" + inDataUrl +
                                                     R"("/><property id="dataResolution" value="60"/>)");
    };
    const auto newer = [this](const std::string& inTarget, const std::string& inBody)
    { mServer.AddDocument(inTarget, 200, "text/xml", inBody).LastModified(std::time(nullptr) + 1000 + ++mLatest); };
    // Hostile set ids (the set's login key is made from the id too): each gets a set or none, never a folder
    // outside the data folder. Text ends at a 0 character, so "x\0y" is the set "x", in the folder "x".
    const std::string hostile[] = {"../rel1-escape-" + std::to_string(getpid()), "..", "a/b", std::string("x\0y", 3),
                                   std::string(300, 'i')};
    // Where each would land if used as a folder name, and the folders the home held before.
    const auto escaped = [&]
    {
        std::vector<std::string> there;
        for (const std::string& path : {"/" + hostile[0], std::string("/../data"), std::string("/../info")})
            if (fs::exists(mHome.Path() + path))
                there.push_back(path);
        for (const auto& entry : fs::directory_iterator(mHome.Path()))
            there.push_back(entry.path().filename());
        return there;
    };
    const struct
    {
        const char* mFault;
        std::function<bool()> mFetch; // the configuration refresh, or whatever the row does instead
        bool mReplaced;               // the refresh read a new configuration
        const char* mStatus;
        std::string mLogged;
        std::string mDataUrl = "/kdf/%Y%m%d%H.kdf"; // the data URL template in force afterwards
        std::vector<std::string> mNewFolders = {};  // of the data folder
    } cases[] = {
        {"config.xml that does not parse",
         [&] { return newer("/nimbrel/registry.php", "<datasetconfig><property"), mManager->PerformConfigUpdate(); },
         false, "Invalid config.xml.", " GET " + registry + " -- 200\n"},
        {"data URL template with ..",
         [&]
         {
             return newer("/nimbrel/registry.php", configuration("/a/b/", "../../kdf/../kdf/%Y%m%d%H.kdf")),
                    mManager->PerformConfigUpdate();
         },
         true, "Idle.", " GET " + registry + " -- 200\n", "/a/b/../../kdf/../kdf/%Y%m%d%H.kdf"},
        {"3 redirects to the configuration",
         [&]
         {
             newer("/c/config.xml", configuration("/", "kdf/%Y%m%d%H.kdf"));
             mServer.AddRedirectChain("/nimbrel/registry.php", 3, "/c/config.xml");
             return mManager->PerformConfigUpdate();
         },
         true, "Idle.", " GET " + registry + " -- 200\n", "/kdf/%Y%m%d%H.kdf"},
        {"4 redirects to the configuration",
         [&]
         {
             newer("/c/config.xml", configuration("/a/b/", "../../kdf/%Y%m%d%H.kdf"));
             mServer.AddRedirectChain("/nimbrel/registry.php", 4, "/c/config.xml");
             return mManager->PerformConfigUpdate();
         },
         false, "Configuration host unreachable.", " GET " + registry + " -- 0\n", "/kdf/%Y%m%d%H.kdf"},
        {"hostile set ids",
         [&]
         {
             newer("/nimbrel/registry.php", configuration("/", "kdf/%Y%m%d%H.kdf"));
             for (const std::string& id : hostile)
                 if (DxSet* set = DxSet::FindOrCreateSet(CxString(id.data(), CxUint32(id.size())), kDxManagerShp))
                     if (DxObsManager* manager = set->ObsManager())
                         manager->PerformConfigUpdate();
             return false;
         },
         false,
         "Idle.",
         "",
         "/kdf/%Y%m%d%H.kdf",
         {"x"}},
    };
    Good(50);
    ASSERT_EQ(Phase(50), 50.0);
    int temperature = 50;
    for (const auto& c : cases)
    {
        auto expectedFolders = escaped();
        expectedFolders.insert(expectedFolders.end(), c.mNewFolders.begin(), c.mNewFolders.end());
        std::sort(expectedFolders.begin(), expectedFolders.end());
        SCOPED_TRACE(c.mFault);
        const std::string before = read(config);
        const auto cached = Cache();
        const std::size_t logged = Log().size();
        EXPECT_EQ(c.mFetch(), c.mReplaced);
        EXPECT_EQ(mManager->Status(), c.mStatus);
        EXPECT_TRUE(c.mLogged.empty() || Log().find(c.mLogged, logged) != std::string::npos) << Log().substr(logged);
        EXPECT_EQ(read(config) != before, c.mReplaced);
        EXPECT_EQ(mManager->DataUrlFormat(), CxString::FromUtf8(mServer.Url(c.mDataUrl)));
        EXPECT_TRUE(mManager->IsConfigured());
        EXPECT_EQ(Cache(), cached);
        auto folders = escaped();
        std::sort(folders.begin(), folders.end());
        EXPECT_EQ(folders, expectedFolders) << "nothing outside the data folder";
        mClients.clear(); // a new subscription, which an unconfigured manager would refuse
        Good(++temperature);
        std::string url = c.mDataUrl;
        url.replace(url.find("%Y%m%d%H"), 8, "2020072712");
        EXPECT_EQ(Phase(temperature, url), temperature) << "a good reply after the fault";
    }
}

// Fifty clients come and go in a seeded order over six hours of files while downloads, updates and refreshes
// run; afterwards each client still gets its table, and no job is left.
TEST_F(DxFaultMatrixTest, ClientsComeAndGoWhileJobsRun)
{
    constexpr int kHours = 6;
    const auto file = [](int inBack) { return "/kdf/20200727" + std::to_string(112 - inBack).substr(1) + ".kdf"; };
    for (int back = 0; back < kHours; ++back)
        mServer.AddDocument(file(back), 200, "application/kdf", Kdf(back)).Delay(back * 10);
    std::mt19937 random(47);
    mClients.resize(50);
    for (int step = 0; step < 600; ++step)
    {
        std::unique_ptr<DxObsClient>& client = mClients[random() % mClients.size()];
        if (client == nullptr || random() % 3 == 0)
            Subscribe(client, int(random() % kHours));
        else
            client.reset();
        if (step % 100 == 99)
            mClock = mClock + 301.0, pf::MainLoop().Advance(std::chrono::seconds(60));
        pf::MainLoop().RunOnce(std::chrono::milliseconds(random() % 3));
    }
    for (int back = 0; back < kHours; ++back)
        EXPECT_GT(mServer.Hits(file(back)), 0) << "downloads ran meanwhile";
    for (std::unique_ptr<DxObsClient>& client : mClients)
        Subscribe(client, 2);
    EXPECT_TRUE(pf::MainLoop().RunUntil(
        [&]
        {
            for (std::size_t i = 0; i < mClients.size(); ++i)
                if (Temperature(i) != 2.0)
                    return false;
            return true;
        },
        std::chrono::seconds(30)));
    mClients.clear();
    EXPECT_TRUE(pf::MainLoop().RunUntil([this] { return Idle(); }, std::chrono::seconds(30)));
}

} // namespace
