#include "DxShape.h"

#include "GxPolygonClipper.h"

#include <numbers>

namespace
{
constexpr double kDegreesToRadians = std::numbers::pi / 180.0;

GxRect ScaleRect(const GxRect& inRect, double inFactor)
{
    return GxRect(inRect.mLeft * inFactor, inRect.mBottom * inFactor, inRect.mRight * inFactor, inRect.mTop * inFactor);
}
} // namespace

DxShape::DxShape(const GxProjection& inProjection) : DxFrame(inProjection) {}

DxShape::DxShape(const DxShape& inOther) : DxFrame(*inOther.Projection()), GxShape(), mType(inOther.mType)
{
    CopyPolygonsFrom(inOther);
}

DxShape& DxShape::operator=(const DxShape& inOther)
{
    if (this != &inOther)
    {
        SetProjection(*inOther.Projection());
        mType = inOther.mType;
        CopyPolygonsFrom(inOther);
    }
    return *this;
}

DxShape::~DxShape() = default;

void DxShape::CopyPolygonsFrom(const DxShape& inOther)
{
    ClearPolygons();
    for (const auto& polygon : inOther.Polygons())
        Polygons().push_back(polygon->Copy());
}

void DxShape::AcceptPosition(const GxPosition& inPosition)
{
    AcceptPoint(Projection()->Project(inPosition));
}

std::unique_ptr<DxShape> DxShape::Copy(const GxProjection& inProjection) const
{
    auto result = std::make_unique<DxShape>(inProjection);
    result->mType = mType;
    result->BeginData();
    if (*Projection() == inProjection)
    {
        for (const auto& polygon : Polygons())
            result->Polygons().push_back(polygon->Copy());
    }
    else
    {
        const GxRect target = inProjection.Bounds();
        const GxRect own = ScaleRect(Bounds(), kDegreesToRadians);
        if (target.Contains(own))
            Reproject(result.get(), inProjection);
        else if (mType == kDxShapePoint || mType == kDxShapePolyLine || mType == kDxShapePolygon ||
                 mType == kDxShapeNotEsri)
            ClipAsLineSegments(result.get(), inProjection);
    }
    result->EndData();
    for (auto field = FieldBegin(); field != FieldEnd(); ++field)
        result->AdoptField((*field)->Copy());
    return result;
}

void DxShape::Combine(const DxShape* inOther)
{
    if (inOther == nullptr || inOther == this)
        return;
    if (*Projection() == *inOther->Projection())
        GxShape::Combine(*inOther);
    else
        GxShape::Combine(*inOther->Copy(*Projection()));
    mType = inOther->mType;
}

std::unique_ptr<DxShape> DxShape::CreateClippedShape(const GxRect& inRect) const
{
    auto result = std::make_unique<DxShape>(*Projection());
    std::unique_ptr<GxShape> clipped = GxShape::CreateClippedShape(inRect, mType == kDxShapePolygon);
    if (clipped)
        result->GxShape::operator=(*clipped);
    result->mType = result->CountPoints() > 0 ? mType : kDxShapeNull;
    return result;
}

DxShape* DxShape::Reproject(DxShape* ioTarget, const GxProjection& inProjection) const
{
    (void)inProjection; // the target projects through its own projection
    for (const auto& polygon : Polygons())
    {
        ioTarget->AcceptVertex(false);
        ioTarget->ReservePoints(polygon->CountPoints());
        for (const GxPoint& point : polygon->Points())
            ioTarget->AcceptPosition(Projection()->Unproject(point));
    }
    return ioTarget;
}

DxShape* DxShape::ClipAsLineSegments(DxShape* ioTarget, const GxProjection& inProjection) const
{
    for (const auto& polygon : Polygons())
    {
        const std::vector<GxPoint>& points = polygon->Points();
        ioTarget->AcceptVertex(false);
        CxUint32 count = 0;
        bool previousInside = false;
        GxPosition lastEnd;
        for (size_t i = 0; i + 1 < points.size(); ++i)
        {
            GxPosition start = Projection()->Unproject(points[i]);
            GxPosition end = Projection()->Unproject(points[i + 1]);
            if (inProjection.ClipLine(start, end))
            {
                ioTarget->AcceptPosition(start);
                lastEnd = end;
                ++count;
                previousInside = true;
            }
            else
            {
                if (previousInside)
                {
                    ioTarget->AcceptPosition(lastEnd);
                    ++count;
                }
                if (count > 0)
                {
                    ioTarget->AcceptVertex(false);
                    count = 0;
                }
                previousInside = false;
            }
        }
        if (previousInside)
        {
            ioTarget->AcceptPosition(lastEnd);
            ++count;
        }
        if (count > 0)
            ioTarget->AcceptVertex(false);
    }
    return ioTarget;
}

DxShape* DxShape::ClipAsPolygon(DxShape* ioTarget, const GxProjection& inProjection) const
{
    GxPolygonClipper clipper(ScaleRect(inProjection.Bounds(), 1.0 / kDegreesToRadians));
    std::vector<GxPoint> clipped;
    for (const auto& polygon : Polygons())
    {
        const bool closed = polygon->IsClosed();
        clipper.Clip(polygon->Points(), clipped);
        if (!clipped.empty())
        {
            ioTarget->AcceptVertex(closed);
            for (const GxPoint& point : clipped)
                ioTarget->AcceptPosition(GxPosition().FromDegrees(point.mX, point.mY));
        }
        ioTarget->AcceptVertex(closed);
    }
    return ioTarget;
}
