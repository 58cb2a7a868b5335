#include "WxSeriesClient.h"

#include "CxDebug.h"
#include "DxField.h"
#include "DxFrame.h"
#include "DxSeriesManager.h"
#include "DxSet.h"
#include "GxContext.h"
#include "GxPolygon.h"
#include "GxSymbol.h"
#include "WxDrawSupport.h"
#include "WxGraph.h"
#include "WxSeriesLegend.h"
#include "WxSeriesSamples.h"
#include "WxValues.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>

namespace
{
const char* Bool(bool inValue)
{
    return inValue ? "true" : "false";
}
} // namespace

WxSeriesClient::WxSeriesClient(WxGraph* inGraph) : WxSeries(inGraph)
{
    if (inGraph != nullptr)
        SetArchiving(inGraph->IsArchiving());
    AddParm(DxParm(CxString("time"), CxString("time"), kDxTypeFloat, DxUnit(CxString("secs")), DxUnitSet(), 0.0));
}

WxSeriesClient::~WxSeriesClient()
{
    Detach();
}

void WxSeriesClient::SetClientInfo(const CxString& inSite, const DxParm& inParm)
{
    if (inSite == Site() && inParm.IsExactMatch(mParm) && IsSubscriptionValid())
        return;
    if (mParm.Id().Length() != 0)
        RemoveParm(mParm);
    mParm = inParm;
    AddParm(mParm);
    SetName(WxCapitalized(mParm.Name()));
    SetSite(inSite);
    RefreshClient();
    InvalidateLists();
    SeriesChanged();
}

void WxSeriesClient::SetLineWidth(double inWidth)
{
    mLineWidth = inWidth;
    InvalidateLists();
    SeriesChanged();
}

void WxSeriesClient::SetDrawInterpolated(bool inInterpolate)
{
    mInterpolate = inInterpolate;
    InvalidateLists();
    SeriesChanged();
}

void WxSeriesClient::SetSymbol(const CxString& inSymbol)
{
    mSymbol = inSymbol.Length() == 0 ? CxString("none") : inSymbol;
    InvalidateLists();
    SeriesChanged();
}

void WxSeriesClient::SetFilled(bool inFilled)
{
    if (inFilled == mFilled)
        return;
    mFilled = inFilled;
    InvalidateLists();
    SeriesChanged();
}

void WxSeriesClient::SetColor(const GxColor& inColor)
{
    mColor = inColor;
    SeriesChanged();
}

void WxSeriesClient::SetSymbolSize(double inSize)
{
    mSymbolSize = inSize;
    SeriesChanged();
}

void WxSeriesClient::OnDatesChanged(const CxDate& inStart, const CxDate& inEnd)
{
    CxDate start = inStart;
    CxDate end = inEnd;
    if (DxSeriesManager* manager = WxSeriesManagerOf(Set()))
    {
        start = manager->ClipDateToDataResolution(start);
        end = manager->ClipDateToDataResolution(end);
    }
    SetDates(start, end);
    if (Graph() != nullptr)
        SetDisplayDate(Graph()->StartDate());
    RefreshClient();
    InvalidateLists();
}

void WxSeriesClient::OnAuthenticationChanged()
{
    const bool failed = !IsAuthenticated();
    if (failed == IsAuthenticationFailed())
        return;
    SetAuthenticationFailed(failed);
    SeriesDataChanged();
}

void WxSeriesClient::OnTableChanged()
{
    WxSeriesRange(FrameList(), mParm.Key(), mMinimum, mMaximum);
    CxString name = mParm.Name();
    if (DxSeriesManager* manager = WxSeriesManagerOf(Set()))
    {
        name = manager->FindParm(mParm.Id()).Name();
        CxString station;
        if (WxSiteName(Set(), Site(), station))
            SetStatus(station);
    }
    else
        SetStatus(Site());
    SetName(WxCapitalized(name));
    InvalidateLists();
    SeriesDataChanged();
}

void WxSeriesClient::InvalidateLists()
{
    mLineList.InvalidateDisplayList();
    mFillList.InvalidateDisplayList();
}

WxSeriesInspector* WxSeriesClient::OnCreateLegend()
{
    return new WxSeriesLegend(this);
}

