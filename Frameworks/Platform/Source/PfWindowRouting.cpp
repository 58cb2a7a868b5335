// Keyboard focus and the standard window handler: how the server routes input to and within windows.
#include "PfRunLoop.h"
#include "PfWindowServerState.h"

#include <algorithm>
#include <cmath>

namespace pf
{

// ---- Focus ---------------------------------------------------------------------------------------------------

OSStatus SetKeyboardFocus(WindowRef inWindow, ViewRef inView, std::int16_t inPart)
{
    Window* w = CheckWindow(inWindow, "SetKeyboardFocus");
    if (w == nullptr || (inView != nullptr && (!CheckView(inView, "SetKeyboardFocus") || inView->mWindow != w)))
    {
        return kParamErr;
    }
    DispatchGuard guard;
    View* old = w->mFocus;
    if (old != nullptr && old != inView)
    {
        w->mFocus = nullptr;
        std::int16_t none = 0;
        SendControlEvent(old, kControlSetFocusPart, &none);
    }
    if (inView == nullptr || !CheckWindow(w, nullptr) || !CheckView(inView, nullptr))
    {
        return kNoErr;
    }
    std::int16_t part = inPart;
    const OSStatus status = SendControlEvent(inView, kControlSetFocusPart, &part);
    if (!CheckWindow(w, nullptr))
    {
        return kNoErr;
    }
    w->mFocus = (status == kNoErr && part != 0 && CheckView(inView, nullptr)) ? inView : nullptr;
    return status == kNoErr ? kNoErr : status;
}

ViewRef GetKeyboardFocus(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "GetKeyboardFocus");
    return w ? w->mFocus : nullptr;
}

std::int16_t GetKeyboardFocusPart(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "GetKeyboardFocusPart");
    return (w && w->mFocus) ? w->mFocus->mFocusPart : 0;
}

OSStatus SetUserFocusWindow(WindowRef inWindow)
{
    if (inWindow != nullptr && CheckWindow(inWindow, "SetUserFocusWindow") == nullptr)
    {
        return kParamErr;
    }
    State().userFocusWindow = inWindow;
    return kNoErr;
}

WindowRef GetUserFocusWindow()
{
    return State().userFocusWindow;
}

EventTarget* GetUserFocusEventTarget()
{
    Window* focus = State().userFocusWindow;
    Window* w = focus != nullptr && focus->mVisible ? focus : ActiveWindow();
    if (w == nullptr)
    {
        return &ApplicationTarget();
    }
    return w->mFocus != nullptr ? &w->mFocus->mTarget : &w->mTarget;
}

namespace
{

void Collect(View* inView, std::vector<View*>& outList)
{
    for (View* child : inView->mChildren)
    {
        if (child->mVisible && child->mEnabled)
        {
            outList.push_back(child);
            Collect(child, outList);
        }
    }
}

// Tab: the next view, in tree order, that takes a focus part.
void AdvanceFocus(Window* inWindow, bool inBackwards)
{
    std::vector<View*> order;
    Collect(inWindow->mRoot, order);
    if (inBackwards)
    {
        std::reverse(order.begin(), order.end());
    }
    auto start = std::find(order.begin(), order.end(), inWindow->mFocus);
    std::size_t first = start == order.end() ? 0 : std::size_t(start - order.begin()) + 1;
    for (std::size_t n = 0; n < order.size(); ++n)
    {
        View* candidate = order[(first + n) % order.size()];
        if (!CheckView(candidate, nullptr) || !CheckWindow(inWindow, nullptr))
        {
            return;
        }
        SetKeyboardFocus(inWindow, candidate, inBackwards ? kControlFocusPrevPart : kControlFocusNextPart);
        if (!CheckWindow(inWindow, nullptr) || inWindow->mFocus != nullptr)
        {
            return;
        }
    }
}

} // namespace

void AdvanceFocusOf(Window* inWindow, bool inBackwards)
{
    AdvanceFocus(inWindow, inBackwards);
}

