#include "FxInterfaceFile.h"
#include "FxPopovers.h"
#include "PfCanvas.h"
#include "PfTheme.h"

namespace
{

constexpr double kRoot2 = 1.4142135623730951;

pf::Canvas* CanvasOf(const pf::Event& inEvent)
{
    pf::Canvas* canvas = nullptr;
    inEvent.GetParam(pf::kParamCGContext, pf::kTypeCGContext, canvas);
    return canvas;
}

// Absent properties count as the first choice.
bool PropertyIs(pf::ViewRef inView, pf::FourCharCode inTag, pf::FourCharCode inValue)
{
    pf::FourCharCode value = 0;
    if (pf::GetControlProperty(inView, kFxFaceSignature, inTag, &value, sizeof(value)) != pf::kNoErr)
        return true;
    return value == inValue;
}

// The bubble and the heads-up panel share a rounded rectangle half a pixel inside; the bubble adds a pointer
// at the bottom centre.
void BuildRounded(pf::Canvas& ioCanvas, double inWidth, double inBottom, bool inPointer)
{
    const double w = inWidth;
    const double b = inBottom;
    ioCanvas.BeginPath();
    ioCanvas.MoveTo({0.5, 10});
    ioCanvas.AddArcToPoint({0.5, 0.5}, {10, 0.5}, 10);
    ioCanvas.LineTo({w - 10, 0.5});
    ioCanvas.AddArcToPoint({w - 0.5, 0.5}, {w - 0.5, 10}, 10);
    ioCanvas.LineTo({w - 0.5, b - 10});
    ioCanvas.AddArcToPoint({w - 0.5, b - 0.5}, {w - 10, b - 0.5}, 10);
    if (inPointer)
    {
        ioCanvas.LineTo({w / 2 + 5, b - 0.5});
        ioCanvas.LineTo({w / 2, b + 4.5});
        ioCanvas.LineTo({w / 2 - 5, b - 0.5});
    }
    ioCanvas.LineTo({10, b - 0.5});
    ioCanvas.AddArcToPoint({0.5, b - 0.5}, {0.5, b - 10}, 10);
    ioCanvas.LineTo({0.5, 10});
    ioCanvas.ClosePath();
}

void FillAndStroke(pf::Canvas& ioCanvas, double inWidth, double inBottom, bool inPointer, const pf::Color& inFill,
                   const pf::Color& inStroke)
{
    ioCanvas.SetFillColor(inFill);
    BuildRounded(ioCanvas, inWidth, inBottom, inPointer);
    ioCanvas.FillPath();
    ioCanvas.SetStrokeColor(inStroke);
    ioCanvas.SetLineWidth(1);
    BuildRounded(ioCanvas, inWidth, inBottom, inPointer);
    ioCanvas.StrokePath();
}

// Draw events only; the rest goes the usual way.
template <class T, class F> pf::OSStatus DrawEvent(T* inSelf, pf::HandlerCallRef inCall, pf::Event& ioEvent, F inDraw)
{
    if (ioEvent.Class() != pf::kClassControl)
        return inSelf->FxEventHandler::Event(inCall, ioEvent);
    if (ioEvent.Kind() != pf::kControlDraw)
        return pf::kEventNotHandled;
    if (pf::Canvas* canvas = CanvasOf(ioEvent); canvas != nullptr && inSelf->GetRef() != nullptr)
    {
        const pf::Rect bounds = pf::GetViewBounds(inSelf->GetRef());
        canvas->Save();
        inDraw(*canvas, bounds.w, bounds.h);
        canvas->Restore();
    }
    return pf::kNoErr;
}

} // namespace

void FxPopoverShape::Inset(double inDelta)
{
    const double slant = inDelta * kRoot2;
    mRadius -= inDelta;
    mLeft += inDelta;
    mRight -= inDelta;
    mTop += inDelta;
    mBottom -= inDelta;
    mTopTip += slant;
    mArrowLeft += slant - inDelta;
    mArrowRight -= slant - inDelta;
    mBottomTip -= inDelta;
}

