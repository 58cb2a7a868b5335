// Four line series of 31 daily frames of five-minute samples (one filled, one with symbols) offscreen at
// 1024 x 768: replayed from their display lists, rebuilt, against the same vertices and symbols in immediate mode;
// and one whole three-pane graph frame with wind barbs and the legend column.
#include "DxFrame.h"
#include "DxManager.h"
#include "DxSeriesManager.h"
#include "DxSet.h"
#include "DxUnit.h"
#include "GxContext.h"
#include "GxGLContext.h"
#include "GxSymbol.h"
#include "WxGraph.h"
#include "WxSeriesClient.h"
#include "WxSeriesVectorClient.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace
{

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr int kDays = 31;
constexpr int kRows = 288;

const CxDate kStart(2020, 7, 1, 0, 0, 0, 0);

struct Scene
{
    explicit Scene(bool inPanes)
    {
        setenv("SKYVANE_BUNDLE", SKYVANE_SOURCE_DIR "/Products/Skyvane/Resources", 0);
        DxUnit::Load();
        char folder[] = "/tmp/series-bench-XXXXXX";
        mRoot = mkdtemp(folder);
        const auto info = std::filesystem::path(mRoot) / "bench" / "info";
        std::filesystem::create_directories(info);
        std::ofstream(info / "config.xml")
            << R"(<?datasetconfig version="1.0"?><datasetconfig><property id="type" value="kts"/>)"
               R"(<property id="dataResolution" value="300" units="secs"/>)"
               R"(<property id="fileResolution" value="86400" units="secs"/></datasetconfig>)";
        std::ofstream(info / "parminfo.xml")
            << R"(<?datasetconfig version="1.0"?><parminfo><parm id="time" type="float" units="min"/>)"
               R"(<parm id="pres" name="pressure" type="float" units="mbar"/>)"
               R"(<parm id="sped" name="speed" type="float" units="mph"/>)"
               R"(<parm id="drct" name="direction" type="float" units="degr"/>)"
               R"(<vector id="wind" name="wind" samag="sped" dir="drct"/></parminfo>)";
        DxManager::SetRootDataFolder(CxFolder(CxFileRef{mRoot}));
        DxManager::SetRootCacheFolder(CxFolder(CxFileRef{mRoot}));
        DxManager::GoOffline();
        DxSet::GoOffline();
        mSet = new DxSet(CxString("bench"), 7);
        mSet->Manager();

        std::ifstream in(SKYVANE_SOURCE_DIR "/../shared/testdata/obs/PressQFF_202007271200_3490.csv");
        std::string line;
        std::getline(in, line);
        for (double a, b, c; std::getline(in, line);)
            if (std::sscanf(line.c_str(), "%lf,%lf,%lf", &a, &b, &c) == 3)
                mValues.push_back(c);
        if (mValues.empty())
            return;

        mContext =
            std::make_unique<GxAGLContext>(nullptr, CxRect(0, 0, kWidth, kHeight), CxRect(0, 0, kWidth, kHeight));
        mGraph = std::make_unique<WxGraph>();
        mGraph->SetDates(kStart, kStart + 86400.0 * kDays);
        // Built bottom up: each new series goes to the front of the list.
        if (inPanes)
        {
            mWind = new WxSeriesVectorClient(mGraph.get());
            mWind->SetSet(mSet);
            DxVectorParm wind = mSet->SeriesManager()->FindVectorParm(CxString("wind"));
            wind.SetUnit(DxUnit(CxString("mph")));
            mWind->SetClientInfo(CxString("kts1"), wind);
        }
        for (int i = 0; i < 4; ++i)
        {
            if (inPanes && i % 2 == 0)
                new WxSeriesSplit(mGraph.get());
            auto* series = new WxSeriesClient(mGraph.get());
            series->SetSet(mSet);
            series->SetClientInfo(CxString("kts1"), mSet->SeriesManager()->FindParm(CxString("pres")));
            series->SetColor(GxColor(0.2 * i, 0.1, 0.5, 1.0));
            series->SetLineWidth(1.0);
            series->SetFilled(i == 0);
            series->SetSymbol(CxString(i == 1 ? "circle" : "none"));
            mSeries.push_back(series);
        }
        for (int day = 0; day < kDays; ++day)
        {
            for (int i = 0; i < 4; ++i)
                mSeries[std::size_t(i)]->AcceptFrame(Day(day, i, false));
            if (mWind != nullptr)
                mWind->AcceptFrame(Day(day, 0, true));
        }
        Frame(false);
    }

    ~Scene()
    {
        mGraph.reset();
        mContext.reset();
        DxSet::DeleteAllSets();
        std::filesystem::remove_all(mRoot);
        DxUnit::Unload();
    }

    DxTable* Day(int inDay, int inSeries, bool inWind) const
    {
        auto* table = new DxTable;
        table->SetDate(kStart + 86400.0 * inDay);
        auto* time = table->NewFloatField(CxString("time:secs"));
        auto* value = table->NewFloatField(CxString(inWind ? "sped:mph" : "pres:mbar"));
        auto* direction = inWind ? table->NewFloatField(CxString("drct:degr")) : nullptr;
        for (int k = 0; k < kRows; ++k)
        {
            const double v = mValues[std::size_t(inDay * kRows + k + inSeries * 97) % mValues.size()];
            time->push_back(300.0 * k);
            value->push_back(inWind ? 3.0 * std::fabs(v - 1013.25) : v + inSeries * 5.0);
            if (direction != nullptr)
                direction->push_back(std::fmod(37.0 * k, 360.0));
        }
        return table;
    }

    void Frame(bool inLegend)
    {
        mGraph->DrawGraph(*mContext, CxRect(inLegend ? 175 : 0, 0, kWidth, kHeight));
        if (inLegend)
            mGraph->DrawLegend(*mContext, GxRect(0, 0, 175, kHeight), true, false);
        glFinish();
    }

    // The four series alone, as the graph draws them in its pane.
    void Series()
    {
        mContext->Begin2D();
        for (WxSeriesClient* series : mSeries)
            series->DrawSeries(*mContext);
        mContext->End2D();
        glFinish();
    }

    std::string mRoot;
    DxSet* mSet = nullptr;
    std::vector<double> mValues;
    std::unique_ptr<GxAGLContext> mContext;
    std::unique_ptr<WxGraph> mGraph;
    std::vector<WxSeriesClient*> mSeries;
    WxSeriesVectorClient* mWind = nullptr;
};

void BM_PlainStrip(benchmark::State& ioState)
{
    Scene scene(false);
    if (scene.mValues.empty())
        ioState.SkipWithError("no station data");
    // The same pixels the series draw: lines, the fill down to the plot's bottom and symbol quads.
    const CxRect plot = WxGraph::PlotRect(CxRect(0, 0, kWidth, kHeight));
    const double step = 300.0 * plot.Width() / (86400.0 * kDays);
    std::vector<std::vector<GxPoint>> lines;
    for (WxSeriesClient* series : scene.mSeries)
    {
        WxSeriesAxis* axis = scene.mGraph->GetAxis(series);
        const double scale = plot.Height() / (axis->Max() - axis->Min());
        lines.emplace_back();
        for (const auto& [date, frame] : series->FrameList())
        {
            const auto* table = static_cast<const DxTable*>(frame);
            const DxFloatField* values = table->FindFloatField(CxString("pres:mbar"));
            const double x0 = (date - kStart) / 300.0;
            for (std::size_t k = 0; k < values->size(); ++k)
                lines.back().emplace_back(plot.left + (x0 + double(k)) * step,
                                          plot.top + ((*values)[k] - axis->Min()) * scale);
        }
    }
    const GxSymbol circle(CxString("circle"));
    for (auto _ : ioState)
    {
        // In the state the series draw in: smoothed lines one pixel wide.
        scene.mContext->Begin2D();
        scene.mContext->PushAttribs();
        scene.mContext->AntiAlias();
        scene.mContext->LineWidth(1.0);
        for (std::size_t i = 0; i < lines.size(); ++i)
        {
            glColor4d(0.2 * double(i), 0.1, 0.5, 1.0);
            glBegin(GL_LINE_STRIP);
            for (const GxPoint& p : lines[i])
                glVertex2d(p.mX, p.mY);
            glEnd();
            if (i == 0)
            {
                glBegin(GL_QUAD_STRIP);
                for (const GxPoint& p : lines[i])
                {
                    glVertex2d(p.mX, p.mY);
                    glVertex2d(p.mX, plot.top);
                }
                glEnd();
            }
            if (i == 1)
            {
                glEnable(GL_TEXTURE_2D);
                for (const GxPoint& p : lines[i])
                    circle.Draw(*scene.mContext, p, 2.0);
                glDisable(GL_TEXTURE_2D);
            }
        }
        scene.mContext->PopAttribs();
        scene.mContext->End2D();
        glFinish();
    }
}

void BM_SeriesReplay(benchmark::State& ioState)
{
    Scene scene(false);
    if (scene.mValues.empty())
        ioState.SkipWithError("no station data");
    for (auto _ : ioState)
        scene.Series();
}

// With argument 1 every fragment is scissored away, leaving the walk, the clipping, the tessellation and the
// compiling without the software rasterizer's fill.
void BM_SeriesRebuild(benchmark::State& ioState)
{
    Scene scene(false);
    if (scene.mValues.empty())
        ioState.SkipWithError("no station data");
    if (ioState.range(0) != 0)
    {
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, 0, 0, 0);
    }
    for (auto _ : ioState)
    {
        for (WxSeriesClient* series : scene.mSeries)
            series->SetDrawInterpolated(true);
        scene.Series();
    }
    glDisable(GL_SCISSOR_TEST);
}

void BM_GraphFrame(benchmark::State& ioState)
{
    Scene scene(true);
    if (scene.mValues.empty())
        ioState.SkipWithError("no station data");
    for (auto _ : ioState)
        scene.Frame(true);
}

} // namespace

BENCHMARK(BM_PlainStrip)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SeriesReplay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SeriesRebuild)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GraphFrame)->Unit(benchmark::kMillisecond);
