// Colour wells, swatches and bars, the colour panel bridge and the popovers, driven as the user would through the
// platform's script, drawn on recording and bitmap canvases.
#include "FxColorControls.h"
#include "FxPopovers.h"

#include "CxDebug.h"
#include "FxView.h"
#include "PfCairoCanvas.h"
#include "PfColorPanel.h"
#include "PfRecordingCanvas.h"
#include "PfRunLoop.h"
#include "PfSurface.h"
#include "PfTheme.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace
{

using namespace pf;

const std::string kFixtures = std::string(SKYVANE_SOURCE_DIR) + "/Frameworks/FaceObjects/Tests/data";
const std::string kBundle = std::string(SKYVANE_SOURCE_DIR) + "/Products/Skyvane/Resources";

class ColorsWindow : public FxDocumentWindow
{
public:
    ColorsWindow() : FxDocumentWindow("Colors", "Colors") {}
    void OnColorChanged(const GxColor& inColor) override { mColors.push_back(inColor); }
    void OnCommand(FxCommand& ioCommand) override
    {
        ++mCommands;
        ioCommand.Handled();
    }
    std::vector<GxColor> mColors;
    int mCommands = 0;
};

class FxColorControlsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MainLoop().ResetForTesting(ClockKind::kVirtual);
        ResetWindowServerForTesting();
        if (const char* bundle = std::getenv("SKYVANE_BUNDLE"))
            mSavedBundle = bundle;
        UseBundle(kFixtures);
        mWindow = std::make_unique<ColorsWindow>();
        ASSERT_NE(mWindow->GetRef(), nullptr);
        mWindow->Show();
        SelectWindow(mWindow->GetRef());
        // The bubble comes from the product's bundle.
        UseBundle(kBundle);
    }
    void TearDown() override
    {
        CloseColorPanel();
        mWindow.reset();
        if (mSavedBundle.empty())
            unsetenv("SKYVANE_BUNDLE");
        else
            setenv("SKYVANE_BUNDLE", mSavedBundle.c_str(), 1);
        ResetWindowServerForTesting();
    }
    // The environment's bundle outranks CxSetBundle.
    static void UseBundle(const std::string& inFolder) { setenv("SKYVANE_BUNDLE", inFolder.c_str(), 1); }
    template <class T> T* Get(CxSint32 inId, T* (*inCast)(FxControl*))
    {
        T* control = inCast(mWindow->GetControlById(inId));
        EXPECT_NE(control, nullptr) << inId;
        return control;
    }
    FxColorWell* Well(CxSint32 inId) { return Get(inId, AsFxColorWell); }
    FxColorBar* Bar(CxSint32 inId) { return Get(inId, AsFxColorBar); }
    static Point Centre(FxControl* inControl)
    {
        const Rect r = ViewGlobalBounds(inControl->GetRef());
        return Point{r.x + r.w / 2, r.y + r.h / 2};
    }
    static void Run()
    {
        while (DeliverNextScriptItem())
        {
        }
    }
    // A hit as the platform sends it, with the window mouse position in content coordinates.
    static void Click(FxColorControl* inControl, Point inLocal)
    {
        Event hit(kClassControl, kControlHit);
        hit.SetParam(kParamWindowMouseLocation, kTypeHIPoint, ConvertPoint(inLocal, inControl->GetRef(), nullptr));
        inControl->OnHit(hit);
    }
    static std::vector<Operation> Record(FxControl* inControl)
    {
        RecordingCanvas canvas(500, 500);
        Canvas* context = &canvas;
        Event draw(kClassControl, kControlDraw);
        draw.SetParam(kParamCGContext, kTypeCGContext, context);
        GetViewEventTarget(inControl->GetRef())->Send(draw);
        return canvas.Operations();
    }
    std::unique_ptr<ColorsWindow> mWindow;
    std::string mSavedBundle;
};

std::uint32_t Rgba(const Image& inImage, int inX, int inY)
{
    const std::uint8_t* p = inImage.Pixel(inX, inY);
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

// Within two levels per channel.
bool Near(std::uint32_t inActual, std::uint32_t inExpected)
{
    for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(int((inActual >> shift) & 0xFF) - int((inExpected >> shift) & 0xFF)) > 2)
            return false;
    return true;
}

