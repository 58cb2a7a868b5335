#include "WxContour.h"

#include "WxDrawSupport.h"
#include "WxLegendPainter.h"

#include "GxContext.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>

WxContourLegend::WxContourLegend(WxContour* inContour) : WxProductInspector(inContour), mContour(inContour) {}

WxContourLegend::~WxContourLegend() = default;

void WxContourLegend::OnDraw(GxContext& ioContext, const CxRect& inBounds)
{
    DeleteTextures(ioContext);
    WxLegendPainter painter(ioContext, *this);
    const double a = painter.Alpha();
    const double minimum = mContour->Minimum();
    const double maximum = mContour->Maximum();
    // Counted in double: a tiny or non-finite interval must neither loop for ever nor convert out of range.
    double n = std::trunc((maximum - minimum) / mContour->ContourInterval());
    if (!std::isfinite(n) || n < 0.0)
        n = 0.0;
    n = std::min(n, double(WxContour::kMaxLevels));
    const double v = mContour->GetValueFromPosition(TrackPosition());

    painter.MoveToBar(inBounds);
    const double hb = painter.BarHeight();
    painter.DrawLevelBar(ioContext, mContour->Map());

    const GxColor c = WxStandOff(mContour->Color(), Color());
    ioContext.LineWidth(float(mContour->LineWidth()));
    WxGlColor(c, mContour->Alpha() * c.mAlpha * a);
    // One level: a single line at the bottom.
    painter.DrawLevelLines(int(n), n > 0.0 ? hb / n : 0.0);
    ioContext.LineWidth(1.0f);

    const bool spread = maximum > minimum && n > 0.0;
    const double m = spread ? hb * (v - minimum) / (maximum - minimum) : 0.0;
    const bool marked = !std::isnan(v) && spread && std::isfinite(m);
    if (marked)
        painter.DrawMarker(m);
    const int decimals = painter.DrawValueAxis(ioContext, inBounds, hb, minimum, maximum, mContour->Parameter().Unit());
    painter.DrawReadout(ioContext, mGxStrings, marked, v, decimals, painter.BarWidth(), std::floor(m));
}
