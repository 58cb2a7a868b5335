// The demo server's dates: a body that carries the run's address is new with every run and never revalidated;
// files sent as they are keep their modification dates.
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

// 2020-07-27 12:00:00 UTC, the files' modification time.
constexpr std::time_t kModified = 1595851200;

class VaneDemoServerDates : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mRoot = fs::path(mHome.Path()) / "served";
        fs::create_directories(mRoot / "obs" / "info");
        fs::create_directories(mRoot / "obs" / "data");
        Write(mRoot / "obs" / "info" / "config.xml", "<c base=\"@BASE@/obs/\"/>");
        Write(mRoot / "obs" / "info" / "siteinfo.xml", "<sites/>");
        Write(mRoot / "obs" / "data" / "a.kdf", "101 @BASE@\n");
        for (const char* file : {"obs/info/config.xml", "obs/info/siteinfo.xml", "obs/data/a.kdf"})
        {
            const struct timespec times[2] = {{kModified, 0}, {kModified, 0}};
            ASSERT_EQ(utimensat(AT_FDCWD, (mRoot / file).c_str(), times, 0), 0);
        }
    }
    static void Write(const fs::path& inPath, const std::string& inText) { std::ofstream(inPath) << inText; }

    static httplib::Result Get(const std::string& inBase, const std::string& inTarget, const std::string& inSince)
    {
        httplib::Client client("127.0.0.1", std::stoi(inBase.substr(inBase.rfind(':') + 1)));
        httplib::Headers headers;
        if (!inSince.empty())
            headers.emplace("If-Modified-Since", inSince);
        return client.Get(inTarget, headers);
    }

    sky::test::TempHome mHome;
    fs::path mRoot;
};

TEST_F(VaneDemoServerDates, TheRunsAddressIsNeverRevalidated)
{
    const struct
    {
        std::string mTarget;
        const char* mSince;
        int mStatus;
        bool mDated;
        std::string mBody; // with "@" for the base; checked when 200
    } cases[] = {
        // The address replaced: always the whole body, undated, whatever the client holds.
        {"/nimbrel/registry.php?id=obs", "", 200, false, "<c base=\"@/obs/\"/>"},
        {"/nimbrel/registry.php?id=obs", "Mon, 27 Jul 2020 12:00:00 GMT", 200, false, "<c base=\"@/obs/\"/>"},
        {"/nimbrel/registry.php?id=obs", "Fri, 01 Jan 2100 00:00:00 GMT", 200, false, "<c base=\"@/obs/\"/>"},
        {"/obs/info/config.xml", "Fri, 01 Jan 2100 00:00:00 GMT", 200, false, "<c base=\"@/obs/\"/>"},
        // XML without the address, and other files (which never get it), keep their dates and 304.
        {"/obs/info/siteinfo.xml", "Mon, 27 Jul 2020 12:00:00 GMT", 304, true, ""},
        {"/obs/info/siteinfo.xml", "Mon, 27 Jul 2020 11:59:59 GMT", 200, true, "<sites/>"},
        {"/obs/data/a.kdf", "Mon, 27 Jul 2020 12:00:00 GMT", 304, true, ""},
        {"/obs/data/a.kdf", "", 200, true, "101 @BASE@\n"},
        // A date that does not read is no condition.
        {"/obs/data/a.kdf", "Mon, 27 Foo 2020 12:00:00 GMT", 200, true, "101 @BASE@\n"},
    };
    // Two runs of the server, as two runs of a tool on one home: the second's address, never the first's.
    for (int run = 0; run < 2; ++run)
    {
        VaneDemoServer server;
        const std::string base = server.Start(mRoot.string());
        ASSERT_FALSE(base.empty()) << server.Error();
        for (const auto& c : cases)
        {
            SCOPED_TRACE("run " + std::to_string(run) + ": " + c.mTarget + " since \"" + c.mSince + "\"");
            const httplib::Result result = Get(base, c.mTarget, c.mSince);
            ASSERT_TRUE(result);
            EXPECT_EQ(result->status, c.mStatus);
            EXPECT_EQ(result->get_header_value("Last-Modified"), c.mDated ? "Mon, 27 Jul 2020 12:00:00 GMT" : "");
            if (c.mStatus != 200)
                continue;
            std::string body = c.mBody;
            if (const std::size_t at = body.find("@/"); at != std::string::npos)
                body.replace(at, 1, base);
            EXPECT_EQ(result->body, body);
        }
    }
}

} // namespace
