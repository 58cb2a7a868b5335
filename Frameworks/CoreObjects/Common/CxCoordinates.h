// Pixel points and rectangles of the window system: 16-bit signed coordinates, y growing downwards. Arithmetic is
// done in int and kept to its low 16 bits, so it wraps as 16-bit arithmetic does.
#pragma once

#include "CxString.h"
#include "CxTypes.h"

#include <cstddef>

// The window system's point record: v then h.
struct CxPlatformPoint
{
    CxSint16 v = 0;
    CxSint16 h = 0;
};

// The window system's rectangle record: top, left, bottom, right.
struct CxPlatformRect
{
    CxSint16 top = 0;
    CxSint16 left = 0;
    CxSint16 bottom = 0;
    CxSint16 right = 0;
};

static_assert(sizeof(CxPlatformPoint) == 4 && offsetof(CxPlatformPoint, h) == 2);
static_assert(sizeof(CxPlatformRect) == 8 && offsetof(CxPlatformRect, left) == 2 &&
              offsetof(CxPlatformRect, bottom) == 4 && offsetof(CxPlatformRect, right) == 6);

class CxRect;

class CxPoint : public CxPlatformPoint
{
public:
    CxPoint() = default;
    // Horizontal first.
    CxPoint(CxSint16 inH, CxSint16 inV)
    {
        h = inH;
        v = inV;
    }
    CxPoint(const CxPlatformPoint& inPoint) : CxPlatformPoint(inPoint) {}
    // "h,v" as AsString writes it; each part read with AsCoordinate. A part count other than two is reported and
    // the parts present are used; the empty text is (0, 0).
    explicit CxPoint(const CxString& inText);

    CxString AsString() const;

    CxPoint& operator+=(const CxPoint& inOther)
    {
        h = static_cast<CxSint16>(h + inOther.h);
        v = static_cast<CxSint16>(v + inOther.v);
        return *this;
    }
    CxPoint& operator-=(const CxPoint& inOther)
    {
        h = static_cast<CxSint16>(h - inOther.h);
        v = static_cast<CxSint16>(v - inOther.v);
        return *this;
    }
    friend CxPoint operator+(CxPoint inA, const CxPoint& inB) { return inA += inB; }
    friend CxPoint operator-(CxPoint inA, const CxPoint& inB) { return inA -= inB; }
    CxPoint operator-() const { return CxPoint(static_cast<CxSint16>(-h), static_cast<CxSint16>(-v)); }

    bool EqualTo(const CxPoint& inOther) const { return h == inOther.h && v == inOther.v; }
    friend bool operator==(const CxPoint& inA, const CxPoint& inB) { return inA.EqualTo(inB); }
    friend bool operator!=(const CxPoint& inA, const CxPoint& inB) { return !inA.EqualTo(inB); }

    // left <= h < right and top <= v < bottom.
    bool Inside(const CxRect& inRect) const;
    // The nearest point inside the rectangle, as far as it has room.
    CxPoint Pin(const CxRect& inRect) const;
    // Scales from one rectangle onto another; an axis of zero size in inFrom maps onto the edge of inTo.
    CxPoint Map(const CxRect& inFrom, const CxRect& inTo) const;
};

class CxRect : public CxPlatformRect
{
public:
    CxRect() = default;
    // Note the order: left, top, right, bottom.
    CxRect(CxSint16 inLeft, CxSint16 inTop, CxSint16 inRight, CxSint16 inBottom)
    {
        left = inLeft;
        top = inTop;
        right = inRight;
        bottom = inBottom;
    }
    // The rectangle spanned by two corners, in either order.
    CxRect(const CxPoint& inA, const CxPoint& inB);
    CxRect(const CxPlatformRect& inRect) : CxPlatformRect(inRect) {}
    // "left,top,width,height" as AsString writes it; missing parts leave what depends on them at 0.
    explicit CxRect(const CxString& inText);

    // Blank-separated edges in the order named; missing parts stay 0.
    static CxRect FromTLBR(const CxString& inText);
    static CxRect FromLTRB(const CxString& inText);
    static CxRect FromLTWH(const CxString& inText);

    // "left,top,width,height".
    CxString AsString() const;

