// Files and folders in one file: both stand on the same path, permission, errno and regular-file helpers, which
// would otherwise become a shared internal header for a single caller pair.
#include "LinuxCxFile.h"

#include "CxData.h"
#include "CxDebug.h"
#include "CxError.h"
#include "CxMime.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// File statuses thrown directly, where no errno stands for the failure.
constexpr CxSint16 kBadNameStatus = -37;
constexpr CxSint16 kEndOfFileStatus = -39;
constexpr CxSint16 kNotFoundStatus = -43;
constexpr CxSint16 kParamStatus = -50;
constexpr CxSint16 kPermissionStatus = -54;
constexpr CxSint16 kWritePermissionStatus = -61;
constexpr CxSint16 kDirectoryNotFoundStatus = -120;
constexpr CxSint16 kNotAFileStatus = -1302;
constexpr CxSint16 kBoundsStatus = -1309;

// Seconds from 1970 to 2001, the epoch of CxDate.
constexpr double kUnixToCxDate = 978307200.0;

// The largest file ReadContents takes whole.
constexpr long long kMaxContents = 2147483648LL;

[[noreturn]] void ThrowStatus(CxSint16 inStatus, const char* inFile, int inLine)
{
    _CxThrowError(inStatus, inFile, inLine);
    throw CxError(inFile, inLine); // not reached: every status used here is non-zero
}

#define FailStatus(inStatus) ThrowStatus((inStatus), __FILE__, __LINE__)
#define FailErrno(inErrno) LinuxCxThrowErrno((inErrno), __FILE__, __LINE__)

std::string Utf8(const CxString& inText)
{
    return inText.AsUtf8();
}

std::string JoinPath(const std::string& inFolder, const std::string& inName)
{
    if (!inFolder.empty() && inFolder.back() == '/')
        return inFolder + inName;
    return inFolder + "/" + inName;
}

std::string ParentPath(const std::string& inPath)
{
    const std::size_t slash = inPath.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return "/";
    return inPath.substr(0, slash);
}

std::string BaseName(const std::string& inPath)
{
    if (inPath == "/")
        return inPath;
    const std::size_t slash = inPath.rfind('/');
    return slash == std::string::npos ? inPath : inPath.substr(slash + 1);
}

// Without trailing slashes, except the root's own.
std::string Trimmed(std::string inPath)
{
    while (inPath.size() > 1 && inPath.back() == '/')
        inPath.pop_back();
    return inPath;
}

struct stat StatOrThrow(const std::string& inPath)
{
    struct stat info;
    if (inPath.empty())
        FailStatus(kNotFoundStatus);
    if (::stat(inPath.c_str(), &info) != 0)
        FailErrno(errno);
    return info;
}

// The child's path after checking the name; a reference that names nothing has no children.
std::string ChildPath(const CxFileRef& inRef, const CxString& inName)
{
    const std::string name = Utf8(inName);
    if (!LinuxCxIsPlainName(name))
        FailStatus(kBadNameStatus);
    if (inRef.IsNull())
        FailStatus(kNotFoundStatus);
    return JoinPath(inRef.mPath, name);
}

