// The manager of an advisory data set: warnings and similar advisories by forecast zone, county and free
// polygon. It reads the set's configuration and product list, names and locates its documents, and builds the
// frame a client shows through the advisory reader. Zone and county outlines come from the set's outline
// archive, opened on first use; outlines no build has asked for in the last minute are freed by a purge timer.
#pragma once

#include "CxTimer.h"
#include "DxConfigParsers.h"
#include "DxManager.h"
#include "DxManagerRegistry.h"

#include <memory>
#include <vector>

class DxShape;
class DxShapeArchiveParser;

class DxAdvisoryManager : public DxManager, public CxReceiver, public DxManagerRegistry<DxAdvisoryManager>
{
public:
    // The purge timer's message.
    static constexpr CxSint32 kPurgeMessage = 6521;

    explicit DxAdvisoryManager(const CxString& inId);
    ~DxAdvisoryManager() override;

    // Each takes the lock; false, with the status telling which document, when the document does not read.
    bool ParseConfig(CxData& ioData);
    bool ParseProductList(CxData& ioData);

    // Copies taken under the lock: a configuration job may replace the list at any time.
    std::vector<DxAdvisory> AdvisoryInfo();
    CxUint32 CountAdvisoryInfo();
    // "Unknown" and "#000000" for an id no product has.
    CxString GetProductName(const CxString& inId);
    CxString GetProductColorString(const CxString& inId);
    CxString GetAdvisoryBaseUrl();
    bool AutoClosePolygons();

    // A copy of the outline of a zone or county, whose archive copy is stamped as used now; null when the archive
    // is missing, does not index the id, or cannot read its record. A copy, so that no purge can free what a
    // build is still reading. Job threads, under the lock.
    [[nodiscard]] std::unique_ptr<DxShape> RequestPolygon(const CxString& inId);
    // Frees the outlines idle for more than a minute; the index stays. Main thread.
    void PurgeShapeArchive();
    // Test and debugging view: the outlines held parsed.
    CxUint32 CountHeldOutlines();
    void OnReceiveMessage(CxMessenger* inSender, CxSint32 inCode, void* inData) override;

protected:
    DxFrame* OnBuildFrameForClient(DxRecord* inRecord, const CxString& inMime, CxData& inData,
                                   DxClient* inClient) override;
    CxString OnGetFilenameForRecord(DxRecord* inRecord, CxStringList& outFolders) override;
    bool OnAcceptData(CxData& ioData, const CxString& inExtension) override;
    CxString OnGetUrlForRecord(DxRecord* inRecord) REQUIRES(mRegion) override;
    CxString OnGetQueryUrl(const DxSubscription& inSubscription) override;
    bool OnUpdateConfig() override;

private:
    CxString mDataUrlFormat GUARDED_BY(mRegion);
    CxString mConfigUrl GUARDED_BY(mRegion);
    CxString mProductListUrl GUARDED_BY(mRegion);
    CxString mAdvisoryBaseUrl GUARDED_BY(mRegion);
    CxString mShapeResource GUARDED_BY(mRegion);
    std::vector<DxAdvisory> mAdvisories GUARDED_BY(mRegion);
    std::unique_ptr<DxShapeArchiveParser> mOutlines GUARDED_BY(mRegion);
    bool mAutoClose GUARDED_BY(mRegion) = true;
    CxMessageTimer mPurgeTimer{60000, kPurgeMessage};
};