TEST_F(FxColorControlsTest, BarsLayOutFifteenBoxesAndAClickTogglesTheBoxUnderIt)
{
    struct Row
    {
        CxSint32 id;
        std::vector<double> widths;
    };
    const Row rows[] = {{4, std::vector<double>(15, 10)},
                        {5, {11, 11, 11, 11, 11, 11, 11, 10, 10, 10, 10, 10, 10, 10, 10}}};
    for (const Row& row : rows)
    {
        FxColorBar* bar = Bar(row.id);
        ASSERT_NE(bar, nullptr);
        EXPECT_FALSE(bar->IsRamp());
        double x = 0;
        for (int i = 1; i <= 15; ++i)
        {
            EXPECT_EQ(bar->Box(i), (Rect{x, 0, row.widths[std::size_t(i - 1)], 20})) << row.id << " box " << i;
            x += row.widths[std::size_t(i - 1)];
        }
        // Every x toggles the box holding it; a second click toggles it back.
        for (int px = 0; px < int(x); ++px)
        {
            int holder = 0;
            for (int i = 1; i <= 15; ++i)
                if (bar->Box(i).Contains(Point{px + 0.5, 10}))
                    holder = i;
            Click(bar, Point{px + 0.5, 10});
            ASSERT_EQ(std::tuple(bar->GetLastClicked(), bar->IsColorVisible(holder)), std::tuple(holder, false))
                << row.id << " x " << px;
            Click(bar, Point{px + 0.5, 10});
            ASSERT_TRUE(bar->IsColorVisible(holder));
        }
    }
    // Eight colours make a ramp: a click sets last clicked to -1 and toggles nothing.
    FxColorBar* bar = Bar(4);
    GxColorTable eight(kGxNidsReflectivityColors8);
    ASSERT_EQ(eight.size(), 8u);
    bar->SetColors(eight);
    Click(bar, Point{15, 10});
    EXPECT_EQ(std::tuple(bar->GetLastClicked(), bar->IsColorVisible(2)), std::tuple(-1, true));
}

TEST_F(FxColorControlsTest, BadIndexesAndDegenerateTablesAreRefusedNotRead)
{
    FxColorBar* bar = Bar(4);
    ASSERT_NE(bar, nullptr);
    {
        CxDebugCapture capture;
        bar->SetColorVisibility(16, false);
        bar->SetColorVisibility(-1, false);
        EXPECT_FALSE(bar->IsColorVisible(16));
        EXPECT_FALSE(bar->IsColorVisible(-1));
        EXPECT_TRUE(capture.Contains("(0 <= inIndex) && (inIndex <= 15)"));
        bar->SetColorLabel(256, "far");
        bar->SetColorLabel(-1, "near");
        EXPECT_TRUE(capture.Contains("(0 <= inIndex) && (inIndex <= 255)"));
    }
    for (int i = 0; i <= 15; ++i)
        EXPECT_TRUE(bar->IsColorVisible(i)) << i;
    bar->SetColorLabel(255, "top");
    EXPECT_EQ(bar->ColorLabel(255), CxString("top"));

    // The ramp index stays within 0-255 past either end; a 3-colour table gives its last colour there.
    struct Row
    {
        double x;
        int index;
    };
    for (const Row& row : {Row{-40, 0}, Row{0, 0}, Row{75, 127}, Row{150, 255}, Row{600, 255}})
        EXPECT_EQ(bar->RampIndex(row.x), row.index) << row.x;
    GxColorTable three;
    three.clear();
    three.push_back(GxColor(1, 0, 0, 1));
    three.push_back(GxColor(0, 1, 0, 1));
    three.push_back(GxColor(0, 0, 1, 1));
    bar->SetColors(three);
    bar->OnTrackingAreaEntered(666, Point{600, 5});
    EXPECT_EQ(bar->Highlighted(), 255);
    ASSERT_NE(bar->Bubble(), nullptr);
    FxColorSwatch* swatch = AsFxColorSwatch(bar->Bubble()->GetControlById(3));
    ASSERT_NE(swatch, nullptr);
    EXPECT_EQ(std::tuple(swatch->Color(), swatch->IsSwatchVisible()), std::tuple(GxColor(0, 0, 1, 1), true));
    EXPECT_EQ(FxColorControl::CalculateShadingValues(three, -3), GxColor(1, 0, 0, 1));
    EXPECT_EQ(FxColorControl::CalculateShadingValues(three, 1.5), GxColor(0, 1, 0, 1));
    EXPECT_EQ(FxColorControl::CalculateShadingValues(three, 3), GxColor(0, 0, 1, 1));

    // An empty table: the field and triangle only, and the bubble's swatch hides.
    GxColorTable none;
    none.clear();
    bar->SetColors(none);
    RecordingCanvas canvas(200, 50);
    FxColorControl::DrawGradient(canvas, Rect{0, 0, 150, 20}, none);
    ASSERT_EQ(canvas.Operations().size(), 2u);
    EXPECT_EQ(canvas.Operations()[0].mColor, (Color{1, 1, 1, 1}));
    EXPECT_EQ(canvas.Operations()[1].mColor, (Color{0, 0, 0, 1}));
    bar->MoveBubble(Point{20, 5});
    EXPECT_FALSE(swatch->IsSwatchVisible());
    EXPECT_FALSE(Record(bar).empty());

    // A bar without width lays out nothing and has no ramp index.
    SetViewFrame(bar->GetRef(), Rect{10, 50, 0, 20});
    EXPECT_EQ(bar->RampIndex(0), -1);
    for (int i = 1; i <= 15; ++i)
        EXPECT_TRUE(bar->Box(i).Empty()) << i;
    bar->OnTrackingAreaEntered(666, Point{0, 5});
    EXPECT_EQ(bar->Highlighted(), 0);
    bar->SetColors(kGxNidsReflectivityColors16Green);
    Click(bar, Point{0, 5});
    EXPECT_EQ(bar->GetLastClicked(), 0);
}

