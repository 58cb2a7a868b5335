// Helpers shared by every test program: where the real test data lives, and a private home folder.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace sky::test
{

// The shared test data folder beside the repository root ("<root>/../shared/testdata"), or "" when it is absent.
std::string TestDataDir();

// The same search from a given repository root; TestDataDir() uses the build's root.
std::string TestDataDirFrom(const std::string& inRepositoryRoot);

// True when SKYVANE_REQUIRE_TESTDATA=1: missing data then fails a test instead of skipping it.
bool TestDataRequired();

// Full path of a file in the test data folder, or "" when the folder or the file is missing.
std::string TestDataFile(const std::string& inRelativePath);

// Points HOME and every XDG_* folder variable into a fresh folder for the object's life, then restores them and
// removes the folder. Use while no other thread reads the environment.
class TempHome
{
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::string& Path() const { return mPath; }

private:
    std::string mPath;
    std::vector<std::pair<std::string, std::pair<bool, std::string>>> mSaved;
};

} // namespace sky::test

// Skips the test when the data is absent, or fails it when the data is required.
#define SKY_NEED_TESTDATA_FILE(var, relativePath)                                                                      \
    const std::string var = ::sky::test::TestDataFile(relativePath);                                                   \
    if (var.empty())                                                                                                   \
    {                                                                                                                  \
        if (::sky::test::TestDataRequired())                                                                           \
            FAIL() << "required test data missing: " << (relativePath);                                                \
        else                                                                                                           \
            GTEST_SKIP() << "test data absent: " << (relativePath);                                                    \
    }

#define SKY_NEED_TESTDATA(var)                                                                                         \
    const std::string var = ::sky::test::TestDataDir();                                                                \
    if (var.empty())                                                                                                   \
    {                                                                                                                  \
        if (::sky::test::TestDataRequired())                                                                           \
            FAIL() << "required test data folder missing (../shared/testdata)";                                        \
        else                                                                                                           \
            GTEST_SKIP() << "test data folder absent (../shared/testdata)";                                            \
    }
