// What the demo page tests share: the demo folder, a file read whole, and vanehost run without a display.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace vanedemo
{

namespace fs = std::filesystem;

inline const fs::path kDemo = fs::path(SKYVANE_SOURCE_DIR) / "Products" / "Skyvane" / "Demo";

inline std::string Slurp(const fs::path& inPath)
{
    std::ifstream in(inPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Outcome
{
    int status = -1;
    std::string out;
    std::string err;
};

// vanehost with these arguments, in the folder, without a display. Under the address sanitizer the program itself
// leaves Mesa's own blocks out of the leak report: none of the caller's suppressions apply.
inline Outcome Vanehost(const std::string& inArguments, const fs::path& inFolder)
{
    fs::create_directories(inFolder);
    const fs::path out = inFolder / "stdout.txt", err = inFolder / "stderr.txt";
    const std::string command = "cd '" + inFolder.string() +
                                "' && DISPLAY= SKYVANE_OPEN_CMD=true LSAN_OPTIONS= '" VANEHOST "' " + inArguments +
                                " > '" + out.string() + "' 2> '" + err.string() + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(out), Slurp(err)};
}

} // namespace vanedemo
