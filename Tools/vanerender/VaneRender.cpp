#include "VaneRender.h"

#include "CxDebug.h"
#include "CxError.h"
#include "CxEvents.h"
#include "CxFile.h"
#include "CxJob.h"
#include "CxUrl.h"
#include "DxClients.h"
#include "DxLogger.h"
#include "DxManager.h"
#include "DxSet.h"
#include "DxUnit.h"
#include "GxGLContext.h"
#include "GxProjection.h"
#include "PfRunLoop.h"
#include "PfWholeFile.h"
#include "VaneDemoServer.h"
#include "VanePage.h"
#include "WxMap.h"
#include "WxParser.h"
#include "WxProduct.h"
#include "WxProductTable.h"
#include "XmlElement.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <new>
#include <numbers>
#include <optional>
#include <set>
#include <sstream>

#include <pthread.h>
#include <unistd.h>

namespace fs = std::filesystem;

// ---- framing

namespace
{

constexpr double kEyeHeight = 100.0;

double ClampPerspective(double inDegrees)
{
    return std::clamp(inDegrees, 0.1, 179.5);
}

double Radians(double inDegrees)
{
    return inDegrees * std::numbers::pi / 180.0;
}

} // namespace

VaneView VaneFrameMap(const WxMap& inMap, const XmlRoot* inRoot, int inWidth, int inHeight)
{
    VaneView view;
    view.mWidth = inWidth;
    view.mHeight = inHeight;
    view.mFocus = inMap.Projection()->Project(inMap.GetMapCenter());
    view.mLegendVisible = inMap.IsLegendVisible();
    view.mLegendRight = inMap.LegendAlign() == "right";
    view.mPerspective = ClampPerspective(inMap.FieldOfViewY());
    const CxString bounds = inRoot != nullptr ? inRoot->Property(CxString("MapView"), CxString("bounds")) : CxString();
    if (bounds.Length() == 0 || !(inMap.Scale() > 0.0))
        return view;
    // The view in pixels when the document was written, at the scale stored with it: its extent in kilometres,
    // fitted into the part of the view the legend leaves free.
    const CxRect written(bounds);
    const double extentWidth = (written.right - written.left) / inMap.Scale();
    const double extentHeight = (written.bottom - written.top) / inMap.Scale();
    const double freeWidth = inWidth - (view.mLegendVisible ? kVaneLegendWidth : 0.0);
    if (!(extentWidth > 0.0) || !(extentHeight > 0.0) || !(freeWidth > 0.0))
        return view;
    const double ratio = extentWidth / freeWidth;
    const double height = extentHeight / inHeight <= ratio ? inHeight * ratio : extentHeight;
    view.mPerspective = ClampPerspective(2.0 * std::atan2(height / 2.0, 90.0) * 180.0 / std::numbers::pi);
    if (view.mLegendVisible)
    {
        const double shift = (view.mLegendRight ? -1.0 : 1.0) * kVaneLegendWidth / 2.0;
        view.mFocus.mX -= shift * VaneKmPerPixel(view);
    }
    return view;
}

double VaneKmPerPixel(const VaneView& inView)
{
    return 2.0 * kEyeHeight * std::tan(Radians(inView.mPerspective) / 2.0) / inView.mHeight;
}

GxPoint VaneToWindow(const VaneView& inView, const GxPoint& inProjected)
{
    const double km = VaneKmPerPixel(inView);
    return GxPoint(inView.mWidth / 2.0 + (inProjected.mX - inView.mFocus.mX) / km,
                   inView.mHeight / 2.0 + (inProjected.mY - inView.mFocus.mY) / km);
}

GxRect VaneLegendRect(const VaneView& inView)
{
    const double left = inView.mLegendRight ? inView.mWidth - kVaneLegendWidth : 0.0;
    return GxRect(left, 0.0, left + kVaneLegendWidth, inView.mHeight);
}

