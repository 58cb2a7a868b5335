#include "FxBrowser.h"
#include "FxCommander.h"
#include "FxGLLimits.h"
#include "FxKeyEvent.h"
#include "FxMenu.h"
#include "FxMouseEvent.h"
#include "FxOpenGLLayer.h"
#include "FxPlugin.h"

#include "CxDebug.h"
#include "CxEvents.h"
#include "CxSystem.h"
#include "GxGLContext.h"
#include "PfNativeMenu.h"
#include "PfWindowServer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include <dlfcn.h>
#include <sys/stat.h>

namespace
{

constexpr CxUint32 kPollMs = 10;

// The last polled point, shared by every instance.
CxPoint sLastPolled;

CxPoint ToCxPoint(pf::Point inPoint)
{
    return CxPoint(static_cast<CxSint16>(std::lround(inPoint.x)), static_cast<CxSint16>(std::lround(inPoint.y)));
}

CxSint16 Saturated(std::int64_t inValue)
{
    return static_cast<CxSint16>(std::clamp<std::int64_t>(inValue, -0x8000, 0x7FFF));
}

// The part of the plug-in's rectangle a port context holds: its bottom-left corner, as GL keeps a picture larger
// than its framebuffer.
CxRect HeldBounds(CxRect inBounds)
{
    const CxPoint limits = FxFramebufferLimits();
    if (inBounds.right - inBounds.left > limits.h)
        inBounds.right = static_cast<CxSint16>(inBounds.left + limits.h);
    if (inBounds.bottom - inBounds.top > limits.v)
        inBounds.top = static_cast<CxSint16>(inBounds.bottom - limits.v);
    return inBounds;
}

CxRect AtOrigin(CxRect inRect)
{
    inRect.Normalize();
    return inRect;
}

std::u16string ToUtf16(const CxString& inText)
{
    const CxUint16* chars = inText.GetChars();
    return std::u16string(reinterpret_cast<const char16_t*>(chars), inText.Length());
}

bool QueryBool(NPP inInstance, NPNVariable inVariable)
{
    NPBool value = 0;
    return NPN_GetValue(inInstance, inVariable, &value) == NPERR_NO_ERROR && value != 0;
}

} // namespace

// ---- FxPlugin ---------------------------------------------------------------------------------------------------