TEST_F(FxColorControlsTest, TheBubbleNamesTheColourUnderTheMouse)
{
    FxColorBar* bar = Bar(4);
    ASSERT_NE(bar, nullptr);
    const Rect owner = GetWindowBounds(mWindow->GetRef(), kWindowStructureRgn);
    const Point control = ConvertPoint(Point{0, 0}, bar->GetRef(), nullptr);
    const auto expectFrame = [&](double inCentre)
    {
        const CxRect frame = bar->Bubble()->FrameBounds();
        EXPECT_EQ(frame.top, CxSint16(owner.y + control.y - frame.Height() + 20));
        EXPECT_EQ(frame.left, CxSint16(std::trunc(owner.x + control.x + inCentre - frame.Width() / 2)));
    };
    const auto label = [&] { return AsFxStaticText(bar->Bubble()->GetControlById(1))->Text(); };
    const auto swatch = [&] { return AsFxColorSwatch(bar->Bubble()->GetControlById(3)); };

    // Box mode: over box 1 it reads "5 dBZ", centred on the box.
    bar->OnTrackingAreaEntered(666, Point{3, 5});
    ASSERT_NE(bar->Bubble(), nullptr);
    expectFrame(0); // no box highlighted yet: the bar's left edge
    bar->OnTrackingAreaEntered(1, Point{3, 5});
    EXPECT_EQ(label(), CxString("5 dBZ"));
    EXPECT_EQ(swatch()->Color(), bar->Colors()[1]);
    expectFrame(5);
    bar->SetColorVisibility(2, false);
    bar->OnTrackingAreaEntered(2, Point{13, 5});
    EXPECT_FALSE(swatch()->IsSwatchVisible());
    bar->OnTrackingAreaExited(666, Point{-1, 5});
    EXPECT_EQ(std::tuple(bar->Bubble(), bar->Highlighted()), std::tuple(nullptr, 0));

    // Ramp mode: the left end shows label 0 and colour 0.
    bar->SetColors(GxColorTable(kGxNidsReflectivityColors8));
    bar->OnTrackingAreaEntered(666, Point{0, 5});
    ASSERT_NE(bar->Bubble(), nullptr);
    EXPECT_EQ(std::tuple(label(), swatch()->Color(), swatch()->IsSwatchVisible()),
              std::tuple(CxString("ND"), bar->Colors()[0], true));
    expectFrame(0);
    bar->OnTrackingAreaEntered(3, Point{60, 5});
    EXPECT_EQ(bar->Highlighted(), 102);
    expectFrame(60);
    bar->SetHilitedColor(0);
    EXPECT_EQ(bar->Bubble(), nullptr);
}

