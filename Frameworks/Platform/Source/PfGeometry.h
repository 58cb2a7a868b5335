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

// An affine transform as Core Graphics writes it: x' = a x + c y + tx, y' = b x + d y + ty.
struct Affine
{
    double a = 1.0;
    double b = 0.0;
    double c = 0.0;
    double d = 1.0;
    double tx = 0.0;
    double ty = 0.0;

    bool operator==(const Affine&) const = default;
    Point Apply(Point inPoint) const
    {
        return Point{a * inPoint.x + c * inPoint.y + tx, b * inPoint.x + d * inPoint.y + ty};
    }
    // This transform applied first, then inOuter.
    Affine Then(const Affine& inOuter) const
    {
        const Affine& o = inOuter;
        return Affine{a * o.a + b * o.c, a * o.b + b * o.d,          c * o.a + d * o.c,
                      c * o.b + d * o.d, tx * o.a + ty * o.c + o.tx, tx * o.b + ty * o.d + o.ty};
    }
    double Determinant() const { return a * d - b * c; }
    // The identity when the transform cannot be inverted.
    Affine Inverted() const
    {
        const double det = Determinant();
        if (det == 0.0)
            return Affine{};
        return Affine{d / det, -b / det, -c / det, a / det, (c * ty - d * tx) / det, (b * tx - a * ty) / det};
    }
    static Affine Translation(double inX, double inY) { return Affine{1, 0, 0, 1, inX, inY}; }
    static Affine Scaling(double inX, double inY) { return Affine{inX, 0, 0, inY, 0, 0}; }
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
