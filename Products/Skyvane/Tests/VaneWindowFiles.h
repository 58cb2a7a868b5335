#pragma once

// What the window-file tests share: running fxui-render and checking a window's controls.
#include "PfUICodes.h"
#include "PfWindowServer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <utility>
#include <vector>

namespace vanewindows
{

inline const std::string kInterfaceFile = std::string(SKYVANE_SOURCE_DIR) + "/Products/Skyvane/Resources/VaneMain.fxui";

// A file's bytes, "" when it cannot be read.
inline std::string Slurp(const std::string& inPath)
{
    std::ostringstream text;
    text << std::ifstream(inPath, std::ios::binary).rdbuf();
    return text.str();
}

// Runs fxui-render with the arguments; its exit status, -1 when it did not exit, and what it printed.
inline int RunTool(const std::string& inArguments, std::string& outOutput)
{
    outOutput.clear();
    FILE* pipe = ::popen((std::string(FXUI_RENDER) + " " + inArguments + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return -1;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        outOutput.append(buffer, n);
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Each id is a control of the window, of its kind.
inline void ExpectControls(pf::WindowRef inWindow, const char* inName,
                           const std::vector<std::pair<int, pf::ViewKind>>& inControls)
{
    for (const auto& [id, kind] : inControls)
    {
        const pf::ViewRef control = pf::FindControlByID(inWindow, pf::FourCC("FACE"), id);
        ASSERT_NE(control, nullptr) << inName << " " << id;
        EXPECT_EQ(pf::GetViewKind(control), kind) << inName << " " << id;
    }
}

} // namespace vanewindows
