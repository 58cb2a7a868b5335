#include "CxDebug.h"
#include "CxSystem.h"
#include "FxBuildControls.h"
#include "FxCaptionControl.h"
#include "FxInterfaceFile.h"
#include "PfDrag.h"
#include "PfTheme.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{

using pf::FourCC;

constexpr std::uint64_t kTrackingAreaId = 1;
constexpr double kEndWidth = 3;
constexpr double kThumbInset = 10;
const pf::Color kWhite{1, 1, 1, 1};

template <class T> FxControl* Make(pf::ViewRef inControl)
{
    return new T(inControl);
}

std::unique_ptr<pf::Image> Load(const CxString& inName)
{
    return std::unique_ptr<pf::Image>(FxLoadImage(inName));
}

CxString Joined(const CxString& inBase, const char* inSuffix)
{
    CxString name = inBase;
    name += inSuffix;
    return name;
}

pf::Canvas* CanvasOf(const pf::Event& inEvent)
{
    pf::Canvas* canvas = nullptr;
    inEvent.GetParam(pf::kParamCGContext, pf::kTypeCGContext, canvas);
    return canvas;
}

// The title's pen position for the buttons: centred across, its baseline centring the ascent and descent.
pf::Point ButtonTitleOrigin(const pf::Rect& inBounds, const CxRect& inMeasured)
{
    return pf::Point{std::trunc(inBounds.w * 0.5 - inMeasured.Width() * 0.5),
                     std::trunc((inBounds.h + inMeasured.top - inMeasured.bottom) * 0.5)};
}

} // namespace

