// libFuzzer target: any bytes through the reader give an image or none, without a sanitizer report.
// Seed it with corpus/radar_netcdf: radar_netcdf_fuzz corpus/radar_netcdf
#include "CxDebug.h"
#include "DxRadarFuzzEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* inData, std::size_t inSize)
{
    static const bool sQuiet = (_CxDebugMode(kCxDebugNone), true);
    (void)sQuiet;
    DxRadarNetCDFFuzzOne(inData, inSize);
    return 0;
}
