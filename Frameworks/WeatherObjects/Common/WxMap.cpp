#include "WxMap.h"

#include "CxDebug.h"
#include "DxClients.h"
#include "DxManager.h"
#include "GxFont.h"
#include "GxString.h"
#include "WxProduct.h"
#include "WxValues.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace
{

GxFlatProjection DefaultProjection()
{
    GxPosition standard;
    standard.FromDegrees(-98.68, 35.48);
    return GxFlatProjection(standard);
}

CxString BoolText(bool inValue)
{
    return CxString(inValue ? "true" : "false");
}

DxClient* AsDxClient(WxProduct* inProduct)
{
    return dynamic_cast<DxClient*>(inProduct);
}

} // namespace

WxMap::WxMap(const XmlElement* inXml)
    : GxProjector(DefaultProjection()), mColor(CxString("#FFFF99")),
      mDateFont(std::make_unique<GxFont>(CxUint32(0), 10)), mLabelTextures(std::make_unique<GxStringTextures>()),
      mTrackingPosition(std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN()),
      mStepUnit(CxString("min")), mDurationUnit(CxString("hour")), mAnimationTimer(100, kWxMapAnimate),
      mTrackingTimer(10000, kWxMapTrackRealTime), mLegendAlign("left")
{
    mAnimationTimer.AttachReceiver(this);
    mTrackingTimer.AttachReceiver(this);
    if (inXml != nullptr)
        Internalize(inXml);
}

WxMap::~WxMap()
{
    if (IsAnimating())
        TogglePlay();
    mTrackingTimer.StopRepeating();
    mDateFont.reset();
    mDateString.reset();
    mTimeString.reset();
    mDismantling = true;
    // Each product leaves the list through OrphanProduct as it goes.
    while (!mProducts.empty())
    {
        WxProduct* product = mProducts.front();
        delete product;
        if (!mProducts.empty() && mProducts.front() == product)
            mProducts.erase(mProducts.begin());
    }
    SendMessage(kWxMapDeleted, nullptr);
}

// ---- the document

void WxMap::Internalize(const XmlElement* inXml)
{
    CxAssertText(inXml != nullptr, "inXml != nil");
    if (inXml == nullptr)
        return;
    CxAssertText(inXml->Name() == "map", "inXml->Name() == \"map\"");
    // An empty colour names none: the map keeps its own.
    const CxString color = inXml->GetAttribute("color");
    if (color.Length() != 0)
        SetColor(GxColor(color));
    AcceptDateSettings(inXml);
    const CxSint64 rate = WxReadLong(inXml->GetAttribute("rate"));
    if (rate != 0)
        mAnimationRate = CxUint32(std::clamp<CxSint64>(rate, 1, std::numeric_limits<CxUint32>::max()));
    if (mAnimationRate != 0)
        mAnimationTimer.SetRepeatInterval(mAnimationRate);
    SetFieldOfViewY(WxReadDouble(inXml->GetAttribute("fieldOfView")));
    SetScale(WxReadDouble(inXml->GetAttribute("scale")));
    mMapCenter.FromDegrees(WxReadDouble(inXml->GetAttribute("mapLon")), WxReadDouble(inXml->GetAttribute("mapLat")));
    const bool legendVisible = WxReadBool(inXml->GetAttribute("legendVisible"), true);
    if (legendVisible != mLegendVisible)
    {
        mLegendVisible = legendVisible;
        SendMessage(kWxMapLegendChanged, nullptr);
    }
    SetLegendAlign(inXml->GetAttribute("legendAlign"));
    mLegendDateFormat = inXml->GetAttribute("legendDateFormat");
    if (WxReadBool(inXml->GetAttribute("archiving"), true))
        StartArchiving();
    else
        StopArchiving();
    if (const XmlElement* projection = inXml->FindElement("projection"))
    {
        GxProjectionFactory factory;
        SetProjection(*factory.Create(projection));
    }
    mFrames.clear();
}

