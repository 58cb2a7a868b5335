#include "PfColorPanel.h"

#include "PfStandIns.h"

namespace pf
{

namespace
{

struct ColorPanel
{
    WindowRef window = nullptr;
    bool visible = false;
    Color color;
    bool continuous = false;
    bool showsAlpha = false;
    std::function<void()> action;
    std::function<void()> closeDelegate;
    TakerRef taker = 0;
};

ColorPanel& Panel()
{
    static ColorPanel sPanel;
    return sPanel;
}

bool Take(const ScriptItem& inItem)
{
    ColorPanel& panel = Panel();
    if (!panel.visible)
        return false;
    if (inItem.kind == ScriptKind::kPanelClose)
    {
        CloseColorPanel();
        return true;
    }
    if (inItem.kind != ScriptKind::kColour)
        return false;
    panel.color = Color{inItem.colour[0], inItem.colour[1], inItem.colour[2], inItem.colour[3]};
    // The action may close the panel or replace itself: call a copy.
    if (const auto action = panel.action)
        action();
    return true;
}

} // namespace

void ShowColorPanel()
{
    ColorPanel& panel = Panel();
    if (panel.window == nullptr || !IsValidWindow(panel.window))
        panel.window = CreateWindow(kPlainWindowClass, 0, Rect{1100, 120, 260, 300});
    if (!panel.visible)
    {
        panel.visible = true;
        panel.taker = PushScriptTaker(Take);
    }
    ShowWindow(panel.window);
    SelectWindow(panel.window);
}

void CloseColorPanel()
{
    ColorPanel& panel = Panel();
    if (!panel.visible)
        return;
    panel.visible = false;
    PopScriptTaker(panel.taker);
    panel.taker = 0;
    if (panel.window != nullptr && IsValidWindow(panel.window))
        HideWindow(panel.window);
    if (const auto closing = panel.closeDelegate)
        closing();
}

bool IsColorPanelVisible()
{
    return Panel().visible;
}

WindowRef GetColorPanelWindow()
{
    return Panel().window;
}

void SetColorPanelColor(const Color& inColor)
{
    Panel().color = inColor;
}

Color GetColorPanelColor()
{
    return Panel().color;
}

void SetColorPanelContinuous(bool inContinuous)
{
    Panel().continuous = inContinuous;
}

bool IsColorPanelContinuous()
{
    return Panel().continuous;
}

void SetColorPanelShowsAlpha(bool inShows)
{
    Panel().showsAlpha = inShows;
}

bool ColorPanelShowsAlpha()
{
    return Panel().showsAlpha;
}

void SetColorPanelAction(std::function<void()> inAction)
{
    Panel().action = std::move(inAction);
}

void SetColorPanelCloseDelegate(std::function<void()> inDelegate)
{
    Panel().closeDelegate = std::move(inDelegate);
}

void ResetColorPanelForTesting()
{
    Panel() = ColorPanel{};
}

} // namespace pf
