#include "GxString.h"

#include "CxDebug.h"
#include "GxContext.h"
#include "GxFont.h"
#include "GxStringImpl.h"
#include "GxTexture.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace
{

bool sForcePowerOfTwo = false;

CxSint16 Clamp16(CxSint32 inValue)
{
    return static_cast<CxSint16>(
        std::clamp<CxSint32>(inValue, std::numeric_limits<CxSint16>::min(), std::numeric_limits<CxSint16>::max()));
}

// Corners of a string's textured rectangle, numbered from the top left clockwise: 0 top left, 1 top right,
// 2 bottom right, 3 bottom left. The bitmap's first row is the top one.
void EmitCorners(std::initializer_list<int> inCorners, double inWidth, double inHeight, float inS, float inT)
{
    for (const int corner : inCorners)
    {
        const bool right = corner == 1 || corner == 2;
        const bool bottom = corner >= 2;
        glTexCoord2f(right ? inS : 0.0f, bottom ? inT : 0.0f);
        glVertex2d(right ? inWidth : 0.0, bottom ? 0.0 : inHeight);
    }
}

// The current model-view and projection matrices and viewport, read once for any number of strings.
struct CurrentTransform
{
    double mModelView[16];
    double mProjection[16];
    CxSint32 mViewport[4];

    CurrentTransform()
    {
        glGetDoublev(GL_MODELVIEW_MATRIX, mModelView);
        glGetDoublev(GL_PROJECTION_MATRIX, mProjection);
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        std::copy(viewport, viewport + 4, mViewport);
    }
};

} // namespace

struct GxString::Bitmap
{
    unsigned int mId = 0;
    unsigned int mTarget = GL_TEXTURE_2D;
    CxRect mBounds;
    float mS = 1.0f;
    float mT = 1.0f;
    // The running total of the GxStringTextures that made it, and what it counts there.
    std::shared_ptr<std::size_t> mAccount;
    std::size_t mBytes = 0;

    Bitmap() = default;
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    ~Bitmap()
    {
        if (mId != 0)
            glDeleteTextures(1, &mId);
        if (mAccount != nullptr)
            *mAccount -= mBytes;
    }
};

// ---------------------------------------------------------------------------------------------------------------
// GxString

GxString::GxString(const CxString& inText, GxFont* inFont)
    : mText(inText), mImpl(std::make_unique<Impl>()), mTextureTarget(GL_TEXTURE_2D)
{
    SetFont(inFont);
}

GxString::~GxString()
{
    mBitmap.reset();
    if (mOwner != nullptr)
        mOwner->Remove(this);
}

void GxString::SetForcePowerOfTwo(bool inForce)
{
    sForcePowerOfTwo = inForce;
}

CxSint32 GxString::PowerOfTwoAbove(CxSint32 inSize)
{
    const CxSint32 size = std::max<CxSint32>(inSize, 1);
    CxSint32 power = 2;
    while (power <= size && power < (1 << 30))
        power *= 2;
    return power;
}

void GxString::SetString(const CxString& inText)
{
    mText = inText;
    Layout();
}

void GxString::SetFont(GxFont* inFont)
{
    mImpl->mStyle.reset();
    mFontId = 0;
    mFontSize = 0;
    if (inFont != nullptr)
    {
        mFontId = inFont->Id();
        mFontSize = inFont->Size();
        if (inFont->IsValid())
            mImpl->mStyle = inFont->GetAtsuStyle();
    }
    Layout();
}

void GxString::TruncateToWidth(CxSint32 inWidth)
{
    mMaxWidth = std::max<CxSint32>(inWidth, 0);
    Layout();
}

void GxString::Layout()
{
    GxTextLayout& layout = mImpl->mLayout;
    layout.Clear();
    mLayoutLeft = mLayoutRight = mAscent = mDescent = 0;
    if (!mImpl->mStyle)
        return;
    layout.Build(mText.GetChars(), mText.Length(), mImpl->mStyle, mMaxWidth);
    mLayoutLeft = layout.StartOffset();
    mLayoutRight = layout.EndOffset();
    mAscent = layout.Ascent();
    mDescent = layout.Descent();
    if (mMaxWidth > 0)
    {
        const CxSint32 ink = layout.InkWidth();
        if (Width() - ink >= 2 && Width() > mMaxWidth)
            mLayoutRight = mLayoutLeft + ink + 1;
    }
}

CxRect GxString::LayoutBounds() const
{
    return CxRect(Clamp16(mLayoutLeft), Clamp16(mAscent), Clamp16(mLayoutRight), Clamp16(mDescent));
}

void GxString::SetAlignment(GxHAlign inH, GxVAlign inV, CxSint32 inMargin)
{
    mAlignOffset = Align(inH, inV, inMargin);
}

