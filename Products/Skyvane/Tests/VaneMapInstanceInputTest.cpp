// The map instance's view model against an independent reference (tools/view_reference.py), its mouse, wheel and
// key input, the shared mouse-move throttle, its commands and linked maps, on the test browser.
#include "WxDrawTestSupport.h"

#include "CxPreferences.h"
#include "CxSystem.h"
#include "DxClients.h"
#include "DxNidsLevelThree.h"
#include "DxUnit.h"
#include "FxBrowser.h"
#include "FxCommander.h"
#include "FxKeyEvent.h"
#include "FxMouseEvent.h"
#include "FxPlugin.h"
#include "GxProjection.h"
#include "PfRunLoop.h"
#include "PfSurface.h"
#include "PfTypes.h"
#include "PfWindowServer.h"
#include "TestSupport.h"
#include "VaneAboutBox.h"
#include "VaneEntryPoints.h"
#include "VaneHost.h"
#include "VaneInspectors.h"
#include "VaneMapInstance.h"
#include "VanePluginInstance.h"
#include "WxMap.h"
#include "WxParser.h"
#include "WxProduct.h"

#include <GL/glu.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <sstream>

namespace
{

using namespace wxkit;
namespace fs = std::filesystem;

class Probe : public VaneMapInstance
{
public:
    using VaneMapInstance::VaneMapInstance;

    using VaneMapInstance::AdvanceSelection;
    using VaneMapInstance::LocalBounds;
    using VaneMapInstance::mButtonState;
    using VaneMapInstance::mDraggingLegend;
    using VaneMapInstance::mDraggingMap;
    using VaneMapInstance::mFocusPoint;
    using VaneMapInstance::mHoverButton;
    using VaneMapInstance::mInspectorSpeed;
    using VaneMapInstance::mInspectorTimer;
    using VaneMapInstance::mLegendFocus;
    using VaneMapInstance::mLegendRect;
    using VaneMapInstance::mLegendTimer;
    using VaneMapInstance::mLegendVisible;
    using VaneMapInstance::mPendingPrint;
    using VaneMapInstance::mPerspective;
    using VaneMapInstance::mPopup;
    using VaneMapInstance::mProductInspector;
    using VaneMapInstance::mShowTrackCursor;
    using VaneMapInstance::mTrackPoint;
    using VaneMapInstance::mZoomTimer;
    using VaneMapInstance::sMouseMoved;
};

FxPluginInstance* MakeProbe(FxPluginInstance* inPlaceholder, WxParser& ioParser)
{
    return new Probe(static_cast<VanePluginInstance*>(inPlaceholder), ioParser);
}

using Arguments = std::vector<std::pair<std::string, std::string>>;

constexpr int kLeft = 100;
constexpr int kTop = 200;
constexpr int kW = 400;
constexpr int kH = 260;
constexpr pf::Rect kRect{kLeft, kTop, kW, kH};

const char* const kLoop = "<loop><duration value=\"2\" units=\"hour\"/>"
                          "<anchor date=\"2010-01-15 12:00:00 UTC\" type=\"loopTo\"/><step value=\"10\" units=\"min\"/>"
                          "</loop>";
const char* const kGrid = "<gridlines name=\"g\" color=\"#FFFFFFFF\" width=\"1\" latInterval=\"10\" "
                          "lonInterval=\"10\" startLat=\"-80\" endLat=\"80\" startLon=\"-180\" endLon=\"180\" "
                          "visible=\"true\"/>";
const char* const kLambert = "<projection id=\"lambertConformal\"><property id=\"stdLon\" value=\"-98\"/>"
                             "<property id=\"stdLat1\" value=\"33\"/><property id=\"stdLat2\" value=\"45\"/>"
                             "</projection>";

std::string MapDoc(const std::string& inAttributes, const std::string& inLayers, const std::string& inBeside = "",
                   const std::string& inProjection = kLambert)
{
    const std::string visible =
        inAttributes.find("legendVisible") == std::string::npos ? " legendVisible=\"true\"" : "";
    const std::string centre = inAttributes.find("mapLon") == std::string::npos ? " mapLon=\"-98\" mapLat=\"39\"" : "";
    return Vanedoc(inBeside + "<map color=\"#203040FF\" date=\"2010-01-15 12:00:00 UTC\" " + inAttributes + visible +
                   centre + ">" + kLoop + inProjection + inLayers + "</map>");
}

std::string Layers(int inCount)
{
    std::string layers;
    for (int i = 0; i < inCount; ++i)
        layers +=
            "<gridlines name=\"g" + std::to_string(i) + "\" latInterval=\"10\" lonInterval=\"10\" visible=\"true\"/>";
    return layers;
}

// Lines of numbers from the reference, one a command.
std::vector<std::vector<double>> Reference(const std::vector<std::string>& inCommands)
{
    const fs::path input = fs::temp_directory_path() / ("view_reference_" + std::to_string(::getpid()) + ".txt");
    {
        std::ofstream out(input);
        for (const std::string& line : inCommands)
            out << line << "\n";
    }
    const std::string command = "python3 '" + std::string(VIEW_REFERENCE) + "' < '" + input.string() + "'";
    std::vector<std::vector<double>> rows;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return rows;
    char line[4096];
    while (std::fgets(line, sizeof line, pipe) != nullptr)
    {
        std::istringstream words(line);
        std::vector<double> row;
        double value = 0.0;
        while (words >> value)
            row.push_back(value);
        rows.push_back(row);
    }
    ::pclose(pipe);
    fs::remove(input);
    return rows;
}

std::string Num(double inValue)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", inValue);
    return text;
}

void ExpectRelative(double inActual, double inWant, double inTolerance, const std::string& inWhat)
{
    EXPECT_LE(std::abs(inActual - inWant), inTolerance * std::max(1.0, std::abs(inWant)))
        << inWhat << ": " << inActual << " against " << inWant;
}

FxMouseEvent Mouse(int inX, int inY, CxUint32 inModifiers = 0, CxUint16 inButton = 1, CxUint32 inClicks = 1)
{
    FxMouseEvent event;
    event.mWhere = CxPoint(CxSint16(inX), CxSint16(inY));
    event.mModifiers = inModifiers;
    event.mButton = inButton;
    event.mClickCount = inClicks;
    return event;
}

FxKeyEvent Key(CxUint32 inCode, CxUint32 inModifiers = 0)
{
    FxKeyEvent event;
    event.mKeyCode = inCode;
    event.mModifiers = inModifiers;
    return event;
}

