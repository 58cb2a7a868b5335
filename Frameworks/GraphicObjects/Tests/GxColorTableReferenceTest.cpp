// The literal radar palettes entry by entry, as the product's colour documentation lists them: one wrong entry is
// a wrong colour for one band of reflectivity, velocity or correlation on every map.
#include "GxColor.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace
{

std::string Hex(CxUint32 inPacked)
{
    char text[16];
    std::snprintf(text, sizeof text, "#%08X", static_cast<unsigned>(inPacked));
    return text;
}

TEST(GxColorTableReferenceTest, LiteralTablesEntryByEntry)
{
    const struct
    {
        GxColorTableId mId;
        std::vector<CxUint32> mPacked;
    } cases[] = {
        {kGxNidsVelocityColors16,
         {0x00000000, 0x33FFFFFF, 0x0066FFFF, 0x0000CCFF, 0x33FF66FF, 0x00CC00FF, 0x009900FF, 0xCCCCCCFF, 0x666666FF,
          0xFFFF33FF, 0xFFCC33FF, 0xFF9900FF, 0xFF6666FF, 0xFF0000FF, 0xCC0000FF, 0x9933CCFF}},
        {kGxNidsReflectivityColors16Green,
         {0x00000000, 0x00420033, 0x005A0066, 0x007B00AA, 0x00BD00FF, 0x00EF00FF, 0xFFFF00FF, 0xF7CE00FF, 0xFFAD00FF,
          0xFF8400FF, 0xDE0000FF, 0xFF0000FF, 0xFF6363FF, 0xFF94CEFF, 0xFF00FFFF, 0xFFFFFFFF}},
        {kGxNidsReflectivityColors16ClearAirLikePrecip,
         {0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00420033, 0x00420033, 0x005A0066, 0x007B00AA, 0x00BD00FF, 0x00BD00FF,
          0x00EF00FF}},
        {kGxPrimeCorrelationColors,
         {0x000000FF, 0x333333FF, 0x666666FF, 0x1AFFFFFF, 0x0D80DFFF, 0x0000BFFF, 0x00FF00FF, 0x00BF00FF, 0x008000FF,
          0xFFFF00FF, 0xFFBF00FF, 0xFF8000FF, 0xFF0000FF, 0xBF0000FF, 0x800000FF, 0xFF00FFFF, 0xFFFFFFFF}},
    };
    for (const auto& c : cases)
    {
        const GxColorTable table(c.mId);
        ASSERT_EQ(table.size(), c.mPacked.size()) << c.mId;
        for (size_t i = 0; i < c.mPacked.size(); ++i)
            EXPECT_EQ(table[i].AsString().AsUtf8(), Hex(c.mPacked[i])) << c.mId << " entry " << i;
    }
}

TEST(GxColorTableReferenceTest, HueWheelGreenToCyanLeg)
{
    // Colour 48 lies at 48 x 1530 / 128 = 573.75, 63.75 units into the green-to-cyan leg: blue 64, green full.
    EXPECT_EQ(GxColorTable(kGxPrimeDifferentialColors128)[96].AsString().AsUtf8(), "#00FF40FF");
}

} // namespace
