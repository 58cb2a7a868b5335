// Map projections: positions (radians) to projected map coordinates (kilometres for every earth projection) and
// back, their XML form, the projector that owns one projection, and the factory that reads one from XML.
// Projections are immutable values apart from SetBounds, so they may be shared by threads for reading.
#pragma once

#include "CxString.h"
#include "GxCoordinates.h"
#include "GxMath.h"

#include <cstddef>
#include <memory>
#include <vector>

class XmlBuilder;
class XmlElement;

class GxProjection
{
public:
    static constexpr double kStdRadius = 6371.0;

    GxProjection();
    virtual ~GxProjection();

    virtual GxPoint Project(const GxPosition& inPosition) const = 0;
    // Project of each of inCount positions into outPoints, the same values one by one; a kind may do it in
    // batches.
    virtual void ProjectMany(const GxPosition* inPositions, GxPoint* outPoints, std::size_t inCount) const;
    // The wind vector at the position turned into map orientation.
    virtual GxVector Project(const GxVector& inVector, const GxPosition& inPosition) const = 0;
    virtual GxPosition Unproject(const GxPoint& inPoint) const = 0;
    // A new projection of the same kind and parameters; the caller owns it.
    [[nodiscard]] virtual GxProjection* Copy() const = 0;
    // Reads the parameters of a "projection" element; a missing property becomes NaN.
    virtual void Internalize(const XmlElement* inXml);
    virtual void Externalize(XmlBuilder& ioBuilder) const;
    virtual bool SupportsVectorProjection() const;
    virtual bool IsEqualTo(const GxProjection& inOther) const;

    bool operator==(const GxProjection& inOther) const { return IsEqualTo(inOther); }
    bool operator!=(const GxProjection& inOther) const { return !IsEqualTo(inOther); }

    // In radians: left = west, bottom = south. Only Contains and the clipping use them.
    GxRect Bounds() const { return mBounds; }
    void SetBounds(const GxRect& inBounds) { mBounds = inBounds; }
    bool Contains(const GxPosition& inPosition) const;
    // Moves the position into the bounds; answers whether it already lay there.
    bool ClipPosition(GxPosition& ioPosition) const;
    // Clips the segment to the bounds in place; false when nothing of it remains.
    bool ClipLine(GxPosition& ioStart, GxPosition& ioEnd) const;

    // The "id" this projection writes.
    CxString Id() const;

    static void ExternalizeBegin(XmlBuilder& ioBuilder, const CxString& inId);
    static void ExternalizeEnd(XmlBuilder& ioBuilder);
    // Writes radians as degrees with three decimals.
    static void ExternalizeProperty(XmlBuilder& ioBuilder, const CxString& inKey, double inRadians);
    // The first "property" child with that id, in radians; NaN when there is none.
    static double InternalizeProperty(const XmlElement* inXml, const CxString& inKey);

protected:
    GxProjection(const GxProjection&) = default;
    GxProjection& operator=(const GxProjection&) = default;

    // One parameter of the XML form, pointing into the projection.
    struct Parameter
    {
        const char* mKey;
        double* mValue;
    };
    using Parameters = std::vector<Parameter>;

    // The XML id of the kind; none for a projection without an XML form.
    virtual const char* KindId() const { return nullptr; }
    // The parameters in the order they are written.
    virtual Parameters XmlParameters() { return {}; }
    // Recomputes every value derived from the parameters, bounds derived from them included.
    virtual void Setup() {}

    // The same kind with equal parameters (NaN equals nothing, as before).
    bool HasEqualParameters(const GxProjection& inOther) const;
    // Takes the other's parameters (of the same kind), then Setup.
    void TakeParameters(const GxProjection& inOther);

    GxRect mBounds;

private:
    std::vector<double> ParameterValues() const;
};

// What every projection kind shares: its XML id, Copy and equality by parameters. A kind whose copies keep the
// bounds set on the original says so with kCopyKeepsBounds; the others' copies start from the bounds that
// construction from the parameters gives.
template <class Self> class GxProjectionKind : public GxProjection
{
public:
    [[nodiscard]] GxProjection* Copy() const override
    {
        const Self& self = static_cast<const Self&>(*this);
        if constexpr (Self::kCopyKeepsBounds)
            return new Self(self);
        else
        {
            Self* copy = new Self();
            copy->TakeParameters(self);
            return copy;
        }
    }

    bool IsEqualTo(const GxProjection& inOther) const override
    {
        return dynamic_cast<const Self*>(&inOther) != nullptr && HasEqualParameters(inOther);
    }

protected:
    const char* KindId() const override { return Self::kId; }
};

