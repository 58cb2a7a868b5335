#include "CxDebug.h"
#include "PfWindowServer.h"

#include <gtest/gtest.h>

// The window server's lines reach a capture without anything connecting them first.
TEST(CxPfDebugTest, ACaptureSeesWindowServerLines)
{
    CxDebugCapture capture;
    EXPECT_EQ(pf::ShowWindow(nullptr), pf::kParamErr);
    EXPECT_TRUE(capture.Contains("ShowWindow: bad window reference")) << ::testing::PrintToString(capture.Lines());
}
