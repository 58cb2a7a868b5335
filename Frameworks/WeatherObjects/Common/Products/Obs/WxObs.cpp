#include "WxObs.h"

#include "WxClientKit.h"
#include "WxDrawSupport.h"

#include "CxDebug.h"
#include "DxFrame.h"
#include "DxObsManager.h"
#include "DxSet.h"
#include "GxContext.h"
#include "GxProjection.h"
#include "WxMap.h"
#include "WxValues.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>

namespace
{

constexpr std::uint32_t kPlaces = 9;
// The alignments of the nine places, from upper left row by row to lower right.
constexpr GxHAlign kPlaceH[kPlaces] = {kGxHAlignRight, kGxHAlignCenter, kGxHAlignLeft,
                                       kGxHAlignRight, kGxHAlignCenter, kGxHAlignLeft,
                                       kGxHAlignRight, kGxHAlignCenter, kGxHAlignLeft};
constexpr GxVAlign kPlaceV[kPlaces] = {kGxVAlignBottom,       kGxVAlignBottom,       kGxVAlignBottom,
                                       kGxVAlignAscentCenter, kGxVAlignAscentCenter, kGxVAlignAscentCenter,
                                       kGxVAlignTop,          kGxVAlignTop,          kGxVAlignTop};
// More decimals than a double holds only make longer texts.
constexpr std::uint32_t kMaxLabelDecimals = 20;

bool SameValue(double inA, double inB)
{
    return inA == inB || (std::isnan(inA) && std::isnan(inB));
}

CxString Capitalised(const CxString& inName)
{
    if (inName.Length() == 0)
        return inName;
    CxString first = inName.Substring(0, 0);
    first.Uppercase();
    return first + inName.Substring(1, inName.Length() - 1);
}

// An unsigned attribute; text out of the 32-bit range is refused.
bool ReadUnsigned(const XmlElement* inXml, const char* inName, std::uint32_t& outValue)
{
    const CxSint64 value = WxReadLong(inXml->GetAttribute(inName));
    if (value < 0 || value > CxSint64(UINT32_MAX))
        return false;
    outValue = static_cast<std::uint32_t>(value);
    return true;
}

} // namespace

WxObs::WxObs(WxMap* inMap, const XmlElement* inXml) : WxProduct(inMap)
{
    mName = CxString("Observation");
    WxStartClient(*this, inMap);
    if (inXml != nullptr)
        WxProduct::Internalize(inXml);
}

WxObs::~WxObs()
{
    Detach();
}

WxProduct* WxObs::Make(WxMap* inMap, const XmlElement* inXml)
{
    return new WxObs(inMap, inXml);
}

void WxObs::Changed(bool inRebuild)
{
    if (inRebuild)
        mRebuild = true;
    ProductChanged();
}

void WxObs::SetParameter(const DxParm& inParm)
{
    if (inParm.IsExactMatch(mParm) && IsSubscriptionValid())
        return;
    if (mParm.Id().Length() > 0)
        RemoveParm(mParm);
    mParm = inParm;
    AddParm(mParm);
    SetName(Capitalised(mParm.Name()));
    mRebuild = true;
    RefreshClient();
    ProductChanged();
}

void WxObs::SetLocation(std::uint32_t inLocation)
{
    if (inLocation == mLocation)
        return;
    mLocation = inLocation;
    if (inLocation < kPlaces)
    {
        mHAlign = kPlaceH[inLocation];
        mVAlign = kPlaceV[inLocation];
    }
    Changed(true);
}

void WxObs::SetPosition(GxHAlign inH, GxVAlign inV)
{
    if (inH == mHAlign && inV == mVAlign)
        return;
    mHAlign = inH;
    mVAlign = inV;
    mRebuild = true;
}

void WxObs::SetPrecision(std::uint32_t inPrecision)
{
    if (inPrecision == mPrecision)
        return;
    mPrecision = inPrecision;
    Changed(true);
}

void WxObs::SetMinimum(double inMinimum)
{
    if (SameValue(inMinimum, mMinimum))
        return;
    mMinimum = inMinimum;
    Changed(true);
}

void WxObs::SetMaximum(double inMaximum)
{
    if (SameValue(inMaximum, mMaximum))
        return;
    mMaximum = inMaximum;
    Changed(true);
}

void WxObs::SetDrawOutline(bool inOutline)
{
    if (inOutline == mOutline)
        return;
    mOutline = inOutline;
    Changed(false);
}

DxFrame* WxObs::StationFrame() const
{
    if (DxGrid* grid = Grid())
        return grid;
    return Table();
}

