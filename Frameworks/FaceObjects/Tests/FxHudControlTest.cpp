// Heads-up controls built from an interface file over a bundle of flat-coloured test images, drawn on the
// recording canvas and on Cairo bitmaps, tracked through the server's script.
#include "FxCaptionControl.h"

#include "CxDebug.h"
#include "CxSystem.h"
#include "FxBuildControls.h"
#include "FxInterfaceFile.h"
#include "FxWindow.h"
#include "PfCairoCanvas.h"
#include "PfRecordingCanvas.h"
#include "PfRunLoop.h"
#include "PfTheme.h"
#include "TestSupport.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace
{

using namespace pf;

const std::string kSource = SKYVANE_SOURCE_DIR;
const std::string kFixtures = kSource + "/Frameworks/FaceObjects/Tests/data";

struct Rgba
{
    std::uint8_t r, g, b, a;
};

// The slots' flat colours; the pressed slices and thumb are told apart by their widths.
const Rgba kRed{200, 0, 0, 255}, kGreen{0, 160, 0, 255}, kBlue{0, 0, 200, 255}, kNavy{0, 0, 90, 255},
    kYellow{220, 220, 0, 255}, kGrey{90, 90, 90, 255};

Image Flat(int inWidth, int inHeight, Rgba inColor)
{
    Image image;
    image.mWidth = inWidth;
    image.mHeight = inHeight;
    for (int i = 0; i < inWidth * inHeight; ++i)
        image.mPixels.insert(image.mPixels.end(), {inColor.r, inColor.g, inColor.b, inColor.a});
    return image;
}

std::vector<Operation> OfKind(const std::vector<Operation>& inOps, Operation::Kind inKind)
{
    std::vector<Operation> found;
    for (const Operation& op : inOps)
        if (op.mKind == inKind)
            found.push_back(op);
    return found;
}

// The pixel's distance from a colour, the largest channel difference.
int Distance(const Image& inImage, int inX, int inY, Rgba inColor)
{
    const std::uint8_t* p = inImage.Pixel(inX, inY);
    return std::max({std::abs(p[0] - inColor.r), std::abs(p[1] - inColor.g), std::abs(p[2] - inColor.b),
                     std::abs(p[3] - inColor.a)});
}

std::vector<std::string> gTrace;

class HudWindow : public FxDocumentWindow
{
public:
    using FxDocumentWindow::FxDocumentWindow;
    void OnControlHit(FxControl* inControl) override { gTrace.push_back("hit " + std::to_string(inControl->Id())); }
    void OnControlTrack(FxControl* inControl) override
    {
        gTrace.push_back("track " + std::to_string(inControl->Value()));
    }
};

OSStatus SendDraw(FxControl* inControl, Canvas* inCanvas)
{
    Event draw(kClassControl, kControlDraw);
    draw.SetParam(kParamCGContext, kTypeCGContext, inCanvas);
    return GetViewEventTarget(inControl->GetRef())->Send(draw);
}

std::vector<Operation> Record(FxControl* inControl)
{
    const Rect bounds = GetViewBounds(inControl->GetRef());
    RecordingCanvas canvas(bounds.w, bounds.h);
    EXPECT_EQ(SendDraw(inControl, &canvas), kNoErr);
    return canvas.Operations();
}

Image Raster(FxControl* inControl)
{
    const Rect bounds = GetViewBounds(inControl->GetRef());
    auto canvas = CairoCanvas::MakeBitmap(std::int32_t(bounds.w), std::int32_t(bounds.h));
    EXPECT_EQ(SendDraw(inControl, canvas.get()), kNoErr);
    std::string error;
    EXPECT_TRUE(canvas->Finish(error)) << error;
    return canvas->Snapshot();
}

// A bar button that notes, as each tracking pass begins, whether the previous one left it looking pressed, and
// the part each pass found.
struct Look
{
    bool mPressed;
    CxSint16 mPart;
};
std::vector<Look> gLooks;

class ProbeBarButton : public FxBarButton
{
public:
    using FxBarButton::FxBarButton;
    bool OnTrack(pf::Event& ioEvent, const pf::Point& inStart, const pf::Point& inCurrent, CxSint16& ioPart) override
    {
        const std::vector<Operation> images = OfKind(Record(this), Operation::kImage);
        const bool pressed = images.size() == 3 && images[1].mImageWidth == 6;
        const bool over = FxBarButton::OnTrack(ioEvent, inStart, inCurrent, ioPart);
        gLooks.push_back({pressed, ioPart});
        return over;
    }
};

FxControl* MakeProbe(ViewRef inView)
{
    return new ProbeBarButton(inView);
}

class FxHudControlTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MainLoop().ResetForTesting(ClockKind::kVirtual);
        ResetWindowServerForTesting();
        gTrace.clear();
        gLooks.clear();
        namespace fs = std::filesystem;
        fs::copy_file(kFixtures + "/Hud.fxui", mHome.Path() + "/Hud.fxui");
        const std::vector<std::pair<std::string, Image>> images = {{"CapLeft1", Flat(3, 30, kRed)},
                                                                   {"CapMiddle1", Flat(5, 30, kNavy)},
                                                                   {"CapRight1", Flat(3, 30, kBlue)},
                                                                   {"Icon1", Flat(10, 10, kRed)},
                                                                   {"Icon2", Flat(12, 12, kGreen)},
                                                                   {"FxBarButtonLeft1", Flat(3, 20, kRed)},
                                                                   {"FxBarButtonMiddle1", Flat(5, 20, kGreen)},
                                                                   {"FxBarButtonRight1", Flat(3, 20, kBlue)},
                                                                   {"FxBarButtonLeft2", Flat(3, 20, kYellow)},
                                                                   {"FxBarButtonMiddle2", Flat(6, 20, kGrey)},
                                                                   {"FxBarButtonRight2", Flat(3, 20, kNavy)},
                                                                   {"Thumb", Flat(20, 10, kRed)},
                                                                   {"ThumbDown", Flat(20, 10, kGreen)},
                                                                   {"Track", Flat(100, 4, kGrey)},
                                                                   {"Tex1", Flat(4, 4, kRed)},
                                                                   {"Tex2", Flat(4, 4, kGreen)}};
        for (const auto& [name, image] : images)
        {
            std::string error;
            ASSERT_TRUE(WritePngFile(image, mHome.Path() + "/" + name + ".png", error)) << error;
        }
        std::ofstream(mHome.Path() + "/Broken.png") << "\x89PNG\r\n\x1a\n not really";
        CxSetBundle(CxString::FromUtf8(mHome.Path()));
    }
    void TearDown() override
    {
        CxSetBundle("");
        ResetWindowServerForTesting();
    }
    static void Run()
    {
        while (DeliverNextScriptItem())
        {
        }
    }
    static std::unique_ptr<HudWindow> Open()
    {
        std::unique_ptr<HudWindow> window(new HudWindow("Hud", "HudWindow"));
        window->Show();
        window->BringToFront();
        return window;
    }

    sky::test::TempHome mHome;
};

