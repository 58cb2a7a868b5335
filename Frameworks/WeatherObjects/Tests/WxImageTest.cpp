#include "WxImage.h"
#include "CxEvents.h"
#include "CxFileTestHelpers.h"
#include "CxJob.h"
#include "DxImageManager.h"
#include "DxImageParsers.h"
#include "DxSet.h"
#include "GxPNGReader.h"
#include "PfRunLoop.h"
#include "PngChunk.h"
#include "TestLatch.h"
#include "WxDrape.h"
#include "WxDrawTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>

namespace
{

const GxColor kRed(1, 0, 0, 1), kGreen(0, 1, 0, 1), kBlue(0, 0, 1, 1), kYellow(1, 1, 0, 1);
const std::string kLcc = "+proj=lcc +lat_1=33 +lat_2=45 +lat_0=33 +lon_0=-98 +R=6367470";
const GxLambertConformalProjection kLambert(-98 * M_PI / 180, 33 * M_PI / 180, 45 * M_PI / 180);
const GxPolarStereoProjection kPolar(GxPosition().FromDegrees(-80, 60));

using cx4::ReadFile;

// A "wxMl" georeference: projection, its properties, pixel size and south-west corner.
std::string WxMl(const std::string& inProjection, double inPixel, double inLon, double inLat)
{
    return "<?xml version=\"1.0\"?><image>" + inProjection + "<pixelSize width=\"" + std::to_string(inPixel) +
           "\" height=\"" + std::to_string(inPixel) + "\"/><origin lat=\"" + std::to_string(inLat) + "\" lon=\"" +
           std::to_string(inLon) + "\"/></image>";
}

// The PNG of the shared test data with the chunk spliced in, decoded; null when it does not decode.
DxImage* ChunkedPng(const std::string& inPath, const std::string& inWxMl)
{
    const std::string bytes = sky::test::WithWxMlChunk(ReadFile(inPath), inWxMl);
    CxData data(bytes.data(), CxUint32(bytes.size()));
    DxImageFactory factory;
    DxImage* image = factory.ParseImage(data);
    EXPECT_TRUE(factory.HasProjection());
    return image;
}

// The set's configuration, as the registry serves it, and its description (make_image_probes.py places hopper.gif
// the same way).
const char* kHopperConfig = R"(<property id="type" value="image"/><property id="baseUrl" value="@BASE@/"/>
    <property id="prodInfoUrl" value="datainfo.xml"/><property id="dataUrlFormat" value="img/%siteid;_%product;"/>)";
const char* kHopperInfo = R"(<?xml version="1.0" encoding="UTF-8"?><?datasetconfig version="1.0"?><datainfo>
    <category id="site" name="Site"><item id="pit" name="Pittsburgh"/></category>
    <category id="channel" name="Channel"><item id="vis" name="Visible"/></category>
    <projectionInfo key="pit"><projection id="orthographic"><property id="stdLon" value="-80"/>
        <property id="stdLat" value="40.5"/></projection><pixelSize width="4" height="4"/>
        <origin lat="38.2" lon="-83"/></projectionInfo>
    <legendInfo key="vis"><item color="#FF0000FF" value="Bright"/><item color="#00FF00FF" value="Grey"/>
        <item color="#0000FFFF" value="Dark"/></legendInfo></datainfo>)";

// What make_image_probes.py made for a picture: the view, the outline's box from the centre (left, bottom, right,
// top) and four probes (window x, y, then the lowest and the highest r, g, b).
struct Probes
{
    GxPosition mCentre;
    double mScale = 0.0;
    std::vector<double> mBox;
    std::vector<std::vector<int>> mProbes;
};

// The registry, a set's configuration, description and pictures on a loopback server; the managers online with
// the plug-in's job threads and the handler that carries their results to the main loop. Put back when it goes.
class OnlineSets
{
public:
    OnlineSets()
    {
        setenv("SKYVANE_SERVER_REGISTRY", mServer.Base().c_str(), 1);
        DxSet::RebuildRegistryUrlForTesting();
        DxManager::GoOnline();
        DxSet::GoOnline();
        EXPECT_EQ(CxInstallEventHandler(), 0);
        for (auto [type, id] : {std::pair{100, 1}, {100, 2}, {101, 5}, {102, 7}})
            mThreads.push_back(std::make_unique<CxJobThread>(type, id));
    }
    ~OnlineSets()
    {
        mThreads.clear();
        DxManager::GoOffline();
        DxSet::GoOffline();
        CxRemoveEventHandler();
        unsetenv("SKYVANE_SERVER_REGISTRY");
        DxSet::RebuildRegistryUrlForTesting();
    }
    OnlineSets(const OnlineSets&) = delete;
    OnlineSets& operator=(const OnlineSets&) = delete;

