// The product kit's legend painter: what the radar, image, contour, gradient and observation legend panels draw
// alike (colour boxes, colour ramps, the level bar with its value axis, the value readout). One painter lives
// for one draw: it pushes the GL attributes and matrix with blending on, and pops them when it goes. Legend
// pixels, y up; the GL context must be current. Main thread only.
#pragma once

#include "GxColor.h"

#include <vector>

class CxRect;
class DxUnit;
class GxContext;
class GxString;
class WxInspector;
class WxMap;

// Traces the rectangle's outline as one line strip.
void WxOutlineRect(double inLeft, double inBottom, double inRight, double inTop);

class WxLegendPainter
{
public:
    WxLegendPainter(GxContext& ioContext, const WxInspector& inLegend);
    ~WxLegendPainter();
    WxLegendPainter(const WxLegendPainter&) = delete;
    WxLegendPainter& operator=(const WxLegendPainter&) = delete;

    // The legend's alpha, and white over dark legends or black over bright ones.
    double Alpha() const { return mAlpha; }
    const GxColor& Ink() const { return mInk; }
    // The level bar's size in the panel, once MoveToBar has placed it.
    double BarWidth() const { return mBarWidth; }
    double BarHeight() const { return mBarHeight; }

    // Equal rows of colour from the origin up, each faded by the legend's alpha.
    void DrawColorRows(std::vector<GxColor>::const_iterator inFirst, std::vector<GxColor>::const_iterator inLast,
                       double inWidth, double inRowHeight) const;

    // The level bar: a quarter of the panel wide, 20 px shorter than it, centred; the origin moves to its corner.
    void MoveToBar(const CxRect& inBounds);
    // The bar filled with the map's colour (white without a map) and outlined in ink.
    void DrawLevelBar(GxContext& ioContext, const WxMap* inMap) const;
    // Lines across the bar at 0, inStep, ... up to inLevels steps, in the colour set before.
    void DrawLevelLines(int inLevels, double inStep) const;
    // The tracked value's line across the bar and 4 px past it, in ink at half the alpha.
    void DrawMarker(double inY) const;
    // The value axis along the panel's left edge, inHeight tall, in the legend's colour; the axis' decimals.
    int DrawValueAxis(GxContext& ioContext, const CxRect& inBounds, double inHeight, double inMinimum, double inMaximum,
                      const DxUnit& inUnit) const;
    // The value, one decimal more than the axis, 8 px right of inRight at the (rounded) height, made once into
    // the legend's texts when shown; then every text in ink.
    void DrawReadout(GxContext& ioContext, std::vector<GxString*>& ioTexts, bool inShow, double inValue, int inDecimals,
                     double inRight, double inY) const;

private:
    GxContext& mContext;
    GxColor mBackground;
    GxColor mInk;
    double mAlpha;
    double mBarWidth = 0.0;
    double mBarHeight = 0.0;
};
