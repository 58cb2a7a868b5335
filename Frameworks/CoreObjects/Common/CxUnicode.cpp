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

// Reads one code point from UTF-16 with the reference's surrogate rules; on a stop, returns the result and leaves
// ioSource unchanged.
inline bool NextFromUtf16(const CxUint16*& ioSource, const CxUint16* inEnd, CxConversionFlags inFlags,
                          CxUint32& outCh, CxConversionResult& outResult)
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

} // namespace

CxConversionResult ConvertUTF32toUTF16(const CxUint32** ioSourceStart, const CxUint32* inSourceEnd,
                                       CxUint16** ioTargetStart, CxUint16* inTargetEnd, CxConversionFlags inFlags)
{
    CxConversionResult result = kCxConversionOK;
    const CxUint32* source = *ioSourceStart;
    CxUint16* target = *ioTargetStart;
    while (source < inSourceEnd)
    {
        if (target >= inTargetEnd)
        {
            result = kCxTargetExhausted;
            break;
        }
        CxUint32 ch = *source;
        if (IsSurrogate(ch) || ch > kMaxLegal)
        {
            if (inFlags == kCxStrictConversion)
            {
                result = kCxSourceIllegal;
                break;
            }
            ch = kReplacement;
        }
        if (ch <= kMaxBmp)
            *target++ = CxUint16(ch);
        else
        {
            if (inTargetEnd - target < 2)
            {
                result = kCxTargetExhausted;
                break;
            }
            ch -= 0x10000;
            *target++ = CxUint16((ch >> 10) + 0xD800);
            *target++ = CxUint16((ch & 0x3FF) + 0xDC00);
        }
        ++source;
    }
    *ioSourceStart = source;
    *ioTargetStart = target;
    return result;
}

CxConversionResult ConvertUTF16toUTF32(const CxUint16** ioSourceStart, const CxUint16* inSourceEnd,
                                       CxUint32** ioTargetStart, CxUint32* inTargetEnd, CxConversionFlags inFlags)
{
    CxConversionResult result = kCxConversionOK;
    const CxUint16* source = *ioSourceStart;
    CxUint32* target = *ioTargetStart;
    while (source < inSourceEnd)
    {
        const CxUint16* next = source;
        CxUint32 ch;
        if (!NextFromUtf16(next, inSourceEnd, inFlags, ch, result))
            break;
        if (target >= inTargetEnd)
        {
            result = kCxTargetExhausted;
            break;
        }
        *target++ = ch;
        source = next;
    }
    *ioSourceStart = source;
    *ioTargetStart = target;
    return result;
}

CxConversionResult ConvertUTF16toUTF8(const CxUint16** ioSourceStart, const CxUint16* inSourceEnd,
                                      CxUint8** ioTargetStart, CxUint8* inTargetEnd, CxConversionFlags inFlags)
{
    CxConversionResult result = kCxConversionOK;
    const CxUint16* source = *ioSourceStart;
    CxUint8* target = *ioTargetStart;
    while (source < inSourceEnd)
    {
        const CxUint16* next = source;
        CxUint32 ch;
        if (!NextFromUtf16(next, inSourceEnd, inFlags, ch, result))
            break;
        // A lenient unpaired surrogate is written as its own three bytes, as the reference does.
        const int length = Utf8Length(ch);
        if (inTargetEnd - target < length)
        {
            result = kCxTargetExhausted;
            break;
        }
        target = EncodeUtf8(ch, length, target);
        source = next;
    }
    *ioSourceStart = source;
    *ioTargetStart = target;
    return result;
}

CxConversionResult ConvertUTF8toUTF16(const CxUint8** ioSourceStart, const CxUint8* inSourceEnd,
                                      CxUint16** ioTargetStart, CxUint16* inTargetEnd, CxConversionFlags)
{
    // Legal UTF-8 holds neither surrogates nor values above U+10FFFF, so the flags change nothing here.
    CxConversionResult result = kCxConversionOK;
    const CxUint8* source = *ioSourceStart;
    CxUint16* target = *ioTargetStart;
    while (source < inSourceEnd)
    {
        const int length = TrailingBytes(*source) + 1;
        if (length > inSourceEnd - source)
        {
            result = kCxSourceExhausted;
            break;
        }
        if (!IsLegalUtf8(source, length))
        {
            result = kCxSourceIllegal;
            break;
        }
        CxUint32 ch = DecodeUtf8(source, length);
        if (target >= inTargetEnd)
        {
            result = kCxTargetExhausted;
            break;
        }
        if (ch <= kMaxBmp)
            *target++ = CxUint16(ch);
        else
        {
            if (inTargetEnd - target < 2)
            {
                result = kCxTargetExhausted;
                break;
            }
            ch -= 0x10000;
            *target++ = CxUint16((ch >> 10) + 0xD800);
            *target++ = CxUint16((ch & 0x3FF) + 0xDC00);
        }
        source += length;
    }
    *ioSourceStart = source;
    *ioTargetStart = target;
    return result;
}

CxConversionResult ConvertUTF32toUTF8(const CxUint32** ioSourceStart, const CxUint32* inSourceEnd,
                                      CxUint8** ioTargetStart, CxUint8* inTargetEnd, CxConversionFlags inFlags)
{
    CxConversionResult result = kCxConversionOK;
    const CxUint32* source = *ioSourceStart;
    CxUint8* target = *ioTargetStart;
    while (source < inSourceEnd)
    {
        CxUint32 ch = *source;
        if (IsSurrogate(ch) || ch > kMaxLegal)
        {
            if (inFlags == kCxStrictConversion)
            {
                result = kCxSourceIllegal;
                break;
            }
            ch = kReplacement;
        }
        const int length = Utf8Length(ch);
        if (inTargetEnd - target < length)
        {
            result = kCxTargetExhausted;
            break;
        }
        target = EncodeUtf8(ch, length, target);
        ++source;
    }
    *ioSourceStart = source;
    *ioTargetStart = target;
    return result;
}

CxConversionResult ConvertUTF8toUTF32(const CxUint8** ioSourceStart, const CxUint8* inSourceEnd,
                                      CxUint32** ioTargetStart, CxUint32* inTargetEnd, CxConversionFlags)
{
    CxConversionResult result = kCxConversionOK;
    const CxUint8* source = *ioSourceStart;
    CxUint32* target = *ioTargetStart;
    while (source < inSourceEnd)
    {
        const int length = TrailingBytes(*source) + 1;
        if (length > inSourceEnd - source)
        {
            result = kCxSourceExhausted;
            break;
        }
        if (!IsLegalUtf8(source, length))
        {
            result = kCxSourceIllegal;
            break;
        }
        if (target >= inTargetEnd)
        {
            result = kCxTargetExhausted;
            break;
        }
        *target++ = DecodeUtf8(source, length);
        source += length;
    }
    *ioSourceStart = source;
    *ioTargetStart = target;
    return result;
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
