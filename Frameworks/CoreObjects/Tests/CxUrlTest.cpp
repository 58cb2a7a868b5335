#include "CxUrl.h"
#include "CxDebug.h"
#include "CxFileTestHelpers.h"
#include "CxSystem.h"
#include "LoopbackServer.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <thread>

using namespace sky::test;
using cx4::ScopedEnv;

namespace
{

std::string Text(const CxData& inData)
{
    CxData data = inData;
    if (data.Size() == 0)
        return {};
    CxAutoLock lock(data);
    return std::string(static_cast<const char*>(data.Pointer()), data.Size());
}

CxString Cx(const std::string& inText)
{
    return CxString::FromUtf8(inText);
}

// Fetches each path in turn with one handle.
void GetEach(CxUrl& ioUrl, const LoopbackServer& inServer, std::initializer_list<const char*> inPaths)
{
    for (const char* path : inPaths)
    {
        ioUrl.SetUrl(Cx(inServer.Url(path)));
        ioUrl.Get();
    }
}

const std::time_t kTime = UtcTime(2015, 10, 21, 7, 28, 0);
const CxDate kDate(2015, 10, 21, 7, 28, 0, 0);

class CxUrlTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { CxUrl::InitGlobals(); }
    void TearDown() override { CxUrl::AbortTransfers(false); }

    LoopbackServer server;
};

} // namespace

TEST_F(CxUrlTest, ADocumentArrivesWithStatusTypeSizeAndLastModified)
{
    server.AddDocument("/a.txt", 200, "text/plain", "hello").LastModified(kTime);
    CxUrl url(Cx(server.Url("/a.txt")));
    EXPECT_EQ(url.LastModified(), CxUrl::NullDate());
    EXPECT_EQ(CxUrl::NullDate(), CxDate(1904, 1, 1, 0, 0, 0, 0));

    const CxData body = url.Get();
    EXPECT_EQ(Text(body), "hello");
    EXPECT_EQ(url.ResponseCode(), 200);
    EXPECT_EQ(url.Mime(), "text/plain");
    EXPECT_EQ(url.TransferSize(), 5u);
    EXPECT_EQ(url.LastModified(), kDate);
    ASSERT_EQ(server.RequestCount(), 1u);
    EXPECT_EQ(server.Requests()[0].method, "GET");
    EXPECT_FALSE(server.Requests()[0].HasHeader("If-Modified-Since"));
}

TEST_F(CxUrlTest, LastModifiedComesOnlyFromItsExactHeader)
{
    server.AddDocument("/lower", 200, "text/plain", "x")
        .NoLastModified()
        .Header("last-modified", "Thu, 22 Oct 2015 07:28:00 GMT");
    server.AddDocument("/none", 200, "text/plain", "x").NoLastModified();
    server.AddDocument("/dated", 200, "text/plain", "x").LastModified(kTime);
    server.AddDocument("/empty", 200, "text/plain", "x").NoLastModified().Header("Last-Modified", "");
    server.AddDocument("/odd", 200, "text/plain", "x")
        .NoLastModified()
        .Header("Last-Modified", "Wed, 21 oct 2015 07:28:00 GMT");

    CxUrl url;
    GetEach(url, server, {"/lower"});
    EXPECT_EQ(url.ResponseCode(), 200);
    EXPECT_EQ(url.LastModified(), CxUrl::NullDate()); // a lower-case name is not it
    GetEach(url, server, {"/dated", "/none"});
    EXPECT_EQ(url.LastModified(), kDate); // a reply without the header leaves it

    auto previous = CxSetNowSource([] { return 123456.0; });
    GetEach(url, server, {"/empty"});
    CxSetNowSource(previous);
    EXPECT_EQ(url.LastModified(), CxDate(123456.0)); // empty means now

    CxDebugCapture capture;
    GetEach(url, server, {"/odd"});
    EXPECT_TRUE(capture.Contains("Last-Modified"));
    EXPECT_EQ(url.LastModified(), CxDate(123456.0)); // an unknown month is no date: the last one stays
}

