#include "GxProjection.h"
#include "GxProjectionSupport.h"

#include <cmath>

using namespace GxProjections;

const double GxFlatProjection::kStdKmPerPhi = 6367.68104774543;

GxFlatProjection::GxFlatProjection() : mStdLat(0.0)
{
    Setup();
}

GxFlatProjection::GxFlatProjection(const GxPosition& inStandard) : mStdLat(inStandard.mLatitude)
{
    Setup();
}

GxProjection::Parameters GxFlatProjection::XmlParameters()
{
    return {{"stdLat", &mStdLat}};
}

void GxFlatProjection::Setup()
{
    mKx = std::cos(mStdLat) * kStdKmPerPhi;
    mKy = kStdKmPerPhi;
    mInvKx = 1.0 / mKx;
    mInvKy = 1.0 / mKy;
    // Only the cosine counts, so the latitude is kept as the one the scale gives back.
    mStdLat = std::acos(mKx / kStdKmPerPhi);
}

GxPoint GxFlatProjection::Project(const GxPosition& inPosition) const
{
    return GxPoint(inPosition.mLongitude * mKx, inPosition.mLatitude * mKy);
}

GxVector GxFlatProjection::Project(const GxVector& inVector, const GxPosition&) const
{
    return inVector;
}

GxPosition GxFlatProjection::Unproject(const GxPoint& inPoint) const
{
    return GxPosition(inPoint.mX * mInvKx, inPoint.mY * mInvKy);
}
