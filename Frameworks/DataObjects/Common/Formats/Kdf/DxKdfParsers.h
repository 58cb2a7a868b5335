// Readers of the station files of an observation data set: Kdf, a whitespace-separated text table, and XKDF, its
// XML form. Each parses its whole file when constructed into a station table it owns, then copies columns into
// the frames the builders assemble. A reader belongs to one job thread.
#pragma once

#include "CxDate.h"
#include "CxString.h"
#include "CxTypes.h"
#include "DxConfigParsers.h"
#include "DxFrame.h"

#include <vector>

class CxData;

class DxKdfParser
{
public:
    DxKdfParser() = default;
    DxKdfParser(const DxKdfParser&) = delete;
    DxKdfParser& operator=(const DxKdfParser&) = delete;
    virtual ~DxKdfParser() = default;

    // The date of the data.
    virtual CxDate BaseDate() const = 0;
    // The date the file's header gives.
    virtual CxDate HeaderDate() const = 0;
    // Appends a copy of the column of that id (any letter case); false when there is none.
    virtual bool ParseField(DxFrame* ioFrame, const CxString& inId) = 0;
    // Every column the frame does not hold yet, in the reader's order.
    virtual bool ParseAllFields(DxFrame* ioFrame) = 0;
};

// Kdf text, version 101: line 1 the version, line 2 n and the base date (six numbers, UTC), line 3 the n + 3
// column names, then one row per station: id, number, the row's time in minutes after the base date and n more
// numbers. Values below -900 are missing. A bad header leaves the table empty and both dates missing.
class DxKdfUncompressedParser : public DxKdfParser
{
public:
    explicit DxKdfUncompressedParser(CxData& ioData);

    // The header date plus the first row's time; the header date when there is no such time.
    CxDate BaseDate() const override { return mBaseDate; }
    CxDate HeaderDate() const override { return mHeaderDate; }
    // "stid" is copied only as a string column, "stnm" only as an integer column and every other id only as a
    // float column, under the lower-cased id.
    bool ParseField(DxFrame* ioFrame, const CxString& inId) override;
    bool ParseAllFields(DxFrame* ioFrame) override;

    // The lower-cased column names, in file order.
    const std::vector<CxString>& ColumnNames() const { return mNames; }

private:
    void Parse(const char* inBytes, CxUint32 inSize);

    CxDate mBaseDate = DxFrame::NoDate();
    CxDate mHeaderDate = DxFrame::NoDate();
    std::vector<CxString> mNames;
    CxSint32 mColumnCount = 0;
    DxTable mTable;
};

// XKDF: a "kdf" instruction of a version compatible with 1.0d1, then kdf > table with "fieldref" and "record"
// children. Empty data or XML that does not parse gives an empty table and Parsed() false; a parsed document with
// a missing or incompatible version makes the constructor throw the int -1.
class DxXkdfParser : public DxKdfParser, public DxBaseParser
{
public:
    explicit DxXkdfParser(CxData& ioData);

    // The table's "date"; now when it has none.
    CxDate BaseDate() const override { return mDate; }
    CxDate HeaderDate() const override { return mDate; }
    bool ParseField(DxFrame* ioFrame, const CxString& inId) override;
    bool ParseAllFields(DxFrame* ioFrame) override;

private:
    CxDate mDate = DxFrame::NoDate();
    DxTable mTable;
};
