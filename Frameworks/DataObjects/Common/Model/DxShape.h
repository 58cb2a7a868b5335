// Vector frames: a frame that is also a multi-polygon, whose points are coordinates in the frame's projection.
// Shapes move between projections by copying, reprojecting and clipping to the target projection's bounds.
#pragma once

#include "DxFrame.h"
#include "GxPolygon.h"

#include <memory>

enum DxShapeType : CxSint32
{
    kDxShapeNull = 0,
    kDxShapePoint = 1,
    kDxShapePolyLine = 3,
    kDxShapePolygon = 5,
    kDxShapeNotEsri = 1234 // built by the program, never read from a shapefile
};

class DxShape : public DxFrame, public GxShape
{
public:
    explicit DxShape(const GxProjection& inProjection);
    // Projection, type and polygons; fields stay behind.
    DxShape(const DxShape& inOther);
    DxShape& operator=(const DxShape& inOther);
    ~DxShape() override;

    CxSint32 Type() const { return mType; }
    void SetType(CxSint32 inType) { mType = inType; }

    // Projects the position and appends it to the polygon being built.
    void AcceptPosition(const GxPosition& inPosition);

    // The shape in another projection, with copies of every field. Shapes inside the target's bounds are
    // reprojected whole; others are cut to the bounds as open pieces.
    [[nodiscard]] std::unique_ptr<DxShape> Copy(const GxProjection& inProjection) const;
    // Appends the other's polygons, brought into this projection first, and takes its type.
    void Combine(const DxShape* inOther);
    // Type 0 when nothing lies in the rectangle.
    [[nodiscard]] std::unique_ptr<DxShape> CreateClippedShape(const GxRect& inRect) const;

    // The target must be building (between BeginData and EndData).
    DxShape* Reproject(DxShape* ioTarget, const GxProjection& inProjection) const;
    DxShape* ClipAsLineSegments(DxShape* ioTarget, const GxProjection& inProjection) const;
    DxShape* ClipAsPolygon(DxShape* ioTarget, const GxProjection& inProjection) const;

private:
    void CopyPolygonsFrom(const DxShape& inOther);

    CxSint32 mType = kDxShapeNotEsri;
};
