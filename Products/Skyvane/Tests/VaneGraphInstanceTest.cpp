// The graph instance in process on the test browser, in Carbon mode unless told: the legend column, selection by
// clicks and arrow keys, the inspector panel's life, mouse tracking and the commands, read back from the page.
#include "VaneAppTest.h"

#include "CxDebug.h"
#include "CxFile.h"
#include "DxSet.h"
#include "FxCommander.h"
#include "FxMouseEvent.h"
#include "PfRunLoop.h"
#include "PfUICodes.h"
#include "PfWindowServer.h"
#include "VaneAboutBox.h"
#include "VaneGraphInstance.h"
#include "VaneInspectors.h"
#include "VanePluginInstance.h"
#include "WxGraph.h"
#include "WxParser.h"
#include "WxSeries.h"
#include "WxSeriesLegend.h"
#include "WxSeriesVectorClient.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace
{

using namespace vanetest;
namespace fs = std::filesystem;

// Five rows, top first: line "a", line "b", a pane divider, wind barbs, line "c". The reader puts each element at
// the front, so the document lists them bottom first.
std::string GraphDocument(const std::string& inExtra = R"(legendVisible="true")")
{
    return wxkit::Vanedoc(R"(<graph name="Harbour" color="#203040FF" startDate="2010-01-15 00:00:00 UTC" )"
                          R"(endDate="2010-01-16 00:00:00 UTC" tracking="false" archiving="false" )" +
                          inExtra +
                          R"(><series visible="true" dataset="kts" parm="pres" unit="mbar" site="c"/>)"
                          R"(<vectorseries visible="true" dataset="kts" parm="wind" unit="mps" site="w"/><split/>)"
                          R"(<series visible="true" dataset="kts" parm="pres" unit="mbar" site="b"/>)"
                          R"(<series visible="true" dataset="kts" parm="pres" unit="mbar" site="a"/></graph>)");
}

constexpr pf::Rect kGraphRect{20, 20, 400, 300};
constexpr std::uint32_t kCommand = FxMouseEvent::kCommand;
constexpr std::uint32_t kShift = FxMouseEvent::kShift;
constexpr std::uint32_t kOption = FxMouseEvent::kOption;
constexpr std::uint32_t kControl = FxMouseEvent::kControl;

// A row's middle, in the view (y down).
CxSint16 RowY(int inRow)
{
    return CxSint16(60 + 40 * inRow + 20);
}

bool Near(std::uint32_t inPixel, std::uint32_t inExpected, int inTolerance)
{
    for (int shift = 8; shift < 32; shift += 8)
        if (std::abs(int((inPixel >> shift) & 0xFF) - int((inExpected >> shift) & 0xFF)) > inTolerance)
            return false;
    return true;
}

class GraphTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        mClock.emplace(CxDate(CxString("2010-01-15 12:00:00 UTC")));
        setenv("SKYVANE_OPEN_CMD", "true", 1);
        VaneGraphInstance::sMouseLastMoved = -1.0;
        // The plug-in loads the unit table the set's parameters need.
        StartHost();
        wxkit::KitManagedSet(
            CxString("kts"), kDxManagerKts,
            {{"config.xml",
              wxkit::KitInfoDocument("datasetconfig", R"(<property id="name" value="Buoys"/>)"
                                                      R"(<property id="dataResolution" value="300" units="secs"/>)"
                                                      R"(<property id="fileResolution" value="86400" units="secs"/>)")},
             {"parminfo.xml",
              wxkit::KitInfoDocument("parminfo", R"(<parm id="time" type="float" units="min"/>)"
                                                 R"(<parm id="pres" name="pressure" type="float" units="mbar"/>)"
                                                 R"(<parm id="sped" name="wind speed" type="float" units="mph"/>)"
                                                 R"(<parm id="drct" name="wind direction" type="float" units="degr"/>)"
                                                 R"(<vector id="wind" name="wind" samag="sped" dir="drct"/>)")}});
    }
    void TearDown() override
    {
        if (VaneAboutBox::sAboutBox != nullptr)
            VaneAboutBox::RemoveAboutBox();
        unsetenv("SKYVANE_OPEN_CMD");
        AppTest::TearDown();
        mClock.reset();
    }

    // A Carbon-mode embed handed over to its graph instance and drawn once.
    NPP Show(const std::vector<std::pair<std::string, std::string>>& inArguments = {},
             const std::string& inDocument = GraphDocument(), const pf::Rect& inRect = kGraphRect)
    {
        NPP instance = Embed(false, inArguments, inRect);
        mHost->SendStream(instance, "u", "m", inDocument);
        Draw(instance);
        Draw(instance);
        return instance;
    }
    // Answers a menu the test expected and did not get, so that it reaches no later popup.
    static void DrainScript()
    {
        while (pf::ScriptCount() > 0)
            pf::DeliverNextScriptItem();
    }
    static VaneGraphInstance* Graph(NPP inInstance) { return dynamic_cast<VaneGraphInstance*>(InstanceOf(inInstance)); }

    static void Click(VaneGraphInstance* ioGraph, int inX, int inY, std::uint32_t inModifiers = 0, int inButton = 1)
    {
        FxMouseEvent event;
        event.mButton = CxUint16(inButton);
        event.mModifiers = inModifiers;
        event.mWhere = CxPoint(CxSint16(inX), CxSint16(inY));
        ioGraph->OnMouseDown(event);
        ioGraph->OnMouseUp(event);
    }
    // "1" for each selected entry of the list, top first.
    static std::string Selection(const VaneGraphInstance* inGraph)
    {
        std::string marks;
        for (auto it = inGraph->GetGraph()->SeriesBegin(); it != inGraph->GetGraph()->SeriesEnd(); ++it)
            marks += (*it)->IsSelected() ? '1' : '0';
        return marks;
    }
    static int AnchorRow(const VaneGraphInstance* inGraph)
    {
        const WxGraph* graph = inGraph->GetGraph();
        for (auto it = graph->SeriesBegin(); it != graph->SeriesEnd(); ++it)
            if (*it == inGraph->AnchorSeries())
                return int(it - graph->SeriesBegin());
        return -1;
    }
    static WxSeries* Row(const VaneGraphInstance* inGraph, int inRow)
    {
        return *(inGraph->GetGraph()->SeriesBegin() + inRow);
    }
    static bool Command(VaneGraphInstance* ioGraph, const char (&inCode)[5])
    {
        FxCommand command(pf::FourCC(inCode));
        ioGraph->OnCommand(command);
        return command.WasHandled();
    }
    void Key(NPP inInstance, std::uint32_t inKeyCode)
    {
        pf::EventRecord record = VaneHost::MakeRecord(pf::kKeyDownEvent, {}, 0, inKeyCode << 8);
        mHost->HandleEvent(inInstance, &record);
    }
    void Focus(NPP inInstance, bool inIn)
    {
        pf::EventRecord record = VaneHost::MakeRecord(inIn ? pf::kGetFocusEvent : pf::kLoseFocusEvent);
        mHost->HandleEvent(inInstance, &record);
    }
    // The pixel at a point of the embed (y down), drawn afresh.
    std::uint32_t Pixel(NPP inInstance, int inX, int inY, const pf::Rect& inRect = kGraphRect)
    {
        Draw(inInstance);
        return Shot().Pixel(int(inRect.x) + inX, int(inRect.y) + inY);
    }

    std::optional<wxkit::KitClock> mClock;
};

