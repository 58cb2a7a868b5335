#include "WxSeriesClient.h"

#include "DxField.h"
#include "DxFrame.h"
#include "DxSeriesManager.h"
#include "DxSet.h"
#include "GxContext.h"
#include "GxPolygon.h"
#include "GxSymbol.h"
#include "WxDrawSupport.h"
#include "WxGraph.h"
#include "WxSeriesKit.h"
#include "WxSeriesLegend.h"
#include "WxSeriesSamples.h"
#include "WxValues.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>

WxSeriesClient::WxSeriesClient(WxGraph* inGraph) : WxSeries(inGraph)
{
    WxStartSeriesClient(*this, inGraph);
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
    WxForwardSeriesDates(*this, Graph(), inStart, inEnd);
    InvalidateLists();
}

void WxSeriesClient::OnAuthenticationChanged()
{
    WxForwardSeriesAuthentication(*this, *this);
}

void WxSeriesClient::OnTableChanged()
{
    WxSeriesRange(FrameList(), mParm.Key(), mMinimum, mMaximum);
    DxSeriesManager* manager = WxSeriesManagerOf(Set());
    WxShowSeriesNames(*this, *this, manager == nullptr ? mParm.Name() : manager->FindParm(mParm.Id()).Name());
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
    const WxSeriesAxis* axis = WxSeriesAxisOf(*this, Set());
    if (axis == nullptr)
        return;
    if (WxAxisRangeMoved(*axis, mListMaximum, mListMinimum))
        InvalidateLists();
    WxSeriesPlot plot;
    if (!WxSeriesPlotOf(*Graph(), *axis, Interval(), plot))
        return;

    WxBeginSeriesDraw(ioContext, mColor, Alpha(), plot.mPlot, mLineWidth);
    glPushMatrix();
    glScaled(plot.mXScale, plot.mYScale, 1.0);
    if (mLineList.IsDisplayListValid() && (!mFilled || mFillList.IsDisplayListValid()))
    {
        if (mLineWidth > 0.0)
            mLineList.DrawList();
        if (mFilled)
            mFillList.DrawList();
    }
    else
        BuildLists(plot.mClip, axis->Min(), plot.mRange);
    glPopMatrix();
    // Symbols keep their size in pixels, so they stay out of the scaled lists.
    if (mSymbol != "none" && !mSymbolPoints.empty())
    {
        const GxSymbol symbol(mSymbol);
        glEnable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        for (const GxPoint& point : mSymbolPoints)
            symbol.Draw(ioContext, GxPoint(point.mX * plot.mXScale, point.mY * plot.mYScale), mSymbolSize);
        glDisable(GL_TEXTURE_2D);
    }
    WxEndSeriesDraw(ioContext);
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
    WxReadSeriesVisibility(*this, *inXml);
    SetDrawInterpolated(WxReadBool(inXml->GetAttribute("interpolate"), false));
    SetColor(GxColor(inXml->GetAttribute("color")));
    SetSymbol(inXml->GetAttribute("symbol"));
    SetSymbolSize(WxReadDouble(inXml->GetAttribute("symbolSize")));
    SetLineWidth(WxReadDouble(inXml->GetAttribute("width")));
    SetAlpha(WxReadDouble(inXml->GetAttribute("alpha")));
    SetFilled(WxReadBool(inXml->GetAttribute("filled"), false));
    DxSeriesManager* manager = WxReadSeriesSet(*this, Graph(), *inXml);
    if (manager == nullptr)
        return;
    DxParm parm = manager->FindParm(inXml->GetAttribute("parm"));
    parm.SetUnit(DxUnit(inXml->GetAttribute("unit")));
    SetClientInfo(inXml->GetAttribute("site"), parm);
    WxReadSeriesSelection(*this, *inXml);
}

void WxSeriesClient::OnExternalize(XmlBuilder& ioBuilder) const
{
    ioBuilder.Begin(CxString("series"));
    WxWriteSeriesState(ioBuilder, *this);
    ioBuilder.Attribute(CxString("filled"), WxWriteBool(mFilled));
    ioBuilder.Attribute(CxString("dataset"), Set() == nullptr ? CxString() : Set()->Id());
    ioBuilder.Attribute(CxString("color"), mColor.AsString());
    ioBuilder.Attribute(CxString("width"), CxString(mLineWidth, 1));
    ioBuilder.Attribute(CxString("parm"), mParm.Id());
    ioBuilder.Attribute(CxString("unit"), mParm.Unit().Id());
    ioBuilder.Attribute(CxString("site"), Site());
    ioBuilder.Attribute(CxString("symbol"), mSymbol);
    ioBuilder.Attribute(CxString("symbolSize"), CxString(mSymbolSize, 2));
    ioBuilder.Attribute(CxString("interpolate"), WxWriteBool(mInterpolate));
    ioBuilder.End(CxString("series"));
}