    sky::test::LoopbackServer mServer;

private:
    std::vector<std::unique_ptr<CxJobThread>> mThreads;
};

// 4 x 4 pixels of 2 degrees from (-102, 29): red, green over blue, yellow.
DxIndexedImage* Quadrants()
{
    GxColorTable palette;
    palette.clear();
    for (const GxColor& c : {kRed, kGreen, kBlue, kYellow})
        palette.push_back(c);
    auto* image = wxkit::KitImage(
        CxDate(), 4, 4, GxPoint(-102, 29), GxPoint(2, 2),
        [](CxSint32 x, CxSint32 y) { return CxUint8((y / 2) * 2 + x / 2); }, palette);
    image->GenerateMesh(false, 0.25);
    return image;
}

class WxImageTest : public wxdraw::DrawTest
{
protected:
    void TearDown() override
    {
        mMap.reset();
        mOnline.reset();
        DrawTest::TearDown();
    }
    static GxPosition Degrees(double inLon, double inLat) { return GxPosition().FromDegrees(inLon, inLat); }

    // The map of the document's image element, white, in the projection bounded in degrees.
    WxImage* Image(const std::string& inAttributes, const GxProjection& inProjection = kLambert,
                   const std::array<double, 4>& inBounds = {-120, 15, -75, 50})
    {
        WxRegisterProducts();
        mMap = wxkit::KitMap("<map color=\"#FFFFFFFF\"><image " + inAttributes + "/></map>");
        if (mMap == nullptr)
            return nullptr;
        wxkit::KitSetProjection(*mMap, inProjection, inBounds[0], inBounds[1], inBounds[2], inBounds[3]);
        return dynamic_cast<WxImage*>(*mMap->ProductBegin());
    }

    // hopper.gif as "pit" (an orthographic site, 4 km pixels) and "vis" (a three-row legend) of the set "sat",
    // reached from the document through the registry, the image manager and the client; null when it never comes.
    WxImage* ServeHopper(const std::string& inPath)
    {
        mOnline.emplace();
        sky::test::LoopbackServer& server = mOnline->mServer;
        server.AddDocument("/nimbrel/registry.php", 200, "text/xml",
                           wxkit::KitInfoDocument("datasetconfig", kHopperConfig));
        server.AddDocument("/datainfo.xml", 200, "text/xml", kHopperInfo);
        server.AddDocument("/img/pit_vis", 200, "image/gif", ReadFile(inPath));
        DxSet* set = DxSet::FindOrCreateSet("sat", kDxManagerImage);
        if (set == nullptr || set->ImageManager() == nullptr || !set->ImageManager()->PerformConfigUpdate())
            return nullptr;
        WxImage* image = Image(R"(visible="true" alpha="1.0" dataset="sat" cat1="pit" cat2="vis")");
        if (image == nullptr || !pf::MainLoop().RunUntil([&] { return image->Image() != nullptr; }, sky::test::kBound))
            return nullptr;
        return image;
    }

    static Probes ReadProbes(const std::string& inPicture)
    {
        Probes found;
        for (const auto& row : ReadCsv(WX6_PROBES))
        {
            if (row.size() < 2 || row[1] != inPicture)
                continue;
            if (row[0] == "view" && row.size() == 9)
            {
                found.mCentre = GxPosition().FromDegrees(std::stod(row[2]), std::stod(row[3]));
                found.mScale = std::stod(row[4]);
                for (std::size_t i = 5; i < 9; ++i)
                    found.mBox.push_back(std::stod(row[i]));
            }
            else if (row[0] == "probe" && row.size() == 11)
            {
                found.mProbes.emplace_back();
                for (std::size_t i = 3; i < 11; ++i)
                    found.mProbes.back().push_back(std::stoi(row[i]));
            }
        }
        return found;
    }

