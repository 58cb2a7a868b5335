#include "FxPrintSettings.h"

#include "CxDebug.h"
#include "CxString.h"
#include "FxWindow.h"
#include "GxGLContext.h"
#include "PfPrint.h"
#include "PfRunLoop.h"
#include "PfWindowServer.h"

#include <GL/gl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace
{

using namespace pf;
namespace fs = std::filesystem;

// The plug-in's form does not use its instance.
FxPluginInstance* const kPlugin = nullptr;

// A context of the size, top half red and bottom half blue.
std::unique_ptr<GxAGLContext> Picture(CxSint16 inWidth, CxSint16 inHeight)
{
    auto context =
        std::make_unique<GxAGLContext>(nullptr, CxRect(0, 0, inWidth, inHeight), CxRect(0, 0, inWidth, inHeight));
    if (!context->IsValid())
        return nullptr;
    context->MakeCurrent();
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, inHeight / 2, inWidth, inHeight - inHeight / 2);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    return context;
}

std::string Output(const std::string& inCommand)
{
    std::string out;
    if (FILE* pipe = ::popen((inCommand + " 2>/dev/null").c_str(), "r"))
    {
        char buffer[512];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
            out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

std::vector<Rect> Images(const PrintJob& inJob)
{
    std::vector<Rect> rects;
    for (const Operation& op : inJob.operations)
    {
        if (op.mKind == Operation::kImage)
        {
            EXPECT_TRUE(op.mUpright);
            rects.push_back(op.mRect);
        }
    }
    return rects;
}

class FxPrintingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MainLoop().ResetForTesting(ClockKind::kVirtual);
        ResetWindowServerForTesting();
        ResetPrintingForTesting();
        mFolder = ::testing::TempDir() + "fx_print_" + std::to_string(::getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(mFolder);
        ::setenv("SKYVANE_PRINT_DIR", mFolder.c_str(), 1);
    }
    void TearDown() override
    {
        ResetPrintingForTesting();
        ResetWindowServerForTesting();
        ::unsetenv("SKYVANE_PRINT_DIR");
        fs::remove_all(mFolder);
    }
    std::size_t Files() const
    {
        std::error_code error;
        std::size_t count = 0;
        for (auto it = fs::directory_iterator(mFolder, error); !error && it != fs::directory_iterator(); ++it)
            ++count;
        return count;
    }
    // Prints through the plug-in's form, accepted.
    void PrintAccepted(GxContext& inContext, GxContext* inInset)
    {
        PushScript(script::Accept());
        FxPrintSettings settings;
        ASSERT_TRUE(settings.PrintDialog(kPlugin, inContext, inInset));
        settings.PrintDone(true);
    }

    std::string mFolder;
};

#define NEED_GL(inContext)                                                                                             \
    if (!(inContext))                                                                                                  \
    GTEST_SKIP() << "no EGL context"

TEST_F(FxPrintingTest, ThePageHoldsTheImageScaledToFitBesideTheInset)
{
    struct Case
    {
        const char* name;
        PrinterSetup printer;
        CxSint16 width, height, insetWidth, insetHeight;
        PMOrientation orientation;
        double pageWidth, pageHeight;
        std::vector<Rect> images; // device rectangles, the inset first
    };
    const Case cases[] = {
        // Landscape page 610 x 700: 600 x 300 centred.
        {"wide on 610 x 700", {700, 610, 0, true}, 800, 400, 0, 0, kPMLandscape, 610, 700, {{0, 200, 600, 300}}},
        // Square and tall stay portrait; a 10-point strip stays free at the right.
        {"square", {410, 500, 0, true}, 400, 400, 0, 0, kPMPortrait, 410, 500, {{0, 50, 400, 400}}},
        {"tall", {410, 500, 0, true}, 400, 800, 0, 0, kPMPortrait, 410, 500, {{75, 0, 250, 500}}},
        // US Letter turned, imageable from 18 points in: 746 x 576 left for a scale of 2.
        {"letter", {}, 373, 200, 0, 0, kPMLandscape, 792, 612, {{18, 106, 746, 400}}},
        // The inset takes 300 x 150 at the right, centred; the image keeps 710 - 300 - 10.
        {"inset",
         {710, 500, 0, true},
         400,
         400,
         100,
         50,
         kPMPortrait,
         710,
         500,
         {{410, 175, 300, 150}, {0, 50, 400, 400}}},
        // An inset wider than the page leaves no room for the image, and nothing negative.
        {"inset too wide", {710, 500, 0, true}, 400, 400, 300, 50, kPMPortrait, 710, 500, {{-190, 175, 900, 150}}},
        // An empty context prints no image but still ends its page.
        {"empty", {}, 0, 0, 0, 0, kPMPortrait, 612, 792, {}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        ResetPrintingForTesting();
        SetPrinterForTesting(c.printer);
        auto context = Picture(c.width, c.height);
        NEED_GL(context);
        auto inset = c.insetWidth > 0 ? Picture(c.insetWidth, c.insetHeight) : nullptr;
        CxDebugCapture capture;
        PrintAccepted(*context, inset.get());
        ASSERT_EQ(PrintJobs().size(), 1u);
        const PrintJob& job = PrintJobs()[0];
        EXPECT_EQ(job.orientation, c.orientation);
        EXPECT_EQ(job.resolution.hRes, 300.0); // the printer's maximum
        EXPECT_EQ(job.resolution.vRes, 300.0);
        EXPECT_EQ(job.width, c.pageWidth);
        EXPECT_EQ(job.height, c.pageHeight);
        EXPECT_EQ(Images(job), c.images);
        EXPECT_TRUE(fs::exists(job.path));
        EXPECT_EQ(capture.Contains("no image printed"), c.width == 0);
    }
}

TEST_F(FxPrintingTest, ACancelOrADryScriptPrintsNothingAndReleasesTheJob)
{
    auto context = Picture(200, 100);
    NEED_GL(context);
    for (bool dry : {false, true})
    {
        if (!dry)
            PushScript(script::Cancel());
        {
            FxPrintSettings settings;
            EXPECT_FALSE(settings.PrintDialog(kPlugin, *context, nullptr));
            EXPECT_EQ(LivePrintObjects(), 1u); // the page format is kept
        }
        EXPECT_EQ(LivePrintObjects(), 0u);
    }
    EXPECT_TRUE(PrintJobs().empty());
    EXPECT_EQ(Files(), 0u);
}

TEST_F(FxPrintingTest, SheetAndModalFormsCallTheirDoneStepOnce)
{
    auto context = Picture(200, 100);
    NEED_GL(context);
    auto* parent = new FxWindow(CxRect(100, 100, 500, 400), kDocumentWindowClass, 0);
    parent->SetTitle(CxString::FromUtf8("a/b"));
    {
        FxPrintSettings settings;
        EXPECT_EQ(settings.PrintDialog(parent, *context, nullptr), kNoErr);
        EXPECT_EQ(PrintSheetCount(), 1u);
        EXPECT_TRUE(PrintJobs().empty());
        PushScript({script::Accept(), script::Accept()});
        EXPECT_TRUE(DeliverNextScriptItem());
        EXPECT_EQ(PrintSheetCount(), 0u);
        FxPrintSettings* property = nullptr;
        EXPECT_NE(GetWindowProperty(parent->GetRef(), FourCC("FACE"), FourCC("PRNT"), &property, sizeof property),
                  kNoErr);
        // The second accept finds no sheet.
        CxDebugCapture capture;
        EXPECT_TRUE(DeliverNextScriptItem());
        EXPECT_EQ(PrintJobs().size(), 1u);

        // Without sheets the dialog is modal and its done step runs at once.
        SetPrinterForTesting(PrinterSetup{612, 792, 18, false});
        PushScript(script::Accept());
        EXPECT_EQ(settings.PrintDialog(parent, *context, nullptr), kNoErr);
        EXPECT_EQ(PrintSheetCount(), 0u);
        EXPECT_EQ(ScriptCount(), 0u);
        ASSERT_EQ(PrintJobs().size(), 2u);
        EXPECT_EQ(LivePrintObjects(), 1u);
    }
    EXPECT_EQ(fs::path(PrintJobs()[0].path).filename(), "a_b.pdf");
    EXPECT_EQ(fs::path(PrintJobs()[1].path).filename(), "a_b 2.pdf");
    EXPECT_EQ(Files(), 2u);
    parent->Release();
}

TEST_F(FxPrintingTest, TitlesBecomeFileNamesTheFileSystemTakes)
{
    auto context = Picture(200, 100);
    NEED_GL(context);
    SetPrinterForTesting(PrinterSetup{612, 792, 18, false});
    auto* parent = new FxWindow(CxRect(100, 100, 500, 400), kDocumentWindowClass, 0);
    // 261 bytes: byte 240 falls inside an 'e' acute, so the cut goes back to 239.
    std::string longTitle = "x";
    for (int i = 0; i < 130; ++i)
        longTitle += "\xC3\xA9";
    const struct
    {
        std::string title;
        std::string file;
    } cases[] = {
        {"", "untitled.pdf"},
        {"Radar\tLoop\n", "Radar_Loop_.pdf"},
        {"../up", ".._up.pdf"},
        {"\xF0\x9F\x8C\xA7 Rain", "\xF0\x9F\x8C\xA7 Rain.pdf"}, // outside the BMP: a surrogate pair
        {longTitle, longTitle.substr(0, 239) + ".pdf"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.file);
        ResetPrintingForTesting();
        SetPrinterForTesting(PrinterSetup{612, 792, 18, false});
        parent->SetTitle(CxString::FromUtf8(c.title));
        FxPrintSettings settings;
        PushScript(script::Accept());
        settings.PrintDialog(parent, *context, nullptr);
        ASSERT_EQ(PrintJobs().size(), 1u);
        EXPECT_EQ(fs::path(PrintJobs()[0].path).filename().string(), c.file);
        EXPECT_EQ(fs::path(PrintJobs()[0].path).parent_path(), fs::path(mFolder));
        EXPECT_TRUE(fs::exists(PrintJobs()[0].path));
    }
    parent->Release();
}

TEST_F(FxPrintingTest, AFolderThatCannotTakeTheFileLogsAndPrintsNothing)
{
    auto context = Picture(200, 100);
    NEED_GL(context);
    fs::create_directories(mFolder);
    const std::string notAFolder = mFolder + "/file";
    std::FILE* file = std::fopen(notAFolder.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    ::setenv("SKYVANE_PRINT_DIR", notAFolder.c_str(), 1);
    CxDebugCapture capture;
    PrintAccepted(*context, nullptr);
    EXPECT_TRUE(PrintJobs().empty());
    EXPECT_TRUE(capture.Contains("could not be begun"));
    EXPECT_EQ(Files(), 1u);
    EXPECT_EQ(LivePrintObjects(), 0u);
}

TEST_F(FxPrintingTest, ASheetLeftUpWhenTheScriptRunsDryIsCancelled)
{
    auto context = Picture(200, 100);
    NEED_GL(context);
    auto* parent = new FxWindow(CxRect(100, 100, 500, 400), kDocumentWindowClass, 0);
    {
        FxPrintSettings settings;
        settings.PrintDialog(parent, *context, nullptr);
        ASSERT_EQ(PrintSheetCount(), 1u);
        EXPECT_TRUE(MainLoop().RunOnce(Nanos(0)));
        EXPECT_EQ(PrintSheetCount(), 0u);
        EXPECT_EQ(LivePrintObjects(), 1u);
    }
    EXPECT_TRUE(PrintJobs().empty());
    EXPECT_EQ(LivePrintObjects(), 0u);
    parent->Release();
}

TEST_F(FxPrintingTest, ASecondDialogKeepsTheFirstOrientation)
{
    auto wide = Picture(800, 400);
    auto tall = Picture(400, 800);
    NEED_GL(wide && tall);
    auto* parent = new FxWindow(CxRect(100, 100, 500, 400), kDocumentWindowClass, 0);
    FxPrintSettings settings;
    EXPECT_EQ(settings.PageSetupDialog(parent, *wide), kNoErr);
    PushScript(script::Accept());
    EXPECT_TRUE(DeliverNextScriptItem());
    EXPECT_EQ(LivePrintObjects(), 1u);
    PushScript(script::Accept());
    ASSERT_TRUE(settings.PrintDialog(kPlugin, *tall, nullptr));
    settings.PrintDone(true);
    ASSERT_EQ(PrintJobs().size(), 1u);
    EXPECT_EQ(PrintJobs()[0].orientation, kPMLandscape);
    EXPECT_EQ(fs::path(PrintJobs()[0].path).filename(), "untitled.pdf");
    parent->Release();
}

// Each leaves the job released, the sheet down and the object unreachable: ASan and LeakSanitizer hold the rest.
TEST_F(FxPrintingTest, ObjectsThatGoMidPrintEndTheirJob)
{
    auto context = Picture(200, 100);
    NEED_GL(context);
    auto* parent = new FxWindow(CxRect(100, 100, 500, 400), kDocumentWindowClass, 0);
    {
        // A print the plug-in accepted but never finished.
        PushScript(script::Accept());
        auto settings = std::make_unique<FxPrintSettings>();
        ASSERT_TRUE(settings->PrintDialog(kPlugin, *context, nullptr));
        CxDebugCapture capture;
        settings.reset();
        EXPECT_TRUE(capture.Contains("mSettings == nil"));
    }
    {
        // A sheet still up; its later accept reaches no one.
        auto settings = std::make_unique<FxPrintSettings>();
        settings->PrintDialog(parent, *context, nullptr);
        settings.reset();
        EXPECT_EQ(PrintSheetCount(), 0u);
        FxPrintSettings* property = nullptr;
        EXPECT_NE(GetWindowProperty(parent->GetRef(), FourCC("FACE"), FourCC("PRNT"), &property, sizeof property),
                  kNoErr);
        CxDebugCapture capture;
        PushScript(script::Accept());
        EXPECT_TRUE(DeliverNextScriptItem());
        EXPECT_TRUE(capture.Contains("no stand-in took it"));
    }
    {
        // The done step finds no property: it returns, and the object still ends its print when it goes.
        auto settings = std::make_unique<FxPrintSettings>();
        settings->PrintDialog(parent, *context, nullptr);
        RemoveWindowProperty(parent->GetRef(), FourCC("FACE"), FourCC("PRNT"));
        CxDebugCapture capture;
        PushScript(script::Accept());
        EXPECT_TRUE(DeliverNextScriptItem());
        EXPECT_TRUE(capture.Contains("settings != nil"));
        EXPECT_EQ(PrintSheetCount(), 0u);
        settings.reset();
    }
    {
        // Without a parent the window forms run application-modal.
        CxDebugCapture capture;
        FxPrintSettings settings;
        PushScript(script::Accept());
        EXPECT_EQ(settings.PrintDialog(static_cast<FxWindow*>(nullptr), *context, nullptr), kNoErr);
        EXPECT_TRUE(capture.Contains("inParent != nil"));
        EXPECT_EQ(PrintJobs().size(), 1u);
        EXPECT_EQ(settings.PageSetupDialog(nullptr, *context), kNoErr);
        EXPECT_EQ(LivePrintObjects(), 1u);
    }
    EXPECT_EQ(PrintJobs().size(), 1u);
    EXPECT_EQ(LivePrintObjects(), 0u);
    parent->Release();
}

TEST_F(FxPrintingTest, PopplerReadsThePageTheLayoutPlanned)
{
    if (Output("command -v pdfinfo").empty() || Output("command -v pdftoppm").empty())
    {
        if (const char* require = std::getenv("SKYVANE_REQUIRE_TESTDATA"); require && std::string(require) == "1")
            FAIL() << "poppler-utils is not installed";
        GTEST_SKIP() << "poppler-utils is not installed";
    }
    auto context = Picture(200, 100);
    NEED_GL(context);
    PrintAccepted(*context, nullptr);
    ASSERT_EQ(PrintJobs().size(), 1u);
    const PrintJob& job = PrintJobs()[0];
    const std::vector<Rect> images = Images(job);
    ASSERT_EQ(images.size(), 1u);
    const Rect placed = images[0];

    const std::string info = Output("pdfinfo '" + job.path + "'");
    EXPECT_THAT(info, ::testing::ContainsRegex("Pages: +1\n"));
    EXPECT_THAT(info, ::testing::ContainsRegex("Page size: +792 x 612 pts"));
    EXPECT_THAT(Output("pdfimages -list '" + job.path + "'"), ::testing::ContainsRegex("image +200 +100 "));

    const std::string png = mFolder + "/page";
    Output("pdftoppm -r 72 -singlefile -png '" + job.path + "' '" + png + "'");
    Image page;
    std::string error;
    ASSERT_TRUE(ReadImageFile(png + ".png", page, error)) << error;
    ASSERT_EQ(page.mWidth, 792);
    ASSERT_EQ(page.mHeight, 612);
    ASSERT_TRUE(placed.x >= 0 && placed.y >= 0 && placed.x + placed.w <= 792 && placed.y + placed.h <= 612);
    auto white = [&](int inX, int inY)
    {
        const std::uint8_t* p = page.Pixel(inX, inY);
        return p[0] > 200 && p[1] > 200 && p[2] > 200;
    };
    // The extent of the picture along its middle column and row.
    const int midX = int(placed.x + placed.w / 2);
    const int midY = int(placed.y + placed.h / 2);
    int top = -1, bottom = -1, left = -1, right = -1;
    for (int y = 0; y < page.mHeight; ++y)
    {
        if (!white(midX, y))
        {
            top = top < 0 ? y : top;
            bottom = y + 1;
        }
    }
    for (int x = 0; x < page.mWidth; ++x)
    {
        if (!white(x, midY))
        {
            left = left < 0 ? x : left;
            right = x + 1;
        }
    }
    EXPECT_NEAR(top, placed.y, 1);
    EXPECT_NEAR(bottom, placed.y + placed.h, 1);
    EXPECT_NEAR(left, placed.x, 1);
    EXPECT_NEAR(right, placed.x + placed.w, 1);
    const std::uint8_t* upper = page.Pixel(midX, int(placed.y + placed.h / 4));
    const std::uint8_t* lower = page.Pixel(midX, int(placed.y + placed.h * 3 / 4));
    EXPECT_GT(upper[0], 200);
    EXPECT_LT(upper[2], 60);
    EXPECT_LT(lower[0], 60);
    EXPECT_GT(lower[2], 200);
}

} // namespace
