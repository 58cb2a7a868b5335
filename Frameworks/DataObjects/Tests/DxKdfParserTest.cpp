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
const std::string kHead = "101\n5 2020 7 27 12 0 0\nSTID STNM TIME A B C D E\n";
}

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
        {kHead + "KABC 17 5 -999 -996 -900 x 2\nkdef 2 7 1 2 3 4 5\n", 2, 8, 5},
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
        CxData data(c.text.data(), CxUint32(c.text.size()));
        CxDebugCapture capture;
        DxKdfUncompressedParser parser(data);
        DxTable table;
        table.NewStringField("stid")->push_back("kept");
        EXPECT_TRUE(parser.ParseAllFields(&table));
        SCOPED_TRACE(c.text);
        EXPECT_EQ(capture.Contains("DxKdfParsers.cpp"), std::isnan(c.baseMinutes));
        EXPECT_TRUE(table.CountFields() == std::max(c.columns, 1u) && table.FindStringField("stid")->size() == 1u);
        for (auto field = table.FieldBegin() + 1; field != table.FieldEnd(); ++field)
            EXPECT_EQ((*field)->Count(), c.rows) << (*field)->Id().AsUtf8();
        const CxDate base = std::isnan(c.baseMinutes) ? DxFrame::NoDate() : header + c.baseMinutes * 60.0;
        EXPECT_EQ(parser.BaseDate(), base);
        EXPECT_EQ(parser.HeaderDate(), std::isnan(c.baseMinutes) ? DxFrame::NoDate() : header);
        if (c.text.find("KABC") == std::string::npos)
            continue;
        EXPECT_EQ((*table.FindIntField("stnm"))[0], 17);
        EXPECT_TRUE(std::isnan((*table.FindFloatField("a"))[0]) && std::isnan((*table.FindFloatField("b"))[0]));
        EXPECT_EQ((*table.FindFloatField("c"))[0], -900.0);
        EXPECT_TRUE(std::isnan((*table.FindFloatField("d"))[0]));
        DxTable other;
        EXPECT_TRUE(parser.ParseField(&other, "STID") && !parser.ParseField(&other, "none"));
        EXPECT_EQ(*other.FindStringField("stid"), (std::vector<CxString>{"kabc", "kdef"}));
    }
}

// The text a table writes of itself, with a record of an empty value added: its date column, a type XKDF does not
// know, makes no field but keeps the later columns in place.
TEST(DxXkdfTest, VersionsAndTheTablesOwnText)
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
    const struct
    {
        std::string text;
        int outcome; // -1 throws, 0 empty, 1 read
    } kCases[] = {{"<?kdf version=\"1.0\"?>" + body, 1},      {"<?kdf version=\"1.0.3\"?>" + body, 1},
                  {"<?kdf version=\"1.0d1\"?>" + body, 1},    {"<?kdf version=\"1.1\"?>" + body, -1},
                  {"<?kdf version=\"2.0\"?>" + body, -1},     {body, -1},
                  {"<?kdf version=\"1.0\"?><kdf><table>", 0}, {"", 0}};
    for (const auto& c : kCases)
    {
        SCOPED_TRACE(c.text);
        CxData data(c.text.data(), CxUint32(c.text.size()));
        std::unique_ptr<DxXkdfParser> parser;
        try
        {
            parser = std::make_unique<DxXkdfParser>(data);
        }
        catch (int inError)
        {
            EXPECT_EQ(inError, c.outcome);
            continue;
        }
        DxTable back;
        parser->ParseAllFields(&back);
        EXPECT_EQ(parser->Parsed(), c.outcome == 1);
        ASSERT_EQ(back.CountFields(), c.outcome == 1 ? 3u : 0u);
        if (c.outcome == 0)
            continue;
        const DxFloatField& x = *back.FindFloatField("x");
        EXPECT_EQ(*back.FindStringField("stid"), (std::vector<CxString>{"a,b", "c", "d"}));
        EXPECT_EQ(*back.FindIntField("n"), (std::vector<CxSint32>{12, 1, 2}));
        EXPECT_TRUE(x.size() == 3u && x[0] == 3.5 && std::isnan(x[1]) && std::isnan(x[2]));
        EXPECT_EQ(parser->BaseDate(), table.Date());
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
    std::ostringstream kdf, xkdf;
    kdf << "101\n3 2020 7 27 12 0 0\nstid stnm time lat lon pres\n";
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
    xkdf << "</table></kdf>";
    ASSERT_EQ(values[2].size(), 3490u);
    const std::string texts[] = {kdf.str(), xkdf.str()};
    for (int format = 0; format < 2; ++format)
    {
        CxData data(texts[format].data(), CxUint32(texts[format].size()));
        std::unique_ptr<DxKdfParser> parser;
        parser.reset(format == 0 ? static_cast<DxKdfParser*>(new DxKdfUncompressedParser(data))
                                 : static_cast<DxKdfParser*>(new DxXkdfParser(data)));
        DxTable table;
        parser->ParseAllFields(&table);
        const char* ids[] = {"lat", "lon", "pres"};
        for (int c = 0; c < 3; ++c)
        {
            ASSERT_EQ(table.FindFloatField(ids[c])->size(), 3490u);
            for (std::size_t i = 0; i < 3490; ++i)
            {
                const double expected = std::stod(values[c][i]), read = (*table.FindFloatField(ids[c]))[i];
                EXPECT_TRUE(read == expected || (format == 0 && expected == -999.0 && std::isnan(read)));
            }
        }
    }
}
