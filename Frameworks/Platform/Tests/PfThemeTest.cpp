// The standard look as the window server's snapshots show it.
#include "PfTheme.h"
#include "PfRunLoop.h"
#include "PfSurface.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

using namespace pf;

std::uint32_t Rgba(const Color& inColor)
{
    auto byte = [](double inValue) { return std::uint32_t(std::lround(inValue * 255)); };
    return byte(inColor.r) << 24 | byte(inColor.g) << 16 | byte(inColor.b) << 8 | byte(inColor.a);
}

class PfThemeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MainLoop().ResetForTesting(ClockKind::kVirtual);
        ResetWindowServerForTesting();
        mWindow = CreateWindow(kDocumentWindowClass, kWindowStandardHandlerAttribute, Rect{100, 100, 300, 200});
        SetThemeWindowBackground(mWindow, 1);
        ShowWindow(mWindow);
    }
    void TearDown() override { ResetWindowServerForTesting(); }
    ViewRef Add(ViewKind inKind, const Rect& inFrame)
    {
        const ViewRef view = CreateView(inKind, inFrame);
        AddSubview(GetContentView(mWindow), view);
        return view;
    }
    WindowRef mWindow = nullptr;
};

TEST_F(PfThemeTest, ButtonsShowTheirStateAndACustomHandlerWins)
{
    const ViewRef button = Add(ViewKind::kPushButton, Rect{20, 20, 100, 24});
    const ViewRef custom = Add(ViewKind::kPushButton, Rect{20, 60, 100, 24});
    const ViewRef progress = Add(ViewKind::kProgressBar, Rect{20, 100, 100, 10});
    SetControlMaximum(progress, 4);
    SetControlValue(progress, 1);
    GetViewEventTarget(custom)->InstallHandler({{kClassControl, kControlDraw}},
                                               [](HandlerCallRef, Event& ioEvent)
                                               {
                                                   Canvas* canvas = nullptr;
                                                   ioEvent.GetParam(kParamCGContext, kTypeCGContext, canvas);
                                                   canvas->SetFillColor({1, 0, 0, 1});
                                                   canvas->FillRect({0, 0, 10, 10});
                                                   return kNoErr;
                                               });
    Snapshot shot = TakeSnapshot(mWindow);
    ASSERT_EQ(shot.width, 300);
    EXPECT_EQ(shot.Pixel(5, 5), Rgba(ThemeBrushColor(1)));
    const std::uint32_t face = shot.Pixel(24, 32); // left of the centred title
    EXPECT_NE(face, Rgba(ThemeBrushColor(1)));
    // The custom handler drew in the view's own coordinates and nothing else drew.
    EXPECT_EQ(shot.Pixel(25, 65), 0xFF0000FFu);
    EXPECT_EQ(shot.Pixel(60, 72), Rgba(ThemeBrushColor(1)));
    // A quarter of the progress bar is blue.
    EXPECT_EQ(shot.Pixel(30, 105), Rgba(ThemeHiliteColor()));
    EXPECT_NE(shot.Pixel(100, 105), Rgba(ThemeHiliteColor()));

    HiliteControl(button, kControlButtonPart);
    shot = TakeSnapshot(mWindow);
    EXPECT_NE(shot.Pixel(24, 32), face);
    HiliteControl(button, 0);
    SetViewEnabled(button, false);
    shot = TakeSnapshot(mWindow);
    EXPECT_NE(shot.Pixel(24, 32), face);
}

TEST_F(PfThemeTest, TheFocusedFieldHasARingInsideItsEdge)
{
    const ViewRef field = Add(ViewKind::kEditText, Rect{40, 40, 120, 22});
    const std::uint32_t edge = TakeSnapshot(mWindow).Pixel(41, 50);
    SetKeyboardFocus(mWindow, field, kControlEditTextPart);
    const Snapshot shot = TakeSnapshot(mWindow);
    const std::uint32_t ring = shot.Pixel(41, 50);
    EXPECT_NE(ring, edge);
    EXPECT_GT(ring >> 8 & 0xFF, ring >> 24 & 0xFF) << std::hex << ring; // blue over red
    EXPECT_EQ(shot.Pixel(100, 50), 0xFFFFFFFFu);
}

} // namespace
