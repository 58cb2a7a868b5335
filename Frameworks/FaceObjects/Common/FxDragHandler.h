// Receives drags over a window or one of its views and sends the data of drags it starts. Every FxWindow and
// FxView is one. A drag is accepted when it carries one of the accepted flavours; the hooks do nothing here.
#pragma once

#include "PfDrag.h"
#include "PfEventTarget.h"
#include "PfWindowServer.h"

#include <cstdint>
#include <vector>

class FxDrag;
class FxDragItem;
class FxDragFlavor;

class FxDragHandler
{
public:
    FxDragHandler() = default;
    virtual ~FxDragHandler();
    FxDragHandler(const FxDragHandler&) = delete;
    FxDragHandler& operator=(const FxDragHandler&) = delete;

    virtual void OnDragEnter(FxDrag&) {}
    virtual void OnDragWithin(FxDrag&) {}
    virtual void OnDragLeave(FxDrag&) {}
    virtual void OnDragReceive(FxDrag&) {}
    virtual void OnDragSend(FxDrag&, FxDragItem&, FxDragFlavor&) {}
    virtual void OnTrackBegin(FxDrag&) {}
    virtual void OnTrackEnd(FxDrag&) {}

    void AddDragFlavor(pf::FourCharCode inType);
    void RemoveDragFlavor(pf::FourCharCode inType);
    bool AcceptsDragFlavor(pf::FourCharCode inType) const;
    // Items and flavours in index order, up to the first accepted flavour.
    bool AcceptsDrag(FxDrag& inDrag) const;

    // The window-level handlers; a window installs them on itself and removes them before it goes.
    void InstallDragHandlers(pf::WindowRef inWindow);
    void RemoveDragHandlers();
    // While one control drag event is handled, the control's owner window.
    pf::WindowRef GetDragWindow() const { return mDragWindow; }

    // A drag started here is being tracked.
    bool IsDragSource() const { return mSource; }
    // An accepted drag is over the window or control.
    bool IsDragTracking() const { return mInside; }

    void PrepareToTrack(FxDrag& inDrag);
    void TrackBegin(FxDrag& inDrag);
    void TrackEnd(FxDrag& inDrag);
    pf::OSStatus DragEnterWindow(FxDrag& inDrag);
    pf::OSStatus DragInWindow(FxDrag& inDrag);
    pf::OSStatus DragLeaveWindow(FxDrag& inDrag);
    pf::OSStatus DragReceive(FxDrag& inDrag);
    // A tracking message at window level: 0 when refused or for messages 1-5, else paramErr.
    pf::OSStatus DragTrack(std::int16_t inMessage, pf::WindowRef inWindow, pf::DragRef inDrag);

    // A view's 'cntl' 18 to 21, each answering noErr; entry sets 'cldg' when the drag is accepted.
    pf::OSStatus EventControlDragEnter(pf::HandlerCallRef, pf::Event& ioEvent);
    pf::OSStatus EventControlDragWithin(pf::HandlerCallRef, pf::Event& ioEvent);
    pf::OSStatus EventControlDragLeave(pf::HandlerCallRef, pf::Event& ioEvent);
    pf::OSStatus EventControlDragReceive(pf::HandlerCallRef, pf::Event& ioEvent);

protected:
    pf::WindowRef mDragWindow = nullptr;

private:
    std::uint64_t mTrackingHandler = 0;
    std::uint64_t mReceiveHandler = 0;
    std::vector<pf::FourCharCode> mFlavors;
    bool mSource = false;
    bool mInside = false;
};
