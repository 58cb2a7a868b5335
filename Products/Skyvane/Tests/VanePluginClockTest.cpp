// The plug-in's dates on the host's run loop: on a virtual loop (the test browser's) they are the real date at
// the first start-up moved by the loop's clock, from start-up to shut-down; on the real loop, or under a clock set
// before start-up, nothing changes.
#include "VaneAppTest.h"

#include "../../../Frameworks/CoreObjects/Tests/CxDateTestHelpers.h"
#include "CxDate.h"
#include "PfRunLoop.h"
#include "VaneEntryPoints.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace
{

using namespace vanetest;

// The real time as a date, from the system's own clock.
double RealNow()
{
    constexpr double kUnixAt2001 = 978307200.0;
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count() - kUnixAt2001;
}

using VanePluginClockTest = AppTest;

// Another thread reads the dates while the loop moves 900 s (the thread sanitizer's tree runs this too).
TEST_F(VanePluginClockTest, OnAVirtualLoopTheDatesFollowItFromStartUpToShutDown)
{
    EXPECT_NEAR(CxDate().AbsoluteTime(), RealNow(), 5.0);
    StartHost();
    const double start = CxDate().AbsoluteTime();
    EXPECT_NEAR(start, RealNow(), 5.0);
    std::atomic<bool> stop = false;
    std::atomic<double> latest = 0.0;
    std::thread reader(
        [&]
        {
            while (!stop)
                latest = CxDate().AbsoluteTime();
        });
    for (int minute = 0; minute < 15; ++minute)
        pf::MainLoop().Advance(std::chrono::minutes(1));
    EXPECT_NEAR(CxDate().AbsoluteTime() - start, 900.0, 5.0);
    EXPECT_TRUE(pf::MainLoop().RunUntil([&] { return latest > start + 895.0; }, std::chrono::seconds(10)));
    stop = true;
    reader.join();
    EXPECT_EQ(VaneShutdown(), NPERR_NO_ERROR);
    EXPECT_NEAR(CxDate().AbsoluteTime(), RealNow(), 5.0);
    // Started again in the same process (a reload), the dates go on from where they were.
    StartHost();
    EXPECT_NEAR(CxDate().AbsoluteTime() - start, 900.0, 5.0);
}

TEST_F(VanePluginClockTest, OnTheRealLoopOrAFixedClockNothingChanges)
{
    pf::MainLoop().ResetForTesting(pf::ClockKind::kReal);
    StartHost();
    EXPECT_NEAR(CxDate().AbsoluteTime(), RealNow(), 5.0);
    EXPECT_EQ(VaneShutdown(), NPERR_NO_ERROR);

    pf::MainLoop().ResetForTesting(pf::ClockKind::kVirtual);
    const CxDate fixed(2015, 1, 2, 2, 5, 0, 0);
    sky::test::ScopedNow now(fixed.AbsoluteTime());
    StartHost();
    pf::MainLoop().Advance(std::chrono::minutes(15));
    EXPECT_EQ(CxDate(), fixed);
    EXPECT_EQ(VaneShutdown(), NPERR_NO_ERROR);
    EXPECT_EQ(CxDate(), fixed);
}

} // namespace
