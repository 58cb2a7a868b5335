#include "FxEventHandler.h"
#include "CxDebug.h"
#include "CxSystem.h"
#include "FxKeyEvent.h"
#include "FxMouseEvent.h"
#include "PfSurface.h"
#include "PfWindowServer.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace
{

using namespace pf;

const std::string kFixtures = std::string(SKYVANE_SOURCE_DIR) + "/Frameworks/FaceObjects/Tests/data";

using Fields = std::tuple<int, CxUint32, int, int, int, int, CxSint32, CxSint32, CxSint32, CxUint32>;

Fields FieldsOf(const FxMouseEvent& inEvent)
{
    return Fields(inEvent.mButton, inEvent.mModifiers, inEvent.mWhere.h, inEvent.mWhere.v, inEvent.mDelta.h,
                  inEvent.mDelta.v, inEvent.mWheelDelta, inEvent.mVerticalScroll, inEvent.mHorizontalScroll,
                  inEvent.mClickCount);
}

// Records what reaches it and answers as told.
class Recorder : public FxEventHandler
{
public:
    explicit Recorder(std::vector<std::string>* ioTrace = nullptr) : mTrace(ioTrace) {}
    OSStatus Event(HandlerCallRef inCall, pf::Event& ioEvent) override
    {
        if (ioEvent.Class() == kClassMouse && mWindow != nullptr)
            mMice.push_back(FxMouseEvent(ioEvent, mWindow));
        else if (ioEvent.Class() == kClassKeyboard)
            mKeys.push_back(FxKeyEvent(ioEvent));
        return FxEventHandler::Event(inCall, ioEvent);
    }
    void OnTimer() override
    {
        ++mTicks;
        if (mTrace != nullptr)
            mTrace->push_back("tick " + std::to_string(MainLoop().Now().count() / 1000000));
        if (mDeleteOnTick)
            delete this;
    }

    std::vector<std::string>* mTrace;
    WindowRef mWindow = nullptr;
    std::vector<FxMouseEvent> mMice;
    std::vector<FxKeyEvent> mKeys;
    int mTicks = 0;
    bool mDeleteOnTick = false;
};

class FxEventHandlerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MainLoop().ResetForTesting(ClockKind::kVirtual);
        ResetWindowServerForTesting();
        mWindow = CreateWindow(kDocumentWindowClass, kWindowStandardHandlerAttribute, Rect{100, 80, 300, 200});
        mOuter = CreateView(ViewKind::kUserPane, Rect{20, 10, 200, 150});
        mInner = CreateView(ViewKind::kUserPane, Rect{30, 40, 100, 60});
        AddSubview(GetContentView(mWindow), mOuter);
        AddSubview(mOuter, mInner);
        ShowWindow(mWindow);
        SelectWindow(mWindow);
    }
    void TearDown() override
    {
        ResetWindowServerForTesting();
        MainLoop().ResetForTesting(ClockKind::kVirtual);
    }

public:
    WindowRef mWindow = nullptr;
    ViewRef mOuter = nullptr;
    ViewRef mInner = nullptr;
};

