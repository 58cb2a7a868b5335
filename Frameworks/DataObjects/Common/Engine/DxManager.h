// The base of every data-set manager: one per data-set id, shared by every client of that set. It owns the set's
// cache, records, subscriptions and jobs, and hands finished frames to its clients on the main thread.
//
// Locks: the manager's region (recursive) guards records, subscriptions, clients, pending deliveries, the request
// memo and the jobs; it is taken before any client's lock. The status lock guards only the status text.
#pragma once

#include "CxCriticalRegion.h"
#include "CxData.h"
#include "CxDate.h"
#include "CxFile.h"
#include "CxMessenger.h"
#include "CxString.h"
#include "CxTimer.h"
#include "CxTypes.h"
#include "DxRecord.h"

#include <atomic>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CxJob;
class DxCache;
class DxClient;
class DxConfigParser;
class DxConfigJob;
class DxDownloadJob;
class DxFrame;
class DxHoleCollectJob;
class DxQueryJob;
class DxUpdateJob;

class DxManager : public CxTimer, public CxMessenger
{
public:
    using ManagerList = std::list<DxManager*>;
    // Owned, each reference-counted under the region by the clients that want it.
    using RecordList = std::vector<std::unique_ptr<DxRecord>>;
    using SubscriptionList = std::vector<std::unique_ptr<DxSubscription>>;

    // The no-date value of records, subscriptions and file dates: 1904-01-01 00:00:00 UTC.
    static const CxDate sMissingDate;
    // The auto-refresh value that switches hole collection off.
    static constexpr CxSint32 sDontBotherAutoRefresh = 86402;

    explicit DxManager(const CxString& inId);
    ~DxManager() override;
    DxManager(const DxManager&) = delete;
    DxManager& operator=(const DxManager&) = delete;

    // Ends the manager's work before it goes: queued jobs never run, its transfers stop within about a second,
    // and a job a worker holds is waited for (a decode is not interrupted: past 2 s it is logged and still waited
    // for, since it reads the manager). Main thread; once. Each concrete manager's destructor calls it first,
    // while its own members still stand.
    void Close();
    // Deletes the downloaded (not archived) files last modified before the date, and logs how many went.
    void PurgeOldData(const CxDate& inDate);

    // The registry of live managers, in order of construction. Main thread only.
    static ManagerList::iterator BeginDataManagers();
    static ManagerList::iterator EndDataManagers();
    static DxManager* FindExistingManager(const CxString& inId);
    static void DeleteAllManagers();

    // Found on first use (documents and caches folders) unless set before.
    static void SetRootDataFolder(const CxFolder& inFolder);
    static void SetRootCacheFolder(const CxFolder& inFolder);
    static CxFolder RootDataFolder();
    static CxFolder RootCacheFolder();

    static bool Online();
    static void GoOffline();
    static void GoOnline();
    static CxSint32 GetAutoRefreshIgnoreValue() { return sDontBotherAutoRefresh; }

    const CxString& Id() const { return mId; }
    CxString Name() const;
    // The set hands its key over on the main thread while jobs send it: both sides take the status lock.
    CxString AuthenticationKey() const;
    void SetAuthenticationKey(const CxString& inKey);
    // Copies under the region: a configuration job may be rewriting them.
    CxString ProviderName() const;
    CxString ProviderUrl() const;
    CxString SourceName() const;
    CxString SourceUrl() const;
    CxString ContactName() const;
    CxString ContactUrl() const;
    CxString Status() const;
    void SetStatus(const CxString& inStatus);
    CxSint32 GetStaleThreshold() const { return mStaleThreshold; }
    CxSint32 GetTimeResolution() const { return mTimeResolution; }
    bool IsConstantInterval() const;
    bool IsConfigured() const { return mConfigured; }
    bool IsAuthenticated() const { return mAuthenticated; }
    CxString FileDateFormat() const;
    bool HasFiles() const;
    void ShowFiles() const;
    DxCache* Cache() const { return mCache.get(); }

    void LockRegion() ACQUIRE(mRegion) { mRegion.Enter(); }
    void UnlockRegion() RELEASE(mRegion) { mRegion.Exit(); }
    CxCriticalRegion& Region() RETURN_CAPABILITY(mRegion) { return mRegion; }

