#include "VaneHost.h"

#include "PfNativeMenu.h"
#include "PfRunLoop.h"
#include "PfSurface.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace
{

VaneHost* sCurrent = nullptr;
std::vector<std::string>* sLog = nullptr;

void Note(const char* inEntry)
{
    if (sLog != nullptr)
        sLog->push_back(inEntry);
}

// Answers per the host's support setting.
NPError Answer(VaneAnswer inAnswer, void* outValue)
{
    if (inAnswer == VaneAnswer::kError || outValue == nullptr)
        return NPERR_GENERIC_ERROR;
    *static_cast<NPBool*>(outValue) = inAnswer == VaneAnswer::kTrue ? 1 : 0;
    return NPERR_NO_ERROR;
}

std::uint32_t CocoaModifiers(std::uint32_t inPlatform)
{
    std::uint32_t flags = 0;
    if ((inPlatform & pf::kCmdKey) != 0)
        flags |= NPCocoaCommandKeyMask;
    if ((inPlatform & pf::kControlKey) != 0)
        flags |= NPCocoaControlKeyMask;
    if ((inPlatform & pf::kOptionKey) != 0)
        flags |= NPCocoaAlternateKeyMask;
    if ((inPlatform & pf::kShiftKey) != 0)
        flags |= NPCocoaShiftKeyMask;
    return flags;
}

template <class T> T Param(const pf::Event& inEvent, pf::FourCharCode inName, pf::FourCharCode inType)
{
    T value{};
    if (inEvent.GetParam(inName, inType, value) != pf::kNoErr)
        value = T{};
    return value;
}

} // namespace

VaneHost::VaneHost(const NPPluginFuncs& inPlugin) : mPlugin(inPlugin)
{
    sCurrent = this;
    sLog = &mLog;
    FillBrowserTable();
    mWindow = pf::CreateWindow(pf::kDocumentWindowClass, pf::kWindowStandardHandlerAttribute, kWindowContent);
    // Installed first, so the plug-in's own handlers on the window are asked before it.
    mHandler = pf::GetWindowEventTarget(mWindow)->InstallHandler({{pf::kClassMouse, pf::kMouseDown},
                                                                  {pf::kClassMouse, pf::kMouseUp},
                                                                  {pf::kClassMouse, pf::kMouseMoved},
                                                                  {pf::kClassMouse, pf::kMouseDragged},
                                                                  {pf::kClassMouse, pf::kMouseWheelMoved},
                                                                  {pf::kClassMouse, pf::kMouseScroll}},
                                                                 [this](pf::HandlerCallRef, pf::Event& ioEvent)
                                                                 { return HostMouse(ioEvent); });
    pf::ShowWindow(mWindow);
    pf::SelectWindow(mWindow);
}

void VaneHost::SetContentSize(double inWidth, double inHeight)
{
    pf::SetWindowBounds(mWindow, pf::kWindowContentRgn,
                        pf::Rect{kWindowContent.x, kWindowContent.y, inWidth, inHeight});
}

VaneHost::~VaneHost()
{
    for (auto& instance : mInstances)
        if (instance->alive)
            Destroy(&instance->npp);
    mInstances.clear();
    pf::RemoveHandler(mHandler);
    if (pf::IsValidWindow(mWindow))
        pf::DisposeWindow(mWindow);
    if (sCurrent == this)
    {
        sCurrent = nullptr;
        sLog = nullptr;
    }
}

VaneHost* VaneHost::Current()
{
    return sCurrent;
}

void VaneHost::DropEntriesPastForceRedraw()
{
    constexpr std::size_t kKept = offsetof(NPNetscapeFuncs, forceredraw) + sizeof(NPN_ForceRedrawProcPtr);
    std::memset(reinterpret_cast<char*>(&mBrowser) + kKept, 0, sizeof(mBrowser) - kKept);
}

void VaneHost::SetSupport(VaneAnswer inCoreAnimation, VaneAnswer inCocoa)
{
    mCoreAnimation = inCoreAnimation;
    mCocoa = inCocoa;
}

// ---- The browser's table ------------------------------------------------------------------------------------

NPError VaneHost::GetValueEntry(NPP, NPNVariable inVariable, void* outValue)
{
    VaneHost* host = Current();
    if (host == nullptr)
        return NPERR_GENERIC_ERROR;
    if (inVariable == NPNVsupportsCoreAnimationBool)
        return Answer(host->mCoreAnimation, outValue);
    if (inVariable == NPNVsupportsCocoaBool)
        return Answer(host->mCocoa, outValue);
    Note("GetValue");
    return NPERR_GENERIC_ERROR;
}

