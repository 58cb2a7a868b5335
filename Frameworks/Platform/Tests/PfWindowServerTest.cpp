#include "PfWindowServer.h"
#include "PfDrag.h"
#include "PfRunLoop.h"
#include "PfSurface.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using namespace pf;
using Items = std::vector<ScriptItem>;

// A document window with its content at (100, 100), 400 by 300: title bar y 78..100, grow box from (485, 385).
constexpr Rect kContent{100, 100, 400, 300};
constexpr std::uint32_t kDocAttributes = kWindowStandardHandlerAttribute | kWindowCloseBoxAttribute |
                                         kWindowResizableAttribute | kWindowHorizontalZoomAttribute;

std::string Code(FourCharCode inCode)
{
    return {char(inCode >> 24), char(inCode >> 16), char(inCode >> 8), char(inCode)};
}

class WindowServerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mTrace.clear();
        mLog.clear();
        MainLoop().ResetForTesting(ClockKind::kVirtual);
        ResetWindowServerForTesting();
        SetDebugSink([this](const std::string& inLine) { mLog.push_back(inLine); });
        mWindow = CreateWindow(kDocumentWindowClass, kDocAttributes, kContent);
        ShowWindow(mWindow);
        mButton = AddView(ViewKind::kPushButton, Rect{10, 10, 80, 20});
    }
    void TearDown() override
    {
        for (const HandlerRef& handler : mHandlers)
        {
            RemoveHandler(handler);
        }
        mHandlers.clear();
        ResetWindowServerForTesting();
        SetDebugSink(nullptr);
    }

    ViewRef AddView(ViewKind inKind, const Rect& inFrame, ViewRef inParent = nullptr)
    {
        ViewRef view = CreateView(inKind, inFrame);
        AddSubview(inParent ? inParent : GetContentView(mWindow), view);
        return view;
    }

    // Records "prefix:class kind" (with the part of hilite changes and the 'attr' of bounds changes) and answers
    // inAnswer.
    void Record(EventTarget* inTarget, const std::string& inPrefix, std::vector<EventTypeSpec> inTypes,
                OSStatus inAnswer = kEventNotHandled)
    {
        mHandlers.push_back(inTarget->InstallHandler(
            inTypes,
            [this, inPrefix, inAnswer](HandlerCallRef, Event& ioEvent)
            {
                std::string line = inPrefix + ":" + Code(ioEvent.Class()) + " " + std::to_string(ioEvent.Kind());
                std::int16_t part = 0;
                std::uint32_t attributes = 0;
                if (ioEvent.Kind() == kControlHiliteChanged &&
                    ioEvent.GetParam(kParamControlPart, kTypeControlPartCode, part) == kNoErr)
                {
                    line += " p" + std::to_string(part);
                }
                if (ioEvent.GetParam(kParamAttributes, kTypeUInt32, attributes) == kNoErr)
                {
                    line += " a" + std::to_string(attributes);
                }
                mTrace.push_back(line);
                return inAnswer;
            }));
    }

    void RunScript(const Items& inItems)
    {
        PushScript(inItems);
        while (MainLoop().RunOnce(Nanos::zero()))
        {
        }
    }

    WindowRef mWindow = nullptr;
    ViewRef mButton = nullptr;
    std::vector<std::string> mTrace;
    std::vector<std::string> mLog;
    std::vector<HandlerRef> mHandlers;
};

const std::vector<EventTypeSpec> kControlTypes = {{kClassControl, kControlHitTest},
                                                  {kClassControl, kControlTrack},
                                                  {kClassControl, kControlHiliteChanged},
                                                  {kClassControl, kControlHit}};
const std::vector<EventTypeSpec> kWindowTypes = {{kClassWindow, kWindowHandleContentClick},
                                                 {kClassWindow, kWindowDragStarted},
                                                 {kClassWindow, kWindowBoundsChanged},
                                                 {kClassWindow, kWindowDragCompleted},
                                                 {kClassWindow, kWindowResizeStarted},
                                                 {kClassWindow, kWindowResizeCompleted},
                                                 {kClassWindow, kWindowClose},
                                                 {kClassWindow, kWindowZoom},
                                                 {kClassWindow, kWindowZoomed},
                                                 {kClassControl, kControlHit}};

struct MouseCase
{
    const char* name;
    Items script;
    std::vector<std::string> trace;
    Rect content; // after the script
};

