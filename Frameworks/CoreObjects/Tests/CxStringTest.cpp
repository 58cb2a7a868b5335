#include "CxString.h"
#include "CxDebug.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
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

    // Two empty strings never share writable units; a write through GetChars is recounted.
    CxString a, b;
    a.GetChars()[0] = 0;
    EXPECT_NE(a.GetChars(), b.GetChars());
    CxString s("abcdef");
    s.GetChars()[3] = 0;
    EXPECT_EQ(s.Length(), 3u);
}

TEST(CxString, CopiesAssignmentAndAdoption)
{
    CxString a("hello");
    CxString b(a);
    b[0] = 'J';
    EXPECT_EQ(Narrow(a), "hello");
    EXPECT_NE(a.GetChars(), b.GetChars());
    CxString& alias = a;
    a = alias;
    a += alias;
    EXPECT_EQ(Narrow(a), "hellohello");
    CxString moved(std::move(b));
    EXPECT_EQ(Narrow(moved), "Jello");
    b += "again"; // NOLINT: a moved-from string is empty and usable
    EXPECT_EQ(Narrow(b), "again");

    b += CxString("+") + "x";
    b += CxUint16('y');
    EXPECT_EQ(Narrow("<" + b), "<again+xy");
    b = "\xFFz";
    EXPECT_EQ(Units(b), (std::vector<CxUint16>{0xFFFF, 'z'}));

    CxUint16* units = new CxUint16[3]{'h', 'i', 0};
    b.Assign(units);
    EXPECT_EQ(b.GetChars(), units);
    b.Assign(nullptr);
    EXPECT_EQ(b.Length(), 0u);
}

TEST(CxString, EditingOperations)
{
    struct Case
    {
        const char* what;
        const char* start;
        void (*edit)(CxString&);
        const char* expected;
    };
    const Case cases[] = {
        {"delete middle", "abcd", [](CxString& s) { s.Delete(1, 2); }, "ad"},
        {"delete to past end", "abcd", [](CxString& s) { s.Delete(2, 99); }, "ab"},
        {"delete everything", "abcd", [](CxString& s) { s.Delete(0, 3); }, ""},
        {"delete from past end", "abcd", [](CxString& s) { s.Delete(4, 9); }, "abcd"},
        {"delete reversed range", "abcd", [](CxString& s) { s.Delete(2, 1); }, "abcd"},
        {"replace range", "abcd", [](CxString& s) { s.Replace(1, 2, "X"); }, "aXd"},
        {"replace range to past end", "abcd", [](CxString& s) { s.Replace(2, 50, "XYZ"); }, "abXYZ"},
        {"replace range by nothing", "abcd", [](CxString& s) { s.Replace(0, 0, ""); }, "bcd"},
        {"replace first", "one two one", [](CxString& s) { EXPECT_EQ(s.Replace("one", "1", 1), 8u); }, "one two 1"},
        {"replace missing", "ab", [](CxString& s) { EXPECT_EQ(s.Replace("zzz", "1", 0), 2u); }, "ab"},
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
    for (const Case& c : cases)
    {
        CxString s(c.start);
        c.edit(s);
        EXPECT_EQ(Narrow(s), c.expected) << c.what;
        EXPECT_EQ(s.Length(), std::string(c.expected).size()) << c.what;
    }
}

TEST(CxString, ReplaceAll)
{
    struct Case
    {
        const char* start;
        const char* find;
        const char* with;
        CxUint32 from;
        const char* expected;
        CxUint32 answer;
    };
    const Case cases[] = {
        {"aXa", "a", "aa", 0, "aaXaa", 3},    // inserted text is not searched again
        {"a,b,,c", ",", ";", 0, "a;b;;c", 6}, // the last search failed
        {"a,b,c", ",", "", 0, "abc", 3},      // last search fails at the final length
        {"abab", "ab", "", 0, "", 0},         // the loop ends once the text is gone
        {"a,b,c", ",", ";", 2, "a,b;c", 5},
        {"abc", "x", "y", 0, "abc", 3},
        {"abc", "a", "b", 3, "abc", 0}, // from not below the length
        {"abc", "", "y", 0, "abc", 3},  // empty search: unchanged, answers the length
        {"", "", "y", 0, "", 0},
    };
    for (const Case& c : cases)
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

    CxDebugCapture capture;
    EXPECT_EQ(Narrow(s.Substring(2, 1)), "");
    ASSERT_EQ(capture.Count(), 1u);
}

TEST(CxString, FindAndContainment)
{
    const CxString s("abcabc");
    const std::tuple<const char*, CxUint32, CxUint32> finds[] = {
        {"bc", 0, 1}, {"bc", 2, 4}, {"bc", 5, 6}, {"abcabcx", 0, 6}, {"", 3, 3}, {"", 6, 6}, {"", 9, 6}, {"c", 99, 6},
    };
    for (const auto& [text, from, expected] : finds)
        EXPECT_EQ(s.Find(text, from), expected) << text << " from " << from;
    EXPECT_TRUE(s.Contains("cab") && s.Contains("") && CxString().Contains(""));
    EXPECT_FALSE(s.Contains("cb"));
    EXPECT_TRUE(s.BeginsWith("abc") && s.BeginsWith("") && s.EndsWith("cabc") && s.EndsWith(""));
    EXPECT_FALSE(s.BeginsWith("bc") || CxString("ab").BeginsWith("abc"));
    EXPECT_FALSE(s.EndsWith("ab") || CxString("bc").EndsWith("abc"));
}

TEST(CxString, ComparisonOrdersUnsignedUnitsShorterFirst)
{
    struct Case
    {
        CxString a;
        const char* b;
        int expected;
        int noCase;
    };
    const Case cases[] = {
        {CxString("abc"), "abcd", -1, -1},
        {CxString("abc"), "ab", 1, 1},
        {CxString("abc"), "abc", 0, 0},
        {CxString("B"), "A", 1, 1},
        {CxString("B"), "a", -1, 1},
        {CxString(""), "a", -1, -1},
        {CxString("SizeInBytes"), "sizeinbytes", -1, 0},
        {CxString("a"), "B", 1, -1},
        {CxString("["), "{", -1, -1}, // only letters fold
        // Units compare unsigned: U+FFE9 from a high byte is above every ASCII unit.
        {CxString("\xE9"), "z", 1, 1},
        {CxString(u"\u00E9"), "\xE9", -1, -1},
        {CxString(u"\u00E9"), "\xC9", -1, -1},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.a.CompareTo(c.b), c.expected) << c.b;
        EXPECT_EQ(c.a.CompareTo(CxString(c.b)), c.expected) << c.b;
        EXPECT_EQ(c.a.CompareNoCase(c.b), c.noCase) << c.b;
        EXPECT_EQ(c.b<c.a, c.expected> 0) << c.b; // the reversed operators agree
    }
    EXPECT_NE(CxString(u"\u00E9").CompareNoCase(CxString(u"\u00C9")), 0);
    EXPECT_EQ(CxString("abc").CompareTo(static_cast<const char*>(nullptr)), 1);
    EXPECT_EQ(CxString().CompareTo(static_cast<const char*>(nullptr)), 0);
}

