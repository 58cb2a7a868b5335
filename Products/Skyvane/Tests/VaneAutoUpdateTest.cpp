#include "VaneAppTest.h"
#include "VaneWindowClicks.h"

#include "CxDebug.h"
#include "CxJob.h"
#include "CxPreferences.h"
#include "CxSystem.h"
#include "CxUrl.h"
#include "DxManager.h"
#include "TestLatch.h"
#include "VaneAutoUpdate.h"
#include "VaneEntryPoints.h"
#include "VanePlugin.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

namespace
{

using namespace vanetest;
namespace fs = std::filesystem;
using sky::test::LoopbackServer;

const char* const kPath = "/builds/autoupdate3.php";
const char* const kQuery = "product=Skyvane&version=1.8.0f4&platform=linux&redirect=";
// 2024-03-10 12:34:56 UTC, and two days before it.
const char* const kNowText = "2024-03-10 12:34:56 UTC";
const char* const kTwoDaysAgo = "2024-03-08 12:34:56 UTC";

class VaneAutoUpdateTest : public AppTest
{
protected:
    void TearDown() override
    {
        AppTest::TearDown();
        mClock.reset();
        unsetenv("SKYVANE_SERVER_UPDATE");
        unsetenv("SKYVANE_OPEN_CMD");
    }

    // Before the host starts: the clock restarts the main loop.
    void UseClock() { mClock.emplace(CxDate(CxString(kNowText))); }
    void Serve(const std::string& inBase)
    {
        setenv("SKYVANE_SERVER_UPDATE", inBase.c_str(), 1);
        DxManager::GoOnline();
    }
    void WritePrefsFile(const std::vector<std::pair<std::string, std::string>>& inProperties)
    {
        std::string text = "<?SkyvanePrefs version=\"1.0d1\" encoding=\"UTF-8\"?><SkyvanePrefs>";
        for (const auto& [id, value] : inProperties)
            text += "<property id=\"" + id + "\" value=\"" + value + "\"/>";
        WriteText(PrefsPath(), text + "</SkyvanePrefs>");
    }
    std::string PrefsPath() const { return Home() + "/.config/skyvane/SkyvanePrefs.xml"; }
    std::string LogPath() const { return Home() + "/.local/state/skyvane/SkyvanePlugin.log"; }
    static std::string Value(const char* inKey) { return CxGetGlobalPreferences().GetStringValue(inKey).AsUtf8(); }
    static bool Has(const char* inKey) { return CxGetGlobalPreferences().HasValue(inKey); }
    // Until the server has seen that many requests and no check is outstanding.
    static bool Settle(const LoopbackServer& inServer, std::size_t inRequests)
    {
        return pf::MainLoop().RunUntil([&] { return inServer.RequestCount() >= inRequests && !gPlugin->IsChecking(); },
                                       sky::test::kBound);
    }
    static bool Settle()
    {
        return pf::MainLoop().RunUntil([] { return !gPlugin->IsChecking(); }, sky::test::kBound);
    }
    // Minutes of ticks on the virtual clock, the main loop pumped after each.
    void Tick(int inMinutes)
    {
        for (int i = 0; i < inMinutes; ++i)
        {
            mClock->Advance(60000);
            pf::MainLoop().RunOnce(pf::Nanos(0));
        }
    }

