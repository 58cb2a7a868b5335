// The demo page for an hour of the virtual clock against a data server that changes its answers at a refresh: a
// registry that answers a maintenance page once blanks nothing and costs nothing, and a site list that changed is
// drawn at the next refresh. The server is the test's own, serving the bundled data as the demo server does.
#include "LoopbackServer.h"
#include "VaneDemoLog.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <mutex>
#include <regex>
#include <string>

namespace
{

namespace fs = std::filesystem;
using namespace vanedemo;
using sky::test::HttpReply;
using sky::test::HttpRequest;

const char* const kSets[] = {"europe-qff", "natural-earth", "kbmx-nexrad3"};
const char* const kRadarEcho = "expect-pixel radar 318 215 #01C501 4\n";

// The bundled data folders as the demo server serves them: files dated by their modification time and answered
// 304 when not newer than If-Modified-Since; XML naming the server's address is new with every run, undated.
// What a refresh sees may be changed by the n-th request (from 1) of a path.
class DemoData
{
public:
    using Change = std::function<bool(int inNth, HttpReply& ioReply)>;

    DemoData()
    {
        for (const char* id : kSets)
            for (const auto& entry : fs::recursive_directory_iterator(kDemo / id))
                if (entry.is_regular_file())
                {
                    const std::string path = "/" + fs::relative(entry.path(), kDemo).generic_string();
                    mServer.AddHandler(
                        path, [this, file = entry.path(), path](const HttpRequest& inRequest, HttpReply& outReply)
                        { Answer(path, file, inRequest, outReply); });
                }
        mServer.AddHandler("/nimbrel/registry.php",
                           [this](const HttpRequest& inRequest, HttpReply& outReply)
                           {
                               const std::string id = inRequest.query.substr(inRequest.query.find('=') + 1);
                               Answer("registry:" + id, kDemo / id / "info" / "config.xml", inRequest, outReply);
                           });
        setenv("SKYVANE_SERVER_REGISTRY", mServer.Base().c_str(), 1);
    }
    ~DemoData() { unsetenv("SKYVANE_SERVER_REGISTRY"); }
    DemoData(const DemoData&) = delete;
    DemoData& operator=(const DemoData&) = delete;

    // The key is a path, or "registry:ID" for the registry's answer for a set.
    void SetChange(const std::string& inKey, Change inChange)
    {
        std::lock_guard lock(mMutex);
        mChanges[inKey] = std::move(inChange);
    }

private:
    void Answer(const std::string& inKey, const fs::path& inFile, const HttpRequest& inRequest, HttpReply& outReply)
    {
        std::string body = Slurp(inFile);
        const bool isXml = inFile.extension() == ".xml";
        for (std::size_t at = body.find("@BASE@"); isXml && at != std::string::npos; at = body.find("@BASE@", at))
            body.replace(at, 6, mServer.Base());
        struct stat info
        {
        };
        ::stat(inFile.c_str(), &info);
        outReply.status = 200;
        const std::map<std::string, std::string> types = {
            {".xml", "text/xml"}, {".kdf", "application/kdf"}, {".nids", "image/nids"}};
        const auto type = types.find(inFile.extension().string());
        outReply.contentType = type != types.end() ? type->second : "application/octet-stream";
        outReply.body = body;
        bool dated = !isXml || Slurp(inFile).find("@BASE@") == std::string::npos;
        std::time_t modified = info.st_mtime;
        {
            std::lock_guard lock(mMutex);
            const int nth = ++mCounts[inKey];
            if (const auto change = mChanges.find(inKey); change != mChanges.end() && change->second(nth, outReply))
            {
                dated = false; // a changed answer is new, dated or not
                modified = 0;
            }
        }
        if (!dated)
            return;
        outReply.headers.push_back({"Last-Modified", sky::test::HttpDate(modified)});
        const std::time_t since = sky::test::ParseHttpDate(inRequest.Header("If-Modified-Since"));
        if (since != -1 && modified <= since)
        {
            outReply.status = 304;
            outReply.body.clear();
        }
    }

