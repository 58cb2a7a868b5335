#include "DxMetFormulas.h"

#include "CxDate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{

const double kNaN = std::numeric_limits<double>::quiet_NaN();

struct BoltonCase
{
    double mT, mTd, mP, mTlcl, mThetaE;
};

struct AltimeterCase
{
    double mP, mZ, mAltimeter;
};

#include "DxFormulaReferences.inc"

struct PublishedCase
{
    double (*mFunction)(double, double);
    double mA, mB, mExpected, mTolerance;
};

} // namespace

// Published tables, which print whole degrees: hence the tolerances.
//  - NWS Wind Chill Chart (NOAA/NWS, effective 1 Nov 2001), F and mph, +-0.6.
//  - Environment Canada wind chill index table, C and km/h, +-0.6.
//  - Environment Canada humidex table, from air temperature and dew point in C, +-0.6.
//  - NWS heat index table (NOAA/NWS, Rothfusz regression), F and percent, +-1.
//  - Dew point from psychrometric tables (Smithsonian Meteorological Tables), C and percent, +-0.2 C.
TEST(DxMetFormulas, PublishedTables)
{
    const PublishedCase cases[] = {
        {DxChil, 0, 15, -19, 0.6},     {DxChil, -10, 30, -39, 0.6},   {DxChil, 30, 10, 21, 0.6},
        {DxChil, -20, 5, -34, 0.6},    {DxChil, 40, 20, 30, 0.6},     {DxCaChil, -20, 30, -33, 0.6},
        {DxCaChil, -10, 20, -18, 0.6}, {DxCaChil, -30, 50, -49, 0.6}, {DxHumi, 30, 15, 34, 0.6},
        {DxHumi, 40, 20, 48, 0.6},     {DxHumi, 25, 20, 33, 0.6},     {DxHeat, 90, 50, 95, 1.0},
        {DxHeat, 100, 40, 109, 1.0},   {DxHeat, 96, 65, 121, 1.0},    {DxHeat, 104, 55, 137, 1.0},
        {DxTdew, 20, 50, 9.3, 0.2},    {DxTdew, 30, 70, 23.9, 0.2},
    };
    for (const PublishedCase& c : cases)
        EXPECT_NEAR(c.mFunction(c.mA, c.mB), c.mExpected, c.mTolerance) << c.mA << ", " << c.mB;
}

// Goff-Gratch saturation vapour pressure over water as printed in the Smithsonian Meteorological Tables
// (List, 1951, table 94), +-0.3 percent.
TEST(DxMetFormulas, SaturationVapourPressure)
{
    const struct
    {
        double mT, mE;
    } cases[] = {{0, 6.1078}, {20, 23.373}, {30, 42.430}, {100, 1013.25}};
    for (const auto& c : cases)
        EXPECT_NEAR(DxVapr(c.mT), c.mE, c.mE * 0.003) << c.mT;
}

// Stull (2011), J. Appl. Meteor. Climatol. 50, 2267: 20 C and 50 percent give a wet bulb of 13.7 C; the
// psychrometric tables give 14.0 C for 20 C with a dew point of 10 C at 1013 mbar. +-0.5 C: the search finds the
// pseudo-adiabatic wet bulb, a few tenths below a psychrometer's.
TEST(DxMetFormulas, WetBulbAgainstPublishedValues)
{
    EXPECT_NEAR(DxWetb(20, DxTdew(20, 50), 1013.25), 13.7, 0.5);
    EXPECT_NEAR(DxWetb(20, 10, 1013), 14.0, 0.5);
}

// Bolton (1980), Mon. Wea. Rev. 108, 1046: the condensation temperature within 0.1 K of eq. 15 (the accuracy
// Bolton states for it), theta-e within 0.3 K of eq. 43 with the vapour pressure of eq. 10 and T_L of eq. 15.
// Values from tools/make_formula_references.py.
TEST(DxMetFormulas, BoltonEquations)
{
    for (const BoltonCase& c : kBoltonCases)
    {
        EXPECT_NEAR(DxTlcl(c.mT, c.mTd), c.mTlcl, 0.1) << c.mT << ", " << c.mTd;
        EXPECT_NEAR(DxThte(c.mT, c.mTd, c.mP), c.mThetaE, 0.3) << c.mT << ", " << c.mTd << ", " << c.mP;
    }
}

// The NWS/ASOS altimeter formula with its 0.3 mbar correction (values from tools/make_formula_references.py),
// +-0.6 mbar; station pressure undoes the altimeter setting.
TEST(DxMetFormulas, AltimeterSetting)
{
    for (const AltimeterCase& c : kAltimeterCases)
    {
        const double altimeter = DxPalt(c.mP, c.mZ);
        EXPECT_NEAR(altimeter, c.mAltimeter, 0.6) << c.mP << ", " << c.mZ;
        EXPECT_NEAR(DxPres(altimeter, c.mZ), c.mP, 1e-5);
    }
}