    CxSint16 Width() const { return static_cast<CxSint16>(right - left); }
    CxSint16 Height() const { return static_cast<CxSint16>(bottom - top); }
    void SetWidth(CxSint16 inWidth) { right = static_cast<CxSint16>(left + inWidth); }
    void SetHeight(CxSint16 inHeight) { bottom = static_cast<CxSint16>(top + inHeight); }
    // Midpoints in full integers, truncated towards zero.
    CxSint16 XCenter() const { return static_cast<CxSint16>((left + right) / 2); }
    CxSint16 YCenter() const { return static_cast<CxSint16>((top + bottom) / 2); }

    CxPoint TopLeft() const { return CxPoint(left, top); }
    CxPoint TopRight() const { return CxPoint(right, top); }
    CxPoint BottomLeft() const { return CxPoint(left, bottom); }
    CxPoint BottomRight() const { return CxPoint(right, bottom); }
    CxPoint Center() const { return CxPoint(XCenter(), YCenter()); }
    CxPoint LeftCenter() const { return CxPoint(left, YCenter()); }
    CxPoint RightCenter() const { return CxPoint(right, YCenter()); }
    CxPoint TopCenter() const { return CxPoint(XCenter(), top); }
    CxPoint BottomCenter() const { return CxPoint(XCenter(), bottom); }

    void Offset(CxSint16 inH, CxSint16 inV);
    void Offset(const CxPoint& inDelta) { Offset(inDelta.h, inDelta.v); }
    // Left and right move inwards by inH, top and bottom by inV.
    void Inset(CxSint16 inH, CxSint16 inV);
    void Inset(const CxPoint& inDelta) { Inset(inDelta.h, inDelta.v); }
    void Outset(CxSint16 inH, CxSint16 inV);
    void Outset(const CxPoint& inDelta) { Outset(inDelta.h, inDelta.v); }
    // Moves to the origin keeping the size.
    void Normalize();

    // Half-open: left <= h < right and top <= v < bottom.
    bool Contains(const CxPoint& inPoint) const;
    // The other rectangle lies within this one; edges may coincide.
    bool Contains(const CxRect& inRect) const;
    // This rectangle lies within the other.
    bool Inside(const CxRect& inRect) const { return inRect.Contains(*this); }
    bool Empty() const { return right <= left || bottom <= top; }

    bool EqualTo(const CxRect& inOther) const
    {
        return top == inOther.top && left == inOther.left && bottom == inOther.bottom && right == inOther.right;
    }
    friend bool operator==(const CxRect& inA, const CxRect& inB) { return inA.EqualTo(inB); }
    friend bool operator!=(const CxRect& inA, const CxRect& inB) { return !inA.EqualTo(inB); }

    void ExpandToContain(const CxPoint& inPoint);
    // The smallest rectangle enclosing both.
    CxRect Union(const CxRect& inOther) const;
    // The overlap, possibly empty.
    CxRect Intersection(const CxRect& inOther) const;
    bool Intersects(const CxRect& inOther) const { return !Intersection(inOther).Empty(); }

    // Moves (never resizes) the rectangle into the bounds: first past the left (top) edge, then back inside the
    // right (bottom) edge, so that a rectangle too big for the bounds ends on their right (bottom) edge.
    void Pin(const CxRect& inBounds);

    // Moves the rectangle so that its centre lands on the point or on the other rectangle's centre; the X and Y
    // forms move along one axis only.
    void CenterOn(CxSint16 inH, CxSint16 inV);
    void CenterOn(const CxPoint& inPoint) { CenterOn(inPoint.h, inPoint.v); }
    void CenterOn(const CxRect& inRect) { CenterOn(inRect.XCenter(), inRect.YCenter()); }
    void CenterOnX(const CxPoint& inPoint) { CenterOnX(inPoint.h); }
    void CenterOnX(const CxRect& inRect) { CenterOnX(inRect.XCenter()); }
    void CenterOnY(const CxPoint& inPoint) { CenterOnY(inPoint.v); }
    void CenterOnY(const CxRect& inRect) { CenterOnY(inRect.YCenter()); }

private:
    void CenterOnX(CxSint16 inH);
    void CenterOnY(CxSint16 inV);
};
