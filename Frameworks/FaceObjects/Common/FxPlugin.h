// The plug-in frame: the plug-in object's base, the per-embed instance that turns the browser's windows, events,
// streams and drawing requests into virtual operations, the stream buffer and the port switch.
//
// An instance lives in one of two modes, fixed when it is made: Cocoa mode (a GL layer the browser composites,
// Cocoa events) when the browser offers both, else Carbon mode (a GL context placed in the browser window's port,
// old-style event records and the window's mouse events).
#pragma once

#include "CxCoordinates.h"
#include "CxData.h"
#include "CxString.h"
#include "CxTypes.h"
#include "FxEventHandler.h"
#include "PfNpapi.h"
#include "PfSurface.h"

#include <map>

class FxCommand;
class FxKeyEvent;
class FxMenu;
class FxMouseEvent;
class FxOpenGLLayer;
class FxPluginStream;
class GxAGLContext;
class GxContext;

namespace pf
{
class Layer;
}

class FxPlugin
{
public:
    // Installs the core event handler and registers "<name>.bundle/Resources" beside this library as the bundle
    // when that folder exists (none otherwise).
    explicit FxPlugin(const CxString& inName);
    // Removes the core event handler and registers no bundle.
    virtual ~FxPlugin();
    FxPlugin(const FxPlugin&) = delete;
    FxPlugin& operator=(const FxPlugin&) = delete;

    virtual void OnStartup() {}
    virtual void OnShutdown() {}

    void Startup() { OnStartup(); }
    void Shutdown() { OnShutdown(); }
};

// A mouse event from a Cocoa event record: button number + 1, modifiers mapped, the plug-in-local point
// truncated; for the scroll wheel the wheel and vertical scroll take delta y, the horizontal delta x.
FxMouseEvent FxMouseEventFromCocoaEvent(const NPCocoaEvent& inEvent);

class FxPluginInstance : public FxEventHandler
{
public:
    using Arguments = std::map<CxString, CxString>;

    // Asks the browser for its models; does not set the NPP's pdata.
    FxPluginInstance(NPP inInstance, const Arguments& inArguments);
    // Takes over the source's browser instance, window, contexts, layer, handlers and timer (pdata included);
    // the source keeps only the NPP. Until the source goes, an instance that goes first (a derived constructor
    // threw) gives all of it back, so the source can carry on.
    explicit FxPluginInstance(FxPluginInstance* inSource);
    ~FxPluginInstance() override;

    pf::OSStatus Event(pf::HandlerCallRef inCall, pf::Event& ioEvent) override;
    // The mouse poll.
    void OnTimer() override;

    virtual void OnSetWindow() {}
    virtual void OnSetContext() {}
    virtual void OnAcceptStream(FxPluginStream*) {}
    virtual void OnMouseDown(const FxMouseEvent&) {}
    virtual void OnMouseUp(const FxMouseEvent&) {}
    virtual void OnMouseDragged(const FxMouseEvent&) {}
    virtual void OnMouseMoved(const FxMouseEvent&) {}
    // Never called by the frame: both wheel paths deliver OnMouseScroll.
    virtual void OnMouseWheel(const FxMouseEvent&) {}
    virtual void OnMouseScroll(const FxMouseEvent&) {}
    virtual void OnKeyDown(FxKeyEvent&) {}
    virtual void OnKeyUp(FxKeyEvent&) {}
    virtual void OnKeyRepeat(FxKeyEvent&) {}
    virtual void OnCommand(FxCommand&) {}
    virtual void OnDraw() {}
    virtual void OnActivate() {}
    virtual void OnDeactivate() {}
    virtual void OnGetFocus() {}
    virtual void OnLoseFocus() {}
    virtual void OnAdjustCursor() {}

    // The browser's calls.
    void SetWindow(NPWindow* inWindow);
    // An NPEventRecord in Carbon mode, an NPCocoaEvent in Cocoa mode.
    bool HandleEvent(void* inEvent);
    // Answers only NPPVpluginCoreAnimationLayer (a retained root layer), in Cocoa mode; 1 for anything else.
    NPError GetValue(NPPVariable inVariable, void* outValue);
    // The first stream goes to OnAcceptStream; later ones are dropped.
    void AcceptStream(FxPluginStream* inStream);

