#include "CxParsers.h"

#include "CxDebug.h"

#include <algorithm>
#include <charconv>
#include <limits>

using CxParserDetail::IsDigit;
using CxParserDetail::IsLetter;
using CxParserDetail::IsSign;

CxSint32 CxSintBaseParser::NextState(CxUint16 inUnit)
{
    switch (mState)
    {
    case 0:
        if (IsSign(inUnit))
        {
            Sign(inUnit);
            return 1;
        }
        [[fallthrough]];
    case 1:
        if (IsDigit(inUnit))
        {
            Digit(inUnit);
            return 2;
        }
        return kCxParseFailed;
    case 2:
        if (IsDigit(inUnit))
        {
            Digit(inUnit);
            return 2;
        }
        return kCxParseAccepted;
    default:
        return mState;
    }
}

CxSint32 CxUintBaseParser::NextState(CxUint16 inUnit)
{
    switch (mState)
    {
    case 0:
        if (IsDigit(inUnit))
        {
            Digit(inUnit);
            return 1;
        }
        return kCxParseFailed;
    case 1:
        if (IsDigit(inUnit))
        {
            Digit(inUnit);
            return 1;
        }
        return kCxParseAccepted;
    default:
        return mState;
    }
}

CxSint32 CxFloatBaseParser::NextState(CxUint16 inUnit)
{
    return CxParserDetail::FloatNextState(mState, inUnit, *this);
}

namespace CxParserDetail
{

template <typename T> T CxDecimalText::Convert() const
{
    constexpr T kInfinity = std::numeric_limits<T>::infinity();
    if (mKind == kKindNan)
        return std::numeric_limits<T>::quiet_NaN();
    const T sign = mNegative ? T(-1) : T(1);
    if (mKind == kKindInfinity)
        return sign * kInfinity;
    if (mCount == 0)
        return sign * T(0);

    char* const first = mText + (mNegative ? 0 : 1);
    char* end = mText + 1 + mCount;
    CxSint64 power = CxSint64(mExponentNegative ? -mExponent : mExponent) + mShift;
    if (mDropped)
    {
        *end++ = '1';
        --power;
    }
    // The value lies below 10^magnitude and at or above a tenth of it: far outside the range of doubles there is
    // no need to write the power at all.
    const CxSint64 magnitude = CxSint64(end - (mText + 1)) + power;
    if (magnitude > 330)
        return sign * kInfinity;
    if (magnitude < -330)
        return sign * T(0);
    mText[0] = '-';
    *end++ = 'e';
    end = std::to_chars(end, mText + sizeof mText, power).ptr;
    T value = 0;
    if (std::from_chars(first, end, value).ec == std::errc::result_out_of_range)
        return magnitude > 0 ? sign * kInfinity : sign * T(0);
    return value;
}

bool CxDecimalText::ReadPlain(const CxUint16* inUnits)
{
    const CxUint16* p = inUnits;
    if (IsSign(*p))
        mNegative = *p++ == '-';

    // Leading zeros only place the point; the digits after them are kept up to kDigits, the rest counted as
    // dropped, exactly as Digit does one at a time.
    bool any = false;
    while (*p == '0')
    {
        ++p;
        any = true;
    }
    const CxUint16* start = p;
    while (IsDigit(*p))
        ++p;
    CxSint64 count = p - start;
    any = any || count > 0;
    CxSint32 kept = CxSint32(std::min<CxSint64>(count, kDigits));
    for (CxSint32 i = 0; i < kept; ++i)
        mText[1 + i] = char(start[i]);
    for (const CxUint16* q = start + kept; q < p; ++q)
        mDropped |= *q != '0';
    mCount = kept;
    mShift = count - kept;

    if (*p == '.')
    {
        ++p;
        if (mCount == 0)
        {
            start = p;
            while (*p == '0')
                ++p;
            mShift -= p - start;
            any = any || p > start;
        }
        start = p;
        while (IsDigit(*p))
            ++p;
        count = p - start;
        any = any || count > 0;
        kept = CxSint32(std::min<CxSint64>(count, kDigits - mCount));
        for (CxSint32 i = 0; i < kept; ++i)
            mText[1 + mCount + i] = char(start[i]);
        for (const CxUint16* q = start + kept; q < p; ++q)
            mDropped |= *q != '0';
        mCount += kept;
        mShift -= kept;
    }
    // "", a lone sign or point, "nan", "inf": the state machine's.
    if (!any)
        return false;

    if (*p == 'e' || *p == 'E')
    {
        ++p;
        if (IsSign(*p))
            mExponentNegative = *p++ == '-';
        // "1e" and "1e+" end differently at the terminator and before other text.
        if (!IsDigit(*p))
            return false;
        for (; IsDigit(*p); ++p)
            if (mExponent < 100000000)
                mExponent = mExponent * 10 + (*p - '0');
    }
    return true;
}

double CxDecimalText::ToDouble() const
{
    return Convert<double>();
}

float CxDecimalText::ToFloat() const
{
    return Convert<float>();
}

} // namespace CxParserDetail

