// The projection base, its XML form, the projector and the factory.
#include "GxProjection.h"

#include "CxDebug.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>

namespace
{
double Radians(double inDegrees)
{
    return inDegrees * kGxPi / 180.0;
}

// The document element a builder made (its first child).
const XmlElement* FirstElement(const XmlBuilder& inBuilder)
{
    return inBuilder.Root()->FindElement("projection");
}

XmlElement* Property(const char* inId, const char* inValue)
{
    auto* property = new XmlElement("property");
    property->SetAttribute("id", inId);
    property->SetAttribute("type", "float");
    property->SetAttribute("value", inValue);
    return property;
}

class CountingProjector : public GxProjector
{
public:
    using GxProjector::GxProjector;
    int mChanges = 0;

protected:
    void OnProjectionChanged() override { ++mChanges; }
};

TEST(GxProjectionXml, PropertyWritesDegreesWithThreeDecimalsAndReadsBack)
{
    XmlBuilder builder;
    GxProjection::ExternalizeBegin(builder, "mercator");
    GxProjection::ExternalizeProperty(builder, "stdLat", Radians(33.0));
    GxProjection::ExternalizeEnd(builder);

    const XmlElement* projection = FirstElement(builder);
    ASSERT_NE(projection, nullptr);
    EXPECT_EQ(projection->GetAttribute("id"), "mercator");
    const XmlElement* property = projection->FindElement("property");
    ASSERT_NE(property, nullptr);
    EXPECT_EQ(property->GetAttribute("id"), "stdLat");
    EXPECT_EQ(property->GetAttribute("type"), "float");
    EXPECT_EQ(property->GetAttribute("value"), "33.000");
    EXPECT_DOUBLE_EQ(GxProjection::InternalizeProperty(projection, "stdLat"), 33.0 * kGxPi / 180.0);
    // Missing ones read as NaN.
    EXPECT_TRUE(std::isnan(GxProjection::InternalizeProperty(projection, "stdLon")));

    // Rounded to three decimals; flat earth writes the absolute standard latitude.
    const auto writtenLat = [](const GxProjection& inProjection)
    {
        XmlBuilder written;
        inProjection.Externalize(written);
        const XmlElement* lat = FirstElement(written)->FindElement("property", "id", "stdLat");
        return lat ? lat->GetAttribute("value") : CxString("missing");
    };
    EXPECT_EQ(writtenLat(GxMercatorProjection(GxPosition(Radians(-98.68), Radians(35.4812)))), "35.481");
    EXPECT_EQ(writtenLat(GxFlatProjection(GxPosition(0.0, Radians(-40.0)))), "40.000");
}

TEST(GxProjectionXml, ReadingSkipsOtherItemsAndIgnoresOrder)
{
    XmlElement projection("projection");
    projection.SetAttribute("id", "lambertConformal");
    projection.AdoptItem(new XmlComment(" a comment first "));
    auto* decoy = new XmlElement("parameter"); // an id of the right name on the wrong element
    decoy->SetAttribute("id", "stdLon");
    decoy->SetAttribute("value", "10");
    projection.AdoptItem(decoy);
    projection.AdoptItem(Property("stdLat2", "60"));
    projection.AdoptItem(new XmlContent("\n  "));
    projection.AdoptItem(Property("stdLon", "-95.5"));
    projection.AdoptItem(Property("stdLat1", "30"));
    projection.AdoptItem(Property("stdLat1", "31")); // the first of a duplicate wins

    GxProjectionFactory factory;
    const GxProjection* made = factory.Create(&projection);
    EXPECT_TRUE(made->IsEqualTo(GxLambertConformalProjection(Radians(-95.5), Radians(30.0), Radians(60.0))));

    // A property left out reads as NaN, and so does every point projected with it.
    XmlElement partial("projection");
    partial.SetAttribute("id", "polarStereo");
    partial.AdoptItem(Property("stdLon", "-100"));
    const GxPoint point = factory.Create(&partial)->Project(GxPosition(Radians(-90.0), Radians(45.0)));
    EXPECT_TRUE(std::isnan(point.mX));
    EXPECT_TRUE(std::isnan(point.mY));
}

// Every id, with parameters of at most three decimals, survives writing and reading.
TEST(GxProjectionFactory, EveryKindRoundTrips)
{
    const GxPosition where(Radians(-101.125), Radians(41.25));
    const std::pair<const char*, std::unique_ptr<GxProjection>> cases[] = {
        {"radian", std::make_unique<GxRadianProjection>()},
        {"degree", std::make_unique<GxDegreeProjection>()},
        {"flatEarth", std::make_unique<GxFlatProjection>(GxPosition(0.0, Radians(38.5)))},
        {"mercator", std::make_unique<GxMercatorProjection>(where)},
        {"polarStereo", std::make_unique<GxPolarStereoProjection>(where)},
        {"orthographic", std::make_unique<GxOrthographicProjection>(where)},
        {"albersConicEllipse", std::make_unique<GxAlbersConicEllipseProjection>(where, Radians(29.5), Radians(45.5))},
        {"albersConicSphere", std::make_unique<GxAlbersConicSphereProjection>(where, Radians(29.5), Radians(45.5))},
        {"lambertConformal",
         std::make_unique<GxLambertConformalProjection>(Radians(-101.125), Radians(25.0), Radians(25.0))},
        {"utm", std::make_unique<GxUtmProjection>(where)},
        {"lambertAzimuthalEqualArea", std::make_unique<GxLambertAzimuthalEqualAreaProjection>(where)},
        {"albersEqualArea", std::make_unique<GxAlbersEqualAreaProjection>(where, Radians(34.125), Radians(36.5))},
    };

    GxProjectionFactory factory;
    for (const auto& [id, projection] : cases)
    {
        SCOPED_TRACE(id);
        XmlBuilder builder;
        projection->Externalize(builder);
        const XmlElement* xml = FirstElement(builder);
        ASSERT_NE(xml, nullptr);
        EXPECT_EQ(xml->GetAttribute("id"), id);
        const GxProjection* made = factory.Create(xml);
        EXPECT_EQ(made->Id(), id);
        EXPECT_TRUE(made->IsEqualTo(*projection));
        EXPECT_TRUE(projection->IsEqualTo(*made));
    }
}

TEST(GxProjectionFactory, UnknownOrMissingGivesAFreshRadianProjection)
{
    XmlElement wrongCase("projection");
    wrongCase.SetAttribute("id", "Mercator");
    XmlElement noId("projection");

    for (const XmlElement* xml : {&wrongCase, &noId, static_cast<XmlElement*>(nullptr)})
    {
        GxProjectionFactory factory;
        XmlBuilder builder;
        GxLambertConformalProjection().Externalize(builder);
        factory.Create(FirstElement(builder));

        CxDebugCapture capture;
        const GxProjection* made = factory.Create(xml);
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(made->Id(), "radian");
        EXPECT_EQ(capture.Count(), 1u);
    }
}

TEST(GxProjectionFactory, OtherElementNameIsReportedButRead)
{
    XmlElement element("projektion");
    element.SetAttribute("id", "utm");
    element.AdoptItem(Property("originLon", "-93"));
    element.AdoptItem(Property("originLat", "0"));

    CxDebugCapture capture;
    GxProjectionFactory factory;
    EXPECT_TRUE(factory.Create(&element)->IsEqualTo(GxUtmProjection(GxPosition(Radians(-93.0), 0.0))));
    EXPECT_EQ(capture.Count(), 1u);
}

TEST(GxProjector, HoldsACopyAndTellsOfChanges)
{
    CountingProjector projector;
    EXPECT_EQ(projector.Projection()->Id(), "radian");

    GxLambertConformalProjection mine(Radians(-90.0), Radians(30.0), Radians(60.0));
    projector.SetProjection(mine);
    EXPECT_EQ(projector.mChanges, 1);
    EXPECT_NE(projector.Projection(), &mine);
    EXPECT_TRUE(projector.Projection()->IsEqualTo(mine));
    // The caller's projection stays its own.
    mine.SetBounds(GxRect(0.0, 0.0, 0.1, 0.1));
    EXPECT_NE(projector.Projection()->Bounds(), mine.Bounds());
    EXPECT_EQ(mine.Project(GxPosition(Radians(-90.0), Radians(45.0))),
              projector.Projection()->Project(GxPosition(Radians(-90.0), Radians(45.0))));

    // Handing it its own projection must copy before letting go of the old one.
    projector.SetProjection(*projector.Projection());
    EXPECT_EQ(projector.mChanges, 2);
    EXPECT_TRUE(projector.Projection()->IsEqualTo(mine));

    // A copied projector holds a copy of its own.
    const GxProjector copy(projector);
    EXPECT_NE(copy.Projection(), projector.Projection());
    EXPECT_TRUE(copy.Projection()->IsEqualTo(mine));
}

TEST(GxProjector, InternalizeGoesThroughTheFactoryOnce)
{
    XmlBuilder builder;
    GxPolarStereoProjection(GxPosition(Radians(-105.0), Radians(60.0))).Externalize(builder);

    CountingProjector projector;
    projector.InternalizeProjection(FirstElement(builder));
    EXPECT_EQ(projector.mChanges, 1);
    EXPECT_TRUE(projector.Projection()->IsEqualTo(GxPolarStereoProjection(GxPosition(Radians(-105.0), Radians(60.0)))));

    XmlBuilder written;
    projector.ExternalizeProjection(written);
    EXPECT_TRUE(FirstElement(written)->FindElement("property", "id", "stdLat") != nullptr);

    CxDebugCapture capture;
    projector.InternalizeProjection(nullptr);
    EXPECT_EQ(projector.mChanges, 2);
    EXPECT_EQ(projector.Projection()->Id(), "radian");
    EXPECT_EQ(capture.Count(), 2u);
}

TEST(GxProjectionEquality, IdentityProjectionsAndBounds)
{
    GxRadianProjection radian;
    radian.SetBounds(GxRect(-1.0, -0.5, 1.0, 0.5));
    EXPECT_TRUE(radian.IsEqualTo(GxRadianProjection()));
    EXPECT_FALSE(radian.IsEqualTo(GxDegreeProjection()));
    EXPECT_EQ(std::unique_ptr<GxProjection>(radian.Copy())->Bounds(), GxRadianProjection().Bounds());

    GxDegreeProjection degree;
    degree.SetBounds(GxRect(-1.0, -0.5, 1.0, 0.5));
    EXPECT_FALSE(degree.IsEqualTo(GxDegreeProjection()));
    EXPECT_TRUE(degree != GxDegreeProjection());
    EXPECT_TRUE(std::unique_ptr<GxProjection>(degree.Copy())->IsEqualTo(GxDegreeProjection()));

    // A flat-earth copy keeps its bounds.
    GxFlatProjection flat;
    flat.SetBounds(GxRect(-1.0, -0.5, 1.0, 0.5));
    EXPECT_EQ(std::unique_ptr<GxProjection>(flat.Copy())->Bounds(), flat.Bounds());
}

TEST(GxProjectionBounds, ContainAndClip)
{
    const GxPolarStereoProjection polar; // the northern hemisphere
    EXPECT_TRUE(polar.Contains(GxPosition(1.0, 0.0)));
    EXPECT_FALSE(polar.Contains(GxPosition(1.0, -0.1)));

    GxPosition south(1.0, -0.3);
    EXPECT_FALSE(polar.ClipPosition(south));
    EXPECT_EQ(south, GxPosition(1.0, 0.0));
    GxPosition north(1.0, 0.3);
    EXPECT_TRUE(polar.ClipPosition(north));
    EXPECT_EQ(north, GxPosition(1.0, 0.3));

    GxPosition a(0.0, -0.2);
    GxPosition b(0.0, 0.4);
    EXPECT_TRUE(polar.ClipLine(a, b));
    EXPECT_EQ(a, GxPosition(0.0, 0.0));
    EXPECT_EQ(b, GxPosition(0.0, 0.4));
    GxPosition c(0.0, -0.2);
    GxPosition d(0.5, -0.4);
    EXPECT_FALSE(polar.ClipLine(c, d));
}
} // namespace
