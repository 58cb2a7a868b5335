#include "GxProjection.h"
#include "GxProjectionSupport.h"

#include <cmath>

using namespace GxProjections;

namespace
{
constexpr double kMercatorLatLimit = 1.4835298641951802; // 85 degrees
}

GxMercatorProjection::GxMercatorProjection() : GxMercatorProjection(GxPosition().FromDegrees(-98.68, 35.48)) {}

GxMercatorProjection::GxMercatorProjection(const GxPosition& inCenter) : mCenter(inCenter)
{
    mBounds = GxRect(-kPi, -kMercatorLatLimit, kPi, kMercatorLatLimit);
    Setup();
}

GxProjection::Parameters GxMercatorProjection::XmlParameters()
{
    return {{"stdLon", &mCenter.mLongitude}, {"stdLat", &mCenter.mLatitude}};
}

void GxMercatorProjection::Setup()
{
    mKR = std::cos(mCenter.mLatitude) * kEarthRadius;
}

GxPoint GxMercatorProjection::Project(const GxPosition& inPosition) const
{
    // asinh(tan) is ln(1/cos + tan), without the cancellation near the south edge.
    return GxPoint(mKR * inPosition.mLongitude, mKR * std::asinh(std::tan(inPosition.mLatitude)));
}

GxVector GxMercatorProjection::Project(const GxVector& inVector, const GxPosition&) const
{
    return inVector;
}

GxPosition GxMercatorProjection::Unproject(const GxPoint& inPoint) const
{
    return GxPosition(inPoint.mX / mKR, std::atan(std::sinh(inPoint.mY / mKR)));
}
