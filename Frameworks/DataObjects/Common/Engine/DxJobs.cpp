#include "DxJobs.h"

#include "CxDebug.h"
#include "CxEvents.h"
#include "DxManager.h"

namespace
{
constexpr CxSint32 kCancelled = 900;
}

void DxJob::Finish(CxSint32 inCode)
{
    CxJob* const self = this;
    const CxUint32 serial = Serial();
    mSettled.store(true);
    CxDispatchEvent(self, serial, inCode);
}

DxDownloadJob::DxDownloadJob(DxManager* inManager, const DxRecord& inRecord)
    : DxJob(100, 1, inManager), mRecord(inRecord)
{
}

void DxDownloadJob::OnRun()
{
    Finish(mManager->PerformDownload(mRecord));
}

void DxDownloadJob::OnReceiveMessage(CxSint32 inCode)
{
    mManager->ReceiveMessageFromDownloadJob(this, inCode, mRecord);
}

void DxDownloadJob::OnCancel()
{
    Finish(kCancelled);
}

DxUpdateJob::DxUpdateJob(DxManager* inManager, const DxRecord& inRecord) : DxJob(101, 1, inManager), mRecord(inRecord)
{
}

void DxUpdateJob::OnRun()
{
    Finish(mManager->PerformUpdate(mRecord));
}

void DxUpdateJob::OnReceiveMessage(CxSint32 inCode)
{
    mManager->ReceiveMessageFromUpdateJob(this, inCode, mRecord);
}

void DxUpdateJob::OnCancel()
{
    Finish(kCancelled);
}

DxQueryJob::DxQueryJob(DxManager* inManager, const DxSubscription& inSubscription)
    : DxJob(100, 2, inManager), mSubscription(inSubscription)
{
}

void DxQueryJob::OnRun()
{
    mLocalDates = mManager->PerformLocalSearch(mSubscription);
    PostMessage(0);
    mOnlineDates = mManager->PerformQuery(mSubscription, mLocalDates);
    PostMessage(1);
    Finish(2);
}

void DxQueryJob::OnReceiveMessage(CxSint32 inCode)
{
    // The dates were written before their message was posted, so the main thread reads them settled.
    if ((inCode == 0 && mLocalDates.empty()) || (inCode == 1 && mOnlineDates.empty()))
        return;
    mManager->ReceiveMessageFromQueryJob(this, inCode, mSubscription);
}

void DxQueryJob::OnCancel()
{
    Finish(kCancelled);
}

std::vector<CxDate> DxQueryJob::GetDates(CxSint32 inCode) const
{
    if (inCode == 1)
        return mOnlineDates;
    CxAssertText(inCode == 0, "false");
    return mLocalDates;
}

DxConfigJob::DxConfigJob(DxManager* inManager) : DxJob(102, 4, inManager) {}

void DxConfigJob::OnRun()
{
    mManager->ConfigJobLeftQueue();
    Finish(mManager->PerformConfigUpdate() ? 1 : 0);
}

void DxConfigJob::OnReceiveMessage(CxSint32 inCode)
{
    mManager->ReceiveMessageFromConfigJob(this, inCode);
}

void DxConfigJob::OnCancel()
{
    mManager->ConfigJobLeftQueue();
    Finish(kCancelled);
}

DxHoleCollectJob::DxHoleCollectJob(DxManager* inManager) : DxJob(102, 4, inManager) {}

void DxHoleCollectJob::OnRun()
{
    mManager->PerformHoleCollect();
    Finish(6513);
}

void DxHoleCollectJob::OnReceiveMessage(CxSint32 inCode)
{
    mManager->ReceiveMessageFromHoleCollectJob(this, inCode);
}

void DxHoleCollectJob::OnCancel()
{
    Finish(kCancelled);
}
