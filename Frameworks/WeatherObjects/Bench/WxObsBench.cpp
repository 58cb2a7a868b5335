// The time to draw the 3490 real European stations as observation labels offscreen at 1024 x 768: a frame that
// only declutters the labels it keeps, and a frame after a precision change, which builds every label again.
#include "DxFrame.h"
#include "DxUnit.h"
#include "GxGLContext.h"
#include "GxProjection.h"
#include "WxMap.h"
#include "WxObs.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

namespace
{

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

struct Scene
{
    Scene()
    {
        setenv("SKYVANE_BUNDLE", SKYVANE_SOURCE_DIR "/Products/Skyvane/Resources", 0);
        DxUnit::Load();
        mContext =
            std::make_unique<GxAGLContext>(nullptr, CxRect(0, 0, kWidth, kHeight), CxRect(0, 0, kWidth, kHeight));
        mMap = std::make_unique<WxMap>(nullptr);
        mMap->SetProjection(GxLambertConformalProjection(10 * M_PI / 180, 35 * M_PI / 180, 65 * M_PI / 180));
        mObs = new WxObs(mMap.get(), nullptr);
        mObs->SetParameter(
            DxParm(CxString("pres"), CxString("Pressure"), kDxTypeFloat, DxUnit(CxString("mbar")), {}, 1));
        auto* table = new DxTable;
        auto* lat = table->NewFloatField(CxString("lat:degr"));
        auto* lon = table->NewFloatField(CxString("lon:degr"));
        auto* pres = table->NewFloatField(CxString("pres:mbar"));
        std::ifstream in(SKYVANE_SOURCE_DIR "/../shared/testdata/obs/PressQFF_202007271200_3490.csv");
        std::string line;
        std::getline(in, line);
        for (double a, b, c; std::getline(in, line);)
            if (std::sscanf(line.c_str(), "%lf,%lf,%lf", &a, &b, &c) == 3)
            {
                lat->push_back(a);
                lon->push_back(b);
                pres->push_back(c);
            }
        mStations = lat->size();
        mObs->AcceptFrame(table);
        const GxPoint centre = mMap->Projection()->Project(GxPosition().FromDegrees(10, 52));
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(centre.mX - kWidth * 2.0, centre.mX + kWidth * 2.0, centre.mY - kHeight * 2.0,
                centre.mY + kHeight * 2.0, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    ~Scene()
    {
        mMap.reset();
        DxUnit::Unload();
    }

    void Frame()
    {
        mMap->BeginDraw();
        mMap->DrawMap(*mContext);
        mMap->EndDraw();
        glFinish();
    }

    std::unique_ptr<GxAGLContext> mContext;
    std::unique_ptr<WxMap> mMap;
    WxObs* mObs = nullptr;
    std::size_t mStations = 0;
};

void BM_ObsDeclutter(benchmark::State& ioState)
{
    Scene scene;
    if (scene.mStations == 0)
        ioState.SkipWithError("no station data");
    scene.Frame();
    for (auto _ : ioState)
        scene.Frame();
}

void BM_ObsRebuild(benchmark::State& ioState)
{
    Scene scene;
    if (scene.mStations == 0)
        ioState.SkipWithError("no station data");
    std::uint32_t precision = 0;
    for (auto _ : ioState)
    {
        scene.mObs->SetPrecision(precision ^= 1);
        scene.Frame();
    }
}

} // namespace

BENCHMARK(BM_ObsDeclutter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ObsRebuild)->Unit(benchmark::kMillisecond);
