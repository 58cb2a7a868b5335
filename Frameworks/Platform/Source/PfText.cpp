#include "PfText.h"
#include "PfWindowServerState.h"

#include <fontconfig/fontconfig.h>
#if defined(__SANITIZE_ADDRESS__)
#define PF_TEXT_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(leak_sanitizer)
#define PF_TEXT_LEAK_CHECKED 1
#endif
#endif
#ifdef PF_TEXT_LEAK_CHECKED
#include <sanitizer/lsan_interface.h>
#endif
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <map>
#include <utility>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pf
{

namespace
{

// ---------------------------------------------------------------------------------------------------------------
// The registry's state, made once and never destroyed: faces may be closed by objects that outlive static
// destruction.

// A font file mapped read-only, for every face made from it.
struct MappedFile
{
    void* mBytes = nullptr;
    std::size_t mSize = 0;
    std::uint32_t mUsers = 0;
};

// One face of a font at one pixel size, for every style that asks for it. The registry's mutex guards the count;
// the face's own mutex its FreeType state.
struct SharedFace
{
    std::pair<std::uint32_t, std::int32_t> mKey; // font id, pixel size
    std::string mFile;
    FT_Face mFace = nullptr;
    std::uint32_t mUsers = 0;
    std::mutex mMutex;
};

struct Registry
{
    std::mutex mMutex;
    bool mStarted = false;
    FT_Library mLibrary = nullptr;
    std::vector<FontFace> mFaces; // by id; [0] has no file when fontconfig found nothing
    std::map<std::pair<std::string, std::int32_t>, std::uint32_t> mIds;
    std::map<std::string, std::uint32_t> mNames;    // full names asked for, found ones only
    std::map<std::uint32_t, FcFontSet*> mFallbacks; // sorted fonts per id, made on first need
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint32_t> mFallbackIds; // (id, character) -> id
    std::map<std::string, MappedFile> mFiles;
    std::map<std::pair<std::uint32_t, std::int32_t>, SharedFace*> mShared;
};

Registry& TheRegistry()
{
    static Registry* sRegistry = new Registry();
    return *sRegistry;
}

std::string PatternString(FcPattern* inPattern, const char* inObject)
{
    FcChar8* value = nullptr;
    if (FcPatternGetString(inPattern, inObject, 0, &value) != FcResultMatch || value == nullptr)
        return std::string();
    return reinterpret_cast<const char*>(value);
}

// Reads the face a fontconfig pattern names; false without a file.
bool FaceOfPattern(FcPattern* inPattern, FontFace& outFace)
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

std::uint32_t RegisterLocked(Registry& ioRegistry, const FontFace& inFace)
{
    const auto key = std::make_pair(inFace.mFile, inFace.mIndex);
    const auto found = ioRegistry.mIds.find(key);
    if (found != ioRegistry.mIds.end())
        return found->second;
    const auto id = static_cast<std::uint32_t>(ioRegistry.mFaces.size());
    ioRegistry.mFaces.push_back(inFace);
    ioRegistry.mIds.emplace(key, id);
    return id;
}

// The best match of a pattern after fontconfig's substitutions.
bool MatchLocked(FcPattern* ioPattern, FontFace& outFace)
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
#ifdef PF_TEXT_LEAK_CHECKED
        __lsan_disable();
#endif
        FcInit();
#ifdef PF_TEXT_LEAK_CHECKED
        __lsan_enable();
#endif
    }
    const FT_Error err = FT_Init_FreeType(&ioRegistry.mLibrary);
    if (err != 0)
        Log("text: FreeType did not start (error " + std::to_string(err) + ")");
    if (err != 0)
        ioRegistry.mLibrary = nullptr;

    FontFace defaultFace;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
    const bool found = pattern != nullptr && MatchLocked(pattern, defaultFace);
    if (pattern != nullptr)
        FcPatternDestroy(pattern);
    if (!found)
        Log("text: fontconfig found no sans-serif font");
    ioRegistry.mFaces.push_back(defaultFace);
    if (found)
        ioRegistry.mIds.emplace(std::make_pair(defaultFace.mFile, defaultFace.mIndex), 0);
}

