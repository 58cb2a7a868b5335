// Which way a request goes under the proxy variables: plain and secure requests through http_proxy (a secure one
// as a tunnel, since no https_proxy is set), the stored proxy login with them, and the hosts no_proxy or NO_PROXY
// name asked directly. The proxy is a loopback server that records what it is asked; the origin refuses every
// connection.
#include "CxFile.h"
#include "CxFileTestHelpers.h"
#include "CxPreferences.h"
#include "CxUrl.h"
#include "LoopbackServer.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace sky::test;
using cx4::ScopedEnv;

namespace
{

TEST(CxUrlProxyRoute, RequestsTakeTheProxyTheVariablesName)
{
    CxUrl::InitGlobals();
    TempHome home;
    ClosedPort origin;
    LoopbackServer proxy;
    const std::string host = "127.0.0.1:" + std::to_string(origin.Port());
    proxy.AddDocument("http://" + host + "/via", 200, "text/plain", "proxied");
    // Without a stored proxy login the login sent is empty: ":".
    const char* const kNoLogin = "Basic Og==";
    ScopedEnv plain("http_proxy", "http://127.0.0.1:" + std::to_string(proxy.Port())),
        secure("https_proxy", std::nullopt), secureUpper("HTTPS_PROXY", std::nullopt),
        plainUpper("HTTP_PROXY", std::nullopt);
    const struct
    {
        const char* name;
        const char* scheme;
        std::optional<std::string> noProxy, noProxyUpper;
        bool storedLogin;
        const char* method; // what the proxy is asked, "" for nothing
        const char* authorization;
    } rows[] = {
        {"plain", "http", std::nullopt, std::nullopt, false, "GET", kNoLogin},
        {"plain, stored login", "http", std::nullopt, std::nullopt, true, "GET", "Basic YW5uOnB3MQ=="},
        {"secure", "https", std::nullopt, std::nullopt, false, "CONNECT", kNoLogin},
        {"secure, stored login", "https", std::nullopt, std::nullopt, true, "CONNECT", "Basic YW5uOnB3MQ=="},
        {"secure, no_proxy", "https", "example.org,127.0.0.1", std::nullopt, false, "", ""},
        {"secure, NO_PROXY", "https", std::nullopt, "127.0.0.1", false, "", ""},
        {"plain, no_proxy of another host", "http", "example.org", std::nullopt, false, "GET", kNoLogin},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        ScopedEnv noProxy("no_proxy", row.noProxy), noProxyUpper("NO_PROXY", row.noProxyUpper);
        const std::string store = CxFolder(kCxPreferencesFolder).Path().AsUtf8() + "/logins";
        cx4::WriteFile(store, row.storedLogin ? "proxy\t127.0.0.1\tann\tpw1\n" : "");
        proxy.ClearLog();
        const std::string url = std::string(row.scheme) + "://" + host + "/via";
        CxUrl fetch(CxString::FromUtf8(url));
        const CxData reply = fetch.Get();
        // Only a plain request through the proxy is answered: the tunnel is refused and the origin takes nothing.
        const bool answered = std::string(row.method) == "GET";
        EXPECT_EQ(fetch.ResponseCode(), answered ? 200 : 0);
        EXPECT_EQ(reply.Size(), answered ? 7u : 0u);
        const std::vector<HttpRequest> log = proxy.Requests();
        EXPECT_EQ(log.size(), row.method[0] != '\0' ? 1u : 0u);
        if (log.size() != 1)
            continue;
        EXPECT_EQ(log[0].method, row.method);
        EXPECT_EQ(log[0].path, std::string(row.method) == "CONNECT" ? host : url);
        EXPECT_EQ(log[0].Header("Proxy-Authorization"), row.authorization);
    }
}

} // namespace
