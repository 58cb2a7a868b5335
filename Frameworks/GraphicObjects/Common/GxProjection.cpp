#include "GxProjection.h"

#include "CxDebug.h"
#include "GxMath.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
constexpr double kPi = kGxPi;
constexpr double kHalfPi = kGxPi / 2.0;
constexpr double kQuarterPi = kGxPi / 4.0;
constexpr double kTwoPi = kGxPi * 2.0;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double DegreesToRadians(double inDegrees)
{
    return inDegrees * kPi / 180.0;
}

double RadiansToDegrees(double inRadians)
{
    return inRadians * 180.0 / kPi;
}

// Wind directions are angles clockwise from north, so turning into map orientation adds the map angle of north.
GxVector Turn(const GxVector& inVector, double inRadians)
{
    const GxPoint speedAndDirection = inVector.AsMagnitudeAndRadians();
    return GxVector::FromMagnitudeAndRadians(speedAndDirection.mX, speedAndDirection.mY + inRadians);
}

// Into [-pi, pi] for longitude differences up to one turn away.
double WrapLongitude(double inRadians)
{
    if (inRadians < -kPi)
        return inRadians + kTwoPi;
    if (inRadians > kPi)
        return inRadians - kTwoPi;
    return inRadians;
}

template <class T> const T* SameKind(const GxProjection& inOther)
{
    return dynamic_cast<const T*>(&inOther);
}

void ReadCenter(const XmlElement* inXml, const char* inLonKey, const char* inLatKey, GxPosition& outCenter)
{
    outCenter.mLongitude = GxProjection::InternalizeProperty(inXml, inLonKey);
    outCenter.mLatitude = GxProjection::InternalizeProperty(inXml, inLatKey);
}
} // namespace

// ---------------------------------------------------------------------------------------------------------------
// GxProjection

GxProjection::GxProjection() : mBounds(-kPi, -kHalfPi, kPi, kHalfPi) {}

GxProjection::~GxProjection() = default;

void GxProjection::Internalize(const XmlElement*) {}

void GxProjection::Externalize(XmlBuilder& ioBuilder) const
{
    CxAssertText(false, "unknownProjection");
    ExternalizeBegin(ioBuilder, "ERROR");
    ioBuilder.Comment(" UNKNOWN PROJECTION ");
    ExternalizeEnd(ioBuilder);
}

bool GxProjection::SupportsVectorProjection() const
{
    return true;
}

bool GxProjection::IsEqualTo(const GxProjection&) const
{
    return false;
}

bool GxProjection::Contains(const GxPosition& inPosition) const
{
    return mBounds.Contains(GxPoint(inPosition.mLongitude, inPosition.mLatitude));
}

bool GxProjection::ClipPosition(GxPosition& ioPosition) const
{
    const GxPoint point(ioPosition.mLongitude, ioPosition.mLatitude);
    const bool inside = mBounds.Contains(point);
    const GxPoint pinned = point.Pin(mBounds);
    ioPosition = GxPosition(pinned.mX, pinned.mY);
    return inside;
}

bool GxProjection::ClipLine(GxPosition& ioStart, GxPosition& ioEnd) const
{
    GxPoint start(ioStart.mLongitude, ioStart.mLatitude);
    GxPoint end(ioEnd.mLongitude, ioEnd.mLatitude);
    const bool visible = mBounds.ClipLine(start, end);
    ioStart = GxPosition(start.mX, start.mY);
    ioEnd = GxPosition(end.mX, end.mY);
    return visible;
}

CxString GxProjection::Id() const
{
    XmlBuilder builder;
    Externalize(builder);
    const XmlElement* element = builder.Root()->FindElement("projection");
    return element != nullptr ? element->GetAttribute("id") : CxString();
}

void GxProjection::ExternalizeBegin(XmlBuilder& ioBuilder, const CxString& inId)
{
    ioBuilder.Begin("projection");
    ioBuilder.Attribute("id", inId);
}

void GxProjection::ExternalizeEnd(XmlBuilder& ioBuilder)
{
    ioBuilder.End("projection");
}

void GxProjection::ExternalizeProperty(XmlBuilder& ioBuilder, const CxString& inKey, double inRadians)
{
    ioBuilder.Begin("property");
    ioBuilder.Attribute("id", inKey);
    ioBuilder.Attribute("type", "float");
    ioBuilder.Attribute("value", CxString(RadiansToDegrees(inRadians), 3));
    ioBuilder.End("property");
}

double GxProjection::InternalizeProperty(const XmlElement* inXml, const CxString& inKey)
{
    if (inXml == nullptr)
    {
        CxAssertText(false, "inXml != nil");
        return kNaN;
    }
    for (auto item = inXml->ItemBegin(); item != inXml->ItemEnd(); ++item)
    {
        const XmlElement* property = AsXmlElementWithName(*item, "property");
        if (property != nullptr && property->GetAttribute("id") == inKey)
            return DegreesToRadians(property->GetAttribute("value").AsDouble());
    }
    return kNaN;
}

// ---------------------------------------------------------------------------------------------------------------
// GxRadianProjection

GxPoint GxRadianProjection::Project(const GxPosition& inPosition) const
{
    return GxPoint(inPosition.mLongitude, inPosition.mLatitude);
}

GxVector GxRadianProjection::Project(const GxVector& inVector, const GxPosition&) const
{
    return inVector;
}

GxPosition GxRadianProjection::Unproject(const GxPoint& inPoint) const
{
    return GxPosition(inPoint.mX, inPoint.mY);
}

GxProjection* GxRadianProjection::Copy() const
{
    return new GxRadianProjection();
}

void GxRadianProjection::Externalize(XmlBuilder& ioBuilder) const
{
    ExternalizeBegin(ioBuilder, "radian");
    ExternalizeEnd(ioBuilder);
}

bool GxRadianProjection::IsEqualTo(const GxProjection& inOther) const
{
    return SameKind<GxRadianProjection>(inOther) != nullptr;
}

// ---------------------------------------------------------------------------------------------------------------
// GxDegreeProjection

GxPoint GxDegreeProjection::Project(const GxPosition& inPosition) const
{
    return GxPoint(RadiansToDegrees(inPosition.mLongitude), RadiansToDegrees(inPosition.mLatitude));
}

GxVector GxDegreeProjection::Project(const GxVector& inVector, const GxPosition&) const
{
    return inVector;
}

GxPosition GxDegreeProjection::Unproject(const GxPoint& inPoint) const
{
    return GxPosition().FromDegrees(inPoint.mX, inPoint.mY);
}

GxProjection* GxDegreeProjection::Copy() const
{
    return new GxDegreeProjection();
}

void GxDegreeProjection::Externalize(XmlBuilder& ioBuilder) const
{
    ExternalizeBegin(ioBuilder, "degree");
    ExternalizeEnd(ioBuilder);
}

