#include "GxCoordinates.h"

#include "CxDebug.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <limits>

namespace
{

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Degrees to arc seconds rounded to a millionth. Degrees that went to radians and back are an ulp or so off, which
// truncating to whole seconds (or minutes) would turn into a whole unit: 35.15 degrees would be 126539.99... seconds.
double ArcSeconds(double inDegrees)
{
    return std::round(inDegrees * 3600.0 * 1e6) / 1e6;
}

double ToDegrees(double inRadians)
{
    return inRadians * 180.0 / kGxPi;
}

double ToRadians(double inDegrees)
{
    return inDegrees * kGxPi / 180.0;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------------
// GxPoint

GxPoint& GxPoint::operator+=(const GxPoint& inPoint)
{
    mX += inPoint.mX;
    mY += inPoint.mY;
    return *this;
}

GxPoint& GxPoint::operator-=(const GxPoint& inPoint)
{
    mX -= inPoint.mX;
    mY -= inPoint.mY;
    return *this;
}

double GxPoint::DistanceFromPoint(const GxPoint& inPoint) const
{
    const double dx = inPoint.mX - mX;
    const double dy = inPoint.mY - mY;
    return std::sqrt(dx * dx + dy * dy);
}

GxPoint GxPoint::Midpoint(const GxPoint& inPoint) const
{
    return GxPoint((mX + inPoint.mX) / 2.0, (mY + inPoint.mY) / 2.0);
}

GxPoint GxPoint::Pin(const GxRect& inRect) const
{
    GxPoint result(*this);
    if (result.mX < inRect.mLeft)
        result.mX = inRect.mLeft;
    if (result.mY < inRect.mBottom)
        result.mY = inRect.mBottom;
    if (result.mX > inRect.mRight)
        result.mX = inRect.mRight;
    if (result.mY > inRect.mTop)
        result.mY = inRect.mTop;
    return result;
}

bool GxPoint::IsInside(const GxRect& inRect) const
{
    return inRect.mLeft <= mX && mX <= inRect.mRight && inRect.mBottom <= mY && mY <= inRect.mTop;
}

GxPoint GxPoint::Map(const GxRect& inFrom, const GxRect& inTo) const
{
    return GxPoint(inTo.mLeft + (mX - inFrom.mLeft) * (inTo.Width() / inFrom.Width()),
                   inTo.mBottom + (mY - inFrom.mBottom) * (inTo.Height() / inFrom.Height()));
}

CxString GxPoint::AsString() const
{
    CxString result(mX, 3);
    result += ",";
    result += CxString(mY, 3);
    return result;
}

double CalcM(const GxPoint& inA, const GxPoint& inB)
{
    CxAssertText(inA.mX != inB.mX, "inA.mX != inB.mX");
    return (inB.mY - inA.mY) / (inB.mX - inA.mX);
}

// ---------------------------------------------------------------------------------------------------------------
// GxRect

GxRect::GxRect(const GxPoint& inA, const GxPoint& inB)
    : mLeft(std::min(inA.mX, inB.mX)), mBottom(std::min(inA.mY, inB.mY)), mRight(std::max(inA.mX, inB.mX)),
      mTop(std::max(inA.mY, inB.mY))
{
}

bool GxRect::Contains(const GxPoint& inPoint) const
{
    return inPoint.IsInside(*this);
}

bool GxRect::Contains(const GxRect& inRect) const
{
    return mLeft <= inRect.mLeft && inRect.mRight <= mRight && mBottom <= inRect.mBottom && inRect.mTop <= mTop;
}

bool GxRect::IsEqualTo(const GxRect& inRect) const
{
    return mLeft == inRect.mLeft && mBottom == inRect.mBottom && mRight == inRect.mRight && mTop == inRect.mTop;
}

void GxRect::ExpandToContain(const GxPoint& inPoint)
{
    mLeft = std::min(mLeft, inPoint.mX);
    mBottom = std::min(mBottom, inPoint.mY);
    mRight = std::max(mRight, inPoint.mX);
    mTop = std::max(mTop, inPoint.mY);
}

void GxRect::Offset(double inDx, double inDy)
{
    mLeft += inDx;
    mRight += inDx;
    mBottom += inDy;
    mTop += inDy;
}

void GxRect::Inset(double inDx, double inDy)
{
    mLeft += inDx;
    mRight -= inDx;
    mBottom += inDy;
    mTop -= inDy;
}

void GxRect::ExpandByPercentage(double inPercent)
{
    const double dx = Width() * inPercent / 100.0;
    const double dy = Height() * inPercent / 100.0;
    Inset(-dx, -dy);
}

void GxRect::Normalize()
{
    Offset(-mLeft, -mBottom);
}

void GxRect::CenterOn(double inX, double inY)
{
    Offset(inX - XCenter(), inY - YCenter());
}

GxRect GxRect::Union(const GxRect& inRect) const
{
    return GxRect(std::min(mLeft, inRect.mLeft), std::min(mBottom, inRect.mBottom), std::max(mRight, inRect.mRight),
                  std::max(mTop, inRect.mTop));
}

GxRect GxRect::Intersection(const GxRect& inRect) const
{
    const GxRect overlap(std::max(mLeft, inRect.mLeft), std::max(mBottom, inRect.mBottom),
                         std::min(mRight, inRect.mRight), std::min(mTop, inRect.mTop));
    return overlap.IsEmpty() ? GxRect() : overlap;
}

CxUint32 GxRect::CalcClipCode(const GxPoint& inPoint) const
{
    CxUint32 code = 0;
    if (inPoint.mX < mLeft)
        code |= kGxClipLeft;
    else if (inPoint.mX > mRight)
        code |= kGxClipRight;
    if (inPoint.mY < mBottom)
        code |= kGxClipBottom;
    else if (inPoint.mY > mTop)
        code |= kGxClipTop;
    return code;
}

bool GxRect::ClipLine(GxPoint& ioA, GxPoint& ioB) const
{
    if (Contains(ioA) && Contains(ioB))
        return true;

    // Rounding can make a point bounce between two neighbouring edges for ever; no honest segment needs more
    // than four steps per end.
    const int kMaxSteps = 16;
    CxUint32 codeA = CalcClipCode(ioA);
    CxUint32 codeB = CalcClipCode(ioB);
    for (int step = 0; (codeA | codeB) != 0; ++step)
    {
        if ((codeA & codeB) != 0 || step == kMaxSteps)
            return false;

        const bool moveA = codeA != 0;
        const CxUint32 code = moveA ? codeA : codeB;
        GxPoint crossing;
        if (code & kGxClipTop)
        {
            crossing.mX = ioA.mX + (ioB.mX - ioA.mX) * (mTop - ioA.mY) / (ioB.mY - ioA.mY);
            crossing.mY = mTop;
        }
        else if (code & kGxClipBottom)
        {
            crossing.mX = ioA.mX + (ioB.mX - ioA.mX) * (mBottom - ioA.mY) / (ioB.mY - ioA.mY);
            crossing.mY = mBottom;
        }
        else if (code & kGxClipRight)
        {
            crossing.mY = ioA.mY + (ioB.mY - ioA.mY) * (mRight - ioA.mX) / (ioB.mX - ioA.mX);
            crossing.mX = mRight;
        }
        else
        {
            crossing.mY = ioA.mY + (ioB.mY - ioA.mY) * (mLeft - ioA.mX) / (ioB.mX - ioA.mX);
            crossing.mX = mLeft;
        }

        if (moveA)
        {
            ioA = crossing;
            codeA = CalcClipCode(ioA);
        }
        else
        {
            ioB = crossing;
            codeB = CalcClipCode(ioB);
        }
    }
    return ioA != ioB;
}

CxString GxRect::AsString() const
{
    CxString result(mLeft, 3);
    result += ",";
    result += CxString(mBottom, 3);
    result += ",";
    result += CxString(mRight, 3);
    result += ",";
    result += CxString(mTop, 3);
    return result;
}

// ---------------------------------------------------------------------------------------------------------------
// GxLineSegment

bool GxLineSegment::Intersects(const GxLineSegment& inOther, GxPoint& outPoint) const
{
    const GxPoint d1 = mEnd - mStart;
    const GxPoint d2 = inOther.mEnd - inOther.mStart;
    const double denominator = d1.mY * d2.mX - d1.mX * d2.mY;
    if (denominator == 0.0)
        return false;

    const GxPoint w = inOther.mStart - mStart;
    const double s = (w.mY * d2.mX - w.mX * d2.mY) / denominator;
    const double t = (w.mY * d1.mX - w.mX * d1.mY) / denominator;
    if (!(s >= 0.0 && s <= 1.0 && t >= 0.0 && t <= 1.0))
        return false;

    outPoint = GxPoint(mStart.mX + s * d1.mX, mStart.mY + s * d1.mY);
    return true;
}

bool GxLineSegment::Intersects(const GxRect& inRect, GxPoint& outPoint) const
{
    const GxLineSegment edges[] = {
        GxLineSegment(inRect.TopLeft(), inRect.TopRight()),
        GxLineSegment(inRect.TopRight(), inRect.BottomRight()),
        GxLineSegment(inRect.TopLeft(), inRect.BottomLeft()),
        GxLineSegment(inRect.BottomLeft(), inRect.BottomRight()),
    };
    for (const GxLineSegment& edge : edges)
    {
        if (Intersects(edge, outPoint))
            return true;
    }
    return false;
}

void GxLineSegment::ClipToRect(const GxRect& inRect)
{
    GxPoint first;
    if (!Intersects(inRect, first))
        return;

    if (inRect.Contains(mStart))
    {
        mEnd = first;
        return;
    }
    if (inRect.Contains(mEnd))
    {
        mStart = first;
        return;
    }

    const GxLineSegment edges[] = {
        GxLineSegment(inRect.TopLeft(), inRect.TopRight()),
        GxLineSegment(inRect.TopLeft(), inRect.BottomLeft()),
        GxLineSegment(inRect.BottomLeft(), inRect.BottomRight()),
        GxLineSegment(inRect.TopRight(), inRect.BottomRight()),
    };
    GxPoint crossings[4];
    int count = 0;
    for (const GxLineSegment& edge : edges)
    {
        if (Intersects(edge, crossings[count]))
            ++count;
    }
    // Rounding, or a segment that only grazes a corner, can leave a single crossing: nothing to cut then.
    if (count < 2)
        return;
    mStart = crossings[0];
    mEnd = crossings[1];
}

// ---------------------------------------------------------------------------------------------------------------
// GxPosition

GxPosition& GxPosition::FromRadians(double inLongitude, double inLatitude)
{
    mLongitude = inLongitude;
    mLatitude = inLatitude;
    return *this;
}

GxPosition& GxPosition::FromDegrees(double inLongitude, double inLatitude)
{
    mLongitude = ToRadians(inLongitude);
    mLatitude = ToRadians(inLatitude);
    return *this;
}

GxPosition GxPosition::AsDegrees() const
{
    return GxPosition(ToDegrees(mLongitude), ToDegrees(mLatitude));
}

double GxPosition::CalcDegrees(double inDegrees, double inMinutes, double inSeconds)
{
    return inDegrees + inMinutes / 60.0 + inSeconds / 3600.0;
}

double GxPosition::CalcRadians(double inDegrees, double inMinutes, double inSeconds)
{
    return ToRadians(CalcDegrees(inDegrees, inMinutes, inSeconds));
}

CxString GxPosition::AsString(const CxString& inFormat) const
{
    LatLonFormatter formatter;
    return formatter.Format(*this, inFormat);
}

CxString GxPosition::AsString() const
{
    if (std::isnan(mLongitude) || std::isnan(mLatitude))
        return CxString();
    return AsString(CxString("%3.3Da%* %N, %3.3Do%* %W"));
}

double GxPosition::AsSifort() const
{
    // Arc seconds from the area's south-west corner; both stay below 83000.
    const double xSeconds = ArcSeconds(ToDegrees(mLongitude) + 80.0);
    const double ySeconds = ArcSeconds(ToDegrees(mLatitude) - 44.0);
    if (!(xSeconds >= 0.0 && xSeconds <= 82800.0 && ySeconds >= 0.0 && ySeconds <= 41400.0))
        return kNaN;
    const CxUint32 x = static_cast<CxUint32>(xSeconds);
    const CxUint32 y = static_cast<CxUint32>(ySeconds);
    const CxUint32 xa = x % 900;
    const CxUint32 ya = y % 900;
    const CxUint32 xb = xa % 300;
    const CxUint32 yb = ya % 300;
    const CxUint32 code = (x / 900 + 1) * 10000000 + (y / 900 + 1) * 100000 + ((ya / 300) * 3 + xa / 300 + 1) * 10000 +
                          ((yb / 75) * 4 + xb / 75 + 1) * 100 + (((yb % 75) / 15) * 5 + (xb % 75) / 15 + 1);
    return code;
}

// ---------------------------------------------------------------------------------------------------------------
// GxPosition::LatLonFormatter

namespace
{

// Caps that keep a hostile format from overflowing the accumulators or padding without end.
const CxSint32 kMaxWidth = 64;
const CxSint32 kMaxDecimals = 17;
const CxUint16 kDegreeSign = 176;

bool IsDigit(CxUint16 inUnit)
{
    return inUnit >= '0' && inUnit <= '9';
}

bool IsLetter(CxUint16 inUnit)
{
    return (inUnit >= 'a' && inUnit <= 'z') || (inUnit >= 'A' && inUnit <= 'Z');
}

} // namespace

void GxPosition::LatLonFormatter::ResetField()
{
    mWidth = 0;
    mDecimals = 0;
    mZeroPad = false;
    mExact = false;
    mSelector = CxString();
}

void GxPosition::LatLonFormatter::Reset()
{
    ResetField();
    mPosition = GxPosition();
    mState = kText;
    mFormat = CxString();
    mOutput = CxString();
    mIndex = 0;
}

void GxPosition::LatLonFormatter::Error()
{
    mState = kError;
    mOutput = CxString("ERROR");
}

CxString GxPosition::LatLonFormatter::Format(const GxPosition& inPosition, const CxString& inFormat)
{
    Reset();
    mPosition = inPosition;
    mFormat = inFormat;
    const CxUint32 length = mFormat.Length();
    for (mIndex = 0; mIndex < length && mState != kError; ++mIndex)
        Step(mFormat[mIndex]);
    // A field still open at the end is dropped with its state.
    return mOutput;
}

void GxPosition::LatLonFormatter::Step(CxUint16 inUnit)
{
    switch (mState)
    {
    case kText:
        if (inUnit == '%')
            mState = kPercent;
        else
            mOutput += inUnit;
        break;

    case kPercent:
        if (inUnit == 'N' || inUnit == 'W' || inUnit == 'S' || inUnit == '*')
        {
            if (inUnit == 'N')
                AppendHemisphere(true);
            else if (inUnit == 'W')
                AppendHemisphere(false);
            else if (inUnit == 'S')
                AppendSifort();
            else
                mOutput += kDegreeSign;
            ResetField();
            mState = kText;
        }
        else if (IsDigit(inUnit))
        {
            mWidth = inUnit - '0';
            mZeroPad = inUnit == '0';
            mState = kWidth;
        }
        else
            BeginSelector(inUnit);
        break;

    case kWidth:
        if (IsDigit(inUnit))
            mWidth = std::min(mWidth * 10 + (inUnit - '0'), kMaxWidth);
        else if (inUnit == '.')
        {
            mExact = true;
            mState = kPoint;
        }
        else
            BeginSelector(inUnit);
        break;

    case kPoint:
        if (IsDigit(inUnit))
        {
            mDecimals = inUnit - '0';
            mState = kDecimals;
        }
        else
            Error();
        break;

    case kDecimals:
        if (IsDigit(inUnit))
            mDecimals = std::min(mDecimals * 10 + (inUnit - '0'), kMaxDecimals);
        else
            BeginSelector(inUnit);
        break;

    case kUnit:
        if (IsLetter(inUnit))
        {
            mSelector += inUnit;
            AppendField(inUnit);
            ResetField();
            mState = kText;
        }
        else
            Error();
        break;

    default:
        break;
    }
}

void GxPosition::LatLonFormatter::BeginSelector(CxUint16 inUnit)
{
    if (!IsLetter(inUnit))
    {
        Error();
        return;
    }
    mSelector = CxString();
    mSelector += inUnit;
    mState = kUnit;
}

void GxPosition::LatLonFormatter::AppendField(CxUint16 inValueLetter)
{
    const double lon = ToDegrees(mPosition.mLongitude);
    const double lat = ToDegrees(mPosition.mLatitude);
    double degrees = 0.0;
    switch (inValueLetter)
    {
    case 'a':
        degrees = std::fabs(lat);
        break;
    case 'n':
        degrees = lat;
        break;
    case 's':
        degrees = -lat;
        break;
    case 'o':
        degrees = std::fabs(lon);
        break;
    case 'e':
        degrees = lon;
        break;
    case 'w':
        degrees = -lon;
        break;
    default:
        break;
    }

    // Degrees, minutes and seconds are split from the rounded arc seconds, so that they agree with each other.
    const double seconds = ArcSeconds(degrees);
    const double wholeDegrees = std::floor(seconds / 3600.0);
    const double wholeMinutes = std::floor((seconds - wholeDegrees * 3600.0) / 60.0);
    double number;
    switch (mSelector[0])
    {
    case 'D':
        number = degrees;
        break;
    case 'd':
        number = wholeDegrees;
        break;
    case 'm':
        number = wholeMinutes;
        break;
    case 's':
        number = std::floor(seconds - wholeDegrees * 3600.0 - wholeMinutes * 60.0);
        break;
    default:
        number = mExact ? degrees : std::floor(degrees);
        break;
    }

    CxString text(number, static_cast<int>(mDecimals));
    const CxUint32 width = static_cast<CxUint32>(mWidth);
    if (text.Length() < width)
    {
        CxString padded;
        const CxUint16 pad = mZeroPad ? '0' : ' ';
        for (CxUint32 i = text.Length(); i < width; ++i)
            padded += pad;
        padded += text;
        text = padded;
    }
    mOutput += text;
}

void GxPosition::LatLonFormatter::AppendHemisphere(bool inLatitude)
{
    if (inLatitude)
    {
        if (mPosition.mLatitude > 0.0)
            mOutput += "N";
        else if (mPosition.mLatitude < 0.0)
            mOutput += "S";
    }
    else
    {
        if (mPosition.mLongitude < 0.0)
            mOutput += "W";
        else if (mPosition.mLongitude > 0.0)
            mOutput += "E";
    }
}

void GxPosition::LatLonFormatter::AppendSifort()
{
    const double code = mPosition.AsSifort();
    if (std::isnan(code))
    {
        mOutput += "0000-0-0000";
        return;
    }
    const CxUint32 value = static_cast<CxUint32>(code);
    char text[40];
    std::snprintf(text, sizeof text, "%04" PRIu32 "-%01" PRIu32 "-%04" PRIu32, value / 100000, (value / 10000) % 10,
                  value % 10000);
    mOutput += text;
}

// ---------------------------------------------------------------------------------------------------------------
// GxVector

GxVector GxVector::FromMagnitudeAndDegrees(double inSpeed, double inDegrees)
{
    return FromMagnitudeAndRadians(inSpeed, ToRadians(inDegrees));
}

GxVector GxVector::FromMagnitudeAndDegrees(const GxPoint& inSpeedAndDegrees)
{
    return FromMagnitudeAndDegrees(inSpeedAndDegrees.mX, inSpeedAndDegrees.mY);
}

GxVector GxVector::FromMagnitudeAndRadians(double inSpeed, double inRadians)
{
    return GxVector(CalcUComponent(inSpeed, inRadians), CalcVComponent(inSpeed, inRadians));
}

GxVector GxVector::FromMagnitudeAndRadians(const GxPoint& inSpeedAndRadians)
{
    return FromMagnitudeAndRadians(inSpeedAndRadians.mX, inSpeedAndRadians.mY);
}

double GxVector::DirectionAsDegrees() const
{
    return ToDegrees(DirectionAsRadians());
}

void GxVector::SetMagnitude(double inSpeed)
{
    *this = FromMagnitudeAndRadians(inSpeed, DirectionAsRadians());
}

void GxVector::SetDirectionAsDegrees(double inDegrees)
{
    SetDirectionAsRadians(ToRadians(inDegrees));
}

void GxVector::SetDirectionAsRadians(double inRadians)
{
    *this = FromMagnitudeAndRadians(Magnitude(), inRadians);
}

double GxVector::CalcUComponent(double inSpeed, double inRadians)
{
    return -inSpeed * std::sin(inRadians);
}

double GxVector::CalcVComponent(double inSpeed, double inRadians)
{
    return -inSpeed * std::cos(inRadians);
}

double GxVector::CalcMagnitude(double inU, double inV)
{
    return std::sqrt(inU * inU + inV * inV);
}

double GxVector::CalcDirection(double inU, double inV)
{
    double direction = std::atan2(-inU, -inV);
    if (direction < 0.0)
        direction += 2.0 * kGxPi;
    // A tiny negative angle rounds up to a full turn.
    if (direction >= 2.0 * kGxPi)
        direction = 0.0;
    return direction + 0.0; // no negative zero
}