    // Draws the map in the script's view of the picture, snapshots it, and checks its probes and its bounds.
    void ExpectDrape(const std::string& inPicture, WxImage& ioImage)
    {
        const Probes want = ReadProbes(inPicture);
        ASSERT_EQ(want.mProbes.size(), 4u) << inPicture;
        ASSERT_EQ(want.mBox.size(), 4u) << inPicture;
        DrawAt(*mMap, want.mCentre, want.mScale);
        Snapshot(inPicture, "wx6_");
        for (const std::vector<int>& probe : want.mProbes)
        {
            GLubyte rgba[4] = {};
            glReadPixels(probe[0], probe[1], 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
            for (int c = 0; c < 3; ++c)
                EXPECT_TRUE(rgba[c] + 2 >= probe[2 + c] && rgba[c] <= probe[5 + c] + 2)
                    << inPicture << " channel " << c << " at " << probe[0] << "," << probe[1] << ": " << int(rgba[c]);
        }
        const GxRect& b = ioImage.Bounds();
        const GxPoint m = mMap->Projection()->Project(want.mCentre);
        const double tolerance = 0.01 * (want.mBox[2] - want.mBox[0]);
        EXPECT_NEAR(b.mLeft - m.mX, want.mBox[0], tolerance);
        EXPECT_NEAR(b.mBottom - m.mY, want.mBox[1], tolerance);
        EXPECT_NEAR(b.mRight - m.mX, want.mBox[2], tolerance);
        EXPECT_NEAR(b.mTop - m.mY, want.mBox[3], tolerance);
    }

    std::unique_ptr<WxMap> mMap;
    std::optional<OnlineSets> mOnline;
};

// Every attribute written back as read; defaults for missing ones; a set of another kind keeps the ids, draws none.
TEST_F(WxImageTest, DocumentAttributes)
{
    const std::string full = "<image visible=\"true\" selected=\"true\" alpha=\"0.5\" dataset=\"sat\" "
                             "color=\"#FF000080\" cat1=\"ir\" cat2=\"goes\" sync=\"true\" caption=\"true\"/>";
    WxRegisterProducts();
    const auto trip = wxkit::RoundTrip(wxkit::Vanedoc("<map>" + full + "</map>"));
    EXPECT_NE(trip.mFirst.find(full), std::string::npos) << trip.mFirst;
    EXPECT_EQ(trip.mFirst, trip.mSecond);
    wxkit::KitSet(CxString("radarset"), 3, 0, {});
    // Visibility, alpha, colour, then the ids and the first item's name.
    const std::pair<const char*, const char*> kCases[] = {
        {"", "0 0.0 #FFFFFFFF ab"},
        {"visible=\"TRUE\" alpha=\"0.7\" color=\"\"", "1 0.7 #FFFFFFFF ab"},
        {"visible=\"true\" alpha=\"1\" color=\"#FF000080\" dataset=\"radarset\"", "1 1.0 #FF000080 ab"}};
    for (const auto& [attributes, want] : kCases)
    {
        const WxImage* image = Image(std::string(attributes) + " cat1=\"a\" cat2=\"b\"");
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(CxString(image->IsVisible() ? "1 " : "0 ") + CxString(image->Alpha(), 1) + " " +
                      image->Color().AsString() + " " + image->Category1().Id() + image->Category2().Id() +
                      image->Category1().Name(),
                  CxString(want));
        const auto all = gxtest::CaptureFeedback([&] { DrawAt(*mMap, Degrees(-98, 33), 2.0); });
        EXPECT_TRUE(gxtest::OfToken(all, GL_POLYGON_TOKEN).empty());
    }
}

// The map checks for new data every 15 s while a product's set steps in less than a minute, else every minute.
TEST_F(WxImageTest, ASetChangeSetsTheMapsRefreshPeriod)
{
    WxImage* image = Image("visible=\"true\" cat1=\"a\" cat2=\"b\"");
    ASSERT_NE(image, nullptr);
    DxSet* fast = wxkit::KitSet(CxString("fast"), kDxManagerImage, 30, {});
    for (auto [set, period] : {std::pair{fast, 15000u}, {nullptr, 60000u}, {fast, 15000u}})
    {
        image->SetSet(set);
        EXPECT_EQ(mMap->TrackingPeriod(), period);
    }
}

// The quadrants drape where PROJ puts their pixel centres, plain and tinted half-transparent red at half alpha, inside
// PROJ's box around the outline; the lookup answers each quadrant's colour and transparent black outside.
TEST_F(WxImageTest, DrapedQuadrantsAtProjPositions)
{
    const double kScale = 2.0; // km a pixel
    const std::vector<double> lons = {-101, -95, -101, -95, -98}, lats = {36, 36, 30, 30, 33};
    const auto proj = wxkit::KitProj(kLcc, lons, lats);
    std::vector<double> xs, ys; // the outline every half degree
    for (double t = 0; t <= 8; t += 0.5)
        for (const auto& [x, y] : {std::pair{-102 + t, 29.0}, {-102 + t, 37.0}, {-102.0, 29 + t}, {-94.0, 29 + t}})
            xs.push_back(x), ys.push_back(y);
    GxRect box;
    ASSERT_TRUE(WxBoundsOfPoints(wxkit::KitProj(kLcc, xs, ys), box));
    const GxColor kPlain[] = {kRed, kGreen, kBlue, kYellow};
    // A quarter of the source over three quarters of white.
    const GxColor kTinted[] = {{1, 0.75, 0.75, 1}, {0.75, 0.75, 0.75, 1}, {0.75, 0.75, 0.75, 1}, {1, 0.75, 0.75, 1}};
    for (const bool tinted : {false, true})
    {
        WxImage* image =
            Image(tinted ? "visible=\"true\" alpha=\"0.5\" color=\"#FF000080\"" : "visible=\"true\" alpha=\"1.0\"");
        ASSERT_NE(image, nullptr);
        wxkit::Inject(*image, Quadrants());
        DrawAt(*mMap, Degrees(-98, 33), kScale);
        Snapshot(tinted ? "tinted" : "quadrants", "wx6_");
        for (std::size_t q = 0; q < 4; ++q)
        {
            ExpectPixel(int(std::lround(512 + (proj[q].mX - proj[4].mX) / kScale)),
                        int(std::lround(384 + (proj[q].mY - proj[4].mY) / kScale)), tinted ? kTinted[q] : kPlain[q]);
            EXPECT_EQ(image->GetValueFromPosition(Degrees(lons[q], lats[q])).AsString(), kPlain[q].AsString());
        }
        EXPECT_EQ(image->GetValueFromPosition(Degrees(-90, 33)).AsString(), CxString("#00000000"));
        // Each projection places its own origin: compare from the centre.
        const GxRect& b = image->Bounds();
        const GxPoint m = kLambert.Project(Degrees(-98, 33)), p = proj[4];
        for (const auto& [got, want] : {std::pair{b.mLeft - m.mX, box.mLeft - p.mX},
                                        {b.mRight - m.mX, box.mRight - p.mX},
                                        {b.mBottom - m.mY, box.mBottom - p.mY},
                                        {b.mTop - m.mY, box.mTop - p.mY}})
            EXPECT_NEAR(got, want, 0.01 * box.Width());
    }
}

// Swatches; per-row outlines up to 40 rows; the row under the mouse outlined last, 3 px, in the line colour or
// else the last swatch's; the two mends; the icon's bands are the keys reversed.
TEST_F(WxImageTest, LegendRowsOutlinesAndIcon)
{
    const GxPosition inRed = Degrees(-101, 36), outside = Degrees(-60, 33);
    std::vector<std::string> many(41, "#0000FFFF");
    many[0] = "#FF0000FF"; // under the mouse, the last swatch blue
    const std::tuple<std::vector<std::string>, std::vector<std::string>, GxPosition, std::size_t, std::size_t,
                     const char*>
        kCases[] = {{{"#FF0000FF", "#00FF00FF", "#0000FFFF"}, {"cold", "mild", "a warm day"}, inRed, 3, 1, "#000000FF"},
                    {many, std::vector<std::string>(41, "v"), inRed, 0, 1, "#0000FFFF"},
                    {{"#FF0000FF", "#00000000"}, {"a", "b"}, outside, 2, 1, "#000000FF"},
                    {{"#FF0000FF", "#00FF00FF"}, {}, outside, 2, 0, ""},
                    {{}, {"a"}, inRed, 0, 0, ""}};
    for (const auto& [keys, values, track, rowOutlines, thick, thickColor] : kCases)
    {
        SCOPED_TRACE(keys.size());
        WxImage* image = Image("visible=\"true\" alpha=\"1.0\"");
        ASSERT_NE(image, nullptr);
        DxIndexedImage* frame = Quadrants();
        DxStringField* keyField = frame->NewStringField(CxString("legendKey"));
        DxStringField* valueField = values.empty() ? nullptr : frame->NewStringField(CxString("legendValue"));
        for (const std::string& k : keys)
            keyField->push_back(CxString(k.c_str()));
        for (const std::string& v : values)
            valueField->push_back(CxString(v.c_str()));
        wxkit::Inject(*image, frame);
        std::unique_ptr<WxImageLegend> legend(static_cast<WxImageLegend*>(image->CreateLegend()));
        legend->SetTrackPosition(track);
        const auto all = Inspect(*legend, CxRect(0, 0, 140, 130));
        const auto quads = gxtest::Quads(all);
        const double row = 120.0 / double(keys.size());
        const double swatch = std::floor(std::max(10.0, std::min(140 / 3.5, 140 - legend->WidestLabel() - 15)));
        for (std::size_t i = 0; i < keys.size(); ++i)
            EXPECT_EQ(At(quads, 5, 5 + row * double(i), 5 + swatch, 5 + row * double(i + 1)).size(), 1u) << i;
        const auto lines = gxtest::OfToken(all, GL_LINE_TOKEN);
        EXPECT_EQ(lines.size(), 4 * (rowOutlines + thick)); // four segments an outline
        const double* c = thick == 0 || lines.empty() ? nullptr : lines.back().mVertices[0].mColor;
        EXPECT_EQ(c == nullptr ? CxString() : GxColor(c[0], c[1], c[2], 1).AsString(), CxString(thickColor));
        ASSERT_EQ(image->LegendColors().size(), keys.size());
        for (std::size_t i = 0; i < keys.size(); ++i)
            EXPECT_EQ(image->LegendColors()[i].AsString(), CxString(keys[keys.size() - 1 - i].c_str()));
    }
}

// testorig.png placed by a spliced chunk in Lambert conformal (-98, 33, 45), 8 km pixels from (-108, 34), on a
// polar stereographic map: where PROJ carries it.
TEST_F(WxImageTest, ChunkedPngOnPolarStereographic)
{
    SKY_NEED_TESTDATA_FILE(path, "images/png/testorig.png");
    WxImage* image = Image(R"(visible="true" alpha="1.0")", kPolar, {-180, 0, 180, 90});
    ASSERT_NE(image, nullptr);
    const std::string lambert =
        R"(<projection id="lambertConformal"><property id="stdLon" value="-98"/>)"
        R"(<property id="stdLat1" value="33"/><property id="stdLat2" value="45"/></projection>)";
    DxImage* frame = ChunkedPng(path, WxMl(lambert, 8.0, -108, 34));
    ASSERT_NE(frame, nullptr);
    wxkit::Inject(*image, frame);
    ExpectDrape("testorig", *image);
}

// hopper.gif from the document through the registry, the manager and the client onto a Lambert map: where PROJ
// carries it; named by its two items, its icon bands the legend keys reversed; its legend drawn beside it.
TEST_F(WxImageTest, ServedGifOnLambert)
{
    SKY_NEED_TESTDATA_FILE(path, "images/gif/hopper.gif");
    WxImage* image = ServeHopper(path);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Name(), CxString("Pittsburgh Visible"));
    ASSERT_EQ(image->LegendColors().size(), 3u);
    EXPECT_EQ(image->LegendColors()[0].AsString() + image->LegendColors()[1].AsString() +
                  image->LegendColors()[2].AsString(),
              CxString("#0000FFFF#00FF00FF#FF0000FF"));
    ExpectDrape("hopper", *image);
    Frame(*mMap);
    std::unique_ptr<WxInspector> legend(image->CreateLegend());
    legend->SetTrackPosition(Degrees(-80, 40.5));
    mContext->Begin2D();
    legend->OnDraw(*mContext, CxRect(0, 0, 175, 90));
    mContext->End2D();
    Snapshot("legend", "wx6_");
    legend->DeleteTextures(*mContext);
}

