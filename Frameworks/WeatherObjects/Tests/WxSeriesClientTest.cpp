#include "WxSeriesClient.h"
#include "DxSet.h"
#include "WxDrawTestSupport.h"
#include "WxGraph.h"
#include "WxParser.h"
#include "WxProductTable.h"
#include "WxSeriesTestSupport.h"
#include "XmlBuilder.h"

#include <cmath>
#include <cstdio>
#include <functional>

namespace
{

using namespace wxdraw;
using wxseries::InColor;
using wxseries::Polylines;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const GxColor kLineColor(0.5, 0.0, 0.0, 1.0);

class WxSeriesClientTest : public DrawTest
{
protected:
    void SetUp() override
    {
        DrawTest::SetUp();
        if (HasFatalFailure())
            return;
        WxRegisterProducts();
        mSet = wxseries::KitSeriesSet();
        ASSERT_NE(mSet, nullptr);
        ASSERT_NE(mSet->SeriesManager(), nullptr);
        mGraph.SetDates(mStart, mStart + 86400.0);
    }

    // The series leave their set before the kit deletes every set.
    void TearDown() override
    {
        while (mGraph.SeriesBegin() != mGraph.SeriesEnd())
            delete *mGraph.SeriesBegin();
        DrawTest::TearDown();
    }

    WxSeriesClient* MakeSeries(const char* inExtra = "", bool inFilled = false)
    {
        auto* series = new WxSeriesClient(&mGraph);
        std::unique_ptr<WxParser> parser;
        series->Internalize(wxkit::KitElement(parser, Element(inExtra, inFilled)));
        return series;
    }

    static std::string Element(const char* inExtra, bool inFilled = false)
    {
        return std::string(R"(<series visible="true" selected="false" alpha="1.0" filled=")") +
               (inFilled ? "true" : "false") +
               R"(" dataset="kts1set" color="#800000FF" width="2.0" parm="pres" unit="mbar" site="kts1" )"
               R"(symbol="none" symbolSize="2.00" )" +
               inExtra + "/>";
    }

    // One day of five-minute samples: "time" in seconds from the frame date and "pres".
    static DxTable* Day(const CxDate& inDate, const std::vector<double>& inValues)
    {
        std::vector<double> times;
        for (std::size_t i = 0; i < inValues.size(); ++i)
            times.push_back(300.0 * double(i));
        return wxkit::KitTable(inDate, {}, {{"time:secs", times}, {"pres:mbar", inValues}});
    }

    // The whole graph's feedback in window pixels.
    std::vector<gxtest::FeedbackPrimitive> DrawFeedback()
    {
        return gxtest::CaptureFeedback([&] { mGraph.DrawGraph(*mContext, CxRect(0, 0, kWidth, kHeight)); });
    }

    const CxDate mStart{2020, 7, 27, 0, 0, 0, 0};
    DxSet* mSet = nullptr;
    WxGraph mGraph;
};

TEST_F(WxSeriesClientTest, ElementRoundTripsByteForByte)
{
    const char* extra = R"(interpolate="false")";
    WxSeriesClient* series = MakeSeries(extra);
    std::unique_ptr<WxParser> parser;
    const XmlElement* read = wxkit::KitElement(parser, Element(extra));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(wxkit::WriteVanedoc([&](XmlBuilder& ioBuilder) { series->Externalize(ioBuilder); }),
              wxkit::WriteVanedoc([&](XmlBuilder& ioBuilder) { wxkit::Rewrite(read, ioBuilder); }));
    EXPECT_EQ(series->Name(), CxString("Pressure"));
    // Read inside a graph, it asks for the graph's window and shows its start.
    EXPECT_EQ(series->StartDate(), mGraph.StartDate());
    EXPECT_EQ(series->EndDate(), mGraph.EndDate());
    EXPECT_EQ(series->DisplayDate(), mGraph.StartDate());
}