void WxSeriesClient::OnDrawSeries(GxContext& ioContext)
{
    WxGraph* graph = Graph();
    if (graph == nullptr || WxSeriesManagerOf(Set()) == nullptr || graph->GetTimeAxis() == nullptr)
        return;
    WxSeriesAxis* axis = graph->GetAxis(this);
    CxAssertText(axis != nullptr, "axis != nil");
    if (axis == nullptr)
        return;
    if (axis->Max() != mListMaximum || axis->Min() != mListMinimum)
        InvalidateLists();
    mListMaximum = axis->Max();
    mListMinimum = axis->Min();
    const double range = axis->Max() - axis->Min();
    const double interval = Interval();
    // A flat or unknown axis has no scale, and a zero interval would never advance the step walk.
    if (!(range > 0.0) || !std::isfinite(range) || !(interval > 0.0))
        return;
    const CxRect plot = WxGraph::PlotRect(graph->Bounds());
    const double yScale = plot.Height() / range;
    const double xScale = interval * graph->GetTimeAxis()->PixelsPerSecond();
    const GxRect clip(0.0, 0.0, std::trunc((graph->EndDate() - graph->StartDate()) / interval), range);

    ioContext.PushAttribs();
    glColor4d(mColor.mRed, mColor.mGreen, mColor.mBlue, mColor.mAlpha * Alpha());
    glPushMatrix();
    glTranslated(plot.left, plot.top, 0.0);
    if (mLineWidth <= 2.0)
        ioContext.AntiAlias();
    if (mLineWidth > 0.0)
        ioContext.LineWidth(mLineWidth);
    glPushMatrix();
    glScaled(xScale, yScale, 1.0);
    if (mLineList.IsDisplayListValid() && (!mFilled || mFillList.IsDisplayListValid()))
    {
        if (mLineWidth > 0.0)
            mLineList.DrawList();
        if (mFilled)
            mFillList.DrawList();
    }
    else
        BuildLists(clip, axis->Min(), range);
    glPopMatrix();
    // Symbols keep their size in pixels, so they stay out of the scaled lists.
    if (mSymbol != "none" && !mSymbolPoints.empty())
    {
        const GxSymbol symbol(mSymbol);
        glEnable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        for (const GxPoint& point : mSymbolPoints)
            symbol.Draw(ioContext, GxPoint(point.mX * xScale, point.mY * yScale), mSymbolSize);
        glDisable(GL_TEXTURE_2D);
    }
    glPopMatrix();
    ioContext.PopAttribs();
}

void WxSeriesClient::BuildLists(const GxRect& inClip, double inAxisMinimum, double inRange)
{
    WxGraph* graph = Graph();
    DxSeriesManager* manager = WxSeriesManagerOf(Set());
    const double interval = Interval();
    mLineList.BeginDisplayList();
    mSymbolPoints.clear();
    const CxDate start = manager->ClipDateToDataResolution(graph->StartDate());
    const CxDate end = manager->ClipDateToDataResolution(graph->EndDate());
    const double x0 = (start - graph->StartDate()) / interval;
    GxShape line;
    GxShape fill;
    line.BeginData();
    line.AcceptVertex(false);
    fill.BeginData();
    fill.AcceptVertex(false);
    const bool symbols = mSymbol != "none";
    CxDate last = start;
    WxWalkSteps(
        WxSeriesTables(FrameList(), {mParm.Key()}), start, end, interval,
        [&](const WxSeriesColumns& inTable)
        {
            if (!mInterpolate && last - (inTable.SampleDate(0) - interval) != 0.0)
            {
                line.AcceptVertex(false);
                fill.AcceptVertex(false);
            }
        },
        [&](double inStep, const WxSeriesColumns& inTable, std::size_t inRow)
        {
            const double v = inTable.Value(0, inRow);
            const GxPoint p(x0 + inStep, v - inAxisMinimum);
            if (std::isnan(v))
            {
                if (!mInterpolate)
                {
                    line.AcceptVertex(false);
                    fill.AcceptVertex(false);
                }
            }
            else
            {
                line.AcceptPoint(p);
                if (mFilled)
                    fill.AcceptPoint(GxPoint(p.mX, std::clamp(p.mY, 0.0, inRange)));
                last = inTable.SampleDate(inRow);
            }
            if (symbols && inClip.Contains(p))
                mSymbolPoints.push_back(p);
        });
    line.EndData();
    fill.EndData();
    if (mLineWidth > 0.0)
    {
        const std::unique_ptr<GxShape> clipped = line.ClipToRect(inClip);
        for (const auto& piece : clipped->Polygons())
            piece->Outline();
    }
    mLineList.EndDisplayList();
    if (mFilled)
    {
        mFillList.BeginDisplayList();
        const std::unique_ptr<GxShape> clipped = fill.ClipToRect(inClip);
        for (const auto& piece : clipped->Polygons())
        {
            if (piece->CountPoints() == 0)
                continue;
            // Down to the axis minimum and back, so a value below it fills to the bottom only.
            GxPolygon ring = *piece;
            const double first = ring.Points().front().mX;
            ring.Add(GxPoint(ring.Points().back().mX, 0.0));
            ring.Add(GxPoint(first, 0.0));
            ring.Close();
            ring.DrawFilled();
        }
        mFillList.EndDisplayList();
    }
}

