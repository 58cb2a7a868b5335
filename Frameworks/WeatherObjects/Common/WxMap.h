// The model of one map: projection, layers (index 0 on top), the time window and displayed date, the animation
// loop, real-time tracking, archiving and the legend settings. It reads and writes the document's "map" element
// and tells its listeners of each change by message. Main thread only.
#pragma once

#include "CxDate.h"
#include "CxMessenger.h"
#include "CxString.h"
#include "CxTimer.h"
#include "CxTypes.h"
#include "DxUnit.h"
#include "GxColor.h"
#include "GxCoordinates.h"
#include "GxProjection.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

class CxRect;
class GxContext;
class GxFont;
class GxString;
class GxStringTextures;
class WxProduct;
class XmlBuilder;
class XmlElement;

// The map's messages; the payload is null unless noted.
enum : CxSint32
{
    kWxMapChanged = 1000,
    kWxMapProductAdopted = 1001,
    kWxMapProductOrphaned = 1002, // the product
    kWxMapDataChanged = 1003,
    kWxMapSettingsChanged = 1004,
    kWxMapDeleted = 1005,
    kWxMapAnimate = 1006,
    kWxMapTrackRealTime = 1007,
    kWxMapLegendChanged = 1011,
    kWxMapSelectionChanged = 1012 // the product
};

class WxMap : public GxProjector, public CxMessenger, public CxReceiver
{
public:
    using ProductList = std::vector<WxProduct*>;

    // The most frames a stepped loop is given.
    static constexpr std::size_t kMaxFrames = 100000;
    // The period of the animation timer while it dwells on the last frame.
    static constexpr CxUint32 kDwellMs = 2000;

    explicit WxMap(const XmlElement* inXml);
    ~WxMap() override;

    void Internalize(const XmlElement* inXml);
    void Externalize(XmlBuilder& ioBuilder) const;
    void AcceptDateSettings(const XmlElement* inXml);

    // Layers.
    void AdoptProduct(WxProduct* inProduct, WxProduct* inBefore);
    void OrphanProduct(WxProduct* inProduct);
    void MoveProduct(WxProduct* inProduct, WxProduct* inBefore);
    void MoveSelectionForward();
    void MoveSelectionBackward();
    void MoveSelectionToFront();
    void MoveSelectionToBack();
    ProductList::const_iterator ProductBegin() const { return mProducts.begin(); }
    ProductList::const_iterator ProductEnd() const { return mProducts.end(); }
    std::size_t ProductCount() const { return mProducts.size(); }
    ProductList SelectedProducts() const;
    std::size_t SelectionCount() const;
    void SelectAll();
    void DeselectAll();
    WxProduct* SyncProduct() const;
    WxProduct* CaptionProduct() const;
    void SetCaptionProduct(WxProduct* inProduct);
    GxRect Bounds() const;
    // Each tells the listeners of the change once every product is ready to draw.
    void ProductChanged(WxProduct* inProduct);
    void ProductDataChanged(WxProduct* inProduct);
    void SelectionChanged(WxProduct* inProduct);

    // While one is held, product changes are not checked against every product's readiness: reading a document
    // changes each of its products many times. When the last one goes, one check stands for the changes made
    // meanwhile, each kind of change told once.
    class ReadyCheckPause
    {
    public:
        explicit ReadyCheckPause(WxMap& ioMap);
        ~ReadyCheckPause();
        ReadyCheckPause(const ReadyCheckPause&) = delete;
        ReadyCheckPause& operator=(const ReadyCheckPause&) = delete;

    private:
        WxMap& mMap;
    };

    // Settings.
    void SetName(const CxString& inName);
    void SetColor(const GxColor& inColor);
    void SetScale(double inScale);
    void SetFieldOfViewY(double inDegrees);
    void SetMapCenter(const GxPosition& inCenter) { mMapCenter = inCenter; }
    void SetTrackingPosition(const GxPosition& inPosition) { mTrackingPosition = inPosition; }
    void SetViewBounds(const GxRect& inBounds) { mViewBounds = inBounds; }
    void SetLegendVisible(bool inVisible);
    void SetLegendAlign(const CxString& inAlign);

    const CxString& Name() const { return mName; }
    const GxColor& Color() const { return mColor; }
    GxColor TextColor() const;
    double Scale() const { return mScale; }
    double FieldOfViewY() const { return mFieldOfView; }
    const GxPosition& GetMapCenter() const { return mMapCenter; }
    const GxPosition& TrackingPosition() const { return mTrackingPosition; }
    const GxRect& ViewBounds() const { return mViewBounds; }
    bool IsLegendVisible() const { return mLegendVisible; }
    const CxString& LegendAlign() const { return mLegendAlign; }
    const CxString& LegendDateFormat() const { return mLegendDateFormat; }
    // The date band's texts as last drawn; empty before the first draw.
    CxString DateText() const;
    CxString TimeText() const;
    // The products' labels are textured through it: equal labels share a texture, and the map's label textures
    // stay within its budget.
    GxStringTextures& LabelTextures() { return *mLabelTextures; }

