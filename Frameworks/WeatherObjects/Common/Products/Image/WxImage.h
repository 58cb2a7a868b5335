// The map layer that drapes one georeferenced picture of an image set over the map, tinted and faded, and its
// legend of labelled swatches with the colour under the mouse outlined. Main thread only.
#pragma once

#include "DxImageClient.h"
#include "GxColor.h"
#include "WxProduct.h"

#include <memory>
#include <vector>

class GxTexture;

class WxImage : public WxProduct, public DxImageClient
{
public:
    WxImage(WxMap* inMap, const XmlElement* inXml);
    // Leaves the manager first, then frees the texture: the GL context must still be current.
    ~WxImage() override;
    static WxProduct* Make(WxMap* inMap, const XmlElement* inXml);

    // Nothing when both ids are the held ones and the subscription is valid.
    void SetClientInfo(const DxImageItem& inFirst, const DxImageItem& inSecond);
    // Transparent black without a picture or outside it.
    GxColor GetValueFromPosition(const GxPosition& inPosition) const;
    // The icon's bands, the frame's legend keys in reverse order.
    const std::vector<GxColor>& LegendColors() const { return mLegendColors; }

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
    GxColor OnGetColor() const override;
    bool OnIsReadyToDraw() const override;
    WxInspector* OnCreateLegend() override;
    void OnTextureChanged() override;
    void OnSetChanged() override;
    void OnAuthenticationChanged() override;

private:
    std::unique_ptr<GxTexture> mTexture;
    GxColor mColor{1.0, 1.0, 1.0, 1.0};
    std::vector<GxColor> mLegendColors;
};

class WxImageLegend : public WxProductInspector
{
public:
    explicit WxImageLegend(WxImage* inImage);
    ~WxImageLegend() override;

    void OnDraw(GxContext& ioContext, const CxRect& inBounds) override;
    bool IsShown() override { return true; }

    // Of the last draw, for tests that check the swatch width without pinning text widths.
    double WidestLabel() const { return mWidestLabel; }
    double SwatchWidth() const { return mSwatchWidth; }

private:
    WxImage* mImage;
    double mWidestLabel = 0.0;
    double mSwatchWidth = 0.0;
};
