#include "PfNativeMenu.h"

#include "PfWindowServer.h"

namespace pf
{

void NativeMenu::AddSeparator()
{
    NativeMenuItem item;
    item.separator = true;
    item.enabled = false;
    mItems.push_back(std::move(item));
}

std::uint16_t PopUpNativeMenu(const NativeMenu& inMenu, Point inGlobal)
{
    const MenuRef menu = CreateMenu(0, 0);
    SetMenuTitle(menu, inMenu.Title());
    std::uint16_t index = 0;
    for (const NativeMenuItem& item : inMenu.Items())
    {
        std::uint32_t attributes = 0;
        if (item.separator)
            attributes |= kMenuItemSeparator;
        if (!item.enabled)
            attributes |= kMenuItemDisabled;
        index = InsertMenuItem(menu, index, item.title, static_cast<std::uint32_t>(item.tag), attributes);
    }
    const std::uint16_t chosen = PopUpMenuSelect(menu, inGlobal, 0);
    ReleaseMenu(menu);
    if (chosen == 0 || chosen > inMenu.Items().size())
        return 0;
    // A copy: the action may change the menu.
    const NativeMenuItem item = inMenu.Items()[chosen - 1];
    if (item.separator || !item.enabled)
        return 0;
    if (item.action)
        item.action(item);
    return chosen;
}

} // namespace pf
