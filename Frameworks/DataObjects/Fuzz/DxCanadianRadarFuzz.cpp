// libFuzzer target: any bytes through the reader give an image or none, without a sanitizer report.
// Seed it with corpus/canadian_radar: canadian_radar_fuzz corpus/canadian_radar
#include "CxDebug.h"
#include "DxRadarFuzzEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* inData, std::size_t inSize)
{
    static const bool sQuiet = (_CxDebugMode(kCxDebugNone), true);
    (void)sQuiet;
    DxCanadianRadarFuzzOne(inData, inSize);
    return 0;
}
