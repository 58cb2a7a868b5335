// The UTF conversion routines declared in CxString.h, after the Unicode Consortium's reference conversion code.
#include "CxString.h"

namespace
{

constexpr CxUint32 kReplacement = 0xFFFD;
constexpr CxUint32 kMaxBmp = 0xFFFF;
constexpr CxUint32 kMaxLegal = 0x10FFFF;

inline bool IsHighSurrogate(CxUint32 inCh)
{
    return inCh >= 0xD800 && inCh <= 0xDBFF;
}

inline bool IsLowSurrogate(CxUint32 inCh)
{
    return inCh >= 0xDC00 && inCh <= 0xDFFF;
}

inline bool IsSurrogate(CxUint32 inCh)
{
    return inCh >= 0xD800 && inCh <= 0xDFFF;
}

// Trailing bytes announced by a lead byte (the reference table, 5- and 6-byte forms included so they are
// recognised and refused).
inline int TrailingBytes(CxUint8 inLead)
{
    if (inLead < 0xC0)
        return 0;
    if (inLead < 0xE0)
        return 1;
    if (inLead < 0xF0)
        return 2;
    if (inLead < 0xF8)
        return 3;
    if (inLead < 0xFC)
        return 4;
    return 5;
}

// Shortest form, no surrogates, at most U+10FFFF.
bool IsLegalUtf8(const CxUint8* inSource, int inLength)
{
    if (inLength < 1 || inLength > 4)
        return false;
    for (int i = inLength - 1; i >= 2; --i)
    {
        if (inSource[i] < 0x80 || inSource[i] > 0xBF)
            return false;
    }
    const CxUint8 lead = inSource[0];
    if (inLength >= 2)
    {
        const CxUint8 a = inSource[1];
        if (a > 0xBF)
            return false;
        switch (lead)
        {
        case 0xE0:
            if (a < 0xA0)
                return false;
            break;
        case 0xED:
            if (a > 0x9F)
                return false;
            break;
        case 0xF0:
            if (a < 0x90)
                return false;
            break;
        case 0xF4:
            if (a > 0x8F)
                return false;
            break;
        default:
            if (a < 0x80)
                return false;
        }
    }
    if (lead >= 0x80 && lead < 0xC2)
        return false;
    return lead <= 0xF4;
}

// One legal sequence of inLength bytes.
CxUint32 DecodeUtf8(const CxUint8* inSource, int inLength)
{
    static const CxUint8 kLeadMask[5] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    CxUint32 ch = inSource[0] & kLeadMask[inLength];
    for (int i = 1; i < inLength; ++i)
        ch = (ch << 6) | (inSource[i] & 0x3F);
    return ch;
}

inline int Utf8Length(CxUint32 inCh)
{
    if (inCh < 0x80)
        return 1;
    if (inCh < 0x800)
        return 2;
    if (inCh < 0x10000)
        return 3;
    return 4;
}

inline CxUint8* EncodeUtf8(CxUint32 inCh, int inLength, CxUint8* outTarget)
{
    static const CxUint8 kFirstByteMark[5] = {0, 0x00, 0xC0, 0xE0, 0xF0};
    for (int i = inLength - 1; i > 0; --i)
    {
        outTarget[i] = CxUint8(0x80 | (inCh & 0x3F));
        inCh >>= 6;
    }
    outTarget[0] = CxUint8(inCh | kFirstByteMark[inLength]);
    return outTarget + inLength;
}

// The readers: each takes one code point and steps past it, or on a stop sets the result, leaves ioSource unchanged
// and returns false.

// UTF-16 with the reference's surrogate rules.
inline bool Next(const CxUint16*& ioSource, const CxUint16* inEnd, CxConversionFlags inFlags, CxUint32& outCh,
                 CxConversionResult& outResult)
{
    const CxUint16* source = ioSource;
    CxUint32 ch = *source++;
    if (IsHighSurrogate(ch))
    {
        if (source >= inEnd)
        {
            outResult = kCxSourceExhausted;
            return false;
        }
        const CxUint32 ch2 = *source;
        if (IsLowSurrogate(ch2))
        {
            ch = ((ch - 0xD800) << 10) + (ch2 - 0xDC00) + 0x10000;
            ++source;
        }
        else if (inFlags == kCxStrictConversion)
        {
            outResult = kCxSourceIllegal;
            return false;
        }
    }
    else if (inFlags == kCxStrictConversion && IsLowSurrogate(ch))
    {
        outResult = kCxSourceIllegal;
        return false;
    }
    outCh = ch;
    ioSource = source;
    return true;
}

// UTF-8. Legal UTF-8 holds neither surrogates nor values above U+10FFFF, so no flags apply.
inline bool Next(const CxUint8*& ioSource, const CxUint8* inEnd, CxConversionFlags, CxUint32& outCh,
                 CxConversionResult& outResult)
{
    const int length = TrailingBytes(*ioSource) + 1;
    if (length > inEnd - ioSource)
    {
        outResult = kCxSourceExhausted;
        return false;
    }
    if (!IsLegalUtf8(ioSource, length))
    {
        outResult = kCxSourceIllegal;
        return false;
    }
    outCh = DecodeUtf8(ioSource, length);
    ioSource += length;
    return true;
}

// A surrogate or a value past U+10FFFF stops a strict conversion and becomes U+FFFD in a lenient one.
inline bool Next(const CxUint32*& ioSource, const CxUint32*, CxConversionFlags inFlags, CxUint32& outCh,
                 CxConversionResult& outResult)
{
    CxUint32 ch = *ioSource;
    if (IsSurrogate(ch) || ch > kMaxLegal)
    {
        if (inFlags == kCxStrictConversion)
        {
            outResult = kCxSourceIllegal;
            return false;
        }
        ch = kReplacement;
    }
    outCh = ch;
    ++ioSource;
    return true;
}

// The writers: each writes one code point, or sets the result and returns false, writing nothing, when it does not
// fit.

// One unit or a surrogate pair.
inline bool Put(CxUint32 inCh, CxUint16*& ioTarget, const CxUint16* inEnd, CxConversionResult& outResult)
{
    if (inEnd - ioTarget < (inCh <= kMaxBmp ? 1 : 2))
    {
        outResult = kCxTargetExhausted;
        return false;
    }
    if (inCh <= kMaxBmp)
        *ioTarget++ = CxUint16(inCh);
    else
    {
        inCh -= 0x10000;
        *ioTarget++ = CxUint16((inCh >> 10) + 0xD800);
        *ioTarget++ = CxUint16((inCh & 0x3FF) + 0xDC00);
    }
    return true;
}

// A lenient unpaired surrogate is written as its own three bytes, as the reference does.
inline bool Put(CxUint32 inCh, CxUint8*& ioTarget, const CxUint8* inEnd, CxConversionResult& outResult)
{
    const int length = Utf8Length(inCh);
    if (inEnd - ioTarget < length)
    {
        outResult = kCxTargetExhausted;
        return false;
    }
    ioTarget = EncodeUtf8(inCh, length, ioTarget);
    return true;
}

inline bool Put(CxUint32 inCh, CxUint32*& ioTarget, const CxUint32* inEnd, CxConversionResult& outResult)
{
    if (ioTarget >= inEnd)
    {
        outResult = kCxTargetExhausted;
        return false;
    }
    *ioTarget++ = inCh;
    return true;
}

// Converts code point by code point until the source ends or a step stops; the pointers are left after the last
// whole code point converted. kRoomFirst reports a full target before the next value is judged.
template <class Source, class Target, bool kRoomFirst = false>
CxConversionResult Convert(const Source** ioSourceStart, const Source* inSourceEnd, Target** ioTargetStart,
                           Target* inTargetEnd, CxConversionFlags inFlags)
{
    CxConversionResult result = kCxConversionOK;
    const Source* source = *ioSourceStart;
    Target* target = *ioTargetStart;
    while (source < inSourceEnd)
    {
        if (kRoomFirst && target >= inTargetEnd)
        {
            result = kCxTargetExhausted;
            break;
        }
        const Source* next = source;
        CxUint32 ch;
        if (!Next(next, inSourceEnd, inFlags, ch, result) || !Put(ch, target, inTargetEnd, result))
            break;
        source = next;
    }
    *ioSourceStart = source;
    *ioTargetStart = target;
    return result;
}

} // namespace

