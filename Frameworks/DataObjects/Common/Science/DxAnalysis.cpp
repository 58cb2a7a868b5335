#include "DxAnalysis.h"

#include "CxDebug.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>
#include <numeric>

namespace
{

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Where each nearest-neighbour search starts: a station with no neighbour nearer than its root counts as that far.
constexpr double kSeparationCap2 = 9999999.0;

inline double Distance2(double inX0, double inY0, double inX1, double inY1)
{
    const double dx = inX1 - inX0;
    const double dy = inY1 - inY0;
    return dx * dx + dy * dy;
}

// The all-pairs scan, for layouts whose extent does not fit in a double.
double ScanSeparation(const std::vector<double>& inX, const std::vector<double>& inY, std::size_t inCount)
{
    double sum = 0.0;
    std::size_t count = 0;
    for (std::size_t i = 0; i < inCount; ++i)
    {
        if (!std::isfinite(inX[i]) || !std::isfinite(inY[i]))
            continue;
        double best = kSeparationCap2;
        for (std::size_t j = 0; j < inCount; ++j)
        {
            const double r2 = Distance2(inX[i], inY[i], inX[j], inY[j]);
            if (r2 > 0.0 && r2 < best)
                best = r2;
        }
        sum += std::sqrt(best);
        ++count;
    }
    return sum / static_cast<double>(count);
}

struct BucketMember
{
    double mX;
    double mY;
    std::size_t mStation;
};

} // namespace

double DxAnalysis::MeanSeparation(const std::vector<double>& inX, const std::vector<double>& inY)
{
    const std::size_t count = std::min(inX.size(), inY.size());
    std::size_t n = 0;
    double left = 0.0, right = 0.0, bottom = 0.0, top = 0.0;
    for (std::size_t k = 0; k < count; ++k)
    {
        const double x = inX[k];
        const double y = inY[k];
        if (!std::isfinite(x) || !std::isfinite(y))
            continue;
        if (n++ == 0)
        {
            left = right = x;
            bottom = top = y;
        }
        left = std::min(left, x);
        right = std::max(right, x);
        bottom = std::min(bottom, y);
        top = std::max(top, y);
    }
    if (n == 0)
        return kNaN;
    const double width = right - left;
    const double height = top - bottom;
    if (!std::isfinite(width) || !std::isfinite(height))
        return ScanSeparation(inX, inY, count);

    // Buckets of about one station each; a line of stations gets a line of buckets.
    const double nd = static_cast<double>(n);
    double cell = std::max(std::sqrt(width) * std::sqrt(height / nd), std::max(width, height) / nd);
    if (!(cell > 0.0) || !std::isfinite(cell))
        cell = 1.0;
    const double columns = std::floor(width / cell) + 1.0;
    const double rows = std::floor(height / cell) + 1.0;
    if (!(columns * rows <= 4.0 * nd + 16.0))
        return ScanSeparation(inX, inY, count);
    const int nbx = static_cast<int>(columns);
    const int nby = static_cast<int>(rows);

    // Counting sort of the stations into their buckets; -1 marks a station without a position.
    std::vector<int> cellOf(count, -1);
    std::vector<std::size_t> start(static_cast<std::size_t>(nbx) * nby + 1, 0);
    for (std::size_t k = 0; k < count; ++k)
    {
        if (!std::isfinite(inX[k]) || !std::isfinite(inY[k]))
            continue;
        const int bx = std::min(nbx - 1, static_cast<int>((inX[k] - left) / cell));
        const int by = std::min(nby - 1, static_cast<int>((inY[k] - bottom) / cell));
        cellOf[k] = bx + by * nbx;
        ++start[cellOf[k] + 1];
    }
    std::partial_sum(start.begin(), start.end(), start.begin());
    std::vector<BucketMember> members(n);
    {
        std::vector<std::size_t> fill(start.begin(), start.end() - 1);
        for (std::size_t k = 0; k < count; ++k)
        {
            if (cellOf[k] >= 0)
                members[fill[cellOf[k]]++] = {inX[k], inY[k], k};
        }
    }

    // A station in a ring r buckets away lies at least r - 1 bucket widths away; the margin covers the rounding
    // of the bucket index, so that the search never stops short of the all-pairs minimum.
    const double reach = std::max({std::fabs(left), std::fabs(right), std::fabs(bottom), std::fabs(top)});
    const double margin = 1e-12 * (cell + reach);

    // Buckets of one row are stored one after the other, so a run of them is one range.
    auto scanRow = [&](int inRow, int inFirst, int inLast, double inX, double inY, double& ioBest)
    {
        const std::size_t row = static_cast<std::size_t>(inRow) * nbx;
        const std::size_t end = start[row + inLast + 1];
        for (std::size_t at = start[row + inFirst]; at < end; ++at)
        {
            const double r2 = Distance2(inX, inY, members[at].mX, members[at].mY);
            ioBest = (r2 > 0.0 && r2 < ioBest) ? r2 : ioBest;
        }
    };

    // Bucket by bucket, so that neighbouring stations are searched one after the other.
    std::vector<double> nearest(count);
    for (int by = 0; by < nby; ++by)
    {
        for (int bx = 0; bx < nbx; ++bx)
        {
            const std::size_t c = static_cast<std::size_t>(bx) + static_cast<std::size_t>(by) * nbx;
            const int lastRing = std::max({bx, nbx - 1 - bx, by, nby - 1 - by});
            for (std::size_t at = start[c]; at < start[c + 1]; ++at)
            {
                const double x = members[at].mX;
                const double y = members[at].mY;
                double best = kSeparationCap2;
                for (int ring = 0; ring <= lastRing; ++ring)
                {
                    const double bound = (ring - 1) * cell - margin;
                    if (bound > 0.0 && bound * bound >= best)
                        break;
                    const int first = std::max(bx - ring, 0);
                    const int last = std::min(bx + ring, nbx - 1);
                    if (by - ring >= 0)
                        scanRow(by - ring, first, last, x, y, best);
                    if (ring > 0 && by + ring < nby)
                        scanRow(by + ring, first, last, x, y, best);
                    for (int cy = std::max(by - ring + 1, 0); cy <= std::min(by + ring - 1, nby - 1); ++cy)
                    {
                        if (bx - ring >= 0)
                            scanRow(cy, bx - ring, bx - ring, x, y, best);
                        if (ring > 0 && bx + ring < nbx)
                            scanRow(cy, bx + ring, bx + ring, x, y, best);
                    }
                }
                nearest[members[at].mStation] = best;
            }
        }
    }

    // Summed in station order, as the all-pairs scan sums.
    double sum = 0.0;
    for (std::size_t k = 0; k < count; ++k)
    {
        if (cellOf[k] >= 0)
            sum += std::sqrt(nearest[k]);
    }
    return sum / nd;
}

