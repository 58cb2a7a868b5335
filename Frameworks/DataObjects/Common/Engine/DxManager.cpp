// The manager's state, registry and lifecycle, its clients, records and subscriptions, and frame delivery.
#include "DxManager.h"

#include "CxDebug.h"
#include "CxError.h"
#include "CxMime.h"
#include "CxSystem.h"
#include "DxCache.h"
#include "DxClients.h"
#include "DxFrame.h"
#include "DxJobs.h"
#include "DxSet.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <optional>
#include <string_view>

const CxDate DxManager::sMissingDate(-3061152000.0);

namespace
{

DxManager::ManagerList& Managers()
{
    static DxManager::ManagerList sManagers;
    return sManagers;
}

std::optional<CxFolder>& RootData()
{
    static std::optional<CxFolder> sRootDataFolder;
    return sRootDataFolder;
}

std::optional<CxFolder>& RootCache()
{
    static std::optional<CxFolder> sRootCacheFolder;
    return sRootCacheFolder;
}

bool gOnline = true;

// Judges whether two reads of a file found the same bytes; 0 stays free for "not known".
CxUint64 DigestOf(CxData& inData)
{
    if (inData.Size() == 0)
        return 0;
    CxAutoLock lock(inData);
    const std::string_view bytes(static_cast<const char*>(inData.Pointer()), inData.Size());
    const CxUint64 digest = std::hash<std::string_view>{}(bytes);
    return digest == 0 ? 1 : digest;
}

} // namespace

// ---- registry and statics

DxManager::DxManager(const CxString& inId)
    : CxTimer(60000), mId(inId), mRealTimeDataWindow(std::numeric_limits<float>::quiet_NaN()),
      mFileDateFormat("%Y%m%d%H%M")
{
    mCache = std::make_unique<DxCache>(RootDataFolder(), RootCacheFolder(), mId, false);
    Managers().push_back(this);
    StartRepeating();
}

DxManager::~DxManager()
{
    Close();
    auto& managers = Managers();
    const auto iter = std::find(managers.begin(), managers.end(), this);
    CxAssertText(iter != managers.end(), "iter != sManagers.end()");
    if (iter != managers.end())
        managers.erase(iter);
    mCache.reset();
    CleanupJobs();
}

DxManager::ManagerList::iterator DxManager::BeginDataManagers()
{
    return Managers().begin();
}

DxManager::ManagerList::iterator DxManager::EndDataManagers()
{
    return Managers().end();
}

DxManager* DxManager::FindExistingManager(const CxString& inId)
{
    if (inId.Length() == 0)
        return nullptr;
    for (DxManager* manager : Managers())
    {
        if (manager->Id() == inId)
            return manager;
    }
    return nullptr;
}

void DxManager::DeleteAllManagers()
{
    while (!Managers().empty())
        delete Managers().front();
}

void DxManager::SetRootDataFolder(const CxFolder& inFolder)
{
    RootData() = inFolder;
}

void DxManager::SetRootCacheFolder(const CxFolder& inFolder)
{
    RootCache() = inFolder;
}

CxFolder DxManager::RootDataFolder()
{
    if (!RootData())
        RootData() = CxFolder(kCxDocumentsFolder);
    return *RootData();
}

CxFolder DxManager::RootCacheFolder()
{
    if (!RootCache())
        RootCache() = CxFolder(kCxCachesFolder);
    return *RootCache();
}

bool DxManager::Online()
{
    return gOnline;
}

void DxManager::GoOffline()
{
    gOnline = false;
}

void DxManager::GoOnline()
{
    gOnline = true;
    for (DxManager* manager : Managers())
        manager->OnGoOnline();
}

// ---- accessors and state

CxString DxManager::Name() const
{
    CxAutoLock lock(mRegion);
    return mName.Length() == 0 ? mId : mName;
}

CxString DxManager::ProviderName() const
{
    CxAutoLock lock(mRegion);
    return mProviderName;
}

CxString DxManager::ProviderUrl() const
{
    CxAutoLock lock(mRegion);
    return mProviderUrl;
}

CxString DxManager::SourceName() const
{
    CxAutoLock lock(mRegion);
    return mSourceName;
}

CxString DxManager::SourceUrl() const
{
    CxAutoLock lock(mRegion);
    return mSourceUrl;
}

CxString DxManager::ContactName() const
{
    CxAutoLock lock(mRegion);
    return mContactName;
}

CxString DxManager::ContactUrl() const
{
    CxAutoLock lock(mRegion);
    return mContactUrl;
}

bool DxManager::IsConstantInterval() const
{
    CxAutoLock lock(mRegion);
    return mQueryUrlFormat.Length() == 0;
}