    std::optional<wxkit::KitClock> mClock;
};

TEST_F(VaneAutoUpdateTest, TheDueDateFollowsTheIntervalAndTheLastCheck)
{
    struct Row
    {
        const char* interval; // null: the key removed
        const char* last;     // null: absent
        const char* due;
    };
    // Now is 2024-04-10 08:00:00 UTC (April has 30 days).
    const Row rows[] = {
        {"1", "2023-01-15 10:00:00 UTC", "2023-01-16 10:00:00 UTC"},
        {"2", "2023-01-15 10:00:00 UTC", "2023-01-22 10:00:00 UTC"},
        {"3", "2023-01-15 10:00:00 UTC", "2023-02-15 10:00:00 UTC"},
        {"3", "2023-02-10 10:00:00 UTC", "2023-03-10 10:00:00 UTC"},
        {"3", "2024-02-10 10:00:00 UTC", "2024-03-09 10:00:00 UTC"},
        {"3", "2023-12-31 23:00:00 UTC", "2024-01-31 23:00:00 UTC"},
        {"0", "2023-01-15 10:00:00 UTC", "2023-01-16 10:00:00 UTC"},
        {"7", "2023-01-15 10:00:00 UTC", "2023-01-16 10:00:00 UTC"},
        {nullptr, "2023-01-15 10:00:00 UTC", "2023-01-16 10:00:00 UTC"},
        {"1", nullptr, "2024-04-11 08:00:00 UTC"},
        {"2", nullptr, "2024-04-17 08:00:00 UTC"},
        {"3", nullptr, "2024-05-10 08:00:00 UTC"},
        {"1", "", "2024-04-11 08:00:00 UTC"},
        {"2", "yesterday", "2024-04-17 08:00:00 UTC"},
        {"1", "2023-02-30 10:00:00 UTC", "2024-04-11 08:00:00 UTC"},
        {"1", "2023-01-15 10:00:00", "2024-04-11 08:00:00 UTC"},
        {"1", "2023-01-15 10:00:00 UTC and more", "2024-04-11 08:00:00 UTC"},
    };
    sky::test::ScopedNow now(CxDate(2024, 4, 10, 8, 0, 0, 0).AbsoluteTime());
    VaneUpdater updater;
    EXPECT_EQ(updater.NextDueDate(), CxUrl::NullDate());
    CxPreferences& prefs = CxGetGlobalPreferences();
    for (const Row& row : rows)
    {
        const std::string name = std::string(row.interval ? row.interval : "-") + " " + (row.last ? row.last : "-");
        if (row.interval != nullptr)
            prefs.SetStringValue("autoUpdateInterval", row.interval, 0);
        else
            prefs.ClearValue("autoUpdateInterval");
        if (row.last != nullptr)
            prefs.SetStringValue("lastAutoUpdate", row.last, 0);
        else
            prefs.ClearValue("lastAutoUpdate");
        updater.ResetAutoUpdate();
        EXPECT_EQ(updater.NextDueDate().AsString().AsUtf8(), row.due) << name;
    }
}

TEST_F(VaneAutoUpdateTest, TheDefaultsAreStoredOnlyWhereAbsent)
{
    CxPreferences& prefs = CxGetGlobalPreferences();
    {
        VaneUpdater updater;
        EXPECT_EQ(Value("autoUpdate"), "true");
        EXPECT_EQ(Value("autoUpdateInterval"), "1");
    }
    prefs.SetStringValue("autoUpdate", "false", 0);
    prefs.SetStringValue("autoUpdateInterval", "3", 0);
    VaneUpdater updater;
    EXPECT_EQ(Value("autoUpdate"), "false");
    EXPECT_EQ(Value("autoUpdateInterval"), "3");
}

TEST_F(VaneAutoUpdateTest, TheUrlNamesThisBuildAndTheServer)
{
    struct Row
    {
        CxSint32 platform;
        const char* word;
        bool asserts;
    };
    for (const Row& row : {Row{0, "mac", false}, Row{1, "win", false}, Row{2, "linux", false}, Row{3, "???", true},
                           Row{-1, "???", true}})
    {
        CxDebugCapture capture;
        EXPECT_EQ(VanePlatformWord(row.platform).AsUtf8(), row.word) << row.platform;
        EXPECT_EQ(capture.Count(), row.asserts ? 1u : 0u) << row.platform;
    }
    EXPECT_EQ(CxSystemPlatform(), 2);

    const std::string query = std::string(kPath) + "?" + kQuery;
    unsetenv("SKYVANE_SERVER_UPDATE");
    EXPECT_EQ(VaneBuildUpdateUrl(false).AsUtf8(), "https://updates.skyvane.invalid" + query + "false");
    EXPECT_EQ(VaneBuildUpdateUrl(true).AsUtf8(), "https://updates.skyvane.invalid" + query + "true");
    setenv("SKYVANE_SERVER_UPDATE", "http://127.0.0.1:9/", 1);
    EXPECT_EQ(VaneBuildUpdateUrl(true).AsUtf8(), "http://127.0.0.1:9" + query + "true");
}

// Due two days after the last check: the first tick asks, and the answer is stored, written and logged.
TEST_F(VaneAutoUpdateTest, ADueCheckStoresTheVersionWritesThePreferencesAndLogs)
{
    LoopbackServer server;
    server.AddDocument(kPath, 200, "text/plain", "1.9.0 extra words\n");
    Serve(server.Base());
    UseClock();
    WritePrefsFile({{"lastAutoUpdate", kTwoDaysAgo}});
    StartHost();
    ASSERT_TRUE(Settle(server, 1));

    ASSERT_EQ(server.RequestCount(), 1u);
    const sky::test::HttpRequest request = server.Requests().front();
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.path, kPath);
    EXPECT_EQ(request.query, std::string(kQuery) + "false");
    EXPECT_EQ(Value("updateVersion"), "1.9.0");
    EXPECT_EQ(Value("updateIsAvailable"), "true");
    EXPECT_EQ(Value("lastAutoUpdate"), kNowText);
    EXPECT_EQ(gPlugin->NextDueDate().AsString().AsUtf8(), "2024-03-11 12:34:56 UTC");

