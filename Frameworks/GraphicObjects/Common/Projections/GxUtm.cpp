#include "GxProjection.h"
#include "GxProjectionSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using namespace GxProjections;

namespace
{
constexpr double kUtmA = 6378137.0;
constexpr double kUtmInverseFlattening = 298.257222101;
constexpr double kUtmK0 = 0.9996;
constexpr double kUtmFalseEasting = 500000.0;

// The same operation on a double and on each lane of a GxDouble2.
inline double Sqrt(double inValue)
{
    return std::sqrt(inValue);
}

inline GxDouble2 Sqrt(GxDouble2 inValue)
{
#if defined(__SSE2__)
    return reinterpret_cast<GxDouble2>(_mm_sqrt_pd(reinterpret_cast<__m128d>(inValue)));
#else
    return GxDouble2{std::sqrt(inValue[0]), std::sqrt(inValue[1])};
#endif
}

inline double CopySign(double inMagnitude, double inSign)
{
    return std::copysign(inMagnitude, inSign);
}

inline GxDouble2 CopySign(GxDouble2 inMagnitude, GxDouble2 inSign)
{
    constexpr std::int64_t kSignBit = std::numeric_limits<std::int64_t>::min();
    GxInt2 magnitude;
    GxInt2 sign;
    std::memcpy(&magnitude, &inMagnitude, sizeof magnitude);
    std::memcpy(&sign, &inSign, sizeof sign);
    const GxInt2 bits = (magnitude & ~kSignBit) | (sign & kSignBit);
    GxDouble2 result;
    std::memcpy(&result, &bits, sizeof result);
    return result;
}

template <typename V> inline V Abs(V inValue)
{
    return CopySign(inValue, V{});
}

inline void SinCos(double inRadians, double& outSin, double& outCos)
{
    GxSinCos(inRadians, outSin, outCos);
}

inline void SinCos(GxDouble2 inRadians, GxDouble2& outSin, GxDouble2& outCos)
{
    GxSinCos2(inRadians, outSin, outCos);
}
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

template <typename V> inline V GxUtmProjection::MeridianArc(V inLat, V inSin, V inCos) const
{
    // sin 2x, sin 4x and sin 6x from one sine and cosine.
    const V sin2 = 2.0 * inSin * inCos;
    const V cos2 = inCos * inCos - inSin * inSin;
    const V sin4 = 2.0 * sin2 * cos2;
    const V cos4 = cos2 * cos2 - sin2 * sin2;
    const V sin6 = sin4 * cos2 + cos4 * sin2;
    return kUtmA * (mE0 * inLat - mE1 * sin2 + mE2Coef * sin4 - mE3 * sin6);
}

// One position or a pair on its way through the three steps below. Without a branch on where a point lies:
// points come in any order, so such a branch would mispredict.
template <typename V> struct GxUtmProjection::Lanes
{
    V mDLon;
    V mLat;
    V mSin;
    V mCos;
    V mN;
    V mTan;
};

template <typename V>
[[gnu::always_inline]] inline void GxUtmProjection::StepAngles(V inLon, V inLat, Lanes<V>& outLanes) const
{
    // The longitude from the central meridian within a half turn (an exact half turn stays as it is).
    constexpr double kRoundToInteger = 6755399441055744.0; // 1.5 * 2^52: adding it rounds to an integer
    const V d = inLon - mOrigin.mLongitude;
    const V turns = (d * (1.0 / kTwoPi) + kRoundToInteger) - kRoundToInteger;
    outLanes.mDLon = d - turns * kTwoPi;
    outLanes.mLat = inLat;
    SinCos(inLat, outLanes.mSin, outLanes.mCos);
}

template <typename V> [[gnu::always_inline]] inline void GxUtmProjection::StepRadius(Lanes<V>& ioLanes) const
{
    // The square root and the two divisions side by side rather than in one chain.
    ioLanes.mN = kUtmA / Sqrt(1.0 - mE2 * ioLanes.mSin * ioLanes.mSin);
    ioLanes.mTan = ioLanes.mSin / ioLanes.mCos;
}

template <typename V>
[[gnu::always_inline]] inline void GxUtmProjection::StepSeries(const Lanes<V>& inLanes, V& outX, V& outY) const
{
    const V a = inLanes.mDLon * inLanes.mCos;
    const V a2 = a * a;
    const V t = inLanes.mTan * inLanes.mTan;
    const V c = mEp2 * inLanes.mCos * inLanes.mCos;
    const V x = kUtmK0 * inLanes.mN * a *
                (1.0 + a2 * ((1.0 - t + c) * (1.0 / 6.0) +
                             a2 * (5.0 - 18.0 * t + t * t + 72.0 * c - 58.0 * mEp2) * (1.0 / 120.0)));
    const V y =
        kUtmK0 * (MeridianArc(inLanes.mLat, inLanes.mSin, inLanes.mCos) - mM0 +
                  inLanes.mN * inLanes.mTan *
                      (a2 * (0.5 + a2 * ((5.0 - t + 9.0 * c + 4.0 * c * c) * (1.0 / 24.0) +
                                         a2 * (61.0 - 58.0 * t + t * t + 600.0 * c - 330.0 * mEp2) * (1.0 / 720.0)))));

    // Within 1e-8 degrees of a pole only the quarter meridian is left, whatever the longitude.
    const auto atPole = Abs(Abs(inLanes.mLat) * (180.0 / kPi) - 90.0) < 1e-8;
    const V poleY = kUtmK0 * (CopySign(V{} + kUtmA * mE0 * kHalfPi, inLanes.mLat) - mM0);
    outX = ((atPole ? V{} : x) + kUtmFalseEasting) * 0.001;
    outY = (atPole ? poleY : y) * 0.001;
}

GxPoint GxUtmProjection::Project(const GxPosition& inPosition) const
{
    Lanes<double> lanes;
    StepAngles(inPosition.mLongitude, inPosition.mLatitude, lanes);
    StepRadius(lanes);
    double x;
    double y;
    StepSeries(lanes, x, y);
    return GxPoint(x, y);
}

void GxUtmProjection::ProjectMany(const GxPosition* inPositions, GxPoint* outPoints, std::size_t inCount) const
{
    // Each step over a block of pairs at a time: a step's chain is short and the pairs are independent, so the
    // processor overlaps them, where one pair's whole chain would keep it waiting.
    constexpr std::size_t kBlockPairs = 32;
    Lanes<GxDouble2> pairs[kBlockPairs];
    std::size_t i = 0;
    while (i + 2 <= inCount)
    {
        const std::size_t count = std::min(kBlockPairs, (inCount - i) / 2);
        const GxPosition* in = inPositions + i;
        for (std::size_t p = 0; p < count; ++p)
            StepAngles(GxDouble2{in[2 * p].mLongitude, in[2 * p + 1].mLongitude},
                       GxDouble2{in[2 * p].mLatitude, in[2 * p + 1].mLatitude}, pairs[p]);
        for (std::size_t p = 0; p < count; ++p)
            StepRadius(pairs[p]);
        GxPoint* out = outPoints + i;
        for (std::size_t p = 0; p < count; ++p)
        {
            GxDouble2 x;
            GxDouble2 y;
            StepSeries(pairs[p], x, y);
            out[2 * p] = GxPoint(x[0], y[0]);
            out[2 * p + 1] = GxPoint(x[1], y[1]);
        }
        i += 2 * count;
    }
    if (i < inCount)
        outPoints[i] = Project(inPositions[i]);
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
