#include "CxCoordinates.h"
#include "CxDebug.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{

std::string Text(const CxString& inText)
{
    return inText.AsUtf8();
}

// Edges in stored order, for readable failures.
std::string Edges(const CxRect& inRect)
{
    return "l" + std::to_string(inRect.left) + " t" + std::to_string(inRect.top) + " r" + std::to_string(inRect.right) +
           " b" + std::to_string(inRect.bottom);
}

} // namespace

TEST(CxCoordinates, RecordLayout)
{
    const CxPlatformPoint zeroPoint;
    const CxPlatformRect zeroRect;
    EXPECT_EQ(zeroPoint.v, 0);
    EXPECT_EQ(zeroPoint.h, 0);
    EXPECT_EQ(zeroRect.top | zeroRect.left | zeroRect.bottom | zeroRect.right, 0);

    // Stored v, h and top, left, bottom, right, whatever the constructors' argument order.
    const CxPoint point(1, 2);
    CxSint16 raw[4];
    std::memcpy(raw, &point, sizeof(CxPlatformPoint));
    EXPECT_EQ(raw[0], 2);
    EXPECT_EQ(raw[1], 1);
    const CxRect rect(1, 2, 3, 4);
    std::memcpy(raw, &rect, sizeof(CxPlatformRect));
    EXPECT_EQ(raw[0], 2);
    EXPECT_EQ(raw[1], 1);
    EXPECT_EQ(raw[2], 4);
    EXPECT_EQ(raw[3], 3);
    EXPECT_EQ(sizeof(CxPoint), sizeof(CxPlatformPoint));
    EXPECT_EQ(sizeof(CxRect), sizeof(CxPlatformRect));
}

TEST(CxCoordinates, PointArithmeticAndText)
{
    CxPoint p(3, 4);
    p += CxPoint(10, 20);
    EXPECT_EQ(p, CxPoint(13, 24));
    p -= CxPoint(3, 4);
    EXPECT_EQ(p, CxPoint(10, 20));
    EXPECT_EQ(p + CxPoint(1, 1), CxPoint(11, 21));
    EXPECT_EQ(p - CxPoint(1, 1), CxPoint(9, 19));
    EXPECT_EQ(-p, CxPoint(-10, -20));
    EXPECT_TRUE(p.EqualTo(CxPoint(10, 20)));
    EXPECT_TRUE(p != CxPoint(20, 10));

    // 16-bit wrapping.
    EXPECT_EQ(CxPoint(32767, -32768) + CxPoint(1, -1), CxPoint(-32768, 32767));
    EXPECT_EQ(-CxPoint(-32768, 0), CxPoint(-32768, 0));

    EXPECT_EQ(Text(CxPoint(-5, 7).AsString()), "-5,7");
    const struct
    {
        const char* mText;
        CxSint16 mH, mV;
        bool mReported;
    } cases[] = {
        {"-5,7", -5, 7, false},
        {" 12 , 34", 12, 34, false},
        {"", 0, 0, false},
        {"7", 7, 0, true},
        {"1,2,3", 1, 2, true},
        {"x,y", 0, 0, false},
        {"70000,-70000", 4464, -4464, false},
    };
    for (const auto& c : cases)
    {
        CxDebugCapture capture;
        const CxPoint point{CxString(c.mText)};
        EXPECT_EQ(point, CxPoint(c.mH, c.mV)) << c.mText;
        EXPECT_EQ(capture.Count() > 0, c.mReported) << c.mText;
    }
}

