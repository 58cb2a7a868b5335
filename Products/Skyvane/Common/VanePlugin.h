// The one plug-in object of a load: the bundle, unit table, HTTP client, preferences file, job threads, data log
// and the data managers' root folders, the plug-in's own version and the automatic update check.
#pragma once

#include "CxFile.h"
#include "CxString.h"
#include "CxVersion.h"
#include "FxPlugin.h"
#include "VaneAutoUpdate.h"

#include <array>
#include <memory>

class CxJobThread;

class VanePlugin : public FxPlugin, public VaneUpdater
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
    // A newer version marked available opens the start-up update window; anything else resets both keys.
    bool CheckForUpdate();
    CxFile FindLicenseFile();
    CxFile FindAcknowledgmentsFile();

    void OnFinishUpdateJob() override { WritePrefs(); }
    // Update now opens the window's URL in the browser; any other way out writes the preferences file.
    void OnFinishUpdateWindow(VaneUpdateWindow* inWindow, VaneUpdateAction inAction) override;

    VaneUpdateWindow* StartupUpdateWindow() const { return mStartupWindow; }

    // Null before start-up and after shut-down.
    const CxJobThread* JobThread(CxSint32 inIndex) const;

private:
    // Joins the job threads, their requests cut short.
    void EndThreads();
    // While the host's run loop keeps virtual time, the dates follow it from start-up to shut-down.
    static void FollowLoopClock();
    static void LeaveLoopClock();
    CxFolder FindRootFolder(CxFolderId inFallback, const CxString& inLeaf);
    CxFile WriteResourceFile(const CxString& inResource, const CxString& inFileName);

    VaneUpdateWindow* mStartupWindow = nullptr;
    std::array<std::unique_ptr<CxJobThread>, kJobThreads> mThreads;
};
