// corefetch <url>: fetches the URL with HTTP GET on a network job thread, receives the status on the main thread,
// writes the request line to the log file in the user's log folder and prints the line and the file's path.
#include "CxDate.h"
#include "CxError.h"
#include "CxEvents.h"
#include "CxFile.h"
#include "CxJob.h"
#include "CxLog.h"
#include "CxUrl.h"
#include "PfRunLoop.h"

#include <chrono>
#include <cstdio>
#include <memory>

namespace
{

constexpr CxSint32 kNetworkJobType = 100;
const char* const kLogName = "corefetch.log";

class FetchJob : public CxJob
{
public:
    FetchJob(const CxString& inUrl, CxLog& inLog) : CxJob(kNetworkJobType, 1), mUrl(inUrl), mLog(inLog) {}

    // On the job thread.
    void OnRun() override
    {
        CxUrl url(mUrl);
        const CxData body = url.Get();
        mBytes = body.Size();
        mMime = url.Mime();
        PostMessage(url.ResponseCode());
    }

    // On the main thread.
    void OnReceiveMessage(CxSint32 inCode) override
    {
        mStatus = inCode;
        mLine = CxDate().AsString("%H:%M:%S ", 0) + "corefetch GET " + mUrl + " -- " + CxString(inCode);
        mLog.Write(mLine, 0);
        mDone = true;
    }

    bool Done() const { return mDone; }
    CxSint32 Status() const { return mStatus; }
    CxUint32 Bytes() const { return mBytes; }
    const CxString& Mime() const { return mMime; }
    const CxString& Line() const { return mLine; }

private:
    CxString mUrl;
    CxLog& mLog;
    CxUint32 mBytes = 0;
    CxString mMime;
    CxSint32 mStatus = 0;
    CxString mLine;
    bool mDone = false;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || argv[1][0] == '\0')
    {
        std::fprintf(stderr, "usage: corefetch <url>\n");
        return 2;
    }
    const CxString url = CxString::FromUtf8(argv[1]);

    CxUrl::InitGlobals();
    CxUrl::SetAgentWithProduct("corefetch", "1.0", "");
    CxInstallEventHandler();

    CxFile logFile;
    try
    {
        logFile = CxFolder(kCxLogsFolder).CreateFile(kLogName);
    }
    catch (const CxError& error)
    {
        std::fprintf(stderr, "corefetch: cannot make the log file: %s\n", error.AsString().AsUtf8().c_str());
        return 1;
    }
    CxLog log(logFile);

    auto thread = std::make_unique<CxJobThread>(kNetworkJobType, 1);
    FetchJob job(url, log);
    job.Submit();
    // The request gives up after 600 s; a little more lets its status arrive.
    const bool done = pf::MainLoop().RunUntil([&] { return job.Done(); }, std::chrono::seconds(660));
    if (!done)
        CxUrl::AbortTransfers(true);
    thread.reset();
    CxRemoveEventHandler();
    CxUrl::CleanupGlobals();

    if (!done)
    {
        std::fprintf(stderr, "corefetch: no status arrived\n");
        return 1;
    }
    std::printf("%s\n", job.Line().AsUtf8().c_str());
    if (job.Status() == 0)
        std::printf("No reply: the host could not be reached or the transfer failed.\n");
    else
        std::printf("%u bytes%s%s\n", unsigned(job.Bytes()), job.Mime().Length() != 0 ? " of " : "",
                    job.Mime().AsUtf8().c_str());
    std::printf("Log file: %s\n", logFile.Path().AsUtf8().c_str());
    return job.Status() == 0 ? 1 : 0;
}
