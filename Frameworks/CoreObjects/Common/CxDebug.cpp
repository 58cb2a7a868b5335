#include "CxDebug.h"

#include "CxCriticalRegion.h"
#include "CxString.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <mutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// Sizes of the composition buffers: a formatted value or an assertion text, and a whole message.
constexpr std::size_t kValueSize = 256;
constexpr std::size_t kMessageSize = 1024;
// The alert's title and text, and the debugger's text, are each cut to this many characters.
constexpr std::size_t kAlertTextMax = 255;

std::atomic<CxSint32> sMode{kCxDebugConsole};

// ---- capture registry

struct CaptureRegistry
{
    CxCriticalRegion mRegion; // guards mStack and the lines of every capture on it
    std::vector<CxDebugCapture*> mStack;
    std::atomic<CxSint32> mLive{0};
};

CaptureRegistry& Captures()
{
    // Never destroyed: reports may come from static destructors.
    static CaptureRegistry* sRegistry = new CaptureRegistry;
    return *sRegistry;
}

// ---- text helpers

// Copies at most inSize - 1 bytes and always terminates.
void CopyCut(char* outBuffer, std::size_t inSize, std::string_view inText)
{
    const std::size_t count = std::min(inText.size(), inSize - 1);
    std::memcpy(outBuffer, inText.data(), count);
    outBuffer[count] = '\0';
}

std::string_view Cut(std::string_view inText, std::size_t inMax)
{
    return inText.substr(0, std::min(inText.size(), inMax));
}

const char* OrEmpty(const char* inText)
{
    return inText != nullptr ? inText : "";
}

