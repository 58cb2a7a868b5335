// The map layer of a station data set's wind (or any vector parameter) as barbs or arrows, at the stations of a
// table or at the cells of the grid the set's manager analyses from them, and its legend of sample glyphs.
#pragma once

#include "DxObsClient.h"
#include "DxParm.h"
#include "GxColor.h"
#include "WxProduct.h"

#include <memory>
#include <vector>

class GxString;

// The rows of the vector legend, bottom row first.
struct WxVectorLegendRows
{
    std::vector<double> mValues;
    std::vector<bool> mHighlighted;
    int mDecimals = 0;
};

// Barbs: 0 .. 10 bases and a twelfth row of the tracked value when above 10 bases (else 15 bases), a row being
// highlighted when its pennant, full and half counts are those of the tracked value (none for NaN); labels carry one
// decimal for a fractional base. Arrows: 1 and 1 .. 6 bases, no highlight, no decimals.
WxVectorLegendRows WxVectorLegendRowsFor(bool inBarbs, double inBase, double inTracked);

class WxVector : public WxProduct, public DxObsClient
{
public:
    WxVector(WxMap* inMap, const XmlElement* inXml);
    ~WxVector() override;
    static WxProduct* Make(WxMap* inMap, const XmlElement* inXml);

    // In the display unit; NaN for no limit.
    void SetMinimum(double inValue);
    void SetMaximum(double inValue);
    double Minimum() const;
    double Maximum() const;
    // Values of 0 or less are refused.
    void SetScale(double inScale);
    double Scale() const { return mScale; }
    void SetLineWidth(double inWidth);
    double LineWidth() const { return mLineWidth; }
    void SetDrawsBarbs(bool inBarbs);
    bool DrawsBarbs() const { return mDrawsBarbs; }

    DxVectorParm Parameter() const { return mParm; }
    void SetParameter(const DxVectorParm& inParm, DxFrameType inType);
    const DxParm& FirstComponent() const { return mFirst; }
    const DxParm& SecondComponent() const { return mSecond; }

    // What one half barb stands for, in the display unit.
    double BaseMagnitude() const;
    // In the display unit; NaN where there is nothing.
    double GetValueFromPosition(const GxPosition& inPosition) const;
    // Mean nearest-neighbour distance of the drawn points in map units; NaN before the first frame or with none.
    double StationSeparation() const { return mSeparation; }

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
    bool OnIsVector() const override { return true; }
    bool OnIsReadyToDraw() const override { return !WaitingForData(); }
    GxColor OnGetColor() const override { return mColor; }
    WxInspector* OnCreateLegend() override;

    void OnTableChanged() override;
    void OnReleaseAndInvalidate() override;
    void OnSetChanged() override;
    void OnAuthenticationChanged() override;

private:
    struct Setup
    {
        double mHalfBarb;
        double mBarbLength;
        double mArrowScale;
    };
    Setup BeginSetup(GxContext& ioContext, bool inSmooth) const;
    bool InLimits(double inSpeed) const;
    void DrawOne(GxContext& ioContext, const Setup& inSetup, const GxVector& inVector, const GxPoint& inPoint) const;
    void DrawFromTable(GxContext& ioContext);
    void DrawFromGrid(GxContext& ioContext);
    double CalcStationSeparation();
    void StoreLimit(double& ioLimit, double inValue);

    DxVectorParm mParm;
    DxParm mFirst;
    DxParm mSecond;
    double mLineWidth = 1.0;
    GxColor mColor{1.0, 1.0, 0.5, 1.0};
    double mScale = 30.0;
    double mMinimum;
    double mMaximum;
    double mSeparation;
    bool mDrawsBarbs = true;
};

class WxVectorLegend : public WxProductInspector
{
public:
    explicit WxVectorLegend(WxVector* inVector);
    ~WxVectorLegend() override;

    void OnDraw(GxContext& ioContext, const CxRect& inBounds) override;
    bool IsShown() override { return true; }
    // The text of the last highlighted value; "" before one.
    const CxString& ValueText() const { return mValueText; }

private:
    void DrawLabels(GxContext& ioContext, const WxVectorLegendRows& inRows, double inX, double inFirstY, double inStep,
                    double inGrey);

    WxVector* mVector;
    std::unique_ptr<GxString> mValueLabel;
    CxString mValueText;
};
