#include "GxCoordinates.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace
{

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kTwoPi = 2.0 * kGxPi;

} // namespace

TEST(GxVectorTest, MeteorologicalDirections)
{
    // Wind from the north blows south (v < 0), from the east blows west (u < 0).
    const struct
    {
        double mU;
        double mV;
        double mDegrees;
    } cases[] = {
        {0, -10, 0}, {-10, 0, 90}, {0, 10, 180}, {10, 0, 270}, {-5, -5, 45}, {5, 5, 225},
    };
    for (const auto& c : cases)
    {
        const GxVector v(c.mU, c.mV);
        EXPECT_NEAR(v.DirectionAsDegrees(), c.mDegrees, 1e-12) << c.mU << "," << c.mV;
        EXPECT_NEAR(GxVector::CalcDirection(c.mU, c.mV), c.mDegrees * kGxPi / 180, 1e-12);
    }
    EXPECT_EQ(GxVector(0, -10).DirectionAsDegrees(), 0.0);
    EXPECT_FALSE(std::signbit(GxVector(0, -10).DirectionAsDegrees()));
    EXPECT_EQ(GxVector(-10, 0).DirectionAsDegrees(), 90.0);
    EXPECT_TRUE(std::isnan(GxVector(kNaN, 1).DirectionAsRadians()));
}

TEST(GxVectorTest, FactoriesAndComponents)
{
    const GxVector west = GxVector::FromMagnitudeAndDegrees(10, 270);
    EXPECT_DOUBLE_EQ(west.mU, 10);
    EXPECT_NEAR(west.mV, 0, 1e-12);

    const GxVector north = GxVector::FromMagnitudeAndRadians(GxPoint(4, 0));
    EXPECT_NEAR(north.mU, 0, 1e-15);
    EXPECT_DOUBLE_EQ(north.mV, -4);

    const GxVector v = GxVector::FromMagnitudeAndDegrees(12.5, 123.25);
    EXPECT_NEAR(v.AsMagnitudeAndDegrees().mX, 12.5, 1e-12);
    EXPECT_NEAR(v.AsMagnitudeAndDegrees().mY, 123.25, 1e-12);
    EXPECT_NEAR(v.AsMagnitudeAndRadians().mY, 123.25 * kGxPi / 180, 1e-12);
    EXPECT_DOUBLE_EQ(GxVector::CalcUComponent(2, kGxPi / 2), -2);
}

TEST(GxVectorTest, SettersKeepTheOtherHalf)
{
    GxVector v = GxVector::FromMagnitudeAndDegrees(10, 200);
    v.SetMagnitude(25);
    EXPECT_NEAR(v.Magnitude(), 25, 1e-12);
    EXPECT_NEAR(v.DirectionAsDegrees(), 200, 1e-12);

    v.SetDirectionAsDegrees(20);
    EXPECT_NEAR(v.Magnitude(), 25, 1e-12);
    EXPECT_NEAR(v.DirectionAsDegrees(), 20, 1e-12);

    v.SetDirectionAsRadians(kGxPi);
    EXPECT_NEAR(v.mU, 0, 1e-12);
    EXPECT_NEAR(v.mV, 25, 1e-12);

    EXPECT_EQ(GxVector(1, 2) - GxVector(3, -5), GxVector(-2, 7));
    EXPECT_FALSE(GxVector(kNaN, 0) == GxVector(kNaN, 0));
}

TEST(GxVectorTest, DirectionStaysInOneTurn)
{
    // A tiny negative angle must not round up to a full turn.
    const double edge[][2] = {{1e-300, -1}, {4e-17, -1}, {-0.0, -1}, {0.0, -0.0}, {-0.0, 0.0}, {0, 0}, {1e-20, -1e10}};
    for (const auto& uv : edge)
    {
        const double direction = GxVector::CalcDirection(uv[0], uv[1]);
        EXPECT_GE(direction, 0.0) << uv[0] << "," << uv[1];
        EXPECT_LT(direction, kTwoPi) << uv[0] << "," << uv[1];
        EXPECT_LT(GxVector(uv[0], uv[1]).DirectionAsDegrees(), 360.0);
    }

    std::mt19937_64 random(99);
    std::uniform_real_distribution<double> component(-50, 50);
    for (int i = 0; i < 10000; ++i)
    {
        // Every third vector points almost exactly north or south, where the rounding happens.
        const double u = component(random);
        const double v0 = component(random);
        const GxVector v = i % 3 == 0 ? GxVector(u * 1e-17, v0) : GxVector(u, v0);
        const double direction = v.DirectionAsRadians();
        ASSERT_GE(direction, 0.0) << v.mU << "," << v.mV;
        ASSERT_LT(direction, kTwoPi) << v.mU << "," << v.mV;
        // The direction answers the components back.
        EXPECT_NEAR(GxVector::FromMagnitudeAndRadians(v.Magnitude(), direction).mU, v.mU, 1e-9);
        EXPECT_NEAR(GxVector::FromMagnitudeAndRadians(v.Magnitude(), direction).mV, v.mV, 1e-9);
    }
}
