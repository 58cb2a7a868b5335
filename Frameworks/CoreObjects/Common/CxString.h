// The system's one text type: an owned, zero-terminated array of UTF-16 code units with a cached length. Short
// texts live inside the object, so a pointer from GetChars() lasts only as long as the string is not moved.
// 8-bit text goes in byte by byte (bytes from 0x80 sign-extend to 0xFF80-0xFFFF) and comes out with every unit
// above 127 as '*'; real UTF-8 (paths, URLs, environment, credentials) goes through FromUtf8/AsUtf8.
#pragma once

#include "CxTypes.h"

#include <compare>
#include <cstring>
#include <iosfwd>
#include <list>
#include <string>
#include <string_view>

class CxParser;
class CxStringList;
class CxVersion;

class CxString
{
public:
    CxString() noexcept : mChars(mInline), mInline{} {}
    CxString(const char* inText);
    CxString(const char* inText, CxUint32 inCount);
    CxString(const CxUint16* inUnits);
    CxString(const CxUint16* inUnits, CxUint32 inCount);
    CxString(const char16_t* inUnits);
    CxString(const CxString& inOther);
    CxString(CxString&& ioOther) noexcept { TakeFrom(ioOther); }
    ~CxString()
    {
        if (OwnsArray())
            delete[] mChars;
    }

    // Decimal text. A plain char is refused: it reads as a character but would print as a number.
    explicit CxString(bool inValue);
    explicit CxString(signed char inValue);
    explicit CxString(unsigned char inValue);
    explicit CxString(short inValue);
    explicit CxString(CxSint32 inValue);
    explicit CxString(CxUint32 inValue);
    explicit CxString(long inValue);
    explicit CxString(unsigned long inValue);
    explicit CxString(long long inValue);
    explicit CxString(unsigned long long inValue);
    CxString(char) = delete;

    // Fixed-point with inDecimals decimals, locale-free. A non-zero value first moves one step away from zero so
    // that halves round away from zero; what would print as minus zero prints as zero; NaN is "nan", infinities
    // "inf" and "-inf".
    CxString(double inValue, int inDecimals);
    CxString(float inValue, int inDecimals);

    // UTF-8 in (up to a 0 byte); each ill-formed part becomes U+FFFD.
    static CxString FromUtf8(std::string_view inText);
    static CxString FromUtf8(const char* inText);
    // The same into outUnits, which has room for inText.size() + 1 units; answers the units written before the
    // terminator.
    static CxUint32 FromUtf8(std::string_view inText, CxUint16* outUnits);
    // A string over inLength units at inUnits, terminated there, that it does not own: for containers that keep
    // the text with the string, in one allocation. The units must outlive the string and its moves; changing it
    // first moves the text into an array of its own, and copies own theirs.
    static CxString Over(CxUint16* inUnits, CxUint32 inLength) noexcept;
    // UTF-8 out; an unpaired surrogate becomes U+FFFD.
    std::string AsUtf8() const;

    // Units before the terminator, counted once and cached.
    CxUint32 Length() const;
    // Bytes including the terminator.
    CxUint32 Size() const { return Length() * 2 + 2; }
    const CxUint16* GetChars() const { return mChars; }
    // Writable units (the length plus the terminator); the cached length is dropped since the caller may
    // shorten the text.
    CxUint16* GetChars()
    {
        if (!IsInline())
            mLength = 0;
        return mChars;
    }
    // No bounds check: the index must be below the length.
    CxUint16 operator[](CxUint32 inIndex) const { return mChars[inIndex]; }
    CxUint16& operator[](CxUint32 inIndex) { return mChars[inIndex]; }

    // Conversions; never throw. On a parse failure: false, 0, 0.0, version 1.0.0 final build 0, "".
    // A valid prefix counts ("12abc" is 12).
    bool ParseValue(CxParser& ioParser) const;
    bool AsBool() const;
    CxSint8 AsSint8() const;
    CxSint16 AsSint16() const;
    CxSint32 AsSint32() const;
    CxSint64 AsSint64() const;
    CxUint8 AsUint8() const;
    CxUint16 AsUint16() const;
    CxUint32 AsUint32() const;
    CxUint64 AsUint64() const;
    float AsFloat() const;
    double AsDouble() const;
    CxVersion AsVersion() const;
    CxString AsUnquotedString() const;
    // Four-character code: blank-padded, low byte of each of the first four units, first unit highest.
    CxUint32 AsSignature() const;
    // Decimal integer from the 8-bit text (blanks and a sign allowed), cut to 16 bits.
    CxSint16 AsCoordinate() const;

