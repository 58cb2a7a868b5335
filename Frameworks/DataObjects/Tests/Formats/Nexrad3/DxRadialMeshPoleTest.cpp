// The radial mesh's shortcut against the projection's own inverse where corners lie beyond the pole as seen from
// the site: near a pole, far out, the corners of one edge take the library's fallback while the next edge's do not.
#include "DxRadialMesh.h"
#include "DxRadialMeshTestSupport.h"
#include "GxProjection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace
{

std::unique_ptr<DxIndexedImage> Meshed(const GxProjection& inProjection, const GxPosition& inSite,
                                       const DxRadialSweep& inSweep)
{
    auto image = std::make_unique<DxIndexedImage>(inProjection);
    image->SetWidth(CxSint32((inSweep.mGates + 255) / 256 * 256));
    image->SetHeight(CxSint32(inSweep.mStart.size()));
    image->SetOrigin(inProjection.Project(inSite));
    DxBuildRadialMesh(*image, inProjection, inSweep, false, 64);
    return image;
}

TEST(RadialMeshPole, CornersPastThePoleTakeTheLibrarysAnglesEdgeByEdge)
{
    const struct
    {
        const char* name;
        double longitude, latitude;
        double firstDegrees;
    } rows[] = {
        {"80 north, from north", -150.0, 80.0, 0.0},
        {"80 north, from half a degree", -150.0, 80.0, 0.5},
        {"80 south, from south", 20.0, -80.0, 180.0},
        {"80 south, from half a degree past south", 20.0, -80.0, 180.5},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        const GxPosition site = GxPosition().FromDegrees(row.longitude, row.latitude);
        DxRadialSweep sweep;
        sweep.mGates = 1500;
        sweep.mGateKm = 1.0;
        for (int r = 0; r < 360; ++r)
        {
            sweep.mStart.push_back(std::fmod(row.firstDegrees + r, 360.0));
            sweep.mEnd.push_back(std::fmod(row.firstDegrees + r + 1, 360.0));
        }
        const auto fast = Meshed(GxOrthographicProjection(site), site, sweep);
        const auto general = Meshed(HiddenOrthographic(site), site, sweep);
        ASSERT_EQ(fast->GetMesh().CountTiles(), general->GetMesh().CountTiles());
        std::size_t vertices = 0, different = 0;
        auto other = general->GetMesh().BeginTiles();
        for (auto tile = fast->GetMesh().BeginTiles(); tile != fast->GetMesh().EndTiles(); ++tile, ++other)
        {
            ASSERT_EQ(tile->PositionCoords().size(), other->PositionCoords().size());
            for (std::size_t i = 0; i < tile->PositionCoords().size(); ++i)
            {
                const GxPosition& a = tile->PositionCoords()[i];
                const GxPosition& b = other->PositionCoords()[i];
                different += !(std::fabs(a.mLongitude - b.mLongitude) <= 1e-12) ||
                             !(std::fabs(a.mLatitude - b.mLatitude) <= 1e-12);
                ++vertices;
            }
        }
        EXPECT_GT(vertices, 0u);
        EXPECT_EQ(different, 0u);
    }
}

} // namespace