GxPoint GxString::Align(GxHAlign inH, GxVAlign inV, CxSint32 inMargin) const
{
    const double w = Width();
    const double a = mAscent;
    const double d = mDescent;
    const double m = inMargin;
    GxPoint offset;
    switch (inH)
    {
    case kGxHAlignCenter:
        offset.mX = -w / 2.0;
        break;
    case kGxHAlignRight:
        offset.mX = -w - m;
        break;
    default:
        offset.mX = m;
        break;
    }
    switch (inV)
    {
    case kGxVAlignTop:
        offset.mY = -(a + m);
        break;
    case kGxVAlignAscentCenter:
        offset.mY = -a / 2.0;
        break;
    case kGxVAlignCenter:
        offset.mY = -(a + d) / 2.0;
        break;
    case kGxVAlignBaseline:
        offset.mY = m - d;
        break;
    default:
        offset.mY = m;
        break;
    }
    return offset;
}

void GxString::Texture(GxContext& ioContext)
{
    if (mTextureId != 0)
        return;
    for (int i = 0; i < 64 && glGetError() != GL_NO_ERROR; ++i)
    {
    }
    const bool rectangle = ioContext.SupportsTextureRectangle() && !sForcePowerOfTwo;
    if (!Upload(rectangle) && rectangle)
    {
        UnTexture(ioContext);
        Upload(false);
    }
}

void GxString::BitmapSize(bool inRectangle, CxSint32& outWidth, CxSint32& outHeight) const
{
    GLint limit = 0;
    glGetIntegerv(inRectangle ? GL_MAX_RECTANGLE_TEXTURE_SIZE_ARB : GL_MAX_TEXTURE_SIZE, &limit);
    if (limit <= 0)
        limit = 64;
    const CxSint32 width = std::max<CxSint32>(Width(), 1);
    const CxSint32 height = std::max<CxSint32>(Height(), 1);
    // Past the GL's limit the text is cut at the right (and at the top).
    outWidth = std::min<CxSint32>(inRectangle ? width : PowerOfTwoAbove(width), limit);
    outHeight = std::min<CxSint32>(inRectangle ? height : PowerOfTwoAbove(height), limit);
}

bool GxString::Upload(bool inRectangle)
{
    const GLenum target = inRectangle ? GL_TEXTURE_RECTANGLE_ARB : GL_TEXTURE_2D;
    CxSint32 bitmapWidth = 0;
    CxSint32 bitmapHeight = 0;
    BitmapSize(inRectangle, bitmapWidth, bitmapHeight);

    const std::size_t pixels = static_cast<std::size_t>(bitmapWidth) * static_cast<std::size_t>(bitmapHeight);
    std::vector<CxUint8> coverage(pixels, 0);
    mImpl->mLayout.Render(coverage.data(), bitmapWidth, bitmapHeight, mLayoutLeft, bitmapHeight - mDescent);
    std::vector<CxUint8> luminanceAlpha(pixels * 2);
    for (std::size_t i = 0; i < pixels; ++i)
    {
        luminanceAlpha[2 * i] = 255;
        luminanceAlpha[2 * i + 1] = coverage[i];
    }

    auto bitmap = std::make_shared<Bitmap>();
    bitmap->mTarget = target;
    bitmap->mBounds = CxRect(0, 0, Clamp16(bitmapWidth), Clamp16(bitmapHeight));
    bitmap->mS = inRectangle ? static_cast<float>(bitmapWidth) : 1.0f;
    bitmap->mT = inRectangle ? static_cast<float>(bitmapHeight) : 1.0f;
    bitmap->mId = GxNewTexture(target, GL_NEAREST, GL_NEAREST, GL_CLAMP, GL_CLAMP);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(target, 0, GL_LUMINANCE_ALPHA, bitmapWidth, bitmapHeight, 0, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE,
                 luminanceAlpha.data());
    Share(bitmap);
    return glGetError() == GL_NO_ERROR;
}

void GxString::Share(const std::shared_ptr<Bitmap>& inBitmap)
{
    mBitmap = inBitmap;
    mTextureId = inBitmap->mId;
    mTextureTarget = inBitmap->mTarget;
    mBitmapBounds = inBitmap->mBounds;
    mTexS = inBitmap->mS;
    mTexT = inBitmap->mT;
}

void GxString::UnTexture(GxContext&)
{
    mBitmap.reset();
    mTextureId = 0;
}

