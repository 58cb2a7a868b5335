// Text drawn from textures. A GxString lays one line out in a font, renders it once into a luminance-alpha texture
// (white text, coverage in alpha) and draws it as a quad in the current colour: at a model-space anchor with an
// alignment (Draw), or snapped to window pixels (DrawGL). GxStringGroup owns the labels of one layer and hides each
// one that overlaps an earlier visible one; GxStringBunch is a plain owning list of textured strings;
// GxStringTextures lets strings of one text and style share a texture, within a budget.
//
// Main thread only; making, drawing and deleting textures need the GL context current.
#pragma once

#include "CxCoordinates.h"
#include "CxString.h"
#include "CxTypes.h"
#include "GxCoordinates.h"

#include <cstddef>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <tuple>

class GxContext;
class GxFont;
class GxStringGroup;
class GxStringTextures;

enum GxHAlign : CxSint32
{
    kGxHAlignLeft = 0,   // the text starts the margin right of the anchor
    kGxHAlignCenter = 1, // centred on it
    kGxHAlignRight = 2   // the text ends the margin left of it
};

enum GxVAlign : CxSint32
{
    kGxVAlignTop = 0,          // the text's top the margin below the anchor
    kGxVAlignAscentCenter = 1, // the ascent centred on it
    kGxVAlignCenter = 2,       // the full height centred on it
    kGxVAlignBottom = 3,       // the bottom the margin above it
    kGxVAlignBaseline = 4      // the baseline the margin above it
};

class GxString
{
public:
    // Lays the text out in the font at once; the font is read here and never afterwards (its id and size are
    // copied, its face shared), so it may go away. No texture yet.
    GxString(const CxString& inText, GxFont* inFont);
    // Lets the texture go, which deletes it unless another string shares it (the context must be current), and
    // leaves its set.
    ~GxString();
    GxString(const GxString&) = delete;
    GxString& operator=(const GxString&) = delete;

    // Each lays the text out again; the texture, once made, stays as it is.
    void SetString(const CxString& inText);
    void SetFont(GxFont* inFont);
    // At most that many pixels wide, the middle of a longer text giving way to an ellipsis; 0 for no limit.
    void TruncateToWidth(CxSint32 inWidth);
    CxString GetString() const { return mText; }

    // Stores Align(h, v, margin) as the offset of the window bounds from the anchor.
    void SetAlignment(GxHAlign inH, GxVAlign inV, CxSint32 inMargin);
    // The offset of the bitmap's bottom-left corner from the anchor, in pixels.
    GxPoint Align(GxHAlign inH, GxVAlign inV, CxSint32 inMargin) const;

    // Renders and uploads the texture once: a rectangle texture of the text's size when the context has the
    // extension (and no power-of-two texture is forced), else power-of-two sides strictly larger than the text's.
    void Texture(GxContext& ioContext);
    // Lets the texture go, as the destructor does.
    void UnTexture(GxContext& ioContext);

    // At the anchor, scaled, aligned with margin 0 and moved by the pixel offset; nothing without a texture.
    void Draw(GxContext& ioContext, GxHAlign inH, GxVAlign inV);
    // In window pixels (the caller is in 2-D mode), at the window bounds' corner snapped to the pixel grid.
    void DrawGL();

    // Projects the anchor and sets the window bounds; the string is visible when they meet the viewport.
    bool CalcWorldBounds(const double inModelView[16], const double inProjection[16], const CxSint32 inViewport[4]);
    bool CalcWorldBounds();
    // Every depth is accepted: marks the string visible.
    bool ZClip(float inZClip);

    // Layout: left the start offset, top the ascent, right the end offset, bottom the descent (whole pixels).
    CxRect LayoutBounds() const;
    CxSint32 Width() const { return mLayoutRight - mLayoutLeft; }
    // Ascent + descent.
    CxSint32 Height() const { return mAscent + mDescent; }
    CxSint32 Ascent() const { return mAscent; }
    CxSint32 Descent() const { return mDescent; }
    // (0, 0, bitmap width, bitmap height): the texture image's size.
    const CxRect& BitmapBounds() const { return mBitmapBounds; }

