// ESRI shapefile main files (".shp" bytes, without index or attributes): read into shapes and written back.
// Polyline and polygon parts become polygons; point files read as empty shapes.
#pragma once

#include "CxData.h"
#include "CxError.h"
#include "DxShape.h"

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
