// The vertical value scale of graphs and legends: steps of 1, 2 or 5 x 10^k, about one tick per 20 pixels,
// tick marks, optional grid lines, tick labels and the unit's name on its side. Main thread only; drawing needs
// the GL context current.
#pragma once

#include "CxCoordinates.h"
#include "CxDate.h"
#include "CxString.h"
#include "DxUnit.h"
#include "GxCoordinates.h"
#include "GxDisplayList.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

class CxStringList;
class GxColor;
class GxContext;
class GxString;
class WxGraph;
class WxSeriesInspector;
class XmlBuilder;
class XmlElement;

class WxSeriesAxis
{
public:
    WxSeriesAxis() = default;
    // Deletes the label textures: the context must be current when there are any.
    ~WxSeriesAxis();
    WxSeriesAxis(const WxSeriesAxis&) = delete;
    WxSeriesAxis& operator=(const WxSeriesAxis&) = delete;

    // A changed value (NaN counts as equal to NaN) makes the labels be built again.
    void SetMin(double inValue);
    void SetMax(double inValue);
    void SetAutoMin(bool inAuto);
    void SetAutoMax(bool inAuto);
    void SetSelected(bool inSelected) { mSelected = inSelected; }
    void SetUnit(const DxUnit& inUnit);

    double Min() const { return mMinimum; }
    double Max() const { return mMaximum; }
    bool AutoMin() const { return mAutoMin; }
    bool AutoMax() const { return mAutoMax; }
    bool IsSelected() const { return mSelected; }
    const DxUnit& Unit() const { return mUnit; }

    // Element "axis"; a missing bound reads 0, an empty or "nan" one unset.
    void Internalize(const XmlElement* inXml);
    // Nothing when both bounds follow the data.
    void Externalize(XmlBuilder& ioBuilder) const;

    // Lays the scale out in the rectangle (pixels, y up from its lower edge).
    void Build(const CxRect& inRect);
    // In the rectangle's own coordinates, the origin at its lower-left corner; ticks and labels on the left side
    // with inLeft, else on the right. Nothing for a rectangle of no height.
    void Draw(GxContext& ioContext, const GxColor& inBackground, bool inLeft, bool inGrid);
    void DeleteStrings();

    // The label of an integer value standing for value / divisor, with the decimals' digits after the point.
    static CxString ValueToLabel(std::int64_t inValue, std::int64_t inDivisor, std::int32_t inDecimals);

    // The layout of the last Build.
    const CxRect& Rect() const { return mRect; }
    std::int32_t Power() const { return mPower; }
    std::int32_t Decimals() const { return mDecimals; }
    double TickSpacing() const { return mTickSpacing; }
    double FirstTickOffset() const { return mFirstTickOffset; }
    double Step() const { return mStep; }
    double LabelStep() const { return mLabelStep; }
    double FirstLabel() const { return mFirstLabel; }
    // False when the bounds leave no scale (equal, infinite, or too far apart): only the unit name is drawn.
    bool HasTicks() const { return mHasTicks; }
    // The tick positions from the bottom, as Draw places them.
    std::vector<double> TickOffsets() const;
    // The tick labels Draw shows, one per tick from the bottom.
    std::vector<CxString> TickLabels() const;
    // The textured texts of the last Draw: the unit name first, then the tick labels.
    std::vector<CxString> DrawnTexts() const;
    double WidestLabel() const { return mWidestLabel; }

private:
    void BuildStrings(GxContext& ioContext);
    void DrawStrings(GxContext& ioContext, bool inLeft);
    CxString LabelText(double inLabelValue) const;

    CxRect mRect;
    std::int32_t mPower = 0;
    std::int32_t mDecimals = 1;
    double mTickSpacing = 0.0;
    double mFirstTickOffset = 0.0;
    double mStep = 0.0;
    double mLabelStep = 0.0;
    double mFirstLabel = 0.0;
    double mMinimum = std::numeric_limits<double>::quiet_NaN();
    double mMaximum = std::numeric_limits<double>::quiet_NaN();
    std::vector<GxString*> mLabels;
    bool mLabelsValid = false;
    DxUnit mUnit;
    bool mAutoMin = true;
    bool mAutoMax = true;
    double mWidestLabel = 0.0;
    bool mSelected = false;
    bool mHasTicks = false;
};

// A layer of a graph: a line, wind barbs or a pane divider. With a graph it goes to the front of the graph's list
// at construction and leaves it when deleted; its changes reach the graph as messages. Main thread only.
class WxSeries : public GxDisplayList
{
public:
    explicit WxSeries(WxGraph* inGraph);
    ~WxSeries() override;
    WxSeries(const WxSeries&) = delete;
    WxSeries& operator=(const WxSeries&) = delete;

