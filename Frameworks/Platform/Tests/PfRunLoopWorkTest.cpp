// The run loop's count of work in flight: work begun elsewhere, and results posted until their delivery returns.
#include "PfRunLoop.h"
#include "TestLatch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace
{

using namespace pf;
using sky::test::kBound;

constexpr FourCharCode kResult = FourCC("RSLT");

class PfRunLoopWork : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MainLoop().ResetForTesting(ClockKind::kVirtual);
        mBase = MainLoop().CountWorkInFlight();
    }

    void TearDown() override
    {
        if (mHandler)
            RemoveHandler(mHandler);
        MainLoop().ResetForTesting(ClockKind::kReal);
    }

    // Handles the test's events, noting the count its handler sees.
    void Handle()
    {
        mHandler = ApplicationTarget().InstallHandler({{kResult, 1}},
                                                      [this](HandlerCallRef, Event&)
                                                      {
                                                          mSeen.push_back(MainLoop().CountWorkInFlight() - mBase);
                                                          return kNoErr;
                                                      });
    }

    std::size_t InFlight() const { return MainLoop().CountWorkInFlight() - mBase; }

    std::size_t mBase = 0;
    HandlerRef mHandler;
    std::vector<std::size_t> mSeen;
};

TEST_F(PfRunLoopWork, AResultCountsUntilItsHandlerHasReturnedAndAPlainEventNever)
{
    Handle();
    MainLoop().BeginWork();
    ASSERT_EQ(MainLoop().PostResult(MakeEvent(kResult, 1)), kNoErr);
    ASSERT_EQ(MainLoop().Post(MakeEvent(kResult, 1)), kNoErr);
    EXPECT_EQ(InFlight(), 2u);
    MainLoop().EndWork();
    EXPECT_EQ(InFlight(), 1u);
    EXPECT_TRUE(MainLoop().RunOnce(Nanos::zero()));
    // The result's handler still saw itself in flight; the plain event's saw nothing.
    EXPECT_EQ(mSeen, (std::vector<std::size_t>{1, 0}));
    EXPECT_EQ(InFlight(), 0u);
    EXPECT_EQ(MainLoop().PostResult(nullptr), kParamErr);
    EXPECT_EQ(InFlight(), 0u);
}

TEST_F(PfRunLoopWork, ResultsDroppedUndeliveredLeaveTheCountButWorkElsewhereStays)
{
    // Nobody handles the first: delivered and dropped.
    MainLoop().PostResult(MakeEvent(kResult, 1));
    EXPECT_EQ(InFlight(), 1u);
    MainLoop().RunOnce(Nanos::zero());
    EXPECT_EQ(InFlight(), 0u);

    MainLoop().BeginWork();
    MainLoop().PostResult(MakeEvent(kResult, 1));
    MainLoop().PostResult(MakeEvent(kResult, 1));
    EXPECT_EQ(InFlight(), 3u);
    MainLoop().ResetForTesting(ClockKind::kVirtual);
    EXPECT_EQ(InFlight(), 1u);
    MainLoop().EndWork();
    EXPECT_EQ(InFlight(), 0u);
}

TEST_F(PfRunLoopWork, TheLastWorkToEndWakesAWaitingLoop)
{
    MainLoop().RunOnce(Nanos::zero()); // takes the loop, and any wake-up left over
    MainLoop().BeginWork();
    MainLoop().BeginWork();
    std::thread worker(
        []
        {
            MainLoop().EndWork();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            MainLoop().EndWork();
        });
    const auto start = std::chrono::steady_clock::now();
    // Nothing is posted and no timer is due: only the end of the work cuts this wait short.
    MainLoop().RunOnce(kBound);
    const auto waited = std::chrono::steady_clock::now() - start;
    worker.join();
    EXPECT_LT(waited, kBound / 2);
    EXPECT_EQ(InFlight(), 0u);
}

// Workers begin work, post its result and end it, many at once, while the loop delivers: no handler finds its own
// result uncounted, and all is counted off at the end.
TEST_F(PfRunLoopWork, ManyThreadsNeverLetAResultGoUncounted)
{
    Handle();
    constexpr int kThreads = 6;
    constexpr int kEach = 400;
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t)
        workers.emplace_back(
            []
            {
                for (int i = 0; i < kEach; ++i)
                {
                    MainLoop().BeginWork();
                    MainLoop().PostResult(MakeEvent(kResult, 1));
                    MainLoop().EndWork();
                }
            });
    const bool delivered =
        MainLoop().RunUntil([&] { return mSeen.size() == std::size_t(kThreads * kEach); }, kBound * 3);
    for (std::thread& worker : workers)
        worker.join();
    ASSERT_TRUE(delivered) << mSeen.size();
    std::size_t uncounted = 0;
    for (std::size_t seen : mSeen)
        uncounted += seen == 0 ? 1 : 0;
    EXPECT_EQ(uncounted, 0u);
    EXPECT_EQ(InFlight(), 0u);
}

} // namespace
