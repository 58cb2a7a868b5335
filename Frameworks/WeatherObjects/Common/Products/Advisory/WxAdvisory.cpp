#include "WxAdvisory.h"

#include "WxClientKit.h"
#include "WxDrawSupport.h"

#include "CxDebug.h"
#include "DxAdvisoryManager.h"
#include "DxFrame.h"
#include "DxSet.h"
#include "DxShape.h"
#include "GxContext.h"
#include "GxFont.h"
#include "GxPolygon.h"
#include "GxProjection.h"
#include "GxString.h"
#include "WxMap.h"
#include "WxValues.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <algorithm>
#include <cmath>
#include <memory>
#include <set>

namespace
{

constexpr char kElement[] = "advisory";
constexpr char kCustom[] = "customAdvisory";

} // namespace

WxAdvisory::WxAdvisory(WxMap* inMap, const XmlElement* inXml) : WxProduct(inMap)
{
    mName = CxString("Advisory");
    WxStartClient(*this, inMap);
    if (inXml != nullptr)
        WxProduct::Internalize(inXml);
    if (inMap != nullptr)
        DxAdvisoryClient::SetProjection(*inMap->Projection());
}

WxAdvisory::~WxAdvisory()
{
    Detach();
    mShapeList.DeleteDisplayList();
}

WxProduct* WxAdvisory::Make(WxMap* inMap, const XmlElement* inXml)
{
    return new WxAdvisory(inMap, inXml);
}

void WxAdvisory::SetLineWidth(double inWidth)
{
    if (inWidth == mLineWidth)
        return;
    mLineWidth = inWidth;
    mShapeList.InvalidateDisplayList();
    ProductChanged();
}

bool WxAdvisory::HasAdvisories() const
{
    const DxShape* shape = Shape();
    return shape != nullptr && shape->CountPolygons() > 0;
}

bool WxAdvisory::Filled() const
{
    return std::any_of(AdvisoryInfoBegin(), AdvisoryInfoEnd(), [](const DxAdvisory& a) { return a.IsFilled(); });
}

CxString WxAdvisory::GetAdvisoryFromPosition(const GxPosition& inPosition) const
{
    CxString result("UNK");
    const DxShape* shape = Shape();
    if (shape == nullptr || Map() == nullptr || *shape->Projection() != *Map()->Projection())
        return result;
    const DxStringField* kinds = shape->FindStringField(CxString("phenomenon"));
    if (kinds == nullptr)
        return result;
    const GxPoint point = Map()->Projection()->Project(inPosition);
    // Only records with both a polygon and a value, as drawing walks them; the last drawn is on top.
    const std::size_t count = std::min<std::size_t>(shape->CountPolygons(), kinds->size());
    for (std::size_t i = count; i-- > 0;)
        if (shape->Polygons()[i]->Contains(point))
            return (*kinds)[i];
    return result;
}

DxAdvisory WxAdvisory::FindAdvisoryInfo(const CxString& inId) const
{
    const InfoIterator found = FindAdvisoryById(inId);
    return found != AdvisoryInfoEnd() ? *found : DxAdvisory();
}

WxAdvisory::InfoIterator WxAdvisory::FindAdvisoryById(const CxString& inId) const
{
    return std::find_if(AdvisoryInfoBegin(), AdvisoryInfoEnd(), [&](const DxAdvisory& a) { return a.Id() == inId; });
}

WxAdvisory::InfoIterator WxAdvisory::FindAdvisoryByName(const CxString& inName) const
{
    return std::find_if(AdvisoryInfoBegin(), AdvisoryInfoEnd(),
                        [&](const DxAdvisory& a) { return a.Name() == inName; });
}

bool WxAdvisory::ModifyAdvisory(DxAdvisory& ioAdvisory)
{
    std::vector<DxAdvisory>& infos = AdvisoryInfoList();
    const auto found =
        std::find_if(infos.begin(), infos.end(), [&](const DxAdvisory& a) { return a.Id() == ioAdvisory.Id(); });
    if (found == infos.end())
        return false;
    found->SetEnabled(ioAdvisory.IsEnabled());
    found->SetFilled(ioAdvisory.IsFilled());
    found->SetColor(ioAdvisory.Color());
    return true;
}

