// The map layer that writes one station parameter of an observation data set beside each station, decluttered,
// and its legend: a banded bar with the data's scale and the value of the station nearest the mouse.
// Main thread only.
#pragma once

#include "DxObsClient.h"
#include "DxParm.h"
#include "GxColor.h"
#include "GxFont.h"
#include "GxString.h"
#include "WxProduct.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

class DxFrame;

class WxObs : public WxProduct, public DxObsClient
{
public:
    WxObs(WxMap* inMap, const XmlElement* inXml);
    ~WxObs() override;
    static WxProduct* Make(WxMap* inMap, const XmlElement* inXml);

    void SetParameter(const DxParm& inParm);
    // 0 to 8 set the alignments of that place; any other value keeps them.
    void SetLocation(std::uint32_t inLocation);
    void SetPosition(GxHAlign inH, GxVAlign inV);
    void SetPrecision(std::uint32_t inPrecision);
    // NaN: no limit.
    void SetMinimum(double inMinimum);
    void SetMaximum(double inMaximum);
    void SetDrawOutline(bool inOutline);

    const DxParm& Parameter() const { return mParm; }
    std::uint32_t Location() const { return mLocation; }
    std::uint32_t Precision() const { return mPrecision; }
    GxHAlign HAlign() const { return mHAlign; }
    GxVAlign VAlign() const { return mVAlign; }
    bool DrawOutline() const { return mOutline; }
    double Minimum() const { return mMinimum; }
    double Maximum() const { return mMaximum; }
    // The extremes of the parameter's float field, missing values skipped; NaN without one.
    double DataMaximum() const;
    double DataMinimum() const;
    // The labels of the last draw, one per labelled station in record order.
    const GxStringGroup& Labels() const { return mLabels; }

protected:
    void OnDrawProduct(GxContext& ioContext) override;
    void OnDrawIcon(GxContext& ioContext) override;
    void OnInternalize(const XmlElement* inXml) override;
    void OnExternalize(XmlBuilder& ioBuilder) const override;
    void OnDatesChanged(const CxDate& inStart, const CxDate& inEnd) override;
    void OnIntervalChanged(CxSint64 inSeconds) override;
    void OnDateChanged(const CxDate& inDate) override;
    void OnProjectionChanged() override;
    void OnSetColor(const GxColor& inColor) override;
    void OnSetFont(const GxFont& inFont) override;
    bool OnIsScalar() const override;
    bool OnIsReadyToDraw() const override;
    bool OnHasAttributesForPositions() const override;
    bool OnGetAttributesFromPosition(const GxPosition& inPosition, CxStringList& outNames,
                                     CxStringList& outValues) const override;
    GxColor OnGetColor() const override;
    GxFont OnGetFont() const override;
    WxInspector* OnCreateLegend() override;
    void OnTableChanged() override;
    void OnSetChanged() override;
    void OnAuthenticationChanged() override;

private:
    // The station frame: the grid when there is one, else the table.
    DxFrame* StationFrame() const;
    std::vector<CxString> LabelTexts() const;
    void BuildBounds();
    void BuildStrings();
    void Changed(bool inRebuild);

    DxParm mParm;
    std::uint32_t mPrecision = 0;
    std::uint32_t mLocation = 4;
    GxHAlign mHAlign = kGxHAlignCenter;
    GxVAlign mVAlign = kGxVAlignAscentCenter;
    GxColor mColor{0.0, 0.0, 0.0, 1.0};
    GxStringGroup mLabels;
    bool mRebuild = true;
    bool mOutline = false;
    std::unique_ptr<GxFont> mFont = std::make_unique<GxFont>(0, 10);
    // The largest label size in the view last drawn, 0 before the first draw.
    CxSint32 mLabelSizeLimit = 0;
    double mMinimum = std::numeric_limits<double>::quiet_NaN();
    double mMaximum = std::numeric_limits<double>::quiet_NaN();
    mutable double mDataMaximum = std::numeric_limits<double>::quiet_NaN();
    mutable double mDataMinimum = std::numeric_limits<double>::quiet_NaN();
    CxString mDatasetId;
};

class WxObsLegend : public WxProductInspector
{
public:
    explicit WxObsLegend(WxObs* inObs);
    ~WxObsLegend() override;

    void OnDraw(GxContext& ioContext, const CxRect& inBounds) override;

private:
    WxObs* mObs;
};
