#include "VaneAppTest.h"
#include "VaneWindowClicks.h"

#include "CxDebug.h"
#include "FxCommander.h"
#include "FxMenu.h"
#include "PfUICodes.h"
#include "VaneAboutBox.h"
#include "VaneEntryPoints.h"
#include "VanePlugin.h"
#include "VanePluginInstance.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace
{

using namespace vanetest;
namespace fs = std::filesystem;

const char* const kBylines[4] = {
    "Weather maps for the web page you are reading.",
    "Radar, forecasts and observations, drawn as they arrive.",
    "Every map a document, every document a view of the sky.",
    "Made for people who look up before they go out.",
};

class VaneAboutBoxTest : public AppTest
{
protected:
    void TearDown() override
    {
        VaneAboutBox::RemoveAboutBox();
        AppTest::TearDown();
    }
    static void About(NPP inInstance)
    {
        FxCommand command(pf::FourCC("ABOU"));
        static_cast<VanePluginInstance*>(InstanceOf(inInstance))->OnCommand(command);
        EXPECT_TRUE(command.WasHandled());
    }
    // The number the box will draw after srand(inSeed).
    static int Draw(unsigned inSeed)
    {
        std::srand(inSeed);
        const int drawn = std::rand();
        std::srand(inSeed);
        return drawn & 3;
    }
};

TEST_F(VaneAboutBoxTest, TwoEmbedsShowOneBox)
{
    StartHost();
    NPP first = Embed(false);
    NPP second = Embed(true);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(VaneAboutBox::sAboutBox, nullptr);
    About(first);
    VaneAboutBox* box = VaneAboutBox::sAboutBox;
    ASSERT_NE(box, nullptr);
    box->Collapse();
    About(second);
    EXPECT_EQ(VaneAboutBox::sAboutBox, box);
    EXPECT_EQ(ShownWindows("AboutWindow"), std::vector<FxWindow*>{box});
    EXPECT_FALSE(box->IsCollapsed());
    EXPECT_EQ(pf::FrontWindow(), box->GetRef());
}

TEST_F(VaneAboutBoxTest, TheTextsNameTheBuildAByLineTheStatementAndTheMaker)
{
    for (unsigned seed : {1u, 2u, 3u, 5u, 8u, 13u})
    {
        const int drawn = Draw(seed);
        VaneAboutBox::Display();
        VaneAboutBox* box = VaneAboutBox::sAboutBox;
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(StaticText(box, 1), "Skyvane 1.8");
        EXPECT_EQ(StaticText(box, 2), kBylines[drawn]) << seed;
        EXPECT_EQ(box->RandomString().AsUtf8(), kBylines[drawn]) << seed;
        EXPECT_EQ(StaticText(box, 3), "Copyright \xC2\xA9 2010 Quarrin.");
        EXPECT_EQ(StaticText(box, 4), "Quarrin");
        EXPECT_EQ(StaticText(box, 5), "All rights reserved.");
        VaneAboutBox::RemoveAboutBox();
        EXPECT_EQ(VaneAboutBox::sAboutBox, nullptr);
    }
}

// Only the first "%date;" of the statement becomes the year.
TEST_F(VaneAboutBoxTest, TheStatementsFirstDateOnly)
{
    const std::string bundle = Home() + "/bundle";
    fs::create_directories(bundle + "/en.lproj");
    fs::copy_file(std::string(SKYVANE_SOURCE_DIR) + "/Products/Skyvane/Resources/VaneMain.fxui",
                  bundle + "/VaneMain.fxui");
    WriteText(bundle + "/en.lproj/InfoPlist.strings",
              "\"kCopyrightStatement\" = \"%date; and %date; too\";\n\"byline1\" = \"one\";\n\"byline2\" = \"two\";\n"
              "\"byline3\" = \"three\";\n\"byline4\" = \"four\";\n");
    setenv("SKYVANE_BUNDLE", bundle.c_str(), 1);
    const char* const bylines[4] = {"one", "two", "three", "four"};
    const int drawn = Draw(21);
    VaneAboutBox::Display();
    ASSERT_NE(VaneAboutBox::sAboutBox, nullptr);
    EXPECT_EQ(StaticText(VaneAboutBox::sAboutBox, 3), "2010 and %date; too");
    EXPECT_EQ(StaticText(VaneAboutBox::sAboutBox, 2), bylines[drawn]);
    // A text the table lacks shows its key.
    EXPECT_EQ(StaticText(VaneAboutBox::sAboutBox, 5), "kAllRightsReserved");
}

TEST_F(VaneAboutBoxTest, WithoutItsInterfaceFileTheBoxIsEmptyAndStillGoes)
{
    const std::string bundle = Home() + "/empty-bundle";
    fs::create_directories(bundle);
    setenv("SKYVANE_BUNDLE", bundle.c_str(), 1);
    CxDebugCapture capture;
    VaneAboutBox::Display();
    ASSERT_NE(VaneAboutBox::sAboutBox, nullptr);
    EXPECT_EQ(VaneAboutBox::sAboutBox->GetRef(), nullptr);
    VaneAboutBox::Display();
    EXPECT_TRUE(ShownWindows("AboutWindow").empty());
    VaneAboutBox::RemoveAboutBox();
    EXPECT_EQ(VaneAboutBox::sAboutBox, nullptr);
    EXPECT_GE(capture.Count(), 1u);
}

TEST_F(VaneAboutBoxTest, TheCloseBoxDeletesItAndTheNextCommandBuildsAnother)
{
    StartHost();
    NPP instance = Embed(false);
    const int first = Draw(4);
    About(instance);
    VaneAboutBox* box = VaneAboutBox::sAboutBox;
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(StaticText(box, 2), kBylines[first]);
    ASSERT_TRUE(box->IsActive());
    ClickCloseBox(box);
    EXPECT_EQ(VaneAboutBox::sAboutBox, nullptr);
    EXPECT_TRUE(ShownWindows("AboutWindow").empty());

    const int second = Draw(9);
    About(instance);
    ASSERT_NE(VaneAboutBox::sAboutBox, nullptr);
    EXPECT_EQ(StaticText(VaneAboutBox::sAboutBox, 2), kBylines[second]);
    EXPECT_EQ(ShownWindows("AboutWindow").size(), 1u);
}

TEST_F(VaneAboutBoxTest, ItKeepsItsSize)
{
    VaneAboutBox::Display();
    VaneAboutBox* box = VaneAboutBox::sAboutBox;
    ASSERT_NE(box, nullptr);
    const pf::Rect content = pf::GetWindowBounds(box->GetRef(), pf::kWindowContentRgn);
    for (std::uint32_t kind : {pf::kWindowGetIdealSize, pf::kWindowGetMinimumSize, pf::kWindowGetMaximumSize})
    {
        pf::Event query(pf::kClassWindow, kind);
        query.SetParam(pf::kParamDirectObject, pf::kTypeWindowRef, box->GetRef());
        EXPECT_EQ(pf::GetWindowEventTarget(box->GetRef())->Send(query), pf::kNoErr) << kind;
        pf::QDPoint dimensions;
        ASSERT_EQ(query.GetParam(pf::kParamDimensions, pf::kTypeQDPoint, dimensions), pf::kNoErr) << kind;
        EXPECT_EQ(dimensions.h, content.w) << kind;
        EXPECT_EQ(dimensions.v, content.h) << kind;
    }
    // No grow box, and a zoom ends at the same size.
    const pf::Rect frame = pf::GetWindowBounds(box->GetRef(), pf::kWindowStructureRgn);
    const pf::Point corner{content.x + content.w - 4, content.y + content.h - 4};
    EXPECT_EQ(pf::FindWindow(corner, nullptr), pf::kInContent);
    pf::PushScript({pf::script::Down(corner.x, corner.y), pf::script::Drag(corner.x + 80, corner.y + 60),
                    pf::script::Up(corner.x + 80, corner.y + 60)});
    RunScript();
    const pf::Rect after = pf::GetWindowBounds(box->GetRef(), pf::kWindowContentRgn);
    EXPECT_EQ(after.w, content.w);
    EXPECT_EQ(after.h, content.h);
    EXPECT_EQ(pf::GetWindowBounds(box->GetRef(), pf::kWindowStructureRgn).h, frame.h);
}

TEST_F(VaneAboutBoxTest, ItEnablesItsCommandsAndLeavesTheRest)
{
    VaneAboutBox::Display();
    ASSERT_NE(VaneAboutBox::sAboutBox, nullptr);
    const char* const codes[] = {"clos", "ONLN", "RFSH", "new ", "open", "quit", "ABOU"};
    FxMenu menu;
    for (const char* code : codes)
        menu.AppendItem(code, CxUint32(code[0]) << 24 | CxUint32(code[1]) << 16 | CxUint32(code[2]) << 8 | code[3]);
    for (const bool before : {false, true})
    {
        for (int item = 1; item <= int(std::size(codes)); ++item)
        {
            FxCommand command(&menu, item);
            command.SetEnabled(before);
            VaneAboutBox::sAboutBox->OnCommandStatus(command);
            // The first five are its own; the others stay as they were.
            EXPECT_EQ(command.IsEnabled(), item <= 5 || before) << codes[item - 1] << " " << before;
        }
    }
}

TEST_F(VaneAboutBoxTest, ThePluginsEndClosesAnOpenBox)
{
    StartHost();
    NPP instance = Embed(false);
    About(instance);
    ASSERT_NE(VaneAboutBox::sAboutBox, nullptr);
    mHost->Destroy(instance);
    EXPECT_NE(VaneAboutBox::sAboutBox, nullptr);
    EXPECT_EQ(VaneShutdown(), NPERR_NO_ERROR);
    EXPECT_EQ(VaneAboutBox::sAboutBox, nullptr);
    EXPECT_TRUE(ShownWindows("AboutWindow").empty());
    for (const pf::WindowRef ref : pf::WindowList())
        EXPECT_EQ(FxWindow::FromRef(ref), nullptr);
}

} // namespace
