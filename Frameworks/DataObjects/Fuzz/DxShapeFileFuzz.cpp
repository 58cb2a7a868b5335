// libFuzzer target: any bytes through the shapefile reader, the shape archive or the point-list reader must give a
// shape or end in a caught error, without leaks.

#include "DxShapeFuzzEntry.h"

#include "CxDebug.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* inData, std::size_t inSize)
{
    static const bool sQuiet = (_CxDebugMode(kCxDebugNone), true);
    (void)sQuiet;
    DxShapeFuzzOne(inData, inSize);
    return 0;
}
