// Readers of the documents a data server publishes about a data set: config.xml and the parameter, site, radar,
// image, shape and advisory lists. Each reader parses its whole document in its constructor and fills containers
// the caller owns; the caller keeps the reader only to ask whether it parsed and found its element. A document
// whose "datasetconfig" version is missing or incompatible makes the constructor throw the int -1, which the
// data-set managers catch.
#pragma once

#include "CxString.h"
#include "CxTypes.h"
#include "CxVersion.h"
#include "DxField.h"
#include "DxParm.h"
#include "DxUnit.h"
#include "GxColor.h"
#include "GxCoordinates.h"
#include "GxProjection.h"
#include "XmlParser.h"

#include <map>
#include <vector>

class CxData;
class DxTable;
class XmlElement;

// ---- the document frame shared by every reader

class DxBaseParser : public XmlParser
{
public:
    DxBaseParser() = default;

    // "1.0" unless the reader says otherwise.
    CxVersion ParserVersion() const;
    // The version attribute of the first top-level "datasetconfig" instruction (or the reader's own instruction):
    // 0.0.0 when it is empty or
    // missing, when there is no such instruction or the document did not parse; text that is no version is 1.0.0.
    CxVersion StreamVersion() const;
    // Throws the int -1 unless the document's major number is 1 and its minor number 0.
    void CheckVersion() const;

    bool Parsed() const { return mParsed; }
    // Whether the document parsed and the reader found its element (the site list: and its table). A document of
    // another root parses and passes the version check, and leaves the caller's lists as they were.
    bool FoundRoot() const { return mParsed && mFoundRoot; }
    bool HasLocalizedStrings() const { return !mLocalizedStrings.empty(); }
    // The text for a key of the localisation block, or the key itself.
    CxString Localize(const CxString& inKey) const;
    // Reads the "localization" child of the element: the system language's block, else the "English" one.
    // Without either the map keeps what it holds.
    void ParseLocalizedStrings(const XmlElement* inElement);

protected:
    // Documents of another family carry their version in an instruction of their own.
    DxBaseParser(const CxString& inInstruction, const CxString& inParserVersion)
        : mInstruction(inInstruction), mParserVersion(inParserVersion)
    {
    }

    // Parses every byte as one final chunk under the block's lock. False, with nothing parsed, when the block has
    // no contents.
    bool ParseData(CxData& ioData);
    // The first top-level element of that name, or null.
    XmlElement* FindDocumentElement(const CxString& inName) const;

    bool mFoundRoot = false;

private:
    CxString mInstruction = "datasetconfig";
    CxString mParserVersion = "1.0";
    std::map<CxString, CxString> mLocalizedStrings;
    bool mParsed = false;
};

// Fills the table from the "fieldref" children of a "table" element, then its "record" children: one
// comma-separated line per record, one value per column. Types "float", "int" or "integer", "string", and "date"
// when the format has dates; any other is reported and makes no field, but keeps its place in every record. Float
// pieces that are empty or do not read are missing (NaN), empty dates the missing date; integers read as 0 and
// strings as "".
void DxReadStationRecords(const XmlElement* inTableXml, DxTable& ioTable, bool inDateColumns);

// ---- config.xml

class DxConfigParser : public DxBaseParser
{
public:
    explicit DxConfigParser(CxData& ioData);

    // The first "property" of that id (exact) in the "datasetconfig" element, or null.
    XmlElement* FindProperty(const CxString& inId) const;
    // The localised value; "" when the property is missing.
    CxString StringProperty(const CxString& inId) const;
    // The "url" attribute as it stands.
    CxString UrlProperty(const CxString& inId) const;
    // StringProperty read as a decimal; 0 when it does not read.
    CxUint32 UintProperty(const CxString& inId) const;
    CxSint32 SintProperty(const CxString& inId) const;
    // The value in the unit of "units" ("min" when it has none), in whole seconds truncated toward zero; 0 when
    // the value does not read or does not fit 32 bits, or when the unit is not a known duration (reported).
    CxSint32 SecondsProperty(const CxString& inId) const;
};

