// Hit tests on a large outline: GxPolygon::Contains on seeded points in the bounds of a seeded ring.
#include "GxPolygon.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

namespace
{
void BM_Contains(benchmark::State& ioState)
{
    const int vertices = static_cast<int>(ioState.range(0));
    std::mt19937_64 random(20261207);
    std::uniform_real_distribution<double> radius(5.0, 40.0);
    GxPolygon ring;
    for (int k = 0; k < vertices; ++k)
    {
        const double angle = 2.0 * M_PI * k / vertices;
        const double r = radius(random);
        ring.Add(GxPoint(r * std::cos(angle), r * std::sin(angle)));
    }
    ring.Close();
    std::uniform_real_distribution<double> coordinate(-40.0, 40.0);
    std::vector<GxPoint> points(1000);
    for (GxPoint& p : points)
        p = GxPoint(coordinate(random), coordinate(random));
    for (auto _ : ioState)
    {
        int inside = 0;
        for (const GxPoint& p : points)
            inside += ring.Contains(p);
        benchmark::DoNotOptimize(inside);
    }
    ioState.SetItemsProcessed(static_cast<int64_t>(ioState.iterations() * points.size()));
}
} // namespace

BENCHMARK(BM_Contains)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);
