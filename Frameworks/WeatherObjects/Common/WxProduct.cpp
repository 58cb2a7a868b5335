#include "WxProduct.h"

#include "CxDate.h"
#include "CxDebug.h"
#include "GxColor.h"
#include "GxString.h"
#include "WxMap.h"
#include "WxValues.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

WxProduct::WxProduct(WxMap* inMap)
{
    if (inMap != nullptr)
        inMap->AdoptProduct(this, nullptr);
}

WxProduct::~WxProduct()
{
    mLegendString.reset();
    mStatusString.reset();
    if (mMap != nullptr)
        mMap->OrphanProduct(this);
}

GxColor WxProduct::Color() const
{
    return OnGetColor();
}

void WxProduct::SetVisibility(bool inVisible)
{
    if (inVisible == mVisible)
        return;
    mVisible = inVisible;
    if (mMap != nullptr)
        mMap->ProductChanged(this);
}

void WxProduct::SetSelected(bool inSelected)
{
    if (inSelected == mSelected)
        return;
    mSelected = inSelected;
    if (mMap != nullptr)
        mMap->SelectionChanged(this);
}

void WxProduct::SetName(const CxString& inName)
{
    mName = inName;
    mLegendStale = true;
    ProductDataChanged();
}

void WxProduct::SetStatus(const CxString& inStatus)
{
    mStatus = inStatus;
    mStatusStale = true;
    ProductDataChanged();
}

void WxProduct::SetStatusDate(const CxDate& inDate, bool inWithSeconds)
{
    const CxTimeZone zone;
    const CxDate reference = mMap != nullptr ? mMap->Date() : CxDate();
    const bool sameDay = inDate.AsString(CxString("%D"), zone) == reference.AsString(CxString("%D"), zone);
    CxString status = inDate.AsString(inWithSeconds ? kCxDateFormatMediumTime : kCxDateFormatShortTime, zone);
    status += inDate.AsString(CxString(" %Z"), zone);
    if (!sameDay)
    {
        CxString day = inDate.AsString(kCxDateFormatShortDate, zone);
        day += " ";
        day += status;
        status = day;
    }
    SetStatus(status);
}

void WxProduct::SetAlpha(double inAlpha)
{
    if (inAlpha == mAlpha)
        return;
    mAlpha = inAlpha;
    OnAlphaChanged(inAlpha);
    ProductChanged();
}

void WxProduct::SetIconBadge(WxProductBadge inBadge)
{
    if (inBadge == mBadge)
        return;
    mBadge = inBadge;
    ProductChanged();
}

void WxProduct::SetAuthenticationFailed(bool inFailed)
{
    if (inFailed == mAuthenticationFailed)
        return;
    mAuthenticationFailed = inFailed;
    ProductDataChanged();
}

void WxProduct::ProductChanged()
{
    InvalidateDisplayList();
    if (mMap != nullptr)
        mMap->ProductChanged(this);
}

void WxProduct::ProductDataChanged()
{
    InvalidateDisplayList();
    if (mMap != nullptr)
        mMap->ProductDataChanged(this);
}

void WxProduct::ReadCommonAttributes(const XmlElement* inXml, bool inDataFlags)
{
    // A missing "visible" hides the product, as documents have always been read.
    SetVisibility(WxReadBool(inXml->GetAttribute("visible"), true));
    SetSelected(WxReadBool(inXml->GetAttribute("selected"), true));
    SetAlpha(WxReadDouble(inXml->GetAttribute("alpha")));
    if (inDataFlags)
    {
        SetSync(WxReadBool(inXml->GetAttribute("sync"), false));
        SetCaptionSource(WxReadBool(inXml->GetAttribute("caption"), false));
    }
}

void WxProduct::WriteCommonAttributes(XmlBuilder& ioBuilder) const
{
    ioBuilder.Attribute("visible", CxString(mVisible ? "true" : "false"));
    ioBuilder.Attribute("selected", CxString(mSelected ? "true" : "false"));
    ioBuilder.Attribute("alpha", CxString(mAlpha, 1));
}

void WxProduct::WriteDataFlags(XmlBuilder& ioBuilder) const
{
    if (mSync)
        ioBuilder.Attribute("sync", CxString("true"));
    if (mCaptionSource)
        ioBuilder.Attribute("caption", CxString("true"));
}

void WxProduct::OnDrawProduct(GxContext&) {}

void WxProduct::OnInternalize(const XmlElement*) {}

void WxProduct::OnExternalize(XmlBuilder& ioBuilder) const
{
    ioBuilder.Comment(" *** DEBUG *** UNKNOWN PRODUCT *** ");
}

void WxProduct::OnCalculateBounds(GxRect&) const {}

void WxProduct::OnDatesChanged(const CxDate&, const CxDate&) {}

void WxProduct::OnIntervalChanged(CxSint64) {}

void WxProduct::OnDateChanged(const CxDate&) {}

void WxProduct::OnBackgroundChanged() {}

void WxProduct::OnProjectionChanged() {}

void WxProduct::OnScaleChanged() {}

void WxProduct::OnAlphaChanged(double) {}

void WxProduct::OnSetColor(const GxColor&) {}

void WxProduct::OnSetFont(const GxFont&) {}

bool WxProduct::OnIsVector() const
{
    return false;
}

bool WxProduct::OnIsScalar() const
{
    return false;
}

bool WxProduct::OnIsReadyToDraw() const
{
    return true;
}

bool WxProduct::OnHasAttributesForPositions() const
{
    return false;
}

bool WxProduct::OnGetAttributesFromPosition(const GxPosition&, CxStringList& outNames, CxStringList& outValues) const
{
    outNames.clear();
    outValues.clear();
    return false;
}

GxColor WxProduct::OnGetColor() const
{
    return GxColor(0.0, 0.0, 1.0, mAlpha);
}

GxFont WxProduct::OnGetFont() const
{
    return GxFont();
}

WxInspector* WxProduct::OnCreateLegend()
{
    return new WxProductInspector(this);
}

WxPopup* WxProduct::OnCreatePopup()
{
    return new WxPopup;
}

WxProductInspector::WxProductInspector(WxProduct* inProduct) : mProduct(inProduct)
{
    if (inProduct != nullptr && inProduct->Map() != nullptr)
        mTrackPosition = inProduct->Map()->TrackingPosition();
}

WxProductInspector::~WxProductInspector() = default;
