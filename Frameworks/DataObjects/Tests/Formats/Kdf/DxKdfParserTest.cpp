#include "CxData.h"
#include "CxDebug.h"
#include "DxFrameTestSupport.h"
#include "DxKdfParsers.h"
#include "TestSupport.h"

#include <cmath>
#include <fstream>

static const auto Bytes = [](const std::string& inText) { return CxData(inText.data(), CxUint32(inText.size())); };
static const std::string kHead = "101\n5 2020 7 27 12 0 0\nSTID STNM TIME A B C D E\n";

TEST(DxKdfTest, TextsGiveRowsColumnsAndDates)
{
    const CxDate header(CxSint16(2020), 7, 27, 12, 0, 0, 0);
    // Text, rows and columns read, minutes of the first time after the header date (NaN: refused, no dates).
    for (const auto& [text, rows, columns, minutes] :
         std::initializer_list<std::tuple<std::string, CxUint32, CxUint32, double>>{
             {"100\n5 2020 7 27 12 0 0\nSTID STNM TIME A B C D E\nK 1 5 1 2 3 4 5\n", 0, 0, NAN},
             {kHead + "KABC 17 5 -999 -996 -900 x 2\nkdef 2 7 1 2 3 4 5", 2, 8, 5},
             {"101\r5 2020 7 27 12 0 0\rSTID STNM TIME A B C D E\rK 1 5 1 2 3 4 5\r", 1, 8, 5},
             {"101\r\n5 2020 7 27 12 0 0\r\nSTID STNM TIME A B C D E\r\nK 1 5 1 2 3 4 5\r\n", 1, 8, 5},
             {kHead + "K 1 5 1 2 3 4 5\nL 2 6 1 2", 1, 8, 5},
             {kHead, 0, 8, 0},
             {"101\n-1 2020 7 27 12 0 0\nSTID STNM TIME\n", 0, 0, NAN},
             {"101\n10001 2020 7 27 12 0 0\nSTID STNM TIME\n", 0, 0, NAN},
             {"101\n5 2020 7 27 12 0 0\nSTID STNM TIME A B C D\nK 1 5 1 2 3 4 5 6\n", 0, 0, NAN}})
    {
        CxDebugCapture capture;
        CxData data = Bytes(text);
        DxKdfUncompressedParser parser(data);
        DxTable table;
        table.NewStringField("stid")->push_back("kept");
        EXPECT_TRUE(parser.ParseAllFields(&table) && table.FindStringField("stid")->size() == 1u);
        EXPECT_TRUE(table.CountFields() == std::max(columns, 1u)) << text;
        EXPECT_EQ(capture.Contains("DxKdfParsers.cpp"), std::isnan(minutes));
        for (auto field = table.FieldBegin() + 1; field != table.FieldEnd(); ++field)
            EXPECT_EQ((*field)->Count(), rows) << (*field)->Id().AsUtf8();
        EXPECT_EQ(parser.BaseDate(), std::isnan(minutes) ? DxFrame::NoDate() : header + minutes * 60.0);
        if (rows < 2)
            continue;
        // Values below -900 and words are missing; ids are lower-cased in every row.
        const auto first = [&table](const char* inId) { return (*table.FindFloatField(inId))[0]; };
        EXPECT_EQ((*table.FindIntField("stnm"))[0], 17);
        EXPECT_TRUE(std::isnan(first("a")) && std::isnan(first("b")) && first("c") == -900 && std::isnan(first("d")));
        DxTable other;
        EXPECT_TRUE(parser.ParseField(&other, "STID") && !parser.ParseField(&other, "none"));
        EXPECT_EQ(*other.FindStringField("stid"), (std::vector<CxString>{"kabc", "kdef"}));
    }
}

