#include "DxAdvisoryArchive.h"
#include "DxAdvisoryClient.h"
#include "DxAdvisoryManager.h"
#include "DxAdvisoryParser.h"
#include "DxSetTestSupport.h"
#include "DxShape.h"
#include "DxShapeFileReader.h"

#include <atomic>
#include <thread>

namespace
{

const CxDate kBase(2020, 9, 13, 12, 26, 40, 0); // 1600000000 s after 1970

// Two events, then the lists; zones hold a stray child, an area not in the archive and one it cannot read.
std::string Doc(const std::string& inLists)
{
    return R"(<lcz base="1600000000"><ref><e id="1" stid="KMLB" exp="3600" end="7200" file="a.txt"/>
        <e id="2" stid="KTBW" exp="60" end="120" file="b.txt"/></ref>)" +
           inLists + "</lcz>";
}
const std::string kFull = Doc(R"(<zs><z id="Z1"><ps id="FL.W" ref="1"><r ref="2"/></ps><x/><ps id="SV.W" ref="1"/></z>
    <q id="Z1"><ps id="FL.W" ref="1"/></q><z id="NONE"><ps id="FL.W" ref="1"/></z><z id="BAD"><ps id="FL.W"/></z></zs>
    <cs><c id="C1"><ps id="TO.W" ref="9"/></c></cs><ls><l id="27,-80 28,-80 28,-81 99.99,-99.99 26,-82 27,-82 0,-82
    27,-83 nocomma"><ps id="FL.W" ref="2" cs="list"/></l><l id="30,-90 31,-90 31,-91"/></ls>)");
const std::vector<std::string> kFullRows = {"FLW|KTBW|Z1|Z1|2|5|60|120",        "SVW|KMLB|Z1|Z1|1|5|3600|7200",
                                            "TOW||C1|C1|9|4|now|now",           "FLW|KTBW|polygon|list|2|3|60|120",
                                            "FLW|KTBW|polygon|list|2|4|60|120", "||polygon||0|4|now|now"};

// Per polygon: phenomenon, station, id, list, reference, points, expiry and end after the base or "now".
std::vector<std::string> Rows(const DxShape& inShape)
{
    std::vector<std::string> rows;
    for (CxUint32 i = 0; i < inShape.CountPolygons(); ++i)
    {
        std::string row;
        for (const char* id : {"phenomenon", "stationId", "id", "list"})
            row += inShape.FindStringField(id)->at(i).AsUtf8() + "|";
        row += std::to_string(inShape.FindIntField("urlIndex")->at(i)) + "|" +
               std::to_string(inShape.Polygons()[i]->CountPoints());
        for (const char* id : {"expireTime", "endTime"})
        {
            const CxDate date = inShape.FindDateField(id)->at(i);
            row += "|" + (date == CxDate() ? std::string("now") : std::to_string(int(date - kBase)));
        }
        rows.push_back(row);
    }
    return rows;
}

