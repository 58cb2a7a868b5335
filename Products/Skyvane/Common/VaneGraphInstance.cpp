#include "VaneGraphInstance.h"

#include "CxDebug.h"
#include "CxError.h"
#include "CxFile.h"
#include "CxLocalize.h"
#include "CxStream.h"
#include "CxSystem.h"
#include "DxClients.h"
#include "DxSet.h"
#include "FxCommander.h"
#include "FxKeyEvent.h"
#include "FxMenu.h"
#include "FxMouseEvent.h"
#include "FxPrintSettings.h"
#include "GxColor.h"
#include "GxContext.h"
#include "GxCoordinates.h"
#include "GxGLContext.h"
#include "PfRunLoop.h"
#include "PfTypes.h"
#include "VaneAboutBox.h"
#include "VaneDataManager.h"
#include "VaneInspectors.h"
#include "VanePluginInstance.h"
#include "VaneTransitions.h"
#include "WxGraph.h"
#include "WxParser.h"
#include "WxSeries.h"
#include "WxSeriesClient.h"
#include "XmlBuilder.h"
#include "XmlWriter.h"

#include <GL/gl.h>

#include <algorithm>
#include <string>

double VaneGraphInstance::sMouseLastMoved = -1.0;

namespace
{

enum : CxSint32
{
    kLegendTimerMessage = 2000,
    kGrowInspectorMessage = 2007,
    kShrinkInspectorMessage = 2008,
    kFadeTimerMessage = 2009
};

constexpr CxUint32 kCommandPrint = pf::FourCC("PRNT");
constexpr CxUint32 kCommandShowLog = pf::FourCC("SLOG");
constexpr CxUint32 kCommandViewSource = pf::FourCC("VSRC");
constexpr CxUint32 kCommandOpen = pf::FourCC("open");
constexpr CxUint32 kCommandToggleProduct = pf::FourCC("SHOW");
constexpr CxUint32 kCommandDataManager = pf::FourCC("DMGR");
constexpr CxUint32 kCommandToggleLegend = pf::FourCC("LGND");
constexpr CxUint32 kCommandAbout = pf::FourCC("ABOU");
constexpr CxUint32 kCommandDataSet = pf::FourCC("DSET");

constexpr CxUint32 kKeyLeft = 123;
constexpr CxUint32 kKeyRight = 124;
constexpr CxUint32 kKeyDown = 125;
constexpr CxUint32 kKeyUp = 126;

constexpr double kMoveInterval = 0.033;
const char* const kDocumentVersion = "1.4d1";
const char* const kDocumentInstruction = "version=\"%v\" encoding=\"UTF-8\"";

void SetDrawingState()
{
    glShadeModel(GL_SMOOTH);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
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

CxSint16 Clamp16(double inValue)
{
    return CxSint16(std::clamp(inValue, -32768.0, 32767.0));
}

double MoveClock()
{
    return double(pf::MainLoop().Now().count()) / 1e9;
}

// Reports a failure a command survives.
void ReportFailure(const char* inFile, CxSint32 inLine)
{
    try
    {
        throw;
    }
    catch (const CxError& inError)
    {
        _CxDebug(inFile, inLine, "inError", inError.AsString());
    }
    catch (...)
    {
        _CxDebugOut(inFile, inLine, "Unknown exception.", "Unknown exception.");
    }
}

} // namespace

// ---- construction

FxPluginInstance* VaneGraphInstance::Make(FxPluginInstance* inPlaceholder, WxParser& ioParser)
{
    auto* placeholder = dynamic_cast<VanePluginInstance*>(inPlaceholder);
    CxAssert(placeholder != nullptr);
    if (placeholder == nullptr)
        return nullptr;
    return new VaneGraphInstance(placeholder, ioParser);
}

VaneGraphInstance::VaneGraphInstance(VanePluginInstance* inPlaceholder, WxParser& ioParser)
    : FxPluginInstance(inPlaceholder), mData(inPlaceholder->GetData()), mUrl(inPlaceholder->GetUrl()),
      mMime(inPlaceholder->GetMime()), mLegendTimer(10, kLegendTimerMessage),
      mInspectorTimer(34, kGrowInspectorMessage), mFadeTimer(34, kFadeTimerMessage),
      mLegendRect(0, 0, kLegendWidth, 32), mInspectorRect(0, 0, kLegendWidth, 32), mLastTick(CxTickCount())
{
    mLegendTimer.AttachReceiver(this);
    mInspectorTimer.AttachReceiver(this);
    mFadeTimer.AttachReceiver(this);

    const CxRect bounds = LocalBounds();
    mLegendRect.SetHeight(bounds.Height());
    mInspectorRect.SetHeight(bounds.Height());
    if (GetArgument(CxString("legendAlign")) == CxString("right"))
    {
        mLegendRight = 1;
        mLegendRect.Offset(CxSint16(bounds.Width() - mLegendRect.Width()), 0);
    }
    SetupGraph(ioParser);
    // The placeholder handed over in its draw without showing a frame.
    Invalidate();
}

void VaneGraphInstance::SetupGraph(WxParser& ioParser)
{
    try
    {
        GxContextSaver saver;
        if (GxContext* context = GetContext())
            context->MakeCurrent();
        mFadeAlpha = 1.0f;
        if (GetArgument(CxString("dissolve")) == CxString("true"))
            mFadeTimer.StartRepeating();
        if (!ioParser.HasGraph())
        {
            _CxDebug(__FILE__, __LINE__, "LastErrorMessage", ioParser.LastErrorMessage());
            return;
        }
        mGraph = ioParser.Graph();
        if (mGraph == nullptr)
        {
            _CxDebug(__FILE__, __LINE__, "LastErrorMessage", ioParser.LastErrorMessage());
            return;
        }
        mGraph->AttachReceiver(this);
        mLegendVisible = mGraph->IsLegendVisible();
    }
    catch (const CxError& inError)
    {
        _CxDebug(__FILE__, __LINE__, "inError", inError.AsString());
    }
    catch (...)
    {
        _CxDebugOut(__FILE__, __LINE__, "Unknown error", "Unknown error");
    }
}

VaneGraphInstance::~VaneGraphInstance()
{
    if (GxContext* context = GetContext())
        context->MakeCurrent();
    delete mSeriesInspector;
    mSeriesInspector = nullptr;
    if (mGraph != nullptr)
    {
        mGraph->DetachReceiver(this);
        delete mGraph;
        mGraph = nullptr;
    }
    if (mPendingPrint != nullptr)
    {
        mPendingPrint->PrintDone(false);
        delete mPendingPrint;
        mPendingPrint = nullptr;
    }
}

// ---- window and context

CxRect VaneGraphInstance::LocalBounds() const
{
    CxRect bounds = GetPluginBounds();
    bounds.Normalize();
    return bounds;
}

GxColor VaneGraphInstance::PageColor() const
{
    const CxString text = GetArgument(CxString("color"));
    return text.Length() > 0 ? GxColor(text) : GxColor(CxString("#CCCCCCFF"));
}

void VaneGraphInstance::OnSetWindow()
{
    OnResize();
}

void VaneGraphInstance::OnResize()
{
    const CxRect bounds = LocalBounds();
    if (GxContext* context = GetContext())
    {
        context->MakeCurrent();
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        SetDrawingState();
        glViewport(0, 0, bounds.Width(), bounds.Height());
    }
    mLegendRect.SetHeight(bounds.Height());
    mInspectorRect.SetHeight(CxSint16(mLegendRect.Height() - kLegendHeader));
    if (mLegendRight == 1)
        mLegendRect.Offset(CxSint16(bounds.right - mLegendRect.right), 0);
}

void VaneGraphInstance::OnSetContext()
{
    const GxColor color = PageColor();
    glClearColor(GLclampf(color.mRed), GLclampf(color.mGreen), GLclampf(color.mBlue), 1.0f);
    SetDrawingState();
}

void VaneGraphInstance::OnGetFocus()
{
    mLegendFocus = true;
    Invalidate();
}

void VaneGraphInstance::OnLoseFocus()
{
    mLegendFocus = false;
    Invalidate();
}

// ---- drawing

void VaneGraphInstance::OnDraw()
{
    const CxRect bounds = LocalBounds();
    GxContext* context = GetContext();
    if (context == nullptr)
        return;
    context->MakeCurrent();
    if (mGraph == nullptr)
    {
        glClear(GL_COLOR_BUFFER_BIT);
    }
    else
    {
        context->PushAttribs();
        context->Begin2D();
        CxRect graphRect = bounds;
        if (LegendShown())
        {
            if (mLegendRight == 1)
                graphRect.right = mLegendRect.left;
            else
                graphRect.left = mLegendRect.right;
        }
        mGraph->DrawGraph(*context, graphRect);
        if (LegendShown())
        {
            const double offset = mLegendRect.top;
            mGraph->DrawLegend(*context, GxRect(mLegendRect.left, offset, mLegendRect.right, offset + bounds.Height()),
                               mLegendFocus, false);
        }
        if (mSeriesInspector != nullptr)
            DrawInspector(*context, bounds.Height());
        context->End2D();
        context->PopAttribs();
    }
    if (mFadeTimer.IsRepeating())
        DrawFade(*context);
    context->SwapBuffers();
    if (mPendingPrint != nullptr)
    {
        FxPrintSettings* print = mPendingPrint;
        mPendingPrint = nullptr;
        print->PrintDone(true);
        delete print;
    }
}

CxRect VaneGraphInstance::DrawnInspectorRect() const
{
    CxRect rect = mInspectorRect;
    rect.left = mLegendRect.left;
    rect.right = mLegendRect.right;
    return rect;
}

void VaneGraphInstance::DrawInspector(GxContext& ioContext, double inViewHeight)
{
    const CxRect rect = DrawnInspectorRect();
    ioContext.PushAttribs();
    ioContext.Begin2D();
    glPushMatrix();
    glDisable(GL_TEXTURE_2D);
    const GxColor& background = mGraph->Color();
    glColor4d(background.mRed, background.mGreen, background.mBlue, 1.5 * mSeriesInspector->Alpha());
    glTranslated(0.0, inViewHeight - rect.bottom, 0.0);
    glTranslated(rect.left, 0.0, 0.0);
    FillRect(0.0, 0.0, rect.Width(), rect.Height());
    glTranslated(-double(rect.left), 0.0, 0.0);
    glTranslated(0.375, 0.375, 0.0);
    mSeriesInspector->Draw(ioContext, rect);
    glPopMatrix();
    ioContext.End2D();
    ioContext.PopAttribs();
}

void VaneGraphInstance::DrawFade(GxContext& ioContext)
{
    const CxRect bounds = LocalBounds();
    ioContext.MakeCurrent();
    ioContext.Begin2D();
    ioContext.PushAttribs();
    glDisable(GL_TEXTURE_2D);
    const GxColor page = PageColor();
    glColor4d(page.mRed, page.mGreen, page.mBlue, mFadeAlpha);
    FillRect(0.0, 0.0, bounds.Width(), bounds.Height());
    glPushMatrix();
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glBindTexture(GL_TEXTURE_2D, ioContext.GetTexture(CxString("VaneIcon"), false));
    glColor4d(1.0, 1.0, 1.0, mFadeAlpha);
    glTranslated(bounds.Width() / 2 - 32, bounds.Height() / 2 - 32 + 10, 0.0);
    glBegin(GL_QUADS);
    glTexCoord2d(0, 1);
    glVertex2d(0, 64);
    glTexCoord2d(1, 1);
    glVertex2d(64, 64);
    glTexCoord2d(1, 0);
    glVertex2d(64, 0);
    glTexCoord2d(0, 0);
    glVertex2d(0, 0);
    glEnd();
    glBindTexture(GL_TEXTURE_2D, 0);
    glPopMatrix();
    ioContext.PopAttribs();
    ioContext.End2D();
}

// ---- messages and transitions

void VaneGraphInstance::OnReceiveMessage(CxMessenger*, CxSint32 inCode, void*)
{
    switch (inCode)
    {
    case kWxGraphSeriesChanged:
    case kWxGraphSeriesAdopted:
    case kWxGraphSeriesOrphaned:
    case kWxGraphDataChanged:
    case kWxGraphSettingsChanged:
        Invalidate();
        break;
    case kLegendTimerMessage:
        MessageLegendSlide();
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
}

void VaneGraphInstance::MessageLegendSlide()
{
    const CxSint16 step = VaneTransitionStep(mLastTick, 6.0);
    if (step == 0)
        return;
    if (!VaneSlideLegendColumn(mLegendRect, mLegendVisible, mLegendRight != 0, LocalBounds().Width(), step))
        mLegendTimer.StopRepeating();
    Refresh();
}

void VaneGraphInstance::MessageFade()
{
    mFadeAlpha -= 0.05f;
    Invalidate();
    if (mFadeAlpha <= 0.0f)
        mFadeTimer.StopRepeating();
}

void VaneGraphInstance::MessageGrowInspector()
{
    if (mSeriesInspector == nullptr)
        return;
    const CxSint16 step = VaneTransitionStep(mLastTick, mInspectorSpeed);
    if (step == 0)
        return;
    const double full = mLegendRect.Height() - kLegendHeader;
    if (mInspectorRect.Height() >= full)
    {
        mInspectorTimer.StopRepeating();
        mSeriesInspector->SetAlpha(1.0);
    }
    else
    {
        mInspectorRect.top = std::max<CxSint16>(kLegendHeader, Clamp16(mInspectorRect.top - step));
        mInspectorRect.bottom = std::min<CxSint16>(LocalBounds().Height(), Clamp16(mInspectorRect.bottom + step));
        const double height = mInspectorRect.Height();
        mSeriesInspector->SetAlpha(height > 30.0 ? (height - 30.0) / full : 0.0);
    }
    Invalidate();
}

void VaneGraphInstance::MessageShrinkInspector()
{
    if (mSeriesInspector == nullptr)
        return;
    const CxSint16 step = VaneTransitionStep(mLastTick, mInspectorSpeed);
    if (step == 0)
        return;
    if (mInspectorRect.Height() <= mSeriesRowRect.Height())
    {
        DeleteInspector();
        mInspectorTimer.StopRepeating();
    }
    else
    {
        mInspectorRect.top = std::min<CxSint16>(mSeriesRowRect.top, Clamp16(mInspectorRect.top + step));
        mInspectorRect.bottom = std::max<CxSint16>(mSeriesRowRect.bottom, Clamp16(mInspectorRect.bottom - step));
        mSeriesInspector->SetAlpha(1.0 - (mSeriesRowRect.Height() + 64.0) / (mInspectorRect.Height() + 30.0));
    }
    Invalidate();
}

void VaneGraphInstance::DeleteInspector()
{
    // The panel's text textures belong to this context.
    if (GxContext* context = GetContext())
        context->MakeCurrent();
    delete mSeriesInspector;
    mSeriesInspector = nullptr;
}

// ---- mouse

void VaneGraphInstance::OnMouseDown(const FxMouseEvent& inEvent)
{
    if (mGraph == nullptr)
        return;
    const CxRect column(mLegendRect.left, 0, mLegendRect.right, mLegendRect.Height());
    if (mLegendVisible && column.Contains(inEvent.mWhere))
    {
        const bool command = (inEvent.mModifiers & FxMouseEvent::kCommand) != 0;
        if (mSeriesInspector != nullptr)
        {
            const CxRect closeBox(CxSint16(mLegendRect.right - kCloseBoxWidth), kLegendHeader, mLegendRect.right,
                                  CxSint16(kLegendHeader + kCloseBoxHeight));
            if (!command && !closeBox.Contains(inEvent.mWhere))
            {
                FxMouseEvent moved = inEvent;
                moved.mWhere -= DrawnInspectorRect().TopLeft();
                mSeriesInspector->MouseDown(moved);
            }
            else
            {
                mLastTick = CxTickCount();
                mInspectorSpeed = (inEvent.mModifiers & FxMouseEvent::kShift) != 0 ? 1 : 30;
                mInspectorTimer.SetMessage(kShrinkInspectorMessage);
                mInspectorTimer.StartRepeating();
                mGraph->DeselectAll();
            }
        }
        if (command)
        {
            mDraggingLegend = true;
            mLegendDragMoved = false;
        }
        return;
    }
    ClickGraph(inEvent);
}

void VaneGraphInstance::ClickGraph(const FxMouseEvent& inEvent)
{
    if (inEvent.mButton != 2 && (inEvent.mModifiers & FxMouseEvent::kControl) == 0)
        return;
    FxMenu menu(CxString("VaneMain"), CxString("GraphPopupMenu"));
    menu.SetCommandText(kCommandToggleLegend, CxLocalize(CxString(LegendShown() ? "hideLegend" : "showLegend")));
    FxCommand command(DisplayPopupMenu(&menu, inEvent.mWhere));
    OnCommand(command);
}

void VaneGraphInstance::OnMouseUp(const FxMouseEvent& inEvent)
{
    CxPoint moved = inEvent.mWhere;
    moved.v = CxSint16(moved.v + mLegendRect.top);
    // A command-click that scrolled nothing is still a click: else the command toggle could never be reached.
    if (mGraph != nullptr && mLegendVisible && mLegendRect.Contains(moved) && !mLegendDragMoved &&
        mSeriesInspector == nullptr)
        ClickLegend(inEvent);
    mDraggingLegend = false;
    mLegendDragMoved = false;
    Invalidate();
}

void VaneGraphInstance::ClickLegend(const FxMouseEvent& inEvent)
{
    if (!mLegendFocus)
    {
        mLegendFocus = true;
        Invalidate();
    }
    // The header is the view's top band whatever the scroll: the event's own point, not the scrolled one.
    if (inEvent.mWhere.v > kLegendHeader)
        ClickProductList(inEvent);
    else if (mGraph != nullptr)
        mGraph->DeselectAll();
}

void VaneGraphInstance::ClickProductList(const FxMouseEvent& inEvent)
{
    CxAssertText(mGraph != nullptr, "mGraph != nil");
    if (mGraph == nullptr)
        return;
    const CxUint32 modifiers = inEvent.mModifiers;
    const bool primary = inEvent.mButton == 1;
    const bool secondary = (modifiers & FxMouseEvent::kControl) != 0 || inEvent.mButton == 2;
    const bool command = (modifiers & FxMouseEvent::kCommand) != 0;
    const bool shift = (modifiers & FxMouseEvent::kShift) != 0;
    const bool option = (modifiers & FxMouseEvent::kOption) != 0;
    const bool plain = !command && !shift && !option;
    mLegendFocus = true;

    // The scroll offset counts once, on the event's own point: the row under the mouse.
    const CxSint32 row = (inEvent.mWhere.v - kLegendHeader + mLegendRect.top) / kLegendRow;
    WxSeries* series = nullptr;
    if (row >= 0 && std::size_t(row) < mGraph->SeriesCount())
        series = *(mGraph->SeriesBegin() + row);
    if (dynamic_cast<WxSeriesSplit*>(series) != nullptr)
        series = nullptr;
    if (series == nullptr)
    {
        if (command || shift)
            return;
        mGraph->DeselectAll();
        mAnchorSeries = nullptr;
        return;
    }

    if (!command)
    {
        if (!shift)
        {
            mGraph->DeselectAll();
            series->SetSelected(true);
            Refresh();
        }
    }
    else
        series->ToggleSelected();
    if (option)
        series->ToggleVisibility();

    if (shift && primary)
    {
        WxSeries* anchor = mAnchorSeries != nullptr ? mAnchorSeries : *mGraph->SeriesBegin();
        auto first = std::find(mGraph->SeriesBegin(), mGraph->SeriesEnd(), anchor);
        auto last = mGraph->SeriesBegin() + row;
        if (first == mGraph->SeriesEnd())
            first = mGraph->SeriesBegin();
        if (last < first)
            std::swap(first, last);
        for (auto it = first; it <= last; ++it)
            (*it)->SetSelected(true);
    }
    else if (plain && secondary)
    {
        if (dynamic_cast<WxSeriesClient*>(series) != nullptr)
        {
            FxMenu menu(CxString("VaneMain"), CxString("GraphProductPopupMenu"));
            menu.SetCommandText(kCommandToggleProduct, CxLocalize(CxString(series->IsVisible() ? "hide" : "show")));
            FxCommand chosen(DisplayPopupMenu(&menu, inEvent.mWhere));
            if (chosen.Id() == kCommandDataSet)
            {
                // The series' own data set; one without a set opens the dialog as it stands.
                const auto* client = dynamic_cast<const DxClient*>(series);
                VaneDataManager::Display(client != nullptr && client->Set() != nullptr ? client->Set()->Id()
                                                                                       : CxString());
            }
            else
            {
                OnCommand(chosen);
            }
        }
    }
    else if (plain && primary)
    {
        DeleteInspector();
        mSeriesInspector = new VaneSeriesInspector(series);
        mSeriesRowRect = CxRect(0, 0, kLegendWidth, kLegendRow);
        mSeriesRowRect.Offset(mLegendRect.left, CxSint16(mLegendRect.top + kLegendHeader + kLegendRow * row));
        mInspectorRect = mSeriesRowRect;
        mInspectorSpeed = 30;
        mLastTick = CxTickCount();
        mInspectorTimer.SetMessage(kGrowInspectorMessage);
        mInspectorTimer.StartRepeating();
        Invalidate();
    }
    // The series may have left the graph through a command of its menu.
    const bool stillThere = std::find(mGraph->SeriesBegin(), mGraph->SeriesEnd(), series) != mGraph->SeriesEnd();
    mAnchorSeries = stillThere && series->IsSelected() ? series : nullptr;
}

void VaneGraphInstance::ScrollLegendUp(CxSint32 inAmount)
{
    if (mGraph == nullptr)
        return;
    const CxSint32 height = LocalBounds().Height();
    const CxSint32 list = kLegendRow * CxSint32(mGraph->SeriesCount()) + kLegendHeader;
    if (height <= list && mLegendRect.top < list - height)
    {
        mLegendRect.Offset(0, Clamp16(inAmount));
        Refresh();
    }
}

void VaneGraphInstance::ScrollLegendDown(CxSint32 inAmount)
{
    if (mLegendRect.top < 1)
        mLegendRect.Offset(0, CxSint16(-mLegendRect.top));
    else
        mLegendRect.Offset(0, CxSint16(-std::min<CxSint32>(-inAmount, mLegendRect.top)));
    Refresh();
}

void VaneGraphInstance::OnMouseWheel(const FxMouseEvent& inEvent)
{
    if (GxContext* context = GetContext())
        context->MakeCurrent();
    CxPoint moved = inEvent.mWhere;
    moved.v = CxSint16(moved.v + mLegendRect.top);
    if (!mLegendRect.Contains(moved))
        return;
    if (inEvent.mWheelDelta >= 1)
        ScrollLegendDown(-32);
    else if (inEvent.mWheelDelta < 0)
        ScrollLegendUp(32);
}

void VaneGraphInstance::OnMouseScroll(const FxMouseEvent& inEvent)
{
    if (GxContext* context = GetContext())
        context->MakeCurrent();
    CxPoint moved = inEvent.mWhere;
    moved.v = CxSint16(moved.v + mLegendRect.top);
    if (!mLegendRect.Contains(moved))
        return;
    if (inEvent.mVerticalScroll >= 1)
        ScrollLegendDown(-32);
    else if (inEvent.mVerticalScroll < 0)
        ScrollLegendUp(32);
}

void VaneGraphInstance::OnMouseDragged(const FxMouseEvent& inEvent)
{
    if (!mDraggingLegend)
        return;
    const CxSint32 dy = inEvent.mDelta.v;
    if (dy != 0)
        mLegendDragMoved = true;
    if (dy >= 1)
        ScrollLegendDown(-dy);
    else if (dy < 0)
        ScrollLegendUp(-dy);
}

void VaneGraphInstance::OnMouseMoved(const FxMouseEvent& inEvent)
{
    const double now = MoveClock();
    // The first move, and any after the clock was set back, is taken.
    if (sMouseLastMoved >= 0.0 && now >= sMouseLastMoved && now - sMouseLastMoved <= kMoveInterval)
        return;
    sMouseLastMoved = now;
    if (mSeriesInspector == nullptr)
        return;
    if (GxContext* context = GetContext())
        context->MakeCurrent();
    const GxPoint point(inEvent.mWhere.h, inEvent.mWhere.v);
    mSeriesInspector->SetTrackPoint(point);
    if (mGraph != nullptr)
        mGraph->SetTrackingPoint(point);
    Invalidate();
}

// ---- keys

void VaneGraphInstance::OnKeyDown(FxKeyEvent& ioEvent)
{
    CxSint32 step = 0;
    switch (ioEvent.mKeyCode)
    {
    case kKeyLeft:
    case kKeyUp:
        step = -1;
        break;
    case kKeyRight:
    case kKeyDown:
        step = 1;
        break;
    default:
        return;
    }
    CxAssertText(mGraph != nullptr, "mGraph != nil");
    if (mGraph == nullptr || !mLegendFocus || mGraph->SelectionCount() != 1)
        return;
    AdvanceSelection(step);
    ioEvent.Handled();
    Invalidate();
}

void VaneGraphInstance::OnKeyRepeat(FxKeyEvent& ioEvent)
{
    OnKeyDown(ioEvent);
}

void VaneGraphInstance::AdvanceSelection(CxSint32 inStep)
{
    const WxGraph::SeriesList selected = mGraph->SelectedSeries();
    if (selected.empty() || mGraph->SeriesCount() == 0)
        return;
    const auto found = std::find(mGraph->SeriesBegin(), mGraph->SeriesEnd(), selected.front());
    const CxSint32 index = CxSint32(found - mGraph->SeriesBegin());
    const CxSint32 target = std::clamp<CxSint32>(index + inStep, 0, CxSint32(mGraph->SeriesCount()) - 1);
    selected.front()->SetSelected(false);
    (*(mGraph->SeriesBegin() + target))->SetSelected(true);

    const CxSint32 rowTop = kLegendRow * target - mLegendRect.top + kLegendHeader;
    CxRect below = LocalBounds();
    below.top = kLegendHeader;
    if (below.Contains(CxPoint(0, Clamp16(rowTop))))
        return;
    if (rowTop < kLegendHeader)
        mLegendRect.Offset(0, Clamp16(rowTop - kLegendHeader));
    else
        mLegendRect.Offset(0, Clamp16(rowTop - below.bottom + kLegendRow));
}

// ---- commands

void VaneGraphInstance::OnCommand(FxCommand& ioCommand)
{
    switch (ioCommand.Id())
    {
    case kCommandPrint:
        CommandPrint(ioCommand);
        break;
    case kCommandShowLog:
        CommandShowLog(ioCommand);
        break;
    case kCommandViewSource:
        CommandViewSource(ioCommand);
        break;
    case kCommandOpen:
        CommandOpenInSkyvane(ioCommand);
        break;
    case kCommandToggleProduct:
        CommandToggleProduct(ioCommand);
        break;
    case kCommandToggleLegend:
        CommandToggleLegend(ioCommand);
        break;
    case kCommandAbout:
        CommandAbout(ioCommand);
        break;
    case kCommandDataManager:
        VaneDataManager::Display(CxString());
        ioCommand.Handled();
        break;
    default:
        break;
    }
}

void VaneGraphInstance::CommandPrint(FxCommand& ioCommand)
{
    GxContext* context = GetContext();
    if (context == nullptr)
        return;
    auto* settings = new FxPrintSettings();
    if (settings->PrintDialog(this, *context, nullptr))
    {
        // One print waits at a time: an earlier one still owed ends unprinted.
        if (mPendingPrint != nullptr)
        {
            mPendingPrint->PrintDone(false);
            delete mPendingPrint;
        }
        mPendingPrint = settings;
        Invalidate();
    }
    else
        delete settings;
    ioCommand.Handled();
}

void VaneGraphInstance::CommandShowLog(FxCommand& ioCommand)
{
    try
    {
        CxFolder(kCxLogsFolder).CreateFile(CxString("SkyvanePlugin.log")).Reveal();
    }
    catch (...)
    {
        ReportFailure(__FILE__, __LINE__);
    }
    ioCommand.Handled();
}

void VaneGraphInstance::CommandViewSource(FxCommand& ioCommand)
{
    try
    {
        CxData copy = mData.Copy();
        VaneWriteAndOpen(CxString("temp.txt"), copy);
    }
    catch (...)
    {
        ReportFailure(__FILE__, __LINE__);
    }
    ioCommand.Handled();
}

CxData VaneGraphInstance::MakeDocument() const
{
    XmlBuilder builder;
    std::string version = kDocumentInstruction;
    version.replace(version.find("%v"), 2, kDocumentVersion);
    builder.Instruction(CxString("vanedoc"), CxString(version.c_str()));
    builder.Instruction(CxString("WxIsStationery"), CxString());
    builder.Begin(CxString("vanedoc"));
    if (mGraph != nullptr)
        mGraph->Externalize(builder);
    builder.End(CxString("vanedoc"));
    CxData text(CxUint32(0));
    {
        CxTextStream stream(text);
        XmlTextStreamWriter writer(stream);
        builder.Write(writer);
    }
    return text;
}

void VaneGraphInstance::CommandOpenInSkyvane(FxCommand& ioCommand)
{
    try
    {
        CxData document = MakeDocument();
        VaneWriteAndOpen(CxString("temp.vanedoc"), document);
    }
    catch (...)
    {
        ReportFailure(__FILE__, __LINE__);
    }
    ioCommand.Handled();
}

void VaneGraphInstance::CommandToggleProduct(FxCommand& ioCommand)
{
    if (mGraph != nullptr)
    {
        const WxGraph::SeriesList selected = mGraph->SelectedSeries();
        if (!selected.empty())
        {
            const bool visible = !selected.front()->IsVisible();
            for (WxSeries* series : selected)
                series->SetVisibility(visible);
        }
    }
    ioCommand.Handled();
}

void VaneGraphInstance::CommandToggleLegend(FxCommand& ioCommand)
{
    mLegendVisible = !mLegendVisible;
    if (mGraph != nullptr)
        mGraph->SetLegendVisible(mLegendVisible);
    if (!mLegendTimer.IsRepeating())
    {
        mLastTick = CxTickCount();
        mLegendTimer.StartRepeating();
    }
    ioCommand.Handled();
}

void VaneGraphInstance::CommandAbout(FxCommand& ioCommand)
{
    VaneAboutBox::Display();
    ioCommand.Handled();
}

void VaneGraphInstance::CommandHelp(FxCommand& ioCommand)
{
    CxBeep();
    ioCommand.Handled();
}
