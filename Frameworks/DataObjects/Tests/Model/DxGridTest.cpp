#include "CxDebug.h"
#include "DxFrame.h"
#include "DxFrameTestSupport.h"
#include "DxUnitTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

using dxtest::ParsedXml;
using dxtest::Written;

namespace
{

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kDegree = kGxPi / 180.0;

class DxGridTest : public dxtest::UnitTableTest
{
};

std::string GridXml(const DxGrid& inGrid)
{
    XmlBuilder builder;
    inGrid.Externalize(builder);
    return Written(builder);
}

// The plane a + b x + c y sampled at every grid point.
DxFloatField* FillPlane(DxGrid& ioGrid, double inA, double inB, double inC)
{
    DxFloatField* field = ioGrid.NewFloatField("plane");
    for (CxSint32 j = 0; j < ioGrid.Height(); ++j)
    {
        for (CxSint32 i = 0; i < ioGrid.Width(); ++i)
            field->push_back(inA + inB * (ioGrid.Origin().mX + i * ioGrid.Delta().mX) +
                             inC * (ioGrid.Origin().mY + j * ioGrid.Delta().mY));
    }
    return field;
}

} // namespace

TEST_F(DxGridTest, WritesItsXmlByteForByte)
{
    DxGrid grid(GxDegreeProjection(), 3, 2, GxPoint(-105.5, 30.25), GxPoint(0.5, 0.125));
    grid.SetDate(CxDate(CxSint16(2010), 11, 12, 18, 0, 0, 0));
    DxFloatField* temperatures = grid.NewFloatField("tmpc:cels");
    temperatures->SetUnit(DxUnit(CxString("cels")));
    temperatures->insert(temperatures->end(), {1.0, 2.25, kNaN, -4.0, 5.0, 6.0});
    grid.NewIntField("code:nada")->push_back(7);
    EXPECT_EQ(GridXml(grid), "<grid date=\"2010-11-12 18:00:00 UTC\">\n"
                             "\t<projection id=\"degree\"/>\n"
                             "\t<gridOrigin x=\"-105.500\" y=\"30.250\" lat=\"30.250\" lon=\"-105.500\"/>\n"
                             "\t<gridSize width=\"3\" height=\"2\"/>\n"
                             "\t<cellSize width=\"0.500\" height=\"0.125\"/>\n"
                             "\t<field id=\"tmpc:cels\" type=\"float\" units=\"cels\">\n"
                             "\t\t1.000 2.250 nan -4.000 5.000 6.000 \n\t</field>\n"
                             "\t<field id=\"code:nada\" type=\"int\">\n\t\t7 \n\t</field>\n"
                             "</grid>\n");
    EXPECT_EQ(grid.Bounds(), GxRect(-105.5, 30.25, -104.5, 30.375));
    EXPECT_EQ(DxGrid(GxDegreeProjection(), 1, 1, GxPoint(3.0, -2.0), GxPoint(0.5, 0.25)).Bounds(),
              GxRect(3.0, -2.0, 3.0, -2.0));
}

TEST_F(DxGridTest, ReadsBackItsGeometryThroughTheProjection)
{
    const GxDegreeProjection degree;
    const GxLambertConformalProjection lambert(-97.5 * kDegree, 33.0 * kDegree, 45.0 * kDegree);
    const struct
    {
        const GxProjection& mProjection;
        GxPoint mOrigin;
        GxPoint mExpected; // the origin read back
    } cases[] = {
        // Degrees are taken as written, so they come back exactly.
        {degree, GxPoint(-123.456, -45.125), GxPoint(-123.456, -45.125)},
        // Elsewhere the position, written to three decimals, is projected again.
        {lambert, lambert.Project(GxPosition(-120.123456 * kDegree, 20.654321 * kDegree)),
         lambert.Project(GxPosition(-120.123 * kDegree, 20.654 * kDegree))},
    };
    for (const auto& c : cases)
    {
        DxGrid grid(c.mProjection, 93, 65, c.mOrigin, GxPoint(40.635, 0.25));
        grid.SetDate(CxDate(CxSint16(2010), 11, 12, 18, 0, 0, 0));
        grid.NewFloatField("v")->push_back(1.0);
        const ParsedXml xml(GridXml(grid));
        DxGrid read(GxRadianProjection(), 0, 0, GxPoint(), GxPoint());
        CxDebugCapture capture;
        read.Internalize(xml.Element());
        EXPECT_EQ(capture.Count(), 0u);
        EXPECT_EQ(read.Projection()->Id(), c.mProjection.Id());
        EXPECT_NEAR(read.Origin().mX, c.mExpected.mX, 1e-9);
        EXPECT_NEAR(read.Origin().mY, c.mExpected.mY, 1e-9);
        EXPECT_EQ(read.Delta(), grid.Delta());
        EXPECT_EQ(read.Width(), 93);
        EXPECT_EQ(read.Height(), 65);
        EXPECT_EQ(read.Date(), grid.Date());
        EXPECT_EQ(read.CountFields(), 0u);
    }

    // Missing elements leave their part alone; sizes beyond the signed range are cut to it.
    const ParsedXml partial("<grid><gridSize width=\"4294967295\" height=\"12x\"/><gridOrigin lon=\"-80.5\"/></grid>");
    DxGrid grid(GxDegreeProjection(), 5, 4, GxPoint(1.0, 2.0), GxPoint(3.0, 4.0));
    grid.Internalize(partial.Element());
    EXPECT_EQ(grid.Width(), 2147483647);
    EXPECT_EQ(grid.Height(), 12);
    EXPECT_EQ(grid.Origin(), GxPoint(-80.5, 0.0));
    EXPECT_EQ(grid.Delta(), GxPoint(3.0, 4.0));
}

