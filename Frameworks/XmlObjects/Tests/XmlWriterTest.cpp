// The three writers: the same document through each, line breaks, and text above 127.
#include "XmlTestSupport.h"

#include "CxDebug.h"

#include <gtest/gtest.h>

#include <sstream>

using sky::test::Utf8;
using sky::test::WriteStd;
using sky::test::WriteUnits;
using sky::test::WriteUtf8;

namespace
{

void BuildExample(XmlBuilder& ioBuilder)
{
    ioBuilder.Instruction("vanedoc", "version=\"1.4d1\"");
    ioBuilder.Begin("vanedoc");
    ioBuilder.Begin("map");
    ioBuilder.Attribute("id", "1");
    ioBuilder.End("map");
    ioBuilder.End("vanedoc");
}

TEST(XmlWriterTest, EveryWriterWritesTheExampleAlike)
{
    XmlBuilder builder;
    BuildExample(builder);
    const std::string expected = "<?vanedoc version=\"1.4d1\"?>\n<vanedoc>\n\t<map id=\"1\"/>\n</vanedoc>\n";
    EXPECT_EQ(WriteStd(builder), expected);
    EXPECT_EQ(WriteUtf8(builder), expected);
    EXPECT_EQ(Utf8(WriteUnits(builder)), expected);

    const std::string flat = "<?vanedoc version=\"1.4d1\"?><vanedoc><map id=\"1\"/></vanedoc>";
    EXPECT_EQ(WriteUtf8(builder, false), flat);
    EXPECT_EQ(Utf8(WriteUnits(builder, false)), flat);

    XmlBuilder empty;
    EXPECT_EQ(WriteStd(empty), "");
    EXPECT_EQ(WriteUtf8(empty), "");
    EXPECT_EQ(WriteUnits(empty).Length(), 0u);
}

TEST(XmlWriterTest, TextAbove127)
{
    XmlBuilder builder;
    builder.Begin("a");
    builder.Attribute("v", CxString::FromUtf8("Z\xC3\xBCrich"));
    builder.Content(CxString::FromUtf8("caf\xC3\xA9 \xF0\x9D\x84\x9E"));
    builder.End("a");

    EXPECT_EQ(WriteStd(builder, false), "<a v=\"Z*rich\">caf* **</a>");
    EXPECT_EQ(WriteUtf8(builder, false), "<a v=\"Z\xC3\xBCrich\">caf\xC3\xA9 \xF0\x9D\x84\x9E</a>");
    EXPECT_TRUE(WriteUnits(builder, false) == CxString(u"<a v=\"Z\u00FCrich\">caf\u00E9 \U0001D11E</a>"));
}

TEST(XmlWriterTest, LineBreaks)
{
    XmlBuilder builder;
    BuildExample(builder);
    struct Case
    {
        CxEndOfLine lineBreak;
        const char* text;
    };
    for (const Case& c : {Case{kCxEndOfLineCR, "\r"}, Case{kCxEndOfLineCRLF, "\r\n"}, Case{kCxEndOfLineLF, "\n"}})
    {
        CxData data(0u);
        {
            CxTextStream stream(data);
            XmlTextStreamWriter writer(stream);
            writer.SetLineBreak(c.lineBreak);
            EXPECT_EQ(writer.LineBreak(), c.lineBreak);
            builder.Write(writer);
        }
        data.Lock();
        const std::string written(static_cast<const char*>(data.Pointer()), data.Size());
        data.Unlock();
        const std::string br = c.text;
        EXPECT_EQ(written, "<?vanedoc version=\"1.4d1\"?>" + br + "<vanedoc>" + br + "\t<map id=\"1\"/>" + br +
                               "</vanedoc>" + br);
    }

    CxDebugCapture capture;
    std::ostringstream stream;
    XmlStdStreamWriter writer(stream);
    writer.SetLineBreak(kCxEndOfLineCRLF);
    writer.SetLineBreak(CxEndOfLine(7));
    EXPECT_EQ(capture.Count(), 1u);
    EXPECT_EQ(writer.LineBreak(), kCxEndOfLineLF);
    writer.Break();
    EXPECT_EQ(stream.str(), "\n");
}

} // namespace
