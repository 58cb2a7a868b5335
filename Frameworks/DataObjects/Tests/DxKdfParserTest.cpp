#include "CxData.h"
#include "CxDebug.h"
#include "DxFrameTestSupport.h"
#include "DxKdfParsers.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <memory>
#include <sstream>

namespace
{

CxData Bytes(const std::string& inText)
{
    return CxData(inText.data(), CxUint32(inText.size()));
}

const std::string kHead = "101\n5 2020 7 27 12 0 0\nSTID STNM TIME A B C D E\n";

} // namespace

TEST(DxKdfTest, TextsGiveRowsColumnsAndDates)
{
    const CxDate header(CxSint16(2020), 7, 27, 12, 0, 0, 0);
    const struct
    {
        std::string text;
        CxUint32 rows, columns;
        double baseMinutes; // after the header date; NaN: both dates missing
    } kCases[] = {
        {"100\n5 2020 7 27 12 0 0\nSTID STNM TIME A B C D E\nK 1 5 1 2 3 4 5\n", 0, 0, NAN},
        {kHead + "KABC 1 5 -999 -996 -900 1 2\nkdef 2 7 1 2 3 4 5\n", 2, 8, 5},
        {"101\r5 2020 7 27 12 0 0\rSTID STNM TIME A B C D E\rK 1 5 1 2 3 4 5\r", 1, 8, 5},
        {"101\r\n5 2020 7 27 12 0 0\r\nSTID STNM TIME A B C D E\r\nK 1 5 1 2 3 4 5\r\n", 1, 8, 5},
        {kHead + "K 1 5 1 2 3 4 5\nL 2 6 1 2 3 4 5", 2, 8, 5},
        {kHead + "K 1 5 1 2 3 4 5\nL 2 6 1 2", 1, 8, 5},
        {kHead, 0, 8, 0},
        {"101\n-1 2020 7 27 12 0 0\nSTID STNM TIME\n", 0, 0, NAN},
        {"101\n10001 2020 7 27 12 0 0\nSTID STNM TIME\n", 0, 0, NAN},
        {"101\n5 2020 7 27 12 0 0\nSTID STNM TIME A B C D\nK 1 5 1 2 3 4 5 6\n", 0, 0, NAN},
    };
    for (const auto& c : kCases)
    {
        CxData data = Bytes(c.text);
        DxKdfUncompressedParser parser(data);
        DxTable table;
        EXPECT_TRUE(parser.ParseAllFields(&table));
        SCOPED_TRACE(c.text);
        EXPECT_EQ(table.CountFields(), c.columns);
        for (auto field = table.FieldBegin(); field != table.FieldEnd(); ++field)
            EXPECT_EQ((*field)->Count(), c.rows) << (*field)->Id().AsUtf8();
        const CxDate base = std::isnan(c.baseMinutes) ? DxFrame::NoDate() : header + c.baseMinutes * 60.0;
        EXPECT_EQ(parser.BaseDate(), base);
        EXPECT_EQ(parser.HeaderDate(), std::isnan(c.baseMinutes) ? DxFrame::NoDate() : header);
    }
}

TEST(DxKdfTest, ColumnsAreTypedAndMissingValuesAreNaN)
{
    CxData data = Bytes(kHead + "KABC 17 5 -999 -996 -900 x 2\n");
    DxKdfUncompressedParser parser(data);
    DxTable table;
    table.NewStringField("stid")->push_back("kept");
    parser.ParseAllFields(&table);
    EXPECT_EQ(table.CountFields(), 8u);
    EXPECT_EQ((*table.FindStringField("stid"))[0], "kept");
    EXPECT_EQ((*table.FindIntField("stnm"))[0], 17);
    const DxFloatField& a = *table.FindFloatField("a");
    EXPECT_TRUE(std::isnan(a[0]));
    EXPECT_TRUE(std::isnan((*table.FindFloatField("b"))[0]));
    EXPECT_EQ((*table.FindFloatField("c"))[0], -900.0);
    EXPECT_TRUE(std::isnan((*table.FindFloatField("d"))[0]));
    DxTable other;
    EXPECT_TRUE(parser.ParseField(&other, "STID"));
    EXPECT_EQ((*other.FindStringField("stid"))[0], "kabc");
    EXPECT_FALSE(parser.ParseField(&other, "nothing"));
}

