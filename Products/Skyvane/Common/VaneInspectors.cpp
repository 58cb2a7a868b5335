#include "VaneInspectors.h"

#include "CxDate.h"
#include "CxLocalize.h"
#include "DxFrame.h"
#include "DxImageClient.h"
#include "DxImageManager.h"
#include "DxManager.h"
#include "DxNidsClient.h"
#include "DxNidsManager.h"
#include "DxObsClient.h"
#include "DxObsManager.h"
#include "DxSeriesClient.h"
#include "DxSeriesManager.h"
#include "DxSet.h"
#include "DxShape.h"
#include "DxShapeClient.h"
#include "DxShapeManager.h"
#include "FxMouseEvent.h"
#include "GxContext.h"
#include "GxFont.h"
#include "GxString.h"
#include "WxDistance.h"
#include "WxGraph.h"
#include "WxInspector.h"
#include "WxMap.h"
#include "WxProduct.h"
#include "WxRadar.h"
#include "WxSeries.h"
#include "WxSeriesLegend.h"
#include "WxVector.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <optional>

const char* const VaneProductInspector::kPositionFormat = "%3.3Da%* %N, %3.3Do%* %W";

namespace
{

constexpr double kLineHeight = 12.0;
constexpr double kBlockMargin = 2.0;
constexpr int kLegendMinimum = 30;

// Frames built for clients name their fields by the parameter's key, older ones by the bare id, and some add a
// unit of their own: the key wins, then the id, then a name whose part before ':' is the id.
bool MatchesRule(const CxString& inName, int inRule, const CxString& inId, const CxString& inKey)
{
    switch (inRule)
    {
    case 0:
        return inKey.Length() != 0 && inName == inKey;
    case 1:
        return inName == inId;
    default:
    {
        const CxUint32 colon = inName.Find(CxString(":"));
        return colon != inName.Length() && colon != 0 && inName.Substring(0, colon - 1) == inId;
    }
    }
}

// The value of the first name that answers for the parameter, or nothing.
std::optional<CxString> FindValue(const CxStringList& inNames, const CxStringList& inValues, const CxString& inId,
                                  const CxString& inKey)
{
    for (int rule = 0; rule < 3; ++rule)
        for (auto name = inNames.begin(), value = inValues.begin(); name != inNames.end() && value != inValues.end();
             ++name, ++value)
            if (MatchesRule(*name, rule, inId, inKey))
                return *value;
    return std::nullopt;
}

// The number of values of the float field answering for the parameter, else of its string field, else 0.
CxUint32 CountValues(const DxFrame& inFrame, const CxString& inId, const CxString& inKey)
{
    for (int rule = 0; rule < 3; ++rule)
    {
        const DxField* found = nullptr;
        for (CxUint32 i = 0; i < inFrame.CountFields() && found == nullptr; ++i)
        {
            const DxField* field = inFrame.FindField(i);
            if (field != nullptr && dynamic_cast<const DxFloatField*>(field) != nullptr &&
                MatchesRule(field->Id(), rule, inId, inKey))
                found = field;
        }
        for (CxUint32 i = 0; i < inFrame.CountFields() && found == nullptr; ++i)
        {
            const DxField* field = inFrame.FindField(i);
            if (field != nullptr && dynamic_cast<const DxStringField*>(field) != nullptr &&
                MatchesRule(field->Id(), rule, inId, inKey))
                found = field;
        }
        if (found != nullptr)
            return found->Count();
    }
    return 0;
}

// Without a leading blank, as the unit tables of some sets write their symbols.
CxString UnitText(const CxString& inSymbol)
{
    if (inSymbol.Length() != 0 && inSymbol[0] == ' ')
        return inSymbol.Substring(1, inSymbol.Length() - 1);
    return inSymbol;
}

CxString WithUnit(const CxString& inName, const CxString& inSymbol)
{
    const CxString unit = UnitText(inSymbol);
    if (unit.Length() == 0)
        return inName;
    return inName + " (" + unit + ")";
}

CxString SetName(const DxManager* inManager, const char* inFallback)
{
    return inManager != nullptr ? inManager->Name() : CxString(inFallback);
}

// Medium date and short time in the local zone.
CxString DateLine(const char* inLabel, const CxDate& inDate)
{
    if (inDate == DxManager::sMissingDate)
        return CxString();
    const CxTimeZone zone;
    return CxString(inLabel) + inDate.AsString(kCxDateFormatMediumDate, zone) + " " +
           inDate.AsString(kCxDateFormatShortTime, zone);
}

} // namespace

