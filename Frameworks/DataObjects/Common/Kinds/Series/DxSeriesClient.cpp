#include "DxSeriesClient.h"

#include "CxDebug.h"
#include "DxFrame.h"
#include "DxManager.h"
#include "DxSeriesManager.h"

#include <algorithm>

DxSeriesClient::~DxSeriesClient()
{
    Detach();
}

// The manager the set gave at SetSet: asking the set again would hand it the key, a write the main thread owns,
// and UpdateParm runs on the update job thread.
DxSeriesManager* DxSeriesClient::SeriesManager() const
{
    return dynamic_cast<DxSeriesManager*>(mManager);
}

void DxSeriesClient::SetSite(const CxString& inSite)
{
    {
        CxAutoLock lock(mLock);
        if (inSite == mSite)
            return;
        mSite = inSite;
    }
    DeleteFrames();
}

CxString DxSeriesClient::Site() const
{
    CxAutoLock lock(const_cast<CxCriticalRegion&>(mLock));
    return mSite;
}

void DxSeriesClient::AddParm(const DxParm& inParm)
{
    CxAutoLock lock(mLock);
    const bool absent = std::find(mParms.begin(), mParms.end(), inParm) == mParms.end();
    CxAssertText(absent, "std::find(mParms.begin(), mParms.end(), inParm) == mParms.end()");
    mParms.push_back(inParm);
    for (auto& entry : mFrames)
        entry.second->SetLastModified(DxManager::sMissingDate);
}

void DxSeriesClient::RemoveParm(const DxParm& inParm)
{
    CxAutoLock lock(mLock);
    const auto iter = std::find(mParms.begin(), mParms.end(), inParm);
    CxAssertText(iter != mParms.end(), "iter != mParms.end()");
    if (iter == mParms.end())
        return;
    mParms.erase(iter);
    for (auto& entry : mFrames)
        entry.second->SetLastModified(DxManager::sMissingDate);
}

void DxSeriesClient::UpdateParm(DxParm& ioParm)
{
    DxSeriesManager* manager = SeriesManager();
    if (manager == nullptr)
        return;
    // FindParm copies the definition under the manager's lock, so a configuration job replacing the list
    // meanwhile cannot hand back a freed entry.
    const DxParm found = manager->FindParm(ioParm.Id());
    ioParm.SetName(found.Name());
    ioParm.SetType(found.Type());
}

std::vector<DxParm> DxSeriesClient::Parms() const
{
    CxAutoLock lock(const_cast<CxCriticalRegion&>(mLock));
    return mParms;
}

DxSeriesClient::FrameMap DxSeriesClient::FrameList() const
{
    CxAutoLock lock(mLock);
    FrameMap frames;
    for (const auto& [date, frame] : mFrames)
        frames.emplace(date, frame.get());
    return frames;
}

CxDate DxSeriesClient::LastModified(const CxDate& inDate) const
{
    CxAutoLock lock(const_cast<CxCriticalRegion&>(mLock));
    const auto iter = mFrames.find(inDate);
    return iter != mFrames.end() ? iter->second->LastModified() : DxManager::sMissingDate;
}

void DxSeriesClient::DeleteFrames()
{
    {
        CxAutoLock lock(mLock);
        mFrames.clear();
        mReleased.clear();
    }
    AcceptFrame(nullptr);
}

void DxSeriesClient::OnSetChanged()
{
    DeleteFrames();
}

void DxSeriesClient::OnSubscriptionChanged()
{
    DeleteFrames();
}

// Released for a new configuration, each held date takes the next file delivered for it, however old its
// Last-Modified; the frames stay drawn until then.
void DxSeriesClient::OnReleaseAndInvalidate()
{
    CxAutoLock lock(mLock);
    for (const auto& entry : mFrames)
        mReleased.insert(entry.first);
}

void DxSeriesClient::OnRequestData()
{
    if (mManager != nullptr)
        mManager->RequestUpdateBatch(Subscription());
}

void DxSeriesClient::OnAcceptFrame(DxFrame* inFrame)
{
    if (inFrame == nullptr)
        return;
    std::unique_ptr<DxFrame>& held = mFrames[inFrame->Date()];
    if (held.get() != inFrame)
        held.reset(inFrame);
}

void DxSeriesClient::OnClientSubscribed()
{
    DxSeriesManager* seriesManager = SeriesManager();
    CxAssertText(seriesManager != nullptr, "seriesManager != nil");
    if (seriesManager != nullptr)
        mSeriesInterval = seriesManager->GetDataInterval();
}

bool DxSeriesClient::OnNeedsToParse(DxRecord* inRecord, const CxDate& inModified)
{
    CxAutoLock lock(mLock);
    if (inRecord == nullptr || mManager == nullptr)
        return false;
    const CxDate date = inRecord->Date();
    if (inRecord->mAttributes != mSite || date < mSubscription.StartDate() || mSubscription.EndDate() < date)
        return false;
    const bool released = mReleased.count(date) != 0;
    const bool needed = inModified > LastModified(date) || (released && inModified != DxManager::sMissingDate);
    if (needed)
    {
        mWaitingForData = true;
        // The very bytes a held frame was read from, still there at the release, are read again under the new
        // configuration; the date's next file is still to come.
        const auto held = mFrames.find(date);
        if (held == mFrames.end() || !held->second->IsReadFrom(inRecord->mFileDigest))
            mReleased.erase(date);
    }
    return needed;
}

bool DxSeriesClient::OnNeedsToRequest(DxRecord* inRecord)
{
    DxManager* manager = nullptr;
    {
        CxAutoLock lock(mLock);
        if (!Wanted(inRecord))
            return false;
        manager = mManager;
    }
    // The manager's lock comes first everywhere; so release ours, take both in that order and look again.
    CxAutoLock managerLock(manager->Region());
    CxAutoLock lock(mLock);
    if (!Wanted(inRecord))
        return false;
    mManager->RequestUpdate(*inRecord);
    return true;
}

bool DxSeriesClient::Wanted(const DxRecord* inRecord) const
{
    if (inRecord == nullptr || mManager == nullptr || inRecord->mAttributes != mSite)
        return false;
    const CxDate date = inRecord->Date();
    return mSubscription.StartDate() <= date && date <= mSubscription.EndDate();
}
