#include "DxClients.h"

#include "DxFrame.h"
#include "DxImage.h"
#include "DxManager.h"
#include "DxSet.h"
#include "DxShape.h"

DxClient::DxClient()
    : mStartDate(DxManager::sMissingDate), mEndDate(DxManager::sMissingDate), mDisplayDate(DxManager::sMissingDate),
      mExpectedDate(DxManager::sMissingDate)
{
}

DxClient::~DxClient()
{
    Detach();
}

void DxClient::Detach()
{
    DxManager* manager = mManager;
    if (manager == nullptr)
        return;
    CxAutoLock managerLock(manager->Region());
    {
        CxAutoLock lock(mLock);
        if (mSubscribed)
            manager->Unsubscribe(mSubscription);
        mSubscribed = false;
        mManager = nullptr;
    }
    if (manager->HasClient(this))
        manager->RemoveClient(this);
}

CxString DxClient::Id() const
{
    return CxString();
}

bool DxClient::IsIdValid() const
{
    return true;
}

CxDate DxClient::Clip(const CxDate& inDate) const
{
    return mManager != nullptr ? mManager->ClipDate(inDate) : inDate;
}

void DxClient::SetSet(DxSet* inSet)
{
    if (mManager != nullptr)
    {
        {
            CxAutoLock managerLock(mManager->Region());
            CxAutoLock lock(mLock);
            if (mSubscribed)
                mManager->Unsubscribe(mSubscription);
            mSubscribed = false;
        }
        mManager->RemoveClient(this);
        AcceptFrame(nullptr);
        {
            CxAutoLock lock(mLock);
            mSubscription = DxSubscription();
        }
        mManager = nullptr;
    }
    DxSet* oldSet = mSet;
    mSet = inSet;
    if (inSet != nullptr)
    {
        mManager = inSet->Manager();
        if (mManager != nullptr)
            mManager->AddClient(this);
        CxAutoLock lock(mLock);
        mSubscribed = false;
    }
    if (inSet != oldSet)
        OnSetChanged();
}

void DxClient::SetDates(const CxDate& inStart, const CxDate& inEnd)
{
    if (inStart == mStartDate && inEnd == mEndDate)
        return;
    mStartDate = Clip(inStart);
    mEndDate = Clip(inEnd);
}

void DxClient::SetDisplayDate(const CxDate& inDate)
{
    mDisplayDate = Clip(inDate);
}

void DxClient::SetArchiving(bool inArchiving)
{
    mArchiving = inArchiving;
    if (inArchiving && mManager != nullptr)
        mManager->ArchiveSubscription(Subscription());
}

void DxClient::RefreshClient()
{
    SubscribeSelf();
    if (IsSubscriptionValid())
        OnRequestData();
}

void DxClient::SubscribeSelf()
{
    if (mManager == nullptr)
        return;
    const CxSint32 interval =
        mInterval != -1 && mManager->IsConstantInterval() ? mInterval : mManager->GetTimeResolution();
    DxSubscription subscription(Clip(mStartDate), Clip(mEndDate), Id(), interval);
    subscription.mStaleThreshold = static_cast<double>(mManager->GetStaleThreshold());
    subscription.mRecording = mArchiving;
    if (IsIdValid())
    {
        CxAutoLock managerLock(mManager->Region());
        CxAutoLock lock(mLock);
        const bool wasRegistered = mSubscribed;
        const bool changed = subscription != mSubscription;
        if (changed)
            mSubscribed = false;
        if (!mSubscribed)
        {
            mSubscribed = mManager->Subscribe(subscription);
            // The new one first, so the manager holds one of the two throughout; only a registered one goes.
            if (changed && mSubscribed && wasRegistered)
                mManager->Unsubscribe(mSubscription);
            mSubscription = subscription;
            // The same one again, after a release, keeps what the client holds.
            if (changed)
                OnSubscriptionChanged();
        }
    }
    OnClientSubscribed();
}

void DxClient::ReleaseAndInvalidate()
{
    if (mManager != nullptr)
    {
        CxAutoLock managerLock(mManager->Region());
        CxAutoLock lock(mLock);
        if (mSubscribed)
            mManager->Unsubscribe(mSubscription);
        mSubscribed = false;
        mInvalidated = true;
    }
    else
    {
        CxAutoLock lock(mLock);
        mSubscribed = false;
        mInvalidated = true;
    }
    OnReleaseAndInvalidate();
}

void DxClient::AcceptFrame(DxFrame* inFrame)
{
    {
        CxAutoLock lock(mLock);
        OnAcceptFrame(inFrame);
    }
    OnFrameChanged();
}

bool DxClient::NeedsToParse(DxRecord* inRecord, const CxDate& inModified)
{
    return OnNeedsToParse(inRecord, inModified);
}

bool DxClient::NeedsToRequest(DxRecord* inRecord)
{
    return OnNeedsToRequest(inRecord);
}

