#include "CxDate.h"
#include "CxDateTestHelpers.h"
#include "CxDebug.h"
#include "LinuxCxDate.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

using sky::test::BreakdownCase;
using sky::test::CivilCase;
using sky::test::FromUnix;
using sky::test::LibcLocal;
using sky::test::ScopedNow;
using sky::test::ScopedTz;
using sky::test::Utf8;
using sky::test::ZoneCase;

namespace
{

#include "CxDateCases.inc"

long long UnixOf(int inYear, int inMonth, int inDay)
{
    std::tm fields{};
    fields.tm_year = inYear - 1900;
    fields.tm_mon = inMonth - 1;
    fields.tm_mday = inDay;
    return timegm(&fields);
}

// Hourly instants through the given years, plus the second before and the second of every change the C library
// sees between two of them.
std::vector<long long> InstantsAround(std::initializer_list<int> inYears)
{
    std::vector<long long> instants;
    for (int year : inYears)
    {
        const long long start = UnixOf(year, 1, 1);
        const long long end = UnixOf(year + 1, 1, 1);
        for (long long t = start; t < end; t += 3600)
        {
            instants.push_back(t);
            const std::tm a = LibcLocal(t);
            const std::tm b = LibcLocal(t + 3600);
            if (a.tm_gmtoff == b.tm_gmtoff && std::strcmp(a.tm_zone, b.tm_zone) == 0)
                continue;
            long long low = t;
            long long high = t + 3600; // low is before the change, high after it
            while (high - low > 1)
            {
                const long long mid = low + (high - low) / 2;
                const std::tm m = LibcLocal(mid);
                if (m.tm_gmtoff == a.tm_gmtoff && std::strcmp(m.tm_zone, a.tm_zone) == 0)
                    low = mid;
                else
                    high = mid;
            }
            instants.push_back(low);
            instants.push_back(high);
        }
    }
    return instants;
}

// Compares a zone with the C library's reading of TZ (which the caller has set) at each instant.
void ExpectAgreesWithLibc(const CxTimeZone& inZone, const std::vector<long long>& inInstants)
{
    int failures = 0;
    for (long long t : inInstants)
    {
        const std::tm expected = LibcLocal(t);
        const CxDate date = FromUnix(t);
        const CxDateFields fields = date.AsFields(inZone);
        const bool same = inZone.UtcOffset(date) == expected.tm_gmtoff &&
                          Utf8(inZone.Abbreviation(date)) == expected.tm_zone &&
                          fields.mYear == expected.tm_year + 1900 && fields.mMonth == expected.tm_mon + 1 &&
                          fields.mDay == expected.tm_mday && fields.mHour == expected.tm_hour &&
                          fields.mMinute == expected.tm_min && fields.mSecond == expected.tm_sec &&
                          fields.mDayOfWeek == expected.tm_wday + 1 && fields.mDayOfYear == expected.tm_yday + 1;
        if (!same)
        {
            ADD_FAILURE() << "at unix " << t << ": offset " << inZone.UtcOffset(date) << " vs " << expected.tm_gmtoff
                          << ", abbreviation " << Utf8(inZone.Abbreviation(date)) << " vs " << expected.tm_zone
                          << ", hour " << fields.mHour << " vs " << expected.tm_hour;
            if (++failures == 5)
                return;
        }
    }
}

} // namespace

TEST(CxTimeZone, NamedZonesMatchPython)
{
    for (const ZoneCase& c : kZoneCases)
    {
        SCOPED_TRACE(testing::Message() << c.mZone << " at " << c.mAbsolute);
        const CxTimeZone zone{CxString(c.mZone)};
        ASSERT_NE(zone.GetRef(), nullptr);
        EXPECT_EQ(Utf8(zone.Name()), c.mZone);
        const CxDate date(c.mAbsolute);
        EXPECT_EQ(zone.UtcOffset(date), c.mOffset);
        EXPECT_EQ(Utf8(zone.Abbreviation(date)), c.mAbbreviation);
        const CxDateFields fields = date.AsFields(zone);
        EXPECT_EQ(fields.mYear, c.mYear);
        EXPECT_EQ(fields.mMonth, c.mMonth);
        EXPECT_EQ(fields.mDay, c.mDay);
        EXPECT_EQ(fields.mHour, c.mHour);
        EXPECT_EQ(fields.mMinute, c.mMinute);
        EXPECT_EQ(fields.mSecond, c.mSecond);
        EXPECT_EQ(fields.mDayOfWeek, c.mDayOfWeek);
        EXPECT_EQ(fields.mDayOfYear, c.mDayOfYear);
        // The zone's fields rebuild the instant at the zone's offset.
        EXPECT_EQ(CxDate(fields, c.mOffset), date);
    }
}