// The part of a source path after its last "/".
std::string_view FileName(const char* inFile)
{
    const std::string_view path = OrEmpty(inFile);
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string Title(std::string_view inFile, CxSint32 inLine)
{
    std::string title(inFile);
    title += ", line ";
    title += std::to_string(inLine);
    return title;
}

// "file, line N: message", the console line without its line feed.
std::string Line(std::string_view inFile, CxSint32 inLine, std::string_view inMessage)
{
    std::string line = Title(inFile, inLine);
    line += ": ";
    line += inMessage;
    return line;
}

template <typename T> void FormatInteger(char (&outBuffer)[kValueSize], T inValue)
{
    const auto result = std::to_chars(outBuffer, outBuffer + kValueSize - 1, inValue);
    *result.ptr = '\0';
}

// "%0.5f" without the locale; NaN of either sign is "nan".
void FormatDouble(char (&outBuffer)[kValueSize], double inValue)
{
    if (std::isnan(inValue))
    {
        CopyCut(outBuffer, kValueSize, "nan");
        return;
    }
    // The widest fixed form of a double is 309 digits, a sign, a point and the decimals.
    char wide[400];
    const auto result = std::to_chars(wide, wide + sizeof wide, inValue, std::chars_format::fixed, 5);
    CopyCut(outBuffer, kValueSize, std::string_view(wide, result.ptr - wide));
}

void WriteAllToStream(FILE* inStream, std::string_view inText)
{
    std::fwrite(inText.data(), 1, inText.size(), inStream);
    std::fflush(inStream);
}

// ---- modes

void ReportAlert(std::string_view inFile, CxSint32 inLine, std::string_view inMessage)
{
    // No dialog here: the alert's title and text go to stderr and the report resumes.
    std::string text(Cut(Title(inFile, inLine), kAlertTextMax));
    text += ": ";
    text += Cut(inMessage, kAlertTextMax);
    text += '\n';
    WriteAllToStream(stderr, text);
}

bool DebuggerAttached()
{
    const int fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buffer[8192];
    std::size_t used = 0;
    ssize_t got;
    while (used < sizeof buffer - 1 && (got = ::read(fd, buffer + used, sizeof buffer - 1 - used)) > 0)
        used += static_cast<std::size_t>(got);
    ::close(fd);
    buffer[used] = '\0';
    const char* field = std::strstr(buffer, "TracerPid:");
    return field != nullptr && std::strtol(field + 10, nullptr, 10) != 0;
}

void ReportBreak(std::string_view inFile, CxSint32 inLine, std::string_view inMessage)
{
    if (!DebuggerAttached())
    {
        ReportAlert(inFile, inLine, inMessage);
        return;
    }
    std::string text(Cut(Line(inFile, inLine, inMessage), kAlertTextMax));
    text += '\n';
    WriteAllToStream(stderr, text);
    std::raise(SIGTRAP);
}

// ---- log mode

struct LogState
{
    CxCriticalRegion mRegion;
    std::string mPath; // the debug log file once known
};

LogState& Log()
{
    static LogState* sState = new LogState;
    return *sState;
}

bool IsFolder(const std::string& inPath)
{
    struct stat info;
    return ::stat(inPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Creates the folder and any missing parents; true when it exists as a folder afterwards.
bool MakeFolders(const std::string& inPath)
{
    if (IsFolder(inPath))
        return true;
    for (std::size_t slash = inPath.find('/', 1); slash != std::string::npos; slash = inPath.find('/', slash + 1))
        ::mkdir(inPath.substr(0, slash).c_str(), 0755);
    ::mkdir(inPath.c_str(), 0755);
    return IsFolder(inPath);
}

std::string DesktopFolder()
{
    const char* desktop = std::getenv("XDG_DESKTOP_DIR");
    if (desktop != nullptr && desktop[0] == '/')
        return desktop;
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0')
        return {};
    std::string folder = home;
    if (folder.back() != '/')
        folder += '/';
    return folder + "Desktop";
}

bool WriteAll(int inFd, std::string_view inText)
{
    while (!inText.empty())
    {
        const ssize_t wrote = ::write(inFd, inText.data(), inText.size());
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        inText.remove_prefix(static_cast<std::size_t>(wrote));
    }
    return true;
}

void ReportLog(std::string_view inFile, CxSint32 inLine, std::string_view inMessage)
{
    LogState& log = Log();
    CxAutoLock lock(log.mRegion);
    struct stat info;
    if (log.mPath.empty() || ::stat(log.mPath.c_str(), &info) != 0)
    {
        log.mPath.clear();
        const std::string folder = DesktopFolder();
        if (folder.empty() || !MakeFolders(folder))
            return;
        std::string path = folder + "/CxDebug.log";
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            return;
        ::close(fd);
        log.mPath = std::move(path);
    }
    const int fd = ::open(log.mPath.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0)
        return;
    if (WriteAll(fd, Line(inFile, inLine, inMessage)))
        WriteAll(fd, "\r");
    ::close(fd);
}

} // namespace

// ---- dispatch

// Sends the platform layer's own lines (the window server's) through this output; each platform's code has one.
void CxConnectPlatformDebug();

namespace
{
void ConnectPlatformOnce()
{
    static std::once_flag sOnce;
    std::call_once(sOnce, CxConnectPlatformDebug);
}
} // namespace

struct CxDebugCaptureAccess
{
    // Hands the line to the newest capture; false when none exists.
    static bool Take(std::string_view inFile, CxSint32 inLine, std::string_view inMessage)
    {
        CaptureRegistry& captures = Captures();
        if (captures.mLive.load(std::memory_order_acquire) == 0)
            return false;
        std::string line = Line(inFile, inLine, inMessage);
        CxAutoLock lock(captures.mRegion);
        if (captures.mStack.empty())
            return false;
        captures.mStack.back()->mLines.push_back(std::move(line));
        return true;
    }
};

namespace
{

void Report(const char* inFile, CxSint32 inLine, const char* inMessage)
{
    ConnectPlatformOnce();
    const std::string_view file = FileName(inFile);
    const std::string_view message = OrEmpty(inMessage);
    if (CxDebugCaptureAccess::Take(file, inLine, message))
        return;
    switch (sMode.load(std::memory_order_relaxed))
    {
    case kCxDebugAlert:
        ReportAlert(file, inLine, message);
        break;
    case kCxDebugLog:
        ReportLog(file, inLine, message);
        break;
    case kCxDebugConsole:
    {
        std::string line = Line(file, inLine, message);
        line += '\n';
        WriteAllToStream(stdout, line);
        break;
    }
    case kCxDebugBreak:
        ReportBreak(file, inLine, message);
        break;
    case kCxDebugBeep:
        WriteAllToStream(stderr, "\a");
        break;
    default:
        break;
    }
}

void DebugValue(const char* inFile, CxSint32 inLine, const char* inName, const char (&inValue)[kValueSize])
{
    _CxDebugOut(inFile, inLine, inName, inValue);
}

template <typename T> void DebugInteger(const char* inFile, CxSint32 inLine, const char* inName, T inValue)
{
    char value[kValueSize];
    FormatInteger(value, inValue);
    DebugValue(inFile, inLine, inName, value);
}

} // namespace

void _CxDebugMode(CxDebugModes inMode)
{
    sMode.store(inMode, std::memory_order_relaxed);
}

CxDebugModes _CxCurrentDebugMode()
{
    return static_cast<CxDebugModes>(sMode.load(std::memory_order_relaxed));
}

void _CxAssert(const char* inFile, CxSint32 inLine, const char* inExpression)
{
    char text[kValueSize];
    std::snprintf(text, sizeof text, "CxAssert (%s)", OrEmpty(inExpression));
    Report(inFile, inLine, text);
}

void _CxDebugOut(const char* inFile, CxSint32 inLine, const char* inName, const char* inValue)
{
    const char* name = OrEmpty(inName);
    const char* value = OrEmpty(inValue);
    char message[kMessageSize];
    if (std::strcmp(name, value) == 0)
        CopyCut(message, sizeof message, value);
    else
        std::snprintf(message, sizeof message, "%s = %s", name, value);
    Report(inFile, inLine, message);
}

void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, const char* inValue)
{
    char value[kValueSize];
    if (inValue == nullptr)
        CopyCut(value, sizeof value, "(null)");
    else
        std::snprintf(value, sizeof value, "\"%s\"", inValue);
    DebugValue(inFile, inLine, inName, value);
}

void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, char* inValue)
{
    _CxDebug(inFile, inLine, inName, static_cast<const char*>(inValue));
}

