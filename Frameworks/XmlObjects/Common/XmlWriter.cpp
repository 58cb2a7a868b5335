#include "XmlWriter.h"

#include "CxDebug.h"

#include <ostream>
#include <string>

XmlWriter::XmlWriter() : mLineBreak("\n") {}

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
