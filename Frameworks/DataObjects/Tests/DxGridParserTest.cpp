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
#include <memory>

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
    temperatures->insert(temperatures->end(), {1.0, 2.25, NAN, -4.0, 5.0, 6.125});
    DxIntField* codes = grid.NewIntField("code");
    codes->insert(codes->end(), {1, -2, 3, 4, 5, 6});
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
        EXPECT_EQ(parser.Width(), 3u);
        EXPECT_EQ(parser.Height(), 2u);
        EXPECT_EQ(parser.Origin(), grid.Origin());
        EXPECT_EQ(parser.CellSize(), grid.Delta());
        EXPECT_EQ(parser.BaseDate(), grid.Date());
        DxGrid back;
        EXPECT_TRUE(parser.ParseField(&back, "code"));
        EXPECT_TRUE(parser.ParseField(&back, "tmpc"));
        EXPECT_FALSE(parser.ParseField(&back, "TMPC"));
        EXPECT_EQ(*back.FindIntField("code"), *codes);
        const DxFloatField& values = *back.FindFloatField("tmpc");
        ASSERT_EQ(values.size(), 6u);
        for (std::size_t i = 0; i < 6; ++i)
            EXPECT_TRUE(values[i] == (*temperatures)[i] || (std::isnan(values[i]) && std::isnan((*temperatures)[i])));
    }
}

TEST(DxXmlGridTest, GeometryEdges)
{
    const std::string field = "<field id=\"v\" type=\"float\">1 2 3 4 5</field>";
    const struct
    {
        std::string text;
        CxUint32 width, height;
        bool added;
    } kCases[] = {
        {"<grid>" + field + "</grid>", 0, 0, true},
        {"<grid><projection id=\"degree\"/><gridOrigin lat=\"1\" lon=\"2\"/><gridSize width=\"3\" height=\"2\"/>"
         "<cellSize width=\"1\" height=\"1\"/>" +
             field + "</grid>",
         3, 2, false},
        {"<grid><projection id=\"degree\"/><gridOrigin lat=\"1\" lon=\"2\"/><gridSize width=\"5000\" "
         "height=\"5000\"/>" +
             field + "</grid>",
         0, 0, true},
    };
    for (const auto& c : kCases)
    {
        CxData data = Bytes(c.text);
        DxXmlGridParser parser(data);
        DxGrid frame;
        EXPECT_EQ(parser.Width(), c.width) << c.text;
        EXPECT_EQ(parser.Height(), c.height);
        EXPECT_EQ(parser.ParseField(&frame, "v"), c.added);
        EXPECT_EQ(frame.CountFields(), c.added ? 1u : 0u);
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

// Fixtures made by the netCDF tools themselves, in a fresh temporary folder that must stay empty of copies.
class DxNetCDFGridTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mFolder = std::filesystem::temp_directory_path() / ("dec1-" + std::to_string(::getpid()));
        std::filesystem::create_directories(mFolder);
        mSavedTmp = std::getenv("TMPDIR") != nullptr ? std::getenv("TMPDIR") : "";
        ::setenv("TMPDIR", mFolder.c_str(), 1);
    }
    void TearDown() override
    {
        mSavedTmp.empty() ? ::unsetenv("TMPDIR") : ::setenv("TMPDIR", mSavedTmp.c_str(), 1);
        std::filesystem::remove_all(mFolder);
    }
    CxData Generate(const std::string& inSpacing)
    {
        const std::filesystem::path cdl = mFolder / "grid.cdl", nc = mFolder / "grid.nc";
        std::ofstream(cdl) << "netcdf grid { dimensions: lon = 3; lat = 2; other = 4;\n variables:\n"
                              " short s(lat, lon); int i(lat, lon); float f(lat, lon); double d(lat, lon);\n"
                              " byte b(lat, lon); char c(lat, lon); double o(other);\n"
                              " :LatGridSpacing = " +
                                  inSpacing +
                                  ";\n data:\n s = 1, 2, 3, 4, 5, -6; i = 1, 2, 3, 4,"
                                  " 5, -6; f = 1, 2, 3, 4, 5, -6.5; d = 1, 2, 3, 4, 5, -6.25; b = 1, 2, 3, 4, 5, 6;"
                                  " c = \"abcdef\"; o = 1, 2, 3, 4; }\n";
        EXPECT_EQ(std::system(("ncgen -k classic -o " + nc.string() + " " + cdl.string()).c_str()), 0);
        std::ifstream in(nc, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::filesystem::remove(cdl), std::filesystem::remove(nc);
        return Bytes(bytes);
    }
    bool CopiesLeft() const
    {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(mFolder))
        {
            if (entry.path().filename().string().rfind("netcdf-grid.", 0) == 0)
                return true;
        }
        return false;
    }

    std::filesystem::path mFolder;
    std::string mSavedTmp;
};

TEST_F(DxNetCDFGridTest, SpacingsAndVariableTypes)
{
    const struct
    {
        const char* id;
        bool result, added;
        double last;
    } kVariables[] = {{"s", true, true, -6}, {"i", true, true, -6}, {"f", true, true, -6.5}, {"d", true, true, -6.25},
                      {"b", true, false, 0}, {"c", true, false, 0}, {"o", false, false, 0},  {"none", false, false, 0}};
    for (const char* spacing : {"0.5", "2"})
    {
        CxData data = Generate(spacing);
        CxDebugCapture capture;
        DxNetCDFGridParser parser(data);
        EXPECT_EQ(parser.Width(), 3u);
        EXPECT_EQ(parser.Height(), 2u);
        EXPECT_EQ(parser.CellSize(), GxPoint(std::stod(spacing), std::stod(spacing)));
        for (const auto& v : kVariables)
        {
            DxGrid frame;
            EXPECT_EQ(parser.ParseField(&frame, v.id), v.result) << v.id;
            const DxFloatField* field = frame.FindFloatField(v.id);
            ASSERT_EQ(field != nullptr, v.added) << v.id;
            if (field != nullptr)
            {
                EXPECT_EQ(*field, (std::vector<double>{1, 2, 3, 4, 5, v.last})) << v.id;
            }
        }
    }
    EXPECT_FALSE(CopiesLeft());
}

TEST_F(DxNetCDFGridTest, TemporaryCopiesAreDistinctAndRemoved)
{
    CxData data = Generate("1");
    {
        DxNetCDFGridParser first(data);
        DxNetCDFGridParser second(data);
        std::size_t copies = 0;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(mFolder))
            copies += entry.path().filename().string().rfind("netcdf-grid.", 0) == 0;
        EXPECT_EQ(copies, 2u);
    }
    EXPECT_FALSE(CopiesLeft());
    CxData junk = Bytes("not a netCDF file");
    {
        CxDebugCapture capture;
        DxNetCDFGridParser parser(junk);
        EXPECT_TRUE(capture.Contains("ncStatus == NC_NOERR"));
        DxGrid frame;
        EXPECT_FALSE(parser.ParseField(&frame, "s"));
    }
    EXPECT_FALSE(CopiesLeft());
}
