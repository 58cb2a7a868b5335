#include "CxTimer.h"

CxTimer::CxTimer(CxUint32 inMilliseconds) : mInterval(inMilliseconds) {}

CxTimer::~CxTimer()
{
    StopRepeating();
}

void CxTimer::StartRepeating()
{
    if (!IsRepeating())
    {
        SetupTimer(true);
    }
}

void CxTimer::StopRepeating()
{
    if (IsRepeating())
    {
        DestroyTimer();
    }
}

void CxTimer::SetRepeatInterval(CxUint32 inMilliseconds)
{
    if (inMilliseconds == mInterval)
    {
        return;
    }
    if (IsRepeating())
    {
        DestroyTimer();
        mInterval = inMilliseconds;
        SetupTimer(false);
    }
    else
    {
        mInterval = inMilliseconds;
    }
}

CxMessageTimer::CxMessageTimer(CxUint32 inMilliseconds, CxSint32 inMessage)
    : CxTimer(inMilliseconds), mMessage(inMessage)
{
}

void CxMessageTimer::OnTimer()
{
    SendMessage(mMessage, nullptr);
}
