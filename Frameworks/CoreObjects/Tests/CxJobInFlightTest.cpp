// The dispatcher tells the main loop of its jobs: a job is in flight from its queueing until its run (or cancel
// notice) has ended and every message it posted has been handled on the main thread.
#include "CxEvents.h"
#include "CxJob.h"
#include "PfRunLoop.h"
#include "TestLatch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <ostream>
#include <thread>
#include <vector>

namespace
{

using sky::test::kBound;
using sky::test::Latch;

// No thread in these tests serves this type: its jobs stay queued.
constexpr CxSint32 kUnserved = 7001;
constexpr CxSint32 kServed = 7002;

std::size_t InFlight()
{
    return pf::MainLoop().CountWorkInFlight();
}

// Posts one message from OnRun (after a release, when given one) or from OnCancel; notes the count its message
// sees on the main thread, and runs a follow-up there.
class CountedJob : public CxJob
{
public:
    explicit CountedJob(CxSint32 inType, Latch* inRelease = nullptr) : CxJob(inType, 1), mRelease(inRelease) {}

    void OnRun() override
    {
        started.CountDown();
        if (mRelease != nullptr)
            mRelease->Wait();
        PostMessage(1);
    }
    void OnCancel() override { PostMessage(2); }
    void OnReceiveMessage(CxSint32 inCode) override
    {
        codes.push_back(inCode);
        seen.push_back(InFlight());
        if (followUp)
            followUp();
    }

    Latch started;
    std::vector<CxSint32> codes;
    std::vector<std::size_t> seen;
    std::function<void()> followUp;

private:
    Latch* mRelease;
};

class CxJobInFlight : public ::testing::Test
{
protected:
    void SetUp() override
    {
        pf::MainLoop().ResetForTesting(pf::ClockKind::kReal);
        ASSERT_EQ(CxInstallEventHandler(), 0);
        ASSERT_EQ(InFlight(), 0u);
    }

    void TearDown() override
    {
        CxRemoveEventHandler();
        pf::MainLoop().ResetForTesting(pf::ClockKind::kReal);
    }

    static bool PumpUntil(const std::function<bool()>& inUntil) { return pf::MainLoop().RunUntil(inUntil, kBound); }
};

TEST_F(CxJobInFlight, AJobCountsFromItsQueueingUntilItsMessageIsHandledAndItsFollowUpTakesOver)
{
    sky::test::Arena arena;
    Latch release;
    auto& job = arena.Make<CountedJob>(kServed, &release);
    auto& next = arena.Make<CountedJob>(kServed);
    std::vector<std::size_t> afterFollowUp;
    job.followUp = [&]
    {
        next.Submit();
        afterFollowUp.push_back(InFlight());
    };

    arena.Make<CxJobThread>(kServed, 1);
    job.Submit();
    ASSERT_TRUE(job.started.Wait());
    EXPECT_EQ(InFlight(), 1u); // running
    release.CountDown();
    ASSERT_TRUE(PumpUntil([&] { return !job.codes.empty(); }));
    // Its own message is still counted while handled (its worker may not yet have counted the job off), and the
    // follow-up is queued before that message counts off.
    ASSERT_EQ(job.seen.size(), 1u);
    EXPECT_GE(job.seen[0], 1u);
    ASSERT_EQ(afterFollowUp.size(), 1u);
    EXPECT_GE(afterFollowUp[0], 2u);
    ASSERT_TRUE(PumpUntil([&] { return !next.codes.empty(); }));
    ASSERT_EQ(next.seen.size(), 1u);
    EXPECT_GE(next.seen[0], 1u);
    EXPECT_TRUE(PumpUntil([] { return InFlight() == 0; }));
}

// Jobs pushed while workers run and post: every message handled finds itself counted, and all count off.
TEST_F(CxJobInFlight, ManyJobsOnTwoThreadsCountOffExactly)
{
    constexpr int kJobs = 300;
    sky::test::Arena arena;
    arena.Make<CxJobThread>(kServed, 1);
    arena.Make<CxJobThread>(kServed, 2);
    std::vector<CountedJob*> jobs;
    for (int i = 0; i < kJobs; ++i)
    {
        jobs.push_back(&arena.Make<CountedJob>(kServed));
        jobs.back()->Submit();
        pf::MainLoop().RunOnce(pf::Nanos::zero());
    }
    ASSERT_TRUE(PumpUntil([] { return InFlight() == 0; })) << InFlight();
    int uncounted = 0;
    for (const CountedJob* job : jobs)
    {
        ASSERT_EQ(job->seen.size(), 1u);
        uncounted += job->seen[0] == 0 ? 1 : 0;
    }
    EXPECT_EQ(uncounted, 0);
}

// A job queued behind no thread of its type; none runs it.
CountedJob* Queued()
{
    auto* job = new CountedJob(kUnserved);
    job->Submit();
    EXPECT_EQ(InFlight(), 1u);
    return job;
}

struct LeaveRow
{
    const char* name;
    // Queues a job and takes it out of the queue otherwise than by a run: the job, or null when deleted.
    std::function<CountedJob*()> leave;
    std::size_t afterLeaving; // in flight at once: a cancel notice's message still to handle
    std::vector<CxSint32> handled;
};

std::ostream& operator<<(std::ostream& ioStream, const LeaveRow& inRow)
{
    return ioStream << inRow.name;
}

class CxJobLeaves : public CxJobInFlight, public testing::WithParamInterface<LeaveRow>
{
};

TEST_P(CxJobLeaves, AJobThatNeverRunsCountsOffOnceItsNoticeIsHandled)
{
    const LeaveRow& row = GetParam();
    CountedJob* job = row.leave();
    EXPECT_EQ(InFlight(), row.afterLeaving);
    EXPECT_TRUE(PumpUntil([] { return InFlight() == 0; }));
    if (job != nullptr)
    {
        EXPECT_EQ(job->codes, row.handled);
        delete job;
    }
}

const LeaveRow kLeaveRows[] = {
    {"cancelled",
     []
     {
         CountedJob* job = Queued();
         job->Cancel();
         return job;
     },
     1,
     {2}},
    {"deleted",
     []
     {
         delete Queued();
         return static_cast<CountedJob*>(nullptr);
     },
     0,
     {}},
    {"popped",
     []
     {
         CountedJob* job = Queued();
         EXPECT_EQ(CxJobDispatcher::Instance().PopJob(kUnserved), job);
         return job;
     },
     0,
     {}},
    // Queued behind the busy thread of its type, which is deleted before it is free: its sweep cancels the job.
    {"swept",
     []
     {
         Latch release;
         auto* thread = new CxJobThread(kServed, 2);
         CountedJob blocker(kServed, &release);
         blocker.Submit();
         EXPECT_TRUE(blocker.started.Wait());
         auto* job = new CountedJob(kServed);
         job->Submit();
         // Freed only once the thread is told to quit, so it never takes the queued job.
         std::thread releaser(
             [&]
             {
                 sky::test::SpinUntil([&] { return thread->TimeToQuit(); });
                 release.CountDown();
             });
         delete thread;
         releaser.join();
         return job;
     },
     2, // the blocker's message (dropped with it once handled) and the job's cancel notice
     {2}},
};

} // namespace

INSTANTIATE_TEST_SUITE_P(Rows, CxJobLeaves, testing::ValuesIn(kLeaveRows),
                         [](const testing::TestParamInfo<LeaveRow>& inInfo) { return inInfo.param.name; });
