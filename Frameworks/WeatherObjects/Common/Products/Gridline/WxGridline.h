// The map layer of parallels and meridians over a range of latitudes and longitudes, drawn in the map's
// projection, with a popup that tells the position under the mouse. It shows no data set.
#pragma once

#include "DxShape.h"
#include "GxColor.h"
#include "GxString.h"
#include "WxProduct.h"

#include <cstdint>
#include <memory>

class WxGridline : public WxProduct
{
public:
    // Above this many positions the samples along each line thin out.
    static constexpr std::uint64_t kMaxSamples = 4000000;

    WxGridline(WxMap* inMap, const XmlElement* inXml);
    ~WxGridline() override;
    static WxProduct* Make(WxMap* inMap, const XmlElement* inXml);

    // Each refuses a value out of range (NaN included) and then does nothing.
    void SetStartLat(double inDegrees);
    void SetEndLat(double inDegrees);
    void SetStartLon(double inDegrees);
    void SetEndLon(double inDegrees);
    void SetLatInterval(double inDegrees);
    void SetLonInterval(double inDegrees);
    void SetLineWidth(double inWidth);

    double StartLat() const { return mStartLat; }
    double EndLat() const { return mEndLat; }
    double StartLon() const { return mStartLon; }
    double EndLon() const { return mEndLon; }
    double LatInterval() const { return mLatInterval; }
    double LonInterval() const { return mLonInterval; }
    double LineWidth() const { return mLineWidth; }

    // Builds the lines in the map's projection (done at each compile of the display list); null before.
    void Build();
    const DxShape* Lines() const { return mLines.get(); }

protected:
    void OnDrawProduct(GxContext& ioContext) override;
    void OnDrawIcon(GxContext& ioContext) override;
    void OnInternalize(const XmlElement* inXml) override;
    void OnExternalize(XmlBuilder& ioBuilder) const override;
    void OnProjectionChanged() override;
    void OnSetColor(const GxColor& inColor) override;
    GxColor OnGetColor() const override;
    WxPopup* OnCreatePopup() override;

private:
    void SetChecked(double& ioValue, double inValue, double inLow, double inHigh);

    GxColor mColor{0.0, 0.0, 0.0, 0.5};
    double mLineWidth = 1.0;
    double mStartLat = 0.0;
    double mEndLat = 90.0;
    double mStartLon = -180.0;
    double mEndLon = 0.0;
    double mLatInterval = 15.0;
    double mLonInterval = 15.0;
    std::unique_ptr<DxShape> mLines;
};
