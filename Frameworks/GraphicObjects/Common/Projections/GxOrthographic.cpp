#include "GxProjection.h"
#include "GxProjectionSupport.h"

#include <algorithm>
#include <cmath>

using namespace GxProjections;

GxOrthographicProjection::GxOrthographicProjection()
    : GxOrthographicProjection(GxPosition().FromDegrees(-97.278, 35.333))
{
}

GxOrthographicProjection::GxOrthographicProjection(const GxPosition& inCenter) : mCenter(inCenter)
{
    Setup();
}

GxProjection::Parameters GxOrthographicProjection::XmlParameters()
{
    return {{"stdLon", &mCenter.mLongitude}, {"stdLat", &mCenter.mLatitude}};
}

void GxOrthographicProjection::Setup()
{
    mCosLat0 = std::cos(mCenter.mLatitude);
    mSinLat0 = std::sin(mCenter.mLatitude);
    mBounds = GxRect(mCenter.mLongitude - kQuarterPi, mCenter.mLatitude - kPi / 6.0, mCenter.mLongitude + kQuarterPi,
                     mCenter.mLatitude + kPi / 6.0);
}

GxPoint GxOrthographicProjection::Project(const GxPosition& inPosition) const
{
    double sinLat, cosLat, sinDLon, cosDLon;
    GxSinCos(inPosition.mLatitude, sinLat, cosLat);
    GxSinCos(inPosition.mLongitude - mCenter.mLongitude, sinDLon, cosDLon);
    return GxPoint(kStdRadius * cosLat * sinDLon, kStdRadius * (mCosLat0 * sinLat - mSinLat0 * cosLat * cosDLon));
}

GxVector GxOrthographicProjection::Project(const GxVector& inVector, const GxPosition& inPosition) const
{
    // North on the map is the derivative of the projected point by latitude; it leans away from the centre
    // meridian.
    double sinLat, cosLat, sinDLon, cosDLon;
    GxSinCos(inPosition.mLatitude, sinLat, cosLat);
    GxSinCos(inPosition.mLongitude - mCenter.mLongitude, sinDLon, cosDLon);
    return Turn(inVector, std::atan2(-sinLat * sinDLon, mCosLat0 * cosLat + mSinLat0 * sinLat * cosDLon));
}

GxPosition GxOrthographicProjection::Unproject(const GxPoint& inPoint) const
{
    const double rho = std::hypot(inPoint.mX, inPoint.mY);
    if (rho == 0.0)
        return mCenter;
    const double s = rho / kStdRadius;
    if (s > 1.0)
        return GxPosition(kNaN, kNaN);
    const double c = std::sqrt(1.0 - s * s);
    const double sinLat = std::clamp(mSinLat0 * c + inPoint.mY * s * mCosLat0 / rho, -1.0, 1.0);
    return GxPosition(mCenter.mLongitude + std::atan2(inPoint.mX * s, c * rho * mCosLat0 - inPoint.mY * mSinLat0 * s),
                      std::asin(sinLat));
}
