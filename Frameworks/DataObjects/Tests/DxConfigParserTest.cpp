#include "CxDebug.h"
#include "DxConfigParsers.h"
#include "DxConfigTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace dxtest;

namespace
{

std::string Property(const std::string& inId, const std::string& inValue, const std::string& inUnits = "")
{
    std::string text = "<property id=\"" + inId + "\" value=\"" + inValue + "\"";
    if (!inUnits.empty())
        text += " units=\"" + inUnits + "\"";
    return text + "/>";
}

std::string Localization(const std::string& inLanguages)
{
    return "<localization>" + inLanguages + "</localization>";
}

std::string Language(const std::string& inId, const std::string& inName)
{
    return "<language id=\"" + inId + "\"><string key=\"@name\" value=\"" + inName +
           "\"/><string key=\"plain\" value=\"x\"/></language>";
}

} // namespace

class DxConfigParserTest : public UnitTableTest
{
};

TEST_F(DxConfigParserTest, TheFixtureReadsToItsValues)
{
    CxData data = Fixture("config.xml");
    const DxConfigParser config(data);
    ASSERT_TRUE(config.Parsed());
    EXPECT_TRUE(config.HasLocalizedStrings());
    EXPECT_EQ(config.StringProperty("name"), "Harbour Mesonet");
    EXPECT_EQ(config.StringProperty("provider"), "Harbour Weather Network");
    EXPECT_EQ(config.UrlProperty("provider"), "http://weather.example.org/");
    EXPECT_EQ(config.UrlProperty("name"), "");
    EXPECT_EQ(config.StringProperty("dataQueryUrlFormat"), "query.php?start=%startDate;&end=%endDate;");
    EXPECT_EQ(config.StringProperty("absent"), "");
    EXPECT_EQ(config.FindProperty("absent"), nullptr);
    EXPECT_EQ(config.SecondsProperty("staleThreshold"), 90);
    EXPECT_EQ(config.SecondsProperty("minimumCheckThreshold"), 90);
    EXPECT_EQ(config.SecondsProperty("dataResolutionOffset"), -30);
    EXPECT_EQ(config.SecondsProperty("realTimeDataWindow"), 7200);
    EXPECT_EQ(config.SecondsProperty("absent"), 0);
    EXPECT_EQ(config.SintProperty("secondsResolution"), -300);
    EXPECT_EQ(config.UintProperty("maxStations"), 4000u);
    EXPECT_EQ(config.UintProperty("absent"), 0u);
    // The first of two properties of one id counts.
    EXPECT_EQ(config.SecondsProperty("dataResolution"), 900);
}

TEST_F(DxConfigParserTest, VersionCheck)
{
    const struct
    {
        const char* mInstruction;
        bool mPasses;
    } cases[] = {
        {"<?datasetconfig version=\"1.0\"?>", true},
        {"<?datasetconfig version=\"1.0d1\"?>", true},
        {"<?datasetconfig version=\"1.0.3\"?>", true},
        {"<?datasetconfig version=\"current\"?>", true}, // a word reads as 1.0.0
        {"<?datasetconfig version=\"1.1\"?>", false},
        {"<?datasetconfig version=\"1.2\"?>", false},
        {"<?datasetconfig version=\"2.0\"?>", false},
        {"<?datasetconfig version=\"0.9\"?>", false},
        {"<?datasetconfig version=\"\"?>", false},
        {"<?datasetconfig?>", false},
        {"<?datasetconfig version=\"1.0?>", false}, // does not read as an element
        {"<?otherconfig version=\"1.0\"?>", false},
        {"", false},
    };
    for (const auto& c : cases)
    {
        CxData data = Bytes(std::string(c.mInstruction) + "<datasetconfig>" + Property("name", "n") +
                            "</datasetconfig>");
        if (c.mPasses)
            EXPECT_NO_THROW(DxConfigParser config(data)) << c.mInstruction;
        else
        {
            try
            {
                DxConfigParser config(data);
                ADD_FAILURE() << "no throw for " << c.mInstruction;
            }
            catch (int error)
            {
                EXPECT_EQ(error, -1) << c.mInstruction;
            }
        }
    }
}

TEST_F(DxConfigParserTest, UnreadableDocumentsThrow)
{
    // Broken after a good instruction, empty, and without a block at all.
    CxData broken = Bytes(Document("datasetconfig", Property("name", "n")).substr(0, 60));
    CxData empty = Bytes("");
    CxData none;
    for (CxData* data : {&broken, &empty, &none})
        EXPECT_THROW(DxConfigParser config(*data), int);
}