// A table's own text and a record of an empty value: its date column, unknown to XKDF, keeps later columns in place.
TEST(DxXkdfTest, TheTablesOwnText)
{
    DxTable table;
    table.SetDate(CxDate(CxSint16(2020), 7, 27, 12, 0, 0, 0));
    table.NewStringField("stid")->assign({"a,b", "c"});
    table.NewDateField("odd")->assign({CxDate(), CxDate()});
    table.NewIntField("n")->assign({12, 1});
    table.NewFloatField("x")->assign({3.5, NAN});
    XmlBuilder builder;
    table.Externalize(builder, kDxTableRecords);
    std::string body = "<kdf>" + dxtest::Written(builder) + "</kdf>";
    body.insert(body.find("</table>"), "<record>\"d\", now, 2,</record>");
    CxData refused = Bytes("<?kdf version=\"2.0\"?>" + body);
    EXPECT_THROW(DxXkdfParser{refused}, int);
    for (const auto& [text, fields] : std::initializer_list<std::pair<std::string, CxUint32>>{
             {"<?kdf version=\"1.0d1\"?>" + body, 3}, {"<?kdf version=\"1.0\"?><kdf><table>", 0}, {"", 0}})
    {
        CxData data = Bytes(text);
        DxXkdfParser parser(data);
        DxTable back;
        parser.ParseAllFields(&back);
        ASSERT_EQ(back.CountFields(), fields) << text;
        EXPECT_EQ(parser.BaseDate(), fields != 0 ? table.Date() : DxFrame::NoDate());
        if (fields == 0)
            continue;
        const DxFloatField& x = *back.FindFloatField("x");
        EXPECT_EQ(*back.FindStringField("stid"), (std::vector<CxString>{"a,b", "c", "d"}));
        EXPECT_EQ(*back.FindIntField("n"), (std::vector<CxSint32>{12, 1, 2}));
        EXPECT_TRUE(x.size() == 3u && x[0] == 3.5 && std::isnan(x[1]) && std::isnan(x[2]));
    }
}

// Station values from a real observation file, written as both formats with made-up ids.
TEST(DxKdfTest, RealStationsReadBackToTheCsv)
{
    SKY_NEED_TESTDATA_FILE(path, "obs/PressQFF_202007271200_3490.csv");
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    std::vector<std::string> values[3];
    std::ostringstream kdf("101\n3 2020 7 27 12 0 0\nstid stnm time lat lon pres\n", std::ios::ate), xkdf;
    xkdf << "<?kdf version=\"1.0d1\"?><kdf><table><fieldref id=\"stid\" type=\"string\"/><fieldref id=\"stnm\" "
            "type=\"int\"/><fieldref id=\"lat\" type=\"float\"/><fieldref id=\"lon\" type=\"float\"/><fieldref "
            "id=\"pres\" type=\"float\"/>";
    for (int i = 0; std::getline(in, line); ++i)
    {
        std::stringstream fields(line);
        for (auto& column : values)
            std::getline(fields, column.emplace_back(), ',');
        values[2].back() = i == 100 ? "-999" : values[2].back();
        kdf << "S" << i << " " << i << " 0 " << values[0][i] << " " << values[1][i] << " " << values[2][i] << "\n";
        xkdf << "<record>\"S" << i << "\"," << i << "," << values[0][i] << "," << values[1][i] << "," << values[2][i]
             << "</record>";
    }
    ASSERT_EQ(values[2].size(), 3490u);
    CxData kdfData = Bytes(kdf.str()), xkdfData = Bytes(xkdf.str() + "</table></kdf>");
    DxKdfUncompressedParser kdfParser(kdfData);
    DxXkdfParser xkdfParser(xkdfData);
    for (DxKdfParser* parser : {static_cast<DxKdfParser*>(&kdfParser), static_cast<DxKdfParser*>(&xkdfParser)})
    {
        DxTable table;
        parser->ParseAllFields(&table);
        const char* ids[] = {"lat", "lon", "pres"};
        for (int c = 0; c < 3; ++c)
        {
            const DxFloatField& read = *table.FindFloatField(ids[c]);
            ASSERT_EQ(read.size(), 3490u);
            for (std::size_t i = 0; i < 3490; ++i)
                EXPECT_TRUE(read[i] == std::stod(values[c][i]) ||
                            (parser == &kdfParser && values[c][i] == "-999" && std::isnan(read[i])));
        }
    }
}
