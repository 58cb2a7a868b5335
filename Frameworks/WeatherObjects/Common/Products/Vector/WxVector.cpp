#include "WxVector.h"

#include "CxDebug.h"
#include "DxAnalysis.h"
#include "DxField.h"
#include "DxFrame.h"
#include "DxObsManager.h"
#include "DxSet.h"
#include "DxUnit.h"
#include "GxContext.h"
#include "GxFont.h"
#include "GxProjection.h"
#include "GxString.h"
#include "WxClientKit.h"
#include "WxMap.h"
#include "WxValues.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>

namespace
{

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Composition
{
    double mPennants;
    double mFull;
    double mHalf;
    bool operator==(const Composition&) const = default;
};

Composition Compose(double inValue, double inBase)
{
    const double n = std::trunc((inValue + inBase / 2.0) / inBase);
    double full = std::trunc(n / 2.0);
    const double half = n - 2.0 * full;
    const double pennants = std::trunc(full * 0.2);
    full -= 5.0 * pennants;
    return {pennants, full, half};
}

bool IsFrameGrid(DxFrameType inType)
{
    return inType == kDxFrameGrid;
}

// Fields of one station or cell are read up to the shortest of them: a short field is a broken file, not a reason
// to read past its end.
std::size_t Shortest(std::initializer_list<const DxFloatField*> inFields)
{
    std::size_t n = SIZE_MAX;
    for (const DxFloatField* field : inFields)
        n = std::min(n, field->size());
    return n;
}

} // namespace

WxVectorLegendRows WxVectorLegendRowsFor(bool inBarbs, double inBase, double inTracked)
{
    WxVectorLegendRows rows;
    if (!inBarbs)
    {
        rows.mValues.push_back(1.0);
        for (int i = 1; i <= 6; ++i)
            rows.mValues.push_back(i * inBase);
        rows.mHighlighted.assign(rows.mValues.size(), false);
        return rows;
    }
    rows.mDecimals = inBase != std::trunc(inBase) ? 1 : 0;
    for (int i = 0; i <= 10; ++i)
        rows.mValues.push_back(i * inBase);
    rows.mValues.push_back(inTracked > 10.0 * inBase ? inTracked : 15.0 * inBase);
    const Composition tracked = Compose(inTracked, inBase);
    for (double value : rows.mValues)
        rows.mHighlighted.push_back(!std::isnan(inTracked) && Compose(value, inBase) == tracked);
    return rows;
}

WxVector::WxVector(WxMap* inMap, const XmlElement* inXml)
    : WxProduct(inMap), mMinimum(kNaN), mMaximum(kNaN), mSeparation(kNaN)
{
    mName = CxString("Wind Barbs");
    WxStartClient(*this, inMap);
    if (inXml != nullptr)
        WxProduct::Internalize(inXml);
}

WxVector::~WxVector()
{
    // The manager's update thread must not build for a half-destroyed product.
    Detach();
}

WxProduct* WxVector::Make(WxMap* inMap, const XmlElement* inXml)
{
    return new WxVector(inMap, inXml);
}

void WxVector::StoreLimit(double& ioLimit, double inValue)
{
    const DxUnitConverter converter(mParm.Unit().Base(), mParm.Unit());
    const double base = converter.Revert(inValue);
    if (base == ioLimit || (std::isnan(base) && std::isnan(ioLimit)))
        return;
    ioLimit = base;
    ProductChanged();
}

void WxVector::SetMinimum(double inValue)
{
    StoreLimit(mMinimum, inValue);
}

void WxVector::SetMaximum(double inValue)
{
    StoreLimit(mMaximum, inValue);
}

double WxVector::Minimum() const
{
    return DxUnitConverter(mParm.Unit().Base(), mParm.Unit()).Convert(mMinimum);
}

double WxVector::Maximum() const
{
    return DxUnitConverter(mParm.Unit().Base(), mParm.Unit()).Convert(mMaximum);
}

void WxVector::SetScale(double inScale)
{
    if (!(inScale > 0.0) || inScale == mScale)
        return;
    mScale = inScale;
    ProductChanged();
}

void WxVector::SetLineWidth(double inWidth)
{
    if (inWidth == mLineWidth)
        return;
    mLineWidth = inWidth;
    ProductChanged();
}

