#include "WxRadar.h"

#include "WxBalloon.h"

#include "DxImage.h"
#include "GxFont.h"
#include "GxProjection.h"
#include "GxString.h"
#include "WxMap.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <numbers>

WxPopup* WxRadar::OnCreatePopup()
{
    return new WxRadarPopup(this);
}

WxRadarPopup::WxRadarPopup(WxRadar* inRadar) : mRadar(inRadar) {}

WxRadarPopup::~WxRadarPopup() = default;

bool WxRadarPopup::ShouldInvalidate() const
{
    const DxImage* image = mRadar->Image();
    return mRadar->GetDrawStorms() && mRadar->IsVisible() && image != nullptr &&
           image->FindFloatField(CxString("stormLat")) != nullptr;
}

void WxRadarPopup::OnDraw(GxContext& ioContext)
{
    if (mRadar->GetDrawStorms() && mRadar->IsVisible())
        DrawStorms(ioContext);
}

void WxRadarPopup::DrawStorms(GxContext& ioContext)
{
    const DxImage* image = mRadar->Image();
    const WxMap* map = mRadar->Map();
    if (image == nullptr || map == nullptr || map->Projection() == nullptr)
        return;
    GxFont font(CxUint32(0), 9);
    if (mLabels.IsEmpty())
        for (const char* label : {"id:", "hail:", "vil:", "top:", "max:", "dir:"})
            mLabels.AddString(ioContext, CxString(label), &font);
    const std::vector<WxStormCell> cells = WxReadStormCells(*image);
    double distance = 0.0;
    const int nearest = WxNearestStorm(cells, *map->Projection(), map->TrackingPosition(), distance);
    if (nearest < 0 || !(map->Scale() * distance < 80.0))
        return;
    const WxStormCell& cell = cells[std::size_t(nearest)];
    const CxString key = CxString("id: ") + cell.mId;
    if (key != mKey || mValues.IsEmpty())
    {
        mKey = key;
        mValues.Clear();
        for (const CxString& line : WxStormLines(cell))
            mValues.AddString(ioContext, line, &font);
        ++mRebuilds;
    }
    const GxPoint point = map->Projection()->Project(cell.mPosition);
    DrawStormProjection(ioContext, point, cell);
    DrawTooltip(ioContext, point, cell.mDirection);
}

void WxRadarPopup::DrawStormProjection(GxContext&, const GxPoint& inPoint, const WxStormCell& inCell)
{
    const WxMap* map = mRadar->Map();
    if (std::isnan(inCell.mDirection) || std::isnan(inCell.mKnots) || map == nullptr || map->Projection() == nullptr)
        return;
    const double d = WxStormHourKm(inCell.mKnots);
    const double track = map->Projection()
                             ->Project(GxVector::FromMagnitudeAndDegrees(d, inCell.mDirection), inCell.mPosition)
                             .DirectionAsDegrees();
    if (!std::isfinite(track) || !std::isfinite(inPoint.mX) || !std::isfinite(inPoint.mY))
        return;
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_LINE_SMOOTH);
    glLineWidth(1.0f);
    glPushMatrix();
    glTranslated(inPoint.mX, inPoint.mY, 0.0);
    glRotated(-track, 0.0, 0.0, 1.0);
    glScaled(-d, -d, -d);
    const bool dark = map->Color().Brightness() <= 0.6;
    const double shade = dark ? 1.0 : 0.0, line = dark ? 0.0 : 1.0;
    const double a = std::asin(-std::numbers::pi / 12.0);
    const auto arc = [](double inRadius, double inDegrees)
    {
        const double theta = inDegrees * std::numbers::pi / 180.0;
        return GxPoint(inRadius * std::sin(theta), inRadius * std::cos(theta) - 1.0);
    };
    const auto wedge = [&](double inRadius, bool inFill)
    {
        glColor4d(inFill ? shade : line, inFill ? shade : line, inFill ? shade : line, inFill ? 0.3 : 1.0);
        glVertex2d(a, 0.0);
        if (inFill)
            glColor4d(shade, shade, shade, 0.15);
        for (int theta = -15; theta <= 14; ++theta)
        {
            const GxPoint p = arc(inRadius, theta);
            glVertex2d(p.mX, p.mY);
        }
        if (inFill)
            glColor4d(shade, shade, shade, 0.3);
        glVertex2d(-a, 0.0);
        glVertex2d(a, 0.0);
    };
    glBegin(GL_POLYGON);
    wedge(2.0, true);
    glEnd();
    glBegin(GL_LINE_STRIP);
    wedge(2.0, false);
    glEnd();
    // Five-minute marks, fading towards the edges and the hour.
    for (int i = 1; i <= 11; ++i)
    {
        glBegin(GL_LINE_STRIP);
        for (int theta = -15; theta <= 14; ++theta)
        {
            glColor4d(line, line, line, (1.0 - std::abs(theta) / 15.0) * (12 - i) / 10.0);
            const GxPoint p = arc(1.0 + i / 12.0, theta);
            glVertex2d(p.mX, p.mY);
        }
        glEnd();
    }
    glLineWidth(2.0f);
    glBegin(GL_LINES);
    glColor4d(line, line, line, 1.0);
    glVertex2d(0.0, 0.0);
    glColor4d(line, line, line, 0.07);
    glVertex2d(0.0, 1.0);
    glEnd();
    glLineWidth(1.0f);
    glPopMatrix();
    glPopAttrib();
}

