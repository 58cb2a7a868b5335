#include "CxDebug.h"
#include "DxConfigParsers.h"
#include "DxConfigTestSupport.h"

#include <gtest/gtest.h>

#include <numbers>

using namespace dxtest;

namespace
{

std::vector<std::string> Texts(const CxStringList& inList)
{
    std::vector<std::string> texts;
    for (const CxString& text : inList)
        texts.push_back(Utf8(text));
    return texts;
}

struct ImageLists
{
    ~ImageLists()
    {
        for (DxImageProjectionInfo* info : mProjections)
            delete info;
    }
    void Read(CxData& ioData) { DxImageListParser reader(ioData, mCategories, mProjections, mLegends); }
    void Read(const std::string& inDocument)
    {
        CxData data = Bytes(inDocument);
        Read(data);
    }

    std::vector<DxImageCategory> mCategories;
    std::vector<DxImageProjectionInfo*> mProjections;
    std::vector<DxImageLegendInfo> mLegends;
};

std::string ProjectionInfo(const std::string& inKey, const std::string& inProjection, const std::string& inPixelSize,
                           const std::string& inOrigin, const std::string& inSmoothing = "")
{
    return "<projectionInfo key=\"" + inKey + "\">" + inProjection + inPixelSize + inOrigin + inSmoothing +
           "</projectionInfo>";
}

const std::string kDegree = "<projection id=\"degree\"/>";
const std::string kPixels = "<pixelSize width=\"2\" height=\"3\"/>";
const std::string kOrigin = "<origin lat=\"10\" lon=\"20\"/>";

} // namespace

class DxProductListParserTest : public UnitTableTest
{
};

// ---- radar

TEST_F(DxProductListParserTest, RadarFixture)
{
    std::vector<DxNidsProduct> products;
    std::vector<DxNidsMosaicInfo> mosaics;
    std::vector<DxNidsRadialInfo> radials;
    CxData data = Fixture("prodinfo.xml");
    for (int reading = 0; reading < 2; ++reading)
    {
        // A second reading holds one copy, so the newest scale and colours are what lookups find.
        DxNidsListParser reader(data, products, mosaics, radials);
        ASSERT_TRUE(reader.Parsed());
        ASSERT_EQ(products.size(), 3u);
        ASSERT_EQ(mosaics.size(), 1u);
        ASSERT_EQ(radials.size(), 2u);
    }
    EXPECT_EQ(products[0], DxNidsProduct("N0R", "Base Reflectivity", "BREF", DxUnit()));
    EXPECT_EQ(products[1], DxNidsProduct("N0V", "Base Velocity", "BVEL", DxUnit(CxString("mps"))));
    EXPECT_EQ(products[2], DxNidsProduct("NET", "Echo Tops", "NET", DxUnit(CxString("kft"))));

    EXPECT_EQ(mosaics[0].ProductCode(), 30);
    EXPECT_EQ(mosaics[0].Name(), "Composite Reflectivity");
    EXPECT_EQ(mosaics[0].KmPerPixel(), 1.0);
    EXPECT_EQ(mosaics[0].DataLevels(), 16);
    EXPECT_EQ(mosaics[0].Unit().Id(), "nada");
    ASSERT_EQ(mosaics[0].ColorTable().size(), 16u);
    EXPECT_EQ(mosaics[0].ColorTable()[1], GxColor(CxString("#04E9E7FF")));
    EXPECT_EQ(mosaics[0].ColorTable()[15], GxColor(CxString("#FDFDFDFF")));
    EXPECT_EQ(radials[0].ProductCode(), 19);
    EXPECT_EQ(radials[0].ColorTable().size(), 4u);
    EXPECT_EQ(radials[1].ProductCode(), 27);
    EXPECT_EQ(radials[1].Unit().Id(), "mps");
    EXPECT_TRUE(radials[1].ColorTable().empty());
}

TEST_F(DxProductListParserTest, RadarNumbersAndColourTokens)
{
    std::vector<DxNidsProduct> products;
    std::vector<DxNidsMosaicInfo> mosaics;
    std::vector<DxNidsRadialInfo> radials;
    CxData data = Bytes(Document(
        "parminfo", "<mosaic id=\"70000\" dataLevels=\"-2\" kmPerPixel=\"x\">"
                    "<colorTable>#102030 #10203040 #1020 #1020304 #102030405 102030 #10203G #ABCDEF\t#abcdef80"
                    "</colorTable><colorTable>#FFFFFF</colorTable></mosaic>"
                    "<radial id=\"x\" dataLevels=\"65536\"/>"));
    DxNidsListParser reader(data, products, mosaics, radials);
    ASSERT_EQ(mosaics.size(), 1u);
    EXPECT_EQ(mosaics[0].ProductCode(), 4464); // the low 16 bits of 70000
    EXPECT_EQ(mosaics[0].DataLevels(), -2);
    EXPECT_EQ(mosaics[0].KmPerPixel(), 0.0);
    const std::vector<std::string> expected = {"#102030FF", "#10203040", "#ABCDEFFF", "#ABCDEF80"};
    std::vector<std::string> colors;
    for (const GxColor& color : mosaics[0].ColorTable())
        colors.push_back(Utf8(color.AsString()));
    EXPECT_EQ(colors, expected);
    ASSERT_EQ(radials.size(), 1u);
    EXPECT_EQ(radials[0].ProductCode(), 0);
    EXPECT_EQ(radials[0].DataLevels(), 0);
    EXPECT_TRUE(products.empty());
}

