// The builder and the writers' line breaks and indentation.
#include "XmlTestSupport.h"

#include "CxDebug.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

using sky::test::Dump;
using sky::test::Utf8;
using sky::test::WriteStd;

namespace
{

TEST(XmlBuilderTest, SmallDocuments)
{
    XmlBuilder single;
    single.Begin("a");
    single.Attribute("x", "1");
    EXPECT_EQ(Utf8(single.Element()->Name()), "a");
    single.End("a");
    EXPECT_EQ(WriteStd(single), "<a x=\"1\"/>\n");

    XmlBuilder mixed;
    mixed.Comment(" top ");
    mixed.Begin("a");
    mixed.Content("one & two");
    mixed.Comment("c");
    mixed.Instruction("pi", "");
    mixed.Attribute("late", "yes");
    mixed.End("a");
    EXPECT_EQ(WriteStd(mixed), "<!-- top -->\n<a late=\"yes\">\n\tone &amp; two\n\t<!--c-->\n\t<?pi ?>\n</a>\n");
}

TEST(XmlBuilderTest, WriterLevelsBelowZeroIndentNothing)
{
    std::ostringstream stream;
    XmlStdStreamWriter writer(stream);
    writer.Outdent();
    writer.Break();
    writer.Indent();
    writer.Indent();
    writer.Break();
    writer.SetIndentCount(0);
    writer.Break();
    writer.SetIndentCount(3);
    writer.SetIndentChar('.');
    writer.Break();
    writer.SetFormatted(false);
    writer.Break();
    writer.Write("x");
    EXPECT_EQ(stream.str(), "\n\n\t\n\n...x");
}

TEST(XmlBuilderTest, EndChecksTheName)
{
    CxDebugCapture capture;
    XmlBuilder builder;
    builder.Begin("a");
    builder.Begin("b");
    builder.End("x");
    EXPECT_EQ(capture.Count(), 1u);
    // Popped all the same.
    EXPECT_EQ(Utf8(builder.Element()->Name()), "a");
}

TEST(XmlBuilderTest, EndNeverClosesTheRoot)
{
    CxDebugCapture capture;
    XmlBuilder builder;
    builder.Begin("a");
    builder.End("a");
    builder.End("a");
    EXPECT_EQ(capture.Lines().size(), 2u);
    EXPECT_EQ(builder.Element(), builder.Root());
    capture.Clear();
    // Later additions still land in the document.
    builder.Begin("b");
    builder.End("b");
    builder.Comment("c");
    EXPECT_EQ(capture.Count(), 0u);
    EXPECT_EQ(WriteStd(builder), "<a/>\n<b/>\n<!--c-->\n");
}

TEST(XmlBuilderTest, DetachRootStartsOver)
{
    XmlBuilder builder;
    builder.Begin("a");
    builder.Begin("b");
    std::unique_ptr<XmlRoot> detached(builder.DetachRoot());
    EXPECT_EQ(Dump(detached.get()), "root\n  element a\n    element b\n");
    EXPECT_EQ(builder.Element(), builder.Root());
    EXPECT_NE(builder.Root(), detached.get());

    // Nothing more reaches the tree the caller now owns.
    builder.Begin("c");
    builder.Attribute("x", "1");
    builder.End("c");
    EXPECT_EQ(Dump(detached.get()), "root\n  element a\n    element b\n");
    EXPECT_EQ(WriteStd(builder), "<c x=\"1\"/>\n");
}

} // namespace
