#include "CxDebug.h"
#include "CxSystem.h"
#include "FxCommander.h"
#include "FxInterfaceFile.h"
#include "FxMenu.h"
#include "FxMouseEvent.h"
#include "PfSurface.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace
{

constexpr pf::FourCharCode kMenuTag = pf::FourCC("MENU");

std::u16string Utf16(const CxString& inText)
{
    const CxUint16* units = inText.GetChars();
    return std::u16string(units, units + inText.Length());
}

CxString FromUtf16(const std::u16string& inText)
{
    return CxString(inText.c_str());
}

} // namespace

// ---- FxCommand -----------------------------------------------------------------------------------------------

FxCommand::FxCommand(CxUint32 inId) : mId(inId) {}

FxCommand::FxCommand(FxMenu* inMenu, int inItem) : mMenu(inMenu), mItem(inMenu != nullptr ? inItem : 0)
{
    if (inMenu != nullptr)
    {
        mText = inMenu->GetItemText(inItem);
        mId = inMenu->GetItemCommandId(inItem);
    }
}

void FxCommand::SetText(const CxString& inText)
{
    mText = inText;
    if (mMenu != nullptr)
        mMenu->SetItemText(mItem, inText);
}

void FxCommand::SetEnabled(bool inEnabled)
{
    if (mMenu == nullptr)
        return;
    if (inEnabled)
        mMenu->EnableItem(mItem);
    else
        mMenu->DisableItem(mItem);
}

bool FxCommand::IsEnabled() const
{
    CxAssertText(mMenu != nullptr, "mMenu != nil");
    return mMenu != nullptr && mMenu->ItemIsEnabled(mItem);
}

CxString FxCommand::AsString() const
{
    const std::string text = "cmd = " + std::to_string(mId) + " menu = " + (mMenu != nullptr ? "1" : "0");
    return CxString(text.c_str());
}

// ---- FxCommander ---------------------------------------------------------------------------------------------

bool FxCommander::sQuitting = false;
bool FxCommander::sUpdating = false;

void FxCommander::SetQuitting(bool inQuitting)
{
    sQuitting = inQuitting;
    if (!inQuitting)
        sUpdating = false;
}

void FxCommander::OnCommand(FxCommand&) {}

void FxCommander::OnCommandStatus(FxCommand&) {}

pf::OSStatus FxCommander::Event(pf::HandlerCallRef inCall, pf::Event& ioEvent)
{
    if (ioEvent.Class() == pf::kClassCommand)
        return EventCommand(inCall, ioEvent);
    return FxEventHandler::Event(inCall, ioEvent);
}

pf::OSStatus FxCommander::EventCommand(pf::HandlerCallRef inCall, pf::Event& ioEvent)
{
    pf::HICommand command;
    switch (ioEvent.Kind())
    {
    case pf::kCommandProcess:
    {
        ioEvent.GetParam(pf::kParamDirectObject, pf::kTypeHICommand, command);
        // Handlers see the bare id, even when the event names a menu item.
        FxCommand fxCommand(command.commandID);
        OnCommand(fxCommand);
        return fxCommand.WasHandled() ? pf::kNoErr : pf::kEventNotHandled;
    }
    case pf::kCommandUpdateStatus:
    {
        if (inCall != nullptr)
            pf::CallNext(inCall, ioEvent);
        ioEvent.GetParam(pf::kParamDirectObject, pf::kTypeHICommand, command);
        FxMenu* menu = (command.attributes & pf::kHICommandFromMenu) != 0
                           ? FxMenu::FromRef(static_cast<pf::MenuRef>(command.menu))
                           : nullptr;
        FxCommand fxCommand = menu != nullptr ? FxCommand(menu, command.menuItem) : FxCommand(command.commandID);
        if (command.commandID != 0)
            OnCommandStatus(fxCommand);
        return pf::kNoErr;
    }
    default:
        return pf::kEventNotHandled;
    }
}

pf::EventRef FxCommander::BuildCommandEvent(CxUint32 inId)
{
    pf::EventRef event = pf::MakeEvent(pf::kClassCommand, pf::kCommandProcess, CxTickCount() / 60.0);
    pf::HICommand command;
    command.attributes = pf::kHICommandFromMenu;
    command.commandID = inId;
    pf::MenuRef menu = nullptr;
    std::uint16_t item = 0;
    if (pf::FindMenuItemForCommand(inId, &menu, &item))
    {
        command.menu = menu;
        command.menuItem = item;
    }
    event->SetParam(pf::kParamDirectObject, pf::kTypeHICommand, command);
    return event;
}

