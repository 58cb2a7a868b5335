#include "GxPolygonClipper.h"

#include <gtest/gtest.h>

#include <vector>

static void PrintTo(const GxPoint& inPoint, std::ostream* ioOut)
{
    *ioOut << "(" << inPoint.mX << ", " << inPoint.mY << ")";
}

namespace
{

using Points = std::vector<GxPoint>;

const GxRect kView(0, 0, 10, 10);

Points Clip(const Points& inRing, const GxRect& inRect = kView)
{
    GxPolygonClipper clipper(inRect);
    Points out = {{99, 99}}; // replaced, not appended to
    clipper.Clip(inRing, out);
    return out;
}

double Area(const Points& inRing)
{
    double twice = 0;
    for (std::size_t i = 0; i < inRing.size(); ++i)
    {
        const GxPoint& a = inRing[i];
        const GxPoint& b = inRing[(i + 1) % inRing.size()];
        twice += a.mX * b.mY - b.mX * a.mY;
    }
    return twice / 2;
}

} // namespace

TEST(GxPolygonClipperTest, RingInsideComesOutRotatedByFour)
{
    const GxPoint p0(1, 1), p1(8, 2), p2(4, 9);
    EXPECT_EQ(Clip({p0, p1, p2}), (Points{p1, p2, p0}));
    EXPECT_EQ(Clip({p0, p1, p2, p0}), (Points{p0, p1, p2, p0}));
    EXPECT_EQ(Clip({}), Points());
}

TEST(GxPolygonClipperTest, RightAndTopEdgesAreOutside)
{
    // A single point goes round once in each stage and comes out only when every stage keeps it.
    const struct
    {
        const char* mName;
        GxPoint mPoint;
        bool mKept;
    } cases[] = {
        {"left edge", {0, 5}, true},    {"bottom edge", {5, 0}, true},    {"bottom-left corner", {0, 0}, true},
        {"right edge", {10, 5}, false}, {"top edge", {5, 10}, false},     {"top-left corner", {0, 10}, false},
        {"inside", {5, 5}, true},       {"left of it", {-0.1, 5}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Clip({c.mPoint}), c.mKept ? Points{c.mPoint} : Points()) << c.mName;
}

TEST(GxPolygonClipperTest, RingWhollyOutsideLeavesNothing)
{
    EXPECT_EQ(Clip({{20, 20}, {30, 20}, {25, 30}}), Points());
    EXPECT_EQ(Clip({{-5, -5}, {-1, -5}, {-1, -1}, {-5, -1}, {-5, -5}}), Points());
    // Outside though its bounds surround the rectangle's corner.
    EXPECT_EQ(Clip({{9, 14}, {14, 9}, {14, 14}}), Points());
}

TEST(GxPolygonClipperTest, SquareOverACornerKeepsTheOverlap)
{
    // Traced by hand through the four stages: right, bottom, left, top.
    const Points clipped = Clip({{5, 5}, {15, 5}, {15, 15}, {5, 15}});
    EXPECT_EQ(clipped, (Points{{5, 10}, {5, 5}, {10, 5}, {10, 10}}));
    EXPECT_DOUBLE_EQ(Area(clipped), 25);

    // A triangle over the bottom-left corner of a rectangle away from the origin; crossings on a slanted edge.
    const Points triangle = Clip({{0, 0}, {4, 0}, {0, 4}}, GxRect(1, 1, 6, 5));
    EXPECT_EQ(triangle, (Points{{1, 1}, {3, 1}, {1, 3}}));
    EXPECT_DOUBLE_EQ(Area(triangle), 2);
}
