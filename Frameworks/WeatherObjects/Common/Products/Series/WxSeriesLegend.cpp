#include "WxSeriesLegend.h"

#include "CxCoordinates.h"
#include "GxContext.h"
#include "GxFont.h"
#include "GxString.h"
#include "WxDrawSupport.h"
#include "WxGraph.h"
#include "WxSeriesClient.h"
#include "WxSeriesVectorClient.h"
#include "WxValues.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

GxColor Ink(const GxColor& inBelow)
{
    return inBelow.Brightness() <= 0.6 ? GxColor(1.0, 1.0, 1.0, 1.0) : GxColor(0.0, 0.0, 0.0, 1.0);
}

GxColor GraphColor(const WxSeries* inSeries)
{
    return inSeries->Graph() != nullptr ? inSeries->Graph()->Color() : GxColor(1.0, 1.0, 1.0, 1.0);
}

GxString* MakeText(GxContext& ioContext, const CxString& inText, CxSint16 inSize)
{
    GxFont font(CxUint32(0), inSize);
    auto* text = new GxString(inText, &font);
    text->Texture(ioContext);
    text->SetDepth(0.0);
    return text;
}

// "<speed> <unit symbol>" with the decimals given.
CxString SpeedLabel(double inSpeed, int inDecimals, const DxUnit& inUnit)
{
    CxString text(inSpeed, inDecimals);
    text += " ";
    text += inUnit.Symbol();
    return text;
}

} // namespace

WxSeriesInspector::WxSeriesInspector(WxSeries* inSeries) : mSeries(inSeries)
{
    if (inSeries != nullptr && inSeries->Graph() != nullptr)
        mTrackPoint = inSeries->Graph()->TrackingPoint();
}

WxSeriesLegend::WxSeriesLegend(WxSeriesClient* inSeries) : WxSeriesInspector(inSeries) {}

void WxSeriesLegend::OnDraw(GxContext& ioContext, const CxRect& inBounds)
{
    auto* series = dynamic_cast<WxSeriesClient*>(Series());
    if (series == nullptr)
        return;
    DeleteTextures(ioContext);
    CxStringList names, values;
    if (!series->GetAttributesFromPoint(TrackPoint(), names, values))
        return;
    double value = kNaN;
    for (auto name = names.begin(), text = values.begin(); name != names.end() && text != values.end(); ++name, ++text)
        if (*name == "value")
        {
            value = WxReadOptionalNumber(*text);
            break;
        }
    const double minimum = series->DataMinimum();
    const double maximum = series->DataMaximum();
    const double a = Alpha();
    const double w = inBounds.Width();
    const double h = inBounds.Height();
    const double b = h - 20.0;
    // A scale of no extent places nothing: no marker, and the value stands at the bar's bottom.
    const bool spread = maximum > minimum;
    const double y = spread ? b * (value - minimum) / (maximum - minimum) : 0.0;
    const bool hasValue = std::isfinite(y) && !std::isnan(value);

    ioContext.PushAttribs();
    glPushMatrix();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glTranslated(0.0, (h - b) * 0.5, 0.0);
    glTranslated(std::floor(w * 0.375), 0.0, 0.0);
    const double bw = w * 0.25;
    const GxColor ink = Ink(Color());
    WxDrawLegendBar(ioContext, GraphColor(series), ink, a, bw, b);
    if (hasValue && spread)
    {
        WxGlColor(ink, a);
        WxLine(0.0, y, bw + 4.0, y);
    }

    WxSeriesAxis axis;
    axis.SetMin(minimum);
    axis.SetMax(maximum);
    axis.SetUnit(series->Parameter().Unit());
    axis.Build(CxRect(inBounds.left, inBounds.top, CxSint16(inBounds.left + 3), CxSint16(inBounds.top + b)));
    GxColor panel = Color();
    panel.mAlpha *= a;
    axis.Draw(ioContext, panel, true, true);

    if (hasValue)
    {
        GxString* text = MakeText(ioContext, CxString(value, int(axis.Decimals()) + 1), 9);
        text->SetPosition(bw + 8.0, std::trunc(y) + 0.375);
        const GxColor& color = series->Color();
        WxGlColor(color, color.mAlpha * a);
        text->Draw(ioContext, kGxHAlignLeft, kGxVAlignCenter);
        delete text;
    }
    glPopMatrix();
    ioContext.PopAttribs();
}

WxSeriesVectorLegend::WxSeriesVectorLegend(WxSeriesVectorClient* inSeries) : WxSeriesInspector(inSeries) {}

void WxSeriesVectorLegend::OnDraw(GxContext& ioContext, const CxRect& inBounds)
{
    auto* series = dynamic_cast<WxSeriesVectorClient*>(Series());
    if (series == nullptr)
        return;
    static const double kSpeeds[] = {1, 5, 10, 15, 20, 25, 30};
    const double w = inBounds.Width();
    const double h = inBounds.Height();
    const double s = (h - 20.0) / 7.0;
    const double a = series->IsVisible() ? 1.0 : 0.2;
    const GxColor ink = Ink(GraphColor(series));

    ioContext.PushAttribs();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glPushMatrix();
    glTranslated(w * 0.5, (h - 6.0 * s) * 0.5 + 6.0 * s, 0.0);
    glTranslated(-15.0, 0.0, 0.0);
    glPushMatrix();
    const GxColor& color = series->Color();
    WxGlColor(color, a * Alpha());
    for (double speed : kSpeeds)
    {
        GxVector::FromMagnitudeAndDegrees(std::min(speed, 30.0), 90.0)
            .DrawArrow(ioContext, GxPoint(0.0, 0.0), series->Scale());
        glTranslated(0.0, -s, 0.0);
    }
    glPopMatrix();
    if (mGxStrings.empty())
        for (double speed : kSpeeds)
            mGxStrings.push_back(MakeText(ioContext, SpeedLabel(speed, 0, series->Parameter().Unit()), 8));
    glTranslated(-8.0, 0.0, 0.0);
    WxGlColor(ink, Alpha());
    for (GxString* text : mGxStrings)
    {
        text->SetPosition(0.0, 0.0);
        text->Draw(ioContext, kGxHAlignRight, kGxVAlignCenter);
        glTranslated(0.0, -s, 0.0);
    }
    glPopMatrix();
    ioContext.PopAttribs();
}

