#include "VaneAppTest.h"

#include "CxDebug.h"
#include "CxFile.h"
#include "FxCommander.h"
#include "FxPlugin.h"
#include "PfUICodes.h"
#include "PfWindowServer.h"
#include "VanePluginInstance.h"
#include "WxGraph.h"
#include "WxMap.h"
#include "WxParser.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace
{

using namespace vanetest;
namespace fs = std::filesystem;

const std::string kMapDocument = wxkit::Vanedoc("<map color=\"#FFFFFFFF\"/>");
const std::string kGraphDocument =
    wxkit::Vanedoc("<graph name=\"g\" color=\"#FFFFFFFF\" startDate=\"2020-07-27 00:00:00 UTC\" "
                   "endDate=\"2020-07-28 00:00:00 UTC\"/>");
const std::string kNeither = wxkit::Vanedoc("<note/>");
const std::string kBroken = "<?vanedoc version=\"1.4d1\"?><vanedoc><map>";

constexpr int kLeft = int(kRect.x);
constexpr int kTop = int(kRect.y);
constexpr int kWidth = int(kRect.w);
constexpr int kHeight = int(kRect.h);
constexpr std::uint32_t kIconBlue = 0x2973D9FF;
constexpr std::uint32_t kGrey = 0xCCCCCCFF;

// Shown instances for the tests: what the map and graph makers will build.
class Shown : public FxPluginInstance
{
public:
    explicit Shown(FxPluginInstance* inSource) : FxPluginInstance(inSource) {}
};

FxPluginInstance* MakeShown(FxPluginInstance* inSource, WxParser&)
{
    return new Shown(inSource);
}

class VanePluginInstanceTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        StartHost();
    }
    void TearDown() override
    {
        VanePluginInstance::sMapMaker = nullptr;
        VanePluginInstance::sGraphMaker = nullptr;
        AppTest::TearDown();
    }
    static VanePluginInstance* Placeholder(NPP inInstance)
    {
        return dynamic_cast<VanePluginInstance*>(InstanceOf(inInstance));
    }
    static std::vector<std::string> Lines(NPP inInstance)
    {
        std::vector<std::string> lines;
        for (const CxString& line : Placeholder(inInstance)->GetMessage())
            lines.push_back(line.AsUtf8());
        return lines;
    }
    // Content pixels darker than the grey background below the icon, in the plug-in's rectangle.
    int InkBelowIcon() const
    {
        const pf::Snapshot shot = Shot();
        int ink = 0;
        for (int y = kTop + 104; y < kTop + kHeight; ++y)
            for (int x = kLeft; x < kLeft + kWidth; ++x)
                if (((shot.Pixel(x, y) >> 24) & 0xFF) < 0x80)
                    ++ink;
        return ink;
    }
    // The icon's middle: the plug-in's centre, 10 pixels up (y down here).
    std::uint32_t IconCentre() const { return Shot().Pixel(kLeft + kWidth / 2, kTop + kHeight / 2 - 10); }
};

bool Near(std::uint32_t inPixel, std::uint32_t inExpected, int inTolerance = 2)
{
    for (int shift = 8; shift < 32; shift += 8)
    {
        const int a = int((inPixel >> shift) & 0xFF);
        const int b = int((inExpected >> shift) & 0xFF);
        if (std::abs(a - b) > inTolerance)
            return false;
    }
    return true;
}

TEST_F(VanePluginInstanceTest, StreamEndingsBecomeMessages)
{
    struct Row
    {
        NPReason reason;
        std::string body;
        std::vector<std::string> lines;
    };
    const std::vector<Row> rows = {
        {NPRES_NETWORK_ERR, "", {"Not Found"}},
        {NPRES_USER_BREAK, "", {"Cancelled"}},
        {7, "", {"Unknown Error 7"}},
        {NPRES_DONE, "", {}},
    };
    for (bool cocoa : {false, true})
    {
        for (const Row& row : rows)
        {
            NPP instance = Embed(cocoa);
            mHost->SendStream(instance, "http://example.org/a.vanedoc", "application/x-vanedoc", row.body, row.reason);
            Draw(instance);
            ASSERT_NE(Placeholder(instance), nullptr);
            EXPECT_EQ(Lines(instance), row.lines) << cocoa << " " << row.reason;
            EXPECT_TRUE(Near(IconCentre(), kIconBlue)) << std::hex << IconCentre();
            EXPECT_EQ(InkBelowIcon() > 0, !row.lines.empty()) << cocoa << " " << row.reason;
            mHost->Destroy(instance);
        }
    }
}