constexpr CxUint32 kCmd = FxMouseEvent::kCommand;
constexpr CxUint32 kCtrl = FxMouseEvent::kControl;
constexpr CxUint32 kOpt = FxMouseEvent::kOption;
constexpr CxUint32 kShift = FxMouseEvent::kShift;

class MapInputTest : public wxdraw::DrawTest
{
protected:
    void SetUp() override
    {
        DrawTest::SetUp();
        DxUnit::Unload();
        const std::string temporary = mHome.Path() + "/tmp";
        fs::create_directories(temporary);
        setenv("TMPDIR", temporary.c_str(), 1);
        setenv("SKYVANE_OPEN_CMD", "true", 1);
        mClock.emplace(CxDate(CxString("2010-01-15 12:00:00 UTC")), "UTC");
        pf::ResetWindowServerForTesting();
        CxGetGlobalPreferences().SetStringTable({});
        VanePluginInstance::sMapMaker = MakeProbe;
        Probe::sMouseMoved = false;
        mFuncs.size = sizeof(NPPluginFuncs);
        ASSERT_EQ(VaneGetEntryPoints(&mFuncs), NPERR_NO_ERROR);
        mHost = std::make_unique<VaneHost>(mFuncs);
        ASSERT_EQ(VaneInitialize(mHost->BrowserFuncs()), NPERR_NO_ERROR);
    }

    void TearDown() override
    {
        mHost.reset();
        VaneShutdown();
        gBrowser = nullptr;
        pf::ResetWindowServerForTesting();
        mClock.reset();
        CxGetGlobalPreferences().SetStringTable({});
        unsetenv("TMPDIR");
        unsetenv("SKYVANE_OPEN_CMD");
        DxUnit::Load();
        VanePluginInstance::sMapMaker = VaneMapInstance::Make;
        DrawTest::TearDown();
    }

    Probe* Open(const std::string& inDocument, const Arguments& inArguments = {}, const pf::Rect& inRect = kRect)
    {
        mHost->SetSupport(VaneAnswer::kFalse, VaneAnswer::kFalse);
        mNpp = mHost->New(inArguments);
        if (mNpp == nullptr)
            return nullptr;
        mHost->SetWindow(mNpp, inRect);
        mHost->SendStream(mNpp, "http://example.org/m.vanedoc", "text/vanedoc", inDocument);
        Draw();
        return Instance();
    }

    Probe* Instance() const { return dynamic_cast<Probe*>(static_cast<FxPluginInstance*>(mNpp->pdata)); }

    void Draw()
    {
        pf::EventRecord update = VaneHost::MakeRecord(pf::kUpdateEvent);
        mHost->HandleEvent(mNpp, &update);
    }

    void Close()
    {
        if (mNpp != nullptr)
            mHost->Destroy(mNpp);
        mNpp = nullptr;
    }

    // The window point (y down) of a map-plane point through the matrices the instance leaves in GL.
    static GxPoint WindowOf(Probe* ioMap, const GxPoint& inPoint)
    {
        ioMap->GetContext()->MakeCurrent();
        ioMap->SetPerspective(ioMap->mPerspective);
        GLdouble model[16], projection[16];
        GLint viewport[4];
        glGetDoublev(GL_MODELVIEW_MATRIX, model);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetIntegerv(GL_VIEWPORT, viewport);
        GLdouble x = 0, y = 0, z = 0;
        gluProject(inPoint.mX, inPoint.mY, 0.0, model, projection, viewport, &x, &y, &z);
        return GxPoint(x, viewport[3] - y);
    }

    static GxPoint Focus(Probe* inMap)
    {
        return inMap->GetMap()->Projection()->Project(inMap->GetMap()->GetMapCenter());
    }

    std::optional<KitClock> mClock;
    NPPluginFuncs mFuncs{};
    std::unique_ptr<VaneHost> mHost;
    NPP mNpp = nullptr;
};

// ---- the view model

TEST_F(MapInputTest, ScaleScreenToWorldAndWindowPositionsAgreeWithTheReference)
{
    struct Size
    {
        int w, h;
    };
    const double angles[] = {160.0, 90.0, 33.5, 1.0};
    const Size sizes[] = {{kW, kH}, {300, 300}};
    const GxPoint mouse[] = {{0, 0}, {37, 211}, {399, 5}, {200, 130}};
    for (const Size& size : sizes)
    {
        Probe* map =
            Open(MapDoc("legendVisible=\"false\"", kGrid), {}, pf::Rect{kLeft, kTop, double(size.w), double(size.h)});
        ASSERT_NE(map, nullptr);
        for (double angle : angles)
        {
            map->SetPerspective(angle);
            const GxPoint focus = Focus(map);
            const std::string camera = Num(angle) + " " + std::to_string(size.w) + " " + std::to_string(size.h) + " " +
                                       Num(focus.mX) + " " + Num(focus.mY);
            std::vector<std::string> commands{"scale " + Num(angle) + " " + std::to_string(size.w) + " " +
                                              std::to_string(size.h)};
            for (const GxPoint& p : mouse)
                commands.push_back("world " + camera + " " + Num(p.mX) + " " + Num(p.mY) + " 0");
            const auto rows = Reference(commands);
            ASSERT_EQ(rows.size(), commands.size()) << "python3 and tools/view_reference.py";
            const std::string where = std::to_string(size.w) + "x" + std::to_string(size.h) + " at " + Num(angle);
            ExpectRelative(map->GetMap()->Scale(), rows[0][0], 1e-6, "scale " + where);
            EXPECT_DOUBLE_EQ(map->GetMap()->FieldOfViewY(), angle);
            for (std::size_t i = 0; i < std::size(mouse); ++i)
            {
                const GxPoint world = map->ScreenToWorld(mouse[i]);
                // The map plane: z = 0 at window depth 0.
                ASSERT_EQ(rows[i + 1].size(), 3u);
                EXPECT_NEAR(rows[i + 1][2], 0.0, 1e-9);
                const double extent = std::abs(rows[i + 1][0] - focus.mX) + std::abs(rows[i + 1][1] - focus.mY);
                EXPECT_NEAR(world.mX, rows[i + 1][0], 1e-6 * std::max(1.0, extent)) << where << " x of " << i;
                EXPECT_NEAR(world.mY, rows[i + 1][1], 1e-6 * std::max(1.0, extent)) << where << " y of " << i;
                // And back through the camera's own matrices: the point lies under the mouse.
                // GL keeps its matrices in single precision: the focus point's kilometres limit the round trip.
                const double pixelsPerKm = size.h / (200.0 * std::tan(angle * M_PI / 360.0));
                const double tolerance = 1e-6 * std::max(1.0, std::abs(focus.mX) + std::abs(focus.mY)) * pixelsPerKm;
                const GxPoint back = WindowOf(map, world);
                EXPECT_NEAR(back.mX, mouse[i].mX, tolerance) << where;
                EXPECT_NEAR(back.mY, mouse[i].mY, tolerance) << where;
            }
        }
        Close();
    }
}

