// The data files sheet over a tree the test makes: its labels, what it hides, deleting (never outside the data
// folder, never through a link), a set with no folder, its buttons, its popup and its remembered bounds.
#include "VaneDataTest.h"
#include "VaneWindowClicks.h"

#include "CxDebug.h"
#include "CxPreferences.h"
#include "DxManager.h"
#include "DxSet.h"
#include "FxControl.h"
#include "PfUICodes.h"
#include "VaneCacheDialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace
{

using namespace vanetest;
namespace fs = std::filesystem;

class VaneCacheDialogTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        mParent = new FxDialogWindow(CxRect(100, 100, 900, 700), nullptr);
        mParent->Show();
        mSet = wxkit::KitSet("obsSet", 1, 3600, {});
        mData = Home() + "/data/obsSet/data";
        mOutside = Home() + "/outside";
        for (const char* file :
             {"2024/3/01/a.kdf", "2024/3/kdf/deep/kdf/b.kdf", "2024/13/c.txt", "2024/x/d.txt", "2024/info/e.txt",
              "2024/.DS_Store", "3/f.txt", "info/config.xml", ".DS_Store", "KDF/g.kdf"})
            WriteText(mData + "/" + file, file);
        WriteText(mOutside + "/keep.txt", "not the data set's");
        fs::create_directory_symlink(mOutside, mData + "/2024/3/outside");
    }
    void TearDown() override
    {
        delete mDialog;
        mParent->Release();
        AppTest::TearDown();
    }
    void Open(DxManager* inManager) { mDialog = new VaneCacheDialog(mParent, inManager); }
    pf::ViewRef Browser() const { return mDialog->GetControlById(3)->GetRef(); }
    std::vector<std::string> Rows() const
    {
        std::vector<std::string> rows;
        for (const pf::DataBrowserItemID id : pf::DisplayedRows(Browser()))
            rows.push_back(mDialog->Folders().GetLabel(id).AsUtf8());
        return rows;
    }
    CxUint32 Row(const std::string& inLabel) const
    {
        for (const pf::DataBrowserItemID id : pf::DisplayedRows(Browser()))
            if (mDialog->Folders().GetLabel(id).AsUtf8() == inLabel)
                return id;
        ADD_FAILURE() << "no row " << inLabel;
        return 0;
    }
    void OpenRow(const std::string& inLabel)
    {
        pf::NotifyDataBrowser(Browser(), Row(inLabel), pf::kDataBrowserContainerOpened);
    }
    // A selection in the column view, and the hit the platform's view reports with it.
    void SelectRow(const std::string& inLabel)
    {
        pf::NotifyDataBrowser(Browser(), Row(inLabel), pf::kDataBrowserItemSelected);
        pf::SimulateClick(Browser(), 1, 0);
    }
    // A press on the popup and a choice from its menu.
    void ChooseItem(int inId, int inItem)
    {
        const pf::Rect bounds = pf::ViewGlobalBounds(mDialog->GetControlById(inId)->GetRef());
        pf::PushScript(
            {pf::script::Down(bounds.x + bounds.w / 2, bounds.y + bounds.h / 2), pf::script::Choose(inItem)});
        RunScript();
    }
    bool DeleteEnabled() const { return mDialog->GetControlById(4)->IsEnabled(); }
    bool Exists(const std::string& inRelative) const
    {
        return fs::exists(fs::symlink_status(mData + "/" + inRelative));
    }

    FxDialogWindow* mParent = nullptr;
    VaneCacheDialog* mDialog = nullptr;
    DxSet* mSet = nullptr;
    std::string mData;
    std::string mOutside;
};