TEST_F(FxColorControlsTest, WellsFocusTargetAndTakeThePanelsColours)
{
    FxColorWell* well = Well(1);
    ASSERT_NE(well, nullptr);
    struct Row
    {
        CxSint16 asked;
        CxSint16 focus;
        bool accepted;
        CxSint16 after;
    };
    for (const Row& row : {Row{-1, 0, true, 10}, Row{-1, 10, true, 0}, Row{-2, 0, true, 10}, Row{0, 10, true, 0},
                           Row{10, 0, true, 10}, Row{5, 10, false, 0}})
    {
        CxSint16 part = row.focus == 10 ? 10 : 0;
        well->OnSetFocusPart(part);
        part = row.asked;
        const bool accepted = well->OnSetFocusPart(part);
        EXPECT_EQ(std::tuple(accepted, part, well->OnGetFocusPart()), std::tuple(row.accepted, row.after, row.after))
            << row.asked << " from " << row.focus;
    }

    // A click targets the well and shows the panel on its colour, the panel's window selected.
    well->SetColor(GxColor(0.25, 0.5, 0.75, 1));
    Event hit(kClassControl, kControlHit);
    well->OnHit(hit);
    EXPECT_TRUE(well->IsColorTarget());
    EXPECT_TRUE(IsColorPanelVisible());
    EXPECT_EQ(GetColorPanelColor(), (Color{0.25, 0.5, 0.75, 1}));
    EXPECT_EQ(FrontWindow(), GetColorPanelWindow());
    EXPECT_TRUE(IsColorPanelContinuous() && ColorPanelShowsAlpha());

    // A scripted colour (alpha kept) reaches the well and then the window.
    PushScript(script::Colour(1, 0, 0, 0.5));
    Run();
    EXPECT_EQ(well->Color(), GxColor(1, 0, 0, 0.5));
    EXPECT_EQ(mWindow->mColors, std::vector<GxColor>{GxColor(1, 0, 0, 0.5)});
    // An empty script leaves the panel open; panel-close ends the targeting and redraws the well.
    Run();
    EXPECT_TRUE(IsColorPanelVisible());
    const std::size_t redisplays = well->RedisplayCount();
    PushScript(script::PanelClose());
    Run();
    EXPECT_FALSE(IsColorPanelVisible());
    EXPECT_EQ(std::tuple(well->IsColorTarget(), FxColorPickerTarget()), std::tuple(false, ViewRef(nullptr)));
    EXPECT_GT(well->RedisplayCount(), redisplays);
    CxDebugCapture capture;
    PushScript(script::Colour(0, 1, 0, 1));
    Run();
    EXPECT_EQ(well->Color(), GxColor(1, 0, 0, 0.5));
    EXPECT_TRUE(capture.Contains("colour dropped"));

    // A second click on the target ends the targeting without showing the panel again.
    well->OnHit(hit);
    ASSERT_TRUE(well->IsColorTarget());
    SetColorPanelColor(Color{0, 0, 0, 0});
    well->OnHit(hit);
    EXPECT_FALSE(well->IsColorTarget());
    EXPECT_EQ(FxColorPickerTarget(), nullptr);
    EXPECT_EQ(GetColorPanelColor(), (Color{0, 0, 0, 0}));
}

// The user's way in: a click, the space bar, and the mouse moving over a bar.
TEST_F(FxColorControlsTest, ClicksSpacesAndHoversReachTheControls)
{
    FxColorWell* well = Well(1);
    FxColorBar* bar = Bar(4);
    ASSERT_TRUE(well && bar);
    const Point centre = Centre(well);
    PushScript({script::Down(centre.x, centre.y), script::Up(centre.x + 2, centre.y)});
    Run();
    EXPECT_TRUE(well->IsColorTarget());
    EXPECT_TRUE(IsColorPanelVisible());
    CloseColorPanel();
    EXPECT_FALSE(well->IsColorTarget());

    // A space clicks part 10; other characters are not taken.
    const auto type = [&](char16_t inChar)
    {
        Event text(kClassTextInput, kTextInputUnicodeForKeyEvent);
        text.SetParam(kParamTextInputSendText, kTypeUnicodeText, inChar);
        return GetViewEventTarget(well->GetRef())->Send(text);
    };
    EXPECT_EQ(type(u'x'), kEventNotHandled);
    EXPECT_FALSE(well->IsColorTarget());
    EXPECT_EQ(type(u' '), kNoErr);
    EXPECT_TRUE(well->IsColorTarget());

    // Moving over box 1 shows its bubble; leaving the bar deletes it.
    const Rect global = ViewGlobalBounds(bar->GetRef());
    PushScript({script::Move(global.x - 5, global.y + 10), script::Move(global.x + 5, global.y + 10)});
    Run();
    ASSERT_NE(bar->Bubble(), nullptr);
    EXPECT_EQ(bar->Highlighted(), 1);
    EXPECT_EQ(AsFxStaticText(bar->Bubble()->GetControlById(1))->Text(), CxString("5 dBZ"));
    PushScript(script::Move(global.x + 25, global.y + 10));
    Run();
    EXPECT_EQ(bar->Highlighted(), 3);
    PushScript(script::Move(global.x + 25, global.y - 10));
    Run();
    EXPECT_EQ(std::tuple(bar->Bubble(), bar->Highlighted()), std::tuple(nullptr, 0));
}

