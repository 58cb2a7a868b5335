#include "GxPolygon.h"
#include "CxDebug.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <vector>

// Readable failures.
static void PrintTo(const GxPoint& inPoint, std::ostream* ioOut)
{
    *ioOut << "(" << inPoint.mX << ", " << inPoint.mY << ")";
}

namespace
{

using Points = std::vector<GxPoint>;

GxPolygon MakePolygon(const Points& inPoints)
{
    GxPolygon polygon;
    for (const GxPoint& point : inPoints)
        polygon.Add(point);
    return polygon;
}

// A shape through the builder, one polygon per list.
GxShape MakeShape(const std::vector<Points>& inPolygons)
{
    GxShape shape;
    shape.BeginData();
    for (const Points& points : inPolygons)
    {
        shape.AcceptVertex(false);
        for (const GxPoint& point : points)
            shape.AcceptPoint(point);
    }
    shape.EndData();
    return shape;
}

std::vector<Points> PointsOf(const GxShape& inShape)
{
    std::vector<Points> polygons;
    for (auto it = inShape.ShapeBegin(); it != inShape.ShapeEnd(); ++it)
        polygons.emplace_back((*it)->BeginPoints(), (*it)->EndPoints());
    return polygons;
}

std::vector<Points> PointsOf(const GxPolygonList& inList)
{
    std::vector<Points> polygons;
    for (const auto& polygon : inList)
        polygons.push_back(polygon->Points());
    return polygons;
}

const Points kSquare = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}};

// The plain crossing-number test with a horizontal ray, for points off the edges.
bool EvenOdd(const Points& inRing, const GxPoint& inPoint)
{
    bool inside = false;
    for (std::size_t i = 0, j = inRing.size() - 1; i < inRing.size(); j = i++)
    {
        const GxPoint& a = inRing[i];
        const GxPoint& b = inRing[j];
        if ((a.mY > inPoint.mY) != (b.mY > inPoint.mY) &&
            inPoint.mX < (b.mX - a.mX) * (inPoint.mY - a.mY) / (b.mY - a.mY) + a.mX)
            inside = !inside;
    }
    return inside;
}

double DistanceToSegment(const GxPoint& inPoint, const GxPoint& inA, const GxPoint& inB)
{
    const double dx = inB.mX - inA.mX;
    const double dy = inB.mY - inA.mY;
    double t = ((inPoint.mX - inA.mX) * dx + (inPoint.mY - inA.mY) * dy) / (dx * dx + dy * dy);
    t = std::clamp(t, 0.0, 1.0);
    return inPoint.DistanceFromPoint(GxPoint(inA.mX + t * dx, inA.mY + t * dy));
}

} // namespace

TEST(GxShapeTest, BuilderKeepsPolygonsWithPoints)
{
    const struct
    {
        const char* mName;
        std::function<void(GxShape&)> mBuild;
        std::vector<Points> mPolygons;
    } cases[] = {
        {"no points",
         [](GxShape& s)
         {
             s.BeginData();
             s.AcceptVertex(false);
             s.EndData();
         },
         {}},
        {"closed after three points",
         [](GxShape& s)
         {
             s.BeginData();
             s.AcceptVertex(false);
             s.AcceptPoint({0, 0});
             s.AcceptPoint({1, 0});
             s.AcceptPoint({1, 1});
             s.AcceptVertex(true);
             s.EndData();
         },
         {{{0, 0}, {1, 0}, {1, 1}, {0, 0}}}},
        {"end data does not close",
         [](GxShape& s)
         {
             s.BeginData();
             s.AcceptVertex(true);
             s.AcceptPoint({0, 0});
             s.AcceptPoint({1, 0});
             s.AcceptVertex(false);
             s.AcceptPoint({5, 5});
             s.AcceptPoint({6, 5});
             s.EndData();
         },
         {{{0, 0}, {1, 0}}, {{5, 5}, {6, 5}}}},
        {"close and reserve work on the polygon being built",
         [](GxShape& s)
         {
             s.AcceptVertex(false);
             s.ReservePoints(10);
             s.AcceptPoint({2, 2});
             s.AcceptPoint({3, 2});
             s.AcceptPoint({3, 3});
             s.Close();
             s.Close();
             s.EndData();
         },
         {{{2, 2}, {3, 2}, {3, 3}, {2, 2}}}},
        {"begin data drops finished polygons but not the current one",
         [](GxShape& s)
         {
             s.AcceptVertex(false);
             s.AcceptPoint({1, 1});
             s.AcceptVertex(false);
             s.AcceptPoint({2, 2});
             s.BeginData();
             s.AcceptPoint({3, 3});
             s.EndData();
         },
         {{{2, 2}, {3, 3}}}},
    };
    for (const auto& c : cases)
    {
        CxDebugCapture capture;
        GxShape shape;
        c.mBuild(shape);
        EXPECT_EQ(PointsOf(shape), c.mPolygons) << c.mName;
        EXPECT_EQ(capture.Count(), 0u) << c.mName;
    }
}

