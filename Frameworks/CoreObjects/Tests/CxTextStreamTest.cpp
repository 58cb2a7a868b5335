#include "CxData.h"
#include "CxDebug.h"
#include "CxParsers.h"
#include "CxStream.h"
#include "CxString.h"
#include "StreamFixtures.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace
{

std::string Text(CxData& ioData)
{
    CxAutoLock lock(ioData);
    return std::string(static_cast<const char*>(ioData.Pointer()), ioData.Size());
}

CxData FromText(const std::string& inText)
{
    return CxData(inText.data(), CxUint32(inText.size()));
}

// What a string stream wrote, as 8-bit text (every unit below 128 here).
std::string Narrow(const CxString& inString)
{
    std::string text;
    for (CxUint32 i = 0; i < inString.Length(); ++i)
        text += inString[i] < 128 ? char(inString[i]) : '?';
    return text;
}

// Runs one writing action on a fresh text stream and a fresh string stream, and answers both outputs.
template <typename Action> std::pair<std::string, std::string> WriteBoth(Action inAction)
{
    CxData data(0u);
    {
        CxTextStream text(data);
        inAction(text);
    }
    CxString string;
    {
        CxStringStream stream(string);
        inAction(stream);
    }
    return {Text(data), Narrow(string)};
}

template <typename T>
concept TextWritable = requires(CxTextStream& s, T v)
{
    s << v;
};
template <typename T>
concept TextReadable = requires(CxStringStream& s, T& v)
{
    s >> v;
};
static_assert(!TextWritable<long> && !TextWritable<unsigned long> && !TextReadable<long> && !TextReadable<std::size_t>);
static_assert(TextWritable<CxSint32> && TextReadable<double> && TextReadable<CxString>);

} // namespace

// --- Writing -------------------------------------------------------------------------------------------------------

TEST(CxFormattedStreamTest, FieldsByWidthJustificationAndFill)
{
    struct Case
    {
        int mWidth;
        CxJustification mJustification;
        char mFill;
        const char* mText;
        const char* mExpected;
    };
    const Case cases[] = {
        {0, kCxJustifyRight, '-', "ab", "ab"},    {1, kCxJustifyRight, '-', "ab", "ab"},
        {2, kCxJustifyCenter, '-', "ab", "ab"},   {3, kCxJustifyLeft, '-', "ab", "ab-"},
        {3, kCxJustifyRight, '-', "ab", "-ab"},   {3, kCxJustifyCenter, '-', "ab", "ab-"},
        {4, kCxJustifyCenter, '-', "ab", "-ab-"}, {7, kCxJustifyCenter, '*', "ab", "**ab***"},
        {5, kCxJustifyLeft, ' ', "", "     "},    {-4, kCxJustifyRight, '-', "ab", "ab"},
        {80, kCxJustifyRight, '.', "x", nullptr}, // longer than the fill's own buffer
    };
    for (const Case& test : cases)
    {
        auto [text, string] = WriteBoth(
            [&](auto& stream)
            {
                stream.SetFieldWidth(test.mWidth);
                stream.SetFieldJustification(test.mJustification);
                stream.SetFieldFill(test.mFill);
                stream << test.mText << CxString(test.mText);
            });
        const std::string expected =
            test.mExpected != nullptr ? test.mExpected : std::string(79, test.mFill) + test.mText;
        EXPECT_EQ(text, expected + expected) << test.mWidth << " " << test.mJustification;
        EXPECT_EQ(string, expected + expected) << test.mWidth << " " << test.mJustification;
    }
}

