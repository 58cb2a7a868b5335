#include "WxDrawTestSupport.h"

#include "DxShape.h"
#include "GxProjection.h"
#include "WxParser.h"
#include "WxShape.h"
#include "WxShapeFill.h"

#include <tuple>

namespace
{

using namespace wxkit;

// South Africa's outer ring starts here (OGR's reading of naturalearth_lowres); its Lesotho hole follows it.
const GxPoint kSouthAfricaStart(16.3449768408952, -28.5767050106977);
const GxPosition kLesotho = GxPosition().FromDegrees(28.25, -29.6);
const GxPosition kKaroo = GxPosition().FromDegrees(22.0, -31.0);
const GxPosition kAtlantic = GxPosition().FromDegrees(-30.0, 0.0);

class ShapeTest : public wxdraw::DrawTest
{
protected:
    void SetUp() override
    {
        DrawTest::SetUp();
        WxRegisterProducts();
        KitShapeSet(CxString("single"), false);
        KitShapeSet(CxString("individual"), true);
        // A little past the world: rings that touch the antimeridian then stay whole and closed.
        KitSetProjection(mMap, GxFlatProjection(), -180.5, -90.5, 180.5, 90.5);
    }

    void TearDown() override
    {
        mOwner.reset(); // the products leave their sets before the sets go
        DrawTest::TearDown();
    }

    WxShape* Shape(const std::string& inAttributes, DxShape* inFrame)
    {
        auto* shape = static_cast<WxShape*>(
            WxShape::Make(&mMap, KitElement(mParser, "<shape visible=\"true\" alpha=\"1.0\" " + inAttributes + "/>")));
        if (inFrame != nullptr)
            Inject(*shape, inFrame);
        return shape;
    }

    void Draw() { DrawAt(mMap, GxPosition().FromDegrees(0, 0), 40.0); }

    void ExpectAt(const GxPosition& inPosition, const GxColor& inColor)
    {
        const GxPoint centre = mMap.Projection()->Project(GxPosition().FromDegrees(0, 0));
        const GxPoint at = ToWindow(mMap.Projection()->Project(inPosition), centre, 40.0);
        ExpectPixel(int(at.mX), int(at.mY), inColor);
    }