CxString DxManager::FileDateFormat() const
{
    CxAutoLock lock(mRegion);
    return mFileDateFormat;
}

CxString DxManager::Status() const
{
    CxAutoLock lock(mStatusLock);
    return mStatus;
}

CxString DxManager::AuthenticationKey() const
{
    CxAutoLock lock(mStatusLock);
    return mAuthenticationKey;
}

void DxManager::SetAuthenticationKey(const CxString& inKey)
{
    CxAutoLock lock(mStatusLock);
    mAuthenticationKey = inKey;
}

void DxManager::SetStatus(const CxString& inStatus)
{
    CxAutoLock lock(mStatusLock);
    mStatus = inStatus;
}

bool DxManager::HasFiles() const
{
    CxAssertText(mCache != nullptr, "mCache != nil");
    return mCache != nullptr && mCache->HasFiles();
}

void DxManager::ShowFiles() const
{
    CxAssertText(mCache != nullptr, "mCache != nil");
    if (mCache != nullptr)
        mCache->ShowFiles();
}

void DxManager::SetTimeResolution(CxSint32 inSeconds)
{
    CxAutoLock lock(mRegion);
    mTimeResolution = inSeconds;
    mFileDateFormat = inSeconds > 59 ? "%Y%m%d%H%M" : "%Y%m%d%H%M%S";
}

CxDate DxManager::ClipDate(const CxDate& inDate) const
{
    if (!mConfigured)
        return inDate;
    if (mTimeResolution <= 0)
        return CxDate(1970, 1, 1, 0, 0, 0, 0);
    return OnClipDate(inDate);
}

CxDate DxManager::OnClipDate(const CxDate& inDate) const
{
    const long long resolution = mTimeResolution;
    const CxDateFields fields = inDate.AsFields(0);
    const CxDate yearStart(fields.mYear, 1, 1, 0, 0, 0, 0);
    const long long seconds = static_cast<long long>(inDate - yearStart);
    CxDate result = yearStart + static_cast<double>(resolution * (seconds / resolution)) + mDataResolutionOffset;
    if (result > inDate)
        result -= static_cast<double>(resolution);
    return result;
}

CxString DxManager::RegistryUrl() const
{
    return DxSet::RegistryUrlFor(mId);
}

// ---- clients

void DxManager::AddClient(DxClient* inClient)
{
    CxAutoLock lock(mRegion);
    CxAssertText(std::find(mClients.begin(), mClients.end(), inClient) == mClients.end(),
                 "find(mClients.begin(), mClients.end(), inClient) == mClients.end()");
    mClients.push_back(inClient);
    inClient->SetAuthenticated(mAuthenticated);
}

void DxManager::RemoveClient(DxClient* inClient)
{
    CxAutoLock lock(mRegion);
    const auto iter = std::find(mClients.begin(), mClients.end(), inClient);
    CxAssertText(iter != mClients.end(), "iter != mClients.end()");
    if (iter != mClients.end())
        mClients.erase(iter);
    for (auto delivery = mDeliveries.begin(); delivery != mDeliveries.end();)
    {
        if (delivery->mClient == inClient)
            delivery = mDeliveries.erase(delivery);
        else
            ++delivery;
    }
}

bool DxManager::HasClient(DxClient* inClient) const
{
    return std::find(mClients.begin(), mClients.end(), inClient) != mClients.end();
}

void DxManager::RefreshAllClients()
{
    CxAutoLock lock(mRegion);
    mReleased = true;
    const std::list<DxClient*> clients = mClients;
    for (DxClient* client : clients)
        client->ReleaseAndInvalidate();
    for (DxClient* client : clients)
        client->RefreshClient();
}

void DxManager::SetAuthenticated(bool inValue)
{
    if (mAuthenticated == inValue)
        return;
    CxAutoLock lock(mRegion);
    mAuthenticated = inValue;
    for (DxClient* client : mClients)
        client->SetAuthenticated(inValue);
}

void DxManager::SetAuthentication(const CxString& inUser, const CxString& inPassword)
{
    CxAutoLock lock(mRegion);
    CxWriteAuthentication(AuthenticationKey(), inUser, inPassword);
    RefreshAllClients();
}

void DxManager::OnGoOnline()
{
    RefreshAllClients();
    UpdateConfig();
}

DxManager::RecordList::iterator DxManager::FindRecord(const DxRecord& inRecord)
{
    return std::find_if(mRecords.begin(), mRecords.end(),
                        [&](const std::unique_ptr<DxRecord>& r) { return *r == inRecord; });
}

