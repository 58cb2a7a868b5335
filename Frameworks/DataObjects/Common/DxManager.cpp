#include "DxManager.h"

#include "CxDebug.h"
#include "CxError.h"
#include "CxMime.h"
#include "CxSystem.h"
#include "CxUrl.h"
#include "DxCache.h"
#include "DxClients.h"
#include "DxFrame.h"
#include "DxJobs.h"
#include "DxSet.h"
#include "XmlElement.h"
#include "XmlParser.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <exception>
#include <limits>
#include <optional>

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
    StopRepeating();
    auto& managers = Managers();
    const auto iter = std::find(managers.begin(), managers.end(), this);
    CxAssertText(iter != managers.end(), "iter != sManagers.end()");
    if (iter != managers.end())
        managers.erase(iter);
    mCache.reset();
    CleanupJobs();
    for (Delivery& delivery : mDeliveries)
        delete delivery.mFrame;
    for (DxSubscription* subscription : mSubscriptions)
        delete subscription;
    for (DxRecord* record : mRecords)
        delete record;
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
    return mName.Length() == 0 ? mId : mName;
}

CxString DxManager::Status() const
{
    CxAutoLock lock(mStatusLock);
    return mStatus;
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
    CxString url = DxSet::RegistryUrl();
    url.ReplaceAll("&id;", mId, 0);
    return url;
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
        {
            delete delivery->mFrame;
            delivery = mDeliveries.erase(delivery);
        }
        else
        {
            ++delivery;
        }
    }
}

bool DxManager::HasClient(DxClient* inClient) const
{
    return std::find(mClients.begin(), mClients.end(), inClient) != mClients.end();
}

void DxManager::RefreshAllClients()
{
    CxAutoLock lock(mRegion);
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
    CxWriteAuthentication(mAuthenticationKey, inUser, inPassword);
    RefreshAllClients();
}

void DxManager::OnGoOnline()
{
    RefreshAllClients();
    UpdateConfig();
}

DxManager::RecordList::iterator DxManager::FindRecord(const DxRecord& inRecord)
{
    return std::find_if(mRecords.begin(), mRecords.end(), [&](const DxRecord* r) { return *r == inRecord; });
}

DxManager::SubscriptionList::iterator DxManager::FindSubscription(const DxSubscription& inSubscription)
{
    return std::find_if(mSubscriptions.begin(), mSubscriptions.end(),
                        [&](const DxSubscription* s) { return *s == inSubscription; });
}

void DxManager::Debug()
{
    CxAutoLock lock(mRegion);
    for (DxClient* client : mClients)
        _CxDebug(__FILE__, __LINE__, "*c", client->Id());
    for (DxSubscription* subscription : mSubscriptions)
        _CxDebug(__FILE__, __LINE__, "*sub", subscription->AsString());
    for (DxRecord* record : mRecords)
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
    if (mQueryUrlFormat.Length() != 0)
        return {inRecord->mDate};
    return DateFallbacks(inRecord);
}

double DxManager::LookBack(const DxSubscription* inHeld) const
{
    const double own = mStaleThreshold;
    return inHeld != nullptr && inHeld->mStaleThreshold > own ? inHeld->mStaleThreshold : own;
}

DxManager::RecordList DxManager::RecordsInWindow(const CxString& inAttributes, const CxDate& inFrom, const CxDate& inTo)
{
    DxRecordFinder finder(inFrom, inTo, inAttributes);
    finder = std::for_each(mRecords.begin(), mRecords.end(), finder);
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
    auto* record = new DxRecord(inRecord.mDate, inRecord.mAttributes);
    record->AddRef();
    if (inRecord.Archiving() || mArchive)
        record->SetArchiving();
    if (record->mDate != sMissingDate)
    {
        DxDownloadJob* job = CreateDownloadJob(*record);
        record->mDownloader = job;
        job->Submit();
    }
    mRecords.push_back(record);
}

