#include "DxImageParsers.h"

#include "CxData.h"
#include "CxDebug.h"
#include "CxError.h"
#include "CxStream.h"
#include "DxImage.h"
#include "GxPNGReader.h"
#include "GxProjection.h"
#include "PfJpeg.h"
#include "XmlElement.h"
#include "XmlParser.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>

const CxString DxPngParser::sPNGCustomChunkName("wxMl");

// ---- PNG

DxPngParser::DxPngParser() : mReader(std::make_unique<GxPNGReader>()) {}

DxPngParser::~DxPngParser() = default;

DxTruecolorImage* DxPngParser::ReadImage(CxData& ioData)
{
    mHasProjection = false;
    std::unique_ptr<CxUint8[]> pixels;
    try
    {
        pixels = mReader->ReadImage(ioData);
    }
    catch (const CxError&)
    {
        return nullptr;
    }
    auto image = std::make_unique<DxTruecolorImage>(GxLambertConformalProjection());
    image->SetBuffer(pixels.release());
    image->SetWidth(static_cast<CxSint32>(mReader->Width()));
    image->SetHeight(static_cast<CxSint32>(mReader->Height()));
    std::vector<CxUint8> chunk;
    if (mReader->UnknownChunk("wxMl", chunk))
        mHasProjection = ApplyGeoreference(chunk, *image);
    image->GenerateMesh(false, 128.0);
    return image.release();
}

bool DxPngParser::ApplyGeoreference(const std::vector<CxUint8>& inChunk, DxImage& ioImage)
{
    XmlParser parser;
    if (inChunk.empty() || !parser.Parse(inChunk.data(), inChunk.size(), true) || parser.Root() == nullptr)
        return false;
    const XmlElement* imageXml = parser.Root()->FindElement("image");
    if (imageXml == nullptr)
        return false;
    const XmlElement* projectionXml = imageXml->FindElement("projection");
    const XmlElement* pixelSize = imageXml->FindElement("pixelSize");
    const XmlElement* origin = imageXml->FindElement("origin");
    if (projectionXml == nullptr || pixelSize == nullptr || origin == nullptr)
        return false;
    GxProjectionFactory factory;
    const GxProjection* projection = factory.Create(projectionXml);
    // The factory stands in a plain projection for one it does not know: the picture would land elsewhere.
    if (projection == nullptr || projection->Id() != projectionXml->GetAttribute("id"))
        return false;

    ioImage.SetProjection(*projection);
    ioImage.SetPixelSize(
        GxPoint(pixelSize->GetAttribute("width").AsDouble(), pixelSize->GetAttribute("height").AsDouble()));
    GxPosition position;
    position.FromDegrees(origin->GetAttribute("lon").AsDouble(), origin->GetAttribute("lat").AsDouble());
    ioImage.SetOrigin(projection->Project(position));
    if (const XmlElement* legend = imageXml->FindElement("legend"))
    {
        DxStringField* keys = ioImage.NewStringField("legendKey");
        DxStringField* values = ioImage.NewStringField("legendValue");
        for (const XmlElement* row : legend->GetElements())
        {
            keys->push_back(row->GetAttribute("color"));
            values->push_back(row->GetAttribute("value"));
        }
    }
    return true;
}

// ---- JPEG

DxTruecolorImage* DxJpgParser::ReadImage(CxData& ioData)
{
    CxAutoLock lock(ioData);
    pf::JpegOptions options;
    options.mMaxPixels = static_cast<std::uint64_t>(DxIndexedImage::kMaxPixels);
    options.mMessageSink = [](const char* inMessage) { _CxDebug(__FILE__, __LINE__, "libjpeg", inMessage); };
    pf::JpegImage decoded;
    if (!pf::DecodeJpeg(static_cast<const std::uint8_t*>(ioData.Pointer()), ioData.Size(), options, decoded))
        return nullptr;
    auto* image = new DxTruecolorImage(GxDegreeProjection());
    image->SetBuffer(decoded.mPixels.release());
    image->SetComponentCount(decoded.mComponents);
    image->SetWidth(static_cast<CxSint32>(decoded.mWidth));
    image->SetHeight(static_cast<CxSint32>(decoded.mHeight));
    return image;
}

