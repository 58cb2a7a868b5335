// The map layer of one shape of a shape data set: its outlines, or its closed polygons filled, optionally hiding
// everything behind it outside the shape; and its legend row, the outline scaled into the row. Main thread only.
#pragma once

#include "DxShapeClient.h"
#include "GxColor.h"
#include "GxDisplayList.h"
#include "WxProduct.h"

#include <memory>

class DxShape;
class GxShape;

// The union of the shape's polygons' bounds; a default rectangle without polygons.
GxRect WxShapeBounds(const GxShape& inShape);

class WxShape : public WxProduct, public DxShapeClient
{
public:
    WxShape(WxMap* inMap, const XmlElement* inXml);
    ~WxShape() override;
    static WxProduct* Make(WxMap* inMap, const XmlElement* inXml);

    void SetShapeInfo(const CxString& inRegion, const CxString& inFeature);
    void SetMask(bool inMask);
    void SetLineWidth(double inWidth);
    void SetFilled(bool inFilled);
    bool Mask() const { return mMask; }
    double LineWidth() const { return mLineWidth; }
    bool Filled() const { return mFilled; }
    // Whether the shape in the map's projection is closed; switches an unmaskable mask off.
    bool IsMaskable();

protected:
    void OnDrawProduct(GxContext& ioContext) override;
    void OnDrawIcon(GxContext& ioContext) override;
    void OnInternalize(const XmlElement* inXml) override;
    void OnExternalize(XmlBuilder& ioBuilder) const override;
    void OnDatesChanged(const CxDate& inStart, const CxDate& inEnd) override;
    void OnIntervalChanged(CxSint64 inSeconds) override;
    void OnDateChanged(const CxDate& inDate) override;
    void OnProjectionChanged() override;
    void OnSetColor(const GxColor& inColor) override;
    bool OnIsReadyToDraw() const override;
    GxColor OnGetColor() const override;
    WxInspector* OnCreateLegend() override;
    void OnShapeChanged() override;
    void OnSetChanged() override;
    void OnAuthenticationChanged() override;

private:
    bool DrawLists(GxContext& ioContext);
    void BuildBounds(const DxShape& inShape);
    void BuildMask(const DxShape& inShape);
    void InvalidateLists();

    GxColor mColor{CxString("#00FF00")};
    double mLineWidth = 0.0;
    bool mMask = false;
    bool mFilled = false;
    bool mMaskable = true;
    GxDisplayList mMaskList;
    GxDisplayList mOutlineList;
    GxDisplayList mFillList;
};

class WxShapeLegend : public WxProductInspector
{
public:
    explicit WxShapeLegend(WxShape* inShape);
    ~WxShapeLegend() override;

    void OnDraw(GxContext& ioContext, const CxRect& inBounds) override;
    bool IsShown() override { return true; }

private:
    WxShape* mShape;
};
