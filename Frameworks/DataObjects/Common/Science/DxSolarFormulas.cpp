#include "DxSolarFormulas.h"

#include "CxDate.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kRadiansPerDegree = 0.017453292519943295;
constexpr double kDegreesPerRadian = 57.29577951308232;
// 15 degrees of hour angle per hour.
constexpr double kRadiansPerHour = 0.2617993877991494;
constexpr double kSolarConstant = 1376.0;

// Precipitable-water factor of the transmittance model, January to December.
constexpr double kWaterFactor[12] = {3.04, 3.04, 3.11, 3.11, 3.11, 2.92, 2.92, 2.92, 2.94, 2.94, 2.94, 3.04};
// Ozone path of the second model, January to December.
constexpr double kOzone[12] = {0.01, 0.1, 0.2, 1.0, 2.0, 3.5, 3.5, 4.0, 2.0, 1.0, 0.1, 0.1};

// The value for a month, truncated; NaN for a month the table has no entry for.
double MonthlyValue(const double (&inTable)[12], double inMonth)
{
    const double month = std::trunc(inMonth);
    if (!(month >= 1.0 && month <= 12.0))
        return kNaN;
    return inTable[static_cast<int>(month) - 1];
}

// Keeps NaN.
double Clamp(double inValue, double inLow, double inHigh)
{
    return inValue < inLow ? inLow : inValue > inHigh ? inHigh : inValue;
}

double DayAngle(double inDayOfYear)
{
    return (inDayOfYear - 1.0) * 0.01721420632103996;
}

double TimeEquation(double inDayAngle)
{
    const double g = inDayAngle;
    return (0.000075 + 0.001868 * std::cos(g) - 0.032077 * std::sin(g) - 0.014615 * std::cos(2.0 * g) -
            0.04089 * std::sin(2.0 * g)) *
               229.18 / 60.0 -
           12.0;
}

double CosZenith(double inDeclination, double inLatitude, double inHourAngle)
{
    const double lat = inLatitude * kRadiansPerDegree;
    return std::sin(inDeclination) * std::sin(lat) + std::cos(inDeclination) * std::cos(lat) * std::cos(inHourAngle);
}

double HourAngle(double inTimeEquation, double inLongitude, double inHour)
{
    return (inTimeEquation + inLongitude / 15.0 + inHour) * kRadiansPerHour;
}

// The frame's date plus a whole number of seconds, split in UTC; false for a missing offset.
bool SplitDate(const CxDate& inDate, double inOffset, CxDateFields& outFields, double& outHours)
{
    if (!std::isfinite(inOffset))
        return false;
    outFields = (inDate + std::trunc(inOffset)).AsFields(0);
    outHours = outFields.mHour + outFields.mMinute / 60.0 + outFields.mSecond / 3600.0;
    return true;
}

} // namespace

// ---- Solar geometry

double DxDeclin(double inDayOfYear)
{
    const double g = DayAngle(inDayOfYear);
    return 0.006918 - 0.399912 * std::cos(g) + 0.070257 * std::sin(g) - 0.006758 * std::cos(2.0 * g) +
           0.000907 * std::sin(2.0 * g) - 0.002697 * std::cos(3.0 * g) + 0.00148 * std::sin(3.0 * g);
}

double DxSunEar(double inDayOfYear)
{
    const double g = DayAngle(inDayOfYear);
    return 1.00011 + 0.034221 * std::cos(g) + 0.00128 * std::sin(g) + 0.000719 * std::cos(2.0 * g) +
           0.000077 * std::sin(2.0 * g);
}

double DxTimeEq(double inDayOfYear)
{
    return TimeEquation(DayAngle(inDayOfYear));
}

// ---- Clear-sky radiation

double DxSwTrans(double inPressure, double inDewPointF, double inMonth, double inCosZenith)
{
    const double water = MonthlyValue(kWaterFactor, inMonth);
    if (std::isnan(water))
        return kNaN;
    const double a = 0.000949 * inPressure + 0.051;
    const double airMass = 35.0 / std::sqrt(1224.0 * inCosZenith * inCosZenith + 1.0);
    const double rayleigh = Clamp(1.021 - 0.084 * std::sqrt(a * airMass), 0.0, 1.0);
    const double u = Clamp(std::exp(0.1133 - std::log(water + 1.0) + 0.0393 * inDewPointF), 0.1, 6.0);
    const double vapour = Clamp(1.0 - 0.077 * std::pow(u * airMass, 0.3), 0.0, 1.0);
    const double aerosol = std::pow(0.935, airMass);
    return aerosol * vapour * rayleigh;
}

