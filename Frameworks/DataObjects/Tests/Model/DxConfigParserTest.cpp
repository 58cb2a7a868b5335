#include "DxConfigParsers.h"
#include "DxConfigTestSupport.h"
#include "DxFrame.h"
#include "XmlElement.h"

#include <gtest/gtest.h>

#include <functional>

using namespace dxtest;

namespace
{

std::string Property(const std::string& inId, const std::string& inValue, const std::string& inUnits = "")
{
    return "<property id=\"" + inId + "\" value=\"" + inValue + "\"" +
           (inUnits.empty() ? "" : " units=\"" + inUnits + "\"") + "/>";
}

std::string Language(const std::string& inId, const std::string& inName)
{
    return "<language id=\"" + inId + "\"><string key=\"@name\" value=\"" + inName +
           "\"/><string key=\"plain\" value=\"x\"/></language>";
}

} // namespace

using DxConfigParserTest = UnitTableTest;

TEST_F(DxConfigParserTest, TheFixtureReadsToItsValues)
{
    CxData data = Fixture("config.xml");
    const DxConfigParser config(data);
    ASSERT_TRUE(config.Parsed());
    EXPECT_EQ(config.StringProperty("name"), "Harbour Mesonet");
    EXPECT_EQ(config.UrlProperty("provider"), "http://weather.example.org/");
    EXPECT_EQ(config.StringProperty("dataQueryUrlFormat"), "query.php?start=%startDate;&end=%endDate;");
    EXPECT_EQ(config.SecondsProperty("staleThreshold"), 90);
    EXPECT_EQ(config.SecondsProperty("realTimeDataWindow"), 7200);
    EXPECT_EQ(config.SintProperty("secondsResolution"), -300);
    EXPECT_EQ(config.UintProperty("maxStations"), 4000u);
    EXPECT_EQ(config.SecondsProperty("dataResolution"), 900); // the first of two
    EXPECT_EQ(config.FindProperty("absent"), nullptr);
    EXPECT_EQ(config.StringProperty("absent") + config.UrlProperty("absent") + config.UrlProperty("name"), "");
    EXPECT_EQ(config.SecondsProperty("absent") + config.SintProperty("absent"), 0);
}

TEST_F(DxConfigParserTest, SecondsProperty)
{
    const struct
    {
        const char* mValue;
        const char* mUnits;
        CxSint32 mSeconds;
    } cases[] = {
        {"15", "", 900},        {"1.5", "min", 90},    {"-0.5", "min", -30}, {"90", "secs", 90},
        {"2", "hour", 7200},    {"-1.99", "secs", -1}, {"garbage", "", 0},   {"", "", 0},
        {"1e30", "min", 0},     {"-1e30", "min", 0},   {"nan", "min", 0},    {"35791394", "min", 2147483640},
        {"35791395", "min", 0},
    };
    std::string body;
    for (std::size_t i = 0; i < std::size(cases); ++i)
        body += Property("p" + std::to_string(i), cases[i].mValue, cases[i].mUnits);
    CxData data = Bytes(Document("datasetconfig", body));
    const DxConfigParser config(data);
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(config.SecondsProperty(CxString(("p" + std::to_string(i)).c_str())), cases[i].mSeconds)
            << cases[i].mValue << " " << cases[i].mUnits;
}

