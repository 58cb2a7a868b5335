#include "DxObsClient.h"

#include "CxDebug.h"
#include "DxFrame.h"
#include "DxManager.h"
#include "DxObsManager.h"

#include <algorithm>

DxObsClient::~DxObsClient()
{
    Detach();
}

// The manager the set gave at SetSet: asking the set again would hand it the key, a write the main thread owns.
DxObsManager* DxObsClient::ObsManager() const
{
    return dynamic_cast<DxObsManager*>(mManager);
}

template <typename Change> void DxObsClient::Locked(Change inChange)
{
    DxManager* manager = mManager;
    if (manager == nullptr)
    {
        CxAutoLock lock(mLock);
        inChange();
        return;
    }
    CxAutoLock managerLock(manager->Region());
    CxAutoLock lock(mLock);
    inChange();
}

void DxObsClient::SetFrameType(DxFrameType inType)
{
    Locked([&]() REQUIRES(mLock) { mFrameType = inType; });
}

DxFrameType DxObsClient::FrameType() const
{
    CxAutoLock lock(const_cast<CxCriticalRegion&>(mLock));
    return mFrameType;
}

void DxObsClient::SetWantsEverything(bool inWants)
{
    Locked([&]() REQUIRES(mLock) { mWantsEverything = inWants; });
}

bool DxObsClient::WantsEverything() const
{
    CxAutoLock lock(const_cast<CxCriticalRegion&>(mLock));
    return mWantsEverything;
}

void DxObsClient::AddParm(const DxParm& inParm)
{
    Locked(
        [&]() REQUIRES(mLock)
        {
            const bool absent = std::find(mParms.begin(), mParms.end(), inParm) == mParms.end();
            CxAssertText(absent, "std::find(mParms.begin(), mParms.end(), inParm) == mParms.end()");
            mParms.push_back(inParm);
            if (mFrame != nullptr)
                mFrame->SetLastModified(DxManager::sMissingDate);
        });
}

void DxObsClient::RemoveParm(const DxParm& inParm)
{
    Locked(
        [&]() REQUIRES(mLock)
        {
            const auto iter = std::find(mParms.begin(), mParms.end(), inParm);
            CxAssertText(iter != mParms.end(), "iter != mParms.end()");
            if (iter == mParms.end())
                return;
            mParms.erase(iter);
            if (mFrame != nullptr)
                mFrame->SetLastModified(DxManager::sMissingDate);
        });
}

void DxObsClient::UpdateParm(DxParm& ioParm)
{
    DxObsManager* manager = ObsManager();
    if (manager == nullptr)
        return;
    const DxParm found = manager->FindParm(ioParm.Id());
    ioParm.SetName(found.Name());
    ioParm.SetType(found.Type());
}

std::vector<DxParm> DxObsClient::Parms() const
{
    CxAutoLock lock(const_cast<CxCriticalRegion&>(mLock));
    return mParms;
}

CxUint32 DxObsClient::CountParms() const
{
    CxAutoLock lock(const_cast<CxCriticalRegion&>(mLock));
    return static_cast<CxUint32>(mParms.size());
}
