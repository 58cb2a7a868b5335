#include "WxGradient.h"

#include "WxDrawSupport.h"
#include "WxLegendPainter.h"

#include "GxContext.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>

WxGradientLegend::WxGradientLegend(WxGradient* inGradient) : WxProductInspector(inGradient), mGradient(inGradient) {}

WxGradientLegend::~WxGradientLegend() = default;

void WxGradientLegend::OnDraw(GxContext& ioContext, const CxRect& inBounds)
{
    DeleteTextures(ioContext);
    WxLegendPainter painter(ioContext, *this);
    const double a = painter.Alpha();
    const double minimum = mGradient->GetMin();
    const double maximum = mGradient->GetMax();
    const double v = mGradient->GetValueFromPosition(TrackPosition());
    const GxColorTable table = mGradient->GetColorTable();
    // Truncated only when finite and in range: anything else has no strip.
    const double x = (v - minimum) * (254.0 / (maximum - minimum));
    const int i = std::isfinite(x) && x > -2.0 && x < 1000.0 ? int(x) + 1 : -1;

    painter.MoveToBar(inBounds);
    const double hb = painter.BarHeight();
    const double wb = painter.BarWidth();
    glColor4d(0, 0, 0, 1);
    glBegin(GL_TRIANGLES);
    glVertex2d(0.0, 0.0);
    glVertex2d(0.0, hb);
    glVertex2d(wb, hb);
    glEnd();
    glEnable(GL_LINE_SMOOTH);
    glBegin(GL_LINE_STRIP);
    for (const auto& [px, py] : {std::pair{0.0, 0.0}, {0.0, hb}, {wb, hb}, {0.0, 0.0}})
        glVertex2d(px, py);
    glEnd();
    const double step = hb / 254.0;
    double y = 0.0;
    double mark = NAN;
    for (int k = 1; k <= 254; ++k)
    {
        const GxColor c = WxGradientEntry(table, std::size_t(k));
        WxGlColor(c, mGradient->Alpha() * c.mAlpha * a);
        glBegin(GL_QUADS);
        glVertex2d(0.0, y);
        glVertex2d(wb, y);
        glVertex2d(wb, y + step);
        glVertex2d(0.0, y + step);
        glEnd();
        y += step;
        if (i == k + 1)
            mark = k * step;
    }
    ioContext.LineWidth(1.0f);
    WxGlColor(painter.Ink(), a * 0.5);
    glBegin(GL_LINE_STRIP);
    for (const auto& [px, py] : {std::pair{0.0, -1.0}, {wb, -1.0}, {wb, hb}, {0.0, hb}, {0.0, -1.0}})
        glVertex2d(px, py);
    glEnd();
    const bool marked = i >= 2 && i <= 255;
    if (marked)
        painter.DrawMarker(std::floor(mark) + 0.375 + step / 2);
    const int decimals =
        painter.DrawValueAxis(ioContext, inBounds, hb, minimum, maximum, mGradient->Parameter().Unit());
    painter.DrawReadout(ioContext, mGxStrings, marked, v, decimals, wb, std::floor(mark));
}