TEST_F(WindowServerTest, MouseTracesFollowThePlatform)
{
    const MouseCase cases[] = {
        {"button click",
         {script::Down(115, 115), script::Up(116, 116)},
         {"B:cntl 3", "B:cntl 51", "B:cntl 160 p10", "B:cntl 3", "B:cntl 160 p0", "B:cntl 1", "W:cntl 1"},
         kContent},
        {"button released outside",
         {script::Down(115, 115), script::Drag(300, 300), script::Up(300, 300)},
         {"B:cntl 3", "B:cntl 51", "B:cntl 160 p10", "B:cntl 3", "B:cntl 160 p0", "B:cntl 3"},
         kContent},
        {"empty content", {script::Down(300, 300), script::Up(300, 300)}, {"W:wind 85"}, kContent},
        {"title bar drag",
         {script::Down(300, 90), script::Drag(320, 120), script::Up(320, 120)},
         {"W:wind 30", "W:wind 27 a8", "W:wind 31"},
         Rect{120, 130, 400, 300}},
        {"grow box",
         {script::Down(490, 390), script::Drag(540, 430), script::Up(540, 430)},
         {"W:wind 28", "W:wind 27 a4", "W:wind 29"},
         Rect{100, 100, 450, 340}},
        {"zoom box",
         {script::Down(150, 84), script::Up(150, 84)},
         {"W:wind 75", "W:wind 27 a4", "W:wind 76"},
         Rect{100, 100, 1440, 856}},
        {"close box left before release",
         {script::Down(112, 84), script::Drag(200, 200), script::Up(200, 200)},
         {},
         kContent},
    };
    for (const MouseCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        SetUp();
        Record(GetViewEventTarget(mButton), "B", kControlTypes);
        Record(GetWindowEventTarget(mWindow), "W", kWindowTypes);
        RunScript(c.script);
        EXPECT_EQ(mTrace, c.trace);
        EXPECT_EQ(GetWindowBounds(mWindow, kWindowContentRgn), c.content);
        EXPECT_FALSE(StillDown());
        TearDown();
    }
}

TEST_F(WindowServerTest, ControlsDoTheirStandardHitBehaviour)
{
    const struct
    {
        const char* name;
        ViewKind kind;
        Rect frame;
        std::int32_t maximum;
        std::vector<Point> clicks; // view coordinates; a pair with y < 0 marks a drag to x
        std::int32_t value;
        int tracks; // 'cntl' 54 seen
    } cases[] = {
        {"check box twice", ViewKind::kCheckBox, Rect{10, 40, 80, 16}, 1, {{5, 5}, {5, 5}}, 0, 0},
        {"radio twice", ViewKind::kRadioButton, Rect{10, 40, 80, 16}, 1, {{5, 5}, {5, 5}}, 1, 0},
        {"tabs", ViewKind::kTabs, Rect{10, 40, 120, 20}, 3, {{50, 5}}, 2, 0},
        {"segments", ViewKind::kSegmented, Rect{10, 40, 120, 20}, 4, {{119, 5}}, 4, 0},
        {"little arrows", ViewKind::kLittleArrows, Rect{10, 40, 16, 24}, 9, {{8, 2}, {8, 2}, {8, 20}}, 1, 0},
        {"scroll bar arrows and page",
         ViewKind::kScrollBar,
         Rect{10, 40, 16, 200},
         100,
         {{8, 5}, {8, 195}, {8, 100}},
         11,
         2},
        {"slider dragged halfway", ViewKind::kSlider, Rect{10, 40, 200, 20}, 100, {{0, 10}, {100, -1}}, 50, 1},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        SetUp();
        ViewRef control = AddView(c.kind, c.frame);
        SetControlMaximum(control, c.maximum);
        int tracks = 0;
        mHandlers.push_back(GetViewEventTarget(control)->InstallHandler(
            {{kClassControl, kControlIndicatorMoved}}, [&](HandlerCallRef, Event&) { return ++tracks, kNoErr; }));
        Items items;
        const double x0 = kContent.x + c.frame.x, y0 = kContent.y + c.frame.y;
        for (std::size_t i = 0; i < c.clicks.size(); ++i)
        {
            const Point p = c.clicks[i];
            const bool drag = i + 1 < c.clicks.size() && c.clicks[i + 1].y < 0;
            items.push_back(script::Down(x0 + p.x, y0 + p.y));
            if (drag)
            {
                items.push_back(script::Drag(x0 + c.clicks[i + 1].x, y0 + p.y));
                items.push_back(script::Up(x0 + c.clicks[i + 1].x, y0 + p.y));
                ++i;
            }
            else
            {
                items.push_back(script::Up(x0 + p.x, y0 + p.y));
            }
        }
        RunScript(items);
        EXPECT_EQ(GetControlValue(control), c.value);
        EXPECT_EQ(tracks, c.tracks);
        TearDown();
    }
}