// The file's mapping, made on first need and counted; null when it cannot be read.
MappedFile* MapFileLocked(Registry& ioRegistry, const std::string& inPath)
{
    if (const auto found = ioRegistry.mFiles.find(inPath); found != ioRegistry.mFiles.end())
    {
        ++found->second.mUsers;
        return &found->second;
    }
    const int fd = ::open(inPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st;
    void* bytes = MAP_FAILED;
    if (::fstat(fd, &st) == 0 && st.st_size > 0)
        bytes = ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (bytes == MAP_FAILED)
        return nullptr;
    MappedFile& file = ioRegistry.mFiles[inPath];
    file.mBytes = bytes;
    file.mSize = static_cast<std::size_t>(st.st_size);
    file.mUsers = 1;
    return &file;
}

void UnmapFileLocked(Registry& ioRegistry, const std::string& inPath)
{
    const auto found = ioRegistry.mFiles.find(inPath);
    if (found == ioRegistry.mFiles.end() || --found->second.mUsers > 0)
        return;
    ::munmap(found->second.mBytes, found->second.mSize);
    ioRegistry.mFiles.erase(found);
}

bool KnownLocked(const Registry& inRegistry, std::uint32_t inId)
{
    return inId < inRegistry.mFaces.size() && !inRegistry.mFaces[inId].mFile.empty();
}

FcFontSet* FallbacksLocked(Registry& ioRegistry, std::uint32_t inId)
{
    const auto found = ioRegistry.mFallbacks.find(inId);
    if (found != ioRegistry.mFallbacks.end())
        return found->second;
    FcFontSet* fonts = nullptr;
    if (FcPattern* pattern = FcPatternCreate())
    {
        const std::string family = ioRegistry.mFaces[inId].mFamily;
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

std::int32_t CeilPixels(std::int64_t inSixtyFourths)
{
    return static_cast<std::int32_t>((inSixtyFourths + 63) >> 6);
}

std::int32_t FloorPixels(std::int64_t inSixtyFourths)
{
    return static_cast<std::int32_t>(inSixtyFourths >> 6);
}

FT_UInt CharIndex(FT_Face inFace, std::uint32_t inCodePoint)
{
    const FontRegistry::FaceLock lock(inFace);
    return FT_Get_Char_Index(inFace, inCodePoint);
}

} // namespace

// ---------------------------------------------------------------------------------------------------------------
// FontRegistry

bool FontRegistry::FindFullName(const std::string& inName, std::uint32_t& outId)
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
    const std::string& name = inName;
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
    FontFace best;
    for (int i = 0; fonts != nullptr && i < fonts->nfont; ++i)
    {
        FontFace face;
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

bool FontRegistry::Describe(std::uint32_t inId, FontFace& outFace)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mMutex);
    StartLocked(registry);
    if (!KnownLocked(registry, inId))
        return false;
    outFace = registry.mFaces[inId];
    return true;
}

std::string FontRegistry::FullName(std::uint32_t inId)
{
    FontFace face;
    return Describe(inId, face) ? face.mFullName : std::string();
}

std::uint32_t FontRegistry::FindStyled(std::uint32_t inId, bool inBold, bool inItalic)
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
    const std::string family = registry.mFaces[inId].mFamily;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, inBold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, inItalic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FontFace face;
    const bool found = MatchLocked(pattern, face);
    FcPatternDestroy(pattern);
    return found ? RegisterLocked(registry, face) : inId;
}

bool FontRegistry::FindFallback(std::uint32_t inId, std::uint32_t inCodePoint, std::uint32_t& outId)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mMutex);
    StartLocked(registry);
    if (!KnownLocked(registry, inId))
        inId = FontRegistry::kDefaultFontId;
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
        FontFace face;
        if (!FaceOfPattern(font, face))
            continue;
        outId = RegisterLocked(registry, face);
        registry.mFallbackIds.emplace(key, outId);
        return true;
    }
    return false;
}

