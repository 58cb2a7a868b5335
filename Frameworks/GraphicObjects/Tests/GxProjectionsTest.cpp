// Known values of the twelve projections, wind-vector turning, and the mended faults.
#include "GxProjection.h"

#include "CxDebug.h"
#include "GxMath.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace
{
double Radians(double inDegrees)
{
    return inDegrees * kGxPi / 180.0;
}

double Degrees(double inRadians)
{
    return inRadians * 180.0 / kGxPi;
}

GxPosition FromDegrees(double inLon, double inLat)
{
    return GxPosition(Radians(inLon), Radians(inLat));
}

void ExpectPoint(const GxPoint& inActual, double inX, double inY, double inTolerance)
{
    EXPECT_NEAR(inActual.mX, inX, inTolerance);
    EXPECT_NEAR(inActual.mY, inY, inTolerance);
}

void ExpectPosition(const GxPosition& inActual, const GxPosition& inExpected, double inTolerance)
{
    EXPECT_NEAR(inActual.mLongitude, inExpected.mLongitude, inTolerance);
    EXPECT_NEAR(inActual.mLatitude, inExpected.mLatitude, inTolerance);
}

void ExpectNaN(const GxPoint& inPoint)
{
    EXPECT_TRUE(std::isnan(inPoint.mX) || std::isnan(inPoint.mY)) << inPoint.mX << ", " << inPoint.mY;
}

// ------------------------------------------------------------------------------------------------------------
// The sine and cosine kernel of the hot paths

TEST(GxSinCos, AgreesWithTheCLibrary)
{
    std::vector<double> angles = {0.0,         -0.0,   kGxPi / 4.0, kGxPi / 2.0, -kGxPi / 2.0, kGxPi, 3.0 * kGxPi / 2.0,
                                  2.0 * kGxPi, 1e-300, 9999.0,      -9999.0,     1e4,          1e6,   -1e12};
    for (int i = -4000; i <= 4000; ++i)
        angles.push_back(i * 0.0031415 + 1e-7 * i);
    for (double angle : angles)
    {
        double s, c;
        GxSinCos(angle, s, c);
        EXPECT_NEAR(s, std::sin(angle), 2.3e-16) << angle;
        EXPECT_NEAR(c, std::cos(angle), 2.3e-16) << angle;
    }
    for (double odd : {std::nan(""), HUGE_VAL, -HUGE_VAL})
    {
        double s, c;
        GxSinCos(odd, s, c);
        EXPECT_TRUE(std::isnan(s) && std::isnan(c)) << odd;
    }
}

TEST(GxSinCos2, EachLaneIsTheScalarsBitForBit)
{
    std::vector<double> angles = {0.0, -0.0, kGxPi / 2.0, -kGxPi, 1e-300, 9999.0, -1e4, std::nan(""), HUGE_VAL};
    for (int i = -1000; i <= 1000; ++i)
        angles.push_back(i * 0.0125663 + 1e-7 * i);
    const auto bitsOf = [](double inValue) { return std::bit_cast<std::uint64_t>(inValue); };
    for (size_t i = 0; i < angles.size(); ++i)
    {
        const double a = angles[i];
        const double b = angles[angles.size() - 1 - i];
        double sinA, cosA, sinB, cosB, s, c;
        GxSinCos2(a, b, sinA, cosA, sinB, cosB);
        GxSinCos(a, s, c);
        EXPECT_EQ(bitsOf(sinA), bitsOf(s)) << a;
        EXPECT_EQ(bitsOf(cosA), bitsOf(c)) << a;
        GxSinCos(b, s, c);
        EXPECT_EQ(bitsOf(sinB), bitsOf(s)) << b;
        EXPECT_EQ(bitsOf(cosB), bitsOf(c)) << b;
    }
}

TEST(GxFixedPower, AgreesWithExpAndLog)
{
    const double edge = std::ldexp(1.0, 32);
    std::vector<double> xs = {edge,
                              std::nextafter(edge, 0.0),
                              1.0 / edge,
                              std::nextafter(1.0 / edge, 0.0),
                              1.0,
                              std::nextafter(1.0, 2.0),
                              std::nextafter(1.0, 0.0),
                              1e-300,
                              1e300,
                              5e-324};
    for (int i = -1200; i <= 1200; ++i)
        xs.push_back(std::exp(i * 0.0213 + 1e-5 * i));
    for (const double power : {0.6304, 1.0, 0.5, -0.6304, 1e-3})
    {
        for (const double logFactor : {0.0, 9.6})
        {
            const GxFixedPower raise(power, logFactor);
            for (const double x : xs)
            {
                if (x >= 1.0 / edge && x < edge)
                {
                    const long double expected =
                        std::exp(static_cast<long double>(power) * std::log(static_cast<long double>(x)) + logFactor);
                    EXPECT_NEAR(raise(x) / static_cast<double>(expected), 1.0, 1e-15) << power << " " << x;
                }
                else
                    EXPECT_EQ(raise(x), std::exp(power * std::log(x) + logFactor)) << power << " " << x;
            }
            // What the formula gives.
            EXPECT_EQ(raise(0.0), power > 0.0 ? 0.0 : HUGE_VAL);
            EXPECT_EQ(raise(HUGE_VAL), power > 0.0 ? HUGE_VAL : 0.0);
            EXPECT_TRUE(std::isnan(raise(-1.0)));
            EXPECT_TRUE(std::isnan(raise(std::nan(""))));
        }
    }
    EXPECT_TRUE(std::isnan(GxFixedPower()(2.0)));
}

// ------------------------------------------------------------------------------------------------------------
// Known values

TEST(GxIdentityProjections, CarryRadiansAndDegrees)
{
    const GxDegreeProjection degree;
    ExpectPoint(degree.Project(GxPosition(kGxPi, kGxPi / 2.0)), 180.0, 90.0, 1e-12);
    const GxPosition back = degree.Unproject(GxPoint(180.0, 90.0));
    EXPECT_DOUBLE_EQ(back.mLongitude, kGxPi);
    EXPECT_DOUBLE_EQ(back.mLatitude, kGxPi / 2.0);

    const GxRadianProjection radian;
    EXPECT_EQ(radian.Project(GxPosition(1.25, -0.5)), GxPoint(1.25, -0.5));
    EXPECT_EQ(radian.Unproject(GxPoint(1.25, -0.5)), GxPosition(1.25, -0.5));
}

// Values inside the bounds are in the reference tables; these are the bounds, the special branches and the points
// beyond what PROJ's tables hold.
TEST(GxProjectionBeyondTheTables, BoundsAndSpecialPoints)
{
    const GxMercatorProjection mercator;
    EXPECT_EQ(mercator.Bounds(), GxRect(-kGxPi, -1.4835298641951802, kGxPi, 1.4835298641951802));
    const GxPosition far = FromDegrees(20.0, 88.0);
    ExpectPosition(mercator.Unproject(mercator.Project(far)), far, 1e-12);

    EXPECT_EQ(GxPolarStereoProjection().Bounds(), GxRect(-kGxPi, 0.0, kGxPi, kGxPi / 2.0));
}

TEST(GxOrthographicProjection, DiscAndItsEdge)
{
    const GxOrthographicProjection ortho;
    EXPECT_EQ(ortho.Unproject(GxPoint(0.0, 0.0)), FromDegrees(-97.278, 35.333));
    const GxPosition beyond = ortho.Unproject(GxPoint(5000.0, 5000.0));
    EXPECT_TRUE(std::isnan(beyond.mLongitude) && std::isnan(beyond.mLatitude));

    const GxOrthographicProjection at50(FromDegrees(0.0, 50.0));
    EXPECT_NEAR(at50.Bounds().mBottom, Radians(20.0), 1e-15);
    EXPECT_NEAR(at50.Bounds().mTop, Radians(80.0), 1e-15);
    EXPECT_NEAR(at50.Bounds().mLeft, Radians(-45.0), 1e-15);
    // The far side folds onto the disc.
    ExpectPoint(at50.Project(FromDegrees(180.0, 0.0)), 0.0, 6371.0 * std::sin(Radians(50.0)), 1e-9);
}

TEST(GxLambertAzimuthalEqualAreaProjection, CentreAndFarLongitudes)
{
    const GxPosition centre = FromDegrees(10.0, 45.0);
    const GxLambertAzimuthalEqualAreaProjection laea(centre);
    EXPECT_EQ(laea.Unproject(GxPoint(0.0, 0.0)), centre);
    // -175 degrees lies 185 degrees west of the centre: it is taken as 175 degrees east.
    const GxPoint west = laea.Project(FromDegrees(-175.0, 20.0));
    ExpectPoint(laea.Project(FromDegrees(185.0, 20.0)), west.mX, west.mY, 1e-9);
    EXPECT_GT(west.mX, 0.0);
    EXPECT_EQ(laea.Bounds(), GxRect(centre.mLongitude - kGxPi / 2.0, centre.mLatitude - kGxPi / 2.0,
                                    centre.mLongitude + kGxPi / 2.0, centre.mLatitude + kGxPi / 2.0));
    EXPECT_EQ(GxLambertAzimuthalEqualAreaProjection().Bounds(), GxRadianProjection().Bounds());
}

TEST(GxLambertConformalProjection, FarLongitudesAndTheSouthernTangentCone)
{
    const GxLambertConformalProjection lcc;
    for (double dLon : {-170.0, -90.0, 0.0, 45.0, 170.0})
    {
        const GxPosition p = FromDegrees(-98.0 + dLon, 40.0);
        const GxPosition back = lcc.Unproject(lcc.Project(p));
        EXPECT_NEAR(std::remainder(back.mLongitude - p.mLongitude, 2.0 * kGxPi), 0.0, 1e-12) << dLon;
        EXPECT_NEAR(back.mLatitude, p.mLatitude, 1e-12) << dLon;
    }

    // n = -sin 40 makes the standard parallel lie R / tan 40 from the apex.
    const GxLambertConformalProjection south(Radians(-98.0), Radians(-40.0), Radians(-40.0));
    ExpectPoint(south.Project(FromDegrees(-98.0, -40.0)), 0.0, 6367.47 / std::tan(Radians(40.0)), 1e-9);
    EXPECT_EQ(south.Bounds(), GxRect(Radians(-98.0) - kGxPi / 2.0, Radians(-40.0) - kGxPi / 4.0,
                                     Radians(-98.0) + kGxPi / 2.0, Radians(-40.0) + kGxPi / 4.0));
}

TEST(GxAlbersEqualAreaProjection, ApexIsThePole)
{
    const GxPosition centre = FromDegrees(-96.0, 23.0);
    const GxAlbersEqualAreaProjection equalArea(centre, Radians(29.5), Radians(45.5));
    // At the apex (rho = 0) the angle is taken as 0: the centre meridian, at the pole.
    const double rho0 = equalArea.Project(FromDegrees(-96.0, 90.0)).mY;
    const GxPosition apex = equalArea.Unproject(GxPoint(0.0, rho0));
    EXPECT_DOUBLE_EQ(apex.mLongitude, centre.mLongitude);
    EXPECT_NEAR(apex.mLatitude, kGxPi / 2.0, 1e-8);
}

// The round trip holds far tighter than the series' agreement with PROJ.
TEST(GxUtmProjection, LongitudesFrom0To360AndRoundTrips)
{
    const GxUtmProjection utm;
    const GxPoint east = utm.Project(FromDegrees(-98.0, 35.0));
    ExpectPoint(utm.Project(FromDegrees(262.0, 35.0)), east.mX, east.mY, 1e-9);
    EXPECT_EQ(utm.Project(FromDegrees(120.0, 90.0)).mX, 500.0);

    for (double dLon : {-3.0, 0.5, 2.5})
        for (double lat : {-60.0, 0.0, 35.0, 70.0})
        {
            const GxPosition p = FromDegrees(-99.0 + dLon, lat);
            ExpectPosition(utm.Unproject(utm.Project(p)), p, 1e-9);
        }
}

// ------------------------------------------------------------------------------------------------------------
// Wind vectors

struct TurningCase
{
    const char* mName;
    std::function<GxProjection*()> mMake;
    std::vector<GxPosition> mPositions;
    double mStep;      // radians north for the meridian's map angle
    double mTolerance; // radians
};

void PrintTo(const TurningCase& inCase, std::ostream* outStream)
{
    *outStream << inCase.mName;
}

std::vector<GxPosition> Spread(double inLon0, std::initializer_list<double> inDLons,
                               std::initializer_list<double> inLats)
{
    std::vector<GxPosition> positions;
    for (double dLon : inDLons)
        for (double lat : inLats)
            positions.push_back(FromDegrees(inLon0 + dLon, lat));
    return positions;
}

class GxVectorTurning : public testing::TestWithParam<TurningCase>
{
};

// A wind from the north must point along the meridian on the map; any other wind keeps its angle to it.
TEST_P(GxVectorTurning, FollowsTheMeridian)
{
    const TurningCase& c = GetParam();
    const std::unique_ptr<GxProjection> projection(c.mMake());
    EXPECT_TRUE(projection->SupportsVectorProjection());
    for (const GxPosition& p : c.mPositions)
    {
        const GxPoint here = projection->Project(p);
        const GxPoint north = projection->Project(GxPosition(p.mLongitude, p.mLatitude + c.mStep));
        const double meridian = std::atan2(north.mX - here.mX, north.mY - here.mY);
        for (double from : {0.0, 1.0, 4.0})
        {
            const GxVector turned = projection->Project(GxVector::FromMagnitudeAndRadians(12.0, from), p);
            EXPECT_NEAR(turned.Magnitude(), 12.0, 1e-9);
            EXPECT_NEAR(std::remainder(turned.DirectionAsRadians() - (meridian + from), 2.0 * kGxPi), 0.0, c.mTolerance)
                << c.mName << " at " << Degrees(p.mLongitude) << ", " << Degrees(p.mLatitude) << " from " << from;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Projections, GxVectorTurning,
    testing::Values(
        TurningCase{"polarStereo", [] { return new GxPolarStereoProjection(); },
                    Spread(-98.68, {-120.0, -30.0, 0.0, 45.0, 150.0}, {5.0, 40.0, 80.0}), 1e-7, 1e-6},
        TurningCase{"lambertConformal", [] { return new GxLambertConformalProjection(); },
                    Spread(-98.0, {-85.0, -20.0, 0.0, 30.0, 85.0}, {-5.0, 33.0, 60.0}), 1e-7, 1e-6},
        TurningCase{"lambertTangent",
                    [] { return new GxLambertConformalProjection(Radians(-98.0), Radians(40.0), Radians(40.0)); },
                    Spread(-98.0, {-60.0, 0.0, 30.0}, {10.0, 40.0, 70.0}), 1e-7, 1e-6},
        TurningCase{"lambertSouthern",
                    [] { return new GxLambertConformalProjection(Radians(-98.0), Radians(-20.0), Radians(-40.0)); },
                    Spread(-98.0, {-85.0, -20.0, 0.0, 30.0, 85.0}, {-60.0, -30.0, 0.0}), 1e-7, 1e-6},
        TurningCase{"albersConicSphere", [] { return new GxAlbersConicSphereProjection(); },
                    Spread(0.0, {-150.0, -40.0, 0.0, 60.0, 170.0}, {-40.0, 20.0, 60.0}), 1e-7, 1e-6},
        TurningCase{"albersConicEllipse", [] { return new GxAlbersConicEllipseProjection(); },
                    Spread(0.0, {-150.0, -40.0, 0.0, 60.0, 170.0}, {-40.0, 20.0, 60.0}), 1e-7, 1e-6},
        TurningCase{"albersEqualArea", [] { return new GxAlbersEqualAreaProjection(); },
                    Spread(-98.0, {-80.0, -40.0, 0.0, 60.0, 170.0}, {-40.0, 20.0, 60.0}), 1e-7, 1e-6},
        TurningCase{"utm", [] { return new GxUtmProjection(); },
                    Spread(-99.0, {-6.0, -2.5, 0.0, 3.0, 6.0}, {-70.0, -20.0, 0.0, 35.0, 80.0}), 1e-7, 1e-5},
        TurningCase{"mercator", [] { return new GxMercatorProjection(); },
                    Spread(0.0, {-170.0, 0.0, 100.0}, {-60.0, 0.0, 45.0}), 1e-7, 1e-9},
        TurningCase{"flatEarth", [] { return new GxFlatProjection(FromDegrees(0.0, 40.0)); },
                    Spread(0.0, {-170.0, 0.0, 100.0}, {-60.0, 0.0, 45.0}), 1e-7, 1e-9}),
    [](const testing::TestParamInfo<TurningCase>& inInfo) { return std::string(inInfo.param.mName); });

TEST(GxVectorTurningLeftAlone, AsDocumented)
{
    const GxVector wind = GxVector::FromMagnitudeAndRadians(7.0, 2.0);
    const GxPosition where = FromDegrees(-80.0, 50.0);
    EXPECT_EQ(GxRadianProjection().Project(wind, where), wind);
    EXPECT_EQ(GxDegreeProjection().Project(wind, where), wind);
    EXPECT_EQ(GxOrthographicProjection().Project(wind, where), wind);

    const GxLambertAzimuthalEqualAreaProjection laea;
    EXPECT_FALSE(laea.SupportsVectorProjection());
    CxDebugCapture capture;
    EXPECT_EQ(laea.Project(wind, where), wind);
    EXPECT_EQ(capture.Count(), 1u);
}

// ------------------------------------------------------------------------------------------------------------
// Mended faults

TEST(GxProjectionFaults, PolarStereoUnprojectStaysWithinOneTurn)
{
    const GxPolarStereoProjection polar; // standard longitude -98.68
    for (double lon : {120.0, 170.0, -170.0, -60.0})
    {
        const GxPosition back = polar.Unproject(polar.Project(FromDegrees(lon, 50.0)));
        EXPECT_NEAR(Degrees(back.mLongitude), lon, 1e-9);
        EXPECT_NEAR(Degrees(back.mLatitude), 50.0, 1e-9);
    }
}

TEST(GxProjectionFaults, LambertWithoutACone)
{
    for (double lat2 : {90.0, -90.0})
    {
        SCOPED_TRACE(lat2);
        CxDebugCapture capture;
        const GxLambertConformalProjection lcc(Radians(-98.0), Radians(33.0), Radians(lat2));
        EXPECT_TRUE(capture.Contains("CxAssert (false)"));
        ExpectNaN(lcc.Project(FromDegrees(-98.0, 40.0)));
        const GxPosition back = lcc.Unproject(GxPoint(100.0, -5000.0));
        EXPECT_TRUE(std::isnan(back.mLatitude));
    }
}

TEST(GxProjectionFaults, SouthernLambertTurnsTheRightWay)
{
    const GxLambertConformalProjection south(Radians(-98.0), Radians(-20.0), Radians(-40.0));
    const GxVector turned = south.Project(GxVector::FromMagnitudeAndRadians(10.0, 0.0), FromDegrees(-68.0, -30.0));
    EXPECT_NEAR(std::remainder(turned.DirectionAsDegrees(), 360.0), 15.08, 0.005);
}

TEST(GxProjectionFaults, AlbersEllipseInverseEndsOnNaN)
{
    const GxAlbersConicEllipseProjection albers;
    const GxPosition fromNaN = albers.Unproject(GxPoint(std::nan(""), 100.0));
    EXPECT_TRUE(std::isnan(fromNaN.mLatitude));

    // A projection read without its parameters has NaN everywhere.
    CxDebugCapture capture;
    GxAlbersConicEllipseProjection unset;
    unset.Internalize(nullptr);
    EXPECT_TRUE(std::isnan(unset.Unproject(GxPoint(0.0, 0.0)).mLatitude));
}

TEST(GxProjectionFaults, UtmPolesKeepTheirHemisphereAndOrigin)
{
    const GxUtmProjection utm;
    ExpectPoint(utm.Project(FromDegrees(0.0, -90.0)), 500.0, -9997.964943, 2e-5);
    ExpectPoint(utm.Project(FromDegrees(0.0, 90.0)), 500.0, 9997.964943, 2e-5);
    const GxUtmProjection at30(FromDegrees(-99.0, 30.0));
    ExpectPoint(at30.Project(FromDegrees(-99.0, 90.0)), 500.0, 6679.179590, 2e-5);
}

TEST(GxProjectionFaults, AssertionsOnlyReport)
{
    CxDebugCapture capture;
    const GxAlbersConicSphereProjection crossing(FromDegrees(0.0, 0.0), Radians(-10.0), Radians(5.0));
    EXPECT_TRUE(capture.Contains("CxAssert (mN > 0)"));
    capture.Clear();
    const GxAlbersConicSphereProjection sphere(FromDegrees(-120.0, 35.0), Radians(33.0), Radians(45.0));
    const GxPoint far = sphere.Project(FromDegrees(180.0, 35.0));
    EXPECT_TRUE(capture.Contains("CxAssert ((theta >= -cxPi) && (theta <= cxPi))"));
    EXPECT_TRUE(std::isfinite(far.mX) && std::isfinite(far.mY));
}
} // namespace