bool IsDirectory(const std::string& inPath)
{
    struct stat info;
    return !inPath.empty() && ::stat(inPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsNonDirectory(const std::string& inPath)
{
    struct stat info;
    return !inPath.empty() && ::stat(inPath.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

CxString FileUrl(const std::string& inPath, bool inFolder)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const unsigned char c : inPath)
    {
        const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                          c == '.' || c == '_' || c == '~' || c == '/';
        if (keep)
        {
            url += static_cast<char>(c);
        }
        else
        {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        }
    }
    if (inFolder && (url.empty() || url.back() != '/'))
        url += '/';
    return CxString::FromUtf8(url);
}

// Renames without ever replacing an existing item.
void RenameNoReplace(const std::string& inFrom, const std::string& inTo)
{
    if (::renameat2(AT_FDCWD, inFrom.c_str(), AT_FDCWD, inTo.c_str(), RENAME_NOREPLACE) == 0)
        return;
    const int error = errno;
    if (error != EINVAL && error != ENOSYS)
        FailErrno(error);
    // A file system without the flag: check first (a race with another writer remains possible there).
    struct stat info;
    if (::lstat(inTo.c_str(), &info) == 0)
        FailErrno(EEXIST);
    if (::rename(inFrom.c_str(), inTo.c_str()) != 0)
        FailErrno(errno);
}

// Creates the folder and its missing parents with the mode; fails unless it is a folder afterwards.
void MakeFolders(const std::string& inPath, mode_t inMode)
{
    int lastError = 0;
    for (std::size_t slash = inPath.find('/', 1);; slash = inPath.find('/', slash + 1))
    {
        const std::string prefix = slash == std::string::npos ? inPath : inPath.substr(0, slash);
        if (::mkdir(prefix.c_str(), inMode) != 0 && errno != EEXIST)
            lastError = errno;
        if (slash == std::string::npos)
            break;
    }
    struct stat info;
    if (::stat(inPath.c_str(), &info) != 0)
        FailErrno(lastError != 0 ? lastError : errno);
    if (!S_ISDIR(info.st_mode))
        FailErrno(ENOTDIR);
}

std::string HomePath()
{
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return Trimmed(home);
    struct passwd entry;
    struct passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr && found->pw_dir[0] == '/')
        return Trimmed(found->pw_dir);
    return "/";
}

// An XDG variable when it holds an absolute path (relative ones are ignored, as the XDG rules say), else the
// default under the home folder.
std::string XdgPath(const char* inVariable, const char* inDefault)
{
    const char* value = std::getenv(inVariable);
    if (value != nullptr && value[0] == '/')
        return Trimmed(value);
    return JoinPath(HomePath(), inDefault);
}

// The private temporary folder: created 0700, and refused unless it is a real folder of this user (anyone may
// have made that name first in a shared /tmp).
std::string TemporaryPath(bool inCreate)
{
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = tmp != nullptr && tmp[0] == '/' ? Trimmed(tmp) : std::string("/tmp");
    const std::string path = JoinPath(base, "skyvane-" + std::to_string(::getuid()));
    if (!inCreate)
        return path;
    MakeFolders(base, 0700);
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        FailErrno(errno);
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0)
        FailErrno(errno);
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid())
        FailStatus(kPermissionStatus);
    if ((info.st_mode & 077) != 0 && ::chmod(path.c_str(), 0700) != 0)
        FailErrno(errno);
    return path;
}

// The starting folder of a path and the parts left to walk.
std::string WalkFolders(std::vector<std::string>& ioParts)
{
    CxFolderId start = kCxUserFolder;
    std::size_t first = 0;
    if (!ioParts.empty() && ioParts[0].empty())
    {
        start = kCxRootFolder;
        first = 1;
    }
    else if (!ioParts.empty() && ioParts[0] == "~")
    {
        start = kCxHomeFolder;
        first = 1;
    }
    ioParts.erase(ioParts.begin(), ioParts.begin() + static_cast<std::ptrdiff_t>(first));
    return CxFolder(start).GetRef().mPath;
}

std::vector<std::string> SplitPath(const std::string& inPath)
{
    std::vector<std::string> parts;
    std::size_t begin = 0;
    for (;;)
    {
        const std::size_t slash = inPath.find('/', begin);
        parts.push_back(inPath.substr(begin, slash == std::string::npos ? std::string::npos : slash - begin));
        if (slash == std::string::npos)
            break;
        begin = slash + 1;
    }
    return parts;
}

// The folder named by the parts, walked from the path's starting folder. Empty parts (doubled or trailing
// slashes) are skipped, as the system itself reads paths.
CxFolder FolderFromParts(std::vector<std::string> inParts, bool inCreate)
{
    CxFolder folder(CxFileRef{WalkFolders(inParts)});
    for (const std::string& part : inParts)
    {
        if (part.empty())
            continue;
        const CxString name = CxString::FromUtf8(part);
        folder = inCreate ? folder.CreateFolder(name) : folder.ExistingFolder(name);
    }
    return folder;
}

