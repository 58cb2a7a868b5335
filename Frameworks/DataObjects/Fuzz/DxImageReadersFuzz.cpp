// libFuzzer target: any bytes through the image factory give an image or none, without a sanitizer report or an
// exit. Seed it with the shared pictures, read at run time; a picture within the caps may take over 1 GiB under
// AddressSanitizer, so allow the process 4 GiB:
//   image_readers_fuzz -rss_limit_mb=4096 corpus-out ../shared/testdata/images/png \
//       ../shared/testdata/images/png/bad ../shared/testdata/images/jpeg ../shared/testdata/images/gif
#include "CxDebug.h"
#include "DxImageFuzzEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* inData, std::size_t inSize)
{
    static const bool sQuiet = (_CxDebugMode(kCxDebugNone), true);
    (void)sQuiet;
    DxImageFuzzOne(inData, inSize);
    return 0;
}
