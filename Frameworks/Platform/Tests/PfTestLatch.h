// A count-down latch whose waits are bounded, so a broken ordering fails a test instead of hanging it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace pftest
{

constexpr std::chrono::seconds kBound{10};

class Latch
{
public:
    explicit Latch(int inCount) : mCount(inCount) {}

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

} // namespace pftest