DxAnalysis::DxAnalysis(const std::vector<double>& inX, const std::vector<double>& inY, CxSint32 inPasses)
    : mStnLocX(inX), mStnLocY(inY), mNumPass(inPasses)
{
    CxAssert(mStnLocX.size() == mStnLocY.size());
    // Stations beyond the shorter array have no position.
    const std::size_t count = std::min(mStnLocX.size(), mStnLocY.size());
    mStnLocX.resize(count);
    mStnLocY.resize(count);
    mNumStns = static_cast<CxSint32>(std::min<std::size_t>(count, std::numeric_limits<CxSint32>::max()));
    LayOutGrid();
}

void DxAnalysis::LayOutGrid()
{
    const double separation = MeanSeparation(mStnLocX, mStnLocY);
    if (std::isnan(separation))
        return; // no station with a position: no grid
    mMeanSep = separation;
    SetKappa();
    SetCutoffRadius();

    const double spacing = std::floor(0.8 * mMeanSep * 1e6 + 0.5) / 1e6;
    bool seeded = false;
    double minX = 0.0, maxX = 0.0, minY = 0.0, maxY = 0.0;
    for (CxSint32 k = 0; k < mNumStns; ++k)
    {
        const double x = mStnLocX[k];
        const double y = mStnLocY[k];
        if (!std::isfinite(x) || !std::isfinite(y))
            continue;
        if (!seeded)
        {
            minX = maxX = x;
            minY = maxY = y;
            seeded = true;
        }
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    }
    const double left = minX - spacing;
    const double bottom = minY - spacing;
    const double columns = std::floor((maxX + spacing - left) / spacing) + 2.0;
    const double rows = std::floor((maxY + spacing - bottom) / spacing) + 2.0;
    // A tiny spacing over a wide extent (or one that is not a number) would ask for an unbounded grid.
    if (!(columns * rows <= kMaxGridPoints))
    {
        char text[96];
        std::snprintf(text, sizeof text, "%.0f x %.0f points", columns, rows);
        _CxDebugOut(__FILE__, __LINE__, "Barnes grid refused", text);
        return;
    }

    mNx = static_cast<CxSint32>(columns);
    mNy = static_cast<CxSint32>(rows);
    mDx = mDy = spacing;
    mX0 = left;
    mY0 = bottom;
    mGridX.resize(mNx);
    for (CxSint32 i = 0; i < mNx; ++i)
        mGridX[i] = mX0 + i * mDx;
    mGridY.resize(mNy);
    for (CxSint32 j = 0; j < mNy; ++j)
        mGridY[j] = mY0 + j * mDy;
    const std::size_t points = static_cast<std::size_t>(mNx) * static_cast<std::size_t>(mNy);
    mGrid.assign(points, 0.0);
    mPrevGrid.assign(points, 0.0);
}

