// A version number: major.minor.fix, a build status and a build number, with comparisons and text forms.
#pragma once

#include "CxTypes.h"

class CxString;

enum CxBuildStatus : CxSint32
{
    kCxDevelopment = 0,
    kCxAlpha = 1,
    kCxBeta = 2,
    kCxFinal = 3
};

class CxVersion
{
public:
    CxVersion(CxSint32 inMajor, CxSint32 inMinor, CxSint32 inFix, CxBuildStatus inStatus, CxSint32 inBuild);
    // Status letters 'd', 'a', 'b', 'f'; any other is reported and taken as development.
    CxVersion(CxSint32 inMajor, CxSint32 inMinor, CxSint32 inFix, char inStatusLetter, CxSint32 inBuild);
    // The text's AsVersion(): 1.0.0 final build 0 when it does not parse.
    explicit CxVersion(const CxString& inText);

    CxSint32 Major() const { return mMajor; }
    CxSint32 Minor() const { return mMinor; }
    CxSint32 Fix() const { return mFix; }
    CxBuildStatus Status() const { return mStatus; }
    CxSint32 Build() const { return mBuild; }

    bool IsRelease() const { return mStatus == kCxFinal; }
    bool IsPrerelease() const { return mStatus != kCxFinal; }

    bool IsEqualTo(const CxVersion& inOther) const;
    bool operator==(const CxVersion& inOther) const { return IsEqualTo(inOther); }
    bool operator!=(const CxVersion& inOther) const { return !IsEqualTo(inOther); }
    bool operator<(const CxVersion& inOther) const { return Compare(inOther) < 0; }
    bool operator>(const CxVersion& inOther) const { return Compare(inOther) > 0; }
    bool operator<=(const CxVersion& inOther) const { return Compare(inOther) <= 0; }
    bool operator>=(const CxVersion& inOther) const { return Compare(inOther) >= 0; }

    // Same major, and this minor at least the other's.
    bool IsCompatibleWith(const CxVersion& inOther) const;

    CxString AsString() const;           // "1.8.0.4" (final), "1.4.0d1"
    CxString AsShortString() const;      // "1.8", "1.8.2", "1.4d1"
    CxString AsMajorMinorString() const; // "1.8"
    CxString AsFullString() const;       // "1.8.0f4"

    // The status letters, indexed by status.
    static char StatusLetter(CxBuildStatus inStatus);

private:
    // -1, 0 or 1 over major, minor, fix, status and build in that order.
    int Compare(const CxVersion& inOther) const;

    CxSint32 mMajor;
    CxSint32 mMinor;
    CxSint32 mFix;
    CxBuildStatus mStatus;
    CxSint32 mBuild;
};

#include "CxString.h"