    const std::string prefs = ReadText(PrefsPath());
    EXPECT_NE(prefs.find("<property id=\"updateVersion\" value=\"1.9.0\"/>"), std::string::npos) << prefs;
    EXPECT_NE(prefs.find("<property id=\"updateIsAvailable\" value=\"true\"/>"), std::string::npos) << prefs;
    EXPECT_NE(prefs.find(std::string("<property id=\"lastAutoUpdate\" value=\"") + kNowText + "\"/>"),
              std::string::npos)
        << prefs;
    const std::string line = "12:34:56 GET " + server.Url(std::string(kPath) + "?" + kQuery + "false") + " -- 200\n";
    EXPECT_NE(ReadText(LogPath()).find(line), std::string::npos) << ReadText(LogPath());
    // No window without a request for one.
    EXPECT_EQ(gPlugin->UpdateWindow(), nullptr);
    EXPECT_TRUE(ShownWindows("UpdateWindow").empty());
}

TEST_F(VaneAutoUpdateTest, EveryOtherOutcomeCountsAsDoneWithoutAnUpdate)
{
    LoopbackServer server;
    server.AddDocument("/missing" + std::string(kPath), 404, "text/plain", "2.0 not here");
    server.AddDocument("/long" + std::string(kPath), 200, "text/plain", "9.9 " + std::string(8000, 'x'));
    sky::test::ClosedPort closed;
    struct Row
    {
        const char* name;
        std::string base; // empty: offline
        std::size_t requests;
        const char* version;
    };
    const Row rows[] = {
        {"404", server.Url("/missing"), 1, "2.0"},
        {"reply beyond the bound", server.Url("/long"), 1, ""},
        {"closed port", closed.Url(""), 0, ""},
        {"offline", "", 0, ""},
    };
    UseClock();
    StartHost();
    for (const Row& row : rows)
    {
        server.ClearLog();
        if (row.base.empty())
            DxManager::GoOffline();
        else
            Serve(row.base);
        CxGetGlobalPreferences().ClearValue("lastAutoUpdate");
        fs::remove(PrefsPath());
        gPlugin->PerformAutoUpdate(false);
        EXPECT_TRUE(gPlugin->IsChecking()) << row.name;
        ASSERT_TRUE(Settle()) << row.name;
        EXPECT_EQ(server.RequestCount(), row.requests) << row.name;
        EXPECT_EQ(Value("updateIsAvailable"), "false") << row.name;
        EXPECT_EQ(Value("updateVersion"), row.version) << row.name;
        EXPECT_EQ(Value("lastAutoUpdate"), kNowText) << row.name;
        EXPECT_EQ(gPlugin->NextDueDate().AsString().AsUtf8(), "2024-03-11 12:34:56 UTC") << row.name;
        EXPECT_TRUE(fs::exists(PrefsPath())) << row.name;
    }
    EXPECT_NE(ReadText(LogPath()).find("12:34:56 GET " + closed.Url("") + std::string(kPath)), std::string::npos);
}

