// The manager's records are looked up under its region only. Compiled by clang alone, with SKYVANE_FIXTURE_FAULT
// (the lookup outside the region: refused) and without (compiles).
#include "DxManager.h"

bool Holds(DxManager& ioManager, const DxRecord& inRecord)
{
#if !defined(SKYVANE_FIXTURE_FAULT)
    CxAutoLock lock(ioManager.Region());
#endif
    return ioManager.FindRecord(inRecord) != ioManager.Records().end();
}
