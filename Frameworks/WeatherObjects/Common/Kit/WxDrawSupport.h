// Drawing shared by the map's and the graph's legends: fills, fades, the selection highlight, textured squares,
// cached texts, and the legend row of a layer. Pixels, y up; the GL context must be current.
#pragma once

#include "CxTypes.h"
#include "GxColor.h"

#include <functional>
#include <memory>

class CxString;
class GxContext;
class GxFont;
class GxString;

constexpr double kWxRowWidth = 175.0;
constexpr double kWxRowHeight = 40.0;
constexpr double kWxBandHeight = 60.0;
constexpr double kWxRowAlpha = 0.96;

// Black over bright colours, white over dark ones.
GxColor WxTextColorOver(const GxColor& inBelow);
void WxGlColor(const GxColor& inColor, double inAlpha);
// A layer's colour made to stand off the legend's background: a bright one darkened over white, a dark one
// lightened over black.
GxColor WxStandOff(GxColor inColor, const GxColor& inBackground);
// The value legends' bar, origin at its bottom left: the map's colour under it, an outline in half the ink.
void WxDrawLegendBar(GxContext& ioContext, const GxColor& inMapColor, const GxColor& inInk, double inAlpha,
                     double inWidth, double inHeight);
void WxFillRect(double inLeft, double inBottom, double inRight, double inTop);
// A fill whose alpha runs from inTopAlpha at the top edge to inBottomAlpha at the bottom.
void WxFadeRect(const GxColor& inColor, double inLeft, double inBottom, double inRight, double inTop, double inTopAlpha,
                double inBottomAlpha);
// The highlight of a selected row or a highlighted band: the system colour and a shine over it. Returns the
// text colour the highlight asks for.
GxColor WxDrawHilite(double inWidth, double inBottom, double inTop, double inAlpha, double inShineTop,
                     double inShineBottom);
void WxTexturedSquare(unsigned int inTexture, double inX, double inY, double inSize);
void WxBeginTextures();
void WxLine(double inX1, double inY1, double inX2, double inY2);
// A cached text, rebuilt when stale or missing, textured in the context.
void WxRefreshText(GxContext& ioContext, std::unique_ptr<GxString>& ioString, bool& ioStale, const CxString& inText,
                   CxUint32 inFontId, CxSint16 inSize, CxSint32 inMaxWidth);
// The largest size of text whose font a document sets (labels, the caption) in a view inViewHeight pixels high:
// half of it, at least 1. A larger font shows no more of the text and costs texture memory by its square.
CxSint32 WxTextSizeLimit(CxSint32 inViewHeight);
// A copy of the font cut to inLimit, told in the log as "<inWhat> size cut"; null when the font fits.
std::unique_ptr<GxFont> WxCutTextFont(const GxFont& inFont, CxSint32 inLimit, const char* inWhat);
// The glass over a layer's icon and the shadow under it, the glass inGlass and the shadow inShadow pixels square.
void WxDrawGlassAndShadow(GxContext& ioContext, bool inVisible, double inGlass, double inShadow);

// What a layer's legend row shows.
struct WxLegendRowTexts
{
    std::unique_ptr<GxString>& mName;
    bool& mNameStale;
    const CxString& mNameText;
    std::unique_ptr<GxString>& mStatus;
    bool& mStatusStale;
    const CxString& mStatusText;
};

// A layer's 175 x 40 row at the origin: the background, the highlight when selected, the icon (drawn by inIcon at
// the icon's origin), the lock when inLocked, the name and the status.
void WxDrawLegendRow(GxContext& ioContext, const GxColor& inBackground, bool inSelected, bool inActive, bool inVisible,
                     bool inLocked, const WxLegendRowTexts& ioTexts, const std::function<void()>& inIcon);
