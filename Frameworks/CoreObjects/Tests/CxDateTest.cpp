#include "CxDate.h"
#include "CxDateTestHelpers.h"
#include "CxDebug.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <limits>
#include <random>

using sky::test::BreakdownCase;
using sky::test::CivilCase;
using sky::test::kUnixToAbsolute;
using sky::test::ScopedNow;
using sky::test::ScopedTz;
using sky::test::Utf8;
using sky::test::ZoneCase;

namespace
{

#include "CxDateCases.inc"

CxDate Civil(int inYear, int inMonth, int inDay, int inHour = 0, int inMinute = 0, int inSecond = 0, int inOffset = 0)
{
    return CxDate(CxSint16(inYear), CxSint16(inMonth), CxSint16(inDay), CxSint16(inHour), CxSint16(inMinute),
                  CxSint16(inSecond), inOffset);
}

void ExpectFields(const CxDateFields& inFields, int inYear, int inMonth, int inDay, int inHour, int inMinute,
                  int inSecond)
{
    EXPECT_EQ(inFields.mYear, inYear);
    EXPECT_EQ(inFields.mMonth, inMonth);
    EXPECT_EQ(inFields.mDay, inDay);
    EXPECT_EQ(inFields.mHour, inHour);
    EXPECT_EQ(inFields.mMinute, inMinute);
    EXPECT_EQ(inFields.mSecond, inSecond);
}

} // namespace

TEST(CxDate, ConstructionFromFieldsMatchesPython)
{
    for (const CivilCase& c : kCivilCases)
    {
        SCOPED_TRACE(testing::Message() << c.mYear << "-" << c.mMonth << "-" << c.mDay << " " << c.mHour << ":"
                                        << c.mMinute << ":" << c.mSecond << " offset " << c.mOffset);
        const CxDate date = Civil(c.mYear, c.mMonth, c.mDay, c.mHour, c.mMinute, c.mSecond, c.mOffset);
        EXPECT_EQ(date.AbsoluteTime(), c.mAbsolute);
        // And back through the same offset.
        ExpectFields(date.AsFields(c.mOffset), c.mYear, c.mMonth, c.mDay, c.mHour, c.mMinute, c.mSecond);
        CxDateFields fields = date.AsFields(c.mOffset);
        EXPECT_EQ(CxDate(fields, c.mOffset), date);
    }
}

TEST(CxDate, BreakdownMatchesPython)
{
    for (const BreakdownCase& c : kBreakdownCases)
    {
        SCOPED_TRACE(testing::Message() << "absolute " << c.mAbsolute);
        const CxDate date(c.mAbsolute);
        const CxDateFields fields = date.AsFields(0);
        ExpectFields(fields, c.mYear, c.mMonth, c.mDay, c.mHour, c.mMinute, c.mSecond);
        EXPECT_EQ(fields.mDayOfWeek, c.mDayOfWeek);
        EXPECT_EQ(fields.mDayOfYear, c.mDayOfYear);
        EXPECT_EQ(date.JulianDay(), c.mDayOfYear);
    }
}

TEST(CxDate, EdgeCases)
{
    // The origin, the missing date 1904-01-01 and the floors of 59.9 s and -0.5 s are among the reference vectors;
    // a nanosecond before the origin is still the year before, and a whole day back is exact.
    ExpectFields(CxDate(-1e-9).AsFields(0), 2000, 12, 31, 23, 59, 59);
    ExpectFields(CxDate(-86400.0).AsFields(0), 2000, 12, 31, 0, 0, 0);

    // The reference vectors hold the leap-year edges at midnight; the last second of a day and of a year here.
    EXPECT_EQ(Civil(2000, 2, 29, 23, 59, 59).JulianDay(), 60);
    EXPECT_EQ(Civil(2001, 12, 31, 23, 59, 59).JulianDay(), 365);
}

TEST(CxDate, OutOfRangeFieldsNormaliseAsTimegm)
{
    struct Fields
    {
        int mYear, mMonth, mDay, mHour, mMinute, mSecond;
    };
    std::vector<Fields> cases = {
        {2009, 0, 1, 0, 0, 0},     {2009, 13, 1, 0, 0, 0},  {2009, -1, 15, 0, 0, 0},    {2009, 25, 15, 0, 0, 0},
        {2009, 3, 0, 0, 0, 0},     {2008, 3, 0, 0, 0, 0},   {2009, 1, -1, 0, 0, 0},     {2009, 1, 32, 0, 0, 0},
        {2009, 2, 400, 0, 0, 0},   {2009, 1, 1, 24, 0, 0},  {2009, 1, 1, -1, 0, 0},     {2009, 1, 1, 100, 0, 0},
        {2009, 1, 1, 0, 60, 0},    {2009, 1, 1, 0, -61, 0}, {2009, 1, 1, 0, 0, 60},     {2009, 1, 1, 0, 0, -1},
        {2009, 1, 1, 0, 0, 32767}, {0, 0, 0, 0, 0, 0},      {1900, -32768, 1, 0, 0, 0}, {2000, 32767, 32767, 0, 0, 0},
    };
    std::mt19937 random(11);
    std::uniform_int_distribution<int> year(1, 9999);
    std::uniform_int_distribution<int> field(-500, 500);
    for (int i = 0; i < 300; ++i)
        cases.push_back({year(random), field(random), field(random), field(random), field(random), field(random)});

    for (const Fields& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.mYear << "/" << c.mMonth << "/" << c.mDay << " " << c.mHour << ":"
                                        << c.mMinute << ":" << c.mSecond);
        std::tm fields{};
        fields.tm_year = c.mYear - 1900;
        fields.tm_mon = c.mMonth - 1;
        fields.tm_mday = c.mDay;
        fields.tm_hour = c.mHour;
        fields.tm_min = c.mMinute;
        fields.tm_sec = c.mSecond;
        const long long expected = timegm(&fields);
        const CxDate date = Civil(c.mYear, c.mMonth, c.mDay, c.mHour, c.mMinute, c.mSecond);
        EXPECT_EQ(date.AbsoluteTime(), static_cast<double>(expected - kUnixToAbsolute));
    }
}

