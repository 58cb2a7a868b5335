// The demo page run twice with one home, as scripts/run does: the second run's plug-in revalidates what the first
// cached, and must still get this run's data server, so both runs meet every expectation of the script.
#include "VaneDemoRun.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

namespace
{

namespace fs = std::filesystem;
using namespace vanedemo;

TEST(VaneDemoPageTwice, TheSecondRunWithOneHomeShowsTheData)
{
    const fs::path folder = fs::path(testing::TempDir()) / ("vane-demo-twice-" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::string firstPage;
    for (const char* run : {"first", "second"})
    {
        SCOPED_TRACE(std::string("the ") + run + " run");
        const Outcome outcome = Vanehost("'" + (kDemo / "demo.html").string() + "' --home home --out " + run, folder);
        EXPECT_EQ(outcome.status, 0) << outcome.out << outcome.err;
        EXPECT_EQ(outcome.err.find("expected #"), std::string::npos) << outcome.err;
        const std::string page = Slurp(folder / run / "demo-01-page.png");
        EXPECT_FALSE(page.empty());
        if (firstPage.empty())
            firstPage = page;
        else
            EXPECT_TRUE(page == firstPage) << "the settled page differs from the first run's";
    }
    if (!HasFailure())
        fs::remove_all(folder);
}

} // namespace
