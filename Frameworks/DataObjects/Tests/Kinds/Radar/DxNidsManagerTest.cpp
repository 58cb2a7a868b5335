// The radar manager and client: configured from a loopback server, fed real radar files.
#include "DxNidsManager.h"
#include "DxImage.h"
#include "DxNidsClient.h"
#include "DxNidsTestSupport.h"
#include "GxProjection.h"
#include "TestLatch.h"

#include <atomic>
#include <filesystem>
#include <thread>

namespace
{

using dxradartest::DxNidsTest;
using dxradartest::kNow;

TEST(DxNidsManager, DecoderChosenByFirstBytes)
{
    SKY_NEED_TESTDATA(root);
    const auto head = [&](const char* inFile) { return dxtest::Bytes(dxtest::ReadFile(root + inFile).substr(0, 64)); };
    const struct
    {
        CxData mData;
        DxRadarFormat mFormat;
    } cases[] = {
        {head("/canadian/WHK_201611212330_PRECIPET_NUMERIC_MMHR.txt"), DxRadarFormat::kCanadian},
        {head("/nexrad2/KDMX20250101_225441_V06"), DxRadarFormat::kLevelTwo},
        {head("/netcdf/wdssii_radialset/KTLX_19990503-235123.netcdf"), DxRadarFormat::kNetCDF},
        {head("/nexrad3/KBMX_SDUS54_N0RBMX_201501020205"), DxRadarFormat::kLevelThree},
        {dxtest::Bytes("ARCHIVE2.001"), DxRadarFormat::kLevelTwo},
        {dxtest::Bytes("MajorProductType RADA"), DxRadarFormat::kLevelThree},
        {dxtest::Bytes("AR"), DxRadarFormat::kLevelThree},
        {CxData(), DxRadarFormat::kLevelThree},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DxNidsManager::FormatOf(c.mData), c.mFormat) << &c - cases;
}

using DxNidsClientTest = dxtest::UnitTableTest;

// The client's readers of the current frame: none, a full one, "productTimes" one value short.
TEST_F(DxNidsClientTest, ReadsTheImageFields)
{
    const CxDate missing = DxManager::sMissingDate;
    const std::vector<CxSint32> times = {2015, 1, 2, 1, 0, 0, 2015, 1, 2, 2, 5, 30};
    const struct
    {
        std::vector<CxSint32> mVcp, mType, mTimes;
        const char* mUnit;
        CxSint32 mVcpRead, mTypeRead;
        CxDate mBegin, mEnd;
    } cases[] = {{{}, {}, {}, "nada", 999, 100, missing, missing},
                 {{221, 12}, {3}, times, "mm", 221, 3, CxDate(2015, 1, 2, 1, 0, 0, 0), CxDate(2015, 1, 2, 2, 5, 30, 0)},
                 {{}, {}, std::vector<CxSint32>(times.begin(), times.end() - 1), "mm", 999, 100, missing, missing}};
    for (const auto& c : cases)
    {
        DxNidsClient client;
        auto* image = new DxIndexedImage(GxOrthographicProjection());
        image->NewIntField("vcp")->assign(c.mVcp.begin(), c.mVcp.end());
        image->NewIntField("dataType")->assign(c.mType.begin(), c.mType.end());
        image->NewIntField("productTimes")->assign(c.mTimes.begin(), c.mTimes.end());
        if (c.mUnit != std::string("nada"))
            image->NewFloatField("units")->SetUnit(DxUnit(c.mUnit));
        client.AcceptFrame(image);
        EXPECT_EQ(client.GetVCP(), c.mVcpRead);
        EXPECT_EQ(client.GetNidsType(), c.mTypeRead);
        EXPECT_EQ(client.NidsUnit().Id(), c.mUnit);
        EXPECT_EQ(client.GetProductBeginDate(), c.mBegin);
        EXPECT_EQ(client.GetProductEndDate(), c.mEnd);
    }
}

// One refresh configures the set; the file the query finds, named by the three-letter site id, reaches the client,
// stored under its date, product and site; the lists' records and defaults, and again from the cache.
TEST_F(DxNidsTest, ServedProductReachesTheClient)
{
    DxNidsClient client;
    client.SetSite(DxNidsSite("KBMX", ""));
    client.SetProduct(DxNidsProduct("N0R", "", "N0R", DxUnit()));
    client.SetSet(mSet);
    client.SetDates(kNow, kNow);
    client.SetDisplayDate(kNow);
    client.RefreshClient();
    ASSERT_TRUE(pf::MainLoop().RunUntil([&] { return client.Image() != nullptr; }, sky::test::kBound));
    EXPECT_EQ(client.GetVCP(), 221);
    EXPECT_EQ(client.Image()->Height(), 360);
    EXPECT_TRUE(
        std::filesystem::exists(mHome.Path() + "/radar/Temporary/2015/01/02/KBMX/N0R/201501020205N0R_KBMX.nids"));
    mManager->RefreshAllClients();
    EXPECT_EQ(client.Product().Name(), "Base reflectivity");
    EXPECT_EQ(mManager->FindMosaicInfo(19).KmPerPixel(), 1.0);
    EXPECT_EQ(mManager->FindNidsSite(DxNidsSite("kbmx", "")), DxNidsSite("KBMX", "Birmingham"));
    EXPECT_EQ(mManager->FindNidsSite(DxNidsSite("KTLX", "t")), DxNidsSite("KTLX", "t"));
    // A manager made again, once the refresh's jobs are done, reads the cached lists.
    const auto idle = [&]
    {
        CxAutoLock lock(mManager->Region());
        return mManager->CountJobs() == 0;
    };
    ASSERT_TRUE(pf::MainLoop().RunUntil(idle, sky::test::kBound));
    client.SetSet(nullptr);
    DxSet::DeleteAllSets();
    DxNidsManager* again = DxSet::FindOrCreateSet("radar", kDxManagerShp)->NidsManager();
    EXPECT_EQ(again->FindNidsSite(DxNidsSite("KBMX", "")).Name(), "Birmingham");
    EXPECT_EQ(again->FindRadialInfo(19).KmPerPixel(), 0.5);
}

// A Level II volume and a radar netCDF file served as products of the set reach their clients through the readers
// the first bytes choose.
TEST_F(DxNidsTest, OtherFormatsReachTheirClients)
{
    const std::tuple<const char*, const char*, CxSint32> kFiles[] = {
        {"BREF1", "nexrad2/KDMX20250101_225441_V06", 720},
        {"NETC", "netcdf/wdssii_radialset/KTLX_19990503-235123.netcdf", 367}};
    for (const auto& [product, file, rows] : kFiles)
    {
        SCOPED_TRACE(file);
        mServer.AddDocument(std::string("/q/KBMX/") + product + "/201501020205/201501020205", 200, "text/xml",
                            "<xml><date>2015-01-02 02:05:00 UTC</date></xml>");
        mServer.AddDocument(std::string("/BMX/") + product + "/201501020205.nids", 200, "image/nids",
                            dxtest::ReadFile(sky::test::TestDataFile(file)));
        DxNidsClient client;
        client.SetSite(DxNidsSite("KBMX", ""));
        client.SetProduct(DxNidsProduct(product, "", product, DxUnit()));
        client.SetSet(mSet);
        client.SetDates(kNow, kNow);
        client.SetDisplayDate(kNow);
        client.RefreshClient();
        ASSERT_TRUE(pf::MainLoop().RunUntil([&] { return client.Image() != nullptr; }, sky::test::kBound));
        EXPECT_EQ(client.Image()->Height(), rows);
    }
}

// A refresh counts as a change when a list came new (200), not when it was unchanged (304) or failed (404).
TEST_F(DxNidsTest, ARefreshChangesWhatCameNew)
{
    const std::tuple<const char*, int, bool> kRows[] = {{"", 0, false},
                                                        {"/siteinfo.xml", 404, false},
                                                        {"/prodinfo.xml", 500, false},
                                                        {"/siteinfo.xml", 200, true},
                                                        {"/prodinfo.xml", 200, true}};
    for (const auto& [list, status, changed] : kRows)
    {
        SCOPED_TRACE(std::string(list) + " " + std::to_string(status));
        mServer.AddDocument("/siteinfo.xml", 200, "text/xml", Sites("Birmingham"));
        mServer.AddDocument("/prodinfo.xml", 200, "text/xml", Products("Base reflectivity"));
        ASSERT_FALSE(mManager->PerformConfigUpdate()); // all as it was: nothing new
        if (status == 200)
        {
            const bool sites = std::string(list) == "/siteinfo.xml";
            mServer.AddDocument(list, 200, "text/xml", sites ? Sites("Birmingham, AL") : Products("Reflectivity"))
                .NoLastModified();
        }
        else if (status != 0)
            mServer.AddDocument(list, status, "text/plain", "");
        EXPECT_EQ(mManager->PerformConfigUpdate(), changed);
    }
}

// Lists and site table replaced by refreshes, and the client's key changed, while other threads read them.
TEST_F(DxNidsTest, ListsReplacedWhileRead)
{
    DxNidsClient client;
    std::atomic<bool> done{false};
    std::thread refresher(
        [&]
        {
            for (int round = 0; !done || round < 50; ++round)
            {
                CxData sites = dxtest::Bytes(Sites(round % 2 ? "A" : "B"));
                CxData products = dxtest::Bytes(Products(round % 2 ? "A" : "B"));
                mManager->ParseSiteList(sites);
                mManager->ParseProductList(products);
                EXPECT_NE(client.Id().Length(), 0u);
            }
        });
    CxData data = dxtest::Bytes(dxtest::ReadFile(sky::test::TestDataFile("nexrad3/KBMX_SDUS54_N0RBMX_201501020205")));
    const auto known = [](const CxString& inName) { return inName == "A" || inName == "B" || inName.Length() > 1; };
    for (int round = 0; round < 50; ++round)
    {
        client.SetSite(DxNidsSite(round % 2 ? "KBMX" : "KTLX", ""));
        client.SetProduct(DxNidsProduct("N0R", "", round % 2 ? "N0R" : "N0Q", DxUnit()));
        EXPECT_TRUE(known(mManager->FindRadialInfo(19).Name()));
        EXPECT_TRUE(known(mManager->FindNidsSite(DxNidsSite("KBMX", "")).Name()));
        EXPECT_EQ(mManager->NidsProducts().size(), 1u);
        std::unique_ptr<DxFrame> frame(mManager->BuildFrameForClient(nullptr, "", data, &client));
        EXPECT_NE(frame, nullptr);
    }
    done = true;
    refresher.join();
}

} // namespace
