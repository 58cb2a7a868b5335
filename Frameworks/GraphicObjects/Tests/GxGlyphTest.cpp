#include "GxGLTestSupport.h"

#include "GxCoordinates.h"
#include "GxSymbol.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

using gxtest::CaptureFeedback;
using gxtest::FeedbackPrimitive;
using gxtest::GLTest;
using gxtest::OfToken;

namespace
{

constexpr double kScale = 10.0;
constexpr double kTolerance = 1e-4;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Point
{
    double mX, mY;
};

using Segment = std::pair<Point, Point>;

// Window coordinates back into the glyph's own units: the origin is the picture's centre and one unit is kScale
// pixels.
Point Local(const gxtest::FeedbackVertex& inVertex)
{
    return {(inVertex.mX - 32.0) / kScale, (inVertex.mY - 32.0) / kScale};
}

std::vector<Segment> Lines(const std::vector<FeedbackPrimitive>& inAll)
{
    std::vector<Segment> lines;
    for (const auto& p : OfToken(inAll, GL_LINE_TOKEN))
        lines.emplace_back(Local(p.mVertices[0]), Local(p.mVertices[1]));
    return lines;
}

std::vector<std::vector<Point>> Polygons(const std::vector<FeedbackPrimitive>& inAll)
{
    std::vector<std::vector<Point>> polygons;
    for (const auto& p : OfToken(inAll, GL_POLYGON_TOKEN))
    {
        std::vector<Point> points;
        for (const auto& v : p.mVertices)
            points.push_back(Local(v));
        polygons.push_back(points);
    }
    return polygons;
}

bool Near(const Point& inA, const Point& inB)
{
    return std::fabs(inA.mX - inB.mX) < kTolerance && std::fabs(inA.mY - inB.mY) < kTolerance;
}

std::string Describe(const std::vector<Segment>& inLines)
{
    std::ostringstream out;
    for (const auto& [a, b] : inLines)
        out << "(" << a.mX << "," << a.mY << ")-(" << b.mX << "," << b.mY << ") ";
    return out.str();
}

void ExpectLines(const std::vector<Segment>& inActual, const std::vector<Segment>& inExpected,
                 const std::string& inWhat)
{
    ASSERT_EQ(inActual.size(), inExpected.size()) << inWhat << ": " << Describe(inActual);
    for (std::size_t i = 0; i < inActual.size(); ++i)
        EXPECT_TRUE(Near(inActual[i].first, inExpected[i].first) && Near(inActual[i].second, inExpected[i].second))
            << inWhat << " line " << i << ": " << Describe(inActual);
}

// Turns a point of a glyph drawn for a wind from the north into the same point for a wind from inDegrees: the
// glyph rotates clockwise with the direction.
Point Turned(const Point& inPoint, double inDegrees)
{
    const double a = -inDegrees * kGxPi / 180.0;
    return {inPoint.mX * std::cos(a) - inPoint.mY * std::sin(a), inPoint.mX * std::sin(a) + inPoint.mY * std::cos(a)};
}

class GlyphTest : public GLTest
{
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        CentreOrigin();
    }

    static std::vector<FeedbackPrimitive> Barb(double inSpeed, double inDegrees, double inIncrement)
    {
        const GxVector wind = GxVector::FromMagnitudeAndDegrees(inSpeed, inDegrees);
        return CaptureFeedback([&] { wind.DrawBarb(GxPoint(0, 0), kScale, inIncrement); });
    }
};

// Lines of a wind from the north: stem, then barbs (x, y) to (x2, y2) in glyph units.
const Segment kStem2 = {{0, 0}, {0, 2}};
Segment LongBarb(double inY)
{
    return {{0, inY}, {0.8660254, inY + 0.5}};
}
Segment ShortBarb(double inY)
{
    return {{0, inY}, {0.4330127, inY + 0.25}};
}

} // namespace