// ---- Images -------------------------------------------------------------------------------------------------

TEST_F(FxHudControlTest, ImagesLoadFromTheBundleAndMissingOrBrokenOnesAnswerNullNamingTheFile)
{
    std::unique_ptr<Image> icon(FxLoadImage("Icon2"));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->mWidth, 12);
    EXPECT_EQ(Distance(*icon, 11, 11, kGreen), 0);
    for (const char* name : {"Nowhere", "Broken", ""})
    {
        CxDebugCapture capture;
        EXPECT_EQ(FxLoadImage(name), nullptr) << name;
        EXPECT_EQ(capture.Count(), 1u) << name;
        EXPECT_TRUE(capture.Contains(std::string(name) + ".png")) << name;
    }
    CxSetBundle("");
    EXPECT_EQ(FxLoadImage("Icon2"), nullptr);
}

// ---- Caption ------------------------------------------------------------------------------------------------

TEST_F(FxHudControlTest, ACaptionShowsItsTitleOnlyWithinNinetyPercentOfItsWidth)
{
    auto window = Open();
    FxCaptionControl* caption = AsFxCaptionControl(window->GetControlById(1));
    ASSERT_NE(caption, nullptr);
    const CxString title("Radar loop");
    caption->SetTitle(title);

    // The measured width against Cairo's own: the full advance, or the ink plus one once the line is too short
    // (the engine's ink and Cairo's tight box may differ by a pixel either way).
    const CxRect measured = caption->BuildLayout(CxRect(0, 0, 20, 30), title);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 4, 4);
    cairo_t* cr = cairo_create(surface);
    CairoCanvas::SetTextFont(cr, FontRegistry::kDefaultFontId, 14, Affine{1, 0, 0, -1, 0, 0});
    cairo_text_extents_t extents;
    cairo_text_extents(cr, "Radar loop", &extents);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    const int advance = int(std::ceil(extents.x_advance));
    const int ink = int(std::ceil(extents.x_bearing + extents.width) - std::floor(extents.x_bearing));
    const int width = measured.Width();
    EXPECT_TRUE(width == advance || (width < advance && width >= ink && width <= ink + 2))
        << width << " advance " << advance << " ink " << ink;

    struct Row
    {
        int overLimit;
        bool drawn;
    };
    for (const Row row : {Row{1, false}, Row{-1, true}, Row{0, true}})
    {
        // The width whose 90% is the title's width plus the row's pixel.
        int w = 10;
        while (int(std::trunc(w * 0.9)) != width - row.overLimit)
            ++w;
        caption->SetBounds(CxRect(0, 0, CxSint16(w), 30));
        const std::vector<Operation> ops = Record(caption);
        const std::vector<Operation> images = OfKind(ops, Operation::kImage);
        ASSERT_EQ(images.size(), 3u);
        EXPECT_EQ(images[0].mRect, (Rect{0, 0, 3, 30}));
        EXPECT_EQ(images[1].mRect, (Rect{3, 0, w - 6.0, 30}));
        EXPECT_EQ(images[2].mRect, (Rect{w - 3.0, 0, 3, 30}));
        for (const Operation& image : images)
            EXPECT_TRUE(image.mUpright);
        const std::vector<Operation> texts = OfKind(ops, Operation::kText);
        ASSERT_EQ(texts.size(), row.drawn ? 1u : 0u) << row.overLimit;
        if (row.drawn)
        {
            EXPECT_EQ(texts[0].mStart, (Point{std::trunc(w * 0.5 - width * 0.5), 20})) << row.overLimit;
            EXPECT_EQ(texts[0].mColor, (Color{1, 1, 1, 1}));
            EXPECT_EQ(texts[0].mText, "Radar loop");
        }
    }
    // An empty title lays out to nothing and draws nothing.
    EXPECT_EQ(caption->BuildLayout(CxRect(0, 0, 200, 30), CxString()).Width(), 0);
    caption->SetTitle(CxString());
    EXPECT_TRUE(OfKind(Record(caption), Operation::kText).empty());
}

