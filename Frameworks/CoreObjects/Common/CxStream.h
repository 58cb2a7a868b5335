// Streams. A stream source is a positioned byte store (a CxData in memory here; files bring their own source).
// CxBinaryStream reads and writes binary values of either byte order on a source; CxTextStream and CxStringStream
// write formatted text (UTF-8 bytes into a buffer, or UTF-16 units into a string) and read words and numbers back.
//
// Counts and positions are 32-bit. The long overloads are refused at compile time: long is 64-bit here, and every
// layout this system reads was made with a 32-bit long (use CxSint32, or long long for 64 bits).
#pragma once

#include "CxData.h"
#include "CxDebug.h"
#include "CxParsers.h"
#include "CxString.h"
#include "CxTypes.h"
#include "CxUtilities.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <iterator>
#include <type_traits>

constexpr CxEndianness kCxProcessorEndianness =
    std::endian::native == std::endian::little ? kCxLittleEndian : kCxBigEndian;

// Strings in binary streams: 0 and 1 zero-terminated 8-bit text, 2 zero-terminated UTF-16 in the processor's
// byte order (whatever the stream's endianness).
enum CxEncoding : CxSint32
{
    kCxEncodingAscii = 0,
    kCxEncodingEightBit = 1,
    kCxEncodingUtf16 = 2
};

enum CxJustification : CxSint32
{
    kCxJustifyLeft = 0,
    kCxJustifyRight = 1,
    kCxJustifyCenter = 2
};

enum CxEndOfLine : CxSint32
{
    kCxEndOfLineCR = 0,   // "\r"
    kCxEndOfLineCRLF = 1, // "\r\n"
    kCxEndOfLineLF = 2    // "\n"
};

class CxStreamSource
{
public:
    virtual ~CxStreamSource() = default;
    CxStreamSource(const CxStreamSource&) = delete;
    CxStreamSource& operator=(const CxStreamSource&) = delete;

    // Each returns the number of bytes actually moved.
    virtual CxUint32 Peek(void* outPtr, CxUint32 inCount) = 0;
    virtual CxUint32 Read(void* outPtr, CxUint32 inCount) = 0;
    virtual CxUint32 Write(const void* inPtr, CxUint32 inCount) = 0;
    virtual void SetPosition(CxUint32 inPosition) = 0;
    virtual void SetLength(CxUint32 inLength) = 0;
    virtual CxUint32 Position() const = 0;
    virtual CxUint32 Length() const = 0;

protected:
    CxStreamSource() = default;
};

// A source on a CxData. It shares the buffer's body and keeps it locked for its whole life, so the address it
// holds stays valid; writes past the end grow the buffer. The reading operations are inline: the streams'
// per-value paths go through them.
class CxDataSource final : public CxStreamSource
{
public:
    explicit CxDataSource(CxData& ioData);
    ~CxDataSource() override;

    CxUint32 Peek(void* outPtr, CxUint32 inCount) override
    {
        CxAssertText(outPtr != nullptr, "inPtr != nil");
        if (outPtr == nullptr)
            return 0;
        const CxUint32 count = std::min(inCount, mLength - mPosition);
        if (count > 0)
            std::memcpy(outPtr, mBytes + mPosition, count);
        return count;
    }

    CxUint32 Read(void* outPtr, CxUint32 inCount) override
    {
        const CxUint32 count = Peek(outPtr, inCount);
        mPosition += count;
        return count;
    }

    CxUint32 Write(const void* inPtr, CxUint32 inCount) override;
    void SetPosition(CxUint32 inPosition) override { mPosition = std::min(inPosition, mLength); }
    void SetLength(CxUint32 inLength) override;
    CxUint32 Position() const override { return mPosition; }
    CxUint32 Length() const override { return mLength; }

    // The byte at the position, advancing; at the end 0, without moving.
    signed char ReadChar()
    {
        if (mPosition >= mLength)
            return 0;
        return static_cast<signed char>(mBytes[mPosition++]);
    }

private:
    friend class CxBinaryStream;

    void Refresh();

    CxData mData;
    unsigned char* mBytes = nullptr;
    CxUint32 mPosition = 0;
    CxUint32 mLength = 0;
};

