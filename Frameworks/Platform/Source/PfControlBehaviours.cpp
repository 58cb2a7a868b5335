// The standard control behaviours: hit testing, values, text, mouse tracking and the tracking of a click.
#include "PfRunLoop.h"
#include "PfTheme.h"
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
        {
            Canvas* canvas = nullptr;
            if (ioEvent.GetParam(kParamCGContext, kTypeCGContext, canvas) == kNoErr && canvas != nullptr)
                DrawStandardView(*canvas, inView);
            return kNoErr;
        }
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
    if (inView->mAction && (inView->mKind == ViewKind::kLittleArrows || inView->mKind == ViewKind::kScrollBar))
    {
        const ControlActionProc action = inView->mAction;
        action(inView, inPart);
        return;
    }
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

} // namespace

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

OSStatus SetControlAction(ViewRef inView, ControlActionProc inAction)
{
    View* v = CheckView(inView, "SetControlAction");
    if (v == nullptr)
    {
        return kParamErr;
    }
    v->mAction = std::move(inAction);
    return kNoErr;
}

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

} // namespace pf
