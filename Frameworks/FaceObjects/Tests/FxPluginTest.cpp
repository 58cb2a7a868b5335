#include "FxPlugin.h"

#include "CxSystem.h"
#include "FxBrowser.h"
#include "FxCommander.h"
#include "FxKeyEvent.h"
#include "FxMenu.h"
#include "FxMouseEvent.h"
#include "FxTestPlugin.h"
#include "GxGLContext.h"
#include "PfRunLoop.h"
#include "PfSurface.h"
#include "PfWindowServer.h"
#include "VaneHost.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace
{

using namespace pf;

std::vector<std::string> sTrace;

std::string Describe(const FxMouseEvent& inEvent)
{
    return std::to_string(inEvent.mWhere.h) + "," + std::to_string(inEvent.mWhere.v) + " b" +
           std::to_string(inEvent.mButton) + " m" + std::to_string(inEvent.mModifiers) + " c" +
           std::to_string(inEvent.mClickCount) + " d" + std::to_string(inEvent.mDelta.h) + "," +
           std::to_string(inEvent.mDelta.v);
}

// Records what the frame delivers; draws red.
class Probe : public FxPluginInstance
{
public:
    Probe(NPP inInstance, const Arguments& inArguments) : FxPluginInstance(inInstance, inArguments) {}
    explicit Probe(Probe* inSource) : FxPluginInstance(inSource) {}

    void OnSetWindow() override { sTrace.push_back("setwindow"); }
    void OnSetContext() override { sTrace.push_back("setcontext"); }
    void OnAcceptStream(FxPluginStream* inStream) override
    {
        sTrace.push_back("stream " + inStream->GetUrl().AsUtf8() + " " + inStream->GetMime().AsUtf8() + " " +
                         std::to_string(inStream->GetReason()));
        mData = inStream->GetData();
    }
    void OnMouseDown(const FxMouseEvent& inEvent) override { sTrace.push_back("down " + Describe(inEvent)); }
    void OnMouseUp(const FxMouseEvent& inEvent) override { sTrace.push_back("up " + Describe(inEvent)); }
    void OnMouseDragged(const FxMouseEvent& inEvent) override { sTrace.push_back("drag " + Describe(inEvent)); }
    void OnMouseMoved(const FxMouseEvent& inEvent) override { sTrace.push_back("moved " + Describe(inEvent)); }
    void OnMouseScroll(const FxMouseEvent& inEvent) override
    {
        sTrace.push_back("scroll " + Describe(inEvent) + " w" + std::to_string(inEvent.mWheelDelta) + " v" +
                         std::to_string(inEvent.mVerticalScroll) + " h" + std::to_string(inEvent.mHorizontalScroll));
    }
    void OnKeyDown(FxKeyEvent& ioKey) override { Key("key", ioKey); }
    void OnKeyUp(FxKeyEvent& ioKey) override { Key("keyup", ioKey); }
    void OnKeyRepeat(FxKeyEvent& ioKey) override { Key("keyrepeat", ioKey); }
    void OnActivate() override { sTrace.push_back("activate"); }
    void OnDeactivate() override { sTrace.push_back("deactivate"); }
    void OnGetFocus() override { sTrace.push_back("focus"); }
    void OnLoseFocus() override { sTrace.push_back("unfocus"); }
    void OnAdjustCursor() override { sTrace.push_back("cursor"); }
    void OnCommand(FxCommand& ioCommand) override { sTrace.push_back("command " + std::to_string(ioCommand.Id())); }
    void OnTimer() override
    {
        ++mFirings;
        FxPluginInstance::OnTimer();
    }
    void OnDraw() override
    {
        sTrace.push_back("draw");
        if (GxContext* context = GetContext())
        {
            context->MakeCurrent();
            glClearColor(1, 0, 0, 1);
            glClear(GL_COLOR_BUFFER_BIT);
            context->SwapBuffers();
        }
        if (mHandOver)
        {
            // As the placeholder does once its document is read.
            new Probe(this);
            delete this;
        }
    }

    void Key(const char* inName, FxKeyEvent& ioKey)
    {
        sTrace.push_back(std::string(inName) + " " + std::to_string(ioKey.mCharCode));
        if (mHandleKeys)
            ioKey.Handled();
    }

    bool mHandleKeys = false;
    bool mHandOver = false;
    int mFirings = 0;
    CxData mData;
};

constexpr Rect kRect{100, 200, 80, 60};
constexpr std::uint32_t kRed = 0xFF0000FF;
constexpr std::uint32_t kGrey = 0xCCCCCCFF;

std::vector<std::string> Matching(const std::string& inPrefix)
{
    std::vector<std::string> lines;
    for (const std::string& line : sTrace)
        if (line.rfind(inPrefix, 0) == 0)
            lines.push_back(line);
    return lines;
}

class FxPluginTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MainLoop().ResetForTesting(ClockKind::kVirtual);
        ResetWindowServerForTesting();
        sTrace.clear();
        mHost = std::make_unique<VaneHost>(FxTestPluginFuncs(
            [](NPP inInstance, const FxPluginInstance::Arguments& inArgs) { return new Probe(inInstance, inArgs); }));
        gBrowser = mHost->BrowserFuncs();
    }
    void TearDown() override
    {
        mHost.reset();
        gBrowser = nullptr;
        ResetWindowServerForTesting();
        MainLoop().ResetForTesting(ClockKind::kVirtual);
    }

    NPP Embed(bool inCocoa, const Rect& inRect = kRect)
    {
        const VaneAnswer answer = inCocoa ? VaneAnswer::kTrue : VaneAnswer::kFalse;
        mHost->SetSupport(answer, answer);
        NPP instance = mHost->New();
        mHost->SetWindow(instance, inRect);
        return instance;
    }
    static Probe* ProbeOf(NPP inInstance) { return static_cast<Probe*>(inInstance->pdata); }
    // The mouse to a point of the window's content.
    static void MoveMouse(Point inContent)
    {
        const Point global = VaneHost::Global(inContent);
        PushScript(script::Move(global.x, global.y));
        DeliverNextScriptItem();
    }
    static void RunScript(const std::vector<ScriptItem>& inItems)
    {
        PushScript(inItems);
        while (ScriptCount() > 0)
            DeliverNextScriptItem();
    }
    static ScriptItem At(ScriptItem (*inMaker)(double, double), Point inContent)
    {
        const Point global = VaneHost::Global(inContent);
        return inMaker(global.x, global.y);
    }

    std::unique_ptr<VaneHost> mHost;
};

