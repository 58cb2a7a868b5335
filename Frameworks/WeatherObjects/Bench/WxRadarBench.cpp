// Drawing KBMX's N0R sweep (230 bins x 360 radials, decoded once) offscreen at 1024 x 768 on an orthographic map
// at the radar: the clear alone, a frame from the image list, the same texture nearest-filtered on the sweep's disc
// alone (the pixels the radar covers, not the square around it), and a frame after the image changed (texture,
// tiles and list made again). Mesa's llvmpipe spreads fragments over LP_NUM_THREADS, so the context printed with
// the figures names the renderer, the processors and that setting.
#include "DxNidsLevelThree.h"
#include "DxUnit.h"
#include "GxGLContext.h"
#include "GxProjection.h"
#include "TestSupport.h"
#include "WxMap.h"
#include "WxRadar.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <unistd.h>

namespace
{

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr double kRangeKm = 230.0;

struct Scene
{
    Scene()
    {
        setenv("SKYVANE_BUNDLE", SKYVANE_SOURCE_DIR "/Products/Skyvane/Resources", 0);
        DxUnit::Load();
        mContext =
            std::make_unique<GxAGLContext>(nullptr, CxRect(0, 0, kWidth, kHeight), CxRect(0, 0, kWidth, kHeight));
        std::ifstream in(sky::test::TestDataFile("nexrad3/KBMX_SDUS54_N0RBMX_201501020205"), std::ios::binary);
        mBytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        mMap = std::make_unique<WxMap>(nullptr);
        mRadar = new WxRadar(mMap.get(), nullptr);
        NewFrame();
        mMap->SetProjection(*mRadar->Image()->Projection());
        // The sweep's square fills the window's height.
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-kRangeKm * kWidth / kHeight, kRangeKm * kWidth / kHeight, -kRangeKm, kRangeKm, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    ~Scene()
    {
        glDeleteTextures(1, &mQuadTexture);
        mMap.reset();
        DxUnit::Unload();
    }

    void NewFrame()
    {
        NidsLevelThreeParser parser;
        mRadar->AcceptFrame(parser.Parse(mBytes.data(), mBytes.size(), {}, {}));
    }

    std::unique_ptr<GxAGLContext> mContext;
    std::vector<CxUint8> mBytes;
    std::unique_ptr<WxMap> mMap;
    WxRadar* mRadar = nullptr;
    unsigned int mQuadTexture = 0;
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

void BM_RadarFrame(benchmark::State& ioState)
{
    Scene scene;
    scene.mRadar->DrawImage(*scene.mContext);
    for (auto _ : ioState)
    {
        scene.mMap->BeginDraw();
        scene.mRadar->DrawImage(*scene.mContext);
        glFinish();
    }
}

void BM_SingleQuad(benchmark::State& ioState)
{
    Scene scene;
    DxImage* image = scene.mRadar->Image();
    glGenTextures(1, &scene.mQuadTexture);
    glBindTexture(GL_TEXTURE_2D, scene.mQuadTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image->Width(), image->Height(), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 image->GetTextureBuffer());
    constexpr int kSides = 360;
    for (auto _ : ioState)
    {
        scene.mMap->BeginDraw();
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glColor4d(1, 1, 1, 1);
        glBegin(GL_TRIANGLE_FAN);
        glTexCoord2d(0.5, 0.5);
        glVertex2d(0, 0);
        for (int i = 0; i <= kSides; ++i)
        {
            const double a = 2.0 * M_PI * i / kSides, c = std::cos(a), s = std::sin(a);
            glTexCoord2d(0.5 + 0.5 * c, 0.5 + 0.5 * s);
            glVertex2d(kRangeKm * c, kRangeKm * s);
        }
        glEnd();
        glDisable(GL_TEXTURE_2D);
        glFinish();
    }
}

void BM_RadarRebuild(benchmark::State& ioState)
{
    Scene scene;
    for (auto _ : ioState)
    {
        scene.NewFrame();
        scene.mMap->BeginDraw();
        scene.mRadar->DrawImage(*scene.mContext);
        glFinish();
    }
}

} // namespace

BENCHMARK(BM_ClearOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RadarFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SingleQuad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RadarRebuild)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    {
        GxAGLContext context(nullptr, CxRect(0, 0, kWidth, kHeight), CxRect(0, 0, kWidth, kHeight));
        const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        benchmark::AddCustomContext("gl_renderer", renderer != nullptr ? renderer : "none");
    }
    benchmark::AddCustomContext("nproc", std::to_string(sysconf(_SC_NPROCESSORS_ONLN)));
    const char* threads = std::getenv("LP_NUM_THREADS");
    benchmark::AddCustomContext("LP_NUM_THREADS", threads != nullptr ? threads : "unset");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