NPError VaneHost::SetValueEntry(NPP inInstance, NPPVariable inVariable, void* inValue)
{
    VaneHost* host = Current();
    if (host == nullptr)
        return NPERR_GENERIC_ERROR;
    const auto value = reinterpret_cast<std::intptr_t>(inValue);
    host->mSetValues.push_back(SetValueCall{inVariable, value});
    // During NPP_New the instance is already listed.
    if (Instance* instance = host->Find(inInstance))
    {
        if (inVariable == NPPVpluginDrawingModel && value == NPDrawingModelCoreAnimation)
            instance->drawingModelSet = true;
        if (inVariable == NPPVpluginEventModel && value == NPEventModelCocoa)
            instance->eventModelSet = true;
    }
    return NPERR_NO_ERROR;
}

void VaneHost::InvalidateRectEntry(NPP, NPRect* inRect)
{
    if (VaneHost* host = Current(); host != nullptr && inRect != nullptr)
        host->mInvalidations.push_back(*inRect);
}

NPError VaneHost::GetURLEntry(NPP inInstance, const char* inUrl, const char* inWindow)
{
    VaneHost* host = Current();
    if (host == nullptr)
        return NPERR_GENERIC_ERROR;
    host->mGetUrls.emplace_back(inUrl != nullptr ? inUrl : "", inWindow != nullptr ? inWindow : "");
    if (Instance* instance = host->Find(inInstance))
        instance->lastUrl = host->mGetUrls.back();
    return NPERR_NO_ERROR;
}

const std::pair<std::string, std::string>* VaneHost::LastGetUrl(NPP inInstance) const
{
    const Instance* instance = Find(inInstance);
    return instance != nullptr && instance->lastUrl ? &*instance->lastUrl : nullptr;
}

NPError VaneHost::PopUpContextMenuEntry(NPP, NPMenu* inMenu)
{
    if (inMenu == nullptr)
        return NPERR_INVALID_PARAM;
    pf::PopUpNativeMenu(*inMenu, pf::GetGlobalMouse());
    return NPERR_NO_ERROR;
}