void WxAdvisory::UpdateCustomAdvisories(DxAdvisory& ioAdvisory)
{
    bool found = false;
    for (DxAdvisory& custom : mCustomAdvisories)
        if (custom.Id() == ioAdvisory.Id())
        {
            custom.SetEnabled(ioAdvisory.IsEnabled());
            custom.SetFilled(ioAdvisory.IsFilled());
            custom.SetColor(ioAdvisory.Color());
            found = true;
        }
    if (!found)
        mCustomAdvisories.push_back(ioAdvisory);
    ModifyAdvisory(ioAdvisory);
}

void WxAdvisory::UpdateAdvisories()
{
    LoadAdvisoryList();
    for (DxAdvisory& custom : mCustomAdvisories)
        ModifyAdvisory(custom);
}

void WxAdvisory::EnableFlagsChanged()
{
    CxStringList ids;
    for (InfoIterator it = AdvisoryInfoBegin(); it != AdvisoryInfoEnd(); ++it)
        if (it->IsEnabled())
            ids.push_back(it->Id());
    for (const DxAdvisory& custom : mCustomAdvisories)
        if (!custom.IsEnabled())
            if (const auto found = std::find(ids.begin(), ids.end(), custom.Id()); found != ids.end())
                ids.erase(found);
    SetAdvisoryClientIds(ids);
    ProductChanged();
    RefreshClient();
}

template <typename Change> void WxAdvisory::ChangeByName(const CxString& inName, Change inChange)
{
    const InfoIterator info = FindAdvisoryByName(inName);
    if (info != AdvisoryInfoEnd())
    {
        const auto custom = std::find_if(mCustomAdvisories.begin(), mCustomAdvisories.end(),
                                         [&](const DxAdvisory& a) { return a.Id() == info->Id(); });
        DxAdvisory changed = custom != mCustomAdvisories.end() ? *custom : *info;
        inChange(changed);
        UpdateCustomAdvisories(changed);
        mShapeList.InvalidateDisplayList();
    }
    ProductChanged();
}

void WxAdvisory::SetAdvisoryColor(const CxString& inName, const GxColor& inColor)
{
    ChangeByName(inName, [&](DxAdvisory& a) { a.SetColor(inColor.AsString()); });
}

void WxAdvisory::SetEnabled(const CxString& inName, bool inEnabled)
{
    ChangeByName(inName, [&](DxAdvisory& a) { a.SetEnabled(inEnabled); });
}

void WxAdvisory::SetFilled(const CxString& inName, bool inFilled)
{
    ChangeByName(inName, [&](DxAdvisory& a) { a.SetFilled(inFilled); });
}

void WxAdvisory::BuildBounds(const DxShape* inShape)
{
    mBounds = inShape != nullptr ? inShape->Bounds() : GxRect();
}

void WxAdvisory::OnDrawProduct(GxContext& ioContext)
{
    if (mShapeList.IsDisplayListValid())
    {
        ioContext.PushAttribs();
        if (mLineWidth <= 2.0)
            ioContext.AntiAlias();
        ioContext.LineWidth(float(mLineWidth));
        mShapeList.DrawList();
        ioContext.PopAttribs();
        return;
    }
    const DxShape* frame = Shape();
    if (frame == nullptr || Map() == nullptr)
        return;
    std::unique_ptr<DxShape> copy;
    if (*frame->Projection() != *Map()->Projection())
    {
        copy = frame->Copy(*Map()->Projection());
        frame = copy.get();
    }
    const DxStringField* kinds = frame->FindStringField(CxString("phenomenon"));
    const DxStringField* ids = frame->FindStringField(CxString("id"));
    if (frame->CountPolygons() == 0 || kinds == nullptr || ids == nullptr)
        return;
    ioContext.PushAttribs();
    if (mLineWidth <= 2.0)
        ioContext.AntiAlias();
    ioContext.LineWidth(float(mLineWidth));
    mShapeList.InvalidateDisplayList();
    mShapeList.BeginDisplayList();
    const std::size_t count = std::min({std::size_t(frame->CountPolygons()), kinds->size(), ids->size()});
    for (std::size_t i = 0; i < count; ++i)
    {
        const DxAdvisory info = FindAdvisoryInfo((*kinds)[i]);
        if (!info.IsEnabled())
            continue;
        const GxPolygon& polygon = *frame->Polygons()[i];
        const GxColor color(info.Color());
        const double alpha = color.mAlpha * Alpha();
        if (info.IsFilled())
        {
            WxGlColor(color, alpha);
            polygon.DrawFilled();
            continue;
        }
        if ((*ids)[i] == "polygon")
        {
            // A halo keeps a free polygon visible over any background.
            const double halo = color.Brightness() > 0.6 ? 0.0 : 1.0;
            glColor4d(halo, halo, halo, alpha);
            ioContext.LineWidth(float(mLineWidth * 2.0));
            polygon.Outline();
            ioContext.LineWidth(float(mLineWidth));
        }
        WxGlColor(color, alpha);
        polygon.Outline();
    }
    mShapeList.EndDisplayList();
    ioContext.PopAttribs();
    mBounds = frame->Bounds();
}

