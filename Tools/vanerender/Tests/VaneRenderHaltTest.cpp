// A stop while a map is drawn or its picture written, a signal the caller left ignored, and pictures written where
// /proc cannot be reached or under the longest name a folder takes.
#include "LoopbackServer.h"
#include "PfImage.h"
#include "TestSupport.h"
#include "VaneRender.h"
#include "VaneRenderRun.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <cstdio>
#include <cstring>

namespace
{

using namespace vanerun;
using namespace std::chrono_literals;
using sky::test::LoopbackServer;

// A layer of data first, so a registry that never answers holds the run before it draws.
std::string Layered(int inGridlines)
{
    std::string layers = kOutlines;
    for (int i = 0; i < inGridlines; ++i)
        layers += "<gridlines color=\"#8090A0FF\" width=\"1\" latInterval=\"1\" lonInterval=\"1\" startLat=\"20\" "
                  "endLat=\"50\" startLon=\"-100\" endLon=\"-70\" visible=\"true\" alpha=\"1\" selected=\"false\"/>";
    return Document(layers);
}

bool DiedOf(int inStatus, int inSignal)
{
    return inStatus != -1 && WIFSIGNALED(inStatus) && WTERMSIG(inStatus) == inSignal;
}

double Since(std::chrono::steady_clock::time_point inStart)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - inStart).count();
}

class VaneRenderHalt : public ::testing::Test
{
protected:
    void SetUp() override { fs::create_directories(Folder() / "tmp"); }

