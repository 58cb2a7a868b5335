#include "GxString.h"
#include "WxDrawTestSupport.h"
#include "WxGraph.h"
#include "WxSeries.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace
{

using namespace wxdraw;
using wxkit::KitSeries;

struct Segment
{
    double mX1, mY1, mX2, mY2;
    double mAlpha;
};

class WxGraphDrawTest : public DrawTest
{
protected:
    const CxRect mWindow{0, 0, kWidth, kHeight};
    WxGraph mGraph;

    // Builds the list from the last series to the first; a null unit stands for a divider.
    std::vector<KitSeries*> Fill(std::vector<std::pair<const char*, double>> inSeries)
    {
        std::vector<KitSeries*> made;
        for (auto item = inSeries.rbegin(); item != inSeries.rend(); ++item)
        {
            if (item->first == nullptr)
            {
                new WxSeriesSplit(&mGraph);
                continue;
            }
            auto* series = new KitSeries(&mGraph);
            series->SetUnit(DxUnit(CxString(item->first)));
            series->SetRange(item->second, item->second + 20.0);
            made.insert(made.begin(), series);
        }
        return made;
    }

    std::vector<gxtest::FeedbackPrimitive> Draw()
    {
        return gxtest::CaptureFeedback([&] { mGraph.DrawGraph(*mContext, mWindow); });
    }

    static std::vector<Segment> Lines(const std::vector<gxtest::FeedbackPrimitive>& inAll)
    {
        std::vector<Segment> lines;
        for (GLenum token : {GLenum(GL_LINE_TOKEN), GLenum(GL_LINE_RESET_TOKEN)})
            for (const auto& p : gxtest::OfToken(inAll, token))
                lines.push_back({p.mVertices[0].mX, p.mVertices[0].mY, p.mVertices[1].mX, p.mVertices[1].mY,
                                 p.mVertices[0].mColor[3]});
        return lines;
    }

    static bool Has(const std::vector<Segment>& inLines, double inX1, double inY1, double inX2, double inY2)
    {
        return std::any_of(inLines.begin(), inLines.end(),
                           [&](const Segment& s)
                           {
                               return std::fabs(s.mX1 - inX1) + std::fabs(s.mY1 - inY1) + std::fabs(s.mX2 - inX2) +
                                          std::fabs(s.mY2 - inY2) <
                                      1e-3;
                           });
    }

    // The y (from the bottom) of the full-width grid lines of the plot whose lower edge is inBottom.
    static std::set<double> GridRows(const std::vector<Segment>& inLines, double inBottom, double inTop)
    {
        std::set<double> rows;
        for (const Segment& s : inLines)
            if (s.mY1 == s.mY2 && s.mX1 == 50.0 && s.mX2 == kWidth - 50.0 && s.mY1 > inBottom && s.mY1 < inTop &&
                std::fabs(s.mAlpha - 0.2) < 1e-3)
                rows.insert(s.mY1);
        return rows;
    }
};

TEST_F(WxGraphDrawTest, DividersStackEqualPanesWithTheirSeriesAndShadows)
{
    mGraph.SetColor(GxColor(CxString("#336699")));
    mGraph.SetDates(CxDate(2009, 7, 4, 0, 0, 0, 0), CxDate(2009, 7, 5, 0, 0, 0, 0));
    Fill({{"cels", 0}, {nullptr, 0}, {"mbar", 990}, {nullptr, 0}, {"mps", 5}});
    const auto all = Draw();
    const auto lines = Lines(all);
    const auto quads = gxtest::Quads(all);
    // Panes of 256 px from the top; each plot 50 px in and 20 px below the pane's upper edge.
    for (int pane = 0; pane < 3; ++pane)
    {
        const double lower = kHeight - 256.0 * (pane + 1);
        EXPECT_TRUE(Has(lines, 50.0, lower + 50.0, kWidth - 50.0, lower + 50.0)) << pane;
        EXPECT_TRUE(Has(lines, 50.0, lower + 236.0, 50.0, lower + 50.0)) << pane;
        EXPECT_TRUE(Has(lines, 50.0, lower + 50.0, kWidth - 50.0, lower + 236.0)) << "series of pane " << pane;
        // The divider closing the pane: two 16 px halves of a band across the pane, 6 px above its lower edge.
        if (pane < 2)
        {
            EXPECT_EQ(At(quads, 0.0, lower + 6.0, kWidth, lower + 14.0).size(), 1u) << pane;
            EXPECT_EQ(At(quads, 0.0, lower - 2.0, kWidth, lower + 6.0).size(), 1u) << pane;
        }
    }
    // Feedback draws no pixels: a frame for the probe and the snapshot.
    mGraph.DrawGraph(*mContext, mWindow);
    mGraph.DrawLegend(*mContext, GxRect(0.0, 0.0, 175.0, kHeight), true, false);
    Snapshot("panes", "wx7_");
    ExpectPixel(kWidth - 8, kHeight - 4, mGraph.Color());
}

TEST_F(WxGraphDrawTest, AxesFitTheDataAndUnusedOnesGo)
{
    auto* knot = new WxSeriesAxis();
    knot->SetUnit(DxUnit(CxString("mps")));
    knot->SetAutoMin(false);
    mGraph.AdoptAxis(knot);
    const auto series = Fill({{"cels", 7}});
    series[0]->SetRange(7.0, 7.0);
    EXPECT_NE(wxkit::WriteDocument(mGraph).find("mps"), std::string::npos);
    Draw();
    const WxSeriesAxis* cels = mGraph.GetAxisById(CxString("cels"));
    EXPECT_EQ(cels->Min(), 2.0);
    EXPECT_EQ(cels->Max(), 12.0);
    EXPECT_EQ(mGraph.Axes().count(CxString("mps")), 0u);
    EXPECT_EQ(wxkit::WriteDocument(mGraph).find("mps"), std::string::npos);
}

TEST_F(WxGraphDrawTest, LeftAxisOfTheFirstSeriesRightOfTheSelectedOrNextUnit)
{
    const auto series = Fill({{"cels", 0}, {"cels", 5}, {"mbar", 990}, {nullptr, 0}});
    // The upper of two panes; its plot from 434 to 748.
    const double bottom = 434.0;
    const auto round = [](double inY) { return std::round(inY * 100.0) / 100.0; };
    for (bool select : {false, true})
    {
        series[2]->SetSelected(select);
        std::set<double> drawn;
        for (double y : GridRows(Lines(Draw()), bottom, 748.0))
            drawn.insert(round(y));
        std::set<double> want;
        for (double y : mGraph.GetAxisById(CxString(select ? "mbar" : "cels"))->TickOffsets())
            if (y > 0.0 && y < 314.0)
                want.insert(round(bottom + y));
        EXPECT_FALSE(want.empty());
        EXPECT_EQ(drawn, want) << select;
        const struct
        {
            int mX, mY;
            const char* mId;
            std::int32_t mIndex;
        } clicks[] = {{20, 100, "cels", 1},
                      {kWidth - 20, 100, "mbar", 2},
                      {500, 100, "", 0},
                      // The empty pane after the trailing divider draws no value axis.
                      {20, 500, "", 0}};
        for (const auto& click : clicks)
        {
            std::int32_t index = -1;
            const CxString id = mGraph.GetAxisUnitIdForPoint(CxPoint(CxSint16(click.mX), CxSint16(click.mY)), index);
            EXPECT_EQ(id.AsUtf8(), click.mId) << click.mX << "," << click.mY;
            EXPECT_EQ(index, click.mIndex) << click.mX << "," << click.mY;
        }
    }
}

TEST_F(WxGraphDrawTest, LegendRowsLockHiddenAlphaAndNoFillBelowOverflow)
{
    const auto series = Fill({{"cels", 0}, {nullptr, 0}, {"mbar", 0}});
    series[0]->SetName(CxString("Air"));
    series[0]->SetAuthenticationFailed(true);
    series[1]->SetName(CxString("Pressure"));
    series[1]->SetVisibility(false);
    const auto legend = [&](const GxRect& inRect)
    { return gxtest::Quads(gxtest::CaptureFeedback([&] { mGraph.DrawLegend(*mContext, inRect, true, false); })); };
    // Rows from 60 px below the top, 40 px each: 600, 560 and 520 up.
    const auto quads = legend(GxRect(0.0, 200.0, 175.0, 700.0));
    // In the plot the hidden series draws nothing.
    const auto lines = Lines(Draw());
    EXPECT_TRUE(Has(lines, 50.0, 434.0, 974.0, 748.0) && !Has(lines, 50.0, 50.0, 974.0, 364.0));
    for (int k = 1; k <= 3; ++k)
        EXPECT_FALSE(At(quads, 0.0, 640.0 - 40.0 * k, 175.0, 680.0 - 40.0 * k).empty()) << "row " << k;
    // The lock 19 px right of and 3 px below the first row's icon, which sits at (5, 4) in the row.
    EXPECT_EQ(At(quads, 24.0, 601.0, 40.0, 617.0).size(), 1u);
    EXPECT_TRUE(At(quads, 24.0, 521.0, 40.0, 537.0).empty());
    // The hidden third row: glass at half strength, the name at 0.6.
    const auto glass = At(quads, 5.0, 524.0, 37.0, 556.0);
    ASSERT_EQ(glass.size(), 1u);
    EXPECT_NEAR(glass[0].mColor[3], 0.5, 1e-3);
    int names = 0;
    for (const auto& q : quads)
        if (q.mLeft > 41.0 && q.mLeft < 46.0 && q.mBottom > 540.0 && q.mTop < 560.0)
            names += std::fabs(q.mColor[3] - 0.6) < 1e-3;
    EXPECT_EQ(names, 1);
    // Rows that overflow a short legend leave nothing below the last row.
    for (const auto& q : legend(GxRect(0.0, 600.0, 175.0, 700.0)))
        EXPECT_GE(q.mBottom, 520.0);
    // A rename textures the name again and leaves the status texture be.
    const GxString* status = series[0]->StatusString();
    series[0]->SetName(CxString("Air temperature"));
    legend(GxRect(0.0, 200.0, 175.0, 700.0));
    EXPECT_TRUE(series[0]->StatusString() == status && series[0]->LegendString()->GetString() == "Air temperature");
}
} // namespace
