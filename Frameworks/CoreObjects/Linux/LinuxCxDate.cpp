#include "LinuxCxDate.h"

#include "CxCriticalRegion.h"
#include "CxDate.h"
#include "CxDebug.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

constexpr CxSint64 kSecondsPerDay = 86400;

// Far beyond any calendar use (about three billion years), and far inside the 64-bit range, so that the steps
// after the float-to-integer conversion never overflow.
constexpr double kAbsoluteLimit = 1e17;

CxSint64 FloorDiv(CxSint64 inA, CxSint64 inB)
{
    CxSint64 q = inA / inB;
    if ((inA % inB != 0) && ((inA < 0) != (inB < 0)))
        --q;
    return q;
}

CxSint64 FloorMod(CxSint64 inA, CxSint64 inB)
{
    return inA - FloorDiv(inA, inB) * inB;
}

} // namespace

double LinuxCxRealNow()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<double>(static_cast<CxSint64>(now.tv_sec) - kLinuxCxUnixToAbsolute) +
           static_cast<double>(now.tv_nsec) * 1e-9;
}

// ---- Calendar -------------------------------------------------------------------------------------------------

bool LinuxCxIsLeapYear(CxSint64 inYear)
{
    return (inYear % 4 == 0) && ((inYear % 100 != 0) || (inYear % 400 == 0));
}

CxSint64 LinuxCxDaysFromCivil(CxSint64 inYear, CxSint64 inMonth, CxSint64 inDay)
{
    // Carry the month into the year first, then count from the first of that month.
    CxSint64 year = inYear + FloorDiv(inMonth - 1, 12);
    const CxSint64 month = FloorMod(inMonth - 1, 12) + 1;

    // Days from civil on a year that starts in March, so that the leap day ends the year.
    year -= (month <= 2) ? 1 : 0;
    const CxSint64 era = FloorDiv(year, 400);
    const CxSint64 yearOfEra = year - era * 400;
    const CxSint64 dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5;
    const CxSint64 dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468 + (inDay - 1);
}

LinuxCxCivil LinuxCxCivilFromUnix(CxSint64 inUnixSeconds)
{
    LinuxCxCivil civil;
    const CxSint64 days = FloorDiv(inUnixSeconds, kSecondsPerDay);
    const CxSint64 secondOfDay = inUnixSeconds - days * kSecondsPerDay;
    civil.mHour = static_cast<int>(secondOfDay / 3600);
    civil.mMinute = static_cast<int>(secondOfDay / 60 % 60);
    civil.mSecond = static_cast<int>(secondOfDay % 60);
    civil.mWeekday = static_cast<int>(FloorMod(days + 4, 7)); // 1970-01-01 was a Thursday

    const CxSint64 z = days + 719468;
    const CxSint64 era = FloorDiv(z, 146097);
    const CxSint64 dayOfEra = z - era * 146097;
    const CxSint64 yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const CxSint64 dayOfMarchYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const CxSint64 monthFromMarch = (5 * dayOfMarchYear + 2) / 153;
    civil.mDay = static_cast<int>(dayOfMarchYear - (153 * monthFromMarch + 2) / 5 + 1);
    civil.mMonth = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    civil.mYear = yearOfEra + era * 400 + (civil.mMonth <= 2 ? 1 : 0);
    civil.mDayOfYear = static_cast<int>(days - LinuxCxDaysFromCivil(civil.mYear, 1, 1) + 1);
    return civil;
}

CxSint64 LinuxCxFloorToUnix(double inAbsoluteTime)
{
    if (!std::isfinite(inAbsoluteTime))
        return kLinuxCxUnixToAbsolute;
    const double floored = std::clamp(std::floor(inAbsoluteTime), -kAbsoluteLimit, kAbsoluteLimit);
    return static_cast<CxSint64>(floored) + kLinuxCxUnixToAbsolute;
}

// ---- POSIX TZ rules -------------------------------------------------------------------------------------------

namespace
{

class RuleScanner
{
public:
    explicit RuleScanner(std::string_view inText) : mText(inText) {}

    bool AtEnd() const { return mPos == mText.size(); }
    char Peek() const { return AtEnd() ? '\0' : mText[mPos]; }
    bool Take(char inChar)
    {
        if (Peek() != inChar)
            return false;
        ++mPos;
        return true;
    }