TEST_F(MapInputTest, ZoomStepsAndTheirClamps)
{
    Probe* map = Open(MapDoc("", kGrid));
    ASSERT_NE(map, nullptr);
    struct Row
    {
        double from;
        bool in;
        bool coarse;
        double want;
    };
    const Row rows[] = {
        {160, true, false, 158}, {60, true, false, 54},   {60, true, true, 18},        {160, false, false, 162},
        {60, false, true, 102},  {100, true, false, 92},  {179.4, false, true, 179.5}, {179.5, false, false, 179.5},
        {0.12, true, true, 0.1}, {0.1, true, false, 0.1},
    };
    for (const Row& row : rows)
    {
        map->SetPerspective(row.from);
        if (row.in)
            map->ZoomIn(row.coarse);
        else
            map->ZoomOut(row.coarse);
        EXPECT_NEAR(map->GetMap()->FieldOfViewY(), row.want, 1e-9) << row.from << (row.in ? " in" : " out");
    }
    Close();
}

TEST_F(MapInputTest, ScrollByMovesTheMapByThatManyPixels)
{
    Probe* map = Open(MapDoc("", kGrid));
    ASSERT_NE(map, nullptr);
    for (double angle : {160.0, 20.0})
    {
        map->SetPerspective(angle);
        const GxPoint point = map->ScreenToWorld(GxPoint(150, 100));
        const GxPoint before = WindowOf(map, point);
        map->ScrollBy(CxPoint(30, -20));
        const GxPoint after = WindowOf(map, point);
        EXPECT_NEAR(after.mX - before.mX, 30.0, 0.01) << angle;
        EXPECT_NEAR(after.mY - before.mY, -20.0, 0.01) << angle;
    }
    Close();
}

// The wheel and the zoom tool about the mouse: the map point under it stays, also at odd sizes.
TEST_F(MapInputTest, AZoomAboutAPointKeepsItsMapPointUnderIt)
{
    for (const pf::Rect rect : {kRect, pf::Rect{kLeft, kTop, 401, 261}})
    {
        Probe* map = Open(MapDoc("legendVisible=\"false\"", kGrid), {}, rect);
        ASSERT_NE(map, nullptr);
        const GxPoint q(310, 57);
        map->SetPerspective(160);
        struct Step
        {
            const char* what;
            std::function<void()> act;
            double angle;
        };
        const Step steps[] = {
            {"wheel in",
             [&]
             {
                 map->OnMouseScroll(
                     []
                     {
                         auto e = Mouse(310, 57);
                         e.mVerticalScroll = 1;
                         return e;
                     }());
             },
             158},
            {"wheel out coarse",
             [&]
             {
                 auto e = Mouse(310, 57, kShift);
                 e.mVerticalScroll = -3;
                 map->OnMouseScroll(e);
             },
             158 + 0.7 * 22},
            {"click in",
             [&]
             {
                 map->OnMouseDown(Mouse(310, 57));
                 mClock->Advance(0);
                 map->OnMouseUp(Mouse(310, 57));
             },
             (158 + 0.7 * 22) - 0.1 * (180 - (158 + 0.7 * 22))},
        };
        for (const Step& step : steps)
        {
            const GxPoint before = map->ScreenToWorld(q);
            step.act();
            EXPECT_NEAR(map->mPerspective, step.angle, 1e-9) << step.what;
            const GxPoint window = WindowOf(map, before);
            EXPECT_NEAR(window.mX, q.mX, 0.01) << step.what << " " << rect.w;
            EXPECT_NEAR(window.mY, q.mY, 0.01) << step.what << " " << rect.w;
        }
        EXPECT_FALSE(map->mZoomTimer.IsRepeating());
        Close();
    }
}

TEST_F(MapInputTest, ZoomToFitBoundsUsesAtan2WithNinetyBesideTheLegend)
{
    for (const char* visible : {"false", "true"})
    {
        Probe* map = Open(MapDoc("legendVisible=\"" + std::string(visible) + "\"", kGrid));
        ASSERT_NE(map, nullptr);
        const bool legend = std::string(visible) == "true";
        const GxPoint centre = Focus(map);
        // One wide and one tall rectangle.
        const GxRect rects[] = {GxRect(centre.mX - 900, centre.mY - 100, centre.mX + 700, centre.mY + 300),
                                GxRect(centre.mX - 50, centre.mY - 800, centre.mX + 50, centre.mY + 400)};
        for (const GxRect& r : rects)
        {
            const auto rows = Reference({"fit " + Num(r.Width()) + " " + Num(r.Height()) + " " + std::to_string(kW) +
                                         " " + std::to_string(kH) + " " + (legend ? "175" : "0")});
            ASSERT_EQ(rows.size(), 1u);
            map->ZoomToFitBounds(r);
            EXPECT_NEAR(map->mPerspective, rows[0][0], 1e-6 * rows[0][0]) << visible;
            // The rectangle's centre sits in the middle of what the legend leaves free.
            const GxPoint middle = WindowOf(map, GxPoint(r.XCenter(), r.YCenter()));
            EXPECT_NEAR(middle.mX, legend ? 175 + (kW - 175) / 2.0 : kW / 2.0, 0.01) << visible;
            EXPECT_NEAR(middle.mY, kH / 2.0, 0.01) << visible;
        }
        // An empty rectangle changes nothing.
        const double angle = map->mPerspective;
        map->ZoomToFitBounds(GxRect(0, 0, 0, 10));
        EXPECT_EQ(map->mPerspective, angle);
        Close();
    }
}

