#include "VaneRender.h"

#include "CxDebug.h"
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
#include "VaneDemoServer.h"
#include "WxMap.h"
#include "WxParser.h"
#include "WxProduct.h"
#include "WxProductTable.h"
#include "XmlElement.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <numbers>
#include <optional>
#include <set>
#include <sstream>

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
           "  --serve DIR   serve DIR as the data server and its registry on 127.0.0.1 (implied for the\n"
           "                bundled documents); otherwise SKYVANE_SERVER_REGISTRY chooses the server\n"
           "  --help        this text\n"
           "\n"
           "Exit status: 0 every data set answered; 3 a picture lacks data; 2 usage or unreadable document;\n"
           "1 any other failure.\n";
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

// ---- the run

namespace
{

const fs::path kDemoFolder = fs::path(SKYVANE_SOURCE_DIR) / "Products" / "Skyvane" / "Demo";

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

// HOME, the XDG folders and Mesa's shader cache in a folder of their own, removed at the end: the run leaves
// nothing of its own outside the pictures' folder.
class Scratch
{
public:
    Scratch()
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr && *tmp != 0 ? tmp : "/tmp") + "/vanerender-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr)
            return;
        mPath = pattern;
        const std::pair<const char*, const char*> folders[] = {
            {"HOME", "home"},           {"XDG_CONFIG_HOME", "config"},    {"XDG_CACHE_HOME", "cache"},
            {"XDG_DATA_HOME", "share"}, {"XDG_STATE_HOME", "state"},      {"XDG_DESKTOP_DIR", "desktop"},
            {"XDG_RUNTIME_DIR", "run"}, {"MESA_SHADER_CACHE_DIR", "mesa"}};
        for (const auto& [name, folder] : folders)
        {
            fs::create_directories(mPath / folder);
            setenv(name, (mPath / folder).c_str(), 1);
        }
        fs::permissions(mPath / "run", fs::perms::owner_all);
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

private:
    fs::path mPath;
};

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

struct SetState
{
    DxSet* mSet = nullptr;
    DxManager* mManager = nullptr;
    bool mAnswered = false;
    // The last request that failed: its URL and status, and when it was seen.
    std::string mFailedUrl;
    int mFailedStatus = 200;
    double mFailedAt = 0.0;
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
    const std::vector<VaneTimings>& Timings() const { return mTimings; }

private:
    bool ReadDocument(const std::string& inDocument, std::string& outText);
    void FollowLog(double inWaitStart);
    bool Answered(SetState& ioSet);
    std::string Reason(const SetState& inSet) const;

    const VaneOptions& mOptions;
    const Stopwatch& mClock;
    GxAGLContext& mContext;
    LogFollower& mLog;
    std::map<DxSet*, SetState> mSets;
    std::vector<ProductState> mProducts;
    std::set<DxManager*> mRefreshed;
    CxDate mDate;
    std::vector<VaneTimings> mTimings;
};

bool Renderer::ReadDocument(const std::string& inDocument, std::string& outText)
{
    if (IsUrl(inDocument))
    {
        CxUrl url(CxString::FromUtf8(inDocument));
        const CxData body = url.Get();
        if (url.ResponseCode() != 200)
        {
            Complain(inDocument + ": " +
                     (url.ResponseCode() == 0 ? std::string("no reply") : StatusText(url.ResponseCode())));
            return false;
        }
        CxData copy(body);
        copy.Lock();
        outText.assign(static_cast<const char*>(copy.Pointer()), copy.Size());
        copy.Unlock();
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
            step = what;
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
    if (ioSet.mAnswered)
        return true;
    bool framed = true;
    for (const ProductState& product : mProducts)
        framed = framed && (product.mSet != &ioSet || product.mFramed);
    bool idle = false;
    if (ioSet.mManager != nullptr && mRefreshed.count(ioSet.mManager) != 0)
    {
        CxAutoLock lock(ioSet.mManager->Region());
        idle = ioSet.mManager->CountJobs() == 0;
    }
    ioSet.mAnswered = framed || idle || ioSet.mManager == nullptr;
    return ioSet.mAnswered;
}

std::string Renderer::Reason(const SetState& inSet) const
{
    if (inSet.mManager == nullptr)
        return "a data set of a kind without a manager";
    if (inSet.mFailedUrl.empty())
        return "no data at " + mDate.AsString().AsUtf8();
    std::string reason;
    if (inSet.mFailedStatus != 0)
        reason = StatusText(inSet.mFailedStatus);
    else if (inSet.mFailedAt >= mOptions.mTimeout - 0.5)
        reason = "time-out after " + std::to_string(mOptions.mTimeout) + " s";
    else
        reason = "connection refused";
    return reason;
}

int Renderer::Render(const std::string& inDocument, const fs::path& inOut)
{
    mSets.clear();
    mProducts.clear();
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
    pf::MainLoop().RunUntil(allAnswered, std::chrono::seconds(mOptions.mTimeout));
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

    const VaneView view = VaneFrameMap(*map, parser.Root(), mOptions.mWidth, mOptions.mHeight);
    mContext.MakeCurrent();
    glShadeModel(GL_SMOOTH);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    VaneApplyView(*map, view);
    map->BeginDraw();
    map->DrawMap(mContext);
    if (view.mLegendVisible)
        map->DrawLegend(mContext, VaneLegendRect(view), false, false);
    map->EndDraw();
    mContext.SwapBuffers();
    // The drawing is done when its pixels are.
    glFinish();
    const double exportStart = mClock.Seconds();
    timings.mDraw = exportStart - drawStart;
    Say(mClock, "drawn");

    const fs::path picture = inOut / PictureName(inDocument);
    {
        std::ofstream touch(picture, std::ios::binary | std::ios::trunc);
        if (!touch)
        {
            Complain(picture.string() + ": cannot be written");
            return kVaneFailed;
        }
    }
    CxFile file(CxString::FromUtf8(picture.string()), false);
    mContext.Export(CxString("image/png"), file, nullptr);
    std::error_code error;
    if (fs::file_size(picture, error) == 0 || error)
    {
        Complain(picture.string() + ": the picture could not be written");
        return kVaneFailed;
    }
    timings.mExport = mClock.Seconds() - exportStart;
    mTimings.push_back(timings);
    Say(mClock, "exported");

    std::string layers;
    for (auto product = map->ProductBegin(); product != map->ProductEnd(); ++product)
        layers += (layers.empty() ? "" : ", ") + (*product)->Name().AsUtf8();
    std::printf("Picture: %s\n  %s map, %s: %s%s\n", fs::absolute(picture).c_str(),
                map->Projection()->Id().AsUtf8().c_str(), mDate.AsString().AsUtf8().c_str(), layers.c_str(),
                result == kVaneDone ? "" : " (some layers lack data)");
    std::fflush(stdout);
    return result;
}

// The job threads of the plug-in: two for the network, one for decoding, one for housekeeping.
std::vector<std::unique_ptr<CxJobThread>> StartJobThreads()
{
    std::vector<std::unique_ptr<CxJobThread>> threads;
    for (auto [type, id] : {std::pair{100, 1}, {100, 2}, {101, 5}, {102, 7}})
        threads.push_back(std::make_unique<CxJobThread>(type, id));
    return threads;
}

bool InsideDemoFolder(const std::string& inDocument)
{
    if (IsUrl(inDocument))
        return false;
    std::error_code error;
    const fs::path real = fs::canonical(inDocument, error);
    const fs::path demo = fs::canonical(kDemoFolder, error);
    if (error || real.empty())
        return false;
    return std::mismatch(demo.begin(), demo.end(), real.begin(), real.end()).first == demo.end();
}

} // namespace

