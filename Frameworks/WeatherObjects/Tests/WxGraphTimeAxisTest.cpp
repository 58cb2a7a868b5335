#include "WxDrawTestSupport.h"
#include "WxGraph.h"

#include <cmath>
#include <limits>

namespace
{

using namespace wxdraw;

class WxGraphTimeAxisTest : public DrawTest
{
};

CxDate Utc(const std::string& inText)
{
    return CxDate(CxString::FromUtf8(inText + " UTC"));
}

// The x of every tick mark (a line from y = -2 to 2) drawn by the axis with its origin at (100, 100).
std::vector<double> DrawnTicks(GxContext& ioContext, WxGraphTimeAxis& ioAxis)
{
    const auto all = gxtest::CaptureFeedback(
        [&]
        {
            ioContext.Begin2D();
            glTranslated(100.0, 100.0, 0.0);
            ioAxis.Draw(ioContext, GxColor(CxString("#FFFF99")));
            ioContext.End2D();
        });
    std::vector<double> ticks;
    for (const auto& line : gxtest::OfToken(all, GL_LINE_TOKEN))
    {
        if (line.mVertices.size() == 2 && std::fabs(line.mVertices[0].mY - 98.0) < 1e-3 &&
            std::fabs(line.mVertices[1].mY - 102.0) < 1e-3)
            ticks.push_back(line.mVertices[0].mX - 100.0);
    }
    return ticks;
}

TEST_F(WxGraphTimeAxisTest, TicksAndLabelsMatchZoneinfo)
{
    const auto rows = ReadCsv(WX7_DATA_DIR "/time_axis_cases.csv");
    ASSERT_GT(rows.size(), 10u);
    for (std::size_t i = 0; i < rows.size();)
    {
        const auto& head = rows[i++];
        ASSERT_EQ(head.size(), 7u);
        ASSERT_EQ(head[0], "case");
        const std::string name = head[1] + " " + head[2] + " " + head[4] + " px";
        sky::test::ScopedTz tz(head[1].c_str());
        const CxDate start = Utc(head[2]);
        WxGraphTimeAxis axis;
        axis.Build(start, Utc(head[3]), CxRect(0, 0, CxSint16(std::stoi(head[4])), 200));
        EXPECT_EQ(axis.LabelCount(), std::stoi(head[5])) << name;
        EXPECT_EQ(axis.Step(), std::stoll(head[6])) << name;
        ASSERT_EQ(rows[i][0], "band");
        WxGraph graph;
        graph.SetDates(start, Utc(head[3]));
        gxtest::CaptureFeedback([&] { graph.DrawLegend(*mContext, GxRect(0.0, 0.0, 175.0, 400.0), true, false); });
        EXPECT_EQ(graph.StartText().AsUtf8(), rows[i][1]) << name;
        EXPECT_EQ(graph.EndText().AsUtf8(), rows[i++][2]) << name;
        std::vector<WxGraphTimeAxis::Label> want;
        std::vector<double> wantX;
        for (; i < rows.size() && rows[i][0] == "tick"; ++i)
        {
            const auto& tick = rows[i];
            const double x = std::stod(tick[2]);
            wantX.push_back(x);
            want.push_back({CxString::FromUtf8(tick[3]), std::floor(x) + 0.375, -2.625});
            if (tick.size() > 4 && !tick[4].empty())
                want.push_back({CxString::FromUtf8(tick[4]), std::floor(x) + 0.375, -13.375});
        }
        const auto drawn = DrawnTicks(*mContext, axis);
        ASSERT_EQ(drawn.size(), wantX.size()) << name;
        for (std::size_t k = 0; k < drawn.size(); ++k)
            EXPECT_NEAR(drawn[k], wantX[k], 0.01) << name << " tick " << k;
        const auto labels = axis.Labels();
        ASSERT_EQ(labels.size(), want.size()) << name;
        for (std::size_t k = 0; k < labels.size(); ++k)
        {
            EXPECT_EQ(labels[k].mText.AsUtf8(), want[k].mText.AsUtf8()) << name << " label " << k;
            EXPECT_EQ(labels[k].mX, want[k].mX) << name << " label " << k;
            EXPECT_EQ(labels[k].mY, want[k].mY) << name << " label " << k;
        }
    }
}

// A plot of no width, or dates that are no number, once made the tick loops run for ever.
TEST_F(WxGraphTimeAxisTest, NoWidthOrNoDatesLayNothingOut)
{
    const CxDate start = Utc("2025-11-01 12:00:00");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct
    {
        CxDate mStart, mEnd;
        CxSint16 mWidth;
    } cases[] = {
        {start, start + 3600.0, 0},
        {start, start + 3600.0, -20},
        {CxDate(nan), start, 600},
        {start, CxDate(nan), 600},
        {start, CxDate(std::numeric_limits<double>::infinity()), 600},
    };
    for (const auto& test : cases)
    {
        WxGraphTimeAxis axis;
        axis.Build(test.mStart, test.mEnd, CxRect(0, 0, test.mWidth, 200));
        EXPECT_FALSE(axis.HasTicks());
        // Nothing laid out ends where it starts: a start that is a date gives no end that is none.
        if (std::isnan(test.mStart.AbsoluteTime()))
            EXPECT_TRUE(std::isnan(axis.EndDate().AbsoluteTime()));
        else
            EXPECT_EQ(axis.EndDate(), test.mStart);
        EXPECT_TRUE(axis.Labels().empty());
        EXPECT_TRUE(DrawnTicks(*mContext, axis).empty());
    }
}

// The graph's tracking time is its time axis', which follows the point inside the plot (50 to 974) only.
TEST_F(WxGraphTimeAxisTest, TrackingFollowsThePointInsideThePlotOnly)
{
    sky::test::ScopedTz tz("UTC");
    const CxDate start = Utc("2025-11-01 12:00:00");
    WxGraph graph;
    graph.SetDates(start, start + 92400.0);
    gxtest::CaptureFeedback([&] { graph.DrawGraph(*mContext, CxRect(0, 0, 1024, 768)); });
    const std::pair<double, double> cases[] = {{50, 0}, {512, 46200}, {974, 92400}, {975, 92400}, {10, 92400}};
    for (const auto& [x, want] : cases)
    {
        graph.SetTrackingPoint(GxPoint(x, 0.0));
        EXPECT_EQ(graph.TrackingTime().AsString(), (start + want).AsString()) << x;
    }
}

} // namespace