TEST_F(FxHudControlTest, ACaptionsTitleStandsUprightOnItsBaseline)
{
    auto window = Open();
    FxCaptionControl* caption = AsFxCaptionControl(window->GetControlById(1));
    ASSERT_NE(caption, nullptr);
    caption->SetTitle("HUD Til");
    const Image raster = Raster(caption);
    ASSERT_EQ(raster.mWidth, 200);
    int top = 1000, bottom = -1, left = 1000;
    for (int y = 0; y < raster.mHeight; ++y)
        for (int x = 3; x < raster.mWidth - 3; ++x)
        {
            if (raster.Pixel(x, y)[0] > 128)
            {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                left = std::min(left, x);
            }
        }
    // Capitals without descenders: ink from about the cap height down to the baseline at 30 - 10, none below.
    const int baseline = 20;
    EXPECT_LE(bottom, baseline);
    EXPECT_GE(bottom, baseline - 1);
    EXPECT_GE(top, baseline - 16);
    EXPECT_LE(top, baseline - 8);
    EXPECT_GT(left, 60);
    // The bar's slices stay in their colours where the text is not.
    EXPECT_LE(Distance(raster, 1, 5, kRed), 2);
    EXPECT_LE(Distance(raster, 100, 2, kNavy), 2);
    EXPECT_LE(Distance(raster, 198, 5, kBlue), 2);
    EXPECT_EQ(caption->OnHitTest(Point{10, 10}), 0);
}

