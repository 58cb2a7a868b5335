// Repeating timers of the main loop. OnTimer runs on the thread that pumps the loop, between events; start and
// stop timers on that thread.
#pragma once

#include "CxMessenger.h"
#include "CxTypes.h"

class CxTimer
{
public:
    explicit CxTimer(CxUint32 inMilliseconds);
    virtual ~CxTimer();
    CxTimer(const CxTimer&) = delete;
    CxTimer& operator=(const CxTimer&) = delete;

    virtual void OnTimer() = 0;

    // First firing at once, then every interval. Does nothing while running.
    void StartRepeating();
    void StopRepeating();
    bool IsRepeating() const { return mTimer != 0; }

    // While running, the next firing comes after the new interval in whole seconds (at once below 1000 ms).
    void SetRepeatInterval(CxUint32 inMilliseconds);
    CxUint32 RepeatInterval() const { return mInterval; }

private:
    void SetupTimer(bool inImmediately);
    void DestroyTimer();

    CxUint64 mTimer = 0; // the loop's timer, 0 when not running
    CxUint32 mInterval;
};

// Sends its message code, with no data, to its receivers each time it fires.
class CxMessageTimer : public CxTimer, public CxMessenger
{
public:
    CxMessageTimer(CxUint32 inMilliseconds, CxSint32 inMessage);

    void OnTimer() override;

    void SetMessage(CxSint32 inMessage) { mMessage = inMessage; }
    CxSint32 Message() const { return mMessage; }

private:
    CxSint32 mMessage;
};
