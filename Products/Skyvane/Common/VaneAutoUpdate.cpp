#include "VaneAutoUpdate.h"

#include "CxData.h"
#include "CxDebug.h"
#include "CxPreferences.h"
#include "CxSystem.h"
#include "CxUrl.h"
#include "DxLogger.h"
#include "DxManager.h"
#include "FxControl.h"
#include "VanePlugin.h"

namespace
{

constexpr double kDay = 86400;
constexpr CxSint16 kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Only the form the check writes counts as a date, so a damaged value cannot put the next check off for good.
CxDate ReadLastUpdate(const CxString& inText)
{
    if (inText.Length() > 0)
    {
        const CxDate date(inText);
        if (date.AsString() == inText)
            return date;
    }
    return CxDate();
}

// The first word of the reply, up to a blank or a line end.
CxString FirstWord(const CxData& inBody)
{
    if (inBody.Size() == 0)
        return CxString();
    CxData body(inBody);
    body.Lock();
    const char* bytes = static_cast<const char*>(body.Pointer());
    std::string word;
    for (CxUint32 i = 0; i < body.Size(); ++i)
    {
        const char c = bytes[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
        {
            if (!word.empty())
                break;
            continue;
        }
        word += c;
    }
    body.Unlock();
    return CxString::FromUtf8(word);
}

} // namespace

CxString VanePlatformWord(CxSint32 inPlatform)
{
    switch (inPlatform)
    {
    case 0:
        return CxString("mac");
    case 1:
        return CxString("win");
    case 2:
        return CxString("linux");
    default:
        CxAssertText(false, "platform");
        return CxString("???");
    }
}

CxString VaneBuildUpdateUrl(bool inRedirect)
{
    CxString url = CxServerAddress(CxString("UPDATE"), CxString("https://updates.skyvane.invalid"));
    while (url.Length() > 0 && url[url.Length() - 1] == '/')
        url.Delete(url.Length() - 1, url.Length() - 1);
    url += "/builds/autoupdate3.php?product=%prod;&version=%vers;&platform=%plat;&redirect=%redirect;";
    url.ReplaceAll(CxString("%prod;"), CxString("Skyvane"), 0);
    url.ReplaceAll(CxString("%vers;"), VanePlugin::sLastUpdate.AsFullString(), 0);
    url.ReplaceAll(CxString("%plat;"), VanePlatformWord(CxSystemPlatform()), 0);
    url.ReplaceAll(CxString("%redirect;"), CxString(inRedirect ? "true" : "false"), 0);
    return url;
}

// ---- VaneUpdater

VaneUpdater::VaneUpdater() : mTimer(kCheckInterval, kCheckMessage), mNextDue(CxUrl::NullDate())
{
    CxPreferences& prefs = CxGetGlobalPreferences();
    if (!prefs.HasValue("autoUpdate"))
        prefs.SetBoolValue("autoUpdate", true, 0);
    if (!prefs.HasValue("autoUpdateInterval"))
        prefs.SetIntegerValue("autoUpdateInterval", 1, 0);
    mTimer.AttachReceiver(this);
    mTimer.StartRepeating();
}

VaneUpdater::~VaneUpdater()
{
    if (mWindow != nullptr)
    {
        VaneUpdateWindow* window = mWindow;
        mWindow = nullptr;
        window->Release();
    }
    mTimer.StopRepeating();
    // Its report, if posted, is dropped with it.
    if (IsChecking())
        delete mJob;
    mJob = nullptr;
}

bool VaneUpdater::IsChecking() const
{
    return mJob != nullptr && CxJob::IsLive(mJob, &mJobSerial);
}

void VaneUpdater::OnReceiveMessage(CxMessenger*, CxSint32 inCode, void*)
{
    if (inCode != kCheckMessage)
        return;
    if (CxGetGlobalPreferences().GetBoolValue("autoUpdate") && CxDate() >= mNextDue)
        PerformAutoUpdate(false);
}

void VaneUpdater::ResetAutoUpdate()
{
    const CxPreferences& prefs = CxGetGlobalPreferences();
    const CxDate last = ReadLastUpdate(prefs.GetStringValue("lastAutoUpdate"));
    double interval = kDay;
    switch (prefs.GetIntegerValue("autoUpdateInterval"))
    {
    case 2:
        interval = 7 * kDay;
        break;
    case 3:
        interval = kMonthDays[last.AsFields(0).mMonth - 1] * kDay;
        break;
    default:
        break;
    }
    mNextDue = last + interval;
}

void VaneUpdater::PerformAutoUpdate(bool inNotify)
{
    // A check may take the HTTP client's whole time-out: the ticks meanwhile must not pile up more.
    if (IsChecking())
    {
        if (inNotify)
            mJob->SetWantsNotification(true);
        return;
    }
    mJob = new VaneUpdateJob(this, inNotify);
    mJobSerial = mJob->Serial();
    mJob->Submit();
}

void VaneUpdater::FinishUpdateJob(VaneUpdateJob* inJob)
{
    CxPreferences& prefs = CxGetGlobalPreferences();
    prefs.SetStringValue("updateVersion", inJob->UpdateVersion(), 0);
    prefs.SetBoolValue("updateIsAvailable", inJob->IsUpdateAvailable(), 0);
    prefs.SetStringValue("lastAutoUpdate", CxDate().AsString(), 0);
    OnFinishUpdateJob();
    const bool notify = inJob->WantsNotification();
    const bool available = inJob->IsUpdateAvailable();
    if (inJob == mJob)
        mJob = nullptr;
    delete inJob;
    ResetAutoUpdate();
    if (notify)
    {
        if (mWindow != nullptr)
        {
            VaneUpdateWindow* old = mWindow;
            mWindow = nullptr;
            old->Release();
        }
        mWindow = new VaneUpdateWindow(this, available);
        mWindow->Show();
    }
}

void VaneUpdater::FinishUpdateWindow(VaneUpdateWindow* inWindow, VaneUpdateAction inAction)
{
    OnFinishUpdateWindow(inWindow, inAction);
    if (inWindow == mWindow)
        mWindow = nullptr;
    if (inAction != kVaneUpdateClosed)
        inWindow->Release();
}

// ---- VaneUpdateJob

VaneUpdateJob::VaneUpdateJob(VaneUpdater* inUpdater, bool inNotify)
    : CxJob(kType, 0), mUpdater(inUpdater), mNotify(inNotify)
{
}

void VaneUpdateJob::OnRun()
{
    CxString url;
    CxSint32 status = 0;
    CxData body(CxUint32(0));
    if (DxManager::Online())
    {
        url = VaneBuildUpdateUrl(false);
        CxUrl request(url);
        request.SetReplyLimit(kReplyLimit);
        body = request.Get();
        status = request.ResponseCode();
    }
    CxString line = CxDate().AsString(CxString("%H:%M:%S "), 0);
    line += "GET ";
    line += url;
    line += " -- ";
    line += CxString::FromUtf8(std::to_string(status));
    DxLog(line, 0);
    mAvailable = status == 200;
    mVersion = FirstWord(body);
    PostMessage(1);
}

void VaneUpdateJob::OnReceiveMessage(CxSint32 inMessage)
{
    CxAssertText(inMessage == 1, "inMessage == 1");
    if (inMessage == 1)
        mUpdater->FinishUpdateJob(this);
}

void VaneUpdateJob::OnCancel()
{
    delete this;
}

// ---- VaneUpdateWindow

VaneUpdateWindow::VaneUpdateWindow(VaneUpdater* inUpdater, bool inAvailable)
    : FxDialogWindow(CxString("VaneMain"), CxString(inAvailable ? "UpdateWindow" : "UpToDateDialog"), nullptr),
      mUpdater(inUpdater)
{
    CxBeep();
    if (FxStaticText* text = AsFxStaticText(GetControlById(9)))
    {
        // A static text shows its title until it is given a text of its own.
        CxString message = text->Text();
        if (message.Length() == 0)
            message = text->Title();
        message.ReplaceAll(CxString("&prod;"), CxString("Skyvane"), 0);
        message.ReplaceAll(CxString("&vers;"), VanePlugin::sLastUpdate.AsShortString(), 0);
        text->SetText(message);
    }
}

void VaneUpdateWindow::OnClose(bool& ioAllow)
{
    ioAllow = true;
    mUpdater->FinishUpdateWindow(this, kVaneUpdateClosed);
}

void VaneUpdateWindow::OnControlHit(FxControl* inControl)
{
    switch (inControl->Id())
    {
    case 1:
        HitNow();
        break;
    case 2:
        HitLater();
        break;
    case 3:
        HitIgnore();
        break;
    case 10:
        HitOk();
        break;
    default:
        break;
    }
}

void VaneUpdateWindow::HitNow()
{
    CxGetGlobalPreferences().SetBoolValue("updateIsAvailable", false, 0);
    CxGetGlobalPreferences().ClearValue("updateVersion");
    mUpdateUrl = VaneBuildUpdateUrl(true);
    mUpdater->FinishUpdateWindow(this, kVaneUpdateNow);
}

void VaneUpdateWindow::HitLater()
{
    mUpdater->FinishUpdateWindow(this, kVaneUpdateLater);
}

void VaneUpdateWindow::HitIgnore()
{
    CxGetGlobalPreferences().SetBoolValue("updateIsAvailable", false, 0);
    CxGetGlobalPreferences().ClearValue("updateVersion");
    mUpdater->FinishUpdateWindow(this, kVaneUpdateIgnore);
}

void VaneUpdateWindow::HitOk()
{
    mUpdater->FinishUpdateWindow(this, kVaneUpdateIgnore);
}
