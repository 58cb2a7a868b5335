#include "DxImageClient.h"

#include "DxImageManager.h"
#include "DxSet.h"

DxImageClient::~DxImageClient()
{
    Detach();
}

CxString DxImageClient::Id() const
{
    CxAutoLock lock(const_cast<CxCriticalRegion&>(mLock));
    return mCategory1.Id() + ":" + mCategory2.Id();
}

bool DxImageClient::IsIdValid() const
{
    CxAutoLock lock(const_cast<CxCriticalRegion&>(mLock));
    return mCategory1.Id().Length() != 0 && mCategory2.Id().Length() != 0;
}

void DxImageClient::SetCategory1(const DxImageItem& inItem)
{
    CxAutoLock lock(mLock);
    mCategory1 = inItem;
}

void DxImageClient::SetCategory2(const DxImageItem& inItem)
{
    CxAutoLock lock(mLock);
    mCategory2 = inItem;
}

DxImageItem DxImageClient::Category1() const
{
    CxAutoLock lock(const_cast<CxCriticalRegion&>(mLock));
    return mCategory1;
}

DxImageItem DxImageClient::Category2() const
{
    CxAutoLock lock(const_cast<CxCriticalRegion&>(mLock));
    return mCategory2;
}

void DxImageClient::OnReleaseAndInvalidate()
{
    DxImageManager* manager = mSet != nullptr ? mSet->ImageManager() : nullptr;
    if (manager == nullptr)
        return;
    const DxImageItem category1 = manager->GetItemForCategory(0, Category1());
    const DxImageItem category2 = manager->GetItemForCategory(1, Category2());
    SetCategory1(category1);
    SetCategory2(category2);
}
