#include "WxSeries.h"

#include "GxColor.h"
#include "GxContext.h"
#include "GxFont.h"
#include "GxString.h"
#include "WxGraph.h"
#include "WxValues.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <GL/gl.h>
#include <algorithm>
#include <utility>

namespace
{

bool SameValue(double inA, double inB)
{
    return inA == inB || (std::isnan(inA) && std::isnan(inB));
}

// 10^k as the nearest double: whole powers are exact up to 10^22, so negative ones divide.
double PowerOfTen(int inK)
{
    return inK >= 0 ? std::pow(10.0, inK) : 1.0 / std::pow(10.0, -inK);
}

constexpr double kInt64Limit = 9.2e18;

} // namespace

WxSeriesAxis::~WxSeriesAxis()
{
    DeleteStrings();
}

void WxSeriesAxis::SetMin(double inValue)
{
    if (!SameValue(inValue, mMinimum))
        mLabelsValid = false;
    mMinimum = inValue;
}

void WxSeriesAxis::SetMax(double inValue)
{
    if (!SameValue(inValue, mMaximum))
        mLabelsValid = false;
    mMaximum = inValue;
}

void WxSeriesAxis::SetAutoMin(bool inAuto)
{
    if (inAuto != mAutoMin)
        mLabelsValid = false;
    mAutoMin = inAuto;
}

void WxSeriesAxis::SetAutoMax(bool inAuto)
{
    if (inAuto != mAutoMax)
        mLabelsValid = false;
    mAutoMax = inAuto;
}

void WxSeriesAxis::SetUnit(const DxUnit& inUnit)
{
    if (inUnit.Id() != mUnit.Id())
        mLabelsValid = false;
    mUnit = inUnit;
}

void WxSeriesAxis::Internalize(const XmlElement* inXml)
{
    if (inXml == nullptr)
        return;
    SetUnit(DxUnit(inXml->GetAttribute("id")));
    auto bound = [inXml](const char* inName)
    {
        const XmlAttribute* attribute = inXml->FindAttribute(CxString(inName));
        return attribute == nullptr ? 0.0 : WxReadOptionalNumber(attribute->Value());
    };
    SetMax(bound("max"));
    SetMin(bound("min"));
    SetAutoMin(WxReadBool(inXml->GetAttribute("autoMin"), true));
    SetAutoMax(WxReadBool(inXml->GetAttribute("autoMax"), true));
}

void WxSeriesAxis::Externalize(XmlBuilder& ioBuilder) const
{
    if (mAutoMin && mAutoMax)
        return;
    ioBuilder.Begin(CxString("axis"));
    ioBuilder.Attribute("id", mUnit.Id());
    ioBuilder.Attribute("min", WxWriteNumber(mMinimum, 2));
    ioBuilder.Attribute("max", WxWriteNumber(mMaximum, 2));
    ioBuilder.Attribute("autoMin", CxString(mAutoMin ? "true" : "false"));
    ioBuilder.Attribute("autoMax", CxString(mAutoMax ? "true" : "false"));
    ioBuilder.End(CxString("axis"));
}

void WxSeriesAxis::Build(const CxRect& inRect)
{
    if (mMinimum > mMaximum)
        std::swap(mMinimum, mMaximum);
    // Another height makes another count of labels.
    if (inRect.Height() != mRect.Height())
        mLabelsValid = false;
    mRect = inRect;
    const double hi = std::isnan(mMaximum) ? 100.0 : mMaximum;
    const double lo = std::isnan(mMinimum) ? 0.0 : mMinimum;
    const double range = hi - lo;
    const double height = mRect.Height();
    const int ticks = std::max(int(height) / 20, 1);
    const double x = range / ticks;

    // Equal, infinite or overflowing bounds leave no scale; nor does a rectangle of no height.
    const bool hadTicks = mHasTicks;
    mHasTicks = height > 0 && std::isfinite(x) && x > 0 && std::isfinite(lo) && std::isfinite(hi);
    int k = mHasTicks ? int(std::floor(std::log10(x))) : 0;
    double p = PowerOfTen(k);
    // log10 may miss a whole power by an ulp; the ratio must lie in [1, 10).
    if (mHasTicks && x / p < 1.0)
        p = PowerOfTen(--k);
    else if (mHasTicks && x / p >= 10.0)
        p = PowerOfTen(++k);
    mHasTicks = mHasTicks && p > 0 && std::isfinite(p);
    if (!mHasTicks)
    {
        if (hadTicks)
            mLabelsValid = false;
        mPower = 0;
        mDecimals = 0;
        mStep = mLabelStep = mFirstLabel = 0.0;
        mTickSpacing = std::max(height, 0.0);
        mFirstTickOffset = 0.0;
        return;
    }
    double m = x / p;
    if (m < 1.0)
        m = 1.0;
    else if (m < 2.0)
        m = 2.0;
    else if (m < 5.0)
        m = 5.0;
    else
    {
        m = 1.0;
        ++k;
        p = PowerOfTen(k);
    }
    mPower = k;
    mStep = m * p;
    const double u = height / range;
    mTickSpacing = u * mStep;
    if (!(mTickSpacing > 0.0))
        mTickSpacing = height;
    // The first tick's index counted in steps is a whole number; from it the label follows without truncation.
    const double index = std::ceil(lo / mStep);
    const double first = index * mStep;
    mFirstTickOffset = (first - lo) * u;

    double labelStep = mStep;
    double firstLabel = first;
    mDecimals = 0;
    if (k < 0)
    {
        mDecimals = -k;
        labelStep = m;
        firstLabel = std::nearbyint(first / p);
    }
    if (labelStep != mLabelStep || firstLabel != mFirstLabel)
        mLabelsValid = false;
    mLabelStep = labelStep;
    mFirstLabel = firstLabel;
}

