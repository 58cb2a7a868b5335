#include "LoopbackServer.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace sky::test;

namespace
{

// Sends raw request text and reads until the server closes the connection, so that what went over the wire,
// header case and short bodies included, is seen as it is.
// A socket connected to the loopback port, or -1 with errno set.
int Connect(int inPort)
{
    const int sock = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(inPort));
    if (::connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        return sock;
    const int error = errno;
    ::close(sock);
    errno = error;
    return -1;
}

std::string RawExchange(int inPort, const std::string& inRequest)
{
    const int sock = Connect(inPort);
    if (sock < 0)
        return "connect failed";
    ::send(sock, inRequest.data(), inRequest.size(), MSG_NOSIGNAL);
    std::string reply;
    char buffer[4096];
    for (ssize_t n; (n = ::recv(sock, buffer, sizeof buffer, 0)) > 0;)
        reply.append(buffer, static_cast<std::size_t>(n));
    ::close(sock);
    return reply;
}

std::string Get(int inPort, const std::string& inTarget, const std::string& inExtraHeaders = "")
{
    return RawExchange(inPort, "GET " + inTarget + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + inExtraHeaders +
                                   "Connection: close\r\n\r\n");
}

std::string BodyOf(const std::string& inReply)
{
    const auto at = inReply.find("\r\n\r\n");
    return at == std::string::npos ? std::string() : inReply.substr(at + 4);
}

// Polls a condition nothing signals, within a bound.
template <class Condition> bool SpinUntil(Condition inCondition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!inCondition())
    {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

const std::time_t kTime = UtcTime(2015, 10, 21, 7, 28, 0);

} // namespace

TEST(HttpDate, FormatsAndParsesTheFixedEnglishForm)
{
    EXPECT_EQ(kTime, 1445412480); // from Python's calendar.timegm
    EXPECT_EQ(HttpDate(kTime), "Wed, 21 Oct 2015 07:28:00 GMT");
    EXPECT_EQ(ParseHttpDate("Wed, 21 Oct 2015 07:28:00 GMT"), kTime);
    EXPECT_EQ(HttpDate(UtcTime(2000, 2, 29, 23, 59, 59)), "Tue, 29 Feb 2000 23:59:59 GMT");
    for (const char* bad : {"", "Wed, 21 Okt 2015 07:28:00 GMT", "Wed, 21 Oct 2015 07:28:00", "yesterday"})
        EXPECT_EQ(ParseHttpDate(bad), -1) << bad;
}

TEST(LoopbackServer, ServesRoutesByPathAndQueryAndTakesChangesAtTheNextRequest)
{
    LoopbackServer server;
    auto route = server.AddDocument("/doc.xml", 203, "text/xml", "<a port=\"@PORT@\" href=\"@BASE@/x\"/>");
    EXPECT_EQ(server.Url("/doc.xml"), "http://127.0.0.1:" + std::to_string(server.Port()) + "/doc.xml");
    httplib::Client client("127.0.0.1", server.Port());
    auto reply = client.Get("/doc.xml");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 203);
    EXPECT_EQ(reply->get_header_value("Content-Type"), "text/xml");
    EXPECT_EQ(reply->body, "<a port=\"" + std::to_string(server.Port()) + "\" href=\"" + server.Base() + "/x\"/>");
    EXPECT_EQ(client.Get("/nothing")->status, 404);

    route.Body("second @PORT@").Status(410);
    reply = client.Get("/doc.xml");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 410);
    EXPECT_EQ(reply->body, "second " + std::to_string(server.Port()));
    EXPECT_EQ(server.Hits("/doc.xml"), 2);
    server.AddDocument("/doc.xml", 200, "text/plain", "replaced");
    EXPECT_EQ(client.Get("/doc.xml")->body, "replaced");

    // A route with a query answers only that query; one without answers any.
    server.AddDocument("/q?x=1", 200, "text/plain", "one");
    server.AddDocument("/q", 200, "text/plain", "any");
    EXPECT_EQ(client.Get("/q?x=1")->body, "one");
    EXPECT_EQ(client.Get("/q?x=2")->body, "any");
    EXPECT_EQ(client.Get("/q")->body, "any");
    EXPECT_EQ(server.Hits("/q?x=1"), 1);
    EXPECT_EQ(server.Hits("/q"), 2);
    server.AddDocument("/only?y=1", 200, "text/plain", "y");
    EXPECT_EQ(client.Get("/only")->status, 404);
}

TEST(LoopbackServer, SendsLastModifiedInExactCaseOrLeavesItOut)
{
    LoopbackServer server;
    auto route = server.AddDocument("/a", 200, "text/plain", "x");
    route.LastModified(kTime);
    const std::string reply = Get(server.Port(), "/a");
    EXPECT_NE(reply.find("\r\nLast-Modified: Wed, 21 Oct 2015 07:28:00 GMT\r\n"), std::string::npos) << reply;

    route.NoLastModified();
    EXPECT_EQ(Get(server.Port(), "/a").find("Last-Modified"), std::string::npos);

    route.Header("last-modified", "Thu, 22 Oct 2015 07:28:00 GMT").Header("Last-Modified", "");
    const std::string raw = Get(server.Port(), "/a");
    EXPECT_NE(raw.find("\r\nlast-modified: Thu, 22 Oct 2015 07:28:00 GMT\r\n"), std::string::npos) << raw;
    EXPECT_NE(raw.find("\r\nLast-Modified: \r\n"), std::string::npos) << raw;
}

