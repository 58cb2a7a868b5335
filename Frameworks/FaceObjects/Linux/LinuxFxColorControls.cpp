#include "CxDebug.h"
#include "FxBuildControls.h"
#include "FxColorControls.h"
#include "FxGradientPicker.h"
#include "FxPopovers.h"
#include "FxView.h"
#include "FxWindow.h"
#include "GxColorGradient.h"
#include "PfCairoCanvas.h"
#include "PfColorPanel.h"
#include "PfTheme.h"

#include <cmath>
#include <cstring>

using pf::FourCC;

const std::string kFxPasteboardPrefix = "org.skyvane.fx.";

namespace
{

constexpr pf::FourCharCode kFxEventClass = FourCC("FACE");
constexpr std::uint32_t kFxColorChanged = 3;
constexpr std::uint32_t kFxGradientChanged = 4;
constexpr pf::FourCharCode kTypeDouble = FourCC("doub");
constexpr CxSint16 kWellPart = pf::kControlButtonPart;
constexpr std::uint64_t kViewAreaId = 666;
constexpr pf::Color kGrey{0.5, 0.5, 0.5, 1};
constexpr pf::Color kBlack{0, 0, 0, 1};
constexpr pf::Color kWhite{1, 1, 1, 1};

FxColorControl* sColorTarget = nullptr;
FxColorControl* sGradientTarget = nullptr;

pf::Color ToPf(const GxColor& inColor)
{
    return pf::Color{inColor.mRed, inColor.mGreen, inColor.mBlue, inColor.mAlpha};
}

pf::Canvas* CanvasOf(const pf::Event& inEvent)
{
    pf::Canvas* canvas = nullptr;
    inEvent.GetParam(pf::kParamCGContext, pf::kTypeCGContext, canvas);
    return canvas;
}

void StrokeLine(pf::Canvas& ioCanvas, pf::Point inFrom, pf::Point inTo)
{
    ioCanvas.BeginPath();
    ioCanvas.MoveTo(inFrom);
    ioCanvas.LineTo(inTo);
    ioCanvas.StrokePath();
}

void StrokeDiagonals(pf::Canvas& ioCanvas, const pf::Rect& inRect)
{
    ioCanvas.SetStrokeColor(kGrey);
    StrokeLine(ioCanvas, {inRect.x, inRect.y}, {inRect.Right(), inRect.Bottom()});
    StrokeLine(ioCanvas, {inRect.x, inRect.Bottom()}, {inRect.Right(), inRect.y});
}

void FillTriangle(pf::Canvas& ioCanvas, pf::Point inA, pf::Point inB, pf::Point inC)
{
    ioCanvas.BeginPath();
    ioCanvas.MoveTo(inA);
    ioCanvas.LineTo(inB);
    ioCanvas.LineTo(inC);
    ioCanvas.ClosePath();
    ioCanvas.FillPath();
}

pf::Rect Inset(const pf::Rect& inRect, double inBy)
{
    return pf::Rect{inRect.x + inBy, inRect.y + inBy, inRect.w - 2 * inBy, inRect.h - 2 * inBy};
}

void SetColorParams(pf::Event& event, pf::ViewRef inControl, const GxColor& inColor)
{
    event.SetParam(pf::kParamDirectObject, pf::kTypeControlRef, inControl);
    event.SetParam(FourCC("REDC"), kTypeDouble, inColor.mRed);
    event.SetParam(FourCC("GRNC"), kTypeDouble, inColor.mGreen);
    event.SetParam(FourCC("BLUC"), kTypeDouble, inColor.mBlue);
    event.SetParam(FourCC("ALFC"), kTypeDouble, inColor.mAlpha);
}

} // namespace

std::string FxColorPasteboardFlavor()
{
    return kFxPasteboardPrefix + "color";
}

// ---- FxColorControl ---------------------------------------------------------------------------------------------

FxColorControl::FxColorControl(pf::ViewRef inControl) : FxControl(inControl)
{
    using namespace pf;
    Install({{kClassControl, kControlDraw},
             {kClassControl, kControlHitTest},
             {kClassControl, kControlHit},
             {kClassControl, kControlTrack},
             {kClassControl, kControlHiliteChanged},
             {kClassControl, kControlActivate},
             {kClassControl, kControlDeactivate},
             {kClassControl, kControlValueFieldChanged},
             {kClassControl, kControlEnabledStateChanged},
             {kClassControl, kControlSetFocusPart},
             {kClassControl, kControlGetFocusPart},
             {kClassControl, kControlDragEnter},
             {kClassControl, kControlDragWithin},
             {kClassControl, kControlDragLeave},
             {kClassControl, kControlDragReceive},
             {kClassControl, kControlBoundsChanged},
             {kClassControl, kControlTrackingAreaEntered},
             {kClassControl, kControlTrackingAreaExited},
             {kClassMouse, kMouseMoved},
             {kClassTextInput, kTextInputUnicodeForKeyEvent},
             {kFxEventClass, kFxColorChanged},
             {kFxEventClass, kFxGradientChanged}});
    if (mControl != nullptr)
        SetControlDragTrackingEnabled(mControl, true);
}