TEST_F(WindowServerTest, TextClocksAndFontPicksNotify)
{
    ViewRef search = AddView(ViewKind::kSearchField, Rect{10, 40, 100, 20}); // cancel part from global x 194
    ViewRef combo = AddView(ViewKind::kComboBox, Rect{10, 70, 100, 20});     // menu part from global x 190
    ViewRef clock = AddView(ViewKind::kClock, Rect{10, 100, 16, 20});
    SetControlMaximum(clock, 5);
    SetControlText(search, u"find me");
    MenuRef list = CreateMenu(3, 0);
    InsertMenuItem(list, 0, u"alpha", 0, 0);
    InsertMenuItem(list, 1, u"beta", 0, 0);
    SetControlPopupMenu(combo, list);
    Record(GetViewEventTarget(search), "S", {{kClassTextField, kTextFieldTextDidChange}});
    Record(GetViewEventTarget(combo), "C", {{kClassTextField, kTextFieldTextDidChange}});
    Record(GetViewEventTarget(clock), "K", {{kClassClockView, kClockDateOrTimeChanged}});
    Record(GetWindowEventTarget(mWindow), "W", {{kClassFont, kFontSelection}});
    SetFontPanelTarget(GetWindowEventTarget(mWindow));
    RunScript({script::Down(200, 150), script::Up(200, 150), script::Down(205, 180), script::Choose(2),
               script::Down(115, 205), script::Up(115, 205), script::Down(115, 215), script::Up(115, 215),
               script::Down(115, 215), script::Up(115, 215), script::FontPick(0, 12)});
    EXPECT_EQ(mTrace, (std::vector<std::string>{"S:txfd 3", "C:txfd 3", "K:cloc 1", "K:cloc 1", "W:font 2"}));
    EXPECT_EQ(GetControlText(search), u"");
    EXPECT_EQ(GetControlText(combo), u"beta");
    EXPECT_EQ(GetControlValue(clock), 0); // up to 1, down to 0, then held at the minimum
}

TEST_F(WindowServerTest, TrackingAreasSeeTheMouseComeAndGo)
{
    const TrackingAreaRef whole = NewTrackingArea(mButton, Rect{}, 0x100000001ull);
    const TrackingAreaRef left = NewTrackingArea(mButton, Rect{0, 0, 10, 20}, 7);
    std::vector<std::string> seen;
    mHandlers.push_back(GetViewEventTarget(mButton)->InstallHandler(
        {{kClassControl, kControlTrackingAreaEntered}, {kClassControl, kControlTrackingAreaExited}},
        [&](HandlerCallRef, Event& ioEvent)
        {
            TrackingAreaRef area = 0;
            ioEvent.GetParam(kParamTrackingArea, kTypeTrackingArea, area);
            seen.push_back(std::to_string(ioEvent.Kind()) + ":" + std::to_string(GetTrackingAreaId(area)));
            return kNoErr;
        }));
    // The button covers global (110..190, 110..130); its left area (110..120).
    RunScript({script::Move(150, 120), script::Move(115, 120), script::Move(150, 125), script::Move(300, 300)});
    EXPECT_EQ(seen, (std::vector<std::string>{"23:4294967297", "23:7", "24:7", "24:4294967297"}));
    EXPECT_EQ(DisposeTrackingArea(left), kNoErr);
    EXPECT_EQ(DisposeTrackingArea(left), kParamErr);
    DisposeView(mButton);
    EXPECT_EQ(GetTrackingAreaId(whole), 0u); // gone with its view
}

TEST_F(WindowServerTest, CloseBoxDisposesUnlessHandled)
{
    const struct
    {
        OSStatus answer;
        bool alive;
    } cases[] = {{kNoErr, true}, {kEventNotHandled, false}};
    for (const auto& c : cases)
    {
        SetUp();
        Record(GetWindowEventTarget(mWindow), "W", {{kClassWindow, kWindowClose}}, c.answer);
        RunScript({script::Down(112, 84), script::Up(113, 85)});
        EXPECT_EQ(mTrace, std::vector<std::string>{"W:wind 72"});
        EXPECT_EQ(IsValidWindow(mWindow), c.alive);
        TearDown();
    }
}

