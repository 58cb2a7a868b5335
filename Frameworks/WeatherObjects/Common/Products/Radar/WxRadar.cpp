#include "WxRadar.h"

#include "WxClientKit.h"
#include "WxDrawSupport.h"

#include "CxDebug.h"
#include "DxImage.h"
#include "DxNidsManager.h"
#include "DxSet.h"
#include "GxContext.h"
#include "GxProjection.h"
#include "GxTexture.h"
#include "WxMap.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <numbers>
namespace
{

// The turn from a to b in [0, 360).
double Turn(double inFrom, double inTo)
{
    const double turn = std::fmod(inTo - inFrom, 360.0);
    return turn < 0.0 ? turn + 360.0 : turn;
}

} // namespace

int WxFindRadial(const std::vector<double>& inStartAngles, double inAzimuth)
{
    const std::size_t count = inStartAngles.size();
    if (count == 0 || !std::isfinite(inAzimuth))
        return -1;
    // Clockwise steps are small turns; counter-clockwise ones are turns just short of 360.
    std::size_t clockwise = 0, counter = 0;
    for (std::size_t i = 0; i + 1 < count; ++i)
    {
        const double turn = Turn(inStartAngles[i], inStartAngles[i + 1]);
        if (turn > 0.0 && turn < 180.0)
            ++clockwise;
        else if (turn > 180.0)
            ++counter;
    }
    const bool increasing = clockwise >= counter;
    for (std::size_t i = 0; i < count; ++i)
    {
        const double start = inStartAngles[i];
        const double next = count == 1 ? start + (increasing ? 360.0 : -360.0) : inStartAngles[(i + 1) % count];
        if (!std::isfinite(start) || !std::isfinite(next))
            continue;
        // A lone row covers the whole circle.
        if (increasing ? (count == 1 || Turn(start, inAzimuth) < Turn(start, next))
                       : (count == 1 || Turn(next, inAzimuth) < Turn(next, start)))
            return int(i);
    }
    return -1;
}

std::vector<const char*> WxStormIcons(const CxString& inMeso, const CxString& inTVS, double inHailSize)
{
    std::vector<const char*> icons;
    bool meso = false;
    if (inMeso.Length() > 3)
        meso = inMeso == "MESO";
    else if (inMeso != "NONE")
    {
        const CxSint32 rank = inMeso.AsSint32();
        meso = rank >= 5 && rank <= 25;
    }
    if (meso)
        icons.push_back("WxStormMesocyclone");
    if (inTVS != "NONE")
        icons.push_back(inTVS == "ETVS" ? "WxStormElevatedRotation" : "WxStormEnhancedRotation");
    else if (inHailSize > 0.0)
        icons.push_back(inHailSize < 1.0 ? "WxStormHail1" : inHailSize < 2.0 ? "WxStormHail2" : "WxStormHail3");
    else if (!meso)
        icons.push_back("x");
    return icons;
}

double WxBeamHeight(double inRangeKm, double inTiltDegrees, double inElevationMetres)
{
    if (!(inTiltDegrees > 0.0))
        return std::nan("");
    constexpr double kEarthRadius = 8494.667;
    constexpr double kEarthRadiusSquared = 72159367.44088899;
    const double sine = std::sin(inTiltDegrees * std::numbers::pi / 180.0);
    return std::sqrt(inRangeKm * inRangeKm + kEarthRadiusSquared + 2.0 * inRangeKm * kEarthRadius * sine) -
           kEarthRadius + inElevationMetres / 1000.0;
}

namespace
{

constexpr char kElement[] = "radar";

bool IsClearAirPattern(CxSint32 inVcp)
{
    return inVcp == 31 || inVcp == 32;
}

double FirstValue(const DxFloatField* inField)
{
    return inField != nullptr && !inField->empty() ? inField->front() : std::nan("");
}

} // namespace

WxRadar::WxRadar(WxMap* inMap, const XmlElement* inXml) : WxProduct(inMap), mToggles(mColorTable.size(), 1)
{
    mName = CxString("Radar");
    mToggledColors.clear();
    WxStartClient(*this, inMap);
    if (inXml != nullptr)
        WxProduct::Internalize(inXml);
}

WxRadar::~WxRadar()
{
    Detach();
}

WxProduct* WxRadar::Make(WxMap* inMap, const XmlElement* inXml)
{
    return new WxRadar(inMap, inXml);
}

void WxRadar::SetClientInfo(const DxNidsSite& inSite, const DxNidsProduct& inProduct)
{
    if (Site() == inSite && Product() == inProduct && IsSubscriptionValid())
        return;
    SetSite(inSite);
    SetProduct(inProduct);
    RefreshClient();
    AcceptFrame(nullptr);
    if (!inProduct.Unit().IsCompatibleWith(mDisplayUnit))
        mDisplayUnit = inProduct.Unit();
    mRingList.InvalidateDisplayList();
    mImageList.InvalidateDisplayList();
    ProductChanged();
}

