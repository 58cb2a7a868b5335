#include "GxProjection.h"
#include "GxProjectionSupport.h"

using namespace GxProjections;

GxPoint GxRadianProjection::Project(const GxPosition& inPosition) const
{
    return GxPoint(inPosition.mLongitude, inPosition.mLatitude);
}

GxVector GxRadianProjection::Project(const GxVector& inVector, const GxPosition&) const
{
    return inVector;
}

GxPosition GxRadianProjection::Unproject(const GxPoint& inPoint) const
{
    return GxPosition(inPoint.mX, inPoint.mY);
}
