// Shut-down and reload against a server that accepts a request and never answers: the browser gets its thread
// back at once, and requests after a reload reach the server again.
#include "VaneAppTest.h"

#include "CxPreferences.h"
#include "DxManager.h"
#include "TestLatch.h"
#include "VaneEntryPoints.h"
#include "VanePlugin.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>

namespace
{

using namespace vanetest;
using sky::test::LoopbackServer;
using Clock = std::chrono::steady_clock;

const char* const kPath = "/builds/autoupdate3.php";
// A hung request's shut-down is a join away from the browser's thread; two seconds is far above an abort.
constexpr auto kPrompt = std::chrono::seconds(2);

class VanePluginShutdownTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        mServer.AddDocument(kPath, 200, "text/plain", "").NeverAnswer();
        setenv("SKYVANE_SERVER_UPDATE", mServer.Base().c_str(), 1);
        DxManager::GoOnline();
    }
    void TearDown() override
    {
        AppTest::TearDown();
        unsetenv("SKYVANE_SERVER_UPDATE");
    }
    // An update check on a job thread, waiting inside its request.
    bool Hang(std::size_t inRequests)
    {
        gPlugin->PerformAutoUpdate(false);
        return pf::MainLoop().RunUntil([&] { return mServer.RequestCount() >= inRequests; }, sky::test::kBound);
    }
    static Clock::duration Timed(const std::function<void()>& inBody)
    {
        const Clock::time_point start = Clock::now();
        inBody();
        return Clock::now() - start;
    }

    LoopbackServer mServer;
};

TEST_F(VanePluginShutdownTest, ShutDownAndReloadReturnPromptlyWithARequestHanging)
{
    StartHost();
    NPP instance = Embed(true);
    ASSERT_NE(instance, nullptr);
    ASSERT_TRUE(Hang(1));

    // A reload as the browser does it: the embed goes, then NP_Shutdown and the entry points again.
    const Clock::duration reload = Timed(
        [&]
        {
            mHost->Destroy(instance);
            VaneShutdown();
            ASSERT_EQ(VaneInitialize(mHost->BrowserFuncs()), NPERR_NO_ERROR);
        });
    EXPECT_LT(reload, kPrompt);
    ASSERT_NE(gPlugin, nullptr);

    // Requests made after the reload are not cut: the started plug-in's check hangs again, then the last
    // shut-down.
    ASSERT_TRUE(Hang(2));
    const Clock::duration shutdown = Timed([] { VaneShutdown(); });
    EXPECT_LT(shutdown, kPrompt);
    EXPECT_EQ(gPlugin, nullptr);
}

// After a shut-down that cut a request, a fresh start's check reads the server's answer.
TEST_F(VanePluginShutdownTest, AStartAfterACutRequestGetsAnswers)
{
    StartHost();
    ASSERT_TRUE(Hang(1));
    VaneShutdown();
    mServer.AddDocument(kPath, 200, "text/plain", "9.9.0\n");
    ASSERT_EQ(VaneInitialize(mHost->BrowserFuncs()), NPERR_NO_ERROR);
    gPlugin->PerformAutoUpdate(false);
    ASSERT_TRUE(pf::MainLoop().RunUntil([] { return !gPlugin->IsChecking(); }, sky::test::kBound));
    EXPECT_EQ(CxGetGlobalPreferences().GetStringValue("updateVersion").AsUtf8(), "9.9.0");
    EXPECT_EQ(mServer.RequestCount(), 2u);
}

} // namespace
