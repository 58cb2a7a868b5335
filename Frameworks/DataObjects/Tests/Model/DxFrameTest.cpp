#include "DxFrame.h"
#include "CxDebug.h"
#include "DxFrameTestSupport.h"
#include "DxUnitTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using dxtest::ParsedXml;
using dxtest::Written;

namespace
{

const CxDate kDate(CxSint16(2009), 7, 4, 5, 6, 7, 0);

// Numeric fields label their values with units from the table.
class DxFrameTest : public dxtest::UnitTableTest
{
};

std::string Ids(const DxFrame& inFrame)
{
    std::string ids;
    for (auto iter = inFrame.FieldBegin(); iter != inFrame.FieldEnd(); ++iter)
        ids += (*iter)->Id().AsUtf8();
    return ids;
}

std::string TableXml(const DxTable& inTable, DxTableFormat inFormat)
{
    XmlBuilder builder;
    inTable.Externalize(builder, inFormat);
    return Written(builder);
}

} // namespace

TEST_F(DxFrameTest, FindsFieldsRegardlessOfCaseAndKeepsOwnership)
{
    DxTable table;
    DxFloatField* latitude = table.NewFloatField("lat:degr");
    DxStringField* station = table.NewStringField("stid:nada");
    table.NewFloatField("LAT:degr"); // never found by id: the first match wins
    EXPECT_EQ(table.FindFloatField("LAT:DEGR"), latitude);
    EXPECT_EQ(table.FindStringField("Stid:Nada"), station);
    EXPECT_EQ(table.FindStringField("lat:degr"), nullptr);
    EXPECT_EQ(table.FindIntField("stid:nada"), nullptr);
    EXPECT_EQ(table.FindField(CxUint32(3)), nullptr);

    CxDebugCapture capture;
    table.AdoptField(new DxIntField(CxString("b")), station);
    EXPECT_EQ(Ids(table), "lat:degrbstid:nadaLAT:degr");
    EXPECT_EQ(capture.Count(), 0u);
    // Not in the frame: reported; adopting appends, orphaning and clearing remove nothing.
    DxIntField stranger(CxString("x"));
    table.AdoptField(new DxIntField(CxString("c")), &stranger);
    table.OrphanField(&stranger);
    table.ClearField("nonesuch");
    // A field held already, or none, would be deleted twice or read: refused.
    table.AdoptField(latitude);
    table.AdoptField(nullptr);
    EXPECT_EQ(Ids(table), "lat:degrbstid:nadaLAT:degrc");
    EXPECT_EQ(capture.Count(), 5u);

    const std::unique_ptr<DxField> orphan(latitude);
    table.OrphanField(latitude);
    table.ClearField("B");
    EXPECT_EQ(Ids(table), "stid:nadaLAT:degrc");
    EXPECT_EQ(table.FindField("lat:degr")->Id(), "LAT:degr");
}

TEST_F(DxFrameTest, IndexesRecordsByLowerCasedKeys)
{
    DxTable table;
    DxStringField* ids = table.NewStringField("stid:nada");
    ids->insert(ids->end(), {CxString("KBOS"), CxString("kden"), CxString("KDen")});
    table.NewFloatField("v")->push_back(1.0);

    table.IndexBy("STID:nada");
    EXPECT_EQ(table.Lookup("kbos"), 0);
    // Keys that differ in case only: every spelling finds the later record.
    for (const char* key : {"kden", "KDEN", "kDeN"})
        EXPECT_EQ(table.Lookup(key), 2) << key;
    EXPECT_EQ(table.Lookup("ksea"), -1);
    // A field that is not a string field clears the index.
    table.IndexBy("v");
    EXPECT_EQ(table.Lookup("kbos"), -1);
}

