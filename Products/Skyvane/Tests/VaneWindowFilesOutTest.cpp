// fxui-render's picture goes where its output name leads: a file there, or none, gives way to a whole picture; a
// link, a device or a FIFO is written through, and a picture that does not get there fails the run.
#include "TestSupport.h"
#include "VaneWindowFiles.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>

namespace
{

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using vanewindows::RunTool;

std::string Slurp(const fs::path& inPath)
{
    std::ifstream in(inPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int Render(const fs::path& inOut, std::string& outSaid)
{
    return RunTool("'" + vanewindows::kInterfaceFile + "' AboutWindow '" + inOut.string() + "'", outSaid);
}

TEST(VaneWindowFilesOut, ThePictureGoesWhereTheNameLeads)
{
    const sky::test::TempHome home;
    const fs::path folder = fs::canonical(home.Path());
    std::string said;
    ASSERT_EQ(Render(folder / "absent.png", said), 0) << said;
    const std::string picture = Slurp(folder / "absent.png");
    ASSERT_EQ(picture.rfind("\x89PNG", 0), 0u);

    // A file is replaced, not written into: another name of it keeps what it held.
    std::ofstream(folder / "file.png") << "old";
    fs::create_hard_link(folder / "file.png", folder / "other.png");
    EXPECT_EQ(Render(folder / "file.png", said), 0) << said;
    EXPECT_EQ(Slurp(folder / "file.png"), picture);
    EXPECT_EQ(Slurp(folder / "other.png"), "old");

    std::ofstream(folder / "target.png") << "old";
    fs::create_symlink("target.png", folder / "link.png");
    fs::create_symlink("/dev/full", folder / "full.png");
    EXPECT_EQ(Render(folder / "link.png", said), 0) << said;
    EXPECT_EQ(Slurp(folder / "target.png"), picture);
    EXPECT_EQ(Render(folder / "full.png", said), 1) << said;
    EXPECT_NE(said.find("full.png: cannot write"), std::string::npos) << said;
    EXPECT_TRUE(fs::is_symlink(folder / "link.png") && fs::is_symlink(folder / "full.png"));

    // The FIFO's reader is there first; what reaches it is read until the tool ends, for at most a minute.
    const fs::path fifo = folder / "fifo.png";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    auto tool = std::async(std::launch::async, [&] { return Render(fifo, said); });
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    for (bool ended = false; std::chrono::steady_clock::now() < deadline;)
    {
        pollfd ready{reader, POLLIN, 0};
        poll(&ready, 1, 100);
        char buffer[4096];
        for (ssize_t n; (n = read(reader, buffer, sizeof buffer)) > 0;)
            got.append(buffer, std::size_t(n));
        if (ended)
            break;
        ended = tool.wait_for(0s) == std::future_status::ready;
    }
    close(reader);
    EXPECT_EQ(tool.get(), 0) << said;
    EXPECT_EQ(got, picture);
    EXPECT_TRUE(fs::is_fifo(fifo));
}

} // namespace
