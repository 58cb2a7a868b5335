// Helpers of the date tests: each test fixes TZ and the now source itself and puts them back afterwards, so the
// suite passes whatever the machine's zone.
#pragma once

#include "CxDate.h"

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <utility>

namespace sky::test
{

// Sets TZ (or unsets it for nullptr) for the object's life; the C library is told too, for the cross-checks.
class ScopedTz
{
public:
    explicit ScopedTz(const char* inValue)
    {
        if (const char* old = std::getenv("TZ"))
            mSaved = old;
        Set(inValue);
    }
    ~ScopedTz() { Set(mSaved ? mSaved->c_str() : nullptr); }
    ScopedTz(const ScopedTz&) = delete;
    ScopedTz& operator=(const ScopedTz&) = delete;

    static void Set(const char* inValue)
    {
        if (inValue)
            setenv("TZ", inValue, 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> mSaved;
};

// Replaces the now source for the object's life.
class ScopedNow
{
public:
    explicit ScopedNow(std::function<double()> inSource) : mSaved(CxSetNowSource(std::move(inSource))) {}
    explicit ScopedNow(double inFixed) : ScopedNow([inFixed] { return inFixed; }) {}
    ~ScopedNow() { CxSetNowSource(std::move(mSaved)); }
    ScopedNow(const ScopedNow&) = delete;
    ScopedNow& operator=(const ScopedNow&) = delete;

private:
    std::function<double()> mSaved;
};

// What the C library's own zone code says about an instant in the zone TZ names (call with TZ set).
inline std::tm LibcLocal(long long inUnixSeconds)
{
    const std::time_t when = static_cast<std::time_t>(inUnixSeconds);
    std::tm local{};
    localtime_r(&when, &local);
    return local;
}

struct CivilCase
{
    int mYear, mMonth, mDay, mHour, mMinute, mSecond, mOffset;
    double mAbsolute;
};

struct BreakdownCase
{
    double mAbsolute;
    int mYear, mMonth, mDay, mHour, mMinute, mSecond, mDayOfWeek, mDayOfYear;
};

struct ZoneCase
{
    const char* mZone;
    double mAbsolute;
    int mOffset;
    const char* mAbbreviation;
    int mYear, mMonth, mDay, mHour, mMinute, mSecond, mDayOfWeek, mDayOfYear;
};

inline std::string Utf8(const CxString& inText)
{
    return inText.AsUtf8();
}

// Seconds from the Unix epoch to 2001-01-01 00:00:00 UTC, the origin of absolute times.
constexpr long long kUnixToAbsolute = 978307200;

inline CxDate FromUnix(long long inSeconds)
{
    return CxDate(double(inSeconds - kUnixToAbsolute));
}

} // namespace sky::test