bool GxDegreeProjection::IsEqualTo(const GxProjection& inOther) const
{
    return SameKind<GxDegreeProjection>(inOther) != nullptr && inOther.Bounds() == mBounds;
}

// ---------------------------------------------------------------------------------------------------------------
// GxFlatProjection

const double GxFlatProjection::kStdKmPerPhi = 6367.68104774543;

GxFlatProjection::GxFlatProjection()
{
    Setup(0.0);
}

GxFlatProjection::GxFlatProjection(const GxPosition& inStandard)
{
    Setup(inStandard.mLatitude);
}

void GxFlatProjection::Setup(double inStdLat)
{
    mKx = std::cos(inStdLat) * kStdKmPerPhi;
    mKy = kStdKmPerPhi;
    mInvKx = 1.0 / mKx;
    mInvKy = 1.0 / mKy;
}

GxPoint GxFlatProjection::Project(const GxPosition& inPosition) const
{
    return GxPoint(inPosition.mLongitude * mKx, inPosition.mLatitude * mKy);
}

GxVector GxFlatProjection::Project(const GxVector& inVector, const GxPosition&) const
{
    return inVector;
}

GxPosition GxFlatProjection::Unproject(const GxPoint& inPoint) const
{
    return GxPosition(inPoint.mX * mInvKx, inPoint.mY * mInvKy);
}

GxProjection* GxFlatProjection::Copy() const
{
    return new GxFlatProjection(*this);
}

void GxFlatProjection::Internalize(const XmlElement* inXml)
{
    Setup(InternalizeProperty(inXml, "stdLat"));
}

void GxFlatProjection::Externalize(XmlBuilder& ioBuilder) const
{
    ExternalizeBegin(ioBuilder, "flatEarth");
    ExternalizeProperty(ioBuilder, "stdLat", std::acos(mKx / kStdKmPerPhi));
    ExternalizeEnd(ioBuilder);
}

bool GxFlatProjection::IsEqualTo(const GxProjection& inOther) const
{
    const auto* other = SameKind<GxFlatProjection>(inOther);
    return other != nullptr && other->mKx == mKx && other->mKy == mKy;
}

// ---------------------------------------------------------------------------------------------------------------
// GxMercatorProjection

namespace
{
constexpr double kMercatorLatLimit = 1.4835298641951802; // 85 degrees
}

GxMercatorProjection::GxMercatorProjection() : GxMercatorProjection(GxPosition().FromDegrees(-98.68, 35.48)) {}

GxMercatorProjection::GxMercatorProjection(const GxPosition& inCenter) : mCenter(inCenter)
{
    mBounds = GxRect(-kPi, -kMercatorLatLimit, kPi, kMercatorLatLimit);
    Setup();
}

void GxMercatorProjection::Setup()
{
    mKR = std::cos(mCenter.mLatitude) * kEarthRadius;
}

GxPoint GxMercatorProjection::Project(const GxPosition& inPosition) const
{
    // asinh(tan) is ln(1/cos + tan), without the cancellation near the south edge.
    return GxPoint(mKR * inPosition.mLongitude, mKR * std::asinh(std::tan(inPosition.mLatitude)));
}

GxVector GxMercatorProjection::Project(const GxVector& inVector, const GxPosition&) const
{
    return inVector;
}

GxPosition GxMercatorProjection::Unproject(const GxPoint& inPoint) const
{
    return GxPosition(inPoint.mX / mKR, std::atan(std::sinh(inPoint.mY / mKR)));
}

GxProjection* GxMercatorProjection::Copy() const
{
    return new GxMercatorProjection(mCenter);
}

void GxMercatorProjection::Internalize(const XmlElement* inXml)
{
    ReadCenter(inXml, "stdLon", "stdLat", mCenter);
    Setup();
}

void GxMercatorProjection::Externalize(XmlBuilder& ioBuilder) const
{
    ExternalizeBegin(ioBuilder, "mercator");
    ExternalizeProperty(ioBuilder, "stdLon", mCenter.mLongitude);
    ExternalizeProperty(ioBuilder, "stdLat", mCenter.mLatitude);
    ExternalizeEnd(ioBuilder);
}

bool GxMercatorProjection::IsEqualTo(const GxProjection& inOther) const
{
    const auto* other = SameKind<GxMercatorProjection>(inOther);
    return other != nullptr && other->mCenter == mCenter;
}

// ---------------------------------------------------------------------------------------------------------------
// GxPolarStereoProjection

GxPolarStereoProjection::GxPolarStereoProjection() : GxPolarStereoProjection(GxPosition().FromDegrees(-98.68, 35.48)) {}

GxPolarStereoProjection::GxPolarStereoProjection(const GxPosition& inCenter) : mCenter(inCenter)
{
    mBounds = GxRect(-kPi, 0.0, kPi, kHalfPi);
    Setup();
}

void GxPolarStereoProjection::Setup()
{
    mK = (1.0 + std::sin(mCenter.mLatitude)) * kRho;
}

GxPoint GxPolarStereoProjection::Project(const GxPosition& inPosition) const
{
    double sinLat, cosLat, sinDLon, cosDLon;
    GxSinCos(inPosition.mLatitude, sinLat, cosLat);
    GxSinCos(inPosition.mLongitude - mCenter.mLongitude, sinDLon, cosDLon);
    const double r = mK * cosLat / (1.0 + sinLat);
    return GxPoint(r * sinDLon, -r * cosDLon);
}

GxVector GxPolarStereoProjection::Project(const GxVector& inVector, const GxPosition& inPosition) const
{
    return Turn(inVector, mCenter.mLongitude - inPosition.mLongitude);
}

GxPosition GxPolarStereoProjection::Unproject(const GxPoint& inPoint) const
{
    const double lon = WrapLongitude(mCenter.mLongitude - std::atan2(-inPoint.mX, -inPoint.mY));
    const double lat = kHalfPi - 2.0 * std::atan2(std::hypot(inPoint.mX, inPoint.mY), mK);
    return GxPosition(lon, lat);
}

GxProjection* GxPolarStereoProjection::Copy() const
{
    return new GxPolarStereoProjection(mCenter);
}

void GxPolarStereoProjection::Internalize(const XmlElement* inXml)
{
    ReadCenter(inXml, "stdLon", "stdLat", mCenter);
    Setup();
}

void GxPolarStereoProjection::Externalize(XmlBuilder& ioBuilder) const
{
    ExternalizeBegin(ioBuilder, "polarStereo");
    ExternalizeProperty(ioBuilder, "stdLon", mCenter.mLongitude);
    ExternalizeProperty(ioBuilder, "stdLat", mCenter.mLatitude);
    ExternalizeEnd(ioBuilder);
}

