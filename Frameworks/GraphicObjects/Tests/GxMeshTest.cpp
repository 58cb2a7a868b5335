#include "GxMesh.h"
#include "CxDebug.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

// One column of a plan, worked out by hand: texture width, first image column, image width shown.
struct Column
{
    CxSint16 mTexture;
    CxSint16 mLeft;
    CxSint16 mShown;
};

void ExpectColumns(const GxMesh& inMesh, const std::vector<Column>& inColumns, double inOv)
{
    ASSERT_EQ(inMesh.CountHorizontal(), static_cast<CxSint32>(inColumns.size()));
    ASSERT_EQ(inMesh.CountTiles(), inColumns.size() * static_cast<std::size_t>(inMesh.CountVertical()));
    auto tile = inMesh.BeginTiles();
    for (const Column& column : inColumns)
    {
        // Columns outer, rows inner: the first row of each column.
        const GxTileInfo& info = *tile;
        EXPECT_EQ(info.Bounds().left, column.mLeft);
        EXPECT_EQ(info.Bounds().Width(), column.mTexture);
        EXPECT_EQ(info.TexelBounds().left, column.mLeft);
        EXPECT_EQ(info.TexelBounds().Width(), column.mShown);
        const double edge = inOv / (column.mShown + 2 * inOv);
        EXPECT_DOUBLE_EQ(info.TextureBounds().mLeft, edge);
        EXPECT_DOUBLE_EQ(info.TextureBounds().mRight, 1.0 - edge);
        tile += inMesh.CountVertical();
    }
}

GxMesh MakeMesh(bool inOverlapping, CxSint32 inWidth, CxSint32 inHeight, CxSint32 inMax = 512)
{
    GxMesh mesh;
    mesh.SetMaxTextureDim(inMax);
    mesh.SetOverlapping(inOverlapping);
    mesh.SetWidth(inWidth);
    mesh.SetHeight(inHeight);
    mesh.Tile();
    return mesh;
}

} // namespace

TEST(GxMesh, PlansWorkedOutByHand)
{
    // Width 100 overlapping: padded 102; 64, 32, 8 and 4 texels showing 62, 30, 6 and 2 pixels.
    GxMesh w100 = MakeMesh(true, 100, 1);
    EXPECT_EQ(w100.PaddedWidth(), 102);
    EXPECT_EQ(w100.TextureBounds(), CxRect(0, 0, 102, 4));
    EXPECT_EQ(w100.ImageBounds(), CxRect(0, 0, 100, 1));
    ExpectColumns(w100, {{64, 0, 62}, {32, 62, 30}, {8, 92, 6}, {4, 98, 2}}, 1.0);
    // Height 1: padded 4, one texture 4 high whose image rectangle is cut to the one row.
    EXPECT_EQ(w100.CountVertical(), 1);
    EXPECT_EQ(w100.BeginTiles()->Bounds().Height(), 4);
    EXPECT_EQ(w100.BeginTiles()->TexelBounds().Height(), 1);
    EXPECT_DOUBLE_EQ(w100.BeginTiles()->TextureBounds().mBottom, 1.0 / 3.0);
    EXPECT_DOUBLE_EQ(w100.BeginTiles()->TextureBounds().mTop, 2.0 / 3.0);

    // Width 101 overlapping: padded 104; five textures, the last image rectangle cut from 2 pixels to 1.
    GxMesh w101 = MakeMesh(true, 101, 2);
    EXPECT_EQ(w101.PaddedWidth(), 104);
    ExpectColumns(w101, {{64, 0, 62}, {32, 62, 30}, {8, 92, 6}, {4, 98, 2}, {4, 100, 1}}, 1.0);

    // Width 1000 without overlapping, maximum 512: 512, 256, 128, 64, 32 and 8.
    GxMesh w1000 = MakeMesh(false, 1000, 3);
    EXPECT_EQ(w1000.PaddedWidth(), 1000);
    ExpectColumns(w1000, {{512, 0, 512}, {256, 512, 256}, {128, 768, 128}, {64, 896, 64}, {32, 960, 32}, {8, 992, 8}},
                  0.0);
    // Height 3: rows of 2 and 1.
    ASSERT_EQ(w1000.CountVertical(), 2);
    const GxTileInfo& second = *(w1000.BeginTiles() + 1);
    EXPECT_EQ(second.Bounds(), CxRect(0, 2, 512, 3));
    EXPECT_EQ(second.Offset(), (2u * 1000u + 0u) * 4u);
    const GxTileInfo& last = *w1000.ReverseBeginTiles();
    EXPECT_EQ(last.Bounds(), CxRect(992, 2, 1000, 3));
    EXPECT_EQ(last.Offset(), (2u * 1000u + 992u) * 4u);
}

