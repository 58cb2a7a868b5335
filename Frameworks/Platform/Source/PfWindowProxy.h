// A window's proxy: the file or the kind of document the window stands for (state only; nothing is drawn).
#pragma once

#include "PfWindowServer.h"

#include <string>

namespace pf
{

struct WindowProxy
{
    std::string path; // empty for a proxy of creator and type
    FourCharCode creator = 0;
    FourCharCode type = 0;
    bool operator==(const WindowProxy&) const = default;
};

// Each replaces the window's proxy.
OSStatus SetWindowProxyPath(WindowRef inWindow, const std::string& inPath);
OSStatus SetWindowProxyCreatorAndType(WindowRef inWindow, FourCharCode inCreator, FourCharCode inType);
OSStatus RemoveWindowProxy(WindowRef inWindow);
// False, with outProxy empty, when the window has none.
bool GetWindowProxy(WindowRef inWindow, WindowProxy& outProxy);

} // namespace pf