TEST_F(CxUrlTest, IfModifiedSinceSendsTheExactHeaderAndGets304)
{
    server.AddDocument("/doc", 200, "text/plain", "content").LastModified(kTime);
    CxUrl url(Cx(server.Url("/doc")));
    url.SetIfModifiedSince(kDate + 0.75); // the fraction is dropped
    const CxData body = url.Get();
    EXPECT_EQ(url.ResponseCode(), 304);
    EXPECT_EQ(Text(body), "");
    EXPECT_EQ(url.TransferSize(), 0u);
    ASSERT_EQ(server.RequestCount(), 1u);
    EXPECT_EQ(server.Requests()[0].Header("If-Modified-Since"), "Wed, 21 Oct 2015 07:28:00 GMT");

    url.SetIfModifiedSince(kDate - 1.0);
    EXPECT_EQ(Text(url.Get()), "content");
    EXPECT_EQ(url.ResponseCode(), 200);

    url.SetIfModifiedSince(CxUrl::NullDate());
    url.Get();
    EXPECT_FALSE(server.Requests().back().HasHeader("If-Modified-Since"));
}

TEST_F(CxUrlTest, IfModifiedSinceNamesStayEnglishWhateverTheStringTable)
{
    TempHome home;
    const std::filesystem::path bundle = std::filesystem::path(home.Path()) / "Bundle";
    std::filesystem::create_directories(bundle / "en.lproj");
    std::ofstream(bundle / "en.lproj" / "InfoPlist.strings")
        << "\"Sun\" = \"So\";\n\"Wed\" = \"Mi\";\n\"Oct\" = \"Okt\";\n\"MayAbbrev\" = \"Mai\";\n";
    CxSetBundle(Cx(bundle.string()));
    ASSERT_EQ(CxLocalize("Oct"), "Okt"); // the table is in use

    server.AddDocument("/doc", 200, "text/plain", "x");
    CxUrl url(Cx(server.Url("/doc")));
    url.SetIfModifiedSince(kDate);
    url.Get();
    url.SetIfModifiedSince(CxDate(2009, 5, 3, 1, 2, 3, 0));
    url.Get();
    CxSetBundle(CxString());

    const auto log = server.Requests();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].Header("If-Modified-Since"), "Wed, 21 Oct 2015 07:28:00 GMT");
    EXPECT_EQ(log[1].Header("If-Modified-Since"), "Sun, 03 May 2009 01:02:03 GMT");
}

TEST_F(CxUrlTest, A401WithAStoredLoginIsRetriedOnceWithIt)
{
    TempHome home;
    ASSERT_TRUE(CxWriteAuthentication("example.data", Cx("änne"), Cx("pw:1")));
    server.AddDocument("/secret", 200, "text/plain", "inside").RequireBasic("änne", "pw:1");

    CxUrl url(Cx(server.Url("/secret")));
    url.SetAuthenticationKey("example.data");
    EXPECT_EQ(Text(url.Get()), "inside");
    EXPECT_EQ(url.ResponseCode(), 200);
    EXPECT_EQ(url.Name(), Cx("änne"));
    EXPECT_EQ(url.Password(), "pw:1");

    const auto log = server.Requests();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_FALSE(log[0].HasHeader("Authorization"));
    EXPECT_EQ(log[1].Header("Authorization"), "Basic w6RubmU6cHc6MQ=="); // base64 of the UTF-8 "änne:pw:1"

    // The login is kept: the next request still goes first without it.
    url.Get();
    EXPECT_EQ(server.RequestCount(), 4u);
    EXPECT_FALSE(server.Requests()[2].HasHeader("Authorization"));
}

