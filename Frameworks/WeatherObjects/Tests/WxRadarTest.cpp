#include "WxRadar.h"
#include "DxNidsLevelThree.h"
#include "GxMesh.h"
#include "GxProjection.h"
#include "GxTexture.h"
#include "TestSupport.h"
#include "WxDrape.h"
#include "WxDrawTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>

namespace
{

std::unique_ptr<DxIndexedImage> DecodeFile(const std::string& inPath)
{
    std::ifstream in(inPath, std::ios::binary);
    const std::vector<CxUint8> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    NidsLevelThreeParser parser;
    return std::unique_ptr<DxIndexedImage>(parser.Parse(bytes.data(), bytes.size(), {}, {}));
}

// Heights from Python's math with R = 4/3 x 6371 km.
TEST(WxRadarGeometry, BeamHeightAgainstPython)
{
    const struct
    {
        double mRange, mTilt, mElevation, mHeight;
    } kCases[] = {{100, 0.5, 0, 1.4611325028163265},
                  {230, 0.5, 0, 5.119279019023452},
                  {100, 0.5, 200, 1.6611325028163264},
                  {50, 1.5, 640, 2.0958738102750796},
                  {0, 0.5, 0, 0.0},
                  {230, 19.5, 0, 79.51712293611672}};
    for (const auto& c : kCases)
        EXPECT_NEAR(WxBeamHeight(c.mRange, c.mTilt, c.mElevation), c.mHeight, 1e-5) << c.mRange << " " << c.mTilt;
    for (double tilt : {0.0, -0.5, std::nan("")})
        EXPECT_TRUE(std::isnan(WxBeamHeight(100, tilt, 0))) << tilt;
}

// Every row's middle azimuth finds that row, the wrap sector included, whichever way the sweep turns.
TEST(WxRadarGeometry, RadialSearchOverRealAndMadeSweeps)
{
    SKY_NEED_TESTDATA_FILE(path, "nexrad3/KBMX_SDUS54_N0RBMX_201501020205");
    const auto image = DecodeFile(path);
    ASSERT_NE(image, nullptr);
    const std::vector<float> real(image->FindFloatField("radialAngle")->begin(),
                                  image->FindFloatField("radialAngle")->end());
    ASSERT_EQ(real.size(), 360u);
    EXPECT_NEAR(real.front(), 320.0, 1.0); // the sweep starts past north
    const std::vector<float> reversed(real.rbegin(), real.rend());
    const std::vector<float> made = {358.0f, 359.0f, 0.0f, 1.0f, 2.0f};
    for (const auto* angles : {&real, &reversed, &made})
    {
        const std::size_t n = angles->size();
        const bool down = angles == &reversed;
        for (std::size_t i = 0; i < n; ++i)
        {
            const double from = down ? (*angles)[(i + 1) % n] : (*angles)[i];
            const double to = down ? (*angles)[i] : (*angles)[(i + 1) % n];
            const double width = std::fmod(to - from + 360.0, 360.0);
            const double middle = std::fmod(from + width / 2.0, 360.0);
            EXPECT_EQ(WxFindRadial(*angles, middle), int(i)) << "row " << i << " at " << middle;
        }
    }
    // The made sweep's last row reaches back to 358 and so covers 2..358.
    EXPECT_EQ(WxFindRadial(made, 180.0), 4);
    EXPECT_EQ(WxFindRadial(made, 359.5), 1);
    EXPECT_EQ(WxFindRadial({}, 10.0), -1);
    EXPECT_EQ(WxFindRadial(made, std::nan("")), -1);
    EXPECT_EQ(WxFindRadial({10.0f, std::nanf(""), 30.0f}, 15.0), -1);
    EXPECT_EQ(WxFindRadial({10.0f, std::nanf(""), 30.0f}, 40.0), 2);
    EXPECT_EQ(WxFindRadial({45.0f}, 300.0), 0);
}

// Triangles with a corner that projects nowhere are dropped whole, texture coordinates alongside.
TEST(WxRadarGeometry, DrapeDropsTrianglesWithNonFiniteCorners)
{
    const GxOrthographicProjection projection(GxPosition(0.0, 0.0));
    GxTileInfo tile;
    const GxPosition kCorners[] = {{0.0, 0.0},   {0.01, 0.0},  {0.0, 0.01},  {std::nan(""), 0.0}, {0.01, 0.01},
                                   {0.02, 0.01}, {0.02, 0.02}, {0.03, 0.02}, {0.02, 0.03},        {0.5, 0.5}};
    for (std::size_t i = 0; i < std::size(kCorners); ++i)
    {
        tile.AddPositionCoord(kCorners[i]);
        tile.AddImageCoord(GxPoint(double(i), 0.0));
    }
    std::vector<GxPoint> points, texture;
    WxProjectTriangles(tile, projection, points, &texture);
    ASSERT_EQ(points.size(), 6u);
    ASSERT_EQ(texture.size(), 6u);
    const double kTexture[] = {0, 1, 2, 6, 7, 8};
    for (std::size_t i = 0; i < 6; ++i)
    {
        EXPECT_EQ(texture[i].mX, kTexture[i]);
        const GxPoint want = projection.Project(kCorners[std::size_t(kTexture[i])]);
        EXPECT_EQ(points[i], want) << i;
    }
    GxRect bounds(1, 2, 3, 4);
    EXPECT_FALSE(WxBoundsOfPoints({}, bounds));
    EXPECT_EQ(bounds.mLeft, 1.0);
    ASSERT_TRUE(WxBoundsOfPoints(points, bounds));
    EXPECT_EQ(bounds.mLeft, points[0].mX);
    EXPECT_EQ(bounds.mTop, points[5].mY);
}

class WxRadarDrawTest : public wxdraw::DrawTest
{
};

// The real N0R frame drapes as two triangles per radial and tile column, each textured.
TEST_F(WxRadarDrawTest, DrapeDrawsEveryTriangleOfARealSweep)
{
    SKY_NEED_TESTDATA_FILE(path, "nexrad3/KBMX_SDUS54_N0RBMX_201501020205");
    const auto image = DecodeFile(path);
    ASSERT_NE(image, nullptr);
    GxTexture texture(image->CountComponents());
    texture.SetWidth(image->Width());
    texture.SetHeight(image->Height());
    texture.CreateTiles(image->GetMesh());
    texture.SetTextureBuffer(image->GetTextureBuffer());
    texture.GenTextures(*mContext);
    std::vector<GxPoint> points;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-240, 240, -240, 240, -1, 1);
    const auto all = gxtest::CaptureFeedback([&] { points = WxDrapeTexture(texture, *image->Projection()); });
    const auto triangles = gxtest::OfToken(all, GL_POLYGON_TOKEN);
    EXPECT_EQ(triangles.size(), 2880u);
    EXPECT_EQ(points.size(), 3 * 2880u);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

} // namespace