FxColorControl::~FxColorControl()
{
    if (sColorTarget == this)
        ClearColorTarget();
    if (sGradientTarget == this)
        ClearGradientTarget();
    RemoveHandler();
}

pf::OSStatus FxColorControl::Event(pf::HandlerCallRef inCall, pf::Event& ioEvent)
{
    switch (ioEvent.Class())
    {
    case kFxEventClass:
        if (ioEvent.Kind() == kFxColorChanged)
        {
            GxColor color;
            ioEvent.GetParam(FourCC("REDC"), kTypeDouble, color.mRed);
            ioEvent.GetParam(FourCC("GRNC"), kTypeDouble, color.mGreen);
            ioEvent.GetParam(FourCC("BLUC"), kTypeDouble, color.mBlue);
            ioEvent.GetParam(FourCC("ALFC"), kTypeDouble, color.mAlpha);
            OnColorChanged(color);
        }
        else if (ioEvent.Kind() == kFxGradientChanged)
        {
            const GxColorGradient* gradient = nullptr;
            ioEvent.GetParam(FourCC("GRAD"), FourCC("GRAD"), gradient);
            if (gradient != nullptr)
                OnGradientChanged(*gradient);
        }
        // The enclosing view or window hears it too.
        return pf::kEventNotHandled;
    case pf::kClassControl:
        return EventControl(inCall, ioEvent);
    case pf::kClassMouse:
        return pf::kEventNotHandled;
    case pf::kClassTextInput:
    {
        char16_t unit = 0;
        std::size_t size = 0;
        const bool found = ioEvent.GetParam(pf::kParamTextInputSendText, pf::kTypeUnicodeText, &unit, sizeof(unit),
                                            &size) == pf::kNoErr &&
                           size >= sizeof(unit);
        return found && OnTextInput(unit) ? pf::kNoErr : pf::kEventNotHandled;
    }
    default:
        return FxEventHandler::Event(inCall, ioEvent);
    }
}

pf::OSStatus FxColorControl::EventControl(pf::HandlerCallRef, pf::Event& ioEvent)
{
    using namespace pf;
    CxSint16 part = 0;
    Point where;
    switch (ioEvent.Kind())
    {
    case kControlHit:
        OnHit(ioEvent);
        return kEventNotHandled;
    case kControlHitTest:
        ioEvent.GetParam(kParamMouseLocation, kTypeHIPoint, where);
        part = OnHitTest(where);
        ioEvent.SetParam(kParamControlPart, kTypeControlPartCode, part);
        return kNoErr;
    case kControlDraw:
        if (Canvas* canvas = CanvasOf(ioEvent); canvas != nullptr && mControl != nullptr)
        {
            canvas->Save();
            OnDraw(*canvas);
            canvas->Restore();
        }
        return kNoErr;
    case kControlSetFocusPart:
        ioEvent.GetParam(kParamControlPart, kTypeControlPartCode, part);
        if (!OnSetFocusPart(part))
            return kParamErr;
        ioEvent.SetParam(kParamControlPart, kTypeControlPartCode, part);
        return kNoErr;
    case kControlGetFocusPart:
        part = OnGetFocusPart();
        ioEvent.SetParam(kParamControlPart, kTypeControlPartCode, part);
        return kNoErr;
    case kControlActivate:
    case kControlDeactivate:
    case kControlHiliteChanged:
    case kControlEnabledStateChanged:
        Redisplay();
        return kNoErr;
    case kControlDragEnter:
    {
        DragRef drag = nullptr;
        ioEvent.GetParam(kParamDragRef, kTypeDragRef, drag);
        std::vector<std::uint8_t> data;
        const PasteboardRef board = drag != nullptr ? GetDragPasteboard(drag) : nullptr;
        // A drag may carry a gradient without its colour: the gradient controls take it.
        const bool accept =
            board != nullptr &&
            (PasteboardCopyItemFlavorData(board, kFxGradientPasteboardItem, FxGradientPasteboardFlavor(), data) ==
                 kNoErr ||
             PasteboardCopyItemFlavorData(board, kFxColorPasteboardItem, FxColorPasteboardFlavor(), data) == kNoErr);
        ioEvent.SetParam(kParamControlWouldAcceptDrop, kTypeBoolean, accept);
        return kNoErr;
    }
    case kControlDragWithin:
    case kControlDragLeave:
        return kNoErr;
    case kControlDragReceive:
        return EventControlDragReceive(ioEvent);
    case kControlTrackingAreaEntered:
    case kControlTrackingAreaExited:
    {
        TrackingAreaRef area = 0;
        ioEvent.GetParam(kParamTrackingArea, kTypeTrackingArea, area);
        ioEvent.GetParam(kParamMouseLocation, kTypeHIPoint, where);
        if (ioEvent.Kind() == kControlTrackingAreaEntered)
            OnTrackingAreaEntered(GetTrackingAreaId(area), where);
        else
            OnTrackingAreaExited(GetTrackingAreaId(area), where);
        return kNoErr;
    }
    case kControlTrack:
        Track(ioEvent);
        return kNoErr;
    case kControlBoundsChanged:
        OnBoundsChanged();
        return kNoErr;
    default:
        return kEventNotHandled;
    }
}

