// Drags and the clipboard through the face objects, driven by the platform's script.
#include "FxDrag.h"
#include "FxColorControls.h"
#include "FxScrapHandler.h"
#include "FxView.h"
#include "FxWindow.h"

#include "PfRunLoop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace
{

using pf::FourCC;

const pf::FourCharCode kA = FourCC("aaaa");
const pf::FourCharCode kB = FourCC("bbbb");
const pf::FourCharCode kC = FourCC("cccc");

// Records its hooks, and the window it had while each ran.
template <class Base> class Recording : public Base
{
public:
    using Base::Base;
    void OnDragEnter(FxDrag&) override { Note("enter"); }
    void OnDragWithin(FxDrag&) override { Note("within"); }
    void OnDragLeave(FxDrag&) override { Note("leave"); }
    void OnDragReceive(FxDrag& inDrag) override
    {
        Note("receive");
        FxDragFlavor color = inDrag.GetItemByIndex(1).GetFlavorById(kFxColorDragFlavor);
        mReceivedSize = color.GetData(&mReceived, sizeof mReceived);
    }
    void OnDragSend(FxDrag&, FxDragItem& ioItem, FxDragFlavor& ioFlavor) override
    {
        Note("send");
        ioItem.GetFlavorById(ioFlavor.Id()).SetData("sent", 4);
    }
    void OnTrackBegin(FxDrag&) override { Note(this->IsDragSource() ? "begin as source" : "begin"); }
    void OnTrackEnd(FxDrag&) override { Note(this->IsDragSource() ? "end as source" : "end"); }
    void Note(const char* inWhat)
    {
        mTrace.push_back(inWhat);
        mWindows.push_back(this->GetDragWindow());
    }
    std::vector<std::string> mTrace;
    std::vector<pf::WindowRef> mWindows;
    GxColor mReceived{0, 0, 0, 0};
    std::size_t mReceivedSize = 99;
};

class DragTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        pf::MainLoop().ResetForTesting(pf::ClockKind::kVirtual);
        pf::ResetWindowServerForTesting();
        FxRegisterColorControls();
    }
    void TearDown() override { pf::ResetWindowServerForTesting(); }
    // Item 1 carries 'aaaa', item 2 'bbbb' and 'cccc'.
    static void FillTwoItems(FxDrag& ioDrag)
    {
        ioDrag.AddItem(1, kA, "1", 1);
        ioDrag.AddItem(2, kB, "2", 1);
        ioDrag.GetItemById(2).AddFlavor(kC, "3", 1);
    }
};

