// The demo page left open for an hour of the test browser's virtual clock, against the bundled data server, whose
// registry answers 200 with the same body every time (as a script does): the maps keep their data through every
// configuration refresh, and the data log shows each file downloaded once, kept fresh by conditional requests.
#include "VaneDemoLog.h"
#include "VaneDemoRun.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;
using namespace vanedemo;

const char* const kSets[] = {"europe-qff", "natural-earth", "kbmx-nexrad3"};
// A radar echo near Birmingham at the start-up view (demo.vhs has it from the expectations' generator) and a dash
// of the 1012 hPa isobar over the Baltic.
const char* const kExpectations = "expect-pixel radar 318 215 #01C501 4\nexpect-pixel europe 482 228 #1A3D8F 4\n";

// 60 minutes a minute at a time, both maps checked after each quarter's refresh. The registry is asked at start and
// once a quarter (the dates follow the script's clock), the files are kept fresh by requests answered 304 (hole
// collection every 5 minutes), and no refresh deletes a file or downloads it again.
TEST(VaneDemoHour, RefreshesKeepTheDataDrawnAndEachFileIsDownloadedOnce)
{
    std::string script = "settle 500 max=120\n# the page settled\n" + std::string(kExpectations);
    for (int minute = 1; minute <= 60; ++minute)
    {
        script += "run 60000\nsettle 500 max=120\n";
        if (minute % 15 == 0)
            script += "# minute " + std::to_string(minute) + ", after the refresh\n" + kExpectations;
    }
    const fs::path folder = Folder("vane-demo-hour");
    const PageRun run = RunPage(script, folder);
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.err.find("expected #"), std::string::npos) << run.err;

    const std::vector<Line> lines = Lines(run.log);
    for (const char* id : kSets)
    {
        SCOPED_TRACE(id);
        const std::vector<int> times = RegistryTimes(lines, id);
        ASSERT_EQ(times.size(), 5u) << run.log;
        for (std::size_t i = 1; i < times.size(); ++i)
            EXPECT_NEAR(times[i] - times[i - 1], 900, 60) << i;
    }
    std::map<std::string, int> downloads;
    int notModified = 0;
    std::size_t lastRequest = 0;
    for (std::size_t i = 0; i < lines.size(); ++i)
    {
        if (lines[i].verb != "Delete:")
            lastRequest = i;
        if (lines[i].data)
        {
            downloads[lines[i].url] += lines[i].status == 200;
            notModified += lines[i].status == 304;
        }
    }
    EXPECT_GT(notModified, 0) << run.log;
    EXPECT_EQ(downloads.size(), 4u) << run.log; // the pressures, the outlines, and the radar's two products
    for (const auto& [url, count] : downloads)
        EXPECT_EQ(count, 1) << url;
    // Files are deleted only as the page closes, after the last request.
    std::vector<std::size_t> early;
    for (std::size_t i = 0; i < lastRequest; ++i)
        if (lines[i].verb == "Delete:")
            early.push_back(i);
    EXPECT_TRUE(early.empty()) << early.size() << " files deleted before the last request:\n" << run.log;
    if (!testing::Test::HasFailure())
        fs::remove_all(folder);
}

// The plug-in's dates move with the script's clock: the refresh due 900 s after start comes after "run 900000",
// and the data log dates it 900 s after the first.
TEST(VaneDemoHour, ThePluginsDatesFollowTheScriptsClock)
{
    const fs::path folder = Folder("vane-demo-quarter");
    const PageRun run = RunPage("settle 500 max=120\nrun 900000\nsettle 500 max=120\n", folder);
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    const std::vector<Line> lines = Lines(run.log);
    for (const char* id : kSets)
    {
        SCOPED_TRACE(id);
        const std::vector<int> times = RegistryTimes(lines, id);
        ASSERT_EQ(times.size(), 2u) << run.log;
        EXPECT_GE(times[1], 899);
        EXPECT_LE(times[1], 902);
    }
    if (!testing::Test::HasFailure())
        fs::remove_all(folder);
}

} // namespace