TEST(GxShapeTest, BuilderMisuseIsLoggedAndThePointLost)
{
    const struct
    {
        const char* mName;
        std::function<void(GxShape&)> mCall;
    } calls[] = {
        {"point",
         [](GxShape& s) {
             s.AcceptPoint({1, 1});
         }},
        {"close", [](GxShape& s) { s.Close(); }},
        {"reserve", [](GxShape& s) { s.ReservePoints(4); }},
    };
    for (const auto& c : calls)
    {
        CxDebugCapture capture;
        GxShape shape = MakeShape({{{0, 0}, {4, 0}, {4, 4}}}); // EndData leaves no current polygon
        c.mCall(shape);
        EXPECT_EQ(capture.Count(), 1u) << c.mName;
        EXPECT_EQ(PointsOf(shape), (std::vector<Points>{{{0, 0}, {4, 0}, {4, 4}}})) << c.mName;
    }
}

TEST(GxPolygonTest, CloseAndBounds)
{
    GxPolygon ring = MakePolygon(kSquare);
    ring.Close();
    EXPECT_EQ(ring.Points(), kSquare);

    GxPolygon open = MakePolygon({{3, -1}, {-2, 4}, {7, 2}});
    EXPECT_EQ(open.Bounds(), GxRect(-2, -1, 7, 4));
    open.Close();
    EXPECT_EQ(open.Points(), (Points{{3, -1}, {-2, 4}, {7, 2}, {3, -1}}));
    EXPECT_EQ(MakePolygon({{5, 6}}).Bounds(), GxRect(5, 6, 5, 6)); // from the first point, not the origin

    const GxShape shape = MakeShape({{{1, 1}, {2, 2}}, {{-3, 5}, {0, 9}, {-3, 5}}});
    EXPECT_EQ(shape.Bounds(), GxRect(-3, 1, 2, 9));
    EXPECT_EQ(shape.CountPoints(), 5u);
    EXPECT_FALSE(shape.IsClosed());
    EXPECT_TRUE(GxShape().IsClosed());
}