TEST(DxMetFormulas, DewPointEdges)
{
    EXPECT_NEAR(DxTdew(25, 100), 25, 1e-9);
    EXPECT_EQ(DxTdew(25, 120), 25);
    // Dry air has no dew point, rather than saturation.
    EXPECT_TRUE(std::isnan(DxTdew(25, 0)));
    EXPECT_TRUE(std::isnan(DxTdew(25, -5)));
    EXPECT_TRUE(std::isnan(DxTdew(kNaN, 50)));
    EXPECT_TRUE(std::isnan(DxTdew(25, kNaN)));

    const CxDate date(0.0);
    const double dry[] = {1013, 25, 0};
    EXPECT_TRUE(std::isnan(DxCalcVapr2(date, dry + 1)));
    EXPECT_TRUE(std::isnan(DxCalcMixr2(date, dry)));
    EXPECT_TRUE(std::isnan(DxVdef(25, 0)));

    // Saturated air: no deficit, and the mixing ratio at the dew point is the saturation value.
    const double saturated[] = {1013, 25, 100};
    EXPECT_NEAR(DxCalcMixr2(CxDate(0.0), saturated), DxMixr(1013, 25), 1e-9);
    EXPECT_NEAR(DxVdef(25, 100), 0, 1e-9);
    EXPECT_NEAR(DxRelh(25, DxTdew(25, 40)), 40, 0.5);
}

