#include "DxKdfParsers.h"

#include "CxData.h"
#include "CxDebug.h"
#include "CxParsers.h"
#include "XmlElement.h"

#include <cmath>
#include <limits>
#include <string>

namespace
{

// Columns beyond this are no station file but a damaged count.
constexpr CxSint32 kMaxKdfNumbers = 10000;
constexpr double kKdfMissingBelow = -900.0;

bool IsBlank(char inByte)
{
    return inByte == ' ' || inByte == '\t';
}

bool IsLineEnd(char inByte)
{
    return inByte == '\r' || inByte == '\n';
}

// Tokens of 8-bit text separated by blanks, tabs and line ends.
class KdfScanner
{
public:
    KdfScanner(const char* inBytes, CxUint32 inSize) : mBytes(inBytes), mSize(inSize) {}

    // The next token; within the current line only when told, so that a short line is seen as short.
    bool Token(std::string& outToken, bool inThisLine)
    {
        while (mPos < mSize && (IsBlank(mBytes[mPos]) || (!inThisLine && IsLineEnd(mBytes[mPos]))))
            ++mPos;
        if (mPos == mSize || IsLineEnd(mBytes[mPos]))
            return false;
        const CxUint32 start = mPos;
        while (mPos < mSize && !IsBlank(mBytes[mPos]) && !IsLineEnd(mBytes[mPos]))
            ++mPos;
        outToken.assign(mBytes + start, mPos - start);
        return true;
    }

    // Past the next line end: CR, LF or CR LF.
    void SkipLine()
    {
        while (mPos < mSize && !IsLineEnd(mBytes[mPos]))
            ++mPos;
        if (mPos < mSize && mBytes[mPos] == '\r')
            ++mPos;
        if (mPos < mSize && mBytes[mPos] == '\n')
            ++mPos;
    }

private:
    const char* mBytes;
    CxUint32 mSize;
    CxUint32 mPos = 0;
};

// The whole token must be the number: a prefix that reads would pass "12abc" off as 12.
template <typename P> bool ReadWhole(const std::string& inToken, P& ioParser)
{
    bool hasDigit = false;
    for (const char byte : inToken)
    {
        hasDigit = hasDigit || (byte >= '0' && byte <= '9');
        if (ioParser.Parse(CxUint16(static_cast<unsigned char>(byte))))
            return false;
    }
    return hasDigit && ioParser.Good();
}

double KdfNumber(const std::string& inToken)
{
    CxFloatParser<double> parser;
    if (!ReadWhole(inToken, parser))
        return std::numeric_limits<double>::quiet_NaN();
    const double value = parser.Value();
    return value < kKdfMissingBelow ? std::numeric_limits<double>::quiet_NaN() : value;
}

bool KdfInteger(const std::string& inToken, CxSint32& outValue)
{
    CxSintParser<CxSint32> parser;
    if (!ReadWhole(inToken, parser))
        return false;
    outValue = parser.Value();
    return true;
}

CxString Lowered(const CxString& inText)
{
    CxString text = inText;
    text.Lowercase();
    return text;
}

} // namespace

// ---- Kdf

DxKdfUncompressedParser::DxKdfUncompressedParser(CxData& ioData)
{
    if (ioData.Size() == 0)
        return;
    CxAutoLock lock(ioData);
    Parse(static_cast<const char*>(ioData.Pointer()), ioData.Size());
}

