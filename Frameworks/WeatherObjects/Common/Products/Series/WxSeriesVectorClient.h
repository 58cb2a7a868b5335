// Wind over time in a graph pane: at each time step a barb or an arrow at the height of the speed, pointing by the
// direction, from the speed and direction columns of a time-series set's vector definition. Main thread only;
// drawing needs the GL context current.
#pragma once

#include "DxParm.h"
#include "DxSeriesClient.h"
#include "GxColor.h"
#include "GxCoordinates.h"
#include "WxSeries.h"

#include <limits>
#include <vector>

class WxSeriesVectorClient : public WxSeries, public DxSeriesClient, public WxDataSeries
{
public:
    explicit WxSeriesVectorClient(WxGraph* inGraph);
    ~WxSeriesVectorClient() override;

    static WxSeries* Make(WxGraph* inGraph) { return new WxSeriesVectorClient(inGraph); }

    // Looks the vector and its speed and direction up in the set's definitions and asks for both columns.
    void SetParameter(const DxVectorParm& inVector);
    void SetClientInfo(const CxString& inSite, const DxVectorParm& inVector);
    void SetColor(const GxColor& inColor);
    void SetSymbolSize(double inSize);
    void SetLineWidth(double inWidth);
    void SetDrawBarb(bool inBarbs);

    const GxColor& Color() const { return mColor; }
    double SymbolSize() const { return mSymbolSize; }
    double LineWidth() const { return mLineWidth; }
    // The arrows' length per unit of speed: the last arrow draw's, before any the symbol size x 6 + 2, so the
    // arrow key matches the plot.
    double Scale() const;
    bool IsDrawBarb() const { return mDrawBarbs; }
    const DxVectorParm& Parameter() const { return mParm; }
    const DxParm& SpeedParameter() const { return mSpeed; }
    const DxParm& DirectionParameter() const { return mDirection; }

    // The barb increment: 2.5 for wind in "mps", else 5.
    double BaseMagnitude() const;
    // The wind of the sample nearest the graph's tracking time; the point is not used.
    bool GetVectorFromPoint(const GxPoint& inPoint, GxVector& outVector) const;

    CxString AxisUnitId() const override { return mSpeed.Unit().Id(); }
    DxUnit DataUnit() const override { return mSpeed.Unit(); }
    double DataMinimum() const override { return mMinimum; }
    double DataMaximum() const override { return mMaximum; }

    // The glyphs of the last build, in steps from the graph start and speeds above the axis minimum.
    const std::vector<GxPoint>& GlyphPoints() const { return mPoints; }

protected:
    WxSeriesInspector* OnCreateLegend() override;
    void OnDrawSeries(GxContext& ioContext) override;
    void OnDrawIcon(GxContext& ioContext) override;
    void OnInternalize(const XmlElement* inXml) override;
    void OnExternalize(XmlBuilder& ioBuilder) const override;
    void OnDatesChanged(const CxDate& inStart, const CxDate& inEnd) override;
    void OnBackgroundChanged() override {}
    void OnTableChanged() override;
    void OnAuthenticationChanged() override;
    void OnReleaseAndInvalidate() override;

private:
    DxVectorParm mParm;
    DxParm mSpeed;
    DxParm mDirection;
    GxColor mColor{0.0, 0.0, 0.5, 1.0};
    double mSymbolSize = 2.0;
    double mLineWidth = 1.0;
    double mMinimum = std::numeric_limits<double>::quiet_NaN();
    double mMaximum = std::numeric_limits<double>::quiet_NaN();
    double mScale = std::numeric_limits<double>::quiet_NaN();
    std::vector<GxPoint> mPoints;
    std::vector<GxVector> mVectors;
    // Whether the glyph places hold for the data, the dates and the axis range below.
    bool mGlyphsValid = false;
    double mCachedMaximum = 0.0;
    double mCachedMinimum = 0.0;
    bool mDrawBarbs = true;
};
