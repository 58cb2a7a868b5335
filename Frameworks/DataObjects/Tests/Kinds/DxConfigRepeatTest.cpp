// A registry is usually a script: it answers 200 with the same body every time and no Last-Modified, so it never
// answers 304. Every kind's refresh takes such a repeat for what it is: nothing new (nothing read, nothing stored,
// no clients refreshed); a body that changed, even back to an earlier one, is new as before.
#include "DxCache.h"
#include "DxSetTestSupport.h"

#include <atomic>

namespace
{

using namespace dxtest;

struct List
{
    const char* mProperty; // the configuration key naming its URL
    const char* mFile;     // its name on the server and in the cache's info folder
    std::string mBody;
};

struct Kind
{
    const char* mId;
    const char* mProperties; // besides type, base URL, name and the lists' URLs
    std::vector<List> mLists;
    bool mListsCount; // whether a list that came new makes the refresh new (the station kinds read only config.xml)
};

std::vector<Kind> Kinds()
{
    const std::string sites = Document("siteinfo", "<table><fieldref id='stid' type='string'/><fieldref id='name' "
                                                   "type='string'/><record>\"KBMX\", \"Birmingham\"</record></table>");
    return {
        {"kdf",
         R"(<property id="dataUrlFormat" value="%Y%m%d%H.kdf"/><property id="dataResolution" value="3600" units="secs"/>)",
         {{"parmInfoUrl", "parminfo.xml", Document("parminfo", R"(<parm id="tmpf" type="float" units="fahr"/>)")},
          {"siteInfoUrl", "siteinfo.xml", FixtureText("siteinfo.xml")}},
         false},
        {"shp",
         R"(<property id="dataUrlFormat" value="s/%region;/%feature;"/>)",
         {{"shapeInfoUrl", "shapeinfo.xml", Document("shapeinfo", R"(<region id="us" name="US"/><shape id="c"/>)")}},
         true},
        {"image",
         R"(<property id="dataUrlFormat" value="img/%siteid;_%product;"/>)",
         {{"prodInfoUrl", "datainfo.xml", FixtureText("datainfo.xml")}},
         true},
        {"advisory",
         R"(<property id="dataUrlFormat" value="adv.xml"/>)",
         {{"prodInfoUrl", "prodinfo.xml", FixtureText("advisoryinfo.xml")}},
         true},
        {"nids",
         R"(<property id="dataUrlFormat" value="%threelettersiteid;/%product;/%Y%m%d%H%M.nids"/>)",
         {{"siteInfoUrl", "siteinfo.xml", sites},
          {"prodInfoUrl", "prodinfo.xml",
           Document("parminfo", "<parm id='N0R' name='Reflectivity' units='mm'/><radial id='19' name='R'/>")}},
         true},
    };
}

class DxConfigRepeatTest : public DxSetTest
{
protected:
    // The configuration the registry answers for the kind, named inName.
    static std::string ConfigOf(const Kind& inKind, const std::string& inName)
    {
        std::string properties = R"(<property id="type" value=")" + std::string(inKind.mId) +
                                 R"("/><property id="baseUrl" value="@BASE@/)" + inKind.mId + R"(/"/>)" +
                                 R"(<property id="name" value=")" + inName + R"("/>)" + inKind.mProperties;
        for (const List& list : inKind.mLists)
            properties += "<property id=\"" + std::string(list.mProperty) + "\" value=\"" + list.mFile + "\"/>";
        return Config(properties);
    }
    // A script's answers: always 200, never a date to compare.
    void Serve(const std::string& inTarget, const std::string& inBody)
    {
        mServer.AddDocument(inTarget, 200, "text/xml", inBody).NoLastModified();
    }
    // One refresh, a minute after the last: whether it was new, and whether it stored the named document anew.
    std::pair<bool, bool> Refresh(DxManager* inManager, const char* inName)
    {
        const CxDate before = inManager->Cache()->GetInfoFileModDate(inName);
        mLater = mLater + 60.0;
        const bool changed = inManager->PerformConfigUpdate();
        return {changed, inManager->Cache()->GetInfoFileModDate(inName) != before};
    }

    std::atomic<double> mLater = 0.0;
    sky::test::ScopedNow mMoving{[this] { return kNow.AbsoluteTime() + mLater; }};
};

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
                EXPECT_EQ(Refresh(manager, list.mFile), std::pair(isNew && kind.mListsCount, isNew));
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
