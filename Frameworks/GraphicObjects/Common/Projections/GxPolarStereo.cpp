#include "GxProjection.h"
#include "GxProjectionSupport.h"

#include <cmath>

using namespace GxProjections;

GxPolarStereoProjection::GxPolarStereoProjection() : GxPolarStereoProjection(GxPosition().FromDegrees(-98.68, 35.48)) {}

GxPolarStereoProjection::GxPolarStereoProjection(const GxPosition& inCenter) : mCenter(inCenter)
{
    mBounds = GxRect(-kPi, 0.0, kPi, kHalfPi);
    Setup();
}

GxProjection::Parameters GxPolarStereoProjection::XmlParameters()
{
    return {{"stdLon", &mCenter.mLongitude}, {"stdLat", &mCenter.mLatitude}};
}

void GxPolarStereoProjection::Setup()
{
    mK = (1.0 + std::sin(mCenter.mLatitude)) * kRho;
}

GxPoint GxPolarStereoProjection::Project(const GxPosition& inPosition) const
{
    double sinLat, cosLat, sinDLon, cosDLon;
    GxSinCos(inPosition.mLatitude, sinLat, cosLat);
    GxSinCos(inPosition.mLongitude - mCenter.mLongitude, sinDLon, cosDLon);
    const double r = mK * cosLat / (1.0 + sinLat);
    return GxPoint(r * sinDLon, -r * cosDLon);
}

GxVector GxPolarStereoProjection::Project(const GxVector& inVector, const GxPosition& inPosition) const
{
    return Turn(inVector, mCenter.mLongitude - inPosition.mLongitude);
}

GxPosition GxPolarStereoProjection::Unproject(const GxPoint& inPoint) const
{
    const double lon = WrapLongitude(mCenter.mLongitude - std::atan2(-inPoint.mX, -inPoint.mY));
    const double lat = kHalfPi - 2.0 * std::atan2(std::hypot(inPoint.mX, inPoint.mY), mK);
    return GxPosition(lon, lat);
}
