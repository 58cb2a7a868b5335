// The map layer that fills the one polygon of a shape under a chosen map position, plus polygons picked out in
// colours of their own. Main thread only.
#pragma once

#include "DxShape.h"
#include "DxShapeClient.h"
#include "GxColor.h"
#include "GxDisplayList.h"
#include "WxProduct.h"

#include <memory>
#include <utility>
#include <vector>

class WxShapeFill : public WxProduct, public DxShapeClient
{
public:
    WxShapeFill(WxMap* inMap, const XmlElement* inXml);
    ~WxShapeFill() override;
    static WxProduct* Make(WxMap* inMap, const XmlElement* inXml);

    void SetShapeInfo(const CxString& inRegion, const CxString& inFeature);
    void SetMask(bool inMask);
    void SetLineWidth(double inWidth);
    void SetColor(const GxColor& inColor);
    void SetFillPosition(const GxPosition& inPosition);
    // Picks the polygon under the position, when one holds it; the position is kept, so the pick follows new
    // shapes and projections.
    void AddFillPositionWithColor(const GxPosition& inPosition, const GxColor& inColor);
    void Reset();

    bool Mask() const { return mMask; }
    double LineWidth() const { return mLineWidth; }
    const GxPosition& FillPosition() const { return mFillPosition; }
    // The client's shape in the map's projection; null before the first shape.
    const DxShape* ProjectedShape() const { return mProjected.get(); }
    std::size_t CountPicks() const { return mPicked.size(); }

protected:
    void OnDrawProduct(GxContext& ioContext) override;
    void OnDrawIcon(GxContext& ioContext) override;
    void OnInternalize(const XmlElement* inXml) override;
    void OnExternalize(XmlBuilder& ioBuilder) const override;
    void OnProjectionChanged() override;
    bool OnIsReadyToDraw() const override;
    GxColor OnGetColor() const override;
    WxInspector* OnCreateLegend() override { return nullptr; }
    void OnShapeChanged() override;

private:
    void CheckForMaskability();
    void Reproject();
    const GxPolygon* PolygonAt(const GxPosition& inPosition) const;

    GxColor mColor{CxString("#00FF00")};
    double mLineWidth = 0.0;
    bool mMask = false;
    bool mMaskable = true;
    GxDisplayList mPickList;
    GxDisplayList mRegionList;
    GxPosition mFillPosition;
    std::unique_ptr<DxShape> mProjected;
    std::vector<std::pair<GxPosition, GxColor>> mPicks;
    // Resolved against mProjected whenever it is remade.
    std::vector<std::pair<const GxPolygon*, GxColor>> mPicked;
};