void DxManager::AddSubscription(const DxSubscription& inSubscription)
{
    CxAutoLock lock(mRegion);
    DxSubscription* held = nullptr;
    const auto found = FindSubscription(inSubscription);
    if (found != mSubscriptions.end())
    {
        held = *found;
        ++held->mRefCount;
        if (inSubscription.mRecording && !held->mRecording)
            ArchiveSubscription(inSubscription);
        if (inSubscription.mRecording)
            held->mRecording = true;
    }
    else
    {
        held = new DxSubscription(inSubscription);
        held->mRefCount = 1;
        mSubscriptions.push_back(held);
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
    DxSubscription* held = *found;
    const CxDate from = held->StartDate() - LookBack(held);
    const CxDate to = held->EndDate();
    const CxString attributes = held->Attribs();
    if (held->mRefCount > 0)
        --held->mRefCount;
    if (held->mRefCount == 0)
    {
        mSubscriptions.erase(found);
        delete held;
    }
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
    DxRecord* record = *held;
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
    mRecords.erase(held);
    delete record;
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
    const DxSubscription* held = found != mSubscriptions.end() ? *found : nullptr;
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
            giveUpdate(*held);
            return date;
        }
    }
    const DxRecord missing(sMissingDate, inRecord.mAttributes);
    if (FindRecord(missing) == mRecords.end())
        AddRecord(missing);
    const auto iter = FindRecord(missing);
    CxAssertText(iter != mRecords.end(), "iter != mRecords.end()");
    if (iter != mRecords.end())
        giveUpdate(*iter);
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
    finder = std::for_each(mRecords.begin(), mRecords.end(), finder);
    std::vector<CxDate> dates = finder.mDates;
    std::sort(dates.begin(), dates.end());
    if (dates.empty())
        dates.push_back(inSubscription.StartDate());
    return dates;
}

// ---- cache access

CxFile DxManager::GetFileForRecord(DxRecord* inRecord)
{
    try
    {
        CxAutoLock lock(mRegion);
        CxStringList folders;
        const CxString name = OnGetFilenameForRecord(inRecord, folders);
        return mCache->FindDataFile(inRecord, folders, mExtensions, name, mTimeResolution > 0);
    }
    catch (const CxError& error)
    {
        _CxDebug(__FILE__, __LINE__, "GetFileForRecord", error);
    }
    return CxFile();
}

CxDate DxManager::GetCacheModDate(DxRecord* inRecord)
{
    CxAssertText(inRecord != nullptr, "inRecord != nil");
    if (inRecord == nullptr)
        return sMissingDate;
    const CxFile file = GetFileForRecord(inRecord);
    try
    {
        if (file.IsValid())
            return file.ModificationDate();
    }
    catch (const CxError& error)
    {
        _CxDebug(__FILE__, __LINE__, "GetCacheModDate", error);
    }
    return sMissingDate;
}

bool DxManager::IsCached(const DxSubscription& inSubscription, const CxDate& inDate)
{
    DxRecord record(inDate, inSubscription.Attribs());
    if (inSubscription.mRecording)
        record.SetArchiving();
    return GetFileForRecord(&record).IsValid();
}

// ---- downloads, searches and queries

