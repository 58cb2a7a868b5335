// Dates, time zones and the date formatter. A date is a double count of seconds since 2001-01-01 00:00:00 UTC
// (no leap seconds, fractions kept); zones come from the system's time-zone files.
#pragma once

#include "CxString.h"
#include "CxTypes.h"

#include <functional>
#include <memory>

class CxDate;

// The calendar fields of an instant in a zone. mDayOfWeek is 1 Sunday ... 7 Saturday.
struct CxDateFields
{
    CxSint16 mYear = 0;
    CxSint16 mMonth = 0;     // 1-12
    CxSint16 mDay = 0;       // 1-31
    CxSint16 mHour = 0;      // 0-23
    CxSint16 mMinute = 0;    // 0-59
    CxSint16 mSecond = 0;    // 0-59, the fraction dropped
    CxSint16 mDayOfWeek = 0; // 1-7
    CxSint16 mDayOfYear = 0; // 1-366
};

// The system styles of AsString. The locale styles 0-4 always use the default zone.
enum CxDateFormat : CxSint32
{
    kCxDateFormatLongDate = 0,    // "Saturday, July 4, 2009"
    kCxDateFormatShortDate = 1,   // "7/4/09"
    kCxDateFormatMediumDate = 2,  // "Jul 4, 2009"
    kCxDateFormatShortTime = 3,   // "5:06 AM"
    kCxDateFormatMediumTime = 4,  // "5:06:07 AM"
    kCxDateFormatAbbreviation = 5 // the zone's abbreviation
};

// The source of every "now": real time while it is empty. Tests set it to fix or move the time; it may be set and
// read from any thread. Returns the source it replaces.
std::function<double()> CxSetNowSource(std::function<double()> inSource);

// A named zone, the default zone or a fixed offset. Copies share one immutable zone object; two zones are equal
// only when they hold the same object.
class CxTimeZone
{
public:
    // The system's default zone: $TZ (a zone name, ":name", or a POSIX rule), else /etc/localtime, else UTC.
    CxTimeZone();
    // A fixed offset east of UTC in seconds, without daylight saving; named "GMT", "GMT+hhmm" or "GMT-hhmm".
    explicit CxTimeZone(CxSint32 inUtcOffset);
    // A zone file name ("America/New_York") or a common abbreviation ("PST"). An unknown name is reported at each
    // use and then behaves as UTC.
    explicit CxTimeZone(const CxString& inName);
    CxTimeZone(const CxTimeZone& inOther) = default;
    CxTimeZone& operator=(const CxTimeZone& inOther) = default;
    ~CxTimeZone();

    // The platform's zone object, defined with the platform code.
    struct Impl;

    // The zone object; null for an unknown name.
    const Impl* GetRef() const;
    CxString Name() const;
    CxString Abbreviation(const CxDate& inDate) const;
    // Seconds east of UTC at that instant, daylight saving included.
    CxSint32 UtcOffset(const CxDate& inDate) const;
    // "+hhmm" or "-hhmm" ("+0000", "-0500", "+0530").
    CxString OffsetString(const CxDate& inDate) const;

    bool IsEqualTo(const CxTimeZone& inOther) const { return mRef == inOther.mRef; }
    friend bool operator==(const CxTimeZone& inA, const CxTimeZone& inB) { return inA.IsEqualTo(inB); }
    friend bool operator!=(const CxTimeZone& inA, const CxTimeZone& inB) { return !inA.IsEqualTo(inB); }

private:
    const Impl& Zone() const;

    std::shared_ptr<const Impl> mRef;
    bool mMissing = false; // built from a name nobody knows: mRef is then a stand-in UTC
};

class CxDate
{
public:
    // The current time, from the now source.
    CxDate();
    // An absolute time as it stands.
    explicit CxDate(double inAbsoluteTime) : mTime(inAbsoluteTime) {}
    // A civil time in a zone of that fixed offset (seconds east of UTC). Fields out of range carry over as timegm
    // carries them (month 0 is December of the year before, day 0 the last day of the month before).
    CxDate(CxSint16 inYear, CxSint16 inMonth, CxSint16 inDay, CxSint16 inHour, CxSint16 inMinute, CxSint16 inSecond,
           CxSint32 inUtcOffset);
    CxDate(const CxDateFields& inFields, CxSint32 inUtcOffset);
    // The text of AsString(): "-" and ":" count as blanks, the first six tokens are year, month, day, hour, minute
    // and second in UTC (missing or unreadable ones 0), the rest is ignored. The empty text is now.
    explicit CxDate(const CxString& inText);
    CxDate(const CxDate& inOther) = default;
    CxDate& operator=(const CxDate& inOther) = default;

