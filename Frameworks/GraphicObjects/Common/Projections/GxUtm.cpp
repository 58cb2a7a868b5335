#include "GxProjection.h"
#include "GxProjectionSupport.h"

#include <cmath>

using namespace GxProjections;

namespace
{
constexpr double kUtmA = 6378137.0;
constexpr double kUtmInverseFlattening = 298.257222101;
constexpr double kUtmK0 = 0.9996;
constexpr double kUtmFalseEasting = 500000.0;
} // namespace

GxUtmProjection::GxUtmProjection() : GxUtmProjection(GxPosition().FromDegrees(-99.0, 0.0)) {}

GxUtmProjection::GxUtmProjection(const GxPosition& inOrigin) : mOrigin(inOrigin)
{
    Setup();
}

GxProjection::Parameters GxUtmProjection::XmlParameters()
{
    return {{"originLon", &mOrigin.mLongitude}, {"originLat", &mOrigin.mLatitude}};
}

void GxUtmProjection::Setup()
{
    const double f = 1.0 / kUtmInverseFlattening;
    mE2 = 2.0 * f - f * f;
    const double e4 = mE2 * mE2;
    const double e6 = e4 * mE2;
    mEp2 = mE2 / (1.0 - mE2);
    mE0 = 1.0 - mE2 / 4.0 - 3.0 * e4 / 64.0 - 5.0 * e6 / 256.0;
    mE1 = 3.0 * mE2 / 8.0 + 3.0 * e4 / 32.0 + 45.0 * e6 / 1024.0;
    mE2Coef = 15.0 * e4 / 256.0 + 45.0 * e6 / 1024.0;
    mE3 = 35.0 * e6 / 3072.0;
    mOriginLonDegrees = RadiansToDegrees(mOrigin.mLongitude);
    mM0 = MeridianArc(mOrigin.mLatitude, std::sin(mOrigin.mLatitude), std::cos(mOrigin.mLatitude));
    mInvAE0 = 1.0 / (kUtmA * mE0);
    const double root = std::sqrt(1.0 - mE2);
    const double e1 = (1.0 - root) / (1.0 + root);
    const double e1Squared = e1 * e1;
    mFoot1 = 3.0 * e1 / 2.0 - 27.0 * e1 * e1Squared / 32.0;
    mFoot2 = 21.0 * e1Squared / 16.0 - 55.0 * e1Squared * e1Squared / 32.0;
    mFoot3 = 151.0 * e1 * e1Squared / 96.0;
    mFoot4 = 1097.0 * e1Squared * e1Squared / 512.0;
}

double GxUtmProjection::MeridianArc(double inLat, double inSin, double inCos) const
{
    // sin 2x, sin 4x and sin 6x from one sine and cosine.
    const double sin2 = 2.0 * inSin * inCos;
    const double cos2 = inCos * inCos - inSin * inSin;
    const double sin4 = 2.0 * sin2 * cos2;
    const double cos4 = cos2 * cos2 - sin2 * sin2;
    const double sin6 = sin4 * cos2 + cos4 * sin2;
    return kUtmA * (mE0 * inLat - mE1 * sin2 + mE2Coef * sin4 - mE3 * sin6);
}

GxPoint GxUtmProjection::Project(const GxPosition& inPosition) const
{
    const double lat = inPosition.mLatitude;
    double lon = RadiansToDegrees(inPosition.mLongitude);
    if (lon < 0.0)
        lon += 360.0;

    double x;
    double y;
    if (std::abs(std::abs(RadiansToDegrees(lat)) - 90.0) < 1e-8)
    {
        x = 0.0;
        y = kUtmK0 * (std::copysign(kUtmA * mE0 * kHalfPi, lat) - mM0);
    }
    else
    {
        double dLon = lon - mOriginLonDegrees;
        if (std::abs(dLon) > 360.0)
            dLon += dLon > 0.0 ? -360.0 : 360.0;
        if (std::abs(dLon) > 180.0)
            dLon = dLon > 0.0 ? -std::abs(360.0 - std::abs(dLon)) : std::abs(360.0 - std::abs(dLon));

        double sinLat, cosLat;
        GxSinCos(lat, sinLat, cosLat);
        const double tanLat = sinLat / cosLat;
        const double a = DegreesToRadians(dLon) * cosLat;
        const double a2 = a * a;
        const double n = kUtmA / std::sqrt(1.0 - mE2 * sinLat * sinLat);
        const double t = tanLat * tanLat;
        const double c = mEp2 * cosLat * cosLat;
        x = kUtmK0 * n * a *
            (1.0 + a2 * ((1.0 - t + c) / 6.0 + a2 * (5.0 - 18.0 * t + t * t + 72.0 * c - 58.0 * mEp2) / 120.0));
        y = kUtmK0 * (MeridianArc(lat, sinLat, cosLat) - mM0 +
                      n * tanLat *
                          (a2 * (0.5 + a2 * ((5.0 - t + 9.0 * c + 4.0 * c * c) / 24.0 +
                                             a2 * (61.0 - 58.0 * t + t * t + 600.0 * c - 330.0 * mEp2) / 720.0))));
    }
    return GxPoint((x + kUtmFalseEasting) / 1000.0, y / 1000.0);
}

GxVector GxUtmProjection::Project(const GxVector& inVector, const GxPosition& inPosition) const
{
    // Grid north leans from true north by the meridian convergence.
    return Turn(inVector,
                -std::atan(std::tan(inPosition.mLongitude - mOrigin.mLongitude) * std::sin(inPosition.mLatitude)));
}

GxPosition GxUtmProjection::Unproject(const GxPoint& inPoint) const
{
    const double m = inPoint.mY * 1000.0 / kUtmK0 + mM0;
    const double mu = m * mInvAE0;
    const double lat1 = mu + mFoot1 * std::sin(2.0 * mu) + mFoot2 * std::sin(4.0 * mu) + mFoot3 * std::sin(6.0 * mu) +
                        mFoot4 * std::sin(8.0 * mu);
    const double sin1 = std::sin(lat1);
    const double cos1 = std::cos(lat1);
    const double tan1 = sin1 / cos1;
    const double c1 = mEp2 * cos1 * cos1;
    const double t1 = tan1 * tan1;
    const double w = 1.0 - mE2 * sin1 * sin1;
    const double n1 = kUtmA / std::sqrt(w);
    const double r1 = kUtmA * (1.0 - mE2) / (w * std::sqrt(w));
    const double d = (inPoint.mX * 1000.0 - kUtmFalseEasting) / (n1 * kUtmK0);
    const double d2 = d * d;

    const double lat =
        lat1 -
        (n1 * tan1 / r1) *
            (d2 / 2.0 - (5.0 + 3.0 * t1 + 10.0 * c1 - 4.0 * c1 * c1 - 9.0 * mEp2) * d2 * d2 / 24.0 +
             (61.0 + 90.0 * t1 + 298.0 * c1 + 45.0 * t1 * t1 - 252.0 * mEp2 - 3.0 * c1 * c1) * d2 * d2 * d2 / 720.0);
    const double lon =
        mOrigin.mLongitude +
        (d - (1.0 + 2.0 * t1 + c1) * d * d2 / 6.0 +
         (5.0 - 2.0 * c1 + 28.0 * t1 - 3.0 * c1 * c1 + 8.0 * mEp2 + 24.0 * t1 * t1) * d * d2 * d2 / 120.0) /
            cos1;
    return GxPosition(lon, lat);
}