double WxObs::DataMaximum() const
{
    if (std::isnan(mDataMaximum))
    {
        const DxFrame* frame = StationFrame();
        if (const DxFloatField* field = frame != nullptr ? frame->FindFloatField(mParm.Key()) : nullptr)
            for (double v : *field)
                if (!std::isnan(v) && !(v <= mDataMaximum))
                    mDataMaximum = v;
    }
    return mDataMaximum;
}

double WxObs::DataMinimum() const
{
    if (std::isnan(mDataMinimum))
    {
        const DxFrame* frame = StationFrame();
        if (const DxFloatField* field = frame != nullptr ? frame->FindFloatField(mParm.Key()) : nullptr)
            for (double v : *field)
                if (!std::isnan(v) && !(v >= mDataMinimum))
                    mDataMinimum = v;
    }
    return mDataMinimum;
}

void WxObs::OnSetColor(const GxColor& inColor)
{
    if (inColor == mColor)
        return;
    mColor = inColor;
    ProductChanged();
}

GxColor WxObs::OnGetColor() const
{
    return mColor;
}

void WxObs::OnSetFont(const GxFont& inFont)
{
    mFont = std::make_unique<GxFont>(inFont);
    Changed(true);
}

GxFont WxObs::OnGetFont() const
{
    return *mFont;
}

bool WxObs::OnIsScalar() const
{
    return mParm.Type() == kDxTypeFloat;
}

bool WxObs::OnIsReadyToDraw() const
{
    return !WaitingForData();
}

bool WxObs::OnHasAttributesForPositions() const
{
    return true;
}

void WxObs::OnDatesChanged(const CxDate& inStart, const CxDate& inEnd)
{
    WxForwardDates(*this, inStart, inEnd);
}

void WxObs::OnDateChanged(const CxDate& inDate)
{
    WxForwardDate(*this, inDate);
}

void WxObs::OnIntervalChanged(CxSint64 inSeconds)
{
    WxForwardInterval(*this, inSeconds);
}

void WxObs::OnSetChanged()
{
    WxForwardSetChanged(mMap);
}

void WxObs::OnAuthenticationChanged()
{
    WxForwardAuthentication(*this, *this);
}

void WxObs::OnProjectionChanged()
{
    BuildBounds();
    mRebuild = true;
}

WxInspector* WxObs::OnCreateLegend()
{
    return new WxObsLegend(this);
}

void WxObs::OnInternalize(const XmlElement* inXml)
{
    CxAssertText(inXml != nullptr, "inXml != nil");
    if (inXml == nullptr)
        return;
    CxAssert(inXml->Name() == "obs");
    ReadCommonAttributes(inXml, true);
    SetDrawOutline(WxReadBool(inXml->GetAttribute("outline"), true));
    mDatasetId = inXml->GetAttribute("dataset");
    SetSet(DxSet::FindOrCreateSet(mDatasetId, 1));
    WxProduct::SetColor(GxColor(inXml->GetAttribute("color")));
    std::uint32_t value = 0;
    if (ReadUnsigned(inXml, "precision", value))
        SetPrecision(value);
    if (ReadUnsigned(inXml, "location", value))
        SetLocation(value);
    const CxString minimum = inXml->GetAttribute("min");
    if (minimum.Length() > 0)
        SetMinimum(WxReadOptionalNumber(minimum));
    const CxString maximum = inXml->GetAttribute("max");
    if (maximum.Length() > 0)
        SetMaximum(WxReadOptionalNumber(maximum));

    // A set the registry gives another kind has no station manager: the stand-in definition serves.
    const CxString id = inXml->GetAttribute("parm");
    const DxUnit unit(inXml->GetAttribute("units"));
    DxObsManager* manager = Set() != nullptr ? Set()->ObsManager() : nullptr;
    const DxParm found = manager != nullptr ? manager->FindParm(id) : DxParm(id, id, kDxTypeFloat, DxUnit(), {}, 1.0);
    SetParameter(DxParm(found.Id(), found.Name(), found.Type(), unit, found.UnitSet(), found.Resolution()));
    if (const XmlElement* font = inXml->FindElement(CxString("font")))
    {
        mFont->Internalize(font);
        mRebuild = true;
    }
}