// A column starting missing and a frame without the field must not shrink the range the axis follows.
TEST_F(WxSeriesClientTest, RangeSkipsMissingValuesAndFramesWithoutTheField)
{
    WxSeriesClient* series = MakeSeries();
    wxkit::Inject(*series, Day(mStart, {kNaN, 1012.5, 1009.0, kNaN, 1015.25}));
    wxkit::Inject(*series, wxkit::KitTable(mStart + 86400.0, {}, {{"time:secs", {0.0}}}));
    wxkit::Inject(*series, Day(mStart + 2 * 86400.0, {kNaN, 1011.0}));
    EXPECT_EQ(series->DataMinimum(), 1009.0);
    EXPECT_EQ(series->DataMaximum(), 1015.25);
}

struct LineCase
{
    const char* mName;
    bool mInterpolate;
    std::vector<double> mValues;
    std::vector<std::vector<int>> mRuns; // sample indices of each drawn polyline
};

TEST_F(WxSeriesClientTest, VerticesSitOnTheStepsAndBreakOnlyWhenNotInterpolating)
{
    const std::vector<double> values{1010.0, kNaN, 1012.0, 1014.0, kNaN, 1011.0, 1013.0};
    const LineCase cases[] = {
        {"joined", true, values, {{0, 2, 3, 5, 6}}},
        {"broken", false, values, {{2, 3}, {5, 6}}},
    };
    for (const LineCase& c : cases)
    {
        WxSeriesClient* series = MakeSeries(c.mInterpolate ? R"(interpolate="true")" : R"(interpolate="false")");
        wxkit::Inject(*series, Day(mStart, c.mValues));
        const auto lines = Polylines(DrawFeedback(), kLineColor);
        WxSeriesAxis* axis = mGraph.GetAxis(series);
        ASSERT_NE(axis, nullptr);
        const CxRect plot = WxGraph::PlotRect(mGraph.Bounds());
        const double pps = mGraph.GetTimeAxis()->PixelsPerSecond();
        const double h = plot.Height() / (axis->Max() - axis->Min());
        ASSERT_EQ(lines.size(), c.mRuns.size()) << c.mName;
        for (std::size_t r = 0; r < lines.size(); ++r)
        {
            ASSERT_EQ(lines[r].size(), c.mRuns[r].size()) << c.mName;
            for (std::size_t k = 0; k < lines[r].size(); ++k)
            {
                const int i = c.mRuns[r][k];
                EXPECT_NEAR(lines[r][k].mX, plot.left + i * 300.0 * pps, 0.01) << c.mName;
                EXPECT_NEAR(lines[r][k].mY, plot.top + (c.mValues[i] - axis->Min()) * h, 0.01) << c.mName;
            }
        }
        delete series;
    }
}

// The drawing mends: an empty value column and a flat fixed axis draw nothing, without a crash; also when the
// axis sits at the samples' own value, so they lie on the edge of the plot's clip.
TEST_F(WxSeriesClientTest, EmptyColumnAndFlatAxisDrawNothing)
{
    WxSeriesClient* series = MakeSeries();
    wxkit::Inject(*series, wxkit::KitTable(mStart, {}, {{"time:secs", {}}, {"pres:mbar", {}}}));
    EXPECT_TRUE(Polylines(DrawFeedback(), kLineColor).empty());

    wxkit::Inject(*series, Day(mStart + 86400.0, {1010.0, 1011.0}));
    WxSeriesAxis* axis = mGraph.GetAxis(series);
    ASSERT_NE(axis, nullptr);
    axis->SetAutoMin(false);
    axis->SetAutoMax(false);
    axis->SetMin(1000.0);
    axis->SetMax(1000.0);
    EXPECT_TRUE(Polylines(DrawFeedback(), kLineColor).empty());

    series->SetSymbol(CxString("circle"));
    series->SetFilled(true);
    axis->SetMin(1010.0);
    axis->SetMax(1010.0);
    const auto all = DrawFeedback();
    EXPECT_TRUE(Polylines(all, kLineColor).empty());
    for (GLenum token : {GL_POLYGON_TOKEN, GL_POINT_TOKEN})
        for (const auto& p : gxtest::OfToken(all, token))
            EXPECT_FALSE(InColor(p.mVertices[0], kLineColor)) << token;
    // Mesa drops the vertices of a non-finite scale, so what was compiled and placed tells.
    EXPECT_FALSE(series->LineList().IsDisplayListValid());
    EXPECT_TRUE(series->SymbolPoints().empty());
}