namespace
{

// ---- The standard window handler ------------------------------------------------------------------------------

struct Click
{
    Point where;
    std::uint32_t modifiers = 0;
};

bool AskDims(Window* inWindow, std::uint32_t inKind, QDPoint& outDims)
{
    Event event(kClassWindow, inKind);
    event.SetParam(kParamDirectObject, kTypeWindowRef, inWindow);
    return inWindow->mTarget.Send(event) == kNoErr && event.GetParam(kParamDimensions, kTypeQDPoint, outDims) == kNoErr;
}

void SendBoundsPair(Window* inWindow, std::uint32_t inKind)
{
    Event event(kClassWindow, inKind);
    event.SetParam(kParamDirectObject, kTypeWindowRef, inWindow);
    inWindow->mTarget.Send(event);
}

// Moves or resizes the content, announcing exactly the given 'attr'.
void ChangeContent(Window* inWindow, const Rect& inContent, std::uint32_t inAttributes)
{
    const Rect previous = inWindow->mContent;
    if (previous == inContent)
    {
        return;
    }
    inWindow->mContent = inContent;
    if (previous.w != inContent.w || previous.h != inContent.h)
    {
        SetViewFrame(inWindow->mRoot, Rect{0, 0, inContent.w, inContent.h});
        if (!CheckWindow(inWindow, nullptr))
        {
            return;
        }
    }
    Event event(kClassWindow, kWindowBoundsChanged);
    event.SetParam(kParamDirectObject, kTypeWindowRef, inWindow);
    event.SetParam(kParamAttributes, kTypeUInt32, inAttributes);
    event.SetParam(kParamPreviousBounds, kTypeHIRect, previous);
    event.SetParam(kParamCurrentBounds, kTypeHIRect, inContent);
    inWindow->mTarget.Send(event);
}

void DragWindow(Window* inWindow, const Click& inClick)
{
    SendBoundsPair(inWindow, kWindowDragStarted);
    const Rect start = inWindow->mContent;
    for (;;)
    {
        Point where;
        const MouseTrackingResult result = TrackMouseLocation(&where);
        if (!CheckWindow(inWindow, nullptr))
        {
            return;
        }
        const Rect moved = start.Offset(where.x - inClick.where.x, where.y - inClick.where.y);
        ChangeContent(inWindow, moved, kBoundsChangeOriginChanged);
        if (!CheckWindow(inWindow, nullptr))
        {
            return;
        }
        if (result == MouseTrackingResult::kMouseReleased)
        {
            break;
        }
    }
    SendBoundsPair(inWindow, kWindowDragCompleted);
}

void GrowWindow(Window* inWindow, const Click& inClick)
{
    SendBoundsPair(inWindow, kWindowResizeStarted);
    QDPoint minimum{64, 64};
    QDPoint maximum{std::int16_t(metrics::kScreen.h), std::int16_t(metrics::kScreen.w)};
    if (!CheckWindow(inWindow, nullptr))
    {
        return;
    }
    AskDims(inWindow, kWindowGetMinimumSize, minimum);
    if (!CheckWindow(inWindow, nullptr))
    {
        return;
    }
    AskDims(inWindow, kWindowGetMaximumSize, maximum);
    const Rect start = inWindow->mContent;
    for (;;)
    {
        Point where;
        const MouseTrackingResult result = TrackMouseLocation(&where);
        if (!CheckWindow(inWindow, nullptr))
        {
            return;
        }
        Rect grown = start;
        grown.w = std::clamp(start.w + where.x - inClick.where.x, double(minimum.h), double(maximum.h));
        grown.h = std::clamp(start.h + where.y - inClick.where.y, double(minimum.v), double(maximum.v));
        ChangeContent(inWindow, grown, kBoundsChangeSizeChanged);
        if (!CheckWindow(inWindow, nullptr))
        {
            return;
        }
        if (result == MouseTrackingResult::kMouseReleased)
        {
            break;
        }
    }
    SendBoundsPair(inWindow, kWindowResizeCompleted);
}

// Follows the mouse until release; answers whether it was released inside the box.
bool TrackBox(const Rect& inBox)
{
    Point where = State().mouse;
    while (TrackMouseLocation(&where) != MouseTrackingResult::kMouseReleased)
    {
    }
    return inBox.Contains(where);
}

void Zoom(Window* inWindow)
{
    if (inWindow->mZoomed)
    {
        inWindow->mZoomed = false;
        ChangeContent(inWindow, inWindow->mUserState, kBoundsChangeSizeChanged | kBoundsChangeOriginChanged);
        return;
    }
    QDPoint ideal{std::int16_t(metrics::kScreen.h - metrics::kMenuBarHeight - TitleBarHeight(inWindow->mClass)),
                  std::int16_t(metrics::kScreen.w)};
    AskDims(inWindow, kWindowGetIdealSize, ideal);
    QDPoint minimum{0, 0};
    QDPoint maximum{std::int16_t(metrics::kScreen.h), std::int16_t(metrics::kScreen.w)};
    if (!CheckWindow(inWindow, nullptr))
    {
        return;
    }
    AskDims(inWindow, kWindowGetMinimumSize, minimum);
    if (!CheckWindow(inWindow, nullptr))
    {
        return;
    }
    AskDims(inWindow, kWindowGetMaximumSize, maximum);
    if (!CheckWindow(inWindow, nullptr))
    {
        return;
    }
    inWindow->mUserState = inWindow->mContent;
    inWindow->mZoomed = true;
    Rect zoomed = inWindow->mContent;
    zoomed.w = std::clamp<double>(ideal.h, minimum.h, maximum.h);
    zoomed.h = std::clamp<double>(ideal.v, minimum.v, maximum.v);
    ChangeContent(inWindow, zoomed, kBoundsChangeSizeChanged);
}

void SendMouseClickEvent(Window* inWindow, std::uint32_t inKind, const Click& inClick)
{
    Event event(kClassWindow, inKind);
    event.SetParam(kParamDirectObject, kTypeWindowRef, inWindow);
    SetMouseParams(event, inWindow, inClick.where, inClick.modifiers);
    inWindow->mTarget.Send(event);
}

void HandleWindowClick(Window* inWindow, const Click& inClick)
{
    WindowRef hit = nullptr;
    const std::int16_t part = FindWindow(inClick.where, &hit);
    if (hit != inWindow)
    {
        return;
    }
    switch (part)
    {
    case kInContent:
    {
        const Point content{inClick.where.x - inWindow->mContent.x, inClick.where.y - inWindow->mContent.y};
        View* view = Deepest(inWindow->mRoot, content);
        if (view != inWindow->mRoot && TrackControlClick(view, inClick.where, inClick.modifiers))
        {
            return;
        }
        if (CheckWindow(inWindow, nullptr))
        {
            SendMouseClickEvent(inWindow, kWindowHandleContentClick, inClick);
        }
        return;
    }
    case kInDrag:
        DragWindow(inWindow, inClick);
        return;
    case kInGrow:
        GrowWindow(inWindow, inClick);
        return;
    case kInGoAway:
        if (TrackBox(BoxRect(*inWindow, metrics::kCloseBoxLeft)) && CheckWindow(inWindow, nullptr))
        {
            SendWindowEvent(inWindow, kWindowClose);
        }
        return;
    case kInZoomIn:
    case kInZoomOut:
        if (TrackBox(BoxRect(*inWindow, metrics::kZoomBoxLeft)) && CheckWindow(inWindow, nullptr))
        {
            SendWindowEvent(inWindow, kWindowZoom);
            if (CheckWindow(inWindow, nullptr))
            {
                SendWindowEvent(inWindow, kWindowZoomed);
            }
        }
        return;
    case kInCollapseBox:
        if (TrackBox(BoxRect(*inWindow, metrics::kCollapseBoxLeft)) && CheckWindow(inWindow, nullptr))
        {
            inWindow->mCollapsed = !inWindow->mCollapsed;
        }
        return;
    default:
        return;
    }
}

OSStatus StandardWindowHandler(Window* inWindow, Event& ioEvent)
{
    if (ioEvent.Class() == kClassWindow)
    {
        switch (ioEvent.Kind())
        {
        case kWindowClose:
            DisposeWindow(inWindow);
            return kNoErr;
        case kWindowZoom:
            Zoom(inWindow);
            return kNoErr;
        case kWindowGetClickActivation:
            ioEvent.SetParam(kParamClickActivation, kTypeClickActivation, kActivateAndIgnoreClick);
            return kNoErr;
        default:
            return kEventNotHandled;
        }
    }
    if (ioEvent.Class() == kClassMouse && ioEvent.Kind() == kMouseDown)
    {
        Click click;
        ioEvent.GetParam(kParamMouseLocation, kTypeHIPoint, click.where);
        ioEvent.GetParam(kParamKeyModifiers, kTypeUInt32, click.modifiers);
        HandleWindowClick(inWindow, click);
        return kNoErr;
    }
    return kEventNotHandled;
}

} // namespace

