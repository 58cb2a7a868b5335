#include "CxDate.h"

#include "CxCriticalRegion.h"
#include "CxDebug.h"
#include "CxLocalize.h"
#include "LinuxCxDate.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

// ---- The now source -------------------------------------------------------------------------------------------

namespace
{

using NowSource = std::function<double()>;

// Never destroyed: job threads may still ask for the time while the process exits.
struct NowState
{
    CxCriticalRegion mRegion;
    std::shared_ptr<const NowSource> mSource;
    std::atomic<bool> mSet{false}; // lets real time skip the lock
};

NowState& TheNow()
{
    static NowState* sState = new NowState;
    return *sState;
}

double Now()
{
    NowState& state = TheNow();
    if (!state.mSet.load(std::memory_order_acquire))
        return LinuxCxRealNow();
    std::shared_ptr<const NowSource> source;
    {
        CxAutoLock lock(state.mRegion);
        source = state.mSource;
    }
    // Called outside the lock, so that a source may itself read dates.
    return source ? (*source)() : LinuxCxRealNow();
}

} // namespace

std::function<double()> CxSetNowSource(std::function<double()> inSource)
{
    std::shared_ptr<const NowSource> source;
    if (inSource)
        source = std::make_shared<const NowSource>(std::move(inSource));
    NowState& state = TheNow();
    CxAutoLock lock(state.mRegion);
    std::shared_ptr<const NowSource> previous = std::move(state.mSource);
    state.mSource = std::move(source);
    state.mSet.store(state.mSource != nullptr, std::memory_order_release);
    return previous ? *previous : NowSource();
}

// ---- CxTimeZone -----------------------------------------------------------------------------------------------

CxTimeZone::CxTimeZone() : mRef(LinuxCxZone::Default()) {}

CxTimeZone::CxTimeZone(CxSint32 inUtcOffset) : mRef(LinuxCxZone::Fixed(inUtcOffset)) {}

CxTimeZone::CxTimeZone(const CxString& inName) : mRef(LinuxCxZone::FromNameOrAbbreviation(inName.AsUtf8()))
{
    if (!mRef)
    {
        mRef = LinuxCxZone::Utc(inName.AsUtf8());
        mMissing = true;
    }
}

CxTimeZone::~CxTimeZone()
{
    CxAssertText(!mMissing, "mRef != nil");
}

const CxTimeZone::Impl& CxTimeZone::Zone() const
{
    CxAssertText(!mMissing, "mRef != nil");
    return *mRef;
}

const CxTimeZone::Impl* CxTimeZone::GetRef() const
{
    return mMissing ? nullptr : mRef.get();
}

CxString CxTimeZone::Name() const
{
    return CxString::FromUtf8(Zone().Name());
}

CxString CxTimeZone::Abbreviation(const CxDate& inDate) const
{
    return CxString::FromUtf8(*Zone().At(LinuxCxFloorToUnix(inDate.AbsoluteTime())).mAbbreviation);
}

CxSint32 CxTimeZone::UtcOffset(const CxDate& inDate) const
{
    return Zone().At(LinuxCxFloorToUnix(inDate.AbsoluteTime())).mOffset;
}

CxString CxTimeZone::OffsetString(const CxDate& inDate) const
{
    const CxSint32 offset = UtcOffset(inDate);
    const long long magnitude = std::llabs(offset);
    char text[32];
    std::snprintf(text, sizeof text, "%c%02lld%02lld", offset >= 0 ? '+' : '-', magnitude / 3600,
                  magnitude % 3600 / 60);
    return CxString(text);
}

// ---- CxDate ---------------------------------------------------------------------------------------------------

CxDate::CxDate() : mTime(Now()) {}

CxDate::CxDate(CxSint16 inYear, CxSint16 inMonth, CxSint16 inDay, CxSint16 inHour, CxSint16 inMinute, CxSint16 inSecond,
               CxSint32 inUtcOffset)
{
    const CxSint64 days = LinuxCxDaysFromCivil(inYear, inMonth, inDay);
    const CxSint64 seconds =
        days * 86400 + CxSint64(inHour) * 3600 + CxSint64(inMinute) * 60 + inSecond - CxSint64(inUtcOffset);
    mTime = static_cast<double>(seconds - kLinuxCxUnixToAbsolute);
}

