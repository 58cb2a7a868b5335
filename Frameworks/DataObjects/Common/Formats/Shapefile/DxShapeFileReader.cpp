#include "DxShapeFileReader.h"

#include "CxDebug.h"
#include "CxFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

namespace
{
constexpr CxSint32 kFileCode = 9994;
constexpr CxSint32 kVersion = 1000;
constexpr CxUint32 kHeaderBytes = 100;
constexpr CxUint32 kRecordHeaderBytes = 8;
constexpr CxUint32 kPolyFixedBytes = 44; // type, box, part and point counts

// Locks the data for the parse and unlocks it on every way out.
class DataLock
{
public:
    explicit DataLock(CxData& ioData) : mData(ioData) { mData.Lock(); }
    ~DataLock() { mData.Unlock(); }
    DataLock(const DataLock&) = delete;
    DataLock& operator=(const DataLock&) = delete;

private:
    CxData& mData;
};

CxUint32 LoadBig(const unsigned char* inBytes)
{
    return CxUint32(inBytes[0]) << 24 | CxUint32(inBytes[1]) << 16 | CxUint32(inBytes[2]) << 8 | inBytes[3];
}

CxUint32 LoadLittle(const unsigned char* inBytes)
{
    return CxUint32(inBytes[3]) << 24 | CxUint32(inBytes[2]) << 16 | CxUint32(inBytes[1]) << 8 | inBytes[0];
}

double LoadDouble(const unsigned char* inBytes)
{
    const unsigned long long bits = (unsigned long long)LoadLittle(inBytes + 4) << 32 | LoadLittle(inBytes);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void StoreBig(std::vector<unsigned char>& ioBytes, CxUint32 inValue)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        ioBytes.push_back(static_cast<unsigned char>(inValue >> shift));
}

void StoreLittle(std::vector<unsigned char>& ioBytes, CxUint32 inValue)
{
    for (int shift = 0; shift <= 24; shift += 8)
        ioBytes.push_back(static_cast<unsigned char>(inValue >> shift));
}

void StoreDouble(std::vector<unsigned char>& ioBytes, double inValue)
{
    unsigned long long bits;
    std::memcpy(&bits, &inValue, sizeof bits);
    StoreLittle(ioBytes, CxUint32(bits));
    StoreLittle(ioBytes, CxUint32(bits >> 32));
}

void StoreBox(std::vector<unsigned char>& ioBytes, const GxRect& inBox)
{
    StoreDouble(ioBytes, inBox.mLeft);
    StoreDouble(ioBytes, inBox.mBottom);
    StoreDouble(ioBytes, inBox.mRight);
    StoreDouble(ioBytes, inBox.mTop);
}

// Polyline and polygon content (from its shape type on): the counts must fit the record, since the part starts
// and points are taken from it in place. Hands every point over, telling which ones start a part.
void ReadPolyContent(const unsigned char* inContent, CxUint32 inBytes,
                     const std::function<void(bool, double, double)>& inPoint)
{
    if (inBytes < kPolyFixedBytes)
        throw DxErrorShapeInvalidSize(__FILE__, __LINE__);
    const CxUint32 parts = LoadLittle(inContent + 36);
    const CxUint32 points = LoadLittle(inContent + 40);
    if (CxSint32(parts) < 0 || CxSint32(points) < 0 || (points > 0 && parts == 0) ||
        kPolyFixedBytes + 4ull * parts + 16ull * points > inBytes)
        throw DxErrorShapeInvalidSize(__FILE__, __LINE__);
    const unsigned char* partBytes = inContent + kPolyFixedBytes;
    const unsigned char* pointBytes = partBytes + 4 * size_t(parts);
    CxUint32 previous = 0;
    for (CxUint32 i = 0; i < parts; ++i)
    {
        const CxUint32 start = LoadLittle(partBytes + 4 * size_t(i));
        if ((i == 0 && start != 0) || start < previous || start >= points)
            throw DxErrorShapeInvalidSize(__FILE__, __LINE__);
        previous = start;
    }
    CxUint32 nextPart = 0;
    for (CxUint32 i = 0; i < points; ++i)
    {
        bool newPart = false;
        while (nextPart < parts && LoadLittle(partBytes + 4 * size_t(nextPart)) == i)
        {
            newPart = true;
            ++nextPart;
        }
        inPoint(newPart, LoadDouble(pointBytes + 16 * size_t(i)), LoadDouble(pointBytes + 16 * size_t(i) + 8));
    }
}
} // namespace

// Reads within the data; any read past its end is a size error rather than a stray load.
class DxShapeParser::Cursor
{
public:
    Cursor(const unsigned char* inBytes, CxUint32 inSize) : mBytes(inBytes), mSize(inSize) {}