CxSint32 DxManager::PerformDownload(DxRecord& inRecord)
{
    CxDate start;
    std::vector<CxDate> dates;
    DxRecord copy(inRecord);
    {
        CxAutoLock lock(mRegion);
        start = CxDate();
        dates = DateFallbacksForDownload(&inRecord);
        const auto held = FindRecord(inRecord);
        if (held != mRecords.end())
            copy = **held;
    }
    if (!gOnline || copy.mDate == sMissingDate || dates.empty())
        return 0;
    CxSint32 result = 0;
    bool notFound = false;
    CxDate handled = dates.back();
    for (std::size_t index = 0; index < dates.size(); ++index)
    {
        bool last = index + 1 == dates.size();
        copy.mDate = dates[index];
        const CxString url = OnGetUrlForRecord(&copy);
        double elapsed = std::numeric_limits<double>::quiet_NaN();
        {
            CxAutoLock lock(mRegion);
            const auto entry = mRequestMemo.find(url);
            if (entry == mRequestMemo.end())
            {
                mRequestMemo[url] = MemoEntry{CxDate(), 200, 0};
            }
            else
            {
                result = entry->second.mStatus;
                elapsed = start - entry->second.mLastAttempt;
                entry->second.mLastAttempt = CxDate();
                if (result == 200 || result == 304 || result == 0)
                    last = true;
            }
        }
        if (std::isnan(elapsed) || elapsed > 15.0)
        {
            SetStatus(mId + " url: " + url);
            const CxDate cached = GetCacheModDate(&copy);
            if (cached != sMissingDate)
                last = true;
            if (cached != sMissingDate && !mUpdateCachedData)
            {
                result = 304;
            }
            else
            {
                // A fresh request each time: no condition, login or Last-Modified of an earlier reply carries over.
                CxUrl request(url);
                request.SetIfModifiedSince(cached);
                request.SetAuthenticationKey(mAuthenticationKey);
                request.SetFollowRedirect(false);
                SetStatus("Requesting data.");
                CxData body;
                const auto before = std::chrono::steady_clock::now();
                if (url.Length() != 0)
                    body = request.Get();
                const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - before;
                result = request.ResponseCode();
                start = CxDate();
                LogLine(" GET " + url + " -- " + CxString(request.TransferSize()) + " " + CxString(taken.count(), 2) +
                        "s -- " + CxString(result));
                switch (result)
                {
                case 304:
                    last = true;
                    break;
                case 0:
                    SetStatus("Host Unreachable.");
                    last = true;
                    break;
                case 200:
                {
                    // Without a usable Last-Modified the file would carry the missing date and never count as
                    // cached; the time it arrived stands in.
                    CxDate modified = request.LastModified();
                    if (modified < CxDate(1970, 1, 1, 0, 0, 0, 0))
                        modified = CxDate();
                    WriteDataToCache(&copy, body, modified, request.Mime());
                    last = true;
                    break;
                }
                case 401:
                    SetStatus("Authentication failed.");
                    last = true;
                    break;
                case 404:
                    if (cached == sMissingDate)
                        notFound = true;
                    break;
                default:
                    break;
                }
            }
            CxAutoLock lock(mRegion);
            MemoEntry& entry = mRequestMemo[url];
            entry = MemoEntry{CxDate(), result, entry.mAttempts + 1};
        }
        if (last)
        {
            handled = dates[index];
            break;
        }
    }
    {
        CxAutoLock lock(mRegion);
        const auto held = FindRecord(inRecord);
        if (held != mRecords.end())
        {
            (*held)->mDownloader = nullptr;
            (*held)->mLastChecked = CxDate();
            (*held)->mOffset = inRecord.mDate - handled;
            if (copy.Archiving())
                (*held)->SetArchiving();
        }
    }
    // A failed login or an unreachable host stays on show until a later request replaces it.
    if (result != 401 && result != 0)
        SetStatus("Idle.");
    return notFound ? 1001 : result;
}

void DxManager::LogLine(const CxString& inRest) const
{
    DxLog(CxDate().AsString(CxString("%H:%M:%S "), 0) + mId + inRest, 0);
}

namespace
{

// Media types compare without case or surrounding blanks.
CxString NormalMime(const std::string& inText)
{
    const auto first = inText.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return CxString();
    const auto lastChar = inText.find_last_not_of(" \t\r\n");
    CxString result = CxString::FromUtf8(inText.substr(first, lastChar - first + 1));
    result.Lowercase();
    return result;
}

} // namespace

CxString DxManager::JoinUrl(const CxString& inBase, const CxString& inUrl)
{
    CxString lower = inUrl;
    lower.Lowercase();
    if (lower.BeginsWith("http:") || lower.BeginsWith("https:"))
        return inUrl;
    return inBase + inUrl;
}