void VaneApplyView(WxMap& ioMap, const VaneView& inView)
{
    glViewport(0, 0, inView.mWidth, inView.mHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(inView.mPerspective, double(inView.mWidth) / inView.mHeight, kEyeHeight, kEyeHeight + 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(inView.mFocus.mX, inView.mFocus.mY, kEyeHeight, inView.mFocus.mX, inView.mFocus.mY, 0.0, 0.0, 1.0, 0.0);
    ioMap.SetFieldOfViewY(inView.mPerspective);
    // Pixels between the window images of (0, 0, 1) and (1, 0, 1).
    ioMap.SetScale(inView.mHeight / (2.0 * (kEyeHeight - 1.0) * std::tan(Radians(inView.mPerspective) / 2.0)));
}

// ---- options

std::string VaneUsage()
{
    return "usage: vanerender [DOCUMENT ...] [--size WxH] [--out DIR] [--timeout S] [--serve DIR]\n"
           "\n"
           "Draws each map document (a file or an http(s) URL) with its data into a PNG picture named after it.\n"
           "With no document, draws the two bundled demo maps (Products/Skyvane/Demo) from the bundled data.\n"
           "\n"
           "  --size WxH    picture size in pixels (1024x768)\n"
           "  --out DIR     where the pictures go (the current folder; made when missing)\n"
           "  --timeout S   seconds to wait for the data, and the limit of every request (30)\n"
           "  --serve DIR   serve DIR as the data server and its registry on 127.0.0.1 (implied, for\n"
           "                documents in a Products/Skyvane/Demo folder, of that folder); otherwise\n"
           "                SKYVANE_SERVER_REGISTRY chooses the server\n"
           "  --help        this text\n"
           "\n"
           "Exit status: 0 every data set answered; 3 a picture lacks data; 2 usage or unreadable document;\n"
           "1 any other failure. Stopped by SIGINT, SIGTERM or SIGHUP, it cleans up and ends by that signal\n"
           "(a shell reads 128 + N), writing no picture of the document it was drawing; a signal ignored when it\n"
           "starts stays ignored.\n";
}

std::string VaneParseOptions(const std::vector<std::string>& inArguments, VaneOptions& outOptions)
{
    outOptions = VaneOptions();
    for (std::size_t i = 0; i < inArguments.size(); ++i)
    {
        const std::string& argument = inArguments[i];
        const auto value = [&](std::string& outValue) -> bool
        {
            if (i + 1 >= inArguments.size())
                return false;
            outValue = inArguments[++i];
            return true;
        };
        std::string text;
        if (argument == "--help" || argument == "-h")
            outOptions.mHelp = true;
        else if (argument == "--size")
        {
            int width = 0, height = 0;
            char rest = 0;
            if (!value(text) || std::sscanf(text.c_str(), "%dx%d%c", &width, &height, &rest) != 2 || width < 1 ||
                height < 1 || width > 16384 || height > 16384)
                return "--size wants WIDTHxHEIGHT in pixels, each 1 to 16384";
            outOptions.mWidth = width;
            outOptions.mHeight = height;
        }
        else if (argument == "--out")
        {
            if (!value(outOptions.mOut) || outOptions.mOut.empty())
                return "--out wants a folder";
        }
        else if (argument == "--timeout")
        {
            int seconds = 0;
            char rest = 0;
            if (!value(text) || std::sscanf(text.c_str(), "%d%c", &seconds, &rest) != 1 || seconds < 1 ||
                seconds > 3600)
                return "--timeout wants whole seconds, 1 to 3600";
            outOptions.mTimeout = seconds;
        }
        else if (argument == "--serve")
        {
            if (!value(outOptions.mServe) || outOptions.mServe.empty())
                return "--serve wants a folder";
        }
        else if (argument.size() > 1 && argument[0] == '-')
            return "unknown option " + argument;
        else if (argument.empty())
            return "an empty document name";
        else
            outOptions.mDocuments.push_back(argument);
    }
    return std::string();
}

std::string VaneReason(const std::exception_ptr& inError)
{
    try
    {
        std::rethrow_exception(inError);
    }
    catch (const std::bad_alloc&)
    {
        return "out of memory";
    }
    catch (const CxError& inCxError)
    {
        return inCxError.AsString().AsUtf8();
    }
    catch (const std::exception& inException)
    {
        return inException.what();
    }
    catch (...)
    {
        return "an unknown exception";
    }
}

// ---- the run

namespace
{

const fs::path kDemoFolder = fs::path(SKYVANE_SOURCE_DIR) / "Products" / "Skyvane" / "Demo";
// A map document is a few kilobytes of XML.
constexpr std::size_t kDocumentLimit = std::size_t(16) << 20;

class Stopwatch
{
public:
    double Seconds() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - mStart).count(); }

private:
    std::chrono::steady_clock::time_point mStart = std::chrono::steady_clock::now();
};

void Say(const Stopwatch& inClock, const std::string& inText)
{
    std::printf("%8.3f s  %s\n", inClock.Seconds(), inText.c_str());
    std::fflush(stdout);
}

void Complain(const std::string& inText)
{
    std::fflush(stdout);
    std::fprintf(stderr, "vanerender: %s\n", inText.c_str());
}

// HOME, the XDG folders, Mesa's shader cache and TMPDIR in a folder of their own, removed at the end: the run leaves
// nothing of its own outside the pictures' folder.
class Scratch
{
public:
    Scratch()
    {
        const char* tmp = std::getenv("TMPDIR");
        const std::string parent = tmp != nullptr && *tmp != 0 ? tmp : "/tmp";
        std::string pattern = parent + "/vanerender-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr)
        {
            mError = "cannot make a temporary folder in " + parent + ": " + std::strerror(errno);
            return;
        }
        mPath = pattern;
        const std::pair<const char*, const char*> folders[] = {
            {"HOME", "home"},           {"XDG_CONFIG_HOME", "config"},     {"XDG_CACHE_HOME", "cache"},
            {"XDG_DATA_HOME", "share"}, {"XDG_STATE_HOME", "state"},       {"XDG_DESKTOP_DIR", "desktop"},
            {"XDG_RUNTIME_DIR", "run"}, {"MESA_SHADER_CACHE_DIR", "mesa"}, {"TMPDIR", "tmp"}};
        for (const auto& [name, folder] : folders)
        {
            fs::create_directories(mPath / folder);
            setenv(name, (mPath / folder).c_str(), 1);
        }
        fs::permissions(mPath / "run", fs::perms::owner_all);
        // Mesa's shader cache goes with the folder: writing it out would only delay the end of every run, a
        // stopped one's too.
        setenv("MESA_SHADER_CACHE_DISABLE", "true", 1);
    }
    ~Scratch()
    {
        std::error_code ignored;
        if (!mPath.empty())
            fs::remove_all(mPath, ignored);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    bool IsValid() const { return !mPath.empty(); }
    const fs::path& Path() const { return mPath; }
    const std::string& Error() const { return mError; }

private:
    fs::path mPath;
    std::string mError;
};

// The signal that asked the run to stop, 0 while none has. The handler only sets flags, this one and the
// transfers' abort flag (a registry lookup may hold the main thread in a request): the loop that waits for data
// sees them within milliseconds, a document's download within a second, and the run then ends as it always does,
// its transfers aborted and joined and its scratch folder removed; the program then dies of the signal.
std::atomic<int> gStopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnStopSignal(int inSignal)
{
    gStopSignal.store(inSignal, std::memory_order_relaxed);
    CxUrl::AbortTransfers(true);
}

bool StopAsked()
{
    return gStopSignal.load(std::memory_order_relaxed) != 0;
}

// SIGINT, SIGTERM and SIGHUP recorded while a run (or the program's session) lasts; the caller's handlers
// afterwards. A signal ignored on entry stays ignored, as nohup and a shell's background jobs leave them.
class StopSignals
{
public:
    StopSignals()
    {
        // A signal that came after an earlier call in this process ended its transfers is not this call's.
        gStopSignal = 0;
        CxUrl::AbortTransfers(false);
        struct sigaction action
        {
        };
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
        {
            mInstalled[i] = sigaction(kSignals[i], nullptr, &mOld[i]) == 0 && mOld[i].sa_handler != SIG_IGN &&
                            sigaction(kSignals[i], &action, nullptr) == 0;
        }
    }
    ~StopSignals()
    {
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            if (mInstalled[i])
                sigaction(kSignals[i], &mOld[i], nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction mOld[std::size(kSignals)] = {};
    bool mInstalled[std::size(kSignals)] = {};
};

// The process's scratch folder and data server outlive one call: Mesa reads its environment once and the set
// registry its address once. The server goes before the folder it may still be reading.
struct Shared
{
    Scratch mScratch;
    VaneDemoServer mServer;
    std::string mServed;
    int mRuns = 0;
};

// Without a session, the process's own until it exits.
Shared& ProcessShared()
{
    static Shared sShared;
    return sShared;
}

// The session the program keeps, when there is one.
VaneSession::Parts* gSession = nullptr;

// The data log's lines as the job threads write them.
class LogFollower
{
public:
    explicit LogFollower(fs::path inPath) : mPath(std::move(inPath)) {}

    std::vector<std::string> NewLines()
    {
        std::vector<std::string> lines;
        std::ifstream in(mPath, std::ios::binary);
        if (!in)
            return lines;
        in.seekg(mOffset);
        std::string chunk((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        mOffset += std::streamoff(chunk.size());
        mPartial += chunk;
        for (std::size_t end = mPartial.find_first_of("\r\n"); end != std::string::npos;
             end = mPartial.find_first_of("\r\n"))
        {
            if (end > 0)
                lines.push_back(mPartial.substr(0, end));
            mPartial.erase(0, end + 1);
        }
        return lines;
    }

private:
    fs::path mPath;
    std::streamoff mOffset = 0;
    std::string mPartial;
};

std::string StatusText(int inStatus)
{
    static const std::map<int, const char*> kTexts = {
        {200, "OK"},          {304, "Not Modified"},       {400, "Bad Request"},        {401, "Unauthorized"},
        {403, "Forbidden"},   {404, "Not Found"},          {405, "Method Not Allowed"}, {500, "Internal Server Error"},
        {502, "Bad Gateway"}, {503, "Service Unavailable"}};
    if (inStatus == 0)
        return "0 (no reply)";
    const auto found = kTexts.find(inStatus);
    return std::to_string(inStatus) + (found != kTexts.end() ? std::string(" ") + found->second : std::string());
}

// Whether the two dates fall in one record of the manager's time resolution.
bool SameRecord(DxManager* inManager, const CxDate& inA, const CxDate& inB)
{
    if (inManager == nullptr)
        return inA == inB;
    CxAutoLock lock(inManager->Region());
    return inManager->ClipDate(inA) == inManager->ClipDate(inB);
}

bool IsUrl(const std::string& inText)
{
    return inText.rfind("http://", 0) == 0 || inText.rfind("https://", 0) == 0;
}

// The picture's name: the document's file name, or a URL's last path segment, without its extension.
std::string PictureName(const std::string& inDocument)
{
    std::string name = inDocument;
    if (IsUrl(name))
    {
        name = name.substr(0, name.find_first_of("?#"));
        while (!name.empty() && name.back() == '/')
            name.pop_back();
    }
    name = name.substr(name.find_last_of('/') + 1);
    if (const std::size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0)
        name.erase(dot);
    if (name.empty() || name.find("://") != std::string::npos || name.find(':') != std::string::npos)
        name = "map";
    return name + ".png";
}

// A throw out of the drawing may come from inside the GL driver (LLVM out of memory while llvmpipe compiles a
// shader), its frames left holding the driver's locks: the next GL call of ours, a display list's deletion say,
// would wait for good. So what holds GL objects is kept from then on, never destroyed and still reachable for the
// leak checker: the map (Render) and the context (VaneRender). Room is made before each drawing, so keeping them
// allocates nothing.
struct AbandonedGL
{
    std::vector<WxMap*> mMaps;
    std::vector<GxAGLContext*> mContexts;

    static AbandonedGL& Get()
    {
        static auto* sKept = new AbandonedGL;
        return *sKept;
    }
    void MakeRoom()
    {
        mMaps.reserve(mMaps.size() + 1);
        mContexts.reserve(mContexts.size() + 1);
    }
};

// Takes the map from its owner when a throw leaves the drawing, while the stack unwinds and before the owner
// would delete it; its tracking timer stops, so nothing drives it again.
class MapKeeper
{
public:
    MapKeeper(std::unique_ptr<WxMap>& ioMap, const bool& inDrawing) : mMap(ioMap), mDrawing(inDrawing) {}
    ~MapKeeper()
    {
        if (std::uncaught_exceptions() <= mExceptions || !mDrawing || !mMap)
            return;
        WxMap* map = mMap.release();
        if (map->IsTracking())
            map->ToggleRealTime();
        AbandonedGL::Get().mMaps.push_back(map);
    }
    MapKeeper(const MapKeeper&) = delete;
    MapKeeper& operator=(const MapKeeper&) = delete;

private:
    std::unique_ptr<WxMap>& mMap;
    const bool& mDrawing;
    const int mExceptions = std::uncaught_exceptions();
};

struct SetState
{
    DxSet* mSet = nullptr;
    DxManager* mManager = nullptr;
    bool mAnswered = false;
    // The last request that failed: its URL and status, and when it was seen.
    std::string mFailedUrl;
    int mFailedStatus = 200;
    double mFailedAt = 0.0;
    // What the data log said of a file that arrived but was not kept.
    std::string mRefused;
};

struct ProductState
{
    WxProduct* mProduct = nullptr;
    DxClient* mClient = nullptr;
    SetState* mSet = nullptr;
    bool mFramed = false;
};

class Renderer
{
public:
    Renderer(const VaneOptions& inOptions, const Stopwatch& inClock, GxAGLContext& ioContext, LogFollower& ioLog)
        : mOptions(inOptions), mClock(inClock), mContext(ioContext), mLog(ioLog)
    {
    }

    int Render(const std::string& inDocument, const fs::path& inOut);
    // Render, an exception of the document (out of memory, say) its failure.
    int Attempt(const std::string& inDocument, const fs::path& inOut);
    // A document stopped or threw while drawing, the context's state perhaps left pushed (Begin2D, attributes): no
    // document after it is drawn with that context.
    bool Broken() const { return mDrawing; }
    // An exception came out of the drawing: the context must not be used, nor deleted.
    bool DrawingThrew() const { return mDrawingThrew; }
    const std::vector<VaneTimings>& Timings() const { return mTimings; }

private:
    bool ReadDocument(const std::string& inDocument, std::string& outText);
    void FollowLog(double inWaitStart);
    bool Answered(SetState& ioSet);
    std::string Reason(const SetState& inSet) const;
    std::string TakeName(const std::string& inDocument);
    std::string ExportPicture(const fs::path& inPicture);

    const VaneOptions& mOptions;
    const Stopwatch& mClock;
    GxAGLContext& mContext;
    LogFollower& mLog;
    std::map<DxSet*, SetState> mSets;
    std::vector<ProductState> mProducts;
    std::set<DxManager*> mRefreshed;
    CxDate mDate;
    std::vector<VaneTimings> mTimings;
    // The pictures' names this run has written.
    std::set<std::string> mTaken;
    bool mDrawing = false;
    bool mDrawingThrew = false;
};

// A document of a name another has already drawn takes the first free name after it, "map-2.png", "map-3.png".
std::string Renderer::TakeName(const std::string& inDocument)
{
    const std::string first = PictureName(inDocument);
    std::string name = first;
    const std::string stem = first.substr(0, first.size() - 4);
    for (int n = 2; mTaken.count(name) != 0; ++n)
        name = stem + "-" + std::to_string(n) + ".png";
    mTaken.insert(name);
    return name;
}

// The picture exported whole into a fresh file, which then takes the picture's name in one step: a reader, a
// parallel run or a kill never meets half a picture there, and a link at the name is replaced, not followed. On
// failure, a stop or an exception only the fresh file goes. "" when written, else why not.
std::string Renderer::ExportPicture(const fs::path& inPicture)
{
    try
    {
        return pf::WriteWholeFile(
            inPicture.string(), [&](int inFile)
            { return mContext.Export(CxString("image/png"), inFile, nullptr, StopAsked) ? "" : "stopped"; });
    }
    catch (...)
    {
        // The encoder's error, or the read-back of a large picture running out of memory.
        return VaneReason(std::current_exception());
    }
}

bool Renderer::ReadDocument(const std::string& inDocument, std::string& outText)
{
    if (IsUrl(inDocument))
    {
        std::string why;
        if (!VaneFetch(inDocument, outText, why, kDocumentLimit, mOptions.mTimeout, StopAsked))
        {
            Complain(inDocument + ": " + why);
            return false;
        }
        return true;
    }
    std::ifstream in(inDocument, std::ios::binary);
    if (!in)
    {
        Complain(inDocument + ": cannot be read");
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    outText = text.str();
    return true;
}

void Renderer::FollowLog(double inWaitStart)
{
    for (const std::string& line : mLog.NewLines())
    {
        // "HH:MM:SS " then the set's id, a blank and what happened.
        if (line.size() < 10)
            continue;
        const std::string rest = line.substr(9);
        SetState* state = nullptr;
        std::string what;
        for (auto& [set, candidate] : mSets)
        {
            const std::string id = set->Id().AsUtf8() + " ";
            if (rest.rfind(id, 0) == 0 && (state == nullptr || id.size() > what.size()))
            {
                state = &candidate;
                what = id;
            }
        }
        if (state == nullptr)
            continue;
        const std::string id = what.substr(0, what.size() - 1);
        what = rest.substr(what.size());
        std::istringstream words(what);
        std::string verb, url;
        words >> verb >> url;
        const std::size_t last = what.rfind(" -- ");
        const int status = last != std::string::npos ? std::atoi(what.c_str() + last + 4) : 200;
        std::string step;
        if (verb == "HEAD")
            step = "search " + url + " -- " + StatusText(status);
        else if (verb == "GET" && what.find(" results) ") != std::string::npos)
            step = "date query " + url + " -- " + StatusText(status);
        else if (verb == "GET" && what.find(" -- ") != last)
        {
            // Bytes and seconds between the two markers.
            const std::size_t first = what.find(" -- ");
            std::istringstream numbers(what.substr(first + 4));
            long long bytes = 0;
            numbers >> bytes;
            step = "download " + url + " -- " + StatusText(status) +
                   (status == 200 ? " (" + std::to_string(bytes) + " bytes)" : std::string());
        }
        else if (verb == "GET")
            step = (url.find("/nimbrel/registry.php") != std::string::npos ? "registry and configuration "
                                                                           : "configuration ") +
                   url + " -- " + StatusText(status);
        else
        {
            step = what;
            // The manager's words for a reply it would not keep.
            if (what.find(" not written.") != std::string::npos ||
                what.find(" unsupported mime type") != std::string::npos)
            {
                state->mRefused = what;
                while (!state->mRefused.empty() && (state->mRefused.back() == '.' || state->mRefused.back() == ' '))
                    state->mRefused.pop_back();
                state->mRefused.erase(0, state->mRefused.find_first_not_of(' '));
            }
        }
        Say(mClock, id + ": " + step);
        if ((verb == "GET" || verb == "HEAD") && status != 200 && status != 304)
        {
            state->mFailedUrl = url;
            state->mFailedStatus = status;
            state->mFailedAt = mClock.Seconds() - inWaitStart;
        }
    }
}

bool Renderer::Answered(SetState& ioSet)
{
    // Settled only when its manager has nothing left to do: a configuration refreshed while the first frames are
    // decoded fetches the data again and drops those frames until it has.
    bool idle = ioSet.mManager == nullptr;
    if (!idle && mRefreshed.count(ioSet.mManager) != 0)
    {
        CxAutoLock lock(ioSet.mManager->Region());
        idle = ioSet.mManager->CountJobs() == 0;
    }
    ioSet.mAnswered = idle;
    return idle;
}

std::string Renderer::Reason(const SetState& inSet) const
{
    if (inSet.mManager == nullptr)
        return "a data set of a kind without a manager";
    if (inSet.mFailedUrl.empty())
        return !inSet.mRefused.empty() ? inSet.mRefused : "no data at " + mDate.AsString().AsUtf8();
    if (inSet.mFailedStatus != 0)
        return StatusText(inSet.mFailedStatus);
    if (inSet.mFailedAt >= mOptions.mTimeout - 0.5)
        return "time-out after " + std::to_string(mOptions.mTimeout) + " s";
    const std::string why = CxUrl::LastReason(CxString::FromUtf8(inSet.mFailedUrl)).AsUtf8();
    return why.empty() ? "no reply" : why;
}

int Renderer::Render(const std::string& inDocument, const fs::path& inOut)
{
    mSets.clear();
    mProducts.clear();
    if (StopAsked())
        return kVaneFailed;
    VaneTimings timings;
    timings.mDocument = inDocument;
    const double start = mClock.Seconds();
    std::string text;
    if (!ReadDocument(inDocument, text))
        return kVaneUsage;
    WxParser parser;
    if (!parser.Parse(text.data(), text.size(), true))
    {
        Complain(inDocument + ":" + std::to_string(parser.ErrorLine()) + ": " + parser.ErrorMessage().AsUtf8());
        return kVaneUsage;
    }
    if (!parser.HasMap())
    {
        Complain(inDocument + (parser.HasGraph() ? " holds no map (a graph document)" : " holds no map"));
        return kVaneUsage;
    }
    std::unique_ptr<WxMap> map(parser.Map());
    if (!map)
    {
        Complain(inDocument + ": " + parser.LastErrorMessage().AsUtf8());
        return kVaneUsage;
    }
    const MapKeeper keeper(map, mDrawing);
    mDate = map->Date();
    Say(mClock, "document read: " + inDocument + ", " + std::to_string(map->ProductCount()) + " layers at " +
                    mDate.AsString().AsUtf8());

    for (auto product = map->ProductBegin(); product != map->ProductEnd(); ++product)
    {
        auto* client = dynamic_cast<DxClient*>(*product);
        if (client == nullptr || client->Set() == nullptr)
            continue;
        SetState& state = mSets[client->Set()];
        if (state.mSet == nullptr)
        {
            state.mSet = client->Set();
            state.mManager = client->Set()->Manager();
            Say(mClock, "data set " + state.mSet->Id().AsUtf8() + ": " +
                            DxManagerTypeToString(state.mSet->Kind()).AsUtf8() + " data");
        }
        mProducts.push_back({*product, client, &state, false});
    }
    // The managers read their configuration at once rather than at their first timer tick.
    for (auto& [set, state] : mSets)
        if (state.mManager != nullptr && mRefreshed.insert(state.mManager).second)
            state.mManager->UpdateConfig();

    const double waitStart = mClock.Seconds();
    timings.mRead = waitStart - start;
    const auto allAnswered = [&]
    {
        FollowLog(waitStart);
        for (ProductState& product : mProducts)
        {
            if (product.mClient->Frame() == nullptr)
                product.mFramed = false;
            if (product.mFramed || product.mClient->Frame() == nullptr)
                continue;
            // A frame of the record the map's date falls in: a radar volume, say, is dated when it ends.
            const CxDate date = product.mClient->FrameDate();
            if (date == DxManager::sMissingDate || SameRecord(product.mClient->Manager(), date, mDate))
            {
                product.mFramed = true;
                Say(mClock, product.mSet->mSet->Id().AsUtf8() + ": decoded, frame for \"" +
                                product.mProduct->Name().AsUtf8() + "\"" +
                                (date != DxManager::sMissingDate ? " at " + date.AsString().AsUtf8() : std::string()));
            }
        }
        bool all = true;
        for (auto& [set, state] : mSets)
            all = Answered(state) && all;
        return all;
    };
    pf::MainLoop().RunUntil([&] { return StopAsked() || allAnswered(); }, std::chrono::seconds(mOptions.mTimeout));
    if (StopAsked())
        return kVaneFailed;
    // A last pass: what arrived in the same turn as the last answer.
    pf::MainLoop().RunUntil([] { return false; }, std::chrono::milliseconds(20));
    allAnswered();

    const double drawStart = mClock.Seconds();
    timings.mData = drawStart - waitStart;
    int result = kVaneDone;
    for (ProductState& product : mProducts)
    {
        if (product.mFramed)
            continue;
        SetState& set = *product.mSet;
        std::string reason = Reason(set);
        if (!set.mAnswered)
            reason = "time-out after " + std::to_string(mOptions.mTimeout) + " s";
        product.mProduct->SetIconBadge(kWxBadgeNoData);
        product.mProduct->SetStatus(CxString::FromUtf8(reason));
        Say(mClock, set.mSet->Id().AsUtf8() + ": no data for \"" + product.mProduct->Name().AsUtf8() +
                        "\": " + (set.mFailedUrl.empty() ? std::string() : set.mFailedUrl + " -- ") + reason);
        result = kVaneNoData;
    }

    // A stop from here on writes no picture of this document: each step below asks between parts of well under a
    // second.
    if (StopAsked())
        return kVaneFailed;
    const VaneView view = VaneFrameMap(*map, parser.Root(), mOptions.mWidth, mOptions.mHeight);
    AbandonedGL::Get().MakeRoom();
    mDrawing = true;
    mContext.MakeCurrent();
    glShadeModel(GL_SMOOTH);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    VaneApplyView(*map, view);
    map->BeginDraw();
    if (!map->DrawMap(mContext, StopAsked) || StopAsked())
        return kVaneFailed;
    if (view.mLegendVisible && !map->DrawLegend(mContext, VaneLegendRect(view), false, false, StopAsked))
        return kVaneFailed;
    map->EndDraw();
    mContext.SwapBuffers();
    // The drawing is done when its pixels are.
    glFinish();
    mDrawing = false;
    if (StopAsked())
        return kVaneFailed;
    const double exportStart = mClock.Seconds();
    timings.mDraw = exportStart - drawStart;
    Say(mClock, "drawn");

    const fs::path picture = inOut / TakeName(inDocument);
    const std::string failure = ExportPicture(picture);
    if (StopAsked())
        return kVaneFailed;
    if (!failure.empty())
    {
        Complain(picture.string() + ": the picture could not be written (" + failure + ")");
        return kVaneFailed;
    }
    timings.mExport = mClock.Seconds() - exportStart;
    mTimings.push_back(timings);
    Say(mClock, "exported");

    std::string layers;
    for (auto product = map->ProductBegin(); product != map->ProductEnd(); ++product)
        layers += (layers.empty() ? "" : ", ") + (*product)->Name().AsUtf8();
    std::printf("Picture: %s\n  %s map, %s: %s%s\n", picture.c_str(), map->Projection()->Id().AsUtf8().c_str(),
                mDate.AsString().AsUtf8().c_str(), layers.c_str(),
                result == kVaneDone ? "" : " (some layers lack data)");
    std::fflush(stdout);
    return result;
}

int Renderer::Attempt(const std::string& inDocument, const fs::path& inOut)
{
    try
    {
        return Render(inDocument, inOut);
    }
    catch (...)
    {
        if (mDrawing)
            mDrawingThrew = true;
        // Nothing concatenated: memory may still be short, and a throw from here would take the context down.
        const std::string reason = VaneReason(std::current_exception());
        std::fflush(stdout);
        std::fprintf(stderr, "vanerender: %s: %s (%s)%s\n", inDocument.c_str(),
                     mDrawing ? "could not be drawn" : "failed", reason.c_str(),
                     mDrawing ? "; the run ends there" : "");
    }
    return kVaneFailed;
}

// The job threads of the plug-in: two for the network, one for decoding, one for housekeeping.
std::vector<std::unique_ptr<CxJobThread>> StartJobThreads()
{
    std::vector<std::unique_ptr<CxJobThread>> threads;
    for (auto [type, id] : {std::pair{100, 1}, {100, 2}, {101, 5}, {102, 7}})
        threads.push_back(std::make_unique<CxJobThread>(type, id));
    return threads;
}

// The nearest folder above the document, by its real path, that is a checkout's demo folder; "" with the reason
// when there is none.
std::string DemoFolderOf(const std::string& inDocument, std::string& outWhy)
{
    if (IsUrl(inDocument))
    {
        outWhy = inDocument + " is a URL";
        return std::string();
    }
    std::error_code error;
    const fs::path real = fs::canonical(inDocument, error);
    if (error)
    {
        outWhy = inDocument + " cannot be found";
        return std::string();
    }
    for (fs::path folder = real.parent_path(); folder.has_relative_path(); folder = folder.parent_path())
        if (folder.filename() == "Demo" && folder.parent_path().filename() == "Skyvane" &&
            folder.parent_path().parent_path().filename() == "Products")
            return folder.string();
    outWhy = inDocument + " is in no Products/Skyvane/Demo folder";
    return std::string();
}

// The demo folder the documents share, or "" with the reason.
std::string ImpliedServe(const std::vector<std::string>& inDocuments, std::string& outWhy)
{
    std::string shared;
    for (const std::string& document : inDocuments)
    {
        const std::string folder = DemoFolderOf(document, outWhy);
        if (folder.empty())
            return std::string();
        if (!shared.empty() && folder != shared)
        {
            outWhy = "the documents are in two demo folders, " + shared + " and " + folder;
            return std::string();
        }
        shared = folder;
    }
    return shared;
}

} // namespace

// The handlers first and gone last: a signal while the server stops or the folder goes is still only recorded.
struct VaneSession::Parts
{
    StopSignals mSignals;
    Shared mShared;
};

VaneSession::VaneSession() : mParts(gSession == nullptr ? std::make_unique<Parts>() : nullptr)
{
    if (mParts)
        gSession = mParts.get();
}

VaneSession::~VaneSession()
{
    if (!mParts)
        return;
    gSession = nullptr;
    mParts.reset();
}

int VaneFinish(int inStatus)
{
    const int signal = gStopSignal.load();
    if (signal == 0)
        return inStatus;
    if (inStatus != 128 + signal)
        Complain(std::string("stopped by SIG") + sigabbrev_np(signal));
    std::fflush(stdout);
    std::fflush(stderr);
    struct sigaction action
    {
    };
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    raise(signal);
    // Not reached: the default action of the three ends the process.
    return 128 + signal;
}

int VaneRender(const VaneOptions& inOptions, std::vector<VaneTimings>* outTimings)
{
    const Stopwatch clock;
    std::optional<StopSignals> stopSignals;
    if (gSession == nullptr)
        stopSignals.emplace();
    std::vector<std::string> documents = inOptions.mDocuments;
    if (documents.empty())
        documents = {(kDemoFolder / "europe-pressure.vanedoc").string(),
                     (kDemoFolder / "alabama-radar.vanedoc").string()};
    // The data of a checkout's own demo folder, whichever checkout built the tool.
    std::string serve = inOptions.mServe;
    std::string noServer;
    if (serve.empty())
        serve = ImpliedServe(documents, noServer);

    // Relative names are the caller's: read them before anything changes the environment.
    fs::path out = fs::absolute(inOptions.mOut.empty() ? fs::current_path() : fs::path(inOptions.mOut));
    std::error_code error;
    fs::create_directories(out, error);
    if (error || !fs::is_directory(out) || access(out.c_str(), W_OK) != 0)
    {
        Complain(out.string() + ": not a writable folder" + (error ? " (" + error.message() + ")" : std::string()));
        return kVaneFailed;
    }
    // The files' own names hold no "." or ".." parts.
    out = fs::canonical(out, error);
    if (error)
    {
        Complain(inOptions.mOut + ": not a writable folder (" + error.message() + ")");
        return kVaneFailed;
    }

    // Each call starts from empty data and cache roots of its own.
    Shared& shared = gSession != nullptr ? gSession->mShared : ProcessShared();
    if (!shared.mScratch.IsValid())
    {
        Complain(shared.mScratch.Error());
        return kVaneFailed;
    }
    if (std::getenv("SKYVANE_BUNDLE") == nullptr)
        setenv("SKYVANE_BUNDLE", (fs::path(SKYVANE_SOURCE_DIR) / "Products" / "Skyvane" / "Resources").c_str(), 1);
    _CxDebugMode(kCxDebugLog);

    if (!serve.empty() && serve != shared.mServed)
    {
        if (!shared.mServed.empty())
        {
            Complain("cannot serve " + serve + ": this process serves " + shared.mServed);
            return kVaneFailed;
        }
        const std::string base = shared.mServer.Start(serve);
        if (base.empty())
        {
            Complain("cannot serve " + serve + ": " + shared.mServer.Error());
            return kVaneFailed;
        }
        shared.mServed = serve;
        setenv("SKYVANE_SERVER_REGISTRY", base.c_str(), 1);
    }
    if (!serve.empty())
        Say(clock, "serving " + serve + " at " + shared.mServer.Base());
    else
        Say(clock, "no data server: " + noServer);

    auto context = std::make_unique<GxAGLContext>(nullptr, CxRect(0, 0, inOptions.mWidth, inOptions.mHeight),
                                                  CxRect(0, 0, inOptions.mWidth, inOptions.mHeight));
    if (!context->IsValid())
    {
        Complain("no OpenGL context (EGL on Mesa, surfaceless)");
        return kVaneFailed;
    }

    const std::string run = "run" + std::to_string(++shared.mRuns);
    const fs::path roots = shared.mScratch.Path() / run;
    fs::create_directories(roots / "data", error);
    fs::create_directories(roots / "cache", error);
    CxUrl::InitGlobals();
    CxUrl::SetAgentWithProduct("vanerender", "1.0", "");
    CxUrl::SetOverallTimeout(inOptions.mTimeout);
    CxInstallEventHandler();
    DxUnit::Load();
    WxRegisterProducts();
    DxManager::SetRootDataFolder(CxFolder(CxFileRef{(roots / "data").string()}));
    DxManager::SetRootCacheFolder(CxFolder(CxFileRef{(roots / "cache").string()}));
    DxLogger::Instance().CreateLog(CxString::FromUtf8(run + ".log"));
    LogFollower log(shared.mScratch.Path() / "state" / "skyvane" / (run + ".log"));
    std::vector<std::unique_ptr<CxJobThread>> threads = StartJobThreads();

    int result = kVaneDone;
    {
        Renderer renderer(inOptions, clock, *context, log);
        for (const std::string& document : documents)
        {
            const int one = renderer.Attempt(document, out);
            // The worst outcome counts: a failure, then a usage error, then missing data.
            const auto rank = [](int inCode) {
                return inCode == kVaneFailed ? 3 : inCode == kVaneUsage ? 2 : inCode == kVaneNoData ? 1 : 0;
            };
            if (rank(one) > rank(result))
                result = one;
            if (renderer.Broken())
                break;
        }
        if (renderer.DrawingThrew())
            AbandonedGL::Get().mContexts.push_back(context.release());
        if (outTimings != nullptr)
            *outTimings = renderer.Timings();
    }
    Say(clock, "total");

    CxUrl::AbortTransfers(true);
    threads.clear();
    CxUrl::AbortTransfers(false);
    DxSet::DeleteAllSets();
    DxLogger::Instance().AttachLog(nullptr);
    context.reset();
    CxRemoveEventHandler();
    CxUrl::CleanupGlobals();
    fs::remove_all(roots, error);
    if (const int signal = gStopSignal.load(); signal != 0)
    {
        Complain(std::string("stopped by SIG") + sigabbrev_np(signal));
        return 128 + signal;
    }
    return result;
}
