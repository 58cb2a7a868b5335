#include "CxDate.h"
#include "CxDateTestHelpers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using sky::test::ScopedNow;
using sky::test::ScopedTz;

// Job threads read the time while a test moves the clock: every read sees one whole source.
TEST(CxDateThreads, NowSourceIsSetAndReadSafely)
{
    ScopedTz tz("UTC");
    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 4; ++i)
        readers.emplace_back(
            [&]
            {
                while (!stop.load())
                {
                    const double now = CxDate().AbsoluteTime();
                    const double parsed = CxDate(CxString("")).AbsoluteTime();
                    // Either one of the fixed sources (whole thousands) or real time (2020 and later).
                    const bool fixed = now >= 1000.0 && now <= 50000.0 && now == static_cast<int>(now / 1000) * 1000;
                    if (!fixed && now < 6e8)
                        ++bad;
                    if (parsed < 1000.0)
                        ++bad;
                }
            });
    for (int round = 1; round <= 2000; ++round)
    {
        const double fixed = 1000.0 * (round % 50 + 1);
        ScopedNow now([fixed] { return fixed; });
        EXPECT_EQ(CxDate().AbsoluteTime(), fixed);
        if (round % 3 == 0)
            CxSetNowSource({});
    }
    stop = true;
    for (std::thread& reader : readers)
        reader.join();
    EXPECT_EQ(bad.load(), 0);
}

// Zones are shared between copies on different threads, and the default zone is cached under a lock.
TEST(CxDateThreads, ZonesAcrossThreads)
{
    ScopedTz tz("America/New_York");
    const CxTimeZone shared(CxString("Australia/Lord_Howe"));
    const CxDate july(CxString("2009-07-15 12:00:00"));
    std::atomic<int> bad{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back(
            [&]
            {
                for (int j = 0; j < 200; ++j)
                {
                    const CxTimeZone copy = shared;
                    if (copy.UtcOffset(july) != 37800 || CxTimeZone().UtcOffset(july) != -14400)
                        ++bad;
                    if (july.AsString(CxString("%H:%M %Z"), CxTimeZone(CxString("Asia/Kolkata"))).AsUtf8() !=
                        "17:30 IST")
                        ++bad;
                }
            });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(bad.load(), 0);
}