TEST_F(FxPluginTest, OnlyABrowserWithBothModelsGetsCocoaMode)
{
    const VaneAnswer answers[] = {VaneAnswer::kTrue, VaneAnswer::kFalse, VaneAnswer::kError};
    for (VaneAnswer coreAnimation : answers)
    {
        for (VaneAnswer cocoa : answers)
        {
            const bool expected = coreAnimation == VaneAnswer::kTrue && cocoa == VaneAnswer::kTrue;
            const std::size_t before = mHost->SetValues().size();
            mHost->SetSupport(coreAnimation, cocoa);
            NPP instance = mHost->New();
            ASSERT_NE(instance, nullptr);
            EXPECT_EQ(ProbeOf(instance)->IsCocoaMode(), expected) << int(coreAnimation) << int(cocoa);
            EXPECT_EQ(mHost->IsCocoa(instance), expected);
            const std::size_t set = mHost->SetValues().size() - before;
            ASSERT_EQ(set, expected ? 2u : 0u);
            if (expected)
            {
                EXPECT_EQ(mHost->SetValues()[before].variable, NPPVpluginDrawingModel);
                EXPECT_EQ(mHost->SetValues()[before].value, NPDrawingModelCoreAnimation);
                EXPECT_EQ(mHost->SetValues()[before + 1].variable, NPPVpluginEventModel);
                EXPECT_EQ(mHost->SetValues()[before + 1].value, NPEventModelCocoa);
            }
            mHost->Destroy(instance);
        }
    }
}

