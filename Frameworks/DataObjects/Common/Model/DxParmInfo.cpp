#include "DxParmInfo.h"

#include "DxField.h"
#include "DxParm.h"

void DxSetParmInfo(DxField* ioField, const DxParm& inParm)
{
    auto* numeric = dynamic_cast<DxNumericField*>(ioField);
    if (numeric == nullptr)
        return;
    const DxUnit& held = numeric->Unit();
    const DxUnit& wanted = inParm.Unit();
    auto* floats = dynamic_cast<DxFloatField*>(ioField);
    if (floats != nullptr && held.Id() != "nada" && held.IsCompatibleWith(wanted) && held.Id() != wanted.Id())
    {
        const DxUnitConverter converter(held, wanted);
        for (double& value : *floats)
            value = converter.Convert(value);
    }
    numeric->SetName(inParm.Name());
    numeric->SetUnit(wanted);
    numeric->SetUnitSet(inParm.UnitSet());
    numeric->SetResolution(inParm.Resolution());
}
