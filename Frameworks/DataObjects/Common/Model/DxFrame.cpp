#include "DxFrame.h"

#include "CxDebug.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

// 1904-01-01 00:00:00 UTC: 35430 days before 2001-01-01.
constexpr double kNoDateTime = -35430.0 * 86400.0;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

} // namespace

// ---- DxFrame

CxDate DxFrame::NoDate()
{
    return CxDate(kNoDateTime);
}

DxFrame::DxFrame() : mLastModified(kNoDateTime), mDate(kNoDateTime) {}

DxFrame::DxFrame(const GxProjection& inProjection)
    : GxProjector(inProjection), mLastModified(kNoDateTime), mDate(kNoDateTime)
{
}

DxFrame::~DxFrame()
{
    for (DxField* field : mFields)
        delete field;
}

DxField* DxFrame::FindField(const CxString& inId) const
{
    for (DxField* field : mFields)
    {
        if (field->Id().CompareNoCase(inId) == 0)
            return field;
    }
    return nullptr;
}

DxField* DxFrame::FindField(CxUint32 inPosition) const
{
    return inPosition < mFields.size() ? mFields[inPosition] : nullptr;
}

DxFloatField* DxFrame::FindFloatField(const CxString& inId) const
{
    return AsDxFloatField(FindField(inId));
}

DxIntField* DxFrame::FindIntField(const CxString& inId) const
{
    return AsDxIntField(FindField(inId));
}

DxStringField* DxFrame::FindStringField(const CxString& inId) const
{
    return AsDxStringField(FindField(inId));
}

DxDateField* DxFrame::FindDateField(const CxString& inId) const
{
    return AsDxDateField(FindField(inId));
}

template <typename Field> Field* DxFrame::NewField(const CxString& inId)
{
    Field* field = new Field(inId);
    mFields.push_back(field);
    return field;
}

DxFloatField* DxFrame::NewFloatField(const CxString& inId)
{
    return NewField<DxFloatField>(inId);
}

DxIntField* DxFrame::NewIntField(const CxString& inId)
{
    return NewField<DxIntField>(inId);
}

DxStringField* DxFrame::NewStringField(const CxString& inId)
{
    return NewField<DxStringField>(inId);
}

DxDateField* DxFrame::NewDateField(const CxString& inId)
{
    return NewField<DxDateField>(inId);
}

void DxFrame::AdoptField(DxField* inField, DxField* inBefore)
{
    // Holding a field twice would delete it twice.
    if (inField == nullptr || std::find(mFields.begin(), mFields.end(), inField) != mFields.end())
    {
        CxAssertText(false, "inField != nil && inField not in mFields");
        return;
    }
    auto iter = mFields.end();
    if (inBefore != nullptr)
    {
        iter = std::find(mFields.begin(), mFields.end(), inBefore);
        CxAssertText(iter != mFields.end(), "iter != mFields.end()");
    }
    mFields.insert(iter, inField);
}

void DxFrame::OrphanField(DxField* inField)
{
    const auto iter = std::find(mFields.begin(), mFields.end(), inField);
    CxAssertText(iter != mFields.end(), "iter != mFields.end()");
    if (iter != mFields.end())
        mFields.erase(iter);
}

void DxFrame::ClearField(const CxString& inId)
{
    DxField* field = FindField(inId);
    CxAssertText(field != nullptr, "field != nil");
    if (field == nullptr)
        return;
    mFields.erase(std::find(mFields.begin(), mFields.end(), field));
    delete field;
}

void DxFrame::IndexBy(const CxString& inId)
{
    mIndex.clear();
    const DxStringField* keys = FindStringField(inId);
    if (keys == nullptr)
        return;
    const CxSint32 count = CxSint32(std::min<std::size_t>(keys->size(), std::numeric_limits<CxSint32>::max()));
    for (CxSint32 record = 0; record < count; ++record)
    {
        CxString key((*keys)[std::size_t(record)]);
        key.Lowercase();
        mIndex.insert_or_assign(std::move(key), record);
    }
}

CxSint32 DxFrame::Lookup(const CxString& inKey) const
{
    CxString key(inKey);
    key.Lowercase();
    const auto found = mIndex.find(key);
    return found == mIndex.end() ? -1 : found->second;
}

