// The five kinds of manager job. Each holds its manager and a copy of its record or subscription, calls one
// manager operation on its job thread, posts the result code, and hands every code it receives on the main thread
// to one manager handler, which disposes of the job.
#pragma once

#include "CxDate.h"
#include "CxJob.h"
#include "DxRecord.h"

#include <vector>

class DxManager;

class DxDownloadJob : public CxJob
{
public:
    DxDownloadJob(DxManager* inManager, const DxRecord& inRecord);
    void OnRun() override;
    void OnReceiveMessage(CxSint32 inCode) override;
    void OnCancel() override;

private:
    DxManager* mManager;
    DxRecord mRecord;
};

class DxUpdateJob : public CxJob
{
public:
    DxUpdateJob(DxManager* inManager, const DxRecord& inRecord);
    void OnRun() override;
    void OnReceiveMessage(CxSint32 inCode) override;
    void OnCancel() override;

private:
    DxManager* mManager;
    DxRecord mRecord;
};

class DxQueryJob : public CxJob
{
public:
    DxQueryJob(DxManager* inManager, const DxSubscription& inSubscription);
    void OnRun() override;
    void OnReceiveMessage(CxSint32 inCode) override;
    void OnCancel() override;

    // The local dates for code 0, the online dates for code 1.
    std::vector<CxDate> GetDates(CxSint32 inCode) const;

private:
    DxManager* mManager;
    DxSubscription mSubscription;
    std::vector<CxDate> mLocalDates;
    std::vector<CxDate> mOnlineDates;
};

class DxConfigJob : public CxJob
{
public:
    explicit DxConfigJob(DxManager* inManager);
    void OnRun() override;
    void OnReceiveMessage(CxSint32 inCode) override;
    void OnCancel() override;

private:
    DxManager* mManager;
};

class DxHoleCollectJob : public CxJob
{
public:
    explicit DxHoleCollectJob(DxManager* inManager);
    void OnRun() override;
    void OnReceiveMessage(CxSint32 inCode) override;
    void OnCancel() override;

private:
    DxManager* mManager;
};
