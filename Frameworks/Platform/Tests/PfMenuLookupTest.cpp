// What the toolkit reads back from menus: a property it removed is gone (a later read fails as for a tag never
// set), and a command's menu and item, oldest menu first.
#include "PfRunLoop.h"
#include "PfWindowServer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace
{

using namespace pf;

class PfMenuLookupTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MainLoop().ResetForTesting(ClockKind::kVirtual);
        ResetWindowServerForTesting();
        SetDebugSink([](const std::string&) {});
    }
    void TearDown() override
    {
        ResetWindowServerForTesting();
        SetDebugSink(nullptr);
    }
};

TEST_F(PfMenuLookupTest, ARemovedPropertyIsGone)
{
    const FourCharCode creator = FourCC("Vane");
    MenuRef menu = CreateMenu(1, 0);
    MenuRef other = CreateMenu(2, 0);
    std::uint32_t value = 0;
    const OSStatus absent = GetMenuProperty(menu, creator, FourCC("none"), &value, sizeof value);
    ASSERT_NE(absent, kNoErr);
    const std::uint32_t stored = 0x12345678;
    for (MenuRef m : {menu, other})
    {
        ASSERT_EQ(SetMenuProperty(m, creator, FourCC("objc"), &stored, sizeof stored), kNoErr);
        ASSERT_EQ(SetMenuProperty(m, creator, FourCC("keep"), &stored, sizeof stored), kNoErr);
    }

    EXPECT_EQ(RemoveMenuProperty(menu, creator, FourCC("objc")), kNoErr);
    EXPECT_EQ(GetMenuProperty(menu, creator, FourCC("objc"), &value, sizeof value), absent);
    EXPECT_EQ(RemoveMenuProperty(menu, creator, FourCC("objc")), absent);
    // Another creator's tag, another tag and another menu's property stay.
    EXPECT_EQ(RemoveMenuProperty(menu, FourCC("Else"), FourCC("keep")), absent);
    value = 0;
    EXPECT_EQ(GetMenuProperty(menu, creator, FourCC("keep"), &value, sizeof value), kNoErr);
    EXPECT_EQ(value, stored);
    value = 0;
    EXPECT_EQ(GetMenuProperty(other, creator, FourCC("objc"), &value, sizeof value), kNoErr);
    EXPECT_EQ(value, stored);
    EXPECT_EQ(RemoveMenuProperty(nullptr, creator, FourCC("keep")), kParamErr);
}

TEST_F(PfMenuLookupTest, ACommandGivesItsMenuAndItem)
{
    MenuRef first = CreateMenu(1, 0);
    InsertMenuItem(first, 0, u"Open", FourCC("open"), 0);
    InsertMenuItem(first, 1, u"Save", FourCC("save"), 0);
    MenuRef second = CreateMenu(2, 0);
    InsertMenuItem(second, 0, u"Zoom", FourCC("zoom"), 0);
    InsertMenuItem(second, 1, u"Save again", FourCC("save"), 0);
    const struct
    {
        FourCharCode command;
        bool found;
        MenuRef menu;
        std::uint16_t item;
    } rows[] = {
        {FourCC("open"), true, first, 1},
        {FourCC("save"), true, first, 2}, // the older menu's
        {FourCC("zoom"), true, second, 1},
        {FourCC("none"), false, nullptr, 0},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.command);
        MenuRef menu = nullptr;
        std::uint16_t item = 0;
        EXPECT_EQ(FindMenuItemForCommand(row.command, &menu, &item), row.found);
        EXPECT_EQ(menu, row.menu);
        EXPECT_EQ(item, row.item);
        // Either answer may be left out.
        EXPECT_EQ(FindMenuItemForCommand(row.command, nullptr, nullptr), row.found);
    }
    EXPECT_FALSE(FindMenuItemForCommand(0, nullptr, nullptr));
}

// Items count from 1: the first deletes like any other, 0 and one past the last are refused.
TEST_F(PfMenuLookupTest, ItemsDeleteFromTheFirst)
{
    MenuRef menu = CreateMenu(1, 0);
    InsertMenuItem(menu, 0, u"Open", FourCC("open"), 0);
    InsertMenuItem(menu, 1, u"Save", FourCC("save"), 0);
    EXPECT_EQ(DeleteMenuItem(menu, 0), kParamErr);
    EXPECT_EQ(DeleteMenuItem(menu, 3), kParamErr);
    ASSERT_EQ(DeleteMenuItem(menu, 1), kNoErr);
    EXPECT_EQ(CountMenuItems(menu), 1);
    MenuRef found = nullptr;
    std::uint16_t item = 0;
    EXPECT_FALSE(FindMenuItemForCommand(FourCC("open"), &found, &item));
    ASSERT_TRUE(FindMenuItemForCommand(FourCC("save"), &found, &item));
    EXPECT_EQ(item, 1);
}

} // namespace