void WxSeriesClient::OnDrawIcon(GxContext& ioContext)
{
    static const double kLine[][2] = {{0, 5}, {8, 15}, {16, 12}, {24, 20}, {32, 22}};
    ioContext.PushAttribs();
    glColor4d(mColor.mRed, mColor.mGreen, mColor.mBlue, Alpha());
    if (mFilled)
    {
        GxPolygon area;
        for (const auto& p : kLine)
            area.Add(GxPoint(p[0], p[1]));
        area.Add(GxPoint(32, 0));
        area.Add(GxPoint(0, 0));
        area.Close();
        area.DrawFilled();
    }
    if (mLineWidth > 0.0)
    {
        if (mLineWidth <= 2.0)
            ioContext.AntiAlias();
        ioContext.LineWidth(mLineWidth);
        glBegin(GL_LINE_STRIP);
        for (const auto& p : kLine)
            glVertex2d(p[0], p[1]);
        glEnd();
    }
    if (mSymbol.Length() != 0)
    {
        const GxSymbol symbol(mSymbol);
        glEnable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        for (int i = 1; i <= 3; ++i)
            symbol.Draw(ioContext, GxPoint(kLine[i][0], kLine[i][1]), mSymbolSize);
        glDisable(GL_TEXTURE_2D);
    }
    ioContext.PopAttribs();
    WxDrawIconFrame(ioContext, Graph());
    DrawIconEmbellishments(ioContext);
}

bool WxSeriesClient::OnGetAttributesFromPoint(const GxPoint&, CxStringList& outNames, CxStringList& outValues)
{
    outNames.push_back(CxString("time"));
    outNames.push_back(CxString("value"));
    if (Graph() == nullptr)
        return false;
    const std::vector<WxSeriesColumns> tables = WxSeriesTables(FrameList(), {mParm.Key()});
    const WxSeriesColumns* table = nullptr;
    std::size_t row = 0;
    if (!WxNearestSample(tables, Graph()->StartDate(), Graph()->TrackingTime(), table, row))
        return false;
    outValues.push_back(table->SampleDate(row).AsString());
    outValues.push_back(CxString(table->Value(0, row), 2));
    return true;
}

void WxSeriesClient::OnInternalize(const XmlElement* inXml)
{
    if (inXml == nullptr)
        return;
    const bool visible = WxReadBool(inXml->GetAttribute("visible"), false);
    if (visible != IsVisible())
        SetVisibility(visible);
    SetDrawInterpolated(WxReadBool(inXml->GetAttribute("interpolate"), false));
    SetColor(GxColor(inXml->GetAttribute("color")));
    SetSymbol(inXml->GetAttribute("symbol"));
    SetSymbolSize(WxReadDouble(inXml->GetAttribute("symbolSize")));
    SetLineWidth(WxReadDouble(inXml->GetAttribute("width")));
    SetAlpha(WxReadDouble(inXml->GetAttribute("alpha")));
    SetFilled(WxReadBool(inXml->GetAttribute("filled"), false));
    SetSet(DxSet::FindOrCreateSet(inXml->GetAttribute("dataset"), 7));
    if (Graph() != nullptr)
    {
        SetDates(Graph()->StartDate(), Graph()->EndDate());
        SetDisplayDate(Graph()->StartDate());
    }
    DxSeriesManager* manager = WxSeriesManagerOf(Set());
    if (manager == nullptr)
        return;
    DxParm parm = manager->FindParm(inXml->GetAttribute("parm"));
    parm.SetUnit(DxUnit(inXml->GetAttribute("unit")));
    SetClientInfo(inXml->GetAttribute("site"), parm);
    const bool selected = WxReadBool(inXml->GetAttribute("selected"), false);
    if (selected != IsSelected())
        SetSelected(selected);
}

void WxSeriesClient::OnExternalize(XmlBuilder& ioBuilder) const
{
    ioBuilder.Begin(CxString("series"));
    ioBuilder.Attribute(CxString("visible"), CxString(Bool(IsVisible())));
    ioBuilder.Attribute(CxString("selected"), CxString(Bool(IsSelected())));
    ioBuilder.Attribute(CxString("alpha"), CxString(Alpha(), 1));
    ioBuilder.Attribute(CxString("filled"), CxString(Bool(mFilled)));
    ioBuilder.Attribute(CxString("dataset"), Set() == nullptr ? CxString() : Set()->Id());
    ioBuilder.Attribute(CxString("color"), mColor.AsString());
    ioBuilder.Attribute(CxString("width"), CxString(mLineWidth, 1));
    ioBuilder.Attribute(CxString("parm"), mParm.Id());
    ioBuilder.Attribute(CxString("unit"), mParm.Unit().Id());
    ioBuilder.Attribute(CxString("site"), Site());
    ioBuilder.Attribute(CxString("symbol"), mSymbol);
    ioBuilder.Attribute(CxString("symbolSize"), CxString(mSymbolSize, 2));
    ioBuilder.Attribute(CxString("interpolate"), CxString(Bool(mInterpolate)));
    ioBuilder.End(CxString("series"));
}
