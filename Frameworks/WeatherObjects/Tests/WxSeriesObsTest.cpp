// Real observations through the real data path: KTS files written from a shared station file, read back by the
// time-series manager and its KTS builder on the job threads, drawn by a graph read from a document.
#include "CxEvents.h"
#include "CxJob.h"
#include "DxCache.h"
#include "DxRecord.h"
#include "DxSeriesManager.h"
#include "DxSet.h"
#include "PfRunLoop.h"
#include "TestSupport.h"
#include "WxDrawTestSupport.h"
#include "WxGraph.h"
#include "WxSeriesClient.h"
#include "WxSeriesLegend.h"
#include "WxSeriesTestSupport.h"
#include "WxSeriesVectorClient.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>

namespace
{

using namespace wxdraw;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kPi = 3.14159265358979323846;

// One five-minute row of the files, as the shared file gives it.
struct Sample
{
    double mStep; // five-minute steps from the graph start
    CxDate mDate;
    double mPres; // NaN when written missing
    double mSped;
    double mDrct;
    bool mDayStart; // the first row of its file
};

class WxSeriesObsTest : public DrawTest
{
protected:
    void SetUp() override
    {
        DrawTest::SetUp();
        if (HasFatalFailure())
            return;
        SKY_NEED_TESTDATA_FILE(path, "obs/PressQFF_202007271200_3490.csv");
        const auto rows = ReadCsv(path);
        ASSERT_GE(rows.size(), 577u);
        WxRegisterProducts();
        ASSERT_EQ(CxInstallEventHandler(), 0);
        mHandler = true;
        for (auto [type, id] : {std::pair{100, 1}, {100, 2}, {101, 5}, {102, 7}})
            mThreads.push_back(std::make_unique<CxJobThread>(type, id));

        mSet = wxseries::KitSeriesSet("300", true);
        ASSERT_NE(mSet, nullptr);
        DxSeriesManager* manager = mSet->SeriesManager();
        ASSERT_NE(manager, nullptr);

        // Day 1 from 00:00 without its 06:00 row, day 2 from 00:05 to 24:00; each day starts missing, and so does
        // every value whose tenths digit is 0. Wind is made from the same rows.
        for (int day = 0; day < 2; ++day)
        {
            std::string text = "101\n3 2020 7 " + std::to_string(27 + day) + " 0 0 0\nSTID STNM TIME PRES SPED DRCT\n";
            for (int k = 0; k < 288; ++k)
            {
                const int minutes = 5 * (k + day);
                if (day == 0 && minutes == 360)
                    continue;
                const std::vector<std::string>& row = rows[std::size_t(day * 288 + k + 1)];
                const std::string& qff = row.at(2);
                const bool missing = k == 0 || qff.at(qff.find('.') + 1) == '0';
                const double pres = std::stod(qff);
                Sample sample{double(day * 288 + minutes / 5),
                              mStart + 60.0 * (day * 1440 + minutes),
                              missing ? kNaN : pres,
                              missing ? kNaN : 3.0 * std::fabs(pres - 1013.25),
                              missing ? kNaN : std::fmod(std::fmod(10.0 * std::stod(row.at(1)), 360.0) + 360.0, 360.0),
                              k == 0};
                char line[160];
                if (missing)
                    std::snprintf(line, sizeof line, "kts1 1 %d -999 -999 -999\n", minutes);
                else
                    std::snprintf(line, sizeof line, "kts1 1 %d %s %.6f %.6f\n", minutes, qff.c_str(), sample.mSped,
                                  sample.mDrct);
                text += line;
                mSamples.push_back(sample);
            }
            DxRecord record(mStart + 86400.0 * day, CxString("kts1"));
            record.SetArchiving();
            CxData data(text.data(), CxUint32(text.size()));
            const CxString name = (mStart + 86400.0 * day).AsString(CxString("%Y%m%d"), 0) + CxString("kts1");
            manager->Cache()->WriteDataFile(&record, data, {}, {CxString(".kts")}, name, CxString(".kts"), CxDate(),
                                            true);
            ASSERT_TRUE(manager->GetFileForRecord(&record).IsValid()) << "the manager does not find day " << day;
        }

        mGraph = wxkit::KitGraph(
            R"(<graph name="kts1" color="#FFFFFFFF" tracking="false" startDate="2020-07-27 00:00:00 UTC" )"
            R"(endDate="2020-07-29 00:00:00 UTC">)"
            R"(<vectorseries visible="true" selected="false" alpha="1.0" dataset="kts1set" color="#000080FF" )"
            R"(parm="wind" unit="mph" site="kts1" symbolSize="2.00" width="1.0"/>)"
            R"(<series visible="true" selected="false" alpha="1.0" filled="false" dataset="kts1set" )"
            R"(color="#008000FF" width="1.0" parm="sped" unit="mph" site="kts1" symbol="none" )"
            R"(symbolSize="2.00" interpolate="true"/><split/>)"
            R"(<series visible="true" selected="false" alpha="1.0" filled="false" dataset="kts1set" )"
            R"(color="#800000FF" width="1.0" parm="pres" unit="mbar" site="kts1" symbol="none" )"
            R"(symbolSize="2.00" interpolate="true"/></graph>)");
        ASSERT_NE(mGraph, nullptr);
        ASSERT_EQ(mGraph->SeriesCount(), 4u);
        mPres = dynamic_cast<WxSeriesClient*>(*mGraph->SeriesBegin());
        mSped = dynamic_cast<WxSeriesClient*>(*(mGraph->SeriesBegin() + 2));
        mWind = dynamic_cast<WxSeriesVectorClient*>(*(mGraph->SeriesBegin() + 3));
        ASSERT_TRUE(mPres && mSped && mWind);
        const bool arrived = pf::MainLoop().RunUntil(
            [&] {
                return mPres->FrameList().size() == 2 && mSped->FrameList().size() == 2 &&
                       mWind->FrameList().size() == 2;
            },
            std::chrono::seconds(20));
        ASSERT_TRUE(arrived) << "frames: " << mPres->FrameList().size() << " " << mSped->FrameList().size() << " "
                             << mWind->FrameList().size();
    }

