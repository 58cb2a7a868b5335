// The bookkeeping between data clients and a data-set manager: a client's standing request for a date range, and
// one data file of one date. Neither locks anything: the owning manager's lock covers them.
#pragma once

#include "CxDate.h"
#include "CxString.h"
#include "CxTypes.h"

class CxJob;

class DxSubscription
{
public:
    // Open start and end (1904-01-01 00:00:00 UTC, no date), no attributes, interval unset (-1).
    DxSubscription();
    DxSubscription(const CxDate& inStartDate, const CxDate& inEndDate, const CxString& inAttribs, CxSint32 inInterval);
    DxSubscription(const DxSubscription& inOther) = default;
    DxSubscription& operator=(const DxSubscription& inOther) = default;
    virtual ~DxSubscription() = default;

    const CxDate& StartDate() const { return mStartDate; }
    const CxDate& EndDate() const { return mEndDate; }
    // The subscribing client's identity text.
    const CxString& Attribs() const { return mAttribs; }
    // Seconds between wanted dates; -1 while unset.
    CxSint32 Interval() const { return mInterval; }

    // Start, end, attributes and interval; the counters and flags do not count.
    bool operator==(const DxSubscription& inOther) const;
    bool operator!=(const DxSubscription& inOther) const { return !(*this == inOther); }

    // One line for the debug output.
    CxString AsString() const;

    // Set and read directly by the manager and the clients.
    CxUint32 mRefCount = 0;
    double mStaleThreshold = 0.0;
    bool mRecording = false;

private:
    CxDate mStartDate;
    CxDate mEndDate;
    CxString mAttribs;
    CxSint32 mInterval = -1;
};

class DxRecord
{
public:
    // Dates 1904-01-01 00:00:00 UTC (no date), no attributes, no references.
    DxRecord();
    DxRecord(const CxDate& inDate, const CxString& inAttributes);
    DxRecord(const DxRecord& inOther) = default;
    DxRecord& operator=(const DxRecord& inOther) = default;
    virtual ~DxRecord() = default;

    // The nominal date less the offset.
    CxDate Date() const { return mDate - mOffset; }

    CxUint32 RefCount() const { return mRefCount; }
    void AddRef() { ++mRefCount; }
    // Never below 0: an extra release is reported and ignored.
    void RemoveRef();

    // There is no way back.
    void SetArchiving() { mArchiving = true; }
    bool Archiving() const { return mArchiving; }

    // Nominal date and attributes; the offset does not count.
    bool operator==(const DxRecord& inOther) const
    {
        return mDate == inOther.mDate && mAttributes == inOther.mAttributes;
    }
    bool operator!=(const DxRecord& inOther) const { return !(*this == inOther); }

    // One line for the debug output; the last-checked date in UTC.
    CxString AsString() const;

    // Set and read directly by the manager.
    CxDate mDate;                 // the file's nominal date
    double mOffset = 0.0;         // seconds from the record's date up to the nominal date
    CxString mAttributes;         // the requesting client's identity text
    CxDate mLastChecked;          // when a download last finished
    CxJob* mDownloader = nullptr; // pending download, not owned
    CxJob* mUpdater = nullptr;    // pending frame build, not owned
    // Which held record a copy was taken from (a job's outlives its record); 0 for one the manager never held.
    CxUint64 mSerial = 0;
    // The bytes an update read for it, as a digest; 0 when not known.
    CxUint64 mFileDigest = 0;

private:
    CxUint32 mRefCount = 0;
    bool mArchiving = false;
};