void VaneHost::FillBrowserTable()
{
    NPNetscapeFuncs& t = mBrowser;
    t.size = sizeof(NPNetscapeFuncs);
    t.version = 27;
    t.geturl = GetURLEntry;
    t.posturl = [](NPP, const char*, const char*, uint32_t, const char*, NPBool) -> NPError
    {
        Note("PostURL");
        return NPERR_GENERIC_ERROR;
    };
    t.requestread = [](NPStream*, NPByteRange*) -> NPError
    {
        Note("RequestRead");
        return NPERR_GENERIC_ERROR;
    };
    t.newstream = [](NPP, NPMIMEType, const char*, NPStream**) -> NPError
    {
        Note("NewStream");
        return NPERR_GENERIC_ERROR;
    };
    t.write = [](NPP, NPStream*, int32_t, void*) -> int32_t
    {
        Note("Write");
        return -1;
    };
    t.destroystream = [](NPP, NPStream*, NPReason) -> NPError
    {
        Note("DestroyStream");
        return NPERR_GENERIC_ERROR;
    };
    t.status = [](NPP, const char*) { Note("Status"); };
    t.uagent = [](NPP) -> const char*
    {
        Note("UserAgent");
        return "VaneHost";
    };
    t.memalloc = [](uint32_t inSize) -> void*
    {
        Note("MemAlloc");
        return std::malloc(inSize);
    };
    t.memfree = [](void* inPointer)
    {
        Note("MemFree");
        std::free(inPointer);
    };
    t.memflush = [](uint32_t) -> uint32_t
    {
        Note("MemFlush");
        return 0;
    };
    t.reloadplugins = [](NPBool) { Note("ReloadPlugins"); };
    t.getJavaEnv = []() -> void*
    {
        Note("GetJavaEnv");
        return nullptr;
    };
    t.getJavaPeer = [](NPP) -> void*
    {
        Note("GetJavaPeer");
        return nullptr;
    };
    t.geturlnotify = [](NPP, const char*, const char*, void*) -> NPError
    {
        Note("GetURLNotify");
        return NPERR_GENERIC_ERROR;
    };
    t.posturlnotify = [](NPP, const char*, const char*, uint32_t, const char*, NPBool, void*) -> NPError
    {
        Note("PostURLNotify");
        return NPERR_GENERIC_ERROR;
    };
    t.getvalue = GetValueEntry;
    t.setvalue = SetValueEntry;
    t.invalidaterect = InvalidateRectEntry;
    t.invalidateregion = [](NPP, NPRegion) { Note("InvalidateRegion"); };
    t.forceredraw = [](NPP) { Note("ForceRedraw"); };
    t.getstringidentifier = [](const NPUTF8*) -> NPIdentifier
    {
        Note("GetStringIdentifier");
        return nullptr;
    };
    t.getstringidentifiers = [](const NPUTF8**, int32_t, NPIdentifier*) { Note("GetStringIdentifiers"); };
    t.getintidentifier = [](int32_t) -> NPIdentifier
    {
        Note("GetIntIdentifier");
        return nullptr;
    };
    t.identifierisstring = [](NPIdentifier) -> bool
    {
        Note("IdentifierIsString");
        return false;
    };
    t.utf8fromidentifier = [](NPIdentifier) -> NPUTF8*
    {
        Note("UTF8FromIdentifier");
        return nullptr;
    };
    t.intfromidentifier = [](NPIdentifier) -> int32_t
    {
        Note("IntFromIdentifier");
        return 0;
    };
    t.createobject = [](NPP, NPClass*) -> NPObject*
    {
        Note("CreateObject");
        return nullptr;
    };
    t.retainobject = [](NPObject* inObject) -> NPObject*
    {
        Note("RetainObject");
        return inObject;
    };
    t.releaseobject = [](NPObject*) { Note("ReleaseObject"); };
    t.invoke = [](NPP, NPObject*, NPIdentifier, const NPVariant*, uint32_t, NPVariant*) -> bool
    {
        Note("Invoke");
        return false;
    };
    t.invokeDefault = [](NPP, NPObject*, const NPVariant*, uint32_t, NPVariant*) -> bool
    {
        Note("InvokeDefault");
        return false;
    };
    t.evaluate = [](NPP, NPObject*, NPString*, NPVariant*) -> bool
    {
        Note("Evaluate");
        return false;
    };
    t.getproperty = [](NPP, NPObject*, NPIdentifier, NPVariant*) -> bool
    {
        Note("GetProperty");
        return false;
    };
    t.setproperty = [](NPP, NPObject*, NPIdentifier, const NPVariant*) -> bool
    {
        Note("SetProperty");
        return false;
    };
    t.removeproperty = [](NPP, NPObject*, NPIdentifier) -> bool
    {
        Note("RemoveProperty");
        return false;
    };
    t.hasproperty = [](NPP, NPObject*, NPIdentifier) -> bool
    {
        Note("HasProperty");
        return false;
    };
    t.hasmethod = [](NPP, NPObject*, NPIdentifier) -> bool
    {
        Note("HasMethod");
        return false;
    };
    t.releasevariantvalue = [](NPVariant*) { Note("ReleaseVariantValue"); };
    t.setexception = [](NPObject*, const NPUTF8*) { Note("SetException"); };
    t.popupcontextmenu = PopUpContextMenuEntry;
}

// ---- Instances ----------------------------------------------------------------------------------------------

VaneHost::Instance* VaneHost::Find(NPP inInstance) const
{
    for (const auto& instance : mInstances)
        if (&instance->npp == inInstance)
            return instance.get();
    return nullptr;
}

VaneHost::Instance* VaneHost::FindAt(pf::Point inContent) const
{
    for (auto it = mInstances.rbegin(); it != mInstances.rend(); ++it)
        if ((*it)->alive && (*it)->rect.Contains(inContent))
            return it->get();
    return nullptr;
}

bool VaneHost::IsCocoa(NPP inInstance) const
{
    const Instance* instance = Find(inInstance);
    return instance != nullptr && instance->drawingModelSet && instance->eventModelSet;
}

pf::Layer* VaneHost::LayerOf(NPP inInstance) const
{
    const Instance* instance = Find(inInstance);
    return instance != nullptr && instance->layers ? instance->layers->Root() : nullptr;
}