TEST_F(DxGridTest, BilinearReproducesAPlaneInCellsOfAnyShape)
{
    const GxPoint deltas[] = {{1.0, 1.0}, {2.5, 0.5}, {0.3, 4.0}, {40.635, 13.545}, {-1.5, 2.0}};
    std::mt19937_64 random(20240611);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (const GxPoint& delta : deltas)
    {
        DxGrid grid(GxDegreeProjection(), 7, 5, GxPoint(-3.0, 10.0), delta);
        const DxFloatField* plane = FillPlane(grid, 2.0, 0.75, -1.25);
        for (int n = 0; n < 200; ++n)
        {
            const double x = grid.Origin().mX + unit(random) * (grid.Width() - 1) * delta.mX;
            const double y = grid.Origin().mY + unit(random) * (grid.Height() - 1) * delta.mY;
            EXPECT_NEAR(grid.Bilinear(plane, GxPoint(x, y)), 2.0 + 0.75 * x - 1.25 * y, 1e-12)
                << "cell " << delta.AsString() << " at " << x << ", " << y;
        }
    }

    // A grid point's value comes back exactly.
    DxGrid grid(GxDegreeProjection(), 3, 3, GxPoint(0.1, 0.7), GxPoint(0.3, 0.7));
    DxFloatField* field = grid.NewFloatField("v");
    field->assign(9, 1.0);
    (*field)[0] = 0.1 + 0.2;
    EXPECT_EQ(grid.Bilinear(*field, grid.Origin()), 0.1 + 0.2);
}

TEST_F(DxGridTest, BilinearGivesNaNOutsideTheCellsAndAtMissingValues)
{
    // Cells of 2 by 0.5 from (10, 20); 4 by 3 points.
    DxGrid grid(GxDegreeProjection(), 4, 3, GxPoint(10.0, 20.0), GxPoint(2.0, 0.5));
    const DxFloatField* plane = FillPlane(grid, 1.0, 2.0, 3.0);
    DxFloatField holed(CxString("holed"));
    holed.assign(plane->begin(), plane->end());
    holed[5] = kNaN; // point (1, 1), a corner of the four cells around it
    DxFloatField tooShort(CxString("short"));
    tooShort.assign(plane->begin(), plane->begin() + 6);

    const struct
    {
        const char* mWhat;
        const DxFloatField* mField;
        GxPoint mPoint;
    } cases[] = {
        {"on the last column", plane, {16.0, 20.5}},
        {"on the last row", plane, {11.0, 21.0}},
        {"less than a cell left of the origin", plane, {9.0, 20.25}},
        {"less than a cell below the origin", plane, {11.0, 19.9}},
        {"at a NaN point", plane, {kNaN, 20.25}},
        {"at an infinite point", plane, {11.0, std::numeric_limits<double>::infinity()}},
        {"in a cell with a missing corner", &holed, {11.5, 20.75}},
        {"in another cell with that corner", &holed, {12.5, 20.25}},
        {"in a field too short for the grid", &tooShort, {11.0, 20.75}},
        {"without a field", nullptr, {11.0, 20.25}},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(std::isnan(grid.Bilinear(c.mField, c.mPoint))) << c.mWhat;
    // Clear of the hole, and just inside the last cell.
    EXPECT_NEAR(grid.Bilinear(&holed, GxPoint(15.0, 20.25)), 1.0 + 30.0 + 60.75, 1e-12);
    EXPECT_NEAR(grid.Bilinear(plane, GxPoint(15.999, 20.999)), 1.0 + 31.998 + 62.997, 1e-12);
}