TEST_F(VaneCacheDialogTest, LabelsNameMonthsAndStationFilesAndHideInfoAndDesktopFiles)
{
    Open(mSet->Manager());
    ASSERT_TRUE(mDialog->IsVisible());
    // The first level: "3" is no month there; "KDF" in any case is the station files' folder.
    EXPECT_EQ(Rows(), (std::vector<std::string>{"2024", "3", "Korvel Data Files"}));
    OpenRow("2024");
    EXPECT_EQ(Rows(), (std::vector<std::string>{"2024", "13", "3 - March", "x", "3", "Korvel Data Files"}));
    OpenRow("3 - March");
    EXPECT_EQ(Rows(), (std::vector<std::string>{"2024", "13", "3 - March", "01", "Korvel Data Files", "outside", "x",
                                                "3", "Korvel Data Files"}));
    OpenRow("01");
    EXPECT_EQ(Rows()[4], "a.kdf");
    pf::NotifyDataBrowser(Browser(), Row("01"), pf::kDataBrowserContainerClosing);
    // The deeper station folder, three levels down.
    const std::vector<pf::DataBrowserItemID> before = pf::DisplayedRows(Browser());
    const CxUint32 deepKdf = before[4];
    ASSERT_EQ(mDialog->Folders().GetLabel(deepKdf).AsUtf8(), "Korvel Data Files");
    pf::NotifyDataBrowser(Browser(), deepKdf, pf::kDataBrowserContainerOpened);
    OpenRow("deep");
    const std::vector<std::string> deep = Rows();
    ASSERT_GT(deep.size(), 6u);
    EXPECT_EQ(deep[5], "deep");
    EXPECT_EQ(deep[6], "Korvel Data Files");

    // Listing again hands out the ids it gave before.
    const std::vector<pf::DataBrowserItemID> firstLevel = {Row("2024"), Row("3")};
    AsFxHierarchy(mDialog->GetControlById(3))->SetAdapter(&mDialog->Folders());
    EXPECT_EQ(Rows(), (std::vector<std::string>{"2024", "3", "Korvel Data Files"}));
    EXPECT_EQ((std::vector<pf::DataBrowserItemID>{Row("2024"), Row("3")}), firstLevel);
    OpenRow("2024");
    OpenRow("3 - March");
    EXPECT_EQ(Row("01"), before[3]);
    EXPECT_TRUE(mDialog->Folders().IsParent(Row("01")));
    EXPECT_FALSE(mDialog->Folders().IsParent(0));
    EXPECT_EQ(mDialog->Folders().GetLabel(0).AsUtf8(), "");
    EXPECT_TRUE(mDialog->Folders().IsGrandParent(Row("3 - March")));
    EXPECT_FALSE(mDialog->Folders().IsGrandParent(Row("01")));
}

// Every month folder of a year, "01" to "12", is labelled with its month's name as the C library's strftime gives
// it in the C locale; "00" and "13" are no months.
TEST_F(VaneCacheDialogTest, EveryMonthFolderNamesItsMonth)
{
    std::vector<std::string> wanted;
    for (int month = 1; month <= 12; ++month)
    {
        char name[3];
        std::snprintf(name, sizeof name, "%02d", month);
        WriteText(mData + "/2023/" + name + "/a.kdf", "a");
        std::tm date{};
        date.tm_mon = month - 1;
        char label[32];
        ASSERT_GT(std::strftime(label, sizeof label, "%B", &date), 0u);
        wanted.push_back(std::string(name) + " - " + label);
    }
    WriteText(mData + "/2023/00/a.kdf", "a");
    Open(mSet->Manager());
    OpenRow("2023");
    const std::vector<std::string> rows = Rows();
    for (const std::string& label : wanted)
        EXPECT_NE(std::find(rows.begin(), rows.end(), label), rows.end()) << label;
    EXPECT_NE(std::find(rows.begin(), rows.end(), "00"), rows.end());
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(),
                            [](const std::string& inRow) { return inRow.find(" - ") != std::string::npos; }),
              12);
}

// Delete and Reveal keep to the sheet's bottom left corner as it grows, at their size.
TEST_F(VaneCacheDialogTest, DeleteAndRevealKeepToTheBottomEdge)
{
    Open(mSet->Manager());
    const CxRect frame = mDialog->FrameBounds();
    const CxSint16 bottom = mDialog->ContentBounds().bottom;
    const CxRect before[2] = {mDialog->GetControlById(4)->Bounds(), mDialog->GetControlById(5)->Bounds()};
    mDialog->SetFrameBounds(CxRect(frame.left, frame.top, CxSint16(frame.right + 120), CxSint16(frame.bottom + 90)),
                            false);
    ASSERT_EQ(mDialog->ContentBounds().bottom, bottom + 90);
    for (int i = 0; i < 2; ++i)
    {
        const CxRect after = mDialog->GetControlById(4 + i)->Bounds();
        EXPECT_EQ(after.left, before[i].left) << 4 + i;
        EXPECT_EQ(after.bottom, before[i].bottom + 90) << 4 + i;
        EXPECT_EQ(after.Width(), before[i].Width()) << 4 + i;
        EXPECT_EQ(after.Height(), before[i].Height()) << 4 + i;
    }
}