TEST(CxString, Tokenize)
{
    using Tokens = std::vector<std::string>;
    const std::pair<const char*, Tokens> plain[] = {
        {"", {""}}, {"a,b", {"a", "b"}}, {"a,", {"a", ""}}, {",,", {"", "", ""}}, {"a\"b,c\"d", {"a\"b", "c\"d"}},
    };
    for (const auto& [text, tokens] : plain)
        EXPECT_EQ(Narrow(CxString(text).Tokenize(',')), tokens) << text;
    const std::pair<const char*, Tokens> quoted[] = {
        {"a,\"b,c\",d", {"a", "\"b,c\"", "d"}},
        {"\"a,b", {"\"a,b"}},
        {"x\"\",y", {"x\"\"", "y"}},
        {"", {""}},
    };
    for (const auto& [text, tokens] : quoted)
        EXPECT_EQ(Narrow(CxString(text).TokenizeWithQuotedStrings(',', '"')), tokens) << text;
}

TEST(CxStringList, CombineFindAndErase)
{
    CxStringList list;
    EXPECT_EQ(Narrow(list.Combine(',')), "");
    for (const char* item : {"a", "", "b", "a"})
        list.Append(item);
    EXPECT_EQ(Narrow(list.Combine(',')), "a,,b,a");
    EXPECT_EQ(Narrow(CxString("x;;y;").Tokenize(';').Combine(';')), "x;;y;");

    EXPECT_EQ(list.Find("b"), std::next(list.begin(), 2));
    EXPECT_EQ(list.Find("c"), list.end());
    EXPECT_TRUE(list.EraseFirst("a"));
    EXPECT_EQ(Narrow(list), (std::vector<std::string>{"", "b", "a"}));
    EXPECT_FALSE(list.EraseFirst("zz"));
    EXPECT_EQ(list.size(), 3u);
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

TEST(CxString, BufferConversionsStayInsideTheBuffer)
{
    const CxString hello("hello");
    EXPECT_STREQ(std::unique_ptr<char[]>(CxString(u"A\u20ACb").AsCString()).get(), "A*b");
    std::unique_ptr<CxUint16[]> units(CxString(u"A\u20ACb").AsWString());
    EXPECT_EQ(units[1], 0x20AC);
    EXPECT_EQ(units[3], 0);

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
    EXPECT_EQ(capture.Count(), 3u);
}

TEST(CxString, IntegerAndBoolText)
{
    const std::pair<CxString, const char*> cases[] = {
        {CxString(true), "true"},
        {CxString(false), "false"},
        {CxString(static_cast<signed char>(-128)), "-128"},
        {CxString(static_cast<unsigned char>(255)), "255"},
        {CxString(static_cast<short>(-32768)), "-32768"},
        {CxString(CxSint32(-2147483647 - 1)), "-2147483648"},
        {CxString(CxUint32(4294967295u)), "4294967295"},
        {CxString(-9223372036854775807LL - 1), "-9223372036854775808"},
        {CxString(18446744073709551615ULL), "18446744073709551615"},
        {CxString(std::size_t(12)), "12"},
    };
    for (const auto& [string, expected] : cases)
        EXPECT_EQ(Narrow(string), expected);
}

} // namespace