constexpr std::uint32_t kAxis = 0xE6E6E6FF;
constexpr std::uint32_t kIcon = 0x263544FF;
constexpr std::uint32_t kBackground = 0x203040FF;
constexpr std::uint32_t kCloseMark = 0xD2D6D9FF;

// ---- the legend column

// On the right by the embed's attribute: flush right after construction and after a resize, the graph narrowed
// from the right (its left axis 50 px in from the view's edge, the column's icons at the right).
TEST_F(GraphTest, ARightLegendStaysFlushRightAndNarrowsTheGraphFromTheRight)
{
    NPP instance = Show({{"legendAlign", "right"}});
    VaneGraphInstance* graph = Graph(instance);
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(graph->LegendRect().right, 400);
    EXPECT_EQ(graph->LegendRect().left, 225);
    EXPECT_TRUE(Near(Pixel(instance, 49, 200), kAxis, 3));
    EXPECT_TRUE(Near(Pixel(instance, 225 + 20, 100), kIcon, 3));
    EXPECT_TRUE(Near(Pixel(instance, 20, 100), kBackground, 2));

    const pf::Rect wider{20, 20, 500, 300};
    mHost->SetWindow(instance, wider);
    EXPECT_EQ(graph->LegendRect().right, 500);
    EXPECT_EQ(graph->LegendRect().Width(), 175);
    EXPECT_EQ(graph->LegendRect().Height(), 300);
    EXPECT_EQ(graph->InspectorRect().Height(), 240);
    EXPECT_TRUE(Near(Pixel(instance, 325 + 20, 100, wider), kIcon, 3));
    EXPECT_TRUE(Near(Pixel(instance, 49, 200, wider), kAxis, 3));
    mHost->Destroy(instance);
}

// 'LGND' slides the column out at 6 px a tick and stops past the edge; again, it slides back and stops at 0.
TEST_F(GraphTest, TheLegendSlidesSixPixelsATickAndStopsAtTheEdge)
{
    NPP instance = Show();
    VaneGraphInstance* graph = Graph(instance);
    ASSERT_NE(graph, nullptr);
    EXPECT_TRUE(Near(Pixel(instance, 224, 200), kAxis, 3));
    for (bool hide : {true, false})
    {
        EXPECT_TRUE(Command(graph, "LGND"));
        EXPECT_EQ(graph->LegendVisible(), !hide);
        EXPECT_EQ(graph->GetGraph()->IsLegendVisible(), !hide);
        std::vector<int> lefts{graph->LegendRect().left};
        for (int i = 0; i < 200 && graph->LegendSliding(); ++i)
        {
            mClock->Advance(10);
            lefts.push_back(graph->LegendRect().left);
        }
        EXPECT_FALSE(graph->LegendSliding()) << hide;
        int moves = 0;
        for (std::size_t i = 1; i < lefts.size(); ++i)
        {
            const int step = hide ? lefts[i - 1] - lefts[i] : lefts[i] - lefts[i - 1];
            EXPECT_TRUE(step % 6 == 0 || (!hide && lefts[i] == 0)) << step;
            EXPECT_GE(step, 0);
            EXPECT_LE(step, 12);
            moves += step > 0;
        }
        EXPECT_GT(moves, 20);
        if (hide)
            EXPECT_LT(graph->LegendRect().right, 0);
        else
            EXPECT_EQ(graph->LegendRect().left, 0);
    }
    EXPECT_TRUE(Near(Pixel(instance, 224, 200), kAxis, 3));
    EXPECT_TRUE(Near(Pixel(instance, 20, 100), kIcon, 3));
    mHost->Destroy(instance);
}

