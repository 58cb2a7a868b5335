// Sinks for element trees. The items format themselves; a writer only decides line breaks, indentation and where
// the characters go.
#pragma once

#include "CxStream.h"
#include "CxString.h"
#include "CxTypes.h"

#include <iosfwd>

class XmlWriter
{
public:
    XmlWriter();
    virtual ~XmlWriter() = default;
    XmlWriter(const XmlWriter&) = delete;
    XmlWriter& operator=(const XmlWriter&) = delete;

    // A character XML 1.0 cannot carry (controls, U+FFFE, U+FFFF, an unpaired surrogate) goes out as U+FFFD, so
    // that whatever is written reads back; the first one of a writer's life is reported.
    void Write(const CxString& inString);
    void Write(const char* inText) { WriteChars(inText); }

    // When formatted, the line break and then the indent; otherwise nothing.
    void Break();
    void Indent();
    void Outdent();

    void SetIndentChar(char inChar);
    char IndentChar() const { return mIndentChar; }
    void SetIndentCount(CxSint32 inCount);
    CxSint32 IntentCount() const { return mIndentCount; }
    CxSint32 IndentCount() const { return mIndentCount; }
    void SetFormatted(bool inFormatted) { mFormatted = inFormatted; }
    bool IsFormatted() const { return mFormatted; }
    // "\r", "\r\n" or "\n"; anything else is reported and taken as "\n".
    void SetLineBreak(CxEndOfLine inLineBreak);
    CxEndOfLine LineBreak() const;

protected:
    virtual void WriteChars(const char* inText) = 0;
    virtual void WriteString(const CxString& inString) = 0;

private:
    void RebuildIndent();

    CxString mLineBreak;
    CxString mIndent;
    char mIndentChar = '\t';
    CxSint32 mIndentCount = 1;
    CxSint32 mLevel = 0;
    bool mFormatted = true;
    bool mReplaced = false;
};

// Bytes to a standard stream; strings in their 8-bit form, every unit above 127 as '*'.
class XmlStdStreamWriter : public XmlWriter
{
public:
    explicit XmlStdStreamWriter(std::ostream& ioStream) : mStream(ioStream) {}

protected:
    void WriteChars(const char* inText) override;
    void WriteString(const CxString& inString) override;

private:
    std::ostream& mStream;
};

// UTF-8 into a text stream.
class XmlTextStreamWriter : public XmlWriter
{
public:
    explicit XmlTextStreamWriter(CxTextStream& ioStream) : mStream(ioStream) {}

protected:
    void WriteChars(const char* inText) override;
    void WriteString(const CxString& inString) override;

private:
    CxTextStream& mStream;
};

// UTF-16 into a string stream.
class XmlStringStreamWriter : public XmlWriter
{
public:
    explicit XmlStringStreamWriter(CxStringStream& ioStream) : mStream(ioStream) {}

protected:
    void WriteChars(const char* inText) override;
    void WriteString(const CxString& inString) override;

private:
    CxStringStream& mStream;
};
