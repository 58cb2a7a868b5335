// Standard handlers, focus, tracking and the delivery of the script: how the server routes input.
#include "PfRunLoop.h"
#include "PfWindowServerState.h"

#include <algorithm>
#include <cmath>

namespace pf
{

namespace
{

constexpr std::int32_t kScrollPage = 10;

Point Local(View* inView, Point inGlobal)
{
    const Rect global = ViewGlobalBounds(inView);
    return Point{inGlobal.x - global.x, inGlobal.y - global.y};
}

bool Horizontal(const View* inView)
{
    return inView->mFrame.w >= inView->mFrame.h;
}

// Where a value puts the indicator, as a fraction of the track.
double Fraction(const View* inView)
{
    const double range = double(inView->mMaximum) - double(inView->mMinimum);
    return range > 0 ? (double(inView->mValue) - inView->mMinimum) / range : 0.0;
}

bool IsEditable(const View* inView)
{
    return inView->mKind == ViewKind::kEditText || inView->mKind == ViewKind::kSearchField ||
           inView->mKind == ViewKind::kComboBox;
}

void SendTextChanged(View* inView)
{
    Event changed(kClassTextField, kTextFieldTextDidChange);
    changed.SetParam(kParamDirectObject, kTypeControlRef, inView);
    inView->mTarget.Send(changed);
}

std::int16_t StandardHitTest(View* inView, Point inLocal)
{
    const Rect bounds{0, 0, inView->mFrame.w, inView->mFrame.h};
    if (!inView->mEnabled || !bounds.Contains(inLocal))
    {
        return kControlNoPart;
    }
    const bool horizontal = Horizontal(inView);
    const double along = horizontal ? inLocal.x : inLocal.y;
    const double length = horizontal ? bounds.w : bounds.h;
    switch (inView->mKind)
    {
    case ViewKind::kPushButton:
    case ViewKind::kBevelButton:
    case ViewKind::kRoundButton:
        return kControlButtonPart;
    case ViewKind::kCheckBox:
    case ViewKind::kRadioButton:
        return kControlCheckBoxPart;
    case ViewKind::kEditText:
        return kControlEditTextPart;
    case ViewKind::kSearchField:
        return inLocal.x >= bounds.w - kSearchCancelWidth && !inView->mText.empty() ? kControlSearchFieldCancelPart
                                                                                    : kControlEditTextPart;
    case ViewKind::kComboBox:
        return inLocal.x >= bounds.w - kComboButtonWidth ? kControlMenuPart : kControlEditTextPart;
    case ViewKind::kClock:
        return inLocal.y < bounds.h / 2 ? kControlUpButtonPart : kControlDownButtonPart;
    case ViewKind::kPopupButton:
        return kControlMenuPart;
    case ViewKind::kSlider:
        return kControlIndicatorPart;
    case ViewKind::kLittleArrows:
        return inLocal.y < bounds.h / 2 ? kControlUpButtonPart : kControlDownButtonPart;
    case ViewKind::kTabs:
    case ViewKind::kSegmented:
        if (inView->mMaximum <= 0)
        {
            return kControlNoPart;
        }
        return std::int16_t(1 + std::min<int>(inView->mMaximum - 1, int(inLocal.x * inView->mMaximum / bounds.w)));
    case ViewKind::kScrollBar:
    {
        const double arrow = metrics::kScrollArrowSize;
        if (along < arrow)
        {
            return kControlUpButtonPart;
        }
        if (along >= length - arrow)
        {
            return kControlDownButtonPart;
        }
        const double track = std::max(0.0, length - 3 * arrow);
        const double thumb = arrow + Fraction(inView) * track;
        if (along < thumb)
        {
            return kControlPageUpPart;
        }
        return along < thumb + arrow ? kControlIndicatorPart : kControlPageDownPart;
    }
    default:
        return kControlNoPart;
    }
}

// The value an indicator at this point stands for.
std::int32_t ValueAt(View* inView, Point inLocal)
{
    const bool horizontal = Horizontal(inView);
    double along = horizontal ? inLocal.x : inLocal.y;
    double length = horizontal ? inView->mFrame.w : inView->mFrame.h;
    if (inView->mKind == ViewKind::kScrollBar)
    {
        along -= 1.5 * metrics::kScrollArrowSize;
        length -= 3 * metrics::kScrollArrowSize;
    }
    const double fraction = length > 0 ? std::clamp(along / length, 0.0, 1.0) : 0.0;
    return inView->mMinimum + std::int32_t(std::lround(fraction * (double(inView->mMaximum) - inView->mMinimum)));
}

OSStatus StandardViewHandler(View* inView, Event& ioEvent)
{
    if (ioEvent.Class() == kClassScrollable && inView->mKind == ViewKind::kScrollView)
    {
        return StandardScrollViewHandler(inView, ioEvent);
    }
    if (ioEvent.Class() == kClassControl)
    {
        switch (ioEvent.Kind())
        {
        case kControlHitTest:
        {
            Point local;
            if (ioEvent.GetParam(kParamMouseLocation, kTypeHIPoint, local) != kNoErr)
            {
                return kEventParameterNotFound;
            }
            const std::int16_t part = StandardHitTest(inView, local);
            ioEvent.SetParam(kParamControlPart, kTypeControlPartCode, part);
            return kNoErr;
        }
        case kControlSetFocusPart:
        {
            std::int16_t part = 0;
            ioEvent.GetParam(kParamControlPart, kTypeControlPartCode, part);
            // Edit text has one focusable part; the others take no focus.
            const bool focusable = IsEditable(inView) && inView->mEnabled;
            std::int16_t next = 0;
            if (focusable && part != 0)
            {
                next = (part < 0 && inView->mFocusPart != 0) ? 0 : kControlEditTextPart;
            }
            inView->mFocusPart = next;
            ioEvent.SetParam(kParamControlPart, kTypeControlPartCode, next);
            return kNoErr;
        }
        case kControlGetFocusPart:
            ioEvent.SetParam(kParamControlPart, kTypeControlPartCode, inView->mFocusPart);
            return kNoErr;
        case kControlDraw:
            return kNoErr;
        default:
            return kEventNotHandled;
        }
    }
    if (ioEvent.Class() == kClassTextInput && ioEvent.Kind() == kTextInputUnicodeForKeyEvent && IsEditable(inView))
    {
        std::size_t size = 0;
        ioEvent.GetParam(kParamTextInputSendText, kTypeUnicodeText, nullptr, 0, &size);
        std::u16string text(size / sizeof(char16_t), u'\0');
        ioEvent.GetParam(kParamTextInputSendText, kTypeUnicodeText, text.data(), size);
        for (char16_t c : text)
        {
            if (c == 8 && !inView->mText.empty())
            {
                inView->mText.pop_back();
            }
            else if (c >= 32 && c != 127)
            {
                inView->mText.push_back(c);
            }
        }
        SendTextChanged(inView);
        return kNoErr;
    }
    return kEventNotHandled;
}

} // namespace

void StandardViewSetup(View* inView)
{
    inView->mTarget.SetStandardHandler([inView](HandlerCallRef, Event& ioEvent)
                                       { return StandardViewHandler(inView, ioEvent); });
}

// ---- Tracking ------------------------------------------------------------------------------------------------

namespace
{

void Release(Point inWhere)
{
    State().mouse = inWhere;
    State().buttonDown = false;
    State().downWindow = nullptr;
}

} // namespace

MouseTrackingResult TrackMouseLocation(Point* outGlobal)
{
    ServerState& state = State();
    MouseTrackingResult result = MouseTrackingResult::kMouseReleased;
    if (!state.script.empty() && state.buttonDown)
    {
        const ScriptItem item = state.script.front();
        if (item.kind == ScriptKind::kMouseDrag || item.kind == ScriptKind::kMouseUp)
        {
            state.script.pop_front();
            state.mouse = item.where;
            result = item.kind == ScriptKind::kMouseDrag ? MouseTrackingResult::kMouseDragged
                                                         : MouseTrackingResult::kMouseReleased;
        }
        else if (item.kind == ScriptKind::kWait)
        {
            state.script.pop_front();
            MainLoop().Advance(Nanos(item.waitNanos));
            result = MouseTrackingResult::kTimedOut;
        }
    }
    if (result == MouseTrackingResult::kMouseReleased)
    {
        Release(state.mouse);
    }
    if (outGlobal != nullptr)
    {
        *outGlobal = state.mouse;
    }
    return result;
}

bool StillDown()
{
    ServerState& state = State();
    if (!state.buttonDown)
    {
        return false;
    }
    if (!state.script.empty() && state.script.front().kind == ScriptKind::kMouseDrag)
    {
        state.mouse = state.script.front().where;
        state.script.pop_front();
        return true;
    }
    if (!state.script.empty() && state.script.front().kind == ScriptKind::kMouseUp)
    {
        state.mouse = state.script.front().where;
        state.script.pop_front();
    }
    Release(state.mouse);
    return false;
}

Point GetGlobalMouse()
{
    return State().mouse;
}

namespace
{

std::int16_t HitTest(View* inView, Point inGlobal, std::uint32_t inModifiers)
{
    const Point local = Local(inView, inGlobal);
    std::int16_t part = 0;
    if (SendControlEvent(inView, kControlHitTest, &part, &local, inModifiers) != kNoErr)
    {
        return 0;
    }
    return part;
}

void SendTrackEvents(View* inView)
{
    SendControlEvent(inView, kControlIndicatorMoved);
    if (CheckView(inView, nullptr))
    {
        SendControlEvent(inView, kControlValueFieldChanged);
    }
}

// What a release in the part does before 'cntl' 1.
void StandardHit(View* inView, std::int16_t inPart)
{
    switch (inView->mKind)
    {
    case ViewKind::kCheckBox:
        SetControlValue(inView, inView->mValue != 0 ? 0 : 1);
        break;
    case ViewKind::kRadioButton:
        SetControlValue(inView, 1);
        break;
    case ViewKind::kTabs:
    case ViewKind::kSegmented:
        SetControlValue(inView, inPart);
        break;
    case ViewKind::kLittleArrows:
        SetControlValue(inView, inView->mValue + (inPart == kControlUpButtonPart ? 1 : -1));
        break;
    case ViewKind::kClock:
    {
        const std::int32_t before = inView->mValue;
        SetControlValue(inView, inView->mValue + (inPart == kControlUpButtonPart ? 1 : -1));
        if (inView->mValue != before)
        {
            Event changed(kClassClockView, kClockDateOrTimeChanged);
            changed.SetParam(kParamDirectObject, kTypeControlRef, inView);
            inView->mTarget.Send(changed);
        }
        break;
    }
    case ViewKind::kSearchField:
        if (inPart == kControlSearchFieldCancelPart)
        {
            inView->mText.clear();
            SendTextChanged(inView);
        }
        break;
    case ViewKind::kComboBox:
        if (inPart == kControlMenuPart && inView->mPopupMenu != nullptr)
        {
            const Rect global = ViewGlobalBounds(inView);
            Menu* menu = inView->mPopupMenu;
            const std::uint16_t chosen = PopUpMenuSelect(menu, Point{global.x, global.Bottom()}, 0);
            if (chosen != 0 && CheckView(inView, nullptr) && IsValidMenu(menu))
            {
                inView->mText = GetMenuItemText(menu, chosen);
                SendTextChanged(inView);
            }
        }
        break;
    case ViewKind::kScrollBar:
    {
        const std::int32_t step = inPart == kControlUpButtonPart     ? -1
                                  : inPart == kControlDownButtonPart ? 1
                                  : inPart == kControlPageUpPart     ? -kScrollPage
                                  : inPart == kControlPageDownPart   ? kScrollPage
                                                                     : 0;
        const std::int32_t before = inView->mValue;
        SetControlValue(inView, inView->mValue + step);
        if (inView->mValue != before)
        {
            SendTrackEvents(inView);
        }
        break;
    }
    case ViewKind::kPopupButton:
        if (inView->mPopupMenu != nullptr)
        {
            const Rect global = ViewGlobalBounds(inView);
            const std::uint16_t chosen =
                PopUpMenuSelect(inView->mPopupMenu, Point{global.x, global.y}, std::uint16_t(inView->mValue));
            if (chosen != 0 && CheckView(inView, nullptr))
            {
                SetControlValue(inView, chosen);
            }
        }
        break;
    default:
        break;
    }
}

void SendHit(View* inView, std::int16_t inPart, std::uint32_t inModifiers)
{
    if (!CheckView(inView, nullptr))
    {
        return;
    }
    StandardHit(inView, inPart);
    if (CheckView(inView, nullptr))
    {
        SendControlEvent(inView, kControlHit, &inPart, nullptr, inModifiers);
    }
}

// Answers whether the click was taken by the control (a part under the mouse).
bool TrackControlClick(View* inView, Point inGlobal, std::uint32_t inModifiers)
{
    const std::int16_t startPart = HitTest(inView, inGlobal, inModifiers);
    if (startPart == 0 || !CheckView(inView, nullptr))
    {
        return false;
    }
    std::int16_t part = startPart;
    const Point local = Local(inView, inGlobal);
    if (SendControlEvent(inView, kControlTrack, &part, &local, inModifiers) == kNoErr)
    {
        if (State().buttonDown)
        {
            Release(State().mouse);
        }
        if (part != 0)
        {
            SendHit(inView, part, inModifiers);
        }
        return true;
    }
    if (!CheckView(inView, nullptr))
    {
        return true;
    }
    // The default loop: hilite the part while the mouse stays in it; an indicator follows the mouse.
    const bool indicator = part == kControlIndicatorPart;
    HiliteControl(inView, part);
    std::int16_t final = part;
    for (;;)
    {
        Point where;
        const MouseTrackingResult result = TrackMouseLocation(&where);
        if (!CheckView(inView, nullptr))
        {
            return true;
        }
        if (indicator && result != MouseTrackingResult::kTimedOut)
        {
            const std::int32_t value = ValueAt(inView, Local(inView, where));
            if (value != inView->mValue)
            {
                SetControlValue(inView, value);
                SendTrackEvents(inView);
                if (!CheckView(inView, nullptr))
                {
                    return true;
                }
            }
            final = part;
        }
        else if (!indicator)
        {
            final = HitTest(inView, where, inModifiers) == part ? part : 0;
            if (!CheckView(inView, nullptr))
            {
                return true;
            }
            HiliteControl(inView, final);
        }
        if (result == MouseTrackingResult::kMouseReleased)
        {
            break;
        }
    }
    HiliteControl(inView, 0);
    if (final != 0 && !indicator)
    {
        SendHit(inView, final, inModifiers);
    }
    else if (indicator)
    {
        SendControlEvent(inView, kControlHit, &final, nullptr, inModifiers);
    }
    return true;
}

} // namespace

OSStatus SimulateClick(ViewRef inView, std::int16_t inPart, std::uint32_t inModifiers)
{
    View* v = CheckView(inView, "SimulateClick");
    if (v == nullptr)
    {
        return kParamErr;
    }
    DispatchGuard guard;
    HiliteControl(v, inPart);
    if (CheckView(v, nullptr))
    {
        HiliteControl(v, 0);
    }
    SendHit(v, inPart, inModifiers);
    return kNoErr;
}

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

EventTarget* GetUserFocusEventTarget()
{
    Window* w = ActiveWindow();
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
