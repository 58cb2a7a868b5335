#include "DxSet.h"
#include "CxFile.h"
#include "CxPreferences.h"
#include "DxConfigTestSupport.h"
#include "DxManager.h"
#include "LoopbackServer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace
{

std::string Config(const std::string& inProperties)
{
    return dxtest::Document("datasetconfig", inProperties);
}

class DxSetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setenv("SKYVANE_SERVER_REGISTRY", mServer.Base().c_str(), 1);
        DxSet::RebuildRegistryUrlForTesting();
        DxManager::SetRootDataFolder(CxFolder(CxFileRef{mHome.Path()}));
        DxManager::SetRootCacheFolder(CxFolder(CxFileRef{mHome.Path()}));
    }
    void TearDown() override
    {
        DxSet::DeleteAllSets();
        DxSet::GoOnline();
        unsetenv("SKYVANE_SERVER_REGISTRY");
        DxSet::RebuildRegistryUrlForTesting();
    }
    void Reply(int inStatus, const std::string& inBody)
    {
        mServer.AddDocument("/nimbrel/registry.php", inStatus, "text/xml", inBody);
    }
    void Store(const std::string& inId, const std::string& inConfig)
    {
        std::filesystem::create_directories(mHome.Path() + "/" + inId + "/info");
        if (!inConfig.empty())
            std::ofstream(mHome.Path() + "/" + inId + "/info/config.xml") << inConfig;
    }

    sky::test::TempHome mHome;
    sky::test::LoopbackServer mServer;
};

TEST_F(DxSetTest, RegistryReplyDecidesKindAndName)
{
    struct Case
    {
        const char* mWhat;
        int mStatus;
        std::string mBody;
        bool mOnline;
        CxSint32 mKind;
        const char* mName;
        std::size_t mRequests;
    };
    const Case cases[] = {
        {"typed and named", 200, Config(R"(<property id="type" value="kts"/><property id="name" value="Series"/>)"),
         true, 7, "Series", 1},
        {"station urls infer kdf", 200, Config(R"(<property id="parmInfoUrl" value="p.xml"/>)"), true, 1, "", 1},
        {"series urls infer nothing", 200,
         Config(R"(<property id="parmInfoUrl" value="p"/><property id="timeSeriesUrlFormat" value="t"/>)"), true, 3,
         "ts", 1},
        {"png is an image", 200, Config(R"(<property id="type" value="png"/>)"), true, 4, "", 1},
        {"mosaic unsupported", 200, Config(R"(<property id="type" value="mosaic"/>)"), true, 3, "ts", 1},
        {"html page", 200, "<html><body>maintenance</body></html>", true, 3, "ts", 1},
        {"newer version", 200, dxtest::Document("datasetconfig", R"(<property id="type" value="kts"/>)", "2.0"), true,
         3, "ts", 1},
        {"not found", 404, Config(R"(<property id="type" value="kts"/>)"), true, 3, "ts", 1},
        {"offline", 200, Config(R"(<property id="type" value="kts"/>)"), false, 3, "ts", 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.mWhat);
        Reply(c.mStatus, c.mBody);
        mServer.ClearLog();
        if (!c.mOnline)
            DxSet::GoOffline();
        DxSet* set = DxSet::FindOrCreateSet("ts", 3);
        ASSERT_NE(set, nullptr);
        EXPECT_EQ(set->Kind(), c.mKind);
        EXPECT_EQ(set->Name(), CxString(c.mName));
        EXPECT_EQ(mServer.RequestCount(), c.mRequests);
        // Known now: the same set whatever kind is asked, and no second request.
        EXPECT_EQ(DxSet::FindOrCreateSet("ts", 8), set);
        EXPECT_EQ(mServer.RequestCount(), c.mRequests);
        DxSet::DeleteAllSets();
        DxSet::GoOnline();
    }
}

TEST_F(DxSetTest, IdArrivesPercentEncoded)
{
    Reply(404, "");
    DxSet::FindOrCreateSet("a&b c#d~e.f", 1);
    ASSERT_EQ(mServer.RequestCount(), 1u);
    EXPECT_EQ(mServer.Requests()[0].query, "id=a%26b%20c%23d~e.f");
}

TEST_F(DxSetTest, CachedSetsAndPreferences)
{
    Store("ts", Config(R"(<property id="type" value="kts"/><property id="name" value="Zeta"/>)"));
    Store("ts2", Config(R"(<property id="type" value="kts"/><property id="name" value="Alpha"/>)"));
    Store("atlas", Config(R"(<property id="type" value="atlas"/>)"));
    Store("bare", "");
    Store("known", Config(R"(<property id="type" value="kts"/>)"));
    new DxSet("known", 1);
    DxSet::InitCachedSets(DxManager::RootDataFolder());

    std::vector<std::pair<std::string, CxSint32>> found;
    for (auto iter = DxSet::BeginSets(); iter != DxSet::EndSets(); ++iter)
        found.emplace_back(iter->first.AsUtf8(), iter->second->Kind());
    const std::vector<std::pair<std::string, CxSint32>> expected{{"known", 1}, {"ts", 7}, {"ts2", 7}};
    EXPECT_EQ(found, expected);
    EXPECT_EQ(DxSet::CountSetsOfType(7), 2u);

    // Without a stored preference, or with one naming no set, the first by name; then the stored one.
    CxGetGlobalPreferences().ClearValue("dataSetPreference_kts");
    EXPECT_EQ(DxSet::PreferredSetOfType(7)->Id(), CxString("ts2"));
    CxGetGlobalPreferences().SetStringValue("dataSetPreference_kts", "gone", 0);
    EXPECT_EQ(DxSet::PreferredSetOfType(7)->Id(), CxString("ts2"));
    DxSet::FindExistingSet("ts")->MakePreferredSet();
    EXPECT_EQ(DxSet::PreferredSetOfType(7)->Id(), CxString("ts"));
    EXPECT_EQ(DxSet::PreferredSetOfType(2), nullptr);
    CxGetGlobalPreferences().ClearValue("dataSetPreference_kts");
}

} // namespace
