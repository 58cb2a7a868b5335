#include "GxTextEngine.h"

#include "CxDebug.h"

#include <fontconfig/fontconfig.h>
#if defined(__SANITIZE_ADDRESS__)
#define GX_TEXT_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(leak_sanitizer)
#define GX_TEXT_LEAK_CHECKED 1
#endif
#endif
#ifdef GX_TEXT_LEAK_CHECKED
#include <sanitizer/lsan_interface.h>
#endif
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <map>
#include <utility>

namespace
{

// ---------------------------------------------------------------------------------------------------------------
// The registry's state, made once and never destroyed: faces may be closed by objects that outlive static
// destruction.

struct Registry
{
    std::mutex mMutex;
    bool mStarted = false;
    FT_Library mLibrary = nullptr;
    std::vector<GxFontFace> mFaces; // by id; [0] has no file when fontconfig found nothing
    std::map<std::pair<std::string, CxSint32>, CxUint32> mIds;
    std::map<CxString, CxUint32> mNames;                            // full names asked for, found ones only
    std::map<CxUint32, FcFontSet*> mFallbacks;                      // sorted fonts per id, made on first need
    std::map<std::pair<CxUint32, CxUint32>, CxUint32> mFallbackIds; // (id, character) -> id
};

Registry& TheRegistry()
{
    static Registry* sRegistry = new Registry();
    return *sRegistry;
}

CxString PatternString(FcPattern* inPattern, const char* inObject)
{
    FcChar8* value = nullptr;
    if (FcPatternGetString(inPattern, inObject, 0, &value) != FcResultMatch || value == nullptr)
        return CxString();
    return CxString::FromUtf8(reinterpret_cast<const char*>(value));
}

// Reads the face a fontconfig pattern names; false without a file.
bool FaceOfPattern(FcPattern* inPattern, GxFontFace& outFace)
{
    FcChar8* file = nullptr;
    if (FcPatternGetString(inPattern, FC_FILE, 0, &file) != FcResultMatch || file == nullptr)
        return false;
    int index = 0;
    if (FcPatternGetInteger(inPattern, FC_INDEX, 0, &index) != FcResultMatch)
        index = 0;
    outFace.mFile = reinterpret_cast<const char*>(file);
    outFace.mIndex = index;
    outFace.mFullName = PatternString(inPattern, FC_FULLNAME);
    outFace.mFamily = PatternString(inPattern, FC_FAMILY);
    return true;
}

CxUint32 RegisterLocked(Registry& ioRegistry, const GxFontFace& inFace)
{
    const auto key = std::make_pair(inFace.mFile, inFace.mIndex);
    const auto found = ioRegistry.mIds.find(key);
    if (found != ioRegistry.mIds.end())
        return found->second;
    const auto id = static_cast<CxUint32>(ioRegistry.mFaces.size());
    ioRegistry.mFaces.push_back(inFace);
    ioRegistry.mIds.emplace(key, id);
    return id;
}

// The best match of a pattern after fontconfig's substitutions.
bool MatchLocked(FcPattern* ioPattern, GxFontFace& outFace)
{
    FcConfigSubstitute(nullptr, ioPattern, FcMatchPattern);
    FcDefaultSubstitute(ioPattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, ioPattern, &result);
    const bool found = match != nullptr && FaceOfPattern(match, outFace);
    if (match != nullptr)
        FcPatternDestroy(match);
    return found;
}

void StartLocked(Registry& ioRegistry)
{
    if (ioRegistry.mStarted)
        return;
    ioRegistry.mStarted = true;
    {
        // Fontconfig loses a little memory while it parses its configuration, once per process: not ours to
        // report.
#ifdef GX_TEXT_LEAK_CHECKED
        __lsan_disable();
#endif
        FcInit();
#ifdef GX_TEXT_LEAK_CHECKED
        __lsan_enable();
#endif
    }
    const FT_Error err = FT_Init_FreeType(&ioRegistry.mLibrary);
    CxAssertText(err == 0, "FT_Init_FreeType(&library) == 0");
    if (err != 0)
        ioRegistry.mLibrary = nullptr;

    GxFontFace defaultFace;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
    const bool found = pattern != nullptr && MatchLocked(pattern, defaultFace);
    if (pattern != nullptr)
        FcPatternDestroy(pattern);
    CxAssertText(found, "a default sans-serif font");
    ioRegistry.mFaces.push_back(defaultFace);
    if (found)
        ioRegistry.mIds.emplace(std::make_pair(defaultFace.mFile, defaultFace.mIndex), 0);
}

bool KnownLocked(const Registry& inRegistry, CxUint32 inId)
{
    return inId < inRegistry.mFaces.size() && !inRegistry.mFaces[inId].mFile.empty();
}

FcFontSet* FallbacksLocked(Registry& ioRegistry, CxUint32 inId)
{
    const auto found = ioRegistry.mFallbacks.find(inId);
    if (found != ioRegistry.mFallbacks.end())
        return found->second;
    FcFontSet* fonts = nullptr;
    if (FcPattern* pattern = FcPatternCreate())
    {
        const std::string family = ioRegistry.mFaces[inId].mFamily.AsUtf8();
        if (!family.empty())
            FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        fonts = FcFontSort(nullptr, pattern, FcTrue, nullptr, &result);
        FcPatternDestroy(pattern);
    }
    ioRegistry.mFallbacks.emplace(inId, fonts);
    return fonts;
}

CxSint32 CeilPixels(CxSint64 inSixtyFourths)
{
    return static_cast<CxSint32>((inSixtyFourths + 63) >> 6);
}

CxSint32 FloorPixels(CxSint64 inSixtyFourths)
{
    return static_cast<CxSint32>(inSixtyFourths >> 6);
}

} // namespace