WxSeriesBarbLegend::WxSeriesBarbLegend(WxSeriesVectorClient* inSeries) : WxSeriesInspector(inSeries) {}

WxSeriesBarbLegend::~WxSeriesBarbLegend() = default;

CxString WxSeriesBarbLegend::SpeedText() const
{
    return mSpeedText != nullptr ? mSpeedText->GetString() : CxString();
}

void WxSeriesBarbLegend::OnDraw(GxContext& ioContext, const CxRect& inBounds)
{
    auto* series = dynamic_cast<WxSeriesVectorClient*>(Series());
    if (series == nullptr)
        return;
    DeleteTextures(ioContext);
    CxRect rect = inBounds;
    rect.Normalize();
    const GxColor ink = Ink(GraphColor(series));
    const double base = series->BaseMagnitude();
    const int decimals = base != std::floor(base) ? 1 : 0;

    GxVector current(kNaN, kNaN);
    series->GetVectorFromPoint(TrackPoint(), current);
    const double m = current.Magnitude();
    // Barb counts: pennants, long and short barbs.
    struct Counts
    {
        double mFlags, mLong, mShort;
        bool operator==(const Counts&) const = default;
    };
    const auto counts = [](double inN)
    {
        const double half = std::trunc(inN * 0.5);
        const double flags = std::trunc(half * 0.2);
        return Counts{flags, half - 5.0 * flags, inN - 2.0 * half};
    };
    // Without a current wind there are no counts to compare: NaN must not become a count.
    const bool hasWind = std::isfinite(m);
    const Counts now = hasWind ? counts(std::trunc(m / base)) : Counts{-1.0, -1.0, -1.0};

    std::vector<double> speeds;
    for (int i = 0; i <= 10; ++i)
        speeds.push_back(base * i);
    speeds.push_back(hasWind && m > 10.0 * base ? m : 15.0 * base);
    mPickedRow = -1;
    std::vector<GxVector> winds;
    for (std::size_t i = 0; i < speeds.size(); ++i)
    {
        winds.push_back(GxVector::FromMagnitudeAndDegrees(speeds[i], 90.0));
        if (hasWind && mPickedRow < 0 && counts(std::trunc((speeds[i] + base / 2.0) / base)) == now)
        {
            winds.back() = current;
            mPickedRow = int(i);
        }
    }

    const double w = rect.Width();
    const double h = rect.Height();
    const double s = (h - 20.0) / 12.0;
    const double a = series->IsVisible() ? 1.0 : 0.2;
    ioContext.PushAttribs();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    ioContext.AntiAlias();
    glPushMatrix();
    glTranslated(0.0, 20.0, 0.0);
    glTranslated(w * 0.5, 0.0, 0.0);
    glPushMatrix();
    const GxColor& color = series->Color();
    for (std::size_t k = 0; k < winds.size(); ++k)
    {
        const std::size_t i = winds.size() - 1 - k;
        if (int(i) == mPickedRow)
        {
            WxGlColor(ink, 0.1 * Alpha());
            WxFillRect(-w / 2.0, -s / 2.0 - (k == 0 ? 0.0 : 1.0), w / 2.0, s / 2.0);
            mSpeedText.reset(MakeText(ioContext, CxString(m, decimals), 8));
            mSpeedText->SetPosition(w * 0.5 - mSpeedText->Width() - 5.0, 0.0);
            WxGlColor(ink, Alpha());
            mSpeedText->Draw(ioContext, kGxHAlignRight, kGxVAlignCenter);
        }
        WxGlColor(color, a * Alpha());
        if (k == 0)
            winds[i].DrawBarb(GxPoint(5.0, 0.0), 16.0, base);
        else
            winds[i].DrawBarb(GxPoint(0.0, 0.0), 15.0, base);
        glTranslated(0.0, s, 0.0);
    }
    if (mPickedRow < 0)
    {
        mSpeedText.reset();
    }
    glPopMatrix();

    mKeyTexts.clear();
    for (double speed : speeds)
    {
        mKeyTexts.push_back(CxString(speed, decimals));
        mGxStrings.push_back(MakeText(ioContext, SpeedLabel(speed, decimals, series->Parameter().Unit()), 8));
    }
    glTranslated(-10.0, 0.0, 0.0);
    WxGlColor(ink, Alpha());
    for (auto text = mGxStrings.rbegin(); text != mGxStrings.rend(); ++text)
    {
        (*text)->SetPosition(0.0, 0.0);
        (*text)->Draw(ioContext, kGxHAlignRight, kGxVAlignCenter);
        glTranslated(0.0, s, 0.0);
    }
    glPopMatrix();
    ioContext.PopAttribs();
}