void FxColorControl::Track(pf::Event& ioEvent)
{
    pf::Point start;
    ioEvent.GetParam(pf::kParamMouseLocation, pf::kTypeHIPoint, start);
    CxSint16 part = OnHitTest(start);
    for (;;)
    {
        pf::Point global;
        const pf::MouseTrackingResult result = pf::TrackMouseLocation(&global);
        if (mControl == nullptr || !pf::IsValidView(mControl))
            return;
        if (OnTrack(ioEvent, start, GlobalToView(global), part) || result == pf::MouseTrackingResult::kMouseReleased)
            break;
    }
    ioEvent.SetParam(pf::kParamControlPart, pf::kTypeControlPartCode, part);
}

CxSint16 FxColorControl::OnHitTest(const pf::Point& inPoint)
{
    return mControl != nullptr && pf::GetViewBounds(mControl).Contains(inPoint) ? kWellPart : 0;
}

bool FxColorControl::OnTrack(pf::Event& ioEvent, const pf::Point& inStart, const pf::Point& inCurrent, CxSint16& ioPart)
{
    ioPart = OnHitTest(inCurrent);
    if (std::hypot(inCurrent.x - inStart.x, inCurrent.y - inStart.y) > 5.0)
    {
        OnPerformDrag(ioEvent, inCurrent);
        ioPart = 0;
        return true;
    }
    return false;
}

bool FxColorControl::OnTextInput(char16_t inChar)
{
    if (inChar != u' ' || mControl == nullptr)
        return false;
    pf::SimulateClick(mControl, kWellPart, 0);
    return true;
}

pf::Point FxColorControl::GlobalToView(pf::Point inGlobal) const
{
    if (mControl == nullptr)
        return inGlobal;
    // Content coordinates: the structure's top-left is a title bar above the content's.
    const pf::Rect content = pf::GetWindowBounds(pf::GetViewWindow(mControl), pf::kWindowContentRgn);
    return pf::ConvertPoint(pf::Point{inGlobal.x - content.x, inGlobal.y - content.y}, nullptr, mControl);
}

pf::OSStatus FxColorControl::EventControlDragReceive(pf::Event& ioEvent)
{
    pf::DragRef drag = nullptr;
    ioEvent.GetParam(pf::kParamDragRef, pf::kTypeDragRef, drag);
    if (drag != nullptr)
        OnReceiveDrag(drag, GlobalToView(pf::GetDragMouse(drag)));
    return pf::kNoErr;
}

void FxColorControl::Redisplay()
{
    ++mRedisplays;
}

void FxColorControl::SendColor(const GxColor& inColor)
{
    pf::Event event(kFxEventClass, kFxColorChanged);
    SetColorParams(event, mControl, inColor);
    SendEventToParentOrWindow(event);
}

bool FxColorControl::IsColorTarget() const
{
    return sColorTarget == this;
}

bool FxColorControl::IsGradientTarget() const
{
    return sGradientTarget == this;
}

void FxColorControl::MakeColorTarget()
{
    ClearColorTarget();
    sColorTarget = this;
    FxSetColorPickerTarget(mControl);
    Redisplay();
}

void FxColorControl::ClearColorTarget()
{
    if (sColorTarget != nullptr)
    {
        FxSetColorPickerTarget(nullptr);
        sColorTarget->Redisplay();
    }
    sColorTarget = nullptr;
}

FxColorControl* FxColorControl::ColorTarget()
{
    return sColorTarget;
}

void FxColorControl::MakeGradientTarget()
{
    ClearGradientTarget();
    sGradientTarget = this;
    Redisplay();
}

void FxColorControl::ClearGradientTarget()
{
    if (sGradientTarget != nullptr)
        sGradientTarget->Redisplay();
    sGradientTarget = nullptr;
}

FxColorControl* FxColorControl::GradientTarget()
{
    return sGradientTarget;
}

void FxColorControl::GradientChanged(const GxColorGradient& inGradient)
{
    OnGradientChanged(inGradient);
}