TEST_F(DragTest, DragsAreAcceptedOnlyByTheirFlavours)
{
    std::unique_ptr<FxWindow> window(new FxDocumentWindow(CxRect(100, 100, 300, 250)));
    const pf::ViewRef pane = pf::CreateView(pf::ViewKind::kUserPane, pf::Rect{10, 10, 50, 50});
    pf::AddSubview(pf::GetContentView(window->GetRef()), pane);
    FxDrag drag;
    FillTwoItems(drag);
    const auto fill = [&](pf::Event& ioEvent)
    {
        pf::DragRef ref = drag.GetDragRef();
        ioEvent.SetParam(pf::kParamDragRef, pf::kTypeDragRef, ref);
        ioEvent.SetParam(pf::kParamDirectObject, pf::kTypeControlRef, pane);
    };

    const struct
    {
        std::vector<pf::FourCharCode> accepted;
        bool accepts;
        std::vector<std::string> windowTrace;  // messages 1 to 5 at window level
        std::vector<std::string> controlTrace; // 'cntl' 18 to 21
        bool wouldAccept;
    } cases[] = {
        {{}, false, {}, {"within", "leave"}, false},
        {{FourCC("zzzz")}, false, {}, {"within", "leave"}, false},
        {{kC}, true, {"enter", "within", "leave"}, {"enter", "within", "leave", "receive"}, true},
        {{FourCC("zzzz"), kA}, true, {"enter", "within", "leave"}, {"enter", "within", "leave", "receive"}, true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(c.accepted));
        Recording<FxDragHandler> handler;
        for (pf::FourCharCode type : c.accepted)
        {
            handler.AddDragFlavor(type);
            handler.AddDragFlavor(type); // no duplicates
        }
        EXPECT_EQ(handler.AcceptsDrag(drag), c.accepts);

        for (std::int16_t message = 1; message <= 5; ++message)
        {
            EXPECT_EQ(handler.DragTrack(message, window->GetRef(), drag.GetDragRef()), pf::kNoErr) << message;
            EXPECT_EQ(handler.IsDragTracking(), c.accepts && message >= 2 && message <= 3) << message;
        }
        EXPECT_EQ(handler.DragTrack(6, window->GetRef(), drag.GetDragRef()), c.accepts ? pf::kParamErr : pf::kNoErr);
        EXPECT_EQ(handler.DragTrack(0, window->GetRef(), drag.GetDragRef()), c.accepts ? pf::kParamErr : pf::kNoErr);
        EXPECT_EQ(handler.mTrace, c.windowTrace);
        handler.mTrace.clear();
        handler.mWindows.clear();

        bool wouldAccept = false;
        for (std::uint32_t kind :
             {pf::kControlDragEnter, pf::kControlDragWithin, pf::kControlDragLeave, pf::kControlDragReceive})
        {
            pf::Event event(pf::kClassControl, kind);
            fill(event);
            EXPECT_EQ(kind == pf::kControlDragEnter    ? handler.EventControlDragEnter(nullptr, event)
                      : kind == pf::kControlDragWithin ? handler.EventControlDragWithin(nullptr, event)
                      : kind == pf::kControlDragLeave  ? handler.EventControlDragLeave(nullptr, event)
                                                       : handler.EventControlDragReceive(nullptr, event),
                      pf::kNoErr);
            if (kind == pf::kControlDragEnter)
            {
                event.GetParam(pf::kParamControlWouldAcceptDrop, pf::kTypeBoolean, wouldAccept);
            }
            EXPECT_EQ(handler.GetDragWindow(), nullptr) << "only while the event is handled";
        }
        EXPECT_EQ(wouldAccept, c.wouldAccept);
        EXPECT_EQ(handler.mTrace, c.controlTrace);
        for (pf::WindowRef w : handler.mWindows)
        {
            EXPECT_EQ(w, window->GetRef());
        }
        handler.RemoveDragFlavor(kC);
        handler.RemoveDragFlavor(kA);
        EXPECT_FALSE(handler.AcceptsDragFlavor(kC));
    }
}

TEST_F(DragTest, ColourDropsOnAGraphicThatAcceptsThem)
{
    std::unique_ptr<FxWindow> window(new FxDocumentWindow(CxRect(100, 100, 300, 250)));
    window->AddDragFlavor(kFxColorDragFlavor);
    const pf::ViewRef pane = pf::CreateView(pf::ViewKind::kUserPane, pf::Rect{10, 10, 64, 48});
    pf::AddSubview(pf::GetContentView(window->GetRef()), pane);
    pf::SetControlDragTrackingEnabled(pane, true);
    auto* graphic = new Recording<FxGraphic>(FxViewInfo{pane});
    graphic->AddDragFlavor(kFxColorDragFlavor);
    window->Show();

    FxDrag drag;
    FxDragItem item = drag.AddItem(1, kFxColorDragFlavor, nullptr, 0);
    item.SetBounds(CxRect(0, 0, 8, 8));
    const GxColor color(0.25, 0.5, 0.75, 1);
    FxPutColorOnPasteboard(drag.GetDragRef(), color);

    Recording<FxDragHandler> source;
    const pf::Rect r = pf::ViewGlobalBounds(pane);
    const CxSint16 x = CxSint16(r.x + r.w / 2), y = CxSint16(r.y + r.h / 2);
    pf::PushScript({pf::script::Drag(x + 1, y), pf::script::Up(x + 1, y)});
    EXPECT_EQ(drag.Track(&source, CxPoint(x, y)), pf::kNoErr);

    EXPECT_EQ(graphic->mTrace, (std::vector<std::string>{"enter", "within", "within", "receive", "leave"}));
    EXPECT_EQ(graphic->mReceivedSize, sizeof(GxColor));
    EXPECT_EQ(graphic->mReceived, color);
    EXPECT_EQ(source.mTrace, (std::vector<std::string>{"begin as source", "end as source"}));
    EXPECT_FALSE(source.IsDragSource());
}