    // A zone abbreviation: three or more letters, or "<...>" of letters, digits and signs.
    bool Name(std::string& outName)
    {
        outName.clear();
        if (Take('<'))
        {
            while (!AtEnd() && Peek() != '>')
            {
                const char c = mText[mPos++];
                if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-')
                    return false;
                outName += c;
            }
            return Take('>') && outName.size() >= 3;
        }
        while (!AtEnd() && std::isalpha(static_cast<unsigned char>(Peek())))
            outName += mText[mPos++];
        return outName.size() >= 3;
    }

    // An unsigned number of at most inMaxDigits digits.
    bool Number(int inMaxDigits, int& outValue)
    {
        int digits = 0;
        outValue = 0;
        while (digits < inMaxDigits && std::isdigit(static_cast<unsigned char>(Peek())))
        {
            outValue = outValue * 10 + (mText[mPos++] - '0');
            ++digits;
        }
        return digits > 0 && !std::isdigit(static_cast<unsigned char>(Peek()));
    }

    // [+-]hh[:mm[:ss]] in seconds, the hours at most inMaxHours.
    bool Duration(int inMaxHours, CxSint32& outSeconds)
    {
        int sign = 1;
        if (Take('-'))
            sign = -1;
        else
            Take('+');
        int hours = 0;
        int minutes = 0;
        int seconds = 0;
        if (!Number(3, hours) || hours > inMaxHours)
            return false;
        if (Take(':'))
        {
            if (!Number(2, minutes) || minutes > 59)
                return false;
            if (Take(':') && (!Number(2, seconds) || seconds > 59))
                return false;
        }
        outSeconds = sign * (hours * 3600 + minutes * 60 + seconds);
        return true;
    }

    bool When(LinuxCxZoneRule::When& outWhen)
    {
        outWhen = {};
        if (Take('J'))
        {
            outWhen.mKind = 'J';
            if (!Number(3, outWhen.mDay) || outWhen.mDay < 1 || outWhen.mDay > 365)
                return false;
        }
        else if (Take('M'))
        {
            outWhen.mKind = 'M';
            if (!Number(2, outWhen.mMonth) || outWhen.mMonth < 1 || outWhen.mMonth > 12 || !Take('.') ||
                !Number(1, outWhen.mWeek) || outWhen.mWeek < 1 || outWhen.mWeek > 5 || !Take('.') ||
                !Number(1, outWhen.mDay) || outWhen.mDay > 6)
                return false;
        }
        else
        {
            outWhen.mKind = 'D';
            if (!Number(3, outWhen.mDay) || outWhen.mDay > 365)
                return false;
        }
        if (Take('/'))
            return Duration(167, outWhen.mTime);
        return true;
    }

private:
    std::string_view mText;
    std::size_t mPos = 0;
};

// Days from the Unix epoch to the day a rule names in a year.
CxSint64 RuleDay(const LinuxCxZoneRule::When& inWhen, CxSint64 inYear)
{
    const CxSint64 january1 = LinuxCxDaysFromCivil(inYear, 1, 1);
    switch (inWhen.mKind)
    {
    case 'J':
        return january1 + inWhen.mDay - 1 + ((inWhen.mDay >= 60 && LinuxCxIsLeapYear(inYear)) ? 1 : 0);
    case 'D':
        return january1 + inWhen.mDay;
    default:
    {
        const CxSint64 first = LinuxCxDaysFromCivil(inYear, inWhen.mMonth, 1);
        const CxSint64 firstWeekday = FloorMod(first + 4, 7);
        CxSint64 day = first + FloorMod(inWhen.mDay - firstWeekday, 7) + (inWhen.mWeek - 1) * 7;
        const CxSint64 next = LinuxCxDaysFromCivil(inYear, inWhen.mMonth + 1, 1);
        while (day >= next)
            day -= 7;
        return day;
    }
    }
}

LinuxCxZone::Local RuleAt(const LinuxCxZoneRule& inRule, CxSint64 inUnixSeconds)
{
    if (!inRule.mHasDst)
        return {inRule.mStdOffset, false, &inRule.mStdName};

    // The year in standard time; the start is given in standard time and the end in daylight-saving time.
    const CxSint64 year = LinuxCxCivilFromUnix(inUnixSeconds + inRule.mStdOffset).mYear;
    const CxSint64 start = RuleDay(inRule.mStart, year) * kSecondsPerDay + inRule.mStart.mTime - inRule.mStdOffset;
    const CxSint64 end = RuleDay(inRule.mEnd, year) * kSecondsPerDay + inRule.mEnd.mTime - inRule.mDstOffset;
    bool dst;
    if (start < end)
        dst = (start <= inUnixSeconds) && (inUnixSeconds < end);
    else
        dst = !((end <= inUnixSeconds) && (inUnixSeconds < start)); // southern hemisphere: across the new year
    if (dst)
        return {inRule.mDstOffset, true, &inRule.mDstName};
    return {inRule.mStdOffset, false, &inRule.mStdName};
}

} // namespace

