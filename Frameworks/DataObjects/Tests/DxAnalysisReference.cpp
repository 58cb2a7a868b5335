#include "DxAnalysisReference.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

namespace
{
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}

double DxAllPairsSeparation(const std::vector<double>& inX, const std::vector<double>& inY)
{
    const std::size_t n = std::min(inX.size(), inY.size());
    double sum = 0.0;
    std::size_t count = 0;
    for (std::size_t i = 0; i < n; ++i)
    {
        if (!std::isfinite(inX[i]) || !std::isfinite(inY[i]))
            continue;
        double best = 9999999.0;
        for (std::size_t j = 0; j < n; ++j)
        {
            const double dx = inX[j] - inX[i];
            const double dy = inY[j] - inY[i];
            const double r2 = dx * dx + dy * dy;
            if (r2 > 0.0 && r2 < best)
                best = r2;
        }
        sum += std::sqrt(best);
        ++count;
    }
    return count == 0 ? kNaN : sum / static_cast<double>(count);
}

double DxGridValueAt(const DxAnalysis& inLayout, const std::vector<double>& inGrid, double inX, double inY)
{
    const int nx = inLayout.Width();
    const int ny = inLayout.Height();
    const double dx = inLayout.Dx();
    const double dy = inLayout.Dy();
    const double px = inX - inLayout.OriginX();
    const double py = inY - inLayout.OriginY();
    if (!(px >= 0.0 && py >= 0.0))
        return kNaN;
    const double ci = std::floor(px / dx);
    const double cj = std::floor(py / dy);
    if (!(ci <= nx - 2 && cj <= ny - 2))
        return kNaN;
    const int i = static_cast<int>(ci);
    const int j = static_cast<int>(cj);
    const double rx = px - i * dx;
    const double ry = py - j * dy;
    const double v00 = inGrid[i + j * nx];
    const double v10 = inGrid[i + 1 + j * nx];
    const double v01 = inGrid[i + (j + 1) * nx];
    const double v11 = inGrid[i + 1 + (j + 1) * nx];
    return (v00 * (dx - rx) * (dy - ry) + v10 * rx * (dy - ry) + v01 * (dx - rx) * ry + v11 * rx * ry) / (dx * dy);
}

std::vector<double> DxBruteForceAnalysis(const DxAnalysis& inLayout, const std::vector<double>& inX,
                                         const std::vector<double>& inY, const std::vector<double>& inValues)
{
    const int nx = inLayout.Width();
    const int ny = inLayout.Height();
    const std::size_t n = std::min(inX.size(), inY.size());
    std::vector<double> grid(static_cast<std::size_t>(nx) * ny, kNaN);
    std::vector<double> previous(grid.size(), kNaN);
    std::vector<double> estimates(n, 0.0);
    const double radius = inLayout.CutoffRadius();
    const double radius2 = radius >= 0.0 ? radius * radius : kNaN;
    const double spread = inLayout.Gamma() * inLayout.Kappa();
    const int passes = inLayout.NumPass();

    for (int pass = 1; pass <= passes; ++pass)
    {
        for (int j = 0; j < ny; ++j)
        {
            const double gy = inLayout.OriginY() + j * inLayout.Dy();
            for (int i = 0; i < nx; ++i)
            {
                const double gx = inLayout.OriginX() + i * inLayout.Dx();
                double weights = 0.0;
                double corrections = 0.0;
                for (std::size_t k = 0; k < n; ++k)
                {
                    const double value = k < inValues.size() ? inValues[k] : kNaN;
                    if (!std::isfinite(value) || !std::isfinite(inX[k]) || !std::isfinite(inY[k]))
                        continue;
                    const double dx = inX[k] - gx;
                    const double dy = inY[k] - gy;
                    const double r2 = dx * dx + dy * dy;
                    if (!(r2 <= radius2))
                        continue;
                    const double w = std::exp(-r2 / spread);
                    weights += w;
                    corrections += w * (value - estimates[k]);
                }
                const std::size_t at = static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * nx;
                double value = previous[at];
                if (weights > 0.0)
                    value = corrections / weights + (std::isnan(previous[at]) ? 0.0 : previous[at]);
                if (inLayout.mUseUpperBound && value > inLayout.mUpperBound)
                    value = inLayout.mUpperBound;
                if (inLayout.mUseLowerBound && value < inLayout.mLowerBound)
                    value = inLayout.mLowerBound;
                grid[at] = value;
            }
        }
        if (passes >= 2 && pass < passes)
        {
            for (std::size_t k = 0; k < n; ++k)
            {
                const double estimate = DxGridValueAt(inLayout, grid, inX[k], inY[k]);
                if (!std::isnan(estimate))
                    estimates[k] = estimate;
            }
            previous = grid;
        }
    }
    return grid;
}

double DxMaxDifference(const std::vector<double>& inA, const std::vector<double>& inB)
{
    if (inA.size() != inB.size())
        return std::numeric_limits<double>::infinity();
    double largest = 0.0;
    for (std::size_t k = 0; k < inA.size(); ++k)
    {
        if (std::isnan(inA[k]) != std::isnan(inB[k]))
            return std::numeric_limits<double>::infinity();
        if (!std::isnan(inA[k]))
            largest = std::max(largest, std::fabs(inA[k] - inB[k]));
    }
    return largest;
}