std::vector<double> WxSeriesAxis::TickOffsets() const
{
    std::vector<double> offsets;
    const double height = mRect.Height();
    if (!mHasTicks || !(mTickSpacing > 0.0))
        return offsets;
    // The spacing is at least height / ticks, so the count is bounded; the cap guards rounding.
    for (double y = mFirstTickOffset; y < height + 1 && offsets.size() <= std::size_t(height) + 2; y += mTickSpacing)
        offsets.push_back(y);
    return offsets;
}

std::vector<CxString> WxSeriesAxis::TickLabels() const
{
    std::vector<CxString> texts;
    double v = mFirstLabel;
    for (std::size_t i = 0, n = TickOffsets().size(); i < n; ++i, v += mLabelStep)
        texts.push_back(LabelText(v));
    return texts;
}

std::vector<CxString> WxSeriesAxis::DrawnTexts() const
{
    std::vector<CxString> texts;
    for (const GxString* label : mLabels)
        texts.push_back(label->GetString());
    return texts;
}

CxString WxSeriesAxis::ValueToLabel(std::int64_t inValue, std::int64_t inDivisor, std::int32_t inDecimals)
{
    if (inDecimals <= 0 || inDivisor <= 0)
        return CxString(static_cast<long long>(inValue));
    const std::int64_t q = inValue / inDivisor;
    const std::int64_t r = inValue % inDivisor < 0 ? -(inValue % inDivisor) : inValue % inDivisor;
    std::string text = inValue < 0 && q == 0 ? "-" : "";
    text += std::to_string(q) + ".";
    const std::string digits = std::to_string(r);
    if (digits.size() < std::size_t(inDecimals))
        text += std::string(std::size_t(inDecimals) - digits.size(), '0');
    text += digits;
    return CxString(text.c_str());
}

CxString WxSeriesAxis::LabelText(double inLabelValue) const
{
    // The integer form needs the value and 10^decimals inside 64 bits; beyond, the value is written directly.
    if (mDecimals <= 18 && std::fabs(inLabelValue) < kInt64Limit)
    {
        std::int64_t divisor = 1;
        for (std::int32_t i = 0; i < mDecimals; ++i)
            divisor *= 10;
        return ValueToLabel(static_cast<std::int64_t>(std::trunc(inLabelValue)), divisor, mDecimals);
    }
    return CxString(mDecimals > 0 ? inLabelValue * PowerOfTen(-mDecimals) : inLabelValue, int(mDecimals));
}

void WxSeriesAxis::BuildStrings(GxContext& ioContext)
{
    GxFont unitFont(0, 8);
    auto* name = new GxString(mUnit.Name(), &unitFont);
    name->Texture(ioContext);
    mLabels.push_back(name);
    GxFont font(0, 7);
    for (const CxString& text : TickLabels())
    {
        auto* label = new GxString(text, &font);
        label->Texture(ioContext);
        label->SetPosition(0.375, 0.375);
        label->SetDepth(0.0);
        mLabels.push_back(label);
        mWidestLabel = std::max(mWidestLabel, double(label->Width()));
    }
    mLabelsValid = true;
}

void WxSeriesAxis::DeleteStrings()
{
    for (GxString* label : mLabels)
        delete label;
    mLabels.clear();
}

