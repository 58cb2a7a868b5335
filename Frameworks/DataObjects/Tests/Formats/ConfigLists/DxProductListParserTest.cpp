#include "CxDebug.h"
#include "DxConfigParsers.h"
#include "DxConfigTestSupport.h"

#include <gtest/gtest.h>

#include <numbers>

using namespace dxtest;

namespace
{

template <class Info> std::string Describe(const Info& inInfo)
{
    std::string text = std::to_string(inInfo.ProductCode()) + "|" + inInfo.Name().AsUtf8() + "|" +
                       std::to_string(inInfo.KmPerPixel()) + "|" + std::to_string(inInfo.DataLevels()) + "|" +
                       inInfo.Unit().Id().AsUtf8() + "|";
    for (const GxColor& color : inInfo.ColorTable())
        text += color.AsString().AsUtf8() + " ";
    return text;
}

std::string Join(const CxStringList& inList)
{
    return inList.Combine(' ').AsUtf8();
}

struct ImageLists
{
    ~ImageLists()
    {
        for (DxImageProjectionInfo* info : mProjections)
            delete info;
    }
    void Read(const std::string& inDocument)
    {
        CxData data = Bytes(inDocument);
        DxImageListParser reader(data, mCategories, mProjections, mLegends);
    }

    std::vector<DxImageCategory> mCategories;
    std::vector<DxImageProjectionInfo*> mProjections;
    std::vector<DxImageLegendInfo> mLegends;
};

std::string ProjectionInfo(const std::string& inKey, const std::string& inParts)
{
    return "<projectionInfo key=\"" + inKey + "\">" + inParts + "</projectionInfo>";
}

const std::string kDegree = "<projection id=\"degree\"/>";
const std::string kPixels = "<pixelSize width=\"2\" height=\"3\"/>";
const std::string kOrigin = "<origin lat=\"10\" lon=\"20\"/>";

} // namespace

using DxProductListParserTest = UnitTableTest;

TEST_F(DxProductListParserTest, RadarListReadTwiceHoldsOneCopy)
{
    std::vector<DxNidsProduct> products;
    std::vector<DxNidsMosaicInfo> mosaics;
    std::vector<DxNidsRadialInfo> radials;
    CxData data = Fixture("prodinfo.xml");
    for (int reading = 0; reading < 2; ++reading)
        DxNidsListParser reader(data, products, mosaics, radials);
    ASSERT_EQ(products.size(), 3u);
    EXPECT_EQ(products[0], DxNidsProduct("N0R", "Base Reflectivity", "BREF", DxUnit()));
    EXPECT_EQ(products[2], DxNidsProduct("NET", "Echo Tops", "NET", DxUnit(CxString("kft")))); // type from id
    ASSERT_EQ(mosaics.size(), 1u);
    const std::string mosaic = "30|Composite Reflectivity|1.000000|16|nada|#00000000 #04E9E7FF #019FF4FF ";
    EXPECT_EQ(Describe(mosaics[0]).substr(0, mosaic.size()), mosaic);
    EXPECT_EQ(mosaics[0].ColorTable().size(), 16u);
    ASSERT_EQ(radials.size(), 2u);
    EXPECT_EQ(Describe(radials[1]), "27|Base Velocity 0.5|1.000000|16|mps|");

    // Without a "parminfo" element nothing changes.
    CxData other = Bytes(Document("datainfo", "<parm id=\"N0V\"/>"));
    DxNidsListParser reader(other, products, mosaics, radials);
    EXPECT_EQ(products.size() + mosaics.size() + radials.size(), 6u);
}

TEST_F(DxProductListParserTest, RadarNumbersAndColourTokens)
{
    std::vector<DxNidsProduct> products;
    std::vector<DxNidsMosaicInfo> mosaics;
    std::vector<DxNidsRadialInfo> radials;
    CxData data = Bytes(Document(
        "parminfo", "<mosaic id=\"70000\" dataLevels=\"-2\" kmPerPixel=\"x\"><colorTable>#102030 #10203040 #1020 "
                    "#1020304 #102030405 102030 #10203G #ABCDEF\t#abcdef80</colorTable><colorTable>#FFFFFF"
                    "</colorTable></mosaic><radial id=\"x\" dataLevels=\"65536\"/>"));
    DxNidsListParser reader(data, products, mosaics, radials);
    ASSERT_EQ(mosaics.size() + radials.size(), 2u);
    // The low 16 bits of 70000; only "#" and 6 or 8 hex digits make a colour.
    EXPECT_EQ(Describe(mosaics[0]), "4464||0.000000|-2|nada|#102030FF #10203040 #ABCDEFFF #ABCDEF80 ");
    EXPECT_EQ(Describe(radials[0]), "0||0.000000|0|nada|");
}