TEST(GxMesh, OffsetsFollowTheComponents)
{
    GxMesh mesh;
    mesh.SetMaxTextureDim(256);
    mesh.SetNumComponents(3);
    mesh.SetOverlapping(true);
    mesh.SetWidth(600);
    mesh.SetHeight(300);
    mesh.Tile();
    EXPECT_EQ(mesh.BitsPerPixel(), 24);
    // Padded 602 x 302: columns 256, 256, 64, 32 at 0, 254, 508, 570; rows 256, 32, 16, 4 at 0, 254, 284, 298.
    ASSERT_EQ(mesh.CountHorizontal(), 4);
    ASSERT_EQ(mesh.CountVertical(), 4);
    const GxTileInfo& info = *(mesh.BeginTiles() + 2 * 4 + 3);
    EXPECT_EQ(info.Bounds(), CxRect(508, 298, 572, 302));
    EXPECT_EQ(info.TexelBounds(), CxRect(508, 298, 570, 300));
    EXPECT_EQ(info.Offset(), (298u * 602u + 508u) * 3u);
}

TEST(GxMesh, LargeOffsetsDoNotWrap)
{
    // 32764 x 32764 RGBA pixels: a tile near the top starts past 2^31 bytes.
    GxMesh mesh;
    mesh.SetWidth(32764);
    mesh.SetHeight(32764);
    mesh.Tile();
    const GxTileInfo& last = *mesh.ReverseBeginTiles();
    EXPECT_EQ(last.Offset(), (static_cast<CxUint64>(last.Bounds().top) * 32764u + last.Bounds().left) * 4u);
    EXPECT_GT(last.Offset(), 0x7FFFFFFFull);
    EXPECT_EQ(last.Bounds().top, 32760);
}

TEST(GxMesh, SizesCountsAndLimits)
{
    GxMesh mesh;
    EXPECT_EQ(mesh.GetNextTextureSize(300), 256);
    EXPECT_EQ(mesh.GetNextTextureSize(5000), 512);
    EXPECT_EQ(mesh.GetNextTextureSize(0), 0);
    EXPECT_EQ(mesh.GetNumberOfTexturesFromTextureDim(1024), 2);

    // Maximum sides become powers of two.
    mesh.SetMaxTextureDim(600);
    EXPECT_EQ(mesh.GetMaxTextureDim(), 512);

    // Overlapping with textures too small to show anything: no plans, and no endless loop.
    GxMesh tiny = MakeMesh(true, 10, 10, 2);
    EXPECT_EQ(tiny.CountTiles(), 0u);
    GxMesh empty = MakeMesh(false, 0, 0);
    EXPECT_EQ(empty.CountTiles(), 0u);

    CxDebugCapture capture;
    GxMesh bad;
    bad.SetWidth(-5);
    bad.SetHeight(40000);
    EXPECT_EQ(bad.ImageWidth(), 0);
    EXPECT_EQ(bad.ImageHeight(), 0);
    EXPECT_EQ(capture.Count(), 2u);
}

