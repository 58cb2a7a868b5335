// The text engine: FreeType faces found through fontconfig. Fonts are known by process-wide ids; a style is one
// face at one pixel size; a layout is one line of text in a style, left to right with kerning and no shaping,
// rendered as coverage into a grey bitmap.
//
// The registry is safe on any thread. A style serialises its own glyph work, so styles and layouts may be used
// from several threads, though the drawing code uses them on the main thread only.
#pragma once

#include "CxString.h"
#include "CxTypes.h"

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

struct FT_FaceRec_;

// One face of an installed font file.
struct GxFontFace
{
    std::string mFile;
    CxSint32 mIndex = 0;
    CxString mFullName;
    CxString mFamily;
};

// Font ids, fixed for the life of the process: 0 is fontconfig's match for "sans-serif", the others are given out
// in the order faces are first asked for.
class GxFontRegistry
{
public:
    static constexpr CxUint32 kDefaultFontId = 0;

    // The face whose full name this is (letter case aside); false when no installed face has it.
    static bool FindFullName(const CxString& inName, CxUint32& outId);
    // False for an id never given out (or id 0 when fontconfig found no font at all).
    static bool Describe(CxUint32 inId, GxFontFace& outFace);
    // "" for an unknown id.
    static CxString FullName(CxUint32 inId);
    // The face of inId's family with the given weight and slant, as fontconfig matches it; inId itself when
    // neither is asked for or nothing matches.
    static CxUint32 FindStyled(CxUint32 inId, bool inBold, bool inItalic);
    // A face that has the character, from fontconfig's list of inId's family sorted by closeness; false when
    // no installed font has it.
    static bool FindFallback(CxUint32 inId, CxUint32 inCodePoint, CxUint32& outId);

    // A new FreeType face of the font at the pixel size, or null. Release it with CloseFace.
    static FT_FaceRec_* OpenFace(CxUint32 inId, CxSint32 inPixelSize);
    static void CloseFace(FT_FaceRec_* inFace);
};

// A font at a pixel size. Shared by the fonts and layouts that use it; the faces live as long as the style.
class GxTextStyle
{
public:
    // Larger pixel sizes are cut to this, with a report.
    static constexpr CxSint32 kMaxPixelSize = 1000;

    // Null when the font is unknown, its file cannot be read, or the size is not above 0.
    static std::shared_ptr<GxTextStyle> Make(CxUint32 inFontId, CxSint32 inPixelSize);

    ~GxTextStyle();
    GxTextStyle(const GxTextStyle&) = delete;
    GxTextStyle& operator=(const GxTextStyle&) = delete;

    CxUint32 FontId() const { return mFontId; }
    CxSint32 PixelSize() const { return mPixelSize; }
    // Whole pixels above and below the baseline: the ceilings of the face's size metrics.
    CxSint32 Ascent() const { return mAscent; }
    CxSint32 Descent() const { return mDescent; }

private:
    friend class GxTextLayout;

    // How a character is drawn: which face, which glyph, how far it moves the pen and where its ink lies,
    // in 1/64 pixel and unhinted.
    struct Glyph
    {
        CxUint32 mFace = 0; // index into mFaces
        CxUint32 mIndex = 0;
        CxSint64 mAdvance = 0;
        CxSint64 mInkLeft = 0;
        CxSint64 mInkRight = 0;
        bool mHasInk = false;
    };

    GxTextStyle(CxUint32 inFontId, CxSint32 inPixelSize, FT_FaceRec_* inFace);

    // Call with mMutex held.
    const Glyph& GlyphLocked(CxUint32 inCodePoint);
    CxSint64 KerningLocked(const Glyph& inLeft, const Glyph& inRight);

    struct Face
    {
        CxUint32 mFontId = 0;
        FT_FaceRec_* mFace = nullptr;
    };

    const CxUint32 mFontId;
    const CxSint32 mPixelSize;
    CxSint32 mAscent = 0;
    CxSint32 mDescent = 0;

    std::mutex mMutex;
    std::vector<Face> mFaces; // [0] is the style's own
    std::unordered_map<CxUint32, Glyph> mGlyphs;
};

using GxTextStyleRef = std::shared_ptr<GxTextStyle>;

// One line of text in a style. A copy shares the style.
class GxTextLayout
{
public:
    static constexpr CxUint32 kEllipsis = 0x2026;

    GxTextLayout() = default;

    // Lays the UTF-16 text out: a surrogate pair is one character, a lone surrogate U+FFFD. With a maximum width
    // above 0, a text wider than it keeps as much of its start and its end as fits around an ellipsis. Without a
    // style the layout is empty.
    void Build(const CxUint16* inUnits, CxUint32 inCount, const GxTextStyleRef& inStyle, CxSint32 inMaxWidth);
    void Clear();

    const GxTextStyleRef& Style() const { return mStyle; }
    // The characters laid out (after truncation).
    const std::vector<CxUint32>& CodePoints() const { return mCodePoints; }
    CxUint32 CountGlyphs() const { return static_cast<CxUint32>(mGlyphs.size()); }
    bool IsTruncated() const { return mTruncated; }
    // The font whose face draws a glyph: the style's own, or the one found for a character it lacks.
    CxUint32 GlyphFontId(CxUint32 inIndex) const;

    // Whole pixels: the pen starts at 0 and ends at the rounded-up sum of advances and kerning.
    CxSint32 StartOffset() const { return 0; }
    CxSint32 EndOffset() const { return mEndOffset; }
    CxSint32 Ascent() const { return mStyle ? mStyle->Ascent() : 0; }
    CxSint32 Descent() const { return mStyle ? mStyle->Descent() : 0; }
    // The width of the inked pixels, from the glyph boxes; 0 when nothing is inked.
    CxSint32 InkWidth() const { return mInkWidth; }

    // Composites the glyphs' coverage "over" into a grey bitmap of inWidth x inHeight bytes, top row first, with
    // the pen starting at column inX on row inBaseline (counted from the top). Whatever falls outside is cut.
    void Render(CxUint8* ioCoverage, CxSint32 inWidth, CxSint32 inHeight, CxSint32 inX, CxSint32 inBaseline) const;

private:
    struct Placed
    {
        CxUint32 mFace = 0;
        CxUint32 mIndex = 0;
        CxSint64 mPen = 0; // 1/64 pixel
    };

    // Places the characters; answers the pen's end in 1/64 pixel. Call with the style's mutex held.
    CxSint64 PlaceLocked(const std::vector<CxUint32>& inCodePoints);

    GxTextStyleRef mStyle;
    std::vector<CxUint32> mCodePoints;
    std::vector<Placed> mGlyphs;
    CxSint32 mEndOffset = 0;
    CxSint32 mInkWidth = 0;
    bool mTruncated = false;
};