TEST_F(DxProductListParserTest, ImageFixture)
{
    ImageLists lists;
    lists.Read(FixtureText("datainfo.xml"));
    ASSERT_EQ(lists.mCategories.size(), 2u);
    EXPECT_EQ(lists.mCategories[0].Id() + " " + lists.mCategories[0].Name(), "sector Sector");
    ASSERT_EQ(lists.mCategories[0].Items().size(), 2u);
    EXPECT_EQ(lists.mCategories[0].Items()[0].Id() + " " + lists.mCategories[0].Items()[0].Name(), "east East Coast");
    EXPECT_EQ(lists.mCategories[1].Items().at(0).Name(), "Infrared");
    ASSERT_EQ(lists.mLegends.size(), 1u);
    EXPECT_EQ(lists.mLegends[0].Key(), "ir");
    EXPECT_EQ(Join(lists.mLegends[0].Colors()), "#FFFFFFFF #000000FF");
    EXPECT_EQ(Join(lists.mLegends[0].Values()), "Cold tops Warm ground");

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
    EXPECT_EQ(lists.mProjections[1]->Projection()->Id(), "degree");
    EXPECT_FALSE(lists.mProjections[1]->Smoothing());
}

TEST_F(DxProductListParserTest, ImageSmoothingAndBrokenEntries)
{
    CxDebugCapture capture;
    const std::pair<const char*, bool> smoothing[] = {
        {"", false},
        {"<smoothing enabled=\"TRUE\"/>", true},
        {"<smoothing enabled=\"true\"/>", true},
        {"<smoothing enabled=\"yes\"/>", false},
        {"<smoothing/>", false},
    };
    std::string body = ProjectionInfo("no projection", kPixels + kOrigin) +
                       ProjectionInfo("unknown", "<projection id=\"gnomonic\"/>" + kPixels + kOrigin) +
                       ProjectionInfo("no pixels", kDegree + kOrigin) + ProjectionInfo("no origin", kDegree + kPixels);
    for (const auto& [text, expected] : smoothing)
        body += ProjectionInfo("good", kDegree + kPixels + kOrigin + text);
    ImageLists lists;
    lists.Read(Document("datainfo", body));
    // Broken entries are left out (ASan sees any leak); the unknown projection and the missing pixel size are
    // reported.
    EXPECT_EQ(capture.Count(), 2u);
    ASSERT_EQ(lists.mProjections.size(), std::size(smoothing));
    for (std::size_t i = 0; i < std::size(smoothing); ++i)
    {
        EXPECT_EQ(lists.mProjections[i]->Smoothing(), smoothing[i].second) << smoothing[i].first;
        EXPECT_EQ(lists.mProjections[i]->PixelSize(), GxPoint(2.0, 3.0));
    }
}

TEST_F(DxProductListParserTest, ASecondImageListReplacesTheFirst)
{
    ImageLists lists;
    lists.Read(Document("datainfo", ProjectionInfo("first", kDegree + kPixels + kOrigin) +
                                        "<category id=\"c\"/><legendInfo key=\"l\"/>"));
    // Without a list the old infos stay; with one they are deleted (ASan sees a leak or a double free).
    lists.Read(Document("shapeinfo", ""));
    ASSERT_EQ(lists.mProjections.size(), 1u);
    lists.Read(Document("datainfo", ProjectionInfo("second", kDegree + kPixels + kOrigin)));
    ASSERT_EQ(lists.mProjections.size(), 1u);
    EXPECT_EQ(lists.mProjections[0]->Key(), "second");
    EXPECT_TRUE(lists.mCategories.empty() && lists.mLegends.empty());
}

TEST_F(DxProductListParserTest, ShapeFixture)
{
    std::vector<DxRegion> regions(3);
    std::vector<DxFeature> features(1);
    CxData data = Fixture("shapeinfo.xml");
    DxShapeListParser reader(data, regions, features);
    ASSERT_EQ(regions.size(), 2u);
    EXPECT_EQ(regions[0].Id() + " " + regions[0].Name() + ", " + regions[1].Name(), "ns Nova Scotia, New Brunswick");
    ASSERT_EQ(features.size(), 3u);
    EXPECT_EQ(features[2].Id() + " " + features[2].Name(), "roads Highways");
}

TEST_F(DxProductListParserTest, Advisories)
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
    ASSERT_EQ(advisories.size(), 4u);
    EXPECT_TRUE(advisories[0].IsExactMatch(DxAdvisory("TO.W", "Tornado Warning", "#FF0000FF", false, true)));
    // Only "false" exactly unfills; a missing colour stays empty.
    EXPECT_TRUE(advisories[1].IsFilled() && advisories[2].IsFilled() && advisories[3].IsFilled());
    EXPECT_EQ(advisories[3].Color(), "");

    EXPECT_EQ(DxAdvisoryListParser::FindAdvisory(advisories, "SV.W").Color(), "#FFA500FF");
    EXPECT_TRUE(DxAdvisoryListParser::FindAdvisory(advisories, "sv.w")
                    .IsExactMatch(DxAdvisory("sv.w", "sv.w", "#000000FF", true, true)));
    EXPECT_EQ(DxAdvisory("a", "b", "c", false, false), DxAdvisory("a", "x", "y", true, true));
    EXPECT_FALSE(DxAdvisory("a", "b", "c", false, false).IsExactMatch(DxAdvisory("a", "b", "c", false, true)));
}