class CxFile;

class CxBinaryStream
{
public:
    // A stream on a new data source of the buffer. Inline with the destructor: a stream that never leaves its
    // function keeps its cursor in registers through the caller's loops.
    explicit CxBinaryStream(CxData& ioData) : mSource(new CxDataSource(ioData))
    {
        mData = static_cast<CxDataSource*>(mSource);
        Reload();
    }
    // Takes ownership of the source.
    explicit CxBinaryStream(CxStreamSource* inSource);
    // A stream on a new file source of the file, opened for reading; failing to open throws the file's error.
    explicit CxBinaryStream(CxFile& ioFile);
    ~CxBinaryStream() { delete mSource; }
    CxBinaryStream(const CxBinaryStream&) = delete;
    CxBinaryStream& operator=(const CxBinaryStream&) = delete;

    void SetEndianness(CxEndianness inEndianness) { mEndianness = inEndianness; }
    CxEndianness Endianness() const { return mEndianness; }
    void SetEncoding(CxEncoding inEncoding) { mEncoding = inEncoding; }
    CxEncoding Encoding() const { return mEncoding; }

    CxUint32 Position() const { return mData != nullptr ? At() : mSource->Position(); }
    CxUint32 Length() const { return mData != nullptr ? CxUint32(mLength) : mSource->Length(); }
    bool End() const { return Position() == Length(); }
    // Each returns the resulting position or length.
    CxUint32 SetPosition(CxUint32 inPosition);
    // Clamped to the start and to the length.
    CxUint32 OffsetPosition(CxSint32 inDelta);
    CxUint32 SetLength(CxUint32 inLength);

    CxUint32 Peek(void* outPtr, CxUint32 inCount)
    {
        if (mData == nullptr)
            return mSource->Peek(outPtr, inCount);
        CxAssertText(outPtr != nullptr, "inPtr != nil");
        if (outPtr == nullptr)
            return 0;
        const CxUint32 at = At();
        const CxUint32 count = std::min(inCount, CxUint32(mLength) - at);
        if (count > 0)
            std::memcpy(outPtr, mBytes + at, count);
        return count;
    }
    CxUint32 Read(void* outPtr, CxUint32 inCount)
    {
        if (mData == nullptr)
            return mSource->Read(outPtr, inCount);
        const CxUint32 count = Peek(outPtr, inCount);
        mCursor = At() + count;
        return count;
    }
    CxUint32 Write(const void* inPtr, CxUint32 inCount);

    // Numbers are converted between the stream's byte order and the processor's. A read that meets the end takes
    // the bytes that remain as the value's leading bytes in stream order; the rest of the variable keeps its value.
    CxBinaryStream& operator>>(signed char& outValue) { return ReadNumber(outValue); }
    CxBinaryStream& operator>>(unsigned char& outValue) { return ReadNumber(outValue); }
    CxBinaryStream& operator>>(char& outValue) { return ReadNumber(outValue); }
    CxBinaryStream& operator>>(bool& outValue);
    CxBinaryStream& operator>>(CxSint16& outValue) { return ReadNumber(outValue); }
    CxBinaryStream& operator>>(CxUint16& outValue) { return ReadNumber(outValue); }
    CxBinaryStream& operator>>(CxSint32& outValue) { return ReadNumber(outValue); }
    CxBinaryStream& operator>>(CxUint32& outValue) { return ReadNumber(outValue); }
    CxBinaryStream& operator>>(long long& outValue) { return ReadNumber(outValue); }
    CxBinaryStream& operator>>(unsigned long long& outValue) { return ReadNumber(outValue); }
    CxBinaryStream& operator>>(float& outValue) { return ReadNumber(outValue); }
    CxBinaryStream& operator>>(double& outValue) { return ReadNumber(outValue); }
    // By the encoding: ReadAscii or ReadUtf16.
    CxBinaryStream& operator>>(CxString& outValue);
    CxBinaryStream& operator>>(long&) = delete;
    CxBinaryStream& operator>>(unsigned long&) = delete;

