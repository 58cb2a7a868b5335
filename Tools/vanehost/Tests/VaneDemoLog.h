// A demo page run with a script, and its data log read back: the request and deletion lines, the registry's
// times, and a folder of the run's own.
#pragma once

#include "VaneDemoRun.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace vanedemo
{

struct PageRun : Outcome
{
    std::string log; // the data log
};

// The page (the demo page unless told) with this script, in a folder of its own.
inline PageRun RunPage(const std::string& inScript, const fs::path& inFolder,
                       const fs::path& inPage = kDemo / "demo.html")
{
    fs::remove_all(inFolder);
    fs::create_directories(inFolder);
    std::ofstream(inFolder / "page.vhs") << inScript;
    PageRun run{Vanehost("'" + inPage.string() + "' --script page.vhs --home home --out out", inFolder), {}};
    run.log = Slurp(inFolder / "home" / ".local" / "state" / "skyvane" / "SkyvanePlugin.log");
    return run;
}

// One line of the data log: "HH:MM:SS ID VERB URL -- [BYTES SECONDSs -- ]STATUS", or "HH:MM:SS Delete: PATH".
struct Line
{
    int seconds = 0; // of the day
    std::string id;
    std::string verb;
    std::string url;
    bool data = false; // a data file's request (it counts bytes), not an info document's
    int status = 0;
};

inline std::vector<Line> Lines(const std::string& inLog)
{
    static const std::regex request(R"((\d\d):(\d\d):(\d\d) (\S+) (GET|HEAD) (\S+) -- (\d+ [\d.]+s -- )?(\d+))");
    static const std::regex deletion(R"((\d\d):(\d\d):(\d\d) Delete: .*)");
    std::vector<Line> lines;
    std::istringstream in(inLog);
    for (std::string text; std::getline(in, text);)
    {
        std::smatch m;
        const bool isRequest = std::regex_match(text, m, request);
        if (!isRequest && !std::regex_match(text, m, deletion))
            continue;
        Line line;
        line.seconds = std::stoi(m[1]) * 3600 + std::stoi(m[2]) * 60 + std::stoi(m[3]);
        if (isRequest)
            line = {line.seconds, m[4], m[5], m[6], m[7].matched, std::stoi(m[8])};
        else
            line.verb = "Delete:";
        lines.push_back(line);
    }
    return lines;
}

// The times of the set's registry requests, in seconds after its first (the log's clock wraps at midnight).
inline std::vector<int> RegistryTimes(const std::vector<Line>& inLines, const std::string& inId)
{
    std::vector<int> times;
    int first = 0;
    for (const Line& line : inLines)
        if (line.id == inId && line.url.find("/nimbrel/registry.php?id=" + inId) != std::string::npos)
        {
            first = times.empty() ? line.seconds : first;
            times.push_back((line.seconds - first + 86400) % 86400);
        }
    return times;
}

inline std::filesystem::path Folder(const char* inName)
{
    return std::filesystem::path(testing::TempDir()) / (std::string(inName) + "-" + std::to_string(getpid()));
}

} // namespace vanedemo
