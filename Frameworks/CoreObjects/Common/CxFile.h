// Files and folders. Every item is named by a value object holding a reference (an absolute UTF-8 path); copies
// are plain copies, and two references are equal when the file system says they name the same item. Every
// failing file-system call throws the CxError subclass of its status; the object is then left as it was.
//
// Names given to a folder's operations are single names: one holding "/", or an empty name, "." or "..", would
// reach another folder and throws CxErrorBadFileName.
//
// What has no counterpart here: the creation date cannot be set, nothing is locked, type and creator codes are
// not kept, aliases are symbolic links, and a reference does not follow a rename made by someone else.
#pragma once

#include "CxDate.h"
#include "CxStream.h"
#include "CxString.h"
#include "CxTypes.h"

#include <string>
#include <vector>

class CxData;
class CxFile;
class CxFolder;

// Well-known folders. Missing ones are created, except 0, 1 and 13.
enum CxFolderId : CxSint32
{
    kCxSystemFolder = 0,                  // /usr
    kCxRootFolder = 1,                    // /
    kCxHomeFolder = 2,                    // $HOME
    kCxDesktopFolder = 3,                 // $XDG_DESKTOP_DIR, else ~/Desktop
    kCxDocumentsFolder = 4,               // $XDG_DOCUMENTS_DIR, else ~/Documents
    kCxDownloadsFolder = 5,               // $XDG_DOWNLOAD_DIR, else ~/Downloads
    kCxTemporaryFolder = 6,               // ${TMPDIR:-/tmp}/skyvane-<uid>, mode 0700
    kCxPreferencesFolder = 7,             // $XDG_CONFIG_HOME/skyvane
    kCxApplicationSupportFolder = 8,      // $XDG_DATA_HOME/skyvane
    kCxLogsFolder = 9,                    // $XDG_STATE_HOME/skyvane
    kCxUserFolder = 11,                   // $HOME, the start of relative paths
    kCxCachesFolder = 12,                 // $XDG_CACHE_HOME/skyvane
    kCxLocalApplicationSupportFolder = 13 // /usr/local/share
};

// The file-system reference: an absolute path in UTF-8. The default reference is empty and names nothing.
struct CxFileRef
{
    std::string mPath;

    bool IsNull() const { return mPath.empty(); }
};

// Members common to files and folders.
class CxFileSystemItem
{
public:
    const CxFileRef& GetRef() const { return mRef; }

    // Nothing is ever locked here.
    bool IsLocked() const;
    // The item's own name; "/" for the root.
    CxString Name() const;
    // The absolute path.
    CxString Path() const;
    CxString AsString() const { return Path(); }

    // Three-bit groups of the mode: read 4, write 2, execute 1.
    CxUint8 OwnerPerms() const;
    CxUint8 GroupPerms() const;
    CxUint8 OtherPerms() const;
    void SetPerms(CxUint8 inOwner, CxUint8 inGroup, CxUint8 inOther);
    void SetOwnerPerms(CxUint8 inPerms);
    void SetGroupPerms(CxUint8 inPerms);
    void SetOtherPerms(CxUint8 inPerms);

    // Whole seconds. The creation date is the birth time where the file system keeps one, else the modification
    // date; it cannot be set, so SetCreationDate does nothing.
    CxDate CreationDate() const;
    CxDate ModificationDate() const;
    void SetCreationDate(const CxDate& inDate);
    void SetModificationDate(const CxDate& inDate);

    // Renames in place, never over an existing item; the object then names the renamed item.
    void SetName(const CxString& inName);
    // Moves into the folder under the same name, never over an existing item; the object follows.
    void MoveTo(const CxFolder& inFolder);

    CxFolder Parent() const;
    // The top folder of the item's file system (its mount point).
    CxFolder Volume() const;

    // Opens the item with the desktop's opener. Never throws; a failure to start is reported as a debug line.
    void Reveal() const;

    friend bool operator==(const CxFileSystemItem& inA, const CxFileSystemItem& inB);
    friend bool operator!=(const CxFileSystemItem& inA, const CxFileSystemItem& inB) { return !(inA == inB); }

protected:
    CxFileSystemItem() = default;
    // Trailing slashes are dropped, but for the root's own.
    explicit CxFileSystemItem(const CxFileRef& inRef);

    CxFileRef mRef;
};

class CxFile : public CxFileSystemItem
{
public:
    CxFile() = default;
    explicit CxFile(const CxFileRef& inRef) : CxFileSystemItem(inRef) {}
    // A '/'-separated path: absolute, from the home folder after "~", else relative to the home folder. The last
    // part is the file's name. With inCreate, missing folders and the file are created; without, a missing one
    // throws CxErrorFileNotFound.
    CxFile(const CxString& inPath, bool inCreate);

    // An existing item that is not a folder. Never throws.
    bool IsValid() const;
    // "file://" and the percent-encoded path.
    CxString Url() const;
    // Bytes; from 4 GiB on CxErrorFileBounds.
    CxUint32 Size() const;
    void Delete();