std::optional<LinuxCxZoneRule> LinuxCxParseZoneRule(std::string_view inText)
{
    LinuxCxZoneRule rule;
    RuleScanner scan(inText);
    CxSint32 west = 0;
    if (!scan.Name(rule.mStdName) || !scan.Duration(24, west))
        return std::nullopt;
    rule.mStdOffset = -west;
    if (scan.AtEnd())
        return rule;

    if (!scan.Name(rule.mDstName))
        return std::nullopt;
    rule.mHasDst = true;
    rule.mDstOffset = rule.mStdOffset + 3600;
    if (scan.Peek() != ',' && !scan.AtEnd())
    {
        if (!scan.Duration(24, west))
            return std::nullopt;
        rule.mDstOffset = -west;
    }
    if (scan.AtEnd())
    {
        // No dates: the United States rules, as the C library assumes.
        rule.mStart = {'M', 0, 2, 3, 7200};
        rule.mEnd = {'M', 0, 1, 11, 7200};
        return rule;
    }
    if (!scan.Take(',') || !scan.When(rule.mStart) || !scan.Take(',') || !scan.When(rule.mEnd) || !scan.AtEnd())
        return std::nullopt;
    return rule;
}

// ---- Zones ----------------------------------------------------------------------------------------------------

LinuxCxZone::Local LinuxCxZone::At(CxSint64 inUnixSeconds) const
{
    if (mTimes.empty())
        return mRule ? RuleAt(*mRule, inUnixSeconds) : FromType(mTypes.front());
    if (inUnixSeconds < mTimes.front())
        return FromType(mTypes.front());
    if (mRule && inUnixSeconds >= mTimes.back())
        return RuleAt(*mRule, inUnixSeconds);
    const auto after = std::upper_bound(mTimes.begin(), mTimes.end(), inUnixSeconds);
    const std::size_t index = static_cast<std::size_t>(after - mTimes.begin()) - 1;
    return FromType(mTypes[mTypeIndex[index]]);
}

std::shared_ptr<const LinuxCxZone> LinuxCxZone::Fixed(CxSint32 inOffset)
{
    auto zone = std::make_shared<LinuxCxZone>();
    if (inOffset == 0)
        zone->mName = "GMT";
    else
    {
        const long long magnitude = std::abs(static_cast<long long>(inOffset));
        char text[40];
        std::snprintf(text, sizeof text, "GMT%c%02lld%02lld", inOffset < 0 ? '-' : '+', magnitude / 3600,
                      magnitude % 3600 / 60);
        zone->mName = text;
    }
    zone->mTypes.push_back({inOffset, false, zone->mName});
    return zone;
}

std::shared_ptr<const LinuxCxZone> LinuxCxZone::Utc(std::string inName)
{
    auto zone = std::make_shared<LinuxCxZone>();
    zone->mName = std::move(inName);
    zone->mTypes.push_back({0, false, "UTC"});
    return zone;
}

std::shared_ptr<const LinuxCxZone> LinuxCxZone::FromRule(std::string inName, std::string_view inRule)
{
    auto rule = LinuxCxParseZoneRule(inRule);
    if (!rule)
        return nullptr;
    auto zone = std::make_shared<LinuxCxZone>();
    zone->mName = std::move(inName);
    zone->mTypes.push_back({rule->mStdOffset, false, rule->mStdName});
    zone->mRule = std::move(rule);
    return zone;
}

