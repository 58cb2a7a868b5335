#include "DxMetFormulas.h"

#include "GxCoordinates.h"

#include <cmath>
#include <limits>

namespace
{

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kRadiansPerDegree = 0.017453292519943295;

// The wet-bulb search halves its step at every turn, so a sound input settles in a few dozen steps.
constexpr int kMaxWetbSteps = 200;

double WindChill(double inFahrenheit, double inMph)
{
    const double v = std::pow(inMph, 0.16);
    return 35.74 + 0.6215 * inFahrenheit - 35.75 * v + 0.4275 * inFahrenheit * v;
}

double HeatIndex(double inFahrenheit, double inHumidity)
{
    const double t = inFahrenheit;
    const double rh = inHumidity;
    return -42.379 + 2.04901523 * t + 10.14333127 * rh - 0.22475541 * t * rh - 0.00683783 * t * t -
           0.05481717 * rh * rh + 0.00122874 * t * t * rh + 0.00085282 * t * rh * rh - 1.99e-6 * t * t * rh * rh;
}

// Mixing ratio in kg/kg as the wet-bulb search computes it.
double WetbMixingRatio(double inVapour, double inPressure)
{
    return 621.97 * inVapour / (inPressure - inVapour) / 1000.0;
}

} // namespace

// ---- Pressure

double DxPalt(double inPressure, double inElevation)
{
    return inPressure *
           std::pow(1.0 + std::pow(1013.25 / inPressure, 0.1901631) * (inElevation / 1000.0 * 6.5 / 288.0), 5.258643);
}

double DxPres(double inPressure, double inElevation)
{
    const double a = std::pow(inPressure / 1013.25, 0.1901631) * 288.0;
    return inPressure * std::pow((a - inElevation / 1000.0 * 6.5) / a, 5.258643);
}

// ---- Moisture

double DxVapr(double inTemperature)
{
    const double k = inTemperature + 273.15;
    const double log10e = 23.832241 - 5.02808 * std::log10(k) - 1.3816e-7 * std::pow(10.0, 11.334 - 0.0303998 * k) +
                          0.0081328 * std::pow(10.0, 3.49149 - 1302.8844 / k) - 2949.076 / k;
    return std::pow(10.0, log10e);
}

double DxTdew(double inTemperature, double inHumidity)
{
    const double x = std::log(inHumidity / 100.0) + 17.502 * inTemperature / (inTemperature + 240.97);
    const double td = 240.97 * x / (17.502 - x);
    // Dry air (no logarithm) has no dew point; it is not saturated.
    if (std::isnan(td) || std::isnan(inTemperature))
        return kNaN;
    return td < inTemperature ? td : inTemperature;
}

double DxRelh(double inTemperature, double inDewPoint)
{
    return 100.0 * DxVapr(inDewPoint) / DxVapr(inTemperature);
}

double DxMixr(double inPressure, double inDewPoint)
{
    const double e = DxVapr(inDewPoint);
    return 622.0 * e / (inPressure - e);
}

double DxSpeh(double inDewPoint, double inPressure)
{
    const double e = DxVapr(inDewPoint);
    return 0.622 * e / (inPressure - 0.378 * e);
}

double DxVdef(double inTemperature, double inHumidity)
{
    if (!(inTemperature >= -20.0 && inHumidity >= 2.5))
        return kNaN;
    return DxVapr(inTemperature) - DxVapr(DxTdew(inTemperature, inHumidity));
}

// ---- Comfort

double DxChil(double inFahrenheit, double inMph)
{
    if (!(inFahrenheit <= 50.0) || !(inMph > 3.0))
        return kNaN;
    return WindChill(inFahrenheit, inMph);
}

double DxChil2(double inFahrenheit, double inMph)
{
    if (!(inFahrenheit <= 50.0) || std::isnan(inMph))
        return kNaN;
    return inMph > 3.0 ? WindChill(inFahrenheit, inMph) : inFahrenheit;
}