    CxBinaryStream& operator<<(signed char inValue) { return WriteNumber(inValue); }
    CxBinaryStream& operator<<(unsigned char inValue) { return WriteNumber(inValue); }
    CxBinaryStream& operator<<(char inValue) { return WriteNumber(inValue); }
    CxBinaryStream& operator<<(bool inValue) { return WriteNumber(static_cast<unsigned char>(inValue ? 1 : 0)); }
    CxBinaryStream& operator<<(CxSint16 inValue) { return WriteNumber(inValue); }
    CxBinaryStream& operator<<(CxUint16 inValue) { return WriteNumber(inValue); }
    CxBinaryStream& operator<<(CxSint32 inValue) { return WriteNumber(inValue); }
    CxBinaryStream& operator<<(CxUint32 inValue) { return WriteNumber(inValue); }
    CxBinaryStream& operator<<(long long inValue) { return WriteNumber(inValue); }
    CxBinaryStream& operator<<(unsigned long long inValue) { return WriteNumber(inValue); }
    CxBinaryStream& operator<<(float inValue) { return WriteNumber(inValue); }
    CxBinaryStream& operator<<(double inValue) { return WriteNumber(inValue); }
    // Encodings 0 and 1: WriteAscii; 2: the units and a 0 unit.
    CxBinaryStream& operator<<(const CxString& inValue);
    // Encodings 0 and 1: the bytes and a 0 byte; 2: WriteUtf16.
    CxBinaryStream& operator<<(const char* inText);
    CxBinaryStream& operator<<(long) = delete;
    CxBinaryStream& operator<<(unsigned long) = delete;

    // Bytes up to and without a 0 byte (which is passed) or the end, each sign-extended into a unit.
    CxString ReadAscii();
    // Units up to and without a 0 unit (which is passed) or the end.
    CxString ReadUtf16();
    // The string's 8-bit form (units above 127 as "*") and a 0 byte.
    void WriteAscii(const CxString& inValue);
    // The text's bytes sign-extended into units, and a 0 unit.
    void WriteUtf16(const char* inText);

private:
    // Byte reversal, inline: the per-value paths of the decoders run through here.
    template <typename T> static T Reversed(T inValue)
    {
        if constexpr (sizeof(T) == 1)
            return inValue;
        else
        {
            using Bits =
                std::conditional_t<sizeof(T) == 2, CxUint16, std::conditional_t<sizeof(T) == 4, CxUint32, CxUint64>>;
            Bits bits;
            std::memcpy(&bits, &inValue, sizeof(T));
            if constexpr (sizeof(T) == 2)
                bits = __builtin_bswap16(bits);
            else if constexpr (sizeof(T) == 4)
                bits = __builtin_bswap32(bits);
            else
                bits = __builtin_bswap64(bits);
            std::memcpy(&inValue, &bits, sizeof(T));
            return inValue;
        }
    }

    // Between the stream's order and the processor's (the same either way round).
    template <typename T> T Twisted(T inValue) const
    {
        return mEndianness == kCxProcessorEndianness ? inValue : Reversed(inValue);
    }

    // Only a data source has a cursor (the others keep an empty one), so the first test alone serves the hot path.
    // The cursor moves on by the value's size whatever happens, which makes it a plain induction variable of the
    // caller's loop (the loop's own counter folds into it).
    template <typename T> CxBinaryStream& ReadNumber(T& ioValue)
    {
        const CxSint64 at = mCursor;
        mCursor = at + CxSint64(sizeof(T));
        if (at <= mLength - CxSint64(sizeof(T))) [[likely]]
        {
            T value;
            std::memcpy(&value, mBytes + at, sizeof(T));
            ioValue = Twisted(value);
        }
        else if (mData != nullptr)
            ioValue = ReadTail(ioValue, at);
        else
            ioValue = ReadNumberSlowly(mSource, mEndianness, ioValue);
        return *this;
    }

    // A data source's last few bytes. Inline and free of calls, so that nothing in a reading loop can reach the
    // cursor.
    template <typename T> T ReadTail(T inOld, CxSint64 inAt) const
    {
        // Lay the old value out in stream order, overwrite its leading bytes, and turn it back.
        T value = Twisted(inOld);
        unsigned char bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
        for (CxSint64 at = inAt; at < mLength; ++at)
            bytes[at - inAt] = mBytes[at];
        std::memcpy(&value, bytes, sizeof(T));
        return Twisted(value);
    }

