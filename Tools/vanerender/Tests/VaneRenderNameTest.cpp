// A URL document's picture is named after the last segment of its path: a trailing slash, a query (slashes and
// dots in it too) and a fragment are no part of the name.
#include "LoopbackServer.h"
#include "TestSupport.h"
#include "VaneRender.h"
#include "VaneRenderRun.h"

#include <gtest/gtest.h>

#include <set>

namespace
{

using namespace vanerun;
using sky::test::LoopbackServer;

TEST(VaneRenderName, AUrlsPictureIsNamedAfterItsLastPathSegment)
{
    sky::test::TempHome home;
    const fs::path folder = fs::canonical(home.Path());
    LoopbackServer server;
    server.AddDocument("/maps/radar/", 200, "text/xml", Document("", "#FF0000FF"));
    server.AddDocument("/doc.vanedoc", 200, "text/xml", Document("", "#00FF00FF"));
    server.AddDocument("/maps/storm//", 200, "text/xml", Document("", "#0000FFFF"));
    const struct
    {
        std::string mUrl;
        const char* mPicture;
    } rows[] = {
        {server.Url("/maps/radar/"), "radar.png"},
        {server.Url("/doc.vanedoc?v=1.2") + "#x", "doc.png"},
        {server.Url("/maps/storm//?at=a/b.c"), "storm.png"},
    };
    std::string arguments;
    for (const auto& row : rows)
        arguments += "'" + row.mUrl + "' ";
    const Outcome run = Render(arguments + "--size 64x48 --out out", folder);
    EXPECT_EQ(run.mStatus, kVaneDone) << run.mOut << run.mErr;
    std::set<std::string> written;
    for (const auto& entry : fs::directory_iterator(folder / "out"))
        written.insert(entry.path().filename().string());
    std::set<std::string> wanted;
    for (const auto& row : rows)
    {
        wanted.insert(row.mPicture);
        EXPECT_NE(run.mOut.find("Picture: " + (folder / "out" / row.mPicture).string() + "\n"), std::string::npos)
            << row.mUrl << "\n"
            << run.mOut;
    }
    EXPECT_EQ(written, wanted);
}

} // namespace
