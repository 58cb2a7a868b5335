#include "CxData.h"
#include "DxImage.h"
#include "DxImageClient.h"
#include "DxImageFuzzEntry.h"
#include "DxImageManager.h"
#include "DxImageParsers.h"
#include "DxSetTestSupport.h"
#include "GxPNGReader.h"
#include "PngChunk.h"

#include <openssl/evp.h>

#include <array>
#include <cstdio> // before the JPEG library's header, which needs FILE
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>
#include <set>
#include <sstream>
#include <thread>
#include <tuple>

namespace
{

using namespace dxtest;

using sky::test::WithWxMlChunk;

std::string WxMl(const char* inProjection, bool inOrigin = true)
{
    return std::string("<?xml version=\"1.0\"?><image><projection id=\"") + inProjection +
           R"("><property id="stdLon" value="-95"/><property id="stdLat1" value="25"/><property id="stdLat2" )"
           R"(value="25"/></projection><pixelSize width="4.0" height="4.5"/>)" +
           (inOrigin ? R"(<origin lat="16.5" lon="-126.25"/>)" : "") +
           R"(<legend><row color="#FF0000FF" value="1"/><row color="#00FF00FF" value="2"/><x value="3"/></legend>)"
           "</image>";
}

std::unique_ptr<DxImage> Parse(const std::string& inBytes, DxImageFactory* ioFactory = nullptr)
{
    DxImageFactory own;
    CxData data(inBytes.data(), static_cast<CxUint32>(inBytes.size()));
    return std::unique_ptr<DxImage>((ioFactory != nullptr ? ioFactory : &own)->ParseImage(data));
}

std::string Sha256(const void* inBytes, std::size_t inSize)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(inBytes, inSize, digest, &length, EVP_sha256(), nullptr);
    std::ostringstream out;
    for (unsigned int i = 0; i < length; ++i)
        out << "0123456789abcdef"[digest[i] >> 4] << "0123456789abcdef"[digest[i] & 15];
    return out.str();
}

TEST(DxImageParsers, JpegAndGifMatchGdal)
{
    SKY_NEED_TESTDATA(root);
    std::ifstream list(DX_IMAGE_DIGESTS);
    std::string file, what, digest;
    int checked = 0;
    while (list >> file >> what >> digest)
    {
        SCOPED_TRACE(file + " " + what);
        const bool gif = file.ends_with(".gif");
        auto image = Parse(ReadFile(root + (gif ? "/images/gif/" : "/images/jpeg/") + file));
        ASSERT_NE(image, nullptr);
        const std::size_t pixels = std::size_t(image->Width()) * std::size_t(image->Height());
        if (!gif)
            EXPECT_EQ(Sha256(image->GetTextureBuffer(), pixels * image->CountComponents()), digest);
        else if (auto* indexed = dynamic_cast<DxIndexedImage*>(image.get()); what == "indices")
            EXPECT_EQ(Sha256(indexed->Pixels(), pixels), digest);
        else
        {
            std::vector<CxUint32> palette;
            for (const GxColor& colour : indexed->GetColors())
                palette.push_back(colour.AsUint32());
            EXPECT_EQ(Sha256(palette.data(), palette.size() * 4), digest);
        }
        ++checked;
    }
    EXPECT_EQ(checked, 9);
}

TEST(DxImageParsers, WxMlChunkPlacesThePngOrIsIgnoredWhole)
{
    SKY_NEED_TESTDATA_FILE(path, "images/png/basn2c08.png");
    const std::string png = ReadFile(path);
    const std::size_t afterHeader = 33, beforeEnd = png.size() - 12;
    const GxLambertConformalProjection chunkProjection(-95 * M_PI / 180, 25 * M_PI / 180, 25 * M_PI / 180);
    for (const auto& [what, chunk, at, applied] : {
             std::tuple{"before IDAT", WxMl("lambertConformal"), afterHeader, true},
             {"after IDAT", WxMl("lambertConformal"), beforeEnd, true},
             {"no origin", WxMl("lambertConformal", false), afterHeader, false},
             {"unknown projection", WxMl("nowhere"), beforeEnd, false},
             {"not XML", "<image>", afterHeader, false},
             {"no chunk", "", 0, false},
         })
    {
        SCOPED_TRACE(what);
        DxImageFactory factory;
        auto image = Parse(std::string(chunk).empty() ? png : WithWxMlChunk(png, chunk, at), &factory);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(factory.HasProjection(), applied);
        EXPECT_EQ(image->FindStringField("legendKey") != nullptr, applied);
        if (!applied)
        {
            EXPECT_TRUE(*image->Projection() == GxLambertConformalProjection());
            continue;
        }
        EXPECT_TRUE(*image->Projection() == chunkProjection);
        GxPosition origin;
        origin.FromDegrees(-126.25, 16.5);
        EXPECT_EQ(image->Origin(), chunkProjection.Project(origin));
        EXPECT_EQ(image->PixelSize(), GxPoint(4.0, 4.5));
        EXPECT_GT(image->GetMesh().CountTiles(), 0u);
        EXPECT_EQ(*image->FindStringField("legendKey"), (DxStringField::vector{"#FF0000FF", "#00FF00FF", ""}));
        EXPECT_EQ(*image->FindStringField("legendValue"), (DxStringField::vector{"1", "2", "3"}));
    }
    // The pixels are the PNG reader's own.
    CxData data(png.data(), CxUint32(png.size()));
    GxPNGReader reader;
    const auto rgba = reader.ReadImage(data);
    auto image = Parse(png);
    EXPECT_EQ(std::memcmp(image->GetTextureBuffer(), rgba.get(), 32 * 32 * 4), 0);
}