// Reads up to inCount bytes at the offset; fewer only at the end of the file.
CxUint32 ReadAt(int inFd, long long inOffset, void* outPtr, CxUint32 inCount)
{
    CxUint32 done = 0;
    while (done < inCount)
    {
        const ssize_t got =
            ::pread(inFd, static_cast<char*>(outPtr) + done, inCount - done, static_cast<off_t>(inOffset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            FailErrno(errno);
        if (got == 0)
            break;
        done += static_cast<CxUint32>(got);
    }
    return done;
}

void WriteAll(int inFd, const void* inPtr, std::size_t inCount)
{
    std::size_t done = 0;
    while (done < inCount)
    {
        const ssize_t wrote = ::write(inFd, static_cast<const char*>(inPtr) + done, inCount - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote < 0)
            FailErrno(errno);
        done += static_cast<std::size_t>(wrote);
    }
}

// Refuses (and closes) anything but a regular file: a FIFO or a device would block or never end. Takes back the
// O_NONBLOCK that kept the open itself from waiting on a FIFO.
int RegularOrThrow(int inFd)
{
    struct stat info;
    const int error = ::fstat(inFd, &info) != 0 ? errno : 0;
    if (error != 0 || !S_ISREG(info.st_mode))
    {
        ::close(inFd);
        if (error != 0)
            FailErrno(error);
        FailStatus(kNotAFileStatus);
    }
    ::fcntl(inFd, F_SETFL, ::fcntl(inFd, F_GETFL) & ~O_NONBLOCK);
    return inFd;
}

// A regular file only.
int OpenOrThrow(const std::string& inPath, int inFlags)
{
    if (inPath.empty())
        FailStatus(kNotFoundStatus);
    for (;;)
    {
        const int fd = ::open(inPath.c_str(), inFlags | O_CLOEXEC | O_NONBLOCK);
        if (fd >= 0)
            return RegularOrThrow(fd);
        if (errno != EINTR)
            FailErrno(errno);
    }
}

void WriteBuffer(const std::string& inPath, int inFlags, CxData& ioData)
{
    CxAutoFork fork(OpenOrThrow(inPath, inFlags));
    const CxUint32 size = ioData.Size();
    if (size > 0)
    {
        CxAutoLock lock(ioData);
        WriteAll(fork.Get(), ioData.Pointer(), size);
    }
    fork.Close();
}

} // namespace

// ---- errno to status

CxSint16 LinuxCxErrnoStatus(int inErrno, bool inDeleting)
{
    switch (inErrno)
    {
    case ENOENT:
        return -43;
    case EEXIST:
        return -48;
    case EACCES:
    case EPERM:
        return -54;
    case EROFS:
        return -44;
    case ENOSPC:
    case EDQUOT:
        return -34;
    case EMFILE:
    case ENFILE:
        return -42;
    case ENOTDIR:
        return -120;
    case EISDIR:
        return -1302;
    case ENAMETOOLONG:
        return -37;
    case EINVAL:
        return -50;
    case EBUSY:
        return -47;
    case EIO:
        return -36;
    case ENOTEMPTY:
        return inDeleting ? -54 : 0;
    default:
        return 0;
    }
}

void LinuxCxThrowErrno(int inErrno, const char* inFile, int inLine, bool inDeleting)
{
    const CxSint16 status = LinuxCxErrnoStatus(inErrno, inDeleting);
    if (status != 0)
        _CxThrowError(status, inFile, inLine);
    throw CxError(inFile, inLine);
}

bool LinuxCxIsPlainName(const std::string& inName)
{
    return !inName.empty() && inName != "." && inName != ".." && inName.find('/') == std::string::npos &&
           inName.find('\0') == std::string::npos;
}

std::string LinuxCxFolderPath(CxFolderId inId, bool inCreate)
{
    std::string path;
    mode_t mode = 0755;
    bool creatable = true;
    switch (inId)
    {
    case kCxSystemFolder:
        return "/usr";
    case kCxRootFolder:
        return "/";
    case kCxLocalApplicationSupportFolder:
    {
        // XDG's rule: the first entry of the data folder list when it is absolute, else the default.
        const char* dirs = std::getenv("XDG_DATA_DIRS");
        if (dirs != nullptr && dirs[0] == '/')
            return Trimmed(std::string(dirs, std::strcspn(dirs, ":")));
        return "/usr/local/share";
    }
    case kCxHomeFolder:
    case kCxUserFolder:
        path = HomePath();
        break;
    case kCxDesktopFolder:
        path = XdgPath("XDG_DESKTOP_DIR", "Desktop");
        break;
    case kCxDocumentsFolder:
        path = XdgPath("XDG_DOCUMENTS_DIR", "Documents");
        break;
    case kCxDownloadsFolder:
        path = XdgPath("XDG_DOWNLOAD_DIR", "Downloads");
        break;
    case kCxTemporaryFolder:
        return TemporaryPath(inCreate);
    case kCxPreferencesFolder:
        path = JoinPath(XdgPath("XDG_CONFIG_HOME", ".config"), "skyvane");
        mode = 0700;
        break;
    case kCxApplicationSupportFolder:
        path = JoinPath(XdgPath("XDG_DATA_HOME", ".local/share"), "skyvane");
        mode = 0700;
        break;
    case kCxLogsFolder:
        path = JoinPath(XdgPath("XDG_STATE_HOME", ".local/state"), "skyvane");
        mode = 0700;
        break;
    case kCxCachesFolder:
        path = JoinPath(XdgPath("XDG_CACHE_HOME", ".cache"), "skyvane");
        mode = 0700;
        break;
    default:
        creatable = false;
        break;
    }
    if (creatable && inCreate)
        MakeFolders(path, mode);
    return path;
}

// ---- common to files and folders

CxFileSystemItem::CxFileSystemItem(const CxFileRef& inRef) : mRef{Trimmed(inRef.mPath)} {}

bool CxFileSystemItem::IsLocked() const
{
    return false;
}

CxString CxFileSystemItem::Name() const
{
    return CxString::FromUtf8(BaseName(mRef.mPath));
}

CxString CxFileSystemItem::Path() const
{
    return CxString::FromUtf8(mRef.mPath);
}

CxUint8 CxFileSystemItem::OwnerPerms() const
{
    return static_cast<CxUint8>((StatOrThrow(mRef.mPath).st_mode >> 6) & 7);
}

CxUint8 CxFileSystemItem::GroupPerms() const
{
    return static_cast<CxUint8>((StatOrThrow(mRef.mPath).st_mode >> 3) & 7);
}

CxUint8 CxFileSystemItem::OtherPerms() const
{
    return static_cast<CxUint8>(StatOrThrow(mRef.mPath).st_mode & 7);
}

void CxFileSystemItem::SetPerms(CxUint8 inOwner, CxUint8 inGroup, CxUint8 inOther)
{
    // The set-id and sticky bits stay as they are.
    const mode_t special = StatOrThrow(mRef.mPath).st_mode & 07000;
    const mode_t mode = special | ((inOwner & 7u) << 6) | ((inGroup & 7u) << 3) | (inOther & 7u);
    if (::chmod(mRef.mPath.c_str(), mode) != 0)
        FailErrno(errno);
}

void CxFileSystemItem::SetOwnerPerms(CxUint8 inPerms)
{
    SetPerms(inPerms, GroupPerms(), OtherPerms());
}

void CxFileSystemItem::SetGroupPerms(CxUint8 inPerms)
{
    SetPerms(OwnerPerms(), inPerms, OtherPerms());
}

void CxFileSystemItem::SetOtherPerms(CxUint8 inPerms)
{
    SetPerms(OwnerPerms(), GroupPerms(), inPerms);
}

CxDate CxFileSystemItem::CreationDate() const
{
    if (mRef.IsNull())
        FailStatus(kNotFoundStatus);
    struct statx info;
    if (::statx(AT_FDCWD, mRef.mPath.c_str(), 0, STATX_BTIME | STATX_MTIME, &info) == 0)
    {
        const long long seconds = (info.stx_mask & STATX_BTIME) != 0 ? info.stx_btime.tv_sec : info.stx_mtime.tv_sec;
        return CxDate(static_cast<double>(seconds) - kUnixToCxDate);
    }
    if (errno != ENOSYS)
        FailErrno(errno);
    return ModificationDate();
}

CxDate CxFileSystemItem::ModificationDate() const
{
    return CxDate(static_cast<double>(StatOrThrow(mRef.mPath).st_mtim.tv_sec) - kUnixToCxDate);
}

void CxFileSystemItem::SetCreationDate(const CxDate&) {}

void CxFileSystemItem::SetModificationDate(const CxDate& inDate)
{
    if (mRef.IsNull())
        FailStatus(kNotFoundStatus);
    const double unixTime = inDate.AbsoluteTime() + kUnixToCxDate;
    // Beyond what a file time can hold (or not a time at all) is a bad parameter.
    if (!std::isfinite(unixTime) || std::fabs(unixTime) > 9.0e15)
        FailStatus(kParamStatus);
    const double seconds = std::floor(unixTime);
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(seconds);
    times[1].tv_nsec = std::min(999999999L, static_cast<long>((unixTime - seconds) * 1e9));
    if (::utimensat(AT_FDCWD, mRef.mPath.c_str(), times, 0) != 0)
        FailErrno(errno);
}

void CxFileSystemItem::SetName(const CxString& inName)
{
    const std::string name = Utf8(inName);
    if (!LinuxCxIsPlainName(name))
        FailStatus(kBadNameStatus);
    StatOrThrow(mRef.mPath);
    const std::string target = JoinPath(ParentPath(mRef.mPath), name);
    if (target == mRef.mPath)
        return;
    RenameNoReplace(mRef.mPath, target);
    mRef.mPath = target;
}

void CxFileSystemItem::MoveTo(const CxFolder& inFolder)
{
    StatOrThrow(mRef.mPath);
    const std::string& folder = inFolder.GetRef().mPath;
    if (folder.empty())
        FailStatus(kNotFoundStatus);
    const std::string target = JoinPath(folder, BaseName(mRef.mPath));
    if (target == mRef.mPath)
        return;
    RenameNoReplace(mRef.mPath, target);
    mRef.mPath = target;
}

CxFolder CxFileSystemItem::Parent() const
{
    if (mRef.IsNull())
        return CxFolder();
    return CxFolder(CxFileRef{ParentPath(mRef.mPath)});
}

CxFolder CxFileSystemItem::Volume() const
{
    const struct stat item = StatOrThrow(mRef.mPath);
    std::string top = S_ISDIR(item.st_mode) ? mRef.mPath : ParentPath(mRef.mPath);
    while (top != "/")
    {
        const std::string up = ParentPath(top);
        struct stat info;
        if (::stat(up.c_str(), &info) != 0 || info.st_dev != item.st_dev)
            break;
        top = up;
    }
    return CxFolder(CxFileRef{top});
}

void CxFileSystemItem::Reveal() const
{
    if (mRef.IsNull())
    {
        CxDebug("Reveal: no item");
        return;
    }
    LinuxCxOpen(mRef.mPath);
}

bool operator==(const CxFileSystemItem& inA, const CxFileSystemItem& inB)
{
    struct stat a;
    struct stat b;
    if (!inA.mRef.IsNull() && !inB.mRef.IsNull() && ::stat(inA.mRef.mPath.c_str(), &a) == 0 &&
        ::stat(inB.mRef.mPath.c_str(), &b) == 0)
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    // Items that cannot be asked about are the same only when named alike.
    return inA.mRef.mPath == inB.mRef.mPath;
}

// ---- files

CxFile::CxFile(const CxString& inPath, bool inCreate)
{
    std::vector<std::string> parts = SplitPath(Utf8(inPath));
    const CxString name = CxString::FromUtf8(parts.back());
    parts.pop_back();
    CxFolder folder = FolderFromParts(parts, inCreate);
    *this = inCreate ? folder.CreateFile(name) : folder.ExistingFile(name);
}

bool CxFile::IsValid() const
{
    return IsNonDirectory(mRef.mPath);
}

CxString CxFile::Url() const
{
    return FileUrl(mRef.mPath, false);
}

CxUint32 CxFile::Size() const
{
    const struct stat info = StatOrThrow(mRef.mPath);
    if (S_ISDIR(info.st_mode))
        FailStatus(kNotAFileStatus);
    if (static_cast<unsigned long long>(info.st_size) > std::numeric_limits<CxUint32>::max())
        FailStatus(kBoundsStatus);
    return static_cast<CxUint32>(info.st_size);
}

void CxFile::Delete()
{
    if (mRef.IsNull())
        FailStatus(kNotFoundStatus);
    if (::unlink(mRef.mPath.c_str()) != 0)
        LinuxCxThrowErrno(errno, __FILE__, __LINE__, true);
}

CxData CxFile::ReadContents() const
{
    CxAutoFork fork(OpenOrThrow(mRef.mPath, O_RDONLY));
    struct stat info;
    if (::fstat(fork.Get(), &info) != 0)
        FailErrno(errno);
    long long expected = info.st_size;
    CxAssertText(expected <= kMaxContents, "size <= max");
    expected = std::min(expected, kMaxContents);

    CxData data(static_cast<CxUint32>(expected));
    long long have = 0;
    // A file is read to the size it tells; those of /proc tell none and are read on until their end, within the
    // limit.
    const bool sized = info.st_size > 0;
    for (;;)
    {
        const long long room = static_cast<long long>(data.Size()) - have;
        if (room > 0)
        {
            CxUint32 got;
            {
                CxAutoLock lock(data);
                got = ReadAt(fork.Get(), have, static_cast<char*>(data.Pointer()) + have, static_cast<CxUint32>(room));
            }
            have += got;
            if (got < room)
                break;
        }
        if (sized || have >= kMaxContents)
            break;
        data.SetSize(static_cast<CxUint32>(std::min(kMaxContents, have + 65536)));
    }
    if (have != static_cast<long long>(data.Size()))
        data.SetSize(static_cast<CxUint32>(have));
    return data;
}

void CxFile::WriteContents(CxData& ioData)
{
    WriteBuffer(mRef.mPath, O_WRONLY | O_TRUNC, ioData);
}

void CxFile::AppendContents(CxData& ioData)
{
    WriteBuffer(mRef.mPath, O_WRONLY | O_APPEND, ioData);
}

CxString CxFile::Mime() const
{
    const std::string name = BaseName(mRef.mPath);
    const std::size_t dot = name.rfind('.');
    // A dot that starts the name marks a hidden file, not an extension.
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size())
        return CxString();
    return CxMimeInfo::FromExtension(CxString::FromUtf8(name.substr(dot))).Mime();
}