bool GxPolarStereoProjection::IsEqualTo(const GxProjection& inOther) const
{
    const auto* other = SameKind<GxPolarStereoProjection>(inOther);
    return other != nullptr && other->mCenter == mCenter;
}

// ---------------------------------------------------------------------------------------------------------------
// GxOrthographicProjection

GxOrthographicProjection::GxOrthographicProjection()
    : GxOrthographicProjection(GxPosition().FromDegrees(-97.278, 35.333))
{
}

GxOrthographicProjection::GxOrthographicProjection(const GxPosition& inCenter) : mCenter(inCenter)
{
    Setup();
}

void GxOrthographicProjection::Setup()
{
    mCosLat0 = std::cos(mCenter.mLatitude);
    mSinLat0 = std::sin(mCenter.mLatitude);
    mBounds = GxRect(mCenter.mLongitude - kQuarterPi, mCenter.mLatitude - kPi / 6.0, mCenter.mLongitude + kQuarterPi,
                     mCenter.mLatitude + kPi / 6.0);
}

GxPoint GxOrthographicProjection::Project(const GxPosition& inPosition) const
{
    double sinLat, cosLat, sinDLon, cosDLon;
    GxSinCos(inPosition.mLatitude, sinLat, cosLat);
    GxSinCos(inPosition.mLongitude - mCenter.mLongitude, sinDLon, cosDLon);
    return GxPoint(kStdRadius * cosLat * sinDLon, kStdRadius * (mCosLat0 * sinLat - mSinLat0 * cosLat * cosDLon));
}

GxVector GxOrthographicProjection::Project(const GxVector& inVector, const GxPosition&) const
{
    return inVector;
}

GxPosition GxOrthographicProjection::Unproject(const GxPoint& inPoint) const
{
    const double rho = std::hypot(inPoint.mX, inPoint.mY);
    if (rho == 0.0)
        return mCenter;
    const double s = rho / kStdRadius;
    if (s > 1.0)
        return GxPosition(kNaN, kNaN);
    const double c = std::sqrt(1.0 - s * s);
    const double sinLat = std::clamp(mSinLat0 * c + inPoint.mY * s * mCosLat0 / rho, -1.0, 1.0);
    return GxPosition(mCenter.mLongitude + std::atan2(inPoint.mX * s, c * rho * mCosLat0 - inPoint.mY * mSinLat0 * s),
                      std::asin(sinLat));
}

GxProjection* GxOrthographicProjection::Copy() const
{
    return new GxOrthographicProjection(*this);
}

void GxOrthographicProjection::Internalize(const XmlElement* inXml)
{
    ReadCenter(inXml, "stdLon", "stdLat", mCenter);
    Setup();
}

void GxOrthographicProjection::Externalize(XmlBuilder& ioBuilder) const
{
    ExternalizeBegin(ioBuilder, "orthographic");
    ExternalizeProperty(ioBuilder, "stdLon", mCenter.mLongitude);
    ExternalizeProperty(ioBuilder, "stdLat", mCenter.mLatitude);
    ExternalizeEnd(ioBuilder);
}

bool GxOrthographicProjection::IsEqualTo(const GxProjection& inOther) const
{
    const auto* other = SameKind<GxOrthographicProjection>(inOther);
    return other != nullptr && other->mCenter == mCenter;
}

// ---------------------------------------------------------------------------------------------------------------
// GxLambertAzimuthalEqualAreaProjection

GxLambertAzimuthalEqualAreaProjection::GxLambertAzimuthalEqualAreaProjection() : mCenter(0.0, 0.0)
{
    mSinLat0 = 0.0;
    mCosLat0 = 1.0;
}

GxLambertAzimuthalEqualAreaProjection::GxLambertAzimuthalEqualAreaProjection(const GxPosition& inCenter)
    : mCenter(inCenter)
{
    Setup();
}

void GxLambertAzimuthalEqualAreaProjection::Setup()
{
    mSinLat0 = std::sin(mCenter.mLatitude);
    mCosLat0 = std::cos(mCenter.mLatitude);
    mBounds = GxRect(mCenter.mLongitude - kHalfPi, mCenter.mLatitude - kHalfPi, mCenter.mLongitude + kHalfPi,
                     mCenter.mLatitude + kHalfPi);
}

GxPoint GxLambertAzimuthalEqualAreaProjection::Project(const GxPosition& inPosition) const
{
    double dLon = inPosition.mLongitude - mCenter.mLongitude;
    if (std::abs(dLon) >= kPi)
        dLon += dLon > 0.0 ? -kTwoPi : kTwoPi;
    double sinLat, cosLat, sinDLon, cosDLon;
    GxSinCos(inPosition.mLatitude, sinLat, cosLat);
    GxSinCos(dLon, sinDLon, cosDLon);
    const double k = kEarthSphereRadius * std::sqrt(2.0 / (1.0 + mSinLat0 * sinLat + mCosLat0 * cosLat * cosDLon));
    return GxPoint(k * cosLat * sinDLon / 1000.0, k * (mCosLat0 * sinLat - mSinLat0 * cosLat * cosDLon) / 1000.0);
}

GxVector GxLambertAzimuthalEqualAreaProjection::Project(const GxVector& inVector, const GxPosition&) const
{
    CxAssertText(false, "false");
    return inVector;
}

GxPosition GxLambertAzimuthalEqualAreaProjection::Unproject(const GxPoint& inPoint) const
{
    const double x = inPoint.mX * 1000.0;
    const double y = inPoint.mY * 1000.0;
    const double rho = std::hypot(x, y);
    if (rho <= 1e-10)
        return mCenter;
    const double z = 2.0 * std::asin(rho / (2.0 * kEarthSphereRadius));
    const double sinZ = std::sin(z);
    const double cosZ = std::cos(z);
    const double lat = std::asin(cosZ * mSinLat0 + sinZ * mCosLat0 * y / rho);
    double lon;
    if (std::abs(std::abs(mCenter.mLatitude) - kHalfPi) <= 1e-10)
    {
        lon =
            mCenter.mLatitude >= 0.0 ? mCenter.mLongitude + std::atan2(x, -y) : mCenter.mLongitude - std::atan2(-x, y);
    }
    else
    {
        const double t = cosZ - std::sin(lat) * mSinLat0;
        if (t == 0.0)
            return GxPosition(mCenter.mLongitude, lat);
        lon = mCenter.mLongitude + std::atan2(x * sinZ * mCosLat0, t * rho);
    }
    if (std::abs(lon) >= kPi)
        lon += lon > 0.0 ? -kTwoPi : kTwoPi;
    return GxPosition(lon, lat);
}

GxProjection* GxLambertAzimuthalEqualAreaProjection::Copy() const
{
    return new GxLambertAzimuthalEqualAreaProjection(mCenter);
}

