#include "GxProjection.h"
#include "GxProjectionSupport.h"

using namespace GxProjections;

GxPoint GxDegreeProjection::Project(const GxPosition& inPosition) const
{
    return GxPoint(RadiansToDegrees(inPosition.mLongitude), RadiansToDegrees(inPosition.mLatitude));
}

GxVector GxDegreeProjection::Project(const GxVector& inVector, const GxPosition&) const
{
    return inVector;
}

GxPosition GxDegreeProjection::Unproject(const GxPoint& inPoint) const
{
    return GxPosition().FromDegrees(inPoint.mX, inPoint.mY);
}

bool GxDegreeProjection::IsEqualTo(const GxProjection& inOther) const
{
    return GxProjectionKind::IsEqualTo(inOther) && inOther.Bounds() == mBounds;
}
