// vanehost's script bounds, row by row: where snapshots go, the longest times, the page's rectangles, 16-bit
// points and the number of embeds; each refused line is a usage error naming its line. Then the data server a
// page implies, from any checkout's demo folder.
#include "VaneLineTable.h"

#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;

const std::string kEmbed = "embed a x=0 y=0 w=100 h=100\n";

std::string EmbedLines(int inCount)
{
    std::string lines;
    for (int i = 0; i < inCount; ++i)
        lines += "embed e" + std::to_string(i) + " x=0 y=0 w=10 h=10\n";
    return lines;
}

// A page of inCount embeds 64 px tall (256 of them fill the tallest page), one a line after the first.
std::string PageOf(int inCount)
{
    std::string page = "<!doctype html>\n";
    for (int i = 0; i < inCount; ++i)
        page += "<embed type=\"text/vanedoc\" src=\"none.vanedoc\" width=\"64\" height=\"64\">\n";
    return page;
}

class VaneLineBounds : public testing::TestWithParam<VaneLineRow>
{
};

TEST_P(VaneLineBounds, ExitsWithItsStatusNamingTheLine)
{
    VaneCheckRow(GetParam());
}

const VaneLineRow kRows[] = {
    // Snapshots land inside --out.
    {"snapshot_inside", kEmbed + "snapshot a sub.png\n", "", 0, 0, "out/sub.png"},
    {"snapshot_up", kEmbed + "snapshot a ../up.png\n", "", 2, 2, "snapshot takes a file inside --out"},
    {"snapshot_up_inside", kEmbed + "snapshot page x/../../up.png\n", "", 2, 2,
     "snapshot takes a file inside --out, not \"x/../../up.png\""},
    {"snapshot_absolute", kEmbed + "\nsnapshot page /tmp/vane-lines-absolute.png\n", "", 2, 3,
     "snapshot takes a file inside --out, not \"/tmp/vane-lines-absolute.png\""},
    // Times <chrono> holds: 10^9 ms on the loop's clock, 10^6 s of real waiting.
    {"run_most", "run 1000000000\n", "", 0, 0, ""},
    {"run_over", "run 1000000001\n", "", 2, 1, "run 1000000001 is not between 0 and 1000000000"},
    {"run_largest_long", "# far\nrun 9223372036854775807\n", "", 2, 2,
     "run 9223372036854775807 is not between 0 and 1000000000"},
    {"run_negative", "run -1\n", "", 2, 1, "run -1 is not between 0"},
    {"settle_over", "settle 1000000001\n", "", 2, 1, "settle 1000000001 is not between"},
    {"settle_max_most", "settle 10 max=1000000\n", "", 0, 0, ""},
    {"settle_max_over", "settle 10 max=1000001\n", "", 2, 1, "max=1000001 is not between 0 and 1000000"},
    {"settle_max_largest_long", "settle 10 max=9223372036854775807\n", "", 2, 1,
     "max=9223372036854775807 is not between 0 and 1000000"},
    // (The probe's arguments file is there to match at once, so an unbounded wait cannot hang the row.)
    {"expect_file_wait_over", kEmbed + "expect-file arguments . wait=1000001\n", "", 2, 2,
     "wait=1000001 is not between"},
    {"expect_file_wait_largest_long", kEmbed + "expect-file arguments . wait=9223372036854775807\n", "", 2, 2,
     "wait=9223372036854775807 is not between 0 and 1000000"},
    // Rectangles as the page reader bounds them.
    {"embed_largest", "embed a x=16384 y=16384 w=4096 h=4096\n", "", 0, 0, ""},
    {"embed_wide", "embed a x=0 y=0 w=4097 h=10\n", "", 2, 1, "w=4097 is not between 1 and 4096"},
    {"embed_tall", "embed a x=0 y=0 w=10 h=32768\n", "", 2, 1, "h=32768 is not between 1 and 4096"},
    {"embed_empty", "embed a x=0 y=0 w=0 h=10\n", "", 2, 1, "w=0 is not between 1"},
    {"embed_left", "embed a x=-1 y=0 w=10 h=10\n", "", 2, 1, "x=-1 is not between 0 and 16384"},
    {"embed_right", "embed a x=16385 y=0 w=10 h=10\n", "", 2, 1, "x=16385 is not between 0 and 16384"},
    {"embed_low", "embed a x=0 y=16385 w=10 h=10\n", "", 2, 1, "y=16385 is not between 0 and 16384"},
    {"resize_wide", kEmbed + "resize a x=0 y=0 w=40000 h=10\n", "", 2, 2, "w=40000 is not between 1 and 4096"},
    {"resize_low", kEmbed + "resize a x=0 y=99999 w=10 h=10\n", "", 2, 2, "y=99999 is not between 0 and 16384"},
    // Points the window server's 16 bits hold, there and in the window.
    {"mouse_most", kEmbed + "mouse a move -32767 -32767\nrun 10\n", "", 0, 0, ""},
    {"mouse_x_over", kEmbed + "mouse a move 32768 0\n", "", 2, 2, "X 32768 is not between -32767 and 32767"},
    {"mouse_y_under", kEmbed + "mouse a down 0 -32768\n", "", 2, 2, "Y -32768 is not between -32767 and 32767"},
    {"mouse_beyond_window", "embed a x=16384 y=0 w=10 h=10\nmouse a move 20000 0\n", "", 2, 2,
     "the point 20000 0 lies beyond the window's 32767 px"},
    {"scroll_x_over", kEmbed + "scroll a 40000 0 1\n", "", 2, 2, "X 40000 is not between -32767 and 32767"},
    {"scroll_y_under", kEmbed + "scroll a 0 -40000 1\n", "", 2, 2, "Y -40000 is not between"},
    // At most 256 embeds in a run, destroyed ones counted: each keeps its drawing.
    {"embeds_most", EmbedLines(256), "", 0, 0, ""},
    {"embeds_over", EmbedLines(256) + "embed last x=0 y=0 w=10 h=10\n", "", 2, 257, "more than 256 embeds in one run"},
    {"embeds_destroyed_count", kEmbed + "destroy a\n" + EmbedLines(255) + "embed last x=0 y=0 w=10 h=10\n", "", 2, 258,
     "more than 256 embeds"},
};