// ---- GIF

namespace
{

struct GifSource
{
    const CxUint8* mData = nullptr;
    std::size_t mSize = 0;
    std::size_t mPosition = 0;
};

int DxGifReaderInputFunc(GifFileType* inGif, GifByteType* outBytes, int inCount)
{
    auto* source = static_cast<GifSource*>(inGif->UserData);
    if (source == nullptr || inCount <= 0)
        return 0;
    const std::size_t count = std::min(static_cast<std::size_t>(inCount), source->mSize - source->mPosition);
    std::memcpy(outBytes, source->mData + source->mPosition, count);
    source->mPosition += count;
    return static_cast<int>(count);
}

struct GifCloser
{
    void operator()(GifFileType* inGif) const
    {
        int error = 0;
        DGifCloseFile(inGif, &error);
    }
};

bool SkipSubBlocks(GifFileType* inGif, GifByteType* inBlock, bool inExtension)
{
    while (inBlock != nullptr)
    {
        if ((inExtension ? DGifGetExtensionNext(inGif, &inBlock) : DGifGetCodeNext(inGif, &inBlock)) == GIF_ERROR)
            return false;
    }
    return true;
}

// Rows in picture order, as the high-level reader delivers an interlaced raster.
bool ReadRaster(GifFileType* inGif, CxSint32 inWidth, CxSint32 inHeight, CxUint8* outRaster)
{
    auto row = [&](CxSint32 inRow)
    { return DGifGetLine(inGif, outRaster + static_cast<std::size_t>(inRow) * inWidth, inWidth) != GIF_ERROR; };
    if (!inGif->Image.Interlace)
    {
        for (CxSint32 y = 0; y < inHeight; ++y)
            if (!row(y))
                return false;
        return true;
    }
    const CxSint32 offsets[] = {0, 4, 2, 1};
    const CxSint32 jumps[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (CxSint32 y = offsets[pass]; y < inHeight; y += jumps[pass])
            if (!row(y))
                return false;
    return true;
}

} // namespace

DxIndexedImage* DxGifParser::ReadImage(CxData& ioData)
{
    CxAutoLock lock(ioData);
    GifSource source;
    source.mData = static_cast<const CxUint8*>(ioData.Pointer());
    source.mSize = ioData.Size();
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&source, DxGifReaderInputFunc, &error));
    if (gif == nullptr)
        return nullptr;

    // Record by record, so that every image descriptor is checked before anything sized by it exists; the later
    // images are read through but not kept.
    std::unique_ptr<DxIndexedImage> image;
    std::vector<GifColorType> colours;
    bool transparent = false;
    int transparentIndex = 0;
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    do
    {
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR)
            return nullptr;
        if (type == IMAGE_DESC_RECORD_TYPE)
        {
            if (DGifGetImageDesc(gif.get()) == GIF_ERROR)
                return nullptr;
            const CxSint32 w = gif->Image.Width;
            const CxSint32 h = gif->Image.Height;
            // An LZW code gives at most 4096 pixels, and once the table is full each takes 12 bits; before that
            // the codes give fewer than 2^23 pixels in all. A raster the rest of the data could never fill is
            // refused before it exists.
            const CxSint64 pixels = CxSint64(w) * CxSint64(h);
            const CxSint64 fillable = (CxSint64(1) << 23) + CxSint64(source.mSize - source.mPosition) * 2731;
            if (w <= 0 || h <= 0 || pixels > kMaxPixels || pixels > fillable)
                return nullptr;
            if (image == nullptr)
            {
                if (const ColorMapObject* map = gif->Image.ColorMap; map != nullptr && map->Colors != nullptr)
                    colours.assign(map->Colors, map->Colors + std::max(map->ColorCount, 0));
                image = std::make_unique<DxIndexedImage>(GxDegreeProjection());
                image->SetWidth(w);
                image->SetHeight(h);
                image->Reserve();
                if (image->Pixels() == nullptr || !ReadRaster(gif.get(), w, h, image->Pixels()))
                    return nullptr;
            }
            else
            {
                int codeSize = 0;
                GifByteType* block = nullptr;
                if (DGifGetCode(gif.get(), &codeSize, &block) == GIF_ERROR || !SkipSubBlocks(gif.get(), block, false))
                    return nullptr;
            }
        }
        else if (type == EXTENSION_RECORD_TYPE)
        {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR)
                return nullptr;
            // The graphic control blocks before the first image are its own; a block is its length, then the
            // packed flags, the delay (2 bytes) and the transparent index.
            if (code == GRAPHICS_EXT_FUNC_CODE && image == nullptr && block != nullptr && block[0] >= 4 &&
                (block[1] & 1))
            {
                transparent = true;
                transparentIndex = block[4];
            }
            if (!SkipSubBlocks(gif.get(), block, true))
                return nullptr;
        }
    } while (type != TERMINATE_RECORD_TYPE);

    if (image == nullptr)
        return nullptr;
    if (colours.empty() && gif->SColorMap != nullptr && gif->SColorMap->Colors != nullptr)
        colours.assign(gif->SColorMap->Colors, gif->SColorMap->Colors + std::max(gif->SColorMap->ColorCount, 0));
    if (colours.empty())
        return nullptr;

    GxColorTable table;
    table.clear();
    for (std::size_t i = 0; i < colours.size(); ++i)
    {
        const bool clear = transparent && static_cast<std::size_t>(transparentIndex) == i;
        table.push_back(GxColor(8, colours[i].Red, colours[i].Green, colours[i].Blue, clear ? 0 : 255));
    }
    image->AcceptColorTable(table);
    image->GenerateBuffer();
    return image.release();
}

