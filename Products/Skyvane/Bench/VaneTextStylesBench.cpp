// Documents of many hidden gridline layers drawn by the main job's library at 1024 x 768: every layer's legend row
// and labels take text styles, so the layer count multiplies what a style costs. Each document is drawn in a
// process of its own (the peak resident size is a process's high-water mark): 5,000 layers, goal a peak under
// 400 MB; 50,000 layers, goal a picture and no crash. Counters: the peak in MB and the document's size in KB; the
// time is the child's whole run (start-up, reading, drawing, export).
#include "VaneRender.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

namespace fs = std::filesystem;

std::string Document(int inLayers)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<?vanedoc version=\"1.4d1\"?>\n<vanedoc>\n"
                       "<map color=\"#E9EEF2FF\" date=\"2020-07-27 12:00:00 UTC\" fieldOfView=\"174.9\" mapLon=\"14\" "
                       "mapLat=\"53\" legendVisible=\"true\" legendAlign=\"left\" archiving=\"false\">\n";
    for (int i = 0; i < inLayers; ++i)
        text += "<gridlines name=\"Grid " + std::to_string(i + 1) +
                "\" color=\"#8090A0FF\" width=\"1\" latInterval=\"10\" lonInterval=\"10\" startLat=\"20\" "
                "endLat=\"80\" startLon=\"-40\" endLon=\"60\" visible=\"false\" alpha=\"1\" selected=\"false\"/>\n";
    return text + "</map>\n</vanedoc>\n";
}

struct ChildRun
{
    int status = 0; // as waitpid gives it
    long peakKb = 0;
};

// Draws the document in a child process, its output silenced.
ChildRun RenderInChild(const fs::path& inDocument, const fs::path& inOut)
{
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = fork();
    if (pid == 0)
    {
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0)
        {
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
            close(null);
        }
        VaneOptions options;
        options.mDocuments = {inDocument.string()};
        options.mOut = inOut.string();
        _exit(VaneRender(options));
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
    return run;
}

void TextStyles(benchmark::State& ioState)
{
    const int layers = int(ioState.range(0));
    const fs::path folder = fs::temp_directory_path() / ("text-styles-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const fs::path document = folder / ("gridlines-" + std::to_string(layers) + ".vanedoc");
    const std::string text = Document(layers);
    std::ofstream(document, std::ios::binary) << text;
    long peakKb = 0;
    for (auto _ : ioState)
    {
        const ChildRun run = RenderInChild(document, folder);
        if (!WIFEXITED(run.status) || WEXITSTATUS(run.status) != kVaneDone)
        {
            const std::string why = WIFSIGNALED(run.status) ? "signal " + std::to_string(WTERMSIG(run.status))
                                                            : "exit status " + std::to_string(WEXITSTATUS(run.status));
            ioState.SkipWithError(("the drawing failed: " + why).c_str());
            break;
        }
        peakKb = std::max(peakKb, run.peakKb);
    }
    ioState.counters["peak_rss_mb"] = double(peakKb) / 1024.0;
    ioState.counters["document_kb"] = double(text.size()) / 1024.0;
    ioState.SetLabel(layers == 5000 ? "goal: peak under 400 MB" : "goal: drawn without a crash");
    std::error_code error;
    fs::remove_all(folder, error);
}
BENCHMARK(TextStyles)->Arg(5000)->Arg(50000)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

} // namespace
