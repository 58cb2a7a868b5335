// The toolkit's custom view: a wrapped view whose drawing, mouse, keys, focus and drags are virtual operations.
// User panes of an interface file with no known class code become plain FxViews. FxGraphic draws with GL.
#pragma once

#include "CxCoordinates.h"
#include "CxString.h"
#include "FxControl.h"
#include "FxDragHandler.h"
#include "FxScrapHandler.h"

#include <memory>

class FxColorWell;
class FxKeyEvent;
class FxMouseEvent;
class GxColorGradient;
class GxContext;
class GxFont;

struct FxViewInfo
{
    pf::ViewRef mView = nullptr;
};

class FxView : public FxControl, public FxScrapHandler, public FxDragHandler
{
public:
    explicit FxView(const FxViewInfo& inInfo);
    // The first subview of the window inViewName of "<inNibFile>.fxui", added to the window's content.
    FxView(FxWindow* inWindow, const CxString& inNibFile, const CxString& inViewName);
    ~FxView() override;

    pf::OSStatus Event(pf::HandlerCallRef inCall, pf::Event& ioEvent) override;

    virtual void OnDraw() {}
    virtual void OnResize() {}
    virtual void OnMouseDown(const FxMouseEvent&) {}
    virtual void OnMouseUp(const FxMouseEvent&) {}
    virtual void OnMouseMoved(const FxMouseEvent&) {}
    virtual void OnMouseDragged(const FxMouseEvent&) {}
    virtual void OnMouseWheel(const FxMouseEvent&) {}
    virtual void OnMouseScroll(const FxMouseEvent&) {}
    virtual void OnMouseEntered() {}
    virtual void OnMouseExited() {}
    virtual void OnKeyDown(FxKeyEvent&) {}
    virtual void OnKeyUp(FxKeyEvent&) {}
    virtual void OnKeyRepeat(FxKeyEvent&) {}
    virtual void OnKeyModifiersChanged(FxKeyEvent&) {}
    // No focusable parts by default: each sets its argument to 0.
    virtual void OnSetFocusPart(CxSint16& ioPart);
    virtual void OnGetFocusPart(CxSint16& ioPart);
    virtual void OnCountParts(CxSint16& outCount);
    virtual void OnControlHit(FxControl*) {}
    virtual void OnControlTrack(FxControl*) {}
    virtual void OnControlValueFieldChanged(FxControl*) {}
    virtual void OnColorChanged(FxColorWell*) {}
    virtual void OnGradientChanged(const GxColorGradient&) {}
    virtual void OnDateChanged(FxControl*) {}
    virtual void OnTextChanged(FxControl*) {}
    virtual void OnTextValidated(FxEditText*) {}
    virtual void OnFontSelection(const GxFont&) {}
    virtual pf::OSStatus EventControlDraw(pf::HandlerCallRef inCall, pf::Event& ioEvent);
    // Remakes the tracking area and calls OnResize.
    virtual pf::OSStatus EventControlBoundsChanged(pf::HandlerCallRef inCall, pf::Event& ioEvent);
    virtual pf::OSStatus EventControlOwningWindowChanged(pf::HandlerCallRef inCall, pf::Event& ioEvent);
    virtual pf::OSStatus EventControlVisibilityChanged(pf::HandlerCallRef inCall, pf::Event& ioEvent);

    pf::ViewRef GetViewRef() const { return mControl; }
    // Nothing to do: every snapshot redraws the whole window.
    void Invalidate() {}
    // FxMouseEvent's modifier bits of the last control hit.
    CxUint32 LastEventModifiers() const { return mLastModifiers; }
    CxSint16 FocusPart() const { return mFocusPart; }

    void LocalToGlobal(CxPoint& ioPoint) const;
    void GlobalToLocal(CxPoint& ioPoint) const;
    void LocalToGlobal(CxRect& ioRect) const;
    void GlobalToLocal(CxRect& ioRect) const;

protected:
    void MakeTrackingArea();
    pf::OSStatus EventControl(pf::HandlerCallRef inCall, pf::Event& ioEvent);
    pf::OSStatus EventMouse(pf::Event& ioEvent);
    pf::OSStatus EventFace(pf::Event& ioEvent);
    pf::OSStatus SetFocusPart(pf::Event& ioEvent);

private:
    void SetUp();

    CxSint16 mFocusPart = 0;
    CxUint32 mLastModifiers = 0;
    pf::TrackingAreaRef mTrackingArea = 0;
};

// Draws OnDraw with its own GL context, made on the first draw or bounds change and again when the view moves to
// another window.
class FxGraphic : public FxView
{
public:
    explicit FxGraphic(const FxViewInfo& inInfo);
    ~FxGraphic() override;

    // Clears to white and paints a quad with red, yellow, blue and green corners (from the top left, clockwise),
    // at half alpha while highlighted.
    void OnDraw() override;
    pf::OSStatus EventControlDraw(pf::HandlerCallRef inCall, pf::Event& ioEvent) override;
    pf::OSStatus EventControlBoundsChanged(pf::HandlerCallRef inCall, pf::Event& ioEvent) override;
    pf::OSStatus EventControlOwningWindowChanged(pf::HandlerCallRef inCall, pf::Event& ioEvent) override;
    pf::OSStatus EventControlVisibilityChanged(pf::HandlerCallRef inCall, pf::Event& ioEvent) override;

    // Made when missing.
    GxContext* GetContext();
    bool HasContext() const { return mContext != nullptr; }
    // Current, OnDraw, swapped; the context is made when missing.
    void Refresh();
    // A new context on the view, replacing any.
    void SetupContext();

private:
    std::unique_ptr<GxContext> mContext;
};

FxView* AsFxView(FxControl* inControl);
FxGraphic* AsFxGraphic(FxControl* inControl);

// The 'FACE' 3 event's control as a colour well; until the colour controls fill it, nothing is one.
using FxColorWellCast = FxColorWell* (*)(FxControl*);
void FxSetColorWellCast(FxColorWellCast inCast);