TEST_F(FxPluginTest, CarbonWindowWithoutPortChangesNothing)
{
    mHost->SetSupport(VaneAnswer::kFalse, VaneAnswer::kFalse);
    NPP instance = mHost->New();
    mHost->SetWindowWithoutPort(instance, kRect);
    EXPECT_EQ(ProbeOf(instance)->GetNpWindow(), nullptr);
    EXPECT_EQ(ProbeOf(instance)->GetContext(), nullptr);
    EXPECT_EQ(ProbeOf(instance)->GetPluginBounds(), CxRect());
    EXPECT_TRUE(sTrace.empty());
}

TEST_F(FxPluginTest, CarbonRecordsReachTheirOperations)
{
    struct Row
    {
        std::uint16_t what;
        bool handleKeys;
        std::int16_t handled;
        const char* line; // the trace's last line, "" for none
    };
    const std::vector<Row> rows = {
        {kUpdateEvent, false, 1, "draw"},
        {kKeyDownEvent, false, 0, "key 97"},
        {kKeyDownEvent, true, 1, "key 97"},
        {kKeyUpEvent, true, 1, "keyup 97"},
        {kAutoKeyEvent, false, 0, "keyrepeat 97"},
        {kGetFocusEvent, false, 1, "focus"},
        {kLoseFocusEvent, false, 1, "unfocus"},
        {kNullEvent, false, 0, ""},
        {kDiskEvent, false, 0, ""},
        {kAdjustCursorEvent, false, 1, "cursor"},
    };
    NPP instance = Embed(false);
    for (const Row& row : rows)
    {
        sTrace.clear();
        ProbeOf(instance)->mHandleKeys = row.handleKeys;
        EventRecord record = VaneHost::MakeRecord(row.what, {}, 0, 'a');
        EXPECT_EQ(mHost->HandleEvent(instance, &record), row.handled) << row.what;
        EXPECT_EQ(sTrace.empty() ? std::string() : sTrace.back(), row.line) << row.what;
    }
}

TEST_F(FxPluginTest, CarbonWindowReplaysActivationAndFollowsTheWindow)
{
    NPP instance = Embed(false);
    EXPECT_EQ(sTrace, (std::vector<std::string>{"activate", "setwindow", "setcontext"}));
    EXPECT_TRUE(ProbeOf(instance)->IsActive());
    WindowRef other = CreateWindow(kDocumentWindowClass, 0, Rect{800, 100, 100, 100});
    ShowWindow(other);
    SelectWindow(other);
    EXPECT_EQ(sTrace.back(), "deactivate");
    sTrace.clear();
    mHost->SetWindow(instance, kRect);
    EXPECT_EQ(sTrace, (std::vector<std::string>{"deactivate", "setwindow", "setcontext"}));
    SelectWindow(mHost->Window());
    EXPECT_EQ(sTrace.back(), "activate");
    EXPECT_TRUE(ProbeOf(instance)->IsActive());
}

// The context sits at the plug-in's rectangle, not at twice its offset.
TEST_F(FxPluginTest, CarbonDrawingShowsAtThePluginsRectangle)
{
    NPP instance = Embed(false);
    EventRecord update = VaneHost::MakeRecord(kUpdateEvent);
    EXPECT_EQ(mHost->HandleEvent(instance, &update), 1);
    const Snapshot shot = TakeSnapshot(mHost->Window());
    EXPECT_EQ(shot.Pixel(140, 230), kRed);
    EXPECT_EQ(shot.Pixel(100, 200), kRed);
    EXPECT_EQ(shot.Pixel(179, 259), kRed);
    EXPECT_NE(shot.Pixel(180, 230), kRed);
    EXPECT_NE(shot.Pixel(240, 430), kRed);
    EXPECT_NE(shot.Pixel(240, 430), 0u);
}