void WxAdvisory::OnDrawIcon(GxContext& ioContext)
{
    const double alpha = (IsVisible() ? 1.0 : 0.2) * Alpha();
    glColor4d(1.0, 0.0, 0.0, alpha);
    glBegin(GL_QUADS);
    glVertex2d(8.0, 18.0);
    glVertex2d(22.0, 18.0);
    glVertex2d(18.0, 4.0);
    glVertex2d(4.0, 4.0);
    glEnd();
    ioContext.LineWidth(2.0f);
    glColor4d(0.0, 1.0, 0.0, alpha);
    glBegin(GL_LINE_STRIP);
    glVertex2d(16.0, 26.0);
    glVertex2d(30.0, 26.0);
    glVertex2d(26.0, 12.0);
    glVertex2d(12.0, 12.0);
    glVertex2d(16.0, 26.0);
    glEnd();
}

void WxAdvisory::OnInternalize(const XmlElement* inXml)
{
    CxAssertText(inXml != nullptr, "inXml != nil");
    if (inXml == nullptr)
        return;
    CxAssertText(inXml->Name() == kElement, "inXml->Name() == \"advisory\"");
    SetVisibility(inXml->GetAttribute("visible").AsBool());
    SetLineWidth(inXml->GetAttribute("width").AsDouble());
    if (inXml->GetAttribute("caption") == "true")
        SetCaptionSource(true);
    SetAlpha(inXml->GetAttribute("alpha").AsDouble());
    SetSet(DxSet::FindOrCreateSet(inXml->GetAttribute("dataset"), 8));
    if (inXml->GetAttribute("sync") == "true")
        SetSync(IsTemporal());
    for (const XmlElement* child : inXml->GetElements())
    {
        if (child->Name() != kCustom)
            continue;
        DxAdvisory custom;
        custom.SetId(child->GetAttribute("id"));
        custom.SetColor(child->GetAttribute("color"));
        custom.SetEnabled(child->GetAttribute("enabled").AsBool());
        custom.SetFilled(child->GetAttribute("filled").AsBool());
        UpdateCustomAdvisories(custom);
    }
    SetSelected(inXml->GetAttribute("selected").AsBool());
    EnableFlagsChanged();
}

void WxAdvisory::OnExternalize(XmlBuilder& ioBuilder) const
{
    ioBuilder.Begin(CxString(kElement));
    ioBuilder.Attribute("visible", CxString(IsVisible()));
    ioBuilder.Attribute("selected", CxString(IsSelected()));
    ioBuilder.Attribute("alpha", CxString(Alpha(), 1));
    ioBuilder.Attribute("dataset", Set() != nullptr ? Set()->Id() : CxString());
    ioBuilder.Attribute("width", CxString(mLineWidth, 1));
    WriteDataFlags(ioBuilder);
    // Without an advisory manager there is no default to match, so every custom is written.
    DxAdvisoryManager* manager = Set() != nullptr ? Set()->AdvisoryManager() : nullptr;
    const std::vector<DxAdvisory> defaults = manager != nullptr ? manager->AdvisoryInfo() : std::vector<DxAdvisory>();
    for (const DxAdvisory& custom : mCustomAdvisories)
    {
        if (std::any_of(defaults.begin(), defaults.end(), [&](const DxAdvisory& a) { return a.IsExactMatch(custom); }))
            continue;
        ioBuilder.Begin(CxString(kCustom));
        ioBuilder.Attribute("id", custom.Id());
        ioBuilder.Attribute("color", custom.Color());
        ioBuilder.Attribute("enabled", CxString(custom.IsEnabled()));
        ioBuilder.Attribute("filled", CxString(custom.IsFilled()));
        ioBuilder.End(CxString(kCustom));
    }
    ioBuilder.End(CxString(kElement));
}

