#include "WxContour.h"

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
#include <memory>
#include <string>

namespace
{

// More decimals than a double holds only make longer texts.
constexpr std::uint32_t kMaxLabelDecimals = 20;

CxString Capitalised(const CxString& inName)
{
    CxString name = inName;
    name.Capitalize();
    return name;
}

// A step of about a tenth of the range, always a little more, on 1, 2, 2.5 and 5.
double NiceInterval(double inRange)
{
    const double x = inRange / 10.0;
    const double e = x != 0.0 ? std::floor(std::log10(x)) : 0.0;
    double p = std::pow(10.0, e);
    double r = x / p;
    if (r < 1.0)
        r = 1.0;
    else if (r < 2.0)
        r = 2.0;
    else if (r < 2.5)
        r = 2.5;
    else if (r < 5.0)
        r = 5.0;
    else if (r < 10.0)
    {
        p *= 10.0;
        r = 1.0;
    }
    return r * p;
}

} // namespace

WxContour::WxContour(WxMap* inMap, const XmlElement* inXml) : WxProduct(inMap)
{
    mName = CxString("Contour");
    SetFrameType(kDxFrameGrid);
    WxStartClient(*this, inMap);
    if (inXml != nullptr)
        WxProduct::Internalize(inXml);
}

WxContour::~WxContour()
{
    Detach();
}

WxProduct* WxContour::Make(WxMap* inMap, const XmlElement* inXml)
{
    return new WxContour(inMap, inXml);
}

void WxContour::Invalidate()
{
    mLines.InvalidateDisplayList();
    ProductChanged();
}

void WxContour::SetParameter(const DxParm& inParm)
{
    if (inParm.IsExactMatch(mParm) && IsSubscriptionValid())
        return;
    if (mParm.Id().Length() > 0)
        RemoveParm(mParm);
    mParm = inParm;
    AddParm(mParm);
    SetName(Capitalised(mParm.Name()));
    mLines.InvalidateDisplayList();
    RefreshClient();
    ProductChanged();
}

void WxContour::SetLineWidth(double inWidth)
{
    mWidth = inWidth;
    Invalidate();
}

void WxContour::SetLabelFlag(bool inLabels)
{
    mLabels = inLabels;
    Invalidate();
}

void WxContour::SetPrecision(std::uint32_t inPrecision)
{
    mPrecision = inPrecision;
    Invalidate();
}

void WxContour::SetMaximum(double inMaximum)
{
    mRangeMax = mLast = inMaximum;
    Invalidate();
}

void WxContour::SetMinimum(double inMinimum)
{
    mRangeMin = mFirst = inMinimum;
    Invalidate();
}

void WxContour::SetContourInterval(double inInterval)
{
    mInterval = inInterval > 0.0 ? inInterval : 1.0;
    Invalidate();
}

void WxContour::SetDrawOutline(bool inOutline)
{
    if (inOutline == mOutline)
        return;
    mOutline = inOutline;
    ProductChanged();
}

void WxContour::SetAuto(bool inAuto)
{
    mAuto = inAuto;
    mLines.InvalidateDisplayList();
    if (inAuto)
        ComputeExtrema();
    ProductChanged();
}

const DxFloatField* WxContour::Field() const
{
    const DxGrid* grid = Grid();
    return grid != nullptr ? grid->FindFloatField(mParm.Key()) : nullptr;
}

void WxContour::ComputeExtrema()
{
    const DxFloatField* field = Field();
    if (field == nullptr || !mAuto)
        return;
    double lo = NAN, hi = NAN;
    for (double v : *field)
    {
        if (std::isnan(v))
            continue;
        if (!(v >= lo))
            lo = v;
        if (!(v <= hi))
            hi = v;
    }
    mRangeMin = lo;
    mRangeMax = hi;
    mInterval = NiceInterval(hi - lo);
    // An infinite or overflowing range gives no usable step.
    if (!(mInterval > 0.0) || !std::isfinite(mInterval))
        mInterval = 1.0;
    mFirst = mInterval * std::floor(lo / mInterval);
    mLast = mFirst + 10.0 * mInterval;
}

double WxContour::GetValueFromPosition(const GxPosition& inPosition) const
{
    const DxGrid* grid = Grid();
    const DxFloatField* field = Field();
    if (field == nullptr || grid->Projection() == nullptr)
        return NAN;
    const GxPoint point = grid->Projection()->Project(inPosition);
    return grid->Bounds().Contains(point) ? grid->Bilinear(field, point) : NAN;
}