// Longitude and latitude in radians, unchanged.
class GxRadianProjection : public GxProjectionKind<GxRadianProjection>
{
public:
    static constexpr char kId[] = "radian";
    static constexpr bool kCopyKeepsBounds = false;

    GxRadianProjection() = default;

    GxPoint Project(const GxPosition& inPosition) const override;
    GxVector Project(const GxVector& inVector, const GxPosition& inPosition) const override;
    GxPosition Unproject(const GxPoint& inPoint) const override;
};

// Longitude and latitude in degrees.
class GxDegreeProjection : public GxProjectionKind<GxDegreeProjection>
{
public:
    static constexpr char kId[] = "degree";
    static constexpr bool kCopyKeepsBounds = false;

    GxDegreeProjection() = default;

    GxPoint Project(const GxPosition& inPosition) const override;
    GxVector Project(const GxVector& inVector, const GxPosition& inPosition) const override;
    GxPosition Unproject(const GxPoint& inPoint) const override;
    // Only with the same bounds.
    bool IsEqualTo(const GxProjection& inOther) const override;
};

// Equirectangular with a fixed number of kilometres per radian of latitude.
class GxFlatProjection : public GxProjectionKind<GxFlatProjection>
{
public:
    static constexpr char kId[] = "flatEarth";
    static constexpr bool kCopyKeepsBounds = true;
    static const double kStdKmPerPhi;

    GxFlatProjection();
    // Only the latitude counts: it is the standard latitude.
    explicit GxFlatProjection(const GxPosition& inStandard);

    GxPoint Project(const GxPosition& inPosition) const override;
    GxVector Project(const GxVector& inVector, const GxPosition& inPosition) const override;
    GxPosition Unproject(const GxPoint& inPoint) const override;

private:
    Parameters XmlParameters() override;
    void Setup() override;

    double mStdLat; // as the scale gives it back: its absolute value
    double mKx;
    double mKy;
    double mInvKx;
    double mInvKy;
};

// Mercator on a sphere. The standard longitude does not shift x.
class GxMercatorProjection : public GxProjectionKind<GxMercatorProjection>
{
public:
    static constexpr char kId[] = "mercator";
    static constexpr bool kCopyKeepsBounds = false;
    static constexpr double kEarthRadius = 6371.0;

    GxMercatorProjection();
    explicit GxMercatorProjection(const GxPosition& inCenter);

    GxPoint Project(const GxPosition& inPosition) const override;
    GxVector Project(const GxVector& inVector, const GxPosition& inPosition) const override;
    GxPosition Unproject(const GxPoint& inPoint) const override;

private:
    Parameters XmlParameters() override;
    void Setup() override;

    GxPosition mCenter;
    double mKR; // cos(standard latitude) * R
};

// North polar stereographic: the standard meridian points straight down, true scale at the standard latitude.
class GxPolarStereoProjection : public GxProjectionKind<GxPolarStereoProjection>
{
public:
    static constexpr char kId[] = "polarStereo";
    static constexpr bool kCopyKeepsBounds = false;
    static constexpr double kRho = 6371.0;

    GxPolarStereoProjection();
    explicit GxPolarStereoProjection(const GxPosition& inCenter);

    GxPoint Project(const GxPosition& inPosition) const override;
    GxVector Project(const GxVector& inVector, const GxPosition& inPosition) const override;
    GxPosition Unproject(const GxPoint& inPoint) const override;

private:
    Parameters XmlParameters() override;
    void Setup() override;

    GxPosition mCenter;
    double mK;
};

// The globe seen from far away; the far side folds onto the same disc.
class GxOrthographicProjection : public GxProjectionKind<GxOrthographicProjection>
{
public:
    static constexpr char kId[] = "orthographic";
    static constexpr bool kCopyKeepsBounds = true;

    GxOrthographicProjection();
    explicit GxOrthographicProjection(const GxPosition& inCenter);

    GxPoint Project(const GxPosition& inPosition) const override;
    GxVector Project(const GxVector& inVector, const GxPosition& inPosition) const override;
    // The centre at the disc's centre, NaN beyond its edge.
    GxPosition Unproject(const GxPoint& inPoint) const override;

private:
    Parameters XmlParameters() override;
    void Setup() override;

