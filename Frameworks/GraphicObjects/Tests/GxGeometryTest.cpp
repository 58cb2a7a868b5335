#include "CxDebug.h"
#include "GxCoordinates.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace
{

std::string Text(const CxString& inString)
{
    return inString.AsUtf8();
}

void ExpectRect(const GxRect& inRect, double inLeft, double inBottom, double inRight, double inTop)
{
    EXPECT_DOUBLE_EQ(inRect.mLeft, inLeft);
    EXPECT_DOUBLE_EQ(inRect.mBottom, inBottom);
    EXPECT_DOUBLE_EQ(inRect.mRight, inRight);
    EXPECT_DOUBLE_EQ(inRect.mTop, inTop);
}

// An independent clip (Liang-Barsky) to check the outcode clipper against.
bool LiangBarsky(const GxRect& inRect, GxPoint& ioA, GxPoint& ioB)
{
    const double dx = ioB.mX - ioA.mX;
    const double dy = ioB.mY - ioA.mY;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {ioA.mX - inRect.mLeft, inRect.mRight - ioA.mX, ioA.mY - inRect.mBottom, inRect.mTop - ioA.mY};
    double t0 = 0.0;
    double t1 = 1.0;
    for (int i = 0; i < 4; ++i)
    {
        if (p[i] == 0.0)
        {
            if (q[i] < 0.0)
                return false;
            continue;
        }
        const double r = q[i] / p[i];
        if (p[i] < 0.0)
        {
            if (r > t1)
                return false;
            t0 = std::max(t0, r);
        }
        else
        {
            if (r < t0)
                return false;
            t1 = std::min(t1, r);
        }
    }
    const GxPoint a = ioA;
    ioA = GxPoint(a.mX + t0 * dx, a.mY + t0 * dy);
    ioB = GxPoint(a.mX + t1 * dx, a.mY + t1 * dy);
    return true;
}

} // namespace

TEST(GxPointTest, ArithmeticDistanceAndText)
{
    GxPoint p(1.5, -2.0);
    EXPECT_EQ(Text(p.AsString()), "1.500,-2.000");
    EXPECT_EQ(Text(GxPoint(-0.0004, 2.0005).AsString()), "0.000,2.001");

    GxPoint q = p + GxPoint(1.0, 1.0);
    q -= GxPoint(0.5, 0.5);
    q += GxPoint(1.0, 0.5);
    EXPECT_EQ(-q, GxPoint(-3.0, 1.0));

    EXPECT_DOUBLE_EQ(GxPoint(0, 0).DistanceFromPoint(GxPoint(3, -4)), 5.0);
    EXPECT_EQ(GxPoint(-2, 4).Midpoint(GxPoint(4, 0)), GxPoint(1, 2));

    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(GxPoint(nan, 0).IsEqualTo(GxPoint(nan, 0)));
}

TEST(GxPointTest, PinInsideAndMap)
{
    const GxRect r(0, 0, 10, 5);
    EXPECT_EQ(GxPoint(-3, 7).Pin(r), GxPoint(0, 5));
    EXPECT_EQ(GxPoint(12, -1).Pin(r), GxPoint(10, 0));
    EXPECT_EQ(GxPoint(4, 3).Pin(r), GxPoint(4, 3));
    // Left and bottom first, then right and top: in a reversed rectangle right and top win.
    EXPECT_EQ(GxPoint(5, 5).Pin(GxRect(8, 8, 2, 2)), GxPoint(2, 2));

    EXPECT_TRUE(GxPoint(0, 5).IsInside(r));
    EXPECT_TRUE(GxPoint(10, 0).IsInside(r));
    EXPECT_FALSE(GxPoint(10.0000001, 0).IsInside(r));

    // No clamping: points outside the source land outside the target.
    const GxRect from(0, 0, 100, 100);
    const GxRect to(10, 20, 210, 420);
    EXPECT_EQ(GxPoint(50, 50).Map(from, to), GxPoint(110, 220));
    EXPECT_EQ(GxPoint(-50, 150).Map(from, to), GxPoint(-90, 620));
    EXPECT_EQ(GxPoint(0, 100).Map(from, GxRect(0, 100, 100, 0)), GxPoint(0, 0)); // flipped axis
}

TEST(GxPointTest, CalcMLogsEqualX)
{
    EXPECT_DOUBLE_EQ(CalcM(GxPoint(1, 1), GxPoint(3, 5)), 2.0);
    CxDebugCapture capture;
    EXPECT_TRUE(std::isinf(CalcM(GxPoint(1, 1), GxPoint(1, 5))));
    EXPECT_EQ(capture.Count(), 1u);
}