void DxManager::WriteDataToCache(DxRecord* inRecord, CxData& inData, const CxDate& inLastModified,
                                 const CxString& inContentType)
{
    CxAssertText(inRecord != nullptr, "inRecord != nil");
    if (inRecord == nullptr)
        return;
    if (inData.Size() == 0)
    {
        LogLine(" zero byte data file not written.");
        return;
    }
    CxString extension;
    if (!ValidateData(inData, inContentType, extension))
    {
        LogLine(" " + inContentType + " is an unsupported mime type for this data set.");
        return;
    }
    CxStringList folders;
    const CxString name = OnGetFilenameForRecord(inRecord, folders);
    CxAutoLock lock(mRegion);
    mCache->WriteDataFile(inRecord, inData, folders, mExtensions, name, extension, inLastModified, mTimeResolution > 0);
}

bool DxManager::ValidateData(CxData& inData, const CxString& inContentType, CxString& outExtension)
{
    const std::string type = inContentType.AsUtf8();
    CxString mime = NormalMime(type);
    if (type.find(';') != std::string::npos)
    {
        std::size_t from = 0;
        while (from <= type.size())
        {
            const std::size_t end = std::min(type.find(';', from), type.size());
            const std::string part = type.substr(from, end - from);
            if (part.find('/') != std::string::npos)
            {
                mime = NormalMime(part);
                break;
            }
            from = end + 1;
        }
    }
    const std::string mapping = mMimeMapping.AsUtf8();
    const std::size_t colon = mapping.find(':');
    if (!mapping.empty() && colon != std::string::npos && NormalMime(mapping.substr(0, colon)) == mime)
        mime = NormalMime(mapping.substr(colon + 1));
    outExtension = CxMimeInfo::FromMime(mime).Extension();
    if (std::find(mExtensions.begin(), mExtensions.end(), outExtension) != mExtensions.end())
        return true;
    return GuessDataExtension(inData, outExtension);
}

bool DxManager::GuessDataExtension(CxData& inData, CxString& ioExtension)
{
    return inData.Size() != 0 && OnGuessDataExtension(inData, ioExtension);
}

std::vector<CxDate> DxManager::PerformLocalSearch(DxSubscription& inSubscription)
{
    std::vector<CxDate> fallbacks;
    {
        CxAutoLock lock(mRegion);
        const DxRecord start(inSubscription.StartDate(), inSubscription.Attribs());
        fallbacks = DateFallbacks(&start);
    }
    CxAssertText(!fallbacks.empty(), "dates.size() > 0");
    std::vector<CxDate> found;
    if (mTimeResolution < 1 || fallbacks.empty())
    {
        found.push_back(inSubscription.StartDate());
        return found;
    }
    const double resolution = mTimeResolution;
    const CxDate& start = inSubscription.StartDate();
    const CxDate& end = inSubscription.EndDate();
    if (mQueryUrlFormat.Length() != 0)
    {
        for (CxDate date = fallbacks.back(); !(date > end); date += resolution)
        {
            if (IsCached(inSubscription, date))
                found.push_back(date);
        }
        return found;
    }
    for (CxDate date = fallbacks.back(); !(date > start - 1.0); date += resolution)
    {
        if (IsCached(inSubscription, date))
            found.push_back(date);
    }
    const double step = std::max<double>(resolution, inSubscription.Interval());
    for (CxDate date = start; !(date > end); date += step)
    {
        if (IsCached(inSubscription, date))
            found.push_back(date);
    }
    return found;
}

std::vector<CxDate> DxManager::PerformQuery(DxSubscription& inSubscription, const std::vector<CxDate>& inLocalDates)
{
    if (mSearchServer)
        return PerformOnlineSearch(inSubscription, inLocalDates);
    if (mQueryUrlFormat.Length() != 0)
        return PerformOnlineQuery(inSubscription);
    std::vector<CxDate> dates;
    if (mTimeResolution <= 0)
    {
        dates.push_back(inSubscription.StartDate());
        return dates;
    }
    const double step = std::max<double>(mTimeResolution, inSubscription.Interval());
    for (CxDate date = inSubscription.StartDate(); !(date > inSubscription.EndDate()); date += step)
        dates.push_back(date);
    return dates;
}