void WxMap::AcceptDateSettings(const XmlElement* inXml)
{
    mDurationCount = 0;
    const CxString dateText = inXml->GetAttribute("date");
    const CxDate date(dateText);
    const bool tracking = dateText.Length() == 0;
    CxDate start = date;
    CxDate end = date;
    const XmlElement* loop = inXml->FindElement("loop");
    if (loop == nullptr)
    {
        mStepping = true;
        mAnimationTimer.StopRepeating();
    }
    else
    {
        const XmlElement* duration = loop->FindElement("duration");
        CxAssertText(duration != nullptr, "durationElement != nil");
        if (duration != nullptr)
        {
            mDurationCount = WxReadLong(duration->GetAttribute("value"));
            mDurationUnit = DxUnit(duration->GetAttribute("units"));
        }
        const double length = double(mDurationCount) * double(WxUnitSeconds(mDurationUnit.Id()));
        if (const XmlElement* anchor = loop->FindElement("anchor"))
        {
            mAnchorDate = CxDate(anchor->GetAttribute("date"));
            mAnchorType = anchor->GetAttribute("type") == "loopTo" ? 2 : 1;
            start = mAnchorType == 1 ? mAnchorDate : mAnchorDate - length;
            end = mAnchorType == 1 ? mAnchorDate + length : mAnchorDate;
        }
        else
        {
            CxAssert(tracking);
            start = date - length;
        }
        if (const XmlElement* step = loop->FindElement("step"))
        {
            mStepping = true;
            mStepUnit = DxUnit(step->GetAttribute("units"));
            SetStepInterval(WxReadLong(step->GetAttribute("value")));
            mFrameIndex = 0;
            SetSyncProduct(nullptr);
        }
        else
        {
            mStepping = false;
            SetStepInterval(-1);
        }
    }
    SetDates(start, end);
    SetDate(date);
    if (tracking)
        mTrackingTimer.StartRepeating();
    else
        mTrackingTimer.StopRepeating();
}

void WxMap::Externalize(XmlBuilder& ioBuilder) const
{
    ioBuilder.Begin("map");
    ioBuilder.Attribute("color", mColor.AsString());
    if (!IsTracking())
        ioBuilder.Attribute("date", mDate.AsString());
    const GxPosition center = mMapCenter.AsDegrees();
    ioBuilder.Attribute("fieldOfView", CxString(mFieldOfView, 3));
    ioBuilder.Attribute("scale", CxString(mScale, 3));
    ioBuilder.Attribute("mapLon", CxString(center.mLongitude, 3));
    ioBuilder.Attribute("mapLat", CxString(center.mLatitude, 3));
    ioBuilder.Attribute("legendVisible", BoolText(mLegendVisible));
    ioBuilder.Attribute("legendAlign", mLegendAlign);
    if (mLegendDateFormat.Length() != 0)
        ioBuilder.Attribute("legendDateFormat", mLegendDateFormat);
    ioBuilder.Attribute("archiving", BoolText(mArchiving));
    ioBuilder.Attribute("rate", CxString(mAnimationRate));
    ExternalizeProjection(ioBuilder);
    if (mStartDate != mEndDate)
    {
        ioBuilder.Begin("loop");
        ioBuilder.Begin("duration");
        ioBuilder.Attribute("value", CxString(mDurationCount));
        ioBuilder.Attribute("units", mDurationUnit.Id());
        ioBuilder.End("duration");
        if (!IsTracking())
        {
            ioBuilder.Begin("anchor");
            ioBuilder.Attribute("date", mAnchorDate.AsString());
            ioBuilder.Attribute("type", CxString(mAnchorType == 2 ? "loopTo" : "loopFrom"));
            ioBuilder.End("anchor");
        }
        if (mStepping)
        {
            ioBuilder.Begin("step");
            ioBuilder.Attribute("value", CxString(mStepCount));
            ioBuilder.Attribute("units", mStepUnit.Id());
            ioBuilder.End("step");
        }
        ioBuilder.End("loop");
    }
    // Bottom first: reading adopts each product at the top, which restores this order.
    for (auto product = mProducts.rbegin(); product != mProducts.rend(); ++product)
        (*product)->Externalize(ioBuilder);
    ioBuilder.End("map");
}

// ---- layers

WxMap::ProductList::iterator WxMap::Find(WxProduct* inProduct)
{
    return std::find(mProducts.begin(), mProducts.end(), inProduct);
}

