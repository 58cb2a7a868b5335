// Hostile replies through each data kind's real manager: a page, another kind's file or a cut file served after a
// good one leaves the good file in the cache; a server whose clock ran ahead, a server that trickles, and a set
// deleted while its download waits each leave the data engine working.
#include "CxUrl.h"
#include "DxManagerFixture.h"
#include "DxObsClient.h"
#include "DxObsManager.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

namespace
{

namespace fs = std::filesystem;
const CxDate kNow(2015, 1, 2, 2, 5, 0, 0);
const std::time_t kUnixNow = sky::test::UtcTime(2015, 1, 2, 2, 5, 0);
const std::string kHtml = "<!DOCTYPE html><html><body>Sign in to continue</body></html>";

std::string Shared(const std::string& inPath)
{
    const std::string path = sky::test::TestDataFile(inPath);
    return path.empty() ? std::string() : dxtest::ReadFile(path);
}

std::string Kts(int inValue)
{
    return "101\n1 2015 1 2 0 0 0\nSTID STNM TIME PRES\nkts1 1 0 " + std::to_string(inValue) + "\n";
}

std::string Advisories(int inBase)
{
    return "<?xml version=\"1.0\"?><lcz base=\"" + std::to_string(inBase) + "\"><ref/></lcz>";
}

class DxHostileReplyTest : public dxtest::ManagerTest
{
protected:
    DxHostileReplyTest() : ManagerTest(kNow) {}
    void TearDown() override
    {
        CxUrl::SetStallWindowForTesting(0);
        ManagerTest::TearDown();
    }
    DxManager* Set(const std::string& inId, const std::string& inProperties)
    {
        mServer.AddDocument("/nimbrel/registry.php?id=" + inId, 200, "text/xml",
                            dxtest::Document("datasetconfig", "<property id=\"baseUrl\" value=\"@BASE@/\"/>"
                                                              "<property id=\"dataResolution\" value=\"300\"/>" +
                                                                  inProperties));
        DxManager* manager = DxSet::FindOrCreateSet(CxString::FromUtf8(inId), kDxManagerNone)->Manager();
        EXPECT_NE(manager, nullptr) << inId;
        if (manager != nullptr)
            manager->PerformConfigUpdate(); // lists it does not name fail, the configuration stays
        return manager;
    }
    std::string Log() const
    {
        std::ostringstream log;
        log << std::ifstream(mHome.Path() + "/.local/state/skyvane/data.log").rdbuf();
        return log.str();
    }
    // The data files a set keeps, by path, each by its size and a digest of its bytes.
    std::map<std::string, std::pair<std::size_t, std::size_t>> Files(const std::string& inId) const
    {
        std::map<std::string, std::pair<std::size_t, std::size_t>> files;
        const fs::path root = mHome.Path() + "/" + inId + "/Temporary";
        if (fs::exists(root))
            for (const auto& entry : fs::recursive_directory_iterator(root))
                if (entry.is_regular_file())
                    files[entry.path()] = Digest(dxtest::ReadFile(entry.path()));
        return files;
    }
    static std::pair<std::size_t, std::size_t> Digest(const std::string& inBytes)
    {
        return {inBytes.size(), std::hash<std::string>()(inBytes)};
    }
    // Past the manager's 15 s between two requests of one URL.
    CxSint32 Download(DxManager* inManager, DxRecord& ioRecord)
    {
        mClock = mClock + 20.0;
        return inManager->PerformDownload(ioRecord);
    }

