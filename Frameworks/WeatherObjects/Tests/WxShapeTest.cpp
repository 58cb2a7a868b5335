#include "WxDrawTestSupport.h"

#include "CxLocalize.h"
#include "DxShape.h"
#include "GxProjection.h"
#include "WxParser.h"
#include "WxShape.h"
#include "WxShapeFill.h"

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

namespace
{

using namespace wxkit;

const GxPosition kAtlantic = GxPosition().FromDegrees(-30.0, 0.0);

// A view of make_shape_probes.py's table: a shapefile's rings in a projection and a window, and pixel-centre probes,
// each with the number of the view's rings that OGR says contain it.
struct ProbeView
{
    std::string mFile;
    bool mMercator = false;
    GxPosition mOrigin; // of the Mercator projection
    GxPosition mCentre;
    double mKmPerPixel = 0.0;
    std::vector<std::size_t> mRings; // in reading order; none: all
    std::vector<std::pair<GxPosition, int>> mProbes;
};

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
        SetMapProjection(GxFlatProjection(), -180.5, -90.5, 180.5, 90.5);
    }

    void TearDown() override
    {
        mOwner.reset(); // the products leave their sets before the sets go
        DrawTest::TearDown();
    }

    // The bounds go with the projection, so that the products' projected copies are cut by them.
    void SetMapProjection(const GxProjection& inProjection, double inWest, double inSouth, double inEast,
                          double inNorth)
    {
        const std::unique_ptr<GxProjection> projection(inProjection.Copy());
        const GxPosition low = GxPosition().FromDegrees(inWest, inSouth);
        const GxPosition high = GxPosition().FromDegrees(inEast, inNorth);
        projection->SetBounds(GxRect(low.mLongitude, low.mLatitude, high.mLongitude, high.mLatitude));
        mMap.SetProjection(*projection);
    }

    std::map<std::string, ProbeView> ProbeViews()
    {
        std::map<std::string, ProbeView> views;
        for (const auto& row : ReadCsv(WX10_DATA_DIR "/shape_probes.csv"))
        {
            auto at = [&](std::size_t inI)
            { return GxPosition().FromDegrees(std::stod(row[inI]), std::stod(row[inI + 1])); };
            if (row.size() >= 9 && row[0] == "view")
            {
                ProbeView& view = views[row[1]];
                view.mFile = row[2];
                view.mMercator = row[3] == "mercator";
                view.mOrigin = at(4);
                view.mCentre = at(6);
                view.mKmPerPixel = std::stod(row[8]);
                std::istringstream rings(row.size() > 9 ? row[9] : "");
                for (std::size_t ring = 0; rings >> ring;)
                    view.mRings.push_back(ring);
            }
            else if (row.size() == 5 && row[0] == "probe")
                views[row[1]].mProbes.emplace_back(at(2), std::stoi(row[4]));
        }
        return views;
    }

    // The view's rings as a frame, its projection on the map and its window for Draw; null without the shapefile.
    DxShape* ShowView(const ProbeView& inView)
    {
        DxShape* file = KitShapeFrame(inView.mFile + ".shp");
        if (inView.mMercator)
            mMap.SetProjection(GxMercatorProjection(inView.mOrigin));
        else
            SetMapProjection(GxFlatProjection(), -180.5, -90.5, 180.5, 90.5);
        mCentre = inView.mCentre;
        mKmPerPixel = inView.mKmPerPixel;
        if (file == nullptr || inView.mRings.empty())
            return file;
        auto* some = new DxShape(GxDegreeProjection());
        for (const std::size_t ring : inView.mRings)
            some->Polygons().push_back(file->Polygons().at(ring)->Copy());
        delete file;
        return some;
    }

    WxShape* Shape(const std::string& inAttributes, DxShape* inFrame)
    {
        auto* shape = static_cast<WxShape*>(
            WxShape::Make(&mMap, KitElement(mParser, "<shape visible=\"true\" alpha=\"1.0\" " + inAttributes + "/>")));
        if (inFrame != nullptr)
            Inject(*shape, inFrame);
        return shape;
    }

    WxShapeFill* Fill(const std::string& inAttributes, DxShape* inFrame)
    {
        auto* fill = static_cast<WxShapeFill*>(WxShapeFill::Make(
            &mMap, KitElement(mParser, "<shapefill visible=\"true\" alpha=\"1.0\" " + inAttributes + "/>")));
        if (inFrame != nullptr)
            Inject(*fill, inFrame);
        return fill;
    }

    void Draw() { DrawAt(mMap, mCentre, mKmPerPixel); }

    GxPoint PixelOf(const GxPosition& inPosition) const
    {
        const GxProjection& projection = *mMap.Projection();
        return ToWindow(projection.Project(inPosition), projection.Project(mCentre), mKmPerPixel);
    }

    // Every position's pixel within 2/255 of its colour; the first few that are not are named.
    void ExpectAll(const std::vector<std::pair<GxPosition, GxColor>>& inExpected)
    {
        const std::vector<GLubyte> window = ReadWindow();
        int wrong = 0;
        for (const auto& [position, colour] : inExpected)
        {
            const GxPoint at = PixelOf(position);
            const int x = int(at.mX), y = int(at.mY);
            ASSERT_TRUE(x >= 0 && x < kWidth && y >= 0 && y < kHeight) << x << "," << y;
            const GLubyte* rgb = &window[(std::size_t(y) * kWidth + std::size_t(x)) * 4];
            const double want[3] = {colour.mRed, colour.mGreen, colour.mBlue};
            bool off = false;
            for (int c = 0; c < 3; ++c)
                off = off || std::fabs(rgb[c] - want[c] * 255) > 2;
            if (off && ++wrong <= 5)
                ADD_FAILURE() << "pixel " << x << "," << y << " is " << int(rgb[0]) << "," << int(rgb[1]) << ","
                              << int(rgb[2]);
        }
        EXPECT_EQ(wrong, 0) << "of " << inExpected.size();
    }

    std::unique_ptr<WxMap> mOwner = std::make_unique<WxMap>(nullptr);
    WxMap& mMap = *mOwner;
    std::unique_ptr<WxParser> mParser;
    GxPosition mCentre = GxPosition().FromDegrees(0, 0);
    double mKmPerPixel = 40.0;
    const GxColor mGreen{0.0, 1.0, 0.0, 1.0};
};

