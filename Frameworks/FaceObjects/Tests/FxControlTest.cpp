#include "FxControl.h"
#include "CxDebug.h"
#include "CxFile.h"
#include "CxSystem.h"
#include "FxInterfaceFile.h"
#include "FxMenu.h"
#include "FxTextValidator.h"
#include "PfDrag.h"
#include "PfRecordingCanvas.h"
#include "PfRunLoop.h"
#include "PfTheme.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace
{

using namespace pf;

const std::string kFixtures = std::string(SKYVANE_SOURCE_DIR) + "/Frameworks/FaceObjects/Tests/data";

// Fails on "bad", rewrites "ok" to "OK".
class TestValidator : public FxTextValidator
{
protected:
    void OnValidate(CxString& ioText, bool& ioOk) override
    {
        if (ioText == "bad")
            ioOk = false;
        if (ioText == "ok")
            ioText = "OK";
    }
};

// Records the 'FACE' and forwarded events reaching a target.
class Listener : public FxEventHandler
{
public:
    Listener(EventTarget* inTarget, std::initializer_list<EventTypeSpec> inTypes)
    {
        InstallHandler(inTarget, inTypes.begin(), CxUint32(inTypes.size()));
    }
    OSStatus Event(HandlerCallRef, pf::Event& ioEvent) override
    {
        ViewRef control = nullptr;
        ioEvent.GetParam(kParamDirectObject, kTypeControlRef, control);
        mHeard.push_back({ioEvent.Class(), ioEvent.Kind(), control});
        return mAnswer;
    }
    OSStatus mAnswer = kNoErr;
    struct Heard
    {
        FourCharCode eventClass;
        std::uint32_t kind;
        ViewRef control;
        bool operator==(const Heard&) const = default;
    };
    std::vector<Heard> mHeard;
};

class FxControlTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MainLoop().ResetForTesting(ClockKind::kVirtual);
        ResetWindowServerForTesting();
        std::string error;
        mFile = FxInterfaceFile::OpenPath(kFixtures + "/Controls.fxui", error);
        ASSERT_TRUE(mFile) << error;
        mWindow = mFile->CreateWindow("Controls");
        ASSERT_TRUE(mWindow);
        FxWindow* owner = Owner();
        SetWindowProperty(mWindow, FourCC("FACE"), FourCC("WIND"), &owner, sizeof(owner));
        ShowWindow(mWindow);
        SelectWindow(mWindow);
        FxRegisterTextValidator(FourCC("TEST"), []() -> FxTextValidator* { return new TestValidator; });
    }
    void TearDown() override
    {
        FxRegisterTextValidator(FourCC("TEST"), nullptr);
        ResetWindowServerForTesting();
    }
    FxWindow* Owner() { return reinterpret_cast<FxWindow*>(&mOwnerTag); }
    ViewRef View(std::int32_t inId) { return FindControlByID(mWindow, FourCC("FACE"), inId); }
    void Run()
    {
        while (DeliverNextScriptItem())
        {
        }
    }

    int mOwnerTag = 0;
    std::unique_ptr<FxInterfaceFile> mFile;
    WindowRef mWindow = nullptr;
};

using Wrap = std::function<FxControl*(ViewRef)>;
template <class T> Wrap Make()
{
    return [](ViewRef inView) -> FxControl* { return new T(inView); };
}

