// libFuzzer target: any bytes through the reader give a document or none, without a sanitizer report.
// Seed it with corpus/grid_readers: grid_readers_fuzz corpus/grid_readers
#include "CxDebug.h"
#include "DxDocFuzzEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* inData, std::size_t inSize)
{
    static const bool sQuiet = (_CxDebugMode(kCxDebugNone), true);
    (void)sQuiet;
    DxGridReadersFuzzOne(inData, inSize);
    return 0;
}
