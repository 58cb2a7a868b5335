// The manager of an image data set: pictures keyed by two category items (a first-level id, ":" and a
// second-level id). It reads the set's configuration and its description "datainfo.xml" (the category levels, the
// georeference of each first-level key and the legend of each second-level key), names and locates each picture,
// and turns a downloaded PNG, JPEG or GIF file into a placed image frame.
//
// A configuration job may replace the description at any time; every reader below takes the lock and answers
// copies.
#pragma once

#include "DxConfigParsers.h"
#include "DxManager.h"
#include "DxManagerRegistry.h"

#include <memory>
#include <vector>

class DxImageManager : public DxManager, public DxManagerRegistry<DxImageManager>
{
public:
    explicit DxImageManager(const CxString& inId);
    ~DxImageManager() override;

    // Each takes the lock; false, with the status telling which document, when the document does not read.
    bool ParseConfig(CxData& ioData);
    bool ParseProductList(CxData& ioData);

    // Past the last level: an empty id, the name "Unknown" and no items.
    DxImageCategory GetCategory(CxUint32 inIndex);
    // The level's item of that id; else that id with the name "Unknown".
    DxImageItem GetItemForCategory(CxUint32 inIndex, const DxImageItem& inItem);
    // The first georeference of that key, or null.
    std::unique_ptr<DxImageProjectionInfo> GetProjectionInfo(const CxString& inKey);
    // The first legend of that key; else one keyed "n/a" without rows.
    DxImageLegendInfo GetLegendInfo(const CxString& inKey);

    CxString ConfigUrl();
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
    void DeleteProjections() REQUIRES(mRegion);

    CxString mDataUrlFormat GUARDED_BY(mRegion);
    CxString mConfigUrl GUARDED_BY(mRegion);
    CxString mProductInfoUrl GUARDED_BY(mRegion);
    std::vector<DxImageCategory> mCategories GUARDED_BY(mRegion);
    std::vector<DxImageProjectionInfo*> mProjections GUARDED_BY(mRegion); // owned
    std::vector<DxImageLegendInfo> mLegends GUARDED_BY(mRegion);
};