void WxMap::AdoptProduct(WxProduct* inProduct, WxProduct* inBefore)
{
    CxAssert(inProduct != nullptr);
    if (inProduct == nullptr)
        return;
    CxAssert(inProduct->Map() == nullptr);
    const bool listed = Find(inProduct) != mProducts.end();
    CxAssert(!listed);
    if (listed)
        return;
    auto where = mProducts.begin();
    if (inBefore != nullptr)
    {
        where = Find(inBefore);
        CxAssert(where != mProducts.end());
        if (where == mProducts.end())
            where = mProducts.begin();
    }
    mProducts.insert(where, inProduct);
    inProduct->SetMap(this);
    mTimeStale = true;
    if (inProduct->IsSync())
        UpdateSyncTimes();
    SendMessage(kWxMapProductAdopted, nullptr);
}

void WxMap::OrphanProduct(WxProduct* inProduct)
{
    CxAssertText(inProduct != nullptr, "inProduct != nil");
    if (inProduct == nullptr)
        return;
    CxAssertText(inProduct->Map() == this, "inProduct->Map() == this");
    const auto productPtr = Find(inProduct);
    CxAssertText(productPtr != mProducts.end(), "productPtr != mProducts.end()");
    if (productPtr != mProducts.end())
        mProducts.erase(productPtr);
    inProduct->SetMap(nullptr);
    if (mSyncProduct == inProduct)
        mSyncProduct = nullptr;
    // The tracking timer stopped with the dismantling.
    if (!mDismantling)
        CalculateTimerInterval();
    mTimeStale = true;
    SendMessage(kWxMapProductOrphaned, inProduct);
}

void WxMap::MoveProduct(WxProduct* inProduct, WxProduct* inBefore)
{
    if (inProduct == inBefore)
        return;
    const auto found = Find(inProduct);
    CxAssert(found != mProducts.end());
    if (found == mProducts.end())
        return;
    mProducts.erase(found);
    const auto where = inBefore != nullptr ? Find(inBefore) : mProducts.end();
    mProducts.insert(where, inProduct);
    SendMessage(kWxMapChanged, nullptr);
}

void WxMap::MoveSelectionForward()
{
    for (std::size_t i = 1; i < mProducts.size(); ++i)
    {
        if (mProducts[i]->IsSelected() && !mProducts[i - 1]->IsSelected())
            std::swap(mProducts[i], mProducts[i - 1]);
    }
    SendMessage(kWxMapSettingsChanged, nullptr);
}

void WxMap::MoveSelectionBackward()
{
    for (std::size_t i = mProducts.size(); i-- > 1;)
    {
        if (mProducts[i - 1]->IsSelected() && !mProducts[i]->IsSelected())
            std::swap(mProducts[i - 1], mProducts[i]);
    }
    SendMessage(kWxMapSettingsChanged, nullptr);
}

void WxMap::MoveSelectionToFront()
{
    std::stable_partition(mProducts.begin(), mProducts.end(), [](WxProduct* inP) { return inP->IsSelected(); });
    SendMessage(kWxMapSettingsChanged, nullptr);
}

void WxMap::MoveSelectionToBack()
{
    std::stable_partition(mProducts.begin(), mProducts.end(), [](WxProduct* inP) { return !inP->IsSelected(); });
    SendMessage(kWxMapSettingsChanged, nullptr);
}

WxMap::ProductList WxMap::SelectedProducts() const
{
    ProductList selected;
    std::copy_if(mProducts.begin(), mProducts.end(), std::back_inserter(selected),
                 [](WxProduct* inP) { return inP->IsSelected(); });
    return selected;
}

std::size_t WxMap::SelectionCount() const
{
    return std::size_t(
        std::count_if(mProducts.begin(), mProducts.end(), [](WxProduct* inP) { return inP->IsSelected(); }));
}

void WxMap::SelectAll()
{
    for (WxProduct* product : ProductList(mProducts))
        product->SetSelected(true);
}

void WxMap::DeselectAll()
{
    for (WxProduct* product : ProductList(mProducts))
        product->SetSelected(false);
}

WxProduct* WxMap::SyncProduct() const
{
    const auto found = std::find_if(mProducts.begin(), mProducts.end(), [](WxProduct* inP) { return inP->IsSync(); });
    return found != mProducts.end() ? *found : nullptr;
}

WxProduct* WxMap::CaptionProduct() const
{
    const auto found =
        std::find_if(mProducts.begin(), mProducts.end(), [](WxProduct* inP) { return inP->IsCaptionSource(); });
    return found != mProducts.end() ? *found : nullptr;
}

