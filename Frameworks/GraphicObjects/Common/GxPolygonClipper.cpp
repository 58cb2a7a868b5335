#include "GxPolygonClipper.h"

GxPolygonClipper::GxPolygonClipper(const GxRect& inRect)
    : mTop(GxHorizontalBoundary<std::less<double>>(inRect.mTop), mOutput),
      mLeft(GxVerticalBoundary<std::greater_equal<double>>(inRect.mLeft), mTop),
      mBottom(GxHorizontalBoundary<std::greater_equal<double>>(inRect.mBottom), mLeft),
      mRight(GxVerticalBoundary<std::less<double>>(inRect.mRight), mBottom)
{
}

void GxPolygonClipper::Clip(const std::vector<GxPoint>& inPoints, std::vector<GxPoint>& outPoints)
{
    outPoints.clear();
    mOutput.SetOutput(&outPoints);
    for (const GxPoint& point : inPoints)
        mRight.Accept(point);
    mRight.Finalize();
    mOutput.SetOutput(nullptr);
}