double DxCaChil(double inTemperature, double inKmph)
{
    if (!(inTemperature <= 0.0) || std::isnan(inKmph))
        return kNaN;
    if (inKmph >= 5.0)
    {
        const double v = std::pow(inKmph, 0.16);
        return 13.12 + 0.6215 * inTemperature - 11.37 * v + 0.3965 * inTemperature * v;
    }
    return inTemperature + 0.2 * inKmph * (0.1345 * inTemperature - 1.59);
}

double DxHeat(double inFahrenheit, double inHumidity)
{
    if (!(inFahrenheit >= 80.0))
        return kNaN;
    return HeatIndex(inFahrenheit, inHumidity);
}

double DxHumi(double inTemperature, double inDewPoint)
{
    if (!(inTemperature >= 20.0 && inDewPoint > 0.0))
        return kNaN;
    const double h =
        inTemperature + 0.5555 * (6.11 * std::exp(5417.753 * (1.0 / 273.16 - 1.0 / (inDewPoint + 273.16))) - 10.0);
    return h >= 25.0 ? h : kNaN;
}

double DxTapp(double inFahrenheit, double inHumidity, double inMph)
{
    if (inFahrenheit <= 50.0)
        return inMph > 3.0 ? WindChill(inFahrenheit, inMph) : inFahrenheit;
    if (inFahrenheit > 80.0)
        return HeatIndex(inFahrenheit, inHumidity);
    return inFahrenheit;
}

// ---- Thermodynamics

double DxThta(double inTemperature, double inPressure)
{
    return (inTemperature + 273.15) * std::pow(1000.0 / inPressure, 0.2857043322467465);
}

double DxTlcl(double inTemperature, double inDewPoint)
{
    return 2840.0 / (3.5 * std::log(inTemperature + 273.15) - std::log(DxVapr(inDewPoint)) - 4.805) + 55.0;
}

double DxThte(double inTemperature, double inDewPoint, double inPressure)
{
    if ((1.001 + 0.0034 * (inPressure - 100.0) / 900.0) * DxVapr(inDewPoint) > inPressure / 2.0)
        return kNaN;
    const double r = DxMixr(inPressure, inDewPoint) / 1000.0;
    const double theta =
        (inTemperature + 273.15) * std::pow(1000.0 / inPressure, 0.2856119402985075 * (1.0 - 0.28 * r));
    return theta * std::exp((3376.0 / DxTlcl(inTemperature, inDewPoint) - 2.54) * r * (1.0 + 0.81 * r));
}

double DxNwsThte(double inKelvin, double inPressure, double inMixingRatio, double inCondensationKelvin)
{
    const double r = inMixingRatio;
    return inKelvin * std::pow(1000.0 / inPressure, 0.2856119402985075 * (1.0 - 0.28 * r)) *
           std::exp((3376.0 / inCondensationKelvin - 2.54) * r * (1.0 + 0.81 * r));
}

double DxTvir(double inTemperature, double inDewPoint, double inPressure)
{
    return (inTemperature + 273.15) / (1.0 - 0.378 * DxVapr(inDewPoint) / inPressure);
}

double DxWetb(double inTemperature, double inDewPoint, double inPressure)
{
    const double t = inTemperature;
    const double td = inDewPoint;
    const double p = inPressure;
    const double e = DxVapr(td);
    // Without dry air left the mixing ratio has no meaning and the search would drift without end.
    if (!(p > e) || std::isnan(t))
        return kNaN;
    const double condensation = (td + 273.15) - (0.001571 * td + 0.212 - 0.000436 * t) * (t - td);
    const double target = DxNwsThte(t + 273.15, p, WetbMixingRatio(e, p), condensation);

    double guess = t;
    double step = 10.0;
    double direction = 1.0;
    for (int i = 0; i < kMaxWetbSteps; ++i)
    {
        const double saturated = DxVapr(guess);
        if (!(p > saturated))
            return kNaN;
        const double theta = DxNwsThte(guess + 273.15, p, WetbMixingRatio(saturated, p), condensation);
        const double difference = target - theta;
        if (std::isnan(difference))
            return kNaN;
        if (std::fabs(difference) <= 0.05)
            return guess;
        const double turn = theta <= target ? 1.0 : -1.0;
        if (turn != direction)
        {
            direction = turn;
            step *= 0.5;
        }
        guess += direction * step;
    }
    return kNaN;
}