void WxObs::OnExternalize(XmlBuilder& ioBuilder) const
{
    ioBuilder.Begin(CxString("obs"));
    WriteCommonAttributes(ioBuilder);
    ioBuilder.Attribute("dataset", Set() != nullptr ? Set()->Id() : mDatasetId);
    ioBuilder.Attribute("parm", mParm.Id());
    ioBuilder.Attribute("units", mParm.Unit().Id());
    ioBuilder.Attribute("color", mColor.AsString());
    const auto decimals = CxSint32(std::min(mPrecision, kMaxLabelDecimals));
    ioBuilder.Attribute("min", WxWriteNumber(mMinimum, decimals));
    ioBuilder.Attribute("max", WxWriteNumber(mMaximum, decimals));
    ioBuilder.Attribute("precision", CxString(CxUint32(mPrecision)));
    ioBuilder.Attribute("location", CxString(CxUint32(mLocation)));
    ioBuilder.Attribute("outline", CxString(mOutline ? "true" : "false"));
    WriteDataFlags(ioBuilder);
    if (mFont != nullptr)
        mFont->Externalize(ioBuilder);
    ioBuilder.End(CxString("obs"));
}

void WxObs::OnTableChanged()
{
    BuildBounds();
    mRebuild = true;
    UpdateParm(mParm);
    SetName(Capitalised(mParm.Name()));
    SetStatus(CxString());
    if (Frame() != nullptr)
        WxShowFrameStatus(*this, *this);
    mDataMaximum = mDataMinimum = std::numeric_limits<double>::quiet_NaN();
    ProductDataChanged();
}

void WxObs::BuildBounds()
{
    mBounds = GxRect();
    if (mMap == nullptr || mMap->Projection() == nullptr)
        return;
    const GxProjection& projection = *mMap->Projection();
    bool first = true;
    auto add = [&](const GxPosition& inPosition)
    {
        if (!projection.Contains(inPosition))
            return;
        const GxPoint p = projection.Project(inPosition);
        mBounds = first ? GxRect(p, p) : mBounds.Union(GxRect(p, p));
        first = false;
    };
    if (const DxTable* table = Table())
    {
        const DxFloatField* lat = table->FindFloatField(CxString("lat:degr"));
        const DxFloatField* lon = table->FindFloatField(CxString("lon:degr"));
        if (lat == nullptr || lon == nullptr)
            return;
        for (std::size_t i = 0, n = std::min(lat->size(), lon->size()); i < n; ++i)
            if (!std::isnan((*lat)[i]) && !std::isnan((*lon)[i]))
                add(GxPosition().FromDegrees((*lon)[i], (*lat)[i]));
    }
    else if (const DxGrid* grid = Grid(); grid != nullptr && grid->Projection() != nullptr)
    {
        for (CxSint32 x = 0; x < grid->Width(); ++x)
            for (CxSint32 y = 0; y < grid->Height(); ++y)
                add(grid->Projection()->Unproject(
                    GxPoint(grid->Origin().mX + x * grid->Delta().mX, grid->Origin().mY + y * grid->Delta().mY)));
    }
}

std::vector<CxString> WxObs::LabelTexts() const
{
    std::vector<CxString> texts;
    const DxFrame* frame = StationFrame();
    const DxField* field = frame != nullptr ? frame->FindField(mParm.Key()) : nullptr;
    if (const auto* floats = dynamic_cast<const DxFloatField*>(field))
    {
        const int decimals = int(std::min(mPrecision, kMaxLabelDecimals));
        for (double v : *floats)
        {
            const bool shown = !std::isnan(v) && !(v < mMinimum) && !(v > mMaximum);
            texts.push_back(shown ? CxString(v, decimals) : CxString());
        }
    }
    else if (const auto* ints = dynamic_cast<const DxIntField*>(field))
    {
        for (CxSint32 v : *ints)
            texts.push_back(CxString(v));
    }
    else if (const auto* strings = dynamic_cast<const DxStringField*>(field))
    {
        texts.assign(strings->begin(), strings->end());
    }
    return texts;
}

void WxObs::BuildStrings()
{
    mLabels.ClearAll();
    mRebuild = false;
    const std::vector<CxString> texts = LabelTexts();
    const DxFrame* frame = StationFrame();
    if (texts.empty() || mMap == nullptr || mMap->Projection() == nullptr)
        return;
    // Without both coordinates no station has a place; fields of unequal length are read to the shortest.
    const DxFloatField* lat = frame->FindFloatField(CxString("lat:degr"));
    const DxFloatField* lon = frame->FindFloatField(CxString("lon:degr"));
    if (lat == nullptr || lon == nullptr)
        return;
    const GxProjection& projection = *mMap->Projection();
    const std::unique_ptr<GxFont> cut =
        mLabelSizeLimit > 0 ? WxCutTextFont(*mFont, mLabelSizeLimit, "station label") : nullptr;
    GxFont* font = cut != nullptr ? cut.get() : mFont.get();
    for (std::size_t i = 0, n = std::min({lat->size(), lon->size(), texts.size()}); i < n; ++i)
    {
        if (texts[i].Length() == 0 || std::isnan((*lat)[i]) || std::isnan((*lon)[i]))
            continue;
        const GxPosition position = GxPosition().FromDegrees((*lon)[i], (*lat)[i]);
        if (!projection.Contains(position))
            continue;
        auto* label = new GxString(texts[i], font);
        label->SetPosition(projection.Project(position));
        label->SetDepth(0.0);
        label->SetAlignment(mHAlign, mVAlign, 5);
        mLabels.Add(label);
    }
}