TEST(CxTimeZone, NamedZonesAgreeWithTheCLibrary)
{
    // Half-hour and 45-minute offsets, southern seasons, a 30-minute and a two-hour shift, negative daylight
    // saving (Dublin), zones whose rules changed often, and years only a footer rule reaches.
    const char* zones[] = {"America/New_York", "America/St_Johns", "Asia/Kolkata",      "Australia/Lord_Howe",
                           "Pacific/Chatham",  "Europe/London",    "Europe/Dublin",     "Africa/Casablanca",
                           "America/Santiago", "Asia/Tehran",      "Australia/Sydney",  "Antarctica/Troll",
                           "Asia/Kathmandu",   "Pacific/Apia",     "America/Sao_Paulo", "UTC",
                           "EST5EDT"};
    for (const char* name : zones)
    {
        SCOPED_TRACE(name);
        ScopedTz tz(name);
        const CxTimeZone zone{CxString(name)};
        ASSERT_NE(zone.GetRef(), nullptr);
        ExpectAgreesWithLibc(zone, InstantsAround({1975, 2009, 2075}));
        // The default zone read from TZ is the same zone.
        EXPECT_EQ(Utf8(CxTimeZone().Name()), name);
        ExpectAgreesWithLibc(CxTimeZone(), InstantsAround({2011}));
    }
}

TEST(CxTimeZone, PosixRulesInTzAgreeWithTheCLibrary)
{
    const char* rules[] = {
        "XST-3XDT,M3.5.0/2,M10.5.0/3",         // northern, week 5 meaning the last
        "<+0330>-3:30",                        // no daylight saving, a quoted name
        "<-03>3<-02>,M3.5.0/-2,M10.5.0/-1",    // negative transition times
        "AAA3BBB,J60/0,J300",                  // Julian days without Feb 29
        "CCC-2DDD,59,299/1:30",                // zero-based days with Feb 29
        "GGG-10HHH,M10.1.0,M4.1.0/3",          // southern: across the new year
        "III-5:45JJJ-6:45,M4.1.0/0,M9.5.6/23", // odd minutes, an explicit daylight offset
        "KKK2LLL,M1.1.0,M12.5.0"               // the first and last months
    };
    for (const char* rule : rules)
    {
        SCOPED_TRACE(rule);
        ScopedTz tz(rule);
        const CxTimeZone zone;
        EXPECT_EQ(Utf8(zone.Name()), rule);
        ExpectAgreesWithLibc(zone, InstantsAround({2008, 2009, 2100}));
    }

    // Daylight saving all year: the end (Dec 31, 25:00) meets the next start. The C library reads the rule in the
    // UTC year and so falls back to standard time for the last hours of each local year; Python's zoneinfo, like
    // this code, keeps daylight saving throughout.
    ScopedTz tz("EEE5FFF4,0/0,J365/25");
    const CxTimeZone allYear;
    for (long long t = UnixOf(2008, 1, 1) - 86400; t < UnixOf(2010, 1, 2); t += 1800)
    {
        ASSERT_EQ(allYear.UtcOffset(FromUnix(t)), -14400) << t;
        ASSERT_EQ(Utf8(allYear.Abbreviation(FromUnix(t))), "FFF") << t;
    }
}

