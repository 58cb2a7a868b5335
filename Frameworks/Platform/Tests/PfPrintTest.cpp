// The print dialogs as scripts answer them.
#include "PfPrint.h"

#include "PfRunLoop.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

using namespace pf;

// Application-modal: the first accept or cancel answers, whatever came before is delivered as usual, and what
// comes after stays queued for the next dialog; a dry script cancels.
TEST(PfPrint, AModalDialogTakesTheFirstAcceptOrCancel)
{
    MainLoop().ResetForTesting(ClockKind::kVirtual);
    const struct
    {
        const char* name;
        std::vector<ScriptItem> script;
        bool accepted;
        std::size_t left;
    } kRows[] = {
        {"cancel, then accept", {script::Cancel(), script::Accept()}, false, 1},
        {"accept, then cancel", {script::Accept(), script::Cancel()}, true, 1},
        {"a move, then accept", {script::Move(10, 10), script::Accept()}, true, 0},
        {"a move, then cancel", {script::Move(10, 10), script::Cancel()}, false, 0},
        {"dry", {}, false, 0},
    };
    for (const auto& row : kRows)
    {
        SCOPED_TRACE(row.name);
        ResetWindowServerForTesting();
        PMPrintSession session = nullptr;
        PMPrintSettings settings = nullptr;
        PMPageFormat format = nullptr;
        ASSERT_EQ(PMCreateSession(&session), kNoErr);
        ASSERT_EQ(PMCreatePrintSettings(&settings), kNoErr);
        ASSERT_EQ(PMCreatePageFormat(&format), kNoErr);
        PushScript(row.script);
        bool accepted = !row.accepted;
        EXPECT_EQ(PMSessionPrintDialog(session, settings, format, &accepted), kNoErr);
        EXPECT_EQ(accepted, row.accepted);
        EXPECT_EQ(ScriptCount(), row.left);
        accepted = !row.accepted;
        ResetWindowServerForTesting(); // the page setup dialog answers the same script alike
        PushScript(row.script);
        EXPECT_EQ(PMSessionPageSetupDialog(session, format, &accepted), kNoErr);
        EXPECT_EQ(accepted, row.accepted);
        EXPECT_EQ(ScriptCount(), row.left);
        PMRelease(format);
        PMRelease(settings);
        PMRelease(session);
    }
    ResetWindowServerForTesting();
    MainLoop().ResetForTesting(ClockKind::kReal);
}

} // namespace