class DxAdvisoryTest : public dxtest::DxSetTest
{
protected:
    void SetUp() override
    {
        DxSetTest::SetUp();
        std::filesystem::create_directories(mHome.Path() + "/share/Nimbrel/Resources");
        // The last area's record is spoiled.
        dxtest::WriteAdvisoryArchive(mHome.Path() + "/share/Nimbrel/Resources/o.wxshp",
                                     {{"Z1", {-80, 40, -79, 40, -79, 41, -80, 41, -80, 40}},
                                      {"C1", {-90, 30, -89, 30, -89, 31, -90, 30}},
                                      {"S1", {-60, -30, -59, -30, -59, -31, -60, -30}},
                                      {"BAD", {-70, 30, -69, 30, -70, 30}}},
                                     true);
        Reply(200, dxtest::Document("datasetconfig", R"(<property id="type" value="advisory"/>
            <property id="baseUrl" value="@BASE@/"/><property id="prodInfoUrl" value="prodinfo.xml"/>
            <property id="dataUrlFormat" value="adv.xml"/><property id="shapeResource" value="o.wxshp"/>)"));
        mServer.AddDocument("/prodinfo.xml", 200, "text/xml", dxtest::FixtureText("advisoryinfo.xml"));
        mServer.AddDocument("/adv.xml", 200, "text/xml", kFull);
        mSet = DxSet::FindOrCreateSet("adv", kDxManagerAdvisory);
        mManager = mSet->AdvisoryManager();
        ASSERT_TRUE(mManager && mManager->PerformConfigUpdate());
    }
    DxSet* mSet = nullptr;
    DxAdvisoryManager* mManager = nullptr;
};

TEST_F(DxAdvisoryTest, ReadsZonesCountiesAndPolygonsForTheClient)
{
    const GxPolarStereoProjection polar;
    const GxDegreeProjection degrees;
    // S1 lies beyond the polar projection's equator bound; without auto-close only the last rings stay open.
    const std::string south = Doc(R"(<zs><z id="S1"><ps id="A" ref="1"/></z><z id="Z1"><ps id="A" ref="1"/></z></zs>)");
    std::vector<std::string> open = kFullRows;
    open[4] = "FLW|KTBW|polygon|list|2|3|60|120";
    open[5] = "||polygon||0|3|now|now";
    const struct
    {
        std::string mDoc;
        CxStringList mIds;
        bool mAutoClose;
        const GxProjection* mProjection;
        std::vector<std::string> mRows;
    } cases[] = {
        {kFull, {}, true, &degrees, kFullRows},
        {kFull, {"FLW"}, true, &degrees, {kFullRows[0], kFullRows[3], kFullRows[4]}},
        {kFull, {}, false, &degrees, open},
        {Doc(""), {}, true, &degrees, {}},
        {south, {}, true, &polar, {"A|KMLB|Z1|Z1|1|5|3600|7200"}},
    };
    DxAdvisoryClient client;
    client.SetSet(mSet);
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mDoc.size());
        client.SetAdvisoryClientIds(c.mIds);
        client.SetProjection(*c.mProjection);
        CxData data = dxtest::Bytes(c.mDoc);
        DxAdvisoryParser parser(data);
        const std::unique_ptr<DxShape> shape = parser.Parse(mManager, &client, c.mAutoClose);
        ASSERT_NE(shape, nullptr);
        EXPECT_EQ(Rows(*shape), c.mRows);
        EXPECT_EQ(*shape->FindStringField("urls"), (std::vector<CxString>{"1-based", "a.txt", "b.txt"}));
    }
    CxData data = dxtest::Bytes(kFull);
    CxFile file(CxString::FromUtf8(mHome.Path() + "/share/Nimbrel/Resources/o.wxshp"), false);
    DxShapeArchiveParser archive(file);
    EXPECT_EQ(Rows(*DxAdvisoryParser(data).Parse(&archive, {}, degrees)), open) << "the caller's archive";
}

TEST_F(DxAdvisoryTest, DeliversTheDocumentToItsClient)
{
    DxAdvisoryClient client;
    client.SetProjection(GxDegreeProjection());
    client.SetSet(mSet);
    client.RefreshClient();
    ASSERT_TRUE(pf::MainLoop().RunUntil([&] { return client.Shape() != nullptr; }, sky::test::kBound));
    EXPECT_EQ(Rows(*client.Shape()), kFullRows);
    EXPECT_EQ(client.Shape()->Date(), DxManager::sMissingDate);
    std::vector<std::string> fields;
    for (CxUint32 i = 0; i < client.Shape()->CountFields(); ++i)
        fields.push_back(client.Shape()->FindField(i)->Id().AsUtf8());
    EXPECT_EQ(fields, (std::vector<std::string>{"stationId", "phenomenon", "id", "expireTime", "endTime", "urlIndex",
                                                "urls", "list"}));
    client.LoadAdvisoryList();
    EXPECT_EQ(std::distance(client.AdvisoryInfoBegin(), client.AdvisoryInfoEnd()), 4);
}

