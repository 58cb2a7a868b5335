#include "VaneMapInstance.h"

#include "CxDate.h"
#include "CxDebug.h"
#include "CxFile.h"
#include "CxSystem.h"
#include "DxClients.h"
#include "DxManager.h"
#include "GxContext.h"
#include "GxFont.h"
#include "GxProjection.h"
#include "GxString.h"
#include "VaneInspectors.h"
#include "VanePluginInstance.h"
#include "VaneTransitions.h"
#include "WxDrawSupport.h"
#include "WxInspector.h"
#include "WxMap.h"
#include "WxParser.h"
#include "WxProduct.h"
#include "XmlBuilder.h"
#include "XmlElement.h"
#include "XmlParser.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace
{

enum : CxSint32
{
    kLegendTimerMessage = 2000,
    kZoomTimerMessage = 2001,
    kGrowInspectorMessage = 2007,
    kShrinkInspectorMessage = 2008,
    kFadeTimerMessage = 2009
};

constexpr double kButtonStripStep = 35.0 / 256.0;
// The caption's 8 px before its text and 16 px after the date.
constexpr double kCaptionTextMargins = 24.0;

bool IsRight(const CxString& inText)
{
    return inText == CxString("right");
}

// The texture fills the quad, its bottom row at the bottom.
void TexturedQuad(double inLeft, double inBottom, double inRight, double inTop, double inS0 = 0.0, double inS1 = 1.0)
{
    glBegin(GL_QUADS);
    glTexCoord2d(inS0, 0.0);
    glVertex2d(inLeft, inBottom);
    glTexCoord2d(inS1, 0.0);
    glVertex2d(inRight, inBottom);
    glTexCoord2d(inS1, 1.0);
    glVertex2d(inRight, inTop);
    glTexCoord2d(inS0, 1.0);
    glVertex2d(inLeft, inTop);
    glEnd();
}

void FillRect(double inLeft, double inBottom, double inRight, double inTop)
{
    glBegin(GL_QUADS);
    glVertex2d(inLeft, inBottom);
    glVertex2d(inRight, inBottom);
    glVertex2d(inRight, inTop);
    glVertex2d(inLeft, inTop);
    glEnd();
}

void SetColor(const GxColor& inColor, double inAlpha)
{
    glColor4d(inColor.mRed, inColor.mGreen, inColor.mBlue, inAlpha);
}

} // namespace

// ---- construction

FxPluginInstance* VaneMapInstance::Make(FxPluginInstance* inPlaceholder, WxParser& ioParser)
{
    auto* placeholder = dynamic_cast<VanePluginInstance*>(inPlaceholder);
    CxAssert(placeholder != nullptr);
    if (placeholder == nullptr)
        return nullptr;
    return new VaneMapInstance(placeholder, ioParser);
}