    // The whole file, at most 2 GiB (a larger one is reported and cut there). Anything but a regular file (a FIFO,
    // a device) throws CxErrorNotAFile rather than wait on it; so do the writers and CxFileSource.
    CxData ReadContents() const;
    // Replaces the existing file's bytes with the buffer's.
    void WriteContents(CxData& ioData);
    // Adds the buffer's bytes at the existing file's end.
    void AppendContents(CxData& ioData);

    // The MIME type of the name's extension (the text after the last ".", unless that dot starts the name); ""
    // when there is none or no entry knows it.
    CxString Mime() const;
    // Type and creator codes are not kept here: does nothing.
    void SetMimeType(const CxString& inMime);

    // Renames this file onto the target in one step, replacing a file there: a reader sees the old bytes or the
    // new, never a part. A folder at the target is refused (CxErrorNotAFile). The object then names the target.
    void MoveOver(const CxFile& inTarget);
};

class CxFolderItem;

class CxFolder : public CxFileSystemItem
{
public:
    CxFolder() = default;
    explicit CxFolder(const CxFileRef& inRef) : CxFileSystemItem(inRef) {}
    // A well-known folder. An unknown id is reported and gives the desktop.
    explicit CxFolder(CxFolderId inId);
    // As CxFile's path constructor, every part naming a folder. An empty path is the root.
    CxFolder(const CxString& inPath, bool inCreate);

    // An existing folder. Never throws.
    bool IsValid() const;
    // "file://", the percent-encoded path and "/".
    CxString Url() const;
    // 0: folders hold no data of their own.
    CxUint32 Size() const;
    // Only an empty folder; one that is not empty throws CxErrorFilePermissions.
    void Delete();

    // Never throw: false for a bad name or an unreadable folder.
    bool Contains(const CxString& inName) const;
    bool ContainsFile(const CxString& inName) const;
    bool ContainsFolder(const CxString& inName) const;

    // The child folder; a symbolic link is resolved to the folder it leads to. Missing: CxErrorFileNotFound;
    // not a folder: CxErrorDirectoryNotFound.
    CxFolder ExistingFolder(const CxString& inName) const;
    // The child file, links not resolved. Missing: CxErrorFileNotFound; a folder: CxErrorNotAFile.
    CxFile ExistingFile(const CxString& inName) const;
    // The child of that name, created empty when no item has the name; an existing item is returned as it is,
    // whatever its kind (operations on it then fail loudly).
    CxFolder CreateFolder(const CxString& inName);
    CxFile CreateFile(const CxString& inName);
    // A new empty file no other writer holds: the prefix and a random suffix, made only where nothing stood (links
    // not followed). Two writers into one folder never share it.
    CxFile CreateFreshFile(const CxString& inPrefix);

    // Every item directly inside, hidden ones too, in the order the file system lists them.
    std::vector<CxFolderItem> Contents() const;
    bool IsEmpty() const;
};

// One entry of a folder listing: a file or a folder.
class CxFolderItem
{
public:
    CxFolderItem() = default;
    explicit CxFolderItem(const CxFileRef& inRef);

    const CxFileRef& GetRef() const { return mRef; }
    // False when the item cannot be read.
    bool IsFile() const;
    bool IsFolder() const;
    CxString Name() const;
    CxString AsString() const;
    // The same reference; its kind is not tested.
    CxFile AsFile() const { return CxFile(mRef); }
    CxFolder AsFolder() const { return CxFolder(mRef); }

private:
    CxFileRef mRef;
};

// Closes an open file descriptor when the block ends.
class CxAutoFork
{
public:
    explicit CxAutoFork(int inFd) : mFd(inFd) {}
    ~CxAutoFork();
    CxAutoFork(const CxAutoFork&) = delete;
    CxAutoFork& operator=(const CxAutoFork&) = delete;

    int Get() const { return mFd; }
    // Closes now and throws on a failed close (a write may only then be found to have failed).
    void Close();

private:
    int mFd;
};

enum CxFileAccess : CxUint8
{
    kCxFileAccessAny = 0, // whatever is allowed: both, else reading, else writing
    kCxFileAccessWrite = 2,
    kCxFileAccessRead = 4
};

// A file as a stream source. Reading past the end throws CxErrorFileEnd; positions and lengths that do not fit
// in 32 bits throw CxErrorFileBounds.
class CxFileSource final : public CxStreamSource
{
public:
    // Opens the file; the position starts at 0. Failures throw.
    CxFileSource(CxFile& inFile, unsigned char inAccess);
    ~CxFileSource() override;

    // Like Read, but the position stays.
    CxUint32 Peek(void* outPtr, CxUint32 inCount) override;
    // The bytes at the position; fewer than asked (the end) throws CxErrorFileEnd after moving past them.
    CxUint32 Read(void* outPtr, CxUint32 inCount) override;
    CxUint32 Write(const void* inPtr, CxUint32 inCount) override;
    // Beyond the end throws CxErrorFileEnd.
    void SetPosition(CxUint32 inPosition) override;
    // The position is kept within the new length.
    void SetLength(CxUint32 inLength) override;
    CxUint32 Position() const override;
    CxUint32 Length() const override;

    // The next byte.
    signed char ReadChar();

private:
    CxFile mFile;
    int mFd = -1;
    bool mWritable = false;
    long long mPosition = 0;
};