void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, signed char inValue)
{
    DebugInteger(inFile, inLine, inName, static_cast<int>(inValue));
}

void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, short inValue)
{
    DebugInteger(inFile, inLine, inName, static_cast<int>(inValue));
}

void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, CxSint32 inValue)
{
    DebugInteger(inFile, inLine, inName, inValue);
}

void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, long long inValue)
{
    DebugInteger(inFile, inLine, inName, inValue);
}

void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, unsigned char inValue)
{
    DebugInteger(inFile, inLine, inName, static_cast<unsigned>(inValue));
}

void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, unsigned short inValue)
{
    DebugInteger(inFile, inLine, inName, static_cast<unsigned>(inValue));
}

void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, CxUint32 inValue)
{
    DebugInteger(inFile, inLine, inName, inValue);
}

void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, unsigned long long inValue)
{
    DebugInteger(inFile, inLine, inName, inValue);
}

void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, float inValue)
{
    _CxDebug(inFile, inLine, inName, static_cast<double>(inValue));
}

void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, double inValue)
{
    char value[kValueSize];
    FormatDouble(value, inValue);
    DebugValue(inFile, inLine, inName, value);
}

void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, bool inValue)
{
    _CxDebugOut(inFile, inLine, inName, inValue ? "true" : "false");
}

void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, const void* inValue)
{
    char value[kValueSize];
    std::snprintf(value, sizeof value, "%p", inValue);
    DebugValue(inFile, inLine, inName, value);
}

void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, void* inValue)
{
    _CxDebug(inFile, inLine, inName, static_cast<const void*>(inValue));
}

void _CxDebug(const char* inFile, CxSint32 inLine, const char* inName, const CxString& inValue)
{
    char value[kValueSize];
    inValue.AsCString(value, sizeof value);
    DebugValue(inFile, inLine, inName, value);
}

// ---- capture

CxDebugCapture::CxDebugCapture()
{
    ConnectPlatformOnce();
    CaptureRegistry& captures = Captures();
    CxAutoLock lock(captures.mRegion);
    captures.mStack.push_back(this);
    captures.mLive.fetch_add(1, std::memory_order_release);
}

CxDebugCapture::~CxDebugCapture()
{
    CaptureRegistry& captures = Captures();
    CxAutoLock lock(captures.mRegion);
    captures.mStack.erase(std::remove(captures.mStack.begin(), captures.mStack.end(), this), captures.mStack.end());
    captures.mLive.fetch_sub(1, std::memory_order_release);
}

std::vector<std::string> CxDebugCapture::Lines() const
{
    CxAutoLock lock(Captures().mRegion);
    return mLines;
}

std::size_t CxDebugCapture::Count() const
{
    CxAutoLock lock(Captures().mRegion);
    return mLines.size();
}

bool CxDebugCapture::Contains(std::string_view inText) const
{
    CxAutoLock lock(Captures().mRegion);
    return std::any_of(mLines.begin(), mLines.end(),
                       [inText](const std::string& inLine) { return inLine.find(inText) != std::string::npos; });
}

void CxDebugCapture::Clear()
{
    CxAutoLock lock(Captures().mRegion);
    mLines.clear();
}