TEST_F(CxUrlTest, A401IsRetriedOnlyWithSomethingToTry)
{
    TempHome home;
    server.AddDocument("/secret", 200, "text/plain", "inside").RequireBasic("ann", "pw");
    struct Case
    {
        const char* what;
        std::function<void(CxUrl&)> setUp;
        int status;
        std::vector<std::string> authorizations; // per request, "" for none
    };
    const Case cases[] = {
        {"no name, no key", [](CxUrl&) {}, 401, {""}},
        {"a key with no stored login", [](CxUrl& u) { u.SetAuthenticationKey("nobody.here"); }, 401, {"", ""}},
        {"a given name and password",
         [](CxUrl& u)
         {
             u.SetName("ann");
             u.SetPassword("pw");
         },
         200,
         {"", "Basic YW5uOnB3"}},
    };
    for (const Case& c : cases)
    {
        server.ClearLog();
        CxUrl url(Cx(server.Url("/secret")));
        c.setUp(url);
        EXPECT_EQ(url.Head(), c.status) << c.what;
        const auto log = server.Requests();
        ASSERT_EQ(log.size(), c.authorizations.size()) << c.what;
        for (std::size_t i = 0; i < log.size(); ++i)
            EXPECT_EQ(log[i].Header("Authorization"), c.authorizations[i]) << c.what << ", request " << i;
    }
}

TEST_F(CxUrlTest, ThreeRedirectsAreFollowedAndAFourthFails)
{
    server.AddDocument("/end", 200, "text/plain", "arrived");
    server.AddRedirectChain("/three", 3, "/end");
    server.AddRedirectChain("/four", 4, "/end");

    CxUrl url(Cx(server.Url("/three")));
    EXPECT_EQ(Text(url.Get()), "arrived");
    EXPECT_EQ(url.ResponseCode(), 200);
    EXPECT_EQ(server.RequestCount(), 4u);

    server.ClearLog();
    url.SetUrl(Cx(server.Url("/four")));
    EXPECT_EQ(Text(url.Get()), "");
    EXPECT_EQ(url.ResponseCode(), 0);
    EXPECT_EQ(server.Hits("/end"), 0);

    url.SetFollowRedirect(false);
    url.Get();
    EXPECT_EQ(url.ResponseCode(), 302);
    // And on again.
    url.SetFollowRedirect(true);
    url.SetUrl(Cx(server.Url("/three")));
    EXPECT_EQ(Text(url.Get()), "arrived");
    EXPECT_EQ(url.ResponseCode(), 200);
}

TEST_F(CxUrlTest, EncodedBodiesAreDecoded)
{
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += "line " + std::to_string(i) + "\n";
    server.AddDocument("/z", 200, "text/plain", text).Gzip();
    CxUrl url(Cx(server.Url("/z")));
    EXPECT_EQ(Text(url.Get()), text);
    EXPECT_EQ(url.ResponseCode(), 200);
    EXPECT_NE(server.Requests()[0].Header("Accept-Encoding").find("gzip"), std::string::npos);
}

TEST_F(CxUrlTest, APostBodyArrivesIntact)
{
    // Above libcurl's 1 KiB threshold for Expect: 100-continue, below the server's 8 KiB form limit.
    std::string payload(8000, '\0');
    for (std::size_t i = 0; i < payload.size(); ++i)
        payload[i] = char((i * 7919u) >> 3);
    server.AddHandler("/post", [](const HttpRequest& inRequest, HttpReply& outReply)
                      { outReply.body = std::to_string(inRequest.body.size()); });
    CxUrl url(Cx(server.Url("/post")));
    url.SetBody(CxData(payload.data(), CxUint32(payload.size())));
    EXPECT_EQ(Text(url.Post()), "8000");
    EXPECT_EQ(url.ResponseCode(), 200);
    const auto log = server.Requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].method, "POST");
    EXPECT_EQ(log[0].body, payload);
}

TEST_F(CxUrlTest, AReusedHandleCarriesNothingOver)
{
    server.AddHandler("/any", [](const HttpRequest& inRequest, HttpReply& outReply)
                      { outReply.body = inRequest.method + ":" + inRequest.body; });
    CxUrl url(Cx(server.Url("/any")));
    url.SetBody(CxData("abc", 3));
    EXPECT_EQ(Text(url.Post()), "POST:abc");
    EXPECT_EQ(url.Head(), 200);
    EXPECT_EQ(Text(url.Get()), "GET:");
    url.SetIfModifiedSince(kDate);
    EXPECT_EQ(Text(url.Post()), "POST:abc");
    url.SetIfModifiedSince(CxUrl::NullDate());
    EXPECT_EQ(Text(url.Get()), "GET:");

    const auto log = server.Requests();
    ASSERT_EQ(log.size(), 5u);
    const char* methods[] = {"POST", "HEAD", "GET", "POST", "GET"};
    for (std::size_t i = 0; i < log.size(); ++i)
    {
        EXPECT_EQ(log[i].method, methods[i]) << i;
        EXPECT_EQ(log[i].HasHeader("If-Modified-Since"), i == 3) << i;
        EXPECT_FALSE(log[i].HasHeader("Authorization")) << i;
    }
}