GxColor FxColorControl::ReceiveColor(pf::DragRef inDrag)
{
    GxColor color(0, 0, 0, 1);
    FxGetColorFromPasteboard(inDrag, color);
    return color;
}

GxColor FxColorControl::CalculateShadingValues(const GxColorTable& inTable, double inT)
{
    if (inTable.empty())
        return GxColor(0, 0, 0, 0);
    const double t = std::isnan(inT) || inT < 0 ? 0.0 : inT;
    const std::size_t last = inTable.size() - 1;
    const std::size_t index = t >= double(last) ? last : std::size_t(t);
    return inTable[index];
}

void FxColorControl::DrawGradient(pf::Canvas& ioCanvas, const pf::Rect& inRect, const GxColorTable& inTable)
{
    if (inRect.Empty())
        return;
    ioCanvas.Save();
    ioCanvas.Translate(inRect.x, inRect.y);
    ioCanvas.Scale(inRect.w, inRect.h);
    ioCanvas.SetFillColor(kWhite);
    ioCanvas.FillRect(pf::Rect{0, 0, 1, 1});
    ioCanvas.SetFillColor(kBlack);
    FillTriangle(ioCanvas, {0, 0}, {0, 1}, {1, 0});
    ioCanvas.ClipToRect(pf::Rect{0, 0, 1, 1});
    if (!inTable.empty())
    {
        const double count = double(inTable.size());
        ioCanvas.DrawAxialShading(
            {0, 0.5}, {1, 0.5},
            [&inTable, count](double inT) { return ToPf(CalculateShadingValues(inTable, inT * count)); }, false, false);
    }
    ioCanvas.Restore();
}

// ---- FxColorWell -----------------------------------------------------------------------------------------------

FxColorWell::FxColorWell(pf::ViewRef inControl) : FxColorControl(inControl) {}

void FxColorWell::SetColor(const GxColor& inColor)
{
    mColor = inColor;
    Redisplay();
}

void FxColorWell::OnDraw(pf::Canvas& ioCanvas)
{
    const pf::Rect bounds = pf::GetViewBounds(mControl);
    pf::ThemeButtonState state =
        pf::IsViewEnabled(mControl) ? pf::ThemeButtonState::kActive : pf::ThemeButtonState::kInactive;
    if (pf::GetControlHilite(mControl) == kWellPart || IsColorTarget())
        state = pf::ThemeButtonState::kPressed;
    const pf::Rect content =
        Inset(pf::DrawThemeBevelButton(ioCanvas, bounds, pf::ThemeButtonSize::kSmall, state, mFocus == kWellPart),
              bounds.h > 16 ? 2 : 1);
    if (content.Empty())
        return;
    ioCanvas.SetFillColor(kWhite);
    ioCanvas.FillRect(content);
    ioCanvas.SetFillColor(kBlack);
    FillTriangle(ioCanvas, {content.x, content.y}, {content.x, content.Bottom()}, {content.Right(), content.y});
    ioCanvas.SetFillColor(ToPf(mColor));
    ioCanvas.FillRect(content);
}

void FxColorWell::OnHit(pf::Event&)
{
    if (!IsColorTarget())
    {
        MakeColorTarget();
        FxShowColorPicker(mColor);
    }
    else
    {
        ClearColorTarget();
    }
}

pf::Image FxColorWell::DragImage(const GxColor& inColor)
{
    auto canvas = pf::CairoCanvas::MakeBitmap(12, 12);
    const pf::Rect square{0, 0, 12, 12};
    canvas->SetFillColor(kWhite);
    canvas->FillRect(square);
    canvas->SetFillColor(kBlack);
    FillTriangle(*canvas, {square.Right(), square.Bottom()}, {square.x, square.y}, {square.x, square.Bottom()});
    canvas->SetFillColor(ToPf(inColor));
    canvas->FillRect(square);
    canvas->SetStrokeColor(kBlack);
    canvas->SetLineWidth(1);
    canvas->StrokeRect(Inset(square, 0.5));
    return canvas->Snapshot();
}

void FxColorWell::OnPerformDrag(pf::Event&, const pf::Point&)
{
    pf::DragRef drag = pf::NewDrag();
    FxPutColorOnPasteboard(drag, mColor);
    pf::SetDragImage(drag, DragImage(mColor), pf::Point{-6, -6});
    pf::TrackDrag(drag, pf::GetGlobalMouse());
    pf::DisposeDrag(drag);
}

void FxColorWell::OnReceiveDrag(pf::DragRef inDrag, const pf::Point&)
{
    GxColor color;
    if (FxGetColorFromPasteboard(inDrag, color))
        SetColor(color);
    SendColor(mColor);
}

