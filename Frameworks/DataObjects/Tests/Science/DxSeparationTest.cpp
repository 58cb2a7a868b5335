#include "DxAnalysis.h"
#include "DxAnalysisReference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <vector>

namespace
{

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Layout
{
    const char* name;
    std::function<void(std::mt19937_64&, std::vector<double>&, std::vector<double>&)> make;
};

void Uniform(std::mt19937_64& ioRandom, std::vector<double>& ioX, std::vector<double>& ioY, int inCount, double inX0,
             double inY0, double inWidth, double inHeight)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int k = 0; k < inCount; ++k)
    {
        ioX.push_back(inX0 + inWidth * unit(ioRandom));
        ioY.push_back(inY0 + inHeight * unit(ioRandom));
    }
}

// The bucket search must give the all-pairs result to the last bit, whatever the layout.
const Layout kLayouts[] = {
    {"Uniform", [](auto& r, auto& x, auto& y) { Uniform(r, x, y, 3000, 0, 0, 2000, 1500); }},
    {"Clusters",
     [](auto& r, auto& x, auto& y)
     {
         for (int c = 0; c < 6; ++c)
             Uniform(r, x, y, 300, 500.0 * c, 90.0 * c, 5, 5);
     }},
    {"Duplicates",
     [](auto& r, auto& x, auto& y)
     {
         Uniform(r, x, y, 500, 0, 0, 300, 300);
         for (int k = 0; k < 200; ++k)
         {
             x.push_back(x[k]);
             y.push_back(y[k]);
         }
     }},
    {"Line", [](auto& r, auto& x, auto& y) { Uniform(r, x, y, 800, 0, 42, 1000, 0); }},
    {"FarOutliers",
     [](auto& r, auto& x, auto& y)
     {
         Uniform(r, x, y, 400, 0, 0, 100, 100);
         x.insert(x.end(), {9000.0, -7000.0, 50.0});
         y.insert(y.end(), {9000.0, 20.0, 3300.0});
     }},
    {"NonFinite",
     [](auto& r, auto& x, auto& y)
     {
         Uniform(r, x, y, 400, -50, -50, 100, 100);
         x.insert(x.end(), {kNaN, 3.0, std::numeric_limits<double>::infinity()});
         y.insert(y.end(), {3.0, kNaN, 4.0});
     }},
    {"FarFromOrigin", [](auto& r, auto& x, auto& y) { Uniform(r, x, y, 1000, 4.0e6, -3.0e6, 80, 60); }},
    {"ExtentBeyondDoubles",
     [](auto&, auto& x, auto& y)
     {
         x.assign({-1e308, 1e308, 0.0, 1.0, 1.0});
         y.assign({0.0, 0.0, 0.0, 0.0, 2.0});
     }},
    {"Single",
     [](auto&, auto& x, auto& y)
     {
         x.push_back(7.0);
         y.push_back(8.0);
     }},
    {"AllCoincident",
     [](auto&, auto& x, auto& y)
     {
         x.assign(5, 1.5);
         y.assign(5, -2.5);
     }},
};

TEST(DxAnalysisSeparation, BucketSearchEqualsAllPairs)
{
    for (const Layout& layout : kLayouts)
    {
        SCOPED_TRACE(layout.name);
        std::mt19937_64 random(2024);
        std::vector<double> x, y;
        layout.make(random, x, y);
        const double expected = DxAllPairsSeparation(x, y);
        ASSERT_TRUE(std::isfinite(expected));
        EXPECT_EQ(DxAnalysis::MeanSeparation(x, y), expected);
    }
}

TEST(DxAnalysisSeparation, NoFinitePositionGivesNaN)
{
    EXPECT_TRUE(std::isnan(DxAnalysis::MeanSeparation({}, {})));
    EXPECT_TRUE(std::isnan(DxAnalysis::MeanSeparation({kNaN, 1.0}, {2.0, kNaN})));
}

} // namespace
