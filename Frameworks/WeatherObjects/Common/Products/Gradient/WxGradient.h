// The map layer that fills a grid's cells with colours of one station parameter through a 1-D texture, and its
// legend: the colour strips with their scale and the value under the mouse. Main thread only.
#pragma once

#include "DxObsClient.h"
#include "DxParm.h"
#include "GxColor.h"
#include "GxColorGradient.h"
#include "GxCoordinates.h"
#include "GxDisplayList.h"
#include "WxProduct.h"

#include <memory>
#include <vector>

class DxFloatField;

// Entry k of the table, its last entry past the end, opaque black for an empty table.
GxColor WxGradientEntry(const GxColorTable& inTable, std::size_t inIndex);

class WxGradient : public WxProduct, public DxObsClient
{
public:
    WxGradient(WxMap* inMap, const XmlElement* inXml);
    ~WxGradient() override;
    static WxProduct* Make(WxMap* inMap, const XmlElement* inXml);

    void SetParameter(const DxParm& inParm);
    const DxParm& Parameter() const { return mParm; }
    void SetMin(double inMinimum);
    void SetMax(double inMaximum);
    double GetMin() const { return mMinimum; }
    double GetMax() const { return mMaximum; }
    void SetAuto(bool inAuto);
    bool IsAuto() const { return mAuto; }
    void SetColorGradient(const GxColorGradient& inGradient);
    GxColorGradient GetColorGradient() const { return mGradient; }
    GxColorTable GetColorTable() const { return mColorTable; }
    double GetValueFromPosition(const GxPosition& inPosition) const;

    // The colour index of every grid point, 1 to 254, 255 for a missing value; none before a grid.
    void IndexGrid();
    const DxFloatField* Indices() const { return mIndices.get(); }
    const GxDisplayList& CellList() const { return mCells; }

protected:
    void OnDrawProduct(GxContext& ioContext) override;
    void OnDrawIcon(GxContext& ioContext) override;
    void OnInternalize(const XmlElement* inXml) override;
    void OnExternalize(XmlBuilder& ioBuilder) const override;
    void OnDatesChanged(const CxDate& inStart, const CxDate& inEnd) override;
    void OnIntervalChanged(CxSint64 inSeconds) override;
    void OnDateChanged(const CxDate& inDate) override;
    void OnProjectionChanged() override;
    bool OnIsScalar() const override;
    bool OnIsReadyToDraw() const override;
    WxInspector* OnCreateLegend() override;
    void OnGridChanged() override;
    void OnSetChanged() override;
    void OnAuthenticationChanged() override;

private:
    const DxFloatField* Field() const;
    void BuildColorTexture();
    void BuildPerimeter();
    void BuildBounds();

    DxParm mParm;
    std::unique_ptr<DxFloatField> mIndices;
    double mMinimum = 0.0;
    double mMaximum = 100.0;
    bool mAuto = true;
    std::vector<GxPosition> mPerimeter;
    GxColorGradient mGradient{kGxGradientColors256};
    GxColorTable mColorTable{kGxGradientColors256};
    unsigned int mTexture = 0;
    GxDisplayList mCells;
    bool mTextureValid = false;
    CxString mDatasetId;
};

class WxGradientLegend : public WxProductInspector
{
public:
    explicit WxGradientLegend(WxGradient* inGradient);
    ~WxGradientLegend() override;

    void OnDraw(GxContext& ioContext, const CxRect& inBounds) override;

private:
    WxGradient* mGradient;
};