TEST_F(FxPluginTest, ThePollDeliversChangedPositionsWithOneTimer)
{
    NPP instance = Embed(false);
    Probe* probe = ProbeOf(instance);
    MoveMouse(Point{113, 217});
    EventRecord cursor = VaneHost::MakeRecord(kAdjustCursorEvent, VaneHost::Global(Point{113, 217}));
    mHost->HandleEvent(instance, &cursor);
    mHost->HandleEvent(instance, &cursor);
    EXPECT_EQ(MainLoop().CountTimers(), 1u);
    sTrace.clear();
    MainLoop().Advance(std::chrono::milliseconds(100));
    // Fires at once, then every 10 ms: never a second timer, never a busy loop.
    EXPECT_GE(probe->mFirings, 10);
    EXPECT_LE(probe->mFirings, 11);
    EXPECT_EQ(MainLoop().CountTimers(), 1u);
    EXPECT_EQ(Matching("moved"), (std::vector<std::string>{"moved 13,17 b1 m0 c0 d0,0"}));

    MoveMouse(Point{120, 230});
    MainLoop().Advance(std::chrono::milliseconds(50));
    EXPECT_EQ(Matching("moved").size(), 2u);
    EXPECT_EQ(Matching("moved").back(), "moved 20,30 b1 m0 c0 d0,0");

    // Outside: the poll stops.
    MoveMouse(Point{190, 230});
    MainLoop().Advance(std::chrono::milliseconds(50));
    EXPECT_EQ(Matching("moved").size(), 2u);
    EXPECT_EQ(MainLoop().CountTimers(), 0u);

    // Inactive: the poll stops too.
    MoveMouse(Point{130, 240});
    cursor = VaneHost::MakeRecord(kAdjustCursorEvent, VaneHost::Global(Point{130, 240}));
    mHost->HandleEvent(instance, &cursor);
    EXPECT_EQ(MainLoop().CountTimers(), 1u);
    EventRecord deactivate = VaneHost::MakeRecord(kActivateEvent);
    mHost->HandleEvent(instance, &deactivate);
    EXPECT_EQ(MainLoop().CountTimers(), 0u);
    MoveMouse(Point{135, 245});
    MainLoop().Advance(std::chrono::milliseconds(50));
    EXPECT_EQ(Matching("moved").size(), 2u);
}

TEST_F(FxPluginTest, CarbonClicksComeAsRecordsAndOtherButtonsThroughTheWindow)
{
    struct Row
    {
        const char* name;
        std::vector<ScriptItem> script;
        std::vector<std::string> mice;
    };
    const std::vector<Row> rows = {
        {"command-click drag",
         {At([](double x, double y) { return script::Down(x, y, kCmdKey); }, {110, 210}), At(script::Drag, {115, 215}),
          At(script::Drag, {125, 212}), At(script::Up, {125, 212})},
         {"down 10,10 b1 m1 c1 d0,0", "drag 15,15 b1 m1 c1 d5,5", "drag 25,12 b1 m1 c1 d10,-3"}},
        {"option-click drag",
         {At([](double x, double y) { return script::Down(x, y, kOptionKey); }, {150, 250}),
          At(script::Drag, {140, 240}), At(script::Up, {140, 240})},
         {"down 50,50 b1 m4 c1 d0,0", "drag 40,40 b1 m4 c1 d-10,-10"}},
        {"plain click",
         {At([](double x, double y) { return script::Down(x, y); }, {110, 210}), At(script::Drag, {115, 215}),
          At(script::Up, {118, 219})},
         {"down 10,10 b1 m0 c1 d0,0", "up 18,19 b1 m0 c1 d0,0"}},
        {"outside",
         {At([](double x, double y) { return script::Down(x, y); }, {300, 300}), At(script::Up, {300, 300})},
         {}},
    };
    NPP instance = Embed(false);
    for (const Row& row : rows)
    {
        sTrace.clear();
        MainLoop().Advance(std::chrono::seconds(1)); // no double clicks between rows
        RunScript(row.script);
        std::vector<std::string> inOrder;
        for (const std::string& line : sTrace)
            if (line.rfind("down", 0) == 0 || line.rfind("drag", 0) == 0 || line.rfind("up", 0) == 0)
                inOrder.push_back(line);
        EXPECT_EQ(inOrder, row.mice) << row.name;
    }

    // The window's mouse events: further buttons inside, not the primary one.
    sTrace.clear();
    EXPECT_EQ(mHost->SendMouse(kMouseDown, Point{110, 210}, 3), kNoErr);
    EXPECT_EQ(mHost->SendMouse(kMouseDragged, Point{112, 213}, 3), kNoErr);
    EXPECT_EQ(mHost->SendMouse(kMouseUp, Point{112, 213}, 3), kNoErr);
    mHost->SendMouse(kMouseDown, Point{300, 300}, 3); // outside: the window's own
    EXPECT_EQ(mHost->SendMouse(kMouseDragged, Point{111, 211}, 1), kEventNotHandled);
    EXPECT_EQ(mHost->SendMouse(kMouseScroll, Point{111, 211}, 1), kNoErr);
    EXPECT_EQ(sTrace, (std::vector<std::string>{"down 10,10 b3 m0 c1 d0,0", "drag 12,13 b3 m0 c1 d0,0",
                                                "up 12,13 b3 m0 c1 d0,0", "scroll 11,11 b1 m0 c1 d0,0 w0 v0 h0"}));
    // A primary click the window's handler leaves reaches the instance once, as a record.
    sTrace.clear();
    MainLoop().Advance(std::chrono::seconds(1));
    EXPECT_EQ(mHost->SendMouse(kMouseDown, Point{110, 210}, 1), kNoErr);
    EXPECT_EQ(sTrace, (std::vector<std::string>{"down 10,10 b1 m0 c1 d0,0"}));
    (void)instance;
}

