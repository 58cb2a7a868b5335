// Zone files with a single time type; two-byte UTF-8 sequences whose second byte is no continuation byte.
#include "CxDate.h"
#include "CxString.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

// Etc/GMT+5 is five hours BEHIND UTC (POSIX sign); these files hold one type and no transitions.
TEST(CxZoneEdgeTest, SingleTypeZoneFilesKeepTheirOffset)
{
    const CxDate date(2024, 6, 21, 12, 0, 0, 0);
    const CxTimeZone west{CxString("Etc/GMT+5")};
    const CxTimeZone east{CxString("Etc/GMT-14")};
    EXPECT_EQ(west.UtcOffset(date), -5 * 3600);
    EXPECT_EQ(west.Abbreviation(date).AsUtf8(), "-05");
    EXPECT_EQ(east.UtcOffset(date), 14 * 3600);
    EXPECT_EQ(east.Abbreviation(date).AsUtf8(), "+14");
}

// Unicode Table 3-7: a lead byte C2..DF takes exactly one byte 80..BF; each ill-formed byte becomes one U+FFFD
// (as Python's "replace" decoding gives).
TEST(CxUtf8EdgeTest, TwoByteLeadNeedsAContinuationByte)
{
    const std::pair<const char*, std::vector<CxUint16>> cases[] = {
        {"\xC3\xA9", {0xE9}}, {"\xC3(", {0xFFFD, 0x28}}, {"\xC3\xC3\xA9", {0xFFFD, 0xE9}}};
    for (const auto& [bytes, units] : cases)
    {
        const CxString text = CxString::FromUtf8(bytes);
        EXPECT_EQ(std::vector<CxUint16>(text.GetChars(), text.GetChars() + text.Length()), units) << bytes;
    }
}

} // namespace