// Also mended: a window's receive procedure answered noErr for a drop it refused, so the source saw it received.
TEST_F(DragTest, AWindowReceivesOnlyTheDropsItAccepts)
{
    for (const bool accepts : {false, true})
    {
        SCOPED_TRACE(accepts);
        std::unique_ptr<Recording<FxDocumentWindow>> window(
            new Recording<FxDocumentWindow>(CxRect(100, 100, 300, 250)));
        if (accepts)
            window->AddDragFlavor(kFxColorDragFlavor);
        window->Show();
        FxDrag drag;
        drag.AddItem(1, kFxColorDragFlavor, nullptr, 0);
        FxPutColorOnPasteboard(drag.GetDragRef(), GxColor(1, 0, 0, 1));
        const pf::Rect r = pf::ViewGlobalBounds(pf::GetContentView(window->GetRef()));
        const CxSint16 x = CxSint16(r.x + 20), y = CxSint16(r.y + 20);
        pf::PushScript({pf::script::Drag(x + 1, y), pf::script::Up(x + 1, y)});
        Recording<FxDragHandler> source;
        EXPECT_EQ(drag.Track(&source, CxPoint(x, y)), accepts ? pf::kNoErr : pf::kDragNotAcceptedErr);
        const bool received =
            std::find(window->mTrace.begin(), window->mTrace.end(), "receive") != window->mTrace.end();
        EXPECT_EQ(received, accepts);
        EXPECT_EQ(window->mTrace.empty(), !accepts);
        EXPECT_EQ(window->mReceived, accepts ? GxColor(1, 0, 0, 1) : GxColor(0, 0, 0, 0));
    }
}

TEST_F(DragTest, FlavoursReadFromTheItemOrThePasteboard)
{
    FxDrag drag;
    const GxColor fill(9, 9, 9, 9);
    const char sixteen[16] = "from the item..";
    drag.AddItem(1, kFxColorDragFlavor, sixteen, sizeof sixteen);
    FxDragFlavor color = drag.GetItemByIndex(1).GetFlavorById(kFxColorDragFlavor);

    // No colour on the pasteboard: nothing read, nothing claimed.
    GxColor buffer = fill;
    std::size_t size = 99;
    EXPECT_EQ(color.GetSize(), 0u);
    EXPECT_EQ(color.GetData(&buffer, sizeof buffer, 0, &size), 0u);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(buffer, fill);

    // Another size reads the item like any flavour.
    char text[16] = {};
    EXPECT_EQ(color.GetData(text, sizeof text, 0, &size), sizeof text);
    EXPECT_EQ(std::string(text), "from the item..");

    FxPutColorOnPasteboard(drag.GetDragRef(), GxColor(0, 1, 0, 0.5));
    EXPECT_EQ(color.GetSize(), sizeof(GxColor));
    EXPECT_EQ(color.GetData(&buffer, sizeof buffer, 0, &size), sizeof(GxColor));
    EXPECT_EQ(size, sizeof(GxColor));
    EXPECT_EQ(buffer, GxColor(0, 1, 0, 0.5));
}

