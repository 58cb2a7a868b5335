// A row that guards expect-file's wait: a negative one is a usage error naming its line.
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
    {"expect_file_wait_negative", "\n\nexpect-file events x wait=-1\n", "", 2, 3, ""},
};

INSTANTIATE_TEST_SUITE_P(Rows, VaneLineWaitGuard, testing::ValuesIn(kRows), VaneLineRowName);

} // namespace
