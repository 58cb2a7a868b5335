#include "CxData.h"
#include "CxDebug.h"
#include "DxFrame.h"
#include "DxFrameTestSupport.h"
#include "DxGridParsers.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace
{

CxData Bytes(const std::string& inText)
{
    return CxData(inText.data(), CxUint32(inText.size()));
}

std::string GridText(const DxGrid& inGrid)
{
    XmlBuilder builder;
    inGrid.Externalize(builder);
    return dxtest::Written(builder);
}

} // namespace

TEST(DxXmlGridTest, ExternalizedGridReadsBackEqual)
{
    DxGrid grid(GxDegreeProjection(), 3, 2, GxPoint(-105.5, 30.25), GxPoint(0.5, 0.125));
    grid.SetDate(CxDate(CxSint16(2010), 11, 12, 18, 0, 0, 0));
    DxFloatField* temperatures = grid.NewFloatField("tmpc");
    temperatures->assign({1.0, 2.25, NAN, -4.0, 5.0, 6.125});
    DxIntField* codes = grid.NewIntField("code");
    codes->assign({1, -2, 3, 4, 5, 6});
    const std::string text = GridText(grid);
    std::string trimmed = text;
    for (std::size_t at; (at = trimmed.find(" \n\t</field>")) != std::string::npos;)
        trimmed.erase(at, 3);
    ASSERT_NE(trimmed, text);
    for (const std::string& variant : {text, trimmed})
    {
        CxData data = Bytes(variant);
        DxXmlGridParser parser(data);
        EXPECT_TRUE(parser.Parsed());
        EXPECT_TRUE(parser.Width() == 3u && parser.Height() == 2u && parser.BaseDate() == grid.Date());
        EXPECT_TRUE(parser.Origin() == grid.Origin() && parser.CellSize() == grid.Delta());
        DxGrid back;
        EXPECT_TRUE(parser.ParseField(&back, "code") && parser.ParseField(&back, "tmpc"));
        EXPECT_FALSE(parser.ParseField(&back, "TMPC"));
        EXPECT_EQ(*back.FindIntField("code"), *codes);
        const DxFloatField& values = *back.FindFloatField("tmpc");
        ASSERT_EQ(values.size(), 6u);
        for (std::size_t i = 0; i < 6; ++i)
            EXPECT_TRUE(values[i] == (*temperatures)[i] || (std::isnan(values[i]) && std::isnan((*temperatures)[i])));
    }
}

// Without a geometry values stay as read; with one, a field needs one value per cell; a huge size is refused.
TEST(DxXmlGridTest, GeometryEdges)
{
    const std::string head = "<grid><projection id=\"degree\"/><gridOrigin lat=\"1\" lon=\"2\"/>";
    const std::string field = "<field id=\"v\" type=\"float\">1 2 3 4 5</field></grid>";
    const struct
    {
        std::string text;
        CxUint32 width, height;
        bool added;
    } kCases[] = {
        {"<grid>" + field, 0, 0, true},
        {head + "<gridSize width=\"3\" height=\"2\"/><cellSize width=\"1\" height=\"1\"/>" + field, 3, 2, false},
        {head + "<gridSize width=\"5000\" height=\"5000\"/>" + field, 0, 0, true}};
    for (const auto& c : kCases)
    {
        CxDebugCapture capture;
        CxData data = Bytes(c.text);
        DxXmlGridParser parser(data);
        DxGrid frame;
        EXPECT_TRUE(parser.Width() == c.width && parser.Height() == c.height) << c.text;
        EXPECT_EQ(parser.ParseField(&frame, "v"), c.added);
        EXPECT_EQ(frame.CountFields(), c.added ? 1u : 0u);
        EXPECT_EQ(capture.Contains("DxGridParsers.cpp"), &c != &kCases[0]);
    }
}

TEST(DxXmlGridTest, LambertOriginIsTheProjectionsOwn)
{
    GxLambertConformalProjection lambert;
    DxGrid grid(lambert, 2, 2, lambert.Project(GxPosition().FromDegrees(-100.0, 40.0)), GxPoint(1000.0, 1000.0));
    CxData data = Bytes(GridText(grid));
    DxXmlGridParser parser(data);
    const GxPoint expected = parser.Projection()->Project(GxPosition().FromDegrees(-100.0, 40.0));
    EXPECT_EQ(parser.Origin(), expected);
    EXPECT_NE(dynamic_cast<const GxLambertConformalProjection*>(parser.Projection()), nullptr);
}

// Grids made by the netCDF tools themselves; no temporary copy may outlive its reader, whatever the bytes.
TEST(DxNetCDFGridTest, SpacingsTypesAndTemporaryCopies)
{
    sky::test::TempHome home;
    const std::string folder = home.Path(), cdl = folder + "/grid.cdl", nc = folder + "/grid.nc";
    ::setenv("TMPDIR", folder.c_str(), 1);
    const auto copies = [&folder]
    {
        std::size_t count = 0;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
            count += entry.path().filename().string().rfind("netcdf-grid.", 0) == 0;
        return count;
    };
    const struct
    {
        const char* id;
        bool result, added;
        double last;
    } kVariables[] = {{"s", true, true, -6}, {"i", true, true, -6}, {"f", true, true, -6.5}, {"d", true, true, -6.25},
                      {"b", true, false, 0}, {"c", true, false, 0}, {"o", false, false, 0},  {"none", false, false, 0}};
    for (const std::string spacing : {"0.5", "2"})
    {
        std::ofstream(cdl) << "netcdf grid { dimensions: lon = 3; lat = 2; other = 4; variables: short s(lat, lon);"
                              " int i(lat, lon); float f(lat, lon); double d(lat, lon); byte b(lat, lon);"
                              " char c(lat, lon); double o(other); :LatGridSpacing = "
                           << spacing
                           << "; data: s = 1, 2, 3, 4, 5, -6; i = 1, 2, 3, 4, 5, -6; f = 1, 2, 3, 4, 5, -6.5;"
                              " d = 1, 2, 3, 4, 5, -6.25; b = 1, 2, 3, 4, 5, 6; c = \"abcdef\"; o = 1, 2, 3, 4; }";
        ASSERT_EQ(std::system(("ncgen -k classic -o " + nc + " " + cdl).c_str()), 0);
        std::ifstream in(nc, std::ios::binary);
        CxData data = Bytes(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
        CxData junk = Bytes("not a netCDF file");
        CxDebugCapture capture;
        DxNetCDFGridParser parser(data), twin(data), bad(junk);
        EXPECT_TRUE(capture.Contains("ncStatus == NC_NOERR") && copies() == 3u);
        EXPECT_TRUE(parser.Width() == 3u && parser.Height() == 2u);
        EXPECT_EQ(parser.CellSize(), GxPoint(std::stod(spacing), std::stod(spacing)));
        for (const auto& v : kVariables)
        {
            DxGrid frame;
            EXPECT_EQ(parser.ParseField(&frame, v.id), v.result) << v.id;
            EXPECT_FALSE(bad.ParseField(&frame, v.id));
            const DxFloatField* field = frame.FindFloatField(v.id);
            EXPECT_EQ(field != nullptr, v.added) << v.id;
            EXPECT_TRUE(field == nullptr || *field == (std::vector<double>{1, 2, 3, 4, 5, v.last})) << v.id;
        }
    }
    EXPECT_EQ(copies(), 0u);
    ::unsetenv("TMPDIR");
}