// ---------------------------------------------------------------------------------------------------------------
// GxFontRegistry

bool GxFontRegistry::FindFullName(const CxString& inName, CxUint32& outId)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mMutex);
    StartLocked(registry);
    const auto known = registry.mNames.find(inName);
    if (known != registry.mNames.end())
    {
        outId = known->second;
        return true;
    }
    const std::string name = inName.AsUtf8();
    if (name.empty())
        return false;

    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, FC_FULLNAME, FC_FAMILY, nullptr);
    FcFontSet* fonts = nullptr;
    if (pattern != nullptr && objects != nullptr &&
        FcPatternAddString(pattern, FC_FULLNAME, reinterpret_cast<const FcChar8*>(name.c_str())))
        fonts = FcFontList(nullptr, pattern, objects);

    // Several files may carry the name: the first by path, so the answer does not hang on the cache's order.
    bool found = false;
    GxFontFace best;
    for (int i = 0; fonts != nullptr && i < fonts->nfont; ++i)
    {
        GxFontFace face;
        if (!FaceOfPattern(fonts->fonts[i], face))
            continue;
        if (!found || std::make_pair(face.mFile, face.mIndex) < std::make_pair(best.mFile, best.mIndex))
            best = face;
        found = true;
    }
    if (fonts != nullptr)
        FcFontSetDestroy(fonts);
    if (objects != nullptr)
        FcObjectSetDestroy(objects);
    if (pattern != nullptr)
        FcPatternDestroy(pattern);
    if (!found)
        return false;
    outId = RegisterLocked(registry, best);
    registry.mNames.emplace(inName, outId);
    return true;
}

bool GxFontRegistry::Describe(CxUint32 inId, GxFontFace& outFace)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mMutex);
    StartLocked(registry);
    if (!KnownLocked(registry, inId))
        return false;
    outFace = registry.mFaces[inId];
    return true;
}

CxString GxFontRegistry::FullName(CxUint32 inId)
{
    GxFontFace face;
    return Describe(inId, face) ? face.mFullName : CxString();
}

CxUint32 GxFontRegistry::FindStyled(CxUint32 inId, bool inBold, bool inItalic)
{
    if (!inBold && !inItalic)
        return inId;
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mMutex);
    StartLocked(registry);
    if (!KnownLocked(registry, inId))
        return inId;
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr)
        return inId;
    const std::string family = registry.mFaces[inId].mFamily.AsUtf8();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, inBold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, inItalic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    GxFontFace face;
    const bool found = MatchLocked(pattern, face);
    FcPatternDestroy(pattern);
    return found ? RegisterLocked(registry, face) : inId;
}