// Deleting a folder empties it from the deepest level up and removes it; a link inside it goes as a link, and
// what it leads to stays.
TEST_F(VaneCacheDialogTest, DeletingAFolderGoesDeepestFirstAndNeverThroughALink)
{
    Open(mSet->Manager());
    EXPECT_FALSE(DeleteEnabled());
    OpenRow("2024");
    OpenRow("3 - March");
    OpenRow("Korvel Data Files"); // the one under March: the first in the rows
    CxDebugCapture capture;
    pf::NotifyDataBrowser(Browser(), Row("3 - March"), pf::kDataBrowserContainerClosing);
    pf::NotifyDataBrowser(Browser(), Row("2024"), pf::kDataBrowserContainerOpened);
    SelectRow("3 - March");
    ASSERT_TRUE(DeleteEnabled());
    ASSERT_TRUE(ClickControl(mDialog, 4));

    EXPECT_FALSE(Exists("2024/3"));
    EXPECT_TRUE(fs::exists(mOutside + "/keep.txt"));
    EXPECT_TRUE(Exists("2024/13/c.txt"));
    EXPECT_EQ(Rows(), (std::vector<std::string>{"2024", "13", "x", "3", "Korvel Data Files"}));
    const std::vector<std::string>& pending = mDialog->Folders().PendingFolders();
    ASSERT_EQ(pending.size(), 5u); // 3, 01, kdf, deep, kdf
    EXPECT_EQ(pending.back(), mData + "/2024/3");
    for (std::size_t i = 0; i < pending.size(); ++i)
        for (std::size_t j = i + 1; j < pending.size(); ++j)
            EXPECT_NE(pending[j].rfind(pending[i] + "/", 0), 0u) << "a parent before its child";
    EXPECT_FALSE(capture.Contains("Failed on"));
}

TEST_F(VaneCacheDialogTest, ALinkIsDeletedAsALinkAndWhatItLeadsToIsNeverTouched)
{
    Open(mSet->Manager());
    OpenRow("2024");
    OpenRow("3 - March");
    OpenRow("outside");
    ASSERT_EQ(Rows()[6], "keep.txt");
    // A file seen through the link lies outside the data folder.
    CxDebugCapture capture;
    SelectRow("keep.txt");
    ASSERT_TRUE(DeleteEnabled());
    ClickControl(mDialog, 4);
    EXPECT_TRUE(fs::exists(mOutside + "/keep.txt"));
    EXPECT_TRUE(capture.Contains("Failed on: " + mData + "/2024/3/outside/keep.txt"));
    EXPECT_EQ(Rows()[6], "keep.txt");

    pf::NotifyDataBrowser(Browser(), Row("outside"), pf::kDataBrowserContainerClosing);
    SelectRow("outside");
    ClickControl(mDialog, 4);
    EXPECT_FALSE(Exists("2024/3/outside"));
    EXPECT_TRUE(fs::exists(mOutside + "/keep.txt"));
    EXPECT_TRUE(Exists("2024/3/01/a.kdf"));
}

// Straight on the adapter: an unset root matches nothing, the root's name as a prefix of another folder's or in
// another case is no containment, and a link is never emptied.
TEST_F(VaneCacheDialogTest, OnlyFoldersInsideTheRootAreEmptied)
{
    WriteText(Home() + "/data/obsSet/data2/x.txt", "x");
    WriteText(Home() + "/data/obsSet/DATA/y.txt", "y");
    fs::create_directory_symlink(mOutside, mData + "/link");
    struct Row
    {
        const char* what;
        std::string root; // "" for none
        std::string folder;
        std::string survivor;
    };
    const std::vector<Row> rows = {
        {"no root", "", mData + "/2024/13", mData + "/2024/13/c.txt"},
        {"no root, outside", "", mOutside, mOutside + "/keep.txt"},
        {"a name that starts alike", mData, Home() + "/data/obsSet/data2", Home() + "/data/obsSet/data2/x.txt"},
        {"another case", mData, Home() + "/data/obsSet/DATA", Home() + "/data/obsSet/DATA/y.txt"},
        {"a link", mData, mData + "/link", mOutside + "/keep.txt"},
        {"the root itself", mData, mData, mData + "/3/f.txt"},
    };
    for (const Row& row : rows)
    {
        VaneCacheFolders folders;
        if (!row.root.empty())
            folders.SetRoot(CxFolder(CxFileRef{row.root}));
        EXPECT_EQ(folders.HasRoot(), !row.root.empty());
        CxDebugCapture capture;
        folders.RecurseDeleteFolderContents(CxFolder(CxFileRef{row.folder}));
        EXPECT_TRUE(fs::exists(row.survivor)) << row.what;
        EXPECT_TRUE(folders.PendingFolders().empty()) << row.what;
        EXPECT_TRUE(capture.Contains("Failed on: " + row.folder)) << row.what;
        // Nothing is listed without a root.
        folders.ListChildren(0, nullptr);
        EXPECT_EQ(folders.Find(1) != nullptr, !row.root.empty()) << row.what;
    }
    VaneCacheFolders folders;
    folders.SetRoot(CxFolder(CxFileRef{mData}));
    folders.RecurseDeleteFolderContents(CxFolder(CxFileRef{mData + "/2024/x"}));
    EXPECT_FALSE(fs::exists(mData + "/2024/x/d.txt"));
    EXPECT_EQ(folders.PendingFolders().size(), 1u);
}

