// Text as large as a document asks, through both tools on the demo data: many station layers in 1000-px fonts stay
// within bounds of memory (the child's own peak, in the plain build), and a caption is cut to half its map.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;

const fs::path kDemo = fs::path(SKYVANE_SOURCE_DIR) / "Products" / "Skyvane" / "Demo";

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

struct Outcome
{
    int status = -1;
    long peakMb = 0;
    // Standard output and error together: the debug log's console lines go to the output.
    std::string output;
};

std::string Slurp(const fs::path& inPath)
{
    std::ifstream in(inPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void Write(const fs::path& inPath, const std::string& inText)
{
    std::ofstream(inPath, std::ios::binary) << inText;
}

// The program run in the folder with the assignments before this environment, waited for with its own usage.
Outcome RunChild(const std::vector<std::string>& inArguments, const fs::path& inFolder,
                 const std::vector<std::string>& inAssignments = {})
{
    std::vector<std::string> environment = inAssignments;
    for (char** variable = environ; *variable != nullptr; ++variable)
        environment.emplace_back(*variable);
    std::vector<char*> envp, argv;
    for (std::string& variable : environment)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    std::vector<std::string> arguments = inArguments;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const fs::path output = inFolder / "output.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, inFolder.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    Outcome outcome;
    pid_t child = -1;
    const int started = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0)
        return outcome;
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child)
        return outcome;
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.peakMb = usage.ru_maxrss / 1024;
    outcome.output = Slurp(output);
    return outcome;
}

// The demo's pressure map with inLayers layers of every station's pressure to 20 decimals in a 1000-px font.
std::string LabelDocument(int inLayers)
{
    std::string document =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<?vanedoc version=\"1.4d1\"?>\n<vanedoc>\n"
        "<map color=\"#E9EEF2FF\" date=\"2020-07-27 12:00:00 UTC\" fieldOfView=\"174.9\" mapLon=\"14\" "
        "mapLat=\"53\" legendVisible=\"true\" legendAlign=\"left\" archiving=\"false\">\n"
        "<projection id=\"lambertConformal\"><property id=\"stdLon\" type=\"float\" value=\"10\"/>"
        "<property id=\"stdLat1\" type=\"float\" value=\"35\"/><property id=\"stdLat2\" type=\"float\" "
        "value=\"65\"/></projection>\n";
    for (int i = 0; i < inLayers; ++i)
        document += "<obs dataset=\"europe-qff\" parm=\"pmsl\" units=\"mbar\" precision=\"20\" visible=\"true\" "
                    "alpha=\"1\"><font size=\"1000\"/></obs>\n";
    return document + "</map>\n</vanedoc>\n";
}

class LabelMemoryTest : public testing::Test
{
protected:
    void SetUp() override
    {
        mFolder = fs::temp_directory_path() / ("vane-label-memory-" + std::to_string(getpid()));
        fs::remove_all(mFolder);
        fs::create_directories(mFolder / "out");
    }

    void TearDown() override { fs::remove_all(mFolder); }

    // vanehost on the page, its data served from the demo folder, without a display.
    Outcome Vanehost(const std::string& inPage, const std::string& inScript)
    {
        Write(mFolder / "page.html", inPage);
        Write(mFolder / "page.vhs", inScript);
        return RunChild({VANEHOST, "page.html", "--serve", kDemo.string(), "--home", (mFolder / "home").string(),
                         "--out", (mFolder / "out").string()},
                        mFolder, {"DISPLAY=", "SKYVANE_OPEN_CMD=true", "LSAN_OPTIONS="});
    }

    fs::path mFolder;
};

TEST_F(LabelMemoryTest, TwoHundredStationLayersInVanerender)
{
    Write(mFolder / "labels.vanedoc", LabelDocument(200));
    const Outcome run = RunChild(
        {VANERENDER, "--serve", kDemo.string(), "--out", (mFolder / "out").string(), "labels.vanedoc"}, mFolder);
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(fs::is_regular_file(mFolder / "out" / "labels.png"));
    std::printf("vanerender, 200 station layers: peak %ld MB\n", run.peakMb);
    if (kSanitized)
        GTEST_SKIP() << "the sanitizer's own memory hides the bound";
    EXPECT_LT(run.peakMb, 800);
}

TEST_F(LabelMemoryTest, FortyStationLayersInA4096SquareEmbed)
{
    Write(mFolder / "labels.vanedoc", LabelDocument(40));
    const Outcome run = Vanehost("<embed id=\"big\" type=\"text/vanedoc\" src=\"labels.vanedoc\" width=\"4096\" "
                                 "height=\"4096\">\n",
                                 "settle 2000 max=120\nsnapshot big labels.png\n");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(fs::is_regular_file(mFolder / "out" / "labels.png"));
    // The labels that survive decluttering, shared by the forty layers, still fill the map's budget.
    EXPECT_NE(run.output.find("text textures past the budget"), std::string::npos) << run.output;
    std::printf("vanehost, 40 station layers in 4096 x 4096: peak %ld MB\n", run.peakMb);
    if (kSanitized)
        GTEST_SKIP() << "the sanitizer's own memory hides the bound";
    EXPECT_LT(run.peakMb, 1024);
}

// A 1000-px caption on a map 120 pixels high is cut to 60 px, told once: its band leaves the map's top clear.
TEST_F(LabelMemoryTest, ACaptionIsCutToHalfItsMapsHeight)
{
    Write(mFolder / "plain.vanedoc", "<?vanedoc version=\"1.4d1\"?><vanedoc><map color=\"#E9EEF2FF\" "
                                     "legendVisible=\"false\"/></vanedoc>\n");
    const Outcome run = Vanehost("<embed id=\"m\" type=\"text/vanedoc\" src=\"plain.vanedoc\" width=\"600\" "
                                 "height=\"120\" caption=\"Caption\" captionFontSize=\"1000\" "
                                 "captionBackground=\"#802020FF\">\n",
                                 "settle 500\nexpect-pixel m 590 2 #E9EEF2 8\nsnapshot m caption.png\n");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("caption size cut"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("1000 px to 60 px, half the map's height"), std::string::npos) << run.output;
}

} // namespace
