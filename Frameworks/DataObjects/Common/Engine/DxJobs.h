// The five kinds of manager job. Each holds its manager and a copy of its record or subscription, calls one
// manager operation on its job thread, posts the result code, and hands every code it receives on the main thread
// to one manager handler, which disposes of the job.
#pragma once

#include "CxDate.h"
#include "CxJob.h"
#include "DxRecord.h"

#include <atomic>
#include <vector>

class DxManager;

// What the five share: the manager, and the moment from which no worker touches the job again.
class DxJob : public CxJob
{
public:
    // True once the job has posted its last message from OnRun, or its cancel notice: its owner may then delete
    // it even while that message is still on its way (a message for a deleted job is dropped).
    bool Settled() const { return mSettled.load(); }

protected:
    DxJob(CxSint32 inType, CxSint32 inId, DxManager* inManager) : CxJob(inType, inId), mManager(inManager) {}
    // The job's last act on its thread: settles, then posts without touching the job.
    void Finish(CxSint32 inCode);

    DxManager* mManager;

private:
    std::atomic<bool> mSettled{false};
};

class DxDownloadJob : public DxJob
{
public:
    DxDownloadJob(DxManager* inManager, const DxRecord& inRecord);
    void OnRun() override;
    void OnReceiveMessage(CxSint32 inCode) override;
    void OnCancel() override;

private:
    DxRecord mRecord;
};

class DxUpdateJob : public DxJob
{
public:
    DxUpdateJob(DxManager* inManager, const DxRecord& inRecord);
    void OnRun() override;
    void OnReceiveMessage(CxSint32 inCode) override;
    void OnCancel() override;

private:
    DxRecord mRecord;
};

class DxQueryJob : public DxJob
{
public:
    DxQueryJob(DxManager* inManager, const DxSubscription& inSubscription);
    void OnRun() override;
    void OnReceiveMessage(CxSint32 inCode) override;
    void OnCancel() override;

    // The local dates for code 0, the online dates for code 1.
    std::vector<CxDate> GetDates(CxSint32 inCode) const;

private:
    DxSubscription mSubscription;
    std::vector<CxDate> mLocalDates;
    std::vector<CxDate> mOnlineDates;
};

class DxConfigJob : public DxJob
{
public:
    explicit DxConfigJob(DxManager* inManager);
    void OnRun() override;
    void OnReceiveMessage(CxSint32 inCode) override;
    void OnCancel() override;
};

class DxHoleCollectJob : public DxJob
{
public:
    explicit DxHoleCollectJob(DxManager* inManager);
    void OnRun() override;
    void OnReceiveMessage(CxSint32 inCode) override;
    void OnCancel() override;
};
