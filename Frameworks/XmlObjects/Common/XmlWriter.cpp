#include "XmlWriter.h"

#include <ostream>
#include <string>

XmlWriter::XmlWriter() : mLineBreak("\n")
{
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