void WxContour::TraceSubCell(const double* inValues, int inX0, int inY0, double inLevel, int& ioCounter)
{
    // The sub-cell's corners in the 3 x 3 cell grid, in edge order: (x0, y0+1), (x0, y0), (x0+1, y0), (x0+1, y0+1).
    const int cx[4] = {0, 0, 1, 1};
    const int cy[4] = {1, 0, 0, 1};
    const int sx = inX0 & 1, sy = inY0 & 1;
    double crossings[4][2];
    int shared[4];
    int count = 0;
    for (int e = 0; e < 4; ++e)
    {
        const int f = e, s = (e + 1) & 3;
        const double first = inValues[(sy + cy[f]) * 3 + sx + cx[f]];
        const double second = inValues[(sy + cy[s]) * 3 + sx + cx[s]];
        if (std::isnan(first) || std::isnan(second) || (inLevel <= first) == (inLevel <= second))
            continue;
        const double t = first == second ? 0.0 : (inLevel - first) / (second - first);
        crossings[count][0] = inX0 + cx[f] + t * (cx[s] - cx[f]);
        crossings[count][1] = inY0 + cy[f] + t * (cy[s] - cy[f]);
        // The cell's middle lines are crossed once for the two sub-cells beside them: project that end once.
        shared[count] = e == (sx == 0 ? 2 : 0) ? sy : e == (sy == 0 ? 3 : 1) ? 2 + sx : -1;
        ++count;
    }
    const GxPoint& origin = mTraceGrid->Origin();
    const GxPoint& delta = mTraceGrid->Delta();
    for (int k = 0; k + 1 < count; k += 2)
    {
        for (int end = 0; end < 2; ++end)
        {
            const int id = shared[k + end];
            if (id >= 0 && mSharedValid[id])
            {
                mSegments.push_back(mShared[id]);
                continue;
            }
            const GxPoint grid(origin.mX + crossings[k + end][0] * 0.5 * delta.mX,
                               origin.mY + crossings[k + end][1] * 0.5 * delta.mY);
            mSegments.push_back(mTraceProjection->Project(mTraceGrid->Projection()->Unproject(grid)));
            if (id >= 0)
            {
                mShared[id] = mSegments.back();
                mSharedValid[id] = true;
            }
        }
        if (++ioCounter == 1 && mLabels)
        {
            auto* label = new GxString(CxString(inLevel, int(std::min(mPrecision, kMaxLabelDecimals))), mTraceFont);
            label->SetPosition(mSegments.back());
            label->SetDepth(0.0);
            mLabelGroup.Add(label);
        }
        if (ioCounter > 11)
            ioCounter = 0;
    }
}

void WxContour::BuildContours()
{
    const DxGrid* grid = Grid();
    if (grid == nullptr)
        return;
    ComputeExtrema();
    mLabelGroup.ClearAll();
    mSegments.clear();
    mLevelCount = 0;
    const DxFloatField* field = Field();
    if (std::isnan(mRangeMax) || std::isnan(mRangeMin) || field == nullptr || grid->Projection() == nullptr ||
        mMap == nullptr || mMap->Projection() == nullptr)
        return;
    mTraceGrid = grid;
    mTraceProjection = mMap->Projection();
    const std::unique_ptr<GxFont> cut =
        mLabels && mLabelSizeLimit > 0 ? WxCutTextFont(*mFont, mLabelSizeLimit, "contour label") : nullptr;
    mTraceFont = cut != nullptr ? cut.get() : mFont.get();
    const CxSint32 w = grid->Width(), h = grid->Height();
    if (CxSint64(field->size()) < CxSint64(w) * h)
        return;
    const double* v = field->data();
    double sub[9];
    double level = mFirst;
    for (int n = 0; level <= mLast; ++n)
    {
        if (n == kMaxLevels)
        {
            CxDebug(CxString("contour levels capped at 1000"));
            break;
        }
        ++mLevelCount;
        int counter = 0;
        for (CxSint32 j = 0; j + 1 < h; ++j)
            for (CxSint32 i = 0; i + 1 < w; ++i)
            {
                const double a = v[i + j * w], b = v[i + 1 + j * w];
                const double c = v[i + (j + 1) * w], d = v[i + 1 + (j + 1) * w];
                int score = 0;
                for (double corner : {a, b, c, d})
                    score += !std::isnan(corner) && corner >= level ? 1 : -1;
                if (score == 4 || score == -4)
                    continue;
                // NaN propagates through the means, so a mean touching a missing corner is missing.
                sub[0] = a, sub[1] = (a + b) / 2, sub[2] = b;
                sub[3] = (a + c) / 2, sub[4] = (a + b + c + d) / 4, sub[5] = (b + d) / 2;
                sub[6] = c, sub[7] = (c + d) / 2, sub[8] = d;
                std::fill(std::begin(mSharedValid), std::end(mSharedValid), false);
                TraceSubCell(sub, 2 * i, 2 * j, level, counter);
                TraceSubCell(sub, 2 * i, 2 * j + 1, level, counter);
                TraceSubCell(sub, 2 * i + 1, 2 * j, level, counter);
                TraceSubCell(sub, 2 * i + 1, 2 * j + 1, level, counter);
            }
        const double next = level + mInterval;
        // A step below the level's ulp would repeat the level for ever.
        if (!(next > level))
            break;
        level = next;
    }
    BuildBounds();
}