TEST_F(DxFrameTest, TablesWriteRecordsAlignedAndFieldsByteForByte)
{
    DxTable table;
    table.SetDate(kDate);
    DxFloatField* temperatures = table.NewFloatField("tmpc:cels");
    temperatures->SetUnit(DxUnit(CxString("cels")));
    temperatures->insert(temperatures->end(), {1.5, -0.25});
    DxStringField* stations = table.NewStringField("stid:nada");
    stations->insert(stations->end(), {CxString("KBOS"), CxString("a<b"), CxString("KSEA")});

    const std::string head = "<table date=\"2009-07-04 05:06:07 UTC\">\n\t<projection id=\"degree\"/>\n";
    EXPECT_EQ(TableXml(table, kDxTableRecords), head + "\t<fieldref id=\"tmpc:cels\" type=\"float\"/>\n"
                                                       "\t<fieldref id=\"stid:nada\" type=\"string\"/>\n"
                                                       "\t<record>\n\t\t1.500, \"KBOS\"\n\t</record>\n"
                                                       "\t<record>\n\t\t-0.250, \"a&lt;b\"\n\t</record>\n"
                                                       "\t<record>\n\t\tnan, \"KSEA\"\n\t</record>\n"
                                                       "</table>\n");
    EXPECT_EQ(TableXml(table, kDxTableFields), head + "\t<field id=\"tmpc:cels\" type=\"float\" units=\"cels\">\n"
                                                      "\t\t1.500 -0.250 \n\t</field>\n"
                                                      "\t<field id=\"stid:nada\" type=\"string\">\n"
                                                      "\t\t\"KBOS\", \"a&lt;b\", \"KSEA\", \n\t</field>\n"
                                                      "</table>\n");
    CxDebugCapture capture;
    EXPECT_EQ(TableXml(table, DxTableFormat(2)), head + "</table>\n");
    EXPECT_EQ(capture.Count(), 1u);
    DxTable empty;
    empty.SetDate(kDate);
    EXPECT_EQ(TableXml(empty, kDxTableRecords), head + "</table>\n");

    // Copies hold the fields only, in the degree projection.
    DxTable mercator(GxMercatorProjection(GxPosition(0.1, 0.2)));
    mercator.AdoptField(table.FindField(CxUint32(0))->Copy());
    mercator.SetDate(kDate);
    const std::unique_ptr<DxTable> copy(mercator.Copy());
    EXPECT_EQ(copy->Date(), DxFrame::NoDate());
    EXPECT_EQ(copy->Projection()->Id(), "degree");
    ASSERT_EQ(copy->CountFields(), 1u);
    EXPECT_EQ(*copy->FindFloatField("tmpc:cels"), *temperatures);
    EXPECT_EQ(copy->FindFloatField("tmpc:cels")->Unit().Id(), "cels");
}

TEST_F(DxFrameTest, FramesReadDateAndProjectionAndReportWhatTheyCannotRead)
{
    const GxLambertConformalProjection lambert(-1.7, 0.6, 0.8);
    const GxMercatorProjection mercator(GxPosition(-kGxPi / 2.0, kGxPi / 6.0));
    const char* kMercator = "<projection id=\"mercator\"><property id=\"stdLon\" type=\"float\" value=\"-90\"/>"
                            "<property id=\"stdLat\" type=\"float\" value=\"30\"/></projection>";
    const struct
    {
        bool mGrid;
        std::string mXml;
        bool mReported;
        const GxProjection& mProjection;
    } cases[] = {
        {false, std::string("<table date=\"2012-03-04 05:06:07\">") + kMercator + "<field id=\"x\">1</field></table>",
         false, mercator},
        {false, "<table date=\"2012-03-04 05:06:07\"/>", true, lambert},
        // An unknown projection id leaves the projection as it was.
        {false, "<table date=\"2012-03-04 05:06:07\"><projection id=\"nonesuch\"/></table>", true, lambert},
        {true, "<grid date=\"2012-03-04 05:06:07\"><projection id=\"Mercator\"/></grid>", true, lambert},
        // Reading goes on after a wrong element name.
        {false, std::string("<sites date=\"2012-03-04 05:06:07\">") + kMercator + "</sites>", true, mercator},
        {true, "<table date=\"2012-03-04 05:06:07\"/>", true, lambert},
    };
    for (const auto& c : cases)
    {
        const ParsedXml xml(c.mXml);
        CxDebugCapture capture;
        DxTable table(lambert);
        DxGrid grid(lambert, 2, 2, GxPoint(1.0, 2.0), GxPoint(3.0, 4.0));
        if (c.mGrid)
            grid.Internalize(xml.Element());
        else
            table.Internalize(xml.Element());
        const DxFrame& frame = c.mGrid ? static_cast<const DxFrame&>(grid) : table;
        EXPECT_EQ(capture.Count(), c.mReported ? 1u : 0u) << c.mXml;
        EXPECT_EQ(frame.Date(), CxDate(CxSint16(2012), 3, 4, 5, 6, 7, 0)) << c.mXml;
        EXPECT_EQ(*frame.Projection(), c.mProjection) << c.mXml;
        EXPECT_EQ(frame.CountFields(), 0u);
    }

    CxDebugCapture capture;
    DxTable table;
    DxGrid grid;
    table.Internalize(nullptr);
    grid.Internalize(nullptr);
    EXPECT_EQ(capture.Count(), 2u);
    EXPECT_EQ(grid.Date(), DxFrame::NoDate());
}
