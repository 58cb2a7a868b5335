// A line over time in a graph pane: one station parameter of a time-series set, from the set's manager. Main
// thread only; drawing needs the GL context current.
#pragma once

#include "DxParm.h"
#include "DxSeriesClient.h"
#include "GxColor.h"
#include "GxCoordinates.h"
#include "GxDisplayList.h"
#include "WxSeries.h"

#include <limits>

class WxSeriesClient : public WxSeries, public DxSeriesClient, public WxDataSeries
{
public:
    explicit WxSeriesClient(WxGraph* inGraph);
    ~WxSeriesClient() override;

    static WxSeries* Make(WxGraph* inGraph) { return new WxSeriesClient(inGraph); }

    void SetClientInfo(const CxString& inSite, const DxParm& inParm);
    void SetLineWidth(double inWidth);
    void SetDrawInterpolated(bool inInterpolate);
    // The empty name becomes "none".
    void SetSymbol(const CxString& inSymbol);
    void SetFilled(bool inFilled);
    // Colour and symbols are applied at each draw, so these keep the compiled line.
    void SetColor(const GxColor& inColor);
    void SetSymbolSize(double inSize);

    bool IsInterpolated() const { return mInterpolate; }
    double LineWidth() const { return mLineWidth; }
    const GxColor& Color() const { return mColor; }
    const CxString& Symbol() const { return mSymbol; }
    double SymbolSize() const { return mSymbolSize; }
    bool IsFilled() const { return mFilled; }
    const DxParm& Parameter() const { return mParm; }

    CxString AxisUnitId() const override { return mParm.Unit().Id(); }
    DxUnit DataUnit() const override { return mParm.Unit(); }
    double DataMinimum() const override { return mMinimum; }
    double DataMaximum() const override { return mMaximum; }

    // Where symbols go: the samples inside the plot (edges included), in steps from the graph start and values
    // above the axis minimum, as of the last build of the lists.
    const std::vector<GxPoint>& SymbolPoints() const { return mSymbolPoints; }
    // The compiled line and fill; colour, alpha and symbols stay outside them.
    const GxDisplayList& LineList() const { return mLineList; }
    const GxDisplayList& FillList() const { return mFillList; }

protected:
    WxSeriesInspector* OnCreateLegend() override;
    void OnDrawSeries(GxContext& ioContext) override;
    void OnDrawIcon(GxContext& ioContext) override;
    void OnInternalize(const XmlElement* inXml) override;
    void OnExternalize(XmlBuilder& ioBuilder) const override;
    void OnDatesChanged(const CxDate& inStart, const CxDate& inEnd) override;
    void OnBackgroundChanged() override {}
    bool OnGetAttributesFromPoint(const GxPoint& inPoint, CxStringList& outNames, CxStringList& outValues) override;
    void OnTableChanged() override;
    void OnAuthenticationChanged() override;

private:
    void InvalidateLists();
    // Compiles the lists while drawing them, in steps and values under the current scale.
    void BuildLists(const GxRect& inClip, double inAxisMinimum, double inRange);

    DxParm mParm;
    GxColor mColor{0.5, 0.0, 0.0, 1.0};
    double mLineWidth = 2.0;
    CxString mSymbol;
    double mSymbolSize = 2.0;
    double mMinimum = std::numeric_limits<double>::quiet_NaN();
    double mMaximum = std::numeric_limits<double>::quiet_NaN();
    bool mInterpolate = true;
    bool mFilled = false;
    std::vector<GxPoint> mSymbolPoints;
    GxDisplayList mLineList;
    GxDisplayList mFillList;
    double mListMaximum = 0.0;
    double mListMinimum = 0.0;
};