TEST_F(DxProductListParserTest, RadarListWithoutParmInfoKeepsEverything)
{
    std::vector<DxNidsProduct> products(1);
    std::vector<DxNidsMosaicInfo> mosaics(1);
    std::vector<DxNidsRadialInfo> radials(1);
    CxData data = Bytes(Document("datainfo", "<parm id=\"N0R\"/>"));
    DxNidsListParser reader(data, products, mosaics, radials);
    EXPECT_EQ(products.size(), 1u);
    EXPECT_EQ(products[0].Unit().Id(), "nada");
    EXPECT_EQ(mosaics.size(), 1u);
    EXPECT_TRUE(mosaics[0].ColorTable().empty());
    EXPECT_EQ(radials.size(), 1u);
}

// ---- images

TEST_F(DxProductListParserTest, ImageFixture)
{
    ImageLists lists;
    CxData data = Fixture("datainfo.xml");
    lists.Read(data);
    ASSERT_EQ(lists.mCategories.size(), 2u);
    EXPECT_EQ(lists.mCategories[0].Id(), "sector");
    EXPECT_EQ(lists.mCategories[0].Name(), "Sector");
    ASSERT_EQ(lists.mCategories[0].Items().size(), 2u);
    EXPECT_EQ(lists.mCategories[0].Items()[0].Name(), "East Coast");
    EXPECT_EQ(lists.mCategories[0].Items()[1].Id(), "harbour");
    ASSERT_EQ(lists.mCategories[1].Items().size(), 1u);
    EXPECT_EQ(lists.mCategories[1].Items()[0].Name(), "Infrared");

    ASSERT_EQ(lists.mLegends.size(), 1u);
    EXPECT_EQ(lists.mLegends[0].Key(), "ir");
    EXPECT_EQ(Texts(lists.mLegends[0].Colors()), (std::vector<std::string>{"#FFFFFFFF", "#000000FF"}));
    EXPECT_EQ(Texts(lists.mLegends[0].Values()), (std::vector<std::string>{"Cold tops", "Warm ground"}));

    ASSERT_EQ(lists.mProjections.size(), 2u);
    const DxImageProjectionInfo& east = *lists.mProjections[0];
    EXPECT_EQ(east.Key(), "east");
    EXPECT_EQ(east.PixelSize(), GxPoint(4.0, 4.5));
    EXPECT_TRUE(east.Smoothing());
    // The origin is where the Lambert projection itself puts the origin's position.
    constexpr double kRadians = std::numbers::pi / 180.0;
    const GxLambertConformalProjection lambert(-95.0 * kRadians, 25.0 * kRadians, 25.0 * kRadians);
    EXPECT_EQ(east.Projection()->Id(), "lambertConformal");
    const GxPoint origin = lambert.Project(GxPosition(-126.138 * kRadians, 16.369 * kRadians));
    EXPECT_NEAR(east.Origin().mX, origin.mX, 1e-6);
    EXPECT_NEAR(east.Origin().mY, origin.mY, 1e-6);
    EXPECT_LT(origin.mX, -2000.0); // far west of the central meridian, so the check means something

    const DxImageProjectionInfo& harbour = *lists.mProjections[1];
    EXPECT_EQ(harbour.Projection()->Id(), "degree");
    EXPECT_NEAR(harbour.Origin().mX, -70.0, 1e-9);
    EXPECT_NEAR(harbour.Origin().mY, 40.0, 1e-9);
    EXPECT_FALSE(harbour.Smoothing());
}

