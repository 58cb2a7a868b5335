// Drags that carry a gradient and no colour, dropped through the platform's drag tracking onto each gradient
// control: the drag-enter answer lets them in.
#include "FxGradientPicker.h"

#include "FxWindow.h"
#include "PfRunLoop.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace
{

using namespace pf;

class FxGradientDropTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MainLoop().ResetForTesting(ClockKind::kVirtual);
        ResetWindowServerForTesting();
        mWindow = std::make_unique<FxDocumentWindow>(CxRect(100, 100, 500, 400));
        ASSERT_NE(mWindow->GetRef(), nullptr);
        mWindow->Show();
    }
    void TearDown() override
    {
        mWindow.reset();
        ResetWindowServerForTesting();
    }
    ViewRef Pane(const Rect& inFrame)
    {
        const ViewRef pane = CreateView(ViewKind::kUserPane, inFrame);
        AddSubview(GetContentView(mWindow->GetRef()), pane);
        return pane;
    }
    static Point Global(FxControl* inControl, Point inLocal)
    {
        const Point content = ConvertPoint(inLocal, inControl->GetRef(), nullptr);
        const Rect frame = GetWindowBounds(GetViewWindow(inControl->GetRef()), kWindowContentRgn);
        return Point{frame.x + content.x, frame.y + content.y};
    }

    sky::test::TempHome mHome; // the grid writes its preferences
    std::unique_ptr<FxDocumentWindow> mWindow;
};

TEST_F(FxGradientDropTest, AGradientWithoutAColourDropsOnAWellAGridAndAnEditor)
{
    GxColorGradient sent(GxColor(0, 1, 0, 1));
    sent.SetColorKey(100, GxColor(1, 1, 0, 1));
    const struct
    {
        const char* name;
        std::function<FxColorControl*()> make;
        Point at; // in the control
        std::function<GxColorGradient(FxColorControl*)> read;
    } rows[] = {
        {"well",
         [&] {
             return new FxGradientWell(Pane(Rect{10, 10, 60, 20}));
         },
         Point{30, 10}, [](FxColorControl* c) { return AsFxGradientWell(c)->Gradient(); }},
        // Cell 1; the first row of cells is 21 points high.
        {"grid",
         [&] {
             return new FxGradientGrid(Pane(Rect{10, 60, 180, 70}));
         },
         Point{40, 5}, [](FxColorControl* c) { return AsFxGradientGrid(c)->Gradients()[1]; }},
        // On the strip, more than 8 points from its middle line: the whole gradient, not a new key.
        {"editor",
         [&] {
             return new FxGradientEditor(Pane(Rect{10, 200, 263, 30}));
         },
         Point{130, 5}, [](FxColorControl* c) { return AsFxGradientEditor(c)->Gradient(); }},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        FxColorControl* control = row.make();
        ASSERT_NE(row.read(control), sent);
        DragRef drag = NewDrag();
        FxPutGradientOnPasteboard(drag, sent);
        std::vector<std::uint8_t> colour;
        ASSERT_NE(PasteboardCopyItemFlavorData(GetDragPasteboard(drag), kFxColorPasteboardItem,
                                               FxColorPasteboardFlavor(), colour),
                  kNoErr)
            << "a gradient alone";
        const Point target = Global(control, row.at);
        PushScript({script::Drag(target.x, target.y), script::Up(target.x, target.y)});
        EXPECT_EQ(TrackDrag(drag, Point{target.x - 30, target.y}), kNoErr);
        DisposeDrag(drag);
        EXPECT_EQ(row.read(control), sent);
    }
}

} // namespace
