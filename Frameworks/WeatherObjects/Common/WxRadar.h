// Radar frames on the map: the geometry the radar product answers with under the mouse.
#pragma once

#include <vector>

// The row whose sector holds the azimuth (degrees), from the rows' start azimuths: a row reaches the next row's
// start, the last reaches the first's. Sweeps start anywhere and may turn either way, so consecutive starts are
// compared modulo 360 and the sense is the one most steps take. -1 without a match (no angles, or a non-finite
// azimuth); sectors with a non-finite end match nothing.
int WxFindRadial(const std::vector<float>& inStartAngles, double inAzimuth);

// The beam's height in kilometres above sea level at the range (km), for a sweep tilted by inTiltDegrees over a
// radar inElevationMetres high, under the four-thirds earth. NaN unless the tilt is greater than 0.
double WxBeamHeight(double inRangeKm, double inTiltDegrees, double inElevationMetres);
