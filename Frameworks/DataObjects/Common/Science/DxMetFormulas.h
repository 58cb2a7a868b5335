// Meteorological formulas behind the derived station quantities: pressure, moisture, comfort indices,
// thermodynamics and wind. Pure functions of doubles; NaN is the missing value, comes back for a missing input and
// outside each formula's range. Temperatures are in degrees Celsius and pressures in mbar unless a name says
// otherwise; the comfort indices work in degrees Fahrenheit and miles per hour.
#pragma once

class CxDate;

// One derivation's calculation: the frame's date and the argument values in the derivation's order.
using DxCalculation = double (*)(const CxDate& inDate, const double* inArgs);

// ---- Pressure
// Altimeter setting and station pressure from a pressure and an elevation in metres.
double DxPalt(double inPressure, double inElevation);
double DxPres(double inPressure, double inElevation);

// ---- Moisture
// Saturation vapour pressure over water (Goff-Gratch).
double DxVapr(double inTemperature);
// The dew point, at most the temperature; NaN for a humidity of 0 or below.
double DxTdew(double inTemperature, double inHumidity);
double DxRelh(double inTemperature, double inDewPoint);
// Grams of water per kilogram of dry air.
double DxMixr(double inPressure, double inDewPoint);
// Kilograms of water per kilogram of moist air.
double DxSpeh(double inDewPoint, double inPressure);
// NaN below -20 degrees or 2.5 percent.
double DxVdef(double inTemperature, double inHumidity);

// ---- Comfort (Fahrenheit, mph)
// NaN above 50 F or with a wind of 3 mph or less.
double DxChil(double inFahrenheit, double inMph);
// As DxChil, but the temperature itself in a wind of 3 mph or less.
double DxChil2(double inFahrenheit, double inMph);
// Celsius and km/h; NaN above 0 C.
double DxCaChil(double inTemperature, double inKmph);
// NaN below 80 F.
double DxHeat(double inFahrenheit, double inHumidity);
// Celsius; NaN below 20 C, for a dew point of 0 or below, and for an index below 25.
double DxHumi(double inTemperature, double inDewPoint);
// Wind chill up to 50 F, heat index above 80 F, else the temperature. A missing wind counts as calm.
double DxTapp(double inFahrenheit, double inHumidity, double inMph);

// ---- Thermodynamics (results in kelvin)
double DxThta(double inTemperature, double inPressure);
double DxTlcl(double inTemperature, double inDewPoint);
// NaN where the vapour pressure exceeds half the pressure.
double DxThte(double inTemperature, double inDewPoint, double inPressure);
// From a temperature in kelvin, a mixing ratio in kg/kg and a condensation temperature in kelvin.
double DxNwsThte(double inKelvin, double inPressure, double inMixingRatio, double inCondensationKelvin);
double DxTvir(double inTemperature, double inDewPoint, double inPressure);
// The temperature of the same equivalent potential temperature at saturation, in Celsius. NaN where the pressure
// does not exceed the vapour pressure and when the search does not settle.
double DxWetb(double inTemperature, double inDewPoint, double inPressure);

// ---- Wind (m/s; the direction in degrees the wind blows from)
double DxUwnd(double inSpeed, double inDirection);
double DxVwnd(double inSpeed, double inDirection);
// Sector 0 (north) to 15 of 22.5 degrees each; NaN with a wind of 1 or less.
double DxRose(double inDirection, double inSpeed);
// Degrees of a sector code 0 to 15.
double DxWdir(double inCode);
// Class 0 to 5 from a length in inches and a wind speed in mph.
double DxSpid(double inInches, double inMph);

// ---- Energies (J/kg) and conversions
double DxMse(double inKelvin, double inSpecificHumidity);
double DxDse(double inKelvin);
double DxTeff(double inEnergy);
// Hundredths of an inch to millimetres.
double DxRain(double inHundredths);

// ---- Calculations of the derivation table, arguments in its order
double DxCalcPalt(const CxDate& inDate, const double* inArgs);
double DxCalcPres(const CxDate& inDate, const double* inArgs);
double DxCalcTdew(const CxDate& inDate, const double* inArgs);
double DxCalcDiff(const CxDate& inDate, const double* inArgs);
double DxCalcVapr(const CxDate& inDate, const double* inArgs);
double DxCalcVapr2(const CxDate& inDate, const double* inArgs);
double DxCalcRelh(const CxDate& inDate, const double* inArgs);
double DxCalcChil(const CxDate& inDate, const double* inArgs);
double DxCalcChil2(const CxDate& inDate, const double* inArgs);
double DxCalcCaChil(const CxDate& inDate, const double* inArgs);
double DxCalcHeat(const CxDate& inDate, const double* inArgs);
double DxCalcHumi(const CxDate& inDate, const double* inArgs);
double DxCalcTapp(const CxDate& inDate, const double* inArgs);
double DxCalcMixr(const CxDate& inDate, const double* inArgs);
double DxCalcMixr2(const CxDate& inDate, const double* inArgs);
double DxCalcThta(const CxDate& inDate, const double* inArgs);
double DxCalcThte(const CxDate& inDate, const double* inArgs);
double DxCalcTlcl(const CxDate& inDate, const double* inArgs);
double DxCalcTvir(const CxDate& inDate, const double* inArgs);
double DxCalcUwnd(const CxDate& inDate, const double* inArgs);
double DxCalcVwnd(const CxDate& inDate, const double* inArgs);
double DxCalcSpeh(const CxDate& inDate, const double* inArgs);
double DxCalcWetb(const CxDate& inDate, const double* inArgs);
// Longitude, then latitude, in degrees.
double DxCalcSifort(const CxDate& inDate, const double* inArgs);
// The argument itself ("elev", "lat", "lon").
double DxCalcSame(const CxDate& inDate, const double* inArgs);
double DxCalcRain(const CxDate& inDate, const double* inArgs);
double DxCalcVdef(const CxDate& inDate, const double* inArgs);
double DxCalcRose(const CxDate& inDate, const double* inArgs);
double DxCalcMse(const CxDate& inDate, const double* inArgs);
double DxCalcDse(const CxDate& inDate, const double* inArgs);
double DxCalcTeff(const CxDate& inDate, const double* inArgs);
double DxCalcSpid(const CxDate& inDate, const double* inArgs);
double DxCalcWdir(const CxDate& inDate, const double* inArgs);
// Fixed pressure levels; they read no argument.
double DxCalc1000Mbar(const CxDate& inDate, const double* inArgs);
double DxCalc925Mbar(const CxDate& inDate, const double* inArgs);
double DxCalc850Mbar(const CxDate& inDate, const double* inArgs);
double DxCalc700Mbar(const CxDate& inDate, const double* inArgs);
double DxCalc500Mbar(const CxDate& inDate, const double* inArgs);
double DxCalc400Mbar(const CxDate& inDate, const double* inArgs);
double DxCalc300Mbar(const CxDate& inDate, const double* inArgs);
double DxCalc250Mbar(const CxDate& inDate, const double* inArgs);
double DxCalc200Mbar(const CxDate& inDate, const double* inArgs);
double DxCalc150Mbar(const CxDate& inDate, const double* inArgs);
double DxCalc100Mbar(const CxDate& inDate, const double* inArgs);
