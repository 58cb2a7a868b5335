// Map geometry in doubles: points, rectangles and segments (y grows upwards), geographic positions with their
// text formats, and wind vectors. Pure values, safe on any thread.
#pragma once

#include "CxString.h"
#include "CxTypes.h"
#include "GxSymbol.h"

// The value of pi the degree conversions use.
inline constexpr double kGxPi = 3.141592653589793;

class GxRect;

class GxPoint
{
public:
    GxPoint() = default;
    GxPoint(double inX, double inY) : mX(inX), mY(inY) {}

    GxPoint& operator+=(const GxPoint& inPoint);
    GxPoint& operator-=(const GxPoint& inPoint);
    GxPoint operator+(const GxPoint& inPoint) const { return GxPoint(mX + inPoint.mX, mY + inPoint.mY); }
    GxPoint operator-(const GxPoint& inPoint) const { return GxPoint(mX - inPoint.mX, mY - inPoint.mY); }
    GxPoint operator-() const { return GxPoint(-mX, -mY); }

    bool IsEqualTo(const GxPoint& inPoint) const { return mX == inPoint.mX && mY == inPoint.mY; }
    bool operator==(const GxPoint& inPoint) const { return IsEqualTo(inPoint); }
    bool operator!=(const GxPoint& inPoint) const { return !IsEqualTo(inPoint); }

    double DistanceFromPoint(const GxPoint& inPoint) const;
    GxPoint Midpoint(const GxPoint& inPoint) const;
    GxPoint Pin(const GxRect& inRect) const;
    bool IsInside(const GxRect& inRect) const;
    GxPoint Map(const GxRect& inFrom, const GxRect& inTo) const;

    CxString AsString() const;

    double mX = 0.0;
    double mY = 0.0;
};

// The slope from a to b; equal x values are reported and give an infinite or NaN slope.
double CalcM(const GxPoint& inA, const GxPoint& inB);

// Cohen-Sutherland outcode bits.
enum : CxUint32
{
    kGxClipLeft = 1,
    kGxClipRight = 2,
    kGxClipBottom = 4,
    kGxClipTop = 8
};

class GxRect
{
public:
    GxRect() = default;
    GxRect(double inLeft, double inBottom, double inRight, double inTop)
        : mLeft(inLeft), mBottom(inBottom), mRight(inRight), mTop(inTop)
    {
    }
    GxRect(const GxPoint& inA, const GxPoint& inB);

    double Width() const { return mRight - mLeft; }
    double Height() const { return mTop - mBottom; }
    void SetWidth(double inWidth) { mRight = mLeft + inWidth; }
    void SetHeight(double inHeight) { mTop = mBottom + inHeight; }

    double XCenter() const { return (mLeft + mRight) / 2.0; }
    double YCenter() const { return (mBottom + mTop) / 2.0; }
    GxPoint Center() const { return GxPoint(XCenter(), YCenter()); }
    GxPoint TopLeft() const { return GxPoint(mLeft, mTop); }
    GxPoint TopRight() const { return GxPoint(mRight, mTop); }
    GxPoint BottomLeft() const { return GxPoint(mLeft, mBottom); }
    GxPoint BottomRight() const { return GxPoint(mRight, mBottom); }
    GxPoint TopCenter() const { return GxPoint(XCenter(), mTop); }
    GxPoint BottomCenter() const { return GxPoint(XCenter(), mBottom); }
    GxPoint LeftCenter() const { return GxPoint(mLeft, YCenter()); }
    GxPoint RightCenter() const { return GxPoint(mRight, YCenter()); }

    bool IsEmpty() const { return mLeft >= mRight || mBottom >= mTop; }
    bool Contains(const GxPoint& inPoint) const;
    bool Contains(const GxRect& inRect) const;
    bool IsInside(const GxRect& inRect) const { return inRect.Contains(*this); }

    bool IsEqualTo(const GxRect& inRect) const;
    bool operator==(const GxRect& inRect) const { return IsEqualTo(inRect); }
    bool operator!=(const GxRect& inRect) const { return !IsEqualTo(inRect); }