TEST_F(DxAdvisoryTest, RefreshesOnceAndFallsBack)
{
    EXPECT_FALSE(mManager->PerformConfigUpdate()); // both documents answer 304 now
    EXPECT_EQ(mServer.Hits("/prodinfo.xml"), 2);
    EXPECT_TRUE(std::filesystem::exists(mHome.Path() + "/adv/info/prodinfo.xml"));
    EXPECT_EQ(mManager->GetStaleThreshold(), 2700);
    EXPECT_EQ(mManager->GetProductName("TO.W"), CxString("Tornado Warning"));
    EXPECT_EQ(mManager->GetProductName("XX.W"), CxString("Unknown"));
    EXPECT_EQ(mManager->GetProductColorString("SV.W"), CxString("#FFA500FF"));
    EXPECT_EQ(mManager->GetProductColorString("XX.W"), CxString("#000000"));
    CxData missing =
        dxtest::Bytes(dxtest::Document("datasetconfig", R"(<property id="shapeResource" value="missing.wxshp"/>)"));
    ASSERT_TRUE(mManager->ParseConfig(missing));
    EXPECT_TRUE(!mManager->RequestPolygon("Z1") && !mManager->RequestPolygon("Z1"));
    EXPECT_EQ(mManager->Status(), CxString("Idle."));
}

class ExposedAdvisoryManager : public DxAdvisoryManager
{
public:
    using DxAdvisoryManager::DxAdvisoryManager;
    using DxAdvisoryManager::OnGetUrlForRecord;
};

// A URL the configuration leaves out stays unset: the base alone names no document.
TEST_F(DxAdvisoryTest, UnsetUrlsStayUnset)
{
    ExposedAdvisoryManager manager("bare");
    CxData config = dxtest::Bytes(dxtest::Document(
        "datasetconfig", R"(<property id="baseUrl" value="@BASE@/"/><property id="shapeResource" value="o.wxshp"/>)"));
    ASSERT_TRUE(manager.ParseConfig(config));
    DxRecord record(dxtest::kDay, "x");
    EXPECT_EQ(manager.OnGetUrlForRecord(&record), CxString());
}

TEST_F(DxAdvisoryTest, PurgesOutlinesIdleForAMinute)
{
    double now = CxDate().AbsoluteTime();
    const sky::test::ScopedNow clock([&] { return now; });
    ASSERT_TRUE(mManager->RequestPolygon("Z1"));
    now += 2;
    ASSERT_TRUE(mManager->RequestPolygon("C1"));
    EXPECT_FALSE(mManager->RequestPolygon("BAD")); // its record cannot be read
    now += 59;
    mManager->OnReceiveMessage(nullptr, DxAdvisoryManager::kPurgeMessage, nullptr);
    EXPECT_EQ(mManager->CountHeldOutlines(), 1u); // Z1 went after 61 s, C1 stayed after 59 s
    ASSERT_TRUE(mManager->RequestPolygon("Z1"));
    EXPECT_EQ(mManager->CountHeldOutlines(), 2u);
}

TEST_F(DxAdvisoryTest, BuildsWhileThePurgeRunsAndTheClientChanges)
{
    std::atomic<double> now{CxDate().AbsoluteTime()};
    const GxPolarStereoProjection polar;
    const GxDegreeProjection degrees;
    const GxProjection* projections[] = {&polar, &degrees};
    const sky::test::ScopedNow clock([&] { return now.load(); });
    DxAdvisoryClient client;
    client.SetSet(mSet);
    std::thread builder(
        [&]
        {
            for (int round = 0; round < 40; ++round)
            {
                CxData data = dxtest::Bytes(kFull);
                EXPECT_NE(DxAdvisoryParser(data).Parse(mManager, &client, true), nullptr);
            }
        });
    for (int round = 0; round < 40; ++round)
    {
        now = now + 61;
        mManager->OnReceiveMessage(nullptr, DxAdvisoryManager::kPurgeMessage, nullptr);
        client.SetAdvisoryClientIds(round % 2 ? CxStringList{"FLW"} : CxStringList{});
        client.SetProjection(*projections[round % 2]);
    }
    builder.join();
}

} // namespace