void CxFile::SetMimeType(const CxString&) {}

// ---- folders

CxFolder::CxFolder(CxFolderId inId)
{
    std::string path = LinuxCxFolderPath(inId, true);
    if (path.empty())
    {
        _CxAssert(__FILE__, __LINE__, "false");
        path = LinuxCxFolderPath(kCxDesktopFolder, true);
    }
    mRef.mPath = path;
}

CxFolder::CxFolder(const CxString& inPath, bool inCreate)
{
    *this = FolderFromParts(SplitPath(Utf8(inPath)), inCreate);
}

bool CxFolder::IsValid() const
{
    return IsDirectory(mRef.mPath);
}

CxString CxFolder::Url() const
{
    return FileUrl(mRef.mPath, true);
}

CxUint32 CxFolder::Size() const
{
    StatOrThrow(mRef.mPath);
    return 0;
}

void CxFolder::Delete()
{
    if (mRef.IsNull())
        FailStatus(kNotFoundStatus);
    if (::rmdir(mRef.mPath.c_str()) != 0)
        LinuxCxThrowErrno(errno, __FILE__, __LINE__, true);
}

bool CxFolder::Contains(const CxString& inName) const
{
    const std::string name = Utf8(inName);
    struct stat info;
    return !mRef.IsNull() && LinuxCxIsPlainName(name) && ::lstat(JoinPath(mRef.mPath, name).c_str(), &info) == 0;
}

