// The reasons a run gives when a document or its data cannot be had, each against a loopback server that fails
// that way; and the scratch folder's parent, TMPDIR.
#include "LoopbackServer.h"
#include "TestSupport.h"
#include "VaneRender.h"
#include "VaneRenderRun.h"

#include <gtest/gtest.h>

namespace
{

using namespace vanerun;
using sky::test::ClosedPort;
using sky::test::LoopbackServer;

const fs::path kDemo = fs::path(SKYVANE_SOURCE_DIR) / "Products" / "Skyvane" / "Demo";

class VaneRenderReason : public ::testing::Test
{
protected:
    fs::path Folder() const { return fs::canonical(mHome.Path()); }

    sky::test::TempHome mHome;
};

TEST_F(VaneRenderReason, ADocumentUrlSaysWhatHappened)
{
    LoopbackServer server;
    const ClosedPort closed;
    server.AddDocument("/missing.vanedoc", 404, "text/plain", "gone");
    server.AddRedirectChain("/loop.vanedoc", 2, "/loop.vanedoc");
    server.AddDocument("/huge.vanedoc", 200, "text/xml", std::string((std::size_t(16) << 20) + 1, ' '));
    server.AddDocument("/fine.vanedoc", 200, "text/xml", Document(""));
    const struct
    {
        std::string mUrl;
        int mStatus;
        std::string mSaid; // on standard error
    } cases[] = {
        {server.Url("/missing.vanedoc"), kVaneUsage, ": 404 Not Found"},
        {server.Url("/loop.vanedoc"), kVaneUsage, ": Maximum (3) redirects followed"},
        {server.Url("/huge.vanedoc"), kVaneUsage, ": larger than 16777216 bytes"},
        {closed.Url("/any.vanedoc"), kVaneUsage,
         ": Failed to connect to 127.0.0.1 port " + std::to_string(closed.Port())},
        {server.Url("/fine.vanedoc"), kVaneDone, ""},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mUrl);
        const Outcome run = Render("'" + c.mUrl + "' --size 64x48 --out out", Folder());
        EXPECT_EQ(run.mStatus, c.mStatus) << run.mOut << run.mErr;
        if (c.mSaid.empty())
        {
            EXPECT_EQ(run.mErr, "");
        }
        else
        {
            EXPECT_NE(run.mErr.find("vanerender: " + c.mUrl + c.mSaid), std::string::npos) << run.mErr;
        }
    }
}

// A data set's reason: libcurl's words where no reply came, the data log's where a reply was not kept, the date
// where a kept file did not decode.
TEST_F(VaneRenderReason, ADataSetSaysWhatHappened)
{
    LoopbackServer server;
    const ClosedPort closed;
    server.AddRedirectChain("/nimbrel/registry.php", 2, "/nimbrel/registry.php");
    // Copies of the outlines' data folder, each with another shapefile: none, its header alone, its header and
    // records that do not read.
    const std::string shapefile = Slurp(kDemo / "natural-earth" / "data" / "world" / "naturalearth_lowres.shp");
    const auto serve = [&](const std::string& inName, const std::string& inShapefile)
    {
        const fs::path served = Folder() / inName;
        fs::create_directories(served);
        fs::copy(kDemo / "natural-earth", served / "natural-earth", fs::copy_options::recursive);
        Write(served / "natural-earth" / "data" / "world" / "naturalearth_lowres.shp", inShapefile);
        return " --serve '" + served.string() + "'";
    };
    Write(Folder() / "outlines.vanedoc", Document(kOutlines));
    std::string registry = closed.Url("");
    if (!registry.empty() && registry.back() == '/')
        registry.pop_back();
    // The layer is named by the region until the set's configuration names it.
    const std::string said = "\": ";
    const struct
    {
        std::string mArguments, mEnvironment, mSaid;
    } cases[] = {
        {"", "SKYVANE_SERVER_REGISTRY=" + registry,
         said + registry + "/nimbrel/registry.php?id=natural-earth -- Failed to connect to 127.0.0.1 port " +
             std::to_string(closed.Port())},
        {"", "SKYVANE_SERVER_REGISTRY=" + server.Base(),
         said + server.Base() +
             "/nimbrel/registry.php?id=natural-earth -- Maximum (3) "
             "redirects followed"},
        {"", "SKYVANE_SERVER_REGISTRY=file://" + Folder().string(), "?id=natural-earth -- Protocol \"file\""},
        {serve("none", std::string(4096, 'x')), "",
         said + "application/octet-stream is an unsupported mime type for this data set\n"},
        {serve("short", shapefile.substr(0, 100)), "",
         said + "application/octet-stream reply does not read as a .shp file; not written\n"},
        // Kept and then not decoded: the engine logs no reason, so the date it has no data for is said.
        {serve("broken", shapefile.substr(0, 100) + std::string(shapefile.size() - 100, '\xff')), "",
         said + "no data at 2015-01-02 02:05:00 UTC\n"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mArguments + " " + c.mEnvironment);
        const Outcome run = Render("outlines.vanedoc" + c.mArguments + " --size 64x48 --out out --timeout 20", Folder(),
                                   c.mEnvironment);
        EXPECT_EQ(run.mStatus, kVaneNoData) << run.mOut << run.mErr;
        EXPECT_NE(run.mOut.find("natural-earth: no data for \""), std::string::npos) << run.mOut;
        EXPECT_NE(run.mOut.find(c.mSaid), std::string::npos) << run.mOut;
        EXPECT_EQ(run.mOut.find("connection refused"), std::string::npos) << run.mOut;
    }
}

// The scratch folder goes under TMPDIR, /tmp when it is unset or empty; a TMPDIR that takes no folder is named.
TEST_F(VaneRenderReason, TheScratchFolderGoesUnderTmpdir)
{
    Write(Folder() / "map.vanedoc", Document(""));
    Write(Folder() / "plain", "a file");
    const struct
    {
        std::string mEnvironment;
        int mStatus;
        std::string mSaid;
    } cases[] = {
        {"env -u TMPDIR", kVaneDone, ""},
        {"TMPDIR=", kVaneDone, ""},
        {"TMPDIR=" + (Folder() / "absent").string(), kVaneFailed,
         "cannot make a temporary folder in " + (Folder() / "absent").string() + ": No such file or directory"},
        {"TMPDIR=" + (Folder() / "plain").string(), kVaneFailed,
         "cannot make a temporary folder in " + (Folder() / "plain").string() + ": Not a directory"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mEnvironment);
        const Outcome run = Render("map.vanedoc --size 64x48 --out out", Folder(), c.mEnvironment);
        EXPECT_EQ(run.mStatus, c.mStatus) << run.mOut << run.mErr;
        if (!c.mSaid.empty())
        {
            EXPECT_NE(run.mErr.find(c.mSaid), std::string::npos) << run.mErr;
        }
    }
}

} // namespace