// Every shared picture replays through the fuzz entry: the damaged, hostile and unsupported ones give null, all
// others an image; none crashes or exits.
TEST(DxImageParsers, SharedPicturesReplayThroughTheFuzzEntry)
{
    SKY_NEED_TESTDATA(root);
    const std::set<std::string> none = {"badadler.png",   "badcrc.png",     "huge_IDAT.png",         "monkey12.jpg",
                                        "no_palette.gif", "zero_width.gif", "decompression_bomb.gif"};
    int files = 0;
    for (const char* folder : {"png", "png/bad", "jpeg", "gif"})
        for (const auto& entry : std::filesystem::directory_iterator(root + "/images/" + folder))
        {
            if (!entry.is_regular_file() || entry.path().extension() == ".md")
                continue;
            const std::string bytes = ReadFile(entry.path().string());
            const int decoded = DxImageFuzzOne(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            EXPECT_EQ(decoded, none.count(entry.path().filename()) ? 0 : 1) << entry.path();
            ++files;
        }
    EXPECT_GE(files, 39);
}

TEST(DxImageParsers, CutFlippedAndOversizedJpegs)
{
    SKY_NEED_TESTDATA(root);
    const std::string jpeg = ReadFile(root + "/images/jpeg/testorig.jpg");
    // Cut short, the decoder meets the fake end marker and still answers the whole picture.
    for (std::size_t size = jpeg.find("\xFF\xDA") + 20; size < jpeg.size(); size += 1500)
    {
        auto image = Parse(jpeg.substr(0, size));
        ASSERT_NE(image, nullptr) << size;
        EXPECT_EQ(image->Width() * image->Height(), 227 * 149);
    }
    for (std::size_t bit = 0; bit < jpeg.size() * 8; bit += 997)
        Parse(jpeg.substr(0, bit / 8) + char(jpeg[bit / 8] ^ (1 << (bit % 8))) + jpeg.substr(bit / 8 + 1));
    // 65535 x 65535 in the frame header is past the pixel cap; 10000 x 10000 past what 5770 bytes describe.
    for (const char* size : {"\xFF\xFF\xFF\xFF", "\x27\x10\x27\x10"})
        EXPECT_EQ(Parse(std::string(jpeg).replace(jpeg.find("\xFF\xC0") + 5, 4, size, 4)), nullptr) << size;
}

// Patches of ink, 16 pixels square, written by the library as CMYK: inverted and marked as Adobe's programs do, or
// as they are without the mark.
std::string InkJpeg(const std::vector<std::array<CxUint8, 4>>& inPatches, bool inAdobe)
{
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(16 * inPatches.size());
    info.image_height = 16;
    info.input_components = 4;
    info.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    info.write_Adobe_marker = inAdobe ? TRUE : FALSE;
    info.write_JFIF_header = TRUE; // the tag the reader is chosen by
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row;
    for (std::size_t x = 0; x < info.image_width; ++x)
        for (const CxUint8 ink : inPatches[x / 16])
            row.push_back(JSAMPLE(inAdobe ? 255 - ink : ink));
    while (info.next_scanline < info.image_height)
    {
        JSAMPROW line = row.data();
        jpeg_write_scanlines(&info, &line, 1);
    }
    jpeg_finish_compress(&info);
    const std::string bytes(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    jpeg_destroy_compress(&info);
    return bytes;
}

// Mended: ink files gave four channels that were taken for red, green, blue and alpha. Paper, cyan, magenta,
// yellow and black now read as their RGB colours, marked or not.
TEST(DxImageParsers, InkJpegsReadAsRgb)
{
    const std::vector<std::array<CxUint8, 4>> inks = {{0, 0, 0, 0},   {255, 0, 0, 0}, {0, 255, 0, 0},
                                                      {0, 0, 255, 0}, {0, 0, 0, 255}, {0, 0, 0, 128}};
    const int rgb[][3] = {{255, 255, 255}, {0, 255, 255}, {255, 0, 255}, {255, 255, 0}, {0, 0, 0}, {127, 127, 127}};
    for (const bool adobe : {true, false})
    {
        auto image = Parse(InkJpeg(inks, adobe));
        ASSERT_NE(image, nullptr) << adobe;
        ASSERT_EQ(image->CountComponents(), 3) << adobe;
        ASSERT_EQ(image->Width(), 96);
        const auto* pixels = static_cast<const CxUint8*>(image->GetTextureBuffer());
        for (std::size_t patch = 0; patch < inks.size(); ++patch)
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(pixels[(8 * 96 + patch * 16 + 8) * 3 + std::size_t(k)], rgb[patch][k], 3)
                    << adobe << " patch " << patch << " channel " << k;
    }
}

// Hand-made one-pixel GIFs: a comment leaves "01 00 00 00" in giflib's block buffer, then a graphic control
// block follows.
TEST(DxImageParsers, GifControlBlocksAreReadWithinThemselvesAndTheMap)
{
    const std::string head("GIF89a\x01\x00\x01\x00\x80\x00\x00\x11\x22\x33\x44\x55\x66\x21\xFE\x04\x01\x00\x00\x00\x00",
                           27);
    const std::string tail("\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3B", 16);
    for (const auto& [what, control, alpha0] : {
             std::tuple{"index 0 transparent", std::string("\x21\xF9\x04\x01\x00\x00\x00\x00", 8), 0.0},
             {"2-byte block", std::string("\x21\xF9\x02\x01\x00\x00", 6), 1.0},
             {"index past the map", std::string("\x21\xF9\x04\x01\x00\x00\x05\x00", 8), 1.0},
         })
    {
        auto image = Parse(head + control + tail);
        auto* indexed = dynamic_cast<DxIndexedImage*>(image.get());
        ASSERT_NE(indexed, nullptr) << what;
        ASSERT_EQ(indexed->GetColors().size(), 2u);
        EXPECT_EQ(indexed->GetColors()[0].mAlpha, alpha0) << what;
        EXPECT_EQ(indexed->GetColors()[1].mAlpha, 1.0) << what;
    }
}

// A frame is read whole or the picture is refused: no frame at all, a raster whose data ends before its last
// pixel (then the trailer), a frame of no width, first or later.
TEST(DxImageParsers, DamagedGifsAreRefused)
{
    const std::string head("GIF89a\x01\x00\x01\x00\x80\x00\x00\x11\x22\x33\x44\x55\x66", 19);
    // Clear, index 0, end of information: one pixel.
    const std::string onePixel("\x02\x02\x44\x01", 4);
    const auto frame = [](char inWidth, char inHeight)
    { return std::string("\x2C\x00\x00\x00\x00", 5) + inWidth + '\0' + inHeight + std::string("\x00\x00", 2); };
    for (const auto& [what, bytes, decodes] : {
             std::tuple{"one pixel", head + frame(1, 1) + onePixel + std::string(1, '\0') + ";", true},
             {"header and trailer", head + ";", false},
             {"one pixel of four, then the trailer", head + frame(2, 2) + onePixel + ";", false},
             {"one pixel of four, ended", head + frame(2, 2) + onePixel + std::string(1, '\0') + ";", false},
             {"no width", head + frame(0, 1) + onePixel + std::string(1, '\0') + ";", false},
             {"a second frame of no width",
              head + frame(1, 1) + onePixel + std::string(1, '\0') + frame(0, 1) + onePixel + std::string(1, '\0') +
                  ";",
              false},
         })
        EXPECT_EQ(Parse(bytes) != nullptr, decodes) << what;
}

TEST(DxImageParsers, FactoryDispatchesOnTheFirstBytes)
{
    SKY_NEED_TESTDATA(root);
    const std::string png = ReadFile(root + "/images/png/basn2c08.png");
    const std::string jpeg = ReadFile(root + "/images/jpeg/testorig.jpg");
    const std::string gif = ReadFile(root + "/images/gif/hopper.gif");
    DxImageFactory factory;
    for (const auto& [what, bytes, decodes] : {
             std::tuple{"15 bytes of PNG", png.substr(0, 15), false},
             {"Exif at byte 6", jpeg.substr(0, 6) + "Exif" + jpeg.substr(10), true},
             {"FF D8 without a tag", jpeg.substr(0, 6) + "JFIG" + jpeg.substr(10), false},
             {"GIF and any version", "GIFzza" + gif.substr(6), true},
             {"unknown", std::string(64, 'x'), false},
         })
    {
        ASSERT_NE(Parse(WithWxMlChunk(png, WxMl("lambertConformal")), &factory), nullptr);
        EXPECT_EQ(Parse(bytes, &factory) != nullptr, decodes) << what;
        // Only a PNG with the chunk sets the flag; unrecognised data leaves it.
        EXPECT_EQ(factory.HasProjection(), !decodes) << what;
    }
}

// The picture routes of the test set: no "dataResolution", so names and frames carry no date.
const char* kImageConfig = R"(<property id="type" value="image"/><property id="baseUrl" value="@BASE@/"/>
    <property id="prodInfoUrl" value="datainfo.xml"/><property id="dataUrlFormat" value="img/%siteid;_%product;"/>)";

class ExposedImageManager : public DxImageManager
{
public:
    using DxImageManager::DxImageManager;
    using DxImageManager::OnGetFilenameForRecord;
    using DxImageManager::OnGetQueryUrl;
    using DxImageManager::OnGetUrlForRecord;
};

class DxImageManagerTest : public DxSetTest
{
protected:
    void SetUp() override
    {
        DxSetTest::SetUp();
        Reply(200, Config(kImageConfig));
        mServer.AddDocument("/datainfo.xml", 200, "text/xml", FixtureText("datainfo.xml"));
        mSet = DxSet::FindOrCreateSet("img", kDxManagerShp);
        mManager = mSet->ImageManager();
        ASSERT_NE(mManager, nullptr);
        ASSERT_TRUE(mManager->PerformConfigUpdate());
    }
    // A client of the two items, once the picture served under them has reached it as a frame.
    std::unique_ptr<DxImageClient> Deliver(const char* inCategory1, const char* inCategory2,
                                           const std::string& inPicture, const char* inType)
    {
        mServer.AddDocument(std::string("/img/") + inCategory1 + "_" + inCategory2, 200, inType, inPicture);
        auto client = std::make_unique<DxImageClient>();
        client->SetCategory1(DxImageItem(inCategory1, ""));
        client->SetCategory2(DxImageItem(inCategory2, ""));
        client->SetSet(mSet);
        client->SetDates(kDay, kDay + 3600.0);
        client->RefreshClient();
        EXPECT_TRUE(pf::MainLoop().RunUntil([&] { return client->Image() != nullptr; }, sky::test::kBound));
        return client;
    }

    DxSet* mSet = nullptr;
    DxImageManager* mManager = nullptr;
};

// A GIF placed by the description of its first category, a PNG by its own chunk; both reach their client.
TEST_F(DxImageManagerTest, PicturesArePlacedAndReachTheirClients)
{
    SKY_NEED_TESTDATA(root);
    const auto gif = Deliver("east", "ir", ReadFile(root + "/images/gif/hopper.gif"), "image/gif");
    const DxImage* image = gif->Image();
    ASSERT_NE(image, nullptr);
    const GxLambertConformalProjection east(-95 * M_PI / 180, 25 * M_PI / 180, 25 * M_PI / 180);
    EXPECT_TRUE(*image->Projection() == east);
    GxPosition origin;
    origin.FromDegrees(-126.138, 16.369);
    EXPECT_EQ(image->Origin(), east.Project(origin));
    EXPECT_GT(image->GetMesh().CountTiles(), 0u);
    EXPECT_EQ(*image->FindStringField("legendValue"), (DxStringField::vector{"Cold tops", "Warm ground"}));
    EXPECT_EQ(image->Date(), DxManager::sMissingDate);

    // "harbour" is described in degrees and "ir" has a legend: the chunk's own win.
    const std::string png = ReadFile(root + "/images/png/basn2c08.png");
    const auto chunked = Deliver("harbour", "ir", WithWxMlChunk(png, WxMl("lambertConformal")), "image/png");
    ASSERT_NE(chunked->Image(), nullptr);
    EXPECT_TRUE(*chunked->Image()->Projection() == east);
    EXPECT_EQ(chunked->Image()->FindStringField("legendValue")->size(), 3u);

    // Untimed names: category 2, "_", category 1, in folders of the categories.
    for (const char* name : {"east/ir/ir_east.gif", "harbour/ir/ir_harbour.png"})
        EXPECT_TRUE(std::filesystem::exists(mHome.Path() + "/img/Temporary/" + name)) << name;
}

TEST_F(DxImageManagerTest, UrlsNamesAndQueriesFromTheConfiguration)
{
    Store("rules", Config(R"(<property id="baseUrl" value="http://base/"/>
        <property id="dataUrlFormat" value="https://img.example/%04Y/%02m/%siteid;_%product;.gif"/>
        <property id="dataQueryUrlFormat" value="q?c=%category1;&amp;p=%category2;&amp;s=%startDate;&amp;e=%endDate;"/>
        <property id="dataQueryDateFormatString" value="%Y-%m-%d %H:%M"/>)" +
                          Seconds("dataResolution", 3600)));
    ExposedImageManager manager("rules");
    DxRecord record(kDay + 5400.0, "north-east:ir");
    EXPECT_EQ(manager.OnGetUrlForRecord(&record), CxString("https://img.example/2020/01/north-east_ir.gif"));
    CxStringList folders;
    EXPECT_EQ(manager.OnGetFilenameForRecord(&record, folders), CxString("202001040130ir_north-east"));
    EXPECT_EQ(folders, (CxStringList{"north-east", "ir"}));
    // No "staleThreshold": the query starts at the subscription's start.
    EXPECT_EQ(manager.OnGetQueryUrl(DxSubscription(kDay, kDay + 3600.0, "north-east:ir", 60)),
              CxString("q?c=north-east&p=ir&s=2020-01-04%2000:00&e=2020-01-04%2001:00"));
}

