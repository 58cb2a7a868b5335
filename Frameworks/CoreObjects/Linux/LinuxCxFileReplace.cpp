#include "CxFile.h"
#include "LinuxCxFile.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

void CxFile::MoveOver(const CxFile& inTarget)
{
    const std::string& target = inTarget.GetRef().mPath;
    if (mRef.IsNull() || target.empty())
        LinuxCxThrowErrnoHere(ENOENT);
    struct stat source;
    if (::lstat(mRef.mPath.c_str(), &source) != 0)
        LinuxCxThrowErrnoHere(errno);
    // rename(2) would also move a folder over an empty folder; only files travel here.
    if (S_ISDIR(source.st_mode))
        LinuxCxThrowErrnoHere(EISDIR);
    if (::rename(mRef.mPath.c_str(), target.c_str()) != 0)
        LinuxCxThrowErrnoHere(errno);
    mRef.mPath = target;
}
