// The shared colour panel and its script items, the drags' pasteboards and images: state at the server.
#include "PfColorPanel.h"
#include "PfDrag.h"
#include "PfRunLoop.h"
#include "PfStandIns.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace
{

using namespace pf;

class PfColorPanelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MainLoop().ResetForTesting(ClockKind::kVirtual);
        ResetWindowServerForTesting();
        SetDebugSink([this](const std::string& inLine) { mLog.push_back(inLine); });
    }
    void TearDown() override
    {
        SetDebugSink(nullptr);
        ResetWindowServerForTesting();
    }
    static void Run()
    {
        while (DeliverNextScriptItem())
        {
        }
    }
    std::vector<std::string> mLog;
};

TEST_F(PfColorPanelTest, ThePanelTakesColoursWhileItShowsAndClosesOnItsItem)
{
    std::vector<Color> picks;
    int closes = 0;
    SetColorPanelAction([&] { picks.push_back(GetColorPanelColor()); });
    SetColorPanelCloseDelegate([&] { ++closes; });
    // Closed: items are no one's.
    PushScript(script::Colour(1, 0, 0, 0.5));
    Run();
    EXPECT_TRUE(picks.empty());
    ASSERT_EQ(mLog.size(), 1u);
    EXPECT_EQ(mLog[0], "script: colour dropped, no stand-in took it");

    WindowRef other = CreateWindow(kDocumentWindowClass, 0, Rect{100, 100, 200, 100});
    ShowWindow(other);
    SelectWindow(other);
    ShowColorPanel();
    const WindowRef panel = GetColorPanelWindow();
    ASSERT_NE(panel, nullptr);
    // A plain window, selected: scripted commands reach the active window, never a floating one.
    EXPECT_EQ(std::tuple(GetWindowClass(panel), IsWindowVisible(panel), FrontWindow()),
              std::tuple(kPlainWindowClass, true, panel));
    SetColorPanelColor(Color{0.1, 0.2, 0.3, 0.4});
    EXPECT_TRUE(picks.empty()); // setting calls no action
    PushScript({script::Colour(1, 0, 0, 0.5), script::Colour(0, 1, 0, 1)});
    Run();
    EXPECT_EQ(picks, (std::vector<Color>{{1, 0, 0, 0.5}, {0, 1, 0, 1}}));
    // It blocks nothing: an empty script leaves it open; accept and cancel are not its items.
    Run();
    PushScript(script::Accept());
    Run();
    EXPECT_TRUE(IsColorPanelVisible());
    EXPECT_EQ(closes, 0);
    PushScript({script::PanelClose(), script::Colour(0, 0, 1, 1)});
    Run();
    EXPECT_EQ(std::tuple(IsColorPanelVisible(), IsWindowVisible(panel), closes, picks.size()),
              std::tuple(false, false, 1, std::size_t(2)));
    EXPECT_EQ(mLog.back(), "script: colour dropped, no stand-in took it");
    // Closing again does nothing; showing again reuses the window.
    CloseColorPanel();
    EXPECT_EQ(closes, 1);
    ShowColorPanel();
    ShowColorPanel();
    EXPECT_EQ(GetColorPanelWindow(), panel);
    PushScript(script::PanelClose());
    Run();
    EXPECT_EQ(closes, 2);
}

TEST_F(PfColorPanelTest, AnActionMayCloseThePanel)
{
    int closes = 0;
    SetColorPanelAction([] { CloseColorPanel(); });
    SetColorPanelCloseDelegate([&] { ++closes; });
    ShowColorPanel();
    PushScript({script::Colour(1, 1, 1, 1), script::Colour(0, 0, 0, 1)});
    Run();
    EXPECT_EQ(std::tuple(IsColorPanelVisible(), closes, GetColorPanelColor()), std::tuple(false, 1, Color{1, 1, 1, 1}));
}

TEST_F(PfColorPanelTest, DragPasteboardsKeepItemsByIdAndFlavourByName)
{
    DragRef drag = NewDrag();
    PasteboardRef board = GetDragPasteboard(drag);
    ASSERT_NE(board, nullptr);
    std::vector<std::uint8_t> out{9};
    EXPECT_EQ(PasteboardCopyItemFlavorData(board, 7, "org.example.a", out), kBadDragItemErr);
    const std::uint8_t one[] = {1, 2, 3};
    const std::uint8_t two[] = {4};
    EXPECT_EQ(PasteboardPutItemFlavor(board, 7, "org.example.a", one, sizeof(one)), kNoErr);
    EXPECT_EQ(PasteboardCopyItemFlavorData(board, 7, "org.example.b", out), kCantGetFlavorErr);
    EXPECT_EQ(out, std::vector<std::uint8_t>{9});
    EXPECT_EQ(PasteboardPutItemFlavor(board, 7, "org.example.a", two, sizeof(two)), kNoErr);
    EXPECT_EQ(PasteboardCopyItemFlavorData(board, 7, "org.example.a", out), kNoErr);
    EXPECT_EQ(out, std::vector<std::uint8_t>{4});
    EXPECT_EQ(PasteboardPutItemFlavor(board, 7, "x", nullptr, 3), kParamErr);
    EXPECT_EQ(PasteboardClear(board), kNoErr);
    EXPECT_EQ(PasteboardCopyItemFlavorData(board, 7, "org.example.a", out), kBadDragItemErr);

    // The image and its offset stay through tracking; the pasteboard goes with its drag.
    Image image;
    image.mWidth = 2;
    image.mHeight = 1;
    image.mPixels = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(GetDragImage(drag, nullptr), nullptr);
    EXPECT_EQ(SetDragImage(drag, image, Point{-6, -6}), kNoErr);
    PushScript(script::Up(700, 500));
    TrackDrag(drag, Point{700, 500});
    Point offset;
    const Image* kept = GetDragImage(drag, &offset);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(std::tuple(kept->mPixels, offset), std::tuple(image.mPixels, Point{-6, -6}));
    DisposeDrag(drag);
    mLog.clear();
    EXPECT_EQ(PasteboardClear(board), kParamErr);
    EXPECT_EQ(GetDragPasteboard(drag), nullptr);
    EXPECT_EQ(mLog.size(), 2u);
}

} // namespace