TEST_F(VaneCacheDialogTest, ASetWithoutAFolderListsNothingAndDisablesDeleteAndReveal)
{
    DxSet* bare = wxkit::KitSet("bareSet", 1, 3600, {});
    // Its manager made the set's folder; a set can lose it (or never have had one).
    fs::remove_all(Home() + "/data/bareSet");
    Open(bare->Manager());
    EXPECT_FALSE(mDialog->Folders().HasRoot());
    EXPECT_TRUE(Rows().empty());
    EXPECT_FALSE(DeleteEnabled());
    EXPECT_FALSE(mDialog->GetControlById(5)->IsEnabled());
    ClickControl(mDialog, 3);
    pf::SimulateClick(Browser(), 1, 0);
    EXPECT_FALSE(DeleteEnabled());
    EXPECT_FALSE(fs::exists(Home() + "/data/bareSet"));
    // Nothing is deleted through a stray id.
    mDialog->Folders().DeleteItem(1, AsFxHierarchy(mDialog->GetControlById(3)));
    EXPECT_TRUE(Exists("3/f.txt"));
}

TEST_F(VaneCacheDialogTest, AFileThatCannotBeDeletedStaysListed)
{
    Open(mSet->Manager());
    OpenRow("3");
    ASSERT_EQ(Rows()[2], "f.txt");
    fs::remove(mData + "/3/f.txt"); // gone behind the dialog's back
    CxDebugCapture capture;
    SelectRow("f.txt");
    ClickControl(mDialog, 4);
    EXPECT_EQ(Rows()[2], "f.txt");
    EXPECT_TRUE(capture.Contains("Failed on: " + mData + "/3/f.txt"));
    // The folder itself can go.
    pf::NotifyDataBrowser(Browser(), Row("3"), pf::kDataBrowserContainerClosing);
    SelectRow("3");
    ClickControl(mDialog, 4);
    EXPECT_FALSE(Exists("3"));
    EXPECT_EQ(Rows(), (std::vector<std::string>{"2024", "Korvel Data Files"}));
}

TEST_F(VaneCacheDialogTest, DeleteIsEnabledOnlyWithASelectedItem)
{
    Open(mSet->Manager());
    EXPECT_FALSE(DeleteEnabled());
    pf::SimulateClick(Browser(), 1, 0); // a hit with nothing selected
    EXPECT_FALSE(DeleteEnabled());
    SelectRow("3");
    EXPECT_TRUE(DeleteEnabled());
    pf::NotifyDataBrowser(Browser(), Row("3"), pf::kDataBrowserItemDeselected);
    pf::SimulateClick(Browser(), 1, 0);
    EXPECT_FALSE(DeleteEnabled());
    // A click on the disabled button deletes nothing.
    ClickControl(mDialog, 4);
    EXPECT_TRUE(Exists("3/f.txt"));
}

TEST_F(VaneCacheDialogTest, RevealOpensTheDataFolderAndItsTitleNamesTheFileBrowser)
{
    OpenRecorder opener(Home());
    Open(mSet->Manager());
    EXPECT_EQ(mDialog->GetControlById(5)->Title().AsUtf8(), "Show in File Manager");
    ASSERT_TRUE(ClickControl(mDialog, 5));
    EXPECT_EQ(opener.Next(), mData + "\n");
}