// An orthographic map's domain: dragging west stops where the next step would leave it.
TEST_F(MapInputTest, DraggingPastTheDomainEdgeStopsAtTheLastStepInside)
{
    const std::string ortho = "<projection id=\"orthographic\"><property id=\"stdLon\" value=\"-80\"/>"
                              "<property id=\"stdLat\" value=\"40\"/></projection>";
    Probe* map = Open(MapDoc("mapLon=\"-80\" mapLat=\"40\" legendVisible=\"false\"", kGrid, "", ortho));
    ASSERT_NE(map, nullptr);
    map->SetPerspective(60);
    map->OnMouseDown(Mouse(200, 130, kOpt));
    EXPECT_TRUE(map->mDraggingMap);
    GxPoint last = map->mFocusPoint;
    double angle = map->mPerspective;
    int moved = 0;
    for (int i = 0; i < 200; ++i)
    {
        FxMouseEvent drag = Mouse(100, 130);
        drag.mDelta = CxPoint(-100, 0);
        map->OnMouseDragged(drag);
        ASSERT_FALSE(std::isnan(map->mFocusPoint.mX)) << i;
        EXPECT_EQ(map->mPerspective, angle);
        if (map->mFocusPoint.mX == last.mX)
            break;
        ++moved;
        last = map->mFocusPoint;
    }
    EXPECT_GT(moved, 0);
    EXPECT_LT(moved, 200);
    // Inside the domain; one more step would not be.
    EXPECT_TRUE(map->GetMap()->Projection()->Contains(map->GetMap()->GetMapCenter()));
    const GxPoint next(last.mX + (map->ScreenToWorld(GxPoint(0, 0)).mX - map->ScreenToWorld(GxPoint(-100, 0)).mX),
                       last.mY);
    EXPECT_FALSE(map->GetMap()->Projection()->Contains(map->GetMap()->Projection()->Unproject(next)));
    map->OnMouseUp(Mouse(100, 130));
    EXPECT_FALSE(map->mDraggingMap);
    // Command and the wheel scroll: the same edge.
    for (int i = 0; i < 200; ++i)
    {
        FxMouseEvent wheel = Mouse(100, 130, kCmd);
        wheel.mHorizontalScroll = 100;
        map->OnMouseScroll(wheel);
        ASSERT_FALSE(std::isnan(map->mFocusPoint.mX)) << i;
    }
    // The content moves with the wheel, against a drag: to the other side of the domain.
    EXPECT_LT(map->mFocusPoint.mX, 0.0);
    EXPECT_TRUE(map->GetMap()->Projection()->Contains(map->GetMap()->GetMapCenter()));
    for (int i = 0; i < 200; ++i)
    {
        FxMouseEvent wheel = Mouse(100, 130, kCmd);
        wheel.mVerticalScroll = -100;
        map->OnMouseScroll(wheel);
        ASSERT_FALSE(std::isnan(map->mFocusPoint.mY)) << i;
    }
    EXPECT_TRUE(map->GetMap()->Projection()->Contains(map->GetMap()->GetMapCenter()));
    Close();
}

// ---- input

TEST_F(MapInputTest, LegendClicksSelectToggleAndOpenTheInspector)
{
    Probe* map = Open(MapDoc("", Layers(3)));
    ASSERT_NE(map, nullptr);
    WxMap* m = map->GetMap();
    WxProduct* top = *m->ProductBegin();
    WxProduct* second = *(m->ProductBegin() + 1);

    // A row click selects the row's layer and grows the inspector out of it.
    map->OnMouseDown(Mouse(50, 60 + 40 + 10));
    map->OnMouseUp(Mouse(50, 60 + 40 + 10));
    EXPECT_TRUE(map->mLegendFocus);
    ASSERT_EQ(m->SelectionCount(), 1u);
    EXPECT_EQ(m->SelectedProducts().front(), second);
    ASSERT_NE(map->mProductInspector, nullptr);
    EXPECT_TRUE(map->mInspectorTimer.IsRepeating());
    EXPECT_EQ(map->mInspectorTimer.Message(), 2007);
    EXPECT_EQ(map->mInspectorSpeed, 30);
    mClock->Advance(1000);
    EXPECT_FALSE(map->mInspectorTimer.IsRepeating());

    // The close box shrinks it at one pixel a tick with shift, and clears the selection.
    map->OnMouseDown(Mouse(175 - 10, 60 + 5, kShift));
    EXPECT_EQ(map->mInspectorTimer.Message(), 2008);
    EXPECT_EQ(map->mInspectorSpeed, 1);
    EXPECT_EQ(m->SelectionCount(), 0u);
    map->OnMouseUp(Mouse(175 - 10, 60 + 5));
    mClock->Advance(20000);
    EXPECT_EQ(map->mProductInspector, nullptr);

    // Option-click toggles the row's visibility and leaves nothing selected.
    ASSERT_TRUE(top->IsVisible());
    map->OnMouseDown(Mouse(50, 70, kOpt));
    map->OnMouseUp(Mouse(50, 70, kOpt));
    EXPECT_FALSE(top->IsVisible());
    EXPECT_EQ(m->SelectionCount(), 0u);
    EXPECT_EQ(map->mProductInspector, nullptr);

    // A header click deselects.
    second->SetSelected(true);
    map->OnMouseDown(Mouse(50, 30));
    map->OnMouseUp(Mouse(50, 30));
    EXPECT_EQ(m->SelectionCount(), 0u);
    // Below the last row: nothing selected, no inspector.
    map->OnMouseDown(Mouse(50, 60 + 3 * 40 + 10));
    map->OnMouseUp(Mouse(50, 60 + 3 * 40 + 10));
    EXPECT_EQ(m->SelectionCount(), 0u);
    EXPECT_EQ(map->mProductInspector, nullptr);
    Close();
}

TEST_F(MapInputTest, CommandDragScrollsTheLegendNeverBelowZero)
{
    Probe* map = Open(MapDoc("", Layers(8))); // 60 + 320 px of content in 260
    ASSERT_NE(map, nullptr);
    map->OnMouseDown(Mouse(50, 150, kCmd));
    EXPECT_TRUE(map->mDraggingLegend);
    const std::pair<int, int> drags[] = {{-50, 50}, {-30, 80}, {20, 60}, {100, 0}, {-10, 10}};
    for (const auto& [dy, top] : drags)
    {
        FxMouseEvent drag = Mouse(50, 150);
        drag.mDelta = CxPoint(0, CxSint16(dy));
        map->OnMouseDragged(drag);
        EXPECT_EQ(map->mLegendRect.top, top) << dy;
        EXPECT_EQ(map->mLegendRect.Height(), kH);
    }
    map->OnMouseUp(Mouse(50, 150));
    EXPECT_FALSE(map->mDraggingLegend);
    // No click on release after a legend drag.
    EXPECT_EQ(map->GetMap()->SelectionCount(), 0u);
    // The wheel over the column scrolls it by 32; past the end it stops.
    for (int i = 0; i < 10; ++i)
    {
        FxMouseEvent wheel = Mouse(50, 150);
        wheel.mVerticalScroll = -1;
        map->OnMouseScroll(wheel);
    }
    EXPECT_EQ(map->mLegendRect.top, 138); // the first step at or past 380 - 260
    Close();
}

