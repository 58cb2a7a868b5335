#include "WxGraph.h"

#include "CxDebug.h"
#include "CxError.h"
#include "DxClients.h"
#include "GxFont.h"
#include "GxString.h"
#include "WxSeries.h"
#include "WxValues.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <algorithm>
#include <cmath>

namespace
{

CxString BoolText(bool inValue)
{
    return CxString(inValue ? "true" : "false");
}

DxClient* AsDxClient(WxSeries* inSeries)
{
    return dynamic_cast<DxClient*>(inSeries);
}

} // namespace

WxGraph::WxGraph(const XmlElement* inXml)
    : mColor(CxString("#FFFF99")), mDateFont(std::make_unique<GxFont>(CxUint32(0), 10)), mBounds(0, 0, 100, 100),
      mTrackingTimer(kTrackingMs, kWxGraphTrackRealTime), mLegendAlign("left")
{
    mTrackingTimer.AttachReceiver(this);
    if (inXml != nullptr)
        Internalize(inXml);
}

WxGraph::~WxGraph()
{
    mTrackingTimer.StopRepeating();
    mDateFont.reset();
    mTimeAxis.reset();
    mStartString.reset();
    mEndString.reset();
    // Each series leaves the list through OrphanSeries as it goes.
    while (!mSeries.empty())
    {
        WxSeries* series = mSeries.front();
        delete series;
        if (!mSeries.empty() && mSeries.front() == series)
            mSeries.erase(mSeries.begin());
    }
    mAxes.clear();
    SendMessage(kWxGraphDeleted, nullptr);
}

// ---- the document

void WxGraph::Internalize(const XmlElement* inXml)
{
    CxAssertText(inXml != nullptr, "inXml != nil");
    if (inXml == nullptr)
        return;
    CxAssertText(inXml->Name() == "graph", "inXml->Name() == \"graph\"");
    SetName(inXml->GetAttribute("name"));
    SetColor(GxColor(inXml->GetAttribute("color")));
    bool tracking = WxReadBool(inXml->GetAttribute("tracking"), true);
    const CxString startText = inXml->GetAttribute("startDate");
    const CxString endText = inXml->GetAttribute("endDate");
    CxDate start;
    CxDate end;
    if (startText.Length() == 0 && endText.Length() == 0)
    {
        start = end - double(inXml->GetAttribute("duration").AsUint32());
        tracking = true;
    }
    else
    {
        start = CxDate(startText);
        end = CxDate(endText);
    }
    SetDates(start, end);
    mLegendVisible = WxReadBool(inXml->GetAttribute("legendVisible"), true);
    SetLegendAlign(inXml->GetAttribute("legendAlign"));
    if (WxReadBool(inXml->GetAttribute("archiving"), true))
        StartArchiving();
    else
        StopArchiving();
    if (tracking)
        mTrackingTimer.StartRepeating();
}

void WxGraph::Externalize(XmlBuilder& ioBuilder) const
{
    ioBuilder.Begin("graph");
    ioBuilder.Attribute("name", mName);
    ioBuilder.Attribute("color", mColor.AsString());
    if (IsTracking())
    {
        const double length = std::max(0.0, std::floor(mEndDate - mStartDate));
        ioBuilder.Attribute("duration", CxString(static_cast<unsigned long long>(length)));
    }
    else
    {
        ioBuilder.Attribute("startDate", mStartDate.AsString());
        ioBuilder.Attribute("endDate", mEndDate.AsString());
    }
    ioBuilder.Attribute("legendVisible", BoolText(mLegendVisible));
    ioBuilder.Attribute("legendAlign", mLegendAlign);
    ioBuilder.Attribute("archiving", BoolText(mArchiving));
    for (const auto& axis : mAxes)
        axis.second->Externalize(ioBuilder);
    // Last first: the reader puts each new series at index 0, which restores this order.
    for (auto series = mSeries.rbegin(); series != mSeries.rend(); ++series)
        (*series)->Externalize(ioBuilder);
    ioBuilder.End("graph");
}

// ---- series

WxGraph::SeriesList::iterator WxGraph::Find(WxSeries* inSeries)
{
    return std::find(mSeries.begin(), mSeries.end(), inSeries);
}

void WxGraph::AdoptSeries(WxSeries* inSeries, WxSeries* inBefore, bool inAppend)
{
    CxAssert(inSeries != nullptr);
    if (inSeries == nullptr)
        return;
    CxAssert(inSeries->Graph() == nullptr);
    const bool listed = Find(inSeries) != mSeries.end();
    CxAssert(!listed);
    if (listed)
        return;
    auto where = inAppend ? mSeries.end() : mSeries.begin();
    if (inBefore != nullptr)
    {
        where = Find(inBefore);
        CxAssert(where != mSeries.end());
        if (where == mSeries.end())
            where = mSeries.begin();
    }
    mSeries.insert(where, inSeries);
    inSeries->SetGraph(this);
    SendMessage(kWxGraphSeriesAdopted, nullptr);
}