    // Other sources. Out of line, cold, and given no pointer to the stream: a stream that has not escaped keeps
    // its cursor in registers across the call.
    template <typename T>
    [[gnu::cold, gnu::noinline]] static T ReadNumberSlowly(CxStreamSource* ioSource, CxEndianness inEndianness, T inOld)
    {
        const auto twisted = [inEndianness](T inValue)
        { return inEndianness == kCxProcessorEndianness ? inValue : Reversed(inValue); };
        unsigned char bytes[sizeof(T)];
        const CxUint32 count = ioSource->Read(bytes, sizeof(T));
        if (count == 0)
            return inOld;
        T value = twisted(inOld);
        std::memcpy(&value, bytes, count);
        return twisted(value);
    }

    template <typename T> CxBinaryStream& WriteNumber(T inValue)
    {
        inValue = Twisted(inValue);
        Write(&inValue, sizeof(T));
        return *this;
    }

    // The data source's cursor lives here while the stream does: handed back before anything else uses the source,
    // taken again after. Reads past the end carry it beyond the length; it counts as the length there.
    CxUint32 At() const { return CxUint32(std::min(mCursor, mLength)); }
    void Flush()
    {
        if (mData != nullptr)
            mData->mPosition = At();
    }
    void Reload()
    {
        if (mData == nullptr)
            return;
        mBytes = mData->mBytes;
        mCursor = mData->mPosition;
        mLength = mData->mLength;
    }

    CxStreamSource* mSource;
    CxDataSource* mData; // mSource when it is a data source: its reads inline
    const unsigned char* mBytes = nullptr;
    CxSint64 mCursor = 0;
    CxSint64 mLength = 0;
    CxEndianness mEndianness = kCxBigEndian;
    CxEncoding mEncoding = kCxEncodingAscii;
};