TEST_F(CxUrlTest, HeadAnswersTheStatusWithoutABody)
{
    server.AddDocument("/h", 200, "text/plain", "0123456789").LastModified(kTime);
    CxUrl url(Cx(server.Url("/h")));
    EXPECT_EQ(url.Head(), 200);
    EXPECT_EQ(url.TransferSize(), 0u);
    EXPECT_EQ(url.LastModified(), kDate);
    url.SetUrl(Cx(server.Url("/nothing")));
    EXPECT_EQ(url.Head(), 404);
    EXPECT_NE(Text(url.Get()), ""); // an error status is a reply with its body
    EXPECT_EQ(url.ResponseCode(), 404);
}

TEST_F(CxUrlTest, ACutBodyIsNoReply)
{
    server.AddDocument("/ok", 200, "text/plain", "whole").LastModified(kTime);
    server.AddDocument("/cut", 200, "text/plain", std::string(10000, 'c')).CutAfter(1000).LastModified(kTime + 86400);
    CxUrl url(Cx(server.Url("/ok")));
    url.Get();
    ASSERT_EQ(url.LastModified(), kDate);

    url.SetUrl(Cx(server.Url("/cut")));
    const CxData body = url.Get();
    EXPECT_EQ(url.ResponseCode(), 0);
    EXPECT_EQ(body.Size(), 0u);
    EXPECT_EQ(url.TransferSize(), 0u);
    EXPECT_EQ(url.Mime(), "");
    EXPECT_EQ(url.LastModified(), kDate); // as before the request
}

TEST_F(CxUrlTest, AClosedPortGivesStatusZeroAndAnEmptyBody)
{
    ClosedPort closed;
    CxUrl url(Cx(closed.Url("/x")));
    const CxData body = url.Get();
    EXPECT_EQ(url.ResponseCode(), 0);
    EXPECT_EQ(body.Size(), 0u);
    EXPECT_EQ(url.Head(), 0);
}

