// The base of every toolkit object that receives platform events or timer ticks.
#pragma once

#include "CxTypes.h"
#include "PfEventTarget.h"
#include "PfRunLoop.h"

class FxEventHandler
{
public:
    FxEventHandler() = default;
    // Also removes a handler or timer still installed: no platform callback may reach a deleted object.
    virtual ~FxEventHandler();
    FxEventHandler(const FxEventHandler&) = delete;
    FxEventHandler& operator=(const FxEventHandler&) = delete;

    // Passes the event on along the target chain.
    virtual pf::OSStatus Event(pf::HandlerCallRef inCall, pf::Event& ioEvent);
    virtual void OnTimer() {}

    // One handler at a time: an installed one is removed first.
    void InstallHandler(pf::EventTarget* inTarget, const pf::EventTypeSpec* inTypes, CxUint32 inCount);
    void RemoveHandler();
    // Fires at once, then every inMs milliseconds on the main loop; replaces an installed timer.
    void InstallTimer(CxUint32 inMs);
    void RemoveTimer();
    bool HasTimer() const;

    // Ids below 128 are theme cursors; from 128 up the bundle's "Cursor<id>.png", left unchanged when missing.
    void SetCursor(CxSint32 inId);

protected:
    pf::EventTarget* mTarget = nullptr;
    pf::TimerRef mTimer = 0;
    pf::HandlerRef mHandler;
};
