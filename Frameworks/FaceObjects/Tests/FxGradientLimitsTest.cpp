// The gradient editor's part numbers at the counter's limit, and a picker whose window cannot be made.
#include "FxGradientPicker.h"

#include "CxDebug.h"
#include "CxPreferences.h"
#include "FxWindow.h"
#include "PfRunLoop.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <memory>
#include <set>
#include <string>

namespace
{

using namespace pf;

const std::string kBundle = std::string(SKYVANE_SOURCE_DIR) + "/Products/Skyvane/Resources";

class FxGradientLimitsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MainLoop().ResetForTesting(ClockKind::kVirtual);
        ResetWindowServerForTesting();
        if (const char* bundle = std::getenv("SKYVANE_BUNDLE"))
            mSavedBundle = bundle;
        setenv("SKYVANE_BUNDLE", kBundle.c_str(), 1);
        mWindow = std::make_unique<FxDocumentWindow>(CxRect(100, 100, 500, 400));
        ASSERT_NE(mWindow->GetRef(), nullptr);
        mWindow->Show();
    }
    void TearDown() override
    {
        delete FxGradientPicker::sGradientPicker;
        CxGetGlobalPreferences().SetStringValue(CxString("gradientPickerDefaultBounds"), CxString(""), 0);
        mWindow.reset();
        if (mSavedBundle.empty())
            unsetenv("SKYVANE_BUNDLE");
        else
            setenv("SKYVANE_BUNDLE", mSavedBundle.c_str(), 1);
        ResetWindowServerForTesting();
    }
    FxGradientEditor* Editor()
    {
        const ViewRef pane = CreateView(ViewKind::kUserPane, Rect{10, 150, 263, 30});
        AddSubview(GetContentView(mWindow->GetRef()), pane);
        return new FxGradientEditor(pane);
    }
    static GxColorGradient Three()
    {
        GxColorGradient gradient(GxColor(1, 0, 0, 1));
        gradient.SetColorKey(128, GxColor(0, 1, 0, 1));
        return gradient;
    }

    sky::test::TempHome mHome;
    std::unique_ptr<FxDocumentWindow> mWindow;
    std::string mSavedBundle;
};

// 0, -1 and -2 mean no focus and the next and previous part; 666 is the strip.
bool Usable(CxSint16 inPart)
{
    return inPart >= 1 && inPart != FxGradientEditor::kStripPart;
}

// One counter over every build would pass the largest short after some 11,000 builds of three keys.
TEST_F(FxGradientLimitsTest, PartsStayUsableOverManyBuilds)
{
    FxGradientEditor* editor = Editor();
    std::set<CxSint16> parts;
    for (int build = 0; build < 11000; ++build)
    {
        editor->SetGradient(Three());
        for (const FxColorIndicator& key : editor->Indicators())
            parts.insert(key.mPart);
    }
    EXPECT_TRUE(std::all_of(parts.begin(), parts.end(), Usable)) << *parts.begin();
    CxSint16 next = kControlFocusNextPart;
    ASSERT_TRUE(editor->OnSetFocusPart(next));
    EXPECT_EQ(editor->OnGetFocusPart(), editor->FindFirstPart());
}

// Keys added and removed without a build run the counter to its limit: past it the parts start again from 1,
// passing over the keys still there.
TEST_F(FxGradientLimitsTest, KeysAddedPastTheLargestPartTakeFreeUsableParts)
{
    FxGradientEditor* editor = Editor();
    editor->SetGradient(Three());
    std::set<CxSint16> kept;
    for (const FxColorIndicator& key : editor->Indicators())
        kept.insert(key.mPart);
    ASSERT_EQ(kept.size(), 3u);
    const int adds = std::numeric_limits<CxSint16>::max() + 100;
    for (int add = 0; add < adds; ++add)
    {
        Event hit(kClassControl, kControlHit);
        hit.SetParam(kParamControlPart, kTypeControlPartCode, FxGradientEditor::kStripPart);
        hit.SetParam(kParamWindowMouseLocation, kTypeHIPoint, ConvertPoint(Point{130, 5}, editor->GetRef(), nullptr));
        hit.SetParam(kParamClickCount, kTypeUInt32, std::uint32_t(2));
        editor->OnHit(hit);
        ASSERT_EQ(editor->Indicators().size(), 4u) << add;
        CxSint16 part = editor->Indicators().back().mPart;
        ASSERT_TRUE(Usable(part)) << add << ": " << part;
        ASSERT_EQ(kept.count(part), 0u) << add << ": " << part;
        ASSERT_TRUE(editor->OnSetFocusPart(part));
        editor->OnTextInput(8);
    }
    EXPECT_EQ(editor->Indicators().size(), 3u);
}

// The picker's window comes from the bundle: without it nothing is kept, and the next Display makes the picker.
TEST_F(FxGradientLimitsTest, APickerWithoutItsWindowIsNotKeptAndTheNextDisplayTriesAgain)
{
    const GxColorGradient green(GxColor(0, 1, 0, 1));
    setenv("SKYVANE_BUNDLE", mHome.Path().c_str(), 1);
    CxDebugCapture capture;
    FxShowGradientPicker(green);
    EXPECT_EQ(FxGradientPicker::sGradientPicker, nullptr);
    EXPECT_TRUE(capture.Contains("sGradientPicker"));
    setenv("SKYVANE_BUNDLE", kBundle.c_str(), 1);
    capture.Clear();
    FxShowGradientPicker(green);
    FxGradientPicker* picker = FxGradientPicker::sGradientPicker;
    ASSERT_NE(picker, nullptr);
    EXPECT_NE(picker->GetRef(), nullptr);
    EXPECT_TRUE(picker->IsVisible());
    ASSERT_NE(picker->Editor(), nullptr);
    EXPECT_EQ(picker->Editor()->Gradient(), green);
    EXPECT_FALSE(capture.Contains("sGradientPicker")) << capture.Lines().front();
}

} // namespace