TEST(CxFormattedStreamTest, NumbersAndBooleans)
{
    struct Case
    {
        const char* mName;
        std::function<void(CxTextStream&)> mText;
        std::function<void(CxStringStream&)> mString;
        const char* mExpected;
    };
#define BOTH(body) [](CxTextStream& s) { body; }, [](CxStringStream& s) { body; }
    // The digits themselves are CxString's, checked against its vectors; here the precision and the overloads.
    const Case cases[] = {
        {"pi, default precision", BOTH(s << 3.14159), "3.142"},
        {"half, precision 0", BOTH(s.SetFieldPrecision(0); s << 2.5), "3"},
        {"float, precision 2", BOTH(s.SetFieldPrecision(2); s << 0.125f), "0.13"},
        {"long 42 zero-filled",
         BOTH(s.SetFieldWidth(6); s.SetFieldJustification(kCxJustifyRight); s.SetFieldFill('0'); s << CxSint32(42)),
         "000042"},
        {"signed char", BOTH(s << static_cast<signed char>(-5)), "-5"},
        {"unsigned char", BOTH(s << static_cast<unsigned char>(200)), "200"},
        {"short", BOTH(s << CxSint16(-32768)), "-32768"},
        {"32-bit", BOTH(s << CxSint32(-2147483647 - 1) << CxUint32(4294967295u)), "-21474836484294967295"},
        {"64-bit", BOTH(s << (-9223372036854775807LL - 1) << 18446744073709551615ULL),
         "-922337203685477580818446744073709551615"},
        {"booleans in a field", BOTH(s.SetFieldWidth(6); s << true << false), "true  false "},
        {"a char is put outside the field", BOTH(s.SetFieldWidth(4); s << 'x' << CxUint16('y')), "xy"},
        {"raw writes ignore the field", BOTH(s.SetFieldWidth(9); s.Write("ab"); s.Write(CxString("cd"))), "abcd"},
        {"line ends", BOTH(s << kCxEndOfLineCR << kCxEndOfLineCRLF << kCxEndOfLineLF), "\r\r\n\n"},
    };
#undef BOTH
    for (const Case& test : cases)
    {
        CxData data(0u);
        {
            CxTextStream text(data);
            test.mText(text);
        }
        EXPECT_EQ(Text(data), test.mExpected) << test.mName;
        CxString string;
        CxStringStream stream(string);
        test.mString(stream);
        EXPECT_EQ(Narrow(string), test.mExpected) << test.mName;
    }
}

TEST(CxFormattedStreamTest, NumbersIgnoreTheLocale)
{
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "the de_DE.UTF-8 locale is needed";
    auto [text, string] = WriteBoth([](auto& s) { s << 1234.5 << ' ' << 0.25f; });
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(text, "1234.500 0.250");
    EXPECT_EQ(string, "1234.500 0.250");
}

TEST(CxFormattedStreamTest, BadLineEndsAndJustificationsAreReported)
{
    CxDebugCapture capture;
    auto [text, string] = WriteBoth(
        [](auto& s)
        {
            s << CxEndOfLine(7);
            s.SetFieldWidth(4);
            s.SetFieldJustification(CxJustification(3));
            s << "ab";
        });
    EXPECT_EQ(text, "ab");
    EXPECT_EQ(string, "ab");
    EXPECT_EQ(capture.Count(), 4u);
}