    void ExpandToContain(const GxPoint& inPoint);
    void Offset(double inDx, double inDy);
    void Offset(const GxPoint& inDelta) { Offset(inDelta.mX, inDelta.mY); }
    void Inset(double inDx, double inDy);
    void Outset(double inDx, double inDy) { Inset(-inDx, -inDy); }
    void ExpandByPercentage(double inPercent);
    void Normalize();
    void CenterOn(double inX, double inY);
    void CenterOn(const GxPoint& inPoint) { CenterOn(inPoint.mX, inPoint.mY); }

    GxRect Union(const GxRect& inRect) const;
    GxRect Intersection(const GxRect& inRect) const;
    bool Intersects(const GxRect& inRect) const { return !Intersection(inRect).IsEmpty(); }

    CxUint32 CalcClipCode(const GxPoint& inPoint) const;
    // Clips the segment a-b to this rectangle in place; false when nothing of it (or a single point) is left.
    bool ClipLine(GxPoint& ioA, GxPoint& ioB) const;

    CxString AsString() const;

    double mLeft = 0.0;
    double mBottom = 0.0;
    double mRight = 0.0;
    double mTop = 0.0;
};

class GxLineSegment
{
public:
    GxLineSegment() = default;
    GxLineSegment(const GxPoint& inStart, const GxPoint& inEnd) : mStart(inStart), mEnd(inEnd) {}

    // True when the two segments cross; the crossing is written only then.
    bool Intersects(const GxLineSegment& inOther, GxPoint& outPoint) const;
    // The first crossing with the rectangle's edges: top, right, left, bottom.
    bool Intersects(const GxRect& inRect, GxPoint& outPoint) const;
    // Cuts the segment to the rectangle; a segment that cannot be cut is left unchanged.
    void ClipToRect(const GxRect& inRect);

    GxPoint mStart;
    GxPoint mEnd;
};

// A geographic position in radians, east and north positive. NaN means unknown.
class GxPosition
{
public:
    class LatLonFormatter;

    GxPosition() = default;
    GxPosition(double inLongitude, double inLatitude) : mLongitude(inLongitude), mLatitude(inLatitude) {}

    // These set the position and return it.
    GxPosition& FromRadians(double inLongitude, double inLatitude);
    GxPosition& FromRadians(const GxPoint& inPoint) { return FromRadians(inPoint.mX, inPoint.mY); }
    GxPosition& FromDegrees(double inLongitude, double inLatitude);
    GxPosition& FromDegrees(const GxPoint& inPoint) { return FromDegrees(inPoint.mX, inPoint.mY); }

    GxPosition AsRadians() const { return *this; }
    GxPosition AsDegrees() const;

    bool IsEqualTo(const GxPosition& inPosition) const
    {
        return mLongitude == inPosition.mLongitude && mLatitude == inPosition.mLatitude;
    }
    bool operator==(const GxPosition& inPosition) const { return IsEqualTo(inPosition); }
    bool operator!=(const GxPosition& inPosition) const { return !IsEqualTo(inPosition); }

    static double CalcDegrees(double inDegrees, double inMinutes, double inSeconds);
    static double CalcRadians(double inDegrees, double inMinutes, double inSeconds);

    CxString AsString(const CxString& inFormat) const;
    CxString AsString() const;
    // The regional grid-cell code, NaN outside its area.
    double AsSifort() const;

    double mLongitude = 0.0;
    double mLatitude = 0.0;
};

// One run of the position format language.
class GxPosition::LatLonFormatter
{
public:
    LatLonFormatter() = default;

    CxString Format(const GxPosition& inPosition, const CxString& inFormat);
    void Reset();
    void Error();

private:
    enum State : CxSint32
    {
        kText = 0,
        kPercent = 1,
        kWidth = 2,
        kPoint = 3,
        kDecimals = 4,
        kUnit = 5,
        kError = -1
    };

