// Barnes successive-correction analysis of scattered station values onto a square grid, in projected kilometres.
// The grid is laid out once from the station positions; each Analyze run starts afresh from its values.
#pragma once

#include "CxTypes.h"

#include <cstddef>
#include <vector>

// One station during an analysis: where it is, what it observed, and the current analysis at that spot.
struct DxDataPoint
{
    double mX = 0.0;
    double mY = 0.0;
    double mValue = 0.0;
    double mEstimate = 0.0;

    static bool CompareX(const DxDataPoint& inA, const DxDataPoint& inB) { return inA.mX < inB.mX; }
    static bool CompareY(const DxDataPoint& inA, const DxDataPoint& inB) { return inA.mY < inB.mY; }
};

// The stations near one grid row or column, sorted along that line.
struct DxBand
{
    struct Entry
    {
        double mAlong;    // coordinate along the line
        double mAcross2;  // squared offset from the line
        double mResidual; // observation minus estimate, refreshed every pass
        CxSint32 mPoint;  // index into the analysis's data points
    };

    std::vector<Entry> mEntries;
    std::size_t mCursor = 0;
};

class DxAnalysis
{
public:
    // Largest grid laid out; a wider layout leaves the analysis without a grid.
    static constexpr double kMaxGridPoints = 4.0e6;

    DxAnalysis(const std::vector<double>& inX, const std::vector<double>& inY, CxSint32 inPasses);
    virtual ~DxAnalysis() = default;

    DxAnalysis(const DxAnalysis&) = default;
    DxAnalysis& operator=(const DxAnalysis&) = default;

    void SetNumPass(CxSint32 inPasses) { mNumPass = inPasses; }
    CxSint32 NumPass() const { return mNumPass; }

    void SetKappa();
    void SetKappa(double inKappa) { mKappa = inKappa; }
    virtual void SetCutoffRadius();
    virtual void SetCutoffRadius(double inRadius) { mCutoffRadius = inRadius; }

    // One value per station, in the order of the positions; NaN (or any non-finite value) marks a station
    // without one, as do missing values at the end. Does nothing when there is no grid; with no pass the grid
    // is all NaN.
    void Analyze(const std::vector<double>& inValues);

    bool HasGrid() const { return mNx > 0 && mNy > 0; }
    CxSint32 NumStations() const { return mNumStns; }
    CxSint32 Width() const { return mNx; }
    CxSint32 Height() const { return mNy; }
    double Dx() const { return mDx; }
    double Dy() const { return mDy; }
    double OriginX() const { return mX0; }
    double OriginY() const { return mY0; }
    const std::vector<double>& GridX() const { return mGridX; }
    const std::vector<double>& GridY() const { return mGridY; }
    // Value (i, j) at i + j * Width(); NaN where no station reaches.
    const std::vector<double>& Grid() const { return mGrid; }
    double MeanSeparation() const { return mMeanSep; }
    double Kappa() const { return mKappa; }
    double Gamma() const { return mGamma; }
    double CutoffRadius() const { return mCutoffRadius; }

    // Mean distance from each station with a finite position to its nearest neighbour at a nonzero distance,
    // each capped at sqrt(9999999) km; NaN when no position is finite. A bucket search with the exact result of
    // the all-pairs scan.
    static double MeanSeparation(const std::vector<double>& inX, const std::vector<double>& inY);

    // Clamps applied to every analysed value when switched on; the caller sets them before each run.
    double mLowerBound = 0.0;
    double mUpperBound = 0.0;
    bool mUseLowerBound = false;
    bool mUseUpperBound = false;

private:
    void LayOutGrid();
    double BandWindow() const;
    void BuildBands(std::vector<DxBand>& outBands, bool inRowBands) const;
    void RunPass(std::vector<DxBand>& ioBands, bool inRowBands);
    double Clamp(double inValue) const;
    double Interpolate(double inX, double inY) const;

    std::vector<double> mStnLocX;
    std::vector<double> mStnLocY;
    CxSint32 mNumStns = 0;
    CxSint32 mNumPass = 0;

    CxSint32 mNx = 0;
    CxSint32 mNy = 0;
    double mDx = 0.0;
    double mDy = 0.0;
    double mX0 = 0.0;
    double mY0 = 0.0;
    std::vector<double> mGridX;
    std::vector<double> mGridY;
    std::vector<double> mGrid;
    std::vector<double> mPrevGrid;

    double mMeanSep = 0.0;
    double mKappa = 1.0;
    double mGamma = 1.0;
    double mCutoffRadius = 0.0;

    std::vector<DxDataPoint> mPoints; // the current run's stations that take part in the sums
};
