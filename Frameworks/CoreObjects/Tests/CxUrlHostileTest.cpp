// What a hostile server, a planted file, a second process or a careless caller gives.
#include "CxDebug.h"
#include "CxError.h"
#include "CxFile.h"
#include "CxFileTestHelpers.h"
#include "CxSystem.h"
#include "CxUrl.h"
#include "LoopbackServer.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

using namespace sky::test;
using cx4::ScopedEnv;

namespace
{

const CxDate kDate(2015, 10, 21, 7, 28, 0, 0);

TEST(CxHostileTest, BodiesPastTheLimitCutStreamsAndOtherSchemesFail)
{
    LoopbackServer server;
    CxUrl url;
    auto get = [&](const std::string& inUrl)
    {
        url.SetUrl(CxString::FromUtf8(inUrl[0] == '/' ? server.Url(inUrl) : inUrl));
        return url.Get().Size();
    };
    const std::string text(1 << 20, 'w'), dict = "dict://127.0.0.1:" + std::to_string(server.Port()) + "/d:x";
    server.AddDocument("/first", 200, "text/plain", "x").LastModified(UtcTime(2015, 10, 21, 7, 28, 0));
    server.AddDocument("/fits", 200, "text/plain", text).Gzip().NoLastModified();
    server.AddDocument("/bomb", 200, "text/plain", text + "w").Gzip();
    server.AddDocument("/plain", 200, "text/plain", text + "w");
    server.AddRedirectChain("/away", 1, dict);
    server.AddHandler("/deflate", // a zlib stream, its last 20 bytes left out when asked
                      [&text](const HttpRequest& inRequest, HttpReply& outReply)
                      {
                          uLongf size = compressBound(uLong(text.size()));
                          outReply.body.resize(size);
                          compress(reinterpret_cast<Bytef*>(outReply.body.data()), &size,
                                   reinterpret_cast<const Bytef*>(text.data()), uLong(text.size()));
                          outReply.body.resize(size - (inRequest.query.empty() ? 0 : 20));
                          outReply.headers.push_back({"Content-Encoding", "deflate"});
                      });
    url.SetReplyLimit(CxUint32(text.size()));
    EXPECT_TRUE(get("/fits") == text.size() && get("/deflate") == text.size());
    for (const char* target : {"/bomb", "/plain", "/deflate?cut", "/away", "file:///etc/hostname", dict.c_str()})
    {
        get("/first");
        CxDebugCapture capture;
        EXPECT_TRUE(!get(target) && !url.ResponseCode() && url.LastModified() == kDate && capture.Count()) << target;
    }
}

TEST(CxHostileTest, TheThreeDateFormsAreReadOthersChangeNothingRedirectsGiveNone)
{
    const auto saved = CxSetNowSource([] { return kDate.AbsoluteTime(); });
    LoopbackServer server;
    const CxDate none = CxUrl::NullDate();
    const std::pair<const char*, CxDate> cases[] = {
        {"Wed, 21 Oct 2015 07:28:00 GMT", kDate},
        {"Wednesday, 21-Oct-15 07:28:00 GMT", kDate},
        {"Sun Nov  6 08:49:37 1994", CxDate(1994, 11, 6, 8, 49, 37, 0)},
        {"Saturday, 01-Jan-66 00:00:00 GMT", CxDate(1966, 1, 1, 0, 0, 0, 0)},
        {"Wed, 32 Oct 2015 07:28:00 GMT", none},
        {"yesterday", none}};
    server.AddDocument("/final", 200, "text/plain", "x").NoLastModified();
    for (const auto& [value, date] : cases)
    {
        server.AddDocument("/d", 200, "text/plain", "x").NoLastModified().Header("Last-Modified", value);
        server.AddRedirectChain("/moved", 1, "/final").Header("Last-Modified", value);
        for (const char* target : {"/d", "/moved"})
        {
            CxUrl url(CxString::FromUtf8(server.Url(target)));
            url.Get();
            EXPECT_EQ(url.LastModified(), target[1] == 'd' ? date : none) << value << target;
        }
    }
    CxSetNowSource(saved);
}

TEST(CxHostileTest, AnEmptySearchReplacesNothing)
{
    CxString text("abcdef");
    for (CxUint32 from : {0u, 2u, 6u, 9u})
        EXPECT_TRUE(text.Replace(CxString(), CxString("X"), from) == 6 && text == "abcdef") << from;
}

TEST(CxHostileTest, HttpsRequestsTakeTheirOwnProxyWhenOneIsSet)
{
    TempHome home;
    ScopedEnv plain("http_proxy", "http://plain.example:3128"), upper("HTTPS_PROXY", std::nullopt),
        secure("https_proxy", std::nullopt);
    CxString host, user, password;
    CxSint32 port = 0;
    auto proxy = [&](bool inHttps) {
        return CxGetProxySettings(host, port, user, password, inHttps) ? host.AsUtf8() + ":" + std::to_string(port)
                                                                       : "";
    };
    EXPECT_EQ(proxy(true), "plain.example:3128");
    ::setenv("https_proxy", "http://secure.example:8443", 1);
    EXPECT_TRUE(proxy(true) == "secure.example:8443" && proxy(false) == "plain.example:3128");
}

TEST(CxHostileTest, AFifoIsRefusedAtOnce)
{
    TempHome home;
    const std::string fifo = CxFolder(kCxPreferencesFolder).Path().AsUtf8() + "/logins";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    CxFile file(CxFileRef{fifo});
    EXPECT_THROW(file.ReadContents(), CxErrorNotAFile);
    EXPECT_THROW(CxFileSource(file, kCxFileAccessRead), CxErrorNotAFile);
    CxString name, password;
    EXPECT_FALSE(CxReadAuthentication("key", name, password));
}

TEST(CxHostileTest, TwoProcessesStoringLoginsLoseNone)
{
    TempHome home;
    int start[2], status = 0, found = 0;
    ASSERT_EQ(::pipe(start), 0);
    for (int child = 0; child < 2; ++child)
        if (::fork() == 0)
        {
            ::close(start[1]);
            int failed = int(::read(start[0], &status, 1)); // 0 once the parent lets both go
            for (int i = 0; i < 60; ++i)
                failed += !CxWriteAuthentication(CxString(child * 100 + i), "name", "password");
            ::_exit(failed);
        }
    ::close(start[1]);
    while (::wait(&status) > 0)
        EXPECT_EQ(status, 0);
    CxString name, password;
    for (int key = 0; key < 200; ++key)
        found += CxReadAuthentication(CxString(key), name, password);
    EXPECT_EQ(found, 120);
}

} // namespace