#define SKIP_WITHOUT(frame)                                                                                            \
    if ((frame) == nullptr)                                                                                            \
    {                                                                                                                  \
        EXPECT_FALSE(sky::test::TestDataRequired()) << "shapefile test data";                                          \
        GTEST_SKIP() << "no shapefile test data";                                                                      \
    }

// One by one fills what lies in any ring, as one polygon what lies in an odd number of them: holes (Lesotho in
// South Africa's, the hole of block group 612) and islands in holes (Lesotho itself) come out right.
TEST_F(ShapeTest, FillsMatchOgrsRingCountsInBothModesHolesIncluded)
{
    const std::map<std::string, ProbeView> views = ProbeViews();
    ASSERT_EQ(views.size(), 5u);
    // The holes are in the table: Lesotho in South Africa's hole, and block group 612's hole.
    for (const auto& [name, rings] : {std::pair{"southern_africa", 3}, {"south_africa", 2}, {"blockgroup_612", 2}})
        EXPECT_TRUE(std::any_of(views.at(name).mProbes.begin(), views.at(name).mProbes.end(),
                                [rings = rings](const auto& inProbe) { return inProbe.second == rings; }))
            << name;
    for (const auto& [name, view] : views)
    {
        DxShape* frame = ShowView(view);
        SKIP_WITHOUT(frame);
        for (const bool individual : {false, true})
        {
            SCOPED_TRACE(name + (individual ? " one by one" : " as one polygon"));
            const std::unique_ptr<WxShape> shape(Shape(std::string("dataset=\"") +
                                                           (individual ? "individual" : "single") +
                                                           "\" filled=\"true\" color=\"#00FF00FF\"",
                                                       new DxShape(*frame)));
            Draw();
            std::vector<std::pair<GxPosition, GxColor>> expected;
            for (const auto& [position, rings] : view.mProbes)
                expected.emplace_back(position, (individual ? rings > 0 : rings % 2 == 1) ? mGreen : mMap.Color());
            ExpectAll(expected);
            if (name == "world")
                Snapshot(individual ? "world_individual" : "world_single", "wx10_");
        }
        delete frame;
    }
}