bool CxFolder::ContainsFile(const CxString& inName) const
{
    const std::string name = Utf8(inName);
    return !mRef.IsNull() && LinuxCxIsPlainName(name) && IsNonDirectory(JoinPath(mRef.mPath, name));
}

bool CxFolder::ContainsFolder(const CxString& inName) const
{
    const std::string name = Utf8(inName);
    return !mRef.IsNull() && LinuxCxIsPlainName(name) && IsDirectory(JoinPath(mRef.mPath, name));
}

CxFolder CxFolder::ExistingFolder(const CxString& inName) const
{
    std::string path = ChildPath(mRef, inName);
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0)
        FailErrno(errno);
    if (S_ISLNK(info.st_mode))
    {
        char* resolved = ::realpath(path.c_str(), nullptr);
        if (resolved == nullptr)
            FailErrno(errno);
        path = resolved;
        std::free(resolved);
        if (::stat(path.c_str(), &info) != 0)
            FailErrno(errno);
    }
    if (!S_ISDIR(info.st_mode))
        FailStatus(kDirectoryNotFoundStatus);
    return CxFolder(CxFileRef{path});
}

CxFile CxFolder::ExistingFile(const CxString& inName) const
{
    const std::string path = ChildPath(mRef, inName);
    if (S_ISDIR(StatOrThrow(path).st_mode))
        FailStatus(kNotAFileStatus);
    return CxFile(CxFileRef{path});
}

