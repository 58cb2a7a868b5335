#include "CxCriticalRegion.h"
#include "CxDebug.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace
{

// Tries the region from a fresh thread, leaving it again when entered.
bool EnterFromAnotherThread(CxCriticalRegion& ioRegion)
{
    return std::async(std::launch::async,
                      [&ioRegion]
                      {
                          const bool entered = ioRegion.EnterIfYouCan();
                          if (entered)
                              ioRegion.Exit();
                          return entered;
                      })
        .get();
}

// Records the calls a guard makes through the abstract interface.
class RecordingLockable : public CxLockable
{
public:
    void Lock() override { mCalls += "L"; }
    void Unlock() override { mCalls += "U"; }
    std::string mCalls;
};

} // namespace

TEST(CxCriticalRegionTest, AHolderLeavesAsOftenAsItEntered)
{
    CxCriticalRegion region;
    EXPECT_TRUE(EnterFromAnotherThread(region)); // constructed unheld
    region.Enter();
    region.Lock();
    EXPECT_TRUE(region.EnterIfYouCan()); // the holder may always enter again
    for (int exits = 0; exits < 3; ++exits)
    {
        EXPECT_FALSE(EnterFromAnotherThread(region)) << "after " << exits << " exits";
        if (exits % 2 == 0)
            region.Exit();
        else
            region.Unlock();
    }
    EXPECT_TRUE(EnterFromAnotherThread(region));
}

TEST(CxCriticalRegionTest, EnterWaitsUntilTheHolderLeaves)
{
    CxCriticalRegion region;
    std::atomic<bool> entered{false};
    region.Enter();
    region.Enter();
    std::thread waiter(
        [&]
        {
            region.Enter();
            entered = true;
            region.Exit();
        });
    region.Exit();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(entered.load()) << "entered while the region was still held once";
    region.Exit();
    waiter.join();
    EXPECT_TRUE(entered.load());
}

TEST(CxCriticalRegionTest, GuardsKeepOutOtherThreads)
{
    CxCriticalRegion region;
    long long counter = 0; // plain on purpose: only the region protects it
    constexpr int kThreads = 8;
    constexpr int kRounds = 5000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
    {
        threads.emplace_back(
            [&]
            {
                for (int i = 0; i < kRounds; ++i)
                {
                    CxAutoLock outer(region);
                    CxAutoLock inner(&region); // recursion inside a guarded block
                    ++counter;
                }
            });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(counter, static_cast<long long>(kThreads) * kRounds);
}

TEST(CxCriticalRegionTest, AGuardLeavesWhenItsBlockThrows)
{
    CxCriticalRegion region;
    for (const bool byPointer : {false, true})
    {
        {
            CxAutoLock outer(region);
            try
            {
                if (byPointer)
                {
                    CxAutoLock inner(&region);
                    throw std::runtime_error("fails");
                }
                CxAutoLock inner(region);
                throw std::runtime_error("fails");
            }
            catch (const std::runtime_error&)
            {
            }
            EXPECT_FALSE(EnterFromAnotherThread(region)) << "the outer guard still holds it";
        }
        EXPECT_TRUE(EnterFromAnotherThread(region)) << (byPointer ? "pointer" : "reference");
    }
}

TEST(CxCriticalRegionTest, AGuardWorksThroughTheAbstractLockable)
{
    RecordingLockable lockable;
    try
    {
        CxAutoLock first(lockable);
        EXPECT_EQ(lockable.mCalls, "L");
        CxAutoLock second(static_cast<CxLockable*>(&lockable));
        throw 1;
    }
    catch (int)
    {
    }
    EXPECT_EQ(lockable.mCalls, "LLUU");
}

TEST(CxCriticalRegionTest, AStrayExitIsReportedAndChangesNothing)
{
    CxDebugCapture capture;
    CxCriticalRegion region;
    region.Exit(); // never entered
    EXPECT_TRUE(EnterFromAnotherThread(region));

    region.Enter();
    std::thread([&region] { region.Exit(); }).join(); // not the holder
    EXPECT_FALSE(EnterFromAnotherThread(region));
    region.Exit();
    EXPECT_TRUE(EnterFromAnotherThread(region));
    EXPECT_EQ(capture.Count(), 2u);
    EXPECT_TRUE(capture.Contains("CxAssert ("));
}

TEST(CxCriticalRegionTest, ANullGuardIsReportedAndHoldsNothing)
{
    CxDebugCapture capture;
    {
        CxAutoLock guard(static_cast<CxLockable*>(nullptr));
    }
    ASSERT_EQ(capture.Count(), 1u);
    EXPECT_TRUE(capture.Contains("CxAssert (inLockable != nullptr)"));
}
