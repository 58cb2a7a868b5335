// Threshold labels are written without printf: every one of the 65,536 halfwords against printf's own rounding of
// the same value.
#include "DxNidsLevelThree.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace
{
// The label as printf writes it: the flag's prefix, then the low byte, or its tenth with one decimal, or its
// twentieth with two.
std::string PrintedLabel(CxUint16 inHalfword)
{
    const CxUint32 low = inHalfword & 0xFF;
    if (inHalfword & 0x8000)
    {
        const char* const codes[] = {"BL", "TH", "ND", "RF"};
        const char* const prefixes[] = {"", "-", "+", "", "<", "", "", "", ">"};
        const CxUint32 flag = (inHalfword >> 8) & 0x0F;
        if (low < 4)
            return codes[low];
        return flag < 9 ? prefixes[flag] : "";
    }
    std::string label;
    switch ((inHalfword >> 8) & 0x0F)
    {
    case 1:
        label = "-";
        break;
    case 2:
        label = "+";
        break;
    case 4:
        label = "<";
        break;
    case 8:
        label = ">";
        break;
    default:
        break;
    }
    char number[32];
    const CxUint32 scale = (inHalfword >> 12) & 0x3;
    if (scale == 1)
        std::snprintf(number, sizeof number, "%.1f", low / 10.0);
    else if (scale == 2)
        std::snprintf(number, sizeof number, "%.2f", low / 20.0);
    else
        std::snprintf(number, sizeof number, "%u", low);
    return label + number;
}
} // namespace

TEST(NidsLevelThree, EveryThresholdLabelAsPrintfWritesIt)
{
    std::size_t wrong = 0;
    for (CxUint32 halfword = 0; halfword <= 0xFFFF; ++halfword)
    {
        const CxString label = NidsLevelThreeParser::DataLevelLabel(CxUint16(halfword));
        const std::string expected = PrintedLabel(CxUint16(halfword));
        if (label != CxString(expected.c_str()) && wrong++ < 5)
            ADD_FAILURE() << std::hex << halfword << ": " << expected;
    }
    EXPECT_EQ(wrong, 0u);
}