TEST_F(WindowServerTest, GrowHonoursTheMaximumSize)
{
    mHandlers.push_back(GetWindowEventTarget(mWindow)->InstallHandler(
        {{kClassWindow, kWindowGetMaximumSize}},
        [](HandlerCallRef, Event& ioEvent) {
            return ioEvent.SetParam(kParamDimensions, kTypeQDPoint, QDPoint{320, 420});
        }));
    RunScript({script::Down(490, 390), script::Drag(700, 700), script::Up(700, 700)});
    EXPECT_EQ(GetWindowBounds(mWindow, kWindowContentRgn), (Rect{100, 100, 420, 320}));
}

TEST_F(WindowServerTest, KeysTravelTheFocusChainThenFallBack)
{
    ViewRef first = AddView(ViewKind::kEditText, Rect{10, 40, 100, 20});
    ViewRef second = AddView(ViewKind::kEditText, Rect{10, 70, 100, 20});
    AddView(ViewKind::kEditText, Rect{10, 100, 100, 20});
    ViewRef cancel = AddView(ViewKind::kPushButton, Rect{200, 10, 80, 20});
    SetWindowDefaultButton(mWindow, mButton);
    SetWindowCancelButton(mWindow, cancel);
    ASSERT_EQ(SetKeyboardFocus(mWindow, first, kControlFocusNextPart), kNoErr);
    Record(GetViewEventTarget(first), "1", {{kClassKeyboard, kRawKeyDown}, {kClassTextInput, 2}, {kClassTextField, 3}});
    Record(GetViewEventTarget(second), "2", {{kClassKeyboard, kRawKeyDown}, {kClassTextInput, 2}});
    Record(GetWindowEventTarget(mWindow), "W", {{kClassKeyboard, kRawKeyDown}, {kClassControl, kControlHit}});
    RunScript({script::Key(0, u"a"), script::Key(kKeyTab, u"\t"), script::Key(1, u"b"), script::Key(kKeyReturn, u"\r"),
               script::Key(kKeyEscape, u"\x1b"), script::Key(kKeyTab, u"\t", kShiftKey)});
    const std::vector<std::string> expected = {
        "1:keyb 1", "W:keyb 1", "1:text 2", "1:txfd 3",             // 'a' falls back to text input
        "1:keyb 1", "W:keyb 1",                                     // Tab moves the focus
        "2:keyb 1", "W:keyb 1", "2:text 2", "2:keyb 1", "W:keyb 1", // 'b', then Return...
        "W:cntl 1",                                                 // ...hits the default button
        "2:keyb 1", "W:keyb 1", "W:cntl 1",                         // Escape hits cancel
        "2:keyb 1", "W:keyb 1"};                                    // shift-Tab goes back
    EXPECT_EQ(mTrace, expected);
    EXPECT_EQ(GetControlText(first), u"a");
    EXPECT_EQ(GetControlText(second), u"b");
    EXPECT_EQ(GetKeyboardFocus(mWindow), first);
}

TEST_F(WindowServerTest, BackspaceTakesTheLastCharacter)
{
    ViewRef field = AddView(ViewKind::kEditText, Rect{10, 40, 100, 20});
    ASSERT_EQ(SetKeyboardFocus(mWindow, field, kControlFocusNextPart), kNoErr);
    RunScript({script::Key(0, u"a"), script::Key(11, u"b"), script::Key(51, u"\b")});
    EXPECT_EQ(GetControlText(field), u"a");
    RunScript({script::Key(51, u"\b"), script::Key(51, u"\b"), script::Key(0, u"\a")}); // BEL is no character
    EXPECT_EQ(GetControlText(field), u"");
}

// A change of enabled state reads back and is announced once; setting the same state again is silent.
TEST_F(WindowServerTest, EnablingAControlIsAnnouncedOnce)
{
    Record(GetViewEventTarget(mButton), "B", {{kClassControl, kControlEnabledStateChanged}});
    EXPECT_TRUE(IsViewEnabled(mButton));
    EXPECT_EQ(SetViewEnabled(mButton, false), kNoErr);
    EXPECT_FALSE(IsViewEnabled(mButton));
    EXPECT_EQ(SetViewEnabled(mButton, false), kNoErr);
    EXPECT_EQ(SetViewEnabled(mButton, true), kNoErr);
    EXPECT_TRUE(IsViewEnabled(mButton));
    EXPECT_EQ(mTrace, (std::vector<std::string>{"B:cntl 161", "B:cntl 161"}));
}

