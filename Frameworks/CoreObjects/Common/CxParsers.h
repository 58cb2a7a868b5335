// Text-to-value state machines, fed one UTF-16 unit at a time by strings and streams.
// State 0 and above: working; kCxParseAccepted: stopped, value complete (the last unit is not part of it);
// kCxParseFailed: stopped on an error. Integers wrap silently in their width, as the readers expect.
#pragma once

#include "CxString.h"
#include "CxTypes.h"
#include "CxVersion.h"

#include <cmath>
#include <limits>
#include <type_traits>
#include <vector>

constexpr CxSint32 kCxParseAccepted = -1;
constexpr CxSint32 kCxParseFailed = -2;

class CxParser
{
public:
    CxParser() = default;
    virtual ~CxParser() = default;
    CxParser(const CxParser&) = default;
    CxParser& operator=(const CxParser&) = default;

    // The next state for one unit; a stopped parser stays stopped.
    virtual CxSint32 NextState(CxUint16 inUnit) = 0;

    // True once the parser has stopped; feeders stop feeding then.
    bool Parse(CxUint16 inUnit)
    {
        mState = NextState(inUnit);
        return mState < 0;
    }

    // Input that ends early (even none at all) is good; only an error state is not.
    bool Good() const { return mState != kCxParseFailed; }
    CxSint32 State() const { return mState; }

protected:
    CxSint32 mState = 0;
};

class CxSintBaseParser : public CxParser
{
public:
    CxSint32 NextState(CxUint16 inUnit) override;
    virtual void Digit(CxUint16 inUnit) = 0;
    virtual void Sign(CxUint16 inUnit) = 0;
};

class CxUintBaseParser : public CxParser
{
public:
    CxSint32 NextState(CxUint16 inUnit) override;
    virtual void Digit(CxUint16 inUnit) = 0;
};

class CxFloatBaseParser : public CxParser
{
public:
    CxSint32 NextState(CxUint16 inUnit) override;
    virtual void IntegralDigit(CxUint16 inUnit) = 0;
    virtual void FractionalDigit(CxUint16 inUnit) = 0;
    virtual void Sign(CxUint16 inUnit) = 0;
    virtual void ExponentDigit(CxUint16 inUnit) = 0;
    virtual void ExponentSign(CxUint16 inUnit) = 0;
    virtual void Nan() = 0;
};

namespace CxParserDetail
{
// Arithmetic type for wrapping digit arithmetic: unsigned, and at least as wide as unsigned int so that small types
// do not promote to a signed int on the way.
template <typename T>
using Wide = std::conditional_t<(sizeof(T) < sizeof(unsigned)), unsigned, std::make_unsigned_t<T>>;
} // namespace CxParserDetail

// T: signed char, short, CxSint32 or long long. long is refused: it would carry a 64-bit value into code written
// for 32-bit longs.
template <typename T> class CxSintParser final : public CxSintBaseParser
{
    static_assert(std::is_same_v<T, signed char> || std::is_same_v<T, short> || std::is_same_v<T, CxSint32> ||
                      std::is_same_v<T, long long>,
                  "CxSintParser takes signed char, short, CxSint32 or long long");
    using W = CxParserDetail::Wide<T>;

public:
    void Digit(CxUint16 inUnit) override { mMagnitude = T(W(W(mMagnitude) * 10u + W(inUnit - '0'))); }
    void Sign(CxUint16 inUnit) override { mSign = inUnit == '-' ? T(-1) : T(1); }
    T Value() const { return T(W(W(mMagnitude) * W(mSign))); }

private:
    T mMagnitude = 0;
    T mSign = 1;
};

// T: unsigned char, unsigned short, CxUint32 or unsigned long long (not unsigned long, as above).
template <typename T> class CxUintParser final : public CxUintBaseParser
{
    static_assert(std::is_same_v<T, unsigned char> || std::is_same_v<T, unsigned short> ||
                      std::is_same_v<T, CxUint32> || std::is_same_v<T, unsigned long long>,
                  "CxUintParser takes unsigned char, unsigned short, CxUint32 or unsigned long long");
    using W = CxParserDetail::Wide<T>;

public:
    void Digit(CxUint16 inUnit) override { mValue = T(W(W(mValue) * 10u + W(inUnit - '0'))); }
    T Value() const { return mValue; }

private:
    T mValue = 0;
};

