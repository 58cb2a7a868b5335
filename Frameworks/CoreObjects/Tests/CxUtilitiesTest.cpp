#include "CxUtilities.h"
#include "CxDebug.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

namespace
{

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

TEST(CxUtilities, NanTestsAndNanSkippingMinMax)
{
    EXPECT_TRUE(CxIsNan(kNan));
    EXPECT_TRUE(CxIsNan(std::numeric_limits<float>::quiet_NaN()));
    EXPECT_FALSE(CxIsNan(std::numeric_limits<double>::infinity()));
    EXPECT_TRUE(CxNotNan(0.0f));
    EXPECT_FALSE(CxNotNan(-kNan));

    EXPECT_EQ(CxMinNotNan(kNan, 3), 3);
    EXPECT_EQ(CxMinNotNan(3, kNan), 3);
    EXPECT_TRUE(std::isnan(CxMinNotNan(kNan, kNan)));
    EXPECT_EQ(CxMinNotNan(2, 5), 2);
    EXPECT_EQ(CxMinNotNan(5, 2), 2);
    EXPECT_EQ(CxMaxNotNan(2, 5), 5);
    EXPECT_EQ(CxMaxNotNan(5, 2), 5);
    EXPECT_EQ(CxMaxNotNan(kNan, -1), -1);
    EXPECT_EQ(CxMaxNotNan(-1, kNan), -1);
    EXPECT_TRUE(std::isnan(CxMaxNotNan(kNan, kNan)));
}

TEST(CxUtilities, CopysignWorksOnTheSignBit)
{
    EXPECT_EQ(CxCopysign(2.0, -0.0), -2.0);
    EXPECT_EQ(CxCopysign(-2.0, 1.0), 2.0);
    EXPECT_TRUE(std::signbit(CxCopysign(0.0, -1.0)));
    EXPECT_EQ(CxCopysign(std::numeric_limits<double>::infinity(), -3.0), -std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::signbit(CxCopysign(kNan, -1.0)));
    EXPECT_TRUE(std::isnan(CxCopysign(kNan, -1.0)));
    EXPECT_FALSE(std::signbit(CxCopysign(-kNan, 1.0)));
}

TEST(CxUtilities, NextAfterStepsOneUnitInItsOwnPrecision)
{
    EXPECT_EQ(CxNextAfter(1.0, 2.0), 1.0000000000000002);
    EXPECT_EQ(CxNextAfter(1.0f, 2.0f), 1.0000001f);
    EXPECT_EQ(CxNextAfter(1.0, 0.0), 0.99999999999999989);
    EXPECT_EQ(CxNextAfter(0.0, 1.0), std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(CxNextAfter(0.0f, -1.0f), -std::numeric_limits<float>::denorm_min());
    EXPECT_EQ(CxNextAfter(1.5, 1.5), 1.5);
    const double zero = CxNextAfter(0.0, -0.0);
    EXPECT_FALSE(std::signbit(zero)); // equal arguments give x itself
    EXPECT_TRUE(std::isnan(CxNextAfter(kNan, 1.0)));
}

TEST(CxUtilities, HexDigits)
{
    const char* digits = "0123456789ABCDEFabcdef";
    const int values[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 10, 11, 12, 13, 14, 15};
    for (int i = 0; digits[i]; ++i)
        EXPECT_EQ(CxCharToHex(CxUint16(digits[i])), values[i]) << digits[i];
    for (CxUint16 bad : {CxUint16('g'), CxUint16('G'), CxUint16('/'), CxUint16(':'), CxUint16('@'), CxUint16(0xFF11),
                         CxUint16(0x0130)})
        EXPECT_EQ(CxCharToHex(bad), 0) << bad;
    EXPECT_EQ(CxHexToChar(0x3C), 'C');
    EXPECT_EQ(CxHexToChar(0x09), '9');
    EXPECT_EQ(CxHexToChar(0xFA), 'A');
    for (int v = 0; v < 16; ++v)
        EXPECT_EQ(CxCharToHex(CxUint16(CxHexToChar(CxUint8(v)))), v);
}

TEST(CxUtilities, TwistReversesBytes)
{
    CxUint32 u32 = 0x11223344;
    CxTwist(u32);
    EXPECT_EQ(u32, 0x44332211u);
    CxSint16 s16 = 0x1234;
    CxTwist(s16);
    EXPECT_EQ(s16, 0x3412);
    CxUint16 u16 = 0xFF00;
    CxTwist(u16);
    EXPECT_EQ(u16, 0x00FF);
    CxSint32 s32 = -2;
    CxTwist(s32);
    EXPECT_EQ(CxUint32(s32), 0xFEFFFFFFu);
    CxUint64 u64 = 0x1122334455667788ULL;
    CxTwist(u64);
    EXPECT_EQ(u64, 0x8877665544332211ULL);
    CxSint64 s64 = 0x0102030405060708LL;
    CxTwist(s64);
    EXPECT_EQ(s64, 0x0807060504030201LL);

    // Big-endian 1.0 as it lies in a file.
    const unsigned char bigDouble[8] = {0x3F, 0xF0, 0, 0, 0, 0, 0, 0};
    double d;
    std::memcpy(&d, bigDouble, 8);
    CxTwist(d, kCxBigEndian, kCxLittleEndian);
    EXPECT_EQ(d, 1.0);
    const unsigned char bigFloat[4] = {0xC0, 0x20, 0, 0};
    float f;
    std::memcpy(&f, bigFloat, 4);
    CxTwist(f);
    EXPECT_EQ(f, -2.5f);

    CxUint32 same = 0x11223344;
    CxTwist(same, kCxLittleEndian, kCxLittleEndian);
    EXPECT_EQ(same, 0x11223344u);
    CxTwist(same, kCxBigEndian, kCxBigEndian);
    EXPECT_EQ(same, 0x11223344u);
    CxTwist(same, kCxLittleEndian, kCxBigEndian);
    EXPECT_EQ(same, 0x44332211u);
}

// long is 64 bits here, so it must not reach the byte-order or fill routines.
template <typename T>
concept Twistable = requires(T& v)
{
    CxTwist(v);
};
template <typename T>
concept Fillable = requires(void* p, T v)
{
    CxMemoryFill(p, v, 4u);
};
static_assert(Twistable<CxUint32> && Twistable<CxSint64> && Twistable<double>);
static_assert(!Twistable<long> && !Twistable<unsigned long>);
static_assert(Fillable<CxUint32> && Fillable<unsigned char>);
static_assert(!Fillable<long> && !Fillable<unsigned long>);

TEST(CxUtilities, MemoryFillWritesExactlyTheCount)
{
    unsigned char buffer[12];
    std::memset(buffer, 0xEE, sizeof buffer);
    CxMemoryFill(buffer, CxUint16(0x1234), 6u);
    const CxUint16 expected16[3] = {0x1234, 0x1234, 0x1234};
    EXPECT_EQ(std::memcmp(buffer, expected16, 6), 0);
    EXPECT_EQ(buffer[6], 0xEE);

    std::memset(buffer, 0xEE, sizeof buffer);
    CxMemoryFill(buffer + 1, CxSint32(-1), 8u); // unaligned target
    EXPECT_EQ(buffer[0], 0xEE);
    for (int i = 1; i <= 8; ++i)
        EXPECT_EQ(buffer[i], 0xFF);
    EXPECT_EQ(buffer[9], 0xEE);

    std::memset(buffer, 0xEE, sizeof buffer);
    CxMemoryFill(buffer, static_cast<unsigned char>(7), 5u);
    CxMemoryFill(buffer + 5, static_cast<signed char>(-1), 2u);
    EXPECT_EQ(buffer[4], 7);
    EXPECT_EQ(buffer[6], 0xFF);
    EXPECT_EQ(buffer[7], 0xEE);
    CxMemoryFill(buffer, static_cast<unsigned char>(1), 0u);
    EXPECT_EQ(buffer[0], 7);
}

TEST(CxUtilities, MemoryFillReportsBadArguments)
{
    CxDebugCapture capture;
    unsigned char buffer[8];
    std::memset(buffer, 0xEE, sizeof buffer);
    CxMemoryFill(nullptr, static_cast<unsigned char>(0), 4u);
    CxMemoryFill(nullptr, CxUint32(0), 4u);
    CxMemoryFill(buffer, CxUint32(0), 7u); // only whole values, never past the count
    EXPECT_EQ(buffer[3], 0);
    EXPECT_EQ(buffer[4], 0xEE);
    EXPECT_EQ(capture.Count(), 3u);
}

TEST(CxUtilities, CharacterClasses)
{
    // Columns: line end, digit, number, letter, not letter, white, not white, control white.
    struct ClassRow
    {
        CxUint16 unit;
        bool expected[8];
    } const rows[] = {
        {'\r', {true, false, false, false, true, true, false, true}},
        {'\n', {true, false, false, false, true, true, false, true}},
        {'\t', {false, false, false, false, true, true, false, true}},
        {' ', {false, false, false, false, true, true, false, false}},
        {'7', {false, true, true, false, true, false, true, false}},
        {'-', {false, false, true, false, true, false, true, false}},
        {'q', {false, false, false, true, false, false, true, false}},
        {'Q', {false, false, false, true, false, false, true, false}},
        {'[', {false, false, false, false, true, false, true, false}},
        {0x00E9, {false, false, false, false, true, false, true, false}},
    };
    for (const ClassRow& row : rows)
    {
        for (int c = 0; c < 8; ++c)
        {
            EXPECT_EQ(CxIsMatch(row.unit, CxSeek(c)), row.expected[c]) << row.unit << " class " << c;
            if (row.unit < 128)
            {
                EXPECT_EQ(CxIsMatch(char(row.unit), CxSeek(c)), row.expected[c]) << row.unit << " class " << c;
            }
        }
    }
    EXPECT_TRUE(CxIsMatch('\xE9', kCxSeekNotLetter));
    EXPECT_FALSE(CxIsMatch('\xE9', kCxSeekWhitespace));

    CxDebugCapture capture;
    EXPECT_FALSE(CxIsMatch(CxUint16('a'), CxSeek(8)));
    EXPECT_FALSE(CxIsMatch('a', CxSeek(-1)));
    EXPECT_EQ(capture.Count(), 2u);
}

} // namespace
