// The update windows and the about box as the interface file describes them: drawn by the fxui-render tool, and
// holding the controls the program looks up, of the kinds it expects.
#include "VaneWindowFiles.h"
#include "FxInterfaceFile.h"
#include "PfImage.h"
#include "PfRunLoop.h"
#include "PfUICodes.h"
#include "PfWindowServer.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>
#include <vector>

namespace
{

using namespace pf;

using vanewindows::RunTool;
const std::string& kFile = vanewindows::kInterfaceFile;

struct Expected
{
    const char* window;
    std::vector<std::pair<int, ViewKind>> controls;
    std::uint32_t attributes; // those it must have
    int width;
    int height;
};

const Expected kWindows[] = {
    {"UpdateWindow",
     {{9, ViewKind::kStaticText}, {1, ViewKind::kPushButton}, {2, ViewKind::kPushButton}, {3, ViewKind::kPushButton}},
     kWindowCloseBoxAttribute | kWindowStandardHandlerAttribute,
     460,
     110},
    {"UpToDateDialog",
     {{9, ViewKind::kStaticText}, {10, ViewKind::kPushButton}},
     kWindowCloseBoxAttribute | kWindowStandardHandlerAttribute,
     360,
     100},
    {"AboutWindow",
     {{1, ViewKind::kStaticText},
      {2, ViewKind::kStaticText},
      {3, ViewKind::kStaticText},
      {4, ViewKind::kStaticText},
      {5, ViewKind::kStaticText}},
     kWindowCloseBoxAttribute | kWindowStandardHandlerAttribute,
     420,
     160},
};

TEST(VaneWindowFiles, TheToolDrawsEachWindow)
{
    for (const Expected& expected : kWindows)
    {
        const std::string out =
            ::testing::TempDir() + "vane_" + expected.window + "_" + std::to_string(::getpid()) + ".png";
        std::string output;
        ASSERT_EQ(RunTool("'" + kFile + "' " + expected.window + " '" + out + "'", output), 0) << output;
        Image image;
        std::string error;
        ASSERT_TRUE(ReadImageFile(out, image, error)) << expected.window << ": " << error;
        EXPECT_EQ(image.mWidth, expected.width) << expected.window;
        EXPECT_EQ(image.mHeight, expected.height + 22) << expected.window; // under a dialog's title bar
        std::remove(out.c_str());
    }
}

TEST(VaneWindowFiles, EachWindowHoldsTheControlsTheProgramLooksUp)
{
    MainLoop().ResetForTesting(ClockKind::kVirtual);
    ResetWindowServerForTesting();
    std::string error;
    const auto file = FxInterfaceFile::OpenPath(kFile, error);
    ASSERT_NE(file, nullptr) << error;
    for (const Expected& expected : kWindows)
    {
        const WindowRef window = file->CreateWindow(CxString(expected.window));
        ASSERT_NE(window, nullptr) << expected.window;
        vanewindows::ExpectControls(window, expected.window, expected.controls);
        EXPECT_EQ(GetWindowAttributes(window) & expected.attributes, expected.attributes) << expected.window;
        // None of them is resized by the user.
        EXPECT_EQ(GetWindowAttributes(window) & kWindowResizableAttribute, 0u) << expected.window;
        EXPECT_EQ(GetWindowClass(window), kMovableModalWindowClass) << expected.window;
        DisposeWindow(window);
    }
    ResetWindowServerForTesting();
}

} // namespace
