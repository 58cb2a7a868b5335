#include "WxSeriesClient.h"

#include "CxDebug.h"
#include "CxUtilities.h"
#include "DxField.h"
#include "DxFrame.h"
#include "DxSeriesManager.h"
#include "DxSet.h"
#include "GxContext.h"
#include "GxPolygon.h"
#include "GxSymbol.h"
#include "WxGraph.h"
#include "WxValues.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>

namespace
{
constexpr const char* kTimeKey = "time:secs";

CxString Capitalized(const CxString& inName)
{
    CxString text = inName;
    if (text.Length() != 0 && text[0] >= u'a' && text[0] <= u'z')
        text[0] = static_cast<CxUint16>(text[0] - u'a' + u'A');
    return text;
}

DxSeriesManager* ManagerOf(const DxSet* inSet)
{
    return inSet == nullptr ? nullptr : const_cast<DxSet*>(inSet)->SeriesManager();
}

const char* Bool(bool inValue)
{
    return inValue ? "true" : "false";
}
} // namespace

WxSeriesClient::WxSeriesClient(WxGraph* inGraph) : WxSeries(inGraph)
{
    if (inGraph != nullptr)
        SetArchiving(inGraph->IsArchiving());
    AddParm(DxParm(CxString("time"), CxString("time"), kDxTypeFloat, DxUnit(CxString("secs")), DxUnitSet(), 0.0));
}

WxSeriesClient::~WxSeriesClient()
{
    Detach();
}

void WxSeriesClient::SetClientInfo(const CxString& inSite, const DxParm& inParm)
{
    if (inSite == Site() && inParm.IsExactMatch(mParm) && IsSubscriptionValid())
        return;
    if (mParm.Id().Length() != 0)
        RemoveParm(mParm);
    mParm = inParm;
    AddParm(mParm);
    SetName(Capitalized(mParm.Name()));
    SetSite(inSite);
    RefreshClient();
    SeriesChanged();
}

void WxSeriesClient::SetLineWidth(double inWidth)
{
    mLineWidth = inWidth;
    SeriesChanged();
}

void WxSeriesClient::SetDrawInterpolated(bool inInterpolate)
{
    mInterpolate = inInterpolate;
    SeriesChanged();
}

void WxSeriesClient::SetSymbol(const CxString& inSymbol)
{
    mSymbol = inSymbol.Length() == 0 ? CxString("none") : inSymbol;
    SeriesChanged();
}

void WxSeriesClient::SetFilled(bool inFilled)
{
    if (inFilled == mFilled)
        return;
    mFilled = inFilled;
    SeriesChanged();
}

void WxSeriesClient::SetColor(const GxColor& inColor)
{
    mColor = inColor;
    SeriesChanged();
}

void WxSeriesClient::SetSymbolSize(double inSize)
{
    mSymbolSize = inSize;
    SeriesChanged();
}

void WxSeriesClient::OnDatesChanged(const CxDate& inStart, const CxDate& inEnd)
{
    CxDate start = inStart;
    CxDate end = inEnd;
    if (DxSeriesManager* manager = ManagerOf(Set()))
    {
        start = manager->ClipDateToDataResolution(start);
        end = manager->ClipDateToDataResolution(end);
    }
    SetDates(start, end);
    if (Graph() != nullptr)
        SetDisplayDate(Graph()->StartDate());
    RefreshClient();
}

void WxSeriesClient::OnAuthenticationChanged()
{
    const bool failed = !IsAuthenticated();
    if (failed == IsAuthenticationFailed())
        return;
    SetAuthenticationFailed(failed);
    SeriesDataChanged();
}

void WxSeriesClient::OnTableChanged()
{
    // A column that starts missing, or a frame without the field, must not hide the rest: the automatic axis
    // would clip drawn data away.
    mMinimum = std::numeric_limits<double>::quiet_NaN();
    mMaximum = mMinimum;
    const CxString key = mParm.Key();
    for (const auto& [date, frame] : FrameList())
    {
        const auto* table = dynamic_cast<const DxTable*>(frame);
        const DxFloatField* field = table == nullptr ? nullptr : table->FindFloatField(key);
        if (field == nullptr)
            continue;
        for (double value : *field)
        {
            mMinimum = CxMinNotNan(mMinimum, value);
            mMaximum = CxMaxNotNan(mMaximum, value);
        }
    }
    CxString name = mParm.Name();
    if (DxSeriesManager* manager = ManagerOf(Set()))
        name = manager->FindParm(mParm.Id()).Name();
    else
        SetStatus(Site());
    SetName(Capitalized(name));
    SeriesDataChanged();
}

