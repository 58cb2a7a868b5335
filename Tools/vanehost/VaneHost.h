// A browser in one process, for tests and tools: the browser's function table, a browser window on the window
// server, instances, windows, streams and events handed to the plug-in through its own table, and the driver that
// shows and displays the layers of Cocoa-mode instances. One host at a time (the table's functions find it).
#pragma once

#include "PfLayer.h"
#include "PfNpapi.h"
#include "PfWindowServer.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

enum class VaneAnswer
{
    kTrue,
    kFalse,
    kError, // NPERR_GENERIC_ERROR, the value untouched
};

class VaneHost
{
public:
    // The browser window's content, in global coordinates.
    static constexpr pf::Rect kWindowContent{40, 60, 640, 480};

    explicit VaneHost(const NPPluginFuncs& inPlugin);
    // Destroys the instances still alive, drops the layers and disposes the window.
    ~VaneHost();
    VaneHost(const VaneHost&) = delete;
    VaneHost& operator=(const VaneHost&) = delete;

    // The browser's table, owned by the host.
    NPNetscapeFuncs* BrowserFuncs() { return &mBrowser; }
    // The plug-in's table, for an entry that fills it only after seeing the browser's.
    void SetPluginFuncs(const NPPluginFuncs& inPlugin) { mPlugin = inPlugin; }
    // As for the legacy entry: the browser's entries past ForceRedraw are null.
    void DropEntriesPastForceRedraw();
    // What GetValue answers for NPNVsupportsCoreAnimationBool (2003) and NPNVsupportsCocoaBool (3001).
    void SetSupport(VaneAnswer inCoreAnimation, VaneAnswer inCocoa);

    pf::WindowRef Window() const { return mWindow; }
    // Sizes the window's content to a page, its origin kept.
    void SetContentSize(double inWidth, double inHeight);

    // NPP_New with the attributes; null when the plug-in refuses. In Cocoa mode the host then asks for the layer
    // and shows it at the instance's rectangle.
    NPP New(const std::vector<std::pair<std::string, std::string>>& inArguments = {});
    NPError Destroy(NPP inInstance);
    // The instance's rectangle in the window's content: an NP_Port of the window's port in Carbon mode.
    NPError SetWindow(NPP inInstance, const pf::Rect& inRect);
    // Carbon mode: an NPWindow whose port record holds no port.
    NPError SetWindowWithoutPort(NPP inInstance, const pf::Rect& inRect);
    int16_t HandleEvent(NPP inInstance, void* inEvent);
    NPError GetValue(NPP inInstance, NPPVariable inVariable, void* outValue);
    // NewStream, WriteReady and Write in chunks of at most WriteReady, then DestroyStream with the reason.
    NPError SendStream(NPP inInstance, const std::string& inUrl, const std::string& inMime, const std::string& inData,
                       NPReason inReason = NPRES_DONE);

    // Whether the plug-in set the Core Animation drawing model and the Cocoa event model for the instance.
    bool IsCocoa(NPP inInstance) const;
    // The layer the host shows for the instance (kept after its destruction), or null.
    pf::Layer* LayerOf(NPP inInstance) const;
    // Displays every shown layer tree that needs it.
    void DisplayLayers(double inLayerTime);
    // Displays the instance's layer tree only, if it needs it: a page's load stays linear in its embeds.
    void DisplayLayers(double inLayerTime, NPP inInstance);

    // Makers. Records: global points, 'kmod' modifiers, the loop's ticks.
    static pf::EventRecord MakeRecord(std::uint16_t inWhat, pf::Point inGlobal = {}, std::uint16_t inModifiers = 0,
                                      std::uint32_t inMessage = 0);
    static NPCocoaEvent MakeCocoaMouse(NPCocoaEventType inType, double inX, double inY, std::int32_t inButton = 0,
                                       std::uint32_t inModifierFlags = 0, std::int32_t inClickCount = 1,
                                       double inDeltaX = 0, double inDeltaY = 0);
    static NPCocoaEvent MakeCocoaKey(NPCocoaEventType inType, std::uint16_t inKeyCode);
    // Sends a 'mous' event to the browser window at a content point; answers the window's status. In Carbon mode
    // a button-2 click reaches the plug-in as a record with the control key, as browsers send it.
    pf::OSStatus SendMouse(std::uint32_t inKind, pf::Point inContent, std::uint16_t inButton,
                           std::uint32_t inModifiers = 0, std::uint32_t inClickCount = 1);
    // Sends a 'mous' 11 (smooth wheel) event with the deltas at a content point.
    pf::OSStatus SendWheel(pf::Point inContent, std::int32_t inDeltaY, std::int32_t inDeltaX);
    // The content point as a global one.
    static pf::Point Global(pf::Point inContent);

    // What the browser's table saw.
    struct SetValueCall
    {
        NPPVariable variable;
        std::intptr_t value;
    };
    const std::vector<SetValueCall>& SetValues() const { return mSetValues; }
    const std::vector<NPRect>& Invalidations() const { return mInvalidations; }
    const std::vector<std::pair<std::string, std::string>>& GetUrls() const { return mGetUrls; }
    // The instance's last GetURL (URL, target); null when it asked none.
    const std::pair<std::string, std::string>* LastGetUrl(NPP inInstance) const;
    // One line per call of an entry the host does not act on.
    const std::vector<std::string>& Log() const { return mLog; }

private:
    struct Instance
    {
        NPP_t npp{};
        NPWindow window{};
        NP_Port port{};
        bool alive = true;
        bool drawingModelSet = false;
        bool eventModelSet = false;
        pf::Rect rect;
        std::unique_ptr<pf::LayerHost> layers;
        std::optional<std::pair<std::string, std::string>> lastUrl;
    };

    static VaneHost* Current();
    static NPError GetValueEntry(NPP, NPNVariable, void*);
    static NPError SetValueEntry(NPP, NPPVariable, void*);
    static void InvalidateRectEntry(NPP, NPRect*);
    static NPError GetURLEntry(NPP, const char*, const char*);
    static NPError PopUpContextMenuEntry(NPP, NPMenu*);
    void FillBrowserTable();
    Instance* Find(NPP inInstance) const;
    Instance* FindAt(pf::Point inContent) const;
    pf::OSStatus HostMouse(pf::Event& ioEvent);

    NPPluginFuncs mPlugin{};
    NPNetscapeFuncs mBrowser{};
    VaneAnswer mCoreAnimation = VaneAnswer::kFalse;
    VaneAnswer mCocoa = VaneAnswer::kFalse;
    pf::WindowRef mWindow = nullptr;
    pf::HandlerRef mHandler;
    std::vector<std::unique_ptr<Instance>> mInstances;
    std::vector<SetValueCall> mSetValues;
    std::vector<NPRect> mInvalidations;
    std::vector<std::pair<std::string, std::string>> mGetUrls;
    std::vector<std::string> mLog;
    pf::Point mLastDrag;
};