TEST(GxRectTest, EmptinessAndContainment)
{
    ExpectRect(GxRect(GxPoint(3, 5), GxPoint(1, 9)), 1, 5, 3, 9);
    ExpectRect(GxRect(4, 3, 2, 1), 4, 3, 2, 1); // not normalised

    const GxRect zero(0, 0, 0, 0);
    EXPECT_TRUE(zero.IsEmpty());
    EXPECT_TRUE(zero.Contains(GxPoint(0, 0)));
    EXPECT_TRUE(GxRect(0, 0, 1, 0).IsEmpty());
    EXPECT_TRUE(GxRect(2, 0, 1, 1).IsEmpty());
    EXPECT_FALSE(GxRect(0, 0, 1, 1).IsEmpty());

    GxRect r(-2, 1, 6, 5);
    EXPECT_EQ(r.Center(), GxPoint(2, 3));
    EXPECT_EQ(r.TopLeft(), GxPoint(-2, 5));
    EXPECT_EQ(r.RightCenter(), GxPoint(6, 3));
    r.SetWidth(3);
    r.SetHeight(1);
    ExpectRect(r, -2, 1, 1, 2);

    const GxRect outer(0, 0, 10, 10);
    EXPECT_TRUE(outer.Contains(GxRect(0, 0, 10, 10)));
    EXPECT_TRUE(outer.Contains(GxRect(2, 3, 4, 5)));
    EXPECT_FALSE(outer.Contains(GxRect(2, 3, 4, 11)));
    EXPECT_TRUE(GxRect(2, 3, 4, 5).IsInside(outer));
    EXPECT_FALSE(outer.IsInside(GxRect(2, 3, 4, 5)));
    EXPECT_TRUE(outer.Contains(GxPoint(10, 10)));
    EXPECT_FALSE(outer.Contains(GxPoint(-0.001, 5)));
}

TEST(GxRectTest, MovingAndResizing)
{
    GxRect r(0, 0, 100, 50);
    r.ExpandByPercentage(10);
    ExpectRect(r, -10, -5, 110, 55);

    r = GxRect(0, 0, 10, 4);
    r.CenterOn(GxPoint(0, 0));
    ExpectRect(r, -5, -2, 5, 2);
    r.Normalize();
    ExpectRect(r, 0, 0, 10, 4);

    r.Inset(1, 0.5);
    ExpectRect(r, 1, 0.5, 9, 3.5);
    r.Outset(2, 1);
    ExpectRect(r, -1, -0.5, 11, 4.5);

    r = GxRect(0, 0, 1, 1);
    r.ExpandToContain(GxPoint(-2, 3));
    r.ExpandToContain(GxPoint(0.5, 0.5));
    ExpectRect(r, -2, 0, 1, 3);
}

TEST(GxRectTest, UnionIntersectionAndText)
{
    // No special case for an empty rectangle: the union still reaches the origin.
    ExpectRect(GxRect().Union(GxRect(5, 5, 10, 10)), 0, 0, 10, 10);
    ExpectRect(GxRect(0, 0, 2, 2).Union(GxRect(-1, 1, 1, 3)), -1, 0, 2, 3);

    ExpectRect(GxRect(0, 0, 4, 4).Intersection(GxRect(2, 1, 6, 3)), 2, 1, 4, 3);
    EXPECT_TRUE(GxRect(0, 0, 4, 4).Intersects(GxRect(2, 1, 6, 3)));

    // Sharing an edge or a corner, or apart: no area.
    const struct
    {
        GxRect mOther;
    } cases[] = {{GxRect(4, 0, 8, 4)}, {GxRect(0, 4, 4, 8)}, {GxRect(4, 4, 8, 8)}, {GxRect(5, 5, 8, 8)}};
    for (const auto& c : cases)
    {
        ExpectRect(GxRect(0, 0, 4, 4).Intersection(c.mOther), 0, 0, 0, 0);
        EXPECT_FALSE(GxRect(0, 0, 4, 4).Intersects(c.mOther));
    }

    EXPECT_EQ(Text(GxRect(-1.5, 0, 2.25, 1e6).AsString()), "-1.500,0.000,2.250,1000000.000");
}

