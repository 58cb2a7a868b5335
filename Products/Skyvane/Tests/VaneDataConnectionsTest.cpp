// Where the maps and graphs open the data manager: their 'DMGR' command shares one dialog, and the data-set item
// of a layer's or a series' menu opens it on that layer's set.
#include "VaneAppTest.h"
#include "VaneWindowClicks.h"

#include "DxSet.h"
#include "FxCommander.h"
#include "FxMouseEvent.h"
#include "PfRunLoop.h"
#include "PfTypes.h"
#include "VaneDataManager.h"
#include "VaneGraphInstance.h"
#include "VaneMapInstance.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace
{

using namespace vanetest;

// One station layer of the set "mapSet", the legend's first row.
std::string MapDocument()
{
    return wxkit::Vanedoc(
        R"(<map color="#203040FF" date="2010-01-15 12:00:00 UTC" legendVisible="true" mapLon="-98" mapLat="39">)"
        R"(<projection id="lambertConformal"><property id="stdLon" value="-98"/>)"
        R"(<property id="stdLat1" value="33"/><property id="stdLat2" value="45"/></projection>)"
        R"(<obs visible="true" dataset="mapSet" parm="pmsl"/></map>)");
}

// One line series of the time-series set "kts".
std::string GraphDocument()
{
    return wxkit::Vanedoc(
        R"(<graph name="Harbour" color="#203040FF" startDate="2010-01-15 00:00:00 UTC" )"
        R"(endDate="2010-01-16 00:00:00 UTC" tracking="false" archiving="false" )"
        R"(legendVisible="true"><series visible="true" dataset="kts" parm="pres" unit="mbar" site="a"/>)"
        R"(</graph>)");
}

class VaneDataConnectionsTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        mClock.emplace(CxDate(CxString("2010-01-15 12:00:00 UTC")));
        setenv("SKYVANE_OPEN_CMD", "true", 1);
        StartHost(); // the plug-in loads the unit table the sets' parameters need
        wxkit::KitWindSet("mapSet");
        wxkit::KitManagedSet(
            CxString("kts"), kDxManagerKts,
            {{"config.xml",
              wxkit::KitInfoDocument("datasetconfig", R"(<property id="name" value="Buoys"/>)"
                                                      R"(<property id="dataResolution" value="300" units="secs"/>)"
                                                      R"(<property id="fileResolution" value="86400" units="secs"/>)")},
             {"parminfo.xml",
              wxkit::KitInfoDocument("parminfo", R"(<parm id="time" type="float" units="min"/>)"
                                                 R"(<parm id="pres" name="pressure" type="float" units="mbar"/>)")}});
    }
    void TearDown() override
    {
        VaneDataManager::RemoveDataManager();
        unsetenv("SKYVANE_OPEN_CMD");
        AppTest::TearDown();
        mClock.reset();
    }
    NPP Show(const std::string& inDocument, const pf::Rect& inRect)
    {
        NPP instance = Embed(false, {}, inRect);
        mHost->SendStream(instance, "u", "m", inDocument);
        Draw(instance);
        Draw(instance);
        return instance;
    }
    static bool Command(FxPluginInstance* ioInstance, const char (&inCode)[5])
    {
        FxCommand command(pf::FourCC(inCode));
        ioInstance->OnCommand(command);
        return command.WasHandled();
    }
    // A control-click at a legend row's middle with the menu's choice scripted.
    static void ChooseFromRowMenu(FxPluginInstance* ioInstance, const char (&inCode)[5])
    {
        pf::PushScript(pf::script::Command(pf::FourCC(inCode)));
        FxMouseEvent event;
        event.mButton = 1;
        event.mModifiers = FxMouseEvent::kControl;
        event.mWhere = CxPoint(80, 80);
        ioInstance->OnMouseDown(event);
        ioInstance->OnMouseUp(event);
        while (pf::ScriptCount() > 0)
            pf::DeliverNextScriptItem();
    }
    static std::string ShownSet() { return StaticText(VaneDataManager::sDataManager, 4); }

    std::optional<wxkit::KitClock> mClock;
};

TEST_F(VaneDataConnectionsTest, TheDataManagerCommandFromAMapAndAGraphSharesOneDialog)
{
    NPP map = Show(MapDocument(), pf::Rect{20, 20, 400, 300});
    NPP graph = Show(GraphDocument(), pf::Rect{440, 20, 400, 300});
    auto* mapInstance = dynamic_cast<VaneMapInstance*>(InstanceOf(map));
    auto* graphInstance = dynamic_cast<VaneGraphInstance*>(InstanceOf(graph));
    ASSERT_NE(mapInstance, nullptr);
    ASSERT_NE(graphInstance, nullptr);
    EXPECT_EQ(VaneDataManager::sDataManager, nullptr);

    EXPECT_TRUE(Command(mapInstance, "DMGR"));
    VaneDataManager* dialog = VaneDataManager::sDataManager;
    ASSERT_NE(dialog, nullptr);
    const std::string first = ShownSet();
    dialog->Collapse();
    EXPECT_TRUE(Command(graphInstance, "DMGR"));
    EXPECT_EQ(VaneDataManager::sDataManager, dialog);
    EXPECT_FALSE(dialog->IsCollapsed());
    EXPECT_EQ(ShownWindows("DataWindow"), std::vector<FxWindow*>{dialog});
    // 'DMGR' names no set: the selection stays.
    EXPECT_EQ(ShownSet(), first);
    mHost->Destroy(graph);
    mHost->Destroy(map);
    EXPECT_EQ(VaneDataManager::sDataManager, dialog);
}

TEST_F(VaneDataConnectionsTest, TheDataSetItemOfALayersMenuSelectsThatLayersSet)
{
    NPP map = Show(MapDocument(), pf::Rect{20, 20, 400, 300});
    auto* mapInstance = dynamic_cast<VaneMapInstance*>(InstanceOf(map));
    ASSERT_NE(mapInstance, nullptr);
    // The dialog open on the other set first.
    VaneDataManager::Display("kts");
    ASSERT_EQ(ShownSet(), "kts");
    ChooseFromRowMenu(mapInstance, "DSET");
    EXPECT_EQ(ShownSet(), "mapSet");
    EXPECT_EQ(ShownWindows("DataWindow").size(), 1u);
    // Through the frame's routing the item is no command of the map's.
    EXPECT_FALSE(Command(mapInstance, "DSET"));
    mHost->Destroy(map);

    NPP graph = Show(GraphDocument(), pf::Rect{20, 20, 400, 300});
    auto* graphInstance = dynamic_cast<VaneGraphInstance*>(InstanceOf(graph));
    ASSERT_NE(graphInstance, nullptr);
    ChooseFromRowMenu(graphInstance, "DSET");
    EXPECT_EQ(ShownSet(), "kts");
    EXPECT_EQ(ShownWindows("DataWindow").size(), 1u);
    mHost->Destroy(graph);
}

} // namespace