bool DxManager::NetworkNeeded(const DxSubscription& inSubscription, const CxDate& inFrom)
{
    std::vector<CxDate> known;
    {
        CxAutoLock lock(mRegion);
        for (const DxRecord* record : RecordsInWindow(inSubscription.Attribs(), inFrom, inSubscription.EndDate()))
            known.push_back(record->mDate);
    }
    if (known.empty())
        return true;
    std::sort(known.begin(), known.end());
    return inSubscription.EndDate() - known.back() >= mMinimumCheckThreshold ||
           known.front() - inFrom >= mStaleThreshold || known.front() > inSubscription.StartDate();
}

std::vector<CxDate> DxManager::TrimToStart(const DxSubscription& inSubscription, std::vector<CxDate> inDates)
{
    const CxDate& start = inSubscription.StartDate();
    std::optional<CxDate> lastEarly;
    std::vector<CxDate> kept;
    for (const CxDate& date : inDates)
    {
        if (date < start)
            lastEarly = date;
        else
            kept.push_back(date);
    }
    if (!lastEarly)
        return inDates;
    kept.push_back(*lastEarly);
    {
        CxAutoLock lock(mRegion);
        const auto held = FindSubscription(inSubscription);
        if (held != mSubscriptions.end())
            (*held)->mStaleThreshold = start - *lastEarly;
    }
    std::sort(kept.begin(), kept.end());
    return kept;
}

std::vector<CxDate> DxManager::PerformOnlineQuery(DxSubscription& inSubscription)
{
    SetStatus("Querying...");
    const CxDate from = inSubscription.StartDate() - mStaleThreshold;
    std::vector<CxDate> dates;
    CxSint32 code = 0;
    if (gOnline && mQueryUrlFormat.Length() != 0 && NetworkNeeded(inSubscription, from))
    {
        const CxString url = OnGetQueryUrl(inSubscription);
        CxUrl request(url);
        request.SetAuthenticationKey(mAuthenticationKey);
        CxData body = request.Get();
        code = request.ResponseCode();
        if (code == 200)
            dates = ParseDatesFromQuery(body);
        else if (code == 401)
            SetStatus("Authentication failed.");
        LogLine(" GET " + url + " (" + CxString(static_cast<CxUint32>(dates.size())) + " results) " +
                CxString(request.TransferSize()) + " -- " + CxString(code));
    }
    if (code != 401)
        SetStatus("Idle.");
    return TrimToStart(inSubscription, std::move(dates));
}

std::vector<CxDate> DxManager::ParseDatesFromQuery(CxData& inData)
{
    SetStatus("Parsing Query results...");
    std::vector<CxDate> dates;
    CxAutoLock lock(inData);
    XmlParser parser;
    if (inData.Size() == 0 || !parser.Parse(inData.Pointer(), inData.Size(), true) || parser.Root() == nullptr)
        return dates;
    const XmlElement* xml = parser.Root()->FindElement("xml");
    if (xml == nullptr)
        return dates;
    for (const XmlElement* element : xml->GetElements())
    {
        if (element->Name() != "date")
            continue;
        // The whole text at once: the parser may hand one date over in pieces.
        CxString text = element->GetContent();
        text.StripLeadingWhitespace();
        // An empty text would read as now, and one not starting with the year as year 0.
        if (text.Length() == 0 || text[0] < '0' || text[0] > '9')
            continue;
        dates.push_back(CxDate(text));
    }
    return dates;
}

std::vector<CxDate> DxManager::PareDownDates(std::vector<CxDate>& ioDates, const std::vector<CxDate>& inKnown)
{
    if (mTimeResolution < 1)
        return ioDates;
    std::vector<CxDate> pared = ioDates;
    const double resolution = mTimeResolution;
    for (const CxDate& known : inKnown)
    {
        for (CxDate t = known - mMinimumCheckThreshold; t < known + mMinimumCheckThreshold; t += resolution)
        {
            const auto found = std::find(pared.begin(), pared.end(), t);
            if (found != pared.end())
                pared.erase(found);
        }
    }
    return pared;
}

