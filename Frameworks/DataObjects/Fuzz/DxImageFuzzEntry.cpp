#include "DxImageFuzzEntry.h"

#include "CxData.h"
#include "DxImage.h"
#include "DxImageParsers.h"

#include <cstdlib>
#include <limits>
#include <memory>

// Keeps the reads of every texel from being optimised away.
volatile unsigned gDxImageFuzzSink = 0;

int DxImageFuzzOne(const std::uint8_t* inData, std::size_t inSize)
{
    if (inSize > std::numeric_limits<CxUint32>::max())
        return 0;
    CxData data(inData, static_cast<CxUint32>(inSize));
    DxImageFactory factory;
    std::unique_ptr<DxImage> image(factory.ParseImage(data));
    if (image == nullptr)
        return 0;
    // Every byte the image claims to hold must be there.
    const CxSint64 pixels = CxSint64(image->Width()) * image->Height();
    if (pixels <= 0 || pixels > DxIndexedImage::kMaxPixels)
        std::abort();
    const CxUint8* texels = image->GetTextureBuffer();
    const std::size_t bytes = std::size_t(pixels) * std::size_t(image->CountComponents());
    unsigned sum = 0;
    for (std::size_t i = 0; texels != nullptr && i < bytes; ++i)
        sum += texels[i];
    gDxImageFuzzSink = sum + (factory.HasProjection() ? 1u : 0u);
    return 1;
}