CxFolder CxFolder::CreateFolder(const CxString& inName)
{
    const std::string path = ChildPath(mRef, inName);
    if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST)
        FailErrno(errno);
    return CxFolder(CxFileRef{path});
}

CxFile CxFolder::CreateFile(const CxString& inName)
{
    const std::string path = ChildPath(mRef, inName);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0)
        CxAutoFork(fd).Close();
    else if (errno != EEXIST)
        FailErrno(errno);
    return CxFile(CxFileRef{path});
}

CxFile CxFolder::CreateFreshFile(const CxString& inPrefix)
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 tRandom{std::random_device{}()};
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        std::string suffix(8, ' ');
        for (char& letter : suffix)
            letter = kLetters[tRandom() % (sizeof(kLetters) - 1)];
        const std::string path = ChildPath(mRef, inPrefix + "." + CxString(suffix.c_str()));
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0)
        {
            CxAutoFork(fd).Close();
            return CxFile(CxFileRef{path});
        }
        if (errno != EEXIST)
            FailErrno(errno);
    }
    FailErrno(EEXIST);
}

std::vector<CxFolderItem> CxFolder::Contents() const
{
    if (mRef.IsNull())
        FailStatus(kNotFoundStatus);
    DIR* dir = ::opendir(mRef.mPath.c_str());
    if (dir == nullptr)
        FailErrno(errno);
    std::vector<CxFolderItem> items;
    for (;;)
    {
        errno = 0;
        const struct dirent* entry = ::readdir(dir);
        if (entry == nullptr)
            break;
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        items.emplace_back(CxFileRef{JoinPath(mRef.mPath, name)});
    }
    const int error = errno;
    ::closedir(dir);
    if (error != 0)
        FailErrno(error);
    return items;
}