TEST_F(ShapeTest, MaskHidesWhatLiesBehindOutsideTheShapeAndAnOpenLineDropsIt)
{
    const ProbeView world = ProbeViews()["world"];
    DxShape* frame = ShowView(world);
    SKIP_WITHOUT(frame);
    auto* rectangle = new DxShape(GxDegreeProjection());
    rectangle->BeginData();
    rectangle->AcceptVertex(false);
    for (const auto& [lon, lat] : {std::pair{-60.0, -50.0}, {60.0, -50.0}, {60.0, 50.0}, {-60.0, 50.0}})
        rectangle->AcceptPosition(GxPosition().FromDegrees(lon, lat));
    rectangle->AcceptVertex(true);
    rectangle->EndData();
    const GxColor red(1.0, 0.0, 0.0, 1.0);
    Shape("dataset=\"single\" filled=\"true\" color=\"#FF0000FF\"", rectangle);
    WxShape* masked = Shape("dataset=\"single\" mask=\"true\" color=\"#0000FFFF\"", frame);
    // The rectangle shows where it lies in land (an odd number of rings), or everywhere once the mask is gone.
    const GxPoint low = PixelOf(GxPosition().FromDegrees(-60, -50)), high = PixelOf(GxPosition().FromDegrees(60, 50));
    auto expect = [&](bool inMasked)
    {
        std::vector<std::pair<GxPosition, GxColor>> expected;
        for (const auto& [position, rings] : world.mProbes)
        {
            const GxPoint at = PixelOf(position);
            if (std::min({std::fabs(at.mX - low.mX), std::fabs(at.mX - high.mX), std::fabs(at.mY - low.mY),
                          std::fabs(at.mY - high.mY)}) < 3.0)
                continue;
            const bool inside = at.mX > low.mX && at.mX < high.mX && at.mY > low.mY && at.mY < high.mY;
            expected.emplace_back(position, inside && (!inMasked || rings % 2 == 1) ? red : mMap.Color());
        }
        ExpectAll(expected);
    };
    Draw();
    expect(true);
    Snapshot("mask", "wx10_");
    EXPECT_TRUE(masked->Mask());

    auto* line = new DxShape(GxDegreeProjection());
    line->BeginData();
    line->AcceptVertex(false);
    // Along the rectangle's edge, where no probe looks.
    line->AcceptPosition(GxPosition().FromDegrees(-60, -50));
    line->AcceptPosition(GxPosition().FromDegrees(60, -50));
    line->EndData();
    Inject(*masked, line);
    Draw();
    expect(false);
    EXPECT_NE(WriteDocument(mMap).find("mask=\"false\""), std::string::npos);
}

