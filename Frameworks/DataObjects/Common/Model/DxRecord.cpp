#include "DxRecord.h"

#include "CxDebug.h"

#include <cstdint>

namespace
{

// 1904-01-01 00:00:00 UTC, the date that stands for none: 35430 days before 2001-01-01.
constexpr double kMissingTime = -35430.0 * 86400.0;

} // namespace

// ---- DxSubscription

DxSubscription::DxSubscription() : mStartDate(kMissingTime), mEndDate(kMissingTime) {}

DxSubscription::DxSubscription(const CxDate& inStartDate, const CxDate& inEndDate, const CxString& inAttribs,
                               CxSint32 inInterval)
    : mStartDate(inStartDate), mEndDate(inEndDate), mAttribs(inAttribs), mInterval(inInterval)
{
}

bool DxSubscription::operator==(const DxSubscription& inOther) const
{
    return mStartDate == inOther.mStartDate && mEndDate == inOther.mEndDate && mAttribs == inOther.mAttribs &&
           mInterval == inOther.mInterval;
}

CxString DxSubscription::AsString() const
{
    CxString text = mStartDate.AsString();
    text += " ";
    text += CxString(mStaleThreshold, 0);
    text += " ";
    text += mEndDate.AsString();
    text += " ";
    text += mAttribs;
    text += " RefCount: ";
    text += CxString(mRefCount);
    text += " recording:";
    text += CxString(mRecording);
    text += " interval:";
    text += CxString(mInterval);
    return text;
}

// ---- DxRecord

DxRecord::DxRecord() : mDate(kMissingTime), mLastChecked(kMissingTime) {}

DxRecord::DxRecord(const CxDate& inDate, const CxString& inAttributes)
    : mDate(inDate), mAttributes(inAttributes), mLastChecked(kMissingTime)
{
}

void DxRecord::RemoveRef()
{
    // An unsigned count would wrap to 4294967295 and keep the record alive for good.
    CxAssert(mRefCount > 0);
    if (mRefCount > 0)
        --mRefCount;
}

CxString DxRecord::AsString() const
{
    CxString text = mDate.AsString();
    text += " ";
    text += CxString(mOffset, 0);
    text += " ";
    text += mAttributes;
    text += " RefCount: ";
    text += CxString(mRefCount);
    text += " updater: ";
    text += CxString(static_cast<CxUint64>(reinterpret_cast<std::uintptr_t>(mUpdater)));
    text += " downloader: ";
    text += CxString(static_cast<CxUint64>(reinterpret_cast<std::uintptr_t>(mDownloader)));
    text += " archiving: ";
    text += CxString(mArchiving);
    text += " lastChecked: ";
    text += mLastChecked.AsString(CxString("%Y/%m/%d %H:%M:%S"), CxSint32(0));
    return text;
}
