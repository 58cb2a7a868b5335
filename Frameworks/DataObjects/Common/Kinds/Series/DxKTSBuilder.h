// Turns one downloaded KTS file into the station table a series client asked for: each requested parameter
// taken from the file, from the set's site list or derived, in the requested unit. Runs on the update job
// thread with the manager's lock held; lives for one build.
#pragma once

#include "CxData.h"
#include "CxString.h"
#include "DxParm.h"
#include "DxSeriesManager.h"

#include <memory>

class DxFloatField;
class DxKdfUncompressedParser;
class DxSeriesClient;
class DxTable;

class DxKTSBuilder
{
public:
    DxKTSBuilder(DxSeriesManager* inManager, CxData& ioData);
    ~DxKTSBuilder();
    DxKTSBuilder(const DxKTSBuilder&) = delete;
    DxKTSBuilder& operator=(const DxKTSBuilder&) = delete;

    // A new table the caller owns; null when a parameter or "time:secs" is missing or the client has left.
    DxTable* BuildTable(DxSeriesClient* inClient);

private:
    void AddParmToTable(const DxParm& inParm, DxTable* ioTable);
    void DeriveIt(DxTable* ioTable, const DxParm& inParm);
    // Site-list columns, one value per row's station; null without a site list or such a column.
    void CloneIntField(const CxString& inId, DxTable* ioTable);
    void CloneFloatField(const CxString& inId, DxTable* ioTable);
    void CloneStringField(const CxString& inId, DxTable* ioTable);
    static void ConvertUnits(DxFloatField* ioField, const DxUnit& inUnit);

    DxSeriesManager* mManager;
    std::unique_ptr<DxKdfUncompressedParser> mParser;
    CxStringList mDerivationStack;
};
