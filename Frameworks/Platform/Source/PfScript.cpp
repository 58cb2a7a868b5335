// The scripted input queue and its delivery, tracking areas and small services.
#include "PfNavDialog.h"
#include "PfRunLoop.h"
#include "PfStandIns.h"
#include "PfWindowServerState.h"

#include <algorithm>
#include <cmath>

namespace pf
{

namespace script
{
ScriptItem Down(double inX, double inY, std::uint32_t inModifiers)
{
    ScriptItem item;
    item.kind = ScriptKind::kMouseDown;
    item.where = Point{inX, inY};
    item.modifiers = inModifiers;
    return item;
}
ScriptItem Drag(double inX, double inY)
{
    ScriptItem item = Down(inX, inY);
    item.kind = ScriptKind::kMouseDrag;
    return item;
}
ScriptItem Up(double inX, double inY)
{
    ScriptItem item = Down(inX, inY);
    item.kind = ScriptKind::kMouseUp;
    return item;
}
ScriptItem Move(double inX, double inY)
{
    ScriptItem item = Down(inX, inY);
    item.kind = ScriptKind::kMouseMove;
    return item;
}
ScriptItem Key(std::uint32_t inKeyCode, std::u16string inText, std::uint32_t inModifiers)
{
    ScriptItem item;
    item.kind = ScriptKind::kKeyDown;
    item.keyCode = inKeyCode;
    item.text = std::move(inText);
    item.modifiers = inModifiers;
    return item;
}
ScriptItem KeyUp(std::uint32_t inKeyCode)
{
    ScriptItem item = Key(inKeyCode, u"");
    item.kind = ScriptKind::kKeyUp;
    return item;
}
ScriptItem Choose(std::int32_t inItem)
{
    ScriptItem item;
    item.kind = ScriptKind::kMenuChoice;
    item.item = inItem;
    return item;
}
ScriptItem Command(std::uint32_t inCommand)
{
    ScriptItem item;
    item.kind = ScriptKind::kMenuChoice;
    item.command = inCommand;
    return item;
}
ScriptItem FontPick(std::int32_t inFontId, std::int32_t inSize)
{
    ScriptItem item;
    item.kind = ScriptKind::kFontPick;
    item.fontId = inFontId;
    item.fontSize = inSize;
    return item;
}
ScriptItem Wait(std::int64_t inNanos)
{
    ScriptItem item;
    item.kind = ScriptKind::kWait;
    item.waitNanos = inNanos;
    return item;
}
ScriptItem Colour(double inRed, double inGreen, double inBlue, double inAlpha)
{
    ScriptItem item;
    item.kind = ScriptKind::kColour;
    item.colour[0] = inRed;
    item.colour[1] = inGreen;
    item.colour[2] = inBlue;
    item.colour[3] = inAlpha;
    return item;
}
ScriptItem Accept()
{
    ScriptItem item;
    item.kind = ScriptKind::kAccept;
    return item;
}
ScriptItem Cancel()
{
    ScriptItem item;
    item.kind = ScriptKind::kCancel;
    return item;
}
ScriptItem PanelClose()
{
    ScriptItem item;
    item.kind = ScriptKind::kPanelClose;
    return item;
}
ScriptItem NavPath(std::string inPath)
{
    ScriptItem item;
    item.kind = ScriptKind::kNavPath;
    item.path = std::move(inPath);
    return item;
}
ScriptItem NavName(std::u16string inName)
{
    ScriptItem item;
    item.kind = ScriptKind::kNavName;
    item.text = std::move(inName);
    return item;
}
ScriptItem NavPopup(std::int32_t inIndex)
{
    ScriptItem item;
    item.kind = ScriptKind::kNavPopup;
    item.item = inIndex;
    return item;
}
ScriptItem NavDiscard()
{
    ScriptItem item;
    item.kind = ScriptKind::kNavDiscard;
    return item;
}
} // namespace script

void InstallInputSource()
{
    ServerState& state = State();
    if (!state.sourceInstalled)
    {
        state.sourceInstalled = true;
        // A print sheet left up when the script runs dry is cancelled, as a modal dialog would be.
        MainLoop().SetInputSource([] { return !State().script.empty() || PrintSheetsPending(); },
                                  []
                                  {
                                      if (State().script.empty() && PrintSheetsPending())
                                      {
                                          CancelNewestPrintSheet();
                                          return true;
                                      }
                                      return DeliverNextScriptItem();
                                  });
    }
}

void PushScript(const ScriptItem& inItem)
{
    InstallInputSource();
    State().script.push_back(inItem);
}

void PushScript(const std::vector<ScriptItem>& inItems)
{
    for (const ScriptItem& item : inItems)
    {
        PushScript(item);
    }
}

std::size_t ScriptCount()
{
    return State().script.size();
}

void ResetWindowServerForTesting()
{
    ServerState& state = State();
    {
        DispatchGuard guard;
        while (!state.windows.empty())
        {
            Window* w = state.windows.front().get();
            w->mSheet = nullptr;
            w->mSheetParent = nullptr;
            DisposeWindow(w);
        }
        std::vector<View*> loose(state.views.begin(), state.views.end());
        for (View* v : loose)
        {
            if (CheckView(v, nullptr) && v->mParent == nullptr)
            {
                DisposeView(v);
            }
        }
        state.menuBar.clear();
        while (!state.menus.empty())
        {
            DisposeMenuNow(state.menus.front().get());
        }
    }
    state.script.clear();
    state.modalStack.clear();
    state.mouse = Point{};
    state.buttonDown = false;
    state.downWindow = nullptr;
    state.clickCount = 0;
    state.hadDown = false;
    state.lastDownTicks = 0;
    state.cursor = 0;
    state.fontPanelTarget = nullptr;
    state.fontPanelVisible = false;
    ResetStandInsForTesting();
    ResetNavDialogsForTesting();
    ForgetPrintSheets();
    ClearCurrentScrap();
}

namespace
{

bool Blocked(Window* inWindow)
{
    if (inWindow->mSheet != nullptr)
    {
        return true;
    }
    const Window* modal = ModalWindow();
    return modal != nullptr && modal != inWindow && inWindow->mSheetParent != modal;
}

void DeliverMouseDown(const ScriptItem& inItem)
{
    ServerState& state = State();
    const std::uint32_t now = MainLoop().GetClock().TickCount();
    const double dx = inItem.where.x - state.lastDownPoint.x;
    const double dy = inItem.where.y - state.lastDownPoint.y;
    const bool near = std::fabs(dx) <= metrics::kDoubleClickSlop && std::fabs(dy) <= metrics::kDoubleClickSlop;
    state.clickCount = (state.hadDown && now - state.lastDownTicks <= GetDblTime() && near) ? state.clickCount + 1 : 1;
    state.hadDown = true;
    state.lastDownTicks = now;
    state.lastDownPoint = inItem.where;
    state.mouse = inItem.where;
    state.buttonDown = true;
    WindowRef window = nullptr;
    FindWindow(inItem.where, &window);
    state.downWindow = window;
    if (window == nullptr)
    {
        return;
    }
    if (Blocked(window))
    {
        Log("click refused: a modal window or sheet blocks the window");
        state.downWindow = nullptr;
        return;
    }
    if (!window->mActive && window->mClass != kFloatingWindowClass && window->mClass != kUtilityWindowClass)
    {
        Event ask(kClassWindow, kWindowGetClickActivation);
        ask.SetParam(kParamDirectObject, kTypeWindowRef, window);
        SetMouseParams(ask, window, inItem.where, inItem.modifiers);
        std::uint32_t activation = kActivateAndIgnoreClick;
        if (window->mTarget.Send(ask) == kNoErr)
        {
            ask.GetParam(kParamClickActivation, kTypeClickActivation, activation);
        }
        if (!CheckWindow(window, nullptr))
        {
            return;
        }
        if ((activation & 2) == 0)
        {
            SelectWindow(window);
        }
        if ((activation & 1) == 0 || !CheckWindow(window, nullptr))
        {
            return;
        }
    }
    Event event(kClassMouse, kMouseDown);
    SetMouseParams(event, window, inItem.where, inItem.modifiers);
    window->mTarget.Send(event);
}

// Drags and ups go to the down's window; moves to the window under the mouse.
void DeliverMouse(const ScriptItem& inItem, std::uint32_t inKind)
{
    ServerState& state = State();
    state.mouse = inItem.where;
    UpdateTrackingAreas(inItem.where);
    WindowRef window = nullptr;
    if (inKind == kMouseMoved)
    {
        FindWindow(inItem.where, &window);
    }
    else
    {
        window = CheckWindow(state.downWindow, nullptr);
        if (inKind == kMouseUp)
        {
            state.buttonDown = false;
            state.downWindow = nullptr;
        }
    }
    Event event(kClassMouse, inKind);
    SetMouseParams(event, window, inItem.where, inItem.modifiers);
    if (window != nullptr)
    {
        window->mTarget.Send(event);
    }
    else
    {
        ApplicationTarget().Send(event);
    }
}

void DeliverKey(const ScriptItem& inItem, std::uint32_t inKind)
{
    Event event(kClassKeyboard, inKind);
    const char first = inItem.text.empty() ? 0 : char(inItem.text[0] & 0xFF);
    event.SetParam(kParamKeyChar, kTypeChar, first);
    event.SetParam(kParamKeyCode, kTypeUInt32, inItem.keyCode);
    event.SetParam(kParamKeyModifiers, kTypeUInt32, inItem.modifiers);
    event.SetParam(kParamKeyUnicodes, kTypeUnicodeText, inItem.text.data(), inItem.text.size() * sizeof(char16_t));
    if (GetUserFocusEventTarget()->Send(event) != kEventNotHandled || inKind != kRawKeyDown)
    {
        return;
    }
    Window* window = ActiveWindow();
    if (inItem.keyCode == kKeyTab && window != nullptr)
    {
        AdvanceFocusOf(window, (inItem.modifiers & kShiftKey) != 0);
        return;
    }
    if ((inItem.keyCode == kKeyReturn || inItem.keyCode == kKeyEnter) && window && window->mDefaultButton)
    {
        SimulateClick(window->mDefaultButton, kControlButtonPart, inItem.modifiers);
        return;
    }
    if (inItem.keyCode == kKeyEscape && window != nullptr && window->mCancelButton != nullptr)
    {
        SimulateClick(window->mCancelButton, kControlButtonPart, inItem.modifiers);
        return;
    }
    if (!inItem.text.empty())
    {
        Event text(kClassTextInput, kTextInputUnicodeForKeyEvent);
        text.SetParam(kParamTextInputSendText, kTypeUnicodeText, inItem.text.data(),
                      inItem.text.size() * sizeof(char16_t));
        GetUserFocusEventTarget()->Send(text);
    }
}

void DeliverCommand(std::uint32_t inCommand)
{
    HICommand command;
    command.attributes = kHICommandFromMenu;
    command.commandID = inCommand;
    MenuRef menu = nullptr;
    std::uint16_t item = 0;
    if (FindMenuItemForCommand(inCommand, &menu, &item))
    {
        command.menu = menu;
        command.menuItem = item;
    }
    Event event(kClassCommand, kCommandProcess);
    event.SetParam(kParamDirectObject, kTypeHICommand, command);
    GetUserFocusEventTarget()->Send(event);
}

} // namespace

bool DeliverNextScriptItem()
{
    ServerState& state = State();
    if (state.script.empty())
    {
        return false;
    }
    DispatchGuard guard;
    const ScriptItem item = state.script.front();
    state.script.pop_front();
    switch (item.kind)
    {
    case ScriptKind::kMouseDown:
        DeliverMouseDown(item);
        break;
    case ScriptKind::kMouseDrag:
        DeliverMouse(item, kMouseDragged);
        break;
    case ScriptKind::kMouseUp:
        DeliverMouse(item, kMouseUp);
        break;
    case ScriptKind::kMouseMove:
        DeliverMouse(item, kMouseMoved);
        break;
    case ScriptKind::kKeyDown:
        DeliverKey(item, kRawKeyDown);
        break;
    case ScriptKind::kKeyUp:
        DeliverKey(item, kRawKeyUp);
        break;
    case ScriptKind::kMenuChoice:
        if (item.command != 0)
        {
            DeliverCommand(item.command);
        }
        else
        {
            Log("menu choice outside a menu: dropped");
        }
        break;
    case ScriptKind::kFontPick:
    {
        Event event(kClassFont, kFontSelection);
        event.SetParam(kParamFontId, kTypeSInt32, item.fontId);
        event.SetParam(kParamFontSize, kTypeFixed, std::int32_t(item.fontSize * 65536));
        EventTarget* target = state.fontPanelTarget ? state.fontPanelTarget : GetUserFocusEventTarget();
        target->Send(event);
        break;
    }
    case ScriptKind::kWait:
        MainLoop().Advance(Nanos(item.waitNanos));
        break;
    case ScriptKind::kColour:
    case ScriptKind::kAccept:
    case ScriptKind::kCancel:
    case ScriptKind::kPanelClose:
    case ScriptKind::kNavPath:
    case ScriptKind::kNavName:
    case ScriptKind::kNavPopup:
    case ScriptKind::kNavDiscard:
        OfferToTakers(item);
        break;
    }
    return true;
}

// ---- Tracking areas -------------------------------------------------------------------------------------------

namespace
{
TrackingArea* FindArea(TrackingAreaRef inArea, const char* inCall)
{
    for (TrackingArea& a : State().trackingAreas)
    {
        if (a.ref == inArea && inArea != 0)
        {
            return &a;
        }
    }
    Log(std::string(inCall) + ": bad tracking area reference");
    return nullptr;
}
} // namespace

TrackingAreaRef NewTrackingArea(ViewRef inView, const Rect& inArea, std::uint64_t inId)
{
    if (!CheckView(inView, "NewTrackingArea"))
    {
        return 0;
    }
    ServerState& state = State();
    state.trackingAreas.push_back(TrackingArea{state.nextTrackingArea, inView, inArea, inId, false});
    return state.nextTrackingArea++;
}

OSStatus ChangeTrackingArea(TrackingAreaRef inArea, const Rect& inRect)
{
    TrackingArea* a = FindArea(inArea, "ChangeTrackingArea");
    if (a == nullptr)
    {
        return kParamErr;
    }
    a->rect = inRect;
    return kNoErr;
}

OSStatus DisposeTrackingArea(TrackingAreaRef inArea)
{
    if (FindArea(inArea, "DisposeTrackingArea") == nullptr)
    {
        return kParamErr;
    }
    auto& areas = State().trackingAreas;
    areas.erase(std::remove_if(areas.begin(), areas.end(), [&](const TrackingArea& a) { return a.ref == inArea; }),
                areas.end());
    return kNoErr;
}

std::uint64_t GetTrackingAreaId(TrackingAreaRef inArea)
{
    TrackingArea* a = FindArea(inArea, "GetTrackingAreaId");
    return a ? a->id : 0;
}

void UpdateTrackingAreas(Point inGlobal)
{
    // Exits first, then entries; the list is read again after each event, as handlers may change it.
    for (int pass = 0; pass < 2; ++pass)
    {
        const bool entering = pass == 1;
        std::vector<TrackingAreaRef> refs;
        for (const TrackingArea& a : State().trackingAreas)
        {
            refs.push_back(a.ref);
        }
        for (TrackingAreaRef ref : refs)
        {
            auto& areas = State().trackingAreas;
            auto it = std::find_if(areas.begin(), areas.end(), [&](const TrackingArea& a) { return a.ref == ref; });
            if (it == areas.end() || !CheckView(it->view, nullptr))
            {
                continue;
            }
            const Rect bounds = ViewGlobalBounds(it->view);
            const Rect area = it->rect.Empty() ? bounds : it->rect.Offset(bounds.x, bounds.y);
            WindowRef top = nullptr;
            FindWindow(inGlobal, &top);
            const bool inside = IsViewShown(it->view) && top == it->view->mWindow && area.Contains(inGlobal);
            if (inside == it->inside || inside != entering)
            {
                continue;
            }
            it->inside = inside;
            View* view = it->view;
            Event event(kClassControl, inside ? kControlTrackingAreaEntered : kControlTrackingAreaExited);
            event.SetParam(kParamDirectObject, kTypeControlRef, view);
            event.SetParam(kParamTrackingArea, kTypeTrackingArea, ref);
            SetMouseParams(event, view->mWindow, inGlobal, 0);
            view->mTarget.Send(event);
        }
    }
}

// ---- Services ----------------------------------------------------------------------------------------------

std::uint32_t GetDblTime()
{
    return metrics::kDoubleClickTicks;
}

void SetCursorId(std::int32_t inCursor)
{
    State().cursor = inCursor;
}

std::int32_t CurrentCursorId()
{
    return State().cursor;
}

OSStatus SetViewHelpTag(ViewRef inView, const std::u16string& inText)
{
    View* v = CheckView(inView, "SetViewHelpTag");
    if (v == nullptr)
    {
        return kParamErr;
    }
    v->mHelpTag = inText;
    return kNoErr;
}

std::u16string GetViewHelpTag(ViewRef inView)
{
    View* v = CheckView(inView, "GetViewHelpTag");
    return v ? v->mHelpTag : std::u16string();
}

std::uint32_t GetIconRef(FourCharCode inCreator, FourCharCode inType)
{
    auto& icons = State().icons;
    auto [it, added] = icons.try_emplace((std::uint64_t(inCreator) << 32) | inType, State().nextIcon, 0);
    if (added)
    {
        ++State().nextIcon;
    }
    ++it->second.second;
    return it->second.first;
}

OSStatus ReleaseIconRef(std::uint32_t inIcon)
{
    auto& icons = State().icons;
    for (auto it = icons.begin(); it != icons.end(); ++it)
    {
        if (it->second.first == inIcon)
        {
            if (--it->second.second == 0)
            {
                icons.erase(it);
            }
            return kNoErr;
        }
    }
    Log("ReleaseIconRef: bad icon reference");
    return kParamErr;
}

void SetFontPanelTarget(EventTarget* inTarget)
{
    State().fontPanelTarget = inTarget;
}

EventTarget* FontPanelTarget()
{
    return State().fontPanelTarget;
}

void ShowFontPanel(bool inShow)
{
    State().fontPanelVisible = inShow;
}

bool IsFontPanelVisible()
{
    return State().fontPanelVisible;
}

} // namespace pf
