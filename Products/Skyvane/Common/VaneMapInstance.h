// The instance that shows one map document: the map seen through a perspective camera, its legend column with the
// animation buttons, the product inspector panel growing out of a legend row, the selected product's popup, a
// tracking cursor, an optional caption band and a start-up dissolve. Every instance is listed in gInstances from
// construction to destruction. Main thread only.
#pragma once

#include "CxCoordinates.h"
#include "CxData.h"
#include "CxMessenger.h"
#include "CxString.h"
#include "CxTimer.h"
#include "CxTypes.h"
#include "FxPlugin.h"
#include "GxColor.h"
#include "GxCoordinates.h"

#include <cstdint>
#include <memory>
#include <vector>

class CxFile;
class FxCommand;
class FxKeyEvent;
class FxMouseEvent;
class FxPrintSettings;
class GxContext;
class GxFont;
class GxRect;
class GxString;
class VanePluginInstance;
class XmlBuilder;
class VaneProductInspector;
class WxMap;
class WxParser;
class WxPopup;
class WxProduct;
class XmlElement;

using VaneTool = CxSint32;

class VaneMapInstance : public FxPluginInstance, public CxReceiver
{
public:
    // The legend column's geometry.
    static constexpr CxSint16 kLegendWidth = 175;
    static constexpr CxSint16 kLegendHeader = 60;
    static constexpr CxSint16 kLegendRow = 40;
    static constexpr CxSint16 kButtonBand = 16;

    VaneMapInstance(VanePluginInstance* inPlaceholder, WxParser& inParser);
    ~VaneMapInstance() override;

    // The placeholder's map maker.
    static FxPluginInstance* Make(FxPluginInstance* inPlaceholder, WxParser& ioParser);

    void OnSetWindow() override;
    void OnSetContext() override;
    void OnAcceptStream(FxPluginStream*) override {}
    void OnDraw() override;
    void OnReceiveMessage(CxMessenger* inSender, CxSint32 inCode, void* inData) override;

    void SetupMap(WxParser& ioParser);
    void AcceptCaptionSettings(XmlElement* inXml);
    void ExternalizeCaption(XmlBuilder& ioBuilder) const;
    void DrawCaption(GxContext& ioContext);
    GxFont* CaptionFont() const { return mCaptionCut != nullptr ? mCaptionCut.get() : mCaptionFont; }
    void DrawAnimationButtons(GxContext& ioContext, const GxRect& inLegend);
    void DrawSingleAnimationButton(GxContext& ioContext, double inX, long inIndex, unsigned int inTexture);
    void ToggleLegendAlign();
    void OnResize();
    void SelectionChanged();

    WxMap* GetMap() const { return mMap; }
    // The plug-in's bounds in page coordinates.
    CxRect GetBounds() const { return GetPluginBounds(); }
    CxString Id() const { return GetArgument(CxString("id")); }

    void SetInspectorBounds(const CxRect& inBounds);
    CxRect GetInspectorBounds() const { return mFloatingInspectorBounds; }
    VaneProductInspector* CreateInspector(const CxRect& inBounds);
    bool DeleteInspector(VaneProductInspector* inInspector);
    void Export(const CxString& inMime, CxFile& ioFile);

    // The camera.
    void LookAtMap();
    // An angle that is not finite keeps the current one; while the plug-in has no area the projection and the
    // map's scale wait for the next draw.
    void SetPerspective(double inDegrees);
    void AdjustZoom(const XmlElement* inRoot);

    // ---- view, input, commands and linked maps (VaneMapInstanceInput.cpp, VaneMapInstanceCommands.cpp)
    void ZoomIn(bool inCoarse);
    void ZoomOut(bool inCoarse);
    // A point whose position lies outside the projection's domain makes the focus point NaN.
    void SetFocusPoint(const GxPoint& inPoint);
    // The map-plane point (projected kilometres) under a plug-in point, y down.
    GxPoint ScreenToWorld(const GxPoint& inPoint) const;
    void ScrollBy(const CxPoint& inDelta);
    void CenterOn(const CxPoint& inPoint);
    void CenterOn(const GxPosition& inPosition);
    void ZoomToFitBounds(const GxRect& inBounds);
    void ZoomToFit(const GxPosition& inA, const GxPosition& inB);
    void MessageZoom();
    void SetTool(VaneTool inTool);
    void ToolScroll(const FxMouseEvent& inEvent);
    void ToolDistance(const FxMouseEvent&) {}

