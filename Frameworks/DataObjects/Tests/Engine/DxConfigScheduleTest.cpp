// Configuration refreshes asked for by several callers: one queued job serves every request made before it starts,
// and an explicit refresh made while the scheduled one is due is that refresh, the schedule keeping its beat.
#include "../../CoreObjects/Tests/CxDateTestHelpers.h"
#include "CxEvents.h"
#include "CxJob.h"
#include "DxJobs.h"
#include "DxManager.h"
#include "PfRunLoop.h"
#include "TestLatch.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>

namespace
{

const CxDate kT(2008, 3, 7, 12, 0, 0, 0);

// Counts its refreshes; while mHold is set, each waits for the gate.
class ScheduleManager : public DxManager
{
public:
    ScheduleManager() : DxManager("schedule") { mAutoRefresh = sDontBotherAutoRefresh; }
    ~ScheduleManager() override { Close(); }
    bool OnUpdateConfig() override
    {
        ++mConfigs;
        if (mHold)
        {
            mEntered.CountDown();
            mGate.Wait();
        }
        return false;
    }
    std::atomic<int> mConfigs = 0;
    std::atomic<bool> mHold = false;
    sky::test::Latch mEntered, mGate;
};

class DxConfigScheduleTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        DxManager::SetRootDataFolder(CxFolder(CxFileRef{mHome.Path()}));
        DxManager::SetRootCacheFolder(CxFolder(CxFileRef{mHome.Path()}));
        pf::MainLoop().ResetForTesting(pf::ClockKind::kVirtual);
        ASSERT_EQ(CxInstallEventHandler(), 0);
        // The configuration thread comes when a test says so.
        for (auto [type, id] : {std::pair{100, 1}, {100, 2}, {101, 5}})
            mThreads.push_back(std::make_unique<CxJobThread>(type, id));
        mManager = std::make_unique<ScheduleManager>();
    }
    void TearDown() override
    {
        mManager->mGate.CountDown();
        mManager.reset();
        mThreads.clear();
        CxRemoveEventHandler();
        pf::MainLoop().ResetForTesting(pf::ClockKind::kReal);
    }
    std::size_t Jobs() const { return (CxAutoLock(mManager->Region()), mManager->CountJobs()); }
    // Until the manager has disposed of every job.
    bool Settle()
    {
        return pf::MainLoop().RunUntil([&] { return Jobs() == 0; }, sky::test::kBound);
    }
    void StartConfigThread() { mThreads.push_back(std::make_unique<CxJobThread>(102, 7)); }

    sky::test::TempHome mHome;
    std::atomic<double> mAhead = 0; // the dates' lead on the loop's clock
    sky::test::ScopedNow mNow{[this] { return kT.AbsoluteTime() + mAhead + 1e-9 * pf::MainLoop().Now().count(); }};
    std::vector<std::unique_ptr<CxJobThread>> mThreads;
    std::unique_ptr<ScheduleManager> mManager;
};

// Requests while a job waits join it; a job that started, or was cancelled, takes none of the later requests.
TEST_F(DxConfigScheduleTest, ARequestMadeWhileARefreshWaitsJoinsIt)
{
    for (int i = 0; i < 3; ++i)
        mManager->UpdateConfig();
    EXPECT_EQ(Jobs(), 1u);
    {
        CxJobThread sweep(102, 7); // gone at once: it cancels the queued job
    }
    ASSERT_TRUE(Settle());
    EXPECT_EQ(mManager->mConfigs, 0);

    mManager->UpdateConfig();
    mManager->UpdateConfig();
    EXPECT_EQ(Jobs(), 1u);
    StartConfigThread();
    mManager->CreateHoleCollectJob()->Submit(); // wakes the new thread, which takes the queue in order
    ASSERT_TRUE(Settle());
    EXPECT_EQ(mManager->mConfigs, 1);

    mManager->mHold = true;
    mManager->UpdateConfig();
    ASSERT_TRUE(mManager->mEntered.Wait());
    mManager->UpdateConfig(); // the running job may have fetched already: a job of its own
    mManager->UpdateConfig();
    EXPECT_EQ(Jobs(), 2u);
    mManager->mGate.CountDown();
    ASSERT_TRUE(Settle());
    EXPECT_EQ(mManager->mConfigs, 3);
}

// An explicit refresh made before the first tick (which fires at once, at the first pump) is the first refresh;
// one made when none is due is an extra one; one made while a refresh is due but its tick has not come (the dates
// ahead of the loop) is that refresh. The schedule stays every 900 s from the manager's start.
TEST_F(DxConfigScheduleTest, AnExplicitRefreshWhileOneIsDueStandsForIt)
{
    StartConfigThread();
    const std::tuple<bool, double, int, int> kRows[] = {
        // explicit refresh first, dates ahead of the loop by, then the loop to second, refreshes so far
        {true, 0, 0, 1},     {false, 0, 899, 1},  {false, 0, 900, 2},  {true, 0, 1000, 3},   {false, 0, 1799, 3},
        {false, 0, 1800, 4}, {false, 0, 2640, 4}, {true, 90, 2700, 5}, {false, 90, 3500, 5}, {false, 90, 3540, 6}};
    for (const auto& [explicitly, ahead, second, refreshes] : kRows)
    {
        mAhead = ahead;
        if (explicitly)
        {
            // Started before the clock moves, so that no tick can join it.
            const int before = mManager->mConfigs;
            mManager->UpdateConfig();
            ASSERT_TRUE(sky::test::SpinUntil([&] { return mManager->mConfigs > before; }));
        }
        pf::MainLoop().Advance(std::chrono::seconds(second) - pf::MainLoop().Now());
        ASSERT_TRUE(Settle());
        EXPECT_EQ(mManager->mConfigs, refreshes) << second;
    }
}

} // namespace