TEST_F(MapInputTest, ArrowKeysScrollZoomOrMoveTheSelection)
{
    Probe* map = Open(MapDoc("", Layers(9)));
    ASSERT_NE(map, nullptr);
    map->SetPerspective(60);
    struct Row
    {
        CxUint32 code;
        CxUint32 modifiers;
        int dx, dy; // window pixels a map point moves
        double angle;
    };
    const Row rows[] = {
        {124, kCmd, -40, 0, 60}, {123, kCmd, 40, 0, 60},    {125, kCmd, 0, -40, 60}, {126, kCmd, 0, 40, 60},
        {126, kShift, 0, 0, 18}, {125, kShift, 0, 0, 30.6}, {124, 0, 0, 0, 27.54},   {40, 0, 0, 0, 27.54},
    };
    for (const Row& row : rows)
    {
        const GxPoint point = map->ScreenToWorld(GxPoint(200, 130));
        const GxPoint before = WindowOf(map, point);
        FxKeyEvent key = Key(row.code, row.modifiers);
        map->OnKeyDown(key);
        EXPECT_NEAR(map->mPerspective, row.angle, 1e-9) << row.code << "/" << row.modifiers;
        if (row.angle == 60)
        {
            const GxPoint after = WindowOf(map, point);
            EXPECT_NEAR(after.mX - before.mX, row.dx, 0.01) << row.code;
            EXPECT_NEAR(after.mY - before.mY, row.dy, 0.01) << row.code;
        }
    }

    // With legend focus the arrows move the one selected layer, clamped, and scroll it into view.
    WxMap* m = map->GetMap();
    map->mLegendFocus = true;
    (*m->ProductBegin())->SetSelected(true);
    const double angle = map->mPerspective;
    const auto selected = [&]
    { return int(std::find(m->ProductBegin(), m->ProductEnd(), m->SelectedProducts().front()) - m->ProductBegin()); };
    FxKeyEvent up = Key(126);
    map->OnKeyDown(up);
    EXPECT_EQ(selected(), 0);
    for (int i = 1; i <= 4; ++i)
    {
        FxKeyEvent down = Key(125);
        map->OnKeyRepeat(down);
        EXPECT_EQ(selected(), i);
    }
    // Row 4's top at 220 is in view (60..260); row 5's at 260 is not: it comes up to the view's foot.
    EXPECT_EQ(map->mLegendRect.top, 0);
    FxKeyEvent right = Key(124);
    map->OnKeyDown(right);
    EXPECT_EQ(selected(), 5);
    EXPECT_EQ(map->mLegendRect.top, 40);
    EXPECT_EQ(map->mLegendRect.left, 0); // scrolled, never moved sideways
    for (int i = 0; i < 6; ++i)
    {
        FxKeyEvent left = Key(123);
        map->OnKeyDown(left);
    }
    EXPECT_EQ(selected(), 0);
    EXPECT_EQ(map->mLegendRect.top, 0);
    EXPECT_EQ(map->mPerspective, angle);
    // Command sends the frame's commands, which change nothing; two selected layers: nothing at all.
    FxKeyEvent commandDown = Key(125, kCmd);
    map->OnKeyDown(commandDown);
    EXPECT_EQ(selected(), 0);
    (*(m->ProductBegin() + 2))->SetSelected(true);
    FxKeyEvent down = Key(125);
    map->OnKeyDown(down);
    EXPECT_EQ(m->SelectionCount(), 2u);
    EXPECT_EQ(selected(), 0);
    Close();
}

TEST_F(MapInputTest, AnimationButtonsStepPlayAndPause)
{
    Probe* map = Open(MapDoc("", kGrid));
    ASSERT_NE(map, nullptr);
    WxMap* m = map->GetMap();
    const int y = kH - 8;
    map->OnMouseDown(Mouse(35 * 0 + 10, y));
    map->OnMouseUp(Mouse(35 * 0 + 10, y));
    const CxDate first = m->Date();
    map->OnMouseDown(Mouse(35 * 3 + 10, y));
    map->OnMouseUp(Mouse(35 * 3 + 10, y));
    EXPECT_GT(m->Date(), first);
    map->OnMouseDown(Mouse(35 * 1 + 10, y));
    map->OnMouseUp(Mouse(35 * 1 + 10, y));
    EXPECT_EQ(m->Date(), first);
    map->OnMouseDown(Mouse(35 * 4 + 10, y));
    EXPECT_EQ(map->mButtonState, 2);
    EXPECT_EQ(map->mHoverButton, 4);
    map->OnMouseUp(Mouse(35 * 4 + 10, y));
    const CxDate last = m->Date();
    EXPECT_GT(last, first);
    EXPECT_FALSE(m->IsAnimating());
    map->OnMouseDown(Mouse(35 * 2 + 10, y));
    EXPECT_TRUE(m->IsAnimating());
    // While it plays the hovered middle button is the pause image.
    map->OnMouseMoved(Mouse(35 * 2 + 10, y, 0, 0, 0));
    EXPECT_EQ(map->mHoverButton, 5);
    EXPECT_EQ(map->mButtonState, 1);
    map->OnMouseDown(Mouse(35 * 2 + 10, y));
    EXPECT_FALSE(m->IsAnimating());
    mClock->Advance(100);
    map->OnMouseMoved(Mouse(300, 100, 0, 0, 0));
    EXPECT_EQ(map->mHoverButton, -1);
    EXPECT_EQ(map->mButtonState, 0);
    Close();
}