TEST_F(FxColorControlsTest, DraggingAWellsColourSetsTheOtherWell)
{
    FxColorWell* from = Well(1);
    FxColorWell* to = Well(2);
    ASSERT_TRUE(from && to);
    from->SetColor(GxColor(0.1, 0.2, 0.3, 0.4));
    const Point start = Centre(from);
    const Point end = Centre(to);
    PushScript({script::Down(start.x, start.y), script::Drag(start.x + 10, start.y), script::Drag(end.x, end.y),
                script::Up(end.x, end.y)});
    Run();
    EXPECT_EQ(to->Color(), GxColor(0.1, 0.2, 0.3, 0.4));
    EXPECT_EQ(mWindow->mColors, std::vector<GxColor>{GxColor(0.1, 0.2, 0.3, 0.4)});
    EXPECT_FALSE(from->IsColorTarget());

    // A drag without the colour item changes nothing.
    DragRef drag = NewDrag();
    GxColor color(0.5, 0.5, 0.5, 1);
    EXPECT_FALSE(FxGetColorFromPasteboard(drag, color));
    EXPECT_EQ(color, GxColor(0.5, 0.5, 0.5, 1));
    EXPECT_EQ(FxColorControl::ReceiveColor(drag), GxColor(0, 0, 0, 1));
    // Nor does one whose colour item is cut short.
    const double two[2] = {1, 1};
    PasteboardPutItemFlavor(GetDragPasteboard(drag), kFxColorPasteboardItem, FxColorPasteboardFlavor(), two,
                            sizeof(two));
    EXPECT_FALSE(FxGetColorFromPasteboard(drag, color));
    FxPutColorOnPasteboard(drag, GxColor(0, 1, 0, 0.5));
    EXPECT_TRUE(FxGetColorFromPasteboard(drag, color));
    EXPECT_EQ(color, GxColor(0, 1, 0, 0.5));
    DisposeDrag(drag);
}

// The views' downcast hook: a well's drop inside a view reaches the view's OnColorChanged with the well.
class WellView : public FxView
{
public:
    explicit WellView(ViewRef inView) : FxView(FxViewInfo{inView}) {}
    void OnColorChanged(FxColorWell* inWell) override { mWells.push_back(inWell); }
    std::vector<FxColorWell*> mWells;
};

TEST_F(FxColorControlsTest, AWellInsideAViewTellsTheViewWhichWellChanged)
{
    const ViewRef pane = CreateView(ViewKind::kUserPane, Rect{200, 200, 100, 60});
    AddSubview(GetContentView(mWindow->GetRef()), pane);
    auto* view = new WellView(pane);
    const ViewRef inner = CreateView(ViewKind::kUserPane, Rect{10, 10, 40, 24});
    AddSubview(pane, inner);
    auto* well = new FxColorWell(inner);
    DragRef drag = NewDrag();
    FxPutColorOnPasteboard(drag, GxColor(0.5, 0.25, 1, 1));
    CxDebugCapture capture;
    well->OnReceiveDrag(drag, Point{5, 5});
    DisposeDrag(drag);
    EXPECT_EQ(view->mWells, std::vector<FxColorWell*>{well});
    EXPECT_EQ(well->Color(), GxColor(0.5, 0.25, 1, 1));
    EXPECT_FALSE(capture.Contains("colorWell"));
}

TEST_F(FxColorControlsTest, EqualTablesAndBackgroundsDoNotRedisplay)
{
    FxColorBar* bar = Bar(4);
    ASSERT_NE(bar, nullptr);
    const std::size_t before = bar->RedisplayCount();
    bar->SetColors(GxColorTable(kGxNidsReflectivityColors16Green));
    bar->SetBackgroundColor(GxColor(0, 0, 0, 1));
    EXPECT_EQ(bar->RedisplayCount(), before);
    bar->SetBackgroundColor(GxColor(0, 0, 1, 1));
    bar->SetColors(GxColorTable(kGxNidsReflectivityColors8));
    EXPECT_EQ(bar->RedisplayCount(), before + 2);
}

