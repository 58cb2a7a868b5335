#include "CxTimer.h"
#include "CxDebug.h"
#include "PfRunLoop.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace
{

using namespace std::chrono_literals;

std::int64_t NowMs()
{
    return pf::MainLoop().Now() / 1ms;
}

// Records the virtual time of each firing.
class StampTimer : public CxTimer
{
public:
    explicit StampTimer(CxUint32 inMilliseconds) : CxTimer(inMilliseconds) {}
    void OnTimer() override
    {
        firings.push_back(NowMs());
        if (action)
        {
            auto run = action;
            run();
        }
    }
    std::vector<std::int64_t> firings;
    std::function<void()> action;
};

class CxTimerTest : public ::testing::Test
{
protected:
    void SetUp() override { pf::MainLoop().ResetForTesting(pf::ClockKind::kVirtual); }
    void TearDown() override { pf::MainLoop().ResetForTesting(pf::ClockKind::kReal); }

    static void Advance(pf::Nanos inDelta) { ASSERT_TRUE(pf::MainLoop().Advance(inDelta)); }
};

TEST_F(CxTimerTest, StartRepeatingFiresAtOnceThenEveryInterval)
{
    StampTimer timer(60000);
    EXPECT_FALSE(timer.IsRepeating());
    timer.StartRepeating();
    EXPECT_TRUE(timer.IsRepeating());
    EXPECT_TRUE(pf::MainLoop().RunOnce(0ns));
    EXPECT_EQ(timer.firings, (std::vector<std::int64_t>{0}));
    Advance(59999ms);
    EXPECT_EQ(timer.firings.size(), 1u);
    Advance(1ms);
    Advance(120s);
    EXPECT_EQ(timer.firings, (std::vector<std::int64_t>{0, 60000, 120000, 180000}));
}

TEST_F(CxTimerTest, ANewIntervalFirstWaitsItsWholeSeconds)
{
    StampTimer timer(60000);
    timer.StartRepeating();
    Advance(10ms);
    timer.firings.clear();

    timer.SetRepeatInterval(144); // under a second: at once, then every 144 ms
    EXPECT_EQ(timer.RepeatInterval(), 144u);
    Advance(300ms);
    EXPECT_EQ(timer.firings, (std::vector<std::int64_t>{10, 154, 298}));

    timer.firings.clear();
    timer.SetRepeatInterval(1500); // after 1 s, then every 1.5 s
    Advance(4100ms);
    EXPECT_EQ(timer.firings, (std::vector<std::int64_t>{1310, 2810, 4310}));

    timer.firings.clear();
    timer.SetRepeatInterval(1500); // the same value changes nothing: no extra firing
    Advance(1499ms);
    EXPECT_EQ(timer.firings, (std::vector<std::int64_t>{5810}));
    EXPECT_EQ(pf::MainLoop().CountTimers(), 1u);
}

TEST_F(CxTimerTest, AStoppedTimerOnlyStoresItsNewInterval)
{
    StampTimer timer(1000);
    timer.SetRepeatInterval(250);
    EXPECT_FALSE(timer.IsRepeating());
    EXPECT_EQ(pf::MainLoop().CountTimers(), 0u);
    timer.StartRepeating();
    Advance(500ms);
    EXPECT_EQ(timer.firings, (std::vector<std::int64_t>{0, 250, 500}));
}

TEST_F(CxTimerTest, StartTwiceInstallsOneTimerAndStopOnAStoppedTimerDoesNothing)
{
    CxDebugCapture capture;
    StampTimer timer(100);
    timer.StopRepeating();
    timer.StartRepeating();
    timer.StartRepeating();
    EXPECT_EQ(pf::MainLoop().CountTimers(), 1u);
    Advance(200ms);
    EXPECT_EQ(timer.firings, (std::vector<std::int64_t>{0, 100, 200}));
    timer.StopRepeating();
    timer.StopRepeating();
    EXPECT_FALSE(timer.IsRepeating());
    EXPECT_EQ(pf::MainLoop().CountTimers(), 0u);
    Advance(1s);
    EXPECT_EQ(timer.firings.size(), 3u);
    EXPECT_EQ(capture.Count(), 0u);
}

TEST_F(CxTimerTest, DestroyingATimerStopsIt)
{
    {
        StampTimer timer(100);
        timer.StartRepeating();
    }
    EXPECT_EQ(pf::MainLoop().CountTimers(), 0u);
    Advance(1s);
}

TEST_F(CxTimerTest, ATimerMayDeleteItselfWhileFiring)
{
    auto* timer = new StampTimer(100);
    int fired = 0;
    timer->action = [&]
    {
        ++fired;
        delete timer;
    };
    timer->StartRepeating();
    Advance(1s);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(pf::MainLoop().CountTimers(), 0u);
}

class Listener : public CxReceiver
{
public:
    Listener(std::vector<std::string>& inLog, std::string inName) : mLog(inLog), mName(std::move(inName)) {}
    void OnReceiveMessage(CxMessenger* inSender, CxSint32 inCode, void* inData) override
    {
        mLog.push_back(mName + ":" + std::to_string(inCode) + "@" + std::to_string(NowMs()) +
                       (inData == nullptr ? "" : " data"));
        sender = inSender;
    }
    CxMessenger* sender = nullptr;

private:
    std::vector<std::string>& mLog;
    std::string mName;
};

TEST_F(CxTimerTest, AMessageTimerSendsItsCodeToEachReceiverOnEveryFiring)
{
    std::vector<std::string> log;
    CxMessageTimer timer(100, 2001);
    EXPECT_EQ(timer.Message(), 2001);
    Listener first(log, "first"), second(log, "second");
    timer.AttachReceiver(&first);
    timer.AttachReceiver(&second);
    timer.StartRepeating();
    Advance(100ms);
    EXPECT_EQ(log, (std::vector<std::string>{"first:2001@0", "second:2001@0", "first:2001@100", "second:2001@100"}));
    EXPECT_EQ(first.sender, static_cast<CxMessenger*>(&timer));

    log.clear();
    timer.SuspendMessaging();
    Advance(200ms);
    EXPECT_TRUE(log.empty());
    timer.ResumeMessaging();
    timer.SetMessage(2007);
    Advance(100ms);
    EXPECT_EQ(log, (std::vector<std::string>{"first:2007@400", "second:2007@400"}));
}

TEST_F(CxTimerTest, AMessageTimerDeletedByItsReceiverStopsCleanly)
{
    std::vector<std::string> log;
    auto* timer = new CxMessageTimer(100, 1006);
    Listener before(log, "before"), after(log, "after");
    struct Killer : CxReceiver
    {
        CxMessageTimer*& timer;
        explicit Killer(CxMessageTimer*& inTimer) : timer(inTimer) {}
        void OnReceiveMessage(CxMessenger*, CxSint32, void*) override
        {
            delete timer;
            timer = nullptr;
        }
    } killer(timer);
    timer->AttachReceiver(&before);
    timer->AttachReceiver(&killer);
    timer->AttachReceiver(&after);
    timer->StartRepeating();
    Advance(1s);
    EXPECT_EQ(timer, nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"before:1006@0"}));
    EXPECT_EQ(before.CountMessengers(), 0u);
    EXPECT_EQ(after.CountMessengers(), 0u);
    EXPECT_EQ(pf::MainLoop().CountTimers(), 0u);
}

} // namespace
