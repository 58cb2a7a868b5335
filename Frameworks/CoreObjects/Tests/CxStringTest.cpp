#include "CxDebug.h"
#include "CxString.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace
{

std::vector<CxUint16> Units(const CxString& inString)
{
    return std::vector<CxUint16>(inString.GetChars(), inString.GetChars() + inString.Length());
}

std::string Narrow(const CxString& inString)
{
    std::unique_ptr<char[]> text(inString.AsCString());
    return text.get();
}

std::vector<std::string> Narrow(const CxStringList& inList)
{
    std::vector<std::string> out;
    for (const CxString& s : inList)
        out.push_back(Narrow(s));
    return out;
}

TEST(CxString, EightBitTextSignExtendsAndNarrowsToStars)
{
    const CxString s("A\xE9");
    EXPECT_EQ(Units(s), (std::vector<CxUint16>{0x0041, 0xFFE9}));
    EXPECT_EQ(Narrow(s), "A*");
    EXPECT_TRUE(s == "A\xE9");
    EXPECT_EQ(s.CompareTo("A\xE9"), 0);
    std::ostringstream out;
    out << s;
    EXPECT_EQ(out.str(), "A*");
}

TEST(CxString, ConstructionStopsAtZeroOrCount)
{
    EXPECT_EQ(Narrow(CxString("abcdef", 3)), "abc");
    EXPECT_EQ(Narrow(CxString("ab\0cd", 5)), "ab");
    const CxUint16 units[] = {'x', 'y', 0, 'z'};
    EXPECT_EQ(CxString(units, 4).Length(), 2u);
    EXPECT_EQ(CxString(units, 1).Length(), 1u);
    EXPECT_EQ(Units(CxString(u"\u00E9t\u00E9")), (std::vector<CxUint16>{0xE9, 't', 0xE9}));
    EXPECT_EQ(CxString(static_cast<const char*>(nullptr)).Length(), 0u);
    EXPECT_EQ(CxString().Size(), 2u);
    EXPECT_EQ(CxString("abc").Size(), 8u);
    EXPECT_EQ(CxString().GetChars()[0], 0);
}

TEST(CxString, CopiesAreDeepAndSelfAssignmentIsHarmless)
{
    CxString a("hello");
    CxString b(a);
    b[0] = 'J';
    EXPECT_EQ(Narrow(a), "hello");
    EXPECT_EQ(Narrow(b), "Jello");
    EXPECT_NE(a.GetChars(), b.GetChars());

    CxString& alias = a;
    a = alias;
    EXPECT_EQ(Narrow(a), "hello");
    a += alias;
    EXPECT_EQ(Narrow(a), "hellohello");

    CxString moved(std::move(b));
    EXPECT_EQ(Narrow(moved), "Jello");
    EXPECT_EQ(b.Length(), 0u); // NOLINT: a moved-from string is empty and usable
    b += "again";
    EXPECT_EQ(Narrow(b), "again");
}

TEST(CxString, WritableUnitsOfAnEmptyStringAreItsOwn)
{
    CxString a;
    CxString b;
    a.GetChars()[0] = 0;
    EXPECT_NE(a.GetChars(), b.GetChars());
    EXPECT_EQ(b.Length(), 0u);
}

TEST(CxString, LengthIsRecountedAfterWritingThroughGetChars)
{
    CxString s("abcdef");
    EXPECT_EQ(s.Length(), 6u);
    s.GetChars()[3] = 0;
    EXPECT_EQ(s.Length(), 3u);
}

TEST(CxString, AssignAdoptsTheArray)
{
    CxString s("old");
    CxUint16* units = new CxUint16[3]{'h', 'i', 0};
    s.Assign(units);
    EXPECT_EQ(s.GetChars(), units);
    EXPECT_EQ(Narrow(s), "hi");
    s.Assign(nullptr);
    EXPECT_EQ(s.Length(), 0u);
}

TEST(CxString, AppendingAndConcatenation)
{
    CxString s("ab");
    s += CxString("cd");
    s += "ef";
    s += CxUint16('g');
    EXPECT_EQ(Narrow(s), "abcdefg");
    EXPECT_EQ(Narrow(CxString("x") + CxString("y")), "xy");
    EXPECT_EQ(Narrow(CxString("x") + "y"), "xy");
    EXPECT_EQ(Narrow("x" + CxString("y")), "xy");
    s = "\xFFz";
    EXPECT_EQ(Units(s), (std::vector<CxUint16>{0xFFFF, 'z'}));
}

struct EditCase
{
    const char* what;
    const char* start;
    void (*edit)(CxString&);
    const char* expected;
};

TEST(CxString, EditingOperations)
{
    const EditCase cases[] = {
        {"delete middle", "abcd", [](CxString& s) { s.Delete(1, 2); }, "ad"},
        {"delete to past end", "abcd", [](CxString& s) { s.Delete(2, 99); }, "ab"},
        {"delete everything", "abcd", [](CxString& s) { s.Delete(0, 3); }, ""},
        {"delete from past end", "abcd", [](CxString& s) { s.Delete(4, 9); }, "abcd"},
        {"delete reversed range", "abcd", [](CxString& s) { s.Delete(2, 1); }, "abcd"},
        {"replace range", "abcd", [](CxString& s) { s.Replace(1, 2, "X"); }, "aXd"},
        {"replace range to past end", "abcd", [](CxString& s) { s.Replace(2, 50, "XYZ"); }, "abXYZ"},
        {"replace range by nothing", "abcd", [](CxString& s) { s.Replace(0, 0, ""); }, "bcd"},
        {"insert at front", "abcd", [](CxString& s) { s.Insert("X", 0); }, "Xabcd"},
        {"insert inside", "abcd", [](CxString& s) { s.Insert("XY", 2); }, "abXYcd"},
        {"insert at end", "abcd", [](CxString& s) { s.Insert("X", 4); }, "abcdX"},
        {"insert past end", "abcd", [](CxString& s) { s.Insert("X", 40); }, "abcdX"},
        {"insert into empty", "", [](CxString& s) { s.Insert("X", 0); }, "X"},
        {"uppercase", "aZ\xE9q-1", [](CxString& s) { s.Uppercase(); }, "AZ*Q-1"},
        {"lowercase", "AbZ[", [](CxString& s) { s.Lowercase(); }, "abz["},
        {"capitalize", "abc", [](CxString& s) { s.Capitalize(); }, "Abc"},
        {"capitalize non-letter", "1bc", [](CxString& s) { s.Capitalize(); }, "1bc"},
        {"capitalize empty", "", [](CxString& s) { s.Capitalize(); }, ""},
        {"strip", " \t\r\n x y ", [](CxString& s) { s.StripLeadingWhitespace(); }, "x y "},
        {"strip all", " \t ", [](CxString& s) { s.StripLeadingWhitespace(); }, ""},
        {"strip keeps other space", "\vx", [](CxString& s) { s.StripLeadingWhitespace(); }, "\vx"},
    };
    for (const EditCase& c : cases)
    {
        CxString s(c.start);
        c.edit(s);
        EXPECT_EQ(Narrow(s), c.expected) << c.what;
        EXPECT_EQ(s.Length(), std::string(c.expected).size()) << c.what;
    }
}

TEST(CxString, ReplaceFirstOccurrence)
{
    CxString s("one two one");
    EXPECT_EQ(s.Replace("one", "1", 1), 8u);
    EXPECT_EQ(Narrow(s), "one two 1");
    EXPECT_EQ(s.Replace("zzz", "1", 0), s.Length());
    EXPECT_EQ(Narrow(s), "one two 1");
}

struct ReplaceAllCase
{
    const char* start;
    const char* find;
    const char* with;
    CxUint32 from;
    const char* expected;
    CxUint32 answer;
};

TEST(CxString, ReplaceAll)
{
    const ReplaceAllCase cases[] = {
        {"aXa", "a", "aa", 0, "aaXaa", 3},  // inserted text is not searched again
        {"a,b,,c", ",", ";", 0, "a;b;;c", 6}, // the last search failed
        {"a,b,c", ",", "", 0, "abc", 3},    // last search fails at the final length
        {"abab", "ab", "", 0, "", 0},       // the loop ends once the text is gone
        {"a,b,c", ",", ";", 2, "a,b;c", 5},
        {"abc", "x", "y", 0, "abc", 3},
        {"abc", "a", "b", 3, "abc", 0},     // from not below the length
        {"abc", "", "y", 0, "abc", 3},      // empty search: unchanged, answers the length
        {"", "", "y", 0, "", 0},
    };
    for (const ReplaceAllCase& c : cases)
    {
        CxString s(c.start);
        EXPECT_EQ(s.ReplaceAll(c.find, c.with, c.from), c.answer) << c.start << " / " << c.find;
        EXPECT_EQ(Narrow(s), c.expected) << c.start << " / " << c.find;
    }
}

TEST(CxString, Substring)
{
    const CxString s("abcd");
    EXPECT_EQ(Narrow(s.Substring(1, 99)), "bcd");
    EXPECT_EQ(Narrow(s.Substring(1, 2)), "bc");
    EXPECT_EQ(Narrow(s.Substring(3, 3)), "d");
    EXPECT_EQ(Narrow(s.Substring(4, 5)), "");
    EXPECT_EQ(Narrow(CxString().Substring(0, 0)), "");
}

TEST(CxString, SubstringWithEndBeforeStartIsReportedAndEmpty)
{
    CxDebugCapture capture;
    EXPECT_EQ(Narrow(CxString("abcd").Substring(2, 1)), "");
    ASSERT_EQ(capture.Count(), 1u);
    EXPECT_NE(capture.Lines()[0].find("CxAssert (inToIndex >= inFromIndex)"), std::string::npos)
        << capture.Lines()[0];
}

TEST(CxString, FindAndContainment)
{
    const CxString s("abcabc");
    EXPECT_EQ(s.Find("bc", 0), 1u);
    EXPECT_EQ(s.Find("bc", 2), 4u);
    EXPECT_EQ(s.Find("bc", 5), 6u);
    EXPECT_EQ(s.Find("abcabcx", 0), 6u);
    EXPECT_EQ(s.Find("", 3), 3u);
    EXPECT_EQ(s.Find("", 6), 6u);
    EXPECT_EQ(s.Find("", 9), 6u);
    EXPECT_EQ(s.Find("c", 99), 6u);

    EXPECT_TRUE(s.Contains("cab"));
    EXPECT_FALSE(s.Contains("cb"));
    EXPECT_TRUE(s.Contains(""));
    EXPECT_TRUE(CxString().Contains(""));
    EXPECT_TRUE(s.BeginsWith("abc"));
    EXPECT_TRUE(s.BeginsWith(""));
    EXPECT_FALSE(s.BeginsWith("bc"));
    EXPECT_FALSE(CxString("ab").BeginsWith("abc"));
    EXPECT_TRUE(s.EndsWith("cabc"));
    EXPECT_TRUE(s.EndsWith(""));
    EXPECT_FALSE(s.EndsWith("ab"));
    EXPECT_FALSE(CxString("bc").EndsWith("abc"));
}

TEST(CxString, ComparisonOrdersUnsignedUnitsShorterFirst)
{
    EXPECT_EQ(CxString("abc").CompareTo(CxString("abcd")), -1);
    EXPECT_EQ(CxString("abc").CompareTo(CxString("ab")), 1);
    EXPECT_EQ(CxString("abc").CompareTo(CxString("abc")), 0);
    EXPECT_EQ(CxString("B").CompareTo(CxString("A")), 1);
    EXPECT_EQ(CxString("B").CompareTo(CxString("a")), -1);
    EXPECT_EQ(CxString("").CompareTo(CxString("a")), -1);
    // Units compare unsigned: U+FFE9 from a high byte is above every ASCII unit.
    EXPECT_EQ(CxString("\xE9").CompareTo(CxString("z")), 1);
    EXPECT_EQ(CxString("\xE9").CompareTo("z"), 1);
    EXPECT_EQ(CxString(u"\u00E9").CompareTo("\xE9"), -1);
    EXPECT_EQ(CxString("abc").CompareTo(static_cast<const char*>(nullptr)), 1);
    EXPECT_EQ(CxString().CompareTo(static_cast<const char*>(nullptr)), 0);
}

TEST(CxString, OperatorsAgreeOnEitherSide)
{
    const CxString abc("abc");
    EXPECT_FALSE("abc" < abc);
    EXPECT_TRUE("abc" <= abc);
    EXPECT_TRUE("abd" > abc);
    EXPECT_TRUE("abd" >= abc);
    EXPECT_TRUE("abc" == abc);
    EXPECT_FALSE("abc" != abc);
    EXPECT_TRUE(abc < "abd");
    EXPECT_TRUE(abc != "ab");
    EXPECT_TRUE(abc > "ab");
    EXPECT_TRUE(abc < CxString("abcd"));
    EXPECT_TRUE(CxString("b") > abc);
    EXPECT_TRUE(abc == CxString("abc"));
    EXPECT_TRUE(CxString("\xE9") == "\xE9");
}

TEST(CxString, CompareNoCaseFoldsAsciiLettersOnly)
{
    EXPECT_EQ(CxString("SizeInBytes").CompareNoCase("sizeinbytes"), 0);
    EXPECT_EQ(CxString("SizeInBytes").CompareNoCase(CxString("SIZEINBYTES")), 0);
    EXPECT_NE(CxString("[").CompareNoCase("{"), 0);
    EXPECT_EQ(CxString("a").CompareNoCase("B"), -1);
    EXPECT_EQ(CxString("ab").CompareNoCase("A"), 1);
    EXPECT_NE(CxString(u"\u00E9").CompareNoCase(CxString(u"\u00C9")), 0);
}

TEST(CxString, Tokenize)
{
    EXPECT_EQ(Narrow(CxString("").Tokenize(',')), (std::vector<std::string>{""}));
    EXPECT_EQ(Narrow(CxString("a,b").Tokenize(',')), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(Narrow(CxString("a,").Tokenize(',')), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(Narrow(CxString(",,").Tokenize(',')), (std::vector<std::string>{"", "", ""}));
    EXPECT_EQ(Narrow(CxString("a\"b,c\"d").Tokenize(',')), (std::vector<std::string>{"a\"b", "c\"d"}));
}

TEST(CxString, TokenizeWithQuotedStrings)
{
    EXPECT_EQ(Narrow(CxString("a,\"b,c\",d").TokenizeWithQuotedStrings(',', '"')),
              (std::vector<std::string>{"a", "\"b,c\"", "d"}));
    EXPECT_EQ(Narrow(CxString("\"a,b").TokenizeWithQuotedStrings(',', '"')), (std::vector<std::string>{"\"a,b"}));
    EXPECT_EQ(Narrow(CxString("x\"\",y").TokenizeWithQuotedStrings(',', '"')),
              (std::vector<std::string>{"x\"\"", "y"}));
    EXPECT_EQ(Narrow(CxString("").TokenizeWithQuotedStrings(',', '"')), (std::vector<std::string>{""}));
}

TEST(CxStringList, CombineFindAndErase)
{
    CxStringList list;
    EXPECT_EQ(Narrow(list.Combine(',')), "");
    list.Append("a");
    EXPECT_EQ(Narrow(list.Combine(',')), "a");
    list.Append("");
    list.Append("b");
    list.Append("a");
    EXPECT_EQ(Narrow(list.Combine(',')), "a,,b,a");
    EXPECT_EQ(Narrow(CxString("x;;y;").Tokenize(';').Combine(';')), "x;;y;");

    EXPECT_EQ(list.Find("b"), std::next(list.begin(), 2));
    EXPECT_EQ(list.Find("c"), list.end());
    EXPECT_TRUE(list.EraseFirst("a"));
    EXPECT_EQ(Narrow(list), (std::vector<std::string>{"", "b", "a"}));
    EXPECT_FALSE(list.EraseFirst("zz"));
    EXPECT_EQ(list.size(), 3u);

    const CxStringList copy = list;
    list.front() = "changed";
    EXPECT_EQ(Narrow(copy), (std::vector<std::string>{"", "b", "a"}));
    EXPECT_NE(copy.Find(""), copy.end());
}

TEST(CxString, SignatureAndCoordinate)
{
    EXPECT_EQ(CxString("TEXT").AsSignature(), 0x54455854u);
    EXPECT_EQ(CxString("xml").AsSignature(), 0x786D6C20u);
    EXPECT_EQ(CxString("").AsSignature(), 0x20202020u);
    EXPECT_EQ(CxString("TEXTS").AsSignature(), 0x54455854u);
    EXPECT_EQ(CxString(u"\u0141bcd").AsSignature(), 0x41626364u); // low byte of each unit

    EXPECT_EQ(CxString("  -12x").AsCoordinate(), -12);
    EXPECT_EQ(CxString("+7").AsCoordinate(), 7);
    EXPECT_EQ(CxString("abc").AsCoordinate(), 0);
    EXPECT_EQ(CxString("70000").AsCoordinate(), CxSint16(70000 - 65536));
    EXPECT_EQ(CxString("-32768").AsCoordinate(), -32768);
}

TEST(CxString, NewArrays)
{
    const CxString s(u"A\u20ACb");
    std::unique_ptr<char[]> text(s.AsCString());
    EXPECT_STREQ(text.get(), "A*b");
    std::unique_ptr<CxUint16[]> units(s.AsWString());
    EXPECT_EQ(units[1], 0x20AC);
    EXPECT_EQ(units[3], 0);
}

TEST(CxString, BufferConversionsStayInsideTheBuffer)
{
    const CxString hello("hello");
    char c[8];
    std::memset(c, '#', sizeof c);
    hello.AsCString(c, 4);
    EXPECT_STREQ(c, "hel");
    EXPECT_EQ(c[4], '#');
    hello.AsCString(c, 1);
    EXPECT_EQ(c[0], 0);
    EXPECT_EQ(c[1], 'e');
    std::memset(c, '#', sizeof c);
    hello.AsCString(c, 0);
    EXPECT_EQ(c[0], '#');

    CxUint16 w[6];
    std::fill(std::begin(w), std::end(w), 0xAAAA);
    hello.AsWString(w, 7); // room for 2 units and the terminator
    EXPECT_EQ(w[0], 'h');
    EXPECT_EQ(w[1], 'e');
    EXPECT_EQ(w[2], 0);
    EXPECT_EQ(w[3], 0xAAAA);
    hello.AsWString(w, 12);
    EXPECT_EQ(w[4], 'o');
    EXPECT_EQ(w[5], 0);
    std::fill(std::begin(w), std::end(w), 0xAAAA);
    hello.AsWString(w, 1); // too small even for the terminator: nothing written
    hello.AsWString(w, 0);
    EXPECT_EQ(w[0], 0xAAAA);
    hello.AsWString(w, 2);
    EXPECT_EQ(w[0], 0);
    EXPECT_EQ(w[1], 0xAAAA);
}

TEST(CxString, PascalStrings)
{
    CxUint8 p[300];
    std::memset(p, 0xEE, sizeof p);
    CxString("hello").AsPascalString(p, 4);
    EXPECT_EQ(p[0], 3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(p + 1), 3), "hel");
    EXPECT_EQ(p[4], 0xEE);

    std::memset(p, 0xEE, sizeof p);
    CxString(std::string(280, 'x').c_str()).AsPascalString(p, sizeof p);
    EXPECT_EQ(p[0], 255); // the length byte is capped, not wrapped
    EXPECT_EQ(p[255], 'x');
    EXPECT_EQ(p[256], 0xEE);

    std::memset(p, 0xEE, sizeof p);
    CxString("hi").AsPascalString(p, 0);
    EXPECT_EQ(p[0], 0xEE);
    CxString("hi").AsPascalString(p, 1);
    EXPECT_EQ(p[0], 0);
}

TEST(CxString, NullBuffersAreReported)
{
    CxDebugCapture capture;
    const CxString s("x");
    s.AsCString(nullptr, 4);
    s.AsWString(nullptr, 4);
    s.AsPascalString(nullptr, 4);
    const std::vector<std::string> lines = capture.Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("CxAssert (outString != nil)"), std::string::npos);
    EXPECT_NE(lines[1].find("CxAssert (outString != nil)"), std::string::npos);
    EXPECT_NE(lines[2].find("CxAssert (outPascal != nil)"), std::string::npos);
}

TEST(CxString, IntegerAndBoolText)
{
    EXPECT_EQ(Narrow(CxString(true)), "true");
    EXPECT_EQ(Narrow(CxString(false)), "false");
    EXPECT_EQ(Narrow(CxString(static_cast<signed char>(-128))), "-128");
    EXPECT_EQ(Narrow(CxString(static_cast<unsigned char>(255))), "255");
    EXPECT_EQ(Narrow(CxString(static_cast<short>(-32768))), "-32768");
    EXPECT_EQ(Narrow(CxString(CxSint32(-2147483647 - 1))), "-2147483648");
    EXPECT_EQ(Narrow(CxString(CxUint32(4294967295u))), "4294967295");
    EXPECT_EQ(Narrow(CxString(-9223372036854775807LL - 1)), "-9223372036854775808");
    EXPECT_EQ(Narrow(CxString(18446744073709551615ULL)), "18446744073709551615");
    EXPECT_EQ(Narrow(CxString(std::size_t(12))), "12");
}

} // namespace
