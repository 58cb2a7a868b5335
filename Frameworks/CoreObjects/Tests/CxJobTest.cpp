#include "CxJob.h"
#include "CxDebug.h"
#include "TestLatch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace
{

using sky::test::kBound;
using sky::test::Latch;

std::atomic<int> gRunOrder{0};

// Records how it ends; OnRun may hold until released, so a test knows what is running.
class ProbeJob : public CxJob
{
public:
    ProbeJob(CxSint32 inType, CxSint32 inId, Latch* inRelease = nullptr) : CxJob(inType, inId), mRelease(inRelease) {}

    void OnRun() override
    {
        ranOn = std::this_thread::get_id();
        order = ++gRunOrder;
        ++runs;
        started.CountDown();
        if (mRelease != nullptr && !mRelease->Wait())
        {
            releaseTimedOut = true;
        }
        finished.CountDown();
    }

    void OnCancel() override
    {
        ++cancels;
        cancelled.CountDown();
    }

    std::thread::id ranOn;
    int order = 0;
    std::atomic<int> runs{0};
    std::atomic<int> cancels{0};
    std::atomic<bool> releaseTimedOut{false};
    Latch started;
    Latch finished;
    Latch cancelled;

private:
    Latch* mRelease;
};

void SubmitInTurn(std::initializer_list<CxJob*> inJobs)
{
    for (CxJob* job : inJobs)
        job->Submit();
}

CxSint32 QueuedJobs()
{
    return CxJobDispatcher::Instance().CountJobs();
}

TEST(CxJob, TwoThreadsOfATypeStartTwoJobsAtOnceAndTheThirdOnTheFirstToFinish)
{
    Latch release1, release2;
    sky::test::Arena arena;
    auto& job1 = arena.Make<ProbeJob>(100, 1, &release1);
    auto& job2 = arena.Make<ProbeJob>(100, 2, &release2);
    auto& job3 = arena.Make<ProbeJob>(100, 3);
    arena.Make<CxJobThread>(100, 1);
    arena.Make<CxJobThread>(100, 2);
    EXPECT_EQ(CxJobDispatcher::Instance().CountThreads(), 2);

    SubmitInTurn({&job1, &job2, &job3});
    ASSERT_TRUE(job1.started.Wait());
    ASSERT_TRUE(job2.started.Wait());
    EXPECT_NE(job1.ranOn, job2.ranOn);
    EXPECT_EQ(job3.runs.load(), 0);
    EXPECT_EQ(QueuedJobs(), 1);

    release1.CountDown();
    ASSERT_TRUE(job3.finished.Wait());
    EXPECT_EQ(job3.ranOn, job1.ranOn);
    EXPECT_EQ(job2.finished.IsOpen(), false);
    release2.CountDown();
    ASSERT_TRUE(job2.finished.Wait());
    EXPECT_EQ(QueuedJobs(), 0);
}

TEST(CxJob, AJobWaitsForTheBusyThreadOfItsTypeEvenWhenOthersAreIdle)
{
    Latch release;
    sky::test::Arena arena;
    auto& first = arena.Make<ProbeJob>(101, 1, &release);
    auto& second = arena.Make<ProbeJob>(101, 2);
    arena.Make<CxJobThread>(100, 1);
    arena.Make<CxJobThread>(101, 5);

    first.Submit();
    ASSERT_TRUE(first.started.Wait());
    second.Submit();
    EXPECT_EQ(QueuedJobs(), 1);
    EXPECT_EQ(second.runs.load(), 0);

    release.CountDown();
    ASSERT_TRUE(second.finished.Wait());
    EXPECT_EQ(second.ranOn, first.ranOn);
}

TEST(CxJobDispatcher, PopJobTakesTheOldestOfTheTypeAndKeepsTheOthersInPlace)
{
    CxJobDispatcher& dispatcher = CxJobDispatcher::Instance();
    sky::test::Arena arena;
    auto& a = arena.Make<ProbeJob>(101, 1);
    auto& b = arena.Make<ProbeJob>(100, 2);
    auto& c = arena.Make<ProbeJob>(100, 3);
    SubmitInTurn({&a, &b, &c});
    EXPECT_EQ(dispatcher.CountJobs(), 3);
    EXPECT_EQ(dispatcher.PopJob(100), &b);
    EXPECT_EQ(dispatcher.CountJobs(), 2);
    EXPECT_EQ(dispatcher.PopJob(555), nullptr);
    EXPECT_EQ(dispatcher.PopJob(0), &a); // type 0 takes any type, oldest first
    EXPECT_EQ(dispatcher.PopJob(0), &c);
    EXPECT_EQ(dispatcher.PopJob(0), nullptr);
    EXPECT_FALSE(dispatcher.RemoveJob(&a));
}

TEST(CxJob, CancelBeforeItStartsCallsOnCancelOnceAndTheJobNeverRuns)
{
    // Never submitted: at once; a later Submit queues nothing.
    sky::test::Arena arena;
    auto& loose = arena.Make<ProbeJob>(100, 1);
    loose.Cancel();
    loose.Cancel();
    EXPECT_EQ(loose.cancels.load(), 1);
    loose.Submit();
    EXPECT_EQ(QueuedJobs(), 0);

    // Queued (no thread serves type 300 yet): taken out by Cancel, which calls OnCancel; a second Cancel does not.
    auto& queued = arena.Make<ProbeJob>(300, 2);
    queued.Submit();
    EXPECT_EQ(QueuedJobs(), 1);
    queued.Cancel();
    EXPECT_EQ(QueuedJobs(), 0);
    EXPECT_EQ(queued.cancels.load(), 1);
    queued.Cancel();
    EXPECT_EQ(queued.cancels.load(), 1);

    // Now a thread for the type exists: a later job runs, the cancelled one never does.
    auto& later = arena.Make<ProbeJob>(300, 3);
    arena.Make<CxJobThread>(300, 1);
    later.Submit();
    ASSERT_TRUE(later.finished.Wait());
    EXPECT_EQ(queued.runs.load(), 0);
    EXPECT_EQ(loose.runs.load(), 0);
}

TEST(CxJob, CancellingARunningOrFinishedJobNeitherStopsItNorCallsOnCancel)
{
    Latch release;
    sky::test::Arena arena;
    auto& job = arena.Make<ProbeJob>(100, 1, &release);
    arena.Make<CxJobThread>(100, 1);
    job.Submit();
    ASSERT_TRUE(job.started.Wait());
    job.Cancel();
    EXPECT_EQ(job.cancels.load(), 0);
    release.CountDown();
    ASSERT_TRUE(job.finished.Wait());
    EXPECT_FALSE(job.releaseTimedOut.load());
    job.Cancel();
    EXPECT_EQ(job.runs.load(), 1);
    EXPECT_EQ(job.cancels.load(), 0);
}

TEST(CxJob, DefaultOnCancelReportsAndASecondSubmitIsRefused)
{
    CxDebugCapture capture;
    sky::test::Arena arena;
    auto& plain = arena.Make<CxJob>(100, 7);
    EXPECT_EQ(plain.Type(), 100);
    EXPECT_EQ(plain.Id(), 7);
    plain.Cancel();
    ASSERT_EQ(capture.Count(), 1u);
    EXPECT_TRUE(capture.Contains(": \"Job cancelled... leaking self.\"")) << capture.Lines()[0];

    capture.Clear();
    auto& twice = arena.Make<ProbeJob>(400, 1);
    twice.Submit();
    twice.Submit();
    EXPECT_TRUE(capture.Contains("CxAssert (!mSubmitted)"));
    EXPECT_EQ(QueuedJobs(), 1);
    twice.Cancel();
    EXPECT_EQ(QueuedJobs(), 0);
}

TEST(CxJob, DeletingAQueuedJobTakesItOutOfTheQueue)
{
    auto job = std::make_unique<ProbeJob>(500, 1);
    job->Submit();
    EXPECT_EQ(QueuedJobs(), 1);
    job.reset();
    EXPECT_EQ(QueuedJobs(), 0);
}

// Holds its thread until that thread is asked to quit, so the test sees that deletion waits for it.
class HoldUntilQuitJob : public ProbeJob
{
public:
    HoldUntilQuitJob(CxJobThread*& inThread) : ProbeJob(100, 1), mThread(inThread) {}

    void OnRun() override
    {
        started.CountDown();
        sawQuit = sky::test::SpinUntil([this] { return mThread->TimeToQuit(); });
        ++runs;
        finished.CountDown();
    }

    std::atomic<bool> sawQuit{false};

private:
    CxJobThread*& mThread;
};

TEST(CxJobThread, DeletingAThreadInMidJobWaitsForItThenCancelsItsTypesQueue)
{
    CxJobThread* doomed = nullptr;
    Latch releaseOther;
    sky::test::Arena arena;
    auto& running = arena.Make<HoldUntilQuitJob>(doomed);
    auto& otherRunning = arena.Make<ProbeJob>(100, 2, &releaseOther);
    auto& queued1 = arena.Make<ProbeJob>(100, 3);
    auto& queued2 = arena.Make<ProbeJob>(100, 4);
    auto& otherType = arena.Make<ProbeJob>(101, 5);

    doomed = new CxJobThread(100, 1);
    running.Submit();
    ASSERT_TRUE(running.started.Wait());
    auto survivor = std::make_unique<CxJobThread>(100, 2); // another thread of the type, kept busy
    otherRunning.Submit();
    ASSERT_TRUE(otherRunning.started.Wait());
    SubmitInTurn({&queued1, &queued2, &otherType});
    EXPECT_EQ(QueuedJobs(), 3);

    delete doomed;
    EXPECT_TRUE(running.finished.IsOpen()); // deletion returned only after the job
    EXPECT_TRUE(running.sawQuit.load());
    EXPECT_EQ(CxJobDispatcher::Instance().CountThreads(), 1);

    // Both queued type-100 jobs are cancelled although a type-100 thread remains; the type-101 job stays.
    EXPECT_EQ(queued1.cancels.load(), 1);
    EXPECT_EQ(queued2.cancels.load(), 1);
    EXPECT_EQ(queued1.runs.load() + queued2.runs.load(), 0);
    EXPECT_EQ(otherType.cancels.load(), 0);
    EXPECT_EQ(QueuedJobs(), 1);

    releaseOther.CountDown();
    ASSERT_TRUE(otherRunning.finished.Wait());
    survivor.reset();
    otherType.Cancel();
    EXPECT_EQ(otherType.cancels.load(), 1);
}

TEST(CxJobThread, AJobNoThreadServesStaysQueuedUntilAnAnyTypeThreadIsWoken)
{
    sky::test::Arena arena;
    auto& orphan = arena.Make<ProbeJob>(555, 1);
    auto& probe = arena.Make<ProbeJob>(100, 2);
    auto& late = arena.Make<ProbeJob>(777, 3);
    arena.Make<CxJobThread>(100, 1);
    SubmitInTurn({&orphan, &probe});
    ASSERT_TRUE(probe.finished.Wait());
    EXPECT_EQ(QueuedJobs(), 1);
    EXPECT_EQ(orphan.runs.load(), 0);

    arena.Make<CxJobThread>(0, 9);
    EXPECT_EQ(QueuedJobs(), 1); // a new thread waits to be woken

    late.Submit(); // no type-777 thread: the type-0 thread wakes and takes everything, oldest first
    ASSERT_TRUE(late.finished.Wait());
    ASSERT_TRUE(orphan.finished.Wait());
    EXPECT_EQ(orphan.ranOn, late.ranOn);
    EXPECT_LT(orphan.order, late.order);
    EXPECT_EQ(QueuedJobs(), 0);
}

// Counts its ends; the hammer below checks that each job gets exactly one.
class RaceJob : public CxJob
{
public:
    explicit RaceJob(Latch& inDone) : CxJob(100, 0), mDone(inDone) {}
    void OnRun() override
    {
        ++runs;
        mDone.CountDown();
    }
    void OnCancel() override
    {
        ++cancels;
        mDone.CountDown();
    }
    std::atomic<int> runs{0};
    std::atomic<int> cancels{0};

private:
    Latch& mDone;
};

TEST(CxJob, PopVersusCancelRaceGivesEachJobExactlyOneEnd)
{
    constexpr int kJobs = 3000;
    Latch done(kJobs);
    std::vector<std::unique_ptr<RaceJob>> jobs;
    for (int i = 0; i < kJobs; ++i)
    {
        jobs.push_back(std::make_unique<RaceJob>(done));
    }
    {
        sky::test::Arena threads;
        threads.Make<CxJobThread>(100, 1);
        threads.Make<CxJobThread>(100, 2);
        // Half are cancelled by the submitting thread right away, half by a second thread racing along.
        std::atomic<int> submitted{0};
        std::thread canceller(
            [&]
            {
                for (int i = 1; i < kJobs; i += 2)
                {
                    if (!sky::test::SpinUntil([&] { return submitted.load() > i; }))
                    {
                        return;
                    }
                    jobs[i]->Cancel();
                }
            });
        for (int i = 0; i < kJobs; ++i)
        {
            jobs[i]->Submit();
            submitted = i + 1;
            if (i % 2 == 0)
            {
                jobs[i]->Cancel();
            }
        }
        canceller.join();
        ASSERT_TRUE(done.Wait());
    }
    int ran = 0;
    for (const auto& job : jobs)
    {
        ASSERT_EQ(job->runs.load() + job->cancels.load(), 1);
        ran += job->runs.load();
    }
    EXPECT_EQ(QueuedJobs(), 0);
    RecordProperty("ran", ran);
}

// Records its messages, so the loop and the wake-up message 0 can be seen.
class RecordingThread : public CxThread
{
public:
    explicit RecordingThread(Latch& inGot) : mGot(inGot) {}
    ~RecordingThread() override { Stop(); }
    void OnMessage(CxSint32 inMessage) override
    {
        mTid.store(::gettid());
        {
            std::lock_guard lock(mMutex);
            mMessages.push_back(inMessage);
        }
        mGot.CountDown();
    }
    // True once the thread sleeps; with no lock of the test held, it can only be waiting for a message.
    bool Sleeps()
    {
        for (int i = 0; i < 5000; ++i)
        {
            std::ifstream stat("/proc/self/task/" + std::to_string(mTid.load()) + "/stat");
            std::string line;
            std::getline(stat, line);
            const size_t name = line.rfind(") ");
            if (name != std::string::npos && line.compare(name + 2, 1, "S") == 0)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }
    std::vector<CxSint32> Messages()
    {
        std::lock_guard lock(mMutex);
        return mMessages;
    }

private:
    Latch& mGot;
    std::atomic<pid_t> mTid{0};
    std::mutex mMutex;
    std::vector<CxSint32> mMessages;
};

TEST(CxThread, MessagesArriveInOrderZeroOnlyWakesAndStopIsFinal)
{
    Latch got(2);
    sky::test::Arena arena;
    auto& thread = arena.Make<RecordingThread>(got);
    auto& next = arena.Make<RecordingThread>(got);
    EXPECT_EQ(next.ThreadId(), thread.ThreadId() + 1);
    EXPECT_FALSE(thread.TimeToQuit());

    thread.Message(5); // queued before the thread runs
    thread.Run();
    thread.Run(); // already running: nothing
    thread.Message(0);
    thread.Message(-7);
    ASSERT_TRUE(got.Wait());
    EXPECT_EQ(thread.Messages(), (std::vector<CxSint32>{5, -7}));

    // Stopped while it waits, so it does read the wake-up that Stop sends.
    ASSERT_TRUE(thread.Sleeps());
    thread.Stop();
    EXPECT_TRUE(thread.TimeToQuit());
    thread.Stop();
    thread.Message(9); // stopped: nobody reads it
    EXPECT_EQ(thread.Messages().size(), 2u);
}

} // namespace
