#include "WxSeriesVectorClient.h"

#include "CxDebug.h"
#include "DxSeriesManager.h"
#include "DxSet.h"
#include "GxContext.h"
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

WxSeriesVectorClient::WxSeriesVectorClient(WxGraph* inGraph) : WxSeries(inGraph)
{
    WxStartSeriesClient(*this, inGraph);
}

WxSeriesVectorClient::~WxSeriesVectorClient()
{
    Detach();
}

void WxSeriesVectorClient::SetParameter(const DxVectorParm& inVector)
{
    if (inVector.IsExactMatch(mParm) || Set() == nullptr)
        return;
    DxSeriesManager* manager = WxSeriesManagerOf(Set());
    CxAssertText(manager != nullptr, "manager != nil");
    if (manager == nullptr)
        return;
    mParm = manager->FindVectorParm(inVector.Id());
    mParm.SetUnit(inVector.Unit());
    DxParm speed = manager->FindParm(mParm.Samag());
    speed.SetUnit(inVector.Unit());
    const DxParm direction = manager->FindParm(mParm.Dir());
    if (mSpeed.Id().Length() != 0)
        RemoveParm(mSpeed);
    if (mDirection.Id().Length() != 0)
        RemoveParm(mDirection);
    mSpeed = speed;
    mDirection = direction;
    // The placeholder of an unknown vector names no components and so asks for nothing.
    if (mSpeed.Id().Length() != 0 && mDirection.Id().Length() != 0)
    {
        AddParm(mSpeed);
        AddParm(mDirection);
    }
}

void WxSeriesVectorClient::SetClientInfo(const CxString& inSite, const DxVectorParm& inVector)
{
    const bool changed = inSite != Site() || !inVector.IsExactMatch(mParm);
    if (!changed && IsSubscriptionValid())
        return;
    mGlyphsValid = false;
    SetName(WxCapitalized(inVector.Name()));
    SetSite(inSite);
    SetParameter(inVector);
    RefreshClient();
    if (changed)
        SeriesChanged();
}

void WxSeriesVectorClient::SetColor(const GxColor& inColor)
{
    mColor = inColor;
    mGlyphsValid = false;
    SeriesChanged();
}

void WxSeriesVectorClient::SetSymbolSize(double inSize)
{
    mSymbolSize = inSize;
    SeriesChanged();
}

void WxSeriesVectorClient::SetLineWidth(double inWidth)
{
    mLineWidth = inWidth;
    SeriesChanged();
}

void WxSeriesVectorClient::SetDrawBarb(bool inBarbs)
{
    mDrawBarbs = inBarbs;
    SeriesChanged();
}

double WxSeriesVectorClient::Scale() const
{
    return std::isnan(mScale) ? mSymbolSize * 6.0 + 2.0 : mScale;
}

double WxSeriesVectorClient::BaseMagnitude() const
{
    return mSpeed.Unit().Id() == "mps" ? 2.5 : 5.0;
}

bool WxSeriesVectorClient::GetVectorFromPoint(const GxPoint&, GxVector& outVector) const
{
    if (Graph() == nullptr)
        return false;
    const std::vector<WxSeriesColumns> tables = WxSeriesTables(FrameList(), {mSpeed.Key(), mDirection.Key()});
    const WxSeriesColumns* table = nullptr;
    std::size_t row = 0;
    if (!WxNearestSample(tables, Graph()->StartDate(), Graph()->TrackingTime(), table, row))
        return false;
    outVector = GxVector::FromMagnitudeAndDegrees(table->Value(0, row), table->Value(1, row));
    return true;
}

WxSeriesInspector* WxSeriesVectorClient::OnCreateLegend()
{
    if (mDrawBarbs)
        return new WxSeriesBarbLegend(this);
    return new WxSeriesVectorLegend(this);
}

void WxSeriesVectorClient::OnDatesChanged(const CxDate& inStart, const CxDate& inEnd)
{
    WxForwardSeriesDates(*this, Graph(), inStart, inEnd);
    mGlyphsValid = false;
}

void WxSeriesVectorClient::OnAuthenticationChanged()
{
    WxForwardSeriesAuthentication(*this, *this);
}

void WxSeriesVectorClient::OnReleaseAndInvalidate()
{
    DxSeriesClient::OnReleaseAndInvalidate();
    DxSeriesManager* manager = WxSeriesManagerOf(Set());
    if (manager == nullptr)
        return;
    DxVectorParm vector = manager->FindVectorParm(mParm.Id());
    vector.SetUnit(mParm.Unit());
    SetClientInfo(Site(), vector);
}

void WxSeriesVectorClient::OnTableChanged()
{
    // From the frames held now: a range that only widened kept a former site's or date's extremes.
    WxSeriesRange(FrameList(), mSpeed.Key(), mMinimum, mMaximum);
    DxSeriesManager* manager = WxSeriesManagerOf(Set());
    WxShowSeriesNames(*this, *this, manager == nullptr ? mParm.Name() : manager->FindVectorParm(mParm.Id()).Name());
    mGlyphsValid = false;
    SeriesDataChanged();
}

