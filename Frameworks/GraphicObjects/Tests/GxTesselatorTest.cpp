#include "GxGLTestSupport.h"

#include "GxPolygon.h"
#include "GxTesselator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using gxtest::CaptureFeedback;
using gxtest::FeedbackPrimitive;
using gxtest::OfToken;

namespace
{

using Points = std::vector<GxPoint>;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInfinity = std::numeric_limits<double>::infinity();

GxPolygon MakePolygon(const Points& inPoints)
{
    GxPolygon polygon;
    for (const GxPoint& point : inPoints)
        polygon.Add(point);
    return polygon;
}

Points Square(double inLeft, double inBottom, double inRight, double inTop)
{
    return {{inLeft, inBottom}, {inRight, inBottom}, {inRight, inTop}, {inLeft, inTop}, {inLeft, inBottom}};
}

// Model units are pixels, origin at the bottom left; drawing in opaque white on transparent black.
class GxTesselatorTest : public gxtest::GLTest
{
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        WindowOrigin();
        glColor4d(1, 1, 1, 1);
    }

    // Every polygon as one contour of one tessellated figure.
    static void Fill(const std::vector<Points>& inContours)
    {
        std::vector<GxPolygon> polygons;
        for (const Points& contour : inContours)
            polygons.push_back(MakePolygon(contour));
        GxTesselator tesselator;
        tesselator.BeginPolygon();
        for (const GxPolygon& polygon : polygons)
            polygon.DrawFilled(tesselator);
        tesselator.EndPolygon();
    }

    // True when the pixel at (x, y) holds the fill.
    static bool Filled(int inX, int inY)
    {
        const std::vector<GLubyte> pixel = Pixel(inX, inY);
        if (pixel == std::vector<GLubyte>{255, 255, 255, 255})
            return true;
        EXPECT_EQ(pixel, (std::vector<GLubyte>{0, 0, 0, 0})) << "neither fill nor background at " << inX << ", " << inY;
        return false;
    }

    struct Probe
    {
        int mX;
        int mY;
        bool mFilled;
    };

    static void ExpectPixels(const char* inName, const std::vector<Probe>& inProbes)
    {
        for (const Probe& probe : inProbes)
            EXPECT_EQ(Filled(probe.mX, probe.mY), probe.mFilled) << inName << " at " << probe.mX << ", " << probe.mY;
    }
};

} // namespace

// Contours of one figure fill by the odd winding rule: a ring inside another is a hole, an overlap stays empty.
TEST_F(GxTesselatorTest, NestedRingsOverlapsAndConcaveShapes)
{
    Fill({Square(8, 8, 56, 56), Square(24, 24, 40, 40)});
    ExpectPixels("ring", {{32, 32, false},
                          {26, 38, false},
                          {16, 32, true},
                          {32, 50, true},
                          {10, 10, true},
                          {4, 32, false},
                          {60, 60, false}});

    glClear(GL_COLOR_BUFFER_BIT);
    Fill({Square(8, 8, 40, 40), Square(24, 24, 56, 56)});
    ExpectPixels("overlap", {{32, 32, false}, {16, 16, true}, {48, 48, true}, {16, 48, false}, {48, 16, false}});

    glClear(GL_COLOR_BUFFER_BIT);
    MakePolygon({{8, 8}, {56, 8}, {56, 24}, {24, 24}, {24, 56}, {8, 56}, {8, 8}}).DrawFilled();
    ExpectPixels("L",
                 {{16, 48, true}, {40, 16, true}, {16, 16, true}, {40, 40, false}, {50, 50, false}, {30, 30, false}});
}