bool GxFontRegistry::FindFallback(CxUint32 inId, CxUint32 inCodePoint, CxUint32& outId)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mMutex);
    StartLocked(registry);
    if (!KnownLocked(registry, inId))
        inId = GxFontRegistry::kDefaultFontId;
    if (!KnownLocked(registry, inId))
        return false;
    const auto key = std::make_pair(inId, inCodePoint);
    const auto known = registry.mFallbackIds.find(key);
    if (known != registry.mFallbackIds.end())
    {
        outId = known->second;
        return true;
    }
    FcFontSet* fonts = FallbacksLocked(registry, inId);
    for (int i = 0; fonts != nullptr && i < fonts->nfont; ++i)
    {
        FcPattern* font = fonts->fonts[i];
        FcBool scalable = FcTrue;
        if (FcPatternGetBool(font, FC_SCALABLE, 0, &scalable) == FcResultMatch && !scalable)
            continue;
        FcCharSet* characters = nullptr;
        if (FcPatternGetCharSet(font, FC_CHARSET, 0, &characters) != FcResultMatch ||
            !FcCharSetHasChar(characters, inCodePoint))
            continue;
        GxFontFace face;
        if (!FaceOfPattern(font, face))
            continue;
        outId = RegisterLocked(registry, face);
        registry.mFallbackIds.emplace(key, outId);
        return true;
    }
    return false;
}

FT_FaceRec_* GxFontRegistry::OpenFace(CxUint32 inId, CxSint32 inPixelSize)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mMutex);
    StartLocked(registry);
    if (registry.mLibrary == nullptr || !KnownLocked(registry, inId) || inPixelSize <= 0)
        return nullptr;
    const GxFontFace& face = registry.mFaces[inId];
    FT_Face ftFace = nullptr;
    if (FT_New_Face(registry.mLibrary, face.mFile.c_str(), face.mIndex, &ftFace) != 0)
        return nullptr;
    if (FT_Set_Pixel_Sizes(ftFace, 0, static_cast<FT_UInt>(inPixelSize)) != 0)
    {
        FT_Done_Face(ftFace);
        return nullptr;
    }
    return ftFace;
}

void GxFontRegistry::CloseFace(FT_FaceRec_* inFace)
{
    if (inFace == nullptr)
        return;
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mMutex);
    FT_Done_Face(inFace);
}

// ---------------------------------------------------------------------------------------------------------------
// GxTextStyle

std::shared_ptr<GxTextStyle> GxTextStyle::Make(CxUint32 inFontId, CxSint32 inPixelSize)
{
    if (inPixelSize <= 0)
        return nullptr;
    CxAssertText(inPixelSize <= kMaxPixelSize, "inPixelSize <= 1000");
    const CxSint32 pixelSize = std::min(inPixelSize, kMaxPixelSize);
    FT_Face face = GxFontRegistry::OpenFace(inFontId, pixelSize);
    if (face == nullptr)
        return nullptr;
    return std::shared_ptr<GxTextStyle>(new GxTextStyle(inFontId, pixelSize, face));
}

GxTextStyle::GxTextStyle(CxUint32 inFontId, CxSint32 inPixelSize, FT_FaceRec_* inFace)
    : mFontId(inFontId), mPixelSize(inPixelSize)
{
    mFaces.push_back(Face{inFontId, inFace});
    mAscent = std::max(0, CeilPixels(inFace->size->metrics.ascender));
    mDescent = std::max(0, CeilPixels(-static_cast<CxSint64>(inFace->size->metrics.descender)));
}

GxTextStyle::~GxTextStyle()
{
    for (const Face& face : mFaces)
        GxFontRegistry::CloseFace(face.mFace);
}

const GxTextStyle::Glyph& GxTextStyle::GlyphLocked(CxUint32 inCodePoint)
{
    const auto cached = mGlyphs.find(inCodePoint);
    if (cached != mGlyphs.end())
        return cached->second;

    Glyph glyph;
    glyph.mIndex = FT_Get_Char_Index(mFaces[0].mFace, inCodePoint);
    CxUint32 fallbackId = 0;
    if (glyph.mIndex == 0 && GxFontRegistry::FindFallback(mFontId, inCodePoint, fallbackId))
    {
        auto slot = std::find_if(mFaces.begin(), mFaces.end(),
                                 [fallbackId](const Face& inFace) { return inFace.mFontId == fallbackId; });
        if (slot == mFaces.end())
        {
            if (FT_Face face = GxFontRegistry::OpenFace(fallbackId, mPixelSize))
            {
                mFaces.push_back(Face{fallbackId, face});
                slot = mFaces.end() - 1;
            }
        }
        if (slot != mFaces.end())
        {
            const FT_UInt index = FT_Get_Char_Index(slot->mFace, inCodePoint);
            if (index != 0)
            {
                glyph.mFace = static_cast<CxUint32>(slot - mFaces.begin());
                glyph.mIndex = index;
            }
        }
    }

    FT_Face face = mFaces[glyph.mFace].mFace;
    if (FT_Load_Glyph(face, glyph.mIndex, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) == 0)
    {
        const FT_GlyphSlot slot = face->glyph;
        glyph.mAdvance = slot->advance.x;
        if (slot->format == FT_GLYPH_FORMAT_OUTLINE && slot->outline.n_points > 0)
        {
            FT_BBox box;
            FT_Outline_Get_CBox(&slot->outline, &box);
            glyph.mInkLeft = box.xMin;
            glyph.mInkRight = box.xMax;
            glyph.mHasInk = box.xMax > box.xMin;
        }
        else if (slot->format == FT_GLYPH_FORMAT_BITMAP && slot->bitmap.width > 0)
        {
            glyph.mInkLeft = static_cast<CxSint64>(slot->bitmap_left) * 64;
            glyph.mInkRight = glyph.mInkLeft + static_cast<CxSint64>(slot->bitmap.width) * 64;
            glyph.mHasInk = true;
        }
    }
    return mGlyphs.emplace(inCodePoint, glyph).first->second;
}