void WxAdvisory::OnDatesChanged(const CxDate& inStart, const CxDate& inEnd)
{
    WxForwardDates(*this, inStart, inEnd);
}

void WxAdvisory::OnIntervalChanged(CxSint64 inSeconds)
{
    WxForwardInterval(*this, inSeconds);
}

void WxAdvisory::OnDateChanged(const CxDate& inDate)
{
    WxForwardDate(*this, inDate);
}

void WxAdvisory::OnProjectionChanged()
{
    mShapeList.InvalidateDisplayList();
    if (Map() == nullptr)
        return;
    const std::unique_ptr<GxProjection> held = CopyProjection();
    if (*held == *Map()->Projection())
        return;
    // No frame may have arrived yet.
    if (Frame() != nullptr)
        Frame()->SetLastModified(DxFrame::NoDate());
    DxAdvisoryClient::SetProjection(*Map()->Projection());
    RefreshClient();
}

void WxAdvisory::OnAlphaChanged(double)
{
    mShapeList.InvalidateDisplayList();
    ProductChanged();
}

bool WxAdvisory::OnIsReadyToDraw() const
{
    return !WaitingForData();
}

GxColor WxAdvisory::OnGetColor() const
{
    return mColor;
}

WxPopup* WxAdvisory::OnCreatePopup()
{
    return new WxAdvisoryPopup(this);
}

WxInspector* WxAdvisory::OnCreateLegend()
{
    return new WxAdvisoryLegend(this);
}

void WxAdvisory::OnShapeChanged()
{
    if (Set() == nullptr || Set()->AdvisoryManager() == nullptr)
        return;
    SetName(Set()->Name());
    const DxFrame* frame = Frame();
    if (frame == nullptr || frame->Date() == DxFrame::NoDate())
        SetStatus(CxString());
    else
        SetStatusDate(frame->Date(), ShowsSeconds());
    mShapeList.InvalidateDisplayList();
    ProductDataChanged();
}

void WxAdvisory::OnSetChanged()
{
    mCustomAdvisories.clear();
    UpdateAdvisories();
    WxForwardSetChanged(Map());
}

void WxAdvisory::OnReleaseAndInvalidate()
{
    UpdateAdvisories();
    EnableFlagsChanged();
}

void WxAdvisory::OnAuthenticationChanged()
{
    WxForwardAuthentication(*this, *this);
}

// ---- WxAdvisoryLegend

WxAdvisoryLegend::WxAdvisoryLegend(WxAdvisory* inAdvisory) : WxProductInspector(inAdvisory), mAdvisory(inAdvisory) {}

WxAdvisoryLegend::~WxAdvisoryLegend() = default;

void WxAdvisoryLegend::AccumulateAdvisories()
{
    const DxShape* shape = mAdvisory->Shape();
    if (shape == nullptr)
        return;
    mKinds.clear();
    const DxStringField* kinds = shape->FindStringField(CxString("phenomenon"));
    if (kinds == nullptr)
        return;
    for (auto kind = kinds->rbegin(); kind != kinds->rend(); ++kind)
        if (std::find(mKinds.begin(), mKinds.end(), *kind) == mKinds.end())
            mKinds.push_back(*kind);
}