TEST_F(MapInputTest, ControlClickPopsUpTheMapMenu)
{
    Probe* map = Open(MapDoc("", kGrid));
    ASSERT_NE(map, nullptr);
    // Dismissed: nothing.
    pf::PushScript(pf::script::Choose(0));
    map->OnMouseDown(Mouse(300, 100, kCtrl));
    EXPECT_TRUE(map->mLegendVisible);
    EXPECT_FALSE(map->mLegendTimer.IsRepeating());
    EXPECT_FALSE(map->mZoomTimer.IsRepeating());
    // 'LGND' slides the legend out.
    pf::PushScript(pf::script::Command(pf::FourCC("LGND")));
    map->OnMouseDown(Mouse(300, 100, kCtrl));
    EXPECT_FALSE(map->mLegendVisible);
    EXPECT_FALSE(map->GetMap()->IsLegendVisible());
    EXPECT_TRUE(map->mLegendTimer.IsRepeating());
    EXPECT_FALSE(map->mZoomTimer.IsRepeating());
    mClock->Advance(2000);
    EXPECT_LT(map->mLegendRect.right, 0);
    Close();
}

// ---- the shared mouse-move throttle

TEST_F(MapInputTest, MovesWithinThirtyThreeMsAcrossInstancesOnlyTrackThePoint)
{
    const std::string doc = MapDoc("", "<gridlines name=\"g\" latInterval=\"10\" lonInterval=\"10\" visible=\"true\" "
                                       "alpha=\"1\" selected=\"true\"/>");
    Probe* a = Open(doc, {{"id", "a"}}, pf::Rect{10, 10, 80, 80});
    NPP aNpp = mNpp;
    Probe* b = Open(doc, {{"id", "b"}});
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    ASSERT_NE(b->mProductInspector, nullptr) << "one selected layer opens the inspector";
    ASSERT_NE(b->mPopup, nullptr);

    ASSERT_TRUE(std::isnan(b->GetMap()->TrackingPosition().mLongitude)) << "no move yet";
    a->OnMouseMoved(Mouse(300, 100, 0, 0, 0)); // accepted: the first move
    mClock->Advance(20);
    b->OnMouseMoved(Mouse(250, 120, 0, 0, 0)); // 20 ms after a's: throttled
    EXPECT_EQ(b->mTrackPoint, CxPoint(250, 120));
    EXPECT_TRUE(std::isnan(b->GetMap()->TrackingPosition().mLongitude));
    mClock->Advance(14);
    b->OnMouseMoved(Mouse(260, 120, 0, 0, 0)); // 34 ms after a's: accepted
    const GxPosition moved = b->GetMap()->TrackingPosition();
    ASSERT_FALSE(std::isnan(moved.mLongitude));
    EXPECT_NEAR(b->GetMap()->Projection()->Project(moved).mX, b->ScreenToWorld(GxPoint(260, 120)).mX, 1e-6);

    // The mouse comes to rest 10 ms after an accepted move: the popup stays where it is.
    mClock->Advance(10);
    b->OnMouseMoved(Mouse(262, 121, 0, 0, 0));
    EXPECT_EQ(b->mTrackPoint, CxPoint(262, 121));
    EXPECT_TRUE(b->LocalBounds().Contains(b->mTrackPoint));
    // The balloon above and left of the mouse, pale over the dark map.
    Draw();
    const pf::Snapshot shot = pf::TakeSnapshot(mHost->Window());
    const std::uint32_t balloon = shot.Pixel(kLeft + 262 - 30, kTop + 121 - 40);
    EXPECT_GT(int(balloon >> 24), 200) << std::hex << balloon;
    mHost->Destroy(aNpp);
    Close();
}

// ---- linked maps

TEST_F(MapInputTest, LinkedMapsFollowEachOtherOneStepOnly)
{
    const std::string doc = MapDoc("", kGrid);
    Probe* a = Open(doc, {{"id", "A"}, {"buddy", "B"}});
    NPP aNpp = mNpp;
    Probe* b = Open(doc, {{"id", "B"}, {"buddy", "C"}}, pf::Rect{kLeft, kTop + kH, kW, kH});
    NPP bNpp = mNpp;
    Probe* c = Open(doc, {{"id", "C"}}, pf::Rect{kLeft, kTop + 2 * kH, kW, kH});
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    ASSERT_NE(c, nullptr);
    const double cAngle = c->mPerspective;

    FxMouseEvent wheel = Mouse(120, 80);
    wheel.mVerticalScroll = 2;
    a->OnMouseScroll(wheel);
    FxMouseEvent drag = Mouse(250, 100);
    a->OnMouseDown(Mouse(250, 100, kOpt));
    drag.mDelta = CxPoint(17, -9);
    a->OnMouseDragged(drag);
    a->OnMouseUp(Mouse(250, 100));
    EXPECT_NE(a->mPerspective, 160.0);
    EXPECT_EQ(b->mPerspective, a->mPerspective);
    EXPECT_EQ(b->mFocusPoint.mX, a->mFocusPoint.mX);
    EXPECT_EQ(b->mFocusPoint.mY, a->mFocusPoint.mY);
    EXPECT_TRUE(b->mShowTrackCursor);
    EXPECT_FALSE(a->mShowTrackCursor);
    EXPECT_EQ(b->mTrackPoint, a->mTrackPoint);
    // B received the view; it does not push it on to C.
    EXPECT_EQ(c->mPerspective, cAngle);
    EXPECT_FALSE(c->mShowTrackCursor);
    mHost->Destroy(aNpp);
    mHost->Destroy(bNpp);
    Close();
}

// ---- commands

TEST_F(MapInputTest, ShowHidesEverySelectedLayerAfterTheFirstOnesVisibility)
{
    Probe* map = Open(MapDoc("", Layers(3)));
    ASSERT_NE(map, nullptr);
    WxMap* m = map->GetMap();
    WxProduct* p0 = *m->ProductBegin();
    WxProduct* p1 = *(m->ProductBegin() + 1);
    WxProduct* p2 = *(m->ProductBegin() + 2);
    p1->SetVisibility(false);
    p0->SetSelected(true);
    p1->SetSelected(true);
    FxCommand show(pf::FourCC("SHOW"));
    map->OnCommand(show);
    EXPECT_TRUE(show.WasHandled());
    EXPECT_FALSE(p0->IsVisible());
    EXPECT_FALSE(p1->IsVisible());
    EXPECT_TRUE(p2->IsVisible());
    FxCommand again(pf::FourCC("SHOW"));
    map->OnCommand(again);
    EXPECT_TRUE(p0->IsVisible());
    EXPECT_TRUE(p1->IsVisible());
    // Unknown ids are left unhandled (the data manager's command is handled since the dialog exists).
    for (const CxUint32 code : {pf::FourCC("FWRD"), pf::FourCC("BKWD"), pf::FourCC("XXXX")})
    {
        FxCommand other(code);
        map->OnCommand(other);
        EXPECT_FALSE(other.WasHandled()) << code;
    }
    Close();
}