bool CxFolder::IsEmpty() const
{
    return Contents().empty();
}

// ---- folder items

CxFolderItem::CxFolderItem(const CxFileRef& inRef) : mRef{Trimmed(inRef.mPath)} {}

bool CxFolderItem::IsFile() const
{
    return IsNonDirectory(mRef.mPath);
}

bool CxFolderItem::IsFolder() const
{
    return IsDirectory(mRef.mPath);
}

CxString CxFolderItem::Name() const
{
    return CxString::FromUtf8(BaseName(mRef.mPath));
}

CxString CxFolderItem::AsString() const
{
    return CxString::FromUtf8(mRef.mPath);
}

// ---- open files

CxAutoFork::~CxAutoFork()
{
    if (mFd >= 0)
        ::close(mFd);
}

void CxAutoFork::Close()
{
    const int fd = mFd;
    mFd = -1;
    if (fd >= 0 && ::close(fd) != 0 && errno != EINTR)
        FailErrno(errno);
}

CxFileSource::CxFileSource(CxFile& inFile, unsigned char inAccess) : mFile(inFile)
{
    const std::string& path = mFile.GetRef().mPath;
    const bool read = (inAccess & kCxFileAccessRead) != 0;
    const bool write = (inAccess & kCxFileAccessWrite) != 0;
    if (read || write)
    {
        const int flags = read && write ? O_RDWR : (read ? O_RDONLY : O_WRONLY);
        mFd = OpenOrThrow(path, flags);
        mWritable = write;
    }
    else
    {
        // Whatever is allowed: both, else reading, else writing.
        constexpr int kFlags = O_CLOEXEC | O_NONBLOCK;
        mFd = path.empty() ? -1 : ::open(path.c_str(), O_RDWR | kFlags);
        mWritable = mFd >= 0;
        if (mFd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS || errno == EISDIR))
            mFd = ::open(path.c_str(), O_RDONLY | kFlags);
        if (mFd < 0 && (errno == EACCES || errno == EPERM))
        {
            mFd = ::open(path.c_str(), O_WRONLY | kFlags);
            mWritable = mFd >= 0;
        }
        mFd = mFd < 0 ? OpenOrThrow(path, O_RDONLY) : RegularOrThrow(mFd);
    }
}