void WxAdvisoryLegend::OnDraw(GxContext& ioContext, const CxRect& inBounds)
{
    AccumulateAdvisories();
    const CxString hilited = mAdvisory->GetAdvisoryFromPosition(TrackPosition());
    const double a = Alpha();
    const double plainInk = Color().Brightness() > 0.6 ? 0.0 : 1.0;
    const double width = inBounds.Width();
    ioContext.PushAttribs();
    glPushMatrix();
    glTranslated(0.0, inBounds.Height(), 0.0);
    const std::size_t rows = std::min(std::size_t(std::max(0, inBounds.Height() / 18)), mKinds.size());
    GxFont font(0, 9);
    auto kind = mKinds.begin();
    for (std::size_t row = 0; row < rows; ++row, ++kind)
    {
        const DxAdvisory info = mAdvisory->FindAdvisoryInfo(*kind);
        const GxColor color(info.Color());
        glTranslated(0.0, -18.0, 0.0);
        double ink = plainInk;
        if (*kind == hilited)
        {
            const GxColor band = GxSystemHiliteColor();
            WxGlColor(band, 0.8 * a);
            glBegin(GL_QUADS);
            glVertex2d(0.0, -2.0);
            glVertex2d(width, -2.0);
            glVertex2d(width, 16.0);
            glVertex2d(0.0, 16.0);
            glEnd();
            ink = band.Brightness() > 0.6 ? 0.0 : 1.0;
        }
        WxGlColor(color, color.mAlpha * a);
        glBegin(info.IsFilled() ? GL_QUADS : GL_LINE_STRIP);
        for (const auto& [x, y] : {std::pair{4.0, 0.0}, {18.0, 0.0}, {18.0, 14.0}, {4.0, 14.0}})
            glVertex2d(x, y);
        if (!info.IsFilled())
            glVertex2d(4.0, 0.0);
        glEnd();
        glTranslated(22.0, 0.0, 0.0);
        GxString name(info.Name(), &font);
        name.TruncateToWidth(CxSint32(width) - 26 - (row == 0 ? 23 : 0));
        name.Texture(ioContext);
        glTranslated(0.375, 7.375, 0.0);
        glColor4d(ink, ink, ink, a);
        name.Draw(ioContext, kGxHAlignLeft, kGxVAlignCenter);
        name.UnTexture(ioContext);
        glTranslated(-22.375, -7.375, 0.0);
    }
    glPopMatrix();
    ioContext.PopAttribs();
}

// ---- WxAdvisoryPopup

WxAdvisoryBalloon WxLayoutAdvisoryBalloon(const std::vector<GxPoint>& inSizes, const GxPoint& inAnchor,
                                          const std::array<int, 4>& inViewport)
{
    WxAdvisoryBalloon balloon;
    if (inSizes.size() < 2)
        return balloon;
    double width = 0.0;
    for (const GxPoint& size : inSizes)
        width = std::max(width, size.mX);
    width += 24.0;
    balloon.mRowHeight = inSizes[0].mY + inSizes[1].mY + 6.0;
    const double height = double(inSizes.size() / 2) * balloon.mRowHeight;
    const GxPoint tip(std::floor(inAnchor.mX), std::floor(inAnchor.mY));
    GxRect& b = balloon.mBox;
    b = GxRect(tip.mX - width / 2.0, tip.mY - 12.0 - height, tip.mX + width / 2.0, tip.mY - 12.0);
    WxKeepBalloonInside(b, inViewport);
    balloon.mSide = WxBalloonPointerSide(tip, b);
    balloon.mTip = tip;
    const double midX = (b.mLeft + b.mRight) / 2.0, midY = (b.mBottom + b.mTop) / 2.0;
    switch (balloon.mSide)
    {
    case kWxPointerTop:
    case kWxPointerBottom:
    {
        const double y = balloon.mSide == kWxPointerTop ? b.mTop : b.mBottom;
        balloon.mBaseA = GxPoint(midX - 6.0, y);
        balloon.mBaseB = GxPoint(midX + 6.0, y);
        break;
    }
    case kWxPointerLeft:
    case kWxPointerRight:
    {
        const double x = balloon.mSide == kWxPointerLeft ? b.mLeft : b.mRight;
        balloon.mBaseA = GxPoint(x, midY - 6.0);
        balloon.mBaseB = GxPoint(x, midY + 6.0);
        break;
    }
    case kWxPointerNone:
        balloon.mBaseA = balloon.mBaseB = balloon.mTip;
        break;
    }
    return balloon;
}