void WxVector::SetDrawsBarbs(bool inBarbs)
{
    if (inBarbs == mDrawsBarbs)
        return;
    mDrawsBarbs = inBarbs;
    ProductChanged();
}

double WxVector::BaseMagnitude() const
{
    return mParm.Unit().Id() == "mps" ? 2.5 : 5.0;
}

void WxVector::SetParameter(const DxVectorParm& inParm, DxFrameType inType)
{
    if (FrameType() == inType && mParm.IsExactMatch(inParm) && IsSubscriptionValid())
        return;
    SetFrameType(inType);
    const bool changed = !mParm.IsExactMatch(inParm);
    if (Set() == nullptr)
        return;
    DxObsManager* manager = Set()->ObsManager();
    CxAssertText(manager != nullptr, "manager != nil");
    if (manager == nullptr)
        return;
    mParm = manager->FindVectorParm(inParm.Id());
    mParm.SetUnit(inParm.Unit());
    const bool grid = IsFrameGrid(inType);
    DxParm first = manager->FindParm(grid ? mParm.Ucomp() : mParm.Samag());
    DxParm second = manager->FindParm(grid ? mParm.Vcomp() : mParm.Dir());
    first.SetUnit(mParm.Unit().Base());
    if (grid)
        second.SetUnit(mParm.Unit().Base());
    for (const DxParm* old : {&mFirst, &mSecond})
        if (old->Id().Length() != 0)
            RemoveParm(*old);
    mFirst = first;
    mSecond = second;
    if (mFirst.Id().Length() == 0 || mSecond.Id().Length() == 0)
        return;
    AddParm(mFirst);
    AddParm(mSecond);
    RefreshClient();
    if (changed)
        ProductChanged();
}

WxVector::Setup WxVector::BeginSetup(GxContext& ioContext, bool inSmooth) const
{
    Setup setup{};
    const DxUnitConverter converter(mParm.Unit().Base(), mParm.Unit());
    setup.mHalfBarb = mParm.Unit().Id() == "mps" ? BaseMagnitude() : converter.Revert(BaseMagnitude());
    ioContext.PushAttribs();
    if (inSmooth)
        ioContext.AntiAlias();
    ioContext.LineWidth(float(mLineWidth));
    glColor4d(mColor.mRed, mColor.mGreen, mColor.mBlue, mColor.mAlpha * mAlpha);
    const double fov = mMap != nullptr ? mMap->FieldOfViewY() : 90.0;
    const double mapScale = mMap != nullptr ? mMap->Scale() : 1.0;
    setup.mBarbLength = 0.0025 * fov * mScale * std::max(1.0, 1.5 / mapScale);
    setup.mArrowScale = mScale / 10.0;
    if (!std::isnan(mSeparation))
    {
        setup.mBarbLength = std::min(setup.mBarbLength, mSeparation / 2.0);
        setup.mArrowScale = std::min(setup.mArrowScale, mSeparation / 2.0);
    }
    return setup;
}

bool WxVector::InLimits(double inSpeed) const
{
    if (std::isnan(inSpeed))
        return false;
    if (!std::isnan(mMinimum) && inSpeed < mMinimum)
        return false;
    return std::isnan(mMaximum) || inSpeed <= mMaximum;
}

void WxVector::DrawOne(GxContext& ioContext, const Setup& inSetup, const GxVector& inVector,
                       const GxPoint& inPoint) const
{
    if (mDrawsBarbs)
        inVector.DrawBarb(inPoint, inSetup.mBarbLength, inSetup.mHalfBarb);
    else
        inVector.DrawArrow(ioContext, inPoint, inSetup.mArrowScale);
}

