// The bounds of --size and --timeout as the usage text gives them (each side 1 to 16384 pixels, 1 to 3600
// seconds), read in the process and on the tool's command line: inside them a run starts, outside them it is a
// usage error that says which option.
#include "TestSupport.h"
#include "VaneRender.h"
#include "VaneRenderRun.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

using namespace vanerun;

struct OptionRow
{
    const char* mName;
    const char* mOption;
    const char* mValue;
    const char* mProblem; // what the tool says is wrong; empty: the value is read
    int mRead;            // the side or the seconds read
};

std::ostream& operator<<(std::ostream& ioStream, const OptionRow& inRow)
{
    return ioStream << inRow.mOption << " " << inRow.mValue;
}

std::string OptionRowName(const testing::TestParamInfo<OptionRow>& inInfo)
{
    return inInfo.param.mName;
}

const char* const kSize = "--size wants WIDTHxHEIGHT in pixels, each 1 to 16384";
const char* const kTimeout = "--timeout wants whole seconds, 1 to 3600";

class VaneRenderOptions : public testing::TestWithParam<OptionRow>
{
protected:
    fs::path Folder() const { return fs::canonical(mHome.Path()); }

    sky::test::TempHome mHome;
};

TEST_P(VaneRenderOptions, WithinTheDocumentedBounds)
{
    const OptionRow& row = GetParam();
    const bool size = std::string(row.mOption) == "--size";
    const std::string problem = row.mProblem;

    VaneOptions options;
    EXPECT_EQ(VaneParseOptions({"map.vanedoc", row.mOption, row.mValue}, options), problem);
    if (problem.empty())
    {
        // A square size reads its side for both; the other option keeps its default.
        EXPECT_EQ(options.mWidth, size ? row.mRead : VaneOptions().mWidth);
        EXPECT_EQ(options.mHeight, size ? row.mRead : VaneOptions().mHeight);
        EXPECT_EQ(options.mTimeout, size ? VaneOptions().mTimeout : row.mRead);
    }

    // The tool: with --help a value it reads only shows the usage text.
    const Outcome run = Render(std::string(row.mOption) + " '" + row.mValue + "' --help", Folder());
    EXPECT_EQ(run.mStatus, problem.empty() ? kVaneDone : kVaneUsage) << run.mOut << run.mErr;
    if (problem.empty())
        EXPECT_EQ(run.mOut, VaneUsage());
    else
        EXPECT_EQ(run.mErr, "vanerender: " + problem + "\n" + VaneUsage());
}

const OptionRow kRows[] = {
    {"size_least", "--size", "1x1", "", 1},
    {"size_most", "--size", "16384x16384", "", 16384},
    {"size_no_height", "--size", "100x0", kSize, 0},
    {"size_negative_height", "--size", "100x-5", kSize, 0},
    {"size_no_width", "--size", "0x100", kSize, 0},
    {"size_negative_width", "--size", "-5x100", kSize, 0},
    {"size_too_wide", "--size", "16385x100", kSize, 0},
    {"size_too_tall", "--size", "100x16385", kSize, 0},
    {"size_unit", "--size", "100x100px", kSize, 0},
    {"size_one_number", "--size", "100", kSize, 0},
    {"timeout_least", "--timeout", "1", "", 1},
    {"timeout_most", "--timeout", "3600", "", 3600},
    {"timeout_zero", "--timeout", "0", kTimeout, 0},
    {"timeout_negative", "--timeout", "-1", kTimeout, 0},
    {"timeout_over", "--timeout", "3601", kTimeout, 0},
    {"timeout_unit", "--timeout", "1s", kTimeout, 0},
};

INSTANTIATE_TEST_SUITE_P(Rows, VaneRenderOptions, testing::ValuesIn(kRows), OptionRowName);

} // namespace