TEST(DxMetFormulas, RangeLimits)
{
    const struct
    {
        const char* mName;
        double mValue;
        bool mIsNumber;
    } cases[] = {
        {"chil at 50 F", DxChil(50, 10), true},
        {"chil at 50.1 F", DxChil(50.1, 10), false},
        {"chil at 3 mph", DxChil(20, 3), false},
        {"chil2 missing wind", DxChil2(20, kNaN), false},
        {"chil2 at 50.1 F", DxChil2(50.1, 10), false},
        {"cachil at 1 C", DxCaChil(1, 10), false},
        {"cachil missing wind", DxCaChil(-5, kNaN), false},
        {"heat at 80 F", DxHeat(80, 50), true},
        {"heat at 79.9 F", DxHeat(79.9, 50), false},
        {"humi at 19.9 C", DxHumi(19.9, 15), false},
        {"humi dew point 0", DxHumi(30, 0), false},
        {"humi below 25", DxHumi(20, 1), false},
        {"vdef at -20.1 C", DxVdef(-20.1, 50), false},
        {"vdef at 2.4 percent", DxVdef(10, 2.4), false},
        {"vdef at 2.5 percent", DxVdef(10, 2.5), true},
        {"tapp missing humidity in heat", DxTapp(90, kNaN, 5), false},
        {"thte at 10 mbar", DxThte(20, 15, 10), false},
        {"thte at 100 mbar", DxThte(20, 15, 100), true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(!std::isnan(c.mValue), c.mIsNumber) << c.mName;
}

TEST(DxMetFormulas, ComfortIndexEdges)
{
    EXPECT_EQ(DxChil2(20, 0), 20);
    EXPECT_EQ(DxChil2(20, 10), DxChil(20, 10));
    // At 0 C and 5 km/h the calm-wind form would give 0 - 1.59: the index form applies.
    EXPECT_NEAR(DxCaChil(0, 5), 13.12 - 11.37 * std::pow(5.0, 0.16), 1e-9);
    EXPECT_NEAR(DxCaChil(-10, 0), -10, 1e-12);

    // Apparent temperature: wind chill up to 50 F, the temperature up to 80 F (80 itself included), heat above.
    EXPECT_EQ(DxTapp(80, 90, 10), 80);
    EXPECT_EQ(DxTapp(60, 90, 10), 60);
    EXPECT_EQ(DxTapp(40, 50, kNaN), 40);
    EXPECT_EQ(DxTapp(40, 50, 3), 40);
    EXPECT_EQ(DxTapp(40, 50, 20), DxChil(40, 20));
    EXPECT_EQ(DxTapp(95, 50, 20), DxHeat(95, 50));
    EXPECT_TRUE(std::isnan(DxTapp(kNaN, 50, 20)));
}

TEST(DxMetFormulas, WetBulbSearch)
{
    EXPECT_EQ(DxWetb(15, 15, 1000), 15);
    // The wet bulb lies between the dew point and the temperature and the search settles within its bound, from
    // polar to desert air and up to 300 mbar (the search stops within 0.05 K of theta-e, hence the slack).
    for (double t = -40; t <= 50; t += 10)
        for (double depression : {1.0, 5.0, 15.0, 30.0})
            for (double p : {300.0, 700.0, 1050.0})
            {
                const double wet = DxWetb(t, t - depression, p);
                EXPECT_GE(wet, t - depression - 0.1) << t << ", " << depression << ", " << p;
                EXPECT_LE(wet, t + 0.1) << t << ", " << depression << ", " << p;
            }
    // The pressure at or below the vapour pressure: at the inputs, and at the first guess (40 C holds 74 mbar).
    EXPECT_TRUE(std::isnan(DxWetb(20, 10, 5)));
    EXPECT_TRUE(std::isnan(DxWetb(40, 10, 50)));
    EXPECT_TRUE(std::isnan(DxWetb(kNaN, 10, 1000)));
    EXPECT_TRUE(std::isnan(DxWetb(20, kNaN, 1000)));
    EXPECT_TRUE(std::isnan(DxWetb(20, 10, kNaN)));
}

TEST(DxMetFormulas, Wind)
{
    // From the west: eastward; from the north: southward.
    EXPECT_NEAR(DxUwnd(10, 270), 10, 1e-9);
    EXPECT_NEAR(DxVwnd(10, 270), 0, 1e-9);
    EXPECT_NEAR(DxUwnd(10, 0), 0, 1e-9);
    EXPECT_NEAR(DxVwnd(10, 0), -10, 1e-9);

    const struct
    {
        double mDirection, mSpeed, mSector;
    } roses[] = {{0, 5, 0},        {11.25, 5, 0}, {11.26, 5, 1}, {348.75, 5, 15}, {348.76, 5, 0}, {360, 5, 0},
                 {360.5, 5, kNaN}, {-10, 5, 1},   {180, 5, 8},   {180, 1, kNaN},  {kNaN, 5, kNaN}};
    for (const auto& c : roses)
    {
        const double sector = DxRose(c.mDirection, c.mSpeed);
        if (std::isnan(c.mSector))
            EXPECT_TRUE(std::isnan(sector)) << c.mDirection;
        else
            EXPECT_EQ(sector, c.mSector) << c.mDirection;
    }

    EXPECT_EQ(DxWdir(0), 0);
    EXPECT_EQ(DxWdir(15), 337.5);
    EXPECT_TRUE(std::isnan(DxWdir(16)));
    EXPECT_TRUE(std::isnan(DxWdir(-1)));
    EXPECT_TRUE(std::isnan(DxWdir(kNaN)));
    EXPECT_TRUE(std::isnan(DxWdir(1e300)));
}

TEST(DxMetFormulas, SpidClasses)
{
    const struct
    {
        double mInches, mMph, mClass;
    } cases[] = {
        // Across the wind rows' edges, a class's lower bound, the top class, and bounds shared by absent classes.
        {0.1, 14.9, 0}, {0.1, 15, 1},  {0.1, 30, 2}, {0.1, 35, 3}, {0.24, 0, 0},
        {0.25, 0, 1},   {1.49, 10, 4}, {1.5, 10, 5}, {-1, 50, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DxSpid(c.mInches, c.mMph), c.mClass) << c.mInches << " in, " << c.mMph << " mph";
    EXPECT_TRUE(std::isnan(DxSpid(kNaN, 10)));
    EXPECT_TRUE(std::isnan(DxSpid(0.5, kNaN)));
}

TEST(DxMetFormulas, TableCalculationsTakeTheirArgumentsInOrder)
{
    const CxDate date(0.0);
    const double pair[] = {12, 5};
    EXPECT_EQ(DxCalcDiff(date, pair), 7);
    const double hundredths[] = {100};
    EXPECT_NEAR(DxCalcRain(date, hundredths), 25.4, 1e-12);
    // Longitude first: 70 W 50 N lies in the grid-cell area, 50 E 70 S does not.
    const double position[] = {-70, 50};
    const double swapped[] = {50, -70};
    EXPECT_FALSE(std::isnan(DxCalcSifort(date, position)));
    EXPECT_TRUE(std::isnan(DxCalcSifort(date, swapped)));
    EXPECT_EQ(DxCalc850Mbar(date, nullptr), 850);
    EXPECT_EQ(DxCalc100Mbar(date, nullptr), 100);
    // Mixing ratio takes the pressure first, specific humidity the dew point first.
    const double pressureFirst[] = {1000, 10};
    const double dewPointFirst[] = {10, 1000};
    EXPECT_NEAR(DxCalcMixr(date, pressureFirst), 7.7, 0.1);
    EXPECT_NEAR(DxCalcSpeh(date, dewPointFirst), 0.0076, 0.0001);
    EXPECT_NEAR(DxTeff(DxDse(300)), 300, 1e-9);
}