void StandardWindowSetup(Window* inWindow)
{
    if ((inWindow->mAttributes & kWindowStandardHandlerAttribute) != 0)
    {
        inWindow->mTarget.SetStandardHandler([inWindow](HandlerCallRef, Event& ioEvent)
                                             { return StandardWindowHandler(inWindow, ioEvent); });
    }
    else
    {
        inWindow->mTarget.SetStandardHandler(nullptr);
    }
}

void SetMouseParams(Event& ioEvent, Window* inWindow, Point inGlobal, std::uint32_t inModifiers)
{
    const ServerState& state = State();
    ioEvent.SetParam(kParamMouseLocation, kTypeHIPoint, inGlobal);
    if (inWindow != nullptr)
    {
        const Point local{inGlobal.x - inWindow->mContent.x, inGlobal.y - inWindow->mContent.y};
        ioEvent.SetParam(kParamWindowMouseLocation, kTypeHIPoint, local);
        ioEvent.SetParam(kParamWindowRef, kTypeWindowRef, inWindow);
    }
    ioEvent.SetParam(kParamKeyModifiers, kTypeUInt32, inModifiers);
    ioEvent.SetParam(kParamMouseButton, kTypeMouseButton, std::uint16_t(1));
    ioEvent.SetParam(kParamClickCount, kTypeUInt32, state.clickCount);
}

} // namespace pf
