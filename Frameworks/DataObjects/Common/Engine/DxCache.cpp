#include "DxCache.h"

#include "CxDebug.h"
#include "CxError.h"
#include "DxManager.h"
#include "DxRecord.h"

#include <cstdio>
#include <vector>

namespace
{

bool IsNamed(const CxFolder& inFolder)
{
    return !inFolder.GetRef().IsNull();
}

// A single item's name; names built by joining text are checked here before the file system sees them.
bool IsPlainName(const CxString& inName)
{
    const std::string name = inName.AsUtf8();
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

void Report(const CxError& inError)
{
    _CxDebug(__FILE__, __LINE__, "DxCache", inError);
}

CxString TwoDigits(int inValue, int inWidth)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", inWidth, inValue);
    return CxString(text);
}

} // namespace

DxCache::DxCache(const CxFolder& inDataRoot, const CxFolder& inCacheRoot, const CxString& inId,
                 bool inKeepTemporaryFiles)
    : mId(inId), mDataRoot(inDataRoot), mCacheRoot(inCacheRoot), mKeepTemporaryFiles(inKeepTemporaryFiles)
{
    const CxFolder base = SubFolder(mDataRoot, mId, true);
    mDataFolder = SubFolder(base, CxString("data"), true);
    mInfoFolder = SubFolder(base, CxString("info"), true);
}

DxCache::~DxCache()
{
    if (!mKeepTemporaryFiles)
        Cleanup();
}

CxFolder DxCache::SubFolder(const CxFolder& inBase, const CxString& inName, bool inCreate)
{
    if (!IsNamed(inBase))
        return CxFolder();
    // A folder not there yet is no failure worth a line; a name that may not be used is.
    if (!inCreate && !inBase.ContainsFolder(inName) && IsPlainName(inName))
        return CxFolder();
    try
    {
        CxFolder base = inBase;
        CxFolder folder = inCreate ? base.CreateFolder(inName) : base.ExistingFolder(inName);
        if (folder.IsValid())
            return folder;
    }
    catch (const CxError& error)
    {
        Report(error);
    }
    return CxFolder();
}

void DxCache::DeleteTree(const CxFolder& inFolder)
{
    for (const CxFolderItem& item : inFolder.Contents())
    {
        if (item.IsFolder())
            DeleteTree(item.AsFolder());
        else
            item.AsFile().Delete();
    }
    CxFolder folder = inFolder;
    folder.Delete();
}

void DxCache::Cleanup()
{
    if (!Temporary(false).IsValid())
        return;
    try
    {
        DeleteTree(mTemporaryFolder);
        mTemporaryFolder = CxFolder();
    }
    catch (const CxError& error)
    {
        Report(error);
    }
}

CxUint32 DxCache::PurgeTree(const CxFolder& inFolder, const CxDate& inDate)
{
    CxUint32 count = 0;
    for (const CxFolderItem& item : inFolder.Contents())
    {
        if (item.IsFolder())
        {
            count += PurgeTree(item.AsFolder(), inDate);
        }
        else if (CxFile file = item.AsFile(); file.ModificationDate() < inDate)
        {
            file.Delete();
            ++count;
        }
    }
    return count;
}

CxUint32 DxCache::PurgeOlderThan(const CxDate& inDate)
{
    if (!Temporary(false).IsValid())
        return 0;
    try
    {
        return PurgeTree(mTemporaryFolder, inDate);
    }
    catch (const CxError& error)
    {
        Report(error);
        return 0;
    }
}

const CxFolder& DxCache::Temporary(bool inCreate)
{
    // A folder left by an earlier run is taken over, so that its files are found and cleaned up too.
    if (!mTemporaryFolder.IsValid())
        mTemporaryFolder = SubFolder(SubFolder(mCacheRoot, mId, inCreate), CxString("Temporary"), inCreate);
    return mTemporaryFolder;
}

bool DxCache::HasFiles() const
{
    return IsNamed(mDataRoot) && mDataRoot.ContainsFolder(mId);
}

