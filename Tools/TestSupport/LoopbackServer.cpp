#include "LoopbackServer.h"

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#if defined(__SANITIZE_THREAD__)
// Debian builds cpp-httplib without ThreadSanitizer: its workers share lazily built tables whose guards are inline
// atomics the tool cannot see, so their reads look like races. Ignoring calls from inside the library instead
// ("called_from_lib") also drops its socket and mutex synchronisation and makes false races elsewhere, so only
// reports with a library frame are dropped. Handlers run on library threads, so their races are dropped too; the
// code under test never runs there.
extern "C" const char* __tsan_default_suppressions()
{
    return "race:libcpp-httplib.so\n";
}
#endif

namespace sky::test
{

namespace
{

const char* const kDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr int kMaxDelayMs = 2000;

bool SameNameNoCase(std::string_view inA, std::string_view inB)
{
    return inA.size() == inB.size() && std::equal(inA.begin(), inA.end(), inB.begin(),
                                                  [](char inX, char inY) {
                                                      return std::tolower(static_cast<unsigned char>(inX)) ==
                                                             std::tolower(static_cast<unsigned char>(inY));
                                                  });
}

std::string Base64(std::string_view inText)
{
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < inText.size(); i += 3)
    {
        const unsigned v =
            (unsigned char)inText[i] << 16 | (unsigned char)inText[i + 1] << 8 | (unsigned char)inText[i + 2];
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (i + 1 == inText.size())
    {
        const unsigned v = (unsigned char)inText[i] << 16;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += "==";
    }
    else if (i + 2 == inText.size())
    {
        const unsigned v = (unsigned char)inText[i] << 16 | (unsigned char)inText[i + 1] << 8;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

void ReplaceAll(std::string& ioText, std::string_view inFind, std::string_view inWith)
{
    for (std::size_t at = ioText.find(inFind); at != std::string::npos; at = ioText.find(inFind, at + inWith.size()))
        ioText.replace(at, inFind.size(), inWith);
}

std::string Gzipped(const std::string& inBody)
{
    std::string out;
    httplib::detail::gzip_compressor compressor;
    const bool ok = compressor.compress(inBody.data(), inBody.size(), true,
                                        [&](const char* inData, size_t inLength)
                                        {
                                            out.append(inData, inLength);
                                            return true;
                                        });
    if (!ok)
        throw std::runtime_error("LoopbackServer: gzip failed");
    return out;
}

enum class RouteKind
{
    kDocument,
    kHandler,
    kRedirect
};

struct RouteConfig
{
    RouteKind kind = RouteKind::kDocument;
    int status = 200;
    std::string contentType;
    std::string body;
    HttpHandler handler;
    std::string location; // redirects: a path of this server or an absolute URL
    bool sendLastModified = true;
    std::time_t lastModified = 0;
    bool requireAuth = false;
    std::string user;
    std::string password;
    int delayMs = 0;
    bool cut = false;
    std::size_t cutAfter = 0;
    bool shortLength = false;
    std::size_t announced = 0;
    bool hang = false;
    int trickleMs = 0;
    bool gzip = false;
    std::vector<HttpHeader> headers;
};

} // namespace

std::string HttpRequest::Header(std::string_view inName) const
{
    for (const auto& header : headers)
        if (SameNameNoCase(header.name, inName))
            return header.value;
    return {};
}

bool HttpRequest::HasHeader(std::string_view inName) const
{
    return std::any_of(headers.begin(), headers.end(),
                       [&](const HttpHeader& inHeader) { return SameNameNoCase(inHeader.name, inName); });
}

std::vector<std::string> HttpRequest::HeaderNames() const
{
    std::vector<std::string> names;
    for (const auto& header : headers)
        names.push_back(header.name);
    return names;
}

std::string HttpDate(std::time_t inTime)
{
    std::tm fields{};
    gmtime_r(&inTime, &fields);
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDayNames[fields.tm_wday], fields.tm_mday,
                  kMonthNames[fields.tm_mon], fields.tm_year + 1900, fields.tm_hour, fields.tm_min, fields.tm_sec);
    return text;
}

std::time_t ParseHttpDate(std::string_view inText)
{
    const std::string text(inText);
    char day[4] = {};
    char month[4] = {};
    int dayOfMonth = 0, year = 0, hour = 0, minute = 0, second = 0;
    char zone[4] = {};
    if (std::sscanf(text.c_str(), "%3[A-Za-z], %d %3s %d %d:%d:%d %3s", day, &dayOfMonth, month, &year, &hour, &minute,
                    &second, zone) != 8 ||
        std::strcmp(zone, "GMT") != 0)
        return -1;
    for (int m = 0; m < 12; ++m)
        if (std::strcmp(month, kMonthNames[m]) == 0)
            return UtcTime(year, m + 1, dayOfMonth, hour, minute, second);
    return -1;
}

std::time_t UtcTime(int inYear, int inMonth, int inDay, int inHour, int inMinute, int inSecond)
{
    std::tm fields{};
    fields.tm_year = inYear - 1900;
    fields.tm_mon = inMonth - 1;
    fields.tm_mday = inDay;
    fields.tm_hour = inHour;
    fields.tm_min = inMinute;
    fields.tm_sec = inSecond;
    return timegm(&fields);
}

class LoopbackServer::Imp
{
public:
    Imp()
    {
        mServer.set_keep_alive_timeout(1);
        const auto handler = [this](const httplib::Request& inRequest, httplib::Response& outResponse)
        { Serve(inRequest, outResponse); };
        mServer.Get(".*", handler);
        mServer.Post(".*", handler);
        mServer.Put(".*", handler);
        mServer.Patch(".*", handler);
        mServer.Delete(".*", handler);
        mServer.Options(".*", handler);
        // No route takes CONNECT (a proxy's tunnel request); it is logged as its refusal is made, before the
        // client can see the answer.
        mServer.set_error_handler(httplib::Server::HandlerWithResponse(
            [this](const httplib::Request& inRequest, httplib::Response&)
            {
                if (inRequest.method == "CONNECT")
                {
                    std::lock_guard lock(mMutex);
                    mLog.push_back(Convert(inRequest));
                }
                return httplib::Server::HandlerResponse::Unhandled;
            }));
        mPort = mServer.bind_to_any_port("127.0.0.1");
        if (mPort <= 0)
            throw std::runtime_error("LoopbackServer: cannot bind 127.0.0.1");
        mThread = std::thread([this] { mServer.listen_after_bind(); });
        // Stop() is ignored until the loop runs, so the destructor must not come earlier.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!mServer.is_running())
        {
            if (std::chrono::steady_clock::now() > deadline)
            {
                mServer.stop();
                mThread.detach();
                throw std::runtime_error("LoopbackServer: the server did not start");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    ~Imp()
    {
        {
            std::lock_guard lock(mMutex);
            mStopping = true;
        }
        mStopCondition.notify_all();
        mServer.stop();
        mThread.join();
    }

    std::string Base() const { return "http://127.0.0.1:" + std::to_string(mPort); }

    template <class Change> void Modify(const std::string& inTarget, Change inChange)
    {
        std::lock_guard lock(mMutex);
        inChange(mRoutes[inTarget]);
    }

    void Serve(const httplib::Request& inRequest, httplib::Response& outResponse);
    static HttpRequest Convert(const httplib::Request& inRequest);

    httplib::Server mServer;
    std::thread mThread;
    int mPort = 0;

    mutable std::mutex mMutex;
    std::condition_variable mStopCondition;
    bool mStopping = false;
    std::map<std::string, RouteConfig> mRoutes;
    std::map<std::string, int> mHits;
    std::vector<HttpRequest> mLog;
    int mNextChain = 0;
};

HttpRequest LoopbackServer::Imp::Convert(const httplib::Request& inRequest)
{
    HttpRequest request;
    request.method = inRequest.method;
    const std::size_t question = inRequest.target.find('?');
    request.path = inRequest.target.substr(0, question);
    if (question != std::string::npos)
        request.query = inRequest.target.substr(question + 1);
    for (const auto& [name, value] : inRequest.headers)
        request.headers.push_back({name, value});
    request.body = inRequest.body;
    return request;
}

void LoopbackServer::Imp::Serve(const httplib::Request& inRequest, httplib::Response& outResponse)
{
    const HttpRequest request = Convert(inRequest);

    RouteConfig route;
    std::string target;
    {
        std::lock_guard lock(mMutex);
        mLog.push_back(request);
        const std::string full = request.query.empty() ? request.path : request.path + "?" + request.query;
        auto found = mRoutes.find(full);
        if (found == mRoutes.end())
            found = mRoutes.find(request.path);
        if (found == mRoutes.end())
        {
            outResponse.status = 404;
            outResponse.set_content("no route for " + full + "\n", "text/plain");
            return;
        }
        target = found->first;
        route = found->second;
        ++mHits[target];
    }

    if (route.hang)
    {
        std::unique_lock lock(mMutex);
        mStopCondition.wait(lock, [this] { return mStopping; });
        outResponse.status = 503;
        return;
    }
    if (route.delayMs > 0)
    {
        std::unique_lock lock(mMutex);
        mStopCondition.wait_for(lock, std::chrono::milliseconds(std::min(route.delayMs, kMaxDelayMs)),
                                [this] { return mStopping; });
    }

    if (route.requireAuth && request.Header("Authorization") != "Basic " + Base64(route.user + ":" + route.password))
    {
        outResponse.status = 401;
        outResponse.set_header("WWW-Authenticate", "Basic realm=\"test\"");
        outResponse.set_content("authorization required\n", "text/plain");
        return;
    }

    const std::string port = std::to_string(mPort);
    const std::string base = Base();
    auto templated = [&](std::string inText)
    {
        ReplaceAll(inText, "@PORT@", port);
        ReplaceAll(inText, "@BASE@", base);
        return inText;
    };

    HttpReply reply;
    switch (route.kind)
    {
    case RouteKind::kRedirect:
        reply.status = 302;
        reply.body = "moved\n";
        reply.headers.push_back(
            {"Location", route.location.find("://") != std::string::npos ? route.location : base + route.location});
        break;
    case RouteKind::kHandler:
        route.handler(request, reply);
        break;
    case RouteKind::kDocument:
        reply.status = route.status;
        reply.contentType = route.contentType;
        reply.body = templated(route.body);
        if (route.sendLastModified)
        {
            reply.headers.push_back({"Last-Modified", HttpDate(route.lastModified)});
            const std::time_t since = ParseHttpDate(request.Header("If-Modified-Since"));
            if (since != -1 && route.lastModified <= since)
            {
                reply.status = 304;
                reply.body.clear();
            }
        }
        break;
    }

    for (const auto& header : route.headers)
        reply.headers.push_back({header.name, templated(header.value)});
    for (const auto& header : reply.headers)
        outResponse.headers.emplace(header.name, header.value);
    outResponse.status = reply.status;
    if (reply.status == 304 || reply.body.empty())
        return;

    if (route.gzip && route.kind != RouteKind::kRedirect)
    {
        reply.body = Gzipped(reply.body);
        outResponse.set_header("Content-Encoding", "gzip");
    }
    // A provider of known length keeps the server from compressing the body on its own.
    auto body = std::make_shared<const std::string>(std::move(reply.body));
    if (route.shortLength && route.announced < body->size())
    {
        // The whole body goes out at the first call, past the length announced.
        outResponse.set_content_provider(route.announced, reply.contentType,
                                         [body](size_t inOffset, size_t, httplib::DataSink& ioSink)
                                         { return ioSink.write(body->data() + inOffset, body->size() - inOffset); });
        return;
    }
    if (route.trickleMs > 0)
    {
        outResponse.set_content_provider(
            body->size(), reply.contentType,
            [this, body, pause = route.trickleMs](size_t inOffset, size_t, httplib::DataSink& ioSink)
            {
                std::unique_lock lock(mMutex);
                if (mStopCondition.wait_for(lock, std::chrono::milliseconds(pause), [this] { return mStopping; }))
                    return false;
                lock.unlock();
                return ioSink.write(body->data() + inOffset, 1);
            });
        return;
    }
    const std::size_t limit = route.cut ? std::min(route.cutAfter, body->size()) : body->size();
    outResponse.set_content_provider(body->size(), reply.contentType,
                                     [body, limit](size_t inOffset, size_t inLength, httplib::DataSink& ioSink)
                                     {
                                         if (inOffset >= limit)
                                             return false; // closes the connection short of the length
                                         const std::size_t end = std::min(inOffset + inLength, limit);
                                         return ioSink.write(body->data() + inOffset, end - inOffset);
                                     });
}

LoopbackServer::Route& LoopbackServer::Route::LastModified(std::time_t inTime)
{
    mImp->Modify(mTarget,
                 [&](RouteConfig& ioRoute)
                 {
                     ioRoute.sendLastModified = true;
                     ioRoute.lastModified = inTime;
                 });
    return *this;
}

LoopbackServer::Route& LoopbackServer::Route::NoLastModified()
{
    mImp->Modify(mTarget, [](RouteConfig& ioRoute) { ioRoute.sendLastModified = false; });
    return *this;
}

LoopbackServer::Route& LoopbackServer::Route::RequireBasic(const std::string& inUser, const std::string& inPassword)
{
    mImp->Modify(mTarget,
                 [&](RouteConfig& ioRoute)
                 {
                     ioRoute.requireAuth = true;
                     ioRoute.user = inUser;
                     ioRoute.password = inPassword;
                 });
    return *this;
}

LoopbackServer::Route& LoopbackServer::Route::Delay(int inMilliseconds)
{
    mImp->Modify(mTarget, [&](RouteConfig& ioRoute) { ioRoute.delayMs = std::clamp(inMilliseconds, 0, kMaxDelayMs); });
    return *this;
}

LoopbackServer::Route& LoopbackServer::Route::CutAfter(std::size_t inBytes)
{
    mImp->Modify(mTarget,
                 [&](RouteConfig& ioRoute)
                 {
                     ioRoute.cut = true;
                     ioRoute.cutAfter = inBytes;
                 });
    return *this;
}

LoopbackServer::Route& LoopbackServer::Route::ShortLength(std::size_t inBytes)
{
    mImp->Modify(mTarget,
                 [&](RouteConfig& ioRoute)
                 {
                     ioRoute.shortLength = true;
                     ioRoute.announced = inBytes;
                 });
    return *this;
}

LoopbackServer::Route& LoopbackServer::Route::Trickle(int inMillisecondsPerByte)
{
    mImp->Modify(mTarget,
                 [&](RouteConfig& ioRoute) { ioRoute.trickleMs = std::clamp(inMillisecondsPerByte, 1, kMaxDelayMs); });
    return *this;
}

LoopbackServer::Route& LoopbackServer::Route::NeverAnswer()
{
    mImp->Modify(mTarget, [](RouteConfig& ioRoute) { ioRoute.hang = true; });
    return *this;
}

LoopbackServer::Route& LoopbackServer::Route::Gzip()
{
    mImp->Modify(mTarget, [](RouteConfig& ioRoute) { ioRoute.gzip = true; });
    return *this;
}

LoopbackServer::Route& LoopbackServer::Route::Header(const std::string& inName, const std::string& inValue)
{
    mImp->Modify(mTarget, [&](RouteConfig& ioRoute) { ioRoute.headers.push_back({inName, inValue}); });
    return *this;
}

LoopbackServer::Route& LoopbackServer::Route::Body(const std::string& inBody)
{
    mImp->Modify(mTarget, [&](RouteConfig& ioRoute) { ioRoute.body = inBody; });
    return *this;
}

LoopbackServer::Route& LoopbackServer::Route::Status(int inStatus)
{
    mImp->Modify(mTarget, [&](RouteConfig& ioRoute) { ioRoute.status = inStatus; });
    return *this;
}

LoopbackServer::LoopbackServer() : mImp(std::make_unique<Imp>()) {}

LoopbackServer::~LoopbackServer() = default;

int LoopbackServer::Port() const
{
    return mImp->mPort;
}

std::string LoopbackServer::Base() const
{
    return mImp->Base();
}

std::string LoopbackServer::Url(const std::string& inTarget) const
{
    return Base() + inTarget;
}

LoopbackServer::Route LoopbackServer::AddDocument(const std::string& inTarget, int inStatus,
                                                  const std::string& inContentType, const std::string& inBody)
{
    RouteConfig route;
    route.status = inStatus;
    route.contentType = inContentType;
    route.body = inBody;
    route.lastModified = mClock ? mClock() : std::time(nullptr);
    mImp->Modify(inTarget, [&](RouteConfig& ioRoute) { ioRoute = std::move(route); });
    return Route(mImp.get(), inTarget);
}

LoopbackServer::Route LoopbackServer::AddHandler(const std::string& inTarget, HttpHandler inHandler)
{
    RouteConfig route;
    route.kind = RouteKind::kHandler;
    route.handler = std::move(inHandler);
    route.sendLastModified = false;
    mImp->Modify(inTarget, [&](RouteConfig& ioRoute) { ioRoute = std::move(route); });
    return Route(mImp.get(), inTarget);
}

LoopbackServer::Route LoopbackServer::AddRedirectChain(const std::string& inTarget, int inHops,
                                                       const std::string& inDestination)
{
    int chain = 0;
    {
        std::lock_guard lock(mImp->mMutex);
        chain = mImp->mNextChain++;
    }
    auto hop = [&](int inIndex)
    { return inIndex == 0 ? inTarget : "/hop/" + std::to_string(chain) + "/" + std::to_string(inIndex); };
    for (int i = 0; i < std::max(inHops, 1); ++i)
    {
        RouteConfig route;
        route.kind = RouteKind::kRedirect;
        route.sendLastModified = false;
        route.location = i + 1 < inHops ? hop(i + 1) : inDestination;
        mImp->Modify(hop(i), [&](RouteConfig& ioRoute) { ioRoute = std::move(route); });
    }
    return Route(mImp.get(), inTarget);
}

std::vector<HttpRequest> LoopbackServer::Requests() const
{
    std::lock_guard lock(mImp->mMutex);
    return mImp->mLog;
}

std::size_t LoopbackServer::RequestCount() const
{
    std::lock_guard lock(mImp->mMutex);
    return mImp->mLog.size();
}

int LoopbackServer::Hits(const std::string& inTarget) const
{
    std::lock_guard lock(mImp->mMutex);
    const auto found = mImp->mHits.find(inTarget);
    return found == mImp->mHits.end() ? 0 : found->second;
}

void LoopbackServer::ClearLog()
{
    std::lock_guard lock(mImp->mMutex);
    mImp->mLog.clear();
    mImp->mHits.clear();
}

ClosedPort::ClosedPort()
{
    mSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (mSocket < 0)
        throw std::runtime_error("ClosedPort: socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(mSocket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(mSocket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    {
        ::close(mSocket);
        throw std::runtime_error("ClosedPort: bind failed");
    }
    mPort = ntohs(address.sin_port);
}

ClosedPort::~ClosedPort()
{
    ::close(mSocket);
}

std::string ClosedPort::Url(const std::string& inTarget) const
{
    return "http://127.0.0.1:" + std::to_string(mPort) + inTarget;
}

} // namespace sky::test