void DxAnalysis::SetKappa()
{
    const double scale = 2.0 * mMeanSep / std::numbers::pi;
    mKappa = -(scale * scale) * std::log(0.0064);
}

void DxAnalysis::SetCutoffRadius()
{
    mCutoffRadius = std::sqrt(20.0 * mKappa);
}

double DxAnalysis::Clamp(double inValue) const
{
    if (mUseUpperBound && inValue > mUpperBound)
        inValue = mUpperBound;
    if (mUseLowerBound && inValue < mLowerBound)
        inValue = mLowerBound;
    return inValue;
}

double DxAnalysis::Interpolate(double inX, double inY) const
{
    const double fx = (inX - mX0) / mDx;
    const double fy = (inY - mY0) / mDy;
    if (!(fx >= 0.0 && fy >= 0.0 && fx < mNx - 1 && fy < mNy - 1))
        return kNaN;
    const double fi = std::floor(fx);
    const double fj = std::floor(fy);
    const std::size_t i = static_cast<std::size_t>(fi);
    const std::size_t j = static_cast<std::size_t>(fj);
    const double rx = fx - fi;
    const double ry = fy - fj;
    const std::size_t at = i + j * mNx;
    return mGrid[at] * (1.0 - rx) * (1.0 - ry) + mGrid[at + 1] * rx * (1.0 - ry) + mGrid[at + mNx] * (1.0 - rx) * ry +
           mGrid[at + mNx + 1] * rx * ry;
}

// The band window is closed and a hair wider than R, so that rounding never drops a station the distance test
// would take: the distance test alone decides, exactly as in a scan of every station.
double DxAnalysis::BandWindow() const
{
    const double reach = std::max({std::fabs(mX0), std::fabs(mY0), std::fabs(mGridX.back()), std::fabs(mGridY.back())});
    return mCutoffRadius + 1e-12 * (std::fabs(mCutoffRadius) + reach);
}

void DxAnalysis::BuildBands(std::vector<DxBand>& outBands, bool inRowBands) const
{
    const std::vector<double>& lines = inRowBands ? mGridY : mGridX;
    std::vector<CxSint32> order(mPoints.size());
    std::iota(order.begin(), order.end(), 0);
    auto across = [&](CxSint32 inPoint) { return inRowBands ? mPoints[inPoint].mY : mPoints[inPoint].mX; };
    auto along = [&](CxSint32 inPoint) { return inRowBands ? mPoints[inPoint].mX : mPoints[inPoint].mY; };
    std::sort(order.begin(), order.end(),
              [&](CxSint32 inA, CxSint32 inB)
              {
                  return inRowBands ? DxDataPoint::CompareY(mPoints[inA], mPoints[inB])
                                    : DxDataPoint::CompareX(mPoints[inA], mPoints[inB]);
              });

    const double window = BandWindow();

    outBands.assign(lines.size(), DxBand());
    std::size_t lo = 0;
    std::size_t hi = 0;
    for (std::size_t b = 0; b < lines.size(); ++b)
    {
        const double line = lines[b];
        while (lo < order.size() && across(order[lo]) < line - window)
            ++lo;
        hi = std::max(hi, lo);
        while (hi < order.size() && across(order[hi]) <= line + window)
            ++hi;
        std::vector<DxBand::Entry>& entries = outBands[b].mEntries;
        entries.reserve(hi - lo);
        for (std::size_t k = lo; k < hi; ++k)
        {
            const double offset = across(order[k]) - line;
            entries.push_back({along(order[k]), offset * offset, 0.0, order[k]});
        }
        std::sort(entries.begin(), entries.end(),
                  [](const DxBand::Entry& inA, const DxBand::Entry& inB) { return inA.mAlong < inB.mAlong; });
    }
}

