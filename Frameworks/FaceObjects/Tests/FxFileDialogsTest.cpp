// The discard-changes sheet answered by the platform's script, its texts from the bundle's string table.
#include "FxFileDialogs.h"

#include "CxSystem.h"
#include "FxWindow.h"
#include "PfAlerts.h"
#include "PfRunLoop.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace
{

const std::string kBundle = std::string(SKYVANE_SOURCE_DIR) + "/Products/Skyvane/Resources";

class DiscardWindow : public FxDocumentWindow
{
public:
    DiscardWindow() : FxDocumentWindow(CxRect(100, 100, 500, 400)) {}
    void OnFinishAskDiscardChanges(FxAskDiscardChangesDialog* inDialog) override
    {
        mActions.push_back(inDialog->Action());
        mVisible.push_back(pf::IsWindowVisible(inDialog->GetSheet()));
    }
    std::vector<CxSint32> mActions;
    std::vector<bool> mVisible; // the sheet while the hook ran
};

class DiscardSheetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        pf::MainLoop().ResetForTesting(pf::ClockKind::kVirtual);
        pf::ResetWindowServerForTesting();
        CxSetBundle(CxString::FromUtf8(kBundle));
    }
    void TearDown() override
    {
        CxSetBundle("");
        pf::ResetWindowServerForTesting();
    }
    static void Run()
    {
        while (pf::DeliverNextScriptItem())
        {
        }
    }
};

TEST_F(DiscardSheetTest, TheAnswerReachesTheHandlerOnceAndTheSheetCloses)
{
    const struct
    {
        pf::ScriptItem answer;
        CxSint32 action;
    } cases[] = {{pf::script::Cancel(), 1}, {pf::script::Accept(), 8}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.action);
        auto* window = new DiscardWindow;
        window->Show();
        auto dialog = std::make_unique<FxAskDiscardChangesDialog>(window, window);
        EXPECT_EQ(window->RetainCount(), 2u);
        ASSERT_NE(dialog->GetSheet(), nullptr);
        EXPECT_FALSE(pf::IsWindowVisible(dialog->GetSheet())) << "shown only by Display";
        dialog->Display();
        EXPECT_EQ(pf::GetSheetParent(dialog->GetSheet()), window->GetRef());
        EXPECT_TRUE(pf::IsWindowVisible(dialog->GetSheet()));

        // A dry script leaves it up and unanswered.
        Run();
        EXPECT_TRUE(pf::IsWindowVisible(dialog->GetSheet()));
        EXPECT_EQ(dialog->Action(), 0);

        pf::PushScript({c.answer, c.answer});
        Run();
        EXPECT_EQ(dialog->Action(), c.action);
        EXPECT_EQ(window->mActions, std::vector<CxSint32>{c.action}) << "the second answer finds no sheet";
        EXPECT_EQ(window->mVisible, std::vector<bool>{true});
        EXPECT_FALSE(pf::IsWindowVisible(dialog->GetSheet()));

        dialog.reset();
        EXPECT_EQ(window->RetainCount(), 1u);
        window->Release();
    }
}

TEST_F(DiscardSheetTest, TheSheetAsksWithTheBundlesTextsAndDefaultsToCancel)
{
    std::unique_ptr<FxWindow> window(new DiscardWindow);
    FxAskDiscardChangesDialog dialog(window.get(), nullptr);
    pf::StandardSheetTexts texts;
    ASSERT_TRUE(pf::GetStandardSheetTexts(dialog.GetSheet(), &texts));
    EXPECT_EQ(texts.defaultText, u"Revert");
    EXPECT_EQ(texts.cancelText, u"Cancel");
    EXPECT_EQ(texts.message, u"Revert to the saved version of this document?");
    EXPECT_EQ(texts.explanation, u"The changes you made since it was last saved will be lost.");
    EXPECT_EQ(texts.defaultCommand, pf::kHICommandCancel);

    // Other commands are left alone, and every event goes on.
    pf::Event other(pf::kClassCommand, pf::kCommandProcess);
    pf::HICommand command;
    command.commandID = pf::FourCC("quit");
    other.SetParam(pf::kParamDirectObject, pf::kTypeHICommand, command);
    EXPECT_EQ(dialog.Event(nullptr, other), pf::kEventNotHandled);
    pf::Event cancel(pf::kClassCommand, pf::kCommandProcess);
    command.commandID = pf::kHICommandCancel;
    cancel.SetParam(pf::kParamDirectObject, pf::kTypeHICommand, command);
    EXPECT_EQ(dialog.Action(), 0);
    EXPECT_EQ(dialog.Event(nullptr, cancel), pf::kEventNotHandled);
    EXPECT_EQ(dialog.Action(), 1);
}

TEST_F(DiscardSheetTest, OnlyCautionSheetsAreMade)
{
    pf::WindowRef sheet = nullptr;
    EXPECT_EQ(pf::CreateStandardSheet(1, u"m", u"e", nullptr, &sheet), pf::kParamErr);
    EXPECT_EQ(pf::CreateStandardSheet(pf::kAlertCautionAlert, u"m", u"e", nullptr, nullptr), pf::kParamErr);
    ASSERT_EQ(pf::CreateStandardSheet(pf::kAlertCautionAlert, u"m", u"e", nullptr, &sheet), pf::kNoErr);
    EXPECT_EQ(pf::DisposeStandardSheet(sheet), pf::kNoErr);
    EXPECT_EQ(pf::DisposeStandardSheet(sheet), pf::kParamErr);
    EXPECT_FALSE(pf::GetStandardSheetTexts(sheet, nullptr));
}

} // namespace
