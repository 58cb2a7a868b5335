// The data files adapter forgetting an item: its id finds nothing afterwards and listing its folder again gives it a
// new one; an id it never gave, or 0, changes nothing.
#include "CxFile.h"
#include "TestSupport.h"
#include "VaneCacheDialog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace
{

namespace fs = std::filesystem;

TEST(VaneCacheForgetTest, AForgottenItemIsGoneAndUnknownIdsChangeNothing)
{
    sky::test::TempHome home;
    const std::string root = home.Path() + "/data";
    fs::create_directories(root + "/2024");
    std::ofstream(root + "/a.kdf") << "a";
    std::ofstream(root + "/2024/b.kdf") << "b";
    VaneCacheFolders folders;
    folders.SetRoot(CxFolder(CxFileRef{root}));
    const auto listed = [&]
    {
        folders.ListChildren(0, nullptr);
        std::map<std::string, CxUint32> ids;
        for (CxUint32 id = 1; id < 100; ++id)
            if (const CacheFolderItem* item = folders.Find(id))
                ids[item->Label().AsUtf8()] = id;
        return ids;
    };
    const std::map<std::string, CxUint32> before = listed();
    ASSERT_EQ(before.size(), 2u);
    const CxUint32 file = before.at("a.kdf"), folder = before.at("2024");

    for (const CxUint32 unknown : {CxUint32(0), CxUint32(99), ~CxUint32(0)})
    {
        folders.OnDeleteItem(unknown);
        EXPECT_EQ(listed(), before) << unknown;
    }

    const struct
    {
        CxUint32 id;
        const char* label;
    } rows[] = {{file, "a.kdf"}, {folder, "2024"}};
    for (const auto& row : rows)
    {
        folders.OnDeleteItem(row.id);
        EXPECT_EQ(folders.Find(row.id), nullptr) << row.label;
        EXPECT_EQ(folders.GetLabel(row.id), CxString()) << row.label;
        EXPECT_FALSE(folders.IsParent(row.id)) << row.label;
        // Still on disk, so listed again, under an id of its own.
        const std::map<std::string, CxUint32> again = listed();
        ASSERT_EQ(again.count(row.label), 1u);
        EXPECT_NE(again.at(row.label), row.id);
    }
}

} // namespace
