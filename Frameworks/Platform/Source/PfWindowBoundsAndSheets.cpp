// Window bounds, hit parts, titles, properties, sheets, modal loops and dialog buttons.
#include "PfRunLoop.h"
#include "PfWindowServerState.h"

#include <algorithm>

namespace pf
{

namespace
{

void SetContent(Window* inWindow, const Rect& inContent, std::uint32_t inExtraAttributes)
{
    const Rect previous = inWindow->mContent;
    if (previous == inContent)
    {
        return;
    }
    DispatchGuard guard;
    inWindow->mContent = inContent;
    std::uint32_t attributes = inExtraAttributes;
    if (previous.x != inContent.x || previous.y != inContent.y)
    {
        attributes |= kBoundsChangeOriginChanged;
    }
    if (previous.w != inContent.w || previous.h != inContent.h)
    {
        attributes |= kBoundsChangeSizeChanged;
        SetViewFrame(inWindow->mRoot, Rect{0, 0, inContent.w, inContent.h});
    }
    if (!CheckWindow(inWindow, nullptr))
    {
        return;
    }
    Event event(kClassWindow, kWindowBoundsChanged);
    event.SetParam(kParamDirectObject, kTypeWindowRef, inWindow);
    event.SetParam(kParamAttributes, kTypeUInt32, attributes);
    event.SetParam(kParamPreviousBounds, kTypeHIRect, previous);
    event.SetParam(kParamCurrentBounds, kTypeHIRect, inContent);
    inWindow->mTarget.Send(event);
}

} // namespace

OSStatus SetWindowBounds(WindowRef inWindow, std::uint16_t inRegion, const Rect& inBounds)
{
    Window* w = CheckWindow(inWindow, "SetWindowBounds");
    if (w == nullptr || inBounds.w < 0 || inBounds.h < 0)
    {
        return kParamErr;
    }
    Rect content = inBounds;
    if (inRegion == kWindowStructureRgn)
    {
        const double title = TitleBarHeight(w->mClass);
        content = Rect{inBounds.x, inBounds.y + title, inBounds.w, std::max(0.0, inBounds.h - title)};
    }
    SetContent(w, content, 0);
    return kNoErr;
}

OSStatus TransitionWindowTo(WindowRef inWindow, const Rect& inStructure)
{
    return SetWindowBounds(inWindow, kWindowStructureRgn, inStructure);
}

OSStatus ConstrainWindowToScreen(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "ConstrainWindowToScreen");
    if (w == nullptr)
    {
        return kParamErr;
    }
    Rect frame = Structure(*w);
    const Rect screen{0, metrics::kMenuBarHeight, metrics::kScreen.w, metrics::kScreen.h - metrics::kMenuBarHeight};
    frame.w = std::min(frame.w, screen.w);
    frame.h = std::min(frame.h, screen.h);
    frame.x = std::clamp(frame.x, screen.x, screen.Right() - frame.w);
    frame.y = std::clamp(frame.y, screen.y, screen.Bottom() - frame.h);
    return SetWindowBounds(w, kWindowStructureRgn, frame);
}

std::int16_t FindWindow(Point inGlobal, WindowRef* outWindow)
{
    if (outWindow != nullptr)
    {
        *outWindow = nullptr;
    }
    if (inGlobal.y < metrics::kMenuBarHeight && metrics::kScreen.Contains(inGlobal))
    {
        return kInMenuBar;
    }
    for (auto& owned : State().windows)
    {
        Window& w = *owned;
        if (!w.mVisible || !Structure(w).Contains(inGlobal))
        {
            continue;
        }
        if (outWindow != nullptr)
        {
            *outWindow = &w;
        }
        if (w.mContent.Contains(inGlobal))
        {
            const Rect grow{w.mContent.Right() - metrics::kGrowBoxSize, w.mContent.Bottom() - metrics::kGrowBoxSize,
                            metrics::kGrowBoxSize, metrics::kGrowBoxSize};
            if ((w.mAttributes & kWindowResizableAttribute) != 0 && grow.Contains(inGlobal))
            {
                return kInGrow;
            }
            return kInContent;
        }
        if ((w.mAttributes & kWindowCloseBoxAttribute) != 0 && BoxRect(w, metrics::kCloseBoxLeft).Contains(inGlobal))
        {
            return kInGoAway;
        }
        if ((w.mAttributes & kWindowCollapseBoxAttribute) != 0 &&
            BoxRect(w, metrics::kCollapseBoxLeft).Contains(inGlobal))
        {
            return kInCollapseBox;
        }
        if ((w.mAttributes & (kWindowHorizontalZoomAttribute | kWindowVerticalZoomAttribute)) != 0 &&
            BoxRect(w, metrics::kZoomBoxLeft).Contains(inGlobal))
        {
            return w.mZoomed ? kInZoomIn : kInZoomOut;
        }
        return kInDrag;
    }
    return kInDesk;
}

OSStatus SetWindowTitle(WindowRef inWindow, const std::u16string& inTitle)
{
    Window* w = CheckWindow(inWindow, "SetWindowTitle");
    if (w == nullptr)
    {
        return kParamErr;
    }
    w->mTitle = inTitle;
    return kNoErr;
}