void WxGraph::OrphanSeries(WxSeries* inSeries)
{
    CxAssertText(inSeries != nullptr, "inSeries != nil");
    if (inSeries == nullptr)
        return;
    CxAssertText(inSeries->Graph() == this, "inSeries->Graph() == this");
    const auto productPtr = Find(inSeries);
    CxAssertText(productPtr != mSeries.end(), "productPtr != mSeries.end()");
    if (productPtr != mSeries.end())
        mSeries.erase(productPtr);
    inSeries->SetGraph(nullptr);
    SendMessage(kWxGraphSeriesOrphaned, nullptr);
}

void WxGraph::MoveSeries(WxSeries* inSeries, WxSeries* inBefore)
{
    if (inSeries == inBefore)
        return;
    const auto found = Find(inSeries);
    CxAssert(found != mSeries.end());
    if (found == mSeries.end())
        return;
    mSeries.erase(found);
    const auto where = inBefore != nullptr ? Find(inBefore) : mSeries.end();
    mSeries.insert(where, inSeries);
    SendMessage(kWxGraphSettingsChanged, nullptr);
}

void WxGraph::MoveSelectionForward()
{
    for (std::size_t i = 1; i < mSeries.size(); ++i)
    {
        if (mSeries[i]->IsSelected() && !mSeries[i - 1]->IsSelected())
            std::swap(mSeries[i], mSeries[i - 1]);
    }
    SendMessage(kWxGraphSettingsChanged, nullptr);
}

void WxGraph::MoveSelectionBackward()
{
    for (std::size_t i = mSeries.size(); i-- > 1;)
    {
        if (mSeries[i - 1]->IsSelected() && !mSeries[i]->IsSelected())
            std::swap(mSeries[i - 1], mSeries[i]);
    }
    SendMessage(kWxGraphSettingsChanged, nullptr);
}

void WxGraph::MoveSelectionToFront()
{
    std::stable_partition(mSeries.begin(), mSeries.end(),
                          [](const WxSeries* inSeries) { return inSeries->IsSelected(); });
    SendMessage(kWxGraphSettingsChanged, nullptr);
}

void WxGraph::MoveSelectionToBack()
{
    std::stable_partition(mSeries.begin(), mSeries.end(),
                          [](const WxSeries* inSeries) { return !inSeries->IsSelected(); });
    SendMessage(kWxGraphSettingsChanged, nullptr);
}

void WxGraph::Split()
{
    new WxSeriesSplit(this);
    SendMessage(kWxGraphSettingsChanged, nullptr);
}

void WxGraph::Combine()
{
    for (WxSeries* series : SelectedSeries())
    {
        if (dynamic_cast<WxSeriesSplit*>(series) == nullptr)
            continue;
        delete series;
        SendMessage(kWxGraphSettingsChanged, nullptr);
    }
}

std::size_t WxGraph::SplitCount() const
{
    return 1 + std::size_t(std::count_if(mSeries.begin(), mSeries.end(),
                                         [](const WxSeries* inSeries)
                                         { return dynamic_cast<const WxSeriesSplit*>(inSeries) != nullptr; }));
}

WxGraph::SeriesList WxGraph::SelectedSeries() const
{
    SeriesList selected;
    std::copy_if(mSeries.begin(), mSeries.end(), std::back_inserter(selected),
                 [](const WxSeries* inSeries) { return inSeries->IsSelected(); });
    return selected;
}

std::size_t WxGraph::SelectionCount() const
{
    return std::size_t(
        std::count_if(mSeries.begin(), mSeries.end(), [](const WxSeries* inSeries) { return inSeries->IsSelected(); }));
}

void WxGraph::SelectAll()
{
    for (WxSeries* series : SeriesList(mSeries))
        series->SetSelected(true);
}

void WxGraph::DeselectAll()
{
    for (WxSeries* series : SeriesList(mSeries))
        series->SetSelected(false);
}

void WxGraph::SeriesChanged(WxSeries*)
{
    SendMessage(kWxGraphSeriesChanged, nullptr);
}

void WxGraph::SeriesDataChanged(WxSeries*)
{
    SendMessage(kWxGraphDataChanged, nullptr);
}

void WxGraph::SelectionChanged(WxSeries* inSeries)
{
    SendMessage(kWxGraphSelectionChanged, inSeries);
}

// ---- axes

void WxGraph::AdoptAxis(WxSeriesAxis* inAxis)
{
    CxAssert(inAxis != nullptr);
    if (inAxis == nullptr)
        return;
    std::unique_ptr<WxSeriesAxis>& entry = mAxes[inAxis->Unit().Id()];
    // The same axis adopted again must not delete itself.
    if (entry.get() != inAxis)
        entry.reset(inAxis);
}