VaneMapInstance::VaneMapInstance(VanePluginInstance* inPlaceholder, WxParser& inParser)
    : FxPluginInstance(inPlaceholder), mData(inPlaceholder->GetData()), mUrl(inPlaceholder->GetUrl()),
      mMime(inPlaceholder->GetMime()), mZoomTimer(100, kZoomTimerMessage), mFadeTimer(34, kFadeTimerMessage),
      mLegendTimer(34, kLegendTimerMessage), mInspectorTimer(34, kGrowInspectorMessage),
      mLegendRect(0, 0, kLegendWidth, 32), mInspectorRect(0, 0, kLegendWidth, 32), mLastTick(CxTickCount()),
      mCaptionFont(new GxFont(CxUint32(0), 10))
{
    mZoomTimer.AttachReceiver(this);
    mFadeTimer.AttachReceiver(this);
    mLegendTimer.AttachReceiver(this);
    mInspectorTimer.AttachReceiver(this);
    gInstances.AddInstance(this);

    const CxRect bounds = LocalBounds();
    mLegendRect.SetHeight(bounds.Height());
    mInspectorRect.SetHeight(bounds.Height());
    if (IsRight(GetArgument(CxString("legendAlign"))))
    {
        mLegendRight = 1;
        mLegendRect.Offset(CxSint16(bounds.Width() - mLegendRect.Width()), 0);
    }

    SetupMap(inParser);
    // The placeholder handed over in its draw without showing a frame.
    Invalidate();
    if (mMap == nullptr)
        return;
    mMap->SetLegendAlign(CxString(mLegendRight == 1 ? "right" : "left"));

    const CxString caption = GetArgument(CxString("caption"));
    if (caption.Length() > 0)
    {
        const CxString background = GetArgument(CxString("captionBackground"));
        const GxColor band = background.Length() > 0 ? GxColor(background) : mMap->Color();
        const GxColor text = band.Brightness() > 0.6 ? GxColor(0.0, 0.0, 0.0, 1.0) : GxColor(1.0, 1.0, 1.0, 1.0);
        const CxString format = GetArgument(CxString("captionDateFormat"));
        const CxSint32 size = std::max<CxSint32>(7, GetArgument(CxString("captionFontSize")).AsSint32());
        *mCaptionFont = GxFont(CxUint32(0), CxSint16(std::min<CxSint32>(size, 0x7FFF)));

        XmlBuilder builder;
        builder.Begin(CxString("caption"));
        builder.Attribute(CxString("string"), caption);
        builder.Attribute(CxString("color"), text.AsString());
        builder.Attribute(CxString("bgcolor"), band.AsString());
        builder.Attribute(CxString("align"),
                          CxString(GetArgument(CxString("captionAlign")) == CxString("top") ? "top" : "bottom"));
        builder.Attribute(CxString("format"), format.Length() > 0 ? format : CxString("%I:%M %p"));
        mCaptionFont->Externalize(builder);
        builder.End(CxString("caption"));
        AcceptCaptionSettings(builder.Root()->FindElement(CxString("caption")));

        // Counted from the bottom layer; past the top it is the top layer.
        const CxSint32 index = GetArgument(CxString("captionProductIndex")).AsSint32();
        const CxSint32 count = CxSint32(mMap->ProductCount());
        if (index >= 0 && count > 0)
            mMap->SetCaptionProduct(*(mMap->ProductBegin() + std::max(count - index - 1, 0)));
    }

    if (GetArgument(CxString("autoPlay")) == CxString("true"))
        mMap->TogglePlay();
}

void VaneMapInstance::SetupMap(WxParser& ioParser)
{
    GxContext* context = GetContext();
    if (context != nullptr)
        context->MakeCurrent();

    mFadeAlpha = 1.0f;
    if (GetArgument(CxString("dissolve")) == CxString("true"))
        mFadeTimer.StartRepeating();

    if (!ioParser.HasMap())
    {
        _CxDebug(__FILE__, __LINE__, "LastErrorMessage", ioParser.LastErrorMessage());
        return;
    }
    mMap = ioParser.Map();
    if (mMap == nullptr)
    {
        _CxDebug(__FILE__, __LINE__, "LastErrorMessage", ioParser.LastErrorMessage());
        return;
    }
    mMap->AttachReceiver(this);

    mFocusPoint = mMap->Projection()->Project(mMap->GetMapCenter());
    mLegendVisible = mMap->IsLegendVisible();

    const XmlElement* root = ioParser.Root();
    AdjustZoom(root);

    const CxSint16 width = mLegendRect.Width();
    const auto moveOff = [&]
    {
        if (!mLegendVisible)
            mLegendRect.Offset(CxSint16(mLegendRight == 1 ? width : -width), 0);
    };
    moveOff();

    XmlElement* vanedoc = root != nullptr ? root->FindElement(CxString("vanedoc")) : nullptr;
    AcceptCaptionSettings(vanedoc != nullptr ? vanedoc->FindElement(CxString("caption")) : nullptr);

    CxString side = GetArgument(CxString("captionAlign"));
    if (side.Length() == 0)
        side = mMap->LegendAlign();
    // Either the embed's "legendAlign" or this side puts the column on the right; both together keep it there.
    if (IsRight(side) && mLegendRight == 0)
        ToggleLegendAlign();
    moveOff();

    if (mMap->SelectionCount() > 0)
    {
        mSelectedProduct = mMap->SelectedProducts().front();
        mPopup = mSelectedProduct->CreatePopup();
    }
    if (mMap->SelectionCount() == 1)
    {
        CxAssert(mProductInspector == nullptr);
        delete mProductInspector;
        mProductInspector = new VaneProductInspector(mSelectedProduct);
        mProductInspector->SetAlpha(1.0);
        const CxSint32 row =
            CxSint32(std::find(mMap->ProductBegin(), mMap->ProductEnd(), mSelectedProduct) - mMap->ProductBegin());
        mInspectorRect = mLegendRect;
        mInspectorRect.top = CxSint16(mLegendRect.top + kLegendHeader);
        mInspectorRect.bottom = CxSint16(mLegendRect.bottom - ButtonBand());
        mProductRowRect = CxRect(0, 0, kLegendWidth, kLegendRow);
        mProductRowRect.Offset(mLegendRect.left, CxSint16(mLegendRect.top + kLegendHeader + kLegendRow * row));
    }
}