TEST_F(DragTest, PromisesAreKeptOnceThroughTheSourceAndTrackingOutlinesTheItems)
{
    FxDrag drag;
    drag.AddItem(1, kA, nullptr, 0);
    EXPECT_EQ(pf::GetFlavorFlags(drag.GetDragRef(), 1, kA), 0u) << "nothing to promise";
    drag.AddItem(1, kB, nullptr, 4);
    EXPECT_EQ(pf::GetFlavorFlags(drag.GetDragRef(), 1, kB), pf::kFlavorDataPromised);
    FxDragItem second = drag.AddItem(2, kA, "x", 1);
    second.AddFlavor(kC, nullptr, 0);
    EXPECT_EQ(pf::GetFlavorFlags(drag.GetDragRef(), 2, kC), pf::kFlavorDataPromised);
    EXPECT_EQ(drag.CountItems(), 2u);
    EXPECT_EQ(second.CountFlavors(), 2u);
    EXPECT_EQ(second.GetFlavorByIndex(2).Id(), kC);
    drag.GetItemByIndex(1).SetBounds(CxRect(10, 20, 30, 40));
    second.SetBounds(CxRect(5, 5, 6, 9));
    EXPECT_EQ(second.Bounds(), CxRect(5, 5, 6, 9));

    Recording<FxDragHandler> source;
    // Nothing under the mouse takes it.
    EXPECT_EQ(drag.Track(&source, CxPoint(1, 1)), pf::kDragNotAcceptedErr);
    EXPECT_EQ(source.mTrace, (std::vector<std::string>{"begin as source", "end as source"}));
    EXPECT_FALSE(source.IsDragSource());
    EXPECT_EQ(drag.Outline(), (std::vector<CxRect>{CxRect(10, 20, 30, 40), CxRect(5, 5, 6, 9)}));

    // The send procedure stays with the drag: the promise is fetched once, on the first read.
    char data[8] = {};
    for (int read = 0; read < 2; ++read)
    {
        std::size_t size = 0;
        EXPECT_EQ(second.GetFlavorById(kC).GetData(data, sizeof data, 0, &size), 4u);
        EXPECT_EQ(std::string(data, size), "sent");
    }
    EXPECT_EQ(std::count(source.mTrace.begin(), source.mTrace.end(), "send"), 1);
}

class ScrapTest : public ::testing::Test
{
protected:
    void SetUp() override { FxScrapHandler::ClearScrap(); }
    void TearDown() override { FxScrapHandler::ClearScrap(); }
};

// Fills each promise it is asked for with the flavour's code as text.
class RecordingScrapHandler : public FxScrapHandler
{
public:
    void OnScrapSend(FxScrap& ioScrap, FxScrapFlavor& ioFlavor) override
    {
        mSent.push_back(ioFlavor.Id());
        EXPECT_EQ(ioScrap.GetScrapRef(), pf::GetCurrentScrap());
        const pf::FourCharCode type = ioFlavor.Id();
        const char text[4] = {char(type >> 24), char(type >> 16), char(type >> 8), char(type)};
        ioFlavor.SetData(text, sizeof text);
    }
    std::vector<pf::FourCharCode> mSent;
};

TEST_F(ScrapTest, FlavoursAnswerAsTheyWerePut)
{
    FxScrap scrap = FxScrapHandler::GetScrap();
    scrap.AddFlavor(FourCC("TEXT"), 3, "abc");
    scrap.AddFlavor(FourCC("EMPT"), 0, nullptr);
    scrap.AddFlavor(FourCC("PICT"), 8, nullptr);
    scrap.AddFlavor(FourCC("TEXT"), 2, "xy"); // replaces, keeps its place

    const std::vector<pf::FourCharCode> put = {FourCC("TEXT"), FourCC("EMPT"), FourCC("PICT")};
    ASSERT_EQ(scrap.CountFlavors(), put.size());
    for (std::uint32_t i = 1; i <= put.size(); ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_EQ(scrap.GetFlavorByIndex(i).Id(), put[i - 1]);
        EXPECT_TRUE(scrap.HasFlavor(put[i - 1]));
    }
    EXPECT_FALSE(scrap.HasFlavor(FourCC("none")));
    EXPECT_EQ(scrap.GetFlavorByIndex(0).Id(), 0u);
    EXPECT_EQ(scrap.GetFlavorByIndex(4).Id(), 0u);

    EXPECT_EQ(scrap.GetFlavorById(FourCC("TEXT")).Size(), 2u);
    EXPECT_EQ(scrap.GetFlavorById(FourCC("EMPT")).Size(), 0u);
    EXPECT_EQ(scrap.GetFlavorById(FourCC("none")).Size(), 0u);

    EXPECT_EQ(FxScrapHandler::ClearScrap(), pf::kNoErr);
    EXPECT_EQ(scrap.CountFlavors(), 0u);
    EXPECT_FALSE(scrap.HasFlavor(FourCC("TEXT")));
}

