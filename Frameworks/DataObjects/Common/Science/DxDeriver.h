// Derived quantities: a named calculation over a frame's argument fields, added to the frame as a new float
// field. The argument fields are converted in place to the units the calculation expects and stay converted.
#pragma once

#include "CxDate.h"
#include "CxString.h"
#include "CxTypes.h"
#include "DxMetFormulas.h"
#include "DxUnit.h"

#include <vector>

class DxFloatField;
class DxFrame;

class DxDeriver
{
public:
    // One row of the function table. Argument unit ids are one comma-separated text, "" for none.
    struct FunctionInfo
    {
        DxCalculation mCalculation;
        const char* mName;
        const char* mResultUnitId;
        const char* mArgUnitIds;
        // 1: evaluated even when an argument is missing; 0: a record with a missing argument gets NaN.
        CxSint32 mMissingValues;
    };

    static constexpr CxUint32 kFunctionCount = 69;
    static const FunctionInfo sFunctionInfo[kFunctionCount];

    // Looks the function up by its exact, case-sensitive name; without a match the deriver is not valid.
    DxDeriver(const CxString& inResultId, const CxString& inFunction, const CxDate& inDate);

    bool IsValid() const { return mValid; }
    const CxString& ResultId() const { return mResultId; }
    const CxString& Function() const { return mFunction; }
    const CxDate& Date() const { return mDate; }
    const DxUnit& ResultUnit() const { return mResultUnit; }
    bool TakesMissingValues() const { return mMissingValues; }
    const CxStringList& ArgUnitIds() const { return mArgUnitIds; }

    // Converts the named float fields of the frame to the argument units, then adds the result field (owned by
    // the frame) and returns it. Null, with nothing added, for an invalid deriver, a field count that differs
    // from the argument count or a missing field (the frame then stays as it was), and for a field in an
    // incompatible unit (fields converted before it stay converted). Records past the end of a shorter argument
    // field count as missing.
    DxFloatField* Derive(DxFrame* ioFrame, const std::vector<CxString>& inFieldIds);

    // Whether the field now holds its values in the unit; an incompatible unit leaves it unchanged.
    bool ConvertUnits(DxFloatField* ioField, const DxUnit& inUnit);

private:
    CxString mResultId;
    CxString mFunction;
    CxDate mDate;
    DxCalculation mCalculation = nullptr;
    DxUnit mResultUnit;
    bool mValid = false;
    bool mMissingValues = false;
    CxStringList mArgUnitIds;
};