// Each sequence starts with the frame's mouse-moved record, which ends any multiple click.
TEST_F(FxEventHandlerTest, RecordsCountClicksWithinTheDoubleClickTime)
{
    struct Row
    {
        const char* name;
        std::vector<std::pair<std::uint16_t, std::uint32_t>> records; // (what, when)
        std::vector<CxUint32> counts;
    };
    const std::vector<Row> rows = {
        {"double click", {{666, 0}, {1, 100}, {2, 105}, {1, 110}, {2, 115}}, {0, 1, 1, 2, 2}},
        {"triple click", {{666, 0}, {1, 100}, {2, 105}, {1, 110}, {2, 112}, {1, 120}}, {0, 1, 1, 2, 2, 3}},
        {"exactly the double-click time", {{666, 0}, {1, 100}, {2, 105}, {1, 135}}, {0, 1, 1, 2}},
        {"after the double-click time", {{666, 0}, {1, 100}, {2, 105}, {1, 136}}, {0, 1, 1, 1}},
        {"a down without an up between", {{666, 0}, {1, 100}, {1, 101}}, {0, 1, 1}},
        {"a key between the clicks", {{666, 0}, {1, 100}, {2, 101}, {3, 102}, {1, 103}}, {0, 1, 1, 1, 1}},
        {"a down after the frame's record", {{666, 0}, {1, 100}, {2, 101}, {666, 102}, {1, 103}}, {0, 1, 1, 0, 1}},
        {"ticks wrapping", {{666, 0}, {1, 0xFFFFFFF0u}, {2, 0xFFFFFFF5u}, {1, 3}}, {0, 1, 1, 2}},
    };
    for (const Row& row : rows)
    {
        std::vector<CxUint32> counts;
        for (const auto& [what, when] : row.records)
        {
            EventRecord record;
            record.what = what;
            record.when = when;
            counts.push_back(FxMouseEvent(record).mClickCount);
        }
        EXPECT_EQ(counts, row.counts) << row.name;
    }
    EXPECT_EQ(GetDblTime(), 30u);

    // A control-click record stays button 1 with the control bit; the location is the record's, global.
    EventRecord record;
    record.what = kMouseDownEvent;
    record.where = QDPoint{-7, 300}; // v, h
    record.modifiers = std::uint16_t(kControlKey | kShiftKey | 0x0001);
    const FxMouseEvent event(record);
    EXPECT_EQ(std::tuple(int(event.mButton), event.mModifiers, int(event.mWhere.h), int(event.mWhere.v)),
              std::tuple(1, CxUint32(FxMouseEvent::kControl | FxMouseEvent::kShift), 300, -7));
}

TEST_F(FxEventHandlerTest, EventParametersReachTheRecordInTheViewsCoordinates)
{
    struct Row
    {
        const char* name;
        std::function<void(pf::Event&)> fill;
        ViewRef (*view)(FxEventHandlerTest&);
        Fields expected;
    };
    const auto content = [](FxEventHandlerTest& t) { return GetContentView(t.mWindow); };
    const auto inner = [](FxEventHandlerTest& t) { return t.mInner; };
    const std::vector<Row> rows = {
        {"nothing given", [](pf::Event&) {}, content, Fields(0, 0, 0, 0, 0, 0, 0, 0, 0, 0)},
        {"'wmou' into a nested view, truncated",
         [](pf::Event& e) {
             e.SetParam(kParamWindowMouseLocation, kTypeHIPoint, Point{55.9, 57.2});
         },
         inner, Fields(0, 0, 5, 7, 0, 0, 0, 0, 0, 0)},
        {"left of the view: truncated towards zero",
         [](pf::Event& e) {
             e.SetParam(kParamWindowMouseLocation, kTypeHIPoint, Point{49.5, 49.5});
         },
         inner, Fields(0, 0, 0, 0, 0, 0, 0, 0, 0, 0)},
        {"every parameter",
         [](pf::Event& e)
         {
             e.SetParam(kParamMouseDelta, kTypeHIPoint, Point{3.9, -2.2});
             e.SetParam(kParamKeyModifiers, kTypeUInt32, std::uint32_t(kCmdKey | kOptionKey | 0x0080));
             e.SetParam(kParamMouseButton, kTypeMouseButton, std::uint16_t(3));
             e.SetParam(kParamClickCount, kTypeUInt32, std::uint32_t(2));
             e.SetParam(kParamMouseWheelDelta, kTypeSInt32, std::int32_t(-3));
             e.SetParam(kParamMouseWheelSmoothVerticalDelta, kTypeSInt32, std::int32_t(12));
             e.SetParam(kParamMouseWheelSmoothHorizontalDelta, kTypeSInt32, std::int32_t(-7));
         },
         content, Fields(3, FxMouseEvent::kCommand | FxMouseEvent::kOption, 0, 0, 3, -2, -3, 12, -7, 2)},
        {"a primary control-click is the secondary button",
         [](pf::Event& e)
         {
             e.SetParam(kParamKeyModifiers, kTypeUInt32, std::uint32_t(kControlKey));
             e.SetParam(kParamMouseButton, kTypeMouseButton, std::uint16_t(1));
         },
         content, Fields(2, FxMouseEvent::kControl, 0, 0, 0, 0, 0, 0, 0, 0)},
        {"a parameter of another type reads as absent",
         [](pf::Event& e) { e.SetParam(kParamClickCount, kTypeSInt32, std::int32_t(2)); }, content,
         Fields(0, 0, 0, 0, 0, 0, 0, 0, 0, 0)},
    };
    for (const Row& row : rows)
    {
        pf::Event event(kClassMouse, kMouseWheelMoved);
        row.fill(event);
        EXPECT_EQ(FieldsOf(FxMouseEvent(event, row.view(*this))), row.expected) << row.name;
    }

    // The window form finds the deepest view under 'wmou'.
    pf::Event event(kClassMouse, kMouseDown);
    event.SetParam(kParamWindowMouseLocation, kTypeHIPoint, Point{51, 52});
    EXPECT_EQ(FieldsOf(FxMouseEvent(event, mWindow)), Fields(0, 0, 1, 2, 0, 0, 0, 0, 0, 0));
    CxDebugCapture capture;
    EXPECT_EQ(FieldsOf(FxMouseEvent(event, static_cast<WindowRef>(nullptr))), Fields(0, 0, 0, 0, 0, 0, 0, 0, 0, 0));
    EXPECT_TRUE(capture.Contains("inWinRef != nil"));
}

