// The text engine of every drawing: FreeType faces found through fontconfig. Fonts are known by process-wide ids; a
// style is one face at one pixel size; a layout is one line of text in a style, left to right with kerning and no
// shaping, rendered as coverage into a grey bitmap.
//
// The registry is safe on any thread. A style serialises its own glyph work and takes a face's lock for each use
// of it, so styles and layouts may be used from several threads, though the drawing code uses them on the main
// thread only.
#pragma once

#include "PfGeometry.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

struct FT_FaceRec_;

namespace pf
{

// One face of an installed font file; names in UTF-8.
struct FontFace
{
    std::string mFile;
    std::int32_t mIndex = 0;
    std::string mFullName;
    std::string mFamily;
};

// Font ids, fixed for the life of the process: 0 is fontconfig's match for "sans-serif", the others are given out
// in the order faces are first asked for.
class FontRegistry
{
public:
    static constexpr std::uint32_t kDefaultFontId = 0;

    // The face whose full name this is (letter case aside); false when no installed face has it.
    static bool FindFullName(const std::string& inName, std::uint32_t& outId);
    // False for an id never given out (or id 0 when fontconfig found no font at all).
    static bool Describe(std::uint32_t inId, FontFace& outFace);
    // "" for an unknown id.
    static std::string FullName(std::uint32_t inId);
    // The face of inId's family with the given weight and slant, as fontconfig matches it; inId itself when
    // neither is asked for or nothing matches.
    static std::uint32_t FindStyled(std::uint32_t inId, bool inBold, bool inItalic);
    // A face that has the character, from fontconfig's list of inId's family sorted by closeness; false when
    // no installed font has it.
    static bool FindFallback(std::uint32_t inId, std::uint32_t inCodePoint, std::uint32_t& outId);

    // The FreeType face of the font at the pixel size, or null. There is one face per font and size, shared by
    // every caller and counted: release each answer with CloseFace. The faces of one font file read one mapping
    // of it. FreeType calls on a face need its FaceLock, since another style may be using it on another thread.
    static FT_FaceRec_* OpenFace(std::uint32_t inId, std::int32_t inPixelSize);
    static void CloseFace(FT_FaceRec_* inFace);

    // Serialises the use of a face given by OpenFace (its glyph slot is the face's own).
    class FaceLock
    {
    public:
        explicit FaceLock(FT_FaceRec_* inFace);
        ~FaceLock();
        FaceLock(const FaceLock&) = delete;
        FaceLock& operator=(const FaceLock&) = delete;

    private:
        std::mutex* mMutex = nullptr;
    };
};

// A font at a pixel size. Shared by the fonts and layouts that use it; it holds its faces as long as it lives.
class TextStyle
{
public:
    // Larger pixel sizes are cut to this, with a report.
    static constexpr std::int32_t kMaxPixelSize = 1000;

    // Null when the font is unknown, its file cannot be read, or the size is not above 0.
    static std::shared_ptr<TextStyle> Make(std::uint32_t inFontId, std::int32_t inPixelSize);

    virtual ~TextStyle();
    TextStyle(const TextStyle&) = delete;
    TextStyle& operator=(const TextStyle&) = delete;

    std::uint32_t FontId() const { return mFontId; }
    std::int32_t PixelSize() const { return mPixelSize; }
    // Whole pixels above and below the baseline: the ceilings of the face's size metrics.
    std::int32_t Ascent() const { return mAscent; }
    std::int32_t Descent() const { return mDescent; }

protected:
    // The face for a new style, the size cut to the maximum (with a report); null as Make answers null.
    static FT_FaceRec_* OpenChecked(std::uint32_t inFontId, std::int32_t& ioPixelSize);
    TextStyle(std::uint32_t inFontId, std::int32_t inPixelSize, FT_FaceRec_* inFace);

private:
    friend class TextLayout;

    // How a character is drawn: which face, which glyph, how far it moves the pen and where its ink lies,
    // in 1/64 pixel and unhinted.
    struct Glyph
    {
        std::uint32_t mFace = 0; // index into mFaces
        std::uint32_t mIndex = 0;
        std::int64_t mAdvance = 0;
        std::int64_t mInkLeft = 0;
        std::int64_t mInkRight = 0;
        bool mHasInk = false;
    };

