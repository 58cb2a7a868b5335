// The samples a graph series reads from its tables: the frames holding the time and the series' columns, their
// value range, the walk along the graph's time steps and the sample nearest the tracking time. Shared by the line
// and the wind series. Main thread only.
#pragma once

#include "CxDate.h"
#include "CxString.h"
#include "DxSeriesClient.h"

#include <cstddef>
#include <functional>
#include <vector>

class DxFloatField;
class DxSeriesManager;
class DxSet;
class GxContext;
class WxGraph;

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

// Walks each table along the steps inStart + k x interval up to inEnd, calling inTable before each table and
// inSample for each sample dated on a step, with k. The interval must be above 0.
void WxWalkSteps(const std::vector<WxSeriesColumns>& inTables, const CxDate& inStart, const CxDate& inEnd,
                 double inInterval, const std::function<void(const WxSeriesColumns&)>& inTable,
                 const std::function<void(double inStep, const WxSeriesColumns&, std::size_t inRow)>& inSample);

// The sample nearest the tracking time among those from the graph start on: the earlier of the two around it only
// when it is nearer in whole seconds. False when no table reaches the tracking time.
bool WxNearestSample(const std::vector<WxSeriesColumns>& inTables, const CxDate& inGraphStart, const CxDate& inTracking,
                     const WxSeriesColumns*& outTable, std::size_t& outRow);

// The name with its first letter capitalised.
CxString WxCapitalized(const CxString& inName);

// The set's series manager; null without a set or for a set of another kind.
DxSeriesManager* WxSeriesManagerOf(const DxSet* inSet);

// The station's name from the set's site list; false when the list has no name for it.
bool WxSiteName(const DxSet* inSet, const CxString& inSite, CxString& outName);

// The frame around a series icon: line width 1, black over a bright graph, white over a dark one, alpha 0.2.
void WxDrawIconFrame(GxContext& ioContext, const WxGraph* inGraph);
