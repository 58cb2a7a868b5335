#include "TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace sky::test;

namespace
{
// Sets or clears one environment variable for a scope.
class EnvGuard
{
public:
    EnvGuard(const char* inName, const char* inValue) : mName(inName)
    {
        const char* old = std::getenv(inName);
        mHad = old != nullptr;
        if (mHad)
            mOld = old;
        if (inValue)
            setenv(inName, inValue, 1);
        else
            unsetenv(inName);
    }
    ~EnvGuard()
    {
        if (mHad)
            setenv(mName.c_str(), mOld.c_str(), 1);
        else
            unsetenv(mName.c_str());
    }

private:
    std::string mName, mOld;
    bool mHad = false;
};
} // namespace

TEST(TestSupport, RequiredOnlyForExactlyOne)
{
    const struct
    {
        const char* value;
        bool required;
    } cases[] = {{nullptr, false}, {"", false}, {"0", false}, {"yes", false}, {"1", true}};
    for (const auto& c : cases)
    {
        EnvGuard guard("SKYVANE_REQUIRE_TESTDATA", c.value);
        EXPECT_EQ(TestDataRequired(), c.required) << (c.value ? c.value : "(unset)");
    }
}

TEST(TestSupport, FindsTestDataBesideTheRootAndNoMissingFile)
{
    TempHome home;
    const fs::path repo = fs::path(home.Path()) / "clone";
    fs::create_directories(repo);
    EXPECT_EQ(TestDataDirFrom(repo.string()), "");

    fs::create_directories(fs::path(home.Path()) / "shared" / "testdata");
    const std::string found = TestDataDirFrom(repo.string());
    EXPECT_EQ(found, (fs::path(home.Path()) / "shared" / "testdata").string());
    EXPECT_EQ(TestDataFile("no/such/file.bin"), "");
}

TEST(TestSupport, TempHomeRedirectsAndRestores)
{
    EnvGuard home("HOME", "/original/home");
    EnvGuard config("XDG_CONFIG_HOME", nullptr);
    std::string path;
    {
        TempHome temp;
        path = temp.Path();
        EXPECT_EQ(std::string(std::getenv("HOME")), path);
        const char* cfg = std::getenv("XDG_CONFIG_HOME");
        ASSERT_NE(cfg, nullptr);
        EXPECT_EQ(fs::path(cfg).parent_path().string(), path);
        EXPECT_TRUE(fs::is_directory(cfg));
        const char* desktop = std::getenv("XDG_DESKTOP_DIR");
        ASSERT_NE(desktop, nullptr);
        std::ofstream(fs::path(desktop) / "x.txt") << "x";
    }
    EXPECT_EQ(std::string(std::getenv("HOME")), "/original/home");
    EXPECT_EQ(std::getenv("XDG_CONFIG_HOME"), nullptr);
    EXPECT_FALSE(fs::exists(path));
}

// The macro must skip, not pass silently, when the data is absent and not required.
TEST(TestSupport, NeedTestDataSkipsOrFinds)
{
    EnvGuard require("SKYVANE_REQUIRE_TESTDATA", nullptr);
    SKY_NEED_TESTDATA(dir);
    EXPECT_TRUE(fs::is_directory(dir));
}