void WxRadarPopup::DrawTooltip(GxContext& ioContext, const GxPoint& inPoint, double inDirection)
{
    double labelWidth = 0.0, valueWidth = 0.0, labelHeight = 0.0, valueHeight = 0.0;
    for (const GxString* s : mLabels)
    {
        labelWidth = std::max(labelWidth, double(s->Width()));
        labelHeight += s->Height() + 3.0;
    }
    for (const GxString* s : mValues)
    {
        valueWidth = std::max(valueWidth, double(s->Width()));
        valueHeight += s->Height() + 3.0;
    }
    const double width = labelWidth + valueWidth + 10.0 + 15.0;
    const double height = std::max(labelHeight, valueHeight) + 5.0;
    GxPoint window;
    std::array<int, 4> viewport{};
    if (!WxBalloonWindowPoint(inPoint, window, viewport))
        return;
    const double wx = window.mX, wy = window.mY;
    GxRect b(0.0, 0.0, width, height);
    const GxPoint offset = WxStormTooltipOffset(inDirection, width, height);
    b.Offset(std::floor(wx) + offset.mX, std::floor(wy) + offset.mY);
    WxKeepBalloonInside(b, viewport);
    // The pointer leaves the side facing the cell.
    const GxPoint tip(wx, wy);
    const GxPoint pinned = tip.Pin(b);
    GxPoint baseA, baseB;
    if (pinned.mY == b.mTop || pinned.mY == b.mBottom)
    {
        const double x = std::clamp(pinned.mX, b.mLeft + 10.0, b.mRight - 10.0);
        baseA = GxPoint(x - 10.0, pinned.mY);
        baseB = GxPoint(x + 10.0, pinned.mY);
    }
    else
    {
        const double y = std::clamp(pinned.mY, b.mBottom + 10.0, b.mTop - 10.0);
        baseA = GxPoint(pinned.mX, y - 10.0);
        baseB = GxPoint(pinned.mX, y + 10.0);
    }

    WxBeginBalloon(ioContext, viewport, false);
    const auto quad = [](const GxRect& inRect)
    {
        glBegin(GL_QUADS);
        glVertex2d(inRect.mLeft, inRect.mBottom);
        glVertex2d(inRect.mRight, inRect.mBottom);
        glVertex2d(inRect.mRight, inRect.mTop);
        glVertex2d(inRect.mLeft, inRect.mTop);
        glEnd();
    };
    glColor4d(0.0, 0.0, 0.0, 0.4);
    GxRect shadow = b;
    shadow.Offset(6.0, -6.0);
    quad(shadow);
    glColor4d(1.0, 1.0, 0.9, 1.0);
    quad(b);
    glBegin(GL_TRIANGLES);
    glVertex2d(baseA.mX, baseA.mY);
    glVertex2d(tip.mX, tip.mY);
    glVertex2d(baseB.mX, baseB.mY);
    glEnd();
    glColor4d(0.0, 0.0, 0.0, 1.0);
    glBegin(GL_LINE_LOOP);
    glVertex2d(b.mLeft, b.mBottom);
    glVertex2d(b.mRight, b.mBottom);
    glVertex2d(b.mRight, b.mTop);
    glVertex2d(b.mLeft, b.mTop);
    glEnd();
    glBegin(GL_LINE_STRIP);
    glVertex2d(baseA.mX, baseA.mY);
    glVertex2d(tip.mX, tip.mY);
    glVertex2d(baseB.mX, baseB.mY);
    glEnd();

    WxDrawBalloonRows(ioContext, b, mValues, mLabels, labelWidth, 0.0);
    WxEndBalloon(ioContext);
}