TEST_F(WindowServerTest, WindowPropertiesComeAndGo)
{
    const FourCharCode creator = FourCC("test"), tag = FourCC("prop");
    const std::uint32_t value = 42;
    std::uint32_t read = 0;
    ASSERT_EQ(SetWindowProperty(mWindow, creator, tag, &value, sizeof value), kNoErr);
    ASSERT_EQ(GetWindowProperty(mWindow, creator, tag, &read, sizeof read), kNoErr);
    EXPECT_EQ(read, 42u);
    EXPECT_EQ(RemoveWindowProperty(mWindow, creator, tag), kNoErr);
    EXPECT_NE(GetWindowProperty(mWindow, creator, tag, &read, sizeof read), kNoErr);
    EXPECT_NE(RemoveWindowProperty(mWindow, creator, tag), kNoErr);
    EXPECT_EQ(RemoveWindowProperty(nullptr, creator, tag), kParamErr);
}

// A disposed window takes its sheet with it, and is no longer the font panel's target.
TEST_F(WindowServerTest, DisposingAWindowTakesItsSheetAndFontTarget)
{
    SetFontPanelTarget(GetWindowEventTarget(mWindow));
    DisposeWindow(CreateWindow(kDocumentWindowClass, 0, kContent));
    EXPECT_EQ(FontPanelTarget(), GetWindowEventTarget(mWindow)) << "another window's disposal";
    WindowRef sheet = CreateWindow(kSheetWindowClass, kWindowStandardHandlerAttribute, Rect{0, 0, 200, 100});
    ASSERT_EQ(ShowSheetWindow(sheet, mWindow), kNoErr);
    ReleaseWindow(mWindow); // the sheet's retain is the last
    EXPECT_EQ(DisposeWindow(mWindow), kNoErr);
    EXPECT_FALSE(IsValidWindow(sheet));
    EXPECT_FALSE(IsValidWindow(mWindow));
    EXPECT_EQ(FontPanelTarget(), nullptr);
}

TEST_F(WindowServerTest, AViewCannotHoldItsOwnAncestor)
{
    ViewRef group = AddView(ViewKind::kGroupBox, Rect{10, 40, 200, 100});
    ViewRef inner = AddView(ViewKind::kUserPane, Rect{5, 5, 50, 50}, group);
    EXPECT_EQ(AddSubview(inner, group), kParamErr);
    EXPECT_EQ(AddSubview(group, group), kParamErr);
    EXPECT_EQ(AddSubview(group, mButton), kNoErr);
}

TEST_F(WindowServerTest, KindCodesHelpTagsAndDisabledMenus)
{
    EXPECT_EQ(GetControlKindCode(AddView(ViewKind::kSearchField, Rect{10, 40, 100, 20})), FourCC("srfd"));
    EXPECT_EQ(SetViewHelpTag(mButton, u"Press"), kNoErr);
    EXPECT_EQ(GetViewHelpTag(mButton), u"Press");
    EXPECT_EQ(SetViewHelpTag(nullptr, u"none"), kParamErr);
    MenuRef off = CreateMenu(7, kMenuItemDisabled);
    InsertMenuItem(off, 0, u"item", 0, 0);
    EXPECT_FALSE(IsMenuItemEnabled(off, 1)) << "the whole menu is disabled";
    MenuRef on = CreateMenu(8, 0);
    InsertMenuItem(on, 0, u"item", 0, 0);
    EXPECT_TRUE(IsMenuItemEnabled(on, 1));
}

