#include "VanePlugin.h"

#include "CxDate.h"
#include "CxDebug.h"
#include "CxError.h"
#include "CxJob.h"
#include "CxPreferences.h"
#include "CxStream.h"
#include "CxSystem.h"
#include "CxUrl.h"
#include "DxLogger.h"
#include "DxManager.h"
#include "DxSet.h"
#include "DxUnit.h"
#include "PfRunLoop.h"
#include "VaneAboutBox.h"
#include "VaneDataManager.h"
#include "WxProductTable.h"
#include "XmlBuilder.h"
#include "XmlElement.h"
#include "XmlParser.h"
#include "XmlWriter.h"

#include <algorithm>
#include <chrono>

namespace
{

const char* const kPrefsFile = "SkyvanePrefs.xml";

// Reports a failure the caller survives.
void ReportFailure(const char* inFile, CxSint32 inLine, const char* inWhat)
{
    try
    {
        throw;
    }
    catch (const CxError& inError)
    {
        _CxDebug(inFile, inLine, inWhat, inError.AsString());
    }
    catch (const std::exception& inError)
    {
        _CxDebugOut(inFile, inLine, inWhat, inError.what());
    }
    catch (...)
    {
        _CxDebugOut(inFile, inLine, inWhat, "Unknown exception.");
    }
}

double LoopSeconds()
{
    return std::chrono::duration<double>(pf::MainLoop().Now()).count();
}

// The dates' now while the host's loop keeps virtual time: the real date at start-up moved by the loop's clock, so
// that a scripted hour is an hour for the data managers too. The loop's clock may be read from any thread.
struct LoopNow
{
    double mStart;
    double operator()() const { return mStart + LoopSeconds(); }
};

} // namespace

const CxVersion VanePlugin::sLastUpdate(1, 8, 0, 'f', 4);

VanePlugin::VanePlugin() : FxPlugin("SkyvanePlugin")
{
    DxUnit::Load();
    // The documents' product elements build their products from here on.
    WxRegisterProducts();
}

VanePlugin::~VanePlugin()
{
    VaneAboutBox::RemoveAboutBox();
    VaneDataManager::RemoveDataManager();
    if (mStartupWindow != nullptr)
    {
        VaneUpdateWindow* window = mStartupWindow;
        mStartupWindow = nullptr;
        delete window;
    }
    // A plug-in deleted without shut-down still ends its threads before the bases go.
    EndThreads();
    LeaveLoopClock();
    CxUnloadQuickTime();
    DxUnit::Unload();
}

void VanePlugin::EndThreads()
{
    if (std::none_of(mThreads.begin(), mThreads.end(), [](const auto& inThread) { return inThread != nullptr; }))
        return;
    // A thread ends only after its job's request returns, and a server that never answers would hold the
    // browser for the request's whole time-out: the requests are cut first, and allowed again for a later start.
    CxUrl::AbortTransfers(true);
    for (auto& thread : mThreads)
        thread.reset();
    CxUrl::AbortTransfers(false);
}

const CxJobThread* VanePlugin::JobThread(CxSint32 inIndex) const
{
    return inIndex >= 0 && inIndex < kJobThreads ? mThreads[std::size_t(inIndex)].get() : nullptr;
}

void VanePlugin::FollowLoopClock()
{
    if (pf::MainLoop().GetClock().Kind() != pf::ClockKind::kVirtual)
        return;
    // A clock set before start-up (a test's fixed date) stays in force.
    if (std::function<double()> previous = CxSetNowSource(nullptr))
    {
        CxSetNowSource(std::move(previous));
        return;
    }
    // The real date at the first start-up of the process, so that a reload does not turn the dates back.
    static const double sStart = CxDate().AbsoluteTime() - LoopSeconds();
    CxSetNowSource(LoopNow{sStart});
}

void VanePlugin::LeaveLoopClock()
{
    std::function<double()> current = CxSetNowSource(nullptr);
    if (current && current.target<LoopNow>() == nullptr)
        CxSetNowSource(std::move(current));
}

void VanePlugin::OnStartup()
{
    // Before anything reads a date: the job threads, the preferences' update check.
    FollowLoopClock();
    CxUrl::InitGlobals();
    CxUrl::SetAgentWithProduct(CxString("SkyvanePlugin"), sLastUpdate.AsMajorMinorString(), sLastUpdate.AsFullString());
    ReadPrefs();
    CheckForUpdate();
    const CxSint32 kinds[kJobThreads][2] = {{100, 1}, {100, 2}, {101, 5}, {102, 7}};
    for (CxSint32 i = 0; i < kJobThreads; ++i)
        mThreads[std::size_t(i)] = std::make_unique<CxJobThread>(kinds[i][0], kinds[i][1]);
    DxLogger::Instance().CreateLog(CxString("SkyvanePlugin.log"));
    DxManager::SetRootDataFolder(FindDataFolder());
    DxManager::SetRootCacheFolder(FindCacheFolder());
    ResetAutoUpdate();
}

void VanePlugin::OnShutdown()
{
    EndThreads();
    DxSet::DeleteAllSets();
    CxUrl::CleanupGlobals();
    LeaveLoopClock();
}