TEST_F(FxColorControlsTest, HalfTransparentColoursShowTheFieldAndTriangle)
{
    const GxColor half(1, 0, 0, 0.5);
    const std::uint32_t overWhite = 0xFF8080FF;
    const std::uint32_t overBlack = 0x800000FF;
    // A well: the content's top-left half is black (triangle along the top and left edges).
    FxColorWell* well = Well(1);
    ASSERT_NE(well, nullptr);
    well->SetColor(half);
    auto canvas = CairoCanvas::MakeBitmap(40, 24);
    well->OnDraw(*canvas);
    const Rect content = [&]
    {
        auto scratch = CairoCanvas::MakeBitmap(40, 24);
        return DrawThemeBevelButton(*scratch, Rect{0, 0, 40, 24}, ThemeButtonSize::kSmall, ThemeButtonState::kActive,
                                    false);
    }();
    const Image well1 = canvas->Snapshot();
    const int x0 = int(content.x) + 3;
    const int y0 = int(content.y) + 3;
    const int x1 = int(content.Right()) - 4;
    const int y1 = int(content.Bottom()) - 4;
    EXPECT_TRUE(Near(Rgba(well1, x0, y0), overBlack)) << std::hex << Rgba(well1, x0, y0);
    EXPECT_TRUE(Near(Rgba(well1, x1, y1), overWhite)) << std::hex << Rgba(well1, x1, y1);

    // A ramp.
    GxColorTable table;
    table.clear();
    table.push_back(half);
    auto ramp = CairoCanvas::MakeBitmap(40, 20);
    FxColorControl::DrawGradient(*ramp, Rect{0, 0, 40, 20}, table);
    const Image rampImage = ramp->Snapshot();
    EXPECT_TRUE(Near(Rgba(rampImage, 2, 2), overBlack)) << std::hex << Rgba(rampImage, 2, 2);
    EXPECT_TRUE(Near(Rgba(rampImage, 37, 17), overWhite)) << std::hex << Rgba(rampImage, 37, 17);

    // A drag image: the triangle along the left and bottom edges, inside the frame.
    const Image drag = FxColorWell::DragImage(half);
    ASSERT_EQ(std::tuple(drag.mWidth, drag.mHeight), std::tuple(12, 12));
    EXPECT_TRUE(Near(Rgba(drag, 2, 9), overBlack)) << std::hex << Rgba(drag, 2, 9);
    EXPECT_TRUE(Near(Rgba(drag, 9, 2), overWhite)) << std::hex << Rgba(drag, 9, 2);
    EXPECT_TRUE(Near(Rgba(drag, 0, 5), 0x000000FF));
}

TEST_F(FxColorControlsTest, TheWindowShowsSwatchWellAndBoxes)
{
    FxColorWell* well = Well(1);
    FxColorBar* bar = Bar(4);
    ASSERT_TRUE(well && bar);
    well->SetColor(GxColor(0, 0, 1, 1));
    bar->SetColorVisibility(5, false);
    const Snapshot shot = TakeSnapshot(mWindow->GetRef());
    EXPECT_EQ(shot.Pixel(120, 20), 0xFF0000FFu); // the swatch, red
    EXPECT_EQ(shot.Pixel(30, 22), 0x0000FFFFu);  // inside the well's bevel
    const GxColorTable& colors = bar->Colors();
    for (int i = 1; i <= 15; ++i)
    {
        if (i == 5)
            continue;
        const Rect box = bar->Box(i);
        // Translucent table colours show over the black background.
        const GxColor& c = colors[std::size_t(i)];
        const auto channel = [&](double inValue) { return std::uint32_t(std::lround(inValue * c.mAlpha * 255)); };
        const std::uint32_t expected =
            (channel(c.mRed) << 24) | (channel(c.mGreen) << 16) | (channel(c.mBlue) << 8) | 0xFF;
        EXPECT_TRUE(Near(shot.Pixel(int(10 + box.x + box.w / 2), 60), expected))
            << i << std::hex << " " << shot.Pixel(int(10 + box.x + box.w / 2), 60) << " " << expected;
    }
    // The hidden box: background black, grey on its diagonal (smoothed, so only nearly 0.5).
    const Rect hidden = bar->Box(5);
    const std::uint32_t onDiagonal = shot.Pixel(int(10 + hidden.x + 5), 60);
    const std::uint32_t grey = onDiagonal >> 24;
    EXPECT_TRUE(grey > 0x50 && grey <= 0x80 && onDiagonal == ((grey << 24) | (grey << 16) | (grey << 8) | 0xFF))
        << std::hex << onDiagonal;
    EXPECT_EQ(shot.Pixel(int(10 + hidden.x + 2), 67), 0x000000FFu);
}