TEST_F(ScrapTest, GetDataReportsWhatWasRead)
{
    FxScrap scrap = FxScrapHandler::GetScrap();
    FxScrapFlavor text = scrap.AddFlavor(FourCC("TEXT"), 5, "hello");

    struct Row
    {
        pf::FourCharCode type;
        std::size_t asked;
        std::string read; // what the buffer holds after
        std::size_t reported;
    };
    const Row rows[] = {
        {FourCC("TEXT"), 8, "hello...", 5},
        {FourCC("TEXT"), 3, "hel.....", 3},
        {FourCC("TEXT"), 0, "........", 0},
        {FourCC("none"), 8, "........", 0}, // missing: buffer left alone
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.asked);
        char buffer[8];
        std::memset(buffer, '.', sizeof buffer);
        std::size_t size = 99;
        EXPECT_EQ(scrap.GetFlavorById(row.type).GetData(buffer, row.asked, &size), pf::OSStatus(row.reported));
        EXPECT_EQ(size, row.reported);
        EXPECT_EQ(std::string(buffer, sizeof buffer), row.read);
    }

    // Without outSize the status comes back.
    char buffer[8] = {};
    EXPECT_EQ(text.GetData(buffer, sizeof buffer), pf::kNoErr);
    EXPECT_EQ(scrap.GetFlavorById(FourCC("none")).GetData(buffer, sizeof buffer), pf::kNoScrapFlavorErr);
}

TEST_F(ScrapTest, APromiseIsKeptByItsHandlerOnceWhenRead)
{
    RecordingScrapHandler handler;
    FxScrap scrap = FxScrapHandler::GetScrap();
    ASSERT_EQ(pf::SetScrapPromiseKeeper(scrap.GetScrapRef(), [&handler](pf::ScrapRef inScrap, pf::FourCharCode inType)
                                        { return FxScrapHandler::ScrapPromiseKeeperProc(inScrap, inType, &handler); }),
              pf::kNoErr);
    scrap.AddFlavor(FourCC("PICT"), 4, nullptr);
    scrap.AddFlavor(FourCC("TEXT"), 2, "ok");
    EXPECT_TRUE(handler.mSent.empty()) << "promised data is fetched when read, not when put";

    // Plain data never asks the keeper.
    EXPECT_EQ(scrap.GetFlavorById(FourCC("TEXT")).Size(), 2u);
    EXPECT_TRUE(handler.mSent.empty());

    char buffer[4] = {};
    std::size_t size = 0;
    scrap.GetFlavorById(FourCC("PICT")).GetData(buffer, sizeof buffer, &size);
    ASSERT_EQ(size, 4u);
    EXPECT_EQ(std::string(buffer, 4), "PICT");
    EXPECT_EQ(scrap.GetFlavorById(FourCC("PICT")).Size(), 4u);
    EXPECT_EQ(handler.mSent, std::vector<pf::FourCharCode>{FourCC("PICT")});
}

TEST_F(ScrapTest, AKeeperWithoutAHandlerRefuses)
{
    EXPECT_EQ(FxScrapHandler::ScrapPromiseKeeperProc(pf::GetCurrentScrap(), FourCC("PICT"), nullptr), pf::kParamErr);
}

} // namespace
