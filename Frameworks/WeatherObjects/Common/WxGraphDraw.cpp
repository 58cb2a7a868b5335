// One frame of a graph: stacked panes with their series, frames, time and value axes, and the legend column with
// its date band; in 2-D pixels, y up.
#include "CxDebug.h"
#include "GxColor.h"
#include "GxContext.h"
#include "GxCoordinates.h"
#include "GxFont.h"
#include "GxString.h"
#include "WxDrawSupport.h"
#include "WxGraph.h"
#include "WxSeries.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <set>

namespace
{

constexpr CxSint16 kAxisWidth = 50;
constexpr CxSint16 kPlotTopMargin = 20;
constexpr CxSint16 kMinPlotWidth = 10;

bool IsSplit(const WxSeries* inSeries)
{
    return dynamic_cast<const WxSeriesSplit*>(inSeries) != nullptr;
}

// The smaller (larger) of two values, either of which may be NaN for absent.
double MinNotNan(double inA, double inB)
{
    return std::isnan(inA) ? inB : (std::isnan(inB) ? inA : std::min(inA, inB));
}

double MaxNotNan(double inA, double inB)
{
    return std::isnan(inA) ? inB : (std::isnan(inB) ? inA : std::max(inA, inB));
}

} // namespace

CxRect WxGraph::PlotRect(const CxRect& inBounds)
{
    CxRect plot(CxSint16(inBounds.left + kAxisWidth), CxSint16(inBounds.top + kAxisWidth),
                CxSint16(inBounds.right - kAxisWidth), CxSint16(inBounds.bottom - kPlotTopMargin));
    if (plot.Width() < kMinPlotWidth)
        plot.SetWidth(kMinPlotWidth);
    return plot;
}