    // Call with mMutex held.
    const Glyph& GlyphLocked(std::uint32_t inCodePoint);
    std::int64_t KerningLocked(const Glyph& inLeft, const Glyph& inRight);

    struct Face
    {
        std::uint32_t mFontId = 0;
        FT_FaceRec_* mFace = nullptr;
    };

    const std::uint32_t mFontId;
    const std::int32_t mPixelSize;
    std::int32_t mAscent = 0;
    std::int32_t mDescent = 0;

    std::mutex mMutex;
    std::vector<Face> mFaces; // [0] is the style's own
    std::unordered_map<std::uint32_t, Glyph> mGlyphs;
};

using TextStyleRef = std::shared_ptr<TextStyle>;

// One line of text in a style. A copy shares the style.
class TextLayout
{
public:
    static constexpr std::uint32_t kEllipsis = 0x2026;

    TextLayout() = default;

    // Lays the UTF-16 text out: a surrogate pair is one character, a lone surrogate U+FFFD. With a maximum width
    // above 0, a text wider than it keeps as much of its start and its end as fits around an ellipsis. Without a
    // style the layout is empty.
    void Build(const std::uint16_t* inUnits, std::uint32_t inCount, const TextStyleRef& inStyle,
               std::int32_t inMaxWidth);
    void Clear();

    const TextStyleRef& Style() const { return mStyle; }
    // The characters laid out (after truncation).
    const std::vector<std::uint32_t>& CodePoints() const { return mCodePoints; }
    std::uint32_t CountGlyphs() const { return static_cast<std::uint32_t>(mGlyphs.size()); }
    bool IsTruncated() const { return mTruncated; }
    // The font whose face draws a glyph: the style's own, or the one found for a character it lacks.
    std::uint32_t GlyphFontId(std::uint32_t inIndex) const;

    // Whole pixels: the pen starts at 0 and ends at the rounded-up sum of advances and kerning.
    std::int32_t StartOffset() const { return 0; }
    std::int32_t EndOffset() const { return mEndOffset; }
    std::int32_t Ascent() const { return mStyle ? mStyle->Ascent() : 0; }
    std::int32_t Descent() const { return mStyle ? mStyle->Descent() : 0; }
    // The width of the inked pixels, from the glyph boxes; 0 when nothing is inked.
    std::int32_t InkWidth() const { return mInkWidth; }

    // The transform from glyph space (y up, as the platform's fonts) to text space; the identity draws upright
    // glyphs in a y-up space, (1, 0, 0, -1) in a y-down one. The pen advances along its x axis. A setting, kept
    // through Build and Clear.
    const Affine& FontMatrix() const { return mFontMatrix; }
    void SetFontMatrix(const Affine& inMatrix) { mFontMatrix = inMatrix; }

    // Where each glyph goes: the font whose face draws it, its index in that face, the pen in 1/64 pixel.
    struct GlyphPlacement
    {
        std::uint32_t mFontId = 0;
        std::uint32_t mIndex = 0;
        std::int64_t mPen = 0;
    };
    std::vector<GlyphPlacement> Placements() const;

    // Composites the glyphs' coverage "over" into a grey bitmap of inWidth x inHeight bytes, top row first, with
    // the pen starting at column inX on row inBaseline (counted from the top). Whatever falls outside is cut.
    void Render(std::uint8_t* ioCoverage, std::int32_t inWidth, std::int32_t inHeight, std::int32_t inX,
                std::int32_t inBaseline) const;

private:
    struct Placed
    {
        std::uint32_t mFace = 0;
        std::uint32_t mIndex = 0;
        std::int64_t mPen = 0; // 1/64 pixel
    };

    // Places the characters; answers the pen's end in 1/64 pixel. Call with the style's mutex held.
    std::int64_t PlaceLocked(const std::vector<std::uint32_t>& inCodePoints);

    TextStyleRef mStyle;
    std::vector<std::uint32_t> mCodePoints;
    std::vector<Placed> mGlyphs;
    std::int32_t mEndOffset = 0;
    std::int32_t mInkWidth = 0;
    bool mTruncated = false;
    Affine mFontMatrix;
};

} // namespace pf
