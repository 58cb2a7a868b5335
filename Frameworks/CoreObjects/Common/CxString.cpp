// The whole string class in one file: its storage (inline, shared, growing) is private to the members here, and
// splitting them would expose that layout to a second file.
#include "CxString.h"

#include "CxDebug.h"

#include "CxParsers.h"
#include "CxUtilities.h"
#include "CxVersion.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <ostream>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace
{

CxUint16* NewUnits(CxUint32 inLength)
{
    CxUint16* units = new CxUint16[std::size_t(inLength) + 1];
    units[inLength] = 0;
    return units;
}

CxUint32 CountUnits(const CxUint16* inUnits, CxUint32 inLimit)
{
    CxUint32 n = 0;
    while (n < inLimit && inUnits[n] != 0)
        ++n;
    return n;
}

CxUint32 CountBytes(const char* inText, CxUint32 inLimit)
{
    const void* zero = std::memchr(inText, 0, inLimit);
    return zero ? CxUint32(static_cast<const char*>(zero) - inText) : inLimit;
}

// 8-bit text is sign-extended: 0x80-0xFF become 0xFF80-0xFFFF.
inline CxUint16 ByteUnit(char inByte)
{
    return CxUint16(CxSint16(static_cast<signed char>(inByte)));
}

inline char UnitByte(CxUint16 inUnit)
{
    return inUnit < 128 ? char(inUnit) : '*';
}

inline CxUint16 FoldUpper(CxUint16 inUnit)
{
    return (inUnit >= 'a' && inUnit <= 'z') ? CxUint16(inUnit - ('a' - 'A')) : inUnit;
}

inline int Sign3(int inValue)
{
    return (inValue > 0) - (inValue < 0);
}

template <typename P> inline bool Feed(const CxUint16* inUnits, P& ioParser)
{
    for (; *inUnits != 0; ++inUnits)
    {
        if (ioParser.Parse(*inUnits))
            break;
    }
    return ioParser.Good();
}

template <typename P, typename R> inline R ParseOr(const CxUint16* inUnits, R inFailure)
{
    P parser;
    return Feed(inUnits, parser) ? parser.Value() : inFailure;
}

// The most units a string holds: its length and its terminator's index fit in 32 bits.
constexpr CxUint64 kMaxUnits = std::numeric_limits<CxUint32>::max() - 1;

// Decimals beyond this only add zeros past the last exact digit of any double.
constexpr int kMaxDecimals = 1100;

} // namespace

// ---- construction

CxString::CxString(const char* inText) : CxString(inText, std::numeric_limits<CxUint32>::max()) {}

CxString::CxString(const char* inText, CxUint32 inCount) : CxString()
{
    if (inText == nullptr)
        return;
    const CxUint32 n = CountBytes(inText, inCount);
    CxUint16* units = Reserve(n);
    for (CxUint32 i = 0; i < n; ++i)
        units[i] = ByteUnit(inText[i]);
}

CxString::CxString(const CxUint16* inUnits) : CxString(inUnits, std::numeric_limits<CxUint32>::max()) {}

CxString::CxString(const CxUint16* inUnits, CxUint32 inCount) : CxString()
{
    if (inUnits == nullptr)
        return;
    const CxUint32 n = CountUnits(inUnits, inCount);
    std::memcpy(Reserve(n), inUnits, std::size_t(n) * 2);
}

CxString::CxString(const char16_t* inUnits) : CxString(reinterpret_cast<const CxUint16*>(inUnits)) {}

CxString::CxString(const CxString& inOther) : CxString()
{
    const CxUint32 n = inOther.Length();
    std::memcpy(Reserve(n), inOther.mChars, std::size_t(n) * 2);
}

CxString::CxString(bool inValue) : CxString(inValue ? "true" : "false") {}

namespace
{
template <typename T> CxString IntegerText(T inValue)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, inValue);
    return CxString(buffer, CxUint32(result.ptr - buffer));
}
} // namespace

CxString::CxString(signed char inValue) : CxString(IntegerText(int(inValue))) {}

CxString::CxString(unsigned char inValue) : CxString(IntegerText(unsigned(inValue))) {}

CxString::CxString(short inValue) : CxString(IntegerText(int(inValue))) {}

CxString::CxString(CxSint32 inValue) : CxString(IntegerText(inValue)) {}

