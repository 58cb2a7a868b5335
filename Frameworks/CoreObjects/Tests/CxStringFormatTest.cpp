#include "CxString.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <memory>
#include <string>

namespace
{

struct FormatVector
{
    double value;
    int decimals;
    const char* expected;
};

#include "CxFormatVectors.inc"

std::string Narrow(const CxString& inString)
{
    std::unique_ptr<char[]> text(inString.AsCString());
    return text.get();
}

void ExpectAllVectors()
{
    for (const FormatVector& v : kDoubleFormatVectors)
        EXPECT_EQ(Narrow(CxString(v.value, v.decimals)), v.expected) << std::hexfloat << v.value << " " << v.decimals;
    for (const FormatVector& v : kFloatFormatVectors)
    {
        const float value = float(v.value);
        EXPECT_EQ(Narrow(CxString(value, v.decimals)), v.expected) << std::hexfloat << value << " " << v.decimals;
    }
}

TEST(CxStringFormat, MatchesNextAfterThenPrintf)
{
    ExpectAllVectors();
}

TEST(CxStringFormat, CasesBesideTheVectors)
{
    EXPECT_EQ(Narrow(CxString(-std::nan(""), 3)), "nan");
    EXPECT_EQ(Narrow(CxString(-std::numeric_limits<float>::quiet_NaN(), 1)), "nan");
    EXPECT_EQ(Narrow(CxString(-std::numeric_limits<float>::infinity(), 0)), "-inf");
    EXPECT_EQ(Narrow(CxString(-0.4, 0)), "0");
    EXPECT_EQ(Narrow(CxString(1.0, -1)), "1.000000"); // a negative count means printf's default
    EXPECT_EQ(Narrow(CxString(1e300, 2)).size(), 304u);
    EXPECT_EQ(Narrow(CxString(0.1, 60)).size(), 62u);
}

// Numbers are written and read the same way whatever the locale.
TEST(CxStringFormat, IgnoresACommaDecimalLocale)
{
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous ? previous : "C";
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr)
        << "the locale de_DE.UTF-8 is missing (scripts/install-deps generates it)";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    EXPECT_STREQ(probe, "1,5") << "the locale did not take effect";

    ExpectAllVectors();
    EXPECT_EQ(CxString("2.5").AsDouble(), 2.5);
    EXPECT_EQ(CxString("-1.5e2").AsFloat(), -150.0f);

    std::setlocale(LC_ALL, saved.c_str());
}

} // namespace