FxPlugin::FxPlugin(const CxString& inName)
{
    CxInstallEventHandler();
    std::string folder;
    Dl_info info{};
    if (::dladdr(reinterpret_cast<const void*>(&FxMouseEventFromCocoaEvent), &info) != 0 && info.dli_fname != nullptr)
    {
        std::string library = info.dli_fname;
        const std::size_t slash = library.rfind('/');
        const std::string dir = slash == std::string::npos ? std::string(".") : library.substr(0, slash);
        const std::string candidate = dir + "/" + inName.AsUtf8() + ".bundle/Resources";
        struct stat st;
        if (::stat(candidate.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            folder = candidate;
    }
    CxSetBundle(CxString::FromUtf8(folder));
}

FxPlugin::~FxPlugin()
{
    CxRemoveEventHandler();
    CxSetBundle(CxString());
}

// ---- FxPortState ------------------------------------------------------------------------------------------------

FxPortState::FxPortState(pf::PortRef inPort, CxPoint inOrigin) : mPort(inPort), mSavedPort(pf::GetPort())
{
    if (mPort == nullptr)
        return;
    const pf::Rect bounds = pf::GetPortBounds(mPort);
    mSavedOrigin = ToCxPoint(pf::Point{bounds.x, bounds.y});
    pf::SetPort(mPort);
    pf::SetPortOrigin(mPort, pf::Point{double(inOrigin.h), double(inOrigin.v)});
}

FxPortState::~FxPortState()
{
    if (mPort == nullptr)
        return;
    // The window may have gone meanwhile (a handler closed it): then there is nothing to put back.
    if (pf::GetPort() == mPort)
        pf::SetPortOrigin(mPort, pf::Point{double(mSavedOrigin.h), double(mSavedOrigin.v)});
    pf::SetPort(mSavedPort);
}

// ---- Cocoa events -----------------------------------------------------------------------------------------------

FxMouseEvent FxMouseEventFromCocoaEvent(const NPCocoaEvent& inEvent)
{
    FxMouseEvent event;
    const auto& mouse = inEvent.data.mouse;
    event.mButton = static_cast<CxUint16>(mouse.buttonNumber + 1);
    if ((mouse.modifierFlags & NPCocoaCommandKeyMask) != 0)
        event.mModifiers |= FxMouseEvent::kCommand;
    if ((mouse.modifierFlags & NPCocoaControlKeyMask) != 0)
        event.mModifiers |= FxMouseEvent::kControl;
    if ((mouse.modifierFlags & NPCocoaAlternateKeyMask) != 0)
        event.mModifiers |= FxMouseEvent::kOption;
    if ((mouse.modifierFlags & NPCocoaShiftKeyMask) != 0)
        event.mModifiers |= FxMouseEvent::kShift;
    event.mWhere =
        CxPoint(static_cast<CxSint16>(std::trunc(mouse.pluginX)), static_cast<CxSint16>(std::trunc(mouse.pluginY)));
    event.mClickCount = static_cast<CxUint32>(mouse.clickCount);
    if (inEvent.type == NPCocoaEventScrollWheel)
    {
        event.mWheelDelta = static_cast<CxSint32>(mouse.deltaY);
        event.mVerticalScroll = static_cast<CxSint32>(mouse.deltaY);
        event.mHorizontalScroll = static_cast<CxSint32>(mouse.deltaX);
    }
    else
    {
        event.mDelta = CxPoint(static_cast<CxSint16>(mouse.deltaX), static_cast<CxSint16>(mouse.deltaY));
    }
    return event;
}

// ---- FxPluginInstance ---------------------------------------------------------------------------------------

FxPluginInstance::FxPluginInstance(NPP inInstance, const Arguments& inArguments)
    : mInstance(inInstance), mArguments(inArguments)
{
    const bool coreAnimation = QueryBool(mInstance, NPNVsupportsCoreAnimationBool);
    const bool cocoa = QueryBool(mInstance, NPNVsupportsCocoaBool);
    if (coreAnimation && cocoa)
    {
        mCocoaMode = true;
        NPN_SetValue(mInstance, NPPVpluginDrawingModel, reinterpret_cast<void*>(NPDrawingModelCoreAnimation));
        NPN_SetValue(mInstance, NPPVpluginEventModel, reinterpret_cast<void*>(NPEventModelCocoa));
    }
}

FxPluginInstance::FxPluginInstance(FxPluginInstance* inSource)
    : mInstance(inSource->mInstance), mWindow(inSource->mWindow), mAGLContext(inSource->mAGLContext),
      mLayers(inSource->mLayers), mArguments(inSource->mArguments), mActive(inSource->mActive),
      mCocoaMode(inSource->mCocoaMode)
{
    if (mInstance != nullptr)
        mInstance->pdata = this;
    mHandOverSource = inSource;
    inSource->mHandedTo = this;
    const bool hadTimer = inSource->HasTimer();
    inSource->RemoveTimer();
    inSource->RemoveHandler();
    inSource->mWindow = nullptr;
    inSource->mAGLContext = nullptr;
    inSource->mLayers = nullptr;
    if (mWindow != nullptr && !mCocoaMode)
        SetupEvents();
    if (mLayers != nullptr)
        mLayers->mLayer->SetPluginInstance(this);
    if (hadTimer)
        InstallTimer(kPollMs);
}

FxPluginInstance::~FxPluginInstance()
{
    if (mHandedTo != nullptr)
        mHandedTo->mHandOverSource = nullptr;
    if (mHandOverSource != nullptr)
        GiveBack();
    RemoveTimer();
    RemoveHandler();
    delete mAGLContext;
    if (mLayers != nullptr)
    {
        // The browser may keep the layer: it must not reach this instance again.
        mLayers->mLayer->SetPluginInstance(nullptr);
        mLayers->mRoot->Release();
        delete mLayers;
    }
}

void FxPluginInstance::GiveBack()
{
    FxPluginInstance* source = mHandOverSource;
    mHandOverSource = nullptr;
    source->mHandedTo = nullptr;
    const bool hadTimer = HasTimer();
    RemoveTimer();
    RemoveHandler();
    source->mWindow = mWindow;
    source->mAGLContext = mAGLContext;
    source->mLayers = mLayers;
    source->mActive = mActive;
    mWindow = nullptr;
    mAGLContext = nullptr;
    mLayers = nullptr;
    if (mInstance != nullptr && mInstance->pdata == this)
        mInstance->pdata = source;
    if (source->mWindow != nullptr && !source->mCocoaMode)
        source->SetupEvents();
    if (source->mLayers != nullptr)
        source->mLayers->mLayer->SetPluginInstance(source);
    if (hadTimer)
        source->InstallTimer(kPollMs);
}

pf::PortRef FxPluginInstance::GetPort() const
{
    if (mWindow == nullptr || mCocoaMode || mWindow->window == nullptr)
        return nullptr;
    return static_cast<NP_Port*>(mWindow->window)->port;
}

pf::WindowRef FxPluginInstance::GetWindowRef() const
{
    const pf::PortRef port = GetPort();
    return port != nullptr ? pf::GetPortWindow(port) : nullptr;
}

CxRect FxPluginInstance::GetPluginBounds() const
{
    if (mWindow == nullptr)
        return CxRect();
    // Edges and sizes beyond 16 bits stop at its largest values instead of wrapping round.
    const CxSint16 left = Saturated(mWindow->x);
    const CxSint16 top = Saturated(mWindow->y);
    return CxRect(left, top,
                  Saturated(std::min<std::int64_t>(std::int64_t(mWindow->x) + mWindow->width, left + 0x7FFF)),
                  Saturated(std::min<std::int64_t>(std::int64_t(mWindow->y) + mWindow->height, top + 0x7FFF)));
}

CxRect FxPluginInstance::GetClipBounds() const
{
    if (mWindow == nullptr)
        return CxRect();
    const NPRect& clip = mWindow->clipRect;
    return CxRect(Saturated(clip.left), Saturated(clip.top), Saturated(clip.right), Saturated(clip.bottom));
}

CxPoint FxPluginInstance::TopLeft() const
{
    return GetPluginBounds().TopLeft();
}

CxString FxPluginInstance::GetArgument(const CxString& inName) const
{
    CxString name(inName);
    name.Lowercase();
    const auto found = mArguments.find(name);
    return found != mArguments.end() ? found->second : CxString("");
}

GxContext* FxPluginInstance::GetContext() const
{
    if (mCocoaMode)
        return mLayers != nullptr ? mLayers->mLayer->GetGxContext() : nullptr;
    return mAGLContext;
}

// ---- Windows ------------------------------------------------------------------------------------------------

void FxPluginInstance::SetWindow(NPWindow* inWindow)
{
    if (mCocoaMode)
    {
        mWindow = inWindow;
        if (mLayers != nullptr)
            OnSetWindow();
        return;
    }
    if (inWindow == nullptr || inWindow->window == nullptr || static_cast<NP_Port*>(inWindow->window)->port == nullptr)
        return;
    mWindow = inWindow;
    const pf::PortRef port = GetPort();
    SetupEvents();
    const CxPoint topLeft = TopLeft();
    const CxPoint origin(static_cast<CxSint16>(-topLeft.h), static_cast<CxSint16>(-topLeft.v));
    FxPortState state(port, origin);
    // In the port with its origin at the plug-in's top-left, the context's place is the plug-in's rectangle.
    CxRect bounds = GetPluginBounds();
    bounds.Offset(origin);
    CxRect clip = GetClipBounds();
    clip.Offset(origin);
    // A rectangle beyond GL's limits is held in part: the context is made first, so the limits can be asked.
    if (mAGLContext == nullptr)
        mAGLContext = new GxAGLContext(port, CxRect(), clip);
    mAGLContext->MakeCurrent();
    mAGLContext->AdjustToBounds(HeldBounds(bounds), clip);
    pf::EventRecord activate;
    activate.what = pf::kActivateEvent;
    activate.modifiers = pf::IsWindowActive(GetWindowRef()) ? 1 : 0;
    ActivateRecord(activate);
    OnSetWindow();
    OnSetContext();
}

void FxPluginInstance::SetupEvents()
{
    const pf::WindowRef window = GetWindowRef();
    if (window == nullptr)
        return;
    static const pf::EventTypeSpec kTypes[] = {
        {pf::kClassWindow, pf::kWindowActivated}, {pf::kClassWindow, pf::kWindowDeactivated},
        {pf::kClassMouse, pf::kMouseDown},        {pf::kClassMouse, pf::kMouseUp},
        {pf::kClassMouse, pf::kMouseDragged},     {pf::kClassMouse, pf::kMouseScroll},
    };
    InstallHandler(pf::GetWindowEventTarget(window), kTypes, 6);
}

// ---- Events -------------------------------------------------------------------------------------------------

bool FxPluginInstance::HandleEvent(void* inEvent)
{
    if (inEvent == nullptr)
        return false;
    if (mCocoaMode)
        return HandleCocoaEvent(*static_cast<const NPCocoaEvent*>(inEvent));
    return HandleCarbonEvent(*static_cast<const pf::EventRecord*>(inEvent));
}

bool FxPluginInstance::HandleCocoaEvent(const NPCocoaEvent& inEvent)
{
    switch (inEvent.type)
    {
    case NPCocoaEventMouseDown:
        OnMouseDown(FxMouseEventFromCocoaEvent(inEvent));
        return true;
    case NPCocoaEventMouseUp:
        OnMouseUp(FxMouseEventFromCocoaEvent(inEvent));
        return true;
    case NPCocoaEventMouseMoved:
        OnMouseMoved(FxMouseEventFromCocoaEvent(inEvent));
        return true;
    case NPCocoaEventMouseDragged:
        OnMouseDragged(FxMouseEventFromCocoaEvent(inEvent));
        return true;
    case NPCocoaEventScrollWheel:
        OnMouseScroll(FxMouseEventFromCocoaEvent(inEvent));
        return true;
    default:
        return false;
    }
}

bool FxPluginInstance::HandleCarbonEvent(const pf::EventRecord& inRecord)
{
    const CxPoint topLeft = TopLeft();
    FxPortState state(GetPort(), CxPoint(static_cast<CxSint16>(-topLeft.h), static_cast<CxSint16>(-topLeft.v)));
    switch (inRecord.what)
    {
    case pf::kMouseDownEvent:
        MouseDownRecord(inRecord);
        return true;
    case pf::kMouseUpEvent:
        MouseUpRecord(inRecord);
        return true;
    case pf::kKeyDownEvent:
    case pf::kKeyUpEvent:
    case pf::kAutoKeyEvent:
    {
        FxKeyEvent key(inRecord);
        if (inRecord.what == pf::kKeyDownEvent)
            OnKeyDown(key);
        else if (inRecord.what == pf::kKeyUpEvent)
            OnKeyUp(key);
        else
            OnKeyRepeat(key);
        return key.mHandled;
    }
    case pf::kUpdateEvent:
        OnDraw();
        return true;
    case pf::kActivateEvent:
        ActivateRecord(inRecord);
        return true;
    case pf::kGetFocusEvent:
        OnGetFocus();
        return true;
    case pf::kLoseFocusEvent:
        OnLoseFocus();
        return true;
    case pf::kAdjustCursorEvent:
    {
        CxPoint where(inRecord.where.h, inRecord.where.v);
        GlobalToLocal(where);
        CheckMousePoll(where);
        OnAdjustCursor();
        return true;
    }
    default:
        return false;
    }
}

void FxPluginInstance::MouseDownRecord(const pf::EventRecord& inRecord)
{
    FxMouseEvent event(inRecord);
    GlobalToLocal(event.mWhere);
    OnMouseDown(event);
    if ((event.mModifiers & (FxMouseEvent::kCommand | FxMouseEvent::kOption)) == 0)
        return;
    while (pf::StillDown())
    {
        const CxPoint where = GetMouse();
        event.mDelta = where - event.mWhere;
        event.mWhere = where;
        OnMouseDragged(event);
    }
}

void FxPluginInstance::MouseUpRecord(const pf::EventRecord& inRecord)
{
    FxMouseEvent event(inRecord);
    GlobalToLocal(event.mWhere);
    OnMouseUp(event);
}

void FxPluginInstance::ActivateRecord(const pf::EventRecord& inRecord)
{
    if ((inRecord.modifiers & 1) != 0)
    {
        mActive = true;
        OnActivate();
    }
    else
    {
        mActive = false;
        OnDeactivate();
    }
    CheckMousePoll(GetMouse());
}

pf::OSStatus FxPluginInstance::Event(pf::HandlerCallRef, pf::Event& ioEvent)
{
    if (ioEvent.Class() == pf::kClassWindow &&
        (ioEvent.Kind() == pf::kWindowActivated || ioEvent.Kind() == pf::kWindowDeactivated))
    {
        pf::WindowRef window = nullptr;
        ioEvent.GetParam(pf::kParamDirectObject, pf::kTypeWindowRef, window);
        if (window != nullptr && window == GetWindowRef())
        {
            const CxPoint topLeft = TopLeft();
            FxPortState state(GetPort(), CxPoint(static_cast<CxSint16>(-topLeft.h), static_cast<CxSint16>(-topLeft.v)));
            pf::EventRecord record;
            record.what = pf::kActivateEvent;
            record.when = CxTickCount();
            record.modifiers = ioEvent.Kind() == pf::kWindowActivated ? 1 : 0;
            ActivateRecord(record);
        }
        return pf::kNoErr;
    }
    if (ioEvent.Class() != pf::kClassMouse || GetWindowRef() == nullptr)
        return pf::kEventNotHandled;
    const CxPoint topLeft = TopLeft();
    const CxPoint origin(static_cast<CxSint16>(-topLeft.h), static_cast<CxSint16>(-topLeft.v));
    FxPortState state(GetPort(), origin);
    FxMouseEvent event(ioEvent, GetWindowRef());
    // From the window's content to the plug-in's own coordinates.
    event.mWhere += origin;
    CxRect clip = GetClipBounds();
    clip.Offset(origin);
    const bool inside = AtOrigin(GetPluginBounds()).Contains(event.mWhere) && clip.Contains(event.mWhere);
    if (!inside)
        return pf::kEventNotHandled;
    switch (ioEvent.Kind())
    {
    case pf::kMouseDown:
        if (event.mButton <= 2)
            return pf::kEventNotHandled;
        OnMouseDown(event);
        return pf::kNoErr;
    case pf::kMouseUp:
        if (event.mButton <= 2)
            return pf::kEventNotHandled;
        OnMouseUp(event);
        return pf::kNoErr;
    case pf::kMouseDragged:
        if (event.mButton <= 2)
            return pf::kEventNotHandled;
        OnMouseDragged(event);
        return pf::kNoErr;
    case pf::kMouseScroll:
        OnMouseScroll(event);
        return pf::kNoErr;
    default:
        return pf::kEventNotHandled;
    }
}

// ---- Mouse poll ---------------------------------------------------------------------------------------------

CxPoint FxPluginInstance::GetMouse() const
{
    CxPoint where = ToCxPoint(pf::GetGlobalMouse());
    GlobalToLocal(where);
    return where;
}

void FxPluginInstance::GlobalToLocal(CxPoint& ioPoint) const
{
    pf::Point point{double(ioPoint.h), double(ioPoint.v)};
    if (pf::GetPort() != nullptr)
        pf::GlobalToLocal(point);
    ioPoint = ToCxPoint(point);
}

bool FxPluginInstance::CheckMousePoll(CxPoint inLocal)
{
    if (mActive && mWindow != nullptr && AtOrigin(GetPluginBounds()).Contains(inLocal))
    {
        // Installed once: installing again would fire at once, and each firing checks again.
        if (!HasTimer())
            InstallTimer(kPollMs);
        return true;
    }
    RemoveTimer();
    return false;
}

void FxPluginInstance::OnTimer()
{
    const pf::PortRef port = GetPort();
    if (port == nullptr)
    {
        RemoveTimer();
        return;
    }
    const CxPoint topLeft = TopLeft();
    FxPortState state(port, CxPoint(static_cast<CxSint16>(-topLeft.h), static_cast<CxSint16>(-topLeft.v)));
    const CxPoint where = GetMouse();
    if (!CheckMousePoll(where))
        return;
    if (where == sLastPolled)
        return;
    pf::EventRecord record;
    record.what = pf::kFrameMouseMovedEvent;
    record.when = CxTickCount();
    record.where.h = where.h;
    record.where.v = where.v;
    sLastPolled = where;
    OnMouseMoved(FxMouseEvent(record));
}

// ---- Layer, streams, commands -------------------------------------------------------------------------------

NPError FxPluginInstance::GetValue(NPPVariable inVariable, void* outValue)
{
    if (inVariable != NPPVpluginCoreAnimationLayer || outValue == nullptr)
        return NPERR_GENERIC_ERROR;
    if (mLayers == nullptr)
    {
        mLayers = new LayerSet;
        mLayers->mRoot = new pf::Layer;
        mLayers->mLayer = new FxOpenGLLayer;
        mLayers->mLayer->SetAutoresizingMask(pf::kLayerWidthSizable | pf::kLayerHeightSizable);
        mLayers->mLayer->SetAsynchronous(false);
        mLayers->mLayer->SetOpaque(true);
        mLayers->mLayer->SetPluginInstance(this);
        mLayers->mRoot->AddSublayer(mLayers->mLayer);
        mLayers->mLayer->Release();
        mLayers->mLayer->SetNeedsDisplay();
    }
    *static_cast<pf::Layer**>(outValue) = mLayers->mRoot->Retain();
    return NPERR_NO_ERROR;
}

void FxPluginInstance::SetContext()
{
    if (mLayers == nullptr || mLayers->mLayer->GetGxContext() == nullptr)
        return;
    mLayers->mLayer->GetGxContext()->MakeCurrent();
    mLayers->mLayer->SetNeedsDisplay();
    OnSetContext();
}

void FxPluginInstance::DrawLayer()
{
    OnDraw();
}

void FxPluginInstance::AcceptStream(FxPluginStream* inStream)
{
    if (mStreamAccepted)
        return;
    mStreamAccepted = true;
    OnAcceptStream(inStream);
}

void FxPluginInstance::Invalidate()
{
    const CxRect bounds = GetPluginBounds();
    NPRect rect;
    rect.top = 0;
    rect.left = 0;
    rect.bottom = static_cast<uint16_t>(bounds.Height());
    rect.right = static_cast<uint16_t>(bounds.Width());
    NPN_InvalidateRect(mInstance, &rect);
    if (mCocoaMode && mLayers != nullptr)
        mLayers->mLayer->SetNeedsDisplay();
}

void FxPluginInstance::Refresh()
{
    if (mCocoaMode)
    {
        if (mLayers != nullptr)
            mLayers->mLayer->SetNeedsDisplay();
        return;
    }
    OnDraw();
}

CxUint32 FxPluginInstance::DisplayPopupMenu(FxMenu* inMenu, CxPoint inWhere)
{
    if (inMenu == nullptr)
        return 0;
    if (mCocoaMode)
    {
        // Every item is enabled: the menu's own state is not carried over.
        CxUint32 chosen = 0;
        pf::NativeMenu menu(u"popup");
        for (int i = 1; i <= inMenu->CountItems(); ++i)
        {
            if (inMenu->ItemIsSeparator(i))
            {
                menu.AddSeparator();
                continue;
            }
            pf::NativeMenuItem item;
            item.title = ToUtf16(inMenu->GetItemText(i));
            item.tag = static_cast<std::int32_t>(inMenu->GetItemCommandId(i));
            item.action = [&chosen](const pf::NativeMenuItem& inItem) { chosen = static_cast<CxUint32>(inItem.tag); };
            menu.AddItem(std::move(item));
        }
        NPN_PopUpContextMenu(mInstance, &menu);
        return chosen;
    }
    const CxPoint topLeft = TopLeft();
    FxPortState state(GetPort(), CxPoint(static_cast<CxSint16>(-topLeft.h), static_cast<CxSint16>(-topLeft.v)));
    return inMenu->Popup(this, inWhere, 0);
}

void FxPluginInstance::ObeyCommandNow(CxUint32 inCommand)
{
    FxCommand command(inCommand);
    OnCommand(command);
}

void FxPluginInstance::PrepareToPrint()
{
    if (GxContext* context = GetContext())
        context->MakeCurrent();
    OnDraw();
}

// ---- FxPluginStream -----------------------------------------------------------------------------------------

FxPluginStream::FxPluginStream(FxPluginInstance* inOwner, const CxString& inMime, NPStream* inStream)
    : mInstance(inOwner != nullptr ? inOwner->GetNpInstance() : nullptr),
      mUrl(inStream != nullptr && inStream->url != nullptr ? CxString::FromUtf8(inStream->url) : CxString("")),
      mMime(inMime), mData(CxUint32(0)), mStream(inStream)
{
}

CxSint32 FxPluginStream::Write(CxSint32, CxSint32 inLength, const void* inBuffer)
{
    if (inLength <= 0 || inBuffer == nullptr)
        return 0;
    mData += CxData(inBuffer, static_cast<CxUint32>(inLength));
    return inLength;
}

void FxPluginStream::Finished(NPReason inReason)
{
    mReason = inReason;
    if (auto* owner = mInstance != nullptr ? static_cast<FxPluginInstance*>(mInstance->pdata) : nullptr)
        owner->AcceptStream(this);
    else
        mData = CxData(CxUint32(0));
}