void WxRadar::SetDisplayUnit(const DxUnit& inUnit)
{
    if (inUnit.Id() == mDisplayUnit.Id())
        return;
    mDisplayUnit = inUnit;
    ProductChanged();
}

void WxRadar::SetDrawStorms(bool inDraw)
{
    if (inDraw == mDrawStorms)
        return;
    mDrawStorms = inDraw;
    ProductChanged();
}

void WxRadar::SwapClearAir(bool inLikePrecip)
{
    const GxColorTable clearAir(kGxNidsReflectivityColors16ClearAir);
    const GxColorTable likePrecip(kGxNidsReflectivityColors16ClearAirLikePrecip);
    mColorTable = inLikePrecip ? likePrecip : clearAir;
}

void WxRadar::SetClearAirLikePrecip(bool inLikePrecip)
{
    if (inLikePrecip == mClearAirLikePrecip)
        return;
    mClearAirLikePrecip = inLikePrecip;
    if (GetNidsType() != 1)
        return;
    if (IsClearAirPattern(GetVCP()) && mColorTable.size() < 17)
        SwapClearAir(inLikePrecip);
    if (mColorTable.size() < 17)
    {
        BuildToggledColors();
        SetColorTable(GxColorTable(mToggledColors), true);
    }
    ProductChanged();
}

void WxRadar::SetColorTable(const GxColorTable& inColors, bool inRedraw)
{
    DxIndexedImage* image = IndexedImage();
    if (image == nullptr)
        return;
    image->AcceptColorTable(inColors);
    mImageList.InvalidateDisplayList();
    if (inRedraw)
        ProductChanged();
    else
        ProductDataChanged();
}

GxColorTable WxRadar::GetColorTable() const
{
    const DxIndexedImage* image = IndexedImage();
    if (image == nullptr)
        return GxColorTable(kGxNidsReflectivityColors16Green);
    GxColorTable palette = image->GetColors();
    return palette.size() < 17 ? mToggledColors : palette;
}

void WxRadar::ResetColors()
{
    DxIndexedImage* image = IndexedImage();
    if (image == nullptr)
        return;
    image->AcceptColorTable(mColorTable);
    mImageList.InvalidateDisplayList();
    ProductChanged();
}

void WxRadar::BuildToggledColors()
{
    mToggledColors = mColorTable;
    for (std::size_t i = 0; i < mToggledColors.size() && i < mToggles.size(); ++i)
        mToggledColors[i].mAlpha *= mToggles[i];
}

void WxRadar::ToggleColorByIndex(short inIndex)
{
    if (inIndex < 0 || std::size_t(inIndex) >= mToggles.size())
        return;
    mToggles[std::size_t(inIndex)] = mToggles[std::size_t(inIndex)] != 0 ? 0 : 1;
    BuildToggledColors();
    SetColorTable(GxColorTable(mToggledColors), true);
}

void WxRadar::ToggleAllColors(short inIndex)
{
    if (inIndex < 0 || std::size_t(inIndex) >= mToggles.size())
        return;
    const unsigned char inverse = mToggles[std::size_t(inIndex)] != 0 ? 0 : 1;
    std::fill(mToggles.begin(), mToggles.end(), inverse);
    BuildToggledColors();
    SetColorTable(GxColorTable(mToggledColors), true);
}

bool WxRadar::ColorsToggled() const
{
    return std::find(mToggles.begin(), mToggles.end(), 0) != mToggles.end();
}

double WxRadar::GetValueFromPosition(const GxPosition& inPosition) const
{
    const DxIndexedImage* image = IndexedImage();
    if (image == nullptr || image->Projection() == nullptr)
        return std::nan("");
    const GxPoint point = image->Projection()->Project(inPosition);
    const DxFloatField* angles = image->FindFloatField(CxString("radialAngle"));
    if (angles == nullptr)
        return double(image->GetPixelFromPoint(point));
    const double range = std::hypot(point.mX, point.mY);
    double azimuth = 90.0 - std::atan2(point.mY, point.mX) * 180.0 / std::numbers::pi;
    if (azimuth < 0.0)
        azimuth += 360.0;
    const int radial = WxFindRadial(*angles, azimuth);
    if (radial < 0 || !std::isfinite(range))
        return std::nan("");
    return double(image->GetPixelFromAzRan(GxPoint(range, radial)));
}

double WxRadar::GetBeamHeight(double inRangeKm) const
{
    const DxImage* image = Image();
    if (image == nullptr)
        return std::nan("");
    return WxBeamHeight(inRangeKm, FirstValue(image->FindFloatField(CxString("degreeTilt"))),
                        FirstValue(image->FindFloatField(CxString("elevation"))));
}

