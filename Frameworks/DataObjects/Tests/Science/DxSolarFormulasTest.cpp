#include "DxSolarFormulas.h"

#include "CxDate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Day of year, noon UTC at 40 N on the prime meridian, 25 C, 50 percent, sea level.
double JuneNoon(double inMonth, double inDay, double inHumidity = 50)
{
    return DxExsr2(inMonth, inDay, 12, 40, 0, 298.15, inHumidity, 1013.25);
}

} // namespace

// Spencer (1971), Search 2(5), 172, against almanac values (Astronomical Almanac):
//  - declination at the solstices +-0.4091 rad (+-0.001);
//  - equation of time on 11 February -14.2 min and on 3 November +16.4 min (+-0.6 min);
//  - (r0/r)^2 at perihelion (3 January) 1.0343 and at aphelion (4 July) 0.9674 (+-0.001).
TEST(DxSolarFormulas, SpencerAgainstAlmanac)
{
    EXPECT_NEAR(DxDeclin(172), 0.4091, 0.001);
    EXPECT_NEAR(DxDeclin(355), -0.4091, 0.001);
    EXPECT_NEAR((DxTimeEq(42) + 12) * 60, -14.2, 0.6);
    EXPECT_NEAR((DxTimeEq(307) + 12) * 60, 16.4, 0.6);
    EXPECT_NEAR(DxSunEar(3), 1.0343, 0.001);
    EXPECT_NEAR(DxSunEar(185), 0.9674, 0.001);

    // The series' own values, to five places.
    EXPECT_NEAR(DxDeclin(172), 0.40932, 5e-6);
    EXPECT_NEAR(DxDeclin(355), -0.40875, 5e-6);
    EXPECT_NEAR(DxSunEar(1), 1.03505, 5e-6);
}

// Bird and Hulstrom (1981), SERI/TR-642-761: global irradiance at a clear June noon at sea level, 40 N, between
// 900 and 1000 W/m2.
TEST(DxSolarFormulas, BirdClearSkyNoon)
{
    const double noon = JuneNoon(6, 172);
    EXPECT_GT(noon, 900);
    EXPECT_LT(noon, 1000);
    // Moister air lets less through.
    EXPECT_LT(JuneNoon(6, 172, 100), noon);
}

TEST(DxSolarFormulas, SecondModelEdges)
{
    EXPECT_TRUE(std::isnan(JuneNoon(6, 172, kNaN)));
    EXPECT_TRUE(std::isnan(DxExsr2(6, 172, 12, 40, 0, kNaN, 50, 1013.25)));
    EXPECT_TRUE(std::isnan(DxExsr2(6, 172, 12, 40, 0, 298.15, 50, kNaN)));
    EXPECT_EQ(DxExsr2(6, 172, 0, 40, 0, 298.15, 50, 1013.25), 0);
    EXPECT_EQ(JuneNoon(12, 366), JuneNoon(12, 365));
    EXPECT_EQ(JuneNoon(6.9, 172), JuneNoon(6, 172));
    // Months the ozone table has no entry for.
    for (double month : {0.0, 13.0, -1.0, kNaN, 1e300})
        EXPECT_TRUE(std::isnan(JuneNoon(month, 172))) << month;
}

TEST(DxSolarFormulas, FirstModelAndFlux)
{
    // Night at 40 N: midnight on the prime meridian.
    EXPECT_EQ(DxExsr(172, 0, 40, 0), 0);
    // Local noon 105 W is 19 UTC; the model stays below the top of the atmosphere.
    const double noon = DxExsr(172, 19, 40, -105);
    EXPECT_GT(noon, 900);
    EXPECT_LT(noon, DxSunEar(172) * 1376);
    EXPECT_NEAR(noon, DxExsr(172, 12, 40, 0), 30);

    EXPECT_LT(DxSflx(40, 0, 0, 50, 172, 6, 0), 0);
    const double flux = DxSflx(40, 0, 0, 50, 172, 6, 12);
    EXPECT_GT(flux, 800);
    EXPECT_LT(flux, DxSunEar(172) * 1376);
    // Thinner air at altitude lets more through.
    EXPECT_GT(DxSflx(40, 0, 3000, 50, 172, 6, 12), flux);
    for (double month : {0.0, 13.0, kNaN})
    {
        EXPECT_TRUE(std::isnan(DxSflx(40, 0, 0, 50, 172, month, 12))) << month;
        EXPECT_TRUE(std::isnan(DxSwTrans(1013, 50, month, 1))) << month;
    }
    EXPECT_EQ(DxSwTrans(1013, 50, 12.7, 0.5), DxSwTrans(1013, 50, 12, 0.5));
    const double clear = DxSwTrans(1013, 50, 6, 1);
    EXPECT_GT(clear, 0.5);
    EXPECT_LT(clear, 1.0);
}

