// Decimal texts read bit for bit as Python's float() and strtod read them, "inf" (once read as 0) included.
#include "CxData.h"
#include "CxPreferences.h"
#include "CxStream.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace
{

#include "CxHardDoubles.inc"

template <typename T> auto Bits(T inValue)
{
    return std::bit_cast<std::conditional_t<sizeof(T) == 8, unsigned long long, unsigned>>(inValue);
}

TEST(CxNumberText, HardCasesReadBitForBitEverywhere)
{
    CxPreferences preferences;
    for (const HardCase& c : kHardCases)
    {
        CxString text(c.mText), twice = CxString(" ") + text + " " + text;
        double value = 0, streamed = 0;
        float single = 0;
        CxStringStream(twice) >> value >> single;
        CxData bytes(c.mText, CxUint32(std::strlen(c.mText)));
        CxTextStream(bytes) >> streamed;
        preferences.SetStringValue("v", text, 0);
        for (double read : {text.AsDouble(), value, streamed, preferences.GetFloatValue("v")})
            EXPECT_EQ(Bits(read), c.mDouble) << c.mText << " should be " << c.mHex;
        for (float read : {text.AsFloat(), single})
            EXPECT_EQ(Bits(read), c.mFloat) << c.mText;
    }
}

// 1 to 20 significant digits, the point anywhere among them, exponents across the whole range and past it.
TEST(CxNumberText, RandomTextsReadAsStrtodReadsThem)
{
    std::mt19937_64 random(2024);
    for (int i = 0; i < 100000; ++i)
    {
        std::string text = random() % 2 ? "-" : "";
        for (int d = 0, digits = 1 + int(random() % 20), point = int(random() % (digits + 1)); d < digits; ++d)
            text += (d == point ? "." : "") + std::string(1, char('0' + random() % 10));
        text += "e" + std::to_string(int(random() % 700) - 360);
        const CxString ours(text.c_str());
        ASSERT_EQ(Bits(ours.AsDouble()), Bits(std::strtod(text.c_str(), nullptr))) << text;
        ASSERT_EQ(Bits(ours.AsFloat()), Bits(std::strtof(text.c_str(), nullptr))) << text;
    }
}

} // namespace