TEST_F(MapInputTest, LegendTwiceReversesTheSlideMidway)
{
    Probe* map = Open(MapDoc("", kGrid));
    ASSERT_NE(map, nullptr);
    FxCommand hide(pf::FourCC("LGND"));
    map->OnCommand(hide);
    EXPECT_TRUE(hide.WasHandled());
    mClock->Advance(34 * 5);
    const CxSint16 midway = map->mLegendRect.left;
    EXPECT_LT(midway, 0);
    EXPECT_GT(map->mLegendRect.right, 0);
    FxCommand show(pf::FourCC("LGND"));
    map->OnCommand(show);
    EXPECT_TRUE(map->mLegendVisible);
    mClock->Advance(34);
    EXPECT_GT(map->mLegendRect.left, midway);
    mClock->Advance(2000);
    EXPECT_EQ(map->mLegendRect.left, 0);
    EXPECT_FALSE(map->mLegendTimer.IsRepeating());
    Close();
}

TEST_F(MapInputTest, ZoomToFitLayerNeedsASelection)
{
    Probe* map = Open(MapDoc("legendVisible=\"false\"", kGrid));
    ASSERT_NE(map, nullptr);
    const double angle = map->mPerspective;
    FxCommand product(pf::FourCC("ZFPR"));
    map->OnCommand(product);
    EXPECT_TRUE(product.WasHandled());
    EXPECT_EQ(map->mPerspective, angle);
    FxCommand whole(pf::FourCC("ZFMP"));
    map->OnCommand(whole);
    const GxRect bounds = map->GetMap()->Bounds();
    if (bounds.Width() > 0 && bounds.Height() > 0)
    {
        const auto rows = Reference({"fit " + Num(bounds.Width()) + " " + Num(bounds.Height()) + " " +
                                     std::to_string(kW) + " " + std::to_string(kH) + " 0"});
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_NEAR(map->mPerspective, std::clamp(rows[0][0], 0.1, 179.5), 1e-6);
    }
    Close();
}

TEST_F(MapInputTest, OpenWritesAStationeryDocumentThatReopensOnTheSameView)
{
    Probe* map = Open(MapDoc("", kGrid), {{"caption", "Here"}});
    ASSERT_NE(map, nullptr);
    map->SetPerspective(40);
    map->ScrollBy(CxPoint(25, -10));
    const GxPosition centre = map->GetMap()->GetMapCenter();
    const double scale = map->GetMap()->Scale();
    FxCommand open(pf::FourCC("open"));
    map->OnCommand(open);
    EXPECT_TRUE(open.WasHandled());
    std::string text;
    for (const auto& entry : fs::recursive_directory_iterator(mHome.Path() + "/tmp"))
        if (entry.path().filename() == "temp.vanedoc")
        {
            std::ifstream in(entry.path());
            text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    ASSERT_FALSE(text.empty());
    const std::string head = "<?vanedoc version=\"1.4d1\" encoding=\"UTF-8\"?>\n<?WxIsStationery ?>\n"
                             "<?MapView bounds=\"0,0," +
                             std::to_string(kW) + "," + std::to_string(kH) + "\"?>\n<vanedoc>";
    EXPECT_EQ(text.substr(0, head.size()), head);
    EXPECT_NE(text.find("<caption"), std::string::npos);
    Close();

    // Streamed into an embed of that size with its legend hidden.
    std::string hidden = text;
    const std::size_t visible = hidden.find("legendVisible=\"true\"");
    if (visible != std::string::npos)
        hidden.replace(visible, 20, "legendVisible=\"false\"");
    Probe* copy = Open(hidden);
    ASSERT_NE(copy, nullptr);
    ASSERT_FALSE(copy->mLegendVisible);
    // The document keeps the centre in degrees and the scale as written.
    const double degree = M_PI / 180.0;
    EXPECT_NEAR(copy->GetMap()->GetMapCenter().mLongitude, centre.mLongitude, 1e-3 * degree);
    EXPECT_NEAR(copy->GetMap()->GetMapCenter().mLatitude, centre.mLatitude, 1e-3 * degree);
    const std::size_t at = text.find(" scale=\"");
    ASSERT_NE(at, std::string::npos);
    const double written = std::atof(text.c_str() + at + 8);
    EXPECT_NEAR(written, scale, 1e-3 * scale);
    const auto rows = Reference({"fit " + Num(kW / written) + " " + Num(kH / written) + " " + std::to_string(kW) + " " +
                                 std::to_string(kH) + " 0"});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_NEAR(copy->mPerspective, rows[0][0], 1e-6 * rows[0][0]);
    // Wider than the original: the fit's 90 against the eye's 100, and the scale measured at z = 1.
    EXPECT_GT(copy->mPerspective, 40.0);
    Close();
}

TEST_F(MapInputTest, PrintConfirmedMakesOnePageCancelledNothing)
{
    const std::string spool = mHome.Path() + "/print";
    fs::create_directories(spool);
    setenv("SKYVANE_PRINT_DIR", spool.c_str(), 1);
    const auto pdfs = [&]
    {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(spool))
            if (entry.path().extension() == ".pdf")
                found.push_back(entry.path());
        return found;
    };
    Probe* map = Open(MapDoc("", kGrid));
    ASSERT_NE(map, nullptr);

    pf::PushScript(pf::script::Cancel());
    FxCommand cancelled(pf::FourCC("PRNT"));
    map->OnCommand(cancelled);
    EXPECT_TRUE(cancelled.WasHandled());
    EXPECT_EQ(map->mPendingPrint, nullptr);
    // An empty script cancels too.
    FxCommand dry(pf::FourCC("PRNT"));
    map->OnCommand(dry);
    EXPECT_EQ(map->mPendingPrint, nullptr);
    Draw();
    EXPECT_TRUE(pdfs().empty());

    pf::PushScript(pf::script::Accept());
    FxCommand confirmed(pf::FourCC("PRNT"));
    map->OnCommand(confirmed);
    EXPECT_NE(map->mPendingPrint, nullptr);
    EXPECT_TRUE(pdfs().empty()) << "printed before the next draw";
    Draw();
    EXPECT_EQ(map->mPendingPrint, nullptr);
    const auto printed = pdfs();
    ASSERT_EQ(printed.size(), 1u);
    const std::string info = "pdfinfo '" + printed[0].string() + "' 2>/dev/null";
    if (FILE* pipe = ::popen(info.c_str(), "r"))
    {
        std::string out;
        char line[512];
        while (std::fgets(line, sizeof line, pipe) != nullptr)
            out += line;
        const int status = ::pclose(pipe);
        const std::size_t pages = out.find("Pages:");
        if (status == 0)
        {
            ASSERT_NE(pages, std::string::npos) << out;
            EXPECT_EQ(std::atoi(out.c_str() + pages + 6), 1) << out;
        }
        else if (std::getenv("SKYVANE_REQUIRE_TESTDATA") != nullptr)
            ADD_FAILURE() << "pdfinfo (poppler-utils) is needed";
    }

    // Pending at destruction: ended unprinted.
    pf::PushScript(pf::script::Accept());
    FxCommand pending(pf::FourCC("PRNT"));
    map->OnCommand(pending);
    EXPECT_NE(map->mPendingPrint, nullptr);
    Close();
    EXPECT_EQ(pdfs().size(), 1u);
    unsetenv("SKYVANE_PRINT_DIR");
}