void WxSeriesClient::OnDrawSeries(GxContext& ioContext)
{
    mDrawnLines.clear();
    mDrawnFills.clear();
    mSymbolPoints.clear();
    WxGraph* graph = Graph();
    DxSeriesManager* manager = ManagerOf(Set());
    if (graph == nullptr || manager == nullptr || graph->GetTimeAxis() == nullptr)
        return;
    WxSeriesAxis* axis = graph->GetAxis(this);
    CxAssertText(axis != nullptr, "axis != nil");
    if (axis == nullptr)
        return;
    const double range = axis->Max() - axis->Min();
    const double interval = Interval();
    // A flat or unknown axis has no scale, and a zero interval would never advance the step walk.
    if (!(range > 0.0) || !std::isfinite(range) || !(interval > 0.0))
        return;
    const CxRect plot = WxGraph::PlotRect(graph->Bounds());
    const double yScale = plot.Height() / range;
    const double xScale = interval * graph->GetTimeAxis()->PixelsPerSecond();
    const CxDate start = manager->ClipDateToDataResolution(graph->StartDate());
    const CxDate end = manager->ClipDateToDataResolution(graph->EndDate());
    const double x0 = (start - graph->StartDate()) / interval;
    const CxString key = mParm.Key();

    std::vector<GxPoint> line;
    GxPolygon fill;
    auto finish = [&]()
    {
        if (line.size() > 1)
            mDrawnLines.push_back(line);
        line.clear();
        if (fill.CountPoints() > 1)
        {
            // Down to the axis minimum and back, so a value below it fills to the bottom only.
            fill.Add(GxPoint(fill.Points().back().mX, plot.bottom));
            fill.Add(GxPoint(fill.Points().front().mX, plot.bottom));
            fill.Close();
            mDrawnFills.push_back(fill);
        }
        fill.Clear();
    };
    CxDate last = start;
    for (const auto& [date, frame] : FrameList())
    {
        const auto* table = dynamic_cast<const DxTable*>(frame);
        const DxFloatField* times = table == nullptr ? nullptr : table->FindFloatField(CxString(kTimeKey));
        const DxFloatField* values = table == nullptr ? nullptr : table->FindFloatField(key);
        // An empty column has no first sample to date the frame by.
        if (times == nullptr || values == nullptr || times->empty() || values->empty())
            continue;
        const std::size_t count = std::min(times->size(), values->size());
        const CxDate first = date + (*times)[0];
        if (!mInterpolate && last - (first - interval) != 0.0)
            finish();
        std::size_t i = 0;
        double x = x0;
        for (CxDate d = start; d - end <= 0.0; d += interval, x += 1.0)
        {
            while (i < count && (date + (*times)[i]) - d < 0.0)
                ++i;
            if (i >= count)
                break;
            const CxDate sample = date + (*times)[i];
            if (sample - d != 0.0)
                continue;
            const double v = (*values)[i++];
            if (std::isnan(v))
            {
                if (!mInterpolate)
                    finish();
                continue;
            }
            const double px = plot.left + x * xScale;
            line.push_back(GxPoint(px, plot.bottom + (v - axis->Min()) * yScale));
            const double above = v - axis->Min();
            if (mSymbol != "none" && mSymbol.Length() != 0 && above >= 0.0 && above <= range && px <= plot.right)
                mSymbolPoints.push_back(line.back());
            if (mFilled)
                fill.Add(GxPoint(px, plot.bottom + std::clamp(v - axis->Min(), 0.0, range) * yScale));
            last = sample;
        }
    }
    finish();

    ioContext.PushAttribs();
    glColor4d(mColor.mRed, mColor.mGreen, mColor.mBlue, mColor.mAlpha * Alpha());
    if (mLineWidth <= 2.0)
        ioContext.AntiAlias();
    if (mLineWidth > 0.0)
        ioContext.LineWidth(mLineWidth);
    glEnable(GL_SCISSOR_TEST);
    glScissor(GLint(plot.left), GLint(std::min(plot.top, plot.bottom)), GLsizei(plot.Width()), GLsizei(plot.Height()));
    for (const GxPolygon& polygon : mDrawnFills)
        polygon.DrawFilled();
    if (mLineWidth > 0.0)
    {
        for (const auto& strip : mDrawnLines)
        {
            glBegin(GL_LINE_STRIP);
            for (const GxPoint& p : strip)
                glVertex2d(p.mX, p.mY);
            glEnd();
        }
    }
    if (!mSymbolPoints.empty())
    {
        // Drawn each time in pixels, so their size does not follow the axis scale.
        const GxSymbol symbol(mSymbol);
        glEnable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        for (const GxPoint& point : mSymbolPoints)
            symbol.Draw(ioContext, point, mSymbolSize);
        glDisable(GL_TEXTURE_2D);
    }
    ioContext.PopAttribs();
}

