#include "GxPolygon.h"

#include "CxDebug.h"
#include "GxPolygonClipper.h"
#include "GxTesselator.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
// a + b as the rounded sum and its exact error.
inline void TwoSum(double inA, double inB, double& outSum, double& outError)
{
    outSum = inA + inB;
    const double bVirtual = outSum - inA;
    const double aVirtual = outSum - bVirtual;
    outError = (inA - aVirtual) + (inB - bVirtual);
}

// The sign of the exact sum of the terms: they are added into a nonoverlapping expansion (Shewchuk's
// grow-expansion, zeros dropped), whose largest component carries the sign.
int SignOfExactSum(const double* inTerms, int inCount)
{
    double expansion[32];
    int length = 0;
    for (int t = 0; t < inCount; ++t)
    {
        double q = inTerms[t];
        int kept = 0;
        for (int i = 0; i < length; ++i)
        {
            double error;
            TwoSum(q, expansion[i], q, error);
            if (error != 0.0)
                expansion[kept++] = error;
        }
        if (q != 0.0)
            expansion[kept++] = q;
        length = kept;
    }
    return length == 0 ? 0 : (expansion[length - 1] > 0.0 ? 1 : -1);
}

// The determinant's terms: each difference is split into its rounded value and exact error, and each of the four
// products of the parts into its rounded value and its exact error by a fused multiply-add.
[[gnu::noinline]] int ExactOrientation(const GxPoint& inA, const GxPoint& inB, const GxPoint& inC)
{
    double ax, axError, ay, ayError, bx, bxError, by, byError;
    TwoSum(inA.mX, -inC.mX, ax, axError);
    TwoSum(inB.mY, -inC.mY, by, byError);
    TwoSum(inA.mY, -inC.mY, ay, ayError);
    TwoSum(inB.mX, -inC.mX, bx, bxError);
    const double left[2][2] = {{ax, axError}, {by, byError}};
    const double right[2][2] = {{ay, ayError}, {bx, bxError}};
    double terms[16];
    int count = 0;
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j)
        {
            double product = left[0][i] * left[1][j];
            terms[count++] = product;
            terms[count++] = std::fma(left[0][i], left[1][j], -product);
            product = right[0][i] * right[1][j];
            terms[count++] = -product;
            terms[count++] = -std::fma(right[0][i], right[1][j], -product);
        }
    return SignOfExactSum(terms, count);
}

// The sign of (a - c) x (b - c): positive when a, b, c turn counter-clockwise, 0 when they lie on one line. Exact
// for every finite input whose products neither overflow nor fall below the normal range: the rounded determinant
// decides when it clears Shewchuk's error bound, which it almost always does; otherwise it is summed exactly.
inline int GxOrientation(const GxPoint& inA, const GxPoint& inB, const GxPoint& inC)
{
    constexpr double kEpsilon = std::numeric_limits<double>::epsilon() / 2.0;
    constexpr double kErrorBound = (3.0 + 16.0 * kEpsilon) * kEpsilon;
    const double left = (inA.mX - inC.mX) * (inB.mY - inC.mY);
    const double right = (inA.mY - inC.mY) * (inB.mX - inC.mX);
    const double determinant = left - right;
    const double bound = kErrorBound * (std::abs(left) + std::abs(right));
    if (determinant > bound)
        return 1;
    if (-determinant > bound)
        return -1;
    return ExactOrientation(inA, inB, inC);
}
} // namespace

// ---------------------------------------------------------------------------------------------------------------
// GxPolygon

void GxPolygon::Add(const GxPoint& inPoint)
{
    if (mPoints.empty())
        mBounds = GxRect(inPoint.mX, inPoint.mY, inPoint.mX, inPoint.mY);
    else
        mBounds.ExpandToContain(inPoint);
    mPoints.push_back(inPoint);
}

void GxPolygon::Clear()
{
    mPoints.clear();
    mBounds = GxRect();
}

void GxPolygon::Close()
{
    if (!mPoints.empty() && mPoints.back() != mPoints.front())
        Add(GxPoint(mPoints.front()));
}

bool GxPolygon::Contains(const GxPoint& inPoint) const
{
    if (!IsClosed() || !mBounds.Contains(inPoint))
        return false;

    // The ray of a slope steeper than the line to any vertex, up to above the highest vertex, meets the same edges
    // as one straight up that leans right by an infinitesimal: it passes through no vertex but the point itself.
    // Against that ray a vertex lies right when it is right of the point or straight below it. An edge whose ends
    // lie on either side crosses the ray when the point lies on it or below it; an edge with both ends on one
    // side can hold the point only at an end, which then is the point. The orientation signs are exact, so the
    // count is the one exact arithmetic gives.
    const double x = inPoint.mX;
    const double y = inPoint.mY;
    const auto isRight = [x, y](const GxPoint& inVertex)
    { return inVertex.mX > x || (inVertex.mX == x && inVertex.mY < y); };

    bool inside = false;
    bool previousRight = isRight(mPoints.front());
    for (std::size_t i = 1; i < mPoints.size(); ++i)
    {
        const GxPoint& a = mPoints[i - 1];
        const GxPoint& c = mPoints[i];
        const bool right = isRight(c);
        if (right != previousRight)
        {
            const GxPoint& leftEnd = right ? a : c;
            const GxPoint& rightEnd = right ? c : a;
            if (GxOrientation(leftEnd, rightEnd, inPoint) <= 0)
                inside = !inside;
        }
        else if (a == inPoint || c == inPoint)
            inside = !inside;
        previousRight = right;
    }
    return inside;
}