TEST(CxCoordinates, PointPinAndMap)
{
    const CxRect box(0, 0, 100, 100);
    EXPECT_EQ(CxPoint(50, 50).Pin(box), CxPoint(50, 50));
    EXPECT_EQ(CxPoint(-5, 200).Pin(box), CxPoint(0, 99));
    EXPECT_EQ(CxPoint(100, 100).Pin(box), CxPoint(99, 99));
    // An empty rectangle pins to its right - 1 edge, after the left one.
    EXPECT_EQ(CxPoint(5, 5).Pin(CxRect(10, 10, 10, 10)), CxPoint(9, 9));

    const struct
    {
        CxPoint mPoint;
        CxRect mFrom, mTo;
        CxPoint mExpected;
    } cases[] = {
        {{50, 50}, {0, 0, 100, 100}, {0, 0, 200, 400}, {100, 200}},
        {{10, 10}, {10, 10, 20, 20}, {100, 100, 200, 300}, {100, 100}},
        {{15, 13}, {10, 10, 20, 20}, {100, 100, 200, 300}, {150, 160}},
        {{0, 0}, {0, 0, 3, 3}, {0, 0, 1, 1}, {0, 0}},
        {{2, 2}, {0, 0, 3, 3}, {0, 0, 1, 1}, {0, 0}},   // 0.666 truncates to 0
        {{-2, -2}, {0, 0, 3, 3}, {0, 0, 1, 1}, {0, 0}}, // -0.666 truncates towards zero
        {{-5, -5}, {0, 0, 3, 3}, {0, 0, 1, 1}, {-1, -1}},
        {{7, 9}, {0, 0, 10, 10}, {100, 200, 80, 180}, {86, 182}}, // a mirrored target
        // Zero width or height: that axis maps onto the target's edge.
        {{50, 50}, {0, 0, 0, 100}, {10, 20, 110, 220}, {10, 120}},
        {{50, 50}, {0, 0, 100, 0}, {10, 20, 110, 220}, {60, 20}},
        {{50, 50}, {5, 5, 5, 5}, {10, 20, 110, 220}, {10, 20}},
        // Results beyond 16 bits keep their low 16 bits.
        {{1, 1}, {0, 0, 1, 1}, {0, 0, 30000, 30000}, {30000, 30000}},
        {{2, 3}, {0, 0, 1, 1}, {0, 0, 30000, 30000}, {-5536, 24464}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.mPoint.Map(c.mFrom, c.mTo), c.mExpected)
            << c.mPoint.h << "," << c.mPoint.v << " from " << Edges(c.mFrom) << " to " << Edges(c.mTo);
}

TEST(CxCoordinates, RectGeometry)
{
    CxRect r(10, 20, 110, 70);
    EXPECT_EQ(r.Width(), 100);
    EXPECT_EQ(r.Height(), 50);
    EXPECT_EQ(r.XCenter(), 60);
    EXPECT_EQ(r.YCenter(), 45);
    const CxPoint points[] = {r.TopLeft(),    r.TopRight(),    r.BottomLeft(), r.BottomRight(), r.Center(),
                              r.LeftCenter(), r.RightCenter(), r.TopCenter(),  r.BottomCenter()};
    const CxPoint expected[] = {{10, 20}, {110, 20}, {10, 70}, {110, 70}, {60, 45},
                                {10, 45}, {110, 45}, {60, 20}, {60, 70}};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(points[i], expected[i]) << "point " << i;
    EXPECT_EQ(Edges(CxRect(CxPoint(5, 50), CxPoint(40, 10))), "l5 t10 r40 b50"); // corners in any order
    CxRect normal = r;
    normal.Normalize();
    EXPECT_EQ(normal, CxRect(0, 0, 100, 50));
    // Centres truncate towards zero.
    EXPECT_EQ(CxRect(-3, -3, 0, 0).XCenter(), -1);
    EXPECT_EQ(CxRect(0, 0, 3, 3).XCenter(), 1);
    // In full integers, not 16 bits.
    EXPECT_EQ(CxRect(30000, 30000, 32000, 32000).XCenter(), 31000);

    r.SetWidth(10);
    r.SetHeight(5);
    EXPECT_EQ(r, CxRect(10, 20, 20, 25));
    r.Offset(-10, 5);
    EXPECT_EQ(r, CxRect(0, 25, 10, 30));
    r.Offset(CxPoint(1, 2));
    EXPECT_EQ(r, CxRect(1, 27, 11, 32));
    r.Inset(2, 1);
    EXPECT_EQ(r, CxRect(3, 28, 9, 31));
    r.Outset(CxPoint(2, 1));
    EXPECT_EQ(r, CxRect(1, 27, 11, 32));
    r.Inset(CxPoint(10, 10));
    EXPECT_TRUE(r.Empty()); // insetting past the middle leaves an empty rectangle
    EXPECT_EQ(r, CxRect(11, 37, 1, 22));

    EXPECT_TRUE(CxRect(0, 0, 0, 10).Empty());
    EXPECT_TRUE(CxRect(0, 0, 10, 0).Empty());
    EXPECT_FALSE(CxRect(0, 0, 1, 1).Empty());

    // Wrapping in 16 bits.
    CxRect edge(32760, 0, 32767, 10);
    edge.Offset(10, 0);
    EXPECT_EQ(Edges(edge), "l-32766 t0 r-32759 b10");
    EXPECT_EQ(CxRect(-32768, 0, 32767, 1).Width(), -1);
}

TEST(CxCoordinates, Containment)
{
    const CxRect outer(0, 0, 100, 100);
    const std::pair<CxPoint, bool> points[] = {
        {{0, 0}, true}, {{99, 99}, true}, {{100, 30}, false}, {{-1, 0}, false}, {{50, 100}, false}};
    for (const auto& [point, inside] : points)
    {
        EXPECT_EQ(outer.Contains(point), inside) << point.h << "," << point.v;
        EXPECT_EQ(point.Inside(outer), inside) << point.h << "," << point.v;
    }
    EXPECT_TRUE(outer.Contains(CxRect(0, 0, 100, 100)));
    EXPECT_TRUE(outer.Contains(CxRect(10, 10, 20, 20)));
    EXPECT_FALSE(outer.Contains(CxRect(-1, 10, 20, 20)));
    EXPECT_FALSE(outer.Contains(CxRect(10, 10, 101, 20)));
    EXPECT_TRUE(CxRect(10, 10, 20, 20).Inside(outer));
    EXPECT_FALSE(outer.Inside(CxRect(10, 10, 20, 20)));
    EXPECT_EQ(outer.Union(CxRect(50, -10, 150, 20)), CxRect(0, -10, 150, 100));
    EXPECT_EQ(outer.Intersection(CxRect(50, -10, 150, 20)), CxRect(50, 0, 100, 20));
    EXPECT_TRUE(outer.Intersects(CxRect(50, -10, 150, 20)));
    // Touching edges do not overlap: the rectangles are half-open.
    EXPECT_FALSE(outer.Intersects(CxRect(100, 0, 200, 100)));
    EXPECT_TRUE(outer.Intersection(CxRect(100, 0, 200, 100)).Empty());
    EXPECT_FALSE(outer.Intersects(CxRect(200, 200, 300, 300)));

    CxRect grown(5, 5, 6, 6);
    grown.ExpandToContain(CxPoint(-3, 10));
    EXPECT_EQ(grown, CxRect(-3, 5, 6, 10));
    grown.ExpandToContain(CxPoint(0, 0));
    EXPECT_EQ(grown, CxRect(-3, 0, 6, 10));
}

TEST(CxCoordinates, PinAndCenter)
{
    const CxRect bounds(10, 10, 40, 40);
    const struct
    {
        CxRect mRect;
        CxRect mExpected;
    } pins[] = {
        {{0, 0, 5, 5}, {10, 10, 15, 15}},     // up and left into the corner
        {{50, 50, 60, 60}, {30, 30, 40, 40}}, // back from the far corner
        {{20, 20, 30, 30}, {20, 20, 30, 30}}, // already inside
        {{0, 0, 50, 50}, {-10, -10, 40, 40}}, // bigger: ends on the right and bottom edges
        {{30, 30, 80, 80}, {-10, -10, 40, 40}}, {{15, 0, 25, 50}, {15, -10, 25, 40}}, // too tall only
    };
    for (const auto& p : pins)
    {
        CxRect rect = p.mRect;
        rect.Pin(bounds);
        EXPECT_EQ(rect, p.mExpected) << Edges(p.mRect) << " gave " << Edges(rect);
        EXPECT_EQ(rect.Width(), p.mRect.Width());
        EXPECT_EQ(rect.Height(), p.mRect.Height());
    }

    // Odd sizes: the centre truncates, so the rectangle lands half a pixel up and left.
    CxRect odd(0, 0, 5, 3);
    odd.CenterOn(10, 10);
    EXPECT_EQ(odd, CxRect(8, 9, 13, 12));
    EXPECT_EQ(odd.Center(), CxPoint(10, 10));
    odd.CenterOn(CxPoint(0, 0));
    EXPECT_EQ(odd, CxRect(-2, -1, 3, 2));
    EXPECT_EQ(odd.Center(), CxPoint(0, 0));
    odd.CenterOn(CxRect(0, 0, 7, 7));
    EXPECT_EQ(odd, CxRect(1, 2, 6, 5));

    CxRect axis(0, 0, 4, 4);
    axis.CenterOnX(CxPoint(10, 99));
    EXPECT_EQ(axis, CxRect(8, 0, 12, 4));
    axis.CenterOnY(CxPoint(99, 10));
    EXPECT_EQ(axis, CxRect(8, 8, 12, 12));
    axis.CenterOnX(CxRect(0, 0, 2, 2));
    EXPECT_EQ(axis, CxRect(-1, 8, 3, 12));
    axis.CenterOnY(CxRect(0, 100, 2, 102));
    EXPECT_EQ(axis, CxRect(-1, 99, 3, 103));
}

TEST(CxCoordinates, RectText)
{
    const struct
    {
        const char* mText;
        CxRect mComma, mTLBR, mLTRB, mLTWH;
    } cases[] = {
        {"10,20,100,50", {10, 20, 110, 70}, {}, {}, {}},
        {"", {}, {}, {}, {}},
        {"10", {10, 0, 0, 0}, {0, 10, 0, 0}, {10, 0, 0, 0}, {10, 0, 0, 0}},
        {"10,20,100", {10, 20, 110, 0}, {}, {}, {}},
        {"-5,-6,10,10", {-5, -6, 5, 4}, {}, {}, {}},
        {"1 2 3 4", {}, {2, 1, 4, 3}, {1, 2, 3, 4}, {1, 2, 4, 6}},
        {"1 2 3", {}, {2, 1, 0, 3}, {1, 2, 3, 0}, {1, 2, 4, 0}},
        {"1 2", {}, {2, 1, 0, 0}, {1, 2, 0, 0}, {1, 2, 0, 0}},
        {"1 2 3 4 5", {}, {2, 1, 4, 3}, {1, 2, 3, 4}, {1, 2, 4, 6}},
        {"30000 0 10000 0", {}, {0, 30000, 0, 10000}, {30000, 0, 10000, 0}, {30000, 0, -25536, 0}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mText);
        const CxString text(c.mText);
        if (!text.Contains(CxString(" ")))
        {
            EXPECT_EQ(CxRect(text), c.mComma) << Edges(CxRect(text));
        }
        if (text.Contains(CxString(" ")) || text.Length() == 0)
        {
            EXPECT_EQ(CxRect::FromTLBR(text), c.mTLBR) << Edges(CxRect::FromTLBR(text));
            EXPECT_EQ(CxRect::FromLTRB(text), c.mLTRB) << Edges(CxRect::FromLTRB(text));
            EXPECT_EQ(CxRect::FromLTWH(text), c.mLTWH) << Edges(CxRect::FromLTWH(text));
        }
    }
    EXPECT_EQ(Text(CxRect(-5, -6, 5, 4).AsString()), "-5,-6,10,10");
    EXPECT_EQ(CxRect(CxRect(10, 20, 110, 70).AsString()), CxRect(10, 20, 110, 70));
    EXPECT_EQ(Text(CxRect(-32768, 0, 32767, 0).AsString()), "-32768,0,-1,0");
}
