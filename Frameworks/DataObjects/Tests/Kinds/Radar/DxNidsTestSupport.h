// The radar tests' set: a radar manager configured from a loopback server that also serves its lists and one
// Level III file.
#pragma once

#include "DxManagerFixture.h"
#include "DxNidsManager.h"
#include "TestSupport.h"

#include <string>

namespace dxradartest
{

inline const CxDate kNow(2015, 1, 2, 2, 5, 0, 0);

class DxNidsTest : public dxtest::ManagerTest
{
protected:
    DxNidsTest() : ManagerTest(kNow) {}
    void SetUp() override
    {
        ManagerTest::SetUp();
        Reply(200, Config());
        mServer.AddDocument("/q/KBMX/N0R/201501020205/201501020205", 200, "text/xml",
                            "<xml><date>2015-01-02 02:05:00 UTC</date></xml>");
        mServer.AddDocument("/siteinfo.xml", 200, "text/xml", Sites("Birmingham"));
        mServer.AddDocument("/prodinfo.xml", 200, "text/xml", Products("Base reflectivity"));
        mServer.AddDocument("/BMX/N0R/201501020205.nids", 200, "image/nids",
                            dxtest::ReadFile(sky::test::TestDataFile("nexrad3/KBMX_SDUS54_N0RBMX_201501020205")));
        mSet = DxSet::FindOrCreateSet("radar", kDxManagerShp);
        mManager = mSet->NidsManager();
        ASSERT_NE(mManager, nullptr);
        ASSERT_TRUE(mManager->PerformConfigUpdate());
    }
    // The set's configuration, with any further properties.
    static std::string Config(const std::string& inMore = "")
    {
        return dxtest::Document("datasetconfig", R"(
            <property id="type" value="nids"/><property id="baseUrl" value="@BASE@/"/>
            <property id="siteInfoUrl" value="siteinfo.xml"/><property id="prodInfoUrl" value="prodinfo.xml"/>
            <property id="dataUrlFormat" value="%threelettersiteid;/%product;/%04Y%02m%02d%02H%02M.nids"/>
            <property id="dataQueryUrlFormat" value="@BASE@/q/%siteid;/%product;/%startDate;/%endDate;"/>
            <property id="dataQueryDateFormatString" value="%Y%m%d%H%M"/>)" +
                                                     inMore);
    }
    static std::string Sites(const std::string& inName)
    {
        return dxtest::Document("siteinfo", "<table><fieldref id='stid' type='string'/><fieldref id='name' "
                                            "type='string'/><record>\"KBMX\", \"" +
                                                inName + "\"</record></table>");
    }
    static std::string Products(const std::string& inName)
    {
        return dxtest::Document("parminfo", "<parm id='N0R' name='" + inName + "' units='mm'/><radial id='19' name='" +
                                                inName + "' kmPerPixel='0.5'/>");
    }

    DxSet* mSet = nullptr;
    DxNidsManager* mManager = nullptr;
};

} // namespace dxradartest