void WxMap::SetCaptionProduct(WxProduct* inProduct)
{
    for (WxProduct* product : mProducts)
        product->SetCaptionSource(false);
    if (inProduct != nullptr)
        inProduct->SetCaptionSource(true);
}

GxRect WxMap::Bounds() const
{
    GxRect bounds;
    bool any = false;
    for (WxProduct* product : mProducts)
    {
        if (!product->IsVisible() || product->Bounds().IsEmpty())
            continue;
        bounds = any ? bounds.Union(product->Bounds()) : product->Bounds();
        any = true;
    }
    return bounds;
}

bool WxMap::AllReadyToDraw() const
{
    return std::all_of(mProducts.begin(), mProducts.end(), [](WxProduct* inP) { return inP->IsReadyToDraw(); });
}

void WxMap::ProductChanged(WxProduct*)
{
    if (mDismantling)
        return;
    if (mReadyCheckPauses > 0)
        mChangedWhilePaused = true;
    else if (AllReadyToDraw())
        SendMessage(kWxMapChanged, nullptr);
}

void WxMap::ProductDataChanged(WxProduct*)
{
    if (mDismantling)
        return;
    if (mReadyCheckPauses > 0)
        mDataChangedWhilePaused = true;
    else if (AllReadyToDraw())
        SendMessage(kWxMapDataChanged, nullptr);
}

WxMap::ReadyCheckPause::ReadyCheckPause(WxMap& ioMap) : mMap(ioMap)
{
    ++mMap.mReadyCheckPauses;
}

WxMap::ReadyCheckPause::~ReadyCheckPause()
{
    if (--mMap.mReadyCheckPauses > 0)
        return;
    const bool changed = std::exchange(mMap.mChangedWhilePaused, false);
    const bool dataChanged = std::exchange(mMap.mDataChangedWhilePaused, false);
    if ((!changed && !dataChanged) || !mMap.AllReadyToDraw())
        return;
    if (changed)
        mMap.SendMessage(kWxMapChanged, nullptr);
    if (dataChanged)
        mMap.SendMessage(kWxMapDataChanged, nullptr);
}

void WxMap::SelectionChanged(WxProduct* inProduct)
{
    SendMessage(kWxMapSelectionChanged, inProduct);
}

// ---- settings

void WxMap::SetName(const CxString& inName)
{
    if (inName == mName)
        return;
    mName = inName;
    SendMessage(kWxMapSettingsChanged, nullptr);
}

void WxMap::SetColor(const GxColor& inColor)
{
    if (inColor == mColor)
        return;
    mColor = inColor;
    for (WxProduct* product : ProductList(mProducts))
        product->BackgroundChanged();
    SendMessage(kWxMapSettingsChanged, nullptr);
}

void WxMap::SetScale(double inScale)
{
    if (inScale == mScale)
        return;
    mScale = inScale;
    for (WxProduct* product : ProductList(mProducts))
        product->ScaleChanged();
}

void WxMap::SetFieldOfViewY(double inDegrees)
{
    if (inDegrees != mFieldOfView && inDegrees > 0.0)
        mFieldOfView = inDegrees;
}

void WxMap::OnProjectionChanged()
{
    for (WxProduct* product : ProductList(mProducts))
        product->ProjectionChanged();
    SendMessage(kWxMapSettingsChanged, nullptr);
}

void WxMap::SetLegendVisible(bool inVisible)
{
    if (inVisible == mLegendVisible)
        return;
    mLegendVisible = inVisible;
    SendMessage(kWxMapLegendChanged, nullptr);
}

void WxMap::SetLegendAlign(const CxString& inAlign)
{
    if (inAlign == mLegendAlign)
        return;
    mLegendAlign = CxString(inAlign == "right" ? "right" : "left");
    SendMessage(kWxMapLegendChanged, nullptr);
}

GxColor WxMap::TextColor() const
{
    return float(mColor.Brightness()) > 0.6f ? GxColor(0.0, 0.0, 0.0, 1.0) : GxColor(1.0, 1.0, 1.0, 1.0);
}

// ---- time

void WxMap::MarkDateStringsStale()
{
    mDateStale = true;
    mTimeStale = true;
}

