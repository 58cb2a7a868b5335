#include "CxMime.h"

#include "CxCriticalRegion.h"

#include <vector>

namespace
{

constexpr CxUint32 Code(const char (&inText)[5])
{
    return CxUint32(CxUint8(inText[0])) << 24 | CxUint32(CxUint8(inText[1])) << 16 | CxUint32(CxUint8(inText[2])) << 8 |
           CxUint32(CxUint8(inText[3]));
}

struct Row
{
    const char* mMime;
    const char* mExtension;
    CxUint32 mCreator;
    CxUint32 mType;
    const char* mDescription;
};

// Searched in this order: where rows share an extension or a type, the first one answers.
constexpr Row kBuiltIn[] = {
    {"application/netcdf", ".nc", 0, 0, "Network Common Data Format"},
    {"application/kts", ".kts", 0, Code("TEXT"), "Korvel Time Series"},
    {"application/kdf", ".kdf", 0, Code("TEXT"), "Korvel Data Format"},
    {"text/xkdf", ".xkdf", 0, Code("TEXT"), "Extensible Korvel Data Format"},
    {"text/xml", ".xml", 0, Code("TEXT"), "Extensible Markup Language"},
    {"text/vanedoc", ".vanedoc", Code("VDOC"), Code("TEXT"), "Vanelang"},
    {"text/wxml", ".wxml", Code("WxPL"), Code("TEXT"), "WxVane Plugin Document"},
    {"image/gif", ".gif", Code("prvw"), Code("GIFf"), "GIF Image"},
    {"image/jpeg", ".jpg", Code("prvw"), Code("JPEG"), "JPEG Image"},
    {"image/jpg", ".jpg", Code("prvw"), Code("JPEG"), "JPEG Image"},
    {"image/png", ".png", Code("prvw"), Code("PNGf"), "PNG Image"},
    {"image/x-sgi", ".sgi", Code("prvw"), Code(".SGI"), "SGI Image"},
    {"image/x-photoshop", ".psd", Code("prvw"), Code("8BPS"), "Photoshop Image"},
    {"image/x-macpaint", ".mac", Code("prvw"), Code("PNTG"), "MacPaint Image"},
    {"image/tiff", ".tif", Code("prvw"), Code("TIFF"), "TIFF Image"},
    {"image/x-targa", ".tga", Code("prvw"), Code("TPIC"), "Targa Image"},
    {"image/x-quicktime", ".qti", Code("prvw"), Code("qtif"), "QuickTime Image"},
    {"image/pdf", ".pdf", Code("prvw"), Code("PDF "), "Adobe PDF"},
    {"image/x-pict", ".pict", Code("prvw"), Code("PICT"), "PICT Image"},
    {"image/jpeg2000-image", ".jp2", Code("prvw"), Code("jp2 "), "JPEG 2000 Image"},
    {"image/x-jpeg2000-image", ".jp2", Code("prvw"), Code("jp2 "), "JPEG 2000 Image"},
    {"image/jp2", ".jp2", Code("prvw"), Code("jp2 "), "JPEG 2000 Image"},
    {"image/jpeg2000", ".jp2", Code("prvw"), Code("jp2 "), "JPEG 2000 Image"},
    {"image/x-bmp", ".bmp", Code("prvw"), Code("BMPf"), "Bitmap Image"},
    {"image/nids", ".nids", 0, Code("NIDS"), "NEXRAD Level III"},
    {"image/nids-mosaic", ".nids", 0, Code("NIDS"), "NEXRAD National Mosaic"},
};

// Registration runs on the main thread while the data managers look types up on job threads.
CxCriticalRegion& MimesLock()
{
    static CxCriticalRegion sLock;
    return sLock;
}

std::vector<CxMimeInfo>& Mimes()
{
    static std::vector<CxMimeInfo> sMimes;
    return sMimes;
}

CxMimeInfo FromRow(const Row& inRow)
{
    return CxMimeInfo(CxString(inRow.mMime), CxString(inRow.mExtension), inRow.mCreator, inRow.mType,
                      CxString(inRow.mDescription));
}

// The first registered entry, then the first built-in row, that the predicates accept; null when none does.
template <typename EntryMatch, typename RowMatch>
bool Find(EntryMatch inEntryMatch, RowMatch inRowMatch, CxMimeInfo& outInfo)
{
    {
        CxAutoLock lock(MimesLock());
        for (const CxMimeInfo& entry : Mimes())
        {
            if (inEntryMatch(entry))
            {
                outInfo = entry;
                return true;
            }
        }
    }
    for (const Row& row : kBuiltIn)
    {
        if (inRowMatch(row))
        {
            outInfo = FromRow(row);
            return true;
        }
    }
    return false;
}

} // namespace

CxMimeInfo::CxMimeInfo(const CxString& inMime, const CxString& inExtension, CxUint32 inCreator, CxUint32 inType,
                       const CxString& inDescription)
    : mMime(inMime), mExtension(inExtension), mCreator(inCreator), mType(inType), mDescription(inDescription)
{
}

CxMimeInfo CxMimeInfo::FromMime(const CxString& inMime)
{
    CxMimeInfo info;
    if (!Find([&](const CxMimeInfo& e) { return e.mMime == inMime; }, [&](const Row& r) { return inMime == r.mMime; },
              info))
        info.mMime = inMime;
    return info;
}

CxMimeInfo CxMimeInfo::FromExtension(const CxString& inExtension)
{
    CxMimeInfo info;
    if (!Find([&](const CxMimeInfo& e) { return e.mExtension == inExtension; },
              [&](const Row& r) { return inExtension == r.mExtension; }, info))
        info.mExtension = inExtension;
    return info;
}

CxMimeInfo CxMimeInfo::FromType(CxUint32 inType)
{
    CxMimeInfo info;
    if (!Find([&](const CxMimeInfo& e) { return e.mType == inType; }, [&](const Row& r) { return r.mType == inType; },
              info))
        info.mType = inType;
    return info;
}

void CxMimeInfo::Register() const
{
    CxAutoLock lock(MimesLock());
    for (CxMimeInfo& entry : Mimes())
    {
        if (entry.mMime == mMime)
        {
            entry = *this;
            return;
        }
    }
    Mimes().push_back(*this);
}
