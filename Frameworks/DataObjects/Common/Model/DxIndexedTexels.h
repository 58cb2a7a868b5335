// The texture of an indexed image: one 4-byte texel per palette index, rows flipped to bottom first. Kept apart
// from the image so the hot loop can take the processor's wide lookups where it has them.
#pragma once

#include "CxTypes.h"

#include <cstddef>

// inTexels holds the texel of every index (memory order red, green, blue, alpha); outBuffer takes
// inWidth x inHeight x 4 bytes.
void DxFillIndexedTexels(const CxUint8* inPixels, std::size_t inWidth, std::size_t inHeight,
                         const CxUint32 (&inTexels)[256], CxUint8* outBuffer);
