// The hard decimal texts read from attributes of a parsed document, bit for bit as Python's float() reads them.
#include "XmlElement.h"
#include "XmlParser.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>

namespace
{

#include "CxHardDoubles.inc"

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
    {
        const double value = AsXmlElement(*item)->GetAttribute("v").AsDouble();
        EXPECT_EQ(std::memcmp(&value, &c->mDouble, sizeof value), 0) << c->mText << " should be " << c->mHex;
    }
    EXPECT_EQ(c, std::end(kHardCases));
}

} // namespace
