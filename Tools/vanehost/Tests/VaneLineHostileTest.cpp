// vanehost under hostile input: a script whose lines add up past the clock's ten years, snapshots through links
// out of --out, and page srcs answered with anything but 200.
#include "LoopbackServer.h"
#include "VaneLineTable.h"

#include <string>

namespace
{

namespace fs = std::filesystem;

std::string Repeated(const std::string& inLine, int inCount)
{
    std::string lines;
    for (int i = 0; i < inCount; ++i)
        lines += inLine;
    return lines;
}

// 315 runs of the longest line take the clock to 315 * 10^9 ms; ten years are 315,360,000,000 ms.
const std::string kNearlyTenYears = Repeated("run 1000000000\n", 315);

class VaneLineHostile : public testing::TestWithParam<VaneLineRow>
{
};

TEST_P(VaneLineHostile, ExitsWithItsStatusNamingTheLine)
{
    VaneCheckRow(GetParam());
}

const VaneLineRow kRows[] = {
    {"clock_315_longest_runs", kNearlyTenYears, "", 0, 0, ""},
    {"clock_316_longest_runs", Repeated("run 1000000000\n", 316), "", 2, 316,
     "run 1000000000 would take the clock past ten years (315360000000 ms in all)"},
    {"clock_to_ten_years", kNearlyTenYears + "run 360000000\n", "", 0, 0, ""},
    {"clock_past_ten_years", kNearlyTenYears + "run 360000001\n", "", 2, 316,
     "run 360000001 would take the clock past ten years"},
    {"clock_settle_past_ten_years", kNearlyTenYears + "run 360000000\nsettle 10\n", "", 2, 317,
     "settle 10 would take the clock past ten years"},
};

INSTANTIATE_TEST_SUITE_P(Rows, VaneLineHostile, testing::ValuesIn(kRows), VaneLineRowName);

// A link in --out to a folder elsewhere, or at the snapshot's own name, is refused naming the line, and nothing is
// written there; a link to a folder inside --out is fine.
TEST(VaneLineSnapshot, ALinkOutOfTheOutFolderIsRefused)
{
    const fs::path folder = VaneRowFolder("snapshot-links");
    fs::create_directories(folder / "out" / "inner");
    fs::create_directories(folder / "elsewhere");
    fs::create_directory_symlink("../elsewhere", folder / "out" / "away");
    fs::create_directory_symlink("inner", folder / "out" / "within");
    fs::create_symlink("../elsewhere/named.png", folder / "out" / "named.png");
    const struct
    {
        const char* mSnapshot;
        int mStatus;
        std::string mSaid;
    } cases[] = {
        {"away/x.png", 2,
         "snapshot takes a file inside --out, not \"away/x.png\" (in " + fs::canonical(folder / "elsewhere").string() +
             ")"},
        {"named.png", 2, "snapshot takes a file inside --out, not \"named.png\" (a link)"},
        {"within/x.png", 0, ""},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mSnapshot);
        std::ofstream(folder / "snap.vhs") << "embed a x=0 y=0 w=10 h=10\n\nsnapshot a " << c.mSnapshot << "\n";
        const VaneLineRun run = VaneRunHost(folder, "snap.vhs --home home --out out");
        EXPECT_EQ(run.status, c.mStatus) << run.out << run.err;
        if (c.mStatus != 0)
        {
            EXPECT_NE(run.err.find("snap.vhs:3: " + c.mSaid), std::string::npos) << run.err;
        }
    }
    EXPECT_TRUE(fs::is_empty(folder / "elsewhere"));
    EXPECT_TRUE(fs::is_regular_file(folder / "out" / "inner" / "x.png"));
    VaneRemoveRowFolder(folder);
}

// A page's src answered with no content, a choice or "not modified" streams as a failure, the status said; a 200
// streams its document.
TEST(VaneLinePage, ASrcAnsweredOtherThan200IsAFailureWithItsStatus)
{
    sky::test::LoopbackServer server;
    server.AddDocument("/204.vanedoc", 204, "text/xml", "");
    server.AddDocument("/300.vanedoc", 300, "text/xml", "<vanedoc/>");
    server.AddDocument("/304.vanedoc", 304, "text/xml", "");
    server.AddDocument("/200.vanedoc", 200, "text/xml", "<vanedoc/>");
    const fs::path folder = VaneRowFolder("src-statuses");
    std::ofstream page(folder / "statuses.html");
    for (const char* status : {"204", "300", "304", "200"})
        page << "<embed id=\"e" << status << "\" src=\"" << server.Url(std::string("/") + status + ".vanedoc")
             << "\">\n";
    page.close();
    std::ofstream(folder / "quiet.vhs") << "run 0\n";
    const VaneLineRun run = VaneRunHost(folder, "statuses.html --script quiet.vhs --home home --out out");
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    for (const std::string said :
         {"204.vanedoc\" of e204: 204 No Content\n", "300.vanedoc\" of e300: 300 Multiple Choice",
          "304.vanedoc\" of e304: 304 Not Modified\n"})
    {
        EXPECT_NE(run.err.find("vanehost: the src \"" + server.Base() + "/" + said), std::string::npos) << run.err;
    }
    EXPECT_EQ(run.err.find("of e200"), std::string::npos) << run.err;
    EXPECT_EQ(server.Hits("/200.vanedoc"), 1);
    VaneRemoveRowFolder(folder);
}

} // namespace