double DxSflx(double inLatitude, double inLongitude, double inElevation, double inDewPointF, double inDayOfYear,
              double inMonth, double inHour)
{
    const double pressure = 1013.25 * std::pow((288.0 - 0.0065 * inElevation) / 288.0, 5.2558528428093645);
    const double cosZ =
        CosZenith(DxDeclin(inDayOfYear), inLatitude, HourAngle(DxTimeEq(inDayOfYear), inLongitude, inHour));
    return DxSwTrans(pressure, inDewPointF, inMonth, cosZ) * cosZ * DxSunEar(inDayOfYear) * kSolarConstant;
}

double DxExsr(double inDayOfYear, double inHour, double inLatitude, double inLongitude)
{
    const double sunEarth = DxSunEar(inDayOfYear);
    const double cosZ =
        CosZenith(DxDeclin(inDayOfYear), inLatitude, HourAngle(DxTimeEq(inDayOfYear), inLongitude, inHour));
    double top = sunEarth * kSolarConstant * cosZ;
    if (top < 0.0)
        top = 0.0;
    const double beam = top > 0.0 ? top * std::exp(-8000.0 * 3e-05 / (top / kSolarConstant / sunEarth)) : 0.0;
    return (beam + 0.95 * top) / 2.0;
}

double DxExsr2(double inMonth, double inDayOfYear, double inHour, double inLatitude, double inLongitude,
               double inKelvin, double inHumidity, double inPressure)
{
    const double ozone = MonthlyValue(kOzone, inMonth);
    if (std::isnan(inKelvin) || std::isnan(inHumidity) || std::isnan(inPressure) || std::isnan(ozone))
        return kNaN;
    const double day = inDayOfYear > 365.0 ? 365.0 : inDayOfYear;
    const double g = (day - 1.0) * 6.283185307179586 / 365.0;
    const double declination = 0.006918 - 0.399912 * std::cos(g) + 0.07025 * std::sin(g) -
                               0.006758 * std::cos(2.0 * g) + 0.000907 * std::sin(2.0 * g) -
                               0.002697 * std::cos(3.0 * g) + 0.00148 * std::sin(3.0 * g);
    const double cosZ = CosZenith(declination, inLatitude, HourAngle(TimeEquation(g), inLongitude, inHour));
    if (cosZ < 0.0)
        return 0.0;

    const double p = inPressure;
    // Rounding can put the cosine a hair above 1.
    const double zenith = std::acos(std::min(cosZ, 1.0)) * kDegreesPerRadian;
    const double m = 1.0 / (cosZ + 0.15 * std::pow(93.885 - zenith, -1.25));
    const double mp = m * p / 1013.0;

    const double t = 0.35 * std::exp(-0.2661 * mp) + 0.2758 * std::exp(-0.3538 * mp);
    const double ta = std::exp(-std::pow(t, 0.873) * (1.0 + t - std::pow(t, 0.7088)) * std::pow(m, 0.9108));
    const double taa = 1.0 - 0.0933 * (1.0 - ta) * (1.0 - m + std::pow(m, 1.06));
    const double tas = 1.0 - ta / taa;

    const double e = 0.611 * std::exp(5423.0 * (0.003663003663003663 - 1.0 / inKelvin)) * inHumidity / 100.0;
    const double w = (0.622 * e / (0.1 * p - e)) / 9810.0 * 0.1 * p * 100.0 * m;
    const double tw = 1.0 - 2.4959 * w / (std::pow(1.0 + 79.034 * w, 0.6828) + 6.385 * w);

    const double x = m * ozone;
    const double to =
        1.0 - 0.1611 * x * std::pow(1.0 + 139.48 * x, -0.3035) - 0.002715 * x / (1.0 + 0.044 * x + 0.0003 * x * x);
    const double tr = std::exp(-0.0903 * std::pow(mp, 0.84) * (1.0 + mp - std::pow(mp, 1.01)));
    const double tum = std::exp(-0.0127 * std::pow(mp, 0.26));

    const double direct = cosZ * 1367.0 * 0.9662 * tr * to * tum * tw * ta;
    const double scattered =
        cosZ * 1367.0 * 0.79 * to * tw * tum * taa * (0.5 * (1.0 - tr) + 0.82 * tas) / (1.0 - m + std::pow(m, 1.02));
    const double total = (direct + scattered) / (1.0 - 0.2 * (0.0685 + 0.18000000000000005 * tas));
    return total < 0.0 ? 0.0 : total;
}

// ---- Surface energy

double DxNonMissingAverage(double inA, double inB)
{
    if (std::isnan(inA))
        return inB;
    if (std::isnan(inB))
        return inA;
    return (inA + inB) * 0.5;
}

double DxGhfc(double inA, double inB)
{
    return DxNonMissingAverage(inA, inB);
}