// The operator set shared by the text and the string stream. Derived supplies the unit-level hooks: GetUnit (one
// character as a unit, clearing good at the end), StepBack, PutText (a CxString), PutBytes (8-bit text), PutFill,
// PutChar and PutUnit (outside any field), GetChar (the char extraction) and Position, Length, End.
template <typename Derived, typename Fill> class CxFormattedStream
{
public:
    void SetSkipWhitespace(bool inSkip) { mSkipWhitespace = inSkip; }
    void SetFieldJustification(CxJustification inJustification) { mJustification = inJustification; }
    void SetFieldFill(Fill inFill) { mFill = inFill; }
    void SetFieldWidth(int inWidth) { mWidth = inWidth; }
    void SetFieldPrecision(int inPrecision) { mPrecision = inPrecision; }

    // Cleared by writing beyond the end, reading at the end and seeking beyond the length.
    bool Good() const { return mGood; }
    bool Fail() const { return !mGood; }

    // Formatted, then written as a field.
    Derived& operator<<(const CxString& inValue)
    {
        WriteField(inValue);
        return Self();
    }
    Derived& operator<<(const char* inText)
    {
        WriteField(inText);
        return Self();
    }
    Derived& operator<<(bool inValue)
    {
        WriteField(inValue ? "true" : "false");
        return Self();
    }
    Derived& operator<<(signed char inValue) { return WriteInteger(inValue); }
    Derived& operator<<(CxSint16 inValue) { return WriteInteger(inValue); }
    Derived& operator<<(CxSint32 inValue) { return WriteInteger(inValue); }
    Derived& operator<<(long long inValue) { return WriteInteger(inValue); }
    Derived& operator<<(unsigned char inValue) { return WriteInteger(inValue); }
    Derived& operator<<(CxUint32 inValue) { return WriteInteger(inValue); }
    Derived& operator<<(unsigned long long inValue) { return WriteInteger(inValue); }
    // The number's text is ASCII, so its units count as its bytes.
    Derived& operator<<(float inValue)
    {
        WriteField(CxString(inValue, mPrecision));
        return Self();
    }
    Derived& operator<<(double inValue)
    {
        WriteField(CxString(inValue, mPrecision));
        return Self();
    }
    Derived& operator<<(long) = delete;
    Derived& operator<<(unsigned long) = delete;

    // Outside any field.
    Derived& operator<<(char inChar)
    {
        Self().PutChar(inChar);
        return Self();
    }
    Derived& operator<<(CxUint16 inUnit)
    {
        Self().PutUnit(inUnit);
        return Self();
    }
    Derived& operator<<(CxEndOfLine inEnd)
    {
        switch (inEnd)
        {
        case kCxEndOfLineCR:
            Self().PutBytes("\r", 1);
            break;
        case kCxEndOfLineCRLF:
            Self().PutBytes("\r\n", 2);
            break;
        case kCxEndOfLineLF:
            Self().PutBytes("\n", 1);
            break;
        default:
            CxAssertText(false, "false");
            break;
        }
        return Self();
    }

    // Without field handling.
    void Write(const CxString& inValue) { Self().PutText(inValue); }
    void Write(const char* inText)
    {
        if (inText != nullptr)
            Self().PutBytes(inText, CxUint32(std::strlen(inText)));
    }

    // With fill before and after, as the width and justification ask.
    void WriteField(const CxString& inValue)
    {
        const Padding pad = PaddingFor(inValue.Length());
        Self().PutFill(pad.mBefore);
        Self().PutText(inValue);
        Self().PutFill(pad.mAfter);
    }
    void WriteField(const char* inText)
    {
        if (inText == nullptr)
            return;
        WriteFieldBytes(inText, CxUint32(std::strlen(inText)));
    }

    // Passes blanks, tabs, line feeds and carriage returns when the skip flag is set.
    void SkipWhitespace()
    {
        if (!mSkipWhitespace)
            return;
        CxUint16 unit = 0;
        while (!Self().End() && Self().GetUnit(unit))
        {
            if (!IsWhitespace(unit))
            {
                Self().StepBack();
                break;
            }
        }
    }

    // Feeds the parser until it stops or the stream ends; the unit that ended the value stays in the stream.
    // Reaching the end clears good. Returns the parser's Good().
    bool ParseValue(CxParser& ioParser) { return Feed(ioParser); }

    // The target changes only when the parse is good (a stream holding nothing more to read stores 0).
    Derived& operator>>(bool& outValue) { return Extract<CxBoolParser>(outValue); }
    Derived& operator>>(signed char& outValue) { return Extract<CxSintParser<signed char>>(outValue); }
    Derived& operator>>(CxSint16& outValue) { return Extract<CxSintParser<short>>(outValue); }
    Derived& operator>>(CxSint32& outValue) { return Extract<CxSintParser<CxSint32>>(outValue); }
    Derived& operator>>(long long& outValue) { return Extract<CxSintParser<long long>>(outValue); }
    Derived& operator>>(unsigned char& outValue) { return Extract<CxUintParser<unsigned char>>(outValue); }
    Derived& operator>>(CxUint32& outValue) { return Extract<CxUintParser<CxUint32>>(outValue); }
    Derived& operator>>(unsigned long long& outValue) { return Extract<CxUintParser<unsigned long long>>(outValue); }
    Derived& operator>>(float& outValue) { return Extract<CxFloatParser<float>>(outValue); }
    Derived& operator>>(double& outValue) { return Extract<CxFloatParser<double>>(outValue); }
    Derived& operator>>(long&) = delete;
    Derived& operator>>(unsigned long&) = delete;

    // A word: white space skipped, then everything up to the next blank, tab, line feed or carriage return (which
    // stays in the stream) or the end.
    Derived& operator>>(CxString& outWord);

    // One character: the text stream's byte, or the string stream's unit (below 128, else '*').
    Derived& operator>>(char& outChar)
    {
        Self().GetChar(outChar);
        return Self();
    }
    // One unit: the text stream's byte sign-extended, or the string stream's unit.
    Derived& operator>>(CxUint16& outUnit)
    {
        CxUint16 unit = 0;
        if (Self().GetUnit(unit))
            outUnit = unit;
        return Self();
    }

protected:
    CxFormattedStream() = default;
    ~CxFormattedStream() = default;
    CxFormattedStream(const CxFormattedStream&) = delete;
    CxFormattedStream& operator=(const CxFormattedStream&) = delete;

    static bool IsWhitespace(CxUint16 inUnit)
    {
        return inUnit == ' ' || inUnit == '\t' || inUnit == '\n' || inUnit == '\r';
    }

    void WriteFieldBytes(const char* inText, CxUint32 inCount)
    {
        const Padding pad = PaddingFor(inCount);
        Self().PutFill(pad.mBefore);
        Self().PutBytes(inText, inCount);
        Self().PutFill(pad.mAfter);
    }

    bool mGood = true;
    bool mSkipWhitespace = true;
    CxJustification mJustification = kCxJustifyLeft;
    Fill mFill = Fill(' ');
    int mWidth = 0;
    int mPrecision = 3;

private:
    struct Padding
    {
        CxUint32 mBefore = 0;
        CxUint32 mAfter = 0;
    };

    Derived& Self() { return static_cast<Derived&>(*this); }

    Padding PaddingFor(CxUint32 inLength) const
    {
        Padding pad;
        if (mWidth <= 0 || CxUint32(mWidth) <= inLength)
            return pad;
        const CxUint32 count = CxUint32(mWidth) - inLength;
        switch (mJustification)
        {
        case kCxJustifyLeft:
            pad.mAfter = count;
            break;
        case kCxJustifyRight:
            pad.mBefore = count;
            break;
        case kCxJustifyCenter:
            pad.mBefore = count / 2;
            pad.mAfter = count - pad.mBefore;
            break;
        default:
            CxAssertText(false, "false");
            break;
        }
        return pad;
    }

    template <typename T> Derived& WriteInteger(T inValue);

    // Parsers whose value is complete on the unit that stops them: that unit belongs to the value.
    template <typename P> static bool StopsInsideValue(const P& inParser)
    {
        if constexpr (std::is_same_v<P, CxBoolParser>)
            return inParser.Value(); // "true" stops on its "e"; "false" needs the following unit
        else if constexpr (std::is_same_v<P, CxQuotedStringParser>)
            return inParser.Good(); // stops on the closing quote
        else if constexpr (std::is_same_v<P, CxParser>)
        {
            if (const auto* boolean = dynamic_cast<const CxBoolParser*>(&inParser))
                return StopsInsideValue(*boolean);
            if (const auto* quoted = dynamic_cast<const CxQuotedStringParser*>(&inParser))
                return StopsInsideValue(*quoted);
            return false;
        }
        else
            return false;
    }

    template <typename P> bool Feed(P& ioParser)
    {
        SkipWhitespace();
        CxUint16 unit = 0;
        while (Self().GetUnit(unit))
        {
            if (ioParser.Parse(unit))
            {
                if (!StopsInsideValue(ioParser))
                    Self().StepBack();
                break;
            }
        }
        return ioParser.Good();
    }

    template <typename P, typename T> Derived& Extract(T& outValue)
    {
        P parser;
        if (Feed(parser))
            outValue = parser.Value();
        return Self();
    }
};