// ---- settings

void VaneMapInstance::AcceptCaptionSettings(XmlElement* inXml)
{
    if (inXml == nullptr)
    {
        mShowCaption = false;
        return;
    }
    mShowCaption = true;
    CxAssert(inXml->Name() == CxString("caption"));
    mCaptionText = inXml->GetAttribute(CxString("string"));
    mCaptionAlign = inXml->GetAttribute(CxString("align"));
    mCaptionFormat = inXml->GetAttribute(CxString("format"));
    mCaptionColor = GxColor(inXml->GetAttribute(CxString("color")));
    mCaptionBackground = GxColor(inXml->GetAttribute(CxString("bgcolor")));
    if (const XmlElement* font = inXml->FindElement(CxString("font")))
        mCaptionFont->Internalize(font);
    mCaptionInvalid = true;
    Invalidate();
}

void VaneMapInstance::ExternalizeCaption(XmlBuilder& ioBuilder) const
{
    if (mCaptionText.Length() == 0 && mCaptionFormat.Length() == 0)
        return;
    ioBuilder.Begin(CxString("caption"));
    ioBuilder.Attribute(CxString("string"), mCaptionText);
    ioBuilder.Attribute(CxString("color"), mCaptionColor.AsString());
    ioBuilder.Attribute(CxString("bgcolor"), mCaptionBackground.AsString());
    ioBuilder.Attribute(CxString("align"), mCaptionAlign);
    ioBuilder.Attribute(CxString("format"), mCaptionFormat);
    if (mCaptionFont != nullptr)
        mCaptionFont->Externalize(ioBuilder);
    ioBuilder.End(CxString("caption"));
}

void VaneMapInstance::ToggleLegendAlign()
{
    const CxSint32 d = mLegendRight == 1 ? -1 : 1;
    const CxSint32 v = mLegendVisible ? -1 : 1;
    const CxSint32 width = LocalBounds().Width();
    mLegendRect.Offset(CxSint16(d * width + d * mLegendRect.Width() * v), 0);
    const bool wasRight = mLegendRight == 1;
    mLegendRight = wasRight ? 0 : 1;
    if (mMap != nullptr)
        mMap->SetLegendAlign(CxString(wasRight ? "left" : "right"));
    Invalidate();
}

void VaneMapInstance::SelectionChanged()
{
    WxProduct* selected = nullptr;
    if (mMap != nullptr && mMap->SelectionCount() > 0)
        selected = mMap->SelectedProducts().front();
    if (selected == mSelectedProduct)
        return;
    mSelectedProduct = selected;
    delete mPopup;
    mPopup = selected != nullptr ? selected->CreatePopup() : nullptr;
}

void VaneMapInstance::SetInspectorBounds(const CxRect& inBounds)
{
    mFloatingInspectorBounds = inBounds;
    if (mProductInspector != nullptr)
        Invalidate();
}

VaneProductInspector* VaneMapInstance::CreateInspector(const CxRect& inBounds)
{
    mFloatingInspectorBounds = inBounds;
    if (GxContext* context = GetContext())
        context->MakeCurrent();
    delete mFloatingInspector;
    mFloatingInspector = new VaneProductInspector();
    return mFloatingInspector;
}

bool VaneMapInstance::DeleteInspector(VaneProductInspector* inInspector)
{
    if (inInspector == nullptr || inInspector != mFloatingInspector)
        return false;
    if (GxContext* context = GetContext())
        context->MakeCurrent();
    delete mFloatingInspector;
    mFloatingInspector = nullptr;
    return true;
}

void VaneMapInstance::Export(const CxString& inMime, CxFile& ioFile)
{
    if (GxContext* context = GetContext())
        context->Export(inMime, ioFile, nullptr);
}

