// The element tree: escaping and writing of each item, lookups, adoption and ownership, copies.
#include "XmlTestSupport.h"

#include "CxDebug.h"

#include <gtest/gtest.h>

#include <memory>

using sky::test::Dump;
using sky::test::Utf8;
using sky::test::WriteStd;

namespace
{

struct EscapeCase
{
    const char* raw;
    const char* escaped;
};

TEST(XmlElementTest, AttributeValuesAreEscaped)
{
    for (const EscapeCase& c : {EscapeCase{"", ""}, EscapeCase{"  lead", "  lead"},
                                EscapeCase{"a<b & \"c\" it's a>b", "a&lt;b &amp; &quot;c&quot; it&apos;s a&gt;b"},
                                EscapeCase{"&amp;&", "&amp;amp;&amp;"},
                                // Raw tabs and line ends would read back as blanks.
                                EscapeCase{"a\tb\nc\rd", "a&#9;b&#10;c&#13;d"}})
    {
        XmlElement element("a");
        element.SetAttribute("x", c.raw);
        EXPECT_EQ(WriteStd(element), std::string("<a x=\"") + c.escaped + "\"/>");
    }
}

TEST(XmlElementTest, ContentIsStrippedAndEscaped)
{
    for (const EscapeCase& c :
         {EscapeCase{"  \n x > y ", "x &gt; y "}, EscapeCase{" \t\r\n", ""},
          EscapeCase{"a<b & \"c\" 'd'", "a&lt;b &amp; \"c\" 'd'"}, EscapeCase{"\r\n\t a\tb\n", "a\tb\n"}})
        EXPECT_EQ(WriteStd(XmlContent(c.raw)), c.escaped) << c.raw;
}

TEST(XmlElementTest, CommentsAndInstructionsAreWrittenRaw)
{
    XmlComment comment(" a<&>b ");
    EXPECT_EQ(Utf8(comment.EscapedText()), " a<&>b ");
    EXPECT_EQ(WriteStd(comment), "<!-- a<&>b -->");
    EXPECT_EQ(WriteStd(XmlInstruction("t", "a=\"<&>\"")), "<?t a=\"<&>\"?>");
    // The blank follows the target even without data.
    EXPECT_EQ(WriteStd(XmlInstruction("t", "")), "<?t ?>");
}

TEST(XmlElementTest, StripLeadingWhitespaceAndIsEmpty)
{
    struct Case
    {
        const char* text;
        const char* stripped;
    };
    for (const Case& c : {Case{" \t\r\nx y \n", "x y \n"}, Case{" \n", ""}, Case{"\v x", "\v x"}})
    {
        EXPECT_EQ(Utf8(XmlContent::StripLeadingWhitespace(c.text)), c.stripped) << c.text;
        EXPECT_EQ(XmlContent(c.text).IsEmpty(), std::string(c.stripped).empty()) << c.text;
    }
}

TEST(XmlElementTest, WhitespaceOnlyChildKeepsTheLongForm)
{
    XmlElement element("a");
    element.AdoptItem(new XmlContent(" \t\n "));
    EXPECT_EQ(WriteStd(element), "<a>\n\t\n</a>");
    EXPECT_EQ(WriteStd(element, false), "<a></a>");
}

TEST(XmlElementTest, NestedWritingIndentsEachLevel)
{
    XmlRoot root;
    auto* a = new XmlElement("a");
    root.AdoptItem(new XmlComment("c"));
    root.AdoptItem(a);
    auto* b = new XmlElement("b");
    a->AdoptItem(b);
    b->AdoptItem(new XmlContent("\n  text"));
    a->AdoptItem(new XmlElement("e"));
    EXPECT_EQ(WriteStd(root), "<!--c-->\n<a>\n\t<b>\n\t\ttext\n\t</b>\n\t<e/>\n</a>\n");
    EXPECT_EQ(WriteStd(root, false), "<!--c--><a><b>text</b><e/></a>");
}

TEST(XmlElementTest, AttributeEditsKeepPositions)
{
    XmlElement element("a");
    element.SetAttribute("x", "1");
    element.SetAttribute("y", "2");
    element.SetAttribute("z", "3");
    element.SetAttribute("y", "9");
    element.SetAttribute("w", "4");
    EXPECT_EQ(WriteStd(element), "<a x=\"1\" y=\"9\" z=\"3\" w=\"4\"/>");

    element.RenameAttribute("x", "v");
    element.RenameAttribute("missing", "m");
    element.ClearAttribute("z");
    element.ClearAttribute("missing");
    EXPECT_EQ(WriteStd(element), "<a v=\"1\" y=\"9\" w=\"4\"/>");
    EXPECT_EQ(element.CountAttributes(), 3u);
    EXPECT_EQ(Utf8(element.GetAttribute("v")), "1");
    EXPECT_EQ(Utf8(element.GetAttribute("x")), "");
    EXPECT_EQ(element.FindAttribute("x"), nullptr);

    // Names are compared exactly; the first of two equal names wins.
    element.AdoptAttribute(new XmlAttribute("y", "second"));
    element.SetAttribute("Y", "upper");
    EXPECT_EQ(Utf8(element.GetAttribute("y")), "9");
    EXPECT_EQ(WriteStd(element), "<a v=\"1\" y=\"9\" w=\"4\" y=\"second\" Y=\"upper\"/>");
}

TEST(XmlElementTest, AdoptAndOrphanAttributes)
{
    CxDebugCapture capture;
    XmlElement element("a");
    auto* x = new XmlAttribute("x", "1");
    auto* z = new XmlAttribute("z", "3");
    element.AdoptAttribute(x);
    element.AdoptAttribute(z);
    element.AdoptAttribute(new XmlAttribute("y", "2"), z);
    EXPECT_EQ(WriteStd(element), "<a x=\"1\" y=\"2\" z=\"3\"/>");
    EXPECT_EQ(capture.Count(), 0u);

    XmlAttribute stranger("s", "4");
    element.AdoptAttribute(new XmlAttribute("w", "5"), &stranger);
    EXPECT_EQ(capture.Count(), 1u);
    EXPECT_EQ(WriteStd(element), "<a x=\"1\" y=\"2\" z=\"3\" w=\"5\"/>");

    capture.Clear();
    element.OrphanAttribute(x);
    std::unique_ptr<XmlAttribute> owned(x);
    EXPECT_EQ(element.CountAttributes(), 3u);
    element.OrphanAttribute(&stranger);
    EXPECT_EQ(capture.Count(), 1u);
    EXPECT_EQ(element.CountAttributes(), 3u);
}

TEST(XmlElementTest, AdoptAndOrphanItems)
{
    CxDebugCapture capture;
    XmlElement element("a");
    auto* b = new XmlElement("b");
    auto* d = new XmlElement("d");
    element.AdoptItem(b);
    element.AdoptItem(d);
    element.AdoptItem(new XmlElement("c"), d);
    EXPECT_EQ(WriteStd(element, false), "<a><b/><c/><d/></a>");
    EXPECT_EQ(d->Parent(), &element);
    EXPECT_EQ(capture.Count(), 0u);

    XmlElement stranger("s");
    element.AdoptItem(new XmlElement("e"), &stranger);
    EXPECT_EQ(capture.Count(), 1u);
    EXPECT_EQ(WriteStd(element, false), "<a><b/><c/><d/><e/></a>");

    capture.Clear();
    element.OrphanItem(b);
    std::unique_ptr<XmlItem> owned(b);
    EXPECT_EQ(b->Parent(), nullptr);
    element.OrphanItem(&stranger);
    EXPECT_EQ(capture.Count(), 1u);
    EXPECT_EQ(WriteStd(element, false), "<a><c/><d/><e/></a>");
}

TEST(XmlElementTest, ListEndsStayLinked)
{
    XmlElement element("a");
    auto* b = new XmlElement("b");
    element.AdoptItem(b);
    element.AdoptItem(new XmlElement("first"), b);
    element.OrphanItem(b);
    delete b;
    element.AdoptItem(new XmlElement("c"));
    EXPECT_EQ(WriteStd(element, false), "<a><first/><c/></a>");
    delete *element.ItemBegin();
    delete *element.ItemBegin();
    EXPECT_EQ(element.CountItems(), 0u);
    EXPECT_EQ(element.ItemBegin(), element.ItemEnd());
    element.AdoptItem(new XmlElement("d"));
    EXPECT_EQ(WriteStd(element, false), "<a><d/></a>");

    auto* x = new XmlAttribute("x", "1");
    element.AdoptAttribute(x);
    element.AdoptAttribute(new XmlAttribute("w", "0"), x);
    element.OrphanAttribute(x);
    delete x;
    element.SetAttribute("y", "2");
    EXPECT_EQ(WriteStd(element, false), "<a w=\"0\" y=\"2\"><d/></a>");
    EXPECT_EQ(element.CountAttributes(), 2u);
}

TEST(XmlElementTest, AdoptingAnItemThatHasAParentMovesIt)
{
    CxDebugCapture capture;
    auto first = std::make_unique<XmlElement>("first");
    auto second = std::make_unique<XmlElement>("second");
    auto* item = new XmlContent("x");
    first->AdoptItem(item);
    first->AdoptItem(new XmlComment("stays"));
    second->AdoptItem(item);
    EXPECT_EQ(capture.Count(), 1u);
    EXPECT_EQ(item->Parent(), second.get());
    EXPECT_EQ(WriteStd(*first, false), "<first><!--stays--></first>");
    EXPECT_EQ(WriteStd(*second, false), "<second>x</second>");
    // Each tree deletes only what it holds (ASan would report a second delete).
    first.reset();
    second.reset();
}

TEST(XmlElementTest, AdoptingAnAncestorIsRefused)
{
    CxDebugCapture capture;
    XmlElement a("a");
    auto* b = new XmlElement("b");
    a.AdoptItem(b);
    b->AdoptItem(&a);
    b->AdoptItem(b);
    EXPECT_EQ(capture.Lines().size(), 2u);
    EXPECT_EQ(a.Parent(), nullptr);
    EXPECT_EQ(b->Parent(), &a);
    EXPECT_EQ(WriteStd(a, false), "<a><b/></a>");
}

TEST(XmlElementTest, DeletingChildrenKeepsTheTreeConsistent)
{
    auto root = std::make_unique<XmlRoot>();
    auto* a = new XmlElement("a");
    root->AdoptItem(a);
    XmlElement* children[4];
    for (int i = 0; i < 4; ++i)
    {
        children[i] = new XmlElement(CxString(CxSint32(i)));
        a->AdoptItem(children[i]);
        children[i]->AdoptItem(new XmlContent("t"));
    }
    delete children[1];
    EXPECT_EQ(a->CountItems(), 3u);
    EXPECT_EQ(WriteStd(*a, false), "<a><0>t</0><2>t</2><3>t</3></a>");
    delete children[3];
    EXPECT_EQ(WriteStd(*a, false), "<a><0>t</0><2>t</2></a>");
    // Deleting a subtree from the middle, then the whole tree: every item exactly once.
    delete a;
    EXPECT_EQ(root->CountItems(), 0u);
    root.reset();
}

TEST(XmlElementTest, DepthCountsAncestors)
{
    XmlRoot root;
    auto* a = new XmlElement("a");
    auto* b = new XmlElement("b");
    root.AdoptItem(a);
    a->AdoptItem(b);
    EXPECT_EQ(static_cast<XmlItem&>(root).Depth(), 0);
    EXPECT_EQ(root.Depth(), -1);
    EXPECT_EQ(a->Depth(), 1);
    EXPECT_EQ(b->Depth(), 2);
}

class XmlLookupTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto* a1 = new XmlElement("a");
        a1->SetAttribute("id", "1");
        a1->AdoptItem(new XmlContent("one"));
        auto* grandchild = new XmlElement("g");
        grandchild->AdoptItem(new XmlContent("deep"));
        a1->AdoptItem(grandchild);
        a1->AdoptItem(new XmlContent(" more"));
        parent.AdoptItem(new XmlInstruction("pi", "first"));
        parent.AdoptItem(a1);
        parent.AdoptItem(new XmlContent("  x "));
        auto* a2 = new XmlElement("a");
        a2->AdoptItem(new XmlContent("two"));
        parent.AdoptItem(a2);
        auto* a3 = new XmlElement("a");
        a3->SetAttribute("id", "");
        parent.AdoptItem(a3);
        parent.AdoptItem(new XmlComment("c"));
        parent.AdoptItem(new XmlContent("y"));
        parent.AdoptItem(new XmlInstruction("pi", "second"));
    }

    XmlElement parent{"p"};
};

