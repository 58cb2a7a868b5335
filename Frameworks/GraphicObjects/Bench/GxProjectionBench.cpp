// Forward projection throughput, ours against PROJ's on the same seeded points (radians in, kilometres out).
// Each benchmark also reports the largest difference between the two over all points. UTM is compared twice:
// with PROJ's exact default and with its series (+approx).
#include "GxProjection.h"

#include <benchmark/benchmark.h>
#include <proj.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace
{
constexpr size_t kPointCount = 1000000;

double Radians(double inDegrees)
{
    return inDegrees * kGxPi / 180.0;
}

struct BenchCase
{
    const char* mName;
    GxProjection* (*mMake)();
    const char* mProjDefinition;
    double mWest, mSouth, mEast, mNorth; // degrees
};

const BenchCase kLambert{"lambertConformal",
                         []() -> GxProjection* { return new GxLambertConformalProjection(); },
                         "+proj=lcc +lat_1=33 +lat_2=45 +lat_0=90 +lon_0=-98 +R=6367470 +units=km",
                         -180.0,
                         -12.0,
                         -8.0,
                         89.0};
const BenchCase kPolar{"polarStereo",
                       []() -> GxProjection* { return new GxPolarStereoProjection(); },
                       "+proj=stere +lat_0=90 +lat_ts=35.48 +lon_0=-98.68 +R=6371000 +units=km",
                       -180.0,
                       0.0,
                       180.0,
                       89.5};
const BenchCase kUtm{"utm",
                     []() -> GxProjection* { return new GxUtmProjection(); },
                     "+proj=tmerc +lat_0=0 +lon_0=-99 +k_0=0.9996 +x_0=500000 +ellps=GRS80 +units=km",
                     -105.0,
                     -80.0,
                     -93.0,
                     84.0};
// The same zone through PROJ's series, the path comparable with ours (PROJ's default is the exact formula).
const BenchCase kUtmApprox{"utmApprox",
                           []() -> GxProjection* { return new GxUtmProjection(); },
                           "+proj=tmerc +approx +lat_0=0 +lon_0=-99 +k_0=0.9996 +x_0=500000 +ellps=GRS80 +units=km",
                           -105.0,
                           -80.0,
                           -93.0,
                           84.0};

const std::vector<GxPosition>& Points(const BenchCase& inCase)
{
    static std::map<std::string, std::vector<GxPosition>> sPoints;
    std::vector<GxPosition>& points = sPoints[inCase.mName];
    if (points.empty())
    {
        std::mt19937_64 random(20240611);
        std::uniform_real_distribution<double> lon(Radians(inCase.mWest), Radians(inCase.mEast));
        std::uniform_real_distribution<double> lat(Radians(inCase.mSouth), Radians(inCase.mNorth));
        points.reserve(kPointCount);
        for (size_t i = 0; i < kPointCount; ++i)
        {
            const double x = lon(random);
            points.emplace_back(x, lat(random));
        }
    }
    return points;
}

class Proj
{
public:
    explicit Proj(const char* inDefinition)
        : mContext(proj_context_create()), mProjection(proj_create(mContext, inDefinition))
    {
    }
    ~Proj()
    {
        proj_destroy(mProjection);
        proj_context_destroy(mContext);
    }
    bool IsValid() const { return mProjection != nullptr; }

    void Forward(std::vector<double>& ioX, std::vector<double>& ioY) const
    {
        proj_trans_generic(mProjection, PJ_FWD, ioX.data(), sizeof(double), ioX.size(), ioY.data(), sizeof(double),
                           ioY.size(), nullptr, 0, 0, nullptr, 0, 0);
    }

private:
    PJ_CONTEXT* mContext;
    PJ* mProjection;
};

void Fill(const std::vector<GxPosition>& inPoints, std::vector<double>& outX, std::vector<double>& outY)
{
    outX.resize(inPoints.size());
    outY.resize(inPoints.size());
    for (size_t i = 0; i < inPoints.size(); ++i)
    {
        outX[i] = inPoints[i].mLongitude;
        outY[i] = inPoints[i].mLatitude;
    }
}

double LargestDifference(const BenchCase& inCase)
{
    static std::map<std::string, double> sDifferences;
    const auto found = sDifferences.find(inCase.mName);
    if (found != sDifferences.end())
        return found->second;

    const std::vector<GxPosition>& points = Points(inCase);
    const std::unique_ptr<GxProjection> ours(inCase.mMake());
    const Proj proj(inCase.mProjDefinition);
    std::vector<double> x;
    std::vector<double> y;
    Fill(points, x, y);
    proj.Forward(x, y);
    double largest = 0.0;
    for (size_t i = 0; i < points.size(); ++i)
    {
        const GxPoint p = ours->Project(points[i]);
        largest = std::max({largest, std::abs(p.mX - x[i]), std::abs(p.mY - y[i])});
    }
    sDifferences[inCase.mName] = largest;
    return largest;
}

// The whole array at once, as PROJ is given it.
void BM_Ours(benchmark::State& ioState, const BenchCase* inCase)
{
    const std::vector<GxPosition>& points = Points(*inCase);
    const std::unique_ptr<GxProjection> projection(inCase->mMake());
    std::vector<GxPoint> projected(points.size());
    for (auto _ : ioState)
    {
        projection->ProjectMany(points.data(), projected.data(), points.size());
        benchmark::DoNotOptimize(projected.data());
        benchmark::ClobberMemory();
    }
    ioState.SetItemsProcessed(static_cast<int64_t>(ioState.iterations() * points.size()));
    ioState.counters["max_diff_km"] = LargestDifference(*inCase);
}

// Point by point through the virtual call, as most drawing code projects.
void BM_OursEach(benchmark::State& ioState, const BenchCase* inCase)
{
    const std::vector<GxPosition>& points = Points(*inCase);
    const std::unique_ptr<GxProjection> projection(inCase->mMake());
    for (auto _ : ioState)
    {
        double sum = 0.0;
        for (const GxPosition& p : points)
        {
            const GxPoint q = projection->Project(p);
            sum += q.mX + q.mY;
        }
        benchmark::DoNotOptimize(sum);
    }
    ioState.SetItemsProcessed(static_cast<int64_t>(ioState.iterations() * points.size()));
    ioState.counters["max_diff_km"] = LargestDifference(*inCase);
}

void BM_Proj(benchmark::State& ioState, const BenchCase* inCase)
{
    const std::vector<GxPosition>& points = Points(*inCase);
    const Proj proj(inCase->mProjDefinition);
    if (!proj.IsValid())
    {
        ioState.SkipWithError("proj_create failed");
        return;
    }
    std::vector<double> x;
    std::vector<double> y;
    for (auto _ : ioState)
    {
        ioState.PauseTiming();
        Fill(points, x, y);
        ioState.ResumeTiming();
        proj.Forward(x, y);
        benchmark::DoNotOptimize(x.data());
        benchmark::DoNotOptimize(y.data());
    }
    ioState.SetItemsProcessed(static_cast<int64_t>(ioState.iterations() * points.size()));
    ioState.counters["max_diff_km"] = LargestDifference(*inCase);
}
} // namespace

BENCHMARK_CAPTURE(BM_Ours, lambertConformal, &kLambert)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Proj, lambertConformal, &kLambert)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Ours, polarStereo, &kPolar)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Proj, polarStereo, &kPolar)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Ours, utm, &kUtm)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OursEach, utm, &kUtm)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Proj, utm, &kUtm)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Proj, utmApprox, &kUtmApprox)->Unit(benchmark::kMillisecond);