// The server's own clicks and keys, through a handler on the window.
TEST_F(FxEventHandlerTest, ScriptedClicksAndKeysBecomeRecords)
{
    Recorder recorder;
    recorder.mWindow = mWindow;
    const EventTypeSpec types[] = {{kClassMouse, kMouseDown}, {kClassMouse, kMouseUp}, {kClassKeyboard, kRawKeyDown}};
    recorder.InstallHandler(GetWindowEventTarget(mWindow), types, 3);
    // Inner view at content (50, 50): global (150, 130).
    PushScript({script::Down(152, 133, kControlKey), script::Up(152, 133), script::Wait(100000000),
                script::Down(153, 133), script::Key(kKeyReturn, u"\r", kShiftKey)});
    while (DeliverNextScriptItem())
    {
    }
    ASSERT_EQ(recorder.mMice.size(), 3u);
    EXPECT_EQ(FieldsOf(recorder.mMice[0]), Fields(2, FxMouseEvent::kControl, 2, 3, 0, 0, 0, 0, 0, 1));
    EXPECT_EQ(FieldsOf(recorder.mMice[1]), Fields(1, 0, 2, 3, 0, 0, 0, 0, 0, 1));
    EXPECT_EQ(FieldsOf(recorder.mMice[2]), Fields(1, 0, 3, 3, 0, 0, 0, 0, 0, 2));
    ASSERT_EQ(recorder.mKeys.size(), 1u);
    const FxKeyEvent& key = recorder.mKeys[0];
    EXPECT_EQ(std::tuple(int(key.mCharCode), key.mKeyCode, key.mModifiers, key.mHandled),
              std::tuple('\r', kKeyReturn, CxUint32(FxMouseEvent::kShift), false));

    // The old-style key: character in the lowest byte, key code in the next.
    EventRecord record;
    record.what = kKeyDownEvent;
    record.message = 0x00FF2461;
    record.modifiers = std::uint16_t(kCmdKey);
    FxKeyEvent fromRecord(record);
    fromRecord.Handled();
    EXPECT_EQ(std::tuple(int(fromRecord.mCharCode), fromRecord.mKeyCode, fromRecord.mModifiers, fromRecord.mHandled),
              std::tuple(0x61, 0x24u, CxUint32(FxMouseEvent::kCommand), true));

    // Removed, it hears nothing more; installing again replaces the old handler.
    recorder.InstallHandler(GetWindowEventTarget(mWindow), types, 3);
    EXPECT_EQ(GetWindowEventTarget(mWindow)->CountHandlers(), 1u);
    recorder.RemoveHandler();
    PushScript({script::Down(152, 133), script::Up(152, 133)});
    while (DeliverNextScriptItem())
    {
    }
    EXPECT_EQ(recorder.mMice.size(), 3u);
}

