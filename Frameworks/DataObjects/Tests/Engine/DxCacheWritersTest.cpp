// The cache folder is shared by every process of the user: writers of one file never share a temporary file.
#include "CxData.h"
#include "DxCache.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace
{

namespace fs = std::filesystem;

std::string Read(const fs::path& inPath)
{
    std::ifstream in(inPath);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Another writer's temporary file (here a folder one left behind), and two writers at once: each write is stored
// whole and leaves no temporary file.
TEST(DxCacheWriters, EachWriterStoresThroughATemporaryFileOfItsOwn)
{
    sky::test::TempHome home;
    const CxFolder root(CxFileRef{home.Path()});
    DxCache first(root, root, "set", false);
    DxCache second(root, root, "set", false);
    const fs::path info = fs::path(home.Path()) / "set" / "info";
    fs::create_directories(info / ".config.xml.part" / "in");
    CxData left("<left/>", 7);
    EXPECT_TRUE(first.WriteInfoFile("config.xml", left, CxDate()));
    EXPECT_EQ(Read(info / "config.xml"), "<left/>");
    fs::remove_all(info / ".config.xml.part");

    const std::string bodies[] = {std::string(20000, 'a'), std::string(30000, 'b')};
    int failures[2] = {0, 0};
    const auto write = [&](DxCache& ioCache, int inWriter)
    {
        for (int round = 0; round < 200; ++round)
        {
            CxData data(bodies[inWriter].data(), CxUint32(bodies[inWriter].size()));
            failures[inWriter] += ioCache.WriteInfoFile("config.xml", data, CxDate()) ? 0 : 1;
        }
    };
    std::thread other([&] { write(second, 1); });
    write(first, 0);
    other.join();
    EXPECT_EQ(failures[0], 0);
    EXPECT_EQ(failures[1], 0);
    const std::string stored = Read(info / "config.xml");
    EXPECT_TRUE(stored == bodies[0] || stored == bodies[1]) << stored.size();
    for (const auto& entry : fs::directory_iterator(info))
        EXPECT_EQ(entry.path().filename(), "config.xml");
}

} // namespace
