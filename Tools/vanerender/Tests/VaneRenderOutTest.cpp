// Where the pictures go and what they are called, whatever folder name a user types; the demo data of whichever
// checkout holds the documents; and a run stopped by a signal while it waits for data.
#include "LoopbackServer.h"
#include "TestSupport.h"
#include "VaneRender.h"
#include "VaneRenderRun.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

namespace
{

using namespace vanerun;

const fs::path kDemo = fs::path(SKYVANE_SOURCE_DIR) / "Products" / "Skyvane" / "Demo";

class VaneRenderOut : public ::testing::Test
{
protected:
    fs::path Folder() const { return fs::canonical(mHome.Path()); }

    sky::test::TempHome mHome;
};

TEST_F(VaneRenderOut, AnyFolderNameATypedNameReaches)
{
    Write(Folder() / "map.vanedoc", Document(""));
    fs::create_directories(Folder() / "sub" / "deeper");
    const struct
    {
        std::string mOut;
        const char* mFrom; // the folder the tool runs in, under the test's
        fs::path mLands;   // under the test's folder
    } cases[] = {
        {"./pictures", ".", "pictures"},
        {"sub/../pictures", ".", "pictures"},
        {"x/.", ".", "x"},
        {"x/./y/", ".", "x/y"},
        {"../y/x", "sub", "y/x"},
        {"../../z", "sub/deeper", "z"},
        {(Folder() / "a" / "." / "b" / ".." / "c").string(), ".", "a/c"},
        {".", ".", "."},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mOut);
        const fs::path picture = (Folder() / c.mLands / "map.png").lexically_normal();
        fs::remove(picture);
        const Outcome run = Render("'" + (Folder() / "map.vanedoc").string() + "' --size 64x48 --out '" + c.mOut + "'",
                                   Folder() / c.mFrom);
        EXPECT_EQ(run.mStatus, 0) << run.mOut << run.mErr;
        EXPECT_GT(fs::exists(picture) ? fs::file_size(picture) : 0, 0u);
        EXPECT_NE(run.mOut.find("Picture: " + picture.string() + "\n"), std::string::npos) << run.mOut;
    }
}

// One name for two documents: the later takes the first name no picture of the run has, each said.
TEST_F(VaneRenderOut, SameNamesLoseNoPicture)
{
    Write(Folder() / "a" / "map.vanedoc", Document("", "#FF0000FF"));
    Write(Folder() / "b" / "map-2.vanedoc", Document("", "#00FF00FF"));
    Write(Folder() / "c" / "map.vanedoc", Document("", "#0000FFFF"));
    Write(Folder() / "d" / "map.vanedoc", Document("", "#FFFF00FF"));
    const Outcome run =
        Render("a/map.vanedoc b/map-2.vanedoc c/map.vanedoc d/map.vanedoc --size 64x48 --out out", Folder());
    EXPECT_EQ(run.mStatus, 0) << run.mOut << run.mErr;
    std::set<std::string> pictures;
    for (const char* name : {"map.png", "map-2.png", "map-3.png", "map-4.png"})
    {
        const fs::path picture = Folder() / "out" / name;
        EXPECT_NE(run.mOut.find("Picture: " + picture.string() + "\n"), std::string::npos) << name << run.mOut;
        pictures.insert(Slurp(picture));
    }
    EXPECT_EQ(pictures.size(), 4u) << "a picture was drawn over another";
    EXPECT_FALSE(fs::exists(Folder() / "out" / "map-5.png"));
}

// A picture that cannot be written is said with the error's class, leaves nothing under its name or beside it and
// stops no later document: one larger than the files the run may write (2 KB; the picture is about 5), one whose
// name a folder holds.
TEST_F(VaneRenderOut, APictureThatCannotBeWrittenIsAFailure)
{
    Write(Folder() / "full.vanedoc", Document(""));
    Write(Folder() / "fine.vanedoc", Document(""));
    fs::create_directories(Folder() / "out");
    Outcome run = Render("full.vanedoc --size 1024x768 --out out", Folder(), "trap '' XFSZ && prlimit --fsize=2048 --");
    EXPECT_EQ(run.mStatus, kVaneFailed) << run.mOut << run.mErr;
    EXPECT_NE(run.mErr.find("full.png: the picture could not be written (CxErrorFileIO: "), std::string::npos)
        << run.mErr;
    EXPECT_TRUE(fs::is_empty(Folder() / "out"));

    fs::create_directories(Folder() / "out" / "full.png");
    run = Render("full.vanedoc fine.vanedoc --size 64x48 --out out", Folder());
    EXPECT_EQ(run.mStatus, kVaneFailed) << run.mOut << run.mErr;
    EXPECT_NE(run.mErr.find("full.png: the picture could not be written (Is a directory)"), std::string::npos)
        << run.mErr;
    EXPECT_TRUE(fs::is_empty(Folder() / "out" / "full.png"));
    EXPECT_GT(fs::file_size(Folder() / "out" / "fine.png"), 0u);
    EXPECT_EQ(std::distance(fs::directory_iterator(Folder() / "out"), fs::directory_iterator()), 2);
}

