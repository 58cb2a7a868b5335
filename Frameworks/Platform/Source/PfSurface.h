// Ports, GL surfaces and snapshots of the window server. The server calls no GL: a surface's pixels come from a
// read-back callback that the GL side supplies.
#pragma once

#include "PfWindowServer.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace pf
{

// A window's content with an origin: port coordinates are content coordinates plus the origin.
class Port;
using PortRef = Port*;

PortRef GetWindowPort(WindowRef inWindow);
WindowRef GetPortWindow(PortRef inPort);
OSStatus SetPortOrigin(PortRef inPort, Point inOrigin);
Point GetPortOrigin(PortRef inPort);
// The content rectangle in port coordinates.
Rect GetPortBounds(PortRef inPort);

// The current port: none at first, and none again once its window goes. Null clears it.
OSStatus SetPort(PortRef inPort);
PortRef GetPort();
// Between the current port's coordinates and global ones, through its window's content and origin. Without a
// current port the point stays as it is and the answer is kParamErr.
OSStatus LocalToGlobal(Point& ioPoint);
OSStatus GlobalToLocal(Point& ioPoint);

// The view's bounds in its window's content coordinates, cut by the bounds of every enclosing view.
Rect ViewClippedContentRect(ViewRef inView);

// Fills outRgba with inWidth * inHeight pixels, 4 bytes each (red, green, blue, alpha), bottom row first as GL
// reads them; false when it has nothing.
using PixelSource = std::function<bool(int inWidth, int inHeight, std::vector<std::uint8_t>& outRgba)>;

class GLSurface;
using GLSurfaceRef = GLSurface*;

struct GLSurfaceInfo
{
    WindowRef window = nullptr;
    Rect rect; // content coordinates
    Rect clip; // content coordinates
    bool visible = false;
};

GLSurfaceRef CreateGLSurface(PixelSource inSource);
OSStatus DisposeGLSurface(GLSurfaceRef inSurface);
bool IsValidGLSurface(GLSurfaceRef inSurface);
// Places the surface in a window's content (a null window takes it out of every window).
OSStatus PlaceGLSurface(GLSurfaceRef inSurface, WindowRef inWindow, const Rect& inRect, const Rect& inClip);
// Binds the surface to a view: the server keeps its window, rectangle and clip fitted to the view (its bounds cut
// by every ancestor) through moves, resizes and changes of window, and calls inResized when the size changes.
OSStatus BindGLSurfaceToView(GLSurfaceRef inSurface, ViewRef inView, std::function<void(const Rect&)> inResized);
OSStatus SetGLSurfaceVisible(GLSurfaceRef inSurface, bool inVisible);
GLSurfaceInfo GetGLSurfaceInfo(GLSurfaceRef inSurface);

// Window background brushes: 1 dialog, 3 alert, 7 utility, 15 document, 53 sheet.
OSStatus SetThemeWindowBackground(WindowRef inWindow, std::int16_t inBrush);
std::uint32_t BrushColor(std::int16_t inBrush); // 0xRRGGBB

struct Snapshot
{
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;              // top row first
    std::uint32_t Pixel(int inX, int inY) const; // 0xRRGGBBAA, 0 outside
};

// The window's content: its brush colour, then 'wind' 2 and 'cntl' 4 for every shown view (parents first), then
// its visible surfaces, flipped to rows top first and clipped.
Snapshot TakeSnapshot(WindowRef inWindow);

} // namespace pf
