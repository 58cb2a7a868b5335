#include "CxParsers.h"

#include "CxDebug.h"

namespace
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
} // namespace

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
    const bool digit = IsDigit(inUnit);
    switch (mState)
    {
    case 0:
        if (IsSign(inUnit))
        {
            Sign(inUnit);
            return 1;
        }
        if (IsLetter(inUnit, 'N'))
            return 8;
        [[fallthrough]];
    case 1:
        if (digit)
        {
            IntegralDigit(inUnit);
            return 7;
        }
        if (inUnit == '.')
            return 2;
        return kCxParseFailed;
    case 2:
        if (digit)
        {
            FractionalDigit(inUnit);
            return 3;
        }
        return kCxParseFailed;
    case 3:
        if (digit)
        {
            FractionalDigit(inUnit);
            return 3;
        }
        if (IsLetter(inUnit, 'E'))
            return 4;
        return kCxParseAccepted;
    case 4:
        if (IsSign(inUnit))
        {
            ExponentSign(inUnit);
            return 5;
        }
        [[fallthrough]];
    case 5:
        if (digit)
        {
            ExponentDigit(inUnit);
            return 6;
        }
        return kCxParseFailed;
    case 6:
        if (digit)
        {
            ExponentDigit(inUnit);
            return 6;
        }
        return kCxParseAccepted;
    case 7:
        if (digit)
        {
            IntegralDigit(inUnit);
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
            Nan();
            return 10;
        }
        return kCxParseFailed;
    case 10:
        return kCxParseAccepted;
    default:
        return mState;
    }
}

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
