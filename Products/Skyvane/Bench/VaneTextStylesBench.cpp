// Documents drawn by the main job's library at 1024 x 768, each in a process of its own (the peak resident size is a
// process's high-water mark):
// - many hidden gridline layers: every layer's legend row and labels take text styles, and reading and dismantling
//   the map touch every layer, so the layer count multiplies what each costs. 5,000 layers, goal a peak under
//   400 MB; 50,000 layers, goal under 15 s in all.
// - labelled isobars of the bundled pressure data (served from the demo folder): six layers with labels of
//   1,000 px (a document of about 2 KB), goal a peak under 400 MB; 2,000 layers with labels of 1 to 200 px, goal a
//   peak under 1.5 GB.
// Counters: the peak in MB, the document's size in KB, and the seconds of reading the document into a map, of the
// data, of drawing, of exporting and of dismantling the map (from the "exported" step to the "total" line); the
// time is the child's whole run.
#include "VaneRender.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

namespace fs = std::filesystem;

const std::string kMapStart =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<?vanedoc version=\"1.4d1\"?>\n<vanedoc>\n"
    "<map color=\"#E9EEF2FF\" date=\"2020-07-27 12:00:00 UTC\" fieldOfView=\"174.9\" mapLon=\"14\" mapLat=\"53\" "
    "legendVisible=\"true\" legendAlign=\"left\" archiving=\"false\">\n";
const std::string kMapEnd = "</map>\n</vanedoc>\n";

std::string Gridlines(int inLayers)
{
    std::string text = kMapStart;
    for (int i = 0; i < inLayers; ++i)
        text += "<gridlines name=\"Grid " + std::to_string(i + 1) +
                "\" color=\"#8090A0FF\" width=\"1\" latInterval=\"10\" lonInterval=\"10\" startLat=\"20\" "
                "endLat=\"80\" startLon=\"-40\" endLon=\"60\" visible=\"false\" alpha=\"1\" selected=\"false\"/>\n";
    return text + kMapEnd;
}

// Isobars every 4 hPa from 960 to 1048 over the bundled pressure observations, labelled in the font size the
// function gives each layer (counted from 0).
std::string Isobars(int inLayers, const std::function<int(int)>& inSize)
{
    std::string text = kMapStart;
    for (int i = 0; i < inLayers; ++i)
        text += "<contour name=\"Isobars " + std::to_string(i + 1) +
                "\" dataset=\"europe-qff\" parm=\"pmsl\" units=\"mbar\" auto=\"false\" min=\"960\" max=\"1048\" "
                "interval=\"4\" color=\"#1A3D8FFF\" width=\"2\" labels=\"true\" labelPrecision=\"0\" "
                "visible=\"true\" alpha=\"1\" selected=\"false\"><font size=\"" +
                std::to_string(inSize(i)) + "\"/></contour>\n";
    return text + kMapEnd;
}

struct ChildRun
{
    int status = 0; // as waitpid gives it
    long peakKb = 0;
    VaneTimings timings;
    double teardown = 0.0;
};

// The seconds of the last step line "   1.234 s  <step>" in the output, or -1.
double StepTime(const std::string& inOutput, const std::string& inStep)
{
    double found = -1.0;
    std::istringstream lines(inOutput);
    std::string line;
    while (std::getline(lines, line))
    {
        double seconds = 0.0;
        char text[32] = {};
        if (std::sscanf(line.c_str(), " %lf s  %31[^\n]", &seconds, text) == 2 && inStep == text)
            found = seconds;
    }
    return found;
}

