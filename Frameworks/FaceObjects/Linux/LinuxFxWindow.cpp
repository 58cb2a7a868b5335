#include "CxDebug.h"
#include "CxFile.h"
#include "CxMime.h"
#include "FxBuildControls.h"
#include "FxControl.h"
#include "FxInterfaceFile.h"
#include "FxKeyEvent.h"
#include "FxMenu.h"
#include "FxMouseEvent.h"
#include "FxView.h"
#include "FxWindow.h"
#include "GxColor.h"
#include "GxColorGradient.h"
#include "GxFont.h"
#include "GxGLContext.h"
#include "PfDrag.h"
#include "PfRunLoop.h"
#include "PfSurface.h"
#include "PfWindowProxy.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <cmath>
#include <string>
#include <vector>

namespace
{

using pf::FourCC;

constexpr pf::FourCharCode kWindowTag = FourCC("WIND");
constexpr pf::FourCharCode kFxEventClass = FourCC("FACE");
constexpr std::uint32_t kFxTextValidated = 2;
constexpr std::uint32_t kFxColorChanged = 3;
constexpr std::uint32_t kFxGradientChanged = 4;
constexpr std::uint32_t kWindowFocusAcquired = 200;
constexpr std::uint32_t kWindowFocusRelinquish = 201;
constexpr std::uint32_t kWindowToolbarSwitchMode = 150;
constexpr std::uint32_t kWindowUpdateStatus = 1005;
constexpr std::int16_t kMenuBeforeId = 6666;
constexpr std::uint64_t kWindowTrackingId = (std::uint64_t(FourCC("FACE")) << 32) | 1;
constexpr CxUint32 kDocumentAttributes = 0x1A00005F;
constexpr CxUint32 kStandardAttributes = 0x2000000;
constexpr CxUint32 kInWindowMenuAttribute = 1u << 27;

const pf::EventTypeSpec kWindowEvents[] = {
    {pf::kClassWindow, kWindowUpdateStatus},
    {pf::kClassWindow, pf::kWindowClose},
    {pf::kClassWindow, pf::kWindowActivated},
    {pf::kClassWindow, pf::kWindowDeactivated},
    {pf::kClassWindow, pf::kWindowDrawContent},
    {pf::kClassWindow, pf::kWindowHandleContentClick},
    {pf::kClassWindow, pf::kWindowBoundsChanged},
    {pf::kClassWindow, pf::kWindowGetIdealSize},
    {pf::kClassWindow, pf::kWindowGetMinimumSize},
    {pf::kClassWindow, pf::kWindowGetMaximumSize},
    {pf::kClassWindow, kWindowToolbarSwitchMode},
    {pf::kClassWindow, pf::kWindowZoom},
    {pf::kClassWindow, pf::kWindowZoomed},
    {pf::kClassWindow, pf::kWindowResizeStarted},
    {pf::kClassWindow, pf::kWindowResizeCompleted},
    {pf::kClassWindow, pf::kWindowDragStarted},
    {pf::kClassWindow, pf::kWindowDragCompleted},
    {pf::kClassWindow, kWindowFocusAcquired},
    {pf::kClassWindow, kWindowFocusRelinquish},
    {pf::kClassMouse, pf::kMouseDown},
    {pf::kClassMouse, pf::kMouseUp},
    {pf::kClassMouse, pf::kMouseMoved},
    {pf::kClassMouse, pf::kMouseDragged},
    {pf::kClassMouse, pf::kMouseWheelMoved},
    {pf::kClassMouse, pf::kMouseEntered},
    {pf::kClassMouse, pf::kMouseExited},
    {pf::kClassMouse, pf::kMouseScroll},
    {pf::kClassKeyboard, pf::kRawKeyDown},
    {pf::kClassKeyboard, pf::kRawKeyUp},
    {pf::kClassKeyboard, pf::kRawKeyRepeat},
    {pf::kClassKeyboard, pf::kRawKeyModifiersChanged},
    {pf::kClassControl, pf::kControlHit},
    {pf::kClassControl, pf::kControlIndicatorMoved},
    {pf::kClassControl, pf::kControlValueFieldChanged},
    // The content's tracking area: the platform's mouse-entered and mouse-exited.
    {pf::kClassControl, pf::kControlTrackingAreaEntered},
    {pf::kClassControl, pf::kControlTrackingAreaExited},
    {pf::kClassCommand, pf::kCommandProcess},
    {pf::kClassCommand, pf::kCommandUpdateStatus},
    {pf::kClassClockView, pf::kClockDateOrTimeChanged},
    {pf::kClassFont, pf::kFontSelection},
    {pf::kClassTextField, pf::kTextFieldTextDidChange},
    {kFxEventClass, kFxColorChanged},
    {kFxEventClass, kFxGradientChanged},
    {kFxEventClass, kFxTextValidated},
};
static_assert(std::size(kWindowEvents) == 44);

std::u16string Utf16(const CxString& inText)
{
    const CxUint16* units = inText.GetChars();
    return std::u16string(units, units + inText.Length());
}

CxString FromUtf16(const std::u16string& inText)
{
    return CxString(inText.c_str());
}

pf::Rect ToRect(const CxRect& inRect)
{
    return pf::Rect{double(inRect.left), double(inRect.top), double(inRect.Width()), double(inRect.Height())};
}

CxRect FromRect(const pf::Rect& inRect)
{
    return CxRect(CxSint16(std::lround(inRect.x)), CxSint16(std::lround(inRect.y)),
                  CxSint16(std::lround(inRect.Right())), CxSint16(std::lround(inRect.Bottom())));
}

pf::ViewRef EventControlRef(const pf::Event& inEvent)
{
    pf::ViewRef control = nullptr;
    inEvent.GetParam(pf::kParamDirectObject, pf::kTypeControlRef, control);
    return control;
}

template <class T> T* FrontmostOf(CxUint32 inClass)
{
    return dynamic_cast<T*>(FxWindow::FromRef(pf::FrontWindowOfClass(inClass)));
}

} // namespace

