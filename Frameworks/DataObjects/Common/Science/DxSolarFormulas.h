// Clear-sky solar radiation, surface energy fluxes and soil sensor readings behind the derived station quantities.
// Pure functions of doubles; NaN is the missing value. Angles are in radians, latitudes and longitudes in degrees
// (east and north positive), days of the year start at 1, hours are UTC, fluxes in W/m2.
#pragma once

class CxDate;

// ---- Solar geometry (Spencer's series)
double DxDeclin(double inDayOfYear);
// The square of the mean over the actual sun-earth distance.
double DxSunEar(double inDayOfYear);
// The equation of time in hours, less 12: add the longitude / 15 and the UTC hour to get the hour angle.
double DxTimeEq(double inDayOfYear);

// ---- Clear-sky radiation
// Transmittance of the atmosphere for a pressure in mbar, a dew point in Fahrenheit, a month 1 to 12 and the
// cosine of the zenith angle; NaN for any other month.
double DxSwTrans(double inPressure, double inDewPointF, double inMonth, double inCosZenith);
// Negative while the sun is below the horizon.
double DxSflx(double inLatitude, double inLongitude, double inElevation, double inDewPointF, double inDayOfYear,
              double inMonth, double inHour);
double DxExsr(double inDayOfYear, double inHour, double inLatitude, double inLongitude);
// Bird and Hulstrom's model, from the air temperature in kelvin, the humidity in percent and the pressure in mbar.
double DxExsr2(double inMonth, double inDayOfYear, double inHour, double inLatitude, double inLongitude,
               double inKelvin, double inHumidity, double inPressure);

// ---- Surface energy
// The mean of the values that are not missing.
double DxNonMissingAverage(double inA, double inB);
double DxGhfc(double inA, double inB);
// Heat stored above the plates from two soil temperatures in Celsius and the water content (volume fraction).
double DxGhfs(double inTemperature1, double inTemperature2, double inWaterContent);
// Long-wave radiation from the thermopile reading and two case temperatures in kelvin.
double DxLwRad(double inThermopile, double inKelvin1, double inKelvin2);
double DxRn4w(double inA, double inB, double inC, double inD);
double DxRsid(double inA, double inB, double inC, double inD);
double DxGhfx(double inA, double inB);
// From a vertical flux in cm/s, the pressure in mbar and the air temperature in kelvin.
double DxShfc(double inCovariance, double inPressure, double inKelvin);
// Night-time offsets of a pyranometer (down to -20) become 0.
double DxSwin(double inFlux);
// Skin temperature from the sensor's body temperature and its reading difference, in Celsius.
double DxSkin(double inTemperature, double inDifference);

// ---- Soil
// Celsius from a thermistor's divider voltage; NaN unless 0 < v < 5.
double DxTsoi(double inVolts);
// Matric potential in kPa from a heat-pulse temperature rise, and its class 1 (driest) to 4.
double DxMp(double inRise);
double DxCmp(double inPotential);
double DxFwi(double inRise);
// Van Genuchten's water content from a matric potential in kPa.
double DxVwc(double inPotential, double inResidual, double inSaturated, double inAlpha, double inN);
double DxDiode(double inVolts, double inTemperature);
// Volume fraction from a sensor's three voltages, the soil temperature in Celsius and the soil type 1 to 3 (any
// other type gives 0).
double DxSmx2(double inVolts1, double inVolts2, double inVolts3, double inTemperature, double inSoilType);
// As DxSmx2 with the temperature from a thermistor voltage.
double DxSmx(double inVolts1, double inVolts2, double inVolts3, double inThermistorVolts, double inSoilType);

// ---- Calculations of the derivation table, arguments in its order
// An offset in seconds from the frame's date, latitude, longitude.
double DxCalcExsr(const CxDate& inDate, const double* inArgs);
// As "exsr", then temperature, humidity, pressure.
double DxCalcExsr2(const CxDate& inDate, const double* inArgs);
double DxCalcSflx(const CxDate& inDate, const double* inArgs);
double DxCalcGhfc(const CxDate& inDate, const double* inArgs);
double DxCalcGhfs(const CxDate& inDate, const double* inArgs);
double DxCalcLwRad(const CxDate& inDate, const double* inArgs);
double DxCalcRn4w(const CxDate& inDate, const double* inArgs);
double DxCalcShfc(const CxDate& inDate, const double* inArgs);
double DxCalcRsid(const CxDate& inDate, const double* inArgs);
double DxCalcSwin(const CxDate& inDate, const double* inArgs);
double DxCalcGhfx(const CxDate& inDate, const double* inArgs);
double DxCalcSkin(const CxDate& inDate, const double* inArgs);
double DxCalcTsoi(const CxDate& inDate, const double* inArgs);
double DxCalcMp(const CxDate& inDate, const double* inArgs);
double DxCalcCmp(const CxDate& inDate, const double* inArgs);
double DxCalcFwi(const CxDate& inDate, const double* inArgs);
double DxCalcVwc(const CxDate& inDate, const double* inArgs);
double DxCalcSmx(const CxDate& inDate, const double* inArgs);
double DxCalcSmx2(const CxDate& inDate, const double* inArgs);