INSTANTIATE_TEST_SUITE_P(Rows, VaneLineBounds, testing::ValuesIn(kRows), VaneLineRowName);

// A page's embeds count with its script's: the page reader refuses a 257th, a script line one past the page's.
TEST(VaneLinePage, EmbedsOfThePageAndTheScriptCountTogether)
{
    const fs::path folder = VaneRowFolder("page-embeds");
    std::ofstream(folder / "full.html") << PageOf(256);
    std::ofstream(folder / "over.html") << PageOf(257);
    std::ofstream(folder / "quiet.vhs") << "run 0\n";
    std::ofstream(folder / "one-more.vhs") << "# one more\nembed more x=0 y=0 w=10 h=10\n";

    VaneLineRun run = VaneRunHost(folder, "full.html --script quiet.vhs --home home --out out");
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    run = VaneRunHost(folder, "over.html --home home --out out");
    EXPECT_EQ(run.status, 2) << run.out << run.err;
    EXPECT_NE(run.err.find("over.html: line 258: more than 256 embeds"), std::string::npos) << run.err;
    run = VaneRunHost(folder, "full.html --script one-more.vhs --home home --out out");
    EXPECT_EQ(run.status, 2) << run.out << run.err;
    EXPECT_NE(run.err.find("one-more.vhs:2: more than 256 embeds"), std::string::npos) << run.err;
    VaneRemoveRowFolder(folder);
}

// A copy of the demo folder in another checkout's place is served, the page reached by its real path; a page
// elsewhere says why nothing is.
TEST(VaneLinePage, ServesTheDemoFolderAboveThePageInAnyCheckout)
{
    const fs::path folder = VaneRowFolder("demo-copy");
    const fs::path demo = folder / "x" / "Products" / "Skyvane" / "Demo";
    fs::create_directories(demo.parent_path());
    fs::copy(fs::path(SKYVANE_SOURCE_DIR) / "Products" / "Skyvane" / "Demo", demo, fs::copy_options::recursive);
    fs::create_directory_symlink(folder / "x", folder / "link");
    fs::create_symlink(demo / "demo.html", folder / "demo.html");
    std::ofstream(folder / "quiet.vhs") << "run 0\n";
    std::ofstream(folder / "elsewhere.html") << PageOf(1);

    const std::string serving = "vanehost: serving " + fs::canonical(demo).string() + " at http://127.0.0.1:";
    for (const std::string page :
         {demo / "demo.html", folder / "link/Products/Skyvane/Demo/demo.html", folder / "demo.html"})
    {
        SCOPED_TRACE(page);
        const VaneLineRun run = VaneRunHost(folder, "'" + page + "' --script quiet.vhs --home home --out out");
        EXPECT_EQ(run.status, 0) << run.out << run.err;
        EXPECT_NE(run.out.find(serving), std::string::npos) << run.out;
    }
    const VaneLineRun run = VaneRunHost(folder, "elsewhere.html --script quiet.vhs --home home --out out");
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("vanehost: no data server: no Products/Skyvane/Demo folder holds " +
                           fs::canonical(folder / "elsewhere.html").string()),
              std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find("vanehost: serving"), std::string::npos) << run.out;
    VaneRemoveRowFolder(folder);
}

// A map page on the build's plug-in, its data served: under the address sanitizer the program's own suppressions
// leave Mesa's blocks out of the leak report, with none of the caller's.
TEST(VaneLinePage, AMapPageExitsCleanWithoutSuppressionsOfTheCaller)
{
    const fs::path folder = VaneRowFolder("map-page");
    const fs::path demo = fs::path(SKYVANE_SOURCE_DIR) / "Products" / "Skyvane" / "Demo";
    std::ofstream(folder / "map.html") << "<embed src=\"" << (demo / "europe-pressure.vanedoc").string()
                                       << "\" width=\"320\" height=\"240\">\n";
    const VaneLineRun run =
        VaneRunHost(folder, "map.html --serve '" + demo.string() + "' --home home --out out", false);
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.err.find("LeakSanitizer"), std::string::npos) << run.err;
    EXPECT_TRUE(fs::exists(folder / "out" / "map.png"));
    VaneRemoveRowFolder(folder);
}

} // namespace
