#include "WxDrawSupport.h"

#include "CxDebug.h"
#include "CxString.h"
#include "GxContext.h"
#include "GxFont.h"
#include "GxString.h"

#include <GL/gl.h>

#include <algorithm>
#include <string>

namespace
{

constexpr CxSint32 kTextWidth = 130;

} // namespace
GxColor WxTextColorOver(const GxColor& inBelow)
{
    return float(inBelow.Brightness()) > 0.6f ? GxColor(0.0, 0.0, 0.0, 1.0) : GxColor(1.0, 1.0, 1.0, 1.0);
}

void WxGlColor(const GxColor& inColor, double inAlpha)
{
    glColor4d(inColor.mRed, inColor.mGreen, inColor.mBlue, inAlpha);
}

GxColor WxStandOff(GxColor inColor, const GxColor& inBackground)
{
    const double brightness = inColor.Brightness();
    if (inBackground.Brightness() > 0.9 && brightness > 0.7)
        inColor.Darken(brightness - 0.5);
    else if (inBackground.Brightness() < 0.1 && brightness < 0.3)
        inColor.Lighten(0.5 - brightness);
    return inColor;
}

void WxDrawLegendBar(GxContext& ioContext, const GxColor& inMapColor, const GxColor& inInk, double inAlpha,
                     double inWidth, double inHeight)
{
    WxGlColor(inMapColor, inMapColor.mAlpha * inAlpha);
    glBegin(GL_QUADS);
    glVertex2d(0.0, -1.0);
    glVertex2d(inWidth, -1.0);
    glVertex2d(inWidth, inHeight);
    glVertex2d(0.0, inHeight);
    glEnd();
    ioContext.LineWidth(1.0f);
    WxGlColor(inInk, inAlpha * 0.5);
    glBegin(GL_LINE_STRIP);
    for (const auto& [x, y] :
         {std::pair{0.0, -1.0}, {inWidth, -1.0}, {inWidth, inHeight}, {0.0, inHeight}, {0.0, -1.0}})
        glVertex2d(x, y);
    glEnd();
}

void WxFillRect(double inLeft, double inBottom, double inRight, double inTop)
{
    glBegin(GL_QUADS);
    glVertex2d(inLeft, inBottom);
    glVertex2d(inRight, inBottom);
    glVertex2d(inRight, inTop);
    glVertex2d(inLeft, inTop);
    glEnd();
}

void WxFadeRect(const GxColor& inColor, double inLeft, double inBottom, double inRight, double inTop, double inTopAlpha,
                double inBottomAlpha)
{
    glBegin(GL_QUADS);
    WxGlColor(inColor, inBottomAlpha);
    glVertex2d(inLeft, inBottom);
    glVertex2d(inRight, inBottom);
    WxGlColor(inColor, inTopAlpha);
    glVertex2d(inRight, inTop);
    glVertex2d(inLeft, inTop);
    glEnd();
}

// The highlight of a selected row or a highlighted band: the system colour and a shine over it. Returns the
GxColor WxDrawHilite(double inWidth, double inBottom, double inTop, double inAlpha, double inShineTop,
                     double inShineBottom)
{
    const GxColor hilite = GxSystemHiliteColor();
    WxGlColor(hilite, inAlpha);
    WxFillRect(0.0, inBottom, inWidth, inTop);
    // The row's shine starts one pixel up; the band's covers it whole.
    if (inShineBottom == 0.0)
        inBottom += 1.0;
    const GxColor shine = WxTextColorOver(hilite).mRed > 0.5 ? GxColor(0.0, 0.0, 0.0, 1.0) : GxColor(1, 1, 1, 1);
    WxFadeRect(shine, 1.0, inBottom, inWidth - 1.0, inTop, inShineTop, inShineBottom);
    return WxTextColorOver(hilite);
}

void WxTexturedSquare(unsigned int inTexture, double inX, double inY, double inSize)
{
    glBindTexture(GL_TEXTURE_2D, inTexture);
    glBegin(GL_QUADS);
    glTexCoord2d(0, 0);
    glVertex2d(inX, inY);
    glTexCoord2d(1, 0);
    glVertex2d(inX + inSize, inY);
    glTexCoord2d(1, 1);
    glVertex2d(inX + inSize, inY + inSize);
    glTexCoord2d(0, 1);
    glVertex2d(inX, inY + inSize);
    glEnd();
}

