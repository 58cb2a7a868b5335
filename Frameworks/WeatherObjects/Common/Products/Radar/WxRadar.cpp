#include "WxRadar.h"

#include "WxClientKit.h"
#include "WxDrawSupport.h"

#include "CxDebug.h"
#include "DxImage.h"
#include "DxNidsManager.h"
#include "DxSet.h"
#include "FxMouseEvent.h"
#include "GxContext.h"
#include "GxFont.h"
#include "GxProjection.h"
#include "GxString.h"
#include "GxSymbol.h"
#include "GxTexture.h"
#include "WxDrape.h"
#include "WxMap.h"
#include "WxSeries.h"
#include "WxValues.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string_view>
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

DxIndexedImage* WxRadar::IndexedImage() const
{
    return dynamic_cast<DxIndexedImage*>(Image());
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

void WxRadar::DrawImage(GxContext& ioContext)
{
    // Hidden colours are transparent and the product's alpha fades the whole image.
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4d(1.0, 1.0, 1.0, Alpha());
    if (mImageList.IsDisplayListValid())
        mImageList.DrawList();
    else if (DxImage* image = Image(); image != nullptr && mMap != nullptr && mMap->Projection() != nullptr)
    {
        mTexture = std::make_unique<GxTexture>(image->CountComponents());
        mTexture->SetWidth(image->Width());
        mTexture->SetHeight(image->Height());
        mTexture->CreateTiles(image->GetMesh());
        mTexture->SetTextureBuffer(image->GetTextureBuffer());
        mTexture->GenTextures(ioContext);
        mImageList.BeginDisplayList();
        const std::vector<GxPoint> points = WxDrapeTexture(*mTexture, *mMap->Projection());
        mImageList.EndDisplayList();
        WxBoundsOfPoints(points, mBounds);
    }
    glPopAttrib();
}

void WxRadar::DrawTiles(GxContext&)
{
    if (mTexture == nullptr || mMap == nullptr || mMap->Projection() == nullptr)
        return;
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    WxDrapeTexture(*mTexture, *mMap->Projection());
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

void WxRadar::DrawRings(GxContext&)
{
    if (mRingList.IsDisplayListValid())
    {
        mRingList.DrawList();
        return;
    }
    DxNidsManager* manager = Set() != nullptr ? Set()->NidsManager() : nullptr;
    if (manager == nullptr || mMap == nullptr || mMap->Projection() == nullptr)
        return;
    double lat = std::nan(""), lon = std::nan("");
    const CxString site = Site().Id();
    manager->LockRegion();
    if (const DxTable* table = manager->Sites())
    {
        const DxStringField* ids = table->FindStringField(CxString("stid"));
        const DxFloatField* lats = table->FindFloatField(CxString("lat"));
        const DxFloatField* lons = table->FindFloatField(CxString("lon"));
        if (ids != nullptr && lats != nullptr && lons != nullptr)
            for (std::size_t i = 0; i < ids->size() && i < lats->size() && i < lons->size(); ++i)
                if ((*ids)[i] == site)
                {
                    lat = (*lats)[i];
                    lon = (*lons)[i];
                    break;
                }
    }
    manager->UnlockRegion();
    if (!std::isfinite(lat) || !std::isfinite(lon))
        return;
    const GxPosition centre = GxPosition().FromDegrees(lon, lat);
    const GxOrthographicProjection local(centre);
    const GxProjection& map = *mMap->Projection();
    mRingList.BeginDisplayList();
    const double grey = mMap->Color().Brightness() <= 0.6 ? 1.0 : 0.0;
    glColor4d(grey, grey, grey, Alpha() / 2.0);
    glEnable(GL_LINE_SMOOTH);
    const GxPoint mark = map.Project(centre);
    glBegin(GL_LINES);
    glVertex2d(mark.mX - 1.0, mark.mY - 1.0);
    glVertex2d(mark.mX + 1.0, mark.mY + 1.0);
    glVertex2d(mark.mX - 1.0, mark.mY + 1.0);
    glVertex2d(mark.mX + 1.0, mark.mY - 1.0);
    glEnd();
    for (int ring = 1; ring <= 22; ++ring)
    {
        const double radius = 10.0 * ring;
        glBegin(GL_LINE_STRIP);
        for (int degree = 0; degree <= 360; ++degree)
        {
            const double theta = degree * std::numbers::pi / 180.0;
            const GxPoint p =
                map.Project(local.Unproject(GxPoint(-radius * std::cos(theta), -radius * std::sin(theta))));
            if (std::isfinite(p.mX) && std::isfinite(p.mY))
                glVertex2d(p.mX, p.mY);
        }
        glEnd();
    }
    glDisable(GL_LINE_SMOOTH);
    mRingList.EndDisplayList();
}

void WxRadar::DrawStormTexture(int inTexture, const GxPoint& inCentre, double inScale)
{
    glPushMatrix();
    glTranslated(inCentre.mX, inCentre.mY, 0.0);
    glScaled(inScale, inScale, inScale);
    if (inTexture > 0)
    {
        glBindTexture(GL_TEXTURE_2D, GLuint(inTexture));
        glBegin(GL_QUADS);
        for (const auto& [s, t, x, y] : {std::array{0, 1, -1, 1}, {1, 1, 1, 1}, {1, 0, 1, -1}, {0, 0, -1, -1}})
        {
            glTexCoord2d(s, t);
            glVertex2d(x, y);
        }
        glEnd();
    }
    glPopMatrix();
}

void WxRadar::DrawStormIcons(GxContext& ioContext)
{
    const DxImage* image = Image();
    const DxFloatField* lat = image != nullptr ? image->FindFloatField(CxString("stormLat")) : nullptr;
    const DxFloatField* lon = image != nullptr ? image->FindFloatField(CxString("stormLon")) : nullptr;
    if (lat == nullptr || lon == nullptr || mMap == nullptr || mMap->Projection() == nullptr)
        return;
    // Other fields missing or short read "NONE" and NaN.
    const auto text = [&](const char* inField, std::size_t inCell)
    {
        const DxStringField* field = image->FindStringField(CxString(inField));
        return field != nullptr && inCell < field->size() ? (*field)[inCell] : CxString("NONE");
    };
    const DxFloatField* hail = image->FindFloatField(CxString("stormHailSize"));
    GxColor colour = mMap->TextColor();
    colour.mAlpha *= Alpha();
    glEnable(GL_TEXTURE_2D);
    for (std::size_t i = 0, n = std::min(lat->size(), lon->size()); i < n; ++i)
    {
        const GxPoint point = mMap->Projection()->Project(GxPosition((*lon)[i], (*lat)[i]));
        if (!std::isfinite(point.mX) || !std::isfinite(point.mY))
            continue;
        glColor4d(colour.mRed, colour.mGreen, colour.mBlue, colour.mAlpha);
        const double size = hail != nullptr && i < hail->size() ? (*hail)[i] : std::nan("");
        for (const char* icon : WxStormIcons(text("stormMeso", i), text("stormTVS", i), size))
        {
            if (std::string_view(icon) == "x")
            {
                glDisable(GL_TEXTURE_2D);
                GxSymbol("x").Draw(ioContext, point, 1.5);
                glEnable(GL_TEXTURE_2D);
            }
            else
                DrawStormTexture(int(ioContext.GetTexture(CxString(icon), false)), point, 3.0);
        }
    }
    glDisable(GL_TEXTURE_2D);
}

void WxRadar::OnDrawProduct(GxContext& ioContext)
{
    if (Image() == nullptr)
        return;
    DrawImage(ioContext);
    if (mDrawStorms)
        DrawStormIcons(ioContext);
}

void WxRadar::OnDrawIcon(GxContext& ioContext)
{
    const GxColorTable colors = GetColorTable();
    const double alpha = Alpha() * (IsVisible() ? 1.0 : 0.2);
    const std::size_t count = colors.size();
    if (count <= 16)
    {
        glLineWidth(2.0f);
        glBegin(GL_LINES);
        for (std::size_t i = 0; i < count; ++i)
        {
            const GxColor& c = colors[i];
            glColor4d(c.mRed, c.mGreen, c.mBlue, alpha * c.mAlpha);
            glVertex2d(0.0, 2.0 * double(i));
            glVertex2d(32.0, 2.0 * double(i));
        }
        glEnd();
        if (mDrawStorms && mMap != nullptr)
        {
            const GxColor text = mMap->TextColor();
            glColor4d(text.mRed, text.mGreen, text.mBlue, text.mAlpha * alpha);
            glEnable(GL_TEXTURE_2D);
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
            for (const char* icon : {"WxStormMesocyclone", "WxStormEnhancedRotation"})
                DrawStormTexture(int(ioContext.GetTexture(CxString(icon), false)), GxPoint(16, 16), 14.0);
            glDisable(GL_TEXTURE_2D);
        }
        return;
    }
    auto stripe = [&](const GxColor& inColor, double inBottom, double inHeight)
    {
        glColor4d(inColor.mRed, inColor.mGreen, inColor.mBlue, alpha * inColor.mAlpha);
        glRectd(0.0, inBottom, 32.0, inBottom + inHeight);
    };
    if (count < 32)
    {
        const double height = 32.0 / double(count);
        for (std::size_t i = 1; i < count; ++i)
            stripe(colors[i], height * double(i - 1), height);
        return;
    }
    const std::size_t step = count / 32;
    for (std::size_t k = 1; k <= 31; ++k)
        stripe(colors[k * step], double(k - 1), 1.0);
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

// ---------------------------------------------------------------------------------------------------------------
// WxRadarLegend

namespace
{

void Outline(double inLeft, double inBottom, double inRight, double inTop)
{
    glBegin(GL_LINE_STRIP);
    glVertex2d(inLeft, inBottom);
    glVertex2d(inRight, inBottom);
    glVertex2d(inRight, inTop);
    glVertex2d(inLeft, inTop);
    glVertex2d(inLeft, inBottom);
    glEnd();
}

// A palette index for drawing: truncated into 0 to 255, 0 for NaN.
std::size_t IndexOf(double inValue)
{
    return std::isfinite(inValue) ? std::size_t(std::clamp(inValue, 0.0, 255.0)) : 0;
}

} // namespace

WxRadarLegend::WxRadarLegend(WxRadar* inRadar) : WxProductInspector(inRadar), mRadar(inRadar)
{
    CxAssertText(inRadar != nullptr, "inRadar != nil");
}

WxRadarLegend::~WxRadarLegend() = default;

double WxRadarLegend::TrackedIndex() const
{
    return mRadar->GetValueFromPosition(TrackPosition());
}

void WxRadarLegend::OnDraw(GxContext& ioContext, const CxRect& inBounds)
{
    const DxIndexedImage* image = dynamic_cast<DxIndexedImage*>(mRadar->Image());
    if (image == nullptr)
        return;
    if (image->FindField(CxString("dataLevel")) != nullptr)
        DrawColorBoxes(ioContext, inBounds);
    else
        DrawColorRamp(ioContext, inBounds);
}

void WxRadarLegend::DrawColorBoxes(GxContext& ioContext, const CxRect& inBounds)
{
    const DxImage* image = mRadar->Image();
    const GxColorTable colors = mRadar->GetColorTable();
    const std::size_t count = colors.size();
    // Without colours there are no boxes to size, nor boxes of an earlier frame to click.
    if (count == 0)
    {
        mColorCount = 0;
        return;
    }
    ioContext.PushAttribs();
    glPushMatrix();
    ioContext.LineWidth(1.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    mLegendRect = inBounds;
    const double a = Alpha();
    const double inkLevel = Color().Brightness() <= 0.6 ? 1.0 : 0.0;
    const GxColor ink(inkLevel, inkLevel, inkLevel, 1.0);

    std::vector<CxString> levels;
    if (const DxStringField* field = image->FindStringField(CxString("dataLevel")))
        levels.assign(field->begin(), field->end());
    if (count != mColorCount)
    {
        mLabels.clear();
        DeleteTextures(ioContext);
        mColorCount = count;
    }
    if (mLabels != levels)
        DeleteTextures(ioContext);
    if (mGxStrings.empty())
    {
        mLabels.clear();
        GxFont titleFont(0, 9), labelFont(0, 8);
        auto* title = new GxString(mRadar->NidsUnit().Name(), &titleFont);
        title->Texture(ioContext);
        mGxStrings.push_back(title);
        mLabelWidth = 0.0;
        for (const CxString& level : levels)
        {
            auto* label = new GxString(level, &labelFont);
            label->Texture(ioContext);
            mLabelWidth = std::max(mLabelWidth, double(label->Width()));
            mGxStrings.push_back(label);
        }
        mLabels = levels;
    }

    const double width = inBounds.Width();
    const double height = inBounds.Height();
    const double column = height - 20.0;
    const double h = column / double(count);
    double w = width * 0.25;
    double x = std::floor(width * 0.375);
    if (mRadar->GetDrawStorms())
    {
        w = (width - 100.0) * 0.25;
        x = std::floor((width - 92.0) * 0.5);
        if (x + w > width / 2.0)
            x = width / 2.0 - w;
    }
    mBoxRect = GxRect(x, 10.0, x + w, column + 10.0);
    glTranslated(x, 10.0, 0.0);
    glBegin(GL_QUADS);
    for (std::size_t i = 0; i < count; ++i)
    {
        WxGlColor(colors[i], colors[i].mAlpha * a);
        glVertex2d(0.0, double(i) * h);
        glVertex2d(w, double(i) * h);
        glVertex2d(w, double(i + 1) * h);
        glVertex2d(0.0, double(i + 1) * h);
    }
    glEnd();
    if (mRadar->GetDrawStorms())
    {
        // The key is 100 x 240 pixels at the bottom left of its 128 x 256 texture.
        const GLuint key = ioContext.GetTexture(CxString("WxStormLegend"), false);
        const double s = std::min(height / 240.0, 1.0);
        const double kw = 100.0 * s, kh = 240.0 * s;
        const double kx = w + std::floor((width - (x + w) - kw) / 2.0);
        const double ky = std::floor((height - kh) / 2.0) - 10.0;
        if (key > 0)
        {
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, key);
            glColor4d(1.0, 1.0, 1.0, 0.9 * a);
            glBegin(GL_QUADS);
            for (const auto& [u, v] : {std::array{0.0, 0.0}, {1.0, 0.0}, {1.0, 1.0}, {0.0, 1.0}})
            {
                glTexCoord2d(u * 0.78125, v * 0.9375);
                glVertex2d(kx + u * kw, ky + v * kh);
            }
            glEnd();
            glDisable(GL_TEXTURE_2D);
        }
    }
    WxGlColor(ink, a);
    for (std::size_t i = 0; i < count; ++i)
        Outline(0.0, double(i) * h, w, double(i + 1) * h);
    const double tracked = TrackedIndex();
    if (std::isfinite(TrackPosition().mLongitude) && std::isfinite(tracked))
    {
        const double y = tracked * h;
        Outline(1.0, y + 1.0, w - 1.0, y + h - 1.0);
        Outline(2.0, y + 2.0, w - 2.0, y + h - 2.0);
    }
    const std::vector<unsigned char> toggles = mRadar->ColorToggles();
    WxGlColor(ink, a * 0.3);
    glEnable(GL_LINE_SMOOTH);
    for (std::size_t i = 0; i < count && i < toggles.size(); ++i)
        if (toggles[i] == 0)
        {
            const double y = double(i) * h;
            glBegin(GL_LINE_STRIP);
            for (const auto& [px, py] : {std::pair{0.0, y}, {w, y + h}, {w, y}, {0.0, y + h}, {0.0, y}})
                glVertex2d(px, py);
            glEnd();
        }
    glDisable(GL_LINE_SMOOTH);

    WxGlColor(ink, a);
    glTranslated(-5.0, std::floor(h / 2.0), 0.0);
    const double labels = double(mGxStrings.size() - 1);
    for (std::size_t j = 1; j < mGxStrings.size(); ++j)
    {
        mGxStrings[j]->SetPosition(0.375, std::floor(((double(count) - labels) / 2.0 + double(j - 1)) * h + 0.375));
        mGxStrings[j]->Draw(ioContext, kGxHAlignRight, kGxVAlignCenter);
    }
    glPushMatrix();
    glTranslated(-4.0 - mLabelWidth + 0.375, std::floor(column / 2.0 - 10.0) + 0.375, 0.0);
    glRotated(90.0, 0.0, 0.0, 1.0);
    mGxStrings.front()->SetPosition(0.0, 0.0);
    mGxStrings.front()->Draw(ioContext, kGxHAlignCenter, kGxVAlignBottom);
    glPopMatrix();
    glPopMatrix();
    ioContext.PopAttribs();
}

void WxRadarLegend::DrawColorRamp(GxContext& ioContext, const CxRect& inBounds)
{
    const DxImage* image = mRadar->Image();
    const DxFloatField* units = image->FindFloatField(CxString("units"));
    const DxFloatField* tracking = image->FindFloatField(CxString("tracking"));
    const GxColorTable colors = mRadar->GetColorTable();
    if (units == nullptr || tracking == nullptr || colors.empty())
        return;
    DeleteTextures(ioContext);
    const DxUnit dataUnit = units->Unit();
    double minimum = dataUnit.Id() == "mps" ? -34.0 : 0.0;
    double maximum = dataUnit.Id() == "mps" ? 34.0 : 75.0;
    if (const DxFloatField* range = image->FindFloatField(CxString("dataRange"));
        range != nullptr && range->size() == 2)
    {
        minimum = (*range)[0];
        maximum = (*range)[1];
    }
    const DxUnit display = mRadar->GetDisplayUnit().Id() == "nada" ? dataUnit : mRadar->GetDisplayUnit();
    const DxUnitConverter converter(dataUnit, display);

    ioContext.PushAttribs();
    glPushMatrix();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const double a = Alpha();
    const double inkLevel = Color().Brightness() <= 0.6 ? 1.0 : 0.0;
    const GxColor ink(inkLevel, inkLevel, inkLevel, 1.0);
    const double width = inBounds.Width();
    const double ramp = inBounds.Height() - 20.0;
    const double rampWidth = width * 0.25;
    const double row = ramp / double(colors.size());
    glTranslated(std::floor(width * 0.375), 10.0, 0.0);
    glBegin(GL_QUADS);
    for (std::size_t i = 0; i < colors.size(); ++i)
    {
        WxGlColor(colors[i], colors[i].mAlpha * a);
        glVertex2d(0.0, double(i) * row);
        glVertex2d(rampWidth, double(i) * row);
        glVertex2d(rampWidth, double(i + 1) * row);
        glVertex2d(0.0, double(i + 1) * row);
    }
    glEnd();
    ioContext.LineWidth(1.0f);
    WxGlColor(ink, 0.5);
    Outline(0.0, -1.0, rampWidth, ramp);
    const std::size_t index = IndexOf(TrackedIndex());
    glRectd(0.0, double(index) * row, rampWidth + 4.0, double(index + 1) * row);

    WxSeriesAxis axis;
    axis.SetMin(converter.Convert(minimum));
    axis.SetMax(converter.Convert(maximum));
    axis.SetUnit(display);
    axis.Build(CxRect(inBounds.left, inBounds.top, CxSint16(inBounds.left + 3), CxSint16(inBounds.top + ramp)));
    GxColor axisBackground = Color();
    axisBackground.mAlpha *= a;
    axis.Draw(ioContext, axisBackground, true, true);

    if (index < tracking->size())
    {
        GxFont font(0, 8);
        auto* text = new GxString(CxString(converter.Convert((*tracking)[index]), int(axis.Decimals()) + 1), &font);
        text->Texture(ioContext);
        text->SetPosition(rampWidth + 8.0 + 0.375, std::trunc(double(index) * row) + 0.375);
        text->SetDepth(0.0);
        mGxStrings.push_back(text);
        WxGlColor(ink, a);
        text->Draw(ioContext, kGxHAlignLeft, kGxVAlignCenter);
    }
    glPopMatrix();
    ioContext.PopAttribs();
}

void WxRadarLegend::OnMouseDown(const FxMouseEvent& inEvent)
{
    if (const DxIndexedImage* image = dynamic_cast<DxIndexedImage*>(mRadar->Image());
        image != nullptr && image->GetColors().size() > 16)
        return;
    if (mColorCount == 0 || !(mBoxRect.Height() > 0.0))
        return;
    const GxPoint point(inEvent.mWhere.h, double(mLegendRect.Height()) - inEvent.mWhere.v);
    const double q = (point.mY - mBoxRect.mBottom) / (mBoxRect.Height() / double(mColorCount));
    // Doubles become indices only when finite and in range.
    if (!std::isfinite(q) || q <= -32768.0 || q >= 32768.0)
        return;
    const auto index = short(std::trunc(q));
    if ((inEvent.mModifiers & FxMouseEvent::kCommand) != 0)
        mRadar->ToggleAllColors(index);
    else if (point.IsInside(mBoxRect))
        mRadar->ToggleColorByIndex(index);
}

std::vector<WxStormCell> WxReadStormCells(const DxFrame& inFrame)
{
    std::vector<WxStormCell> cells;
    const DxFloatField* lat = inFrame.FindFloatField(CxString("stormLat"));
    const DxFloatField* lon = inFrame.FindFloatField(CxString("stormLon"));
    if (lat == nullptr || lon == nullptr)
        return cells;
    cells.resize(std::min(lat->size(), lon->size()));
    const auto text = [&](const char* inField, CxString WxStormCell::*outMember)
    {
        if (const DxStringField* field = inFrame.FindStringField(CxString(inField)))
            for (std::size_t i = 0; i < cells.size() && i < field->size(); ++i)
                cells[i].*outMember = (*field)[i];
    };
    const auto number = [&](const char* inField, double WxStormCell::*outMember)
    {
        if (const DxFloatField* field = inFrame.FindFloatField(CxString(inField)))
            for (std::size_t i = 0; i < cells.size() && i < field->size(); ++i)
                cells[i].*outMember = (*field)[i];
    };
    for (std::size_t i = 0; i < cells.size(); ++i)
        cells[i].mPosition = GxPosition((*lon)[i], (*lat)[i]);
    text("stormId", &WxStormCell::mId);
    text("stormMeso", &WxStormCell::mMeso);
    text("stormTVS", &WxStormCell::mTVS);
    text("stormHailString", &WxStormCell::mHailString);
    number("stormSevereHail", &WxStormCell::mSevereHail);
    number("stormHail", &WxStormCell::mHail);
    number("stormHailSize", &WxStormCell::mHailSize);
    number("stormVIL", &WxStormCell::mVIL);
    number("stormMaxRef", &WxStormCell::mMaxRef);
    number("stormMaxRefHeight", &WxStormCell::mMaxRefHeight);
    number("stormTop", &WxStormCell::mTop);
    number("stormFcstDir", &WxStormCell::mDirection);
    number("stormFcstSpeed", &WxStormCell::mKnots);
    return cells;
}

int WxNearestStorm(const std::vector<WxStormCell>& inCells, const GxProjection& inProjection,
                   const GxPosition& inTracking, double& outDistance)
{
    outDistance = std::nan("");
    const GxPoint tracking = inProjection.Project(inTracking);
    if (!std::isfinite(tracking.mX) || !std::isfinite(tracking.mY))
        return -1;
    int nearest = -1;
    double best = 9.9e100;
    for (std::size_t i = 0; i < inCells.size(); ++i)
    {
        const GxPoint point = inProjection.Project(inCells[i].mPosition);
        const double distance = std::hypot(point.mX - tracking.mX, point.mY - tracking.mY);
        if (distance < best)
        {
            best = distance;
            nearest = int(i);
        }
    }
    if (nearest >= 0)
        outDistance = best;
    return nearest;
}

std::array<CxString, 6> WxStormLines(const WxStormCell& inCell)
{
    const auto symbol = [](const char* inUnit) { return DxUnit(CxString(inUnit)).Symbol(); };
    std::array<CxString, 6> lines;
    CxString& id = lines[0];
    id = inCell.mId;
    const bool tvs = inCell.mTVS != "NONE", meso = inCell.mMeso != "NONE";
    if (tvs || meso)
    {
        id += CxString(" (");
        if (tvs)
            id += inCell.mTVS;
        if (meso)
        {
            if (tvs)
                id += CxString(", ");
            if (inCell.mMeso.Length() > 3)
                id += inCell.mMeso;
            else
                id += CxString(inCell.mMeso.AsSint32() < 5 ? "MDA: " : "MESO: ") + inCell.mMeso;
        }
        id += CxString(")");
    }
    lines[1] = CxString(inCell.mSevereHail, 0) + CxString("%, ") + CxString(inCell.mHail, 0) + CxString("%, ") +
               inCell.mHailString + CxString(inCell.mHailSize, 2) + CxString("in");
    lines[2] = CxString(inCell.mVIL, 0) + CxString(" ") + symbol("kgm2");
    lines[3] = CxString(inCell.mTop, 1) + CxString(" ") + symbol("kft");
    lines[4] = CxString(inCell.mMaxRef, 0) + symbol("dBZ") + CxString(" at ") + CxString(inCell.mMaxRefHeight, 1) +
               CxString(" ") + symbol("kft");
    if (std::isnan(inCell.mDirection) || std::isnan(inCell.mKnots))
        lines[5] = CxString("Unknown");
    else
    {
        const double mph =
            DxUnitConverter(DxUnit(CxString("kmph")), DxUnit(CxString("mph"))).Convert(WxStormHourKm(inCell.mKnots));
        lines[5] =
            CxString(inCell.mDirection, 0) + symbol("degr") + CxString(" at ") + CxString(mph, 0) + symbol("mph");
    }
    return lines;
}

double WxStormHourKm(double inKnots)
{
    // A knot is one nautical mile, 1.852 km, an hour.
    return inKnots * 1.852;
}

GxPoint WxStormTooltipOffset(double inDirection, double inWidth, double inHeight)
{
    int quadrant = 0;
    if (std::isfinite(inDirection) && std::abs(inDirection) < 1e9)
    {
        int k = int(inDirection) - 180;
        if (k < 0)
            k += 360;
        quadrant = k / 90 + 1;
    }
    switch (quadrant)
    {
    case 1:
        return GxPoint(-20.0 - inWidth, -20.0 - inHeight);
    case 2:
        return GxPoint(-20.0 - inWidth, 20.0);
    case 3:
        return GxPoint(20.0, 20.0);
    case 4:
        return GxPoint(20.0, -20.0 - inHeight);
    default:
        return GxPoint(-inWidth / 2.0, -20.0 - inHeight);
    }
}

WxPopup* WxRadar::OnCreatePopup()
{
    return new WxRadarPopup(this);
}

WxRadarPopup::WxRadarPopup(WxRadar* inRadar) : mRadar(inRadar) {}

WxRadarPopup::~WxRadarPopup() = default;

bool WxRadarPopup::ShouldInvalidate() const
{
    const DxImage* image = mRadar->Image();
    return mRadar->GetDrawStorms() && mRadar->IsVisible() && image != nullptr &&
           image->FindFloatField(CxString("stormLat")) != nullptr;
}

void WxRadarPopup::OnDraw(GxContext& ioContext)
{
    if (mRadar->GetDrawStorms() && mRadar->IsVisible())
        DrawStorms(ioContext);
}

void WxRadarPopup::DrawStorms(GxContext& ioContext)
{
    const DxImage* image = mRadar->Image();
    const WxMap* map = mRadar->Map();
    if (image == nullptr || map == nullptr || map->Projection() == nullptr)
        return;
    GxFont font(CxUint32(0), 9);
    if (mLabels.IsEmpty())
        for (const char* label : {"id:", "hail:", "vil:", "top:", "max:", "dir:"})
            mLabels.AddString(ioContext, CxString(label), &font);
    const std::vector<WxStormCell> cells = WxReadStormCells(*image);
    double distance = 0.0;
    const int nearest = WxNearestStorm(cells, *map->Projection(), map->TrackingPosition(), distance);
    if (nearest < 0 || !(map->Scale() * distance < 80.0))
        return;
    const WxStormCell& cell = cells[std::size_t(nearest)];
    const CxString key = CxString("id: ") + cell.mId;
    if (key != mKey || mValues.IsEmpty())
    {
        mKey = key;
        mValues.Clear();
        for (const CxString& line : WxStormLines(cell))
            mValues.AddString(ioContext, line, &font);
        ++mRebuilds;
    }
    const GxPoint point = map->Projection()->Project(cell.mPosition);
    DrawStormProjection(ioContext, point, cell);
    DrawTooltip(ioContext, point, cell.mDirection);
}

void WxRadarPopup::DrawStormProjection(GxContext&, const GxPoint& inPoint, const WxStormCell& inCell)
{
    const WxMap* map = mRadar->Map();
    if (std::isnan(inCell.mDirection) || std::isnan(inCell.mKnots) || map == nullptr || map->Projection() == nullptr)
        return;
    const double d = WxStormHourKm(inCell.mKnots);
    const double track = map->Projection()
                             ->Project(GxVector::FromMagnitudeAndDegrees(d, inCell.mDirection), inCell.mPosition)
                             .DirectionAsDegrees();
    if (!std::isfinite(track) || !std::isfinite(inPoint.mX) || !std::isfinite(inPoint.mY))
        return;
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_LINE_SMOOTH);
    glLineWidth(1.0f);
    glPushMatrix();
    glTranslated(inPoint.mX, inPoint.mY, 0.0);
    glRotated(-track, 0.0, 0.0, 1.0);
    glScaled(-d, -d, -d);
    const bool dark = map->Color().Brightness() <= 0.6;
    const double shade = dark ? 1.0 : 0.0, line = dark ? 0.0 : 1.0;
    const double a = std::asin(-std::numbers::pi / 12.0);
    const auto arc = [](double inRadius, double inDegrees)
    {
        const double theta = inDegrees * std::numbers::pi / 180.0;
        return GxPoint(inRadius * std::sin(theta), inRadius * std::cos(theta) - 1.0);
    };
    const auto wedge = [&](double inRadius, bool inFill)
    {
        glColor4d(inFill ? shade : line, inFill ? shade : line, inFill ? shade : line, inFill ? 0.3 : 1.0);
        glVertex2d(a, 0.0);
        if (inFill)
            glColor4d(shade, shade, shade, 0.15);
        for (int theta = -15; theta <= 14; ++theta)
        {
            const GxPoint p = arc(inRadius, theta);
            glVertex2d(p.mX, p.mY);
        }
        if (inFill)
            glColor4d(shade, shade, shade, 0.3);
        glVertex2d(-a, 0.0);
        glVertex2d(a, 0.0);
    };
    glBegin(GL_POLYGON);
    wedge(2.0, true);
    glEnd();
    glBegin(GL_LINE_STRIP);
    wedge(2.0, false);
    glEnd();
    // Five-minute marks, fading towards the edges and the hour.
    for (int i = 1; i <= 11; ++i)
    {
        glBegin(GL_LINE_STRIP);
        for (int theta = -15; theta <= 14; ++theta)
        {
            glColor4d(line, line, line, (1.0 - std::abs(theta) / 15.0) * (12 - i) / 10.0);
            const GxPoint p = arc(1.0 + i / 12.0, theta);
            glVertex2d(p.mX, p.mY);
        }
        glEnd();
    }
    glLineWidth(2.0f);
    glBegin(GL_LINES);
    glColor4d(line, line, line, 1.0);
    glVertex2d(0.0, 0.0);
    glColor4d(line, line, line, 0.07);
    glVertex2d(0.0, 1.0);
    glEnd();
    glLineWidth(1.0f);
    glPopMatrix();
    glPopAttrib();
}

void WxRadarPopup::DrawTooltip(GxContext& ioContext, const GxPoint& inPoint, double inDirection)
{
    double labelWidth = 0.0, valueWidth = 0.0, labelHeight = 0.0, valueHeight = 0.0;
    for (const GxString* s : mLabels)
    {
        labelWidth = std::max(labelWidth, double(s->Width()));
        labelHeight += s->Height() + 3.0;
    }
    for (const GxString* s : mValues)
    {
        valueWidth = std::max(valueWidth, double(s->Width()));
        valueHeight += s->Height() + 3.0;
    }
    const double width = labelWidth + valueWidth + 10.0 + 15.0;
    const double height = std::max(labelHeight, valueHeight) + 5.0;
    double modelView[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    double wx = 0, wy = 0, wz = 0;
    if (gluProject(inPoint.mX, inPoint.mY, 0.0, modelView, projection, viewport, &wx, &wy, &wz) != GL_TRUE ||
        !std::isfinite(wx) || !std::isfinite(wy))
        return;
    GxRect b(0.0, 0.0, width, height);
    const GxPoint offset = WxStormTooltipOffset(inDirection, width, height);
    b.Offset(std::floor(wx) + offset.mX, std::floor(wy) + offset.mY);
    const double vLeft = viewport[0], vBottom = viewport[1];
    const double vRight = vLeft + viewport[2], vTop = vBottom + viewport[3];
    if (b.mRight > vRight - 10.0)
        b.Offset(vRight - b.mRight - 10.0, 0.0);
    if (b.mLeft < vLeft + 10.0)
        b.Offset(vLeft - b.mLeft + 10.0, 0.0);
    if (b.mBottom < vBottom + 10.0)
        b.Offset(0.0, vBottom - b.mBottom + 10.0);
    if (b.mTop > vTop - 10.0)
        b.Offset(0.0, vTop - b.mTop - 10.0);
    // The pointer leaves the side facing the cell.
    const GxPoint tip(wx, wy);
    const GxPoint pinned = tip.Pin(b);
    GxPoint baseA, baseB;
    if (pinned.mY == b.mTop || pinned.mY == b.mBottom)
    {
        const double x = std::clamp(pinned.mX, b.mLeft + 10.0, b.mRight - 10.0);
        baseA = GxPoint(x - 10.0, pinned.mY);
        baseB = GxPoint(x + 10.0, pinned.mY);
    }
    else
    {
        const double y = std::clamp(pinned.mY, b.mBottom + 10.0, b.mTop - 10.0);
        baseA = GxPoint(pinned.mX, y - 10.0);
        baseB = GxPoint(pinned.mX, y + 10.0);
    }

    ioContext.Begin2D();
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glTranslated(-viewport[0], -viewport[1], 0.0);
    const auto quad = [](const GxRect& inRect)
    {
        glBegin(GL_QUADS);
        glVertex2d(inRect.mLeft, inRect.mBottom);
        glVertex2d(inRect.mRight, inRect.mBottom);
        glVertex2d(inRect.mRight, inRect.mTop);
        glVertex2d(inRect.mLeft, inRect.mTop);
        glEnd();
    };
    glColor4d(0.0, 0.0, 0.0, 0.4);
    GxRect shadow = b;
    shadow.Offset(6.0, -6.0);
    quad(shadow);
    glColor4d(1.0, 1.0, 0.9, 1.0);
    quad(b);
    glBegin(GL_TRIANGLES);
    glVertex2d(baseA.mX, baseA.mY);
    glVertex2d(tip.mX, tip.mY);
    glVertex2d(baseB.mX, baseB.mY);
    glEnd();
    glColor4d(0.0, 0.0, 0.0, 1.0);
    glBegin(GL_LINE_LOOP);
    glVertex2d(b.mLeft, b.mBottom);
    glVertex2d(b.mRight, b.mBottom);
    glVertex2d(b.mRight, b.mTop);
    glVertex2d(b.mLeft, b.mTop);
    glEnd();
    glBegin(GL_LINE_STRIP);
    glVertex2d(baseA.mX, baseA.mY);
    glVertex2d(tip.mX, tip.mY);
    glVertex2d(baseB.mX, baseB.mY);
    glEnd();

    glTranslated(std::floor(b.mLeft + 5), std::floor(b.mBottom + 5), 0.0);
    const struct
    {
        const GxStringBunch& mStrings;
        double mX;
        double mAlpha;
        GxHAlign mAlign;
    } columns[] = {{mValues, labelWidth + 5, 1.0, kGxHAlignLeft}, {mLabels, labelWidth, 0.7, kGxHAlignRight}};
    for (const auto& column : columns)
    {
        glPushMatrix();
        glTranslated(0.375 + column.mX, 0.375, 0.0);
        glColor4d(0.0, 0.0, 0.0, column.mAlpha);
        std::vector<GxString*> strings(column.mStrings.begin(), column.mStrings.end());
        for (auto s = strings.rbegin(); s != strings.rend(); ++s)
        {
            (*s)->SetPosition(0.0, 0.0);
            (*s)->Draw(ioContext, column.mAlign, kGxVAlignBottom);
            glTranslated(0.0, (*s)->Height() + 3.0, 0.0);
        }
        glPopMatrix();
    }
    glPopAttrib();
    ioContext.End2D();
}
