#include "GxProjection.h"
#include "GxProjectionSupport.h"

#include <cmath>

using namespace GxProjections;

GxAlbersEqualAreaProjection::GxAlbersEqualAreaProjection()
    : GxAlbersEqualAreaProjection(GxPosition().FromDegrees(-98.0, 33.0), DegreesToRadians(34.0), DegreesToRadians(36.5))
{
}

GxAlbersEqualAreaProjection::GxAlbersEqualAreaProjection(const GxPosition& inCenter, double inStdLat1, double inStdLat2)
    : GxAlbersKind(inCenter, inStdLat1, inStdLat2)
{
    Setup();
}

double GxAlbersEqualAreaProjection::Q(double inSinLat) const
{
    const double eSin = mE * inSinLat;
    return (1.0 - mE2) *
           (inSinLat / (1.0 - mE2 * inSinLat * inSinLat) - mInvTwoE * std::log((1.0 - eSin) / (1.0 + eSin)));
}

void GxAlbersEqualAreaProjection::Setup()
{
    mE2 = 0.006694380022900787;
    mE = 0.08181919104281579;
    mInvOneMinusE2 = 1.0 / 0.9933056199770992;
    mInvTwoE = 6.111035731682451;
    mEpsilon = 1e-8;
    constexpr double a = kAlbersEqualAreaEarthRadius;

    const double sin1 = std::sin(mStdLat1);
    const double cos1 = std::cos(mStdLat1);
    const double m1Squared = cos1 * cos1 / (1.0 - mE2 * sin1 * sin1);
    const double q1 = Q(sin1);
    if (std::abs(mStdLat1 - mStdLat2) >= mEpsilon)
    {
        const double sin2 = std::sin(mStdLat2);
        const double cos2 = std::cos(mStdLat2);
        const double m2Squared = cos2 * cos2 / (1.0 - mE2 * sin2 * sin2);
        mN = (m1Squared - m2Squared) / (Q(sin2) - q1);
    }
    else
        mN = sin1;
    mInvN = 1.0 / mN;
    mC = m1Squared + mN * q1;
    mRho0 = a * std::sqrt(mC - mN * Q(std::sin(mCenter.mLatitude))) * mInvN;
    mN2OverA2 = mN * mN / (a * a);
    mQp = 1.0 - (1.0 - mE2) * mInvTwoE * std::log((1.0 - mE) / (1.0 + mE));
}

GxPoint GxAlbersEqualAreaProjection::Project(const GxPosition& inPosition) const
{
    double sinTheta, cosTheta;
    GxSinCos(mN * (inPosition.mLongitude - mCenter.mLongitude), sinTheta, cosTheta);
    const double rho = kAlbersEqualAreaEarthRadius * std::sqrt(mC - mN * Q(std::sin(inPosition.mLatitude))) * mInvN;
    return GxPoint(rho * sinTheta / 1000.0, (mRho0 - rho * cosTheta) / 1000.0);
}

GxVector GxAlbersEqualAreaProjection::Project(const GxVector& inVector, const GxPosition& inPosition) const
{
    return Turn(inVector, (mCenter.mLongitude - inPosition.mLongitude) * mN);
}

GxPosition GxAlbersEqualAreaProjection::Unproject(const GxPoint& inPoint) const
{
    const double x = inPoint.mX * 1000.0;
    const double rho0MinusY = mRho0 - inPoint.mY * 1000.0;
    const double theta = (x == 0.0 && rho0MinusY == 0.0) ? 0.0 : AlbersTheta(x, rho0MinusY, mN);
    const double rho = std::hypot(x, rho0MinusY);
    const double q = (mC - rho * rho * mN2OverA2) * mInvN;

    double lat;
    if (std::abs(std::abs(q) - mQp) < mEpsilon)
        lat = std::copysign(kHalfPi, q);
    else
    {
        lat = std::abs(q / 2.0) >= 1.0 ? std::copysign(kHalfPi, q) : std::asin(q / 2.0);
        for (int step = 0; step < 100; ++step)
        {
            const double sinLat = std::sin(lat);
            const double eSin = mE * sinLat;
            const double oneMinus = 1.0 - mE2 * sinLat * sinLat;
            const double delta =
                oneMinus * oneMinus / (2.0 * std::cos(lat)) *
                (q * mInvOneMinusE2 - sinLat / oneMinus + mInvTwoE * std::log((1.0 - eSin) / (1.0 + eSin)));
            lat += delta;
            if (!(std::abs(delta) > mEpsilon))
                break;
        }
    }
    return GxPosition(theta * mInvN + mCenter.mLongitude, lat);
}
