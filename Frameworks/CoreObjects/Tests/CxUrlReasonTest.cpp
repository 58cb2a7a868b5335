// Why a request had no complete reply: each failure against the loopback servers, kept by URL until that URL
// answers.
#include "CxUrl.h"
#include "LoopbackServer.h"

#include <gtest/gtest.h>

using namespace sky::test;

namespace
{

TEST(CxUrlReason, SaysWhyNoReplyCame)
{
    CxUrl::InitGlobals();
    LoopbackServer server;
    const ClosedPort closed;
    server.AddDocument("/ok", 200, "text/plain", "fine");
    server.AddDocument("/missing", 404, "text/plain", "gone");
    server.AddDocument("/big", 200, "text/plain", std::string(100, 'b'));
    server.AddDocument("/packed", 200, "text/plain", "not compressed").Header("Content-Encoding", "gzip");
    // Each hop points at the next and the last back at the first: a loop.
    server.AddRedirectChain("/loop", 2, "/loop");
    const struct
    {
        std::string mUrl;
        std::string mReason; // a part of it; "" for none
    } cases[] = {
        {server.Url("/ok"), ""},
        // A reply of any status is a reply.
        {server.Url("/missing"), ""},
        {closed.Url("/data"), "Failed to connect to 127.0.0.1 port " + std::to_string(closed.Port())},
        {server.Url("/loop"), "Maximum (3) redirects followed"},
        {server.Url("/big"), "larger than 50 bytes"},
        {server.Url("/packed"), "Corrupt compressed reply"},
        {"file:///etc/hostname", "Protocol \"file\""},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mUrl);
        CxUrl url(CxString::FromUtf8(c.mUrl));
        url.SetReplyLimit(50);
        url.Get();
        const std::string reason = url.Reason().AsUtf8();
        if (c.mReason.empty())
        {
            EXPECT_EQ(reason, "");
            EXPECT_NE(url.ResponseCode(), 0);
        }
        else
        {
            EXPECT_NE(reason.find(c.mReason), std::string::npos) << reason;
            EXPECT_EQ(url.ResponseCode(), 0);
        }
        // The same words for whoever has only the URL.
        EXPECT_EQ(CxUrl::LastReason(CxString::FromUtf8(c.mUrl)).AsUtf8(), reason);
        // A copy says what the original said.
        EXPECT_EQ(CxUrl(url).Reason().AsUtf8(), reason);
    }
}

TEST(CxUrlReason, ForgottenOnceTheUrlAnswersAndWhenAborted)
{
    CxUrl::InitGlobals();
    LoopbackServer server;
    server.AddDocument("/later", 503, "text/plain", "busy");
    const CxString target = CxString::FromUtf8(server.Url("/later"));
    CxUrl url(target);
    CxUrl::AbortTransfers(true);
    url.Get();
    CxUrl::AbortTransfers(false);
    EXPECT_EQ(url.Reason().AsUtf8(), "the transfer was aborted");
    EXPECT_EQ(CxUrl::LastReason(target).AsUtf8(), "the transfer was aborted");
    url.Get();
    EXPECT_EQ(url.ResponseCode(), 503);
    EXPECT_EQ(url.Reason().AsUtf8(), "");
    EXPECT_EQ(CxUrl::LastReason(target).AsUtf8(), "");
    // Only the last few failures are kept.
    const ClosedPort closed;
    for (int i = 0; i < 100; ++i)
        CxUrl(CxString::FromUtf8(closed.Url("/" + std::to_string(i)))).Get();
    EXPECT_EQ(CxUrl::LastReason(CxString::FromUtf8(closed.Url("/0"))).AsUtf8(), "");
    EXPECT_NE(CxUrl::LastReason(CxString::FromUtf8(closed.Url("/99"))).AsUtf8(), "");
}

} // namespace
