// Every manager kind with config.xml and its lists, served by the test's registry as a script serves them, and a
// refresh a minute after the last.
#pragma once

#include "DxCache.h"
#include "DxSetTestSupport.h"

#include <atomic>
#include <string>
#include <utility>
#include <vector>

namespace dxtest
{

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
};

inline std::vector<Kind> Kinds()
{
    const std::string sites = Document("siteinfo", "<table><fieldref id='stid' type='string'/><fieldref id='name' "
                                                   "type='string'/><record>\"KBMX\", \"Birmingham\"</record></table>");
    return {
        {"kdf",
         R"(<property id="dataUrlFormat" value="%Y%m%d%H.kdf"/><property id="dataResolution" value="3600" units="secs"/>)",
         {{"parmInfoUrl", "parminfo.xml", Document("parminfo", R"(<parm id="tmpf" type="float" units="fahr"/>)")},
          {"siteInfoUrl", "siteinfo.xml", FixtureText("siteinfo.xml")}}},
        {"shp",
         R"(<property id="dataUrlFormat" value="s/%region;/%feature;"/>)",
         {{"shapeInfoUrl", "shapeinfo.xml", Document("shapeinfo", R"(<region id="us" name="US"/><shape id="c"/>)")}}},
        {"image",
         R"(<property id="dataUrlFormat" value="img/%siteid;_%product;"/>)",
         {{"prodInfoUrl", "datainfo.xml", FixtureText("datainfo.xml")}}},
        {"advisory",
         R"(<property id="dataUrlFormat" value="adv.xml"/>)",
         {{"prodInfoUrl", "prodinfo.xml", FixtureText("advisoryinfo.xml")}}},
        {"nids",
         R"(<property id="dataUrlFormat" value="%threelettersiteid;/%product;/%Y%m%d%H%M.nids"/>)",
         {{"siteInfoUrl", "siteinfo.xml", sites},
          {"prodInfoUrl", "prodinfo.xml",
           Document("parminfo", "<parm id='N0R' name='Reflectivity' units='mm'/><radial id='19' name='R'/>")}}},
        {"kts",
         R"(<property id="timeSeriesUrlFormat" value="%siteid;/%Y%m%d.kts"/>)"
         R"(<property id="fileResolution" value="86400" units="secs"/>)",
         {{"parmInfoUrl", "parminfo.xml", Document("parminfo", R"(<parm id="tmpf" type="float" units="fahr"/>)")},
          {"siteInfoUrl", "siteinfo.xml", sites}}},
    };
}

class DxConfigRefreshTest : public DxSetTest
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

} // namespace dxtest
