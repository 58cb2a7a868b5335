#include "TestSupport.h"

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;
using namespace sky::test;

namespace
{
std::string Env(const char* inName)
{
    const char* value = std::getenv(inName);
    return value != nullptr ? value : "(unset)";
}
} // namespace

// Every test that writes files relies on the home being redirected and put back.
TEST(TestSupport, TempHomeRedirectsAndRestores)
{
    const std::string home = Env("HOME");
    const std::string config = Env("XDG_CONFIG_HOME");
    std::string path;
    {
        TempHome temp;
        path = temp.Path();
        EXPECT_EQ(Env("HOME"), path);
        EXPECT_EQ(fs::path(Env("XDG_CONFIG_HOME")).parent_path().string(), path);
        EXPECT_TRUE(fs::is_directory(Env("XDG_CONFIG_HOME")));
    }
    EXPECT_EQ(Env("HOME"), home);
    EXPECT_EQ(Env("XDG_CONFIG_HOME"), config);
    EXPECT_FALSE(fs::exists(path));
}