TEST(CxTimeZone, DefaultZoneFromTz)
{
    const CxDate july = CxDate(CxString("2009-07-04 12:00:00"));
    const CxDate january = CxDate(CxString("2009-01-04 12:00:00"));
    {
        ScopedTz tz(":Asia/Kolkata");
        EXPECT_EQ(Utf8(CxTimeZone().Name()), "Asia/Kolkata");
        EXPECT_EQ(CxTimeZone().UtcOffset(july), 19800);
    }
    {
        // A rule without dates takes the United States ones.
        ScopedTz tz("KST5KDT");
        EXPECT_EQ(CxTimeZone().UtcOffset(july), -14400);
        EXPECT_EQ(Utf8(CxTimeZone().Abbreviation(july)), "KDT");
        EXPECT_EQ(CxTimeZone().UtcOffset(january), -18000);
    }
    for (const char* utc : {"", ":", "Not a zone or a rule"})
    {
        ScopedTz tz(utc);
        EXPECT_EQ(CxTimeZone().UtcOffset(july), 0) << utc;
        EXPECT_EQ(Utf8(CxTimeZone().Abbreviation(july)), "UTC") << utc;
    }
    {
        // Without TZ: /etc/localtime, whatever this machine holds, as the C library reads it.
        ScopedTz tz(nullptr);
        const CxTimeZone zone;
        ASSERT_NE(zone.GetRef(), nullptr);
        ExpectAgreesWithLibc(zone, InstantsAround({2009}));
        std::string name = Utf8(zone.Name());
        EXPECT_FALSE(name.empty());
        EXPECT_EQ(name.find("zoneinfo"), std::string::npos);
    }
}

TEST(CxTimeZone, DefaultZoneIsSharedWhileTzIsUnchanged)
{
    ScopedTz tz("Europe/London");
    const CxTimeZone first;
    const CxTimeZone second;
    EXPECT_TRUE(first == second);
    EXPECT_TRUE(first.IsEqualTo(second));
    ScopedTz::Set("Europe/Paris");
    const CxTimeZone third;
    EXPECT_TRUE(first != third);
    EXPECT_EQ(Utf8(third.Name()), "Europe/Paris");
    EXPECT_EQ(Utf8(first.Name()), "Europe/London"); // a held zone does not change
}

TEST(CxTimeZone, EqualityIsTheSameObject)
{
    const CxTimeZone a{CxString("America/Chicago")};
    const CxTimeZone copy = a;
    CxTimeZone assigned{CxString("UTC")};
    assigned = a;
    EXPECT_TRUE(copy == a);
    EXPECT_TRUE(assigned == a);
    EXPECT_EQ(copy.GetRef(), a.GetRef());
    // Built separately from one name: two zone objects, unequal.
    EXPECT_TRUE(CxTimeZone(CxString("America/Chicago")) != a);
    EXPECT_TRUE(CxTimeZone(3600) != CxTimeZone(3600));
}

TEST(CxTimeZone, UnknownNamesAreReportedAndBehaveAsUtc)
{
    const CxDate july = CxDate(CxString("2009-07-04 12:00:00"));
    const char* names[] = {"Nowhere/Atlantis",
                           "../../../etc/passwd",
                           "/usr/share/zoneinfo/UTC",
                           "America/../UTC",
                           "America",
                           "zone.tab",
                           "",
                           "XYZ"};
    for (const char* name : names)
    {
        SCOPED_TRACE(name);
        CxDebugCapture capture;
        {
            const CxTimeZone zone{CxString(name)};
            EXPECT_EQ(zone.GetRef(), nullptr);
            EXPECT_EQ(zone.UtcOffset(july), 0);
            EXPECT_EQ(Utf8(zone.Abbreviation(july)), "UTC");
            EXPECT_EQ(Utf8(zone.OffsetString(july)), "+0000");
            EXPECT_EQ(Utf8(zone.Name()), name);
            EXPECT_EQ(july.AsFields(zone).mHour, 12);
            EXPECT_EQ(Utf8(july.AsString(CxString("%H:%M %Z"), zone)), "12:00 UTC");
        }
        EXPECT_GE(capture.Count(), 5u);
    }
}

