// The map layer that shows one radar product of one site as a coloured image draped over the map, with its
// colours toggled one by one for small palettes, and the geometry it answers with under the mouse.
// Main thread only.
#pragma once

#include "CxCoordinates.h"
#include "DxNidsClient.h"
#include "DxUnit.h"
#include "GxColor.h"
#include "GxDisplayList.h"
#include "GxString.h"
#include "WxInspector.h"
#include "WxProduct.h"

#include <array>
#include <cmath>
#include <memory>
#include <vector>

class DxIndexedImage;
class GxTexture;

// The row whose sector holds the azimuth (degrees), from the rows' start azimuths: a row reaches the next row's
// start, the last reaches the first's. Sweeps start anywhere and may turn either way, so consecutive starts are
// compared modulo 360 and the sense is the one most steps take. -1 without a match (no angles, or a non-finite
// azimuth); sectors with a non-finite end match nothing.
int WxFindRadial(const std::vector<double>& inStartAngles, double inAzimuth);

// The beam's height in kilometres above sea level at the range (km), for a sweep tilted by inTiltDegrees over a
// radar inElevationMetres high, under the four-thirds earth. NaN unless the tilt is greater than 0.
double WxBeamHeight(double inRangeKm, double inTiltDegrees, double inElevationMetres);

// The icons of one storm cell, by texture name in drawing order; "x" alone stands for the plain marker. A
// mesocyclone icon for "MESO" or a rank of 5 to 25; a signature icon over any hail icon; hail from 1, 2 and 3
// inches up.
std::vector<const char*> WxStormIcons(const CxString& inMeso, const CxString& inTVS, double inHailSize);

class WxRadar : public WxProduct, public DxNidsClient
{
public:
    // One toggle per entry of the palettes that can be toggled.
    static constexpr std::size_t kToggles = 16;

    WxRadar(WxMap* inMap, const XmlElement* inXml);
    ~WxRadar() override;
    static WxProduct* Make(WxMap* inMap, const XmlElement* inXml);

    void SetClientInfo(const DxNidsSite& inSite, const DxNidsProduct& inProduct);
    void SetDisplayUnit(const DxUnit& inUnit);
    DxUnit GetDisplayUnit() const { return mDisplayUnit; }
    void SetDrawStorms(bool inDraw);
    bool GetDrawStorms() const { return mDrawStorms; }
    void SetClearAirLikePrecip(bool inLikePrecip);
    bool GetClearAirLikePrecip() const { return mClearAirLikePrecip; }

    // Hands the palette to the indexed image; nothing without one.
    void SetColorTable(const GxColorTable& inColors, bool inRedraw);
    // The toggled colours for palettes of at most 16 entries, else the image's; table 7 without an indexed image.
    GxColorTable GetColorTable() const;
    // The image shows every stored colour again; the toggles stay.
    void ResetColors();
    // Indexes outside 0 to 15 change nothing.
    void ToggleColorByIndex(short inIndex);
    // Every toggle becomes the inverse of this one's.
    void ToggleAllColors(short inIndex);
    bool ColorsToggled() const;
    std::vector<unsigned char> ColorToggles() const { return mToggles; }
    GxColorTable ToggledColors() const { return mToggledColors; }
    void BuildToggledColors();

    // The palette index at the position; NaN without an indexed image or when no radial holds it.
    double GetValueFromPosition(const GxPosition& inPosition) const;
    // Kilometres; NaN without an image, its tilt and elevation, or at a tilt of 0 or less.
    double GetBeamHeight(double inRangeKm) const;

    void DrawImage(GxContext& ioContext);
    void DrawTiles(GxContext& ioContext);
    void DrawRings(GxContext& ioContext);
    void DrawStormIcons(GxContext& ioContext);
    // The icon quad, twice inScale wide about the centre; no quad without a texture (0 or less).
    static void DrawStormTexture(int inTexture, const GxPoint& inCentre, double inScale);

protected:
    void OnDrawProduct(GxContext& ioContext) override;
    void OnDrawIcon(GxContext& ioContext) override;
    void OnInternalize(const XmlElement* inXml) override;
    void OnExternalize(XmlBuilder& ioBuilder) const override;
    void OnDatesChanged(const CxDate& inStart, const CxDate& inEnd) override;
    void OnIntervalChanged(CxSint64 inSeconds) override;
    void OnDateChanged(const CxDate& inDate) override;
    void OnProjectionChanged() override;
    bool OnIsReadyToDraw() const override;
    bool OnGetAttributesFromPosition(const GxPosition& inPosition, CxStringList& outNames,
                                     CxStringList& outValues) const override;
    WxInspector* OnCreateLegend() override;
    WxPopup* OnCreatePopup() override;
    void OnTextureChanged() override;
    void OnSetChanged() override;
    void OnAuthenticationChanged() override;

private:
    // The stored table swapped for the clear-air-like-precipitation one when the frame asks for it.
    void SwapClearAir(bool inLikePrecip);

