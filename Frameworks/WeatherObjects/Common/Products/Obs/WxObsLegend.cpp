#include "WxObs.h"

#include "WxDrawSupport.h"
#include "WxLegendPainter.h"

#include "WxValues.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>

WxObsLegend::WxObsLegend(WxObs* inObs) : WxProductInspector(inObs), mObs(inObs) {}

WxObsLegend::~WxObsLegend() = default;

void WxObsLegend::OnDraw(GxContext& ioContext, const CxRect& inBounds)
{
    DeleteTextures(ioContext);
    WxLegendPainter painter(ioContext, *this);
    const double minimum = mObs->DataMinimum();
    const double maximum = mObs->DataMaximum();

    double v = NAN;
    CxStringList names, values;
    const DxType type = mObs->Parameter().Type();
    if (mObs->GetAttributesFromPosition(TrackPosition(), names, values) &&
        (type == kDxTypeFloat || type == kDxTypeInteger))
    {
        const CxString key = mObs->Parameter().Key();
        for (auto name = names.begin(), value = values.begin(); name != names.end(); ++name, ++value)
            if (*name == key)
                v = WxReadOptionalNumber(*value);
    }

    painter.MoveToBar(inBounds);
    const double hb = painter.BarHeight();
    painter.DrawLevelBar(ioContext, mObs->Map());

    const GxColor band = WxStandOff(mObs->Color(), Color());
    WxGlColor(band, mObs->Alpha() * band.mAlpha * painter.Alpha());
    painter.DrawLevelLines(8, hb * 0.125);

    // With one value the scale has no extent: no marker, and the value sits at the bottom.
    const bool hasValue = !std::isnan(v);
    const bool spread = maximum > minimum;
    const double m = hasValue && spread ? hb * (v - minimum) / (maximum - minimum) : 0.0;
    if (hasValue && spread)
        painter.DrawMarker(m);
    const int decimals = painter.DrawValueAxis(ioContext, inBounds, hb, minimum, maximum, mObs->Parameter().Unit());
    painter.DrawReadout(ioContext, mGxStrings, hasValue && std::isfinite(m), v, decimals, painter.BarWidth(),
                        std::trunc(m));
}