// ---- FxWindow ------------------------------------------------------------------------------------------------

FxWindow::FxWindow(const CxString& inNibFile, const CxString& inWindowName) : mId(inWindowName)
{
    FxRegisterAllControls();
    CxString menuName = inWindowName;
    menuName.ReplaceAll("Window", "Menu", 0);
    pf::MenuRef menu = nullptr;
    if (const auto file = FxInterfaceFile::Open(inNibFile))
    {
        mWindow = file->CreateWindow(inWindowName);
        menu = file->CreateMenu(menuName);
    }
    if (mWindow != nullptr)
        FxBuildControls(pf::GetContentView(mWindow));
    if (menu != nullptr)
    {
        if (mWindow != nullptr)
            mMenu = new FxMenu(menu);
        pf::ReleaseMenu(menu);
    }
    SetUp();
}

FxWindow::FxWindow(const CxRect& inBounds, CxUint32 inWindowClass, CxUint32 inAttributes)
{
    FxRegisterAllControls();
    mWindow = pf::CreateWindow(inWindowClass, inAttributes, ToRect(inBounds));
    SetUp();
}

void FxWindow::SetUp()
{
    mRetainCount = 1;
    if (mWindow == nullptr)
    {
        _CxDebugOut(__FILE__, __LINE__, "FxWindow", "no window could be made; the FxWindow stays empty");
        return;
    }
    FxWindow* self = this;
    pf::SetWindowProperty(mWindow, kFxFaceSignature, kWindowTag, &self, sizeof(self));
    pf::SetAutomaticControlDragTrackingEnabledForWindow(mWindow, true);
    mTrackingArea = pf::NewTrackingArea(pf::GetContentView(mWindow), pf::Rect{}, kWindowTrackingId);
    InstallHandler(pf::GetWindowEventTarget(mWindow), kWindowEvents, CxUint32(std::size(kWindowEvents)));
    InstallDragHandlers(mWindow);
    pf::SetWindowModified(mWindow, false);
}

FxWindow::~FxWindow()
{
    *mAlive = false;
    if (mWindow != nullptr && pf::IsValidWindow(mWindow))
    {
        FxControl::DeleteWrappersBelow(pf::GetContentView(mWindow));
        if (mTrackingArea != 0)
            pf::DisposeTrackingArea(mTrackingArea);
        RemoveHandler();
        RemoveDragHandlers();
        pf::RemoveWindowProperty(mWindow, kFxFaceSignature, kWindowTag);
        RemoveMenus();
        pf::HideWindow(mWindow);
        mContext.reset();
        pf::DisposeWindow(mWindow);
    }
    mContext.reset();
    mWindow = nullptr;
    if (mController != nullptr)
        mController->DetachWindow(this);
    mController = nullptr;
    delete mMenu;
    mMenu = nullptr;
    if (FxCommander::Quitting() && FxDocumentWindow::CountModified() == 0)
        pf::MainLoop().Quit();
}

bool FxWindow::Check(const char*) const
{
    return mWindow != nullptr;
}

FxWindow* FxWindow::FromRef(pf::WindowRef inWindow)
{
    FxWindow* window = nullptr;
    if (inWindow == nullptr || !pf::IsValidWindow(inWindow) ||
        pf::GetWindowProperty(inWindow, kFxFaceSignature, kWindowTag, &window, sizeof(window)) != pf::kNoErr)
        return nullptr;
    return window;
}

CxUint32 FxWindow::Retain()
{
    return ++mRetainCount;
}

CxUint32 FxWindow::Release()
{
    if (mRetainCount == 0)
        return 0;
    const CxUint32 count = --mRetainCount;
    if (count == 0)
        delete this;
    return count;
}

// ---- Events --------------------------------------------------------------------------------------------------

