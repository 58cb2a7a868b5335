// Helpers the projection kinds share; private to the projections.
#pragma once

#include "GxCoordinates.h"
#include "GxMath.h"

#include <limits>

namespace GxProjections
{
constexpr double kPi = kGxPi;
constexpr double kHalfPi = kGxPi / 2.0;
constexpr double kQuarterPi = kGxPi / 4.0;
constexpr double kTwoPi = kGxPi * 2.0;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

inline double DegreesToRadians(double inDegrees)
{
    return inDegrees * kPi / 180.0;
}

inline double RadiansToDegrees(double inRadians)
{
    return inRadians * 180.0 / kPi;
}

// Wind directions are angles clockwise from north, so turning into map orientation adds the map angle of north.
inline GxVector Turn(const GxVector& inVector, double inRadians)
{
    const GxPoint speedAndDirection = inVector.AsMagnitudeAndRadians();
    return GxVector::FromMagnitudeAndRadians(speedAndDirection.mX, speedAndDirection.mY + inRadians);
}

// Into [-pi, pi] for longitude differences up to one turn away.
inline double WrapLongitude(double inRadians)
{
    if (inRadians < -kPi)
        return inRadians + kTwoPi;
    if (inRadians > kPi)
        return inRadians - kTwoPi;
    return inRadians;
}

// The Albers angle about the apex. Beyond 90 / n degrees from the centre meridian the point lies past the apex,
// where a plain arctangent of the ratio would fold it back.
inline double AlbersTheta(double inX, double inRho0MinusY, double inN)
{
    return inN >= 0.0 ? std::atan2(inX, inRho0MinusY) : std::atan2(-inX, -inRho0MinusY);
}
} // namespace GxProjections
