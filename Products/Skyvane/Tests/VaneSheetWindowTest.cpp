// The sheet base's tables, popups, unit preferences and command states, and the floating windows' broadcast as
// the about box and the data manager send it when they come to the front.
#include "VaneAppTest.h"
#include "VaneWindowClicks.h"

#include "CxDebug.h"
#include "CxPreferences.h"
#include "DxManager.h"
#include "DxParm.h"
#include "DxSet.h"
#include "DxStationManager.h"
#include "DxUnit.h"
#include "FxCommander.h"
#include "FxControl.h"
#include "FxMenu.h"
#include "PfTypes.h"
#include "VaneAboutBox.h"
#include "VaneDataManager.h"
#include "VaneSheetWindow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace
{

using namespace vanetest;

// A sheet on a plain parent, built from the data files sheet's interface: control 1 is its button, 6 a popup.
class VaneSheetWindowTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        // No plug-in runs here to load the unit table.
        DxUnit::Load();
        mParent = new FxDialogWindow(CxRect(100, 100, 800, 600), nullptr);
        mSheet = new VaneSheetWindow("VaneMain", "CacheDialog", mParent);
        mPopup = AsFxPopupButton(mSheet->GetControlById(6));
        ASSERT_NE(mPopup, nullptr);
    }
    void TearDown() override
    {
        VaneDataManager::RemoveDataManager();
        VaneAboutBox::RemoveAboutBox();
        delete mSheet;
        mParent->Release();
        CxGetGlobalPreferences().SetStringTable({});
        DxUnit::Unload();
        AppTest::TearDown();
    }
    std::vector<std::string> Items() const
    {
        std::vector<std::string> items;
        for (int item = 1; item <= mPopup->CountItems(); ++item)
            items.push_back(mPopup->GetItemText(item).AsUtf8() + "=" + mPopup->GetItemTitle(item).AsUtf8());
        return items;
    }
    std::string Selected() const { return mPopup->GetItemTitle(mPopup->Value()).AsUtf8(); }
    static void Prefer(const char* inValue) { CxGetGlobalPreferences().SetStringValue("unitPreference", inValue, 0); }

    FxDialogWindow* mParent = nullptr;
    VaneSheetWindow* mSheet = nullptr;
    FxPopupButton* mPopup = nullptr;
};

TEST_F(VaneSheetWindowTest, LineWidthsMapToTheirItemsAndBack)
{
    const struct
    {
        float width;
        CxSint32 item;
    } widths[] = {{0.2f, 40},
                  {0.5f, 40},
                  {0.7f, 41},
                  {1.0f, 41},
                  {1.5f, 42},
                  {2.0f, 42},
                  {2.5f, 43},
                  {4.0f, 44},
                  {4.5f, 45},
                  {5.0f, 45},
                  {99.0f, 45},
                  {-3.0f, 40},
                  {std::numeric_limits<float>::quiet_NaN(), 45},
                  {std::numeric_limits<float>::infinity(), 45}};
    for (const auto& row : widths)
        EXPECT_EQ(VaneSheetWindow::LineWidthToButton(row.width), row.item) << row.width;

    const float back[] = {0.5f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f};
    for (CxSint32 item = 40; item <= 45; ++item)
    {
        EXPECT_EQ(VaneSheetWindow::ButtonToLineWidth(item), back[item - 40]) << item;
        EXPECT_EQ(VaneSheetWindow::LineWidthToButton(back[item - 40]), item) << item;
    }
    for (CxSint32 item : {0, 39, 46, -40})
    {
        CxDebugCapture capture;
        EXPECT_EQ(VaneSheetWindow::ButtonToLineWidth(item), 1.0f) << item;
        EXPECT_TRUE(capture.Contains("CxAssert (false)")) << item;
    }
}

TEST_F(VaneSheetWindowTest, SymbolsMapToTheirItemsBothWaysWithTheirFallbacks)
{
    const char* const symbols[] = {
        "solidCircle",     "circle",     "solidSquare",       "square",       "solidDiamond", "diamond",
        "solidTriangleUp", "triangleUp", "solidTriangleDown", "triangleDown", "cross",        "x",
        "bolt1",           "bolt2"};
    for (CxSint32 item = 20; item <= 33; ++item)
    {
        CxDebugCapture capture;
        EXPECT_EQ(VaneSheetWindow::ButtonToSymbol(item).AsUtf8(), symbols[item - 20]);
        EXPECT_EQ(VaneSheetWindow::SymbolToButton(symbols[item - 20]), item);
        EXPECT_EQ(capture.Count(), 0u) << item;
    }
    // The drawing code's "star" and "korvel" have no item; neither has a name in another case.
    for (const char* symbol : {"star", "korvel", "none", "", "Circle"})
    {
        CxDebugCapture capture;
        EXPECT_EQ(VaneSheetWindow::SymbolToButton(symbol), 24) << symbol;
        EXPECT_TRUE(capture.Contains("CxAssert (false)")) << symbol;
    }
    for (CxSint32 item : {19, 34, 0, 40})
    {
        CxDebugCapture capture;
        EXPECT_EQ(VaneSheetWindow::ButtonToSymbol(item).AsUtf8(), "none") << item;
        EXPECT_TRUE(capture.Contains("CxAssert (false)")) << item;
    }
    mSheet->AddSymbolToPopup(mPopup, "solidTriangleUp");
    mSheet->AddSymbolToPopup(mPopup, "bolt2");
    EXPECT_EQ(Items(), (std::vector<std::string>{"Filled Triangle Up=solidTriangleUp", "Double Lightning Bolt=bolt2"}));
}