// An error page after a network failure: the next draw shows the reader's complaint instead.
TEST_F(VanePluginInstanceTest, AnErrorPageReplacesNotFoundAtTheNextDraw)
{
    for (bool cocoa : {false, true})
    {
        NPP instance = Embed(cocoa);
        mHost->SendStream(instance, "http://example.org/a.vanedoc", "text/html", "<html><body>404", 1);
        EXPECT_EQ(Lines(instance), (std::vector<std::string>{"Not Found"}));
        Draw(instance);
        ASSERT_EQ(Lines(instance).size(), 1u);
        EXPECT_NE(Lines(instance)[0], "Not Found");
        EXPECT_NE(Lines(instance)[0], "");
        mHost->Destroy(instance);
    }
}

TEST_F(VanePluginInstanceTest, MessagesSplitAtEveryLineFeed)
{
    struct Row
    {
        const char* text;
        std::vector<std::string> lines;
    };
    const Row rows[] = {
        {"one", {"one"}},
        {"one\n", {"one", ""}},
        {"\n\ntwo", {"", "", "two"}},
        {"", {""}},
    };
    NPP instance = Embed(false);
    for (const Row& row : rows)
    {
        Placeholder(instance)->SetMessage(row.text);
        EXPECT_EQ(Lines(instance), row.lines) << row.text;
    }
}

// A document that fails the same way asks one redraw, not one per draw.
TEST_F(VanePluginInstanceTest, ABrokenDocumentAsksOneRedrawForItsMessage)
{
    NPP instance = Embed(false);
    mHost->SendStream(instance, "u", "m", kBroken);
    const std::size_t before = mHost->Invalidations().size();
    for (int i = 0; i < 50; ++i)
        Draw(instance);
    EXPECT_EQ(mHost->Invalidations().size(), before + 1);
    ASSERT_EQ(Lines(instance).size(), 1u);
    EXPECT_GT(InkBelowIcon(), 0);
}

TEST_F(VanePluginInstanceTest, DocumentsHandOverByKindAndAgentAttribute)
{
    struct Row
    {
        const char* name;
        std::string document;
        const char* agent; // null: no attribute
        bool makers;
        const char* expected; // "placeholder", "agent map", "agent graph", "shown"
    };
    const std::vector<Row> rows = {
        {"map, agent", kMapDocument, "true", false, "agent map"},
        {"graph, agent", kGraphDocument, "true", false, "agent graph"},
        {"map, capital True", kMapDocument, "True", false, "placeholder"},
        {"map, capital True, maker", kMapDocument, "True", true, "shown"},
        {"graph, maker", kGraphDocument, nullptr, true, "shown"},
        {"map, no maker", kMapDocument, nullptr, false, "placeholder"},
        {"neither", kNeither, "true", true, "placeholder"},
    };
    for (bool cocoa : {false, true})
    {
        for (const Row& row : rows)
        {
            VanePluginInstance::sMapMaker = row.makers ? MakeShown : nullptr;
            VanePluginInstance::sGraphMaker = row.makers ? MakeShown : nullptr;
            std::vector<std::pair<std::string, std::string>> arguments;
            if (row.agent != nullptr)
                arguments.push_back({"agent", row.agent});
            NPP instance = Embed(cocoa, arguments);
            mHost->SendStream(instance, "u", "m", row.document);
            Draw(instance);
            Draw(instance);
            FxPluginInstance* now = InstanceOf(instance);
            std::string kind = "placeholder";
            if (auto* agent = dynamic_cast<VaneAgentInstance*>(now))
                kind = agent->GetMap() != nullptr     ? "agent map"
                       : agent->GetGraph() != nullptr ? "agent graph"
                                                      : "agent";
            else if (dynamic_cast<Shown*>(now) != nullptr)
                kind = "shown";
            EXPECT_EQ(kind, row.expected) << row.name << " " << cocoa;
            if (kind == "placeholder")
            {
                EXPECT_TRUE(Lines(instance).empty()) << row.name;
            }
            // The new instance owns the browser instance: destroying it frees the right object.
            mHost->Destroy(instance);
        }
    }
}