// What the server says is only a hint: a garbled word is no update at the next start.
TEST_F(VaneAutoUpdateTest, TheFirstWordIsTakenAndAGarbledOneOffersNothing)
{
    LoopbackServer server;
    server.AddDocument("/padded" + std::string(kPath), 200, "text/plain", "\r\n\t 2.0.1\tnotes\n");
    server.AddDocument("/garbled" + std::string(kPath), 200, "text/html", "\x01\xFF<html> 9.9");
    UseClock();
    StartHost();
    struct Row
    {
        const char* route;
        const char* version;
        bool offered;
    };
    for (const Row& row : {Row{"/padded", "2.0.1", true}, Row{"/garbled", nullptr, false}})
    {
        Serve(server.Url(row.route));
        gPlugin->PerformAutoUpdate(false);
        ASSERT_TRUE(Settle()) << row.route;
        EXPECT_EQ(Value("updateIsAvailable"), "true") << row.route;
        if (row.version != nullptr)
        {
            EXPECT_EQ(Value("updateVersion"), row.version) << row.route;
        }
        EXPECT_EQ(gPlugin->CheckForUpdate(), row.offered) << row.route;
        EXPECT_EQ(gPlugin->StartupUpdateWindow() != nullptr, row.offered) << row.route;
        if (row.offered)
        {
            ASSERT_TRUE(ClickControl(gPlugin->StartupUpdateWindow(), 2)) << row.route;
        }
        else
        {
            EXPECT_EQ(Value("updateIsAvailable"), "false") << row.route;
            EXPECT_FALSE(Has("updateVersion")) << row.route;
        }
    }
}