// ---- window and context

CxRect VaneMapInstance::LocalBounds() const
{
    CxRect bounds = GetPluginBounds();
    bounds.Normalize();
    return bounds;
}

CxSint16 VaneMapInstance::ButtonBand() const
{
    return mMap != nullptr && mMap->StartDate() != mMap->EndDate() ? kButtonBand : 0;
}

CxRect VaneMapInstance::DrawnInspectorRect() const
{
    CxRect rect = mInspectorRect;
    rect.left = mLegendRect.left;
    rect.right = mLegendRect.right;
    return rect;
}

bool VaneMapInstance::LegendShown() const
{
    return mLegendVisible || mLegendTimer.IsRepeating();
}

GxColor VaneMapInstance::PageColor() const
{
    const CxString text = GetArgument(CxString("color"));
    return text.Length() > 0 ? GxColor(text) : GxColor(CxString("#CCCCCCFF"));
}

namespace
{

void SetDrawingState()
{
    glShadeModel(GL_SMOOTH);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

} // namespace

void VaneMapInstance::OnSetContext()
{
    const GxColor color = PageColor();
    glClearColor(GLclampf(color.mRed), GLclampf(color.mGreen), GLclampf(color.mBlue), 1.0f);
    SetDrawingState();
    // A new context starts from identity matrices.
    mProjectionPending = true;
}

void VaneMapInstance::OnSetWindow()
{
    OnResize();
}

void VaneMapInstance::OnResize()
{
    if (GxContext* context = GetContext())
    {
        context->MakeCurrent();
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        SetDrawingState();
    }
    const CxRect bounds = LocalBounds();
    mLegendRect.SetHeight(bounds.Height());
    mInspectorRect.SetHeight(CxSint16(mLegendRect.Height() - kLegendHeader - ButtonBand()));
    if (mLegendRight == 1)
    {
        const CxSint16 left = mLegendVisible ? CxSint16(bounds.right - mLegendRect.Width()) : bounds.right;
        mLegendRect.Offset(CxSint16(left - mLegendRect.left), 0);
    }
    mCaptionInvalid = true;
    SetPerspective(mPerspective);
    Invalidate();
}

// ---- drawing

void VaneMapInstance::OnDraw()
{
    GxContext* context = GetContext();
    if (context == nullptr)
        return;
    context->MakeCurrent();
    if (mProjectionPending)
        SetPerspective(mPerspective);
    const GxRect legend(mLegendRect.left, mLegendRect.top, mLegendRect.right, mLegendRect.bottom);

    if (mMap == nullptr)
    {
        glClear(GL_COLOR_BUFFER_BIT);
    }
    else
    {
        LookAtMap();
        mMap->BeginDraw();
        mMap->DrawMap(*context);
        if (mPopup != nullptr && LocalBounds().Contains(mTrackPoint))
            mPopup->Draw(*context);
        if (mProductInspector != nullptr && mShowTrackCursor)
            DrawTrackCursor(*context);
        if (LegendShown())
        {
            mMap->DrawLegend(*context, legend, false, false);
            if (ButtonBand() > 0)
            {
                context->Begin2D();
                DrawAnimationButtons(*context, legend);
                context->End2D();
            }
        }
        DrawInspectors(*context);
        if (mShowCaption)
            DrawCaption(*context);
        mMap->EndDraw();
    }
    if (mFadeTimer.IsRepeating())
        DrawFade(*context);
    context->SwapBuffers();
    FinishPendingPrint(true);
}

void VaneMapInstance::DrawTrackCursor(GxContext& ioContext)
{
    const double height = LocalBounds().Height();
    ioContext.Begin2D();
    ioContext.PushAttribs();
    glTranslated(0.375, 0.375, 0.0);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glBindTexture(GL_TEXTURE_2D, ioContext.GetTexture(CxString("VaneTrackCursor"), false));
    glColor4d(1.0, 1.0, 1.0, 0.8);
    const double x = mTrackPoint.h;
    const double y = height - mTrackPoint.v;
    TexturedQuad(x - 8.0, y - 8.0, x + 8.0, y + 8.0);
    glBindTexture(GL_TEXTURE_2D, 0);
    ioContext.PopAttribs();
    ioContext.End2D();
}

void VaneMapInstance::DrawInspectors(GxContext& ioContext)
{
    const double height = LocalBounds().Height();
    const auto place = [&](VaneProductInspector* ioPanel, CxRect inRect, double inFillAlpha, const GxColor* inOutline)
    {
        ioContext.PushAttribs();
        ioContext.Begin2D();
        glDisable(GL_TEXTURE_2D);
        glTranslated(inRect.left, height - inRect.bottom, 0.0);
        SetColor(mMap->Color(), inFillAlpha);
        FillRect(0.0, 0.0, inRect.Width(), inRect.Height());
        if (inOutline != nullptr)
        {
            SetColor(*inOutline, 1.0);
            glBegin(GL_LINE_LOOP);
            glVertex2d(0.5, 0.5);
            glVertex2d(inRect.Width() - 0.5, 0.5);
            glVertex2d(inRect.Width() - 0.5, inRect.Height() - 0.5);
            glVertex2d(0.5, inRect.Height() - 0.5);
            glEnd();
        }
        glTranslated(-double(inRect.left), 0.0, 0.0);
        glTranslated(0.375, 0.375, 0.0);
        ioPanel->Draw(ioContext, inRect);
        ioContext.End2D();
        ioContext.PopAttribs();
    };
    if (mProductInspector != nullptr && LegendShown())
        place(mProductInspector, DrawnInspectorRect(), 1.5 * mProductInspector->Alpha(), nullptr);
    if (mFloatingInspector != nullptr)
    {
        const GxColor outline =
            mMap->Color().Brightness() <= 0.6 ? GxColor(1.0, 1.0, 1.0, 1.0) : GxColor(0.0, 0.0, 0.0, 1.0);
        place(mFloatingInspector, mFloatingInspectorBounds, 0.9, &outline);
    }
}

void VaneMapInstance::DrawAnimationButtons(GxContext& ioContext, const GxRect& inLegend)
{
    const CxString suffix(mMap->Color().Brightness() > 0.6 ? "Black" : "");
    const unsigned int normal = ioContext.GetTexture(CxString("VaneAnimationButtonsNormal") + suffix, false);
    ioContext.PushAttribs();
    glPushMatrix();
    glTranslated(inLegend.mLeft, 0.0, 0.0);
    SetColor(mMap->Color(), 1.0);
    FillRect(0.0, 0.0, kLegendWidth, kButtonBand);
    for (long i = 0; i < 5; ++i)
    {
        const long image = i == 2 && mMap->IsAnimating() ? 5 : i;
        DrawSingleAnimationButton(ioContext, 35.0 * double(i), image, normal);
    }
    if (mHoverButton >= 0 && (mButtonState == 1 || mButtonState == 2))
    {
        const CxString look(mButtonState == 1 ? "VaneAnimationButtonsHover" : "VaneAnimationButtonsPressed");
        const double x = mHoverButton == 5 ? 70.0 : 35.0 * mHoverButton;
        DrawSingleAnimationButton(ioContext, x, mHoverButton, ioContext.GetTexture(look + suffix, false));
    }
    glPopMatrix();
    ioContext.PopAttribs();
}

void VaneMapInstance::DrawSingleAnimationButton(GxContext&, double inX, long inIndex, unsigned int inTexture)
{
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glBindTexture(GL_TEXTURE_2D, inTexture);
    glColor4d(1.0, 1.0, 1.0, 1.0);
    TexturedQuad(inX, 0.0, inX + 35.0, kButtonBand, double(inIndex) * kButtonStripStep,
                 double(inIndex + 1) * kButtonStripStep);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
}

void VaneMapInstance::DrawCaption(GxContext& ioContext)
{
    if (mCaptionInvalid)
    {
        delete mCaptionString;
        mCaptionString = nullptr;
        delete mDateString;
        mDateString = nullptr;
        mCaptionInvalid = false;
    }
    const CxRect bounds = LocalBounds();
    if (mCaptionString == nullptr)
    {
        mCaptionCut = WxCutTextFont(*mCaptionFont, WxTextSizeLimit(bounds.Height()), "caption");
        mCaptionString = new GxString(mCaptionText, CaptionFont());
    }

    CxDate date = DxManager::sMissingDate;
    if (WxProduct* product = mMap->CaptionProduct())
    {
        if (const auto* client = dynamic_cast<const DxClient*>(product))
            date = client->FrameDate();
    }
    else
    {
        date = mMap->Date();
    }
    const bool hasFormat = mCaptionFormat.Length() > 0;
    const CxString dateText =
        hasFormat && date != DxManager::sMissingDate ? date.AsString(mCaptionFormat, CxTimeZone()) : CxString("");
    if (mDateString == nullptr || (hasFormat && dateText != mCaptionDateText))
    {
        delete mDateString;
        mDateString = new GxString(dateText, CaptionFont());
        mCaptionDateText = dateText;
    }

    const double height = std::max(mCaptionString->Height(), mDateString->Height());
    const double margin = std::floor(std::max(5.0, 0.35 * height));
    double left = 0.0;
    double right = bounds.Width();
    if (LegendShown())
    {
        if (mLegendRight == 0 && mLegendRect.right > 0)
            left = mLegendRect.right;
        else if (mLegendRight == 1 && mLegendRect.left < bounds.right)
            right = mLegendRect.left;
    }
    const double band = right - left;
    // A band narrower than the texts' margins holds no text: a width of 0 or less would truncate nothing, and the
    // text would run on across the legend column.
    const bool drawsText = band >= kCaptionTextMargins;
    const bool drawsDate = drawsText && hasFormat && mDateString->GetString().Length() > 0;
    const double dateWidth = drawsDate ? mDateString->Width() : 0.0;
    if (drawsText && band < mCaptionString->Width() + 8.0 + dateWidth + 16.0)
    {
        if (drawsDate && mDateString->Width() > 0.45 * band)
        {
            mDateString->TruncateToWidth(CxSint32(std::floor(0.45 * band)));
            mDateString->UnTexture(ioContext);
        }
        const double share = drawsDate ? mDateString->Width() / band : 0.0;
        if (mCaptionString->Width() > (0.9 - share) * band)
        {
            mCaptionString->TruncateToWidth(CxSint32(std::floor((0.9 - share) * band)));
            mCaptionString->UnTexture(ioContext);
        }
    }
    // Among the map's text textures, but never left out for its labels.
    if (drawsText)
        mMap->LabelTextures().TextureOwnText(*mCaptionString, ioContext);
    if (drawsDate)
        mMap->LabelTextures().TextureOwnText(*mDateString, ioContext);

    const double bottom = mCaptionAlign == CxString("top") ? bounds.Height() - (height + margin) : 0.0;
    const double top = bottom + height + margin;
    const GxColor shade = mCaptionBackground.Brightness() <= 0.6 ? GxColor(1.0, 1.0, 1.0, 1.0) : GxColor(0, 0, 0, 1);
    ioContext.Begin2D();
    ioContext.PushAttribs();
    glDisable(GL_TEXTURE_2D);
    SetColor(mCaptionBackground, 0.95 * mCaptionBackground.mAlpha);
    FillRect(left, bottom, right, top);
    glShadeModel(GL_SMOOTH);
    glBegin(GL_QUADS);
    SetColor(shade, 0.3 * mCaptionBackground.mAlpha);
    glVertex2d(left, bottom);
    glVertex2d(right, bottom);
    SetColor(shade, 0.0);
    glVertex2d(right, top);
    glVertex2d(left, top);
    glEnd();

    glTranslated(0.375, 0.375, 0.0);
    SetColor(mCaptionColor, mCaptionColor.mAlpha);
    const double line = bottom + std::floor(margin / 2.0);
    if (drawsText)
    {
        mCaptionString->SetPosition(left + 8.0, line);
        mCaptionString->Draw(ioContext, kGxHAlignLeft, kGxVAlignBottom);
    }
    if (drawsDate)
    {
        mDateString->SetPosition(right - 16.0, line);
        mDateString->Draw(ioContext, kGxHAlignRight, kGxVAlignBottom);
    }
    ioContext.PopAttribs();
    ioContext.End2D();
}

void VaneMapInstance::DrawFade(GxContext& ioContext)
{
    const CxRect bounds = LocalBounds();
    const double left = bounds.Width() / 2 - 32;
    const double bottom = bounds.Height() / 2 - 32 + 10;
    ioContext.Begin2D();
    ioContext.PushAttribs();
    glDisable(GL_TEXTURE_2D);
    SetColor(PageColor(), mFadeAlpha);
    FillRect(0.0, 0.0, bounds.Width(), bounds.Height());
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glBindTexture(GL_TEXTURE_2D, ioContext.GetTexture(CxString("VaneIcon"), false));
    glColor4d(1.0, 1.0, 1.0, mFadeAlpha);
    TexturedQuad(left, bottom, left + 64.0, bottom + 64.0);
    glBindTexture(GL_TEXTURE_2D, 0);
    ioContext.PopAttribs();
    ioContext.End2D();
}

// ---- messages and transitions

void VaneMapInstance::OnReceiveMessage(CxMessenger* inSender, CxSint32 inCode, void* inData)
{
    switch (inCode)
    {
    case kWxMapProductOrphaned:
        // A popup must not outlive the product it shows.
        if (inData != nullptr && inData == mSelectedProduct)
        {
            delete mPopup;
            mPopup = nullptr;
            mSelectedProduct = nullptr;
        }
        Invalidate();
        break;
    case kWxMapChanged:
    case kWxMapProductAdopted:
    case kWxMapDataChanged:
    case kWxMapSettingsChanged:
        Invalidate();
        break;
    case kWxMapSelectionChanged:
        SelectionChanged();
        Invalidate();
        break;
    case kLegendTimerMessage:
        MessageLegendSlide();
        break;
    case kZoomTimerMessage:
        MessageZoom();
        break;
    case kGrowInspectorMessage:
        MessageGrowInspector();
        break;
    case kShrinkInspectorMessage:
        MessageShrinkInspector();
        break;
    case kFadeTimerMessage:
        MessageFade();
        break;
    default:
        break;
    }
    (void)inSender;
}

void VaneMapInstance::MessageLegendSlide()
{
    const CxSint16 step = VaneTransitionStep(mLastTick, 6.0);
    if (step == 0)
        return;
    if (!VaneSlideLegendColumn(mLegendRect, mLegendVisible, mLegendRight != 0, LocalBounds().Width(), step))
        mLegendTimer.StopRepeating();
    Refresh();
}

void VaneMapInstance::MessageFade()
{
    mFadeAlpha -= 0.05f;
    Invalidate();
    if (mFadeAlpha <= 0.0f)
        mFadeTimer.StopRepeating();
}

void VaneMapInstance::MessageGrowInspector()
{
    if (mProductInspector == nullptr)
        return;
    const CxSint16 step = VaneTransitionStep(mLastTick, double(mInspectorSpeed));
    if (step == 0)
        return;
    const CxSint32 full = mLegendRect.Height() - kLegendHeader - ButtonBand();
    if (mInspectorRect.Height() < full)
    {
        mInspectorRect.top = std::max<CxSint16>(kLegendHeader, CxSint16(mInspectorRect.top - step));
        mInspectorRect.bottom =
            std::min<CxSint16>(CxSint16(LocalBounds().bottom - ButtonBand()), CxSint16(mInspectorRect.bottom + step));
        const double height = mInspectorRect.Height();
        mProductInspector->SetAlpha(height > 30.0 ? (height - 30.0) / full : 0.0);
    }
    else
    {
        mInspectorTimer.StopRepeating();
        mProductInspector->SetAlpha(1.0);
    }
    Invalidate();
}

void VaneMapInstance::MessageShrinkInspector()
{
    if (mProductInspector == nullptr)
        return;
    const CxSint16 step = VaneTransitionStep(mLastTick, double(mInspectorSpeed));
    if (step == 0)
        return;
    if (mInspectorRect.Height() > mProductRowRect.Height())
    {
        mInspectorRect.top = std::min<CxSint16>(mProductRowRect.top, CxSint16(mInspectorRect.top + step));
        mInspectorRect.bottom = std::max<CxSint16>(mProductRowRect.bottom, CxSint16(mInspectorRect.bottom - step));
        mProductInspector->SetAlpha(1.0 - (mProductRowRect.Height() + 64.0) / (mInspectorRect.Height() + 30.0));
    }
    else
    {
        DeleteProductInspector();
        mInspectorTimer.StopRepeating();
    }
    Invalidate();
}

void VaneMapInstance::DeleteProductInspector()
{
    // The panel's text textures belong to this context.
    if (GxContext* context = GetContext())
        context->MakeCurrent();
    delete mProductInspector;
    mProductInspector = nullptr;
}