    void SetTimeResolution(CxSint32 inSeconds);
    // The date of the data-set file that covers the date.
    CxDate ClipDate(const CxDate& inDate) const;
    CxString RegistryUrl() const;

    // Clients, on the main thread.
    void AddClient(DxClient* inClient);
    // Also drops the client's pending deliveries, so no frame reaches a later client at that address.
    void RemoveClient(DxClient* inClient);
    bool HasClient(DxClient* inClient) const REQUIRES(mRegion);
    void RefreshAllClients();
    void SetAuthenticated(bool inValue);
    // Stores the login under the authentication key, then refreshes every client.
    void SetAuthentication(const CxString& inUser, const CxString& inPassword);
    void OnGoOnline();

    // Callers hold the lock.
    RecordList::iterator FindRecord(const DxRecord& inRecord) REQUIRES(mRegion);
    SubscriptionList::iterator FindSubscription(const DxSubscription& inSubscription) REQUIRES(mRegion);
    // Test and debugging views; callers hold the lock.
    const RecordList& Records() const REQUIRES(mRegion) { return mRecords; }
    const SubscriptionList& Subscriptions() const REQUIRES(mRegion) { return mSubscriptions; }
    std::size_t CountJobs() const REQUIRES(mRegion) { return mJobs.size(); }
    std::size_t CountMemoEntries() const REQUIRES(mRegion) { return mRequestMemo.size(); }
    void Debug();

    // Records and subscriptions, on the main thread.
    bool Subscribe(const DxSubscription& inSubscription);
    void Unsubscribe(const DxSubscription& inSubscription);
    void ArchiveSubscription(const DxSubscription& inSubscription);
    CxDate RequestUpdate(const DxRecord& inRecord);
    void RequestUpdateBatch(const DxSubscription& inSubscription);
    std::vector<CxDate> AvailableDates(const DxSubscription& inSubscription);
    std::vector<CxDate> DateFallbacks(const DxRecord* inRecord) const;
    std::vector<CxDate> DateFallbacksForDownload(const DxRecord* inRecord) const;

    // Job work, on the job threads.
    CxSint32 PerformDownload(DxRecord& inRecord);
    CxSint32 PerformUpdate(DxRecord& inRecord);
    std::vector<CxDate> PerformLocalSearch(DxSubscription& inSubscription);
    std::vector<CxDate> PerformQuery(DxSubscription& inSubscription, const std::vector<CxDate>& inLocalDates);
    std::vector<CxDate> PerformOnlineQuery(DxSubscription& inSubscription);
    std::vector<CxDate> PerformOnlineSearch(DxSubscription& inSubscription, const std::vector<CxDate>& inLocalDates);
    bool PerformConfigUpdate();
    void PerformHoleCollect();
    CxFile GetFileForRecord(DxRecord* inRecord);
    CxDate GetCacheModDate(DxRecord* inRecord);
    // False when nothing was stored. inStillWanted is asked in the same hold of the region as the write; false
    // stores nothing.
    bool WriteDataToCache(DxRecord* inRecord, CxData& inData, const CxDate& inLastModified,
                          const CxString& inContentType, const std::function<bool()>& inStillWanted = {});
    bool ValidateData(CxData& inData, const CxString& inContentType, CxString& outExtension);
    bool GuessDataExtension(CxData& inData, CxString& ioExtension);
    // One date per "date" element of the reply's "xml" element, read from its whole text.
    std::vector<CxDate> ParseDatesFromQuery(CxData& inData);
    // The dates less those on the resolution grid within the minimum check threshold of a known date.
    std::vector<CxDate> PareDownDates(std::vector<CxDate>& ioDates, const std::vector<CxDate>& inKnown);
    // The most HEAD probes one search sends; older candidates beyond it are dropped.
    static constexpr std::size_t kMaxProbes = 1000;
    // What every configuration names alike: the set's name, provider, source and contact, and the configuration
    // URL (left as it is when it names none: a configuration reached through another URL is fetched there again).
    // Answers the base URL that the kind's own URLs join.
    CxString ReadDescription(const DxConfigParser& inParser, CxString& outConfigUrl) REQUIRES(mRegion);
    // An "http:" or "https:" URL (any case) as it is; anything else after the base.
    static CxString JoinUrl(const CxString& inBase, const CxString& inUrl);
    // A configured URL pattern keeps its strftime codes; the server's printf habit "%04" or "%02" becomes "%".
    static CxString UrlPattern(const CxString& inUrl);

