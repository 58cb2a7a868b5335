// Rows that guard lines of the test browser's input: expect-file stays inside the home, expect-pixel takes #RRGGBB.
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
};

INSTANTIATE_TEST_SUITE_P(Rows, VaneLineHostGuard, testing::ValuesIn(kRows), VaneLineRowName);

} // namespace
