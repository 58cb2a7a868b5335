// Rows that guard the test browser's input lines and its start: numbers whole or refused, wheel deltas within a
// million, mouse options by name, click counts, focus words, a data folder that cannot be served; then the
// NP_Shutdown calls a run makes, counted by the probe.
#include "VaneLineTable.h"

#include <string>

namespace
{

namespace fs = std::filesystem;

const std::string kEmbed = "embed a x=0 y=0 w=100 h=100\n";

class VaneLineInputGuard : public testing::TestWithParam<VaneLineRow>
{
};

TEST_P(VaneLineInputGuard, ExitsWithItsStatusNamingTheLine)
{
    VaneCheckRow(GetParam());
}

const VaneLineRow kRows[] = {
    // A number is all digits after an optional sign: a tail, a word or nothing at all is no number.
    {"run_tail", "run 12x\n", "", 2, 1, "not a number for run: \"12x\""},
    {"run_word", "# a word\nrun soon\n", "", 2, 2, "not a number for run: \"soon\""},
    {"run_empty", "run \"\"\n", "", 2, 1, "not a number for run: \"\""},
    {"mouse_x_tail", kEmbed + "mouse a down 1x 1\n", "", 2, 2, "not a number for X: \"1x\""},
    {"scroll_exponent", kEmbed + "scroll a 1 1 5e3\n", "", 2, 2, "not a number for DY: \"5e3\""},
    // Wheel deltas up to a million either way; past it, or past 32 bits, a usage error.
    {"scroll_most",
     kEmbed + "scroll a 1 2 -1000000 1000000\nrun 10\nexpect-file events \"delta 1e\\+06 -1e\\+06\\n\"\n", "", 0, 0,
     ""},
    {"scroll_dy_over", kEmbed + "scroll a 1 1 1000001\n", "", 2, 2, "a wheel delta out of range"},
    {"scroll_dx_under", kEmbed + "scroll a 1 1 0 -1000001\n", "", 2, 2, "a wheel delta out of range"},
    {"scroll_past_32_bits", kEmbed + "scroll a 1 1 5000000000\n", "", 2, 2, "a wheel delta out of range"},
    // An unknown mouse option is named, the first of two when both are unknown.
    {"mouse_unknown_option", kEmbed + "mouse a down 1 1 foo=1\n", "", 2, 2, "unknown mouse option \"foo\""},
    {"mouse_unknown_after_known", kEmbed + "mouse a down 1 1 button=2 foo=1\n", "", 2, 2,
     "unknown mouse option \"foo\""},
    {"mouse_two_unknown", kEmbed + "mouse a down 1 1 foo=1 bar=2\n", "", 2, 2, "unknown mouse option \"foo\""},
    // A click without clicks= is a single click, whether the window server counts it or the host sends it.
    {"mouse_plain_one_click",
     kEmbed + "mouse a down 7 8\nmouse a up 7 8\nrun 10\n"
              "expect-file events \"^cocoa 2 at 7 8 button 0 mods 0 clicks 1 .*\\ncocoa 3 at 7 8 button 0 mods 0 "
              "clicks 1 \"\n",
     "", 0, 0, ""},
    {"mouse_button_2_one_click",
     kEmbed + "mouse a down 7 8 button=2\nmouse a up 7 8 button=2\nrun 10\n"
              "expect-file events \"^cocoa 2 at 7 8 button 1 mods 0 clicks 1 .*\\ncocoa 3 at 7 8 button 1 mods 0 "
              "clicks 1 \"\n",
     "", 0, 0, ""},
    // Focus is in or out, in Carbon mode.
    {"focus_in_out", kEmbed + "focus a in\nfocus a out\nexpect-file events \"^record 31 .*\\nrecord 32 \"\n",
     "--model carbon", 0, 0, ""},
    {"focus_sideways", kEmbed + "focus a sideways\n", "--model carbon", 2, 2, "focus is in or out, not \"sideways\""},
    {"focus_upper_case", kEmbed + "\nfocus a IN\n", "--model carbon", 2, 3, "focus is in or out, not \"IN\""},
    // A data folder that cannot be served is a bad option: nothing runs.
    {"serve_missing", "run 0\n", "--serve nowhere", 2, 0, "vanehost: cannot serve nowhere"},
};

INSTANTIATE_TEST_SUITE_P(Rows, VaneLineInputGuard, testing::ValuesIn(kRows), VaneLineRowName);

// The plug-in is shut down once per start: by a shutdown line, else at exit; a reload shuts the first start down
// and the exit the second.
TEST(VaneLineShutdowns, OnePerStartOfThePlugin)
{
    const struct
    {
        const char* mName;
        std::string mScript;
        int mShutdowns;
    } cases[] = {
        {"at_exit", kEmbed + "run 10\n", 1},
        {"shutdown_line", kEmbed + "shutdown\n", 1},
        {"shutdown_then_expectation", kEmbed + "shutdown\nexpect-url a none\n", 1},
        {"reload_then_exit", kEmbed + "reload\n" + kEmbed, 2},
        {"reload_then_shutdown", kEmbed + "reload\n" + kEmbed + "shutdown\n", 2},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mName);
        const fs::path folder = VaneRowFolder(std::string("shutdowns-") + c.mName);
        std::ofstream(folder / "run.vhs") << c.mScript;
        const VaneLineRun run = VaneRunHost(folder, "run.vhs --home home --out out");
        EXPECT_EQ(run.status, 0) << run.out << run.err;
        std::string expected;
        for (int i = 0; i < c.mShutdowns; ++i)
            expected += "NP_Shutdown\n";
        EXPECT_EQ(VaneSlurp(folder / "home" / "shutdowns"), expected);
        VaneRemoveRowFolder(folder);
    }
}

} // namespace
