#include "CxDebug.h"
#include "CxTimer.h"
#include "PfRunLoop.h"

#include <chrono>

void CxTimer::SetupTimer(bool inImmediately)
{
    if (mTimer != 0)
    {
        CxAssertText(false, "mTimerUpp == nil");
        // The old timer would keep firing with nothing left to remove it.
        pf::MainLoop().RemoveTimer(mTimer);
    }
    const pf::Nanos period = std::chrono::milliseconds(mInterval);
    // Otherwise the interval cut to whole seconds: under 1000 ms this too fires at once.
    const pf::Nanos first = inImmediately ? pf::Nanos::zero() : pf::Nanos(std::chrono::seconds(mInterval / 1000));
    mTimer = pf::MainLoop().AddTimer(first, period, [this](pf::TimerRef) { OnTimer(); });
}

void CxTimer::DestroyTimer()
{
    CxAssertText(mTimer != 0, "mTimerUpp != nil");
    if (mTimer != 0)
    {
        pf::MainLoop().RemoveTimer(mTimer);
    }
    mTimer = 0;
}
