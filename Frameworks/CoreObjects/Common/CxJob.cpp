#include "CxJob.h"

#include "CxDebug.h"
#include "CxEvents.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>

// ---- CxJob

namespace
{

// The jobs alive now, with their serials. Never destroyed, so static jobs may outlive every other static.
struct LiveJobs
{
    std::mutex mLock;
    std::unordered_map<const CxJob*, CxUint32> mJobs;
    CxUint32 mNext = 0;
};

LiveJobs& Live()
{
    static LiveJobs* sLive = new LiveJobs;
    return *sLive;
}

CxUint32 Enlist(const CxJob* inJob)
{
    LiveJobs& live = Live();
    std::lock_guard lock(live.mLock);
    const CxUint32 serial = ++live.mNext;
    live.mJobs[inJob] = serial;
    return serial;
}

} // namespace

CxJob::CxJob(CxSint32 inType, CxSint32 inId) : mType(inType), mId(inId), mSerial(Enlist(this))
{
    // Made first, so the dispatcher outlives even a static job.
    CxJobDispatcher::Instance();
}

CxJob::~CxJob()
{
    CxJobDispatcher::Instance().RemoveJob(this);
    LiveJobs& live = Live();
    std::lock_guard lock(live.mLock);
    live.mJobs.erase(this);
}

bool CxJob::IsLive(const CxJob* inJob, const CxUint32* inSerial)
{
    LiveJobs& live = Live();
    std::lock_guard lock(live.mLock);
    const auto entry = live.mJobs.find(inJob);
    return entry != live.mJobs.end() && (inSerial == nullptr || entry->second == *inSerial);
}

void CxJob::OnRun() {}

void CxJob::OnReceiveMessage(CxSint32) {}

void CxJob::OnCancel()
{
    CxDebug("Job cancelled... leaking self.");
}

bool CxJob::ClaimCancelNotice()
{
    if (mCancelNoticed)
    {
        return false;
    }
    mCancelNoticed = true;
    return true;
}

void CxJob::Submit()
{
    // Held across the hand-over, so no worker runs the job before Submit returns.
    CxAutoLock lock(mLock);
    if (mSubmitted || mCancelled.load())
    {
        CxAssertText(!mSubmitted, "!mSubmitted");
        return;
    }
    mSubmitted = true;
    CxJobDispatcher::Instance().PushJob(this);
}

void CxJob::Run()
{
    bool cancelled;
    bool notice = false;
    {
        CxAutoLock lock(mLock);
        cancelled = mCancelled.load();
        if (cancelled)
        {
            notice = ClaimCancelNotice();
        }
        else
        {
            mStarted = true;
        }
    }
    // Either call may end with the job deleted: nothing touches it afterwards.
    if (!cancelled)
    {
        OnRun();
    }
    else if (notice)
    {
        OnCancel();
    }
}

void CxJob::Cancel()
{
    bool notice = false;
    {
        CxAutoLock lock(mLock);
        if (mCancelled.exchange(true))
        {
            return;
        }
        const bool removed = CxJobDispatcher::Instance().RemoveJob(this);
        // A job a worker has taken but not started gets its OnCancel from that worker's Run.
        if (!mStarted && (removed || !mSubmitted))
        {
            notice = ClaimCancelNotice();
        }
    }
    if (notice)
    {
        OnCancel();
    }
}

void CxJob::CancelTaken()
{
    bool notice = false;
    {
        CxAutoLock lock(mLock);
        mCancelled.store(true);
        if (!mStarted)
        {
            notice = ClaimCancelNotice();
        }
    }
    if (notice)
    {
        OnCancel();
    }
}

void CxJob::PostMessage(CxSint32 inCode)
{
    CxDispatchEvent(this, inCode);
}

void CxJob::ReceiveMessage(CxSint32 inCode)
{
    OnReceiveMessage(inCode);
}

// ---- CxThread

namespace
{
std::atomic<CxSint32> sThreadCounter{0};
}

CxThread::CxThread() : mThreadId(sThreadCounter.fetch_add(1)) {}

CxThread::~CxThread()
{
    Stop();
}

void CxThread::OnMessage(CxSint32) {}

void CxThread::Run()
{
    std::lock_guard control(mControl);
    if (mThread.joinable())
    {
        return;
    }
    mQuit.store(false);
    mThread = std::thread([this] { Loop(); });
}

void CxThread::Loop()
{
    while (!TimeToQuit())
    {
        CxSint32 message;
        {
            std::unique_lock lock(mQueueMutex);
            mQueueCondition.wait(lock, [this] { return !mMessages.empty(); });
            message = mMessages.front();
            mMessages.pop_front();
        }
        if (message != 0)
        {
            OnMessage(message);
        }
    }
}

void CxThread::Message(CxSint32 inMessage)
{
    {
        std::lock_guard lock(mQueueMutex);
        mMessages.push_back(inMessage);
    }
    mQueueCondition.notify_one();
}