TEST_F(VanePluginInstanceTest, TheColourAttributeClearsOpaque)
{
    struct Row
    {
        const char* color;
        std::uint32_t pixel;
    };
    const Row rows[] = {
        {nullptr, kGrey}, {"", kGrey}, {"#336699", 0x336699FF}, {"#33669900", 0x336699FF}, {"#FF000080", 0xFF0000FF},
    };
    for (bool cocoa : {false, true})
    {
        for (const Row& row : rows)
        {
            std::vector<std::pair<std::string, std::string>> arguments;
            if (row.color != nullptr)
                arguments.push_back({"COLOR", row.color});
            NPP instance = Embed(cocoa, arguments);
            Draw(instance);
            const std::uint32_t corner = Shot().Pixel(kLeft + 2, kTop + 2);
            EXPECT_TRUE(Near(corner, row.pixel, 1))
                << cocoa << " " << (row.color ? row.color : "none") << " " << std::hex << corner;
            mHost->Destroy(instance);
        }
    }
}

TEST_F(VanePluginInstanceTest, AClickOverAMessageOpensTheHomePage)
{
    for (bool withMessage : {false, true})
    {
        NPP instance = Embed(false);
        if (withMessage)
            mHost->SendStream(instance, "u", "m", "", NPRES_NETWORK_ERR);
        const std::size_t before = mHost->GetUrls().size();
        pf::EventRecord down = VaneHost::MakeRecord(pf::kMouseDownEvent, VaneHost::Global(pf::Point{150, 150}));
        mHost->HandleEvent(instance, &down);
        ASSERT_EQ(mHost->GetUrls().size(), before + (withMessage ? 1 : 0));
        if (withMessage)
        {
            EXPECT_EQ(mHost->GetUrls().back().first, "https://www.nimbrel.com/skyvane/");
            EXPECT_EQ(mHost->GetUrls().back().second, "_self");
        }
        mHost->Destroy(instance);
    }
}

TEST_F(VanePluginInstanceTest, ViewSourceWritesTheDocumentAndOpensIt)
{
    const std::string opener = Home() + "/opener";
    WriteText(opener, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.out\"\n");
    fs::permissions(opener, fs::perms::owner_all);
    setenv("SKYVANE_OPEN_CMD", opener.c_str(), 1);
    const std::string temp = CxFolder(kCxTemporaryFolder).Path().AsUtf8() + "/temp.txt";
    EXPECT_EQ(temp.rfind(Home(), 0), 0u);
    for (bool cocoa : {false, true})
    {
        const std::string document = kBroken + (cocoa ? " cocoa" : " carbon");
        NPP instance = Embed(cocoa);
        mHost->SendStream(instance, "u", "m", document);
        pf::PushScript(pf::script::Choose(2));
        if (cocoa)
        {
            NPCocoaEvent down = VaneHost::MakeCocoaMouse(NPCocoaEventMouseDown, 20, 20, 1);
            mHost->HandleEvent(instance, &down);
        }
        else
        {
            pf::EventRecord down =
                VaneHost::MakeRecord(pf::kMouseDownEvent, VaneHost::Global(pf::Point{120, 120}), pf::kControlKey);
            mHost->HandleEvent(instance, &down);
        }
        while (pf::ScriptCount() > 0)
            pf::DeliverNextScriptItem();
        EXPECT_EQ(ReadText(temp), document) << cocoa;
        const std::string out = opener + ".out";
        for (int i = 0; i < 500 && !fs::exists(out); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(ReadText(out), temp + "\n") << cocoa;
        fs::remove(out);
        mHost->Destroy(instance);
    }
    unsetenv("SKYVANE_OPEN_CMD");
}

TEST_F(VanePluginInstanceTest, OnlyTheMenusCommandsAreTaken)
{
    NPP instance = Embed(false);
    struct Row
    {
        CxUint32 id;
        bool handled;
    };
    CxDebugCapture capture;
    for (const Row& row : {Row{pf::FourCC("ABOU"), true}, Row{pf::FourCC("quit"), false}, Row{0, false}})
    {
        FxCommand command(row.id);
        Placeholder(instance)->OnCommand(command);
        EXPECT_EQ(command.WasHandled(), row.handled) << row.id;
    }
    // With no temporary folder to write in, view source is a debug line and still handled.
    const std::string blocked = Home() + "/blocked";
    WriteText(blocked, "a file");
    setenv("TMPDIR", blocked.c_str(), 1);
    FxCommand view(pf::FourCC("VSRC"));
    Placeholder(instance)->OnCommand(view);
    EXPECT_TRUE(view.WasHandled());
    EXPECT_GE(capture.Count(), 1u);
}

} // namespace
