#include "GxProjection.h"

#include "CxDebug.h"
#include "GxMath.h"
#include "Projections/GxProjectionSupport.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <algorithm>
#include <cmath>
#include <limits>

using namespace GxProjections;

// ---------------------------------------------------------------------------------------------------------------
// GxProjection

GxProjection::GxProjection() : mBounds(-kPi, -kHalfPi, kPi, kHalfPi) {}

GxProjection::~GxProjection() = default;

void GxProjection::ProjectMany(const GxPosition* inPositions, GxPoint* outPoints, std::size_t inCount) const
{
    for (std::size_t i = 0; i < inCount; ++i)
        outPoints[i] = Project(inPositions[i]);
}

void GxProjection::Internalize(const XmlElement* inXml)
{
    if (KindId() == nullptr)
        return;
    for (const Parameter& parameter : XmlParameters())
        *parameter.mValue = InternalizeProperty(inXml, parameter.mKey);
    Setup();
}

void GxProjection::Externalize(XmlBuilder& ioBuilder) const
{
    const char* id = KindId();
    if (id == nullptr)
    {
        CxAssertText(false, "unknownProjection");
        ExternalizeBegin(ioBuilder, "ERROR");
        ioBuilder.Comment(" UNKNOWN PROJECTION ");
        ExternalizeEnd(ioBuilder);
        return;
    }
    ExternalizeBegin(ioBuilder, id);
    // Writing only reads through the parameters' pointers.
    for (const Parameter& parameter : const_cast<GxProjection*>(this)->XmlParameters())
        ExternalizeProperty(ioBuilder, parameter.mKey, *parameter.mValue);
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

std::vector<double> GxProjection::ParameterValues() const
{
    std::vector<double> values;
    for (const Parameter& parameter : const_cast<GxProjection*>(this)->XmlParameters())
        values.push_back(*parameter.mValue);
    return values;
}

bool GxProjection::HasEqualParameters(const GxProjection& inOther) const
{
    // Element by element, so a NaN parameter makes them differ.
    const std::vector<double> mine = ParameterValues();
    const std::vector<double> theirs = inOther.ParameterValues();
    return std::equal(mine.begin(), mine.end(), theirs.begin(), theirs.end());
}

void GxProjection::TakeParameters(const GxProjection& inOther)
{
    const std::vector<double> theirs = inOther.ParameterValues();
    const Parameters mine = XmlParameters();
    CxAssertText(mine.size() == theirs.size(), "same kind");
    for (size_t i = 0; i < mine.size() && i < theirs.size(); ++i)
        *mine[i].mValue = theirs[i];
    Setup();
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
    if (const char* id = KindId())
        return id;
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
struct Registration
{
    const char* mId;
    GxProjection* (*mMake)();
};

template <class T> constexpr Registration Register()
{
    return {T::kId, []() -> GxProjection* { return new T(); }};
}

// Every kind the factory makes, in the order in which ids are tried.
constexpr Registration kRegistrations[] = {
    Register<GxRadianProjection>(),
    Register<GxDegreeProjection>(),
    Register<GxFlatProjection>(),
    Register<GxMercatorProjection>(),
    Register<GxPolarStereoProjection>(),
    Register<GxOrthographicProjection>(),
    Register<GxAlbersConicEllipseProjection>(),
    Register<GxAlbersConicSphereProjection>(),
    Register<GxLambertConformalProjection>(),
    Register<GxUtmProjection>(),
    Register<GxLambertAzimuthalEqualAreaProjection>(),
    Register<GxAlbersEqualAreaProjection>(),
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
        for (const Registration& kind : kRegistrations)
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