CxString::CxString(CxUint32 inValue) : CxString(IntegerText(inValue)) {}

CxString::CxString(long inValue) : CxString(IntegerText(inValue)) {}

CxString::CxString(unsigned long inValue) : CxString(IntegerText(inValue)) {}

CxString::CxString(long long inValue) : CxString(IntegerText(inValue)) {}

CxString::CxString(unsigned long long inValue) : CxString(IntegerText(inValue)) {}

namespace
{

// "%0.*f" of an already moved value, without the locale; a result of only zeros loses its minus sign.
CxString FixedText(double inValue, int inDecimals)
{
    if (std::isnan(inValue))
        return CxString("nan");
    if (inDecimals < 0)
        inDecimals = 6; // printf takes a negative precision as none given
    if (inDecimals > kMaxDecimals)
        inDecimals = kMaxDecimals;

    char small[64];
    std::vector<char> large;
    char* first = small;
    char* last = small + sizeof small;
    auto result = std::to_chars(first, last, inValue, std::chars_format::fixed, inDecimals);
    if (result.ec != std::errc())
    {
        large.resize(std::size_t(inDecimals) + 320);
        first = large.data();
        last = first + large.size();
        result = std::to_chars(first, last, inValue, std::chars_format::fixed, inDecimals);
    }
    char* end = result.ptr;
    if (*first == '-')
    {
        bool allZero = true;
        for (const char* p = first + 1; p < end && allZero; ++p)
            allZero = *p == '0' || *p == '.';
        if (allZero)
            ++first;
    }
    return CxString(first, CxUint32(end - first));
}

} // namespace

CxString::CxString(double inValue, int inDecimals) : CxString()
{
    double value = inValue;
    if (value > 0)
        value = CxNextAfter(value, std::numeric_limits<double>::infinity());
    else if (value < 0)
        value = CxNextAfter(value, -std::numeric_limits<double>::infinity());
    *this = FixedText(value, inDecimals);
}

CxString::CxString(float inValue, int inDecimals) : CxString()
{
    float value = inValue;
    if (value > 0)
        value = CxNextAfter(value, std::numeric_limits<float>::infinity());
    else if (value < 0)
        value = CxNextAfter(value, -std::numeric_limits<float>::infinity());
    *this = FixedText(double(value), inDecimals);
}

// ---- UTF-8

CxString CxString::FromUtf8(const char* inText)
{
    if (inText == nullptr)
        return CxString();
    return FromUtf8(std::string_view(inText));
}

CxString CxString::FromUtf8(std::string_view inText)
{
    // One object for every return, so that it is built in place rather than copied out.
    CxString result;
    if (inText.empty() || inText[0] == 0)
        return result;
    // At most one unit per byte; a 0 byte ends the text early.
    const CxUint32 out = FromUtf8(inText, result.Reserve(CxUint32(inText.size())));
    if (!result.IsInline())
        result.mLength = out;
    return result;
}

CxString CxString::Over(CxUint16* inUnits, CxUint32 inLength) noexcept
{
    CxString result;
    result.mChars = inUnits;
    result.mLength = inLength;
    result.mCapacity = kNotOwned;
    return result;
}