    void ResetField();
    void Step(CxUint16 inUnit);
    // A letter opens the field's unit selector; anything else is an error.
    void BeginSelector(CxUint16 inUnit);
    void AppendField(CxUint16 inValueLetter);
    void AppendHemisphere(bool inLatitude);
    void AppendSifort();

    GxPosition mPosition;
    CxSint32 mState = kText;
    CxSint32 mWidth = 0;
    CxSint32 mDecimals = 0;
    bool mZeroPad = false;
    bool mExact = false;
    CxString mSelector;
    CxString mFormat;
    CxString mOutput;
    CxUint32 mIndex = 0;
};

// A wind vector: u and v components. Directions are meteorological (where the wind comes from, clockwise from
// north): u = -speed sin(direction), v = -speed cos(direction).
class GxVector
{
public:
    GxVector() = default;
    GxVector(double inU, double inV) : mU(inU), mV(inV) {}
    // Every constructor gives the default head; assignment copies u and v only.
    GxVector(const GxVector& inVector) : mU(inVector.mU), mV(inVector.mV) {}
    GxVector& operator=(const GxVector& inVector)
    {
        mU = inVector.mU;
        mV = inVector.mV;
        return *this;
    }

    [[nodiscard]] static GxVector FromComponents(double inU, double inV) { return GxVector(inU, inV); }
    [[nodiscard]] static GxVector FromComponents(const GxPoint& inUV) { return GxVector(inUV.mX, inUV.mY); }
    [[nodiscard]] static GxVector FromMagnitudeAndDegrees(double inSpeed, double inDegrees);
    [[nodiscard]] static GxVector FromMagnitudeAndDegrees(const GxPoint& inSpeedAndDegrees);
    [[nodiscard]] static GxVector FromMagnitudeAndRadians(double inSpeed, double inRadians);
    [[nodiscard]] static GxVector FromMagnitudeAndRadians(const GxPoint& inSpeedAndRadians);

    double Magnitude() const { return CalcMagnitude(mU, mV); }
    double DirectionAsRadians() const { return CalcDirection(mU, mV); }
    double DirectionAsDegrees() const;
    GxPoint AsComponents() const { return GxPoint(mU, mV); }
    GxPoint AsMagnitudeAndDegrees() const { return GxPoint(Magnitude(), DirectionAsDegrees()); }
    GxPoint AsMagnitudeAndRadians() const { return GxPoint(Magnitude(), DirectionAsRadians()); }

    void SetMagnitude(double inSpeed);
    void SetDirectionAsDegrees(double inDegrees);
    void SetDirectionAsRadians(double inRadians);

    GxVector operator+(const GxVector& inVector) const { return GxVector(mU + inVector.mU, mV + inVector.mV); }
    GxVector operator-(const GxVector& inVector) const { return GxVector(mU - inVector.mU, mV - inVector.mV); }
    bool IsEqualTo(const GxVector& inVector) const { return mU == inVector.mU && mV == inVector.mV; }
    bool operator==(const GxVector& inVector) const { return IsEqualTo(inVector); }
    bool operator!=(const GxVector& inVector) const { return !IsEqualTo(inVector); }

    static double CalcUComponent(double inSpeed, double inRadians);
    static double CalcVComponent(double inSpeed, double inRadians);
    static double CalcMagnitude(double inU, double inV);
    // In [0, 2 pi).
    static double CalcDirection(double inU, double inV);

    // A meteorological barb in the current colour at the point, its stem toward where the wind comes from: a short
    // barb per increment, a long one per two, a pennant per ten; a circle when calm. Nothing for a NaN vector or
    // an increment that is not above 0. Needs a current GL context.
    void DrawBarb(const GxPoint& inPoint, double inScale, double inIncrement) const;
    // Three lines, the head at the point, the shaft speed x scale long toward where the wind comes from; nothing
    // unless the speed is above 0. The context is not used.
    void DrawArrow(GxContext& ioContext, const GxPoint& inPoint, double inScale) const;

    double mU = 0.0;
    double mV = 0.0;
    GxSymbol mHeadSymbol{kGxSymbolSolidTriangleDown};
};
