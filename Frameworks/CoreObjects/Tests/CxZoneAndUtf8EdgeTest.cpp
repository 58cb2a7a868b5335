// A zone file in zic's slim format; two-byte UTF-8 sequences whose second byte is no continuation byte.
#include "CxString.h"
#include "LinuxCxDate.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

// The 111 bytes `zic -b slim` writes for "Zone Test/Est -5:00 - EST". The version-1 block of every slim file holds
// one type and a one-byte name table; refusing it would turn every zone on such a system into UTC.
TEST(CxZoneEdgeTest, SlimZoneFileIsRead)
{
    const auto header = [](char inTypes, char inChars)
    { return "TZif2" + std::string(34, '\0') + inTypes + std::string(3, '\0') + inChars; };
    const std::string slim =
        header(1, 1) + std::string(7, '\0') + header(1, 4) + std::string("\xff\xff\xb9\xb0\0\0EST\0\nEST5\n", 16);
    const auto zone = LinuxCxZone::FromTzif("Test/Est", slim);
    ASSERT_NE(zone, nullptr);
    EXPECT_EQ(zone->At(0).mOffset, -5 * 3600);
    EXPECT_EQ(*zone->At(0).mAbbreviation, "EST");
}

// Unicode Table 3-7: a lead byte C2..DF takes exactly one byte 80..BF.
TEST(CxUtf8EdgeTest, TwoByteLeadNeedsAContinuationByte)
{
    const struct
    {
        CxUint8 mBytes[2];
        CxConversionResult mResult;
    } cases[] = {{{0xC3, 0xA9}, kCxConversionOK}, {{0xC3, 0x28}, kCxSourceIllegal}, {{0xC3, 0xC3}, kCxSourceIllegal}};
    for (const auto& c : cases)
    {
        const CxUint8* source = c.mBytes;
        CxUint16 units[2];
        CxUint16* target = units;
        EXPECT_EQ(ConvertUTF8toUTF16(&source, c.mBytes + 2, &target, units + 2, kCxStrictConversion), c.mResult)
            << int(c.mBytes[1]);
    }
}

} // namespace