TEST_F(FxPluginTest, TheTransplantTakesEverythingAndThePlaceholderGoes)
{
    NPP instance = Embed(false);
    Probe* placeholder = ProbeOf(instance);
    MoveMouse(Point{113, 217});
    EventRecord cursor = VaneHost::MakeRecord(kAdjustCursorEvent, VaneHost::Global(Point{113, 217}));
    mHost->HandleEvent(instance, &cursor);
    ASSERT_TRUE(placeholder->HasTimer());
    NPWindow* window = placeholder->GetNpWindow();
    GxContext* context = placeholder->GetContext();
    placeholder->mHandOver = true;
    EventRecord update = VaneHost::MakeRecord(kUpdateEvent);
    EXPECT_EQ(mHost->HandleEvent(instance, &update), 1);

    Probe* next = ProbeOf(instance);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->GetNpInstance(), instance);
    EXPECT_EQ(next->GetNpWindow(), window);
    EXPECT_EQ(next->GetContext(), context);
    EXPECT_TRUE(next->HasTimer());
    EXPECT_EQ(MainLoop().CountTimers(), 1u);
    EXPECT_TRUE(next->IsActive());
    sTrace.clear();
    MoveMouse(Point{114, 218});
    MainLoop().Advance(std::chrono::milliseconds(30));
    EXPECT_GE(next->mFirings, 1);
    EXPECT_EQ(mHost->SendMouse(kMouseDown, Point{110, 210}, 3), kNoErr);
    EXPECT_EQ(Matching("down"), (std::vector<std::string>{"down 10,10 b3 m0 c1 d0,0"}));
    EXPECT_EQ(mHost->HandleEvent(instance, &update), 1);
    EXPECT_EQ(TakeSnapshot(mHost->Window()).Pixel(140, 230), kRed);
}

// The hand-over may happen while the layer draws: the layer then draws the new instance.
TEST_F(FxPluginTest, TheTransplantTakesTheLayer)
{
    NPP instance = Embed(true);
    mHost->DisplayLayers(0);
    Probe* placeholder = ProbeOf(instance);
    GxContext* context = placeholder->GetContext();
    placeholder->mHandOver = true;
    placeholder->Refresh();
    mHost->DisplayLayers(0.1);
    Probe* next = ProbeOf(instance);
    ASSERT_NE(next, placeholder);
    EXPECT_TRUE(next->IsCocoaMode());
    EXPECT_EQ(next->GetContext(), context);
    sTrace.clear();
    next->Refresh();
    mHost->DisplayLayers(0.2);
    EXPECT_EQ(sTrace, (std::vector<std::string>{"draw"}));
    EXPECT_EQ(TakeSnapshot(mHost->Window()).Pixel(140, 230), kRed);
}