void WxVector::DrawFromTable(GxContext& ioContext)
{
    const DxTable* table = Table();
    CxAssertText(table != nullptr, "table != nil");
    if (table == nullptr || mFirst.Id().Length() == 0 || mSecond.Id().Length() == 0 || mMap == nullptr)
        return;
    const DxFloatField* lat = table->FindFloatField(CxString("lat:degr"));
    const DxFloatField* lon = table->FindFloatField(CxString("lon:degr"));
    const DxFloatField* mag = table->FindFloatField(mFirst.Key());
    const DxFloatField* dir = table->FindFloatField(mSecond.Key());
    if (lat == nullptr || lon == nullptr || mag == nullptr || dir == nullptr)
        return;
    CxAssertText(lat->size() == lon->size(), "latField->size() == lonField->size()");
    CxAssertText(mag->size() == dir->size(), "magField->size() == dirField->size()");
    CxAssertText(mag->size() == lat->size(), "magField->size() == latField->size()");
    const GxProjection& projection = *mMap->Projection();
    const Setup setup = BeginSetup(ioContext, true);
    const std::size_t n = Shortest({lat, lon, mag, dir});
    for (std::size_t i = 0; i < n; ++i)
    {
        GxPosition position;
        position.FromDegrees((*lon)[i], (*lat)[i]);
        const double speed = (*mag)[i];
        if (!InLimits(speed))
            continue;
        GxVector vector = GxVector::FromMagnitudeAndDegrees(speed, (*dir)[i]);
        if (std::isnan(vector.mU) || std::isnan(vector.mV) || !projection.Contains(position))
            continue;
        vector = projection.Project(vector, position);
        DrawOne(ioContext, setup, vector, projection.Project(position));
    }
    ioContext.PopAttribs();
}

void WxVector::DrawFromGrid(GxContext& ioContext)
{
    const DxGrid* grid = Grid();
    CxAssertText(grid != nullptr, "grid != nil");
    if (grid == nullptr || mMap == nullptr)
        return;
    const DxFloatField* u = grid->FindFloatField(mFirst.Key());
    const DxFloatField* v = grid->FindFloatField(mSecond.Key());
    if (u == nullptr || v == nullptr)
        return;
    CxAssertText(u->size() == v->size(), "(uField->size() == vField->size())");
    const GxProjection& projection = *mMap->Projection();
    const GxProjection& gridProjection = *grid->Projection();
    const Setup setup = BeginSetup(ioContext, mLineWidth <= 2.0);
    const std::size_t n = Shortest({u, v});
    const std::size_t width = std::size_t(std::max(grid->Width(), 0));
    const std::size_t height = std::size_t(std::max(grid->Height(), 0));
    for (std::size_t row = 0; row < height; ++row)
        for (std::size_t column = 0; column < width; ++column)
        {
            const std::size_t index = row * width + column;
            if (index >= n)
                continue;
            const double uValue = (*u)[index], vValue = (*v)[index];
            if (std::isnan(uValue) || std::isnan(vValue))
                continue;
            GxVector vector = GxVector::FromComponents(uValue, vValue);
            if (!InLimits(vector.Magnitude()))
                continue;
            const GxPoint cell(grid->Origin().mX + grid->Delta().mX * double(column),
                               grid->Origin().mY + grid->Delta().mY * double(row));
            const GxPosition position = gridProjection.Unproject(cell);
            if (!projection.Contains(position))
                continue;
            vector = projection.Project(vector, position);
            DrawOne(ioContext, setup, vector, projection.Project(position));
        }
    ioContext.PopAttribs();
}

void WxVector::OnDrawProduct(GxContext& ioContext)
{
    ioContext.GetSymbolTexture();
    BeginDisplayList();
    if (Table() != nullptr)
        DrawFromTable(ioContext);
    else if (Grid() != nullptr)
        DrawFromGrid(ioContext);
    EndDisplayList();
}

double WxVector::CalcStationSeparation()
{
    mBounds = GxRect();
    if (mMap == nullptr)
        return kNaN;
    const GxProjection& projection = *mMap->Projection();
    std::vector<double> xs, ys;
    bool first = true;
    auto extend = [&](const GxPoint& inPoint)
    {
        if (first)
            mBounds = GxRect(inPoint.mX, inPoint.mY, inPoint.mX, inPoint.mY);
        else
            mBounds.ExpandToContain(inPoint);
        first = false;
    };
    if (const DxGrid* grid = Grid())
    {
        const GxProjection& gridProjection = *grid->Projection();
        for (CxSint32 row = 0; row < grid->Height(); ++row)
            for (CxSint32 column = 0; column < grid->Width(); ++column)
            {
                const GxPosition position = gridProjection.Unproject(
                    GxPoint(grid->Origin().mX + grid->Delta().mX * column, grid->Origin().mY + grid->Delta().mY * row));
                if (!projection.Contains(position))
                    continue;
                const GxPoint point = projection.Project(position);
                xs.push_back(point.mX);
                ys.push_back(point.mY);
                if (row == 0 || column == 0 || row == grid->Height() - 1 || column == grid->Width() - 1)
                    extend(point);
            }
    }
    else if (const DxTable* table = Table())
    {
        const DxFloatField* lat = table->FindFloatField(CxString("lat:degr"));
        const DxFloatField* lon = table->FindFloatField(CxString("lon:degr"));
        if (lat == nullptr || lon == nullptr)
            return kNaN;
        const std::size_t n = Shortest({lat, lon});
        for (std::size_t i = 0; i < n; ++i)
        {
            GxPosition position;
            position.FromDegrees((*lon)[i], (*lat)[i]);
            if (!projection.Contains(position))
                continue;
            const GxPoint point = projection.Project(position);
            xs.push_back(point.mX);
            ys.push_back(point.mY);
            extend(point);
        }
    }
    else
        return kNaN;
    // The bucket search gives the all-pairs result, so a large analysed grid costs no quadratic scan.
    return DxAnalysis::MeanSeparation(xs, ys);
}

