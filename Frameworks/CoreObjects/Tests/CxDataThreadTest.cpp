// Buffers whose copies live on different threads, and the MIME table registered while job threads look it up.
#include "CxData.h"
#include "CxDebug.h"
#include "CxMime.h"
#include "CxRcObject.h"
#include "CxString.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

namespace
{

struct LiveBody : CxRcObject
{
    LiveBody() { sLive.fetch_add(1); }
    ~LiveBody() override { sLive.fetch_sub(1); }
    static std::atomic<int> sLive;
};
std::atomic<int> LiveBody::sLive{0};

constexpr int kThreads = 8;
constexpr int kRounds = 2000;

} // namespace

TEST(CxDataThreadTest, CopiesMadeAndDroppedOnManyThreadsFreeTheBodyOnce)
{
    CxDebugCapture capture; // any count report would land here
    {
        CxRcPointer<LiveBody> origin(new LiveBody);
        std::atomic<bool> go{false};
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
        {
            threads.emplace_back(
                [&origin, &go]
                {
                    while (!go.load())
                        std::this_thread::yield();
                    std::vector<CxRcPointer<LiveBody>> held;
                    for (int i = 0; i < kRounds; ++i)
                    {
                        held.emplace_back(origin);
                        CxRcPointer<LiveBody> assigned;
                        assigned = held.back();
                        if (i % 3 == 0)
                            held.erase(held.begin());
                    }
                });
        }
        go.store(true);
        for (std::thread& thread : threads)
            thread.join();
        EXPECT_FALSE(origin->IsShared());
        EXPECT_EQ(LiveBody::sLive.load(), 1);
    }
    EXPECT_EQ(LiveBody::sLive.load(), 0);
    EXPECT_EQ(capture.Count(), 0u);
}

TEST(CxDataThreadTest, TheLastCopyMayGoOnAnyThread)
{
    CxDebugCapture capture;
    for (int round = 0; round < 50; ++round)
    {
        std::vector<std::thread> threads;
        {
            CxData data("payload", 7);
            for (int t = 0; t < 4; ++t)
            {
                // Each thread gets its own copy; the body goes with whichever copy is dropped last.
                threads.emplace_back(
                    [copy = data]() mutable
                    {
                        CxData local = copy;
                        copy = CxData();
                        EXPECT_EQ(local.Size(), 7u);
                    });
            }
        }
        for (std::thread& thread : threads)
            thread.join();
    }
    EXPECT_EQ(capture.Count(), 0u);
}

TEST(CxDataThreadTest, BytesWrittenBeforeHandingOverAreSeenByTheOtherThread)
{
    CxData data(1024);
    {
        CxAutoLock lock(data);
        std::memset(data.Pointer(), 0x5A, 1024);
    }
    std::thread reader(
        [copy = data]() mutable
        {
            CxAutoLock lock(copy);
            const auto* bytes = static_cast<const unsigned char*>(copy.Pointer());
            for (int i = 0; i < 1024; ++i)
                ASSERT_EQ(bytes[i], 0x5A) << i;
        });
    reader.join();
}

TEST(CxMimeThreadTest, RegisteringWhileJobThreadsLookUp)
{
    std::atomic<bool> done{false};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t)
    {
        readers.emplace_back(
            [&]
            {
                while (!done.load())
                {
                    const CxMimeInfo info = CxMimeInfo::FromExtension(".thr");
                    EXPECT_TRUE(info.Mime() == "test/threaded" || info.Mime() == "") << info.Mime();
                    EXPECT_EQ(CxMimeInfo::FromMime("image/gif").Extension(), ".gif");
                }
            });
    }
    for (int i = 0; i < 500; ++i)
    {
        CxMimeInfo("test/threaded", ".thr", 0, 0, CxString(CxSint32(i))).Register();
        CxMimeInfo(CxString("test/threaded-") + CxString(CxSint32(i % 20)), ".other", 0, 0, "").Register();
    }
    done.store(true);
    for (std::thread& reader : readers)
        reader.join();
    EXPECT_EQ(CxMimeInfo::FromMime("test/threaded").Description(), "499");
    EXPECT_EQ(CxMimeInfo::FromExtension(".thr").Mime(), "test/threaded");
}