void WxObs::OnDrawProduct(GxContext& ioContext)
{
    // A view of another height may cut the labels to another size.
    const CxSint32 limit = WxTextSizeLimit(ioContext.ViewPortBounds().Height());
    if (std::min<CxSint32>(mFont->Size(), limit) != std::min<CxSint32>(mFont->Size(), mLabelSizeLimit))
        mRebuild = true;
    mLabelSizeLimit = limit;
    if (mRebuild)
        BuildStrings();
    const GxColor outline = mColor.Brightness() > 0.6 ? GxColor(0, 0, 0, 1) : GxColor(1, 1, 1, 1);
    mLabels.SetDirty();
    mLabels.SortAndClip(0.0);
    // Past the map's budget a label stays without a texture and is not drawn.
    for (GxString* label : mLabels.Strings())
    {
        if (!label->IsVisible())
            label->UnTexture(ioContext);
        else if (mMap != nullptr)
            mMap->LabelTextures().Texture(*label, ioContext);
        else
            label->Texture(ioContext);
    }
    ioContext.PushAttribs();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    if (mOutline)
    {
        WxGlColor(outline, mAlpha);
        for (const auto& [dx, dy] : {std::pair{1.0f, 1.0f}, {-1.0f, -1.0f}, {1.0f, -1.0f}, {-1.0f, 1.0f}})
            mLabels.DrawGL(ioContext, 0.0f, dx, dy);
    }
    WxGlColor(mColor, mColor.mAlpha * mAlpha);
    mLabels.DrawGL(ioContext, 0.0f, 0.0f, 0.0f);
    ioContext.PopAttribs();
}

void WxObs::OnDrawIcon(GxContext& ioContext)
{
    const char* name = nullptr;
    if (mParm.Type() == kDxTypeFloat || mParm.Type() == kDxTypeInteger)
        name = "WxIconObsFloat";
    else if (mParm.Type() == kDxTypeString)
        name = "WxIconObsString";
    CxAssertText(name != nullptr, "false");
    if (name == nullptr)
        return;
    ioContext.PushAttribs();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glBindTexture(GL_TEXTURE_2D, ioContext.GetTexture(CxString(name), false));
    WxGlColor(mColor, mColor.mAlpha * mAlpha * (mVisible ? 1.0 : 0.2));
    glBegin(GL_QUADS);
    const double corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (const auto& c : corners)
    {
        glTexCoord2d(c[0], c[1]);
        glVertex2d(c[0] * 32.0, c[1] * 32.0);
    }
    glEnd();
    ioContext.PopAttribs();
}

bool WxObs::OnGetAttributesFromPosition(const GxPosition& inPosition, CxStringList& outNames,
                                        CxStringList& outValues) const
{
    const DxFrame* frame = StationFrame();
    if (frame == nullptr)
        return true;
    const DxFloatField* lat = frame->FindFloatField(CxString("lat:degr"));
    const DxFloatField* lon = frame->FindFloatField(CxString("lon:degr"));
    if (lat == nullptr || lon == nullptr)
        return true;
    std::size_t nearest = SIZE_MAX;
    double best = HUGE_VAL;
    for (std::size_t i = 0, n = std::min(lat->size(), lon->size()); i < n; ++i)
    {
        const GxPosition p = GxPosition().FromDegrees((*lon)[i], (*lat)[i]);
        const double d = std::hypot(p.mLongitude - inPosition.mLongitude, p.mLatitude - inPosition.mLatitude);
        if (d < best)
        {
            best = d;
            nearest = i;
        }
    }
    if (nearest == SIZE_MAX)
        return true;
    for (CxUint32 f = 0; f < frame->CountFields(); ++f)
    {
        const DxField* field = frame->FindField(f);
        outNames.push_back(field->Id());
        if (nearest >= field->Count())
            outValues.push_back(CxString());
        else if (const auto* strings = dynamic_cast<const DxStringField*>(field))
            outValues.push_back((*strings)[nearest]);
        else
            outValues.push_back(field->ValueAsString(CxUint32(nearest)));
    }
    return true;
}
