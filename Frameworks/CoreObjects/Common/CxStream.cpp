#include "CxStream.h"

#include <limits>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------------------------------------------
// CxDataSource

CxDataSource::CxDataSource(CxData& ioData) : mData(ioData)
{
    CxAssertText(mData.GetHandle() != nullptr, "mImp->mHandle != nil");
    mData.Lock();
    Refresh();
}

CxDataSource::~CxDataSource()
{
    mData.Unlock();
}

void CxDataSource::Refresh()
{
    mBytes = mData.GetHandle() != nullptr ? static_cast<unsigned char*>(mData.Pointer()) : nullptr;
    mLength = mData.Size();
    mPosition = std::min(mPosition, mLength);
}

// The source holds its buffer's lock for its whole life and lets go only to resize it.
CxUint32 CxDataSource::Write(const void* inPtr, CxUint32 inCount) NO_THREAD_SAFETY_ANALYSIS
{
    CxAssertText(inPtr != nullptr, "inPtr != nil");
    if (inPtr == nullptr)
        return 0;
    const CxUint64 end = CxUint64(mPosition) + inCount;
    if (end > mLength)
    {
        // Our own lock is the only one that may be let go here; a block pinned by anyone else stays put and the
        // write is cut short at its end.
        mData.Unlock();
        mData.SetSize(CxUint32(std::min<CxUint64>(end, std::numeric_limits<CxUint32>::max())));
        mData.Lock();
        Refresh();
    }
    const CxUint32 count = std::min(inCount, mLength - mPosition);
    if (count > 0)
        std::memcpy(mBytes + mPosition, inPtr, count);
    mPosition += count;
    return count;
}

void CxDataSource::SetLength(CxUint32 inLength) NO_THREAD_SAFETY_ANALYSIS
{
    mData.Unlock();
    mData.SetSize(inLength);
    mData.Lock();
    Refresh();
    mPosition = std::min(mPosition, inLength);
}

// ---------------------------------------------------------------------------------------------------------------
// CxBinaryStream

CxBinaryStream::CxBinaryStream(CxStreamSource* inSource) : mSource(inSource), mData(nullptr)
{
    mData = dynamic_cast<CxDataSource*>(mSource);
    Reload();
}

CxUint32 CxBinaryStream::Write(const void* inPtr, CxUint32 inCount)
{
    Flush();
    const CxUint32 count = mSource->Write(inPtr, inCount);
    Reload();
    return count;
}

CxUint32 CxBinaryStream::SetPosition(CxUint32 inPosition)
{
    Flush();
    mSource->SetPosition(inPosition);
    Reload();
    return Position();
}

CxUint32 CxBinaryStream::OffsetPosition(CxSint32 inDelta)
{
    const CxSint64 target = CxSint64(Position()) + inDelta;
    return SetPosition(CxUint32(std::clamp<CxSint64>(target, 0, Length())));
}

CxUint32 CxBinaryStream::SetLength(CxUint32 inLength)
{
    Flush();
    mSource->SetLength(inLength);
    Reload();
    return Length();
}

CxBinaryStream& CxBinaryStream::operator>>(bool& outValue)
{
    // Any non-zero byte is true; a bool must never hold another bit pattern.
    unsigned char byte = 0;
    if (Read(&byte, 1) == 1)
        outValue = byte != 0;
    return *this;
}

CxBinaryStream& CxBinaryStream::operator>>(CxString& outValue)
{
    switch (mEncoding)
    {
    case kCxEncodingAscii:
    case kCxEncodingEightBit:
        outValue = ReadAscii();
        break;
    case kCxEncodingUtf16:
        outValue = ReadUtf16();
        break;
    default:
        CxAssertText(false, "false");
        break;
    }
    return *this;
}

CxBinaryStream& CxBinaryStream::operator<<(const CxString& inValue)
{
    switch (mEncoding)
    {
    case kCxEncodingAscii:
    case kCxEncodingEightBit:
        WriteAscii(inValue);
        break;
    case kCxEncodingUtf16:
        // Processor byte order, terminator included.
        Write(inValue.GetChars(), 2 * inValue.Length() + 2);
        break;
    default:
        CxAssertText(false, "false");
        break;
    }
    return *this;
}

CxBinaryStream& CxBinaryStream::operator<<(const char* inText)
{
    CxAssertText(inText != nullptr, "inText != nil");
    if (inText == nullptr)
        return *this;
    switch (mEncoding)
    {
    case kCxEncodingAscii:
    case kCxEncodingEightBit:
        Write(inText, CxUint32(std::strlen(inText)) + 1);
        break;
    case kCxEncodingUtf16:
        WriteUtf16(inText);
        break;
    default:
        break;
    }
    return *this;
}

