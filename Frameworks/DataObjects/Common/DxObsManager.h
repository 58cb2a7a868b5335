// The manager of a station observation data set: Kdf, XKDF and grid files, one per observation time. It reads
// the set's configuration, site list and parameter lists, names and locates the files, and has each file built
// into the station table or grid a station client asked for.
#pragma once

#include "DxManager.h"
#include "DxParm.h"

#include <map>
#include <vector>

class DxTable;

class DxObsManager : public DxManager
{
public:
    using ManagerMap = std::map<CxString, DxObsManager*>;

    // Null for an empty id; the registered manager of the id, else a new one.
    static DxManager* FindManager(const CxString& inId);
    static ManagerMap::const_iterator BeginManagers();
    static ManagerMap::const_iterator EndManagers();
    static CxUint32 CountManagers();

    explicit DxObsManager(const CxString& inId);
    ~DxObsManager() override;

    // Each takes the lock; false, with the status telling which document, when the document does not read.
    // "dataUrlFormat" is a strftime pattern: a literal "%" in the URL is written "%%".
    bool ParseConfig(CxData& ioData);
    bool ParseSiteList(CxData& ioData);
    bool ParseParmList(CxData& ioData);

    // The site list, read from the cache when none is held; may be null. Callers hold the lock.
    DxTable* Sites();
    // Copies taken under the lock: a configuration job may replace the lists at any time.
    DxParm FindParm(const CxString& inId);
    // False, leaving the output alone, when the list has no parameter of the id.
    bool FindListedParm(const CxString& inId, DxParm& outParm);
    DxDerivedParm FindDerivedParm(const CxString& inId);
    DxVectorParm FindVectorParm(const CxString& inId);
    std::vector<DxParm> Parms();
    std::vector<DxDerivedParm> DerivedParms();
    std::vector<DxVectorParm> VectorParms();

    const CxString& ConfigUrl() const { return mConfigUrl; }
    const CxString& SiteInfoUrl() const { return mSiteInfoUrl; }
    const CxString& ParmInfoUrl() const { return mParmInfoUrl; }
    const CxString& DataUrlFormat() const { return mDataUrlFormat; }

protected:
    DxFrame* OnBuildFrameForClient(DxRecord* inRecord, const CxString& inMime, CxData& inData,
                                   DxClient* inClient) override;
    CxString OnGetFilenameForRecord(DxRecord* inRecord, CxStringList& outFolders) override;
    CxString OnGetUrlForRecord(DxRecord* inRecord) override;
    CxString OnGetQueryUrl(const DxSubscription& inSubscription) override;
    bool OnUpdateConfig() override;

private:
    CxString mDataUrlFormat;
    CxString mConfigUrl;
    CxString mSiteInfoUrl;
    CxString mParmInfoUrl;
    DxTable* mSites = nullptr;
    std::vector<DxParm> mParms;
    std::vector<DxDerivedParm> mDerived;
    std::vector<DxVectorParm> mVectors;
};