TEST(CxTimeZone, Abbreviations)
{
    const CxDate july = CxDate(CxString("2009-07-04 12:00:00"));
    const CxDate january = CxDate(CxString("2009-01-04 12:00:00"));
    const struct
    {
        const char* mName;
        const char* mZone;
        int mJuly, mJanuary;
    } cases[] = {
        {"EDT", "America/New_York", -14400, -18000},
        {"CST", "America/Chicago", -18000, -21600},
        {"BST", "Europe/London", 3600, 0},
        {"UTC", "UTC", 0, 0},
        {"GMT", "GMT", 0, 0},
        // The system's own files of these names win over the table: fixed, without daylight saving.
        {"EST", "EST", -18000, -18000},
        {"MST", "MST", -25200, -25200},
        {"HST", "HST", -36000, -36000},
        {"CET", "CET", 7200, 3600},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mName);
        const CxTimeZone zone{CxString(c.mName)};
        ASSERT_NE(zone.GetRef(), nullptr);
        EXPECT_EQ(Utf8(zone.Name()), c.mZone);
        EXPECT_EQ(zone.UtcOffset(july), c.mJuly);
        EXPECT_EQ(zone.UtcOffset(january), c.mJanuary);
    }
}

TEST(CxTimeZone, FixedOffsets)
{
    const CxDate dates[] = {CxDate(CxString("2009-07-04")), CxDate(CxString("2009-01-04")), CxDate(-3061152000.0)};
    const struct
    {
        CxSint32 mOffset;
        const char* mName;
        const char* mOffsetString;
    } cases[] = {
        {0, "GMT", "+0000"},         {19800, "GMT+0530", "+0530"},     {-12600, "GMT-0330", "-0330"},
        {3661, "GMT+0101", "+0101"}, {50400, "GMT+1400", "+1400"},     {-45, "GMT-0000", "-0000"},
        {45, "GMT+0000", "+0000"},   {-360000, "GMT-10000", "-10000"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mOffset);
        const CxTimeZone zone(c.mOffset);
        EXPECT_EQ(Utf8(zone.Name()), c.mName);
        for (const CxDate& date : dates)
        {
            EXPECT_EQ(zone.UtcOffset(date), c.mOffset);
            EXPECT_EQ(Utf8(zone.Abbreviation(date)), c.mName);
            EXPECT_EQ(Utf8(zone.OffsetString(date)), c.mOffsetString);
        }
    }
    // The extremes of the offset do not overflow.
    EXPECT_EQ(Utf8(CxTimeZone(INT32_MIN).OffsetString(dates[0])), "-59652314");
}