TEST(CxDate, NonFiniteTimesBreakDownAsTheOrigin)
{
    const double values[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity()};
    for (double value : values)
    {
        const CxDate date(value);
        ExpectFields(date.AsFields(0), 2001, 1, 1, 0, 0, 0);
        EXPECT_EQ(Utf8(date.AsString()), "2001-01-01 00:00:00 UTC");
        EXPECT_EQ(date.JulianDay(), 1);
        EXPECT_EQ(CxTimeZone(CxString("America/New_York")).UtcOffset(date), -18000);
    }
    // Huge finite times stay defined; the fields are still in range.
    for (double value : {1e300, -1e300, 1e18})
    {
        const CxDateFields fields = CxDate(value).AsFields(0);
        EXPECT_GE(fields.mMonth, 1);
        EXPECT_LE(fields.mMonth, 12);
        EXPECT_GE(fields.mDayOfWeek, 1);
        EXPECT_LE(fields.mDayOfWeek, 7);
    }
}

TEST(CxDate, ArithmeticAndComparison)
{
    const CxDate a(100.25);
    const CxDate b = a + 50.5;
    EXPECT_EQ(b.AbsoluteTime(), 150.75);
    EXPECT_EQ((b - 50.5).AbsoluteTime(), 100.25);
    EXPECT_EQ(b - a, 50.5);
    EXPECT_EQ(a - b, -50.5);
    CxDate c = a;
    c += 10;
    c -= 4;
    EXPECT_EQ(c.AbsoluteTime(), 106.25);

    EXPECT_TRUE(a < b && a <= b && b > a && b >= a && a != b);
    EXPECT_TRUE(a == CxDate(100.25) && a <= CxDate(100.25) && a >= CxDate(100.25));
    EXPECT_FALSE(a < a || a > a);

    const CxDate nan(std::numeric_limits<double>::quiet_NaN());
    EXPECT_FALSE(nan == nan);
    EXPECT_TRUE(nan != nan);
    EXPECT_FALSE(nan < a || nan > a || nan <= a || nan >= a);
}