    NPP GetNpInstance() const { return mInstance; }
    NPWindow* GetNpWindow() const { return mWindow; }
    pf::PortRef GetPort() const;
    pf::WindowRef GetWindowRef() const;
    // In the browser window's port coordinates; zero before the first window.
    CxRect GetPluginBounds() const;
    CxRect GetClipBounds() const;
    // Case-insensitive name; "" when absent.
    CxString GetArgument(const CxString& inName) const;
    // The layer's context in Cocoa mode (null until the layer made it), else the port's (null before a window).
    GxContext* GetContext() const;
    bool IsCocoaMode() const { return mCocoaMode; }
    bool IsActive() const { return mActive; }

    // Asks the browser to redraw the whole plug-in.
    void Invalidate();
    // Cocoa mode: draws later; Carbon mode: draws now.
    void Refresh();
    // The chosen item's command id, 0 when nothing was chosen. The point is plug-in-local (Carbon mode only).
    CxUint32 DisplayPopupMenu(FxMenu* inMenu, CxPoint inWhere);
    void ObeyCommandNow(CxUint32 inCommand);
    void ShowHelp(const CxString&) {}
    void DebugNpWindow() {}
    void PrepareToPrint();
    void GlobalToLocal(CxPoint& ioPoint) const;

    // The layer's callbacks.
    void SetContext();
    void DrawLayer();

private:
    struct LayerSet
    {
        pf::Layer* mRoot = nullptr;
        FxOpenGLLayer* mLayer = nullptr;
    };

    void SetupEvents();
    bool HandleCarbonEvent(const pf::EventRecord& inRecord);
    bool HandleCocoaEvent(const NPCocoaEvent& inEvent);
    void MouseDownRecord(const pf::EventRecord& inRecord);
    void MouseUpRecord(const pf::EventRecord& inRecord);
    void ActivateRecord(const pf::EventRecord& inRecord);
    // The mouse in plug-in-local coordinates (the port switched to the plug-in).
    CxPoint GetMouse() const;
    // Keeps the poll timer while the point lies in the plug-in and the window is active; answers whether it does.
    bool CheckMousePoll(CxPoint inLocal);
    CxPoint TopLeft() const;
    void GiveBack();

    NPP mInstance = nullptr;
    // The two ends of a hand-over, while both live.
    FxPluginInstance* mHandOverSource = nullptr;
    FxPluginInstance* mHandedTo = nullptr;
    NPWindow* mWindow = nullptr;
    GxAGLContext* mAGLContext = nullptr;
    LayerSet* mLayers = nullptr;
    Arguments mArguments;
    bool mActive = false;
    bool mStreamAccepted = false;
    bool mCocoaMode = false;
};

// A stream keeps the browser instance it was opened on, not the plug-in instance: the browser may destroy that
// instance, or a hand-over replace it, before the stream ends.
class FxPluginStream
{
public:
    FxPluginStream(FxPluginInstance* inOwner, const CxString& inMime, NPStream* inStream);

    CxSint32 WriteReady() const { return 10240; }
    // Appends (the offset is not used); answers the length taken.
    CxSint32 Write(CxSint32 inOffset, CxSint32 inLength, const void* inBuffer);
    // Keeps the reason and hands the stream to the instance the browser instance has now; without one the data
    // is dropped.
    void Finished(NPReason inReason);

    const CxString& GetUrl() const { return mUrl; }
    const CxString& GetMime() const { return mMime; }
    // Shares the buffer.
    CxData GetData() const { return mData; }
    NPReason GetReason() const { return mReason; }

private:
    NPP mInstance;
    CxString mUrl;
    CxString mMime;
    CxData mData;
    [[maybe_unused]] NPStream* mStream;
    NPReason mReason = 0;
};

// Makes the port current with the given origin; puts back the origin and the former current port when it goes.
// A null port changes nothing.
class FxPortState
{
public:
    FxPortState(pf::PortRef inPort, CxPoint inOrigin);
    ~FxPortState();
    FxPortState(const FxPortState&) = delete;
    FxPortState& operator=(const FxPortState&) = delete;

private:
    pf::PortRef mPort;
    pf::PortRef mSavedPort;
    CxPoint mSavedOrigin;
};