    std::mutex mMutex;
    std::map<std::string, int> mCounts;
    std::map<std::string, Change> mChanges;
    sky::test::LoopbackServer mServer;
};

// The demo page and its documents copied beside the run's folder, where no demo server is implied.
fs::path CopyPage(const fs::path& inFolder)
{
    const fs::path page = inFolder.string() + "-page";
    fs::remove_all(page);
    fs::create_directories(page);
    for (const char* name : {"demo.html", "europe-pressure.vanedoc", "alabama-radar-loop.vanedoc"})
        fs::copy_file(kDemo / name, page / name);
    return page / "demo.html";
}

// What the data log counts: requests, bytes of data files, data downloads (200), and deletions.
struct Tally
{
    int requests = 0;
    int heads = 0;
    long bytes = 0;
    int downloads = 0;
    int deletions = 0;
    std::map<std::string, int> perFile;
};

Tally Count(const std::string& inLog)
{
    Tally tally;
    for (const Line& line : Lines(inLog))
    {
        tally.deletions += line.verb == "Delete:";
        tally.requests += line.verb != "Delete:";
        tally.heads += line.verb == "HEAD";
        if (line.data && line.status == 200)
        {
            ++tally.downloads;
            ++tally.perFile[line.url];
        }
    }
    static const std::regex sized(R"(-- (\d+) [\d.]+s -- )");
    for (auto it = std::sregex_iterator(inLog.begin(), inLog.end(), sized); it != std::sregex_iterator(); ++it)
        tally.bytes += std::stol((*it)[1]);
    return tally;
}

// The registry answers the radar set a maintenance page at its 15-minute refresh. The radar stays drawn at every
// minute, no file is deleted or downloaded again, and the next refresh is nothing new.
TEST(VaneDemoRefresh, AMaintenancePageAtARefreshChangesNothing)
{
    DemoData data;
    data.SetChange("registry:kbmx-nexrad3",
                   [](int inNth, HttpReply& ioReply)
                   {
                       // The set's lookup asks first, then the manager at start and once a quarter.
                       if (inNth != 3)
                           return false;
                       ioReply.contentType = "text/html";
                       ioReply.body = "<!DOCTYPE html><html><body><h1>Down for maintenance</h1></body></html>";
                       return true;
                   });
    std::string script = "settle 500 max=120\n" + std::string(kRadarEcho);
    for (int minute = 1; minute <= 60; ++minute)
        script += "run 60000\nsettle 500 max=120\n# minute " + std::to_string(minute) + "\n" + kRadarEcho;
    const fs::path folder = Folder("vane-demo-maintenance");
    const PageRun run = RunPage(script, folder, CopyPage(folder));
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.err.find("expected #"), std::string::npos) << run.err;
    ASSERT_EQ(RegistryTimes(Lines(run.log), "kbmx-nexrad3").size(), 5u) << run.log;
    const Tally tally = Count(run.log);
    std::cout << "requests " << tally.requests << " (" << tally.heads << " HEAD), data bytes " << tally.bytes
              << ", downloads " << tally.downloads << ", deletions " << tally.deletions << "\n";
    for (const auto& [url, count] : tally.perFile)
        EXPECT_EQ(count, 1) << url;
    // Files go only as the page closes, after the last request.
    const std::vector<Line> lines = Lines(run.log);
    std::size_t lastRequest = 0;
    for (std::size_t i = 0; i < lines.size(); ++i)
        lastRequest = lines[i].verb != "Delete:" ? i : lastRequest;
    for (std::size_t i = 0; i < lastRequest; ++i)
        EXPECT_NE(lines[i].verb, "Delete:") << i << "\n" << run.log;
    if (!testing::Test::HasFailure())
    {
        fs::remove_all(folder);
        fs::remove_all(folder.string() + "-page");
    }
}

// From minute 20 the pressure set's site list moves every station half a degree north: the 30-minute refresh takes
// it in and the map is drawn from the new places by minute 31, while minute 19 still draws the first.
TEST(VaneDemoRefresh, AChangedSiteListIsDrawnAtTheNextRefresh)
{
    DemoData data;
    std::string moved = Slurp(kDemo / "europe-qff" / "info" / "siteinfo.xml");
    static const std::regex record(R"(("e\d+"), ([-\d.]+), )");
    std::string shifted;
    auto last = moved.cbegin();
    for (auto it = std::sregex_iterator(moved.begin(), moved.end(), record); it != std::sregex_iterator(); ++it)
    {
        shifted.append(last, (*it)[0].first);
        shifted += (*it)[1].str() + ", " + std::to_string(std::stod((*it)[2]) + 0.5) + ", ";
        last = (*it)[0].second;
    }
    shifted.append(last, moved.cend());
    ASSERT_NE(shifted, moved);
    // The site list's requests come with the registry's: at start, 15, 30 and 45 minutes.
    data.SetChange("/europe-qff/info/siteinfo.xml",
                   [shifted](int inNth, HttpReply& ioReply)
                   {
                       if (inNth < 3)
                           return false;
                       ioReply.body = shifted;
                       return true;
                   });
    std::string script = "settle 500 max=120\nsnapshot europe start.png\n";
    for (int minute = 1; minute <= 31; ++minute)
    {
        script += "run 60000\nsettle 500 max=120\n";
        if (minute == 19 || minute == 31)
            script += "snapshot europe minute-" + std::to_string(minute) + ".png\n";
    }
    const fs::path folder = Folder("vane-demo-sites");
    const PageRun run = RunPage(script, folder, CopyPage(folder));
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    const std::string start = Slurp(folder / "out" / "start.png");
    ASSERT_FALSE(start.empty());
    EXPECT_EQ(Slurp(folder / "out" / "minute-19.png"), start);
    EXPECT_NE(Slurp(folder / "out" / "minute-31.png"), start) << run.log;
    if (!testing::Test::HasFailure())
    {
        fs::remove_all(folder);
        fs::remove_all(folder.string() + "-page");
    }
}

} // namespace
