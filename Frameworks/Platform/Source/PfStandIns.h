// Stand-ins for the platform's dialogs and small services the window server leaves out: the colour picker, the
// takers that answer the script's dialog items, icon images, regions and the font panel's shown style.
// Main thread only. Frameworks/Platform/README.md
#pragma once

#include "PfImage.h"
#include "PfTypes.h"
#include "PfWindowServer.h"

#include <cstdint>
#include <functional>
#include <string>

namespace pf
{

// ---- Colour picker ---------------------------------------------------------------------------------------------

struct RGBColor
{
    std::uint16_t red = 0;
    std::uint16_t green = 0;
    std::uint16_t blue = 0;
    bool operator==(const RGBColor&) const = default;
};

// Modal: reads the script's head itself. Colour items set the shown colour (each channel times 65535, truncated;
// alpha ignored); an accept answers true with the last colour when one came, else false; a cancel, an empty
// script or an item of another kind at the head (left queued) answers false. outColour is set only on true.
bool PickColor(const std::u16string& inPrompt, const RGBColor& inColour, RGBColor* outColour);
// The prompt of the last picker shown, and the colour it was shown with, for tests.
std::u16string LastColorPickerPrompt();
RGBColor LastColorPickerStart();

// ---- Takers ------------------------------------------------------------------------------------------------------

// A stand-in that is up and does not read the script itself pushes a taker; the script offers it colour, accept
// and cancel items, newest taker first, until one answers true. An item no taker takes is dropped with one line.
using ScriptTaker = std::function<bool(const ScriptItem&)>;
using TakerRef = std::uint64_t;
TakerRef PushScriptTaker(ScriptTaker inTaker);
// Unknown or already popped references are ignored.
void PopScriptTaker(TakerRef inTaker);
// Called by the script's delivery.
void OfferToTakers(const ScriptItem& inItem);

// ---- Icon images -----------------------------------------------------------------------------------------------

// The image shown for (creator, type), beside GetIconRef's references. Registering again replaces it.
void RegisterIconImage(FourCharCode inCreator, FourCharCode inType, Image inImage);
void UnregisterIconImage(FourCharCode inCreator, FourCharCode inType);
// Null when none is registered; valid until the next change.
const Image* GetIconImage(FourCharCode inCreator, FourCharCode inType);

// ---- Regions -----------------------------------------------------------------------------------------------------

struct Region;
using RgnHandle = Region*;

// Handles without a shape. Disposing null does nothing; a handle not made here (or already gone) logs a line.
RgnHandle NewRegion();
void DisposeRegion(RgnHandle inRegion);
std::size_t LiveRegionCount();

// ---- Font panel's style ----------------------------------------------------------------------------------------

struct FontPanelStyle
{
    std::int32_t fontId = 0;
    std::int32_t size = 0; // 16.16 fixed
    bool operator==(const FontPanelStyle&) const = default;
};
// The style the panel shows as selected; inStyle null shows none.
void SetFontPanelStyle(const FontPanelStyle* inStyle);
// False when the panel shows no style.
bool GetFontPanelStyle(FontPanelStyle* outStyle);

// Tests: forgets takers, icon images, regions' bookkeeping, the prompt and the style. ResetWindowServerForTesting
// calls it.
void ResetStandInsForTesting();

} // namespace pf