CxUint32 CxString::FromUtf8(std::string_view inText, CxUint16* outUnits)
{
    const auto* s = reinterpret_cast<const CxUint8*>(inText.data());
    const std::size_t n = inText.size();
    CxUint16* const units = outUnits;
    CxUint32 out = 0;
    std::size_t i = 0;
    while (i < n)
    {
#if defined(__SSE2__)
        // Runs of ASCII without 0 bytes, the usual text, go sixteen bytes at a time, widened in registers.
        for (; i + 16 <= n; i += 16, out += 16)
        {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            const __m128i zero = _mm_setzero_si128();
            if ((_mm_movemask_epi8(block) | _mm_movemask_epi8(_mm_cmpeq_epi8(block, zero))) != 0)
                break;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(units + out), _mm_unpacklo_epi8(block, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(units + out + 8), _mm_unpackhi_epi8(block, zero));
        }
#endif
        // Then eight bytes at a time.
        constexpr std::uint64_t kOnes = 0x0101010101010101u;
        constexpr std::uint64_t kHighBits = 0x8080808080808080u;
        for (std::uint64_t block; i + 8 <= n; i += 8, out += 8)
        {
            std::memcpy(&block, s + i, 8);
            if (((block | (block - kOnes)) & kHighBits) != 0)
                break;
            for (int k = 0; k < 8; ++k)
                units[out + k] = s[i + k];
        }
        if (i == n || s[i] == 0)
            break;
        const CxUint8 lead = s[i];
        if (lead < 0x80)
        {
            units[out++] = lead;
            ++i;
            continue;
        }
        int trail;
        CxUint8 low = 0x80; // range of the first continuation byte
        CxUint8 high = 0xBF;
        CxUint32 ch;
        if (lead >= 0xC2 && lead <= 0xDF)
        {
            trail = 1;
            ch = lead & 0x1F;
        }
        else if (lead >= 0xE0 && lead <= 0xEF)
        {
            trail = 2;
            ch = lead & 0x0F;
            if (lead == 0xE0)
                low = 0xA0;
            else if (lead == 0xED)
                high = 0x9F;
        }
        else if (lead >= 0xF0 && lead <= 0xF4)
        {
            trail = 3;
            ch = lead & 0x07;
            if (lead == 0xF0)
                low = 0x90;
            else if (lead == 0xF4)
                high = 0x8F;
        }
        else
        {
            units[out++] = 0xFFFD;
            ++i;
            continue;
        }
        // The maximal well-formed prefix is replaced by one U+FFFD; the byte that broke it starts afresh.
        std::size_t j = i + 1;
        bool complete = true;
        for (int k = 0; k < trail; ++k, ++j)
        {
            const CxUint8 lo = k == 0 ? low : 0x80;
            const CxUint8 hi = k == 0 ? high : 0xBF;
            if (j >= n || s[j] < lo || s[j] > hi)
            {
                complete = false;
                break;
            }
            ch = (ch << 6) | (s[j] & 0x3F);
        }
        i = j;
        if (!complete)
            units[out++] = 0xFFFD;
        else if (ch < 0x10000)
            units[out++] = CxUint16(ch);
        else
        {
            ch -= 0x10000;
            units[out++] = CxUint16(0xD800 + (ch >> 10));
            units[out++] = CxUint16(0xDC00 + (ch & 0x3FF));
        }
    }
    units[out] = 0;
    return out;
}

