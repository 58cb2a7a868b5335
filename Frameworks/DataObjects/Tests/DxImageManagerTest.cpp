#include "DxImageManager.h"
#include "DxImage.h"
#include "DxImageClient.h"
#include "DxImageTestSupport.h"
#include "DxSetTestSupport.h"

#include <atomic>
#include <thread>

namespace
{

using namespace dxtest;

// The picture routes of the test set: no "dataResolution", so names and frames carry no date.
const char* kImageConfig = R"(<property id="type" value="image"/><property id="baseUrl" value="@BASE@/"/>
    <property id="prodInfoUrl" value="datainfo.xml"/><property id="dataUrlFormat" value="img/%siteid;_%product;"/>)";

class ExposedImageManager : public DxImageManager
{
public:
    using DxImageManager::DxImageManager;
    using DxImageManager::OnGetFilenameForRecord;
    using DxImageManager::OnGetQueryUrl;
    using DxImageManager::OnGetUrlForRecord;
};

class DxImageManagerTest : public SetTest
{
protected:
    void SetUp() override
    {
        SetTest::SetUp();
        Reply(200, Config(kImageConfig));
        mServer.AddDocument("/datainfo.xml", 200, "text/xml", FixtureText("datainfo.xml"));
        mSet = DxSet::FindOrCreateSet("img", kDxManagerShp);
        mManager = mSet->ImageManager();
        ASSERT_NE(mManager, nullptr);
        ASSERT_TRUE(mManager->PerformConfigUpdate());
    }
    // A client of the two items, once the picture served under them has reached it as a frame.
    std::unique_ptr<DxImageClient> Deliver(const char* inCategory1, const char* inCategory2, const FileBytes& inPicture,
                                           const char* inType)
    {
        mServer.AddDocument(std::string("/img/") + inCategory1 + "_" + inCategory2, 200, inType, inPicture);
        auto client = std::make_unique<DxImageClient>();
        client->SetCategory1(DxImageItem(inCategory1, ""));
        client->SetCategory2(DxImageItem(inCategory2, ""));
        client->SetSet(mSet);
        client->SetDates(kDay, kDay + 3600.0);
        client->RefreshClient();
        EXPECT_TRUE(pf::MainLoop().RunUntil([&] { return client->Image() != nullptr; }, sky::test::kBound));
        return client;
    }

    DxSet* mSet = nullptr;
    DxImageManager* mManager = nullptr;
};

// A GIF placed by the description of its first category, a PNG by its own chunk; both reach their client.
TEST_F(DxImageManagerTest, PicturesArePlacedAndReachTheirClients)
{
    SKY_NEED_TESTDATA(root);
    const auto gif = Deliver("east", "ir", ReadAll(root + "/images/gif/hopper.gif"), "image/gif");
    const DxImage* image = gif->Image();
    ASSERT_NE(image, nullptr);
    const GxLambertConformalProjection east(-95 * M_PI / 180, 25 * M_PI / 180, 25 * M_PI / 180);
    EXPECT_TRUE(*image->Projection() == east);
    GxPosition origin;
    origin.FromDegrees(-126.138, 16.369);
    EXPECT_EQ(image->Origin(), east.Project(origin));
    EXPECT_EQ(image->PixelSize(), GxPoint(4.0, 4.5));
    EXPECT_GT(image->GetMesh().CountTiles(), 0u);
    EXPECT_EQ(*image->FindStringField("legendKey"), (DxStringField::vector{"#FFFFFFFF", "#000000FF"}));
    EXPECT_EQ(*image->FindStringField("legendValue"), (DxStringField::vector{"Cold tops", "Warm ground"}));
    EXPECT_EQ(image->Date(), DxManager::sMissingDate);

    // "harbour" is described in degrees and "ir" has a legend: the chunk's own win.
    const FileBytes png = ReadAll(root + "/images/png/basn2c08.png");
    const auto chunked = Deliver(
        "harbour", "ir", png.substr(0, 33) + Chunk("wxMl", WxMl("lambertConformal")) + png.substr(33), "image/png");
    ASSERT_NE(chunked->Image(), nullptr);
    EXPECT_TRUE(*chunked->Image()->Projection() == east);
    EXPECT_EQ(chunked->Image()->FindStringField("legendValue")->size(), 3u);

    // Untimed names: category 2, "_", category 1, in folders of the categories.
    for (const char* name : {"east/ir/ir_east.gif", "harbour/ir/ir_harbour.png"})
        EXPECT_TRUE(std::filesystem::exists(mHome.Path() + "/img/Temporary/" + name)) << name;
}