TEST_F(ShapeTest, ElementsRoundTripAndReadCaptionExactlyButMaskInAnyCase)
{
    const std::string shape = "visible=\"true\" alpha=\"0.5\" dataset=\"single\" color=\"#FF000080\" width=\"1.25\" "
                              "feature=\"f\" region=\"r\" ";
    const std::string written = "visible=\"true\" selected=\"false\" alpha=\"0.5\" dataset=\"single\" "
                                "color=\"#FF000080\" width=\"1.3\" feature=\"f\" region=\"r\" mask=";
    // A fill layer has no caption, sync or filled flag to read or write.
    const std::pair<std::string, std::string> cases[] = {
        {"<shape " + shape + "filled=\"true\" caption=\"TRUE\" mask=\"TRUE\"/>",
         "<shape " + written + "\"true\" filled=\"true\"/>"},
        {"<shape " + shape + "filled=\"true\" caption=\"true\" mask=\"no\"/>",
         "<shape " + written + "\"false\" filled=\"true\" caption=\"true\"/>"},
        {"<shapefill " + shape + "filled=\"true\" caption=\"true\" sync=\"true\" mask=\"TRUE\"/>",
         "<shapefill " + written + "\"true\"/>"}};
    for (const auto& [element, want] : cases)
    {
        const RoundTripResult result = RoundTrip(Vanedoc("<map>" + element + "</map>"));
        EXPECT_NE(result.mFirst.find(want), std::string::npos) << result.mFirst;
        EXPECT_EQ(result.mSecond, result.mFirst);
    }
    // Without "visible" the layer is hidden; without "width" its lines are as thin as the context allows.
    const RoundTripResult bare = RoundTrip(Vanedoc("<map><shape dataset=\"single\"/></map>"));
    EXPECT_NE(bare.mFirst.find("<shape visible=\"false\""), std::string::npos) << bare.mFirst;
    EXPECT_NE(bare.mFirst.find("width=\"0.0\""), std::string::npos) << bare.mFirst;
}

// A square about (0, 0), 20 degrees wide, or its outline left open.
DxShape* Square(bool inClosed = true)
{
    auto* square = new DxShape(GxDegreeProjection());
    square->BeginData();
    square->AcceptVertex(false);
    for (const auto& [lon, lat] : {std::pair{-10, -10}, {10, -10}, {10, 10}, {-10, 10}})
        square->AcceptPosition(GxPosition().FromDegrees(lon, lat));
    square->AcceptVertex(inClosed);
    square->EndData();
    return square;
}

// An open shape cannot be masked: the outline layer drops its mask, the fill layer keeps it and says so. A closed
// shape that the projection's bounds cut open counts the same once the projection changes.
TEST_F(ShapeTest, OpenShapesCannotBeMaskedAlsoOnceAProjectionCutsThemOpen)
{
    const CxString cant = CxLocalize(CxString("cantMaskShape"));
    ASSERT_NE(cant, "cantMaskShape");
    for (const bool cut : {false, true})
    {
        SCOPED_TRACE(cut ? "cut open" : "open");
        SetMapProjection(GxFlatProjection(), -180.5, -90.5, 180.5, 90.5);
        DxShape* frame = Square(cut);
        const std::unique_ptr<WxShape> shape(Shape("dataset=\"single\" mask=\"true\"", new DxShape(*frame)));
        const std::unique_ptr<WxShapeFill> fill(Fill("dataset=\"single\" mask=\"true\"", frame));
        EXPECT_EQ(shape->IsMaskable(), cut);
        EXPECT_EQ(fill->Status() == cant, !cut);
        if (cut)
            SetMapProjection(GxFlatProjection(), -5.0, -90.5, 5.0, 90.5);
        Draw();
        EXPECT_FALSE(shape->Mask());
        EXPECT_TRUE(fill->Mask());
        EXPECT_EQ(fill->Status(), cant);
        const std::string written = WriteDocument(mMap);
        EXPECT_NE(written.find("mask=\"false\" filled=\"false\"/>"), std::string::npos) << written;
        EXPECT_NE(written.find("region=\"\" mask=\"true\"/>"), std::string::npos) << written;
    }
    // Turned on later, the mask is refused the same way.
    SetMapProjection(GxFlatProjection(), -180.5, -90.5, 180.5, 90.5);
    const std::unique_ptr<WxShapeFill> fill(Fill("dataset=\"single\" mask=\"false\"", Square(false)));
    EXPECT_NE(fill->Status(), cant);
    fill->SetMask(true);
    EXPECT_EQ(fill->Status(), cant);
}

// The same ids with a valid subscription change nothing; the fill layer looks at the ids only.
// A fill made on an archiving map asks for archived records, like the map's other products.
TEST_F(ShapeTest, AFillOnAnArchivingMapArchives)
{
    for (const bool archiving : {false, true})
    {
        archiving ? mMap.StartArchiving() : mMap.StopArchiving();
        const std::unique_ptr<WxShapeFill> fill(Fill("dataset=\"single\" region=\"us\" feature=\"c\"", nullptr));
        fill->RefreshClient();
        DxManager* manager = fill->Manager();
        ASSERT_NE(manager, nullptr);
        CxAutoLock lock(manager->Region());
        ASSERT_FALSE(manager->Subscriptions().empty());
        EXPECT_EQ(manager->Subscriptions().front()->mRecording, archiving);
    }
}