// ---- Wind

double DxUwnd(double inSpeed, double inDirection)
{
    return inSpeed * std::sin(-inDirection * kRadiansPerDegree);
}

double DxVwnd(double inSpeed, double inDirection)
{
    return -std::cos(inDirection * kRadiansPerDegree) * inSpeed;
}

double DxRose(double inDirection, double inSpeed)
{
    const double d = inDirection;
    if (std::isnan(d) || !(inSpeed > 1.0))
        return kNaN;
    if ((d >= 0.0 && d <= 11.25) || (d > 348.75 && d <= 360.0))
        return 0.0;
    for (int k = 1; k <= 15; ++k)
    {
        if (d <= 22.5 * k + 11.25)
            return k;
    }
    return kNaN;
}

double DxWdir(double inCode)
{
    const double code = std::trunc(inCode);
    if (!(code >= 0.0 && code <= 15.0))
        return kNaN;
    return 22.5 * code;
}

double DxSpid(double inInches, double inMph)
{
    // Lower bounds of classes 1 to 5 per wind row; a class that does not occur shares the next one's bound.
    static constexpr double kBounds[4][5] = {
        {0.25, 0.5, 0.75, 1.0, 1.5}, // below 15 mph
        {0.1, 0.25, 0.5, 0.75, 1.0}, // 15 to 25
        {0.1, 0.1, 0.25, 0.5, 0.75}, // 25 to 35
        {0.1, 0.1, 0.1, 0.25, 0.5},  // 35 and more
    };
    if (std::isnan(inInches) || std::isnan(inMph))
        return kNaN;
    const int row = inMph < 15.0 ? 0 : inMph < 25.0 ? 1 : inMph < 35.0 ? 2 : 3;
    int level = 0;
    while (level < 5 && inInches >= kBounds[row][level])
        ++level;
    return level;
}

// ---- Energies and conversions

double DxMse(double inKelvin, double inSpecificHumidity)
{
    return 1004.0 * inKelvin + 2.5e6 * inSpecificHumidity;
}

double DxDse(double inKelvin)
{
    return 1004.0 * inKelvin;
}

double DxTeff(double inEnergy)
{
    return inEnergy / 1004.0;
}

double DxRain(double inHundredths)
{
    return 0.01 * inHundredths * 25.4;
}

// ---- Calculations of the derivation table

double DxCalcPalt(const CxDate&, const double* inArgs)
{
    return DxPalt(inArgs[0], inArgs[1]);
}

double DxCalcPres(const CxDate&, const double* inArgs)
{
    return DxPres(inArgs[0], inArgs[1]);
}

double DxCalcTdew(const CxDate&, const double* inArgs)
{
    return DxTdew(inArgs[0], inArgs[1]);
}

double DxCalcDiff(const CxDate&, const double* inArgs)
{
    return inArgs[0] - inArgs[1];
}

double DxCalcVapr(const CxDate&, const double* inArgs)
{
    return DxVapr(inArgs[0]);
}

double DxCalcVapr2(const CxDate&, const double* inArgs)
{
    return DxVapr(DxTdew(inArgs[0], inArgs[1]));
}

double DxCalcRelh(const CxDate&, const double* inArgs)
{
    return DxRelh(inArgs[0], inArgs[1]);
}

double DxCalcChil(const CxDate&, const double* inArgs)
{
    return DxChil(inArgs[0], inArgs[1]);
}

double DxCalcChil2(const CxDate&, const double* inArgs)
{
    return DxChil2(inArgs[0], inArgs[1]);
}

double DxCalcCaChil(const CxDate&, const double* inArgs)
{
    return DxCaChil(inArgs[0], inArgs[1]);
}

double DxCalcHeat(const CxDate&, const double* inArgs)
{
    return DxHeat(inArgs[0], inArgs[1]);
}

