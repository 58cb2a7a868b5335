// A file written whole or not at all: readers, parallel writers and a kill never meet half of it at its name, and
// whatever stands at the name, a link too, is replaced rather than written through.
#pragma once

#include <functional>
#include <string>

namespace pf
{

// Fills the open file; "" when it did, else why not.
using FileFiller = std::function<std::string(int inFile)>;

// A write that stopped before the fill (the folder, or a fresh file in it, could not be opened) or at the rename,
// with that call's errno: the name stands as it stood and no fresh file is left, so a caller may take another way.
struct WholeFileRefusal
{
    enum Step
    {
        kNone,
        kFresh,
        kRename
    };
    Step mStep = kNone;
    int mError = 0;
};

// A fresh hidden file of this process beside the name (made where nothing stood, never through a link, its name
// cut to the folder's name limit), filled through its descriptor, checked to be still that file, then renamed over
// inName. On failure only the fresh file goes, a fill that throws too (the exception then goes on). inFolder is an
// open folder; inName a name in it, no path. "" when written, else why not.
std::string WriteWholeFile(int inFolder, const std::string& inName, const FileFiller& inFill,
                           WholeFileRefusal* outRefusal = nullptr);
// The same by path: the folder named is opened once, so the fresh file and the rename stay in it.
std::string WriteWholeFile(const std::string& inPath, const FileFiller& inFill, WholeFileRefusal* outRefusal = nullptr);
// inBytes written through the descriptor in full; "" when they were, else why not.
std::string WriteAll(int inFile, const void* inBytes, std::size_t inSize);

} // namespace pf
