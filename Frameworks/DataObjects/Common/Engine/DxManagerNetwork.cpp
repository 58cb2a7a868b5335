// The manager's network work: cache access, downloads, date queries and probe searches, and their jobs' results.
#include "DxManager.h"

#include "CxDebug.h"
#include "CxError.h"
#include "CxMime.h"
#include "CxUrl.h"
#include "DxCache.h"
#include "DxClients.h"
#include "DxJobs.h"
#include "XmlElement.h"
#include "XmlParser.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <optional>

namespace
{
// What a download posts when its record was released: the handler only disposes of it, as of a cancelled one.
constexpr CxSint32 kDropped = 900;
} // namespace

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
    bool updateCached = true;
    {
        CxAutoLock lock(mRegion);
        start = CxDate();
        updateCached = mUpdateCachedData;
        dates = DateFallbacksForDownload(&inRecord);
        const auto held = FindHeldRecord(inRecord);
        if (held != mRecords.end())
            copy = **held;
        else if (inRecord.mSerial != 0)
            return kDropped;
    }
    // An update may have served the held record from an older file; a download fetches and stores the record's
    // own dates, so the older file must not lend its date to the request's condition or its name to the new file.
    copy.mOffset = 0.0;
    if (!Online() || copy.mDate == sMissingDate || dates.empty())
        return 0;
    CxSint32 result = 0;
    bool notFound = false;
    CxDate handled = dates.back();
    for (std::size_t index = 0; index < dates.size(); ++index)
    {
        bool last = index + 1 == dates.size();
        copy.mDate = dates[index];
        const CxString url = [&]
        {
            CxAutoLock lock(mRegion); // the URL formats change under a configuration refresh
            return OnGetUrlForRecord(&copy);
        }();
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
        // A recent answer stands for the file it brought; when a removed record took that file along, it is
        // fetched again rather than reported as there.
        if (!std::isnan(elapsed) && (result == 200 || result == 304) && GetCacheModDate(&copy) == sMissingDate)
            elapsed = std::numeric_limits<double>::quiet_NaN();
        if (std::isnan(elapsed) || elapsed > 15.0)
        {
            SetStatus(mId + " url: " + url);
            const CxDate cached = GetCacheModDate(&copy);
            if (cached != sMissingDate)
                last = true;
            if (cached != sMissingDate && !updateCached)
            {
                result = 304;
            }
            else
            {
                // A fresh request each time: no condition, login or Last-Modified of an earlier reply carries over.
                CxUrl request(url);
                request.SetCancelFlag(&mClosing);
                request.SetIfModifiedSince(ConditionFor(copy, url, cached));
                request.SetAuthenticationKey(AuthenticationKey());
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
                // A reply for a record released meanwhile, or from a URL the configuration no longer names, is
                // dropped whole: the record that took its place has a job of its own.
                bool current = IsCurrentDownload(inRecord, copy, url);
                if (current && result == 200 &&
                    WriteDataToCache(&copy, body, StampOfReply(request.LastModified()), request.Mime(),
                                     [&] { return current = IsCurrentDownload(inRecord, copy, url); }))
                {
                    CxAutoLock lock(mRegion);
                    mFileSources[SourceKey(copy)] = url;
                }
                if (!current)
                    return kDropped;
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
                    last = true;
                    break;
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
        const auto held = FindHeldRecord(inRecord);
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

DxManager::RecordList::iterator DxManager::FindHeldRecord(const DxRecord& inRecord)
{
    const auto held = FindRecord(inRecord);
    if (held != mRecords.end() && inRecord.mSerial != 0 && (*held)->mSerial != inRecord.mSerial)
        return mRecords.end();
    return held;
}

bool DxManager::IsCurrentDownload(const DxRecord& inRecord, DxRecord& ioCopy, const CxString& inUrl)
{
    CxAutoLock lock(mRegion);
    if (inRecord.mSerial != 0 && FindHeldRecord(inRecord) == mRecords.end())
        return false;
    return OnGetUrlForRecord(&ioCopy) == inUrl;
}

CxDate DxManager::ConditionFor(const DxRecord& inCopy, const CxString& inUrl, const CxDate& inCached)
{
    CxAutoLock lock(mRegion);
    if (!mReleased)
        return inCached;
    const auto source = mFileSources.find(SourceKey(inCopy));
    return source != mFileSources.end() && source->second == inUrl ? inCached : sMissingDate;
}

CxString DxManager::SourceKey(const DxRecord& inRecord)
{
    return inRecord.mAttributes + " " + inRecord.Date().AsString();
}

CxDate DxManager::StampOfReply(const CxDate& inLastModified)
{
    // Without a usable Last-Modified the file would carry the missing date and never count as cached; one ahead
    // of its arrival would come back as If-Modified-Since and hold off every newer file until the server's clock
    // passed it. The time it arrived stands in for both.
    const CxDate arrived;
    if (inLastModified < CxDate(1970, 1, 1, 0, 0, 0, 0) || arrived < inLastModified)
        return arrived;
    return inLastModified;
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

CxString DxManager::UrlPattern(const CxString& inUrl)
{
    CxString url = inUrl;
    url.ReplaceAll("%04", "%", 0);
    url.ReplaceAll("%02", "%", 0);
    return url;
}

bool DxManager::WriteDataToCache(DxRecord* inRecord, CxData& inData, const CxDate& inLastModified,
                                 const CxString& inContentType, const std::function<bool()>& inStillWanted)
{
    CxAssertText(inRecord != nullptr, "inRecord != nil");
    if (inRecord == nullptr)
        return false;
    if (inData.Size() == 0)
    {
        LogLine(" zero byte data file not written.");
        return false;
    }
    CxString extension;
    if (!ValidateData(inData, inContentType, extension))
    {
        LogLine(" " + inContentType + " is an unsupported mime type for this data set.");
        return false;
    }
    if (!OnAcceptData(inData, extension))
    {
        LogLine(" " + inContentType + " reply does not read as a " + extension + " file; not written.");
        return false;
    }
    // The name reads the configuration, which a refresh on another job thread may be replacing.
    CxAutoLock lock(mRegion);
    if (inStillWanted && !inStillWanted())
        return false;
    CxStringList folders;
    const CxString name = OnGetFilenameForRecord(inRecord, folders);
    return mCache->WriteDataFile(inRecord, inData, folders, mExtensions, name, extension, inLastModified,
                                 mTimeResolution > 0);
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
    // The mapping and the extensions come with the configuration a refresh may be replacing.
    std::string mapping;
    CxStringList extensions;
    {
        CxAutoLock lock(mRegion);
        mapping = mMimeMapping.AsUtf8();
        extensions = mExtensions;
    }
    const std::size_t colon = mapping.find(':');
    if (!mapping.empty() && colon != std::string::npos && NormalMime(mapping.substr(0, colon)) == mime)
        mime = NormalMime(mapping.substr(colon + 1));
    outExtension = CxMimeInfo::FromMime(mime).Extension();
    if (std::find(extensions.begin(), extensions.end(), outExtension) != extensions.end())
        return true;
    return GuessDataExtension(inData, outExtension);
}

bool DxManager::OnAcceptData(CxData&, const CxString&)
{
    return true;
}

bool DxManager::GuessDataExtension(CxData& inData, CxString& ioExtension)
{
    return inData.Size() != 0 && OnGuessDataExtension(inData, ioExtension);
}

std::vector<CxDate> DxManager::PerformLocalSearch(DxSubscription& inSubscription)
{
    // Under the lock throughout: the resolution and the query format come with the configuration, which a
    // refresh on another job thread may be replacing.
    CxAutoLock lock(mRegion);
    std::vector<CxDate> fallbacks;
    {
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
    bool search = false;
    bool query = false;
    double resolution = 0.0;
    {
        // The configuration a refresh on another job thread may be replacing.
        CxAutoLock lock(mRegion);
        search = mSearchServer;
        query = mQueryUrlFormat.Length() != 0;
        resolution = mTimeResolution;
    }
    if (search)
        return PerformOnlineSearch(inSubscription, inLocalDates);
    if (query)
        return PerformOnlineQuery(inSubscription);
    std::vector<CxDate> dates;
    if (resolution <= 0)
    {
        dates.push_back(inSubscription.StartDate());
        return dates;
    }
    const double step = std::max<double>(resolution, inSubscription.Interval());
    for (CxDate date = inSubscription.StartDate(); !(date > inSubscription.EndDate()); date += step)
        dates.push_back(date);
    return dates;
}

bool DxManager::NetworkNeeded(const DxSubscription& inSubscription, const CxDate& inFrom)
{
    // The thresholds come with the configuration, which a refresh on another job thread may be replacing.
    CxAutoLock lock(mRegion);
    std::vector<CxDate> known;
    for (const DxRecord* record : RecordsInWindow(inSubscription.Attribs(), inFrom, inSubscription.EndDate()))
        known.push_back(record->mDate);
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
    std::vector<CxDate> dates;
    CxSint32 code = 0;
    CxString url;
    {
        // The configuration a refresh on another job thread may be replacing.
        CxAutoLock lock(mRegion);
        const CxDate from = inSubscription.StartDate() - mStaleThreshold;
        if (Online() && mQueryUrlFormat.Length() != 0 && NetworkNeeded(inSubscription, from))
            url = OnGetQueryUrl(inSubscription);
    }
    if (url.Length() != 0)
    {
        CxUrl request(url);
        request.SetCancelFlag(&mClosing);
        request.SetAuthenticationKey(AuthenticationKey());
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
    CxAutoLock lock(mRegion); // the resolution and the threshold come with the configuration
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
    CxDate from;
    double resolution = 0.0;
    double minimumCheck = 0.0;
    {
        // The configuration a refresh on another job thread may be replacing.
        CxAutoLock lock(mRegion);
        from = inSubscription.StartDate() - mStaleThreshold;
        if (!std::isnan(mRealTimeDataWindow))
            from = std::max(from, ClipDate(CxDate() - mRealTimeDataWindow));
        resolution = mTimeResolution;
        minimumCheck = mMinimumCheckThreshold;
    }
    if (from > end)
    {
        LogLine(" Search: " + inSubscription.Attribs() + " " + from.AsString() + " to " + end.AsString() +
                " (exceeds data availability window)");
        return {};
    }
    std::vector<CxDate> found;
    // Stepping needs a positive step; without one there is nothing to probe.
    if (Online() && resolution >= 1 && NetworkNeeded(inSubscription, from))
    {
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
            for (const auto& record : mRecords)
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
                const CxString url = [&]
                {
                    CxAutoLock lock(mRegion);
                    return OnGetUrlForRecord(&record);
                }();
                CxUrl probe(url);
                probe.SetCancelFlag(&mClosing);
                probe.SetFollowRedirect(false);
                const CxSint32 status = probe.Head();
                if (status == 200)
                {
                    found.push_back(candidates[index]);
                    expected = expected + minimumCheck;
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

// ---- job results

void DxManager::ReceiveMessageFromDownloadJob(DxDownloadJob* inJob, CxSint32 inCode, DxRecord& inRecord)
{
    if (inCode != 900)
    {
        CxAutoLock lock(mRegion);
        SetAuthenticated(inCode != 401);
        const auto held = FindHeldRecord(inRecord);
        if (held != mRecords.end())
        {
            DxRecord* record = held->get();
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
        // The record, not its place: a client's request may add records and move the list.
        DxRecord* addedRecord = added->get();
        const std::list<DxClient*> clients = mClients;
        for (DxClient* client : clients)
        {
            if (HasClient(client))
                client->NeedsToRequest(addedRecord);
        }
    }
    SetStatus("Idle.");
}

// ---- the concrete managers' hooks

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

bool DxManager::OnGuessDataExtension(CxData&, CxString&)
{
    return false;
}
