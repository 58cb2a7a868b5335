#include "WxRadar.h"

#include <cmath>
#include <numbers>

namespace
{

// The turn from a to b in [0, 360).
double Turn(double inFrom, double inTo)
{
    const double turn = std::fmod(inTo - inFrom, 360.0);
    return turn < 0.0 ? turn + 360.0 : turn;
}

} // namespace

int WxFindRadial(const std::vector<float>& inStartAngles, double inAzimuth)
{
    const std::size_t count = inStartAngles.size();
    if (count == 0 || !std::isfinite(inAzimuth))
        return -1;
    // Clockwise steps are small turns; counter-clockwise ones are turns just short of 360.
    std::size_t clockwise = 0, counter = 0;
    for (std::size_t i = 0; i + 1 < count; ++i)
    {
        const double turn = Turn(inStartAngles[i], inStartAngles[i + 1]);
        if (turn > 0.0 && turn < 180.0)
            ++clockwise;
        else if (turn > 180.0)
            ++counter;
    }
    const bool increasing = clockwise >= counter;
    for (std::size_t i = 0; i < count; ++i)
    {
        const double start = inStartAngles[i];
        const double next = count == 1 ? start + (increasing ? 360.0 : -360.0) : inStartAngles[(i + 1) % count];
        if (!std::isfinite(start) || !std::isfinite(next))
            continue;
        // A lone row covers the whole circle.
        if (increasing ? (count == 1 || Turn(start, inAzimuth) < Turn(start, next))
                       : (count == 1 || Turn(next, inAzimuth) < Turn(next, start)))
            return int(i);
    }
    return -1;
}

double WxBeamHeight(double inRangeKm, double inTiltDegrees, double inElevationMetres)
{
    if (!(inTiltDegrees > 0.0))
        return std::nan("");
    constexpr double kEarthRadius = 8494.667;
    constexpr double kEarthRadiusSquared = 72159367.44088899;
    const double sine = std::sin(inTiltDegrees * std::numbers::pi / 180.0);
    return std::sqrt(inRangeKm * inRangeKm + kEarthRadiusSquared + 2.0 * inRangeKm * kEarthRadius * sine) -
           kEarthRadius + inElevationMetres / 1000.0;
}
