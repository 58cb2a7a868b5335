// A radar client needs both a site and a product: without either it is no valid client and subscribes to nothing.
#include "DxManagerFixture.h"
#include "DxNidsClient.h"
#include "DxNidsManager.h"
#include "TestLatch.h"

#include <string>
#include <vector>

namespace
{

const CxDate kNow(2015, 1, 2, 2, 5, 0, 0);

class DxNidsClientIdTest : public dxtest::ManagerTest
{
protected:
    DxNidsClientIdTest() : ManagerTest(kNow) {}
    void SetUp() override
    {
        ManagerTest::SetUp();
        Reply(200, dxtest::Document("datasetconfig", R"(
            <property id="type" value="nids"/><property id="baseUrl" value="@BASE@/"/>
            <property id="siteInfoUrl" value="siteinfo.xml"/><property id="prodInfoUrl" value="prodinfo.xml"/>
            <property id="dataUrlFormat" value="%threelettersiteid;/%product;/%04Y%02m%02d%02H%02M.nids"/>
            <property id="dataQueryUrlFormat" value="@BASE@/q/%siteid;/%product;/%startDate;/%endDate;"/>
            <property id="dataQueryDateFormatString" value="%Y%m%d%H%M"/>)"));
        mServer.AddDocument("/siteinfo.xml", 200, "text/xml",
                            dxtest::Document("siteinfo", "<table><fieldref id='stid' type='string'/><fieldref "
                                                         "id='name' type='string'/><record>\"KBMX\", "
                                                         "\"Birmingham\"</record></table>"));
        mServer.AddDocument("/prodinfo.xml", 200, "text/xml",
                            dxtest::Document("parminfo", "<parm id='N0R' name='Base reflectivity' units='mm'/>"));
        mSet = DxSet::FindOrCreateSet("radar", kDxManagerShp);
        mManager = mSet->NidsManager();
        ASSERT_NE(mManager, nullptr);
        ASSERT_TRUE(mManager->PerformConfigUpdate());
    }
    std::vector<std::string> Subscribed()
    {
        CxAutoLock lock(mManager->Region());
        std::vector<std::string> ids;
        for (const auto& subscription : mManager->Subscriptions())
            ids.push_back(subscription->Attribs().AsUtf8());
        return ids;
    }
    bool Idle()
    {
        CxAutoLock lock(mManager->Region());
        return mManager->CountJobs() == 0;
    }

    DxSet* mSet = nullptr;
    DxNidsManager* mManager = nullptr;
};

TEST_F(DxNidsClientIdTest, ASiteAndAProductOrNothing)
{
    const struct
    {
        const char* site;
        const char* product;
        bool valid;
    } rows[] = {{"KBMX", "N0R", true}, {"KBMX", "", false}, {"", "N0R", false}, {"", "", false}};
    for (const auto& row : rows)
    {
        const std::string id = std::string(row.site) + ":" + row.product;
        DxNidsClient client;
        client.SetSite(DxNidsSite(row.site, ""));
        client.SetProduct(DxNidsProduct(row.product, "", row.product, DxUnit()));
        EXPECT_EQ(client.IsIdValid(), row.valid) << id;
        client.SetSet(mSet);
        client.SetDates(kNow, kNow);
        client.RefreshClient();
        EXPECT_EQ(Subscribed(), row.valid ? std::vector<std::string>{id} : std::vector<std::string>{}) << id;
        ASSERT_TRUE(pf::MainLoop().RunUntil([&] { return Idle(); }, sky::test::kBound));
        client.SetSet(nullptr);
        EXPECT_TRUE(Subscribed().empty()) << id;
    }
}

} // namespace
