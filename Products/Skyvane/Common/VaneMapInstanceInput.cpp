// The map instance's camera and input: the map seen from above its centre through a perspective whose angle is the
// zoom, the focus point that moves the view, and the mouse, the wheel and the arrow keys that zoom, scroll, select
// layers, open the product inspector and work the animation buttons.
#include "VaneMapInstance.h"

#include "CxDebug.h"
#include "CxLocalize.h"
#include "CxSystem.h"
#include "DxClients.h"
#include "DxSet.h"
#include "FxCommander.h"
#include "FxKeyEvent.h"
#include "FxMenu.h"
#include "FxMouseEvent.h"
#include "GxContext.h"
#include "GxProjection.h"
#include "PfRunLoop.h"
#include "PfTypes.h"
#include "VaneDataManager.h"
#include "VaneInspectors.h"
#include "WxMap.h"
#include "WxProduct.h"
#include "XmlElement.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

std::int64_t VaneMapInstance::sMouseLastMoved = 0;
bool VaneMapInstance::sMouseMoved = false;

namespace
{

constexpr double kEyeHeight = 100.0;
// The fit's distance, short of the eye's height: fitted views come out a little wider than the extent.
constexpr double kFitDistance = 90.0;
constexpr std::int64_t kMoveInterval = 33000000; // 0.033 s in nanoseconds
constexpr CxSint32 kGrowMessage = 2007;
constexpr CxSint32 kShrinkMessage = 2008;
constexpr CxUint32 kCommandForward = pf::FourCC("FWRD");
constexpr CxUint32 kCommandBackward = pf::FourCC("BKWD");
constexpr CxUint32 kCommandLegend = pf::FourCC("LGND");
constexpr CxUint32 kCommandShow = pf::FourCC("SHOW");
constexpr CxUint32 kCommandDataSet = pf::FourCC("DSET");

constexpr double kPi = 3.14159265358979323846;

bool Has(CxUint32 inModifiers, CxUint32 inBit)
{
    return (inModifiers & inBit) != 0;
}

bool IsNaN(const GxPoint& inPoint)
{
    return std::isnan(inPoint.mX) || std::isnan(inPoint.mY);
}

// Every view change that may leave the projection's domain is undone as a whole.
class VaneViewGuard
{
public:
    VaneViewGuard(VaneMapInstance& ioInstance, GxPoint& ioFocus, double inPerspective)
        : mInstance(ioInstance), mFocus(ioFocus), mSavedFocus(ioFocus), mSavedPerspective(inPerspective)
    {
    }
    // True when it had to restore.
    bool RestoreWhenOutside()
    {
        if (!IsNaN(mFocus))
            return false;
        mInstance.SetFocusPoint(mSavedFocus);
        mInstance.SetPerspective(mSavedPerspective);
        return true;
    }

private:
    VaneMapInstance& mInstance;
    GxPoint& mFocus;
    GxPoint mSavedFocus;
    double mSavedPerspective;
};

} // namespace

// ---- the camera

void VaneMapInstance::LookAtMap()
{
    const GxPoint focus = mMap != nullptr ? mMap->Projection()->Project(mMap->GetMapCenter()) : mFocusPoint;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(focus.mX, focus.mY, kEyeHeight, focus.mX, focus.mY, 0.0, 0.0, 1.0, 0.0);
}

