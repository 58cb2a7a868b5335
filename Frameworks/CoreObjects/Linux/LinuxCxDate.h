// The platform side of dates: the real clock, proleptic Gregorian arithmetic, and zone objects read from the
// system's time-zone files (TZif) or built from POSIX TZ rules. Nothing here touches the process-global zone state
// of the C library (setenv, tzset, localtime_r), so every call is safe from any thread.
#pragma once

#include "CxDate.h"
#include "CxTypes.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Seconds from 1970-01-01 (the Unix epoch) to 2001-01-01, the origin of absolute time.
inline constexpr CxSint64 kLinuxCxUnixToAbsolute = 978307200;

// Real time as absolute time (CLOCK_REALTIME), fractions kept.
double LinuxCxRealNow();

// ---- Calendar -------------------------------------------------------------------------------------------------

// Days from 1970-01-01 to the given civil date. The month may lie outside 1-12 (carried into the year) and the
// day outside the month (counted on linearly), as timegm does.
CxSint64 LinuxCxDaysFromCivil(CxSint64 inYear, CxSint64 inMonth, CxSint64 inDay);

bool LinuxCxIsLeapYear(CxSint64 inYear);

// The civil time of a whole-second count from the Unix epoch.
struct LinuxCxCivil
{
    CxSint64 mYear = 1970;
    int mMonth = 1;     // 1-12
    int mDay = 1;       // 1-31
    int mHour = 0;      // 0-23
    int mMinute = 0;    // 0-59
    int mSecond = 0;    // 0-59
    int mWeekday = 4;   // 0 Sunday ... 6 Saturday
    int mDayOfYear = 1; // 1-366
};

LinuxCxCivil LinuxCxCivilFromUnix(CxSint64 inUnixSeconds);

// Absolute time as whole Unix seconds, floored. Non-finite times count as absolute time 0, and finite ones are
// kept within a range where every later integer step is defined.
CxSint64 LinuxCxFloorToUnix(double inAbsoluteTime);

// ---- Zones ----------------------------------------------------------------------------------------------------

// A POSIX TZ rule ("EST5EDT,M3.2.0,M11.1.0", "<+1030>-10:30<+11>-11,M10.1.0,M4.1.0", "IST-5:30"). Offsets are
// held east-positive (seconds to add to UTC), the opposite of the text's sign.
struct LinuxCxZoneRule
{
    struct When
    {
        char mKind = 'M';      // 'J' (1-365, no Feb 29), 'D' (0-365, zero-based), 'M' (month.week.day)
        int mDay = 0;          // J/D: the day number; M: the weekday 0-6
        int mWeek = 0;         // M: 1-5, 5 meaning the last
        int mMonth = 0;        // M: 1-12
        CxSint32 mTime = 7200; // seconds after local midnight, -167 h to 167 h
    };

    std::string mStdName;
    std::string mDstName;
    CxSint32 mStdOffset = 0;
    CxSint32 mDstOffset = 0;
    bool mHasDst = false;
    When mStart;
    When mEnd;
};

// Parses a rule; nothing when the text is not one.
std::optional<LinuxCxZoneRule> LinuxCxParseZoneRule(std::string_view inText);

// An immutable zone: the transitions of a zone file, a rule for the instants after them, or one fixed type. It is
// what a CxTimeZone holds.
using LinuxCxZone = CxTimeZone::Impl;

struct CxTimeZone::Impl
{
    struct Type
    {
        CxSint32 mOffset = 0;
        bool mIsDst = false;
        std::string mAbbreviation;
    };

    struct Local
    {
        CxSint32 mOffset = 0;
        bool mIsDst = false;
        const std::string* mAbbreviation = nullptr; // lives as long as the zone
    };

    const std::string& Name() const { return mName; }
    Local At(CxSint64 inUnixSeconds) const;

    // Fixed offset ("GMT", "GMT+0530", "GMT-0330"); no daylight saving.
    static std::shared_ptr<const LinuxCxZone> Fixed(CxSint32 inOffset);
    // UTC under the given name.
    static std::shared_ptr<const LinuxCxZone> Utc(std::string inName);
    // TZif data; nothing when the data is damaged or not TZif.
    static std::shared_ptr<const LinuxCxZone> FromTzif(std::string inName, std::string_view inBytes);
    // A POSIX rule string; nothing when it does not parse.
    static std::shared_ptr<const LinuxCxZone> FromRule(std::string inName, std::string_view inRule);
    // The zone file of that name under the system's zone folder; nothing for a missing or damaged file and for
    // names that would leave the folder.
    static std::shared_ptr<const LinuxCxZone> FromZoneFile(const std::string& inName);
    // A zone name, or else one of the common abbreviations ("PST", "CEST", ...); nothing when neither is known.
    static std::shared_ptr<const LinuxCxZone> FromNameOrAbbreviation(const std::string& inName);
    // The system's default zone: $TZ, /etc/localtime, else UTC. The same object while $TZ is unchanged.
    static std::shared_ptr<const LinuxCxZone> Default();

private:
    Local FromType(const Type& inType) const { return {inType.mOffset, inType.mIsDst, &inType.mAbbreviation}; }

    std::string mName;
    std::vector<CxSint64> mTimes;         // transition instants, ascending
    std::vector<CxUint8> mTypeIndex;      // the type from each transition on
    std::vector<Type> mTypes;             // at least one; type 0 holds before the first transition
    std::optional<LinuxCxZoneRule> mRule; // after the last transition
};

// Where zone files are read from.
inline constexpr const char* kLinuxCxZoneFolder = "/usr/share/zoneinfo";