TEST(CxTextStreamTest, Utf8OfStringsAndUnits)
{
    for (const fixtures::Utf8Case& test : fixtures::kUtf8Cases)
    {
        const std::string expected(test.mBytes.begin(), test.mBytes.end());
        const CxString string(test.mUnits.data(), CxUint32(test.mUnits.size()));
        CxData whole(0u);
        CxData unitByUnit(0u);
        {
            CxTextStream stream(whole);
            stream << string;
            CxTextStream units(unitByUnit);
            for (CxUint16 unit : test.mUnits)
                units << unit;
        }
        EXPECT_EQ(Text(whole), expected) << test.mLabel;
        // A pair cannot be joined across two unit writes: there each surrogate stands alone.
        bool surrogates = false;
        for (CxUint16 unit : test.mUnits)
            surrogates = surrogates || (unit >= 0xD800 && unit < 0xE000);
        if (!surrogates)
        {
            EXPECT_EQ(Text(unitByUnit), expected) << test.mLabel;
        }
    }

    CxData data(0u);
    {
        CxTextStream stream(data);
        stream << CxUint16(0xD83D) << CxUint16(0xDE00);
    }
    EXPECT_EQ(Text(data), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(CxTextStreamTest, ALongStringCrossesTheConversionBuffer)
{
    // 200 two-byte and three-byte characters with pairs between them, more than one buffer of UTF-8.
    CxString string;
    std::string expected;
    for (int i = 0; i < 200; ++i)
    {
        string += CxUint16(0xE9);
        string += CxUint16(0xD83D);
        string += CxUint16(0xDE00);
        expected += "\xC3\xA9\xF0\x9F\x98\x80";
    }
    CxData data(0u);
    {
        CxTextStream stream(data);
        stream.Write(string);
    }
    EXPECT_EQ(Text(data), expected);
}

TEST(CxTextStreamTest, EightBitTextIsWrittenByteForByte)
{
    CxData data(0u);
    {
        CxTextStream stream(data);
        stream << "A\xE9" << '\xFF';
    }
    EXPECT_EQ(Text(data), "A\xE9\xFF");

    // The string stream sign-extends each byte into a unit.
    CxString string;
    CxStringStream stream(string);
    stream << "A\xE9" << '\xFF';
    ASSERT_EQ(string.Length(), 3u);
    EXPECT_EQ(string[1], 0xFFE9);
    EXPECT_EQ(string[2], 0xFFFF);
}

// --- Reading -------------------------------------------------------------------------------------------------------

TEST(CxFormattedStreamTest, ReadingNumbersStepsBackOverTheUnitThatEndedThem)
{
    struct Case
    {
        const char* mInput;
        bool mParsed;      // the target changed
        CxSint32 mValue;   // what the target holds afterwards (it starts at 99)
        bool mGood;        // the stream's flag afterwards
        const char* mRest; // the next word, or "" at the end
    };
    const Case cases[] = {
        {"  -12x", true, -12, true, "x"}, {"abc", false, 99, true, "abc"},
        {"   ", true, 0, false, ""},                                   // only blanks: the parser fed nothing stores 0
        {"", true, 0, false, ""},         {"42", true, 42, false, ""}, // ends exactly at the end
        {"42 7", true, 42, true, "7"},    {"\t\r\n+7\n", true, 7, true, ""},
        {"-x", false, 99, true, "x"}, // the sign is taken, the x stays
        {"--1", false, 99, true, "-1"},
    };
    for (const Case& test : cases)
    {
        for (bool textStream : {true, false})
        {
            CxData data = FromText(test.mInput);
            CxString string(test.mInput);
            CxTextStream text(data);
            CxStringStream str(string);
            CxSint32 value = 99;
            bool good = false;
            CxString rest;
            if (textStream)
            {
                text >> value;
                good = text.Good();
                text.Seek(text.Position()); // back to good when within the text, to read on
                text >> rest;
            }
            else
            {
                str >> value;
                good = str.Good();
                str.Clear();
                str >> rest;
            }
            const char* kind = textStream ? "text" : "string";
            EXPECT_EQ(value, test.mValue) << kind << " '" << test.mInput << "'";
            EXPECT_EQ(good, test.mGood) << kind << " '" << test.mInput << "'";
            EXPECT_TRUE(rest == test.mRest) << kind << " '" << test.mInput << "': " << rest;
        }
    }
}

TEST(CxFormattedStreamTest, EveryNumberTypeParses)
{
    CxString input("-7 200 -300 -70000 -5000000000 4000000000 18000000000000000000 2.5 -1.5e2 nan TRUE false");
    CxStringStream stream(input);
    signed char tiny = 0;
    unsigned char byte = 0;
    CxSint16 small = 0;
    CxSint32 medium = 0;
    long long large = 0;
    CxUint32 unsignedMedium = 0;
    unsigned long long unsignedLarge = 0;
    float single = 0;
    double twice = 0, missing = 0;
    bool yes = false, no = true;
    stream >> tiny >> byte >> small >> medium >> large >> unsignedMedium >> unsignedLarge >> single >> twice >>
        missing >> yes >> no;
    EXPECT_EQ(tiny, -7);
    EXPECT_EQ(byte, 200);
    EXPECT_EQ(small, -300);
    EXPECT_EQ(medium, -70000);
    EXPECT_EQ(large, -5000000000LL);
    EXPECT_EQ(unsignedMedium, 4000000000u);
    EXPECT_EQ(unsignedLarge, 18000000000000000000ULL);
    EXPECT_EQ(single, 2.5f);
    EXPECT_EQ(twice, -150.0);
    EXPECT_TRUE(std::isnan(missing));
    EXPECT_TRUE(yes);
    EXPECT_FALSE(no);
    EXPECT_FALSE(stream.Good()); // "false" ended at the end
}

TEST(CxFormattedStreamTest, AWordAfterABooleanIsWhole)
{
    // "true" is complete on its "e": the next read starts after it, not inside it.
    for (const char* input : {"true next", "TRUE next", "false next"})
    {
        CxData data = FromText(input);
        CxTextStream stream(data);
        bool flag = false;
        CxString word;
        stream >> flag >> word;
        EXPECT_TRUE(word == "next") << input << ": " << word;
    }
    CxString input("\"quoted text\" after");
    CxStringStream stream(input);
    CxQuotedStringParser quoted;
    EXPECT_TRUE(stream.ParseValue(quoted));
    EXPECT_TRUE(quoted.Value() == "quoted text");
    CxString word;
    stream >> word;
    EXPECT_TRUE(word == "after") << word;
}

TEST(CxFormattedStreamTest, WordsAndWhiteSpace)
{
    CxData data = FromText("  alpha\tbeta\r\n gamma");
    CxTextStream stream(data);
    CxString word;
    stream >> word;
    EXPECT_TRUE(word == "alpha");
    EXPECT_EQ(stream.Position(), 7u); // the tab stays
    stream >> word;
    EXPECT_TRUE(word == "beta");
    stream >> word;
    EXPECT_TRUE(word == "gamma");
    EXPECT_FALSE(stream.Good());
    stream >> word; // not good: emptied, nothing read
    EXPECT_TRUE(word == "");

    // Without skipping, white space is read as it comes.
    CxData spaced = FromText(" 5");
    CxTextStream noSkip(spaced);
    noSkip.SetSkipWhitespace(false);
    CxSint32 value = 1;
    noSkip >> value;
    EXPECT_EQ(value, 1);
    EXPECT_EQ(noSkip.Position(), 0u);

    // A long word is read whole.
    const std::string longWord(300, 'w');
    CxString source(("  " + longWord + " x").c_str());
    CxStringStream str(source);
    str >> word;
    EXPECT_EQ(word.Length(), 300u);
}

TEST(CxFormattedStreamTest, CharactersAndUnits)
{
    CxData data = FromText("\xE9z");
    CxTextStream text(data);
    CxUint16 unit = 0;
    char ch = 0;
    text >> unit >> ch;
    EXPECT_EQ(unit, 0xFFE9); // a byte, sign-extended
    EXPECT_EQ(ch, 'z');
    text >> ch; // at the end: kept, not good
    EXPECT_EQ(ch, 'z');
    EXPECT_FALSE(text.Good());

    CxString units;
    units += CxUint16(0xE9);
    units += CxUint16('a');
    units += CxUint16(0x20AC);
    CxStringStream str(units);
    str >> ch;
    EXPECT_EQ(ch, '*'); // 128 and above
    str >> ch;
    EXPECT_EQ(ch, 'a');
    str >> unit;
    EXPECT_EQ(unit, 0x20AC);
}

TEST(CxTextStreamTest, SkipLine)
{
    struct Case
    {
        const char* mInput;
        char mNext; // the byte after SkipLine, 0 when at the end
        bool mGood;
    };
    const Case cases[] = {
        {"a\rb", 'b', true},    {"a\nb", 'b', true},    {"a\r\nb", 'b', true}, {"a\n\nb", 'b', true},
        {"a\r\rb", '\r', true}, {"a\n\rb", '\r', true}, {"a\n", 0, false},     {"a\r\n", 0, true},
        {"abc", 0, false},      {"\nb", 'b', true},
    };
    for (const Case& test : cases)
    {
        CxData data = FromText(test.mInput);
        CxTextStream stream(data);
        stream.SkipLine();
        EXPECT_EQ(stream.Good(), test.mGood) << test.mInput;
        if (test.mNext != 0)
        {
            char next = 0;
            stream.Get(next);
            EXPECT_EQ(next, test.mNext) << test.mInput;
        }
        else
        {
            EXPECT_TRUE(stream.End()) << test.mInput;
        }
    }
}

TEST(CxTextStreamTest, GoodFlagTransitions)
{
    CxData data = FromText("ab");
    CxTextStream stream(data);
    char ch = 0;
    stream.Seek(2);
    EXPECT_TRUE(stream.Good()); // the length itself is within
    stream.Get(ch);
    EXPECT_FALSE(stream.Good()); // reading at the end
    stream.Put('x');
    EXPECT_EQ(Text(data), "ab"); // puts do nothing while not good
    stream.Seek(0);
    EXPECT_TRUE(stream.Good()); // a seek within the length sets it again
    stream.Seek(5);
    EXPECT_FALSE(stream.Good()); // beyond: cleared, and the source clamps
    EXPECT_EQ(stream.Position(), 2u);
    stream.Get(ch);
    EXPECT_EQ(ch, 0); // gets do nothing either
    stream.Seek(1);
    stream.Put('Z');
    stream.Put('!');
    EXPECT_TRUE(stream.Good());
    EXPECT_EQ(Text(data), "aZ!"); // replaces, then appends

    stream.SetLength(1);
    EXPECT_EQ(stream.Position(), 1u);
    EXPECT_EQ(Text(data), "a");
}

TEST(CxStringStreamTest, SeekPutAndClear)
{
    struct Case
    {
        CxUint32 mSeek;
        char mPut;
        const char* mExpected;
        bool mGood;
    };
    const Case cases[] = {
        {0, 'Z', "Zbc", true},  {1, 'Z', "aZc", true},  {3, 'd', "abcd", true},
        {4, 'd', "abc", false}, {5, 'd', "abc", false},
    };
    for (const Case& test : cases)
    {
        CxString string("abc");
        CxStringStream stream(string);
        stream.Seek(test.mSeek);
        stream << test.mPut;
        EXPECT_TRUE(string == test.mExpected) << test.mSeek << ": " << string;
        EXPECT_EQ(stream.Good(), test.mGood) << test.mSeek;
        EXPECT_EQ(stream.Fail(), !test.mGood) << test.mSeek;
    }

    CxString string("abc");
    CxStringStream stream(string);
    stream.Seek(9);
    EXPECT_FALSE(stream.Good());
    stream.Seek(1); // a seek within does not set it again
    EXPECT_FALSE(stream.Good());
    stream.Clear();
    EXPECT_TRUE(stream.Good());
    stream << "XYZW"; // replaces two units, appends two
    EXPECT_TRUE(string == "aXYZW") << string;
    EXPECT_EQ(stream.Position(), 5u);
    CxUint16 unit = 7;
    stream.Get(unit);
    EXPECT_EQ(unit, 7);
    EXPECT_FALSE(stream.Good());
}

TEST(CxStringStreamTest, AReadOnlyStreamRefusesWrites)
{
    const CxString string("12 34");
    CxStringStream stream(string);
    CxSint32 value = 0;
    stream >> value;
    EXPECT_EQ(value, 12);
    EXPECT_TRUE(stream.Good());
    stream << "x";
    EXPECT_FALSE(stream.Good());
    EXPECT_TRUE(string == "12 34");
    stream.Clear();
    stream >> value;
    EXPECT_EQ(value, 34);
}

TEST(CxFormattedStreamTest, GetIntoABuffer)
{
    struct Case
    {
        CxUint32 mCount;
        const char* mExpected;
    };
    const Case cases[] = {{0, nullptr}, {1, ""}, {3, "ab"}, {5, "abc"}, {40, "abc"}}; // 0 writes nothing at all
    for (const Case& test : cases)
    {
        CxData data = FromText("abc");
        CxTextStream text(data);
        char bytes[41];
        std::memset(bytes, '#', sizeof(bytes));
        text.Get(bytes, test.mCount, kCxSeekWhitespace);
        CxString string("abc");
        CxStringStream str(string);
        CxUint16 units[41];
        std::fill(std::begin(units), std::end(units), CxUint16('#'));
        str.Get(units, test.mCount, kCxSeekWhitespace);
        if (test.mExpected == nullptr)
        {
            EXPECT_EQ(bytes[0], '#');
            EXPECT_EQ(units[0], '#');
            continue;
        }
        EXPECT_STREQ(bytes, test.mExpected) << test.mCount;
        EXPECT_EQ(text.Position(), std::strlen(test.mExpected));
        EXPECT_TRUE(text.Good());
        EXPECT_TRUE(CxString(units) == test.mExpected) << test.mCount;
    }
}

TEST(CxTextStreamTest, AStreamOnAPinnedBufferStopsWriting)
{
    CxDebugCapture capture;
    CxData data = FromText("ab");
    CxData other = data;
    CxAutoLock pin(other); // someone else holds a pointer into the block
    CxTextStream stream(data);
    stream.Seek(2);
    stream << "cd";
    EXPECT_FALSE(stream.Good());
    EXPECT_EQ(data.Size(), 2u);
    EXPECT_GT(capture.Count(), 0u);
}