// ---- parameter list

class DxParmListParser : public DxBaseParser
{
public:
    // Calibrations and links are skipped.
    DxParmListParser(CxData& ioData, std::vector<DxParm>& ioParms, std::vector<DxDerivedParm>& ioDerived,
                     std::vector<DxVectorParm>& ioVectors);
    // Calibrations and links are appended to what the two lists already hold.
    DxParmListParser(CxData& ioData, std::vector<DxParm>& ioParms, std::vector<DxDerivedParm>& ioDerived,
                     std::vector<DxVectorParm>& ioVectors, std::vector<DxCalibParm>& ioCalibs,
                     std::vector<DxLinkParm>& ioLinks);

    // "float" 1, "integer" and "int" 2, "string" 3; anything else is reported and reads as string.
    static DxType StringToDxType(const CxString& inType);
    // Every blank ends a piece, empty or not; a last piece is kept only when it is not empty.
    static std::vector<CxString> VectorizeArgs(const CxString& inArgs);
    // A copy of the first parm of that id, else one named by the id: float, "nada", resolution 1.
    static DxParm FindParm(const std::vector<DxParm>& inParms, const CxString& inId);

private:
    void Read(CxData& ioData, std::vector<DxParm>& ioParms, std::vector<DxDerivedParm>& ioDerived,
              std::vector<DxVectorParm>& ioVectors, std::vector<DxCalibParm>* ioCalibs,
              std::vector<DxLinkParm>* ioLinks);
};

// ---- site list

class DxSiteListParser : public DxBaseParser
{
public:
    // On success a new table the caller owns, indexed by "stid"; outTable is left alone on every early exit.
    DxSiteListParser(CxData& ioData, DxTable*& outTable);
};

// ---- radar product list

class DxNidsProduct
{
public:
    DxNidsProduct() = default;
    DxNidsProduct(const CxString& inId, const CxString& inName, const CxString& inType, const DxUnit& inUnit)
        : mId(inId), mName(inName), mType(inType), mUnit(inUnit)
    {
    }

    const CxString& Id() const { return mId; }
    void SetId(const CxString& inId) { mId = inId; }
    const CxString& Name() const { return mName; }
    void SetName(const CxString& inName) { mName = inName; }
    const CxString& Type() const { return mType; }
    void SetType(const CxString& inType) { mType = inType; }
    const DxUnit& Unit() const { return mUnit; }
    void SetUnit(const DxUnit& inUnit) { mUnit = inUnit; }

    // Every field.
    bool operator==(const DxNidsProduct& inOther) const
    {
        return mId == inOther.mId && mName == inOther.mName && mType == inOther.mType && mUnit == inOther.mUnit;
    }
    bool operator!=(const DxNidsProduct& inOther) const { return !(*this == inOther); }

private:
    CxString mId;
    CxString mName;
    CxString mType;
    DxUnit mUnit;
};

// A radar site of a data set's site list.
class DxNidsSite
{
public:
    DxNidsSite() = default;
    DxNidsSite(const CxString& inId, const CxString& inName) : mId(inId), mName(inName) {}

    const CxString& Id() const { return mId; }
    void SetId(const CxString& inId) { mId = inId; }
    const CxString& Name() const { return mName; }
    void SetName(const CxString& inName) { mName = inName; }

    // Every field.
    bool operator==(const DxNidsSite& inOther) const { return mId == inOther.mId && mName == inOther.mName; }
    bool operator!=(const DxNidsSite& inOther) const { return !(*this == inOther); }

private:
    CxString mId;
    CxString mName;
};

// What a radar product code looks like: scale, data levels, unit and colours.
class DxNidsProductInfo
{
public:
    // Empty name, "nada", an empty colour table; the numbers 0.
    DxNidsProductInfo() { mColorTable.clear(); }

