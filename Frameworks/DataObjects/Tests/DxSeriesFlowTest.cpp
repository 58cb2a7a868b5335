#include "../../CoreObjects/Tests/CxDateTestHelpers.h"
#include "CxEvents.h"
#include "CxJob.h"
#include "DxConfigTestSupport.h"
#include "DxFrame.h"
#include "DxSeriesClient.h"
#include "DxSeriesManager.h"
#include "DxSet.h"
#include "LoopbackServer.h"
#include "PfRunLoop.h"
#include "TestLatch.h"

#include <gtest/gtest.h>

#include <thread>

namespace
{

const CxDate kDay(2020, 1, 4, 0, 0, 0, 0);

std::string Kts(const char* inDate, const char* inRows)
{
    return std::string("101\n2 ") + inDate + " 0 0 0\nSTID STNM TIME TMPF DWPF\n" + inRows;
}

DxParm Parm(const char* inId, const char* inUnit)
{
    return DxParm(inId, inId, kDxTypeFloat, DxUnit(inUnit), DxUnitSet(), 1.0);
}

class DxSeriesFlowTest : public dxtest::UnitTableTest
{
protected:
    void SetUp() override
    {
        UnitTableTest::SetUp();
        setenv("SKYVANE_SERVER_REGISTRY", mServer.Base().c_str(), 1);
        DxSet::RebuildRegistryUrlForTesting();
        DxManager::SetRootDataFolder(CxFolder(CxFileRef{mHome.Path()}));
        DxManager::SetRootCacheFolder(CxFolder(CxFileRef{mHome.Path()}));
        pf::MainLoop().ResetForTesting(pf::ClockKind::kVirtual);
        ASSERT_EQ(CxInstallEventHandler(), 0);
        for (auto [type, id] : {std::pair{100, 1}, {100, 2}, {101, 5}, {102, 7}})
            mThreads.push_back(std::make_unique<CxJobThread>(type, id));
        mServer.AddDocument("/nimbrel/registry.php", 200, "text/xml", dxtest::Document("datasetconfig", R"(
            <property id="type" value="kts"/><property id="baseUrl" value="@BASE@/"/>
            <property id="parmInfoUrl" value="parminfo.xml"/><property id="siteInfoUrl" value="siteinfo.xml"/>
            <property id="timeSeriesUrlFormat" value="kts/%Y%m%d/%siteid;.kts"/>
            <property id="fileResolution" value="86400" units="secs"/>
            <property id="dataResolution" value="3600" units="secs"/>)"));
        mServer.AddDocument("/parminfo.xml", 200, "text/xml", dxtest::Document("parminfo", R"(
            <parm id="time" type="float" units="min"/><parm id="tmpf" type="float" units="fahr"/>
            <parm id="dwpf" type="float" units="fahr"/><derivation id="relh" func="relh" args="tmpf dwpf"/>)"));
        mServer.AddDocument("/siteinfo.xml", 200, "text/xml", dxtest::FixtureText("siteinfo.xml"));
        mServer.AddDocument("/kts/20200104/HBR01.kts", 200, "application/kts", Kts("2020 1 4", "HBR01 1 0 50 41\n"));
        mServer.AddDocument("/kts/20200105/HBR01.kts", 200, "application/kts", Kts("2020 1 5", "HBR01 1 0 68 50\n"));
        mSet = DxSet::FindOrCreateSet("ts", kDxManagerShp);
    }
    void TearDown() override
    {
        mThreads.clear();
        DxSet::DeleteAllSets();
        CxRemoveEventHandler();
        pf::MainLoop().ResetForTesting(pf::ClockKind::kReal);
        unsetenv("SKYVANE_SERVER_REGISTRY");
        DxSet::RebuildRegistryUrlForTesting();
        UnitTableTest::TearDown();
    }

    sky::test::TempHome mHome;
    sky::test::ScopedNow mNow{[] { return (kDay + 86400.0 + 43200.0).AbsoluteTime(); }};
    sky::test::LoopbackServer mServer;
    std::vector<std::unique_ptr<CxJobThread>> mThreads;
    DxSet* mSet = nullptr;
};

TEST_F(DxSeriesFlowTest, TwoDaysArriveAsTwoTables)
{
    ASSERT_EQ(mSet->Kind(), kDxManagerKts);
    DxSeriesManager* manager = mSet->SeriesManager();
    ASSERT_NE(manager, nullptr);
    ASSERT_TRUE(manager->PerformConfigUpdate());
    DxSeriesClient client;
    client.SetSite("HBR01");
    for (const DxParm& parm : {Parm("time", "secs"), Parm("tmpf", "cels"), Parm("relh", "prct")})
        client.AddParm(parm);
    client.SetSet(mSet);
    client.SetDates(kDay, kDay + 86400.0);
    client.RefreshClient();
    ASSERT_TRUE(pf::MainLoop().RunUntil([&] { return client.FrameList().size() == 2; }, sky::test::kBound));
    EXPECT_EQ(client.Interval(), 3600u);
    const double celsius[] = {10, 20};
    int day = 0;
    for (const auto& [date, frame] : client.FrameList())
    {
        SCOPED_TRACE(day);
        EXPECT_EQ(date, kDay + 86400.0 * day);
        const auto* table = dynamic_cast<const DxTable*>(frame);
        ASSERT_NE(table, nullptr);
        ASSERT_NE(table->FindFloatField("time:secs"), nullptr);
        EXPECT_EQ(table->FindFloatField("time:secs")->at(0), 0.0);
        EXPECT_NEAR(table->FindFloatField("tmpf:cels")->at(0), celsius[day], 1e-9);
        ASSERT_NE(table->FindFloatField("relh:prct"), nullptr);
        const double relh = table->FindFloatField("relh:prct")->at(0);
        EXPECT_TRUE(relh > 0 && relh < 100) << relh;
        ++day;
    }
}

TEST_F(DxSeriesFlowTest, ParseQuestionsRaceParameterAndSiteChanges)
{
    DxSeriesClient client;
    client.SetSite("HBR01");
    client.SetSet(mSet);
    client.SetDates(kDay, kDay + 86400.0);
    DxRecord record(kDay, "HBR01");
    std::atomic<bool> done{false};
    std::thread asker(
        [&]
        {
            CxSint32 rounds = 0;
            while (!done || rounds < 100)
            {
                CxAutoLock lock(mSet->Manager()->Region());
                client.NeedsToParse(&record, kDay);
                ++rounds;
            }
        });
    for (int round = 0; round < 200; ++round)
    {
        client.AddParm(Parm("tmpf", "cels"));
        client.SetSite(round % 2 == 0 ? "HBR02" : "HBR01");
        client.RemoveParm(Parm("tmpf", "cels"));
    }
    done = true;
    asker.join();
    EXPECT_EQ(client.Parms().size(), 0u);
}

} // namespace