TEST_F(VaneSheetWindowTest, PreferredUnitsAreKeptOnlyUnderPreferenceTwo)
{
    const DxUnit fahrenheit("fahr");
    const DxUnit celsius("cels");
    const std::string key = "unitPreference_" + fahrenheit.BaseId().AsUtf8();
    for (const char* preference : {"1", "0", "", "2x"})
    {
        Prefer(preference);
        VaneSheetWindow::SetPreferredUnit(fahrenheit);
        EXPECT_FALSE(CxGetGlobalPreferences().HasValue(key.c_str())) << preference;
        EXPECT_EQ(VaneSheetWindow::GetPreferredUnit(celsius).Id().AsUtf8(), "cels") << preference;
    }
    Prefer("2");
    // Nothing stored yet: the unit asked about, not "nada".
    EXPECT_EQ(VaneSheetWindow::GetPreferredUnit(celsius).Id().AsUtf8(), "cels");
    VaneSheetWindow::SetPreferredUnit(fahrenheit);
    EXPECT_EQ(CxGetGlobalPreferences().GetStringValue(key.c_str()).AsUtf8(), "fahr");
    EXPECT_EQ(VaneSheetWindow::GetPreferredUnit(celsius).Id().AsUtf8(), "fahr");
    EXPECT_EQ(VaneSheetWindow::GetPreferredUnit(DxUnit("kelv")).Id().AsUtf8(), "fahr");
    // Another base keeps its own.
    EXPECT_EQ(VaneSheetWindow::GetPreferredUnit(DxUnit("mbar")).Id().AsUtf8(), "mbar");
    // An id the table lacks is not taken.
    CxGetGlobalPreferences().SetStringValue(key.c_str(), "furlong", 0);
    EXPECT_EQ(VaneSheetWindow::GetPreferredUnit(celsius).Id().AsUtf8(), "cels");
    // Switched off again, the stored unit stays but is not used.
    CxGetGlobalPreferences().SetStringValue(key.c_str(), "fahr", 0);
    Prefer("1");
    EXPECT_EQ(VaneSheetWindow::GetPreferredUnit(celsius).Id().AsUtf8(), "cels");
}

TEST_F(VaneSheetWindowTest, AUnitPopupSelectsTheAskedThenThePreferredThenTheFirstUnit)
{
    const DxParm parm("temp", "temperature", kDxTypeFloat, DxUnit("cels"), DxUnitSet("metric"), 0.1);
    const std::vector<std::string> kelvins = {"Degrees Celsius=cels", "Degrees Fahrenheit=fahr", "Kelvin=kelv"};
    const struct
    {
        const char* preference;
        const char* stored; // under the base's key; null: none
        const char* asked;
        const char* selected;
    } rows[] = {
        {"2", "fahr", "kelv", "kelv"},                                 // a listed unit wins
        {"2", "fahr", "mbar", "fahr"},                                 // not compatible: the preferred one
        {"2", "fahr", "", "fahr"},     {"2", nullptr, "mbar", "cels"}, // nothing preferred is listed: the first
        {"2", "mbar", "mps", "cels"},  {"1", "fahr", "mbar", "cels"},  // the parameter's own unit
        {"1", "fahr", "kelv", "kelv"},
    };
    for (const auto& row : rows)
    {
        CxGetGlobalPreferences().SetStringTable({});
        Prefer(row.preference);
        if (row.stored != nullptr)
            CxGetGlobalPreferences().SetStringValue("unitPreference_kelv", row.stored, 0);
        CxString unit = row.asked;
        mSheet->BuildUnitPopupWithPrefs(mPopup, parm, unit);
        EXPECT_EQ(Items(), kelvins) << row.asked;
        EXPECT_EQ(Selected(), row.selected) << row.preference << " " << row.asked;
        EXPECT_EQ(unit.AsUtf8(), row.selected) << row.preference << " " << row.asked;
    }
    mSheet->BuildUnitPopup(mPopup, DxUnit("fahr"));
    EXPECT_EQ(Items(), kelvins);
    EXPECT_EQ(Selected(), "fahr");
}