TEST_F(FxControlTest, EveryClassWrapsItsPlatformControl)
{
    struct Row
    {
        std::int32_t id;
        Wrap wrap;
        std::function<bool(FxControl*)> is;
    };
    const std::vector<Row> rows = {
        {1, Make<FxStaticText>(), [](FxControl* c) { return AsFxStaticText(c) != nullptr; }},
        {2, Make<FxEditText>(), [](FxControl* c) { return AsFxEditText(c) != nullptr; }},
        {4, Make<FxEditDate>(), [](FxControl* c) { return AsFxEditDate(c) && !AsFxEditTime(c); }},
        {5, Make<FxEditTime>(), [](FxControl* c) { return AsFxEditTime(c) != nullptr; }},
        {6, Make<FxSearchField>(), [](FxControl* c) { return AsFxSearchField(c) != nullptr; }},
        {7, Make<FxComboBox>(), [](FxControl* c) { return AsFxComboBox(c) != nullptr; }},
        {8, Make<FxPopupButton>(), [](FxControl* c) { return AsFxPopupButton(c) != nullptr; }},
        {9, Make<FxProgressBar>(), [](FxControl* c) { return AsFxProgressBar(c) != nullptr; }},
        {10, Make<FxSlider>(), [](FxControl* c) { return AsFxSlider(c) && AsFxActionControl(c); }},
        {11, Make<FxScrollBar>(), [](FxControl* c) { return AsFxScrollBar(c) && !AsFxSlider(c); }},
        {12, Make<FxInvisible>(), [](FxControl* c) { return AsFxInvisible(c) != nullptr; }},
        {13, Make<FxButton>(), [](FxControl* c) { return AsFxButton(c) != nullptr; }},
        {14, Make<FxCheckBox>(), [](FxControl* c) { return AsFxCheckBox(c) != nullptr; }},
        {15, Make<FxRadioButton>(), [](FxControl* c) { return AsFxRadioButton(c) != nullptr; }},
        {16, Make<FxIcon>(), [](FxControl* c) { return AsFxIcon(c) && AsFxPlatformControl(c); }},
        {17, Make<FxChasingArrows>(), [](FxControl* c) { return AsFxChasingArrows(c) != nullptr; }},
        {18, Make<FxLittleArrows>(), [](FxControl* c) { return AsFxLittleArrows(c) != nullptr; }},
        {19, Make<FxTabs>(), [](FxControl* c) { return AsFxTabs(c) && !AsFxButton(c); }},
        {20, Make<FxImage>(), [](FxControl* c) { return AsFxImage(c) != nullptr; }},
        {21, Make<FxSegmentView>(), [](FxControl* c) { return AsFxSegmentView(c) != nullptr; }},
        {22, Make<FxHierarchy>(), [](FxControl* c) { return AsFxHierarchy(c) && AsFxPlatformControl(c); }},
        {23, Make<FxActionControl>(), [](FxControl* c) { return AsFxActionControl(c) && !AsFxSlider(c); }},
        {24, Make<FxPlatformControl>(), [](FxControl* c) { return AsFxPlatformControl(c) && !AsFxIcon(c); }},
    };
    std::vector<std::unique_ptr<FxControl>> wrappers;
    for (const Row& row : rows)
    {
        const ViewRef view = View(row.id);
        ASSERT_TRUE(view) << row.id;
        wrappers.emplace_back(row.wrap(view));
        FxControl* control = wrappers.back().get();
        EXPECT_TRUE(row.is(control)) << row.id;
        EXPECT_EQ(FxControl::FromRef(view), control) << row.id;
        EXPECT_EQ(control->Id(), row.id);
        EXPECT_EQ(control->Window(), Owner()) << row.id;
        EXPECT_EQ(control->Parent(), nullptr) << row.id;
    }
    EXPECT_EQ(AsFxTabs(nullptr), nullptr);
    EXPECT_EQ(FxControl::FromRef(nullptr), nullptr);
    EXPECT_EQ(FxControl::FromRef(GetContentView(mWindow)), nullptr);
    // The static text takes its line setting; the password field its tag; the icon keeps the file's type.
    std::uint8_t multiLine = 1;
    EXPECT_EQ(GetControlProperty(View(1), FxControlDataCreator(0), FourCC("stim"), &multiLine, 1), kNoErr);
    EXPECT_EQ(multiLine, 0);
    // The tabs find their panes by id, wrapped or not.
    auto* tabs = AsFxTabs(wrappers[17].get());
    // The tabs delete this one too, though it sits in an unwrapped pane.
    auto* inside = new FxCheckBox(View(2001));
    EXPECT_EQ(tabs->GetControlById(2001), inside);
    EXPECT_EQ(tabs->GetControlById(2000), nullptr);
    EXPECT_EQ(tabs->CountControls(), 3);
    EXPECT_EQ(tabs->GetControlByIndex(1), nullptr);
    EXPECT_EQ(inside->Parent(), nullptr);
    const std::vector<ViewRef> views = {View(2001), View(19)};
    wrappers.clear();
    for (const ViewRef view : views)
        EXPECT_FALSE(IsValidView(view));
}

TEST_F(FxControlTest, BindingsFollowTheParentsEdges)
{
    struct Row
    {
        const char* name;
        FxBinding binding;
        CxRect grown;
        CxRect shrunk;
    };
    // A control at (20, 10)-(60, 30) in a 100 x 80 parent, which grows to 150 x 120 and shrinks to 80 x 60.
    const std::vector<Row> rows = {
        {"left and right", {true, false, true, false}, CxRect(20, 10, 110, 30), CxRect(20, 10, 40, 30)},
        {"right only", {false, false, true, false}, CxRect(70, 10, 110, 30), CxRect(0, 10, 40, 30)},
        {"left and top only", {true, true, false, false}, CxRect(20, 10, 60, 30), CxRect(20, 10, 60, 30)},
        {"bottom only", {false, false, false, true}, CxRect(20, 50, 60, 70), CxRect(20, -10, 60, 10)},
        {"top and bottom", {false, true, false, true}, CxRect(20, 10, 60, 70), CxRect(20, 10, 60, 10)},
    };
    FxButton button(View(13));
    for (const Row& row : rows)
    {
        for (const auto& [parent, expected] :
             {std::pair(CxRect(0, 0, 150, 120), row.grown), std::pair(CxRect(0, 0, 80, 60), row.shrunk)})
        {
            button.SetBounds(CxRect(20, 10, 60, 30));
            button.SetBinding(row.binding);
            button.ParentResized(CxRect(0, 0, 100, 80), parent);
            const CxRect bounds = button.Bounds();
            EXPECT_EQ(bounds.AsString(), expected.AsString()) << row.name << " in " << parent.AsString().AsUtf8();
        }
    }
}