class CxTextStream : public CxFormattedStream<CxTextStream, char>
{
public:
    // Takes ownership of the source.
    explicit CxTextStream(CxDataSource* inSource);
    // Makes its own source: the buffer stays locked while the stream lives.
    explicit CxTextStream(CxData& ioData);
    ~CxTextStream();

    // In bytes.
    CxUint32 Position() const;
    CxUint32 Length() const;
    bool End() const { return Position() >= Length(); }
    // The source clamps to its length; good becomes whether the position asked for lies within the length.
    void Seek(CxUint32 inPosition);
    void SetLength(CxUint32 inLength);

    // One byte at the position (replacing, or appending at the end); nothing while not good.
    void Put(char inChar);
    // The byte at the position; at the end good is cleared and the target kept.
    void Get(char& outChar);
    // Up to inCount - 1 bytes, stopping early at the end, then a 0 byte (nothing at all for a count of 0).
    void Get(char* outBuffer, CxUint32 inCount, CxSeek inClass);
    // Through the next CR or LF; one LF directly after it is taken as part of the line end.
    void SkipLine();

private:
    friend class CxFormattedStream<CxTextStream, char>;

    bool GetUnit(CxUint16& outUnit)
    {
        if (!mGood)
            return false;
        if (mSource == nullptr)
        {
            CxAssertText(false, "mSource != nil");
            return false;
        }
        if (mSource->Position() >= mSource->Length())
        {
            mGood = false;
            return false;
        }
        outUnit = CxUint16(CxSint16(mSource->ReadChar()));
        return true;
    }
    void StepBack();
    void PutText(const CxString& inText);
    void PutUnits(const CxUint16* inUnits, CxUint32 inCount);
    void PutBytes(const char* inBytes, CxUint32 inCount);
    void PutFill(CxUint32 inCount);
    void PutChar(char inChar) { Put(inChar); }
    void PutUnit(CxUint16 inUnit);
    void GetChar(char& outChar) { Get(outChar); }