    CxSint16 ProductCode() const { return mProductCode; }
    void SetProductCode(CxSint16 inCode) { mProductCode = inCode; }
    const CxString& Name() const { return mName; }
    void SetName(const CxString& inName) { mName = inName; }
    double KmPerPixel() const { return mKmPerPixel; }
    void SetKmPerPixel(double inKm) { mKmPerPixel = inKm; }
    CxSint16 DataLevels() const { return mDataLevels; }
    void SetDataLevels(CxSint16 inLevels) { mDataLevels = inLevels; }
    const DxUnit& Unit() const { return mUnit; }
    void SetUnit(const DxUnit& inUnit) { mUnit = inUnit; }
    const GxColorTable& ColorTable() const { return mColorTable; }
    void SetColorTable(const GxColorTable& inTable) { mColorTable = inTable; }

private:
    CxSint16 mProductCode = 0;
    CxString mName;
    double mKmPerPixel = 0.0;
    CxSint16 mDataLevels = 0;
    DxUnit mUnit;
    GxColorTable mColorTable;
};

// Gridded mosaic products.
class DxNidsMosaicInfo : public DxNidsProductInfo
{
};

// Single-site radial products.
class DxNidsRadialInfo : public DxNidsProductInfo
{
};

class DxNidsListParser : public DxBaseParser
{
public:
    // All three lists are replaced once the document's "parminfo" element is found.
    DxNidsListParser(CxData& ioData, std::vector<DxNidsProduct>& ioProducts, std::vector<DxNidsMosaicInfo>& ioMosaics,
                     std::vector<DxNidsRadialInfo>& ioRadials);
};

// ---- image list

class DxImageItem
{
public:
    DxImageItem() = default;
    DxImageItem(const CxString& inId, const CxString& inName) : mId(inId), mName(inName) {}

    const CxString& Id() const { return mId; }
    void SetId(const CxString& inId) { mId = inId; }
    const CxString& Name() const { return mName; }
    void SetName(const CxString& inName) { mName = inName; }

    // By id only.
    bool operator==(const DxImageItem& inOther) const { return mId == inOther.mId; }
    bool operator!=(const DxImageItem& inOther) const { return !(*this == inOther); }

private:
    CxString mId;
    CxString mName;
};

class DxImageCategory
{
public:
    DxImageCategory() = default;
    DxImageCategory(const CxString& inId, const CxString& inName) : mId(inId), mName(inName) {}

    const CxString& Id() const { return mId; }
    void SetId(const CxString& inId) { mId = inId; }
    const CxString& Name() const { return mName; }
    void SetName(const CxString& inName) { mName = inName; }
    const std::vector<DxImageItem>& Items() const { return mItems; }
    std::vector<DxImageItem>& Items() { return mItems; }

private:
    CxString mId;
    CxString mName;
    std::vector<DxImageItem> mItems;
};

// A legend: colour texts and their labels, in step.
class DxImageLegendInfo
{
public:
    const CxString& Key() const { return mKey; }
    void SetKey(const CxString& inKey) { mKey = inKey; }
    const CxStringList& Colors() const { return mColors; }
    const CxStringList& Values() const { return mValues; }
    void Append(const CxString& inColor, const CxString& inValue)
    {
        mColors.Append(inColor);
        mValues.Append(inValue);
    }

private:
    CxString mKey;
    CxStringList mColors;
    CxStringList mValues;
};

// The georeference of the images of one key: their projection, the projected image origin and the pixel size.
class DxImageProjectionInfo : public GxProjector
{
public:
    explicit DxImageProjectionInfo(const GxProjection& inProjection) : GxProjector(inProjection) {}

    const GxPoint& Origin() const { return mOrigin; }
    void SetOrigin(const GxPoint& inOrigin) { mOrigin = inOrigin; }
    // Width and height.
    const GxPoint& PixelSize() const { return mPixelSize; }
    void SetPixelSize(const GxPoint& inSize) { mPixelSize = inSize; }
    const CxString& Key() const { return mKey; }
    void SetKey(const CxString& inKey) { mKey = inKey; }
    bool Smoothing() const { return mSmoothing; }
    void SetSmoothing(bool inSmoothing) { mSmoothing = inSmoothing; }

private:
    GxPoint mOrigin;
    GxPoint mPixelSize;
    CxString mKey;
    bool mSmoothing = false;
};

