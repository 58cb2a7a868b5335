#include "DxAnalysis.h"
#include "DxAnalysisReference.h"

#include "CxDebug.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace
{

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Stations
{
    std::vector<double> x;
    std::vector<double> y;
    std::vector<double> values;
};

double Weight(double inR2, double inKappa)
{
    return std::exp(-inR2 / inKappa);
}

// Scattered stations over a width x height rectangle, a small cluster far to its side (so that the grid between
// them stays unreached), two stations without a position, and a smooth field with noise; every 20th value NaN.
Stations ScatteredLayout(unsigned inSeed, int inCount, double inWidth, double inHeight)
{
    std::mt19937_64 random(inSeed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Stations s;
    auto add = [&](double inX, double inY)
    {
        s.x.push_back(inX);
        s.y.push_back(inY);
        const double v = 10.0 + 5.0 * std::sin(inX / 60.0) * std::cos(inY / 45.0) + (unit(random) - 0.5);
        s.values.push_back(s.values.size() % 20 == 7 ? kNaN : v);
    };
    for (int k = 0; k < inCount; ++k)
        add(inWidth * unit(random), inHeight * unit(random));
    const bool wide = inWidth >= inHeight;
    for (int k = 0; k < 10; ++k)
    {
        const double a = 30.0 * unit(random);
        const double b = 30.0 * unit(random);
        if (wide)
            add(inWidth + 400.0 + a, inHeight / 2 + b);
        else
            add(inWidth / 2 + a, inHeight + 400.0 + b);
    }
    s.x.insert(s.x.end(), {kNaN, 5.0});
    s.y.insert(s.y.end(), {3.0, kInf});
    s.values.insert(s.values.end(), {1000.0, 1000.0});
    return s;
}

double KochKappa(double inSeparation)
{
    const double scale = 2.0 * inSeparation / std::numbers::pi;
    return 5.052 * scale * scale;
}

// The ten-kilometre pair, alone or with stations that have no usable position.
struct PairCase
{
    const char* name;
    std::vector<double> x;
    std::vector<double> y;
    bool unequal;
};

class DxAnalysisPair : public testing::TestWithParam<PairCase>
{
};

TEST_P(DxAnalysisPair, LaysOutTheGridAndWeighsBothStations)
{
    const PairCase& c = GetParam();
    CxDebugCapture capture;
    DxAnalysis a(c.x, c.y, 1);
    EXPECT_EQ(capture.Count(), c.unequal ? 1u : 0u);

    EXPECT_DOUBLE_EQ(a.MeanSeparation(), 10.0);
    EXPECT_EQ(a.Dx(), 8.0);
    EXPECT_EQ(a.Dy(), 8.0);
    EXPECT_NEAR(a.Kappa() / KochKappa(10.0), 1.0, 1e-3);
    ASSERT_EQ(a.Width(), 5);
    ASSERT_EQ(a.Height(), 4);
    EXPECT_EQ(a.OriginX(), -8.0);
    EXPECT_EQ(a.OriginY(), -8.0);
    EXPECT_EQ(a.GridX(), (std::vector<double>{-8, 0, 8, 16, 24}));
    EXPECT_EQ(a.GridY(), (std::vector<double>{-8, 0, 8, 16}));

    std::vector<double> values(c.x.size(), 1000.0);
    values[0] = 1.0;
    values[1] = 3.0;
    a.Analyze(values);
    ASSERT_EQ(a.Grid().size(), 20u);
    // Grid point (0, 0) at (-8, -8) and (4, 1) at (24, 0).
    const double w1 = Weight(128.0, a.Kappa());
    const double w2 = Weight(18.0 * 18.0 + 64.0, a.Kappa());
    EXPECT_NEAR(a.Grid()[0], (w1 * 1.0 + w2 * 3.0) / (w1 + w2), 1e-12);
    const double v1 = Weight(24.0 * 24.0, a.Kappa());
    const double v2 = Weight(14.0 * 14.0, a.Kappa());
    EXPECT_NEAR(a.Grid()[4 + 5], (v1 * 1.0 + v2 * 3.0) / (v1 + v2), 1e-12);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, DxAnalysisPair,
    testing::Values(PairCase{"Pair", {0, 10}, {0, 0}, false},
                    PairCase{"NonFinitePositions", {0, 10, kNaN, kInf, 3}, {0, 0, 500, 2, -kInf}, false},
                    PairCase{"UnequalLengths", {0, 10, 77}, {0, 0}, true}),
    [](const testing::TestParamInfo<PairCase>& inInfo) { return inInfo.param.name; });

TEST(DxAnalysis, SingleStationCarriesItsValueEverywhere)
{
    DxAnalysis a({100.0}, {-50.0}, 4);
    EXPECT_DOUBLE_EQ(a.MeanSeparation(), std::sqrt(9999999.0));
    ASSERT_EQ(a.Width(), 4);
    ASSERT_EQ(a.Height(), 4);
    a.Analyze({5.5});
    for (double v : a.Grid())
        EXPECT_NEAR(v, 5.5, 1e-12);
}

TEST(DxAnalysis, CoincidentStationsCountInTheAnalysisNotInTheSeparation)
{
    DxAnalysis a({0, 0, 10}, {0, 0, 0}, 1);
    EXPECT_DOUBLE_EQ(a.MeanSeparation(), 10.0);
    a.Analyze({1.0, 1.0, 4.0});
    const double w1 = Weight(128.0, a.Kappa());
    const double w2 = Weight(18.0 * 18.0 + 64.0, a.Kappa());
    EXPECT_NEAR(a.Grid()[0], (2 * w1 * 1.0 + w2 * 4.0) / (2 * w1 + w2), 1e-12);

    DxAnalysis same({5, 5}, {5, 5}, 1);
    EXPECT_DOUBLE_EQ(same.MeanSeparation(), std::sqrt(9999999.0));
}

// Only the first of a line of stations has a value: the grid holds it within R of that station, NaN beyond.
TEST(DxAnalysis, StationsWithoutValuesTakeNoPart)
{
    std::vector<double> x, y, values;
    for (int k = 0; k <= 50; ++k)
    {
        x.push_back(10.0 * k);
        y.push_back(0.0);
        values.push_back(k == 0 ? 2.5 : kNaN);
    }
    for (int passes : {1, 4})
    {
        DxAnalysis a(x, y, passes);
        a.Analyze(values);
        int reached = 0;
        int unreached = 0;
        for (int j = 0; j < a.Height(); ++j)
        {
            for (int i = 0; i < a.Width(); ++i)
            {
                const double v = a.Grid()[i + j * a.Width()];
                if (std::hypot(a.GridX()[i], a.GridY()[j]) > a.CutoffRadius())
                {
                    EXPECT_TRUE(std::isnan(v)) << i << "," << j;
                    ++unreached;
                }
                else
                {
                    EXPECT_NEAR(v, 2.5, 1e-12) << i << "," << j;
                    ++reached;
                }
            }
        }
        EXPECT_GT(reached, 0);
        EXPECT_GT(unreached, 0);

        // Values missing at the end count as NaN.
        const std::vector<double> full = a.Grid();
        a.Analyze({2.5});
        EXPECT_EQ(DxMaxDifference(a.Grid(), full), 0.0);
    }
}

TEST(DxAnalysis, NoGridWithoutStationsOrAboveTheCap)
{
    std::vector<double> wideX, wideY;
    for (int k = 0; k < 100; ++k)
    {
        // Pairs 10 m apart spread over 10,000 km ask for a spacing of 8 m.
        wideX.insert(wideX.end(), {100.0 * k, 100.0 * k + 0.01});
        wideY.insert(wideY.end(), {100.0 * k, 100.0 * k});
    }
    const struct
    {
        const char* name;
        std::vector<double> x;
        std::vector<double> y;
        bool refused;
    } cases[] = {
        {"empty", {}, {}, false},
        {"no finite position", {kNaN, kInf, 4.0}, {1.0, 2.0, kNaN}, false},
        {"over the cap", wideX, wideY, true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        CxDebugCapture capture;
        DxAnalysis a(c.x, c.y, 4);
        EXPECT_FALSE(a.HasGrid());
        EXPECT_EQ(a.Width(), 0);
        EXPECT_EQ(a.Height(), 0);
        a.Analyze(std::vector<double>(c.x.size(), 1.0));
        EXPECT_TRUE(a.Grid().empty());
        EXPECT_EQ(capture.Contains("Barnes grid refused"), c.refused);
    }
}

// Both band orientations, one and four passes, bounds on and off, against a scan of every station.
struct BruteCase
{
    double width;
    double height;
    int passes;
    bool bounds;
};

class DxAnalysisBrute : public testing::TestWithParam<BruteCase>
{
};

TEST_P(DxAnalysisBrute, MatchesTheFullScan)
{
    const BruteCase& c = GetParam();
    const Stations s = ScatteredLayout(1234u + c.passes, 250, c.width, c.height);
    DxAnalysis a(s.x, s.y, c.passes);
    ASSERT_TRUE(a.HasGrid());
    EXPECT_EQ(a.Width() >= a.Height(), c.width >= c.height);
    EXPECT_NEAR(a.Kappa() / KochKappa(a.MeanSeparation()), 1.0, 1e-3);

    double lowest = kInf;
    double highest = -kInf;
    for (std::size_t k = 0; k < s.values.size(); ++k)
    {
        if (std::isfinite(s.x[k]) && std::isfinite(s.y[k]) && !std::isnan(s.values[k]))
        {
            lowest = std::min(lowest, s.values[k]);
            highest = std::max(highest, s.values[k]);
        }
    }
    a.mUseLowerBound = a.mUseUpperBound = c.bounds;
    a.mLowerBound = lowest;
    a.mUpperBound = highest;
    a.Analyze(s.values);
    const std::vector<double> reference = DxBruteForceAnalysis(a, s.x, s.y, s.values);
    EXPECT_LE(DxMaxDifference(a.Grid(), reference), 1e-9);

    const auto unreached = std::count_if(a.Grid().begin(), a.Grid().end(), [](double v) { return std::isnan(v); });
    EXPECT_GT(unreached, 0);
    EXPECT_LT(unreached, static_cast<long>(a.Grid().size()) / 2);
    if (c.bounds)
    {
        for (double v : a.Grid())
        {
            if (!std::isnan(v))
            {
                EXPECT_GE(v, lowest);
                EXPECT_LE(v, highest);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, DxAnalysisBrute,
                         testing::Values(BruteCase{600, 200, 1, false}, BruteCase{600, 200, 4, false},
                                         BruteCase{600, 200, 1, true}, BruteCase{600, 200, 4, true},
                                         BruteCase{200, 600, 1, false}, BruteCase{200, 600, 4, false},
                                         BruteCase{200, 600, 1, true}, BruteCase{200, 600, 4, true}),
                         [](const testing::TestParamInfo<BruteCase>& inInfo)
                         {
                             const BruteCase& c = inInfo.param;
                             return std::string(c.width >= c.height ? "Columns" : "Rows") + std::to_string(c.passes) +
                                    (c.bounds ? "PassesBounded" : "Passes");
                         });

TEST(DxAnalysis, RunsAreIndependent)
{
    const Stations s = ScatteredLayout(5u, 200, 300, 200);
    std::vector<double> other(s.values.size());
    for (std::size_t k = 0; k < other.size(); ++k)
        other[k] = (k % 13 == 3) ? kNaN : std::cos(0.1 * static_cast<double>(k)) * 20.0;

    DxAnalysis reused(s.x, s.y, 4);
    reused.Analyze(s.values);
    reused.Analyze(other);
    DxAnalysis fresh(s.x, s.y, 4);
    fresh.Analyze(other);
    EXPECT_EQ(DxMaxDifference(reused.Grid(), fresh.Grid()), 0.0);

    // Without a pass nothing is analysed, and nothing of the last run remains.
    reused.SetNumPass(0);
    reused.Analyze(other);
    EXPECT_TRUE(std::all_of(reused.Grid().begin(), reused.Grid().end(), [](double v) { return std::isnan(v); }));
}

// A wave of 20 separations on a dense lattice keeps exp(-kappa pi^2 / lambda^2) of its amplitude after one pass.
TEST(DxAnalysis, OnePassResponseToASineWave)
{
    std::vector<double> x, y, values;
    const double wavelength = 200.0;
    for (int j = 0; j <= 60; ++j)
    {
        for (int i = 0; i <= 60; ++i)
        {
            x.push_back(10.0 * i);
            y.push_back(10.0 * j);
            values.push_back(std::sin(2.0 * std::numbers::pi * x.back() / wavelength));
        }
    }
    DxAnalysis a(x, y, 1);
    ASSERT_DOUBLE_EQ(a.MeanSeparation(), 10.0);
    a.Analyze(values);
    const double response = std::exp(-a.Kappa() * std::numbers::pi * std::numbers::pi / (wavelength * wavelength));
    const double R = a.CutoffRadius();
    double fit = 0.0;
    double norm = 0.0;
    int interior = 0;
    for (int j = 0; j < a.Height(); ++j)
    {
        for (int i = 0; i < a.Width(); ++i)
        {
            const double gx = a.GridX()[i];
            const double gy = a.GridY()[j];
            if (gx < R || gx > 600.0 - R || gy < R || gy > 600.0 - R)
                continue;
            const double wave = std::sin(2.0 * std::numbers::pi * gx / wavelength);
            const double v = a.Grid()[i + j * a.Width()];
            EXPECT_NEAR(v, response * wave, 0.03 * response);
            fit += v * wave;
            norm += wave * wave;
            ++interior;
        }
    }
    ASSERT_GT(interior, 100);
    EXPECT_NEAR(fit / norm / response, 1.0, 0.03);
}

} // namespace