pf::OSStatus FxWindow::Event(pf::HandlerCallRef inCall, pf::Event& ioEvent)
{
    const std::uint32_t kind = ioEvent.Kind();
    switch (ioEvent.Class())
    {
    case kFxEventClass:
        return EventFace(ioEvent);
    case pf::kClassClockView:
        if (kind != pf::kClockDateOrTimeChanged)
            return pf::kEventNotHandled;
        OnDateChanged(FxControl::FromRef(EventControlRef(ioEvent)));
        return pf::kNoErr;
    case pf::kClassControl:
        return EventControl(inCall, ioEvent);
    case pf::kClassFont:
    {
        if (kind != pf::kFontSelection)
            return pf::kEventNotHandled;
        std::int32_t id = 0;
        std::int32_t size = 0;
        if (ioEvent.GetParam(pf::kParamFontId, pf::kTypeSInt32, id) == pf::kNoErr &&
            ioEvent.GetParam(pf::kParamFontSize, pf::kTypeFixed, size) == pf::kNoErr)
            OnFontSelection(GxFont(CxUint32(id), CxSint16(size >> 16)));
        return pf::kNoErr;
    }
    case pf::kClassKeyboard:
        return EventKey(ioEvent);
    case pf::kClassMouse:
        return EventMouse(inCall, ioEvent);
    case pf::kClassTextField:
        if (kind != pf::kTextFieldTextDidChange)
            return pf::kEventNotHandled;
        OnTextChanged(FxControl::FromRef(EventControlRef(ioEvent)));
        return pf::kNoErr;
    case pf::kClassWindow:
        return EventWindow(inCall, ioEvent);
    default:
        return FxCommander::Event(inCall, ioEvent);
    }
}

pf::OSStatus FxWindow::EventWindow(pf::HandlerCallRef inCall, pf::Event& ioEvent)
{
    switch (ioEvent.Kind())
    {
    case pf::kWindowClose:
    {
        bool allow = true;
        OnClose(allow);
        if (allow)
            Release(); // may delete this window: nothing of it is touched after
        return pf::kNoErr;
    }
    case pf::kWindowDrawContent:
        OnDraw();
        if (inCall != nullptr)
            pf::CallNext(inCall, ioEvent);
        return pf::kNoErr;
    case pf::kWindowActivated:
        InsertMenus();
        mTracking = true;
        OnActivate();
        return pf::kNoErr;
    case pf::kWindowDeactivated:
        RemoveMenus();
        mTracking = false;
        OnDeactivate();
        return pf::kNoErr;
    case pf::kWindowGetClickActivation:
    {
        FxClickActivation activation = pf::kDoNotActivateAndIgnoreClick;
        if (mWindow != nullptr)
            OnGetClickActivation(FxMouseEvent(ioEvent, mWindow), activation);
        ioEvent.SetParam(pf::kParamClickActivation, pf::kTypeClickActivation, std::uint32_t(activation));
        return pf::kNoErr;
    }
    case pf::kWindowBoundsChanged:
        BoundsChanged(ioEvent);
        return pf::kNoErr;
    case pf::kWindowResizeStarted:
        OnResizeBegin();
        return pf::kNoErr;
    case pf::kWindowResizeCompleted:
        OnResizeEnd();
        return pf::kNoErr;
    case pf::kWindowDragStarted:
        OnMoving();
        return pf::kNoErr;
    case pf::kWindowDragCompleted:
        OnMoved();
        return pf::kNoErr;
    case pf::kWindowZoom:
        OnResizeBegin();
        return pf::kEventNotHandled;
    case pf::kWindowZoomed:
        OnResizeEnd();
        return pf::kNoErr;
    case pf::kWindowGetIdealSize:
    case pf::kWindowGetMinimumSize:
    case pf::kWindowGetMaximumSize:
        return SizeQuery(ioEvent);
    case pf::kWindowHandleContentClick:
        if (mWindow != nullptr)
            OnMouseDown(FxMouseEvent(ioEvent, mWindow));
        return pf::kNoErr;
    case kWindowToolbarSwitchMode:
        OnSwitchToolbar();
        return pf::kNoErr;
    case kWindowFocusAcquired:
        if (mWindow != nullptr)
            pf::SetFontPanelTarget(pf::GetWindowEventTarget(mWindow));
        OnFocusAcquired();
        return pf::kNoErr;
    case kWindowFocusRelinquish:
        pf::SetFontPanelTarget(nullptr);
        OnFocusRelinquish();
        return pf::kNoErr;
    default:
        return pf::kEventNotHandled;
    }
}

void FxWindow::BoundsChanged(pf::Event& ioEvent)
{
    std::uint32_t attributes = 0;
    ioEvent.GetParam(pf::kParamAttributes, pf::kTypeUInt32, attributes);
    if ((attributes & pf::kBoundsChangeSizeChanged) == 0 || mWindow == nullptr)
        return;
    pf::Rect previous;
    pf::Rect current;
    ioEvent.GetParam(pf::kParamPreviousBounds, pf::kTypeHIRect, previous);
    ioEvent.GetParam(pf::kParamCurrentBounds, pf::kTypeHIRect, current);
    CxRect oldBounds = FromRect(previous);
    CxRect newBounds = FromRect(current);
    oldBounds.Normalize();
    newBounds.Normalize();
    for (const pf::ViewRef child : pf::GetSubviews(pf::GetContentView(mWindow)))
        if (FxControl* control = FxControl::FromRef(child))
            control->ParentResized(oldBounds, newBounds);
    if (mTrackingArea != 0)
        pf::ChangeTrackingArea(mTrackingArea, pf::Rect{});
    OnResize();
}

pf::OSStatus FxWindow::SizeQuery(pf::Event& ioEvent)
{
    CxRect size;
    switch (ioEvent.Kind())
    {
    case pf::kWindowGetIdealSize:
        OnGetIdealSize(size);
        break;
    case pf::kWindowGetMinimumSize:
        OnGetMinimumSize(size);
        break;
    default:
        OnGetMaximumSize(size);
        break;
    }
    if (size.Empty())
        return pf::kEventNotHandled;
    pf::QDPoint dimensions;
    dimensions.v = size.bottom;
    dimensions.h = size.right;
    ioEvent.SetParam(pf::kParamDimensions, pf::kTypeQDPoint, dimensions);
    return pf::kNoErr;
}

