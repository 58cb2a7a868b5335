// The data manager dialog with scripted clicks and typing: no data set at all, the sets by name, the fields and
// links of one set, logins typed, undone, reverted and saved, its data files sheet, and its end.
#include "VaneDataTest.h"
#include "VaneWindowClicks.h"

#include "CxDebug.h"
#include "CxLog.h"
#include "CxSystem.h"
#include "DxLogger.h"
#include "DxManager.h"
#include "DxSet.h"
#include "DxUnit.h"
#include "FxCommander.h"
#include "FxControl.h"
#include "PfUICodes.h"
#include "VaneCacheDialog.h"
#include "VaneDataManager.h"
#include "VaneEntryPoints.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace
{

using namespace vanetest;
namespace fs = std::filesystem;

constexpr std::uint32_t kBackspace = 51;

// A configuration naming the set and, for each of provider, source and contact, a name and a URL (none when the
// URL is empty).
std::string Config(const std::string& inName, const std::string& inContactUrl)
{
    auto property = [](const std::string& inId, const std::string& inValue, const std::string& inUrl)
    {
        return "<property id=\"" + inId + "\" value=\"" + inValue + "\"" +
               (inUrl.empty() ? std::string() : " url=\"" + inUrl + "\"") + "/>";
    };
    return wxkit::KitInfoDocument("datasetconfig",
                                  property("name", inName, "") + property("type", "kdf", "") +
                                      property("provider", inName + " Provider", "https://provider.example/") +
                                      property("source", inName + " Source", "https://source.example/") +
                                      property("contact", inName + " Desk", inContactUrl));
}

class VaneDataManagerTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        DxUnit::Load();
    }
    void TearDown() override
    {
        VaneDataManager::RemoveDataManager();
        DxUnit::Unload();
        AppTest::TearDown();
    }
    static DxSet* Set(const std::string& inId, const std::string& inName,
                      const std::string& inContactUrl = "https://contact.example/")
    {
        return wxkit::KitManagedSet(CxString::FromUtf8(inId), 1, {{"config.xml", Config(inName, inContactUrl)}});
    }
    static VaneDataManager* Dialog() { return VaneDataManager::sDataManager; }
    static FxControl* Control(int inId) { return Dialog()->GetControlById(inId); }
    static bool Enabled(int inId) { return Control(inId)->IsEnabled(); }
    static std::string Text(int inId)
    {
        if (const FxEditText* field = AsFxEditText(Control(inId)))
            return field->Text().AsUtf8();
        return StaticText(Dialog(), inId);
    }
    static std::vector<std::string> PopupItems()
    {
        std::vector<std::string> items;
        const FxPopupButton* popup = AsFxPopupButton(Control(1));
        for (int item = 1; item <= popup->CountItems(); ++item)
            items.push_back(popup->GetItemText(item).AsUtf8() + "=" + popup->GetItemTitle(item).AsUtf8());
        return items;
    }
    // Keys typed into the focused field, each pressed and released.
    static void Type(const std::u16string& inText)
    {
        for (const char16_t c : inText)
        {
            const std::uint32_t code = c == u'\b' ? kBackspace : c == u'\t' ? pf::kKeyTab : 0;
            pf::PushScript({pf::script::Key(code, std::u16string(1, c)), pf::script::KeyUp(code)});
        }
        RunScript();
    }
    static void ChooseItem(int inId, int inItem)
    {
        const pf::Rect bounds = pf::ViewGlobalBounds(Control(inId)->GetRef());
        pf::PushScript(
            {pf::script::Down(bounds.x + bounds.w / 2, bounds.y + bounds.h / 2), pf::script::Choose(inItem)});
        RunScript();
    }
    static void Tick(int inMilliseconds)
    {
        pf::MainLoop().Advance(std::chrono::milliseconds(inMilliseconds));
        pf::MainLoop().RunOnce(pf::Nanos(0));
    }
    static bool Login(DxSet* inSet, std::string& outUser, std::string& outPassword)
    {
        CxString user;
        CxString password;
        const bool found = CxReadAuthentication(inSet->Manager()->AuthenticationKey(), user, password);
        outUser = user.AsUtf8();
        outPassword = password.AsUtf8();
        return found;
    }
    std::string LoginsPath() const { return Home() + "/.config/skyvane/logins"; }
};

// With an empty data folder the popup has no item: every field is empty and disabled, the timer refreshes
// nothing, and no control reaches for a manager.
TEST_F(VaneDataManagerTest, WithNoDataSetEveryFieldIsEmptyAndDisabled)
{
    OpenRecorder opener(Home());
    VaneDataManager::Display("");
    ASSERT_NE(Dialog(), nullptr);
    EXPECT_EQ(ShownWindows("DataWindow"), std::vector<FxWindow*>{Dialog()});
    EXPECT_TRUE(PopupItems().empty());
    EXPECT_EQ(Dialog()->Manager(), nullptr);
    for (int id : {2, 3, 4, 5, 6, 7, 8})
        EXPECT_EQ(Text(id), "") << id;
    for (int id : {2, 3, 9, 10, 11, 12, 13, 14})
        EXPECT_FALSE(Enabled(id)) << id;
    Tick(350);
    Type(u"ann");
    for (int id : {1, 9, 10, 11, 12, 13, 14})
        pf::SimulateClick(Control(id)->GetRef(), 1, 0);
    EXPECT_EQ(Text(2), "");
    EXPECT_FALSE(Enabled(14));
    EXPECT_FALSE(fs::exists(LoginsPath()));
    EXPECT_EQ(pf::WindowList().size(), 1u); // no data files sheet
    Tick(100);
    EXPECT_EQ(Text(5), "");
}

