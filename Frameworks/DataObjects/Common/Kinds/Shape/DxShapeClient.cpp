#include "DxShapeClient.h"

#include "CxCriticalRegion.h"

DxShapeClient::~DxShapeClient()
{
    Detach();
}

CxString DxShapeClient::Id() const
{
    CxAutoLock lock(const_cast<CxCriticalRegion&>(mLock));
    return mRegion + ":" + mFeature;
}

bool DxShapeClient::IsIdValid() const
{
    CxAutoLock lock(const_cast<CxCriticalRegion&>(mLock));
    return mRegion.Length() != 0 && mFeature.Length() != 0;
}

void DxShapeClient::SetFeature(const CxString& inFeature)
{
    CxAutoLock lock(mLock);
    mFeature = inFeature;
}

void DxShapeClient::SetRegion(const CxString& inRegion)
{
    CxAutoLock lock(mLock);
    mRegion = inRegion;
}

CxString DxShapeClient::Feature() const
{
    CxAutoLock lock(const_cast<CxCriticalRegion&>(mLock));
    return mFeature;
}

CxString DxShapeClient::Region() const
{
    CxAutoLock lock(const_cast<CxCriticalRegion&>(mLock));
    return mRegion;
}