class DxImageListParser : public DxBaseParser
{
public:
    // The caller owns the projection infos; those ioProjections held are deleted when a "datainfo" element is
    // read. Entries that cannot be georeferenced are left out.
    DxImageListParser(CxData& ioData, std::vector<DxImageCategory>& ioCategories,
                      std::vector<DxImageProjectionInfo*>& ioProjections, std::vector<DxImageLegendInfo>& ioLegends);

private:
    // A new info, or null when the entry lacks its projection, pixel size or origin.
    DxImageProjectionInfo* ParseProjectionInfo(const XmlElement* inXml) const;
};

// ---- shape list

class DxRegion
{
public:
    DxRegion() = default;
    DxRegion(const CxString& inId, const CxString& inName) : mId(inId), mName(inName) {}

    const CxString& Id() const { return mId; }
    void SetId(const CxString& inId) { mId = inId; }
    const CxString& Name() const { return mName; }
    void SetName(const CxString& inName) { mName = inName; }

private:
    CxString mId;
    CxString mName;
};

// A shape layer.
class DxFeature
{
public:
    DxFeature() = default;
    DxFeature(const CxString& inId, const CxString& inName) : mId(inId), mName(inName) {}

    const CxString& Id() const { return mId; }
    void SetId(const CxString& inId) { mId = inId; }
    const CxString& Name() const { return mName; }
    void SetName(const CxString& inName) { mName = inName; }

private:
    CxString mId;
    CxString mName;
};

class DxShapeListParser : public DxBaseParser
{
public:
    DxShapeListParser(CxData& ioData, std::vector<DxRegion>& ioRegions, std::vector<DxFeature>& ioFeatures);
};

// ---- advisory list

// The settings of one advisory kind.
class DxAdvisory
{
public:
    // "unk", "Unknown", "#000000FF", filled and enabled.
    DxAdvisory() = default;
    DxAdvisory(const CxString& inId, const CxString& inName, const CxString& inColor, bool inFilled, bool inEnabled)
        : mId(inId), mName(inName), mColor(inColor), mFilled(inFilled), mEnabled(inEnabled)
    {
    }

    void Copy(const DxAdvisory& inOther) { *this = inOther; }

    const CxString& Id() const { return mId; }
    void SetId(const CxString& inId) { mId = inId; }
    const CxString& Name() const { return mName; }
    void SetName(const CxString& inName) { mName = inName; }
    // A colour text such as "#FF0000FF".
    const CxString& Color() const { return mColor; }
    void SetColor(const CxString& inColor) { mColor = inColor; }
    bool IsFilled() const { return mFilled; }
    void SetFilled(bool inFilled) { mFilled = inFilled; }
    bool IsEnabled() const { return mEnabled; }
    void SetEnabled(bool inEnabled) { mEnabled = inEnabled; }

    // By id only.
    bool IsEqualTo(const DxAdvisory& inOther) const { return mId == inOther.mId; }
    bool operator==(const DxAdvisory& inOther) const { return IsEqualTo(inOther); }
    bool operator!=(const DxAdvisory& inOther) const { return !IsEqualTo(inOther); }
    // All five fields.
    bool IsExactMatch(const DxAdvisory& inOther) const
    {
        return mId == inOther.mId && mName == inOther.mName && mColor == inOther.mColor && mFilled == inOther.mFilled &&
               mEnabled == inOther.mEnabled;
    }

private:
    CxString mId = "unk";
    CxString mName = "Unknown";
    CxString mColor = "#000000FF";
    bool mFilled = true;
    bool mEnabled = true;
};

class DxAdvisoryListParser : public DxBaseParser
{
public:
    DxAdvisoryListParser(CxData& ioData, std::vector<DxAdvisory>& ioAdvisories);

    // A copy of the first advisory of that id, else one named by the id in "#000000FF".
    static DxAdvisory FindAdvisory(const std::vector<DxAdvisory>& inAdvisories, const CxString& inId);
};