TEST_F(CxUrlTest, TheAbortFlagEndsADelayedTransfer)
{
    server.AddDocument("/slow", 200, "text/plain", "late").Delay(2000);
    CxUrl url(Cx(server.Url("/slow")));
    std::thread worker([&] { url.Get(); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (server.Hits("/slow") == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    CxUrl::AbortTransfers(true);
    EXPECT_TRUE(CxUrl::TransfersAborted());
    worker.join();
    // Without the abort the server's answer would have come: 200.
    EXPECT_EQ(url.ResponseCode(), 0);
    EXPECT_EQ(url.TransferSize(), 0u);

    // A new transfer ends before it starts.
    server.ClearLog();
    server.AddDocument("/fast", 200, "text/plain", "now");
    CxUrl fast(Cx(server.Url("/fast")));
    fast.Get();
    EXPECT_EQ(fast.ResponseCode(), 0);
    EXPECT_EQ(server.RequestCount(), 0u);

    CxUrl::AbortTransfers(false);
    EXPECT_EQ(Text(fast.Get()), "now");
}

TEST_F(CxUrlTest, TheUserAgentDescribesProductAndSystem)
{
    const CxString saved = CxUrl::Agent();
    CxUrl::SetAgentWithProduct("P", "V", "");
    const std::string agent = CxUrl::Agent().AsUtf8();
    EXPECT_EQ(agent, "P/V (Linux; N; " + CxSystemCpu().AsUtf8() + "; " + CxSystemVersion().AsUtf8() + "; " +
                         CxSystemLocale().AsUtf8() + ")");
    int major = -1, minor = -1;
    EXPECT_EQ(std::sscanf(CxSystemVersion().AsUtf8().c_str(), "Linux %d.%d", &major, &minor), 2) << agent;
    EXPECT_TRUE(CxSystemCpu() == "x86" || CxSystemCpu() == "???") << agent;

    CxUrl::SetAgentWithProduct("P", "V", "extra");
    EXPECT_EQ(CxUrl::Agent().AsUtf8(), agent.substr(0, agent.size() - 1) + "; extra)");

    server.AddDocument("/ua", 200, "text/plain", "x");
    CxUrl url(Cx(server.Url("/ua")));
    url.Get();
    CxUrl::SetAgent(saved);
    EXPECT_EQ(server.Requests()[0].Header("User-Agent"), agent.substr(0, agent.size() - 1) + "; extra)");
}

TEST_F(CxUrlTest, ProxySettingsReachTheRequest)
{
    TempHome home;
    ClosedPort origin; // reached only through the proxy
    LoopbackServer proxy;
    proxy.AddDocument(origin.Url("/via"), 200, "text/plain", "proxied");
    const std::string proxyUrl = "http://pu:pp@127.0.0.1:" + std::to_string(proxy.Port());
    ScopedEnv httpProxy("http_proxy", proxyUrl);
    {
        ScopedEnv noProxy("no_proxy", std::nullopt);
        CxUrl url(Cx(origin.Url("/via")));
        EXPECT_EQ(Text(url.Get()), "proxied");
        EXPECT_EQ(url.ResponseCode(), 200);
        const auto log = proxy.Requests();
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].path, origin.Url("/via"));
        EXPECT_EQ(log[0].Header("Proxy-Authorization"), "Basic cHU6cHA="); // base64 of "pu:pp"
    }
    {
        // The exceptions of no_proxy hold: the origin is asked directly, and refuses.
        ScopedEnv noProxy("no_proxy", "127.0.0.1");
        CxUrl url(Cx(origin.Url("/via")));
        url.Get();
        EXPECT_EQ(url.ResponseCode(), 0);
        EXPECT_EQ(proxy.RequestCount(), 1u);
    }
}

TEST_F(CxUrlTest, AssignmentCopiesTheRequestAndKeepsItsOwnTransferSize)
{
    server.AddDocument("/a", 200, "text/plain", "12345").LastModified(kTime);
    CxUrl first(Cx(server.Url("/a")));
    first.SetAuthenticationKey("key");
    first.SetName("n");
    first.SetPassword("p");
    first.SetIfModifiedSince(kDate - 10.0);
    first.SetBody(CxData("b", 1));
    first.SetRefCon(77);
    first.Get();

    CxUrl second;
    EXPECT_NE(second, first);
    second = first;
    EXPECT_EQ(second.AuthenticationKey(), "key");
    EXPECT_EQ(second.Password(), "p");
    EXPECT_EQ(second.IfModifiedSince(), kDate - 10.0);
    EXPECT_EQ(second.LastModified(), kDate);
    EXPECT_EQ(second.Body(), first.Body());
    EXPECT_EQ(second.RefCon(), 77u);
    EXPECT_EQ(second.TransferSize(), 0u); // its own, not the copied one
    EXPECT_EQ(first.TransferSize(), 5u);

    CxUrl other(Cx(server.Url("/a")));
    EXPECT_EQ(other, first); // equality looks at the URL only
}

TEST(CxServerAddress, TheEnvironmentOverridesTheFallback)
{
    {
        ScopedEnv guard("SKYVANE_SERVER_REGISTRY", "http://127.0.0.1:9");
        EXPECT_EQ(CxServerAddress("registry", "http://fallback"), "http://127.0.0.1:9");
        EXPECT_EQ(CxServerAddress("REGISTRY", "http://fallback"), "http://127.0.0.1:9");
        EXPECT_EQ(CxServerAddress("update", "http://fallback"), "http://fallback");
    }
    ScopedEnv empty("SKYVANE_SERVER_UPDATE", "");
    EXPECT_EQ(CxServerAddress("update", "http://fallback"), "http://fallback");
    EXPECT_EQ(CxServerAddress("registry", "http://fallback"), "http://fallback");
}
