#include "VaneDemoServer.h"

#include <httplib.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

namespace
{

namespace fs = std::filesystem;

constexpr const char* kDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string HttpDate(std::time_t inTime)
{
    std::tm fields{};
    gmtime_r(&inTime, &fields);
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDayNames[fields.tm_wday], fields.tm_mday,
                  kMonthNames[fields.tm_mon], fields.tm_year + 1900, fields.tm_hour, fields.tm_min, fields.tm_sec);
    return text;
}

// -1 for anything but the IMF-fixdate form.
std::time_t ParseHttpDate(const std::string& inText)
{
    char day[4] = {}, month[4] = {}, zone[4] = {};
    int dayOfMonth = 0, year = 0, hour = 0, minute = 0, second = 0;
    if (std::sscanf(inText.c_str(), "%3[A-Za-z], %d %3s %d %d:%d:%d %3s", day, &dayOfMonth, month, &year, &hour,
                    &minute, &second, zone) != 8 ||
        std::strcmp(zone, "GMT") != 0)
        return -1;
    for (int m = 0; m < 12; ++m)
        if (std::strcmp(month, kMonthNames[m]) == 0)
        {
            std::tm fields{};
            fields.tm_year = year - 1900;
            fields.tm_mon = m;
            fields.tm_mday = dayOfMonth;
            fields.tm_hour = hour;
            fields.tm_min = minute;
            fields.tm_sec = second;
            return timegm(&fields);
        }
    return -1;
}

// The MIME types the data managers know these files by; a shapefile is known by its first word instead.
std::string ContentType(const fs::path& inPath)
{
    const std::string extension = inPath.extension().string();
    if (extension == ".xml")
        return "text/xml";
    if (extension == ".kdf")
        return "application/kdf";
    if (extension == ".nids")
        return "image/nids";
    return "application/octet-stream";
}

bool IsPlainName(const std::string& inId)
{
    return !inId.empty() && inId != "." && inId != ".." &&
           inId.find_first_of(std::string("/\\\0", 3)) == std::string::npos && inId.find("..") == std::string::npos;
}

} // namespace

class VaneDemoServer::Imp
{
public:
    explicit Imp(fs::path inRoot) : mRoot(std::move(inRoot))
    {
        mServer.set_keep_alive_timeout(1);
        mServer.Get(".*", [this](const httplib::Request& inRequest, httplib::Response& outResponse)
                    { Serve(inRequest, outResponse); });
        const auto refuse = [](const httplib::Request&, httplib::Response& outResponse)
        {
            outResponse.status = 405;
            outResponse.set_header("Allow", "GET, HEAD");
            outResponse.set_content("only GET and HEAD\n", "text/plain");
        };
        mServer.Post(".*", refuse);
        mServer.Put(".*", refuse);
        mServer.Patch(".*", refuse);
        mServer.Delete(".*", refuse);
        mServer.Options(".*", refuse);
    }

    ~Imp() { Stop(); }

    // The port, or 0.
    int Start()
    {
        const int port = mServer.bind_to_any_port("127.0.0.1");
        if (port <= 0)
            return 0;
        mThread = std::thread([this] { mServer.listen_after_bind(); });
        // stop() is ignored until the loop runs.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!mServer.is_running() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (!mServer.is_running())
        {
            Stop();
            return 0;
        }
        mBase = "http://127.0.0.1:" + std::to_string(port);
        return port;
    }

    void Stop()
    {
        mServer.stop();
        if (mThread.joinable())
            mThread.join();
    }

private:
    void Serve(const httplib::Request& inRequest, httplib::Response& outResponse)
    {
        std::string relative;
        if (inRequest.path == "/nimbrel/registry.php")
        {
            const std::string id = inRequest.get_param_value("id");
            if (!IsPlainName(id))
                return NotFound(outResponse);
            relative = id + "/info/config.xml";
        }
        else
        {
            if (inRequest.path.empty() || inRequest.path[0] != '/')
                return NotFound(outResponse);
            relative = inRequest.path.substr(1);
        }
        const std::optional<fs::path> file = Resolve(relative);
        if (!file)
            return NotFound(outResponse);
        struct stat info
        {
        };
        if (::stat(file->c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            return NotFound(outResponse);
        std::ifstream in(*file, std::ios::binary);
        std::ostringstream body;
        body << in.rdbuf();
        if (!in)
            return NotFound(outResponse);
        std::string content = body.str();
        const std::string type = ContentType(*file);
        // A body with this run's address in it is new with every run: a date would let a client keep an earlier
        // run's address, and HTTP dates cannot tell two runs within one second apart.
        if (type == "text/xml" && content.find("@BASE@") != std::string::npos)
        {
            for (std::size_t at = content.find("@BASE@"); at != std::string::npos;
                 at = content.find("@BASE@", at + mBase.size()))
                content.replace(at, 6, mBase);
            outResponse.status = 200;
            outResponse.set_content(content, type.c_str());
            return;
        }
        const std::time_t modified = info.st_mtime;
        outResponse.set_header("Last-Modified", HttpDate(modified));
        const std::string sinceText = inRequest.get_header_value("If-Modified-Since");
        const std::time_t since = sinceText.empty() ? -1 : ParseHttpDate(sinceText);
        if (since != -1 && modified <= since)
        {
            outResponse.status = 304;
            return;
        }
        outResponse.status = 200;
        outResponse.set_content(content, type.c_str());
    }

    static void NotFound(httplib::Response& outResponse)
    {
        outResponse.status = 404;
        outResponse.set_content("not found\n", "text/plain");
    }

    // The file a path names inside the folder, symbolic links followed; nothing for a path that leaves it.
    std::optional<fs::path> Resolve(const std::string& inRelative) const
    {
        if (inRelative.empty() || inRelative.find('\0') != std::string::npos || inRelative[0] == '/')
            return std::nullopt;
        const fs::path relative(inRelative);
        for (const fs::path& part : relative)
            if (part == "..")
                return std::nullopt;
        std::error_code error;
        const fs::path real = fs::canonical(mRoot / relative, error);
        if (error)
            return std::nullopt;
        const auto [rootEnd, realAt] = std::mismatch(mRoot.begin(), mRoot.end(), real.begin(), real.end());
        if (rootEnd != mRoot.end())
            return std::nullopt;
        return real;
    }

    const fs::path mRoot;
    std::string mBase;
    httplib::Server mServer;
    std::thread mThread;
};

VaneDemoServer::VaneDemoServer() = default;

VaneDemoServer::~VaneDemoServer() = default;

std::string VaneDemoServer::Start(const std::string& inFolder)
{
    mError.clear();
    if (mImp)
    {
        mError = "the server is already running";
        return std::string();
    }
    std::error_code error;
    const fs::path root = fs::canonical(inFolder, error);
    if (error || !fs::is_directory(root))
    {
        mError = "no folder " + inFolder;
        return std::string();
    }
    auto imp = std::make_unique<Imp>(root);
    const int port = imp->Start();
    if (port == 0)
    {
        mError = "cannot bind a port of 127.0.0.1";
        return std::string();
    }
    mImp = std::move(imp);
    mBase = "http://127.0.0.1:" + std::to_string(port);
    return mBase;
}

void VaneDemoServer::Stop()
{
    mImp.reset();
    mBase.clear();
}