TEST_F(FxColorControlsTest, PicksWithoutATargetGoToTheUserFocus)
{
    FxColorWell* well = Well(2);
    ASSERT_NE(well, nullptr);
    well->SetColor(GxColor(0, 0, 0, 1));
    FxShowColorPicker(GxColor(1, 1, 1, 1));
    ASSERT_TRUE(IsColorPanelVisible());
    // With no user-focus window the panel's own window takes it, and nothing changes.
    PushScript(script::Colour(0, 1, 0, 1));
    Run();
    EXPECT_EQ(well->Color(), GxColor(0, 0, 0, 1));
    EXPECT_TRUE(mWindow->mColors.empty());
    // The focused view of the user-focus window gets it.
    SetUserFocusWindow(mWindow->GetRef());
    SetKeyboardFocus(mWindow->GetRef(), well->GetRef(), 10);
    PushScript(script::Colour(0, 1, 0, 1));
    Run();
    EXPECT_EQ(well->Color(), GxColor(0, 1, 0, 1));
    SetUserFocusWindow(nullptr);
}

TEST_F(FxColorControlsTest, CommandsInThePanelReachTheFrontDocumentOnce)
{
    FxShowColorPicker(GxColor(1, 0, 0, 1));
    FxShowColorPicker(GxColor(0, 1, 0, 1));
    ASSERT_EQ(FrontWindow(), GetColorPanelWindow());
    EXPECT_EQ(FxCommander::DispatchCommand(FourCC("tst1")), kNoErr);
    EXPECT_EQ(mWindow->mCommands, 1);
    // Once closed, the panel forwards nothing.
    CloseColorPanel();
    ShowWindow(GetColorPanelWindow());
    SelectWindow(GetColorPanelWindow());
    FxCommander::DispatchCommand(FourCC("tst1"));
    EXPECT_EQ(mWindow->mCommands, 1);
}

// ---- Popovers ---------------------------------------------------------------------------------------------------

std::vector<Point> PathPoints(const Operation& inOp)
{
    std::vector<Point> points;
    for (const PathElement& e : inOp.mPath)
    {
        if (e.mKind == PathElement::kClose)
            continue;
        points.push_back(e.mPoint);
        if (e.mKind == PathElement::kArc)
            points.push_back(e.mTangent2);
    }
    return points;
}

TEST_F(FxColorControlsTest, APopoverWithoutPropertiesIsDarkAndPointsDown)
{
    FxPopoverView* pane = AsFxPopoverView(mWindow->GetControlById(6));
    ASSERT_NE(pane, nullptr);
    EXPECT_TRUE(pane->IsDark() && pane->PointsDown());
    pane->SetPointyPoint(CxPoint(40, 0));
    const std::vector<Operation> ops = Record(pane);
    ASSERT_EQ(ops.size(), 4u);
    EXPECT_EQ(ops[3].mKind, Operation::kFill);
    EXPECT_EQ(ops[3].mColor, (Color{0.1235, 0.1235, 0.1235, 0.85}));
    // The arrow tip lies on the bottom, at the pointy point: outermost outline inset by 0.5.
    bool tip = false;
    for (const Point& p : PathPoints(ops[0]))
        tip = tip || (std::abs(p.x - 40) < 1e-9 && std::abs(p.y - 59.5) < 1e-9);
    EXPECT_TRUE(tip);
}

TEST_F(FxColorControlsTest, InsetsMoveTheTopTipByRootTwoAndKeepEdgesParallel)
{
    FxPopoverView* pane = AsFxPopoverView(mWindow->GetControlById(6));
    ASSERT_NE(pane, nullptr);
    FxPopoverShape shape;
    shape.mRadius = 10;
    shape.mLeft = 0;
    shape.mLeftInner = 10;
    shape.mArrowLeft = 50;
    shape.mArrowTip = 60;
    shape.mArrowRight = 70;
    shape.mRightInner = 110;
    shape.mRight = 120;
    shape.mTopTip = 0;
    shape.mTop = 10;
    shape.mTopInner = 20;
    shape.mBottomInner = 50;
    shape.mBottom = 60;
    shape.mBottomTip = 60;
    for (double d : {0.5, 1.0, 2.0})
    {
        FxPopoverShape s = shape;
        s.Inset(d);
        const double r2 = d * std::sqrt(2.0);
        EXPECT_DOUBLE_EQ(s.mTopTip, r2) << d;
        EXPECT_DOUBLE_EQ(s.mBottomTip, 60 - d);
        // The arrow's sides keep their 45-degree slope: base-to-tip rise equals run.
        EXPECT_DOUBLE_EQ(s.mArrowTip - s.mArrowLeft, s.mTop - s.mTopTip) << d;
        EXPECT_DOUBLE_EQ(s.mArrowRight - s.mArrowTip, s.mTop - s.mTopTip) << d;
        EXPECT_EQ(std::tuple(s.mLeftInner, s.mRightInner, s.mTopInner, s.mBottomInner, s.mArrowTip),
                  std::tuple(10.0, 110.0, 20.0, 50.0, 60.0));
        EXPECT_EQ(std::tuple(s.mLeft, s.mRight, s.mTop, s.mBottom, s.mRadius),
                  std::tuple(d, 120 - d, 10 + d, 60 - d, 10 - d));
    }
}