WxSeriesAxis* WxGraph::GetAxisById(const CxString& inId)
{
    std::unique_ptr<WxSeriesAxis>& entry = mAxes[inId];
    if (entry == nullptr)
    {
        entry = std::make_unique<WxSeriesAxis>();
        entry->SetUnit(DxUnit(inId));
    }
    return entry.get();
}

WxSeriesAxis* WxGraph::GetAxis(WxSeries* inSeries)
{
    const auto* data = dynamic_cast<const WxDataSeries*>(inSeries);
    return data != nullptr ? GetAxisById(data->DataUnit().Id()) : nullptr;
}

void WxGraph::SetSelectedAxisId(const CxString& inId)
{
    mSelectedAxisId = inId;
    for (auto& axis : mAxes)
        axis.second->SetSelected(axis.first == inId);
}

CxString WxGraph::GetAxisUnitIdForPoint(const CxPoint& inPoint, std::int32_t& outIndex) const
{
    CxPoint point = inPoint;
    point.v = CxSint16(mBounds.Height() - inPoint.v);
    std::int32_t index = 0;
    for (const auto& area : mAxisAreas)
    {
        ++index;
        if (area.first.Contains(point))
        {
            outIndex = index;
            return area.second;
        }
    }
    outIndex = 0;
    return CxString();
}

// ---- settings

void WxGraph::SetName(const CxString& inName)
{
    if (inName == mName)
        return;
    mName = inName;
    SendMessage(kWxGraphSettingsChanged, nullptr);
}

void WxGraph::SetColor(const GxColor& inColor)
{
    if (inColor == mColor)
        return;
    mColor = inColor;
    for (WxSeries* series : SeriesList(mSeries))
        series->BackgroundChanged();
    SendMessage(kWxGraphSettingsChanged, nullptr);
}

void WxGraph::SetLegendAlign(const CxString& inAlign)
{
    mLegendAlign = CxString(inAlign == "right" ? "right" : "left");
}

void WxGraph::SetDates(const CxDate& inStart, const CxDate& inEnd)
{
    if (inStart == mStartDate && inEnd == mEndDate)
        return;
    mStartDate = inStart;
    mEndDate = inEnd < inStart ? inStart : inEnd;
    if (mStartDate == mEndDate)
        mStartDate = mEndDate - kDefaultWindow;
    mStartStale = true;
    mEndStale = true;
    for (WxSeries* series : SeriesList(mSeries))
        series->DatesChanged(mStartDate, mEndDate);
    SendMessage(kWxGraphSettingsChanged, nullptr);
}

void WxGraph::ToggleRealTime()
{
    if (mTrackingTimer.IsRepeating())
        mTrackingTimer.StopRepeating();
    else
        mTrackingTimer.StartRepeating();
    SendMessage(kWxGraphSettingsChanged, nullptr);
}

void WxGraph::ToggleArchiving()
{
    if (mArchiving)
        StopArchiving();
    else
        StartArchiving();
    SendMessage(kWxGraphSettingsChanged, nullptr);
}

void WxGraph::StartArchiving()
{
    for (WxSeries* series : mSeries)
    {
        DxClient* client = AsDxClient(series);
        if (client == nullptr)
            continue;
        try
        {
            client->SetArchiving(true);
        }
        catch (const CxError& inError)
        {
            // One series that cannot archive must not stop the others.
            _CxDebugOut(__FILE__, __LINE__, "****", inError.AsString().AsUtf8().c_str());
        }
    }
    mArchiving = true;
}

void WxGraph::StopArchiving()
{
    for (WxSeries* series : mSeries)
    {
        if (DxClient* client = AsDxClient(series))
            client->SetArchiving(false);
    }
    mArchiving = false;
}

void WxGraph::SetTrackingPoint(const GxPoint& inPoint)
{
    if (inPoint.IsEqualTo(mTrackingPoint))
        return;
    if (mTimeAxis != nullptr)
        mTimeAxis->SetTrackingPoint(inPoint);
    mTrackingPoint = inPoint;
}

CxDate WxGraph::TrackingTime() const
{
    return mTimeAxis != nullptr ? mTimeAxis->TrackingTime() : CxDate();
}

void WxGraph::OnReceiveMessage(CxMessenger*, CxSint32 inCode, void*)
{
    if (inCode == kWxGraphTrackRealTime)
        TrackRealTime();
}

void WxGraph::TrackRealTime()
{
    const double now = CxDate().AbsoluteTime();
    const CxDate minute(60.0 * std::floor(now / 60.0));
    SetDates(minute - (mEndDate - mStartDate), minute);
}