bool FxColorControl::FocusSinglePart(CxSint16& ioPart, CxSint16 inPart, CxSint16& ioFocus)
{
    CxSint16 focus = 0;
    switch (ioPart)
    {
    case pf::kControlFocusNextPart:
    case pf::kControlFocusPrevPart:
        focus = ioFocus == inPart ? 0 : inPart;
        break;
    case 0:
        focus = 0;
        break;
    default:
        if (ioPart != inPart)
        {
            ioFocus = 0;
            ioPart = 0;
            return false;
        }
        focus = inPart;
        break;
    }
    if (focus != ioFocus)
    {
        ioFocus = focus;
        Redisplay();
    }
    ioPart = ioFocus;
    return true;
}

bool FxColorWell::OnSetFocusPart(CxSint16& ioPart)
{
    return FocusSinglePart(ioPart, kWellPart, mFocus);
}

// ---- FxColorSwatch ---------------------------------------------------------------------------------------------

FxColorSwatch::FxColorSwatch(pf::ViewRef inControl) : FxColorControl(inControl) {}

void FxColorSwatch::SetColor(const GxColor& inColor)
{
    mColor = inColor;
    Redisplay();
}

void FxColorSwatch::SetVisible(bool inVisible)
{
    mVisible = inVisible;
    Redisplay();
}

void FxColorSwatch::OnDraw(pf::Canvas& ioCanvas)
{
    const pf::Rect bounds = pf::GetViewBounds(mControl);
    ioCanvas.SetFillColor(mVisible ? ToPf(mColor) : kBlack);
    ioCanvas.FillRect(bounds);
    if (!mVisible)
    {
        ioCanvas.SetLineWidth(1);
        StrokeDiagonals(ioCanvas, bounds);
    }
}

// ---- FxColorBar ------------------------------------------------------------------------------------------------

FxColorBar::FxColorBar(pf::ViewRef inControl)
    : FxColorControl(inControl), mColors(kGxNidsReflectivityColors16Green), mLabels(256)
{
    static const char* const kPresets[16] = {"ND",     "5 dBZ",  "10 dBZ", "15 dBZ", "20 dBZ", "25 dBZ",
                                             "30 dBZ", "35 dBZ", "40 dBZ", "45 dBZ", "50 dBZ", "55 dBZ",
                                             "60 dBZ", "65 dBZ", "70 dBZ", "75 dBZ"};
    for (std::size_t i = 0; i < 16; ++i)
        mLabels[i] = CxString(kPresets[i]);
    mVisible.fill(true);
    if (mControl == nullptr)
        return;
    mViewArea = pf::NewTrackingArea(mControl, pf::Rect{}, kViewAreaId);
    CalcColorBoxes();
}

FxColorBar::~FxColorBar()
{
    DeleteBubble();
    for (pf::TrackingAreaRef area : mBoxAreas)
        if (area != 0)
            pf::DisposeTrackingArea(area);
    for (pf::TrackingAreaRef area : mRampAreas)
        if (area != 0)
            pf::DisposeTrackingArea(area);
    if (mViewArea != 0)
        pf::DisposeTrackingArea(mViewArea);
}

void FxColorBar::SetColors(const GxColorTable& inColors)
{
    if (inColors == mColors)
        return;
    mColors = inColors;
    Redisplay();
}

void FxColorBar::SetColors(GxColorTableId inId)
{
    mColors = GxColorTable(inId);
    Redisplay();
}

void FxColorBar::SetBackgroundColor(const GxColor& inColor)
{
    if (inColor == mBackground)
        return;
    mBackground = inColor;
    Redisplay();
}

void FxColorBar::SetColorLabel(int inIndex, const CxString& inLabel)
{
    if (inIndex < 0 || inIndex > 255)
    {
        _CxAssert(__FILE__, __LINE__, "(0 <= inIndex) && (inIndex <= 255)");
        return;
    }
    mLabels[std::size_t(inIndex)] = inLabel;
    Redisplay();
}

CxString FxColorBar::ColorLabel(int inIndex) const
{
    return inIndex >= 0 && inIndex <= 255 ? mLabels[std::size_t(inIndex)] : CxString();
}

void FxColorBar::SetColorVisibility(int inIndex, bool inVisible)
{
    if (inIndex < 0 || inIndex > 15)
    {
        _CxAssert(__FILE__, __LINE__, "(0 <= inIndex) && (inIndex <= 15)");
        return;
    }
    mVisible[std::size_t(inIndex)] = inVisible;
}

bool FxColorBar::IsColorVisible(int inIndex) const
{
    if (inIndex < 0 || inIndex > 15)
    {
        _CxAssert(__FILE__, __LINE__, "(0 <= inIndex) && (inIndex <= 15)");
        return false;
    }
    return mVisible[std::size_t(inIndex)];
}

int FxColorBar::RampIndex(double inX) const
{
    const double width = mControl != nullptr ? pf::GetViewBounds(mControl).w : 0.0;
    if (!(width > 0))
        return -1;
    const double x = std::clamp(inX, 0.0, width);
    return int(x / width * 255);
}

