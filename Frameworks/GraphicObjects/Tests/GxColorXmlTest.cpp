#include "CxDebug.h"
#include "GxColor.h"
#include "GxXmlTestSupport.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

std::vector<std::string> Colors(const GxColorTable& inTable)
{
    std::vector<std::string> colors;
    for (const GxColor& color : inTable)
        colors.push_back(color.AsString().AsUtf8());
    return colors;
}

using gxtest::Externalized;

GxColorTable Read(const std::string& inDocument)
{
    return gxtest::ReadFirst<GxColorTable>(inDocument, "colorTable");
}

} // namespace

TEST(GxColorTableXmlTest, ReadsOnlyWellFormedTokens)
{
    const struct
    {
        const char* mText;
        std::vector<std::string> mColors;
    } cases[] = {
        {"#FF0000 junk #00FF00FF #12345 #GG0000", {"#FF0000FF", "#00FF00FF"}},
        {"\t#ff0000\r\n#0000Ff80  \n", {"#FF0000FF", "#0000FF80"}},
        {"#FF0000FF0 FF0000 #FF00 ## # #FF00000", {}},
        {"#FF0000,#00FF00 #FF0000\v", {}}, // only blanks, tabs and line ends separate
        {"", {}},
    };
    for (const auto& c : cases)
    {
        XmlElement element("anyName");
        element.AdoptItem(new XmlContent(CxString(c.mText)));
        EXPECT_EQ(Colors(GxColorTable(&element)), c.mColors) << c.mText;
    }
}

TEST(GxColorTableXmlTest, JoinsTheDirectTextChildren)
{
    // A token may run across content items; a comment between them does not split it, nested text is not read.
    XmlElement element("colorTable");
    element.AdoptItem(new XmlContent(CxString("#FF00")));
    element.AdoptItem(new XmlComment(CxString("note")));
    element.AdoptItem(new XmlContent(CxString("00 #00FF00")));
    XmlElement* nested = new XmlElement(CxString("inner"));
    nested->AdoptItem(new XmlContent(CxString(" #0000FF ")));
    element.AdoptItem(nested);
    EXPECT_EQ(Colors(GxColorTable(&element)), (std::vector<std::string>{"#FF0000FF", "#00FF00FF"}));

    // The parser splits text at character references.
    EXPECT_EQ(Colors(Read("<colorTable>#FF0000&#32;#00FF00<b>#0000FF</b>&#9;#0000FF</colorTable>")),
              (std::vector<std::string>{"#FF0000FF", "#00FF00FF", "#0000FFFF"}));

    CxDebugCapture capture;
    EXPECT_TRUE(GxColorTable(static_cast<const XmlElement*>(nullptr)).empty());
    EXPECT_EQ(capture.Count(), 1u);
}

TEST(GxColorTableXmlTest, WritesOneBlankAfterEachColour)
{
    EXPECT_EQ(Externalized(GxColorTable(kGxNidsReflectivityColors8)),
              "<colorTable>\n\t#00000000 #33FFFFFF #0000CCFF #00CC00FF #FFFF33FF #FF0000FF #FF00CCFF #FFFFFFFF "
              "\n</colorTable>\n");
}

TEST(GxColorTableXmlTest, RoundTrips)
{
    for (CxSint32 id = 0; id < 12; ++id)
    {
        const GxColorTable table(static_cast<GxColorTableId>(id));
        EXPECT_EQ(Read(Externalized(table)), table) << id;
    }

    // Colours read from eight digits survive as they are; an empty table stays empty.
    GxColorTable odd;
    odd.clear();
    odd.push_back(GxColor(CxString("#01FE7F80")));
    odd.push_back(GxColor(CxString("#00000000")));
    EXPECT_EQ(Read(Externalized(odd)), odd);

    GxColorTable empty;
    empty.clear();
    EXPECT_TRUE(Read(Externalized(empty)).empty());
}
