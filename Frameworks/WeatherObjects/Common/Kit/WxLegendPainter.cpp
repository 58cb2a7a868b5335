#include "WxLegendPainter.h"

#include "CxCoordinates.h"
#include "CxString.h"
#include "GxContext.h"
#include "GxFont.h"
#include "GxString.h"
#include "WxDrawSupport.h"
#include "WxInspector.h"
#include "WxMap.h"
#include "WxSeries.h"

#include <GL/gl.h>
#include <cmath>

void WxOutlineRect(double inLeft, double inBottom, double inRight, double inTop)
{
    glBegin(GL_LINE_STRIP);
    glVertex2d(inLeft, inBottom);
    glVertex2d(inRight, inBottom);
    glVertex2d(inRight, inTop);
    glVertex2d(inLeft, inTop);
    glVertex2d(inLeft, inBottom);
    glEnd();
}

namespace
{

GxColor InkOver(const GxColor& inBackground)
{
    const double level = inBackground.Brightness() <= 0.6 ? 1.0 : 0.0;
    return GxColor(level, level, level, 1.0);
}

} // namespace

WxLegendPainter::WxLegendPainter(GxContext& ioContext, const WxInspector& inLegend)
    : mContext(ioContext), mBackground(inLegend.Color()), mInk(InkOver(mBackground)), mAlpha(inLegend.Alpha())
{
    mContext.PushAttribs();
    glPushMatrix();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

WxLegendPainter::~WxLegendPainter()
{
    glPopMatrix();
    mContext.PopAttribs();
}

void WxLegendPainter::DrawColorRows(std::vector<GxColor>::const_iterator inFirst,
                                    std::vector<GxColor>::const_iterator inLast, double inWidth,
                                    double inRowHeight) const
{
    glBegin(GL_QUADS);
    std::size_t i = 0;
    for (auto color = inFirst; color != inLast; ++color, ++i)
    {
        WxGlColor(*color, color->mAlpha * mAlpha);
        glVertex2d(0.0, double(i) * inRowHeight);
        glVertex2d(inWidth, double(i) * inRowHeight);
        glVertex2d(inWidth, double(i + 1) * inRowHeight);
        glVertex2d(0.0, double(i + 1) * inRowHeight);
    }
    glEnd();
}

void WxLegendPainter::MoveToBar(const CxRect& inBounds)
{
    const double width = inBounds.Width();
    const double height = inBounds.Height();
    mBarHeight = height - 20.0;
    mBarWidth = std::floor(width * 0.25);
    glTranslated(0.0, std::floor((height - mBarHeight) * 0.5), 0.0);
    glTranslated(std::floor(width * 0.375), 0.0, 0.0);
}

void WxLegendPainter::DrawLevelBar(GxContext& ioContext, const WxMap* inMap) const
{
    const GxColor mapColor = inMap != nullptr ? inMap->Color() : GxColor(1, 1, 1, 1);
    WxDrawLegendBar(ioContext, mapColor, mInk, mAlpha, mBarWidth, mBarHeight);
}

void WxLegendPainter::DrawLevelLines(int inLevels, double inStep) const
{
    glBegin(GL_LINES);
    double y = 0.0;
    for (int k = 0; k <= inLevels; ++k, y += inStep)
    {
        glVertex2d(0.0, y);
        glVertex2d(mBarWidth, y);
    }
    glEnd();
}

void WxLegendPainter::DrawMarker(double inY) const
{
    WxGlColor(mInk, mAlpha * 0.5);
    glBegin(GL_LINES);
    glVertex2d(0.0, inY);
    glVertex2d(mBarWidth + 4.0, inY);
    glEnd();
}

int WxLegendPainter::DrawValueAxis(GxContext& ioContext, const CxRect& inBounds, double inHeight, double inMinimum,
                                   double inMaximum, const DxUnit& inUnit) const
{
    WxSeriesAxis axis;
    axis.SetMin(inMinimum);
    axis.SetMax(inMaximum);
    axis.SetUnit(inUnit);
    axis.Build(CxRect(inBounds.left, inBounds.top, CxSint16(inBounds.left + 3), CxSint16(inBounds.top + inHeight)));
    GxColor axisBackground = mBackground;
    axisBackground.mAlpha *= mAlpha;
    axis.Draw(ioContext, axisBackground, true, true);
    return int(axis.Decimals());
}

void WxLegendPainter::DrawReadout(GxContext& ioContext, std::vector<GxString*>& ioTexts, bool inShow, double inValue,
                                  int inDecimals, double inRight, double inY) const
{
    if (inShow && ioTexts.empty())
    {
        GxFont font(0, 8);
        auto* text = new GxString(CxString(inValue, inDecimals + 1), &font);
        text->Texture(ioContext);
        text->SetPosition(inRight + 8.0 + 0.375, inY + 0.375);
        text->SetDepth(0.0);
        ioTexts.push_back(text);
    }
    WxGlColor(mInk, mAlpha);
    for (GxString* text : ioTexts)
        text->Draw(ioContext, kGxHAlignLeft, kGxVAlignCenter);
}
