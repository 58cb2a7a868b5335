// What stands at a picture's name is replaced by a whole picture, never written through: a link there, other
// runs writing the same name at once. And a document URL answered with anything but 200 is refused with its status.
#include "LoopbackServer.h"
#include "TestSupport.h"
#include "VaneRender.h"
#include "VaneRenderRun.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <set>

namespace
{

using namespace vanerun;
using namespace std::chrono_literals;
using sky::test::LoopbackServer;

const std::string kPlain = Document("", "#FF0000FF");

// A map of gridlines every inDegrees: as quick to draw whatever the spacing, its picture longer the denser they are.
std::string Gridded(const char* inDegrees, const char* inColor)
{
    return Document(std::string("<gridlines color=\"#8090A0FF\" width=\"1\" latInterval=\"") + inDegrees +
                        "\" lonInterval=\"" + inDegrees +
                        "\" startLat=\"20\" endLat=\"50\" startLon=\"-100\" endLon=\"-70\" visible=\"true\" "
                        "alpha=\"1\" selected=\"false\"/>",
                    inColor);
}

class VaneRenderWrite : public ::testing::Test
{
protected:
    fs::path Folder() const { return fs::canonical(mHome.Path()); }

    sky::test::TempHome mHome;
};

std::set<std::string> Names(const fs::path& inFolder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(inFolder))
        names.insert(entry.path().filename().string());
    return names;
}

// A link at the name, to a file outside --out or to none: the link gives way to the picture, its target untouched
// and none made.
TEST_F(VaneRenderWrite, ALinkAtThePicturesNameIsReplacedNotFollowed)
{
    Write(Folder() / "map.vanedoc", kPlain);
    Write(Folder() / "dangling.vanedoc", kPlain);
    Write(Folder() / "outside.png", "not a picture of the run");
    fs::create_directories(Folder() / "out");
    fs::create_symlink("../outside.png", Folder() / "out" / "map.png");
    fs::create_symlink("../nowhere.png", Folder() / "out" / "dangling.png");
    const Outcome run = Render("map.vanedoc dangling.vanedoc --size 64x48 --out out", Folder());
    EXPECT_EQ(run.mStatus, kVaneDone) << run.mOut << run.mErr;
    EXPECT_EQ(Slurp(Folder() / "outside.png"), "not a picture of the run");
    EXPECT_FALSE(fs::exists(fs::symlink_status(Folder() / "nowhere.png")));
    for (const char* name : {"map.png", "dangling.png"})
    {
        SCOPED_TRACE(name);
        const fs::path picture = Folder() / "out" / name;
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(picture)));
        EXPECT_EQ(Slurp(picture).substr(0, 8), "\x89PNG\r\n\x1a\n");
    }
    EXPECT_EQ(Names(Folder() / "out"), (std::set<std::string>{"dangling.png", "map.png"}));
}

// Five runs at once, of two documents of one name into one folder: every run succeeds, and the name then holds one
// of the two pictures whole, nothing else beside it.
TEST_F(VaneRenderWrite, ParallelRunsLeaveOneWholePicture)
{
    Write(Folder() / "a" / "map.vanedoc", Gridded("2", "#00FF00FF"));
    Write(Folder() / "b" / "map.vanedoc", Gridded("6", "#0000FFFF"));
    const Outcome first = Render("a/map.vanedoc --size 2048x1536 --out alone-a", Folder());
    const Outcome second = Render("b/map.vanedoc --size 2048x1536 --out alone-b", Folder());
    ASSERT_EQ(first.mStatus, kVaneDone) << first.mErr;
    ASSERT_EQ(second.mStatus, kVaneDone) << second.mErr;
    const std::set<std::string> wholes = {Slurp(Folder() / "alone-a" / "map.png"),
                                          Slurp(Folder() / "alone-b" / "map.png")};
    ASSERT_EQ(wholes.size(), 2u);
    ASSERT_NE(Slurp(Folder() / "alone-a" / "map.png").size(), Slurp(Folder() / "alone-b" / "map.png").size());

    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    for (int round = 0; round < 4; ++round)
    {
        SCOPED_TRACE("round " + std::to_string(round));
        std::vector<pid_t> jobs;
        for (const char* document :
             {"a/map.vanedoc", "b/map.vanedoc", "a/map.vanedoc", "b/map.vanedoc", "a/map.vanedoc"})
            jobs.push_back(
                StartJob({VANERENDER, document, "--size", "2048x1536", "--out", "out"}, Folder(), {}, null, null));
        for (const pid_t job : jobs)
        {
            ASSERT_GT(job, 0);
            const int status = AwaitJob(job, 120s);
            EXPECT_TRUE(status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == kVaneDone) << status;
        }
        EXPECT_EQ(wholes.count(Slurp(Folder() / "out" / "map.png")), 1u) << "not one whole picture";
        EXPECT_EQ(Names(Folder() / "out"), std::set<std::string>{"map.png"});
    }
    close(null);
}

// A document URL answered with no content, a choice or "not modified" is not an empty document: the run refuses
// it with the status, as it does a 404, even when a body came with it.
TEST_F(VaneRenderWrite, ADocumentUrlAnsweredOtherThan200IsRefused)
{
    LoopbackServer server;
    server.AddDocument("/204.vanedoc", 204, "text/xml", "");
    server.AddDocument("/300.vanedoc", 300, "text/xml", kPlain);
    server.AddDocument("/304.vanedoc", 304, "text/xml", "");
    const struct
    {
        const char* mTarget;
        const char* mSaid;
    } cases[] = {
        {"/204.vanedoc", ": 204 No Content\n"},
        {"/300.vanedoc", ": 300 Multiple Choice"}, // the server's own phrase
        {"/304.vanedoc", ": 304 Not Modified\n"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mTarget);
        const Outcome run = Render("'" + server.Url(c.mTarget) + "' --size 64x48 --out out", Folder());
        EXPECT_EQ(run.mStatus, kVaneUsage) << run.mOut << run.mErr;
        EXPECT_NE(run.mErr.find("vanerender: " + server.Url(c.mTarget) + c.mSaid), std::string::npos) << run.mErr;
        EXPECT_FALSE(fs::exists(Folder() / "out" / (std::string(c.mTarget + 1, 3) + ".png")));
    }
}

} // namespace
