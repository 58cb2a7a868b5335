#include "WxSymbol.h"

#include "CxDebug.h"
#include "DxField.h"
#include "DxFrame.h"
#include "DxSet.h"
#include "GxContext.h"
#include "GxProjection.h"
#include "GxSymbol.h"
#include "WxClientKit.h"
#include "WxMap.h"
#include "WxValues.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <GL/gl.h>
#include <cmath>

namespace
{

const DxFloatField* Lat(const DxTable& inTable)
{
    return inTable.FindFloatField(CxString("lat:degr"));
}

const DxFloatField* Lon(const DxTable& inTable)
{
    return inTable.FindFloatField(CxString("lon:degr"));
}

} // namespace

WxSymbol::WxSymbol(WxMap* inMap, const XmlElement* inXml) : WxProduct(inMap)
{
    WxStartClient(*this, inMap);
    if (inXml != nullptr)
        WxProduct::Internalize(inXml);
    SetWantsEverything(true);
}

WxSymbol::~WxSymbol()
{
    // The manager's update thread must not build for a half-destroyed product.
    Detach();
}

WxProduct* WxSymbol::Make(WxMap* inMap, const XmlElement* inXml)
{
    return new WxSymbol(inMap, inXml);
}

void WxSymbol::SetSymbol(const CxString& inName)
{
    RefreshClient();
    if (inName == mSymbol)
        return;
    mSymbol = inName;
    ProductChanged();
}

void WxSymbol::SetSize(double inSize)
{
    if (inSize == mSize)
        return;
    mSize = inSize;
    ProductChanged();
}

void WxSymbol::DrawFromTable(GxContext& ioContext)
{
    const DxTable* table = Table();
    CxAssertText(table != nullptr, "table != nil");
    if (table == nullptr)
        return;
    const DxFloatField* lat = Lat(*table);
    const DxFloatField* lon = Lon(*table);
    if (lat == nullptr || lon == nullptr)
        return;
    CxAssertText(lat->size() == lon->size(), "latField->size() == lonField->size()");
    const GxProjection& projection = *mMap->Projection();
    const GxSymbol symbol(mSymbol);
    const double size = mMap->FieldOfViewY() * 2.5 / 200.0 * mSize;
    const std::size_t n = std::min(lat->size(), lon->size());
    for (std::size_t i = 0; i < n; ++i)
    {
        GxPosition position;
        position.FromDegrees((*lon)[i], (*lat)[i]);
        if (projection.Contains(position))
            symbol.Draw(ioContext, projection.Project(position), size);
    }
}

void WxSymbol::DrawFromGrid(GxContext& ioContext)
{
    const DxGrid* grid = Grid();
    CxAssertText(grid != nullptr, "grid != nil");
    if (grid == nullptr)
        return;
    const GxProjection& projection = *mMap->Projection();
    const GxSymbol symbol(mSymbol);
    const double size = mMap->FieldOfViewY() * 2.5 / 200.0 * mSize;
    for (CxSint32 column = 0; column < grid->Width(); ++column)
        for (CxSint32 row = 0; row < grid->Height(); ++row)
        {
            const GxPoint cell(grid->Origin().mX + grid->Delta().mX * column,
                               grid->Origin().mY + grid->Delta().mY * row);
            symbol.Draw(ioContext, projection.Project(grid->Projection()->Unproject(cell)), size);
        }
}

void WxSymbol::OnDrawProduct(GxContext& ioContext)
{
    if (mMap == nullptr)
        return;
    ioContext.GetSymbolTexture();
    BeginDisplayList();
    // A grid gets the table's colour and texturing too: its symbols are the same textured squares.
    ioContext.PushAttribs();
    glColor4d(mColor.mRed, mColor.mGreen, mColor.mBlue, mColor.mAlpha * mAlpha);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    if (Table() != nullptr)
        DrawFromTable(ioContext);
    else if (Grid() != nullptr)
        DrawFromGrid(ioContext);
    glDisable(GL_TEXTURE_2D);
    ioContext.PopAttribs();
    EndDisplayList();
}

void WxSymbol::OnDrawIcon(GxContext& ioContext)
{
    glColor4d(mColor.mRed, mColor.mGreen, mColor.mBlue, mColor.mAlpha * mAlpha * (mVisible ? 1.0 : 0.2));
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    GxSymbol(mSymbol).Draw(ioContext, GxPoint(16.0, 16.0), 12.0);
    glDisable(GL_TEXTURE_2D);
}

