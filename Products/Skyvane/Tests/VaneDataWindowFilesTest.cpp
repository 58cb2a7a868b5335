// The data manager and the data files sheet as the interface file describes them: drawn by the fxui-render tool,
// and holding the controls the program looks up, of the kinds it expects.
#include "FxInterfaceFile.h"
#include "PfDrag.h"
#include "PfImage.h"
#include "PfRunLoop.h"
#include "PfUICodes.h"
#include "PfWindowServer.h"
#include "VaneWindowFiles.h"

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
    std::uint32_t windowClass;
    std::uint32_t attributes; // those it must have
    int width;
    int height;
};

const Expected kWindows[] = {
    {"DataWindow",
     {{1, ViewKind::kPopupButton},
      {2, ViewKind::kEditText},
      {3, ViewKind::kEditText},
      {4, ViewKind::kStaticText},
      {5, ViewKind::kStaticText},
      {6, ViewKind::kStaticText},
      {7, ViewKind::kStaticText},
      {8, ViewKind::kStaticText},
      {9, ViewKind::kIcon},
      {10, ViewKind::kIcon},
      {11, ViewKind::kIcon},
      {12, ViewKind::kPushButton},
      {13, ViewKind::kPushButton},
      {14, ViewKind::kPushButton},
      {15, ViewKind::kPushButton}},
     kMovableModalWindowClass,
     kWindowCloseBoxAttribute | kWindowCollapseBoxAttribute | kWindowStandardHandlerAttribute,
     480,
     330},
    {"CacheDialog",
     {{1, ViewKind::kPushButton},
      {3, ViewKind::kDataBrowser},
      {4, ViewKind::kPushButton},
      {5, ViewKind::kPushButton},
      {6, ViewKind::kPopupButton}},
     kSheetWindowClass,
     kWindowResizableAttribute | kWindowStandardHandlerAttribute,
     560,
     340},
};

TEST(VaneDataWindowFiles, TheToolDrawsEachWindow)
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
        EXPECT_GE(image.mHeight, expected.height) << expected.window;
        EXPECT_LE(image.mHeight, expected.height + 22) << expected.window;
        std::remove(out.c_str());
        // The content alone has the window's own size.
        ASSERT_EQ(RunTool("'" + kFile + "' " + expected.window + " '" + out + "' --content", output), 0) << output;
        ASSERT_TRUE(ReadImageFile(out, image, error)) << expected.window << ": " << error;
        EXPECT_EQ(image.mWidth, expected.width) << expected.window;
        EXPECT_EQ(image.mHeight, expected.height) << expected.window;
        std::remove(out.c_str());
    }
}

TEST(VaneDataWindowFiles, EachWindowHoldsTheControlsTheProgramLooksUp)
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
        EXPECT_EQ(GetWindowClass(window), expected.windowClass) << expected.window;
        EXPECT_EQ(GetWindowAttributes(window) & expected.attributes, expected.attributes) << expected.window;
        DisposeWindow(window);
    }
    // The column view is a column view; the password field hides what is typed.
    const WindowRef sheet = file->CreateWindow(CxString("CacheDialog"));
    EXPECT_EQ(GetDataBrowserViewStyle(FindControlByID(sheet, FourCC("FACE"), 3)), FourCC("clmv"));
    DisposeWindow(sheet);
    const WindowRef manager = file->CreateWindow(CxString("DataWindow"));
    std::uint8_t secret = 0;
    EXPECT_EQ(
        GetControlProperty(FindControlByID(manager, FourCC("FACE"), 3), FourCC("appl"), FourCC("pass"), &secret, 1),
        kNoErr);
    EXPECT_EQ(secret, 1);
    DisposeWindow(manager);
    ResetWindowServerForTesting();
}

} // namespace
