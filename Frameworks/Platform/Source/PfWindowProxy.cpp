#include "PfWindowProxy.h"
#include "PfWindowServerState.h"

namespace pf
{

OSStatus SetWindowProxyPath(WindowRef inWindow, const std::string& inPath)
{
    Window* w = CheckWindow(inWindow, "SetWindowProxyPath");
    if (w == nullptr || inPath.empty())
        return kParamErr;
    w->mProxy = WindowProxy{inPath, 0, 0};
    w->mHasProxy = true;
    return kNoErr;
}

OSStatus SetWindowProxyCreatorAndType(WindowRef inWindow, FourCharCode inCreator, FourCharCode inType)
{
    Window* w = CheckWindow(inWindow, "SetWindowProxyCreatorAndType");
    if (w == nullptr)
        return kParamErr;
    w->mProxy = WindowProxy{std::string(), inCreator, inType};
    w->mHasProxy = true;
    return kNoErr;
}

OSStatus RemoveWindowProxy(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "RemoveWindowProxy");
    if (w == nullptr)
        return kParamErr;
    w->mProxy = WindowProxy{};
    w->mHasProxy = false;
    return kNoErr;
}

bool GetWindowProxy(WindowRef inWindow, WindowProxy& outProxy)
{
    Window* w = CheckWindow(inWindow, "GetWindowProxy");
    outProxy = w != nullptr ? w->mProxy : WindowProxy{};
    return w != nullptr && w->mHasProxy;
}

} // namespace pf