WxAdvisoryPopup::WxAdvisoryPopup(WxAdvisory* inAdvisory)
    : mAdvisory(inAdvisory), mNameFont(std::make_unique<GxFont>(CxUint32(0), 8)),
      mTimeFont(std::make_unique<GxFont>(CxUint32(0), 7))
{
}

WxAdvisoryPopup::~WxAdvisoryPopup() = default;

bool WxAdvisoryPopup::ShouldInvalidate() const
{
    return mAdvisory->HasAdvisories() && mAdvisory->IsVisible();
}

void WxAdvisoryPopup::OnDraw(GxContext& ioContext)
{
    if (!mAdvisory->IsVisible())
        return;
    mColors.clear();
    mTexts.clear();
    mLines.Clear();
    const DxShape* shape = mAdvisory->Shape();
    const WxMap* map = mAdvisory->Map();
    if (shape == nullptr || shape->CountPolygons() == 0 || map == nullptr)
        return;
    const DxStringField* kinds = shape->FindStringField(CxString("phenomenon"));
    const DxStringField* ids = shape->FindStringField(CxString("id"));
    const DxDateField* expires = shape->FindDateField(CxString("expireTime"));
    const DxDateField* ends = shape->FindDateField(CxString("endTime"));
    if (kinds == nullptr || ids == nullptr || expires == nullptr || ends == nullptr)
        return;
    const GxPoint point = shape->Projection()->Project(map->TrackingPosition());
    const GxPoint anchor = map->Projection()->Project(map->TrackingPosition());
    DxAdvisoryManager* manager = mAdvisory->Set() != nullptr ? mAdvisory->Set()->AdvisoryManager() : nullptr;
    const CxTimeZone zone;
    const CxDate none(CxString("1970-01-01 00:00:00 UTC"));
    const CxString today = map->Date().AsString(CxString("%D"), zone);
    std::set<std::string> shown;
    const std::size_t count =
        std::min({std::size_t(shape->CountPolygons()), kinds->size(), ids->size(), expires->size(), ends->size()});
    for (std::size_t i = 0; i < count; ++i)
    {
        const CxDate end = (*ends)[i] == none ? (*expires)[i] : (*ends)[i];
        if (!shape->Polygons()[i]->Contains(point) || !shown.insert(((*ids)[i] + (*kinds)[i]).AsUtf8()).second)
            continue;
        mColors.emplace_back(mAdvisory->FindAdvisoryInfo((*kinds)[i]).Color());
        CxString time = end.AsString(kCxDateFormatShortTime, zone) + end.AsString(CxString(" %Z"), zone);
        if (end.AsString(CxString("%D"), zone) != today)
            time += CxString(" ") + end.AsString(kCxDateFormatShortDate, zone);
        mTexts.push_back(CxString("until ") + time);
        mTexts.push_back(manager != nullptr ? manager->GetProductName((*kinds)[i]) : CxString("Unknown"));
    }
    for (std::size_t i = 0; i < mTexts.size(); ++i)
        mLines.AddString(ioContext, mTexts[i], i % 2 == 0 ? mTimeFont.get() : mNameFont.get());
    if (!mTexts.empty())
        DrawTooltip(ioContext, anchor);
}

