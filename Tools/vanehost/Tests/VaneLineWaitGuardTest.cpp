// Rows that guard expect-file's wait: a negative one, or another name in its place, is a usage error naming its
// line.
#include "VaneLineTable.h"

namespace
{

class VaneLineWaitGuard : public testing::TestWithParam<VaneLineRow>
{
};

TEST_P(VaneLineWaitGuard, ExitsWithItsStatusNamingTheLine)
{
    VaneCheckRow(GetParam());
}

const VaneLineRow kRows[] = {
    {"expect_file_wait_negative", "\n\nexpect-file events x wait=-1\n", "", 2, 3, "wait=-1 is not between 0 and"},
    {"expect_file_other_pair", "expect-file events x when=1\n", "", 2, 1, "expect-file takes wait=S"},
};

INSTANTIATE_TEST_SUITE_P(Rows, VaneLineWaitGuard, testing::ValuesIn(kRows), VaneLineRowName);

} // namespace
