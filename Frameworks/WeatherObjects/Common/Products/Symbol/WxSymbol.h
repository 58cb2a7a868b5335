// The map layer that marks every station of a station data set with one symbol, and lists what a station reports
// when the mouse points near it.
#pragma once

#include "DxObsClient.h"
#include "GxColor.h"
#include "WxProduct.h"

class WxSymbol : public WxProduct, public DxObsClient
{
public:
    WxSymbol(WxMap* inMap, const XmlElement* inXml);
    ~WxSymbol() override;
    static WxProduct* Make(WxMap* inMap, const XmlElement* inXml);

    // Re-subscribes even when the name is the same; a name the symbol strip lacks draws its fallback cell.
    void SetSymbol(const CxString& inName);
    const CxString& Symbol() const { return mSymbol; }
    void SetSize(double inSize);
    double Size() const { return mSize; }

protected:
    void OnDrawProduct(GxContext& ioContext) override;
    void OnDrawIcon(GxContext& ioContext) override;
    void OnInternalize(const XmlElement* inXml) override;
    void OnExternalize(XmlBuilder& ioBuilder) const override;
    void OnDatesChanged(const CxDate& inStart, const CxDate& inEnd) override;
    void OnIntervalChanged(CxSint64 inSeconds) override;
    void OnDateChanged(const CxDate& inDate) override;
    void OnProjectionChanged() override;
    void OnScaleChanged() override;
    void OnSetColor(const GxColor& inColor) override;
    bool OnIsReadyToDraw() const override { return !WaitingForData(); }
    // True even where no station is: the lists are then empty.
    bool OnGetAttributesFromPosition(const GxPosition& inPosition, CxStringList& outNames,
                                     CxStringList& outValues) const override;
    GxColor OnGetColor() const override { return mColor; }

    void OnTableChanged() override;
    void OnSetChanged() override;
    void OnAuthenticationChanged() override;

private:
    void BuildBounds();
    void DrawFromTable(GxContext& ioContext);
    void DrawFromGrid(GxContext& ioContext);

    CxString mSymbol{"solidDiamond"};
    GxColor mColor{1.0, 0.0, 0.0, 1.0};
    double mSize = 1.0;
};