double DxGhfs(double inTemperature1, double inTemperature2, double inWaterContent)
{
    return (4.18e6 * inWaterContent + 957300.0) * 0.05 * DxNonMissingAverage(inTemperature1, inTemperature2) / 300.0;
}

double DxLwRad(double inThermopile, double inKelvin1, double inKelvin2)
{
    return inThermopile + 5.67e-8 * std::pow(DxNonMissingAverage(inKelvin1, inKelvin2), 4.0);
}

double DxRn4w(double inA, double inB, double inC, double inD)
{
    return inA + inB - inC - inD;
}

double DxRsid(double inA, double inB, double inC, double inD)
{
    return inA - inB - inC - inD;
}

double DxGhfx(double inA, double inB)
{
    return inA + inB;
}

double DxShfc(double inCovariance, double inPressure, double inKelvin)
{
    return 100.0 * inPressure / (287.0 * inKelvin) * 1004.0 * inCovariance;
}

double DxSwin(double inFlux)
{
    if (std::isnan(inFlux))
        return kNaN;
    return inFlux > 0.0 || inFlux < -20.0 ? inFlux : 0.0;
}

double DxSkin(double inTemperature, double inDifference)
{
    const double x = inDifference;
    const double q = x * x;
    const double k = -0.25 / (49.9092 + 0.59237 * x + 0.00558 * q);
    const double u = inTemperature - (4.2828 + 0.4248 * x - 0.00077 * q);
    return inTemperature + k * (u * u - (52.0705 - 5.3816 * x + 0.387 * q));
}

// ---- Soil

double DxTsoi(double inVolts)
{
    // 0 V and 5 V are a shorted or an open thermistor.
    if (!(inVolts > 0.0 && inVolts < 5.0))
        return kNaN;
    const double resistance = 56000.0 * inVolts / (5.0 - inVolts);
    return 1.0 / (std::log(resistance / 10000.0) * 0.0002564102564102564 + 0.0033540164346805303) - 273.15;
}

double DxMp(double inRise)
{
    return -0.717 * std::exp(1.788 * inRise);
}

double DxCmp(double inPotential)
{
    if (inPotential < -400.0)
        return 1.0;
    if (inPotential < -100.0)
        return 2.0;
    if (inPotential < -30.0)
        return 3.0;
    if (inPotential < 0.0)
        return 4.0;
    return kNaN;
}

double DxFwi(double inRise)
{
    return (3.96 - inRise) / 2.58;
}

double DxVwc(double inPotential, double inResidual, double inSaturated, double inAlpha, double inN)
{
    return inResidual +
           (inSaturated - inResidual) / std::pow(1.0 + std::pow(inPotential / -100.0 * inAlpha, inN), 1.0 - 1.0 / inN);
}

double DxDiode(double inVolts, double inTemperature)
{
    const double kelvin = inTemperature + 273.2;
    const double k = 11600.0 / kelvin;
    const double c =
        6.283185307179586 * std::sqrt(k / 2.0) * std::exp((0.755 - 0.001372 * kelvin) * k) / 432.4787396209459;
    const double q = c * c * inVolts * inVolts;
    return std::log(q * (std::log(inVolts * q) / (2.0 * k) + inVolts)) / (2.0 * k) + inVolts;
}

double DxSmx2(double inVolts1, double inVolts2, double inVolts3, double inTemperature, double inSoilType)
{
    if (std::isnan(inVolts1) || std::isnan(inVolts2) || std::isnan(inVolts3) || std::isnan(inTemperature) ||
        std::isnan(inSoilType))
        return kNaN;
    const double type = std::trunc(inSoilType);
    if (!(type >= 1.0 && type <= 3.0))
        return 0.0;

    const double reference = DxDiode(inVolts1, inTemperature);
    double a = DxDiode(inVolts2, inTemperature) / reference;
    const double b = DxDiode(inVolts3, inTemperature) / reference;
    const double b2 = b * b;
    const double bigB = (4.0 * a * a - 3.0 * b2 - 1.0) * 0.25 / (0.0160535249 * b2);
    if (b > 0.92)
        a = std::sqrt((3.0 * b2 + 1.0) * 0.25);
    const double a2 = a * a;
    const double bigA = std::sqrt(std::fabs(16.0 * a2 * a2 - 8.0 * a2 * b2 - 8.0 * a2 + 1.0 - 2.0 * b2 + b2 * b2)) /
                        (b2 * 204.4 * 314159000.0 * 1e-12);

    const double n = bigA * bigA + bigB * bigB;
    const double conductance = 3183.101550488765 * bigB / n;
    const double susceptance = -3183.101550488765 * bigA / n;

    const double e1 = susceptance - 0.4561049458529297;
    const double f = 1.0 - susceptance / -418.8291513801007;
    const double g = conductance / -418.8291513801007;
    const double h = f * f + g * g;
    const double x = (conductance * f + g * e1) / h;
    const double y = (f * e1 - g * conductance) / h - 2.4109632966299634;

    double permittivity = -1828.4531081395091 * y / (x * x + y * y);
    if (permittivity < 3.0)
        permittivity += 0.12 * (3.0 - permittivity);
    permittivity = 1.011 * permittivity / (1.045 - 0.00225 * inTemperature);

    const double ep = 1.011 * permittivity;
    double c = 0.0;
    double d = 0.0;
    if (type == 1.0)
    {
        c = 3.216 * ep - 8.63 - 0.0954 * ep * ep;
        d = 0.001579 * ep * ep * ep;
    }
    else if (type == 2.0)
    {
        c = 3.819 * ep - 13.04 - 0.09129 * ep * ep;
        d = 0.0007342 * ep * ep * ep;
    }
    else
    {
        c = 6.553 * ep - 20.93 - 0.2464 * ep * ep;
        d = 0.0032414 * ep * ep * ep;
    }
    const double percent = c + d;
    if (std::isnan(percent))
        return kNaN;
    return std::max(0.0, percent) / 100.0;
}

