// ESRI shapefile main files (".shp" bytes, without index or attributes): read into shapes and written back.
// Polyline and polygon parts become polygons; point files read as empty shapes.
#pragma once

#include "CxData.h"
#include "CxDate.h"
#include "CxError.h"
#include "DxShape.h"

#include <map>

class CxFile;

CX_DECLARE_ERROR_CLASS(DxErrorShape, CxError)
CX_DECLARE_ERROR_CLASS(DxErrorShapeUnsupportedFileCode, DxErrorShape)
CX_DECLARE_ERROR_CLASS(DxErrorShapeNonzeroUnusedHeaderField, DxErrorShape)
CX_DECLARE_ERROR_CLASS(DxErrorShapeInvalidSize, DxErrorShape)
CX_DECLARE_ERROR_CLASS(DxErrorShapeUnsupportedVersion, DxErrorShape)
CX_DECLARE_ERROR_CLASS(DxErrorShapeWrongType, DxErrorShape)

struct DxPolygonHeader
{
    double mXMin = 0.0;
    double mYMin = 0.0;
    double mXMax = 0.0;
    double mYMax = 0.0;
    CxSint32 mNumParts = 0;
    CxSint32 mNumPoints = 0;
};

class DxShapeParser : public GxProjector
{
public:
    // Shapes in the degree projection.
    DxShapeParser();
    ~DxShapeParser() override;

    // Null when the data is not a valid shapefile.
    [[nodiscard]] DxShape* ParseShape(CxData& ioData);
    // Throws the DxErrorShape family; the shape then holds what was built so far.
    void ParseIntoShape(CxData& ioData, DxShape* ioShape);

    void DebugHeader() const;
    void DebugPolygon(const DxPolygonHeader& inHeader, const CxSint32* inParts) const;

    // Read back from the last parsed header.
    CxSint32 FileType() const { return mShapeType; }

private:
    class Cursor;

    void ParseHeader(Cursor& ioCursor);
    void ParseRecords(Cursor& ioCursor);
    void ParseParts(Cursor& ioCursor, CxUint32 inContentEnd);

    CxSint32 mFileCode = 0;
    CxSint32 mUnused[5] = {};
    CxSint32 mFileLength = 0;
    CxSint32 mVersion = 0;
    CxSint32 mShapeType = 0;
    double mBox[8] = {};
    DxShape* mShape = nullptr;
    bool mUnchanged = false;
};

class DxShapeFileWriter
{
public:
    // Replaces the file's bytes; a shape of type 1234 is not written (the file is left alone).
    void WriteShape(CxFile& ioFile, DxShape& inShape);
};

// A ".wxshp" archive: an index of 8-byte ids and record offsets in front of a shapefile main file. Shapes are
// parsed on first request, kept with their time of last use, and freed by PurgeShapes. No lock of its own.
class DxShapeArchiveParser
{
public:
    // A header error leaves the entries read before it and no exception.
    explicit DxShapeArchiveParser(CxFile& inFile);
    explicit DxShapeArchiveParser(CxData& inData);
    ~DxShapeArchiveParser();
    DxShapeArchiveParser(const DxShapeArchiveParser&) = delete;
    DxShapeArchiveParser& operator=(const DxShapeArchiveParser&) = delete;

    // Owned by the archive; null for an unknown id, a null record or a record outside the data. Stamps the
    // shape's date with now. Throws DxErrorShapeWrongType and DxErrorShapeInvalidSize for a bad record.
    DxShape* GetShapeForId(const CxString& inId);
    // Frees the shapes last used before the date; they are parsed again on their next request.
    void PurgeShapes(const CxDate& inDate);
    CxUint32 CountEntries() const { return CxUint32(mIndex.size()); }
    // The shapes parsed and not yet purged.
    CxUint32 CountShapes() const;

private:
    struct Entry
    {
        CxUint32 mPosition = 0;
        std::unique_ptr<DxShape> mShape;
    };

    void ReadHeader();
    // The record's content; empty when the record lies outside the data.
    CxData ReadData(CxUint32 inPosition) const;
    std::unique_ptr<DxShape> ParseShape(CxData& ioData) const;

    CxData mData;
    CxUint32 mHeaderLength = 0;
    CxSint32 mShapeType = 0;
    std::map<CxString, Entry> mIndex;
};
