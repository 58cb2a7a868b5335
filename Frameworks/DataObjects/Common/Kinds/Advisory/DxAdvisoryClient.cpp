#include "DxAdvisoryClient.h"

#include "DxAdvisoryManager.h"
#include "DxFrame.h"
#include "DxManager.h"
#include "DxSet.h"

DxAdvisoryClient::~DxAdvisoryClient()
{
    Detach();
}

void DxAdvisoryClient::LoadAdvisoryList()
{
    DxAdvisoryManager* manager = Set() != nullptr ? Set()->AdvisoryManager() : nullptr;
    if (manager == nullptr)
        return;
    mAdvisoryInfo = manager->AdvisoryInfo();
}

void DxAdvisoryClient::SetAdvisoryClientIds(const CxStringList& inIds)
{
    CxAutoLock lock(mLock);
    if (inIds == mAdvisoryClientIds)
        return;
    mAdvisoryClientIds = inIds;
    if (mFrame != nullptr)
        mFrame->SetLastModified(DxManager::sMissingDate);
}

CxStringList DxAdvisoryClient::GetAdvisoryClientIds() const
{
    CxAutoLock lock(const_cast<CxCriticalRegion&>(mLock));
    return mAdvisoryClientIds;
}

void DxAdvisoryClient::SetProjection(const GxProjection& inProjection)
{
    CxAutoLock lock(mLock);
    GxProjector::SetProjection(inProjection);
}

std::unique_ptr<GxProjection> DxAdvisoryClient::CopyProjection() const
{
    CxAutoLock lock(const_cast<CxCriticalRegion&>(mLock));
    return std::unique_ptr<GxProjection>(Projection()->Copy());
}
