// Receives drags over a window or one of its views and sends the data of drags it starts. Every FxWindow and
// FxView is one. The hooks do nothing here; the drag objects themselves come with the drag support.
#pragma once

#include "PfEventTarget.h"
#include "PfWindowServer.h"

class FxDrag;
class FxDragItem;
class FxDragFlavor;

class FxDragHandler
{
public:
    FxDragHandler() = default;
    virtual ~FxDragHandler() = default;
    FxDragHandler(const FxDragHandler&) = delete;
    FxDragHandler& operator=(const FxDragHandler&) = delete;

    virtual void OnDragEnter(FxDrag&) {}
    virtual void OnDragWithin(FxDrag&) {}
    virtual void OnDragLeave(FxDrag&) {}
    virtual void OnDragReceive(FxDrag&) {}
    virtual void OnDragSend(FxDrag&, FxDragItem&, FxDragFlavor&) {}
    virtual void OnTrackBegin(FxDrag&) {}
    virtual void OnTrackEnd(FxDrag&) {}

    // The window-level handlers; a window installs them on itself and removes them before it goes.
    void InstallDragHandlers(pf::WindowRef inWindow) { mDragWindow = inWindow; }
    void RemoveDragHandlers() { mDragWindow = nullptr; }

    // A view's 'cntl' 18 to 21. Nothing is accepted yet, so no view claims the drop.
    pf::OSStatus EventControlDragEnter(pf::HandlerCallRef, pf::Event&) { return pf::kNoErr; }
    pf::OSStatus EventControlDragWithin(pf::HandlerCallRef, pf::Event&) { return pf::kNoErr; }
    pf::OSStatus EventControlDragLeave(pf::HandlerCallRef, pf::Event&) { return pf::kNoErr; }
    pf::OSStatus EventControlDragReceive(pf::HandlerCallRef, pf::Event&) { return pf::kNoErr; }

protected:
    pf::WindowRef mDragWindow = nullptr;
};
