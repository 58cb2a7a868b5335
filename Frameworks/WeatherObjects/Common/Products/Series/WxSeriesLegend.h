// The inspector legends of graph series, showing the reading at the graph's tracking time: a value bar for a line,
// a key of arrow lengths or a key of barbs for wind. Main thread only; drawing needs the GL context current.
#pragma once

#include "CxString.h"
#include "GxCoordinates.h"
#include "WxInspector.h"

#include <memory>
#include <vector>

class WxSeries;
class WxSeriesClient;
class WxSeriesVectorClient;

class WxSeriesInspector : public WxInspector
{
public:
    // The tracking point starts at the graph's.
    explicit WxSeriesInspector(WxSeries* inSeries);

    void SetTrackPoint(const GxPoint& inPoint) override { mTrackPoint = inPoint; }
    const GxPoint& TrackPoint() const { return mTrackPoint; }
    WxSeries* Series() const { return mSeries; }

private:
    WxSeries* mSeries;
    GxPoint mTrackPoint;
};

// A bar with the series' value scale and a marker at the tracked value.
class WxSeriesLegend : public WxSeriesInspector
{
public:
    explicit WxSeriesLegend(WxSeriesClient* inSeries);

    void OnDraw(GxContext& ioContext, const CxRect& inBounds) override;
    bool IsShown() override { return true; }
};

// Arrows of 1 to 30 speed units at the series' arrow scale.
class WxSeriesVectorLegend : public WxSeriesInspector
{
public:
    explicit WxSeriesVectorLegend(WxSeriesVectorClient* inSeries);

    void OnDraw(GxContext& ioContext, const CxRect& inBounds) override;
    bool IsShown() override { return true; }
};

// Barbs from calm to 10 increments and one more row, the current wind picked out in its row.
class WxSeriesBarbLegend : public WxSeriesInspector
{
public:
    explicit WxSeriesBarbLegend(WxSeriesVectorClient* inSeries);
    // Deletes the speed text: the context must be current when there is one.
    ~WxSeriesBarbLegend() override;

    void OnDraw(GxContext& ioContext, const CxRect& inBounds) override;
    bool IsShown() override { return true; }

    // The row speeds' texts of the last draw, calm first.
    const std::vector<CxString>& KeyTexts() const { return mKeyTexts; }
    // The row holding the current wind (0 for calm), -1 when none is.
    int PickedRow() const { return mPickedRow; }
    // The current speed's text, empty without a current wind.
    CxString SpeedText() const;

private:
    std::unique_ptr<GxString> mSpeedText;
    std::vector<CxString> mKeyTexts;
    int mPickedRow = -1;
};