    void SetPosition(double inX, double inY)
    {
        mX = inX;
        mY = inY;
    }
    void SetPosition(const GxPoint& inPoint) { SetPosition(inPoint.mX, inPoint.mY); }
    GxPoint Position() const { return GxPoint(mX, mY); }
    // The anchor's z.
    void SetDepth(double inZ) { mZ = inZ; }
    double Depth() const { return mZ; }
    void SetPixelOffset(const GxPoint& inOffset) { mPixelOffset = inOffset; }
    const GxPoint& PixelOffset() const { return mPixelOffset; }
    void SetScale(float inScale) { mScale = inScale; }
    float Scale() const { return mScale; }
    const GxPoint& AlignmentOffset() const { return mAlignOffset; }

    const GxRect& WindowBounds() const { return mWindowBounds; }
    double WindowDepth() const { return mWindowDepth; }
    float ZClipValue() const { return mZClip; }
    bool IsVisible() const { return mVisible; }
    void SetVisible(bool inVisible) { mVisible = inVisible; }

    unsigned int TextureId() const { return mTextureId; }
    unsigned int TextureTarget() const { return mTextureTarget; }
    float TextureS() const { return mTexS; }
    float TextureT() const { return mTexT; }
    CxUint32 FontId() const { return mFontId; }
    CxSint16 FontSize() const { return mFontSize; }
    GxStringGroup* Owner() const { return mOwner; }

    // Test switch: power-of-two textures even where rectangle textures are supported.
    static void SetForcePowerOfTwo(bool inForce);
    // 2^(floor(log2 n) + 1), n below 1 taken as 1: always strictly larger than n.
    static CxSint32 PowerOfTwoAbove(CxSint32 inSize);

private:
    friend class GxStringGroup;
    friend class GxStringTextures;
    // The platform's style and layout of the line.
    struct Impl;
    // An uploaded bitmap and its GL name, deleted with the last string that draws it.
    struct Bitmap;

    void Layout();
    // The bitmap's sides for a rectangle or a power-of-two texture, cut to GL's limit.
    void BitmapSize(bool inRectangle, CxSint32& outWidth, CxSint32& outHeight) const;
    // False when OpenGL reported an error.
    bool Upload(bool inRectangle);
    // Takes the bitmap to draw from: its own upload, or one another string's.
    void Share(const std::shared_ptr<Bitmap>& inBitmap);
    void BindAndEnable() const;

    GxStringGroup* mOwner = nullptr;
    double mWindowDepth = 0.0;
    float mZClip = 0.0f;
    GxRect mWindowBounds;
    CxString mText;
    CxSint32 mLayoutLeft = 0;
    CxSint32 mLayoutRight = 0;
    CxSint32 mAscent = 0;
    CxSint32 mDescent = 0;
    CxRect mBitmapBounds;
    CxUint32 mFontId = 0;
    CxSint16 mFontSize = 0;
    std::unique_ptr<Impl> mImpl;
    std::shared_ptr<Bitmap> mBitmap;
    unsigned int mTextureTarget;
    unsigned int mTextureId = 0;
    float mScale = 1.0f;
    float mTexS = 1.0f;
    float mTexT = 1.0f;
    bool mVisible = true;
    GxPoint mAlignOffset;
    CxSint32 mMaxWidth = 0;
    GxPoint mPixelOffset;
    double mX = 0.0;
    double mY = 0.0;
    double mZ = 0.0;
};

class GxStringGroup
{
public:
    using StringList = std::list<GxString*>;

    GxStringGroup() = default;
    // Deletes every string.
    ~GxStringGroup();
    GxStringGroup(const GxStringGroup&) = delete;
    GxStringGroup& operator=(const GxStringGroup&) = delete;