CxString CxBinaryStream::ReadAscii()
{
    std::string bytes;
    char chunk[256];
    for (;;)
    {
        // Never ask beyond the end: a file source throws there.
        const CxUint32 count = Peek(chunk, std::min<CxUint32>(sizeof(chunk), Length() - Position()));
        if (count == 0)
            break;
        const char* zero = static_cast<const char*>(std::memchr(chunk, 0, count));
        const CxUint32 taken = zero != nullptr ? CxUint32(zero - chunk) : count;
        bytes.append(chunk, taken);
        SetPosition(Position() + taken + (zero != nullptr ? 1 : 0));
        if (zero != nullptr || count < sizeof(chunk))
            break;
    }
    return CxString(bytes.data(), CxUint32(bytes.size()));
}

CxString CxBinaryStream::ReadUtf16()
{
    std::vector<CxUint16> units;
    CxUint16 chunk[128];
    for (;;)
    {
        const CxUint32 count = Peek(chunk, std::min<CxUint32>(sizeof(chunk), Length() - Position()));
        const CxUint32 whole = count / 2;
        CxUint32 taken = 0;
        while (taken < whole && chunk[taken] != 0)
            ++taken;
        units.insert(units.end(), chunk, chunk + taken);
        if (taken < whole)
        {
            SetPosition(Position() + 2 * taken + 2); // pass the 0 unit
            break;
        }
        // At the end a lone trailing byte is half a unit: it is passed, not read as a character.
        SetPosition(Position() + count);
        if (count < sizeof(chunk))
            break;
    }
    return CxString(units.data(), CxUint32(units.size()));
}

void CxBinaryStream::WriteAscii(const CxString& inValue)
{
    const CxUint32 length = inValue.Length();
    const CxUint16* units = inValue.GetChars();
    std::string bytes(length + 1, '\0');
    for (CxUint32 i = 0; i < length; ++i)
        bytes[i] = units[i] < 128 ? char(units[i]) : '*';
    Write(bytes.data(), length + 1);
}

void CxBinaryStream::WriteUtf16(const char* inText)
{
    CxAssertText(inText != nullptr, "inText != nil");
    if (inText == nullptr)
        return;
    const CxString text(inText);
    Write(text.GetChars(), 2 * text.Length() + 2);
}

// ---------------------------------------------------------------------------------------------------------------
// CxTextStream

CxTextStream::CxTextStream(CxDataSource* inSource) : mSource(inSource) {}

CxTextStream::CxTextStream(CxData& ioData) : mSource(new CxDataSource(ioData)) {}

CxTextStream::~CxTextStream()
{
    CxAssertText(mSource != nullptr, "mSource != nil");
    delete mSource;
}

CxUint32 CxTextStream::Position() const
{
    CxAssertText(mSource != nullptr, "mSource != nil");
    return mSource != nullptr ? mSource->Position() : 0;
}

CxUint32 CxTextStream::Length() const
{
    CxAssertText(mSource != nullptr, "mSource != nil");
    return mSource != nullptr ? mSource->Length() : 0;
}

void CxTextStream::Seek(CxUint32 inPosition)
{
    CxAssertText(mSource != nullptr, "mSource != nil");
    if (mSource == nullptr)
        return;
    mSource->SetPosition(inPosition);
    mGood = inPosition <= mSource->Length();
}

void CxTextStream::SetLength(CxUint32 inLength)
{
    CxAssertText(mSource != nullptr, "mSource != nil");
    if (mSource != nullptr)
        mSource->SetLength(inLength);
}

void CxTextStream::StepBack()
{
    if (mSource != nullptr && mSource->Position() > 0)
        mSource->SetPosition(mSource->Position() - 1);
}

void CxTextStream::Put(char inChar)
{
    PutBytes(&inChar, 1);
}

void CxTextStream::PutBytes(const char* inBytes, CxUint32 inCount)
{
    if (!mGood || inCount == 0)
        return;
    if (mSource == nullptr)
    {
        CxAssertText(false, "mSource != nil");
        return;
    }
    if (mSource->Position() > mSource->Length())
    {
        mGood = false;
        return;
    }
    // A buffer that cannot grow (pinned elsewhere, or without a block) ends the writing.
    if (mSource->Write(inBytes, inCount) < inCount)
        mGood = false;
}

void CxTextStream::PutFill(CxUint32 inCount)
{
    char fill[64];
    std::memset(fill, mFill, sizeof(fill));
    while (inCount > 0 && mGood)
    {
        const CxUint32 count = std::min<CxUint32>(inCount, sizeof(fill));
        PutBytes(fill, count);
        inCount -= count;
    }
}

void CxTextStream::PutText(const CxString& inText)
{
    PutUnits(inText.GetChars(), inText.Length());
}

void CxTextStream::PutUnit(CxUint16 inUnit)
{
    PutUnits(&inUnit, 1);
}