void VaneMapInstance::SetPerspective(double inDegrees)
{
    if (!std::isfinite(inDegrees))
    {
        _CxDebug(__FILE__, __LINE__, "inDegrees", inDegrees);
        inDegrees = mPerspective;
    }
    const double angle = std::clamp(inDegrees, 0.1, 179.5);
    mPerspective = angle;
    mViewDepth = angle / 160.0 * 400.0;
    GxContext* context = GetContext();
    const CxRect bounds = LocalBounds();
    // A hidden embed has no area: its aspect and scale would be NaN or 0, so the camera waits for a size.
    if (context == nullptr || bounds.Width() <= 0 || bounds.Height() <= 0)
    {
        if (mMap != nullptr)
            mMap->SetFieldOfViewY(angle);
        mProjectionPending = true;
        return;
    }
    context->MakeCurrent();
    glViewport(0, 0, bounds.Width(), bounds.Height());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(angle, double(bounds.Width()) / double(bounds.Height()), kEyeHeight, kEyeHeight + 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    mProjectionPending = false;
    if (mMap == nullptr)
        return;
    mMap->SetFieldOfViewY(angle);
    LookAtMap();
    GLdouble model[16];
    GLdouble projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLdouble x0 = 0.0, x1 = 0.0, y = 0.0, z = 0.0;
    gluProject(0.0, 0.0, 1.0, model, projection, viewport, &x0, &y, &z);
    gluProject(1.0, 0.0, 1.0, model, projection, viewport, &x1, &y, &z);
    const double scale = x1 - x0;
    if (std::isfinite(scale) && scale > 0.0)
        mMap->SetScale(scale);
}

void VaneMapInstance::AdjustZoom(const XmlElement* inRoot)
{
    if (mMap == nullptr)
        return;
    const XmlInstruction* view = inRoot != nullptr ? inRoot->FindInstruction(CxString("MapView")) : nullptr;
    if (view == nullptr)
    {
        SetPerspective(mMap->FieldOfViewY());
        return;
    }
    if (XmlElement* element = view->ParseAsElement())
    {
        FitMapView(*element);
        delete element;
    }
}

// ---- the view

void VaneMapInstance::ZoomIn(bool inCoarse)
{
    const double f = inCoarse ? 0.7 : 0.1;
    const double a = mPerspective;
    SetPerspective(a - f * (a > 90.0 ? 180.0 - a : a));
    Invalidate();
}

void VaneMapInstance::ZoomOut(bool inCoarse)
{
    const double f = inCoarse ? 0.7 : 0.1;
    const double a = mPerspective;
    SetPerspective(a + f * (a > 90.0 ? 180.0 - a : a));
    Invalidate();
}

void VaneMapInstance::SetFocusPoint(const GxPoint& inPoint)
{
    if (mMap == nullptr || IsNaN(inPoint))
    {
        mFocusPoint = GxPoint(std::nan(""), std::nan(""));
        return;
    }
    const GxPosition position = mMap->Projection()->Unproject(inPoint);
    if (mMap->Projection()->Contains(position))
    {
        mFocusPoint = inPoint;
        mMap->SetMapCenter(position);
    }
    else
    {
        mFocusPoint = GxPoint(std::nan(""), std::nan(""));
    }
}

// The map lies on the near clipping plane (z = 0, 100 units from the eye), so the point is unprojected there: at
// the far plane the world points come out 1 % too far from the view's centre and the map drifts under the mouse.
GxPoint VaneMapInstance::ScreenToWorld(const GxPoint& inPoint) const
{
    const CxRect bounds = LocalBounds();
    const double width = bounds.Width();
    const double height = bounds.Height();
    if (width <= 0.0 || height <= 0.0)
        return mFocusPoint;
    const GxPoint focus = mMap != nullptr ? mMap->Projection()->Project(mMap->GetMapCenter()) : mFocusPoint;
    const double halfHeight = kEyeHeight * std::tan(mPerspective * kPi / 360.0);
    const double halfWidth = halfHeight * width / height;
    const double x = 2.0 * inPoint.mX / width - 1.0;
    const double y = 2.0 * (height - inPoint.mY) / height - 1.0;
    return GxPoint(focus.mX + x * halfWidth, focus.mY + y * halfHeight);
}

void VaneMapInstance::ScrollBy(const CxPoint& inDelta)
{
    ScrollByExact(inDelta.h, inDelta.v);
}

void VaneMapInstance::ScrollByExact(double inDx, double inDy)
{
    const CxRect bounds = LocalBounds();
    const GxPoint c(bounds.Width() / 2.0, bounds.Height() / 2.0);
    const GxPoint w1 = ScreenToWorld(c);
    const GxPoint w2 = ScreenToWorld(GxPoint(c.mX + inDx, c.mY + inDy));
    SetFocusPoint(GxPoint(mFocusPoint.mX + (w1.mX - w2.mX), mFocusPoint.mY + (w1.mY - w2.mY)));
    Invalidate();
}

void VaneMapInstance::CenterOn(const CxPoint& inPoint)
{
    SetFocusPoint(ScreenToWorld(GxPoint(inPoint.h, inPoint.v)));
}

void VaneMapInstance::CenterOn(const GxPosition& inPosition)
{
    if (mMap == nullptr)
        return;
    mFocusPoint = mMap->Projection()->Project(inPosition);
    if (mMap->Projection()->Contains(inPosition))
        mMap->SetMapCenter(inPosition);
    else
        mFocusPoint = GxPoint(std::nan(""), std::nan(""));
    Invalidate();
}

// About the exact centre: with an odd size the integer centre would leave the point half a pixel off.
void VaneMapInstance::ZoomAbout(const CxPoint& inPoint, bool inOut, bool inCoarse)
{
    const CxRect bounds = LocalBounds();
    const double dx = inPoint.h - bounds.Width() / 2.0;
    const double dy = inPoint.v - bounds.Height() / 2.0;
    CenterOn(inPoint);
    if (inOut)
        ZoomOut(inCoarse);
    else
        ZoomIn(inCoarse);
    LookAtMap();
    ScrollByExact(dx, dy);
    LookAtMap();
}

double VaneMapInstance::FitAngle(double inWidth, double inHeight) const
{
    CxRect view = LocalBounds();
    if (mLegendVisible)
        view.right = CxSint16(view.right - mLegendRect.Width());
    const double viewWidth = std::max<double>(1.0, view.Width());
    const double viewHeight = std::max<double>(1.0, view.Height());
    const double ratio = inWidth / viewWidth;
    const double height = inHeight / viewHeight <= ratio ? viewHeight * ratio : inHeight;
    return 2.0 * std::atan2(height / 2.0, kFitDistance) * 180.0 / kPi;
}

void VaneMapInstance::ScrollAsideOfLegend()
{
    if (!mLegendVisible)
        return;
    const double side = mLegendRight == 1 ? -1.0 : 1.0;
    ScrollByExact(side * mLegendRect.Width() / 2.0, 0.0);
}

void VaneMapInstance::ZoomToFitBounds(const GxRect& inBounds)
{
    if (mMap == nullptr || !(inBounds.Width() > 0.0) || !(inBounds.Height() > 0.0))
        return;
    VaneViewGuard guard(*this, mFocusPoint, mPerspective);
    SetFocusPoint(GxPoint(inBounds.XCenter(), inBounds.YCenter()));
    SetPerspective(FitAngle(inBounds.Width(), inBounds.Height()));
    LookAtMap();
    ScrollAsideOfLegend();
    guard.RestoreWhenOutside();
    Invalidate();
    SyncToBuddy();
}

void VaneMapInstance::ZoomToFit(const GxPosition& inA, const GxPosition& inB)
{
    if (mMap == nullptr)
        return;
    ZoomToFitBounds(GxRect(mMap->Projection()->Project(inA), mMap->Projection()->Project(inB)));
}

void VaneMapInstance::FitMapView(const XmlElement& inMapView)
{
    const CxString text = inMapView.GetAttribute(CxString("bounds"));
    if (text.Length() == 0)
        return;
    const CxRect bounds(text);
    const double scale = mMap->Scale();
    // A document without a usable scale keeps its own angle.
    if (!(scale > 0.0) || !std::isfinite(scale) || bounds.Width() <= 0 || bounds.Height() <= 0)
    {
        _CxDebugOut(__FILE__, __LINE__, "MapView", "no scale or size to fit by");
        SetPerspective(mMap->FieldOfViewY());
        return;
    }
    CxAssert(GetContext());
    SetPerspective(FitAngle(bounds.Width() / scale, bounds.Height() / scale));
    LookAtMap();
    ScrollAsideOfLegend();
}

void VaneMapInstance::MessageZoom()
{
    if (mMap == nullptr)
        return;
    VaneViewGuard guard(*this, mFocusPoint, mPerspective);
    ZoomAbout(mZoomPoint, Has(mZoomModifiers, FxMouseEvent::kOption), Has(mZoomModifiers, FxMouseEvent::kShift));
    guard.RestoreWhenOutside();
    SyncToBuddy();
}

void VaneMapInstance::SetTool(VaneTool inTool)
{
    mTool = inTool;
    mCurrentTool = inTool;
}

void VaneMapInstance::ToolScroll(const FxMouseEvent&)
{
    mDraggingMap = true;
}

// ---- the mouse

namespace
{

// The column's x at the given rows of the plug-in.
CxRect ColumnBand(const CxRect& inLegend, CxSint16 inTop, CxSint16 inBottom)
{
    return CxRect(inLegend.left, inTop, inLegend.right, inBottom);
}

} // namespace

CxRect VaneMapInstance::AnimationButtonsRect() const
{
    const CxSint16 height = mLegendRect.Height();
    const CxSint16 band = mMap != nullptr && LegendShown() ? ButtonBand() : CxSint16(0);
    return ColumnBand(mLegendRect, CxSint16(height - band), height);
}

void VaneMapInstance::OnMouseDown(const FxMouseEvent& inEvent)
{
    if (mMap == nullptr)
        return;
    const CxRect buttons = AnimationButtonsRect();
    const CxRect column = ColumnBand(mLegendRect, 0, mLegendRect.Height());
    if (mLegendVisible && buttons.Contains(inEvent.mWhere))
    {
        ClickAnimationButtons(inEvent);
    }
    else if (mLegendVisible && column.Contains(inEvent.mWhere))
    {
        if (mProductInspector != nullptr)
        {
            CxRect closeBox(0, 0, 20, 23);
            closeBox.Offset(CxSint16(mLegendRect.right - 20), kLegendHeader);
            if (Has(inEvent.mModifiers, FxMouseEvent::kCommand) || closeBox.Contains(inEvent.mWhere))
            {
                CloseProductInspector(Has(inEvent.mModifiers, FxMouseEvent::kShift));
            }
            else
            {
                FxMouseEvent local = inEvent;
                local.mWhere -= DrawnInspectorRect().TopLeft();
                mProductInspector->MouseDown(local);
            }
        }
        if (Has(inEvent.mModifiers, FxMouseEvent::kCommand))
            mDraggingLegend = true;
    }
    else if (mFloatingInspector != nullptr && mFloatingInspectorBounds.Contains(inEvent.mWhere))
    {
        FxMouseEvent local = inEvent;
        local.mWhere -= mFloatingInspectorBounds.TopLeft();
        mFloatingInspector->MouseDown(local);
    }
    else
    {
        ClickMap(inEvent);
    }
}

void VaneMapInstance::CloseProductInspector(bool inSlow)
{
    mLastTick = CxTickCount();
    mInspectorSpeed = inSlow ? 1 : 30;
    mInspectorTimer.SetMessage(kShrinkMessage);
    mInspectorTimer.StartRepeating();
    if (mMap != nullptr)
        mMap->DeselectAll();
}

void VaneMapInstance::ClickMap(const FxMouseEvent& inEvent)
{
    const VaneTool saved = mCurrentTool;
    const bool option = Has(inEvent.mModifiers, FxMouseEvent::kOption);
    if (Has(inEvent.mModifiers, FxMouseEvent::kControl) && !option && inEvent.mButton != 3)
    {
        FxMenu menu(CxString("VaneMain"), CxString("MapPopupMenu"));
        menu.SetCommandText(kCommandLegend, CxLocalize(CxString(LegendShown() ? "hideLegend" : "showLegend")));
        FxCommand command(DisplayPopupMenu(&menu, inEvent.mWhere));
        if (command.Id() != 0)
            OnCommand(command);
        Invalidate();
        mCurrentTool = saved;
        return;
    }
    if (option || inEvent.mButton == 3)
    {
        mCurrentTool = 3;
        mDraggingMap = true;
    }
    else if (Has(inEvent.mModifiers, FxMouseEvent::kCommand) || inEvent.mButton == 2)
    {
        mCurrentTool = 2;
        ToolZoomOut(inEvent);
    }
    else if (mCurrentTool == 1)
        ToolZoomIn(inEvent);
    else if (mCurrentTool == 2)
        ToolZoomOut(inEvent);
    else if (mCurrentTool == 3)
        mDraggingMap = true;
    SyncToBuddy();
    mCurrentTool = saved;
}

void VaneMapInstance::ToolZoomIn(const FxMouseEvent& inEvent)
{
    mZoomPoint = inEvent.mWhere;
    mZoomModifiers = inEvent.mModifiers;
    mZoomTimer.StartRepeating();
}

void VaneMapInstance::ToolZoomOut(const FxMouseEvent& inEvent)
{
    mZoomPoint = inEvent.mWhere;
    mZoomModifiers = inEvent.mModifiers | FxMouseEvent::kOption;
    mZoomTimer.StartRepeating();
}

void VaneMapInstance::OnMouseUp(const FxMouseEvent& inEvent)
{
    HoverAnimationButtons(inEvent);
    const CxRect buttons = AnimationButtonsRect();
    const CxRect column = ColumnBand(mLegendRect, 0, mLegendRect.Height());
    if (mMap != nullptr && mLegendVisible && column.Contains(inEvent.mWhere) && !buttons.Contains(inEvent.mWhere) &&
        mProductInspector == nullptr && !mDraggingLegend)
        ClickLegend(inEvent);
    mZoomTimer.StopRepeating();
    mDraggingMap = false;
    mDraggingLegend = false;
    Invalidate();
    SyncToBuddy();
}

void VaneMapInstance::ClickLegend(const FxMouseEvent& inEvent)
{
    if (!mLegendFocus)
        Invalidate();
    mLegendFocus = true;
    if (inEvent.mWhere.v <= kLegendHeader)
        mMap->DeselectAll();
    else
        ClickProductList(inEvent);
}

void VaneMapInstance::ClickProductList(const FxMouseEvent& inEvent)
{
    CxAssert(mMap != nullptr);
    if (mMap == nullptr)
        return;
    mLegendFocus = true;
    const CxSint32 row = (inEvent.mWhere.v - kLegendHeader + mLegendRect.top) / kLegendRow;
    WxProduct* product = nullptr;
    if (row >= 0 && row < CxSint32(mMap->ProductCount()))
    {
        product = *(mMap->ProductBegin() + row);
        mMap->DeselectAll();
        product->SetSelected(true);
    }
    const CxUint32 modifiers = inEvent.mModifiers;
    const bool option = Has(modifiers, FxMouseEvent::kOption);
    if (option && product != nullptr)
    {
        product->ToggleVisibility();
        mMap->DeselectAll();
        Invalidate();
    }
    else if ((Has(modifiers, FxMouseEvent::kControl) || inEvent.mButton == 2) &&
             !Has(modifiers, FxMouseEvent::kCommand | FxMouseEvent::kShift | FxMouseEvent::kOption) &&
             product != nullptr)
    {
        ProductMenu(inEvent, product);
    }
    else if (inEvent.mButton == 1)
    {
        if (mProductInspector == nullptr && product != nullptr)
        {
            if (GxContext* context = GetContext())
                context->MakeCurrent();
            mProductInspector = new VaneProductInspector(product);
            mProductRowRect = CxRect(0, 0, kLegendWidth, kLegendRow);
            mProductRowRect.Offset(mLegendRect.left, CxSint16(mLegendRect.top + kLegendHeader + kLegendRow * row));
            mInspectorRect = mProductRowRect;
            mInspectorSpeed = Has(modifiers, FxMouseEvent::kShift) ? 1 : 30;
            mLastTick = CxTickCount();
            mInspectorTimer.SetMessage(kGrowMessage);
            mInspectorTimer.StartRepeating();
        }
        else if (mProductInspector != nullptr)
        {
            CloseProductInspector(Has(modifiers, FxMouseEvent::kShift));
        }
        Invalidate();
    }
}

void VaneMapInstance::ProductMenu(const FxMouseEvent& inEvent, WxProduct* inProduct)
{
    FxMenu menu(CxString("VaneMain"), CxString("MapProductPopupMenu"));
    menu.SetCommandText(kCommandShow, CxLocalize(CxString(inProduct->IsVisible() ? "hide" : "show")));
    FxCommand command(DisplayPopupMenu(&menu, inEvent.mWhere));
    if (command.Id() == kCommandDataSet)
    {
        // The layer's own data set; a layer without one opens the dialog as it stands.
        const auto* client = dynamic_cast<const DxClient*>(inProduct);
        VaneDataManager::Display(client != nullptr && client->Set() != nullptr ? client->Set()->Id() : CxString());
    }
    else if (command.Id() != 0)
    {
        OnCommand(command);
    }
}

void VaneMapInstance::OnMouseDragged(const FxMouseEvent& inEvent)
{
    if (mDraggingLegend)
    {
        if (inEvent.mDelta.v > 0)
            ScrollLegendDown(-inEvent.mDelta.v);
        else if (inEvent.mDelta.v < 0)
            ScrollLegendUp(-inEvent.mDelta.v);
    }
    else if (mDraggingMap && mMap != nullptr)
    {
        VaneViewGuard guard(*this, mFocusPoint, mPerspective);
        const CxPoint from = inEvent.mWhere - inEvent.mDelta;
        const GxPoint w1 = ScreenToWorld(GxPoint(from.h, from.v));
        const GxPoint w2 = ScreenToWorld(GxPoint(inEvent.mWhere.h, inEvent.mWhere.v));
        SetFocusPoint(GxPoint(mFocusPoint.mX + (w1.mX - w2.mX), mFocusPoint.mY + (w1.mY - w2.mY)));
        guard.RestoreWhenOutside();
        Refresh();
        SyncToBuddy();
    }
}

// The track point follows every move, so the popup stays while the mouse rests after a quick last move; only the
// re-projection, the redraw and the push to a linked map wait for 0.033 s across all map instances. The time is
// the run loop's, so scripts on its virtual clock do not depend on the machine's speed.
void VaneMapInstance::OnMouseMoved(const FxMouseEvent& inEvent)
{
    mTrackPoint = inEvent.mWhere;
    const std::int64_t now = pf::MainLoop().GetClock().Now().count();
    // A clock that went back (a test's new virtual clock) accepts the move.
    if (sMouseMoved && now >= sMouseLastMoved && now - sMouseLastMoved <= kMoveInterval)
        return;
    sMouseMoved = true;
    sMouseLastMoved = now;
    if (mMap != nullptr && (mProductInspector != nullptr || mFloatingInspector != nullptr))
    {
        if (GxContext* context = GetContext())
            context->MakeCurrent();
        const GxPosition position =
            mMap->Projection()->Unproject(ScreenToWorld(GxPoint(inEvent.mWhere.h, inEvent.mWhere.v)));
        if (mProductInspector != nullptr)
            mProductInspector->SetTrackPosition(position);
        if (mFloatingInspector != nullptr)
            mFloatingInspector->SetTrackPosition(position);
        mMap->SetTrackingPosition(position);
        Invalidate();
        SyncToBuddy();
    }
    HoverAnimationButtons(inEvent);
}

void VaneMapInstance::HoverAnimationButtons(const FxMouseEvent& inEvent)
{
    const CxRect buttons = AnimationButtonsRect();
    CxSint32 button = -1;
    CxSint32 look = 0;
    if (buttons.Contains(inEvent.mWhere))
    {
        button = (inEvent.mWhere.h - mLegendRect.left) / 35;
        look = inEvent.mClickCount == 0 ? 1 : 2;
        if (button == 2 && mMap != nullptr && mMap->IsAnimating())
            button = 5;
    }
    if (button != mHoverButton || look != mButtonState)
    {
        mHoverButton = button;
        mButtonState = look;
        Invalidate();
    }
}

void VaneMapInstance::ClickAnimationButtons(const FxMouseEvent& inEvent)
{
    const auto button = CxUint32((inEvent.mWhere.h - mLegendRect.left) / 35);
    if (mMap != nullptr && button < 5)
    {
        switch (button)
        {
        case 0:
            mMap->FirstFrame();
            break;
        case 1:
            mMap->PreviousFrame();
            break;
        case 2:
            mMap->TogglePlay();
            break;
        case 3:
            mMap->NextFrame();
            break;
        default:
            mMap->LastFrame();
            break;
        }
    }
    HoverAnimationButtons(inEvent);
}

// ---- the wheel

void VaneMapInstance::OnMouseScroll(const FxMouseEvent& inEvent)
{
    ScrollWheel(inEvent, inEvent.mVerticalScroll, inEvent.mHorizontalScroll);
}

void VaneMapInstance::OnMouseWheel(const FxMouseEvent& inEvent)
{
    ScrollWheel(inEvent, inEvent.mWheelDelta, 0.0);
}

void VaneMapInstance::ScrollWheel(const FxMouseEvent& inEvent, double inDy, double inDx)
{
    if (mMap == nullptr)
        return;
    const CxPoint inColumn(inEvent.mWhere.h, CxSint16(inEvent.mWhere.v + mLegendRect.top));
    if (mLegendRect.Contains(inColumn))
    {
        if (inDy > 0)
            ScrollLegendDown(-32);
        else if (inDy < 0)
            ScrollLegendUp(32);
    }
    else if (Has(inEvent.mModifiers, FxMouseEvent::kCommand))
    {
        // Like every view change: kept in the domain and passed on to a linked map.
        VaneViewGuard guard(*this, mFocusPoint, mPerspective);
        ScrollByExact(inDx, inDy);
        guard.RestoreWhenOutside();
        SyncToBuddy();
    }
    else if (inDy != 0)
    {
        VaneViewGuard guard(*this, mFocusPoint, mPerspective);
        ZoomAbout(inEvent.mWhere, inDy < 0, Has(inEvent.mModifiers, FxMouseEvent::kShift));
        guard.RestoreWhenOutside();
        Refresh();
        SyncToBuddy();
    }
}

void VaneMapInstance::ScrollLegendUp(double inAmount)
{
    const CxSint32 content = kLegendHeader + kLegendRow * CxSint32(mMap != nullptr ? mMap->ProductCount() : 0);
    const CxSint32 height = LocalBounds().Height();
    if (content >= height && mLegendRect.top < content - height)
    {
        mLegendRect.Offset(0, CxSint16(std::trunc(inAmount)));
        Refresh();
    }
}

void VaneMapInstance::ScrollLegendDown(double inAmount)
{
    if (mLegendRect.top > 0)
        mLegendRect.Offset(0, CxSint16(std::trunc(inAmount)));
    else
        mLegendRect.Offset(0, CxSint16(-mLegendRect.top));
    if (mLegendRect.top < 0)
        mLegendRect.Offset(0, CxSint16(-mLegendRect.top));
    Refresh();
}

// ---- the keys

void VaneMapInstance::OnKeyDown(FxKeyEvent& ioEvent)
{
    switch (ioEvent.mKeyCode)
    {
    case 123:
        KeyLeftArrow(ioEvent);
        break;
    case 124:
        KeyRightArrow(ioEvent);
        break;
    case 125:
        KeyDownArrow(ioEvent);
        break;
    case 126:
        KeyUpArrow(ioEvent);
        break;
    default:
        break;
    }
}

void VaneMapInstance::OnKeyRepeat(FxKeyEvent& ioEvent)
{
    OnKeyDown(ioEvent);
}

void VaneMapInstance::KeyRightArrow(FxKeyEvent& ioEvent)
{
    ArrowKey(ioEvent, 1, false, -40, 0, true);
}

void VaneMapInstance::KeyLeftArrow(FxKeyEvent& ioEvent)
{
    ArrowKey(ioEvent, -1, true, 40, 0, false);
}

void VaneMapInstance::KeyDownArrow(FxKeyEvent& ioEvent)
{
    ArrowKey(ioEvent, 1, false, 0, -40, false);
}

void VaneMapInstance::KeyUpArrow(FxKeyEvent& ioEvent)
{
    ArrowKey(ioEvent, -1, true, 0, 40, true);
}

void VaneMapInstance::ArrowKey(FxKeyEvent& ioEvent, int inSelectionStep, bool inForward, int inScrollX, int inScrollY,
                               bool inZoomIn)
{
    CxAssert(mMap != nullptr);
    if (mMap == nullptr)
        return;
    const bool command = Has(ioEvent.mModifiers, FxMouseEvent::kCommand);
    if (mLegendFocus)
    {
        if (mMap->SelectionCount() != 1)
            return;
        if (command)
            ObeyCommandNow(inForward ? kCommandForward : kCommandBackward);
        else
            AdvanceSelection(inSelectionStep);
        return;
    }
    VaneViewGuard guard(*this, mFocusPoint, mPerspective);
    if (command)
        ScrollBy(CxPoint(CxSint16(inScrollX), CxSint16(inScrollY)));
    else if (inZoomIn)
        ZoomIn(Has(ioEvent.mModifiers, FxMouseEvent::kShift));
    else
        ZoomOut(Has(ioEvent.mModifiers, FxMouseEvent::kShift));
    guard.RestoreWhenOutside();
    SyncToBuddy();
}

void VaneMapInstance::AdvanceSelection(int inSteps)
{
    if (mMap == nullptr || mMap->SelectionCount() == 0 || mMap->ProductCount() == 0)
        return;
    WxProduct* old = mMap->SelectedProducts().front();
    const auto begin = mMap->ProductBegin();
    const long count = long(mMap->ProductCount());
    const long at = long(std::find(begin, mMap->ProductEnd(), old) - begin);
    const long index = std::clamp(at + inSteps, 0L, count - 1);
    WxProduct* next = *(begin + index);
    old->SetSelected(false);
    next->SetSelected(true);

    CxRect view = LocalBounds();
    view.top = kLegendHeader;
    const CxSint32 y = kLegendRow * CxSint32(index) - mLegendRect.top + kLegendHeader;
    if (y < view.top || y >= view.bottom)
    {
        const CxSint32 change = y > kLegendHeader - 1 ? y - view.bottom + kLegendRow : y - kLegendHeader;
        mLegendRect.Offset(0, CxSint16(change));
    }
    Invalidate();
}
