#include "DxManagerTestSupport.h"

#include "CxDebug.h"
#include "DxCache.h"
#include "DxJobs.h"

#include <algorithm>
#include <chrono>

namespace
{

using namespace dxenginetest;

TEST_F(DxManagerTest, ReferencesTakenBySubscriptionsAreAllGivenBack)
{
    // B's records lie before A's start: inside A's window only when A looks back further than the manager.
    const struct
    {
        const char* name;
        double aStart, aEnd, aLookBack, bStart, bEnd;
    } cases[] = {
        {
            "equal",
            0,
            1800,
            2700,
            0,
            1800,
        },
        {"overlapping", 0, 1800, 2700, 900, 3600},
        {"look-back below the threshold", 0, 1800, 600, -3600, -3000},
        {"look-back above the threshold", 0, 1800, 5400, -3600, -3000},
    };
    for (const auto& c : cases)
    {
        for (bool aFirst : {true, false})
        {
            SCOPED_TRACE(std::string(c.name) + (aFirst ? ", A leaves first" : ", B leaves first"));
            CxDebugCapture capture;
            DxSubscription a(kT + c.aStart, kT + c.aEnd, "stn", 300), b(kT + c.bStart, kT + c.bEnd, "stn", 300);
            a.mStaleThreshold = c.aLookBack;
            b.mStaleThreshold = 2700;
            ASSERT_TRUE(mManager->Subscribe(b));
            ASSERT_TRUE(Settle());
            ASSERT_TRUE(mManager->Subscribe(a));
            ASSERT_TRUE(Settle());
            mManager->Unsubscribe(aFirst ? a : b);
            mManager->Unsubscribe(aFirst ? b : a);
            ASSERT_TRUE(Settle());
            EXPECT_TRUE(HoldsNothing());
            EXPECT_FALSE(capture.Contains("CxAssert")) << capture.Lines().front();
        }
    }
}

// A subscription holds what lies within its manager's look-back before its start, even when it asks for less.
TEST_F(DxManagerTest, ASubscriptionLooksBackAtLeastAsFarAsItsManager)
{
    const auto held = [&]
    {
        CxAutoLock lock(mManager->Region());
        const auto record = mManager->FindRecord(DxRecord(kT - 1800, "stn"));
        return record == mManager->Records().end() ? 0u : (*record)->RefCount();
    };
    DxSubscription earlier(kT - 1800, kT - 1800, "stn", 300), later(kT, kT + 600, "stn", 300);
    later.mStaleThreshold = 600; // the manager's is 2700
    ASSERT_TRUE(mManager->Subscribe(earlier));
    ASSERT_TRUE(Settle());
    const CxUint32 before = held();
    ASSERT_GT(before, 0u);
    ASSERT_TRUE(mManager->Subscribe(later));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(held(), before + 1);
    mManager->Unsubscribe(later);
    mManager->Unsubscribe(earlier);
    ASSERT_TRUE(Settle());
    EXPECT_TRUE(HoldsNothing());
}

TEST_F(DxManagerTest, ClipDateFollowsTheGridOfTheYear)
{
    const struct
    {
        CxSint32 resolution, offset;
        bool configured;
        CxDate in, out;
    } cases[] = {
        {600, 0, true, CxDate(2008, 3, 7, 10, 17, 30, 0), CxDate(2008, 3, 7, 10, 10, 0, 0)},
        {600, 0, true, CxDate(2008, 3, 7, 10, 10, 0, 0), CxDate(2008, 3, 7, 10, 10, 0, 0)},
        {600, 300, true, CxDate(2008, 3, 7, 10, 17, 30, 0), CxDate(2008, 3, 7, 10, 15, 0, 0)},
        {600, 300, true, CxDate(2008, 3, 7, 10, 12, 0, 0), CxDate(2008, 3, 7, 10, 5, 0, 0)},
        {-1, 0, true, kT, CxDate(1970, 1, 1, 0, 0, 0, 0)},
        {0, 0, true, kT, CxDate(1970, 1, 1, 0, 0, 0, 0)},
        {600, 0, false, CxDate(2008, 3, 7, 10, 17, 30, 0), CxDate(2008, 3, 7, 10, 17, 30, 0)},
    };
    for (const auto& c : cases)
    {
        mManager->SetTimeResolution(c.resolution);
        mManager->Configure(c.configured, c.offset);
        EXPECT_EQ(mManager->ClipDate(c.in).AsString(), c.out.AsString()) << c.resolution << " " << c.offset;
    }
}

// A client is temporal while its manager steps in time, and shows seconds below a minute's steps.
TEST_F(DxManagerTest, TemporalAndSecondsFollowTheResolution)
{
    TestClient client("stn");
    EXPECT_FALSE(client.ShowsSeconds() || client.IsTemporal()) << "no manager";
    client.SetSet(mSet.get());
    for (auto [resolution, temporal, seconds] :
         {std::tuple{-1, false, false}, {0, false, false}, {1, true, true}, {59, true, true}, {60, true, false}})
    {
        mManager->SetTimeResolution(resolution);
        EXPECT_EQ(client.IsTemporal(), temporal) << resolution;
        EXPECT_EQ(client.ShowsSeconds(), seconds) << resolution;
    }
}

TEST_F(DxManagerTest, TheRegistryUrlNamesTheManagerOnTheCurrentServer)
{
    setenv("SKYVANE_SERVER_REGISTRY", "http://127.0.0.1:9", 1);
    DxSet::RebuildRegistryUrlForTesting();
    EXPECT_EQ(mManager->RegistryUrl(), "http://127.0.0.1:9/nimbrel/registry.php?id=tst");
    unsetenv("SKYVANE_SERVER_REGISTRY");
    DxSet::RebuildRegistryUrlForTesting();
    EXPECT_EQ(mSet->Manager(), mManager);
    EXPECT_EQ(mManager->AuthenticationKey(), "Skyvane: tst");
}

TEST_F(DxManagerTest, SubscriptionsAndJobsKeepTheirProtocol)
{
    // A changed subscription is registered before the old one goes: the missing-date record lives on.
    TestClient client("stn");
    Attach(client, kT, kT + 1800, kT);
    ASSERT_TRUE(Settle());
    DxRecord* missing = nullptr;
    {
        CxAutoLock lock(mManager->Region());
        missing = mManager->FindRecord(DxRecord(DxManager::sMissingDate, "stn"))->get();
        missing->mLastChecked = kT;
    }
    client.SetDates(kT + 600, kT + 2400);
    client.RefreshClient();
    ASSERT_TRUE(Settle());
    {
        CxAutoLock lock(mManager->Region());
        ASSERT_EQ(mManager->Subscriptions().size(), 1u);
        EXPECT_EQ(mManager->Subscriptions().front()->StartDate(), kT + 600);
        EXPECT_EQ((*mManager->FindRecord(DxRecord(DxManager::sMissingDate, "stn")))->mLastChecked, kT);
    }

    // An update that finds its record gone (1001) still hands the frames over.
    Seed(kT + 600, "data");
    client.SetDisplayDate(kT + 600);
    DxRecord record(kT + 600, "stn");
    {
        CxAutoLock lock(mManager->Region());
        client.RefreshClient();
        EXPECT_EQ(client.ExpectedDate(), kT + 600);
        EXPECT_EQ(mManager->PerformUpdate(record), 1000);
        mManager->ReceiveMessageFromUpdateJob(mManager->CreateUpdateJob(record), 1001, record);
    }
    EXPECT_NE(client.Table(), nullptr);

    // An update job cancelled while queued (behind a busy update thread) posts 900 and is disposed of.
    mBlocker = std::make_unique<BlockJob>(&mEntered, &mRelease);
    mBlocker->Submit();
    ASSERT_TRUE(mEntered.Wait());
    TestClient other("other");
    Attach(other, kT, kT, kT);
    other.SetSet(nullptr);
    EXPECT_TRUE(Settle());
    mRelease.CountDown();
}

TEST_F(DxManagerTest, AClientDestroyedWhileTheUpdateThreadAsksItIsLeftAlone)
{
    Seed(kT, "data");
    auto* client = new TestClient("stn", &mEntered, &mRelease);
    Attach(*client, kT, kT, kT);
    ASSERT_TRUE(mEntered.Wait());
    mRelease.CountDown();
    delete client; // waits for the manager lock the update thread holds while it asks the client
    EXPECT_TRUE(Settle());
    EXPECT_TRUE(HoldsNothing());
}

TEST_F(DxManagerTest, AThrowingBuildCostsOnlyItsClientAFrame)
{
    Seed(kT, "throw");
    TestClient bad("bad"), good("good");
    CxDebugCapture capture;
    Attach(bad, kT, kT, kT);
    Attach(good, kT, kT, kT);
    ASSERT_TRUE(Pump([&] { return good.Table() != nullptr && capture.Contains("CxErrorFileIO"); }));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(bad.ExpectedDate(), kT);
    EXPECT_EQ(bad.Frame(), nullptr);
    EXPECT_FALSE(bad.WaitingForData()); // its null frame arrived
}

// A frame refused at any step after its client asked for it is freed, never leaked: the ASan tree checks leaks at
// exit. Each row holds a first frame, rewrites the file newer, builds again and refuses the new frame one way.
TEST_F(DxManagerTest, AFrameRefusedAtAnyStepIsFreed)
{
    struct Row
    {
        const char* mWhat;
        const char* mKey;
        const char* mNewText;
        // Between the build and the hand-over.
        std::function<void(TestClient&, DxRecord&)> mRefuse;
        int mFrameChanges;      // by the hand-over, after the first frame
        bool mHoldsAFrameAfter; // the client's frame after the hand-over
    };
    const std::vector<Row> rows = {
        {"the decoder throws: a null frame replaces the held one", "bad", "throw", [](TestClient&, DxRecord&) {}, 1,
         false},
        {"the client leaves: its pending frame goes with its delivery", "stn", "newer",
         [](TestClient& ioClient, DxRecord&) { ioClient.SetSet(nullptr); }, 1, false},
        {"the record goes: the frame still reaches the attached client", "stn", "newer",
         [](TestClient& ioClient, DxRecord&) { ioClient.ReleaseAndInvalidate(); }, 1, true},
        {"a second build: the later frame replaces the earlier one", "stn", "newer",
         [this](TestClient&, DxRecord& ioRecord)
         {
             CxAutoLock lock(mManager->Region());
             EXPECT_EQ(mManager->PerformUpdate(ioRecord), 1000);
         },
         2, true},
    };
    for (std::size_t i = 0; i < rows.size(); ++i)
    {
        const Row& row = rows[i];
        SCOPED_TRACE(row.mWhat);
        const CxDate date = kT + 3600.0 * double(i);
        const fs::path file = Seed(date, "data");
        TestClient client(row.mKey);
        Attach(client, date, date, date);
        ASSERT_TRUE(Pump([&] { return client.Table() != nullptr; }));
        ASSERT_TRUE(Settle());
        const int changes = client.mFrames;
        const CxDate first = client.LastModified();

        std::ofstream(file) << row.mNewText;
        fs::last_write_time(file, fs::file_time_type::clock::now() + std::chrono::hours(1));
        DxRecord record(date, row.mKey);
        {
            CxAutoLock lock(mManager->Region());
            EXPECT_EQ(mManager->PerformUpdate(record), 1000);
        }
        row.mRefuse(client, record);
        {
            CxAutoLock lock(mManager->Region());
            mManager->ReceiveMessageFromUpdateJob(mManager->CreateUpdateJob(record), 1000, record);
        }
        EXPECT_EQ(client.mFrames - changes, row.mFrameChanges);
        EXPECT_EQ(client.Frame() != nullptr, row.mHoldsAFrameAfter);
        if (row.mHoldsAFrameAfter)
        {
            EXPECT_GT(client.LastModified(), first); // the newer file's frame
        }
        client.SetSet(nullptr);
        EXPECT_TRUE(Settle());
    }
    EXPECT_TRUE(HoldsNothing());
}

TEST_F(DxManagerTest, AnOfflineDownloadLeavesNoJobBehindItsRecord)
{
    TestClient client("stn");
    Attach(client, kT, kT + 1800, kT);
    ASSERT_TRUE(Settle());
    {
        CxAutoLock lock(mManager->Region());
        for (const auto& record : mManager->Records())
            EXPECT_EQ(record->mDownloader, nullptr) << record->AsString();
    }
    client.SetSet(nullptr); // RemoveRecord cancels any job a record still names
    EXPECT_TRUE(Settle());
    EXPECT_TRUE(HoldsNothing());
}

// Offline, a query manager learns its dates from the cache alone: the query job's first message carries them.
TEST_F(DxManagerTest, OfflineAQueryManagerOffersItsCachedFiles)
{
    mManager->SetQueryUrlFormat("q?%Y");
    Seed(kT + 300, "a");
    Seed(kT + 1200, "b");
    Seed(kT + 3600, "after the window");
    TestClient client("stn");
    Attach(client, kT, kT + 1800, kT + 300);
    ASSERT_TRUE(Settle());
    std::vector<CxDate> dates;
    {
        CxAutoLock lock(mManager->Region());
        for (const auto& record : mManager->Records())
            if (record->mDate != DxManager::sMissingDate)
                dates.push_back(record->mDate);
    }
    std::sort(dates.begin(), dates.end());
    ASSERT_EQ(dates, (std::vector<CxDate>{kT + 300, kT + 1200}));
    ASSERT_TRUE(Pump([&] { return client.Table() != nullptr; }));
    EXPECT_EQ(client.FrameDate(), kT + 300);
    EXPECT_EQ(client.GetDatesForAnimation(), (std::vector<CxDate>{kT + 300, kT + 1200}));
    // The shown record again, no newer: nothing to ask for; nor for no record.
    DxRecord shown(kT + 300, "stn");
    EXPECT_FALSE(client.NeedsToRequest(&shown));
    EXPECT_FALSE(client.NeedsToRequest(nullptr));
    client.SetSet(nullptr);
    EXPECT_TRUE(Settle());
}

TEST_F(DxManagerTest, OfflineEndToEndFromTheCacheToTheClient)
{
    const fs::path older = Seed(kT - 600, "older");
    const fs::path file = Seed(kT, "now");
    const CxDate stamp(2008, 3, 7, 12, 1, 0, 0);
    fs::last_write_time(file, std::chrono::file_clock::from_sys(std::chrono::sys_seconds(
                                  std::chrono::seconds(1204891260)))); // date -u -d '2008-03-07 12:01' +%s
    auto* client = new TestClient("stn");
    Attach(*client, kT - 600, kT + 600, kT);
    ASSERT_TRUE(Pump([&] { return client->Table() != nullptr && client->FrameDate() == kT; }));
    EXPECT_EQ(client->LastModified(), stamp);

    // No file at kT + 300: the newest older one within the stale threshold serves.
    client->SetDisplayDate(kT + 300);
    client->RefreshClient();
    ASSERT_TRUE(Settle());
    EXPECT_EQ(client->ExpectedDate(), kT + 300);
    EXPECT_EQ(client->FrameDate(), kT);

    delete client;
    EXPECT_TRUE(Settle());
    EXPECT_TRUE(HoldsNothing());
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(fs::exists(older));
}

// Moving only the start or only the end of a client's window takes effect, and so does moving both.
TEST_F(DxManagerTest, EitherEndOfAClientsWindowMovesAlone)
{
    TestClient client("stn");
    const CxDate kWindows[][2] = {
        {kT, kT + 1800}, {kT, kT + 3600}, {kT - 600, kT + 3600}, {kT - 600, kT + 3600}, {kT + 300, kT + 900}};
    for (const auto& window : kWindows)
    {
        client.SetDates(window[0], window[1]);
        EXPECT_EQ(client.StartDate(), window[0]);
        EXPECT_EQ(client.EndDate(), window[1]);
    }
}

// A client holding data parses its record again only from a file newer than the one it holds.
TEST_F(DxManagerTest, AClientHoldingDataParsesOnlyANewerFile)
{
    Seed(kT, "now");
    TestClient client("stn");
    Attach(client, kT, kT, kT);
    ASSERT_TRUE(Pump([&] { return client.Table() != nullptr && client.FrameDate() == kT; }));
    const CxDate held = client.LastModified();
    ASSERT_NE(held, DxManager::sMissingDate);
    DxRecord record(kT, "stn");
    EXPECT_FALSE(client.NeedsToParse(&record, held - 60.0));
    EXPECT_FALSE(client.NeedsToParse(&record, held));
    EXPECT_TRUE(client.NeedsToParse(&record, held + 60.0));
    client.SetSet(nullptr);
    EXPECT_TRUE(Settle());
}

// A configuration refresh that changed something refreshes the clients and tells the receivers (message 9); one
// that changed nothing (0) or was cancelled (900) does neither.
TEST_F(DxManagerTest, OnlyAChangingConfigurationRefreshIsAnnounced)
{
    TestClient client("stn");
    Attach(client, kT, kT, kT);
    ASSERT_TRUE(Settle());
    CodeCounter announced(9);
    mManager->AttachReceiver(&announced);
    for (auto [code, count] : {std::pair{900, 0}, {0, 0}, {1, 1}, {900, 1}, {2, 2}})
    {
        mManager->ReceiveMessageFromConfigJob(mManager->CreateConfigJob(), code);
        EXPECT_EQ(announced.mCount, count) << code;
    }
    mManager->DetachReceiver(&announced);
    client.SetSet(nullptr);
    EXPECT_TRUE(Settle());
}

} // namespace