void DxCache::ShowFiles() const
{
    const CxFolder base = SubFolder(mDataRoot, mId, true);
    if (IsNamed(base))
        base.Reveal();
}

bool DxCache::WriteReplacing(const CxFolder& inFolder, const CxString& inName, CxData& inData, const CxDate& inModified)
{
    if (!IsNamed(inFolder) || !IsPlainName(inName))
        return false;
    CxFolder folder = inFolder;
    CxFile part;
    try
    {
        part = folder.CreateFreshFile("." + inName);
        part.WriteContents(inData);
        part.SetModificationDate(inModified);
        part.MoveOver(CxFile(CxFileRef{inFolder.GetRef().mPath + "/" + inName.AsUtf8()}));
        return true;
    }
    catch (const CxError& error)
    {
        Report(error);
    }
    try
    {
        if (part.IsValid())
            part.Delete();
    }
    catch (const CxError& error)
    {
        Report(error);
    }
    return false;
}

bool DxCache::WriteInfoFile(const CxString& inName, CxData& inData, const CxDate& inModified)
{
    return WriteReplacing(mInfoFolder, inName, inData, inModified);
}

CxFile DxCache::FindInfoFile(const CxString& inName) const
{
    if (!IsNamed(mInfoFolder))
        return CxFile();
    try
    {
        CxFile file = mInfoFolder.ExistingFile(inName);
        if (file.IsValid())
            return file;
    }
    catch (const CxErrorFileNotFound&)
    {
        // Not fetched yet: every fresh home asks, so no line.
    }
    catch (const CxError& error)
    {
        Report(error);
    }
    return CxFile();
}

CxData DxCache::ReadInfo(const CxString& inName) const
{
    const CxFile file = FindInfoFile(inName);
    try
    {
        if (file.IsValid())
            return file.ReadContents();
    }
    catch (const CxError& error)
    {
        Report(error);
    }
    return CxData();
}

CxDate DxCache::GetInfoFileModDate(const CxString& inName) const
{
    const CxFile file = FindInfoFile(inName);
    try
    {
        if (file.IsValid())
            return file.ModificationDate();
    }
    catch (const CxError& error)
    {
        Report(error);
    }
    return DxManager::sMissingDate;
}

CxFile DxCache::FindResourceFile(const CxString& inName)
{
    try
    {
        const CxFolder shared(kCxLocalApplicationSupportFolder);
        if (!shared.IsValid())
            return CxFile();
        const CxFolder resources = SubFolder(SubFolder(shared, CxString("Nimbrel"), false), "Resources", false);
        if (IsNamed(resources))
        {
            CxFile file = resources.ExistingFile(inName);
            if (file.IsValid())
                return file;
        }
    }
    catch (const CxError& error)
    {
        Report(error);
    }
    return CxFile();
}

CxFolder DxCache::DateFolder(const CxFolder& inBase, const CxDate& inDate, bool inCreate)
{
    const CxDateFields fields = inDate.AsFields(0);
    CxFolder folder = SubFolder(inBase, TwoDigits(fields.mYear, 4), inCreate);
    folder = SubFolder(folder, TwoDigits(fields.mMonth, 2), inCreate);
    return SubFolder(folder, TwoDigits(fields.mDay, 2), inCreate);
}

CxFolder DxCache::GetDataFolder(const CxFolder& inTree, const CxDate& inDate, const CxStringList& inSubFolders,
                                bool inDated, bool inCreate)
{
    CxFolder folder = inTree;
    if (inDated)
        folder = DateFolder(inTree, inDate, inCreate);
    else if (!inTree.IsValid())
        return CxFolder();
    for (const CxString& name : inSubFolders)
        folder = SubFolder(folder, name, inCreate);
    return folder;
}