// In Cocoa mode the layer's own context draws the same: the column beside the graph, the graph's axis past it.
TEST_F(GraphTest, CocoaModeDrawsTheColumnAndTheGraph)
{
    NPP instance = Embed(true, {}, kGraphRect);
    mHost->SendStream(instance, "u", "m", GraphDocument());
    Draw(instance);
    Draw(instance);
    ASSERT_NE(Graph(instance), nullptr);
    ASSERT_TRUE(mHost->IsCocoa(instance));
    EXPECT_TRUE(Near(Pixel(instance, 224, 200), kAxis, 3));
    EXPECT_TRUE(Near(Pixel(instance, 20, 100), kIcon, 3));
    mHost->Destroy(instance);
}

// A hidden legend starts in place but undrawn; 'LGND' shows it with no slide.
TEST_F(GraphTest, AHiddenLegendStartsWithoutTheColumnAndShowsWithoutASlide)
{
    NPP instance = Show({}, GraphDocument(R"(legendVisible="false")"));
    VaneGraphInstance* graph = Graph(instance);
    ASSERT_NE(graph, nullptr);
    EXPECT_FALSE(graph->LegendVisible());
    EXPECT_EQ(graph->LegendRect().left, 0);
    EXPECT_TRUE(Near(Pixel(instance, 49, 200), kAxis, 3));
    EXPECT_TRUE(Near(Pixel(instance, 20, 100), kBackground, 2));
    EXPECT_TRUE(Command(graph, "LGND"));
    mClock->Advance(20);
    EXPECT_FALSE(graph->LegendSliding());
    EXPECT_EQ(graph->LegendRect().left, 0);
    EXPECT_TRUE(Near(Pixel(instance, 20, 100), kIcon, 3));
    mHost->Destroy(instance);
}

// ---- selection

struct ClickStep
{
    int x, y;
    std::uint32_t modifiers;
    int button = 1;
};

TEST_F(GraphTest, LegendClicksSelect)
{
    const int below = 60 + 40 * 5 + 10;
    struct Case
    {
        const char* name;
        std::vector<ClickStep> clicks;
        std::string selection;
        int anchor;
        int scroll = 0; // the legend scrolled up first, in a view of 200 px
    };
    const std::vector<Case> cases = {
        {"command selects and anchors", {{80, RowY(1), kCommand}}, "01000", 1},
        {"command toggles off", {{80, RowY(1), kCommand}, {80, RowY(1), kCommand}}, "00000", -1},
        {"command adds", {{80, RowY(0), kCommand}, {80, RowY(4), kCommand}}, "10001", 4},
        {"header deselects all", {{80, RowY(0), kCommand}, {80, RowY(4), kCommand}, {80, 30, 0}}, "00000", 4},
        {"header edge", {{80, RowY(0), kCommand}, {80, 60, 0}}, "00000", 0},
        {"below the rows deselects and forgets", {{80, RowY(1), kCommand}, {80, below, 0}}, "00000", -1},
        {"below the rows with command", {{80, RowY(1), kCommand}, {80, below, kCommand}}, "01000", 1},
        {"below the rows with shift", {{80, RowY(1), kCommand}, {80, below, kShift}}, "01000", 1},
        {"a divider counts as no row", {{80, RowY(1), kCommand}, {80, RowY(2), 0}}, "00000", -1},
        {"shift without anchor from the first", {{80, RowY(3), kShift}}, "11110", 3},
        {"shift from the anchor upwards", {{80, RowY(4), kCommand}, {80, RowY(1), kShift}}, "01111", 1},
        {"shift keeps other selections",
         {{80, RowY(0), kCommand}, {80, RowY(3), kCommand}, {80, RowY(4), kShift}},
         "10011",
         4},
        {"option selects and hides", {{80, RowY(3), kOption}}, "00010", 3},
        {"option with command toggles both", {{80, RowY(1), kCommand | kOption}}, "01000", 1},
        // The row under the mouse: 105 px down in a legend scrolled by 32 is row (105 - 60 + 32) / 40 = 1.
        {"scrolled legend", {{80, 105, kCommand}}, "01000", 1, 32},
        {"scrolled legend, header", {{80, 105, kCommand}, {80, 50, 0}}, "00000", 1, 32},
    };
    for (const Case& c : cases)
    {
        const pf::Rect rect = c.scroll > 0 ? pf::Rect{20, 20, 400, 200} : kGraphRect;
        NPP instance = Show({}, GraphDocument(), rect);
        VaneGraphInstance* graph = Graph(instance);
        ASSERT_NE(graph, nullptr) << c.name;
        if (c.scroll > 0)
        {
            graph->ScrollLegendUp(c.scroll);
            ASSERT_EQ(graph->ScrollOffset(), c.scroll) << c.name;
        }
        for (const ClickStep& step : c.clicks)
            Click(graph, step.x, step.y, step.modifiers, step.button);
        EXPECT_EQ(Selection(graph), c.selection) << c.name;
        EXPECT_EQ(AnchorRow(graph), c.anchor) << c.name;
        EXPECT_EQ(graph->GetInspector(), nullptr) << c.name;
        EXPECT_TRUE(graph->LegendFocus()) << c.name;
        const bool optionCase = std::string(c.name).rfind("option", 0) == 0;
        for (int row : {0, 1, 3, 4})
            EXPECT_EQ(Row(graph, row)->IsVisible(), !(optionCase && row == c.anchor)) << c.name << " " << row;
        mHost->Destroy(instance);
    }
}

