// Parameters of a data set: plain quantities, vector quantities (wind), derived, calibrated and linked ones.
// Plain values, copied freely.
#pragma once

#include "CxString.h"
#include "DxField.h"
#include "DxUnit.h"

#include <vector>

class DxParm
{
public:
    // Empty id and name, float, "nada", no unit set, resolution 0.
    DxParm() = default;
    DxParm(const CxString& inId, const CxString& inName, DxType inType, const DxUnit& inUnit,
           const DxUnitSet& inUnitSet, double inResolution);

    void Copy(const DxParm& inOther) { *this = inOther; }

    const CxString& Id() const { return mId; }
    void SetId(const CxString& inId) { mId = inId; }
    const CxString& Name() const { return mName; }
    void SetName(const CxString& inName) { mName = inName; }
    DxType Type() const { return mType; }
    void SetType(DxType inType) { mType = inType; }
    const DxUnit& Unit() const { return mUnit; }
    // Only to a unit of the same base; any other leaves the parameter as it is. A label: nothing is converted.
    void SetUnit(const DxUnit& inUnit);
    const DxUnitSet& UnitSet() const { return mUnitSet; }
    void SetUnitSet(const DxUnitSet& inUnitSet) { mUnitSet = inUnitSet; }
    double Resolution() const { return mResolution; }
    void SetResolution(double inResolution) { mResolution = inResolution; }

    // Id, ":" and unit id: the id of the frame field built for this parameter.
    CxString Key() const;

    // By id only.
    bool IsEqualTo(const DxParm& inOther) const { return mId == inOther.mId; }
    bool operator==(const DxParm& inOther) const { return IsEqualTo(inOther); }
    bool operator!=(const DxParm& inOther) const { return !IsEqualTo(inOther); }
    // Id and unit.
    bool IsExactMatch(const DxParm& inOther) const { return IsEqualTo(inOther) && mUnit == inOther.mUnit; }

private:
    CxString mId;
    CxString mName;
    DxType mType = kDxTypeFloat;
    DxUnit mUnit;
    DxUnitSet mUnitSet;
    double mResolution = 0.0;
};

// A vector quantity by the ids of its six scalar parameters, with the unit of its magnitude.
class DxVectorParm
{
public:
    DxVectorParm() = default;
    DxVectorParm(const CxString& inId, const CxString& inName, const CxString& inSamag, const CxString& inVamag,
                 const CxString& inDir, const CxString& inUcomp, const CxString& inVcomp, const CxString& inGust,
                 const DxUnit& inUnit);

    void Copy(const DxVectorParm& inOther) { *this = inOther; }

    const CxString& Id() const { return mId; }
    void SetId(const CxString& inId) { mId = inId; }
    const CxString& Name() const { return mName; }
    void SetName(const CxString& inName) { mName = inName; }
    // Scalar-averaged magnitude (speed).
    const CxString& Samag() const { return mSamag; }
    void SetSamag(const CxString& inId) { mSamag = inId; }
    // Vector-averaged magnitude.
    const CxString& Vamag() const { return mVamag; }
    void SetVamag(const CxString& inId) { mVamag = inId; }
    const CxString& Dir() const { return mDir; }
    void SetDir(const CxString& inId) { mDir = inId; }
    const CxString& Ucomp() const { return mUcomp; }
    void SetUcomp(const CxString& inId) { mUcomp = inId; }
    const CxString& Vcomp() const { return mVcomp; }
    void SetVcomp(const CxString& inId) { mVcomp = inId; }
    const CxString& Gust() const { return mGust; }
    void SetGust(const CxString& inId) { mGust = inId; }
    const DxUnit& Unit() const { return mUnit; }
    // Only to a unit of the same base.
    void SetUnit(const DxUnit& inUnit);

    // By id only.
    bool IsEqualTo(const DxVectorParm& inOther) const { return mId == inOther.mId; }
    bool operator==(const DxVectorParm& inOther) const { return IsEqualTo(inOther); }
    bool operator!=(const DxVectorParm& inOther) const { return !IsEqualTo(inOther); }
    // Id, unit and the six component ids; the names do not count.
    bool IsExactMatch(const DxVectorParm& inOther) const;

private:
    CxString mId;
    CxString mName;
    CxString mSamag;
    CxString mVamag;
    CxString mDir;
    CxString mUcomp;
    CxString mVcomp;
    CxString mGust;
    DxUnit mUnit;
};

// A parameter computed by a deriving function from other parameters.
class DxDerivedParm
{
public:
    DxDerivedParm() = default;
    DxDerivedParm(const CxString& inId, const CxString& inFunc, const std::vector<CxString>& inArgs)
        : mId(inId), mFunc(inFunc), mArgs(inArgs)
    {
    }

    void Copy(const DxDerivedParm& inOther) { *this = inOther; }

    const CxString& Id() const { return mId; }
    void SetId(const CxString& inId) { mId = inId; }
    const CxString& Func() const { return mFunc; }
    void SetFunc(const CxString& inFunc) { mFunc = inFunc; }
    // The argument parameter ids, in order.
    const std::vector<CxString>& Args() const { return mArgs; }
    void SetArgs(const std::vector<CxString>& inArgs) { mArgs = inArgs; }

private:
    CxString mId;
    CxString mFunc;
    std::vector<CxString> mArgs;
};

// A parameter computed from raw readings with calibration coefficients, kept as text.
class DxCalibParm
{
public:
    DxCalibParm() = default;
    DxCalibParm(const CxString& inId, const CxString& inFunc, const std::vector<CxString>& inArgs,
                const std::vector<CxString>& inCoeffs)
        : mId(inId), mFunc(inFunc), mArgs(inArgs), mCoeffs(inCoeffs)
    {
    }

    void Copy(const DxCalibParm& inOther) { *this = inOther; }

    const CxString& Id() const { return mId; }
    void SetId(const CxString& inId) { mId = inId; }
    const CxString& Func() const { return mFunc; }
    void SetFunc(const CxString& inFunc) { mFunc = inFunc; }
    const std::vector<CxString>& Args() const { return mArgs; }
    void SetArgs(const std::vector<CxString>& inArgs) { mArgs = inArgs; }
    const std::vector<CxString>& Coeffs() const { return mCoeffs; }
    void SetCoeffs(const std::vector<CxString>& inCoeffs) { mCoeffs = inCoeffs; }

private:
    CxString mId;
    CxString mFunc;
    std::vector<CxString> mArgs;
    std::vector<CxString> mCoeffs;
};

// A parameter supplied by another data set.
class DxLinkParm
{
public:
    DxLinkParm() = default;
    DxLinkParm(const CxString& inId, const CxString& inDataset) : mId(inId), mDataset(inDataset) {}

    void Copy(const DxLinkParm& inOther) { *this = inOther; }

    const CxString& Id() const { return mId; }
    void SetId(const CxString& inId) { mId = inId; }
    const CxString& Dataset() const { return mDataset; }
    void SetDataset(const CxString& inDataset) { mDataset = inDataset; }

private:
    CxString mId;
    CxString mDataset;
};
