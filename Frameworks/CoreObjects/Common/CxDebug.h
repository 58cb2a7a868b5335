// Debug output and assertions. A report (file, line, message) goes to the process-wide debug mode; nothing here
// ever throws or stops the program. Safe to call from any thread.
#pragma once

#include "CxTypes.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class CxString;

enum CxDebugModes : CxSint32
{
    kCxDebugAlert = 0,   // the line on stderr, then resume
    kCxDebugLog = 1,     // the line appended to "CxDebug.log" on the desktop, ended by CR
    kCxDebugConsole = 2, // the line on stdout (the initial mode)
    kCxDebugBreak = 3,   // SIGTRAP under a debugger, else as alert
    kCxDebugBeep = 4,    // a BEL on stderr
    kCxDebugNone = 5     // nothing; so does any other value
};

void _CxDebugMode(CxDebugModes inMode);
CxDebugModes _CxCurrentDebugMode();

// Reports "CxAssert (expression)" and returns.
void _CxAssert(const char* inFile, CxSint32 inLine, const char* inExpression);

// Reports "name = value", or the value alone when both are the same text.
void _CxDebugOut(const char* inFile, CxSint32 inLine, const char* inName, const char* inValue);

// Debug values, one overload per type. Text is quoted, floats take five decimals, integers are decimal.
void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, const char* inValue);
void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, char* inValue);
void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, signed char inValue);
void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, short inValue);
void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, CxSint32 inValue);
void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, long long inValue);
void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, unsigned char inValue);
void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, unsigned short inValue);
void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, CxUint32 inValue);
void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, unsigned long long inValue);
void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, float inValue);
void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, double inValue);
void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, bool inValue);
void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, const void* inValue);
void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, void* inValue);
// The string's 8-bit text, unquoted (characters above 127 as '*').
void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, const CxString& inValue);
// "long" is 32 bits throughout the system: pass CxSint32, or long long for 64 bits.
void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, long inValue) = delete;
void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, unsigned long inValue) = delete;

// Reports the condition's own text when it fails; the caller goes on either way.
#define CxAssert(inCondition) ((inCondition) ? static_cast<void>(0) : _CxAssert(__FILE__, __LINE__, #inCondition))

// As CxAssert, reporting the given text instead of the condition's.
#define CxAssertText(inCondition, inText) ((inCondition) ? static_cast<void>(0) : _CxAssert(__FILE__, __LINE__, inText))

// Reports an expression with its own text as the name.
#define CxDebug(inValue) _CxDebug(__FILE__, __LINE__, #inValue, (inValue))

// Test seam: while one exists, every report (whatever the mode) is kept here, as the console line without its
// line feed, instead of going to the mode. The newest live capture takes the reports.
class CxDebugCapture
{
public:
    CxDebugCapture();
    ~CxDebugCapture();
    CxDebugCapture(const CxDebugCapture&) = delete;
    CxDebugCapture& operator=(const CxDebugCapture&) = delete;

    std::vector<std::string> Lines() const;
    std::size_t Count() const;
    // True when some line contains the text.
    bool Contains(std::string_view inText) const;
    void Clear();

private:
    friend struct CxDebugCaptureAccess;
    std::vector<std::string> mLines;
};