CxDate::CxDate(const CxDateFields& inFields, CxSint32 inUtcOffset)
    : CxDate(inFields.mYear, inFields.mMonth, inFields.mDay, inFields.mHour, inFields.mMinute, inFields.mSecond,
             inUtcOffset)
{
}

CxDate::CxDate(const CxString& inText)
{
    if (inText.Length() == 0)
    {
        mTime = Now();
        return;
    }
    CxString text(inText);
    for (CxUint32 i = 0; i < text.Length(); ++i)
        if (text[i] == '-' || text[i] == ':')
            text[i] = ' ';
    CxSint16 values[6] = {0, 0, 0, 0, 0, 0};
    int count = 0;
    for (const CxString& token : text.Tokenize(' '))
    {
        if (count == 6)
            break;
        values[count++] = token.AsSint16();
    }
    *this = CxDate(values[0], values[1], values[2], values[3], values[4], values[5], 0);
}

double CxDate::SystemUtcOffset() const
{
    return CxTimeZone().UtcOffset(*this);
}

CxDateFields CxDate::AsFields(const CxTimeZone& inZone) const
{
    return AsFields(inZone.UtcOffset(*this));
}

CxDateFields CxDate::AsFields(CxSint32 inUtcOffset) const
{
    const LinuxCxCivil civil = LinuxCxCivilFromUnix(LinuxCxFloorToUnix(mTime) + inUtcOffset);
    CxDateFields fields;
    fields.mYear = static_cast<CxSint16>(civil.mYear);
    fields.mMonth = static_cast<CxSint16>(civil.mMonth);
    fields.mDay = static_cast<CxSint16>(civil.mDay);
    fields.mHour = static_cast<CxSint16>(civil.mHour);
    fields.mMinute = static_cast<CxSint16>(civil.mMinute);
    fields.mSecond = static_cast<CxSint16>(civil.mSecond);
    fields.mDayOfWeek = static_cast<CxSint16>(civil.mWeekday + 1);
    fields.mDayOfYear = static_cast<CxSint16>(civil.mDayOfYear);
    return fields;
}

CxSint16 CxDate::JulianDay() const
{
    static constexpr int kDaysBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    const CxDateFields fields = AsFields(0);
    int day = kDaysBefore[fields.mMonth - 1] + fields.mDay;
    if (fields.mMonth > 2 && LinuxCxIsLeapYear(fields.mYear))
        ++day;
    return static_cast<CxSint16>(day);
}

CxString CxDate::AsString() const
{
    const CxDateFields f = AsFields(0);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d UTC", f.mYear, f.mMonth, f.mDay, f.mHour, f.mMinute,
                  f.mSecond);
    return CxString(text);
}

CxString CxDate::AsString(const CxString& inPattern, const CxTimeZone& inZone) const
{
    return CxDateFormatter(*this, inZone, inPattern).Result();
}

CxString CxDate::AsString(const CxString& inPattern, CxSint32 inUtcOffset) const
{
    return AsString(inPattern, CxTimeZone(inUtcOffset));
}

CxString CxDate::AsString(CxDateFormat inFormat, const CxTimeZone& inZone) const
{
    // Whole seconds only.
    const CxDate whole(AsFields(0), 0);
    switch (inFormat)
    {
    case kCxDateFormatLongDate:
        return CxSystemDateString(whole.mTime, 3);
    case kCxDateFormatShortDate:
        return CxSystemDateString(whole.mTime, 1);
    case kCxDateFormatMediumDate:
        return CxSystemDateString(whole.mTime, 2);
    case kCxDateFormatShortTime:
        return CxSystemTimeString(whole.mTime, false);
    case kCxDateFormatMediumTime:
        return CxSystemTimeString(whole.mTime, true);
    case kCxDateFormatAbbreviation:
        return inZone.Abbreviation(whole);
    }
    CxAssert(false);
    return CxString("ERROR");
}

CxString CxDate::AsString(CxDateFormat inFormat, CxSint32 inUtcOffset) const
{
    return AsString(inFormat, CxTimeZone(inUtcOffset));
}

// ---- CxDateFormatter ------------------------------------------------------------------------------------------

