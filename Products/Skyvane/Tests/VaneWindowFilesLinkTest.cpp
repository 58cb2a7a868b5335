// fxui-render through links: the file a chain ends at is replaced whole, so a write cut part-way leaves it as it
// was; a FIFO, a descriptor or a dangling link still takes the picture where it leads.
#include "TestSupport.h"
#include "VaneWindowFiles.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace
{

namespace fs = std::filesystem;

using vanewindows::Slurp;

ino_t Inode(const fs::path& inPath)
{
    struct stat file = {};
    return stat(inPath.c_str(), &file) == 0 ? file.st_ino : 0;
}

// The about window written to inOut by a child with files cut at inLimit bytes (0: none) and SIGXFSZ ignored, its
// standard output on inStdout when given; its exit status.
int Render(const fs::path& inOut, rlim_t inLimit = 0, int inStdout = -1)
{
    const pid_t child = fork();
    if (child == 0)
    {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{inLimit, inLimit};
        if ((inLimit == 0 || setrlimit(RLIMIT_FSIZE, &limit) == 0) && (inStdout < 0 || dup2(inStdout, 1) == 1))
            execl(FXUI_RENDER, FXUI_RENDER, vanewindows::kInterfaceFile.c_str(), "AboutWindow", inOut.c_str(), nullptr);
        _exit(127);
    }
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(VaneWindowFilesLinks, ATargetIsReplacedWholeOrLeftWholeAndOtherEndsTakeThePicture)
{
    const sky::test::TempHome home;
    const fs::path folder = fs::canonical(home.Path()), picture = folder / "pictures" / "about.png";
    fs::create_directories(folder / "pictures");
    fs::create_directories(folder / "links");
    ASSERT_EQ(Render(picture), 0);
    const std::string bytes = Slurp(picture);
    ASSERT_GT(bytes.size(), 4096u);
    fs::permissions(picture, fs::perms(0640));
    fs::create_symlink(picture, folder / "link.png");
    fs::create_symlink("../pictures/about.png", folder / "links" / "b");
    fs::create_symlink("links/b", folder / "a");
    for (const auto& [name, limit, status, replaced] :
         {std::tuple{"link.png", 4096, 1, false}, {"link.png", 0, 0, true}, {"a", 0, 0, true}})
    {
        SCOPED_TRACE(std::string(name) + " " + std::to_string(limit));
        const ino_t before = Inode(picture);
        EXPECT_EQ(Render(folder / name, rlim_t(limit)), status);
        EXPECT_TRUE(fs::is_symlink(folder / name) && fs::is_symlink(folder / "links" / "b"));
        EXPECT_EQ(Inode(picture) != before, replaced);
        EXPECT_TRUE(Slurp(picture) == bytes);
        EXPECT_EQ(fs::status(picture).permissions(), fs::perms(0640));
        EXPECT_EQ(std::distance(fs::directory_iterator(folder / "pictures"), fs::directory_iterator()), 1);
    }

    // Guards: a dangling link makes its target; a link to a FIFO, and one shaped as /dev/stdout (to a descriptor's
    // link) with descriptor 1 on a file of ours, write through.
    fs::create_symlink("made.png", folder / "dangling.png");
    EXPECT_EQ(Render(folder / "dangling.png"), 0);
    EXPECT_TRUE(fs::is_symlink(folder / "dangling.png") && Slurp(folder / "made.png") == bytes);
    ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0600), 0);
    fs::create_symlink("fifo", folder / "pipe.png");
    const int reader = open((folder / "fifo").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    const int out = open((folder / "out.png").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    EXPECT_EQ(Render(folder / "pipe.png"), 0);
    fs::create_symlink("/proc/self/fd/1", folder / "stdout");
    EXPECT_EQ(Render(folder / "stdout", 0, out), 0);
    EXPECT_TRUE(fs::is_symlink(folder / "stdout"));
    std::string piped(bytes.size() + 1, '\0'), written(bytes.size() + 1, '\0');
    pollfd ready{reader, POLLIN, 0};
    piped.resize(
        poll(&ready, 1, 2000) == 1 ? std::size_t(std::max<ssize_t>(read(reader, piped.data(), piped.size()), 0)) : 0);
    written.resize(std::size_t(std::max<ssize_t>(pread(out, written.data(), written.size(), 0), 0)));
    close(reader);
    close(out);
    EXPECT_TRUE(piped == bytes && written == bytes) << piped.size() << " " << written.size();
}

} // namespace