void WxSeriesClient::OnDrawIcon(GxContext& ioContext)
{
    static const double kLine[][2] = {{0, 5}, {8, 15}, {16, 12}, {24, 20}, {32, 22}};
    ioContext.PushAttribs();
    glColor4d(mColor.mRed, mColor.mGreen, mColor.mBlue, Alpha());
    if (mLineWidth > 0.0)
    {
        ioContext.LineWidth(mLineWidth);
        glBegin(GL_LINE_STRIP);
        for (const auto& p : kLine)
            glVertex2d(p[0], p[1]);
        glEnd();
    }
    ioContext.PopAttribs();
    DrawIconEmbellishments(ioContext);
}

bool WxSeriesClient::OnGetAttributesFromPoint(const GxPoint&, CxStringList& outNames, CxStringList& outValues)
{
    outNames.push_back(CxString("time"));
    outNames.push_back(CxString("value"));
    if (Graph() == nullptr)
        return false;
    const CxDate tracking = Graph()->TrackingTime();
    const CxDate graphStart = Graph()->StartDate();
    for (const auto& [date, frame] : FrameList())
    {
        const auto* table = dynamic_cast<const DxTable*>(frame);
        const DxFloatField* times = table == nullptr ? nullptr : table->FindFloatField(CxString(kTimeKey));
        const DxFloatField* values = table == nullptr ? nullptr : table->FindFloatField(mParm.Key());
        if (times == nullptr || values == nullptr)
            continue;
        const std::size_t count = std::min(times->size(), values->size());
        std::size_t i = 0;
        while (i < count && (date + (*times)[i]) - graphStart < 0.0)
            ++i;
        const std::size_t firstWalked = i;
        for (; i < count; ++i)
        {
            const CxDate sample = date + (*times)[i];
            if (sample - tracking < 0.0)
                continue;
            const std::size_t before = i == firstWalked ? i : i - 1;
            const double a = std::trunc(tracking - (date + (*times)[before]));
            const double b = std::trunc(sample - tracking);
            const std::size_t pick = a < b ? before : i;
            outValues.push_back((date + (*times)[pick]).AsString());
            outValues.push_back(CxString((*values)[pick], 2));
            return true;
        }
    }
    return false;
}

void WxSeriesClient::OnInternalize(const XmlElement* inXml)
{
    if (inXml == nullptr)
        return;
    const bool visible = WxReadBool(inXml->GetAttribute("visible"), false);
    if (visible != IsVisible())
        SetVisibility(visible);
    SetDrawInterpolated(WxReadBool(inXml->GetAttribute("interpolate"), false));
    SetColor(GxColor(inXml->GetAttribute("color")));
    SetSymbol(inXml->GetAttribute("symbol"));
    SetSymbolSize(WxReadDouble(inXml->GetAttribute("symbolSize")));
    SetLineWidth(WxReadDouble(inXml->GetAttribute("width")));
    SetAlpha(WxReadDouble(inXml->GetAttribute("alpha")));
    SetFilled(WxReadBool(inXml->GetAttribute("filled"), false));
    SetSet(DxSet::FindOrCreateSet(inXml->GetAttribute("dataset"), 7));
    if (Graph() != nullptr)
    {
        SetDates(Graph()->StartDate(), Graph()->EndDate());
        SetDisplayDate(Graph()->StartDate());
    }
    DxSeriesManager* manager = ManagerOf(Set());
    if (manager == nullptr)
        return;
    DxParm parm = manager->FindParm(inXml->GetAttribute("parm"));
    parm.SetUnit(DxUnit(inXml->GetAttribute("unit")));
    SetClientInfo(inXml->GetAttribute("site"), parm);
    const bool selected = WxReadBool(inXml->GetAttribute("selected"), false);
    if (selected != IsSelected())
        SetSelected(selected);
}

void WxSeriesClient::OnExternalize(XmlBuilder& ioBuilder) const
{
    ioBuilder.Begin(CxString("series"));
    ioBuilder.Attribute(CxString("visible"), CxString(Bool(IsVisible())));
    ioBuilder.Attribute(CxString("selected"), CxString(Bool(IsSelected())));
    ioBuilder.Attribute(CxString("alpha"), CxString(Alpha(), 1));
    ioBuilder.Attribute(CxString("filled"), CxString(Bool(mFilled)));
    ioBuilder.Attribute(CxString("dataset"), Set() == nullptr ? CxString() : Set()->Id());
    ioBuilder.Attribute(CxString("color"), mColor.AsString());
    ioBuilder.Attribute(CxString("width"), CxString(mLineWidth, 1));
    ioBuilder.Attribute(CxString("parm"), mParm.Id());
    ioBuilder.Attribute(CxString("unit"), mParm.Unit().Id());
    ioBuilder.Attribute(CxString("site"), Site());
    ioBuilder.Attribute(CxString("symbol"), mSymbol);
    ioBuilder.Attribute(CxString("symbolSize"), CxString(mSymbolSize, 2));
    ioBuilder.Attribute(CxString("interpolate"), CxString(Bool(mInterpolate)));
    ioBuilder.End(CxString("series"));
}