TEST_F(FxControlTest, EditTextValidatesOnReturnTabAndLeaving)
{
    FxEditText field(View(2));
    FxEditText unchecked(View(3)); // its code is unknown: no validator
    Listener window(GetWindowEventTarget(mWindow), {{FourCC("FACE"), 2}, {kClassTextField, kTextFieldTextDidChange}});
    field.SetText("start");
    ASSERT_EQ(SetKeyboardFocus(mWindow, field.GetRef(), kControlFocusNextPart), kNoErr);

    struct Row
    {
        const char* name;
        std::u16string typed;
        std::uint32_t key;
        std::u16string shown;
        bool validated;
        bool beeps;
    };
    const std::vector<Row> rows = {
        {"Return on a failing text", u"bad", kKeyReturn, u"bad", false, true},
        {"Tab on a failing text", u"bad", kKeyTab, u"bad", false, true},
        {"Enter on a text the validator rewrites", u"ok", kKeyEnter, u"OK", true, false},
    };
    for (const Row& row : rows)
    {
        SetControlText(field.GetRef(), row.typed);
        window.mHeard.clear();
        CxDebugCapture capture;
        PushScript(script::Key(row.key, u""));
        Run();
        EXPECT_EQ(GetControlText(field.GetRef()), row.shown) << row.name;
        EXPECT_EQ(GetKeyboardFocus(mWindow), field.GetRef()) << row.name;
        EXPECT_EQ(capture.Contains("Beep"), row.beeps) << row.name;
        const std::vector<Listener::Heard> expected =
            row.validated ? std::vector<Listener::Heard>{{FourCC("FACE"), 2, field.GetRef()}}
                          : std::vector<Listener::Heard>{};
        EXPECT_EQ(window.mHeard, expected) << row.name;
    }
    std::int16_t selection[2] = {-1, -1};
    GetControlProperty(field.GetRef(), FxControlDataCreator(kControlEditTextPart), FourCC("sele"), selection,
                       sizeof(selection));
    EXPECT_EQ(selection[0], 0);
    EXPECT_EQ(selection[1], 32767);

    // Leaving the field with a failing text puts the last validated one back.
    {
        CxDebugCapture capture;
        SetControlText(field.GetRef(), u"bad");
        SetKeyboardFocus(mWindow, unchecked.GetRef(), kControlFocusNextPart);
        EXPECT_EQ(field.Text(), CxString("OK"));
        EXPECT_TRUE(capture.Contains("Beep"));
    }
    // Without a validator Return and Tab go on to the platform: Tab moves the focus on.
    SetControlText(unchecked.GetRef(), u"bad");
    PushScript(script::Key(kKeyTab, u""));
    Run();
    EXPECT_NE(GetKeyboardFocus(mWindow), unchecked.GetRef());
    EXPECT_TRUE(unchecked.Validate());

    // Typing reaches the window as a text change; with a wrapped parent the validation goes to the parent.
    FxInvisible pane(View(12));
    field.SetParent(&pane);
    Listener parent(GetViewEventTarget(pane.GetRef()), {{FourCC("FACE"), 2}});
    window.mHeard.clear();
    SetKeyboardFocus(mWindow, field.GetRef(), kControlFocusNextPart);
    SetControlText(field.GetRef(), u"o");
    PushScript({script::Key(0, u"k"), script::Key(kKeyReturn, u"")});
    Run();
    EXPECT_EQ(field.Text(), CxString("OK"));
    EXPECT_EQ(parent.mHeard, (std::vector<Listener::Heard>{{FourCC("FACE"), 2, field.GetRef()}}));
    EXPECT_EQ(window.mHeard,
              (std::vector<Listener::Heard>{{kClassTextField, kTextFieldTextDidChange, field.GetRef()}}));

    // A validator attached by hand replaces the file's; detaching leaves it to the caller.
    auto* own = new TestValidator;
    field.AttachValidator(own);
    field.DetachValidator(own);
    EXPECT_TRUE(field.Validate());
    delete own;
    AddSubview(GetContentView(mWindow), field.GetRef()); // the pane would delete a wrapped child
}