// A radar frame's projection is adopted; a degree projection, two selected layers or the same projection are not.
TEST_F(MapInputTest, ProjectToFitAdoptsARadarFramesProjection)
{
    SKY_NEED_TESTDATA_FILE(path, "nexrad3/KBMX_SDUS54_N0RBMX_201501020205");
    std::ifstream in(path, std::ios::binary);
    const std::vector<CxUint8> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    NidsLevelThreeParser parser;
    DxIndexedImage* frame = parser.Parse(bytes.data(), bytes.size(), {}, {});
    ASSERT_NE(frame, nullptr);
    Probe* map = Open(MapDoc("", "<radar visible=\"true\" alpha=\"1\" selected=\"true\"/>" + std::string(kGrid)));
    ASSERT_NE(map, nullptr);
    WxMap* m = map->GetMap();
    auto* radar = dynamic_cast<DxClient*>(*(m->ProductEnd() - 1));
    ASSERT_NE(radar, nullptr);
    Inject(*radar, frame);
    const std::unique_ptr<GxProjection> before(m->Projection()->Copy());

    // Two layers selected: refused.
    (*m->ProductBegin())->SetSelected(true);
    ASSERT_EQ(m->SelectionCount(), 2u);
    FxCommand two(pf::FourCC("PFIT"));
    map->OnCommand(two);
    EXPECT_FALSE(two.WasHandled());
    EXPECT_TRUE(*m->Projection() == *before);

    m->DeselectAll();
    dynamic_cast<WxProduct*>(radar)->SetSelected(true);
    FxCommand adopt(pf::FourCC("PFIT"));
    map->OnCommand(adopt);
    EXPECT_TRUE(adopt.WasHandled());
    EXPECT_TRUE(*m->Projection() == *frame->Projection());
    EXPECT_FALSE(*m->Projection() == *before);
    // The view keeps its centre: the focus point is the centre's projection in the new projection.
    const GxPoint focus = m->Projection()->Project(m->GetMapCenter());
    EXPECT_NEAR(map->mFocusPoint.mX, focus.mX, 1e-9);
    EXPECT_NEAR(map->mFocusPoint.mY, focus.mY, 1e-9);
    const GxPosition centre = m->GetMapCenter();
    map->ScrollBy(CxPoint(1, 0));
    EXPECT_NEAR(m->GetMapCenter().mLatitude, centre.mLatitude, 1e-3);
    // Once adopted, the same projection again changes nothing.
    FxCommand again(pf::FourCC("PFIT"));
    map->OnCommand(again);
    EXPECT_FALSE(again.WasHandled());

    // A frame in the degree projection is refused.
    frame->SetProjection(GxDegreeProjection());
    m->SetProjection(*before);
    FxCommand degrees(pf::FourCC("PFIT"));
    map->OnCommand(degrees);
    EXPECT_FALSE(degrees.WasHandled());
    EXPECT_TRUE(*m->Projection() == *before);
    Close();
}

TEST_F(MapInputTest, AboutViewSourceAndLogGoThroughTheirFunctions)
{
    Probe* map = Open(MapDoc("", kGrid));
    ASSERT_NE(map, nullptr);
    FxCommand about(pf::FourCC("ABOU"));
    map->OnCommand(about);
    EXPECT_TRUE(about.WasHandled());
    EXPECT_NE(VaneAboutBox::sAboutBox, nullptr);
    VaneAboutBox::RemoveAboutBox();

    FxCommand source(pf::FourCC("VSRC"));
    map->OnCommand(source);
    EXPECT_TRUE(source.WasHandled());
    FxCommand log(pf::FourCC("SLOG"));
    map->OnCommand(log);
    EXPECT_TRUE(log.WasHandled());
    std::string text;
    bool logged = false;
    for (const auto& entry : fs::recursive_directory_iterator(mHome.Path()))
    {
        if (entry.path().filename() == "temp.txt")
        {
            std::ifstream in(entry.path());
            text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        logged = logged || entry.path().filename() == "SkyvanePlugin.log";
    }
    EXPECT_EQ(text, MapDoc("", kGrid));
    EXPECT_TRUE(logged);
    Close();
}

// Control-click on a row: the layer menu's first item hides the row's layer; its data-set item does nothing.
TEST_F(MapInputTest, TheLayerMenuHidesTheRowsLayer)
{
    Probe* map = Open(MapDoc("", Layers(2)));
    ASSERT_NE(map, nullptr);
    WxProduct* second = *(map->GetMap()->ProductBegin() + 1);
    pf::PushScript(pf::script::Command(pf::FourCC("DSET")));
    map->OnMouseDown(Mouse(50, 60 + 40 + 10, kCtrl));
    map->OnMouseUp(Mouse(50, 60 + 40 + 10, kCtrl));
    EXPECT_TRUE(second->IsVisible());
    EXPECT_EQ(map->mProductInspector, nullptr);
    pf::PushScript(pf::script::Choose(1));
    map->OnMouseDown(Mouse(50, 60 + 40 + 10, kCtrl));
    map->OnMouseUp(Mouse(50, 60 + 40 + 10, kCtrl));
    EXPECT_FALSE(second->IsVisible());
    EXPECT_EQ(map->mProductInspector, nullptr);
    Close();
}

} // namespace
