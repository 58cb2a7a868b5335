// One frame of a map and its legend column: products bottom layer first, then the date band and a row per
// product in 2-D pixels, y up.
#include "CxCoordinates.h"
#include "CxDebug.h"
#include "DxClients.h"
#include "GxColor.h"
#include "GxContext.h"
#include "GxFont.h"
#include "GxString.h"
#include "WxDrawSupport.h"
#include "WxMap.h"
#include "WxProduct.h"

#include <GL/gl.h>

// ---- the map

void WxMap::BeginDraw()
{
    glClearColor(float(mColor.mRed), float(mColor.mGreen), float(mColor.mBlue), 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

bool WxMap::DrawMap(GxContext& ioContext, const std::function<bool()>& inStopped)
{
    for (auto product = mProducts.rbegin(); product != mProducts.rend(); ++product)
    {
        if (inStopped && inStopped())
            return false;
        (*product)->DrawProduct(ioContext);
    }
    return true;
}

bool WxMap::DrawLegend(GxContext& ioContext, const GxRect& inRect, bool inActive, bool inHilite,
                       const std::function<bool()>& inStopped)
{
    ioContext.Begin2D();
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushMatrix();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const CxRect iconRect(0, 0, 32, 32);
    glTranslated(inRect.mLeft, inRect.mTop - kWxBandHeight, 0.0);
    bool finished = true;
    double rowTop = inRect.mTop - kWxBandHeight;
    for (WxProduct* product : mProducts)
    {
        // Rows run downwards: from the first that starts at or below the bottom on, none shows, and a map of many
        // thousand layers would texture and draw them all.
        if (rowTop <= inRect.mBottom)
            break;
        if (inStopped && inStopped())
        {
            finished = false;
            break;
        }
        glTranslated(0.0, -kWxRowHeight, 0.0);
        glColor4d(1.0, 1.0, 1.0, 1.0);
        product->DrawLegendItem(ioContext, iconRect, inActive);
        rowTop -= kWxRowHeight;
    }
    if (finished)
    {
        // Rows that overflow the rectangle leave nothing to fill.
        const double rest = (inRect.mTop - inRect.mBottom) - kWxBandHeight - kWxRowHeight * double(mProducts.size());
        if (rest > 0.0)
            WxFadeRect(mColor, 0.0, -rest, inRect.mRight - inRect.mLeft, 0.0, kWxRowAlpha, 0.4);
        glLoadIdentity();
        glTranslated(inRect.mLeft, inRect.mTop, 0.0);
        DrawDateTime(ioContext, inRect, inHilite);
    }
    // A stopped legend leaves the drawing state as it found it all the same.
    glPopMatrix();
    glPopAttrib();
    ioContext.End2D();
    return finished;
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
    WxFadeRect(mColor, 0.0, -kWxBandHeight, width, 0.0, 1.46, kWxRowAlpha);
    GxColor text = TextColor();
    if (inHilite)
        text = WxDrawHilite(width, -kWxBandHeight, 0.0, kWxRowAlpha, 0.0, 0.8);

    CxAssert(mDateFont != nullptr);
    const CxTimeZone zone;
    CxString dateText = mLegendDateFormat.Length() != 0 ? mDate.AsString(mLegendDateFormat, zone)
                                                        : mDate.AsString(kCxDateFormatMediumDate, zone);
    CxString timeText = mDate.AsString(ShowsSeconds() ? kCxDateFormatMediumTime : kCxDateFormatShortTime, zone);
    timeText += mDate.AsString(CxString(" %Z"), zone);
    const CxUint32 fontId = mDateFont != nullptr ? mDateFont->Id() : 0;
    const CxSint16 fontSize = mDateFont != nullptr ? mDateFont->Size() : 10;
    WxRefreshText(ioContext, mDateString, mDateStale, dateText, fontId, fontSize, 0);
    WxRefreshText(ioContext, mTimeString, mTimeStale, timeText, fontId, fontSize, 0);

    WxGlColor(text, 1.0);
    mDateString->SetPosition(width / 2.0 + 0.375, -20.375);
    mDateString->Draw(ioContext, kGxHAlignCenter, kGxVAlignBottom);
    mTimeString->SetPosition(width / 2.0 + 0.375, -40.375);
    mTimeString->Draw(ioContext, kGxHAlignCenter, kGxVAlignBottom);

    WxBeginTextures();
    const bool loops = mStartDate != mEndDate;
    const struct
    {
        const char* mName;
        bool mOn;
    } icons[] = {{"WxIconFolder", mArchiving}, {"WxIconLoop", loops}, {"WxIconClock", IsTracking()}};
    double left = width / 2.0 - 37.625;
    for (const auto& icon : icons)
    {
        WxGlColor(text, icon.mOn ? 1.0 : 0.1);
        WxTexturedSquare(ioContext.GetIcon(CxString(icon.mName), 16, 0), left, -57.375, 16.0);
        left += 30.0;
    }
    glDisable(GL_TEXTURE_2D);
    WxGlColor(text, 0.3);
    WxLine(0.0, -kWxBandHeight, kWxRowWidth, -kWxBandHeight);
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
    const GxColor background = mMap != nullptr ? mMap->Color() : GxColor(1.0, 1.0, 1.0, 1.0);
    const WxLegendRowTexts texts{mLegendString, mLegendStale, mName, mStatusString, mStatusStale, mStatus};
    WxDrawLegendRow(ioContext, background, mSelected, inActive, mVisible,
                    mAuthenticationFailed && mBadge != kWxBadgeLock, texts,
                    [&]
                    {
                        // The row restores the matrix after the icon and the lock.
                        glTranslated(inIconRect.left, inIconRect.top, 0.0);
                        DrawIcon(ioContext);
                        DrawIconBadge(ioContext);
                    });
}

void WxProduct::DrawIcon(GxContext& ioContext)
{
    OnDrawIcon(ioContext);
    mGlassTexture = ioContext.GetTexture(CxString("WxProductGlass"), false);
    mShadowTexture = ioContext.GetTexture(CxString("WxProductShadow"), false);
    WxDrawGlassAndShadow(ioContext, mVisible, 32.5, 38.9);
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
    WxBeginTextures();
    glColor4d(1.0, 1.0, 1.0, mVisible ? 1.0 : 0.2);
    WxTexturedSquare(name != nullptr ? ioContext.GetTexture(CxString(name), false) : 0, 19.0, -3.0, 16.0);
    glPopAttrib();
}

void WxProduct::OnDrawIcon(GxContext&)
{
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const double grey = mVisible ? 0.0 : 0.5;
    glColor4d(grey, grey, grey, 0.2);
    WxFillRect(0.0, 0.0, 32.0, 32.0);
    glColor4d(1.0, 1.0, 1.0, mVisible ? 1.0 : 0.2);
    glBegin(GL_LINE_LOOP);
    glVertex2d(0.5, 0.5);
    glVertex2d(31.5, 0.5);
    glVertex2d(31.5, 31.5);
    glVertex2d(0.5, 31.5);
    glEnd();
    glPopAttrib();
}