void WxSeriesAxis::Draw(GxContext& ioContext, const GxColor& inBackground, bool inLeft, bool inGrid)
{
    const double height = mRect.Height();
    if (!(height > 0))
        return;
    ioContext.PushAttribs();
    if (!mLabelsValid)
        DeleteStrings();
    const double c = inBackground.Brightness() > 0.6 ? 0.0 : 1.0;
    const double width = mRect.Width();
    const double tickX = inLeft ? -2.0 : width - 2.0;
    ioContext.LineWidth(1.0f);
    glBegin(GL_LINES);
    for (double y : TickOffsets())
    {
        if (inGrid)
        {
            glColor4d(0.5, 0.5, 0.5, 0.2);
            glVertex2d(0.0, y);
            glVertex2d(width, y);
        }
        glColor4d(c, c, c, 1.0);
        glVertex2d(tickX, y);
        glVertex2d(tickX + 4.0, y);
    }
    glEnd();
    glColor4d(c, c, c, 1.0);
    if (mLabels.empty())
        BuildStrings(ioContext);
    DrawStrings(ioContext, inLeft);
    ioContext.PopAttribs();
}

void WxSeriesAxis::DrawStrings(GxContext& ioContext, bool inLeft)
{
    if (mLabels.empty())
        return;
    const double width = mRect.Width();
    const double height = mRect.Height();
    const double nameX = inLeft ? -(8.0 + mWidestLabel) : width + mWidestLabel + 8.0;
    glPushMatrix();
    glTranslated(nameX, height * 0.5, 0.0);
    glRotated(90.0, 0.0, 0.0, 1.0);
    glTranslated(0.375, 0.375, 0.0);
    mLabels.front()->Draw(ioContext, kGxHAlignCenter, inLeft ? kGxVAlignBaseline : kGxVAlignTop);
    glPopMatrix();

    const double x = std::floor(inLeft ? -4.0 : width + 4.0);
    const std::vector<double> ticks = TickOffsets();
    for (std::size_t i = 1; i < mLabels.size() && i - 1 < ticks.size(); ++i)
    {
        glPushMatrix();
        glTranslated(x, std::floor(ticks[i - 1]), 0.0);
        mLabels[i]->Draw(ioContext, inLeft ? kGxHAlignRight : kGxHAlignLeft, kGxVAlignCenter);
        glPopMatrix();
    }
}

// ---- series base

WxSeries::WxSeries(WxGraph* inGraph)
{
    if (inGraph != nullptr)
        inGraph->AdoptSeries(this, nullptr, false);
}

WxSeries::~WxSeries()
{
    mLegendString.reset();
    mStatusString.reset();
    if (mGraph != nullptr)
        mGraph->OrphanSeries(this);
}

CxString WxSeries::AxisUnitId() const
{
    return CxString("nada");
}

void WxSeries::SeriesChanged()
{
    InvalidateDisplayList();
    if (mGraph != nullptr)
        mGraph->SeriesChanged(this);
}

void WxSeries::SeriesDataChanged()
{
    InvalidateDisplayList();
    if (mGraph != nullptr)
        mGraph->SeriesDataChanged(this);
}

void WxSeries::SetName(const CxString& inName)
{
    mName = inName;
    mLegendStale = true;
    SeriesDataChanged();
}

void WxSeries::SetStatus(const CxString& inStatus)
{
    mStatus = inStatus;
    mStatusStale = true;
    SeriesDataChanged();
}

void WxSeries::SetVisibility(bool inVisible)
{
    if (inVisible == mVisible)
        return;
    mVisible = inVisible;
    // Drawing skips a hidden series, so the compiled list stays good.
    if (mGraph != nullptr)
        mGraph->SeriesChanged(this);
}

void WxSeries::SetSelected(bool inSelected)
{
    if (inSelected == mSelected)
        return;
    mSelected = inSelected;
    if (mGraph != nullptr)
        mGraph->SelectionChanged(this);
}

void WxSeries::SetAlpha(double inAlpha)
{
    mAlpha = inAlpha;
    SeriesChanged();
}

void WxSeries::SetAuthenticationFailed(bool inFailed)
{
    if (inFailed == mAuthenticationFailed)
        return;
    mAuthenticationFailed = inFailed;
    SeriesDataChanged();
}

void WxSeries::OnDrawSeries(GxContext&) {}

void WxSeries::OnDrawIcon(GxContext&) {}

void WxSeries::OnInternalize(const XmlElement*) {}

void WxSeries::OnExternalize(XmlBuilder&) const {}

void WxSeries::OnDatesChanged(const CxDate&, const CxDate&) {}

void WxSeries::OnBackgroundChanged() {}

void WxSeries::OnTrackingChanged(const GxPoint&) {}

bool WxSeries::OnGetAttributesFromPoint(const GxPoint&, CxStringList& outNames, CxStringList& outValues)
{
    outNames.clear();
    outValues.clear();
    return false;
}

// ---- pane divider

WxSeriesSplit::WxSeriesSplit(WxGraph* inGraph) : WxSeries(inGraph)
{
    SetName(CxString());
}

void WxSeriesSplit::OnExternalize(XmlBuilder& ioBuilder) const
{
    ioBuilder.Begin("split");
    ioBuilder.End("split");
}
