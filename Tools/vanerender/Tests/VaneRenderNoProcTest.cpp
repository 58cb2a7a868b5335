// Pictures written by a process to which /proc cannot be opened by name: this program's fopen refuses every path
// under it, for every caller in the process, in every build.
#include "PfImage.h"
#include "TestSupport.h"
#include "VaneRender.h"
#include "VaneRenderRun.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

extern "C" FILE* fopen(const char* inPath, const char* inMode)
{
    using Open = FILE* (*)(const char*, const char*);
    static const Open sNext = reinterpret_cast<Open>(dlsym(RTLD_NEXT, "fopen"));
    if (inPath != nullptr && std::strncmp(inPath, "/proc/", 6) == 0)
    {
        errno = ENOENT;
        return nullptr;
    }
    return sNext(inPath, inMode);
}

namespace
{

using namespace vanerun;

TEST(VaneRenderNoProc, APictureIsWrittenWhole)
{
    ASSERT_EQ(std::fopen("/proc/self/status", "r"), nullptr);
    const sky::test::TempHome home;
    const fs::path folder = fs::canonical(home.Path());
    Write(folder / "map.vanedoc", Document("", "#FF0000FF"));
    VaneOptions options;
    options.mDocuments = {(folder / "map.vanedoc").string()};
    options.mOut = (folder / "out").string();
    options.mWidth = 64;
    options.mHeight = 48;
    EXPECT_EQ(VaneRender(options), kVaneDone);
    pf::Image picture;
    std::string error;
    ASSERT_TRUE(pf::ReadImageFile((folder / "out" / "map.png").string(), picture, error)) << error;
    EXPECT_EQ(picture.mWidth, 64);
    EXPECT_EQ(picture.mHeight, 48);
    EXPECT_EQ(picture.Pixel(32, 24)[0], 255);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder / "out"), fs::directory_iterator()), 1);
}

} // namespace