void WxAdvisoryPopup::DrawTooltip(GxContext& ioContext, const GxPoint& inAnchor)
{
    std::vector<GxPoint> sizes;
    std::vector<GxString*> strings(mLines.begin(), mLines.end());
    for (const GxString* line : strings)
        sizes.emplace_back(line->Width(), line->Height());
    if (sizes.size() < 2)
        return;
    GxPoint window;
    std::array<int, 4> viewport{};
    WxBalloonWindowPoint(inAnchor, window, viewport);
    const WxAdvisoryBalloon balloon = WxLayoutAdvisoryBalloon(sizes, window, viewport);
    const GxRect& b = balloon.mBox;
    const double h = balloon.mRowHeight;

    WxBeginBalloon(ioContext, viewport, true);
    ioContext.LineWidth(1.0f);
    auto quad = [](double inL, double inB, double inR, double inT, double inZ)
    {
        glVertex3d(inL, inB, inZ);
        glVertex3d(inR, inB, inZ);
        glVertex3d(inR, inT, inZ);
        glVertex3d(inL, inT, inZ);
    };

    glColor4d(0.0, 0.0, 0.0, 0.4);
    glBegin(GL_QUADS);
    quad(b.mRight, b.mBottom - 3.0, b.mRight + 3.0, b.mTop - 3.0, 0.0);
    quad(b.mLeft + 3.0, b.mBottom - 3.0, b.mRight, b.mBottom, 0.0);
    glEnd();

    glColor4d(1.0, 1.0, 0.9, 1.0);
    glBegin(GL_TRIANGLES);
    for (const GxPoint& p : {balloon.mBaseA, balloon.mTip, balloon.mBaseB})
        glVertex3d(p.mX, p.mY, -1.0);
    glEnd();
    glBegin(GL_QUADS);
    quad(b.mLeft, b.mBottom, b.mRight, b.mTop, -1.0);
    glEnd();

    for (std::size_t i = 0; i < mColors.size(); ++i)
    {
        const double bottom = b.mBottom + 4.0 + double(i) * h;
        WxGlColor(mColors[i], 1.0);
        glBegin(GL_QUADS);
        quad(b.mLeft + 4.0, bottom, b.mLeft + 16.0, bottom + h - 8.0, -1.0);
        glEnd();
        glColor4d(0.0, 0.0, 0.0, 0.7);
        glBegin(GL_LINE_LOOP);
        quad(b.mLeft + 4.0, bottom, b.mLeft + 16.0, bottom + h - 8.0, -1.0);
        glEnd();
    }

    for (std::size_t i = 0; i + 1 < strings.size(); i += 2)
    {
        glPushMatrix();
        glTranslated(b.mLeft + 20.0, b.mBottom + double(i / 2) * h + 2.0, -1.0);
        for (std::size_t k = i; k < i + 2; ++k)
        {
            glColor4d(0.0, 0.0, 0.0, k == i ? 0.7 : 1.0);
            strings[k]->SetPosition(0.0, 0.0);
            strings[k]->Draw(ioContext, kGxHAlignLeft, kGxVAlignBottom);
            glTranslated(0.0, strings[k]->Height() + 2.0, 0.0);
        }
        glPopMatrix();
    }

    glColor4d(0.0, 0.0, 0.0, 0.3);
    glBegin(GL_LINES);
    for (double y = b.mBottom + h; y < b.mTop - 0.5; y += h)
    {
        glVertex3d(b.mLeft, y, -1.0);
        glVertex3d(b.mRight, y, -1.0);
    }
    glEnd();

    glColor4d(0.0, 0.0, 0.0, 1.0);
    glBegin(GL_LINE_LOOP);
    const GxPoint bl(b.mLeft, b.mBottom), tl(b.mLeft, b.mTop), tr(b.mRight, b.mTop), br(b.mRight, b.mBottom);
    std::vector<GxPoint> outline;
    switch (balloon.mSide)
    {
    case kWxPointerTop:
        outline = {tl, balloon.mBaseA, balloon.mTip, balloon.mBaseB, tr, br, bl};
        break;
    case kWxPointerBottom:
        outline = {bl, balloon.mBaseA, balloon.mTip, balloon.mBaseB, br, tr, tl};
        break;
    case kWxPointerLeft:
        outline = {bl, balloon.mBaseA, balloon.mTip, balloon.mBaseB, tl, tr, br};
        break;
    case kWxPointerRight:
        outline = {br, balloon.mBaseA, balloon.mTip, balloon.mBaseB, tr, tl, bl};
        break;
    case kWxPointerNone:
        outline = {bl, tl, tr, br};
        break;
    }
    for (const GxPoint& p : outline)
        glVertex3d(p.mX, p.mY, -1.0);
    glEnd();
    glDisable(GL_LINE_SMOOTH);
    WxEndBalloon(ioContext);
}