void GxLambertAzimuthalEqualAreaProjection::Internalize(const XmlElement* inXml)
{
    ReadCenter(inXml, "stdLon", "stdLat", mCenter);
    Setup();
}

void GxLambertAzimuthalEqualAreaProjection::Externalize(XmlBuilder& ioBuilder) const
{
    ExternalizeBegin(ioBuilder, "lambertAzimuthalEqualArea");
    ExternalizeProperty(ioBuilder, "stdLon", mCenter.mLongitude);
    ExternalizeProperty(ioBuilder, "stdLat", mCenter.mLatitude);
    ExternalizeEnd(ioBuilder);
}

bool GxLambertAzimuthalEqualAreaProjection::SupportsVectorProjection() const
{
    return false;
}

bool GxLambertAzimuthalEqualAreaProjection::IsEqualTo(const GxProjection& inOther) const
{
    const auto* other = SameKind<GxLambertAzimuthalEqualAreaProjection>(inOther);
    return other != nullptr && other->mCenter == mCenter;
}

// ---------------------------------------------------------------------------------------------------------------
// GxLambertConformalProjection

GxLambertConformalProjection::GxLambertConformalProjection()
    : GxLambertConformalProjection(DegreesToRadians(-98.0), DegreesToRadians(33.0), DegreesToRadians(45.0))
{
}

GxLambertConformalProjection::GxLambertConformalProjection(double inStdLon, double inStdLat1, double inStdLat2)
    : mStdLon(inStdLon), mStdLat1(inStdLat1), mStdLat2(inStdLat2)
{
    Setup();
}

void GxLambertConformalProjection::Setup()
{
    mCosLat1 = std::cos(mStdLat1);
    mS = 1.0;
    mT1 = std::tan(kQuarterPi - mStdLat1 / 2.0);
    mBounds = GxRect(mStdLon - kHalfPi, mStdLat1 - kQuarterPi, mStdLon + kHalfPi, mStdLat2 + kQuarterPi);
    double t2 = std::tan(kQuarterPi - mStdLat2 / 2.0);
    const double logRatio = t2 != 0.0 ? std::log(mT1 / t2) : 0.0;
    // cos(pi/2) is not quite 0 in doubles: a second latitude this close to a pole makes no cone.
    const bool lat2AtPole = std::abs(std::cos(mStdLat2)) < 1e-12;

    mN = kNaN;
    if (!lat2AtPole && logRatio != 0.0)
    {
        mN = std::log(mCosLat1 / std::cos(mStdLat2)) / logRatio;
        if (mN < 0.0)
        {
            mS = -1.0;
            mT1 = std::tan(kQuarterPi - mS * mStdLat1 / 2.0);
            t2 = std::tan(kQuarterPi - mS * mStdLat2 / 2.0);
            const double southLogRatio = std::log(mT1 / t2);
            if (southLogRatio != 0.0)
                mN = std::log(mCosLat1 / std::cos(mStdLat2)) / southLogRatio;
            else
            {
                CxAssertText(false, "false");
                mN = kNaN;
            }
        }
    }
    else if (logRatio == 0.0 && t2 != 0.0)
    {
        mN = std::sin(mS * mStdLat1);
        if (mN < 0.0)
        {
            mS = -1.0;
            mN = std::sin(mS * mStdLat1);
            mT1 = std::tan(kQuarterPi - mS * mStdLat1 / 2.0);
        }
    }
    else
        CxAssertText(false, "false");

    mRn = kR / mN;
    mInvN = 1.0 / mN;
    mRnCosLat1 = mRn * mCosLat1;
    mInvRnCosLat1 = 1.0 / mRnCosLat1;
    mLogRhoScale = std::log(mRnCosLat1) - mN * std::log(mT1);
    mRho = GxFixedPower(mN, mLogRhoScale);
}

GxPoint GxLambertConformalProjection::Project(const GxPosition& inPosition) const
{
    // t = tan(pi/4 - s lat/2) = cos lat / (1 + s sin lat) (a tan costs twice as much), and rho = Rn cos(lat1)
    // (t / t1)^n = e^(n ln t + scale), from tables. The latitude's and the cone angle's sines and cosines come in
    // one go.
    const double lat = inPosition.mLatitude;
    double sinLat, cosLat, sinTheta, cosTheta;
    GxSinCos2(lat, mN * WrapLongitude(inPosition.mLongitude - mStdLon), sinLat, cosLat, sinTheta, cosTheta);
    double t = cosLat / (1.0 + mS * sinLat);
    if (std::abs(lat) >= kHalfPi)
        t = mS * lat > 0.0 ? 0.0 : std::numeric_limits<double>::infinity();
    const double rho = mRho(t);
    return GxPoint(rho * sinTheta, -mS * rho * cosTheta);
}

GxVector GxLambertConformalProjection::Project(const GxVector& inVector, const GxPosition& inPosition) const
{
    // A southern cone opens the other way, so its meridians turn the other way.
    return Turn(inVector, -mS * mN * WrapLongitude(inPosition.mLongitude - mStdLon));
}

GxPosition GxLambertConformalProjection::Unproject(const GxPoint& inPoint) const
{
    const double rho = std::hypot(inPoint.mX, inPoint.mY) * mInvRnCosLat1;
    const double lat = mS * (kHalfPi - 2.0 * std::atan(mT1 * std::pow(rho, mInvN)));
    const double theta = std::atan2(inPoint.mX, -mS * inPoint.mY);
    const double lon = WrapLongitude(mStdLon + theta * mInvN);
    return GxPosition(std::clamp(lon, -kPi, kPi), std::clamp(lat, -kHalfPi, kHalfPi));
}

GxProjection* GxLambertConformalProjection::Copy() const
{
    return new GxLambertConformalProjection(mStdLon, mStdLat1, mStdLat2);
}

void GxLambertConformalProjection::Internalize(const XmlElement* inXml)
{
    mStdLon = InternalizeProperty(inXml, "stdLon");
    mStdLat1 = InternalizeProperty(inXml, "stdLat1");
    mStdLat2 = InternalizeProperty(inXml, "stdLat2");
    Setup();
}

void GxLambertConformalProjection::Externalize(XmlBuilder& ioBuilder) const
{
    ExternalizeBegin(ioBuilder, "lambertConformal");
    ExternalizeProperty(ioBuilder, "stdLon", mStdLon);
    ExternalizeProperty(ioBuilder, "stdLat1", mStdLat1);
    ExternalizeProperty(ioBuilder, "stdLat2", mStdLat2);
    ExternalizeEnd(ioBuilder);
}

bool GxLambertConformalProjection::IsEqualTo(const GxProjection& inOther) const
{
    const auto* other = SameKind<GxLambertConformalProjection>(inOther);
    return other != nullptr && other->mStdLon == mStdLon && other->mStdLat1 == mStdLat1 && other->mStdLat2 == mStdLat2;
}

