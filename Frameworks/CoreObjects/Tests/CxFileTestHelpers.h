// Helpers of the file, system and login tests: raw POSIX access that does not go through the code under test,
// and environment variables set for one scope.
#pragma once

#include "CxString.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include <sys/stat.h>

namespace cx4
{

inline CxString U(const std::string& inUtf8)
{
    return CxString::FromUtf8(inUtf8);
}

inline void WriteFile(const std::string& inPath, const std::string& inText)
{
    std::ofstream out(inPath, std::ios::binary | std::ios::trunc);
    out << inText;
    ASSERT_TRUE(out.good()) << inPath;
}

inline std::string ReadFile(const std::string& inPath)
{
    std::ifstream in(inPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline bool Exists(const std::string& inPath)
{
    struct stat info;
    return ::lstat(inPath.c_str(), &info) == 0;
}

// The permission bits, or -1 when the item is missing.
inline int ModeOf(const std::string& inPath)
{
    struct stat info;
    return ::stat(inPath.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 07777) : -1;
}

// Sets (or, with nullopt, unsets) a variable and restores it at the end of the scope.
class ScopedEnv
{
public:
    ScopedEnv(const char* inName, std::optional<std::string> inValue) : mName(inName)
    {
        const char* old = std::getenv(inName);
        if (old != nullptr)
            mOld = old;
        if (inValue)
            ::setenv(inName, inValue->c_str(), 1);
        else
            ::unsetenv(inName);
    }
    ~ScopedEnv()
    {
        if (mOld)
            ::setenv(mName.c_str(), mOld->c_str(), 1);
        else
            ::unsetenv(mName.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string mName;
    std::optional<std::string> mOld;
};

} // namespace cx4