// ---- Buttons ------------------------------------------------------------------------------------------------

TEST_F(FxHudControlTest, AnIconButtonShowsItsPressedImageWhileOnOrPressed)
{
    auto window = Open();
    FxIconButton* icon = AsFxIconButton(window->GetControlById(2));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Minimum(), 0);
    EXPECT_EQ(icon->Maximum(), 1);
    struct Row
    {
        CxSint32 value;
        bool inside;
        CxSint16 hilite;
        int width; // 12 is the pressed image
    };
    const ViewRef view = icon->GetRef();
    for (const Row row :
         {Row{1, false, 0, 12}, Row{0, false, 0, 10}, Row{0, true, 10, 12}, Row{0, true, 0, 10}, Row{0, false, 10, 10}})
    {
        icon->SetValue(row.value);
        Event area(kClassControl, row.inside ? kControlTrackingAreaEntered : kControlTrackingAreaExited);
        GetViewEventTarget(view)->Send(area);
        HiliteControl(view, row.hilite);
        const std::vector<Operation> images = OfKind(Record(icon), Operation::kImage);
        ASSERT_EQ(images.size(), 1u);
        EXPECT_EQ(images[0].mImageWidth, row.width) << row.value << row.inside << row.hilite;
        // At its own size, centred in the 40 x 40 bounds.
        EXPECT_EQ(images[0].mRect,
                  (Rect{(40.0 - row.width) / 2, (40.0 - row.width) / 2, double(row.width), double(row.width)}));
    }
    EXPECT_EQ(icon->OnHitTest(Point{39.5, 0}), kControlButtonPart);
    EXPECT_EQ(icon->OnHitTest(Point{40, 0}), 0);
}

TEST_F(FxHudControlTest, PressedLooksFollowTheMouseAndOnlyAReleaseInsideHitsTheWindow)
{
    FxRegisterAllControls();
    const FxControlFactory bar = FxControlClassFactory(pf::FourCC("FXBB"));
    FxRegisterControlClass(pf::FourCC("FXBB"), MakeProbe);
    auto window = Open();
    FxRegisterControlClass(pf::FourCC("FXBB"), bar);
    ASSERT_NE(dynamic_cast<ProbeBarButton*>(window->GetControlById(11)), nullptr);
    // The button lies at (10, 10) in a pane at (40, 30) of the content at (100, 100): global (150, 140).
    struct Row
    {
        std::vector<ScriptItem> script;
        std::vector<bool> pressed; // the look left by each pass before the next
        CxSint16 finalPart;
        std::vector<std::string> trace;
    };
    const std::vector<Row> rows = {
        {{script::Down(160, 150), script::Drag(300, 150), script::Drag(170, 151), script::Up(170, 151)},
         {true, false, true},
         kControlButtonPart,
         {"hit 11"}},
        {{script::Down(160, 150), script::Drag(160, 200), script::Up(160, 200)}, {true, false}, 0, {}},
        {{script::Down(160, 150), script::Up(249, 159)}, {true}, kControlButtonPart, {"hit 11"}},
    };
    for (const Row& row : rows)
    {
        gLooks.clear();
        gTrace.clear();
        PushScript(row.script);
        Run();
        std::vector<bool> pressed;
        for (const Look& look : gLooks)
            pressed.push_back(look.mPressed);
        EXPECT_EQ(pressed, row.pressed);
        ASSERT_FALSE(gLooks.empty());
        EXPECT_EQ(gLooks.back().mPart, row.finalPart);
        EXPECT_EQ(gTrace, row.trace);
        EXPECT_EQ(GetControlHilite(window->GetControlById(11)->GetRef()), 0);
    }
}