    std::unique_ptr<WxMap> mOwner = std::make_unique<WxMap>(nullptr);
    WxMap& mMap = *mOwner;
    std::unique_ptr<WxParser> mParser;
    const GxColor mGreen{0.0, 1.0, 0.0, 1.0};
};

// South Africa with its Lesotho hole, alone, as a frame of its own.
DxShape* SouthAfrica(const DxShape& inWorld)
{
    auto* shape = new DxShape(GxDegreeProjection());
    const auto& rings = inWorld.Polygons();
    for (std::size_t i = 0; i + 1 < rings.size(); ++i)
        if (std::fabs(rings[i]->Points().front().mX - kSouthAfricaStart.mX) < 1e-9 &&
            std::fabs(rings[i]->Points().front().mY - kSouthAfricaStart.mY) < 1e-9)
        {
            shape->Polygons().push_back(rings[i]->Copy());
            shape->Polygons().push_back(rings[i + 1]->Copy());
        }
    return shape;
}

// The Lesotho probe lies in three rings of the world (South Africa, its hole, Lesotho) and in two of South
// Africa alone: odd winding fills it in the first, not in the second; one by one fills it in both.
TEST_F(ShapeTest, FillsFollowTheLayersFillModeHolesIncluded)
{
    DxShape* world = KitShapeFrame("naturalearth_lowres.shp");
    if (world == nullptr)
    {
        EXPECT_FALSE(sky::test::TestDataRequired()) << "shapefile/naturalearth_lowres.shp";
        GTEST_SKIP() << "no shapefile test data";
    }
    std::unique_ptr<DxShape> alone(SouthAfrica(*world));
    ASSERT_EQ(alone->CountPolygons(), 2u);
    const GxColor map = mMap.Color();
    const std::tuple<const char*, bool, bool> cases[] = {
        {"single", true, true}, {"individual", true, true}, {"single", false, false}, {"individual", false, true}};
    for (const auto& [set, whole, lesothoFilled] : cases)
    {
        SCOPED_TRACE(std::string(set) + (whole ? " world" : " South Africa"));
        WxShape* shape = Shape("dataset=\"" + std::string(set) + "\" filled=\"true\" color=\"#00FF00FF\"",
                               new DxShape(whole ? *world : *alone));
        Draw();
        ExpectAt(kLesotho, lesothoFilled ? mGreen : map);
        ExpectAt(kKaroo, mGreen);
        ExpectAt(kAtlantic, map);
        if (whole)
            Snapshot(std::string("world_") + set, "wx10_");
        delete shape;
    }
    delete world;
}

TEST_F(ShapeTest, MaskHidesWhatLiesBehindOutsideTheShapeAndAnOpenLineDropsIt)
{
    DxShape* world = KitShapeFrame("naturalearth_lowres.shp");
    if (world == nullptr)
    {
        EXPECT_FALSE(sky::test::TestDataRequired()) << "shapefile/naturalearth_lowres.shp";
        GTEST_SKIP() << "no shapefile test data";
    }
    auto* rectangle = new DxShape(GxDegreeProjection());
    rectangle->BeginData();
    rectangle->AcceptVertex(false);
    for (const auto& [lon, lat] : {std::pair{-60.0, -50.0}, {60.0, -50.0}, {60.0, 50.0}, {-60.0, 50.0}})
        rectangle->AcceptPosition(GxPosition().FromDegrees(lon, lat));
    rectangle->AcceptVertex(true);
    rectangle->EndData();
    const GxColor red(1.0, 0.0, 0.0, 1.0);
    Shape("dataset=\"single\" filled=\"true\" color=\"#FF0000FF\"", rectangle);
    WxShape* masked = Shape("dataset=\"single\" mask=\"true\" color=\"#0000FFFF\"", world);
    Draw();
    ExpectAt(kKaroo, red);
    ExpectAt(kAtlantic, mMap.Color());
    Snapshot("mask", "wx10_");
    EXPECT_TRUE(masked->Mask());

    auto* line = new DxShape(GxDegreeProjection());
    line->BeginData();
    line->AcceptVertex(false);
    line->AcceptPosition(GxPosition().FromDegrees(-10, -10));
    line->AcceptPosition(GxPosition().FromDegrees(10, 10));
    line->EndData();
    Inject(*masked, line);
    Draw();
    ExpectAt(kAtlantic, red);
    EXPECT_NE(WriteDocument(mMap).find("mask=\"false\""), std::string::npos);
}

TEST_F(ShapeTest, ElementRoundTripsAndReadsCaptionExactlyButMaskInAnyCase)
{
    const std::string written = "<shape visible=\"true\" selected=\"false\" alpha=\"0.5\" dataset=\"single\" "
                                "color=\"#FF000080\" width=\"1.3\" feature=\"f\" region=\"r\" mask=\"%s\" "
                                "filled=\"true\"%s/>";
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"caption=\"TRUE\" mask=\"TRUE\"", "true", ""}, {"caption=\"true\" mask=\"no\"", "false", " caption=\"true\""}};
    for (const auto& [attributes, mask, caption] : cases)
    {
        const RoundTripResult result = RoundTrip(
            Vanedoc("<map><shape visible=\"true\" alpha=\"0.5\" dataset=\"single\" color=\"#FF000080\" width=\"1.25\" "
                    "feature=\"f\" region=\"r\" filled=\"true\" " +
                    attributes + "/></map>"));
        char want[512];
        std::snprintf(want, sizeof want, written.c_str(), mask.c_str(), caption.c_str());
        EXPECT_NE(result.mFirst.find(want), std::string::npos) << result.mFirst;
        EXPECT_EQ(result.mSecond, result.mFirst);
    }
    // Without "visible" the layer is hidden; without "width" its lines are as thin as the context allows.
    const RoundTripResult bare = RoundTrip(Vanedoc("<map><shape dataset=\"single\"/></map>"));
    EXPECT_NE(bare.mFirst.find("<shape visible=\"false\""), std::string::npos) << bare.mFirst;
    EXPECT_NE(bare.mFirst.find("width=\"0.0\""), std::string::npos) << bare.mFirst;
}

} // namespace

