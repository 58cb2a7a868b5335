#include "PfWholeFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace
{

namespace fs = std::filesystem;

std::string Slurp(const fs::path& inPath)
{
    std::ifstream in(inPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::set<std::string> Names(const fs::path& inFolder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(inFolder))
        names.insert(entry.path().filename().string());
    return names;
}

pf::FileFiller Filling(const std::string& inText)
{
    return [inText](int inFile) { return pf::WriteAll(inFile, inText.data(), inText.size()); };
}

// Names up to the folder's limit, of one-byte and of two-byte characters (the cut falling inside one), are written
// under their full name with nothing left beside them.
TEST(PfWholeFile, NamesUpToTheFoldersLimitAreWritten)
{
    const sky::test::TempHome home;
    const fs::path folder = fs::path(home.Path()) / "written";
    fs::create_directories(folder);
    const long longest = pathconf(folder.c_str(), _PC_NAME_MAX);
    ASSERT_GT(longest, 20);
    std::string twoByte;
    while (twoByte.size() + 2 <= std::size_t(longest) - 1)
        twoByte += "\xC3\xA9";
    for (const std::string& name : {std::string("short"), std::string(std::size_t(longest) - 9, 'a'),
                                    std::string(std::size_t(longest), 'b'), "x" + twoByte})
    {
        SCOPED_TRACE(name.size());
        EXPECT_EQ(pf::WriteWholeFile((folder / name).string(), Filling("whole")), "");
        EXPECT_EQ(Slurp(folder / name), "whole");
        EXPECT_EQ(Names(folder), std::set<std::string>{name});
        fs::remove(folder / name);
    }
}

// A link at the name gives way to the file, its target untouched; a fill that fails or writes nothing leaves the
// name as it stood and no fresh file; a path is no name.
TEST(PfWholeFile, TheNameHoldsAWholeFileOrWhatStoodThere)
{
    const sky::test::TempHome home;
    const fs::path folder = fs::path(home.Path()) / "written";
    fs::create_directories(folder);
    std::ofstream(folder / "target") << "target";
    fs::create_symlink("target", folder / "link");
    EXPECT_EQ(pf::WriteWholeFile((folder / "link").string(), Filling("new")), "");
    EXPECT_FALSE(fs::is_symlink(folder / "link"));
    EXPECT_EQ(Slurp(folder / "link"), "new");
    EXPECT_EQ(Slurp(folder / "target"), "target");

    EXPECT_EQ(pf::WriteWholeFile((folder / "target").string(), [](int) { return std::string("refused"); }), "refused");
    EXPECT_EQ(pf::WriteWholeFile((folder / "target").string(), Filling("")), "nothing written");
    EXPECT_EQ(Slurp(folder / "target"), "target");
    EXPECT_EQ(Names(folder), (std::set<std::string>{"link", "target"}));

    EXPECT_NE(pf::WriteWholeFile((folder / "missing" / "file").string(), Filling("x")), "");
    EXPECT_NE(pf::WriteWholeFile(-1, "a/b", Filling("x")), "");
}

// A fill that throws leaves no fresh file and nothing open, the folder neither; its exception goes on.
TEST(PfWholeFile, AFillThatThrowsLeavesNothingBehind)
{
    const sky::test::TempHome home;
    const fs::path folder = fs::path(home.Path()) / "written";
    fs::create_directories(folder);
    const auto opened = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()); };
    const auto before = opened();
    const auto throwing = [](int) -> std::string { throw std::bad_alloc(); };
    EXPECT_THROW(pf::WriteWholeFile((folder / "picture").string(), throwing), std::bad_alloc);
    EXPECT_EQ(opened(), before);
    EXPECT_TRUE(fs::is_empty(folder));
}

} // namespace