TEST_F(FxHudControlTest, ATextureButtonPutsItsEndsBesideAStretchedUprightMiddle)
{
    auto window = Open();
    FxTextureButton* button = AsFxTextureButton(window->GetControlById(11));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->CountLoadedImages(), 6);
    EXPECT_EQ(button->Title(), CxString());
    // A middle whose top rows differ shows them at the top.
    Image middle = Flat(5, 20, kGreen);
    for (std::size_t i = 0; i < 5 * 4; ++i)
    {
        middle.mPixels[i * 4] = kYellow.r;
        middle.mPixels[i * 4 + 1] = kYellow.g;
        middle.mPixels[i * 4 + 2] = kYellow.b;
    }
    std::string error;
    ASSERT_TRUE(WritePngFile(middle, mHome.Path() + "/FxBarButtonMiddle1.png", error));
    FxTextureButton striped(CreateView(ViewKind::kUserPane, Rect{0, 0, 100, 20}), "FxBarButton", 12);
    const Image raster = Raster(&striped);
    ASSERT_EQ(raster.mWidth, 100);
    for (int x = 0; x < 100; ++x)
    {
        const Rgba expected = x < 3 ? kRed : x >= 97 ? kBlue : kGreen;
        EXPECT_LE(Distance(raster, x, 12, expected), 2) << x;
    }
    for (int x = 10; x < 90; x += 10)
    {
        EXPECT_LE(Distance(raster, x, 1, kYellow), 2) << x;
        EXPECT_LE(Distance(raster, x, 18, kGreen), 2) << x;
    }
}

TEST_F(FxHudControlTest, AnInterfaceFileTextureButtonStretchesItsImageAndCentresItsTitle)
{
    auto window = Open();
    FxTextureButton* button = AsFxTextureButton(window->GetControlById(13));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->CountLoadedImages(), 2);
    EXPECT_EQ(button->Title(), CxString("Tex"));
    const std::vector<Operation> ops = Record(button);
    const std::vector<Operation> images = OfKind(ops, Operation::kImage);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].mRect, (Rect{0, 0, 100, 20}));
    EXPECT_TRUE(images[0].mUpright);
    const std::vector<Operation> texts = OfKind(ops, Operation::kText);
    ASSERT_EQ(texts.size(), 1u);
    // Centred: its measured box (ascent above the pen, descent below) sits in the middle of the 100 x 20 bounds.
    const Rect box = texts[0].mRect;
    EXPECT_GT(box.h, 10);
    EXPECT_NEAR(box.y, 20 - box.Bottom(), 1);
    EXPECT_NEAR(box.x, 100 - box.Right(), 1);
    EXPECT_EQ(texts[0].mColor, (Color{1, 1, 1, 1}));
    // A title wider than the line is cut in the middle.
    button->SetTitle("A title far too long for a button a hundred points wide");
    const std::vector<Operation> cut = OfKind(Record(button), Operation::kText);
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_NE(cut[0].mText.find("\u2026"), std::string::npos);
    EXPECT_LE(cut[0].mRect.w, 92);
}

TEST_F(FxHudControlTest, AButtonWithoutItsImagesDrawsItsTitleOnly)
{
    CxDebugCapture capture;
    auto window = Open();
    FxTextureButton* button = AsFxTextureButton(window->GetControlById(14));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->CountLoadedImages(), 0);
    EXPECT_TRUE(capture.Contains("Missing1.png"));
    EXPECT_TRUE(capture.Contains("Missing2.png"));
    const std::vector<Operation> ops = Record(button);
    EXPECT_TRUE(OfKind(ops, Operation::kImage).empty());
    ASSERT_EQ(OfKind(ops, Operation::kText).size(), 1u);
    EXPECT_EQ(OfKind(ops, Operation::kText)[0].mText, "Only the title");
    // Also pressed, and on a raster.
    Event entered(kClassControl, kControlTrackingAreaEntered);
    GetViewEventTarget(button->GetRef())->Send(entered);
    HiliteControl(button->GetRef(), kControlButtonPart);
    EXPECT_TRUE(OfKind(Record(button), Operation::kImage).empty());
    const Image raster = Raster(button);
    EXPECT_EQ(raster.mWidth, 100);
}