TEST(GxMesh, TilingTwiceChangesNothing)
{
    GxMesh mesh = MakeMesh(true, 100, 50);
    const CxUint32 count = mesh.CountTiles();
    mesh.BeginTiles()->AddImageCoord(GxPoint(0.5, 0.5));
    mesh.BeginTiles()->AddPositionCoord(GxPosition(0.1, 0.2));
    mesh.Tile();
    mesh.SpecialTile();
    EXPECT_EQ(mesh.CountTiles(), count);
    EXPECT_EQ(mesh.BeginTiles()->ImageCoords().size(), 1u);
    EXPECT_EQ(*mesh.BeginTiles()->BeginPositionCoords(), GxPosition(0.1, 0.2));
}

TEST(GxMesh, SpecialTiles)
{
    GxMesh mesh;
    mesh.SetMaxTextureDim(64);
    mesh.SetWidth(100);
    mesh.SetHeight(5);
    mesh.SpecialTile();
    // Columns 64, 32, 4; two textures down (4 and 1), so rows 0 and 1, one pixel high each.
    ASSERT_EQ(mesh.CountTiles(), 6u);
    const std::vector<CxRect> expected = {CxRect(0, 0, 64, 1),  CxRect(0, 1, 64, 2),   CxRect(64, 0, 96, 1),
                                          CxRect(64, 1, 96, 2), CxRect(96, 0, 100, 1), CxRect(96, 1, 100, 2)};
    auto tile = mesh.BeginTiles();
    for (const CxRect& rect : expected)
    {
        EXPECT_EQ(tile->Bounds(), rect);
        EXPECT_EQ(tile->TexelBounds(), rect);
        EXPECT_EQ(tile->Offset(), (static_cast<CxUint64>(rect.top) * 100u + rect.left) * 4u);
        EXPECT_EQ(tile->TextureBounds(), GxRect(0, 0, 1, 1));
        ++tile;
    }
    mesh.Tile();
    EXPECT_EQ(mesh.CountTiles(), 6u);

    CxDebugCapture capture;
    GxMesh overlapping;
    overlapping.SetOverlapping(true);
    overlapping.SetWidth(10);
    overlapping.SetHeight(10);
    overlapping.SpecialTile();
    EXPECT_EQ(overlapping.CountTiles(), 0u);
    EXPECT_EQ(capture.Count(), 1u);
}

TEST(GxMesh, PaddedBuffers)
{
    // Width 3, one byte a pixel: every padded row reads p0 p0 p1 p2 p2 p2.
    const std::vector<CxUint8> image = {10, 11, 12, 20, 21, 22, 30, 31, 32};
    const std::vector<CxUint8> twoRows = GxMesh::PadImage(image.data(), 3, 2, 1);
    EXPECT_EQ(twoRows, (std::vector<CxUint8>{10, 10, 11, 12, 12, 12, // row 0 = row 1
                                             10, 10, 11, 12, 12, 12, // image row 0
                                             20, 20, 21, 22, 22, 22, // image row 1
                                             20, 20, 21, 22, 22, 22}));
    // Odd height: two rows repeat the last image row.
    const std::vector<CxUint8> threeRows = GxMesh::PadImage(image.data(), 3, 3, 1);
    ASSERT_EQ(threeRows.size(), 36u);
    for (const int row : {4, 5})
        EXPECT_EQ(std::vector<CxUint8>(threeRows.begin() + row * 6, threeRows.begin() + row * 6 + 6),
                  (std::vector<CxUint8>{30, 30, 31, 32, 32, 32}));

    // Whole pixels move together.
    const std::vector<CxUint8> rgb = {1, 2, 3, 4, 5, 6};
    const std::vector<CxUint8> padded = GxMesh::PadImage(rgb.data(), 2, 1, 3);
    ASSERT_EQ(padded.size(), 4u * 4u * 3u);
    EXPECT_EQ(std::vector<CxUint8>(padded.begin() + 12, padded.begin() + 24),
              (std::vector<CxUint8>{1, 2, 3, 1, 2, 3, 4, 5, 6, 4, 5, 6}));

    EXPECT_TRUE(GxMesh::PadImage(nullptr, 3, 3, 1).empty());
    EXPECT_TRUE(GxMesh::PadImage(image.data(), 0, 3, 1).empty());
    EXPECT_TRUE(GxMesh::PadImage(image.data(), 3, 3, 0).empty());
}