void WxGraph::DrawGraph(GxContext& ioContext, const CxRect& inRect)
{
    ioContext.Begin2D();
    glClearColor(float(mColor.mRed), float(mColor.mGreen), float(mColor.mBlue), 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    mAxisAreas.clear();
    const CxSint16 paneHeight = CxSint16(inRect.Height() / CxSint16(SplitCount()));
    CxSint16 upper = inRect.bottom;
    std::int32_t pane = 1;
    SeriesList paneSeries;
    const auto drawPane = [&]
    {
        mBounds = CxRect(inRect.left, CxSint16(upper - paneHeight), inRect.right, upper);
        DrawGraphOne(ioContext, paneSeries, pane);
        paneSeries.clear();
        upper = CxSint16(upper - paneHeight);
        ++pane;
    };
    for (WxSeries* series : SeriesList(mSeries))
    {
        paneSeries.push_back(series);
        if (IsSplit(series))
            drawPane();
    }
    drawPane();
    mBounds = inRect;
    ioContext.End2D();
}

void WxGraph::DrawGraphOne(GxContext& ioContext, const SeriesList& inSeries, std::int32_t)
{
    if (mBounds.left < 0)
        mBounds.left = 0;
    mLeftAxisArea = mBounds;
    mLeftAxisArea.right = CxSint16(mBounds.left + kAxisWidth);
    mRightAxisArea = mBounds;
    mRightAxisArea.left = CxSint16(mBounds.right - kAxisWidth);
    const CxRect plot = PlotRect(mBounds);
    if (mTimeAxis == nullptr)
        mTimeAxis = std::make_unique<WxGraphTimeAxis>();
    mTimeAxis->Build(mStartDate, mEndDate, plot);
    BuildAxes();

    // The first series lies on top.
    for (auto series = inSeries.rbegin(); series != inSeries.rend(); ++series)
        (*series)->DrawSeries(ioContext);

    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushMatrix();
    // The label textures carry their glyphs in alpha.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glTranslated(plot.left, plot.top, 0.0);
    WxGlColor(WxTextColorOver(mColor), 1.0);
    glBegin(GL_LINE_LOOP);
    glVertex2d(0.0, 0.0);
    glVertex2d(plot.Width(), 0.0);
    glVertex2d(plot.Width(), plot.Height());
    glVertex2d(0.0, plot.Height());
    glEnd();
    mTimeAxis->Draw(ioContext, mColor);
    DrawVerticalAxes(ioContext, inSeries);
    glPopMatrix();
    glPopAttrib();
}

void WxGraph::BuildAxes()
{
    for (auto& axis : mAxes)
    {
        if (axis.second->AutoMin())
            axis.second->SetMin(std::numeric_limits<double>::quiet_NaN());
        if (axis.second->AutoMax())
            axis.second->SetMax(std::numeric_limits<double>::quiet_NaN());
    }
    std::set<CxString> used;
    for (WxSeries* series : mSeries)
    {
        const auto* data = dynamic_cast<const WxDataSeries*>(series);
        if (data == nullptr)
            continue;
        const DxUnit unit = data->DataUnit();
        used.insert(unit.Id());
        WxSeriesAxis* axis = GetAxisById(unit.Id());
        if (axis->AutoMin())
            axis->SetMin(MinNotNan(axis->Min(), data->DataMinimum()));
        if (axis->AutoMax())
            axis->SetMax(MaxNotNan(axis->Max(), data->DataMaximum()));
        axis->SetUnit(unit);
    }
    for (auto axis = mAxes.begin(); axis != mAxes.end();)
    {
        WxSeriesAxis& a = *axis->second;
        if (a.Max() < a.Min())
        {
            if (!a.AutoMin() && !a.AutoMax())
            {
                const double low = a.Max();
                a.SetMax(a.Min());
                a.SetMin(low);
            }
            else if (a.AutoMax())
                a.SetMax(a.Min());
            else
                a.SetMin(a.Max());
        }
        if (a.AutoMin() && a.Min() == a.Max())
        {
            const double value = a.Min();
            a.SetMin(value - 5.0);
            if (a.AutoMax())
                a.SetMax(value + 5.0);
        }
        if (used.count(axis->first) == 0)
            axis = mAxes.erase(axis);
        else
            ++axis;
    }
}

void WxGraph::DrawVerticalAxes(GxContext& ioContext, const SeriesList& inSeries)
{
    SeriesList layers;
    std::copy_if(inSeries.begin(), inSeries.end(), std::back_inserter(layers),
                 [](const WxSeries* inSeries) { return !IsSplit(inSeries); });
    // A pane after a trailing divider has no series and so no value axis.
    if (layers.empty())
        return;
    WxSeries* first = layers.front();
    const auto selected =
        std::find_if(layers.begin(), layers.end(), [](const WxSeries* inSeries) { return inSeries->IsSelected(); });
    DrawOneAxis(ioContext, first, true, first->IsSelected() || selected == layers.end());
    if (selected != layers.end())
    {
        DrawOneAxis(ioContext, *selected, false, *selected != first);
        return;
    }
    const CxString firstId = first->AxisUnitId();
    const auto other = std::find_if(layers.begin() + 1, layers.end(),
                                    [&](const WxSeries* inSeries) { return inSeries->AxisUnitId() != firstId; });
    if (other != layers.end())
        DrawOneAxis(ioContext, *other, false, false);
}

void WxGraph::DrawOneAxis(GxContext& ioContext, WxSeries* inSeries, bool inLeft, bool inGrid)
{
    WxSeriesAxis* axis = GetAxisById(inSeries->AxisUnitId());
    mAxisAreas.emplace_back(inLeft ? mLeftAxisArea : mRightAxisArea, axis->Unit().Id());
    axis->Build(PlotRect(mBounds));
    axis->Draw(ioContext, mColor, inLeft, inGrid);
}

CxString WxGraph::StartText() const
{
    return mStartString != nullptr ? mStartString->GetString() : CxString();
}

CxString WxGraph::EndText() const
{
    return mEndString != nullptr ? mEndString->GetString() : CxString();
}

void WxGraph::DrawLegend(GxContext& ioContext, const GxRect& inRect, bool inActive, bool inDateActive)
{
    ioContext.Begin2D();
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushMatrix();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const CxRect iconRect(0, 0, 32, 32);
    const double height = inRect.mTop - inRect.mBottom;
    WxGlColor(WxTextColorOver(mColor), 0.1);
    WxLine(inRect.mRight, inRect.mBottom, inRect.mRight, inRect.mTop);
    WxLine(inRect.mLeft - 1.0, inRect.mBottom, inRect.mLeft - 1.0, inRect.mTop);
    glTranslated(inRect.mLeft, inRect.mTop - kWxBandHeight, 0.0);
    for (WxSeries* series : SeriesList(mSeries))
    {
        glTranslated(0.0, -kWxRowHeight, 0.0);
        glColor4d(1.0, 1.0, 1.0, 1.0);
        series->DrawLegendItem(ioContext, iconRect, inActive);
    }
    // Rows that overflow the rectangle leave nothing to fill.
    const double rest = height - kWxBandHeight - kWxRowHeight * double(mSeries.size());
    if (rest > 0.0)
        WxFadeRect(mColor, 0.0, -rest, inRect.mRight - inRect.mLeft, 0.0, 0.8, 0.0);
    glLoadIdentity();
    glTranslated(inRect.mLeft, inRect.mTop, 0.0);
    DrawDateTime(ioContext, inRect, inDateActive);
    glPopMatrix();
    glPopAttrib();
    ioContext.End2D();
}

void WxGraph::DrawDateTime(GxContext& ioContext, const GxRect& inRect, bool inHilite)
{
    const double width = inRect.mRight - inRect.mLeft;
    WxFadeRect(mColor, 0.0, -kWxBandHeight, width, 0.0, 0.9, 0.8);
    GxColor text = WxTextColorOver(mColor);
    if (inHilite)
        text = WxDrawHilite(width, -kWxBandHeight, 0.0, kWxRowAlpha, 0.0, 0.8);

    CxAssertText(mDateFont != nullptr, "mDateFont != nil");
    const CxTimeZone zone;
    const auto line = [&zone](const CxDate& inDate)
    {
        CxString text = inDate.AsString(kCxDateFormatShortDate, zone);
        text += " ";
        text += inDate.AsString(kCxDateFormatShortTime, zone);
        text += " ";
        text += inDate.AsString(kCxDateFormatAbbreviation, zone);
        return text;
    };
    const CxUint32 fontId = mDateFont != nullptr ? mDateFont->Id() : 0;
    const CxSint16 fontSize = mDateFont != nullptr ? mDateFont->Size() : 10;
    WxRefreshText(ioContext, mStartString, mStartStale, line(mStartDate), fontId, fontSize, 0);
    WxRefreshText(ioContext, mEndString, mEndStale, line(mEndDate), fontId, fontSize, 0);

    WxGlColor(text, 1.0);
    mStartString->SetPosition(width / 2.0 + 0.375, -20.375);
    mStartString->Draw(ioContext, kGxHAlignCenter, kGxVAlignBottom);
    mEndString->SetPosition(width / 2.0 + 0.375, -40.375);
    mEndString->Draw(ioContext, kGxHAlignCenter, kGxVAlignBottom);

    WxBeginTextures();
    const struct
    {
        const char* mName;
        bool mOn;
    } icons[] = {{"WxIconFolder", mArchiving}, {"WxIconClock", IsTracking()}};
    double left = width / 2.0 - 22.625;
    for (const auto& icon : icons)
    {
        WxGlColor(text, icon.mOn ? 1.0 : 0.1);
        WxTexturedSquare(ioContext.GetIcon(CxString(icon.mName), 16, 0), left, -57.375, 16.0);
        left += 30.0;
    }
    glDisable(GL_TEXTURE_2D);
    WxGlColor(text, 0.3);
    WxLine(0.0, -kWxBandHeight, kWxRowWidth, -kWxBandHeight);
}

// ---- series

void WxSeries::DrawSeries(GxContext& ioContext)
{
    if (!mVisible)
        return;
    if (IsDisplayListValid())
        DrawList();
    else
        OnDrawSeries(ioContext);
}

void WxSeries::DrawLegendItem(GxContext& ioContext, const CxRect&, bool inActive)
{
    const GxColor background = mGraph != nullptr ? mGraph->Color() : GxColor(1.0, 1.0, 1.0, 1.0);
    const WxLegendRowTexts texts{mLegendString, mLegendStale, mName, mStatusString, mStatusStale, mStatus};
    WxDrawLegendRow(ioContext, background, mSelected, inActive, mVisible, mAuthenticationFailed, texts,
                    [&] { OnDrawIcon(ioContext); });
}

void WxSeries::DrawIconEmbellishments(GxContext& ioContext)
{
    WxDrawGlassAndShadow(ioContext, mVisible, 32.0, 39.0);
}

void WxSeriesSplit::OnDrawSeries(GxContext&)
{
    if (Graph() == nullptr)
        return;
    const CxRect plot = WxGraph::PlotRect(Graph()->Bounds());
    glPushMatrix();
    glTranslated(plot.left - 50.0, plot.top - 60.0, 0.0);
    DrawShadow(plot.Width() + 100.0);
    glPopMatrix();
}

void WxSeriesSplit::OnDrawIcon(GxContext&)
{
    DrawShadow(165.0);
}

void WxSeriesSplit::DrawShadow(double inLength) const
{
    const bool bright = Graph() != nullptr && Graph()->Color().Brightness() > 0.6;
    const double c = bright ? 0.0 : 1.0;
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushMatrix();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glTranslated(0.0, 16.0, 0.0);
    glBegin(GL_QUADS);
    for (double edge : {8.0, -8.0})
    {
        glColor4d(c, c, c, 0.1);
        glVertex2d(0.0, 0.0);
        glVertex2d(inLength, 0.0);
        glColor4d(c, c, c, 0.0);
        glVertex2d(inLength, edge);
        glVertex2d(0.0, edge);
    }
    glEnd();
    glPopMatrix();
    glPopAttrib();
}