// ---------------------------------------------------------------------------------------------------------------
// The Albers conics share their XML form.

namespace
{
void ExternalizeAlbers(XmlBuilder& ioBuilder, const char* inId, const GxPosition& inCenter, double inStdLat1,
                       double inStdLat2)
{
    GxProjection::ExternalizeBegin(ioBuilder, inId);
    GxProjection::ExternalizeProperty(ioBuilder, "centerLon", inCenter.mLongitude);
    GxProjection::ExternalizeProperty(ioBuilder, "centerLat", inCenter.mLatitude);
    GxProjection::ExternalizeProperty(ioBuilder, "stdLat1", inStdLat1);
    GxProjection::ExternalizeProperty(ioBuilder, "stdLat2", inStdLat2);
    GxProjection::ExternalizeEnd(ioBuilder);
}

void InternalizeAlbers(const XmlElement* inXml, GxPosition& outCenter, double& outStdLat1, double& outStdLat2)
{
    ReadCenter(inXml, "centerLon", "centerLat", outCenter);
    outStdLat1 = GxProjection::InternalizeProperty(inXml, "stdLat1");
    outStdLat2 = GxProjection::InternalizeProperty(inXml, "stdLat2");
}

// The angle about the apex. Beyond 90 / n degrees from the centre meridian the point lies past the apex, where
// a plain arctangent of the ratio would fold it back.
double AlbersTheta(double inX, double inRho0MinusY, double inN)
{
    return inN >= 0.0 ? std::atan2(inX, inRho0MinusY) : std::atan2(-inX, -inRho0MinusY);
}
} // namespace

// ---------------------------------------------------------------------------------------------------------------
// GxAlbersConicSphereProjection

GxAlbersConicSphereProjection::GxAlbersConicSphereProjection()
    : GxAlbersConicSphereProjection(GxPosition().FromDegrees(0.0, 35.48), DegreesToRadians(33.0),
                                    DegreesToRadians(45.0))
{
}

GxAlbersConicSphereProjection::GxAlbersConicSphereProjection(const GxPosition& inCenter, double inStdLat1,
                                                             double inStdLat2)
    : mCenter(inCenter), mStdLat1(inStdLat1), mStdLat2(inStdLat2)
{
    Setup();
}

void GxAlbersConicSphereProjection::Setup()
{
    const double sinLat1 = std::sin(mStdLat1);
    const double cosLat1 = std::cos(mStdLat1);
    mN = (sinLat1 + std::sin(mStdLat2)) / 2.0;
    CxAssertText(mN > 0.0, "mN > 0");
    mC = cosLat1 * cosLat1 + 2.0 * mN * sinLat1;
    mRho0 = kEarthRadius * std::sqrt(mC - 2.0 * mN * std::sin(mCenter.mLatitude)) / mN;
}

GxPoint GxAlbersConicSphereProjection::Project(const GxPosition& inPosition) const
{
    const double rho = kEarthRadius * std::sqrt(mC - 2.0 * mN * std::sin(inPosition.mLatitude)) / mN;
    const double theta = mN * (inPosition.mLongitude - mCenter.mLongitude);
    CxAssertText(theta >= -kPi && theta <= kPi, "(theta >= -cxPi) && (theta <= cxPi)");
    double sinTheta, cosTheta;
    GxSinCos(theta, sinTheta, cosTheta);
    return GxPoint(rho * sinTheta, mRho0 - rho * cosTheta);
}

GxVector GxAlbersConicSphereProjection::Project(const GxVector& inVector, const GxPosition& inPosition) const
{
    return Turn(inVector, (mCenter.mLongitude - inPosition.mLongitude) * mN);
}

GxPosition GxAlbersConicSphereProjection::Unproject(const GxPoint& inPoint) const
{
    const double rho0MinusY = mRho0 - inPoint.mY;
    const double rho = std::hypot(inPoint.mX, rho0MinusY);
    const double theta = AlbersTheta(inPoint.mX, rho0MinusY, mN);
    const double rhoN = rho * mN / kEarthRadius;
    double sinLat = (mC - rhoN * rhoN) / (2.0 * mN);
    // Rounding can carry the poles just past +-1.
    if (std::abs(sinLat) > 1.0 && std::abs(sinLat) < 1.0 + 1e-12)
        sinLat = std::copysign(1.0, sinLat);
    return GxPosition(theta / mN + mCenter.mLongitude, std::asin(sinLat));
}

GxProjection* GxAlbersConicSphereProjection::Copy() const
{
    return new GxAlbersConicSphereProjection(mCenter, mStdLat1, mStdLat2);
}

void GxAlbersConicSphereProjection::Internalize(const XmlElement* inXml)
{
    InternalizeAlbers(inXml, mCenter, mStdLat1, mStdLat2);
    Setup();
}

void GxAlbersConicSphereProjection::Externalize(XmlBuilder& ioBuilder) const
{
    ExternalizeAlbers(ioBuilder, "albersConicSphere", mCenter, mStdLat1, mStdLat2);
}

bool GxAlbersConicSphereProjection::IsEqualTo(const GxProjection& inOther) const
{
    const auto* other = SameKind<GxAlbersConicSphereProjection>(inOther);
    return other != nullptr && other->mCenter == mCenter && other->mStdLat1 == mStdLat1 && other->mStdLat2 == mStdLat2;
}

// ---------------------------------------------------------------------------------------------------------------
// GxAlbersConicEllipseProjection

namespace
{
constexpr double kEllipseE = 0.0818191913108684;
constexpr double kEllipseE2 = 0.0066943800667644835;
constexpr double kEllipseOneMinusE2 = 0.9933056199332355;
constexpr double kEllipseInvTwoE = 6.1110357116617315;
constexpr double kEllipseA2 = 40680631.59076899; // km^2

double EllipseQ(double inSinLat)
{
    const double eSin = kEllipseE * inSinLat;
    return kEllipseOneMinusE2 * (inSinLat / (1.0 - kEllipseE2 * inSinLat * inSinLat) -
                                 kEllipseInvTwoE * std::log((1.0 - eSin) / (1.0 + eSin)));
}

double EllipseM(double inLat)
{
    const double sinLat = std::sin(inLat);
    return std::cos(inLat) / std::sqrt(1.0 - kEllipseE2 * sinLat * sinLat);
}
} // namespace

GxAlbersConicEllipseProjection::GxAlbersConicEllipseProjection()
    : GxAlbersConicEllipseProjection(GxPosition().FromDegrees(0.0, 35.48), DegreesToRadians(33.0),
                                     DegreesToRadians(45.0))
{
}

