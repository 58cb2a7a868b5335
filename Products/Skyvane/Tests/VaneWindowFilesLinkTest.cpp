// fxui-render through links: the file a chain ends at is replaced whole, so a write cut part-way leaves it as it
// was, with its owner and group; a FIFO, a descriptor, a dangling link, a file with other hard links or one whose
// owner the caller cannot give still takes the picture where it leads.
#include "TestSupport.h"
#include "VaneWindowFiles.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <tuple>

namespace
{

namespace fs = std::filesystem;

using vanewindows::Slurp;

constexpr uid_t kNobody = 65534;
// A child run as nobody exits so when nobody cannot run the tool or reach the folder its picture goes to.
constexpr int kNobodyCannot = 77;

struct stat Stat(const fs::path& inPath)
{
    struct stat file = {};
    stat(inPath.c_str(), &file);
    return file;
}

ino_t Inode(const fs::path& inPath)
{
    return Stat(inPath).st_ino;
}

// Dropped to uid and gid nobody with no other group, and able to run the tool, read the interface file and write
// into inFolder.
bool BecomeNobody(const fs::path& inFolder)
{
    std::string said;
    return setgroups(0, nullptr) == 0 && setresgid(kNobody, kNobody, kNobody) == 0 &&
           setresuid(kNobody, kNobody, kNobody) == 0 && getuid() == kNobody && getgid() == kNobody &&
           getgroups(0, nullptr) == 0 && vanewindows::RunTool("--help", said) == 0 &&
           access(vanewindows::kInterfaceFile.c_str(), R_OK) == 0 && access(inFolder.c_str(), W_OK | X_OK) == 0;
}

// The about window written to inOut by a child with files cut at inLimit bytes (0: none) and SIGXFSZ ignored, its
// standard output on inStdout when given, run as nobody when asked; its exit status.
int Render(const fs::path& inOut, rlim_t inLimit = 0, int inStdout = -1, bool inAsNobody = false)
{
    const pid_t child = fork();
    if (child == 0)
    {
        if (inAsNobody && !BecomeNobody(inOut.parent_path()))
            _exit(kNobodyCannot);
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

    // A file with another hard link is written through, so the other name holds the picture too.
    fs::create_directories(folder / "twins");
    std::ofstream(folder / "twins" / "one.png") << "old";
    fs::create_hard_link(folder / "twins" / "one.png", folder / "twins" / "two.png");
    fs::create_symlink("twins/one.png", folder / "twin.png");
    const ino_t twin = Inode(folder / "twins" / "one.png");
    EXPECT_EQ(Render(folder / "twin.png"), 0);
    EXPECT_EQ(Inode(folder / "twins" / "one.png"), twin);
    EXPECT_TRUE(Slurp(folder / "twins" / "two.png") == bytes);

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

// Root gives the fresh file the old owner and group; nobody cannot, so its picture goes through the link instead.
TEST(VaneWindowFilesLinks, ALinksFileKeepsItsOwnerAndGroup)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to give files to nobody";
    const sky::test::TempHome home;
    const fs::path folder = fs::canonical(home.Path()), shared = folder / "shared";
    fs::create_directories(shared);
    for (const char* name : {"nobody.png", "root.png", "own.png"})
    {
        ASSERT_EQ(Render(shared / name), 0);
        fs::create_symlink(name, shared / ("to-" + std::string(name)));
    }
    if (chown((shared / "nobody.png").c_str(), kNobody, kNobody) != 0 ||
        chown((shared / "own.png").c_str(), kNobody, 0) != 0)
        GTEST_SKIP() << "root cannot give files away here: " << std::strerror(errno);
    fs::permissions(shared / "nobody.png", fs::perms(0640));
    fs::permissions(shared / "root.png", fs::perms(0666));
    fs::permissions(shared / "own.png", fs::perms(0644));

    const ino_t given = Inode(shared / "nobody.png");
    EXPECT_EQ(Render(shared / "to-nobody.png"), 0);
    const struct stat kept = Stat(shared / "nobody.png");
    EXPECT_NE(kept.st_ino, given);
    EXPECT_EQ(kept.st_uid, kNobody);
    EXPECT_EQ(kept.st_gid, kNobody);
    EXPECT_EQ(kept.st_mode & 07777, 0640u);

    // Opened only now: nobody finds every file made. No sticky bit, which would refuse the rename on its own.
    fs::permissions(shared, fs::perms(0777));
    fs::permissions(folder, fs::perms(0711));
    for (const auto& [name, uid, gid] : {std::tuple{"root.png", 0u, 0u}, {"own.png", kNobody, 0u}})
    {
        SCOPED_TRACE(name);
        const ino_t before = Inode(shared / name);
        const int status = Render(shared / ("to-" + std::string(name)), 0, -1, true);
        if (status == kNobodyCannot)
            GTEST_SKIP() << "nobody cannot run fxui-render or reach " << shared;
        EXPECT_EQ(status, 0);
        const struct stat after = Stat(shared / name);
        EXPECT_EQ(after.st_ino, before);
        EXPECT_EQ(after.st_uid, uid);
        EXPECT_EQ(after.st_gid, gid);
        EXPECT_EQ(std::distance(fs::directory_iterator(shared), fs::directory_iterator()), 6);
    }
}

} // namespace
