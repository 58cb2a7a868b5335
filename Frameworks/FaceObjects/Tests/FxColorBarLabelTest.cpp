// A colour bar's labels: the presets, a label set at the last index, and indexes outside 0-255 reading empty.
#include "FxColorControls.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace
{

TEST(FxColorBarLabelTest, IndexesPastEitherEndReadEmpty)
{
    FxColorBar bar(nullptr);
    bar.SetColorLabel(255, "top");
    const struct
    {
        int index;
        const char* label;
    } rows[] = {
        {0, "ND"},
        {15, "75 dBZ"},
        {16, ""},
        {255, "top"},
        {256, ""},
        {257, ""},
        {-1, ""},
        {std::numeric_limits<int>::max(), ""},
        {std::numeric_limits<int>::min(), ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(bar.ColorLabel(row.index).AsUtf8(), std::string(row.label)) << row.index;
}

} // namespace
