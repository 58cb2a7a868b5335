#include "CxData.h"
#include "CxDebug.h"
#include "DxFrame.h"
#include "DxFrameTestSupport.h"
#include "DxGridParsers.h"
#include "TestSupport.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

// Read back as written; ids match in case too; a conic origin is written in degrees.
TEST(DxXmlGridTest, ExternalizedGridsReadBackEqual)
{
    const auto written = [](const DxGrid& inGrid)
    {
        XmlBuilder builder;
        inGrid.Externalize(builder);
        return dxtest::Written(builder);
    };
    const GxDegreeProjection degrees;
    const GxLambertConformalProjection lambert;
    for (const GxProjection* projection : std::initializer_list<const GxProjection*>{&degrees, &lambert})
    {
        const GxPoint origin =
            projection == &degrees ? GxPoint(-105.5, 30.25) : lambert.Project(GxPosition().FromDegrees(-100.0, 40.0));
        DxGrid grid(*projection, 3, 2, origin, GxPoint(0.5, 0.125));
        grid.SetDate(CxDate(CxSint16(2010), 11, 12, 18, 0, 0, 0));
        grid.NewFloatField("tmpc")->assign({1.0, 2.25, NAN, -4.0, 5.0, 6.125});
        grid.NewIntField("code")->assign({1, -2, 3, 4, 5, 6});
        const std::string text = written(grid);
        CxData data(text.data(), CxUint32(text.size()));
        DxXmlGridParser parser(data);
        DxGrid back(*parser.Projection(), parser.Width(), parser.Height(), parser.Origin(), parser.CellSize());
        back.SetDate(parser.BaseDate());
        EXPECT_TRUE(parser.ParseField(&back, "tmpc") && parser.ParseField(&back, "code") &&
                    !parser.ParseField(&back, "TMPC"));
        EXPECT_EQ(written(back), text);
    }
}

// Without a geometry values stay as read; with one, a field needs one value per cell; a huge size is refused.
TEST(DxXmlGridTest, GeometryEdges)
{
    const std::string head = "<grid><projection id=\"degree\"/><gridOrigin lat=\"1\" lon=\"2\"/>";
    const std::string field = "<field id=\"v\" type=\"float\">1 2 3 4 5 6</field></grid>";
    for (const auto& [text, width, height, added] :
         std::initializer_list<std::tuple<std::string, CxUint32, CxUint32, bool>>{
             {"<grid>" + field, 0, 0, true},
             {head + "<gridSize width=\"3\" height=\"2\"/><cellSize width=\"1\" height=\"1\"/>" + field, 3, 2, true},
             {head + "<gridSize width=\"5\" height=\"1\"/>" + field, 5, 1, false},
             {head + "<gridSize width=\"5000\" height=\"5000\"/>" + field, 0, 0, true}})
    {
        CxDebugCapture capture;
        CxData data(text.data(), CxUint32(text.size()));
        DxXmlGridParser parser(data);
        DxGrid frame;
        EXPECT_TRUE(parser.Width() == width && parser.Height() == height) << text;
        EXPECT_EQ(parser.ParseField(&frame, "v") ? frame.FindFloatField("v")->size() : 0u, added ? 6u : 0u) << text;
        EXPECT_EQ(capture.Contains("DxGridParsers.cpp"), width == 5 || text.find("5000") != std::string::npos);
    }
}

// Each field type reads as its own kind of field; a type no reader knows gives no field.
TEST(DxXmlGridTest, FieldTypes)
{
    for (const auto& [type, kind] : std::initializer_list<std::pair<const char*, char>>{
             {"float", 'f'}, {"int", 'i'}, {"integer", 'i'}, {"string", 's'}, {"blob", 0}, {"", 0}})
    {
        SCOPED_TRACE(type);
        const std::string text = std::string("<grid><field id=\"v\" type=\"") + type + "\">1 2 3</field></grid>";
        CxData data(text.data(), CxUint32(text.size()));
        DxXmlGridParser parser(data);
        DxGrid frame;
        CxDebugCapture capture; // an unknown type is a debugging line
        EXPECT_EQ(parser.ParseField(&frame, "v"), kind != 0);
        EXPECT_EQ(frame.FindFloatField("v") != nullptr, kind == 'f');
        EXPECT_EQ(frame.FindIntField("v") != nullptr, kind == 'i');
        const DxStringField* strings = frame.FindStringField("v");
        ASSERT_EQ(strings != nullptr, kind == 's');
        if (strings != nullptr)
        {
            EXPECT_EQ(*strings, (DxStringField::vector{"1", "2", "3"}));
        }
    }
}

// A grid made by the netCDF tools themselves; no temporary copy may outlive its reader, whatever the bytes.
TEST(DxNetCDFGridTest, SpacingTypesAndTemporaryCopies)
{
    sky::test::TempHome home;
    const std::string folder = home.Path(), cdl = folder + "/grid.cdl", nc = folder + "/grid.nc";
    ::setenv("TMPDIR", folder.c_str(), 1);
    const std::filesystem::path temporary = CxFolder(kCxTemporaryFolder).Path().AsUtf8();
    const auto copies = [&temporary] { return std::distance(std::filesystem::directory_iterator(temporary), {}); };
    std::ofstream(cdl) << "netcdf grid { dimensions: lon = 3; lat = 2; other = 4; variables: short s(lat, lon);"
                          " int i(lat, lon); float f(lat, lon); double d(lat, lon); byte b(lat, lon); char c(lat, lon);"
                          " double o(other); :LatGridSpacing = 0.5; data: s = 1, 2, 3, 4, 5, -6; i = 1, 2, 3, 4, 5, -6;"
                          " f = 1, 2, 3, 4, 5, -6.5; d = 1, 2, 3, 4, 5, -6.25; b = 1, 2, 3, 4, 5, 6; c = \"abcdef\";"
                          " o = 1, 2, 3, 4; }";
    ASSERT_EQ(std::system(("ncgen -k classic -o " + nc + " " + cdl).c_str()), 0);
    CxData data = CxFile(CxString(nc.c_str()), false).ReadContents(), junk("not a netCDF file", 17);
    {
        CxDebugCapture capture;
        DxNetCDFGridParser parser(data), twin(data);
        EXPECT_TRUE(capture.Count() == 0 && copies() == 2);
        DxNetCDFGridParser bad(junk); // refused before any copy is made
        EXPECT_TRUE(capture.Count() > 0 && copies() == 2);
        EXPECT_TRUE(parser.Width() == 3u && parser.Height() == 2u && parser.CellSize() == GxPoint(0.5, 0.5));
        // Id, what ParseField says, the last value of the field it adds (NaN: none).
        const std::tuple<const char*, bool, double> kVariables[] = {
            {"s", true, -6},  {"i", true, -6},  {"f", true, -6.5}, {"d", true, -6.25},
            {"b", true, NAN}, {"c", true, NAN}, {"o", false, NAN}, {"none", false, NAN}};
        for (const auto& [id, result, last] : kVariables)
        {
            DxGrid frame;
            EXPECT_TRUE(parser.ParseField(&frame, id) == result && !bad.ParseField(&frame, id)) << id;
            const DxFloatField* field = frame.FindFloatField(id);
            EXPECT_TRUE(field == nullptr ? std::isnan(last) : *field == (std::vector<double>{1, 2, 3, 4, 5, last}))
                << id;
        }
    }
    EXPECT_EQ(copies(), 0);
    ::unsetenv("TMPDIR");
}
