#include "PfRunLoop.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace pf
{

namespace
{

// How often RunUntil looks at its predicate when nothing wakes the loop.
constexpr Nanos kPredicatePoll = std::chrono::milliseconds(5);

Nanos Clamp(Nanos inTime)
{
    return std::clamp(inTime, Nanos::zero(), RunLoop::kLongest);
}

} // namespace

Nanos Clock::Now() const
{
    if (mKind.load() == ClockKind::kVirtual)
    {
        return Nanos(mVirtualNow.load());
    }
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return Nanos(std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec);
}

std::uint32_t Clock::TickCount() const
{
    const std::int64_t ns = std::max<std::int64_t>(Now().count(), 0);
    const std::uint64_t seconds = std::uint64_t(ns / 1000000000);
    const std::uint64_t rest = std::uint64_t(ns % 1000000000);
    return std::uint32_t(seconds * 60 + rest * 60 / 1000000000);
}

RunLoop::RunLoop() : mWakeFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

RunLoop& MainLoop()
{
    // Never destroyed: worker threads may still post while static objects are torn down at exit.
    static RunLoop* sLoop = new RunLoop;
    return *sLoop;
}

bool RunLoop::ClaimOwner()
{
    std::lock_guard lock(mMutex);
    if (mOwner == std::thread::id())
    {
        mOwner = std::this_thread::get_id();
    }
    return mOwner == std::this_thread::get_id();
}

bool RunLoop::IsOwnerThread() const
{
    std::lock_guard lock(mMutex);
    return mOwner == std::this_thread::get_id();
}

OSStatus RunLoop::Post(EventRef inEvent)
{
    return Enqueue(std::move(inEvent), false);
}

OSStatus RunLoop::PostResult(EventRef inEvent)
{
    return Enqueue(std::move(inEvent), true);
}

OSStatus RunLoop::Enqueue(EventRef inEvent, bool inResult)
{
    if (!inEvent)
    {
        return kParamErr;
    }
    bool wasEmpty;
    {
        std::lock_guard lock(mMutex);
        wasEmpty = mEvents.empty();
        // Counted before it can be seen, so that no reader finds the result neither queued nor counted.
        if (inResult)
        {
            mWorkInFlight.fetch_add(1);
        }
        mEvents.push_back(QueuedEvent{mNextEventSeq++, std::move(inEvent), inResult});
    }
    // A non-empty queue already keeps the loop from waiting.
    if (wasEmpty)
    {
        Wake();
    }
    return kNoErr;
}

void RunLoop::Wake()
{
    if (mWakeFd >= 0)
    {
        const std::uint64_t one = 1;
        // EAGAIN means the counter is already set: the loop wakes anyway.
        [[maybe_unused]] ssize_t written = write(mWakeFd, &one, sizeof one);
    }
}

void RunLoop::BeginWork()
{
    mWorkInFlight.fetch_add(1);
}

void RunLoop::EndWork()
{
    // A driver waiting for the work to end is not waiting for an event: tell it.
    if (mWorkInFlight.fetch_sub(1) == 1)
    {
        Wake();
    }
}

std::size_t RunLoop::CountWorkInFlight() const
{
    return std::size_t(std::max<std::int64_t>(mWorkInFlight.load(), 0));
}

void RunLoop::Schedule(TimerRef inId, Timer& ioTimer)
{
    ioTimer.seq = mNextTimerSeq++;
    mHeap.push(HeapEntry{ioTimer.deadline, ioTimer.seq, inId});
}

void RunLoop::DropStaleTop()
{
    while (!mHeap.empty())
    {
        const HeapEntry& top = mHeap.top();
        auto it = mTimers.find(top.id);
        if (it != mTimers.end() && it->second->seq == top.seq)
        {
            return;
        }
        mHeap.pop();
    }
}

void RunLoop::CompactHeap()
{
    // Removed timers leave their entries behind until they surface; rebuild once they dominate.
    if (mHeap.size() <= 2 * mTimers.size() + 64)
    {
        return;
    }
    std::vector<HeapEntry> entries;
    entries.reserve(mTimers.size());
    for (const auto& [id, timer] : mTimers)
    {
        entries.push_back(HeapEntry{timer->deadline, timer->seq, id});
    }
    mHeap = decltype(mHeap)(std::greater<HeapEntry>(), std::move(entries));
}

TimerRef RunLoop::AddTimer(Nanos inFirstDelay, Nanos inPeriod, TimerProc inProc)
{
    if (!inProc)
    {
        return 0;
    }
    auto timer = std::make_shared<Timer>();
    timer->period = Clamp(inPeriod);
    timer->proc = std::move(inProc);
    TimerRef id;
    bool foreign;
    {
        std::lock_guard lock(mMutex);
        id = mNextTimerId++;
        timer->deadline = mClock.Now() + Clamp(inFirstDelay);
        Schedule(id, *timer);
        mTimers.emplace(id, std::move(timer));
        foreign = mOwner != std::this_thread::get_id();
    }
    // The owner is not waiting while it adds; another thread may have to cut the owner's wait short.
    if (foreign)
    {
        Wake();
    }
    return id;
}

bool RunLoop::RemoveTimer(TimerRef inTimer)
{
    std::shared_ptr<Timer> removed; // its callback is freed outside the lock
    {
        std::lock_guard lock(mMutex);
        auto it = mTimers.find(inTimer);
        if (it == mTimers.end())
        {
            return false;
        }
        removed = std::move(it->second);
        mTimers.erase(it);
        CompactHeap();
    }
    return true;
}

bool RunLoop::HasTimer(TimerRef inTimer) const
{
    std::lock_guard lock(mMutex);
    return mTimers.count(inTimer) != 0;
}

bool RunLoop::FireNext(Nanos inLimit, std::uint64_t inSeqLimit, bool inCatchUp)
{
    TimerRef id;
    std::shared_ptr<Timer> timer;
    {
        std::lock_guard lock(mMutex);
        DropStaleTop();
        if (mHeap.empty())
        {
            return false;
        }
        const HeapEntry top = mHeap.top();
        if (top.deadline > inLimit || top.seq >= inSeqLimit)
        {
            return false;
        }
        mHeap.pop();
        id = top.id;
        auto it = mTimers.find(id);
        timer = it->second;
        if (inCatchUp && top.deadline.count() > mClock.mVirtualNow.load())
        {
            mClock.mVirtualNow.store(top.deadline.count());
        }
        if (timer->period > Nanos::zero())
        {
            Nanos next = top.deadline + timer->period;
            if (!inCatchUp && next <= inLimit)
            {
                next = top.deadline + timer->period * ((inLimit - top.deadline) / timer->period + 1);
            }
            timer->deadline = next;
            Schedule(id, *timer);
        }
        else
        {
            mTimers.erase(it);
        }
    }
    // Rescheduled (or dropped) before the call, so the callback may remove or re-add freely.
    timer->proc(id);
    return true;
}

void RunLoop::Wait(Nanos inWait)
{
    pollfd fds[1] = {{mWakeFd, POLLIN, 0}};
    timespec timeout{};
    timespec* timeoutPtr = nullptr;
    if (inWait != kForever)
    {
        const Nanos wait = Clamp(inWait);
        timeout.tv_sec = time_t(wait.count() / 1000000000);
        timeout.tv_nsec = long(wait.count() % 1000000000);
        timeoutPtr = &timeout;
    }
    if (ppoll(fds, 1, timeoutPtr, nullptr) > 0 && (fds[0].revents & POLLIN) != 0)
    {
        std::uint64_t count;
        [[maybe_unused]] ssize_t got = read(mWakeFd, &count, sizeof count);
    }
}

bool RunLoop::RunOnce(Nanos inMaxWait)
{
    if (!ClaimOwner())
    {
        return false;
    }
    Nanos wait = inMaxWait == kForever ? kForever : Clamp(inMaxWait);
    // Copied: a delivered item may replace the source.
    const std::function<bool()> pending = mInputPending;
    const std::function<bool()> deliver = mInputDeliver;
    if (pending && pending())
    {
        wait = Nanos::zero();
    }
    {
        std::lock_guard lock(mMutex);
        DropStaleTop();
        if (!mEvents.empty())
        {
            wait = Nanos::zero();
        }
        else if (!mHeap.empty())
        {
            const Nanos due = mHeap.top().deadline - mClock.Now();
            if (due <= Nanos::zero())
            {
                wait = Nanos::zero();
            }
            else if (mClock.Kind() == ClockKind::kReal)
            {
                wait = std::min(wait, due);
            }
        }
    }
    Wait(wait);

    bool did = false;
    const Nanos now = mClock.Now();
    std::uint64_t timerLimit;
    {
        std::lock_guard lock(mMutex);
        timerLimit = mNextTimerSeq;
    }
    // Timers added or rescheduled by a callback wait for the next pass.
    while (FireNext(now, timerLimit, false))
    {
        did = true;
    }

    std::uint64_t eventLimit;
    {
        std::lock_guard lock(mMutex);
        eventLimit = mNextEventSeq;
    }
    // One at a time from the shared queue, so a nested run inside a handler keeps the posting order.
    for (;;)
    {
        EventRef event;
        bool result;
        {
            std::lock_guard lock(mMutex);
            if (mEvents.empty() || mEvents.front().seq >= eventLimit)
            {
                break;
            }
            event = std::move(mEvents.front().event);
            result = mEvents.front().result;
            mEvents.pop_front();
        }
        ApplicationTarget().Send(*event); // unhandled events are dropped
        // Only now: whatever its handler started in turn (more work, a redraw) is under way.
        if (result)
        {
            EndWork();
        }
        did = true;
    }
    if (deliver && deliver())
    {
        did = true;
    }
    return did;
}

bool RunLoop::RunUntil(const std::function<bool()>& inPredicate, Nanos inTimeout)
{
    if (!ClaimOwner())
    {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + Clamp(inTimeout);
    for (;;)
    {
        if (inPredicate())
        {
            return true;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
        {
            return false;
        }
        RunOnce(std::min<Nanos>(deadline - now, kPredicatePoll));
    }
}

void RunLoop::SetInputSource(std::function<bool()> inPending, std::function<bool()> inDeliverOne)
{
    mInputPending = std::move(inPending);
    mInputDeliver = std::move(inDeliverOne);
}

bool RunLoop::Run(const std::function<bool()>& inExhausted)
{
    if (!ClaimOwner())
    {
        return false;
    }
    std::size_t level;
    {
        std::lock_guard lock(mMutex);
        level = mQuitFlags.size();
        mQuitFlags.push_back(false);
    }
    for (;;)
    {
        {
            std::lock_guard lock(mMutex);
            if (level >= mQuitFlags.size() || mQuitFlags[level])
            {
                mQuitFlags.resize(std::min(level, mQuitFlags.size()));
                return true;
            }
        }
        if (!inExhausted)
        {
            RunOnce(kForever);
        }
        else if (!RunOnce(Nanos::zero()) && inExhausted())
        {
            std::lock_guard lock(mMutex);
            mQuitFlags.resize(std::min(level, mQuitFlags.size()));
            return false;
        }
    }
}

bool RunLoop::Quit()
{
    {
        std::lock_guard lock(mMutex);
        auto level = mQuitFlags.size();
        while (level > 0 && mQuitFlags[level - 1])
        {
            --level;
        }
        if (level == 0)
        {
            return false;
        }
        mQuitFlags[level - 1] = true;
    }
    Wake();
    return true;
}

int RunLoop::RunDepth() const
{
    std::lock_guard lock(mMutex);
    return int(mQuitFlags.size());
}

bool RunLoop::SetClock(ClockKind inKind)
{
    std::lock_guard lock(mMutex);
    if (!mTimers.empty() || !mQuitFlags.empty())
    {
        return mClock.Kind() == inKind;
    }
    mClock.mKind.store(inKind);
    return true;
}

bool RunLoop::Advance(Nanos inDelta)
{
    if (mClock.Kind() != ClockKind::kVirtual || !ClaimOwner())
    {
        return false;
    }
    const Nanos target = mClock.Now() + Clamp(inDelta);
    while (FireNext(target, UINT64_MAX, true))
    {
    }
    // A nested Advance inside a callback may have gone further; time never runs back.
    std::lock_guard lock(mMutex);
    if (target.count() > mClock.mVirtualNow.load())
    {
        mClock.mVirtualNow.store(target.count());
    }
    return true;
}

void RunLoop::ResetForTesting(ClockKind inKind)
{
    std::deque<QueuedEvent> events;
    std::unordered_map<TimerRef, std::shared_ptr<Timer>> timers;
    {
        std::lock_guard lock(mMutex);
        events.swap(mEvents);
        timers.swap(mTimers);
        // Results dropped here are no longer in flight; work on other threads still is.
        for (const QueuedEvent& dropped : events)
        {
            if (dropped.result)
            {
                mWorkInFlight.fetch_sub(1);
            }
        }
        mHeap = decltype(mHeap)();
        mOwner = std::thread::id();
        mQuitFlags.clear();
        mClock.mKind.store(inKind);
        mClock.mVirtualNow.store(0);
    }
    // Callbacks and events are freed outside the lock: their destructors may call back into the loop.
}

std::size_t RunLoop::CountEvents() const
{
    std::lock_guard lock(mMutex);
    return mEvents.size();
}

Nanos RunLoop::NextDeadline() const
{
    std::lock_guard lock(mMutex);
    // The heap keeps removed timers' entries, so the live timers are asked.
    Nanos earliest = kForever;
    for (const auto& entry : mTimers)
        earliest = std::min(earliest, entry.second->deadline);
    return earliest;
}

std::size_t RunLoop::CountTimers() const
{
    std::lock_guard lock(mMutex);
    return mTimers.size();
}

} // namespace pf