CxSint64 GxTextStyle::KerningLocked(const Glyph& inLeft, const Glyph& inRight)
{
    if (inLeft.mFace != inRight.mFace)
        return 0;
    FT_Face face = mFaces[inLeft.mFace].mFace;
    if (!FT_HAS_KERNING(face))
        return 0;
    FT_Vector delta{0, 0};
    if (FT_Get_Kerning(face, inLeft.mIndex, inRight.mIndex, FT_KERNING_UNFITTED, &delta) != 0)
        return 0;
    return delta.x;
}

// ---------------------------------------------------------------------------------------------------------------
// GxTextLayout

void GxTextLayout::Clear()
{
    mStyle.reset();
    mCodePoints.clear();
    mGlyphs.clear();
    mEndOffset = 0;
    mInkWidth = 0;
    mTruncated = false;
}

CxUint32 GxTextLayout::GlyphFontId(CxUint32 inIndex) const
{
    if (!mStyle || inIndex >= mGlyphs.size())
        return 0;
    std::lock_guard<std::mutex> lock(mStyle->mMutex);
    return mStyle->mFaces[mGlyphs[inIndex].mFace].mFontId;
}

CxSint64 GxTextLayout::PlaceLocked(const std::vector<CxUint32>& inCodePoints)
{
    mGlyphs.clear();
    mGlyphs.reserve(inCodePoints.size());
    CxSint64 pen = 0;
    CxSint64 inkLeft = 0;
    CxSint64 inkRight = 0;
    bool inked = false;
    const GxTextStyle::Glyph* previous = nullptr;
    for (const CxUint32 codePoint : inCodePoints)
    {
        const GxTextStyle::Glyph& glyph = mStyle->GlyphLocked(codePoint);
        if (previous != nullptr)
            pen += mStyle->KerningLocked(*previous, glyph);
        mGlyphs.push_back(Placed{glyph.mFace, glyph.mIndex, pen});
        if (glyph.mHasInk)
        {
            inkLeft = inked ? std::min(inkLeft, pen + glyph.mInkLeft) : pen + glyph.mInkLeft;
            inkRight = inked ? std::max(inkRight, pen + glyph.mInkRight) : pen + glyph.mInkRight;
            inked = true;
        }
        pen += glyph.mAdvance;
        previous = &glyph;
    }
    mEndOffset = std::max(0, CeilPixels(pen));
    mInkWidth = inked ? CeilPixels(inkRight) - FloorPixels(inkLeft) : 0;
    return pen;
}