TEST_F(XmlLookupTest, FindsAmongDirectChildrenOnly)
{
    const auto elements = parent.GetElements();
    ASSERT_EQ(elements.size(), 3u);
    EXPECT_EQ(parent.FindElement("a"), elements[0]);
    EXPECT_EQ(parent.FindElement("g"), nullptr);
    EXPECT_EQ(parent.FindElement("A"), nullptr);
    EXPECT_EQ(parent.FindElement("a", "id", "1"), elements[0]);
    // An empty value matches the first element lacking the attribute, before one with an empty value.
    EXPECT_EQ(parent.FindElement("a", "id", ""), elements[1]);
    EXPECT_EQ(parent.FindElement("a", "id", "2"), nullptr);
    ASSERT_NE(parent.FindInstruction("pi"), nullptr);
    EXPECT_EQ(Utf8(parent.FindInstruction("pi")->Data()), "first");
    EXPECT_EQ(parent.FindInstruction("p"), nullptr);
}

TEST_F(XmlLookupTest, ContentJoinsDirectTextUnaltered)
{
    EXPECT_EQ(Utf8(parent.GetContent()), "  x y");
    EXPECT_EQ(Utf8(parent.GetContentFromChild("a", "id", "1")), "one more");
    EXPECT_EQ(Utf8(parent.GetContentFromChild("a", "", "")), "one more");
    EXPECT_EQ(Utf8(parent.GetContentFromChild("a", "id", "")), "two");
    EXPECT_EQ(Utf8(parent.GetContentFromChild("b", "", "")), "");
    EXPECT_EQ(Utf8(XmlElement("e").GetContent()), "");
}

