// Barnes analysis speed: the banded analysis against a scan of every station on the same 5,000 stations (4 passes,
// bounds on), and the bucket separation search at growing station counts against the all-pairs scan.
#include "DxAnalysis.h"
#include "DxAnalysisReference.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <vector>

namespace
{

constexpr int kStations = 5000;
constexpr int kPasses = 4;

struct Stations
{
    std::vector<double> x;
    std::vector<double> y;
    std::vector<double> values;
};

// Uniform over a fixed 2000 x 1500 km rectangle, about 1 % of the values NaN.
Stations MakeStations(int inCount)
{
    std::mt19937_64 random(20240611u + static_cast<unsigned>(inCount));
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Stations s;
    for (int k = 0; k < inCount; ++k)
    {
        const double x = 2000.0 * unit(random);
        const double y = 1500.0 * unit(random);
        s.x.push_back(x);
        s.y.push_back(y);
        const double v = 15.0 + 8.0 * std::sin(x / 170.0) * std::cos(y / 110.0) + 2.0 * (unit(random) - 0.5);
        s.values.push_back(unit(random) < 0.01 ? std::numeric_limits<double>::quiet_NaN() : v);
    }
    return s;
}

const Stations& AnalysisStations()
{
    static const Stations stations = MakeStations(kStations);
    return stations;
}

DxAnalysis MakeAnalysis()
{
    const Stations& s = AnalysisStations();
    DxAnalysis analysis(s.x, s.y, kPasses);
    double lowest = std::numeric_limits<double>::infinity();
    double highest = -lowest;
    for (double v : s.values)
    {
        if (!std::isnan(v))
        {
            lowest = std::min(lowest, v);
            highest = std::max(highest, v);
        }
    }
    analysis.mLowerBound = lowest;
    analysis.mUpperBound = highest;
    analysis.mUseLowerBound = analysis.mUseUpperBound = true;
    return analysis;
}

// Both benchmarks time only their own run, and only after the two results agree.
bool AnalysesAgree(benchmark::State& ioState)
{
    static const double difference = []
    {
        const Stations& s = AnalysisStations();
        DxAnalysis analysis = MakeAnalysis();
        analysis.Analyze(s.values);
        return DxMaxDifference(analysis.Grid(), DxBruteForceAnalysis(analysis, s.x, s.y, s.values));
    }();
    if (difference <= 1e-9)
        return true;
    ioState.SkipWithError("banded and brute-force analyses differ by more than 1e-9");
    return false;
}

void BM_BarnesBand(benchmark::State& ioState)
{
    if (!AnalysesAgree(ioState))
        return;
    const Stations& s = AnalysisStations();
    DxAnalysis analysis = MakeAnalysis();
    for (auto _ : ioState)
    {
        analysis.Analyze(s.values);
        benchmark::DoNotOptimize(analysis.Grid().data());
    }
    ioState.counters["grid_points"] = static_cast<double>(analysis.Grid().size());
}
BENCHMARK(BM_BarnesBand)->Unit(benchmark::kMillisecond);

void BM_BarnesBruteForce(benchmark::State& ioState)
{
    if (!AnalysesAgree(ioState))
        return;
    const Stations& s = AnalysisStations();
    const DxAnalysis analysis = MakeAnalysis();
    for (auto _ : ioState)
    {
        std::vector<double> grid = DxBruteForceAnalysis(analysis, s.x, s.y, s.values);
        benchmark::DoNotOptimize(grid.data());
    }
}
BENCHMARK(BM_BarnesBruteForce)->Unit(benchmark::kMillisecond);

const Stations& SeparationStations(int inCount)
{
    static std::map<int, Stations> cache;
    auto found = cache.find(inCount);
    if (found == cache.end())
        found = cache.emplace(inCount, MakeStations(inCount)).first;
    return found->second;
}

// The all-pairs separation of the 5,000 stations, which the bucket search must equal exactly.
double AllPairsAt5000()
{
    static const double d = []
    {
        const Stations& s = SeparationStations(kStations);
        return DxAllPairsSeparation(s.x, s.y);
    }();
    return d;
}

void BM_MeanSeparation(benchmark::State& ioState)
{
    const int count = static_cast<int>(ioState.range(0));
    const Stations& s = SeparationStations(count);
    if (count == kStations && DxAnalysis::MeanSeparation(s.x, s.y) != AllPairsAt5000())
    {
        ioState.SkipWithError("bucket search and all-pairs separations differ");
        return;
    }
    for (auto _ : ioState)
        benchmark::DoNotOptimize(DxAnalysis::MeanSeparation(s.x, s.y));
    ioState.SetComplexityN(count);
}
BENCHMARK(BM_MeanSeparation)->Arg(5000)->Arg(20000)->Arg(80000)->Complexity()->Unit(benchmark::kMicrosecond);

void BM_MeanSeparationAllPairs(benchmark::State& ioState)
{
    const Stations& s = SeparationStations(kStations);
    if (DxAnalysis::MeanSeparation(s.x, s.y) != AllPairsAt5000())
    {
        ioState.SkipWithError("bucket search and all-pairs separations differ");
        return;
    }
    for (auto _ : ioState)
        benchmark::DoNotOptimize(DxAllPairsSeparation(s.x, s.y));
}
BENCHMARK(BM_MeanSeparationAllPairs)->Unit(benchmark::kMicrosecond);

} // namespace