    CxDate operator+(double inSeconds) const { return CxDate(mTime + inSeconds); }
    CxDate operator-(double inSeconds) const { return CxDate(mTime - inSeconds); }
    CxDate& operator+=(double inSeconds)
    {
        mTime += inSeconds;
        return *this;
    }
    CxDate& operator-=(double inSeconds)
    {
        mTime -= inSeconds;
        return *this;
    }
    double operator-(const CxDate& inOther) const { return mTime - inOther.mTime; }

    friend bool operator==(const CxDate& inA, const CxDate& inB) { return inA.mTime == inB.mTime; }
    friend bool operator!=(const CxDate& inA, const CxDate& inB) { return inA.mTime != inB.mTime; }
    friend bool operator<(const CxDate& inA, const CxDate& inB) { return inA.mTime < inB.mTime; }
    friend bool operator>(const CxDate& inA, const CxDate& inB) { return inA.mTime > inB.mTime; }
    friend bool operator<=(const CxDate& inA, const CxDate& inB) { return inA.mTime <= inB.mTime; }
    friend bool operator>=(const CxDate& inA, const CxDate& inB) { return inA.mTime >= inB.mTime; }

    double AbsoluteTime() const { return mTime; }
    // The default zone's offset at this instant, in seconds.
    double SystemUtcOffset() const;

    // The breakdown floors the time (-0.5 s is 23:59:59 of the day before); a NaN or infinite time breaks down as
    // absolute time 0.
    CxDateFields AsFields(const CxTimeZone& inZone) const;
    CxDateFields AsFields(CxSint32 inUtcOffset) const;
    // Day of the year (1-366) in UTC.
    CxSint16 JulianDay() const;

    // "%04d-%02d-%02d %02d:%02d:%02d UTC".
    CxString AsString() const;
    // Through CxDateFormatter.
    CxString AsString(const CxString& inPattern, const CxTimeZone& inZone) const;
    CxString AsString(const CxString& inPattern, CxSint32 inUtcOffset) const;
    // The system styles; "ERROR" (and a report) for any other number.
    CxString AsString(CxDateFormat inFormat, const CxTimeZone& inZone) const;
    CxString AsString(CxDateFormat inFormat, CxSint32 inUtcOffset) const;

private:
    double mTime;
};

// The date alone in the default zone: style 1 short ("7/4/09"), 2 medium ("Jul 4, 2009"), 3 long
// ("Saturday, July 4, 2009"). Only the C locale exists here, so the wording is fixed English.
CxString CxSystemDateString(double inAbsoluteTime, CxSint32 inStyle);
// The time alone in the default zone: "5:06 AM", or "5:06:07 AM" with seconds.
CxString CxSystemTimeString(double inAbsoluteTime, bool inWithSeconds);

// Formats a date with strftime-like percent codes; all the work is done by the constructor. A "-" after "%" turns
// padding off and a "#" pads with blanks; "%1" to "%5" are the locale styles; day and month names are keys of
// CxLocalize ("MayAbbrev" for the short May). Unknown codes are reported and produce nothing.
class CxDateFormatter
{
public:
    CxDateFormatter(const CxDate& inDate, const CxTimeZone& inZone, const CxString& inPattern);

    const CxString& Result() const { return mResult; }

private:
    enum Padding : CxSint32
    {
        kPadNone = 0,
        kPadBlank = 1,
        kPadZero = 2
    };

    void StateZero();
    void StateOne();
    void AppendNumber(int inValue, int inWidth);
    void AppendText(const char* inText);

    void Format_a();
    void Format_A();
    void Format_b();
    void Format_B();
    void Format_C();
    void Format_d();
    void Format_D();
    void Format_e();
    void Format_H();
    void Format_I();
    void Format_j();
    void Format_l();
    void Format_m();
    void Format_M();
    void Format_p();
    void Format_r();
    void Format_R();
    void Format_S();
    void Format_T();
    void Format_u();
    void Format_U();
    void Format_w();
    void Format_W();
    void Format_y();
    void Format_Y();
    void Format_Z();
    void Format_z();
    void Format_pct();
    void Format_pnd();
    void Format_hyphen();
    void Format_1();
    void Format_2();
    void Format_3();
    void Format_4();
    void Format_5();

    CxDate mDate;
    CxDateFields mFields;
    CxTimeZone mZone;
    CxString mPattern;
    CxString mResult;
    CxUint16 mUnit = 0;
    CxSint32 mState = 0;
    Padding mPadding = kPadZero;
};