void FxColorBar::CalcColorBoxes()
{
    mBoxes.fill(pf::Rect{});
    for (pf::TrackingAreaRef& area : mBoxAreas)
    {
        if (area != 0)
            pf::DisposeTrackingArea(area);
        area = 0;
    }
    if (mControl == nullptr)
        return;
    const pf::Rect bounds = pf::GetViewBounds(mControl);
    // Without width there is nothing to lay out, and an empty area would stand for the whole view.
    if (!(bounds.w >= 1) || !(bounds.h > 0))
        return;
    const long whole = long(bounds.w);
    const long extra = whole % 15;
    const long box = long(bounds.w / 15);
    double x = 0;
    for (long i = 1; i <= 15; ++i)
    {
        const double w = double(i <= extra ? box + 1 : box);
        mBoxes[std::size_t(i)] = pf::Rect{x, 0, w, bounds.h};
        if (w > 0)
            mBoxAreas[std::size_t(i)] = pf::NewTrackingArea(mControl, mBoxes[std::size_t(i)], std::uint64_t(i));
        x += w;
    }
}

void FxColorBar::DrawOneColorBox(pf::Canvas& ioCanvas, const pf::Rect& inBox, const GxColor& inColor, bool inVisible,
                                 bool)
{
    if (inVisible)
    {
        ioCanvas.SetFillColor(ToPf(inColor));
        ioCanvas.FillRect(inBox);
    }
    else
    {
        StrokeDiagonals(ioCanvas, inBox);
    }
}

void FxColorBar::DrawColorBoxes(pf::Canvas& ioCanvas)
{
    for (std::size_t i = 1; i <= 15; ++i)
        DrawOneColorBox(ioCanvas, mBoxes[i], mColors[i], mVisible[i], int(i) == mHighlighted);
    ioCanvas.SetStrokeColor(kBlack);
    for (std::size_t i = 1; i <= 14; ++i)
    {
        const pf::Rect grown = Inset(mBoxes[i], -0.5);
        StrokeLine(ioCanvas, {grown.Right(), grown.y}, {grown.Right(), grown.Bottom()});
    }
}

void FxColorBar::DrawColorGradient(pf::Canvas& ioCanvas)
{
    DrawGradient(ioCanvas, pf::GetViewBounds(mControl), mColors);
}

void FxColorBar::OnDraw(pf::Canvas& ioCanvas)
{
    const pf::Rect bounds = pf::GetViewBounds(mControl);
    ioCanvas.SetFillColor(ToPf(mBackground));
    ioCanvas.FillRect(bounds);
    ioCanvas.SetLineWidth(1);
    if (IsRamp())
        DrawColorGradient(ioCanvas);
    else
        DrawColorBoxes(ioCanvas);
    ioCanvas.SetStrokeColor(kBlack);
    ioCanvas.SetLineWidth(1);
    ioCanvas.StrokeRect(Inset(bounds, 0.5));
}

void FxColorBar::OnHit(pf::Event& ioEvent)
{
    if (IsRamp())
    {
        mLastClicked = -1;
        return;
    }
    // The platform's hits carry no window mouse position: then the mouse where the click ended.
    pf::Point where;
    pf::Point local;
    if (ioEvent.GetParam(pf::kParamWindowMouseLocation, pf::kTypeHIPoint, where) == pf::kNoErr)
        local = pf::ConvertPoint(where, nullptr, mControl);
    else
        local = GlobalToView(pf::GetGlobalMouse());
    for (std::size_t i = 1; i <= 15; ++i)
    {
        if (!mBoxes[i].Contains(local))
            continue;
        mVisible[i] = !mVisible[i];
        mLastClicked = int(i);
        if (mBubble != nullptr)
            if (FxColorSwatch* swatch = AsFxColorSwatch(mBubble->GetControlById(3)))
                swatch->SetVisible(mVisible[i]);
        Redisplay();
        return;
    }
}

void FxColorBar::OnTrackingAreaEntered(std::uint64_t inId, const pf::Point& inPoint)
{
    if (!IsRamp())
    {
        if (inId == kViewAreaId)
        {
            ShowBubble(inPoint);
        }
        else if (inId >= 1 && inId <= 15)
        {
            mHighlighted = int(inId);
            MoveBubble(inPoint);
        }
        return;
    }
    const pf::Rect bounds = pf::GetViewBounds(mControl);
    const double x = inPoint.x;
    // Areas on either side of the mouse, so the next movement enters one of them again.
    const pf::Rect sides[2] = {pf::Rect{bounds.x, bounds.y, x - 1, bounds.h},
                               pf::Rect{x + 1, bounds.y, bounds.w - x, bounds.h}};
    for (std::size_t i = 0; i < 2; ++i)
    {
        if (mRampAreas[i] != 0)
            pf::DisposeTrackingArea(mRampAreas[i]);
        mRampAreas[i] = sides[i].Empty() ? 0 : pf::NewTrackingArea(mControl, sides[i], i + 2);
    }
    mHighlighted = std::max(RampIndex(x), 0);
    Redisplay();
    if (inId == kViewAreaId)
        ShowBubble(inPoint);
    else
        MoveBubble(inPoint);
}

