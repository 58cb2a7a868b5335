#include "PfWindowProxy.h"
#include "PfRunLoop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using namespace pf;

class PfWindowProxyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MainLoop().ResetForTesting(ClockKind::kVirtual);
        ResetWindowServerForTesting();
        SetDebugSink([this](const std::string& inLine) { mLines.push_back(inLine); });
    }
    void TearDown() override
    {
        ResetWindowServerForTesting();
        SetDebugSink(nullptr);
    }
    std::vector<std::string> mLines;
};

TEST_F(PfWindowProxyTest, AProxyIsAFileOrACreatorAndTypeAndEachReplacesTheOther)
{
    const WindowRef window = CreateWindow(kDocumentWindowClass, kWindowStandardHandlerAttribute, Rect{0, 40, 100, 80});
    WindowProxy proxy;
    EXPECT_FALSE(GetWindowProxy(window, proxy));
    EXPECT_EQ(SetWindowProxyPath(window, "/tmp/a.xml"), kNoErr);
    ASSERT_TRUE(GetWindowProxy(window, proxy));
    EXPECT_EQ(proxy, (WindowProxy{"/tmp/a.xml", 0, 0}));
    EXPECT_EQ(SetWindowProxyCreatorAndType(window, FourCC("SKYV"), FourCC("TEXT")), kNoErr);
    ASSERT_TRUE(GetWindowProxy(window, proxy));
    EXPECT_EQ(proxy, (WindowProxy{"", FourCC("SKYV"), FourCC("TEXT")}));
    // An empty path is no file.
    EXPECT_EQ(SetWindowProxyPath(window, ""), kParamErr);
    ASSERT_TRUE(GetWindowProxy(window, proxy));
    EXPECT_EQ(proxy.type, FourCC("TEXT"));
    EXPECT_EQ(RemoveWindowProxy(window), kNoErr);
    EXPECT_FALSE(GetWindowProxy(window, proxy));
    EXPECT_EQ(proxy, WindowProxy{});
    EXPECT_TRUE(mLines.empty());
}

TEST_F(PfWindowProxyTest, BadReferencesLogAndAnswerEmpty)
{
    const WindowRef window = CreateWindow(kDocumentWindowClass, 0, Rect{0, 40, 100, 80});
    SetWindowProxyPath(window, "/tmp/a.xml");
    DisposeWindow(window);
    WindowProxy proxy{"x", 1, 2};
    EXPECT_FALSE(GetWindowProxy(window, proxy));
    EXPECT_EQ(proxy, WindowProxy{});
    EXPECT_EQ(SetWindowProxyPath(nullptr, "/tmp/a.xml"), kParamErr);
    EXPECT_EQ(SetWindowProxyCreatorAndType(window, 1, 2), kParamErr);
    EXPECT_EQ(RemoveWindowProxy(window), kParamErr);
    EXPECT_EQ(mLines.size(), 4u);
}

} // namespace