double WxVector::GetValueFromPosition(const GxPosition& inPosition) const
{
    if (mMap == nullptr)
        return kNaN;
    const DxUnitConverter converter(mFirst.Unit(), mParm.Unit());
    if (const DxTable* table = Table())
    {
        if (!mBounds.Contains(mMap->Projection()->Project(inPosition)))
            return kNaN;
        const DxFloatField* lat = table->FindFloatField(CxString("lat:degr"));
        const DxFloatField* lon = table->FindFloatField(CxString("lon:degr"));
        const DxFloatField* mag = table->FindFloatField(mFirst.Key());
        const DxFloatField* dir = table->FindFloatField(mSecond.Key());
        if (lat == nullptr || lon == nullptr || mag == nullptr || dir == nullptr)
            return kNaN;
        const std::size_t n = Shortest({lat, lon, mag});
        double best = kNaN;
        std::size_t found = n;
        for (std::size_t i = 0; i < n; ++i)
        {
            GxPosition station;
            station.FromDegrees((*lon)[i], (*lat)[i]);
            const double d =
                std::hypot(station.mLongitude - inPosition.mLongitude, station.mLatitude - inPosition.mLatitude);
            if (std::isnan(best) || d < best)
            {
                best = d;
                found = i;
            }
        }
        return found < n ? converter.Convert((*mag)[found]) : kNaN;
    }
    if (const DxGrid* grid = Grid())
    {
        const DxFloatField* u = grid->FindFloatField(mFirst.Key());
        const DxFloatField* v = grid->FindFloatField(mSecond.Key());
        if (u == nullptr || v == nullptr)
            return kNaN;
        const GxPoint point = grid->Projection()->Project(inPosition);
        if (!grid->Bounds().Contains(point))
            return kNaN;
        return converter.Convert(std::hypot(grid->Bilinear(u, point), grid->Bilinear(v, point)));
    }
    return kNaN;
}

void WxVector::OnDrawIcon(GxContext& ioContext)
{
    ioContext.PushAttribs();
    ioContext.AntiAlias();
    glColor4d(mColor.mRed, mColor.mGreen, mColor.mBlue, mColor.mAlpha * mAlpha * (mVisible ? 1.0 : 0.2));
    GxVector vector = GxVector::FromMagnitudeAndDegrees(25.0, 135.0);
    if (mDrawsBarbs)
        vector.DrawBarb(GxPoint(6.0, 30.4), 11.0, 5.0);
    else
    {
        vector.SetMagnitude(3.0);
        vector.DrawArrow(ioContext, GxPoint(9.0, 24.0), 8.0);
    }
    ioContext.PopAttribs();
}