    void OnMouseDown(const FxMouseEvent& inEvent) override;
    void OnMouseUp(const FxMouseEvent& inEvent) override;
    void OnMouseDragged(const FxMouseEvent& inEvent) override;
    void OnMouseMoved(const FxMouseEvent& inEvent) override;
    void OnMouseWheel(const FxMouseEvent& inEvent) override;
    void OnMouseScroll(const FxMouseEvent& inEvent) override;
    void OnKeyDown(FxKeyEvent& ioEvent) override;
    void OnKeyRepeat(FxKeyEvent& ioEvent) override;
    void OnCommand(FxCommand& ioCommand) override;

    void CommandToggleProduct(FxCommand& ioCommand);
    void CommandToggleLegend(FxCommand& ioCommand);
    void CommandAbout(FxCommand& ioCommand);
    void CommandShowDataManager(FxCommand& ioCommand);
    void CommandProjectToFit(FxCommand& ioCommand);
    void CommandPrint(FxCommand& ioCommand);
    void CommandZoomToFitMap(FxCommand& ioCommand);
    void CommandZoomToFitProduct(FxCommand& ioCommand);
    void CommandShowLog(FxCommand& ioCommand);
    void CommandViewSource(FxCommand& ioCommand);
    void CommandOpenInSkyvane(FxCommand& ioCommand);
    void CommandHelp(FxCommand& ioCommand);

    void SyncToBuddy();
    void SyncFromBuddy(double inViewDepth, double inPerspective, const GxPoint& inFocus,
                       const GxPosition& inTrackingPosition, const CxPoint& inTrackPoint);

protected:
    void ClickMap(const FxMouseEvent& inEvent);
    void ClickLegend(const FxMouseEvent& inEvent);
    void ClickProductList(const FxMouseEvent& inEvent);
    void ClickAnimationButtons(const FxMouseEvent& inEvent);
    void HoverAnimationButtons(const FxMouseEvent& inEvent);
    void ToolZoomIn(const FxMouseEvent& inEvent);
    void ToolZoomOut(const FxMouseEvent& inEvent);
    void KeyRightArrow(FxKeyEvent& ioEvent);
    void KeyLeftArrow(FxKeyEvent& ioEvent);
    void KeyDownArrow(FxKeyEvent& ioEvent);
    void KeyUpArrow(FxKeyEvent& ioEvent);
    void AdvanceSelection(int inSteps);
    void ScrollLegendDown(double inAmount);
    void ScrollLegendUp(double inAmount);
    // The view shows the map-plane point under inPoint under it again after the zoom.
    void ZoomAbout(const CxPoint& inPoint, bool inOut, bool inCoarse);
    void ScrollByExact(double inDx, double inDy);
    // The angle that fits a map-plane extent into the view beside a visible legend.
    double FitAngle(double inWidth, double inHeight) const;
    void ScrollAsideOfLegend();
    void FitMapView(const XmlElement& inMapView);
    void ArrowKey(FxKeyEvent& ioEvent, int inSelectionStep, bool inForward, int inScrollX, int inScrollY,
                  bool inZoomIn);
    void ScrollWheel(const FxMouseEvent& inEvent, double inDy, double inDx);
    void ProductMenu(const FxMouseEvent& inEvent, WxProduct* inProduct);
    void CloseProductInspector(bool inSlow);
    // A confirmed print is completed after a drawing, a pending one cancelled at destruction.
    void FinishPendingPrint(bool inPrint);