DxManager::SubscriptionList::iterator DxManager::FindSubscription(const DxSubscription& inSubscription)
{
    return std::find_if(mSubscriptions.begin(), mSubscriptions.end(),
                        [&](const std::unique_ptr<DxSubscription>& s) { return *s == inSubscription; });
}

void DxManager::Debug()
{
    CxAutoLock lock(mRegion);
    for (DxClient* client : mClients)
        _CxDebug(__FILE__, __LINE__, "*c", client->Id());
    for (const auto& subscription : mSubscriptions)
        _CxDebug(__FILE__, __LINE__, "*sub", subscription->AsString());
    for (const auto& record : mRecords)
        _CxDebug(__FILE__, __LINE__, "*r", record->AsString());
}

void DxRecordFinder::operator()(DxRecord* inRecord)
{
    if (inRecord->mAttributes == mAttributes && !(inRecord->mDate < mFrom) && !(inRecord->mDate > mTo))
    {
        mRecords.push_back(inRecord);
        mDates.push_back(inRecord->mDate);
    }
}

// ---- records and subscriptions

std::vector<CxDate> DxManager::DateFallbacks(const DxRecord* inRecord) const
{
    std::vector<CxDate> dates;
    if (mTimeResolution < 1)
    {
        dates.push_back(inRecord->mDate);
        return dates;
    }
    const CxDate limit = inRecord->mDate - mStaleThreshold;
    for (CxDate date = inRecord->mDate; !(date < limit); date -= mTimeResolution)
        dates.push_back(date);
    return dates;
}

std::vector<CxDate> DxManager::DateFallbacksForDownload(const DxRecord* inRecord) const
{
    if (!IsConstantInterval())
        return {inRecord->mDate};
    return DateFallbacks(inRecord);
}

double DxManager::LookBack(const DxSubscription* inHeld) const
{
    const double own = mStaleThreshold;
    return inHeld != nullptr && inHeld->mStaleThreshold > own ? inHeld->mStaleThreshold : own;
}

std::vector<DxRecord*> DxManager::RecordsInWindow(const CxString& inAttributes, const CxDate& inFrom,
                                                  const CxDate& inTo)
{
    DxRecordFinder finder(inFrom, inTo, inAttributes);
    for (const auto& record : mRecords)
        finder(record.get());
    return finder.mRecords;
}

bool DxManager::Subscribe(const DxSubscription& inSubscription)
{
    if (!mConfigured)
        return false;
    CxAutoLock lock(mRegion);
    AddRecord(DxRecord(sMissingDate, inSubscription.Attribs()));
    AddSubscription(inSubscription);
    return true;
}

void DxManager::AddRecord(const DxRecord& inRecord)
{
    CxAutoLock lock(mRegion);
    const auto held = FindRecord(inRecord);
    if (held != mRecords.end())
    {
        (*held)->AddRef();
        return;
    }
    auto record = std::make_unique<DxRecord>(inRecord.mDate, inRecord.mAttributes);
    record->mSerial = ++mLastSerial;
    record->AddRef();
    if (inRecord.Archiving() || mArchive)
        record->SetArchiving();
    if (record->mDate != sMissingDate)
    {
        DxDownloadJob* job = CreateDownloadJob(*record);
        record->mDownloader = job;
        job->Submit();
    }
    mRecords.push_back(std::move(record));
}

void DxManager::AddSubscription(const DxSubscription& inSubscription)
{
    CxAutoLock lock(mRegion);
    DxSubscription* held = nullptr;
    const auto found = FindSubscription(inSubscription);
    if (found != mSubscriptions.end())
    {
        held = found->get();
        ++held->mRefCount;
        if (inSubscription.mRecording && !held->mRecording)
            ArchiveSubscription(inSubscription);
        if (inSubscription.mRecording)
            held->mRecording = true;
    }
    else
    {
        held = mSubscriptions.emplace_back(std::make_unique<DxSubscription>(inSubscription)).get();
        held->mRefCount = 1;
        DxQueryJob* job = CreateQueryJob(*held);
        job->Submit();
    }
    // The same window as RemoveSubscription's, so that every reference taken here is given back there.
    const CxDate from = held->StartDate() - LookBack(held);
    for (DxRecord* record : RecordsInWindow(held->Attribs(), from, held->EndDate()))
        record->AddRef();
}

void DxManager::Unsubscribe(const DxSubscription& inSubscription)
{
    if (inSubscription.StartDate() == sMissingDate || !mConfigured)
        return;
    CxAutoLock lock(mRegion);
    if (RemoveSubscription(inSubscription))
        RemoveRecord(DxRecord(sMissingDate, inSubscription.Attribs()));
}