// Short texts live inside the object and longer ones in an array of their own; every length around the limit
// must copy, move, grow, shrink and be edited alike.
TEST(CxString, TextsOfEveryLengthAroundTheInlineLimitBehaveAlike)
{
    const std::string letters = "abcdefghijklmnopqrstuvwx";
    for (std::size_t n = 0; n <= letters.size(); ++n)
    {
        SCOPED_TRACE(n);
        const std::string text = letters.substr(0, n);
        const CxString original(text.c_str());
        ASSERT_EQ(Narrow(original), text);
        ASSERT_EQ(original.GetChars()[n], 0);

        CxString copy(original);
        if (n > 0)
            copy[0] = 'Z';
        EXPECT_EQ(Narrow(original), text);

        CxString moved(std::move(copy));
        EXPECT_EQ(moved.Length(), n);
        EXPECT_EQ(copy.Length(), 0u); // NOLINT: a moved-from string is empty and usable
        copy += "q";
        EXPECT_EQ(Narrow(copy), "q");

        // Move-assignment between every pair of sizes, and onto itself.
        for (std::size_t m : {0, 3, 7, 8, 20})
        {
            CxString target(letters.substr(0, m).c_str());
            CxString source(original);
            target = std::move(source);
            EXPECT_EQ(Narrow(target), text);
            EXPECT_EQ(source.Length(), 0u); // NOLINT
            CxString& alias = target;
            target = std::move(alias);
            target = alias;
            EXPECT_EQ(Narrow(target), text);
        }

        // Growing across the limit, also by itself.
        for (std::size_t split = 0; split <= n; split += 3)
        {
            CxString grown(text.substr(0, split).c_str());
            grown += CxString(text.substr(split).c_str());
            EXPECT_EQ(Narrow(grown), text);
            grown += grown;
            EXPECT_EQ(Narrow(grown), text + text);
            EXPECT_EQ(grown.Length(), 2 * n);
        }

        CxString edited(original);
        edited.Insert("0123", CxUint32(n / 2));
        EXPECT_EQ(edited.Length(), n + 4);
        edited.Delete(CxUint32(n / 2), CxUint32(n / 2 + 3));
        EXPECT_EQ(Narrow(edited), text);

        // A writer that shortens the text; the shorter text survives a move.
        if (n > 0)
        {
            CxString shortened(original);
            shortened.GetChars()[n / 2] = 0;
            CxString after(std::move(shortened));
            EXPECT_EQ(Narrow(after), text.substr(0, n / 2));
            EXPECT_EQ(after.Length(), n / 2);
        }
    }

    // Strings moved about as a vector grows keep their texts.
    std::vector<CxString> strings;
    for (std::size_t i = 0; i < 100; ++i)
        strings.emplace_back(letters.substr(0, i % letters.size()).c_str());
    for (std::size_t i = 0; i < strings.size(); ++i)
        EXPECT_EQ(Narrow(strings[i]), letters.substr(0, i % letters.size()));
}
