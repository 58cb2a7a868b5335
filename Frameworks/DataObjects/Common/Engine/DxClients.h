// The consumer side of a data set: a client keeps the dates it wants, registers a subscription with its set's
// manager, answers whether a record concerns it and owns the frame the manager built for it. Lives on the main
// thread; the manager's update thread asks NeedsToParse with the manager locked.
//
// Every most-derived destructor must call Detach() first: the update thread may be asking the client's virtual
// operations, which must not outlive the derived members they read.
#pragma once

#include "CxCriticalRegion.h"
#include "CxDate.h"
#include "CxString.h"
#include "CxTypes.h"
#include "DxManager.h"
#include "DxRecord.h"

#include <atomic>
#include <memory>
#include <vector>

class DxFrame;
class DxGrid;
class DxImage;
class DxSet;
class DxShape;
class DxTable;

class DxClient
{
public:
    DxClient();
    virtual ~DxClient();
    DxClient(const DxClient&) = delete;
    DxClient& operator=(const DxClient&) = delete;

    // Withdraws the subscription and leaves the manager, under the manager's lock; a no-op when repeated.
    void Detach();

    virtual CxString Id() const;
    virtual bool IsIdValid() const;

    void SetSet(DxSet* inSet);
    DxSet* Set() const { return mSet; }
    DxManager* Manager() const { return mManager; }
    void SetDates(const CxDate& inStart, const CxDate& inEnd);
    void SetDisplayDate(const CxDate& inDate);
    void SetInterval(CxSint32 inSeconds) { mInterval = inSeconds; }
    void SetArchiving(bool inArchiving);
    const CxDate& StartDate() const { return mStartDate; }
    const CxDate& EndDate() const { return mEndDate; }
    const CxDate& DisplayDate() const { return mDisplayDate; }
    CxDate ExpectedDate() const;
    DxSubscription Subscription() const;

    void RefreshClient();
    void SubscribeSelf();
    // Withdraws the subscription; the frame stays, but the next file delivered for its date replaces it.
    void ReleaseAndInvalidate();
    void AcceptFrame(DxFrame* inFrame);
    bool NeedsToParse(DxRecord* inRecord, const CxDate& inModified);
    bool NeedsToRequest(DxRecord* inRecord);
    void SetAuthenticated(bool inValue);
    bool IsAuthenticated() const { return mAuthenticated; }
    bool IsSubscriptionValid() const;
    bool WaitingForData() const { return mWaitingForData; }
    bool IsTemporal() const;
    bool ShowsSeconds() const;

    DxFrame* Frame() const;
    DxTable* Table() const;
    DxGrid* Grid() const;
    // No shape frames exist yet: always null.
    DxShape* Shape() const;
    DxImage* Image() const;
    CxDate FrameDate() const;
    CxDate LastModified() const;
    std::vector<CxDate> GetDatesForAnimation();

protected:
    virtual void OnSetChanged();
    virtual void OnRequestData();
    // Under the client's lock.
    virtual void OnAcceptFrame(DxFrame* inFrame) REQUIRES(mLock);
    virtual void OnClientSubscribed();
    virtual void OnReleaseAndInvalidate();
    virtual bool OnNeedsToParse(DxRecord* inRecord, const CxDate& inModified);
    virtual bool OnNeedsToRequest(DxRecord* inRecord);
    virtual void OnAuthenticationChanged();
    virtual void OnSubscriptionChanged();
    virtual void OnFrameChanged();
    virtual void OnTableChanged();
    virtual void OnShapeChanged();
    virtual void OnGridChanged();
    virtual void OnTextureChanged();

    CxDate Clip(const CxDate& inDate) const;

    DxSet* mSet = nullptr;
    DxManager* mManager = nullptr;
    std::unique_ptr<DxFrame> mFrame GUARDED_BY(mLock);
    CxDate mStartDate;
    CxDate mEndDate;
    CxDate mDisplayDate;
    CxDate mExpectedDate GUARDED_BY(mLock);
    // Taken after the manager's region, never before it. It guards what the update thread reads of the client;
    // the dates, the set and the manager are the main thread's alone (the manager changes only while the client is
    // in no manager's list, or under both locks).
    mutable CxCriticalRegion mLock ACQUIRED_AFTER(mManager->Region());
    DxSubscription mSubscription GUARDED_BY(mLock);
    bool mSubscribed GUARDED_BY(mLock) = false;
    // Released for a new configuration or login: the next file for the held frame's date is read whatever its
    // date, since the new one may carry the old one's Last-Modified; the bytes the frame was read from, read again,
    // do not count. The frame stays drawn until then.
    bool mInvalidated GUARDED_BY(mLock) = false;
    bool mArchiving = false;
    std::atomic<bool> mWaitingForData{false}; // set on the update thread
    bool mAuthenticated = true;
    CxSint32 mInterval = -1;
};
