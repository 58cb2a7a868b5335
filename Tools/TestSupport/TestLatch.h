// Helpers for threaded tests: a count-down latch whose waits are bounded, so a broken ordering fails a test
// instead of hanging it, a bounded spin, and an arena for objects that hold locks.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace sky::test
{

constexpr std::chrono::seconds kBound{10};

class Latch
{
public:
    explicit Latch(int inCount = 1) : mCount(inCount) {}

    void CountDown()
    {
        std::lock_guard lock(mMutex);
        if (mCount > 0 && --mCount == 0)
        {
            mCondition.notify_all();
        }
    }

    // False when the bound passed first.
    bool Wait(std::chrono::milliseconds inBound = kBound)
    {
        std::unique_lock lock(mMutex);
        return mCondition.wait_for(lock, inBound, [&] { return mCount == 0; });
    }

    bool IsOpen()
    {
        std::lock_guard lock(mMutex);
        return mCount == 0;
    }

private:
    std::mutex mMutex;
    std::condition_variable mCondition;
    int mCount;
};

// Spins (yielding) until the condition holds or the bound passes; for flags that nothing signals.
template <class Condition> bool SpinUntil(Condition inCondition, std::chrono::milliseconds inBound = kBound)
{
    const auto deadline = std::chrono::steady_clock::now() + inBound;
    while (!inCondition())
    {
        if (std::chrono::steady_clock::now() >= deadline)
        {
            return false;
        }
        std::this_thread::yield();
    }
    return true;
}

// Keeps test objects that hold locks on the heap and deletes them newest first. A lock that lived on the stack
// keeps its identity for the thread sanitizer after it is gone, so a later lock at the same address would inherit
// its lock order and show a deadlock that cannot happen.
class Arena
{
public:
    Arena() = default;
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;

    ~Arena()
    {
        while (!mDeleters.empty())
        {
            auto deleter = std::move(mDeleters.back());
            mDeleters.pop_back();
            deleter();
        }
    }

    template <class T, class... Args> T& Make(Args&&... inArgs)
    {
        T* object = new T(std::forward<Args>(inArgs)...);
        mDeleters.push_back([object] { delete object; });
        return *object;
    }

private:
    std::vector<std::function<void()>> mDeleters;
};

} // namespace sky::test
