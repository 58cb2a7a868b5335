#include "VaneAppTest.h"

#include "CxDebug.h"
#include "CxJob.h"
#include "CxPreferences.h"
#include "DxManager.h"
#include "DxSet.h"
#include "VaneEntryPoints.h"
#include "VanePlugin.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace
{

using namespace vanetest;
namespace fs = std::filesystem;

class VanePluginTest : public AppTest
{
protected:
    std::string PrefsPath() const { return Home() + "/.config/skyvane/SkyvanePrefs.xml"; }
    std::string Value(const char* inKey) const { return CxGetGlobalPreferences().GetStringValue(inKey).AsUtf8(); }
    bool Has(const char* inKey) const { return CxGetGlobalPreferences().HasValue(inKey); }
};

const char* const kPrefsHead = "<?SkyvanePrefs version=\"1.0d1\" encoding=\"UTF-8\"?>";

TEST_F(VanePluginTest, AFirstStartCopiesTheDefaultsAndMakesEverything)
{
    StartHost();
    EXPECT_EQ(ReadText(PrefsPath()),
              ReadText(std::string(SKYVANE_SOURCE_DIR) + "/Products/Skyvane/Resources/VanePrefs.xml"));
    EXPECT_EQ(Value("autoUpdate"), "true");
    EXPECT_EQ(Value("autoUpdateInterval"), "1");
    EXPECT_EQ(Value("updateIsAvailable"), "false");
    EXPECT_FALSE(Has("updateVersion"));

    const CxSint32 kinds[][2] = {{100, 1}, {100, 2}, {101, 5}, {102, 7}};
    for (CxSint32 i = 0; i < VanePlugin::kJobThreads; ++i)
    {
        const CxJobThread* thread = gPlugin->JobThread(i);
        ASSERT_NE(thread, nullptr) << i;
        EXPECT_EQ(thread->Type(), kinds[i][0]) << i;
        EXPECT_EQ(thread->Id(), kinds[i][1]) << i;
    }
    EXPECT_EQ(CxJobDispatcher::Instance().CountThreads(), 4);
    EXPECT_TRUE(fs::is_regular_file(Home() + "/.local/state/skyvane/SkyvanePlugin.log"));
    EXPECT_EQ(DxManager::RootDataFolder().Path().AsUtf8(), Home() + "/Weather/SkyvanePlugin Data");
    EXPECT_EQ(DxManager::RootCacheFolder().Path().AsUtf8(), Home() + "/.cache/skyvane/Weather/SkyvanePlugin Cache");
    EXPECT_TRUE(fs::is_directory(Home() + "/.cache/skyvane/Weather/SkyvanePlugin Cache"));

    wxkit::KitSet(CxString("held"), 1, 0, {});
    ASSERT_EQ(DxSet::CountSets(), 1u);
    EXPECT_EQ(VaneShutdown(), NPERR_NO_ERROR);
    EXPECT_EQ(CxJobDispatcher::Instance().CountThreads(), 0);
    EXPECT_EQ(DxSet::CountSets(), 0u);
}

// A bundle whose defaults lack the update keys: the checker's own defaults stand.
TEST_F(VanePluginTest, TheUpdateDefaultsStandWhenTheResourceLacksThem)
{
    const std::string bundle = Home() + "/bundle";
    fs::create_directories(bundle);
    fs::copy_file(std::string(SKYVANE_SOURCE_DIR) + "/Products/Skyvane/Resources/DxUnitTable.xml",
                  bundle + "/DxUnitTable.xml");
    WriteText(bundle + "/VanePrefs.xml",
              std::string(kPrefsHead) + "<SkyvanePrefs><property id=\"unitPreference\" value=\"3\"/></SkyvanePrefs>");
    setenv("SKYVANE_BUNDLE", bundle.c_str(), 1);
    StartHost();
    EXPECT_EQ(Value("unitPreference"), "3");
    EXPECT_EQ(Value("autoUpdate"), "true");
    EXPECT_EQ(Value("autoUpdateInterval"), "1");
}

TEST_F(VanePluginTest, ThePreferencesFileIsReadInOrder)
{
    WriteText(PrefsPath(), std::string(kPrefsHead) + "<!-- <property id=\"dataSetPreference_x\" value=\"no\"/> -->"
                                                     "<SkyvanePrefs><property id=\"unitPreference\" value=\"1\"/>"
                                                     "<property id=\"noValue\"/><note id=\"ignored\" value=\"x\"/>"
                                                     "<property id=\"unitPreference\" value=\"2\"/>"
                                                     "<property id=\"autoUpdate\" value=\"false\"/></SkyvanePrefs>");
    StartHost();
    EXPECT_EQ(Value("unitPreference"), "2");
    EXPECT_TRUE(Has("noValue"));
    EXPECT_EQ(Value("noValue"), "");
    EXPECT_FALSE(Has("ignored"));
    EXPECT_FALSE(Has("dataSetPreference_x"));
    EXPECT_EQ(Value("autoUpdate"), "false");
}

TEST_F(VanePluginTest, TheDataPathPlacesBothRootsOrFallsBack)
{
    struct Row
    {
        const char* name;
        std::string dataPath;
        std::string data;
        std::string cache;
    };
    const std::string mine = Home() + "/mine";
    fs::create_directories(mine);
    const Row rows[] = {
        {"existing", mine, mine + "/Weather/SkyvanePlugin Data", mine + "/Weather/SkyvanePlugin Cache"},
        {"missing", Home() + "/nowhere", Home() + "/Weather/SkyvanePlugin Data",
         Home() + "/.cache/skyvane/Weather/SkyvanePlugin Cache"},
        {"empty", "", Home() + "/Weather/SkyvanePlugin Data", Home() + "/.cache/skyvane/Weather/SkyvanePlugin Cache"},
    };
    StartHost();
    for (const Row& row : rows)
    {
        CxGetGlobalPreferences().SetStringValue("dataPath", CxString::FromUtf8(row.dataPath), 0);
        EXPECT_EQ(gPlugin->FindDataFolder().Path().AsUtf8(), row.data) << row.name;
        EXPECT_EQ(gPlugin->FindCacheFolder().Path().AsUtf8(), row.cache) << row.name;
        EXPECT_TRUE(fs::is_directory(row.data)) << row.name;
    }
    EXPECT_FALSE(fs::exists(Home() + "/nowhere"));
}

TEST_F(VanePluginTest, OnlyALaterVersionIsAnUpdate)
{
    struct Row
    {
        const char* available;
        const char* version;
        bool expected;
    };
    const Row rows[] = {
        {"true", "1.8.0f4", false}, {"true", "1.8.0b9", false}, {"true", "1.8.1d1", true},
        {"true", "1.9", true},      {"false", "2.0", false},    {"true", "", false},
    };
    StartHost();
    for (const Row& row : rows)
    {
        CxGetGlobalPreferences().SetStringValue("updateIsAvailable", row.available, 0);
        CxGetGlobalPreferences().SetStringValue("updateVersion", row.version, 0);
        CxDebugCapture capture;
        EXPECT_EQ(gPlugin->CheckForUpdate(), row.expected) << row.version;
        EXPECT_EQ(capture.Count(), row.expected ? 1u : 0u) << row.version;
        EXPECT_EQ(Value("updateIsAvailable"), row.expected ? "true" : "false") << row.version;
        EXPECT_EQ(Has("updateVersion"), row.expected) << row.version;
    }
}

TEST_F(VanePluginTest, WritingGivesTheDocumentInKeyOrder)
{
    StartHost();
    CxPreferences::Table table;
    table[CxString("unitPreference")] = CxString("2");
    table[CxString("dataPath")] = CxString::FromUtf8("/m\xC3\xA9t\xC3\xA9o & \"co\"");
    table[CxString("autoUpdate")] = CxString("true");
    CxGetGlobalPreferences().SetStringTable(table);
    gPlugin->WritePrefs();
    EXPECT_EQ(ReadText(PrefsPath()),
              "<?SkyvanePrefs version=\"1.0d1\" encoding=\"UTF-8\"?>\n"
              "<SkyvanePrefs>\n"
              "\t<property id=\"autoUpdate\" value=\"true\"/>\n"
              "\t<property id=\"dataPath\" value=\"/m\xC3\xA9t\xC3\xA9o &amp; &quot;co&quot;\"/>\n"
              "\t<property id=\"unitPreference\" value=\"2\"/>\n"
              "</SkyvanePrefs>\n");
    // Read back, the same store.
    CxGetGlobalPreferences().SetStringTable({});
    gPlugin->ReadPrefs();
    EXPECT_EQ(CxGetGlobalPreferences().GetStringTable(), table);
}

TEST_F(VanePluginTest, AFolderInPlaceOfTheFileStillStarts)
{
    fs::create_directories(PrefsPath());
    CxDebugCapture capture;
    StartHost();
    EXPECT_NE(gPlugin, nullptr);
    EXPECT_EQ(Value("autoUpdate"), "true");
    EXPECT_GE(capture.Count(), 1u);
    gPlugin->WritePrefs();
    EXPECT_TRUE(fs::is_directory(PrefsPath()));
    EXPECT_FALSE(fs::exists(PrefsPath() + ".new"));
}

TEST_F(VanePluginTest, ABrokenFileKeepsTheDefaultsAndAFailedWriteKeepsTheOldFile)
{
    const std::string broken = std::string(kPrefsHead) + "<SkyvanePrefs><property id=\"autoUpdate\" value=\"false\">";
    WriteText(PrefsPath(), broken);
    StartHost();
    EXPECT_EQ(Value("autoUpdate"), "true");
    EXPECT_EQ(ReadText(PrefsPath()), broken);

    // A folder where the new text is written first: the write fails and the file is as it was.
    fs::create_directories(PrefsPath() + ".new/held");
    CxDebugCapture capture;
    gPlugin->WritePrefs();
    EXPECT_TRUE(fs::is_directory(PrefsPath() + ".new/held"));
    EXPECT_EQ(ReadText(PrefsPath()), broken);
    EXPECT_GE(capture.Count(), 1u);
}

} // namespace