    CxDataSource* mSource;
};

class CxStringStream : public CxFormattedStream<CxStringStream, CxUint16>
{
public:
    // Reads and writes the string, which must outlive the stream.
    explicit CxStringStream(CxString& ioString);
    // Reads only: a write clears good and changes nothing.
    explicit CxStringStream(const CxString& inString);
    CxStringStream(CxString&&) = delete;
    CxStringStream(const CxString&&) = delete;

    // In units.
    CxUint32 Position() const { return mPosition; }
    CxUint32 Length() const { return mString->Length(); }
    bool End() const { return mPosition >= Length(); }
    // Moves anywhere; a position beyond the length clears good.
    void Seek(CxUint32 inPosition);
    // Sets good again.
    void Clear() { mGood = true; }

    // Appends at the end, replaces before it, clears good beyond it; nothing while not good.
    void Put(CxUint16 inUnit);
    // The unit at the position; at the end good is cleared and the target kept.
    void Get(CxUint16& outUnit);
    // Up to inCount - 1 units, stopping early at the end, then a 0 unit (nothing at all for a count of 0).
    void Get(CxUint16* outBuffer, CxUint32 inCount, CxSeek inClass);

private:
    friend class CxFormattedStream<CxStringStream, CxUint16>;

    bool GetUnit(CxUint16& outUnit)
    {
        if (!mGood)
            return false;
        if (mPosition >= Length())
        {
            mGood = false;
            return false;
        }
        outUnit = mString->GetChars()[mPosition++];
        return true;
    }
    void StepBack();
    void PutText(const CxString& inText);
    void PutUnits(const CxUint16* inUnits, CxUint32 inCount);
    void PutBytes(const char* inBytes, CxUint32 inCount);
    void PutFill(CxUint32 inCount);
    void PutChar(char inChar) { Put(CxUint16(CxSint16(static_cast<signed char>(inChar)))); }
    void PutUnit(CxUint16 inUnit) { Put(inUnit); }
    void GetChar(char& outChar);

    const CxString* mString;
    CxString* mWritable; // null for a read-only stream
    CxUint32 mPosition = 0;
};

// Out-of-line members of the shared operator set.

template <typename Derived, typename Fill> Derived& CxFormattedStream<Derived, Fill>::operator>>(CxString& outWord)
{
    SkipWhitespace();
    outWord = CxString();
    CxUint16 buffer[64];
    CxUint32 count = 0;
    CxUint16 unit = 0;
    while (Self().GetUnit(unit))
    {
        if (IsWhitespace(unit))
        {
            Self().StepBack();
            break;
        }
        if (count == std::size(buffer))
        {
            outWord += CxString(buffer, count);
            count = 0;
        }
        buffer[count++] = unit;
    }
    if (count > 0)
        outWord += CxString(buffer, count);
    return Self();
}

template <typename Derived, typename Fill>
template <typename T>
Derived& CxFormattedStream<Derived, Fill>::WriteInteger(T inValue)
{
    char text[24];
    const auto result = std::to_chars(text, text + sizeof(text), inValue);
    WriteFieldBytes(text, CxUint32(result.ptr - text));
    return Self();
}
