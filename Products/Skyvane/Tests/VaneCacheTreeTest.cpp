// The data files sheet on hostile trees: names that are no UTF-8 and a data folder a thousand levels deep (the
// test's time-out is the hang bound), on a data folder reached through a link to a memory file system where
// there is one, so the bound measures the sheet's work rather than the disk's.
#include "VaneDataTest.h"
#include "VaneWindowClicks.h"

#include "CxDebug.h"
#include "DxSet.h"
#include "FxControl.h"
#include "PfUICodes.h"
#include "VaneCacheDialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace
{

using namespace vanetest;
namespace fs = std::filesystem;

class CacheTreeTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        mParent = new FxDialogWindow(CxRect(100, 100, 900, 700), nullptr);
        mParent->Show();
        mSet = wxkit::KitSet("obsSet", 1, 3600, {});
        mData = Home() + "/data/obsSet/data";
        std::string memory = "/dev/shm/skyvane-data-XXXXXX";
        if (::mkdtemp(memory.data()) != nullptr)
        {
            mMemory = memory;
            fs::create_directories(fs::path(mData).parent_path());
            fs::remove_all(mData);
            fs::create_directory_symlink(mMemory, mData);
        }
    }
    void TearDown() override
    {
        delete mDialog;
        mParent->Release();
        if (!mMemory.empty())
        {
            std::error_code error;
            fs::remove_all(mMemory, error);
        }
        AppTest::TearDown();
    }
    void Open() { mDialog = new VaneCacheDialog(mParent, mSet->Manager()); }
    pf::ViewRef Browser() const { return mDialog->GetControlById(3)->GetRef(); }
    std::vector<pf::DataBrowserItemID> Ids() const { return pf::DisplayedRows(Browser()); }
    std::string PathOf(pf::DataBrowserItemID inId) const
    {
        const CacheFolderItem* item = mDialog->Folders().Find(inId);
        return item != nullptr ? item->GetRef().mPath : std::string();
    }
    // Selects the row and clicks Delete.
    void Delete(pf::DataBrowserItemID inId)
    {
        pf::NotifyDataBrowser(Browser(), inId, pf::kDataBrowserItemSelected);
        pf::SimulateClick(Browser(), 1, 0);
        ASSERT_TRUE(mDialog->GetControlById(4)->IsEnabled());
        ASSERT_TRUE(ClickControl(mDialog, 4));
    }

    FxDialogWindow* mParent = nullptr;
    VaneCacheDialog* mDialog = nullptr;
    DxSet* mSet = nullptr;
    std::string mData;
    // The memory folder the data folder leads to; empty when there is none.
    std::string mMemory;
};

// Names that differ only in bytes that are no UTF-8 read as one label, yet are two files: two rows, each deleting
// its own file; a folder of such a name is emptied and removed by its own bytes.
TEST_F(CacheTreeTest, NamesThatAreNoUtf8AreRowsOfTheirOwn)
{
    const std::string a = mData + "/a\xFF.kdf";
    const std::string b = mData + "/a\xFE.kdf";
    const std::string folder = mData + "/f\xFF";
    WriteText(a, "a");
    WriteText(b, "b");
    WriteText(folder + "/x\xFE.kdf", "x");
    Open();
    std::vector<pf::DataBrowserItemID> ids = Ids();
    ASSERT_EQ(ids.size(), 3u);
    std::vector<std::string> paths;
    for (const pf::DataBrowserItemID id : ids)
        paths.push_back(PathOf(id));
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{b, a, folder}));

    const pf::DataBrowserItemID first = *std::find_if(ids.begin(), ids.end(), [&](auto id) { return PathOf(id) == a; });
    CxDebugCapture capture;
    Delete(first);
    EXPECT_FALSE(fs::exists(a));
    EXPECT_TRUE(fs::exists(b));
    ids = Ids();
    ASSERT_EQ(ids.size(), 2u);
    const pf::DataBrowserItemID folderRow =
        *std::find_if(ids.begin(), ids.end(), [&](auto id) { return PathOf(id) == folder; });
    Delete(folderRow);
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(fs::exists(b));
    ASSERT_EQ(Ids().size(), 1u);
    EXPECT_EQ(PathOf(Ids()[0]), b);
    EXPECT_FALSE(capture.Contains("Failed on"));
}

// A thousand levels go in one click, deepest first, and nothing beside them (a hang bound: the test's time-out).
TEST_F(CacheTreeTest, AThousandLevelsDeepTreeIsDeleted)
{
    std::string deepest = mData + "/top";
    for (int level = 1; level < 1000; ++level)
        deepest += "/d";
    fs::create_directories(deepest);
    WriteText(deepest + "/bottom.kdf", "x");
    WriteText(mData + "/top/d/file.kdf", "y");
    WriteText(mData + "/beside/keep.kdf", "z");
    Open();
    const std::vector<pf::DataBrowserItemID> ids = Ids();
    const auto top = std::find_if(ids.begin(), ids.end(), [&](auto id) { return PathOf(id) == mData + "/top"; });
    ASSERT_NE(top, ids.end());
    CxDebugCapture capture;
    Delete(*top);
    EXPECT_FALSE(fs::exists(mData + "/top"));
    EXPECT_TRUE(fs::exists(mData + "/beside/keep.kdf"));
    EXPECT_EQ(mDialog->Folders().PendingFolders().size(), 1000u);
    EXPECT_EQ(mDialog->Folders().PendingFolders().back(), mData + "/top");
    EXPECT_FALSE(capture.Contains("Failed on"));
}

} // namespace
