// What a refresh takes for new is judged against the copy this manager holds in force: a body that does not read
// changes nothing, and a document another process stored in the shared cache first, or one this manager could not
// store, is still new to it.
#include "DxConfigKinds.h"
#include "DxObsManager.h"

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>

namespace
{

using namespace dxtest;
using DxConfigInForceTest = DxConfigRefreshTest;

std::string Served(std::string inText, const std::string& inBase)
{
    for (std::size_t at = inText.find("@BASE@"); at != std::string::npos; at = inText.find("@BASE@"))
        inText.replace(at, 6, inBase);
    return inText;
}

// Per kind, for config.xml and each list: a maintenance page, the document cut short, a versioned document of
// another root, an empty body; for config.xml a document of another root without the version instruction, and a
// site list without its table. None is new or stored, the status names the document, the name stays; the good
// body again is still the copy in force.
TEST_F(DxConfigInForceTest, ABodyThatDoesNotReadChangesNothing)
{
    const std::string page = "<!DOCTYPE html><html><body><h1>Down for maintenance</h1></body></html>";
    for (const Kind& kind : Kinds())
    {
        SCOPED_TRACE(kind.mId);
        const std::string config = ConfigOf(kind, "One");
        Serve("/nimbrel/registry.php", config);
        for (const List& list : kind.mLists)
            Serve("/" + std::string(kind.mId) + "/" + list.mFile, list.mBody);
        DxManager* manager = DxSet::FindOrCreateSet(kind.mId, kDxManagerNone)->Manager();
        ASSERT_NE(manager, nullptr);
        ASSERT_TRUE(manager->PerformConfigUpdate());
        std::vector<std::tuple<std::string, std::string, std::string>> rows; // target, good body, name
        rows.emplace_back("/nimbrel/registry.php", config, "config.xml");
        for (const List& list : kind.mLists)
            rows.emplace_back("/" + std::string(kind.mId) + "/" + list.mFile, list.mBody, list.mFile);
        for (const auto& [target, good, name] : rows)
        {
            std::vector<std::string> bad = {page, good.substr(0, good.size() / 2), Document("other", ""), ""};
            if (name == "config.xml")
                bad.push_back("<configuration><property id=\"name\" value=\"Other\"/></configuration>");
            if (name == "siteinfo.xml")
                bad.push_back(Document("siteinfo", ""));
            for (const std::string& body : bad)
            {
                SCOPED_TRACE(name + ": " + body.substr(0, 40));
                Serve(target, body);
                EXPECT_EQ(Refresh(manager, name.c_str()), std::pair(false, false));
                EXPECT_EQ(manager->Status().AsUtf8(), "Invalid " + name + ".");
                EXPECT_EQ(manager->Name(), "One");
                Serve(target, good);
                EXPECT_EQ(Refresh(manager, name.c_str()), std::pair(false, false));
                EXPECT_EQ(manager->Status(), "Idle.");
            }
        }
    }
}

// A station list that changed alone is new, and the sites read from it are the new ones.
TEST_F(DxConfigInForceTest, AChangedSiteListAloneBringsItsSites)
{
    const Kind kind = Kinds()[0];
    const std::string sites = kind.mLists[1].mBody;
    std::string moved = sites;
    moved.replace(moved.find("Harbour Light"), 13, "Harbour Light, moved");
    Serve("/nimbrel/registry.php", ConfigOf(kind, "One"));
    for (const List& list : kind.mLists)
        Serve("/kdf/" + std::string(list.mFile), list.mBody);
    auto* manager = dynamic_cast<DxObsManager*>(DxSet::FindOrCreateSet("kdf", kDxManagerNone)->Manager());
    ASSERT_NE(manager, nullptr);
    ASSERT_TRUE(manager->PerformConfigUpdate());
    const auto nameOf = [manager](const char* inSite)
    {
        CxAutoLock lock(manager->Region());
        DxTable* table = manager->Sites();
        const DxStringField* names = table == nullptr ? nullptr : table->FindStringField(CxString("name"));
        const CxSint32 row = names == nullptr ? -1 : table->Lookup(CxString(inSite));
        return row < 0 ? CxString() : (*names)[std::size_t(row)];
    };
    EXPECT_EQ(nameOf("HBR01"), "Harbour Light");
    Serve("/kdf/siteinfo.xml", moved);
    EXPECT_EQ(Refresh(manager, "siteinfo.xml"), std::pair(true, true));
    EXPECT_EQ(nameOf("HBR01"), "Harbour Light, moved");
}

// Another process stores the new config.xml in the shared cache before this manager asks: from a server that
// always answers 200 and from one that answers 304 to a date not earlier than its own, the change is taken in.
TEST_F(DxConfigInForceTest, ADocumentAnotherProcessStoredFirstIsStillNew)
{
    const Kind kind = Kinds()[1];
    for (const bool answers304 : {false, true})
    {
        SCOPED_TRACE(answers304 ? "304 server" : "always 200");
        const std::string id = answers304 ? "shp304" : "shp200";
        const std::string one = ConfigOf(kind, "One");
        const std::string two = ConfigOf(kind, "Two");
        const auto serve = [&](const std::string& inBody, double inAge)
        {
            auto route = mServer.AddDocument("/nimbrel/registry.php", 200, "text/xml", inBody);
            if (answers304)
                route.LastModified(
                    std::time_t(CxDate().AbsoluteTime() - inAge - CxDate(1970, 1, 1, 0, 0, 0, 0).AbsoluteTime()));
            else
                route.NoLastModified();
        };
        serve(one, 120.0);
        Serve("/shp/shapeinfo.xml", kind.mLists[0].mBody);
        DxManager* manager = DxSet::FindOrCreateSet(id.c_str(), kDxManagerShp)->Manager();
        ASSERT_NE(manager, nullptr);
        ASSERT_TRUE(manager->PerformConfigUpdate());
        ASSERT_EQ(manager->Name(), "One");
        mLater = mLater + 60.0;
        serve(two, 30.0);
        // The other process's copy, dated as the server dates it.
        const std::filesystem::path file = mHome.Path() + "/" + id + "/info/config.xml";
        std::ofstream(file, std::ios::trunc) << Served(two, mServer.Base());
        manager->Cache()->FindInfoFile("config.xml").SetModificationDate(CxDate() - 30.0);
        EXPECT_TRUE(manager->PerformConfigUpdate());
        EXPECT_EQ(manager->Name(), "Two");
    }
}

// A document this manager took in but could not store is the copy in force: the server's earlier document, still
// the one in the cache, is new again. A write cut by the file-size limit leaves the earlier file whole; a folder at
// the document's name refuses the rename.
TEST_F(DxConfigInForceTest, ADocumentThatCouldNotBeStoredIsStillTheOneInForce)
{
    struct rlimit saved = {};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    const Kind kind = Kinds()[1];
    const std::string one = ConfigOf(kind, "One");
    const std::string two = ConfigOf(kind, "Two");
    for (const bool folder : {false, true})
    {
        SCOPED_TRACE(folder ? "a folder at the name" : "the file-size limit");
        const std::string id = folder ? "shpdir" : "shplimit";
        Serve("/nimbrel/registry.php", one);
        Serve("/shp/shapeinfo.xml", kind.mLists[0].mBody);
        DxManager* manager = DxSet::FindOrCreateSet(id.c_str(), kDxManagerShp)->Manager();
        ASSERT_NE(manager, nullptr);
        ASSERT_TRUE(manager->PerformConfigUpdate());
        const std::filesystem::path file = mHome.Path() + "/" + id + "/info/config.xml";
        Serve("/nimbrel/registry.php", two);
        if (folder)
        {
            std::filesystem::remove(file);
            std::filesystem::create_directories(file / "in");
        }
        else
        {
            struct rlimit small = saved;
            small.rlim_cur = 64;
            setrlimit(RLIMIT_FSIZE, &small);
        }
        const std::pair<bool, bool> taken = Refresh(manager, "config.xml");
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_EQ(taken, std::pair(true, false));
        EXPECT_EQ(manager->Name(), "Two");
        if (folder)
        {
            std::filesystem::remove_all(file);
            std::ofstream(file) << Served(one, mServer.Base());
        }
        Serve("/nimbrel/registry.php", one);
        EXPECT_TRUE(manager->PerformConfigUpdate());
        EXPECT_EQ(manager->Name(), "One");
        for (const auto& entry : std::filesystem::directory_iterator(file.parent_path()))
            EXPECT_FALSE(entry.path().filename().string().starts_with(".")) << entry.path();
    }
    std::signal(SIGXFSZ, oldHandler);
}

// A copy in force is the condition of a request only at the URL it came from. The data server's own config.xml,
// older than the registry's answer naming it, is read, and so is the site list it moves to an older file; naming no
// configUrl, it is asked again there. A copy read from the cache at start-up is asked once without the condition.
TEST_F(DxConfigInForceTest, ACopyIsTheConditionOnlyAtTheUrlItCameFrom)
{
    const Kind kind = Kinds()[0];
    const auto dated = [this](const std::string& inTarget, const std::string& inBody, int inHour) {
        mServer.AddDocument(inTarget, 200, "text/xml", inBody)
            .LastModified(sky::test::UtcTime(2020, 1, 5, inHour, 0, 0));
    };
    std::string one = ConfigOf(kind, "One");
    std::string own = ConfigOf(kind, "Own");
    Serve("/nimbrel/registry.php",
          one.insert(one.find("</datasetconfig>"), R"(<property id="configUrl" value="config.xml"/>)"));
    dated("/kdf/config.xml", own.replace(own.find("siteinfo.xml"), 12, "sites-2.xml"), 10);
    dated("/kdf/siteinfo.xml", kind.mLists[1].mBody, 11);
    dated("/kdf/sites-2.xml", Document("siteinfo", "<table/>"), 10);
    DxManager* manager = DxSet::FindOrCreateSet("kdf", kDxManagerNone)->Manager();
    ASSERT_TRUE(manager->PerformConfigUpdate());
    EXPECT_EQ(Refresh(manager, "siteinfo.xml"), std::pair(true, true));
    EXPECT_EQ(Refresh(manager, "config.xml"), std::pair(false, false));
    EXPECT_EQ(manager->Name(), "Own");

    DxSet::DeleteAllSets();
    dated("/nimbrel/registry.php", own, 10);
    DxManager* restarted = DxSet::FindOrCreateSet("kdf", kDxManagerNone)->Manager();
    mServer.ClearLog();
    Refresh(restarted, "config.xml");
    Refresh(restarted, "config.xml");
    std::vector<bool> conditions;
    for (const sky::test::HttpRequest& request : mServer.Requests())
        if (request.path == "/nimbrel/registry.php")
            conditions.push_back(request.HasHeader("If-Modified-Since"));
    EXPECT_EQ(conditions, std::vector<bool>({false, true}));
}

} // namespace
