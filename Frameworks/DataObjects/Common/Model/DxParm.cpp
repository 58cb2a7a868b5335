#include "DxParm.h"

DxParm::DxParm(const CxString& inId, const CxString& inName, DxType inType, const DxUnit& inUnit,
               const DxUnitSet& inUnitSet, double inResolution)
    : mId(inId), mName(inName), mType(inType), mUnit(inUnit), mUnitSet(inUnitSet), mResolution(inResolution)
{
}

void DxParm::SetUnit(const DxUnit& inUnit)
{
    if (mUnit.IsCompatibleWith(inUnit))
        mUnit = inUnit;
}

CxString DxParm::Key() const
{
    return mId + ":" + mUnit.Id();
}

DxVectorParm::DxVectorParm(const CxString& inId, const CxString& inName, const CxString& inSamag,
                           const CxString& inVamag, const CxString& inDir, const CxString& inUcomp,
                           const CxString& inVcomp, const CxString& inGust, const DxUnit& inUnit)
    : mId(inId), mName(inName), mSamag(inSamag), mVamag(inVamag), mDir(inDir), mUcomp(inUcomp), mVcomp(inVcomp),
      mGust(inGust), mUnit(inUnit)
{
}

void DxVectorParm::SetUnit(const DxUnit& inUnit)
{
    if (mUnit.IsCompatibleWith(inUnit))
        mUnit = inUnit;
}

bool DxVectorParm::IsExactMatch(const DxVectorParm& inOther) const
{
    return mId == inOther.mId && mUnit == inOther.mUnit && mSamag == inOther.mSamag && mVamag == inOther.mVamag &&
           mDir == inOther.mDir && mUcomp == inOther.mUcomp && mVcomp == inOther.mVcomp && mGust == inOther.mGust;
}