TEST_F(XmlLookupTest, CopiesAreDeepAndIndependent)
{
    std::unique_ptr<XmlItem> shallow(parent.Copy());
    EXPECT_EQ(WriteStd(*shallow), "<p/>");
    std::unique_ptr<XmlElement> deep(parent.CopyDeep());
    EXPECT_EQ(Dump(deep.get()), Dump(&parent));
    XmlElement constructed(&parent);
    EXPECT_EQ(Dump(&constructed), Dump(&parent));

    deep->FindElement("a")->SetAttribute("id", "changed");
    deep->FindElement("a")->FindElement("g")->SetName("h");
    EXPECT_EQ(Utf8(parent.FindElement("a")->GetAttribute("id")), "1");
    EXPECT_NE(parent.FindElement("a")->FindElement("g"), nullptr);

    XmlElement target("t");
    target.SetAttribute("keep", "k");
    parent.FindElement("a")->CopyAttributesTo(&target);
    parent.FindElement("a")->CopyItemsTo(&target);
    EXPECT_EQ(WriteStd(target, false), "<t keep=\"k\" id=\"1\">one<g>deep</g>more</t>");
}

TEST(XmlElementTest, RootCopiesAreRoots)
{
    XmlRoot root;
    root.SetAttribute("r", "1");
    root.AdoptItem(new XmlInstruction("vanedoc", "version=\"1.4d1\""));
    auto* element = new XmlElement("vanedoc");
    element->AdoptItem(new XmlElement("map"));
    root.AdoptItem(element);

    std::unique_ptr<XmlItem> copy(root.Copy());
    ASSERT_NE(AsXmlRoot(copy.get()), nullptr);
    EXPECT_EQ(AsXmlRoot(copy.get())->CountItems(), 0u);
    EXPECT_EQ(Utf8(AsXmlRoot(copy.get())->GetAttribute("r")), "1");

    std::unique_ptr<XmlElement> deep(root.CopyDeep());
    ASSERT_NE(AsXmlRoot(deep.get()), nullptr);
    EXPECT_EQ(Utf8(deep->Name()), "root");
    EXPECT_EQ(Dump(deep.get()), Dump(&root));
    EXPECT_EQ(Utf8(AsXmlRoot(deep.get())->Property("vanedoc", "version")), "1.4d1");
}

