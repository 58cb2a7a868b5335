// Clicks on the plug-in's windows as a user makes them, through the window server's script.
#pragma once

#include "FxControl.h"
#include "FxWindow.h"
#include "PfGeometry.h"
#include "PfRunLoop.h"
#include "PfWindowServer.h"

#include <string>
#include <vector>

namespace vanetest
{

inline void RunScript()
{
    while (pf::DeliverNextScriptItem())
    {
    }
}

// A press and release at the middle of the control of that id; false when the window has no such control.
inline bool ClickControl(FxWindow* inWindow, int inId)
{
    const pf::ViewRef control = pf::FindControlByID(inWindow->GetRef(), pf::FourCC("FACE"), inId);
    if (control == nullptr)
        return false;
    const pf::Rect bounds = pf::ViewGlobalBounds(control);
    const double x = bounds.x + bounds.w / 2;
    const double y = bounds.y + bounds.h / 2;
    pf::PushScript({pf::script::Down(x, y), pf::script::Up(x, y)});
    RunScript();
    return true;
}

// A press and release in the title bar's close box.
inline void ClickCloseBox(FxWindow* inWindow)
{
    const pf::Rect frame = pf::GetWindowBounds(inWindow->GetRef(), pf::kWindowStructureRgn);
    const double x = frame.x + pf::metrics::kCloseBoxLeft + pf::metrics::kBoxSize / 2;
    const double y = frame.y + pf::metrics::kBoxInset + pf::metrics::kBoxSize / 2;
    pf::PushScript({pf::script::Down(x, y), pf::script::Up(x, y)});
    RunScript();
}

// The shown windows built from that window name, front to back.
inline std::vector<FxWindow*> ShownWindows(const char* inName)
{
    std::vector<FxWindow*> found;
    for (const pf::WindowRef ref : pf::WindowList())
        if (FxWindow* window = FxWindow::FromRef(ref); window != nullptr && window->IsVisible())
            if (window->Id().AsUtf8() == inName)
                found.push_back(window);
    return found;
}

inline std::string StaticText(FxWindow* inWindow, int inId)
{
    const FxStaticText* text = AsFxStaticText(inWindow->GetControlById(inId));
    return text != nullptr ? text->Text().AsUtf8() : "(none)";
}

} // namespace vanetest
