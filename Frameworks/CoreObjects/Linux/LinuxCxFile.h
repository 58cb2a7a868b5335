// The POSIX side of files and folders: errno to file status, and the paths of the well-known folders.
#pragma once

#include "CxFile.h"
#include "CxTypes.h"

#include <string>

// The file status for an errno value, or 0 when the file statuses have none for it. ENOTEMPTY is a permission
// failure only when deleting.
CxSint16 LinuxCxErrnoStatus(int inErrno, bool inDeleting = false);

// Throws the error class of the errno value's status, or a plain CxError when it has none.
[[noreturn]] void LinuxCxThrowErrno(int inErrno, const char* inFile, int inLine, bool inDeleting = false);

#define LinuxCxThrowErrnoHere(inErrno) LinuxCxThrowErrno((inErrno), __FILE__, __LINE__)

// The absolute path of a well-known folder, read from the environment now; an unknown id gives "". With
// inCreate, the missing folder (and its missing parents) is made; failures throw.
std::string LinuxCxFolderPath(CxFolderId inId, bool inCreate);

// Whether a name is a single item's name: not empty, not "." or "..", without "/" or a zero byte.
bool LinuxCxIsPlainName(const std::string& inName);

// Runs the opener ($SKYVANE_OPEN_CMD, else xdg-open) with the text as its one argument, without a shell and
// without waiting for it. False, with a debug line, when it cannot be started.
bool LinuxCxOpen(const std::string& inTarget);
