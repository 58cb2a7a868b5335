// The gradient grid and the gradient flavour, driven through the platform's script, with the grid's preferences
// file under a temporary home.
#include "FxGradientPicker.h"

#include "CxFile.h"
#include "FxWindow.h"
#include "PfRunLoop.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>

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

} // namespace