namespace
{

class TzifReader
{
public:
    explicit TzifReader(std::string_view inBytes) : mBytes(inBytes) {}

    std::size_t Position() const { return mPos; }
    std::size_t Remaining() const { return mBytes.size() - mPos; }
    void Skip(std::size_t inCount) { mPos += inCount; }
    std::string_view Take(std::size_t inCount)
    {
        const std::string_view part = mBytes.substr(mPos, inCount);
        mPos += inCount;
        return part;
    }
    CxUint8 U8() { return static_cast<CxUint8>(mBytes[mPos++]); }
    CxUint32 U32()
    {
        CxUint32 value = 0;
        for (int i = 0; i < 4; ++i)
            value = (value << 8) | U8();
        return value;
    }
    CxUint64 U64()
    {
        const CxUint64 high = U32();
        return (high << 32) | U32();
    }

private:
    std::string_view mBytes;
    std::size_t mPos = 0;
};

struct TzifHeader
{
    char mVersion = 0;
    CxUint32 mUtCount = 0;
    CxUint32 mStdCount = 0;
    CxUint32 mLeapCount = 0;
    CxUint32 mTimeCount = 0;
    CxUint32 mTypeCount = 0;
    CxUint32 mCharCount = 0;

    CxUint64 DataSize(CxUint64 inTimeSize) const
    {
        return CxUint64(mTimeCount) * (inTimeSize + 1) + CxUint64(mTypeCount) * 6 + mCharCount +
               CxUint64(mLeapCount) * (inTimeSize + 4) + mStdCount + mUtCount;
    }
};

bool ReadHeader(TzifReader& ioReader, TzifHeader& outHeader)
{
    if (ioReader.Remaining() < 44 || ioReader.Take(4) != "TZif")
        return false;
    outHeader.mVersion = static_cast<char>(ioReader.U8());
    ioReader.Skip(15);
    outHeader.mUtCount = ioReader.U32();
    outHeader.mStdCount = ioReader.U32();
    outHeader.mLeapCount = ioReader.U32();
    outHeader.mTimeCount = ioReader.U32();
    outHeader.mTypeCount = ioReader.U32();
    outHeader.mCharCount = ioReader.U32();
    return outHeader.mTypeCount >= 1 && outHeader.mTypeCount <= 256 && outHeader.mCharCount >= 1 &&
           (outHeader.mUtCount == 0 || outHeader.mUtCount == outHeader.mTypeCount) &&
           (outHeader.mStdCount == 0 || outHeader.mStdCount == outHeader.mTypeCount);
}

} // namespace