    // New arrays the caller releases with delete[].
    char* AsCString() const;
    CxUint16* AsWString() const;
    // Into caller buffers: at most inSize - 1 bytes / inByteSize / 2 - 1 units, then a terminator.
    void AsCString(char* outString, CxUint32 inSize) const;
    void AsWString(CxUint16* outString, CxUint32 inByteSize) const;
    // A length byte (at most 255) and that many bytes; no terminator.
    void AsPascalString(CxUint8* outPascal, CxUint32 inSize) const;

    // Adopts an array made with new[] (null makes the string empty); short or not, the text stays in it.
    void Assign(CxUint16* inUnits);

    CxString& operator=(const CxString& inOther);
    CxString& operator=(CxString&& ioOther) noexcept;
    CxString& operator=(const char* inText);
    CxString& operator+=(const CxString& inOther);
    CxString& operator+=(const char* inText);
    CxString& operator+=(CxUint16 inUnit);

    // Indices beyond the end are clamped.
    void Insert(const CxString& inString, CxUint32 inIndex);
    // inFirst to inLast, both included.
    void Delete(CxUint32 inFirst, CxUint32 inLast);
    void Replace(CxUint32 inFirst, CxUint32 inLast, const CxString& inString);
    // The first occurrence at or after inFrom; its index, or the length when there is none.
    CxUint32 Replace(const CxString& inFind, const CxString& inWith, CxUint32 inFrom);
    // Every occurrence from inFrom on; replaced text is never searched again. Returns the last Replace's answer
    // (the length after a failed search), 0 when inFrom is not below the length, the length for an empty inFind.
    CxUint32 ReplaceAll(const CxString& inFind, const CxString& inWith, CxUint32 inFrom);
    // inFrom to inTo, both included, the end clamped; "" when inFrom is at or past the end, or inTo < inFrom.
    CxString Substring(CxUint32 inFrom, CxUint32 inTo) const;

    // ASCII letters only, in place.
    void Uppercase();
    void Lowercase();
    void Capitalize();
    // Blanks, tabs, LF and CR.
    void StripLeadingWhitespace();

    // Index of the first occurrence at or after inFrom, else the length.
    CxUint32 Find(const CxString& inString, CxUint32 inFrom = 0) const;
    bool Contains(const CxString& inString) const;
    bool BeginsWith(const CxString& inString) const;
    bool EndsWith(const CxString& inString) const;

    // 1, 0 or -1: unsigned units in order, a proper prefix first. 8-bit text is taken as the 8-bit constructor
    // takes it. NoCase folds a-z only.
    int CompareTo(const CxString& inOther) const;
    int CompareTo(const char* inText) const;
    int CompareNoCase(const CxString& inOther) const;
    int CompareNoCase(const char* inText) const;

    friend bool operator==(const CxString& inA, const CxString& inB) { return inA.Equals(inB); }
    friend bool operator==(const CxString& inA, const char* inB) { return inA.CompareTo(inB) == 0; }
    friend std::strong_ordering operator<=>(const CxString& inA, const CxString& inB)
    {
        return inA.CompareTo(inB) <=> 0;
    }
    friend std::strong_ordering operator<=>(const CxString& inA, const char* inB) { return inA.CompareTo(inB) <=> 0; }

    // Each separator ends a token (empty ones kept); the last token is always appended.
    CxStringList Tokenize(CxUint16 inSeparator) const;
    // As Tokenize, but separators between quotes stay in the token; quotes are kept.
    CxStringList TokenizeWithQuotedStrings(CxUint16 inSeparator, CxUint16 inQuote) const;

    friend CxString operator+(const CxString& inA, const CxString& inB);

private:
    // Up to this many units (plus the terminator) need no array of their own: most names, numbers and the
    // whitespace between elements. Their length is counted when asked, in the room that caches an array's.
    static constexpr CxUint32 kInlineUnits = 7;

    // The capacity of units held by another owner (a real capacity is at most kMaxUnits).
    static constexpr CxUint32 kNotOwned = 0xFFFFFFFFu;