// The same two items again, with a valid subscription, neither announce a change nor ask for a picture (the
// manager may still refresh its description meanwhile); another channel does both.
TEST_F(WxImageTest, SameItemsAgainAreQuiet)
{
    SKY_NEED_TESTDATA_FILE(path, "images/gif/hopper.gif");
    WxImage* image = ServeHopper(path);
    ASSERT_NE(image, nullptr);
    sky::test::LoopbackServer& server = mOnline->mServer;
    server.AddDocument("/img/pit_ir", 200, "image/gif", ReadFile(path));
    const auto pictures = [&] { return server.Hits("/img/pit_vis") + server.Hits("/img/pit_ir"); };
    const int before = pictures();
    wxkit::KitRecorder recorder;
    mMap->AttachReceiver(&recorder);
    image->SetClientInfo(image->Category1(), image->Category2());
    pf::MainLoop().RunUntil([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_TRUE(recorder.Messages().empty());
    EXPECT_EQ(pictures(), before);
    image->SetClientInfo(image->Category1(), DxImageItem(CxString("ir"), CxString()));
    EXPECT_TRUE(pf::MainLoop().RunUntil([&] { return server.Hits("/img/pit_ir") == 1 && !recorder.Messages().empty(); },
                                        sky::test::kBound));
}

// An alpha ramp (transparent at the left, opaque at the right) tinted "#FF000080": the opaque column is half the
// source red over half the white map, the transparent column the map alone.
TEST_F(WxImageTest, TintAndAlphaOverAnAlphaRamp)
{
    SKY_NEED_TESTDATA_FILE(path, "images/png/basn6a08.png");
    WxImage* image = Image(R"(visible="true" alpha="1.0" color="#FF000080")");
    ASSERT_NE(image, nullptr);
    // 32 x 32 pixels of a quarter degree from (-102, 29).
    DxImage* frame = ChunkedPng(path, WxMl(R"(<projection id="degree"/>)", 0.25, -102, 29));
    ASSERT_NE(frame, nullptr);
    wxkit::Inject(*image, frame);
    const std::string bytes = ReadFile(path);
    CxData data(bytes.data(), CxUint32(bytes.size()));
    GxPNGReader reader;
    const auto source = reader.ReadImage(data);
    ASSERT_EQ(reader.Width() * reader.Height(), 1024u);
    // Rows from the top, columns; the reader stores the bottom row first.
    const std::pair<int, int> kPixels[] = {{2, 31}, {24, 31}, {2, 0}, {24, 0}};
    std::vector<double> lons, lats;
    for (const auto& [row, column] : kPixels)
        lons.push_back(-102 + (column + 0.5) * 0.25), lats.push_back(29 + (31.5 - row) * 0.25);
    lons.push_back(-98), lats.push_back(33);
    const auto at = wxkit::KitProj(kLcc, lons, lats);
    const double kScale = 2.0;
    DrawAt(*mMap, Degrees(-98, 33), kScale);
    for (std::size_t i = 0; i < 4; ++i)
    {
        const auto [row, column] = kPixels[i];
        const CxUint8* rgba = &source[std::size_t(((31 - row) * 32 + column) * 4)];
        ASSERT_EQ(rgba[3], column == 0 ? 0 : 255) << row;
        const double red = rgba[0] / 255.0;
        ExpectPixel(int(std::floor(512 + (at[i].mX - at[4].mX) / kScale)),
                    int(std::floor(384 + (at[i].mY - at[4].mY) / kScale)),
                    column == 0 ? GxColor(1, 1, 1, 1) : GxColor(0.5 * red + 0.5, 0.5, 0.5, 1));
    }
}

// A degree picture from pole to pole on a northern Lambert map: the triangles at the south pole, which has no
// place there, are left out; every vertex drawn and the bounds are finite.
TEST_F(WxImageTest, PoleToPolePictureStaysFinite)
{
    WxImage* image = Image(R"(visible="true" alpha="1.0")");
    ASSERT_NE(image, nullptr);
    GxColorTable palette;
    palette.clear();
    palette.push_back(kRed);
    palette.push_back(kBlue);
    auto* frame = wxkit::KitImage(
        CxDate(), 20, 180, GxPoint(-110, -90), GxPoint(1, 1), [](CxSint32 x, CxSint32) { return CxUint8(x % 2); },
        palette);
    frame->GenerateMesh(false, 10.0);
    wxkit::Inject(*image, frame);
    const auto all = gxtest::CaptureFeedback([&] { DrawAt(*mMap, Degrees(-100, 40), 20.0); });
    const auto polygons = gxtest::OfToken(all, GL_POLYGON_TOKEN);
    EXPECT_FALSE(polygons.empty());
    for (const auto& p : polygons)
        for (const auto& v : p.mVertices)
            ASSERT_TRUE(std::isfinite(v.mX) && std::isfinite(v.mY));
    const GxRect& b = image->Bounds();
    EXPECT_TRUE(std::isfinite(b.mLeft) && std::isfinite(b.mRight) && std::isfinite(b.mBottom) && std::isfinite(b.mTop));
    EXPECT_LT(b.mBottom, b.mTop);
}

} // namespace
