// A discard-changes sheet whose dialog goes: the sheet goes with it, whether shown, never shown or answered, and
// lets go of its parent.
#include "FxFileDialogs.h"

#include "FxWindow.h"
#include "PfRunLoop.h"
#include "PfWindowServer.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace
{

TEST(FxDiscardSheetEndTest, TheSheetGoesWithItsDialog)
{
    pf::MainLoop().ResetForTesting(pf::ClockKind::kVirtual);
    pf::ResetWindowServerForTesting();
    auto* window = new FxDocumentWindow(CxRect(100, 100, 500, 400));
    window->Show();
    const pf::WindowRef parent = window->GetRef();
    const std::uint32_t held = pf::GetWindowRetainCount(parent);
    const struct
    {
        const char* name;
        bool shown;
        bool answered;
    } rows[] = {{"shown", true, false}, {"never shown", false, false}, {"answered", true, true}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        auto dialog = std::make_unique<FxAskDiscardChangesDialog>(window, nullptr);
        const pf::WindowRef sheet = dialog->GetSheet();
        ASSERT_NE(sheet, nullptr);
        if (row.shown)
            dialog->Display();
        if (row.answered)
        {
            pf::PushScript({pf::script::Cancel()});
            while (pf::DeliverNextScriptItem())
            {
            }
            EXPECT_EQ(dialog->Action(), 1);
        }
        EXPECT_EQ(pf::IsWindowVisible(sheet), row.shown && !row.answered);
        dialog.reset();
        EXPECT_FALSE(pf::IsValidWindow(sheet));
        EXPECT_EQ(pf::WindowList(), std::vector<pf::WindowRef>{parent});
        EXPECT_EQ(pf::GetWindowRetainCount(parent), held);
        EXPECT_EQ(window->RetainCount(), 1u);
    }
    window->Release();
    pf::ResetWindowServerForTesting();
}

} // namespace
