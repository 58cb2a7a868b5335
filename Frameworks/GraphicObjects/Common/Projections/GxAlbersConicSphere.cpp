#include "GxProjection.h"
#include "GxProjectionSupport.h"

#include "CxDebug.h"

#include <cmath>

using namespace GxProjections;

GxAlbersConicSphereProjection::GxAlbersConicSphereProjection()
    : GxAlbersConicSphereProjection(GxPosition().FromDegrees(0.0, 35.48), DegreesToRadians(33.0),
                                    DegreesToRadians(45.0))
{
}

GxAlbersConicSphereProjection::GxAlbersConicSphereProjection(const GxPosition& inCenter, double inStdLat1,
                                                             double inStdLat2)
    : GxAlbersKind(inCenter, inStdLat1, inStdLat2)
{
    Setup();
}

void GxAlbersConicSphereProjection::Setup()
{
    const double sinLat1 = std::sin(mStdLat1);
    const double cosLat1 = std::cos(mStdLat1);
    mN = (sinLat1 + std::sin(mStdLat2)) / 2.0;
    CxAssertText(mN > 0.0, "mN > 0");
    mC = cosLat1 * cosLat1 + 2.0 * mN * sinLat1;
    mRho0 = kEarthRadius * std::sqrt(mC - 2.0 * mN * std::sin(mCenter.mLatitude)) / mN;
}

GxPoint GxAlbersConicSphereProjection::Project(const GxPosition& inPosition) const
{
    const double rho = kEarthRadius * std::sqrt(mC - 2.0 * mN * std::sin(inPosition.mLatitude)) / mN;
    const double theta = mN * (inPosition.mLongitude - mCenter.mLongitude);
    CxAssertText(theta >= -kPi && theta <= kPi, "(theta >= -cxPi) && (theta <= cxPi)");
    double sinTheta, cosTheta;
    GxSinCos(theta, sinTheta, cosTheta);
    return GxPoint(rho * sinTheta, mRho0 - rho * cosTheta);
}

GxVector GxAlbersConicSphereProjection::Project(const GxVector& inVector, const GxPosition& inPosition) const
{
    return Turn(inVector, (mCenter.mLongitude - inPosition.mLongitude) * mN);
}

GxPosition GxAlbersConicSphereProjection::Unproject(const GxPoint& inPoint) const
{
    const double rho0MinusY = mRho0 - inPoint.mY;
    const double rho = std::hypot(inPoint.mX, rho0MinusY);
    const double theta = AlbersTheta(inPoint.mX, rho0MinusY, mN);
    const double rhoN = rho * mN / kEarthRadius;
    double sinLat = (mC - rhoN * rhoN) / (2.0 * mN);
    // Rounding can carry the poles just past +-1.
    if (std::abs(sinLat) > 1.0 && std::abs(sinLat) < 1.0 + 1e-12)
        sinLat = std::copysign(1.0, sinLat);
    return GxPosition(theta / mN + mCenter.mLongitude, std::asin(sinLat));
}
