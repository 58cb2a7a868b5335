// Units: the process-wide unit table read from the bundle, handles into it, unit-set labels and linear converters.
// The table is written only by Load and Unload on the main thread; at all other times any thread reads it without
// a lock. Handles must not outlive Unload().
#pragma once

#include "CxString.h"
#include "CxTypes.h"

#include <map>
#include <vector>

class CxData;

class DxUnit
{
public:
    // One row of the table: a value in this unit is the value in the base unit times mScale plus mOffset.
    struct PrivateRecord
    {
        CxString mId;
        CxString mBase;
        double mScale = 0.0;
        double mOffset = 0.0;

        using Table = std::map<CxString, PrivateRecord*>;
        // Null until the first Load; empty after Unload.
        static Table* sRecords;
    };

    // The bundle resource "DxUnitTable.xml".
    static void Load();
    // An "xml" document of empty "unit" elements (id, base, scale, offset). A later row of an id (in this or a
    // later load) overwrites the earlier row in place, so handles stay valid; a document that does not parse
    // leaves the table as it was.
    static void Load(CxData& ioData);
    static void Unload();

    // "nada".
    DxUnit();
    // The row of that id; "nada" for an id the table lacks.
    explicit DxUnit(const CxString& inId);
    // Looks the row up again by the other's id.
    DxUnit(const DxUnit& inOther);
    DxUnit& operator=(const DxUnit& inOther) = default;

    const CxString& Id() const { return mRecord->mId; }
    const CxString& BaseId() const { return mRecord->mBase; }
    DxUnit Base() const { return DxUnit(mRecord->mBase); }
    double Scale() const { return mRecord->mScale; }
    double Offset() const { return mRecord->mOffset; }

    // Localised "dxUnit_<id>".
    CxString Name() const;
    // Localised "dxSym_<id>", with "^2" and "^3" shown as superscripts.
    CxString Symbol() const;

    bool IsCompatibleWith(const DxUnit& inOther) const { return BaseId() == inOther.BaseId(); }
    // Every row of this unit's base, itself included, in id order.
    std::vector<DxUnit> CompatibleUnits() const;

    // The same row.
    bool IsEqualTo(const DxUnit& inOther) const { return mRecord == inOther.mRecord; }
    bool operator==(const DxUnit& inOther) const { return IsEqualTo(inOther); }
    bool operator!=(const DxUnit& inOther) const { return !IsEqualTo(inOther); }

private:
    explicit DxUnit(const PrivateRecord* inRecord) : mRecord(inRecord) {}
    static const PrivateRecord* Find(const CxString& inId);

    const PrivateRecord* mRecord;
};

// A unit-set label carried by parameters and number fields; compared and handed on, never interpreted.
class DxUnitSet
{
public:
    DxUnitSet() = default;
    explicit DxUnitSet(const CxString& inId) : mId(inId) {}

    const CxString& Id() const { return mId; }
    bool IsEqualTo(const DxUnitSet& inOther) const { return mId == inOther.mId; }
    bool operator==(const DxUnitSet& inOther) const { return IsEqualTo(inOther); }
    bool operator!=(const DxUnitSet& inOther) const { return !IsEqualTo(inOther); }

private:
    CxString mId;
};

// Linear conversion from one unit to another through their rows: y = x * factor + offset.
class DxUnitConverter
{
public:
    // "nada" to "nada", the identity.
    DxUnitConverter() = default;
    // Units of different bases are reported but still give a converter from the same formulas.
    DxUnitConverter(const DxUnit& inSource, const DxUnit& inDest);

    double Convert(double inValue) const { return inValue * mFactor + mOffset; }
    double Revert(double inValue) const { return (inValue - mOffset) / mFactor; }

    DxUnit Source() const { return DxUnit(mSource.Id()); }
    DxUnit Dest() const { return DxUnit(mDest.Id()); }
    double Factor() const { return mFactor; }
    double Offset() const { return mOffset; }
    // "<source name> to <dest name>".
    CxString Name() const;

    // The two units only, not the numbers.
    bool IsEqualTo(const DxUnitConverter& inOther) const
    {
        return mSource == inOther.mSource && mDest == inOther.mDest;
    }
    bool operator==(const DxUnitConverter& inOther) const { return IsEqualTo(inOther); }
    bool operator!=(const DxUnitConverter& inOther) const { return !IsEqualTo(inOther); }

private:
    DxUnit mSource;
    DxUnit mDest;
    double mFactor = 1.0;
    double mOffset = 0.0;
};