pf::OSStatus FxCommander::DispatchCommand(CxUint32 inId)
{
    pf::EventRef event = BuildCommandEvent(inId);
    return pf::GetUserFocusEventTarget()->Send(*event);
}

pf::OSStatus FxCommander::ObeyCommand(CxUint32 inId)
{
    if (mTarget == nullptr)
        return pf::kEventNotHandled;
    pf::EventRef event = BuildCommandEvent(inId);
    return mTarget->Send(*event);
}

pf::OSStatus FxCommander::ObeyCommandNow(CxUint32 inId)
{
    pf::EventRef event = BuildCommandEvent(inId);
    return EventCommand(nullptr, *event);
}

// ---- FxMenu --------------------------------------------------------------------------------------------------

FxMenu::FxMenu() : mMenu(pf::CreateMenu(666, pf::kMenuAttrAutoDisable))
{
    pf::SetMenuTitle(mMenu, u"Menu");
    AttachToRef();
}

FxMenu::FxMenu(pf::MenuRef inMenu) : mMenu(pf::IsValidMenu(inMenu) ? inMenu : nullptr)
{
    CxAssertText(mMenu != nullptr, "inMenuRef != nil");
    if (mMenu == nullptr)
        return;
    pf::RetainMenu(mMenu);
    AttachToRef();
    WrapSubMenus();
}

FxMenu::FxMenu(const CxString& inNib, const CxString& inName)
{
    if (const auto file = FxInterfaceFile::Open(inNib))
        mMenu = file->CreateMenu(inName);
    if (mMenu == nullptr)
    {
        _CxDebug(__FILE__, __LINE__, "FxMenu: no menu", inName);
        return;
    }
    AttachToRef();
    WrapSubMenus();
}

FxMenu::~FxMenu()
{
    if (mMenu == nullptr)
        return;
    DetachFromRef();
    for (int index = 1; index <= CountItems(); ++index)
        DeleteSubMenu(index);
    pf::ReleaseMenu(mMenu);
}

void FxMenu::WrapSubMenus()
{
    for (int index = 1; index <= CountItems(); ++index)
    {
        const pf::MenuRef sub = pf::GetMenuItemSubmenu(mMenu, static_cast<std::uint16_t>(index));
        if (sub != nullptr && FromRef(sub) == nullptr)
            new FxMenu(sub); // owned through the submenu's property
    }
}

void FxMenu::DeleteSubMenu(int inIndex)
{
    delete GetItemSubMenu(inIndex);
}

bool FxMenu::Has(int inIndex) const
{
    return mMenu != nullptr && inIndex >= 1 && inIndex <= CountItems();
}

FxMenu* FxMenu::FromRef(pf::MenuRef inMenu)
{
    FxMenu* menu = nullptr;
    if (inMenu == nullptr || !pf::IsValidMenu(inMenu) ||
        pf::GetMenuProperty(inMenu, kFxFaceSignature, kMenuTag, &menu, sizeof(menu)) != pf::kNoErr)
        return nullptr;
    return menu;
}

void FxMenu::AttachToRef()
{
    if (mMenu == nullptr)
        return;
    FxMenu* self = this;
    pf::SetMenuProperty(mMenu, kFxFaceSignature, kMenuTag, &self, sizeof(self));
}

void FxMenu::DetachFromRef()
{
    if (mMenu != nullptr && FromRef(mMenu) == this)
        pf::RemoveMenuProperty(mMenu, kFxFaceSignature, kMenuTag);
}

int FxMenu::CountItems() const
{
    return mMenu != nullptr ? pf::CountMenuItems(mMenu) : 0;
}

void FxMenu::AppendItem(const CxString& inText, CxUint32 inCommand, CxUint32 inModifiers, char16_t inKey)
{
    InsertItem(CountItems(), inText, inCommand, inModifiers, inKey);
}

void FxMenu::InsertItem(int inAfter, const CxString& inText, CxUint32 inCommand, CxUint32 inModifiers, char16_t inKey)
{
    if (mMenu == nullptr || inAfter < 0 || inAfter > CountItems())
        return;
    const int index = pf::InsertMenuItem(mMenu, static_cast<std::uint16_t>(inAfter), Utf16(inText), inCommand, 0);
    if (index != 0)
        SetItemKey(index, inModifiers, inKey);
}

void FxMenu::AppendSeparator()
{
    InsertSeparator(CountItems());
}

void FxMenu::InsertSeparator(int inAfter)
{
    if (mMenu != nullptr && inAfter >= 0 && inAfter <= CountItems())
        pf::InsertMenuItem(mMenu, static_cast<std::uint16_t>(inAfter), u"", 0, pf::kMenuItemSeparator);
}

