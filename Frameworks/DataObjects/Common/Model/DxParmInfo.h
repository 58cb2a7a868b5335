// Labels a field with a data set's definition of its parameter.
#pragma once

class DxField;
class DxParm;

// Name, unit, unit set and resolution from the definition. A float field already labelled with another unit of
// the same kind (an argument a derivation converted in place) is converted back first, so its label stays true.
void DxSetParmInfo(DxField* ioField, const DxParm& inParm);