CxFile VanePlugin::FindPrefsFile()
{
    CxFolder folder(kCxPreferencesFolder);
    if (folder.ContainsFile(kPrefsFile))
        return folder.ExistingFile(kPrefsFile);
    CxData defaults(CxString("xml"), CxString("VanePrefs"));
    CxFile file = folder.CreateFile(kPrefsFile);
    if (defaults.GetHandle() != nullptr)
        file.WriteContents(defaults);
    return file;
}

void VanePlugin::ReadPrefs()
{
    try
    {
        CxData data = FindPrefsFile().ReadContents();
        if (data.Size() == 0)
            return;
        XmlParser parser;
        data.Lock();
        const bool parsed = parser.Parse(data.Pointer(), data.Size(), true);
        data.Unlock();
        if (!parsed || parser.Root() == nullptr)
            return;
        for (XmlElement* root : parser.Root()->GetElements())
        {
            if (root->Name() != CxString("SkyvanePrefs"))
                continue;
            for (XmlElement* property : root->GetElements())
                if (property->Name() == CxString("property"))
                    CxGetGlobalPreferences().SetStringValue(property->GetAttribute("id"),
                                                            property->GetAttribute("value"), 0);
            break;
        }
    }
    catch (...)
    {
        ReportFailure(__FILE__, __LINE__, "ReadPrefs");
    }
}

void VanePlugin::WritePrefs()
{
    try
    {
        XmlBuilder builder;
        builder.Instruction(CxString("SkyvanePrefs"), CxString("version=\"1.0d1\" encoding=\"UTF-8\""));
        builder.Begin(CxString("SkyvanePrefs"));
        for (const auto& [key, value] : CxGetGlobalPreferences().GetStringTable())
        {
            builder.Begin(CxString("property"));
            builder.Attribute(CxString("id"), key);
            builder.Attribute(CxString("value"), value);
            builder.End(CxString("property"));
        }
        builder.End(CxString("SkyvanePrefs"));
        CxData text(CxUint32(0));
        {
            CxTextStream stream(text);
            XmlTextStreamWriter writer(stream);
            builder.Write(writer);
        }
        CxFolder folder(kCxPreferencesFolder);
        CxFile fresh = folder.CreateFile(CxString("SkyvanePrefs.xml.new"));
        try
        {
            fresh.WriteContents(text);
            fresh.MoveOver(CxFile(CxFileRef{(folder.Path().AsUtf8() + "/" + kPrefsFile)}));
        }
        catch (...)
        {
            if (fresh.IsValid())
                fresh.Delete();
            throw;
        }
    }
    catch (...)
    {
        ReportFailure(__FILE__, __LINE__, "WritePrefs");
    }
}

CxFolder VanePlugin::FindRootFolder(CxFolderId inFallback, const CxString& inLeaf)
{
    const CxString path = CxGetGlobalPreferences().GetStringValue("dataPath");
    if (path.Length() > 0)
    {
        try
        {
            CxFolder base(path, false);
            if (base.IsValid())
                return base.CreateFolder(CxString("Weather")).CreateFolder(inLeaf);
        }
        catch (...)
        {
            ReportFailure(__FILE__, __LINE__, "dataPath");
        }
    }
    return CxFolder(inFallback).CreateFolder(CxString("Weather")).CreateFolder(inLeaf);
}

CxFolder VanePlugin::FindDataFolder()
{
    return FindRootFolder(kCxHomeFolder, CxString("SkyvanePlugin Data"));
}

CxFolder VanePlugin::FindCacheFolder()
{
    return FindRootFolder(kCxCachesFolder, CxString("SkyvanePlugin Cache"));
}

bool VanePlugin::CheckForUpdate()
{
    CxPreferences& prefs = CxGetGlobalPreferences();
    const CxVersion offered(prefs.GetStringValue("updateVersion"));
    if (prefs.GetBoolValue("updateIsAvailable") && offered > sLastUpdate)
    {
        if (mStartupWindow != nullptr)
            mStartupWindow->Release();
        mStartupWindow = new VaneUpdateWindow(this, true);
        mStartupWindow->Show();
        return true;
    }
    prefs.SetBoolValue("updateIsAvailable", false, 0);
    prefs.ClearValue("updateVersion");
    return false;
}

void VanePlugin::OnFinishUpdateWindow(VaneUpdateWindow* inWindow, VaneUpdateAction inAction)
{
    if (inAction == kVaneUpdateNow)
        CxUrl::OpenInBrowser(inWindow->GetUpdateUrl());
    else
        WritePrefs();
    // Only the window that finishes is forgotten: another still open is the destructor's to delete.
    if (inWindow == mStartupWindow)
        mStartupWindow = nullptr;
}

CxFile VanePlugin::WriteResourceFile(const CxString& inResource, const CxString& inFileName)
{
    CxData text(CxString("rtf"), inResource);
    CxFile file = CxFolder(kCxApplicationSupportFolder).CreateFolder(CxString("Nimbrel")).CreateFile(inFileName);
    if (text.GetHandle() != nullptr)
        file.WriteContents(text);
    return file;
}

CxFile VanePlugin::FindLicenseFile()
{
    return WriteResourceFile(CxString("VaneLicense"), CxString("Skyvane License.rtf"));
}

CxFile VanePlugin::FindAcknowledgmentsFile()
{
    return WriteResourceFile(CxString("VaneAcknowledgments"), CxString("Skyvane Acknowledgments.rtf"));
}