    std::atomic<double> mClock = kNow.AbsoluteTime();
    sky::test::ScopedNow mMovingNow{[this] { return mClock.load(); }};
};

// Each kind keeps its good file through every foreign or cut reply, and takes the next good one.
TEST_F(DxHostileReplyTest, ForeignAndCutRepliesLeaveTheGoodFile)
{
    const std::string n0r = Shared("nexrad3/KBMX_SDUS54_N0RBMX_201501020205"),
                      n0q = Shared("nexrad3/KBMX_SDUS54_N0QBMX_201501020205"), png = Shared("images/png/basn6a08.png"),
                      png2 = Shared("images/png/testorig.png"), shp = Shared("shapefile/naturalearth_lowres.shp"),
                      shp2 = Shared("shapefile/blockgroups.shp");
    if (n0r.empty() || png.empty() || shp.empty())
    {
        ASSERT_FALSE(sky::test::TestDataRequired()) << "required test data missing";
        GTEST_SKIP() << "test data absent";
    }
    const std::string refused = "; not written.", unsupported = " is an unsupported mime type";
    const struct
    {
        const char* mId;
        std::string mProperties, mPath, mType, mAttributes, mGood, mNext;
        // another kind's file, and what the log says of it and of a page
        std::string mForeign, mForeignLogged, mPageLogged;
    } kinds[] = {
        {"radar", R"(<property id="type" value="nids"/><property id="dataUrlFormat" value="r/%Y%m%d%H%M.nids"/>)",
         "/r/201501020205.nids", "image/nids", "KBMX:N0R", n0r, n0q, png, refused, refused},
        {"image", R"(<property id="type" value="image"/><property id="dataUrlFormat" value="i/%Y%m%d%H%M.png"/>)",
         "/i/201501020205.png", "image/png", "SAT:VIS", png, png2, n0r, refused, refused},
        // No media type names shapefiles: the first word tells, so a page or a picture is no .shp at all.
        {"shape", R"(<property id="type" value="shp"/><property id="dataUrlFormat" value="s/%Y%m%d%H%M.shp"/>)",
         "/s/201501020205.shp", "application/octet-stream", "WORLD:LAND", shp, shp2, png, unsupported, unsupported},
        {"series", R"(<property id="type" value="kts"/><property id="timeSeriesUrlFormat" value="t/%siteid;.kts"/>)",
         "/t/kts1.kts", "application/kts", "kts1", Kts(1), Kts(2), png, refused, refused},
        {"advisory", R"(<property id="type" value="advisory"/><property id="dataUrlFormat" value="a/%Y%m%d%H%M.xml"/>)",
         "/a/201501020205.xml", "text/xml", "", Advisories(1), Advisories(2), Kts(3), refused, refused},
    };
    for (const auto& kind : kinds)
    {
        SCOPED_TRACE(kind.mId);
        DxManager* manager = Set(kind.mId, kind.mProperties);
        ASSERT_NE(manager, nullptr);
        DxRecord record(kNow, CxString::FromUtf8(kind.mAttributes));
        const auto serve = [&](const std::string& inBody)
        { mServer.AddDocument(kind.mPath, 200, kind.mType, inBody).NoLastModified(); };
        serve(kind.mGood);
        ASSERT_EQ(Download(manager, record), 200);
        const auto good = Files(kind.mId);
        ASSERT_EQ(good.size(), 1u);
        ASSERT_EQ(good.begin()->second, Digest(kind.mGood));
        const struct
        {
            const char* mReply;
            std::string mBody, mLogged;
        } replies[] = {{"page", kHtml, kind.mPageLogged},
                       {"another kind's file", kind.mForeign, kind.mForeignLogged},
                       {"cut file", kind.mGood.substr(0, kind.mGood.size() / 2), refused}};
        for (const auto& reply : replies)
        {
            SCOPED_TRACE(reply.mReply);
            const std::size_t logged = Log().size();
            serve(reply.mBody);
            EXPECT_EQ(Download(manager, record), 200);
            EXPECT_EQ(manager->Status(), "Idle.");
            EXPECT_TRUE(manager->IsAuthenticated());
            EXPECT_NE(Log().find(reply.mLogged, logged), std::string::npos) << Log().substr(logged);
            EXPECT_EQ(Files(kind.mId), good);
        }
        serve(kind.mNext);
        EXPECT_EQ(Download(manager, record), 200);
        EXPECT_EQ(Files(kind.mId), (decltype(good){{good.begin()->first, Digest(kind.mNext)}})) << "the next good file";
    }
}

// Every radar product of the shared data is taken, those without an image (text products) among them.
TEST_F(DxHostileReplyTest, EveryRealRadarProductIsCached)
{
    SKY_NEED_TESTDATA(data);
    DxManager* manager = Set("radar", R"(<property id="type" value="nids"/>
        <property id="dataUrlFormat" value="r/%Y%m%d%H%M.nids"/>)");
    ASSERT_NE(manager, nullptr);
    int count = 0;
    for (const auto& entry : fs::directory_iterator(data + "/nexrad3"))
    {
        if (!entry.is_regular_file() || entry.path().extension() == ".md")
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        const std::string bytes = dxtest::ReadFile(entry.path());
        mServer.AddDocument("/r/201501020205.nids", 200, "image/nids", bytes).NoLastModified();
        DxRecord record(kNow, "KBMX:N" + CxString(count++));
        ASSERT_EQ(Download(manager, record), 200);
        EXPECT_EQ(Log().rfind("; not written."), std::string::npos);
    }
    EXPECT_GT(count, 50);
    EXPECT_EQ(Files("radar").size(), std::size_t(count));
}

// A server whose clock ran ahead dated its file days ahead; its next file, dated by its own clock now, still
// comes, and an honest server's 304 holds it after.
TEST_F(DxHostileReplyTest, AFutureDateDoesNotHoldOffTheNextFile)
{
    DxManager* manager = Set("series", R"(<property id="type" value="kts"/>
        <property id="timeSeriesUrlFormat" value="t/%siteid;.kts"/>)");
    ASSERT_NE(manager, nullptr);
    DxRecord record(kNow, "kts1");
    mServer.AddDocument("/t/kts1.kts", 200, "application/kts", Kts(1)).LastModified(kUnixNow + 10 * 86400);
    ASSERT_EQ(Download(manager, record), 200);
    const auto files = Files("series");
    ASSERT_EQ(files.size(), 1u);
    const auto stamp = fs::last_write_time(files.begin()->first);
    EXPECT_EQ(std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(stamp)), kUnixNow + 20)
        << "dated on arrival";
    // The server's clock is right again, and its next file is dated by it, after the first one arrived.
    mServer.AddDocument("/t/kts1.kts", 200, "application/kts", Kts(2)).LastModified(kUnixNow + 30);
    EXPECT_EQ(Download(manager, record), 200);
    EXPECT_EQ(Files("series").begin()->second, Digest(Kts(2)));
    EXPECT_EQ(Download(manager, record), 304);
}