namespace
{

std::string ReadZoneFile(const char* inName)
{
    std::ifstream file(std::string(kLinuxCxZoneFolder) + "/" + inName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// A version-1 file (32-bit times, no footer) with the given transitions between two types.
std::string Version1File(const std::vector<CxSint32>& inTimes, const std::vector<CxUint8>& inIndexes)
{
    auto u32 = [](std::string& ioOut, CxUint32 inValue)
    {
        for (int shift = 24; shift >= 0; shift -= 8)
            ioOut += char((inValue >> shift) & 0xFF);
    };
    std::string out = "TZif";
    out += '\0';
    out += std::string(15, '\0');
    for (CxUint32 count : {0u, 0u, 0u, CxUint32(inTimes.size()), 2u, 8u})
        u32(out, count);
    for (CxSint32 t : inTimes)
        u32(out, CxUint32(t));
    for (CxUint8 i : inIndexes)
        out += char(i);
    u32(out, CxUint32(-18000));
    out += '\0';
    out += '\0';
    u32(out, CxUint32(-14400));
    out += '\1';
    out += '\4';
    out += std::string("EST\0EDT\0", 8);
    return out;
}

} // namespace

TEST(CxTimeZone, ZoneFileReading)
{
    // A version-1 file: the transitions, and type 0 before the first.
    const auto v1 = LinuxCxZone::FromTzif("Test", Version1File({1000, 2000}, {1, 0}));
    ASSERT_NE(v1, nullptr);
    EXPECT_EQ(v1->At(999).mOffset, -18000);
    EXPECT_EQ(v1->At(1000).mOffset, -14400);
    EXPECT_EQ(*v1->At(1999).mAbbreviation, "EDT");
    EXPECT_EQ(v1->At(2000).mOffset, -18000);
    EXPECT_EQ(v1->At(1LL << 40).mOffset, -18000);

    // Damaged files are refused.
    EXPECT_EQ(LinuxCxZone::FromTzif("Test", Version1File({2000, 1000}, {1, 0})), nullptr); // not ascending
    EXPECT_EQ(LinuxCxZone::FromTzif("Test", Version1File({1000}, {2})), nullptr);          // no such type
    EXPECT_EQ(LinuxCxZone::FromTzif("Test", "TZif"), nullptr);
    EXPECT_EQ(LinuxCxZone::FromTzif("Test", ""), nullptr);

    // Every truncation of a real file is refused or read, never read past its end.
    const std::string newYork = ReadZoneFile("America/New_York");
    ASSERT_GT(newYork.size(), 100u);
    for (std::size_t length = 0; length < newYork.size(); ++length)
    {
        const auto zone = LinuxCxZone::FromTzif("Cut", std::string_view(newYork).substr(0, length));
        if (zone)
        {
            EXPECT_EQ(zone->At(0).mOffset, -18000) << length; // only the footer can be missing
        }
    }
    // A damaged footer leaves the last transition in force.
    std::string badFooter = newYork.substr(0, newYork.rfind('\n', newYork.size() - 2)) + "\nEST5EDT,M13\n";
    const auto noRule = LinuxCxZone::FromTzif("Cut", badFooter);
    ASSERT_NE(noRule, nullptr);
    const long long july2100 = UnixOf(2100, 7, 4);
    EXPECT_EQ(noRule->At(july2100).mOffset, -18000);
    EXPECT_EQ(LinuxCxZone::FromTzif("Whole", newYork)->At(july2100).mOffset, -14400);

    // Random corruption never crashes.
    std::mt19937 random(7);
    for (int i = 0; i < 2000; ++i)
    {
        std::string bytes = newYork;
        for (int j = 0; j < 4; ++j)
            bytes[random() % bytes.size()] = char(random());
        if (const auto zone = LinuxCxZone::FromTzif("Noise", bytes))
        {
            const auto local = zone->At(static_cast<CxSint64>(random()) - (1LL << 31));
            EXPECT_NE(local.mAbbreviation, nullptr);
        }
    }
}

TEST(CxTimeZone, RuleParser)
{
    const char* good[] = {"UTC0",
                          "EST5EDT",
                          "EST5EDT,M3.2.0,M11.1.0",
                          "<+0330>-3:30",
                          "NZST-12NZDT,M9.5.0,M4.1.0/3",
                          "AAA-1:02:03",
                          "ABC+2DEF,J1/167,J365/-167"};
    for (const char* rule : good)
        EXPECT_TRUE(LinuxCxParseZoneRule(rule).has_value()) << rule;
    const char* bad[] = {"",
                         "AB5",
                         "EST",
                         "EST5EDT,M13.1.0,M11.1.0",
                         "EST5EDT,M3.2.0",
                         "EST25",
                         "<+03",
                         "EST5EDT,M3.6.0,M11.1.0",
                         "EST5EDT,M3.2.7,M11.1.0",
                         "EST5EDT,J0,J365",
                         "EST5EDT,366,1",
                         "EST5EDT,M3.2.0/168,M11.1.0",
                         "EST5:60",
                         "EST5EDT,M3.2.0,M11.1.0,",
                         "EST5 ",
                         "<A1>5"};
    for (const char* rule : bad)
        EXPECT_FALSE(LinuxCxParseZoneRule(rule).has_value()) << rule;

    const auto rule = LinuxCxParseZoneRule("<+1030>-10:30<+11>-11,M10.1.0,M4.1.0");
    ASSERT_TRUE(rule.has_value());
    EXPECT_EQ(rule->mStdOffset, 37800);
    EXPECT_EQ(rule->mDstOffset, 39600);
    EXPECT_EQ(rule->mStdName, "+1030");
    EXPECT_EQ(rule->mDstName, "+11");
}
