#include "GxProjection.h"
#include "GxProjectionSupport.h"

#include "CxDebug.h"

#include <algorithm>
#include <cmath>
#include <limits>

using namespace GxProjections;

GxLambertConformalProjection::GxLambertConformalProjection()
    : GxLambertConformalProjection(DegreesToRadians(-98.0), DegreesToRadians(33.0), DegreesToRadians(45.0))
{
}

GxLambertConformalProjection::GxLambertConformalProjection(double inStdLon, double inStdLat1, double inStdLat2)
    : mStdLon(inStdLon), mStdLat1(inStdLat1), mStdLat2(inStdLat2)
{
    Setup();
}

GxProjection::Parameters GxLambertConformalProjection::XmlParameters()
{
    return {{"stdLon", &mStdLon}, {"stdLat1", &mStdLat1}, {"stdLat2", &mStdLat2}};
}

void GxLambertConformalProjection::Setup()
{
    mCosLat1 = std::cos(mStdLat1);
    mS = 1.0;
    mT1 = std::tan(kQuarterPi - mStdLat1 / 2.0);
    mBounds = GxRect(mStdLon - kHalfPi, mStdLat1 - kQuarterPi, mStdLon + kHalfPi, mStdLat2 + kQuarterPi);
    double t2 = std::tan(kQuarterPi - mStdLat2 / 2.0);
    const double logRatio = t2 != 0.0 ? std::log(mT1 / t2) : 0.0;
    // cos(pi/2) is not quite 0 in doubles: a second latitude this close to a pole makes no cone.
    const bool lat2AtPole = std::abs(std::cos(mStdLat2)) < 1e-12;

    mN = kNaN;
    if (!lat2AtPole && logRatio != 0.0)
    {
        mN = std::log(mCosLat1 / std::cos(mStdLat2)) / logRatio;
        if (mN < 0.0)
        {
            mS = -1.0;
            mT1 = std::tan(kQuarterPi - mS * mStdLat1 / 2.0);
            t2 = std::tan(kQuarterPi - mS * mStdLat2 / 2.0);
            const double southLogRatio = std::log(mT1 / t2);
            if (southLogRatio != 0.0)
                mN = std::log(mCosLat1 / std::cos(mStdLat2)) / southLogRatio;
            else
            {
                CxAssertText(false, "false");
                mN = kNaN;
            }
        }
    }
    else if (logRatio == 0.0 && t2 != 0.0)
    {
        mN = std::sin(mS * mStdLat1);
        if (mN < 0.0)
        {
            mS = -1.0;
            mN = std::sin(mS * mStdLat1);
            mT1 = std::tan(kQuarterPi - mS * mStdLat1 / 2.0);
        }
    }
    else
        CxAssertText(false, "false");

    mRn = kR / mN;
    mInvN = 1.0 / mN;
    mRnCosLat1 = mRn * mCosLat1;
    mInvRnCosLat1 = 1.0 / mRnCosLat1;
    mLogRhoScale = std::log(mRnCosLat1) - mN * std::log(mT1);
    mRho = GxFixedPower(mN, mLogRhoScale);
}

GxPoint GxLambertConformalProjection::Project(const GxPosition& inPosition) const
{
    // t = tan(pi/4 - s lat/2) = cos lat / (1 + s sin lat) (a tan costs twice as much), and rho = Rn cos(lat1)
    // (t / t1)^n = e^(n ln t + scale), from tables. The latitude's and the cone angle's sines and cosines come in
    // one go.
    const double lat = inPosition.mLatitude;
    double sinLat, cosLat, sinTheta, cosTheta;
    GxSinCos2(lat, mN * WrapLongitude(inPosition.mLongitude - mStdLon), sinLat, cosLat, sinTheta, cosTheta);
    double t = cosLat / (1.0 + mS * sinLat);
    if (std::abs(lat) >= kHalfPi)
        t = mS * lat > 0.0 ? 0.0 : std::numeric_limits<double>::infinity();
    const double rho = mRho(t);
    return GxPoint(rho * sinTheta, -mS * rho * cosTheta);
}

GxVector GxLambertConformalProjection::Project(const GxVector& inVector, const GxPosition& inPosition) const
{
    // A southern cone opens the other way, so its meridians turn the other way.
    return Turn(inVector, -mS * mN * WrapLongitude(inPosition.mLongitude - mStdLon));
}

GxPosition GxLambertConformalProjection::Unproject(const GxPoint& inPoint) const
{
    const double rho = std::hypot(inPoint.mX, inPoint.mY) * mInvRnCosLat1;
    const double lat = mS * (kHalfPi - 2.0 * std::atan(mT1 * std::pow(rho, mInvN)));
    const double theta = std::atan2(inPoint.mX, -mS * inPoint.mY);
    const double lon = WrapLongitude(mStdLon + theta * mInvN);
    return GxPosition(std::clamp(lon, -kPi, kPi), std::clamp(lat, -kHalfPi, kHalfPi));
}