pf::OSStatus FxWindow::EventMouse(pf::HandlerCallRef inCall, pf::Event& ioEvent)
{
    const std::uint32_t kind = ioEvent.Kind();
    if (mWindow == nullptr)
        return pf::kEventNotHandled;
    if (kind == pf::kMouseEntered || kind == pf::kMouseExited)
    {
        const FxMouseEvent mouse(ioEvent, mWindow);
        if (kind == pf::kMouseEntered)
            OnMouseEntered(mouse);
        else
            OnMouseExited(mouse);
        return pf::kNoErr;
    }
    pf::Point global;
    ioEvent.GetParam(pf::kParamMouseLocation, pf::kTypeHIPoint, global);
    pf::WindowRef hit = nullptr;
    if (!pf::IsWindowActive(mWindow) || pf::FindWindow(global, &hit) != pf::kInContent || hit != mWindow)
        return pf::kEventNotHandled;
    pf::Point local;
    ioEvent.GetParam(pf::kParamWindowMouseLocation, pf::kTypeHIPoint, local);
    if (FxView* view = AsFxView(FxControl::FromRef(pf::FindViewAt(mWindow, local))))
        return view->Event(inCall, ioEvent);
    const FxMouseEvent mouse(ioEvent, mWindow);
    switch (kind)
    {
    case pf::kMouseUp:
        OnMouseUp(mouse);
        return pf::kNoErr;
    case pf::kMouseMoved:
        OnMouseMoved(mouse);
        return pf::kNoErr;
    case pf::kMouseDragged:
        OnMouseDragged(mouse);
        return pf::kNoErr;
    case pf::kMouseWheelMoved:
    case pf::kMouseScroll:
    {
        const pf::OSStatus next = inCall != nullptr ? pf::CallNext(inCall, ioEvent) : pf::kEventNotHandled;
        if (next != pf::kEventNotHandled)
            return next;
        if (kind == pf::kMouseWheelMoved)
            OnMouseWheel(mouse);
        else
            OnMouseScroll(mouse);
        return pf::kNoErr;
    }
    default:
        // Content clicks arrive as 'wind' 85.
        return pf::kEventNotHandled;
    }
}

pf::OSStatus FxWindow::EventControl(pf::HandlerCallRef, pf::Event& ioEvent)
{
    switch (ioEvent.Kind())
    {
    case pf::kControlHit:
    {
        FxControl* control = FxControl::FromRef(EventControlRef(ioEvent));
        if (control == nullptr)
            return pf::kEventNotHandled;
        if (mController != nullptr)
            mController->ControlHit(control);
        else
            OnControlHit(control);
        return pf::kNoErr;
    }
    case pf::kControlIndicatorMoved:
        if (FxControl* control = FxControl::FromRef(EventControlRef(ioEvent)))
        {
            if (mController != nullptr)
                mController->ControlTrack(control);
            else
                OnControlTrack(control);
        }
        return pf::kNoErr;
    case pf::kControlTrackingAreaEntered:
    case pf::kControlTrackingAreaExited:
    {
        pf::TrackingAreaRef area = 0;
        ioEvent.GetParam(pf::kParamTrackingArea, pf::kTypeTrackingArea, area);
        if (area == 0 || area != mTrackingArea || mWindow == nullptr)
            return pf::kEventNotHandled;
        if (!mTracking)
            return pf::kNoErr;
        const FxMouseEvent mouse(ioEvent, mWindow);
        if (ioEvent.Kind() == pf::kControlTrackingAreaEntered)
            OnMouseEntered(mouse);
        else
            OnMouseExited(mouse);
        return pf::kNoErr;
    }
    default:
        return pf::kEventNotHandled;
    }
}

pf::OSStatus FxWindow::EventFace(pf::Event& ioEvent)
{
    switch (ioEvent.Kind())
    {
    case kFxTextValidated:
        if (FxEditText* edit = AsFxEditText(FxControl::FromRef(EventControlRef(ioEvent))))
            OnTextValidated(edit);
        return pf::kNoErr;
    case kFxColorChanged:
    {
        double red = 0.0;
        double green = 0.0;
        double blue = 0.0;
        double alpha = 0.0;
        ioEvent.GetParam(FourCC("REDC"), FourCC("doub"), red);
        ioEvent.GetParam(FourCC("GRNC"), FourCC("doub"), green);
        ioEvent.GetParam(FourCC("BLUC"), FourCC("doub"), blue);
        ioEvent.GetParam(FourCC("ALFC"), FourCC("doub"), alpha);
        OnColorChanged(GxColor(red, green, blue, alpha));
        return pf::kNoErr;
    }
    case kFxGradientChanged:
    {
        const GxColorGradient* gradient = nullptr;
        ioEvent.GetParam(FourCC("GRAD"), FourCC("GRAD"), gradient);
        if (gradient != nullptr)
            OnGradientChanged(*gradient);
        return pf::kNoErr;
    }
    default:
        return pf::kEventNotHandled;
    }
}