std::vector<CxDate> DxManager::PerformOnlineSearch(DxSubscription& inSubscription,
                                                   const std::vector<CxDate>& inLocalDates)
{
    SetStatus("Searching...");
    const CxDate& end = inSubscription.EndDate();
    CxDate from = inSubscription.StartDate() - mStaleThreshold;
    if (!std::isnan(mRealTimeDataWindow))
        from = std::max(from, ClipDate(CxDate() - mRealTimeDataWindow));
    if (from > end)
    {
        LogLine(" Search: " + inSubscription.Attribs() + " " + from.AsString() + " to " + end.AsString() +
                " (exceeds data availability window)");
        return {};
    }
    std::vector<CxDate> found;
    // Stepping needs a positive step; without one there is nothing to probe.
    if (gOnline && mTimeResolution >= 1 && NetworkNeeded(inSubscription, from))
    {
        const double resolution = mTimeResolution;
        const double span = std::floor((end - from) / resolution);
        const double dropped = std::max(0.0, span + 1 - static_cast<double>(kMaxProbes));
        if (dropped > 0)
            _CxDebug(__FILE__, __LINE__, "PerformOnlineSearch: candidates dropped",
                     CxString(static_cast<long long>(dropped)));
        std::vector<CxDate> candidates;
        for (CxDate date = from + dropped * resolution; !(date > end); date += resolution)
            candidates.push_back(date);
        candidates = PareDownDates(candidates, inLocalDates);
        std::vector<CxDate> held;
        {
            CxAutoLock lock(mRegion);
            for (const DxRecord* record : mRecords)
            {
                if (record->mAttributes == inSubscription.Attribs())
                    held.push_back(record->mDate);
            }
        }
        candidates = PareDownDates(candidates, held);
        if (!candidates.empty())
        {
            CxDate expected = candidates.front();
            for (std::size_t index = 0; index < candidates.size(); ++index)
            {
                if (candidates[index] != expected)
                    continue;
                DxRecord record(candidates[index], inSubscription.Attribs());
                const CxString url = OnGetUrlForRecord(&record);
                CxUrl probe(url);
                probe.SetFollowRedirect(false);
                const CxSint32 status = probe.Head();
                if (status == 200)
                {
                    found.push_back(candidates[index]);
                    expected = expected + mMinimumCheckThreshold;
                }
                else if (index + 1 < candidates.size())
                {
                    expected = candidates[index + 1];
                }
                LogLine(" HEAD " + url + " -- " + CxString(status));
            }
        }
        LogLine(" Search: " + inSubscription.Attribs() + " " + from.AsString() + " to " + end.AsString() + " (" +
                CxString(static_cast<CxUint32>(found.size())) + " new results)");
    }
    SetStatus("Idle.");
    return TrimToStart(inSubscription, std::move(found));
}

// ---- frames

DxFrame* DxManager::BuildFrameForClient(DxRecord* inRecord, const CxString& inMime, CxData& inData, DxClient* inClient)
{
    return OnBuildFrameForClient(inRecord, inMime, inData, inClient);
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
        DxFrame* frame = nullptr;
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
                    frame = BuildFrameForClient(&copy, mime, data, client);
                    (*held)->mOffset = (*held)->mDate - copy.Date();
                }
            }
        }
        catch (const CxError& error)
        {
            // One decoder's failure costs its client a frame, not the thread or the other clients.
            _CxDebug(__FILE__, __LINE__, "OnBuildFrameForClient", error);
            delete frame;
            frame = nullptr;
            wanted = true;
        }
        catch (const std::exception& error)
        {
            _CxDebug(__FILE__, __LINE__, "OnBuildFrameForClient", error.what());
            delete frame;
            frame = nullptr;
            wanted = true;
        }
        if (!wanted)
            continue;
        if (frame != nullptr)
            frame->SetLastModified(fileDate);
        mDeliveries.push_back(Delivery{client, frame, inRecord});
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
            const Delivery delivery = mDeliveries.front();
            mDeliveries.pop_front();
            if (HasClient(delivery.mClient))
                delivery.mClient->AcceptFrame(delivery.mFrame);
            else
                delete delivery.mFrame;
        }
    }
    DisposeUpdateJob(inJob);
}