void FxMenu::RemoveItem(int inIndex)
{
    if (!Has(inIndex))
        return;
    DeleteSubMenu(inIndex);
    pf::DeleteMenuItem(mMenu, static_cast<std::uint16_t>(inIndex));
}

void FxMenu::RemoveAll()
{
    if (mMenu == nullptr)
        return;
    // The submenus' wrappers would otherwise be left without an owner.
    for (int index = 1; index <= CountItems(); ++index)
        DeleteSubMenu(index);
    pf::DeleteAllMenuItems(mMenu);
}

void FxMenu::SetItemText(int inIndex, const CxString& inText)
{
    if (!Has(inIndex))
        return;
    pf::SetMenuItemText(mMenu, static_cast<std::uint16_t>(inIndex), Utf16(inText));
    pf::ChangeMenuItemAttributes(mMenu, static_cast<std::uint16_t>(inIndex), 0, pf::kMenuItemSeparator);
}

CxString FxMenu::GetItemText(int inIndex) const
{
    return Has(inIndex) ? FromUtf16(pf::GetMenuItemText(mMenu, static_cast<std::uint16_t>(inIndex))) : CxString();
}

void FxMenu::SetItemCommandId(int inIndex, CxUint32 inCommand)
{
    if (Has(inIndex))
        pf::SetMenuItemCommandID(mMenu, static_cast<std::uint16_t>(inIndex), inCommand);
}

CxUint32 FxMenu::GetItemCommandId(int inIndex) const
{
    return Has(inIndex) ? pf::GetMenuItemCommandID(mMenu, static_cast<std::uint16_t>(inIndex)) : 0;
}

void FxMenu::SetItemKey(int inIndex, CxUint32 inModifiers, char16_t inKey)
{
    if (!Has(inIndex))
        return;
    std::uint8_t modifiers = 0;
    if ((inModifiers & FxMouseEvent::kCommand) == 0)
        modifiers |= pf::kMenuNoCommandModifier;
    if ((inModifiers & FxMouseEvent::kControl) != 0)
        modifiers |= pf::kMenuControlModifier;
    if ((inModifiers & FxMouseEvent::kOption) != 0)
        modifiers |= pf::kMenuOptionModifier;
    if ((inModifiers & FxMouseEvent::kShift) != 0)
        modifiers |= pf::kMenuShiftModifier;
    pf::SetMenuItemKey(mMenu, static_cast<std::uint16_t>(inIndex), modifiers, inKey);
}

char16_t FxMenu::GetItemKey(int inIndex) const
{
    return Has(inIndex) ? pf::GetMenuItemKey(mMenu, static_cast<std::uint16_t>(inIndex)) : 0;
}

CxUint32 FxMenu::GetItemModifiers(int inIndex) const
{
    if (!Has(inIndex))
        return 0;
    const std::uint8_t modifiers = pf::GetMenuItemModifiers(mMenu, static_cast<std::uint16_t>(inIndex));
    CxUint32 bits = 0;
    if ((modifiers & pf::kMenuNoCommandModifier) == 0)
        bits |= FxMouseEvent::kCommand;
    if ((modifiers & pf::kMenuControlModifier) != 0)
        bits |= FxMouseEvent::kControl;
    if ((modifiers & pf::kMenuOptionModifier) != 0)
        bits |= FxMouseEvent::kOption;
    if ((modifiers & pf::kMenuShiftModifier) != 0)
        bits |= FxMouseEvent::kShift;
    return bits;
}

void FxMenu::SetItemDynamic(int inIndex, bool inDynamic, bool inNotPreviousAlternate)
{
    if (!Has(inIndex))
        return;
    const std::uint32_t set =
        (inDynamic ? pf::kMenuItemDynamic : 0u) | (inNotPreviousAlternate ? pf::kMenuItemNotPreviousAlternate : 0u);
    const std::uint32_t both = pf::kMenuItemDynamic | pf::kMenuItemNotPreviousAlternate;
    pf::ChangeMenuItemAttributes(mMenu, static_cast<std::uint16_t>(inIndex), set, both & ~set);
}

void FxMenu::GetItemDynamic(int inIndex, bool& outDynamic, bool& outNotPreviousAlternate) const
{
    const std::uint32_t attributes =
        Has(inIndex) ? pf::GetMenuItemAttributes(mMenu, static_cast<std::uint16_t>(inIndex)) : 0;
    outDynamic = (attributes & pf::kMenuItemDynamic) != 0;
    outNotPreviousAlternate = (attributes & pf::kMenuItemNotPreviousAlternate) != 0;
}

bool FxMenu::ItemIsSeparator(int inIndex) const
{
    if (!Has(inIndex))
        return false;
    return (pf::GetMenuItemAttributes(mMenu, static_cast<std::uint16_t>(inIndex)) & pf::kMenuItemSeparator) != 0 ||
           pf::GetMenuItemText(mMenu, static_cast<std::uint16_t>(inIndex)) == u"-";
}

void FxMenu::EnableItem(int inIndex)
{
    if (Has(inIndex))
        pf::EnableMenuItem(mMenu, static_cast<std::uint16_t>(inIndex), true);
}

void FxMenu::DisableItem(int inIndex)
{
    if (Has(inIndex))
        pf::EnableMenuItem(mMenu, static_cast<std::uint16_t>(inIndex), false);
}

bool FxMenu::ItemIsEnabled(int inIndex) const
{
    return Has(inIndex) && pf::IsMenuItemEnabled(mMenu, static_cast<std::uint16_t>(inIndex));
}

FxMenu* FxMenu::FindCommand(CxUint32 inCommand, int& outIndex) const
{
    for (int index = 1; index <= CountItems(); ++index)
    {
        if (GetItemCommandId(index) == inCommand)
        {
            outIndex = index;
            return const_cast<FxMenu*>(this);
        }
        if (const FxMenu* sub = GetItemSubMenu(index))
        {
            if (FxMenu* owner = sub->FindCommand(inCommand, outIndex))
                return owner;
        }
    }
    return nullptr;
}

void FxMenu::EnableCommand(CxUint32 inCommand)
{
    int index = 0;
    if (FxMenu* owner = FindCommand(inCommand, index))
        owner->EnableItem(index);
}

void FxMenu::DisableCommand(CxUint32 inCommand)
{
    int index = 0;
    if (FxMenu* owner = FindCommand(inCommand, index))
        owner->DisableItem(index);
}

bool FxMenu::CommandIsEnabled(CxUint32 inCommand) const
{
    int index = 0;
    const FxMenu* owner = FindCommand(inCommand, index);
    return owner != nullptr && owner->ItemIsEnabled(index);
}

void FxMenu::SetCommandText(CxUint32 inCommand, const CxString& inText)
{
    int index = 0;
    if (FxMenu* owner = FindCommand(inCommand, index))
        owner->SetItemText(index, inText);
}

CxString FxMenu::GetCommandText(CxUint32 inCommand) const
{
    int index = 0;
    const FxMenu* owner = FindCommand(inCommand, index);
    return owner != nullptr ? owner->GetItemText(index) : CxString();
}

void FxMenu::SetItemSubMenu(int inIndex, FxMenu* inSubMenu)
{
    if (!Has(inIndex) || inSubMenu == this || (inSubMenu != nullptr && inSubMenu->mMenu == nullptr))
        return;
    if (GetItemSubMenu(inIndex) == inSubMenu)
        return;
    DeleteSubMenu(inIndex);
    if (inSubMenu == nullptr)
    {
        pf::SetMenuItemSubmenu(mMenu, static_cast<std::uint16_t>(inIndex), nullptr);
        return;
    }
    pf::SetMenuTitle(inSubMenu->mMenu, pf::GetMenuItemText(mMenu, static_cast<std::uint16_t>(inIndex)));
    pf::SetMenuItemSubmenu(mMenu, static_cast<std::uint16_t>(inIndex), inSubMenu->mMenu);
}

FxMenu* FxMenu::GetItemSubMenu(int inIndex) const
{
    return Has(inIndex) ? FromRef(pf::GetMenuItemSubmenu(mMenu, static_cast<std::uint16_t>(inIndex))) : nullptr;
}

CxUint32 FxMenu::Popup(FxPluginInstance*, CxPoint inWhere, int inItem)
{
    pf::Point where{double(inWhere.h), double(inWhere.v)};
    pf::LocalToGlobal(where);
    return PopupGlobal(
        CxPoint(static_cast<CxSint16>(std::lround(where.x)), static_cast<CxSint16>(std::lround(where.y))), inItem);
}

CxUint32 FxMenu::PopupGlobal(CxPoint inGlobal, int inItem)
{
    if (mMenu == nullptr)
        return 0;
    const std::uint16_t chosen = pf::PopUpMenuSelect(mMenu, pf::Point{double(inGlobal.h), double(inGlobal.v)},
                                                     static_cast<std::uint16_t>(std::max(inItem, 0)));
    return chosen != 0 ? GetItemCommandId(chosen) : 0;
}