pf::OSStatus FxWindow::EventKey(pf::Event& ioEvent)
{
    FxKeyEvent key(ioEvent);
    switch (ioEvent.Kind())
    {
    case pf::kRawKeyDown:
        OnKeyDown(key);
        break;
    case pf::kRawKeyRepeat:
        OnKeyRepeat(key);
        break;
    case pf::kRawKeyUp:
        OnKeyUp(key);
        break;
    case pf::kRawKeyModifiersChanged:
        OnKeyModifiersChanged(key);
        break;
    default:
        return pf::kEventNotHandled;
    }
    return key.mHandled ? pf::kNoErr : pf::kEventNotHandled;
}

// ---- Defaults ------------------------------------------------------------------------------------------------

void FxWindow::Show()
{
    if (Check("Show"))
        pf::ShowWindow(mWindow);
}

void FxWindow::Hide()
{
    if (Check("Hide"))
        pf::HideWindow(mWindow);
}

void FxWindow::OnClose(bool& ioAllow)
{
    ioAllow = true;
}

void FxWindow::OnResize()
{
    Invalidate();
}

void FxWindow::OnGetClickActivation(const FxMouseEvent&, FxClickActivation& outActivation)
{
    outActivation = pf::kDoNotActivateAndIgnoreClick;
}

// ---- Menus ---------------------------------------------------------------------------------------------------

void FxWindow::InsertMenus()
{
    RemoveMenus();
    FxWindow* owner = MenuWindow();
    FxMenu* menu = owner != nullptr ? owner->mMenu : nullptr;
    if (menu == nullptr)
        return;
    for (int i = 1; i <= menu->CountItems(); ++i)
    {
        FxMenu* sub = menu->GetItemSubMenu(i);
        if (sub == nullptr || sub->GetRef() == nullptr)
            continue;
        pf::InsertMenuInBar(sub->GetRef(), kMenuBeforeId);
        mBarMenus.push_back(pf::GetMenuId(sub->GetRef()));
    }
}

void FxWindow::RemoveMenus()
{
    for (const CxSint16 id : mBarMenus)
        pf::DeleteMenuFromBar(id);
    mBarMenus.clear();
}

// ---- State ---------------------------------------------------------------------------------------------------

void FxWindow::Expand()
{
    if (Check("Expand"))
        pf::CollapseWindow(mWindow, false);
}

void FxWindow::Collapse()
{
    if (Check("Collapse"))
        pf::CollapseWindow(mWindow, true);
}

void FxWindow::BringToFront()
{
    if (Check("BringToFront"))
        pf::SelectWindow(mWindow);
}

void FxWindow::SendBehind(FxWindow* inOther)
{
    if (Check("SendBehind"))
        pf::SendBehind(mWindow, inOther != nullptr ? inOther->mWindow : nullptr);
}

void FxWindow::SetModified(bool inModified)
{
    if (Check("SetModified"))
        pf::SetWindowModified(mWindow, inModified);
}

bool FxWindow::IsModified() const
{
    return Check("IsModified") && pf::IsWindowModified(mWindow);
}

bool FxWindow::IsVisible() const
{
    return Check("IsVisible") && pf::IsWindowVisible(mWindow);
}

bool FxWindow::IsActive() const
{
    return Check("IsActive") && pf::IsWindowActive(mWindow);
}

bool FxWindow::IsCollapsed() const
{
    return Check("IsCollapsed") && pf::IsWindowCollapsed(mWindow);
}

void FxWindow::SetTitle(const CxString& inTitle)
{
    if (Check("SetTitle"))
        pf::SetWindowTitle(mWindow, Utf16(inTitle));
}

CxString FxWindow::Title() const
{
    return Check("Title") ? FromUtf16(pf::GetWindowTitle(mWindow)) : CxString();
}

// ---- Geometry ------------------------------------------------------------------------------------------------

CxRect FxWindow::FrameBounds() const
{
    return Check("FrameBounds") ? FromRect(pf::GetWindowBounds(mWindow, pf::kWindowStructureRgn)) : CxRect();
}

void FxWindow::SetFrameBounds(const CxRect& inBounds, bool inAnimate)
{
    if (!Check("SetFrameBounds"))
        return;
    if (inAnimate)
        pf::TransitionWindowTo(mWindow, ToRect(inBounds));
    pf::SetWindowBounds(mWindow, pf::kWindowStructureRgn, ToRect(inBounds));
}

CxRect FxWindow::ContentBounds() const
{
    return Check("ContentBounds") ? FromRect(pf::GetWindowBounds(mWindow, pf::kWindowContentRgn)) : CxRect();
}

void FxWindow::SetContentBounds(const CxRect& inBounds)
{
    if (Check("SetContentBounds"))
        pf::SetWindowBounds(mWindow, pf::kWindowContentRgn, ToRect(inBounds));
}

void FxWindow::ConstrainToScreen()
{
    if (Check("ConstrainToScreen"))
        pf::ConstrainWindowToScreen(mWindow);
}

CxPoint FxWindow::Mouse() const
{
    if (!Check("Mouse"))
        return CxPoint();
    const pf::Point global = pf::GetGlobalMouse();
    const pf::Rect content = pf::GetWindowBounds(mWindow, pf::kWindowContentRgn);
    return CxPoint(CxSint16(std::trunc(global.x - content.x)), CxSint16(std::trunc(global.y - content.y)));
}