    GxPosition mCenter;
    double mCosLat0;
    double mSinLat0;
};

// Lambert azimuthal equal-area on a sphere. Wind vectors are not turned.
class GxLambertAzimuthalEqualAreaProjection : public GxProjectionKind<GxLambertAzimuthalEqualAreaProjection>
{
public:
    static constexpr char kId[] = "lambertAzimuthalEqualArea";
    static constexpr bool kCopyKeepsBounds = false;
    static constexpr double kEarthSphereRadius = 6370997.0; // metres

    GxLambertAzimuthalEqualAreaProjection();
    explicit GxLambertAzimuthalEqualAreaProjection(const GxPosition& inCenter);

    GxPoint Project(const GxPosition& inPosition) const override;
    GxVector Project(const GxVector& inVector, const GxPosition& inPosition) const override;
    GxPosition Unproject(const GxPoint& inPoint) const override;
    bool SupportsVectorProjection() const override;

private:
    Parameters XmlParameters() override;
    void Setup() override;

    GxPosition mCenter;
    double mSinLat0;
    double mCosLat0;
};

// Lambert conformal conic on a sphere, one or two standard latitudes, either hemisphere. The projected origin is
// the apex of the cone.
class GxLambertConformalProjection : public GxProjectionKind<GxLambertConformalProjection>
{
public:
    static constexpr char kId[] = "lambertConformal";
    static constexpr bool kCopyKeepsBounds = false;
    static constexpr double kR = 6367.47;

    GxLambertConformalProjection();
    GxLambertConformalProjection(double inStdLon, double inStdLat1, double inStdLat2);

    GxPoint Project(const GxPosition& inPosition) const override;
    GxVector Project(const GxVector& inVector, const GxPosition& inPosition) const override;
    GxPosition Unproject(const GxPoint& inPoint) const override;

private:
    Parameters XmlParameters() override;
    void Setup() override;

    double mStdLon;
    double mStdLat1;
    double mStdLat2;
    double mCosLat1;
    double mS; // +1 for a northern cone, -1 for a southern one
    double mT1;
    double mN;
    double mRn;
    double mInvN;
    double mRnCosLat1;
    double mInvRnCosLat1;
    double mLogRhoScale; // ln(Rn cos lat1) - n ln t1
    GxFixedPower mRho;   // rho from t
};

// The Albers conics share their parameters and XML form.
template <class Self> class GxAlbersKind : public GxProjectionKind<Self>
{
public:
    static constexpr bool kCopyKeepsBounds = false;

protected:
    using Parameters = GxProjection::Parameters;

    GxAlbersKind(const GxPosition& inCenter, double inStdLat1, double inStdLat2)
        : mCenter(inCenter), mStdLat1(inStdLat1), mStdLat2(inStdLat2)
    {
    }

    Parameters XmlParameters() override
    {
        return {{"centerLon", &mCenter.mLongitude},
                {"centerLat", &mCenter.mLatitude},
                {"stdLat1", &mStdLat1},
                {"stdLat2", &mStdLat2}};
    }

    GxPosition mCenter;
    double mStdLat1;
    double mStdLat2;
};

// Albers equal-area conic on a sphere of 6371 km.
class GxAlbersConicSphereProjection : public GxAlbersKind<GxAlbersConicSphereProjection>
{
public:
    static constexpr char kId[] = "albersConicSphere";
    static constexpr double kEarthRadius = 6371.0;

    GxAlbersConicSphereProjection();
    GxAlbersConicSphereProjection(const GxPosition& inCenter, double inStdLat1, double inStdLat2);

    GxPoint Project(const GxPosition& inPosition) const override;
    GxVector Project(const GxVector& inVector, const GxPosition& inPosition) const override;
    GxPosition Unproject(const GxPoint& inPoint) const override;

private:
    void Setup() override;

    double mN;
    double mC;
    double mRho0;
};

// Albers equal-area conic on the ellipsoid, in kilometres.
class GxAlbersConicEllipseProjection : public GxAlbersKind<GxAlbersConicEllipseProjection>
{
public:
    static constexpr char kId[] = "albersConicEllipse";
    static constexpr double kEquatorialRadius = 6378.137;
    static constexpr double kPolarRadius = 6356.752314;

    GxAlbersConicEllipseProjection();
    GxAlbersConicEllipseProjection(const GxPosition& inCenter, double inStdLat1, double inStdLat2);

