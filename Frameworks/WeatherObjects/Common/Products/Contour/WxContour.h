// The map layer that draws labelled isolines of one gridded station parameter, and its legend: a bar of the
// levels with their scale and the value under the mouse. Main thread only.
#pragma once

#include "DxObsClient.h"
#include "DxParm.h"
#include "GxColor.h"
#include "GxDisplayList.h"
#include "GxFont.h"
#include "GxString.h"
#include "WxProduct.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

class GxProjection;

class WxContour : public WxProduct, public DxObsClient
{
public:
    // A document can ask for any number of levels; more than this only blackens the map.
    static constexpr int kMaxLevels = 1000;

    WxContour(WxMap* inMap, const XmlElement* inXml);
    ~WxContour() override;
    static WxProduct* Make(WxMap* inMap, const XmlElement* inXml);

    void SetParameter(const DxParm& inParm);
    void SetLineWidth(double inWidth);
    void SetLabelFlag(bool inLabels);
    void SetPrecision(std::uint32_t inPrecision);
    void SetMaximum(double inMaximum);
    void SetMinimum(double inMinimum);
    // Not above 0 (NaN included): 1.0.
    void SetContourInterval(double inInterval);
    void SetDrawOutline(bool inOutline);
    void SetAuto(bool inAuto);

    const DxParm& Parameter() const { return mParm; }
    double LineWidth() const { return mWidth; }
    bool Label() const { return mLabels; }
    std::uint32_t Precision() const { return mPrecision; }
    double Maximum() const { return mLast; }
    double Minimum() const { return mFirst; }
    double ContourInterval() const { return mInterval; }
    bool IsAuto() const { return mAuto; }
    bool DrawOutline() const { return mOutline; }
    // Bilinear in the grid; NaN outside it or without the field.
    double GetValueFromPosition(const GxPosition& inPosition) const;

    // Rebuilt with the line list: map points in pairs, and the level labels, their font cut to the label size
    // limit (none before the first draw, which sets it from the map's height).
    void BuildContours();
    const std::vector<GxPoint>& Segments() const { return mSegments; }
    const GxStringGroup& Labels() const { return mLabelGroup; }
    // The levels the last build traced.
    int LevelCount() const { return mLevelCount; }

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
    GxColor OnGetColor() const override;
    GxFont OnGetFont() const override;
    WxInspector* OnCreateLegend() override;
    void OnGridChanged() override;
    void OnSetChanged() override;
    void OnAuthenticationChanged() override;

private:
    const DxFloatField* Field() const;
    void ComputeExtrema();
    void BuildBounds();
    void Invalidate();
    void TraceSubCell(const double* inValues, int inX0, int inY0, double inLevel, int& ioCounter);

    DxParm mParm;
    GxColor mColor{0x88 / 255.0, 0.0, 0.0, 1.0};
    std::uint32_t mPrecision = 1;
    double mWidth = 1.0;
    bool mLabels = true;
    bool mOutline = true;
    double mRangeMax = std::numeric_limits<double>::quiet_NaN();
    double mRangeMin = std::numeric_limits<double>::quiet_NaN();
    double mInterval = std::numeric_limits<double>::quiet_NaN();
    bool mAuto = true;
    double mFirst = std::numeric_limits<double>::quiet_NaN();
    double mLast = std::numeric_limits<double>::quiet_NaN();
    int mLevelCount = 0;
    std::vector<GxPoint> mSegments;
    GxStringGroup mLabelGroup;
    std::unique_ptr<GxFont> mFont = std::make_unique<GxFont>(0, 10);
    GxDisplayList mLines;
    CxString mDatasetId;
    // The largest label font size, 0 for no limit.
    CxSint32 mLabelSizeLimit = 0;
    // Tracing state of the current build.
    const DxGrid* mTraceGrid = nullptr;
    const GxProjection* mTraceProjection = nullptr;
    GxFont* mTraceFont = nullptr;
    // The projected crossings of the cell's two middle lines, lower/left half first.
    GxPoint mShared[4];
    bool mSharedValid[4] = {};
};

class WxContourLegend : public WxProductInspector
{
public:
    explicit WxContourLegend(WxContour* inContour);
    ~WxContourLegend() override;

    void OnDraw(GxContext& ioContext, const CxRect& inBounds) override;

private:
    WxContour* mContour;
};