    std::unique_ptr<GxTexture> mTexture;
    GxColorTable mColorTable{kGxNidsReflectivityColors16};
    GxColorTable mToggledColors;
    std::vector<unsigned char> mToggles;
    DxUnit mDisplayUnit{CxString("nada")};
    GxDisplayList mRingList;
    GxDisplayList mImageList;
    bool mDrawStorms = false;
    bool mClearAirLikePrecip = true;
};

// The radar's legend: labelled boxes for palettes with data levels, clickable to hide and show colours, or a
// ramp with a value axis; the colour under the mouse is marked.
class WxRadarLegend : public WxProductInspector
{
public:
    explicit WxRadarLegend(WxRadar* inRadar);
    ~WxRadarLegend() override;

    void OnDraw(GxContext& ioContext, const CxRect& inBounds) override;
    void OnMouseDown(const WxMouseDown& inEvent) override;

    // Legend coordinates, y up.
    const GxRect& BoxRect() const { return mBoxRect; }

private:
    void DrawColorBoxes(GxContext& ioContext, const CxRect& inBounds);
    void DrawColorRamp(GxContext& ioContext, const CxRect& inBounds);
    // The palette index under the mouse, or NaN.
    double TrackedIndex() const;

    WxRadar* mRadar;
    double mLabelWidth = 0.0;
    CxRect mLegendRect;
    GxRect mBoxRect;
    std::vector<CxString> mLabels;
    std::size_t mColorCount = 0;
};

class DxFrame;
class GxProjection;

// One storm cell as the popup shows it; text fields missing or short read "NONE", numbers NaN.
struct WxStormCell
{
    CxString mId{"NONE"};
    CxString mMeso{"NONE"};
    CxString mTVS{"NONE"};
    CxString mHailString = CxString();
    GxPosition mPosition = GxPosition();
    double mSevereHail = std::nan("");
    double mHail = std::nan("");
    double mHailSize = std::nan("");
    double mVIL = std::nan("");
    double mMaxRef = std::nan("");
    double mMaxRefHeight = std::nan("");
    double mTop = std::nan("");
    double mDirection = std::nan("");
    double mKnots = std::nan(""); // the tables give the forecast speed in knots
};

// One cell per index below the shorter of "stormLat" and "stormLon".
std::vector<WxStormCell> WxReadStormCells(const DxFrame& inFrame);
// The index of the cell nearest the tracking position on the map, and its distance in map units; -1 without
// cells or when the tracking position projects to no number. The first of equally near cells wins.
int WxNearestStorm(const std::vector<WxStormCell>& inCells, const GxProjection& inProjection,
                   const GxPosition& inTracking, double& outDistance);
// The popup's six value lines: id with signature and mesocyclone, hail, VIL, top, maximum, forecast motion.
std::array<CxString, 6> WxStormLines(const WxStormCell& inCell);
// Kilometres a cell moving at the speed covers in one hour.
double WxStormHourKm(double inKnots);
// Where the tooltip box's lower-left corner goes from the cell's window point, away from its forecast direction.
GxPoint WxStormTooltipOffset(double inDirection, double inWidth, double inHeight);

// The mouse-over popup of the radar: the storm cell nearest the mouse, its hour track and its attributes.
class WxRadarPopup : public WxPopup
{
public:
    explicit WxRadarPopup(WxRadar* inRadar);
    ~WxRadarPopup() override;

    bool ShouldInvalidate() const override;
    void OnDraw(GxContext& ioContext) override;
    void DrawStorms(GxContext& ioContext);
    void DrawStormProjection(GxContext& ioContext, const GxPoint& inPoint, const WxStormCell& inCell);
    void DrawTooltip(GxContext& ioContext, const GxPoint& inPoint, double inDirection);
    static void DrawStormTexture(int inTexture, const GxPoint& inCentre, double inScale)
    {
        WxRadar::DrawStormTexture(inTexture, inCentre, inScale);
    }
    // The key of the cell shown last, "id: " and its id.
    const CxString& Key() const { return mKey; }
    // How often the value texts were rebuilt.
    int Rebuilds() const { return mRebuilds; }

private:
    WxRadar* mRadar;
    CxString mKey;
    GxStringBunch mValues;
    GxStringBunch mLabels;
    int mRebuilds = 0;
};
