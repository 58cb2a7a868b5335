#include "CxDate.h"
#include "CxDateTestHelpers.h"
#include "CxDebug.h"
#include "CxLocalize.h"

#include <gtest/gtest.h>

#include <cctype>
#include <clocale>
#include <ctime>
#include <random>
#include <string>
#include <vector>

using sky::test::FromUnix;
using sky::test::LibcLocal;
using sky::test::ScopedNow;
using sky::test::ScopedTz;
using sky::test::Utf8;

namespace
{

std::string Format(const CxDate& inDate, const char* inPattern, const CxTimeZone& inZone)
{
    return Utf8(inDate.AsString(CxString(inPattern), inZone));
}

std::string Format(const CxDate& inDate, const char* inPattern, CxSint32 inOffset = 0)
{
    return Utf8(inDate.AsString(CxString(inPattern), inOffset));
}

CxDate Utc(const char* inText)
{
    return CxDate(CxString(inText));
}

std::string Strftime(const std::string& inPattern, const std::tm& inFields)
{
    char text[256];
    const std::size_t length = std::strftime(text, sizeof text, inPattern.c_str(), &inFields);
    return std::string(text, length);
}

enum class Kind
{
    kNumber,    // padded by the flag to its width
    kBlank2,    // always "%2d"
    kText,      // names and signs: no padding
    kComposite, // every part padded by the flag
};

struct Code
{
    char mCode;
    Kind mKind;
    int mWidth;
    const char* mParts; // of a composite
};

const Code kCodes[] = {
    {'C', Kind::kNumber, 2, nullptr},      {'d', Kind::kNumber, 2, nullptr},  {'H', Kind::kNumber, 2, nullptr},
    {'I', Kind::kNumber, 2, nullptr},      {'j', Kind::kNumber, 3, nullptr},  {'m', Kind::kNumber, 2, nullptr},
    {'M', Kind::kNumber, 2, nullptr},      {'S', Kind::kNumber, 2, nullptr},  {'u', Kind::kNumber, 2, nullptr},
    {'w', Kind::kNumber, 2, nullptr},      {'y', Kind::kNumber, 2, nullptr},  {'Y', Kind::kNumber, 4, nullptr},
    {'e', Kind::kBlank2, 2, nullptr},      {'l', Kind::kBlank2, 2, nullptr},  {'a', Kind::kText, 0, nullptr},
    {'A', Kind::kText, 0, nullptr},        {'b', Kind::kText, 0, nullptr},    {'h', Kind::kText, 0, nullptr},
    {'B', Kind::kText, 0, nullptr},        {'p', Kind::kText, 0, nullptr},    {'Z', Kind::kText, 0, nullptr},
    {'z', Kind::kText, 0, nullptr},        {'%', Kind::kText, 0, nullptr},    {'D', Kind::kComposite, 0, "m/d/y"},
    {'r', Kind::kComposite, 0, "I:M:S p"}, {'R', Kind::kComposite, 0, "H:M"}, {'T', Kind::kComposite, 0, "H:M:S"},
};

int WidthOf(char inCode)
{
    for (const Code& code : kCodes)
        if (code.mCode == inCode)
            return code.mWidth;
    return 0;
}

// The C library's spelling of one of our numeric codes under our flag: our "-" is its "-", our "#" its "_", and
// our zero padding its "0"; the width is ours.
std::string LibcNumber(char inCode, char inFlag)
{
    const std::string width = std::to_string(WidthOf(inCode));
    if (inFlag == '-')
        return std::string("%-") + inCode;
    if (inFlag == '#')
        return "%_" + width + inCode;
    return "%0" + width + inCode;
}

std::string LibcPattern(const Code& inCode, char inFlag)
{
    switch (inCode.mKind)
    {
    case Kind::kNumber:
        return LibcNumber(inCode.mCode, inFlag);
    case Kind::kBlank2:
        return std::string("%_2") + inCode.mCode;
    case Kind::kText:
        return std::string("%") + inCode.mCode;
    case Kind::kComposite:
        break;
    }
    if (inFlag == 0)
        return std::string("%") + inCode.mCode;
    std::string pattern;
    for (const char* part = inCode.mParts; *part; ++part)
    {
        if (*part == 'p')
            pattern += "%p";
        else if (std::isalpha(static_cast<unsigned char>(*part)))
            pattern += LibcNumber(*part, inFlag);
        else
            pattern += *part;
    }
    return pattern;
}

// The names come through CxLocalize, whose key for the short May is "MayAbbrev".
std::string ExpectedFor(const Code& inCode, char inFlag, const std::tm& inFields)
{
    const std::string libc = Strftime(LibcPattern(inCode, inFlag), inFields);
    switch (inCode.mCode)
    {
    case 'b':
    case 'h':
        return Utf8(CxLocalize(CxString(inFields.tm_mon == 4 ? "MayAbbrev" : libc.c_str())));
    case 'a':
    case 'A':
    case 'B':
        return Utf8(CxLocalize(CxString(libc.c_str())));
    default:
        return libc;
    }
}

// Every code under every flag, against the C library's strftime on the fields its own zone code gives (TZ set).
void ExpectMatchesStrftime(const CxTimeZone& inZone, const std::vector<long long>& inInstants)
{
    int failures = 0;
    for (long long t : inInstants)
    {
        const std::tm fields = LibcLocal(t);
        const CxDate date = FromUnix(t);
        for (const Code& code : kCodes)
            for (char flag : {char(0), '-', '#'})
            {
                std::string pattern = "<%";
                if (flag)
                    pattern += flag;
                pattern += code.mCode;
                pattern += '>';
                const std::string expected = "<" + ExpectedFor(code, flag, fields) + ">";
                const std::string actual = Format(date, pattern.c_str(), inZone);
                if (actual != expected)
                {
                    ADD_FAILURE() << "unix " << t << " pattern " << pattern << ": " << actual << " vs " << expected;
                    if (++failures == 10)
                        return;
                }
            }
    }
}

} // namespace

