// The manager of a station observation data set: Kdf, XKDF and grid files, one per observation time. It reads
// the set's configuration, site list and parameter lists, names and locates the files, and has each file built
// into the station table or grid a station client asked for.
#pragma once

#include "DxManagerRegistry.h"
#include "DxStationManager.h"

#include <map>
#include <vector>

class DxTable;

class DxObsManager : public DxStationManager, public DxManagerRegistry<DxObsManager>
{
public:
    explicit DxObsManager(const CxString& inId);
    ~DxObsManager() override;

    // Each takes the lock; false, with the status telling which document, when the document does not read.
    // "dataUrlFormat" is a strftime pattern: a literal "%" in the URL is written "%%".
    bool ParseConfig(CxData& ioData) override;

    CxString DataUrlFormat() const
    {
        CxAutoLock lock(mRegion);
        return mDataUrlFormat;
    }

protected:
    bool OnAcceptData(CxData& ioData, const CxString& inExtension) override;
    DxFrame* OnBuildFrameForClient(DxRecord* inRecord, const CxString& inMime, CxData& inData,
                                   DxClient* inClient) override;
    CxString OnGetFilenameForRecord(DxRecord* inRecord, CxStringList& outFolders) override;
    CxString OnGetUrlForRecord(DxRecord* inRecord) REQUIRES(mRegion) override;
    CxString OnGetQueryUrl(const DxSubscription& inSubscription) override;

private:
    CxString mDataUrlFormat GUARDED_BY(mRegion);
};