CxSint32 CxBoolParser::NextState(CxUint16 inUnit)
{
    switch (mState)
    {
    case 0:
        if (IsLetter(inUnit, 'T'))
            return 1;
        return IsLetter(inUnit, 'F') ? 4 : kCxParseFailed;
    case 1:
        return IsLetter(inUnit, 'R') ? 2 : kCxParseFailed;
    case 2:
        return IsLetter(inUnit, 'U') ? 3 : kCxParseFailed;
    case 3:
        if (IsLetter(inUnit, 'E'))
        {
            Yes();
            return kCxParseAccepted;
        }
        return kCxParseFailed;
    case 4:
        return IsLetter(inUnit, 'A') ? 5 : kCxParseFailed;
    case 5:
        return IsLetter(inUnit, 'L') ? 6 : kCxParseFailed;
    case 6:
        return IsLetter(inUnit, 'S') ? 7 : kCxParseFailed;
    case 7:
        if (IsLetter(inUnit, 'E'))
        {
            No();
            return 8;
        }
        return kCxParseFailed;
    case 8:
        return kCxParseAccepted;
    default:
        return mState;
    }
}

void CxVersionParser::Status(CxUint16 inLetter)
{
    switch (inLetter)
    {
    case 'd':
        mStatus = kCxDevelopment;
        break;
    case 'a':
        mStatus = kCxAlpha;
        break;
    case 'b':
        mStatus = kCxBeta;
        break;
    case 'f':
        mStatus = kCxFinal;
        break;
    default:
        _CxAssert(__FILE__, __LINE__, "false");
        break;
    }
}

CxSint32 CxVersionParser::NextState(CxUint16 inUnit)
{
    const bool digit = IsDigit(inUnit);
    switch (mState)
    {
    case 0:
    case 1:
        if (digit)
        {
            MajorDigit(inUnit);
            return 1;
        }
        return (mState == 1 && inUnit == '.') ? 2 : kCxParseFailed;
    case 2:
    case 3:
        if (digit)
        {
            MinorDigit(inUnit);
            return 3;
        }
        if (mState == 2)
            return kCxParseFailed;
        if (inUnit == '.')
            return 4;
        if (inUnit == 'a' || inUnit == 'b' || inUnit == 'd' || inUnit == 'f')
        {
            Status(inUnit);
            return 6;
        }
        return kCxParseAccepted;
    case 4:
    case 5:
        if (digit)
        {
            FixDigit(inUnit);
            return 5;
        }
        if (mState == 4)
            return kCxParseFailed;
        if (inUnit == '.')
        {
            Status('f');
            return 6;
        }
        if (inUnit == 'a' || inUnit == 'b' || inUnit == 'd' || inUnit == 'f')
        {
            Status(inUnit);
            return 6;
        }
        return kCxParseAccepted;
    case 6:
    case 7:
        if (digit)
        {
            BuildDigit(inUnit);
            return 7;
        }
        return mState == 6 ? kCxParseFailed : kCxParseAccepted;
    default:
        return mState;
    }
}

CxSint32 CxQuotedStringParser::NextState(CxUint16 inUnit)
{
    switch (mState)
    {
    case 0:
        return inUnit == '"' ? 1 : kCxParseFailed;
    case 1:
        if (inUnit == '"')
            return kCxParseAccepted;
        mCollected.push_back(inUnit);
        return 1;
    default:
        return mState;
    }
}

CxString CxQuotedStringParser::Value() const
{
    return CxString(mCollected.data(), CxUint32(mCollected.size()));
}
