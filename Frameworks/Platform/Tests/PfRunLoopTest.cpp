#include "PfRunLoop.h"
#include "TestLatch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace
{

using namespace pf;
using namespace std::chrono_literals;
using sky::test::kBound;
using sky::test::Latch;

constexpr FourCharCode kTest = FourCC("TEST");
constexpr FourCharCode kSender = FourCC("SNDR");
constexpr FourCharCode kNumber = FourCC("NUMB");

EventRef Numbered(std::int32_t inSender, std::int32_t inNumber)
{
    EventRef event = MakeEvent(kTest, 1);
    event->SetParam(kSender, kTypeSInt32, inSender);
    event->SetParam(kNumber, kTypeSInt32, inNumber);
    return event;
}

class PfRunLoopTest : public ::testing::Test
{
protected:
    void SetUp() override { MainLoop().ResetForTesting(ClockKind::kVirtual); }

    void TearDown() override
    {
        for (const HandlerRef& handler : mHandlers)
            RemoveHandler(handler);
        MainLoop().ResetForTesting(ClockKind::kReal);
    }

    // Collects (sender, number) of every test event the loop delivers, with the delivering thread.
    void Collect()
    {
        mHandlers.push_back(ApplicationTarget().InstallHandler({{kTest, 1}},
                                                               [this](HandlerCallRef, Event& ioEvent)
                                                               {
                                                                   std::int32_t sender = -1;
                                                                   std::int32_t number = -1;
                                                                   ioEvent.GetParam(kSender, kTypeSInt32, sender);
                                                                   ioEvent.GetParam(kNumber, kTypeSInt32, number);
                                                                   mDelivered.emplace_back(sender, number);
                                                                   mThreads.push_back(std::this_thread::get_id());
                                                                   return kNoErr;
                                                               }));
    }

    bool PumpUntilDelivered(std::size_t inCount)
    {
        return MainLoop().RunUntil([&] { return mDelivered.size() >= inCount; }, kBound);
    }

    std::vector<HandlerRef> mHandlers;
    std::vector<std::pair<std::int32_t, std::int32_t>> mDelivered;
    std::vector<std::thread::id> mThreads;
};

TEST_F(PfRunLoopTest, PostedEventsKeepTheirOrderAcrossPostingThreads)
{
    Collect();
    constexpr int kPosters = 4;
    constexpr int kEach = 300;
    // Each poster posts its first event only after the previous poster posted its own: a relay that fixes
    // the order of those first events across threads. The rest run freely.
    std::vector<std::unique_ptr<Latch>> batons;
    for (int i = 0; i <= kPosters; ++i)
        batons.push_back(std::make_unique<Latch>(1));
    batons[0]->CountDown();
    std::vector<std::thread> posters;
    std::atomic<int> timeouts{0};
    for (int p = 0; p < kPosters; ++p)
    {
        posters.emplace_back(
            [&, p]
            {
                if (!batons[p]->Wait())
                    ++timeouts;
                MainLoop().Post(Numbered(p, 0));
                batons[p + 1]->CountDown();
                for (int n = 1; n < kEach; ++n)
                    MainLoop().Post(Numbered(p, n));
            });
    }
    const bool all = PumpUntilDelivered(kPosters * kEach);
    for (std::thread& poster : posters)
        poster.join();
    ASSERT_TRUE(all);
    EXPECT_EQ(timeouts.load(), 0);
    ASSERT_EQ(mDelivered.size(), std::size_t(kPosters * kEach));

    std::vector<int> next(kPosters, 0);
    std::vector<std::int32_t> firstOrder;
    for (const auto& [sender, number] : mDelivered)
    {
        ASSERT_GE(sender, 0);
        ASSERT_LT(sender, kPosters);
        EXPECT_EQ(number, next[sender]) << "poster " << sender;
        next[sender] = number + 1;
        if (number == 0)
            firstOrder.push_back(sender);
    }
    EXPECT_EQ(firstOrder, (std::vector<std::int32_t>{0, 1, 2, 3}));
    for (const std::thread::id& id : mThreads)
        EXPECT_EQ(id, std::this_thread::get_id());
    EXPECT_EQ(MainLoop().Post(nullptr), kParamErr);
}

TEST_F(PfRunLoopTest, WorkAddedDuringAPassWaitsForTheNextPass)
{
    // Taken in the same pass, either would never end.
    RunLoop& loop = MainLoop();
    int delivered = 0;
    int fired = 0;
    mHandlers.push_back(ApplicationTarget().InstallHandler({{kTest, 1}},
                                                           [&](HandlerCallRef, Event&)
                                                           {
                                                               ++delivered;
                                                               loop.Post(MakeEvent(kTest, 1));
                                                               return kNoErr;
                                                           }));
    std::function<void(TimerRef)> again = [&](TimerRef)
    {
        ++fired;
        loop.AddTimer(0ms, 0ms, again);
    };
    loop.AddTimer(0ms, 0ms, again);
    loop.Post(MakeEvent(kTest, 1));
    loop.Post(MakeEvent(kTest, 1));
    loop.Post(MakeEvent(FourCC("NOBO"), 9)); // unhandled: dropped
    EXPECT_TRUE(loop.RunOnce(0ns));
    EXPECT_EQ(delivered, 2);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(loop.CountEvents(), 2u);
    EXPECT_TRUE(loop.RunOnce(0ns));
    EXPECT_EQ(delivered, 4);
    EXPECT_EQ(fired, 2);
}

TEST_F(PfRunLoopTest, VirtualTimersFireInDeadlineOrderEachSeeingItsDeadline)
{
    RunLoop& loop = MainLoop();
    std::vector<std::string> fired;
    auto record = [&](std::string inName)
    { return [&fired, &loop, inName](TimerRef) { fired.push_back(inName + "@" + std::to_string(loop.Now() / 1ms)); }; };
    loop.AddTimer(30ms, 0ms, record("c"));
    loop.AddTimer(10ms, 0ms, record("a"));
    loop.AddTimer(10ms, 0ms, record("a2")); // same deadline: added later, fires later
    const TimerRef repeating = loop.AddTimer(0ms, 25ms, record("r"));
    loop.AddTimer(-5ms, 0ms, record("neg")); // counts as at once

    // Virtual time does not pass by itself: only what is due now fires.
    EXPECT_TRUE(loop.RunOnce(0ns));
    EXPECT_EQ(fired, (std::vector<std::string>{"r@0", "neg@0"}));
    EXPECT_FALSE(loop.RunUntil([] { return false; }, 20ms));

    fired.clear();
    ASSERT_TRUE(loop.Advance(60ms));
    EXPECT_EQ(fired, (std::vector<std::string>{"a@10", "a2@10", "r@25", "c@30", "r@50"}));
    EXPECT_EQ(loop.Now(), 60ms);

    // Period 0 timers are gone; the repeating one stays until removed.
    EXPECT_EQ(loop.CountTimers(), 1u);
    EXPECT_TRUE(loop.RemoveTimer(repeating));
    EXPECT_FALSE(loop.RemoveTimer(repeating));
    fired.clear();
    loop.Advance(100ms);
    EXPECT_TRUE(fired.empty());
}

TEST_F(PfRunLoopTest, TimersMayBeRemovedAndAddedInsideCallbacks)
{
    RunLoop& loop = MainLoop();
    std::vector<std::string> fired;
    TimerRef later = loop.AddTimer(20ms, 0ms, [&](TimerRef) { fired.push_back("later"); });
    TimerRef selfRemoving = 0;
    selfRemoving = loop.AddTimer(5ms, 5ms,
                                 [&](TimerRef inTimer)
                                 {
                                     EXPECT_EQ(inTimer, selfRemoving);
                                     fired.push_back("self");
                                     EXPECT_TRUE(loop.RemoveTimer(inTimer));
                                     EXPECT_TRUE(loop.RemoveTimer(later));
                                     loop.AddTimer(1ms, 0ms, [&](TimerRef) { fired.push_back("added"); });
                                 });
    loop.Advance(100ms);
    EXPECT_EQ(fired, (std::vector<std::string>{"self", "added"}));
    EXPECT_EQ(loop.CountTimers(), 0u);
}

TEST_F(PfRunLoopTest, NextDeadlineIgnoresRemovedTimersAndFollowsRepeats)
{
    RunLoop& loop = MainLoop();
    EXPECT_EQ(loop.NextDeadline(), RunLoop::kForever);
    const TimerRef soon = loop.AddTimer(5ms, 0ms, [](TimerRef) {});
    loop.AddTimer(20ms, 10ms, [](TimerRef) {});
    EXPECT_EQ(loop.NextDeadline(), Nanos(5ms));
    loop.RemoveTimer(soon);
    EXPECT_EQ(loop.NextDeadline(), Nanos(20ms));
    loop.Advance(20ms);
    EXPECT_EQ(loop.NextDeadline(), Nanos(30ms));
}

TEST_F(PfRunLoopTest, TickCountFollowsTheClock)
{
    RunLoop& loop = MainLoop();
    EXPECT_EQ(loop.GetClock().Kind(), ClockKind::kVirtual);
    EXPECT_EQ(loop.GetClock().TickCount(), 0u);
    loop.Advance(1016ms);
    EXPECT_EQ(loop.GetClock().TickCount(), 60u);
    loop.Advance(1ms); // 1.017 s = 61.02 ticks
    EXPECT_EQ(loop.GetClock().TickCount(), 61u);
    loop.Advance(std::chrono::hours(24 * 900)); // wraps at 32 bits like the original counter
    EXPECT_EQ(loop.GetClock().TickCount(), std::uint32_t(std::uint64_t(77760000) * 60 + 61));
}

TEST_F(PfRunLoopTest, ClockIsChosenBeforeUseAndOnlyVirtualTimeAdvances)
{
    RunLoop& loop = MainLoop();
    EXPECT_TRUE(loop.SetClock(ClockKind::kReal));
    EXPECT_FALSE(loop.Advance(1ms));
    const TimerRef timer = loop.AddTimer(1h, 0ms, [](TimerRef) {});
    EXPECT_FALSE(loop.SetClock(ClockKind::kVirtual)); // a timer is pending
    EXPECT_TRUE(loop.SetClock(ClockKind::kReal));
    loop.RemoveTimer(timer);
    EXPECT_TRUE(loop.SetClock(ClockKind::kVirtual));
    EXPECT_TRUE(loop.Advance(1ms));
}

TEST_F(PfRunLoopTest, RunUntilAnswersWhetherThePredicateHeld)
{
    RunLoop& loop = MainLoop();
    Collect();
    // True: an event from another thread makes it hold.
    std::thread poster([] { MainLoop().Post(Numbered(1, 1)); });
    EXPECT_TRUE(PumpUntilDelivered(1));
    poster.join();

    // True without pumping when it holds already.
    EXPECT_TRUE(loop.RunUntil([] { return true; }, 0ns));

    // A flag another thread flips without posting is seen too.
    std::atomic<bool> flag{false};
    std::thread flipper([&] { flag = true; });
    EXPECT_TRUE(loop.RunUntil([&] { return flag.load(); }, kBound));
    flipper.join();

    // False: nothing makes it hold before the (short, real) timeout, even with a virtual timer pending.
    int fired = 0;
    loop.AddTimer(1ms, 0ms, [&](TimerRef) { ++fired; });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(loop.RunUntil([] { return false; }, 30ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 30ms);
    EXPECT_EQ(fired, 0);
}

TEST_F(PfRunLoopTest, RunsNestAndEachQuitEndsTheInnermost)
{
    RunLoop& loop = MainLoop();
    ASSERT_TRUE(loop.SetClock(ClockKind::kReal));
    std::vector<std::string> steps;
    mHandlers.push_back(ApplicationTarget().InstallHandler(
        {{kTest, 1}},
        [&](HandlerCallRef, Event& ioEvent)
        {
            std::int32_t number = 0;
            ioEvent.GetParam(kNumber, kTypeSInt32, number);
            steps.push_back("event " + std::to_string(number) + " depth " + std::to_string(loop.RunDepth()));
            if (number == 1)
            {
                loop.Post(Numbered(0, 2));
                EXPECT_TRUE(loop.Run()); // a modal loop inside a handler
                steps.push_back("inner ended");
                loop.Post(Numbered(0, 3));
            }
            else
            {
                EXPECT_TRUE(loop.Quit());
            }
            return kNoErr;
        }));
    // A safety net: a broken Quit fails the test instead of hanging it.
    bool rescued = false;
    loop.AddTimer(kBound, 0ms,
                  [&](TimerRef)
                  {
                      rescued = true;
                      while (loop.Quit())
                      {
                      }
                  });

    loop.Post(Numbered(0, 1));
    EXPECT_TRUE(loop.Run());
    EXPECT_FALSE(rescued);
    EXPECT_EQ(loop.RunDepth(), 0);
    EXPECT_FALSE(loop.Quit());
    EXPECT_EQ(steps,
              (std::vector<std::string>{"event 1 depth 1", "event 2 depth 2", "inner ended", "event 3 depth 1"}));
}

TEST_F(PfRunLoopTest, QuitFromAnotherThreadWakesTheLoop)
{
    RunLoop& loop = MainLoop();
    ASSERT_TRUE(loop.SetClock(ClockKind::kReal));
    Latch running(1);
    bool rescued = false;
    loop.AddTimer(kBound, 0ms,
                  [&](TimerRef)
                  {
                      rescued = true;
                      loop.Quit();
                  });
    // Tells the helper thread that the loop is pumping.
    loop.AddTimer(0ms, 0ms, [&](TimerRef) { running.CountDown(); });
    std::thread quitter(
        [&]
        {
            if (running.Wait())
                loop.Quit();
        });
    EXPECT_TRUE(loop.Run());
    quitter.join();
    EXPECT_FALSE(rescued);
}

TEST_F(PfRunLoopTest, PumpingFromAnotherThreadIsRefused)
{
    RunLoop& loop = MainLoop();
    EXPECT_FALSE(loop.RunOnce(0ns)); // now owned by this thread
    EXPECT_TRUE(loop.IsOwnerThread());
    loop.Post(MakeEvent(kTest, 1));
    bool once = true, until = true, run = true, advance = true, owner = true;
    std::thread other(
        [&]
        {
            once = MainLoop().RunOnce(0ns);
            until = MainLoop().RunUntil([] { return true; }, 0ns);
            run = MainLoop().Run();
            advance = MainLoop().Advance(1ms);
            owner = MainLoop().IsOwnerThread();
        });
    other.join();
    EXPECT_FALSE(once);
    EXPECT_FALSE(until);
    EXPECT_FALSE(run);
    EXPECT_FALSE(advance);
    EXPECT_FALSE(owner);
    EXPECT_EQ(loop.CountEvents(), 1u); // still there for the owner
}

TEST_F(PfRunLoopTest, RealTimerAddedFromAnotherThreadRepeatsOnThePumpingThread)
{
    RunLoop& loop = MainLoop();
    ASSERT_TRUE(loop.SetClock(ClockKind::kReal));
    loop.RunOnce(0ns);
    std::atomic<int> fired{0};
    std::atomic<int> elsewhere{0};
    const std::thread::id pumping = std::this_thread::get_id();
    TimerRef timer = 0;
    std::thread adder(
        [&]
        {
            timer = MainLoop().AddTimer(2ms, 1ms,
                                        [&](TimerRef)
                                        {
                                            elsewhere += std::this_thread::get_id() != pumping ? 1 : 0;
                                            ++fired;
                                        });
        });
    adder.join();
    EXPECT_TRUE(loop.RunUntil([&] { return fired.load() >= 3; }, kBound));
    EXPECT_TRUE(loop.RemoveTimer(timer));
    EXPECT_EQ(elsewhere.load(), 0);
}

} // namespace