// Under a fixed axis the line runs past the top while the fill stops at it; a value below the axis fills nothing.
TEST_F(WxSeriesClientTest, FillStaysWithinTheAxisRange)
{
    WxSeriesClient* series = MakeSeries("", true);
    wxkit::Inject(*series, Day(mStart, {1004.0, 1015.0, 995.0, 1011.0}));
    WxSeriesAxis* axis = mGraph.GetAxis(series);
    ASSERT_NE(axis, nullptr);
    axis->SetAutoMin(false);
    axis->SetAutoMax(false);
    axis->SetMin(1000.0);
    axis->SetMax(1012.0);
    const auto all = DrawFeedback();
    const CxRect plot = WxGraph::PlotRect(mGraph.Bounds());
    const double h = plot.Height() / 12.0;
    // Clipped where it leaves the axis: up through 12 after step 8/11, back at 1.15, out at the bottom at 1.75 and
    // in again at 2.3125 (straight lines between the samples).
    const double step = 300.0 * mGraph.GetTimeAxis()->PixelsPerSecond();
    const std::vector<std::vector<GxPoint>> expected{
        {{0.0, 4.0}, {8.0 / 11.0, 12.0}}, {{1.15, 12.0}, {1.75, 0.0}}, {{2.3125, 0.0}, {3.0, 11.0}}};
    const auto lines = Polylines(all, kLineColor);
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t r = 0; r < lines.size(); ++r)
    {
        ASSERT_EQ(lines[r].size(), expected[r].size()) << r;
        for (std::size_t k = 0; k < lines[r].size(); ++k)
        {
            EXPECT_NEAR(lines[r][k].mX, plot.left + expected[r][k].mX * step, 0.01) << r << "," << k;
            EXPECT_NEAR(lines[r][k].mY, plot.top + expected[r][k].mY * h, 0.01) << r << "," << k;
        }
    }
    // The fill's triangles stay within the axis range, reach its top and lie flat where the value is below it.
    double top = plot.top;
    std::size_t triangles = 0;
    for (const auto& p : gxtest::OfToken(all, GL_POLYGON_TOKEN))
    {
        if (!InColor(p.mVertices[0], kLineColor))
            continue;
        ++triangles;
        for (const auto& v : p.mVertices)
        {
            EXPECT_GE(v.mY, plot.top - 0.01);
            EXPECT_LE(v.mY, plot.top + 12.0 * h + 0.01);
            top = std::max(top, v.mY);
            if (std::fabs(v.mX - (plot.left + 2.0 * step)) < 0.01)
            {
                EXPECT_NEAR(v.mY, plot.top, 0.01);
            }
        }
    }
    EXPECT_GT(triangles, 0u);
    EXPECT_NEAR(top, plot.top + 12.0 * h, 0.01);
    // Symbols only where the value lies on the axis: the first and the last sample.
    series->SetSymbol(CxString("circle"));
    mGraph.DrawGraph(*mContext, CxRect(0, 0, kWidth, kHeight));
    ASSERT_EQ(series->SymbolPoints().size(), 2u);
    EXPECT_EQ(series->SymbolPoints()[0], GxPoint(0.0, 4.0));
    EXPECT_EQ(series->SymbolPoints()[1], GxPoint(3.0, 11.0));
}

// Colour and symbol size are applied outside the compiled lists; a width is compiled into them.
TEST_F(WxSeriesClientTest, StyleChangesKeepOrRebuildTheLists)
{
    WxSeriesClient* series = MakeSeries("", true);
    wxkit::Inject(*series, Day(mStart, {1004.0, 1008.0, 1006.0}));
    mGraph.DrawGraph(*mContext, CxRect(0, 0, kWidth, kHeight));
    const unsigned int line = series->LineList().DisplayListName();
    const unsigned int fill = series->FillList().DisplayListName();
    ASSERT_NE(line, 0u);
    ASSERT_NE(fill, 0u);
    const struct
    {
        const char* mWhat;
        std::function<void()> mChange;
        bool mKept;
    } cases[] = {
        {"colour", [&] { series->SetColor(GxColor(0.0, 0.5, 0.0, 1.0)); }, true},
        {"symbol size", [&] { series->SetSymbolSize(5.0); }, true},
        {"width", [&] { series->SetLineWidth(3.0); }, false},
    };
    for (const auto& c : cases)
    {
        c.mChange();
        EXPECT_EQ(series->LineList().IsDisplayListValid(), c.mKept) << c.mWhat;
        EXPECT_EQ(series->FillList().IsDisplayListValid(), c.mKept) << c.mWhat;
        mGraph.DrawGraph(*mContext, CxRect(0, 0, kWidth, kHeight));
        EXPECT_TRUE(series->LineList().IsDisplayListValid()) << c.mWhat;
        if (c.mKept)
        {
            EXPECT_EQ(series->LineList().DisplayListName(), line) << c.mWhat;
            EXPECT_EQ(series->FillList().DisplayListName(), fill) << c.mWhat;
        }
    }
}

