// The manager of a shape data set: one shape per region and feature (the record key is the region, a colon and
// the feature), from an ESRI shapefile or the set's own point-list file. It reads the set's configuration and its
// list of regions and features, names and locates each shape's file, and turns a downloaded file into the shape a
// client asked for.
#pragma once

#include "DxConfigParsers.h"
#include "DxManager.h"
#include "DxManagerRegistry.h"

#include <vector>

class DxShapeManager : public DxManager, public DxManagerRegistry<DxShapeManager>
{
public:
    explicit DxShapeManager(const CxString& inId);
    ~DxShapeManager() override;

    // Each takes the lock; false, with the status telling which document, when the document does not read.
    bool ParseConfig(CxData& ioData);
    bool ParseShapeList(CxData& ioData);

    // Copies taken under the lock: a configuration job may replace the lists at any time.
    std::vector<DxRegion> Regions();
    std::vector<DxFeature> Features();
    // The first entry of that id; when none, one whose id and name are both the id.
    DxRegion FindRegion(const CxString& inId);
    DxFeature FindFeature(const CxString& inId);

    // Whether closed polygons are filled as one tessellated polygon rather than one by one.
    bool FillAsSinglePolygon();
    CxString ConfigUrl();
    CxString ShapeListUrl();
    CxString DataUrlFormat();

    // Older versions kept a set's files in "<id>/shapes"; moves them into "<id>/data" unless both exist. Runs
    // before the cache is made, as the cache makes "data". Any failure ends it, leaving what was moved. Returns
    // the id.
    static const CxString& RenameShapesFolderPleaseRemoveInAFutureVersion(const CxString& inId);

protected:
    DxFrame* OnBuildFrameForClient(DxRecord* inRecord, const CxString& inMime, CxData& inData,
                                   DxClient* inClient) override;
    CxString OnGetFilenameForRecord(DxRecord* inRecord, CxStringList& outFolders) override;
    bool OnAcceptData(CxData& ioData, const CxString& inExtension) override;
    CxString OnGetUrlForRecord(DxRecord* inRecord) REQUIRES(mRegion) override;
    CxString OnGetQueryUrl(const DxSubscription& inSubscription) override;
    bool OnUpdateConfig() override;
    bool OnGuessDataExtension(CxData& inData, CxString& ioExtension) override;

private:
    std::vector<DxRegion> mRegions GUARDED_BY(mRegion);
    std::vector<DxFeature> mFeatures GUARDED_BY(mRegion);
    CxString mDataUrlFormat GUARDED_BY(mRegion);
    CxString mConfigUrl GUARDED_BY(mRegion);
    CxString mShapeListUrl GUARDED_BY(mRegion);
    bool mFillAsSinglePolygon GUARDED_BY(mRegion) = true;
};