TEST_F(FxPluginTest, CocoaLayerIsMadeOnceAndRetainedPerRequest)
{
    NPP instance = Embed(true);
    Layer* root = mHost->LayerOf(instance);
    ASSERT_NE(root, nullptr);
    const std::uint32_t before = root->RetainCount();
    Layer* first = nullptr;
    Layer* second = nullptr;
    EXPECT_EQ(mHost->GetValue(instance, NPPVpluginCoreAnimationLayer, &first), NPERR_NO_ERROR);
    EXPECT_EQ(mHost->GetValue(instance, NPPVpluginCoreAnimationLayer, &second), NPERR_NO_ERROR);
    EXPECT_EQ(first, root);
    EXPECT_EQ(second, root);
    EXPECT_EQ(root->RetainCount(), before + 2);
    ASSERT_EQ(root->Sublayers().size(), 1u);
    const Layer* gl = root->Sublayers()[0];
    EXPECT_EQ(gl->AutoresizingMask(), 18u);
    EXPECT_TRUE(gl->IsOpaque());
    EXPECT_FALSE(gl->IsAsynchronous());
    first->Release();
    second->Release();
    for (NPPVariable variable :
         {NPPVpluginNameString, NPPVpluginDescriptionString, NPPVpluginDrawingModel, NPPVpluginEventModel})
    {
        void* value = nullptr;
        EXPECT_EQ(mHost->GetValue(instance, variable, &value), NPERR_GENERIC_ERROR);
        EXPECT_EQ(value, nullptr);
    }
}

TEST_F(FxPluginTest, CocoaDisplaySetsTheContextThenDrawsAndAgainOnResize)
{
    NPP instance = Embed(true);
    EXPECT_EQ(ProbeOf(instance)->GetContext(), nullptr);
    EXPECT_EQ(sTrace, (std::vector<std::string>{"setwindow"}));
    sTrace.clear();
    mHost->DisplayLayers(0);
    EXPECT_EQ(sTrace, (std::vector<std::string>{"setcontext", "draw"}));
    EXPECT_NE(ProbeOf(instance)->GetContext(), nullptr);
    EXPECT_EQ(TakeSnapshot(mHost->Window()).Pixel(140, 230), kRed);
    sTrace.clear();
    mHost->DisplayLayers(0.1);
    EXPECT_TRUE(sTrace.empty());
    ProbeOf(instance)->Refresh();
    mHost->DisplayLayers(0.2);
    EXPECT_EQ(sTrace, (std::vector<std::string>{"draw"}));
    sTrace.clear();
    mHost->SetWindow(instance, Rect{100, 200, 160, 120});
    mHost->DisplayLayers(0.3);
    EXPECT_EQ(sTrace, (std::vector<std::string>{"setwindow", "setcontext", "draw"}));
    const Snapshot shot = TakeSnapshot(mHost->Window());
    EXPECT_EQ(shot.Pixel(250, 310), kRed);
    EXPECT_NE(shot.Pixel(270, 310), kRed);
}