CxConversionResult ConvertUTF32toUTF16(const CxUint32** ioSourceStart, const CxUint32* inSourceEnd,
                                       CxUint16** ioTargetStart, CxUint16* inTargetEnd, CxConversionFlags inFlags)
{
    // The reference checks for room before it judges a UTF-32 value here, and only here.
    return Convert<CxUint32, CxUint16, true>(ioSourceStart, inSourceEnd, ioTargetStart, inTargetEnd, inFlags);
}

CxConversionResult ConvertUTF16toUTF32(const CxUint16** ioSourceStart, const CxUint16* inSourceEnd,
                                       CxUint32** ioTargetStart, CxUint32* inTargetEnd, CxConversionFlags inFlags)
{
    return Convert(ioSourceStart, inSourceEnd, ioTargetStart, inTargetEnd, inFlags);
}

CxConversionResult ConvertUTF16toUTF8(const CxUint16** ioSourceStart, const CxUint16* inSourceEnd,
                                      CxUint8** ioTargetStart, CxUint8* inTargetEnd, CxConversionFlags inFlags)
{
    return Convert(ioSourceStart, inSourceEnd, ioTargetStart, inTargetEnd, inFlags);
}

CxConversionResult ConvertUTF8toUTF16(const CxUint8** ioSourceStart, const CxUint8* inSourceEnd,
                                      CxUint16** ioTargetStart, CxUint16* inTargetEnd, CxConversionFlags inFlags)
{
    return Convert(ioSourceStart, inSourceEnd, ioTargetStart, inTargetEnd, inFlags);
}

CxConversionResult ConvertUTF32toUTF8(const CxUint32** ioSourceStart, const CxUint32* inSourceEnd,
                                      CxUint8** ioTargetStart, CxUint8* inTargetEnd, CxConversionFlags inFlags)
{
    return Convert(ioSourceStart, inSourceEnd, ioTargetStart, inTargetEnd, inFlags);
}

CxConversionResult ConvertUTF8toUTF32(const CxUint8** ioSourceStart, const CxUint8* inSourceEnd,
                                      CxUint32** ioTargetStart, CxUint32* inTargetEnd, CxConversionFlags inFlags)
{
    return Convert(ioSourceStart, inSourceEnd, ioTargetStart, inTargetEnd, inFlags);
}

bool isLegalUTF8Sequence(const CxUint8* inSource, const CxUint8* inSourceEnd)
{
    if (inSource == nullptr || inSource >= inSourceEnd)
        return false;
    const int length = TrailingBytes(*inSource) + 1;
    if (length > inSourceEnd - inSource)
        return false;
    return IsLegalUtf8(inSource, length);
}