void DxClient::SetAuthenticated(bool inValue)
{
    if (inValue == mAuthenticated)
        return;
    mAuthenticated = inValue;
    OnAuthenticationChanged();
}

bool DxClient::IsTemporal() const
{
    return mManager != nullptr && mManager->GetTimeResolution() > 0;
}

bool DxClient::ShowsSeconds() const
{
    return mManager != nullptr && mManager->GetTimeResolution() >= 1 && mManager->GetTimeResolution() <= 59;
}

CxDate DxClient::ExpectedDate() const
{
    CxAutoLock lock(mLock);
    return mExpectedDate;
}

DxSubscription DxClient::Subscription() const
{
    CxAutoLock lock(mLock);
    return mSubscription;
}

bool DxClient::IsSubscriptionValid() const
{
    CxAutoLock lock(mLock);
    return mSubscribed;
}

// The frame changes only on the main thread; the lock is for the update thread, which reads it too.
DxFrame* DxClient::Frame() const
{
    CxAutoLock lock(mLock);
    return mFrame.get();
}

DxTable* DxClient::Table() const
{
    return dynamic_cast<DxTable*>(Frame());
}

DxGrid* DxClient::Grid() const
{
    return dynamic_cast<DxGrid*>(Frame());
}

DxShape* DxClient::Shape() const
{
    return dynamic_cast<DxShape*>(Frame());
}

DxImage* DxClient::Image() const
{
    return dynamic_cast<DxImage*>(Frame());
}

CxDate DxClient::FrameDate() const
{
    CxAutoLock lock(mLock);
    return mFrame != nullptr ? mFrame->Date() : DxManager::sMissingDate;
}

CxDate DxClient::LastModified() const
{
    CxAutoLock lock(mLock);
    return mFrame != nullptr ? mFrame->LastModified() : DxManager::sMissingDate;
}

std::vector<CxDate> DxClient::GetDatesForAnimation()
{
    if (mManager == nullptr)
        return {};
    return mManager->AvailableDates(Subscription());
}

void DxClient::OnSetChanged() {}

void DxClient::OnRequestData()
{
    if (mManager == nullptr)
        return;
    DxRecord record(Clip(mDisplayDate), Id());
    if (mArchiving)
        record.SetArchiving();
    if (record.mDate > Clip(mEndDate) || record.mDate < Clip(mStartDate))
        return;
    CxAutoLock managerLock(mManager->Region());
    CxAutoLock lock(mLock);
    mExpectedDate = mManager->RequestUpdate(record);
}

void DxClient::OnAcceptFrame(DxFrame* inFrame)
{
    if (inFrame != mFrame.get())
        mFrame.reset(inFrame);
}

void DxClient::OnClientSubscribed() {}

void DxClient::OnReleaseAndInvalidate() {}

bool DxClient::OnNeedsToParse(DxRecord* inRecord, const CxDate& inModified)
{
    CxAutoLock lock(mLock);
    if (inRecord == nullptr || mManager == nullptr)
        return false;
    if (inRecord->mAttributes != Id() || inRecord->mDate != mExpectedDate)
        return false;
    // Released for a new configuration, the frame waits for the new file rather than go blank meanwhile.
    if (mInvalidated && mFrame != nullptr && inModified == DxManager::sMissingDate)
        return false;
    bool needs = false;
    if (LastModified() == DxManager::sMissingDate)
        needs = true;
    else if (inRecord->Date() != Clip(FrameDate()))
        needs = true;
    else
        needs = inModified > LastModified() || (mInvalidated && inModified != DxManager::sMissingDate);
    if (needs)
    {
        mWaitingForData = true;
        // The very bytes the frame was read from, still there at the release, are read again under the new
        // configuration; the file it waits for is still to come.
        if (mFrame == nullptr || !mFrame->IsReadFrom(inRecord->mFileDigest))
            mInvalidated = false;
    }
    return needs;
}

bool DxClient::OnNeedsToRequest(DxRecord* inRecord)
{
    CxAutoLock lock(mLock);
    if (inRecord == nullptr || mManager == nullptr || inRecord->mAttributes != Id())
        return false;
    bool needs = mExpectedDate == DxManager::sMissingDate;
    if (mExpectedDate < inRecord->mDate && inRecord->mDate <= Clip(mDisplayDate))
        needs = true;
    if (inRecord->mDate == mExpectedDate && inRecord->Date() > FrameDate())
        needs = true;
    if (mFrame == nullptr)
        needs = true;
    if (needs && mSubscribed)
        OnRequestData();
    return needs;
}

void DxClient::OnAuthenticationChanged() {}

void DxClient::OnSubscriptionChanged() {}

void DxClient::OnFrameChanged()
{
    mWaitingForData = false;
    OnTableChanged();
    OnShapeChanged();
    OnGridChanged();
    OnTextureChanged();
}

void DxClient::OnTableChanged() {}

void DxClient::OnShapeChanged() {}

void DxClient::OnGridChanged() {}

void DxClient::OnTextureChanged() {}