TEST_F(GlyphTest, BarbsAtAnIncrementOfFive)
{
    const struct
    {
        double mSpeed;
        std::vector<Segment> mLines;
        int mPennants;
    } cases[] = {
        // A lone short barb sits 0.4 further down the stem.
        {2.5, {kStem2, ShortBarb(1.6)}, 0},
        {7.4, {kStem2, ShortBarb(1.6)}, 0},
        {7.5, {kStem2, LongBarb(2)}, 0},
        {15, {kStem2, LongBarb(2), ShortBarb(1.7)}, 0},
        {45, {kStem2, LongBarb(2), LongBarb(1.7), LongBarb(1.4), LongBarb(1.1), ShortBarb(0.8)}, 0},
        {47.5, {kStem2}, 1},
        {50, {kStem2}, 1},
        // After a pennant the barbs start 0.7 lower: 0.6 per pennant and 0.1 after the last.
        {65, {kStem2, LongBarb(1.3), ShortBarb(1.0)}, 1},
        {55, {kStem2, ShortBarb(1.3)}, 1},
        // Three pennants, one long and one short barb: the stem grows to 3 x 0.7 + 2 x 0.3.
        {165, {{{0, 0}, {0, 2.7}}, LongBarb(2.7 - 1.9), ShortBarb(2.7 - 2.2)}, 3},
    };
    for (const auto& c : cases)
    {
        const auto feedback = Barb(c.mSpeed, 0, 5);
        ExpectLines(Lines(feedback), c.mLines, "speed " + std::to_string(c.mSpeed));
        const auto pennants = Polygons(feedback);
        ASSERT_EQ(pennants.size(), static_cast<std::size_t>(c.mPennants)) << c.mSpeed;
        const double top = c.mLines[0].second.mY;
        for (int i = 0; i < c.mPennants; ++i)
        {
            const double y = top - 0.6 * i;
            ASSERT_EQ(pennants[i].size(), 3u);
            EXPECT_TRUE(Near(pennants[i][0], {0, y})) << c.mSpeed;
            EXPECT_TRUE(Near(pennants[i][1], {0.82, y})) << c.mSpeed;
            EXPECT_TRUE(Near(pennants[i][2], {0, y - 0.48})) << c.mSpeed;
        }
    }
}

TEST_F(GlyphTest, CalmIsACircleOfSixteenSegmentsClockwiseFromTheTop)
{
    for (double speed : {0.0, 2.4})
    {
        const auto feedback = Barb(speed, 0, 5);
        EXPECT_TRUE(Polygons(feedback).empty());
        const auto lines = Lines(feedback);
        ASSERT_EQ(lines.size(), 16u) << speed;
        EXPECT_TRUE(Near(lines.front().first, {0, 0.44}));
        EXPECT_TRUE(Near(lines.back().second, {0, 0.44}));
        for (std::size_t i = 0; i < lines.size(); ++i)
        {
            const Point& p = lines[i].first;
            EXPECT_NEAR(std::hypot(p.mX, p.mY), 0.44, kTolerance) << i;
            // Clockwise: the angle from north grows by 22.5 degrees per step.
            double angle = std::atan2(p.mX, p.mY) * 180.0 / kGxPi;
            if (angle < -1e-6)
                angle += 360.0;
            EXPECT_NEAR(angle, 22.5 * i, 1e-3) << i;
            if (i > 0)
            {
                EXPECT_TRUE(Near(lines[i - 1].second, p)) << "strip broken at " << i;
            }
        }
    }
}

TEST_F(GlyphTest, BarbPointsWhereTheWindComesFrom)
{
    // From the east the stem lies along +x and the barb hangs below it.
    const auto lines = Lines(Barb(2.5, 90, 5));
    ExpectLines(lines, {{{0, 0}, {2, 0}}, {{1.6, 0}, {1.85, -0.4330127}}}, "from 90");

    for (double degrees : {30.0, 135.0, 222.5, 300.0})
    {
        const Segment stem = {{0, 0}, Turned({0, 2}, degrees)};
        const Segment barb = {Turned({0, 2}, degrees), Turned({0.8660254, 2.5}, degrees)};
        ExpectLines(Lines(Barb(10, degrees, 5)), {stem, barb}, "from " + std::to_string(degrees));
    }
}

TEST_F(GlyphTest, BarbDrawsNothingForAnUnusableValueOrIncrement)
{
    const struct
    {
        GxVector mWind;
        double mIncrement;
    } cases[] = {
        {GxVector(kNaN, -10), 5},
        {GxVector(0, kNaN), 5},
        {GxVector(0, -10), 0},
        {GxVector(0, -10), -5},
        {GxVector(0, -10), kNaN},
        {GxVector(0, -1e300), 5},
        {GxVector(0, -std::numeric_limits<double>::infinity()), 5},
        {GxVector(0, -10), 1e-300},
    };
    for (const auto& c : cases)
    {
        const auto feedback = CaptureFeedback([&] { c.mWind.DrawBarb(GxPoint(0, 0), kScale, c.mIncrement); });
        EXPECT_TRUE(feedback.empty()) << c.mWind.mU << "," << c.mWind.mV << " by " << c.mIncrement;
    }
    // The matrix stack is left as it was.
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
}

