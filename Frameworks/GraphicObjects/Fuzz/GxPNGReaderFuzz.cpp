// libFuzzer target: any bytes through GxPNGReader must decode or end in a caught error, without leaks.

#include "GxPNGFuzzEntry.h"

#include "CxDebug.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* inData, std::size_t inSize)
{
    static const bool sQuiet = (_CxDebugMode(kCxDebugNone), true);
    (void)sQuiet;
    GxPngFuzzOne(inData, inSize);
    return 0;
}