TEST_F(FxPluginTest, CocoaMiceArriveAtLocalPointsAndKeysAreLeft)
{
    NPP instance = Embed(true);
    sTrace.clear();
    RunScript({At([](double x, double y) { return script::Down(x, y, kCmdKey | kShiftKey); }, {110, 210}),
               At(script::Drag, {115, 215}), At(script::Drag, {125, 212}), At(script::Up, {125, 212})});
    EXPECT_EQ(sTrace, (std::vector<std::string>{"down 10,10 b1 m9 c1 d0,0", "drag 15,15 b1 m0 c1 d5,5",
                                                "drag 25,12 b1 m0 c1 d10,-3", "up 25,12 b1 m0 c1 d0,0"}));
    struct Row
    {
        NPCocoaEvent event;
        std::int16_t handled;
        std::string line;
    };
    const std::vector<Row> rows = {
        {VaneHost::MakeCocoaMouse(NPCocoaEventMouseDown, 3.9, 4.2, 2, NPCocoaControlKeyMask | NPCocoaAlternateKeyMask,
                                  2),
         1, "down 3,4 b3 m6 c2 d0,0"},
        {VaneHost::MakeCocoaMouse(NPCocoaEventMouseMoved, 7, 8, 0, 0, 0, 1, 2), 1, "moved 7,8 b1 m0 c0 d1,2"},
        {VaneHost::MakeCocoaMouse(NPCocoaEventScrollWheel, 5, 6, 0, 0, 0, 2, -3), 1,
         "scroll 5,6 b1 m0 c0 d0,0 w-3 v-3 h2"},
        {VaneHost::MakeCocoaMouse(NPCocoaEventMouseEntered, 5, 6), 0, ""},
        {VaneHost::MakeCocoaKey(NPCocoaEventKeyDown, 12), 0, ""},
        {VaneHost::MakeCocoaKey(NPCocoaEventKeyUp, 12), 0, ""},
        {VaneHost::MakeCocoaKey(NPCocoaEventFlagsChanged, 0), 0, ""},
        {VaneHost::MakeCocoaKey(NPCocoaEventTextInput, 0), 0, ""},
    };
    for (Row row : rows)
    {
        sTrace.clear();
        EXPECT_EQ(mHost->HandleEvent(instance, &row.event), row.handled) << row.event.type;
        EXPECT_EQ(sTrace.empty() ? std::string() : sTrace.back(), row.line) << row.event.type;
    }
}

TEST_F(FxPluginTest, OnlyTheFirstStreamIsAccepted)
{
    NPP instance = Embed(false);
    std::string document(25000, '\0');
    for (std::size_t i = 0; i < document.size(); ++i)
        document[i] = char('a' + i % 23);
    sTrace.clear();
    EXPECT_EQ(mHost->SendStream(instance, "http://example.test/a.vane", "application/x-skyvane", document),
              NPERR_NO_ERROR);
    EXPECT_EQ(mHost->SendStream(instance, "http://example.test/b.vane", "text/xml", "<second/>", NPRES_USER_BREAK),
              NPERR_NO_ERROR);
    EXPECT_EQ(sTrace, (std::vector<std::string>{"stream http://example.test/a.vane application/x-skyvane 0"}));
    CxData data = ProbeOf(instance)->mData;
    ASSERT_EQ(data.Size(), document.size());
    data.Lock();
    EXPECT_EQ(std::string(static_cast<const char*>(data.Pointer()), data.Size()), document);
    data.Unlock();
}

TEST_F(FxPluginTest, InvalidateAsksForTheWholePluginAtTheOrigin)
{
    for (bool cocoa : {false, true})
    {
        NPP instance = Embed(cocoa);
        mHost->DisplayLayers(0);
        ProbeOf(instance)->Invalidate();
        ASSERT_FALSE(mHost->Invalidations().empty());
        const NPRect rect = mHost->Invalidations().back();
        EXPECT_EQ((std::vector<int>{rect.top, rect.left, rect.bottom, rect.right}), (std::vector<int>{0, 0, 60, 80}));
        if (cocoa)
        {
            EXPECT_TRUE(mHost->LayerOf(instance)->Sublayers()[0]->NeedsDisplay());
        }
        mHost->Destroy(instance);
    }
}

TEST_F(FxPluginTest, PopupMenusAnswerTheChosenCommandInBothModes)
{
    struct Row
    {
        bool cocoa;
        std::vector<ScriptItem> script;
        CxUint32 expected;
    };
    const std::vector<Row> rows = {
        {false, {script::Choose(3)}, FourCC("two ")},
        {false, {}, 0},
        {false, {script::Choose(2)}, 0},
        {false, {script::Choose(4)}, 0},
        {true, {script::Choose(3)}, FourCC("two ")},
        {true, {script::Choose(4)}, FourCC("thre")},
        {true, {}, 0},
        {true, {script::Choose(2)}, 0},
    };
    for (const Row& row : rows)
    {
        NPP instance = Embed(row.cocoa);
        FxMenu menu;
        menu.AppendItem("One", FourCC("one "));
        menu.AppendSeparator();
        menu.AppendItem("Two", FourCC("two "));
        menu.AppendItem("Three", FourCC("thre"));
        menu.DisableItem(4); // a native menu shows every item enabled
        PushScript(row.script);
        EXPECT_EQ(ProbeOf(instance)->DisplayPopupMenu(&menu, CxPoint(10, 10)), row.expected)
            << row.cocoa << " " << row.script.size();
        while (ScriptCount() > 0)
            DeliverNextScriptItem();
        mHost->Destroy(instance);
    }
}