TEST_F(VaneDataManagerTest, TheSetsAreListedByNameAndDisplaySelectsOne)
{
    Set("zulu", "Alpha Radar");
    Set("alpha", "Zulu Obs");
    // A set stored in the data folder by an earlier run is registered when the dialog opens.
    WriteText(Home() + "/data/middle/info/config.xml", Config("Middle Images", ""));
    VaneDataManager::Display("");
    VaneDataManager* dialog = Dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(PopupItems(), (std::vector<std::string>{"Alpha Radar=zulu", "Middle Images=middle", "Zulu Obs=alpha"}));
    EXPECT_EQ(Text(4), "zulu");
    const struct
    {
        const char* asked;
        const char* shown;
    } rows[] = {{"alpha", "alpha"}, {"nothing", "alpha"}, {"", "alpha"}, {"middle", "middle"}, {"Zulu Obs", "middle"}};
    for (const auto& row : rows)
    {
        dialog->Collapse();
        VaneDataManager::Display(row.asked);
        EXPECT_EQ(Dialog(), dialog);
        EXPECT_FALSE(dialog->IsCollapsed());
        EXPECT_EQ(Text(4), row.shown) << row.asked;
        EXPECT_EQ(Text(6), std::string(row.shown == std::string("alpha") ? "Zulu Obs" : "Middle Images") + " Provider");
    }
    ChooseItem(1, 1);
    EXPECT_EQ(Text(4), "zulu");
    EXPECT_EQ(Text(7), "Alpha Radar Source");
}

TEST_F(VaneDataManagerTest, TheFieldsShowTheSetAndTheTimerItsStatus)
{
    OpenRecorder opener(Home());
    DxSet* set = Set("plain", "Plain Obs", "");
    VaneDataManager::Display("plain");
    EXPECT_EQ(Text(4), "plain");
    EXPECT_EQ(Text(6), "Plain Obs Provider");
    EXPECT_EQ(Text(7), "Plain Obs Source");
    EXPECT_EQ(Text(8), "Plain Obs Desk");
    EXPECT_TRUE(Enabled(9));
    EXPECT_TRUE(Enabled(10));
    EXPECT_FALSE(Enabled(11)); // no contact URL
    EXPECT_TRUE(Enabled(12));  // the set has its folder
    set->Manager()->SetStatus("Downloading 3 files.");
    EXPECT_NE(Text(5), "Downloading 3 files.");
    Tick(100);
    EXPECT_EQ(Text(5), "Downloading 3 files.");

    pf::SimulateClick(Control(10)->GetRef(), 1, 0);
    EXPECT_EQ(opener.Next(), "https://source.example/\n");
    pf::SimulateClick(Control(9)->GetRef(), 1, 0);
    EXPECT_EQ(opener.Next(), "https://provider.example/\n");
}

TEST_F(VaneDataManagerTest, TypingAndUndoingKeepsRevertAndSaveEnabledUntilTheFieldsAreRebuilt)
{
    DxSet* set = Set("logged", "Logged Obs");
    ASSERT_TRUE(CxWriteAuthentication(set->Manager()->AuthenticationKey(), "ann", "pw1"));
    VaneDataManager::Display("logged");
    EXPECT_EQ(Text(2), "ann");
    EXPECT_EQ(Text(3), "pw1");
    EXPECT_EQ(pf::GetKeyboardFocus(Dialog()->GetRef()), Control(2)->GetRef());
    EXPECT_FALSE(Enabled(13));
    EXPECT_FALSE(Enabled(14));
    Type(u"x");
    EXPECT_EQ(Text(2), "annx");
    EXPECT_TRUE(Enabled(13));
    EXPECT_TRUE(Enabled(14));
    Type(u"\b");
    EXPECT_EQ(Text(2), "ann");
    EXPECT_TRUE(Enabled(13));
    EXPECT_TRUE(Enabled(14));
    // Revert reads the store again.
    Type(u"ie\tz");
    EXPECT_EQ(Text(3), "pw1z");
    ASSERT_TRUE(ClickControl(Dialog(), 13));
    EXPECT_EQ(Text(2), "ann");
    EXPECT_EQ(Text(3), "pw1");
    EXPECT_FALSE(Enabled(13));
    EXPECT_FALSE(Enabled(14));
}

