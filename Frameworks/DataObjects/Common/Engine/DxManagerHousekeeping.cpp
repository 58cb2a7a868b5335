// The manager's housekeeping: the timer, configuration refreshes, hole collection and the bookkeeping of its jobs.
#include "DxManager.h"

#include "CxDebug.h"
#include "CxJob.h"
#include "DxCache.h"
#include "DxJobs.h"

#include <algorithm>
#include <chrono>
#include <thread>

// ---- housekeeping

void DxManager::OnTimer()
{
    CxAutoLock lock(mRegion);
    if (!(CxDate() < mNextConfigRefresh))
        UpdateConfig();
    if (mAutoRefresh != sDontBotherAutoRefresh)
        CreateHoleCollectJob()->Submit();
}

void DxManager::UpdateConfig()
{
    CxAutoLock lock(mRegion);
    // A refresh asked for while the scheduled one is due stands for it. The schedule keeps its first beat, so one
    // that fell behind catches up a tick at a time.
    if (!(CxDate() < mNextConfigRefresh))
        mNextConfigRefresh += 900.0;
    // A job not yet started fetches everything afresh: whoever asks meanwhile is served by it.
    if (mConfigQueued.exchange(true))
        return;
    CreateConfigJob()->Submit();
}

void DxManager::ConfigJobLeftQueue()
{
    mConfigQueued.store(false);
}

bool DxManager::PerformConfigUpdate()
{
    return Online() && OnUpdateConfig();
}

void DxManager::PerformHoleCollect()
{
    CxAutoLock lock(mRegion);
    const CxDate now;
    const double stale = mStaleThreshold;
    const double minimum = mMinimumCheckThreshold;
    for (const auto& record : mRecords)
    {
        if (record->mLastChecked == sMissingDate || record->mDownloader != nullptr)
            continue;
        bool fetch = !(now < record->mLastChecked + mAutoRefresh);
        if (!fetch && record->mOffset != 0.0)
        {
            const double age = now - record->mDate;
            fetch = (age > minimum || record->mOffset >= minimum) && age < stale;
        }
        if (fetch)
        {
            DxDownloadJob* job = CreateDownloadJob(*record);
            record->mDownloader = job;
            job->Submit();
        }
    }
    std::vector<CxString> expired;
    for (const auto& [url, entry] : mRequestMemo)
    {
        if (now - entry.mLastAttempt > 60.0)
            expired.push_back(url);
    }
    for (const CxString& url : expired)
        mRequestMemo.erase(url);
}

void DxManager::ReceiveMessageFromConfigJob(DxConfigJob* inJob, CxSint32 inCode)
{
    if (inCode != 900 && inCode != 0)
    {
        RefreshAllClients();
        SendMessage(9, nullptr);
    }
    DisposeConfigJob(inJob);
}

void DxManager::ReceiveMessageFromHoleCollectJob(DxHoleCollectJob* inJob, CxSint32)
{
    DisposeHoleCollectJob(inJob);
}

// ---- jobs

DxDownloadJob* DxManager::CreateDownloadJob(DxRecord& inRecord)
{
    CxAutoLock lock(mRegion);
    auto* job = new DxDownloadJob(this, inRecord);
    mJobs.push_back(job);
    return job;
}

DxUpdateJob* DxManager::CreateUpdateJob(DxRecord& inRecord)
{
    CxAutoLock lock(mRegion);
    auto* job = new DxUpdateJob(this, inRecord);
    mJobs.push_back(job);
    return job;
}

DxQueryJob* DxManager::CreateQueryJob(DxSubscription& inSubscription)
{
    CxAutoLock lock(mRegion);
    auto* job = new DxQueryJob(this, inSubscription);
    mJobs.push_back(job);
    return job;
}

DxConfigJob* DxManager::CreateConfigJob()
{
    CxAutoLock lock(mRegion);
    auto* job = new DxConfigJob(this);
    mJobs.push_back(job);
    return job;
}

