#include "GxPNGFuzzEntry.h"

#include "CxData.h"
#include "CxError.h"
#include "GxPNGReader.h"

#include <cstdlib>
#include <limits>

// Keeps the reads of every pixel from being optimised away.
volatile unsigned gGxPngFuzzSink = 0;

int GxPngFuzzOne(const std::uint8_t* inData, std::size_t inSize)
{
    if (inSize > std::numeric_limits<CxUint32>::max())
        return 1;
    CxData data(inData, static_cast<CxUint32>(inSize));
    GxPNGReader reader;
    try
    {
        const auto pixels = reader.ReadImage(data);
        // Touch every byte the reader claims to have made.
        const std::size_t bytes = std::size_t(reader.Width()) * reader.Height() * 4;
        unsigned sum = 0;
        for (std::size_t i = 0; i < bytes; ++i)
            sum += pixels[i];
        if (bytes == 0 || bytes > GxPNGReader::kMaxImageBytes)
            std::abort();
        gGxPngFuzzSink = sum;
        return 0;
    }
    catch (const CxError&)
    {
        return 1;
    }
}