TEST_F(FxHudControlTest, ControlEventsAreTakenAsThePlatformExpects)
{
    auto window = Open();
    FxCaptionControl* caption = AsFxCaptionControl(window->GetControlById(1));
    FxControl* button = window->GetControlById(11);
    ASSERT_NE(caption, nullptr);
    ASSERT_NE(button, nullptr);
    struct Row
    {
        std::uint32_t kind;
        OSStatus status;
    };
    // Hits go on to the window; focus requests are the platform's; the rest are taken.
    for (FxControl* control : {static_cast<FxControl*>(caption), button})
        for (const Row row :
             {Row{kControlHit, kEventNotHandled}, Row{kControlSetFocusPart, kEventNotHandled},
              Row{kControlGetFocusPart, kEventNotHandled}, Row{kControlValueFieldChanged, kEventNotHandled},
              Row{kControlHitTest, kNoErr}, Row{kControlActivate, kNoErr}, Row{kControlDeactivate, kNoErr},
              Row{kControlHiliteChanged, kNoErr}, Row{kControlEnabledStateChanged, kNoErr},
              Row{kControlBoundsChanged, kNoErr}, Row{kControlTrackingAreaEntered, kNoErr},
              Row{kControlTrackingAreaExited, kNoErr}})
        {
            Event event(kClassControl, row.kind);
            event.SetParam(kParamDirectObject, kTypeControlRef, control->GetRef());
            event.SetParam(kParamControlPart, kTypeControlPartCode, CxSint16(5));
            event.SetParam(kParamMouseLocation, kTypeHIPoint, Point{1, 1});
            // Asked directly: sent, the walk would go on to the parents and the window.
            EXPECT_EQ(control->Event(nullptr, event), row.status) << row.kind;
        }
    // The caption keeps the last hit's part and never reports one of its own.
    EXPECT_EQ(caption->LastPartHit(), 5);
    Event test(kClassControl, kControlHitTest);
    test.SetParam(kParamMouseLocation, kTypeHIPoint, Point{10, 10});
    ASSERT_EQ(GetViewEventTarget(caption->GetRef())->Send(test), kNoErr);
    CxSint16 part = -1;
    test.GetParam(kParamControlPart, kTypeControlPartCode, part);
    EXPECT_EQ(part, 0);
    // Entering and leaving change the buttons' look, never the caption's.
    EXPECT_FALSE(caption->MouseInside());
}

// ---- Slider -------------------------------------------------------------------------------------------------

TEST_F(FxHudControlTest, TheSliderFollowsTheMouseAcrossItsTravelTellingTheWindowEachStep)
{
    auto window = Open();
    FxTextureSlider* slider = AsFxTextureSlider(window->GetControlById(12));
    ASSERT_NE(slider, nullptr);
    // Drawn once, the thumb sits at the travel's start: left 10, top 0.
    Record(slider);
    EXPECT_EQ(slider->ThumbRect(), CxRect(10, 0, 30, 10));
    // The slider's origin is global (150, 180); travel = 120 - 20 - 20 = 80.
    PushScript({script::Down(165, 185), script::Drag(200, 185), script::Drag(155, 185), script::Drag(350, 185),
                script::Drag(150 + 49.9, 185), script::Up(150 + 49.9, 185)});
    Run();
    EXPECT_EQ(gTrace, (std::vector<std::string>{"track 50", "track 0", "track 100", "track 49", "track 49"}));
    EXPECT_EQ(slider->Value(), 49);

    // The pressed thumb while lit, at its left edge for the value, centred down the bounds.
    HiliteControl(slider->GetRef(), 4);
    const std::vector<Operation> images = OfKind(Record(slider), Operation::kImage);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].mRect, (Rect{10, 8, 100, 4}));
    EXPECT_EQ(images[1].mRect, (Rect{std::trunc(49 / 100.0 * 80 + 10), 5, 20, 10}));
    EXPECT_EQ(images[1].mImageWidth, 20);
    EXPECT_EQ(slider->OnHitTest(Point{double(images[1].mRect.x), 9.9}), 4);
    EXPECT_EQ(slider->OnHitTest(Point{double(images[1].mRect.x) - 0.5, 5}), 0);
}

