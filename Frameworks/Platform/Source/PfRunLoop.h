// The process's run loop: posted events, timers and one poll set, pumped by one thread (the first to pump it).
#pragma once

#include "PfEventTarget.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <queue>
#include <thread>
#include <unordered_map>
#include <vector>

namespace pf
{

using Nanos = std::chrono::nanoseconds;

enum class ClockKind
{
    kReal,    // CLOCK_MONOTONIC
    kVirtual, // starts at 0 and moves only by RunLoop::Advance
};

// Readable from any thread.
class Clock
{
public:
    ClockKind Kind() const { return mKind.load(); }
    Nanos Now() const;
    // Sixtieths of a second, wrapping at 32 bits.
    std::uint32_t TickCount() const;

private:
    friend class RunLoop;
    std::atomic<ClockKind> mKind{ClockKind::kReal};
    std::atomic<std::int64_t> mVirtualNow{0};
};

using TimerRef = std::uint64_t; // 0 is no timer
using TimerProc = std::function<void(TimerRef inTimer)>;

class RunLoop
{
public:
    static constexpr Nanos kForever = Nanos::max();
    // The longest delay a timer or an Advance takes, longer ones cut to it: far from overflow. A virtual clock's
    // driver keeps the clock's whole run within it too.
    static constexpr Nanos kLongest = std::chrono::hours(24 * 365 * 10);

    // Any thread. The event goes to the application target, in posting order. Null answers kParamErr.
    OSStatus Post(EventRef inEvent);
    // Any thread: ends a wait in progress.
    void Wake();

    // Work for this loop in flight on other threads (a job queued or running), so that a driver of the loop can
    // tell settled from waiting: any thread, one EndWork for each BeginWork. The last EndWork wakes the loop.
    void BeginWork();
    void EndWork();
    // Post, for an event that carries such work's result: it stays in flight until its delivery has returned, or
    // until it is dropped undelivered.
    OSStatus PostResult(EventRef inEvent);
    // Any thread: work begun and not ended, and results posted and not yet delivered.
    std::size_t CountWorkInFlight() const;

    // A period of 0 fires once. Negative times count as 0. Any thread; callbacks run on the pumping thread.
    // Adding and removing is safe inside a callback, also removing the timer that is firing.
    TimerRef AddTimer(Nanos inFirstDelay, Nanos inPeriod, TimerProc inProc);
    bool RemoveTimer(TimerRef inTimer);
    bool HasTimer(TimerRef inTimer) const;

    // Waits up to inMaxWait for something to do, then fires the due timers in deadline order and delivers the
    // events queued by then (not those posted meanwhile). Answers whether it did anything; false at once on a
    // thread that does not own the loop.
    bool RunOnce(Nanos inMaxWait);
    // Pumps until inPredicate holds (true) or inTimeout of real time has passed (false). The predicate is also
    // checked every few milliseconds, so another thread may flip it without posting.
    bool RunUntil(const std::function<bool()>& inPredicate, Nanos inTimeout);
    // Pumps until a Quit ends this level (true); runs nest. False at once on a thread that does not own the loop.
    // With inExhausted, the level also ends (false) when a pass that waits for nothing finds no work and
    // inExhausted then holds: a scripted run cannot outlive its script.
    bool Run(const std::function<bool()>& inExhausted = nullptr);
    // Any thread: ends the innermost Run not yet ended. False when no Run is active.
    bool Quit();
    int RunDepth() const;

    // Owner thread only. A further source of work beside events and timers (the window server's script):
    // RunOnce never waits while inPending holds, and calls inDeliverOne once, after timers and events.
    void SetInputSource(std::function<bool()> inPending, std::function<bool()> inDeliverOne);

    const Clock& GetClock() const { return mClock; }
    Nanos Now() const { return mClock.Now(); }
    // Only while the loop holds no timer and is not running.
    bool SetClock(ClockKind inKind);
    // Virtual clock only: moves time by inDelta, firing each due timer in deadline order with its deadline as
    // now; a repeating timer due several times fires each time. Pumps no events.
    bool Advance(Nanos inDelta);

    // Tests: drops queued events and timers, frees the ownership, picks the clock (virtual time back to 0).
    // Not while the loop runs.
    void ResetForTesting(ClockKind inKind);

    std::size_t CountEvents() const;
    std::size_t CountTimers() const;
    // The earliest deadline among the timers, kForever when there is none.
    Nanos NextDeadline() const;
    bool IsOwnerThread() const;

private:
    friend RunLoop& MainLoop();
    RunLoop();
    ~RunLoop() = delete;

    struct Timer
    {
        Nanos deadline;
        Nanos period;
        std::uint64_t seq;
        TimerProc proc;
    };
    struct HeapEntry
    {
        Nanos deadline;
        std::uint64_t seq;
        TimerRef id;
        bool operator>(const HeapEntry& inOther) const
        {
            return deadline != inOther.deadline ? deadline > inOther.deadline : seq > inOther.seq;
        }
    };
    struct QueuedEvent
    {
        std::uint64_t seq;
        EventRef event;
        bool result; // counted in flight
    };

    bool ClaimOwner();
    OSStatus Enqueue(EventRef inEvent, bool inResult);
    void Wait(Nanos inWait);
    // Fires the first timer due at inLimit whose sequence is below inSeqLimit. inCatchUp fires a repeating timer
    // once per missed period (virtual time); otherwise missed periods are skipped.
    bool FireNext(Nanos inLimit, std::uint64_t inSeqLimit, bool inCatchUp);
    void Schedule(TimerRef inId, Timer& ioTimer); // under mMutex
    void DropStaleTop();                          // under mMutex
    void CompactHeap();                           // under mMutex

    Clock mClock;
    int mWakeFd = -1;
    mutable std::mutex mMutex;
    std::thread::id mOwner;
    std::deque<QueuedEvent> mEvents;
    std::uint64_t mNextEventSeq = 0;
    std::unordered_map<TimerRef, std::shared_ptr<Timer>> mTimers;
    std::priority_queue<HeapEntry, std::vector<HeapEntry>, std::greater<HeapEntry>> mHeap;
    TimerRef mNextTimerId = 1;
    std::uint64_t mNextTimerSeq = 0;
    std::vector<bool> mQuitFlags; // one per active Run, innermost last
    std::function<bool()> mInputPending;
    std::function<bool()> mInputDeliver;
    std::atomic<std::int64_t> mWorkInFlight{0};
};

// The one loop of the process.
RunLoop& MainLoop();

} // namespace pf
