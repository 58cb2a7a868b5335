// The main job's speed on the bundled Europe map: the whole run from empty data and cache roots, split into its
// steps (counters, milliseconds a run), and the Barnes analysis of its 872 stations on its own.
#include "VaneRender.h"

#include "DxAnalysis.h"
#include "GxProjection.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace
{

namespace fs = std::filesystem;

const fs::path kDemo = fs::path(SKYVANE_SOURCE_DIR) / "Products" / "Skyvane" / "Demo";

// Stdout to /dev/null while it lives: the tool's steps would drown the table.
class Silence
{
public:
    Silence() : mSaved(dup(STDOUT_FILENO))
    {
        std::fflush(stdout);
        if (FILE* null = std::fopen("/dev/null", "w"))
        {
            dup2(fileno(null), STDOUT_FILENO);
            std::fclose(null);
        }
    }
    ~Silence()
    {
        std::fflush(stdout);
        dup2(mSaved, STDOUT_FILENO);
        close(mSaved);
    }
    Silence(const Silence&) = delete;
    Silence& operator=(const Silence&) = delete;

private:
    int mSaved;
};

void EuropePressure(benchmark::State& ioState)
{
    VaneOptions options;
    options.mDocuments = {(kDemo / "europe-pressure.vanedoc").string()};
    options.mOut = (fs::temp_directory_path() / ("vanerender-bench-" + std::to_string(getpid()))).string();
    double read = 0.0, data = 0.0, draw = 0.0, exported = 0.0;
    for (auto _ : ioState)
    {
        std::vector<VaneTimings> timings;
        int status = 0;
        {
            const Silence silence;
            status = VaneRender(options, &timings);
        }
        if (status != kVaneDone || timings.size() != 1)
        {
            ioState.SkipWithError("the run failed");
            break;
        }
        read += timings[0].mRead;
        data += timings[0].mData;
        draw += timings[0].mDraw;
        exported += timings[0].mExport;
    }
    const double runs = std::max<double>(1.0, double(ioState.iterations()));
    ioState.counters["read_ms"] = 1000.0 * read / runs;
    ioState.counters["fetch_decode_ms"] = 1000.0 * data / runs;
    ioState.counters["draw_ms"] = 1000.0 * draw / runs;
    ioState.counters["export_ms"] = 1000.0 * exported / runs;
    fs::remove_all(options.mOut);
}
BENCHMARK(EuropePressure)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

// The analysis as the station manager lays it out: the stations in its flat projection, one pass above 4,000 cells.
void EuropeAnalysis(benchmark::State& ioState)
{
    std::ifstream kdf(kDemo / "europe-qff" / "data" / "202007271200.kdf");
    std::ifstream sites(kDemo / "europe-qff" / "info" / "siteinfo.xml");
    std::vector<double> values, xs, ys;
    std::string line;
    for (int skip = 0; skip < 3 && std::getline(kdf, line); ++skip)
    {
    }
    for (char id[16]; std::getline(kdf, line);)
    {
        int number = 0, time = 0;
        double value = 0.0;
        if (std::sscanf(line.c_str(), "%15s %d %d %lf", id, &number, &time, &value) == 4)
            values.push_back(value);
    }
    const GxFlatProjection flat(GxPosition().FromDegrees(-100.0, 35.48));
    while (std::getline(sites, line))
    {
        double lat = 0.0, lon = 0.0;
        char id[16];
        if (std::sscanf(line.c_str(), " <record>\"%15[^\"]\", %lf, %lf", id, &lat, &lon) == 3)
        {
            const GxPoint point = flat.Project(GxPosition().FromDegrees(lon, lat));
            xs.push_back(point.mX);
            ys.push_back(point.mY);
        }
    }
    if (values.size() != 872 || xs.size() != 872)
    {
        ioState.SkipWithError("the bundled stations did not read");
        return;
    }
    for (auto _ : ioState)
    {
        DxAnalysis analysis(xs, ys, 4);
        analysis.SetNumPass(analysis.Width() * analysis.Height() > 4000 ? 1 : 4);
        analysis.mLowerBound = *std::min_element(values.begin(), values.end());
        analysis.mUpperBound = *std::max_element(values.begin(), values.end());
        analysis.mUseLowerBound = analysis.mUseUpperBound = true;
        analysis.Analyze(values);
        benchmark::DoNotOptimize(analysis.Grid().data());
    }
}
BENCHMARK(EuropeAnalysis)->Unit(benchmark::kMillisecond);

} // namespace
