// The base of every map layer: what all layers share, their attachment to the map, and the hooks through which
// the map and the instances drive them. Data-showing products also derive from a data client. Main thread only.
#pragma once

#include "CxString.h"
#include "CxTypes.h"
#include "GxCoordinates.h"
#include "GxDisplayList.h"
#include "GxFont.h"
#include "WxInspector.h"

#include <memory>

class CxDate;
class CxRect;
class CxStringList;
class GxColor;
class GxContext;
class GxString;
class WxMap;
class XmlBuilder;
class XmlElement;

enum WxProductBadge : CxSint32
{
    kWxBadgeNone = 0,
    kWxBadgeLock = 1,
    kWxBadgeNoData = 2
};

class WxProduct : public GxDisplayList
{
public:
    // Adopted at the top of the map when one is given; the product class then reads its element.
    explicit WxProduct(WxMap* inMap);
    // Leaves the map (message 1002) when on one.
    ~WxProduct() override;

    void Internalize(const XmlElement* inXml) { OnInternalize(inXml); }
    void Externalize(XmlBuilder& ioBuilder) const { OnExternalize(ioBuilder); }
    void DatesChanged(const CxDate& inStart, const CxDate& inEnd) { OnDatesChanged(inStart, inEnd); }
    void DateChanged(const CxDate& inDate) { OnDateChanged(inDate); }
    void IntervalChanged(CxSint64 inSeconds) { OnIntervalChanged(inSeconds); }
    void BackgroundChanged() { OnBackgroundChanged(); }
    void ProjectionChanged() { OnProjectionChanged(); }
    void ScaleChanged() { OnScaleChanged(); }
    void SetColor(const GxColor& inColor) { OnSetColor(inColor); }
    void SetFont(const GxFont& inFont) { OnSetFont(inFont); }
    bool IsVector() const { return OnIsVector(); }
    bool IsScalar() const { return OnIsScalar(); }
    bool IsReadyToDraw() const { return OnIsReadyToDraw(); }
    bool HasAttributesForPositions() const { return OnHasAttributesForPositions(); }
    bool GetAttributesFromPosition(const GxPosition& inPosition, CxStringList& outNames, CxStringList& outValues) const
    {
        return OnGetAttributesFromPosition(inPosition, outNames, outValues);
    }
    GxColor Color() const;
    GxFont Font() const { return OnGetFont(); }
    // Owned by the caller.
    WxInspector* CreateLegend() { return OnCreateLegend(); }
    WxPopup* CreatePopup() { return OnCreatePopup(); }

    // Nothing when hidden; replays the display list while it is valid, else draws (and may compile) afresh.
    void DrawProduct(GxContext& ioContext);
    // One legend row, 175 x 40 above the current origin.
    void DrawLegendItem(GxContext& ioContext, const CxRect& inIconRect, bool inActive);
    // The 32 px icon with its glass and shadow; the badge in its corner.
    void DrawIcon(GxContext& ioContext);
    void DrawIconBadge(GxContext& ioContext);

    void SetVisibility(bool inVisible);
    void ToggleVisibility() { SetVisibility(!mVisible); }
    void SetSelected(bool inSelected);
    void ToggleSelected() { SetSelected(!mSelected); }
    void SetSync(bool inSync) { mSync = inSync; }
    void SetCaptionSource(bool inCaption) { mCaptionSource = inCaption; }
    void SetMap(WxMap* inMap) { mMap = inMap; }
    void SetName(const CxString& inName);
    void SetStatus(const CxString& inStatus);
    // The data date's time (with seconds when asked) and zone, after its short date when it is not on the map's
    // displayed day, in the local zone.
    void SetStatusDate(const CxDate& inDate, bool inWithSeconds);
    void SetAlpha(double inAlpha);
    void SetIconBadge(WxProductBadge inBadge);
    void SetAuthenticationFailed(bool inFailed);
    void ProductChanged();
    void ProductDataChanged();

    const CxString& Name() const { return mName; }
    const CxString& Status() const { return mStatus; }
    bool IsVisible() const { return mVisible; }
    bool IsSelected() const { return mSelected; }
    bool IsSync() const { return mSync; }
    bool IsCaptionSource() const { return mCaptionSource; }
    double Alpha() const { return mAlpha; }
    const GxRect& Bounds() const { return mBounds; }
    WxMap* Map() const { return mMap; }
    WxProductBadge IconBadge() const { return mBadge; }
    bool AuthenticationFailed() const { return mAuthenticationFailed; }
    // The legend row's cached name and status texts; null until the row is first drawn.
    const GxString* LegendString() const { return mLegendString.get(); }
    const GxString* StatusString() const { return mStatusString.get(); }

protected:
    virtual void OnDrawProduct(GxContext& ioContext);
    virtual void OnDrawIcon(GxContext& ioContext);
    virtual void OnInternalize(const XmlElement* inXml);
    virtual void OnExternalize(XmlBuilder& ioBuilder) const;
    virtual void OnCalculateBounds(GxRect& ioBounds) const;
    virtual void OnDatesChanged(const CxDate& inStart, const CxDate& inEnd);
    virtual void OnIntervalChanged(CxSint64 inSeconds);
    virtual void OnDateChanged(const CxDate& inDate);
    virtual void OnBackgroundChanged();
    virtual void OnProjectionChanged();
    virtual void OnScaleChanged();
    virtual void OnAlphaChanged(double inAlpha);
    virtual void OnSetColor(const GxColor& inColor);
    virtual void OnSetFont(const GxFont& inFont);
    virtual bool OnIsVector() const;
    virtual bool OnIsScalar() const;
    virtual bool OnIsReadyToDraw() const;
    virtual bool OnHasAttributesForPositions() const;
    virtual bool OnGetAttributesFromPosition(const GxPosition& inPosition, CxStringList& outNames,
                                             CxStringList& outValues) const;
    virtual GxColor OnGetColor() const;
    virtual GxFont OnGetFont() const;
    virtual WxInspector* OnCreateLegend();
    virtual WxPopup* OnCreatePopup();

    // The shared attributes: "visible", "selected" and "alpha" read; "sync" and "caption" only by products that
    // show data sets (inDataFlags).
    void ReadCommonAttributes(const XmlElement* inXml, bool inDataFlags);
    // "visible", "selected" and "alpha", written first by every product.
    void WriteCommonAttributes(XmlBuilder& ioBuilder) const;
    // "sync" and "caption", each only when set, written last by the products that show data sets.
    void WriteDataFlags(XmlBuilder& ioBuilder) const;

    GxRect mBounds;
    WxMap* mMap = nullptr;
    CxString mName;
    CxString mStatus;
    std::unique_ptr<GxString> mLegendString;
    std::unique_ptr<GxString> mStatusString;
    bool mVisible = true;
    bool mSelected = false;
    bool mSync = false;
    double mAlpha = 1.0;
    bool mAuthenticationFailed = false;
    CxUint32 mShadowTexture = 0;
    CxUint32 mGlassTexture = 0;
    WxProductBadge mBadge = kWxBadgeNone;
    bool mCaptionSource = false;
    bool mLegendStale = true;
    bool mStatusStale = true;
};

// The base legend a product hands to the product inspector panel.
class WxProductInspector : public WxInspector
{
public:
    explicit WxProductInspector(WxProduct* inProduct);
    ~WxProductInspector() override;

    WxProduct* Product() const { return mProduct; }
    void SetTrackPosition(const GxPosition& inPosition) override { mTrackPosition = inPosition; }
    const GxPosition& TrackPosition() const { return mTrackPosition; }

private:
    WxProduct* mProduct;
    GxPosition mTrackPosition;
};
