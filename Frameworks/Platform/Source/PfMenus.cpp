// Menus, the menu bar and pop-up menus.
#include "PfWindowServerState.h"

#include <algorithm>

namespace pf
{

// ---- Menus ---------------------------------------------------------------------------------------------------

namespace
{
MenuItem* ItemOf(MenuRef inMenu, std::uint16_t inItem, const char* inCall)
{
    Menu* menu = CheckMenu(inMenu, inCall);
    if (menu == nullptr)
    {
        return nullptr;
    }
    if (inItem >= menu->mItems.size())
    {
        Log(std::string(inCall) + ": no such menu item");
        return nullptr;
    }
    return &menu->mItems[inItem];
}

// A popup button's maximum follows its menu's item count.
void UpdatePopups(Menu* inMenu)
{
    for (View* v : State().views)
    {
        if (v->mPopupMenu == inMenu)
        {
            v->mMaximum = std::int32_t(inMenu->mItems.size() - 1);
            v->mValue = std::clamp(v->mValue, v->mMinimum, std::max(v->mMinimum, v->mMaximum));
        }
    }
}
} // namespace

Menu* CheckMenu(MenuRef inMenu, const char* inCall)
{
    for (auto& m : State().menus)
    {
        if (m.get() == inMenu && inMenu != nullptr)
        {
            return inMenu;
        }
    }
    if (inCall != nullptr)
    {
        Log(std::string(inCall) + ": bad menu reference");
    }
    return nullptr;
}

void DisposeMenuNow(Menu* inMenu)
{
    ServerState& state = State();
    auto it = std::find_if(state.menus.begin(), state.menus.end(), [&](auto& m) { return m.get() == inMenu; });
    if (it == state.menus.end())
    {
        return;
    }
    std::unique_ptr<Menu> owned = std::move(*it);
    state.menus.erase(it);
    state.menuBar.erase(std::remove(state.menuBar.begin(), state.menuBar.end(), inMenu), state.menuBar.end());
    for (View* v : state.views)
    {
        if (v->mPopupMenu == inMenu)
        {
            v->mPopupMenu = nullptr;
        }
    }
    std::vector<Menu*> submenus;
    for (MenuItem& item : owned->mItems)
    {
        if (item.submenu != nullptr)
        {
            submenus.push_back(item.submenu);
        }
    }
    state.deadMenus.push_back(std::move(owned));
    for (Menu* sub : submenus)
    {
        ReleaseMenu(sub);
    }
}

MenuRef CreateMenu(std::int16_t inMenuId, std::uint32_t inAttributes)
{
    auto menu = std::make_unique<Menu>();
    menu->mId = inMenuId;
    menu->mSerial = State().nextMenuSerial++;
    menu->mItems.resize(1);
    menu->mItems[0].attributes = inAttributes;
    State().menus.push_back(std::move(menu));
    return State().menus.back().get();
}

bool IsValidMenu(MenuRef inMenu)
{
    return CheckMenu(inMenu, nullptr) != nullptr;
}

std::uint32_t RetainMenu(MenuRef inMenu)
{
    Menu* m = CheckMenu(inMenu, "RetainMenu");
    return m ? ++m->mRetain : 0;
}

std::uint32_t ReleaseMenu(MenuRef inMenu)
{
    Menu* m = CheckMenu(inMenu, "ReleaseMenu");
    if (m == nullptr)
    {
        return 0;
    }
    if (--m->mRetain == 0)
    {
        DispatchGuard guard;
        DisposeMenuNow(m);
        return 0;
    }
    return m->mRetain;
}

std::int16_t GetMenuId(MenuRef inMenu)
{
    Menu* m = CheckMenu(inMenu, "GetMenuId");
    return m ? m->mId : 0;
}

OSStatus SetMenuTitle(MenuRef inMenu, const std::u16string& inTitle)
{
    MenuItem* item = ItemOf(inMenu, 0, "SetMenuTitle");
    if (item == nullptr)
    {
        return kParamErr;
    }
    item->text = inTitle;
    return kNoErr;
}

std::u16string GetMenuTitle(MenuRef inMenu)
{
    MenuItem* item = ItemOf(inMenu, 0, "GetMenuTitle");
    return item ? item->text : std::u16string();
}

std::uint16_t CountMenuItems(MenuRef inMenu)
{
    Menu* m = CheckMenu(inMenu, "CountMenuItems");
    return m ? std::uint16_t(m->mItems.size() - 1) : 0;
}

std::uint16_t InsertMenuItem(MenuRef inMenu, std::uint16_t inAfter, const std::u16string& inText,
                             std::uint32_t inCommand, std::uint32_t inAttributes)
{
    Menu* m = CheckMenu(inMenu, "InsertMenuItem");
    if (m == nullptr)
    {
        return 0;
    }
    const std::size_t at = std::min<std::size_t>(inAfter, m->mItems.size() - 1) + 1;
    MenuItem item;
    item.text = inText;
    item.command = inCommand;
    item.attributes = inAttributes;
    if (inText == u"-")
    {
        item.attributes |= kMenuItemSeparator;
    }
    m->mItems.insert(m->mItems.begin() + std::ptrdiff_t(at), std::move(item));
    UpdatePopups(m);
    return std::uint16_t(at);
}

OSStatus DeleteMenuItem(MenuRef inMenu, std::uint16_t inItem)
{
    MenuItem* item = ItemOf(inMenu, inItem, "DeleteMenuItem");
    if (item == nullptr || inItem == 0)
    {
        return kParamErr;
    }
    DispatchGuard guard;
    Menu* submenu = item->submenu;
    inMenu->mItems.erase(inMenu->mItems.begin() + inItem);
    UpdatePopups(inMenu);
    if (submenu != nullptr)
    {
        ReleaseMenu(submenu);
    }
    return kNoErr;
}

OSStatus DeleteAllMenuItems(MenuRef inMenu)
{
    Menu* m = CheckMenu(inMenu, "DeleteAllMenuItems");
    if (m == nullptr)
    {
        return kParamErr;
    }
    while (m->mItems.size() > 1)
    {
        DeleteMenuItem(m, std::uint16_t(m->mItems.size() - 1));
    }
    return kNoErr;
}

OSStatus SetMenuItemText(MenuRef inMenu, std::uint16_t inItem, const std::u16string& inText)
{
    MenuItem* item = ItemOf(inMenu, inItem, "SetMenuItemText");
    if (item == nullptr)
    {
        return kParamErr;
    }
    item->text = inText;
    item->attributes &= ~std::uint32_t(kMenuItemSeparator);
    return kNoErr;
}

std::u16string GetMenuItemText(MenuRef inMenu, std::uint16_t inItem)
{
    MenuItem* item = ItemOf(inMenu, inItem, "GetMenuItemText");
    return item ? item->text : std::u16string();
}

OSStatus SetMenuItemCommandID(MenuRef inMenu, std::uint16_t inItem, std::uint32_t inCommand)
{
    MenuItem* item = ItemOf(inMenu, inItem, "SetMenuItemCommandID");
    if (item == nullptr)
    {
        return kParamErr;
    }
    item->command = inCommand;
    return kNoErr;
}

std::uint32_t GetMenuItemCommandID(MenuRef inMenu, std::uint16_t inItem)
{
    MenuItem* item = ItemOf(inMenu, inItem, "GetMenuItemCommandID");
    return item ? item->command : 0;
}

OSStatus SetMenuItemKey(MenuRef inMenu, std::uint16_t inItem, std::uint8_t inModifiers, char16_t inKey)
{
    MenuItem* item = ItemOf(inMenu, inItem, "SetMenuItemKey");
    if (item == nullptr)
    {
        return kParamErr;
    }
    item->modifiers = inModifiers;
    item->key = inKey;
    return kNoErr;
}

char16_t GetMenuItemKey(MenuRef inMenu, std::uint16_t inItem)
{
    MenuItem* item = ItemOf(inMenu, inItem, "GetMenuItemKey");
    return item ? item->key : 0;
}

std::uint8_t GetMenuItemModifiers(MenuRef inMenu, std::uint16_t inItem)
{
    MenuItem* item = ItemOf(inMenu, inItem, "GetMenuItemModifiers");
    return item ? item->modifiers : 0;
}

OSStatus ChangeMenuItemAttributes(MenuRef inMenu, std::uint16_t inItem, std::uint32_t inSet, std::uint32_t inClear)
{
    MenuItem* item = ItemOf(inMenu, inItem, "ChangeMenuItemAttributes");
    if (item == nullptr)
    {
        return kParamErr;
    }
    item->attributes = (item->attributes | inSet) & ~inClear;
    return kNoErr;
}

std::uint32_t GetMenuItemAttributes(MenuRef inMenu, std::uint16_t inItem)
{
    MenuItem* item = ItemOf(inMenu, inItem, "GetMenuItemAttributes");
    return item ? item->attributes : 0;
}

OSStatus EnableMenuItem(MenuRef inMenu, std::uint16_t inItem, bool inEnable)
{
    return inEnable ? ChangeMenuItemAttributes(inMenu, inItem, 0, kMenuItemDisabled)
                    : ChangeMenuItemAttributes(inMenu, inItem, kMenuItemDisabled, 0);
}

bool IsMenuItemEnabled(MenuRef inMenu, std::uint16_t inItem)
{
    MenuItem* item = ItemOf(inMenu, inItem, "IsMenuItemEnabled");
    return item && (item->attributes & kMenuItemDisabled) == 0 &&
           (inMenu->mItems[0].attributes & kMenuItemDisabled) == 0;
}

OSStatus SetMenuItemSubmenu(MenuRef inMenu, std::uint16_t inItem, MenuRef inSubmenu)
{
    MenuItem* item = ItemOf(inMenu, inItem, "SetMenuItemSubmenu");
    if (item == nullptr || inItem == 0 || (inSubmenu != nullptr && !CheckMenu(inSubmenu, "SetMenuItemSubmenu")) ||
        inSubmenu == inMenu)
    {
        return kParamErr;
    }
    DispatchGuard guard;
    Menu* old = item->submenu;
    item->submenu = inSubmenu;
    if (inSubmenu != nullptr)
    {
        ++inSubmenu->mRetain;
    }
    if (old != nullptr)
    {
        ReleaseMenu(old);
    }
    return kNoErr;
}

MenuRef GetMenuItemSubmenu(MenuRef inMenu, std::uint16_t inItem)
{
    MenuItem* item = ItemOf(inMenu, inItem, "GetMenuItemSubmenu");
    return item ? item->submenu : nullptr;
}

OSStatus SetMenuProperty(MenuRef inMenu, FourCharCode inCreator, FourCharCode inTag, const void* inData,
                         std::size_t inSize)
{
    Menu* m = CheckMenu(inMenu, "SetMenuProperty");
    return m ? m->mProperties.Set(inCreator, inTag, inData, inSize) : kParamErr;
}

OSStatus GetMenuProperty(MenuRef inMenu, FourCharCode inCreator, FourCharCode inTag, void* outData, std::size_t inSize)
{
    Menu* m = CheckMenu(inMenu, "GetMenuProperty");
    return m ? m->mProperties.Get(inCreator, inTag, outData, inSize) : kParamErr;
}

OSStatus RemoveMenuProperty(MenuRef inMenu, FourCharCode inCreator, FourCharCode inTag)
{
    Menu* m = CheckMenu(inMenu, "RemoveMenuProperty");
    return m ? m->mProperties.Remove(inCreator, inTag) : kParamErr;
}

bool FindMenuItemForCommand(std::uint32_t inCommand, MenuRef* outMenu, std::uint16_t* outItem)
{
    if (inCommand == 0)
    {
        return false;
    }
    for (auto& m : State().menus)
    {
        for (std::size_t i = 1; i < m->mItems.size(); ++i)
        {
            if (m->mItems[i].command == inCommand)
            {
                if (outMenu != nullptr)
                {
                    *outMenu = m.get();
                }
                if (outItem != nullptr)
                {
                    *outItem = std::uint16_t(i);
                }
                return true;
            }
        }
    }
    return false;
}

OSStatus InsertMenuInBar(MenuRef inMenu, std::int16_t inBeforeId)
{
    Menu* m = CheckMenu(inMenu, "InsertMenuInBar");
    if (m == nullptr)
    {
        return kParamErr;
    }
    auto& bar = State().menuBar;
    if (std::find(bar.begin(), bar.end(), m) != bar.end())
    {
        return kNoErr;
    }
    auto before =
        std::find_if(bar.begin(), bar.end(), [&](Menu* b) { return inBeforeId != 0 && b->mId == inBeforeId; });
    bar.insert(before, m);
    return kNoErr;
}

OSStatus DeleteMenuFromBar(std::int16_t inMenuId)
{
    auto& bar = State().menuBar;
    auto it = std::find_if(bar.begin(), bar.end(), [&](Menu* b) { return b->mId == inMenuId; });
    if (it == bar.end())
    {
        return kParamErr;
    }
    bar.erase(it);
    return kNoErr;
}

std::vector<MenuRef> MenuBar()
{
    return State().menuBar;
}

std::uint16_t PopUpMenuSelect(MenuRef inMenu, Point inGlobal, std::uint16_t inItemUnderMouse)
{
    Menu* m = CheckMenu(inMenu, "PopUpMenuSelect");
    if (m == nullptr)
    {
        return 0;
    }
    DispatchGuard guard;
    (void)inItemUnderMouse;
    State().mouse = inGlobal;
    for (std::size_t i = 1; CheckMenu(m, nullptr) && i < m->mItems.size(); ++i)
    {
        HICommand command;
        command.attributes = kHICommandFromMenu;
        command.commandID = m->mItems[i].command;
        command.menu = m;
        command.menuItem = std::uint16_t(i);
        Event event(kClassCommand, kCommandUpdateStatus);
        event.SetParam(kParamDirectObject, kTypeHICommand, command);
        GetUserFocusEventTarget()->Send(event);
    }
    ServerState& state = State();
    if (state.buttonDown)
    {
        // The click that opened the menu ends here.
        state.buttonDown = false;
        state.downWindow = nullptr;
    }
    if (state.script.empty() || state.script.front().kind != ScriptKind::kMenuChoice || !CheckMenu(m, nullptr))
    {
        return 0;
    }
    const ScriptItem choice = state.script.front();
    state.script.pop_front();
    std::int32_t chosen = choice.item;
    if (choice.command != 0)
    {
        // Taken here even when nothing matches, so it never reaches the focus later as a menu command.
        chosen = 0;
        for (std::size_t i = 1; i < m->mItems.size(); ++i)
        {
            if (m->mItems[i].command == choice.command && IsMenuItemEnabled(m, std::uint16_t(i)) &&
                (m->mItems[i].attributes & kMenuItemSeparator) == 0)
            {
                chosen = std::int32_t(i);
                break;
            }
        }
    }
    if (chosen < 1 || std::size_t(chosen) >= m->mItems.size() || !IsMenuItemEnabled(m, std::uint16_t(chosen)) ||
        (m->mItems[std::size_t(chosen)].attributes & kMenuItemSeparator) != 0)
    {
        return 0;
    }
    return std::uint16_t(chosen);
}

OSStatus SetControlPopupMenu(ViewRef inView, MenuRef inMenu)
{
    View* v = CheckView(inView, "SetControlPopupMenu");
    if (v == nullptr || (inMenu != nullptr && !CheckMenu(inMenu, "SetControlPopupMenu")))
    {
        return kParamErr;
    }
    v->mPopupMenu = inMenu;
    if (inMenu != nullptr)
    {
        UpdatePopups(inMenu);
    }
    return kNoErr;
}

MenuRef GetControlPopupMenu(ViewRef inView)
{
    View* v = CheckView(inView, "GetControlPopupMenu");
    return v ? v->mPopupMenu : nullptr;
}

} // namespace pf