std::string CxString::AsUtf8() const
{
    const CxUint32 n = Length();
    std::string out;
    out.reserve(n);
    for (CxUint32 i = 0; i < n; ++i)
    {
        CxUint32 ch = mChars[i];
        if (ch >= 0xD800 && ch <= 0xDBFF && i + 1 < n && mChars[i + 1] >= 0xDC00 && mChars[i + 1] <= 0xDFFF)
        {
            ch = 0x10000 + ((ch - 0xD800) << 10) + (mChars[i + 1] - 0xDC00);
            ++i;
        }
        else if (ch >= 0xD800 && ch <= 0xDFFF)
            ch = 0xFFFD;

        if (ch < 0x80)
            out.push_back(char(ch));
        else if (ch < 0x800)
        {
            out.push_back(char(0xC0 | (ch >> 6)));
            out.push_back(char(0x80 | (ch & 0x3F)));
        }
        else if (ch < 0x10000)
        {
            out.push_back(char(0xE0 | (ch >> 12)));
            out.push_back(char(0x80 | ((ch >> 6) & 0x3F)));
            out.push_back(char(0x80 | (ch & 0x3F)));
        }
        else
        {
            out.push_back(char(0xF0 | (ch >> 18)));
            out.push_back(char(0x80 | ((ch >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((ch >> 6) & 0x3F)));
            out.push_back(char(0x80 | (ch & 0x3F)));
        }
    }
    return out;
}

// ---- storage

CxUint16* CxString::Reserve(CxUint32 inLength)
{
    if (inLength > kInlineUnits)
    {
        mChars = new CxUint16[std::size_t(inLength) + 1];
        mLength = inLength;
        mCapacity = inLength;
    }
    mChars[inLength] = 0;
    return mChars;
}

void CxString::Release()
{
    if (OwnsArray())
        delete[] mChars;
    mChars = mInline;
    mInline[0] = 0;
}

CxUint32 CxString::Length() const
{
    if (IsInline())
        return CountUnits(mInline, kInlineUnits);
    if (mLength == 0 && mChars[0] != 0)
        mLength = CountUnits(mChars, std::numeric_limits<CxUint32>::max());
    return mLength;
}

void CxString::Assign(CxUint16* inUnits)
{
    if (inUnits == mChars)
        return;
    Release();
    if (inUnits != nullptr)
    {
        mChars = inUnits;
        mLength = 0; // counted when asked
        mCapacity = 0;
    }
}

CxString& CxString::operator=(const CxString& inOther)
{
    if (this != &inOther)
        *this = CxString(inOther);
    return *this;
}

CxString& CxString::operator=(CxString&& ioOther) noexcept
{
    if (this != &ioOther)
    {
        if (OwnsArray())
            delete[] mChars;
        TakeFrom(ioOther);
    }
    return *this;
}

CxString& CxString::operator=(const char* inText)
{
    return *this = CxString(inText);
}

// ---- appending and editing; each builds one exactly sized array unless the result fits inline

namespace
{
// inA[0, inALength) + inB[0, inBLength) + inC[0, inCLength) into outUnits, which overlaps none of them.
void Join(CxUint16* outUnits, const CxUint16* inA, CxUint32 inALength, const CxUint16* inB, CxUint32 inBLength,
          const CxUint16* inC, CxUint32 inCLength)
{
    CxUint16* units = outUnits;
    if (inALength != 0)
        std::memcpy(units, inA, std::size_t(inALength) * 2);
    if (inBLength != 0)
        std::memcpy(units + inALength, inB, std::size_t(inBLength) * 2);
    if (inCLength != 0)
        std::memcpy(units + inALength + inBLength, inC, std::size_t(inCLength) * 2);
}
} // namespace

CxString& CxString::operator+=(const CxString& inOther)
{
    const CxUint32 otherLength = inOther.Length();
    if (otherLength == 0)
        return *this;
    const CxUint32 length = Length();
    if (IsInline() && length + otherLength <= kInlineUnits)
    {
        // Also right when inOther is *this: its units lie before the ones written.
        std::memcpy(mInline + length, inOther.mChars, std::size_t(otherLength) * 2);
        mInline[length + otherLength] = 0;
        return *this;
    }
    const CxUint32 needed = length + otherLength;
    if (OwnsArray() && needed <= mCapacity)
    {
        // Also right when inOther is *this: the units copied lie before the ones written.
        std::memcpy(mChars + length, inOther.mChars, std::size_t(otherLength) * 2);
        mChars[needed] = 0;
        mLength = needed;
        return *this;
    }
    const CxUint32 capacity = CxUint32(std::max<CxUint64>(needed, std::min<CxUint64>(CxUint64(length) * 2, kMaxUnits)));
    CxUint16* units = new CxUint16[std::size_t(capacity) + 1];
    Join(units, mChars, length, inOther.mChars, otherLength, nullptr, 0);
    units[needed] = 0;
    Release();
    mChars = units;
    mLength = needed;
    mCapacity = capacity;
    return *this;
}

CxString& CxString::operator+=(const char* inText)
{
    return *this += CxString(inText);
}

CxString& CxString::operator+=(CxUint16 inUnit)
{
    if (inUnit == 0)
        return *this;
    return *this += CxString(&inUnit, 1);
}

CxString operator+(const CxString& inA, const CxString& inB)
{
    // Sized exactly: a sum is rarely appended to.
    const CxUint32 a = inA.Length();
    const CxUint32 b = inB.Length();
    CxString result;
    Join(result.Reserve(a + b), inA.GetChars(), a, inB.GetChars(), b, nullptr, 0);
    return result;
}

CxString operator+(const CxString& inA, const char* inB)
{
    return inA + CxString(inB);
}

CxString operator+(const char* inA, const CxString& inB)
{
    return CxString(inA) + inB;
}

void CxString::Insert(const CxString& inString, CxUint32 inIndex)
{
    const CxUint32 at = std::min(inIndex, Length());
    Splice(at, at, inString);
}

void CxString::Delete(CxUint32 inFirst, CxUint32 inLast)
{
    if (inLast < inFirst || inFirst >= Length())
        return;
    Replace(inFirst, inLast, CxString());
}

void CxString::Replace(CxUint32 inFirst, CxUint32 inLast, const CxString& inString)
{
    // An empty range (last < first) inserts at first.
    const CxUint32 length = Length();
    const CxUint32 first = std::min(inFirst, length);
    const CxUint32 rest = inLast < inFirst ? first : (inLast >= length ? length : inLast + 1);
    Splice(first, rest, inString);
}

void CxString::Splice(CxUint32 inFirst, CxUint32 inRest, const CxString& inString)
{
    // Keeps [0, first) and [rest, length) around the new text.
    const CxUint32 length = Length();
    const CxUint32 middle = inString.Length();
    CxString joined;
    Join(joined.Reserve(inFirst + middle + (length - inRest)), mChars, inFirst, inString.mChars, middle,
         mChars + inRest, length - inRest);
    *this = std::move(joined);
}

CxUint32 CxString::Replace(const CxString& inFind, const CxString& inWith, CxUint32 inFrom)
{
    // An empty search matches everywhere and replaces nothing, as in ReplaceAll.
    const CxUint32 at = inFind.Length() == 0 ? Length() : Find(inFind, inFrom);
    if (at >= Length())
        return Length();
    Replace(at, at + inFind.Length() - 1, inWith);
    return at;
}

CxUint32 CxString::ReplaceAll(const CxString& inFind, const CxString& inWith, CxUint32 inFrom)
{
    // An empty search would match at every position and never end.
    if (inFind.Length() == 0)
        return Length();
    CxUint32 result = 0;
    CxUint32 start = inFrom;
    while (start < Length())
    {
        const CxUint32 at = Find(inFind, start);
        if (at >= Length())
        {
            result = Length();
            break;
        }
        Replace(at, at + inFind.Length() - 1, inWith);
        result = at;
        start = at + inWith.Length();
    }
    return result;
}

CxString CxString::Substring(CxUint32 inFrom, CxUint32 inTo) const
{
    if (inTo < inFrom)
    {
        _CxAssert(__FILE__, __LINE__, "inToIndex >= inFromIndex");
        return CxString();
    }
    const CxUint32 length = Length();
    if (inFrom >= length)
        return CxString();
    const CxUint32 last = inTo < length ? inTo : length - 1;
    return CxString(mChars + inFrom, last - inFrom + 1);
}

void CxString::Uppercase()
{
    for (CxUint16* p = mChars; *p != 0; ++p)
    {
        if (*p >= 'a' && *p <= 'z')
            *p = CxUint16(*p - ('a' - 'A'));
    }
}

void CxString::Lowercase()
{
    for (CxUint16* p = mChars; *p != 0; ++p)
    {
        if (*p >= 'A' && *p <= 'Z')
            *p = CxUint16(*p + ('a' - 'A'));
    }
}

void CxString::Capitalize()
{
    if (mChars[0] >= 'a' && mChars[0] <= 'z')
        mChars[0] = CxUint16(mChars[0] - ('a' - 'A'));
}

void CxString::StripLeadingWhitespace()
{
    CxUint32 n = 0;
    while (mChars[n] == ' ' || mChars[n] == '\t' || mChars[n] == '\n' || mChars[n] == '\r')
        ++n;
    if (n > 0)
        Delete(0, n - 1);
}

// ---- searching and comparing

CxUint32 CxString::Find(const CxString& inString, CxUint32 inFrom) const
{
    const CxUint32 length = Length();
    const CxUint32 findLength = inString.Length();
    if (findLength > length || inFrom > length - findLength)
        return length;
    if (findLength == 0)
        return inFrom;
    const CxUint16* find = inString.mChars;
    const CxUint16 firstUnit = find[0];
    const CxUint32 lastStart = length - findLength;
    for (CxUint32 i = inFrom; i <= lastStart; ++i)
    {
        if (mChars[i] == firstUnit && std::memcmp(mChars + i + 1, find + 1, std::size_t(findLength - 1) * 2) == 0)
            return i;
    }
    return length;
}

bool CxString::Contains(const CxString& inString) const
{
    return Find(inString, 0) < Length() || inString.Length() == 0;
}

bool CxString::BeginsWith(const CxString& inString) const
{
    const CxUint32 n = inString.Length();
    return n <= Length() && std::memcmp(mChars, inString.mChars, std::size_t(n) * 2) == 0;
}

bool CxString::EndsWith(const CxString& inString) const
{
    const CxUint32 n = inString.Length();
    const CxUint32 length = Length();
    return n <= length && std::memcmp(mChars + (length - n), inString.mChars, std::size_t(n) * 2) == 0;
}

bool CxString::Equals(const CxString& inOther) const
{
    const CxUint32 n = Length();
    return n == inOther.Length() && std::memcmp(mChars, inOther.mChars, std::size_t(n) * 2) == 0;
}

int CxString::CompareTo(const CxString& inOther) const
{
    // Both arrays end in 0, which is below every unit, so the shorter one compares first.
    const CxUint16* a = mChars;
    const CxUint16* b = inOther.mChars;
    while (*a != 0 && *a == *b)
    {
        ++a;
        ++b;
    }
    return Sign3(int(*a) - int(*b));
}

int CxString::CompareTo(const char* inText) const
{
    const char* text = inText ? inText : "";
    const CxUint16* a = mChars;
    while (*a != 0 && *a == ByteUnit(*text))
    {
        ++a;
        ++text;
    }
    return Sign3(int(*a) - int(ByteUnit(*text)));
}

int CxString::CompareNoCase(const CxString& inOther) const
{
    const CxUint16* a = mChars;
    const CxUint16* b = inOther.mChars;
    while (*a != 0 && FoldUpper(*a) == FoldUpper(*b))
    {
        ++a;
        ++b;
    }
    return Sign3(int(FoldUpper(*a)) - int(FoldUpper(*b)));
}

int CxString::CompareNoCase(const char* inText) const
{
    return CompareNoCase(CxString(inText));
}

// ---- conversions

bool CxString::ParseValue(CxParser& ioParser) const
{
    return Feed(mChars, ioParser);
}

bool CxString::AsBool() const
{
    return ParseOr<CxBoolParser>(mChars, false);
}

CxSint8 CxString::AsSint8() const
{
    return ParseOr<CxSintParser<signed char>>(mChars, CxSint8(0));
}

CxSint16 CxString::AsSint16() const
{
    return ParseOr<CxSintParser<short>>(mChars, CxSint16(0));
}

CxSint32 CxString::AsSint32() const
{
    return ParseOr<CxSintParser<CxSint32>>(mChars, CxSint32(0));
}

CxSint64 CxString::AsSint64() const
{
    return ParseOr<CxSintParser<long long>>(mChars, CxSint64(0));
}

CxUint8 CxString::AsUint8() const
{
    return ParseOr<CxUintParser<unsigned char>>(mChars, CxUint8(0));
}

CxUint16 CxString::AsUint16() const
{
    return ParseOr<CxUintParser<unsigned short>>(mChars, CxUint16(0));
}

CxUint32 CxString::AsUint32() const
{
    return ParseOr<CxUintParser<CxUint32>>(mChars, CxUint32(0));
}

CxUint64 CxString::AsUint64() const
{
    return ParseOr<CxUintParser<unsigned long long>>(mChars, CxUint64(0));
}

float CxString::AsFloat() const
{
    CxParserDetail::CxDecimalText text;
    if (text.ReadPlain(mChars))
        return text.ToFloat();
    return ParseOr<CxFloatParser<float>>(mChars, 0.0f);
}

double CxString::AsDouble() const
{
    // Most texts are plain decimals: read directly, without the state machine's step per unit.
    CxParserDetail::CxDecimalText text;
    if (text.ReadPlain(mChars))
        return text.ToDouble();
    return ParseOr<CxFloatParser<double>>(mChars, 0.0);
}

CxVersion CxString::AsVersion() const
{
    return ParseOr<CxVersionParser>(mChars, CxVersion(1, 0, 0, kCxFinal, 0));
}

CxString CxString::AsUnquotedString() const
{
    return ParseOr<CxQuotedStringParser>(mChars, CxString());
}

CxUint32 CxString::AsSignature() const
{
    CxUint32 code = 0;
    bool ended = false;
    for (int i = 0; i < 4; ++i)
    {
        ended = ended || mChars[i] == 0;
        code = (code << 8) | (ended ? CxUint32(' ') : CxUint32(mChars[i] & 0xFF));
    }
    return code;
}

CxSint16 CxString::AsCoordinate() const
{
    const CxUint16* p = mChars;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    CxUint32 value = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        value = value * 10u + CxUint32(*p - '0');
    if (negative)
        value = 0u - value;
    return CxSint16(CxUint16(value));
}

char* CxString::AsCString() const
{
    const CxUint32 n = Length();
    char* text = new char[std::size_t(n) + 1];
    for (CxUint32 i = 0; i < n; ++i)
        text[i] = UnitByte(mChars[i]);
    text[n] = 0;
    return text;
}

CxUint16* CxString::AsWString() const
{
    const CxUint32 n = Length();
    CxUint16* units = NewUnits(n);
    std::memcpy(units, mChars, std::size_t(n) * 2);
    return units;
}

void CxString::AsCString(char* outString, CxUint32 inSize) const
{
    if (outString == nullptr)
    {
        _CxAssert(__FILE__, __LINE__, "outString != nil");
        return;
    }
    if (inSize == 0)
        return;
    const CxUint32 n = std::min(inSize - 1, Length());
    for (CxUint32 i = 0; i < n; ++i)
        outString[i] = UnitByte(mChars[i]);
    outString[n] = 0;
}

void CxString::AsWString(CxUint16* outString, CxUint32 inByteSize) const
{
    if (outString == nullptr)
    {
        _CxAssert(__FILE__, __LINE__, "outString != nil");
        return;
    }
    // Room for the terminator is needed, or nothing is written.
    if (inByteSize < 2)
        return;
    const CxUint32 n = std::min(inByteSize / 2 - 1, Length());
    std::memcpy(outString, mChars, std::size_t(n) * 2);
    outString[n] = 0;
}

void CxString::AsPascalString(CxUint8* outPascal, CxUint32 inSize) const
{
    if (outPascal == nullptr)
    {
        _CxAssert(__FILE__, __LINE__, "outPascal != nil");
        return;
    }
    if (inSize == 0)
        return;
    // The length byte cannot say more than 255.
    const CxUint32 n = std::min({inSize - 1, Length(), CxUint32(255)});
    outPascal[0] = CxUint8(n);
    for (CxUint32 i = 0; i < n; ++i)
        outPascal[i + 1] = CxUint8(UnitByte(mChars[i]));
}

std::ostream& operator<<(std::ostream& ioStream, const CxString& inString)
{
    const CxUint32 n = inString.Length();
    std::string text(n, '\0');
    for (CxUint32 i = 0; i < n; ++i)
        text[i] = UnitByte(inString[i]);
    return ioStream << text;
}

// ---- splitting and joining

CxStringList CxString::Tokenize(CxUint16 inSeparator) const
{
    return TokenizeWithQuotedStrings(inSeparator, 0);
}

CxStringList CxString::TokenizeWithQuotedStrings(CxUint16 inSeparator, CxUint16 inQuote) const
{
    // A quote of 0 never matches a unit, which gives the plain tokenizer.
    CxStringList tokens;
    const CxUint32 length = Length();
    bool inQuotes = false;
    CxUint32 start = 0;
    for (CxUint32 i = 0; i < length; ++i)
    {
        const CxUint16 unit = mChars[i];
        if (unit == inQuote)
            inQuotes = !inQuotes;
        else if (unit == inSeparator && !inQuotes)
        {
            tokens.emplace_back(mChars + start, i - start);
            start = i + 1;
        }
    }
    tokens.emplace_back(mChars + start, length - start);
    return tokens;
}

CxStringList::iterator CxStringList::Find(const CxString& inString)
{
    for (auto it = begin(); it != end(); ++it)
    {
        if (*it == inString)
            return it;
    }
    return end();
}

CxStringList::const_iterator CxStringList::Find(const CxString& inString) const
{
    for (auto it = begin(); it != end(); ++it)
    {
        if (*it == inString)
            return it;
    }
    return end();
}

bool CxStringList::EraseFirst(const CxString& inString)
{
    const auto it = Find(inString);
    if (it == end())
        return false;
    erase(it);
    return true;
}

CxString CxStringList::Combine(CxUint16 inSeparator) const
{
    if (empty())
        return CxString();
    CxUint32 total = 0;
    for (const CxString& s : *this)
        total += s.Length();
    total += CxUint32(size()) - 1;
    std::vector<CxUint16> units;
    units.reserve(std::size_t(total) + 1);
    bool first = true;
    for (const CxString& s : *this)
    {
        if (!first)
            units.push_back(inSeparator);
        first = false;
        units.insert(units.end(), s.GetChars(), s.GetChars() + s.Length());
    }
    units.push_back(0);
    return CxString(units.data(), total);
}
