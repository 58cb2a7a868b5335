// The readers of a data set's pictures: PNG, JPEG and GIF bytes become an image frame, or nothing when the bytes
// are damaged, hostile or of an unsupported kind; no reader throws or stops the process. A PNG may carry its own
// georeference and legend in a private "wxMl" chunk; other pictures are placed by their set's description.
// Each reader serves one thread at a time.
#pragma once

#include "CxString.h"
#include "CxTypes.h"

#include <cstddef>
#include <memory>
#include <vector>

class CxData;
class DxImage;
class DxIndexedImage;
class DxTruecolorImage;
class GxPNGReader;

class DxPngParser
{
public:
    static const CxString sPNGCustomChunkName;

    DxPngParser();
    ~DxPngParser();
    DxPngParser(const DxPngParser&) = delete;
    DxPngParser& operator=(const DxPngParser&) = delete;

    // RGBA, bottom row first, in the chunk's projection or the default Lambert conformal one; the caller owns it.
    DxTruecolorImage* ReadImage(CxData& ioData);
    // Whether the last read applied a "wxMl" chunk.
    bool HasProjection() const { return mHasProjection; }

    // Applies a "wxMl" document to the image: false, leaving the image as it was, unless the document has an
    // "image" element with a projection the factory knows, "pixelSize" and "origin".
    static bool ApplyGeoreference(const std::vector<CxUint8>& inChunk, DxImage& ioImage);

private:
    std::unique_ptr<GxPNGReader> mReader;
    bool mHasProjection = false;
};

class DxJpgParser
{
public:
    // Grey or RGB bytes, bottom row first, in degrees without a mesh; null when the data does not decode.
    DxTruecolorImage* ReadImage(CxData& ioData);
};

class DxGifParser
{
public:
    // Each image descriptor may announce at most this many pixels, and no more than its data could fill.
    static constexpr CxSint64 kMaxPixels = CxSint64(1) << 28;

    // The first image's palette indices, top row first, with the first image's colour map (else the global one),
    // in degrees without a mesh; null when giflib cannot read the file or it has no colour map.
    DxIndexedImage* ReadImage(CxData& ioData);
};

class DxImageFactory
{
public:
    // The reader the first 16 bytes name: PNG signature, FF D8 with "JFIF" or "Exif" at byte 6, or "GIF". Null
    // for anything else, which leaves HasProjection as it was.
    DxImage* ParseImage(CxData& ioData);
    bool HasProjection() const { return mHasProjection; }
    // Without decoding: whether the bytes are a picture ParseImage takes, with a size in its header and its end
    // marker present (PNG's IEND chunk last, JPEG's end of image, GIF's trailer), so a cut file is refused.
    static bool Recognizes(const CxUint8* inBytes, std::size_t inSize);

private:
    bool mHasProjection = false;
};