TEST_F(DxProductListParserTest, ImageSmoothing)
{
    const struct
    {
        const char* mSmoothing;
        bool mExpected;
    } cases[] = {
        {"", false},
        {"<smoothing enabled=\"TRUE\"/>", true},
        {"<smoothing enabled=\"true\"/>", true},
        {"<smoothing enabled=\"yes\"/>", false},
        {"<smoothing/>", false},
    };
    std::string body;
    for (const auto& c : cases)
        body += ProjectionInfo("k", kDegree, kPixels, kOrigin, c.mSmoothing);
    ImageLists lists;
    lists.Read(Document("datainfo", body));
    ASSERT_EQ(lists.mProjections.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(lists.mProjections[i]->Smoothing(), cases[i].mExpected) << cases[i].mSmoothing;
}

TEST_F(DxProductListParserTest, BrokenProjectionInfosAreSkipped)
{
    CxDebugCapture capture;
    ImageLists lists;
    lists.Read(Document("datainfo", ProjectionInfo("no projection", "", kPixels, kOrigin) +
                                        ProjectionInfo("unknown", "<projection id=\"gnomonic\"/>", kPixels, kOrigin) +
                                        ProjectionInfo("no pixels", kDegree, "", kOrigin) +
                                        ProjectionInfo("no origin", kDegree, kPixels, "") +
                                        ProjectionInfo("good", kDegree, kPixels, kOrigin)));
    ASSERT_EQ(lists.mProjections.size(), 1u);
    EXPECT_EQ(lists.mProjections[0]->Key(), "good");
    EXPECT_EQ(lists.mProjections[0]->PixelSize(), GxPoint(2.0, 3.0));
    EXPECT_TRUE(capture.Contains("CxAssert (tmpElement)"));
}

TEST_F(DxProductListParserTest, ASecondImageListReplacesTheFirst)
{
    ImageLists lists;
    lists.Read(Document("datainfo", ProjectionInfo("first", kDegree, kPixels, kOrigin) +
                                        "<category id=\"c\"/><legendInfo key=\"l\"/>"));
    ASSERT_EQ(lists.mProjections.size(), 1u);
    // Without a list the old infos stay; with one they are deleted (ASan sees a leak or a double free).
    lists.Read(Document("shapeinfo", ""));
    ASSERT_EQ(lists.mProjections.size(), 1u);
    lists.Read(Document("datainfo", ProjectionInfo("second", kDegree, kPixels, kOrigin) +
                                        ProjectionInfo("third", kDegree, kPixels, kOrigin)));
    ASSERT_EQ(lists.mProjections.size(), 2u);
    EXPECT_EQ(lists.mProjections[0]->Key(), "second");
    EXPECT_TRUE(lists.mCategories.empty());
    EXPECT_TRUE(lists.mLegends.empty());
}

// ---- shapes

TEST_F(DxProductListParserTest, ShapeFixture)
{
    std::vector<DxRegion> regions(3);
    std::vector<DxFeature> features(1);
    CxData data = Fixture("shapeinfo.xml");
    DxShapeListParser reader(data, regions, features);
    ASSERT_EQ(regions.size(), 2u);
    EXPECT_EQ(regions[0].Id(), "ns");
    EXPECT_EQ(regions[0].Name(), "Nova Scotia");
    EXPECT_EQ(regions[1].Name(), "New Brunswick");
    ASSERT_EQ(features.size(), 3u);
    EXPECT_EQ(features[2].Id(), "roads");
    EXPECT_EQ(features[2].Name(), "Highways");
}

// ---- advisories

TEST_F(DxProductListParserTest, AdvisoryFixture)
{
    std::vector<DxAdvisory> advisories(2);
    CxData data = Fixture("advisoryinfo.xml");
    DxAdvisoryListParser reader(data, advisories);
    ASSERT_EQ(advisories.size(), 4u);
    EXPECT_TRUE(advisories[0].IsExactMatch(DxAdvisory("TO.W", "Tornado Warning", "#FF0000FF", false, true)));
    EXPECT_TRUE(advisories[1].IsExactMatch(
        DxAdvisory("SV.W", "Severe Thunderstorm Warning", "#FFA500FF", true, true)));
    // Only "false" exactly unfills.
    EXPECT_TRUE(advisories[2].IsExactMatch(DxAdvisory("FF.W", "Flash Flood Warning", "#8B0000FF", true, true)));
    EXPECT_TRUE(advisories[3].IsExactMatch(DxAdvisory("WS.A", "Winter Storm Watch", "", true, true)));
}

TEST_F(DxProductListParserTest, AdvisoryPlaceholderAndFind)
{
    std::vector<DxAdvisory> advisories;
    CxData other = Bytes(Document("parminfo", "<product id=\"x\"/>"));
    DxAdvisoryListParser unlisted(other, advisories);
    ASSERT_EQ(advisories.size(), 1u);
    EXPECT_TRUE(advisories[0].IsExactMatch(DxAdvisory("nada", "None available", "#00000000", true, true)));
    advisories.clear();
    CxData newer = Bytes(Document("productInfo", "<product id=\"x\"/>", "1.5"));
    EXPECT_THROW(DxAdvisoryListParser thrown(newer, advisories), int);
    EXPECT_EQ(advisories.size(), 1u);

    CxData data = Fixture("advisoryinfo.xml");
    DxAdvisoryListParser reader(data, advisories);
    EXPECT_EQ(DxAdvisoryListParser::FindAdvisory(advisories, "SV.W").Color(), "#FFA500FF");
    EXPECT_TRUE(DxAdvisoryListParser::FindAdvisory(advisories, "sv.w")
                    .IsExactMatch(DxAdvisory("sv.w", "sv.w", "#000000FF", true, true)));
    EXPECT_TRUE(DxAdvisory().IsExactMatch(DxAdvisory("unk", "Unknown", "#000000FF", true, true)));
    // Equality is by id only.
    EXPECT_EQ(DxAdvisory("a", "b", "c", false, false), DxAdvisory("a", "x", "y", true, true));
    EXPECT_FALSE(DxAdvisory("a", "b", "c", false, false).IsExactMatch(DxAdvisory("a", "b", "c", false, true)));
}