void WxSymbol::BuildBounds()
{
    mBounds = GxRect();
    if (mMap == nullptr)
        return;
    const GxProjection& projection = *mMap->Projection();
    bool first = true;
    auto extend = [&](const GxPosition& inPosition)
    {
        const GxPoint point = projection.Project(inPosition);
        if (first)
            mBounds = GxRect(point.mX, point.mY, point.mX, point.mY);
        else
            mBounds.ExpandToContain(point);
        first = false;
    };
    const DxTable* table = Table();
    if (table != nullptr && Lat(*table) != nullptr && Lon(*table) != nullptr)
    {
        const DxFloatField& lat = *Lat(*table);
        const DxFloatField& lon = *Lon(*table);
        for (std::size_t i = 0; i < std::min(lat.size(), lon.size()); ++i)
        {
            GxPosition position;
            position.FromDegrees(lon[i], lat[i]);
            if (std::isfinite(lat[i]) && std::isfinite(lon[i]) && projection.Contains(position))
                extend(position);
        }
    }
    else if (const DxGrid* grid = Grid())
    {
        for (CxSint32 column = 0; column < grid->Width(); ++column)
            for (CxSint32 row = 0; row < grid->Height(); ++row)
            {
                const GxPosition position = grid->Projection()->Unproject(
                    GxPoint(grid->Origin().mX + grid->Delta().mX * column, grid->Origin().mY + grid->Delta().mY * row));
                if (projection.Contains(position))
                    extend(position);
            }
    }
}

bool WxSymbol::OnGetAttributesFromPosition(const GxPosition& inPosition, CxStringList& outNames,
                                           CxStringList& outValues) const
{
    outNames.clear();
    outValues.clear();
    const DxTable* table = Table();
    if (table == nullptr || Lat(*table) == nullptr || Lon(*table) == nullptr)
        return true;
    const DxFloatField& lat = *Lat(*table);
    const DxFloatField& lon = *Lon(*table);
    double best = std::nan("");
    std::size_t found = SIZE_MAX;
    for (std::size_t i = 0; i < std::min(lat.size(), lon.size()); ++i)
    {
        GxPosition station;
        station.FromDegrees(lon[i], lat[i]);
        const double d =
            std::hypot(station.mLongitude - inPosition.mLongitude, station.mLatitude - inPosition.mLatitude);
        if (std::isnan(best) || d < best)
        {
            best = d;
            found = i;
        }
    }
    if (found == SIZE_MAX)
        return true;
    for (auto field = table->FieldBegin(); field != table->FieldEnd(); ++field)
    {
        outNames.Append((*field)->Id());
        if (const auto* strings = dynamic_cast<const DxStringField*>(*field))
            outValues.Append(found < strings->size() ? (*strings)[found] : CxString());
        else
            outValues.Append((*field)->ValueAsString(CxUint32(found)));
    }
    return true;
}

void WxSymbol::OnInternalize(const XmlElement* inXml)
{
    CxAssertText(inXml != nullptr, "inXml != nil");
    if (inXml == nullptr)
        return;
    CxAssert(inXml->Name() == "symbol");
    SetVisibility(WxReadBool(inXml->GetAttribute("visible"), true));
    if (WxReadBool(inXml->GetAttribute("sync"), false))
        SetSync(true);
    if (WxReadBool(inXml->GetAttribute("caption"), false))
        SetCaptionSource(true);
    SetSet(DxSet::FindOrCreateSet(inXml->GetAttribute("dataset"), 1));
    WxProduct::SetColor(GxColor(inXml->GetAttribute("color")));
    SetSymbol(inXml->GetAttribute("symbol"));
    SetSize(WxReadDouble(inXml->GetAttribute("size")));
    SetAlpha(WxReadDouble(inXml->GetAttribute("alpha")));
    SetSelected(WxReadBool(inXml->GetAttribute("selected"), true));
    RefreshClient();
}

void WxSymbol::OnExternalize(XmlBuilder& ioBuilder) const
{
    ioBuilder.Begin(CxString("symbol"));
    WriteCommonAttributes(ioBuilder);
    ioBuilder.Attribute("dataset", Set() != nullptr ? Set()->Id() : CxString());
    ioBuilder.Attribute("color", mColor.AsString());
    ioBuilder.Attribute("symbol", mSymbol);
    ioBuilder.Attribute("size", CxString(mSize, 2));
    WriteDataFlags(ioBuilder);
    ioBuilder.End(CxString("symbol"));
}

void WxSymbol::OnDatesChanged(const CxDate& inStart, const CxDate& inEnd)
{
    WxForwardDates(*this, inStart, inEnd);
}

void WxSymbol::OnIntervalChanged(CxSint64 inSeconds)
{
    WxForwardInterval(*this, inSeconds);
}

void WxSymbol::OnDateChanged(const CxDate& inDate)
{
    WxForwardDate(*this, inDate);
}

void WxSymbol::OnProjectionChanged()
{
    BuildBounds();
    ProductChanged();
}

void WxSymbol::OnScaleChanged()
{
    InvalidateDisplayList();
}

void WxSymbol::OnSetColor(const GxColor& inColor)
{
    if (inColor == mColor)
        return;
    mColor = inColor;
    ProductChanged();
}

void WxSymbol::OnTableChanged()
{
    if (Set() != nullptr)
        mName = Set()->Name();
    mLegendStale = true;
    mStatus = CxString();
    mStatusStale = true;
    if (Table() != nullptr && IsTemporal())
        SetStatusDate(Table()->Date(), ShowsSeconds());
    BuildBounds();
    ProductDataChanged();
}

void WxSymbol::OnSetChanged()
{
    WxForwardSetChanged(mMap);
}

void WxSymbol::OnAuthenticationChanged()
{
    WxForwardAuthentication(*this, *this);
}