    bool IsInline() const { return mChars == mInline; }
    bool OwnsArray() const { return !IsInline() && mCapacity != kNotOwned; }
    // Storage for inLength units and the terminator on an empty string; the caller fills the units.
    CxUint16* Reserve(CxUint32 inLength);
    void Release();
    // Moves ioOther's text into this string, whose storage is already released; ioOther is left empty.
    void TakeFrom(CxString& ioOther) noexcept
    {
        // The inline units or the cached length, whichever is in use.
        std::memcpy(mInline, ioOther.mInline, sizeof mInline);
        mChars = ioOther.IsInline() ? mInline : ioOther.mChars;
        ioOther.mChars = ioOther.mInline;
        ioOther.mInline[0] = 0;
    }
    void Splice(CxUint32 inFirst, CxUint32 inRest, const CxString& inString);
    bool Equals(const CxString& inOther) const;

    CxUint16* mChars; // mInline, an array of its own, or units it is Over
    union
    {
        struct
        {
            mutable CxUint32 mLength; // with an array of its own; 0 when not yet counted
            // Units the array holds before its terminator's place; 0 when unknown (an adopted array). Appending
            // doubles it, so that a string built piece by piece costs linear time.
            CxUint32 mCapacity;
        };
        CxUint16 mInline[kInlineUnits + 1];
    };
};

CxString operator+(const CxString& inA, const CxString& inB);
CxString operator+(const CxString& inA, const char* inB);
CxString operator+(const char* inA, const CxString& inB);

// The 8-bit form.
std::ostream& operator<<(std::ostream& ioStream, const CxString& inString);

class CxStringList : public std::list<CxString>
{
public:
    using std::list<CxString>::list;

    void Append(const CxString& inString) { push_back(inString); }
    // The first equal string, or end().
    iterator Find(const CxString& inString);
    const_iterator Find(const CxString& inString) const;
    // Removes the first equal string; false when there is none.
    bool EraseFirst(const CxString& inString);
    // The strings joined by the separator unit; "" for an empty list.
    CxString Combine(CxUint16 inSeparator) const;
};

// Conversions between UTF-8, UTF-16 and UTF-32 after the Unicode Consortium's reference code. The source pointer
// is advanced past what was converted, the target pointer past what was written.
enum CxConversionResult : CxSint32
{
    kCxConversionOK = 0,    // all converted
    kCxSourceExhausted = 1, // the source ends inside a character
    kCxTargetExhausted = 2, // no room; the source stays at the character that did not fit
    kCxSourceIllegal = 3    // ill-formed source; the source stays at it
};

enum CxConversionFlags : CxSint32
{
    kCxStrictConversion = 0, // unpaired surrogates are illegal
    kCxLenientConversion = 1 // UTF-16 unpaired surrogates pass through; bad UTF-32 values become U+FFFD
};

CxConversionResult ConvertUTF32toUTF16(const CxUint32** ioSourceStart, const CxUint32* inSourceEnd,
                                       CxUint16** ioTargetStart, CxUint16* inTargetEnd, CxConversionFlags inFlags);
CxConversionResult ConvertUTF16toUTF32(const CxUint16** ioSourceStart, const CxUint16* inSourceEnd,
                                       CxUint32** ioTargetStart, CxUint32* inTargetEnd, CxConversionFlags inFlags);
CxConversionResult ConvertUTF16toUTF8(const CxUint16** ioSourceStart, const CxUint16* inSourceEnd,
                                      CxUint8** ioTargetStart, CxUint8* inTargetEnd, CxConversionFlags inFlags);
CxConversionResult ConvertUTF8toUTF16(const CxUint8** ioSourceStart, const CxUint8* inSourceEnd,
                                      CxUint16** ioTargetStart, CxUint16* inTargetEnd, CxConversionFlags inFlags);
CxConversionResult ConvertUTF32toUTF8(const CxUint32** ioSourceStart, const CxUint32* inSourceEnd,
                                      CxUint8** ioTargetStart, CxUint8* inTargetEnd, CxConversionFlags inFlags);
CxConversionResult ConvertUTF8toUTF32(const CxUint8** ioSourceStart, const CxUint8* inSourceEnd,
                                      CxUint32** ioTargetStart, CxUint32* inTargetEnd, CxConversionFlags inFlags);
// Whether the sequence starting at inSource is one well-formed UTF-8 character that fits before inSourceEnd.
bool isLegalUTF8Sequence(const CxUint8* inSource, const CxUint8* inSourceEnd);

#include "CxVersion.h"
