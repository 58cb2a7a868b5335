// Text validators (directly and through edit fields a window builds), the colour picker, icons, the font panel
// and regions, as products use them.
#include "FxUtilities.h"

#include "CxDebug.h"
#include "CxSystem.h"
#include "FxBuildControls.h"
#include "FxControl.h"
#include "FxTextValidators.h"
#include "FxView.h"
#include "FxWindow.h"
#include "PfRunLoop.h"
#include "PfStandIns.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace
{

using namespace pf;

const std::string kFixtures = std::string(SKYVANE_SOURCE_DIR) + "/Frameworks/FaceObjects/Tests/data";

class FxUtilitiesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MainLoop().ResetForTesting(ClockKind::kVirtual);
        ResetWindowServerForTesting();
        CxSetBundle(CxString::FromUtf8(kFixtures));
        FxRegisterAllControls();
    }
    void TearDown() override
    {
        CxSetBundle("");
        ResetWindowServerForTesting();
    }
    static void Run()
    {
        while (DeliverNextScriptItem())
        {
        }
    }
};

std::u16string Units(const CxString& inText)
{
    return std::u16string(reinterpret_cast<const char16_t*>(inText.GetChars()), inText.Length());
}

// ---- Validators ----------------------------------------------------------------------------------------------

TEST_F(FxUtilitiesTest, ValidatorsCheckAndRewriteByTheirCode)
{
    struct Row
    {
        const char* code;
        std::u16string typed;
        bool passes;
        std::u16string shown;
    };
    const std::vector<Row> rows = {
        {"TXVL", u"anything 42", true, u"anything 42"},
        {"DATE", u"31/02", true, u"31/02"},
        {"TIME", u"25:61", true, u"25:61"},
        {"PCNT", u"101", false, u"101"},
        {"PCNT", u"100", true, u"100%"},
        {"PCNT", u"100%", true, u"100%"},
        {"PCNT", u"%", false, u"%"},
        {"PCNT", u"", true, u"0%"},
        {"PCNT", u"007 percent", true, u"7%"},
        {"PCNT", u"-5", false, u"-5"},
        {"PCNT", u"4294967346", false, u"4294967346"},
        {"PCNT", u"100000000000000000000000000050", false, u"100000000000000000000000000050"},
        {"LINE", u"10", true, u"10 px"},
        {"LINE", u"3 px", true, u"3 px"},
        {"LINE", u"11", false, u"11"},
        {"LINE", u"", true, u"0 px"},
        {"SI32", u"-2147483649", false, u"-2147483649"},
        {"SI32", u"-2147483648", true, u"-2147483648"},
        {"SI32", u"2147483647", true, u"2147483647"},
        {"SI32", u"2147483648", false, u"2147483648"},
        {"SI32", u"+12abc", true, u"12"},
        {"SI32", u"x1", false, u"x1"},
        {"SI32", u"-000000000000000000000000000001", true, u"-1"},
        {"SI32", u"-100000000000000000000000000001", false, u"-100000000000000000000000000001"},
        {"UI32", u"4294967295", true, u"4294967295"},
        {"UI32", u"4294967296", false, u"4294967296"},
        {"UI32", u"-1", false, u"-1"},
        {"UI32", u"", true, u"0"},
        {"UPPR", u"abc\u00e9z \u03c9-Q1", true, u"ABC\u00e9Z \u03c9-Q1"},
        {"LOWR", u"ABC\u00c9Z \u03a9-q1", true, u"abc\u00c9z \u03a9-q1"},
        {"FLOT", u"", true, u""},
        {"FLOT", u"abc", false, u"abc"},
        // From tools/make_validator_cases.py:
        {"LATI", u"91", false, u"91.000"},
        {"LATI", u"45.25", true, u"45.250"},
        {"LATI", u"-90", true, u"-90.000"},
        {"LATI", u"90.0001", false, u"90.000"},
        {"LATI", u"12.3456e1 N", false, u"123.456"},
        {"LATI", u"NaN", false, u"nan"},
        {"LONG", u"180", true, u"180.000"},
        {"LONG", u"-180.5", false, u"-180.500"},
        {"LONG", u"-179.9994", true, u"-179.999"},
        {"LONG", u".5W", true, u"0.500"},
        {"FLOT", u"NaN", true, u"nan"},
        {"FLOT", u"1e3", true, u"1000.000"},
        {"FLOT", u"-2.71828", true, u"-2.718"},
        {"FLOT", u"inf", true, u"inf"},
    };
    for (const Row& row : rows)
    {
        const std::string name = std::string(row.code) + " '" + CxString(row.typed.c_str()).AsUtf8() + "'";
        std::unique_ptr<FxTextValidator> validator(FxMakeTextValidator(CxString(row.code).AsSignature()));
        ASSERT_NE(validator, nullptr) << name;
        CxString text(row.typed.c_str());
        bool ok = true;
        validator->Validate(text, ok);
        EXPECT_EQ(ok, row.passes) << name;
        EXPECT_EQ(Units(text), row.shown) << name;
        if (row.passes)
        {
            // A rewritten text validates again to itself.
            CxString again = text;
            bool okAgain = true;
            validator->Validate(again, okAgain);
            EXPECT_TRUE(okAgain) << name;
            EXPECT_EQ(Units(again), row.shown) << name;
        }
    }
}