TEST(CxDate, TextRoundTrips)
{
    EXPECT_EQ(Utf8(CxDate(0.0).AsString()), "2001-01-01 00:00:00 UTC");
    EXPECT_EQ(CxDate(CxString("2001-01-01 00:00:00 UTC")).AbsoluteTime(), 0.0);
    EXPECT_EQ(Utf8(Civil(1904, 1, 1).AsString()), "1904-01-01 00:00:00 UTC");
    EXPECT_EQ(Utf8(CxDate(-0.5).AsString()), "2000-12-31 23:59:59 UTC");

    // Every breakdown case reads back to its whole second.
    for (const BreakdownCase& c : kBreakdownCases)
    {
        const CxDate date(c.mAbsolute);
        EXPECT_EQ(CxDate(date.AsString()).AbsoluteTime(), std::floor(c.mAbsolute)) << Utf8(date.AsString());
    }

    const struct
    {
        const char* mText;
        CxDate mExpected;
    } cases[] = {
        {"2009-07-04", Civil(2009, 7, 4)},
        {"2009-07-04 05", Civil(2009, 7, 4, 5)},
        {"2009-07-04 05:06:07 UTC trailing words", Civil(2009, 7, 4, 5, 6, 7)},
        {"2009 07 04 05 06 07", Civil(2009, 7, 4, 5, 6, 7)},
        {"2009:07:04-05:06:07", Civil(2009, 7, 4, 5, 6, 7)},
        // Two separators in a row give an empty token, read as 0: the fields shift.
        {"2009-07-04  05:06:07", Civil(2009, 7, 4, 0, 5, 6)},
        // An unreadable token is 0, and month 0 is December of the year before.
        {"2009-xx-04", Civil(2008, 12, 4)},
        {"2009", Civil(2008, 11, 30)},
        {"garbage", Civil(0, 0, 0)},
        {"2009-07-04 12abc:30", Civil(2009, 7, 4, 12, 30)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CxDate(CxString(c.mText)).AbsoluteTime(), c.mExpected.AbsoluteTime()) << c.mText;
}

TEST(CxDate, NowFollowsTheSource)
{
    {
        ScopedNow fixed(123456789.25);
        EXPECT_EQ(CxDate().AbsoluteTime(), 123456789.25);
        EXPECT_EQ(CxDate(CxString("")).AbsoluteTime(), 123456789.25);
        EXPECT_EQ(Utf8(CxDate().AsString()), "2004-11-29 21:33:09 UTC");
    }
    {
        double clock = 1000.0;
        ScopedNow moving([&clock] { return clock; });
        EXPECT_EQ(CxDate().AbsoluteTime(), 1000.0);
        clock += 60.5;
        EXPECT_EQ(CxDate().AbsoluteTime(), 1060.5);

        // Setting returns the source it replaces; the empty source is real time.
        std::function<double()> previous = CxSetNowSource({});
        ASSERT_TRUE(previous);
        EXPECT_EQ(previous(), 1060.5);
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        const double real = double(now.tv_sec - kUnixToAbsolute) + now.tv_nsec * 1e-9;
        EXPECT_NEAR(CxDate().AbsoluteTime(), real, 5.0);
        bool fraction = false; // real time keeps fractions of a second
        for (int i = 0; i < 5 && !fraction; ++i)
        {
            const double t = CxDate().AbsoluteTime();
            fraction = t != std::floor(t);
        }
        EXPECT_TRUE(fraction);
        CxSetNowSource(std::move(previous));
        EXPECT_EQ(CxDate().AbsoluteTime(), 1060.5);
    }
}

TEST(CxDate, SystemStylesUseTheDefaultZone)
{
    ScopedNow now(0.0);
    const CxTimeZone newYork(CxString("America/New_York"));
    const CxDate date = Civil(2009, 7, 4, 5, 6, 7) + 0.9; // the fraction is dropped
    {
        ScopedTz tz("UTC");
        EXPECT_EQ(Utf8(date.AsString(kCxDateFormatLongDate, newYork)), "Saturday, July 4, 2009");
        EXPECT_EQ(Utf8(date.AsString(kCxDateFormatShortDate, newYork)), "7/4/09");
        EXPECT_EQ(Utf8(date.AsString(kCxDateFormatMediumDate, newYork)), "Jul 4, 2009");
        EXPECT_EQ(Utf8(date.AsString(kCxDateFormatShortTime, newYork)), "5:06 AM");
        EXPECT_EQ(Utf8(date.AsString(kCxDateFormatMediumTime, newYork)), "5:06:07 AM");
        EXPECT_EQ(Utf8(date.AsString(kCxDateFormatAbbreviation, newYork)), "EDT");
        EXPECT_EQ(Utf8(date.AsString(kCxDateFormatAbbreviation, 19800)), "GMT+0530");
        EXPECT_EQ(Utf8(Civil(2009, 1, 4, 12, 0, 0).AsString(kCxDateFormatShortTime, 0)), "12:00 PM");
        EXPECT_EQ(Utf8(Civil(2009, 1, 4, 0, 5, 0).AsString(kCxDateFormatShortTime, 0)), "12:05 AM");
        EXPECT_EQ(date.SystemUtcOffset(), 0.0);
    }
    {
        ScopedTz tz("Asia/Tokyo");
        EXPECT_EQ(Utf8(date.AsString(kCxDateFormatLongDate, newYork)), "Saturday, July 4, 2009");
        EXPECT_EQ(Utf8(date.AsString(kCxDateFormatMediumTime, newYork)), "2:06:07 PM");
        EXPECT_EQ(Utf8(Civil(2009, 7, 4, 20).AsString(kCxDateFormatLongDate, 0)), "Sunday, July 5, 2009");
        EXPECT_EQ(Utf8(Civil(2009, 7, 4, 20).AsString(kCxDateFormatShortDate, 0)), "7/5/09");
        EXPECT_EQ(date.SystemUtcOffset(), 32400.0);
    }
    {
        ScopedTz tz("America/New_York");
        EXPECT_EQ(date.SystemUtcOffset(), -14400.0);
        EXPECT_EQ(Civil(2009, 1, 4).SystemUtcOffset(), -18000.0);
        EXPECT_EQ(Utf8(CxSystemDateString(Civil(2009, 7, 4, 2).AbsoluteTime(), 2)), "Jul 3, 2009");
        EXPECT_EQ(Utf8(CxSystemTimeString(Civil(2009, 7, 4, 2).AbsoluteTime(), false)), "10:00 PM");
    }

    CxDebugCapture capture;
    EXPECT_EQ(Utf8(date.AsString(static_cast<CxDateFormat>(7), newYork)), "ERROR");
    EXPECT_EQ(Utf8(date.AsString(static_cast<CxDateFormat>(-1), 0)), "ERROR");
    EXPECT_EQ(capture.Count(), 2u);
    capture.Clear();
    EXPECT_EQ(Utf8(CxSystemDateString(0.0, 0)), "");
    EXPECT_GT(capture.Count(), 0u);
}
