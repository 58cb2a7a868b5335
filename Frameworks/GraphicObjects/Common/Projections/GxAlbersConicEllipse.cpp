#include "GxProjection.h"
#include "GxProjectionSupport.h"

#include <cmath>

using namespace GxProjections;

namespace
{
constexpr double kEllipseE = 0.0818191913108684;
constexpr double kEllipseE2 = 0.0066943800667644835;
constexpr double kEllipseOneMinusE2 = 0.9933056199332355;
constexpr double kEllipseInvTwoE = 6.1110357116617315;
constexpr double kEllipseA2 = 40680631.59076899; // km^2

double EllipseQ(double inSinLat)
{
    const double eSin = kEllipseE * inSinLat;
    return kEllipseOneMinusE2 * (inSinLat / (1.0 - kEllipseE2 * inSinLat * inSinLat) -
                                 kEllipseInvTwoE * std::log((1.0 - eSin) / (1.0 + eSin)));
}

double EllipseM(double inLat)
{
    const double sinLat = std::sin(inLat);
    return std::cos(inLat) / std::sqrt(1.0 - kEllipseE2 * sinLat * sinLat);
}
} // namespace

GxAlbersConicEllipseProjection::GxAlbersConicEllipseProjection()
    : GxAlbersConicEllipseProjection(GxPosition().FromDegrees(0.0, 35.48), DegreesToRadians(33.0),
                                     DegreesToRadians(45.0))
{
}

GxAlbersConicEllipseProjection::GxAlbersConicEllipseProjection(const GxPosition& inCenter, double inStdLat1,
                                                               double inStdLat2)
    : GxAlbersKind(inCenter, inStdLat1, inStdLat2)
{
    Setup();
}

void GxAlbersConicEllipseProjection::Setup()
{
    const double m1 = EllipseM(mStdLat1);
    const double m2 = EllipseM(mStdLat2);
    const double q1 = EllipseQ(std::sin(mStdLat1));
    const double q2 = EllipseQ(std::sin(mStdLat2));
    mN = (m1 * m1 - m2 * m2) / (q2 - q1);
    mC = m1 * m1 + mN * q1;
    mRho0 = kEquatorialRadius * std::sqrt(mC - mN * EllipseQ(std::sin(mCenter.mLatitude))) / mN;
}

GxPoint GxAlbersConicEllipseProjection::Project(const GxPosition& inPosition) const
{
    const double rho = kEquatorialRadius * std::sqrt(mC - mN * EllipseQ(std::sin(inPosition.mLatitude))) / mN;
    double sinTheta, cosTheta;
    GxSinCos(mN * (inPosition.mLongitude - mCenter.mLongitude), sinTheta, cosTheta);
    return GxPoint(rho * sinTheta, mRho0 - rho * cosTheta);
}

GxVector GxAlbersConicEllipseProjection::Project(const GxVector& inVector, const GxPosition& inPosition) const
{
    return Turn(inVector, (mCenter.mLongitude - inPosition.mLongitude) * mN);
}

GxPosition GxAlbersConicEllipseProjection::Unproject(const GxPoint& inPoint) const
{
    const double rho0MinusY = mRho0 - inPoint.mY;
    const double rho = std::hypot(inPoint.mX, rho0MinusY);
    const double theta = AlbersTheta(inPoint.mX, rho0MinusY, mN);
    const double q = (mC - rho * rho * mN * mN / kEllipseA2) / mN;
    double lat = std::asin(q / 2.0);
    // A NaN step must end the loop too, hence the negated comparison.
    for (int step = 0; step < 100; ++step)
    {
        const double sinLat = std::sin(lat);
        const double eSin = kEllipseE * sinLat;
        const double oneMinus = 1.0 - kEllipseE2 * sinLat * sinLat;
        const double delta =
            oneMinus * oneMinus / (2.0 * std::cos(lat)) *
            (q / kEllipseOneMinusE2 - sinLat / oneMinus + kEllipseInvTwoE * std::log((1.0 - eSin) / (1.0 + eSin)));
        lat += delta;
        if (!(std::abs(delta) >= 0.0001))
            break;
    }
    return GxPosition(theta / mN + mCenter.mLongitude, lat);
}
