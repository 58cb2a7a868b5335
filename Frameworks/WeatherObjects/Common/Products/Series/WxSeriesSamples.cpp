#include "WxSeriesSamples.h"

#include "CxDebug.h"
#include "CxUtilities.h"
#include "DxField.h"
#include "DxFrame.h"
#include "GxContext.h"
#include "WxDrawSupport.h"
#include "WxGraph.h"
#include "WxSeries.h"
#include "WxSeriesKit.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
constexpr const char* kTimeKey = "time:secs";
}

CxDate WxSeriesColumns::SampleDate(std::size_t inRow) const
{
    return mDate + (*mTimes)[inRow];
}

double WxSeriesColumns::Value(std::size_t inColumn, std::size_t inRow) const
{
    return (*mValues[inColumn])[inRow];
}

std::vector<WxSeriesColumns> WxSeriesTables(const DxSeriesClient::FrameMap& inFrames,
                                            const std::vector<CxString>& inKeys)
{
    std::vector<WxSeriesColumns> tables;
    for (const auto& [date, frame] : inFrames)
    {
        const auto* table = dynamic_cast<const DxTable*>(frame);
        if (table == nullptr)
            continue;
        WxSeriesColumns columns;
        columns.mDate = date;
        columns.mTimes = table->FindFloatField(CxString(kTimeKey));
        if (columns.mTimes == nullptr)
            continue;
        columns.mCount = columns.mTimes->size();
        for (const CxString& key : inKeys)
        {
            const DxFloatField* field = table->FindFloatField(key);
            columns.mValues.push_back(field);
            columns.mCount = field == nullptr ? 0 : std::min(columns.mCount, field->size());
        }
        // An empty column has no first sample to date the frame by.
        if (columns.mCount != 0)
            tables.push_back(columns);
    }
    return tables;
}

void WxSeriesRange(const DxSeriesClient::FrameMap& inFrames, const CxString& inKey, double& outMinimum,
                   double& outMaximum)
{
    // A column starting missing, or a frame without the field, must not hide the rest: the automatic axis would
    // clip drawn data away.
    outMinimum = std::numeric_limits<double>::quiet_NaN();
    outMaximum = outMinimum;
    for (const auto& [date, frame] : inFrames)
    {
        const auto* table = dynamic_cast<const DxTable*>(frame);
        const DxFloatField* field = table == nullptr ? nullptr : table->FindFloatField(inKey);
        if (field == nullptr)
            continue;
        for (double value : *field)
        {
            outMinimum = CxMinNotNan(outMinimum, value);
            outMaximum = CxMaxNotNan(outMaximum, value);
        }
    }
}

WxSeriesAxis* WxSeriesAxisOf(WxSeries& inSeries, const DxSet* inSet)
{
    WxGraph* graph = inSeries.Graph();
    if (graph == nullptr || WxSeriesManagerOf(inSet) == nullptr || graph->GetTimeAxis() == nullptr)
        return nullptr;
    WxSeriesAxis* axis = graph->GetAxis(&inSeries);
    CxAssertText(axis != nullptr, "axis != nil");
    return axis;
}

bool WxAxisRangeMoved(const WxSeriesAxis& inAxis, double& ioMaximum, double& ioMinimum)
{
    const bool moved = inAxis.Max() != ioMaximum || inAxis.Min() != ioMinimum;
    ioMaximum = inAxis.Max();
    ioMinimum = inAxis.Min();
    return moved;
}

bool WxSeriesPlotOf(const WxGraph& inGraph, const WxSeriesAxis& inAxis, double inInterval, WxSeriesPlot& outPlot)
{
    const double range = inAxis.Max() - inAxis.Min();
    if (!(range > 0.0) || !std::isfinite(range) || !(inInterval > 0.0))
        return false;
    outPlot.mPlot = WxGraph::PlotRect(inGraph.Bounds());
    outPlot.mRange = range;
    outPlot.mInterval = inInterval;
    outPlot.mYScale = outPlot.mPlot.Height() / range;
    outPlot.mXScale = inInterval * inGraph.GetTimeAxis()->PixelsPerSecond();
    outPlot.mClip = GxRect(0.0, 0.0, std::trunc((inGraph.EndDate() - inGraph.StartDate()) / inInterval), range);
    return true;
}

void WxBeginSeriesDraw(GxContext& ioContext, const GxColor& inColor, double inAlpha, const CxRect& inPlot,
                       double inLineWidth)
{
    ioContext.PushAttribs();
    glColor4d(inColor.mRed, inColor.mGreen, inColor.mBlue, inColor.mAlpha * inAlpha);
    glPushMatrix();
    glTranslated(inPlot.left, inPlot.top, 0.0);
    if (inLineWidth <= 2.0)
        ioContext.AntiAlias();
    if (inLineWidth > 0.0)
        ioContext.LineWidth(inLineWidth);
}

void WxEndSeriesDraw(GxContext& ioContext)
{
    glPopMatrix();
    ioContext.PopAttribs();
}

void WxWalkSteps(const std::vector<WxSeriesColumns>& inTables, const CxDate& inStart, const CxDate& inEnd,
                 double inInterval, const std::function<void(const WxSeriesColumns&)>& inTable,
                 const std::function<void(double inStep, const WxSeriesColumns&, std::size_t inRow)>& inSample)
{
    if (!(inInterval > 0.0))
        return;
    for (const WxSeriesColumns& table : inTables)
    {
        inTable(table);
        std::size_t row = 0;
        double step = 0.0;
        for (CxDate d = inStart; d - inEnd <= 0.0 && row < table.mCount; d += inInterval, step += 1.0)
        {
            while (row < table.mCount && table.SampleDate(row) - d < 0.0)
                ++row;
            if (row < table.mCount && table.SampleDate(row) - d == 0.0)
                inSample(step, table, row++);
        }
    }
}

bool WxNearestSample(const std::vector<WxSeriesColumns>& inTables, const CxDate& inGraphStart, const CxDate& inTracking,
                     const WxSeriesColumns*& outTable, std::size_t& outRow)
{
    for (const WxSeriesColumns& table : inTables)
    {
        std::size_t row = 0;
        while (row < table.mCount && table.SampleDate(row) - inGraphStart < 0.0)
            ++row;
        const std::size_t first = row;
        for (; row < table.mCount; ++row)
        {
            if (table.SampleDate(row) - inTracking < 0.0)
                continue;
            const std::size_t before = row == first ? row : row - 1;
            const double a = std::trunc(inTracking - table.SampleDate(before));
            const double b = std::trunc(table.SampleDate(row) - inTracking);
            outTable = &table;
            outRow = a < b ? before : row;
            return true;
        }
    }
    return false;
}

void WxDrawIconFrame(GxContext& ioContext, const WxGraph* inGraph)
{
    const GxColor background = inGraph != nullptr ? inGraph->Color() : GxColor(1.0, 1.0, 1.0, 1.0);
    ioContext.PushAttribs();
    glLineWidth(1.0f);
    WxGlColor(background.Brightness() > 0.6 ? GxColor(0.0, 0.0, 0.0, 1.0) : GxColor(1.0, 1.0, 1.0, 1.0), 0.2);
    glBegin(GL_LINE_LOOP);
    glVertex2d(0.0, 0.0);
    glVertex2d(32.0, 0.0);
    glVertex2d(32.0, 32.0);
    glVertex2d(0.0, 32.0);
    glEnd();
    ioContext.PopAttribs();
}