    GxPoint Project(const GxPosition& inPosition) const override;
    GxVector Project(const GxVector& inVector, const GxPosition& inPosition) const override;
    GxPosition Unproject(const GxPoint& inPoint) const override;

private:
    void Setup() override;

    double mN;
    double mC;
    double mRho0;
};

// Albers equal-area conic on the GRS 80 ellipsoid, computed in metres.
class GxAlbersEqualAreaProjection : public GxAlbersKind<GxAlbersEqualAreaProjection>
{
public:
    static constexpr char kId[] = "albersEqualArea";
    static constexpr double kAlbersEqualAreaEarthRadius = 6378137.0; // metres

    GxAlbersEqualAreaProjection();
    GxAlbersEqualAreaProjection(const GxPosition& inCenter, double inStdLat1, double inStdLat2);

    GxPoint Project(const GxPosition& inPosition) const override;
    GxVector Project(const GxVector& inVector, const GxPosition& inPosition) const override;
    GxPosition Unproject(const GxPoint& inPoint) const override;

private:
    void Setup() override;
    double Q(double inSinLat) const;

    double mE2;
    double mE;
    double mInvOneMinusE2;
    double mInvTwoE;
    double mN;
    double mInvN;
    double mC;
    double mRho0;
    double mN2OverA2;
    double mQp;
    double mEpsilon;
};

// Transverse Mercator on the GRS 80 ellipsoid with the UTM scale and false easting; the central meridian is free.
class GxUtmProjection : public GxProjectionKind<GxUtmProjection>
{
public:
    static constexpr char kId[] = "utm";
    static constexpr bool kCopyKeepsBounds = true;

    GxUtmProjection();
    explicit GxUtmProjection(const GxPosition& inOrigin);

    GxPoint Project(const GxPosition& inPosition) const override;
    void ProjectMany(const GxPosition* inPositions, GxPoint* outPoints, std::size_t inCount) const override;
    GxVector Project(const GxVector& inVector, const GxPosition& inPosition) const override;
    GxPosition Unproject(const GxPoint& inPoint) const override;

private:
    Parameters XmlParameters() override;
    void Setup() override;
    // The meridian distance from the equator, metres, from the latitude's sine and cosine.
    template <typename V> V MeridianArc(V inLat, V inSin, V inCos) const;
    // Project in three steps, on one position (V = double) or on two at a time, one per register lane
    // (V = GxDouble2). Both take the same operations in the same order, so that a position gives the same bits
    // either way.
    template <typename V> struct Lanes;
    template <typename V> void StepAngles(V inLon, V inLat, Lanes<V>& outLanes) const;
    template <typename V> void StepRadius(Lanes<V>& ioLanes) const;
    template <typename V> void StepSeries(const Lanes<V>& inLanes, V& outX, V& outY) const;

    GxPosition mOrigin;
    double mE2;
    double mEp2;
    double mE0;
    double mE1;
    double mE2Coef;
    double mE3;
    double mM0;
    double mInvAE0;
    double mFoot1;
    double mFoot2;
    double mFoot3;
    double mFoot4;
};

// Owns exactly one projection on behalf of a map, frame or parser, and is told when it is replaced.
class GxProjector
{
public:
    GxProjector();
    explicit GxProjector(const GxProjection& inProjection);
    GxProjector(const GxProjector& inOther);
    GxProjector& operator=(const GxProjector&) = delete;
    virtual ~GxProjector();

    // Holds a copy of the projection (the caller keeps its own), then calls OnProjectionChanged.
    void SetProjection(const GxProjection& inProjection);
    // Never null; owned by the projector.
    const GxProjection* Projection() const { return mProjection.get(); }
    void ExternalizeProjection(XmlBuilder& ioBuilder) const;
    // Reads a "projection" element through the factory, then SetProjection.
    void InternalizeProjection(const XmlElement* inXml);

protected:
    virtual void OnProjectionChanged() {}

private:
    std::unique_ptr<GxProjection> mProjection;
};

// Makes a projection of the right kind from a "projection" element.
class GxProjectionFactory : public GxProjector
{
public:
    GxProjectionFactory() = default;

    // The projection read, held by the factory until it is destroyed or Create is called again. A missing
    // element or an unknown id is reported and gives a radian projection.
    const GxProjection* Create(const XmlElement* inXml);
};