int VaneRender(const VaneOptions& inOptions, std::vector<VaneTimings>* outTimings)
{
    const Stopwatch clock;
    std::vector<std::string> documents = inOptions.mDocuments;
    std::string serve = inOptions.mServe;
    if (documents.empty())
    {
        documents = {(kDemoFolder / "europe-pressure.vanedoc").string(),
                     (kDemoFolder / "alabama-radar.vanedoc").string()};
        serve = serve.empty() ? kDemoFolder.string() : serve;
    }
    else if (serve.empty() && std::all_of(documents.begin(), documents.end(), InsideDemoFolder))
        serve = kDemoFolder.string();

    // Relative names are the caller's: read them before anything changes the environment.
    const fs::path out = fs::absolute(inOptions.mOut.empty() ? fs::current_path() : fs::path(inOptions.mOut));
    std::error_code error;
    fs::create_directories(out, error);
    if (error || !fs::is_directory(out) || access(out.c_str(), W_OK) != 0)
    {
        Complain(out.string() + ": not a writable folder" + (error ? " (" + error.message() + ")" : std::string()));
        return kVaneFailed;
    }

    // The process's scratch folder and data server outlive one call: Mesa reads its cache folder once and the set
    // registry its address once. Each call still starts from empty data and cache roots of its own.
    static Scratch sScratch;
    static VaneDemoServer sServer;
    static std::string sServed;
    static int sRuns = 0;
    if (!sScratch.IsValid())
    {
        Complain("cannot make a temporary folder");
        return kVaneFailed;
    }
    if (std::getenv("SKYVANE_BUNDLE") == nullptr)
        setenv("SKYVANE_BUNDLE", (fs::path(SKYVANE_SOURCE_DIR) / "Products" / "Skyvane" / "Resources").c_str(), 1);
    _CxDebugMode(kCxDebugLog);

    if (!serve.empty() && serve != sServed)
    {
        if (!sServed.empty())
        {
            Complain("cannot serve " + serve + ": this process serves " + sServed);
            return kVaneFailed;
        }
        const std::string base = sServer.Start(serve);
        if (base.empty())
        {
            Complain("cannot serve " + serve + ": " + sServer.Error());
            return kVaneFailed;
        }
        sServed = serve;
        setenv("SKYVANE_SERVER_REGISTRY", base.c_str(), 1);
    }
    if (!serve.empty())
        Say(clock, "data server: " + serve + " at " + sServer.Base());

    auto context = std::make_unique<GxAGLContext>(nullptr, CxRect(0, 0, inOptions.mWidth, inOptions.mHeight),
                                                  CxRect(0, 0, inOptions.mWidth, inOptions.mHeight));
    if (!context->IsValid())
    {
        Complain("no OpenGL context (EGL on Mesa, surfaceless)");
        return kVaneFailed;
    }

    const std::string run = "run" + std::to_string(++sRuns);
    const fs::path roots = sScratch.Path() / run;
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
    LogFollower log(sScratch.Path() / "state" / "skyvane" / (run + ".log"));
    std::vector<std::unique_ptr<CxJobThread>> threads = StartJobThreads();

    int result = kVaneDone;
    {
        Renderer renderer(inOptions, clock, *context, log);
        for (const std::string& document : documents)
        {
            const int one = renderer.Render(document, out);
            // The worst outcome counts: a failure, then a usage error, then missing data.
            const auto rank = [](int inCode) {
                return inCode == kVaneFailed ? 3 : inCode == kVaneUsage ? 2 : inCode == kVaneNoData ? 1 : 0;
            };
            if (rank(one) > rank(result))
                result = one;
        }
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
    return result;
}
