#include "XmlWriter.h"

#include "CxDebug.h"

#include <algorithm>
#include <ostream>
#include <string>

XmlWriter::XmlWriter() : mLineBreak("\n") {}

namespace
{

bool IsSurrogate(CxUint16 inUnit, CxUint16 inFirst)
{
    return inUnit >= inFirst && inUnit <= inFirst + 0x3FF;
}

// The length of the character at inIndex when XML 1.0 allows it, else 0.
CxUint32 AllowedLength(const CxUint16* inUnits, CxUint32 inLength, CxUint32 inIndex)
{
    const CxUint16 unit = inUnits[inIndex];
    if (unit >= 0x20 && unit < 0xD800)
        return 1;
    if (unit < 0x20)
        return unit == 9 || unit == 10 || unit == 13 ? 1 : 0;
    if (IsSurrogate(unit, 0xD800))
        return inIndex + 1 < inLength && IsSurrogate(inUnits[inIndex + 1], 0xDC00) ? 2 : 0;
    return unit >= 0xE000 && unit < 0xFFFE ? 1 : 0;
}

} // namespace

void XmlWriter::Write(const CxString& inString)
{
    const CxUint16* units = inString.GetChars();
    const CxUint32 length = inString.Length();
    CxUint32 i = 0;
    for (CxUint32 step; i < length && (step = AllowedLength(units, length, i)) != 0;)
        i += step;
    if (i == length)
    {
        WriteString(inString);
        return;
    }
    if (!mReplaced)
    {
        static const char kReport[] = "Characters XML cannot carry written as U+FFFD";
        _CxDebugOut(__FILE__, __LINE__, kReport, kReport);
    }
    mReplaced = true;
    CxString clean(inString);
    CxUint16* out = clean.GetChars();
    while (i < length)
    {
        const CxUint32 step = AllowedLength(units, length, i);
        if (step == 0)
            out[i] = 0xFFFD;
        i += std::max<CxUint32>(step, 1);
    }
    WriteString(clean);
}

void XmlWriter::Break()
{
    if (!mFormatted)
        return;
    WriteString(mLineBreak);
    if (mIndent.Length() > 0)
        WriteString(mIndent);
}

void XmlWriter::Indent()
{
    ++mLevel;
    RebuildIndent();
}

void XmlWriter::Outdent()
{
    --mLevel;
    RebuildIndent();
}

void XmlWriter::SetIndentChar(char inChar)
{
    mIndentChar = inChar;
    RebuildIndent();
}

void XmlWriter::SetIndentCount(CxSint32 inCount)
{
    mIndentCount = inCount;
    RebuildIndent();
}

void XmlWriter::SetLineBreak(CxEndOfLine inLineBreak)
{
    switch (inLineBreak)
    {
    case kCxEndOfLineCR:
        mLineBreak = "\r";
        break;
    case kCxEndOfLineCRLF:
        mLineBreak = "\r\n";
        break;
    case kCxEndOfLineLF:
        mLineBreak = "\n";
        break;
    default:
        CxAssertText(false, "false");
        mLineBreak = "\n";
        break;
    }
}

CxEndOfLine XmlWriter::LineBreak() const
{
    if (mLineBreak == "\r")
        return kCxEndOfLineCR;
    if (mLineBreak == "\r\n")
        return kCxEndOfLineCRLF;
    if (mLineBreak == "\n")
        return kCxEndOfLineLF;
    CxAssertText(false, "false");
    return kCxEndOfLineLF;
}

void XmlWriter::RebuildIndent()
{
    const long long count = mLevel > 0 && mIndentCount > 0 ? (long long)mLevel * mIndentCount : 0;
    mIndent = CxString(std::string(std::size_t(count), mIndentChar).c_str());
}

void XmlStdStreamWriter::WriteChars(const char* inText)
{
    mStream << inText;
}

void XmlStdStreamWriter::WriteString(const CxString& inString)
{
    mStream << inString;
}

void XmlTextStreamWriter::WriteChars(const char* inText)
{
    mStream.Write(inText);
}

void XmlTextStreamWriter::WriteString(const CxString& inString)
{
    mStream.Write(inString);
}

void XmlStringStreamWriter::WriteChars(const char* inText)
{
    mStream.Write(inText);
}

void XmlStringStreamWriter::WriteString(const CxString& inString)
{
    mStream.Write(inString);
}
