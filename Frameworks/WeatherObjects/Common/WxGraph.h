// The model of one time-series graph: its series (index 0 first, pane dividers among them), one value axis per
// unit, the time window with real-time tracking, archiving and the legend settings. It reads and writes the
// document's "graph" element and tells its listeners of each change by message. Main thread only.
#pragma once

#include "CxCoordinates.h"
#include "CxDate.h"
#include "CxMessenger.h"
#include "CxString.h"
#include "CxTimer.h"
#include "CxTypes.h"
#include "GxColor.h"
#include "GxCoordinates.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <vector>

class GxContext;
class GxFont;
class GxRect;
class GxString;
class WxSeries;
class WxSeriesAxis;
class XmlBuilder;
class XmlElement;

// The graph's messages; the payload is null unless noted.
enum : CxSint32
{
    kWxGraphSeriesChanged = 1000,
    kWxGraphSeriesAdopted = 1001,
    kWxGraphSeriesOrphaned = 1002,
    kWxGraphDataChanged = 1003,
    kWxGraphSettingsChanged = 1008,
    kWxGraphDeleted = 1009,
    kWxGraphTrackRealTime = 1010,
    kWxGraphSelectionChanged = 1012 // the series
};

// The horizontal axis of a graph pane: ticks on whole steps of local time counted from 1960-01-01 (with the zone's
// offset at the start, so they stay evenly spaced), grid lines, and the times and changed dates below them.
class WxGraphTimeAxis
{
public:
    // A label text and where it is drawn, in the plot's coordinates (y up).
    struct Label
    {
        CxString mText;
        double mX;
        double mY;
    };

    WxGraphTimeAxis();
    // Deletes the label textures: the context must be current when there are any.
    ~WxGraphTimeAxis();
    WxGraphTimeAxis(const WxGraphTimeAxis&) = delete;
    WxGraphTimeAxis& operator=(const WxGraphTimeAxis&) = delete;

    void Build(const CxDate& inStart, const CxDate& inEnd, const CxRect& inRect);
    // In the plot's coordinates, the origin at its lower-left corner. The labels are textured again every time.
    void Draw(GxContext& ioContext, const GxColor& inBackground);
    void BuildStrings(GxContext& ioContext);
    void DrawStrings(GxContext& ioContext);
    void DeleteStrings();

    // Inside the plot's width the tracking time follows the point; elsewhere it stays.
    void SetTrackingPoint(const GxPoint& inPoint);
    const CxDate& TrackingTime() const { return mTrackingTime; }
    double PixelsPerSecond() const { return mPixelsPerSecond; }

    // The layout of the last Build. Without a positive finite tick spacing nothing is laid out or drawn.
    bool HasTicks() const;
    std::int32_t LabelCount() const { return mLabelCount; }
    std::int64_t Step() const { return mStep; }
    const CxDate& StartDate() const { return mStartDate; }
    const CxDate& EndDate() const { return mEndDate; }
    const CxDate& FirstTick() const { return mFirstTick; }
    double TickSpacing() const { return mTickSpacing; }
    double FirstTickOffset() const { return mFirstTickOffset; }
    // The ticks' x, as Draw places them.
    std::vector<double> TickOffsets() const;
    // The labels BuildStrings makes: each tick's time, and its date where that changes.
    std::vector<Label> Labels() const;

private:
    CxDate mStartDate;
    CxDate mEndDate;
    CxDate mFirstTick;
    std::int64_t mStep = 900;
    CxRect mRect;
    double mTickSpacing = 0.0;
    double mFirstTickOffset = 0.0;
    std::vector<GxString*> mGxStrings;
    std::vector<Label> mStringPlaces;
    double mPixelsPerSecond;
    CxDate mTrackingTime;
    std::int32_t mLabelCount = 1;
};

class WxGraph : public CxMessenger, public CxReceiver
{
public:
    using SeriesList = std::vector<WxSeries*>;
    using AxisMap = std::map<CxString, std::unique_ptr<WxSeriesAxis>>;

    // The window a graph gets when its dates are equal.
    static constexpr double kDefaultWindow = 43200.0;
    static constexpr CxUint32 kTrackingMs = 60000;

    explicit WxGraph(const XmlElement* inXml = nullptr);
    ~WxGraph() override;
    WxGraph(const WxGraph&) = delete;
    WxGraph& operator=(const WxGraph&) = delete;

    void Internalize(const XmlElement* inXml);
    void Externalize(XmlBuilder& ioBuilder) const;

