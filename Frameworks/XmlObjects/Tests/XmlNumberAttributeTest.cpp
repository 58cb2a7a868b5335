// The hard decimal texts read from the attributes of a parsed document, bit for bit as Python's float() reads them.
#include "XmlElement.h"
#include "XmlParser.h"

#include <gtest/gtest.h>

#include <bit>
#include <string>

#include "../../CoreObjects/Tests/CxHardDoubles.inc"

TEST(XmlNumberAttribute, HardCasesReadBitForBit)
{
    std::string document = "<cases>";
    for (const HardCase& c : kHardCases)
        document += std::string("<n v=\"") + c.mText + "\"/>";
    XmlParser parser;
    ASSERT_TRUE(parser.Parse(document.data(), document.size(), false) && parser.Parse("</cases>", 8, true));
    const XmlElement* cases = parser.Root()->FindElement("cases");
    const HardCase* c = kHardCases;
    for (auto item = cases->ItemBegin(); item != cases->ItemEnd(); ++item, ++c)
        EXPECT_EQ(std::bit_cast<unsigned long long>(AsXmlElement(*item)->GetAttribute("v").AsDouble()), c->mDouble)
            << c->mText << " should be " << c->mHex;
    EXPECT_EQ(c, kHardCases + sizeof kHardCases / sizeof *kHardCases);
}
