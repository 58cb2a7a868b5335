// Every code unit written by both writers and read back by the parser.
#include "XmlTestSupport.h"

#include "XmlParser.h"

#include <gtest/gtest.h>

namespace
{

TEST(XmlUnwritableTest, EveryUnitReadsBackOrAsReplacement)
{
    for (CxUint32 block = 0; block < 256; ++block)
    {
        // Alone among the units of its block, a surrogate is unpaired; CR in content reads back as CR.
        CxString text("["), expected("[");
        for (CxUint32 unit = block * 256 + (block == 0); unit < block * 256 + 256; ++unit)
        {
            const bool allowed = unit == 9 || unit == 10 || unit == 13 || (unit >= 0x20 && unit < 0xD800) ||
                                 (unit >= 0xE000 && unit < 0xFFFE);
            text += CxUint16(unit);
            expected += CxUint16(allowed ? unit : 0xFFFD);
        }
        XmlBuilder builder;
        builder.Begin("a");
        builder.Attribute("v", text);
        builder.Content(text);
        builder.Comment(text);
        builder.End("a");
        CxDebugCapture capture;
        const CxString units = sky::test::WriteUnits(builder, false);
        const std::string bytes = sky::test::WriteUtf8(builder, false);
        EXPECT_EQ(capture.Count(), expected == text ? 0u : 2u) << block; // one line per document
        XmlParser parsers[2];
        ASSERT_TRUE(parsers[0].Parse(units.GetChars(), units.Length() * 2u, true)) << block;
        ASSERT_TRUE(parsers[1].Parse(bytes.data(), bytes.size(), true)) << block;
        for (const XmlParser& parser : parsers)
        {
            const XmlElement* a = parser.Root()->FindElement("a");
            EXPECT_TRUE(a->GetAttribute("v") == expected && a->GetContent() == expected) << block;
        }
    }
}

} // namespace
