// What the instance input tests share: the map instance with its state in reach, made by the placeholder in place
// of the plain one, and embeds of maps and graphs on the test browser in Carbon mode, on the virtual clock.
#pragma once

#include "VaneAppTest.h"

#include "FxMouseEvent.h"
#include "FxPlugin.h"
#include "VaneGraphInstance.h"
#include "VaneMapInstance.h"
#include "VanePluginInstance.h"
#include "WeatherTestKit.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vanetest
{

class MapProbe : public VaneMapInstance
{
public:
    using VaneMapInstance::VaneMapInstance;

    using VaneMapInstance::mHoverButton;
    using VaneMapInstance::mLegendRect;
    using VaneMapInstance::mPopup;
    using VaneMapInstance::mProductInspector;
    using VaneMapInstance::sMouseMoved;

    static FxPluginInstance* Make(FxPluginInstance* inPlaceholder, WxParser& ioParser)
    {
        return new MapProbe(static_cast<VanePluginInstance*>(inPlaceholder), ioParser);
    }
};

inline FxMouseEvent MouseAt(int inX, int inY, CxUint32 inClicks = 1)
{
    FxMouseEvent event;
    event.mWhere = CxPoint(CxSint16(inX), CxSint16(inY));
    event.mButton = 1;
    event.mClickCount = inClicks;
    return event;
}

class InstanceTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        mClock.emplace(CxDate(CxString("2010-01-15 12:00:00 UTC")));
        setenv("SKYVANE_OPEN_CMD", "true", 1);
        VanePluginInstance::sMapMaker = MapProbe::Make;
        MapProbe::sMouseMoved = false;
        VaneGraphInstance::sMouseLastMoved = -1.0;
        StartHost();
    }
    void TearDown() override
    {
        for (NPP instance : mEmbeds)
            mHost->Destroy(instance);
        mEmbeds.clear();
        VanePluginInstance::sMapMaker = VaneMapInstance::Make;
        unsetenv("SKYVANE_OPEN_CMD");
        AppTest::TearDown();
        mClock.reset();
    }

    // A Carbon-mode embed handed over to the document's instance and drawn; destroyed at the test's end.
    NPP Show(const std::string& inDocument, const std::vector<std::pair<std::string, std::string>>& inArguments,
             const pf::Rect& inRect)
    {
        NPP instance = Embed(false, inArguments, inRect);
        if (instance == nullptr)
            return nullptr;
        mEmbeds.push_back(instance);
        mHost->SendStream(instance, "http://example.org/d.vanedoc", "text/vanedoc", inDocument);
        Draw(instance);
        return instance;
    }
    void Destroy(NPP inInstance)
    {
        mHost->Destroy(inInstance);
        std::erase(mEmbeds, inInstance);
    }
    static MapProbe* Map(NPP inInstance) { return dynamic_cast<MapProbe*>(InstanceOf(inInstance)); }
    static VaneGraphInstance* Graph(NPP inInstance) { return dynamic_cast<VaneGraphInstance*>(InstanceOf(inInstance)); }

    std::optional<wxkit::KitClock> mClock;
    std::vector<NPP> mEmbeds;
};

} // namespace vanetest
