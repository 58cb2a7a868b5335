#include "CxDebug.h"
#include "FxBuildControls.h"
#include "FxInterfaceFile.h"
#include "FxKeyEvent.h"
#include "FxMouseEvent.h"
#include "FxView.h"
#include "FxWindow.h"
#include "GxColorGradient.h"
#include "GxFont.h"
#include "GxGLContext.h"
#include "PfDrag.h"

#include <GL/gl.h>

#include <cmath>

namespace
{

using pf::FourCC;

constexpr pf::FourCharCode kFxEventClass = FourCC("FACE");
constexpr std::uint32_t kFxTextValidated = 2;
constexpr std::uint32_t kFxColorChanged = 3;
constexpr std::uint32_t kFxGradientChanged = 4;
constexpr std::uint32_t kControlInitialize = 1000;
constexpr std::uint32_t kControlDragEnter = 18;
constexpr std::uint32_t kControlDragWithin = 19;
constexpr std::uint32_t kControlDragLeave = 20;
constexpr std::uint32_t kControlDragReceive = 21;
// A view's own tracking area; the window's is ('FACE', 1).
constexpr std::uint64_t kViewTrackingId = (std::uint64_t(FourCC("FACE")) << 32) | 2;

FxColorWellCast gColorWellCast = nullptr;

pf::ViewRef EventControlRef(const pf::Event& inEvent)
{
    pf::ViewRef control = nullptr;
    inEvent.GetParam(pf::kParamDirectObject, pf::kTypeControlRef, control);
    return control;
}

CxSint16 Truncated(double inValue)
{
    return CxSint16(std::trunc(inValue));
}

// Takes the first subview of the named window out of the interface file and puts it into the window.
pf::ViewRef TakeViewFromNib(FxWindow* inWindow, const CxString& inNibFile, const CxString& inViewName)
{
    const auto file = FxInterfaceFile::Open(inNibFile);
    const pf::WindowRef nibWindow = file ? file->CreateWindow(inViewName) : nullptr;
    const std::vector<pf::ViewRef> subviews =
        nibWindow != nullptr ? pf::GetSubviews(pf::GetContentView(nibWindow)) : std::vector<pf::ViewRef>();
    const pf::WindowRef target = inWindow != nullptr ? inWindow->GetRef() : nullptr;
    if (subviews.empty() || target == nullptr)
    {
        _CxDebugOut(__FILE__, __LINE__, "FxView", "no view to take from the interface file");
        if (nibWindow != nullptr)
            pf::DisposeWindow(nibWindow);
        return nullptr;
    }
    const pf::ViewRef view = subviews.front();
    pf::RemoveFromSuperview(view);
    pf::SetControlTitle(view, pf::GetWindowTitle(nibWindow));
    pf::DisposeWindow(nibWindow);
    pf::AddSubview(pf::GetContentView(target), view);
    FxBuildControls(view);
    return view;
}

} // namespace

void FxSetColorWellCast(FxColorWellCast inCast)
{
    gColorWellCast = inCast;
}

// ---- FxView --------------------------------------------------------------------------------------------------

FxView::FxView(const FxViewInfo& inInfo) : FxControl(inInfo.mView)
{
    SetUp();
}

FxView::FxView(FxWindow* inWindow, const CxString& inNibFile, const CxString& inViewName)
    : FxControl(TakeViewFromNib(inWindow, inNibFile, inViewName))
{
    SetUp();
}

void FxView::SetUp()
{
    Install({{pf::kClassControl, pf::kControlHit},
             {pf::kClassControl, pf::kControlIndicatorMoved},
             {pf::kClassControl, pf::kControlValueFieldChanged},
             {pf::kClassControl, pf::kControlBoundsChanged},
             {pf::kClassControl, pf::kControlTrackingAreaEntered},
             {pf::kClassControl, pf::kControlTrackingAreaExited},
             {pf::kClassKeyboard, pf::kRawKeyDown},
             {pf::kClassKeyboard, pf::kRawKeyUp},
             {pf::kClassKeyboard, pf::kRawKeyRepeat},
             {pf::kClassKeyboard, pf::kRawKeyModifiersChanged},
             {pf::kClassFont, pf::kFontSelection},
             {pf::kClassClockView, pf::kClockDateOrTimeChanged},
             {pf::kClassTextField, pf::kTextFieldTextDidChange},
             {kFxEventClass, kFxColorChanged},
             {kFxEventClass, kFxGradientChanged},
             {kFxEventClass, kFxTextValidated}});
    if (mControl == nullptr)
        return;
    pf::SetControlDragTrackingEnabled(mControl, true);
    MakeTrackingArea();
}

