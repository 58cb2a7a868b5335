// Our own flat look for the standard controls, drawn on a canvas in the view's coordinates (origin at the top-left,
// y down). A view's standard 'cntl' 4 handler draws its kind here, so a handler of its own still wins.
#pragma once

#include "PfCanvas.h"
#include "PfTypes.h"
#include "PfWindowServer.h"

#include <string>

namespace pf
{

// The drawing context of 'cntl' 4 and 'wind' 2: a Canvas*, pointer-sized.
constexpr FourCharCode kParamCGContext = FourCC("cntx");
constexpr FourCharCode kTypeCGContext = FourCC("cntx");

// The icon a kIcon view shows: control property ('appl', 'icon'), four bytes.
constexpr FourCharCode kIconPropertyCreator = FourCC("appl");
constexpr FourCharCode kIconPropertyTag = FourCC("icon");

// An edit text that shows bullets: control property ('appl', 'pass'), one byte, not 0.
constexpr FourCharCode kPasswordPropertyCreator = FourCC("appl");
constexpr FourCharCode kPasswordPropertyTag = FourCC("pass");

// The titles of a kTabs or kSegmented view: control property ('appl', 'tabs'), UTF-16, one title per line.
constexpr FourCharCode kTabTitlesPropertyCreator = FourCC("appl");
constexpr FourCharCode kTabTitlesPropertyTag = FourCC("tabs");

enum class ThemeButtonSize
{
    kSmall,
    kNormal
};

enum class ThemeButtonState
{
    kActive,
    kPressed,
    kInactive
};

// The selection blue, the toolkit's system hilite colour.
Color ThemeHiliteColor();
Color ThemeBrushColor(std::int16_t inBrush);

// Draws the button and answers the rectangle left for its content.
Rect DrawThemeBevelButton(Canvas& ioCanvas, const Rect& inBounds, ThemeButtonSize inSize, ThemeButtonState inState,
                          bool inFocused);
// A ring along the inside of the rectangle: a view draws within its bounds.
void DrawThemeFocusRing(Canvas& ioCanvas, const Rect& inRect);
// A slider's track and thumb in the rectangle, along its longer side; a value beyond either end puts the thumb
// there, and an empty range at the start.
void DrawThemeTrack(Canvas& ioCanvas, const Rect& inRect, double inMinimum, double inMaximum, double inValue,
                    bool inActive);
// 'fldr', 'docu' and 'capl'; false for any other type, drawing nothing.
bool DrawThemeIcon(Canvas& ioCanvas, const Rect& inRect, FourCharCode inType);
// One line of text in the default font at the pixel size, left-aligned or centred in the rectangle, vertically
// centred; cut with an ellipsis when too wide.
void DrawThemeText(Canvas& ioCanvas, const std::u16string& inText, const Rect& inRect, bool inCentred,
                   const Color& inColor, int inPixelSize = 13);

// The window's frame in a canvas of the structure's size: the title bar with its boxes and title above the
// content, which is left for the content's own pixels.
void DrawThemeWindowFrame(Canvas& ioCanvas, WindowRef inWindow);

// The standard look of the view's kind; user panes, scroll views and images draw nothing. A view of a visible
// window that is not active looks inactive; a hidden window has no activation to show.
void DrawStandardView(Canvas& ioCanvas, ViewRef inView);

} // namespace pf
