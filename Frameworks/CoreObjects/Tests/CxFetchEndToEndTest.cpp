// The whole road of subsystem 1: a URL fetched on a network job thread, its status delivered on the main thread
// and written to a log file.
#include "CxEvents.h"
#include "CxJob.h"
#include "CxLog.h"
#include "CxUrl.h"
#include "LoopbackServer.h"
#include "PfRunLoop.h"
#include "TestLatch.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

namespace
{

class FetchJob : public CxJob
{
public:
    FetchJob(const CxString& inUrl, CxLog& inLog) : CxJob(100, 1), mUrl(inUrl), mLog(inLog) {}

    void OnRun() override
    {
        ranOn = std::this_thread::get_id();
        CxUrl url(mUrl);
        const CxData body = url.Get();
        bodySize = body.Size();
        PostMessage(url.ResponseCode());
    }

    void OnReceiveMessage(CxSint32 inCode) override
    {
        receivedOn = std::this_thread::get_id();
        code = inCode;
        line = CxDate().AsString("%H:%M:%S ", 0) + "KV" + " GET " + mUrl + " -- " + CxString(inCode);
        mLog.Write(line, 0);
        received = true;
    }

    std::thread::id ranOn;
    std::thread::id receivedOn;
    CxUint32 bodySize = 0;
    CxSint32 code = -1;
    CxString line;
    bool received = false;

private:
    CxString mUrl;
    CxLog& mLog;
};

} // namespace

TEST(CxFetchEndToEnd, AStatusFetchedOnAJobThreadIsLoggedOnTheMainThread)
{
    sky::test::TempHome home;
    sky::test::LoopbackServer server;
    server.AddDocument("/obs.xml", 200, "text/xml", "<obs port=\"@PORT@\"/>");
    CxUrl::InitGlobals();
    pf::MainLoop().ResetForTesting(pf::ClockKind::kReal);
    ASSERT_EQ(CxInstallEventHandler(), 0);

    CxFile file = CxFolder(kCxLogsFolder).CreateFile("fetch.log");
    sky::test::Arena arena;
    auto& log = arena.Make<CxLog>(file);
    auto& job = arena.Make<FetchJob>(CxString::FromUtf8(server.Url("/obs.xml")), log);
    arena.Make<CxJobThread>(100, 1);

    job.Submit();
    EXPECT_TRUE(pf::MainLoop().RunUntil([&] { return job.received; }, sky::test::kBound));
    CxRemoveEventHandler();
    pf::MainLoop().ResetForTesting(pf::ClockKind::kReal);

    ASSERT_TRUE(job.received);
    EXPECT_EQ(job.code, 200);
    EXPECT_EQ(job.receivedOn, std::this_thread::get_id());
    EXPECT_NE(job.ranOn, std::this_thread::get_id());
    EXPECT_EQ(job.bodySize, std::string("<obs port=\"" + std::to_string(server.Port()) + "\"/>").size());
    EXPECT_EQ(server.Hits("/obs.xml"), 1);

    const std::string line = job.line.AsUtf8();
    // "HH:MM:SS id GET URL -- status"
    int hour = -1, minute = -1, second = -1, used = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%2d:%2d:%2d %n", &hour, &minute, &second, &used), 3) << line;
    EXPECT_EQ(used, 9) << line;
    EXPECT_TRUE(hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60) << line;
    EXPECT_EQ(line.substr(9), "KV GET " + server.Url("/obs.xml") + " -- 200");
    std::ifstream in(file.Path().AsUtf8(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), line + "\n");
}
