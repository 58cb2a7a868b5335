// The demo page as a user runs it: vanehost on Products/Skyvane/Demo/demo.html (its data server implied, its
// script beside it, no display), then the pictures it wrote; and a page whose srcs cannot be had.
#include "PfImage.h"
#include "VaneDemoRun.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;
using namespace vanedemo;

const fs::path kSource(SKYVANE_SOURCE_DIR);
// The icon's opaque pixels differ from a drawn map by far more than this on average, from the icon itself (drawn
// by GL from its texture) by far less.
constexpr double kIconShown = 24.0;

pf::Image ReadPng(const fs::path& inPath)
{
    const std::string bytes = Slurp(inPath);
    pf::Image image;
    std::string error;
    EXPECT_TRUE(pf::ReadPngImage(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), image, error))
        << inPath << ": " << error;
    return image;
}

// The mean difference, over the icon's opaque pixels, between the icon and the 64 x 64 square where an embed of
// that rectangle draws it (centred, 10 px above the middle).
double IconDistance(const pf::Image& inPage, int inLeft, int inTop, int inWidth, int inHeight)
{
    static const pf::Image sIcon = ReadPng(kSource / "Products" / "Skyvane" / "Resources" / "VaneIcon.png");
    const int x0 = inLeft + inWidth / 2 - 32;
    const int y0 = inTop + inHeight - (inHeight / 2 - 32 + 10) - 64;
    double sum = 0.0;
    int count = 0;
    for (int y = 0; y < sIcon.mHeight; ++y)
        for (int x = 0; x < sIcon.mWidth; ++x)
        {
            const std::uint8_t* icon = sIcon.Pixel(x, y);
            if (icon[3] < 250 || x0 + x >= inPage.mWidth || y0 + y >= inPage.mHeight)
                continue;
            const std::uint8_t* page = inPage.Pixel(x0 + x, y0 + y);
            for (int c = 0; c < 3; ++c)
                sum += std::abs(int(icon[c]) - int(page[c]));
            count += 3;
        }
    return count > 0 ? sum / count : 255.0;
}

// Pixels darker than the placeholder's grey in the rows below the icon, where its message is written.
int InkBelowIcon(const pf::Image& inPage, int inLeft, int inTop, int inWidth, int inHeight)
{
    int ink = 0;
    for (int y = inTop + inHeight / 2 + 24; y < std::min(inTop + inHeight, inTop + inHeight / 2 + 60); ++y)
        for (int x = inLeft; x < inLeft + inWidth; ++x)
        {
            const std::uint8_t* p = inPage.Pixel(x, y);
            ink += p[0] + p[1] + p[2] < 3 * 100 ? 1 : 0;
        }
    return ink;
}

// Pixels within 4 of the colours the decoded N0Q product shows most here (its 15 to 35 dBZ levels), right of the
// legend column.
int EchoPixels(const pf::Image& inImage)
{
    static const std::uint8_t kLevels[][3] = {
        {0x01, 0x9F, 0xF4}, {0x03, 0x00, 0xF4}, {0x02, 0xFD, 0x02}, {0x01, 0xC5, 0x01}};
    int echoes = 0;
    for (int y = 0; y < inImage.mHeight; ++y)
        for (int x = 175; x < inImage.mWidth; ++x)
        {
            const std::uint8_t* p = inImage.Pixel(x, y);
            for (const auto& level : kLevels)
                if (std::abs(p[0] - level[0]) <= 4 && std::abs(p[1] - level[1]) <= 4 && std::abs(p[2] - level[2]) <= 4)
                {
                    ++echoes;
                    break;
                }
        }
    return echoes;
}

