// The test browser loading a page of N map embeds on the plug-in: one vanehost run with a script that only pumps,
// start and shutdown included, in real time (the work is the child's). Loading grows linearly when each embed
// redraws itself only.
#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace
{

namespace fs = std::filesystem;

const fs::path kMap =
    fs::path(SKYVANE_SOURCE_DIR) / "Products" / "Skyvane" / "Tests" / "scripts" / "data" / "map.vanedoc";

void BM_LoadPage(benchmark::State& ioState)
{
    const int embeds = int(ioState.range(0));
    const fs::path folder = fs::temp_directory_path() / ("vanehost-page-bench-" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    {
        // 64 px tall: 256 of them fill the tallest page.
        std::ofstream page(folder / "page.html");
        page << "<!doctype html>\n";
        for (int i = 0; i < embeds; ++i)
            page << "<embed src=\"" << kMap.string() << "\" width=\"300\" height=\"64\">\n";
        std::ofstream(folder / "quiet.vhs") << "run 0\n";
    }
    const std::string command = "cd '" + folder.string() +
                                "' && DISPLAY= SKYVANE_OPEN_CMD=true '" VANEHOST
                                "' page.html --script quiet.vhs --home home --out out > run.txt 2>&1";
    for (auto _ : ioState)
    {
        const int status = std::system(command.c_str());
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        {
            ioState.SkipWithError("vanehost failed: see run.txt");
            return;
        }
    }
    ioState.counters["embeds"] = embeds;
    fs::remove_all(folder);
}

BENCHMARK(BM_LoadPage)->Arg(16)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace
