// A popup taking a scripted item number: only a number naming one of its items chooses anything, whatever its low
// 16 bits name.
#include "PfRunLoop.h"
#include "PfWindowServer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace
{

using namespace pf;

TEST(PfPopupNumberTest, ANumberPastTheItemsChoosesNothing)
{
    MainLoop().ResetForTesting(ClockKind::kVirtual);
    ResetWindowServerForTesting();
    SetDebugSink([](const std::string&) {});
    MenuRef menu = CreateMenu(1, 0);
    InsertMenuItem(menu, 0, u"One", FourCC("one "), 0);
    InsertMenuItem(menu, 1, u"Two", FourCC("two "), 0);
    const struct
    {
        std::int32_t number;
        std::uint16_t chosen;
    } rows[] = {
        {1, 1},
        {2, 2},
        {0, 0},
        {3, 0},
        {-1, 0},
        {65536, 0},      // names item 0, the menu itself, in 16 bits
        {65537, 0},      // names item 1 in 16 bits
        {65538, 0},      // names item 2 in 16 bits
        {-65535, 0},     // names item 1 in 16 bits
        {0x7FFF0001, 0}, // names item 1 in 16 bits
        {std::numeric_limits<std::int32_t>::min() + 2, 0},
    };
    for (const auto& row : rows)
    {
        PushScript(script::Choose(row.number));
        EXPECT_EQ(PopUpMenuSelect(menu, Point{150, 150}, 0), row.chosen) << row.number;
        EXPECT_EQ(ScriptCount(), 0u) << row.number;
    }
    ResetWindowServerForTesting();
    SetDebugSink(nullptr);
}

} // namespace
