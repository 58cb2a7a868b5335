#include "LoopbackServer.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <string>

using namespace sky::test;

// The kit's own behaviour is exercised by every network test of the products; this only tells a broken kit apart
// from a broken product.
TEST(LoopbackServer, ServesADocumentAndLogsTheRequest)
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

    const auto log = server.Requests();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].method, "GET");
    EXPECT_EQ(log[0].path, "/doc.xml");
    EXPECT_EQ(server.Hits("/doc.xml"), 1);
}

// A proxy trap must see tunnelled requests too, and see them before the client hears the refusal.
TEST(LoopbackServer, LogsAConnectRequestItRefuses)
{
    LoopbackServer server;
    httplib::Client client("127.0.0.1", server.Port());
    httplib::Request request;
    request.method = "CONNECT";
    request.path = "weather.example.com:443";
    auto reply = client.send(request);
    ASSERT_TRUE(reply);
    EXPECT_GE(reply->status, 400);
    const auto log = server.Requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].method, "CONNECT");
    EXPECT_EQ(log[0].path, "weather.example.com:443");
}
