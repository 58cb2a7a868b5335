// A run asked to stop: while it downloads its document, under a calling shell script, and while it tears down;
// and an in-process call after a stopped one.
#include "CxUrl.h"
#include "LoopbackServer.h"
#include "TestSupport.h"
#include "VaneRender.h"
#include "VaneRenderRun.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <cstring>

namespace
{

using namespace vanerun;
using namespace std::chrono_literals;
using sky::test::LoopbackServer;

const fs::path kDemo = fs::path(SKYVANE_SOURCE_DIR) / "Products" / "Skyvane" / "Demo";

class VaneRenderStop : public ::testing::Test
{
protected:
    void SetUp() override { fs::create_directories(Folder() / "tmp"); }

    fs::path Folder() const { return fs::canonical(mHome.Path()); }
    // The run's own TMPDIR: the scratch folder goes there.
    std::string Tmp() const { return "TMPDIR=" + (Folder() / "tmp").string(); }
    bool NothingLeft() const { return fs::is_empty(Folder() / "tmp"); }
    // A file of the test's folder for a job's output, opened for writing.
    int Output(const char* inName) const
    {
        return open((Folder() / inName).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    }

    sky::test::TempHome mHome;
};

bool DiedOf(int inStatus, int inSignal)
{
    return inStatus != -1 && WIFSIGNALED(inStatus) && WTERMSIG(inStatus) == inSignal;
}

// A document URL whose server accepts and never answers, a signal a second into the download: the run ends within
// two seconds of it, by it, and the reason is the stop, not a time-out.
TEST_F(VaneRenderStop, ASignalEndsADocumentDownloadAtOnce)
{
    LoopbackServer silent;
    silent.AddDocument("/silent.vanedoc", 200, "text/xml", Document("")).NeverAnswer();
    const std::string url = silent.Url("/silent.vanedoc");
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
    {
        SCOPED_TRACE(sigabbrev_np(signal));
        silent.ClearLog();
        const int out = Output("stdout.txt"), err = Output("stderr.txt");
        const auto started = std::chrono::steady_clock::now();
        const pid_t job = StartJob({VANERENDER, url, "--size", "64x48", "--out", "out", "--timeout", "15"}, Folder(),
                                   {Tmp()}, out, err);
        close(out);
        close(err);
        ASSERT_GT(job, 0);
        EXPECT_TRUE(WaitUntil([&] { return silent.RequestCount() > 0; }, 30s));
        std::this_thread::sleep_until(std::max(started + 1s, std::chrono::steady_clock::now()));
        const auto signalled = std::chrono::steady_clock::now();
        kill(job, signal);
        const int status = AwaitJob(job, 60s);
        const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - signalled).count();
        EXPECT_LT(took, 2.0) << "seconds from the signal to the end";
        const std::string said = Slurp(Folder() / "stderr.txt");
        EXPECT_TRUE(DiedOf(status, signal)) << status << "\n" << said;
        EXPECT_NE(said.find("vanerender: " + url + ": stopped\n"), std::string::npos) << said;
        EXPECT_EQ(said.find("imed out"), std::string::npos) << said;
        EXPECT_TRUE(NothingLeft());
    }
}

// A shell script that carries on after a failed run stops on Ctrl-C as on any program's: the terminal signals the
// whole job, and vanerender dies of the signal, so the shell does too.
TEST_F(VaneRenderStop, ACallingScriptStopsWithTheSignal)
{
    LoopbackServer silent;
    silent.AddDocument("/nimbrel/registry.php", 200, "text/xml", "").NeverAnswer();
    Write(Folder() / "wait.vanedoc", Document(kOutlines));
    const int out = Output("stdout.txt"), err = Output("stderr.txt");
    const pid_t job = StartJob(
        {"bash", "-c", "\"$0\" wait.vanedoc --size 64x48 --out out --timeout 120 || s=$?; echo continued", VANERENDER},
        Folder(), {Tmp(), "SKYVANE_SERVER_REGISTRY=" + silent.Base()}, out, err);
    close(out);
    close(err);
    ASSERT_GT(job, 0);
    EXPECT_TRUE(WaitUntil([&] { return silent.RequestCount() > 0; }, 60s));
    kill(-job, SIGINT);
    const int status = AwaitJob(job, 60s);
    EXPECT_TRUE(DiedOf(status, SIGINT)) << status << "\n" << Slurp(Folder() / "stderr.txt");
    EXPECT_EQ(Slurp(Folder() / "stdout.txt").find("continued"), std::string::npos);
    EXPECT_NE(Slurp(Folder() / "stderr.txt").find("vanerender: stopped by SIGINT"), std::string::npos);
    EXPECT_TRUE(NothingLeft());
}

// scripts/run with no document, its programs stand-ins (vanerender itself, and a page that leaves a mark): Ctrl-C
// during the maps ends it there, the page never opened.
TEST_F(VaneRenderStop, TheRunScriptStopsAfterTheMaps)
{
    const fs::path page = Folder() / "page.sh";
    Write(page, "#!/bin/sh\necho opened > '" + (Folder() / "page-opened").string() + "'\n");
    fs::permissions(page, fs::perms::owner_all);
    const int out = Output("stdout.txt"), err = Output("stderr.txt");
    const pid_t job = StartJob(
        {"bash", (fs::path(SKYVANE_SOURCE_DIR) / "scripts" / "run").string(), "--size", "64x48", "--timeout", "120"},
        Folder(), {Tmp(), "SKYVANE_RUN_VANERENDER=" VANERENDER, "SKYVANE_RUN_VANEHOST=" + page.string()}, out, err);
    close(out);
    close(err);
    ASSERT_GT(job, 0);
    EXPECT_TRUE(WaitUntil([&] { return Slurp(Folder() / "stdout.txt").find(" serving ") != std::string::npos; }, 60s))
        << Slurp(Folder() / "stdout.txt") << Slurp(Folder() / "stderr.txt");
    kill(-job, SIGINT);
    const int status = AwaitJob(job, 60s);
    const std::string said = Slurp(Folder() / "stdout.txt");
    EXPECT_TRUE(DiedOf(status, SIGINT)) << status << "\n" << said << Slurp(Folder() / "stderr.txt");
    EXPECT_EQ(said.find("run: the demo page"), std::string::npos) << said;
    EXPECT_FALSE(fs::exists(Folder() / "page-opened"));
    EXPECT_TRUE(NothingLeft());
}

// A signal just after the last step, while the run tears down, still finds the handlers: the scratch folder goes
// and the run ends by the signal (or, when the signal came after the end, it ended normally).
TEST_F(VaneRenderStop, ASignalDuringTheTeardownLeavesNothingBehind)
{
    Write(Folder() / "map.vanedoc", Document(""));
    for (const int delay : {0, 1, 2, 3, 5, 7, 10, 15, 20, 30})
    {
        SCOPED_TRACE(std::to_string(delay) + " ms after \"total\"");
        int pipe[2] = {-1, -1};
        ASSERT_EQ(pipe2(pipe, O_CLOEXEC), 0);
        const int err = Output("stderr.txt");
        const pid_t job =
            StartJob({VANERENDER, "map.vanedoc", "--size", "64x48", "--out", "out"}, Folder(), {Tmp()}, pipe[1], err);
        close(pipe[1]);
        close(err);
        ASSERT_GT(job, 0);
        std::string said;
        char chunk[256];
        for (ssize_t got = 0;
             said.find(" total\n") == std::string::npos && (got = read(pipe[0], chunk, sizeof chunk)) > 0;)
            said.append(chunk, std::size_t(got));
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        kill(job, SIGTERM);
        const int status = AwaitJob(job, 60s);
        close(pipe[0]);
        EXPECT_NE(said.find(" total\n"), std::string::npos) << said;
        EXPECT_TRUE(DiedOf(status, SIGTERM) || (WIFEXITED(status) && WEXITSTATUS(status) == 0))
            << status << "\n"
            << Slurp(Folder() / "stderr.txt");
        EXPECT_TRUE(NothingLeft()) << fs::directory_iterator(Folder() / "tmp")->path();
        fs::remove_all(Folder() / "tmp");
        fs::create_directories(Folder() / "tmp");
    }
}

// A stop recorded after an earlier call in this process ended (its transfers' abort flag set) is not the next
// call's: that call fetches its data.
TEST_F(VaneRenderStop, ALaterCallInheritsNoAbortedTransfers)
{
    const fs::path demo = Folder() / "x" / "Products" / "Skyvane" / "Demo";
    fs::create_directories(demo);
    fs::copy(kDemo / "natural-earth", demo / "natural-earth", fs::copy_options::recursive);
    Write(demo / "outlines.vanedoc", Document(kOutlines));
    VaneOptions options;
    options.mDocuments = {(demo / "outlines.vanedoc").string()};
    options.mOut = (Folder() / "out").string();
    options.mWidth = 64;
    options.mHeight = 48;
    options.mTimeout = 20;
    CxUrl::AbortTransfers(true);
    EXPECT_EQ(VaneRender(options), kVaneDone);
    EXPECT_GT(fs::file_size(Folder() / "out" / "outlines.png"), 0u);
}

} // namespace
