// The browser's native context menu: a title and items, each with an action the menu's owner supplies. The host
// shows it as a window-server popup.
#pragma once

#include "PfGeometry.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pf
{

struct NativeMenuItem
{
    std::u16string title;
    std::int32_t tag = 0;
    bool separator = false;
    bool enabled = true;
    // Run when the item is chosen; may be empty.
    std::function<void(const NativeMenuItem&)> action;
};

class NativeMenu
{
public:
    explicit NativeMenu(std::u16string inTitle = {}) : mTitle(std::move(inTitle)) {}

    const std::u16string& Title() const { return mTitle; }
    void AddItem(NativeMenuItem inItem) { mItems.push_back(std::move(inItem)); }
    void AddSeparator();
    const std::vector<NativeMenuItem>& Items() const { return mItems; }

private:
    std::u16string mTitle;
    std::vector<NativeMenuItem> mItems;
};

// Shows the menu with PopUpMenuSelect at a global point, each item's tag as its command id, then runs the chosen
// item's action. Answers the chosen item (from 1), 0 when nothing was chosen (no scripted choice, a separator or
// a disabled item); no action runs then.
std::uint16_t PopUpNativeMenu(const NativeMenu& inMenu, Point inGlobal);

} // namespace pf