    // The outcome of refreshing one info document: the last status, whether a copy was read and taken into force,
    // whether it was also cached, and whether a 200 only repeated the copy in force.
    struct InfoRefresh
    {
        CxSint32 mStatus = 0;
        bool mTaken = false;
        bool mStored = false;
        bool mUnchanged = false;
        // A document read and taken in that differs from the copy in force before.
        bool NewContent() const { return mTaken && !mUnchanged; }
    };
    // Fetches an info document again, with the set's key, logged: If-Modified-Since the date of the copy in force
    // when that copy came from this URL (another URL's file may be older and still new), else unconditionally.
    // A 404 at a URL other than the registry's is asked once more at the registry, without condition or key. A 200
    // body the reader accepts is taken into force and cached under the name, dated by its Last-Modified; a body it
    // refuses changes nothing and the status names the document "Invalid". Once the manager is configured, a 200
    // body equal byte for byte to the copy in force is neither read nor stored (a server that cannot answer 304
    // sends the same document every time), but the copy takes its URL and date. The copy in force is this manager's
    // own: the cache folder is shared with other processes, which may store a document before this one reads it. 401
    // sets "Authentication failed.". Job threads.
    InfoRefresh RefreshInfoDocument(const CxString& inUrl, const CxString& inName, bool inRetryAtRegistry,
                                    const std::function<bool(CxData&)>& inAccept);
    // The query URL pattern after inKeys has filled the kind's own keys: its dates filled in (the start moved back
    // by the stale threshold) and spaces escaped. Read under the lock: a configuration job may replace it.
    CxString FillQueryUrl(const DxSubscription& inSubscription, const std::function<void(CxString&)>& inKeys = {});
    // The first step of every kind's refresh: config.xml fetched again, with the registry retry, and read by the
    // kind's parser. Null when offline or when its host does not answer (the status then says so).
    std::optional<InfoRefresh> RefreshConfigDocument(const CxString& inConfigUrl,
                                                     const std::function<bool(CxData&)>& inParse);
    // The last step: "Idle." again, unless a request was refused for its login.
    void EndConfigRefresh();
    // The cached info document handed to the reader (empty when there is none); when the reader accepts it, that
    // copy is in force. Construction.
    bool TakeCachedInfo(const CxString& inName, const std::function<bool(CxData&)>& inAccept);
    // The cached copy put in force unread, for a list read only when first asked for.
    void HoldCachedInfo(const CxString& inName);
    // The bytes of the copy in force, empty when there is none.
    CxData InfoInForce(const CxString& inName) const;
    // A held copy its reader refused is not in force after all.
    void ForgetInfoInForce(const CxString& inName);

    // Housekeeping, on the main thread.
    void OnTimer() override;
    // Queues a configuration refresh, unless one is queued and not yet started: that one serves this request too.
    void UpdateConfig();
    // Any thread: the queued configuration job has started or been cancelled, so the next request queues anew.
    void ConfigJobLeftQueue();

    // Job results, on the main thread; each disposes of its job in the end.
    void ReceiveMessageFromDownloadJob(DxDownloadJob* inJob, CxSint32 inCode, DxRecord& inRecord);
    void ReceiveMessageFromUpdateJob(DxUpdateJob* inJob, CxSint32 inCode, DxRecord& inRecord);
    void ReceiveMessageFromQueryJob(DxQueryJob* inJob, CxSint32 inCode, DxSubscription& inSubscription);
    void ReceiveMessageFromConfigJob(DxConfigJob* inJob, CxSint32 inCode);
    void ReceiveMessageFromHoleCollectJob(DxHoleCollectJob* inJob, CxSint32 inCode);

    // Jobs: made and listed under the lock; the caller submits them.
    DxDownloadJob* CreateDownloadJob(DxRecord& inRecord);
    DxUpdateJob* CreateUpdateJob(DxRecord& inRecord);
    DxQueryJob* CreateQueryJob(DxSubscription& inSubscription);
    DxConfigJob* CreateConfigJob();
    DxHoleCollectJob* CreateHoleCollectJob();
    void DisposeDownloadJob(DxDownloadJob* inJob);
    void DisposeUpdateJob(DxUpdateJob* inJob);
    void DisposeQueryJob(DxQueryJob* inJob);
    void DisposeConfigJob(DxConfigJob* inJob);
    void DisposeHoleCollectJob(DxHoleCollectJob* inJob);
    void CancelDownloadJob(DxDownloadJob* inJob);
    void CancelUpdateJob(DxUpdateJob* inJob);
    void CancelQueryJob(DxQueryJob* inJob);
    void CancelConfigJob(DxConfigJob* inJob);
    void CancelHoleCollectJob(DxHoleCollectJob* inJob);
    void CleanupJobs();

