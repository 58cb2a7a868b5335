// Turns one downloaded file of a station data set into the frame a station client asked for: a table of
// stations or a grid, each requested parameter read, copied from the site list or derived, described by the set
// and converted to the requested unit. A station file becomes a grid by Barnes analysis, a grid file a table of
// grid points. Runs on the update job thread with the manager's lock held; lives for one build.
#pragma once

#include "CxData.h"
#include "CxString.h"
#include "DxObsManager.h"
#include "DxParm.h"

#include <memory>

class DxField;
class DxFrame;
class DxGrid;
class DxGridParser;
class DxKdfParser;
class DxObsClient;
class DxTable;

class DxDataBuilder
{
public:
    // The reader follows the content type; another type leaves none and both builds give null. A reader that
    // refuses the data throws through: nothing is caught here.
    DxDataBuilder(DxObsManager* inManager, CxData& ioData, const CxString& inMime);
    ~DxDataBuilder();
    DxDataBuilder(const DxDataBuilder&) = delete;
    DxDataBuilder& operator=(const DxDataBuilder&) = delete;

    // New frames the caller owns; null when nothing could be built.
    DxTable* BuildTable(DxObsClient* inClient);
    DxGrid* BuildGrid(DxObsClient* inClient);

private:
    // They ask the manager whether the client is still there, under the region the update thread holds.
    std::unique_ptr<DxTable> TableFromStations(DxObsClient* inClient) REQUIRES(mManager->Region());
    std::unique_ptr<DxGrid> GridFromGridFile(DxObsClient* inClient) REQUIRES(mManager->Region());
    std::unique_ptr<DxTable> TableFromGridFile(DxObsClient* inClient) REQUIRES(mManager->Region());
    std::unique_ptr<DxGrid> GridFromStations(DxObsClient* inClient) REQUIRES(mManager->Region());

    bool AddParmToFrame(const DxParm& inParm, DxFrame* ioFrame);
    void DeriveIt(DxFrame* ioFrame, const DxParm& inParm);
    void AddSiteInfo(DxTable* ioTable);
    bool ReadColumn(DxFrame* ioFrame, const CxString& inId);
    // Site-list columns, one value per station of the frame; nothing for a grid.
    void CloneIntField(const CxString& inId, DxFrame* ioFrame);
    void CloneFloatField(const CxString& inId, DxFrame* ioFrame);
    void CloneStringField(const CxString& inId, DxFrame* ioFrame);
    // A grid keeps only fields of one value per cell.
    bool FitsFrame(const DxFrame* inFrame, const CxString& inId) const;

    DxObsManager* mManager;
    std::unique_ptr<DxKdfParser> mTableReader;
    std::unique_ptr<DxGridParser> mGridReader;
    CxStringList mDerivationStack;
};
