// Typed fields: one named column of values in a frame (a value per station, grid point or storm), in four kinds.
// The values live in the field's own array, which callers push, index and size directly.
#pragma once

#include "CxDate.h"
#include "CxString.h"
#include "CxTypes.h"
#include "DxUnit.h"

#include <cmath>
#include <concepts>
#include <vector>

class XmlBuilder;

enum DxType : CxSint32
{
    kDxTypeFloat = 1,
    kDxTypeInteger = 2,
    kDxTypeString = 3,
    kDxTypeDate = 4
};

// "float", "integer", "string", "date"; "ERROR" (and a report) for any other code.
CxString DxTypeToString(DxType inType);
// "string", "integer", "int", "float", "date", exactly; anything else is reported and reads as string.
DxType DxStringToType(const CxString& inName);

class DxField
{
public:
    // The id is the key frames look the field up by: parameter id, ":" and unit id ("lat:degr").
    explicit DxField(const CxString& inId) : mId(inId) {}
    virtual ~DxField() = default;

    virtual DxType Type() const = 0;
    // One value as record-row text; an index past the end gives the kind's placeholder, never a failure.
    virtual CxString ValueAsString(CxUint32 inIndex) const = 0;
    virtual CxUint32 Count() const = 0;
    // One "field" element holding every value.
    virtual void Externalize(XmlBuilder& ioBuilder) const;
    // A new field of the same kind and content, owned by the caller.
    virtual DxField* Copy() const = 0;

    // The empty element "fieldref" with the id and the type name of DxTypeToString.
    void ExternalizeRef(XmlBuilder& ioBuilder) const;

    const CxString& Id() const { return mId; }
    void SetId(const CxString& inId) { mId = inId; }
    const CxString& Name() const { return mName; }
    void SetName(const CxString& inName) { mName = inName; }

protected:
    DxField(const DxField& inOther) = default;
    DxField& operator=(const DxField& inOther) = default;

    // The element with its id, type name, optional unit and the values, each followed by its separator.
    template <typename Values, typename Format>
    void WriteField(XmlBuilder& ioBuilder, const char* inType, const CxString* inUnits, const Values& inValues,
                    const char* inSeparator, Format inFormat) const;

private:
    CxString mId;
    CxString mName;
};

class DxStringField : public DxField, public std::vector<CxString>
{
public:
    explicit DxStringField(const CxString& inId) : DxField(inId) {}

    DxType Type() const override { return kDxTypeString; }
    // The value in double quotes.
    CxString ValueAsString(CxUint32 inIndex) const override;
    CxUint32 Count() const override { return CxUint32(size()); }
    void Externalize(XmlBuilder& ioBuilder) const override;
    DxField* Copy() const override { return new DxStringField(*this); }

protected:
    DxStringField(const DxStringField& inOther) = default;
};

// The values carry a unit label; setting the unit relabels them and converts nothing.
class DxNumericField : public DxField
{
public:
    explicit DxNumericField(const CxString& inId) : DxField(inId) {}

    const DxUnit& Unit() const { return mUnit; }
    void SetUnit(const DxUnit& inUnit) { mUnit = inUnit; }
    const DxUnitSet& UnitSet() const { return mUnitSet; }
    void SetUnitSet(const DxUnitSet& inUnitSet) { mUnitSet = inUnitSet; }
    double Resolution() const { return mResolution; }
    void SetResolution(double inResolution) { mResolution = inResolution; }

protected:
    DxNumericField(const DxNumericField& inOther) = default;

private:
    DxUnit mUnit;
    DxUnitSet mUnitSet;
    double mResolution = 0.0;
};

class DxIntField : public DxNumericField, public std::vector<CxSint32>
{
public:
    explicit DxIntField(const CxString& inId) : DxNumericField(inId) {}

    DxType Type() const override { return kDxTypeInteger; }
    CxString ValueAsString(CxUint32 inIndex) const override;
    CxUint32 Count() const override { return CxUint32(size()); }
    void Externalize(XmlBuilder& ioBuilder) const override;
    DxField* Copy() const override { return new DxIntField(*this); }

protected:
    DxIntField(const DxIntField& inOther) = default;
};

// NaN marks a missing value.
class DxFloatField : public DxNumericField, public std::vector<double>
{
public:
    explicit DxFloatField(const CxString& inId) : DxNumericField(inId) {}

    DxType Type() const override { return kDxTypeFloat; }
    // Three decimals; "nan" for a missing value.
    CxString ValueAsString(CxUint32 inIndex) const override;
    CxUint32 Count() const override { return CxUint32(size()); }
    void Externalize(XmlBuilder& ioBuilder) const override;
    DxField* Copy() const override { return new DxFloatField(*this); }

protected:
    DxFloatField(const DxFloatField& inOther) = default;
};

class DxDateField : public DxNumericField, public std::vector<CxDate>
{
public:
    explicit DxDateField(const CxString& inId) : DxNumericField(inId) {}

    DxType Type() const override { return kDxTypeDate; }
    // "YYYY-MM-DD hh:mm:ss UTC".
    CxString ValueAsString(CxUint32 inIndex) const override;
    CxUint32 Count() const override { return CxUint32(size()); }
    void Externalize(XmlBuilder& ioBuilder) const override;
    DxField* Copy() const override { return new DxDateField(*this); }

protected:
    DxDateField(const DxDateField& inOther) = default;
};

// Checked downcasts: null for null or for a field of another kind.
DxStringField* AsDxStringField(DxField* inField);
const DxStringField* AsDxStringField(const DxField* inField);
DxNumericField* AsDxNumericField(DxField* inField);
const DxNumericField* AsDxNumericField(const DxField* inField);
DxIntField* AsDxIntField(DxField* inField);
const DxIntField* AsDxIntField(const DxField* inField);
DxFloatField* AsDxFloatField(DxField* inField);
const DxFloatField* AsDxFloatField(const DxField* inField);
DxDateField* AsDxDateField(DxField* inField);
const DxDateField* AsDxDateField(const DxField* inField);

// Orderings for the extrema of values where NaN means missing. Both order numbers ascending. DxIsLessThan puts
// NaN after every number, so a minimum search finds the smallest number; DxIsGreaterThan puts NaN before every
// number, so a maximum search finds the largest. Either finds NaN only when every value is NaN.
template <std::floating_point T> struct DxIsLessThan
{
    bool operator()(const T& inA, const T& inB) const
    {
        if (std::isnan(inA))
            return false;
        if (std::isnan(inB))
            return true;
        return inA < inB;
    }
};

template <std::floating_point T> struct DxIsGreaterThan
{
    bool operator()(const T& inA, const T& inB) const
    {
        if (std::isnan(inB))
            return false;
        if (std::isnan(inA))
            return true;
        return inA < inB;
    }
};