TEST(GxRectTest, ClipCodes)
{
    const GxRect r(0, 0, 10, 10);
    const struct
    {
        GxPoint mPoint;
        CxUint32 mCode;
    } cases[] = {
        {GxPoint(5, 5), 0},  {GxPoint(0, 10), 0},  {GxPoint(-1, 5), 1},   {GxPoint(11, 5), 2},  {GxPoint(5, -1), 4},
        {GxPoint(5, 11), 8}, {GxPoint(-1, -1), 5}, {GxPoint(11, 11), 10}, {GxPoint(-1, 11), 9}, {GxPoint(11, -1), 6},
    };
    for (const auto& c : cases)
        EXPECT_EQ(r.CalcClipCode(c.mPoint), c.mCode) << c.mPoint.mX << "," << c.mPoint.mY;
}

TEST(GxRectTest, ClipLineSpecialCases)
{
    const struct
    {
        const char* mName;
        GxPoint mA, mB;
        bool mVisible;
        GxPoint mOutA, mOutB;
    } cases[] = {
        {"wholly left, untouched", {-5, 1}, {-1, 9}, false, {-5, 1}, {-1, 9}},
        {"through a corner only", {-5, 5}, {5, -5}, false, {0, 0}, {0, 0}},
        {"inside, edges included", {0, 0}, {10, 3}, true, {0, 0}, {10, 3}},
    };
    for (const auto& c : cases)
    {
        GxPoint a = c.mA, b = c.mB;
        EXPECT_EQ(GxRect(0, 0, 10, 10).ClipLine(a, b), c.mVisible) << c.mName;
        EXPECT_EQ(a, c.mOutA) << c.mName;
        EXPECT_EQ(b, c.mOutB) << c.mName;
    }
}

TEST(GxRectTest, ClipLineAgreesWithLiangBarsky)
{
    std::mt19937_64 random(20240613);
    std::uniform_real_distribution<double> coordinate(-60.0, 80.0);
    const GxRect r(-10, -5, 25, 40);
    int visible = 0;
    for (int i = 0; i < 5000; ++i)
    {
        const GxPoint a(coordinate(random), coordinate(random));
        const GxPoint b(coordinate(random), coordinate(random));
        GxPoint ca = a, cb = b, la = a, lb = b;
        const bool clipped = r.ClipLine(ca, cb);
        const bool expected = LiangBarsky(r, la, lb);
        ASSERT_EQ(clipped, expected) << i;
        if (!expected)
            continue;
        ++visible;
        EXPECT_NEAR(ca.mX, la.mX, 1e-9) << i;
        EXPECT_NEAR(ca.mY, la.mY, 1e-9) << i;
        EXPECT_NEAR(cb.mX, lb.mX, 1e-9) << i;
        EXPECT_NEAR(cb.mY, lb.mY, 1e-9) << i;
    }
    // Both outcomes well represented.
    EXPECT_GT(visible, 500);
    EXPECT_LT(visible, 4500);
}

TEST(GxLineSegmentTest, SegmentIntersections)
{
    const GxLineSegment flat(GxPoint(0, 0), GxPoint(2, 0));
    GxPoint p(99, 99);
    EXPECT_TRUE(GxLineSegment(GxPoint(0, 0), GxPoint(4, 4)).Intersects(GxLineSegment(GxPoint(0, 4), GxPoint(4, 0)), p));
    EXPECT_EQ(p, GxPoint(2, 2));

    // Touching at an end counts.
    EXPECT_TRUE(flat.Intersects(GxLineSegment(GxPoint(2, -1), GxPoint(2, 1)), p));
    EXPECT_EQ(p, GxPoint(2, 0));

    // Parallel (also collinear) and crossing only when extended: false, point untouched.
    p = GxPoint(99, 99);
    EXPECT_FALSE(flat.Intersects(GxLineSegment(GxPoint(0, 1), GxPoint(2, 1)), p));
    EXPECT_FALSE(flat.Intersects(GxLineSegment(GxPoint(1, 0), GxPoint(3, 0)), p));
    const GxLineSegment diagonal(GxPoint(0, 0), GxPoint(1, 1));
    EXPECT_FALSE(diagonal.Intersects(GxLineSegment(GxPoint(3, 0), GxPoint(2, 1)), p));
    EXPECT_FALSE(GxLineSegment().Intersects(GxLineSegment(), p));
    EXPECT_EQ(p, GxPoint(99, 99));
}

