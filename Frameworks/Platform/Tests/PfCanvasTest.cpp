#include "PfCairoCanvas.h"
#include "PfRecordingCanvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace
{

using namespace pf;

struct ArcCase
{
    const char* mName;
    Point mP0, mP1, mP2;
    double mRadius;
    bool mIsLine;
    Point mTangent1, mTangent2, mCentre; // worked out by hand
};

const double kRoot3 = std::sqrt(3.0);
const ArcCase kArcs[] = {
    // A right angle: the circle touches both legs 4 from the corner.
    {"90", {0, 0}, {10, 0}, {10, 10}, 4, false, {6, 0}, {10, 4}, {6, 4}},
    // 60 degrees: the tangent lies r * cot(30) = 2 * sqrt(3) from the corner, the centre r / sin(30) = 4 along the
    // bisector (-cos 30, sin 30).
    {"60", {0, 0}, {10, 0}, {5, 5 * kRoot3}, 2, false, {10 - 2 * kRoot3, 0}, {10 - kRoot3, 3}, {10 - 2 * kRoot3, 2}},
    {"collinear", {0, 0}, {10, 0}, {20, 0}, 4, true, {}, {}, {}},
    {"radius 0", {0, 0}, {10, 0}, {10, 10}, 0, true, {}, {}, {}},
};

TEST(PfCanvas, ArcToPointTangentsAndCentresInDeviceSpace)
{
    for (const ArcCase& c : kArcs)
    {
        // Recorded through a transform, so the geometry must come out moved and doubled.
        RecordingCanvas canvas(100, 100);
        canvas.Translate(5, 7);
        canvas.Scale(2, 2);
        canvas.BeginPath();
        canvas.MoveTo(c.mP0);
        canvas.AddArcToPoint(c.mP1, c.mP2, c.mRadius);
        canvas.StrokePath();
        ASSERT_EQ(canvas.Operations().size(), 1u);
        const std::vector<PathElement>& path = canvas.Operations()[0].mPath;
        ASSERT_EQ(path.size(), 2u) << c.mName;
        auto device = [](Point p) { return Point{5 + 2 * p.x, 7 + 2 * p.y}; };
        if (c.mIsLine)
        {
            EXPECT_EQ(path[1].mKind, PathElement::kLine) << c.mName;
            EXPECT_EQ(path[1].mPoint, device(c.mP1)) << c.mName;
            continue;
        }
        ASSERT_EQ(path[1].mKind, PathElement::kArc) << c.mName;
        const Point t1 = device(c.mTangent1), t2 = device(c.mTangent2), centre = device(c.mCentre);
        EXPECT_NEAR(path[1].mPoint.x, t1.x, 1e-9) << c.mName;
        EXPECT_NEAR(path[1].mPoint.y, t1.y, 1e-9) << c.mName;
        EXPECT_NEAR(path[1].mTangent2.x, t2.x, 1e-9) << c.mName;
        EXPECT_NEAR(path[1].mTangent2.y, t2.y, 1e-9) << c.mName;
        EXPECT_NEAR(path[1].mCentre.x, centre.x, 1e-9) << c.mName;
        EXPECT_NEAR(path[1].mCentre.y, centre.y, 1e-9) << c.mName;
        EXPECT_DOUBLE_EQ(path[1].mRadius, 2 * c.mRadius) << c.mName;
    }
}

// The recorded outline as a polygon, arcs cut into short chords.
std::vector<Point> Flatten(const std::vector<PathElement>& inPath)
{
    std::vector<Point> outline;
    for (const PathElement& e : inPath)
    {
        if (e.mKind == PathElement::kArc)
        {
            const double start = std::atan2(e.mPoint.y - e.mCentre.y, e.mPoint.x - e.mCentre.x);
            for (int i = 0; i <= 64; ++i)
            {
                const double a = start + e.mSweep * i / 64;
                outline.push_back({e.mCentre.x + e.mRadius * std::cos(a), e.mCentre.y + e.mRadius * std::sin(a)});
            }
        }
        else if (e.mKind != PathElement::kClose)
            outline.push_back(e.mPoint);
    }
    return outline;
}

bool InsideEvenOdd(const std::vector<Point>& inOutline, Point inPoint)
{
    bool inside = false;
    for (std::size_t i = 0, j = inOutline.size() - 1; i < inOutline.size(); j = i++)
    {
        const Point a = inOutline[i], b = inOutline[j];
        if ((a.y > inPoint.y) != (b.y > inPoint.y) && inPoint.x < (b.x - a.x) * (inPoint.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

double DistanceToOutline(const std::vector<Point>& inOutline, Point inPoint)
{
    double best = 1e300;
    for (std::size_t i = 0, j = inOutline.size() - 1; i < inOutline.size(); j = i++)
    {
        const Point a = inOutline[j], b = inOutline[i];
        const double dx = b.x - a.x, dy = b.y - a.y;
        const double len2 = dx * dx + dy * dy;
        double t = len2 == 0 ? 0 : ((inPoint.x - a.x) * dx + (inPoint.y - a.y) * dy) / len2;
        t = std::clamp(t, 0.0, 1.0);
        best = std::min(best, std::hypot(inPoint.x - a.x - t * dx, inPoint.y - a.y - t * dy));
    }
    return best;
}

// A rounded shape through all four arc cases, drawn on both canvases with the same calls.
void RoundedShape(Canvas& ioCanvas, double inRadius)
{
    ioCanvas.SetFillColor({0, 0, 0, 1});
    ioCanvas.BeginPath();
    ioCanvas.MoveTo({4, 30});
    ioCanvas.AddArcToPoint({4, 4}, {30, 4}, inRadius);                     // 90
    ioCanvas.AddArcToPoint({50, 4}, {60, 4}, inRadius);                    // collinear: a line
    ioCanvas.AddArcToPoint({90, 4}, {90 - 20, 4 + 20 * kRoot3}, inRadius); // 60
    ioCanvas.AddArcToPoint({56, 62}, {4, 62}, 0);                          // radius 0: a line
    ioCanvas.AddArcToPoint({4, 62}, {4, 4}, inRadius);
    ioCanvas.ClosePath();
    ioCanvas.FillPath();
}

TEST(PfCanvas, CairoFillsExactlyTheRecordedOutline)
{
    for (const double radius : {3.0, 9.5, 20.0})
    {
        auto cairo = CairoCanvas::MakeBitmap(100, 70);
        ASSERT_TRUE(cairo);
        RecordingCanvas recording(100, 70);
        RoundedShape(*cairo, radius);
        RoundedShape(recording, radius);
        const Image pixels = cairo->Snapshot();
        const std::vector<Point> outline = Flatten(recording.Operations().at(0).mPath);
        int checked = 0;
        for (int y = 0; y < 70; ++y)
            for (int x = 0; x < 100; ++x)
            {
                const Point centre{x + 0.5, y + 0.5};
                if (DistanceToOutline(outline, centre) < 1.0)
                    continue;
                ++checked;
                const int alpha = pixels.Pixel(x, y)[3];
                if (InsideEvenOdd(outline, centre))
                    ASSERT_EQ(alpha, 255) << "radius " << radius << " at " << x << "," << y;
                else
                    ASSERT_EQ(alpha, 0) << "radius " << radius << " at " << x << "," << y;
            }
        EXPECT_GT(checked, 5000);
    }
}

TEST(PfCanvas, ShadingIsSampledAtPixelCentres)
{
    // The colour-bar ramp: fifteen colours over the unit square scaled to 150 x 4, extended at neither end.
    auto canvas = CairoCanvas::MakeBitmap(170, 4);
    ASSERT_TRUE(canvas);
    canvas->Translate(10, 0);
    canvas->Scale(150, 4);
    canvas->ClipToRect({0, 0, 1, 1});
    const auto step = [](double inT)
    {
        const double index = std::min(14.0, std::trunc(inT * 15));
        return Color{index * 17 / 255.0, 0, 1, 1};
    };
    canvas->DrawAxialShading({0, 0.5}, {1, 0.5}, step, false, false);
    const Image pixels = canvas->Snapshot();
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 170; ++x)
        {
            const std::uint8_t* p = pixels.Pixel(x, y);
            if (x < 10 || x >= 160)
            {
                EXPECT_EQ(p[3], 0) << x;
                continue;
            }
            ASSERT_EQ(p[0], (x - 10) / 10 * 17) << x;
            ASSERT_EQ(p[3], 255) << x;
        }

    // Extended ends take the end colours beyond the axis.
    auto extended = CairoCanvas::MakeBitmap(30, 1);
    extended->DrawAxialShading({10, 0}, {20, 0}, step, true, true);
    const Image e = extended->Snapshot();
    EXPECT_EQ(e.Pixel(0, 0)[0], 0);
    EXPECT_EQ(e.Pixel(29, 0)[0], 14 * 17);
}

TEST(PfCanvas, ImagesAreUprightOnlyInAYUpSpace)
{
    // Top row red, bottom row blue.
    const std::uint8_t rgba[] = {255, 0, 0, 255, 255, 0, 0, 255, 0, 0, 255, 255, 0, 0, 255, 255};
    const Image image = Image::FromRgba(rgba, 2, 2, 8);
    struct Case
    {
        bool mFlip;
        int mTopRed;
    } cases[] = {{false, 0}, {true, 255}};
    for (const Case& c : cases)
    {
        auto canvas = CairoCanvas::MakeBitmap(20, 20);
        RecordingCanvas recording(20, 20);
        for (Canvas* target : {static_cast<Canvas*>(canvas.get()), static_cast<Canvas*>(&recording)})
        {
            if (c.mFlip)
            {
                target->Translate(0, 20);
                target->Scale(1, -1);
            }
            target->DrawImage({0, 0, 20, 20}, image);
        }
        const Image pixels = canvas->Snapshot();
        EXPECT_EQ(pixels.Pixel(10, 2)[0], c.mTopRed) << c.mFlip;
        EXPECT_EQ(pixels.Pixel(10, 17)[0], 255 - c.mTopRed) << c.mFlip;
        EXPECT_EQ(recording.Operations().at(0).mUpright, c.mFlip);
        EXPECT_EQ(recording.Operations().at(0).mRect, (Rect{0, 0, 20, 20}));
    }
}

TEST(PfCanvas, ClipAndColoursFollowSaveAndRestore)
{
    auto canvas = CairoCanvas::MakeBitmap(10, 10);
    RecordingCanvas recording(10, 10);
    for (Canvas* target : {static_cast<Canvas*>(canvas.get()), static_cast<Canvas*>(&recording)})
    {
        target->SetFillColor({0, 1, 0, 1});
        target->Save();
        target->SetFillColor({1, 0, 0, 1});
        target->ClipToRect({2, 2, 3, 3});
        target->FillRect({0, 0, 10, 10});
        target->Restore();
        target->FillRect({6, 6, 2, 2});
    }
    const Image p = canvas->Snapshot();
    EXPECT_EQ(p.Pixel(3, 3)[0], 255);
    EXPECT_EQ(p.Pixel(1, 1)[3], 0);
    EXPECT_EQ(p.Pixel(6, 3)[3], 0);
    EXPECT_EQ(p.Pixel(7, 7)[1], 255);
    const auto& ops = recording.Operations();
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_EQ(ops[0].mClip, (Rect{2, 2, 3, 3}));
    EXPECT_EQ(ops[0].mColor, (Color{1, 0, 0, 1}));
    EXPECT_EQ(ops[1].mClip, (Rect{0, 0, 10, 10}));
    EXPECT_EQ(ops[1].mColor, (Color{0, 1, 0, 1}));
}

} // namespace