FT_FaceRec_* FontRegistry::OpenFace(std::uint32_t inId, std::int32_t inPixelSize)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mMutex);
    StartLocked(registry);
    if (registry.mLibrary == nullptr || !KnownLocked(registry, inId) || inPixelSize <= 0)
        return nullptr;
    const auto key = std::make_pair(inId, inPixelSize);
    if (const auto found = registry.mShared.find(key); found != registry.mShared.end())
    {
        ++found->second->mUsers;
        return found->second->mFace;
    }
    const FontFace& face = registry.mFaces[inId];
    MappedFile* file = MapFileLocked(registry, face.mFile);
    if (file == nullptr)
        return nullptr;
    FT_Face ftFace = nullptr;
    if (FT_New_Memory_Face(registry.mLibrary, static_cast<const FT_Byte*>(file->mBytes),
                           static_cast<FT_Long>(file->mSize), face.mIndex, &ftFace) != 0)
    {
        UnmapFileLocked(registry, face.mFile);
        return nullptr;
    }
    if (FT_Set_Pixel_Sizes(ftFace, 0, static_cast<FT_UInt>(inPixelSize)) != 0)
    {
        FT_Done_Face(ftFace);
        UnmapFileLocked(registry, face.mFile);
        return nullptr;
    }
    auto* shared = new SharedFace();
    shared->mKey = key;
    shared->mFile = face.mFile;
    shared->mFace = ftFace;
    shared->mUsers = 1;
    ftFace->generic.data = shared;
    ftFace->generic.finalizer = nullptr;
    registry.mShared.emplace(key, shared);
    return ftFace;
}

void FontRegistry::CloseFace(FT_FaceRec_* inFace)
{
    if (inFace == nullptr)
        return;
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mMutex);
    auto* shared = static_cast<SharedFace*>(inFace->generic.data);
    if (shared == nullptr || --shared->mUsers > 0)
        return;
    registry.mShared.erase(shared->mKey);
    FT_Done_Face(shared->mFace);
    UnmapFileLocked(registry, shared->mFile);
    delete shared;
}

FontRegistry::FaceLock::FaceLock(FT_FaceRec_* inFace)
{
    if (inFace != nullptr && inFace->generic.data != nullptr)
        mMutex = &static_cast<SharedFace*>(inFace->generic.data)->mMutex;
    if (mMutex != nullptr)
        mMutex->lock();
}

FontRegistry::FaceLock::~FaceLock()
{
    if (mMutex != nullptr)
        mMutex->unlock();
}

// ---------------------------------------------------------------------------------------------------------------
// TextStyle

FT_FaceRec_* TextStyle::OpenChecked(std::uint32_t inFontId, std::int32_t& ioPixelSize)
{
    if (ioPixelSize <= 0)
        return nullptr;
    if (ioPixelSize > kMaxPixelSize)
    {
        Log("text: pixel size " + std::to_string(ioPixelSize) + " cut to " + std::to_string(kMaxPixelSize));
        ioPixelSize = kMaxPixelSize;
    }
    return FontRegistry::OpenFace(inFontId, ioPixelSize);
}

std::shared_ptr<TextStyle> TextStyle::Make(std::uint32_t inFontId, std::int32_t inPixelSize)
{
    FT_Face face = OpenChecked(inFontId, inPixelSize);
    if (face == nullptr)
        return nullptr;
    return std::shared_ptr<TextStyle>(new TextStyle(inFontId, inPixelSize, face));
}

TextStyle::TextStyle(std::uint32_t inFontId, std::int32_t inPixelSize, FT_FaceRec_* inFace)
    : mFontId(inFontId), mPixelSize(inPixelSize)
{
    mFaces.push_back(Face{inFontId, inFace});
    const FontRegistry::FaceLock lock(inFace);
    mAscent = std::max(0, CeilPixels(inFace->size->metrics.ascender));
    mDescent = std::max(0, CeilPixels(-static_cast<std::int64_t>(inFace->size->metrics.descender)));
}

