#include "DxShapeManager.h"
#include "CxMime.h"
#include "DxSetTestSupport.h"
#include "DxShapeClient.h"
#include "DxShapeFileReader.h"

#include <bit>
#include <thread>

namespace
{

std::string ShapeList(const std::string& inName)
{
    return dxtest::Document("shapeinfo", R"(<region id="us" name=")" + inName + R"("/><shape id="c" name="C"/>)");
}

class DxShapeManagerTest : public dxtest::DxSetTest
{
protected:
    void SetUp() override
    {
        DxSetTest::SetUp();
        Reply(200, dxtest::Document("datasetconfig", R"(<property id="type" value="shp"/>
            <property id="baseUrl" value="@BASE@/"/><property id="shapeInfoUrl" value="shapeinfo.xml"/>
            <property id="fillMode" value="individual"/><property id="dataUrlFormat" value="s/%region;/%feature;"/>)"));
        mServer.AddDocument("/shapeinfo.xml", 200, "text/xml", ShapeList("United States"));
        mManager = DxSet::FindOrCreateSet("shp", kDxManagerShp)->ShapeManager();
        ASSERT_TRUE(mManager && mManager->PerformConfigUpdate());
    }
    DxShapeManager* mManager = nullptr;
};

class ExposedShapeManager : public DxShapeManager
{
public:
    using DxShapeManager::DxShapeManager;
    using DxShapeManager::OnGetFilenameForRecord;
    using DxShapeManager::OnGetUrlForRecord;
};

// The configured regions are listed; a key is the region before its colon, the feature after it, and a key with
// no colon is a region alone.
TEST_F(DxShapeManagerTest, RegionsAndKeys)
{
    const std::vector<DxRegion> regions = mManager->Regions();
    ASSERT_EQ(regions.size(), 1u);
    EXPECT_EQ(regions[0].Id(), CxString("us"));
    EXPECT_EQ(regions[0].Name(), CxString("United States"));

    Store("keys", dxtest::Document("datasetconfig", R"(<property id="type" value="shp"/>
        <property id="baseUrl" value="http://h/"/><property id="dataUrlFormat" value="s/%region;/%feature;.shp"/>)"));
    ExposedShapeManager manager("keys");
    for (auto [key, url, name] : {std::tuple{"us"
                                             ":c",
                                             "http://h/s/us/c.shp", "usc"},
                                  {"us", "http://h/s/us/.shp", "us"},
                                  {":c", "http://h/s//c.shp", "c"}})
    {
        DxRecord record(dxtest::kDay, key);
        EXPECT_EQ(manager.OnGetUrlForRecord(&record), CxString(url)) << key;
        CxStringList folders;
        EXPECT_EQ(manager.OnGetFilenameForRecord(&record, folders), CxString(name)) << key;
        EXPECT_EQ(folders.front(), CxString(std::string(key).substr(0, std::string(key).find(':')).c_str())) << key;
    }
}

TEST_F(DxShapeManagerTest, DeliversShapefilesAndPointLists)
{
    SKY_NEED_TESTDATA(data);
    std::ifstream in(data + "/shapefile/naturalearth_lowres.shp", std::ios::binary);
    const std::string countries(std::istreambuf_iterator<char>(in), {});
    CxData copy = dxtest::Bytes(countries); // the reader itself is checked against shapelib
    const std::unique_ptr<DxShape> theirs(DxShapeParser().ParseShape(copy));
    std::string list =
        "us" + std::string(":list") + std::string(249, '\0'); // no leading NaN marker: no point may be lost
    for (const float value : {1.f, 2.f, 3.f, 4.f, std::nanf(""), 0.f, 5.f, 6.f})
        for (int shift = 24; shift >= 0; shift -= 8)
            list += char(std::bit_cast<CxUint32>(value) >> shift);
    // A shapefile is known by its first word, a point list only by a type naming a shape extension.
    CxMimeInfo("application/x-wxshp", ".wxshp", 0, 0, "shape").Register();
    DxShapeClient clients[3];
    int i = 0;
    for (const auto& [feature, type, body] : {std::tuple("cut", "application/x", countries.substr(0, 300)),
                                              {"countries", "application/x", countries},
                                              {"list", "application/x-wxshp", list}})
    {
        mServer.AddDocument(std::string("/s/us/") + feature, 200, type, body);
        clients[i].SetRegion("us");
        clients[i].SetFeature(feature);
        clients[i].SetSet(DxSet::FindExistingSet("shp"));
        clients[i++].RefreshClient();
    }
    // A bad file ends its own build only: the frame-building thread goes on to the records after it.
    ASSERT_TRUE(pf::MainLoop().RunUntil([&] { return clients[1].Shape() && clients[2].Shape(); }, sky::test::kBound));
    EXPECT_EQ(clients[0].Shape(), nullptr);
    EXPECT_EQ(std::pair(clients[1].Shape()->CountPolygons(), clients[1].Shape()->CountPoints()),
              std::pair(theirs->CountPolygons(), theirs->CountPoints()));
    EXPECT_EQ(
        std::tuple(clients[2].Shape()->CountPolygons(), clients[2].Shape()->CountPoints(), clients[2].Shape()->Date()),
        std::tuple(2u, 3u, DxManager::sMissingDate));
}

TEST_F(DxShapeManagerTest, MovesTheOldShapesFolderUnlessDataExists)
{
    for (const std::string id : {"old", "both"})
    {
        const std::string set = mHome.Path() + "/" + id;
        std::filesystem::create_directories(set + "/shapes/us");
        std::ofstream(set + "/shapes/us/c") << "x";
        std::ofstream(set + "/shapes/top") << "y";
        if (id == "both")
            std::filesystem::create_directories(set + "/data");
        ASSERT_NE(std::unique_ptr<DxManager>(DxShapeManager::FindManager(CxString::FromUtf8(id))), nullptr);
        EXPECT_EQ(std::filesystem::exists(set + "/shapes"), id == "both");
        EXPECT_EQ(std::filesystem::exists(set + "/data/us/c") && std::filesystem::exists(set + "/data/top"),
                  id == "old");
    }
}

TEST_F(DxShapeManagerTest, RefreshesOnceAndAnswersCopiesWhileTheListIsReplaced)
{
    EXPECT_FALSE(mManager->PerformConfigUpdate()); // both documents answer 304 now
    EXPECT_EQ(mServer.Hits("/shapeinfo.xml"), 2);
    EXPECT_TRUE(std::filesystem::exists(mHome.Path() + "/shp/info/shapeinfo.xml"));
    EXPECT_FALSE(mManager->FillAsSinglePolygon());
    std::thread replacer(
        [&]
        {
            for (int round = 0; round < 200; ++round)
            {
                CxData list = dxtest::Bytes(ShapeList(round % 2 ? "One" : "Two"));
                mManager->ParseShapeList(list);
            }
        });
    // "us" would be the answer of a list caught empty halfway through its replacement.
    for (int round = 0; round < 200; ++round)
        EXPECT_NE(mManager->FindRegion("us").Name().AsUtf8(), "us");
    replacer.join();
}

} // namespace
