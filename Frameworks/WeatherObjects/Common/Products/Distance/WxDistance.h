// The map layer that measures the great-circle distance between two points: a line with a marker at each end,
// and the distance in its status text. It shows no data set.
#pragma once

#include "DxShape.h"
#include "DxUnit.h"
#include "GxColor.h"
#include "GxSymbol.h"
#include "WxProduct.h"

#include <memory>

class WxDistance : public WxProduct
{
public:
    // The sphere the distance is measured on, in kilometres.
    static constexpr double kEarthRadiusKm = 6378.7;
    static constexpr int kLineSteps = 30;

    WxDistance(WxMap* inMap, const XmlElement* inXml);
    ~WxDistance() override;
    static WxProduct* Make(WxMap* inMap, const XmlElement* inXml);

    // Degrees; each recomputes the distance and the line.
    void SetStartLat(double inDegrees);
    void SetStartLon(double inDegrees);
    void SetEndLat(double inDegrees);
    void SetEndLon(double inDegrees);
    void SetStartPosition(const GxPosition& inPosition);
    void SetEndPosition(const GxPosition& inPosition);
    void SetDistanceUnit(const DxUnit& inUnit);
    void SetLineWidth(double inWidth);

    double GetStartLat() const { return mStartLat; }
    double GetStartLon() const { return mStartLon; }
    double GetEndLat() const { return mEndLat; }
    double GetEndLon() const { return mEndLon; }
    GxPosition GetStartPosition() const;
    GxPosition GetEndPosition() const;
    DxUnit GetDistanceUnit() const { return mDisplayUnit; }
    double GetLineWidth() const { return mLineWidth; }
    // In plain degrees; null before the first computation.
    const DxShape* Line() const { return mLine.get(); }

    void Recalculate();

protected:
    void OnDrawProduct(GxContext& ioContext) override;
    void OnDrawIcon(GxContext& ioContext) override;
    void OnInternalize(const XmlElement* inXml) override;
    void OnExternalize(XmlBuilder& ioBuilder) const override;
    void OnProjectionChanged() override;
    void OnSetColor(const GxColor& inColor) override;
    GxColor OnGetColor() const override;

private:
    double mStartLat = 0.0;
    double mStartLon = 0.0;
    double mEndLat = 0.0;
    double mEndLon = 0.0;
    double mLineWidth = 4.0;
    DxUnit mBaseUnit{CxString("km")};
    DxUnit mDisplayUnit{CxString("km")};
    DxUnitConverter mConverter{mBaseUnit, mDisplayUnit};
    GxSymbol mMarker{"solidCircle"};
    GxColor mColor{0.0, 0.0, 0.0, 1.0};
    std::unique_ptr<DxShape> mLine;
};
