// The tool run as a user runs it, for the tests of its command line: from a folder, with environment
// assignments, its standard output and error kept; and small documents that need little or no data.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace vanerun
{

namespace fs = std::filesystem;

struct Outcome
{
    int mStatus = -1;
    std::string mOut;
    std::string mErr;
};

// Mesa's rasteriser threads are not instrumented: under the thread sanitizer their locks read as races with the
// tool's drawing thread. Every run of this program rasterises on the drawing thread (the children inherit it).
inline const bool kRasterOnTheDrawingThread = setenv("LP_NUM_THREADS", "0", 0) == 0;

inline std::string Slurp(const fs::path& inPath)
{
    std::ifstream in(inPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// inEnvironment is put before the command as it stands ("A=b env -u C"); the arguments are shell words.
inline Outcome Render(const std::string& inArguments, const fs::path& inFolder, const std::string& inEnvironment = "")
{
    const fs::path out = inFolder / "stdout.txt", err = inFolder / "stderr.txt";
    const std::string command = "cd '" + inFolder.string() + "' && " + inEnvironment + " '" VANERENDER "' " +
                                inArguments + " > '" + out.string() + "' 2> '" + err.string() + "'";
    const int status = std::system(command.c_str());
    Outcome run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(out), Slurp(err)};
    fs::remove(out);
    fs::remove(err);
    return run;
}

// A map of the bundled radar's place with these layers, its background of that colour.
inline std::string Document(const std::string& inLayers, const std::string& inColor = "#1E2328FF",
                            const std::string& inDate = "2015-01-02 02:05:00 UTC")
{
    return "<?vanedoc version=\"1.4d1\"?><vanedoc><map color=\"" + inColor + "\" date=\"" + inDate +
           "\" fieldOfView=\"159.4\" mapLon=\"-86.77\" mapLat=\"33.172\"><projection id=\"lambertConformal\">"
           "<property id=\"stdLon\" type=\"float\" value=\"-86.77\"/><property id=\"stdLat1\" type=\"float\" "
           "value=\"33.172\"/><property id=\"stdLat2\" type=\"float\" value=\"33.172\"/></projection>" +
           inLayers + "</map></vanedoc>\n";
}

inline const std::string kOutlines = "<shape dataset=\"natural-earth\" region=\"world\" "
                                     "feature=\"naturalearth_lowres\" visible=\"true\" alpha=\"1\"/>";

inline void Write(const fs::path& inPath, const std::string& inText)
{
    fs::create_directories(inPath.parent_path());
    std::ofstream(inPath, std::ios::binary) << inText;
}

// A program started as a terminal starts a job: in a session and process group of its own (its id), SIGINT,
// SIGTERM and SIGHUP at their default actions and none blocked, whatever this process inherited from ctest; in
// inFolder, with the assignments ("NAME=value") over this process's environment, its standard output and error
// on those descriptors. -1 when it cannot start.
inline pid_t StartJob(const std::vector<std::string>& inArguments, const fs::path& inFolder,
                      const std::vector<std::string>& inAssignments, int inOut, int inErr)
{
    std::vector<std::string> environment = inAssignments;
    for (char** variable = environ; *variable != nullptr; ++variable)
    {
        const std::string text = *variable;
        const std::string name = text.substr(0, text.find('=') + 1);
        if (std::none_of(inAssignments.begin(), inAssignments.end(),
                         [&](const std::string& inGiven) { return inGiven.rfind(name, 0) == 0; }))
            environment.push_back(text);
    }
    std::vector<char*> envp, argv;
    for (std::string& variable : environment)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    std::vector<std::string> arguments = inArguments;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults, none;
    sigemptyset(&defaults);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&defaults, signal);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, inFolder.c_str());
    posix_spawn_file_actions_adddup2(&actions, inOut, 1);
    posix_spawn_file_actions_adddup2(&actions, inErr, 2);
    pid_t child = -1;
    if (posix_spawnp(&child, argv[0], &actions, &attributes, argv.data(), envp.data()) != 0)
        child = -1;
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return child;
}

// The job's wait status once it ends; -1, the job killed, when it outlasts inLimit.
inline int AwaitJob(pid_t inJob, std::chrono::milliseconds inLimit)
{
    const auto deadline = std::chrono::steady_clock::now() + inLimit;
    int status = 0;
    while (waitpid(inJob, &status, WNOHANG) == 0)
    {
        if (std::chrono::steady_clock::now() >= deadline)
        {
            kill(-inJob, SIGKILL);
            waitpid(inJob, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return status;
}

// Waits until the predicate holds, at most inLimit; answers whether it did.
template <typename Predicate> bool WaitUntil(Predicate inPredicate, std::chrono::milliseconds inLimit)
{
    const auto deadline = std::chrono::steady_clock::now() + inLimit;
    while (!inPredicate())
    {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace vanerun
