// The toolkit's platform utilities: the colour picker, icon registration, the font panel and regions.
#pragma once

#include "CxString.h"
#include "GxColor.h"
#include "GxFont.h"
#include "PfStandIns.h"

class FxView;
class FxWindow;

using RgnHandle = pf::RgnHandle;

// Asks for a colour, starting at inColor. True with the chosen colour (alpha 1) in outColor; false with
// outColor = inColor. The window is not used.
bool FxPickColor(FxWindow* inWindow, const GxColor& inColor, GxColor& outColor);

// The bundle's "<name>.png" becomes the icon of (creator, type); a missing or bad file registers nothing.
void FxRegisterIcon(const CxString& inName, unsigned long inCreator, unsigned long inType);
void FxUnregisterIcon(unsigned long inCreator, unsigned long inType);

void FxToggleFontPanel();
bool FxIsFontPanelVisible();
// The window's (or view's) event target becomes the font panel's target, which shows the font (none when null).
void FxSetFontPanelTarget(FxWindow* inWindow, GxFont* inFont);
void FxSetFontPanelTarget(FxView* inView, GxFont* inFont);
// Does nothing: the panel forgets a window's or view's target when it goes.
void FxClearFontPanelTarget(FxWindow* inWindow, FxView* inView);

RgnHandle FxNewRegion();
void FxDisposeRegion(RgnHandle inRegion);