std::u16string GetWindowTitle(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "GetWindowTitle");
    return w ? w->mTitle : std::u16string();
}

OSStatus SetWindowModified(WindowRef inWindow, bool inModified)
{
    Window* w = CheckWindow(inWindow, "SetWindowModified");
    if (w == nullptr)
    {
        return kParamErr;
    }
    w->mModified = inModified;
    return kNoErr;
}

bool IsWindowModified(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "IsWindowModified");
    return w && w->mModified;
}

OSStatus SetWindowProperty(WindowRef inWindow, FourCharCode inCreator, FourCharCode inTag, const void* inData,
                           std::size_t inSize)
{
    Window* w = CheckWindow(inWindow, "SetWindowProperty");
    return w ? w->mProperties.Set(inCreator, inTag, inData, inSize) : kParamErr;
}

OSStatus GetWindowProperty(WindowRef inWindow, FourCharCode inCreator, FourCharCode inTag, void* outData,
                           std::size_t inSize)
{
    Window* w = CheckWindow(inWindow, "GetWindowProperty");
    return w ? w->mProperties.Get(inCreator, inTag, outData, inSize) : kParamErr;
}

OSStatus RemoveWindowProperty(WindowRef inWindow, FourCharCode inCreator, FourCharCode inTag)
{
    Window* w = CheckWindow(inWindow, "RemoveWindowProperty");
    return w ? w->mProperties.Remove(inCreator, inTag) : kParamErr;
}

OSStatus ShowSheetWindow(WindowRef inSheet, WindowRef inParent)
{
    Window* sheet = CheckWindow(inSheet, "ShowSheetWindow");
    Window* parent = CheckWindow(inParent, "ShowSheetWindow");
    if (sheet == nullptr || parent == nullptr || sheet == parent || parent->mSheet != nullptr ||
        sheet->mSheetParent != nullptr)
    {
        return kParamErr;
    }
    sheet->mSheetParent = parent;
    parent->mSheet = sheet;
    ++parent->mRetain;
    const Rect content{parent->mContent.x + (parent->mContent.w - sheet->mContent.w) / 2, parent->mContent.y,
                       sheet->mContent.w, sheet->mContent.h};
    SetContent(sheet, content, 0);
    return ShowWindow(sheet);
}

OSStatus HideSheetWindow(WindowRef inSheet)
{
    Window* sheet = CheckWindow(inSheet, "HideSheetWindow");
    if (sheet == nullptr || sheet->mSheetParent == nullptr)
    {
        return kParamErr;
    }
    DispatchGuard guard;
    Window* parent = sheet->mSheetParent;
    sheet->mSheetParent = nullptr;
    parent->mSheet = nullptr;
    HideWindow(sheet);
    ReleaseWindow(parent);
    return kNoErr;
}

WindowRef GetSheetParent(WindowRef inSheet)
{
    Window* sheet = CheckWindow(inSheet, "GetSheetParent");
    return sheet ? sheet->mSheetParent : nullptr;
}

OSStatus RunAppModalLoopForWindow(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "RunAppModalLoopForWindow");
    if (w == nullptr)
    {
        return kParamErr;
    }
    InstallInputSource();
    ServerState& state = State();
    state.modalStack.push_back(w);
    const bool quit = MainLoop().Run([&] { return State().script.empty(); });
    state.modalStack.erase(std::remove(state.modalStack.begin(), state.modalStack.end(), w), state.modalStack.end());
    if (!quit)
    {
        Log("modal loop ended: the script is exhausted");
        return kEventNotHandled;
    }
    return kNoErr;
}

OSStatus QuitAppModalLoopForWindow(WindowRef inWindow)
{
    ServerState& state = State();
    if (std::find(state.modalStack.begin(), state.modalStack.end(), inWindow) == state.modalStack.end())
    {
        Log("QuitAppModalLoopForWindow: the window runs no modal loop");
        return kParamErr;
    }
    MainLoop().Quit();
    return kNoErr;
}

WindowRef ModalWindow()
{
    return State().modalStack.empty() ? nullptr : State().modalStack.back();
}

OSStatus SetWindowDefaultButton(WindowRef inWindow, ViewRef inButton)
{
    Window* w = CheckWindow(inWindow, "SetWindowDefaultButton");
    if (w == nullptr || (inButton != nullptr && !CheckView(inButton, "SetWindowDefaultButton")))
    {
        return kParamErr;
    }
    w->mDefaultButton = inButton;
    return kNoErr;
}

OSStatus SetWindowCancelButton(WindowRef inWindow, ViewRef inButton)
{
    Window* w = CheckWindow(inWindow, "SetWindowCancelButton");
    if (w == nullptr || (inButton != nullptr && !CheckView(inButton, "SetWindowCancelButton")))
    {
        return kParamErr;
    }
    w->mCancelButton = inButton;
    return kNoErr;
}

ViewRef GetWindowDefaultButton(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "GetWindowDefaultButton");
    return w ? w->mDefaultButton : nullptr;
}

ViewRef GetWindowCancelButton(WindowRef inWindow)
{
    Window* w = CheckWindow(inWindow, "GetWindowCancelButton");
    return w ? w->mCancelButton : nullptr;
}

} // namespace pf