NPP VaneHost::New(const std::vector<std::pair<std::string, std::string>>& inArguments)
{
    if (mPlugin.newp == nullptr)
        return nullptr;
    mInstances.push_back(std::make_unique<Instance>());
    Instance* instance = mInstances.back().get();
    std::vector<char*> names;
    std::vector<char*> values;
    for (const auto& [name, value] : inArguments)
    {
        names.push_back(const_cast<char*>(name.c_str()));
        values.push_back(const_cast<char*>(value.c_str()));
    }
    char mime[] = "application/x-skyvane";
    const NPError result = mPlugin.newp(mime, &instance->npp, NP_EMBED, static_cast<int16_t>(names.size()),
                                        names.data(), values.data(), nullptr);
    if (result != NPERR_NO_ERROR)
    {
        mInstances.pop_back();
        return nullptr;
    }
    if (IsCocoa(&instance->npp) && mPlugin.getvalue != nullptr)
    {
        pf::Layer* layer = nullptr;
        if (mPlugin.getvalue(&instance->npp, NPPVpluginCoreAnimationLayer, &layer) == NPERR_NO_ERROR &&
            layer != nullptr)
        {
            instance->layers = std::make_unique<pf::LayerHost>();
            instance->layers->SetRoot(layer);
            layer->Release();
        }
    }
    return &instance->npp;
}

NPError VaneHost::Destroy(NPP inInstance)
{
    Instance* instance = Find(inInstance);
    if (instance == nullptr || !instance->alive || mPlugin.destroy == nullptr)
        return NPERR_INVALID_INSTANCE_ERROR;
    instance->alive = false;
    return mPlugin.destroy(inInstance, nullptr);
}

NPError VaneHost::SetWindow(NPP inInstance, const pf::Rect& inRect)
{
    Instance* instance = Find(inInstance);
    if (instance == nullptr || !instance->alive || mPlugin.setwindow == nullptr)
        return NPERR_INVALID_INSTANCE_ERROR;
    instance->rect = inRect;
    NPWindow& window = instance->window;
    window.x = static_cast<int32_t>(inRect.x);
    window.y = static_cast<int32_t>(inRect.y);
    window.width = static_cast<uint32_t>(inRect.w);
    window.height = static_cast<uint32_t>(inRect.h);
    // The clip is NPAPI's 16-bit rectangle: edges beyond it are cut to it.
    const auto edge = [](double inEdge) { return static_cast<uint16_t>(std::clamp(inEdge, 0.0, 65535.0)); };
    window.clipRect.top = edge(inRect.y);
    window.clipRect.left = edge(inRect.x);
    window.clipRect.bottom = edge(inRect.Bottom());
    window.clipRect.right = edge(inRect.Right());
    window.type = NPWindowTypeWindow;
    if (IsCocoa(inInstance))
    {
        window.window = nullptr;
        if (instance->layers)
            instance->layers->Place(mWindow, inRect);
    }
    else
    {
        instance->port.port = pf::GetWindowPort(mWindow);
        instance->port.portx = -window.x;
        instance->port.porty = -window.y;
        window.window = &instance->port;
    }
    return mPlugin.setwindow(inInstance, &window);
}

NPError VaneHost::SetWindowWithoutPort(NPP inInstance, const pf::Rect& inRect)
{
    Instance* instance = Find(inInstance);
    if (instance == nullptr || !instance->alive || mPlugin.setwindow == nullptr)
        return NPERR_INVALID_INSTANCE_ERROR;
    // A separate record: the instance's own window stays as it was.
    static NP_Port sPort;
    static NPWindow sWindow;
    sPort = NP_Port{};
    sWindow = NPWindow{};
    sWindow.window = &sPort;
    sWindow.x = static_cast<int32_t>(inRect.x);
    sWindow.y = static_cast<int32_t>(inRect.y);
    sWindow.width = static_cast<uint32_t>(inRect.w);
    sWindow.height = static_cast<uint32_t>(inRect.h);
    return mPlugin.setwindow(inInstance, &sWindow);
}

int16_t VaneHost::HandleEvent(NPP inInstance, void* inEvent)
{
    const Instance* instance = Find(inInstance);
    if (instance == nullptr || !instance->alive || mPlugin.event == nullptr)
        return 0;
    return mPlugin.event(inInstance, inEvent);
}

NPError VaneHost::GetValue(NPP inInstance, NPPVariable inVariable, void* outValue)
{
    const Instance* instance = Find(inInstance);
    if (instance == nullptr || !instance->alive || mPlugin.getvalue == nullptr)
        return NPERR_INVALID_INSTANCE_ERROR;
    return mPlugin.getvalue(inInstance, inVariable, outValue);
}

