// One frame of a map and its legend column: products bottom layer first, then the date band and a row per
// product in 2-D pixels, y up.
#include "CxCoordinates.h"
#include "CxDebug.h"
#include "DxClients.h"
#include "GxColor.h"
#include "GxContext.h"
#include "GxFont.h"
#include "GxString.h"
#include "WxMap.h"
#include "WxProduct.h"

#include <GL/gl.h>

namespace
{

constexpr double kRowWidth = 175.0;
constexpr double kRowHeight = 40.0;
constexpr double kBandHeight = 60.0;
constexpr double kRowAlpha = 0.96;
constexpr CxSint32 kTextWidth = 130;

// Black over bright colours, white over dark ones.
GxColor TextColorOver(const GxColor& inBelow)
{
    return float(inBelow.Brightness()) > 0.6f ? GxColor(0.0, 0.0, 0.0, 1.0) : GxColor(1.0, 1.0, 1.0, 1.0);
}

void GlColor(const GxColor& inColor, double inAlpha)
{
    glColor4d(inColor.mRed, inColor.mGreen, inColor.mBlue, inAlpha);
}

void FillRect(double inLeft, double inBottom, double inRight, double inTop)
{
    glBegin(GL_QUADS);
    glVertex2d(inLeft, inBottom);
    glVertex2d(inRight, inBottom);
    glVertex2d(inRight, inTop);
    glVertex2d(inLeft, inTop);
    glEnd();
}

// A fill whose alpha runs from inTopAlpha at the top edge to inBottomAlpha at the bottom.
void FadeRect(const GxColor& inColor, double inLeft, double inBottom, double inRight, double inTop, double inTopAlpha,
              double inBottomAlpha)
{
    glBegin(GL_QUADS);
    GlColor(inColor, inBottomAlpha);
    glVertex2d(inLeft, inBottom);
    glVertex2d(inRight, inBottom);
    GlColor(inColor, inTopAlpha);
    glVertex2d(inRight, inTop);
    glVertex2d(inLeft, inTop);
    glEnd();
}

// The highlight of a selected row or a highlighted band: the system colour and a shine over it. Returns the
// text colour the highlight asks for.
GxColor DrawHilite(double inWidth, double inBottom, double inTop, double inAlpha, double inShineTop,
                   double inShineBottom)
{
    const GxColor hilite = GxSystemHiliteColor();
    GlColor(hilite, inAlpha);
    FillRect(0.0, inBottom, inWidth, inTop);
    // The row's shine starts one pixel up; the band's covers it whole.
    if (inShineBottom == 0.0)
        inBottom += 1.0;
    const GxColor shine = TextColorOver(hilite).mRed > 0.5 ? GxColor(0.0, 0.0, 0.0, 1.0) : GxColor(1, 1, 1, 1);
    FadeRect(shine, 1.0, inBottom, inWidth - 1.0, inTop, inShineTop, inShineBottom);
    return TextColorOver(hilite);
}

void TexturedSquare(unsigned int inTexture, double inX, double inY, double inSize)
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

void BeginTextures()
{
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

void Line(double inX1, double inY1, double inX2, double inY2)
{
    glBegin(GL_LINES);
    glVertex2d(inX1, inY1);
    glVertex2d(inX2, inY2);
    glEnd();
}

// A cached text, rebuilt when stale or missing, textured in the context.
void Refresh(GxContext& ioContext, GxString*& ioString, bool& ioStale, const CxString& inText, CxUint32 inFontId,
             CxSint16 inSize, CxSint32 inMaxWidth)
{
    if (ioStale)
    {
        delete ioString;
        ioString = nullptr;
        ioStale = false;
    }
    if (ioString == nullptr)
    {
        GxFont font(inFontId, inSize);
        ioString = new GxString(inText, &font);
        if (inMaxWidth > 0)
            ioString->TruncateToWidth(inMaxWidth);
        ioString->Texture(ioContext);
    }
}

} // namespace

// ---- the map

void WxMap::BeginDraw()
{
    glClearColor(float(mColor.mRed), float(mColor.mGreen), float(mColor.mBlue), 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

void WxMap::DrawMap(GxContext& ioContext)
{
    for (auto product = mProducts.rbegin(); product != mProducts.rend(); ++product)
        (*product)->DrawProduct(ioContext);
}

void WxMap::DrawLegend(GxContext& ioContext, const GxRect& inRect, bool inActive, bool inHilite)
{
    ioContext.Begin2D();
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushMatrix();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const CxRect iconRect(0, 0, 32, 32);
    glTranslated(inRect.mLeft, inRect.mTop - kBandHeight, 0.0);
    for (WxProduct* product : mProducts)
    {
        glTranslated(0.0, -kRowHeight, 0.0);
        glColor4d(1.0, 1.0, 1.0, 1.0);
        product->DrawLegendItem(ioContext, iconRect, inActive);
    }
    // Rows that overflow the rectangle leave nothing to fill.
    const double rest = (inRect.mTop - inRect.mBottom) - kBandHeight - kRowHeight * double(mProducts.size());
    if (rest > 0.0)
        FadeRect(mColor, 0.0, -rest, inRect.mRight - inRect.mLeft, 0.0, kRowAlpha, 0.4);
    glLoadIdentity();
    glTranslated(inRect.mLeft, inRect.mTop, 0.0);
    DrawDateTime(ioContext, inRect, inHilite);
    glPopMatrix();
    glPopAttrib();
    ioContext.End2D();
}

CxString WxMap::DateText() const
{
    return mDateString != nullptr ? mDateString->GetString() : CxString();
}

CxString WxMap::TimeText() const
{
    return mTimeString != nullptr ? mTimeString->GetString() : CxString();
}

bool WxMap::ShowsSeconds() const
{
    for (WxProduct* product : mProducts)
    {
        const DxClient* client = dynamic_cast<const DxClient*>(product);
        if (client != nullptr && client->ShowsSeconds())
            return true;
    }
    return false;
}

void WxMap::DrawDateTime(GxContext& ioContext, const GxRect& inRect, bool inHilite)
{
    const double width = inRect.mRight - inRect.mLeft;
    // OpenGL clamps the top's alpha to 1: the band fades only in its lower part.
    FadeRect(mColor, 0.0, -kBandHeight, width, 0.0, 1.46, kRowAlpha);
    GxColor text = TextColor();
    if (inHilite)
        text = DrawHilite(width, -kBandHeight, 0.0, kRowAlpha, 0.0, 0.8);

    CxAssert(mDateFont != nullptr);
    const CxTimeZone zone;
    CxString dateText = mLegendDateFormat.Length() != 0 ? mDate.AsString(mLegendDateFormat, zone)
                                                        : mDate.AsString(kCxDateFormatMediumDate, zone);
    CxString timeText = mDate.AsString(ShowsSeconds() ? kCxDateFormatMediumTime : kCxDateFormatShortTime, zone);
    timeText += mDate.AsString(CxString(" %Z"), zone);
    const CxUint32 fontId = mDateFont != nullptr ? mDateFont->Id() : 0;
    const CxSint16 fontSize = mDateFont != nullptr ? mDateFont->Size() : 10;
    Refresh(ioContext, mDateString, mDateStale, dateText, fontId, fontSize, 0);
    Refresh(ioContext, mTimeString, mTimeStale, timeText, fontId, fontSize, 0);

    GlColor(text, 1.0);
    mDateString->SetPosition(width / 2.0 + 0.375, -20.375);
    mDateString->Draw(ioContext, kGxHAlignCenter, kGxVAlignBottom);
    mTimeString->SetPosition(width / 2.0 + 0.375, -40.375);
    mTimeString->Draw(ioContext, kGxHAlignCenter, kGxVAlignBottom);

    BeginTextures();
    const bool loops = mStartDate != mEndDate;
    const struct
    {
        const char* mName;
        bool mOn;
    } icons[] = {{"WxIconFolder", mArchiving}, {"WxIconLoop", loops}, {"WxIconClock", IsTracking()}};
    double left = width / 2.0 - 37.625;
    for (const auto& icon : icons)
    {
        GlColor(text, icon.mOn ? 1.0 : 0.1);
        TexturedSquare(ioContext.GetIcon(CxString(icon.mName), 16, 0), left, -57.375, 16.0);
        left += 30.0;
    }
    glDisable(GL_TEXTURE_2D);
    GlColor(text, 0.3);
    Line(0.0, -kBandHeight, kRowWidth, -kBandHeight);
}

// ---- the products' rows

void WxProduct::DrawProduct(GxContext& ioContext)
{
    if (!mVisible)
        return;
    if (IsDisplayListValid())
        DrawList();
    else
        OnDrawProduct(ioContext);
}

void WxProduct::DrawLegendItem(GxContext& ioContext, const CxRect& inIconRect, bool inActive)
{
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushMatrix();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const GxColor background = mMap != nullptr ? mMap->Color() : GxColor(1.0, 1.0, 1.0, 1.0);
    GlColor(background, kRowAlpha);
    FillRect(0.0, 0.0, kRowWidth, kRowHeight);
    GxColor text = TextColorOver(background);
    if (mSelected)
        text = DrawHilite(kRowWidth, 0.0, kRowHeight, inActive ? kRowAlpha : kRowAlpha * 0.4, 0.8, 0.0);

    Refresh(ioContext, mLegendString, mLegendStale, mName, 0, 8, kTextWidth);
    Refresh(ioContext, mStatusString, mStatusStale, mStatus, 0, 7, kTextWidth);
    CxAssert(nullptr != mLegendString);
    CxAssert(nullptr != mStatusString);

    GlColor(text, 0.03);
    Line(0.0, 0.0, kRowWidth, 0.0);

    glPushMatrix();
    glTranslated(5.0 + inIconRect.left, 4.0 + inIconRect.top, 0.0);
    DrawIcon(ioContext);
    DrawIconBadge(ioContext);
    if (mAuthenticationFailed && mBadge != kWxBadgeLock)
    {
        BeginTextures();
        glColor4d(1.0, 1.0, 1.0, mVisible ? 1.0 : 0.2);
        TexturedSquare(ioContext.GetTexture(CxString("WxProductLock"), false), 19.0, -3.0, 16.0);
        glDisable(GL_TEXTURE_2D);
    }
    glPopMatrix();

    const double alpha = mVisible ? 1.0 : 0.6;
    GlColor(text, alpha);
    mLegendString->SetPosition(42.375, 20.375);
    mLegendString->Draw(ioContext, kGxHAlignLeft, kGxVAlignBottom);
    GlColor(text, alpha - 0.2);
    mStatusString->SetPosition(42.375, 5.375);
    mStatusString->Draw(ioContext, kGxHAlignLeft, kGxVAlignBottom);
    glPopMatrix();
    glPopAttrib();
}

void WxProduct::DrawIcon(GxContext& ioContext)
{
    OnDrawIcon(ioContext);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    BeginTextures();
    mGlassTexture = ioContext.GetTexture(CxString("WxProductGlass"), false);
    mShadowTexture = ioContext.GetTexture(CxString("WxProductShadow"), false);
    glColor4d(1.0, 1.0, 1.0, mVisible ? 1.0 : 0.5);
    TexturedSquare(mGlassTexture, 0.0, 0.0, 32.5);

    const double a = mVisible ? 1.0 : 0.5;
    const double size = 38.9;
    glTranslated(-3.0, -3.0, 0.0);
    glBindTexture(GL_TEXTURE_2D, mShadowTexture);
    glBegin(GL_QUADS);
    glColor4d(1.0, 1.0, 1.0, 0.6 * a);
    glTexCoord2d(0, 0);
    glVertex2d(0.0, 0.0);
    glColor4d(1.0, 1.0, 1.0, 0.2 * a);
    glTexCoord2d(1, 0);
    glVertex2d(size, 0.0);
    glTexCoord2d(1, 1);
    glVertex2d(size, size);
    glColor4d(1.0, 1.0, 1.0, 0.5 * a);
    glTexCoord2d(0, 1);
    glVertex2d(0.0, size);
    glEnd();
    glTranslated(3.0, 3.0, 0.0);
    glPopAttrib();
}

void WxProduct::DrawIconBadge(GxContext& ioContext)
{
    const char* name = nullptr;
    switch (mBadge)
    {
    case kWxBadgeNone:
        return;
    case kWxBadgeLock:
        name = "WxProductLock";
        break;
    case kWxBadgeNoData:
        name = "WxProductNoData";
        break;
    }
    CxAssert(name != nullptr);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    BeginTextures();
    glColor4d(1.0, 1.0, 1.0, mVisible ? 1.0 : 0.2);
    TexturedSquare(name != nullptr ? ioContext.GetTexture(CxString(name), false) : 0, 19.0, -3.0, 16.0);
    glPopAttrib();
}

void WxProduct::OnDrawIcon(GxContext&)
{
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const double grey = mVisible ? 0.0 : 0.5;
    glColor4d(grey, grey, grey, 0.2);
    FillRect(0.0, 0.0, 32.0, 32.0);
    glColor4d(1.0, 1.0, 1.0, mVisible ? 1.0 : 0.2);
    glBegin(GL_LINE_LOOP);
    glVertex2d(0.5, 0.5);
    glVertex2d(31.5, 0.5);
    glVertex2d(31.5, 31.5);
    glVertex2d(0.5, 31.5);
    glEnd();
    glPopAttrib();
}