TEST(LoopbackServer, AnswersIfModifiedSinceInWholeSeconds)
{
    LoopbackServer server;
    server.AddDocument("/a", 200, "text/plain", "body").LastModified(kTime);
    const struct
    {
        std::string since;
        int status;
        const char* body;
    } cases[] = {{HttpDate(kTime - 1), 200, "body"},
                 {HttpDate(kTime), 304, ""},
                 {HttpDate(kTime + 1), 304, ""},
                 {"soon", 200, "body"}}; // an unreadable date is no condition
    httplib::Client client("127.0.0.1", server.Port());
    for (const auto& c : cases)
    {
        const auto reply = client.Get("/a", {{"If-Modified-Since", c.since}});
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, c.status) << c.since;
        EXPECT_EQ(reply->body, c.body);
    }
}

TEST(LoopbackServer, HeadAndCutBodiesAnnounceTheFullLength)
{
    LoopbackServer server;
    server.AddDocument("/a", 200, "text/plain", "0123456789");
    const std::string head =
        RawExchange(server.Port(), "HEAD /a HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    EXPECT_NE(head.find("Content-Length: 10\r\n"), std::string::npos) << head;
    EXPECT_EQ(BodyOf(head), "");
    ASSERT_EQ(server.RequestCount(), 1u);
    EXPECT_EQ(server.Requests()[0].method, "HEAD");

    server.AddDocument("/cut", 200, "application/octet-stream", std::string(1000, 'c')).CutAfter(100);
    const std::string cut = Get(server.Port(), "/cut");
    EXPECT_NE(cut.find("Content-Length: 1000\r\n"), std::string::npos) << cut.substr(0, 200);
    EXPECT_EQ(BodyOf(cut), std::string(100, 'c'));
}

TEST(LoopbackServer, BasicAuthenticationRefusesMissingAndWrongCredentials)
{
    LoopbackServer server;
    server.AddDocument("/secret", 200, "text/plain", "inside").RequireBasic("ann", "pw:1");
    httplib::Client client("127.0.0.1", server.Port());

    const auto none = client.Get("/secret");
    ASSERT_TRUE(none);
    EXPECT_EQ(none->status, 401);
    EXPECT_EQ(none->get_header_value("WWW-Authenticate"), "Basic realm=\"test\"");

    client.set_basic_auth("ann", "wrong");
    const auto wrong = client.Get("/secret");
    ASSERT_TRUE(wrong);
    EXPECT_EQ(wrong->status, 401);

    client.set_basic_auth("ann", "pw:1");
    const auto right = client.Get("/secret");
    ASSERT_TRUE(right);
    EXPECT_EQ(right->status, 200);
    EXPECT_EQ(right->body, "inside");
    EXPECT_EQ(server.Requests().back().Header("authorization"), "Basic YW5uOnB3OjE="); // base64 of "ann:pw:1"
}

TEST(LoopbackServer, RedirectChainsCountEveryHop)
{
    LoopbackServer server;
    server.AddDocument("/end", 200, "text/plain", "arrived");
    server.AddRedirectChain("/start", 3, "/end");

    std::string target = "/start";
    int redirects = 0;
    httplib::Client client("127.0.0.1", server.Port());
    for (;;)
    {
        const auto reply = client.Get(target);
        ASSERT_TRUE(reply);
        if (reply->status != 302)
        {
            EXPECT_EQ(reply->body, "arrived");
            break;
        }
        ++redirects;
        const std::string location = reply->get_header_value("Location");
        ASSERT_EQ(location.rfind(server.Base(), 0), 0u) << location;
        target = location.substr(server.Base().size());
        ASSERT_LT(redirects, 10);
    }
    EXPECT_EQ(redirects, 3);
    EXPECT_EQ(server.Hits("/start"), 1);
    EXPECT_EQ(server.Hits("/end"), 1);
    EXPECT_EQ(server.RequestCount(), 4u);
}

TEST(LoopbackServer, RoutesMatchPathAndQuery)
{
    LoopbackServer server;
    server.AddDocument("/q?x=1", 200, "text/plain", "one");
    server.AddDocument("/q", 200, "text/plain", "any");
    httplib::Client client("127.0.0.1", server.Port());
    EXPECT_EQ(client.Get("/q?x=1")->body, "one");
    EXPECT_EQ(client.Get("/q?x=2")->body, "any");
    EXPECT_EQ(client.Get("/q")->body, "any");
    EXPECT_EQ(server.Hits("/q?x=1"), 1);
    EXPECT_EQ(server.Hits("/q"), 2);

    server.AddDocument("/only?y=1", 200, "text/plain", "y");
    EXPECT_EQ(client.Get("/only")->status, 404);
}

TEST(LoopbackServer, HandlersAnswerAndTheLogKeepsEveryPartOfTheRequest)
{
    LoopbackServer server;
    server.AddHandler("/post",
                      [](const HttpRequest& inRequest, HttpReply& outReply)
                      {
                          outReply.status = 201;
                          outReply.contentType = "application/x-echo";
                          outReply.body = inRequest.method + " " + inRequest.query;
                          outReply.headers.push_back({"X-Seen", inRequest.Header("X-Probe")});
                      });
    httplib::Client client("127.0.0.1", server.Port());
    const auto reply =
        client.Post("/post?k=v%20w", {{"X-Probe", "1"}}, std::string("a\0b", 3), "application/octet-stream");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 201);
    EXPECT_EQ(reply->body, "POST k=v%20w");
    EXPECT_EQ(reply->get_header_value("X-Seen"), "1");
    EXPECT_EQ(reply->get_header_value("Content-Type"), "application/x-echo");
    EXPECT_FALSE(reply->has_header("Last-Modified"));

    const auto log = server.Requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].method, "POST");
    EXPECT_EQ(log[0].path, "/post");
    EXPECT_EQ(log[0].query, "k=v%20w");
    EXPECT_EQ(log[0].body, std::string("a\0b", 3));
    EXPECT_EQ(log[0].Header("x-probe"), "1");
    EXPECT_EQ(log[0].Header("Content-Type"), "application/octet-stream");
    EXPECT_FALSE(log[0].HasHeader("Authorization"));
    server.ClearLog();
    EXPECT_EQ(server.RequestCount(), 0u);
    EXPECT_EQ(server.Hits("/post"), 0);
}