TEST_F(WindowServerTest, AHandlerReachesTheStandardHandlerThroughCallNext)
{
    std::int16_t seen = -1;
    mHandlers.push_back(
        GetViewEventTarget(mButton)->InstallHandler({{kClassControl, kControlHitTest}},
                                                    [&](HandlerCallRef inCall, Event& ioEvent)
                                                    {
                                                        const OSStatus status = CallNext(inCall, ioEvent);
                                                        ioEvent.GetParam(kParamControlPart, kTypeControlPartCode, seen);
                                                        return status;
                                                    }));
    RunScript({script::Down(115, 115), script::Up(115, 115)});
    EXPECT_EQ(seen, kControlButtonPart);
    // An unhandled event climbs view, superview, content view, window, application.
    ViewRef pane = AddView(ViewKind::kUserPane, Rect{0, 100, 100, 100});
    ViewRef inner = AddView(ViewKind::kUserPane, Rect{0, 0, 50, 50}, pane);
    int reached = 0;
    mHandlers.push_back(ApplicationTarget().InstallHandler({{FourCC("test"), 1}},
                                                           [&](HandlerCallRef, Event&) { return ++reached, kNoErr; }));
    Event event(FourCC("test"), 1);
    EXPECT_EQ(GetViewEventTarget(inner)->Send(event), kNoErr);
    EXPECT_EQ(reached, 1);
}

TEST_F(WindowServerTest, ClicksCountWithinTimeAndDistance)
{
    std::vector<std::uint32_t> counts;
    mHandlers.push_back(GetWindowEventTarget(mWindow)->InstallHandler({{kClassWindow, kWindowHandleContentClick}},
                                                                      [&](HandlerCallRef, Event& ioEvent)
                                                                      {
                                                                          std::uint32_t count = 0;
                                                                          ioEvent.GetParam(kParamClickCount,
                                                                                           kTypeUInt32, count);
                                                                          counts.push_back(count);
                                                                          return kNoErr;
                                                                      }));
    // Exactly 30 ticks later and 4 px away is still a double click; 5 px, or 31 ticks, is not.
    RunScript({script::Down(300, 300), script::Up(300, 300), script::Wait(500000000), script::Down(304, 296),
               script::Up(304, 296), script::Down(309, 296), script::Up(309, 296), script::Wait(516666667),
               script::Down(309, 296), script::Up(309, 296)});
    EXPECT_EQ(counts, (std::vector<std::uint32_t>{1, 2, 1, 1}));
}

TEST_F(WindowServerTest, BlockingCallsEndWhenTheScriptRunsDry)
{
    // Tracking and StillDown release at the last point.
    PushScript({script::Down(300, 300), script::Drag(320, 310)});
    DeliverNextScriptItem();
    Point where;
    EXPECT_EQ(TrackMouseLocation(&where), MouseTrackingResult::kMouseDragged);
    EXPECT_EQ(TrackMouseLocation(&where), MouseTrackingResult::kMouseReleased);
    EXPECT_EQ(where, (Point{320, 310}));
    EXPECT_FALSE(StillDown());

    // A popup takes a choice, answers 0 to a dismissal, and leaves a non-menu item in place.
    MenuRef menu = CreateMenu(1, 0);
    InsertMenuItem(menu, 0, u"One", FourCC("one "), 0);
    InsertMenuItem(menu, 1, u"Two", FourCC("two "), 0);
    InsertMenuItem(menu, 2, u"Off", 0, kMenuItemDisabled);
    const struct
    {
        Items script;
        std::uint16_t chosen;
        std::size_t left;
    } popups[] = {{{script::Choose(2)}, 2, 0},
                  {{script::Choose(0)}, 0, 0},
                  {{script::Choose(3)}, 0, 0},
                  {{}, 0, 0},
                  {{script::Key(0, u"a")}, 0, 1}};
    for (const auto& c : popups)
    {
        PushScript(c.script);
        EXPECT_EQ(PopUpMenuSelect(menu, Point{150, 150}, 1), c.chosen);
        EXPECT_EQ(ScriptCount(), c.left);
    }
    DeliverNextScriptItem();

    // Nested modal loops both end, each with a line.
    WindowRef dialog =
        CreateWindow(kMovableModalWindowClass, kWindowStandardHandlerAttribute, Rect{200, 200, 100, 100});
    ShowWindow(dialog);
    OSStatus inner = kNoErr;
    MainLoop().AddTimer(Nanos::zero(), Nanos::zero(), [&](TimerRef) { inner = RunAppModalLoopForWindow(dialog); });
    EXPECT_EQ(RunAppModalLoopForWindow(dialog), kEventNotHandled);
    EXPECT_EQ(inner, kEventNotHandled);
    EXPECT_EQ(mLog, (std::vector<std::string>{"modal loop ended: the script is exhausted",
                                              "modal loop ended: the script is exhausted"}));
}

