#include "CxDebug.h"
#include "DxConfigParsers.h"
#include "DxConfigTestSupport.h"
#include "DxFrame.h"

#include <gtest/gtest.h>

#include <memory>

using namespace dxtest;

namespace
{

std::unique_ptr<DxTable> Read(const std::string& inTableBody)
{
    CxData data = Bytes(Document("siteinfo", "<table>" + inTableBody + "</table>"));
    DxTable* table = nullptr;
    DxSiteListParser reader(data, table);
    EXPECT_NE(table, nullptr) << inTableBody;
    // An empty table lets the checks fail rather than crash.
    return std::unique_ptr<DxTable>(table != nullptr ? table : new DxTable());
}

// A column's values as record-row text, one row after another: missing floats are "nan".
std::string Column(const DxTable& inTable, const CxString& inId)
{
    const DxField* field = inTable.FindField(inId);
    if (field == nullptr)
        return "no field";
    std::string text;
    for (CxUint32 i = 0; i < field->Count(); ++i)
        text += (i > 0 ? " " : "") + field->ValueAsString(i).AsUtf8();
    return text;
}

} // namespace

using DxSiteListParserTest = UnitTableTest;

TEST_F(DxSiteListParserTest, TheFixtureReadsToItsValues)
{
    CxData data = Fixture("siteinfo.xml");
    DxTable* raw = nullptr;
    DxSiteListParser reader(data, raw);
    ASSERT_TRUE(reader.Parsed());
    ASSERT_NE(raw, nullptr);
    const std::unique_ptr<DxTable> table(raw);
    EXPECT_EQ(table->CountFields(), 6u);
    EXPECT_EQ(Column(*table, "stid"), R"("HBR01" "HBR02" "HBR03")");
    EXPECT_EQ(Column(*table, "name"), R"("Harbour Light" "Pier 21, South End" "Citadel Hill")");
    EXPECT_EQ(Column(*table, "lat"), "44.648 44.638 44.647");
    EXPECT_EQ(Column(*table, "lon"), "-63.573 -63.566 -63.581");
    EXPECT_EQ(Column(*table, "elev"), "12 4 70");
    ASSERT_NE(table->FindDateField("installed"), nullptr);
    EXPECT_EQ((*table->FindDateField("installed"))[1], CxDate(2007, 9, 15, 12, 30, 0, 0));
    EXPECT_EQ(table->Lookup("hbr02"), 1);
    EXPECT_EQ(table->Lookup("HBR04"), -1);
}

TEST_F(DxSiteListParserTest, RowsOfEveryLengthAndWhitespace)
{
    CxDebugCapture capture;
    // Pieces may begin with CR, LF, tabs and blanks; the character reference keeps the CR through the parser.
    const std::unique_ptr<DxTable> table =
        Read(R"(<fieldref id="stid" type="string"/><fieldref id="lat" type="float"/><fieldref id="n" type="integer"/>)"
             R"(<fieldref id="d" type="date"/>)"
             R"(<record>&#13;)"
             "\n\t \"A\",&#13;\n\t1.5,\n 7, \"2009-05-04 12:00:00 UTC\"\n</record>"
             R"(<record>"B", , 8, ""</record>)"                     // blank float, empty date
             R"(<record>"C", north, x</record>)"                    // garbage float and integer, short row
             R"(<record>"D"</record><record></record>)"             // shorter rows
             R"(<record>E, 2.5, 9, "2010-01-01", "extra"</record>)" // unquoted string, one value too many
             R"(<record>"a,b", 1e3</record>)");                     // a comma inside quotes
    EXPECT_EQ(Column(*table, "stid"), R"("A" "B" "C" "D" "" "" "a,b")");
    EXPECT_EQ(Column(*table, "lat"), "1.500 nan nan nan nan 2.500 1000.000");
    EXPECT_EQ(Column(*table, "n"), "7 8 0 0 0 9 0");
    EXPECT_EQ(Column(*table, "d"), "2009-05-04 12:00:00 UTC 1904-01-01 00:00:00 UTC 1904-01-01 00:00:00 UTC "
                                   "1904-01-01 00:00:00 UTC 1904-01-01 00:00:00 UTC 2010-01-01 00:00:00 UTC "
                                   "1904-01-01 00:00:00 UTC");
    EXPECT_EQ(capture.Count(), 0u);
}

TEST_F(DxSiteListParserTest, AColumnOfUnknownTypeKeepsTheOthersAligned)
{
    CxDebugCapture capture;
    const std::unique_ptr<DxTable> table = Read(
        R"(<fieldref id="stid" type="string"/><fieldref id="wmo" type="number"/>)"
        R"(<fieldref id="lat" type="float"/><fieldref id="elev" type="int"/><record>"A", 71601, 44.5, 12</record>)");
    EXPECT_EQ(capture.Count(), 1u);
    EXPECT_EQ(table->CountFields(), 3u);
    EXPECT_EQ(Column(*table, "wmo") + "|" + Column(*table, "lat") + "|" + Column(*table, "elev"), "no field|44.500|12");
}

TEST_F(DxSiteListParserTest, KeysAndEmptyTables)
{
    // Records before their fieldrefs; the same station twice keeps both rows and indexes the later one.
    std::unique_ptr<DxTable> table =
        Read(R"(<record>"abc", 1</record><record>"ABC", 2</record><fieldref id="stid" type="string"/>)");
    EXPECT_EQ(Column(*table, "stid"), R"("abc" "ABC")");
    EXPECT_EQ(table->Lookup("Abc"), 1);
    table = Read(R"(<fieldref id="id" type="string"/><record>"abc"</record>)");
    EXPECT_EQ(table->Lookup("abc"), -1);
    table = Read(R"(<fieldref id="stid" type="string"/><fieldref id="lat" type="float"/>)");
    EXPECT_EQ(table->CountFields(), 2u);
    EXPECT_EQ(Column(*table, "stid") + Column(*table, "lat"), "");
}

TEST_F(DxSiteListParserTest, EarlyExitsLeaveTheTableAlone)
{
    const std::string table = R"(<table><fieldref id="stid" type="string"/></table>)";
    const std::pair<std::string, bool> cases[] = {
        {"", false},
        {Document("siteinfo", table).substr(0, 50), false}, // does not parse: no version check
        {Document("datainfo", table), false},
        {Document("siteinfo", "<tables/>"), false},
        {Document("siteinfo", table, "1.1"), true},
        {"<siteinfo>" + table + "</siteinfo>", true},
    };
    for (const auto& [document, throws] : cases)
    {
        CxData data = Bytes(document);
        DxTable sentinel;
        DxTable* out = &sentinel;
        if (throws)
            EXPECT_THROW(DxSiteListParser reader(data, out), int) << document;
        else
            EXPECT_NO_THROW(DxSiteListParser reader(data, out)) << document;
        EXPECT_EQ(out, &sentinel) << document;
    }
}