void WxContour::BuildBounds()
{
    const DxGrid* grid = Grid();
    if (grid == nullptr || grid->Projection() == nullptr || mMap == nullptr || mMap->Projection() == nullptr)
        return;
    const GxRect b = grid->Bounds();
    bool first = true;
    for (const GxPoint& corner : {b.BottomLeft(), b.TopRight(), b.TopLeft(), b.BottomRight()})
    {
        const GxPoint p = mMap->Projection()->Project(grid->Projection()->Unproject(corner));
        mBounds = first ? GxRect(p, p) : mBounds.Union(GxRect(p, p));
        first = false;
    }
}

void WxContour::OnDrawProduct(GxContext& ioContext)
{
    if (Grid() == nullptr)
        return;
    ioContext.PushAttribs();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    WxGlColor(mColor, mColor.mAlpha * mAlpha);
    if (!mLines.IsDisplayListValid())
    {
        mLabelSizeLimit = WxTextSizeLimit(ioContext.ViewPortBounds().Height());
        BuildContours();
        mLines.BeginDisplayList();
        if (mWidth <= 2.0)
            ioContext.AntiAlias();
        ioContext.LineWidth(float(mWidth));
        glBegin(GL_LINES);
        for (const GxPoint& p : mSegments)
            glVertex3d(p.mX, p.mY, 0.0);
        glEnd();
        mLines.EndDisplayList();
    }
    else
        mLines.DrawList();
    if (mLabels)
    {
        // Past the map's budget a label stays without a texture and is not drawn.
        for (GxString* label : mLabelGroup.Strings())
        {
            if (mMap != nullptr)
                mMap->LabelTextures().Texture(*label, ioContext);
            else
                label->Texture(ioContext);
        }
        mLabelGroup.SetDirty();
        if (mOutline)
        {
            WxGlColor(mColor.Brightness() > 0.6 ? GxColor(0, 0, 0, 1) : GxColor(1, 1, 1, 1), mAlpha * 0.8);
            for (int k = 0; k < 5; ++k)
            {
                const float d = float(-1.0 + 0.3 * k);
                for (const auto& [x, y] : {std::pair{-d, -d}, {d, d}, {-d, d}, {d, -d}})
                    mLabelGroup.DrawGL(ioContext, 0.0f, x, y);
            }
        }
        WxGlColor(mColor, mColor.mAlpha * mAlpha);
        mLabelGroup.DrawGL(ioContext, 0.0f, 0.0f, 0.0f);
    }
    ioContext.PopAttribs();
}

void WxContour::OnDrawIcon(GxContext& ioContext)
{
    static const std::vector<std::vector<std::pair<int, int>>> kStrips = {
        {{0, 0}, {4, 4}, {8, 4}, {12, 0}},
        {{0, 12}, {6, 20}, {6, 24}, {0, 32}},
        {{0, 4}, {4, 12}, {12, 20}, {12, 28}, {8, 32}},
        {{20, 0}, {16, 2}, {12, 4}, {8, 8}, {8, 12}, {20, 24}, {20, 28}, {16, 32}},
        {{16, 8}, {12, 8}, {12, 12}, {16, 16}, {24, 16}, {28, 12}, {28, 8}, {24, 4}, {20, 4}, {16, 8}},
        {{32, 12}, {24, 20}, {24, 24}, {28, 28}, {28, 32}},
        {{24, 0}, {32, 8}}};
    ioContext.PushAttribs();
    ioContext.AntiAlias();
    WxGlColor(mColor, mColor.mAlpha * (mAlpha * (mVisible ? 1.0 : 0.2)));
    ioContext.LineWidth(float(mWidth));
    for (const auto& strip : kStrips)
    {
        glBegin(GL_LINE_STRIP);
        for (const auto& [x, y] : strip)
            glVertex2d(x, y);
        glEnd();
    }
    ioContext.PopAttribs();
}

