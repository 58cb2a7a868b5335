// The data dialogs under hostile input: a server's configuration naming links that are no web addresses, file
// names that are no UTF-8, and a data folder a thousand levels deep.
#include "VaneDataTest.h"
#include "VaneWindowClicks.h"

#include "CxDebug.h"
#include "DxSet.h"
#include "DxUnit.h"
#include "FxControl.h"
#include "PfUICodes.h"
#include "VaneCacheDialog.h"
#include "VaneDataManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace
{

using namespace vanetest;
namespace fs = std::filesystem;

// ---- the data manager's links

class DataManagerLinksTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        DxUnit::Load();
        // An opener that appends each argument it is given to its log.
        mOpener = Home() + "/opener";
        WriteText(mOpener, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$0.log\"\n");
        fs::permissions(mOpener, fs::perms::owner_all);
        setenv("SKYVANE_OPEN_CMD", mOpener.c_str(), 1);
    }
    void TearDown() override
    {
        unsetenv("SKYVANE_OPEN_CMD");
        VaneDataManager::RemoveDataManager();
        DxUnit::Unload();
        AppTest::TearDown();
    }
    // The opener's log once it holds that many lines, or as it stands after 5 s.
    std::vector<std::string> Opened(std::size_t inLines) const
    {
        std::vector<std::string> lines;
        for (int i = 0; i < 500; ++i)
        {
            lines.clear();
            const std::string text = ReadText(mOpener + ".log");
            for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
                lines.push_back(text.substr(at, end - at));
            if (lines.size() >= inLines)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return lines;
    }

    std::string mOpener;
};

// Each row's URL stands for the provider, the source and the contact at once; a click on each icon opens it only
// when it is an http or https address.
TEST_F(DataManagerLinksTest, OnlyHttpAndHttpsLinksAreOpened)
{
    struct Row
    {
        const char* url;
        bool opened;
    };
    const Row rows[] = {
        {"https://provider.example/about", true},
        {"HTTP://Upper.example/", true},
        {"file:///etc/passwd", false},
        {"javascript:alert(1)", false},
        {"mailto:desk@example.org", false},
        {"ftp://files.example/", false},
        {"skyvane-x:http://inside.example/", false},
        {" https://leading-space.example/", false},
        {"https:", false},
        {"https://", false},
        {"/usr/bin/xterm", false},
    };
    std::vector<std::string> expected;
    int index = 0;
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.url);
        // The dialog lists the sets there are when it opens.
        VaneDataManager::RemoveDataManager();
        const std::string id = "set" + std::to_string(index++);
        const std::string url = row.url;
        std::string properties;
        for (const char* role : {"provider", "source", "contact"})
            properties += "<property id=\"" + std::string(role) + "\" value=\"" + role + "\" url=\"" + url + "\"/>";
        wxkit::KitManagedSet(
            CxString::FromUtf8(id), 1,
            {{"config.xml",
              wxkit::KitInfoDocument("datasetconfig", "<property id=\"name\" value=\"" + id +
                                                          "\"/><property id=\"type\" value=\"kdf\"/>" + properties)}});
        VaneDataManager::Display(CxString::FromUtf8(id));
        ASSERT_NE(VaneDataManager::sDataManager, nullptr);
        CxDebugCapture capture;
        for (int icon : {9, 10, 11})
        {
            ASSERT_TRUE(VaneDataManager::sDataManager->GetControlById(icon)->IsEnabled()) << icon;
            pf::SimulateClick(VaneDataManager::sDataManager->GetControlById(icon)->GetRef(), 1, 0);
            if (row.opened)
                expected.push_back(url);
        }
        const std::string refused = "not opened: " + url + " (only http and https)";
        EXPECT_EQ(capture.Contains(refused), !row.opened);
    }
    // Every opening arrives, in any order; after the last one nothing else comes.
    std::sort(expected.begin(), expected.end());
    const auto sorted = [](std::vector<std::string> inLines)
    {
        std::sort(inLines.begin(), inLines.end());
        return inLines;
    };
    EXPECT_EQ(sorted(Opened(expected.size())), expected);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(sorted(Opened(expected.size())), expected);
}

// ---- the data files sheet

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
    }
    void TearDown() override
    {
        delete mDialog;
        mParent->Release();
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