void WxBeginTextures()
{
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

void WxLine(double inX1, double inY1, double inX2, double inY2)
{
    glBegin(GL_LINES);
    glVertex2d(inX1, inY1);
    glVertex2d(inX2, inY2);
    glEnd();
}

void WxRefreshText(GxContext& ioContext, std::unique_ptr<GxString>& ioString, bool& ioStale, const CxString& inText,
                   CxUint32 inFontId, CxSint16 inSize, CxSint32 inMaxWidth)
{
    if (ioStale)
    {
        ioString.reset();
        ioStale = false;
    }
    if (ioString == nullptr)
    {
        GxFont font(inFontId, inSize);
        ioString = std::make_unique<GxString>(inText, &font);
        if (inMaxWidth > 0)
            ioString->TruncateToWidth(inMaxWidth);
        ioString->Texture(ioContext);
    }
}

CxSint32 WxTextSizeLimit(CxSint32 inViewHeight)
{
    return std::max<CxSint32>(1, inViewHeight / 2);
}

std::unique_ptr<GxFont> WxCutTextFont(const GxFont& inFont, CxSint32 inLimit, const char* inWhat)
{
    if (inFont.Size() <= inLimit)
        return nullptr;
    const std::string text =
        std::to_string(inFont.Size()) + " px to " + std::to_string(inLimit) + " px, half the map's height";
    _CxDebugOut(__FILE__, __LINE__, (std::string(inWhat) + " size cut").c_str(), text.c_str());
    return std::make_unique<GxFont>(inFont.Id(), CxSint16(inLimit));
}

void WxDrawGlassAndShadow(GxContext& ioContext, bool inVisible, double inGlass, double inShadow)
{
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    WxBeginTextures();
    glColor4d(1.0, 1.0, 1.0, inVisible ? 1.0 : 0.5);
    WxTexturedSquare(ioContext.GetTexture(CxString("WxProductGlass"), false), 0.0, 0.0, inGlass);

    const double a = inVisible ? 1.0 : 0.5;
    glTranslated(-3.0, -3.0, 0.0);
    glBindTexture(GL_TEXTURE_2D, ioContext.GetTexture(CxString("WxProductShadow"), false));
    glBegin(GL_QUADS);
    glColor4d(1.0, 1.0, 1.0, 0.6 * a);
    glTexCoord2d(0, 0);
    glVertex2d(0.0, 0.0);
    glColor4d(1.0, 1.0, 1.0, 0.2 * a);
    glTexCoord2d(1, 0);
    glVertex2d(inShadow, 0.0);
    glTexCoord2d(1, 1);
    glVertex2d(inShadow, inShadow);
    glColor4d(1.0, 1.0, 1.0, 0.5 * a);
    glTexCoord2d(0, 1);
    glVertex2d(0.0, inShadow);
    glEnd();
    glTranslated(3.0, 3.0, 0.0);
    glPopAttrib();
}

void WxDrawLegendRow(GxContext& ioContext, const GxColor& inBackground, bool inSelected, bool inActive, bool inVisible,
                     bool inLocked, const WxLegendRowTexts& ioTexts, const std::function<void()>& inIcon)
{
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushMatrix();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    WxGlColor(inBackground, kWxRowAlpha);
    WxFillRect(0.0, 0.0, kWxRowWidth, kWxRowHeight);
    GxColor text = WxTextColorOver(inBackground);
    if (inSelected)
        text = WxDrawHilite(kWxRowWidth, 0.0, kWxRowHeight, inActive ? kWxRowAlpha : kWxRowAlpha * 0.4, 0.8, 0.0);

    WxRefreshText(ioContext, ioTexts.mName, ioTexts.mNameStale, ioTexts.mNameText, 0, 8, kTextWidth);
    WxRefreshText(ioContext, ioTexts.mStatus, ioTexts.mStatusStale, ioTexts.mStatusText, 0, 7, kTextWidth);
    CxAssertText(nullptr != ioTexts.mName, "nil != mLegendString");
    CxAssertText(nullptr != ioTexts.mStatus, "nil != mStatusString");

    WxGlColor(text, 0.03);
    WxLine(0.0, 0.0, kWxRowWidth, 0.0);

    glPushMatrix();
    glTranslated(5.0, 4.0, 0.0);
    inIcon();
    if (inLocked)
    {
        WxBeginTextures();
        glColor4d(1.0, 1.0, 1.0, inVisible ? 1.0 : 0.2);
        WxTexturedSquare(ioContext.GetTexture(CxString("WxProductLock"), false), 19.0, -3.0, 16.0);
        glDisable(GL_TEXTURE_2D);
    }
    glPopMatrix();

    const double alpha = inVisible ? 1.0 : 0.6;
    if (ioTexts.mName != nullptr && ioTexts.mStatus != nullptr)
    {
        WxGlColor(text, alpha);
        ioTexts.mName->SetPosition(42.375, 20.375);
        ioTexts.mName->Draw(ioContext, kGxHAlignLeft, kGxVAlignBottom);
        WxGlColor(text, alpha - 0.2);
        ioTexts.mStatus->SetPosition(42.375, 5.375);
        ioTexts.mStatus->Draw(ioContext, kGxHAlignLeft, kGxVAlignBottom);
    }
    glPopMatrix();
    glPopAttrib();
}
