// Decodes a PNG image held in memory into RGBA bytes, bottom row first (the order GL textures expect). Every colour
// type and bit depth is read: 16-bit samples are cut to 8 bits, samples below 8 bits are unpacked but not scaled,
// a palette's transparency keeps only its most transparent entry (alpha 0, every other entry 255).
//
// A corrupt or truncated image, or one whose RGBA form would exceed 1 GiB, ends the read with a CxError; what the
// read had allocated is freed. One reader serves one thread at a time.
#pragma once

#include "CxTypes.h"

#include <cstddef>
#include <memory>
#include <vector>

class CxBinaryStream;
class CxData;

class GxPNGReader
{
public:
    // The most RGBA bytes a read may produce.
    static constexpr std::size_t kMaxImageBytes = std::size_t(1) << 30;

    GxPNGReader();
    GxPNGReader(const GxPNGReader&) = delete;
    GxPNGReader& operator=(const GxPNGReader&) = delete;
    ~GxPNGReader();

    // width x height x 4 bytes; afterwards Width() and Height() are the image's.
    std::unique_ptr<CxUint8[]> ReadImage(CxData& ioData);

    CxUint32 Width() const { return mWidth; }
    CxUint32 Height() const { return mHeight; }
    CxSint32 BitDepth() const { return mBitDepth; }
    CxSint32 ColorType() const { return mColorType; }
    CxSint32 InterlaceType() const { return mInterlaceType; }

    // The data of the first chunk of that four-letter name the library does not know itself, met before or after
    // the image data of the last successful read. False when there was none.
    bool UnknownChunk(const char* inName, std::vector<CxUint8>& outBytes) const;

    // Reads 8 bytes and reports when they are no PNG signature (the library then meets the bad data).
    void CheckSignature(CxBinaryStream& ioStream);

    struct PrivateState;

private:
    void Create();
    void Destroy();
    void ReadInfo();
    bool Decode(PrivateState& ioState, CxUint32& outWidth, CxUint32& outHeight);

    void* mPngPtr = nullptr;  // png_structp
    void* mInfoPtr = nullptr; // png_infop
    void* mEndPtr = nullptr;  // png_infop
    bool mUsed = false;
    CxUint32 mWidth = 0;
    CxUint32 mHeight = 0;
    CxSint32 mBitDepth = 0;
    CxSint32 mColorType = 0;
    CxSint32 mInterlaceType = 0;
};