class KindRecorder : public XmlVisitor
{
public:
    void VisitElement(XmlElement&) override { seen += "element "; }
    void VisitRoot(XmlRoot&) override { seen += "root "; }
    void VisitContent(XmlContent&) override { seen += "content "; }
    void VisitComment(XmlComment&) override { seen += "comment "; }
    void VisitInstruction(XmlInstruction&) override { seen += "instruction "; }
    void VisitOther(XmlItem&) override { seen += "other "; }
    std::string seen;
};

class StrangeItem : public XmlItem
{
public:
    XmlItem* Copy() const override { return new StrangeItem; }
};

TEST(XmlElementTest, KindsAreToldApart)
{
    XmlRoot root;
    XmlElement element("e");
    XmlContent content("t");
    XmlComment comment("c");
    XmlInstruction instruction("i", "d");
    StrangeItem strange;
    XmlItem* items[] = {&root, &element, &content, &comment, &instruction, &strange};

    KindRecorder recorder;
    for (XmlItem* item : items)
        item->Visit(recorder);
    EXPECT_EQ(recorder.seen, "root element content comment instruction other ");

    const char* kinds[] = {"RE", "E", "T", "C", "I", ""};
    for (std::size_t i = 0; i < std::size(items); ++i)
    {
        const XmlItem* constItem = items[i];
        std::string kind;
        kind += AsXmlRoot(items[i]) && AsXmlRoot(constItem) ? "R" : "";
        kind += AsXmlElement(items[i]) && AsXmlElement(constItem) ? "E" : "";
        kind += AsXmlContent(items[i]) && AsXmlContent(constItem) ? "T" : "";
        kind += AsXmlComment(items[i]) && AsXmlComment(constItem) ? "C" : "";
        kind += AsXmlInstruction(items[i]) && AsXmlInstruction(constItem) ? "I" : "";
        EXPECT_EQ(kind, kinds[i]) << i;
    }
    XmlItem* none = nullptr;
    EXPECT_EQ(AsXmlElement(none), nullptr);
    EXPECT_EQ(AsXmlContent(none), nullptr);
    EXPECT_EQ(AsXmlElementWithName(&element, "e"), &element);
    EXPECT_EQ(AsXmlElementWithName(&element, "E"), nullptr);
    EXPECT_EQ(AsXmlElementWithName(&content, "e"), nullptr);
    EXPECT_EQ(AsXmlElementWithName(static_cast<const XmlItem*>(&root), "root"), &root);

    EXPECT_EQ(WriteStd(strange), "<!-- UNKNOWN XML ITEM -->");
}

} // namespace
