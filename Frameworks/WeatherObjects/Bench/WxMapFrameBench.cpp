// The time to draw one map frame offscreen at 1024 x 768: the clear alone, the whole animation frame, the overlay
// without the map's products, and a frame after a projection change (every line rebuilt).
#include "DxUnit.h"
#include "GxGLContext.h"
#include "GxProjection.h"
#include "WxGridline.h"
#include "WxMap.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace
{

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr double kFrameSeconds = 300.0;

// A map with the default grid, a 1 degree global grid and six plain rows: eight legend rows. Products draw from
// their display lists after the first frame.
struct Scene
{
    Scene()
    {
        setenv("SKYVANE_BUNDLE", SKYVANE_SOURCE_DIR "/Products/Skyvane/Resources", 0);
        DxUnit::Load();
        mContext =
            std::make_unique<GxAGLContext>(nullptr, CxRect(0, 0, kWidth, kHeight), CxRect(0, 0, kWidth, kHeight));
        mMap = std::make_unique<WxMap>(nullptr);
        for (int i = 0; i < 6; ++i)
            new WxProduct(mMap.get());
        auto* global = new WxGridline(mMap.get(), nullptr);
        global->SetStartLat(-90);
        global->SetEndLat(90);
        global->SetStartLon(-180);
        global->SetEndLon(180);
        global->SetLatInterval(1);
        global->SetLonInterval(1);
        mGrid = new WxGridline(mMap.get(), nullptr);
        mPopup.reset(mGrid->CreatePopup());
        mMap->SetTrackingPosition(GxPosition().FromDegrees(-97.5, 35.25));
        View();
    }
    ~Scene()
    {
        mPopup.reset();
        mMap.reset();
        DxUnit::Unload();
    }

    // 10 km a pixel about the map's centre.
    void View() const
    {
        const GxPoint centre = mMap->Projection()->Project(GxPosition().FromDegrees(-98, 38));
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(centre.mX - kWidth * 5.0, centre.mX + kWidth * 5.0, centre.mY - kHeight * 5.0,
                centre.mY + kHeight * 5.0, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }

    void Frame(bool inMap)
    {
        mMap->SetDate(mMap->Date() + kFrameSeconds);
        mMap->BeginDraw();
        if (inMap)
            mMap->DrawMap(*mContext);
        mMap->DrawLegend(*mContext, GxRect(0, 0, 175, kHeight), true, false);
        mPopup->Draw(*mContext);
        mMap->EndDraw();
        glFinish();
    }

    std::unique_ptr<GxAGLContext> mContext;
    std::unique_ptr<WxMap> mMap;
    WxGridline* mGrid = nullptr;
    std::unique_ptr<WxPopup> mPopup;
};

void BM_ClearOnly(benchmark::State& ioState)
{
    Scene scene;
    for (auto _ : ioState)
    {
        scene.mMap->BeginDraw();
        glFinish();
    }
}

void BM_MapFrame(benchmark::State& ioState)
{
    Scene scene;
    scene.Frame(true);
    for (auto _ : ioState)
        scene.Frame(true);
}

void BM_Overlay(benchmark::State& ioState)
{
    Scene scene;
    scene.Frame(true);
    for (auto _ : ioState)
        scene.Frame(false);
}

void BM_GridlineRebuild(benchmark::State& ioState)
{
    Scene scene;
    scene.Frame(true);
    const GxFlatProjection flat(GxPosition().FromDegrees(-98.68, 35.48));
    const GxLambertConformalProjection lambert;
    bool toLambert = true;
    for (auto _ : ioState)
    {
        scene.mMap->SetProjection(toLambert ? static_cast<const GxProjection&>(lambert) : flat);
        toLambert = !toLambert;
        scene.View();
        scene.Frame(true);
    }
}

} // namespace

BENCHMARK(BM_ClearOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Overlay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GridlineRebuild)->Unit(benchmark::kMillisecond);