TEST(LoopbackServer, AProxyRequestKeepsItsAbsoluteUrl)
{
    LoopbackServer server;
    server.AddDocument("http://example.invalid:81/data", 200, "text/plain", "via proxy");
    const std::string reply = RawExchange(server.Port(), "GET http://example.invalid:81/data?t=1 HTTP/1.1\r\n"
                                                         "Host: example.invalid:81\r\n"
                                                         "Proxy-Authorization: Basic eDp5\r\n"
                                                         "Connection: close\r\n\r\n");
    EXPECT_EQ(BodyOf(reply), "via proxy");
    const auto log = server.Requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].path, "http://example.invalid:81/data");
    EXPECT_EQ(log[0].query, "t=1");
    EXPECT_EQ(log[0].Header("Proxy-Authorization"), "Basic eDp5");
}

TEST(LoopbackServer, GzipSendsACompressedBody)
{
    LoopbackServer server;
    const std::string text(5000, 'w');
    server.AddDocument("/z", 200, "text/plain", text).Gzip();
    const std::string reply = Get(server.Port(), "/z");
    EXPECT_NE(reply.find("Content-Encoding: gzip\r\n"), std::string::npos);
    const std::string body = BodyOf(reply);
    ASSERT_GE(body.size(), 2u);
    EXPECT_EQ(static_cast<unsigned char>(body[0]), 0x1f);
    EXPECT_EQ(static_cast<unsigned char>(body[1]), 0x8b);
    EXPECT_LT(body.size(), text.size());

    std::string plain;
    httplib::detail::gzip_decompressor decompressor;
    ASSERT_TRUE(decompressor.decompress(body.data(), body.size(),
                                        [&](const char* inData, size_t inLength)
                                        {
                                            plain.append(inData, inLength);
                                            return true;
                                        }));
    EXPECT_EQ(plain, text);
}

TEST(LoopbackServer, DelaysHoldTheReplyBackUntilTheServerStops)
{
    auto server = std::make_unique<LoopbackServer>();
    server->AddDocument("/slow", 200, "text/plain", "late").Delay(300);
    const int port = server->Port();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(BodyOf(Get(port, "/slow")), "late");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));

    server->AddDocument("/slower", 200, "text/plain", "late").Delay(60000); // held to 2 s
    auto pending = std::async(std::launch::async, [port] { return Get(port, "/slower"); });
    ASSERT_TRUE(SpinUntil([&] { return server->Hits("/slower") == 1; }));
    const auto stop = std::chrono::steady_clock::now();
    server.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - stop, std::chrono::milliseconds(1500));
    pending.get();
}

TEST(LoopbackServer, AClosedPortRefusesConnections)
{
    ClosedPort closed;
    ASSERT_GT(closed.Port(), 0);
    EXPECT_EQ(closed.Url("/x"), "http://127.0.0.1:" + std::to_string(closed.Port()) + "/x");
    const int sock = Connect(closed.Port());
    const int error = errno;
    EXPECT_EQ(sock, -1);
    EXPECT_EQ(error, ECONNREFUSED);
}

TEST(LoopbackServer, TestMainClearsTheProxyEnvironment)
{
    for (const char* name :
         {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY", "NO_PROXY"})
        EXPECT_EQ(std::getenv(name), nullptr) << name;
    ASSERT_NE(std::getenv("no_proxy"), nullptr);
    EXPECT_STREQ(std::getenv("no_proxy"), "127.0.0.1,localhost");
}
