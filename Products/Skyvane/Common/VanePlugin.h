// The one plug-in object of a load: the bundle, unit table, HTTP client, preferences file, job threads, data log
// and the data managers' root folders, and the plug-in's own version.
#pragma once

#include "CxFile.h"
#include "CxString.h"
#include "CxVersion.h"
#include "FxPlugin.h"

#include <array>
#include <memory>

class CxJobThread;

class VanePlugin : public FxPlugin
{
public:
    static constexpr CxSint32 kJobThreads = 4;

    // The version of this build, 1.8.0f4.
    static const CxVersion sLastUpdate;

    VanePlugin();
    ~VanePlugin() override;

    void OnStartup() override;
    void OnShutdown() override;

    // A file that cannot be read or does not parse leaves the store as it is (a debug line says why).
    void ReadPrefs();
    // Writes beside the file and renames over it: a failure keeps the old file (a debug line says why).
    void WritePrefs();
    // The preferences file, created from the bundle's "VanePrefs.xml" when missing.
    CxFile FindPrefsFile();
    CxFolder FindDataFolder();
    CxFolder FindCacheFolder();
    // Until the update window exists, a newer version is only logged.
    bool CheckForUpdate();
    CxFile FindLicenseFile();
    CxFile FindAcknowledgmentsFile();

    void OnFinishUpdateJob() { WritePrefs(); }

    // Null before start-up and after shut-down.
    const CxJobThread* JobThread(CxSint32 inIndex) const;

private:
    CxFolder FindRootFolder(CxFolderId inFallback, const CxString& inLeaf);
    CxFile WriteResourceFile(const CxString& inResource, const CxString& inFileName);

    std::array<std::unique_ptr<CxJobThread>, kJobThreads> mThreads;
};