TEST_F(VaneAutoUpdateTest, ChecksOffNeverAsk)
{
    LoopbackServer server;
    server.AddDocument(kPath, 200, "text/plain", "1.9.0");
    Serve(server.Base());
    UseClock();
    WritePrefsFile({{"autoUpdate", "false"}, {"lastAutoUpdate", kTwoDaysAgo}});
    StartHost();
    Tick(3);
    pf::MainLoop().RunUntil([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_FALSE(gPlugin->IsChecking());
    EXPECT_EQ(server.RequestCount(), 0u);
    EXPECT_EQ(Value("lastAutoUpdate"), kTwoDaysAgo);
}

// Mended: each tick while a check was still running submitted another one.
TEST_F(VaneAutoUpdateTest, NoSecondCheckWhileOneIsOutstanding)
{
    LoopbackServer server;
    server.AddDocument(kPath, 200, "text/plain", "1.9.0").Delay(2000);
    Serve(server.Base());
    UseClock();
    WritePrefsFile({{"lastAutoUpdate", kTwoDaysAgo}});
    StartHost();
    ASSERT_TRUE(pf::MainLoop().RunUntil([&] { return server.RequestCount() == 1; }, sky::test::kBound));
    ASSERT_TRUE(gPlugin->IsChecking());
    Tick(3);
    EXPECT_EQ(CxJobDispatcher::Instance().CountJobs(), 0);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(server.RequestCount(), 1u);
    EXPECT_EQ(Value("lastAutoUpdate"), "2024-03-10 12:37:56 UTC");

    // The next is due a day after that one finished.
    Tick(60);
    EXPECT_FALSE(gPlugin->IsChecking());
    Tick(24 * 60 - 60);
    EXPECT_TRUE(gPlugin->IsChecking());
    ASSERT_TRUE(Settle(server, 2));
    EXPECT_EQ(server.RequestCount(), 2u);
}

TEST_F(VaneAutoUpdateTest, AnUpdateFoundIsOfferedAtTheNextStart)
{
    LoopbackServer server;
    server.AddDocument(kPath, 200, "text/plain", "1.9.0");
    Serve(server.Base());
    UseClock();
    WritePrefsFile({{"lastAutoUpdate", kTwoDaysAgo}});
    StartHost();
    EXPECT_EQ(gPlugin->StartupUpdateWindow(), nullptr);
    ASSERT_TRUE(Settle(server, 1));
    EXPECT_TRUE(ShownWindows("UpdateWindow").empty());

    ASSERT_EQ(VaneShutdown(), NPERR_NO_ERROR);
    CxGetGlobalPreferences().SetStringTable({});
    CxDebugCapture capture;
    ASSERT_EQ(VaneInitialize(mHost->BrowserFuncs()), NPERR_NO_ERROR);
    const std::vector<FxWindow*> shown = ShownWindows("UpdateWindow");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown.front(), gPlugin->StartupUpdateWindow());
    EXPECT_EQ(StaticText(shown.front(), 9), "A newer version of Skyvane is available (you have 1.8).");
    EXPECT_TRUE(capture.Contains("Beep"));
    // Checked just now: nothing more is asked at this start.
    pf::MainLoop().RunOnce(pf::Nanos(0));
    EXPECT_FALSE(gPlugin->IsChecking());
    EXPECT_EQ(server.RequestCount(), 1u);
}

TEST_F(VaneAutoUpdateTest, TheStartupWindowsButtonsAndCloseBox)
{
    struct Row
    {
        const char* name;
        int control; // 0: the close box
        bool keysCleared;
        bool written;
        bool opened;
    };
    const Row rows[] = {
        {"update now", 1, true, false, true},
        {"later", 2, false, true, false},
        {"ignore", 3, true, true, false},
        {"close box", 0, false, true, false},
    };
    const std::string opener = Home() + "/opener";
    WriteText(opener, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.out\"\n");
    fs::permissions(opener, fs::perms::owner_all);
    setenv("SKYVANE_OPEN_CMD", opener.c_str(), 1);
    unsetenv("SKYVANE_SERVER_UPDATE");
    StartHost();
    for (const Row& row : rows)
    {
        CxGetGlobalPreferences().SetStringValue("updateIsAvailable", "true", 0);
        CxGetGlobalPreferences().SetStringValue("updateVersion", "1.9.0", 0);
        ASSERT_TRUE(gPlugin->CheckForUpdate()) << row.name;
        VaneUpdateWindow* window = gPlugin->StartupUpdateWindow();
        ASSERT_NE(window, nullptr) << row.name;
        ASSERT_TRUE(window->IsActive()) << row.name;
        fs::remove(PrefsPath());
        fs::remove(opener + ".out");
        if (row.control != 0)
            ASSERT_TRUE(ClickControl(window, row.control)) << row.name;
        else
            ClickCloseBox(window);
        EXPECT_EQ(gPlugin->StartupUpdateWindow(), nullptr) << row.name;
        EXPECT_TRUE(ShownWindows("UpdateWindow").empty()) << row.name;
        EXPECT_EQ(Value("updateIsAvailable"), row.keysCleared ? "false" : "true") << row.name;
        EXPECT_EQ(Has("updateVersion"), !row.keysCleared) << row.name;
        EXPECT_EQ(fs::exists(PrefsPath()), row.written) << row.name;
        if (row.opened)
        {
            ASSERT_TRUE(sky::test::SpinUntil([&] { return fs::exists(opener + ".out"); })) << row.name;
            EXPECT_EQ(ReadText(opener + ".out"),
                      "https://updates.skyvane.invalid" + std::string(kPath) + "?" + kQuery + "true\n");
        }
    }
    EXPECT_FALSE(fs::exists(opener + ".out"));
}

// The offer made at start-up goes with the plug-in when it is deleted with the window still open, at a reload as
// at the last shut-down: no window is left on the window server for a plug-in that is gone.
TEST_F(VaneAutoUpdateTest, TheStartupWindowGoesWithThePlugin)
{
    unsetenv("SKYVANE_SERVER_UPDATE");
    UseClock();
    WritePrefsFile({{"lastAutoUpdate", kTwoDaysAgo}, {"updateIsAvailable", "true"}, {"updateVersion", "1.9.0"}});
    StartHost();
    for (int start = 1; start <= 2; ++start)
    {
        SCOPED_TRACE("start " + std::to_string(start));
        const std::vector<FxWindow*> shown = ShownWindows("UpdateWindow");
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown.front(), gPlugin->StartupUpdateWindow());
        ASSERT_EQ(VaneShutdown(), NPERR_NO_ERROR);
        EXPECT_TRUE(ShownWindows("UpdateWindow").empty());
        std::size_t windows = 0;
        for (const pf::WindowRef ref : pf::WindowList())
            windows += FxWindow::FromRef(ref) != nullptr && FxWindow::FromRef(ref)->Id().AsUtf8() == "UpdateWindow";
        EXPECT_EQ(windows, 0u);
        // The offer stands in the preferences: the next start makes it again.
        CxGetGlobalPreferences().SetStringTable({});
        ASSERT_EQ(VaneInitialize(mHost->BrowserFuncs()), NPERR_NO_ERROR);
    }
}