TEST_F(FxUtilitiesTest, EditFieldsBuiltByAWindowValidateWhatIsTyped)
{
    std::unique_ptr<FxWindow> window(new FxDocumentWindow("Validators", "Validators"));
    ASSERT_NE(window->GetRef(), nullptr);
    window->Show();
    window->BringToFront();
    auto field = [&](std::int32_t inId)
    { return AsFxEditText(FxControl::FromRef(FindControlByID(window->GetRef(), FourCC("FACE"), inId))); };
    // Types inText key by key into the field, then Return; answers whether it beeped.
    auto type = [&](FxEditText* inField, const std::u16string& inText)
    {
        SetKeyboardFocus(window->GetRef(), inField->GetRef(), kControlEditTextPart);
        SetControlText(inField->GetRef(), u"");
        for (char16_t unit : inText)
            PushScript(script::Key(0, std::u16string(1, unit)));
        PushScript(script::Key(kKeyReturn, u""));
        CxDebugCapture capture;
        Run();
        return capture.Contains("Beep");
    };
    FxEditText* percent = field(1);
    ASSERT_NE(percent, nullptr);
    EXPECT_FALSE(type(percent, u"75"));
    EXPECT_EQ(percent->Text(), CxString("75%"));
    EXPECT_TRUE(type(percent, u"101"));
    EXPECT_EQ(percent->Text(), CxString("101"));

    // A field inside an unmarked container is still built with its validator.
    FxEditText* latitude = field(4);
    ASSERT_NE(latitude, nullptr);
    EXPECT_FALSE(type(latitude, u"-45.5"));
    EXPECT_EQ(latitude->Text(), CxString("-45.500"));
    // A failing latitude keeps what was typed.
    EXPECT_TRUE(type(latitude, u"95"));
    EXPECT_EQ(latitude->Text(), CxString("95"));

    for (std::int32_t id : {2, 3})
    {
        FxEditText* plain = field(id);
        ASSERT_NE(plain, nullptr) << id;
        EXPECT_FALSE(type(plain, u"101")) << id;
        EXPECT_EQ(plain->Text(), CxString("101")) << id;
    }
}

// ---- Colour picker -------------------------------------------------------------------------------------------

TEST_F(FxUtilitiesTest, ThePickerAnswersWithTheScriptsLastColourAtFullAlpha)
{
    const GxColor start(0.25, 0.5, 0.75, 0.4);
    struct Row
    {
        const char* name;
        std::vector<ScriptItem> script;
        bool picked;
        GxColor expected;
        std::size_t left;
    };
    const std::vector<Row> rows = {
        {"colour then accept",
         {script::Colour(0.2, 0.4, 1.0, 0.5), script::Accept()},
         true,
         GxColor(16, 13107, 26214, 65535, 65535),
         0},
        {"the last colour wins",
         {script::Colour(1, 0, 0), script::Colour(0.1, 0.3, 0.7), script::Accept()},
         true,
         GxColor(16, 6553, 19660, 45874, 65535),
         0},
        {"accept alone", {script::Accept()}, false, start, 0},
        {"cancel after a colour", {script::Colour(1, 1, 1), script::Cancel()}, false, start, 0},
        {"an empty script", {}, false, start, 0},
        {"a mouse item at the head", {script::Down(10, 10), script::Accept()}, false, start, 2},
    };
    for (const Row& row : rows)
    {
        ResetWindowServerForTesting();
        PushScript(row.script);
        GxColor out(0, 0, 0, 0);
        EXPECT_EQ(FxPickColor(nullptr, start, out), row.picked) << row.name;
        EXPECT_EQ(out, row.expected) << row.name;
        EXPECT_EQ(out.mAlpha, row.picked ? 1.0 : start.mAlpha) << row.name;
        EXPECT_EQ(ScriptCount(), row.left) << row.name;
        EXPECT_EQ(LastColorPickerPrompt(), u"Choose a color:") << row.name;
    }
}

