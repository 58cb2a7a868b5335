// Projecting an array at once gives, bit for bit, what projecting its positions one by one gives: whatever the
// count (pairs, blocks and a last odd position) and wherever a position lies, poles and NaN included.
#include "GxProjection.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <random>
#include <vector>

namespace
{

double Radians(double inDegrees)
{
    return inDegrees * kGxPi / 180.0;
}

// Mostly within the zone, with its awkward places mixed in among them so that they share a register and a block
// with ordinary ones.
std::vector<GxPosition> MixedPositions(std::size_t inCount)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const GxPosition awkward[] = {
        GxPosition(Radians(120.0), Radians(90.0)),
        GxPosition(Radians(-99.0), Radians(-90.0)),
        GxPosition(Radians(262.0), Radians(35.0)),
        GxPosition(Radians(81.0), Radians(10.0)),
        GxPosition(Radians(-279.0), Radians(0.0)),
        GxPosition(Radians(-99.0), Radians(89.9999999999)),
        GxPosition(nan, Radians(45.0)),
        GxPosition(Radians(-99.0), nan),
        GxPosition(Radians(-99.0), 2.0e4),
        GxPosition(Radians(-99.0), Radians(0.0)),
        GxPosition(Radians(540.0), Radians(-60.0)),
        GxPosition(Radians(-105.0), Radians(84.0)),
    };
    std::mt19937_64 random(55);
    std::uniform_real_distribution<double> lon(Radians(-110.0), Radians(-88.0));
    std::uniform_real_distribution<double> lat(Radians(-80.0), Radians(84.0));
    std::vector<GxPosition> positions;
    for (std::size_t i = 0; i < inCount; ++i)
        positions.push_back(random() % 5 == 0 ? awkward[random() % std::size(awkward)]
                                              : GxPosition(lon(random), lat(random)));
    return positions;
}

void ExpectSameAsOneByOne(const GxProjection& inProjection, const std::vector<GxPosition>& inPositions)
{
    std::vector<GxPoint> many(inPositions.size() + 1, GxPoint(-1.0, -1.0));
    inProjection.ProjectMany(inPositions.data(), many.data(), inPositions.size());
    for (std::size_t i = 0; i < inPositions.size(); ++i)
    {
        const GxPoint one = inProjection.Project(inPositions[i]);
        ASSERT_EQ(std::bit_cast<std::uint64_t>(many[i].mX), std::bit_cast<std::uint64_t>(one.mX))
            << "position " << i << " of " << inPositions.size();
        ASSERT_EQ(std::bit_cast<std::uint64_t>(many[i].mY), std::bit_cast<std::uint64_t>(one.mY))
            << "position " << i << " of " << inPositions.size();
    }
    // Nothing written past the end.
    EXPECT_EQ(many.back().mX, -1.0);
}

TEST(GxProjectMany, EqualsProjectBitForBit)
{
    const std::unique_ptr<GxProjection> projections[] = {
        std::make_unique<GxUtmProjection>(),
        std::make_unique<GxUtmProjection>(GxPosition(Radians(9.0), Radians(30.0))),
        std::make_unique<GxLambertConformalProjection>(),
    };
    for (const std::unique_ptr<GxProjection>& projection : projections)
        for (std::size_t count : {0, 1, 2, 3, 63, 64, 65, 66, 129, 1001})
        {
            SCOPED_TRACE(count);
            ExpectSameAsOneByOne(*projection, MixedPositions(count));
        }
}

// The places the batch handles without a branch still come out as one by one always gave them.
TEST(GxProjectMany, PolesAndWrappedLongitudes)
{
    const GxUtmProjection utm;
    const std::vector<GxPosition> positions = {
        GxPosition(Radians(120.0), Radians(90.0)), GxPosition(Radians(-30.0), Radians(-90.0)),
        GxPosition(Radians(262.0), Radians(35.0)), GxPosition(Radians(-98.0), Radians(35.0)),
        GxPosition(Radians(-459.0), Radians(0.0)), GxPosition(Radians(-99.0), Radians(0.0))};
    std::vector<GxPoint> points(positions.size());
    utm.ProjectMany(positions.data(), points.data(), positions.size());
    EXPECT_EQ(points[0].mX, 500.0);
    EXPECT_NEAR(points[0].mY, 9997.964943, 2e-5);
    EXPECT_EQ(points[1].mX, 500.0);
    EXPECT_NEAR(points[1].mY, -9997.964943, 2e-5);
    EXPECT_NEAR(points[2].mX, points[3].mX, 1e-9);
    EXPECT_NEAR(points[2].mY, points[3].mY, 1e-9);
    EXPECT_NEAR(points[4].mX, 500.0, 1e-9); // a whole turn west of the central meridian is on it
    EXPECT_EQ(points[5].mX, 500.0);
    EXPECT_EQ(points[5].mY, 0.0);
}

} // namespace