FxPopoverView::FxPopoverView(pf::ViewRef inControl) : FxControl(inControl)
{
    if (mControl == nullptr)
        return;
    mDark = PropertyIs(mControl, pf::FourCC("THME"), pf::FourCC("DARK"));
    mPointsDown = PropertyIs(mControl, pf::FourCC("DIRE"), pf::FourCC("DOWN"));
    Install({{pf::kClassControl, pf::kControlDraw}});
}

pf::OSStatus FxPopoverView::Event(pf::HandlerCallRef inCall, pf::Event& ioEvent)
{
    return DrawEvent(this, inCall, ioEvent, [this](pf::Canvas& ioCanvas, double, double) { Draw(ioCanvas); });
}

void FxPopoverView::SetPointyPoint(CxPoint inPoint)
{
    // Every draw reads the point afresh: nothing else to mark.
    mPointyPoint = inPoint;
}

FxPopoverShape FxPopoverView::Shape(double inWidth, double inHeight) const
{
    FxPopoverShape shape;
    shape.mRadius = 10;
    shape.mLeft = 0;
    shape.mLeftInner = 10;
    shape.mRightInner = inWidth - 10;
    shape.mRight = inWidth;
    shape.mTop = mPointsDown ? 0 : 10;
    shape.mBottom = mPointsDown ? inHeight - 10 : inHeight;
    shape.mTopInner = shape.mTop + shape.mRadius;
    shape.mBottomInner = shape.mBottom - shape.mRadius;
    shape.mTopTip = 0;
    shape.mBottomTip = inHeight;
    shape.mArrowTip = mDark ? double(mPointyPoint.h) : inWidth / 2;
    shape.mArrowLeft = shape.mArrowTip - 10;
    shape.mArrowRight = shape.mArrowTip + 10;
    return shape;
}

void FxPopoverView::BuildPath(pf::Canvas* inCanvas, const FxPopoverShape& inShape)
{
    const FxPopoverShape& s = inShape;
    inCanvas->BeginPath();
    inCanvas->MoveTo({s.mLeft, s.mTopInner});
    inCanvas->AddArcToPoint({s.mLeft, s.mTop}, {s.mLeftInner, s.mTop}, s.mRadius);
    inCanvas->LineTo({s.mArrowLeft, s.mTop});
    inCanvas->LineTo({s.mArrowTip, s.mTopTip});
    inCanvas->LineTo({s.mArrowRight, s.mTop});
    inCanvas->LineTo({s.mRightInner, s.mTop});
    inCanvas->AddArcToPoint({s.mRight, s.mTop}, {s.mRight, s.mTopInner}, s.mRadius);
    inCanvas->LineTo({s.mRight, s.mBottomInner});
    inCanvas->AddArcToPoint({s.mRight, s.mBottom}, {s.mRightInner, s.mBottom}, s.mRadius);
    inCanvas->LineTo({s.mArrowRight, s.mBottom});
    inCanvas->LineTo({s.mArrowTip, s.mBottomTip});
    inCanvas->LineTo({s.mArrowLeft, s.mBottom});
    inCanvas->LineTo({s.mLeftInner, s.mBottom});
    inCanvas->AddArcToPoint({s.mLeft, s.mBottom}, {s.mLeft, s.mBottomInner}, s.mRadius);
    inCanvas->LineTo({s.mLeft, s.mTopInner});
}