// ---- the shared panel

VaneInspectorPanel::~VaneInspectorPanel()
{
    delete mLegend;
    mLegend = nullptr;
    ClearStrings();
}

void VaneInspectorPanel::SetAlpha(double inAlpha)
{
    mAlpha = inAlpha;
    if (mLegend != nullptr)
        mLegend->SetAlpha(inAlpha);
}

void VaneInspectorPanel::MouseDown(const FxMouseEvent& inEvent)
{
    if (mLegend == nullptr)
        return;
    WxMouseDown press;
    press.mWhere = inEvent.mWhere;
    for (const auto& [toolkit, legend] : {std::pair{FxMouseEvent::kCommand, WxMouseDown::kCommand},
                                          {FxMouseEvent::kControl, WxMouseDown::kControl},
                                          {FxMouseEvent::kOption, WxMouseDown::kOption},
                                          {FxMouseEvent::kShift, WxMouseDown::kShift}})
        if ((inEvent.mModifiers & toolkit) != 0)
            press.mModifiers |= legend;
    mLegend->OnMouseDown(press);
}

void VaneInspectorPanel::ClearStrings()
{
    for (GxString* string : mStrings)
        delete string;
    mStrings.clear();
}

void VaneInspectorPanel::ReplaceLegend(WxInspector* inLegend)
{
    delete mLegend;
    mLegend = inLegend;
}

void VaneInspectorPanel::DrawPanel(GxContext& ioContext, const CxRect& inRect, const GxColor& inBackground,
                                   const CxString* inTrackLine)
{
    // The texts and the icon are coverage in alpha: they need blending whatever the caller left on.
    ioContext.PushAttribs();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const double grey = inBackground.Brightness() > 0.6 ? 0.0 : 1.0;
    glColor4d(grey, grey, grey, mAlpha);

    GxFont font(CxUint32(0), 8);
    if (inTrackLine != nullptr)
    {
        auto* string = new GxString(*inTrackLine, &font);
        mStrings.push_back(string);
        string->Texture(ioContext);
    }
    for (auto label = mLabels.rbegin(); label != mLabels.rend(); ++label)
    {
        auto* string = new GxString(*label, &font);
        mStrings.push_back(string);
        string->TruncateToWidth(inRect.Width() - 10);
        string->Texture(ioContext);
    }

    const double x = std::trunc(inRect.left + inRect.Width() / 2.0) + 0.375;
    double y = kBlockMargin;
    for (GxString* string : mStrings)
    {
        string->SetPosition(x, std::trunc(y) + 0.375);
        string->SetDepth(0.0);
        string->Draw(ioContext, kGxHAlignCenter, kGxVAlignBottom);
        y += kLineHeight;
    }

    const double block = y + kBlockMargin;
    CxRect area = inRect;
    area.bottom = static_cast<CxSint16>(area.bottom - static_cast<int>(block));
    if (area.bottom < area.top)
        area.bottom = area.top;

    glPushMatrix();
    glTranslated(inRect.left, std::trunc(block) + 0.375, 0.0);
    if (area.Height() > kLegendMinimum)
    {
        mLegend->OnDraw(ioContext, area);
        mLegend->DeleteTextures(ioContext);
    }
    if (mDrawsSnapback)
    {
        const GLuint icon = ioContext.GetIcon(CxString("VaneSnapback"), 0, GL_LINEAR);
        glColor4d(grey, grey, grey, 0.8 * mAlpha);
        glTranslated(inRect.Width() - 18.0, area.Height() - 21.0, 0.0);
        glBindTexture(GL_TEXTURE_2D, icon);
        glEnable(GL_TEXTURE_2D);
        glBegin(GL_QUADS);
        glTexCoord2d(0.0, 1.0);
        glVertex2d(0.0, 16.0);
        glTexCoord2d(1.0, 1.0);
        glVertex2d(16.0, 16.0);
        glTexCoord2d(1.0, 0.0);
        glVertex2d(16.0, 0.0);
        glTexCoord2d(0.0, 0.0);
        glVertex2d(0.0, 0.0);
        glEnd();
        glDisable(GL_TEXTURE_2D);
    }
    glPopMatrix();
    ioContext.PopAttribs();
}

