// The manager of a radar data set: one file per site, product and scan time. It reads the set's configuration,
// radar site list and product list, names and locates each record's file from its key (site id, a colon, product
// id), and has each downloaded file decoded by the reader its first bytes call for.
//
// A configuration job replaces the lists at any time, so they are answered as copies taken under the lock; a
// decode holds a snapshot of the product lists for as long as it runs.
#pragma once

#include "DxConfigParsers.h"
#include "DxManager.h"
#include "DxManagerRegistry.h"

#include <memory>
#include <vector>

class DxTable;

// The radar file formats, told apart by their first bytes.
enum class DxRadarFormat
{
    kLevelThree,
    kLevelTwo,
    kNetCDF,
    kCanadian
};

class DxNidsManager : public DxManager, public DxManagerRegistry<DxNidsManager>
{
public:
    explicit DxNidsManager(const CxString& inId);
    ~DxNidsManager() override;

    // Each takes the lock; false when the document does not read, with the status naming it when it threw.
    bool ParseConfig(CxData& ioData);
    bool ParseSiteList(CxData& ioData);
    bool ParseProductList(CxData& ioData);

    // "MajorProductType RADAR" Canadian, "ARCHIVE2" or "AR2" Level II, "CDF" netCDF, anything else Level III.
    static DxRadarFormat FormatOf(const CxData& inData);

    // Copies under the lock.
    std::vector<DxNidsProduct> NidsProducts();
    // The listed product of the same id, else the argument.
    DxNidsProduct FindNidsProduct(const DxNidsProduct& inProduct);
    // The first record of the code, else empty, "nada", no colours, 1 km per pixel.
    DxNidsMosaicInfo FindMosaicInfo(CxSint16 inCode);
    DxNidsRadialInfo FindRadialInfo(CxSint16 inCode);
    // The listed site of the same id with its name, else the argument.
    DxNidsSite FindNidsSite(const DxNidsSite& inSite);
    // The site table, read from the cache when none is held; may be null. Callers hold the lock for as long as
    // they use it: a refresh replaces it under the lock.
    DxTable* Sites();
    // The same table kept alive by the copy (null when none): a refresh replaces the manager's, never changes it,
    // so a decoder reads it without the lock.
    std::shared_ptr<const DxTable> SiteTable();

    CxString ConfigUrl();
    CxString SiteInfoUrl();
    CxString ProductInfoUrl();
    CxString DataUrlFormat();

protected:
    DxFrame* OnBuildFrameForClient(DxRecord* inRecord, const CxString& inMime, CxData& inData,
                                   DxClient* inClient) override;
    CxString OnGetFilenameForRecord(DxRecord* inRecord, CxStringList& outFolders) override;
    bool OnAcceptData(CxData& ioData, const CxString& inExtension) override;
    CxString OnGetUrlForRecord(DxRecord* inRecord) REQUIRES(mRegion) override;
    CxString OnGetQueryUrl(const DxSubscription& inSubscription) override;
    bool OnUpdateConfig() override;

private:
    struct ProductLists
    {
        std::vector<DxNidsProduct> mProducts;
        std::vector<DxNidsMosaicInfo> mMosaics;
        std::vector<DxNidsRadialInfo> mRadials;
    };

    std::shared_ptr<const ProductLists> mLists GUARDED_BY(mRegion);
    std::shared_ptr<DxTable> mSites GUARDED_BY(mRegion);
    CxString mDataUrlFormat GUARDED_BY(mRegion);
    CxString mConfigUrl GUARDED_BY(mRegion);
    CxString mProductInfoUrl GUARDED_BY(mRegion);
    CxString mSiteInfoUrl GUARDED_BY(mRegion);
};