TEST_F(WindowServerTest, AScriptWithAModalWindowAPopupAndADragEndsByExhaustion)
{
    WindowRef dialog =
        CreateWindow(kMovableModalWindowClass, kWindowStandardHandlerAttribute, Rect{600, 200, 200, 100});
    ShowWindow(dialog);
    MenuRef menu = CreateMenu(2, 0);
    InsertMenuItem(menu, 0, u"A", 0, 0);
    InsertMenuItem(menu, 1, u"B", 0, 0);
    ViewRef popup = CreateView(ViewKind::kPopupButton, Rect{10, 10, 100, 20});
    AddSubview(GetContentView(dialog), popup);
    SetControlPopupMenu(popup, menu);
    int commandChecks = 0;
    mHandlers.push_back(ApplicationTarget().InstallHandler(
        {{kClassCommand, kCommandUpdateStatus}}, [&](HandlerCallRef, Event&) { return ++commandChecks, kNoErr; }));
    // A click on the document is refused while the dialog is modal; the popup takes B; the dialog is dragged.
    OSStatus dragged = kNoErr;
    mHandlers.push_back(GetWindowEventTarget(dialog)->InstallHandler({{kClassWindow, kWindowHandleContentClick}},
                                                                     [&](HandlerCallRef, Event&)
                                                                     {
                                                                         DragRef drag = NewDrag();
                                                                         dragged = TrackDrag(drag, Point{700, 280});
                                                                         DisposeDrag(drag);
                                                                         return kNoErr;
                                                                     }));
    // Then a drag starts from the dialog's content and drops where it began.
    PushScript({script::Down(300, 300), script::Up(300, 300), script::Down(615, 215), script::Choose(2),
                script::Down(700, 190), script::Drag(710, 195), script::Down(700, 280)});
    EXPECT_EQ(RunAppModalLoopForWindow(dialog), kEventNotHandled);
    EXPECT_EQ(GetControlValue(popup), 2);
    EXPECT_EQ(commandChecks, 2);
    EXPECT_EQ(GetWindowBounds(dialog, kWindowContentRgn), (Rect{610, 205, 200, 100}));
    EXPECT_EQ(mLog.front(), "click refused: a modal window or sheet blocks the window");
    EXPECT_EQ(dragged, kDragNotAcceptedErr);
}

TEST_F(WindowServerTest, AClickInAnInactiveWindowAsksHowToActivate)
{
    const struct
    {
        int answer; // -1: no handler of 'wind' 7
        std::vector<std::string> trace;
    } cases[] = {
        {-1, {"W:wind 7", "O:wind 6", "W:wind 5", "B:cntl 9", "W:wind 85"}},
        {int(kActivateAndHandleClick), {"W:wind 7", "O:wind 6", "W:wind 5", "B:cntl 9", "W:wind 85", "W:wind 85"}},
        {int(kDoNotActivateAndIgnoreClick), {"W:wind 7", "W:wind 7"}},
        {int(kDoNotActivateAndHandleClick), {"W:wind 7", "W:wind 85", "W:wind 7", "W:wind 85"}},
    };
    for (const auto& c : cases)
    {
        SetUp();
        WindowRef other = CreateWindow(kDocumentWindowClass, kDocAttributes, Rect{600, 100, 300, 200});
        ShowWindow(other);
        ASSERT_FALSE(IsWindowActive(mWindow));
        if (c.answer >= 0)
        {
            mHandlers.push_back(GetWindowEventTarget(mWindow)->InstallHandler(
                {{kClassWindow, kWindowGetClickActivation}}, [&](HandlerCallRef, Event& ioEvent)
                { return ioEvent.SetParam(kParamClickActivation, kTypeClickActivation, std::uint32_t(c.answer)); }));
        }
        Record(GetWindowEventTarget(mWindow), "W",
               {{kClassWindow, kWindowGetClickActivation},
                {kClassWindow, kWindowActivated},
                {kClassWindow, kWindowDeactivated},
                {kClassWindow, kWindowHandleContentClick}});
        Record(GetWindowEventTarget(other), "O",
               {{kClassWindow, kWindowActivated}, {kClassWindow, kWindowDeactivated}});
        Record(GetViewEventTarget(mButton), "B",
               {{kClassControl, kControlActivate}, {kClassControl, kControlDeactivate}});
        RunScript({script::Down(300, 300), script::Up(300, 300), script::Down(300, 300), script::Up(300, 300)});
        EXPECT_EQ(mTrace, c.trace);
        TearDown();
    }
}