GxAlbersConicEllipseProjection::GxAlbersConicEllipseProjection(const GxPosition& inCenter, double inStdLat1,
                                                               double inStdLat2)
    : mCenter(inCenter), mStdLat1(inStdLat1), mStdLat2(inStdLat2)
{
    Setup();
}

void GxAlbersConicEllipseProjection::Setup()
{
    const double m1 = EllipseM(mStdLat1);
    const double m2 = EllipseM(mStdLat2);
    const double q1 = EllipseQ(std::sin(mStdLat1));
    const double q2 = EllipseQ(std::sin(mStdLat2));
    mN = (m1 * m1 - m2 * m2) / (q2 - q1);
    mC = m1 * m1 + mN * q1;
    mRho0 = kEquatorialRadius * std::sqrt(mC - mN * EllipseQ(std::sin(mCenter.mLatitude))) / mN;
}

GxPoint GxAlbersConicEllipseProjection::Project(const GxPosition& inPosition) const
{
    const double rho = kEquatorialRadius * std::sqrt(mC - mN * EllipseQ(std::sin(inPosition.mLatitude))) / mN;
    double sinTheta, cosTheta;
    GxSinCos(mN * (inPosition.mLongitude - mCenter.mLongitude), sinTheta, cosTheta);
    return GxPoint(rho * sinTheta, mRho0 - rho * cosTheta);
}

GxVector GxAlbersConicEllipseProjection::Project(const GxVector& inVector, const GxPosition& inPosition) const
{
    return Turn(inVector, (mCenter.mLongitude - inPosition.mLongitude) * mN);
}

GxPosition GxAlbersConicEllipseProjection::Unproject(const GxPoint& inPoint) const
{
    const double rho0MinusY = mRho0 - inPoint.mY;
    const double rho = std::hypot(inPoint.mX, rho0MinusY);
    const double theta = AlbersTheta(inPoint.mX, rho0MinusY, mN);
    const double q = (mC - rho * rho * mN * mN / kEllipseA2) / mN;
    double lat = std::asin(q / 2.0);
    // A NaN step must end the loop too, hence the negated comparison.
    for (int step = 0; step < 100; ++step)
    {
        const double sinLat = std::sin(lat);
        const double eSin = kEllipseE * sinLat;
        const double oneMinus = 1.0 - kEllipseE2 * sinLat * sinLat;
        const double delta =
            oneMinus * oneMinus / (2.0 * std::cos(lat)) *
            (q / kEllipseOneMinusE2 - sinLat / oneMinus + kEllipseInvTwoE * std::log((1.0 - eSin) / (1.0 + eSin)));
        lat += delta;
        if (!(std::abs(delta) >= 0.0001))
            break;
    }
    return GxPosition(theta / mN + mCenter.mLongitude, lat);
}

GxProjection* GxAlbersConicEllipseProjection::Copy() const
{
    return new GxAlbersConicEllipseProjection(mCenter, mStdLat1, mStdLat2);
}

void GxAlbersConicEllipseProjection::Internalize(const XmlElement* inXml)
{
    InternalizeAlbers(inXml, mCenter, mStdLat1, mStdLat2);
    Setup();
}

void GxAlbersConicEllipseProjection::Externalize(XmlBuilder& ioBuilder) const
{
    ExternalizeAlbers(ioBuilder, "albersConicEllipse", mCenter, mStdLat1, mStdLat2);
}

bool GxAlbersConicEllipseProjection::IsEqualTo(const GxProjection& inOther) const
{
    const auto* other = SameKind<GxAlbersConicEllipseProjection>(inOther);
    return other != nullptr && other->mCenter == mCenter && other->mStdLat1 == mStdLat1 && other->mStdLat2 == mStdLat2;
}

// ---------------------------------------------------------------------------------------------------------------
// GxAlbersEqualAreaProjection

GxAlbersEqualAreaProjection::GxAlbersEqualAreaProjection()
    : GxAlbersEqualAreaProjection(GxPosition().FromDegrees(-98.0, 33.0), DegreesToRadians(34.0), DegreesToRadians(36.5))
{
}

GxAlbersEqualAreaProjection::GxAlbersEqualAreaProjection(const GxPosition& inCenter, double inStdLat1, double inStdLat2)
    : mCenter(inCenter), mStdLat1(inStdLat1), mStdLat2(inStdLat2)
{
    Setup();
}

double GxAlbersEqualAreaProjection::Q(double inSinLat) const
{
    const double eSin = mE * inSinLat;
    return (1.0 - mE2) *
           (inSinLat / (1.0 - mE2 * inSinLat * inSinLat) - mInvTwoE * std::log((1.0 - eSin) / (1.0 + eSin)));
}

void GxAlbersEqualAreaProjection::Setup()
{
    mE2 = 0.006694380022900787;
    mE = 0.08181919104281579;
    mInvOneMinusE2 = 1.0 / 0.9933056199770992;
    mInvTwoE = 6.111035731682451;
    mEpsilon = 1e-8;
    constexpr double a = kAlbersEqualAreaEarthRadius;

    const double sin1 = std::sin(mStdLat1);
    const double cos1 = std::cos(mStdLat1);
    const double m1Squared = cos1 * cos1 / (1.0 - mE2 * sin1 * sin1);
    const double q1 = Q(sin1);
    if (std::abs(mStdLat1 - mStdLat2) >= mEpsilon)
    {
        const double sin2 = std::sin(mStdLat2);
        const double cos2 = std::cos(mStdLat2);
        const double m2Squared = cos2 * cos2 / (1.0 - mE2 * sin2 * sin2);
        mN = (m1Squared - m2Squared) / (Q(sin2) - q1);
    }
    else
        mN = sin1;
    mInvN = 1.0 / mN;
    mC = m1Squared + mN * q1;
    mRho0 = a * std::sqrt(mC - mN * Q(std::sin(mCenter.mLatitude))) * mInvN;
    mN2OverA2 = mN * mN / (a * a);
    mQp = 1.0 - (1.0 - mE2) * mInvTwoE * std::log((1.0 - mE) / (1.0 + mE));
}

GxPoint GxAlbersEqualAreaProjection::Project(const GxPosition& inPosition) const
{
    double sinTheta, cosTheta;
    GxSinCos(mN * (inPosition.mLongitude - mCenter.mLongitude), sinTheta, cosTheta);
    const double rho = kAlbersEqualAreaEarthRadius * std::sqrt(mC - mN * Q(std::sin(inPosition.mLatitude))) * mInvN;
    return GxPoint(rho * sinTheta / 1000.0, (mRho0 - rho * cosTheta) / 1000.0);
}

GxVector GxAlbersEqualAreaProjection::Project(const GxVector& inVector, const GxPosition& inPosition) const
{
    return Turn(inVector, (mCenter.mLongitude - inPosition.mLongitude) * mN);
}