void WxSeriesVectorClient::OnDrawSeries(GxContext& ioContext)
{
    const WxSeriesAxis* axis = WxSeriesAxisOf(*this, Set());
    if (axis == nullptr)
        return;
    if (WxAxisRangeMoved(*axis, mCachedMaximum, mCachedMinimum))
        mGlyphsValid = false;
    WxSeriesPlot plot;
    if (!WxSeriesPlotOf(*Graph(), *axis, Interval(), plot))
        return;
    if (!mGlyphsValid)
    {
        mPoints.clear();
        mVectors.clear();
        const WxGraph* graph = Graph();
        const DxSeriesManager* manager = WxSeriesManagerOf(Set());
        const CxDate start = manager->ClipDateToDataResolution(graph->StartDate());
        const CxDate end = manager->ClipDateToDataResolution(graph->EndDate());
        const double x0 = (start - graph->StartDate()) / plot.mInterval;
        // A frame without the direction column is skipped with the others that lack a column.
        WxWalkSteps(
            WxSeriesTables(FrameList(), {mSpeed.Key(), mDirection.Key()}), start, end, plot.mInterval,
            [](const WxSeriesColumns&) {},
            [&](double inStep, const WxSeriesColumns& inTable, std::size_t inRow)
            {
                const double speed = inTable.Value(0, inRow);
                const GxPoint p(x0 + inStep, speed - axis->Min());
                if (!plot.mClip.Contains(p))
                    return;
                mPoints.push_back(p);
                mVectors.push_back(GxVector::FromMagnitudeAndDegrees(speed, inTable.Value(1, inRow)));
            });
        mGlyphsValid = true;
    }

    WxBeginSeriesDraw(ioContext, mColor, Alpha(), plot.mPlot, mLineWidth);
    const double arrowScale = std::min({plot.mXScale, plot.mYScale, 1.0}) * mSymbolSize * 6.0 + 2.0;
    if (!mDrawBarbs)
        mScale = arrowScale;
    for (std::size_t i = 0; i < mPoints.size(); ++i)
    {
        const GxPoint q(mPoints[i].mX * plot.mXScale, mPoints[i].mY * plot.mYScale);
        if (mDrawBarbs)
            mVectors[i].DrawBarb(q, 3.0 * arrowScale, BaseMagnitude());
        else
            mVectors[i].DrawArrow(ioContext, q, arrowScale);
    }
    WxEndSeriesDraw(ioContext);
}

void WxSeriesVectorClient::OnDrawIcon(GxContext& ioContext)
{
    WxDrawIconFrame(ioContext, Graph());
    ioContext.PushAttribs();
    if (mLineWidth <= 2.0)
        ioContext.AntiAlias();
    if (mLineWidth > 0.0)
        ioContext.LineWidth(mLineWidth);
    glColor4d(mColor.mRed, mColor.mGreen, mColor.mBlue, IsVisible() ? 1.0 : 0.2);
    if (mDrawBarbs)
        GxVector::FromMagnitudeAndDegrees(25.0, 135.0).DrawBarb(GxPoint(3.0, 32.0), 13.0, 5.0);
    else
        GxVector::FromMagnitudeAndDegrees(3.0, 135.0).DrawArrow(ioContext, GxPoint(5.0, 25.6), 10.0);
    ioContext.PopAttribs();
    DrawIconEmbellishments(ioContext);
}

void WxSeriesVectorClient::OnInternalize(const XmlElement* inXml)
{
    if (inXml == nullptr)
        return;
    WxReadSeriesVisibility(*this, *inXml);
    SetColor(GxColor(inXml->GetAttribute("color")));
    SetSymbolSize(WxReadDouble(inXml->GetAttribute("symbolSize")));
    SetLineWidth(WxReadDouble(inXml->GetAttribute("width")));
    SetAlpha(WxReadDouble(inXml->GetAttribute("alpha")));
    DxSeriesManager* manager = WxReadSeriesSet(*this, Graph(), *inXml);
    if (manager == nullptr)
        return;
    DxVectorParm vector = manager->FindVectorParm(inXml->GetAttribute("parm"));
    vector.SetUnit(DxUnit(inXml->GetAttribute("unit")));
    SetClientInfo(inXml->GetAttribute("site"), vector);
    WxReadSeriesSelection(*this, *inXml);
}

void WxSeriesVectorClient::OnExternalize(XmlBuilder& ioBuilder) const
{
    ioBuilder.Begin(CxString("vectorseries"));
    WxWriteSeriesState(ioBuilder, *this);
    ioBuilder.Attribute(CxString("dataset"), Set() == nullptr ? CxString() : Set()->Id());
    ioBuilder.Attribute(CxString("color"), mColor.AsString());
    ioBuilder.Attribute(CxString("parm"), mParm.Id());
    ioBuilder.Attribute(CxString("unit"), mParm.Unit().Id());
    ioBuilder.Attribute(CxString("site"), Site());
    ioBuilder.Attribute(CxString("symbolSize"), CxString(mSymbolSize, 2));
    ioBuilder.Attribute(CxString("width"), CxString(mLineWidth, 1));
    ioBuilder.End(CxString("vectorseries"));
}