    // The last accepted mouse move of any map instance, in run-loop nanoseconds; none before the first.
    static std::int64_t sMouseLastMoved;
    static bool sMouseMoved;

protected:
    // The plug-in's rectangle moved to the origin: the frame of every overlay, mouse point and containment test.
    CxRect LocalBounds() const;
    // 16 when the map has a time range (the animation buttons' band), else 0.
    CxSint16 ButtonBand() const;
    // The buttons' band at the column's foot; empty while they are not drawn, so it takes no click and no hover.
    CxRect AnimationButtonsRect() const;
    // The panel where it is drawn: its rows from the grow and shrink, its sides the column's as it stands now
    // (a resize or a slide moves the column, not the panel's own rectangle).
    CxRect DrawnInspectorRect() const;
    bool LegendShown() const;
    void MessageLegendSlide();
    void MessageFade();
    void MessageGrowInspector();
    void MessageShrinkInspector();
    void DeleteProductInspector();
    void DrawInspectors(GxContext& ioContext);
    void DrawTrackCursor(GxContext& ioContext);
    void DrawFade(GxContext& ioContext);
    // A fill of the view's colour: the embed's "color", "#CCCCCCFF" when empty.
    GxColor PageColor() const;

    CxData mData;
    CxString mUrl;
    CxString mMime;
    WxMap* mMap = nullptr;
    VaneProductInspector* mProductInspector = nullptr;
    VaneProductInspector* mFloatingInspector = nullptr;
    WxProduct* mSelectedProduct = nullptr;
    double mViewDepth = 0.0;
    double mPerspective = 160.0;
    GxPoint mFocusPoint;
    CxMessageTimer mZoomTimer;
    CxMessageTimer mFadeTimer;
    CxMessageTimer mLegendTimer;
    CxMessageTimer mInspectorTimer;
    CxRect mLegendRect;
    CxRect mInspectorRect;
    CxRect mFloatingInspectorBounds;
    CxRect mProductRowRect;
    CxPoint mZoomPoint;
    CxUint32 mZoomModifiers = 0;
    bool mLegendVisible = true;
    bool mLegendFocus = false;
    float mFadeAlpha = 1.0f;
    bool mDraggingMap = false;
    bool mDraggingLegend = false;
    CxUint32 mLastTick;
    CxSint32 mButtonState = 0;
    VaneTool mTool = 1;
    VaneTool mCurrentTool = 1;
    CxSint32 mHoverButton = -1;
    CxSint32 mInspectorSpeed = 30;
    CxSint32 mLegendRight = 0;
    bool mShowTrackCursor = false;
    CxPoint mTrackPoint;
    bool mShowCaption = false;
    CxString mCaptionText;
    GxString* mCaptionString = nullptr;
    GxColor mCaptionColor{0.0, 0.0, 0.0, 1.0};
    GxColor mCaptionBackground{0.0, 0.0, 0.0, 1.0};
    GxFont* mCaptionFont = nullptr;
    // The caption font cut to the view's height, when it was larger; both texts are drawn in it.
    std::unique_ptr<GxFont> mCaptionCut;
    CxString mCaptionAlign;
    CxString mCaptionFormat;
    CxString mCaptionDateText;
    GxString* mDateString = nullptr;
    WxPopup* mPopup = nullptr;
    FxPrintSettings* mPendingPrint = nullptr;
    // Both caption textures are remade at the next draw.
    bool mCaptionInvalid = false;
    // The camera waits for a context and an area.
    bool mProjectionPending = true;
};

// Every map instance, in order of construction; not owned.
class VaneMapInstanceList
{
public:
    VaneMapInstanceList() = default;

    void AddInstance(VaneMapInstance* inInstance);
    // The first entry equal to it; nothing when absent.
    void RemoveInstance(VaneMapInstance* inInstance);
    // The first instance whose "id" is inId, or null.
    VaneMapInstance* FindInstance(const CxString& inId) const;
    std::size_t Count() const { return mInstances.size(); }

private:
    std::vector<VaneMapInstance*> mInstances;
};

extern VaneMapInstanceList gInstances;