FxView::~FxView()
{
    if (mTrackingArea != 0)
        pf::DisposeTrackingArea(mTrackingArea);
}

void FxView::MakeTrackingArea()
{
    if (mTrackingArea != 0)
        pf::DisposeTrackingArea(mTrackingArea);
    mTrackingArea = mControl != nullptr ? pf::NewTrackingArea(mControl, pf::Rect{}, kViewTrackingId) : 0;
}

void FxView::OnSetFocusPart(CxSint16& ioPart)
{
    ioPart = 0;
}

void FxView::OnGetFocusPart(CxSint16& ioPart)
{
    ioPart = 0;
}

void FxView::OnCountParts(CxSint16& outCount)
{
    outCount = 0;
}

pf::OSStatus FxView::Event(pf::HandlerCallRef inCall, pf::Event& ioEvent)
{
    const std::uint32_t kind = ioEvent.Kind();
    switch (ioEvent.Class())
    {
    case kFxEventClass:
        return EventFace(ioEvent);
    case pf::kClassClockView:
        if (kind != pf::kClockDateOrTimeChanged)
            return pf::kEventNotHandled;
        OnDateChanged(FromRef(EventControlRef(ioEvent)));
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
    {
        FxKeyEvent key(ioEvent);
        switch (kind)
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
    case pf::kClassMouse:
        return EventMouse(ioEvent);
    case pf::kClassTextField:
        if (kind != pf::kTextFieldTextDidChange)
            return pf::kEventNotHandled;
        OnTextChanged(FromRef(EventControlRef(ioEvent)));
        return pf::kNoErr;
    default:
        return FxCommander::Event(inCall, ioEvent);
    }
}

pf::OSStatus FxView::EventFace(pf::Event& ioEvent)
{
    switch (ioEvent.Kind())
    {
    case kFxColorChanged:
    {
        FxColorWell* well = gColorWellCast != nullptr ? gColorWellCast(FromRef(EventControlRef(ioEvent))) : nullptr;
        CxAssertText(well != nullptr, "colorWell");
        if (well != nullptr)
            OnColorChanged(well);
        break;
    }
    case kFxGradientChanged:
    {
        const GxColorGradient* gradient = nullptr;
        ioEvent.GetParam(FourCC("GRAD"), FourCC("GRAD"), gradient);
        if (gradient != nullptr)
            OnGradientChanged(*gradient);
        break;
    }
    case kFxTextValidated:
        if (FxEditText* edit = AsFxEditText(FromRef(EventControlRef(ioEvent))))
            OnTextValidated(edit);
        break;
    default:
        break;
    }
    return pf::kNoErr;
}

pf::OSStatus FxView::EventControl(pf::HandlerCallRef inCall, pf::Event& ioEvent)
{
    const pf::ViewRef control = EventControlRef(ioEvent);
    const bool own = control == mControl;
    switch (ioEvent.Kind())
    {
    case kControlInitialize:
        return pf::kNoErr;
    case pf::kControlHit:
    {
        std::uint32_t modifiers = 0;
        ioEvent.GetParam(pf::kParamKeyModifiers, pf::kTypeUInt32, modifiers);
        mLastModifiers = (modifiers & pf::kCmdKey) != 0 ? 1 : 0;
        if ((modifiers & pf::kControlKey) != 0)
            mLastModifiers |= 2;
        if ((modifiers & pf::kOptionKey) != 0)
            mLastModifiers |= 4;
        if ((modifiers & pf::kShiftKey) != 0)
            mLastModifiers |= 8;
        if (FxControl* wrapper = FromRef(control))
            OnControlHit(wrapper);
        return pf::kEventNotHandled;
    }
    case pf::kControlHitTest:
    {
        if (!own)
            return pf::kEventNotHandled;
        pf::Point where;
        const pf::OSStatus status = ioEvent.GetParam(pf::kParamMouseLocation, pf::kTypeHIPoint, where);
        if (status != pf::kNoErr)
            return status;
        // The view-local point against the view's own bounds at (0, 0).
        const std::int16_t part = pf::GetViewBounds(mControl).Contains(where) ? 1 : 0;
        ioEvent.SetParam(pf::kParamControlPart, pf::kTypeControlPartCode, part);
        return pf::kNoErr;
    }
    case pf::kControlDraw:
        return own ? EventControlDraw(inCall, ioEvent) : pf::kEventNotHandled;
    case pf::kControlSetFocusPart:
        return own ? SetFocusPart(ioEvent) : pf::kEventNotHandled;
    case pf::kControlGetFocusPart:
    {
        if (!own)
            return pf::kEventNotHandled;
        CxSint16 part = 0;
        OnGetFocusPart(part);
        ioEvent.SetParam(pf::kParamControlPart, pf::kTypeControlPartCode, std::int16_t(part));
        return pf::kNoErr;
    }
    case kControlDragEnter:
        EventControlDragEnter(inCall, ioEvent);
        return pf::kNoErr;
    case kControlDragWithin:
        EventControlDragWithin(inCall, ioEvent);
        return pf::kNoErr;
    case kControlDragLeave:
        EventControlDragLeave(inCall, ioEvent);
        return pf::kNoErr;
    case kControlDragReceive:
        EventControlDragReceive(inCall, ioEvent);
        return pf::kNoErr;
    case pf::kControlTrackingAreaEntered:
        if (!own)
            return pf::kEventNotHandled;
        OnMouseEntered();
        return pf::kNoErr;
    case pf::kControlTrackingAreaExited:
        if (!own)
            return pf::kEventNotHandled;
        OnMouseExited();
        return pf::kNoErr;
    case pf::kControlIndicatorMoved:
        if (FxControl* wrapper = FromRef(control))
            OnControlTrack(wrapper);
        return pf::kNoErr;
    case pf::kControlValueFieldChanged:
        if (FxControl* wrapper = FromRef(control))
            OnControlValueFieldChanged(wrapper);
        return pf::kNoErr;
    case pf::kControlBoundsChanged:
        return own ? EventControlBoundsChanged(inCall, ioEvent) : pf::kEventNotHandled;
    case pf::kControlVisibilityChanged:
        return own ? EventControlVisibilityChanged(inCall, ioEvent) : pf::kEventNotHandled;
    case pf::kControlOwningWindowChanged:
        return own ? EventControlOwningWindowChanged(inCall, ioEvent) : pf::kEventNotHandled;
    case pf::kControlHiliteChanged:
        if (!own)
            return pf::kEventNotHandled;
        Invalidate();
        return pf::kNoErr;
    default:
        return pf::kEventNotHandled;
    }
}

pf::OSStatus FxView::SetFocusPart(pf::Event& ioEvent)
{
    std::uint8_t everything = 0;
    ioEvent.GetParam(FourCC("cfev"), FourCC("bool"), everything);
    CxSint16 count = 0;
    OnCountParts(count);
    std::int16_t requested = 0;
    ioEvent.GetParam(pf::kParamControlPart, pf::kTypeControlPartCode, requested);
    CxSint16 part = mFocusPart;
    switch (requested)
    {
    case pf::kControlFocusNextPart:
        part = CxSint16(mFocusPart + 1 > count ? 0 : mFocusPart + 1);
        break;
    case pf::kControlNoPart:
        part = 0;
        break;
    case pf::kControlFocusPrevPart:
        part = mFocusPart == 0 ? count : CxSint16(mFocusPart - 1);
        if (part < 1)
            part = 0;
        break;
    default:
        if (requested < 1 || requested > count)
            return pf::kParamErr;
        part = requested;
        break;
    }
    mFocusPart = part;
    OnSetFocusPart(mFocusPart);
    ioEvent.SetParam(pf::kParamControlPart, pf::kTypeControlPartCode, std::int16_t(mFocusPart));
    return pf::kNoErr;
}

pf::OSStatus FxView::EventMouse(pf::Event& ioEvent)
{
    if (mControl == nullptr)
        return pf::kNoErr;
    const FxMouseEvent mouse(ioEvent, mControl);
    switch (ioEvent.Kind())
    {
    case pf::kMouseDown:
        OnMouseDown(mouse);
        break;
    case pf::kMouseUp:
        OnMouseUp(mouse);
        break;
    case pf::kMouseMoved:
        OnMouseMoved(mouse);
        break;
    case pf::kMouseWheelMoved:
        OnMouseWheel(mouse);
        break;
    case pf::kMouseScroll:
        OnMouseScroll(mouse);
        break;
    case pf::kMouseDragged:
    {
        const pf::ViewRef self = mControl;
        OnMouseDragged(mouse);
        // The window's OnControlTrack (or its controller's) follows every drag inside the view.
        const pf::WindowRef window = pf::IsValidView(self) ? pf::GetViewWindow(self) : nullptr;
        if (window != nullptr)
        {
            pf::Event moved(pf::kClassControl, pf::kControlIndicatorMoved);
            moved.SetParam(pf::kParamDirectObject, pf::kTypeControlRef, self);
            pf::GetWindowEventTarget(window)->Send(moved);
        }
        break;
    }
    default:
        break;
    }
    return pf::kNoErr;
}

pf::OSStatus FxView::EventControlDraw(pf::HandlerCallRef, pf::Event&)
{
    return pf::kNoErr;
}

pf::OSStatus FxView::EventControlBoundsChanged(pf::HandlerCallRef, pf::Event&)
{
    MakeTrackingArea();
    OnResize();
    return pf::kNoErr;
}

pf::OSStatus FxView::EventControlOwningWindowChanged(pf::HandlerCallRef, pf::Event&)
{
    return pf::kNoErr;
}

pf::OSStatus FxView::EventControlVisibilityChanged(pf::HandlerCallRef, pf::Event&)
{
    return pf::kNoErr;
}

void FxView::LocalToGlobal(CxPoint& ioPoint) const
{
    if (mControl == nullptr)
        return;
    const pf::Rect bounds = pf::ViewGlobalBounds(mControl);
    ioPoint = CxPoint(Truncated(ioPoint.h + bounds.x), Truncated(ioPoint.v + bounds.y));
}

void FxView::GlobalToLocal(CxPoint& ioPoint) const
{
    if (mControl == nullptr)
        return;
    const pf::Rect bounds = pf::ViewGlobalBounds(mControl);
    ioPoint = CxPoint(Truncated(ioPoint.h - bounds.x), Truncated(ioPoint.v - bounds.y));
}

void FxView::LocalToGlobal(CxRect& ioRect) const
{
    CxPoint topLeft = ioRect.TopLeft();
    CxPoint bottomRight = ioRect.BottomRight();
    LocalToGlobal(topLeft);
    LocalToGlobal(bottomRight);
    ioRect = CxRect(topLeft.h, topLeft.v, bottomRight.h, bottomRight.v);
}

void FxView::GlobalToLocal(CxRect& ioRect) const
{
    CxPoint topLeft = ioRect.TopLeft();
    CxPoint bottomRight = ioRect.BottomRight();
    GlobalToLocal(topLeft);
    GlobalToLocal(bottomRight);
    ioRect = CxRect(topLeft.h, topLeft.v, bottomRight.h, bottomRight.v);
}

FxView* AsFxView(FxControl* inControl)
{
    return dynamic_cast<FxView*>(inControl);
}

FxGraphic* AsFxGraphic(FxControl* inControl)
{
    return dynamic_cast<FxGraphic*>(inControl);
}

// ---- FxGraphic -----------------------------------------------------------------------------------------------

FxGraphic::FxGraphic(const FxViewInfo& inInfo) : FxView(inInfo)
{
    Install({{pf::kClassControl, kControlInitialize},
             {pf::kClassControl, pf::kControlDraw},
             {pf::kClassControl, pf::kControlHitTest},
             {pf::kClassControl, pf::kControlHiliteChanged},
             {pf::kClassControl, pf::kControlBoundsChanged},
             {pf::kClassControl, pf::kControlOwningWindowChanged},
             {pf::kClassControl, kControlDragEnter},
             {pf::kClassControl, kControlDragLeave},
             {pf::kClassControl, kControlDragReceive},
             {pf::kClassControl, kControlDragWithin},
             {pf::kClassControl, pf::kControlSetFocusPart},
             {pf::kClassControl, pf::kControlGetFocusPart},
             {pf::kClassControl, pf::kControlVisibilityChanged},
             {pf::kClassControl, pf::kControlTrackingAreaEntered},
             {pf::kClassControl, pf::kControlTrackingAreaExited},
             {pf::kClassKeyboard, pf::kRawKeyDown},
             {pf::kClassKeyboard, pf::kRawKeyUp},
             {pf::kClassKeyboard, pf::kRawKeyRepeat},
             {pf::kClassKeyboard, pf::kRawKeyModifiersChanged},
             {pf::kClassCommand, pf::kCommandProcess},
             {pf::kClassCommand, pf::kCommandUpdateStatus},
             {pf::kClassFont, pf::kFontSelection}});
    if (mControl != nullptr)
        pf::SetControlDragTrackingEnabled(mControl, true);
}

FxGraphic::~FxGraphic() = default;

GxContext* FxGraphic::GetContext()
{
    // Made when missing, as the draw does, rather than used unmade.
    if (mContext == nullptr)
        SetupContext();
    return mContext.get();
}

void FxGraphic::SetupContext()
{
    mContext.reset();
    if (mControl == nullptr)
        return;
    auto context = std::make_unique<GxAGLContext>(mControl);
    if (pf::IsViewShown(mControl))
        context->Show();
    mContext = std::move(context);
}

void FxGraphic::Refresh()
{
    GxContext* context = GetContext();
    if (context == nullptr)
        return;
    context->MakeCurrent();
    OnDraw();
    context->SwapBuffers();
}

pf::OSStatus FxGraphic::EventControlDraw(pf::HandlerCallRef, pf::Event&)
{
    auto* context = static_cast<GxAGLContext*>(GetContext());
    if (context == nullptr)
        return pf::kNoErr;
    context->MakeCurrent();
    context->AdjustToView();
    OnDraw();
    context->SwapBuffers();
    return pf::kNoErr;
}

pf::OSStatus FxGraphic::EventControlBoundsChanged(pf::HandlerCallRef, pf::Event&)
{
    MakeTrackingArea();
    if (mControl == nullptr || !pf::IsViewVisible(mControl))
        return pf::kEventNotHandled;
    auto* context = static_cast<GxAGLContext*>(GetContext());
    context->AdjustToView();
    context->MakeCurrent();
    OnResize();
    context->SwapBuffers();
    return pf::kNoErr;
}

pf::OSStatus FxGraphic::EventControlOwningWindowChanged(pf::HandlerCallRef, pf::Event&)
{
    SetupContext();
    return pf::kNoErr;
}

pf::OSStatus FxGraphic::EventControlVisibilityChanged(pf::HandlerCallRef, pf::Event&)
{
    if (mContext != nullptr && mControl != nullptr)
    {
        if (pf::IsViewVisible(mControl))
            mContext->Show();
        else
            mContext->Hide();
    }
    return pf::kNoErr;
}

void FxGraphic::OnDraw()
{
    if (mControl == nullptr)
        return;
    const pf::Rect bounds = pf::GetViewBounds(mControl);
    const double width = bounds.w;
    const double height = bounds.h;
    const float alpha = pf::GetControlHilite(mControl) != 0 ? 0.5f : 1.0f;
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_ALPHA_TEST);
    glViewport(0, 0, GLsizei(width), GLsizei(height));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glBegin(GL_QUADS);
    glColor4f(1.0f, 0.0f, 0.0f, alpha); // top left
    glVertex2d(0.0, height);
    glColor4f(1.0f, 1.0f, 0.0f, alpha); // top right
    glVertex2d(width, height);
    glColor4f(0.0f, 0.0f, 1.0f, alpha); // bottom right
    glVertex2d(width, 0.0);
    glColor4f(0.0f, 1.0f, 0.0f, alpha); // bottom left
    glVertex2d(0.0, 0.0);
    glEnd();
}