// The value is mantissa / divisor * sign * 10^(exponent * exponent sign), the power in double precision; the float
// form does its digit arithmetic in double and rounds each field back to float.
template <typename T> class CxFloatParser final : public CxFloatBaseParser
{
    static_assert(std::is_same_v<T, float> || std::is_same_v<T, double>, "CxFloatParser takes float or double");

public:
    void IntegralDigit(CxUint16 inUnit) override { mMantissa = T(double(mMantissa) * 10.0 + double(inUnit - '0')); }
    void FractionalDigit(CxUint16 inUnit) override
    {
        mMantissa = T(double(mMantissa) * 10.0 + double(inUnit - '0'));
        mDivisor = T(double(mDivisor) * 10.0);
    }
    void Sign(CxUint16 inUnit) override { mSign = inUnit == '-' ? T(-1) : T(1); }
    void ExponentDigit(CxUint16 inUnit) override { mExponent = T(double(mExponent) * 10.0 + double(inUnit - '0')); }
    void ExponentSign(CxUint16 inUnit) override { mExponentSign = inUnit == '-' ? T(-1) : T(1); }
    void Nan() override
    {
        const T nan = std::numeric_limits<T>::quiet_NaN();
        mMantissa = mDivisor = mSign = mExponent = mExponentSign = nan;
    }

    T Value() const
    {
        const T quotient = mMantissa / mDivisor;
        const T signedQuotient = quotient * mSign;
        if (mExponent == T(0))
            return signedQuotient; // 10^0 is exactly 1: skip the power
        return T(double(signedQuotient) * std::pow(10.0, double(mExponent * mExponentSign)));
    }

private:
    T mMantissa = 0;
    T mDivisor = 1;
    T mSign = 1;
    T mExponent = 0;
    T mExponentSign = 1;
};

// "true" or "false" in any letter case; a valid prefix is enough ("trueish" is true).
class CxBoolParser final : public CxParser
{
public:
    CxSint32 NextState(CxUint16 inUnit) override;
    void Yes() { mValue = true; }
    void No() { mValue = false; }
    bool Value() const { return mValue; }

private:
    bool mValue = false;
};

// "1.4d1", "1.8.0b3", "1.8.0f4", "1.8.0.4" (a fourth number after a dot is a final build).
class CxVersionParser final : public CxParser
{
public:
    CxSint32 NextState(CxUint16 inUnit) override;
    void MajorDigit(CxUint16 inUnit) { mMajor = AddDigit(mMajor, inUnit); }
    void MinorDigit(CxUint16 inUnit) { mMinor = AddDigit(mMinor, inUnit); }
    void FixDigit(CxUint16 inUnit) { mFix = AddDigit(mFix, inUnit); }
    void BuildDigit(CxUint16 inUnit) { mBuild = AddDigit(mBuild, inUnit); }
    // 'd', 'a', 'b', 'f'; any other letter is reported and changes nothing.
    void Status(CxUint16 inLetter);
    CxVersion Value() const { return CxVersion(mMajor, mMinor, mFix, mStatus, mBuild); }

private:
    static CxSint32 AddDigit(CxSint32 inField, CxUint16 inUnit)
    {
        return CxSint32(CxUint32(inField) * 10u + CxUint32(inUnit - '0'));
    }

    CxSint32 mMajor = 0;
    CxSint32 mMinor = 0;
    CxSint32 mFix = 0;
    CxSint32 mBuild = 0;
    CxBuildStatus mStatus = kCxFinal;
};

// The text between a leading double quote and the next one; no escapes.
class CxQuotedStringParser final : public CxParser
{
public:
    CxSint32 NextState(CxUint16 inUnit) override;
    CxString Value() const;

private:
    std::vector<CxUint16> mCollected;
};