TEST(CxDateFormatter, EveryCodeMatchesStrftime)
{
    ASSERT_NE(std::setlocale(LC_TIME, nullptr), nullptr);
    EXPECT_STREQ(std::setlocale(LC_TIME, nullptr), "C");

    std::vector<long long> instants;
    // Each hour of a Sunday and each day of a year (single-digit days and months, noon, midnight, May).
    const long long sunday = 1246752000; // 2009-07-05 00:00 UTC
    for (int hour = 0; hour < 24; ++hour)
        instants.push_back(sunday + hour * 3600 + 1825);
    for (int day = 0; day < 366; ++day)
        instants.push_back(1230768000LL + day * 86400LL + (day % 24) * 3600 + day * 7);
    {
        ScopedTz tz("UTC");
        // Years 1000 to 9999 as well, in UTC.
        std::mt19937 random(17);
        std::vector<long long> wide = instants;
        std::uniform_int_distribution<long long> any(-30610224000LL, 253402300799LL);
        for (int i = 0; i < 300; ++i)
            wide.push_back(any(random));
        ExpectMatchesStrftime(CxTimeZone(CxString("UTC")), wide);
    }
    for (const char* zone : {"America/New_York", "Asia/Kolkata", "Australia/Lord_Howe", "America/St_Johns"})
    {
        SCOPED_TRACE(zone);
        ScopedTz tz(zone);
        ExpectMatchesStrftime(CxTimeZone(CxString(zone)), instants);
    }
}

TEST(CxDateFormatter, CasesOfThePatterns)
{
    const CxDate date = Utc("2009-07-04 05:06:07");
    // The codes and flags the comparison with strftime cannot reach.
    const struct
    {
        const char* mDate; // null for the date above
        const char* mPattern;
        const char* mExpected;
    } cases[] = {
        {nullptr, "%U", "00"},
        {nullptr, "%W", "00"},
        {nullptr, "%-U%#W", "0 0"},
        {nullptr, "%%", "%"},
        {nullptr, "%%d", "%d"},
        {nullptr, "%-#d", " 4"},
        {nullptr, "%#-d", "4"}, // the last flag wins
        {nullptr, "%H:%M:%S %Z %z", "05:06:07 GMT +0000"},
        {nullptr, "no codes at all", "no codes at all"},
        {nullptr, "", ""},
        {"0999-02-03", "%Y|%#Y|%-Y|%y|%C", "0999| 999|999|99|09"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Format(c.mDate != nullptr ? Utc(c.mDate) : date, c.mPattern), c.mExpected)
            << (c.mDate != nullptr ? c.mDate : "") << " " << c.mPattern;

    EXPECT_EQ(Format(Utc("2009-05-06 13:30:00"), "%b|%h|%B"),
              Utf8(CxLocalize(CxString("MayAbbrev"))) + "|" + Utf8(CxLocalize(CxString("MayAbbrev"))) + "|May");
    EXPECT_EQ(Format(Utc("2009-05-06"), "%b"), "MayAbbrev"); // no string table is read yet

    // A fixed offset: the fields are the offset's, as are the name and offset.
    EXPECT_EQ(Format(date, "%H:%M %Z %z", 19800), "10:36 GMT+0530 +0530");

    // Text passes through unit for unit, whatever it is.
    const CxString pattern = CxString::FromUtf8("Zeit: %H Uhr \xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(Utf8(date.AsString(pattern, 0)), "Zeit: 05 Uhr \xC3\xA9\xE2\x82\xAC");
}

TEST(CxDateFormatter, UnknownCodesAndTrailingPercent)
{
    const CxDate date = Utc("2009-07-04 05:06:07");
    CxDebugCapture capture;
    EXPECT_EQ(Format(date, "a%Qb"), "ab");
    EXPECT_EQ(capture.Count(), 1u);
    EXPECT_EQ(Format(date, "%-Q%d"), "04");
    EXPECT_EQ(capture.Count(), 2u);

    capture.Clear();
    for (const char* pattern : {"abc%", "abc%-", "abc%#"})
        EXPECT_EQ(Format(date, pattern), "abc") << pattern;
    EXPECT_EQ(Format(date, "%"), "");
    EXPECT_EQ(capture.Count(), 0u);
}

TEST(CxDateFormatter, LocaleStylesUseTheDefaultZone)
{
    ScopedNow now(0.0);
    const CxDate date = Utc("2009-07-04 05:06:07");
    const CxTimeZone newYork(CxString("America/New_York"));
    ScopedTz tz("UTC");
    EXPECT_EQ(Format(date, "%1|%2|%3", newYork), "Saturday, July 4, 2009|7/4/09|Jul 4, 2009");
    EXPECT_EQ(Format(date, "%4|%5|%H", newYork), "5:06 AM|5:06:07 AM|01");
    EXPECT_EQ(Format(date, "%-1"), "Saturday, July 4, 2009");
}