// ---- the product panel

VaneProductInspector::VaneProductInspector() : VaneInspectorPanel(1.0, false) {}

VaneProductInspector::VaneProductInspector(WxProduct* inProduct) : VaneInspectorPanel(0.0, true)
{
    SetProduct(inProduct);
    if (mLegend != nullptr)
    {
        mLegend->SetAlpha(0.0);
        if (mMap != nullptr)
            mLegend->SetColor(mMap->Color());
    }
}

VaneProductInspector::~VaneProductInspector() = default;

void VaneProductInspector::SetProduct(WxProduct* inProduct)
{
    ReplaceLegend(nullptr);
    if (mMap != nullptr)
        mMap->DetachReceiver(this);
    mMap = nullptr;
    if (inProduct != nullptr)
    {
        mMap = inProduct->Map();
        if (mMap != nullptr)
            mMap->AttachReceiver(this);
        ReplaceLegend(inProduct->CreateLegend());
    }
    mProduct = inProduct;
}

void VaneProductInspector::SetTrackPosition(const GxPosition& inPosition)
{
    mTrackPosition = inPosition;
    if (mLegend != nullptr)
        mLegend->SetTrackPosition(inPosition);
}

void VaneProductInspector::ProductDeleted(WxProduct* inProduct)
{
    if (inProduct != nullptr && inProduct == mProduct)
        SetProduct(nullptr);
}

void VaneProductInspector::MapDeleted()
{
    mMap = nullptr;
    SetProduct(nullptr);
}

void VaneProductInspector::OnReceiveMessage(CxMessenger* /*inSender*/, CxSint32 inCode, void* inData)
{
    if (inCode == kWxMapProductOrphaned)
        ProductDeleted(static_cast<WxProduct*>(inData));
    else if (inCode == kWxMapDeleted)
        MapDeleted();
}

void VaneProductInspector::Draw(GxContext& ioContext, const CxRect& inRect)
{
    if (mLegend == nullptr || mProduct == nullptr)
        return;
    mLabels.clear();
    ClearStrings();
    GetFieldsFromProduct(mProduct);
    const CxString track = mTrackPosition.AsString(CxString(kPositionFormat));
    DrawPanel(ioContext, inRect, mMap != nullptr ? mMap->Color() : GxColor(1.0, 1.0, 1.0, 1.0), &track);
}

void VaneProductInspector::GetFieldsFromProduct(WxProduct* inProduct)
{
    if (auto* obs = dynamic_cast<DxObsClient*>(inProduct))
        GetFieldsFromDxObsClient(obs);
    else if (auto* shape = dynamic_cast<DxShapeClient*>(inProduct))
        GetFieldsFromDxShapeClient(shape);
    else if (auto* nids = dynamic_cast<DxNidsClient*>(inProduct))
        GetFieldsFromDxNidsClient(nids);
    else if (auto* image = dynamic_cast<DxImageClient*>(inProduct))
        GetFieldsFromDxImageClient(image);
    else if (auto* distance = dynamic_cast<WxDistance*>(inProduct))
        GetFieldsFromWxDistance(distance);
}