pf::Image* FxLoadImage(const CxString& inName)
{
    const std::string file = inName.AsUtf8() + ".png";
    const std::string bundle = CxGetBundle().AsUtf8();
    std::vector<std::uint8_t> bytes;
    if (!bundle.empty() && inName.Length() != 0)
    {
        std::ifstream in(bundle + "/" + file, std::ios::binary);
        if (in)
            bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    auto image = std::make_unique<pf::Image>();
    std::string error;
    if (bytes.empty() || !pf::ReadPngImage(bytes.data(), bytes.size(), *image, error) || image->Empty())
    {
        const std::string line = file + (error.empty() ? ": no such image" : ": " + error);
        _CxDebugOut(__FILE__, __LINE__, "FxLoadImage", line.c_str());
        return nullptr;
    }
    return image.release();
}

// ---- Text ------------------------------------------------------------------------------------------------------

CxRect FxHudText::Build(const CxRect& inBounds, const CxString& inTitle)
{
    mLayout.Clear();
    if (inTitle.Length() == 0)
        return CxRect();
    if (!mStyle)
        mStyle = pf::TextStyle::Make(pf::FontRegistry::kDefaultFontId, mFontSize + 2);
    const std::int32_t lineWidth = inBounds.Width() - 8;
    mLayout.SetFontMatrix(pf::Affine{1, 0, 0, -1, 0, 0});
    // A line too narrow for anything still truncates, down to the ellipsis.
    mLayout.Build(inTitle.GetChars(), inTitle.Length(), mStyle, mTruncate ? std::max(lineWidth, 1) : 0);
    if (mLayout.CountGlyphs() == 0)
        return CxRect();
    CxRect measured(CxSint16(mLayout.StartOffset()), CxSint16(mLayout.Ascent()), CxSint16(mLayout.EndOffset()),
                    CxSint16(mLayout.Descent()));
    if (measured.Width() > lineWidth && measured.Width() >= mLayout.InkWidth() + 2)
        measured.SetWidth(CxSint16(mLayout.InkWidth() + 1));
    return measured;
}

void FxHudText::Render(pf::Canvas* inCanvas, CxSint16 inX, CxSint16 inY) const
{
    if (inCanvas != nullptr && mLayout.CountGlyphs() != 0)
        inCanvas->DrawText(mLayout, pf::Point{double(inX), double(inY)});
}

// ---- The shared control ------------------------------------------------------------------------------------------

FxHudControl::FxHudControl(pf::ViewRef inControl) : FxControl(inControl)
{
    Install({{pf::kClassControl, pf::kControlDraw},
             {pf::kClassControl, pf::kControlHitTest},
             {pf::kClassControl, pf::kControlHit},
             {pf::kClassControl, pf::kControlTrack},
             {pf::kClassControl, pf::kControlHiliteChanged},
             {pf::kClassControl, pf::kControlActivate},
             {pf::kClassControl, pf::kControlDeactivate},
             {pf::kClassControl, pf::kControlEnabledStateChanged},
             {pf::kClassControl, pf::kControlSetFocusPart},
             {pf::kClassControl, pf::kControlGetFocusPart},
             {pf::kClassControl, pf::kControlBoundsChanged},
             {pf::kClassControl, pf::kControlTrackingAreaEntered},
             {pf::kClassControl, pf::kControlTrackingAreaExited}});
    if (mControl != nullptr)
        pf::SetControlDragTrackingEnabled(mControl, true);
}

FxHudControl::~FxHudControl()
{
    RemoveHandler();
    if (mTrackingArea != 0)
        pf::DisposeTrackingArea(mTrackingArea);
}

void FxHudControl::MakeTrackingArea()
{
    if (mControl != nullptr && mTrackingArea == 0)
        mTrackingArea = pf::NewTrackingArea(mControl, pf::Rect{}, kTrackingAreaId);
}

pf::Rect FxHudControl::ViewBounds() const
{
    return mControl != nullptr ? pf::GetViewBounds(mControl) : pf::Rect{};
}

CxString FxHudControl::PropertyText(CxUint32 inTag) const
{
    std::size_t size = 0;
    if (mControl == nullptr || pf::GetControlPropertySize(mControl, kFxFaceSignature, inTag, size) != pf::kNoErr ||
        size < 2)
        return CxString();
    std::vector<CxUint16> units(size / 2);
    pf::GetControlProperty(mControl, kFxFaceSignature, inTag, units.data(), units.size() * 2);
    return CxString(units.data(), CxUint32(units.size()));
}

CxString FxHudControl::PropertyString(CxUint32 inTag) const
{
    std::size_t size = 0;
    if (mControl == nullptr || pf::GetControlPropertySize(mControl, kFxFaceSignature, inTag, size) != pf::kNoErr ||
        size == 0)
        return CxString();
    std::vector<char> bytes(size);
    pf::GetControlProperty(mControl, kFxFaceSignature, inTag, bytes.data(), bytes.size());
    return CxString(bytes.data(), CxUint32(bytes.size()));
}

void FxHudControl::DrawUpright(pf::Canvas* inCanvas, const pf::Rect& inBounds, const pf::Image* inImage,
                               const pf::Rect& inRect)
{
    if (inImage == nullptr || inRect.Empty())
        return;
    // Images come out upright only in a y-up space.
    inCanvas->Save();
    inCanvas->ConcatTransform(pf::Affine{1, 0, 0, -1, 0, inBounds.h});
    inCanvas->DrawImage(inRect, *inImage);
    inCanvas->Restore();
}

void FxHudControl::DrawThreeSlice(pf::Canvas* inCanvas, const pf::Rect& inBounds, const pf::Image* inLeft,
                                  const pf::Image* inMiddle, const pf::Image* inRight)
{
    const double x = inBounds.x, y = inBounds.y, w = inBounds.w, h = inBounds.h;
    DrawUpright(inCanvas, inBounds, inLeft, pf::Rect{x, y, kEndWidth, h});
    DrawUpright(inCanvas, inBounds, inMiddle, pf::Rect{x + kEndWidth, y, w - 2 * kEndWidth, h});
    DrawUpright(inCanvas, inBounds, inRight, pf::Rect{x + w - kEndWidth, y, kEndWidth, h});
}

bool FxHudControl::OnTrack(pf::Event&, const pf::Point&, const pf::Point& inCurrent, CxSint16& ioPart)
{
    ioPart = OnHitTest(inCurrent);
    return false;
}

pf::OSStatus FxHudControl::Event(pf::HandlerCallRef inCall, pf::Event& ioEvent)
{
    if (ioEvent.Class() != pf::kClassControl)
        return FxControl::Event(inCall, ioEvent);
    switch (ioEvent.Kind())
    {
    case pf::kControlHit:
    {
        CxSint16 part = 0;
        ioEvent.GetParam(pf::kParamControlPart, pf::kTypeControlPartCode, part);
        OnLastPart(part);
        OnHit(ioEvent);
        // The window hears the hit.
        return pf::kEventNotHandled;
    }
    case pf::kControlHitTest:
    {
        pf::Point where;
        ioEvent.GetParam(pf::kParamMouseLocation, pf::kTypeHIPoint, where);
        const CxSint16 part = OnHitTest(where);
        ioEvent.SetParam(pf::kParamControlPart, pf::kTypeControlPartCode, part);
        return pf::kNoErr;
    }
    case pf::kControlDraw:
        if (pf::Canvas* canvas = CanvasOf(ioEvent))
            OnDraw(canvas);
        return pf::kNoErr;
    // Every snapshot redraws the whole window: nothing to mark.
    case pf::kControlActivate:
    case pf::kControlDeactivate:
    case pf::kControlHiliteChanged:
    case pf::kControlEnabledStateChanged:
    case pf::kControlBoundsChanged:
        return pf::kNoErr;
    case pf::kControlTrackingAreaEntered:
    case pf::kControlTrackingAreaExited:
        if (PressedPart() != 0)
            mMouseInside = ioEvent.Kind() == pf::kControlTrackingAreaEntered;
        return pf::kNoErr;
    case pf::kControlTrack:
        return Track(ioEvent);
    default:
        return pf::kEventNotHandled;
    }
}

pf::OSStatus FxHudControl::Track(pf::Event& ioEvent)
{
    const pf::ViewRef view = mControl;
    if (view == nullptr)
        return pf::kEventNotHandled;
    pf::Point start;
    ioEvent.GetParam(pf::kParamMouseLocation, pf::kTypeHIPoint, start);
    const CxSint16 pressed = PressedPart();
    CxSint16 part = OnHitTest(start);
    if (pressed != 0)
    {
        // The press is where the mouse is: the server's tracking areas miss the moves an earlier loop took.
        mMouseInside = part == pressed;
        pf::HiliteControl(view, part);
    }
    for (;;)
    {
        pf::Point global;
        const pf::MouseTrackingResult result = pf::TrackMouseLocation(&global);
        const pf::WindowRef window = pf::IsValidView(view) ? pf::GetViewWindow(view) : nullptr;
        if (window == nullptr)
            return pf::kNoErr;
        // Content coordinates: ConvertPoint's null view is the content, whatever the title bar adds.
        const pf::Rect content = pf::GetWindowBounds(window, pf::kWindowContentRgn);
        const pf::Point current =
            pf::ConvertPoint(pf::Point{global.x - content.x, global.y - content.y}, nullptr, view);
        const bool over = OnTrack(ioEvent, start, current, part);
        // The window may have taken this control away while it heard of the move.
        if (!pf::IsValidView(view))
            return pf::kNoErr;
        if (pressed != 0)
        {
            pf::HiliteControl(view, part);
            mMouseInside = part == pressed;
        }
        if (over || result == pf::MouseTrackingResult::kMouseReleased)
            break;
    }
    ioEvent.SetParam(pf::kParamControlPart, pf::kTypeControlPartCode, part);
    if (pressed != 0)
        pf::HiliteControl(view, 0);
    return pf::kNoErr;
}

// ---- Caption --------------------------------------------------------------------------------------------------

FxCaptionControl::FxCaptionControl(pf::ViewRef inControl) : FxHudControl(inControl)
{
    const CxString base = PropertyString(FourCC("IMAG"));
    mLeft = Load(Joined(base, "Left1"));
    mMiddle = Load(Joined(base, "Middle1"));
    mRight = Load(Joined(base, "Right1"));
}

void FxCaptionControl::OnDraw(pf::Canvas* inCanvas)
{
    const pf::Rect bounds = ViewBounds();
    DrawThreeSlice(inCanvas, bounds, mLeft.get(), mMiddle.get(), mRight.get());
    const CxSint16 fit = CxSint16(std::trunc(bounds.w * 0.9));
    const CxRect measured = BuildLayout(CxRect(0, 0, fit, CxSint16(bounds.h)), mTitle);
    if (measured.Width() <= 0 || measured.Width() > fit)
        return;
    inCanvas->Save();
    inCanvas->SetFillColor(kWhite);
    QuartzRender(inCanvas, CxSint16(std::trunc(bounds.w * 0.5 - measured.Width() * 0.5)), CxSint16(bounds.h - 10));
    inCanvas->Restore();
}

// ---- Icon button ------------------------------------------------------------------------------------------------

FxIconButton::FxIconButton(pf::ViewRef inControl) : FxHudControl(inControl)
{
    const CxString base = PropertyString(FourCC("ICON"));
    mNormal = Load(Joined(base, "1"));
    mPressed = Load(Joined(base, "2"));
    mTitle = PropertyText(FourCC("TEXT"));
    SetMinimum(0);
    SetMaximum(1);
    SetValue(0);
    MakeTrackingArea();
}

CxSint16 FxIconButton::OnHitTest(const pf::Point& inPoint)
{
    return ViewBounds().Contains(inPoint) ? pf::kControlButtonPart : 0;
}

void FxIconButton::OnDraw(pf::Canvas* inCanvas)
{
    const pf::Rect bounds = ViewBounds();
    const bool pressed = (mMouseInside && pf::GetControlHilite(mControl) == pf::kControlButtonPart) || Value() == 1;
    if (const pf::Image* image = pressed ? mPressed.get() : mNormal.get())
        DrawUpright(inCanvas, bounds, image,
                    pf::Rect{std::trunc((bounds.w - image->mWidth) * 0.5),
                             std::trunc((bounds.h - image->mHeight) * 0.5), double(image->mWidth),
                             double(image->mHeight)});
    const CxRect measured = BuildLayout(CxRect(0, 0, CxSint16(bounds.w), CxSint16(bounds.h)));
    if (measured.Width() <= 0)
        return;
    const pf::Point origin = ButtonTitleOrigin(bounds, measured);
    inCanvas->Save();
    inCanvas->SetFillColor(kWhite);
    QuartzRender(inCanvas, CxSint16(origin.x), CxSint16(origin.y));
    inCanvas->Restore();
}

// ---- Texture buttons --------------------------------------------------------------------------------------------

FxTextureButton::FxTextureButton(pf::ViewRef inControl) : FxHudControl(inControl), mSliced(false), mText(12, true)
{
    const CxString base = PropertyString(FourCC("IMAG"));
    mImages[0][1] = Load(Joined(base, "1"));
    mImages[1][1] = Load(Joined(base, "2"));
    mTitle = PropertyText(FourCC("TEXT"));
    MakeTrackingArea();
}

FxTextureButton::FxTextureButton(pf::ViewRef inControl, const CxString& inBase, CxSint16 inFontSize)
    : FxHudControl(inControl), mText(inFontSize, true)
{
    static const char* const kSlices[2][3] = {{"Left1", "Middle1", "Right1"}, {"Left2", "Middle2", "Right2"}};
    for (int look = 0; look < 2; ++look)
        for (int slice = 0; slice < 3; ++slice)
            mImages[look][slice] = Load(Joined(inBase, kSlices[look][slice]));
    MakeTrackingArea();
}

int FxTextureButton::CountLoadedImages() const
{
    int count = 0;
    for (const auto& look : mImages)
        for (const auto& image : look)
            count += image != nullptr ? 1 : 0;
    return count;
}

CxSint16 FxTextureButton::OnHitTest(const pf::Point& inPoint)
{
    return ViewBounds().Contains(inPoint) ? pf::kControlButtonPart : 0;
}

void FxTextureButton::OnDraw(pf::Canvas* inCanvas)
{
    const pf::Rect bounds = ViewBounds();
    const bool pressed = mMouseInside && pf::GetControlHilite(mControl) == pf::kControlButtonPart;
    const auto& look = mImages[pressed ? 1 : 0];
    if (mSliced)
        DrawThreeSlice(inCanvas, bounds, look[0].get(), look[1].get(), look[2].get());
    else
        DrawUpright(inCanvas, bounds, look[1].get(), bounds);
    const CxRect measured = BuildLayout(CxRect(0, 0, CxSint16(bounds.w), CxSint16(bounds.h)));
    if (measured.Width() <= 0)
        return;
    const pf::Point origin = ButtonTitleOrigin(bounds, measured);
    inCanvas->Save();
    inCanvas->SetFillColor(kWhite);
    QuartzRender(inCanvas, CxSint16(origin.x), CxSint16(origin.y));
    inCanvas->Restore();
}

FxBarButton::FxBarButton(pf::ViewRef inControl) : FxTextureButton(inControl, "FxBarButton", 12) {}

FxHudButton::FxHudButton(pf::ViewRef inControl) : FxTextureButton(inControl, "FxHudButton", 9)
{
    SetTitle(PropertyText(FourCC("TEXT")));
}

// ---- Slider -----------------------------------------------------------------------------------------------------

FxTextureSlider::FxTextureSlider(pf::ViewRef inControl) : FxHudControl(inControl)
{
    mThumb = Load(PropertyString(FourCC("THMB")));
    mTrack = Load(PropertyString(FourCC("BKGD")));
    mPressedThumb = Load(PropertyString(FourCC("BTHM")));
    if (mThumb != nullptr)
        mThumbRect = CxRect(0, 0, CxSint16(mThumb->mWidth), CxSint16(mThumb->mHeight));
    MakeTrackingArea();
}

CxSint16 FxTextureSlider::ThumbLeft() const
{
    const double travel = ViewBounds().w - 2 * kThumbInset - mThumbRect.Width();
    const CxSint32 range = Maximum() - Minimum();
    if (range <= 0 || travel <= 0)
        return CxSint16(kThumbInset);
    return CxSint16(std::trunc(double(Value() - Minimum()) / range * travel + kThumbInset));
}

CxSint16 FxTextureSlider::OnHitTest(const pf::Point& inPoint)
{
    const CxPoint where(CxSint16(std::trunc(inPoint.x)), CxSint16(std::trunc(inPoint.y)));
    return where.h >= mThumbRect.left && where.h < mThumbRect.right && where.v >= mThumbRect.top &&
                   where.v < mThumbRect.bottom
               ? kThumbPart
               : 0;
}

bool FxTextureSlider::OnTrack(pf::Event&, const pf::Point&, const pf::Point& inCurrent, CxSint16& ioPart)
{
    ioPart = OnHitTest(inCurrent);
    const double travel = ViewBounds().w - 2 * kThumbInset - mThumbRect.Width();
    const CxSint32 range = Maximum() - Minimum();
    // Without travel or range there is nowhere to go: the value stays at the minimum.
    if (travel <= 0 || range <= 0)
        SetValue(Minimum());
    else
    {
        const double pos = std::clamp(inCurrent.x - kThumbInset, 0.0, travel);
        SetValue(Minimum() + CxSint32(std::trunc(pos / travel * range)));
    }
    const pf::WindowRef window = mControl != nullptr ? pf::GetViewWindow(mControl) : nullptr;
    if (window != nullptr)
    {
        pf::Event moved(pf::kClassControl, pf::kControlIndicatorMoved);
        moved.SetParam(pf::kParamDirectObject, pf::kTypeControlRef, mControl);
        pf::GetWindowEventTarget(window)->Send(moved);
    }
    return false;
}

void FxTextureSlider::OnDraw(pf::Canvas* inCanvas)
{
    const pf::Rect bounds = ViewBounds();
    const CxSint16 width = mThumbRect.Width();
    const CxSint16 height = mThumbRect.Height();
    mThumbRect = CxRect(ThumbLeft(), 0, CxSint16(ThumbLeft() + width), height);
    if (mTrack != nullptr)
        DrawUpright(inCanvas, bounds, mTrack.get(),
                    pf::Rect{std::trunc((bounds.w - mTrack->mWidth) * 0.5),
                             std::trunc((bounds.h - mTrack->mHeight) * 0.5), double(mTrack->mWidth),
                             double(mTrack->mHeight)});
    const pf::Image* thumb =
        pf::GetControlHilite(mControl) == kThumbPart && mPressedThumb != nullptr ? mPressedThumb.get() : mThumb.get();
    if (thumb != nullptr)
        DrawUpright(inCanvas, bounds, thumb,
                    pf::Rect{double(mThumbRect.left), std::trunc((bounds.h - thumb->mHeight) * 0.5),
                             double(thumb->mWidth), double(thumb->mHeight)});
}

// ---- Registry ----------------------------------------------------------------------------------------------------

void FxRegisterHudControls()
{
    FxRegisterControlClass(FourCC("FXCC"), Make<FxCaptionControl>);
    FxRegisterControlClass(FourCC("FXIB"), Make<FxIconButton>);
    FxRegisterControlClass(FourCC("FXBT"), Make<FxTextureButton>);
    FxRegisterControlClass(FourCC("FXBB"), Make<FxBarButton>);
    FxRegisterControlClass(FourCC("FXHB"), Make<FxHudButton>);
    FxRegisterControlClass(FourCC("FXTS"), Make<FxTextureSlider>);
}

FxCaptionControl* AsFxCaptionControl(FxControl* inControl)
{
    return dynamic_cast<FxCaptionControl*>(inControl);
}

FxIconButton* AsFxIconButton(FxControl* inControl)
{
    return dynamic_cast<FxIconButton*>(inControl);
}

FxTextureButton* AsFxTextureButton(FxControl* inControl)
{
    return dynamic_cast<FxTextureButton*>(inControl);
}

FxTextureSlider* AsFxTextureSlider(FxControl* inControl)
{
    return dynamic_cast<FxTextureSlider*>(inControl);
}
