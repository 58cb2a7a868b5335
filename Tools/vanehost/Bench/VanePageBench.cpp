// The test browser loading a page of N embeds on the plug-in, maps or placeholders (a src that is not there): one
// vanehost run with a script that only pumps, start and shutdown included, in real time (the work is the child's),
// and the largest resident size of a run. Loading grows linearly when each embed redraws itself only.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace
{

namespace fs = std::filesystem;

const fs::path kMap =
    fs::path(SKYVANE_SOURCE_DIR) / "Products" / "Skyvane" / "Tests" / "scripts" / "data" / "map.vanedoc";

void LoadPage(benchmark::State& ioState, const std::string& inSrc)
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
            page << "<embed src=\"" << inSrc << "\" width=\"300\" height=\"64\">\n";
        std::ofstream(folder / "quiet.vhs") << "run 0\n";
    }
    // Run directly, so its own resource use is the one waited for.
    const std::string host = VANEHOST, pagePath = (folder / "page.html").string(),
                      script = (folder / "quiet.vhs").string(), home = (folder / "home").string(),
                      out = (folder / "out").string(), log = (folder / "run.txt").string();
    const char* const arguments[] = {host.c_str(), pagePath.c_str(), "--script",  script.c_str(), "--home",
                                     home.c_str(), "--out",          out.c_str(), nullptr};
    setenv("DISPLAY", "", 1);
    setenv("SKYVANE_OPEN_CMD", "true", 1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    long largest = 0;
    for (auto _ : ioState)
    {
        pid_t child = 0;
        int status = 0;
        rusage usage{};
        if (posix_spawn(&child, host.c_str(), &actions, nullptr, const_cast<char* const*>(arguments), environ) != 0 ||
            wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        {
            ioState.SkipWithError(("vanehost failed: see " + log).c_str());
            break;
        }
        largest = std::max(largest, usage.ru_maxrss);
    }
    posix_spawn_file_actions_destroy(&actions);
    ioState.counters["embeds"] = embeds;
    ioState.counters["max_rss_mb"] = double(largest) / 1024.0;
    if (!ioState.error_occurred())
        fs::remove_all(folder);
}

void BM_LoadMaps(benchmark::State& ioState)
{
    LoadPage(ioState, kMap.string());
}

void BM_LoadPlaceholders(benchmark::State& ioState)
{
    LoadPage(ioState, "missing.vanedoc");
}

BENCHMARK(BM_LoadMaps)->Arg(16)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_LoadPlaceholders)->Arg(16)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace
