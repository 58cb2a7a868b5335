// A platform menu with its wrapper, made in code or read from an interface file. The wrapper is found again from
// the menu through the property 'FACE'/'MENU' and owns the wrappers of its submenus. A wrapper without a menu (a
// name missing from its file) changes nothing and answers 0, "", false or null.
#pragma once

#include "CxCoordinates.h"
#include "CxString.h"
#include "CxTypes.h"
#include "PfWindowServer.h"

class FxPluginInstance;

class FxMenu
{
public:
    // Empty, id 666, auto-disable, titled "Menu".
    FxMenu();
    // Wraps and retains the menu.
    explicit FxMenu(pf::MenuRef inMenu);
    // The named menu of "<nib>.fxui" in the bundle.
    FxMenu(const CxString& inNib, const CxString& inName);
    ~FxMenu();
    FxMenu(const FxMenu&) = delete;
    FxMenu& operator=(const FxMenu&) = delete;

    // Items are numbered from 1; inserting goes after the given index. Modifiers are FxMouseEvent's bits.
    int CountItems() const;
    void AppendItem(const CxString& inText, CxUint32 inCommand, CxUint32 inModifiers = 0, char16_t inKey = 0);
    void InsertItem(int inAfter, const CxString& inText, CxUint32 inCommand, CxUint32 inModifiers = 0,
                    char16_t inKey = 0);
    void AppendSeparator();
    void InsertSeparator(int inAfter);
    void RemoveItem(int inIndex);
    void RemoveAll();

    // Also makes a separator a normal item.
    void SetItemText(int inIndex, const CxString& inText);
    CxString GetItemText(int inIndex) const;
    void SetItemCommandId(int inIndex, CxUint32 inCommand);
    CxUint32 GetItemCommandId(int inIndex) const;
    void SetItemKey(int inIndex, CxUint32 inModifiers, char16_t inKey);
    char16_t GetItemKey(int inIndex) const;
    CxUint32 GetItemModifiers(int inIndex) const;
    void SetItemDynamic(int inIndex, bool inDynamic, bool inNotPreviousAlternate);
    void GetItemDynamic(int inIndex, bool& outDynamic, bool& outNotPreviousAlternate) const;
    bool ItemIsSeparator(int inIndex) const;
    void EnableItem(int inIndex);
    void DisableItem(int inIndex);
    bool ItemIsEnabled(int inIndex) const;
    // The first item with the command here or in a submenu.
    void EnableCommand(CxUint32 inCommand);
    void DisableCommand(CxUint32 inCommand);
    bool CommandIsEnabled(CxUint32 inCommand) const;
    void SetCommandText(CxUint32 inCommand, const CxString& inText);
    CxString GetCommandText(CxUint32 inCommand) const;

    // Takes the submenu's wrapper (null removes the submenu) and gives it the item's text as title.
    void SetItemSubMenu(int inIndex, FxMenu* inSubMenu);
    FxMenu* GetItemSubMenu(int inIndex) const;

    // Pops the menu up at a point of the owner's local coordinates (any type with LocalToGlobal(CxPoint&)), the
    // item under the mouse (0 none); answers the chosen item's command id, 0 when nothing was chosen.
    template <class Owner> CxUint32 Popup(Owner* inOwner, CxPoint inWhere, int inItem)
    {
        if (inOwner != nullptr)
            inOwner->LocalToGlobal(inWhere);
        return PopupGlobal(inWhere, inItem);
    }
    // A plug-in's point is local to the current port; the instance is not used.
    CxUint32 Popup(FxPluginInstance* inInstance, CxPoint inWhere, int inItem);

    pf::MenuRef GetRef() const { return mMenu; }
    // Null for a null menu or one without wrapper.
    static FxMenu* FromRef(pf::MenuRef inMenu);
    void AttachToRef();
    void DetachFromRef();

private:
    void WrapSubMenus();
    void DeleteSubMenu(int inIndex);
    // The wrapper holding the first item with the command, and its index.
    FxMenu* FindCommand(CxUint32 inCommand, int& outIndex) const;
    bool Has(int inIndex) const;
    CxUint32 PopupGlobal(CxPoint inGlobal, int inItem);

    pf::MenuRef mMenu = nullptr;
};