TEST_F(VaneDataManagerTest, SavingAnEmptyLoginRemovesItAndRebuildsTheFields)
{
    DxSet* set = Set("logged", "Logged Obs");
    ASSERT_TRUE(CxWriteAuthentication(set->Manager()->AuthenticationKey(), "ann", "pw1"));
    VaneDataManager::Display("logged");
    Type(u"\b\b\b\t\b\b\b");
    EXPECT_EQ(Text(2), "");
    EXPECT_EQ(Text(3), "");
    ASSERT_TRUE(Enabled(14));
    ASSERT_TRUE(ClickControl(Dialog(), 14));
    std::string user;
    std::string password;
    EXPECT_FALSE(Login(set, user, password));
    EXPECT_EQ(Text(2), "");
    EXPECT_EQ(Text(3), "");
    EXPECT_FALSE(Enabled(13));
    EXPECT_FALSE(Enabled(14));
    EXPECT_TRUE(Enabled(2));
}

TEST_F(VaneDataManagerTest, ASavedLoginIsPrivateAndReadsBackExactlyAsTyped)
{
    DxSet* set = Set("secure", "Secure Radar");
    DxSet* other = Set("open", "Open Radar");
    VaneDataManager::Display("secure");
    EXPECT_EQ(Text(2), "");
    Type(u" bob\tp\u00e4ss word ");
    ASSERT_TRUE(ClickControl(Dialog(), 14));
    struct stat info;
    ASSERT_EQ(::stat(LoginsPath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    std::string user;
    std::string password;
    ASSERT_TRUE(Login(set, user, password));
    EXPECT_EQ(user, " bob");
    EXPECT_EQ(password, "p\xC3\xA4ss word ");
    EXPECT_FALSE(Login(other, user, password));

    VaneDataManager::RemoveDataManager();
    EXPECT_EQ(Dialog(), nullptr);
    VaneDataManager::Display("secure");
    EXPECT_EQ(Text(2), " bob");
    EXPECT_EQ(Text(3), "p\xC3\xA4ss word ");
    VaneDataManager::Display("open");
    EXPECT_EQ(Text(2), "");
}

TEST_F(VaneDataManagerTest, TheDataFilesButtonOpensOneSheetOnTheDialog)
{
    Set("stored", "Stored Obs");
    WriteText(Home() + "/data/stored/data/2024/5/a.kdf", "a");
    VaneDataManager::Display("stored");
    ASSERT_TRUE(Enabled(12));
    ASSERT_TRUE(ClickControl(Dialog(), 12));
    const std::vector<FxWindow*> sheets = ShownWindows("CacheDialog");
    ASSERT_EQ(sheets.size(), 1u);
    auto* sheet = dynamic_cast<VaneCacheDialog*>(sheets[0]);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->Parent(), Dialog());
    EXPECT_EQ(sheet->Manager(), Dialog()->Manager());
    EXPECT_EQ(sheet->Folders().GetLabel(1).AsUtf8(), "2024");
    // The dialog under its sheet takes no click; a hit that still comes opens no second sheet.
    pf::SimulateClick(Control(12)->GetRef(), 1, 0);
    EXPECT_EQ(ShownWindows("CacheDialog").size(), 1u);
    // Closing the dialog takes its sheet along.
    VaneDataManager::RemoveDataManager();
    EXPECT_TRUE(ShownWindows("CacheDialog").empty());
    EXPECT_TRUE(pf::WindowList().empty());
}

TEST_F(VaneDataManagerTest, TheLogButtonRevealsTheDataLog)
{
    OpenRecorder opener(Home());
    DxLogger::Instance().AttachLog(nullptr); // an earlier plug-in's log
    VaneDataManager::Display("");
    pf::SimulateClick(Control(15)->GetRef(), 1, 0); // no log: nothing
    DxLogger::Instance().CreateLog("SkyvanePlugin.log");
    ASSERT_NE(DxLogger::Instance().Log(), nullptr);
    ASSERT_TRUE(ClickControl(Dialog(), 15));
    EXPECT_EQ(opener.Next(), Home() + "/.local/state/skyvane/SkyvanePlugin.log\n");
    DxLogger::Instance().AttachLog(nullptr);
}

TEST_F(VaneDataManagerTest, TheCloseBoxDeletesIt)
{
    VaneDataManager::Display("");
    ASSERT_TRUE(Dialog()->IsActive());
    ClickCloseBox(Dialog());
    EXPECT_EQ(Dialog(), nullptr);
    EXPECT_TRUE(ShownWindows("DataWindow").empty());
    Tick(200); // its timer went with it
}

// The plug-in's end closes the dialog and the sheet open on it.
TEST_F(VaneDataManagerTest, ThePluginsEndClosesAnOpenDataManager)
{
    DxUnit::Unload(); // the plug-in loads its own
    StartHost();
    Set("stored", "Stored Obs");
    VaneDataManager::Display("stored");
    ASSERT_TRUE(ClickControl(Dialog(), 12));
    ASSERT_EQ(ShownWindows("CacheDialog").size(), 1u);
    EXPECT_EQ(VaneShutdown(), NPERR_NO_ERROR);
    EXPECT_EQ(Dialog(), nullptr);
    for (const pf::WindowRef ref : pf::WindowList())
        EXPECT_EQ(FxWindow::FromRef(ref), nullptr);
    EXPECT_TRUE(ShownWindows("DataWindow").empty());
    DxUnit::Load();
}

} // namespace
