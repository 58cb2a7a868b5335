// Rows that guard lines of the test browser's input: expect-file stays inside the home, expect-pixel takes #RRGGBB,
// and a shut-down the plug-in refuses fails the run.
#include "VaneLineTable.h"

namespace
{

class VaneLineHostGuard : public testing::TestWithParam<VaneLineRow>
{
};

TEST_P(VaneLineHostGuard, ExitsWithItsStatusNamingTheLine)
{
    VaneCheckRow(GetParam());
}

const VaneLineRow kRows[] = {
    {"expect_file_absolute", "expect-file /etc/hostname .\n", "", 2, 1, "expect-file takes a path inside the home"},
    {"expect_file_up", "# up\nexpect-file tmp/../../x .\n", "", 2, 2, "expect-file takes a path inside the home"},
    {"expect_pixel_without_hash", "expect-pixel page 0 0 123456\n", "", 2, 1, "expected #RRGGBB, not \"123456\""},
    // Each test of the colour alone: seven characters but no '#', a '#' but a letter past F, too short.
    {"expect_pixel_seven_without_hash", "expect-pixel page 0 0 0123456\n", "", 2, 1,
     "expected #RRGGBB, not \"0123456\""},
    {"expect_pixel_not_hex", "expect-pixel page 0 0 #12345G\n", "", 2, 1, "expected #RRGGBB, not \"#12345G\""},
    {"expect_pixel_short", "expect-pixel page 0 0 #12\n", "", 2, 1, "expected #RRGGBB, not \"#12\""},
    // A point is inside from its first pixel to its last; an immediate wait is a wait.
    {"expect_pixel_corners",
     "embed a x=0 y=0 w=10 h=10\nexpect-pixel a 0 0 #000000 255\nexpect-pixel a 9 9 #000000 255\n", "", 0, 0, ""},
    {"expect_pixel_past_the_corner", "embed a x=0 y=0 w=10 h=10\nexpect-pixel a 10 9 #000000 255\n", "", 2, 2,
     "the point lies outside a"},
    {"expect_file_no_wait", "embed a x=0 y=0 w=100 h=100\nexpect-file arguments . wait=0\n", "", 0, 0, ""},
    {"shutdown_refused", "embed p x=0 y=0 w=20 h=20 shutdown=fails\nshutdown\n", "", 1, 2, "NP_Shutdown failed"},
};

INSTANTIATE_TEST_SUITE_P(Rows, VaneLineHostGuard, testing::ValuesIn(kRows), VaneLineRowName);

} // namespace
