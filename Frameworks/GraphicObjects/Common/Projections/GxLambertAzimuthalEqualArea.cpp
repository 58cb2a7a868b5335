#include "GxProjection.h"
#include "GxProjectionSupport.h"

#include "CxDebug.h"

#include <cmath>

using namespace GxProjections;

GxLambertAzimuthalEqualAreaProjection::GxLambertAzimuthalEqualAreaProjection() : mCenter(0.0, 0.0)
{
    mSinLat0 = 0.0;
    mCosLat0 = 1.0;
}

GxLambertAzimuthalEqualAreaProjection::GxLambertAzimuthalEqualAreaProjection(const GxPosition& inCenter)
    : mCenter(inCenter)
{
    Setup();
}

GxProjection::Parameters GxLambertAzimuthalEqualAreaProjection::XmlParameters()
{
    return {{"stdLon", &mCenter.mLongitude}, {"stdLat", &mCenter.mLatitude}};
}

void GxLambertAzimuthalEqualAreaProjection::Setup()
{
    mSinLat0 = std::sin(mCenter.mLatitude);
    mCosLat0 = std::cos(mCenter.mLatitude);
    mBounds = GxRect(mCenter.mLongitude - kHalfPi, mCenter.mLatitude - kHalfPi, mCenter.mLongitude + kHalfPi,
                     mCenter.mLatitude + kHalfPi);
}

GxPoint GxLambertAzimuthalEqualAreaProjection::Project(const GxPosition& inPosition) const
{
    double dLon = inPosition.mLongitude - mCenter.mLongitude;
    if (std::abs(dLon) >= kPi)
        dLon += dLon > 0.0 ? -kTwoPi : kTwoPi;
    double sinLat, cosLat, sinDLon, cosDLon;
    GxSinCos(inPosition.mLatitude, sinLat, cosLat);
    GxSinCos(dLon, sinDLon, cosDLon);
    const double k = kEarthSphereRadius * std::sqrt(2.0 / (1.0 + mSinLat0 * sinLat + mCosLat0 * cosLat * cosDLon));
    return GxPoint(k * cosLat * sinDLon / 1000.0, k * (mCosLat0 * sinLat - mSinLat0 * cosLat * cosDLon) / 1000.0);
}

GxVector GxLambertAzimuthalEqualAreaProjection::Project(const GxVector& inVector, const GxPosition&) const
{
    CxAssertText(false, "false");
    return inVector;
}

GxPosition GxLambertAzimuthalEqualAreaProjection::Unproject(const GxPoint& inPoint) const
{
    const double x = inPoint.mX * 1000.0;
    const double y = inPoint.mY * 1000.0;
    const double rho = std::hypot(x, y);
    if (rho <= 1e-10)
        return mCenter;
    const double z = 2.0 * std::asin(rho / (2.0 * kEarthSphereRadius));
    const double sinZ = std::sin(z);
    const double cosZ = std::cos(z);
    const double lat = std::asin(cosZ * mSinLat0 + sinZ * mCosLat0 * y / rho);
    double lon;
    if (std::abs(std::abs(mCenter.mLatitude) - kHalfPi) <= 1e-10)
    {
        lon =
            mCenter.mLatitude >= 0.0 ? mCenter.mLongitude + std::atan2(x, -y) : mCenter.mLongitude - std::atan2(-x, y);
    }
    else
    {
        const double t = cosZ - std::sin(lat) * mSinLat0;
        if (t == 0.0)
            return GxPosition(mCenter.mLongitude, lat);
        lon = mCenter.mLongitude + std::atan2(x * sinZ * mCosLat0, t * rho);
    }
    if (std::abs(lon) >= kPi)
        lon += lon > 0.0 ? -kTwoPi : kTwoPi;
    return GxPosition(lon, lat);
}

bool GxLambertAzimuthalEqualAreaProjection::SupportsVectorProjection() const
{
    return false;
}