void GxTextLayout::Build(const CxUint16* inUnits, CxUint32 inCount, const GxTextStyleRef& inStyle, CxSint32 inMaxWidth)
{
    Clear();
    if (!inStyle)
        return;
    mStyle = inStyle;

    std::vector<CxUint32> codePoints;
    codePoints.reserve(inCount);
    for (CxUint32 i = 0; i < inCount; ++i)
    {
        const CxUint32 unit = inUnits[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < inCount && inUnits[i + 1] >= 0xDC00 && inUnits[i + 1] <= 0xDFFF)
        {
            codePoints.push_back(0x10000 + ((unit - 0xD800) << 10) + (inUnits[i + 1] - 0xDC00));
            ++i;
        }
        else if (unit >= 0xD800 && unit <= 0xDFFF)
            codePoints.push_back(0xFFFD);
        else
            codePoints.push_back(unit);
    }

    std::lock_guard<std::mutex> lock(mStyle->mMutex);
    const CxSint64 total = PlaceLocked(codePoints);
    if (inMaxWidth <= 0 || mEndOffset <= inMaxWidth)
    {
        mCodePoints = std::move(codePoints);
        return;
    }

    // Too wide: estimate how much of each end fits beside the ellipsis from the pen positions, taking one
    // character from the start, then one from the end, while either fits; then check the real layout, which may
    // differ by the kerning at the two joins, and give back characters until it fits.
    const std::size_t count = codePoints.size();
    std::vector<CxSint64> pens(count + 1);
    for (std::size_t i = 0; i < count; ++i)
        pens[i] = mGlyphs[i].mPen;
    pens[count] = total;
    const CxSint64 ellipsis = mStyle->GlyphLocked(kEllipsis).mAdvance;
    const CxSint64 limit = static_cast<CxSint64>(inMaxWidth) * 64;
    auto fits = [&](std::size_t inLeft, std::size_t inRight)
    { return pens[inLeft] + ellipsis + (total - pens[count - inRight]) <= limit; };
    std::size_t left = 0;
    std::size_t right = 0;
    for (bool grew = true; grew;)
    {
        grew = false;
        if (left + right < count && fits(left + 1, right))
        {
            ++left;
            grew = true;
        }
        if (left + right < count && fits(left, right + 1))
        {
            ++right;
            grew = true;
        }
    }

    std::vector<CxUint32> truncated;
    for (;;)
    {
        truncated.assign(codePoints.begin(), codePoints.begin() + static_cast<std::ptrdiff_t>(left));
        truncated.push_back(kEllipsis);
        truncated.insert(truncated.end(), codePoints.end() - static_cast<std::ptrdiff_t>(right), codePoints.end());
        PlaceLocked(truncated);
        if (mEndOffset <= inMaxWidth || left + right == 0)
            break;
        if (left >= right)
            --left;
        else
            --right;
    }
    mCodePoints = std::move(truncated);
    mTruncated = true;
}

void GxTextLayout::Render(CxUint8* ioCoverage, CxSint32 inWidth, CxSint32 inHeight, CxSint32 inX,
                          CxSint32 inBaseline) const
{
    if (!mStyle || ioCoverage == nullptr || inWidth <= 0 || inHeight <= 0)
        return;
    std::lock_guard<std::mutex> lock(mStyle->mMutex);
    for (const Placed& placed : mGlyphs)
    {
        FT_Face face = mStyle->mFaces[placed.mFace].mFace;
        if (FT_Load_Glyph(face, placed.mIndex, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0)
            continue;
        const FT_GlyphSlot slot = face->glyph;
        // Whole pixels move the bitmap; the fraction moves the outline, so kerning keeps its subpixel effect.
        const CxSint64 whole = placed.mPen >> 6;
        const CxSint64 fraction = placed.mPen - whole * 64;
        if (slot->format == FT_GLYPH_FORMAT_OUTLINE)
        {
            if (slot->outline.n_points == 0)
                continue;
            FT_Outline_Translate(&slot->outline, static_cast<FT_Pos>(fraction), 0);
        }
        if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
            continue;
        const FT_Bitmap& bitmap = slot->bitmap;
        if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.pixel_mode != FT_PIXEL_MODE_MONO)
            continue;
        const CxSint64 left = inX + whole + slot->bitmap_left;
        const CxSint64 top = static_cast<CxSint64>(inBaseline) - slot->bitmap_top;
        const CxSint64 rows = bitmap.rows;
        const CxSint64 columns = bitmap.width;
        const CxSint64 pitch = bitmap.pitch;
        for (CxSint64 row = 0; row < rows; ++row)
        {
            const CxSint64 y = top + row;
            if (y < 0 || y >= inHeight)
                continue;
            const unsigned char* source =
                pitch >= 0 ? bitmap.buffer + row * pitch : bitmap.buffer + (rows - 1 - row) * -pitch;
            CxUint8* target = ioCoverage + y * inWidth;
            const CxSint64 first = std::max<CxSint64>(0, -left);
            const CxSint64 last = std::min<CxSint64>(columns, inWidth - left);
            for (CxSint64 column = first; column < last; ++column)
            {
                CxUint32 value = bitmap.pixel_mode == FT_PIXEL_MODE_GRAY
                                     ? source[column]
                                     : ((source[column >> 3] >> (7 - (column & 7))) & 1) * 255u;
                if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && bitmap.num_grays > 1 && bitmap.num_grays != 256)
                    value = value * 255u / (bitmap.num_grays - 1u);
                if (value == 0)
                    continue;
                CxUint8& pixel = target[left + column];
                pixel = static_cast<CxUint8>(value + (pixel * (255u - value) + 127u) / 255u);
            }
        }
    }
}