// A right-click opens the series menu on a line series only; its scripted 'SHOW' hides the series.
TEST_F(GraphTest, ARightClickOnALineSeriesOpensItsMenu)
{
    struct Case
    {
        int row;
        std::uint32_t modifiers;
        int button;
        bool menu;
    };
    const Case cases[] = {
        {0, kControl, 1, true},           {4, 0, 2, true}, {3, kControl, 1, false}, {2, kControl, 1, false},
        {1, kControl | kShift, 1, false},
    };
    for (const Case& c : cases)
    {
        NPP instance = Show();
        VaneGraphInstance* graph = Graph(instance);
        ASSERT_NE(graph, nullptr);
        pf::PushScript(pf::script::Command(pf::FourCC("SHOW")));
        Click(graph, 80, RowY(c.row), c.modifiers, c.button);
        EXPECT_EQ(pf::ScriptCount(), c.menu ? 0u : 1u) << c.row;
        EXPECT_EQ(Row(graph, c.row)->IsVisible(), !c.menu) << c.row;
        EXPECT_EQ(graph->GetInspector(), nullptr) << c.row;
        DrainScript();
        mHost->Destroy(instance);
    }
}

// ---- keys

// Arrow keys by virtual key code: only with the focus record's focus and exactly one selection; they stop at both
// ends and scroll the new row into view.
TEST_F(GraphTest, ArrowKeysStepOneSelectionWhileFocused)
{
    constexpr std::uint32_t kLeft = 123, kRight = 124, kDown = 125, kUp = 126;
    struct Case
    {
        const char* name;
        std::vector<int> selected;
        bool focus;
        std::vector<std::uint32_t> keys;
        std::string selection;
    };
    const std::vector<Case> cases = {
        {"no focus", {1}, false, {kDown}, "01000"},
        {"none selected", {}, true, {kDown}, "00000"},
        {"two selected", {0, 1}, true, {kDown, kUp}, "11000"},
        {"down", {0}, true, {kDown}, "01000"},
        {"right", {0}, true, {kRight}, "01000"},
        {"onto the divider", {1}, true, {kDown}, "00100"},
        {"up", {3}, true, {kUp}, "00100"},
        {"left", {1}, true, {kLeft}, "10000"},
        {"stops at the top", {0}, true, {kUp, kLeft}, "10000"},
        {"stops at the bottom", {3}, true, {kDown, kDown, kRight}, "00001"},
        {"other keys", {0}, true, {36, 48}, "10000"},
    };
    for (const Case& c : cases)
    {
        NPP instance = Show();
        VaneGraphInstance* graph = Graph(instance);
        ASSERT_NE(graph, nullptr);
        for (int row : c.selected)
            Row(graph, row)->SetSelected(true);
        Focus(instance, c.focus);
        EXPECT_EQ(graph->LegendFocus(), c.focus) << c.name;
        for (std::uint32_t key : c.keys)
            Key(instance, key);
        EXPECT_EQ(Selection(graph), c.selection) << c.name;
        mHost->Destroy(instance);
    }
}

TEST_F(GraphTest, ArrowKeysScrollTheNewRowIntoView)
{
    const pf::Rect shortRect{20, 20, 400, 200};
    NPP instance = Show({}, GraphDocument(), shortRect);
    VaneGraphInstance* graph = Graph(instance);
    ASSERT_NE(graph, nullptr);
    Focus(instance, true);
    Row(graph, 2)->SetSelected(true);
    // Row 3's top at 180 is still in the view; row 4's at 220 is not: its top goes 40 px above the bottom.
    Key(instance, 125);
    EXPECT_EQ(Selection(graph), "00010");
    EXPECT_EQ(graph->ScrollOffset(), 0);
    Key(instance, 125);
    EXPECT_EQ(Selection(graph), "00001");
    EXPECT_EQ(graph->ScrollOffset(), 60);
    // Back up: row 1's top at 40 - 60 + 60 = 40 is under the header, so the offset drops by 20.
    Key(instance, 126);
    Key(instance, 126);
    Key(instance, 126);
    EXPECT_EQ(Selection(graph), "01000");
    EXPECT_EQ(graph->ScrollOffset(), 40);
    // Within the view: no scroll.
    Key(instance, 125);
    EXPECT_EQ(graph->ScrollOffset(), 40);
    // Scrolling down never leaves a negative offset.
    graph->ScrollLegendDown(-32);
    EXPECT_EQ(graph->ScrollOffset(), 8);
    graph->ScrollLegendDown(-32);
    EXPECT_EQ(graph->ScrollOffset(), 0);
    // Up only while the list passes the view, and may pass its limit (260 - 200) by less than a step.
    graph->ScrollLegendUp(32);
    graph->ScrollLegendUp(32);
    EXPECT_EQ(graph->ScrollOffset(), 64);
    graph->ScrollLegendUp(32);
    EXPECT_EQ(graph->ScrollOffset(), 64);
    mHost->Destroy(instance);
}

// The wheel over the column scrolls the legend 32 px a notch, within the list; elsewhere it does nothing.
TEST_F(GraphTest, TheWheelScrollsTheLegendOverTheColumnOnly)
{
    const pf::Rect shortRect{20, 20, 400, 200};
    NPP instance = Show({}, GraphDocument(), shortRect);
    VaneGraphInstance* graph = Graph(instance);
    ASSERT_NE(graph, nullptr);
    const auto wheel = [&](double inX, double inY, int inDelta) {
        mHost->SendWheel(pf::Point{shortRect.x + inX, shortRect.y + inY}, inDelta, 0);
    };
    wheel(300, 100, -1);
    EXPECT_EQ(graph->ScrollOffset(), 0);
    wheel(80, 100, -1);
    EXPECT_EQ(graph->ScrollOffset(), 32);
    wheel(80, 100, -3);
    wheel(80, 100, -1);
    EXPECT_EQ(graph->ScrollOffset(), 64);
    wheel(80, 100, 2);
    EXPECT_EQ(graph->ScrollOffset(), 32);
    wheel(80, 100, 1);
    wheel(80, 100, 1);
    EXPECT_EQ(graph->ScrollOffset(), 0);
    mHost->Destroy(instance);
}