std::shared_ptr<const LinuxCxZone> LinuxCxZone::FromTzif(std::string inName, std::string_view inBytes)
{
    TzifReader reader(inBytes);
    TzifHeader header;
    if (!ReadHeader(reader, header))
        return nullptr;
    CxUint64 timeSize = 4;
    if (header.mVersion >= '2')
    {
        // The 32-bit block is there for old readers; the 64-bit one follows with its own header.
        if (reader.Remaining() < header.DataSize(4))
            return nullptr;
        reader.Skip(static_cast<std::size_t>(header.DataSize(4)));
        if (!ReadHeader(reader, header))
            return nullptr;
        timeSize = 8;
    }
    if (reader.Remaining() < header.DataSize(timeSize))
        return nullptr;

    auto zone = std::make_shared<LinuxCxZone>();
    zone->mName = std::move(inName);
    zone->mTimes.reserve(header.mTimeCount);
    for (CxUint32 i = 0; i < header.mTimeCount; ++i)
    {
        const CxSint64 when =
            (timeSize == 8) ? static_cast<CxSint64>(reader.U64()) : static_cast<CxSint32>(reader.U32());
        if (!zone->mTimes.empty() && when <= zone->mTimes.back())
            return nullptr;
        zone->mTimes.push_back(when);
    }
    zone->mTypeIndex.reserve(header.mTimeCount);
    for (CxUint32 i = 0; i < header.mTimeCount; ++i)
    {
        const CxUint8 index = reader.U8();
        if (index >= header.mTypeCount)
            return nullptr;
        zone->mTypeIndex.push_back(index);
    }
    struct RawType
    {
        CxSint32 mOffset;
        bool mIsDst;
        CxUint8 mNameIndex;
    };
    std::vector<RawType> raw;
    for (CxUint32 i = 0; i < header.mTypeCount; ++i)
    {
        const CxSint32 offset = static_cast<CxSint32>(reader.U32());
        const bool isDst = reader.U8() != 0;
        const CxUint8 nameIndex = reader.U8();
        if (offset == INT32_MIN || nameIndex >= header.mCharCount)
            return nullptr;
        raw.push_back({offset, isDst, nameIndex});
    }
    const std::string_view names = reader.Take(header.mCharCount);
    for (const RawType& type : raw)
    {
        std::string_view name = names.substr(type.mNameIndex);
        name = name.substr(0, name.find('\0'));
        zone->mTypes.push_back({type.mOffset, type.mIsDst, std::string(name)});
    }
    // Leap-second records and the standard/UT indicators do not affect civil time here.
    reader.Skip(
        static_cast<std::size_t>(CxUint64(header.mLeapCount) * (timeSize + 4) + header.mStdCount + header.mUtCount));

    // The footer: "\n" rule "\n". A damaged or unknown rule leaves the last transition in force.
    if (timeSize == 8 && reader.Remaining() >= 2 && reader.U8() == '\n')
    {
        const std::string_view rest = reader.Take(reader.Remaining());
        const std::size_t end = rest.find('\n');
        if (end != std::string_view::npos && end > 0)
            zone->mRule = LinuxCxParseZoneRule(rest.substr(0, end));
    }
    return zone;
}

namespace
{

bool IsSafeZoneName(const std::string& inName)
{
    if (inName.empty() || inName.size() > 255 || inName.front() == '/' || inName.find('\0') != std::string::npos)
        return false;
    std::size_t start = 0;
    while (start <= inName.size())
    {
        std::size_t end = inName.find('/', start);
        if (end == std::string::npos)
            end = inName.size();
        if (inName.compare(start, end - start, "..") == 0)
            return false;
        start = end + 1;
    }
    return true;
}

// The whole of a regular file of modest size; nothing otherwise.
std::optional<std::string> ReadSmallFile(const std::string& inPath)
{
    constexpr off_t kLimit = 1 << 20;
    const int fd = open(inPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::optional<std::string> result;
    struct stat info
    {
    };
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kLimit)
    {
        std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
        std::size_t done = 0;
        while (done < bytes.size())
        {
            const ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += static_cast<std::size_t>(got);
        }
        bytes.resize(done);
        result = std::move(bytes);
    }
    close(fd);
    return result;
}

} // namespace

std::shared_ptr<const LinuxCxZone> LinuxCxZone::FromZoneFile(const std::string& inName)
{
    if (!IsSafeZoneName(inName))
        return nullptr;
    const auto bytes = ReadSmallFile(std::string(kLinuxCxZoneFolder) + "/" + inName);
    if (!bytes)
        return nullptr;
    return FromTzif(inName, *bytes);
}

std::shared_ptr<const LinuxCxZone> LinuxCxZone::FromNameOrAbbreviation(const std::string& inName)
{
    if (auto zone = FromZoneFile(inName))
        return zone;
    static constexpr struct
    {
        const char* mAbbreviation;
        const char* mZone;
    } kAbbreviations[] = {
        {"EST", "America/New_York"},
        {"EDT", "America/New_York"},
        {"CST", "America/Chicago"},
        {"CDT", "America/Chicago"},
        {"MST", "America/Denver"},
        {"MDT", "America/Denver"},
        {"PST", "America/Los_Angeles"},
        {"PDT", "America/Los_Angeles"},
        {"AKST", "America/Anchorage"},
        {"AKDT", "America/Anchorage"},
        {"HST", "Pacific/Honolulu"},
        {"GMT", "UTC"},
        {"UTC", "UTC"},
        {"BST", "Europe/London"},
        {"CET", "Europe/Paris"},
        {"CEST", "Europe/Paris"},
    };
    for (const auto& entry : kAbbreviations)
        if (inName == entry.mAbbreviation)
            return FromZoneFile(entry.mZone);
    return nullptr;
}

