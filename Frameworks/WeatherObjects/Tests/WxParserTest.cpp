#include "WxParser.h"
#include "CxDebug.h"
#include "WeatherTestKit.h"
#include "WxMap.h"
#include "XmlElement.h"

#include <memory>

namespace
{

using namespace wxkit;

class WxParserTest : public KitTest
{
protected:
    KitProductTable mTable;
};

const char kOldProducts[] = "<map><barb magUnit=\"knot\"/><contour max=\"auto\"/></map>";

struct VersionCase
{
    const char* mVersion;
    bool mAccepted;
    const char* mFirstProduct; // the barb's name afterwards ("" when refused)
    const char* mUnits;        // its "units" attribute: the first conversion ran
    const char* mMessage;
};

TEST_F(WxParserTest, VersionsDecideConversionAndRefusal)
{
    const std::string tooNew = " is newer than this plug-in reads (version 1.4.0d1); a newer plug-in may read it.";
    const VersionCase cases[] = {
        {"0.9.0", true, "vector", "knot", ""},     {"1.0.0f0", true, "vector", "", ""},
        {"not a version", true, "vector", "", ""}, {"1.3.2", true, "barb", "", ""},
        {"1.4.0f9", true, "barb", "", ""},         {"1.5", false, "barb", "", "1.5.0.0"},
        {"2.0", false, "barb", "", "2.0.0.0"},
    };
    for (const VersionCase& c : cases)
    {
        SCOPED_TRACE(c.mVersion);
        const auto parser = KitParser(Vanedoc(kOldProducts, c.mVersion));
        EXPECT_EQ(parser->CompatibleVersion(), c.mAccepted);
        const XmlElement* barb = parser->Root()->FindElement("vanedoc")->FindElement("map")->GetElements()[0];
        EXPECT_EQ(barb->Name(), c.mFirstProduct);
        EXPECT_EQ(barb->GetAttribute("units"), c.mUnits);
        const std::string message =
            c.mAccepted ? "" : "The document's format version " + std::string(c.mMessage) + tooNew;
        EXPECT_EQ(parser->LastErrorMessage().AsUtf8(), message);
    }
}

TEST_F(WxParserTest, NoInstructionIsRefusedOnEveryCallAndNeverConverted)
{
    const auto parser = KitParser(std::string("<vanedoc>") + kOldProducts + "</vanedoc>");
    for (int call = 0; call < 2; ++call)
    {
        EXPECT_FALSE(parser->CompatibleVersion());
        EXPECT_EQ(parser->Map(), nullptr);
    }
    EXPECT_EQ(parser->LastErrorMessage().AsUtf8(),
              "The document's format version 0.0.0d0 is too old for this plug-in, which reads version 1.4.0d1.");
    EXPECT_NE(parser->Root()->FindElement("vanedoc")->FindElement("map")->FindElement("barb"), nullptr);
}

TEST_F(WxParserTest, ConversionRunsOnceAcrossChecksAndMaps)
{
    const auto parser = KitParser(Vanedoc("<map><contour max=\"auto\" min=\"1\"/></map>", "0.9"));
    const XmlElement* contour = parser->Root()->FindElement("vanedoc")->FindElement("map")->FindElement("contour");
    for (int call = 0; call < 3; ++call)
    {
        EXPECT_TRUE(parser->CompatibleVersion());
        std::unique_ptr<WxMap> map(parser->Map());
        EXPECT_EQ(map->ProductCount(), 1u);
        EXPECT_EQ(contour->GetAttribute("auto"), "true");
        EXPECT_EQ(contour->GetAttribute("min"), "nan");
    }
}

TEST_F(WxParserTest, SyntaxErrorNamesTheLineCapitalised)
{
    const auto parser = KitParser("<?vanedoc version=\"1.4d1\"?>\n<vanedoc>\n<map></vanedoc>");
    EXPECT_EQ(parser->LastErrorMessage().AsUtf8(), "Mismatched tag in line 3 of the document.");
}

TEST_F(WxParserTest, FixturesReadBackToTheirCanonicalTexts)
{
    for (const char* name : {"old-0.9", "tracking-1.0", "lambert-loopfrom-1.4", "sync-loopto-1.4"})
    {
        SCOPED_TRACE(name);
        CxDebugCapture capture;
        const std::string canonical = Fixture(std::string(name) + ".canonical");
        ASSERT_FALSE(canonical.empty());
        const RoundTripResult result = RoundTrip(Fixture(std::string(name) + ".vanedoc"));
        EXPECT_EQ(result.mFirst, canonical);
        EXPECT_EQ(result.mSecond, result.mFirst);
        EXPECT_EQ(capture.Count(), 0u) << capture.Lines()[0];
    }
}

TEST_F(WxParserTest, ProductsTakeDocumentOrderAndAnchoredBuildsStayAbove)
{
    const auto parser = KitParser(Vanedoc(
        "<map><obs name=\"o\"/><contour name=\"c\"/><radar name=\"r\"/><step/><projection id=\"radian\"/></map>"));
    std::unique_ptr<WxMap> map(parser->Map());
    EXPECT_EQ(KitLabels(*map), "rco");

    XmlElement more("map");
    for (const char* name : {"x", "y"})
    {
        auto* element = new XmlElement(CxString("image"));
        element->SetAttribute("name", name);
        more.AdoptItem(element);
    }
    parser->BuildProducts(&more, map.get(), *(map->ProductBegin() + 2), true);
    EXPECT_EQ(KitLabels(*map), "rcy*x*o");
}

} // namespace