TEST_F(FxControlTest, ComboAndPopupTitlesStayWithTheirItems)
{
    FxComboBox combo(View(7));
    combo.RemoveAll();
    for (const char* title : {"a", "b", "c"})
        combo.AppendItemWithTitle("x", title);
    std::vector<std::string> texts;
    for (int index = 1; index <= combo.CountItems(); ++index)
        texts.push_back(combo.GetItemText(index).AsUtf8());
    EXPECT_EQ(texts, (std::vector<std::string>{"x", "x (2)", "x (3)"}));
    EXPECT_EQ(combo.GetItemTitle("x (3)"), CxString("c"));
    EXPECT_EQ(combo.GetItemTitle("y"), CxString());
    pf::Event selected(kClassComboBox, kComboBoxListItemSelected);
    EXPECT_EQ(GetViewEventTarget(combo.GetRef())->Send(selected), kEventNotHandled);

    FxPopupButton popup(View(8));
    ASSERT_EQ(popup.CountItems(), 4);
    for (int index = 1; index <= 4; ++index)
        popup.SetItemTitle(index, CxString("t") += CxString(CxSint32(index)));
    {
        CxDebugCapture capture;
        popup.SetItemTitle(5, "t5");
        EXPECT_TRUE(capture.Contains("inIndex <= CountItems()"));
    }
    EXPECT_EQ(popup.GetItemTitle(5), CxString("t5"));
    popup.RemoveItem(5); // no such item: nothing moves
    popup.RemoveItem(2);
    std::vector<std::string> rows;
    for (int index = 1; index <= 4; ++index)
        rows.push_back(popup.GetItemText(index).AsUtf8() + "=" + popup.GetItemTitle(index).AsUtf8());
    EXPECT_EQ(rows, (std::vector<std::string>{"One=t1", "Three=t3", "Four=t4", "=t5"}));
    EXPECT_EQ(GetControlMaximum(popup.GetRef()), 3);
    popup.AppendSeparator();
    EXPECT_EQ(GetControlMaximum(popup.GetRef()), 4);
    popup.RemoveAll();
    EXPECT_EQ(std::tuple(GetControlMaximum(popup.GetRef()), popup.GetItemTitle(1)), std::tuple(0, CxString()));
}

TEST_F(FxControlTest, TabsShowTheirPaneAndArrowsStepByTheirIncrement)
{
    FxTabs tabs(View(19));
    const auto shown = [&]
    {
        std::vector<bool> visible;
        for (std::int32_t id : {1000, 2000, 3000})
            visible.push_back(IsViewVisible(View(id)));
        return visible;
    };
    EXPECT_EQ(shown(), (std::vector<bool>{true, false, false}));
    pf::Event changed(kClassControl, kControlValueFieldChanged);
    tabs.SetValue(2);
    EXPECT_EQ(GetViewEventTarget(tabs.GetRef())->Send(changed), kEventNotHandled);
    EXPECT_EQ(shown(), (std::vector<bool>{false, true, false}));
    SetViewVisible(View(1000), true);
    GetViewEventTarget(tabs.GetRef())->Send(changed); // the same tab: nothing changes
    EXPECT_EQ(shown(), (std::vector<bool>{true, true, false}));
    tabs.SetTabTitle(2, "Zwei");
    EXPECT_EQ(std::tuple(tabs.TabTitle(1), tabs.TabTitle(2), tabs.TabTitle(3), tabs.TabTitle(4)),
              std::tuple(CxString("One"), CxString("Zwei"), CxString("Three"), CxString()));

    // Nibbed 16 wide, the arrows come up 12 x 18 moved by (3, 2); the file's increment is 5.
    FxLittleArrows arrows(View(18));
    EXPECT_EQ(GetViewFrame(arrows.GetRef()), (Rect{343, 142, 12, 18}));
    FxLittleArrows made(Owner(), CxRect(0, 0, 16, 24));
    made.SetMaximum(10);
    struct Row
    {
        FxLittleArrows* control;
        std::int16_t part;
        CxSint32 value;
    };
    for (const Row& row : {Row{&arrows, kControlUpButtonPart, 5}, Row{&arrows, kControlUpButtonPart, 10},
                           Row{&arrows, kControlDownButtonPart, 5}, Row{&made, kControlUpButtonPart, 1},
                           Row{&made, kControlDownButtonPart, 0}, Row{&made, kControlDownButtonPart, 0}})
    {
        SimulateClick(row.control->GetRef(), row.part, 0);
        EXPECT_EQ(row.control->Value(), row.value);
    }
    EXPECT_EQ(GetViewFrame(made.GetRef()), (Rect{0, 0, 16, 24}));
}