GxPosition GxAlbersEqualAreaProjection::Unproject(const GxPoint& inPoint) const
{
    const double x = inPoint.mX * 1000.0;
    const double rho0MinusY = mRho0 - inPoint.mY * 1000.0;
    const double theta = (x == 0.0 && rho0MinusY == 0.0) ? 0.0 : AlbersTheta(x, rho0MinusY, mN);
    const double rho = std::hypot(x, rho0MinusY);
    const double q = (mC - rho * rho * mN2OverA2) * mInvN;

    double lat;
    if (std::abs(std::abs(q) - mQp) < mEpsilon)
        lat = std::copysign(kHalfPi, q);
    else
    {
        lat = std::abs(q / 2.0) >= 1.0 ? std::copysign(kHalfPi, q) : std::asin(q / 2.0);
        for (int step = 0; step < 100; ++step)
        {
            const double sinLat = std::sin(lat);
            const double eSin = mE * sinLat;
            const double oneMinus = 1.0 - mE2 * sinLat * sinLat;
            const double delta =
                oneMinus * oneMinus / (2.0 * std::cos(lat)) *
                (q * mInvOneMinusE2 - sinLat / oneMinus + mInvTwoE * std::log((1.0 - eSin) / (1.0 + eSin)));
            lat += delta;
            if (!(std::abs(delta) > mEpsilon))
                break;
        }
    }
    return GxPosition(theta * mInvN + mCenter.mLongitude, lat);
}

GxProjection* GxAlbersEqualAreaProjection::Copy() const
{
    return new GxAlbersEqualAreaProjection(mCenter, mStdLat1, mStdLat2);
}

void GxAlbersEqualAreaProjection::Internalize(const XmlElement* inXml)
{
    InternalizeAlbers(inXml, mCenter, mStdLat1, mStdLat2);
    Setup();
}

void GxAlbersEqualAreaProjection::Externalize(XmlBuilder& ioBuilder) const
{
    ExternalizeAlbers(ioBuilder, "albersEqualArea", mCenter, mStdLat1, mStdLat2);
}

bool GxAlbersEqualAreaProjection::IsEqualTo(const GxProjection& inOther) const
{
    const auto* other = SameKind<GxAlbersEqualAreaProjection>(inOther);
    return other != nullptr && other->mCenter == mCenter && other->mStdLat1 == mStdLat1 && other->mStdLat2 == mStdLat2;
}

// ---------------------------------------------------------------------------------------------------------------
// GxUtmProjection

namespace
{
constexpr double kUtmA = 6378137.0;
constexpr double kUtmInverseFlattening = 298.257222101;
constexpr double kUtmK0 = 0.9996;
constexpr double kUtmFalseEasting = 500000.0;
} // namespace

GxUtmProjection::GxUtmProjection() : GxUtmProjection(GxPosition().FromDegrees(-99.0, 0.0)) {}

GxUtmProjection::GxUtmProjection(const GxPosition& inOrigin) : mOrigin(inOrigin)
{
    Setup();
}

void GxUtmProjection::Setup()
{
    const double f = 1.0 / kUtmInverseFlattening;
    mE2 = 2.0 * f - f * f;
    const double e4 = mE2 * mE2;
    const double e6 = e4 * mE2;
    mEp2 = mE2 / (1.0 - mE2);
    mE0 = 1.0 - mE2 / 4.0 - 3.0 * e4 / 64.0 - 5.0 * e6 / 256.0;
    mE1 = 3.0 * mE2 / 8.0 + 3.0 * e4 / 32.0 + 45.0 * e6 / 1024.0;
    mE2Coef = 15.0 * e4 / 256.0 + 45.0 * e6 / 1024.0;
    mE3 = 35.0 * e6 / 3072.0;
    mOriginLonDegrees = RadiansToDegrees(mOrigin.mLongitude);
    mM0 = MeridianArc(mOrigin.mLatitude, std::sin(mOrigin.mLatitude), std::cos(mOrigin.mLatitude));
    mInvAE0 = 1.0 / (kUtmA * mE0);
    const double root = std::sqrt(1.0 - mE2);
    const double e1 = (1.0 - root) / (1.0 + root);
    const double e1Squared = e1 * e1;
    mFoot1 = 3.0 * e1 / 2.0 - 27.0 * e1 * e1Squared / 32.0;
    mFoot2 = 21.0 * e1Squared / 16.0 - 55.0 * e1Squared * e1Squared / 32.0;
    mFoot3 = 151.0 * e1 * e1Squared / 96.0;
    mFoot4 = 1097.0 * e1Squared * e1Squared / 512.0;
}

double GxUtmProjection::MeridianArc(double inLat, double inSin, double inCos) const
{
    // sin 2x, sin 4x and sin 6x from one sine and cosine.
    const double sin2 = 2.0 * inSin * inCos;
    const double cos2 = inCos * inCos - inSin * inSin;
    const double sin4 = 2.0 * sin2 * cos2;
    const double cos4 = cos2 * cos2 - sin2 * sin2;
    const double sin6 = sin4 * cos2 + cos4 * sin2;
    return kUtmA * (mE0 * inLat - mE1 * sin2 + mE2Coef * sin4 - mE3 * sin6);
}

GxPoint GxUtmProjection::Project(const GxPosition& inPosition) const
{
    const double lat = inPosition.mLatitude;
    double lon = RadiansToDegrees(inPosition.mLongitude);
    if (lon < 0.0)
        lon += 360.0;

    double x;
    double y;
    if (std::abs(std::abs(RadiansToDegrees(lat)) - 90.0) < 1e-8)
    {
        x = 0.0;
        y = kUtmK0 * (std::copysign(kUtmA * mE0 * kHalfPi, lat) - mM0);
    }
    else
    {
        double dLon = lon - mOriginLonDegrees;
        if (std::abs(dLon) > 360.0)
            dLon += dLon > 0.0 ? -360.0 : 360.0;
        if (std::abs(dLon) > 180.0)
            dLon = dLon > 0.0 ? -std::abs(360.0 - std::abs(dLon)) : std::abs(360.0 - std::abs(dLon));

        double sinLat, cosLat;
        GxSinCos(lat, sinLat, cosLat);
        const double tanLat = sinLat / cosLat;
        const double a = DegreesToRadians(dLon) * cosLat;
        const double a2 = a * a;
        const double n = kUtmA / std::sqrt(1.0 - mE2 * sinLat * sinLat);
        const double t = tanLat * tanLat;
        const double c = mEp2 * cosLat * cosLat;
        x = kUtmK0 * n * a *
            (1.0 + a2 * ((1.0 - t + c) / 6.0 + a2 * (5.0 - 18.0 * t + t * t + 72.0 * c - 58.0 * mEp2) / 120.0));
        y = kUtmK0 * (MeridianArc(lat, sinLat, cosLat) - mM0 +
                      n * tanLat *
                          (a2 * (0.5 + a2 * ((5.0 - t + 9.0 * c + 4.0 * c * c) / 24.0 +
                                             a2 * (61.0 - 58.0 * t + t * t + 600.0 * c - 330.0 * mEp2) / 720.0))));
    }
    return GxPoint((x + kUtmFalseEasting) / 1000.0, y / 1000.0);
}