NPError VaneHost::SendStream(NPP inInstance, const std::string& inUrl, const std::string& inMime,
                             const std::string& inData, NPReason inReason)
{
    const Instance* instance = Find(inInstance);
    if (instance == nullptr || !instance->alive || mPlugin.newstream == nullptr || mPlugin.writeready == nullptr ||
        mPlugin.write == nullptr || mPlugin.destroystream == nullptr)
        return NPERR_INVALID_INSTANCE_ERROR;
    NPStream stream{};
    stream.url = inUrl.c_str();
    stream.end = static_cast<uint32_t>(inData.size());
    std::string mime = inMime;
    uint16_t type = NP_NORMAL;
    NPError result = mPlugin.newstream(inInstance, mime.data(), &stream, 0, &type);
    if (result != NPERR_NO_ERROR)
        return result;
    std::size_t offset = 0;
    while (offset < inData.size())
    {
        const int32_t ready = mPlugin.writeready(inInstance, &stream);
        if (ready <= 0)
            break;
        const auto length = static_cast<int32_t>(std::min<std::size_t>(std::size_t(ready), inData.size() - offset));
        const int32_t taken = mPlugin.write(inInstance, &stream, static_cast<int32_t>(offset), length,
                                            const_cast<char*>(inData.data() + offset));
        if (taken <= 0)
            break;
        offset += std::size_t(taken);
    }
    return mPlugin.destroystream(inInstance, &stream, inReason);
}

void VaneHost::DisplayLayers(double inLayerTime)
{
    for (const auto& instance : mInstances)
        if (instance->layers)
            instance->layers->DisplayIfNeeded(inLayerTime);
}

void VaneHost::DisplayLayers(double inLayerTime, NPP inInstance)
{
    const Instance* instance = Find(inInstance);
    if (instance != nullptr && instance->layers)
        instance->layers->DisplayIfNeeded(inLayerTime);
}

// ---- Events -------------------------------------------------------------------------------------------------

pf::EventRecord VaneHost::MakeRecord(std::uint16_t inWhat, pf::Point inGlobal, std::uint16_t inModifiers,
                                     std::uint32_t inMessage)
{
    pf::EventRecord record;
    record.what = inWhat;
    record.message = inMessage;
    record.when = pf::MainLoop().GetClock().TickCount();
    record.where.h = static_cast<std::int16_t>(inGlobal.x);
    record.where.v = static_cast<std::int16_t>(inGlobal.y);
    record.modifiers = inModifiers;
    return record;
}

NPCocoaEvent VaneHost::MakeCocoaMouse(NPCocoaEventType inType, double inX, double inY, std::int32_t inButton,
                                      std::uint32_t inModifierFlags, std::int32_t inClickCount, double inDeltaX,
                                      double inDeltaY)
{
    NPCocoaEvent event{};
    event.type = inType;
    event.data.mouse.modifierFlags = inModifierFlags;
    event.data.mouse.pluginX = inX;
    event.data.mouse.pluginY = inY;
    event.data.mouse.buttonNumber = inButton;
    event.data.mouse.clickCount = inClickCount;
    event.data.mouse.deltaX = inDeltaX;
    event.data.mouse.deltaY = inDeltaY;
    return event;
}

NPCocoaEvent VaneHost::MakeCocoaKey(NPCocoaEventType inType, std::uint16_t inKeyCode)
{
    NPCocoaEvent event{};
    event.type = inType;
    event.data.key.keyCode = inKeyCode;
    return event;
}

pf::Point VaneHost::Global(pf::Point inContent)
{
    return pf::Point{inContent.x + kWindowContent.x, inContent.y + kWindowContent.y};
}

pf::OSStatus VaneHost::SendMouse(std::uint32_t inKind, pf::Point inContent, std::uint16_t inButton,
                                 std::uint32_t inModifiers, std::uint32_t inClickCount)
{
    if (!pf::IsValidWindow(mWindow))
        return pf::kParamErr;
    pf::Event event(pf::kClassMouse, inKind);
    event.SetParam(pf::kParamMouseLocation, pf::kTypeHIPoint, Global(inContent));
    event.SetParam(pf::kParamWindowMouseLocation, pf::kTypeHIPoint, inContent);
    event.SetParam(pf::kParamWindowRef, pf::kTypeWindowRef, mWindow);
    event.SetParam(pf::kParamKeyModifiers, pf::kTypeUInt32, inModifiers);
    event.SetParam(pf::kParamMouseButton, pf::kTypeMouseButton, inButton);
    event.SetParam(pf::kParamClickCount, pf::kTypeUInt32, inClickCount);
    return pf::GetWindowEventTarget(mWindow)->Send(event);
}