void WxRadar::OnInternalize(const XmlElement* inXml)
{
    CxAssertText(inXml != nullptr, "inXml != nil");
    if (inXml == nullptr)
        return;
    CxAssert(inXml->Name() == kElement);
    SetSet(DxSet::FindOrCreateSet(inXml->GetAttribute("dataset"), 3));
    ReadCommonAttributes(inXml, true);
    SetClearAirLikePrecip(inXml->GetAttribute("clearAirLikePrecip").AsBool());
    SetSite(DxNidsSite(inXml->GetAttribute("site"), CxString()));
    // A set of another kind, or none, has no radar manager: the product keeps just its id.
    const DxNidsProduct wanted(inXml->GetAttribute("product"), CxString(), CxString(), DxUnit());
    DxNidsManager* manager = Set() != nullptr ? Set()->NidsManager() : nullptr;
    SetProduct(manager != nullptr ? manager->FindNidsProduct(wanted) : wanted);
    mDisplayUnit = DxUnit(inXml->GetAttribute("unit"));
    if (const XmlElement* toggled = inXml->FindElement(CxString("toggled")))
        for (const XmlElement* color : toggled->GetElements())
            if (color->Name() == "color")
                ToggleColorByIndex(short(std::clamp(color->GetAttribute("index").AsSint32(), -1, 32767)));
    SetDrawStorms(inXml->GetAttribute("storms").AsBool());
    RefreshClient();
}

void WxRadar::OnExternalize(XmlBuilder& ioBuilder) const
{
    ioBuilder.Begin(CxString(kElement));
    WriteCommonAttributes(ioBuilder);
    ioBuilder.Attribute("dataset", Set() != nullptr ? Set()->Id() : CxString());
    ioBuilder.Attribute("site", Site().Id());
    ioBuilder.Attribute("product", Product().Id());
    ioBuilder.Attribute("unit", mDisplayUnit.Id());
    ioBuilder.Attribute("storms", CxString(mDrawStorms ? "true" : "false"));
    ioBuilder.Attribute("clearAirLikePrecip", CxString(mClearAirLikePrecip ? "true" : "false"));
    WriteDataFlags(ioBuilder);
    if (ColorsToggled())
    {
        ioBuilder.Begin(CxString("toggled"));
        for (std::size_t i = mToggles.size(); i-- > 0;)
            if (mToggles[i] == 0)
            {
                ioBuilder.Begin(CxString("color"));
                ioBuilder.Attribute("index", CxString(CxUint32(i)));
                ioBuilder.End(CxString("color"));
            }
        ioBuilder.End(CxString("toggled"));
    }
    ioBuilder.End(CxString(kElement));
}

void WxRadar::OnDatesChanged(const CxDate& inStart, const CxDate& inEnd)
{
    WxForwardDates(*this, inStart, inEnd);
}

void WxRadar::OnDateChanged(const CxDate& inDate)
{
    WxForwardDate(*this, inDate);
}

void WxRadar::OnIntervalChanged(CxSint64 inSeconds)
{
    WxForwardInterval(*this, inSeconds);
}

void WxRadar::OnProjectionChanged()
{
    mImageList.InvalidateDisplayList();
    mRingList.InvalidateDisplayList();
    InvalidateDisplayList();
}

bool WxRadar::OnIsReadyToDraw() const
{
    return !WaitingForData();
}

bool WxRadar::OnGetAttributesFromPosition(const GxPosition& inPosition, CxStringList& outNames,
                                          CxStringList& outValues) const
{
    outNames.clear();
    outValues.clear();
    const DxImage* image = Image();
    if (image == nullptr || image->Projection() == nullptr || image->FindFloatField(CxString("radialAngle")) == nullptr)
        return false;
    const GxPoint point = image->Projection()->Project(inPosition);
    const double range = std::hypot(point.mX, point.mY);
    const double height = GetBeamHeight(range);
    if (std::isnan(height))
        return true;
    const DxUnit mile(CxString("mile")), foot(CxString("foot"));
    const DxUnit km(CxString("km"));
    outNames.push_back(CxString("radarRange"));
    outValues.push_back(CxString(DxUnitConverter(km, mile).Convert(range), 0) + mile.Symbol());
    outNames.push_back(CxString("beamHeight"));
    outValues.push_back(CxString(DxUnitConverter(km, foot).Convert(height), 0) + foot.Symbol());
    return true;
}

WxInspector* WxRadar::OnCreateLegend()
{
    return new WxRadarLegend(this);
}

void WxRadar::OnTextureChanged()
{
    SetName(Site().Id() + CxString(" - ") + Product().Id());
    SetStatus(CxString());
    if (Image() != nullptr)
        SetStatusDate(FrameDate(), ShowsSeconds());
    if (const DxIndexedImage* image = IndexedImage())
    {
        mColorTable = image->GetColors();
        if (GetNidsType() == 1 && IsClearAirPattern(GetVCP()) && mClearAirLikePrecip &&
            mColorTable == GxColorTable(kGxNidsReflectivityColors16ClearAir))
            SwapClearAir(true);
        if (mColorTable.size() < 17)
        {
            BuildToggledColors();
            SetColorTable(GxColorTable(mToggledColors), false);
        }
    }
    mRingList.InvalidateDisplayList();
    mImageList.InvalidateDisplayList();
    ProductDataChanged();
}

void WxRadar::OnSetChanged()
{
    WxForwardSetChanged(mMap);
}

void WxRadar::OnAuthenticationChanged()
{
    WxForwardAuthentication(*this, *this);
}