CxDateFormatter::CxDateFormatter(const CxDate& inDate, const CxTimeZone& inZone, const CxString& inPattern)
    : mDate(inDate), mFields(inDate.AsFields(inZone.UtcOffset(inDate))), mZone(inZone), mPattern(inPattern)
{
    const CxUint32 length = mPattern.Length();
    for (CxUint32 i = 0; i < length; ++i)
    {
        mUnit = mPattern[i];
        if (mState == 0)
            StateZero();
        else
            StateOne();
    }
}

void CxDateFormatter::StateZero()
{
    if (mUnit == '%')
    {
        mState = 1;
        mPadding = kPadZero;
    }
    else
        mResult += mUnit;
}

void CxDateFormatter::StateOne()
{
    mState = 0;
    switch (mUnit)
    {
    case '%':
        Format_pct();
        break;
    case '#':
        Format_pnd();
        break;
    case '-':
        Format_hyphen();
        break;
    case '1':
        Format_1();
        break;
    case '2':
        Format_2();
        break;
    case '3':
        Format_3();
        break;
    case '4':
        Format_4();
        break;
    case '5':
        Format_5();
        break;
    case 'a':
        Format_a();
        break;
    case 'A':
        Format_A();
        break;
    case 'b':
        Format_b();
        break;
    case 'h':
        Format_b();
        break;
    case 'B':
        Format_B();
        break;
    case 'C':
        Format_C();
        break;
    case 'd':
        Format_d();
        break;
    case 'D':
        Format_D();
        break;
    case 'e':
        Format_e();
        break;
    case 'H':
        Format_H();
        break;
    case 'I':
        Format_I();
        break;
    case 'j':
        Format_j();
        break;
    case 'l':
        Format_l();
        break;
    case 'm':
        Format_m();
        break;
    case 'M':
        Format_M();
        break;
    case 'p':
        Format_p();
        break;
    case 'r':
        Format_r();
        break;
    case 'R':
        Format_R();
        break;
    case 'S':
        Format_S();
        break;
    case 'T':
        Format_T();
        break;
    case 'u':
        Format_u();
        break;
    case 'U':
        Format_U();
        break;
    case 'w':
        Format_w();
        break;
    case 'W':
        Format_W();
        break;
    case 'y':
        Format_y();
        break;
    case 'Y':
        Format_Y();
        break;
    case 'Z':
        Format_Z();
        break;
    case 'z':
        Format_z();
        break;
    default:
        CxAssert(false);
        break;
    }
}

void CxDateFormatter::AppendNumber(int inValue, int inWidth)
{
    char text[32];
    switch (mPadding)
    {
    case kPadNone:
        std::snprintf(text, sizeof text, "%d", inValue);
        break;
    case kPadBlank:
        std::snprintf(text, sizeof text, "%*d", inWidth, inValue);
        break;
    case kPadZero:
        std::snprintf(text, sizeof text, "%0*d", inWidth, inValue);
        break;
    }
    mResult += text;
}

void CxDateFormatter::AppendText(const char* inText)
{
    mResult += inText;
}