    // The only caller of OnBuildFrameForClient: its new frame is owned from the first line that receives it.
    std::unique_ptr<DxFrame> BuildFrame(DxRecord* inRecord, const CxString& inMime, CxData& inData, DxClient* inClient);
    // BuildFrame's frame handed over raw; the caller owns it.
    DxFrame* BuildFrameForClient(DxRecord* inRecord, const CxString& inMime, CxData& inData, DxClient* inClient);

protected:
    virtual DxFrame* OnBuildFrameForClient(DxRecord* inRecord, const CxString& inMime, CxData& inData,
                                           DxClient* inClient);
    virtual CxString OnGetFilenameForRecord(DxRecord* inRecord, CxStringList& outFolders);
    // Under the region: the URL formats change with a configuration refresh.
    virtual CxString OnGetUrlForRecord(DxRecord* inRecord) REQUIRES(mRegion);
    virtual CxString OnGetQueryUrl(const DxSubscription& inSubscription);
    virtual bool OnUpdateConfig();
    virtual CxDate OnClipDate(const CxDate& inDate) const;
    virtual bool OnGuessDataExtension(CxData& inData, CxString& ioExtension);
    // Whether a reply is worth caching as a file of that extension. A reply cut short under a Content-Length that
    // looks complete, or a page served under a data type, must not replace a good file; the default takes all.
    virtual bool OnAcceptData(CxData& ioData, const CxString& inExtension);

    // The date a reply is stored under: its Last-Modified, or its arrival when that is missing or later.
    static CxDate StampOfReply(const CxDate& inLastModified);

    void AddRecord(const DxRecord& inRecord);
    void RemoveRecord(const DxRecord& inRecord);
    void AddSubscription(const DxSubscription& inSubscription);
    // False when no held copy exists.
    bool RemoveSubscription(const DxSubscription& inSubscription);
    void ArchiveRecord(DxRecord* inRecord);
    void DeleteRecordFromCache(DxRecord* inRecord);

    CxString mId;
    CxString mName GUARDED_BY(mRegion);
    CxString mAuthenticationKey GUARDED_BY(mStatusLock);
    CxString mProviderName GUARDED_BY(mRegion);
    CxString mProviderUrl GUARDED_BY(mRegion);
    CxString mSourceName GUARDED_BY(mRegion);
    CxString mSourceUrl GUARDED_BY(mRegion);
    CxString mContactName GUARDED_BY(mRegion);
    CxString mContactUrl GUARDED_BY(mRegion);
    CxString mStatus GUARDED_BY(mStatusLock);
    std::unique_ptr<DxCache> mCache;
    mutable CxCriticalRegion mRegion;
    CxSint32 mAutoRefresh GUARDED_BY(mRegion) = 300;
    // These four are set by a configuration job under the region and read on every thread without it (the main
    // thread's clients ask them as they draw), so they are atomic rather than guarded.
    std::atomic<CxSint32> mTimeResolution{-1};
    std::atomic<CxSint32> mStaleThreshold{2700};
    CxSint32 mMinimumCheckThreshold GUARDED_BY(mRegion) = 420;
    std::atomic<CxSint32> mDataResolutionOffset{0};
    float mRealTimeDataWindow GUARDED_BY(mRegion);
    CxString mQueryUrlFormat GUARDED_BY(mRegion);
    CxString mQueryDateFormat GUARDED_BY(mRegion);
    bool mArchive GUARDED_BY(mRegion) = false;
    std::atomic<bool> mConfigured{false};
    bool mSearchServer GUARDED_BY(mRegion) = false;
    bool mUpdateCachedData GUARDED_BY(mRegion) = true;
    CxStringList mExtensions GUARDED_BY(mRegion);
    CxString mFileDateFormat GUARDED_BY(mRegion);
    CxString mMimeMapping GUARDED_BY(mRegion);

private:
    // A frame built for a client and not yet handed over; the frame is owned until then.
    struct Delivery
    {
        DxClient* mClient;
        std::unique_ptr<DxFrame> mFrame;
        DxRecord mRecord;
    };
    struct MemoEntry
    {
        CxDate mLastAttempt;
        CxSint32 mStatus = 200;
        CxSint32 mAttempts = 0;
    };

