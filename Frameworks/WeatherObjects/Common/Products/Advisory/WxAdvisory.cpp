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