TEST(DxSolarFormulas, TableCalculationsSplitTheDateInUtc)
{
    // 2009-06-21 00:00 UTC plus 12 h and a fraction that is dropped.
    const CxDate midsummer(2009, 6, 21, 0, 0, 0, 0);
    const double args[] = {43200.9, 40, 0, 298.15, 50, 1013.25};
    EXPECT_EQ(DxCalcExsr2(midsummer, args), DxExsr2(6, 172, 12, 40, 0, 298.15, 50, 1013.25));
    EXPECT_EQ(DxCalcExsr(midsummer, args), DxExsr(172, 12, 40, 0));

    // An offset that crosses into July, and minutes and seconds in the hour.
    const CxDate lateJune(2009, 6, 30, 11, 0, 0, 0);
    const double july[] = {86400 + 30 * 60 + 36, 40, 0, 298.15, 50, 1013.25};
    EXPECT_EQ(DxCalcExsr2(lateJune, july), DxExsr2(7, 182, 11.51, 40, 0, 298.15, 50, 1013.25));

    const double missing[] = {kNaN, 40, 0, 298.15, 50, 1013.25};
    EXPECT_TRUE(std::isnan(DxCalcExsr(midsummer, missing)));
    EXPECT_TRUE(std::isnan(DxCalcExsr2(midsummer, missing)));
}

TEST(DxSolarFormulas, SurfaceEnergy)
{
    EXPECT_EQ(DxNonMissingAverage(kNaN, 4), 4);
    EXPECT_EQ(DxNonMissingAverage(4, kNaN), 4);
    EXPECT_EQ(DxNonMissingAverage(2, 4), 3);
    EXPECT_TRUE(std::isnan(DxNonMissingAverage(kNaN, kNaN)));
    // One plate or case sensor missing: the other stands for both.
    EXPECT_EQ(DxGhfs(kNaN, 20, 0.3), DxGhfs(20, 20, 0.3));
    EXPECT_EQ(DxLwRad(-50, 290, kNaN), DxLwRad(-50, 290, 290));

    const struct
    {
        double mIn, mOut;
    } swin[] = {{-5, 0}, {0, 0}, {-20, 0}, {-25, -25}, {300, 300}};
    for (const auto& c : swin)
        EXPECT_EQ(DxSwin(c.mIn), c.mOut) << c.mIn;
    EXPECT_TRUE(std::isnan(DxSwin(kNaN)));

    // Net radiation in minus out; the residual is what the fluxes leave of it.
    EXPECT_EQ(DxRn4w(800, 300, 100, 400), 600);
    EXPECT_EQ(DxRsid(600, 100, 300, 150), 50);
}

TEST(DxSolarFormulas, SoilThermistor)
{
    // Closed forms: 10 kOhm is 25 C exactly; 56 kOhm from the beta equation is -9.70 C.
    EXPECT_NEAR(DxTsoi(50.0 / 66.0), 25.00, 0.005);
    EXPECT_NEAR(DxTsoi(2.5), -9.70, 0.005);
    // A shorted or open sensor reads no temperature.
    for (double volts : {0.0, 5.0, -0.1, 5.1, kNaN})
        EXPECT_TRUE(std::isnan(DxTsoi(volts))) << volts;
}

TEST(DxSolarFormulas, MatricPotential)
{
    const struct
    {
        double mPotential, mClass;
    } classes[] = {{-500, 1}, {-400, 2}, {-101, 2}, {-100, 3}, {-31, 3},
                   {-30, 4},  {-0.1, 4}, {0, kNaN}, {5, kNaN}, {kNaN, kNaN}};
    for (const auto& c : classes)
    {
        if (std::isnan(c.mClass))
            EXPECT_TRUE(std::isnan(DxCmp(c.mPotential))) << c.mPotential;
        else
            EXPECT_EQ(DxCmp(c.mPotential), c.mClass) << c.mPotential;
    }
    EXPECT_LT(DxMp(1.0), DxMp(0.5));
    // Van Genuchten: saturated at no suction, towards the residual content at high suction.
    EXPECT_NEAR(DxVwc(-0.0, 0.05, 0.45, 0.5, 1.8), 0.45, 1e-12);
    EXPECT_NEAR(DxVwc(-1e6, 0.05, 0.45, 0.5, 1.8), 0.05, 0.01);
}

TEST(DxSolarFormulas, SoilMoisture)
{
    const double wet[] = {DxSmx2(0.6, 0.5, 0.5, 20, 1), DxSmx2(0.6, 0.5, 0.5, 20, 2), DxSmx2(0.6, 0.5, 0.5, 20, 3)};
    for (double content : wet)
    {
        EXPECT_GT(content, 0.05);
        EXPECT_LT(content, 0.5);
    }
    EXPECT_NE(wet[0], wet[1]);
    EXPECT_NE(wet[1], wet[2]);
    EXPECT_EQ(DxSmx2(0.6, 0.5, 0.5, 20, 1.9), wet[0]);
    // Another soil type, and a reading whose polynomial is negative.
    EXPECT_EQ(DxSmx2(0.6, 0.5, 0.5, 20, 4), 0);
    EXPECT_EQ(DxSmx2(0.6, 0.5, 0.5, 20, 0), 0);
    EXPECT_EQ(DxSmx2(0.7, 0.5, 0.3, 20, 1), 0);
    EXPECT_TRUE(std::isnan(DxSmx2(0.6, 0.5, 0.5, 20, kNaN)));
    EXPECT_TRUE(std::isnan(DxSmx2(0.6, kNaN, 0.5, 20, 4)));

    EXPECT_EQ(DxSmx(0.6, 0.5, 0.5, 50.0 / 66.0, 2), DxSmx2(0.6, 0.5, 0.5, DxTsoi(50.0 / 66.0), 2));
    EXPECT_TRUE(std::isnan(DxSmx(0.6, 0.5, 0.5, 0.0, 2)));
    EXPECT_TRUE(std::isnan(DxSmx(0.6, 0.5, 0.5, 5.0, 2)));
}
