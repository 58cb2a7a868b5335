// The process-wide settings: string keys to string values with typed accessors, under a lock. The store reads and
// writes no file; its owner fills it and saves GetStringTable(). A setter given a message code other than 0 sends
// it, with null data, to the attached receivers on the calling thread once the lock is released.
#pragma once

#include "CxCriticalRegion.h"
#include "CxMessenger.h"
#include "CxString.h"
#include "CxTypes.h"

#include <map>

class CxPreferences : public CxMessenger
{
public:
    // Keys are unique, compared exactly and ordered by CxString::CompareTo.
    using Table = std::map<CxString, CxString>;

    CxPreferences() = default;

    // "" when absent.
    CxString GetStringValue(const CxString& inKey) const;
    // The whole value must read: "true" or "false" in any letter case; anything else is false.
    bool GetBoolValue(const CxString& inKey) const;
    // The whole value must be a decimal integer within 32 bits ("12abc" is 0); anything else is 0.
    CxSint32 GetIntegerValue(const CxString& inKey) const;
    // The whole value must be a number ("2.5x" is 0.0); anything else is 0.0.
    double GetFloatValue(const CxString& inKey) const;
    // An empty value counts as present.
    bool HasValue(const CxString& inKey) const;

    void SetStringValue(const CxString& inKey, const CxString& inValue, CxSint32 inMessage);
    // "true" or "false".
    void SetBoolValue(const CxString& inKey, bool inValue, CxSint32 inMessage);
    void SetIntegerValue(const CxString& inKey, CxSint32 inValue, CxSint32 inMessage);
    // Fixed-point with that many decimals, as CxString(double, decimals) writes it.
    void SetFloatValue(const CxString& inKey, double inValue, CxSint32 inDecimals, CxSint32 inMessage);
    // Sends nothing.
    void ClearValue(const CxString& inKey);

    Table GetStringTable() const;
    // Replaces every entry; sends nothing.
    void SetStringTable(const Table& inTable);

private:
    Table mValues;
    mutable CxCriticalRegion mLock;
};

// The one store of the process, made on first use.
CxPreferences& CxGetGlobalPreferences();
