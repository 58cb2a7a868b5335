#include "DxJobs.h"

#include "CxDebug.h"
#include "DxManager.h"

namespace
{
constexpr CxSint32 kCancelled = 900;
}

DxDownloadJob::DxDownloadJob(DxManager* inManager, const DxRecord& inRecord)
    : CxJob(100, 1), mManager(inManager), mRecord(inRecord)
{
}

void DxDownloadJob::OnRun()
{
    PostMessage(mManager->PerformDownload(mRecord));
}

void DxDownloadJob::OnReceiveMessage(CxSint32 inCode)
{
    mManager->ReceiveMessageFromDownloadJob(this, inCode, mRecord);
}

void DxDownloadJob::OnCancel()
{
    PostMessage(kCancelled);
}

DxUpdateJob::DxUpdateJob(DxManager* inManager, const DxRecord& inRecord)
    : CxJob(101, 1), mManager(inManager), mRecord(inRecord)
{
}

void DxUpdateJob::OnRun()
{
    PostMessage(mManager->PerformUpdate(mRecord));
}

void DxUpdateJob::OnReceiveMessage(CxSint32 inCode)
{
    mManager->ReceiveMessageFromUpdateJob(this, inCode, mRecord);
}

void DxUpdateJob::OnCancel()
{
    PostMessage(kCancelled);
}

DxQueryJob::DxQueryJob(DxManager* inManager, const DxSubscription& inSubscription)
    : CxJob(100, 2), mManager(inManager), mSubscription(inSubscription)
{
}

void DxQueryJob::OnRun()
{
    mLocalDates = mManager->PerformLocalSearch(mSubscription);
    PostMessage(0);
    mOnlineDates = mManager->PerformQuery(mSubscription, mLocalDates);
    PostMessage(1);
    PostMessage(2);
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
    PostMessage(kCancelled);
}

std::vector<CxDate> DxQueryJob::GetDates(CxSint32 inCode) const
{
    if (inCode == 1)
        return mOnlineDates;
    CxAssertText(inCode == 0, "false");
    return mLocalDates;
}

DxConfigJob::DxConfigJob(DxManager* inManager) : CxJob(102, 4), mManager(inManager) {}

void DxConfigJob::OnRun()
{
    PostMessage(mManager->PerformConfigUpdate() ? 1 : 0);
}

void DxConfigJob::OnReceiveMessage(CxSint32 inCode)
{
    mManager->ReceiveMessageFromConfigJob(this, inCode);
}

void DxConfigJob::OnCancel()
{
    PostMessage(kCancelled);
}

DxHoleCollectJob::DxHoleCollectJob(DxManager* inManager) : CxJob(102, 4), mManager(inManager) {}

void DxHoleCollectJob::OnRun()
{
    mManager->PerformHoleCollect();
    PostMessage(6513);
}

void DxHoleCollectJob::OnReceiveMessage(CxSint32 inCode)
{
    mManager->ReceiveMessageFromHoleCollectJob(this, inCode);
}

void DxHoleCollectJob::OnCancel()
{
    PostMessage(kCancelled);
}
