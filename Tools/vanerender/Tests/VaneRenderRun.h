// The tool run as a user runs it, for the tests of its command line: from a folder, with environment
// assignments, its standard output and error kept; and small documents that need little or no data.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

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

} // namespace vanerun
