// Rows that guard the command line: an option given last without its value is a usage error.
#include "VaneLineTable.h"

namespace
{

class VaneLineOptionGuard : public testing::TestWithParam<VaneLineRow>
{
};

TEST_P(VaneLineOptionGuard, ExitsWithItsStatus)
{
    VaneCheckRow(GetParam());
}

const VaneLineRow kRows[] = {
    {"home_last", "", "no-script.vhs --home", 2, 0, "vanehost: --home needs a value"},
    {"model_last", "", "no-script.vhs --model", 2, 0, "vanehost: --model needs a value"},
    {"out_last", "", "no-script.vhs --out", 2, 0, "vanehost: --out needs a value"},
};

INSTANTIATE_TEST_SUITE_P(Rows, VaneLineOptionGuard, testing::ValuesIn(kRows), VaneLineRowName);

} // namespace
