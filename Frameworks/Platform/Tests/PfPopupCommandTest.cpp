#include "PfRunLoop.h"
#include "PfWindowServer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using namespace pf;

class PfPopupCommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MainLoop().ResetForTesting(ClockKind::kVirtual);
        ResetWindowServerForTesting();
        SetDebugSink([](const std::string&) {});
        mHandler =
            GetUserFocusEventTarget()->InstallHandler({{kClassCommand, kCommandProcess}},
                                                      [this](HandlerCallRef, Event& ioEvent)
                                                      {
                                                          HICommand command;
                                                          ioEvent.GetParam(kParamDirectObject, kTypeHICommand, command);
                                                          mProcessed.push_back(command.commandID);
                                                          return kNoErr;
                                                      });
    }
    void TearDown() override
    {
        RemoveHandler(mHandler);
        ResetWindowServerForTesting();
        SetDebugSink(nullptr);
    }
    HandlerRef mHandler;
    std::vector<std::uint32_t> mProcessed;
};

TEST_F(PfPopupCommandTest, APopupTakesACommandAndItNeverReachesTheFocusAfterwards)
{
    MenuRef menu = CreateMenu(1, 0);
    InsertMenuItem(menu, 0, u"Open", FourCC("open"), 0);                        // 1
    InsertMenuItem(menu, 1, u"-", FourCC("sepa"), kMenuItemSeparator);          // 2
    InsertMenuItem(menu, 2, u"Save (off)", FourCC("save"), kMenuItemDisabled);  // 3
    InsertMenuItem(menu, 3, u"Save", FourCC("save"), 0);                        // 4
    InsertMenuItem(menu, 4, u"Print (off)", FourCC("prnt"), kMenuItemDisabled); // 5
    InsertMenuItem(menu, 5, u"Open again", FourCC("open"), 0);                  // 6
    struct Row
    {
        const char* name;
        std::vector<ScriptItem> script;
        std::uint16_t chosen;
        std::size_t left;
    };
    const std::vector<Row> rows = {
        {"an enabled item's code", {script::Command(FourCC("open"))}, 1, 0},
        {"a disabled twin is passed over", {script::Command(FourCC("save"))}, 4, 0},
        {"a disabled item's code", {script::Command(FourCC("prnt"))}, 0, 0},
        {"a separator's code", {script::Command(FourCC("sepa"))}, 0, 0},
        {"an absent code", {script::Command(FourCC("XXXX"))}, 0, 0},
        {"code 0", {script::Command(0)}, 0, 0},
        {"the next item stays", {script::Command(FourCC("XXXX")), script::Command(FourCC("open"))}, 0, 1},
        {"a number as before", {script::Choose(6)}, 6, 0},
        {"a disabled number as before", {script::Choose(5)}, 0, 0},
        {"the empty script", {}, 0, 0},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        mProcessed.clear();
        PushScript(row.script);
        EXPECT_EQ(PopUpMenuSelect(menu, Point{150, 150}, 0), row.chosen);
        EXPECT_EQ(ScriptCount(), row.left);
        while (DeliverNextScriptItem())
        {
        }
        // Only a command the popup left queued may reach the focus.
        EXPECT_EQ(mProcessed, row.left > 0 ? std::vector<std::uint32_t>{FourCC("open")} : std::vector<std::uint32_t>{});
    }

    // The whole menu disabled: nothing is chosen, the command is still taken.
    EnableMenuItem(menu, 0, false);
    mProcessed.clear();
    PushScript(script::Command(FourCC("open")));
    EXPECT_EQ(PopUpMenuSelect(menu, Point{150, 150}, 0), 0);
    EXPECT_EQ(ScriptCount(), 0u);
    EXPECT_TRUE(mProcessed.empty());
}

} // namespace
