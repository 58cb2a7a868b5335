// The client of a time-series set: one station, a list of parameters, and one table per file date.
#pragma once

#include "DxClients.h"
#include "DxParm.h"

#include <map>
#include <memory>
#include <set>
#include <vector>

class DxSeriesManager;

class DxSeriesClient : public DxClient
{
public:
    // FrameList's copy: the frames stay the client's.
    using FrameMap = std::map<CxDate, DxFrame*>;

    DxSeriesClient() = default;
    // Leaves the manager before the frames go.
    ~DxSeriesClient() override;

    CxString Id() const override { return Site(); }
    bool IsIdValid() const override { return Site().Length() != 0; }

    // Another site drops every frame.
    void SetSite(const CxString& inSite);
    CxString Site() const;
    // Each makes every held frame due for rebuilding.
    void AddParm(const DxParm& inParm);
    void RemoveParm(const DxParm& inParm);
    // Name and type from the set's definition; the manager's lock guards the lists it reads.
    void UpdateParm(DxParm& ioParm);
    std::vector<DxParm> Parms() const;
    CxUint32 Interval() const { return mSeriesInterval; }

    // A copy; the frames stay the client's.
    FrameMap FrameList() const;
    CxDate LastModified(const CxDate& inDate) const;
    void DeleteFrames();

protected:
    void OnSetChanged() override;
    void OnRequestData() override;
    void OnAcceptFrame(DxFrame* inFrame) REQUIRES(mLock) override;
    void OnClientSubscribed() override;
    bool OnNeedsToParse(DxRecord* inRecord, const CxDate& inModified) override;
    bool OnNeedsToRequest(DxRecord* inRecord) override;
    void OnSubscriptionChanged() override;
    void OnReleaseAndInvalidate() override;

private:
    DxSeriesManager* SeriesManager() const;
    // Caller holds the client lock.
    bool Wanted(const DxRecord* inRecord) const REQUIRES(mLock);

    std::vector<DxParm> mParms GUARDED_BY(mLock);
    CxString mSite GUARDED_BY(mLock);
    CxUint32 mSeriesInterval = 300;
    std::map<CxDate, std::unique_ptr<DxFrame>> mFrames GUARDED_BY(mLock);
    // The dates whose frames were held at a release and wait for their next file, whatever its date says.
    std::set<CxDate> mReleased GUARDED_BY(mLock);
};