TEST_F(FxUtilitiesTest, ThePickerStartsFromTheGivenColourInSixteenBits)
{
    struct Row
    {
        const char* name;
        GxColor given;
        RGBColor shown;
    };
    // Each channel times 65535, truncated; alpha is not shown.
    const std::vector<Row> rows = {
        {"quarters", GxColor(0.25, 0.5, 0.75, 1), RGBColor{16383, 32767, 49151}},
        {"the ends", GxColor(0, 1, 0.001, 0.5), RGBColor{0, 65535, 65}},
        {"just below full", GxColor(0.999, 0.5, 0, 0), RGBColor{65469, 32767, 0}},
    };
    for (const Row& row : rows)
    {
        ResetWindowServerForTesting();
        PushScript({script::Cancel()});
        GxColor out;
        EXPECT_FALSE(FxPickColor(nullptr, row.given, out)) << row.name;
        EXPECT_EQ(LastColorPickerStart(), row.shown) << row.name;
    }
}

// ---- Icons, font panel, regions ------------------------------------------------------------------------------

TEST_F(FxUtilitiesTest, IconsRegisterFromTheBundlesPngs)
{
    const FourCharCode creator = FourCC("SkyV");
    const FourCharCode type = FourCC("rdar");
    FxRegisterIcon("Cursor128", creator, type);
    const Image* image = GetIconImage(creator, type);
    ASSERT_NE(image, nullptr);
    EXPECT_FALSE(image->Empty());
    EXPECT_EQ(GetIconImage(creator, FourCC("othr")), nullptr);
    FxUnregisterIcon(creator, type);
    EXPECT_EQ(GetIconImage(creator, type), nullptr);

    CxDebugCapture capture;
    FxRegisterIcon("Absent", creator, type);
    EXPECT_EQ(GetIconImage(creator, type), nullptr);
    EXPECT_TRUE(capture.Contains("no icon resource"));
}

TEST_F(FxUtilitiesTest, TheFontPanelShowsItsTargetsFont)
{
    EXPECT_FALSE(FxIsFontPanelVisible());
    FxToggleFontPanel();
    EXPECT_TRUE(FxIsFontPanelVisible());
    FxToggleFontPanel();
    EXPECT_FALSE(FxIsFontPanelVisible());

    std::unique_ptr<FxWindow> owner(new FxDocumentWindow(CxRect(100, 100, 300, 200)));
    FxWindow* window = owner.get();
    const ViewRef pane = CreateView(ViewKind::kUserPane, Rect{10, 10, 50, 50});
    AddSubview(GetContentView(window->GetRef()), pane);
    FxView& view = *new FxView(FxViewInfo{pane}); // the window's to delete
    struct Row
    {
        const char* name;
        bool onView;
        std::unique_ptr<GxFont> font;
        bool shown;
        FontPanelStyle style;
    };
    std::vector<Row> rows;
    rows.push_back({"window, font 3 at 12", false, std::make_unique<GxFont>(3u, CxSint16(12)), true, {3, 0x000C0000}});
    rows.push_back({"view, the default font", true, std::make_unique<GxFont>(0u, CxSint16(9)), true, {0, 9 << 16}});
    rows.push_back({"window, no font", false, nullptr, false, {}});
    for (Row& row : rows)
    {
        if (row.onView)
            FxSetFontPanelTarget(&view, row.font.get());
        else
            FxSetFontPanelTarget(window, row.font.get());
        EXPECT_EQ(FontPanelTarget(),
                  row.onView ? GetViewEventTarget(view.GetViewRef()) : GetWindowEventTarget(window->GetRef()))
            << row.name;
        FontPanelStyle style{-1, -1};
        EXPECT_EQ(GetFontPanelStyle(&style), row.shown) << row.name;
        if (row.shown)
        {
            EXPECT_EQ(style, row.style) << row.name;
        }
    }
    FxClearFontPanelTarget(window, &view);
    EXPECT_EQ(FontPanelTarget(), GetWindowEventTarget(window->GetRef()));
}

TEST_F(FxUtilitiesTest, RegionsAreMadeAndDisposed)
{
    const std::size_t before = LiveRegionCount();
    RgnHandle region = FxNewRegion();
    ASSERT_NE(region, nullptr);
    EXPECT_EQ(LiveRegionCount(), before + 1);
    FxDisposeRegion(region);
    EXPECT_EQ(LiveRegionCount(), before);
    FxDisposeRegion(nullptr);
    EXPECT_EQ(LiveRegionCount(), before);
}

} // namespace
