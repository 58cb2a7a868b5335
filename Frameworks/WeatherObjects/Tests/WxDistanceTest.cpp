#include "WxDrawTestSupport.h"

#include "GxProjection.h"
#include "WxDistance.h"

#include <cstdio>
#include <tuple>

namespace
{

using namespace wxkit;

using DistanceTest = wxdraw::DrawTest;

// PROJ's inverse geodesic on a sphere of the product's radius, in kilometres; NaN when geod cannot be run.
double GeodKm(double inLat1, double inLon1, double inLat2, double inLon2)
{
    char command[256];
    std::snprintf(command, sizeof command, "echo '%.9f %.9f %.9f %.9f' | geod -I -F %%.6f +R=6378700 2>/dev/null",
                  inLat1, inLon1, inLat2, inLon2);
    FILE* pipe = popen(command, "r");
    if (pipe == nullptr)
        return std::nan("");
    char az1[64] = {}, az2[64] = {};
    double metres = std::nan("");
    if (std::fscanf(pipe, "%63s %63s %lf", az1, az2, &metres) != 3)
        metres = std::nan("");
    pclose(pipe);
    return metres / 1000.0;
}

std::string Status(double inLat1, double inLon1, double inLat2, double inLon2)
{
    WxDistance distance(nullptr, nullptr);
    distance.SetStartLat(inLat1);
    distance.SetStartLon(inLon1);
    distance.SetEndLat(inLat2);
    distance.SetEndLon(inLon2);
    return distance.Status().AsUtf8();
}

TEST_F(DistanceTest, StatusIsGeodsSphericalDistanceToTheMetreWithTheKilometreSymbol)
{
    const double pairs[][4] = {{0, 0, 0, 1},
                               {51.5074, -0.1278, 40.7128, -74.0060},
                               {-33.9249, 18.4241, 35.6762, 139.6503},
                               {10, 20, 10.000009, 20},
                               {10, 20, -9.9, -160}};
    for (const auto& p : pairs)
    {
        const double km = GeodKm(p[0], p[1], p[2], p[3]);
        if (std::isnan(km))
            GTEST_SKIP() << "geod (proj-bin) is not installed";
        // Away from a rounding boundary, so that only the sphere decides the text.
        const double thousandths = km * 1000.0;
        ASSERT_GT(std::fabs(thousandths - std::floor(thousandths) - 0.5), 0.01) << km;
        char want[64];
        std::snprintf(want, sizeof want, "%.3fkm", km);
        EXPECT_EQ(Status(p[0], p[1], p[2], p[3]), want) << p[0] << "," << p[1] << " " << p[2] << "," << p[3];
    }
    EXPECT_EQ(Status(0, 0, 0, 1), "111.329km");
}

// Unclamped, the cosine of equal points rounds above 1 at some latitudes and the status reads "nan".
TEST_F(DistanceTest, EqualPointsReadZeroAtEveryLatitudeAndAntipodesHalfTheCircumference)
{
    for (int lat = -89; lat <= 89; ++lat)
        for (double lon : {-123.4, 0.0, 77.7})
            ASSERT_EQ(Status(lat, lon, lat, lon), "0.000km") << lat << " " << lon;
    EXPECT_EQ(Status(0, 0, 0, 180), "20039.277km");
    EXPECT_EQ(Status(45, 10, -45, -170), "20039.277km");
}

TEST_F(DistanceTest, LineRunsStraightInDegreesOverThirtyOneEqualSteps)
{
    WxDistance distance(nullptr, nullptr);
    EXPECT_EQ(distance.Line(), nullptr);
    const std::tuple<double, double, double, double> cases[] = {{10, -20, 40, 70}, {5, 5, 5, 5}};
    for (const auto& [lat1, lon1, lat2, lon2] : cases)
    {
        distance.SetStartPosition(GxPosition().FromDegrees(lon1, lat1));
        distance.SetEndPosition(GxPosition().FromDegrees(lon2, lat2));
        ASSERT_NE(distance.Line(), nullptr);
        ASSERT_EQ(distance.Line()->CountPolygons(), 1u);
        const auto& points = distance.Line()->Polygons()[0]->Points();
        ASSERT_EQ(points.size(), 31u);
        for (std::size_t i = 0; i < points.size(); ++i)
        {
            EXPECT_NEAR(points[i].mX, lon1 + (lon2 - lon1) * double(i) / 30, 1e-9) << i;
            EXPECT_NEAR(points[i].mY, lat1 + (lat2 - lat1) * double(i) / 30, 1e-9) << i;
        }
        EXPECT_NEAR(distance.GetEndPosition().AsDegrees().mLatitude, lat2, 1e-12);
    }
}

TEST_F(DistanceTest, ElementRoundTripsWithFiveDecimalsAndWidthRoundedAwayFromZero)
{
    WxRegisterProducts();
    const std::string element = "<distance visible=\"true\" selected=\"false\" alpha=\"0.6\" startLat=\"12.34568\" "
                                "endLat=\"-45.00000\" startLon=\"-100.12346\" endLon=\"3.50000\" unit=\"km\" "
                                "color=\"#FF000080\" width=\"2.3\"/>";
    const std::string input = "<distance visible=\"true\" selected=\"false\" alpha=\"0.6\" startLat=\"12.345678\" "
                              "endLat=\"-45\" startLon=\"-100.123456\" endLon=\"3.5\" unit=\"km\" "
                              "color=\"#FF000080\" width=\"2.25\"/>";
    const RoundTripResult result = RoundTrip(Vanedoc("<map>" + input + "</map>"));
    EXPECT_NE(result.mFirst.find(element), std::string::npos) << result.mFirst;
    EXPECT_EQ(result.mSecond, result.mFirst);
}

// Markers are 7 px squares (12 px selected) at the ends' window pixels; an end outside the projection has none.
TEST_F(DistanceTest, MarkersSitAtTheEndsAndGrowWhenSelected)
{
    const GxPoint centre(0, 0);
    const double kmPerPixel = 20.0;
    for (bool selected : {false, true})
    {
        WxMap map(nullptr);
        auto* distance = new WxDistance(&map, nullptr);
        distance->SetStartLat(35.0);
        distance->SetStartLon(-100.0);
        distance->SetEndLat(38.0);
        distance->SetEndLon(-95.0);
        distance->SetSelected(selected);
        std::vector<gxtest::Quad> markers = gxtest::Quads(Feedback(*distance, centre, kmPerPixel));
        ASSERT_EQ(markers.size(), 2u);
        const double side = selected ? 12.0 : 7.0;
        const GxPosition ends[2] = {distance->GetStartPosition(), distance->GetEndPosition()};
        for (int i = 0; i < 2; ++i)
        {
            const GxPoint at = ToWindow(map.Projection()->Project(ends[i]), centre, kmPerPixel);
            EXPECT_NEAR((markers[i].mLeft + markers[i].mRight) / 2, at.mX, 0.01) << i;
            EXPECT_NEAR((markers[i].mBottom + markers[i].mTop) / 2, at.mY, 0.01) << i;
            EXPECT_NEAR(markers[i].mRight - markers[i].mLeft, side, 0.01) << i;
        }
        // Past the antimeridian: the start lies outside the projection's bounds.
        distance->SetStartLon(-190.0);
        markers = gxtest::Quads(Feedback(*distance, centre, kmPerPixel));
        EXPECT_EQ(markers.size(), 1u);
    }
}

} // namespace