void CxThread::Stop()
{
    std::lock_guard control(mControl);
    if (!mThread.joinable())
    {
        return;
    }
    mQuit.store(true);
    Message(0);
    if (mThread.get_id() == std::this_thread::get_id())
    {
        // A thread cannot wait for itself; it ends after the message in hand.
        CxAssertText(false, "Stop called on the thread itself");
        mThread.detach();
        return;
    }
    mThread.join();
    std::lock_guard lock(mQueueMutex);
    mMessages.clear();
}

// ---- CxJobThread

CxJobThread::CxJobThread(CxSint32 inType, CxSint32 inId) : mType(inType), mId(inId)
{
    // Running before it is registered: a wake-up sent as soon as the dispatcher knows it finds a live queue.
    Run();
    CxJobDispatcher::Instance().AddThread(this);
}

CxJobThread::~CxJobThread()
{
    // Stopped here, before the base destructor, so OnMessage never runs while this part is torn down.
    Stop();
    CxJobDispatcher& dispatcher = CxJobDispatcher::Instance();
    dispatcher.RemoveThread(this);
    // In flight until the cancel notice has posted what it posts.
    while (CxJob* job = dispatcher.Hold(mType))
    {
        job->CancelTaken();
        CxNoteJobDone();
    }
}

bool CxJobThread::WakeUp()
{
    CxAutoLock lock(mLock);
    if (!mIdle)
    {
        return false;
    }
    // Busy from now on, so the next push wakes another thread.
    mIdle = false;
    Message(1);
    return true;
}

void CxJobThread::OnMessage(CxSint32 inMessage)
{
    if (inMessage != 1)
    {
        return;
    }
    {
        CxAutoLock lock(mLock);
        mIdle = false;
    }
    CxJobDispatcher& dispatcher = CxJobDispatcher::Instance();
    while (!TimeToQuit())
    {
        CxJob* job = dispatcher.PopJobOrIdle(this);
        if (job == nullptr)
        {
            return;
        }
        // The job may be gone once Run returns; its messages posted by then are in flight on their own.
        job->Run();
        CxNoteJobDone();
    }
    CxAutoLock lock(mLock);
    mIdle = true;
}

// ---- CxJobDispatcher

CxJobDispatcher& CxJobDispatcher::Instance()
{
    static CxJobDispatcher sDispatcher;
    return sDispatcher;
}

void CxJobDispatcher::PushJob(CxJob* inJob)
{
    if (inJob == nullptr)
    {
        return;
    }
    CxAutoLock lock(mLock);
    // Counted before any worker can take it, so the count never drops below the jobs it holds.
    CxNoteJobQueued();
    mJobs.push_back(inJob);
    for (CxJobThread* thread : mThreads)
    {
        if (thread->Type() == inJob->Type() && thread->WakeUp())
        {
            return;
        }
    }
    for (CxJobThread* thread : mThreads)
    {
        if (thread->Type() == 0 && thread->WakeUp())
        {
            return;
        }
    }
    // Left queued: a busy thread of its type takes it when it asks for its next job.
}

CxJob* CxJobDispatcher::Take(CxSint32 inType)
{
    auto it = inType == 0 ? mJobs.begin()
                          : std::find_if(mJobs.begin(), mJobs.end(),
                                         [inType](const CxJob* job) { return job->Type() == inType; });
    if (it == mJobs.end())
    {
        return nullptr;
    }
    CxJob* job = *it;
    mJobs.erase(it);
    return job;
}

CxJob* CxJobDispatcher::PopJob(CxSint32 inType)
{
    CxJob* const job = Hold(inType);
    if (job != nullptr)
    {
        CxNoteJobDone();
    }
    return job;
}

CxJob* CxJobDispatcher::Hold(CxSint32 inType)
{
    CxAutoLock lock(mLock);
    return Take(inType);
}

CxJob* CxJobDispatcher::PopJobOrIdle(CxJobThread* inThread)
{
    CxAutoLock lock(mLock);
    CxJob* job = Take(inThread->Type());
    if (job == nullptr)
    {
        CxAutoLock threadLock(inThread->mLock);
        inThread->mIdle = true;
    }
    return job;
}

bool CxJobDispatcher::RemoveJob(CxJob* inJob)
{
    CxAutoLock lock(mLock);
    auto it = std::find(mJobs.begin(), mJobs.end(), inJob);
    if (it == mJobs.end())
    {
        return false;
    }
    mJobs.erase(it);
    CxNoteJobDone();
    return true;
}

void CxJobDispatcher::AddThread(CxJobThread* inThread)
{
    CxAutoLock lock(mLock);
    mThreads.push_back(inThread);
}

void CxJobDispatcher::RemoveThread(CxJobThread* inThread)
{
    CxAutoLock lock(mLock);
    mThreads.remove(inThread);
}

CxSint32 CxJobDispatcher::CountJobs()
{
    CxAutoLock lock(mLock);
    return CxSint32(mJobs.size());
}

CxSint32 CxJobDispatcher::CountThreads()
{
    CxAutoLock lock(mLock);
    return CxSint32(mThreads.size());
}