void DxAnalysis::RunPass(std::vector<DxBand>& ioBands, bool inRowBands)
{
    const double radius = mCutoffRadius;
    const double window = BandWindow();
    const double radius2 = radius >= 0.0 ? radius * radius : kNaN;
    const double spread = mGamma * mKappa;
    const std::vector<double>& stops = inRowBands ? mGridX : mGridY;
    const std::size_t strideBand = inRowBands ? static_cast<std::size_t>(mNx) : 1;
    const std::size_t strideStop = inRowBands ? 1 : static_cast<std::size_t>(mNx);

    for (std::size_t b = 0; b < ioBands.size(); ++b)
    {
        DxBand& band = ioBands[b];
        const std::size_t count = band.mEntries.size();
        const DxBand::Entry* entries = band.mEntries.data();
        band.mCursor = 0;
        for (std::size_t s = 0; s < stops.size(); ++s)
        {
            const double stop = stops[s];
            while (band.mCursor < count && entries[band.mCursor].mAlong < stop - window)
                ++band.mCursor;
            const double end = stop + window;
            double weights = 0.0;
            double corrections = 0.0;
            for (std::size_t k = band.mCursor; k < count && entries[k].mAlong <= end; ++k)
            {
                const double offset = entries[k].mAlong - stop;
                const double r2 = entries[k].mAcross2 + offset * offset;
                if (r2 <= radius2)
                {
                    const double w = std::exp(-r2 / spread);
                    weights += w;
                    corrections += w * entries[k].mResidual;
                }
            }
            const std::size_t at = b * strideBand + s * strideStop;
            const double previous = mPrevGrid[at];
            double value = previous;
            if (weights > 0.0)
                value = corrections / weights + (std::isnan(previous) ? 0.0 : previous);
            mGrid[at] = Clamp(value);
        }
    }
}

void DxAnalysis::Analyze(const std::vector<double>& inValues)
{
    if (!HasGrid())
        return;
    std::fill(mPrevGrid.begin(), mPrevGrid.end(), kNaN);
    std::fill(mGrid.begin(), mGrid.end(), kNaN);

    // Stations without a finite position or value take no part in any sum, so they are left out here.
    mPoints.clear();
    for (CxSint32 k = 0; k < mNumStns; ++k)
    {
        const double value = static_cast<std::size_t>(k) < inValues.size() ? inValues[k] : kNaN;
        if (std::isfinite(mStnLocX[k]) && std::isfinite(mStnLocY[k]) && std::isfinite(value))
            mPoints.push_back({mStnLocX[k], mStnLocY[k], value, 0.0});
    }

    // One band per grid line of the longer axis: rows when there are more rows, columns otherwise.
    const bool rowBands = mNy > mNx;
    std::vector<DxBand> bands;
    BuildBands(bands, rowBands);

    for (CxSint32 pass = 1; pass <= mNumPass; ++pass)
    {
        for (DxBand& band : bands)
        {
            for (DxBand::Entry& entry : band.mEntries)
            {
                const DxDataPoint& point = mPoints[entry.mPoint];
                entry.mResidual = point.mValue - point.mEstimate;
            }
        }
        RunPass(bands, rowBands);
        if (mNumPass >= 2 && pass < mNumPass)
        {
            for (DxDataPoint& point : mPoints)
            {
                const double estimate = Interpolate(point.mX, point.mY);
                if (!std::isnan(estimate))
                    point.mEstimate = estimate;
            }
            mPrevGrid = mGrid;
        }
    }
}