TEST(DxXkdfTest, VersionsAndDocuments)
{
    const auto doc = [](const std::string& inInstruction)
    {
        return inInstruction + "<kdf><table date=\"2020-07-27 12:00:00\"><fieldref id=\"stid\" type=\"string\"/>"
                               "<fieldref id=\"n\" type=\"integer\"/><fieldref id=\"odd\" type=\"date\"/>"
                               "<fieldref id=\"x\" type=\"float\"/><record>\"a,b\",  12,  9, 3.5</record>"
                               "<record>\"c\",1,9,</record><record>\"d\",2,9,nan</record></table></kdf>";
    };
    const struct
    {
        std::string text;
        bool throws, parsed;
        CxUint32 rows;
    } kCases[] = {
        {doc("<?kdf version=\"1.0\"?>"), false, true, 3},         {doc("<?kdf version=\"1.0.3\"?>"), false, true, 3},
        {doc("<?kdf version=\"1.0d1\"?>"), false, true, 3},       {doc("<?kdf version=\"1.1\"?>"), true, true, 0},
        {doc("<?kdf version=\"2.0\"?>"), true, true, 0},          {doc(""), true, true, 0},
        {"<?kdf version=\"1.0\"?><kdf><table>", false, false, 0}, {"", false, false, 0},
    };
    for (const auto& c : kCases)
    {
        SCOPED_TRACE(c.text);
        CxData data = Bytes(c.text);
        std::unique_ptr<DxXkdfParser> parser;
        try
        {
            parser = std::make_unique<DxXkdfParser>(data);
        }
        catch (int inError)
        {
            EXPECT_TRUE(c.throws);
            EXPECT_EQ(inError, -1);
            continue;
        }
        EXPECT_FALSE(c.throws);
        EXPECT_EQ(parser->Parsed(), c.parsed);
        DxTable table;
        parser->ParseAllFields(&table);
        if (c.rows == 0)
        {
            EXPECT_EQ(table.CountFields(), 0u);
            continue;
        }
        ASSERT_EQ(table.CountFields(), 3u);
        const DxFloatField& x = *table.FindFloatField("x");
        EXPECT_EQ((*table.FindStringField("stid"))[0], "a,b");
        EXPECT_EQ((*table.FindIntField("n"))[0], 12);
        EXPECT_EQ(x[0], 3.5);
        EXPECT_TRUE(std::isnan(x[1]) && std::isnan(x[2]));
        EXPECT_EQ(parser->BaseDate(), CxDate(CxSint16(2020), 7, 27, 12, 0, 0, 0));
    }
}

TEST(DxXkdfTest, ExternalizedTableReadsBackEqual)
{
    DxTable table;
    DxStringField* ids = table.NewStringField("stid");
    DxIntField* numbers = table.NewIntField("stnm");
    DxFloatField* values = table.NewFloatField("pres");
    ids->insert(ids->end(), {"kabc", "kdef"});
    numbers->insert(numbers->end(), {7, -3});
    values->insert(values->end(), {1013.25, NAN});
    XmlBuilder builder;
    table.Externalize(builder, kDxTableRecords);
    std::string text = dxtest::Written(builder);
    text = "<?kdf version=\"1.0d1\"?><kdf>" + text + "</kdf>";
    CxData data = Bytes(text);
    DxXkdfParser parser(data);
    DxTable back;
    parser.ParseAllFields(&back);
    ASSERT_EQ(back.CountFields(), 3u) << text;
    EXPECT_EQ(*back.FindStringField("stid"), *ids);
    EXPECT_EQ(*back.FindIntField("stnm"), *numbers);
    EXPECT_EQ((*back.FindFloatField("pres"))[0], 1013.25);
    EXPECT_TRUE(std::isnan((*back.FindFloatField("pres"))[1]));
}

// Station values from a real observation file, written as both formats with made-up ids.
TEST(DxKdfTest, RealStationsReadBackToTheCsv)
{
    SKY_NEED_TESTDATA_FILE(path, "obs/PressQFF_202007271200_3490.csv");
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    std::vector<std::string> lat, lon, pres;
    std::ostringstream kdf, xkdf;
    kdf << "101\n3 2020 7 27 12 0 0\nstid stnm time lat lon pres\n";
    xkdf << "<?kdf version=\"1.0d1\"?><kdf><table><fieldref id=\"stid\" type=\"string\"/><fieldref id=\"stnm\" "
            "type=\"int\"/><fieldref id=\"lat\" type=\"float\"/><fieldref id=\"lon\" type=\"float\"/><fieldref "
            "id=\"pres\" type=\"float\"/>";
    for (int i = 0; std::getline(in, line); ++i)
    {
        std::stringstream fields(line);
        lat.emplace_back(), lon.emplace_back(), pres.emplace_back();
        std::getline(fields, lat.back(), ','), std::getline(fields, lon.back(), ','), std::getline(fields, pres.back());
        if (i == 100)
            pres.back() = "-999";
        kdf << "S" << i << " " << i << " 0 " << lat.back() << " " << lon.back() << " " << pres.back() << "\n";
        xkdf << "<record>\"S" << i << "\"," << i << "," << line.substr(0, line.rfind(',')) << "," << pres.back()
             << "</record>";
    }
    xkdf << "</table></kdf>";
    ASSERT_EQ(pres.size(), 3490u);
    CxData kdfData = Bytes(kdf.str()), xkdfData = Bytes(xkdf.str());
    DxKdfUncompressedParser kdfParser(kdfData);
    DxXkdfParser xkdfParser(xkdfData);
    for (DxKdfParser* parser : {static_cast<DxKdfParser*>(&kdfParser), static_cast<DxKdfParser*>(&xkdfParser)})
    {
        DxTable table;
        parser->ParseAllFields(&table);
        const DxFloatField* columns[] = {table.FindFloatField("lat"), table.FindFloatField("lon"),
                                         table.FindFloatField("pres")};
        const std::vector<std::string>* texts[] = {&lat, &lon, &pres};
        for (int c = 0; c < 3; ++c)
        {
            ASSERT_NE(columns[c], nullptr);
            ASSERT_EQ(columns[c]->size(), 3490u);
            for (std::size_t i = 0; i < 3490; ++i)
            {
                const double expected = std::stod(texts[c]->at(i));
                if (parser == &kdfParser && expected == -999.0)
                    EXPECT_TRUE(std::isnan((*columns[c])[i]));
                else
                    EXPECT_EQ((*columns[c])[i], expected) << texts[c]->at(i);
            }
        }
    }
}