void FxWindow::LocalToGlobal(CxPoint& ioPoint) const
{
    if (!Check("LocalToGlobal"))
        return;
    const pf::Rect content = pf::GetWindowBounds(mWindow, pf::kWindowContentRgn);
    ioPoint = CxPoint(CxSint16(ioPoint.h + std::lround(content.x)), CxSint16(ioPoint.v + std::lround(content.y)));
}

void FxWindow::GlobalToLocal(CxPoint& ioPoint) const
{
    if (!Check("GlobalToLocal"))
        return;
    const pf::Rect content = pf::GetWindowBounds(mWindow, pf::kWindowContentRgn);
    ioPoint = CxPoint(CxSint16(ioPoint.h - std::lround(content.x)), CxSint16(ioPoint.v - std::lround(content.y)));
}

void FxWindow::LocalToGlobal(CxRect& ioRect) const
{
    CxPoint topLeft = ioRect.TopLeft();
    CxPoint bottomRight = ioRect.BottomRight();
    LocalToGlobal(topLeft);
    LocalToGlobal(bottomRight);
    ioRect = CxRect(topLeft.h, topLeft.v, bottomRight.h, bottomRight.v);
}

void FxWindow::GlobalToLocal(CxRect& ioRect) const
{
    CxPoint topLeft = ioRect.TopLeft();
    CxPoint bottomRight = ioRect.BottomRight();
    GlobalToLocal(topLeft);
    GlobalToLocal(bottomRight);
    ioRect = CxRect(topLeft.h, topLeft.v, bottomRight.h, bottomRight.v);
}

// ---- Drawing -------------------------------------------------------------------------------------------------

// Every snapshot redraws the whole window: nothing to mark.
void FxWindow::Invalidate() {}

void FxWindow::Invalidate(const CxRect&) {}

// The controls are not drawn here: the server keeps no picture of the window, and every snapshot draws them.
void FxWindow::Refresh()
{
    if (!Check("Refresh"))
        return;
    OnDraw();
    if (mContext != nullptr)
        mContext->SwapBuffers();
}

GxContext* FxWindow::GetContext()
{
    if (mContext == nullptr && Check("GetContext"))
    {
        auto context = std::make_unique<GxAGLContext>(mWindow);
        context->Show();
        mContext = std::move(context);
    }
    return mContext.get();
}

// ---- Controls ------------------------------------------------------------------------------------------------

int FxWindow::CountControls() const
{
    return Check("CountControls") ? int(pf::GetSubviews(pf::GetContentView(mWindow)).size()) : 0;
}

FxControl* FxWindow::GetControlByIndex(int inIndex) const
{
    if (!Check("GetControlByIndex"))
        return nullptr;
    const std::vector<pf::ViewRef> subviews = pf::GetSubviews(pf::GetContentView(mWindow));
    return inIndex >= 1 && std::size_t(inIndex) <= subviews.size()
               ? FxControl::FromRef(subviews[std::size_t(inIndex) - 1])
               : nullptr;
}

FxControl* FxWindow::GetControlById(CxSint32 inId) const
{
    return Check("GetControlById") ? FxControl::FromRef(pf::FindControlByID(mWindow, kFxFaceSignature, inId)) : nullptr;
}

FxControl* FxWindow::DefaultButton() const
{
    return Check("DefaultButton") ? FxControl::FromRef(pf::GetWindowDefaultButton(mWindow)) : nullptr;
}

FxControl* FxWindow::CancelButton() const
{
    return Check("CancelButton") ? FxControl::FromRef(pf::GetWindowCancelButton(mWindow)) : nullptr;
}

void FxWindow::SetDefaultButton(FxControl* inControl)
{
    if (Check("SetDefaultButton"))
        pf::SetWindowDefaultButton(mWindow, inControl != nullptr ? inControl->GetRef() : nullptr);
}

void FxWindow::SetCancelButton(FxControl* inControl)
{
    if (Check("SetCancelButton"))
        pf::SetWindowCancelButton(mWindow, inControl != nullptr ? inControl->GetRef() : nullptr);
}

// ---- Controllers ---------------------------------------------------------------------------------------------

void FxWindow::AttachController(FxController* inController)
{
    if (mController != nullptr)
        mController->DetachWindow(this);
    mController = inController;
    if (inController != nullptr)
        inController->AttachWindow(this);
}

void FxWindow::DetachController(FxController* inController)
{
    CxAssertText(mController == inController, "mController == inController");
    mController = nullptr;
    if (inController != nullptr)
        inController->DetachWindow(this);
}

FxController::~FxController()
{
    if (mWindow != nullptr)
        mWindow->DetachController(this);
}

void FxController::AttachWindow(FxWindow* inWindow)
{
    if (mWindow == inWindow)
    {
        OnAttachWindow(inWindow);
        return;
    }
    if (mWindow != nullptr)
        mWindow->DetachController(this);
    mWindow = inWindow;
    if (inWindow != nullptr && inWindow->Controller() != this)
        inWindow->AttachController(this);
    else
        OnAttachWindow(inWindow);
}

void FxController::DetachWindow(FxWindow* inWindow)
{
    if (inWindow == nullptr || inWindow != mWindow)
        return;
    mWindow = nullptr;
    OnDetachWindow(inWindow);
}

