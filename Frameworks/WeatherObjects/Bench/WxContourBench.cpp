// The contour build on a smooth 512 x 512 Lambert field with 20 levels, against a plain marching-squares pass
// that projects its ends the same way; the build with labels; a frame that replays the compiled lines. The plain pass
// works on whole cells without the build's sub-cells, so it makes about half the segments: it is a floor for the
// crossing search, not the same output.
#include "DxFrame.h"
#include "DxUnit.h"
#include "GxGLContext.h"
#include "GxProjection.h"
#include "WxContour.h"
#include "WxMap.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace
{

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr CxSint32 kCells = 512;
constexpr double kFirst = 981.0;
constexpr double kStep = 2.0;
constexpr int kLevels = 20;

struct Scene
{
    Scene()
    {
        setenv("SKYVANE_BUNDLE", SKYVANE_SOURCE_DIR "/Products/Skyvane/Resources", 0);
        DxUnit::Load();
        mContext =
            std::make_unique<GxAGLContext>(nullptr, CxRect(0, 0, kWidth, kHeight), CxRect(0, 0, kWidth, kHeight));
        mMap = std::make_unique<WxMap>(nullptr);
        const GxLambertConformalProjection lambert(10 * M_PI / 180, 35 * M_PI / 180, 65 * M_PI / 180);
        mMap->SetProjection(lambert);
        const GxPoint origin = lambert.Project(GxPosition().FromDegrees(-5, 40));
        mGrid = new DxGrid(lambert, kCells, kCells, origin, GxPoint(4.0, 4.0));
        auto* field = mGrid->NewFloatField(CxString("pres:mbar"));
        for (CxSint32 j = 0; j < kCells; ++j)
            for (CxSint32 i = 0; i < kCells; ++i)
                field->push_back(1000.0 + 20.0 * std::sin(i / 40.0) * std::cos(j / 55.0) + 0.003 * i);
        mContour = new WxContour(mMap.get(), nullptr);
        mContour->SetParameter(
            DxParm(CxString("pres"), CxString("Pressure"), kDxTypeFloat, DxUnit(CxString("mbar")), {}, 1));
        mContour->SetAuto(false);
        mContour->SetMinimum(kFirst);
        mContour->SetMaximum(kFirst + (kLevels - 1) * kStep);
        mContour->SetContourInterval(kStep);
        mContour->SetLabelFlag(false);
        mContour->AcceptFrame(mGrid);
        const GxPoint centre = lambert.Project(GxPosition().FromDegrees(10, 50));
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

    GxPoint ToMap(double inX, double inY) const
    {
        const GxPoint& o = mGrid->Origin();
        const GxPoint& d = mGrid->Delta();
        return mMap->Projection()->Project(
            mGrid->Projection()->Unproject(GxPoint(o.mX + inX * d.mX, o.mY + inY * d.mY)));
    }

    // One pass per level over whole cells: the 4-bit case, crossings on the cell's edges, saddles by the mean.
    void MarchingSquares(std::vector<GxPoint>& outSegments) const
    {
        outSegments.clear();
        const double* v = mGrid->FindFloatField(CxString("pres:mbar"))->data();
        const CxSint32 w = mGrid->Width(), h = mGrid->Height();
        for (int n = 0; n < kLevels; ++n)
        {
            const double level = kFirst + n * kStep;
            for (CxSint32 j = 0; j + 1 < h; ++j)
                for (CxSint32 i = 0; i + 1 < w; ++i)
                {
                    // Corners counter-clockwise from the lower left; edge e joins corner e and e + 1.
                    const double c[4] = {v[i + j * w], v[i + 1 + j * w], v[i + 1 + (j + 1) * w], v[i + (j + 1) * w]};
                    const double cx[4] = {0, 1, 1, 0}, cy[4] = {0, 0, 1, 1};
                    int mask = 0;
                    for (int k = 0; k < 4; ++k)
                        mask |= (c[k] >= level) << k;
                    if (mask == 0 || mask == 15)
                        continue;
                    GxPoint at[4];
                    int count = 0;
                    for (int e = 0; e < 4; ++e)
                    {
                        const int f = e, s = (e + 1) & 3;
                        if ((c[f] >= level) == (c[s] >= level))
                            continue;
                        const double t = (level - c[f]) / (c[s] - c[f]);
                        at[count] = ToMap(i + cx[f] + t * (cx[s] - cx[f]), j + cy[f] + t * (cy[s] - cy[f]));
                        ++count;
                    }
                    if (count == 4 && ((c[0] + c[1] + c[2] + c[3]) / 4 >= level) != bool(mask & 1))
                    {
                        // The mean parts corners 0 and 2: the lines cut them off, pairing edges 3-0 and 1-2.
                        for (const GxPoint& p : {at[3], at[0], at[1], at[2]})
                            outSegments.push_back(p);
                        continue;
                    }
                    for (int k = 0; k < count; ++k)
                        outSegments.push_back(at[k]);
                }
        }
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
    DxGrid* mGrid = nullptr;
    WxContour* mContour = nullptr;
};

// The ends that lie on grid edges, in grid units, sorted and rounded to 1e-6 cell.
std::vector<std::pair<long long, long long>> EdgeCrossings(const Scene& inScene, const std::vector<GxPoint>& inPoints)
{
    std::vector<std::pair<long long, long long>> ends;
    const GxPoint& o = inScene.mGrid->Origin();
    const GxPoint& d = inScene.mGrid->Delta();
    for (const GxPoint& p : inPoints)
    {
        const GxPoint g = inScene.mGrid->Projection()->Project(inScene.mMap->Projection()->Unproject(p));
        const double x = (g.mX - o.mX) / d.mX, y = (g.mY - o.mY) / d.mY;
        if (std::fabs(x - std::round(x)) < 1e-6 || std::fabs(y - std::round(y)) < 1e-6)
            ends.emplace_back(std::llround(x * 1e6), std::llround(y * 1e6));
    }
    std::sort(ends.begin(), ends.end());
    ends.erase(std::unique(ends.begin(), ends.end()), ends.end());
    return ends;
}

bool SameCrossings(Scene& ioScene)
{
    ioScene.mContour->BuildContours();
    std::vector<GxPoint> reference;
    ioScene.MarchingSquares(reference);
    return EdgeCrossings(ioScene, ioScene.mContour->Segments()) == EdgeCrossings(ioScene, reference);
}

void BM_ContourBuild(benchmark::State& ioState)
{
    Scene scene;
    if (!SameCrossings(scene))
        ioState.SkipWithError("the builds cross different edges");
    for (auto _ : ioState)
        scene.mContour->BuildContours();
    ioState.counters["segments"] = double(scene.mContour->Segments().size() / 2);
}

void BM_MarchingSquares(benchmark::State& ioState)
{
    Scene scene;
    if (!SameCrossings(scene))
        ioState.SkipWithError("the builds cross different edges");
    std::vector<GxPoint> segments;
    for (auto _ : ioState)
        scene.MarchingSquares(segments);
    ioState.counters["segments"] = double(segments.size() / 2);
}

void BM_ContourLabels(benchmark::State& ioState)
{
    Scene scene;
    scene.mContour->SetLabelFlag(true);
    for (auto _ : ioState)
        scene.mContour->BuildContours();
    ioState.counters["labels"] = double(scene.mContour->Labels().Count());
}

void BM_ContourDraw(benchmark::State& ioState)
{
    Scene scene;
    scene.Frame();
    for (auto _ : ioState)
        scene.Frame();
}

} // namespace

BENCHMARK(BM_ContourBuild)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarchingSquares)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ContourLabels)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ContourDraw)->Unit(benchmark::kMillisecond);
