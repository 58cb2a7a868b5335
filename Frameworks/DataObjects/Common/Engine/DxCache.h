// One data set's files on disk: the temporary cache of downloads, the permanent archive and the info documents,
// and the data log. The cache never throws: a failure gives an invalid file or folder, empty data, the missing
// date, or nothing done. Names from outside (set ids, client keys) are used one folder level at a time, so a name
// such as ".." or "a/b" finds and makes nothing.
#pragma once

#include "CxData.h"
#include "CxDate.h"
#include "CxFile.h"
#include "CxString.h"
#include "CxTypes.h"
#include "DxLogger.h"

class DxRecord;

class DxCache
{
public:
    // Creates (or opens) <data root>/<id> with its "data" and "info" folders.
    DxCache(const CxFolder& inDataRoot, const CxFolder& inCacheRoot, const CxString& inId, bool inKeepTemporaryFiles);
    // Unless told to keep them, deletes the temporary files.
    ~DxCache();
    DxCache(const DxCache&) = delete;
    DxCache& operator=(const DxCache&) = delete;

    // Deletes the temporary folder and everything in it.
    void Cleanup();
    // Deletes the temporary tree's files last modified before the date; the archive stays. Answers how many went.
    CxUint32 PurgeOlderThan(const CxDate& inDate);
    bool HasFiles() const;
    void ShowFiles() const;

    // Info documents, dated with the server's Last-Modified date. False when the copy could not be stored.
    bool WriteInfoFile(const CxString& inName, CxData& inData, const CxDate& inModified);
    CxFile FindInfoFile(const CxString& inName) const;
    CxData ReadInfo(const CxString& inName) const;
    CxDate GetInfoFileModDate(const CxString& inName) const;

    // Nimbrel/Resources in the machine-wide application-support folder.
    static CxFile FindResourceFile(const CxString& inName);

    // The record's file: to the temporary tree, or the archive when the record archives. The new copy replaces
    // the old in one step; copies under the other extensions go only after that succeeded. False when the copy
    // could not be stored.
    bool WriteDataFile(DxRecord* inRecord, CxData& inData, const CxStringList& inSubFolders,
                       const CxStringList& inExtensions, const CxString& inBaseName, const CxString& inExtension,
                       const CxDate& inModified, bool inDated);
    // Temporary tree first (unless archiving), then the archive; found in the archive, the record archives.
    CxFile FindDataFile(DxRecord* inRecord, const CxStringList& inSubFolders, const CxStringList& inExtensions,
                        const CxString& inBaseName, bool inDated);
    void ArchiveDataFile(DxRecord* inRecord, const CxStringList& inSubFolders, const CxStringList& inExtensions,
                         const CxString& inBaseName, bool inDated);
    // The temporary copy only.
    void DeleteDataFile(DxRecord* inRecord, const CxStringList& inSubFolders, const CxStringList& inExtensions,
                        const CxString& inBaseName, bool inDated);

    CxFile GetDataFile(const CxFolder& inTree, const CxDate& inDate, const CxStringList& inSubFolders,
                       const CxStringList& inExtensions, const CxString& inBaseName, bool inDated, bool inCreate);
    CxFolder GetDataFolder(const CxFolder& inTree, const CxDate& inDate, const CxStringList& inSubFolders, bool inDated,
                           bool inCreate);
    // year/month/day in UTC.
    CxFolder DateFolder(const CxFolder& inBase, const CxDate& inDate, bool inCreate);

    const CxFolder& DataFolder() const { return mDataFolder; }
    const CxFolder& InfoFolder() const { return mInfoFolder; }
    const CxFolder& TemporaryFolder() const { return mTemporaryFolder; }

private:
    // The child folder, or an invalid one for a bad name or a failure.
    static CxFolder SubFolder(const CxFolder& inBase, const CxString& inName, bool inCreate);
    // Writes through a temporary file of its own in the folder (processes share the cache), then renames over the
    // target. False on any failure, which leaves the target as it was and no temporary file.
    static bool WriteReplacing(const CxFolder& inFolder, const CxString& inName, CxData& inData,
                               const CxDate& inModified);
    static void DeleteTree(const CxFolder& inFolder);
    static CxUint32 PurgeTree(const CxFolder& inFolder, const CxDate& inDate);
    const CxFolder& Temporary(bool inCreate);

    CxString mId;
    CxFolder mDataRoot;
    CxFolder mCacheRoot;
    CxFolder mDataFolder;
    CxFolder mTemporaryFolder;
    CxFolder mInfoFolder;
    bool mKeepTemporaryFiles;
};