// A sample off the five-minute steps is never drawn.
TEST_F(WxSeriesClientTest, SampleOffTheStepsDrawsNoVertex)
{
    WxSeriesClient* series = MakeSeries();
    wxkit::Inject(*series, wxkit::KitTable(mStart, {},
                                           {{"time:secs", {0.0, 300.0, 450.0, 600.0}},
                                            {"pres:mbar", {1010.0, 1011.0, 1030.0, 1012.0}}}));
    const auto lines = Polylines(DrawFeedback(), kLineColor);
    const CxRect plot = WxGraph::PlotRect(mGraph.Bounds());
    const double pps = mGraph.GetTimeAxis()->PixelsPerSecond();
    ASSERT_EQ(lines.size(), 1u);
    const auto& line = lines[0];
    ASSERT_EQ(line.size(), 3u);
    for (std::size_t i = 0; i < line.size(); ++i)
        EXPECT_NEAR(line[i].mX, plot.left + 300.0 * double(i) * pps, 0.01);
}

// Without a series manager the element's parameter, site and selection are not read, and nothing is drawn.
TEST_F(WxSeriesClientTest, SetOfAnotherKindReadsNoParameterAndDrawsNothing)
{
    wxkit::KitWindSet(CxString("stations"));
    auto* series = new WxSeriesClient(&mGraph);
    std::unique_ptr<WxParser> parser;
    std::string text = Element("");
    text.replace(text.find("kts1set"), 7, "stations");
    text.replace(text.find(R"(selected="false")"), 16, R"(selected="true")");
    series->Internalize(wxkit::KitElement(parser, text));
    EXPECT_EQ(series->Parameter().Id(), CxString());
    EXPECT_EQ(series->Site(), CxString());
    EXPECT_FALSE(series->IsSelected());
    EXPECT_TRUE(Polylines(DrawFeedback(), kLineColor).empty());
}

// The legend reads the sample nearest the tracking time: the earlier one only when it is strictly nearer.
TEST_F(WxSeriesClientTest, TrackingGivesTheNearerSample)
{
    const std::vector<double> values{1010.25, 1011.5, 1012.75, 1013.0, 1014.125};
    WxSeriesClient* series = MakeSeries();
    wxkit::Inject(*series, Day(mStart, values));
    mGraph.DrawGraph(*mContext, CxRect(0, 0, kWidth, kHeight));
    const double left = WxGraph::PlotRect(mGraph.Bounds()).left;
    const double pps = mGraph.GetTimeAxis()->PixelsPerSecond();
    for (double seconds : {100.0, 200.0, 640.0, 1010.0})
    {
        mGraph.SetTrackingPoint(GxPoint(left + seconds * pps, 100.0));
        const double tracked = mGraph.TrackingTime() - mStart;
        ASSERT_NEAR(tracked, seconds, 1.0);
        const auto k = std::size_t(std::floor(tracked / 300.0 + 0.5));
        CxStringList names, got;
        ASSERT_TRUE(series->GetAttributesFromPoint(GxPoint(), names, got)) << seconds;
        ASSERT_EQ(got.size(), 2u);
        EXPECT_EQ(got.front(), (mStart + 300.0 * double(k)).AsString()) << seconds;
        char text[32];
        std::snprintf(text, sizeof text, "%.2f", values[k]);
        EXPECT_EQ(got.back().AsUtf8(), text) << seconds;
    }
}

} // namespace