    // Takes the string; one that belongs to another set leaves that set first (which is marked dirty).
    void Add(GxString* inString);
    // Hands the string back to the caller: out of both lists, and the set marked dirty.
    void Remove(GxString* inString);
    void ClearAll();

    // Window bounds of every string at the current matrices; the visible ones (every one with depth sorting)
    // become the draw list, nearest first with depth sorting.
    void ZSort(float inZClip);
    // Greedy: in draw-list order, each visible string hides every later visible string it overlaps.
    void Clip();
    // Sorts and clips when dirty, then clears the flag.
    void SortAndClip(double inZClip);
    // In 2-D mode moved by (dx, dy): the visible strings of the draw list.
    void DrawGL(GxContext& ioContext, float inZClip, float inDx, float inDy);

    void SetDirty(bool inDirty = true) { mDirty = inDirty; }
    bool IsDirty() const { return mDirty; }
    void SetDepthSorting(bool inSort) { mDepthSort = inSort; }
    bool DepthSorting() const { return mDepthSort; }

    const StringList& Strings() const { return mStringList; }
    const StringList& DrawList() const { return mDrawList; }
    CxUint32 Count() const { return static_cast<CxUint32>(mStringList.size()); }

private:
    StringList mStringList;
    StringList mDrawList;
    bool mDirty = true;
    bool mDepthSort = false;
};

class GxStringBunch
{
public:
    using StringList = std::list<GxString*>;

    GxStringBunch() = default;
    virtual ~GxStringBunch();
    GxStringBunch(const GxStringBunch&) = delete;
    GxStringBunch& operator=(const GxStringBunch&) = delete;

    // A new string in the font, textured at once in the context, kept at the end.
    GxString* AddString(GxContext& ioContext, const CxString& inText, GxFont* inFont);
    void Clear();

    StringList::const_iterator begin() const { return mStrings.begin(); }
    StringList::const_iterator end() const { return mStrings.end(); }
    CxUint32 Count() const { return static_cast<CxUint32>(mStrings.size()); }
    bool IsEmpty() const { return mStrings.empty(); }

private:
    StringList mStrings;
};

// The text textures of one drawing (a map's labels): strings of one text and style textured through it share one
// texture, and the textures it made take at most a budget of bytes while they live. A string past the budget gets
// no texture, so it is not drawn; the first such string is reported once. Only the drawing's own texts may take
// more. Main thread only; the textures belong to the context they were made in.
class GxStringTextures
{
public:
    // Luminance-alpha bytes: 64 MiB hold tens of thousands of labels of ordinary sizes.
    static constexpr std::size_t kDefaultBudget = std::size_t(64) << 20;

    explicit GxStringTextures(std::size_t inBudget = kDefaultBudget);
    ~GxStringTextures();
    GxStringTextures(const GxStringTextures&) = delete;
    GxStringTextures& operator=(const GxStringTextures&) = delete;

    // As GxString::Texture: the texture of an equal string made in the context when one lives, else a new one
    // when the budget allows it. False when the string is left without a texture.
    bool Texture(GxString& ioString, GxContext& ioContext);
    // The same for a text of the drawing itself (a caption, its date), whatever the budget: labels outlive frames
    // and may have filled it. Its bytes count with the labels', so labels find that much less room.
    bool TextureOwnText(GxString& ioString, GxContext& ioContext);

    // The bytes of the live textures made here.
    std::size_t Bytes() const { return *mBytes; }
    // How many textures live.
    std::size_t Count() const;

private:
    // The context, the text, the font id and size, the width limit and the kind of texture.
    using Key = std::tuple<const GxContext*, std::u16string, CxUint32, CxSint16, CxSint32, bool>;

    bool Texture(GxString& ioString, GxContext& ioContext, bool inWithinBudget);

    std::size_t mBudget;
    std::shared_ptr<std::size_t> mBytes;
    std::map<Key, std::weak_ptr<GxString::Bitmap>> mShared;
    std::size_t mPruneAt = 64;
    bool mReported = false;
};
