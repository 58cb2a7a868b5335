// Readers of analysed grids: netCDF files and XML grid documents. A reader parses its file when constructed, then
// answers the grid's geometry and adds fields, one by id, to a frame. A reader belongs to one job thread.
#pragma once

#include "CxDate.h"
#include "CxFile.h"
#include "CxString.h"
#include "CxTypes.h"
#include "DxNetCDFSupport.h"
#include "GxCoordinates.h"
#include "GxProjection.h"
#include "XmlParser.h"

#include <memory>

class CxData;
class DxFrame;

class DxGridParser : public GxProjector
{
public:
    // The most cells a reader accepts; a larger grid keeps the size 0 by 0.
    static constexpr CxUint32 kMaxCells = kDxMaxGridCells;

    // A degree projection, no cells, the current time.
    DxGridParser();

    const CxDate& BaseDate() const { return mBaseDate; }
    CxUint32 Width() const { return mWidth; }
    CxUint32 Height() const { return mHeight; }
    // Projected units.
    const GxPoint& CellSize() const { return mCellSize; }
    const GxPoint& Origin() const { return mOrigin; }

    // Adds the field of that id to the frame; true when found (XML) or read (netCDF).
    virtual bool ParseField(DxFrame* ioFrame, const CxString& inId) = 0;

protected:
    // Takes the size unless it is above the cap (debug line, then 0 by 0).
    void SetSize(CxUint32 inWidth, CxUint32 inHeight);

    CxUint32 mWidth = 0;
    CxUint32 mHeight = 0;
    GxPoint mCellSize;
    GxPoint mOrigin;
    CxDate mBaseDate;
};

// netCDF grid: dimensions "lon" (width) and "lat" (height), the global "LatGridSpacing" as both cell sizes and
// one variable per field. The library reads files only, so the data is copied to "netcdf-grid.<pid><token>.tmp".
// The format carries neither origin nor date: the origin stays (0, 0), the date the construction time.
class DxNetCDFGridParser : public DxGridParser
{
public:
    explicit DxNetCDFGridParser(CxData& ioData);
    ~DxNetCDFGridParser() override;

    // A short, int, float or double variable of width x height values becomes a float field (true). Other types
    // add nothing (true); a missing variable, another shape or a failed read add nothing (false).
    bool ParseField(DxFrame* ioFrame, const CxString& inId) override;

private:
    // Its address tells the temporary files of two live readers apart.
    std::unique_ptr<char> mToken;
    std::unique_ptr<DxTemporaryFile> mFile;
    CxSint32 mNcId = -1;
};

// XML grid: "grid" with "date", then "projection", "gridOrigin" (lat, lon), "gridSize" (width, height) and
// "cellSize" (width, height); reading stops at the first missing one. Then "field" elements (id, type, name,
// units) whose text holds the values.
class DxXmlGridParser : public DxGridParser, public XmlParser
{
public:
    explicit DxXmlGridParser(CxData& ioData);

    bool Parsed() const { return mParsed; }
    // Every "field" of exactly that id; true when one matched. With a size known, a field of another count of
    // values is not added (debug line).
    bool ParseField(DxFrame* ioFrame, const CxString& inId) override;

private:
    bool mParsed = false;
};
