#include "PfLayer.h"
#include "PfNativeMenu.h"
#include "PfRunLoop.h"
#include "PfWindowServer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using namespace pf;

std::vector<std::string> sTrace;

class TracedLayer : public Layer
{
public:
    explicit TracedLayer(std::string inName) : mName(std::move(inName)) {}

protected:
    ~TracedLayer() override { sTrace.push_back("gone " + mName); }

private:
    std::string mName;
};

// Pixels of one colour; records when its context is made and when it draws.
class SolidLayer : public GLLayer
{
public:
    explicit SolidLayer(std::uint32_t inRgba) : mRgba(inRgba) {}
    bool ReadPixels(int inWidth, int inHeight, std::vector<std::uint8_t>& outRgba) override
    {
        outRgba.clear();
        for (int i = 0; i < inWidth * inHeight; ++i)
            for (int shift : {24, 16, 8, 0})
                outRgba.push_back(std::uint8_t(mRgba >> shift));
        return true;
    }

protected:
    bool PrepareContext(int inWidth, int inHeight) override
    {
        sTrace.push_back("context " + std::to_string(inWidth) + "x" + std::to_string(inHeight));
        return true;
    }
    void DrawInContext(double inLayerTime) override { sTrace.push_back("draw " + std::to_string(int(inLayerTime))); }

private:
    std::uint32_t mRgba;
};

class PfLayerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MainLoop().ResetForTesting(ClockKind::kVirtual);
        ResetWindowServerForTesting();
        sTrace.clear();
    }
    void TearDown() override { ResetWindowServerForTesting(); }
};

TEST_F(PfLayerTest, TreesRetainTheirSublayersAndResizeThemByTheirMasks)
{
    Layer* root = new TracedLayer("root");
    Layer* sized = new TracedLayer("sized");
    Layer* fixed = new TracedLayer("fixed");
    sized->SetAutoresizingMask(kLayerWidthSizable | kLayerHeightSizable);
    fixed->SetBounds(Rect{5, 5, 10, 10});
    EXPECT_TRUE(root->AddSublayer(sized));
    EXPECT_TRUE(root->AddSublayer(fixed));
    EXPECT_EQ(sized->RetainCount(), 2u);
    sized->Release();
    fixed->Release();
    EXPECT_FALSE(sized->AddSublayer(root)); // a cycle
    EXPECT_FALSE(root->AddSublayer(root));
    EXPECT_FALSE(root->AddSublayer(nullptr));

    root->SetBounds(Rect{0, 0, 100, 50});
    EXPECT_EQ(sized->Bounds(), (Rect{0, 0, 100, 50}));
    EXPECT_EQ(fixed->Bounds(), (Rect{5, 5, 10, 10}));
    EXPECT_TRUE(sized->NeedsDisplay());
    root->SetBounds(Rect{0, 0, 60, 80});
    EXPECT_EQ(sized->Bounds(), (Rect{0, 0, 60, 80}));

    fixed->RemoveFromSuperlayer();
    EXPECT_EQ(sTrace, (std::vector<std::string>{"gone fixed"}));
    ASSERT_EQ(root->Sublayers().size(), 1u);
    root->Release();
    EXPECT_EQ(sTrace, (std::vector<std::string>{"gone fixed", "gone root", "gone sized"}));
}

TEST_F(PfLayerTest, TheDriverDisplaysWhatNeedsItAndShowsGLLayersInTheWindow)
{
    WindowRef window = CreateWindow(kDocumentWindowClass, 0, Rect{50, 50, 300, 200});
    ShowWindow(window);
    Layer* root = new Layer;
    auto* gl = new SolidLayer(0x00FF00FF);
    gl->SetAutoresizingMask(kLayerWidthSizable | kLayerHeightSizable);
    root->AddSublayer(gl);
    gl->Release();
    {
        LayerHost host;
        host.SetRoot(root);
        root->Release();
        host.DisplayIfNeeded(0); // not placed: an empty layer is not displayed
        EXPECT_TRUE(sTrace.empty());
        host.Place(window, Rect{20, 30, 40, 30});
        host.DisplayIfNeeded(1);
        EXPECT_EQ(sTrace, (std::vector<std::string>{"context 40x30", "draw 1"}));
        Snapshot shot = TakeSnapshot(window);
        EXPECT_EQ(shot.Pixel(20, 30), 0x00FF00FFu);
        EXPECT_EQ(shot.Pixel(59, 59), 0x00FF00FFu);
        EXPECT_NE(shot.Pixel(60, 45), 0x00FF00FFu);
        EXPECT_NE(shot.Pixel(19, 45), 0x00FF00FFu);

        sTrace.clear();
        host.DisplayIfNeeded(2);
        EXPECT_TRUE(sTrace.empty());
        gl->SetNeedsDisplay();
        host.DisplayIfNeeded(3);
        EXPECT_EQ(sTrace, (std::vector<std::string>{"draw 3"}));
        gl->SetAsynchronous(true);
        host.DisplayIfNeeded(4);
        host.DisplayIfNeeded(5);
        EXPECT_EQ(sTrace, (std::vector<std::string>{"draw 3", "draw 4", "draw 5"}));
        gl->SetAsynchronous(false);

        sTrace.clear();
        host.Place(window, Rect{100, 10, 80, 60});
        host.DisplayIfNeeded(6);
        EXPECT_EQ(sTrace, (std::vector<std::string>{"context 80x60", "draw 6"}));
        shot = TakeSnapshot(window);
        EXPECT_EQ(shot.Pixel(179, 69), 0x00FF00FFu);
        EXPECT_NE(shot.Pixel(30, 40), 0x00FF00FFu);
        EXPECT_EQ(gl->DisplayCount(), 5);
    }
    // The host let the tree go: the window shows it no more.
    EXPECT_NE(TakeSnapshot(window).Pixel(120, 20), 0x00FF00FFu);
}