void DxManager::ReceiveMessageFromDownloadJob(DxDownloadJob* inJob, CxSint32 inCode, DxRecord& inRecord)
{
    if (inCode != 900)
    {
        CxAutoLock lock(mRegion);
        SetAuthenticated(inCode != 401);
        const auto held = FindRecord(inRecord);
        if (held != mRecords.end())
        {
            DxRecord* record = *held;
            if (inCode == 200 && record->mUpdater == nullptr)
            {
                DxUpdateJob* job = CreateUpdateJob(*record);
                record->mUpdater = job;
                job->Submit();
            }
            else if (inCode == 1001)
            {
                const std::list<DxClient*> clients = mClients;
                for (DxClient* client : clients)
                {
                    if (HasClient(client))
                        client->NeedsToRequest(record);
                }
            }
        }
    }
    DisposeDownloadJob(inJob);
}

void DxManager::ReceiveMessageFromQueryJob(DxQueryJob* inJob, CxSint32 inCode, DxSubscription& inSubscription)
{
    if (inCode == 2 || inCode == 900)
    {
        DisposeQueryJob(inJob);
        return;
    }
    if (inCode != 0 && inCode != 1)
        return;
    SetStatus("Reconciling query..");
    for (const CxDate& date : inJob->GetDates(inCode))
    {
        DxRecord record(date, inSubscription.Attribs());
        CxAutoLock lock(mRegion);
        if (FindRecord(record) != mRecords.end())
            continue;
        const auto held = FindSubscription(inSubscription);
        if (held == mSubscriptions.end())
            continue;
        if (inSubscription.mRecording)
            record.SetArchiving();
        for (CxUint32 count = 0; count < (*held)->mRefCount; ++count)
            AddRecord(record);
        const auto added = FindRecord(record);
        if (added == mRecords.end())
            continue;
        const std::list<DxClient*> clients = mClients;
        for (DxClient* client : clients)
        {
            if (HasClient(client))
                client->NeedsToRequest(*added);
        }
    }
    SetStatus("Idle.");
}

// ---- housekeeping

void DxManager::OnTimer()
{
    CxAutoLock lock(mRegion);
    if (!(CxDate() < mNextConfigRefresh))
    {
        UpdateConfig();
        // On the first schedule, so that one that fell behind catches up a tick at a time.
        mNextConfigRefresh += 900.0;
    }
    if (mAutoRefresh != sDontBotherAutoRefresh)
        CreateHoleCollectJob()->Submit();
}

void DxManager::UpdateConfig()
{
    CxAutoLock lock(mRegion);
    CreateConfigJob()->Submit();
}

bool DxManager::PerformConfigUpdate()
{
    return gOnline && OnUpdateConfig();
}

void DxManager::PerformHoleCollect()
{
    CxAutoLock lock(mRegion);
    const CxDate now;
    const double stale = mStaleThreshold;
    const double minimum = mMinimumCheckThreshold;
    for (DxRecord* record : mRecords)
    {
        if (record->mLastChecked == sMissingDate || record->mDownloader != nullptr)
            continue;
        bool fetch = !(now < record->mLastChecked + mAutoRefresh);
        if (!fetch && record->mOffset != 0.0)
        {
            const double age = now - record->mDate;
            fetch = (age > minimum || record->mOffset >= minimum) && age < stale;
        }
        if (fetch)
        {
            DxDownloadJob* job = CreateDownloadJob(*record);
            record->mDownloader = job;
            job->Submit();
        }
    }
    std::vector<CxString> expired;
    for (const auto& [url, entry] : mRequestMemo)
    {
        if (now - entry.mLastAttempt > 60.0)
            expired.push_back(url);
    }
    for (const CxString& url : expired)
        mRequestMemo.erase(url);
}

void DxManager::ReceiveMessageFromConfigJob(DxConfigJob* inJob, CxSint32 inCode)
{
    if (inCode != 900 && inCode != 0)
    {
        RefreshAllClients();
        SendMessage(9, nullptr);
    }
    DisposeConfigJob(inJob);
}

void DxManager::ReceiveMessageFromHoleCollectJob(DxHoleCollectJob* inJob, CxSint32)
{
    DisposeHoleCollectJob(inJob);
}