TextStyle::~TextStyle()
{
    for (const Face& face : mFaces)
        FontRegistry::CloseFace(face.mFace);
}

const TextStyle::Glyph& TextStyle::GlyphLocked(std::uint32_t inCodePoint)
{
    const auto cached = mGlyphs.find(inCodePoint);
    if (cached != mGlyphs.end())
        return cached->second;

    Glyph glyph;
    glyph.mIndex = CharIndex(mFaces[0].mFace, inCodePoint);
    std::uint32_t fallbackId = 0;
    if (glyph.mIndex == 0 && FontRegistry::FindFallback(mFontId, inCodePoint, fallbackId))
    {
        auto slot = std::find_if(mFaces.begin(), mFaces.end(),
                                 [fallbackId](const Face& inFace) { return inFace.mFontId == fallbackId; });
        if (slot == mFaces.end())
        {
            if (FT_Face face = FontRegistry::OpenFace(fallbackId, mPixelSize))
            {
                mFaces.push_back(Face{fallbackId, face});
                slot = mFaces.end() - 1;
            }
        }
        if (slot != mFaces.end())
        {
            const FT_UInt index = CharIndex(slot->mFace, inCodePoint);
            if (index != 0)
            {
                glyph.mFace = static_cast<std::uint32_t>(slot - mFaces.begin());
                glyph.mIndex = index;
            }
        }
    }

    FT_Face face = mFaces[glyph.mFace].mFace;
    const FontRegistry::FaceLock lock(face);
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
            glyph.mInkLeft = static_cast<std::int64_t>(slot->bitmap_left) * 64;
            glyph.mInkRight = glyph.mInkLeft + static_cast<std::int64_t>(slot->bitmap.width) * 64;
            glyph.mHasInk = true;
        }
    }
    return mGlyphs.emplace(inCodePoint, glyph).first->second;
}

std::int64_t TextStyle::KerningLocked(const Glyph& inLeft, const Glyph& inRight)
{
    if (inLeft.mFace != inRight.mFace)
        return 0;
    FT_Face face = mFaces[inLeft.mFace].mFace;
    const FontRegistry::FaceLock lock(face);
    if (!FT_HAS_KERNING(face))
        return 0;
    FT_Vector delta{0, 0};
    if (FT_Get_Kerning(face, inLeft.mIndex, inRight.mIndex, FT_KERNING_UNFITTED, &delta) != 0)
        return 0;
    return delta.x;
}

// ---------------------------------------------------------------------------------------------------------------
// TextLayout

void TextLayout::Clear()
{
    mStyle.reset();
    mCodePoints.clear();
    mGlyphs.clear();
    mEndOffset = 0;
    mInkWidth = 0;
    mTruncated = false;
}

std::uint32_t TextLayout::GlyphFontId(std::uint32_t inIndex) const
{
    if (!mStyle || inIndex >= mGlyphs.size())
        return 0;
    std::lock_guard<std::mutex> lock(mStyle->mMutex);
    return mStyle->mFaces[mGlyphs[inIndex].mFace].mFontId;
}

std::vector<TextLayout::GlyphPlacement> TextLayout::Placements() const
{
    std::vector<GlyphPlacement> placements;
    if (!mStyle)
        return placements;
    std::lock_guard<std::mutex> lock(mStyle->mMutex);
    placements.reserve(mGlyphs.size());
    for (const Placed& placed : mGlyphs)
        placements.push_back(GlyphPlacement{mStyle->mFaces[placed.mFace].mFontId, placed.mIndex, placed.mPen});
    return placements;
}