void DxKdfUncompressedParser::Parse(const char* inBytes, CxUint32 inSize)
{
    KdfScanner scanner(inBytes, inSize);
    std::string token;
    CxSint32 version = 0;
    if (!scanner.Token(token, false) || !KdfInteger(token, version) || version != 101)
    {
        CxAssert(version == 101);
        return;
    }
    scanner.SkipLine();

    CxSint32 n = -1;
    if (!scanner.Token(token, false) || !KdfInteger(token, n) || n < 0 || n > kMaxKdfNumbers)
    {
        CxDebug(n);
        return;
    }
    CxSint32 parts[6] = {};
    for (CxSint32& part : parts)
    {
        if (scanner.Token(token, true))
            KdfInteger(token, part);
    }
    scanner.SkipLine();

    const CxSint32 columns = n + 3;
    std::vector<CxString> names;
    while (CxSint32(names.size()) < columns && scanner.Token(token, true))
        names.push_back(Lowered(CxString(token.c_str())));
    scanner.SkipLine();
    if (CxSint32(names.size()) < columns)
    {
        CxDebug(CxSint32(names.size()));
        return;
    }

    mHeaderDate = CxDate(CxSint16(parts[0]), CxSint16(parts[1]), CxSint16(parts[2]), CxSint16(parts[3]),
                         CxSint16(parts[4]), CxSint16(parts[5]), 0);
    mBaseDate = mHeaderDate;
    mNames = names;
    mColumnCount = columns;
    DxStringField* ids = mTable.NewStringField(names[0]);
    DxIntField* numbers = mTable.NewIntField(names[1]);
    std::vector<DxFloatField*> values;
    for (CxSint32 i = 2; i < columns; ++i)
        values.push_back(mTable.NewFloatField(names[std::size_t(i)]));

    // Rows are whole or dropped: a file cut off inside a row must not leave the columns of unequal length.
    std::vector<std::string> row(static_cast<std::size_t>(columns));
    for (;;)
    {
        CxSint32 read = 0;
        while (read < columns && scanner.Token(row[std::size_t(read)], false))
            ++read;
        if (read < columns)
            break;
        ids->push_back(Lowered(CxString(row[0].c_str())));
        CxSint32 number = 0;
        KdfInteger(row[1], number);
        numbers->push_back(number);
        for (CxSint32 i = 2; i < columns; ++i)
            values[std::size_t(i - 2)]->push_back(KdfNumber(row[std::size_t(i)]));
    }
    if (!values[0]->empty() && !std::isnan(values[0]->front()))
        mBaseDate = mHeaderDate + values[0]->front() * 60.0;
}

bool DxKdfUncompressedParser::ParseField(DxFrame* ioFrame, const CxString& inId)
{
    const CxString id = Lowered(inId);
    if (id == "stid")
    {
        const DxStringField* own = mTable.FindStringField(id);
        if (own != nullptr)
            static_cast<std::vector<CxString>&>(*ioFrame->NewStringField(id)) = *own;
        return own != nullptr;
    }
    if (id == "stnm")
    {
        const DxIntField* own = mTable.FindIntField(id);
        if (own != nullptr)
            static_cast<std::vector<CxSint32>&>(*ioFrame->NewIntField(id)) = *own;
        return own != nullptr;
    }
    const DxFloatField* own = mTable.FindFloatField(id);
    if (own != nullptr)
        static_cast<std::vector<double>&>(*ioFrame->NewFloatField(id)) = *own;
    return own != nullptr;
}

bool DxKdfUncompressedParser::ParseAllFields(DxFrame* ioFrame)
{
    for (const CxString& name : mNames)
    {
        if (ioFrame->FindField(name) == nullptr)
            ParseField(ioFrame, name);
    }
    return true;
}

// ---- XKDF

DxXkdfParser::DxXkdfParser(CxData& ioData) : DxBaseParser("kdf", "1.0d1")
{
    if (!ParseData(ioData) || !Parsed())
        return;
    CheckVersion();
    const XmlElement* kdf = FindDocumentElement("kdf");
    const XmlElement* table = kdf != nullptr ? kdf->FindElement("table") : nullptr;
    if (table == nullptr)
        return;
    mDate = CxDate(table->GetAttribute("date"));
    DxReadStationRecords(table, mTable, false);
    mTable.IndexBy("stid");
}

bool DxXkdfParser::ParseField(DxFrame* ioFrame, const CxString& inId)
{
    const DxField* own = mTable.FindField(inId);
    if (own != nullptr)
        ioFrame->AdoptField(own->Copy());
    return own != nullptr;
}

bool DxXkdfParser::ParseAllFields(DxFrame* ioFrame)
{
    for (auto field = mTable.FieldBegin(); field != mTable.FieldEnd(); ++field)
    {
        if (ioFrame->FindField((*field)->Id()) == nullptr)
            ioFrame->AdoptField((*field)->Copy());
    }
    return true;
}