TEST_F(GlyphTest, ArrowHeadAtThePointShaftTowardTheSource)
{
    GxContext& context = *mContext;
    const struct
    {
        double mSpeed, mDegrees, mScale;
    } cases[] = {{10, 0, 0.2}, {10, 90, 0.2}, {4, 200, 0.5}};
    for (const auto& c : cases)
    {
        const GxVector wind = GxVector::FromMagnitudeAndDegrees(c.mSpeed, c.mDegrees);
        const double reach = c.mSpeed * c.mScale * 10.0 / kScale; // in units of kScale pixels
        const auto lines = Lines(CaptureFeedback([&] { wind.DrawArrow(context, GxPoint(0, 0), c.mScale * 10.0); }));
        ExpectLines(lines,
                    {{{0, 0}, Turned({0, reach}, c.mDegrees)},
                     {{0, 0}, Turned({0.1 * reach, 0.2 * reach}, c.mDegrees)},
                     {{0, 0}, Turned({-0.1 * reach, 0.2 * reach}, c.mDegrees)}},
                    "arrow " + std::to_string(c.mDegrees));
    }
    for (const GxVector& still : {GxVector(0, 0), GxVector(kNaN, 1), GxVector(1, kNaN)})
        EXPECT_TRUE(CaptureFeedback([&] { still.DrawArrow(context, GxPoint(0, 0), kScale); }).empty());
}

TEST_F(GlyphTest, GlyphsSitAtThePoint)
{
    const GxVector wind = GxVector::FromMagnitudeAndDegrees(7.5, 0);
    const auto lines = Lines(CaptureFeedback([&] { wind.DrawBarb(GxPoint(-1.5, 0.5), kScale, 5); }));
    ASSERT_EQ(lines.size(), 2u);
    // The point is in model units, the glyph in scaled units.
    EXPECT_TRUE(Near(lines[0].first, {-0.15, 0.05}));
    EXPECT_TRUE(Near(lines[0].second, {-0.15, 2.05}));
}

TEST_F(GlyphTest, TurbulenceByIntensity)
{
    // Each glyph's lines in its own units before the shift of 0.5 along x.
    const std::vector<Segment> one = {{{0, 1}, {0.5, 0}}};
    const std::vector<Segment> three = {{{-0.5, 0}, {0, 1}}, {{0, 1}, {0.5, 0}}};
    const std::vector<Segment> five = {{{0, 1}, {0.5, 0}}, {{0.5, 1}, {1, 0}}};
    const std::vector<Segment> seven = {
        {{-1.3, 0}, {-0.5, 0}}, {{-0.5, 0}, {0, 1}}, {{0, 1}, {0.5, 0}}, {{0.5, 0}, {1.2, 0}}};
    const std::vector<Segment> nine = {{{-0.5, 1}, {0, 2}}, {{0, 2}, {0.5, 1}}, {{-1.3, 0}, {-0.5, 0}},
                                       {{-0.5, 0}, {0, 1}}, {{0, 1}, {0.5, 0}}, {{0.5, 0}, {1.3, 0}}};
    const std::vector<std::vector<Segment>> glyphs = {
        {{{0, 0.5}, {1.2, 0.5}}, {{0, 0}, {1.2, 0}}}, one, one, three, three, five, five, seven, seven, nine, nine, {}};

    glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
    glLineWidth(3.0f);
    for (CxUint32 intensity = 0; intensity < glyphs.size(); ++intensity)
    {
        std::vector<Segment> expected;
        for (const auto& [a, b] : glyphs[intensity])
            expected.push_back({{a.mX + 0.5, a.mY}, {b.mX + 0.5, b.mY}});
        const GxTurbulence turbulence(intensity);
        ExpectLines(Lines(CaptureFeedback([&] { turbulence.Draw(GxPoint(0, 0), kScale); })), expected,
                    "intensity " + std::to_string(intensity));

        // Colour and line width are the caller's again afterwards.
        GLfloat colour[4] = {}, width = 0;
        glGetFloatv(GL_CURRENT_COLOR, colour);
        glGetFloatv(GL_LINE_WIDTH, &width);
        EXPECT_FLOAT_EQ(colour[2], 0.75f);
        EXPECT_FLOAT_EQ(width, 3.0f);
    }
}