    // Time.
    void SetDate(const CxDate& inDate);
    void SetDates(const CxDate& inStart, const CxDate& inEnd);
    void SetDurationAndUnit(CxSint64 inCount, const DxUnit& inUnit);
    void SetDuration(CxSint64 inCount) { SetDurationAndUnit(inCount, mDurationUnit); }
    void SetDurationUnit(const DxUnit& inUnit) { SetDurationAndUnit(mDurationCount, inUnit); }
    void SetStepInterval(CxSint64 inCount);
    void SetSyncProduct(WxProduct* inProduct);
    void SetAnimationRate(CxUint32 inMilliseconds);
    // -1 while the frames follow a sync product's data or stepping is off.
    CxSint64 StepSeconds() const;
    bool IsStepping() const;
    void FirstFrame();
    void LastFrame();
    void PreviousFrame();
    void NextFrame();
    void TogglePlay();
    void ToggleRealTime();
    void ToggleArchiving();
    void StartArchiving();
    void StopArchiving();
    void CalculateTimerInterval();
    // One frame: BeginDraw, DrawMap, DrawLegend, EndDraw. The context must be current.
    void BeginDraw();
    // inStopped, when given, is asked before each product: false when it answered true and the frame was left
    // unfinished.
    bool DrawMap(GxContext& ioContext, const std::function<bool()>& inStopped = {});
    // The legend column in the rectangle (pixels, y up): the date band, then a row per product, top layer first;
    // rows wholly below the rectangle are left out. inStopped, when given, is asked before each row, as DrawMap
    // asks it: false when it answered true and the legend was left unfinished.
    bool DrawLegend(GxContext& ioContext, const GxRect& inRect, bool inActive, bool inHilite,
                    const std::function<bool()>& inStopped = {});
    // The displayed date has been drawn.
    void EndDraw() { mFramePending = false; }

    const CxDate& Date() const { return mDate; }
    const CxDate& StartDate() const { return mStartDate; }
    const CxDate& EndDate() const { return mEndDate; }
    const CxDate& AnchorDate() const { return mAnchorDate; }
    CxSint32 AnchorType() const { return mAnchorType; }
    CxSint64 StepInterval() const { return mStepCount; }
    const DxUnit& StepUnit() const { return mStepUnit; }
    CxSint64 Duration() const { return mDurationCount; }
    const DxUnit& DurationUnit() const { return mDurationUnit; }
    CxUint32 AnimationRate() const { return mAnimationRate; }
    std::size_t FrameIndex() const { return mFrameIndex; }
    std::size_t NumFrames() const { return mFrames.size(); }
    const std::vector<CxDate>& Frames() const { return mFrames; }
    bool IsArchiving() const { return mArchiving; }
    bool IsAnimating() const { return mAnimationTimer.IsRepeating(); }
    bool IsTracking() const { return mTrackingTimer.IsRepeating(); }
    bool IsDrawing() const { return mFramePending; }
    // The current periods of the two timers.
    CxUint32 AnimationPeriod() const { return mAnimationTimer.RepeatInterval(); }
    CxUint32 TrackingPeriod() const { return mTrackingTimer.RepeatInterval(); }

    void OnReceiveMessage(CxMessenger* inSender, CxSint32 inCode, void* inData) override;

protected:
    void OnProjectionChanged() override;

private:
    bool AllReadyToDraw() const;
    void UpdateSyncTimes();
    void MessageMapAnimate();
    void MessageMapTrackRealTime();
    ProductList::iterator Find(WxProduct* inProduct);
    void MarkDateStringsStale();
    void DrawDateTime(GxContext& ioContext, const GxRect& inRect, bool inHilite);
    bool ShowsSeconds() const;

    ProductList mProducts;
    CxDate mStartDate;
    CxDate mEndDate;
    CxDate mDate;
    GxColor mColor;
    CxString mName;
    double mScale = 0.0;
    double mFieldOfView = 90.0;
    GxPosition mMapCenter;
    std::unique_ptr<GxString> mDateString;
    std::unique_ptr<GxString> mTimeString;
    std::unique_ptr<GxFont> mDateFont;
    std::unique_ptr<GxStringTextures> mLabelTextures;
    bool mLegendVisible = true;
    GxPosition mTrackingPosition;
    CxDate mAnchorDate;
    CxSint32 mAnchorType = 2;
    bool mStepping = true;
    CxSint64 mStepCount = 5;
    DxUnit mStepUnit;
    CxSint64 mDurationCount = 1;
    DxUnit mDurationUnit;
    CxSint64 mStepSeconds = 300;
    WxProduct* mSyncProduct = nullptr;
    std::vector<CxDate> mFrames;
    std::size_t mFrameIndex = 0;
    bool mArchiving = false;
    bool mFramePending = false;
    CxMessageTimer mAnimationTimer;
    CxMessageTimer mTrackingTimer;
    CxUint32 mAnimationRate = 144;
    bool mAtLastFrame = false;
    GxRect mViewBounds;
    CxString mLegendAlign;
    CxString mLegendDateFormat;
    bool mDateStale = true;
    bool mTimeStale = true;
    int mReadyCheckPauses = 0;
    bool mChangedWhilePaused = false;
    bool mDataChangedWhilePaused = false;
    // Set while the destructor deletes the products: their changes concern no one.
    bool mDismantling = false;
};
