#include "DxField.h"
#include "CxDebug.h"
#include "DxFrameTestSupport.h"
#include "DxUnitTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

using dxtest::UnitTableTest;

namespace
{

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// 0.0 / 0.0 on x86-64 gives the NaN with the sign bit set, which glibc prints as "-nan".
double SignBitNaN()
{
    volatile double zero = 0.0;
    return zero / zero;
}

// Through the formatted standard-stream writer; what a field writes must also parse back.
std::string Checked(const XmlBuilder& inBuilder)
{
    const std::string text = dxtest::Written(inBuilder);
    const dxtest::ParsedXml parsed(text);
    return text;
}

std::string Externalized(const DxField& inField)
{
    XmlBuilder builder;
    inField.Externalize(builder);
    return Checked(builder);
}

std::string ExternalizedRef(const DxField& inField)
{
    XmlBuilder builder;
    inField.ExternalizeRef(builder);
    return Checked(builder);
}

// A kind that keeps the base's Externalize.
class PlainField : public DxField
{
public:
    PlainField() : DxField(CxString("plain")) {}
    DxType Type() const override { return kDxTypeString; }
    CxString ValueAsString(CxUint32) const override { return CxString(); }
    CxUint32 Count() const override { return 0; }
    DxField* Copy() const override { return new PlainField; }
};

} // namespace

