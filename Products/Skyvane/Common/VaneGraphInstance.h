// The instance that shows one graph document: the graph narrowed by its legend column, which slides in and out,
// the series inspector panel growing out of a clicked legend row, a start-up dissolve, mouse tracking, arrow-key
// selection, two context menus and the graph view's commands. Main thread only.
#pragma once

#include "CxCoordinates.h"
#include "CxData.h"
#include "CxMessenger.h"
#include "CxString.h"
#include "CxTimer.h"
#include "CxTypes.h"
#include "FxPlugin.h"

class FxPrintSettings;
class GxColor;
class VanePluginInstance;
class VaneSeriesInspector;
class WxGraph;
class WxParser;
class WxSeries;

class VaneGraphInstance : public FxPluginInstance, public CxReceiver
{
public:
    static constexpr CxSint16 kLegendWidth = 175;
    static constexpr CxSint16 kLegendHeader = 60;
    static constexpr CxSint16 kLegendRow = 40;
    static constexpr CxSint16 kCloseBoxWidth = 20;
    static constexpr CxSint16 kCloseBoxHeight = 23;

    // Seconds on the run loop's clock of the last mouse move any graph instance took; negative before the first.
    static double sMouseLastMoved;

    VaneGraphInstance(VanePluginInstance* inPlaceholder, WxParser& ioParser);
    ~VaneGraphInstance() override;

    // The placeholder's graph maker.
    static FxPluginInstance* Make(FxPluginInstance* inPlaceholder, WxParser& ioParser);

    void OnSetWindow() override;
    void OnSetContext() override;
    void OnAcceptStream(FxPluginStream*) override {}
    void OnMouseDown(const FxMouseEvent& inEvent) override;
    void OnMouseUp(const FxMouseEvent& inEvent) override;
    void OnMouseDragged(const FxMouseEvent& inEvent) override;
    void OnMouseMoved(const FxMouseEvent& inEvent) override;
    void OnMouseWheel(const FxMouseEvent& inEvent) override;
    void OnMouseScroll(const FxMouseEvent& inEvent) override;
    void OnKeyDown(FxKeyEvent& ioEvent) override;
    void OnKeyRepeat(FxKeyEvent& ioEvent) override;
    void OnCommand(FxCommand& ioCommand) override;
    void OnDraw() override;
    void OnGetFocus() override;
    void OnLoseFocus() override;
    void OnReceiveMessage(CxMessenger* inSender, CxSint32 inCode, void* inData) override;

    void SetupGraph(WxParser& ioParser);
    void OnResize();

    void ClickGraph(const FxMouseEvent& inEvent);
    void ClickLegend(const FxMouseEvent& inEvent);
    void ClickProductList(const FxMouseEvent& inEvent);
    void ScrollLegendUp(CxSint32 inAmount);
    void ScrollLegendDown(CxSint32 inAmount);
    void AdvanceSelection(CxSint32 inStep);

    void CommandPrint(FxCommand& ioCommand);
    void CommandShowLog(FxCommand& ioCommand);
    void CommandViewSource(FxCommand& ioCommand);
    void CommandOpenInSkyvane(FxCommand& ioCommand);
    void CommandToggleProduct(FxCommand& ioCommand);
    void CommandToggleLegend(FxCommand& ioCommand);
    void CommandAbout(FxCommand& ioCommand);
    void CommandHelp(FxCommand& ioCommand);

    // The stand-alone document 'open' writes: the graph under the stationery instruction.
    CxData MakeDocument() const;

    WxGraph* GetGraph() const { return mGraph; }
    VaneSeriesInspector* GetInspector() const { return mSeriesInspector; }
    WxSeries* AnchorSeries() const { return mAnchorSeries; }
    const CxRect& LegendRect() const { return mLegendRect; }
    const CxRect& InspectorRect() const { return mInspectorRect; }
    const CxRect& SeriesRowRect() const { return mSeriesRowRect; }
    CxSint16 ScrollOffset() const { return mLegendRect.top; }
    bool LegendVisible() const { return mLegendVisible; }
    bool LegendFocus() const { return mLegendFocus; }
    bool LegendSliding() const { return mLegendTimer.IsRepeating(); }
    bool Fading() const { return mFadeTimer.IsRepeating(); }
    float FadeAlpha() const { return mFadeAlpha; }
    bool PrintPending() const { return mPendingPrint != nullptr; }
    CxSint32 InspectorSpeed() const { return mInspectorSpeed; }

private:
    // The plug-in's rectangle moved to the origin.
    CxRect LocalBounds() const;
    bool LegendShown() const { return mLegendVisible || mLegendTimer.IsRepeating(); }
    // The embed's "color", "#CCCCCCFF" when empty.
    GxColor PageColor() const;
    void MessageLegendSlide();
    void MessageGrowInspector();
    void MessageShrinkInspector();
    void MessageFade();
    void DeleteInspector();
    // The panel where it is drawn: its rows from the grow and shrink, its sides the column's as it stands now.
    CxRect DrawnInspectorRect() const;
    void DrawInspector(GxContext& ioContext, double inViewHeight);
    void DrawFade(GxContext& ioContext);

    CxData mData;
    CxString mUrl;
    CxString mMime;
    WxGraph* mGraph = nullptr;
    VaneSeriesInspector* mSeriesInspector = nullptr;
    WxSeries* mAnchorSeries = nullptr;
    CxMessageTimer mLegendTimer;
    CxMessageTimer mInspectorTimer;
    CxMessageTimer mFadeTimer;
    CxSint32 mInspectorSpeed = 30;
    CxRect mLegendRect;
    CxRect mInspectorRect;
    CxRect mSeriesRowRect;
    bool mLegendVisible = true;
    bool mLegendFocus = false;
    bool mDraggingLegend = false;
    // The legend drag scrolled: its mouse-up is no click.
    bool mLegendDragMoved = false;
    float mFadeAlpha = 1.0f;
    CxUint32 mLastTick;
    CxSint32 mLegendRight = 0;
    FxPrintSettings* mPendingPrint = nullptr;
};