void GxPolygon::Outline() const
{
    glBegin(GL_LINE_STRIP);
    for (const GxPoint& point : mPoints)
        glVertex3f(float(point.mX), float(point.mY), 0.0f);
    glEnd();
}

void GxPolygon::DrawFilled() const
{
    GxTesselator tesselator;
    tesselator.BeginPolygon();
    DrawFilled(tesselator);
    tesselator.EndPolygon();
}

void GxPolygon::DrawFilled(GxTesselator& ioTesselator) const
{
    // A position outside a projection's domain projects to NaN; GLU's sweep cannot order such a vertex.
    CxUint32 finite = 0;
    for (const GxPoint& point : mPoints)
        finite += std::isfinite(point.mX) && std::isfinite(point.mY);
    if (finite < 3)
        return;

    double* vertices = new double[3 * std::size_t(finite)];
    ioTesselator.PushVertexPointer(vertices);
    ioTesselator.BeginContour();
    for (const GxPoint& point : mPoints)
    {
        if (!std::isfinite(point.mX) || !std::isfinite(point.mY))
            continue;
        vertices[0] = point.mX;
        vertices[1] = point.mY;
        vertices[2] = 0.0;
        ioTesselator.AcceptVertex(vertices, vertices);
        vertices += 3;
    }
    ioTesselator.EndContour();
}

void GxPolygon::ClipToRectFillable(const GxRect& inRect, GxPolygonList& ioList) const
{
    std::vector<GxPoint> clipped;
    GxPolygonClipper clipper(inRect);
    clipper.Clip(mPoints, clipped);
    if (clipped.empty())
        return;
    auto polygon = std::make_unique<GxPolygon>();
    polygon->ReservePoints(CxUint32(clipped.size()));
    for (const GxPoint& point : clipped)
        polygon->Add(point);
    ioList.push_back(std::move(polygon));
}

void GxPolygon::ClipToRectUnfillable(const GxRect& inRect, GxPolygonList& ioList) const
{
    if (mPoints.empty())
        return;

    auto piece = std::make_unique<GxPolygon>();
    auto finish = [&]()
    {
        ioList.push_back(std::move(piece));
        piece = std::make_unique<GxPolygon>();
    };

    bool inside = inRect.Contains(mPoints.front());
    if (inside)
        piece->Add(mPoints.front());
    for (std::size_t i = 1; i < mPoints.size(); ++i)
    {
        const GxPoint& q = mPoints[i - 1];
        const GxPoint& p = mPoints[i];
        const bool pInside = inRect.Contains(p);
        if (!inside && !pInside)
        {
            // Both ends outside: the segment may still pass through.
            GxLineSegment segment(q, p);
            segment.ClipToRect(inRect);
            if (segment.mStart == q && segment.mEnd == p)
                continue;
            piece->Add(segment.mStart);
            piece->Add(segment.mEnd);
            finish();
            continue;
        }
        GxPoint crossing;
        if (GxLineSegment(q, p).Intersects(inRect, crossing))
            piece->Add(crossing);
        if (pInside)
        {
            piece->Add(p);
            inside = true;
        }
        else if (inside)
        {
            finish();
            inside = false;
        }
    }
    if (piece->CountPoints() > 0)
        ioList.push_back(std::move(piece));
}

// ---------------------------------------------------------------------------------------------------------------
// GxShape

GxShape::GxShape(const GxShape& inOther)
{
    Combine(inOther);
}

GxShape& GxShape::operator=(const GxShape& inOther)
{
    if (this != &inOther)
    {
        mPolygons.clear();
        Combine(inOther);
    }
    return *this;
}

GxShape::~GxShape() = default;

void GxShape::BeginData()
{
    mPolygons.clear();
}

void GxShape::AcceptVertex(bool inClose)
{
    if (mCurrent)
    {
        if (inClose)
            mCurrent->Close();
        if (mCurrent->CountPoints() > 0)
            mPolygons.push_back(std::move(mCurrent));
    }
    mCurrent = std::make_unique<GxPolygon>();
}

void GxShape::AcceptPoint(const GxPoint& inPoint)
{
    CxAssertText(mCurrent != nullptr, "mCurrent != nil");
    if (mCurrent)
        mCurrent->Add(inPoint);
}

void GxShape::EndData()
{
    if (mCurrent && mCurrent->CountPoints() > 0)
        mPolygons.push_back(std::move(mCurrent));
    mCurrent.reset();
}

