// Polygons (one ring or polyline of map points with its bounds) and shapes (an owned list of polygons, filled by
// a small builder protocol while a decoder reads a file). Values only; the drawing calls need a current GL
// context on the calling thread.
#pragma once

#include "CxTypes.h"
#include "GxCoordinates.h"

#include <memory>
#include <vector>

class GxContext;
class GxPolygon;
class GxTesselator;

using GxPolygonList = std::vector<std::unique_ptr<GxPolygon>>;

class GxPolygon
{
public:
    using const_iterator = std::vector<GxPoint>::const_iterator;

    GxPolygon() = default;
    GxPolygon(const GxPolygon&) = default;
    GxPolygon(GxPolygon&&) = default;
    GxPolygon& operator=(const GxPolygon&) = default;
    GxPolygon& operator=(GxPolygon&&) = default;

    // Appends the point and grows the bounds around it.
    void Add(const GxPoint& inPoint);
    void Clear();
    // Appends the first point unless the last one already equals it.
    void Close();
    bool IsClosed() const { return !mPoints.empty() && mPoints.front() == mPoints.back(); }
    void ReservePoints(CxUint32 inCount) { mPoints.reserve(inCount); }
    CxUint32 CountPoints() const { return CxUint32(mPoints.size()); }
    const_iterator BeginPoints() const { return mPoints.begin(); }
    const_iterator EndPoints() const { return mPoints.end(); }
    const std::vector<GxPoint>& Points() const { return mPoints; }
    // The smallest rectangle around the points; (0, 0, 0, 0) while empty.
    const GxRect& Bounds() const { return mBounds; }
    [[nodiscard]] std::unique_ptr<GxPolygon> Copy() const { return std::make_unique<GxPolygon>(*this); }

    // Only a closed ring contains anything; a point on the edge may count either way (a square's top edge counts
    // as inside, its bottom edge as outside).
    bool Contains(const GxPoint& inPoint) const;

    // One line strip in the current colour.
    void Outline() const;
    // Fills the ring on its own (odd winding).
    void DrawFilled() const;
    // Adds the ring as one contour to a tessellation the caller has begun. Vertices that are not finite are left
    // out, and a contour of fewer than 3 points is not handed over.
    void DrawFilled(GxTesselator& ioTesselator) const;

    // The ring cut to the rectangle so that it can still be filled; appended as one polygon when anything is left.
    void ClipToRectFillable(const GxRect& inRect, GxPolygonList& ioList) const;
    // The polyline cut into the pieces that lie in the rectangle (edges included), appended in order.
    void ClipToRectUnfillable(const GxRect& inRect, GxPolygonList& ioList) const;

private:
    GxRect mBounds;
    std::vector<GxPoint> mPoints;
};

class GxShape
{
public:
    using iterator = GxPolygonList::iterator;
    using const_iterator = GxPolygonList::const_iterator;
    using const_reverse_iterator = GxPolygonList::const_reverse_iterator;

    GxShape() = default;
    // Copies of every polygon; a polygon being built is not copied.
    GxShape(const GxShape& inOther);
    GxShape& operator=(const GxShape& inOther);
    virtual ~GxShape();

    // Builder. BeginData drops the finished polygons. AcceptVertex comes before the first point of every polygon:
    // it finishes the one being built (closed first when asked; kept only when it has points) and starts a new
    // one. EndData finishes the last without closing. Close, ReservePoints and AcceptPoint work on the polygon
    // being built; without one they log and do nothing.
    void BeginData();
    void AcceptVertex(bool inClose);
    void AcceptPoint(const GxPoint& inPoint);
    void EndData();
    void Close();
    void ReservePoints(CxUint32 inCount);

    void ClearPolygons() { mPolygons.clear(); }
    CxUint32 CountPolygons() const { return CxUint32(mPolygons.size()); }
    CxUint32 CountPoints() const;
    iterator ShapeBegin() { return mPolygons.begin(); }
    iterator ShapeEnd() { return mPolygons.end(); }
    const_iterator ShapeBegin() const { return mPolygons.begin(); }
    const_iterator ShapeEnd() const { return mPolygons.end(); }
    const_reverse_iterator ReverseShapeBegin() const { return mPolygons.rbegin(); }
    const_reverse_iterator ReverseShapeEnd() const { return mPolygons.rend(); }
    GxPolygonList& Polygons() { return mPolygons; }
    const GxPolygonList& Polygons() const { return mPolygons; }

    // The union of the polygons' bounds; (0, 0, 0, 0) without polygons.
    GxRect Bounds() const;
    // True when every polygon is closed (and so for no polygons).
    bool IsClosed() const;
    // Appends copies of the other shape's polygons.
    void Combine(const GxShape& inOther);
    [[nodiscard]] std::unique_ptr<GxShape> Copy() const { return std::make_unique<GxShape>(*this); }

    // Each polygon as its own line strip in the current colour.
    void Draw(GxContext& ioContext) const;

    // The outlines cut to the rectangle as open pieces.
    [[nodiscard]] std::unique_ptr<GxShape> ClipToRect(const GxRect& inRect) const;
    // The part to show in the rectangle: everything when the shape lies within it, nothing when it lies apart;
    // otherwise polygons within are copied, polygons across are cut (as rings when fillable, else as lines).
    [[nodiscard]] std::unique_ptr<GxShape> CreateClippedShape(const GxRect& inRect, bool inFillable) const;
    // Snaps every point to a grid of 1 / precision, keeping a point only when its cell differs from the last kept
    // one (for the first point: from cell (0, 0)). Polygons left empty stay. A precision of 0 changes nothing.
    void DownSample(double inPrecision);

private:
    std::unique_ptr<GxPolygon> mCurrent;
    GxPolygonList mPolygons;
};