    void TearDown() override
    {
        mGraph.reset();
        mThreads.clear();
        if (mHandler)
            CxRemoveEventHandler();
        DrawTest::TearDown();
    }

    // The plot of a pane, the top one first, as the graph lays out two panes in the window.
    static CxRect Plot(int inPane)
    {
        const CxSint16 lower = CxSint16(kHeight / 2 * (1 - inPane));
        return WxGraph::PlotRect(CxRect(0, lower, kWidth, CxSint16(lower + kHeight / 2)));
    }

    // The drawn rows' extremes of a column.
    std::pair<double, double> Extremes(double Sample::*inColumn) const
    {
        double low = kNaN, high = kNaN;
        for (const Sample& s : mSamples)
            if (!std::isnan(s.*inColumn))
            {
                low = std::isnan(low) ? s.*inColumn : std::min(low, s.*inColumn);
                high = std::isnan(high) ? s.*inColumn : std::max(high, s.*inColumn);
            }
        return {low, high};
    }

    // Where a sample's value goes in the pane, from the file alone.
    GxPoint At(const Sample& inSample, double Sample::*inColumn, int inPane, std::pair<double, double> inRange) const
    {
        const CxRect plot = Plot(inPane);
        const double pps = plot.Width() / (2.0 * 86400.0);
        return GxPoint(plot.left + inSample.mStep * 300.0 * pps, plot.top + (inSample.*inColumn - inRange.first) *
                                                                                plot.Height() /
                                                                                (inRange.second - inRange.first));
    }

