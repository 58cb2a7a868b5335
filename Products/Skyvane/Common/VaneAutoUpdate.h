// The automatic update check: at most once a day, week or month a job asks the update server whether a newer
// version exists; the answer goes into the preferences and is offered in a window at the next start.
#pragma once

#include "CxDate.h"
#include "CxJob.h"
#include "CxMessenger.h"
#include "CxString.h"
#include "CxTimer.h"
#include "FxWindow.h"

class VaneUpdateJob;
class VaneUpdateWindow;

// How an update window was finished.
enum VaneUpdateAction : CxSint32
{
    kVaneUpdateNow = 1,
    kVaneUpdateLater = 2,
    kVaneUpdateIgnore = 3, // also the up-to-date dialog's OK
    kVaneUpdateClosed = 4  // by its close box: the window is already going
};

// "mac", "win" or "linux" for a platform code; any other code gives "???" and asserts.
CxString VanePlatformWord(CxSint32 inPlatform);
// The update server's address with the query for this build; redirect asks the server to send the browser on to
// the download.
CxString VaneBuildUpdateUrl(bool inRedirect);

class VaneUpdater : public CxReceiver
{
public:
    static constexpr CxSint32 kCheckMessage = 2010;
    static constexpr CxUint32 kCheckInterval = 60000;

    // Stores the defaults of "autoUpdate" and "autoUpdateInterval" where absent and starts the check timer.
    VaneUpdater();
    // Releases its window and stops the timer. A check whose report never came is deleted: the job threads must
    // be gone by then.
    ~VaneUpdater() override;

    void OnReceiveMessage(CxMessenger* inSender, CxSint32 inCode, void* inData) override;
    virtual void OnFinishUpdateJob() {}
    virtual void OnFinishUpdateWindow(VaneUpdateWindow*, VaneUpdateAction) {}

    // The next due date: one interval after "lastAutoUpdate", which counts as now when absent or unreadable.
    void ResetAutoUpdate();
    // While a check is outstanding no other is submitted; a request for notification joins the running one.
    void PerformAutoUpdate(bool inNotify);
    void FinishUpdateJob(VaneUpdateJob* inJob);
    void FinishUpdateWindow(VaneUpdateWindow* inWindow, VaneUpdateAction inAction);

    const CxDate& NextDueDate() const { return mNextDue; }
    bool IsChecking() const;
    VaneUpdateWindow* UpdateWindow() const { return mWindow; }

private:
    CxMessageTimer mTimer;
    CxDate mNextDue;
    VaneUpdateWindow* mWindow = nullptr;
    // The outstanding check, told apart from a later job at the same address by its serial.
    VaneUpdateJob* mJob = nullptr;
    CxUint32 mJobSerial = 0;
};

class VaneUpdateJob : public CxJob
{
public:
    static constexpr CxSint32 kType = 100;
    // The most a reply may hold: a version text and a little more.
    static constexpr CxUint32 kReplyLimit = 4096;

    VaneUpdateJob(VaneUpdater* inUpdater, bool inNotify);

    void OnRun() override;
    void OnReceiveMessage(CxSint32 inMessage) override;
    // A check cancelled with its thread reports to nobody.
    void OnCancel() override;

    const CxString& UpdateVersion() const { return mVersion; }
    bool IsUpdateAvailable() const { return mAvailable; }
    bool WantsNotification() const { return mNotify; }
    // Main thread; the worker never reads it.
    void SetWantsNotification(bool inNotify) { mNotify = inNotify; }

private:
    VaneUpdater* mUpdater;
    CxString mVersion;
    bool mAvailable = false;
    bool mNotify;
};

// "UpdateWindow" when an update is available, else "UpToDateDialog".
class VaneUpdateWindow : public FxDialogWindow
{
public:
    VaneUpdateWindow(VaneUpdater* inUpdater, bool inAvailable);

    void OnClose(bool& ioAllow) override;
    void OnControlHit(FxControl* inControl) override;

    const CxString& GetUpdateUrl() const { return mUpdateUrl; }

    void HitNow();
    void HitLater();
    void HitIgnore();
    void HitOk();

private:
    VaneUpdater* mUpdater;
    CxString mUpdateUrl;
};