// The wheel as either event brings it, the wheel's delta or the vertical scroll: up 32 px a notch while the list
// passes the view, down to the top and no further; the column never moves sideways.
TEST_F(GraphTest, BothWheelEventsScrollTheLegendUpAndDownOnly)
{
    const pf::Rect shortRect{20, 20, 400, 200};
    const std::pair<int, int> steps[] = {{-1, 32}, {-1, 64}, {-3, 64}, {1, 32}, {2, 0}, {1, 0}, {-1, 32}, {1, 0}};
    for (bool wheel : {true, false})
    {
        SCOPED_TRACE(wheel ? "OnMouseWheel" : "OnMouseScroll");
        NPP instance = Show({}, GraphDocument(), shortRect);
        VaneGraphInstance* graph = Graph(instance);
        ASSERT_NE(graph, nullptr);
        const CxRect column = graph->LegendRect();
        for (const auto& [delta, offset] : steps)
        {
            FxMouseEvent event;
            event.mWhere = CxPoint(80, 100);
            (wheel ? event.mWheelDelta : event.mVerticalScroll) = delta;
            if (wheel)
                graph->OnMouseWheel(event);
            else
                graph->OnMouseScroll(event);
            EXPECT_EQ(graph->ScrollOffset(), offset) << delta;
            EXPECT_EQ(graph->LegendRect().left, column.left) << delta;
            EXPECT_EQ(graph->LegendRect().Width(), column.Width()) << delta;
            EXPECT_EQ(graph->LegendRect().Height(), column.Height()) << delta;
        }
        mHost->Destroy(instance);
    }
}

// ---- the panel

TEST_F(GraphTest, ThePanelGrowsFromItsRowAndShrinksBackThroughTheCloseBox)
{
    for (bool shift : {false, true})
    {
        NPP instance = Show();
        VaneGraphInstance* graph = Graph(instance);
        ASSERT_NE(graph, nullptr);
        Click(graph, 80, RowY(1));
        VaneSeriesInspector* panel = graph->GetInspector();
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(panel->GetSeries(), Row(graph, 1));
        EXPECT_EQ(Selection(graph), "01000");
        EXPECT_EQ(graph->SeriesRowRect(), CxRect(0, 100, 175, 140));
        EXPECT_EQ(graph->InspectorRect(), graph->SeriesRowRect());
        EXPECT_EQ(graph->InspectorSpeed(), 30);
        // Each tick's step is 30 px a side, the alpha following the height, until the band 60 to 300.
        int ticks = 0;
        while (graph->InspectorRect().Height() < 240 && ticks < 100)
        {
            const CxRect before = graph->InspectorRect();
            mClock->Advance(34);
            ++ticks;
            const CxRect after = graph->InspectorRect();
            EXPECT_LE(before.top - after.top, 90);
            EXPECT_GE(after.top, 60);
            EXPECT_LE(after.bottom, 300);
            const double height = after.Height();
            EXPECT_NEAR(panel->Alpha(), height > 30 ? (height - 30) / 240.0 : 0.0, 1e-9);
        }
        EXPECT_EQ(graph->InspectorRect(), CxRect(0, 60, 175, 300));
        mClock->Advance(34);
        EXPECT_EQ(panel->Alpha(), 1.0);
        EXPECT_TRUE(Near(Pixel(instance, 165, 72), kCloseMark, 6));
        EXPECT_TRUE(Near(Pixel(instance, 20, 180), kBackground, 2));

        // A click outside the close box goes to the panel's legend: the panel stays.
        Click(graph, 80, 200);
        ASSERT_EQ(graph->GetInspector(), panel);
        // The close box: 20 x 23 at the column's top right, below the header.
        Click(graph, 165, 72, shift ? kShift : 0);
        EXPECT_EQ(graph->InspectorSpeed(), shift ? 1 : 30);
        EXPECT_EQ(Selection(graph), "00000");
        const CxRect before = graph->InspectorRect();
        mClock->Advance(34);
        const int step = graph->InspectorRect().top - before.top;
        EXPECT_GT(step, 0);
        EXPECT_LE(step, shift ? 3 : 90);
        for (int i = 0; i < 400 && graph->GetInspector() != nullptr; ++i)
            mClock->Advance(34);
        EXPECT_EQ(graph->GetInspector(), nullptr);
        EXPECT_TRUE(Near(Pixel(instance, 165, 72), kBackground, 2));
        EXPECT_TRUE(Near(Pixel(instance, 20, 180), kIcon, 3));
        mHost->Destroy(instance);
    }
}