TEST_F(DxImageManagerTest, UrlsNamesAndQueriesFromTheConfiguration)
{
    Store("rules", Config(R"(<property id="baseUrl" value="http://base/"/>
        <property id="dataUrlFormat" value="https://img.example/%04Y/%02m/%siteid;_%product;.gif"/>
        <property id="dataQueryUrlFormat" value="q?c=%category1;&amp;p=%category2;&amp;s=%startDate;&amp;e=%endDate;"/>
        <property id="dataQueryDateFormatString" value="%Y-%m-%d %H:%M"/>)" +
                          Seconds("dataResolution", 3600)));
    ExposedImageManager manager("rules");
    DxRecord record(kDay + 5400.0, "east:ir");
    EXPECT_EQ(manager.OnGetUrlForRecord(&record), CxString("https://img.example/2020/01/east_ir.gif"));
    CxStringList folders;
    EXPECT_EQ(manager.OnGetFilenameForRecord(&record, folders), CxString("202001040130ir_east"));
    EXPECT_EQ(folders, (CxStringList{"east", "ir"}));
    // No "staleThreshold": the query starts at the subscription's start.
    EXPECT_EQ(manager.OnGetQueryUrl(DxSubscription(kDay, kDay + 3600.0, "east:ir", 60)),
              CxString("q?c=east&p=ir&s=2020-01-04%2000:00&e=2020-01-04%2001:00"));
}

TEST_F(DxImageManagerTest, ClientKeyAndItemsOfANewDescription)
{
    DxImageClient client;
    EXPECT_FALSE(client.IsIdValid());
    client.SetCategory1(DxImageItem("east", "old name"));
    client.SetCategory2(DxImageItem("uv", "old name"));
    EXPECT_EQ(client.Id(), CxString("east:uv"));
    EXPECT_TRUE(client.IsIdValid());
    client.SetSet(mSet);
    client.ReleaseAndInvalidate();
    EXPECT_EQ(client.Category1().Name(), CxString("East Coast"));
    EXPECT_EQ(client.Category2().Name(), CxString("Unknown"));
    EXPECT_EQ(client.Category2().Id(), CxString("uv"));
    EXPECT_EQ(mManager->GetCategory(2).Name(), CxString("Unknown"));
    EXPECT_EQ(mManager->GetLegendInfo("uv").Key(), CxString("n/a"));
}

// The main thread's readers while a configuration job replaces the description (ThreadSanitizer).
TEST_F(DxImageManagerTest, ReadersRaceARefreshOfTheDescription)
{
    std::atomic<bool> done{false};
    std::thread refresher(
        [&]
        {
            for (int round = 0; round < 50; ++round)
            {
                CxData data = Fixture("datainfo.xml");
                mManager->ParseProductList(data);
            }
            done = true;
        });
    for (int rounds = 0; !done || rounds < 50; ++rounds)
    {
        EXPECT_EQ(mManager->GetLegendInfo("ir").Values().size(), 2u);
        EXPECT_EQ(mManager->GetCategory(0).Items().size(), 2u);
        EXPECT_NE(mManager->GetProjectionInfo("east"), nullptr);
    }
    refresher.join();
}

} // namespace