TEST_F(VaneSheetWindowTest, ParameterPopupsFilterByTypeAndNameAndGateTheButton)
{
    DxSet* set = wxkit::KitWindSet("windy");
    auto* manager = dynamic_cast<DxStationManager*>(set->Manager());
    ASSERT_NE(manager, nullptr);
    FxControl* ok = mSheet->GetControlById(1);
    ASSERT_NE(ok, nullptr);
    const struct
    {
        const char* filter;
        DxType type;
        const char* asked;
        std::vector<std::string> items;
        const char* selected;
    } rows[] = {
        {"WIND",
         kDxTypeFloat,
         "dir",
         {"Wind Speed=samag", "Wind Direction=dir", "U Wind=ucomp", "V Wind=vcomp"},
         "dir"},
        {"wind",
         DxType(0),
         "pmsl",
         {"Wind Speed=samag", "Wind Direction=dir", "U Wind=ucomp", "V Wind=vcomp"},
         "samag"},
        {"press", kDxTypeFloat, "", {"Pressure=pmsl"}, "pmsl"},
        {"nothing like it", kDxTypeFloat, "pmsl", {}, ""},
        {"wind", kDxTypeString, "dir", {}, ""},
    };
    for (const auto& row : rows)
    {
        CxString parm = row.asked;
        mSheet->BuildParameterPopup(mPopup, manager, parm, row.filter, row.type);
        std::vector<std::string> items = Items();
        EXPECT_EQ(items, row.items) << row.filter;
        EXPECT_EQ(parm.AsUtf8(), row.selected) << row.filter;
        EXPECT_EQ(ok->IsEnabled(), !row.items.empty()) << row.filter;
    }
    // The series form filters by the sheet's own text, empty here: every float parameter, names capitalised.
    CxString parm = "vcomp";
    mSheet->BuildParameterPopup(mPopup, manager, parm, kDxTypeFloat);
    EXPECT_EQ(Selected(), "vcomp");
    EXPECT_GE(mPopup->CountItems(), 5);
    for (int item = 1; item <= mPopup->CountItems(); ++item)
    {
        const std::string text = mPopup->GetItemText(item).AsUtf8();
        EXPECT_FALSE(!text.empty() && text[0] >= 'a' && text[0] <= 'z') << text;
    }
}

TEST_F(VaneSheetWindowTest, TheSheetKeepsTheApplicationsCommandsAndNamesTheNetworkState)
{
    const char* const codes[] = {"DMGR", "COLR", "GRDS", "NEWG", "abou", "RFSH", "SLOG", "new ",
                                 "open", "ONLN", "ABOU", "clos", "quit", "PRNT", "dmgr"};
    FxMenu menu;
    for (const char* code : codes)
        menu.AppendItem(code, CxUint32(code[0]) << 24 | CxUint32(code[1]) << 16 | CxUint32(code[2]) << 8 | code[3]);
    for (const bool online : {true, false})
    {
        online ? DxManager::GoOnline() : DxManager::GoOffline();
        for (int item = 1; item <= int(std::size(codes)); ++item)
        {
            FxCommand command(&menu, item);
            command.SetEnabled(item > 10);
            mSheet->OnCommandStatus(command);
            EXPECT_EQ(command.IsEnabled(), item <= 10) << codes[item - 1];
            if (item == 10)
            {
                EXPECT_EQ(command.Text().AsUtf8(), online ? "Work Offline" : "Work Online");
            }
        }
    }
    DxManager::GoOffline();
}

// Records what it hears.
class TestFloatingWindow : public VaneFloatingWindow
{
public:
    explicit TestFloatingWindow(std::vector<FxWindow*>& ioHeard)
        : VaneFloatingWindow("VaneMain", "UpToDateDialog"), mHeard(ioHeard)
    {
    }
    void OnUpdate(FxWindow* inWindow) override { mHeard.push_back(inWindow); }
    std::vector<FxWindow*>& mHeard;
};

TEST_F(VaneSheetWindowTest, TheAboutBoxAndTheDataManagerTellTheFloatingWindowsWhenTheyComeToTheFront)
{
    ASSERT_TRUE(gFloatingWindows.empty());
    VaneFloatingWindow::UpdateAll(nullptr); // none listed: nothing happens
    std::vector<FxWindow*> first;
    std::vector<FxWindow*> second;
    auto* one = new TestFloatingWindow(first);
    auto* two = new TestFloatingWindow(second);
    EXPECT_EQ(gFloatingWindows, (std::vector<VaneFloatingWindow*>{one, two}));

    VaneAboutBox::Display();
    ASSERT_NE(VaneAboutBox::sAboutBox, nullptr);
    ASSERT_TRUE(VaneAboutBox::sAboutBox->IsActive());
    EXPECT_EQ(first, std::vector<FxWindow*>{VaneAboutBox::sAboutBox});
    EXPECT_EQ(second, first);

    delete one;
    EXPECT_EQ(gFloatingWindows, std::vector<VaneFloatingWindow*>{two});
    VaneDataManager::Display("");
    ASSERT_NE(VaneDataManager::sDataManager, nullptr);
    ASSERT_TRUE(VaneDataManager::sDataManager->IsActive());
    EXPECT_EQ(second, (std::vector<FxWindow*>{VaneAboutBox::sAboutBox, VaneDataManager::sDataManager}));
    // Back to the about box.
    VaneAboutBox::Display();
    EXPECT_EQ(second.size(), 3u);
    EXPECT_EQ(second.back(), VaneAboutBox::sAboutBox);
    delete two;
    EXPECT_TRUE(gFloatingWindows.empty());
}

} // namespace