double DxSmx(double inVolts1, double inVolts2, double inVolts3, double inThermistorVolts, double inSoilType)
{
    return DxSmx2(inVolts1, inVolts2, inVolts3, DxTsoi(inThermistorVolts), inSoilType);
}

// ---- Calculations of the derivation table

double DxCalcExsr(const CxDate& inDate, const double* inArgs)
{
    CxDateFields fields;
    double hours = 0.0;
    if (!SplitDate(inDate, inArgs[0], fields, hours))
        return kNaN;
    return DxExsr(fields.mDayOfYear, hours, inArgs[1], inArgs[2]);
}

double DxCalcExsr2(const CxDate& inDate, const double* inArgs)
{
    CxDateFields fields;
    double hours = 0.0;
    if (!SplitDate(inDate, inArgs[0], fields, hours))
        return kNaN;
    return DxExsr2(fields.mMonth, fields.mDayOfYear, hours, inArgs[1], inArgs[2], inArgs[3], inArgs[4], inArgs[5]);
}

double DxCalcSflx(const CxDate&, const double* inArgs)
{
    return DxSflx(inArgs[0], inArgs[1], inArgs[2], inArgs[3], inArgs[4], inArgs[5], inArgs[6]);
}

double DxCalcGhfc(const CxDate&, const double* inArgs)
{
    return DxGhfc(inArgs[0], inArgs[1]);
}

double DxCalcGhfs(const CxDate&, const double* inArgs)
{
    return DxGhfs(inArgs[0], inArgs[1], inArgs[2]);
}

double DxCalcLwRad(const CxDate&, const double* inArgs)
{
    return DxLwRad(inArgs[0], inArgs[1], inArgs[2]);
}

double DxCalcRn4w(const CxDate&, const double* inArgs)
{
    return DxRn4w(inArgs[0], inArgs[1], inArgs[2], inArgs[3]);
}

double DxCalcShfc(const CxDate&, const double* inArgs)
{
    return DxShfc(inArgs[0], inArgs[1], inArgs[2]);
}

double DxCalcRsid(const CxDate&, const double* inArgs)
{
    return DxRsid(inArgs[0], inArgs[1], inArgs[2], inArgs[3]);
}

double DxCalcSwin(const CxDate&, const double* inArgs)
{
    return DxSwin(inArgs[0]);
}

double DxCalcGhfx(const CxDate&, const double* inArgs)
{
    return DxGhfx(inArgs[0], inArgs[1]);
}

double DxCalcSkin(const CxDate&, const double* inArgs)
{
    return DxSkin(inArgs[0], inArgs[1]);
}

double DxCalcTsoi(const CxDate&, const double* inArgs)
{
    return DxTsoi(inArgs[0]);
}

double DxCalcMp(const CxDate&, const double* inArgs)
{
    return DxMp(inArgs[0]);
}

double DxCalcCmp(const CxDate&, const double* inArgs)
{
    return DxCmp(inArgs[0]);
}

double DxCalcFwi(const CxDate&, const double* inArgs)
{
    return DxFwi(inArgs[0]);
}

double DxCalcVwc(const CxDate&, const double* inArgs)
{
    return DxVwc(inArgs[0], inArgs[1], inArgs[2], inArgs[3], inArgs[4]);
}

double DxCalcSmx(const CxDate&, const double* inArgs)
{
    return DxSmx(inArgs[0], inArgs[1], inArgs[2], inArgs[3], inArgs[4]);
}

double DxCalcSmx2(const CxDate&, const double* inArgs)
{
    return DxSmx2(inArgs[0], inArgs[1], inArgs[2], inArgs[3], inArgs[4]);
}
