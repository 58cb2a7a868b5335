// The radial mesh's shortcut for a map centred at the radar against the projection's own inverse: the same sweep
// meshed through a projection the builder does not recognise must give the same vertices.
#include "DxRadialMesh.h"
#include "DxRadialMeshTestSupport.h"
#include "GxProjection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace
{
std::unique_ptr<DxIndexedImage> Meshed(const GxProjection& inProjection, const GxPosition& inSite,
                                       const DxRadialSweep& inSweep, bool inFan, CxUint32 inSide)
{
    auto image = std::make_unique<DxIndexedImage>(inProjection);
    image->SetWidth(CxSint32((inSweep.mGates + 255) / 256 * 256));
    image->SetHeight(CxSint32(inSweep.mStart.size()));
    image->SetOrigin(inProjection.Project(inSite));
    DxBuildRadialMesh(*image, inProjection, inSweep, inFan, inSide);
    return image;
}

bool Same(double inA, double inB)
{
    return (std::isnan(inA) && std::isnan(inB)) || std::fabs(inA - inB) <= 1e-12;
}
} // namespace

TEST(RadialMesh, RadarCentredShortcutMatchesTheInverse)
{
    struct Case
    {
        const char* mName;
        double mLongitude, mLatitude;
        CxUint32 mRadials, mGates;
        double mGateKm, mFirstGateKm, mStepDegrees;
        bool mFan;
        CxUint32 mSide;
        bool mTenths = false; // angles in whole tenths of a degree, as Level III products give them
    };
    const Case cases[] = {
        {"1-degree AF1F sweep", -86.77, 33.172, 360, 230, 1.0, 0.0, 1.0, false, 64},
        {"0.25 km, 0.5 degree", -88.08, 41.604, 720, 1200, 0.25, 0.0, 0.5, false, 256},
        {"first gate before the site, fan", 10.0, 60.0, 365, 460, 0.25, -0.125, 0.99, true, 128},
        {"gates past the disc's edge", -97.3, 35.3, 90, 300, 25.0, 0.0, 4.0, false, 64},
        {"near the pole", 20.0, 89.9, 360, 230, 1.0, 0.5, 1.0, true, 64},
        // Corners up to 1,200 km out: past the series' direct reach, some past the quarters' as well.
        {"1 km bins to 1200 km, tenths", -88.08, 41.604, 720, 1200, 1.0, 0.0, 0.5, false, 64, true},
        {"65 degrees north, 460 km, tenths", -147.5, 65.0, 361, 460, 1.0, 0.0, 1.0, false, 64, true},
        {"southern hemisphere, 0.25 km, tenths", 145.0, -37.9, 720, 1840, 0.25, 0.0, 0.5, false, 128, true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.mName);
        const GxPosition site = GxPosition().FromDegrees(c.mLongitude, c.mLatitude);
        DxRadialSweep sweep;
        sweep.mGates = c.mGates;
        sweep.mGateKm = c.mGateKm;
        sweep.mFirstGateKm = c.mFirstGateKm;
        // Starts off the whole degree and ends that sometimes meet the next start and sometimes leave a gap.
        for (CxUint32 r = 0; r < c.mRadials; ++r)
        {
            const double start = std::fmod(271.3 + r * c.mStepDegrees, 360.0);
            const double end = start + (r % 7 == 3 ? 0.5 * c.mStepDegrees : c.mStepDegrees);
            sweep.mStart.push_back(c.mTenths ? CxSint32(std::lround(start * 10.0)) * 0.1 : start);
            sweep.mEnd.push_back(c.mTenths ? CxSint32(std::lround(end * 10.0)) * 0.1 : end);
        }
        const GxOrthographicProjection orthographic(site);
        const HiddenOrthographic hidden(site);
        const auto fast = Meshed(orthographic, site, sweep, c.mFan, c.mSide);
        const auto general = Meshed(hidden, site, sweep, c.mFan, c.mSide);
        ASSERT_EQ(fast->GetMesh().CountTiles(), general->GetMesh().CountTiles());
        std::size_t vertices = 0, different = 0;
        auto other = general->GetMesh().BeginTiles();
        for (auto tile = fast->GetMesh().BeginTiles(); tile != fast->GetMesh().EndTiles(); ++tile, ++other)
        {
            ASSERT_EQ(tile->PositionCoords().size(), other->PositionCoords().size());
            ASSERT_EQ(tile->ImageCoords().size(), other->ImageCoords().size());
            for (std::size_t i = 0; i < tile->PositionCoords().size(); ++i)
            {
                const GxPosition& a = tile->PositionCoords()[i];
                const GxPosition& b = other->PositionCoords()[i];
                different += !Same(a.mLongitude, b.mLongitude) || !Same(a.mLatitude, b.mLatitude) ||
                             !(tile->ImageCoords()[i] == other->ImageCoords()[i]);
                ++vertices;
            }
        }
        EXPECT_GT(vertices, 0u);
        EXPECT_EQ(different, 0u);
    }
}