// ---- dispatch

bool DxImageFactory::Recognizes(const CxUint8* inBytes, std::size_t inSize)
{
    if (inBytes == nullptr || inSize < 16)
        return false;
    const auto big32 = [inBytes](std::size_t inAt)
    {
        return CxUint32(inBytes[inAt]) << 24 | CxUint32(inBytes[inAt + 1]) << 16 | CxUint32(inBytes[inAt + 2]) << 8 |
               inBytes[inAt + 3];
    };
    static const CxUint8 kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    static const CxUint8 kIend[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    if (std::memcmp(inBytes, kPng, sizeof(kPng)) == 0)
        return inSize >= 8 + 25 + sizeof(kIend) && std::memcmp(inBytes + 12, "IHDR", 4) == 0 && big32(16) != 0 &&
               big32(20) != 0 && std::memcmp(inBytes + inSize - sizeof(kIend), kIend, sizeof(kIend)) == 0;
    if (inBytes[0] == 0xFF && inBytes[1] == 0xD8 &&
        (std::memcmp(inBytes + 6, "JFIF", 4) == 0 || std::memcmp(inBytes + 6, "Exif", 4) == 0))
    {
        // Some writers pad after the end-of-image marker.
        for (std::size_t at = inSize - 1; at > 2 && at + 64 > inSize; --at)
            if (inBytes[at - 1] == 0xFF && inBytes[at] == 0xD9)
                return true;
        return false;
    }
    if (std::memcmp(inBytes, "GIF", 3) == 0)
        return (inBytes[6] | inBytes[7]) != 0 && (inBytes[8] | inBytes[9]) != 0 && inBytes[inSize - 1] == 0x3B;
    return false;
}

DxImage* DxImageFactory::ParseImage(CxData& ioData)
{
    CxUint8 head[16] = {};
    {
        CxBinaryStream stream(ioData);
        if (stream.Length() < sizeof(head) || stream.Read(head, sizeof(head)) != sizeof(head))
            return nullptr;
    }
    static const CxUint8 kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (std::memcmp(head, kPng, sizeof(kPng)) == 0)
    {
        DxPngParser parser;
        DxImage* image = parser.ReadImage(ioData);
        mHasProjection = parser.HasProjection();
        return image;
    }
    if (head[0] == 0xFF && head[1] == 0xD8 &&
        (std::memcmp(head + 6, "JFIF", 4) == 0 || std::memcmp(head + 6, "Exif", 4) == 0))
    {
        mHasProjection = false;
        return DxJpgParser().ReadImage(ioData);
    }
    if (std::memcmp(head, "GIF", 3) == 0)
    {
        mHasProjection = false;
        return DxGifParser().ReadImage(ioData);
    }
    return nullptr;
}
