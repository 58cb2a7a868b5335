#include "DxNidsClient.h"

#include "DxField.h"
#include "DxImage.h"
#include "DxManager.h"
#include "DxNidsManager.h"
#include "DxSet.h"

DxNidsClient::~DxNidsClient()
{
    Detach();
}

DxIndexedImage* DxNidsClient::IndexedImage() const
{
    return dynamic_cast<DxIndexedImage*>(Frame());
}

CxString DxNidsClient::Id() const
{
    CxAutoLock lock(const_cast<CxCriticalRegion&>(mLock));
    return mSite.Id() + ":" + mProduct.Type();
}

bool DxNidsClient::IsIdValid() const
{
    CxAutoLock lock(const_cast<CxCriticalRegion&>(mLock));
    return mSite.Id().Length() != 0 && mProduct.Type().Length() != 0;
}

void DxNidsClient::SetSite(const DxNidsSite& inSite)
{
    CxAutoLock lock(mLock);
    mSite = inSite;
}

void DxNidsClient::SetProduct(const DxNidsProduct& inProduct)
{
    CxAutoLock lock(mLock);
    mProduct = inProduct;
}

DxNidsSite DxNidsClient::Site() const
{
    CxAutoLock lock(const_cast<CxCriticalRegion&>(mLock));
    return mSite;
}

DxNidsProduct DxNidsClient::Product() const
{
    CxAutoLock lock(const_cast<CxCriticalRegion&>(mLock));
    return mProduct;
}

void DxNidsClient::OnReleaseAndInvalidate()
{
    DxNidsManager* manager = mSet != nullptr ? mSet->NidsManager() : nullptr;
    if (manager == nullptr)
        return;
    const DxNidsProduct product = manager->FindNidsProduct(Product());
    SetProduct(product);
}

CxSint32 DxNidsClient::FirstInt(const char* inField, CxSint32 inDefault) const
{
    const DxImage* image = Image();
    const DxIntField* field = image != nullptr ? image->FindIntField(inField) : nullptr;
    return field != nullptr && !field->empty() ? field->front() : inDefault;
}

CxSint32 DxNidsClient::GetVCP() const
{
    return FirstInt("vcp", 999);
}

CxSint32 DxNidsClient::GetNidsType() const
{
    return FirstInt("dataType", 100);
}

DxUnit DxNidsClient::NidsUnit() const
{
    const DxImage* image = Image();
    const DxFloatField* field = image != nullptr ? image->FindFloatField("units") : nullptr;
    return field != nullptr ? field->Unit() : DxUnit();
}

CxDate DxNidsClient::ProductDate(std::size_t inFirst) const
{
    const DxImage* image = Image();
    const DxIntField* times = image != nullptr ? image->FindIntField("productTimes") : nullptr;
    if (times == nullptr || times->size() < 12)
        return DxManager::sMissingDate;
    const auto at = [&](std::size_t inIndex) { return (*times)[inFirst + inIndex]; };
    return CxDate(CxSint16(at(0)), CxSint16(at(1)), CxSint16(at(2)), CxSint16(at(3)), CxSint16(at(4)), CxSint16(at(5)),
                  0);
}

CxDate DxNidsClient::GetProductBeginDate() const
{
    return ProductDate(0);
}

CxDate DxNidsClient::GetProductEndDate() const
{
    return ProductDate(6);
}