CxFile DxCache::GetDataFile(const CxFolder& inTree, const CxDate& inDate, const CxStringList& inSubFolders,
                            const CxStringList& inExtensions, const CxString& inBaseName, bool inDated, bool inCreate)
{
    const CxFolder folder = GetDataFolder(inTree, inDate, inSubFolders, inDated, inCreate);
    if (!IsNamed(folder) || !IsPlainName(inBaseName))
        return CxFile();
    for (const CxString& extension : inExtensions)
    {
        const CxString name = inBaseName + extension;
        try
        {
            if (!folder.ContainsFile(name))
                continue;
            CxFile file = folder.ExistingFile(name);
            if (file.IsValid())
                return file;
        }
        catch (const CxError& error)
        {
            Report(error);
        }
    }
    return CxFile();
}

bool DxCache::WriteDataFile(DxRecord* inRecord, CxData& inData, const CxStringList& inSubFolders,
                            const CxStringList& inExtensions, const CxString& inBaseName, const CxString& inExtension,
                            const CxDate& inModified, bool inDated)
{
    if (inRecord == nullptr)
        return false;
    const CxDate date = inRecord->Date();
    CxFolder tree = mDataFolder;
    if (!inRecord->Archiving())
    {
        tree = Temporary(true);
    }
    if (!IsPlainName(inBaseName))
        return false;
    const CxFolder folder = GetDataFolder(tree, date, inSubFolders, inDated, true);
    if (!WriteReplacing(folder, inBaseName + inExtension, inData, inModified))
        return false;
    for (const CxString& extension : inExtensions)
    {
        if (extension == inExtension)
            continue;
        try
        {
            const CxString name = inBaseName + extension;
            if (folder.ContainsFile(name))
                folder.ExistingFile(name).Delete();
        }
        catch (const CxError& error)
        {
            Report(error);
        }
    }
    return true;
}

CxFile DxCache::FindDataFile(DxRecord* inRecord, const CxStringList& inSubFolders, const CxStringList& inExtensions,
                             const CxString& inBaseName, bool inDated)
{
    if (inRecord == nullptr)
        return CxFile();
    const CxDate date = inRecord->Date();
    if (!inRecord->Archiving() && Temporary(false).IsValid())
    {
        CxFile file = GetDataFile(mTemporaryFolder, date, inSubFolders, inExtensions, inBaseName, inDated, false);
        if (file.IsValid())
            return file;
    }
    CxFile file = GetDataFile(mDataFolder, date, inSubFolders, inExtensions, inBaseName, inDated, false);
    if (file.IsValid())
        inRecord->SetArchiving();
    return file;
}

void DxCache::ArchiveDataFile(DxRecord* inRecord, const CxStringList& inSubFolders, const CxStringList& inExtensions,
                              const CxString& inBaseName, bool inDated)
{
    if (inRecord == nullptr || !Temporary(false).IsValid())
        return;
    const CxDate date = inRecord->Date();
    CxFile file = GetDataFile(mTemporaryFolder, date, inSubFolders, inExtensions, inBaseName, inDated, false);
    if (!file.IsValid())
        return;
    const CxFolder folder = GetDataFolder(mDataFolder, date, inSubFolders, inDated, true);
    if (!IsNamed(folder))
        return;
    try
    {
        file.MoveTo(folder);
        DxLog("Archiving " + file.Path(), 0);
    }
    catch (const CxError& error)
    {
        Report(error);
    }
}

void DxCache::DeleteDataFile(DxRecord* inRecord, const CxStringList& inSubFolders, const CxStringList& inExtensions,
                             const CxString& inBaseName, bool inDated)
{
    if (inRecord == nullptr || !Temporary(false).IsValid())
        return;
    CxFile file =
        GetDataFile(mTemporaryFolder, inRecord->Date(), inSubFolders, inExtensions, inBaseName, inDated, false);
    if (!file.IsValid())
        return;
    try
    {
        const CxString path = file.Path();
        file.Delete();
        DxLog(CxDate().AsString(CxString("%H:%M:%S"), 0) + " Delete: " + path, 0);
    }
    catch (const CxError& error)
    {
        Report(error);
    }
}