TEST_F(DxConfigParserTest, EveryListReaderChecksTheVersion)
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
    const std::vector<std::pair<const char*, std::function<void(CxData&)>>> readers = {
        {"parminfo", [&](CxData& d) { DxParmListParser reader(d, parms, derived, vectors); }},
        {"parminfo", [&](CxData& d) { DxNidsListParser reader(d, products, mosaics, radials); }},
        {"datainfo", [&](CxData& d) { DxImageListParser reader(d, categories, projections, legends); }},
        {"shapeinfo", [&](CxData& d) { DxShapeListParser reader(d, regions, features); }},
        {"productInfo", [&](CxData& d) { DxAdvisoryListParser reader(d, advisories); }},
    };
    for (const auto& [root, read] : readers)
    {
        CxData good = Bytes(Document(root, ""));
        EXPECT_NO_THROW(read(good)) << root;
        CxData newer = Bytes(Document(root, "", "1.1"));
        EXPECT_THROW(read(newer), int) << root;
        CxData unversioned = Bytes("<" + std::string(root) + "/>");
        EXPECT_THROW(read(unversioned), int) << root;
        // Empty data is read as nothing at all.
        CxData empty;
        EXPECT_NO_THROW(read(empty)) << root;
    }
}

TEST_F(DxConfigParserTest, LocalisationPicksTheSystemLanguageThenEnglish)
{
    const std::string body = Localization(Language("English", "Harbour") + Language("French", "Port")) +
                             Property("name", "@name") + Property("plain", "plain") + Property("other", "@other");
    const struct
    {
        const char* mSystem;
        const char* mExpected;
    } cases[] = {{"French", "Port"}, {"English", "Harbour"}, {"German", "Harbour"}};
    for (const auto& c : cases)
    {
        LanguageBundle language(c.mSystem);
        CxData data = Bytes(Document("datasetconfig", body));
        const DxConfigParser config(data);
        EXPECT_EQ(config.StringProperty("name"), c.mExpected) << c.mSystem;
        // Keys without "@" are not taken; unknown keys come back as they are.
        EXPECT_EQ(config.Localize("plain"), "plain");
        EXPECT_EQ(config.StringProperty("plain"), "plain");
        EXPECT_EQ(config.StringProperty("other"), "@other");
    }
}

TEST_F(DxConfigParserTest, WithoutAMatchingLanguageTheMapIsKept)
{
    LanguageBundle language("French");
    CxData data = Bytes(Document("datasetconfig", Localization(Language("English", "Harbour")) +
                                                      Property("name", "@name")));
    DxConfigParser config(data);
    ASSERT_EQ(config.Localize("@name"), "Harbour");

    // A block with only a German language, then one without languages, then none: nothing changes.
    XmlElement german("list");
    XmlElement* localization = new XmlElement(CxString("localization"));
    german.AdoptItem(localization);
    XmlElement* languageXml = new XmlElement(CxString("language"));
    languageXml->SetAttribute("id", "German");
    localization->AdoptItem(languageXml);
    XmlElement* entry = new XmlElement(CxString("string"));
    entry->SetAttribute("key", "@name");
    entry->SetAttribute("value", "Hafen");
    languageXml->AdoptItem(entry);
    config.ParseLocalizedStrings(&german);
    EXPECT_EQ(config.Localize("@name"), "Harbour");
    XmlElement bare("list");
    config.ParseLocalizedStrings(&bare);
    config.ParseLocalizedStrings(nullptr);
    EXPECT_EQ(config.Localize("@name"), "Harbour");

    // A matching language replaces the whole map; a later equal key wins.
    languageXml->SetAttribute("id", "French");
    XmlElement* again = new XmlElement(CxString("string"));
    again->SetAttribute("key", "@name");
    again->SetAttribute("value", "Port");
    languageXml->AdoptItem(again);
    config.ParseLocalizedStrings(&german);
    EXPECT_EQ(config.Localize("@name"), "Port");
}

TEST_F(DxConfigParserTest, WithoutALocalisationBlockKeysStay)
{
    CxData data = Bytes(Document("datasetconfig", Property("name", "@name")));
    const DxConfigParser config(data);
    EXPECT_FALSE(config.HasLocalizedStrings());
    EXPECT_EQ(config.StringProperty("name"), "@name");
}

TEST_F(DxConfigParserTest, SecondsProperty)
{
    const struct
    {
        const char* mValue;
        const char* mUnits;
        CxSint32 mSeconds;
    } cases[] = {
        {"15", "", 900},           {"1.5", "min", 90},  {"-0.5", "min", -30},    {"90", "secs", 90},
        {"2", "hour", 7200},       {"0.99", "secs", 0}, {"-1.99", "secs", -1},   {"garbage", "", 0},
        {"", "", 0},               {"1e30", "min", 0},  {"-1e30", "min", 0},     {"nan", "min", 0},
        {"35791394", "min", 2147483640}, {"35791395", "min", 0},
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