TEST(GxPolygonTest, ContainsOnEdgesNotchesAndOpenLines)
{
    const Points notched = {{0, 0}, {10, 0}, {10, 10}, {6, 10}, {6, 4}, {4, 4}, {4, 10}, {0, 10}, {0, 0}};
    const struct
    {
        const char* mName;
        Points mPolygon;
        GxPoint mPoint;
        bool mInside;
    } cases[] = {
        {"top edge", kSquare, {5, 10}, true},
        {"bottom edge", kSquare, {5, 0}, false},
        {"outside the bounds", kSquare, {11, 5}, false},
        {"NaN", kSquare, {std::nan(""), 5}, false},
        {"notch", notched, {5, 7}, false},
        {"arm", notched, {2, 7}, true},
        {"below the notch", notched, {5, 2}, true},
        {"open polyline", {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {5, 5}, false},
        {"under a vertex", {{0, 0}, {4, 6}, {8, 0}, {0, 0}}, {4, 1}, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MakePolygon(c.mPolygon).Contains(c.mPoint), c.mInside) << c.mName;
}

TEST(GxPolygonTest, ContainsAgreesWithEvenOddOnRandomPolygons)
{
    std::mt19937 random(20240611);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int shape = 0; shape < 6; ++shape)
    {
        // A star-shaped, hence simple, ring around a random centre.
        const int corners = 5 + shape * 3;
        const GxPoint centre(unit(random) * 200 - 100, unit(random) * 200 - 100);
        std::vector<double> angles;
        for (int i = 0; i < corners; ++i)
            angles.push_back(unit(random) * 2 * kGxPi);
        std::sort(angles.begin(), angles.end());
        Points ring;
        for (double angle : angles)
        {
            const double radius = 5 + unit(random) * 45;
            ring.emplace_back(centre.mX + radius * std::cos(angle), centre.mY + radius * std::sin(angle));
        }
        ring.push_back(ring.front());
        const GxPolygon polygon = MakePolygon(ring);
        const GxRect bounds = polygon.Bounds();

        int tested = 0;
        int inside = 0;
        while (tested < 400)
        {
            const GxPoint point(bounds.mLeft + unit(random) * bounds.Width(),
                                bounds.mBottom + unit(random) * bounds.Height());
            double nearest = std::numeric_limits<double>::max();
            for (std::size_t i = 1; i < ring.size(); ++i)
                nearest = std::min(nearest, DistanceToSegment(point, ring[i - 1], ring[i]));
            if (nearest < 1e-3)
                continue;
            ++tested;
            const bool expected = EvenOdd(ring, point);
            inside += expected;
            ASSERT_EQ(polygon.Contains(point), expected)
                << "shape " << shape << " point " << point.mX << ", " << point.mY;
        }
        EXPECT_GT(inside, 0) << shape;
        EXPECT_LT(inside, tested) << shape;
    }
}

TEST(GxShapeTest, DownSample)
{
    GxShape shape = MakeShape({{{0.04, 0.04}, {1.23, 4.56}, {1.24, 4.51}},
                               {{0.01, 0.09}},
                               {{-0.25, 3.0}, {-0.21, 3.04}, {5, 5}, {-0.29, 3.01}}});
    shape.DownSample(10);
    EXPECT_EQ(PointsOf(shape), (std::vector<Points>{{{1.2, 4.5}}, {}, {{-0.2, 3.0}, {5, 5}, {-0.2, 3.0}}}));
    EXPECT_EQ(shape.CountPolygons(), 3u);
    EXPECT_EQ(shape.Polygons()[1]->Bounds(), GxRect());

    CxDebugCapture capture;
    GxShape unchanged = MakeShape({{{0.04, 0.04}, {1.23, 4.56}}});
    unchanged.DownSample(0);
    EXPECT_EQ(capture.Count(), 1u);
    EXPECT_EQ(PointsOf(unchanged), (std::vector<Points>{{{0.04, 0.04}, {1.23, 4.56}}}));

    // Coordinates no integer can hold stay as they are, NaN included (the sanitizer watches the conversions).
    const double huge = 1e300;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    GxShape wild = MakeShape({{{huge, -huge}, {nan, 1}, {nan, 1}, {1e30, 2}}});
    wild.DownSample(1000);
    const Points thinned = PointsOf(wild)[0];
    ASSERT_EQ(thinned.size(), 4u);
    EXPECT_DOUBLE_EQ(thinned[0].mX, huge);
    EXPECT_DOUBLE_EQ(thinned[0].mY, -huge);
    EXPECT_TRUE(std::isnan(thinned[1].mX) && std::isnan(thinned[2].mX));
    EXPECT_DOUBLE_EQ(thinned[3].mX, 1e30);
}

TEST(GxShapeTest, CreateClippedShape)
{
    const GxRect view(0, 0, 10, 10);
    const Points inside = {{2, 2}, {4, 2}, {4, 4}, {2, 2}};
    const Points across = {{5, 5}, {15, 5}, {15, 15}, {5, 15}, {5, 5}};
    const Points apart = {{20, 20}, {30, 20}, {30, 30}, {20, 20}};
    const Points line = {{-5, 5}, {15, 5}}; // bounds without area

    const GxShape whole = MakeShape({inside, {{0, 0}, {10, 10}}});
    for (bool fillable : {false, true})
    {
        const auto copy = whole.CreateClippedShape(view, fillable);
        EXPECT_EQ(PointsOf(*copy), PointsOf(whole));

        EXPECT_EQ(MakeShape({apart}).CreateClippedShape(view, fillable)->CountPolygons(), 0u);
        EXPECT_EQ(GxShape().CreateClippedShape(view, fillable)->CountPolygons(), 0u);
    }

    const GxShape mixed = MakeShape({inside, across, apart, line});
    EXPECT_EQ(PointsOf(*mixed.CreateClippedShape(view, true)),
              (std::vector<Points>{
                  inside, {{5, 10}, {5, 5}, {5, 5}, {10, 5}, {10, 10}}, {{0, 5}, {10, 5}, {10, 5}, {0, 5}}}));
    EXPECT_EQ(PointsOf(*mixed.CreateClippedShape(view, false)),
              (std::vector<Points>{inside, {{5, 5}, {10, 5}}, {{5, 10}, {5, 5}}, {{0, 5}, {10, 5}}}));
}

TEST(GxShapeTest, ClipToRectCutsALineThatLeavesAndReenters)
{
    const GxRect view(0, 0, 10, 10);
    const struct
    {
        const char* mName;
        Points mLine;
        std::vector<Points> mPieces;
        std::vector<Points> mUnfillable;
    } cases[] = {
        {"out and back in",
         {{2, 2}, {12, 2}, {12, 6}, {6, 6}, {6, 14}},
         {{{2, 2}, {10, 2}}, {{10, 6}, {6, 6}, {6, 10}}},
         {{{2, 2}, {10, 2}}, {{10, 6}, {6, 6}, {6, 10}}}},
        {"through from outside", {{-2, 5}, {12, 5}, {12, 20}}, {{{0, 5}, {10, 5}}}, {{{0, 5}, {10, 5}}}},
        {"wholly inside", {{1, 1}, {2, 3}, {4, 4}}, {{{1, 1}, {2, 3}, {4, 4}}}, {{{1, 1}, {2, 3}, {4, 4}}}},
        {"wholly outside", {{11, 1}, {12, 3}, {20, 4}}, {}, {}},
        {"enters and ends inside", {{5, -5}, {5, 5}}, {{{5, 0}, {5, 5}}}, {{{5, 0}, {5, 5}}}},
    };
    for (const auto& c : cases)
    {
        const GxShape shape = MakeShape({c.mLine});
        EXPECT_EQ(PointsOf(*shape.ClipToRect(view)), c.mPieces) << c.mName;
        GxPolygonList pieces;
        shape.Polygons()[0]->ClipToRectUnfillable(view, pieces);
        EXPECT_EQ(PointsOf(pieces), c.mUnfillable) << c.mName;
    }

    // A line that stops on the border and then leaves ends its piece there.
    const GxShape touching = MakeShape({{{5, 5}, {10, 5}, {15, 5}}, {{1, 1}, {2, 2}}});
    EXPECT_EQ(PointsOf(*touching.ClipToRect(view)), (std::vector<Points>{{{5, 5}, {10, 5}}, {{1, 1}, {2, 2}}}));
}

TEST(GxShapeTest, CopiesAreDeep)
{
    auto original = std::make_unique<GxShape>(MakeShape({kSquare, {{1, 1}, {2, 2}}}));
    original->AcceptVertex(false); // a polygon being built is not copied
    original->AcceptPoint({7, 7});
    const std::vector<Points> expected = {kSquare, {{1, 1}, {2, 2}}};

    auto copy = original->Copy();
    GxShape constructed(*original);
    GxShape assigned = MakeShape({{{9, 9}}});
    assigned = *original;
    assigned = assigned;
    GxShape combined = MakeShape({{{3, 3}}});
    combined.Combine(*original);
    combined.Combine(combined);
    std::unique_ptr<GxPolygon> polygon = original->Polygons()[0]->Copy();

    original->Polygons()[0]->Add({50, 50});
    original.reset();

    EXPECT_EQ(PointsOf(*copy), expected);
    EXPECT_EQ(PointsOf(constructed), expected);
    EXPECT_EQ(PointsOf(assigned), expected);
    EXPECT_EQ(PointsOf(combined),
              (std::vector<Points>{{{3, 3}}, kSquare, {{1, 1}, {2, 2}}, {{3, 3}}, kSquare, {{1, 1}, {2, 2}}}));
    EXPECT_EQ(polygon->Points(), kSquare);
    EXPECT_EQ(polygon->Bounds(), GxRect(0, 0, 10, 10));
    // The copies carry no polygon being built: EndData adds nothing.
    copy->EndData();
    EXPECT_EQ(copy->CountPolygons(), 2u);
}