// One run of the page (a run takes seconds under the sanitizers), then what it wrote.
TEST(VaneDemoPage, RunsEveryStepAndShowsWhatItSays)
{
    const fs::path folder = fs::path(testing::TempDir()) / ("vane-demo-page-" + std::to_string(getpid()));
    fs::remove_all(folder);
    const Outcome run = Vanehost("'" + (kDemo / "demo.html").string() + "' --home home --out out", folder);
    const auto out = [&](const std::string& inName) { return folder / "out" / inName; };
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("vanehost: serving " + kDemo.string() + " at http://127.0.0.1:"), std::string::npos)
        << run.out;
    EXPECT_EQ(run.err.find("expected #"), std::string::npos) << run.err;

    // Every snapshot line of the script wrote its picture and said what it shows; the generator's expectations are
    // there to be met.
    const std::string script = Slurp(kDemo / "demo.vhs");
    const std::regex snapshot(R"(\n# ([^\n]*)\nsnapshot (\w+) (\S+\.png)\n)");
    int pictures = 0;
    for (std::sregex_iterator it(script.begin(), script.end(), snapshot), end; it != end; ++it, ++pictures)
    {
        EXPECT_TRUE(fs::exists(out((*it)[3]))) << (*it)[3];
        const std::string line = out((*it)[3]).string() + ": " + (*it)[1].str() + "\n";
        EXPECT_NE(run.out.find(line), std::string::npos) << line;
    }
    EXPECT_GE(pictures, 17);
    const std::regex expectation("\nexpect-pixel radar ");
    EXPECT_GE(std::distance(std::sregex_iterator(script.begin(), script.end(), expectation), std::sregex_iterator()),
              12);

    // After the first settle the dissolve is over: neither map shows the icon at its centre. The page is the two
    // embeds stacked.
    const pf::Image europe = ReadPng(out("demo-02-europe.png"));
    const pf::Image radar = ReadPng(out("demo-03-radar.png"));
    const pf::Image page = ReadPng(out("demo-01-page.png"));
    ASSERT_EQ(std::pair(europe.mWidth, europe.mHeight), std::pair(640, 400));
    ASSERT_EQ(std::pair(radar.mWidth, radar.mHeight), std::pair(640, 480));
    ASSERT_EQ(std::pair(page.mWidth, page.mHeight), std::pair(640, 880));
    EXPECT_GT(IconDistance(europe, 0, 0, 640, 400), kIconShown);
    EXPECT_GT(IconDistance(radar, 0, 0, 640, 480), kIconShown);
    EXPECT_EQ(std::vector<std::uint8_t>(page.Pixel(0, 400), page.Pixel(0, 400) + 640 * 480 * 4), radar.mPixels);

    // Playing, the date band steps from frame to frame; only the last frame, the data's time, has echoes.
    const pf::Image a = ReadPng(out("demo-06-frame02.png"));
    const pf::Image b = ReadPng(out("demo-06-frame03.png"));
    const pf::Image last = ReadPng(out("demo-06-frame13.png"));
    ASSERT_FALSE(a.Empty() || b.Empty() || last.Empty());
    int differ = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 175; ++x)
            differ += std::equal(a.Pixel(x, y), a.Pixel(x, y) + 3, b.Pixel(x, y)) ? 0 : 1;
    EXPECT_GT(differ, 20);
    EXPECT_EQ(EchoPixels(a), 0);
    EXPECT_EQ(EchoPixels(b), 0);
    EXPECT_GT(EchoPixels(last), 2000);
    EXPECT_GT(EchoPixels(radar), 2000);
    // The pictures stay for a look when something failed.
    if (!HasFailure())
        fs::remove_all(folder);
}

// Broken srcs stream nothing with reason 1: the placeholder's icon and message; standard error names each src.
TEST(VaneDemoPageBrokenSrcs, ShowTheIconWithItsMessageAndNameTheSrc)
{
    const fs::path folder = fs::path(testing::TempDir()) / ("vane-demo-broken-" + std::to_string(getpid()));
    fs::remove_all(folder);
    const fs::path page = kSource / "Products" / "Skyvane" / "Tests" / "scripts" / "broken-srcs.html";
    const Outcome run =
        Vanehost("'" + page.string() + "' --serve '" + kDemo.string() + "' --home home --out out", folder);
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.err.find("the src \"missing.vanedoc\" of missing: no such file"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(std::string("the src \"ftp") + "://example.org/radar.vanedoc\" of ftp: the scheme"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find("europe-pressure"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find((folder / "out" / "broken-srcs.png").string() + ": the page\n"), std::string::npos)
        << run.out;

    const pf::Image picture = ReadPng(folder / "out" / "broken-srcs.png");
    ASSERT_EQ(std::pair(picture.mWidth, picture.mHeight), std::pair(320, 540));
    EXPECT_GT(IconDistance(picture, 0, 0, 320, 240), kIconShown);
    for (const int top : {240, 390})
    {
        SCOPED_TRACE("the embed at y = " + std::to_string(top));
        EXPECT_LT(IconDistance(picture, 0, top, 320, 150), kIconShown);
        EXPECT_GT(InkBelowIcon(picture, 0, top, 320, 150), 20);
    }
    if (!HasFailure())
        fs::remove_all(folder);
}

} // namespace