    CxUint32 Position() const { return mPosition; }
    CxUint32 Size() const { return mSize; }
    bool AtEnd() const { return mPosition >= mSize; }
    const unsigned char* Take(CxUint32 inCount)
    {
        if (inCount > mSize - mPosition)
            throw DxErrorShapeInvalidSize(__FILE__, __LINE__);
        const unsigned char* bytes = mBytes + mPosition;
        mPosition += inCount;
        return bytes;
    }
    CxSint32 Big() { return CxSint32(LoadBig(Take(4))); }
    CxSint32 Little() { return CxSint32(LoadLittle(Take(4))); }
    double Double() { return LoadDouble(Take(8)); }
    void SkipTo(CxUint32 inPosition) { mPosition = inPosition; }

private:
    const unsigned char* mBytes;
    CxUint32 mSize;
    CxUint32 mPosition = 0;
};

DxShapeParser::DxShapeParser() : GxProjector(GxDegreeProjection()) {}

DxShapeParser::~DxShapeParser() = default;

DxShape* DxShapeParser::ParseShape(CxData& ioData)
{
    auto shape = std::make_unique<DxShape>(*Projection());
    const bool degrees = dynamic_cast<const GxDegreeProjection*>(Projection()) != nullptr;
    try
    {
        DataLock lock(ioData);
        mShape = shape.get();
        mUnchanged = degrees;
        Cursor cursor(static_cast<const unsigned char*>(ioData.Pointer()), ioData.Size());
        mShape->BeginData();
        ParseHeader(cursor);
        ParseRecords(cursor);
        mShape->EndData();
    }
    catch (const DxErrorShape&)
    {
        mShape = nullptr;
        return nullptr;
    }
    mShape = nullptr;
    return shape.release();
}

void DxShapeParser::ParseIntoShape(CxData& ioData, DxShape* ioShape)
{
    if (ioShape == nullptr)
        return;
    DataLock lock(ioData);
    mShape = ioShape;
    mUnchanged = *ioShape->Projection() == *Projection();
    Cursor cursor(static_cast<const unsigned char*>(ioData.Pointer()), ioData.Size());
    mShape->BeginData();
    try
    {
        ParseHeader(cursor);
        ParseRecords(cursor);
    }
    catch (...)
    {
        mShape->EndData();
        mShape = nullptr;
        throw;
    }
    mShape->EndData();
    mShape = nullptr;
}

void DxShapeParser::ParseHeader(Cursor& ioCursor)
{
    if (ioCursor.Size() < kHeaderBytes)
        throw DxErrorShapeInvalidSize(__FILE__, __LINE__);
    mFileCode = ioCursor.Big();
    for (CxSint32& word : mUnused)
        word = ioCursor.Big();
    mFileLength = ioCursor.Big();
    mVersion = ioCursor.Little();
    mShapeType = ioCursor.Little();
    for (double& value : mBox)
        value = ioCursor.Double();
    if (mFileCode != kFileCode)
        throw DxErrorShapeUnsupportedFileCode(__FILE__, __LINE__);
    for (CxSint32 word : mUnused)
        if (word != 0)
            throw DxErrorShapeNonzeroUnusedHeaderField(__FILE__, __LINE__);
    if (static_cast<unsigned long long>(CxUint32(mFileLength)) * 2 != ioCursor.Size())
        throw DxErrorShapeInvalidSize(__FILE__, __LINE__);
    if (mVersion != kVersion)
        throw DxErrorShapeUnsupportedVersion(__FILE__, __LINE__);
    // A shape read from a shapefile is no longer of the program's own type.
    mShape->SetType(mShapeType);
}

void DxShapeParser::ParseRecords(Cursor& ioCursor)
{
    while (!ioCursor.AtEnd())
    {
        (void)ioCursor.Big(); // record number
        const CxUint32 contentBytes = CxUint32(ioCursor.Big()) * 2u;
        const CxUint32 contentStart = ioCursor.Position();
        if (contentBytes > ioCursor.Size() - contentStart || contentBytes < 4)
            throw DxErrorShapeInvalidSize(__FILE__, __LINE__);
        const CxUint32 contentEnd = contentStart + contentBytes;
        const CxSint32 type = ioCursor.Little();
        if (type != mShapeType)
        {
            if (type != kDxShapeNull)
                throw DxErrorShapeWrongType(__FILE__, __LINE__);
        }
        else if (type == kDxShapePolyLine || type == kDxShapePolygon)
            ParseParts(ioCursor, contentEnd);
        ioCursor.SkipTo(contentEnd);
    }
}