TEST_F(VaneCacheDialogTest, ThePopupListsTheLiveSetsByIdAndSwitchesTheTree)
{
    wxkit::KitSet("aaSet", 1, 3600, {});
    fs::remove_all(Home() + "/data/aaSet");
    wxkit::KitSet("zzSet", 1, 3600, {});
    WriteText(Home() + "/data/zzSet/data/1999/only.txt", "z");
    Open(mSet->Manager());
    FxPopupButton* popup = AsFxPopupButton(mDialog->GetControlById(6));
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(popup->CountItems(), 3);
    EXPECT_EQ(popup->GetItemTitle(1).AsUtf8(), "aaSet");
    EXPECT_EQ(popup->GetItemTitle(2).AsUtf8(), "obsSet");
    EXPECT_EQ(popup->GetItemTitle(3).AsUtf8(), "zzSet");
    EXPECT_EQ(popup->Value(), 2);

    const struct
    {
        int item;
        std::vector<std::string> rows;
        bool reveal;
    } choices[] = {{3, {"1999"}, true}, {1, {}, false}, {2, {"2024", "3", "Korvel Data Files"}, true}};
    for (const auto& choice : choices)
    {
        if (!Rows().empty())
            SelectRow(Rows()[0]);
        ChooseItem(6, choice.item);
        EXPECT_EQ(popup->Value(), choice.item);
        EXPECT_EQ(mDialog->Manager()->Id().AsUtf8(), popup->GetItemTitle(choice.item).AsUtf8());
        EXPECT_EQ(Rows(), choice.rows) << choice.item;
        EXPECT_EQ(mDialog->GetControlById(5)->IsEnabled(), choice.reveal) << choice.item;
        EXPECT_FALSE(DeleteEnabled()) << choice.item;
    }
}

TEST_F(VaneCacheDialogTest, StoredBoundsAreRestoredAndEmptyOnesIgnored)
{
    Open(mSet->Manager());
    const CxRect plain = mDialog->FrameBounds();
    ClickControl(mDialog, 1);
    mDialog = nullptr;
    const struct
    {
        const char* stored;
        int width;
        int height;
    } rows[] = {{"60,80,640,420", 640, 420},
                {"", plain.Width(), plain.Height()},
                {"0,0,0,0", plain.Width(), plain.Height()},
                {"10,10,-40,300", plain.Width(), plain.Height()},
                {"10,10,300", plain.Width(), plain.Height()},
                {"bounds", plain.Width(), plain.Height()}};
    for (const auto& row : rows)
    {
        CxGetGlobalPreferences().SetStringValue("cacheDialogBounds", row.stored, 0);
        Open(mSet->Manager());
        EXPECT_EQ(mDialog->FrameBounds().Width(), row.width) << row.stored;
        EXPECT_EQ(mDialog->FrameBounds().Height(), row.height) << row.stored;
        delete mDialog;
        mDialog = nullptr;
    }
    // A resize stores the frame; the sheet grows no smaller than 548 by 300.
    Open(mSet->Manager());
    mDialog->SetFrameBounds(CxRect(50, 60, 750, 560), false);
    EXPECT_EQ(CxGetGlobalPreferences().GetStringValue("cacheDialogBounds").AsUtf8(),
              mDialog->FrameBounds().AsString().AsUtf8());
    EXPECT_EQ(mDialog->FrameBounds().Width(), 700);
    // The column view grew with it; the close button kept to the corner.
    EXPECT_EQ(mDialog->GetControlById(3)->Bounds().Width(), 520 + 700 - plain.Width());
    EXPECT_EQ(mDialog->ContentBounds().Width() - mDialog->GetControlById(1)->Bounds().right, 20);
    pf::Event query(pf::kClassWindow, pf::kWindowGetMinimumSize);
    query.SetParam(pf::kParamDirectObject, pf::kTypeWindowRef, mDialog->GetRef());
    ASSERT_EQ(pf::GetWindowEventTarget(mDialog->GetRef())->Send(query), pf::kNoErr);
    pf::QDPoint minimum;
    ASSERT_EQ(query.GetParam(pf::kParamDimensions, pf::kTypeQDPoint, minimum), pf::kNoErr);
    EXPECT_EQ(minimum.h, 548);
    EXPECT_EQ(minimum.v, 300);
}

TEST_F(VaneCacheDialogTest, TheCloseButtonReleasesTheSheetAndItsHoldOnTheParent)
{
    Open(mSet->Manager());
    EXPECT_EQ(mParent->RetainCount(), 2u);
    EXPECT_EQ(ShownWindows("CacheDialog"), std::vector<FxWindow*>{mDialog});
    ASSERT_TRUE(ClickControl(mDialog, 1));
    mDialog = nullptr;
    EXPECT_TRUE(ShownWindows("CacheDialog").empty());
    EXPECT_EQ(mParent->RetainCount(), 1u);
    EXPECT_EQ(pf::WindowList().size(), 1u);
}

} // namespace