void FxPopoverView::Draw(pf::Canvas& ioCanvas)
{
    const pf::Rect bounds = pf::GetViewBounds(mControl);
    FxPopoverShape shape = Shape(bounds.w, bounds.h);
    const auto stroke = [&](const pf::Color& inColor, double inWidth)
    {
        ioCanvas.SetStrokeColor(inColor);
        ioCanvas.SetLineWidth(inWidth);
        BuildPath(&ioCanvas, shape);
        ioCanvas.StrokePath();
    };
    const auto fill = [&](const pf::Color& inColor)
    {
        ioCanvas.SetFillColor(inColor);
        BuildPath(&ioCanvas, shape);
        ioCanvas.FillPath();
    };
    shape.Inset(0.5);
    if (!mDark)
    {
        stroke({0.068, 0.068, 0.068, 0.7}, 1);
        shape.Inset(2.0);
        fill({0.91, 0.91, 0.91, 0.95});
        return;
    }
    stroke({0, 0, 0, 0.479}, 1);
    shape.Inset(1.0);
    stroke({0.892, 0.892, 0.892, 0.224}, 2);
    shape.Inset(2.0);
    stroke({0.068, 0.068, 0.068, 0.902}, 1);
    fill({0.1235, 0.1235, 0.1235, 0.85});
}

FxHelpBubble::FxHelpBubble(pf::ViewRef inControl) : FxControl(inControl)
{
    Install({{pf::kClassControl, pf::kControlDraw}});
}

pf::OSStatus FxHelpBubble::Event(pf::HandlerCallRef inCall, pf::Event& ioEvent)
{
    return DrawEvent(
        this, inCall, ioEvent,
        [](pf::Canvas& ioCanvas, double inWidth, double inHeight) {
            FillAndStroke(ioCanvas, inWidth, inHeight - 10, true, {0.25, 0.25, 0.25, 0.8}, {0.8, 0.8, 0.8, 0.8});
        });
}

FxHudView::FxHudView(pf::ViewRef inControl) : FxControl(inControl)
{
    Install({{pf::kClassControl, pf::kControlDraw}});
}

pf::OSStatus FxHudView::Event(pf::HandlerCallRef inCall, pf::Event& ioEvent)
{
    return DrawEvent(this, inCall, ioEvent,
                     [](pf::Canvas& ioCanvas, double inWidth, double inHeight) {
                         FillAndStroke(ioCanvas, inWidth, inHeight, false, {0.25, 0.25, 0.25, 0.8}, {0, 0, 0, 0.8});
                     });
}

FxPopoverWindow::FxPopoverWindow(const CxString& inNibFile, const CxString& inWindowName, FxWindow* inParent,
                                 const CxPoint& inPoint)
    : FxWindow(inNibFile, inWindowName)
{
    if (GetRef() == nullptr || inParent == nullptr)
        return;
    const CxRect parent = inParent->ContentBounds();
    CxRect frame = FrameBounds();
    const CxSint16 width = frame.Width();
    const CxSint16 height = frame.Height();
    frame.left = CxSint16(parent.left + inPoint.h - width / 2);
    frame.top = CxSint16(parent.top + inPoint.v);
    frame.SetWidth(width);
    frame.SetHeight(height);
    SetFrameBounds(frame, false);
    ConstrainToScreen();
    mPopoverView = AsFxPopoverView(GetControlById(0));
    if (mPopoverView != nullptr)
        mPopoverView->SetPointyPoint(CxPoint(CxSint16(parent.left + inPoint.h - ContentBounds().left), 0));
}

FxPopoverWindow::~FxPopoverWindow() = default;

FxHelpWindow::FxHelpWindow(const CxString& inNibFile, const CxString& inWindowName) : FxWindow(inNibFile, inWindowName)
{
}

FxHelpWindow::~FxHelpWindow() = default;

FxPopoverView* AsFxPopoverView(FxControl* inControl)
{
    return dynamic_cast<FxPopoverView*>(inControl);
}

FxHelpBubble* AsFxHelpBubble(FxControl* inControl)
{
    return dynamic_cast<FxHelpBubble*>(inControl);
}

FxHudView* AsFxHudView(FxControl* inControl)
{
    return dynamic_cast<FxHudView*>(inControl);
}