// A command-click in the column closes the panel too; an instance going with its panel open frees it.
TEST_F(GraphTest, ACommandClickClosesThePanelAndDestructionFreesIt)
{
    NPP instance = Show();
    VaneGraphInstance* graph = Graph(instance);
    ASSERT_NE(graph, nullptr);
    Click(graph, 80, RowY(0));
    ASSERT_NE(graph->GetInspector(), nullptr);
    mClock->Advance(100);
    Click(graph, 80, RowY(4), kCommand);
    EXPECT_EQ(Selection(graph), "00000");
    for (int i = 0; i < 100 && graph->GetInspector() != nullptr; ++i)
        mClock->Advance(34);
    EXPECT_EQ(graph->GetInspector(), nullptr);
    // Open again and destroy mid-growth: the sanitizers see the panel and its textures go.
    Click(graph, 80, RowY(0));
    mClock->Advance(34);
    Draw(instance);
    ASSERT_NE(graph->GetInspector(), nullptr);
    EXPECT_EQ(mHost->Destroy(instance), NPERR_NO_ERROR);
}

// Moves reach the panel and the graph at most every 0.033 s across all graph instances; the first is taken.
TEST_F(GraphTest, MouseMovesAreThrottledAcrossInstances)
{
    NPP first = Show();
    NPP second = Show({}, GraphDocument(), pf::Rect{20, 330, 400, 80});
    VaneGraphInstance* a = Graph(first);
    VaneGraphInstance* b = Graph(second);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    Click(a, 80, RowY(0));
    ASSERT_NE(a->GetInspector(), nullptr);
    const auto move = [](VaneGraphInstance* ioGraph, int inX, int inY)
    {
        FxMouseEvent event;
        event.mWhere = CxPoint(CxSint16(inX), CxSint16(inY));
        ioGraph->OnMouseMoved(event);
    };
    move(a, 250, 150);
    EXPECT_EQ(a->GetInspector()->TrackPoint(), GxPoint(250, 150));
    EXPECT_EQ(a->GetGraph()->TrackingPoint(), GxPoint(250, 150));
    mClock->Advance(20);
    move(a, 255, 155);
    EXPECT_EQ(a->GetInspector()->TrackPoint(), GxPoint(250, 150));
    // The other instance's move, 0.04 s after the first, is taken and counts for both.
    mClock->Advance(20);
    move(b, 10, 10);
    mClock->Advance(20);
    move(a, 260, 160);
    EXPECT_EQ(a->GetInspector()->TrackPoint(), GxPoint(250, 150));
    mClock->Advance(20);
    move(a, 270, 170);
    EXPECT_EQ(a->GetInspector()->TrackPoint(), GxPoint(270, 170));
    EXPECT_EQ(a->GetGraph()->TrackingPoint(), GxPoint(270, 170));
    mHost->Destroy(second);
    mHost->Destroy(first);
}

// The reading at the tracked point: the wind series' barb key picks the sample under the mouse. A pixel spans
// some ten minutes here, so each sample sits on the first five-minute step at or after its pixel's time.
TEST_F(GraphTest, TheReadingAtTheTrackedPointShowsInThePanel)
{
    NPP instance = Show();
    VaneGraphInstance* graph = Graph(instance);
    ASSERT_NE(graph, nullptr);
    auto* wind = dynamic_cast<WxSeriesVectorClient*>(Row(graph, 3));
    ASSERT_NE(wind, nullptr);
    const WxGraph* model = graph->GetGraph();
    const CxRect plot = WxGraph::PlotRect(model->Bounds());
    const double perSecond = model->GetTimeAxis()->PixelsPerSecond();
    ASSERT_GT(perSecond, 0.0);
    const std::vector<int> pixels = {10, 40, 80};
    std::vector<double> times;
    for (int x : pixels)
        times.push_back(300.0 * std::ceil(x / perSecond / 300.0));
    const std::string time = "time", speed = "sped", direction = "drct";
    wxkit::Inject(*wind, wxkit::KitTable(CxDate(CxString("2010-01-15 00:00:00 UTC")), {},
                                         {{time + ":secs", times},
                                          {speed + ":mps", {6.0, 19.0, 11.0}},
                                          {direction + ":degr", {200.0, 10.0, 90.0}}}));
    Click(graph, 80, RowY(3));
    ASSERT_NE(graph->GetInspector(), nullptr);
    for (int i = 0; i < 20; ++i)
        mClock->Advance(34);
    Draw(instance);
    auto* key = dynamic_cast<WxSeriesBarbLegend*>(graph->GetInspector()->Legend());
    ASSERT_NE(key, nullptr);
    struct Case
    {
        int pixel;
        const char* speed;
    };
    for (const Case& c : {Case{10, "6.0"}, Case{40, "19.0"}, Case{80, "11.0"}, Case{10, "6.0"}})
    {
        mClock->Advance(40);
        FxMouseEvent move;
        move.mWhere = CxPoint(CxSint16(plot.left + c.pixel), 200);
        graph->OnMouseMoved(move);
        Draw(instance);
        EXPECT_EQ(key->SpeedText().AsUtf8(), c.speed) << c.pixel;
    }
    mHost->Destroy(instance);
}

// ---- commands

