#include "PfDrag.h"
#include "PfRunLoop.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{

using namespace pf;

constexpr FourCharCode kText = FourCC("TEXT");

class DragDataTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MainLoop().ResetForTesting(ClockKind::kVirtual);
        ResetWindowServerForTesting();
        SetDebugSink([this](const std::string& inLine) { mLog.push_back(inLine); });
        // Content at (100, 100); view A covers global (110..210, 110..210), view B (300..400, 110..210).
        mWindow = CreateWindow(kDocumentWindowClass, kWindowStandardHandlerAttribute, Rect{100, 100, 400, 300});
        ShowWindow(mWindow);
        SetAutomaticControlDragTrackingEnabledForWindow(mWindow, true);
        mA = AddView(Rect{10, 10, 100, 100}, "A", false);
        mB = AddView(Rect{200, 10, 100, 100}, "B", true);
        mDrag = NewDrag();
        AddDragItemFlavor(mDrag, 1, kText, nullptr, 0, kFlavorDataPromised);
    }
    void TearDown() override
    {
        DisposeDrag(mDrag);
        ResetWindowServerForTesting();
        SetDebugSink(nullptr);
    }

    ViewRef AddView(const Rect& inFrame, const std::string& inName, bool inAccept)
    {
        ViewRef view = CreateView(ViewKind::kUserPane, inFrame);
        AddSubview(GetContentView(mWindow), view);
        SetControlDragTrackingEnabled(view, true);
        GetViewEventTarget(view)->InstallHandler({{kClassControl, kControlDragEnter},
                                                  {kClassControl, kControlDragWithin},
                                                  {kClassControl, kControlDragLeave},
                                                  {kClassControl, kControlDragReceive}},
                                                 [this, inName, inAccept](HandlerCallRef, Event& ioEvent)
                                                 {
                                                     mTrace.push_back(inName + ":" + std::to_string(ioEvent.Kind()));
                                                     if (ioEvent.Kind() == kControlDragEnter)
                                                     {
                                                         ioEvent.SetParam(kParamControlWouldAcceptDrop, kTypeBoolean,
                                                                          inAccept);
                                                     }
                                                     if (ioEvent.Kind() == kControlDragReceive)
                                                     {
                                                         DragRef drag = nullptr;
                                                         ioEvent.GetParam(kParamDragRef, kTypeDragRef, drag);
                                                         for (int read = 0; read < 2; ++read)
                                                         {
                                                             char text[8] = {};
                                                             std::size_t size = sizeof text;
                                                             GetFlavorData(drag, 1, kText, text, &size, 0);
                                                             mReceived = std::string(text, size);
                                                         }
                                                     }
                                                     return kNoErr;
                                                 });
        return view;
    }

    WindowRef mWindow = nullptr;
    ViewRef mA = nullptr;
    ViewRef mB = nullptr;
    DragRef mDrag = nullptr;
    std::vector<std::string> mTrace;
    std::vector<std::string> mLog;
    std::string mReceived;
};

TEST_F(DragDataTest, FlavorDataNeedsADragAndASize)
{
    char text[8] = {};
    std::size_t size = sizeof text;
    DragRef gone = NewDrag();
    DisposeDrag(gone);
    EXPECT_EQ(GetFlavorData(nullptr, 1, kText, text, &size, 0), kParamErr);
    EXPECT_EQ(GetFlavorData(gone, 1, kText, text, &size, 0), kParamErr);
    EXPECT_EQ(GetFlavorData(mDrag, 1, kText, text, nullptr, 0), kParamErr);
    EXPECT_EQ(GetFlavorData(mDrag, 1, kText, nullptr, &size, 0), kParamErr);
    EXPECT_EQ(mLog.size(), 2u); // the bad references
    EXPECT_EQ(CountDragItemFlavors(mDrag, 1), 1u);
    EXPECT_EQ(CountDragItemFlavors(mDrag, 99), 0u);
    EXPECT_EQ(SetDragSendProc(nullptr, {}), kParamErr);
}

// Its size too: a bad or gone drag, or no place for the size, is a parameter error.
TEST_F(DragDataTest, FlavorSizeNeedsADragAndAPlaceForIt)
{
    std::size_t size = 99;
    DragRef gone = NewDrag();
    DisposeDrag(gone);
    EXPECT_EQ(GetFlavorDataSize(nullptr, 1, kText, &size), kParamErr);
    EXPECT_EQ(GetFlavorDataSize(gone, 1, kText, &size), kParamErr);
    EXPECT_EQ(GetFlavorDataSize(mDrag, 1, kText, nullptr), kParamErr);
    EXPECT_EQ(size, 99u);
}

