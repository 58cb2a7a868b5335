// The demo server's answers, by a plain HTTP client, over a copy of a small folder.
#include "VaneDemoServer.h"

#include "TestSupport.h"

#include <httplib.h>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <fstream>

namespace
{

namespace fs = std::filesystem;

class VaneDemoServerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mRoot = fs::path(mHome.Path()) / "served";
        fs::create_directories(mRoot / "obs" / "info");
        fs::create_directories(mRoot / "obs" / "data");
        Write(mRoot / "obs" / "info" / "config.xml", "<c base=\"@BASE@/obs/\"/>");
        Write(mRoot / "obs" / "data" / "a.kdf", "101 @BASE@\n");
        Write(mRoot / "obs" / "data" / "r.nids", "nids");
        Write(mRoot / "obs" / "data" / "w.shp", "shape");
        Write(fs::path(mHome.Path()) / "secret.xml", "<secret/>");
        fs::create_symlink(fs::path(mHome.Path()) / "secret.xml", mRoot / "obs" / "out.xml");
        fs::create_symlink(mRoot / "obs" / "data" / "a.kdf", mRoot / "obs" / "in.kdf");
        // A fixed modification time for the date checks: 2020-07-27 12:00:00 UTC.
        for (const char* file : {"obs/info/config.xml", "obs/data/a.kdf"})
        {
            const struct timespec times[2] = {{kModified, 0}, {kModified, 0}};
            ASSERT_EQ(utimensat(AT_FDCWD, (mRoot / file).c_str(), times, 0), 0);
        }
        mBase = mServer.Start(mRoot.string());
        ASSERT_FALSE(mBase.empty()) << mServer.Error();
    }
    static void Write(const fs::path& inPath, const std::string& inText) { std::ofstream(inPath) << inText; }

    static constexpr std::time_t kModified = 1595851200;
    sky::test::TempHome mHome;
    fs::path mRoot;
    VaneDemoServer mServer;
    std::string mBase;
};

TEST_F(VaneDemoServerTest, AnswersInsideTheFolderOnly)
{
    const std::string base = mBase;
    const struct
    {
        const char* mMethod;
        std::string mTarget;
        int mStatus;
        const char* mType; // checked when the status is 200
        std::string mBody; // checked for GET 200
        const char* mSince = "";
    } cases[] = {
        {"GET", "/nimbrel/registry.php?id=obs", 200, "text/xml", "<c base=\"" + base + "/obs/\"/>"},
        {"HEAD", "/nimbrel/registry.php?id=obs", 200, "text/xml", ""},
        {"GET", "/nimbrel/registry.php?id=%6Fbs", 200, "text/xml", "<c base=\"" + base + "/obs/\"/>"},
        {"GET", "/nimbrel/registry.php?id=..", 404, "", ""},
        {"GET", "/nimbrel/registry.php?id=obs/info", 404, "", ""},
        {"GET", "/nimbrel/registry.php?id=obs%2Finfo", 404, "", ""},
        {"GET", "/nimbrel/registry.php?id=obs%5Cinfo", 404, "", ""},
        {"GET", "/nimbrel/registry.php?id=obs%00", 404, "", ""},
        {"GET", "/nimbrel/registry.php?id=", 404, "", ""},
        {"GET", "/nimbrel/registry.php", 404, "", ""},
        {"GET", "/nimbrel/registry.php?id=none", 404, "", ""},
        // XML only gets the address; other files are sent as they are.
        {"GET", "/obs/data/a.kdf", 200, "application/kdf", "101 @BASE@\n"},
        {"GET", "/obs/data/r.nids", 200, "image/nids", "nids"},
        {"GET", "/obs/data/w.shp", 200, "application/octet-stream", "shape"},
        {"GET", "/obs/in.kdf", 200, "application/kdf", "101 @BASE@\n"},
        {"HEAD", "/obs/data/r.nids", 200, "image/nids", ""},
        {"GET", "/obs/data/b.kdf", 404, "", ""},
        {"HEAD", "/obs/data/b.kdf", 404, "", ""},
        {"GET", "/obs/data", 404, "", ""},
        {"GET", "/", 404, "", ""},
        {"GET", "/obs/../obs/data/a.kdf", 404, "", ""},
        {"GET", "/obs/%2E%2E/../secret.xml", 404, "", ""},
        {"GET", "/../secret.xml", 404, "", ""},
        {"GET", "//etc/passwd", 404, "", ""},
        {"GET", "/obs/out.xml", 404, "", ""},
        {"POST", "/obs/data/a.kdf", 405, "", ""},
        {"DELETE", "/obs/data/a.kdf", 405, "", ""},
        // Not older than the file: 304; older: the file.
        {"GET", "/obs/data/a.kdf", 304, "", "", "Mon, 27 Jul 2020 12:00:00 GMT"},
        {"GET", "/obs/data/a.kdf", 304, "", "", "Tue, 28 Jul 2020 12:00:00 GMT"},
        {"GET", "/obs/data/a.kdf", 200, "application/kdf", "101 @BASE@\n", "Mon, 27 Jul 2020 11:59:59 GMT"},
        // The address replaced is new with every run: never 304.
        {"GET", "/nimbrel/registry.php?id=obs", 200, "text/xml", "<c base=\"" + base + "/obs/\"/>",
         "Mon, 27 Jul 2020 12:00:00 GMT"},
        {"GET", "/obs/data/a.kdf", 200, "application/kdf", "101 @BASE@\n", "yesterday"},
    };
    httplib::Client client("127.0.0.1", std::stoi(mBase.substr(mBase.rfind(':') + 1)));
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.mMethod) + " " + c.mTarget + " " + c.mSince);
        httplib::Request request;
        request.method = c.mMethod;
        request.path = c.mTarget;
        if (*c.mSince != 0)
            request.set_header("If-Modified-Since", c.mSince);
        const httplib::Result result = client.send(request);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, c.mStatus);
        if (c.mStatus != 200)
            continue;
        EXPECT_EQ(result->get_header_value("Content-Type"), c.mType);
        if (std::string(c.mMethod) == "GET")
        {
            EXPECT_EQ(result->body, c.mBody);
        }
        if (c.mTarget == "/obs/data/a.kdf")
        {
            EXPECT_EQ(result->get_header_value("Last-Modified"), "Mon, 27 Jul 2020 12:00:00 GMT");
        }
    }
}

TEST(VaneDemoServer, RefusesWhatItCannotServe)
{
    VaneDemoServer server;
    EXPECT_EQ(server.Start("/nonexistent/folder"), "");
    EXPECT_NE(server.Error().find("/nonexistent/folder"), std::string::npos);
    sky::test::TempHome home;
    const std::string base = server.Start(home.Path());
    ASSERT_NE(base, "");
    EXPECT_EQ(server.Start(home.Path()), "");
    EXPECT_EQ(server.Base(), base);
    server.Stop();
    EXPECT_EQ(server.Base(), "");
    httplib::Client client("127.0.0.1", std::stoi(base.substr(base.rfind(':') + 1)));
    EXPECT_FALSE(client.Get("/"));
}

} // namespace
