// The fxui-render tool, run as a user would.
#include "PfImage.h"
#include "PfSurface.h"
#include "PfTheme.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

using namespace pf;

const std::string kFixture = std::string(SKYVANE_SOURCE_DIR) + "/Frameworks/FaceObjects/Tests/data/All.fxui";

// Exit status and both outputs.
int RunTool(const std::string& inArguments, std::string& outOutput)
{
    outOutput.clear();
    FILE* pipe = ::popen((std::string(FXUI_RENDER) + " " + inArguments + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return -1;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        outOutput.append(buffer, n);
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::uint32_t At(const Image& inImage, int inX, int inY)
{
    const std::uint8_t* p = inImage.Pixel(inX, inY);
    return std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
}

TEST(FxuiRender, DrawsTheFrameTheBrushAndTheControls)
{
    const std::string out = ::testing::TempDir() + "fxui_render_" + std::to_string(::getpid()) + ".png";
    std::string output;
    ASSERT_EQ(RunTool("'" + kFixture + "' All '" + out + "'", output), 0) << output;
    Image frame;
    std::string error;
    ASSERT_TRUE(ReadImageFile(out, frame, error)) << error;
    EXPECT_EQ(frame.mWidth, 480);
    EXPECT_EQ(frame.mHeight, 360 + 22); // the content under a document title bar
    ASSERT_EQ(RunTool("'" + kFixture + "' All '" + out + "' --content", output), 0) << output;
    Image content;
    ASSERT_TRUE(ReadImageFile(out, content, error)) << error;
    EXPECT_EQ(content.mHeight, 360);
    std::remove(out.c_str());

    const std::uint32_t brush = BrushColor(0);
    EXPECT_EQ(At(content, 470, 200), brush);
    EXPECT_EQ(At(frame, 470, 222), brush);
    // The push button (20, 20, 100, 24): its face left of the title differs from the brush and from its edge.
    EXPECT_NE(At(content, 26, 32), brush);
    EXPECT_NE(At(content, 26, 32), At(content, 20, 32));
    EXPECT_EQ(At(frame, 26, 54), At(content, 26, 32));
    // The progress bar (200, 150, 120, 12) at 3 of 4 is blue to 90 and grey after.
    EXPECT_EQ(At(content, 280, 156), 0x3B7EEDu);
    EXPECT_NE(At(content, 300, 156), 0x3B7EEDu);
    EXPECT_NE(At(content, 366, 158), brush); // the folder icon's body
}

TEST(FxuiRender, ExitCodesAndMessages)
{
    const std::string bad = ::testing::TempDir() + "fxui_bad_" + std::to_string(::getpid()) + ".fxui";
    if (FILE* f = std::fopen(bad.c_str(), "w"))
    {
        std::fputs("<?fxui version=\"1.0\"?>\n<interface>\n<window>\n", f);
        std::fclose(f);
    }
    const struct
    {
        std::string mArguments;
        int mStatus;
        const char* mSays;
    } cases[] = {
        {"--help", 0, "usage: fxui-render"},
        {"", 1, "expected FILE.fxui WINDOW OUT.png"},
        {"'" + kFixture + "' All", 1, "expected"},
        {"'" + kFixture + "' Nowhere /tmp/x.png", 1, "(windows: All, Small, Dialog)"},
        {"'" + bad + "' All /tmp/x.png", 1, "line 4"},
        {"/nonexistent.fxui All /tmp/x.png", 1, "cannot open"},
        {"'" + kFixture + "' Small /nonexistent-folder/x.png", 1, "cannot write"},
        {"--bogus", 1, "unknown option"},
    };
    for (const auto& c : cases)
    {
        std::string output;
        EXPECT_EQ(RunTool(c.mArguments, output), c.mStatus) << c.mArguments;
        EXPECT_NE(output.find(c.mSays), std::string::npos) << c.mArguments << ": " << output;
    }
    std::remove(bad.c_str());
}

} // namespace