TEST_F(VaneAutoUpdateTest, ACheckThatAsksToBeToldOpensItsWindow)
{
    LoopbackServer server;
    server.AddDocument("/none" + std::string(kPath), 404, "text/plain", "");
    server.AddDocument("/newer" + std::string(kPath), 200, "text/plain", "1.9.0").Delay(500);
    UseClock();
    StartHost();

    Serve(server.Url("/none"));
    CxDebugCapture capture;
    gPlugin->PerformAutoUpdate(true);
    ASSERT_TRUE(Settle());
    VaneUpdateWindow* upToDate = gPlugin->UpdateWindow();
    ASSERT_NE(upToDate, nullptr);
    EXPECT_EQ(upToDate->Id().AsUtf8(), "UpToDateDialog");
    EXPECT_EQ(ShownWindows("UpToDateDialog"), std::vector<FxWindow*>{upToDate});
    EXPECT_EQ(StaticText(upToDate, 9), "Skyvane 1.8 is the newest version.");
    EXPECT_TRUE(capture.Contains("Beep"));
    fs::remove(PrefsPath());
    ASSERT_TRUE(ClickControl(upToDate, 10));
    EXPECT_EQ(gPlugin->UpdateWindow(), nullptr);
    EXPECT_TRUE(ShownWindows("UpToDateDialog").empty());
    EXPECT_TRUE(fs::exists(PrefsPath()));

    // A request to be told joins the check already running.
    Serve(server.Url("/newer"));
    gPlugin->PerformAutoUpdate(false);
    gPlugin->PerformAutoUpdate(true);
    ASSERT_TRUE(Settle(server, 2));
    EXPECT_EQ(server.Hits("/newer" + std::string(kPath)), 1);
    VaneUpdateWindow* offer = gPlugin->UpdateWindow();
    ASSERT_NE(offer, nullptr);
    EXPECT_EQ(offer->Id().AsUtf8(), "UpdateWindow");
    // A second told check replaces the window.
    gPlugin->PerformAutoUpdate(true);
    ASSERT_TRUE(Settle(server, 3));
    ASSERT_EQ(ShownWindows("UpdateWindow").size(), 1u);
    EXPECT_NE(gPlugin->UpdateWindow(), nullptr);
}

TEST_F(VaneAutoUpdateTest, ShuttingDownDuringACheckReachesNoDeletedObject)
{
    LoopbackServer server;
    server.AddDocument(kPath, 200, "text/plain", "1.9.0").Delay(1000);
    Serve(server.Base());
    UseClock();
    StartHost();
    gPlugin->PerformAutoUpdate(true);
    ASSERT_TRUE(pf::MainLoop().RunUntil([&] { return server.RequestCount() == 1; }, sky::test::kBound));
    EXPECT_EQ(VaneShutdown(), NPERR_NO_ERROR);
    // The report posted meanwhile goes nowhere.
    pf::MainLoop().RunUntil([] { return false; }, std::chrono::milliseconds(100));
    EXPECT_FALSE(Has("lastAutoUpdate"));
    EXPECT_TRUE(ShownWindows("UpdateWindow").empty());
}

TEST_F(VaneAutoUpdateTest, AQueuedCheckGoesWithItsUpdater)
{
    std::optional<VaneUpdater> updater(std::in_place);
    updater->PerformAutoUpdate(false);
    EXPECT_TRUE(updater->IsChecking());
    EXPECT_EQ(CxJobDispatcher::Instance().CountJobs(), 1);
    // Ticks while it waits for a thread add nothing, long overdue as it is.
    CxGetGlobalPreferences().SetStringValue("lastAutoUpdate", "2000-01-01 00:00:00 UTC", 0);
    updater->ResetAutoUpdate();
    updater->OnReceiveMessage(nullptr, VaneUpdater::kCheckMessage, nullptr);
    EXPECT_EQ(CxJobDispatcher::Instance().CountJobs(), 1);
    updater.reset();
    EXPECT_EQ(CxJobDispatcher::Instance().CountJobs(), 0);
}

} // namespace
