#include "CxEvents.h"
#include "CxDebug.h"
#include "CxJob.h"
#include "LinuxCxEvents.h"
#include "PfRunLoop.h"
#include "TestLatch.h"

#include <gtest/gtest.h>

#include <thread>
#include <utility>
#include <vector>

namespace
{

using sky::test::kBound;
using sky::test::Latch;

// Posts its codes from OnRun; records what reaches the main thread, and on which thread.
class MessageJob : public CxJob
{
public:
    explicit MessageJob(std::vector<CxSint32> inCodes = {}) : CxJob(100, 1), mCodes(std::move(inCodes)) {}

    void OnRun() override
    {
        ranOn = std::this_thread::get_id();
        for (std::size_t i = 0; i < mCodes.size(); ++i)
        {
            PostMessage(mCodes[i]);
            // After the first code, wait until the main thread has it: delivery happens while the job runs.
            if (i == 0 && mCodes.size() > 1 && !firstReceived.Wait())
            {
                firstTimedOut = true;
            }
        }
    }

    void OnReceiveMessage(CxSint32 inCode) override
    {
        received.push_back(inCode);
        receivedOn.push_back(std::this_thread::get_id());
        firstReceived.CountDown();
    }

    std::thread::id ranOn;
    std::vector<CxSint32> received;
    std::vector<std::thread::id> receivedOn;
    Latch firstReceived;
    std::atomic<bool> firstTimedOut{false};

private:
    std::vector<CxSint32> mCodes;
};

class CxEventsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        pf::MainLoop().ResetForTesting(pf::ClockKind::kReal);
        ASSERT_EQ(CxInstallEventHandler(), 0);
    }

    void TearDown() override
    {
        CxRemoveEventHandler();
        pf::MainLoop().ResetForTesting(pf::ClockKind::kReal);
    }

    bool Pump(const std::function<bool()>& inUntil) { return pf::MainLoop().RunUntil(inUntil, kBound); }

    // The generation stamped on events now, read off a posted event by a handler asked before the core one.
    CxUint32 CurrentGeneration()
    {
        CxUint32 generation = 0;
        bool seen = false;
        pf::HandlerRef spy = pf::ApplicationTarget().InstallHandler(
            {{kCxEventClass, kCxEventKindJobMessage}},
            [&](pf::HandlerCallRef, pf::Event& ioEvent)
            {
                seen = ioEvent.GetParam(kCxEventParamGeneration, pf::kTypeUInt32, generation) == pf::kNoErr;
                return pf::kNoErr;
            });
        sky::test::Arena arena;
        CxDispatchEvent(&arena.Make<MessageJob>(), 0);
        EXPECT_TRUE(Pump([&] { return seen; }));
        pf::RemoveHandler(spy);
        return generation;
    }
};

TEST_F(CxEventsTest, CodesOfAWorkerJobReachTheMainThreadInOrderWhileItRuns)
{
    sky::test::Arena arena;
    auto& job = arena.Make<MessageJob>(std::vector<CxSint32>{200, 1000});
    arena.Make<CxJobThread>(100, 1);
    job.Submit();
    ASSERT_TRUE(Pump([&] { return job.received.size() >= 2; }));
    EXPECT_FALSE(job.firstTimedOut.load());
    EXPECT_EQ(job.received, (std::vector<CxSint32>{200, 1000}));
    EXPECT_NE(job.ranOn, std::this_thread::get_id());
    for (const std::thread::id& id : job.receivedOn)
    {
        EXPECT_EQ(id, std::this_thread::get_id());
    }
}

TEST_F(CxEventsTest, CodeZeroIsDeliveredLikeAnyOther)
{
    sky::test::Arena arena;
    auto& job = arena.Make<MessageJob>();
    job.PostMessage(0);
    job.PostMessage(-1);
    ASSERT_TRUE(Pump([&] { return job.received.size() >= 2; }));
    EXPECT_EQ(job.received, (std::vector<CxSint32>{0, -1}));
}

