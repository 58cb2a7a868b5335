// What the data dialogs' tests share: a recorder standing in for the desktop's opener, and files made in place.
#pragma once

#include "VaneAppTest.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace vanetest
{

// Points SKYVANE_OPEN_CMD at a script that writes its arguments, one a line, to "<script>.out".
class OpenRecorder
{
public:
    explicit OpenRecorder(const std::string& inHome) : mScript(inHome + "/opener")
    {
        WriteText(mScript, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.out\"\n");
        std::filesystem::permissions(mScript, std::filesystem::perms::owner_all);
        setenv("SKYVANE_OPEN_CMD", mScript.c_str(), 1);
    }
    ~OpenRecorder() { unsetenv("SKYVANE_OPEN_CMD"); }
    OpenRecorder(const OpenRecorder&) = delete;
    OpenRecorder& operator=(const OpenRecorder&) = delete;

    // The arguments of the next opening, waited for; "" when none came.
    std::string Next()
    {
        const std::string out = mScript + ".out";
        for (int i = 0; i < 500 && !std::filesystem::exists(out); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const std::string text = ReadText(out);
        std::filesystem::remove(out);
        return text;
    }

private:
    std::string mScript;
};

} // namespace vanetest