TEST_F(FxColorControlsTest, BubbleAndHeadsUpOutlinesMeetTheirTangentPoints)
{
    FxHelpBubble* bubble = AsFxHelpBubble(mWindow->GetControlById(7));
    FxHudView* hud = AsFxHudView(mWindow->GetControlById(8));
    ASSERT_TRUE(bubble && hud);
    // Width 100, height 40: the bubble's body ends at b = 30.
    // Each arc records both tangent points, 10 from its corner along the edges.
    const std::vector<Point> bubbleLocal = {
        {0.5, 10},    {0.5, 10.5}, {10.5, 0.5}, {90, 0.5},  {89.5, 0.5}, {99.5, 10.5}, {99.5, 20},  {99.5, 19.5},
        {89.5, 29.5}, {55, 29.5},  {50, 34.5},  {45, 29.5}, {10, 29.5},  {10.5, 29.5}, {0.5, 19.5}, {0.5, 10}};
    const std::vector<Point> hudLocal = {{0.5, 10},    {0.5, 10.5}, {10.5, 0.5},  {90, 0.5},    {89.5, 0.5},
                                         {99.5, 10.5}, {99.5, 30},  {99.5, 29.5}, {89.5, 39.5}, {10, 39.5},
                                         {10.5, 39.5}, {0.5, 29.5}, {0.5, 10}};
    struct Row
    {
        FxControl* control;
        const std::vector<Point>* local;
        Color fill;
        Color stroke;
    };
    for (const Row& row : {Row{bubble, &bubbleLocal, {0.25, 0.25, 0.25, 0.8}, {0.8, 0.8, 0.8, 0.8}},
                           Row{hud, &hudLocal, {0.25, 0.25, 0.25, 0.8}, {0, 0, 0, 0.8}}})
    {
        const std::vector<Operation> ops = Record(row.control);
        ASSERT_EQ(ops.size(), 2u);
        EXPECT_EQ(std::tuple(ops[0].mKind, ops[0].mColor, ops[1].mKind, ops[1].mColor),
                  std::tuple(Operation::kFill, row.fill, Operation::kStroke, row.stroke));
        const Point origin{0, 0};
        const std::vector<Point> points = PathPoints(ops[0]);
        ASSERT_EQ(points.size(), row.local->size());
        for (std::size_t i = 0; i < points.size(); ++i)
        {
            EXPECT_NEAR(points[i].x, origin.x + (*row.local)[i].x, 1e-9) << i;
            EXPECT_NEAR(points[i].y, origin.y + (*row.local)[i].y, 1e-9) << i;
        }
    }
}

TEST_F(FxColorControlsTest, APopoverNearTheScreenEdgeIsPulledBackButAimsAtThePoint)
{
    UseBundle(kFixtures);
    mWindow->SetContentBounds(CxRect(1200, 200, 1400, 400));
    const CxRect parent = mWindow->ContentBounds();
    FxPopoverWindow popover("Colors", "Popover", mWindow.get(), CxPoint(220, 40));
    ASSERT_NE(popover.PopoverView(), nullptr);
    EXPECT_FALSE(popover.PopoverView()->IsDark());
    EXPECT_FALSE(popover.PopoverView()->PointsDown());
    const CxRect frame = popover.FrameBounds();
    EXPECT_LE(frame.right, 1440);
    EXPECT_LT(frame.left, parent.left + 220 - 100);
    EXPECT_EQ(frame.top, parent.top + 40);
    EXPECT_EQ(popover.PopoverView()->PointyPoint().h, parent.left + 220 - popover.ContentBounds().left);
    EXPECT_GT(popover.PopoverView()->PointyPoint().h, 100);
}

} // namespace