void VaneProductInspector::GetFieldsFromDxObsClient(DxObsClient* inClient)
{
    auto* product = dynamic_cast<WxProduct*>(inClient);
    if (product == nullptr)
        return;
    const std::vector<DxParm> parms = inClient->Parms();
    const bool requests = !parms.empty();
    const DxParm parm =
        requests ? parms.front()
                 : DxParm(CxString("lat"), CxString(), kDxTypeFloat, DxUnit(CxString("nada")), DxUnitSet(), 0.0);
    const CxString id = parm.Id();
    const CxString key = parm.Key();

    CxString unit;
    if (auto* vector = dynamic_cast<WxVector*>(inClient))
        unit = vector->Parameter().Unit().Symbol();
    else if (requests)
        unit = parm.Unit().Symbol();

    CxString site, value;
    CxStringList names, values;
    if (product->GetAttributesFromPosition(mTrackPosition, names, values))
    {
        site = FindValue(names, values, CxString("name"), CxString()).value_or(CxString());
        const CxString text = FindValue(names, values, id, key).value_or(CxString());
        if (!text.Contains(CxString("nan")))
            value = CxString("Value: ") + text + parm.Unit().Symbol();
    }

    CxString count;
    const DxTable* table = inClient->Table();
    const DxGrid* grid = inClient->Grid();
    if (table != nullptr)
        count = CxString(CountValues(*table, id, key)) + " sites";
    else if (grid != nullptr)
        count = CxString(grid->Width()) + " x " + CxString(grid->Height()) + " grid";

    DxSet* set = inClient->Set();
    mLabels.push_back(value);
    if (table != nullptr)
        mLabels.push_back(site);
    mLabels.push_back(SetName(set != nullptr ? set->ObsManager() : nullptr, "Weather Data"));
    mLabels.push_back(WithUnit(product->Name(), unit));
    mLabels.push_back(product->Status());
    mLabels.push_back(count);
}

void VaneProductInspector::GetFieldsFromDxShapeClient(DxShapeClient* inClient)
{
    auto* product = dynamic_cast<WxProduct*>(inClient);
    if (product == nullptr)
        return;
    DxSet* set = inClient->Set();
    const DxShape* shape = inClient->Shape();
    mLabels.push_back(SetName(set != nullptr ? set->ShapeManager() : nullptr, "Overlay Data"));
    mLabels.push_back(product->Name());
    mLabels.push_back(product->Status());
    mLabels.push_back(CxString(shape != nullptr ? shape->CountPoints() : 0u) + " points");
}

void VaneProductInspector::GetFieldsFromDxNidsClient(DxNidsClient* inClient)
{
    auto* product = dynamic_cast<WxProduct*>(inClient);
    if (product == nullptr)
        return;
    DxSet* set = inClient->Set();
    DxNidsManager* manager = set != nullptr ? set->NidsManager() : nullptr;
    DxNidsSite site = inClient->Site();
    if (manager != nullptr)
        site = manager->FindNidsSite(site);
    const DxNidsProduct radarProduct = inClient->Product();

    const CxString title = (site.Name().Length() != 0 ? site.Name() : site.Id()) + " " + radarProduct.Id();
    const CxSint32 vcp = inClient->GetVCP();
    const CxString mode = CxString("VCP:") + (vcp == 999 ? CxString() : CxString(vcp)) + " " +
                          CxLocalize(CxString(vcp == 31 || vcp == 32 ? "clearAirMode" : "precipMode"));
    const CxString begin = DateLine("Begin: ", inClient->GetProductBeginDate());
    const CxString end = DateLine("End: ", inClient->GetProductEndDate());

    CxString attributes;
    CxStringList names, values;
    if (dynamic_cast<WxRadar*>(inClient) != nullptr &&
        product->GetAttributesFromPosition(mTrackPosition, names, values))
        for (auto name = names.begin(), value = values.begin(); name != names.end() && value != values.end();
             ++name, ++value)
            attributes += CxLocalize(*name) + ": " + *value + " ";

    mLabels.push_back(SetName(manager, "Radar Data"));
    mLabels.push_back(title);
    mLabels.push_back(product->Status());
    mLabels.push_back(mode);
    for (const CxString& line : {begin, end, attributes})
        if (line.Length() != 0)
            mLabels.push_back(line);
}

void VaneProductInspector::GetFieldsFromDxImageClient(DxImageClient* inClient)
{
    auto* product = dynamic_cast<WxProduct*>(inClient);
    if (product == nullptr)
        return;
    DxSet* set = inClient->Set();
    DxImageManager* manager = set != nullptr ? set->ImageManager() : nullptr;
    const DxImageItem first = inClient->Category1();
    const DxImageItem second = inClient->Category2();

    CxString title;
    if (manager != nullptr && manager->GetCategory(0).Items().size() > 1 && first.Name().Length() != 0)
        title = first.Name() + " " + second.Name();
    else
    {
        title = second.Name();
        title.Capitalize();
    }

    mLabels.push_back(SetName(manager, "Radar Data"));
    mLabels.push_back(title);
    mLabels.push_back(product->Status());
}