DxHoleCollectJob* DxManager::CreateHoleCollectJob()
{
    CxAutoLock lock(mRegion);
    auto* job = new DxHoleCollectJob(this);
    mJobs.push_back(job);
    return job;
}

void DxManager::ForgetJob(CxJob* inJob)
{
    CxAutoLock lock(mRegion);
    const auto iter = std::find(mJobs.begin(), mJobs.end(), inJob);
    CxAssertText(iter != mJobs.end(), "iter != mJobs.end()");
    if (iter == mJobs.end())
        return;
    mJobs.erase(iter);
    // A download that ended early leaves its pointer behind; no record may keep a deleted job.
    for (const auto& record : mRecords)
    {
        if (record->mDownloader == inJob)
            record->mDownloader = nullptr;
        if (record->mUpdater == inJob)
            record->mUpdater = nullptr;
    }
    delete inJob;
}

void DxManager::DisposeDownloadJob(DxDownloadJob* inJob)
{
    ForgetJob(inJob);
}

void DxManager::DisposeUpdateJob(DxUpdateJob* inJob)
{
    ForgetJob(inJob);
}

void DxManager::DisposeQueryJob(DxQueryJob* inJob)
{
    ForgetJob(inJob);
}

void DxManager::DisposeConfigJob(DxConfigJob* inJob)
{
    ForgetJob(inJob);
}

void DxManager::DisposeHoleCollectJob(DxHoleCollectJob* inJob)
{
    ForgetJob(inJob);
}

void DxManager::CancelDownloadJob(DxDownloadJob* inJob)
{
    ForgetJob(inJob);
}

void DxManager::CancelUpdateJob(DxUpdateJob* inJob)
{
    ForgetJob(inJob);
}

void DxManager::CancelQueryJob(DxQueryJob* inJob)
{
    ForgetJob(inJob);
}

void DxManager::CancelConfigJob(DxConfigJob* inJob)
{
    ForgetJob(inJob);
}

void DxManager::CancelHoleCollectJob(DxHoleCollectJob* inJob)
{
    ForgetJob(inJob);
}

void DxManager::Close()
{
    if (mClosing.exchange(true))
        return;
    StopRepeating();
    const auto start = std::chrono::steady_clock::now();
    bool reported = false;
    for (;;)
    {
        // Jobs a running job adds meanwhile are cancelled on the next pass.
        std::vector<CxJob*> jobs;
        {
            CxAutoLock lock(mRegion);
            jobs.assign(mJobs.begin(), mJobs.end());
        }
        bool settled = true;
        for (CxJob* job : jobs)
        {
            job->Cancel();
            settled = settled && static_cast<DxJob*>(job)->Settled();
        }
        if (settled)
            return;
        if (!reported && std::chrono::steady_clock::now() - start > std::chrono::seconds(2))
        {
            reported = true;
            _CxDebugOut(__FILE__, __LINE__, "A job of a closing data manager still runs after 2 s; waiting for it",
                        mId.AsUtf8().c_str());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void DxManager::PurgeOldData(const CxDate& inDate)
{
    CxAutoLock lock(mRegion);
    if (mCache == nullptr)
        return;
    const CxUint32 count = mCache->PurgeOlderThan(inDate);
    LogLine(" purged " + CxString(count) + " data files older than " +
            inDate.AsString(CxString("%Y-%m-%d %H:%M:%S"), 0));
}

void DxManager::CleanupJobs()
{
    CxAutoLock lock(mRegion);
    for (const auto& record : mRecords)
    {
        record->mDownloader = nullptr;
        record->mUpdater = nullptr;
    }
    while (!mJobs.empty())
    {
        CxJob* job = mJobs.front();
        mJobs.pop_front();
        delete job;
    }
}

// ---- the concrete managers' hooks

bool DxManager::OnUpdateConfig()
{
    return false;
}