void FxColorBar::OnTrackingAreaExited(std::uint64_t inId, const pf::Point&)
{
    mHighlighted = 0;
    if (inId == kViewAreaId)
        DeleteBubble();
}

void FxColorBar::ShowBubble(pf::Point inPoint)
{
    if (mBubble == nullptr)
        mBubble = std::make_unique<FxHelpWindow>("MacFxHelpWindow", "HelpWindow");
    MoveBubble(inPoint);
    mBubble->Show();
}

void FxColorBar::MoveBubble(pf::Point inPoint)
{
    if (mBubble == nullptr || mControl == nullptr)
        return;
    const pf::Rect owner = pf::GetWindowBounds(pf::GetViewWindow(mControl), pf::kWindowStructureRgn);
    const pf::Point control = pf::ConvertPoint(pf::Point{0, 0}, mControl, nullptr);
    CxRect frame = mBubble->FrameBounds();
    const CxSint16 width = frame.Width();
    const CxSint16 height = frame.Height();
    const bool ramp = IsRamp();
    const std::size_t h = std::size_t(mHighlighted);
    double centre = owner.x + control.x;
    if (ramp)
        centre += inPoint.x;
    else if (h <= 15)
        centre += mBoxes[h].x + mBoxes[h].w / 2;
    frame.top = CxSint16(owner.y + control.y - height + 20);
    frame.left = CxSint16(std::trunc(centre - width / 2));
    frame.SetWidth(width);
    frame.SetHeight(height);
    if (FxStaticText* text = AsFxStaticText(mBubble->GetControlById(1)))
        text->SetText(ColorLabel(mHighlighted));
    if (FxColorSwatch* swatch = AsFxColorSwatch(mBubble->GetControlById(3)))
    {
        // A ramp index past the table's end shows its last colour; an empty table shows none.
        if (!mColors.empty())
            swatch->SetColor(mColors[std::min(h, mColors.size() - 1)]);
        swatch->SetVisible(!mColors.empty() && (ramp || h > 15 || mVisible[h]));
    }
    mBubble->SetFrameBounds(frame, false);
}

void FxColorBar::SetHilitedColor(int inIndex)
{
    if (inIndex < 0 || inIndex > 255)
    {
        _CxAssert(__FILE__, __LINE__, "(0 <= inIndex) && (inIndex <= 255)");
        return;
    }
    if (inIndex == mHighlighted)
        return;
    mHighlighted = inIndex;
    Redisplay();
    if (inIndex == 0)
    {
        DeleteBubble();
        return;
    }
    const double width = pf::GetViewBounds(mControl).w;
    if (IsRamp())
        ShowBubble(pf::Point{inIndex * width / 255, 0});
    else if (inIndex <= 15)
        ShowBubble(pf::Point{mBoxes[std::size_t(inIndex)].x + mBoxes[std::size_t(inIndex)].w / 2, 0});
    else
        ShowBubble(pf::Point{0, 0});
}

void FxColorBar::HideBubble()
{
    mHighlighted = 0;
    DeleteBubble();
}

void FxColorBar::DeleteBubble()
{
    mBubble.reset();
}

FxColorControl* AsFxColorControl(FxControl* inControl)
{
    return dynamic_cast<FxColorControl*>(inControl);
}

FxColorWell* AsFxColorWell(FxControl* inControl)
{
    return dynamic_cast<FxColorWell*>(inControl);
}

FxColorSwatch* AsFxColorSwatch(FxControl* inControl)
{
    return dynamic_cast<FxColorSwatch*>(inControl);
}

FxColorBar* AsFxColorBar(FxControl* inControl)
{
    return dynamic_cast<FxColorBar*>(inControl);
}

// ---- The colour panel bridge ------------------------------------------------------------------------------------

namespace
{
pf::ViewRef gTargetControl = nullptr;
std::unique_ptr<FxCocoaPicker> gPicker;
std::unique_ptr<FxPickerCommander> gPickerCommander;
} // namespace

void FxCocoaPicker::initPicker()
{
    pf::SetColorPanelContinuous(true);
    pf::SetColorPanelAction([this] { changeColor(); });
    pf::SetColorPanelShowsAlpha(true);
    pf::ShowColorPanel();
    pf::SetColorPanelCloseDelegate([this] { windowWillClose(); });
    gPickerCommander = std::make_unique<FxPickerCommander>(pf::GetColorPanelWindow());
}