TEST_F(CxEventsTest, TheHandlerTakesOnlyCompleteJobEvents)
{
    const CxUint32 generation = CurrentGeneration();
    sky::test::Arena arena;
    auto& job = arena.Make<MessageJob>();
    CxJob* jobPointer = &job;
    CxJob* nullJob = nullptr;
    const pf::FourCharCode kJobType = pf::FourCC("JOBP");
    const pf::FourCharCode kCodeType = pf::FourCC("CMSG");

    struct Case
    {
        const char* name;
        std::uint32_t kind;
        bool setJob;
        CxJob** job;
        pf::FourCharCode jobType;
        bool setCode;
        bool setGeneration;
        CxUint32 generationDelta;
        pf::OSStatus expected;
        std::vector<CxSint32> delivered;
    };
    const std::vector<Case> cases = {
        {"complete", 1, true, &jobPointer, kJobType, true, true, 0, pf::kNoErr, {42}},
        {"kind 2", 2, true, &jobPointer, kJobType, true, true, 0, pf::kEventNotHandled, {}},
        {"no job", 1, false, nullptr, kJobType, true, true, 0, pf::kEventNotHandled, {}},
        {"null job", 1, true, &nullJob, kJobType, true, true, 0, pf::kEventNotHandled, {}},
        {"job of another type", 1, true, &jobPointer, pf::kTypeVoidPtr, true, true, 0, pf::kEventNotHandled, {}},
        {"no code: 0", 1, true, &jobPointer, kJobType, false, true, 0, pf::kNoErr, {0}},
        {"no generation: swallowed", 1, true, &jobPointer, kJobType, true, false, 0, pf::kNoErr, {}},
        {"stale generation: swallowed", 1, true, &jobPointer, kJobType, true, true, 1, pf::kNoErr, {}},
    };
    for (const Case& c : cases)
    {
        job.received.clear();
        pf::Event event(kCxEventClass, c.kind);
        if (c.setJob)
        {
            event.SetParam(kCxEventParamJob, c.jobType, *c.job);
        }
        if (c.setCode)
        {
            event.SetParam(kCxEventParamCode, kCodeType, CxSint32(42));
        }
        if (c.setGeneration)
        {
            event.SetParam(kCxEventParamGeneration, pf::kTypeUInt32, CxUint32(generation - c.generationDelta));
        }
        EXPECT_EQ(CxEventProc(nullptr, event), c.expected) << c.name;
        EXPECT_EQ(job.received, c.delivered) << c.name;
    }
}

TEST_F(CxEventsTest, AnEventPostedBeforeAReinstallationIsConsumedUnseen)
{
    // Asked only when the core handler passes an event on.
    int passedOn = 0;
    CxRemoveEventHandler();
    pf::HandlerRef catchAll = pf::ApplicationTarget().InstallHandler({{kCxEventClass, kCxEventKindJobMessage}},
                                                                     [&](pf::HandlerCallRef, pf::Event&)
                                                                     {
                                                                         ++passedOn;
                                                                         return pf::kNoErr;
                                                                     });
    ASSERT_EQ(CxInstallEventHandler(), 0);

    sky::test::Arena arena;
    auto& job = arena.Make<MessageJob>();
    job.PostMessage(7);
    CxRemoveEventHandler();
    CxInstallEventHandler();
    job.PostMessage(8);
    ASSERT_TRUE(Pump([&] { return !job.received.empty(); }));
    EXPECT_EQ(job.received, (std::vector<CxSint32>{8}));
    EXPECT_EQ(passedOn, 0);
    EXPECT_EQ(pf::MainLoop().CountEvents(), 0u);
    pf::RemoveHandler(catchAll);
}

TEST_F(CxEventsTest, PostingWithoutAHandlerIsReportedAndPostedAnyway)
{
    CxRemoveEventHandler();
    sky::test::Arena arena;
    auto& job = arena.Make<MessageJob>();
    {
        CxDebugCapture capture;
        job.PostMessage(3);
        EXPECT_TRUE(capture.Contains("CxAssert (sHandler != nil)"));
    }
    EXPECT_EQ(pf::MainLoop().CountEvents(), 1u);
    // Nothing takes it: dropped.
    EXPECT_TRUE(pf::MainLoop().RunOnce(pf::Nanos::zero()));
    EXPECT_EQ(pf::MainLoop().CountEvents(), 0u);
    EXPECT_TRUE(job.received.empty());
}

TEST_F(CxEventsTest, InstallingTwiceLeavesOneHandlerThatRemovalTakesAway)
{
    const std::size_t before = pf::ApplicationTarget().CountHandlers();
    ASSERT_EQ(CxInstallEventHandler(), 0);
    EXPECT_EQ(pf::ApplicationTarget().CountHandlers(), before);
    EXPECT_EQ(CxRemoveEventHandler(), 0);
    EXPECT_EQ(pf::ApplicationTarget().CountHandlers(), before - 1);
    EXPECT_NE(CxRemoveEventHandler(), 0);
    ASSERT_EQ(CxInstallEventHandler(), 0); // for TearDown
}

} // namespace