// A server sending a byte now and then ends with status 0 after the stall window, while another set's download
// on another thread goes through meanwhile.
TEST_F(DxHostileReplyTest, ATricklingServerEndsAfterTheStallWindow)
{
    CxUrl::SetStallWindowForTesting(2);
    DxManager* slow = Set("slow", R"(<property id="type" value="kts"/>
        <property id="timeSeriesUrlFormat" value="slow/%siteid;.kts"/>)");
    DxManager* fast = Set("fast", R"(<property id="type" value="kts"/>
        <property id="timeSeriesUrlFormat" value="fast/%siteid;.kts"/>)");
    ASSERT_TRUE(slow != nullptr && fast != nullptr);
    mServer.AddDocument("/slow/kts1.kts", 200, "application/kts", Kts(1) + std::string(4000, '\n')).Trickle(2000);
    mServer.AddDocument("/fast/kts1.kts", 200, "application/kts", Kts(2));
    const auto start = std::chrono::steady_clock::now();
    CxSint32 slowCode = -1;
    std::thread worker(
        [&]
        {
            DxRecord record(kNow, "kts1");
            slowCode = slow->PerformDownload(record);
        });
    DxRecord record(kNow, "kts1");
    EXPECT_EQ(fast->PerformDownload(record), 200);
    worker.join();
    const auto taken = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(slowCode, 0);
    EXPECT_EQ(slow->Status(), "Host Unreachable.");
    EXPECT_GE(taken, std::chrono::seconds(2));
    EXPECT_LT(taken, std::chrono::seconds(10));
    EXPECT_TRUE(Files("slow").empty());
}

// A set deleted while a job thread waits on its download: the transfer stops, the main thread is back within
// 2 s, and the job's message, arriving after, is dropped.
TEST_F(DxHostileReplyTest, ASetDeletedDuringItsDownload)
{
    mServer.AddDocument("/p.xml", 200, "text/xml",
                        dxtest::Document("parminfo", R"(<parm id="tmpf" type="float" units="fahr"/>)"));
    mServer.AddDocument("/s.xml", 200, "text/xml", dxtest::FixtureText("siteinfo.xml"));
    DxManager* manager = Set("obs", R"(<property id="type" value="kdf"/><property id="parmInfoUrl" value="p.xml"/>
        <property id="siteInfoUrl" value="s.xml"/><property id="dataUrlFormat" value="k/data.kdf"/>)");
    ASSERT_NE(manager, nullptr);
    mServer.AddDocument("/k/data.kdf", 200, "application/kdf", "101\n").NeverAnswer();
    auto client = std::make_unique<DxObsClient>();
    client->AddParm(DxParm("tmpf", "tmpf", kDxTypeFloat, DxUnit("fahr"), DxUnitSet(), 1.0));
    client->SetSet(DxSet::FindOrCreateSet("obs", kDxManagerNone));
    client->SetDates(kNow, kNow);
    client->SetDisplayDate(kNow);
    client->RefreshClient();
    ASSERT_TRUE(pf::MainLoop().RunUntil([&] { return mServer.Hits("/k/data.kdf") > 0; }, std::chrono::seconds(10)))
        << Log();
    client.reset();
    const auto start = std::chrono::steady_clock::now();
    DxSet::DeleteAllSets();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    pf::MainLoop().RunUntil([] { return false; }, std::chrono::milliseconds(200)); // messages of deleted jobs
    EXPECT_EQ(DxManager::FindExistingManager("obs"), nullptr);
}