TEST_F(FxControlTest, NotificationsGoOnToTheParentOrWindow)
{
    Listener window(GetWindowEventTarget(mWindow), {{kClassControl, kControlIndicatorMoved},
                                                    {kClassClockView, kClockDateOrTimeChanged},
                                                    {kClassTextField, kTextFieldTextDidChange}});
    FxScrollBar scroll(View(11));
    FxEditDate date(View(4));
    FxSearchField search(View(6));
    FxInvisible pane(View(12));
    struct Row
    {
        const char* name;
        FxControl* control;
        FourCharCode eventClass;
        std::uint32_t kind;
        OSStatus status;
        std::size_t heard;
    };
    const std::vector<Row> rows = {
        // Not handled: after the forwarded copy the event itself climbs to the window.
        {"indicator moved", &scroll, kClassControl, kControlIndicatorMoved, kEventNotHandled, 2},
        {"clock changed", &date, kClassClockView, kClockDateOrTimeChanged, kNoErr, 1},
        {"search text changed", &search, kClassTextField, kTextFieldTextDidChange, kNoErr, 1},
        {"search cancelled", &search, kClassSearchField, kSearchFieldCancelClicked, kNoErr, 0},
    };
    window.mAnswer = kEventNotHandled;
    SetControlText(search.GetRef(), u"wind");
    for (const Row& row : rows)
    {
        window.mHeard.clear();
        pf::Event event(row.eventClass, row.kind);
        event.SetParam(kParamDirectObject, kTypeControlRef, row.control->GetRef());
        EXPECT_EQ(GetViewEventTarget(row.control->GetRef())->Send(event), row.status) << row.name;
        EXPECT_EQ(window.mHeard.size(), row.heard) << row.name;
    }
    EXPECT_EQ(search.Text(), CxString());
    // The scroll bar's action does nothing: a click on its arrow leaves the value.
    scroll.SetValue(50);
    SimulateClick(scroll.GetRef(), kControlDownButtonPart, 0);
    EXPECT_EQ(scroll.Value(), 50);

    // The invisible pane hits in its own coordinates, wherever it sits in its parent.
    for (const auto& [where, part] :
         {std::pair(Point{0, 0}, kControlButtonPart), std::pair(Point{39, 29}, kControlButtonPart),
          std::pair(Point{40, 10}, kControlNoPart), std::pair(Point{275, 120}, kControlNoPart)})
    {
        pf::Event hit(kClassControl, kControlHitTest);
        hit.SetParam(kParamMouseLocation, kTypeHIPoint, where);
        std::int16_t answer = -1;
        EXPECT_EQ(GetViewEventTarget(pane.GetRef())->Send(hit), kNoErr);
        hit.GetParam(kParamControlPart, kTypeControlPartCode, answer);
        EXPECT_EQ(answer, part) << where.x << "," << where.y;
    }
}

TEST_F(FxControlTest, ClocksShowAndReadLocalTimes)
{
    struct Row
    {
        const char* zone;
        double instant;
        int year, month, day, hour, minute;
        double readBack;
    };
    // Tests/tools/make_clock_cases.py (Python's zoneinfo).
    const std::vector<Row> rows = {
        {"America/New_York", 794645970, 2026, 3, 8, 1, 59, 794645940},
        {"America/New_York", 794646045, 2026, 3, 8, 3, 0, 794646000},
        {"America/New_York", 815203800, 2026, 11, 1, 1, 30, 815203800},
        {"America/New_York", 815207400, 2026, 11, 1, 1, 30, 815203800},
        {"Europe/Berlin", 796438740, 2026, 3, 29, 1, 59, 796438740},
        {"Europe/Berlin", 796438810, 2026, 3, 29, 3, 0, 796438800},
        {"Europe/Berlin", 814583700, 2026, 10, 25, 2, 15, 814580100},
        {"Europe/Berlin", 804859200, 2026, 7, 4, 14, 0, 804859200},
    };
    const char* saved = std::getenv("TZ");
    const std::string restore = saved != nullptr ? saved : "";
    FxEditDate date(View(4));
    FxEditTime time(View(5));
    for (const Row& row : rows)
    {
        ::setenv("TZ", row.zone, 1);
        FxSetDateControls(&date, &time, CxDate(row.instant));
        const CxDateFields day = date.Fields();
        const CxDateFields clock = time.Fields();
        EXPECT_EQ(std::tuple(day.mYear, day.mMonth, day.mDay, clock.mHour, clock.mMinute, clock.mSecond),
                  std::tuple(row.year, row.month, row.day, row.hour, row.minute, 0))
            << row.zone << " " << row.instant;
        EXPECT_EQ(FxGetDateFromControls(&date, &time).AbsoluteTime(), row.readBack) << row.zone << " " << row.instant;
    }
    if (saved != nullptr)
        ::setenv("TZ", restore.c_str(), 1);
    else
        ::unsetenv("TZ");
    CxDebugCapture capture;
    FxGetDateFromControls(nullptr, &time);
    EXPECT_TRUE(capture.Contains("inDateControl != nil"));
}

TEST_F(FxControlTest, FocusInAFloatingWindowTakesTheNextKey)
{
    const WindowRef panel = mFile->CreateWindow("Panel");
    ShowWindow(panel);
    ASSERT_EQ(ActiveWindow(), mWindow);
    FxEditText field(FindControlByID(panel, FourCC("FACE"), 2));
    field.SetText("");
    field.Focus(kControlFocusNextPart);
    PushScript(script::Key(0, u"z"));
    Run();
    EXPECT_EQ(field.Text(), CxString("z"));
    DisposeWindow(panel);
    EXPECT_EQ(GetUserFocusWindow(), nullptr);
}