TEST_F(FxHudControlTest, ASliderWithoutRangeOrTravelStaysAtItsMinimum)
{
    auto window = Open();
    FxTextureSlider* slider = AsFxTextureSlider(window->GetControlById(12));
    ASSERT_NE(slider, nullptr);
    struct Row
    {
        CxSint16 width;
        CxSint32 minimum, maximum;
    };
    // Both divide by zero or run backwards if left alone; the press always lands on the thumb drawn at 10.
    for (const Row row : {Row{120, 7, 7}, Row{40, 0, 100}, Row{35, 0, 100}, Row{36, -5, -5}})
    {
        slider->SetMaximum(row.maximum);
        slider->SetMinimum(row.minimum);
        slider->SetValue(row.minimum);
        slider->SetBounds(CxRect(10, 50, CxSint16(10 + row.width), 70));
        std::vector<Operation> images = OfKind(Record(slider), Operation::kImage);
        ASSERT_FALSE(images.empty());
        EXPECT_EQ(images.back().mRect.x, 10) << row.width;
        gTrace.clear();
        PushScript({script::Down(165, 185), script::Drag(180, 185), script::Drag(152, 185), script::Drag(450, 185),
                    script::Up(450, 185)});
        Run();
        const std::string still = "track " + std::to_string(row.minimum);
        EXPECT_EQ(gTrace, (std::vector<std::string>{still, still, still, still})) << row.width;
        EXPECT_EQ(slider->Value(), row.minimum) << row.width;
        images = OfKind(Record(slider), Operation::kImage);
        ASSERT_FALSE(images.empty());
        EXPECT_EQ(images.back().mRect.x, 10) << row.width;
    }
}

// A window that drops the slider as soon as it hears it move.
class DroppingWindow : public FxDocumentWindow
{
public:
    using FxDocumentWindow::FxDocumentWindow;
    void OnControlTrack(FxControl* inControl) override
    {
        gTrace.push_back("dropped");
        delete inControl;
    }
};

TEST_F(FxHudControlTest, ASliderTakenAwayWhileTrackingEndsTheLoopUntouched)
{
    std::unique_ptr<DroppingWindow> window(new DroppingWindow("Hud", "HudWindow"));
    window->Show();
    window->BringToFront();
    FxTextureSlider* slider = AsFxTextureSlider(window->GetControlById(12));
    ASSERT_NE(slider, nullptr);
    Record(slider);
    PushScript({script::Down(165, 185), script::Drag(200, 185), script::Drag(210, 185), script::Up(210, 185)});
    Run();
    EXPECT_EQ(gTrace, std::vector<std::string>{"dropped"});
    EXPECT_EQ(window->GetControlById(12), nullptr);
}

// ---- The product's own images -------------------------------------------------------------------------------

double Lightness(const Image& inImage, int inX, int inY)
{
    const std::uint8_t* p = inImage.Pixel(inX, inY);
    return (p[0] + p[1] + p[2]) / 3.0;
}

