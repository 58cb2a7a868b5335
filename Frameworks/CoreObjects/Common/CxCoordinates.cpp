#include "CxCoordinates.h"

#include "CxDebug.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace
{

CxSint16 Wrap(int inValue)
{
    return static_cast<CxSint16>(inValue);
}

// Truncates towards zero and keeps the low 16 bits; a non-finite value gives 0.
CxSint16 WrapDouble(double inValue)
{
    if (!std::isfinite(inValue))
        return 0;
    constexpr double kLimit = 4611686018427387904.0; // 2^62: well inside the 64-bit range
    const double truncated = std::trunc(std::clamp(inValue, -kLimit, kLimit));
    return static_cast<CxSint16>(static_cast<CxSint64>(truncated));
}

std::vector<CxSint16> Coordinates(const CxString& inText, CxUint16 inSeparator)
{
    std::vector<CxSint16> values;
    for (const CxString& part : inText.Tokenize(inSeparator))
        values.push_back(part.AsCoordinate());
    return values;
}

} // namespace

// ---- CxPoint --------------------------------------------------------------------------------------------------

CxPoint::CxPoint(const CxString& inText)
{
    if (inText.Length() == 0)
        return;
    const CxStringList list = inText.Tokenize(',');
    CxAssert(list.size() == 2);
    auto part = list.begin();
    if (part != list.end())
        h = (part++)->AsCoordinate();
    if (part != list.end())
        v = part->AsCoordinate();
}

CxString CxPoint::AsString() const
{
    char text[24];
    std::snprintf(text, sizeof text, "%d,%d", h, v);
    return CxString(text);
}

bool CxPoint::Inside(const CxRect& inRect) const
{
    return inRect.Contains(*this);
}

CxPoint CxPoint::Pin(const CxRect& inRect) const
{
    CxPoint pinned(*this);
    pinned.h = std::max(pinned.h, inRect.left);
    if (pinned.h >= inRect.right)
        pinned.h = Wrap(inRect.right - 1);
    pinned.v = std::max(pinned.v, inRect.top);
    if (pinned.v >= inRect.bottom)
        pinned.v = Wrap(inRect.bottom - 1);
    return pinned;
}

CxPoint CxPoint::Map(const CxRect& inFrom, const CxRect& inTo) const
{
    const double scaleH = inFrom.Width() == 0 ? 0.0 : double(inTo.Width()) / double(inFrom.Width());
    const double scaleV = inFrom.Height() == 0 ? 0.0 : double(inTo.Height()) / double(inFrom.Height());
    return CxPoint(WrapDouble(inTo.left + scaleH * (h - inFrom.left)),
                   WrapDouble(inTo.top + scaleV * (v - inFrom.top)));
}

// ---- CxRect ---------------------------------------------------------------------------------------------------

CxRect::CxRect(const CxPoint& inA, const CxPoint& inB)
    : CxRect(std::min(inA.h, inB.h), std::min(inA.v, inB.v), std::max(inA.h, inB.h), std::max(inA.v, inB.v))
{
}

CxRect::CxRect(const CxString& inText)
{
    if (inText.Length() == 0)
        return;
    const std::vector<CxSint16> parts = Coordinates(inText, ',');
    left = parts[0];
    if (parts.size() > 1)
        top = parts[1];
    if (parts.size() > 2)
        right = Wrap(left + parts[2]);
    if (parts.size() > 3)
        bottom = Wrap(top + parts[3]);
}

CxRect CxRect::FromTLBR(const CxString& inText)
{
    const std::vector<CxSint16> parts = Coordinates(inText, ' ');
    CxRect rect;
    CxSint16* const edges[4] = {&rect.top, &rect.left, &rect.bottom, &rect.right};
    for (std::size_t i = 0; i < 4 && i < parts.size(); ++i)
        *edges[i] = parts[i];
    return rect;
}

CxRect CxRect::FromLTRB(const CxString& inText)
{
    const std::vector<CxSint16> parts = Coordinates(inText, ' ');
    CxRect rect;
    CxSint16* const edges[4] = {&rect.left, &rect.top, &rect.right, &rect.bottom};
    for (std::size_t i = 0; i < 4 && i < parts.size(); ++i)
        *edges[i] = parts[i];
    return rect;
}

CxRect CxRect::FromLTWH(const CxString& inText)
{
    const std::vector<CxSint16> parts = Coordinates(inText, ' ');
    CxRect rect;
    rect.left = parts[0];
    if (parts.size() > 1)
        rect.top = parts[1];
    if (parts.size() > 2)
        rect.right = Wrap(rect.left + parts[2]);
    if (parts.size() > 3)
        rect.bottom = Wrap(rect.top + parts[3]);
    return rect;
}

CxString CxRect::AsString() const
{
    char text[48];
    std::snprintf(text, sizeof text, "%d,%d,%d,%d", left, top, Width(), Height());
    return CxString(text);
}

void CxRect::Offset(CxSint16 inH, CxSint16 inV)
{
    left = Wrap(left + inH);
    right = Wrap(right + inH);
    top = Wrap(top + inV);
    bottom = Wrap(bottom + inV);
}

void CxRect::Inset(CxSint16 inH, CxSint16 inV)
{
    left = Wrap(left + inH);
    right = Wrap(right - inH);
    top = Wrap(top + inV);
    bottom = Wrap(bottom - inV);
}

void CxRect::Outset(CxSint16 inH, CxSint16 inV)
{
    left = Wrap(left - inH);
    right = Wrap(right + inH);
    top = Wrap(top - inV);
    bottom = Wrap(bottom + inV);
}

void CxRect::Normalize()
{
    const CxSint16 width = Width();
    const CxSint16 height = Height();
    left = 0;
    top = 0;
    right = width;
    bottom = height;
}

bool CxRect::Contains(const CxPoint& inPoint) const
{
    return left <= inPoint.h && inPoint.h < right && top <= inPoint.v && inPoint.v < bottom;
}

bool CxRect::Contains(const CxRect& inRect) const
{
    return left <= inRect.left && top <= inRect.top && inRect.right <= right && inRect.bottom <= bottom;
}

void CxRect::ExpandToContain(const CxPoint& inPoint)
{
    left = std::min(left, inPoint.h);
    top = std::min(top, inPoint.v);
    right = std::max(right, inPoint.h);
    bottom = std::max(bottom, inPoint.v);
}

CxRect CxRect::Union(const CxRect& inOther) const
{
    return CxRect(std::min(left, inOther.left), std::min(top, inOther.top), std::max(right, inOther.right),
                  std::max(bottom, inOther.bottom));
}

CxRect CxRect::Intersection(const CxRect& inOther) const
{
    return CxRect(std::max(left, inOther.left), std::max(top, inOther.top), std::min(right, inOther.right),
                  std::min(bottom, inOther.bottom));
}

void CxRect::Pin(const CxRect& inBounds)
{
    if (inBounds.left > left)
        Offset(Wrap(inBounds.left - left), 0);
    if (inBounds.right < right)
        Offset(Wrap(inBounds.right - right), 0);
    if (inBounds.top > top)
        Offset(0, Wrap(inBounds.top - top));
    if (inBounds.bottom < bottom)
        Offset(0, Wrap(inBounds.bottom - bottom));
}

void CxRect::CenterOn(CxSint16 inH, CxSint16 inV)
{
    CenterOnX(inH);
    CenterOnY(inV);
}

void CxRect::CenterOnX(CxSint16 inH)
{
    Offset(Wrap(inH - XCenter()), 0);
}

void CxRect::CenterOnY(CxSint16 inV)
{
    Offset(0, Wrap(inV - YCenter()));
}
