#include "DxRecord.h"
#include "CxDebug.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

namespace
{

// Points the default zone at TZ for the object's life.
class ZoneOverride
{
public:
    explicit ZoneOverride(const char* inZone)
    {
        const char* old = std::getenv("TZ");
        mHad = old != nullptr;
        if (mHad)
            mOld = old;
        setenv("TZ", inZone, 1);
        tzset();
    }
    ~ZoneOverride()
    {
        if (mHad)
            setenv("TZ", mOld.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool mHad = false;
    std::string mOld;
};

} // namespace

TEST(DxSubscriptionTest, EqualityIgnoresCountThresholdAndRecording)
{
    const DxSubscription base(CxDate(1000.0), CxDate(5000.0), CxString("KTLX:N0R"), 300);
    DxSubscription other = base;
    other.mRefCount = 7;
    other.mStaleThreshold = 600.0;
    other.mRecording = true;
    EXPECT_TRUE(other == base);
    EXPECT_FALSE(other != base);

    const DxSubscription differing[] = {
        DxSubscription(CxDate(1001.0), CxDate(5000.0), CxString("KTLX:N0R"), 300),
        DxSubscription(CxDate(1000.0), CxDate(5001.0), CxString("KTLX:N0R"), 300),
        DxSubscription(CxDate(1000.0), CxDate(5000.0), CxString("KTLX:N0Q"), 300),
        DxSubscription(CxDate(1000.0), CxDate(5000.0), CxString("KTLX:N0R"), -1),
    };
    for (const DxSubscription& d : differing)
    {
        EXPECT_TRUE(d != base) << d.AsString();
        EXPECT_FALSE(d == base) << d.AsString();
    }
}

TEST(DxSubscriptionTest, AsStringListsEveryField)
{
    DxSubscription subscription(CxDate(CxSint16(2024), 3, 1, 12, 0, 0, 0), CxDate(CxSint16(2024), 3, 1, 18, 30, 0, 0),
                                CxString("KOUN:N0Q"), 900);
    subscription.mStaleThreshold = 1799.6;
    subscription.mRefCount = 3;
    subscription.mRecording = true;
    EXPECT_EQ(subscription.AsString(), "2024-03-01 12:00:00 UTC 1800 2024-03-01 18:30:00 UTC KOUN:N0Q RefCount: 3 "
                                       "recording:true interval:900");
    EXPECT_EQ(DxSubscription().AsString(), "1904-01-01 00:00:00 UTC 0 1904-01-01 00:00:00 UTC  RefCount: 0 "
                                           "recording:false interval:-1");
}

TEST(DxRecordTest, DateIsTheNominalDateLessTheOffset)
{
    const CxDate nominal(CxSint16(2024), 6, 1, 12, 0, 0, 0);
    DxRecord record(nominal, CxString("site"));
    EXPECT_EQ(record.Date(), nominal);
    record.mOffset = 3600.0;
    EXPECT_EQ(record.Date(), CxDate(CxSint16(2024), 6, 1, 11, 0, 0, 0));
    EXPECT_EQ(record.mDate, nominal);

    // The offset does not count in equality; the nominal date and the attributes do.
    const DxRecord plain(nominal, CxString("site"));
    EXPECT_TRUE(record == plain);
    EXPECT_FALSE(record != plain);
    EXPECT_TRUE(record != DxRecord(nominal, CxString("other")));
    EXPECT_TRUE(record != DxRecord(nominal + 1.0, CxString("site")));
}

TEST(DxRecordTest, RemovingAReferenceFromZeroIsReportedAndKeepsZero)
{
    // Only the removal past zero is reported.
    CxDebugCapture capture;
    DxRecord record;
    record.AddRef();
    record.AddRef();
    record.RemoveRef();
    EXPECT_EQ(record.RefCount(), 1u);
    record.RemoveRef();
    record.RemoveRef();
    EXPECT_EQ(record.RefCount(), 0u);
    EXPECT_EQ(capture.Count(), 1u);
    record.AddRef();
    EXPECT_EQ(record.RefCount(), 1u);
}

TEST(DxRecordTest, AsStringPrintsJobAddressesAndTheLastCheckInUtc)
{
    // Auckland is 12 or 13 hours ahead of UTC: a local-time slip would show.
    ZoneOverride zone("Pacific/Auckland");
    DxRecord record(CxDate(CxSint16(2024), 1, 15, 23, 30, 0, 0), CxString("KTLX:N0R"));
    record.mOffset = 90.4;
    record.mLastChecked = CxDate(CxSint16(2024), 1, 15, 23, 31, 5, 0);
    record.AddRef();
    record.AddRef();
    record.SetArchiving();
    record.mUpdater = reinterpret_cast<CxJob*>(std::uintptr_t(0x1000));
    record.mDownloader = reinterpret_cast<CxJob*>(~std::uintptr_t(0) - 15);
    EXPECT_EQ(record.AsString(), "2024-01-15 23:30:00 UTC 90 KTLX:N0R RefCount: 2 updater: 4096 downloader: "
                                 "18446744073709551600 archiving: true lastChecked: 2024/01/15 23:31:05");

    EXPECT_EQ(DxRecord().AsString(), "1904-01-01 00:00:00 UTC 0  RefCount: 0 updater: 0 downloader: 0 archiving: "
                                     "false lastChecked: 1904/01/01 00:00:00");
}
