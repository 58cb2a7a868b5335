#include "CxSystem.h"

#include "CxCoordinates.h"
#include "CxDebug.h"
#include "LinuxCxFile.h"
#include "PfRunLoop.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace
{

bool IsExecutableFile(const std::string& inPath)
{
    struct stat info;
    return ::stat(inPath.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(inPath.c_str(), X_OK) == 0;
}

// The program's path: as given when it holds a "/", else found along $PATH. "" when there is none.
std::string FindProgram(const std::string& inCommand)
{
    if (inCommand.find('/') != std::string::npos)
        return IsExecutableFile(inCommand) ? inCommand : std::string();
    const char* path = std::getenv("PATH");
    const std::string dirs = path != nullptr && path[0] != '\0' ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t begin = 0;
    for (;;)
    {
        const std::size_t colon = dirs.find(':', begin);
        std::string candidate = dirs.substr(begin, colon == std::string::npos ? std::string::npos : colon - begin);
        if (candidate.empty())
            candidate.push_back('.');
        candidate += '/';
        candidate += inCommand;
        if (IsExecutableFile(candidate))
            return candidate;
        if (colon == std::string::npos)
            return {};
        begin = colon + 1;
    }
}

void ReportOpenFailure(const std::string& inCommand, int inErrno)
{
    const std::string text = inCommand + ": " + std::strerror(inErrno);
    _CxDebugOut(__FILE__, __LINE__, "Cannot start the opener", text.c_str());
}

void WriteErrno(int inFd, int inErrno)
{
    // Nothing to do about a failure here: the child is about to exit.
    [[maybe_unused]] const ssize_t wrote = ::write(inFd, &inErrno, sizeof inErrno);
}

} // namespace

bool LinuxCxOpen(const std::string& inTarget)
{
    const char* configured = std::getenv("SKYVANE_OPEN_CMD");
    std::string command = configured != nullptr && configured[0] != '\0' ? configured : "xdg-open";
    const std::string program = FindProgram(command);
    if (program.empty())
    {
        ReportOpenFailure(command, ENOENT);
        return false;
    }
    std::string argument = inTarget;
    char* argv[] = {command.data(), argument.data(), nullptr};

    // A pipe closed by a successful exec tells whether the program started; the grandchild belongs to init once
    // the child has gone, so nothing is left to reap.
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0)
    {
        ReportOpenFailure(command, errno);
        return false;
    }
    const pid_t child = ::fork();
    if (child == 0)
    {
        const pid_t grandchild = ::fork();
        if (grandchild == 0)
        {
            // The opener outlives us in a session of its own, with no signal blocked by the calling thread.
            sigset_t none;
            ::sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            ::setsid();
            ::execve(program.c_str(), argv, environ);
            WriteErrno(pipe[1], errno);
            ::_exit(127);
        }
        if (grandchild < 0)
            WriteErrno(pipe[1], errno);
        ::_exit(0);
    }
    const int forkError = errno;
    ::close(pipe[1]);
    if (child < 0)
    {
        ::close(pipe[0]);
        ReportOpenFailure(command, forkError);
        return false;
    }
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR)
    {
    }
    int execError = 0;
    ssize_t got;
    while ((got = ::read(pipe[0], &execError, sizeof execError)) < 0 && errno == EINTR)
    {
    }
    ::close(pipe[0]);
    if (got == static_cast<ssize_t>(sizeof execError))
    {
        ReportOpenFailure(command, execError);
        return false;
    }
    return true;
}

CxSint32 CxSystemPlatform()
{
    return 2;
}

CxString CxSystemVersion()
{
    struct utsname names;
    if (::uname(&names) != 0)
        return CxString("Linux 0.0");
    // "6.1.0-18-amd64": the first two numbers.
    char* end = nullptr;
    const long major = std::strtol(names.release, &end, 10);
    const long minor = end != nullptr && *end == '.' ? std::strtol(end + 1, nullptr, 10) : 0;
    return CxString("Linux ") + CxString(static_cast<CxSint32>(major)) + "." + CxString(static_cast<CxSint32>(minor));
}

CxString CxSystemCpu()
{
    struct utsname names;
    if (::uname(&names) != 0)
        return CxString("???");
    const std::string machine = names.machine;
    const bool x86 = machine == "x86_64" || (machine.size() == 4 && machine[0] == 'i' && machine[1] >= '3' &&
                                             machine[1] <= '6' && machine.compare(2, 2, "86") == 0);
    return CxString(x86 ? "x86" : "???");
}

CxString CxSystemLocale()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
    {
        const char* value = std::getenv(name);
        if (value == nullptr || value[0] == '\0')
            continue;
        std::string locale = value;
        locale = locale.substr(0, locale.find_first_of(".@"));
        if (locale.empty() || locale == "C" || locale == "POSIX")
            break;
        return CxString::FromUtf8(locale);
    }
    return CxString("en_US");
}

void CxLaunchUrlInBrowser(const CxString& inUrl)
{
    LinuxCxOpen(inUrl.AsUtf8());
}

void CxBeep()
{
    _CxDebugOut(__FILE__, __LINE__, "Beep", "Beep");
}

CxUint32 CxTickCount()
{
    // The run loop's clock, so that ticks and timers agree, also on a test's virtual clock.
    return pf::MainLoop().GetClock().TickCount();
}

CxSint32 CxGetProcessId()
{
    return static_cast<CxSint32>(::getpid());
}

void CxMemoryMove(const void* inFrom, void* inTo, CxUint32 inCount)
{
    CxAssertText(inFrom != nullptr, "inFrom != nil");
    CxAssertText(inTo != nullptr, "inTo != nil");
    if (inFrom != nullptr && inTo != nullptr && inCount > 0)
        std::memmove(inTo, inFrom, inCount);
}

void CxUnloadQuickTime() {}

std::string CxStringToRef(const CxString& inString)
{
    return inString.AsUtf8();
}

CxString CxRefToString(const std::string& inRef)
{
    return CxString::FromUtf8(inRef);
}

CxString CxRefToString(const char* inRef)
{
    return inRef != nullptr ? CxString::FromUtf8(inRef) : CxString();
}

CxFloatRect CxRectToCGRect(const CxRect& inRect)
{
    CxFloatRect rect;
    rect.mX = inRect.left;
    rect.mY = inRect.top;
    rect.mWidth = static_cast<float>(inRect.right - inRect.left);
    rect.mHeight = static_cast<float>(inRect.bottom - inRect.top);
    return rect;
}
