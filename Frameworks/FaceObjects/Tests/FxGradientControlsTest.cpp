// The gradient grid and the gradient flavour, driven through the platform's script, with the grid's preferences
// file under a temporary home.
#include "FxGradientPicker.h"

#include "CxDebug.h"
#include "CxFile.h"
#include "CxPreferences.h"
#include "FxWindow.h"
#include "PfRecordingCanvas.h"
#include "PfRunLoop.h"
#include "PfTheme.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace
{

using namespace pf;

const std::string kFixtures = std::string(SKYVANE_SOURCE_DIR) + "/Frameworks/FaceObjects/Tests/data";

class FxGradientControlsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MainLoop().ResetForTesting(ClockKind::kVirtual);
        ResetWindowServerForTesting();
        if (const char* bundle = std::getenv("SKYVANE_BUNDLE"))
            mSavedBundle = bundle;
        setenv("SKYVANE_BUNDLE", kFixtures.c_str(), 1);
        mWindow = std::make_unique<FxDocumentWindow>("Colors", "Colors");
        ASSERT_NE(mWindow->GetRef(), nullptr);
        mWindow->Show();
    }
    void TearDown() override
    {
        mWindow.reset();
        if (mSavedBundle.empty())
            unsetenv("SKYVANE_BUNDLE");
        else
            setenv("SKYVANE_BUNDLE", mSavedBundle.c_str(), 1);
        ResetWindowServerForTesting();
    }
    FxGradientGrid* Grid(double inWidth, double inHeight)
    {
        const ViewRef pane = CreateView(ViewKind::kUserPane, Rect{10, 10, inWidth, inHeight});
        AddSubview(GetContentView(mWindow->GetRef()), pane);
        return new FxGradientGrid(pane);
    }
    FxGradientEditor* Editor(double inWidth)
    {
        const ViewRef pane = CreateView(ViewKind::kUserPane, Rect{10, 150, inWidth, 30});
        AddSubview(GetContentView(mWindow->GetRef()), pane);
        return new FxGradientEditor(pane);
    }
    // A hit as the platform reports it, at a point of the control.
    static void Hit(FxGradientEditor* inEditor, Point inLocal, std::uint32_t inClicks)
    {
        Event hit(kClassControl, kControlHit);
        const CxSint16 part = inEditor->OnHitTest(inLocal);
        hit.SetParam(kParamControlPart, kTypeControlPartCode, part);
        hit.SetParam(kParamWindowMouseLocation, kTypeHIPoint, ConvertPoint(inLocal, inEditor->GetRef(), nullptr));
        hit.SetParam(kParamClickCount, kTypeUInt32, inClicks);
        inEditor->OnHit(hit);
    }
    static bool Focus(FxGradientEditor* inEditor, CxSint16 inPart) { return inEditor->OnSetFocusPart(inPart); }
    std::string PrefsPath() const { return mHome.Path() + "/.config/skyvane/FxGradientPickerPrefs.xml"; }
    void WritePrefs(const std::string& inText)
    {
        CxFolder(kCxPreferencesFolder).CreateFile(CxString("FxGradientPickerPrefs.xml"));
        std::ofstream(PrefsPath(), std::ios::binary) << inText;
    }
    std::string ReadPrefs() const
    {
        std::ifstream in(PrefsPath(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static void DropText(FxGradientGrid* inGrid, const Point& inPoint, const std::string& inXml)
    {
        DragRef drag = NewDrag();
        PasteboardPutItemFlavor(GetDragPasteboard(drag), kFxGradientPasteboardItem, FxGradientPasteboardFlavor(),
                                inXml.data(), inXml.size());
        inGrid->OnReceiveDrag(drag, inPoint);
        DisposeDrag(drag);
    }

    sky::test::TempHome mHome;
    std::unique_ptr<FxDocumentWindow> mWindow;
    std::string mSavedBundle;
};

GxColorGradient White()
{
    return GxColorGradient(GxColor(1, 1, 1, 1));
}

TEST_F(FxGradientControlsTest, FullCellsOnlyMakeColumnsAndRows)
{
    FxGradientGrid* grid = Grid(180, 70);
    EXPECT_EQ(grid->Columns(), 5);
    EXPECT_EQ(grid->Rows(), 3);
    ASSERT_EQ(grid->Gradients().size(), 15U);
    EXPECT_EQ(grid->Gradients()[14], White());
}

TEST_F(FxGradientControlsTest, PointsPastTheLastFullCellsAreClamped)
{
    FxGradientGrid* grid = Grid(180, 70);
    const struct
    {
        Point where;
        int cell;
    } cases[] = {{{0, 0}, 0}, {{34.9, 20.9}, 0}, {{35, 21}, 6}, {{176, 10}, 4}, {{10, 66}, 10}, {{179, 69}, 14}};
    for (const auto& c : cases)
    {
        EXPECT_EQ(grid->OnHitTest(c.where), FxGradientGrid::kGridPart) << c.where.x << "," << c.where.y;
        EXPECT_EQ(grid->Clicked(), c.cell) << c.where.x << "," << c.where.y;
    }
    DropText(grid, Point{179, 69}, "<colorGradient><colorKey index=\"1\" color=\"#FF0000FF\"/></colorGradient>");
    GxColorGradient red;
    red.Keys().clear();
    red.SetColorKey(1, GxColor(1, 0, 0, 1));
    EXPECT_EQ(grid->Gradients()[14], red);
}

TEST_F(FxGradientControlsTest, AGridWithoutCellsIgnoresHitsKeysAndDrops)
{
    FxGradientGrid* grid = Grid(30, 70);
    EXPECT_EQ(grid->Columns(), 0);
    EXPECT_EQ(grid->OnHitTest(Point{5, 5}), 0);
    for (char16_t key : {u'\x1C', u'\x1D', u'\x1E', u'\x1F', u' '})
        EXPECT_FALSE(grid->OnTextInput(key));
    DropText(grid, Point{5, 5}, "<colorGradient/>");
    EXPECT_TRUE(grid->Gradients().empty());
    EXPECT_EQ(grid->GetClickedGradient(), White());
    EXPECT_FALSE(CxFolder(kCxPreferencesFolder).ContainsFile(CxString("FxGradientPickerPrefs.xml")));
}

TEST_F(FxGradientControlsTest, ArrowKeysWrapWithinTheRowOrColumn)
{
    FxGradientGrid* grid = Grid(180, 70);
    const struct
    {
        char16_t key;
        int selected;
    } steps[] = {{28, 4},  {29, 0}, {30, 10}, {31, 0},  {31, 5},  {31, 10}, {29, 11},
                 {29, 12}, {31, 2}, {30, 12}, {29, 13}, {29, 14}, {29, 10}, {28, 14}};
    for (const auto& step : steps)
    {
        EXPECT_FALSE(grid->OnTextInput(step.key));
        EXPECT_EQ(grid->Selected(), step.selected) << int(step.key);
    }
}

TEST_F(FxGradientControlsTest, ADropWritesThePreferencesFileByteForByte)
{
    FxGradientGrid* grid = Grid(70, 21);
    ASSERT_EQ(grid->Gradients().size(), 2U);
    DropText(grid, Point{40, 5},
             "<colorGradient><colorKey index=\"1\" color=\"#FF000080\" smoothed=\"false\"/>"
             "<colorKey index=\"254\" color=\"#0000FFFF\"/></colorGradient>");
    EXPECT_EQ(ReadPrefs(), "<FxGradientPickerPrefs>\n"
                           "\t<colorGradient>\n"
                           "\t\t<colorKey index=\"1\" color=\"#FFFFFFFF\"/>\n"
                           "\t\t<colorKey index=\"254\" color=\"#FFFFFFFF\"/>\n"
                           "\t</colorGradient>\n"
                           "\t<colorGradient>\n"
                           "\t\t<colorKey index=\"1\" color=\"#FF000080\" smoothed=\"false\"/>\n"
                           "\t\t<colorKey index=\"254\" color=\"#0000FFFF\"/>\n"
                           "\t</colorGradient>\n"
                           "</FxGradientPickerPrefs>\n");
    // A new grid reads the cells back.
    FxGradientGrid* again = Grid(70, 21);
    EXPECT_EQ(again->Gradients(), grid->Gradients());
}

TEST_F(FxGradientControlsTest, AChildOfAnotherNameUsesUpItsCell)
{
    WritePrefs("<FxGradientPickerPrefs>"
               "<colorGradient><colorKey index=\"1\" color=\"#000000FF\"/><colorKey index=\"254\" "
               "color=\"#000000FF\"/></colorGradient>"
               "<somethingElse/>"
               "<colorGradient><colorKey index=\"5\" color=\"#00FF00FF\"/></colorGradient>"
               "<colorGradient><colorKey index=\"9\" color=\"#00FF00FF\"/></colorGradient>"
               "</FxGradientPickerPrefs>");
    FxGradientGrid* grid = Grid(105, 21);
    ASSERT_EQ(grid->Gradients().size(), 3U);
    EXPECT_EQ(grid->Gradients()[0], GxColorGradient(GxColor(0, 0, 0, 1)));
    EXPECT_EQ(grid->Gradients()[1], White());
    ASSERT_EQ(grid->Gradients()[2].Keys().size(), 1U);
    EXPECT_EQ(grid->Gradients()[2].Keys().begin()->first, 5);
}

TEST_F(FxGradientControlsTest, UnreadableFilesLeaveTheCells)
{
    const char* files[] = {nullptr, "<FxGradientPickerPrefs><colorGradient>", "",
                           "<otherPrefs><colorGradient><colorKey index=\"1\" color=\"#000000FF\"/></colorGradient>"
                           "</otherPrefs>"};
    for (const char* text : files)
    {
        if (text != nullptr)
            WritePrefs(text);
        FxGradientGrid* grid = Grid(70, 21);
        EXPECT_EQ(grid->Gradients(), std::vector<GxColorGradient>(2, White())) << (text ? text : "missing");
    }
}

// Untrusted keys: an index far off the scale would expand into a table the drawing refuses.
TEST_F(FxGradientControlsTest, KeysOffTheScaleAndEmptyGradientsGiveSaneGradients)
{
    const GxColorGradient fallback;
    GxColorGradient kept;
    kept.Keys().clear();
    kept.SetColorKey(0, GxColor(0, 1, 0, 1));
    kept.SetColorKey(256, GxColor(0, 1, 0, 1));
    const struct
    {
        const char* xml;
        GxColorGradient expected;
    } cases[] = {
        {"<colorGradient><colorKey index=\"1000000\" color=\"#00FF00FF\"/></colorGradient>", fallback},
        {"<colorGradient><colorKey index=\"-1\" color=\"#00FF00FF\"/><colorKey index=\"0\" color=\"#00FF00FF\"/>"
         "<colorKey index=\"256\" color=\"#00FF00FF\"/><colorKey index=\"257\" color=\"#00FF00FF\"/></colorGradient>",
         kept},
        {"<colorGradient/>", fallback},
        {"<other><colorKey index=\"5\" color=\"#00FF00FF\"/></other>", fallback},
        {"<other><inner><colorGradient><colorKey index=\"0\" color=\"#00FF00FF\"/><colorKey index=\"256\" "
         "color=\"#00FF00FF\"/></colorGradient></inner></other>",
         kept},
        {"not xml", fallback},
    };
    for (const auto& c : cases)
    {
        FxGradientGrid* grid = Grid(35, 21);
        DropText(grid, Point{5, 5}, c.xml);
        EXPECT_EQ(grid->Gradients()[0], c.expected) << c.xml;
        EXPECT_FALSE(grid->Gradients()[0].GenerateColors().empty()) << c.xml;
        // The stored form reads back the same.
        FxGradientGrid* again = Grid(35, 21);
        EXPECT_EQ(again->Gradients()[0], c.expected) << c.xml;
    }
    WritePrefs("<FxGradientPickerPrefs><colorGradient><colorKey index=\"1000000\" color=\"#00FF00FF\"/>"
               "</colorGradient><colorGradient/></FxGradientPickerPrefs>");
    FxGradientGrid* grid = Grid(70, 21);
    EXPECT_EQ(grid->Gradients(), std::vector<GxColorGradient>(2, fallback));
}

TEST_F(FxGradientControlsTest, AColourWithoutAGradientGivesATwoKeyGradient)
{
    FxGradientGrid* grid = Grid(70, 21);
    DragRef drag = NewDrag();
    FxPutColorOnPasteboard(drag, GxColor(0.5, 0.25, 1, 1));
    grid->OnReceiveDrag(drag, Point{5, 5});
    DisposeDrag(drag);
    EXPECT_EQ(grid->Gradients()[0], GxColorGradient(GxColor(0.5, 0.25, 1, 1)));
    drag = NewDrag();
    grid->OnReceiveDrag(drag, Point{40, 5});
    DisposeDrag(drag);
    EXPECT_EQ(grid->Gradients()[1], GxColorGradient());
}

TEST_F(FxGradientControlsTest, SpaceClicksTheSelectedCell)
{
    FxGradientGrid* grid = Grid(180, 70);
    grid->OnTextInput(29);
    grid->OnTextInput(31);
    EXPECT_FALSE(grid->OnTextInput(u' '));
    EXPECT_EQ(grid->Clicked(), 6);
    EXPECT_EQ(grid->GetClickedGradient(), White());
}

// The picker window's well is not there yet: the drags go from grid to grid.
TEST_F(FxGradientControlsTest, ADragWithinTheGridMovesAndFromElsewhereCopies)
{
    FxGradientGrid* grid = Grid(180, 70);
    FxGradientGrid* other = Grid(70, 21);
    SetViewFrame(other->GetRef(), Rect{10, 100, 70, 21});
    GxColorGradient blue(GxColor(0, 0, 1, 1));
    blue.Keys().at(1).SetSmoothed(false);
    blue.SetColorKey(100, GxColor(1, 1, 0, 1));
    DropText(other, Point{40, 5},
             "<colorGradient><colorKey index=\"1\" color=\"#0000FFFF\" smoothed=\"false\"/>"
             "<colorKey index=\"100\" color=\"#FFFF00FF\"/>"
             "<colorKey index=\"254\" color=\"#0000FFFF\"/></colorGradient>");
    ASSERT_EQ(other->Gradients()[1], blue);
    const auto global = [](FxControl* inControl, Point inLocal)
    {
        const Point content = ConvertPoint(inLocal, inControl->GetRef(), nullptr);
        const Rect frame = GetWindowBounds(GetViewWindow(inControl->GetRef()), kWindowContentRgn);
        return Point{frame.x + content.x, frame.y + content.y};
    };
    const auto drag = [](Point inFrom, Point inTo)
    {
        PushScript({script::Down(inFrom.x, inFrom.y), script::Drag(inFrom.x + 10, inFrom.y),
                    script::Drag(inTo.x, inTo.y), script::Up(inTo.x, inTo.y)});
        while (DeliverNextScriptItem())
        {
        }
    };
    // From the other grid: a copy into cell 6.
    drag(global(other, Point{40, 10}), global(grid, Point{45, 30}));
    EXPECT_EQ(grid->Gradients()[6], blue);
    EXPECT_EQ(other->Gradients()[1], blue);
    // Within the grid: cell 6 moves to cell 13 and turns white, in the file too.
    drag(global(grid, Point{40, 30}), global(grid, Point{110, 50}));
    EXPECT_EQ(grid->Gradients()[13], blue);
    EXPECT_EQ(grid->Gradients()[6], White());
    FxGradientGrid* fresh = Grid(180, 70);
    EXPECT_EQ(fresh->Gradients(), grid->Gradients());
    // A drop on its own cell keeps it.
    drag(global(grid, Point{110, 50}), global(grid, Point{130, 55}));
    EXPECT_EQ(grid->Gradients()[13], blue);
}

TEST_F(FxGradientControlsTest, AKeylessGradientDragsOpaqueBlack)
{
    FxGradientGrid* grid = Grid(70, 21);
    const ViewRef pane = CreateView(ViewKind::kUserPane, Rect{10, 100, 40, 24});
    AddSubview(GetContentView(mWindow->GetRef()), pane);
    auto* well = new FxColorWell(pane);
    const Point content = ConvertPoint(Point{20, 12}, pane, nullptr);
    const Rect frame = GetWindowBounds(mWindow->GetRef(), kWindowContentRgn);
    const Point target{frame.x + content.x, frame.y + content.y};
    GxColorGradient none;
    none.Keys().clear();
    GxColorGradient ramp;
    ramp.Keys().clear();
    ramp.SetColorKey(10, GxColor(0, 1, 0, 1));
    ramp.SetColorKey(12, GxColor(0, 0, 1, 1));
    const struct
    {
        const GxColorGradient& gradient;
        GxColor colour;
    } cases[] = {{none, GxColor(0, 0, 0, 1)}, {ramp, GxColor(0, 1, 0, 1)}};
    for (const auto& c : cases)
    {
        well->SetColor(GxColor(1, 1, 1, 1));
        const Image image = FxColorControl::GradientDragImage(c.gradient);
        EXPECT_EQ(std::tuple(image.mWidth, image.mHeight), std::tuple(28, 16));
        PushScript({script::Drag(target.x, target.y), script::Up(target.x, target.y)});
        Event event(kClassControl, kControlTrack);
        grid->DragGradient(event, c.gradient);
        EXPECT_EQ(well->Color(), c.colour);
    }
}

GxColorGradient Keys(std::initializer_list<std::pair<CxSint32, GxColor>> inKeys)
{
    GxColorGradient gradient;
    gradient.Keys().clear();
    for (const auto& [index, colour] : inKeys)
        gradient.SetColorKey(index, colour);
    return gradient;
}

TEST_F(FxGradientControlsTest, EveryIndexSurvivesPlacingAndReading)
{
    for (double width : {263.0, 200.0, 517.0, 97.0})
    {
        GxColorGradient every;
        every.Keys().clear();
        for (CxSint32 i = 1; i <= 254; ++i)
            every.SetColorKey(i, GxColor(i / 254.0, 0, 1 - i / 254.0, 1));
        FxGradientEditor* editor = Editor(width);
        editor->SetGradient(every);
        ASSERT_EQ(editor->Indicators().size(), 254U);
        editor->BuildGradient();
        EXPECT_EQ(editor->Gradient(), every) << width;
    }
}

TEST_F(FxGradientControlsTest, FixedKeysStayAndOthersArePinnedInside)
{
    FxGradientEditor* editor = Editor(263);
    ASSERT_EQ(editor->Gradient().Keys().size(), 5U);
    const std::vector<FxColorIndicator> keys = editor->Indicators();
    ASSERT_TRUE(keys.front().mFixed && keys.back().mFixed);
    for (CxSint16 part : {keys.front().mPart, keys.back().mPart})
    {
        ASSERT_TRUE(Focus(editor, part));
        for (char16_t key : {u'\x08', u'\x1C', u'\x1D'})
        {
            CxDebugCapture capture;
            editor->OnTextInput(key);
            EXPECT_TRUE(capture.Contains("Beep")) << part << " " << int(key);
        }
    }
    ASSERT_EQ(editor->Indicators().size(), 5U);
    for (const FxColorIndicator& key : keys)
        EXPECT_EQ(editor->FindIndicator(key.mPart)->mRect.x, key.mRect.x);

    // A middle key pushed past either end stops at 2 and 253.
    ASSERT_TRUE(Focus(editor, keys[1].mPart));
    for (int i = 0; i < 300; ++i)
        editor->OnTextInput(28);
    EXPECT_EQ(editor->Gradient().Keys().begin()->first, 1);
    EXPECT_EQ(std::next(editor->Gradient().Keys().begin())->first, 2);
    for (int i = 0; i < 300; ++i)
        editor->OnTextInput(29);
    EXPECT_EQ(std::prev(editor->Gradient().Keys().end(), 2)->first, 253);
    EXPECT_EQ(editor->Gradient().Keys().rbegin()->first, 254);
    editor->OnTextInput(8);
    EXPECT_EQ(editor->Indicators().size(), 4U);
    EXPECT_EQ(editor->Gradient().Keys().size(), 4U);
}

TEST_F(FxGradientControlsTest, ADoubleClickAddsTheColourShownThere)
{
    FxGradientEditor* editor = Editor(263);
    editor->SetGradient(Keys({{1, GxColor(1, 0, 0, 1)}, {254, GxColor(0, 0, 1, 1)}}));
    const GxColorTable table = editor->Gradient().GenerateColors();
    Hit(editor, Point{100, 5}, 1);
    EXPECT_EQ(editor->Indicators().size(), 2U);
    const struct
    {
        double x;
        std::size_t entry;
    } cases[] = {{100, std::size_t((100 - 4) * 256 / 255.0)}, {1, 0}, {262, table.size() - 1}};
    for (const auto& c : cases)
    {
        Hit(editor, Point{c.x, 5}, 2);
        const FxColorIndicator& added = editor->Indicators().back();
        EXPECT_FALSE(added.mFixed);
        EXPECT_EQ(added.mColor, table[c.entry]) << c.x;
        EXPECT_EQ(added.mRect.x, c.x - 8) << c.x;
    }
    EXPECT_EQ(editor->Gradient().Keys().size(), 5U);
    // Margins give the pinned ends, not 0 and 256.
    EXPECT_EQ(std::next(editor->Gradient().Keys().begin())->first, 2);
    EXPECT_EQ(std::prev(editor->Gradient().Keys().end(), 2)->first, 253);

    // Without keys the new key is opaque black.
    editor->SetGradient(Keys({}));
    EXPECT_TRUE(editor->Indicators().empty());
    Hit(editor, Point{100, 5}, 2);
    ASSERT_EQ(editor->Indicators().size(), 1U);
    EXPECT_EQ(editor->Indicators().back().mColor, GxColor(0, 0, 0, 1));
}

TEST_F(FxGradientControlsTest, TabOrderFollowsXAndLeavesAfterTheLastKey)
{
    FxGradientEditor* editor = Editor(263);
    editor->SetGradient(Keys({{1, GxColor(1, 0, 0, 1)}, {254, GxColor(0, 0, 1, 1)}}));
    Hit(editor, Point{200, 5}, 2);
    Hit(editor, Point{50, 5}, 2);
    const auto& list = editor->Indicators();
    ASSERT_EQ(list.size(), 4U);
    std::vector<CxSint16> byX{list[0].mPart, list[3].mPart, list[2].mPart, list[1].mPart};
    std::vector<CxSint16> forward;
    CxSint16 part = kControlFocusNextPart;
    while (editor->OnSetFocusPart(part) && part != 0 && forward.size() < 10)
    {
        forward.push_back(part);
        part = kControlFocusNextPart;
    }
    EXPECT_EQ(forward, byX);
    EXPECT_EQ(editor->OnGetFocusPart(), 0);
    // Backwards from nothing: the rightmost key, then each key's left neighbour, then out.
    std::vector<CxSint16> backward;
    part = kControlFocusPrevPart;
    while (editor->OnSetFocusPart(part) && part != 0 && backward.size() < 10)
    {
        backward.push_back(part);
        part = kControlFocusPrevPart;
    }
    EXPECT_EQ(backward, std::vector<CxSint16>(byX.rbegin(), byX.rend()));
    EXPECT_EQ(editor->OnGetFocusPart(), 0);
    EXPECT_FALSE(Focus(editor, 999));
}

TEST_F(FxGradientControlsTest, SmoothingOffWritesEveryKeyFalse)
{
    FxGradientEditor* editor = Editor(263);
    editor->SetSmooth(false);
    EXPECT_FALSE(editor->IsSmooth());
    Hit(editor, Point{30, 5}, 2);
    ASSERT_EQ(editor->Gradient().Keys().size(), 6U);
    for (const auto& [index, key] : editor->Gradient().Keys())
        EXPECT_FALSE(key.IsSmoothed()) << index;
    editor->SetSmooth(true);
    for (const auto& [index, key] : editor->Gradient().Keys())
        EXPECT_TRUE(key.IsSmoothed()) << index;
}

TEST_F(FxGradientControlsTest, PartNumbersNeverTakeTheStrips)
{
    FxGradientEditor* editor = Editor(263);
    editor->SetGradient(Keys({{1, GxColor(1, 0, 0, 1)}, {254, GxColor(0, 0, 1, 1)}}));
    std::set<CxSint16> parts;
    for (int i = 0; i < 700; ++i)
    {
        Hit(editor, Point{130, 5}, 2);
        parts.insert(editor->Indicators().back().mPart);
        // Keep the list short: the new key sits on the others.
        ASSERT_TRUE(Focus(editor, editor->Indicators().back().mPart));
        editor->OnTextInput(8);
    }
    EXPECT_EQ(parts.size(), 700U);
    EXPECT_EQ(parts.count(FxGradientEditor::kStripPart), 0U);
    EXPECT_GT(*parts.rbegin(), FxGradientEditor::kStripPart);
}

TEST_F(FxGradientControlsTest, EditsReachTheGradientTargetAndItsWindow)
{
    struct GradientWindow : FxDocumentWindow
    {
        GradientWindow() : FxDocumentWindow("Colors", "Colors") {}
        void OnGradientChanged(const GxColorGradient& inGradient) override { mSeen.push_back(inGradient); }
        std::vector<GxColorGradient> mSeen;
    };
    GradientWindow window;
    const ViewRef pane = CreateView(ViewKind::kUserPane, Rect{10, 10, 70, 21});
    AddSubview(GetContentView(window.GetRef()), pane);
    auto* target = new FxGradientGrid(pane);
    target->MakeGradientTarget();
    FxGradientEditor* editor = Editor(263);
    const GxColorGradient two = Keys({{1, GxColor(1, 0, 0, 1)}, {254, GxColor(0, 0, 1, 1)}});
    editor->SetGradient(two);
    ASSERT_EQ(window.mSeen.size(), 1U);
    EXPECT_EQ(window.mSeen.back(), two);
    editor->SetSmooth(false);
    ASSERT_EQ(window.mSeen.size(), 2U);
    EXPECT_FALSE(window.mSeen.back().Keys().begin()->second.IsSmoothed());
    FxColorControl::ClearGradientTarget();
    editor->SetSmooth(true);
    EXPECT_EQ(window.mSeen.size(), 2U);
}

Point Global(FxControl* inControl, Point inLocal)
{
    const Point content = ConvertPoint(inLocal, inControl->GetRef(), nullptr);
    const Rect frame = GetWindowBounds(GetViewWindow(inControl->GetRef()), kWindowContentRgn);
    return Point{frame.x + content.x, frame.y + content.y};
}

void RunDrag(Point inFrom, std::vector<Point> inPath)
{
    std::vector<ScriptItem> items{script::Down(inFrom.x, inFrom.y)};
    for (const Point& p : inPath)
        items.push_back(script::Drag(p.x, p.y));
    items.push_back(script::Up(inPath.back().x, inPath.back().y));
    PushScript(items);
    while (DeliverNextScriptItem())
    {
    }
}

TEST_F(FxGradientControlsTest, AColourNearTheMiddleLineAddsAKeyFartherItReplaces)
{
    FxGradientEditor* editor = Editor(263);
    const double middle = editor->KeyRect().y + editor->KeyRect().h / 2;
    const auto drop = [&](Point inAt)
    {
        DragRef drag = NewDrag();
        FxPutColorOnPasteboard(drag, GxColor(0, 1, 0, 1));
        editor->OnReceiveDrag(drag, inAt);
        DisposeDrag(drag);
    };
    drop(Point{100, middle + 8});
    ASSERT_EQ(editor->Indicators().size(), 6U);
    EXPECT_EQ(editor->Indicators().back().mColor, GxColor(0, 1, 0, 1));
    EXPECT_EQ(editor->Indicators().back().mRect.x, 92);
    EXPECT_EQ(editor->Gradient().Keys().count(CxSint32((100 - 3.5) * 256 / 256)), 1U);
    // On a key: its colour changes.
    const FxColorIndicator first = editor->Indicators().front();
    editor->FindIndicator(first.mPart)->mColor = GxColor(1, 1, 1, 1);
    drop(Point{first.mRect.x + 8, middle});
    EXPECT_EQ(editor->Gradient().Keys().at(1).Color(), GxColor(0, 1, 0, 1));
    // Farther from the line: the whole gradient.
    drop(Point{100, middle + 8.5});
    EXPECT_EQ(editor->Gradient(), GxColorGradient(GxColor(0, 1, 0, 1)));
    EXPECT_EQ(editor->Indicators().size(), 2U);
}

TEST_F(FxGradientControlsTest, KeysFollowTheMouseAndTheTrashOnlyBeeps)
{
    FxGradientEditor* editor = Editor(263);
    const double middle = editor->KeyRect().y + editor->KeyRect().h / 2;
    const std::vector<FxColorIndicator> keys = editor->Indicators();
    const FxColorIndicator moving = keys[2];
    const Point start = Global(editor, Point{moving.mRect.x + 8, middle});
    RunDrag(start, {Point{start.x - 20, start.y + 5}, Point{start.x - 40, start.y}});
    EXPECT_EQ(editor->FindIndicator(moving.mPart)->mRect.x, moving.mRect.x - 40);
    EXPECT_EQ(editor->Indicators().back().mPart, moving.mPart);
    EXPECT_EQ(editor->Gradient().Keys().count(CxSint32((moving.mRect.x - 40 + 8 - 3.5) * 256 / 256)), 1U);
    // A fixed key stays.
    const FxColorIndicator end = keys.back();
    const Point endAt = Global(editor, Point{end.mRect.x + 8, middle});
    RunDrag(endAt, {Point{endAt.x - 30, endAt.y}});
    EXPECT_EQ(editor->FindIndicator(end.mPart)->mRect.x, end.mRect.x);
    EXPECT_EQ(editor->Gradient().Keys().rbegin()->first, 254);
    // Down to the trash: a beep, and the key is still there.
    const GxColorGradient before = editor->Gradient();
    const Point from = Global(editor, Point{moving.mRect.x - 40 + 8, middle});
    CxDebugCapture capture;
    RunDrag(from, {Point{from.x, from.y + 30}, Point{kTrashBounds.x + 10, kTrashBounds.y + 10}});
    EXPECT_TRUE(capture.Contains("Beep"));
    EXPECT_EQ(editor->Gradient(), before);
    EXPECT_NE(editor->FindIndicator(moving.mPart), nullptr);
    // Its own key dropped back on the strip beeps and changes nothing.
    DragRef drag = NewDrag();
    const CxSint16 part = moving.mPart;
    PasteboardPutItemFlavor(GetDragPasteboard(drag), kFxGradientPasteboardItem, FxIndicatorPasteboardFlavor(), &part,
                            sizeof(part));
    CxDebugCapture again;
    editor->OnReceiveDrag(drag, Point{240, middle + 20});
    DisposeDrag(drag);
    EXPECT_TRUE(again.Contains("Beep"));
    EXPECT_EQ(editor->Gradient(), before);
}

TEST_F(FxGradientControlsTest, EditorToGridAndBackKeepsTheGradient)
{
    FxGradientEditor* editor = Editor(263);
    FxGradientGrid* grid = Grid(180, 70);
    editor->SetSmooth(false);
    const GxColorGradient edited = editor->Gradient();
    // From the strip below the keys to cell 7.
    const Point from = Global(editor, Point{100, 27});
    RunDrag(from, {Point{from.x + 10, from.y}, Global(grid, Point{80, 30})});
    EXPECT_EQ(grid->Gradients()[7], edited);
    editor->SetGradient(GxColorGradient());
    const Point cell = Global(grid, Point{80, 30});
    RunDrag(cell, {Point{cell.x + 10, cell.y}, Global(editor, Point{100, 27})});
    EXPECT_EQ(editor->Gradient(), edited);
    EXPECT_EQ(grid->Gradients()[7], edited);
}

std::vector<Operation> Record(FxControl* inControl)
{
    RecordingCanvas canvas(500, 500);
    Canvas* context = &canvas;
    Event draw(kClassControl, kControlDraw);
    draw.SetParam(kParamCGContext, kTypeCGContext, context);
    GetViewEventTarget(inControl->GetRef())->Send(draw);
    return canvas.Operations();
}

TEST_F(FxGradientControlsTest, KeysAreDrawnOverTheStripInListOrder)
{
    FxGradientEditor* editor = Editor(263);
    editor->SetGradient(Keys({{1, GxColor(1, 0, 0, 1)}, {254, GxColor(0, 0, 1, 1)}}));
    Hit(editor, Point{100, 5}, 2);
    const GxColor added = editor->Indicators().back().mColor;
    std::vector<Color> keyFills;
    const Color red{1, 0, 0, 1}, blue{0, 0, 1, 1}, mid{added.mRed, added.mGreen, added.mBlue, added.mAlpha};
    const std::vector<Operation> operations = Record(editor);
    ASSERT_FALSE(operations.empty());
    // The white frame first; every key clipped to the strip.
    EXPECT_EQ(operations.front().mColor, (Color{1, 1, 1, 1}));
    for (const Operation& op : operations)
        if (op.mKind == Operation::kFill && (op.mColor == red || op.mColor == blue || op.mColor == mid) &&
            op.mClip.w < 263)
            keyFills.push_back(op.mColor);
    EXPECT_EQ(keyFills, (std::vector<Color>{red, blue, mid}));
}

TEST_F(FxGradientControlsTest, TheGridStrokesEveryFullCellAndRingsTheSelectedOne)
{
    FxGradientGrid* grid = Grid(180, 70);
    const Color grey{2.0 / 3.0, 2.0 / 3.0, 2.0 / 3.0, 1};
    const auto strokes = [&]
    {
        std::size_t count = 0;
        for (const Operation& op : Record(grid))
            count += op.mKind == Operation::kStroke && op.mColor == grey ? 1 : 0;
        return count;
    };
    EXPECT_EQ(strokes(), 15U);
    const std::size_t unfocused = Record(grid).size();
    CxSint16 part = FxGradientGrid::kGridPart;
    ASSERT_TRUE(grid->OnSetFocusPart(part));
    EXPECT_GT(Record(grid).size(), unfocused);
    EXPECT_EQ(strokes(), 15U);
}

const std::string kBundle = std::string(SKYVANE_SOURCE_DIR) + "/Products/Skyvane/Resources";

class GradientWindow : public FxDocumentWindow
{
public:
    GradientWindow() : FxDocumentWindow("Colors", "Colors") {}
    void OnGradientChanged(const GxColorGradient& inGradient) override { mSeen.push_back(inGradient); }
    std::vector<GxColorGradient> mSeen;
};

class FxGradientPickerTest : public FxGradientControlsTest
{
protected:
    void SetUp() override
    {
        FxGradientControlsTest::SetUp();
        mDocument = std::make_unique<GradientWindow>();
        mDocument->Show();
        setenv("SKYVANE_BUNDLE", kBundle.c_str(), 1);
        CxGetGlobalPreferences().SetStringValue(CxString("gradientPickerDefaultBounds"), CxString(""), 0);
    }
    void TearDown() override
    {
        delete FxGradientPicker::sGradientPicker;
        CxGetGlobalPreferences().SetStringValue(CxString("gradientPickerDefaultBounds"), CxString(""), 0);
        mDocument.reset();
        FxGradientControlsTest::TearDown();
    }
    std::unique_ptr<GradientWindow> mDocument;
};

TEST_F(FxGradientPickerTest, DisplayTwiceKeepsOneWindow)
{
    FxShowGradientPicker(GxColorGradient());
    FxGradientPicker* first = FxGradientPicker::sGradientPicker;
    ASSERT_NE(first, nullptr);
    ASSERT_NE(first->Editor(), nullptr);
    ASSERT_NE(first->Grid(), nullptr);
    EXPECT_EQ(first->Grid()->Columns(), 5);
    EXPECT_EQ(first->Grid()->Rows(), 3);
    const GxColorGradient green(GxColor(0, 1, 0, 1));
    FxShowGradientPicker(green);
    EXPECT_EQ(FxGradientPicker::sGradientPicker, first);
    EXPECT_EQ(first->Editor()->Gradient(), green);
    // The leftmost key has the focus.
    EXPECT_EQ(first->Editor()->OnGetFocusPart(), first->Editor()->FindFirstPart());
}

TEST_F(FxGradientPickerTest, WithoutStoredBoundsThePickerOpensWhereItsFilePlacesIt)
{
    std::unique_ptr<FxFloatingWindow> plain(new FxFloatingWindow(CxString("VanePalettes"), CxString("GradientPicker")));
    ASSERT_NE(plain->GetRef(), nullptr);
    const CxRect placed = plain->FrameBounds();
    plain.reset();
    FxShowGradientPicker(GxColorGradient());
    ASSERT_NE(FxGradientPicker::sGradientPicker, nullptr);
    EXPECT_EQ(FxGradientPicker::sGradientPicker->FrameBounds().AsString(), placed.AsString());
}

TEST_F(FxGradientPickerTest, AMovedPickerOpensWhereItWasLeft)
{
    FxShowGradientPicker(GxColorGradient());
    FxGradientPicker* picker = FxGradientPicker::sGradientPicker;
    ASSERT_NE(picker, nullptr);
    CxRect frame = picker->FrameBounds();
    frame.Offset(37, 23);
    picker->SetFrameBounds(frame, false);
    picker->OnMoved();
    EXPECT_EQ(CxGetGlobalPreferences().GetStringValue(CxString("gradientPickerDefaultBounds")), frame.AsString());
    delete picker;
    EXPECT_EQ(FxGradientPicker::sGradientPicker, nullptr);
    FxShowGradientPicker(GxColorGradient());
    ASSERT_NE(FxGradientPicker::sGradientPicker, nullptr);
    const CxRect again = FxGradientPicker::sGradientPicker->FrameBounds();
    EXPECT_EQ(std::tuple(again.left, again.top, again.Width()), std::tuple(frame.left, frame.top, frame.Width()));
}

TEST_F(FxGradientPickerTest, AGridClickSetsTheEditorAndTheRadioButtons)
{
    FxShowGradientPicker(GxColorGradient());
    FxGradientPicker* picker = FxGradientPicker::sGradientPicker;
    ASSERT_NE(picker, nullptr);
    GxColorGradient stepped(GxColor(1, 1, 0, 1));
    for (auto& [index, key] : stepped.Keys())
        key.SetSmoothed(false);
    DropText(picker->Grid(), Point{40, 5},
             "<colorGradient><colorKey index=\"1\" color=\"#FFFF00FF\" smoothed=\"false\"/>"
             "<colorKey index=\"254\" color=\"#FFFF00FF\" smoothed=\"false\"/></colorGradient>");
    ASSERT_EQ(picker->Grid()->OnHitTest(Point{40, 5}), FxGradientGrid::kGridPart);
    SimulateClick(picker->Grid()->GetRef(), FxGradientGrid::kGridPart, 0);
    EXPECT_EQ(picker->Editor()->Gradient(), stepped);
    EXPECT_EQ(picker->GetControlById(4)->Value(), 0);
    EXPECT_EQ(picker->GetControlById(5)->Value(), 1);
    SimulateClick(picker->GetControlById(4)->GetRef(), kControlButtonPart, 0);
    EXPECT_TRUE(picker->Editor()->IsSmooth());
    EXPECT_EQ(picker->GetControlById(4)->Value(), 1);
    EXPECT_EQ(picker->GetControlById(5)->Value(), 0);
}

TEST_F(FxGradientPickerTest, AWellEditedInThePickerAndDroppedOnTheGrid)
{
    const ViewRef pane = CreateView(ViewKind::kUserPane, Rect{20, 20, 60, 20});
    AddSubview(GetContentView(mDocument->GetRef()), pane);
    auto* well = new FxGradientWell(pane);
    const GxColorGradient start = well->Gradient();
    ASSERT_EQ(start.Keys().size(), 5U);
    // A click: the well becomes the target and the picker opens on its gradient.
    Event hit(kClassControl, kControlHit);
    well->OnHit(hit);
    EXPECT_TRUE(well->IsGradientTarget());
    FxGradientPicker* picker = FxGradientPicker::sGradientPicker;
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->Editor()->Gradient(), start);
    // A key edit: a double-click adds a key, and the well and its window hear of it.
    mDocument->mSeen.clear();
    Hit(picker->Editor(), Point{40, 27}, 2);
    EXPECT_EQ(picker->Editor()->Gradient().Keys().size(), 6U);
    EXPECT_EQ(well->Gradient(), picker->Editor()->Gradient());
    ASSERT_FALSE(mDocument->mSeen.empty());
    EXPECT_EQ(mDocument->mSeen.back(), well->Gradient());
    // The well dragged onto cell 2, the picker moved clear of the well; a new grid reads the file back.
    CxRect clear = picker->FrameBounds();
    clear.Offset(600, 300);
    picker->SetFrameBounds(clear, false);
    SelectWindow(mDocument->GetRef());
    const Point from = Global(well, Point{30, 10});
    RunDrag(from, {Point{from.x + 10, from.y}, Global(picker->Grid(), Point{80, 10})});
    // Colours travel as eight hexadecimal digits.
    DragRef text = NewDrag();
    FxPutGradientOnPasteboard(text, well->Gradient());
    const GxColorGradient sent = FxColorControl::ReceiveGradient(text);
    DisposeDrag(text);
    ASSERT_EQ(sent.Keys().size(), 6U);
    EXPECT_EQ(picker->Grid()->Gradients()[2], sent);
    FxGradientGrid* fresh = Grid(175, 63);
    EXPECT_EQ(fresh->Gradients(), picker->Grid()->Gradients());
    // A second click lets the well go; the picker stays.
    well->OnHit(hit);
    EXPECT_FALSE(well->IsGradientTarget());
    EXPECT_EQ(FxGradientPicker::sGradientPicker, picker);
}

} // namespace
