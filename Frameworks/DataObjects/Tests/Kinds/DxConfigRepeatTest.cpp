// A registry is usually a script: it answers 200 with the same body every time and no Last-Modified, so it never
// answers 304. Every kind's refresh takes such a repeat for what it is: nothing new (nothing read, nothing stored,
// no clients refreshed); a body that changed, even back to an earlier one, is new as before.
#include "DxConfigKinds.h"

namespace
{

using namespace dxtest;
using DxConfigRepeatTest = DxConfigRefreshTest;

// Per kind: the same body, a changed one, the same again, back to the first; for config.xml (the registry's answer)
// and for each list. A repeat leaves the document stored before (and its date) in place.
TEST_F(DxConfigRepeatTest, ARepeatedBodyIsNothingNewAndAChangedOneIsNew)
{
    const std::pair<int, bool> kRows[] = {{0, false}, {1, true}, {1, false}, {0, true}}; // body, new
    for (const Kind& kind : Kinds())
    {
        SCOPED_TRACE(kind.mId);
        const std::string configs[] = {ConfigOf(kind, "One"), ConfigOf(kind, "Two")};
        Serve("/nimbrel/registry.php", configs[0]);
        for (const List& list : kind.mLists)
            Serve("/" + std::string(kind.mId) + "/" + list.mFile, list.mBody);
        DxManager* manager = DxSet::FindOrCreateSet(kind.mId, kDxManagerNone)->Manager();
        ASSERT_NE(manager, nullptr);
        ASSERT_TRUE(manager->PerformConfigUpdate()); // the first configuration
        ASSERT_TRUE(manager->IsConfigured());
        for (const auto& [body, isNew] : kRows)
        {
            SCOPED_TRACE("config.xml " + std::to_string(&body - &kRows[0].first));
            Serve("/nimbrel/registry.php", configs[body]);
            EXPECT_EQ(Refresh(manager, "config.xml"), std::pair(isNew, isNew));
            EXPECT_EQ(manager->Name(), body == 0 ? "One" : "Two");
            EXPECT_EQ(manager->Status(), "Idle.");
        }
        for (const List& list : kind.mLists)
        {
            const std::string bodies[] = {list.mBody, list.mBody + "\n"};
            for (const auto& [body, isNew] : kRows)
            {
                SCOPED_TRACE(std::string(list.mFile) + " " + std::to_string(body));
                Serve("/" + std::string(kind.mId) + "/" + list.mFile, bodies[body]);
                EXPECT_EQ(Refresh(manager, list.mFile), std::pair(isNew, isNew));
                EXPECT_EQ(manager->Status(), "Idle.");
            }
        }
    }
}

// The rule holds only once the manager is configured: a cached copy that did not make it so is read again, even
// when the registry repeats it.
TEST_F(DxConfigRepeatTest, AnUnconfiguredManagerReadsEvenARepeat)
{
    const Kind kind = Kinds()[1];
    const std::string config = ConfigOf(kind, "One");
    Store("shp", config.substr(0, config.size() / 2)); // cut short: it does not read
    Serve("/nimbrel/registry.php", config);
    Serve("/shp/shapeinfo.xml", kind.mLists[0].mBody);
    DxManager* manager = DxSet::FindOrCreateSet("shp", kDxManagerShp)->Manager();
    ASSERT_NE(manager, nullptr);
    ASSERT_FALSE(manager->IsConfigured());
    // What the registry will send, not yet read.
    std::string served = config;
    served.replace(served.find("@BASE@"), 6, mServer.Base());
    std::ofstream(mHome.Path() + "/shp/info/config.xml", std::ios::trunc) << served;
    EXPECT_EQ(Refresh(manager, "config.xml"), std::pair(true, true));
    EXPECT_TRUE(manager->IsConfigured());
    EXPECT_EQ(manager->Name(), "One");
}

} // namespace