CxFileSource::~CxFileSource()
{
    if (mFd >= 0)
        ::close(mFd);
}

CxUint32 CxFileSource::Peek(void* outPtr, CxUint32 inCount)
{
    CxAssertText(outPtr != nullptr, "inPtr != nil");
    if (outPtr == nullptr)
        return 0;
    const CxUint32 count = ReadAt(mFd, mPosition, outPtr, inCount);
    if (count < inCount)
        FailStatus(kEndOfFileStatus);
    return count;
}

CxUint32 CxFileSource::Read(void* outPtr, CxUint32 inCount)
{
    CxAssertText(outPtr != nullptr, "inPtr != nil");
    if (outPtr == nullptr)
        return 0;
    const CxUint32 count = ReadAt(mFd, mPosition, outPtr, inCount);
    mPosition += count;
    if (count < inCount)
        FailStatus(kEndOfFileStatus);
    return count;
}

CxUint32 CxFileSource::Write(const void* inPtr, CxUint32 inCount)
{
    CxAssertText(inPtr != nullptr, "inPtr != nil");
    if (inPtr == nullptr)
        return 0;
    if (!mWritable)
        FailStatus(kWritePermissionStatus);
    CxUint32 done = 0;
    while (done < inCount)
    {
        const ssize_t wrote =
            ::pwrite(mFd, static_cast<const char*>(inPtr) + done, inCount - done, static_cast<off_t>(mPosition + done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote < 0)
        {
            mPosition += done;
            FailErrno(errno);
        }
        done += static_cast<CxUint32>(wrote);
    }
    mPosition += done;
    return done;
}

void CxFileSource::SetPosition(CxUint32 inPosition)
{
    struct stat info;
    if (::fstat(mFd, &info) != 0)
        FailErrno(errno);
    if (static_cast<long long>(inPosition) > static_cast<long long>(info.st_size))
        FailStatus(kEndOfFileStatus);
    mPosition = inPosition;
}

void CxFileSource::SetLength(CxUint32 inLength)
{
    if (!mWritable)
        FailStatus(kWritePermissionStatus);
    while (::ftruncate(mFd, static_cast<off_t>(inLength)) != 0)
    {
        if (errno != EINTR)
            FailErrno(errno);
    }
    mPosition = std::min<long long>(mPosition, inLength);
}

CxUint32 CxFileSource::Position() const
{
    if (mPosition > std::numeric_limits<CxUint32>::max())
        FailStatus(kBoundsStatus);
    return static_cast<CxUint32>(mPosition);
}

CxUint32 CxFileSource::Length() const
{
    struct stat info;
    if (::fstat(mFd, &info) != 0)
        FailErrno(errno);
    if (static_cast<unsigned long long>(info.st_size) > std::numeric_limits<CxUint32>::max())
        FailStatus(kBoundsStatus);
    return static_cast<CxUint32>(info.st_size);
}

signed char CxFileSource::ReadChar()
{
    signed char value = 0;
    Read(&value, 1);
    return value;
}

// ---- binary streams on files

CxBinaryStream::CxBinaryStream(CxFile& ioFile) : CxBinaryStream(new CxFileSource(ioFile, kCxFileAccessRead)) {}