pf::OSStatus VaneHost::SendWheel(pf::Point inContent, std::int32_t inDeltaY, std::int32_t inDeltaX)
{
    if (!pf::IsValidWindow(mWindow))
        return pf::kParamErr;
    pf::Event event(pf::kClassMouse, pf::kMouseScroll);
    event.SetParam(pf::kParamMouseLocation, pf::kTypeHIPoint, Global(inContent));
    event.SetParam(pf::kParamWindowMouseLocation, pf::kTypeHIPoint, inContent);
    event.SetParam(pf::kParamWindowRef, pf::kTypeWindowRef, mWindow);
    event.SetParam(pf::kParamKeyModifiers, pf::kTypeUInt32, std::uint32_t(0));
    event.SetParam(pf::kParamMouseWheelSmoothVerticalDelta, pf::kTypeSInt32, inDeltaY);
    event.SetParam(pf::kParamMouseWheelSmoothHorizontalDelta, pf::kTypeSInt32, inDeltaX);
    return pf::GetWindowEventTarget(mWindow)->Send(event);
}

// Clicks the plug-in's own handlers left: records in Carbon mode, Cocoa events in Cocoa mode.
pf::OSStatus VaneHost::HostMouse(pf::Event& ioEvent)
{
    const auto content = Param<pf::Point>(ioEvent, pf::kParamWindowMouseLocation, pf::kTypeHIPoint);
    Instance* instance = FindAt(content);
    if (instance == nullptr)
        return pf::kEventNotHandled;
    const auto global = Param<pf::Point>(ioEvent, pf::kParamMouseLocation, pf::kTypeHIPoint);
    auto modifiers = Param<std::uint32_t>(ioEvent, pf::kParamKeyModifiers, pf::kTypeUInt32);
    NPP npp = &instance->npp;
    if (!IsCocoa(npp))
    {
        if (ioEvent.Kind() != pf::kMouseDown && ioEvent.Kind() != pf::kMouseUp)
            return pf::kEventNotHandled;
        // Records carry no button.
        if (Param<std::uint16_t>(ioEvent, pf::kParamMouseButton, pf::kTypeMouseButton) == 2)
            modifiers |= pf::kControlKey;
        pf::EventRecord record = MakeRecord(ioEvent.Kind() == pf::kMouseDown ? pf::kMouseDownEvent : pf::kMouseUpEvent,
                                            global, static_cast<std::uint16_t>(modifiers));
        return HandleEvent(npp, &record) != 0 ? pf::kNoErr : pf::kEventNotHandled;
    }
    NPCocoaEventType type = NPCocoaEventMouseDown;
    switch (ioEvent.Kind())
    {
    case pf::kMouseDown:
        type = NPCocoaEventMouseDown;
        break;
    case pf::kMouseUp:
        type = NPCocoaEventMouseUp;
        break;
    case pf::kMouseMoved:
        type = NPCocoaEventMouseMoved;
        break;
    case pf::kMouseDragged:
        type = NPCocoaEventMouseDragged;
        break;
    default:
        type = NPCocoaEventScrollWheel;
        break;
    }
    const pf::Point local{content.x - instance->rect.x, content.y - instance->rect.y};
    const auto button = Param<std::uint16_t>(ioEvent, pf::kParamMouseButton, pf::kTypeMouseButton);
    const auto clicks = Param<std::uint32_t>(ioEvent, pf::kParamClickCount, pf::kTypeUInt32);
    double dx = 0;
    double dy = 0;
    if (type == NPCocoaEventScrollWheel)
    {
        dx = Param<std::int32_t>(ioEvent, pf::kParamMouseWheelSmoothHorizontalDelta, pf::kTypeSInt32);
        dy = ioEvent.HasParam(pf::kParamMouseWheelSmoothVerticalDelta)
                 ? Param<std::int32_t>(ioEvent, pf::kParamMouseWheelSmoothVerticalDelta, pf::kTypeSInt32)
                 : Param<std::int32_t>(ioEvent, pf::kParamMouseWheelDelta, pf::kTypeSInt32);
    }
    else if (type == NPCocoaEventMouseDragged)
    {
        dx = local.x - mLastDrag.x;
        dy = local.y - mLastDrag.y;
    }
    if (type == NPCocoaEventMouseDown || type == NPCocoaEventMouseDragged)
        mLastDrag = local;
    NPCocoaEvent event = MakeCocoaMouse(type, local.x, local.y, std::int32_t(button) - 1, CocoaModifiers(modifiers),
                                        std::int32_t(clicks), dx, dy);
    return HandleEvent(npp, &event) != 0 ? pf::kNoErr : pf::kEventNotHandled;
}
