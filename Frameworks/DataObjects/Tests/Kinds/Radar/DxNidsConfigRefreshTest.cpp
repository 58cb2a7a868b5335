// A radar configuration refresh whose configuration cannot be fetched.
#include "DxNidsTestSupport.h"

#include "LoopbackServer.h"

namespace
{

using dxradartest::DxNidsTest;

// A refresh whose configuration host refuses the connection ends there: the lists are not asked for, so their new
// copies are not read, nothing counts as new, and the status says why.
TEST_F(DxNidsTest, AConfigurationThatCannotBeFetchedEndsTheRefresh)
{
    const sky::test::ClosedPort closed;
    mServer
        .AddDocument("/nimbrel/registry.php", 200, "text/xml",
                     Config("<property id=\"configUrl\" value=\"" + closed.Url("/config.xml") + "\"/>"))
        .NoLastModified();
    ASSERT_TRUE(mManager->PerformConfigUpdate()); // the configuration now lives on the closed port
    mServer.AddDocument("/siteinfo.xml", 200, "text/xml", Sites("Birmingham, AL")).NoLastModified();
    mServer.AddDocument("/prodinfo.xml", 200, "text/xml", Products("Reflectivity")).NoLastModified();
    mServer.ClearLog();

    EXPECT_FALSE(mManager->PerformConfigUpdate());
    EXPECT_EQ(mManager->Status(), "Configuration host unreachable.");
    EXPECT_EQ(mServer.RequestCount(), 0u);
    EXPECT_EQ(mManager->FindNidsSite(DxNidsSite("KBMX", "")).Name(), "Birmingham");
    EXPECT_EQ(mManager->FindRadialInfo(19).Name(), "Base reflectivity");
}

} // namespace