void WxMap::SetDate(const CxDate& inDate)
{
    mFramePending = false;
    if (inDate == mDate)
        return;
    mFramePending = true;
    mDate = inDate;
    MarkDateStringsStale();
    for (WxProduct* product : ProductList(mProducts))
        product->DateChanged(inDate);
    SendMessage(kWxMapSettingsChanged, nullptr);
}

void WxMap::SetDates(const CxDate& inStart, const CxDate& inEnd)
{
    if (inStart == mStartDate && inEnd == mEndDate)
        return;
    mStartDate = inStart;
    mEndDate = inEnd;
    if (mAnchorType == 1)
        mAnchorDate = inStart;
    else if (mAnchorType == 2)
        mAnchorDate = inEnd;
    for (WxProduct* product : ProductList(mProducts))
        product->DatesChanged(inStart, inEnd);
    UpdateSyncTimes();
    SendMessage(kWxMapSettingsChanged, nullptr);
}

void WxMap::SetDurationAndUnit(CxSint64 inCount, const DxUnit& inUnit)
{
    mDurationCount = inCount;
    mDurationUnit = inUnit;
    const DxUnitConverter toSeconds(inUnit, DxUnit(CxString("secs")));
    const double length = std::trunc(toSeconds.Convert(double(inCount)));
    CxDate start = mStartDate;
    CxDate end = mEndDate;
    if (mAnchorType == 2)
        start = end - length;
    else
        end = start + length;
    SetDates(start, end);
    if (mDate < start)
        SetDate(start);
    else if (mDate > end)
        SetDate(end);
}

void WxMap::SetStepInterval(CxSint64 inCount)
{
    CxSint64 seconds = 0;
    if (__builtin_mul_overflow(WxUnitSeconds(mStepUnit.Id()), inCount, &seconds))
        seconds = inCount < 0 ? std::numeric_limits<CxSint64>::min() : std::numeric_limits<CxSint64>::max();
    if (inCount > 0)
        mStepCount = inCount;
    if (seconds == mStepSeconds)
        return;
    mStepSeconds = seconds;
    for (WxProduct* product : ProductList(mProducts))
        product->IntervalChanged(seconds);
}

void WxMap::SetSyncProduct(WxProduct* inProduct)
{
    mSyncProduct = inProduct;
    if (inProduct == nullptr)
        mStepping = true;
    for (WxProduct* product : mProducts)
        product->SetSync(false);
    if (inProduct != nullptr)
    {
        inProduct->SetSync(true);
        mStepping = false;
    }
    mFrames.clear();
}

void WxMap::SetAnimationRate(CxUint32 inMilliseconds)
{
    mAnimationRate = inMilliseconds;
    mAnimationTimer.SetRepeatInterval(inMilliseconds);
}

CxSint64 WxMap::StepSeconds() const
{
    return IsStepping() ? mStepSeconds : -1;
}

bool WxMap::IsStepping() const
{
    return mStepping && SyncProduct() == nullptr;
}

void WxMap::UpdateSyncTimes()
{
    mSyncProduct = SyncProduct();
    if (DxClient* client = AsDxClient(mSyncProduct))
    {
        mStepping = false;
        mFrames = client->GetDatesForAnimation();
        return;
    }
    mStepping = true;
    const double step = double(mStepSeconds < 1 ? 300 : mStepSeconds);
    mFrames.clear();
    for (std::size_t k = 0;; ++k)
    {
        const CxDate frame = mStartDate + double(k) * step;
        if (frame > mEndDate)
            break;
        if (k == kMaxFrames)
        {
            // A long loop at a short step would ask for millions of dates.
            _CxDebugOut(__FILE__, __LINE__, "UpdateSyncTimes", "frame list cut at 100000 frames");
            break;
        }
        mFrames.push_back(frame);
    }
}

void WxMap::FirstFrame()
{
    if (mFrames.size() < 2)
        UpdateSyncTimes();
    if (mFrames.empty())
        return;
    mFrameIndex = 0;
    SetDate(mFrames[mFrameIndex]);
}

void WxMap::LastFrame()
{
    if (mFrames.size() < 2)
        UpdateSyncTimes();
    if (mFrames.empty())
        return;
    mFrameIndex = mFrames.size() - 1;
    SetDate(mFrames[mFrameIndex]);
}