// A search never looks further back than the real-time window: a day-old window is not asked for at all.
TEST_F(DxImageManagerTest, SearchesStayWithinTheRealTimeWindow)
{
    Store("window", Config(std::string(kImageConfig) + R"(<property id="searchServer" value="true"/>)" +
                           Seconds("dataResolution", 3600) + Seconds("realTimeDataWindow", 7200)));
    ExposedImageManager manager("window");
    DxSubscription old(kDay, kDay + 3600.0,
                       "east"
                       ":ir",
                       3600);
    EXPECT_TRUE(manager.PerformOnlineSearch(old, {}).empty());
    std::ostringstream log;
    log << std::ifstream(mHome.Path() + "/.local/state/skyvane/data.log").rdbuf();
    EXPECT_NE(log.str().find("(exceeds data availability window)"), std::string::npos) << log.str();
    EXPECT_EQ(mServer.Hits("/img/east_ir"), 0);
}

// A configuration host that does not answer ends the refresh there: the product list is not asked for.
TEST_F(DxImageManagerTest, AnUnansweredConfigurationEndsTheRefresh)
{
    const sky::test::ClosedPort closed;
    Store("unanswered", Config(std::string(kImageConfig) + R"(<property id="configUrl" value=")" +
                               closed.Url("/config.xml") + R"("/>)"));
    ExposedImageManager manager("unanswered");
    const int before = mServer.Hits("/datainfo.xml");
    EXPECT_FALSE(manager.PerformConfigUpdate());
    EXPECT_EQ(manager.Status(), CxString("Configuration host unreachable."));
    EXPECT_EQ(mServer.Hits("/datainfo.xml"), before);
}

