// Loopback HTTP servers for network tests: each listens on an ephemeral port of 127.0.0.1 on its own threads and
// answers from a table of routes. Everything here may be called from the test thread while requests are served.
// cpp-httplib answers 413 to a form-encoded request body (libcurl's default POST type) above 8192 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace sky::test
{

struct HttpHeader
{
    std::string name;
    std::string value;
};

// One request as the server received it. The path and query are the raw request target split at the first '?'
// (a proxy request keeps its absolute URL as the path).
struct HttpRequest
{
    std::string method;
    std::string path;
    std::string query;
    std::vector<HttpHeader> headers;
    std::string body;

    // The first header of that name in any letter case, or "".
    std::string Header(std::string_view inName) const;
    bool HasHeader(std::string_view inName) const;
    // The names exactly as received.
    std::vector<std::string> HeaderNames() const;
};

// What a handler answers. Headers are written as given, name case included.
struct HttpReply
{
    int status = 200;
    std::string contentType = "text/plain";
    std::string body;
    std::vector<HttpHeader> headers;
};

using HttpHandler = std::function<void(const HttpRequest& inRequest, HttpReply& outReply)>;

// "Wed, 21 Oct 2015 07:28:00 GMT" for a UTC time, English names whatever the locale.
std::string HttpDate(std::time_t inTime);
// The time of an HTTP date in that form; -1 when the text is not one.
std::time_t ParseHttpDate(std::string_view inText);
// The UTC time of a civil date and time.
std::time_t UtcTime(int inYear, int inMonth, int inDay, int inHour, int inMinute, int inSecond);

class LoopbackServer
{
    class Imp;

public:
    // Settings of one route; they take effect at the next request. Each returns the route for chaining.
    class Route
    {
    public:
        // Sends "Last-Modified" with this time and answers If-Modified-Since with 304 when the time is not later.
        Route& LastModified(std::time_t inTime);
        // Leaves Last-Modified out, and with it the If-Modified-Since check.
        Route& NoLastModified();
        // Requests without these credentials get 401 and WWW-Authenticate: Basic realm="test".
        Route& RequireBasic(const std::string& inUser, const std::string& inPassword);
        // Holds the reply back (at most 2 s); a stopping server ends the wait at once.
        Route& Delay(int inMilliseconds);
        // Announces the whole body's Content-Length but sends only this many bytes, then closes the connection.
        Route& CutAfter(std::size_t inBytes);
        // Announces a Content-Length of this many bytes (when fewer than the body's) and sends the whole body.
        Route& ShortLength(std::size_t inBytes);
        // Accepts the request and answers nothing until the server stops, however long that is.
        Route& NeverAnswer();
        // Sends the headers, then the body a byte at a time, one every interval (at most 2 s), until it is sent or
        // the server stops.
        Route& Trickle(int inMillisecondsPerByte);
        // Sends the body gzip-compressed with Content-Encoding: gzip.
        Route& Gzip();
        // An extra header, written as given (also to test letter case).
        Route& Header(const std::string& inName, const std::string& inValue);
        Route& Body(const std::string& inBody);
        Route& Status(int inStatus);

    private:
        friend class LoopbackServer;
        Route(Imp* inImp, std::string inTarget) : mImp(inImp), mTarget(std::move(inTarget)) {}
        Imp* mImp;
        std::string mTarget;
    };

    // Binds and starts serving; throws std::runtime_error when it cannot.
    LoopbackServer();
    // Stops serving and joins the server's threads.
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int Port() const;
    // "http://127.0.0.1:<port>".
    std::string Base() const;
    // Base() followed by a path with an optional query.
    std::string Url(const std::string& inTarget) const;
    // The time document routes added from now on count as added (the wall clock unless set), so a test on a
    // virtual clock gets dates that are not ahead of it.
    void SetClock(std::function<std::time_t()> inNow) { mClock = std::move(inNow); }

    // A route answers requests whose path and query equal the target ("/a/b?x=1"); a target without a query also
    // answers its path with any query that has no route of its own. Adding a target again replaces its route.
    // Bodies and header values are templated when served: "@PORT@" becomes the port, "@BASE@" Base().
    // A document route sends Last-Modified from the time it was added unless told otherwise.
    Route AddDocument(const std::string& inTarget, int inStatus, const std::string& inContentType,
                      const std::string& inBody);
    // A handler route: authentication and delay apply, then the handler answers as it likes.
    Route AddHandler(const std::string& inTarget, HttpHandler inHandler);
    // inHops answers of 302, the first at the target, each pointing at the next, the last at the destination (a
    // path of this server or an absolute URL). The hops are routes of their own.
    Route AddRedirectChain(const std::string& inTarget, int inHops, const std::string& inDestination);

    // Every request received, oldest first.
    std::vector<HttpRequest> Requests() const;
    std::size_t RequestCount() const;
    // Requests answered by the route of that target.
    int Hits(const std::string& inTarget) const;
    // Forgets the requests and the counters; the routes stay.
    void ClearLog();

private:
    std::unique_ptr<Imp> mImp;
    std::function<std::time_t()> mClock;
};

// A socket bound to an ephemeral port of 127.0.0.1 that never listens: connections to it are refused, and no
// other server can take the port while the object lives.
class ClosedPort
{
public:
    ClosedPort();
    ~ClosedPort();
    ClosedPort(const ClosedPort&) = delete;
    ClosedPort& operator=(const ClosedPort&) = delete;

    int Port() const { return mPort; }
    std::string Url(const std::string& inTarget) const;

private:
    int mSocket = -1;
    int mPort = 0;
};

} // namespace sky::test