TEST_F(FxHudControlTest, TheProductsButtonsShowTheirSlicesLighterWhilePressed)
{
    const std::string bundle = kSource + "/Products/Skyvane/Resources";
    CxSetBundle(CxString::FromUtf8(bundle));
    std::string error;
    const auto file = FxInterfaceFile::OpenPath(kFixtures + "/Hud.fxui", error);
    ASSERT_NE(file, nullptr) << error;
    const WindowRef window = file->CreateWindow("HudReal");
    ASSERT_NE(window, nullptr);
    FxBuildControls(GetContentView(window));
    std::vector<std::unique_ptr<FxControl>> owned;
    for (const ViewRef view : GetSubviews(GetContentView(window)))
        owned.emplace_back(FxControl::FromRef(view));
    ASSERT_EQ(owned.size(), 2u);
    ASSERT_NE(dynamic_cast<FxBarButton*>(owned[0].get()), nullptr);
    ASSERT_NE(dynamic_cast<FxHudButton*>(owned[1].get()), nullptr);
    for (const auto& control : owned)
    {
        auto* button = static_cast<FxTextureButton*>(control.get());
        EXPECT_EQ(button->CountLoadedImages(), 6);
        const Image normal = Raster(button);
        Event entered(kClassControl, kControlTrackingAreaEntered);
        GetViewEventTarget(button->GetRef())->Send(entered);
        HiliteControl(button->GetRef(), kControlButtonPart);
        const Image pressed = Raster(button);
        HiliteControl(button->GetRef(), 0);
        const std::string base = dynamic_cast<FxHudButton*>(button) ? "FxHudButton" : "FxBarButton";
        const int h = normal.mHeight, y = h / 2;
        for (const auto& [look, raster] : {std::pair{1, &normal}, std::pair{2, &pressed}})
        {
            const auto slice = [&](const char* inPart)
            {
                Image image;
                std::string readError;
                EXPECT_TRUE(
                    ReadImageFile(bundle + "/" + base + inPart + std::to_string(look) + ".png", image, readError))
                    << readError;
                return image;
            };
            const Image left = slice("Left"), middle = slice("Middle"), right = slice("Right");
            ASSERT_EQ(left.mHeight, h);
            // Straight alpha on both sides; the slices' own pixels, inside and at the ends.
            for (const auto& [x, image, ix] :
                 {std::tuple{1, &left, 1}, std::tuple{20, &middle, 4}, std::tuple{98, &right, 1}})
            {
                const std::uint8_t* want = image->Pixel(ix, y);
                const std::uint8_t* got = raster->Pixel(x, y);
                for (int c = 0; c < 4; ++c)
                    EXPECT_NEAR(got[c], want[c], 3) << base << look << " x " << x << " channel " << c;
            }
        }
        EXPECT_GT(Lightness(pressed, 20, y), Lightness(normal, 20, y) + 20) << base;
        EXPECT_GT(Lightness(pressed, 1, y), Lightness(normal, 1, y) + 20) << base;
    }
    EXPECT_EQ(static_cast<FxTextureButton*>(owned[1].get())->Title(), CxString("Play"));
    owned.clear();
    DisposeWindow(window);
}

TEST_F(FxHudControlTest, TheBundleImagesScriptRedrawsTheButtonsByteForByte)
{
    if (std::system("python3 -c pass >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3 absent";
    const std::string out = mHome.Path() + "/drawn";
    ASSERT_EQ(std::system(("python3 " + kSource + "/scripts/make_bundle_images.py " + out).c_str()), 0);
    const auto bytes = [](const std::string& inPath)
    {
        std::ifstream in(inPath, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    int compared = 0;
    for (const char* base : {"FxBarButton", "FxHudButton"})
        for (const char* part : {"Left", "Middle", "Right"})
            for (const char* look : {"1", "2"})
            {
                const std::string name = std::string(base) + part + look + ".png";
                const std::string committed = bytes(kSource + "/Products/Skyvane/Resources/" + name);
                EXPECT_FALSE(committed.empty()) << name;
                EXPECT_EQ(bytes(out + "/" + name), committed) << name;
                ++compared;
            }
    EXPECT_EQ(compared, 12);
}

} // namespace