void DxShapeParser::ParseParts(Cursor& ioCursor, CxUint32 inContentEnd)
{
    const CxUint32 contentStart = ioCursor.Position() - 4;
    const unsigned char* content = ioCursor.Take(0) - 4;
    ReadPolyContent(content, inContentEnd - contentStart,
                    [this](bool inNewPart, double inX, double inY)
                    {
                        if (inNewPart)
                            mShape->AcceptVertex(false);
                        if (mUnchanged)
                            mShape->AcceptPoint(GxPoint(inX, inY));
                        else
                            mShape->AcceptPosition(GxPosition().FromDegrees(inX, inY));
                    });
}

void DxShapeParser::DebugHeader() const
{
    std::printf("fileCode = %ld\n", long(mFileCode));
    for (int i = 0; i < 5; ++i)
        std::printf("unused%d = %ld\n", i + 1, long(mUnused[i]));
    std::printf("fileLength = %ld\nversion = %ld\nshapeType = %ld\n", long(mFileLength), long(mVersion),
                long(mShapeType));
    static const char* const kNames[] = {"xmin", "ymin", "xmax", "ymax", "zmin", "zmax", "mmin", "mmax"};
    for (int i = 0; i < 8; ++i)
        std::printf("%s = %0.3f\n", kNames[i], mBox[i]);
}

void DxShapeParser::DebugPolygon(const DxPolygonHeader& inHeader, const CxSint32* inParts) const
{
    std::printf("*** Polygon ***\nxmin = %0.3f\nymin = %0.3f\nxmax = %0.3f\nymax = %0.3f\n", inHeader.mXMin,
                inHeader.mYMin, inHeader.mXMax, inHeader.mYMax);
    std::printf("numParts = %ld\nnumPoints = %ld\n", long(inHeader.mNumParts), long(inHeader.mNumPoints));
    for (CxSint32 i = 0; inParts != nullptr && i < inHeader.mNumParts; ++i)
        std::printf("part %ld = %ld\n", long(i), long(inParts[i]));
}

void DxShapeFileWriter::WriteShape(CxFile& ioFile, DxShape& inShape)
{
    const CxSint32 type = inShape.Type();
    if (type == kDxShapeNotEsri)
    {
        CxDebug("Cannot export non-ESRI shape to ESRI shapefile");
        return;
    }
    std::vector<unsigned char> records;
    CxSint32 number = 0;
    CxUint32 written = 0;
    CxUint32 writtenPoints = 0;
    for (const auto& polygon : inShape.Polygons())
    {
        ++number;
        const CxUint32 count = polygon->CountPoints();
        if (type == kDxShapePoint)
        {
            for (const GxPoint& point : polygon->Points())
            {
                StoreBig(records, CxUint32(number));
                StoreBig(records, 10);
                StoreLittle(records, kDxShapePoint);
                StoreDouble(records, point.mX);
                StoreDouble(records, point.mY);
            }
        }
        else if ((type == kDxShapePolyLine || type == kDxShapePolygon) && count > 0)
        {
            StoreBig(records, CxUint32(++written));
            writtenPoints += count;
            StoreBig(records, 24 + 8 * count);
            StoreLittle(records, CxUint32(type));
            StoreBox(records, polygon->Bounds());
            StoreLittle(records, 1);
            StoreLittle(records, count);
            StoreLittle(records, 0);
            for (const GxPoint& point : polygon->Points())
            {
                StoreDouble(records, point.mX);
                StoreDouble(records, point.mY);
            }
        }
    }
    if (type == kDxShapePolygon)
    {
        const CxString counts =
            "wrote " + CxString(CxSint32(written)) + " polygons, " + CxString(CxSint32(writtenPoints)) + " points";
        CxDebug(counts);
    }
    // The length word counts the bytes actually written, so that other readers accept the file.
    std::vector<unsigned char> bytes;
    StoreBig(bytes, kFileCode);
    for (int i = 0; i < 5; ++i)
        StoreBig(bytes, 0);
    StoreBig(bytes, CxUint32((kHeaderBytes + records.size()) / 2));
    StoreLittle(bytes, kVersion);
    StoreLittle(bytes, CxUint32(type));
    StoreBox(bytes, inShape.Bounds());
    for (int i = 0; i < 4; ++i)
        StoreDouble(bytes, 0.0);
    bytes.insert(bytes.end(), records.begin(), records.end());
    CxData data(bytes.data(), CxUint32(bytes.size()));
    ioFile.WriteContents(data);
}

DxShapeArchiveParser::DxShapeArchiveParser(CxFile& inFile) : mData(inFile.ReadContents())
{
    ReadHeader();
}

DxShapeArchiveParser::DxShapeArchiveParser(CxData& inData) : mData(inData)
{
    ReadHeader();
}

