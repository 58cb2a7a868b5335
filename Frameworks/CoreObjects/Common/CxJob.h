// Background work: jobs, the worker threads that run them and the one dispatcher that queues them.
// Lock order: a job's lock, then the dispatcher's, then a job thread's.
#pragma once

#include "CxCriticalRegion.h"
#include "CxTypes.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <list>
#include <mutex>
#include <thread>

// One unit of background work. Created with new by its user; the framework never deletes a job. Whoever receives
// its last message, or its OnCancel, disposes of it.
class CxJob
{
public:
    CxJob(CxSint32 inType, CxSint32 inId);
    // A job deleted while still queued leaves the queue.
    virtual ~CxJob();
    CxJob(const CxJob&) = delete;
    CxJob& operator=(const CxJob&) = delete;

    // On a worker thread.
    virtual void OnRun();
    // On the main thread, for each PostMessage.
    virtual void OnReceiveMessage(CxSint32 inCode);
    // At most once, and only for a job cancelled before OnRun began; called by whichever side holds the job
    // last (Cancel, a worker about to run it, or a deleted thread's sweep), which never touches it afterwards.
    virtual void OnCancel();

    // Queues the job. A job already submitted, or already cancelled, is not queued again.
    void Submit();
    // Called by a worker thread: runs OnRun, or OnCancel when the job was cancelled meanwhile.
    void Run();
    // A job not yet started never runs. A running or finished job is not interrupted.
    void Cancel();
    // Any thread; OnReceiveMessage(inCode) follows on the main thread. The job must live until then.
    void PostMessage(CxSint32 inCode);
    void ReceiveMessage(CxSint32 inCode);

    CxSint32 Type() const { return mType; }
    CxSint32 Id() const { return mId; }
    // Numbers every job made in the process, so a message can tell its job from a later one at the same address.
    CxUint32 Serial() const { return mSerial; }
    // Whether the job has not been deleted (and, with a serial, is that same job). Any thread; a job its owner
    // may delete meanwhile is only safe to use on the owner's thread.
    static bool IsLive(const CxJob* inJob, const CxUint32* inSerial);

private:
    friend class CxJobThread;

    // The sweep of a deleted thread cancels the jobs it took out of the queue.
    void CancelTaken();
    bool ClaimCancelNotice(); // under mLock

    CxCriticalRegion mLock;
    const CxSint32 mType;
    const CxSint32 mId;
    const CxUint32 mSerial;
    std::atomic<bool> mCancelled{false};
    bool mStarted = false;
    bool mSubmitted = false;
    bool mCancelNoticed = false;
};

// A thread with a message queue; message 0 only wakes it.
class CxThread
{
public:
    CxThread();
    virtual ~CxThread();
    CxThread(const CxThread&) = delete;
    CxThread& operator=(const CxThread&) = delete;

    virtual void OnMessage(CxSint32 inMessage);

    // Starts the thread; does nothing while it runs.
    void Run();
    // Queues a message; does not wait.
    void Message(CxSint32 inMessage);
    bool TimeToQuit() const { return mQuit.load(); }
    // Sets the quit flag, wakes the thread and waits until it has ended; the message in hand finishes first.
    // Stopping a stopped thread does nothing.
    void Stop();
    CxSint32 ThreadId() const { return mThreadId; }

private:
    void Loop();

    std::thread mThread;
    std::mutex mControl; // Run and Stop
    std::mutex mQueueMutex;
    std::condition_variable mQueueCondition;
    std::deque<CxSint32> mMessages;
    std::atomic<bool> mQuit{false};
    const CxSint32 mThreadId;
};

// A worker that runs the jobs of one type (0: any type) until the queue holds none for it.
class CxJobThread : public CxThread
{
public:
    CxJobThread(CxSint32 inType, CxSint32 inId);
    // Waits for the running job, then cancels every queued job of the thread's type.
    ~CxJobThread() override;

    // When idle, marks the thread busy and sends it message 1 (true); when busy, does nothing (false).
    bool WakeUp();

    CxSint32 Type() const { return mType; }
    CxSint32 Id() const { return mId; }

    void OnMessage(CxSint32 inMessage) override;

private:
    friend class CxJobDispatcher;

    CxCriticalRegion mLock;
    const CxSint32 mType;
    const CxSint32 mId;
    bool mIdle = true;
};

// The process's one job queue, first in first out, and the registered threads. Owns neither. It tells the main
// loop of each job from its queueing until a worker's run of it returns, or it leaves the queue otherwise.
class CxJobDispatcher
{
public:
    // Made on first use, so it outlives every thread and job that used it.
    static CxJobDispatcher& Instance();

    // Appends the job, then wakes the first idle thread of its type, else the first idle thread of type 0.
    void PushJob(CxJob* inJob);
    // The oldest job of that type (type 0: the oldest job), taken out of the queue; null when there is none.
    CxJob* PopJob(CxSint32 inType);
    // True when the job was queued and is now taken out.
    bool RemoveJob(CxJob* inJob);
    void AddThread(CxJobThread* inThread);
    void RemoveThread(CxJobThread* inThread);
    CxSint32 CountJobs();
    CxSint32 CountThreads();

private:
    friend class CxJobThread;

    CxJobDispatcher() = default;
    CxJobDispatcher(const CxJobDispatcher&) = delete;
    CxJobDispatcher& operator=(const CxJobDispatcher&) = delete;

    CxJob* Take(CxSint32 inType); // under mLock
    // PopJob for a caller that deals with the job and then notes it done.
    CxJob* Hold(CxSint32 inType);
    // A worker's next job; when there is none, the worker turns idle in the same step, so that a job pushed
    // meanwhile either is seen here or finds the worker idle.
    CxJob* PopJobOrIdle(CxJobThread* inThread);

    std::list<CxJob*> mJobs;
    std::list<CxJobThread*> mThreads;
    CxCriticalRegion mLock;
};
