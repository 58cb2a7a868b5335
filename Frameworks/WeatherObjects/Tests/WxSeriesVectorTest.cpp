// The wind series and the series legends on made tables: documents, barb increments, the mends, the keys.
#include "DxSet.h"
#include "WxDrawTestSupport.h"
#include "WxGraph.h"
#include "WxParser.h"
#include "WxProductTable.h"
#include "WxSeriesClient.h"
#include "WxSeriesLegend.h"
#include "WxSeriesTestSupport.h"
#include "WxSeriesVectorClient.h"
#include "XmlBuilder.h"

#include <cmath>

namespace
{

using namespace wxdraw;

const GxColor kNavy(0.0, 0.0, 0.5, 1.0);

class WxSeriesVectorTest : public DrawTest
{
protected:
    void SetUp() override
    {
        DrawTest::SetUp();
        if (HasFatalFailure())
            return;
        WxRegisterProducts();
        mGraph.SetDates(mStart, mStart + 2 * 86400.0);
    }

    void TearDown() override
    {
        while (mGraph.SeriesBegin() != mGraph.SeriesEnd())
            delete *mGraph.SeriesBegin();
        DrawTest::TearDown();
    }

    static std::string Wind(const char* inUnit, const char* inParm = "wind")
    {
        return std::string(R"(<vectorseries visible="true" selected="false" alpha="1.0" dataset="kts1set" )"
                           R"(color="#000080FF" parm=")") +
               inParm + "\" " + std::string("unit") + "=\"" + inUnit +
               R"(" site="kts1" symbolSize="2.00" width="1.0"/>)";
    }

    template <class Series> Series* Read(const std::string& inElement)
    {
        auto* series = new Series(&mGraph);
        std::unique_ptr<WxParser> parser;
        series->Internalize(wxkit::KitElement(parser, inElement));
        return series;
    }

    // Five-minute samples from a date: "time" and the named columns.
    static DxTable* Table(const CxDate& inDate, const wxkit::KitNumbers& inColumns)
    {
        std::vector<double> times;
        for (std::size_t i = 0; i < inColumns.front().second.size(); ++i)
            times.push_back(300.0 * double(i));
        wxkit::KitNumbers columns{{"time:secs", times}};
        columns.insert(columns.end(), inColumns.begin(), inColumns.end());
        return wxkit::KitTable(inDate, {}, columns);
    }

    void Draw() { mGraph.DrawGraph(*mContext, CxRect(0, 0, kWidth, kHeight)); }

    // The graph tracks the sample at that many steps from the start.
    void Track(double inSteps)
    {
        Draw();
        const CxRect plot = WxGraph::PlotRect(mGraph.Bounds());
        mGraph.SetTrackingPoint(GxPoint(plot.left + inSteps * 300.0 * mGraph.GetTimeAxis()->PixelsPerSecond(), 10.0));
    }