DxShapeArchiveParser::~DxShapeArchiveParser() = default;

void DxShapeArchiveParser::ReadHeader()
{
    const auto* bytes = static_cast<const unsigned char*>(mData.GetHandle());
    const CxUint32 size = mData.Size();
    if (bytes == nullptr || size < 24)
        return;
    const CxUint32 count = LoadLittle(bytes + 8);
    mHeaderLength = LoadLittle(bytes + 16);
    // Entries stop at the end of the data, whatever the count says.
    CxUint32 at = 24;
    for (CxUint32 i = 0; i < count && size - at >= 12; ++i, at += 12)
    {
        const auto* id = reinterpret_cast<const char*>(bytes + at);
        const CxString key(id, CxUint32(strnlen(id, 8))); // an id of 8 bytes has no terminator
        mIndex[key].mPosition = CxUint32(std::min<unsigned long long>(
            0xffffffffull, (unsigned long long)LoadLittle(bytes + at + 8) + mHeaderLength));
    }
    // An archive cut before the end of its shapefile header, or shorter than the length word says, was cut in
    // transfer: its index would point into missing records, so none is served.
    if (size - at < kHeaderBytes || mHeaderLength > size ||
        (unsigned long long)LoadBig(bytes + at + 24) * 2 > size - mHeaderLength)
    {
        mIndex.clear();
        return;
    }
    const unsigned char* header = bytes + at;
    mShapeType = CxSint32(LoadLittle(header + 32));
    // As the plain reader, but the checks only end the header read: the index already holds what it needs.
    if (CxSint32(LoadBig(header)) != kFileCode)
        return;
    for (int i = 1; i <= 5; ++i)
        if (LoadBig(header + 4 * i) != 0)
            return;
    if (mHeaderLength > size || (unsigned long long)LoadBig(header + 24) * 2 != size - mHeaderLength)
        return;
}

CxData DxShapeArchiveParser::ReadData(CxUint32 inPosition) const
{
    const CxUint32 size = mData.Size();
    if (inPosition > size || size - inPosition < kRecordHeaderBytes)
        return CxData(CxUint32(0));
    const auto* record = static_cast<const unsigned char*>(mData.GetHandle()) + inPosition;
    const unsigned long long bytes = 2ull * LoadBig(record + 4);
    if (bytes > size - inPosition - kRecordHeaderBytes)
        return CxData(CxUint32(0));
    return CxData(record + kRecordHeaderBytes, CxUint32(bytes));
}

std::unique_ptr<DxShape> DxShapeArchiveParser::ParseShape(CxData& ioData) const
{
    DataLock lock(ioData);
    const auto* content = static_cast<const unsigned char*>(ioData.Pointer());
    const CxUint32 size = ioData.Size();
    if (size < 4)
        throw DxErrorShapeInvalidSize(__FILE__, __LINE__);
    const CxSint32 type = CxSint32(LoadLittle(content));
    if (type == kDxShapeNull)
        return nullptr;
    if (type != mShapeType)
        throw DxErrorShapeWrongType(__FILE__, __LINE__);
    auto shape = std::make_unique<DxShape>(GxDegreeProjection());
    shape->BeginData();
    shape->AcceptVertex(false);
    // Rings come out closed, unlike the plain reader's.
    ReadPolyContent(content, size,
                    [&shape](bool inNewPart, double inX, double inY)
                    {
                        if (inNewPart)
                            shape->AcceptVertex(true);
                        shape->AcceptPoint(GxPoint(inX, inY));
                    });
    shape->AcceptVertex(true);
    shape->EndData();
    return shape;
}

DxShape* DxShapeArchiveParser::GetShapeForId(const CxString& inId)
{
    const auto found = mIndex.find(inId);
    if (found == mIndex.end())
        return nullptr;
    Entry& entry = found->second;
    if (!entry.mShape)
    {
        CxData content = ReadData(entry.mPosition);
        if (content.Size() == 0)
            return nullptr;
        entry.mShape = ParseShape(content);
        if (!entry.mShape)
            return nullptr;
    }
    entry.mShape->SetDate(CxDate());
    return entry.mShape.get();
}

CxUint32 DxShapeArchiveParser::CountShapes() const
{
    return CxUint32(std::count_if(mIndex.begin(), mIndex.end(),
                                  [](const auto& inEntry) { return inEntry.second.mShape != nullptr; }));
}

void DxShapeArchiveParser::PurgeShapes(const CxDate& inDate)
{
    for (auto& [id, entry] : mIndex)
        if (entry.mShape && entry.mShape->Date() < inDate)
            entry.mShape.reset();
}
