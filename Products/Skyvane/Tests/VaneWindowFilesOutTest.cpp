// fxui-render's picture goes where its output name leads: a file there, or none, or a link's file gives way to a
// whole picture; a device or a FIFO is written through, and a picture that does not get there fails the run.
#include "TestSupport.h"
#include "VaneWindowFiles.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace
{

namespace fs = std::filesystem;

using vanewindows::Slurp;

// fxui-render draws the about window to inOut; its exit status, and what it printed in outSaid.
int Render(const fs::path& inOut, std::string& outSaid)
{
    return vanewindows::RunTool("'" + vanewindows::kInterfaceFile + "' AboutWindow '" + inOut.string() + "'", outSaid);
}

TEST(VaneWindowFilesOut, ThePictureGoesWhereTheNameLeads)
{
    const sky::test::TempHome home;
    const fs::path folder = fs::canonical(home.Path());
    std::ofstream(folder / "file.png") << "old";
    fs::create_hard_link(folder / "file.png", folder / "other.png");
    std::ofstream(folder / "target.png") << "old";
    fs::create_symlink("target.png", folder / "link.png");
    ASSERT_EQ(mkfifo((folder / "fifo.png").c_str(), 0600), 0);
    // Opened first, and without waiting for a writer: the picture, a few kilobytes, then fits the pipe.
    const int reader = open((folder / "fifo.png").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    for (const char* name : {"absent.png", "file.png", "link.png", "fifo.png"})
    {
        std::string said;
        EXPECT_EQ(Render(folder / name, said), 0) << said;
    }
    const std::string picture = Slurp(folder / "absent.png");
    EXPECT_EQ(picture.rfind("\x89PNG", 0), 0u);
    EXPECT_EQ(Slurp(folder / "file.png"), picture);
    EXPECT_EQ(Slurp(folder / "other.png"), "old");
    EXPECT_EQ(Slurp(folder / "target.png"), picture);
    EXPECT_TRUE(fs::is_symlink(folder / "link.png"));
    EXPECT_TRUE(fs::is_fifo(folder / "fifo.png"));
    pollfd ready{reader, POLLIN, 0};
    std::string got(1 << 16, '\0');
    const ssize_t size = poll(&ready, 1, 2000) == 1 ? read(reader, got.data(), got.size()) : 0;
    got.resize(std::size_t(std::max<ssize_t>(size, 0)));
    close(reader);
    EXPECT_EQ(got, picture);
}

// A link to a device of our own made as /dev/full is (character 1, 7): written through, the device's refusal said.
TEST(VaneWindowFilesOut, ALinkToAFullDeviceFailsTheRun)
{
    const sky::test::TempHome home;
    const fs::path folder = fs::canonical(home.Path()), node = folder / "full";
    if (mknod(node.c_str(), S_IFCHR | 0600, makedev(1, 7)) != 0)
        GTEST_SKIP() << "cannot make a device node here: " << std::strerror(errno);
    const int device = open(node.c_str(), O_WRONLY | O_CLOEXEC);
    if (device < 0)
        GTEST_SKIP() << "a device node here cannot be opened (a nodev mount?): " << std::strerror(errno);
    close(device);
    fs::create_symlink("full", folder / "full.png");
    std::string said;
    EXPECT_EQ(Render(folder / "full.png", said), 1);
    EXPECT_NE(said.find("No space left on device"), std::string::npos) << said;
    EXPECT_TRUE(fs::is_symlink(folder / "full.png") && fs::is_character_file(node));
}

} // namespace