    // The look-back of a held subscription: its own when it reaches further than the manager's threshold.
    double LookBack(const DxSubscription* inHeld) const;
    // The held records of the attributes dated from inFrom to inTo.
    std::vector<DxRecord*> RecordsInWindow(const CxString& inAttributes, const CxDate& inFrom, const CxDate& inTo)
        REQUIRES(mRegion);
    void ForgetJob(CxJob* inJob);
    bool IsCached(const DxSubscription& inSubscription, const CxDate& inDate);
    // False when the held records already cover the subscription from inFrom on.
    bool NetworkNeeded(const DxSubscription& inSubscription, const CxDate& inFrom);
    // Drops dates before the start but the last of them, whose distance the held copy then looks back.
    std::vector<CxDate> TrimToStart(const DxSubscription& inSubscription, std::vector<CxDate> inDates);
    void LogLine(const CxString& inRest) const;
    // What identifies an info document in force: its bytes, the date it was served under and the URL that served it
    // (empty for a copy read from the cache, whose URL is not known). The date is a condition at that URL only.
    struct InfoCopy
    {
        std::string mBytes;
        CxDate mDate;
        CxString mUrl;
    };
    std::optional<InfoCopy> FindInfoInForce(const CxString& inName) const;
    void SetInfoInForce(const CxString& inName, const std::string& inBytes, const CxDate& inDate,
                        const CxString& inUrl = CxString());

    std::list<DxClient*> mClients GUARDED_BY(mRegion);
    std::list<Delivery> mDeliveries GUARDED_BY(mRegion);
    mutable CxCriticalRegion mStatusLock ACQUIRED_AFTER(mRegion);
    SubscriptionList mSubscriptions GUARDED_BY(mRegion);
    RecordList mRecords GUARDED_BY(mRegion);
    std::map<CxString, MemoEntry> mRequestMemo GUARDED_BY(mRegion);
    CxDate mNextConfigRefresh GUARDED_BY(mRegion);
    std::map<CxString, InfoCopy> mInfoInForce GUARDED_BY(mRegion);
    std::list<CxJob*> mJobs GUARDED_BY(mRegion);
    // A download's record may be released, and its URL replaced, while its request is out. The held record a copy
    // was taken from: one carrying a serial matches only that very record.
    RecordList::iterator FindHeldRecord(const DxRecord& inRecord) REQUIRES(mRegion);
    // Whether a download's reply is still wanted: its record held and its URL still the configuration's.
    bool IsCurrentDownload(const DxRecord& inRecord, DxRecord& ioCopy, const CxString& inUrl);
    CxUint64 mLastSerial GUARDED_BY(mRegion) = 0;
    // A file a release leaves in place may have come from another URL than the new configuration's. The cached
    // date, as a request's condition: after a release, only when the file came from that very URL.
    CxDate ConditionFor(const DxRecord& inCopy, const CxString& inUrl, const CxDate& inCached);
    static CxString SourceKey(const DxRecord& inRecord);
    // The URL each file this manager stored was fetched from, by attributes and file date.
    std::map<CxString, CxString> mFileSources GUARDED_BY(mRegion);
    bool mReleased GUARDED_BY(mRegion) = false;
    // Set by Close; every request the manager makes stops while it is set.
    std::atomic<bool> mClosing{false};
    // A configuration job is queued and has not started.
    std::atomic<bool> mConfigQueued{false};
    bool mAuthenticated = true;
};

// Collects the records of one attributes string dated from one date to another, both ends included.
class DxRecordFinder
{
public:
    DxRecordFinder(const CxDate& inFrom, const CxDate& inTo, const CxString& inAttributes)
        : mFrom(inFrom), mTo(inTo), mAttributes(inAttributes)
    {
    }
    void operator()(DxRecord* inRecord);

    std::vector<DxRecord*> mRecords;
    std::vector<CxDate> mDates;

private:
    CxDate mFrom;
    CxDate mTo;
    CxString mAttributes;
};
