// Sutherland-Hodgman clipping of a ring to an axis-aligned rectangle, so that the result can still be filled: four
// stages (right, bottom, left, top) chained at compile time, the last feeding the output list. Each stage hands
// the ring on rotated by one position (its first vertex comes last). Points on the right or top edge count as
// outside, on the left or bottom edge as inside.
#pragma once

#include "GxCoordinates.h"

#include <functional>
#include <vector>

// x = value; a point is inside when Compare(x, value).
template <class Compare> class GxVerticalBoundary
{
public:
    explicit GxVerticalBoundary(double inValue) : mValue(inValue) {}

    bool IsInside(const GxPoint& inPoint) const { return Compare()(inPoint.mX, mValue); }
    GxPoint Crossing(const GxPoint& inPrevious, const GxPoint& inPoint) const
    {
        const double dx = inPoint.mX - inPrevious.mX;
        const double dy = inPoint.mY - inPrevious.mY;
        return GxPoint(mValue, inPrevious.mY + (mValue - inPrevious.mX) * (dy / dx));
    }

private:
    double mValue;
};

// y = value; a point is inside when Compare(y, value).
template <class Compare> class GxHorizontalBoundary
{
public:
    explicit GxHorizontalBoundary(double inValue) : mValue(inValue) {}

    bool IsInside(const GxPoint& inPoint) const { return Compare()(inPoint.mY, mValue); }
    GxPoint Crossing(const GxPoint& inPrevious, const GxPoint& inPoint) const
    {
        const double dx = inPoint.mX - inPrevious.mX;
        const double dy = inPoint.mY - inPrevious.mY;
        return GxPoint(inPrevious.mX + (mValue - inPrevious.mY) * (dx / dy), mValue);
    }

private:
    double mValue;
};

// Appends what it receives to the output list.
class GxOutputStage
{
public:
    void SetOutput(std::vector<GxPoint>* ioOutput) { mOutput = ioOutput; }
    void Accept(const GxPoint& inPoint) { mOutput->push_back(inPoint); }
    void Finalize() {}

private:
    std::vector<GxPoint>* mOutput = nullptr;
};

template <class Boundary, class Next> class GxClipStage
{
public:
    GxClipStage(const Boundary& inBoundary, Next& ioNext) : mBoundary(inBoundary), mNext(ioNext) {}
    GxClipStage(const GxClipStage&) = delete;
    GxClipStage& operator=(const GxClipStage&) = delete;

    void Accept(const GxPoint& inPoint)
    {
        const bool inside = mBoundary.IsInside(inPoint);
        if (mNoVertex)
        {
            mNoVertex = false;
            mFirst = inPoint;
        }
        else if (inside)
        {
            if (!mPreviousInside)
                mNext.Accept(mBoundary.Crossing(mPrevious, inPoint));
            mNext.Accept(inPoint);
        }
        else if (mPreviousInside)
        {
            mNext.Accept(mBoundary.Crossing(mPrevious, inPoint));
        }
        mPrevious = inPoint;
        mPreviousInside = inside;
    }

    // Closes the ring with the first vertex and leaves the stage ready for the next ring.
    void Finalize()
    {
        if (!mNoVertex)
        {
            Accept(mFirst);
            mNoVertex = true;
        }
        mNext.Finalize();
    }

private:
    Boundary mBoundary;
    Next& mNext;
    bool mNoVertex = true;
    GxPoint mFirst;
    GxPoint mPrevious;
    bool mPreviousInside = false;
};

class GxPolygonClipper
{
public:
    explicit GxPolygonClipper(const GxRect& inRect);
    GxPolygonClipper(const GxPolygonClipper&) = delete;
    GxPolygonClipper& operator=(const GxPolygonClipper&) = delete;

    // Replaces the output with the input ring cut to the rectangle; empty when nothing of it lies inside.
    void Clip(const std::vector<GxPoint>& inPoints, std::vector<GxPoint>& outPoints);

private:
    using TopStage = GxClipStage<GxHorizontalBoundary<std::less<double>>, GxOutputStage>;
    using LeftStage = GxClipStage<GxVerticalBoundary<std::greater_equal<double>>, TopStage>;
    using BottomStage = GxClipStage<GxHorizontalBoundary<std::greater_equal<double>>, LeftStage>;
    using RightStage = GxClipStage<GxVerticalBoundary<std::less<double>>, BottomStage>;

    GxOutputStage mOutput;
    TopStage mTop;
    LeftStage mLeft;
    BottomStage mBottom;
    RightStage mRight;
};