TEST_F(WindowServerTest, ObjectsMayGoInsideTheirOwnHandlers)
{
    // A view removed by its hit handler; then the window closed by its close handler.
    mHandlers.push_back(GetViewEventTarget(mButton)->InstallHandler(
        {{kClassControl, kControlHit}}, [&](HandlerCallRef, Event&) { return DisposeView(mButton); }));
    mHandlers.push_back(GetWindowEventTarget(mWindow)->InstallHandler(
        {{kClassWindow, kWindowClose}}, [&](HandlerCallRef, Event&) { return ReleaseWindow(mWindow), kNoErr; }));
    RunScript({script::Down(115, 115), script::Up(115, 115)});
    EXPECT_FALSE(IsValidView(mButton));
    RunScript({script::Down(112, 84), script::Up(112, 84)});
    EXPECT_FALSE(IsValidWindow(mWindow));
}

TEST_F(WindowServerTest, RetainsAndSheetsKeepTheParent)
{
    WindowRef sheet = CreateWindow(kSheetWindowClass, kWindowStandardHandlerAttribute, Rect{0, 0, 200, 100});
    ASSERT_EQ(ShowSheetWindow(sheet, mWindow), kNoErr);
    EXPECT_EQ(GetWindowRetainCount(mWindow), 2u);
    EXPECT_EQ(ReleaseWindow(mWindow), 1u);
    EXPECT_EQ(GetWindowBounds(sheet, kWindowContentRgn), (Rect{200, 100, 200, 100}));
    Record(GetViewEventTarget(mButton), "B", kControlTypes);
    RunScript({script::Down(115, 115), script::Up(115, 115)}); // beside the sheet: refused
    EXPECT_TRUE(mTrace.empty());
    EXPECT_EQ(HideSheetWindow(sheet), kNoErr);
    EXPECT_FALSE(IsValidWindow(mWindow));
}

TEST_F(WindowServerTest, BadReferencesLogAndAnswerEmpty)
{
    WindowRef gone = CreateWindow(kDocumentWindowClass, 0, kContent);
    DisposeWindow(gone);
    EXPECT_EQ(ShowWindow(gone), kParamErr);
    EXPECT_EQ(ShowWindow(nullptr), kParamErr);
    EXPECT_EQ(GetWindowBounds(gone, kWindowContentRgn), Rect{});
    EXPECT_EQ(SetControlValue(nullptr, 1), kParamErr);
    EXPECT_EQ(GetWindowEventTarget(nullptr), nullptr);
    EXPECT_EQ(PopUpMenuSelect(nullptr, Point{}, 0), 0);
    EXPECT_EQ(mLog.size(), 6u);
}

// Calls on a menu or window that is gone, or was never made, answer an error (or nothing) and leave a line in the
// debug log: never a crash.
TEST_F(WindowServerTest, CallsOnBadMenusAndWindowsAnswerErrors)
{
    MenuRef gone = CreateMenu(7, 0);
    InsertMenuItem(gone, 0, u"A", 1, 0);
    ReleaseMenu(gone);
    WindowRef closed = CreateWindow(kDocumentWindowClass, 0, Rect{0, 0, 10, 10});
    DisposeWindow(closed);
    for (MenuRef menu : {MenuRef(nullptr), gone})
    {
        EXPECT_EQ(SetMenuTitle(menu, u"T"), kParamErr);
        EXPECT_EQ(GetMenuTitle(menu), u"");
        EXPECT_EQ(SetMenuItemText(menu, 1, u"B"), kParamErr);
        EXPECT_EQ(GetMenuItemText(menu, 1), u"");
        EXPECT_EQ(SetMenuItemCommandID(menu, 1, 2), kParamErr);
        EXPECT_EQ(GetMenuItemCommandID(menu, 1), 0u);
        EXPECT_EQ(EnableMenuItem(menu, 1, false), kParamErr);
        EXPECT_FALSE(IsMenuItemEnabled(menu, 1));
        EXPECT_EQ(GetMenuItemAttributes(menu, 1), 0u);
    }
    for (WindowRef window : {WindowRef(nullptr), closed})
        EXPECT_EQ(SetThemeWindowBackground(window, 1), kParamErr);
    EXPECT_GE(mLog.size(), 20u);
}

} // namespace