TEST_F(UnitTableTest, FieldsWriteTheirElementByteForByte)
{
    DxStringField strings(CxString("stid:nada"));
    strings.push_back(CxString("a"));
    strings.push_back(CxString("b"));

    DxFloatField floats(CxString("tmpc:cels"));
    floats.SetUnit(DxUnit(CxString("cels")));
    floats.push_back(1.5);
    floats.push_back(SignBitNaN());
    ASSERT_TRUE(std::signbit(floats.back()));

    DxIntField ints(CxString("count:nada"));
    ints.SetUnit(DxUnit(CxString("secs"))); // integers never write a unit
    ints.insert(ints.end(), {3, -7, std::numeric_limits<CxSint32>::max(), std::numeric_limits<CxSint32>::min()});

    DxDateField dates(CxString("time:secs"));
    dates.push_back(CxDate(0.0));
    dates.push_back(CxDate(CxSint16(2009), 7, 4, 5, 6, 7, 0));

    DxStringField escaped(CxString("name:nada"));
    escaped.push_back(CxString("a<b&\"c\""));

    DxFloatField rounded(CxString("pres:mbar"));
    rounded.SetUnit(DxUnit(CxString("mbar")));
    rounded.insert(rounded.end(), {1013.2495, 0.0005, -0.0004, -2.5});
    const DxFloatField noFloats(CxString("x:nada"));

    const struct
    {
        const DxField* mField;
        std::string mXml;
    } cases[] = {
        {&strings, "<field id=\"stid:nada\" type=\"string\">\n\t\"a\", \"b\", \n</field>\n"},
        {&floats, "<field id=\"tmpc:cels\" type=\"float\" units=\"cels\">\n\t1.500 nan \n</field>\n"},
        {&ints, "<field id=\"count:nada\" type=\"int\">\n\t3 -7 2147483647 -2147483648 \n</field>\n"},
        {&dates, "<field id=\"time:secs\" type=\"date\">\n\t2001-01-01 00:00:00 UTC, 2009-07-04 05:06:07 UTC, "
                 "\n</field>\n"},
        {&escaped, "<field id=\"name:nada\" type=\"string\">\n\t\"a&lt;b&amp;\"c\"\", \n</field>\n"},
        {&rounded,
         "<field id=\"pres:mbar\" type=\"float\" units=\"mbar\">\n\t1013.250 0.001 0.000 -2.500 \n</field>\n"},
        {&noFloats, "<field id=\"x:nada\" type=\"float\" units=\"nada\">\n\t\n</field>\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Externalized(*c.mField), c.mXml);
}

TEST_F(UnitTableTest, TheBaseWritesOnlyAComment)
{
    // A comment alone is no document, so it is not parsed back.
    XmlBuilder builder;
    PlainField().Externalize(builder);
    EXPECT_EQ(dxtest::Written(builder), "<!-- *** UNKOWN FIELD TYPE *** -->\n");
}

TEST_F(UnitTableTest, ReferencesNameTheTypeAsDxTypeToStringDoes)
{
    // The reference says "integer" where the full element of the same field says "int".
    const DxIntField ints(CxString("n"));
    EXPECT_EQ(ExternalizedRef(ints), "<fieldref id=\"n\" type=\"integer\"/>\n");
    EXPECT_NE(Externalized(ints).find("type=\"int\""), std::string::npos);
}

TEST_F(UnitTableTest, ValueAsStringGivesPlaceholdersPastTheEnd)
{
    DxFloatField floats(CxString("f"));
    floats.insert(floats.end(), {1.5, kNaN, -0.0004});
    DxIntField ints(CxString("i"));
    ints.insert(ints.end(), {42, -1, 0});
    DxStringField strings(CxString("s"));
    strings.insert(strings.end(), {CxString("KOUN"), CxString(""), CxString("x y")});
    DxDateField dates(CxString("d"));
    dates.insert(dates.end(), {CxDate(0.0), CxDate(-35430.0 * 86400.0), CxDate(86399.0)});

    const struct
    {
        const DxField* mField;
        std::vector<std::string> mValues; // indexes 0, 1, 2, then 3 and 5 past the end
    } cases[] = {
        {&floats, {"1.500", "nan", "0.000", "nan", "nan"}},
        {&ints, {"42", "-1", "0", "0", "0"}},
        {&strings, {"\"KOUN\"", "\"\"", "\"x y\"", "\"\"", "\"\""}},
        {&dates, {"2001-01-01 00:00:00 UTC", "1904-01-01 00:00:00 UTC", "2001-01-01 23:59:59 UTC", "nan", "nan"}},
    };
    for (const auto& c : cases)
    {
        const CxUint32 indexes[] = {0, 1, 2, 3, 5};
        for (std::size_t i = 0; i < 5; ++i)
            EXPECT_EQ(c.mField->ValueAsString(indexes[i]).AsUtf8(), c.mValues[i]) << c.mField->Id() << " " << i;
        EXPECT_EQ(c.mField->Count(), 3u);
        EXPECT_EQ(c.mField->ValueAsString(std::numeric_limits<CxUint32>::max()).AsUtf8(), c.mValues[4]);
    }
}

TEST(DxExtremaTest, MissingValuesNeverWinUnlessAllAreMissing)
{
    const struct
    {
        std::vector<double> mValues;
        double mMin;
        double mMax;
    } cases[] = {
        {{kNaN, 3.0, 1.0}, 1.0, 3.0},    {{3.0, kNaN, -2.0, kNaN}, -2.0, 3.0},           {{kNaN, kNaN}, kNaN, kNaN},
        {{SignBitNaN(), 7.0}, 7.0, 7.0}, {{-1.0e300, 1.0e300, kNaN}, -1.0e300, 1.0e300}, {{5.0}, 5.0, 5.0},
    };
    for (const auto& c : cases)
    {
        const double lowest = *std::min_element(c.mValues.begin(), c.mValues.end(), DxIsLessThan<double>());
        const double highest = *std::max_element(c.mValues.begin(), c.mValues.end(), DxIsGreaterThan<double>());
        if (std::isnan(c.mMin))
        {
            EXPECT_TRUE(std::isnan(lowest));
            EXPECT_TRUE(std::isnan(highest));
        }
        else
        {
            EXPECT_EQ(lowest, c.mMin);
            EXPECT_EQ(highest, c.mMax);
        }
    }
}

TEST(DxTypeTest, NamesAndCodesAndTheUnknownOnesReported)
{
    const struct
    {
        DxType mType;
        const char* mName;
    } names[] = {
        {kDxTypeFloat, "float"}, {kDxTypeInteger, "integer"}, {kDxTypeString, "string"}, {kDxTypeDate, "date"}};
    CxDebugCapture capture;
    for (const auto& n : names)
    {
        EXPECT_EQ(DxTypeToString(n.mType), n.mName);
        EXPECT_EQ(DxStringToType(CxString(n.mName)), n.mType);
    }
    EXPECT_EQ(DxStringToType(CxString("int")), kDxTypeInteger);
    EXPECT_EQ(capture.Count(), 0u);

    for (CxSint32 code : {0, 5})
    {
        capture.Clear();
        EXPECT_EQ(DxTypeToString(DxType(code)), "ERROR");
        EXPECT_EQ(capture.Count(), 1u) << code;
    }
    for (const char* name : {"Float", "", "date "})
    {
        capture.Clear();
        EXPECT_EQ(DxStringToType(CxString(name)), kDxTypeString) << name;
        EXPECT_EQ(capture.Count(), 1u) << name;
    }
}

TEST_F(UnitTableTest, CopiesKeepTheKindAndWhatIsWritten)
{
    DxFloatField floats(CxString("wspd:mps"));
    floats.SetUnit(DxUnit(CxString("mps")));
    floats.insert(floats.end(), {1.0, kNaN, 3.25});
    DxIntField ints(CxString("n:nada"));
    ints.push_back(7);
    DxDateField dates(CxString("time:secs"));
    dates.push_back(CxDate(12.0));
    DxStringField strings(CxString("stid:nada"));
    strings.push_back(CxString("KOUN"));
    for (DxField* original : std::initializer_list<DxField*>{&floats, &ints, &dates, &strings})
    {
        const std::unique_ptr<DxField> copy(original->Copy());
        EXPECT_EQ(copy->Type(), original->Type());
        EXPECT_EQ(Externalized(*copy), Externalized(*original));
    }
}