    const CxDate mStart{2020, 7, 27, 0, 0, 0, 0};
    WxGraph mGraph;
};

TEST_F(WxSeriesVectorTest, ElementRoundTripsAndReadsBackAsBarbs)
{
    wxseries::KitSeriesSet();
    const std::string text = Wind("mph");
    auto* series = Read<WxSeriesVectorClient>(text);
    series->SetDrawBarb(false);
    std::unique_ptr<WxParser> parser;
    const XmlElement* read = wxkit::KitElement(parser, text);
    const std::string written = wxkit::WriteVanedoc([&](XmlBuilder& ioBuilder) { series->Externalize(ioBuilder); });
    EXPECT_EQ(written, wxkit::WriteVanedoc([&](XmlBuilder& ioBuilder) { wxkit::Rewrite(read, ioBuilder); }));
    EXPECT_EQ(series->Name(), CxString("Wind"));
    EXPECT_EQ(series->SpeedParameter().Key(), CxString("sped:mph"));
    EXPECT_EQ(series->DirectionParameter().Key(), CxString("drct:degr"));
    // Read inside a graph, it asks for the graph's window and shows its start.
    EXPECT_EQ(series->StartDate(), mGraph.StartDate());
    EXPECT_EQ(series->EndDate(), mGraph.EndDate());
    EXPECT_EQ(series->DisplayDate(), mGraph.StartDate());
    EXPECT_TRUE(Read<WxSeriesVectorClient>(text)->IsDrawBarb());
    // Before any arrow is drawn the key scales by the symbol size.
    EXPECT_EQ(series->Scale(), 2.0 * 6.0 + 2.0);

    // A vector the set does not list gives the placeholder, which asks for nothing beyond the time.
    auto* unknown = Read<WxSeriesVectorClient>(Wind("mph", "gust"));
    EXPECT_EQ(unknown->SpeedParameter().Id(), CxString());
    ASSERT_EQ(unknown->Parms().size(), 1u);
    EXPECT_EQ(unknown->Parms().front().Id(), CxString("time"));
}

// Speed 6 is two increments of 2.5 in "mps", one full feather; in "mph" one increment of 5, a half feather.
TEST_F(WxSeriesVectorTest, BarbIncrementFollowsTheUnit)
{
    wxseries::KitSeriesSet();
    for (const auto& [unit, feather] : {std::pair{"mps", 1.0}, {"mph", 0.5}})
    {
        SCOPED_TRACE(unit);
        auto* series = Read<WxSeriesVectorClient>(Wind(unit));
        wxkit::Inject(*series, Table(mStart, {{"sped:" + std::string(unit), {6.0}}, {"drct:degr", {90.0}}}));
        const auto all = gxtest::CaptureFeedback([&] { Draw(); });
        std::vector<gxtest::FeedbackPrimitive> lines;
        for (const auto& l : gxtest::OfToken(all, GL_LINE_TOKEN))
            if (std::fabs(l.mVertices[0].mColor[2] - 0.5) < 0.01 && l.mVertices[0].mColor[0] < 0.01)
                lines.push_back(l);
        // The widened automatic axis runs from 1 to 11: ten units over the plot's height.
        const CxRect plot = WxGraph::PlotRect(mGraph.Bounds());
        const double xScale = 300.0 * mGraph.GetTimeAxis()->PixelsPerSecond();
        const double barb = 3.0 * (std::min({xScale, plot.Height() / 10.0, 1.0}) * 2.0 * 6.0 + 2.0);
        ASSERT_EQ(lines.size(), 2u);
        const auto& f = lines[1].mVertices;
        EXPECT_NEAR(std::hypot(f[1].mX - f[0].mX, f[1].mY - f[0].mY) / barb, feather, 1e-3);
        delete series;
    }
}

// The range comes from the frames held now, so another site's extremes do not linger.
TEST_F(WxSeriesVectorTest, SiteChangeRecomputesTheRange)
{
    wxseries::KitSeriesSet();
    auto* series = Read<WxSeriesVectorClient>(Wind("mps"));
    wxkit::Inject(*series, Table(mStart, {{"sped:mps", {30.0, 2.0}}, {"drct:degr", {90.0, 180.0}}}));
    EXPECT_EQ(series->DataMaximum(), 30.0);
    series->SetClientInfo(CxString("kts2"), series->Parameter());
    wxkit::Inject(*series, Table(mStart, {{"sped:mps", {8.0, 3.0}}, {"drct:degr", {90.0, 180.0}}}));
    EXPECT_EQ(series->DataMinimum(), 3.0);
    EXPECT_EQ(series->DataMaximum(), 8.0);
}

// A frame holding the time and the speed but no direction is skipped; the next day still draws.
TEST_F(WxSeriesVectorTest, FrameWithoutDirectionIsSkipped)
{
    wxseries::KitSeriesSet();
    auto* series = Read<WxSeriesVectorClient>(Wind("mps"));
    wxkit::Inject(*series, Table(mStart, {{"sped:mps", {4.0, 5.0, 6.0}}}));
    wxkit::Inject(*series, Table(mStart + 86400.0, {{"sped:mps", {7.0, 8.0}}, {"drct:degr", {90.0, 180.0}}}));
    Draw();
    ASSERT_EQ(series->GlyphPoints().size(), 2u);
    EXPECT_EQ(series->GlyphPoints()[0].mX, 288.0);
    EXPECT_EQ(series->DataMaximum(), 8.0);
}

// A set whose data resolution is 0 gives the series an interval of 0: nothing is drawn, and drawing ends.
TEST_F(WxSeriesVectorTest, ZeroIntervalDrawsNothing)
{
    wxseries::KitSeriesSet("0");
    auto* wind = Read<WxSeriesVectorClient>(Wind("mps"));
    auto* line = Read<WxSeriesClient>(R"(<series visible="true" selected="false" alpha="1.0" filled="true" )"
                                      R"(dataset="kts1set" color="#800000FF" width="2.0" parm="pres" unit="mbar" )"
                                      R"(site="kts1" symbol="circle" symbolSize="2.00" interpolate="true"/>)");
    ASSERT_EQ(wind->Interval(), 0u);
    ASSERT_EQ(line->Interval(), 0u);
    wxkit::Inject(*wind, Table(mStart, {{"sped:mps", {4.0, 5.0}}, {"drct:degr", {90.0, 180.0}}}));
    wxkit::Inject(*line, Table(mStart, {{"pres:mbar", {1004.0, 1005.0}}}));
    const auto all = gxtest::CaptureFeedback([&] { Draw(); });
    EXPECT_TRUE(wind->GlyphPoints().empty());
    EXPECT_TRUE(line->SymbolPoints().empty());
    for (const auto& p : all)
        EXPECT_FALSE(std::fabs(p.mVertices[0].mColor[0] - 0.5) < 0.01 && p.mVertices[0].mColor[1] < 0.01);
}

// A flat fixed axis, even at the speeds' own value, places no glyph.
TEST_F(WxSeriesVectorTest, FlatAxisDrawsNothing)
{
    wxseries::KitSeriesSet();
    auto* wind = Read<WxSeriesVectorClient>(Wind("mps"));
    wxkit::Inject(*wind, Table(mStart, {{"sped:mps", {5.0, 5.0}}, {"drct:degr", {90.0, 180.0}}}));
    WxSeriesAxis* axis = mGraph.GetAxis(wind);
    ASSERT_NE(axis, nullptr);
    axis->SetAutoMin(false);
    axis->SetAutoMax(false);
    axis->SetMin(5.0);
    axis->SetMax(5.0);
    const auto all = gxtest::CaptureFeedback([&] { Draw(); });
    EXPECT_TRUE(wind->GlyphPoints().empty());
    for (const auto& p : all)
        EXPECT_FALSE(wxseries::InColor(p.mVertices[0], kNavy));
}

TEST_F(WxSeriesVectorTest, BarbKeyRowsAndTheCurrentWind)
{
    wxseries::KitSeriesSet();
    const struct
    {
        const char* mWhat;
        std::vector<double> mSpeeds; // none: no wind at the tracking time
        const char* mLast;
        int mPicked;
        const char* mSpeed;
    } cases[] = {
        {"no wind", {}, "37.5", -1, ""},
        {"two increments", {6.0, 9.0}, "37.5", 2, "6.0"},
        {"above ten increments", {31.0, 1.0}, "31.0", 11, "31.0"},
        // The current wind's counts are truncated (12) and the rows' rounded (13): no row matches.
        {"rounded past the current wind", {32.0, 1.0}, "32.0", -1, ""},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mWhat);
        auto* series = Read<WxSeriesVectorClient>(Wind("mps"));
        if (!c.mSpeeds.empty())
            wxkit::Inject(*series, Table(mStart, {{"sped:mps", c.mSpeeds}, {"drct:degr", {200.0, 10.0}}}));
        Track(0.2);
        std::unique_ptr<WxSeriesInspector> legend(series->CreateLegend());
        auto* key = dynamic_cast<WxSeriesBarbLegend*>(legend.get());
        ASSERT_NE(key, nullptr);
        Inspect(*key, CxRect(0, 0, 175, 400));
        std::vector<std::string> texts;
        for (const CxString& text : key->KeyTexts())
            texts.push_back(text.AsUtf8());
        EXPECT_EQ(texts, (std::vector<std::string>{"0.0", "2.5", "5.0", "7.5", "10.0", "12.5", "15.0", "17.5", "20.0",
                                                   "22.5", "25.0", c.mLast}));
        EXPECT_EQ(key->PickedRow(), c.mPicked);
        EXPECT_EQ(key->SpeedText().AsUtf8(), c.mSpeed);
        legend.reset();
        delete series;
    }
}