void WxContour::OnInternalize(const XmlElement* inXml)
{
    CxAssertText(inXml != nullptr, "inXml != nil");
    if (inXml == nullptr)
        return;
    CxAssert(inXml->Name() == "contour");
    ReadCommonAttributes(inXml, true);
    mDatasetId = inXml->GetAttribute("dataset");
    SetSet(DxSet::FindOrCreateSet(mDatasetId, 1));
    // A set the registry gives another kind has no station manager: the stand-in definition serves.
    const CxString id = inXml->GetAttribute("parm");
    const DxUnit unit(inXml->GetAttribute("units"));
    DxObsManager* manager = Set() != nullptr ? Set()->ObsManager() : nullptr;
    const DxParm found = manager != nullptr ? manager->FindParm(id) : DxParm(id, id, kDxTypeFloat, DxUnit(), {}, 1.0);
    SetParameter(DxParm(found.Id(), found.Name(), found.Type(), unit, found.UnitSet(), found.Resolution()));
    WxProduct::SetColor(GxColor(inXml->GetAttribute("color")));
    SetLineWidth(inXml->GetAttribute("width").AsDouble());
    SetLabelFlag(inXml->GetAttribute("labels").AsBool());
    SetPrecision(inXml->GetAttribute("labelPrecision").AsUint32());
    SetAlpha(WxReadDouble(inXml->GetAttribute("alpha")));
    SetDrawOutline(inXml->GetAttribute("outline").AsBool());
    const CxString automatic = inXml->GetAttribute("auto");
    SetAuto(automatic.Length() == 0 || automatic.AsBool());
    if (!mAuto)
    {
        SetMinimum(inXml->GetAttribute("min").AsDouble());
        SetMaximum(inXml->GetAttribute("max").AsDouble());
        SetContourInterval(inXml->GetAttribute("interval").AsDouble());
    }
    if (const XmlElement* font = inXml->FindElement(CxString("font")))
        mFont->Internalize(font);
}

void WxContour::OnExternalize(XmlBuilder& ioBuilder) const
{
    ioBuilder.Begin(CxString("contour"));
    WriteCommonAttributes(ioBuilder);
    ioBuilder.Attribute("dataset", Set() != nullptr ? Set()->Id() : mDatasetId);
    ioBuilder.Attribute("parm", mParm.Id());
    ioBuilder.Attribute("units", mParm.Unit().Id());
    ioBuilder.Attribute("color", mColor.AsString());
    ioBuilder.Attribute("width", CxString(mWidth, 1));
    ioBuilder.Attribute("labels", CxString(mLabels ? "true" : "false"));
    ioBuilder.Attribute("labelPrecision", CxString(CxUint32(mPrecision)));
    ioBuilder.Attribute("outline", CxString(mOutline ? "true" : "false"));
    ioBuilder.Attribute("auto", CxString(mAuto ? "true" : "false"));
    const auto decimals = CxSint32(std::min(mPrecision, kMaxLabelDecimals));
    ioBuilder.Attribute("max", WxWriteNumber(mLast, decimals));
    ioBuilder.Attribute("min", WxWriteNumber(mFirst, decimals));
    ioBuilder.Attribute("interval", WxWriteNumber(mInterval, decimals));
    WriteDataFlags(ioBuilder);
    if (mFont != nullptr)
        mFont->Externalize(ioBuilder);
    ioBuilder.End(CxString("contour"));
}

void WxContour::OnDatesChanged(const CxDate& inStart, const CxDate& inEnd)
{
    WxForwardDates(*this, inStart, inEnd);
}

void WxContour::OnIntervalChanged(CxSint64 inSeconds)
{
    WxForwardInterval(*this, inSeconds);
}

void WxContour::OnDateChanged(const CxDate& inDate)
{
    WxForwardDate(*this, inDate);
}

void WxContour::OnProjectionChanged()
{
    mLines.InvalidateDisplayList();
}

void WxContour::OnSetColor(const GxColor& inColor)
{
    if (inColor == mColor)
        return;
    mColor = inColor;
    ProductChanged();
}

void WxContour::OnSetFont(const GxFont& inFont)
{
    mFont = std::make_unique<GxFont>(inFont);
    if (mLabels)
        Invalidate();
}

bool WxContour::OnIsScalar() const
{
    return true;
}

bool WxContour::OnIsReadyToDraw() const
{
    return !WaitingForData();
}

GxColor WxContour::OnGetColor() const
{
    return mColor;
}

GxFont WxContour::OnGetFont() const
{
    return *mFont;
}

WxInspector* WxContour::OnCreateLegend()
{
    return new WxContourLegend(this);
}

void WxContour::OnGridChanged()
{
    mLines.InvalidateDisplayList();
    UpdateParm(mParm);
    SetName(Capitalised(mParm.Name()));
    SetStatus(CxString());
    if (Grid() != nullptr)
        WxShowFrameStatus(*this, *this);
    if (mAuto)
        ComputeExtrema();
    ProductDataChanged();
}

void WxContour::OnSetChanged()
{
    WxForwardSetChanged(mMap);
}

void WxContour::OnAuthenticationChanged()
{
    WxForwardAuthentication(*this, *this);
}
