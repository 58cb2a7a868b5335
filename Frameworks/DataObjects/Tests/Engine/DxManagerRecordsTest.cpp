// What the manager does with the records it holds: archiving them, deleting their files, updating them one job at
// a time, and which of them a client asks for.
#include "DxManagerTestSupport.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace
{

using namespace dxenginetest;

constexpr const char* kDataTree = "data/tst/data";

// Stops asking for data once told to keep still, and counts what it would have asked for.
class StillClient : public TestClient
{
public:
    using TestClient::TestClient;

    bool mStill = false;
    int mRequests = 0;

protected:
    void OnRequestData() override
    {
        if (mStill)
            ++mRequests;
        else
            TestClient::OnRequestData();
    }
};

class DxManagerRecordsTest : public DxManagerTest
{
protected:
    CxJob* Updater(const DxRecord& inKey)
    {
        CxAutoLock lock(mManager->Region());
        const auto held = mManager->FindRecord(inKey);
        return held == mManager->Records().end() ? nullptr : (*held)->mUpdater;
    }
    std::size_t Jobs()
    {
        CxAutoLock lock(mManager->Region());
        return mManager->CountJobs();
    }
};

// Archiving moves the files of a subscription's window into the data tree: from its start, less the longer of its
// own look-back and the manager's (2700 s), to its end. One the manager does not hold looks back as the manager.
TEST_F(DxManagerRecordsTest, ArchivingReachesBackAsFarAsTheHeldSubscriptionLooks)
{
    const struct
    {
        const char* mWhat;
        double mLookBack;          // of the held subscription
        CxSint32 mInterval;        // of the one archived: 300 is the held one
        std::vector<double> mKept; // of the files 3600 s and 600 s before the start, at it and 900 s after it
    } rows[] = {
        {"held, looking back further than the manager", 5400, 300, {-3600, -600, 0}},
        {"held, looking back less far than the manager", 600, 300, {-600, 0}},
        {"not held: the manager's look-back alone", 5400, 600, {-600, 0}},
    };
    const double kOffsets[] = {-3600, -600, 0, 900};
    for (std::size_t i = 0; i < std::size(rows); ++i)
    {
        const auto& row = rows[i];
        SCOPED_TRACE(row.mWhat);
        const CxDate start = kT + 6 * 3600.0 * double(i);
        for (double offset : kOffsets)
            Seed(start + offset, "data");
        // The records before and after the window are held by subscriptions of their own.
        DxSubscription earlier(start - 3600, start - 3600, "stn", 300), held(start, start + 600, "stn", 300),
            later(start + 900, start + 900, "stn", 300);
        held.mStaleThreshold = row.mLookBack;
        for (const DxSubscription* subscription : {&earlier, &held, &later})
            ASSERT_TRUE(mManager->Subscribe(*subscription));
        ASSERT_TRUE(Settle());

        mManager->ArchiveSubscription(DxSubscription(start, start + 600, "stn", row.mInterval));
        for (double offset : kOffsets)
        {
            const bool kept = std::find(row.mKept.begin(), row.mKept.end(), offset) != row.mKept.end();
            EXPECT_EQ(fs::exists(Cached(start + offset, kDataTree)), kept) << offset;
            EXPECT_EQ(fs::exists(Cached(start + offset)), !kept) << offset;
        }
        for (const DxSubscription* subscription : {&earlier, &held, &later})
            mManager->Unsubscribe(*subscription);
        ASSERT_TRUE(Settle());
        EXPECT_TRUE(HoldsNothing());
    }
}

// A client that archives before it has subscribed asks for a window the manager does not hold: nothing is
// archived, and nothing is held for it.
TEST_F(DxManagerRecordsTest, AClientArchivingBeforeItSubscribesArchivesNothing)
{
    const fs::path file = Seed(kT, "data");
    TestClient client("stn");
    client.SetSet(mSet.get());
    client.SetArchiving(true);
    EXPECT_TRUE(fs::exists(file));
    EXPECT_FALSE(fs::exists(Cached(kT, kDataTree)));
    EXPECT_TRUE(HoldsNothing());
    client.SetSet(nullptr);
}

// A record no one holds any longer takes its file along, from under its date's folders, at every resolution of a
// second or more.
TEST_F(DxManagerRecordsTest, ARecordLetGoTakesItsFileAlongAtEveryResolution)
{
    for (CxSint32 resolution : {1, 60, 300})
    {
        SCOPED_TRACE(resolution);
        mManager->SetTimeResolution(resolution);
        const fs::path file = Seed(kT, "data");
        TestClient client("stn");
        Attach(client, kT, kT, kT);
        ASSERT_TRUE(Pump([&] { return client.FrameDate() == kT; }));
        ASSERT_TRUE(Settle());
        ASSERT_TRUE(fs::exists(file));
        client.SetSet(nullptr);
        ASSERT_TRUE(Settle());
        EXPECT_TRUE(HoldsNothing());
        EXPECT_FALSE(fs::exists(file));
    }
}

// A record has one update job at a time: asked again while one waits, it keeps that one. A job disposed of before
// it ran (cancelled in the queue) leaves the record free for the next.
TEST_F(DxManagerRecordsTest, ARecordHasOneUpdateJobAtATime)
{
    Seed(kT, "data");
    TestClient client("stn");
    Attach(client, kT, kT, kT);
    ASSERT_TRUE(Pump([&] { return client.FrameDate() == kT; }));
    ASSERT_TRUE(Settle());
    // The update jobs wait behind a busy update thread.
    mBlocker = std::make_unique<BlockJob>(&mEntered, &mRelease);
    mBlocker->Submit();
    ASSERT_TRUE(mEntered.Wait());

    const DxRecord key(kT, "stn");
    EXPECT_EQ(mManager->RequestUpdate(key), kT);
    CxJob* const first = Updater(key);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(mManager->RequestUpdate(key), kT);
    EXPECT_EQ(Updater(key), first);
    EXPECT_EQ(Jobs(), 1u);

    first->Cancel();
    ASSERT_TRUE(Settle());
    EXPECT_EQ(Updater(key), nullptr);
    EXPECT_EQ(mManager->RequestUpdate(key), kT);
    EXPECT_NE(Updater(key), nullptr);
    EXPECT_EQ(Jobs(), 1u);

    mRelease.CountDown();
    ASSERT_TRUE(Settle());
    EXPECT_EQ(Updater(key), nullptr);
    client.SetSet(nullptr);
    EXPECT_TRUE(Settle());
    EXPECT_TRUE(HoldsNothing());
}

// A client showing a date asks for a record newer than the one it expects up to that date, and for none later.
TEST_F(DxManagerRecordsTest, AClientAsksForRecordsUpToTheDateItShows)
{
    mManager->SetQueryUrlFormat("q?%Y");
    Seed(kT + 300, "a");
    Seed(kT + 1200, "b");
    StillClient client("stn");
    Attach(client, kT, kT + 1800, kT + 300);
    ASSERT_TRUE(Pump([&] { return client.FrameDate() == kT + 300; }));
    ASSERT_TRUE(Settle());
    ASSERT_EQ(client.ExpectedDate(), kT + 300);
    // Shown, not yet asked for: the client still expects the record it holds.
    client.SetDisplayDate(kT + 1200);
    client.mStill = true;
    const std::pair<double, bool> kRows[] = {
        {-300, false}, {300, false}, {1500, false}, {1800, false}, {600, true}, {1200, true},
    };
    int asked = 0;
    for (const auto& [offset, needed] : kRows)
    {
        DxRecord record(kT + offset, "stn");
        EXPECT_EQ(client.NeedsToRequest(&record), needed) << offset;
        asked += needed;
    }
    EXPECT_EQ(client.mRequests, asked);
    client.SetSet(nullptr);
    EXPECT_TRUE(Settle());
}

} // namespace