TEST_F(WxSeriesVectorTest, LineLegendMarksTheValue)
{
    wxseries::KitSeriesSet();
    const struct
    {
        const char* mWhat;
        std::vector<double> mValues;
        std::vector<double> mMarks; // heights of the marker line
    } cases[] = {
        {"halfway", {1000.0, 1010.0, 1020.0}, {10.0 + 380.0 * 0.5}},
        {"one value", {1010.0}, {}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mWhat);
        auto* series =
            Read<WxSeriesClient>(R"(<series visible="true" selected="false" alpha="1.0" filled="false" )"
                                 R"(dataset="kts1set" color="#800000FF" width="2.0" parm="pres" unit="mbar" )"
                                 R"(site="kts1" symbol="none" symbolSize="2.00" interpolate="true"/>)");
        wxkit::Inject(*series, Table(mStart, {{"pres:mbar", c.mValues}}));
        Track(double(c.mValues.size() / 2));
        std::unique_ptr<WxSeriesInspector> legend(series->CreateLegend());
        ASSERT_NE(dynamic_cast<WxSeriesLegend*>(legend.get()), nullptr);
        const auto all = Inspect(*legend, CxRect(0, 0, 200, 400));
        const std::vector<double> marks = HorizontalLines(all, 75.0, 75.0 + 50.0 + 4.0, 1.0);
        ASSERT_EQ(marks.size(), c.mMarks.size());
        for (std::size_t i = 0; i < marks.size(); ++i)
            EXPECT_NEAR(marks[i], c.mMarks[i], 1e-3);
        legend.reset();
        delete series;
    }
}

// Released, each series keeps its frames and takes the next file of each date, whatever its Last-Modified.
TEST_F(WxSeriesVectorTest, AReleaseKeepsTheFramesAndTakesEachDatesNextFile)
{
    DxManager* manager = wxseries::KitSeriesSet()->Manager();
    DxRecord record(mStart, "kts1");
    for (DxSeriesClient* series : {static_cast<DxSeriesClient*>(Read<WxSeriesVectorClient>(Wind("mps"))),
                                   static_cast<DxSeriesClient*>(Read<WxSeriesClient>(
                                       R"(<series dataset="kts1set" parm="pres" unit="mbar" site="kts1"/>)"))})
    {
        SCOPED_TRACE(series->Parms().back().Id().AsUtf8());
        DxTable* table = Table(mStart, {{"pres:mbar", {1004.0}}});
        table->SetLastModified(mStart);
        wxkit::Inject(*series, table);
        manager->RefreshAllClients();
        EXPECT_EQ(series->FrameList().size(), 1u);
        EXPECT_TRUE((CxAutoLock(manager->Region()), series->NeedsToParse(&record, mStart)));
    }
}

} // namespace
