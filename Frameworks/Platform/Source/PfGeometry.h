// Screen geometry of the window server: points and rectangles in pixels, y down, and the metrics of our own
// window frame, shared with the tests so that they aim at the same title bars and boxes.
#pragma once

#include <algorithm>
#include <cstdint>

namespace pf
{

struct Point
{
    double x = 0.0;
    double y = 0.0;
    bool operator==(const Point&) const = default;
};

// Origin and size, as the platform's HIRect.
struct Rect
{
    double x = 0.0;
    double y = 0.0;
    double w = 0.0;
    double h = 0.0;

    bool operator==(const Rect&) const = default;
    bool Empty() const { return w <= 0.0 || h <= 0.0; }
    double Right() const { return x + w; }
    double Bottom() const { return y + h; }
    // Half-open: the right and bottom edges lie outside.
    bool Contains(Point inPoint) const
    {
        return inPoint.x >= x && inPoint.y >= y && inPoint.x < x + w && inPoint.y < y + h;
    }
    Rect Offset(double inDx, double inDy) const { return Rect{x + inDx, y + inDy, w, h}; }
    Rect Intersect(const Rect& inOther) const
    {
        const double left = std::max(x, inOther.x);
        const double top = std::max(y, inOther.y);
        const double right = std::min(Right(), inOther.Right());
        const double bottom = std::min(Bottom(), inOther.Bottom());
        return right > left && bottom > top ? Rect{left, top, right - left, bottom - top} : Rect{};
    }
};

// The platform's QuickDraw point: v is the height or row, h the width or column.
struct QDPoint
{
    std::int16_t v = 0;
    std::int16_t h = 0;
};

namespace metrics
{
constexpr Rect kScreen{0, 0, 1440, 900};
constexpr double kMenuBarHeight = 22;
constexpr double kTitleBarHeight = 22;      // document, dialog and alert windows
constexpr double kSmallTitleBarHeight = 16; // floating and utility windows
// The widget boxes sit in the title bar, this far from the frame's left edge and top, this big.
constexpr double kBoxInset = 4;
constexpr double kBoxSize = 12;
constexpr double kCloseBoxLeft = 8;
constexpr double kCollapseBoxLeft = 28;
constexpr double kZoomBoxLeft = 48;
// The grow box covers the bottom-right corner of a resizable window's content.
constexpr double kGrowBoxSize = 15;
// Clicks this close in time (ticks) and space (pixels) count as one multiple click.
constexpr std::uint32_t kDoubleClickTicks = 30;
constexpr double kDoubleClickSlop = 4;
// A scroll bar's arrows are this long.
constexpr double kScrollArrowSize = 16;
} // namespace metrics

} // namespace pf