    // Series.
    void AdoptSeries(WxSeries* inSeries, WxSeries* inBefore, bool inAppend);
    void OrphanSeries(WxSeries* inSeries);
    void MoveSeries(WxSeries* inSeries, WxSeries* inBefore);
    void MoveSelectionForward();
    void MoveSelectionBackward();
    void MoveSelectionToFront();
    void MoveSelectionToBack();
    void Split();
    void Combine();
    // The number of panes: one more than the dividers.
    std::size_t SplitCount() const;
    SeriesList::const_iterator SeriesBegin() const { return mSeries.begin(); }
    SeriesList::const_iterator SeriesEnd() const { return mSeries.end(); }
    std::size_t SeriesCount() const { return mSeries.size(); }
    SeriesList SelectedSeries() const;
    std::size_t SelectionCount() const;
    void SelectAll();
    void DeselectAll();
    void SeriesChanged(WxSeries* inSeries);
    void SeriesDataChanged(WxSeries* inSeries);
    void SelectionChanged(WxSeries* inSeries);

    // Drawing, in pixels with y up (a CxRect's "top" is its lower edge). The context must be current.
    // The whole graph in the rectangle: stacked panes split at the dividers, each with its series, frame, time axis
    // and value axes.
    void DrawGraph(GxContext& ioContext, const CxRect& inRect);
    // The legend column in the rectangle: the date band, then a row per series in list order.
    void DrawLegend(GxContext& ioContext, const GxRect& inRect, bool inActive, bool inDateActive);
    // Fits the automatic bounds of the value axes to the data series and drops the axes no series uses.
    void BuildAxes();
    // The plot area of a pane: 50 px off the left, right and lower edges, 20 px off the upper, at least 10 px wide.
    static CxRect PlotRect(const CxRect& inBounds);
    WxGraphTimeAxis* GetTimeAxis() const { return mTimeAxis.get(); }
    CxDate TrackingTime() const;
    // The date band's two lines as last drawn; empty before the first draw.
    CxString StartText() const;
    CxString EndText() const;

    // Axes. An adopted axis replaces, and deletes, the one of its unit.
    void AdoptAxis(WxSeriesAxis* inAxis);
    // Makes an axis for an id it does not know.
    WxSeriesAxis* GetAxisById(const CxString& inId);
    // The axis of a data series' unit; null for any other series.
    WxSeriesAxis* GetAxis(WxSeries* inSeries);
    const AxisMap& Axes() const { return mAxes; }
    const CxString& GetSelectedAxisId() const { return mSelectedAxisId; }
    void SetSelectedAxisId(const CxString& inId);
    // The unit id of the axis drawn under a point (y down from the top of the bounds) and its 1-based place
    // among the drawn axes; "" and 0 elsewhere.
    CxString GetAxisUnitIdForPoint(const CxPoint& inPoint, std::int32_t& outIndex) const;

    // Settings.
    void SetName(const CxString& inName);
    void SetColor(const GxColor& inColor);
    void SetLegendVisible(bool inVisible) { mLegendVisible = inVisible; }
    void SetLegendAlign(const CxString& inAlign);
    void SetDates(const CxDate& inStart, const CxDate& inEnd);
    void ToggleRealTime();
    void ToggleArchiving();
    void StartArchiving();
    void StopArchiving();
    void SetTrackingPoint(const GxPoint& inPoint);

    const CxString& Name() const { return mName; }
    const GxColor& Color() const { return mColor; }
    const CxDate& StartDate() const { return mStartDate; }
    const CxDate& EndDate() const { return mEndDate; }
    const CxRect& Bounds() const { return mBounds; }
    bool IsLegendVisible() const { return mLegendVisible; }
    const CxString& LegendAlign() const { return mLegendAlign; }
    bool IsArchiving() const { return mArchiving; }
    bool IsTracking() const { return mTrackingTimer.IsRepeating(); }
    const GxPoint& TrackingPoint() const { return mTrackingPoint; }

    void OnReceiveMessage(CxMessenger* inSender, CxSint32 inCode, void* inData) override;

private:
    SeriesList::iterator Find(WxSeries* inSeries);
    void TrackRealTime();
    void DrawGraphOne(GxContext& ioContext, const SeriesList& inSeries, std::int32_t inPane);
    void DrawVerticalAxes(GxContext& ioContext, const SeriesList& inSeries);
    void DrawOneAxis(GxContext& ioContext, WxSeries* inSeries, bool inLeft, bool inGrid);
    void DrawDateTime(GxContext& ioContext, const GxRect& inRect, bool inHilite);

    SeriesList mSeries;
    CxDate mStartDate;
    CxDate mEndDate;
    GxColor mColor;
    CxString mName;
    std::unique_ptr<GxString> mStartString;
    std::unique_ptr<GxString> mEndString;
    bool mStartStale = true;
    bool mEndStale = true;
    std::unique_ptr<GxFont> mDateFont;
    bool mLegendVisible = true;
    CxRect mBounds;
    std::unique_ptr<WxGraphTimeAxis> mTimeAxis;
    AxisMap mAxes;
    bool mArchiving = false;
    CxMessageTimer mTrackingTimer;
    CxString mLegendAlign;
    GxPoint mTrackingPoint;
    CxRect mLeftAxisArea;
    CxRect mRightAxisArea;
    std::vector<std::pair<CxRect, CxString>> mAxisAreas;
    CxString mSelectedAxisId;
};