void CxTextStream::PutUnits(const CxUint16* inUnits, CxUint32 inCount)
{
    // Strict conversion through a fixed buffer. A surrogate without its partner is written as U+FFFD and the
    // conversion goes on, so nothing after it is lost.
    static const char kReplacement[] = "\xEF\xBF\xBD";
    const CxUint16* source = inUnits;
    const CxUint16* const sourceEnd = inUnits + inCount;
    CxUint8 buffer[256];
    while (source < sourceEnd && mGood)
    {
        CxUint8* target = buffer;
        const CxConversionResult result =
            ConvertUTF16toUTF8(&source, sourceEnd, &target, buffer + sizeof(buffer), kCxStrictConversion);
        PutBytes(reinterpret_cast<const char*>(buffer), CxUint32(target - buffer));
        if (result == kCxSourceIllegal || result == kCxSourceExhausted)
        {
            PutBytes(kReplacement, 3);
            ++source;
        }
    }
}

void CxTextStream::Get(char& outChar)
{
    CxUint16 unit = 0;
    if (GetUnit(unit))
        outChar = char(unit);
}

void CxTextStream::Get(char* outBuffer, CxUint32 inCount, CxSeek)
{
    if (outBuffer == nullptr || inCount == 0)
        return;
    CxUint32 count = 0;
    CxUint16 unit = 0;
    while (count + 1 < inCount && !End() && GetUnit(unit))
        outBuffer[count++] = char(unit);
    outBuffer[count] = 0;
}

void CxTextStream::SkipLine()
{
    CxUint16 unit = 0;
    bool lineEnd = false;
    while (GetUnit(unit))
    {
        if (unit == '\r' || unit == '\n')
        {
            lineEnd = true;
            break;
        }
    }
    if (lineEnd && GetUnit(unit) && unit != '\n')
        StepBack();
}

// ---------------------------------------------------------------------------------------------------------------
// CxStringStream

CxStringStream::CxStringStream(CxString& ioString) : mString(&ioString), mWritable(&ioString) {}

CxStringStream::CxStringStream(const CxString& inString) : mString(&inString), mWritable(nullptr) {}

void CxStringStream::Seek(CxUint32 inPosition)
{
    mPosition = inPosition;
    if (inPosition > Length())
        mGood = false;
}

void CxStringStream::StepBack()
{
    if (mPosition > 0)
        --mPosition;
}

void CxStringStream::Put(CxUint16 inUnit)
{
    PutUnits(&inUnit, 1);
}

void CxStringStream::PutUnits(const CxUint16* inUnits, CxUint32 inCount)
{
    if (!mGood || inCount == 0)
        return;
    if (mWritable == nullptr)
    {
        mGood = false;
        return;
    }
    const CxUint32 length = mWritable->Length();
    if (mPosition > length)
    {
        mGood = false;
        return;
    }
    // Replace what lies before the end, append the rest in one piece.
    const CxUint32 replaced = std::min(inCount, length - mPosition);
    for (CxUint32 i = 0; i < replaced; ++i)
        (*mWritable)[mPosition + i] = inUnits[i];
    if (replaced < inCount)
        *mWritable += CxString(inUnits + replaced, inCount - replaced);
    mPosition += inCount;
}

void CxStringStream::PutText(const CxString& inText)
{
    PutUnits(inText.GetChars(), inText.Length());
}

void CxStringStream::PutBytes(const char* inBytes, CxUint32 inCount)
{
    CxUint16 units[128];
    while (inCount > 0 && mGood)
    {
        const CxUint32 count = std::min<CxUint32>(inCount, std::size(units));
        for (CxUint32 i = 0; i < count; ++i)
            units[i] = CxUint16(CxSint16(static_cast<signed char>(inBytes[i])));
        PutUnits(units, count);
        inBytes += count;
        inCount -= count;
    }
}

void CxStringStream::PutFill(CxUint32 inCount)
{
    CxUint16 fill[64];
    std::fill(std::begin(fill), std::end(fill), mFill);
    while (inCount > 0 && mGood)
    {
        const CxUint32 count = std::min<CxUint32>(inCount, std::size(fill));
        PutUnits(fill, count);
        inCount -= count;
    }
}

void CxStringStream::Get(CxUint16& outUnit)
{
    CxUint16 unit = 0;
    if (GetUnit(unit))
        outUnit = unit;
}

void CxStringStream::GetChar(char& outChar)
{
    CxUint16 unit = 0;
    if (GetUnit(unit))
        outChar = unit < 128 ? char(unit) : '*';
}

void CxStringStream::Get(CxUint16* outBuffer, CxUint32 inCount, CxSeek)
{
    if (outBuffer == nullptr || inCount == 0)
        return;
    CxUint32 count = 0;
    CxUint16 unit = 0;
    while (count + 1 < inCount && !End() && GetUnit(unit))
        outBuffer[count++] = unit;
    outBuffer[count] = 0;
}
