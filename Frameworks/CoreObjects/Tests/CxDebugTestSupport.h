// Helpers of the debug output tests: a real redirect of stdout or stderr, and a guard for the debug mode.
#pragma once

#include "CxDebug.h"
#include "CxFileTestHelpers.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include <unistd.h>

namespace sky::test
{

// Points a standard descriptor at a temporary file until Text() or destruction.
class FdRedirect
{
public:
    explicit FdRedirect(int inFd) : mFd(inFd)
    {
        std::fflush(nullptr);
        char pattern[] = "/tmp/skyvane-fd-XXXXXX";
        mFile = ::mkstemp(pattern);
        if (mFile < 0)
            throw std::runtime_error("mkstemp failed");
        mPath = pattern;
        mSaved = ::dup(mFd);
        ::dup2(mFile, mFd);
    }

    ~FdRedirect()
    {
        Restore();
        ::close(mFile);
        ::unlink(mPath.c_str());
    }

    FdRedirect(const FdRedirect&) = delete;
    FdRedirect& operator=(const FdRedirect&) = delete;

    // Ends the redirect and answers everything written meanwhile.
    std::string Text()
    {
        Restore();
        std::ifstream in(mPath, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    void Restore()
    {
        if (mSaved < 0)
            return;
        std::fflush(nullptr);
        ::dup2(mSaved, mFd);
        ::close(mSaved);
        mSaved = -1;
    }

    int mFd;
    int mFile = -1;
    int mSaved = -1;
    std::string mPath;
};

// Sets a debug mode for the object's life.
class DebugModeScope
{
public:
    explicit DebugModeScope(CxDebugModes inMode) : mSaved(_CxCurrentDebugMode()) { _CxDebugMode(inMode); }
    ~DebugModeScope() { _CxDebugMode(mSaved); }
    DebugModeScope(const DebugModeScope&) = delete;
    DebugModeScope& operator=(const DebugModeScope&) = delete;

private:
    CxDebugModes mSaved;
};

using cx4::ReadFile;

} // namespace sky::test
