#include "CxParsers.h"
#include "CxDebug.h"
#include "CxString.h"
#include "CxVersion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

namespace
{

struct ParseVector
{
    const char* text;
    bool good;
    double asDouble;
    double asFloat;
};

#include "CxParseVectors.inc"

std::string Narrow(const CxString& inString)
{
    std::unique_ptr<char[]> text(inString.AsCString());
    return text.get();
}

bool SameValue(double inA, double inB)
{
    return (std::isnan(inA) && std::isnan(inB)) || std::memcmp(&inA, &inB, sizeof inA) == 0;
}

TEST(CxParsers, FloatArithmeticMatchesReplay)
{
    for (const ParseVector& v : kParseVectors)
    {
        const CxString text(v.text);
        CxFloatParser<double> parser;
        EXPECT_EQ(text.ParseValue(parser), v.good) << v.text;
        EXPECT_TRUE(SameValue(text.AsDouble(), v.asDouble)) << v.text << " gave " << text.AsDouble();
        EXPECT_TRUE(SameValue(double(text.AsFloat()), v.asFloat)) << v.text << " gave " << text.AsFloat();
    }
}

TEST(CxParsers, FloatCasesBesideTheReplay)
{
    EXPECT_TRUE(std::isnan(CxString("NaN").AsDouble()));
    EXPECT_TRUE(std::isnan(CxString("nan").AsDouble()));
    EXPECT_TRUE(std::isnan(CxString("nAnx").AsFloat()));
    EXPECT_EQ(CxString("1e999").AsDouble(), std::numeric_limits<double>::infinity());
    EXPECT_EQ(CxString("na").AsDouble(), 0.0); // ends early: good, fields untouched
}

struct IntCase
{
    const char* text;
    long long expected;
};

TEST(CxParsers, SignedIntegers)
{
    const IntCase sint32[] = {{"-42", -42},
                              {"+7", 7},
                              {"--1", 0},
                              {"", 0},
                              {"12abc", 12},
                              {"-", 0},
                              {"+", 0},
                              {"x", 0},
                              {"007", 7},
                              {" 1", 0},
                              {"2147483647", 2147483647},
                              {"2147483648", -2147483647LL - 1},
                              {"-2147483648", -2147483648LL},
                              {"4294967297", 1}};
    for (const IntCase& c : sint32)
        EXPECT_EQ(CxString(c.text).AsSint32(), c.expected) << c.text;

    EXPECT_EQ(CxString("-200").AsSint8(), CxSint8(56));
    EXPECT_EQ(CxString("127").AsSint8(), 127);
    EXPECT_EQ(CxString("128").AsSint8(), -128);
    EXPECT_EQ(CxString("40000").AsSint16(), CxSint16(40000 - 65536));
    EXPECT_EQ(CxString("-32768").AsSint16(), -32768);
    EXPECT_EQ(CxString("-9223372036854775808").AsSint64(), std::numeric_limits<long long>::min());
    EXPECT_EQ(CxString("9223372036854775808").AsSint64(), std::numeric_limits<long long>::min());
    EXPECT_EQ(CxString("18446744073709551617").AsSint64(), 1);
}

TEST(CxParsers, UnsignedIntegers)
{
    EXPECT_EQ(CxString("300").AsUint8(), 44);
    EXPECT_EQ(CxString("255").AsUint8(), 255);
    EXPECT_EQ(CxString("65537").AsUint16(), 1);
    EXPECT_EQ(CxString("4294967295").AsUint32(), 4294967295u);
    EXPECT_EQ(CxString("4294967296").AsUint32(), 0u);
    EXPECT_EQ(CxString("18446744073709551615").AsUint64(), 18446744073709551615ULL);
    EXPECT_EQ(CxString("18446744073709551616").AsUint64(), 0ULL);
    EXPECT_EQ(CxString("-1").AsUint32(), 0u); // a sign is an error for unsigned text
    EXPECT_EQ(CxString("+1").AsUint32(), 0u);
    EXPECT_EQ(CxString("9z").AsUint16(), 9);
}

TEST(CxParsers, Booleans)
{
    struct BoolCase
    {
        const char* text;
        bool value;
        bool good;
    } const cases[] = {{"TRUE", true, true},    {"True", true, true},    {"false", false, true},
                       {"yes", false, false},   {"trueish", true, true}, {"tr", false, true},
                       {"", false, true},       {"falsey", false, true}, {"fAlSe", false, true},
                       {"t rue", false, false}, {"1", false, false}};
    for (const BoolCase& c : cases)
    {
        CxBoolParser parser;
        EXPECT_EQ(CxString(c.text).ParseValue(parser), c.good) << c.text;
        EXPECT_EQ(CxString(c.text).AsBool(), c.value) << c.text;
    }
}

TEST(CxParsers, StoppedParsersStayStopped)
{
    CxSintParser<CxSint32> accepted;
    for (char c : std::string("12x3"))
    {
        if (accepted.Parse(CxUint16(c)))
            break;
    }
    EXPECT_EQ(accepted.State(), kCxParseAccepted);
    EXPECT_EQ(accepted.NextState('5'), kCxParseAccepted);
    EXPECT_TRUE(accepted.Parse('5'));
    EXPECT_EQ(accepted.Value(), 12);

    CxFloatParser<double> failed;
    EXPECT_TRUE(failed.Parse('x'));
    EXPECT_FALSE(failed.Good());
    EXPECT_EQ(failed.NextState('1'), kCxParseFailed);

    CxBoolParser boolean;
    EXPECT_TRUE(boolean.Parse('q'));
    boolean.Parse('t');
    EXPECT_FALSE(boolean.Good());
}

TEST(CxParsers, QuotedStrings)
{
    EXPECT_EQ(Narrow(CxString("\"a b\"").AsUnquotedString()), "a b");
    EXPECT_EQ(Narrow(CxString("\"a b\" tail").AsUnquotedString()), "a b");
    EXPECT_EQ(Narrow(CxString("\"open").AsUnquotedString()), "open");
    EXPECT_EQ(Narrow(CxString("\"\"").AsUnquotedString()), "");
    EXPECT_EQ(Narrow(CxString("a").AsUnquotedString()), "");
    EXPECT_EQ(CxString(u"\"\u00E9\"").AsUnquotedString(), CxString(u"\u00E9"));
}

struct VersionCase
{
    const char* text;
    CxSint32 major, minor, fix;
    CxBuildStatus status;
    CxSint32 build;
};

TEST(CxVersion, Parsing)
{
    const VersionCase cases[] = {
        {"1.4d1", 1, 4, 0, kCxDevelopment, 1},
        {"1.2", 1, 2, 0, kCxFinal, 0},
        {"x", 1, 0, 0, kCxFinal, 0}, // failure
        {"1", 1, 0, 0, kCxFinal, 0}, // ends early: good
        {"", 0, 0, 0, kCxFinal, 0},
        {"1.", 1, 0, 0, kCxFinal, 0},
        {"1.x", 1, 0, 0, kCxFinal, 0}, // failure
        {"1.8.0b3", 1, 8, 0, kCxBeta, 3},
        {"1.8.0f4", 1, 8, 0, kCxFinal, 4},
        {"1.8.0.4", 1, 8, 0, kCxFinal, 4},
        {"1.8.2a", 1, 8, 2, kCxAlpha, 0},
        {"1.8.2ax", 1, 0, 0, kCxFinal, 0}, // a status letter needs a build number
        {"2.10 beta", 2, 10, 0, kCxFinal, 0},
        {"1.8.3B2", 1, 8, 3, kCxFinal, 0}, // status letters are lower case only
        {"10.20.30d40x", 10, 20, 30, kCxDevelopment, 40},
    };
    for (const VersionCase& c : cases)
    {
        const CxVersion v = CxString(c.text).AsVersion();
        EXPECT_EQ(v, CxVersion(c.major, c.minor, c.fix, c.status, c.build))
            << c.text << " gave " << Narrow(v.AsFullString());
        EXPECT_EQ(CxVersion(CxString(c.text)), v) << c.text;
    }
}

TEST(CxVersion, Comparisons)
{
    const CxVersion dev(1, 4, 0, 'd', 1);
    const CxVersion fin(1, 4, 0, 'f', 0);
    EXPECT_TRUE(dev < fin);
    EXPECT_FALSE(dev > fin);
    EXPECT_TRUE(fin > dev);
    EXPECT_TRUE(dev <= dev);
    EXPECT_TRUE(dev >= dev);
    EXPECT_FALSE(dev < dev);
    EXPECT_FALSE(dev > dev);
    EXPECT_TRUE(dev == CxVersion(1, 4, 0, kCxDevelopment, 1));
    EXPECT_TRUE(dev != fin);
    EXPECT_TRUE(dev.IsEqualTo(dev));
    EXPECT_TRUE(CxVersion(2, 0, 0, 'd', 0) > CxVersion(1, 99, 99, 'f', 99));
    EXPECT_TRUE(CxVersion(1, 2, 3, 'b', 5) < CxVersion(1, 2, 3, 'b', 6));
    EXPECT_TRUE(CxVersion(-1, 0, 0, 'f', 0) < CxVersion(0, 0, 0, 'f', 0)); // signed comparison
    EXPECT_TRUE(fin.IsRelease());
    EXPECT_FALSE(fin.IsPrerelease());
    EXPECT_TRUE(dev.IsPrerelease());

    EXPECT_TRUE(CxVersion(1, 5, 0, 'd', 0).IsCompatibleWith(CxVersion(1, 4, 9, 'f', 9)));
    EXPECT_TRUE(CxVersion(1, 4, 0, 'd', 0).IsCompatibleWith(CxVersion(1, 4, 9, 'f', 9)));
    EXPECT_FALSE(CxVersion(1, 3, 9, 'f', 0).IsCompatibleWith(CxVersion(1, 4, 0, 'f', 0)));
    EXPECT_FALSE(CxVersion(2, 4, 0, 'f', 0).IsCompatibleWith(CxVersion(1, 4, 0, 'f', 0)));
}

TEST(CxVersion, TextForms)
{
    const CxVersion release(1, 8, 0, 'f', 4);
    const CxVersion dev(1, 4, 0, 'd', 1);
    const CxVersion fix(1, 8, 2, 'b', 3);
    EXPECT_EQ(Narrow(release.AsString()), "1.8.0.4");
    EXPECT_EQ(Narrow(dev.AsString()), "1.4.0d1");
    EXPECT_EQ(Narrow(release.AsShortString()), "1.8");
    EXPECT_EQ(Narrow(dev.AsShortString()), "1.4d1");
    EXPECT_EQ(Narrow(fix.AsShortString()), "1.8.2b3");
    EXPECT_EQ(Narrow(CxVersion(1, 8, 2, 'f', 0).AsShortString()), "1.8.2");
    EXPECT_EQ(Narrow(release.AsMajorMinorString()), "1.8");
    EXPECT_EQ(Narrow(release.AsFullString()), "1.8.0f4");
    EXPECT_EQ(Narrow(fix.AsFullString()), "1.8.2b3");

    // AsString and AsFullString read back to the same version.
    for (const CxVersion& v : {release, dev, fix, CxVersion(0, 0, 0, 'a', 0), CxVersion(12, 345, 6789, 'f', 10)})
    {
        EXPECT_EQ(v.AsString().AsVersion(), v) << Narrow(v.AsString());
        EXPECT_EQ(v.AsFullString().AsVersion(), v) << Narrow(v.AsFullString());
    }
    // The short form drops a final build.
    EXPECT_EQ(release.AsShortString().AsVersion(), CxVersion(1, 8, 0, 'f', 0));
}

TEST(CxVersion, UnknownStatusLettersAreReported)
{
    CxDebugCapture capture;
    const CxVersion v(1, 2, 3, 'x', 4);
    EXPECT_EQ(v.Status(), kCxDevelopment);
    CxVersionParser parser;
    parser.Status('q');
    EXPECT_EQ(parser.Value().Status(), kCxFinal);
    ASSERT_EQ(capture.Count(), 2u);
}

} // namespace
