// libFuzzer target: any bytes through the Level III reader give an image or none, without a sanitizer report.
// Seed it with corpus/nexrad3 and the shared products: nexrad3_fuzz corpus/nexrad3 ../shared/testdata/nexrad3
#include "CxDebug.h"
#include "DxNidsFuzzEntry.h"
#include "DxUnit.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* inData, std::size_t inSize)
{
    static const bool sQuiet = (_CxDebugMode(kCxDebugNone), true);
    (void)sQuiet;
    DxNidsFuzzOne(inData, inSize);
    return 0;
}