    std::vector<gxtest::FeedbackPrimitive> DrawFeedback()
    {
        return gxtest::CaptureFeedback([&] { mGraph->DrawGraph(*mContext, CxRect(0, 0, kWidth, kHeight)); });
    }

    const CxDate mStart{2020, 7, 27, 0, 0, 0, 0};
    bool mHandler = false;
    std::vector<std::unique_ptr<CxJobThread>> mThreads;
    std::vector<Sample> mSamples;
    DxSet* mSet = nullptr;
    std::unique_ptr<WxGraph> mGraph;
    WxSeriesClient* mPres = nullptr;
    WxSeriesClient* mSped = nullptr;
    WxSeriesVectorClient* mWind = nullptr;
};

TEST_F(WxSeriesObsTest, LinesJoinOrBreakAtTheObservations)
{
    const auto range = Extremes(&Sample::mPres);
    EXPECT_EQ(mPres->DataMinimum(), range.first);
    EXPECT_EQ(mPres->DataMaximum(), range.second);
    EXPECT_EQ(mPres->Status(), CxString("Station One"));
    for (bool interpolate : {true, false})
    {
        SCOPED_TRACE(interpolate);
        mPres->SetDrawInterpolated(interpolate);
        // Runs of the drawn samples: joined across everything, or broken at each missing value and at day 2.
        std::vector<std::vector<GxPoint>> expected(1);
        for (const Sample& s : mSamples)
        {
            if (!interpolate && (std::isnan(s.mPres) || s.mDayStart) && !expected.back().empty())
                expected.emplace_back();
            if (!std::isnan(s.mPres))
                expected.back().push_back(At(s, &Sample::mPres, 0, range));
        }
        std::erase_if(expected, [](const auto& inRun) { return inRun.size() < 2; });
        const auto lines = wxseries::Polylines(DrawFeedback(), GxColor(0.5, 0.0, 0.0, 1.0));
        ASSERT_EQ(lines.size(), expected.size());
        std::size_t far = 0;
        for (std::size_t r = 0; r < lines.size(); ++r)
        {
            ASSERT_EQ(lines[r].size(), expected[r].size()) << r;
            for (std::size_t k = 0; k < lines[r].size(); ++k)
                far += std::hypot(lines[r][k].mX - expected[r][k].mX, lines[r][k].mY - expected[r][k].mY) > 0.01;
        }
        EXPECT_EQ(far, 0u);
    }
}

TEST_F(WxSeriesObsTest, BarbsStandOnTheSpeedLineAndPointIntoTheWind)
{
    const GxColor navy(0.0, 0.0, 0.5, 1.0);
    const auto range = Extremes(&Sample::mSped);
    const CxRect plot = Plot(1);
    const double xScale = 300.0 * plot.Width() / (2.0 * 86400.0);
    const double yScale = plot.Height() / (range.second - range.first);
    const double barb = 3.0 * (std::min({xScale, yScale, 1.0}) * 2.0 * 6.0 + 2.0);
    const auto count = [&](double inTop)
    {
        // Each glyph's first line: a staff from the sample toward the wind's origin, or a calm circle's first
        // segment from its top.
        const auto lines = gxtest::OfToken(DrawFeedback(), GL_LINE_TOKEN);
        std::size_t drawn = 0, expected = 0, wrong = 0;
        for (const Sample& s : mSamples)
        {
            if (std::isnan(s.mSped) || s.mSped > inTop)
                continue;
            ++expected;
            const GxPoint q = At(s, &Sample::mSped, 1, {range.first, std::min(range.second, inTop)});
            const bool calm = s.mSped < 2.5;
            const GxPoint from = calm ? GxPoint(q.mX, q.mY + 0.44 * barb) : q;
            const auto line =
                std::find_if(lines.begin(), lines.end(),
                             [&](const gxtest::FeedbackPrimitive& inL)
                             {
                                 return wxseries::InColor(inL.mVertices[0], navy) &&
                                        std::hypot(inL.mVertices[0].mX - from.mX, inL.mVertices[0].mY - from.mY) < 0.01;
                             });
            if (line == lines.end())
                continue;
            ++drawn;
            if (!calm)
            {
                const double dx = line->mVertices[1].mX - q.mX, dy = line->mVertices[1].mY - q.mY;
                const double angle = std::fmod(std::atan2(dx, dy) * 180.0 / kPi + 360.0, 360.0);
                const double off = std::fabs(std::remainder(angle - s.mDrct, 360.0));
                wrong += off > 0.5;
            }
        }
        EXPECT_EQ(wrong, 0u);
        EXPECT_GT(expected, 100u);
        return std::pair{drawn, expected};
    };
    const auto all = count(range.second);
    EXPECT_EQ(all.first, all.second);
    // A fixed axis below the peak drops exactly the glyphs above it.
    WxSeriesAxis* axis = mGraph->GetAxis(mWind);
    ASSERT_NE(axis, nullptr);
    axis->SetAutoMax(false);
    axis->SetMax(range.second - 10.0);
    const auto lower = count(range.second - 10.0);
    EXPECT_EQ(lower.first, lower.second);
    EXPECT_LT(lower.second, all.second);
    EXPECT_EQ(mWind->GlyphPoints().size(), lower.second);
}

TEST_F(WxSeriesObsTest, GraphAndLegendsSnapshots)
{
#if defined(__SANITIZE_THREAD__)
    // Rendering runs Mesa's uninstrumented rasterizer threads, whose own work reads as races.
    GTEST_SKIP() << "rendered snapshots are left to the other trees";
#endif
    // The tracked time follows a point only once the time axis is laid out.
    mGraph->DrawGraph(*mContext, CxRect(175, 0, kWidth, kHeight));
    const CxRect plot = WxGraph::PlotRect(CxRect(175, CxSint16(kHeight / 2), kWidth, kHeight));
    mGraph->SetTrackingPoint(GxPoint(plot.left + (86400.0 + 9 * 3600.0 + 600.0) * plot.Width() / 172800.0, 100.0));
    mGraph->DrawGraph(*mContext, CxRect(175, 0, kWidth, kHeight));
    mGraph->DrawLegend(*mContext, GxRect(0, 0, 175, kHeight), true, false);
    Snapshot("obs", "wx8_");

    // The line legend, the barb key and the arrow key side by side.
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    std::unique_ptr<WxSeriesInspector> line(mPres->CreateLegend());
    std::unique_ptr<WxSeriesInspector> barbs(mWind->CreateLegend());
    mWind->SetDrawBarb(false);
    mGraph->DrawGraph(*mContext, CxRect(0, 0, kWidth, kHeight));
    std::unique_ptr<WxSeriesInspector> arrows(mWind->CreateLegend());
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    ASSERT_NE(dynamic_cast<WxSeriesBarbLegend*>(barbs.get()), nullptr);
    ASSERT_NE(dynamic_cast<WxSeriesVectorLegend*>(arrows.get()), nullptr);
    mContext->Begin2D();
    int left = 0;
    for (WxSeriesInspector* legend : {line.get(), barbs.get(), arrows.get()})
    {
        glPushMatrix();
        glTranslated(left, 100.0, 0.0);
        legend->OnDraw(*mContext, CxRect(0, 0, 300, 560));
        glPopMatrix();
        left += 340;
    }
    mContext->End2D();
    Snapshot("legends", "wx8_");
    for (WxSeriesInspector* legend : {line.get(), barbs.get(), arrows.get()})
        legend->DeleteTextures(*mContext);
    EXPECT_GE(dynamic_cast<WxSeriesBarbLegend*>(barbs.get())->PickedRow(), 0);
    EXPECT_NE(dynamic_cast<WxSeriesBarbLegend*>(barbs.get())->SpeedText().Length(), 0u);
}

} // namespace