void VaneProductInspector::GetFieldsFromWxDistance(WxDistance* inDistance)
{
    const CxString format(kPositionFormat);
    mLabels.push_back(inDistance->Name());
    mLabels.push_back(CxString("From: ") + inDistance->GetStartPosition().AsString(format));
    mLabels.push_back(CxString("To: ") + inDistance->GetEndPosition().AsString(format));
    mLabels.push_back(inDistance->Status());
}

// ---- the series panel

VaneSeriesInspector::VaneSeriesInspector() : VaneInspectorPanel(1.0, false) {}

VaneSeriesInspector::VaneSeriesInspector(WxSeries* inSeries) : VaneInspectorPanel(0.0, true)
{
    SetSeries(inSeries);
    if (mLegend != nullptr)
    {
        mLegend->SetAlpha(0.0);
        if (mGraph != nullptr)
            mLegend->SetColor(mGraph->Color());
    }
}

VaneSeriesInspector::~VaneSeriesInspector() = default;

void VaneSeriesInspector::SetSeries(WxSeries* inSeries)
{
    ReplaceLegend(nullptr);
    if (mGraph != nullptr)
        mGraph->DetachReceiver(this);
    mGraph = nullptr;
    if (inSeries != nullptr)
    {
        mGraph = inSeries->Graph();
        if (mGraph != nullptr)
            mGraph->AttachReceiver(this);
        ReplaceLegend(inSeries->CreateLegend());
    }
    mSeries = inSeries;
}

void VaneSeriesInspector::SetTrackPoint(const GxPoint& inPoint)
{
    mTrackPoint = inPoint;
    if (mLegend != nullptr)
        mLegend->SetTrackPoint(inPoint);
}

void VaneSeriesInspector::SeriesDeleted(WxSeries* inSeries)
{
    if (inSeries != nullptr && inSeries == mSeries)
        SetSeries(nullptr);
}

void VaneSeriesInspector::GraphDeleted()
{
    mGraph = nullptr;
    SetSeries(nullptr);
}

void VaneSeriesInspector::OnReceiveMessage(CxMessenger* /*inSender*/, CxSint32 inCode, void* /*inData*/)
{
    if (inCode == kWxGraphDeleted)
        GraphDeleted();
    // The graph names no series when one leaves it (a combined pane divider goes while the graph lives): the
    // panel's series is gone when the list no longer holds it. Only pointers are compared; it may be half-deleted.
    else if (inCode == kWxGraphSeriesOrphaned && mGraph != nullptr && mSeries != nullptr &&
             std::find(mGraph->SeriesBegin(), mGraph->SeriesEnd(), mSeries) == mGraph->SeriesEnd())
        SeriesDeleted(mSeries);
}

void VaneSeriesInspector::Draw(GxContext& ioContext, const CxRect& inRect)
{
    if (mLegend == nullptr || mSeries == nullptr)
        return;
    mLabels.clear();
    ClearStrings();
    GetFieldsFromSeries(mSeries);
    DrawPanel(ioContext, inRect, mGraph != nullptr ? mGraph->Color() : GxColor(1.0, 1.0, 1.0, 1.0), nullptr);
}

void VaneSeriesInspector::GetFieldsFromSeries(WxSeries* inSeries)
{
    if (auto* client = dynamic_cast<DxSeriesClient*>(inSeries))
        GetFieldsFromDxSeriesClient(client);
}

void VaneSeriesInspector::GetFieldsFromDxSeriesClient(DxSeriesClient* inClient)
{
    auto* series = dynamic_cast<WxSeries*>(inClient);
    if (series == nullptr)
        return;
    // Every series client asks for the time column first; the series' own quantity is the next parameter.
    const std::vector<DxParm> parms = inClient->Parms();
    const auto parm =
        std::find_if(parms.begin(), parms.end(), [](const DxParm& inParm) { return inParm.Id() != CxString("time"); });
    CxString title = series->Name();
    if (parm != parms.end())
        title = WithUnit(title, parm->Unit().Symbol());
    DxSet* set = inClient->Set();
    mLabels.push_back(SetName(set != nullptr ? set->SeriesManager() : nullptr, "Weather Data"));
    mLabels.push_back(title);
    mLabels.push_back(series->Status());
    mLabels.push_back(CxString());
}
