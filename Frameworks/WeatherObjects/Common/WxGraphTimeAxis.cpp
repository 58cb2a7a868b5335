#include "CxDebug.h"
#include "GxColor.h"
#include "GxContext.h"
#include "GxFont.h"
#include "GxString.h"
#include "WxGraph.h"

#include <GL/gl.h>
#include <cmath>
#include <limits>

namespace
{

constexpr std::int64_t kDay = 86400;
constexpr std::int64_t kLadder[] = {60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200, kDay};
constexpr std::int32_t kPixelsPerLabel = 44;

// The smallest step of the ladder above the seconds per label; whole days from a day up.
std::int64_t StepFor(double inSecondsPerLabel)
{
    for (std::int64_t step : kLadder)
    {
        if (step > inSecondsPerLabel && step < kDay)
            return step;
    }
    return std::max<std::int64_t>(1, std::int64_t(std::ceil(inSecondsPerLabel / double(kDay)))) * kDay;
}

} // namespace

WxGraphTimeAxis::WxGraphTimeAxis() : mPixelsPerSecond(std::numeric_limits<double>::quiet_NaN()) {}

WxGraphTimeAxis::~WxGraphTimeAxis()
{
    DeleteStrings();
    CxAssertText(mGxStrings.empty(), "mGxStrings.size() == 0");
}

bool WxGraphTimeAxis::HasTicks() const
{
    return std::isfinite(mTickSpacing) && mTickSpacing > 0.0 && std::isfinite(mFirstTickOffset);
}

void WxGraphTimeAxis::Build(const CxDate& inStart, const CxDate& inEnd, const CxRect& inRect)
{
    mRect = inRect;
    const double width = inRect.Width();
    mLabelCount = std::max<std::int32_t>(1, std::int32_t(inRect.Width()) / kPixelsPerLabel);
    const double offset = inStart.SystemUtcOffset();
    const double localStart = inStart.AbsoluteTime() + offset;
    double localEnd = inEnd.AbsoluteTime() + offset;
    if (localEnd == localStart)
        localEnd = localStart + 3600.0;
    const double span = localEnd - localStart;
    mStartDate = inStart;
    mPixelsPerSecond = width / span;
    mTickSpacing = 0.0;
    mFirstTickOffset = 0.0;
    // A window of no width or no finite length has nothing to lay out: the loops would never end.
    const double secondsPerLabel = span / mLabelCount;
    if (!(std::isfinite(mPixelsPerSecond) && mPixelsPerSecond > 0.0 && std::isfinite(secondsPerLabel)))
    {
        mEndDate = inStart;
        mFirstTick = inStart;
        return;
    }
    mStep = StepFor(secondsPerLabel);
    mTickSpacing = mPixelsPerSecond * double(mStep);
    const double sinceBase = localStart - CxDate(1960, 1, 1, 0, 0, 0, 0).AbsoluteTime();
    const double firstSeconds =
        std::max(0.0, std::floor(double(mStep) * std::ceil(sinceBase / double(mStep)) - sinceBase));
    mFirstTickOffset = firstSeconds * mPixelsPerSecond;
    mFirstTick = inStart + firstSeconds;
    mEndDate = inStart + std::floor(width / mTickSpacing * double(mStep));
}

std::vector<double> WxGraphTimeAxis::TickOffsets() const
{
    std::vector<double> ticks;
    if (!HasTicks())
        return ticks;
    const double limit = mRect.Width() + 1.0;
    for (double x = mFirstTickOffset; x <= limit; x += mTickSpacing)
        ticks.push_back(x);
    return ticks;
}

std::vector<WxGraphTimeAxis::Label> WxGraphTimeAxis::Labels() const
{
    std::vector<Label> labels;
    const CxTimeZone zone;
    CxDate date = mFirstTick;
    CxString lastDay;
    for (double x : TickOffsets())
    {
        const double left = std::floor(x) + 0.375;
        labels.push_back({date.AsString(kCxDateFormatShortTime, zone), left, -2.625});
        const CxString day = date.AsString(kCxDateFormatShortDate, zone);
        if (day != lastDay)
            labels.push_back({day, left, -13.375});
        lastDay = day;
        date += double(mStep);
    }
    return labels;
}

void WxGraphTimeAxis::BuildStrings(GxContext& ioContext)
{
    CxAssertText(mGxStrings.empty(), "mGxStrings.size() == 0");
    GxFont font(0, 7);
    mStringPlaces = Labels();
    for (const Label& label : mStringPlaces)
    {
        auto* text = new GxString(label.mText, &font);
        text->Texture(ioContext);
        mGxStrings.push_back(text);
    }
}

void WxGraphTimeAxis::DrawStrings(GxContext& ioContext)
{
    for (std::size_t i = 0; i < mGxStrings.size() && i < mStringPlaces.size(); ++i)
    {
        glPushMatrix();
        glTranslated(mStringPlaces[i].mX, mStringPlaces[i].mY, 0.0);
        mGxStrings[i]->Draw(ioContext, kGxHAlignCenter, kGxVAlignTop);
        glPopMatrix();
    }
}

void WxGraphTimeAxis::DeleteStrings()
{
    for (GxString* text : mGxStrings)
        delete text;
    mGxStrings.clear();
    mStringPlaces.clear();
}

void WxGraphTimeAxis::Draw(GxContext& ioContext, const GxColor& inBackground)
{
    if (!HasTicks())
        return;
    ioContext.PushAttribs();
    DeleteStrings();
    const double c = inBackground.Brightness() > 0.6 ? 0.0 : 1.0;
    const double height = mRect.Height();
    ioContext.LineWidth(1.0f);
    glBegin(GL_LINES);
    for (double x : TickOffsets())
    {
        glColor4d(0.5, 0.5, 0.5, 0.2);
        glVertex2d(x, -2.0);
        glVertex2d(x, height);
        glColor4d(c, c, c, 1.0);
        glVertex2d(x, -2.0);
        glVertex2d(x, 2.0);
    }
    glEnd();
    glColor4d(c, c, c, 1.0);
    BuildStrings(ioContext);
    DrawStrings(ioContext);
    ioContext.PopAttribs();
}

void WxGraphTimeAxis::SetTrackingPoint(const GxPoint& inPoint)
{
    if (inPoint.mX >= mRect.left && inPoint.mX <= mRect.right && HasTicks())
        mTrackingTime = mStartDate + (inPoint.mX - mRect.left) / mPixelsPerSecond;
}