    // "nada" when the series needs no value axis.
    virtual CxString AxisUnitId() const;

    const CxString& Name() const { return mName; }
    const CxString& Status() const { return mStatus; }
    bool IsVisible() const { return mVisible; }
    bool IsSelected() const { return mSelected; }
    double Alpha() const { return mAlpha; }
    bool IsAuthenticationFailed() const { return mAuthenticationFailed; }
    WxGraph* Graph() const { return mGraph; }
    GxRect Bounds() const { return GxRect(); }
    // The legend's cached textures of the name and the status; null until the first legend draw.
    const GxString* LegendString() const { return mLegendString.get(); }
    const GxString* StatusString() const { return mStatusString.get(); }
    // Only the graph calls this, when adopting and orphaning.
    void SetGraph(WxGraph* inGraph) { mGraph = inGraph; }

    void Internalize(const XmlElement* inXml) { OnInternalize(inXml); }
    void Externalize(XmlBuilder& ioBuilder) const { OnExternalize(ioBuilder); }
    void DatesChanged(const CxDate& inStart, const CxDate& inEnd) { OnDatesChanged(inStart, inEnd); }
    void BackgroundChanged() { OnBackgroundChanged(); }
    void TrackingChanged(const GxPoint& inPoint) { OnTrackingChanged(inPoint); }
    // A new inspector legend the caller owns; null when the series has none.
    WxSeriesInspector* CreateLegend() { return OnCreateLegend(); }
    bool GetAttributesFromPoint(const GxPoint& inPoint, CxStringList& outNames, CxStringList& outValues)
    {
        return OnGetAttributesFromPoint(inPoint, outNames, outValues);
    }

    // Nothing when hidden; the compiled list when valid, else OnDrawSeries.
    void DrawSeries(GxContext& ioContext);
    // The 175 x 40 legend row at the origin; the rectangle is not used.
    void DrawLegendItem(GxContext& ioContext, const CxRect& inIconRect, bool inActive);
    // The glass and shadow over a 32 x 32 icon; each OnDrawIcon ends with it.
    void DrawIconEmbellishments(GxContext& ioContext);

    void SeriesChanged();
    void SeriesDataChanged();
    void SetName(const CxString& inName);
    void SetStatus(const CxString& inStatus);
    void SetVisibility(bool inVisible);
    void ToggleVisibility() { SetVisibility(!mVisible); }
    void SetSelected(bool inSelected);
    void ToggleSelected() { SetSelected(!mSelected); }
    void SetAlpha(double inAlpha);
    void SetAuthenticationFailed(bool inFailed);

protected:
    virtual WxSeriesInspector* OnCreateLegend() { return nullptr; }
    virtual void OnDrawSeries(GxContext& ioContext);
    virtual void OnDrawIcon(GxContext& ioContext);
    virtual void OnInternalize(const XmlElement* inXml);
    virtual void OnExternalize(XmlBuilder& ioBuilder) const;
    virtual void OnDatesChanged(const CxDate& inStart, const CxDate& inEnd);
    virtual void OnBackgroundChanged();
    virtual void OnTrackingChanged(const GxPoint& inPoint);
    virtual bool OnGetAttributesFromPoint(const GxPoint& inPoint, CxStringList& outNames, CxStringList& outValues);

private:
    WxGraph* mGraph = nullptr;
    CxString mName;
    CxString mStatus;
    std::unique_ptr<GxString> mLegendString;
    std::unique_ptr<GxString> mStatusString;
    bool mLegendStale = true;
    bool mStatusStale = true;
    bool mVisible = true;
    bool mSelected = false;
    double mAlpha = 1.0;
    bool mAuthenticationFailed = false;
};

// What the graph asks of a series that carries data: the unit of its values and their range, NaN when unknown.
// Only the line and wind series implement it.
class WxDataSeries
{
public:
    virtual ~WxDataSeries() = default;
    virtual DxUnit DataUnit() const = 0;
    virtual double DataMinimum() const = 0;
    virtual double DataMaximum() const = 0;
};

// A pane divider: the series after it in the list go to the next pane down. Element "split", no data.
class WxSeriesSplit : public WxSeries
{
public:
    explicit WxSeriesSplit(WxGraph* inGraph);

protected:
    void OnExternalize(XmlBuilder& ioBuilder) const override;
    void OnDrawSeries(GxContext& ioContext) override;
    void OnDrawIcon(GxContext& ioContext) override;

private:
    // A band 16 px tall and inLength long, darkest along its centre line 16 px above the origin.
    void DrawShadow(double inLength) const;
};