TEST_F(FxControlTest, CodeConstructorsMakeTheirKindInTheOwnersWindow)
{
    struct Row
    {
        std::function<FxControl*()> make;
        ViewKind kind;
        const char* title;
    };
    const CxRect bounds(10, 20, 110, 44);
    const std::vector<Row> rows = {
        {[&] { return new FxStaticText(Owner(), bounds); }, ViewKind::kStaticText, ""},
        {[&] { return new FxEditText(Owner(), bounds, true); }, ViewKind::kEditText, ""},
        {[&] { return new FxEditDate(Owner(), bounds); }, ViewKind::kClock, ""},
        {[&] { return new FxEditTime(Owner(), bounds); }, ViewKind::kClock, ""},
        {[&] { return new FxSearchField(Owner(), bounds); }, ViewKind::kSearchField, ""},
        {[&] { return new FxComboBox(Owner(), bounds); }, ViewKind::kComboBox, ""},
        {[&] { return new FxPopupButton(Owner(), bounds); }, ViewKind::kPopupButton, "State:"},
        {[&] { return new FxProgressBar(Owner(), bounds); }, ViewKind::kProgressBar, ""},
        {[&] { return new FxSlider(Owner(), bounds); }, ViewKind::kSlider, ""},
        {[&] { return new FxScrollBar(Owner(), bounds); }, ViewKind::kScrollBar, ""},
        {[&] { return new FxInvisible(Owner(), bounds); }, ViewKind::kUserPane, ""},
        {[&] { return new FxButton(Owner(), bounds); }, ViewKind::kPushButton, "Button"},
        {[&] { return new FxCheckBox(Owner(), bounds); }, ViewKind::kCheckBox, "Checkbox"},
        {[&] { return new FxRadioButton(Owner(), bounds); }, ViewKind::kRadioButton, "Radio"},
        {[&] { return new FxIcon(Owner(), bounds); }, ViewKind::kIcon, ""},
        {[&] { return new FxChasingArrows(Owner(), bounds); }, ViewKind::kChasingArrows, ""},
        {[&] { return new FxLittleArrows(Owner(), bounds); }, ViewKind::kLittleArrows, ""},
        {[&] { return new FxTabs(Owner(), bounds); }, ViewKind::kTabs, ""},
        {[&] { return new FxHierarchy(Owner(), bounds); }, ViewKind::kDataBrowser, ""},
    };
    for (const Row& row : rows)
    {
        std::unique_ptr<FxControl> control(row.make());
        const ViewRef view = control->GetRef();
        ASSERT_TRUE(view);
        EXPECT_EQ(GetViewKind(view), row.kind);
        EXPECT_EQ(GetSuperview(view), GetContentView(mWindow));
        EXPECT_EQ(control->Bounds().AsString(), bounds.AsString());
        EXPECT_EQ(control->Title(), CxString(row.title));
        EXPECT_EQ(FxControl::FromRef(view), control.get());
        EXPECT_EQ(control->Kind().mKind, GetControlKindCode(view));
    }
    FxEditText password(Owner(), bounds, true);
    EXPECT_EQ(password.Text(), CxString("Editable"));
    password.SetHelpText(CxString::FromUtf8("Kennwort → hier"));
    EXPECT_EQ(GetViewHelpTag(password.GetRef()), u"Kennwort → hier");
    std::unique_ptr<FxTextValidator> plain(FxMakeTextValidator(FourCC("TXVL")));
    CxString text = "any";
    bool ok = true;
    ASSERT_TRUE(plain);
    plain->Validate(text, ok);
    EXPECT_TRUE(ok && text == "any");
    EXPECT_EQ(FxMakeTextValidator(FourCC("NONE")), nullptr);
    FxProgressBar progress(Owner(), bounds);
    EXPECT_EQ(std::tuple(progress.Value(), progress.Maximum(), progress.IsIndeterminate()), std::tuple(30, 100, false));
    FxTabs tabs(Owner(), bounds);
    EXPECT_EQ(std::tuple(tabs.Maximum(), tabs.Value()), std::tuple(4, 1));
    FxHierarchy column(Owner(), bounds);
    EXPECT_EQ(GetDataBrowserViewStyle(column.GetRef()), FourCC("clmv"));
    // The segmented view stays out of the window.
    FxSegmentView segments(Owner(), bounds);
    EXPECT_EQ(std::tuple(GetViewKind(segments.GetRef()), GetSuperview(segments.GetRef())),
              std::tuple(ViewKind::kSegmented, ViewRef(nullptr)));

    // A pointer that no window carries gives a null control.
    CxDebugCapture capture;
    int stranger = 0;
    FxButton lost(reinterpret_cast<FxWindow*>(&stranger), bounds);
    EXPECT_EQ(lost.GetRef(), nullptr);
    EXPECT_TRUE(capture.Contains("no window carries the FxWindow"));
    EXPECT_EQ(std::tuple(lost.Value(), lost.Title(), lost.IsVisible()), std::tuple(0, CxString(), false));
}

