// The one shared colour panel: a plain window of its own, selected when shown, that the script's colour items
// edit while it shows and its panel-close item closes. Main thread only. Frameworks/Platform/README.md
#pragma once

#include "PfCanvas.h"
#include "PfWindowServer.h"

#include <functional>

namespace pf
{

// Shows and selects the panel (making its window on first use); it then takes colour and panel-close items from
// the script as the newest taker. Showing it again only selects it.
void ShowColorPanel();
// Hides it, lets the script's items go, then calls the close delegate. Nothing when it is not showing.
void CloseColorPanel();
bool IsColorPanelVisible();
// Null until first shown.
WindowRef GetColorPanelWindow();

// Setting the colour calls no action; a script's colour item sets it (alpha as given) and calls the action.
void SetColorPanelColor(const Color& inColor);
Color GetColorPanelColor();
void SetColorPanelContinuous(bool inContinuous);
bool IsColorPanelContinuous();
void SetColorPanelShowsAlpha(bool inShows);
bool ColorPanelShowsAlpha();
// Either may be empty. Each replaces the one set before.
void SetColorPanelAction(std::function<void()> inAction);
void SetColorPanelCloseDelegate(std::function<void()> inDelegate);

// Tests: forgets the panel (its window goes with the window server's reset). ResetStandInsForTesting calls it.
void ResetColorPanelForTesting();

} // namespace pf