TEST_F(DxImageManagerTest, ClientKeyAndItemsOfANewDescription)
{
    DxImageClient client;
    EXPECT_FALSE(client.IsIdValid());
    client.SetCategory1(DxImageItem("east", "old name"));
    client.SetCategory2(DxImageItem("x-ray", "old name"));
    EXPECT_EQ(client.Id(), CxString("east:x-ray"));
    EXPECT_TRUE(client.IsIdValid());
    client.SetSet(mSet);
    client.ReleaseAndInvalidate();
    EXPECT_EQ(client.Category1().Name(), CxString("East Coast"));
    EXPECT_EQ(client.Category2().Name(), CxString("Unknown"));
    EXPECT_EQ(mManager->GetCategory(2).Name(), CxString("Unknown"));
    EXPECT_EQ(mManager->GetLegendInfo("x-ray").Key(), CxString("n/a"));
}

// The main thread's readers while a configuration job replaces the description (ThreadSanitizer).
TEST_F(DxImageManagerTest, ReadersRaceARefreshOfTheDescription)
{
    CxData data = Fixture("datainfo.xml");
    std::thread refresher(
        [&]
        {
            for (int round = 0; round < 50; ++round)
                mManager->ParseProductList(data);
        });
    for (int round = 0; round < 100; ++round)
    {
        EXPECT_EQ(mManager->GetLegendInfo("ir").Values().size(), 2u);
        EXPECT_EQ(mManager->GetCategory(0).Items().size(), 2u);
        EXPECT_NE(mManager->GetProjectionInfo("east"), nullptr);
    }
    refresher.join();
}

} // namespace
