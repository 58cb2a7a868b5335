// Threshold numbers are written without printf: every scale and value against printf's own rounding of it.
#include "DxNidsLevelThree.h"

#include <gtest/gtest.h>

#include <cstdio>

TEST(NidsLevelThree, EveryThresholdNumberAsPrintfWritesIt)
{
    std::size_t wrong = 0;
    for (CxUint32 scale = 0; scale < 4; ++scale)
        for (CxUint32 low = 0; low < 256; ++low)
        {
            // Scale 1 is tenths with one decimal, scale 2 twentieths with two, the others whole numbers.
            char expected[32];
            if (scale == 1)
                std::snprintf(expected, sizeof expected, "%.1f", low / 10.0);
            else if (scale == 2)
                std::snprintf(expected, sizeof expected, "%.2f", low / 20.0);
            else
                std::snprintf(expected, sizeof expected, "%u", low);
            const CxString label = NidsLevelThreeParser::DataLevelLabel(CxUint16(scale << 12 | low));
            if (label != CxString(expected) && wrong++ < 5)
                ADD_FAILURE() << "scale " << scale << ", value " << low << ": " << expected;
        }
    EXPECT_EQ(wrong, 0u);
}