void GxShape::Close()
{
    CxAssertText(mCurrent != nullptr, "mCurrent != nil");
    if (mCurrent)
        mCurrent->Close();
}

void GxShape::ReservePoints(CxUint32 inCount)
{
    CxAssertText(mCurrent != nullptr, "mCurrent != nil");
    if (mCurrent)
        mCurrent->ReservePoints(inCount);
}

CxUint32 GxShape::CountPoints() const
{
    CxUint32 count = 0;
    for (const auto& polygon : mPolygons)
        count += polygon->CountPoints();
    return count;
}

GxRect GxShape::Bounds() const
{
    if (mPolygons.empty())
        return GxRect();
    GxRect bounds = mPolygons.front()->Bounds();
    for (std::size_t i = 1; i < mPolygons.size(); ++i)
        bounds = bounds.Union(mPolygons[i]->Bounds());
    return bounds;
}

bool GxShape::IsClosed() const
{
    return std::all_of(mPolygons.begin(), mPolygons.end(), [](const auto& inPolygon) { return inPolygon->IsClosed(); });
}

void GxShape::Combine(const GxShape& inOther)
{
    // Counted first: the other shape may be this one.
    const std::size_t count = inOther.mPolygons.size();
    mPolygons.reserve(mPolygons.size() + count);
    for (std::size_t i = 0; i < count; ++i)
        mPolygons.push_back(inOther.mPolygons[i]->Copy());
}

void GxShape::Draw(GxContext& /*ioContext*/) const
{
    for (const auto& polygon : mPolygons)
        polygon->Outline();
}

std::unique_ptr<GxShape> GxShape::ClipToRect(const GxRect& inRect) const
{
    auto result = std::make_unique<GxShape>();
    GxPolygon piece;
    auto finish = [&]()
    {
        if (piece.CountPoints() > 0)
            result->mPolygons.push_back(std::make_unique<GxPolygon>(std::move(piece)));
        piece.Clear();
    };

    for (const auto& polygon : mPolygons)
    {
        const std::vector<GxPoint>& points = polygon->Points();
        bool previousVisible = false;
        GxPoint previousEnd;
        for (std::size_t i = 1; i < points.size(); ++i)
        {
            GxPoint start = points[i - 1];
            GxPoint end = points[i];
            const bool visible = inRect.ClipLine(start, end);
            if (visible)
            {
                piece.Add(start);
                if (end != points[i])
                {
                    // The line leaves the rectangle here.
                    piece.Add(end);
                    finish();
                }
                previousEnd = end;
            }
            else if (previousVisible && piece.CountPoints() > 0)
            {
                // The previous segment ended on the border; a piece it already finished gets nothing more.
                piece.Add(previousEnd);
                finish();
            }
            previousVisible = visible;
        }
        if (previousVisible && piece.CountPoints() > 0)
            piece.Add(previousEnd);
        finish();
    }
    return result;
}

std::unique_ptr<GxShape> GxShape::CreateClippedShape(const GxRect& inRect, bool inFillable) const
{
    const GxRect bounds = Bounds();
    if (inRect.Contains(bounds))
        return Copy();

    // Rectangles meet when they share any point: a straight horizontal or vertical line has bounds without area.
    auto meets = [&inRect](const GxRect& inBounds)
    {
        return inBounds.mLeft <= inRect.mRight && inRect.mLeft <= inBounds.mRight && inBounds.mBottom <= inRect.mTop &&
               inRect.mBottom <= inBounds.mTop;
    };

    auto result = std::make_unique<GxShape>();
    if (!meets(bounds))
        return result;
    for (const auto& polygon : mPolygons)
    {
        if (inRect.Contains(polygon->Bounds()))
            result->mPolygons.push_back(polygon->Copy());
        else if (!meets(polygon->Bounds()))
            continue;
        else if (inFillable)
            polygon->ClipToRectFillable(inRect, result->mPolygons);
        else
            polygon->ClipToRectUnfillable(inRect, result->mPolygons);
    }
    return result;
}

void GxShape::DownSample(double inPrecision)
{
    if (inPrecision == 0.0)
    {
        _CxDebugOut(__FILE__, __LINE__, "Bad precision", "Bad precision");
        return;
    }
    // Cells stay doubles: a huge or NaN coordinate never goes through an integer.
    for (auto& polygon : mPolygons)
    {
        auto thinned = std::make_unique<GxPolygon>();
        double lastX = 0.0;
        double lastY = 0.0;
        for (const GxPoint& point : polygon->Points())
        {
            const double cellX = std::trunc(point.mX * inPrecision);
            const double cellY = std::trunc(point.mY * inPrecision);
            if (cellX != lastX || cellY != lastY)
            {
                thinned->Add(GxPoint(cellX / inPrecision, cellY / inPrecision));
                lastX = cellX;
                lastY = cellY;
            }
        }
        polygon = std::move(thinned);
    }
}