std::int64_t TextLayout::PlaceLocked(const std::vector<std::uint32_t>& inCodePoints)
{
    mGlyphs.clear();
    mGlyphs.reserve(inCodePoints.size());
    std::int64_t pen = 0;
    std::int64_t inkLeft = 0;
    std::int64_t inkRight = 0;
    bool inked = false;
    const TextStyle::Glyph* previous = nullptr;
    for (const std::uint32_t codePoint : inCodePoints)
    {
        const TextStyle::Glyph& glyph = mStyle->GlyphLocked(codePoint);
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

void TextLayout::Build(const std::uint16_t* inUnits, std::uint32_t inCount, const TextStyleRef& inStyle,
                       std::int32_t inMaxWidth)
{
    Clear();
    if (!inStyle)
        return;
    mStyle = inStyle;

    std::vector<std::uint32_t> codePoints;
    codePoints.reserve(inCount);
    for (std::uint32_t i = 0; i < inCount; ++i)
    {
        const std::uint32_t unit = inUnits[i];
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
    const std::int64_t total = PlaceLocked(codePoints);
    if (inMaxWidth <= 0 || mEndOffset <= inMaxWidth)
    {
        mCodePoints = std::move(codePoints);
        return;
    }

    // Too wide: estimate how much of each end fits beside the ellipsis from the pen positions, taking one
    // character from the start, then one from the end, while either fits; then check the real layout, which may
    // differ by the kerning at the two joins, and give back characters until it fits.
    const std::size_t count = codePoints.size();
    std::vector<std::int64_t> pens(count + 1);
    for (std::size_t i = 0; i < count; ++i)
        pens[i] = mGlyphs[i].mPen;
    pens[count] = total;
    const std::int64_t ellipsis = mStyle->GlyphLocked(kEllipsis).mAdvance;
    const std::int64_t limit = static_cast<std::int64_t>(inMaxWidth) * 64;
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

    std::vector<std::uint32_t> truncated;
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

void TextLayout::Render(std::uint8_t* ioCoverage, std::int32_t inWidth, std::int32_t inHeight, std::int32_t inX,
                        std::int32_t inBaseline) const
{
    if (!mStyle || ioCoverage == nullptr || inWidth <= 0 || inHeight <= 0)
        return;
    std::lock_guard<std::mutex> lock(mStyle->mMutex);
    for (const Placed& placed : mGlyphs)
    {
        FT_Face face = mStyle->mFaces[placed.mFace].mFace;
        const FontRegistry::FaceLock faceLock(face);
        if (FT_Load_Glyph(face, placed.mIndex, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0)
            continue;
        const FT_GlyphSlot slot = face->glyph;
        // Whole pixels move the bitmap; the fraction moves the outline, so kerning keeps its subpixel effect.
        const std::int64_t whole = placed.mPen >> 6;
        const std::int64_t fraction = placed.mPen - whole * 64;
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
        const std::int64_t left = inX + whole + slot->bitmap_left;
        const std::int64_t top = static_cast<std::int64_t>(inBaseline) - slot->bitmap_top;
        const std::int64_t rows = bitmap.rows;
        const std::int64_t columns = bitmap.width;
        const std::int64_t pitch = bitmap.pitch;
        for (std::int64_t row = 0; row < rows; ++row)
        {
            const std::int64_t y = top + row;
            if (y < 0 || y >= inHeight)
                continue;
            const unsigned char* source =
                pitch >= 0 ? bitmap.buffer + row * pitch : bitmap.buffer + (rows - 1 - row) * -pitch;
            std::uint8_t* target = ioCoverage + y * inWidth;
            const std::int64_t first = std::max<std::int64_t>(0, -left);
            const std::int64_t last = std::min<std::int64_t>(columns, inWidth - left);
            for (std::int64_t column = first; column < last; ++column)
            {
                std::uint32_t value = bitmap.pixel_mode == FT_PIXEL_MODE_GRAY
                                          ? source[column]
                                          : ((source[column >> 3] >> (7 - (column & 7))) & 1) * 255u;
                if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && bitmap.num_grays > 1 && bitmap.num_grays != 256)
                    value = value * 255u / (bitmap.num_grays - 1u);
                if (value == 0)
                    continue;
                std::uint8_t& pixel = target[left + column];
                pixel = static_cast<std::uint8_t>(value + (pixel * (255u - value) + 127u) / 255u);
            }
        }
    }
}

} // namespace pf