TEST_F(PfLayerTest, ANativeMenuRunsTheChosenItemsAction)
{
    struct Row
    {
        const char* name;
        std::vector<ScriptItem> script;
        std::uint16_t chosen;
        std::vector<std::string> actions;
    };
    const std::vector<Row> rows = {
        {"an item", {script::Choose(1)}, 1, {"act 11"}},
        {"another item", {script::Choose(4)}, 4, {"act 44"}},
        {"dismissed", {}, 0, {}},
        {"a separator", {script::Choose(2)}, 0, {}},
        {"a disabled item", {script::Choose(3)}, 0, {}},
        {"an item without action", {script::Choose(5)}, 5, {}},
        {"past the end", {script::Choose(9)}, 0, {}},
    };
    for (const Row& row : rows)
    {
        std::vector<std::string> actions;
        auto act = [&actions](const NativeMenuItem& inItem) { actions.push_back("act " + std::to_string(inItem.tag)); };
        NativeMenu menu(u"popup");
        menu.AddItem(NativeMenuItem{u"One", 11, false, true, act});
        menu.AddSeparator();
        menu.AddItem(NativeMenuItem{u"Three", 33, false, false, act});
        menu.AddItem(NativeMenuItem{u"Four", 44, false, true, act});
        menu.AddItem(NativeMenuItem{u"Five", 55, false, true, nullptr});
        PushScript(row.script);
        EXPECT_EQ(PopUpNativeMenu(menu, Point{200, 200}), row.chosen) << row.name;
        EXPECT_EQ(actions, row.actions) << row.name;
        while (ScriptCount() > 0)
            DeliverNextScriptItem();
    }
}

// An item the menu holds disabled runs nothing even when the focus enables it while the menu is up (as command
// handlers do for their own commands at the update-status check): the menu's own state decides.
TEST_F(PfLayerTest, ADisabledNativeItemRunsNothingEvenWhenTheFocusEnablesIt)
{
    const HandlerRef enabler = ApplicationTarget().InstallHandler(
        {{kClassCommand, kCommandUpdateStatus}},
        [](HandlerCallRef, Event& ioEvent)
        {
            HICommand command;
            if (ioEvent.GetParam(kParamDirectObject, kTypeHICommand, command) == kNoErr)
                EnableMenuItem(static_cast<MenuRef>(command.menu), command.menuItem, true);
            return kNoErr;
        });
    const std::pair<std::int32_t, std::uint16_t> kRows[] = {{1, 1}, {2, 0}, {3, 0}};
    for (const auto& [choice, chosen] : kRows)
    {
        std::vector<std::int32_t> ran;
        auto act = [&ran](const NativeMenuItem& inItem) { ran.push_back(inItem.tag); };
        NativeMenu menu(u"popup");
        menu.AddItem(NativeMenuItem{u"One", 11, false, true, act});
        menu.AddSeparator();
        menu.AddItem(NativeMenuItem{u"Three", 33, false, false, act});
        PushScript({script::Choose(choice)});
        EXPECT_EQ(PopUpNativeMenu(menu, Point{200, 200}), chosen) << choice;
        EXPECT_EQ(ran, chosen != 0 ? std::vector<std::int32_t>{11} : std::vector<std::int32_t>{}) << choice;
        while (ScriptCount() > 0)
            DeliverNextScriptItem();
    }
    RemoveHandler(enabler);
}

} // namespace