TEST_F(GxTesselatorTest, BowTieGoesThroughTheCombineCallback)
{
    const Points bowTie = {{8, 8}, {56, 56}, {56, 8}, {8, 56}, {8, 8}};
    const auto primitives = CaptureFeedback([&] { Fill({bowTie}); });
    // The crossing at (32, 32) is a vertex only the combine callback can make.
    bool crossingDrawn = false;
    for (const FeedbackPrimitive& polygon : OfToken(primitives, GL_POLYGON_TOKEN))
        for (const auto& vertex : polygon.mVertices)
            crossingDrawn |= std::fabs(vertex.mX - 32) < 1e-3 && std::fabs(vertex.mY - 32) < 1e-3;
    EXPECT_TRUE(crossingDrawn);

    Fill({bowTie});
    ExpectPixels("bow tie", {{14, 32, true}, {50, 32, true}, {32, 14, false}, {32, 50, false}});
    // The made vertices are freed as each polygon ends, not only with the tessellator (the leak check watches).
    GxTesselator again;
    for (int i = 0; i < 3; ++i)
    {
        again.BeginPolygon();
        MakePolygon(bowTie).DrawFilled(again);
        again.EndPolygon();
    }
}

TEST_F(GxTesselatorTest, VerticesThatAreNotFiniteAreLeftOut)
{
    const struct
    {
        const char* mName;
        Points mPoints;
        std::vector<Probe> mProbes;
    } cases[] = {
        {"NaN vertex", {{8, 8}, {56, 8}, {kNaN, kNaN}, {56, 56}, {8, 56}, {8, 8}}, {{32, 32, true}, {60, 32, false}}},
        {"infinite and half-NaN vertices",
         {{8, 8}, {kInfinity, 20}, {56, 8}, {56, 56}, {30, kNaN}, {8, 56}, {8, 8}},
         {{32, 32, true}, {60, 32, false}}},
        {"too few finite points", {{8, 8}, {kNaN, 30}, {56, 56}, {kNaN, kNaN}}, {{32, 32, false}, {10, 10, false}}},
        {"only NaN", {{kNaN, kNaN}, {kNaN, kNaN}, {kNaN, kNaN}}, {{32, 32, false}}},
    };
    for (const auto& c : cases)
    {
        glClear(GL_COLOR_BUFFER_BIT);
        MakePolygon(c.mPoints).DrawFilled();
        ExpectPixels(c.mName, c.mProbes);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << c.mName;
    }

    // The tessellator itself skips them too, for callers that feed it directly.
    glClear(GL_COLOR_BUFFER_BIT);
    double vertices[][3] = {{8, 8, 0}, {56, 8, 0}, {kNaN, 0, 0}, {56, 56, 0}, {8, 56, 0}};
    GxTesselator tesselator;
    tesselator.BeginPolygon();
    tesselator.BeginContour();
    for (auto& vertex : vertices)
        tesselator.AcceptVertex(vertex, vertex);
    tesselator.EndContour();
    tesselator.EndPolygon();
    ExpectPixels("direct", {{32, 32, true}});
}

TEST_F(GxTesselatorTest, OutlinesAreLineStripsOfSinglePrecisionVertices)
{
    GxShape shape;
    shape.BeginData();
    shape.AcceptVertex(false);
    for (const GxPoint& point : Square(8, 8, 56, 56))
        shape.AcceptPoint(point);
    shape.AcceptVertex(false);
    shape.AcceptPoint({10.25, 30});
    shape.AcceptPoint({50.125, 30});
    shape.EndData();

    const auto lines = OfToken(CaptureFeedback([&] { shape.Draw(*mContext); }), GL_LINE_TOKEN);
    ASSERT_EQ(lines.size(), 5u); // four sides, then the second strip's one segment
    EXPECT_DOUBLE_EQ(lines[0].mVertices[0].mX, 8);
    EXPECT_DOUBLE_EQ(lines[3].mVertices[1].mY, 8);
    EXPECT_DOUBLE_EQ(lines[4].mVertices[0].mX, 10.25);
    EXPECT_DOUBLE_EQ(lines[4].mVertices[1].mX, 50.125);
    // Separate strips: nothing joins the square's end to the second line's start.
    for (const auto& line : lines)
        EXPECT_FALSE(line.mVertices[0].mX == 8 && line.mVertices[1].mX == 10.25);
}