void GxString::BindAndEnable() const
{
    // The caller's enables come back with the pop; only this string's target is on while it draws.
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(mTextureTarget == GL_TEXTURE_2D ? GL_TEXTURE_RECTANGLE_ARB : GL_TEXTURE_2D);
    glEnable(mTextureTarget);
    glBindTexture(mTextureTarget, mTextureId);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

void GxString::Draw(GxContext&, GxHAlign inH, GxVAlign inV)
{
    if (mTextureId == 0)
        return;
    const double w = mBitmapBounds.Width();
    const double h = mBitmapBounds.Height();
    const GxPoint align = Align(inH, inV, 0);
    glPushMatrix();
    glTranslated(mX, mY, mZ);
    glScalef(mScale, mScale, mScale);
    glTranslated(align.mX, align.mY, 0.0);
    glTranslated(mPixelOffset.mX, mPixelOffset.mY, 0.0);
    BindAndEnable();
    glBegin(GL_QUADS);
    EmitCorners({0, 1, 2, 3}, w, h, mTexS, mTexT);
    glEnd();
    glPopAttrib();
    glPopMatrix();
}

void GxString::DrawGL()
{
    if (mTextureId == 0)
        return;
    const double w = mBitmapBounds.Width();
    const double h = mBitmapBounds.Height();
    const double x = std::floor(mWindowBounds.mLeft) + 0.375 + mPixelOffset.mX;
    const double y = std::floor(mWindowBounds.mBottom) + 0.375 + mPixelOffset.mY;
    const double z = mScale;
    glTranslated(x, y, z);
    BindAndEnable();
    glBegin(GL_TRIANGLES);
    EmitCorners({0, 1, 2, 0, 2, 3}, w, h, mTexS, mTexT);
    glEnd();
    glPopAttrib();
    glTranslated(-x, -y, -z);
}

bool GxString::CalcWorldBounds(const double inModelView[16], const double inProjection[16],
                               const CxSint32 inViewport[4])
{
    mVisible = true;
    // The anchor through both matrices (column-major), as gluProject does.
    const double in[4] = {mX, mY, mZ, 1.0};
    double eye[4];
    double clip[4];
    for (int row = 0; row < 4; ++row)
        eye[row] = inModelView[row] * in[0] + inModelView[4 + row] * in[1] + inModelView[8 + row] * in[2] +
                   inModelView[12 + row] * in[3];
    for (int row = 0; row < 4; ++row)
        clip[row] = inProjection[row] * eye[0] + inProjection[4 + row] * eye[1] + inProjection[8 + row] * eye[2] +
                    inProjection[12 + row] * eye[3];
    if (clip[3] == 0.0)
    {
        mVisible = false;
        return false;
    }
    const double wx = inViewport[0] + inViewport[2] * (clip[0] / clip[3] + 1.0) / 2.0;
    const double wy = inViewport[1] + inViewport[3] * (clip[1] / clip[3] + 1.0) / 2.0;
    mWindowDepth = (clip[2] / clip[3] + 1.0) / 2.0;
    mWindowBounds = GxRect(wx, wy, wx + Width(), wy + Height());
    mWindowBounds.Offset(mAlignOffset);
    const bool inside = mWindowBounds.Intersects(GxRect(0.0, 0.0, inViewport[2], inViewport[3]));
    if (!inside)
        mVisible = false;
    return inside;
}

bool GxString::CalcWorldBounds()
{
    const CurrentTransform current;
    return CalcWorldBounds(current.mModelView, current.mProjection, current.mViewport);
}

bool GxString::ZClip(float inZClip)
{
    mZClip = inZClip;
    mVisible = true;
    return true;
}

// ---------------------------------------------------------------------------------------------------------------
// GxStringGroup

GxStringGroup::~GxStringGroup()
{
    mDrawList.clear();
    ClearAll();
    CxAssertText(mStringList.size() == 0, "mStringList.size() == 0");
}

void GxStringGroup::Add(GxString* inString)
{
    if (inString == nullptr || inString->mOwner == this)
        return;
    if (inString->mOwner != nullptr)
        inString->mOwner->Remove(inString);
    inString->mOwner = this;
    mStringList.push_back(inString);
}

void GxStringGroup::Remove(GxString* inString)
{
    if (inString == nullptr || inString->mOwner != this)
        return;
    mStringList.remove(inString);
    mDrawList.remove(inString);
    inString->mOwner = nullptr;
    mDirty = true;
}

void GxStringGroup::ClearAll()
{
    StringList strings;
    strings.swap(mStringList);
    mDrawList.clear();
    for (GxString* string : strings)
    {
        CxAssertText(string != nullptr, "gxString != nil");
        if (string == nullptr)
            continue;
        string->mOwner = nullptr;
        delete string;
    }
}

void GxStringGroup::ZSort(float inZClip)
{
    const CurrentTransform current;
    mDrawList.clear();
    for (GxString* string : mStringList)
    {
        string->CalcWorldBounds(current.mModelView, current.mProjection, current.mViewport);
        if (mDepthSort)
            string->ZClip(inZClip);
        if (string->IsVisible())
            mDrawList.push_back(string);
    }
    if (mDepthSort)
        mDrawList.sort([](const GxString* inA, const GxString* inB)
                       { return inA->WindowDepth() < inB->WindowDepth(); });
}

void GxStringGroup::Clip()
{
    for (auto a = mDrawList.begin(); a != mDrawList.end(); ++a)
    {
        if (!(*a)->IsVisible())
            continue;
        for (auto b = std::next(a); b != mDrawList.end(); ++b)
            if ((*b)->IsVisible() && (*a)->WindowBounds().Intersects((*b)->WindowBounds()))
                (*b)->SetVisible(false);
    }
}

void GxStringGroup::SortAndClip(double inZClip)
{
    if (!mDirty)
        return;
    ZSort(static_cast<float>(inZClip));
    Clip();
    mDirty = false;
}

void GxStringGroup::DrawGL(GxContext& ioContext, float inZClip, float inDx, float inDy)
{
    SortAndClip(inZClip);
    ioContext.Begin2D();
    glTranslatef(inDx, inDy, 0.0f);
    for (GxString* string : mDrawList)
        if (string->IsVisible())
            string->DrawGL();
    ioContext.End2D();
}

// ---------------------------------------------------------------------------------------------------------------
// GxStringBunch

GxStringBunch::~GxStringBunch()
{
    Clear();
}

GxString* GxStringBunch::AddString(GxContext& ioContext, const CxString& inText, GxFont* inFont)
{
    auto* string = new GxString(inText, inFont);
    string->Texture(ioContext);
    mStrings.push_back(string);
    return string;
}

void GxStringBunch::Clear()
{
    StringList strings;
    strings.swap(mStrings);
    for (GxString* string : strings)
        delete string;
}

// ---------------------------------------------------------------------------------------------------------------
// GxStringTextures

GxStringTextures::GxStringTextures(std::size_t inBudget) : mBudget(inBudget), mBytes(std::make_shared<std::size_t>(0))
{
}

GxStringTextures::~GxStringTextures() = default;

std::size_t GxStringTextures::Count() const
{
    return static_cast<std::size_t>(
        std::count_if(mShared.begin(), mShared.end(), [](const auto& inEntry) { return !inEntry.second.expired(); }));
}

bool GxStringTextures::Texture(GxString& ioString, GxContext& ioContext)
{
    return Texture(ioString, ioContext, true);
}

bool GxStringTextures::TextureOwnText(GxString& ioString, GxContext& ioContext)
{
    return Texture(ioString, ioContext, false);
}

bool GxStringTextures::Texture(GxString& ioString, GxContext& ioContext, bool inWithinBudget)
{
    if (ioString.mTextureId != 0)
        return true;
    const bool rectangle = ioContext.SupportsTextureRectangle() && !sForcePowerOfTwo;
    const CxString& text = ioString.mText;
    Key key(&ioContext, std::u16string(reinterpret_cast<const char16_t*>(text.GetChars()), text.Length()),
            ioString.mFontId, ioString.mFontSize, ioString.mMaxWidth, rectangle);
    const auto found = mShared.find(key);
    if (found != mShared.end())
    {
        if (const std::shared_ptr<GxString::Bitmap> bitmap = found->second.lock())
        {
            ioString.Share(bitmap);
            return true;
        }
    }

    CxSint32 width = 0;
    CxSint32 height = 0;
    ioString.BitmapSize(rectangle, width, height);
    const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 2;
    if (inWithinBudget && bytes > mBudget - std::min(*mBytes, mBudget))
    {
        if (!mReported)
            _CxDebugOut(
                __FILE__, __LINE__, "text textures past the budget",
                (std::to_string(mBudget) + " bytes: \"" + text.AsUtf8() + "\" and texts after it not drawn").c_str());
        mReported = true;
        return false;
    }
    ioString.Texture(ioContext);
    if (ioString.mBitmap == nullptr)
        return false;
    GxString::Bitmap& made = *ioString.mBitmap;
    made.mBytes = static_cast<std::size_t>(made.mBounds.Width()) * static_cast<std::size_t>(made.mBounds.Height()) * 2;
    made.mAccount = mBytes;
    *mBytes += made.mBytes;
    mShared[std::move(key)] = ioString.mBitmap;
    // The entries of textures gone are dropped now and then, so a long life of changing texts stays small.
    if (mShared.size() >= mPruneAt)
    {
        std::erase_if(mShared, [](const auto& inEntry) { return inEntry.second.expired(); });
        mPruneAt = std::max<std::size_t>(64, 2 * mShared.size());
    }
    return true;
}