std::vector<Operation> Draw(ViewRef inView)
{
    RecordingCanvas canvas(500, 500);
    Canvas* context = &canvas;
    pf::Event draw(kClassControl, kControlDraw);
    draw.SetParam(kParamCGContext, kTypeCGContext, context);
    GetViewEventTarget(inView)->Send(draw);
    return canvas.Operations();
}

TEST_F(FxControlTest, ImagesFromJpegFilesAndBundleResources)
{
    SKY_NEED_TESTDATA_FILE(path, "images/jpeg/testorig.jpg");
    FxImage image(View(20));
    const auto images = [&]
    {
        std::vector<std::tuple<int, int, bool>> found;
        for (const Operation& op : Draw(image.GetRef()))
            if (op.mKind == Operation::kImage)
                found.emplace_back(op.mImageWidth, op.mImageHeight, op.mUpright);
        return found;
    };
    EXPECT_TRUE(images().empty());
    image.SetImageFromFile(CxFile(CxString::FromUtf8(path), false));
    EXPECT_EQ(images(), (std::vector<std::tuple<int, int, bool>>{{227, 149, true}}));

    // A copy cut before its scan data shows nothing, and so does a file gone before it is read.
    sky::test::TempHome home;
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::size_t scan = bytes.find("\xFF\xDA");
    ASSERT_NE(scan, std::string::npos);
    const std::string cut = home.Path() + "/cut.jpg";
    std::ofstream(cut, std::ios::binary).write(bytes.data(), std::streamsize(scan + 2));
    CxDebugCapture capture;
    const CxFile cutFile(CxString::FromUtf8(cut), false);
    image.SetImageFromFile(cutFile);
    EXPECT_TRUE(images().empty());
    std::remove(cut.c_str());
    image.SetImageFromFile(cutFile);
    EXPECT_TRUE(images().empty());
    CxSetBundle(CxString::FromUtf8(kFixtures));
    image.SetImageFromResource("Cursor128", "png");
    EXPECT_EQ(images(), (std::vector<std::tuple<int, int, bool>>{{16, 16, true}}));
    image.ClearImage();
    EXPECT_TRUE(images().empty());
    CxSetBundle("");
}

// The segments show the theme icons of their types; a type the theme lacks shows none.
TEST_F(FxControlTest, SegmentsDrawTheirIcons)
{
    FxSegmentView segments(View(21));
    const auto count = [](FourCharCode inType)
    {
        RecordingCanvas canvas(100, 100);
        DrawThemeIcon(canvas, Rect{0, 0, 20, 20}, inType);
        return canvas.Operations().size();
    };
    RecordingCanvas standard(500, 500);
    DrawStandardView(standard, segments.GetRef());
    EXPECT_GT(count(FourCC("fldr")), 0u);
    EXPECT_EQ(Draw(segments.GetRef()).size(),
              standard.Operations().size() + count(FourCC("fldr")) + count(FourCC("docu")));
    CxUint32 behaviour = 0;
    EXPECT_EQ(GetControlProperty(segments.GetRef(), FxControlDataCreator(3), FourCC("bhvr"), &behaviour, 4), kNoErr);
    EXPECT_EQ(behaviour, 2u);
}

// A table of (container, item, label); containers are the items that have children.
class TableAdapter : public FxHierarchyAdapter
{
public:
    void ListChildren(CxUint32 inContainer, FxHierarchy* inHierarchy) override
    {
        for (const auto& [item, row] : mRows)
            if (row.first == inContainer)
                inHierarchy->AddItem(inContainer, item);
    }
    bool IsParent(CxUint32 inItem) override
    {
        for (const auto& [item, row] : mRows)
            if (row.first == inItem)
                return true;
        return false;
    }
    CxString GetLabel(CxUint32 inItem) override { return CxString::FromUtf8(mRows[inItem].second); }
    std::map<CxUint32, std::pair<CxUint32, std::string>> mRows = {
        {1, {0, "beta"}},   {2, {0, "Alpha"}}, {3, {0, "Charlie"}}, {11, {1, "Grüße Ελλάδα"}},
        {12, {1, "Apfel"}}, {31, {3, "x"}},    {111, {11, "deep"}},
    };
};

