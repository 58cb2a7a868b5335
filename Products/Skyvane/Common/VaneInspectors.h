// The inspector panels that grow out of a clicked legend row: a band of text lines describing a map product or a
// graph series and the data under the mouse, with the layer's own legend above it. The owning instance animates
// the panel, feeds it the mouse and forwards clicks; the panel only says what to draw. Main thread only.
#pragma once

#include "CxCoordinates.h"
#include "CxMessenger.h"
#include "CxString.h"
#include "GxColor.h"
#include "GxCoordinates.h"

#include <vector>

class DxImageClient;
class DxNidsClient;
class DxObsClient;
class DxSeriesClient;
class DxShapeClient;
class FxMouseEvent;
class GxContext;
class GxString;
class WxDistance;
class WxGraph;
class WxInspector;
class WxMap;
class WxProduct;
class WxSeries;

// What the product and series panels share: the legend they own, the text lines and textures of the last draw,
// the opacity and the close icon, and the drawing of all that.
class VaneInspectorPanel : public CxReceiver
{
public:
    // Deletes the legend and the last draw's texts; the owner makes the drawing context current first.
    ~VaneInspectorPanel() override;

    void SetAlpha(double inAlpha);
    double Alpha() const { return mAlpha; }
    void SetDrawsSnapback(bool inDraws) { mDrawsSnapback = inDraws; }
    bool DrawsSnapback() const { return mDrawsSnapback; }

    // Hands the click, already in the panel's coordinates, to the legend.
    void MouseDown(const FxMouseEvent& inEvent);

    // Deletes the last draw's texts; the context must be current.
    void ClearStrings();

    const CxStringList& Labels() const { return mLabels; }
    // Bottom line first, as drawn.
    const std::vector<GxString*>& Strings() const { return mStrings; }
    WxInspector* Legend() const { return mLegend; }

protected:
    VaneInspectorPanel(double inAlpha, bool inDrawsSnapback) : mAlpha(inAlpha), mDrawsSnapback(inDrawsSnapback) {}

    // Deletes the legend and takes the new one (may be null).
    void ReplaceLegend(WxInspector* inLegend);
    // The text block (inTrackLine first, untruncated, when given; then the labels bottom up), the legend above it
    // when there is room, and the close icon. The labels are already gathered.
    void DrawPanel(GxContext& ioContext, const CxRect& inRect, const GxColor& inBackground,
                   const CxString* inTrackLine);

    WxInspector* mLegend = nullptr;
    CxStringList mLabels;
    std::vector<GxString*> mStrings;
    double mAlpha;
    bool mDrawsSnapback;
};

class VaneProductInspector : public VaneInspectorPanel
{
public:
    // Alpha 1, no close icon, attached to nothing.
    VaneProductInspector();
    // Alpha 0 and the close icon; attached to the product and its map, the legend transparent on the map's colour.
    explicit VaneProductInspector(WxProduct* inProduct);
    ~VaneProductInspector() override;

    // Drops the legend and the map; with a product, attaches to its map and takes its legend.
    void SetProduct(WxProduct* inProduct);
    WxProduct* GetProduct() const { return mProduct; }
    WxMap* GetMap() const { return mMap; }

    void SetTrackPosition(const GxPosition& inPosition);
    const GxPosition& TrackPosition() const { return mTrackPosition; }

    void ProductDeleted(WxProduct* inProduct);
    // The map is going: forgotten without detaching.
    void MapDeleted();

    void OnReceiveMessage(CxMessenger* inSender, CxSint32 inCode, void* inData) override;

    // Into the pixel rectangle, the caller in 2-D mode with the origin at the rectangle's bottom.
    void Draw(GxContext& ioContext, const CxRect& inRect);

    // Each appends text lines, top first, to the labels.
    void GetFieldsFromProduct(WxProduct* inProduct);
    void GetFieldsFromDxObsClient(DxObsClient* inClient);
    void GetFieldsFromDxShapeClient(DxShapeClient* inClient);
    void GetFieldsFromDxNidsClient(DxNidsClient* inClient);
    void GetFieldsFromDxImageClient(DxImageClient* inClient);
    void GetFieldsFromWxDistance(WxDistance* inDistance);

    // The format of the track position and the distance's ends.
    static const char* const kPositionFormat;

private:
    WxMap* mMap = nullptr;
    WxProduct* mProduct = nullptr;
    GxPosition mTrackPosition;
};

class VaneSeriesInspector : public VaneInspectorPanel
{
public:
    VaneSeriesInspector();
    explicit VaneSeriesInspector(WxSeries* inSeries);
    ~VaneSeriesInspector() override;

    void SetSeries(WxSeries* inSeries);
    WxSeries* GetSeries() const { return mSeries; }
    WxGraph* GetGraph() const { return mGraph; }

    void SetTrackPoint(const GxPoint& inPoint);
    const GxPoint& TrackPoint() const { return mTrackPoint; }

    void SeriesDeleted(WxSeries* inSeries);
    void GraphDeleted();

    void OnReceiveMessage(CxMessenger* inSender, CxSint32 inCode, void* inData) override;

    void Draw(GxContext& ioContext, const CxRect& inRect);

    void GetFieldsFromSeries(WxSeries* inSeries);
    void GetFieldsFromDxSeriesClient(DxSeriesClient* inClient);

private:
    WxGraph* mGraph = nullptr;
    WxSeries* mSeries = nullptr;
    GxPoint mTrackPoint;
};
