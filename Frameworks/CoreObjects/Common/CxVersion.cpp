#include "CxVersion.h"

#include "CxDebug.h"

#include "CxString.h"

#include <cstdio>

namespace
{
CxBuildStatus StatusFromLetter(char inLetter)
{
    switch (inLetter)
    {
    case 'b':
        return kCxBeta;
    case 'a':
        return kCxAlpha;
    case 'd':
        return kCxDevelopment;
    case 'f':
        return kCxFinal;
    default:
        _CxAssert(__FILE__, __LINE__, "false");
        return kCxDevelopment;
    }
}

inline int Order(CxSint32 inA, CxSint32 inB)
{
    return (inA > inB) - (inA < inB);
}
} // namespace

CxVersion::CxVersion(CxSint32 inMajor, CxSint32 inMinor, CxSint32 inFix, CxBuildStatus inStatus, CxSint32 inBuild)
    : mMajor(inMajor), mMinor(inMinor), mFix(inFix), mStatus(inStatus), mBuild(inBuild)
{
}

CxVersion::CxVersion(CxSint32 inMajor, CxSint32 inMinor, CxSint32 inFix, char inStatusLetter, CxSint32 inBuild)
    : CxVersion(inMajor, inMinor, inFix, StatusFromLetter(inStatusLetter), inBuild)
{
}

CxVersion::CxVersion(const CxString& inText) : CxVersion(inText.AsVersion()) {}

char CxVersion::StatusLetter(CxBuildStatus inStatus)
{
    return (inStatus >= kCxDevelopment && inStatus <= kCxFinal) ? "dabf"[inStatus] : '?';
}

bool CxVersion::IsEqualTo(const CxVersion& inOther) const
{
    return mMajor == inOther.mMajor && mMinor == inOther.mMinor && mFix == inOther.mFix && mStatus == inOther.mStatus &&
           mBuild == inOther.mBuild;
}

int CxVersion::Compare(const CxVersion& inOther) const
{
    if (int c = Order(mMajor, inOther.mMajor))
        return c;
    if (int c = Order(mMinor, inOther.mMinor))
        return c;
    if (int c = Order(mFix, inOther.mFix))
        return c;
    if (int c = Order(mStatus, inOther.mStatus))
        return c;
    return Order(mBuild, inOther.mBuild);
}

bool CxVersion::IsCompatibleWith(const CxVersion& inOther) const
{
    return mMajor == inOther.mMajor && mMinor >= inOther.mMinor;
}

CxString CxVersion::AsString() const
{
    char text[80];
    if (mStatus == kCxFinal)
        std::snprintf(text, sizeof text, "%d.%d.%d.%d", mMajor, mMinor, mFix, mBuild);
    else
        std::snprintf(text, sizeof text, "%d.%d.%d%c%d", mMajor, mMinor, mFix, StatusLetter(mStatus), mBuild);
    return CxString(text);
}

CxString CxVersion::AsShortString() const
{
    char text[80];
    int n = std::snprintf(text, sizeof text, "%d.%d", mMajor, mMinor);
    if (mFix > 0)
        n += std::snprintf(text + n, sizeof text - n, ".%d", mFix);
    if (mStatus != kCxFinal)
        std::snprintf(text + n, sizeof text - n, "%c%d", StatusLetter(mStatus), mBuild);
    return CxString(text);
}

CxString CxVersion::AsMajorMinorString() const
{
    char text[32];
    std::snprintf(text, sizeof text, "%d.%d", mMajor, mMinor);
    return CxString(text);
}

CxString CxVersion::AsFullString() const
{
    char text[80];
    std::snprintf(text, sizeof text, "%d.%d.%d%c%d", mMajor, mMinor, mFix, StatusLetter(mStatus), mBuild);
    return CxString(text);
}
