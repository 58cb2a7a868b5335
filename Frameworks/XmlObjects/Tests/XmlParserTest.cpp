// The parser: encodings, chunking, errors, instructions read as elements, and the hooks of subclasses.
#include "XmlTestSupport.h"

#include "CxDebug.h"
#include "XmlParser.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <iconv.h>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

using sky::test::Dump;
using sky::test::DumpOptions;
using sky::test::Utf8;

namespace
{

// Re-encoded by glibc, independently of our own conversions.
std::string Iconv(const std::string& inUtf8, const char* inTo)
{
    iconv_t cd = iconv_open(inTo, "UTF-8");
    if (cd == iconv_t(-1))
        throw std::runtime_error("iconv_open");
    std::string out(inUtf8.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(inUtf8.data());
    std::size_t inLeft = inUtf8.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t done = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (done == std::size_t(-1))
        throw std::runtime_error("iconv");
    out.resize(out.size() - outLeft);
    return out;
}

const char* MachineUtf16()
{
    return std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
}

// A character above U+FFFF (G clef), accented letters, references and a comment.
const std::string kDocument = "<?vanedoc version=\"1.4d1\"?>\n"
                              "<vanedoc title=\"Z\xC3\xBCrich \xF0\x9D\x84\x9E\">\n"
                              "\t<map id=\"1\">caf\xC3\xA9 \xF0\x9D\x84\x9E &amp; &#x1D11E;</map>\n"
                              "\t<!-- r\xC3\xA9sum\xC3\xA9 -->\n"
                              "\t<?pi d\xC3\xA9j\xC3\xA0?>\n"
                              "</vanedoc>\n";

std::unique_ptr<XmlRoot> ParseWhole(const std::string& inBytes, bool* outGood = nullptr)
{
    XmlParser parser;
    const bool good = parser.Parse(inBytes.data(), inBytes.size(), true);
    if (outGood != nullptr)
        *outGood = good;
    return std::unique_ptr<XmlRoot>(parser.DetachRoot());
}

std::vector<CxUint16> Units(const CxString& inString)
{
    return std::vector<CxUint16>(inString.GetChars(), inString.GetChars() + inString.Length());
}

TEST(XmlParserTest, Utf8DocumentBuildsTheTree)
{
    bool good = false;
    auto root = ParseWhole(kDocument, &good);
    ASSERT_TRUE(good);
    // Text joined: where expat splits it is its own affair.
    EXPECT_EQ(Dump(root.get(), {true, false}), "root\n"
                                               "  instruction vanedoc [version=\"1.4d1\"]\n"
                                               "  element vanedoc title=[Z\xC3\xBCrich \xF0\x9D\x84\x9E]\n"
                                               "    text [\n\t]\n"
                                               "    element map id=[1]\n"
                                               "      text [caf\xC3\xA9 \xF0\x9D\x84\x9E & \xF0\x9D\x84\x9E]\n"
                                               "    text [\n\t]\n"
                                               "    comment [ r\xC3\xA9sum\xC3\xA9 ]\n"
                                               "    text [\n\t]\n"
                                               "    instruction pi [d\xC3\xA9j\xC3\xA0]\n"
                                               "    text [\n]\n");
    const XmlElement* map = root->FindElement("vanedoc")->FindElement("map");
    const std::vector<CxUint16> expected = {'c', 'a', 'f', 0x00E9, ' ', 0xD834, 0xDD1E, ' ', '&', ' ', 0xD834, 0xDD1E};
    EXPECT_EQ(Units(map->GetContent()), expected);
    EXPECT_EQ(Utf8(root->Property("vanedoc", "version")), "1.4d1");
}

TEST(XmlParserTest, Utf16FormsGiveTheSameTree)
{
    const std::string utf8Tree = Dump(ParseWhole(kDocument).get(), {true, false});
    struct Form
    {
        const char* name;
        std::string bytes;
    };
    const Form forms[] = {
        {"UTF-16BE with mark", "\xFE\xFF" + Iconv(kDocument, "UTF-16BE")},
        {"UTF-16 machine order", Iconv(kDocument, MachineUtf16())},
        {"UTF-16LE with mark", "\xFF\xFE" + Iconv(kDocument, "UTF-16LE")},
        {"UTF-16BE without mark", Iconv(kDocument, "UTF-16BE")},
    };
    for (const Form& form : forms)
    {
        bool good = false;
        auto root = ParseWhole(form.bytes, &good);
        EXPECT_TRUE(good) << form.name;
        EXPECT_EQ(Dump(root.get(), {true, false}), utf8Tree) << form.name;
        EXPECT_EQ(Utf8(root->Property("vanedoc", "version")), "1.4d1") << form.name;
    }
}

TEST(XmlParserTest, OneByteChunksGiveTheSameText)
{
    const std::string whole = Dump(ParseWhole(kDocument).get(), {true, false});
    for (const std::string& bytes : {kDocument, "\xFE\xFF" + Iconv(kDocument, "UTF-16BE")})
    {
        XmlParser parser;
        for (std::size_t i = 0; i < bytes.size(); ++i)
            ASSERT_TRUE(parser.Parse(bytes.data() + i, 1, i + 1 == bytes.size())) << i;
        EXPECT_EQ(Dump(parser.Root(), {true, false}), whole);
    }
}

TEST(XmlParserTest, DeclaredEncodingsAreConverted)
{
    auto root = ParseWhole("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a b=\"\xE9\">\xFC</a>");
    const XmlElement* a = root->FindElement("a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(Units(a->GetAttribute("b")), std::vector<CxUint16>{0x00E9});
    EXPECT_EQ(Units(a->GetContent()), std::vector<CxUint16>{0x00FC});
    // The declaration itself is not kept.
    EXPECT_EQ(root->CountItems(), 1u);
}

TEST(XmlParserTest, TextPiecesReadTogether)
{
    struct Case
    {
        const char* document;
        const char* content;
    };
    for (const Case& c :
         {Case{"<a>x&amp;y</a>", "x&y"}, Case{"<a><![CDATA[<b>&amp;]]></a>", "<b>&amp;"},
          Case{"<a>1\r\n2\r3</a>", "1\n2\n3"}, Case{"<a>&lt;&#65;&gt;&quot;&apos;</a>", "<A>\"'"}, Case{"<a/>", ""}})
    {
        bool good = false;
        auto root = ParseWhole(c.document, &good);
        ASSERT_TRUE(good) << c.document;
        EXPECT_EQ(Utf8(root->FindElement("a")->GetContent()), c.content) << c.document;
    }
    auto root = ParseWhole("<a>x&amp;y</a>");
    EXPECT_GT(root->FindElement("a")->CountItems(), 1u);
}

TEST(XmlParserTest, PropertiesComeFromTheInstructionBeforeTheDocumentElement)
{
    auto root = ParseWhole("<?vanedoc version=\"1.4d1\"?><vanedoc/>");
    EXPECT_EQ(Utf8(root->Property("vanedoc", "missing")), "");
    EXPECT_EQ(Utf8(root->Property("other", "version")), "");
    EXPECT_EQ(Utf8(ParseWhole("<vanedoc/>")->Property("vanedoc", "version")), "");
}

TEST(XmlParserTest, InstructionsReadAsElements)
{
    struct Case
    {
        const char* target;
        const char* data;
        const char* element; // "" when it cannot be read
    };
    for (const Case& c :
         {Case{"vanedoc", "version=\"1.4d1\" kind='map'", "element vanedoc version=[1.4d1] kind=[map]\n"},
          Case{"t", "", "element t\n"}, Case{"t", "a=\"&lt;&amp;\"", "element t a=[<&]\n"},
          Case{"t", "name=\"Z\xC3\xBCrich \xF0\x9D\x84\x9E\"", "element t name=[Z\xC3\xBCrich \xF0\x9D\x84\x9E]\n"},
          Case{"t", "version=1.4", ""}, Case{"t", "a=\"1\" a=\"2\"", ""}, Case{"", "a=\"1\"", ""},
          Case{"t", "a=\"1\"/><u", ""}})
    {
        XmlInstruction instruction(CxString::FromUtf8(c.target), CxString::FromUtf8(c.data));
        std::unique_ptr<XmlElement> element(instruction.ParseAsElement());
        EXPECT_EQ(Dump(element.get()), c.element) << c.data;
        if (element != nullptr)
        {
            EXPECT_EQ(element->Parent(), nullptr);
        }
    }
}

TEST(XmlParserTest, ErrorsCarryExpatsMessageAndLine)
{
    struct Case
    {
        const char* document;
        const char* message;
        CxSint32 line;
    };
    for (const Case& c : {Case{"<a>\n", "no element found", 2}, Case{"<a/>\n\n<b/>", "junk after document element", 3}})
    {
        XmlParser parser;
        EXPECT_FALSE(parser.Parse(c.document, std::strlen(c.document), true)) << c.document;
        EXPECT_EQ(Utf8(parser.ErrorMessage()), c.message) << c.document;
        EXPECT_EQ(parser.ErrorLine(), c.line) << c.document;
    }
}

TEST(XmlParserTest, EmptyInputSucceeds)
{
    XmlParser parser;
    EXPECT_TRUE(parser.Parse(nullptr, 0, true));
    EXPECT_TRUE(parser.Parse("", 0, true));
    EXPECT_TRUE(parser.Parse("\xFE\xFF", 2, true));
    EXPECT_EQ(parser.Root()->CountItems(), 0u);
    EXPECT_EQ(Utf8(parser.ErrorMessage()), "");
    EXPECT_EQ(parser.ErrorLine(), 0);
}

TEST(XmlParserTest, EmptyLastChunkStillEndsTheDocument)
{
    XmlParser open;
    ASSERT_TRUE(open.Parse("<a>", 3, false));
    EXPECT_FALSE(open.Parse(nullptr, 0, true));
    EXPECT_EQ(Utf8(open.ErrorMessage()), "no element found");

    XmlParser closed;
    ASSERT_TRUE(closed.Parse("<a/>", 4, false));
    EXPECT_TRUE(closed.Parse("", 0, true));
    EXPECT_EQ(closed.Root()->CountItems(), 1u);
}

TEST(XmlParserTest, OnlyTheFirstMarkIsDropped)
{
    // A mark in a chunk of its own is the document's start all the same.
    const std::string utf16 = Iconv("<a>x</a>", "UTF-16BE");
    XmlParser marked;
    ASSERT_TRUE(marked.Parse("\xFE\xFF", 2, false));
    EXPECT_TRUE(marked.Parse(utf16.data(), utf16.size(), true));
    EXPECT_EQ(Utf8(marked.Root()->GetContentFromChild("a", "", "")), "x");

    // A second mark goes to expat, whole or in chunks: a mark alone is no document.
    XmlParser whole;
    EXPECT_FALSE(whole.Parse("\xFE\xFF\xFE\xFF", 4, true));
    XmlParser chunked;
    EXPECT_TRUE(chunked.Parse("\xFE\xFF", 2, false));
    EXPECT_FALSE(chunked.Parse("\xFE\xFF", 2, true));
    EXPECT_EQ(Utf8(chunked.ErrorMessage()), Utf8(whole.ErrorMessage()));
}

TEST(XmlParserTest, FailureKeepsThePartialTreeUntilReset)
{
    XmlParser parser;
    const std::string broken = "<a><b>t</b><c>";
    EXPECT_FALSE(parser.Parse(broken.data(), broken.size(), true));
    EXPECT_EQ(Dump(parser.Root()), "root\n  element a\n    element b\n      text [t]\n    element c\n");

    parser.Reset();
    EXPECT_EQ(Utf8(parser.ErrorMessage()), "");
    EXPECT_EQ(parser.ErrorLine(), 0);
    EXPECT_EQ(parser.Root()->CountItems(), 0u);
    ASSERT_TRUE(parser.Parse("<d/>", 4, true));
    EXPECT_EQ(Dump(parser.Root()), "root\n  element d\n");
}

TEST(XmlParserTest, DetachRootAfterAPartialParseStartsClean)
{
    XmlParser parser;
    ASSERT_TRUE(parser.Parse("<a><b>", 6, false));
    std::unique_ptr<XmlRoot> detached(parser.DetachRoot());
    EXPECT_EQ(Dump(detached.get()), "root\n  element a\n    element b\n");
    // Nothing more may reach the tree just handed away.
    EXPECT_TRUE(parser.Parse("<c/></b></a><!--x-->", 20, true));
    EXPECT_EQ(Dump(detached.get()), "root\n  element a\n    element b\n");
    EXPECT_EQ(Dump(parser.Root()), "root\n  element c\n  comment [x]\n");
}

TEST(XmlParserTest, NestingIsLimited)
{
    auto nested = [](std::size_t inDepth)
    {
        std::string document;
        for (std::size_t i = 0; i < inDepth; ++i)
            document += "<e>";
        for (std::size_t i = 0; i < inDepth; ++i)
            document += "</e>";
        return document;
    };
    const std::string deepest = nested(XmlParser::kMaxDepth);
    XmlParser parser;
    ASSERT_TRUE(parser.Parse(deepest.data(), deepest.size(), true));
    // The deepest tree allowed is walked safely.
    std::unique_ptr<XmlElement> copy(parser.Root()->CopyDeep());
    std::string expected = deepest;
    expected.replace(XmlParser::kMaxDepth * 3 - 3, 7, "<e/>");
    EXPECT_TRUE(sky::test::WriteStd(*copy, false) == expected);

    const std::string tooDeep = nested(XmlParser::kMaxDepth + 1);
    XmlParser refusing;
    EXPECT_FALSE(refusing.Parse(tooDeep.data(), tooDeep.size(), true));
    EXPECT_EQ(Utf8(refusing.ErrorMessage()), "elements nested too deeply");
    EXPECT_EQ(refusing.ErrorLine(), 1);
}

// A reader that reacts while parsing, as a subclass may.
class RecordingParser : public XmlParser
{
public:
    std::vector<std::string> events;

protected:
    XmlElement* CreateElement(CxString inName) override
    {
        std::string event = "create " + Utf8(inName);
        for (const XML_Char** attribute = Attributes(); attribute != nullptr && *attribute != nullptr; attribute += 2)
            event += std::string(" ") + attribute[0] + "=" + attribute[1];
        events.push_back(event);
        return XmlParser::CreateElement(std::move(inName));
    }
    void OnStartElement(XmlElement* inElement) override
    {
        events.push_back("start " + Utf8(inElement->Name()) + " depth " + std::to_string(inElement->Depth()));
    }
    void OnEndElement(XmlElement* inElement) override { events.push_back("end " + Utf8(inElement->Name())); }
    void OnContent(XmlContent* inContent) override { events.push_back("content " + Utf8(inContent->Text())); }
    void OnComment(XmlComment* inComment) override { events.push_back("comment " + Utf8(inComment->Text())); }
    void OnInstruction(XmlInstruction* inInstruction) override
    {
        events.push_back("instruction " + Utf8(inInstruction->Target()) + " parent " +
                         Utf8(inInstruction->Parent()->Name()));
    }
};

TEST(XmlParserTest, HooksFollowTheDocument)
{
    RecordingParser parser;
    const std::string document = "<?p d?><a x=\"1\" y=\"2\"><b/>t<!--c--></a>";
    ASSERT_TRUE(parser.Parse(document.data(), document.size(), true));
    const std::vector<std::string> expected = {"instruction p parent root",
                                               "create a x=1 y=2",
                                               "start a depth 1",
                                               "create b",
                                               "start b depth 2",
                                               "end b",
                                               "content t",
                                               "comment c",
                                               "end a"};
    EXPECT_EQ(parser.events, expected);
}

} // namespace