GxVector GxUtmProjection::Project(const GxVector& inVector, const GxPosition& inPosition) const
{
    // Grid north leans from true north by the meridian convergence.
    return Turn(inVector,
                -std::atan(std::tan(inPosition.mLongitude - mOrigin.mLongitude) * std::sin(inPosition.mLatitude)));
}

GxPosition GxUtmProjection::Unproject(const GxPoint& inPoint) const
{
    const double m = inPoint.mY * 1000.0 / kUtmK0 + mM0;
    const double mu = m * mInvAE0;
    const double lat1 = mu + mFoot1 * std::sin(2.0 * mu) + mFoot2 * std::sin(4.0 * mu) + mFoot3 * std::sin(6.0 * mu) +
                        mFoot4 * std::sin(8.0 * mu);
    const double sin1 = std::sin(lat1);
    const double cos1 = std::cos(lat1);
    const double tan1 = sin1 / cos1;
    const double c1 = mEp2 * cos1 * cos1;
    const double t1 = tan1 * tan1;
    const double w = 1.0 - mE2 * sin1 * sin1;
    const double n1 = kUtmA / std::sqrt(w);
    const double r1 = kUtmA * (1.0 - mE2) / (w * std::sqrt(w));
    const double d = (inPoint.mX * 1000.0 - kUtmFalseEasting) / (n1 * kUtmK0);
    const double d2 = d * d;

    const double lat =
        lat1 -
        (n1 * tan1 / r1) *
            (d2 / 2.0 - (5.0 + 3.0 * t1 + 10.0 * c1 - 4.0 * c1 * c1 - 9.0 * mEp2) * d2 * d2 / 24.0 +
             (61.0 + 90.0 * t1 + 298.0 * c1 + 45.0 * t1 * t1 - 252.0 * mEp2 - 3.0 * c1 * c1) * d2 * d2 * d2 / 720.0);
    const double lon =
        mOrigin.mLongitude +
        (d - (1.0 + 2.0 * t1 + c1) * d * d2 / 6.0 +
         (5.0 - 2.0 * c1 + 28.0 * t1 - 3.0 * c1 * c1 + 8.0 * mEp2 + 24.0 * t1 * t1) * d * d2 * d2 / 120.0) /
            cos1;
    return GxPosition(lon, lat);
}

GxProjection* GxUtmProjection::Copy() const
{
    return new GxUtmProjection(*this);
}

void GxUtmProjection::Internalize(const XmlElement* inXml)
{
    ReadCenter(inXml, "originLon", "originLat", mOrigin);
    Setup();
}

void GxUtmProjection::Externalize(XmlBuilder& ioBuilder) const
{
    ExternalizeBegin(ioBuilder, "utm");
    ExternalizeProperty(ioBuilder, "originLon", mOrigin.mLongitude);
    ExternalizeProperty(ioBuilder, "originLat", mOrigin.mLatitude);
    ExternalizeEnd(ioBuilder);
}

bool GxUtmProjection::IsEqualTo(const GxProjection& inOther) const
{
    const auto* other = SameKind<GxUtmProjection>(inOther);
    return other != nullptr && other->mOrigin == mOrigin;
}

// ---------------------------------------------------------------------------------------------------------------
// GxProjector

GxProjector::GxProjector() : mProjection(std::make_unique<GxRadianProjection>()) {}

GxProjector::GxProjector(const GxProjection& inProjection) : mProjection(inProjection.Copy()) {}

GxProjector::GxProjector(const GxProjector& inOther) : mProjection(inOther.mProjection->Copy()) {}

GxProjector::~GxProjector() = default;

void GxProjector::SetProjection(const GxProjection& inProjection)
{
    // Copy before letting go of the old one: the argument may be the projection held here.
    std::unique_ptr<GxProjection> copy(inProjection.Copy());
    mProjection = std::move(copy);
    OnProjectionChanged();
}

void GxProjector::ExternalizeProjection(XmlBuilder& ioBuilder) const
{
    mProjection->Externalize(ioBuilder);
}

void GxProjector::InternalizeProjection(const XmlElement* inXml)
{
    if (inXml == nullptr)
        CxAssertText(false, "inXml != nil");
    else
        CxAssertText(inXml->Name() == "projection", "inXml->Name() == \"projection\"");
    GxProjectionFactory factory;
    SetProjection(*factory.Create(inXml));
}

// ---------------------------------------------------------------------------------------------------------------
// GxProjectionFactory

namespace
{
template <class T> GxProjection* Make()
{
    return new T();
}

struct GxProjectionKind
{
    const char* mId;
    GxProjection* (*mMake)();
};

// The order in which ids are tried.
constexpr GxProjectionKind kProjectionKinds[] = {
    {"radian", &Make<GxRadianProjection>},
    {"degree", &Make<GxDegreeProjection>},
    {"flatEarth", &Make<GxFlatProjection>},
    {"mercator", &Make<GxMercatorProjection>},
    {"polarStereo", &Make<GxPolarStereoProjection>},
    {"orthographic", &Make<GxOrthographicProjection>},
    {"albersConicEllipse", &Make<GxAlbersConicEllipseProjection>},
    {"albersConicSphere", &Make<GxAlbersConicSphereProjection>},
    {"lambertConformal", &Make<GxLambertConformalProjection>},
    {"utm", &Make<GxUtmProjection>},
    {"lambertAzimuthalEqualArea", &Make<GxLambertAzimuthalEqualAreaProjection>},
    {"albersEqualArea", &Make<GxAlbersEqualAreaProjection>},
};
} // namespace

const GxProjection* GxProjectionFactory::Create(const XmlElement* inXml)
{
    std::unique_ptr<GxProjection> projection;
    if (inXml == nullptr)
        CxAssertText(false, "inXml != nil");
    else
    {
        CxAssertText(inXml->Name() == "projection", "inXml->Name() == \"projection\"");
        const CxString id = inXml->GetAttribute("id");
        for (const GxProjectionKind& kind : kProjectionKinds)
        {
            if (id == kind.mId)
            {
                projection.reset(kind.mMake());
                break;
            }
        }
        CxAssertText(projection != nullptr, "projection != nil");
    }
    // Callers pass the result straight on, so it must always be a usable projection.
    if (projection == nullptr)
        projection = std::make_unique<GxRadianProjection>();
    else
        projection->Internalize(inXml);
    SetProjection(*projection);
    return Projection();
}
