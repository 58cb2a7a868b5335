// settle waits for the plug-in's jobs, in real time: a data server of the test's own holds each data reply back
// 300 ms (or never answers), while a CPU-bound child loads the machine.
#include "LoopbackServer.h"
#include "VaneDemoRun.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace
{

namespace fs = std::filesystem;
using namespace vanedemo;

const fs::path kRadar = kDemo / "kbmx-nexrad3";
const std::string kDataPath = "/data/BMX/N0Q/201501020205.nids";
constexpr int kRounds = 20;
constexpr int kSetsPerRound = 20;
constexpr int kRoundsAtOnce = 4;
// An echo near Birmingham at the document's view in a 640 x 480 embed (demo.vhs has it from the expectations'
// generator).
const char* const kEcho = "expect-pixel radar 318 215 #01C501 4\n";

// The demo's radar document with its reflectivity alone, from the named data set.
std::string Document(const std::string& inSet)
{
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<?vanedoc version="1.4d1"?>
<vanedoc>
	<map color="#1E2328FF" date="2015-01-02 02:05:00 UTC" fieldOfView="159.4" mapLon="-86.77" mapLat="33.172" legendVisible="true" legendAlign="left" archiving="false">
		<projection id="lambertConformal">
			<property id="stdLon" type="float" value="-86.77"/>
			<property id="stdLat1" type="float" value="33.172"/>
			<property id="stdLat2" type="float" value="33.172"/>
		</projection>
		<radar name="Reflectivity" dataset=")" +
           inSet + R"(" site="KBMX" product="N0Q" visible="true" alpha="1" selected="false"/>
	</map>
</vanedoc>
)";
}

// Serves the KBMX set under each name given, at /NAME/; its data file answers after inDelayMs, or never.
void ServeSet(sky::test::LoopbackServer& ioServer, const std::string& inSet, int inDelayMs, bool inNeverAnswer)
{
    std::string config = Slurp(kRadar / "info" / "config.xml");
    const std::string base = "@BASE@/kbmx-nexrad3/";
    config.replace(config.find(base), base.size(), "@BASE@/" + inSet + "/");
    ioServer.AddDocument("/nimbrel/registry.php?id=" + inSet, 200, "text/xml", config);
    for (const char* info : {"siteinfo.xml", "prodinfo.xml"})
        ioServer.AddDocument("/" + inSet + "/info/" + info, 200, "text/xml", Slurp(kRadar / "info" / info));
    auto data = ioServer.AddDocument("/" + inSet + kDataPath, 200, "image/nids", Slurp(kRadar / kDataPath.substr(1)));
    if (inNeverAnswer)
        data.NeverAnswer();
    else
        data.Delay(inDelayMs);
}

// A busy loop in a child process for as long as this lives.
class CpuHog
{
public:
    CpuHog()
    {
        const char* argv[] = {"sh", "-c", "while :; do :; done", nullptr};
        if (posix_spawnp(&mPid, "sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
            mPid = -1;
    }
    ~CpuHog()
    {
        if (mPid > 0)
        {
            kill(mPid, SIGKILL);
            waitpid(mPid, nullptr, 0);
        }
    }
    bool Running() const { return mPid > 0; }

private:
    pid_t mPid = -1;
};

fs::path Folder(const std::string& inName)
{
    return fs::path(testing::TempDir()) / ("vane-settle-" + std::to_string(getpid())) / inName;
}

// A fresh folder with the script and a document per named set (NAME.vanedoc).
fs::path Prepare(const std::string& inName, const std::string& inScript, const std::vector<std::string>& inSets)
{
    const fs::path folder = Folder(inName);
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::ofstream(folder / "settle.vhs") << inScript;
    for (const std::string& set : inSets)
        std::ofstream(folder / (set + ".vanedoc")) << Document(set);
    return folder;
}

class VaneSettle : public ::testing::Test
{
protected:
    void SetUp() override { setenv("SKYVANE_SERVER_REGISTRY", mServer.Base().c_str(), 1); }
    void TearDown() override
    {
        unsetenv("SKYVANE_SERVER_REGISTRY");
        if (!HasFailure())
            fs::remove_all(Folder(""));
    }

    sky::test::LoopbackServer mServer;
};

// Each round is a run of its own (caches start empty) that shows twenty embeds in turn, each of another data set,
// each checked right after "settle 200": shorter than one data reply, in virtual time and real.
TEST_F(VaneSettle, SettleWaitsForDataRepliesSlowerThanItsQuietTimeUnderLoad)
{
    std::string script;
    std::vector<std::string> sets;
    for (int set = 1; set <= kSetsPerRound; ++set)
    {
        sets.push_back("radar" + std::to_string(set));
        ServeSet(mServer, sets.back(), 300, false);
        script += "embed radar x=0 y=0 w=640 h=480\nstream radar " + sets.back() + ".vanedoc\nsettle 200\n" + kEcho +
                  "destroy radar\n";
    }
    const CpuHog hog;
    ASSERT_TRUE(hog.Running());
    std::vector<Outcome> outcomes(kRounds);
    for (int first = 0; first < kRounds; first += kRoundsAtOnce)
    {
        std::vector<std::thread> runs;
        for (int round = first; round < std::min(first + kRoundsAtOnce, kRounds); ++round)
        {
            const fs::path folder = Prepare("round" + std::to_string(round), script, sets);
            runs.emplace_back([&outcomes, folder, round]
                              { outcomes[std::size_t(round)] = Vanehost("settle.vhs --home home --out out", folder); });
        }
        for (std::thread& run : runs)
            run.join();
    }
    int passed = 0;
    for (int round = 0; round < kRounds; ++round)
    {
        const Outcome& run = outcomes[std::size_t(round)];
        EXPECT_EQ(run.status, 0) << "round " << round << "\n" << run.out << run.err;
        passed += run.status == 0 ? 1 : 0;
    }
    EXPECT_EQ(passed, kRounds);
    // Every set's data was asked for in every round, each reply held back.
    EXPECT_EQ(mServer.Hits("/radar1" + kDataPath), 2 * kRounds); // the search's HEAD and the download
}

// A reply that never comes keeps settle busy until its bound, which it then reports; the run still ends.
TEST_F(VaneSettle, AReplyThatNeverComesIsStillBusyAtTheBound)
{
    ServeSet(mServer, "hung", 0, true);
    const fs::path folder =
        Prepare("hung", "embed radar x=0 y=0 w=640 h=480\nstream radar hung.vanedoc\nsettle 200 max=1\n", {"hung"});
    const Outcome run = Vanehost("settle.vhs --home home --out out", folder);
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.err.find("vanehost: still busy after 1 s of settling"), std::string::npos) << run.err;
}

} // namespace