// The browser keeps the layer after the instance goes: it draws the placeholder, never the deleted instance.
TEST_F(FxPluginTest, ALayerWithoutItsInstanceDrawsTheTurningPlaceholder)
{
    NPP instance = Embed(true);
    Layer* root = mHost->LayerOf(instance);
    mHost->Destroy(instance);
    mHost->DisplayLayers(0);
    Snapshot shot = TakeSnapshot(mHost->Window());
    EXPECT_EQ(shot.Pixel(140, 230), kRed);
    EXPECT_EQ(shot.Pixel(101, 201), kGrey);
    EXPECT_EQ(shot.Pixel(164, 230), kGrey);
    root->Sublayers()[0]->SetNeedsDisplay();
    mHost->DisplayLayers(0.75);
    shot = TakeSnapshot(mHost->Window());
    EXPECT_EQ(shot.Pixel(164, 230), kRed);
    EXPECT_EQ(shot.Pixel(101, 201), kGrey);
    EXPECT_TRUE(sTrace.empty() || sTrace.back() == "setwindow");
}

TEST_F(FxPluginTest, ArgumentsAndCommands)
{
    mHost->SetSupport(VaneAnswer::kFalse, VaneAnswer::kFalse);
    NPP instance = mHost->New({{"Agent", "one"}, {"agent", "two"}, {"SRC", "Doc.vane"}});
    Probe* probe = ProbeOf(instance);
    EXPECT_EQ(probe->GetArgument("AGENT").AsUtf8(), "two");
    EXPECT_EQ(probe->GetArgument("src").AsUtf8(), "Doc.vane");
    EXPECT_EQ(probe->GetArgument("missing").AsUtf8(), "");
    probe->ObeyCommandNow(FourCC("ABOU"));
    EXPECT_EQ(sTrace.back(), "command " + std::to_string(FourCC("ABOU")));
}

class Application : public FxPlugin
{
public:
    using FxPlugin::FxPlugin;
    void OnStartup() override { sTrace.push_back("startup"); }
    void OnShutdown() override { sTrace.push_back("shutdown"); }
};

TEST(FxPluginObjectTest, RegistersItsBundleBesideTheLibraryWhileItLives)
{
    if (std::getenv("SKYVANE_BUNDLE") != nullptr)
        GTEST_SKIP() << "SKYVANE_BUNDLE overrides the bundle";
    MainLoop().ResetForTesting(ClockKind::kVirtual);
    Dl_info info{};
    ASSERT_NE(::dladdr(reinterpret_cast<const void*>(&FxMouseEventFromCocoaEvent), &info), 0);
    const std::filesystem::path bundle =
        std::filesystem::path(info.dli_fname).parent_path() / "FxPluginTestBundle.bundle";
    const std::string resources = (bundle / "Resources").string();
    std::filesystem::create_directories(resources);
    sTrace.clear();
    {
        Application application("FxPluginTestBundle");
        EXPECT_EQ(CxGetBundle().AsUtf8(), resources);
        application.Startup();
        application.Shutdown();
    }
    EXPECT_EQ(sTrace, (std::vector<std::string>{"startup", "shutdown"}));
    EXPECT_NE(CxGetBundle().AsUtf8(), resources);
    {
        Application missing("FxPluginTestNoBundle");
        EXPECT_EQ(CxGetBundle().AsUtf8().find("FxPluginTestNoBundle"), std::string::npos);
    }
    std::filesystem::remove_all(bundle);
    MainLoop().ResetForTesting(ClockKind::kVirtual);
}

} // namespace