TEST_F(FxEventHandlerTest, TimersTicksAndThePort)
{
    std::vector<std::string> trace;
    Recorder recorder(&trace);
    MainLoop().Advance(std::chrono::milliseconds(5));
    recorder.InstallTimer(10);
    recorder.InstallTimer(10);
    EXPECT_EQ(MainLoop().CountTimers(), 1u);
    EXPECT_TRUE(recorder.HasTimer());
    MainLoop().Advance(std::chrono::milliseconds(0));
    MainLoop().Advance(std::chrono::milliseconds(25));
    EXPECT_EQ(trace, (std::vector<std::string>{"tick 5", "tick 15", "tick 25"}));
    recorder.RemoveTimer();
    EXPECT_FALSE(recorder.HasTimer());
    MainLoop().Advance(std::chrono::milliseconds(100));
    EXPECT_EQ(trace.size(), 3u);

    // Ticks are sixtieths of the loop's clock.
    const CxUint32 before = CxTickCount();
    MainLoop().Advance(std::chrono::seconds(1));
    EXPECT_EQ(CxTickCount() - before, 60u);
    MainLoop().Advance(std::chrono::milliseconds(500));
    EXPECT_EQ(CxTickCount() - before, 90u);

    // Objects that go with a timer or handler installed are never called back (ASan watches).
    auto* doomed = new Recorder(&trace);
    doomed->InstallTimer(10);
    const EventTypeSpec types[] = {{kClassMouse, kMouseDown}};
    doomed->InstallHandler(GetViewEventTarget(mInner), types, 1);
    delete doomed;
    auto* selfDeleting = new Recorder(&trace);
    selfDeleting->mDeleteOnTick = true;
    selfDeleting->InstallTimer(10);
    MainLoop().Advance(std::chrono::milliseconds(50));
    pf::Event down(kClassMouse, kMouseDown);
    GetViewEventTarget(mInner)->Send(down);
    EXPECT_EQ(trace.size(), 4u);
    EXPECT_EQ(MainLoop().CountTimers(), 0u);
    EXPECT_EQ(GetViewEventTarget(mInner)->CountHandlers(), 0u);
}

TEST_F(FxEventHandlerTest, TheCurrentPortConvertsThroughItsOrigin)
{
    struct Row
    {
        const char* name;
        bool setPort;
        Point origin;
        Point local;
        Point global;
        OSStatus status;
    };
    const std::vector<Row> rows = {
        {"origin at zero", true, Point{0, 0}, Point{10, 20}, Point{110, 100}, kNoErr},
        {"moved origin", true, Point{-40, 15}, Point{10, 20}, Point{150, 85}, kNoErr},
        {"no current port", false, Point{0, 0}, Point{10, 20}, Point{10, 20}, kParamErr},
    };
    for (const Row& row : rows)
    {
        SetPort(nullptr);
        const PortRef port = GetWindowPort(mWindow);
        SetPortOrigin(port, row.origin);
        if (row.setPort)
            SetPort(port);
        Point point = row.local;
        CxDebugCapture capture;
        EXPECT_EQ(LocalToGlobal(point), row.status) << row.name;
        EXPECT_EQ(point, row.global) << row.name;
        EXPECT_EQ(GlobalToLocal(point), row.status) << row.name;
        EXPECT_EQ(point, row.local) << row.name;
    }
    EXPECT_EQ(GetPort(), nullptr);
    SetPort(GetWindowPort(mWindow));
    EXPECT_EQ(GetPort(), GetWindowPort(mWindow));
    DisposeWindow(mWindow);
    EXPECT_EQ(GetPort(), nullptr);
}

TEST_F(FxEventHandlerTest, CursorsFromTheThemeAndTheBundle)
{
    CxSetBundle(CxString::FromUtf8(kFixtures));
    Recorder recorder;
    struct Row
    {
        CxSint32 id;
        std::int32_t cursor;
        bool asserts;
    };
    for (const Row& row : {Row{127, 127, false}, Row{128, 128, false}, Row{129, 128, true}, Row{0, 0, false}})
    {
        CxDebugCapture capture;
        recorder.SetCursor(row.id);
        EXPECT_EQ(CurrentCursorId(), row.cursor) << row.id;
        EXPECT_EQ(capture.Contains("cursor != nil"), row.asserts) << row.id;
    }
    CxSetBundle("");
}

} // namespace