bool DxManager::RemoveSubscription(const DxSubscription& inSubscription)
{
    CxAutoLock lock(mRegion);
    const auto found = FindSubscription(inSubscription);
    if (found == mSubscriptions.end())
        return false;
    DxSubscription* held = found->get();
    const CxDate from = held->StartDate() - LookBack(held);
    const CxDate to = held->EndDate();
    const CxString attributes = held->Attribs();
    if (held->mRefCount > 0)
        --held->mRefCount;
    if (held->mRefCount == 0)
        mSubscriptions.erase(found);
    for (DxRecord* record : RecordsInWindow(attributes, from, to))
    {
        const DxRecord key(*record);
        RemoveRecord(key);
    }
    return true;
}

void DxManager::RemoveRecord(const DxRecord& inRecord)
{
    CxAutoLock lock(mRegion);
    const auto held = FindRecord(inRecord);
    if (held == mRecords.end())
        return;
    DxRecord* record = held->get();
    record->RemoveRef();
    if (record->RefCount() > 0)
        return;
    CxAssertText(record != nullptr, "nil != r");
    // A queued job posts 900 and is disposed on it; a running one finishes on its copy.
    if (record->mUpdater != nullptr)
        record->mUpdater->Cancel();
    if (record->mDownloader != nullptr)
        record->mDownloader->Cancel();
    DeleteRecordFromCache(record);
    DxRecord dated(*record);
    dated.mDate = record->Date();
    dated.mOffset = 0.0;
    mRequestMemo.erase(OnGetUrlForRecord(&dated));
    if (!record->Archiving())
        mFileSources.erase(SourceKey(dated));
    mRecords.erase(held);
}

void DxManager::DeleteRecordFromCache(DxRecord* inRecord)
{
    CxAutoLock lock(mRegion);
    CxStringList folders;
    const CxString name = OnGetFilenameForRecord(inRecord, folders);
    mCache->DeleteDataFile(inRecord, folders, mExtensions, name, mTimeResolution >= 1);
}

void DxManager::ArchiveRecord(DxRecord* inRecord)
{
    CxAutoLock lock(mRegion);
    CxStringList folders;
    const CxString name = OnGetFilenameForRecord(inRecord, folders);
    mCache->ArchiveDataFile(inRecord, folders, mExtensions, name, mTimeResolution >= 1);
}

void DxManager::ArchiveSubscription(const DxSubscription& inSubscription)
{
    if (!mConfigured)
        return;
    CxAutoLock lock(mRegion);
    const auto found = FindSubscription(inSubscription);
    const DxSubscription* held = found != mSubscriptions.end() ? found->get() : nullptr;
    const CxDate from = inSubscription.StartDate() - LookBack(held);
    for (DxRecord* record : RecordsInWindow(inSubscription.Attribs(), from, inSubscription.EndDate()))
    {
        ArchiveRecord(record);
        record->SetArchiving();
    }
}

CxDate DxManager::RequestUpdate(const DxRecord& inRecord)
{
    CxAutoLock lock(mRegion);
    if (!mConfigured)
        return sMissingDate;
    auto giveUpdate = [this](DxRecord* inHeld)
    {
        if (inHeld->mUpdater != nullptr)
            return;
        DxUpdateJob* job = CreateUpdateJob(*inHeld);
        inHeld->mUpdater = job;
        job->Submit();
    };
    for (const CxDate& date : DateFallbacks(&inRecord))
    {
        const auto held = FindRecord(DxRecord(date, inRecord.mAttributes));
        if (held != mRecords.end())
        {
            giveUpdate(held->get());
            return date;
        }
    }
    const DxRecord missing(sMissingDate, inRecord.mAttributes);
    if (FindRecord(missing) == mRecords.end())
        AddRecord(missing);
    const auto iter = FindRecord(missing);
    CxAssertText(iter != mRecords.end(), "iter != mRecords.end()");
    if (iter != mRecords.end())
        giveUpdate(iter->get());
    return sMissingDate;
}

void DxManager::RequestUpdateBatch(const DxSubscription& inSubscription)
{
    if (!mConfigured)
        return;
    CxAutoLock lock(mRegion);
    for (const CxDate& date : AvailableDates(inSubscription))
    {
        const auto held = FindRecord(DxRecord(date, inSubscription.Attribs()));
        if (held != mRecords.end() && (*held)->mUpdater == nullptr)
        {
            DxUpdateJob* job = CreateUpdateJob(**held);
            (*held)->mUpdater = job;
            job->Submit();
        }
    }
}