void DxFrame::ReadProjection(const XmlElement* inXml)
{
    if (inXml == nullptr)
    {
        CxAssertText(false, "inXml != nil");
        return;
    }
    GxProjectionFactory factory;
    const GxProjection* read = factory.Create(inXml);
    // The factory answers an id it does not know with a radian projection; a frame keeps what it had instead.
    if (read->Id() == inXml->GetAttribute("id"))
        SetProjection(*read);
}

// ---- DxTable

DxTable::DxTable() : DxFrame(GxDegreeProjection()) {}

DxTable::DxTable(const GxProjection& inProjection) : DxFrame(inProjection) {}

DxTable* DxTable::Copy() const
{
    DxTable* table = new DxTable;
    for (auto iter = FieldBegin(); iter != FieldEnd(); ++iter)
        table->AdoptField((*iter)->Copy());
    return table;
}

void DxTable::Externalize(XmlBuilder& ioBuilder, DxTableFormat inFormat) const
{
    ioBuilder.Begin("table");
    ioBuilder.Attribute("date", DateText());
    ExternalizeProjection(ioBuilder);
    if (inFormat == kDxTableRecords)
    {
        CxUint32 records = 0;
        for (auto iter = FieldBegin(); iter != FieldEnd(); ++iter)
        {
            (*iter)->ExternalizeRef(ioBuilder);
            records = std::max(records, (*iter)->Count());
        }
        // Fields shorter than the longest give their placeholders, so the columns stay aligned.
        for (CxUint32 record = 0; record < records; ++record)
        {
            CxString row;
            for (auto iter = FieldBegin(); iter != FieldEnd(); ++iter)
            {
                if (iter != FieldBegin())
                    row += ", ";
                row += (*iter)->ValueAsString(record);
            }
            ioBuilder.Begin("record");
            ioBuilder.Content(row);
            ioBuilder.End("record");
        }
    }
    else if (inFormat == kDxTableFields)
    {
        for (auto iter = FieldBegin(); iter != FieldEnd(); ++iter)
            (*iter)->Externalize(ioBuilder);
    }
    else
        CxAssert(false);
    ioBuilder.End("table");
}

void DxTable::Internalize(const XmlElement* inXml)
{
    if (inXml == nullptr)
    {
        CxAssertText(false, "inXml != nil");
        return;
    }
    CxAssertText(inXml->Name() == "table", "inXml->Name() == \"table\"");
    SetDate(CxDate(inXml->GetAttribute("date")));
    ReadProjection(inXml->FindElement("projection"));
}

// ---- DxGrid

DxGrid::DxGrid() : DxFrame(GxDegreeProjection()) {}

DxGrid::DxGrid(const GxProjection& inProjection, CxSint32 inWidth, CxSint32 inHeight, const GxPoint& inOrigin,
               const GxPoint& inDelta)
    : DxFrame(inProjection), mWidth(inWidth), mHeight(inHeight), mOrigin(inOrigin), mDelta(inDelta)
{
}

GxRect DxGrid::Bounds() const
{
    return GxRect(mOrigin.mX, mOrigin.mY, mOrigin.mX + double(mWidth - 1) * mDelta.mX,
                  mOrigin.mY + double(mHeight - 1) * mDelta.mY);
}