// A copy of the demo folder in any checkout is served for its documents; elsewhere no server, and the reason.
TEST_F(VaneRenderOut, ServesTheDemoFolderTheDocumentsAreIn)
{
    const fs::path demo = Folder() / "x" / "Products" / "Skyvane" / "Demo";
    fs::create_directories(demo);
    fs::copy(kDemo / "natural-earth", demo / "natural-earth", fs::copy_options::recursive);
    Write(demo / "maps" / "outlines.vanedoc", Document(kOutlines));
    fs::create_directory_symlink(demo / "maps", Folder() / "linked");
    Write(Folder() / "elsewhere.vanedoc", Document(""));
    const struct
    {
        std::string mArguments;
        int mStatus;
        std::string mSaid;
    } cases[] = {
        {"x/Products/Skyvane/Demo/maps/outlines.vanedoc", 0, "serving " + demo.string() + " at http://127.0.0.1:"},
        // By the real path: a link to the folder is the folder.
        {"linked/outlines.vanedoc", 0, "serving " + demo.string() + " at http://127.0.0.1:"},
        {"elsewhere.vanedoc", 0, "no data server: elsewhere.vanedoc is in no Products/Skyvane/Demo folder"},
        {"linked/outlines.vanedoc '" + (kDemo / "europe-pressure.vanedoc").string() + "' --timeout 2", kVaneNoData,
         "no data server: the documents are in two demo folders"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mArguments);
        const Outcome run =
            Render(c.mArguments + " --size 64x48 --out out", Folder(), "env -u SKYVANE_SERVER_REGISTRY");
        EXPECT_EQ(run.mStatus, c.mStatus) << run.mOut << run.mErr;
        EXPECT_NE(run.mOut.find(c.mSaid), std::string::npos) << run.mOut;
    }
}

// Stopped while it waits for a server that never answers: the transfers end, the scratch folder goes, and the
// run ends by the signal.
TEST_F(VaneRenderOut, ASignalLeavesNothingBehind)
{
    sky::test::LoopbackServer silent;
    silent.AddDocument("/nimbrel/registry.php", 200, "text/xml", "").NeverAnswer();
    Write(Folder() / "wait.vanedoc", Document(kOutlines));
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
    {
        SCOPED_TRACE(sigabbrev_np(signal));
        const fs::path tmp = Folder() / "tmp";
        fs::create_directories(tmp);
        silent.ClearLog();
        const std::string err = (Folder() / "stderr.txt").string();
        std::vector<std::string> environment = {"TMPDIR=" + tmp.string(), "SKYVANE_SERVER_REGISTRY=" + silent.Base()};
        for (char** variable = environ; *variable != nullptr; ++variable)
            if (std::strncmp(*variable, "TMPDIR=", 7) != 0 &&
                std::strncmp(*variable, "SKYVANE_SERVER_REGISTRY=", 24) != 0)
                environment.emplace_back(*variable);
        std::vector<char*> envp;
        for (std::string& variable : environment)
            envp.push_back(variable.data());
        envp.push_back(nullptr);
        const char* const arguments[] = {VANERENDER, "wait.vanedoc", "--size", "64x48", "--out",
                                         "out",      "--timeout",    "120",    nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addchdir_np(&actions, Folder().c_str());
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t child = 0;
        const int spawned =
            posix_spawn(&child, VANERENDER, &actions, nullptr, const_cast<char* const*>(arguments), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        ASSERT_EQ(spawned, 0);
        ASSERT_GT(child, 0);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (silent.RequestCount() == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_GT(silent.RequestCount(), 0u);
        kill(child, signal);
        int status = 0;
        pid_t done = 0;
        while ((done = waitpid(child, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (done == 0)
        {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            ADD_FAILURE() << "still running a minute after the signal";
        }
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status << "\n" << Slurp(err);
        EXPECT_NE(Slurp(err).find(std::string("stopped by SIG") + sigabbrev_np(signal)), std::string::npos);
        EXPECT_TRUE(fs::is_empty(tmp)) << fs::directory_iterator(tmp)->path();
        fs::remove_all(tmp);
    }
}

} // namespace