TEST_F(ShapeTest, SameRegionAndFeatureKeepTheFrameWhileTheSubscriptionHolds)
{
    struct Case
    {
        bool mFill;
        bool mInvalidate;
        const char* mFeature;
        bool mKept;
    };
    const Case cases[] = {{false, false, "f", true}, {false, true, "f", false}, {false, false, "g", false},
                          {true, false, "f", true},  {true, true, "f", true},   {true, false, "g", false}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.mFill ? "fill " : "shape ") + (c.mInvalidate ? "unsubscribed " : "") + c.mFeature);
        const std::string attributes = "dataset=\"single\" region=\"r\" feature=\"f\"";
        std::unique_ptr<WxProduct> product(c.mFill ? static_cast<WxProduct*>(Fill(attributes, Square()))
                                                   : Shape(attributes, Square()));
        auto* client = dynamic_cast<DxShapeClient*>(product.get());
        ASSERT_TRUE(client->IsSubscriptionValid());
        if (c.mInvalidate)
            client->ReleaseAndInvalidate();
        KitRecorder recorder;
        mMap.AttachReceiver(&recorder);
        if (c.mFill)
            static_cast<WxShapeFill*>(product.get())->SetShapeInfo(CxString("r"), CxString(c.mFeature));
        else
            static_cast<WxShape*>(product.get())->SetShapeInfo(CxString("r"), CxString(c.mFeature));
        mMap.DetachReceiver(&recorder);
        EXPECT_EQ(client->Shape() != nullptr, c.mKept);
        EXPECT_EQ(recorder.Messages().empty(), c.mKept);
    }
}