TEST_F(GraphTest, OpenWritesAStandAloneDocumentThatDrawsTheSamePicture)
{
    NPP instance = Show();
    VaneGraphInstance* graph = Graph(instance);
    ASSERT_NE(graph, nullptr);
    Row(graph, 1)->SetSelected(true);
    EXPECT_TRUE(Command(graph, "open"));
    const std::string path = CxFolder(kCxTemporaryFolder).Path().AsUtf8() + "/temp.vanedoc";
    const std::string text = ReadText(path);
    EXPECT_EQ(text.rfind("<?vanedoc version=\"1.4d1\" encoding=\"UTF-8\"?>", 0), 0u) << text;
    const std::size_t stationery = text.find("<?WxIsStationery");
    const std::size_t element = text.find("<vanedoc>");
    EXPECT_NE(stationery, std::string::npos);
    EXPECT_LT(stationery, element);
    EXPECT_EQ(text.find("MapView"), std::string::npos);
    EXPECT_NE(text.find("<graph name=\"Harbour\""), std::string::npos);

    NPP copy = Show({}, text, pf::Rect{20, 20, 400, 300});
    ASSERT_NE(Graph(copy), nullptr);
    EXPECT_EQ(Selection(Graph(copy)), "01000");
    Draw(copy);
    const pf::Snapshot second = Shot();
    mHost->Destroy(copy);
    Draw(instance);
    const pf::Snapshot first = Shot();
    int differ = 0;
    for (int y = 20; y < 320; ++y)
        for (int x = 20; x < 420; ++x)
            differ += first.Pixel(x, y) != second.Pixel(x, y);
    EXPECT_EQ(differ, 0);
    mHost->Destroy(instance);
}

TEST_F(GraphTest, ShowAndLegendTwiceComeBackAsTheyWere)
{
    NPP instance = Show();
    VaneGraphInstance* graph = Graph(instance);
    ASSERT_NE(graph, nullptr);
    // Nothing selected: nothing changes, the command is still taken.
    EXPECT_TRUE(Command(graph, "SHOW"));
    EXPECT_TRUE(Row(graph, 0)->IsVisible());
    // Each selected series takes the opposite of the first selected one's visibility.
    Row(graph, 0)->SetSelected(true);
    Row(graph, 4)->SetSelected(true);
    Row(graph, 4)->SetVisibility(false);
    EXPECT_TRUE(Command(graph, "SHOW"));
    EXPECT_FALSE(Row(graph, 0)->IsVisible());
    EXPECT_FALSE(Row(graph, 4)->IsVisible());
    EXPECT_TRUE(Command(graph, "SHOW"));
    EXPECT_TRUE(Row(graph, 0)->IsVisible());
    EXPECT_TRUE(Row(graph, 4)->IsVisible());

    EXPECT_TRUE(Command(graph, "LGND"));
    mClock->Advance(50);
    EXPECT_TRUE(Command(graph, "LGND"));
    for (int i = 0; i < 200 && graph->LegendSliding(); ++i)
        mClock->Advance(10);
    EXPECT_TRUE(graph->LegendVisible());
    EXPECT_EQ(graph->LegendRect().left, 0);
    EXPECT_TRUE(Near(Pixel(instance, 20, 100), kIcon, 3));
    mHost->Destroy(instance);
}