namespace
{

const GxPosition kParis = GxPosition().FromDegrees(2.5, 46.5);
const GxPosition kGuiana = GxPosition().FromDegrees(-53.0, 4.0);
const GxPosition kMadrid = GxPosition().FromDegrees(-3.7, 40.0);
const GxPosition kRome = GxPosition().FromDegrees(12.5, 42.5);

// The picks point into the projected shape: a new frame and a new projection remake it, and the picks must follow
// (under ASan a freed polygon read here fails the test).
TEST_F(ShapeTest, FillFollowsItsPositionAndPicksThroughNewFramesAndProjections)
{
    DxShape* world = KitShapeFrame("naturalearth_lowres.shp");
    if (world == nullptr)
    {
        EXPECT_FALSE(sky::test::TestDataRequired()) << "shapefile/naturalearth_lowres.shp";
        GTEST_SKIP() << "no shapefile test data";
    }
    const GxColor red(1, 0, 0, 1), blue(0, 0, 1, 1), map = mMap.Color();
    auto* fill = static_cast<WxShapeFill*>(
        WxShapeFill::Make(&mMap, KitElement(mParser, "<shapefill visible=\"true\" alpha=\"1.0\" dataset=\"single\" "
                                                     "color=\"#00FF00FF\"/>")));
    Inject(*fill, new DxShape(*world));
    Draw();
    for (const GxPosition& p : {kParis, kGuiana, kMadrid, kAtlantic})
        ExpectAt(p, map); // (0, 0) lies in the sea
    fill->SetFillPosition(kParis);
    fill->AddFillPositionWithColor(kMadrid, red);
    fill->AddFillPositionWithColor(kRome, blue);
    fill->AddFillPositionWithColor(kAtlantic, blue); // no polygon: no pick
    EXPECT_EQ(fill->CountPicks(), 2u);
    Draw();
    const std::pair<GxPosition, GxColor> expected[] = {
        {kParis, mGreen}, {kGuiana, map}, {kMadrid, red}, {kRome, blue}, {kAtlantic, map}};
    for (const auto& [p, c] : expected)
        ExpectAt(p, c);

    Inject(*fill, world);
    GxPosition standard;
    standard.FromDegrees(0.0, 45.0);
    KitSetProjection(mMap, GxFlatProjection(standard), -180.5, -90.5, 180.5, 90.5);
    EXPECT_EQ(fill->CountPicks(), 2u);
    Draw();
    for (const auto& [p, c] : expected)
        ExpectAt(p, c);
    Snapshot("fill", "wx10_");
}

} // namespace

namespace
{

// South Africa's extent as OGR reports it.
constexpr double kSouthAfricaAspect =
    (-22.091312758067588 + 34.81916635512371) / (32.830120477028885 - 16.344976840895242);

TEST_F(ShapeTest, LegendRowCentresTheShapeAtItsAspectAndDarkensABrightColourOnWhite)
{
    DxShape* world = KitShapeFrame("naturalearth_lowres.shp");
    if (world == nullptr)
    {
        EXPECT_FALSE(sky::test::TestDataRequired()) << "shapefile/naturalearth_lowres.shp";
        GTEST_SKIP() << "no shapefile test data";
    }
    WxShape* shape = Shape("dataset=\"single\" color=\"#00FF00FF\"", SouthAfrica(*world));
    delete world;
    const std::unique_ptr<WxInspector> legend(shape->CreateLegend());
    for (const auto& [background, green] : {std::pair{1.0, 0.5}, {0.5, 1.0}})
    {
        legend->SetColor(GxColor(background, background, background, 1.0));
        GxRect box(1e9, 1e9, -1e9, -1e9);
        for (const auto& line : Inspect(*legend, CxRect(0, 0, 300, 40)))
            for (const auto& v : line.mVertices)
            {
                box.ExpandToContain(GxPoint(v.mX, v.mY));
                EXPECT_NEAR(v.mColor[1], green, 2.0 / 255) << background;
            }
        EXPECT_NEAR(box.Height(), 40.0, 0.01);
        EXPECT_NEAR(box.Width(), 40.0 / kSouthAfricaAspect, 0.01);
        EXPECT_NEAR(box.XCenter(), 150.0, 0.01);
    }
}

} // namespace
