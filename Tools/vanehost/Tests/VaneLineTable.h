// Rows of vanehost runs on the probe plug-in: a script (or a page) and further arguments, the exit status, and for
// a refused script line the line its message names. Each row runs in a folder of its own with --home and --out
// inside it, no display.
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>

struct VaneLineRow
{
    const char* name;
    std::string script; // the script's text, its lines counted from 1; empty: none, the arguments say it all
    std::string arguments;
    int status;
    int line;            // the script line the message names; 0: no line
    std::string message; // a text the output holds
};

inline std::ostream& operator<<(std::ostream& ioStream, const VaneLineRow& inRow)
{
    return ioStream << inRow.name;
}

inline std::string VaneLineRowName(const testing::TestParamInfo<VaneLineRow>& inInfo)
{
    return inInfo.param.name;
}

struct VaneLineRun
{
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string VaneSlurp(const std::filesystem::path& inPath)
{
    std::ifstream in(inPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The row's folder: emptied, made, and left for a look when the row fails.
inline std::filesystem::path VaneRowFolder(const std::string& inName)
{
    const std::filesystem::path folder =
        std::filesystem::path(testing::TempDir()) / ("vane-lines-" + std::to_string(getpid())) / inName;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

// A passing row's folder goes, and the process's folder with its last row (remove leaves one that is not empty).
inline void VaneRemoveRowFolder(const std::filesystem::path& inFolder)
{
    if (testing::Test::HasFailure())
        return;
    std::filesystem::remove_all(inFolder);
    std::error_code notEmpty;
    std::filesystem::remove(inFolder.parent_path(), notEmpty);
}

// vanehost in inFolder with these arguments (quoted by the caller), on the probe plug-in unless inProbe is false
// (the build's plug-in). No leak suppressions of the caller's apply.
inline VaneLineRun VaneRunHost(const std::filesystem::path& inFolder, const std::string& inArguments,
                               bool inProbe = true)
{
    const std::filesystem::path out = inFolder / "stdout.txt", err = inFolder / "stderr.txt";
    const std::string plugin = inProbe ? "--plugin '" VANE_PROBE "' " : "";
    const std::string command = "cd '" + inFolder.string() + "' && DISPLAY= SKYVANE_OPEN_CMD=true LSAN_OPTIONS= '" +
                                VANEHOST "' " + plugin + inArguments + " > '" + out.string() + "' 2> '" + err.string() +
                                "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, VaneSlurp(out), VaneSlurp(err)};
}

// Runs the row and checks its status and message.
inline void VaneCheckRow(const VaneLineRow& inRow)
{
    const std::filesystem::path folder = VaneRowFolder(inRow.name);
    std::string arguments = inRow.arguments;
    std::string where;
    if (!inRow.script.empty())
    {
        const std::string name = std::string(inRow.name) + ".vhs";
        std::ofstream(folder / name) << inRow.script;
        arguments = "'" + (folder / name).string() + "' --home home --out out " + arguments;
        if (inRow.line > 0)
            where = (folder / name).string() + ":" + std::to_string(inRow.line) + ": ";
    }
    const VaneLineRun run = VaneRunHost(folder, arguments);
    EXPECT_EQ(run.status, inRow.status) << run.out << run.err;
    EXPECT_NE((run.out + run.err).find(where + inRow.message), std::string::npos)
        << "wanted \"" << where << inRow.message << "\" in\n"
        << run.out << run.err;
    VaneRemoveRowFolder(folder);
}
