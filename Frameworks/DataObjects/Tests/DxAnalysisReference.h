// Slow, plain references for the Barnes analysis, shared by its tests and its benchmark.
#pragma once

#include "DxAnalysis.h"

#include <vector>

// The all-pairs mean separation: for each station with a finite position, the nearest other station at a
// nonzero squared distance below 9999999, summed in station order.
double DxAllPairsSeparation(const std::vector<double>& inX, const std::vector<double>& inY);

// The analysis on the layout's grid (size, origin, spacing, kappa, gamma, radius, passes and bounds), visiting
// every station for every grid point.
std::vector<double> DxBruteForceAnalysis(const DxAnalysis& inLayout, const std::vector<double>& inX,
                                         const std::vector<double>& inY, const std::vector<double>& inValues);

// The bilinear value of a grid laid out as inLayout's at (inX, inY); NaN outside it or next to a NaN corner.
double DxGridValueAt(const DxAnalysis& inLayout, const std::vector<double>& inGrid, double inX, double inY);

// Largest |a - b| over points where both are numbers; infinity when one is NaN where the other is not.
double DxMaxDifference(const std::vector<double>& inA, const std::vector<double>& inB);