void WxMap::PreviousFrame()
{
    if (mFrames.size() < 2)
        UpdateSyncTimes();
    if (mFrames.empty())
        return;
    if (mFrameIndex == 0)
    {
        UpdateSyncTimes();
        if (mFrames.empty())
            return;
        mFrameIndex = mFrames.size() - 1;
    }
    else
    {
        --mFrameIndex;
    }
    mFrameIndex = std::min(mFrameIndex, mFrames.size() - 1);
    SetDate(mFrames[mFrameIndex]);
}

void WxMap::NextFrame()
{
    if (mFrames.size() < 2)
        UpdateSyncTimes();
    ++mFrameIndex;
    if (!mFrames.empty() && mFrameIndex == mFrames.size() - 1)
    {
        // New data dates join the loop here.
        UpdateSyncTimes();
    }
    else if (mFrameIndex >= mFrames.size())
    {
        UpdateSyncTimes();
        mFrameIndex = 0;
    }
    if (!mFrames.empty())
    {
        mFrameIndex = std::min(mFrameIndex, mFrames.size() - 1);
        SetDate(mFrames[mFrameIndex]);
    }
    mAtLastFrame = !mFrames.empty() && mFrameIndex == mFrames.size() - 1;
}

void WxMap::TogglePlay()
{
    if (mAnimationTimer.IsRepeating())
    {
        mAnimationTimer.StopRepeating();
        SendMessage(kWxMapSettingsChanged, nullptr);
        return;
    }
    mAnimationTimer.StopRepeating();
    mAnimationTimer.SetRepeatInterval(mAnimationRate);
    mAnimationTimer.StartRepeating();
    mAtLastFrame = false;
}

void WxMap::ToggleRealTime()
{
    if (!mTrackingTimer.IsRepeating())
    {
        mAnchorType = 2;
        mTrackingTimer.StartRepeating();
    }
    else
    {
        mTrackingTimer.StopRepeating();
    }
    SendMessage(kWxMapSettingsChanged, nullptr);
}

void WxMap::ToggleArchiving()
{
    if (mArchiving)
        StopArchiving();
    else
        StartArchiving();
    SendMessage(kWxMapSettingsChanged, nullptr);
}

void WxMap::StartArchiving()
{
    for (WxProduct* product : mProducts)
    {
        if (DxClient* client = AsDxClient(product))
            client->SetArchiving(true);
    }
    mArchiving = true;
}

void WxMap::StopArchiving()
{
    for (WxProduct* product : mProducts)
    {
        if (DxClient* client = AsDxClient(product))
            client->SetArchiving(false);
    }
    mArchiving = false;
}

void WxMap::CalculateTimerInterval()
{
    CxSint32 smallest = 60;
    for (WxProduct* product : mProducts)
    {
        const DxClient* client = AsDxClient(product);
        if (client == nullptr || client->Set() == nullptr || client->Manager() == nullptr)
            continue;
        const CxSint32 resolution = client->Manager()->GetTimeResolution();
        if (resolution > 0 && resolution < smallest)
            smallest = resolution;
    }
    const CxUint32 period = smallest < 60 ? 15000 : 60000;
    if (period != mTrackingTimer.RepeatInterval())
        mTrackingTimer.SetRepeatInterval(period);
}

// ---- timers

void WxMap::OnReceiveMessage(CxMessenger*, CxSint32 inCode, void*)
{
    if (inCode == kWxMapAnimate)
        MessageMapAnimate();
    else if (inCode == kWxMapTrackRealTime)
        MessageMapTrackRealTime();
}

void WxMap::MessageMapAnimate()
{
    if (mAtLastFrame)
    {
        if (mAnimationTimer.RepeatInterval() != kDwellMs)
        {
            mAnimationRate = mAnimationTimer.RepeatInterval();
            mAnimationTimer.SetRepeatInterval(kDwellMs);
            return;
        }
        mAnimationTimer.SetRepeatInterval(mAnimationRate);
    }
    // A frame not yet drawn holds the loop back.
    if (!mFramePending)
        NextFrame();
}

void WxMap::MessageMapTrackRealTime()
{
    const CxDate now;
    SetDates(now - (mEndDate - mStartDate), now);
    if (!IsAnimating())
        SetDate(now);
}