// A configuration refresh on its job thread replaces the URL formats while downloads on another read them: the
// downloads read them under the manager's lock (the thread tree reports a race otherwise).
TEST_F(DxHostileReplyTest, ARefreshDuringDownloadsRacesWithNone)
{
    const std::string properties = R"(<property id="type" value="kdf"/>
        <property id="dataUrlFormat" value="k/data.kdf"/>)";
    auto* manager = dynamic_cast<DxObsManager*>(Set("obs", properties));
    ASSERT_NE(manager, nullptr);
    mServer.AddDocument("/k/data.kdf", 200, "application/kdf", "101\n1 2015 1 2 2 5 0\nSTID STNM TIME TMPF\nA 1 0 1\n")
        .NoLastModified();
    std::atomic<bool> done = false;
    std::thread refresher(
        [&]
        {
            const std::string config = dxtest::Document("datasetconfig", "<property id=\"baseUrl\" value=\"" +
                                                                             mServer.Base() + "/\"/>" + properties);
            while (!done)
            {
                CxData data = dxtest::Bytes(config);
                manager->ParseConfig(data);
            }
        });
    DxRecord record(kNow, "");
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(Download(manager, record), 200);
    done = true;
    refresher.join();
}

// A record removed and asked again within the manager's 15 s memo: its file went with it, so the recent answer
// no longer stands for a file in the cache and the file is fetched again.
TEST_F(DxHostileReplyTest, AFileGoneSinceARecentAnswerIsFetchedAgain)
{
    DxManager* manager = Set("series", R"(<property id="type" value="kts"/>
        <property id="fileResolution" value="86400" units="secs"/>
        <property id="timeSeriesUrlFormat" value="t/%siteid;.kts"/>)");
    ASSERT_NE(manager, nullptr);
    mServer.AddDocument("/t/kts1.kts", 200, "application/kts", Kts(1)).NoLastModified();
    DxRecord record(kNow, "kts1");
    ASSERT_EQ(Download(manager, record), 200);
    ASSERT_EQ(Files("series").size(), 1u);
    fs::remove(Files("series").begin()->first);
    EXPECT_EQ(manager->PerformDownload(record), 200); // the same second
    EXPECT_EQ(mServer.Hits("/t/kts1.kts"), 2);
    EXPECT_EQ(Files("series").size(), 1u);
}

TEST_F(DxHostileReplyTest, PurgeOldDataKeepsNewerFilesAndTheArchive)
{
    DxManager* manager = Set("series", R"(<property id="type" value="kts"/>
        <property id="fileResolution" value="86400" units="secs"/>
        <property id="timeSeriesUrlFormat" value="t/%siteid;.kts"/>)");
    ASSERT_NE(manager, nullptr);
    for (const char* site : {"old", "new"})
    {
        mServer.AddDocument("/t/" + std::string(site) + ".kts", 200, "application/kts", Kts(1))
            .LastModified(kUnixNow - (site[0] == 'o' ? 7200 : 60));
        DxRecord record(kNow, site);
        ASSERT_EQ(Download(manager, record), 200);
    }
    ASSERT_EQ(Files("series").size(), 2u) << Log();
    const fs::path archive = mHome.Path() + "/series/data/kept.kts";
    fs::create_directories(archive.parent_path());
    std::ofstream(archive) << Kts(3);
    fs::last_write_time(archive, fs::file_time_type::clock::now() - std::chrono::hours(100));
    manager->PurgeOldData(kNow - 3600.0);
    const auto left = Files("series");
    ASSERT_EQ(left.size(), 1u);
    EXPECT_NE(left.begin()->first.find("new"), std::string::npos);
    EXPECT_TRUE(fs::exists(archive));
    EXPECT_NE(Log().find(" purged 1 data files older than 2015-01-02 01:05:00"), std::string::npos) << Log();
}

} // namespace
