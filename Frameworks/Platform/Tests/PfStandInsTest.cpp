#include "PfStandIns.h"
#include "PfRunLoop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using namespace pf;

class PfStandInsTest : public ::testing::Test
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
    static void Run()
    {
        while (DeliverNextScriptItem())
        {
        }
    }
    std::vector<std::string> mLines;
};

TEST_F(PfStandInsTest, ThePickerKeepsSixteenBitChannelsAndLeavesOtherItemsQueued)
{
    struct Row
    {
        const char* name;
        std::vector<ScriptItem> script;
        bool picked;
        RGBColor colour;
        std::size_t left;
    };
    const RGBColor start{1, 2, 3};
    const std::vector<Row> rows = {
        {"truncated, alpha ignored",
         {script::Colour(0.5, 1.0 / 3, 0.999999, 0), script::Accept()},
         true,
         RGBColor{32767, 21845, 65534},
         0},
        {"out of range clamps", {script::Colour(-0.5, 1.5, 0), script::Accept()}, true, RGBColor{0, 65535, 0}, 0},
        {"items after the accept stay",
         {script::Colour(1, 1, 1), script::Accept(), script::Cancel()},
         true,
         RGBColor{65535, 65535, 65535},
         1},
        {"a wait at the head", {script::Wait(1000), script::Accept()}, false, start, 2},
        {"a colour then a key", {script::Colour(1, 0, 0), script::Key(kKeyReturn, u"")}, false, start, 1},
        {"cancel alone", {script::Cancel(), script::Accept()}, false, start, 1},
    };
    for (const Row& row : rows)
    {
        ResetWindowServerForTesting();
        PushScript(row.script);
        RGBColor out = start;
        EXPECT_EQ(PickColor(u"Pick", start, &out), row.picked) << row.name;
        EXPECT_EQ(out, row.colour) << row.name;
        EXPECT_EQ(ScriptCount(), row.left) << row.name;
    }
}

TEST_F(PfStandInsTest, TakersAreOfferedTheDialogItemsNewestFirst)
{
    // No taker: dropped with one line.
    PushScript(script::Cancel());
    Run();
    EXPECT_EQ(mLines, (std::vector<std::string>{"script: cancel dropped, no stand-in took it"}));

    std::vector<std::string> heard;
    const TakerRef older = PushScriptTaker(
        [&](const ScriptItem& inItem)
        {
            heard.push_back("older " + std::to_string(int(inItem.kind)));
            return true;
        });
    const TakerRef newer = PushScriptTaker(
        [&](const ScriptItem& inItem)
        {
            heard.push_back("newer " + std::to_string(int(inItem.kind)));
            return inItem.kind == ScriptKind::kAccept;
        });
    const TakerRef popped = PushScriptTaker(
        [&](const ScriptItem&)
        {
            heard.push_back("popped");
            return true;
        });
    PopScriptTaker(popped);
    PopScriptTaker(popped); // a second pop is ignored
    mLines.clear();
    PushScript({script::Accept(), script::Colour(1, 0, 0), script::Down(5, 5)});
    Run();
    const std::string accept = std::to_string(int(ScriptKind::kAccept));
    const std::string colour = std::to_string(int(ScriptKind::kColour));
    EXPECT_EQ(heard, (std::vector<std::string>{"newer " + accept, "newer " + colour, "older " + colour}));
    EXPECT_TRUE(mLines.empty());

    // A taker may pop itself, or the one below it, while it answers.
    heard.clear();
    PopScriptTaker(newer);
    PushScriptTaker(
        [&](const ScriptItem&)
        {
            heard.push_back("self-popping");
            PopScriptTaker(older);
            return false;
        });
    PushScript({script::Cancel(), script::Cancel()});
    Run();
    EXPECT_EQ(heard, (std::vector<std::string>{"self-popping", "self-popping"}));
    EXPECT_EQ(mLines.size(), 2u);

    // Reset forgets every taker.
    ResetWindowServerForTesting();
    heard.clear();
    PushScript(script::Accept());
    Run();
    EXPECT_TRUE(heard.empty());
}

TEST_F(PfStandInsTest, IconImagesRegionsAndTheFontStyleAreState)
{
    Image image;
    image.mWidth = 1;
    image.mHeight = 1;
    image.mPixels = {1, 2, 3, 4};
    RegisterIconImage(FourCC("SKYV"), FourCC("icon"), image);
    image.mPixels = {9, 9, 9, 9};
    RegisterIconImage(FourCC("SKYV"), FourCC("icon"), image);
    const Image* found = GetIconImage(FourCC("SKYV"), FourCC("icon"));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->mPixels, (std::vector<std::uint8_t>{9, 9, 9, 9}));
    EXPECT_EQ(GetIconImage(FourCC("icon"), FourCC("SKYV")), nullptr);
    UnregisterIconImage(FourCC("SKYV"), FourCC("icon"));
    UnregisterIconImage(FourCC("SKYV"), FourCC("icon"));
    EXPECT_EQ(GetIconImage(FourCC("SKYV"), FourCC("icon")), nullptr);

    // A second disposal logs instead of freeing twice (ASan).
    const std::size_t before = LiveRegionCount();
    const RgnHandle a = NewRegion();
    const RgnHandle b = NewRegion();
    EXPECT_NE(a, b);
    DisposeRegion(a);
    DisposeRegion(a);
    DisposeRegion(nullptr);
    EXPECT_EQ(LiveRegionCount(), before + 1);
    EXPECT_EQ(mLines, (std::vector<std::string>{"DisposeRegion: bad region reference"}));
    DisposeRegion(b);

    FontPanelStyle style{7, 10 << 16};
    EXPECT_FALSE(GetFontPanelStyle(&style));
    SetFontPanelStyle(&style);
    FontPanelStyle shown;
    ASSERT_TRUE(GetFontPanelStyle(&shown));
    EXPECT_EQ(shown, style);
    SetFontPanelStyle(nullptr);
    EXPECT_FALSE(GetFontPanelStyle(&shown));
    SetFontPanelStyle(&style);
    ResetWindowServerForTesting();
    EXPECT_FALSE(GetFontPanelStyle(&shown));
}

} // namespace