TEST_F(FxControlTest, HierarchyListsAnAdaptersTree)
{
    FxHierarchy hierarchy(View(22));
    const ViewRef browser = hierarchy.GetRef();
    TableAdapter adapter;
    hierarchy.SetAdapter(&adapter);
    EXPECT_EQ(hierarchy.Adapter(), &adapter);
    // CxString order: capitals first.
    EXPECT_EQ(DisplayedRows(browser), (std::vector<DataBrowserItemID>{2, 3, 1}));
    EXPECT_TRUE(GetDataBrowserSelectedItems(browser).empty());
    EXPECT_EQ(hierarchy.SelectedItem(), 0u);

    struct Row
    {
        const char* step;
        std::function<void()> act;
        std::vector<DataBrowserItemID> rows;
        CxUint32 selected;
    };
    const std::vector<Row> rows = {
        {"open 1", [&] { NotifyDataBrowser(browser, 1, kDataBrowserContainerOpened); }, {2, 3, 1, 12, 11}, 1},
        {"select 12", [&] { NotifyDataBrowser(browser, 12, kDataBrowserItemSelected); }, {2, 3, 1, 12, 11}, 12},
        {"open 11", [&] { NotifyDataBrowser(browser, 11, kDataBrowserContainerOpened); }, {2, 3, 1, 12, 11, 111}, 11},
        {"close 11", [&] { NotifyDataBrowser(browser, 11, kDataBrowserContainerClosing); }, {2, 3, 1, 12, 11}, 12},
        {"select a root item", [&] { NotifyDataBrowser(browser, 2, kDataBrowserItemSelected); }, {2, 3, 1, 12, 11}, 12},
        {"delete 12, the selection", [&] { hierarchy.DeleteItem(12); }, {2, 3, 1, 11}, 1},
        {"delete 1 and below", [&] { hierarchy.DeleteItem(1); }, {2, 3}, 1},
    };
    for (const Row& row : rows)
    {
        row.act();
        EXPECT_EQ(DisplayedRows(browser), row.rows) << row.step;
        EXPECT_EQ(hierarchy.SelectedItem(), row.selected) << row.step;
    }

    // What the browser shows of an item: flags, icon, label as it is, parent.
    NotifyDataBrowser(browser, 3, kDataBrowserContainerOpened);
    hierarchy.AddItem(3, 11);
    DataBrowserItemData data;
    GetDataBrowserItemData(browser, 11, 8, data);
    EXPECT_EQ(data.text, u"Grüße Ελλάδα");
    EXPECT_EQ(data.number, GetIconRef(FourCC("macs"), FourCC("fldr")));
    ReleaseIconRef(data.number);
    for (const auto& [property, expected] : {std::pair(1u, true), std::pair(4u, true), std::pair(6u, true)})
    {
        DataBrowserItemData flag;
        GetDataBrowserItemData(browser, 11, property, flag);
        EXPECT_EQ(flag.boolean, expected) << property;
    }
    DataBrowserItemData parent;
    GetDataBrowserItemData(browser, 31, 11, parent);
    EXPECT_EQ(parent.number, 3u);

    // A new adapter clears the view first.
    TableAdapter other;
    other.mRows = {{7, {0, "only"}}};
    hierarchy.SetAdapter(&other);
    EXPECT_EQ(DisplayedRows(browser), (std::vector<DataBrowserItemID>{7}));
    hierarchy.SetAdapter(nullptr);
    EXPECT_TRUE(DisplayedRows(browser).empty());
}

// Records the order in which wrappers go.
class Traced : public FxControl
{
public:
    Traced(ViewRef inView, std::vector<CxSint32>& ioTrace) : FxControl(inView), mTrace(ioTrace) {}
    ~Traced() override { mTrace.push_back(Id()); }
    std::vector<CxSint32>& mTrace;
};

TEST_F(FxControlTest, DestructionGoesLastToFirstAndTakesThePopupsMenu)
{
    std::vector<CxSint32> trace;
    auto* tabs = new Traced(View(19), trace);
    for (std::int32_t id : {1000, 2000, 3000})
        new Traced(View(id), trace);
    new Traced(View(2001), trace);
    delete tabs;
    // Each wrapper's own destructor runs before it deletes its wrapped subviews.
    EXPECT_EQ(trace, (std::vector<CxSint32>{19, 3000, 2000, 2001, 1000}));

    auto* popup = new FxPopupButton(View(8));
    const MenuRef menu = GetControlPopupMenu(popup->GetRef());
    ASSERT_NE(FxMenu::FromRef(menu), nullptr);
    EXPECT_EQ(FxControl::FromMenuRef(menu), popup);
    delete popup;
    EXPECT_EQ(FxMenu::FromRef(menu), nullptr);
    EXPECT_EQ(FxControl::FromMenuRef(menu), nullptr);
    auto* made = new FxPopupButton(Owner(), CxRect(0, 0, 100, 20));
    const MenuRef own = GetControlPopupMenu(made->GetRef());
    made->AppendItem("A");
    EXPECT_EQ(made->Maximum(), 1);
    delete made;
    EXPECT_FALSE(IsValidMenu(own));
}

} // namespace