void WxVector::OnInternalize(const XmlElement* inXml)
{
    CxAssertText(inXml != nullptr, "inXml != nil");
    if (inXml == nullptr)
        return;
    CxAssert(inXml->Name() == "vector");
    SetVisibility(WxReadBool(inXml->GetAttribute("visible"), true));
    SetDrawsBarbs(!WxReadBool(inXml->GetAttribute("arrows"), true));
    if (WxReadBool(inXml->GetAttribute("sync"), false))
        SetSync(true);
    if (WxReadBool(inXml->GetAttribute("caption"), false))
        SetCaptionSource(true);
    SetSet(DxSet::FindOrCreateSet(inXml->GetAttribute("dataset"), 1));
    DxVectorParm parm = mParm;
    if (Set() != nullptr && Set()->ObsManager() != nullptr)
        parm = Set()->ObsManager()->FindVectorParm(inXml->GetAttribute("parm"));
    parm.SetUnit(DxUnit(inXml->GetAttribute("units")));
    SetParameter(parm, WxReadBool(inXml->GetAttribute("grid"), true) ? kDxFrameGrid : kDxFrameTable);
    WxProduct::SetColor(GxColor(inXml->GetAttribute("color")));
    SetAlpha(WxReadDouble(inXml->GetAttribute("alpha")));
    // Unchecked: a missing width reads 0, the thinnest line.
    SetLineWidth(WxReadDouble(inXml->GetAttribute("width")));
    SetScale(WxReadDouble(inXml->GetAttribute("scale")));
    for (const auto& [name, set] : {std::pair{"min", &WxVector::SetMinimum}, {"max", &WxVector::SetMaximum}})
    {
        const CxString text = inXml->GetAttribute(name);
        (this->*set)(text.Length() == 0 ? kNaN : WxReadDouble(text));
    }
    SetSelected(WxReadBool(inXml->GetAttribute("selected"), true));
}

void WxVector::OnExternalize(XmlBuilder& ioBuilder) const
{
    ioBuilder.Begin(CxString("vector"));
    WriteCommonAttributes(ioBuilder);
    ioBuilder.Attribute("dataset", Set() != nullptr ? Set()->Id() : CxString());
    ioBuilder.Attribute("parm", mParm.Id());
    ioBuilder.Attribute("units", mParm.Unit().Id());
    ioBuilder.Attribute("color", mColor.AsString());
    ioBuilder.Attribute("width", CxString(mLineWidth, 1));
    if (IsSync())
        ioBuilder.Attribute("sync", CxString("true"));
    ioBuilder.Attribute("scale", CxString(mScale, 3));
    for (const auto& [name, value] : {std::pair{"min", Minimum()}, {"max", Maximum()}})
        ioBuilder.Attribute(name, std::isnan(value) ? CxString() : CxString(value, 3));
    ioBuilder.Attribute("arrows", CxString(mDrawsBarbs ? "false" : "true"));
    ioBuilder.Attribute("grid", CxString(IsFrameGrid(FrameType()) ? "true" : "false"));
    if (IsCaptionSource())
        ioBuilder.Attribute("caption", CxString("true"));
    ioBuilder.End(CxString("vector"));
}

void WxVector::OnDatesChanged(const CxDate& inStart, const CxDate& inEnd)
{
    WxForwardDates(*this, inStart, inEnd);
}

void WxVector::OnIntervalChanged(CxSint64 inSeconds)
{
    WxForwardInterval(*this, inSeconds);
}

void WxVector::OnDateChanged(const CxDate& inDate)
{
    WxForwardDate(*this, inDate);
}

void WxVector::OnProjectionChanged()
{
    mSeparation = CalcStationSeparation();
    ProductChanged();
}

void WxVector::OnScaleChanged()
{
    InvalidateDisplayList();
}

void WxVector::OnSetColor(const GxColor& inColor)
{
    if (inColor == mColor)
        return;
    mColor = inColor;
    ProductChanged();
}

WxInspector* WxVector::OnCreateLegend()
{
    return new WxVectorLegend(this);
}

void WxVector::OnTableChanged()
{
    mSeparation = CalcStationSeparation();
    UpdateParm(mFirst);
    CxString name = mParm.Name();
    name.Capitalize();
    mName = name;
    mStatus = CxString();
    mStatusStale = true;
    mLegendStale = true;
    if (IsTemporal())
    {
        if (const DxTable* table = Table())
            SetStatusDate(table->Date(), ShowsSeconds());
        else if (const DxGrid* grid = Grid())
            SetStatusDate(grid->Date(), ShowsSeconds());
    }
    else if (Set() != nullptr)
        mStatus = Set()->Name();
    ProductDataChanged();
}

void WxVector::OnReleaseAndInvalidate()
{
    if (Set() == nullptr || Set()->ObsManager() == nullptr)
        return;
    DxVectorParm parm = Set()->ObsManager()->FindVectorParm(mParm.Id());
    parm.SetUnit(mParm.Unit());
    SetParameter(parm, FrameType());
}

void WxVector::OnSetChanged()
{
    WxForwardSetChanged(mMap);
}

void WxVector::OnAuthenticationChanged()
{
    WxForwardAuthentication(*this, *this);
}