// ---- Modal, quit, bounds -------------------------------------------------------------------------------------

void FxWindow::BeginModal()
{
    if (!Check("BeginModal"))
        return;
    mModal = true;
    const std::shared_ptr<bool> alive = mAlive;
    const pf::WindowRef window = mWindow;
    pf::RetainWindow(window);
    pf::RunAppModalLoopForWindow(window);
    // A window closed during its loop is gone, its reference with it.
    if (!*alive)
        return;
    pf::ReleaseWindow(window);
}

void FxWindow::EndModal()
{
    if (Check("EndModal"))
        pf::QuitAppModalLoopForWindow(mWindow);
    mModal = false;
}

void FxWindow::QuitOnClose()
{
    FxCommander::DispatchCommand(FourCC("quit"));
}

void FxWindow::ExternalizeBounds(XmlBuilder& ioBuilder) const
{
    ioBuilder.Instruction("FxWindow", CxString("frameBounds=\"") + FrameBounds().AsString() + CxString("\""));
}

void FxWindow::InternalizeBounds(const XmlElement* inElement)
{
    const XmlInstruction* instruction = inElement != nullptr ? inElement->FindInstruction("FxWindow") : nullptr;
    if (instruction == nullptr)
        return;
    const std::unique_ptr<XmlElement> parsed(instruction->ParseAsElement());
    if (parsed == nullptr)
        return;
    const CxString bounds = parsed->GetAttribute("frameBounds");
    if (bounds.Length() == 0)
        return;
    SetFrameBounds(CxRect(bounds), false);
    ConstrainToScreen();
}

// ---- Document windows ----------------------------------------------------------------------------------------

FxDocumentWindow::FxDocumentWindow(const CxString& inNibFile, const CxString& inWindowName)
    : FxWindow(inNibFile, inWindowName)
{
}

FxDocumentWindow::FxDocumentWindow(const CxRect& inBounds)
    : FxWindow(inBounds, pf::kDocumentWindowClass, kDocumentAttributes)
{
    if (GetRef() != nullptr)
        pf::SetThemeWindowBackground(GetRef(), 15);
}

FxDocumentWindow::~FxDocumentWindow()
{
    delete mFile;
}

void FxDocumentWindow::SetFile(const CxFile& inFile)
{
    delete mFile;
    mFile = new CxFile(inFile);
    if (GetRef() == nullptr)
        return;
    pf::SetWindowProxyPath(GetRef(), inFile.Path().AsUtf8());
    SetTitle(inFile.Name());
}

void FxDocumentWindow::ClearFile()
{
    delete mFile;
    mFile = nullptr;
    if (GetRef() == nullptr)
        return;
    pf::RemoveWindowProxy(GetRef());
    if (mMime.Length() != 0)
        SetMime(mMime);
}

const CxFile& FxDocumentWindow::File() const
{
    static const CxFile sNone;
    CxAssertText(mFile != nullptr, "mFile != nil");
    return mFile != nullptr ? *mFile : sNone;
}

void FxDocumentWindow::SetMime(const CxString& inMime)
{
    mMime = inMime;
    if (mFile != nullptr || GetRef() == nullptr)
        return;
    const CxMimeInfo info = CxMimeInfo::FromMime(inMime);
    if (info.Type() != 0)
        pf::SetWindowProxyCreatorAndType(GetRef(), info.Creator(), info.Type());
}

FxDocumentWindow* FxDocumentWindow::Frontmost()
{
    for (const pf::WindowRef window : pf::WindowList())
        if (pf::GetWindowClass(window) == pf::kDocumentWindowClass)
            if (auto* document = dynamic_cast<FxDocumentWindow*>(FromRef(window)))
                return document;
    return nullptr;
}

FxDocumentWindow* FxDocumentWindow::NextDocument() const
{
    if (GetRef() == nullptr)
        return nullptr;
    const std::vector<pf::WindowRef> windows = pf::WindowList();
    bool behind = false;
    for (const pf::WindowRef window : windows)
    {
        if (window == GetRef())
            behind = true;
        else if (behind && pf::GetWindowClass(window) == pf::kDocumentWindowClass)
            return dynamic_cast<FxDocumentWindow*>(FromRef(window));
    }
    return nullptr;
}

int FxDocumentWindow::Count()
{
    int count = 0;
    for (FxDocumentWindow* document = Frontmost(); document != nullptr; document = document->NextDocument())
        ++count;
    return count;
}

int FxDocumentWindow::CountModified()
{
    int count = 0;
    for (FxDocumentWindow* document = Frontmost(); document != nullptr; document = document->NextDocument())
        if (document->IsModified())
            ++count;
    return count;
}

void FxDocumentWindow::ReviewDocuments()
{
    std::vector<FxDocumentWindow*> modified;
    for (FxDocumentWindow* document = Frontmost(); document != nullptr; document = document->NextDocument())
        if (document->IsModified())
            modified.push_back(document);
    FxDocumentWindow* previous = nullptr;
    for (FxDocumentWindow* document : modified)
    {
        document->Show();
        document->Expand();
        if (previous == nullptr)
            document->BringToFront();
        else
            document->SendBehind(previous);
        previous = document;
    }
    FxCommander::SetQuitting(true);
    if (FxDocumentWindow* front = Frontmost())
        front->ObeyCommand(FourCC("clos"));
}

