// Frames: what decoding one data file for one date gives. A frame owns typed fields, carries a valid date, a
// last-modified date and a projection (it is the projector holding it). Station tables hold one value per record in
// every field; grids hold one value per grid point, row by row with the column index fastest, row 0 through the
// origin. Frames carry no lock: one thread builds a frame, then hands it over whole.
#pragma once

#include "CxDate.h"
#include "CxString.h"
#include "CxTypes.h"
#include "DxField.h"
#include "GxCoordinates.h"
#include "GxProjection.h"

#include <map>
#include <vector>

class XmlBuilder;
class XmlElement;

class DxFrame : public GxProjector
{
public:
    using FieldList = std::vector<DxField*>;
    using iterator = FieldList::iterator;
    using const_iterator = FieldList::const_iterator;
    using reverse_iterator = FieldList::reverse_iterator;
    using const_reverse_iterator = FieldList::const_reverse_iterator;

    // 1904-01-01 00:00:00 UTC, which means no date throughout the data model.
    static CxDate NoDate();

    // A radian projection.
    DxFrame();
    explicit DxFrame(const GxProjection& inProjection);
    DxFrame(const DxFrame&) = delete;
    DxFrame& operator=(const DxFrame&) = delete;
    // Deletes every field.
    ~DxFrame() override;

    const CxDate& Date() const { return mDate; }
    void SetDate(const CxDate& inDate) { mDate = inDate; }
    const CxDate& LastModified() const { return mLastModified; }
    void SetLastModified(const CxDate& inDate) { mLastModified = inDate; }
    // The digest of the file bytes it was decoded from; 0 when not known.
    void SetFileDigest(CxUint64 inDigest) { mFileDigest = inDigest; }
    // Whether it was decoded from bytes of that digest; never for a digest not known.
    bool IsReadFrom(CxUint64 inDigest) const { return inDigest != 0 && inDigest == mFileDigest; }

    iterator FieldBegin() { return mFields.begin(); }
    iterator FieldEnd() { return mFields.end(); }
    const_iterator FieldBegin() const { return mFields.begin(); }
    const_iterator FieldEnd() const { return mFields.end(); }
    reverse_iterator FieldReverseBegin() { return mFields.rbegin(); }
    reverse_iterator FieldReverseEnd() { return mFields.rend(); }
    const_reverse_iterator FieldReverseBegin() const { return mFields.rbegin(); }
    const_reverse_iterator FieldReverseEnd() const { return mFields.rend(); }
    CxUint32 CountFields() const { return CxUint32(mFields.size()); }

    // The first field whose id matches regardless of letter case; null when none does.
    DxField* FindField(const CxString& inId) const;
    // Null when the position is not below the field count.
    DxField* FindField(CxUint32 inPosition) const;
    // Null when absent or of another kind.
    DxFloatField* FindFloatField(const CxString& inId) const;
    DxIntField* FindIntField(const CxString& inId) const;
    DxStringField* FindStringField(const CxString& inId) const;
    DxDateField* FindDateField(const CxString& inId) const;

    // Empty fields, appended and owned by the frame.
    DxFloatField* NewFloatField(const CxString& inId);
    DxIntField* NewIntField(const CxString& inId);
    DxStringField* NewStringField(const CxString& inId);
    DxDateField* NewDateField(const CxString& inId);

    // Takes ownership and inserts in front of inBefore; appends when inBefore is null or (reported) not here.
    // A null field or one the frame already holds is reported and left alone.
    void AdoptField(DxField* inField, DxField* inBefore = nullptr);
    // Gives the field back to the caller without deleting it; a field not here is reported.
    void OrphanField(DxField* inField);
    // Removes and deletes the field FindField finds; an unknown id is reported.
    void ClearField(const CxString& inId);

    // Indexes the records by the lower-cased values of a string field; the last of equal keys wins. Without such
    // a field the index stays empty.
    void IndexBy(const CxString& inId);
    // The record index of the key regardless of letter case, or -1.
    CxSint32 Lookup(const CxString& inKey) const;

protected:
    // Takes the projection a "projection" element describes. No element is reported; an element the factory
    // cannot read (it reports that) leaves the projection as it was.
    void ReadProjection(const XmlElement* inXml);
    // "date" attribute as "YYYY-MM-DD hh:mm:ss UTC".
    CxString DateText() const { return mDate.AsString(); }

private:
    template <typename Field> Field* NewField(const CxString& inId);

    FieldList mFields;
    std::map<CxString, CxSint32> mIndex;
    CxDate mLastModified;
    CxDate mDate;
    CxUint64 mFileDigest = 0;
};

enum DxTableFormat : CxSint32
{
    kDxTableRecords = 0, // field references, then one "record" element per record
    kDxTableFields = 1   // one "field" element per field
};

// Station records: record i is index i of every field.
class DxTable : public DxFrame
{
public:
    // Longitude and latitude in degrees.
    DxTable();
    explicit DxTable(const GxProjection& inProjection);

    // A table in the degree projection holding a copy of every field; dates, projection and index stay behind.
    [[nodiscard]] DxTable* Copy() const;

    void Externalize(XmlBuilder& ioBuilder, DxTableFormat inFormat) const;
    // Reads the date and the projection only; the readers of station files fill the fields themselves.
    void Internalize(const XmlElement* inXml);
};

// A regular grid: point (i, j) lies at origin + (i dx, j dy) in projected units, its values at i + j width.
class DxGrid : public DxFrame
{
public:
    // Degree projection, 0 by 0 points, origin and cell size (0, 0).
    DxGrid();
    DxGrid(const GxProjection& inProjection, CxSint32 inWidth, CxSint32 inHeight, const GxPoint& inOrigin,
           const GxPoint& inDelta);

    CxSint32 Width() const { return mWidth; }
    CxSint32 Height() const { return mHeight; }
    const GxPoint& Origin() const { return mOrigin; }
    const GxPoint& Delta() const { return mDelta; }
    // Through the outermost grid points.
    GxRect Bounds() const;

    // The field interpolated at a projected point from the four corners of its cell. NaN outside the grid, on
    // its last row or column, at a missing corner, for a NaN point, a null field or one too short for the grid.
    double Bilinear(const DxFloatField* inField, const GxPoint& inPoint) const;
    double Bilinear(const DxFloatField& inField, const GxPoint& inPoint) const { return Bilinear(&inField, inPoint); }

    void Externalize(XmlBuilder& ioBuilder) const;
    // Date, projection, origin, size and cell size, each when its element is present; fields are not read.
    void Internalize(const XmlElement* inXml);

private:
    CxSint32 mWidth = 0;
    CxSint32 mHeight = 0;
    GxPoint mOrigin;
    GxPoint mDelta;
};