// A receive handler needs a live window and a function: anything else installs nothing (0).
TEST_F(DragDataTest, AReceiveHandlerNeedsAWindowAndAFunction)
{
    WindowRef gone = CreateWindow(kDocumentWindowClass, 0, Rect{0, 0, 10, 10});
    DisposeWindow(gone);
    const DragReceiveHandler handler = [](WindowRef, DragRef) { return kNoErr; };
    EXPECT_EQ(InstallReceiveHandler(nullptr, handler), 0u);
    EXPECT_EQ(InstallReceiveHandler(gone, handler), 0u);
    EXPECT_EQ(InstallReceiveHandler(mWindow, DragReceiveHandler()), 0u);
    const std::uint64_t id = InstallReceiveHandler(mWindow, handler);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(RemoveDragHandler(id), kNoErr);
}

// A drag leaving the window tells its handlers as it goes (leave window, then leave handler), and again each time
// it comes back and leaves; a drop outside every window tells none at the release.
TEST_F(DragDataTest, LeavingTheWindowMidDragTellsItsHandlers)
{
    const struct
    {
        const char* name;
        std::vector<ScriptItem> script;
        std::vector<std::string> trace;
    } cases[] = {
        {"out", {script::Drag(700, 700), script::Up(701, 701)}, {"W:1", "W:2", "W:3", "W:4", "W:5"}},
        {"out and back",
         {script::Drag(700, 700), script::Drag(450, 250), script::Up(451, 251)},
         {"W:1", "W:2", "W:3", "W:4", "W:5", "W:1", "W:2", "W:3", "W:4", "W:5"}},
        {"out, back and out",
         {script::Drag(700, 700), script::Drag(450, 250), script::Drag(20, 20), script::Up(21, 21)},
         {"W:1", "W:2", "W:3", "W:4", "W:5", "W:1", "W:2", "W:3", "W:4", "W:5"}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::vector<std::string> trace;
        const std::uint64_t tracking = InstallTrackingHandler(mWindow,
                                                              [&](std::int16_t inMessage, WindowRef, DragRef)
                                                              {
                                                                  trace.push_back("W:" + std::to_string(inMessage));
                                                                  return kNoErr;
                                                              });
        PushScript(c.script);
        EXPECT_EQ(TrackDrag(mDrag, Point{450, 250}), kDragNotAcceptedErr);
        EXPECT_EQ(trace, c.trace);
        RemoveDragHandler(tracking);
    }
}

TEST_F(DragDataTest, DragsVisitViewsAndWindowsAndDropWhereAccepted)
{
    int sends = 0;
    SetDragSendProc(mDrag,
                    [&](FourCharCode inFlavor, DragItemRef inItem, DragRef inDrag)
                    {
                        ++sends;
                        return SetDragItemFlavorData(inDrag, inItem, inFlavor, "hi", 2, 0);
                    });
    const struct
    {
        const char* name;
        std::vector<ScriptItem> script;
        OSStatus receiverAnswer; // of the window's receive handler
        OSStatus result;
        std::vector<std::string> trace;
    } cases[] = {
        {"A to B",
         {script::Drag(350, 150), script::Up(351, 151)},
         kEventNotHandled,
         kNoErr,
         {"W:1", "W:2", "W:3", "A:18", "A:19", "W:3", "A:20", "B:18", "B:19", "B:21", "B:20", "W:4", "W:5"}},
        {"back onto A, which refused",
         {},
         kNoErr,
         kNoErr,
         {"W:1", "W:2", "W:3", "A:18", "A:19", "W:receive", "A:20", "W:4", "W:5"}},
        {"refused everywhere",
         {},
         kEventNotHandled,
         kDragNotAcceptedErr,
         {"W:1", "W:2", "W:3", "A:18", "A:19", "W:receive", "A:20", "W:4", "W:5"}},
        {"onto the trash",
         {script::Up(1400, 860)},
         kEventNotHandled,
         kNoErr,
         {"W:1", "W:2", "W:3", "A:18", "A:19", "A:20", "W:4", "W:5"}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        mTrace.clear();
        const std::uint64_t tracking = InstallTrackingHandler(mWindow,
                                                              [&](std::int16_t inMessage, WindowRef, DragRef)
                                                              {
                                                                  mTrace.push_back("W:" + std::to_string(inMessage));
                                                                  return kNoErr;
                                                              });
        const std::uint64_t receive = InstallReceiveHandler(mWindow,
                                                            [&](WindowRef, DragRef)
                                                            {
                                                                mTrace.push_back("W:receive");
                                                                return c.receiverAnswer;
                                                            });
        PushScript(c.script);
        EXPECT_EQ(TrackDrag(mDrag, Point{150, 150}), c.result);
        EXPECT_EQ(mTrace, c.trace);
        EXPECT_EQ(ScriptCount(), 0u);
        RemoveDragHandler(tracking);
        RemoveDragHandler(receive);
    }
    EXPECT_TRUE(DragDroppedOnTrash(mDrag));
    EXPECT_EQ(mReceived, "hi");
    EXPECT_EQ(sends, 1); // the promise is fetched once, though read twice
}

TEST_F(DragDataTest, TheClipboardKeepsItsPromiseOnce)
{
    ScrapRef scrap = GetCurrentScrap();
    int kept = 0;
    SetScrapPromiseKeeper(scrap,
                          [&](ScrapRef inScrap, FourCharCode inFlavor)
                          {
                              ++kept;
                              return PutScrapFlavor(inScrap, inFlavor, 0, 5, "hello");
                          });
    ASSERT_EQ(PutScrapFlavor(scrap, kText, 0, 5, nullptr), kNoErr);
    EXPECT_EQ(kept, 0);
    std::size_t size = 0;
    EXPECT_EQ(GetScrapFlavorSize(scrap, kText, &size), kNoErr);
    char text[8] = {};
    size = sizeof text;
    EXPECT_EQ(GetScrapFlavorData(scrap, kText, &size, text), kNoErr);
    EXPECT_EQ(std::string(text, size), "hello");
    EXPECT_EQ(kept, 1);
    EXPECT_EQ(GetScrapFlavorData(scrap, FourCC("PICT"), &size, text), kNoScrapFlavorErr);
    ClearCurrentScrap();
    EXPECT_EQ(GetScrapFlavorCount(scrap), 0u);
}

TEST_F(DragDataTest, TheBrowserNotifiesAndShowsSortedRows)
{
    ViewRef browser = CreateView(ViewKind::kDataBrowser, Rect{0, 0, 200, 200});
    std::vector<std::string> notes;
    DataBrowserCallbacks callbacks;
    callbacks.compare = [](ViewRef, DataBrowserItemID inA, DataBrowserItemID inB, DataBrowserPropertyID)
    { return inA < inB; };
    callbacks.notification = [&](ViewRef, DataBrowserItemID inItem, DataBrowserNotification inMessage)
    { notes.push_back(std::to_string(inMessage) + ":" + std::to_string(inItem)); };
    SetDataBrowserCallbacks(browser, callbacks);
    AddDataBrowserItems(browser, 0, {3, 1, 2}, 0);
    AddDataBrowserItems(browser, 2, {21, 20}, 0);
    const std::size_t added = notes.size();
    AddDataBrowserItems(browser, 0, {0, 3, 1}, 0); // no item 0, and none twice: no change, nothing sent
    EXPECT_EQ(CountDataBrowserItems(browser, 0), 3u);
    EXPECT_EQ(notes.size(), added);
    SetDataBrowserSortProperty(browser, 1024, true);
    SetDataBrowserSelectedItems(browser, {1}, SelectionOp::kAssign);
    SetDataBrowserSelectedItems(browser, {2}, SelectionOp::kAssign);
    const struct
    {
        DataBrowserNotification message;
        bool ascending;
        std::vector<DataBrowserItemID> rows;
    } steps[] = {
        {kDataBrowserItemDoubleClicked, true, {1, 2, 3}},
        {kDataBrowserContainerOpened, true, {1, 2, 20, 21, 3}},
        {kDataBrowserContainerOpened, false, {3, 2, 21, 20, 1}},
        {kDataBrowserContainerClosing, true, {1, 2, 3}},
    };
    for (const auto& s : steps)
    {
        NotifyDataBrowser(browser, 2, s.message);
        SetDataBrowserSortProperty(browser, 1024, s.ascending);
        EXPECT_EQ(DisplayedRows(browser), s.rows);
    }
    EXPECT_EQ(notes, (std::vector<std::string>{"1:3", "1:1", "1:2", "1:21", "1:20", "5:1", "6:1", "5:2", "7:2", "8:2",
                                               "8:2", "9:2", "10:2"}));
    EXPECT_EQ(GetDataBrowserSelectedItems(browser), std::vector<DataBrowserItemID>{2});
    DisposeView(browser);
}

TEST_F(DragDataTest, TheScrollViewAsksItsContent)
{
    ViewRef scroller = CreateView(ViewKind::kScrollView, Rect{0, 0, 100, 100});
    ViewRef content = CreateView(ViewKind::kUserPane, Rect{0, 0, 100, 400});
    AddSubview(scroller, content);
    int asked = 0;
    Point scrolledTo{-1, -1};
    GetViewEventTarget(content)->InstallHandler(
        {{kClassScrollable, kScrollableGetInfo}, {kClassScrollable, kScrollableScrollTo}},
        [&](HandlerCallRef, Event& ioEvent)
        {
            if (ioEvent.Kind() == kScrollableScrollTo)
            {
                ioEvent.GetParam(kParamOrigin, kTypeHIPoint, scrolledTo);
                return kNoErr;
            }
            ++asked;
            ioEvent.SetParam(kParamImageSize, kTypeHIPoint, Point{100, 400});
            ioEvent.SetParam(kParamViewSize, kTypeHIPoint, Point{100, 100});
            return kNoErr;
        });
    EXPECT_EQ(GetScrollViewInfo(scroller).imageSize, (Point{100, 400}));
    EXPECT_EQ(ScrollViewScrollTo(scroller, Point{0, 50}), kNoErr);
    EXPECT_EQ(scrolledTo, (Point{0, 50}));
    Event changed(kClassScrollable, kScrollableInfoChanged);
    EXPECT_EQ(GetViewEventTarget(scroller)->Send(changed), kNoErr);
    EXPECT_EQ(asked, 3);
    DisposeView(scroller);
}

} // namespace