// ---- jobs

DxDownloadJob* DxManager::CreateDownloadJob(DxRecord& inRecord)
{
    CxAutoLock lock(mRegion);
    auto* job = new DxDownloadJob(this, inRecord);
    mJobs.push_back(job);
    return job;
}

DxUpdateJob* DxManager::CreateUpdateJob(DxRecord& inRecord)
{
    CxAutoLock lock(mRegion);
    auto* job = new DxUpdateJob(this, inRecord);
    mJobs.push_back(job);
    return job;
}

DxQueryJob* DxManager::CreateQueryJob(DxSubscription& inSubscription)
{
    CxAutoLock lock(mRegion);
    auto* job = new DxQueryJob(this, inSubscription);
    mJobs.push_back(job);
    return job;
}

DxConfigJob* DxManager::CreateConfigJob()
{
    CxAutoLock lock(mRegion);
    auto* job = new DxConfigJob(this);
    mJobs.push_back(job);
    return job;
}

DxHoleCollectJob* DxManager::CreateHoleCollectJob()
{
    CxAutoLock lock(mRegion);
    auto* job = new DxHoleCollectJob(this);
    mJobs.push_back(job);
    return job;
}

void DxManager::ForgetJob(CxJob* inJob)
{
    CxAutoLock lock(mRegion);
    const auto iter = std::find(mJobs.begin(), mJobs.end(), inJob);
    CxAssertText(iter != mJobs.end(), "iter != mJobs.end()");
    if (iter == mJobs.end())
        return;
    mJobs.erase(iter);
    // A download that ended early leaves its pointer behind; no record may keep a deleted job.
    for (DxRecord* record : mRecords)
    {
        if (record->mDownloader == inJob)
            record->mDownloader = nullptr;
        if (record->mUpdater == inJob)
            record->mUpdater = nullptr;
    }
    delete inJob;
}

void DxManager::DisposeDownloadJob(DxDownloadJob* inJob)
{
    ForgetJob(inJob);
}

void DxManager::DisposeUpdateJob(DxUpdateJob* inJob)
{
    ForgetJob(inJob);
}

void DxManager::DisposeQueryJob(DxQueryJob* inJob)
{
    ForgetJob(inJob);
}

void DxManager::DisposeConfigJob(DxConfigJob* inJob)
{
    ForgetJob(inJob);
}

void DxManager::DisposeHoleCollectJob(DxHoleCollectJob* inJob)
{
    ForgetJob(inJob);
}

void DxManager::CancelDownloadJob(DxDownloadJob* inJob)
{
    ForgetJob(inJob);
}

void DxManager::CancelUpdateJob(DxUpdateJob* inJob)
{
    ForgetJob(inJob);
}

void DxManager::CancelQueryJob(DxQueryJob* inJob)
{
    ForgetJob(inJob);
}

void DxManager::CancelConfigJob(DxConfigJob* inJob)
{
    ForgetJob(inJob);
}

void DxManager::CancelHoleCollectJob(DxHoleCollectJob* inJob)
{
    ForgetJob(inJob);
}

void DxManager::CleanupJobs()
{
    CxAutoLock lock(mRegion);
    for (DxRecord* record : mRecords)
    {
        record->mDownloader = nullptr;
        record->mUpdater = nullptr;
    }
    while (!mJobs.empty())
    {
        CxJob* job = mJobs.front();
        mJobs.pop_front();
        delete job;
    }
}

// ---- the concrete managers' hooks

DxFrame* DxManager::OnBuildFrameForClient(DxRecord*, const CxString&, CxData&, DxClient*)
{
    return nullptr;
}

CxString DxManager::OnGetFilenameForRecord(DxRecord*, CxStringList&)
{
    return CxString();
}

CxString DxManager::OnGetUrlForRecord(DxRecord*)
{
    return CxString();
}

CxString DxManager::OnGetQueryUrl(const DxSubscription&)
{
    return CxString();
}

bool DxManager::OnUpdateConfig()
{
    return false;
}

bool DxManager::OnGuessDataExtension(CxData&, CxString&)
{
    return false;
}