namespace
{

std::shared_ptr<const LinuxCxZone> MakeDefaultZone(const std::optional<std::string>& inTz)
{
    if (inTz)
    {
        std::string name = *inTz;
        if (!name.empty() && name.front() == ':')
            name.erase(0, 1);
        if (name.empty())
            return LinuxCxZone::Utc("UTC");
        if (auto zone = LinuxCxZone::FromZoneFile(name))
            return zone;
        if (auto zone = LinuxCxZone::FromRule(name, name))
            return zone;
        return LinuxCxZone::Utc("UTC");
    }
    const char* kLocaltime = "/etc/localtime";
    if (const auto bytes = ReadSmallFile(kLocaltime))
    {
        std::string name = "localtime";
        char target[1024];
        const ssize_t length = readlink(kLocaltime, target, sizeof target - 1);
        if (length > 0)
        {
            const std::string link(target, static_cast<std::size_t>(length));
            const std::size_t at = link.find("zoneinfo/");
            if (at != std::string::npos && at + 9 < link.size())
                name = link.substr(at + 9);
        }
        if (auto zone = LinuxCxZone::FromTzif(name, *bytes))
            return zone;
    }
    return LinuxCxZone::Utc("UTC");
}

} // namespace

std::shared_ptr<const LinuxCxZone> LinuxCxZone::Default()
{
    // Never destroyed: other threads may still ask while the process exits.
    struct Cache
    {
        CxCriticalRegion mRegion;
        std::optional<std::string> mTz;
        std::shared_ptr<const LinuxCxZone> mZone;
    };
    static Cache* sCache = new Cache;

    std::optional<std::string> tz;
    if (const char* value = std::getenv("TZ"))
        tz = value;
    CxAutoLock lock(sCache->mRegion);
    if (!sCache->mZone || tz != sCache->mTz)
    {
        sCache->mZone = MakeDefaultZone(tz);
        sCache->mTz = std::move(tz);
    }
    return sCache->mZone;
}

// ---- Locale styles --------------------------------------------------------------------------------------------

namespace
{

// Only the C locale exists here, so the styles are fixed English patterns.
constexpr const char* kDayNames[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
constexpr const char* kMonthNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                                         "July",    "August",   "September", "October", "November", "December"};

LinuxCxCivil DefaultZoneCivil(double inAbsoluteTime)
{
    const CxSint64 unixSeconds = LinuxCxFloorToUnix(inAbsoluteTime);
    return LinuxCxCivilFromUnix(unixSeconds + LinuxCxZone::Default()->At(unixSeconds).mOffset);
}

} // namespace

CxString CxSystemDateString(double inAbsoluteTime, CxSint32 inStyle)
{
    const LinuxCxCivil civil = DefaultZoneCivil(inAbsoluteTime);
    const long long year = civil.mYear;
    char text[96];
    switch (inStyle)
    {
    case 1:
        std::snprintf(text, sizeof text, "%d/%d/%02lld", civil.mMonth, civil.mDay, (year % 100 + 100) % 100);
        break;
    case 2:
        std::snprintf(text, sizeof text, "%.3s %d, %lld", kMonthNames[civil.mMonth - 1], civil.mDay, year);
        break;
    case 3:
        std::snprintf(text, sizeof text, "%s, %s %d, %lld", kDayNames[civil.mWeekday], kMonthNames[civil.mMonth - 1],
                      civil.mDay, year);
        break;
    default:
        CxAssert(false);
        return CxString();
    }
    return CxString(text);
}

CxString CxSystemTimeString(double inAbsoluteTime, bool inWithSeconds)
{
    const LinuxCxCivil civil = DefaultZoneCivil(inAbsoluteTime);
    const int hour = (civil.mHour % 12 == 0) ? 12 : civil.mHour % 12;
    const char* half = civil.mHour < 12 ? "AM" : "PM";
    char text[48];
    if (inWithSeconds)
        std::snprintf(text, sizeof text, "%d:%02d:%02d %s", hour, civil.mMinute, civil.mSecond, half);
    else
        std::snprintf(text, sizeof text, "%d:%02d %s", hour, civil.mMinute, half);
    return CxString(text);
}
