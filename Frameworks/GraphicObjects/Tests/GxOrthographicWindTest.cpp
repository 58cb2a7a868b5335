// Orthographic wind vectors turned by the map direction of north, which PROJ's own projection of a point and one
// a little north of it gives (tools/make_orthographic_north.py).
#include "GxProjection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>

TEST(GxOrthographicWind, TurnedToMapNorthAsProjGivesIt)
{
    std::ifstream in(std::string(GX_DATA5_DIR) + "/orthographic_north.csv");
    std::string header;
    std::getline(in, header);
    double lonCenter, latCenter, lon, lat, north;
    int rows = 0;
    for (char comma; in >> lonCenter >> comma >> latCenter >> comma >> lon >> comma >> lat >> comma >> north; ++rows)
    {
        const GxOrthographicProjection ortho(GxPosition().FromDegrees(lonCenter, latCenter));
        for (double from : {0.0, 1.0, 4.0})
        {
            const GxVector turned =
                ortho.Project(GxVector::FromMagnitudeAndRadians(9.0, from), GxPosition().FromDegrees(lon, lat));
            EXPECT_NEAR(turned.Magnitude(), 9.0, 1e-9);
            EXPECT_NEAR(std::remainder(turned.DirectionAsRadians() - from - north * kGxPi / 180.0, 2.0 * kGxPi), 0.0,
                        1e-6)
                << "centre " << lonCenter << ", " << latCenter << " at " << lon << ", " << lat << " from " << from;
        }
    }
    EXPECT_GT(rows, 20);
}