    fs::path Folder() const { return fs::canonical(mHome.Path()); }
    int Output(const char* inName) const
    {
        return open((Folder() / inName).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    }

    // The run of map.vanedoc against the registry, signalled once inReady holds; seconds from the signal to its
    // end, its wait status in outStatus.
    template <typename Ready>
    double Stopped(const std::vector<std::string>& inArguments, const LoopbackServer& inRegistry, Ready inReady,
                   int inSignal, int& outStatus)
    {
        const int out = Output("stdout.txt"), err = Output("stderr.txt");
        std::vector<std::string> arguments = {VANERENDER, "map.vanedoc", "--out", "out", "--timeout", "60"};
        arguments.insert(arguments.end(), inArguments.begin(), inArguments.end());
        const pid_t job = StartJob(
            arguments, Folder(),
            {"TMPDIR=" + (Folder() / "tmp").string(), "SKYVANE_SERVER_REGISTRY=" + inRegistry.Base()}, out, err);
        close(out);
        close(err);
        EXPECT_GT(job, 0);
        EXPECT_TRUE(WaitUntil(inReady, 120s)) << Slurp(Folder() / "stdout.txt") << Slurp(Folder() / "stderr.txt");
        const auto signalled = std::chrono::steady_clock::now();
        kill(job, inSignal);
        outStatus = AwaitJob(job, 120s);
        return Since(signalled);
    }

    bool Said(const std::string& inText) const
    {
        return Slurp(Folder() / "stdout.txt").find(inText) != std::string::npos;
    }

    // Nothing in --out, no hidden file either, and the scratch folder gone.
    void ExpectNothingWritten() const
    {
        if (fs::exists(Folder() / "out"))
        {
            EXPECT_TRUE(fs::is_empty(Folder() / "out")) << fs::directory_iterator(Folder() / "out")->path();
        }
        EXPECT_TRUE(fs::is_empty(Folder() / "tmp"));
    }

    // The same document stopped before it is drawn (its registry silent) and while it is drawn or written (no
    // registry, so its layer of data fails at once): the second ends by the signal within 1.5 s more than the first.
    void CheckStopWhileDrawing(const std::vector<std::string>& inArguments, const std::string& inLine,
                               bool inTimed = true)
    {
        LoopbackServer silent;
        silent.AddDocument("/nimbrel/registry.php", 200, "text/xml", "").NeverAnswer();
        int status = -1;
        const double before = Stopped(
            inArguments, silent, [&] { return silent.RequestCount() > 0; }, SIGINT, status);
        EXPECT_TRUE(DiedOf(status, SIGINT)) << status << Slurp(Folder() / "stderr.txt");
        EXPECT_FALSE(Said(" drawn\n"));
        ExpectNothingWritten();

        LoopbackServer none;
        const double during = Stopped(
            inArguments, none, [&] { return Said(inLine); }, SIGINT, status);
        const std::string said = Slurp(Folder() / "stdout.txt");
        EXPECT_TRUE(DiedOf(status, SIGINT)) << status << "\n" << said.substr(0, 2000) << Slurp(Folder() / "stderr.txt");
        if (inTimed)
        {
            EXPECT_LT(during, before + 1.5) << "seconds from the signal to the end; stopped before drawing: " << before;
        }
        else
        {
            std::printf("not timed in this build: %.2f s from the signal to the end, %.2f s stopped before drawing\n",
                        during, before);
        }
        EXPECT_EQ(said.find(" exported\n"), std::string::npos);
        ExpectNothingWritten();
    }

    sky::test::TempHome mHome;
};

// Five hundred layers take seconds to draw: a stop once the data are in (the layer of data said to have none) ends
// the run between two of them.
TEST_F(VaneRenderHalt, ASignalWhileAMapIsDrawnWritesNoPicture)
{
    Write(Folder() / "map.vanedoc", Layered(500));
    CheckStopWhileDrawing({"--size", "1024x768"}, ": no data for \"");
}

// A picture of 8000 x 6000 takes seconds to encode: a stop once it is drawn ends the run between two rows.
TEST_F(VaneRenderHalt, ASignalWhileALargePictureIsWrittenWritesNone)
{
    Write(Folder() / "map.vanedoc", Layered(0));
#if defined(__SANITIZE_THREAD__)
    // The thread sanitizer takes seconds to shadow and release the 192 MB read-back, an allocation no stop divides.
    CheckStopWhileDrawing({"--size", "8000x6000"}, " drawn\n", false);
#else
    CheckStopWhileDrawing({"--size", "8000x6000"}, " drawn\n");
#endif
}

// Started as nohup starts it, SIGHUP ignored: a hang-up neither stops the run nor loses its picture.
TEST_F(VaneRenderHalt, ASignalIgnoredOnEntryStaysIgnored)
{
    Write(Folder() / "map.vanedoc", Layered(200));
    LoopbackServer none;
    const int out = Output("stdout.txt"), err = Output("stderr.txt");
    const pid_t job =
        StartJob({"bash", "-c", "trap '' HUP; exec \"$0\" map.vanedoc --out out --size 256x192", VANERENDER}, Folder(),
                 {"TMPDIR=" + (Folder() / "tmp").string(), "SKYVANE_SERVER_REGISTRY=" + none.Base()}, out, err);
    close(out);
    close(err);
    ASSERT_GT(job, 0);
    EXPECT_TRUE(WaitUntil([&] { return Said(": no data for \""); }, 120s));
    kill(job, SIGHUP);
    const int status = AwaitJob(job, 120s);
    EXPECT_TRUE(status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == kVaneNoData)
        << status << "\n"
        << Slurp(Folder() / "stderr.txt");
    pf::Image picture;
    std::string error;
    EXPECT_TRUE(pf::ReadImageFile((Folder() / "out" / "map.png").string(), picture, error)) << error;
    EXPECT_EQ(picture.mWidth, 256);
}

// The picture's name at the longest a folder takes: its hidden fresh file is cut to fit, the picture is not.
TEST_F(VaneRenderHalt, APictureNameOfTheFoldersLongestIsWritten)
{
    const long longest = pathconf(Folder().c_str(), _PC_NAME_MAX);
    ASSERT_GT(longest, 20);
    const std::string stem(std::size_t(longest) - 4, 'm');
    // The document's own name must fit too: its extension is the shortest.
    Write(Folder() / (stem + ".v"), Document("", "#FF0000FF"));
    const Outcome run = Render(stem + ".v --size 64x48 --out out", Folder());
    EXPECT_EQ(run.mStatus, kVaneDone) << run.mErr;
    pf::Image picture;
    std::string error;
    EXPECT_TRUE(pf::ReadImageFile((Folder() / "out" / (stem + ".png")).string(), picture, error)) << error;
    EXPECT_EQ(picture.mWidth, 64);
    EXPECT_EQ(std::distance(fs::directory_iterator(Folder() / "out"), fs::directory_iterator()), 1);
}

bool Sanitized()
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return true;
#else
    return false;
#endif
}

// In a user and mount namespace with an empty /proc, as a minimal sandbox leaves it: the picture is written whole.
TEST_F(VaneRenderHalt, APictureIsWrittenWithoutProc)
{
    if (Sanitized())
        GTEST_SKIP() << "the sanitizers' runtime reads /proc as the program starts";
    if (std::system("unshare -Urm sh -c 'mount -t tmpfs none /proc' > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "user and mount namespaces are refused here (unshare -Urm)";
    Write(Folder() / "map.vanedoc", Document("", "#FF0000FF"));
    const Outcome run = Render("map.vanedoc --size 64x48 --out out", Folder(),
                               "unshare -Urm sh -c 'mount -t tmpfs none /proc && exec \"$0\" \"$@\"'");
    EXPECT_EQ(run.mStatus, kVaneDone) << run.mOut << run.mErr;
    pf::Image picture;
    std::string error;
    ASSERT_TRUE(pf::ReadImageFile((Folder() / "out" / "map.png").string(), picture, error)) << error;
    EXPECT_EQ(picture.mWidth, 64);
    EXPECT_EQ(picture.mHeight, 48);
    EXPECT_EQ(picture.Pixel(32, 24)[0], 255);
}

} // namespace
