// Built, written and read back: the same tree apart from the whitespace that formatting adds.
#include "XmlTestSupport.h"

#include "XmlParser.h"

#include <gtest/gtest.h>

#include <memory>

using sky::test::Dump;
using sky::test::DumpOptions;
using sky::test::Utf8;
using sky::test::WriteUnits;
using sky::test::WriteUtf8;

namespace
{

void BuildDocument(XmlBuilder& ioBuilder)
{
    ioBuilder.Instruction("vanedoc", "version=\"1.4d1\"");
    ioBuilder.Comment(" made by a test ");
    ioBuilder.Begin("vanedoc");
    ioBuilder.Attribute("title", CxString::FromUtf8("Z\xC3\xBCrich <&> \"quoted\" 'single' \xF0\x9D\x84\x9E"));
    ioBuilder.Attribute("lines", "one\ttab\nline feed\r\ncarriage\rreturn");
    ioBuilder.Begin("map");
    ioBuilder.Attribute("id", "1");
    ioBuilder.Content(CxString::FromUtf8("x < y && y > z ]]> caf\xC3\xA9"));
    ioBuilder.Begin("empty");
    ioBuilder.End("empty");
    ioBuilder.Content("tail text");
    ioBuilder.End("map");
    ioBuilder.Instruction("pi", "inner data");
    ioBuilder.Comment("inner <comment>");
    ioBuilder.End("vanedoc");
}

std::unique_ptr<XmlRoot> Parse(const void* inBytes, std::size_t inCount)
{
    XmlParser parser;
    EXPECT_TRUE(parser.Parse(inBytes, inCount, true)) << Utf8(parser.ErrorMessage()) << " line " << parser.ErrorLine();
    return std::unique_ptr<XmlRoot>(parser.DetachRoot());
}

TEST(XmlRoundTripTest, FormattedDocumentReadsBackTheSameTree)
{
    XmlBuilder builder;
    BuildDocument(builder);
    const DumpOptions loose{true, true};

    const std::string utf8 = WriteUtf8(builder);
    auto fromUtf8 = Parse(utf8.data(), utf8.size());
    EXPECT_EQ(Dump(fromUtf8.get(), loose), Dump(builder.Root(), loose));

    // The string stream's units, in the machine's order without a mark.
    const CxString units = WriteUnits(builder);
    auto fromUnits = Parse(units.GetChars(), std::size_t(units.Length()) * 2);
    EXPECT_EQ(Dump(fromUnits.get(), loose), Dump(builder.Root(), loose));
}

TEST(XmlRoundTripTest, UnformattedDocumentReadsBackExactly)
{
    XmlBuilder builder;
    BuildDocument(builder);
    const std::string utf8 = WriteUtf8(builder, false);
    auto parsed = Parse(utf8.data(), utf8.size());
    const DumpOptions merged{true, false};
    EXPECT_EQ(Dump(parsed.get(), merged), Dump(builder.Root(), merged));
}

} // namespace