void FxDocumentWindow::DiscardDocuments()
{
    for (const pf::WindowRef window : pf::WindowList())
        if (auto* document = dynamic_cast<FxDocumentWindow*>(FromRef(window)))
            document->SetModified(false);
    pf::MainLoop().Quit();
}

// ---- The other window classes --------------------------------------------------------------------------------

FxSheetWindow::FxSheetWindow(const CxString& inNibFile, const CxString& inWindowName, FxWindow* inParent)
    : FxWindow(inNibFile, inWindowName), mParent(inParent)
{
    if (mParent != nullptr)
        mParent->Retain();
    if (GetRef() != nullptr)
        pf::SetThemeWindowBackground(GetRef(), 53);
}

FxSheetWindow::FxSheetWindow(const CxRect& inBounds, FxWindow* inParent)
    : FxWindow(inBounds, pf::kSheetWindowClass, kStandardAttributes), mParent(inParent)
{
    if (mParent != nullptr)
        mParent->Retain();
    if (GetRef() != nullptr)
        pf::SetThemeWindowBackground(GetRef(), 53);
}

FxSheetWindow::~FxSheetWindow()
{
    FxWindow* parent = mParent;
    mParent = nullptr;
    if (parent != nullptr)
        parent->Release();
}

void FxSheetWindow::Show()
{
    if (GetRef() == nullptr)
        return;
    pf::ShowSheetWindow(GetRef(), mParent != nullptr ? mParent->GetRef() : nullptr);
    SetCursor(0);
}

void FxSheetWindow::Hide()
{
    if (GetRef() != nullptr)
        pf::HideSheetWindow(GetRef());
}

FxWindow* FxSheetWindow::MenuWindow()
{
    return mParent;
}

FxSheetWindow* FxSheetWindow::Frontmost()
{
    return FrontmostOf<FxSheetWindow>(pf::kSheetWindowClass);
}

FxAlertWindow::FxAlertWindow(const CxString& inNibFile, const CxString& inWindowName, FxWindow*)
    : FxWindow(inNibFile, inWindowName)
{
    if (GetRef() != nullptr)
        pf::SetThemeWindowBackground(GetRef(), 3);
}

FxAlertWindow::FxAlertWindow(const CxRect& inBounds, FxWindow*)
    : FxWindow(inBounds, pf::kAlertWindowClass, kStandardAttributes)
{
    if (GetRef() != nullptr)
        pf::SetThemeWindowBackground(GetRef(), 3);
}

void FxAlertWindow::OnCommandStatus(FxCommand& ioCommand)
{
    ioCommand.Disable();
}

FxAlertWindow* FxAlertWindow::Frontmost()
{
    return FrontmostOf<FxAlertWindow>(pf::kAlertWindowClass);
}

FxDialogWindow::FxDialogWindow(const CxString& inNibFile, const CxString& inWindowName, FxWindow*)
    : FxWindow(inNibFile, inWindowName)
{
    if (GetRef() == nullptr)
        return;
    pf::ChangeWindowAttributes(GetRef(), 0, kInWindowMenuAttribute);
    pf::SetThemeWindowBackground(GetRef(), 1);
}

FxDialogWindow::FxDialogWindow(const CxRect& inBounds, FxWindow*)
    : FxWindow(inBounds, pf::kMovableModalWindowClass, kStandardAttributes)
{
    if (GetRef() == nullptr)
        return;
    pf::ChangeWindowAttributes(GetRef(), 0, kInWindowMenuAttribute);
    pf::SetThemeWindowBackground(GetRef(), 1);
}

void FxDialogWindow::OnCommandStatus(FxCommand& ioCommand)
{
    ioCommand.Disable();
}

FxDialogWindow* FxDialogWindow::Frontmost()
{
    return FrontmostOf<FxDialogWindow>(pf::kMovableModalWindowClass);
}

FxFloatingWindow::FxFloatingWindow(const CxString& inNibFile, const CxString& inWindowName)
    : FxWindow(inNibFile, inWindowName)
{
    if (GetRef() != nullptr)
        pf::SetThemeWindowBackground(GetRef(), 7);
}

FxFloatingWindow::FxFloatingWindow(const CxRect& inBounds)
    : FxWindow(inBounds, pf::kFloatingWindowClass, kStandardAttributes)
{
    if (GetRef() != nullptr)
        pf::SetThemeWindowBackground(GetRef(), 7);
}

FxFloatingWindow* FxFloatingWindow::Frontmost()
{
    return FrontmostOf<FxFloatingWindow>(pf::kFloatingWindowClass);
}

FxUtilityWindow::FxUtilityWindow(const CxString& inNibFile, const CxString& inWindowName)
    : FxWindow(inNibFile, inWindowName)
{
    if (GetRef() != nullptr)
        pf::SetThemeWindowBackground(GetRef(), 7);
}

FxUtilityWindow::FxUtilityWindow(const CxRect& inBounds)
    : FxWindow(inBounds, pf::kUtilityWindowClass, kStandardAttributes)
{
    if (GetRef() != nullptr)
        pf::SetThemeWindowBackground(GetRef(), 7);
}

FxUtilityWindow* FxUtilityWindow::Frontmost()
{
    return FrontmostOf<FxUtilityWindow>(pf::kUtilityWindowClass);
}
