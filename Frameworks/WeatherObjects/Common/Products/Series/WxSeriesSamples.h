// The samples a graph series reads from its tables: the frames holding the time and the series' columns, their
// value range, the plot they are drawn in, the walk along the graph's time steps and the sample nearest the
// tracking time. Shared by the line and the wind series. Main thread only; drawing needs the GL context current.
#pragma once

#include "CxCoordinates.h"
#include "CxDate.h"
#include "CxString.h"
#include "DxSeriesClient.h"
#include "GxCoordinates.h"

#include <cstddef>
#include <functional>
#include <vector>

class DxFloatField;
class DxSet;
class GxColor;
class GxContext;
class WxGraph;
class WxSeries;
class WxSeriesAxis;

// One table's time column and the series' value columns, cut to the rows every column holds.
struct WxSeriesColumns
{
    CxDate mDate;
    const DxFloatField* mTimes = nullptr;
    std::vector<const DxFloatField*> mValues;
    std::size_t mCount = 0;

    CxDate SampleDate(std::size_t inRow) const;
    double Value(std::size_t inColumn, std::size_t inRow) const;
};

// The table frames in date order that hold "time:secs" and every key with at least one row; the others are skipped.
std::vector<WxSeriesColumns> WxSeriesTables(const DxSeriesClient::FrameMap& inFrames,
                                            const std::vector<CxString>& inKeys);

// The smallest and largest value of the key over every table holding it, missing values skipped; NaN for none.
void WxSeriesRange(const DxSeriesClient::FrameMap& inFrames, const CxString& inKey, double& outMinimum,
                   double& outMaximum);

// Where a series draws: the pane's plot in pixels, and the steps of the client's interval from the graph start by
// the value units above the axis minimum.
struct WxSeriesPlot
{
    CxRect mPlot;
    double mRange = 0.0;
    double mInterval = 0.0;
    double mXScale = 0.0;
    double mYScale = 0.0;
    // The steps the graph spans by the axis range.
    GxRect mClip;
};

// The series' value axis, asserted ("axis != nil"); null, with nothing to draw, without a graph, a time axis or a
// series manager.
WxSeriesAxis* WxSeriesAxisOf(WxSeries& inSeries, const DxSet* inSet);

// Whether the axis range moved away from the one the series' caches were built for, which then follows it.
bool WxAxisRangeMoved(const WxSeriesAxis& inAxis, double& ioMaximum, double& ioMinimum);

// False, with nothing to draw, on a flat or unknown axis, or at a zero interval, which would never advance the walk.
bool WxSeriesPlotOf(const WxGraph& inGraph, const WxSeriesAxis& inAxis, double inInterval, WxSeriesPlot& outPlot);

// Pushes the attributes and the matrix: the colour at its alpha times the series', the origin at the plot's
// lower-left corner, anti-aliasing at widths up to 2 and the width when above 0. WxEndSeriesDraw pops both.
void WxBeginSeriesDraw(GxContext& ioContext, const GxColor& inColor, double inAlpha, const CxRect& inPlot,
                       double inLineWidth);
void WxEndSeriesDraw(GxContext& ioContext);

// Walks each table along the steps inStart + k x interval up to inEnd, calling inTable before each table and
// inSample for each sample dated on a step, with k. The interval must be above 0.
void WxWalkSteps(const std::vector<WxSeriesColumns>& inTables, const CxDate& inStart, const CxDate& inEnd,
                 double inInterval, const std::function<void(const WxSeriesColumns&)>& inTable,
                 const std::function<void(double inStep, const WxSeriesColumns&, std::size_t inRow)>& inSample);

// The sample nearest the tracking time among those from the graph start on: the earlier of the two around it only
// when it is nearer in whole seconds. False when no table reaches the tracking time.
bool WxNearestSample(const std::vector<WxSeriesColumns>& inTables, const CxDate& inGraphStart, const CxDate& inTracking,
                     const WxSeriesColumns*& outTable, std::size_t& outRow);

// The frame around a series icon: line width 1, black over a bright graph, white over a dark one, alpha 0.2.
void WxDrawIconFrame(GxContext& ioContext, const WxGraph* inGraph);