// Draws the document in a child process; its output goes to a file beside it, its step times to another.
ChildRun RenderInChild(const fs::path& inDocument, const fs::path& inOut, const std::string& inServe)
{
    const fs::path output = inOut / "output.txt";
    const fs::path steps = inOut / "steps.txt";
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = fork();
    if (pid == 0)
    {
        const int file = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (file >= 0)
        {
            dup2(file, STDOUT_FILENO);
            dup2(file, STDERR_FILENO);
            close(file);
        }
        VaneOptions options;
        options.mDocuments = {inDocument.string()};
        options.mOut = inOut.string();
        options.mServe = inServe;
        std::vector<VaneTimings> timings;
        int status = 0;
        {
            // The session removes the run's scratch folder before the child exits, as the program's main does.
            const VaneSession session;
            status = VaneRender(options, &timings);
        }
        if (!timings.empty())
        {
            std::ofstream(steps) << timings.front().mRead << ' ' << timings.front().mData << ' '
                                 << timings.front().mDraw << ' ' << timings.front().mExport << '\n';
        }
        std::fflush(stdout);
        _exit(status);
    }
    ChildRun run;
    if (pid < 0)
    {
        run.status = -1;
        return run;
    }
    rusage usage{};
    if (wait4(pid, &run.status, 0, &usage) == pid)
        run.peakKb = usage.ru_maxrss;
    std::ifstream(steps) >> run.timings.mRead >> run.timings.mData >> run.timings.mDraw >> run.timings.mExport;
    std::ostringstream text;
    text << std::ifstream(output).rdbuf();
    const double exported = StepTime(text.str(), "exported");
    const double total = StepTime(text.str(), "total");
    run.teardown = exported >= 0.0 && total >= exported ? total - exported : -1.0;
    return run;
}

void Draw(benchmark::State& ioState, const std::string& inName, const std::string& inText, bool inServe,
          const std::string& inGoal)
{
    const fs::path folder = fs::temp_directory_path() / ("text-styles-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const fs::path document = folder / (inName + ".vanedoc");
    std::ofstream(document, std::ios::binary) << inText;
    const std::string serve =
        inServe ? (fs::path(SKYVANE_SOURCE_DIR) / "Products" / "Skyvane" / "Demo").string() : std::string();
    long peakKb = 0;
    ChildRun last;
    for (auto _ : ioState)
    {
        last = RenderInChild(document, folder, serve);
        if (!WIFEXITED(last.status) || WEXITSTATUS(last.status) != kVaneDone)
        {
            const std::string why = WIFSIGNALED(last.status)
                                        ? "signal " + std::to_string(WTERMSIG(last.status))
                                        : "exit status " + std::to_string(WEXITSTATUS(last.status));
            ioState.SkipWithError(("the drawing failed: " + why).c_str());
            break;
        }
        peakKb = std::max(peakKb, last.peakKb);
    }
    ioState.counters["peak_rss_mb"] = double(peakKb) / 1024.0;
    ioState.counters["document_kb"] = double(inText.size()) / 1024.0;
    ioState.counters["read_s"] = last.timings.mRead;
    ioState.counters["data_s"] = last.timings.mData;
    ioState.counters["draw_s"] = last.timings.mDraw;
    ioState.counters["export_s"] = last.timings.mExport;
    ioState.counters["teardown_s"] = last.teardown;
    ioState.SetLabel("goal: " + inGoal);
    std::error_code error;
    fs::remove_all(folder, error);
}

void Gridlines5000(benchmark::State& ioState)
{
    Draw(ioState, "gridlines-5000", Gridlines(5000), false, "peak under 400 MB");
}

void Gridlines50000(benchmark::State& ioState)
{
    Draw(ioState, "gridlines-50000", Gridlines(50000), false, "under 15 s");
}

void Isobars6At1000(benchmark::State& ioState)
{
    Draw(ioState, "isobars-6x1000", Isobars(6, [](int) { return 1000; }), true, "peak under 400 MB");
}

void Isobars2000Sized1To200(benchmark::State& ioState)
{
    Draw(ioState, "isobars-2000", Isobars(2000, [](int inLayer) { return inLayer % 200 + 1; }), true,
         "peak under 1.5 GB");
}

BENCHMARK(Gridlines5000)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
BENCHMARK(Gridlines50000)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
BENCHMARK(Isobars6At1000)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
BENCHMARK(Isobars2000Sized1To200)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

} // namespace
