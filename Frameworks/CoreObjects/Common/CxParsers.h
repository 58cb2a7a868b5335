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
    // "inf", as CxString writes an infinite double, with or without a sign.
    virtual void Infinity() = 0;
};

namespace CxParserDetail
{
inline bool IsDigit(CxUint16 inUnit)
{
    return inUnit >= '0' && inUnit <= '9';
}

inline bool IsSign(CxUint16 inUnit)
{
    return inUnit == '+' || inUnit == '-';
}

// ASCII letter test in either case; inUpper is the capital.
inline bool IsLetter(CxUint16 inUnit, char inUpper)
{
    return inUnit == CxUint16(inUpper) || inUnit == CxUint16(inUpper + ('a' - 'A'));
}

// The floating-point grammar, shared by the base parser (through its virtual operations) and by CxFloatParser,
// which inlines it on its own fields.
template <typename H> CxSint32 FloatNextState(CxSint32 inState, CxUint16 inUnit, H& ioHooks)
{
    const bool digit = IsDigit(inUnit);
    switch (inState)
    {
    case 0:
        if (IsSign(inUnit))
        {
            ioHooks.Sign(inUnit);
            return 1;
        }
        if (IsLetter(inUnit, 'N'))
            return 8;
        [[fallthrough]];
    case 1:
        if (digit)
        {
            ioHooks.IntegralDigit(inUnit);
            return 7;
        }
        if (inUnit == '.')
            return 2;
        if (IsLetter(inUnit, 'I'))
            return 11;
        return kCxParseFailed;
    case 2:
        if (digit)
        {
            ioHooks.FractionalDigit(inUnit);
            return 3;
        }
        return kCxParseFailed;
    case 3:
        if (digit)
        {
            ioHooks.FractionalDigit(inUnit);
            return 3;
        }
        if (IsLetter(inUnit, 'E'))
            return 4;
        return kCxParseAccepted;
    case 4:
        if (IsSign(inUnit))
        {
            ioHooks.ExponentSign(inUnit);
            return 5;
        }
        [[fallthrough]];
    case 5:
        if (digit)
        {
            ioHooks.ExponentDigit(inUnit);
            return 6;
        }
        return kCxParseFailed;
    case 6:
        if (digit)
        {
            ioHooks.ExponentDigit(inUnit);
            return 6;
        }
        return kCxParseAccepted;
    case 7:
        if (digit)
        {
            ioHooks.IntegralDigit(inUnit);
            return 7;
        }
        if (inUnit == '.')
            return 3;
        if (IsLetter(inUnit, 'E'))
            return 4;
        return kCxParseAccepted;
    case 8:
        return IsLetter(inUnit, 'A') ? 9 : kCxParseFailed;
    case 9:
        if (IsLetter(inUnit, 'N'))
        {
            ioHooks.Nan();
            return 10;
        }
        return kCxParseFailed;
    case 10:
        return kCxParseAccepted;
    case 11:
        return IsLetter(inUnit, 'N') ? 12 : kCxParseFailed;
    case 12:
        if (IsLetter(inUnit, 'F'))
        {
            ioHooks.Infinity();
            return 10;
        }
        return kCxParseFailed;
    default:
        return inState;
    }
}

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

namespace CxParserDetail
{
// The significant digits of a decimal text and its power of ten, gathered unit by unit and converted once at the
// end, so that the result is the correctly rounded value of the whole text. Digits beyond kDigits count only as
// all zero or not: a halfway point between two doubles has at most 767 significant digits, so one nonzero digit
// standing for the rest rounds the same.
class CxDecimalText
{
public:
    static constexpr CxSint32 kDigits = 800;

    void IntegralDigit(CxUint16 inUnit) { Digit(inUnit, 0); }
    void FractionalDigit(CxUint16 inUnit) { Digit(inUnit, -1); }
    void Sign(CxUint16 inUnit) { mNegative = inUnit == '-'; }
    void ExponentDigit(CxUint16 inUnit)
    {
        // Far beyond any exponent that still changes the result; saturating keeps long exponents from wrapping.
        if (mExponent < 100000000)
            mExponent = mExponent * 10 + (inUnit - '0');
    }
    void ExponentSign(CxUint16 inUnit) { mExponentNegative = inUnit == '-'; }
    void Nan() { mKind = kKindNan; }
    void Infinity() { mKind = kKindInfinity; }

    double ToDouble() const;
    float ToFloat() const;

    // The whole grammar's common shape read straight from a zero-terminated text: [sign] digits [. digits]
    // [e [sign] digits], the point with a digit on either side, then anything. False, and the record is to be
    // discarded, for any other text (the state machine then reads it).
    bool ReadPlain(const CxUint16* inUnits);

private:
    enum Kind : unsigned char
    {
        kKindNumber,
        kKindNan,
        kKindInfinity
    };
    template <typename T> T Convert() const;
    // inShift: 0 for a digit before the point, -1 for one after it.
    void Digit(CxUint16 inUnit, CxSint32 inShift)
    {
        if (mCount == 0 && inUnit == '0')
            mShift += inShift; // a leading zero only places the point
        else if (mCount < kDigits)
        {
            mText[1 + mCount++] = char(inUnit);
            mShift += inShift;
        }
        else
        {
            mDropped |= inUnit != '0';
            mShift += inShift + 1;
        }
    }

    CxSint64 mShift = 0; // the value is digits x 10^(exponent + shift)
    CxSint32 mCount = 0;
    CxSint32 mExponent = 0;
    bool mNegative = false;
    bool mExponentNegative = false;
    bool mDropped = false;
    Kind mKind = kKindNumber;
    // A sign, the digits, one more standing for the dropped ones, then "e" and the power. Left uninitialised (only
    // what is written is read); the conversion writes its sign and power around the digits.
    mutable char mText[1 + kDigits + 1 + 16];
};
} // namespace CxParserDetail

// The value of the whole text correctly rounded to T (a float rounds once, from the text). Overflow gives
// infinity, underflow zero, both signed; "nan" gives NaN and "inf" infinity.
template <typename T> class CxFloatParser final : public CxFloatBaseParser
{
    static_assert(std::is_same_v<T, float> || std::is_same_v<T, double>, "CxFloatParser takes float or double");

public:
    // The grammar of the base, inlined on the digits' own record.
    CxSint32 NextState(CxUint16 inUnit) override { return CxParserDetail::FloatNextState(mState, inUnit, mText); }
    void IntegralDigit(CxUint16 inUnit) override { mText.IntegralDigit(inUnit); }
    void FractionalDigit(CxUint16 inUnit) override { mText.FractionalDigit(inUnit); }
    void Sign(CxUint16 inUnit) override { mText.Sign(inUnit); }
    void ExponentDigit(CxUint16 inUnit) override { mText.ExponentDigit(inUnit); }
    void ExponentSign(CxUint16 inUnit) override { mText.ExponentSign(inUnit); }
    void Nan() override { mText.Nan(); }
    void Infinity() override { mText.Infinity(); }

    T Value() const
    {
        if constexpr (std::is_same_v<T, float>)
            return mText.ToFloat();
        else
            return mText.ToDouble();
    }

private:
    CxParserDetail::CxDecimalText mText;
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