std::string Output(const std::string& inCommand)
{
    std::string out;
    if (FILE* pipe = ::popen((inCommand + " 2>/dev/null").c_str(), "r"))
    {
        char buffer[512];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
            out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

// Confirmed, the next draw prints one page; cancelled, nothing is printed or kept.
TEST_F(GraphTest, PrintConfirmedGivesOnePageCancelledNothing)
{
    const bool poppler = !Output("command -v pdfinfo").empty();
    const char* require = std::getenv("SKYVANE_REQUIRE_TESTDATA");
    if (!poppler && require != nullptr && std::string(require) == "1")
        FAIL() << "poppler-utils is not installed";
    const std::string folder = Home() + "/print";
    setenv("SKYVANE_PRINT_DIR", folder.c_str(), 1);
    NPP instance = Show();
    VaneGraphInstance* graph = Graph(instance);
    ASSERT_NE(graph, nullptr);
    const auto files = [&]
    {
        std::vector<fs::path> found;
        std::error_code error;
        for (auto it = fs::directory_iterator(folder, error); !error && it != fs::directory_iterator(); ++it)
            found.push_back(it->path());
        return found;
    };

    pf::PushScript(pf::script::Cancel());
    EXPECT_TRUE(Command(graph, "PRNT"));
    EXPECT_FALSE(graph->PrintPending());
    Draw(instance);
    EXPECT_TRUE(files().empty());

    pf::PushScript(pf::script::Accept());
    EXPECT_TRUE(Command(graph, "PRNT"));
    EXPECT_TRUE(graph->PrintPending());
    EXPECT_TRUE(files().empty());
    Draw(instance);
    EXPECT_FALSE(graph->PrintPending());
    const std::vector<fs::path> printed = files();
    ASSERT_EQ(printed.size(), 1u);

    // A print accepted but never drawn ends unprinted with the instance.
    pf::PushScript(pf::script::Accept());
    EXPECT_TRUE(Command(graph, "PRNT"));
    mHost->Destroy(instance);
    EXPECT_EQ(files().size(), 1u);
    unsetenv("SKYVANE_PRINT_DIR");
    if (!poppler)
        GTEST_SKIP() << "poppler-utils is not installed";
    EXPECT_TRUE(std::regex_search(Output("pdfinfo '" + printed[0].string() + "'"), std::regex("Pages: +1\n")));
}

// The log's folder cannot be made: a debug line, the command handled, no exception out of the handler.
TEST_F(GraphTest, ShowLogWithAnUnwritableLogsFolderIsHandled)
{
    NPP instance = Show();
    VaneGraphInstance* graph = Graph(instance);
    ASSERT_NE(graph, nullptr);
    const std::string blocker = Home() + "/blocked";
    WriteText(blocker, "a file where the state folder should be");
    const char* saved = std::getenv("XDG_STATE_HOME");
    const std::string keep = saved != nullptr ? saved : "";
    setenv("XDG_STATE_HOME", blocker.c_str(), 1);
    {
        CxDebugCapture capture;
        bool handled = false;
        EXPECT_NO_THROW(handled = Command(graph, "SLOG"));
        EXPECT_TRUE(handled);
        EXPECT_GT(capture.Count(), 0u);
    }
    if (saved != nullptr)
        setenv("XDG_STATE_HOME", keep.c_str(), 1);
    else
        unsetenv("XDG_STATE_HOME");
    // A writable folder: the log is made where it was missing, and opened.
    fs::remove(CxFolder(kCxLogsFolder).Path().AsUtf8() + "/SkyvanePlugin.log");
    EXPECT_TRUE(Command(graph, "SLOG"));
    EXPECT_TRUE(CxFolder(kCxLogsFolder).ContainsFile(CxString("SkyvanePlugin.log")));
    mHost->Destroy(instance);
}

TEST_F(GraphTest, TheMenuCommandsAndTheirHandling)
{
    NPP instance = Show();
    VaneGraphInstance* graph = Graph(instance);
    ASSERT_NE(graph, nullptr);
    EXPECT_TRUE(Command(graph, "VSRC"));
    EXPECT_EQ(ReadText(CxFolder(kCxTemporaryFolder).Path().AsUtf8() + "/temp.txt"), GraphDocument());
    EXPECT_TRUE(Command(graph, "ABOU"));
    EXPECT_NE(VaneAboutBox::sAboutBox, nullptr);
    // The data manager opens; unknown codes are not the graph's.
    EXPECT_TRUE(Command(graph, "DMGR"));
    EXPECT_FALSE(Command(graph, "DSET"));
    EXPECT_FALSE(Command(graph, "XXXX"));
    // The graph's menu by a control-click outside the column: its legend item names the legend's state.
    for (bool visible : {true, false})
    {
        pf::PushScript(pf::script::Command(pf::FourCC("LGND")));
        Click(graph, 300, 150, kControl);
        EXPECT_EQ(pf::ScriptCount(), 0u);
        EXPECT_EQ(graph->LegendVisible(), !visible);
    }
    // A plain click on the graph opens nothing.
    pf::PushScript(pf::script::Command(pf::FourCC("LGND")));
    Click(graph, 300, 150);
    EXPECT_EQ(pf::ScriptCount(), 1u);
    DrainScript();
    mHost->Destroy(instance);
}

// ---- set-up

// "dissolve" "true" alone fades from the icon over 20 ticks; anything else draws the graph at once.
TEST_F(GraphTest, OnlyDissolveTrueFadesIn)
{
    struct Case
    {
        const char* value;
        bool fades;
    };
    for (const Case& c : {Case{"true", true}, Case{"TRUE", false}, Case{"1", false}, Case{"", false}})
    {
        NPP instance = Show({{"dissolve", c.value}});
        VaneGraphInstance* graph = Graph(instance);
        ASSERT_NE(graph, nullptr);
        EXPECT_EQ(graph->Fading(), c.fades) << c.value;
        const std::uint32_t corner = Pixel(instance, 300, 5);
        if (c.fades)
        {
            EXPECT_TRUE(Near(corner, 0xCCCCCCFF, 3)) << c.value;
            // 20 steps of 0.05 every 34 ms, give or take the tick the embed started in and the float's rounding.
            int elapsed = 0;
            for (; elapsed < 2000 && graph->Fading(); elapsed += 2)
                mClock->Advance(2);
            EXPECT_GE(elapsed, 19 * 34);
            EXPECT_LE(elapsed, 21 * 34 + 2);
            EXPECT_LE(graph->FadeAlpha(), 0.0f);
        }
        EXPECT_TRUE(Near(Pixel(instance, 300, 5), kBackground, 2)) << c.value;
        mHost->Destroy(instance);
    }
}

// The hand-over asks for a draw of its own: the placeholder's draw that made the instance showed nothing.
TEST_F(GraphTest, TheHandOverAsksForADraw)
{
    NPP instance = Embed(false, {}, kGraphRect);
    mHost->SendStream(instance, "u", "m", GraphDocument());
    const std::size_t before = mHost->Invalidations().size();
    Draw(instance);
    ASSERT_NE(Graph(instance), nullptr);
    EXPECT_GT(mHost->Invalidations().size(), before);
    mHost->Destroy(instance);
}

// A document whose graph does not read leaves no graph: clears, ignores clicks and keys, says why.
TEST_F(GraphTest, WithoutAGraphTheViewClears)
{
    NPP instance = Embed(false, {}, kGraphRect);
    VanePluginInstance* placeholder = dynamic_cast<VanePluginInstance*>(InstanceOf(instance));
    ASSERT_NE(placeholder, nullptr);
    mHost->SendStream(instance, "u", "m", GraphDocument());
    std::unique_ptr<WxParser> parser = wxkit::KitParser(wxkit::Vanedoc("<note/>"));
    CxDebugCapture capture;
    auto* graph = new VaneGraphInstance(placeholder, *parser);
    delete placeholder;
    EXPECT_EQ(graph->GetGraph(), nullptr);
    EXPECT_GT(capture.Count(), 0u);
    Click(graph, 80, RowY(0));
    Focus(instance, true);
    Key(instance, 125);
    EXPECT_EQ(graph->GetInspector(), nullptr);
    EXPECT_TRUE(Command(graph, "open"));
    EXPECT_TRUE(Near(Pixel(instance, 200, 150), 0x000000FF, 2) || Near(Pixel(instance, 200, 150), 0xCCCCCCFF, 2));
    mHost->Destroy(instance);
}

} // namespace