namespace
{

constexpr const char* kShortDays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kLongDays[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
constexpr const char* kShortMonths[12] = {"Jan", "Feb", "Mar", "Apr", "MayAbbrev", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov",       "Dec"};
constexpr const char* kLongMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                         "July",    "August",   "September", "October", "November", "December"};

int Hour12(int inHour)
{
    return (inHour % 12 == 0) ? 12 : inHour % 12;
}

} // namespace

void CxDateFormatter::Format_a()
{
    const bool valid = (mFields.mDayOfWeek >= 1) && (mFields.mDayOfWeek <= 7);
    CxAssert((mFields.mDayOfWeek >= 1) && (mFields.mDayOfWeek <= 7));
    mResult += CxLocalize(CxString(valid ? kShortDays[mFields.mDayOfWeek - 1] : "Err"));
}

void CxDateFormatter::Format_A()
{
    const bool valid = (mFields.mDayOfWeek >= 1) && (mFields.mDayOfWeek <= 7);
    CxAssert((mFields.mDayOfWeek >= 1) && (mFields.mDayOfWeek <= 7));
    mResult += CxLocalize(CxString(valid ? kLongDays[mFields.mDayOfWeek - 1] : "Error"));
}

void CxDateFormatter::Format_b()
{
    const bool valid = (mFields.mMonth >= 1) && (mFields.mMonth <= 12);
    CxAssert((mFields.mMonth >= 1) && (mFields.mMonth <= 12));
    mResult += CxLocalize(CxString(valid ? kShortMonths[mFields.mMonth - 1] : "Err"));
}

void CxDateFormatter::Format_B()
{
    const bool valid = (mFields.mMonth >= 1) && (mFields.mMonth <= 12);
    CxAssert((mFields.mMonth >= 1) && (mFields.mMonth <= 12));
    mResult += CxLocalize(CxString(valid ? kLongMonths[mFields.mMonth - 1] : "Err"));
}

void CxDateFormatter::Format_C()
{
    AppendNumber(mFields.mYear / 100, 2);
}
void CxDateFormatter::Format_d()
{
    AppendNumber(mFields.mDay, 2);
}

void CxDateFormatter::Format_D()
{
    Format_m();
    AppendText("/");
    Format_d();
    AppendText("/");
    Format_y();
}

void CxDateFormatter::Format_e()
{
    char text[16];
    std::snprintf(text, sizeof text, "%2d", mFields.mDay);
    AppendText(text);
}

void CxDateFormatter::Format_H()
{
    AppendNumber(mFields.mHour, 2);
}
void CxDateFormatter::Format_I()
{
    AppendNumber(Hour12(mFields.mHour), 2);
}
void CxDateFormatter::Format_j()
{
    AppendNumber(mFields.mDayOfYear, 3);
}

void CxDateFormatter::Format_l()
{
    char text[16];
    std::snprintf(text, sizeof text, "%2d", Hour12(mFields.mHour));
    AppendText(text);
}

void CxDateFormatter::Format_m()
{
    AppendNumber(mFields.mMonth, 2);
}
void CxDateFormatter::Format_M()
{
    AppendNumber(mFields.mMinute, 2);
}
void CxDateFormatter::Format_p()
{
    AppendText(mFields.mHour < 12 ? "AM" : "PM");
}

void CxDateFormatter::Format_r()
{
    Format_I();
    AppendText(":");
    Format_M();
    AppendText(":");
    Format_S();
    AppendText(" ");
    Format_p();
}

void CxDateFormatter::Format_R()
{
    Format_H();
    AppendText(":");
    Format_M();
}

void CxDateFormatter::Format_S()
{
    AppendNumber(mFields.mSecond, 2);
}

void CxDateFormatter::Format_T()
{
    Format_H();
    AppendText(":");
    Format_M();
    AppendText(":");
    Format_S();
}

// Monday 1 ... Sunday 7.
void CxDateFormatter::Format_u()
{
    AppendNumber(mFields.mDayOfWeek == 1 ? 7 : mFields.mDayOfWeek - 1, 2);
}
// Week numbers are not computed.
void CxDateFormatter::Format_U()
{
    AppendNumber(0, 2);
}
// Sunday 0 ... Saturday 6.
void CxDateFormatter::Format_w()
{
    AppendNumber(mFields.mDayOfWeek - 1, 2);
}
void CxDateFormatter::Format_W()
{
    AppendNumber(0, 2);
}
void CxDateFormatter::Format_y()
{
    AppendNumber(mFields.mYear % 100, 2);
}
void CxDateFormatter::Format_Y()
{
    AppendNumber(mFields.mYear, 4);
}
void CxDateFormatter::Format_Z()
{
    mResult += mZone.Abbreviation(mDate);
}
void CxDateFormatter::Format_z()
{
    mResult += mZone.OffsetString(mDate);
}
void CxDateFormatter::Format_pct()
{
    AppendText("%");
}

// The flags keep the formatter waiting for the code.
void CxDateFormatter::Format_pnd()
{
    mPadding = kPadBlank;
    mState = 1;
}

void CxDateFormatter::Format_hyphen()
{
    mPadding = kPadNone;
    mState = 1;
}

void CxDateFormatter::Format_1()
{
    mResult += mDate.AsString(kCxDateFormatLongDate, mZone);
}
void CxDateFormatter::Format_2()
{
    mResult += mDate.AsString(kCxDateFormatShortDate, mZone);
}
void CxDateFormatter::Format_3()
{
    mResult += mDate.AsString(kCxDateFormatMediumDate, mZone);
}
void CxDateFormatter::Format_4()
{
    mResult += mDate.AsString(kCxDateFormatShortTime, mZone);
}
void CxDateFormatter::Format_5()
{
    mResult += mDate.AsString(kCxDateFormatMediumTime, mZone);
}