double DxCalcHumi(const CxDate&, const double* inArgs)
{
    return DxHumi(inArgs[0], inArgs[1]);
}

double DxCalcTapp(const CxDate&, const double* inArgs)
{
    return DxTapp(inArgs[0], inArgs[1], inArgs[2]);
}

double DxCalcMixr(const CxDate&, const double* inArgs)
{
    return DxMixr(inArgs[0], inArgs[1]);
}

double DxCalcMixr2(const CxDate&, const double* inArgs)
{
    return DxMixr(inArgs[0], DxTdew(inArgs[1], inArgs[2]));
}

double DxCalcThta(const CxDate&, const double* inArgs)
{
    return DxThta(inArgs[0], inArgs[1]);
}

double DxCalcThte(const CxDate&, const double* inArgs)
{
    return DxThte(inArgs[0], inArgs[1], inArgs[2]);
}

double DxCalcTlcl(const CxDate&, const double* inArgs)
{
    return DxTlcl(inArgs[0], inArgs[1]);
}

double DxCalcTvir(const CxDate&, const double* inArgs)
{
    return DxTvir(inArgs[0], inArgs[1], inArgs[2]);
}

double DxCalcUwnd(const CxDate&, const double* inArgs)
{
    return DxUwnd(inArgs[0], inArgs[1]);
}

double DxCalcVwnd(const CxDate&, const double* inArgs)
{
    return DxVwnd(inArgs[0], inArgs[1]);
}

double DxCalcSpeh(const CxDate&, const double* inArgs)
{
    return DxSpeh(inArgs[0], inArgs[1]);
}

double DxCalcWetb(const CxDate&, const double* inArgs)
{
    return DxWetb(inArgs[0], inArgs[1], inArgs[2]);
}

double DxCalcSifort(const CxDate&, const double* inArgs)
{
    return GxPosition().FromDegrees(inArgs[0], inArgs[1]).AsSifort();
}

double DxCalcSame(const CxDate&, const double* inArgs)
{
    return inArgs[0];
}

double DxCalcRain(const CxDate&, const double* inArgs)
{
    return DxRain(inArgs[0]);
}

double DxCalcVdef(const CxDate&, const double* inArgs)
{
    return DxVdef(inArgs[0], inArgs[1]);
}

double DxCalcRose(const CxDate&, const double* inArgs)
{
    return DxRose(inArgs[0], inArgs[1]);
}

double DxCalcMse(const CxDate&, const double* inArgs)
{
    return DxMse(inArgs[0], inArgs[1]);
}

double DxCalcDse(const CxDate&, const double* inArgs)
{
    return DxDse(inArgs[0]);
}

double DxCalcTeff(const CxDate&, const double* inArgs)
{
    return DxTeff(inArgs[0]);
}

double DxCalcSpid(const CxDate&, const double* inArgs)
{
    return DxSpid(inArgs[0], inArgs[1]);
}

double DxCalcWdir(const CxDate&, const double* inArgs)
{
    return DxWdir(inArgs[0]);
}

double DxCalc1000Mbar(const CxDate&, const double*)
{
    return 1000.0;
}

double DxCalc925Mbar(const CxDate&, const double*)
{
    return 925.0;
}

double DxCalc850Mbar(const CxDate&, const double*)
{
    return 850.0;
}

double DxCalc700Mbar(const CxDate&, const double*)
{
    return 700.0;
}

double DxCalc500Mbar(const CxDate&, const double*)
{
    return 500.0;
}

double DxCalc400Mbar(const CxDate&, const double*)
{
    return 400.0;
}

double DxCalc300Mbar(const CxDate&, const double*)
{
    return 300.0;
}

double DxCalc250Mbar(const CxDate&, const double*)
{
    return 250.0;
}

double DxCalc200Mbar(const CxDate&, const double*)
{
    return 200.0;
}

double DxCalc150Mbar(const CxDate&, const double*)
{
    return 150.0;
}

double DxCalc100Mbar(const CxDate&, const double*)
{
    return 100.0;
}