TEST_F(DxConfigParserTest, EveryReaderChecksTheVersion)
{
    std::vector<DxParm> parms;
    std::vector<DxDerivedParm> derived;
    std::vector<DxVectorParm> vectors;
    std::vector<DxNidsProduct> products;
    std::vector<DxNidsMosaicInfo> mosaics;
    std::vector<DxNidsRadialInfo> radials;
    std::vector<DxImageCategory> categories;
    std::vector<DxImageProjectionInfo*> projections;
    std::vector<DxImageLegendInfo> legends;
    std::vector<DxRegion> regions;
    std::vector<DxFeature> features;
    std::vector<DxAdvisory> advisories;
    DxTable* table = nullptr;
    const std::vector<std::pair<const char*, std::function<void(CxData&)>>> readers = {
        {"datasetconfig", [&](CxData& d) { DxConfigParser reader(d); }},
        {"parminfo", [&](CxData& d) { DxParmListParser reader(d, parms, derived, vectors); }},
        {"parminfo", [&](CxData& d) { DxNidsListParser reader(d, products, mosaics, radials); }},
        {"datainfo", [&](CxData& d) { DxImageListParser reader(d, categories, projections, legends); }},
        {"shapeinfo", [&](CxData& d) { DxShapeListParser reader(d, regions, features); }},
        {"productInfo", [&](CxData& d) { DxAdvisoryListParser reader(d, advisories); }},
        {"siteinfo", [&](CxData& d) { DxSiteListParser reader(d, table); }},
    };
    const struct
    {
        const char* mInstruction;
        bool mPasses;
    } cases[] = {
        // Which versions are compatible is the version type's affair; these are the document's ways to say one.
        {"version=\"1.0d1\"", true}, {"version=\"1.1\"", false}, {"version=\"\"", false}, {"", false},
        {"version=\"1.0", false}, // does not read as an element
    };
    for (const auto& [root, read] : readers)
    {
        for (const auto& c : cases)
        {
            CxData data = Bytes("<?datasetconfig " + std::string(c.mInstruction) + "?><" + root + "/>");
            try
            {
                read(data);
                EXPECT_TRUE(c.mPasses) << root << " " << c.mInstruction;
            }
            catch (int error)
            {
                EXPECT_EQ(error, -1);
                EXPECT_FALSE(c.mPasses) << root << " " << c.mInstruction;
            }
        }
        CxData unversioned = Bytes("<" + std::string(root) + "/>");
        EXPECT_THROW(read(unversioned), int) << root;
        // Empty data: config.xml has no version, the lists read nothing.
        CxData empty;
        if (std::string(root) == "datasetconfig")
            EXPECT_THROW(read(empty), int);
        else
            EXPECT_NO_THROW(read(empty)) << root;
    }
    delete table;
    // A config.xml that stops parsing after a good instruction has no version either.
    CxData broken = Bytes(Document("datasetconfig", Property("name", "n")).substr(0, 60));
    EXPECT_THROW(DxConfigParser reader(broken), int);
}

TEST_F(DxConfigParserTest, Localisation)
{
    const std::string body = "<localization>" + Language("English", "Harbour") + Language("French", "Port") +
                             "</localization>" + Property("name", "@name") + Property("other", "@other");
    for (const auto& [system, expected] : {std::pair{"French", "Port"}, {"English", "Harbour"}, {"German", "Harbour"}})
    {
        LanguageBundle language(system);
        CxData data = Bytes(Document("datasetconfig", body));
        DxConfigParser config(data);
        EXPECT_EQ(config.StringProperty("name"), expected) << system;
        // Keys without "@" are not taken; unknown keys come back as they are.
        EXPECT_EQ(config.Localize("plain"), "plain");
        EXPECT_EQ(config.StringProperty("other"), "@other");
    }

    // Blocks without the system language or English, or no block at all, keep the map; a match replaces it.
    LanguageBundle language("French");
    CxData data = Bytes(Document("datasetconfig", "<localization>" + Language("English", "Harbour") +
                                                      "</localization>" + Property("name", "@name")));
    DxConfigParser config(data);
    const std::string others = "<a><localization>" + Language("German", "Hafen") + "</localization></a><b/>";
    XmlParser blocks;
    const std::string text = "<x>" + others + "<c><localization>" + Language("French", "Port") +
                             "<language id=\"French\"/></localization></c></x>";
    ASSERT_TRUE(blocks.Parse(text.data(), text.size(), true));
    const XmlElement* top = blocks.Root()->FindElement("x");
    for (const char* name : {"a", "b"})
        config.ParseLocalizedStrings(top->FindElement(name));
    config.ParseLocalizedStrings(nullptr);
    EXPECT_EQ(config.StringProperty("name"), "Harbour");
    config.ParseLocalizedStrings(top->FindElement("c"));
    EXPECT_EQ(config.StringProperty("name"), "Port");

    CxData bare = Bytes(Document("datasetconfig", Property("name", "@name")));
    const DxConfigParser unlocalized(bare);
    EXPECT_FALSE(unlocalized.HasLocalizedStrings());
    EXPECT_EQ(unlocalized.StringProperty("name"), "@name");
}
