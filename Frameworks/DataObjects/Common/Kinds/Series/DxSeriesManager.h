// The manager of a time-series data set: one KTS file per station and period. It reads the set's configuration,
// site list and parameter lists, names and locates each station's files, and turns a downloaded file into the
// station table a series client asked for.
#pragma once

#include "DxManagerRegistry.h"
#include "DxStationManager.h"

#include <map>
#include <vector>

class DxTable;

class DxSeriesManager : public DxStationManager, public DxManagerRegistry<DxSeriesManager>
{
public:
    explicit DxSeriesManager(const CxString& inId);
    ~DxSeriesManager() override;

    // Each takes the lock; false, with the status telling which document, when the document does not read.
    bool ParseConfig(CxData& ioData) override;

    CxUint32 GetDataInterval() const;
    // The latest data step at or before the date, in UTC.
    CxDate ClipDateToDataResolution(const CxDate& inDate) const;

    CxString TimeSeriesUrlFormat() const
    {
        CxAutoLock lock(mRegion);
        return mTimeSeriesUrlFormat;
    }

protected:
    DxFrame* OnBuildFrameForClient(DxRecord* inRecord, const CxString& inMime, CxData& inData,
                                   DxClient* inClient) override;
    CxString OnGetFilenameForRecord(DxRecord* inRecord, CxStringList& outFolders) override;
    bool OnAcceptData(CxData& ioData, const CxString& inExtension) override;
    CxString OnGetUrlForRecord(DxRecord* inRecord) REQUIRES(mRegion) override;
    CxString OnGetQueryUrl(const DxSubscription& inSubscription) override;

private:
    CxString mDataUrlFormat GUARDED_BY(mRegion);
    CxString mTimeSeriesUrlFormat GUARDED_BY(mRegion);
    CxSint32 mDataResolution GUARDED_BY(mRegion) = 300;
};
