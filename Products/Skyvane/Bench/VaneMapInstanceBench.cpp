// One frame at 1024 x 768 of one scene, twice: the map alone (clear, products, legend) and the map instance's whole
// draw (camera, legend with its buttons, the caption with its date, the station product's panel open and the
// tracking cursor). Both end with glFinish; neither reads back. The scene is the map of map_frame_bench (the default
// grid, a 1 degree global grid and six plain rows) with a station product over a data set of a two-hour loop.
#include "CxFile.h"
#include "DxManager.h"
#include "DxSet.h"
#include "DxUnit.h"
#include "FxBrowser.h"
#include "GxContext.h"
#include "PfRunLoop.h"
#include "PfWindowServer.h"
#include "TestSupport.h"
#include "VaneEntryPoints.h"
#include "VaneHost.h"
#include "VaneMapInstance.h"
#include "VanePluginInstance.h"
#include "WeatherTestKit.h"
#include "WxGridline.h"
#include "WxMap.h"
#include "WxProduct.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace
{

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

class BenchInstance : public VaneMapInstance
{
public:
    using VaneMapInstance::VaneMapInstance;

    void Track(CxPoint inPoint)
    {
        mTrackPoint = inPoint;
        mShowTrackCursor = true;
    }
};

FxPluginInstance* MakeBench(FxPluginInstance* inPlaceholder, WxParser& ioParser)
{
    return new BenchInstance(static_cast<VanePluginInstance*>(inPlaceholder), ioParser);
}

const char* const kDocument =
    "<?vanedoc version=\"1.4d1\"?><vanedoc>"
    "<caption string=\"Sea-level pressure\" color=\"#FFFFFFFF\" bgcolor=\"#203040FF\" align=\"bottom\" "
    "format=\"%b %d %I:%M %p\"/>"
    "<map color=\"#203040FF\" date=\"2010-01-15 12:00:00 UTC\" legendVisible=\"true\" mapLon=\"-98\" mapLat=\"38\" "
    "fieldOfView=\"177\"><loop><duration value=\"2\" units=\"hour\"/>"
    "<anchor date=\"2010-01-15 12:00:00 UTC\" type=\"loopTo\"/><step value=\"10\" units=\"min\"/></loop>"
    "<obs visible=\"true\" selected=\"true\" alpha=\"1\" dataset=\"benchobs\" parm=\"pres\" units=\"mbar\" "
    "location=\"4\" color=\"#FFFFFFFF\"/></map></vanedoc>";

struct Scene
{
    Scene()
    {
        setenv("SKYVANE_BUNDLE", SKYVANE_SOURCE_DIR "/Products/Skyvane/Resources", 1);
        setenv("SKYVANE_OPEN_CMD", "true", 1);
        const std::string temporary = mHome.Path() + "/tmp";
        std::filesystem::create_directories(temporary);
        setenv("TMPDIR", temporary.c_str(), 1);
        pf::MainLoop().ResetForTesting(pf::ClockKind::kVirtual);
        pf::ResetWindowServerForTesting();
        // The data set is seeded before the plug-in's job threads run: its download jobs are gone by then.
        std::filesystem::create_directories(mHome.Path() + "/data");
        std::filesystem::create_directories(mHome.Path() + "/cache");
        DxManager::SetRootDataFolder(CxFolder(CxFileRef{mHome.Path() + "/data"}));
        DxManager::SetRootCacheFolder(CxFolder(CxFileRef{mHome.Path() + "/cache"}));
        DxManager::GoOffline();
        DxSet::GoOffline();
        const CxDate end(CxString("2010-01-15 12:00:00 UTC"));
        std::vector<CxDate> dates;
        for (int i = 12; i >= 0; --i)
            dates.push_back(end - 600.0 * i);
        DxUnit::Load();
        wxkit::KitSet(CxString("benchobs"), 1, 600, dates);
        DxUnit::Unload();
        mFuncs.size = sizeof(NPPluginFuncs);
        VaneGetEntryPoints(&mFuncs);
        mHost = std::make_unique<VaneHost>(mFuncs);
        VaneInitialize(mHost->BrowserFuncs());
        DxManager::GoOffline();
        DxSet::GoOffline();

        VanePluginInstance::sMapMaker = MakeBench;
        mHost->SetSupport(VaneAnswer::kFalse, VaneAnswer::kFalse);
        mNpp = mHost->New({});
        mHost->SetWindow(mNpp, pf::Rect{0, 0, kWidth, kHeight});
        mHost->SendStream(mNpp, "http://example.org/bench.vanedoc", "text/vanedoc", kDocument);
        Update();
        mInstance = dynamic_cast<BenchInstance*>(static_cast<FxPluginInstance*>(mNpp->pdata));
        if (mInstance == nullptr || mInstance->GetMap() == nullptr)
            return;
        WxMap* map = mInstance->GetMap();
        auto* obs = dynamic_cast<DxClient*>(*map->ProductBegin());
        if (obs != nullptr)
        {
            std::vector<double> lat, lon, pres;
            for (int i = 0; i < 400; ++i)
            {
                lat.push_back(26.0 + (i % 20) * 1.1);
                lon.push_back(-122.0 + (i / 20) * 2.5);
                pres.push_back(990.0 + (i % 37));
            }
            wxkit::Inject(*obs, wxkit::KitTable(end, {}, {{"lat:degr", lat}, {"lon:degr", lon}, {"pres:mbar", pres}}));
        }
        // The rows of map_frame_bench above the station product.
        for (int i = 0; i < 6; ++i)
            new WxProduct(map);
        auto* global = new WxGridline(map, nullptr);
        global->SetStartLat(-90);
        global->SetEndLat(90);
        global->SetStartLon(-180);
        global->SetEndLon(180);
        global->SetLatInterval(1);
        global->SetLonInterval(1);
        new WxGridline(map, nullptr);
        map->SetTrackingPosition(GxPosition().FromDegrees(-97.5, 35.25));
        mInstance->Track(CxPoint(500, 400));
    }

    ~Scene()
    {
        if (mNpp != nullptr)
            mHost->Destroy(mNpp);
        mHost.reset();
        VaneShutdown();
        gBrowser = nullptr;
        VanePluginInstance::sMapMaker = VaneMapInstance::Make;
        pf::ResetWindowServerForTesting();
        DxSet::DeleteAllSets();
        unsetenv("TMPDIR");
    }

    void Update()
    {
        pf::EventRecord update = VaneHost::MakeRecord(pf::kUpdateEvent);
        mHost->HandleEvent(mNpp, &update);
    }

    sky::test::TempHome mHome;
    NPPluginFuncs mFuncs{};
    std::unique_ptr<VaneHost> mHost;
    NPP mNpp = nullptr;
    BenchInstance* mInstance = nullptr;
};

void BM_BareMap(benchmark::State& ioState)
{
    Scene scene;
    if (scene.mInstance == nullptr)
    {
        ioState.SkipWithError("no map instance");
        return;
    }
    GxContext& context = *scene.mInstance->GetContext();
    WxMap& map = *scene.mInstance->GetMap();
    // The same camera and display lists as the instance's own frames.
    scene.mInstance->OnDraw();
    context.MakeCurrent();
    scene.mInstance->LookAtMap();
    const GxRect legend(0, 0, VaneMapInstance::kLegendWidth, kHeight);
    for (auto _ : ioState)
    {
        map.BeginDraw();
        map.DrawMap(context);
        map.DrawLegend(context, legend, false, false);
        map.EndDraw();
        glFinish();
    }
}

void BM_InstanceFrame(benchmark::State& ioState)
{
    Scene scene;
    if (scene.mInstance == nullptr)
    {
        ioState.SkipWithError("no map instance");
        return;
    }
    scene.mInstance->OnDraw();
    for (auto _ : ioState)
        scene.mInstance->OnDraw();
}

} // namespace

BENCHMARK(BM_BareMap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InstanceFrame)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