TEST(GxLineSegmentTest, RectangleCrossingsInEdgeOrder)
{
    const GxRect r(0, 0, 10, 10);
    GxPoint p;
    // A vertical line through top and bottom answers the top crossing.
    EXPECT_TRUE(GxLineSegment(GxPoint(3, -5), GxPoint(3, 15)).Intersects(r, p));
    EXPECT_EQ(p, GxPoint(3, 10));
    // Through right and left: right comes first.
    EXPECT_TRUE(GxLineSegment(GxPoint(-5, 4), GxPoint(15, 4)).Intersects(r, p));
    EXPECT_EQ(p, GxPoint(10, 4));
    // Through left and bottom: left.
    EXPECT_TRUE(GxLineSegment(GxPoint(-2, 3), GxPoint(3, -2)).Intersects(r, p));
    EXPECT_EQ(p, GxPoint(0, 1));
    EXPECT_FALSE(GxLineSegment(GxPoint(2, 2), GxPoint(8, 8)).Intersects(r, p));
    EXPECT_FALSE(GxLineSegment(GxPoint(-2, 2), GxPoint(-8, 8)).Intersects(r, p));
}

TEST(GxLineSegmentTest, ClipToRect)
{
    const GxRect r(0, 0, 10, 10);
    const struct
    {
        GxLineSegment mIn;
        GxLineSegment mOut;
    } cases[] = {
        // No crossing, inside or outside: unchanged.
        {{GxPoint(2, 2), GxPoint(8, 8)}, {GxPoint(2, 2), GxPoint(8, 8)}},
        {{GxPoint(-2, 2), GxPoint(-8, 8)}, {GxPoint(-2, 2), GxPoint(-8, 8)}},
        // Start inside: the end moves to the crossing.
        {{GxPoint(5, 5), GxPoint(5, 20)}, {GxPoint(5, 5), GxPoint(5, 10)}},
        // End inside: the start moves.
        {{GxPoint(-5, 5), GxPoint(5, 5)}, {GxPoint(0, 5), GxPoint(5, 5)}},
        // Both outside: the crossings in the order top, left, bottom, right.
        {{GxPoint(5, -5), GxPoint(5, 15)}, {GxPoint(5, 10), GxPoint(5, 0)}},
        {{GxPoint(15, 5), GxPoint(-5, 5)}, {GxPoint(0, 5), GxPoint(10, 5)}},
        {{GxPoint(-1, 9), GxPoint(9, -1)}, {GxPoint(0, 8), GxPoint(8, 0)}},
    };
    for (const auto& c : cases)
    {
        GxLineSegment s = c.mIn;
        s.ClipToRect(r);
        EXPECT_EQ(s.mStart, c.mOut.mStart) << c.mIn.mStart.mX << "," << c.mIn.mStart.mY;
        EXPECT_EQ(s.mEnd, c.mOut.mEnd) << c.mIn.mStart.mX << "," << c.mIn.mStart.mY;
    }
}

TEST(GxLineSegmentTest, ClipToRectGrazingACorner)
{
    // With exact numbers both edges meeting at the corner report it: the segment shrinks to the corner.
    GxLineSegment s(GxPoint(9, 11), GxPoint(11, 9));
    s.ClipToRect(GxRect(0, 0, 10, 10));
    EXPECT_EQ(s.mStart, GxPoint(10, 10));
    EXPECT_EQ(s.mEnd, GxPoint(10, 10));

    // Here rounding finds the corner on one edge only: one crossing, nothing to cut, the segment stays.
    const GxRect tight(0, 0, 2.7120603817331541, 2.5143166435411928);
    const GxLineSegment lone(GxPoint(2.2120603817331541, 2.9371958432489884),
                             GxPoint(3.2120603817331541, 2.0914374438333971));
    GxPoint crossing;
    ASSERT_TRUE(lone.Intersects(tight, crossing));
    s = lone;
    s.ClipToRect(tight);
    EXPECT_EQ(s.mStart, lone.mStart);
    EXPECT_EQ(s.mEnd, lone.mEnd);

    // In general rounding may drop one of the two; either way the segment never takes anything but the corner
    // or its own ends.
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(0.1, 3.0);
    for (int i = 0; i < 2000; ++i)
    {
        const GxRect rect(0, 0, unit(random), unit(random));
        const GxPoint corner = rect.TopRight();
        const double slope = unit(random);
        const GxPoint start(corner.mX - 0.5, corner.mY + 0.5 * slope);
        const GxPoint end(corner.mX + 0.5, corner.mY - 0.5 * slope);
        GxLineSegment graze(start, end);
        graze.ClipToRect(rect);
        const bool unchanged = graze.mStart == start && graze.mEnd == end;
        const bool atCorner =
            graze.mStart.DistanceFromPoint(corner) < 1e-9 && graze.mEnd.DistanceFromPoint(corner) < 1e-9;
        EXPECT_TRUE(unchanged || atCorner) << i;
    }
}