std::vector<CxDate> DxManager::AvailableDates(const DxSubscription& inSubscription)
{
    CxAutoLock lock(mRegion);
    DxRecordFinder finder(inSubscription.StartDate(), inSubscription.EndDate(), inSubscription.Attribs());
    for (const auto& record : mRecords)
        finder(record.get());
    std::vector<CxDate> dates = finder.mDates;
    std::sort(dates.begin(), dates.end());
    if (dates.empty())
        dates.push_back(inSubscription.StartDate());
    return dates;
}

// ---- frames

std::unique_ptr<DxFrame> DxManager::BuildFrame(DxRecord* inRecord, const CxString& inMime, CxData& inData,
                                               DxClient* inClient)
{
    return std::unique_ptr<DxFrame>(OnBuildFrameForClient(inRecord, inMime, inData, inClient));
}

DxFrame* DxManager::BuildFrameForClient(DxRecord* inRecord, const CxString& inMime, CxData& inData, DxClient* inClient)
{
    return BuildFrame(inRecord, inMime, inData, inClient).release();
}

CxSint32 DxManager::PerformUpdate(DxRecord& inRecord)
{
    DxRecord copy;
    std::vector<CxDate> dates;
    {
        CxAutoLock lock(mRegion);
        const auto held = FindRecord(inRecord);
        if (held == mRecords.end())
            return 1001;
        (*held)->mUpdater = nullptr;
        copy = **held;
        copy.mOffset = 0.0;
        dates = DateFallbacks(&copy);
    }
    CxAssertText(!dates.empty(), "dates.size() > 0");
    // A fallback keeps the record's own date and reaches the older file through the offset.
    CxFile file;
    for (const CxDate& date : dates)
    {
        copy.mOffset = copy.mDate - date;
        file = GetFileForRecord(&copy);
        if (file.IsValid())
            break;
    }
    const CxDate fileDate = GetCacheModDate(&copy);
    SetStatus("Processing data.");

    CxData data;
    CxString mime;
    std::list<DxClient*> clients;
    {
        CxAutoLock lock(mRegion);
        if (file.IsValid())
        {
            try
            {
                data = file.ReadContents();
                mime = file.Mime();
                copy.mFileDigest = DigestOf(data);
            }
            catch (const CxError& error)
            {
                _CxDebug(__FILE__, __LINE__, "PerformUpdate", error);
                data = CxData();
            }
        }
        clients = mClients;
    }

    for (DxClient* client : clients)
    {
        CxAutoLock lock(mRegion);
        if (!HasClient(client))
            continue;
        bool wanted = false;
        std::unique_ptr<DxFrame> frame;
        try
        {
            wanted = client->NeedsToParse(&copy, fileDate);
            if (wanted && data.Size() > 0)
            {
                const auto held = FindRecord(inRecord);
                if (held == mRecords.end())
                {
                    wanted = false;
                }
                else
                {
                    frame = BuildFrame(&copy, mime, data, client);
                    (*held)->mOffset = (*held)->mDate - copy.Date();
                }
            }
        }
        catch (const CxError& error)
        {
            // One decoder's failure costs its client a frame, not the thread or the other clients.
            _CxDebug(__FILE__, __LINE__, "OnBuildFrameForClient", error);
            frame.reset();
            wanted = true;
        }
        catch (const std::exception& error)
        {
            _CxDebug(__FILE__, __LINE__, "OnBuildFrameForClient", error.what());
            frame.reset();
            wanted = true;
        }
        if (!wanted)
            continue;
        if (frame != nullptr)
        {
            frame->SetLastModified(fileDate);
            frame->SetFileDigest(copy.mFileDigest);
        }
        mDeliveries.push_back(Delivery{client, std::move(frame), inRecord});
    }
    if (Status() != "Authentication failed.")
        SetStatus("Idle.");
    return 1000;
}

void DxManager::ReceiveMessageFromUpdateJob(DxUpdateJob* inJob, CxSint32 inCode, DxRecord&)
{
    if (inCode == 900)
    {
        DisposeUpdateJob(inJob);
        return;
    }
    CxAutoLock lock(mRegion);
    if (inCode == 999 || inCode == 1000 || inCode == 1001)
    {
        while (!mDeliveries.empty())
        {
            Delivery delivery = std::move(mDeliveries.front());
            mDeliveries.pop_front();
            // A client gone since the build leaves the frame to go with its delivery.
            if (HasClient(delivery.mClient))
                delivery.mClient->AcceptFrame(delivery.mFrame.release());
        }
    }
    DisposeUpdateJob(inJob);
}

// ---- the concrete managers' hooks

DxFrame* DxManager::OnBuildFrameForClient(DxRecord*, const CxString&, CxData&, DxClient*)
{
    return nullptr;
}