double DxGrid::Bilinear(const DxFloatField* inField, const GxPoint& inPoint) const
{
    if (inField == nullptr)
        return kNaN;
    // The cell's indexes are taken only once the quotients are known to be in range: NaN, infinities and points
    // left of or below the origin never reach the integer conversion.
    const double qx = (inPoint.mX - mOrigin.mX) / mDelta.mX;
    const double qy = (inPoint.mY - mOrigin.mY) / mDelta.mY;
    if (!(qx >= 0.0 && qx < double(mWidth) - 1.0 && qy >= 0.0 && qy < double(mHeight) - 1.0))
        return kNaN;
    const CxSint64 i = CxSint64(qx);
    const CxSint64 j = CxSint64(qy);
    const CxSint64 width = mWidth;
    const CxUint64 i00 = CxUint64(i + j * width);
    const CxUint64 i01 = i00 + CxUint64(width);
    if (i01 + 1 >= inField->size())
        return kNaN;
    const double v00 = (*inField)[i00];
    const double v10 = (*inField)[i00 + 1];
    const double v01 = (*inField)[i01];
    const double v11 = (*inField)[i01 + 1];
    if (std::isnan(v00) || std::isnan(v10) || std::isnan(v01) || std::isnan(v11))
        return kNaN;
    // The weights (dx - rx)(dy - ry), rx (dy - ry), (dx - rx) ry and rx ry over dx dy, as fractions of the cell:
    // they sum to one for any cell shape, and a point on a grid point gives its value exactly.
    const double fx = (inPoint.mX - (mOrigin.mX + mDelta.mX * double(i))) / mDelta.mX;
    const double fy = (inPoint.mY - (mOrigin.mY + mDelta.mY * double(j))) / mDelta.mY;
    return (1.0 - fx) * (1.0 - fy) * v00 + fx * (1.0 - fy) * v10 + (1.0 - fx) * fy * v01 + fx * fy * v11;
}

void DxGrid::Externalize(XmlBuilder& ioBuilder) const
{
    ioBuilder.Begin("grid");
    ioBuilder.Attribute("date", DateText());
    Projection()->Externalize(ioBuilder);

    const GxPosition origin = Projection()->Unproject(mOrigin);
    ioBuilder.Begin("gridOrigin");
    ioBuilder.Attribute("x", CxString(mOrigin.mX, 3));
    ioBuilder.Attribute("y", CxString(mOrigin.mY, 3));
    ioBuilder.Attribute("lat", CxString(origin.mLatitude * 180.0 / kGxPi, 3));
    ioBuilder.Attribute("lon", CxString(origin.mLongitude * 180.0 / kGxPi, 3));
    ioBuilder.End("gridOrigin");

    ioBuilder.Begin("gridSize");
    ioBuilder.Attribute("width", CxString(mWidth));
    ioBuilder.Attribute("height", CxString(mHeight));
    ioBuilder.End("gridSize");

    ioBuilder.Begin("cellSize");
    ioBuilder.Attribute("width", CxString(mDelta.mX, 3));
    ioBuilder.Attribute("height", CxString(mDelta.mY, 3));
    ioBuilder.End("cellSize");

    for (auto iter = FieldBegin(); iter != FieldEnd(); ++iter)
        (*iter)->Externalize(ioBuilder);
    ioBuilder.End("grid");
}

void DxGrid::Internalize(const XmlElement* inXml)
{
    if (inXml == nullptr)
    {
        CxAssertText(false, "inXml != nil");
        return;
    }
    CxAssertText(inXml->Name() == "grid", "inXml->Name() == \"grid\"");
    SetDate(CxDate(inXml->GetAttribute("date")));

    if (const XmlElement* projection = inXml->FindElement("projection"))
        ReadProjection(projection);

    if (const XmlElement* origin = inXml->FindElement("gridOrigin"))
    {
        const double lon = origin->GetAttribute("lon").AsDouble();
        const double lat = origin->GetAttribute("lat").AsDouble();
        // The origin is written in degrees; other projections place it through themselves. Degrees are taken as
        // they stand, so that degree grids read back exactly what they wrote.
        if (dynamic_cast<const GxDegreeProjection*>(Projection()) != nullptr)
            mOrigin = GxPoint(lon, lat);
        else
            mOrigin = Projection()->Project(GxPosition().FromDegrees(lon, lat));
    }

    if (const XmlElement* size = inXml->FindElement("gridSize"))
    {
        // Sizes beyond the signed range are cut to it rather than wrapping negative.
        constexpr CxUint32 kMax = CxUint32(std::numeric_limits<CxSint32>::max());
        mWidth = CxSint32(std::min(size->GetAttribute("width").AsUint32(), kMax));
        mHeight = CxSint32(std::min(size->GetAttribute("height").AsUint32(), kMax));
    }

    if (const XmlElement* cell = inXml->FindElement("cellSize"))
        mDelta = GxPoint(cell->GetAttribute("width").AsDouble(), cell->GetAttribute("height").AsDouble());
}