void FxCocoaPicker::changeColor()
{
    const pf::Color c = pf::GetColorPanelColor();
    pf::ViewRef target = gTargetControl != nullptr && pf::IsValidView(gTargetControl) ? gTargetControl : nullptr;
    pf::Event event(kFxEventClass, kFxColorChanged);
    SetColorParams(event, target, GxColor(c.r, c.g, c.b, c.a));
    pf::EventTarget* to = target != nullptr ? pf::GetViewEventTarget(target) : pf::GetUserFocusEventTarget();
    if (to != nullptr)
        to->Send(event);
}

void FxCocoaPicker::setColor(const GxColor& inColor)
{
    // The panel keeps single precision.
    pf::SetColorPanelColor(
        pf::Color{float(inColor.mRed), float(inColor.mGreen), float(inColor.mBlue), float(inColor.mAlpha)});
}

void FxCocoaPicker::windowWillClose()
{
    if (gTargetControl != nullptr && AsFxColorControl(FxControl::FromRef(gTargetControl)) != nullptr)
        FxColorControl::ClearColorTarget();
    gPickerCommander.reset();
}

FxPickerCommander::FxPickerCommander(pf::WindowRef inWindow)
{
    const pf::EventTypeSpec types[] = {{pf::kClassCommand, pf::kCommandProcess},
                                       {pf::kClassCommand, pf::kCommandUpdateStatus}};
    if (inWindow != nullptr)
        InstallHandler(pf::GetWindowEventTarget(inWindow), types, 2);
}

FxPickerCommander::~FxPickerCommander()
{
    RemoveHandler();
}

void FxPickerCommander::OnCommand(FxCommand& ioCommand)
{
    if (FxDocumentWindow* front = FxDocumentWindow::Frontmost())
        front->Command(ioCommand);
}

void FxPickerCommander::OnCommandStatus(FxCommand& ioCommand)
{
    if (FxDocumentWindow* front = FxDocumentWindow::Frontmost())
        front->CommandStatus(ioCommand);
}

void FxShowColorPicker(const GxColor& inColor)
{
    // The earlier picker and commander go first: a commander left behind would forward every command again.
    gPickerCommander.reset();
    gPicker = std::make_unique<FxCocoaPicker>();
    gPicker->initPicker();
    gPicker->setColor(inColor);
}

void FxSetColorPickerTarget(pf::ViewRef inControl)
{
    gTargetControl = inControl;
}

pf::ViewRef FxColorPickerTarget()
{
    return gTargetControl;
}

void FxPutColorOnPasteboard(pf::DragRef inDrag, const GxColor& inColor)
{
    const pf::PasteboardRef board = pf::GetDragPasteboard(inDrag);
    if (board == nullptr)
        return;
    const double data[4] = {inColor.mRed, inColor.mGreen, inColor.mBlue, inColor.mAlpha};
    pf::PasteboardClear(board);
    pf::PasteboardPutItemFlavor(board, kFxColorPasteboardItem, FxColorPasteboardFlavor(), data, sizeof(data));
}

bool FxGetColorFromPasteboard(pf::DragRef inDrag, GxColor& outColor)
{
    const pf::PasteboardRef board = inDrag != nullptr ? pf::GetDragPasteboard(inDrag) : nullptr;
    std::vector<std::uint8_t> data;
    if (board == nullptr ||
        pf::PasteboardCopyItemFlavorData(board, kFxColorPasteboardItem, FxColorPasteboardFlavor(), data) !=
            pf::kNoErr ||
        data.size() != 4 * sizeof(double))
        return false;
    double c[4];
    std::memcpy(c, data.data(), sizeof(c));
    outColor = GxColor(c[0], c[1], c[2], c[3]);
    return true;
}

void FxRegisterColorControls()
{
    FxRegisterControlClass(FourCC("FXCW"), [](pf::ViewRef inView) -> FxControl* { return new FxColorWell(inView); });
    FxRegisterControlClass(FourCC("FXCS"), [](pf::ViewRef inView) -> FxControl* { return new FxColorSwatch(inView); });
    FxRegisterControlClass(FourCC("FXCB"), [](pf::ViewRef inView) -> FxControl* { return new FxColorBar(inView); });
    FxRegisterControlClass(FourCC("FXPV"), [](pf::ViewRef inView) -> FxControl* { return new FxPopoverView(inView); });
    FxRegisterControlClass(FourCC("FXTT"), [](pf::ViewRef inView) -> FxControl* { return new FxHelpBubble(inView); });
    FxRegisterControlClass(FourCC("FXHV"), [](pf::ViewRef inView) -> FxControl* { return new FxHudView(inView); });
    FxSetColorWellCast(AsFxColorWell);
}