// Without a date the layer is named by its region and shows its feature; with one, named by the feature, it shows
// the date.
TEST_F(ShapeTest, ADatedShapeNamesTheLayerByItsFeatureAndShowsTheDate)
{
    KitClock clock(CxDate(2009, 7, 4, 17, 6, 7, 0), "UTC");
    mMap.SetDate(CxDate(2009, 7, 4, 17, 6, 7, 0));
    const std::unique_ptr<WxShape> shape(Shape("dataset=\"single\" region=\"r\" feature=\"f\"", Square()));
    EXPECT_EQ(shape->Name(), "r");
    EXPECT_EQ(shape->Status(), "f");
    DxShape* dated = Square();
    dated->SetDate(CxDate(2009, 7, 4, 15, 30, 0, 0));
    Inject(*shape, dated);
    EXPECT_EQ(shape->Name(), "f");
    EXPECT_EQ(shape->Status(), "3:30 PM UTC");
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
    SKIP_WITHOUT(world);
    const GxColor red(1, 0, 0, 1), blue(0, 0, 1, 1), map = mMap.Color();
    WxShapeFill* fill = Fill("dataset=\"single\" color=\"#00FF00FF\"", new DxShape(*world));
    Draw();
    ExpectAll({{kParis, map}, {kGuiana, map}, {kMadrid, map}, {kAtlantic, map}}); // (0, 0) lies in the sea
    fill->SetFillPosition(kParis);
    fill->AddFillPositionWithColor(kMadrid, red);
    fill->AddFillPositionWithColor(kRome, blue);
    fill->AddFillPositionWithColor(kAtlantic, blue); // no polygon: no pick
    EXPECT_EQ(fill->CountPicks(), 2u);
    Draw();
    const std::vector<std::pair<GxPosition, GxColor>> expected = {
        {kParis, mGreen}, {kGuiana, map}, {kMadrid, red}, {kRome, blue}, {kAtlantic, map}};
    ExpectAll(expected);

    Inject(*fill, world);
    GxPosition standard;
    standard.FromDegrees(0.0, 45.0);
    SetMapProjection(GxFlatProjection(standard), -180.5, -90.5, 180.5, 90.5);
    EXPECT_EQ(fill->CountPicks(), 2u);
    Draw();
    ExpectAll(expected);
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
    DxShape* southAfrica = ShowView(ProbeViews()["south_africa"]);
    SKIP_WITHOUT(southAfrica);
    WxShape* shape = Shape("dataset=\"single\" color=\"#00FF00FF\"", southAfrica);
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

namespace
{

// Icons: the filled square or the line in the product colour, or the square less a diamond in the map's colour
// with its border and diamond in the inverse. A hidden layer's at 0.2; the outline layer's also at its own alpha,
// the fill layer's at neither its alpha nor its colour's.
TEST_F(ShapeTest, IconsDrawFillLineOrMaskAtTheirAlphas)
{
    const GxColor green(0, 1, 0, 1), map = mMap.Color(), inverted(1 - map.mRed, 1 - map.mGreen, 1 - map.mBlue, 1);
    struct Case
    {
        std::string mElement;
        GLenum mToken;
        GxColor mColour;
        GxRect mCover;
        std::set<double> mAlphas; // and of the inverse's lines, for a mask
        std::set<double> mInverse;
    };
    const std::string half = " alpha=\"0.5\" color=\"#00FF0080\"";
    const Case cases[] = {
        {"<shape visible=\"true\" filled=\"true\"" + half, GL_POLYGON_TOKEN, green, {0, 0, 32, 32}, {0.25}, {}},
        {"<shape visible=\"false\"" + half, GL_LINE_TOKEN, green, {0, 16, 32, 16}, {0.05}, {}},
        {"<shapefill visible=\"false\"" + half, GL_LINE_TOKEN, green, {0, 16, 32, 16}, {0.2}, {}},
        {"<shape visible=\"true\" mask=\"true\"" + half, GL_POLYGON_TOKEN, map, {0, 0, 32, 32}, {0.5}, {0.2, 0.5}},
        {"<shapefill visible=\"false\" mask=\"true\"" + half, GL_POLYGON_TOKEN, map, {0, 0, 32, 32}, {0.2}, {0.2}}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.mElement);
        const bool fill = c.mElement.rfind("<shapefill", 0) == 0;
        XmlElement* element = KitElement(mParser, c.mElement + " dataset=\"single\"/>");
        const std::unique_ptr<WxProduct> product(fill ? WxShapeFill::Make(&mMap, element)
                                                      : WxShape::Make(&mMap, element));
        mContext->Begin2D();
        const auto all = gxtest::CaptureFeedback([&] { product->DrawIcon(*mContext); });
        mContext->End2D();
        auto same = [](const double* inRgb, const GxColor& inColour)
        {
            return std::fabs(inRgb[0] - inColour.mRed) + std::fabs(inRgb[1] - inColour.mGreen) +
                       std::fabs(inRgb[2] - inColour.mBlue) <
                   0.01;
        };
        GxRect cover(1e9, 1e9, -1e9, -1e9);
        std::set<double> alphas, inverse;
        for (const auto& p : all)
            for (const auto& v : p.mVertices)
            {
                if (p.mToken == c.mToken && same(v.mColor, c.mColour))
                {
                    cover.ExpandToContain(GxPoint(v.mX, v.mY));
                    alphas.insert(std::round(v.mColor[3] * 100) / 100);
                }
                if (p.mToken == GL_LINE_TOKEN && same(v.mColor, inverted))
                    inverse.insert(std::round(v.mColor[3] * 100) / 100);
            }
        EXPECT_EQ(alphas, c.mAlphas);
        EXPECT_EQ(inverse, c.mInverse);
        for (const auto& [got, want] : {std::pair{cover.mLeft, c.mCover.mLeft},
                                        {cover.mBottom, c.mCover.mBottom},
                                        {cover.mRight, c.mCover.mRight},
                                        {cover.mTop, c.mCover.mTop}})
            EXPECT_NEAR(got, want, 0.5);
    }
}

} // namespace
